// Item viewers for real: a loopback channel of 20 items rendered through the skin's stylesheet
// in the web view, the page's read control lowering the tree's unread count, the search, the
// filter menu, a hostile feed that must not run script, two viewers side by side, and the
// properties and preferences dialogs.
#include "ChannelTree.h"
#include "DesktopServices.h"
#include "InProcessBank.h"
#include "Include.h"
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "RSSChannel.h"
#include "TestSupport.h"
#include "ViewerWindows.h"
#include "WidgetSupport.h"
#include "WindowHelpers.h"
#include "WindowHub.h"
#include "XdgAutostart.h"
#include "clsProfile.h"
#include "clsSpotlight.h"
#include "frmMain.h"
#include "frmPreferences.h"
#include "frmProperties.h"
#include "frmTarnSkin.h"
#include "frmViewer.h"

#include <QAccessible>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>

using namespace testsupport;

namespace {

QByteArray Feed(const QByteArray &title, int items)
{
    QByteArray out =
        "<rss version=\"2.0\"><channel><title>" + title + "</title><link>http://127.0.0.1/</link>";
    for (int i = 1; i <= items; ++i) {
        QByteArray fruit;
        if (i % 2 == 0)
            fruit += " apple";
        if (i % 3 == 0)
            fruit += " pear";
        out += "<item><title>" + title + " story " + QByteArray::number(i)
            + "</title><description>&lt;p&gt;Story " + QByteArray::number(i) + " is about" + fruit
            + ".&lt;/p&gt;</description><guid>" + title + "-" + QByteArray::number(i)
            + "</guid></item>";
    }
    return out + "</channel></rss>";
}

// Markup a feed might carry to run script in the page or reach local files.
QByteArray HostileFeed()
{
    const QByteArray attacks[] = {
        "&lt;script&gt;document.title='D:1;'&lt;/script&gt;Script",
        "&lt;img src=\"http://127.0.0.1:1/x.png\" onerror=\"document.title='D:2;'\"&gt;Handler",
        "&lt;a id=\"jl\" href=\"javascript:document.title='D:3;'\"&gt;Link&lt;/a&gt;",
        "&lt;iframe src=\"file:///etc/hostname\"&gt;&lt;/iframe&gt;Frame",
        "&lt;svg onload=\"document.title='D:1.'\"&gt;&lt;/svg&gt;Svg",
        "&lt;img src=x onerror=\"fetch('file:///etc/hostname')\"&gt;Fetch",
    };
    QByteArray out = "<rss version=\"2.0\"><channel><title>Hostile</title>";
    int n = 0;
    // And the items' own addresses, which become links in the page.
    const QByteArray links[] = {
        "javascript:document.title='D:4;'", "", "", "file:///etc/hostname", "", ""};
    for (const QByteArray &attack : attacks) {
        const QByteArray number = QByteArray::number(++n);
        out += "<item><title>Trap " + number + "</title><link>" + links[n - 1]
            + "</link><description>" + attack + "</description><guid>trap-" + number
            + "</guid></item>";
    }
    return out + "</channel></rss>";
}

} // namespace

// Stands in for the desktop: addresses handed to the browser are only recorded.
struct RecordingDesktop : DesktopServices
{
    QStringList opened;
    void PlaySound(const QString &) override { }
    bool OpenUrl(const QString &address) override
    {
        opened << address;
        return true;
    }
};

class TestViewer : public QObject
{
    Q_OBJECT

    RecordingDesktop m_Desktop;

    QTemporaryDir m_Home, m_Config;
    LocalHttpServer m_Http;
    QStringList m_Messages;
    WindowHub m_Hub;
    std::unique_ptr<frmMain> m_Main;
    ViewerWindows *m_Viewers = nullptr;
    QString m_A, m_H;

    clsProfile *Profile() { return m_Main->CurrentProfile(); }
    QString TreeCount(const QString &group, const QString &url)
    {
        const int row = m_Main->treMain()->FindRow(group, url);
        return row < 0 ? QString() : m_Main->treMain()->RowCount(row);
    }
    frmViewer *Open(const QString &url)
    {
        RSSChannel *channel = Profile()->GetChannel(url);
        channel->CreateChannelView(false);
        frmViewer *viewer = m_Viewers->Viewer(channel);
        return viewer;
    }
    static bool WaitShown(frmViewer *viewer, int items)
    {
        const bool shown = QTest::qWaitFor(
            [&] {
                return viewer->webView()->isVisible() && viewer->ItemCount() == items
                    && viewer->RunScript("document.querySelectorAll('div.item').length").toInt()
                    == items;
            },
            20000);
        if (!shown)
            qWarning() << "viewer of" << viewer->URL() << "holds" << viewer->ItemCount()
                       << "items, page visible" << viewer->webView()->isVisible() << "with"
                       << viewer->RunScript("document.querySelectorAll('div.item').length").toInt()
                       << "DIVs";
        return shown;
    }
    static int VisibleItems(frmViewer *viewer)
    {
        return viewer
            ->RunScript("Array.prototype.filter.call(document.querySelectorAll('div.item'),"
                        "function(d){return d.style.display!='none';}).length")
            .toInt();
    }

private slots:
    void initTestCase()
    {
        DesktopServices::Install(&m_Desktop);
        qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
        useInProcessBank();
        RSSChannel::SetFirstReloadDelay(100); // channels load at once, not 5 s after start
        qputenv("TARNWICK_VENDOR_BASE", m_Http.url("").toUtf8());
        clsSpotlight::SetDirectoryURL(QString());
        QVERIFY(Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)));
        Include::SetMessageHandler(
            [this](const QString &text, const QString &, const QStringList &) {
                m_Messages << text;
                return 0;
            });
        m_Http.route("/a.xml") = {200, Feed("Alpha", 20), {}};
        m_Http.route("/h.xml") = {200, HostileFeed(), {}};
        m_A = m_Http.url("/a.xml");
        m_H = m_Http.url("/h.xml");
        QVERIFY(profilefiles::WriteProfileList(m_Home.path(), {"anna"}));
        QVERIFY(profilefiles::WriteGroups(m_Home.filePath("profiles/anna"), {{"News", {}}}));

        Include::Settings().SaveSetting("PREFS", "FIRSTRUN", "False"); // no help viewer in the way
        m_Main = std::make_unique<frmMain>(m_Hub);
        m_Viewers = new ViewerWindows(m_Hub, m_Main.get());
        m_Hub.Attach(m_Main.get(), m_Viewers, nullptr);
        m_Main->Form_Load();
        QVERIFY(QTest::qWaitFor(
            [&] { return Profile() && m_Main->treMain()->FindRow("News", "0") >= 0; }, 10000));
        m_Main->AddChannel(m_A, "News");
        m_Main->AddChannel(m_H, "News");
        QVERIFY(QTest::qWaitFor(
            [&] { return TreeCount("News", m_A) == "20" && TreeCount("News", m_H) == "6"; },
            20000));
        // The help channel is read shortly after start: wait for it, so the counts hold still.
        QVERIFY(QTest::qWaitFor(
            [&] { return TreeCount("Tarnwick", Include::VendorHelpURL()).toInt() > 0; }, 15000));
        QVERIFY(QTest::qWaitFor(
            [&] { return TreeCount("All Items", "_tarnwick/unread").toInt() >= 26; }, 5000));
    }

    void channelViewerEndToEnd()
    {
        frmViewer *viewer = Open(m_A);
        QVERIFY(viewer);
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Alpha - Tarnwick"));
        QVERIFY(WaitShown(viewer, 20));
        QCOMPARE(QFileInfo(viewer->PageFile()).fileName(), QStringLiteral("temp.html"));
        QVERIFY(QFileInfo::exists(m_Home.filePath("icons/item.png")));
        // A web channel's page keeps channel titles hidden.
        QVERIFY(readFile(viewer->PageFile()).contains(".channelTitle{display:none;}"));
        // A new subscription opens on its unread items.
        QCOMPARE(viewer->DecodeText("{filter}: {items} of {allitems}"),
            QStringLiteral("Unread: 20 of 20"));
        viewer->mnuSortMenu()->findChild<QAction *>("mnuSortAll")->trigger();
        QVERIFY(WaitShown(viewer, 20));
        QCOMPARE(viewer->DecodeText("{filter}"), QStringLiteral("All"));

        // The read control of the third item: one unread item fewer in the tree.
        const int unread = TreeCount("All Items", "_tarnwick/unread").toInt();
        viewer->RunScript("document.querySelector('#item3 img.cmd').click();");
        QVERIFY(QTest::qWaitFor(
            [&] { return TreeCount("All Items", "_tarnwick/unread").toInt() == unread - 1; },
            5000));
        QVERIFY(modItemHandlerRead(viewer, 3));

        // Two words: only items holding both stay.
        viewer->txtSearch()->setText("apple pear");
        QVERIFY(QTest::qWaitFor([&] { return VisibleItems(viewer) == 3; }, 5000)); // 6, 12, 18
        viewer->resize(620, 520);
        viewer->show();
        QTest::qWait(300);
        viewer->txtSearch()->clear();
        QVERIFY(QTest::qWaitFor([&] { return VisibleItems(viewer) == 20; }, 5000));

        // The "Unread" filter: the read item is gone from the list.
        viewer->mnuSortMenu()->findChild<QAction *>("mnuSortUnread")->trigger();
        QVERIFY(WaitShown(viewer, 19));
        QVERIFY(viewer->SortItem("_tarnwick/unread")->isChecked());
        QVERIFY(!viewer->SortItem("")->isChecked());
        QCOMPARE(viewer->DecodeText("{filter}"), QStringLiteral("Unread"));
        QVERIFY(viewer->DecodeIf("sortunread") && !viewer->DecodeIf("sortall"));
        // An "old" address changes neither filter nor marks.
        viewer->SetupView(QString(), "_tarnwick/old");
        QCOMPARE(viewer->Filter(), QStringLiteral("_tarnwick/unread"));
        QVERIFY(WaitShown(viewer, 19));
        QTest::qWait(300);

        // Tag and delete toggle through the page's commands; the page shows the new icon.
        QSignalSpy shown(viewer, &frmViewer::PageShown);
        viewer->PageTitleChanged("T:1;");
        QVERIFY(QTest::qWaitFor(
            [&] { return TreeCount("All Items", "_tarnwick/flagged") == "1"; }, 5000));
        QVERIFY(shown.wait(10000));
        viewer->PageTitleChanged("R:0.");
        viewer->PageTitleChanged("R:99.");
        QCOMPARE(TreeCount("All Items", "_tarnwick/flagged"), QStringLiteral("1"));

        // A link leaves the program for the user's browser; the page stays.
        viewer->RunScript("window.location.href='http://127.0.0.1:1/elsewhere.html';");
        QVERIFY(QTest::qWaitFor(
            [&] { return m_Desktop.opened.contains("http://127.0.0.1:1/elsewhere.html"); }, 5000));
        QCOMPARE(viewer->RunScript("document.querySelectorAll('div.item').length").toInt(), 19);
        QCOMPARE(viewer->webView()->url(), QUrl::fromLocalFile(viewer->PageFile()));

        // Moving the viewer is remembered by its channel (twips).
        viewer->move(100, 80);
        QTRY_VERIFY(
            Profile()->GetChannel(m_A)->WindowWidth == viewer->width() * Include::TwipsPerPixelX());
        viewer->close();
        QTRY_VERIFY(!m_Viewers->IsViewerLoaded(Profile()->GetChannel(m_A)));
    }

    void hostileFeedRunsNothing()
    {
        const QString deletedBefore = TreeCount("All Items", "_tarnwick/deleted");
        frmViewer *hostile = Open(m_H);
        QVERIFY(WaitShown(hostile, 6));
        hostile->RunScript("var l=document.getElementById('jl'); if(l) l.click();");
        QTest::qWait(1500);
        // Nothing in the items could signal a command, nor reach a local file.
        QCOMPARE(TreeCount("All Items", "_tarnwick/deleted"), deletedBefore);
        for (int i = 1; i <= 6; ++i)
            QVERIFY(!modItemHandlerDeleted(hostile, i));
        QCOMPARE(hostile
                     ->RunScript("document.querySelectorAll('.item script, .item iframe, .item "
                                 "svg, [onerror], [onload]').length")
                     .toInt(),
            0);
        const QByteArray page = readFile(hostile->PageFile());
        QVERIFY(!page.contains("etc/hostname"));
        QVERIFY(!page.contains("javascript:document"));
        QVERIFY(!page.contains("document.title='D"));
        QVERIFY(page.contains("Content-Security-Policy"));
        // A script whose answer comes after the wait gave up: the late answer finds nothing
        // of the wait left to write to.
        QVERIFY(!hostile->RunScript("var t = Date.now(); while (Date.now() - t < 400) {} 1", 5)
                     .isValid());
        QTest::qWait(800);
        // The page's own command mechanism still works.
        hostile->RunScript("cmd('D', 6);");
        QVERIFY(QTest::qWaitFor(
            [&] {
                return TreeCount("All Items", "_tarnwick/deleted").toInt()
                    == deletedBefore.toInt() + 1;
            },
            5000));

        // A second viewer open beside it writes its own page; reloading one leaves the other.
        frmViewer *alpha = Open(m_A);
        QVERIFY(WaitShown(alpha, 19)); // its unread items: one was read above
        QVERIFY(alpha->PageFile() != hostile->PageFile());
        hostile->LoadNodeList();
        QVERIFY(WaitShown(hostile, 5)); // the unread filter leaves the deleted item out
        QTest::qWait(300);
        QCOMPARE(alpha->RunScript("document.querySelectorAll('div.item').length").toInt(), 19);
        QVERIFY(readFile(alpha->PageFile()).contains("Alpha story 1"));
        // A filter's viewer shows each item's channel.
        frmViewer *unread = Open("_tarnwick/unread");
        QVERIFY(QTest::qWaitFor(
            [&] { return unread->ItemCount() > 20 && unread->webView()->isVisible(); }, 20000));
        QVERIFY(readFile(unread->PageFile()).contains(".channelTitle{display:block;}"));
        QCOMPARE(QFileInfo(unread->PageFile()).fileName(), QStringLiteral("temp3.html"));
        m_Viewers->CloseViewers();
    }

    // An open viewer follows its channel: a fetch with a new item, a tag and a delete show
    // in its page and its footer; a second open only brings it forward; pictures come from
    // the web, never from local files; a long title is cut before the caption's buttons.
    void viewerFollowsItsChannel()
    {
        const QByteArray png = [] {
            QImage picture(48, 48, QImage::Format_RGB32);
            picture.fill(Qt::cyan);
            QByteArray bytes;
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::WriteOnly);
            picture.save(&buffer, "PNG");
            return bytes;
        }();
        QVERIFY(profilefiles::Write(m_Home.filePath("local.png"), png));
        m_Http.route("/pic.png") = {200, png, {{"Content-Type", "image/png"}}};
        const QByteArray pictures = "<item><title>Pictures</title><description>"
            + QString("<img id=\"web\" src=\"%1\"><img id=\"local\" src=\"file://%2\">")
                  .arg(m_Http.url("/pic.png"), m_Home.filePath("local.png"))
                  .toHtmlEscaped()
                  .toUtf8()
            + "</description><guid>pics</guid></item>";
        const QByteArray longTitle = "Follow " + QByteArray(60, 'w');
        auto feed = [&](int items) {
            QByteArray f = Feed(longTitle, items);
            return f.insert(f.indexOf("<item>"), pictures);
        };
        m_Http.route("/f.xml") = {200, feed(2), {}};
        const QString url = m_Http.url("/f.xml");
        m_Main->AddChannel(url, "News");
        QVERIFY(QTest::qWaitFor([&] { return TreeCount("News", url) == "3"; }, 20000));
        RSSChannel *channel = Profile()->GetChannel(url);
        frmViewer *viewer = Open(url);
        QVERIFY(WaitShown(viewer, 3));
        const frmTarnSkin &skin = frmTarnSkin::Instance();
        auto caption = [&](const QString &text) {
            for (size_t i = 0; i < skin.Entities().size(); ++i)
                if (skin.Entities()[i].Window == 1 && skin.Entities()[i].Text == text)
                    return skin.CaptionOf(int(i));
            return QString();
        };
        QCOMPARE(caption("{filter}: {items} of {allitems}"), QStringLiteral("Unread: 3 of 3"));

        // The picture from the web is fetched and drawn; the local file's is not there at all.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return viewer->RunScript("document.getElementById('web').naturalWidth").toInt()
                    == 48;
            },
            10000));
        QVERIFY(m_Http.count("GET", "/pic.png") >= 1);
        QCOMPARE(
            viewer->RunScript("document.querySelectorAll('img[src^=\"file:\"]').length").toInt(),
            0);

        // The title is cut with an ellipsis before the first of the caption's buttons.
        const QString title = caption("{title}");
        QVERIFY2(
            title.endsWith(QChar(0x2026)) && title.size() < longTitle.size(), qPrintable(title));

        // A fetch that brings an item: the page and the footer show it.
        m_Http.route("/f.xml").body = feed(3);
        viewer->SkinHandler("reload", 0, 0, true);
        QVERIFY(WaitShown(viewer, 4));
        QTRY_COMPARE(caption("{filter}: {items} of {allitems}"), QStringLiteral("Unread: 4 of 4"));

        // Tag and delete by the page's icons: the icon changes, the deleted item leaves.
        viewer->RunScript("document.querySelector('#item2 img[alt=tag]').click();");
        QVERIFY(QTest::qWaitFor(
            [&] {
                return viewer->RunScript("document.querySelector('#item2 img[alt=tag]').src")
                    .toString()
                    .endsWith("icons/itemex.png");
            },
            10000));
        viewer->RunScript("document.querySelector('#item3 img[alt=delete]').click();");
        QVERIFY(WaitShown(viewer, 3));
        QTRY_COMPARE(caption("{filter}: {items} of {allitems}"), QStringLiteral("Unread: 3 of 3"));
        QCOMPARE(channel->ItemCount(), 3);

        // Opened again while open (a double click on its row): only brought forward, its
        // filter and its size stay.
        viewer->SkinHandler("sortall", 0, 0, true);
        QVERIFY(WaitShown(viewer, 3));
        viewer->showMaximized();
        QTRY_VERIFY(viewer->isMaximized());
        channel->CreateChannelView(false);
        QVERIFY(viewer->isMaximized());
        QCOMPARE(viewer->Filter(), QString());
        QCOMPARE(caption("{filter}: {items} of {allitems}"), QStringLiteral("All: 3 of 3"));
        viewer->close();

        // A viewer opened by its channel's fetch itself (here: "open on new items"; the help
        // channel at the first start) counts the items that fetch brought.
        m_Http.route("/o.xml") = {200, Feed("Opens", 2), {}};
        const QString opens = m_Http.url("/o.xml");
        m_Main->AddChannel(opens, "News");
        Profile()->GetChannel(opens)->OpenLink = true;
        frmViewer *opened = nullptr;
        QVERIFY(QTest::qWaitFor(
            [&] { return (opened = m_Viewers->Viewer(Profile()->GetChannel(opens))); }, 20000));
        QVERIFY(WaitShown(opened, 2));
        QTRY_COMPARE(opened->DecodeText("{filter}: {items} of {allitems}"),
            QStringLiteral("Unread: 2 of 2"));
        opened->close();
    }

    void propertiesDialog()
    {
        // The viewer's skin functions reach the other windows through the window services:
        // Properties for its channel, and the main window.
        RSSChannel *channel = Profile()->GetChannel(m_A);
        frmViewer *viewer = Open(m_A);
        QVERIFY(viewer);
        m_Main->hide();
        viewer->SkinHandler("openmain", 0, 0, true);
        QVERIFY(m_Main->isVisible());
        viewer->SkinHandler("properties", 0, 0, true);
        frmProperties *p = m_Viewers->Properties();
        QVERIFY(p && p->isVisible());
        QCOMPARE(p->Channel(), channel);
        m_Viewers->CloseViewers();
        QStringList names;
        for (int i = 0; i < p->lstProp()->topLevelItemCount(); ++i)
            names << p->lstProp()->topLevelItem(i)->text(0);
        QCOMPARE(names, (QStringList {"Title", "URL", "Items", "Link"}));
        QCOMPARE(p->txtReload()->text(), QString::number(channel->Update));
        // Not a whole number: refused, nothing changed.
        const qint32 update = channel->Update;
        p->txtReload()->setText("ten");
        p->txtCustomTitle()->setText("My Alpha");
        QVERIFY(!p->cmdApply_Click());
        QCOMPARE(channel->Update, update);
        QCOMPARE(channel->customTitle(), QStringLiteral("Alpha"));
        QVERIFY(m_Messages.last().contains("whole number"));
        p->txtReload()->setText(" 0 ");
        p->txtRemove()->setText("30");
        p->chkOpenUnread()->setChecked(true);
        QVERIFY(p->chkNotify()->isChecked());
        p->chkNotify()->setChecked(false); // left out of the desktop notices
        QVERIFY(p->cmdApply_Click());
        QVERIFY(!channel->Notify);
        QVERIFY(readFile(m_Home.filePath("profiles/" + Profile()->Name() + "/channels.xml"))
                    .contains("<notify>no</notify>"));
        QCOMPARE(channel->Update, 0);
        QCOMPARE(channel->Expire, 30);
        QCOMPARE(channel->SortMode, QStringLiteral("_tarnwick/unread"));
        QCOMPARE(m_Main->treMain()->RowNode(m_Main->treMain()->FindRow("News", m_A)),
            QStringLiteral("My Alpha"));
        // An empty title goes back to the channel's own.
        p->txtCustomTitle()->clear();
        QVERIFY(p->cmdApply_Click());
        QCOMPARE(m_Main->treMain()->RowNode(m_Main->treMain()->FindRow("News", m_A)),
            QStringLiteral("Alpha"));
        // It follows the tree while open.
        m_Main->treMain()->setCurrentRow(m_Main->treMain()->FindRow("News", m_H));
        emit m_Main->treMain()->RowReleased(
            m_Main->treMain()->FindRow("News", m_H), Qt::LeftButton);
        QCOMPARE(p->Channel(), Profile()->GetChannel(m_H));
        p->lstProp()->setCurrentItem(p->lstProp()->topLevelItem(1));
        p->mnuCopyValue_Click();
        QCOMPARE(QApplication::clipboard()->text(), m_H);
        p->show();
        p->close();
    }

    void preferencesDialog()
    {
        frmPreferences prefs({});
        QCheckBox *run = prefs.Box("chkRunStartup");
        QVERIFY(!run->isChecked());
        run->setChecked(true);
        prefs.Box("chkDescr")->setChecked(false);
        QVERIFY(prefs.Box("chkTrayCount")->isChecked() && prefs.Box("chkNotify")->isChecked());
        prefs.Box("chkNotify")->setChecked(false);
        prefs.cmdOk_Click();
        QCOMPARE(Include::Settings().GetSetting("PREFS", "NOTIFY", ""), QStringLiteral("False"));
        QCOMPARE(Include::Settings().GetSetting("PREFS", "TRAYCOUNT", ""), QStringLiteral("True"));
        QString command;
        QVERIFY(XdgAutostart::Read("tarnwick", &command));
        QCOMPARE(command, frmPreferences::ProgramPath());
        QCOMPARE(Include::Settings().Company(), QStringLiteral("Veltrasic"));
        QCOMPARE(Include::Settings().GetSetting("PREFS", "DESCRIPTION", "True"),
            QStringLiteral("False"));
        frmPreferences again({});
        QVERIFY(again.Box("chkRunStartup")->isChecked());
        QVERIFY(!again.Box("chkDescr")->isChecked());
        QVERIFY(!again.Box("chkNotify")->isChecked());
        again.Box("chkNotify")->setChecked(true);
        again.show();
        again.Box("chkRunStartup")->setChecked(false);
        again.Box("chkDescr")->setChecked(true);
        again.cmdOk_Click();
        QVERIFY(!XdgAutostart::Read("tarnwick", &command));
    }

    // A podcast's viewer read from the keyboard, with real key events on the shown window:
    // j/k move the current item (opened, marked read, outlined), space pages through a long
    // item and moves on, m toggles read, t tags, o opens the item's web page, "/" goes to the
    // search box where keys are text, Escape leaves it; the switch in Preferences turns the keys
    // off. The enclosures show their kind, name and size, and only web addresses are links.
    void readingFromTheKeyboard()
    {
        QByteArray feed = readFile(QStringLiteral(TARNWICK_TEST_DATA "/feeds/podcast.xml"));
        QByteArray story;
        for (int i = 1; i <= 80; ++i)
            story += "&lt;p&gt;The long crossing, part " + QByteArray::number(i) + ".&lt;/p&gt;";
        feed.insert(feed.indexOf("<item>"),
            "<item><title>A long crossing</title><link>http://127.0.0.1:1/long.html</link>"
            "<description>"
                + story
                + "</description><guid>harbour-long</guid>"
                  "<pubDate>Fri, 04 Dec 2026 08:00:00 GMT</pubDate></item>");
        m_Http.route("/p.xml") = {200, feed, {}};
        const QString url = m_Http.url("/p.xml");
        m_Main->AddChannel(url, "News");
        QVERIFY(QTest::qWaitFor([&] { return TreeCount("News", url) == "5"; }, 20000));
        frmViewer *viewer = Open(url);
        QVERIFY(WaitShown(viewer, 5));
        viewer->SkinHandler("sortall", 0, 0, true);
        QVERIFY(WaitShown(viewer, 5));
        viewer->resize(560, 420);
        viewer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer));

        // The enclosures as the page shows them.
        const QString texts = viewer
                                  ->RunScript("Array.prototype.map.call(document.querySelectorAll("
                                              "'.enclosure'),function(e){return e.className+':'+"
                                              "e.innerText.replace(/\\s+/g,' ').trim();})"
                                              ".join('|')")
                                  .toString();
        QCOMPARE(texts,
            QStringLiteral("enclosure audio:Audio episode12.mp3 48.3 MB|enclosure video:Video "
                           "trip.webm 1.2 GB|enclosure other:File tides.pdf 830 bytes|"
                           "enclosure audio:Audio audio/mpeg"));
        QCOMPARE(viewer
                     ->RunScript("Array.prototype.map.call(document.querySelectorAll("
                                 "'.enclosure a'),function(a){return a.href;}).join(' ')")
                     .toString(),
            QStringLiteral(
                "http://127.0.0.1/harbour/episode12.mp3 "
                "https://127.0.0.1/harbour/trip.webm http://127.0.0.1/harbour/tides.pdf"));
        viewer->RunScript("document.querySelector('.enclosure a').click();");
        QTRY_VERIFY(m_Desktop.opened.contains("http://127.0.0.1/harbour/episode12.mp3"));

        auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
            QWidget *focus = QApplication::focusWidget();
            QTest::keyClick(focus ? focus : viewer, key, modifiers);
        };
        auto pageCurrent = [&] {
            return viewer
                ->RunScript("(function(){var d=document.querySelector('div.item.current');"
                            "return d?d.id+(d.classList.contains('collapsed')?'-closed':'')+"
                            "(d.classList.contains('read')?'-read':''):'';})()")
                .toString();
        };
        const int unread = TreeCount("All Items", "_tarnwick/unread").toInt();
        // j: the first item, opened, read and outlined; j and k move on and back.
        press(Qt::Key_J);
        QTRY_COMPARE(viewer->CurrentItem(), 1);
        QTRY_COMPARE(pageCurrent(), QStringLiteral("item1-read"));
        QTRY_COMPARE(TreeCount("All Items", "_tarnwick/unread").toInt(), unread - 1);
        auto readIcon = [&](int n) {
            return viewer
                ->RunScript(QStringLiteral("document.querySelector('#item%1 img.cmd')"
                                           ".getAttribute('src')")
                                .arg(n))
                .toString();
        };
        QTRY_COMPARE(readIcon(1), QStringLiteral("icons/prop.png")); // the read icon at once
        QVERIFY(modItemHandlerRead(viewer, 1));
        // Space: through the long item a page at a time, then on to the next.
        const int top = viewer->RunScript("window.scrollY").toInt();
        press(Qt::Key_Space);
        QTRY_VERIFY(viewer->RunScript("window.scrollY").toInt() > top);
        QCOMPARE(viewer->CurrentItem(), 1);
        for (int i = 0; i < 40 && viewer->CurrentItem() == 1; ++i) {
            const int before = viewer->RunScript("window.scrollY").toInt();
            press(Qt::Key_Space);
            QTRY_VERIFY(viewer->CurrentItem() == 2
                || viewer->RunScript("window.scrollY").toInt() != before);
        }
        QCOMPARE(viewer->CurrentItem(), 2);
        QTRY_COMPARE(pageCurrent(), QStringLiteral("item2-read"));
        // The new current item is in view.
        QTRY_VERIFY(viewer
                        ->RunScript("(function(){var r=document.getElementById('item2')"
                                    ".getBoundingClientRect();return r.top>=0&&"
                                    "r.bottom<=window.innerHeight;})()")
                        .toBool());
        press(Qt::Key_K);
        QTRY_COMPARE(viewer->CurrentItem(), 1);
        QTRY_COMPARE(pageCurrent(), QStringLiteral("item1-read"));

        QTRY_COMPARE(TreeCount("All Items", "_tarnwick/unread").toInt(), unread - 2);
        // m: unread again, and read again.
        press(Qt::Key_M);
        QTRY_COMPARE(pageCurrent(), QStringLiteral("item1"));
        QTRY_COMPARE(readIcon(1), QStringLiteral("icons/item.png"));
        QVERIFY(!modItemHandlerRead(viewer, 1));
        QTRY_COMPARE(TreeCount("All Items", "_tarnwick/unread").toInt(), unread - 1);
        press(Qt::Key_M);
        QTRY_COMPARE(pageCurrent(), QStringLiteral("item1-read"));
        QVERIFY(modItemHandlerRead(viewer, 1));
        QTRY_COMPARE(TreeCount("All Items", "_tarnwick/unread").toInt(), unread - 2);

        // t: tagged; the list comes again and the item stays the current one.
        const int tagged = TreeCount("All Items", "_tarnwick/flagged").toInt();
        QSignalSpy shown(viewer, &frmViewer::PageShown);
        press(Qt::Key_T);
        QTRY_COMPARE(TreeCount("All Items", "_tarnwick/flagged").toInt(), tagged + 1);
        QVERIFY(shown.wait(10000));
        QTRY_VERIFY(pageCurrent().startsWith("item1"));
        QVERIFY(viewer->Item(1).firstChildElement("flag").text() == "true");

        // o: the item's web page in the browser; an item without one opens nothing.
        press(Qt::Key_O);
        QTRY_VERIFY(m_Desktop.opened.contains("http://127.0.0.1:1/long.html"));

        // "/": the search box, where j, k, t and m are letters of the words sought.
        press(Qt::Key_Slash);
        QTRY_VERIFY(viewer->txtSearch()->hasFocus());
        viewer->txtSearch()->clear();
        QTest::keyClicks(viewer->txtSearch(), "tide tables");
        QCOMPARE(viewer->txtSearch()->text(), QStringLiteral("tide tables"));
        QTRY_COMPARE(VisibleItems(viewer), 1);
        QCOMPARE(viewer->CurrentItem(), 1);
        // Escape leaves the box (the window stays, the search too); j goes to the one item shown.
        press(Qt::Key_Escape);
        QTRY_VERIFY(!viewer->txtSearch()->hasFocus());
        QVERIFY(viewer->isVisible());
        // The current item is hidden by the search: m leaves it alone.
        press(Qt::Key_M);
        QVERIFY(!QTest::qWaitFor([&] { return !modItemHandlerRead(viewer, 1); }, 500));
        const int opened = m_Desktop.opened.size();
        press(Qt::Key_J);
        QTRY_COMPARE(viewer->CurrentItem(), 4);
        QTRY_COMPARE(pageCurrent(), QStringLiteral("item4-read"));
        press(Qt::Key_O); // no web page of its own
        QVERIFY(!QTest::qWaitFor([&] { return m_Desktop.opened.size() != opened; }, 500));
        viewer->txtSearch()->clear(); // the search box's clear button: the focus is in the box
        QTRY_COMPARE(VisibleItems(viewer), 5);
        press(Qt::Key_Escape);
        QTRY_VERIFY(!viewer->txtSearch()->hasFocus());

        // Switched off in Preferences: the keys are the page's again.
        {
            frmPreferences prefs({});
            QCheckBox *keys = prefs.Box("chkViewerKeys");
            QVERIFY(keys && keys->isChecked());
            keys->setChecked(false);
            prefs.cmdOk_Click();
        }
        m_Main->show();
        m_Main->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_Main.get()));
        viewer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        press(Qt::Key_J);
        press(Qt::Key_M);
        QVERIFY(!QTest::qWaitFor(
            [&] { return viewer->CurrentItem() != 4 || !modItemHandlerRead(viewer, 4); }, 800));
        Include::Settings().SaveSetting("PREFS", "VIEWERKEYS", "True");
        // Escape outside the search box closes the viewer, as before.
        press(Qt::Key_Escape);
        QTRY_VERIFY(!m_Viewers->IsViewerLoaded(Profile()->GetChannel(url)));
    }

    // Without a mouse: the page from the keyboard (Tab from control to control with its focus
    // ring, Enter on a title opens the item, on the tag icon tags it), the filter menu from the
    // menu key, the keyboard still in the page once a list is shown again; and the skin's
    // buttons and captions through the accessibility tree, pressed as a screen reader does.
    void keyboardAndScreenReaders()
    {
        frmViewer *viewer = Open(m_A);
        QVERIFY(viewer);
        viewer->SelectFilter(QString());
        QVERIFY(QTest::qWaitFor(
            [&] {
                return viewer->webView()->isVisible() && viewer->ItemCount() >= 10
                    && viewer->RunScript("document.querySelectorAll('div.item').length").toInt()
                    == viewer->ItemCount();
            },
            20000));
        viewer->raise();
        viewer->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(viewer));
        viewer->webView()->setFocus();
        QWidget *page = viewer->webView()->focusProxy();
        QVERIFY(page);
        auto pageHasKeyboard = [&] {
            QWidget *focus = QApplication::focusWidget();
            return focus && (focus == viewer->webView() || viewer->webView()->isAncestorOf(focus));
        };
        QTRY_VERIFY(pageHasKeyboard());
        // What has the page's focus: its label or text, and whether it shows a focus ring.
        auto focused = [&] {
            return viewer
                ->RunScript("(function(e){if(!e||e==document.body)return '';"
                            "var s=getComputedStyle(e);return (e.getAttribute('aria-label')||"
                            "e.textContent)+(s.outlineStyle!='none'?' ringed':'');})"
                            "(document.activeElement)")
                .toString();
        };
        QTest::keyClick(page, Qt::Key_Tab);
        QTRY_COMPARE(focused(), QStringLiteral("Expand all ringed"));
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(page, Qt::Key_Tab); // Collapse all, the read icon, the title
        QTRY_COMPARE(focused(), QStringLiteral("Alpha story 1 ringed"));
        QTest::keyClick(page, Qt::Key_Return);
        QTRY_VERIFY(viewer
                        ->RunScript("document.getElementById('item1').className=="
                                    "'item read'")
                        .toBool()); // open, and read
        QTest::keyClick(page, Qt::Key_Tab);
        QTRY_COMPARE(focused(), QStringLiteral("Tag ringed"));
        const int tagged = TreeCount("All Items", "_tarnwick/flagged").toInt();
        const bool wasTagged = modItemHandlerFlagged(viewer, 1);
        QSignalSpy shown(viewer, &frmViewer::PageShown);
        QTest::keyClick(page, Qt::Key_Return);
        QTRY_COMPARE(
            TreeCount("All Items", "_tarnwick/flagged").toInt(), tagged + (wasTagged ? -1 : 1));
        QVERIFY(shown.wait(10000)); // the page shows the new icon, the keyboard stays in it
        QTRY_VERIFY(pageHasKeyboard());
        QCOMPARE(modItemHandlerFlagged(viewer, 1), !wasTagged);

        // The menu key: the filter menu, worked with its letters; the new list keeps the
        // keyboard in the page.
        QTest::keyClick(page, Qt::Key_Menu);
        QTRY_VERIFY(viewer->mnuSortMenu()->isVisible());
        QVERIFY(viewer->geometry().contains(viewer->mnuSortMenu()->geometry().topLeft()));
        QTest::keyClick(viewer->mnuSortMenu(), Qt::Key_U); // Unread
        QTRY_COMPARE(viewer->Filter(), QStringLiteral("_tarnwick/unread"));
        QVERIFY(shown.wait(10000));
        QTRY_VERIFY(pageHasKeyboard());
        // Tab goes from the search box into the page, Shift+Tab from its first control back.
        viewer->txtSearch()->setFocus(Qt::TabFocusReason);
        QTest::keyClick(viewer->txtSearch(), Qt::Key_Tab);
        QTRY_VERIFY(pageHasKeyboard());
        QTRY_COMPARE(focused(), QStringLiteral("Expand all ringed"));
        QTest::keyClick(page, Qt::Key_Tab, Qt::ShiftModifier);
        QTRY_VERIFY(viewer->txtSearch()->hasFocus());

        // The skin's buttons, named, where the window shows them.
        QAccessibleInterface *frame = QAccessible::queryAccessibleInterface(viewer);
        QVERIFY(frame);
        auto child = [&](QAccessible::Role role, const QString &name) -> QAccessibleInterface * {
            for (int i = 0; i < frame->childCount(); ++i) {
                QAccessibleInterface *c = frame->child(i);
                if (c->role() == role && c->text(QAccessible::Name) == name)
                    return c;
            }
            return nullptr;
        };
        for (const char *name : {"Close", "Minimize", "Maximize", "Filter menu", "Reload channel",
                 "Mark all items read", "Show all items", "Show unread items"}) {
            QAccessibleInterface *button = child(QAccessible::Button, name);
            QVERIFY2(button && viewer->geometry().contains(button->rect()), name);
        }
        QVERIFY(child(QAccessible::StaticText, "Alpha")); // the caption, as the window shows it
        QVERIFY(
            child(QAccessible::StaticText, viewer->DecodeText("{filter}: {items} of {allitems}")));
        QVERIFY(child(QAccessible::EditableText, "Search items"));
        // Pressed with the pointer elsewhere, the filter menu opens below its button.
        QCursor::setPos(viewer->geometry().bottomRight() + QPoint(40, 40));
        QTRY_VERIFY(!viewer->geometry().contains(QCursor::pos()));
        QAccessibleInterface *menuButton = child(QAccessible::Button, "Filter menu");
        menuButton->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(viewer->mnuSortMenu()->isVisible());
        QVERIFY(qAbs(viewer->mnuSortMenu()->geometry().top() - menuButton->rect().bottom()) <= 2);
        viewer->mnuSortMenu()->hide();
        // Pressed: the filter and the marks follow, on the page.
        child(QAccessible::Button, "Show all items")
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(viewer->Filter(), QString());
        QVERIFY(shown.wait(10000));
        const QString footer = viewer->DecodeText("{filter}: {items} of {allitems}");
        QVERIFY2(footer.startsWith("All: ") && child(QAccessible::StaticText, footer),
            qPrintable(footer));
        QVERIFY(viewer->RunScript("document.querySelectorAll('div.item:not(.read)').length").toInt()
            > 0);
        child(QAccessible::Button, "Mark all items read")
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_COMPARE(
            viewer->RunScript("document.querySelectorAll('div.item:not(.read)').length").toInt(),
            0);
        child(QAccessible::Button, "Close")
            ->actionInterface()
            ->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY(!m_Viewers->IsViewerLoaded(Profile()->GetChannel(m_A)));
    }

    void cleanupTestCase()
    {
        m_Viewers->CloseViewers();
        m_Main->RunExitSequence();
        m_Main.reset();
    }

private:
    static bool modItemHandlerRead(frmViewer *viewer, int position)
    {
        return viewer->Item(position).firstChildElement("read").text() == "true";
    }
    static bool modItemHandlerFlagged(frmViewer *viewer, int position)
    {
        return viewer->Item(position).firstChildElement("flag").text() == "true";
    }
    static bool modItemHandlerDeleted(frmViewer *viewer, int position)
    {
        return viewer->Item(position).firstChildElement("delete").text() == "true";
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestViewer test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_viewer.moc"
