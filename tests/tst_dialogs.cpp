// The subscription dialogs for real: an address from the clipboard through the add window,
// three channels from an OPML file into a new group, another profile's channels in reverse
// order, the search browser finding a page's channels and a copied address, and a second
// profile made and deleted from the menus.
#include "ChannelTree.h"
#include "InProcessBank.h"
#include "Include.h"
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "SubscriptionWindows.h"
#include "TestSupport.h"
#include "WidgetSupport.h"
#include "WindowHelpers.h"
#include "WindowHub.h"
#include "clsProfile.h"
#include "clsSpotlight.h"
#include "colGroups.h"
#include "colProfiles.h"
#include "frmAddChannel.h"
#include "frmAddGroup.h"
#include "frmAddMenu.h"
#include "frmChooseChannels.h"
#include "frmDelProfile.h"
#include "frmMain.h"
#include "frmSearch.h"
#include "frmUser.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QWebEngineView>
#include <QtTest>

using namespace testsupport;

namespace {

QByteArray Feed(const QByteArray &title)
{
    return "<rss version=\"2.0\"><channel><title>" + title + "</title><item><title>" + title
        + " one</title><guid>" + title + "-1</guid></item></channel></rss>";
}

} // namespace

class TestDialogs : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Home, m_Config;
    LocalHttpServer m_Http;
    QStringList m_Messages;
    std::function<int(const QString &)> m_Answer;
    WindowHub m_Hub;
    std::unique_ptr<frmMain> m_Main;

    clsProfile *Profile() { return m_Main->CurrentProfile(); }
    RSSGroup *Group(const QString &name) { return Profile()->GetGroup(name); }
    QStringList Members(const QString &name)
    {
        QStringList out;
        if (RSSGroup *g = Group(name))
            for (int i = 0; i < g->ChannelCount(); ++i)
                out << g->ChannelURL(i);
        return out;
    }

private slots:
    void initTestCase()
    {
        qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
        useInProcessBank();
        qputenv("TARNWICK_VENDOR_BASE", m_Http.url("").toUtf8());
        clsSpotlight::SetDirectoryURL(QString());
        QVERIFY(Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)));
        Include::SetMessageHandler(
            [this](const QString &text, const QString &, const QStringList &) {
                m_Messages << text;
                return m_Answer ? m_Answer(text) : 0;
            });
        for (const char *path : {"/a.xml", "/b.xml", "/c.xml", "/d.xml", "/e.xml"})
            m_Http.route(path) = {200, Feed(QByteArray(path).mid(1, 1).toUpper()), {}};
        m_Http.route("/page.html") = {200,
            "<html><head><title>Local news</title>"
            "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"Local A\" "
            "href=\"/a.xml\">"
            "<link rel=alternate type=application/atom+xml title=AtomD href=/d.xml>"
            "<link rel=alternate type=application/feed+json title=JsonE href=/e.json>"
            "</head><body><p>Hello</p></body></html>",
            {{"Content-Type", "text/html"}}};
        // First start: no profile yet, so the profile dialog comes first.
        Include::Settings().SaveSetting("PREFS", "FIRSTRUN", "False");
        m_Main = std::make_unique<frmMain>(m_Hub);
        m_Hub.Attach(m_Main.get(), nullptr, nullptr);
        OnNextDialog<frmUser>([](frmUser *dialog) {
            dialog->txtUsername()->setText("anna");
            dialog->findChild<QPushButton *>("cmdCreate")->click();
        });
        m_Main->Form_Load();
        QVERIFY(QTest::qWaitFor([&] { return Profile() && Group("My Channels"); }, 10000));
    }

    void addWindowTakesTheClipboard()
    {
        const QString e = m_Http.url("/e.xml");
        QGuiApplication::clipboard()->setText(e);
        m_Main->Item("mnuActionAddChannels")->trigger();
        QVERIFY(frmAddMenu::IsLoaded());
        frmAddMenu &menu = frmAddMenu::Instance();
        QTRY_COMPARE(menu.txtURL()->text(), e);
        QCOMPARE(menu.cboGroup()->currentText(), QStringLiteral("My Channels"));
        for (const char *reserved : {"All Items", "Spotlight", "Tarnwick"})
            QCOMPARE(menu.cboGroup()->findText(reserved), -1);
        menu.findChild<QPushButton *>("cmdOk")->click();
        QTRY_VERIFY(!frmAddMenu::IsLoaded());
        QCOMPARE(Members("My Channels"), QStringList {e});
        QVERIFY(m_Main->treMain()->FindRow("My Channels", e) >= 0);
        // Text that is no address stays out of the box; an empty box is refused.
        QGuiApplication::clipboard()->setText("just words");
        m_Main->Item("mnuActionAddChannels")->trigger();
        QTRY_VERIFY(frmAddMenu::IsLoaded());
        QCOMPARE(frmAddMenu::Instance().txtURL()->text(), QString());
        QVERIFY(!frmAddMenu::Instance().cmdOk_Click());
        QCOMPARE(m_Messages.last(), QStringLiteral("Enter RSS Channel URL"));
        frmAddMenu::Instance().close();
    }

    void addWindowFindsAPagesChannels()
    {
        // The address of a web page: the channels it announces are offered in its place.
        const QByteArray html = "text/html; charset=utf-8";
        auto page = [](const QByteArray &links) {
            return "<!DOCTYPE html><html><head><title>P</title>" + links
                + "</head><body><p>Page</p></body></html>";
        };
        auto link = [](const QByteArray &title, const QByteArray &href) {
            return "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"" + title
                + "\" href=\"" + href + "\">";
        };
        for (const char *path : {"/f.xml", "/g.xml", "/h.xml"})
            m_Http.route(path) = {200, Feed(QByteArray(path).mid(1, 1).toUpper()), {}};
        m_Http.route("/none.html") = {200, page(""), {{"Content-Type", html}}};
        m_Http.route("/one.html") = {200, page(link("Only F", "f.xml")), {{"Content-Type", html}}};
        m_Http.route("/two.html") = {
            200, page(link("Gee", "/g.xml") + link("Aitch", "/h.xml")), {}};
        m_Http.route("/wrapped.html") = {200,
            "<html><body><rss version=\"2.0\"><channel><title>W</title></channel></rss></body>"
            "</html>",
            {{"Content-Type", html}}};
        auto enter = [&](const QString &address) {
            if (!frmAddMenu::IsLoaded())
                m_Main->Item("mnuActionAddChannels")->trigger();
            frmAddMenu &menu = frmAddMenu::Instance();
            menu.txtURL()->clear();
            QTest::keyClicks(menu.txtURL(), address);
            QTest::keyClick(menu.txtURL(), Qt::Key_Return);
        };
        const QStringList before = Members("My Channels");

        // None announced: the window says so and stays, nothing is subscribed.
        enter(m_Http.url("/none.html"));
        QLabel *status = frmAddMenu::Instance().findChild<QLabel *>("lblStatus");
        QTRY_VERIFY(status->text().startsWith("No channel found: " + m_Http.url("/none.html")));
        QVERIFY(status->isVisible());
        QVERIFY(frmAddMenu::Instance().isVisible());
        QCOMPARE(Members("My Channels"), before);

        // One: subscribed at once, by its own address.
        enter(m_Http.url("/one.html"));
        QTRY_VERIFY(!frmAddMenu::IsLoaded());
        QCOMPARE(Members("My Channels"), before + QStringList {m_Http.url("/f.xml")});
        QVERIFY(m_Main->treMain()->FindRow("My Channels", m_Http.url("/f.xml")) >= 0);

        // A channel inside a page that announces none: the address as typed.
        enter(m_Http.url("/wrapped.html"));
        QTRY_VERIFY(!frmAddMenu::IsLoaded());
        QCOMPARE(Members("My Channels").last(), m_Http.url("/wrapped.html"));

        // Several: chosen from the keyboard (the first is checked; Down, Space checks the
        // second, Up, Space clears the first, Return subscribes).
        enter(m_Http.url("/two.html"));
        QTRY_VERIFY(qobject_cast<frmChooseChannels *>(QApplication::activeModalWidget()));
        auto *chooser = qobject_cast<frmChooseChannels *>(QApplication::activeModalWidget());
        QListWidget *list = chooser->lstChannels();
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->item(0)->text(), "Gee  —  " + m_Http.url("/g.xml"));
        QCOMPARE(list->item(0)->checkState(), Qt::Checked);
        QTRY_VERIFY(list->hasFocus());
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Space);
        QTest::keyClick(list, Qt::Key_Up);
        QTest::keyClick(list, Qt::Key_Space);
        QCOMPARE(chooser->Chosen(), QStringList {m_Http.url("/h.xml")});
        chooser->grab().save(ScreenshotPath("addchannel-choose.png"));
        QTest::keyClick(list, Qt::Key_Return);
        QTRY_VERIFY(!frmAddMenu::IsLoaded());
        QCOMPARE(Members("My Channels").last(), m_Http.url("/h.xml"));
        QVERIFY(!Members("My Channels").contains(m_Http.url("/g.xml")));
        QVERIFY(m_Main->treMain()->FindRow("My Channels", m_Http.url("/h.xml")) >= 0);
    }

    void opmlIntoANewGroup()
    {
        const QString opml = m_Home.filePath("three.opml");
        QVERIFY(writeFile(opml,
            "<opml version=\"1.1\"><head><title>Three</title></head><body>"
            "<outline text=\"A\" title=\"Channel A\" type=\"rss\" xmlUrl=\""
                + m_Http.url("/a.xml").toUtf8()
                + "\"/>"
                  "<outline text=\"B\" title=\"Channel B\" type=\"rss\" xmlUrl=\""
                + m_Http.url("/b.xml").toUtf8()
                + "\"/>"
                  "<outline text=\"C\" title=\"Channel C\" type=\"rss\" xmlUrl=\""
                + m_Http.url("/c.xml").toUtf8()
                + "\"/>"
                  "<outline text=\"A again\" xmlUrl=\""
                + m_Http.url("/a.xml").toUtf8()
                + "\"/>"
                  "</body></opml>"));
        m_Main->Item("mnuActionAddChannels")->trigger();
        QTRY_VERIFY(frmAddMenu::IsLoaded());
        frmAddMenu::Instance().findChild<QPushButton *>("cmdOPML")->click();
        auto *add = m_Main->findChild<frmAddChannel *>();
        QVERIFY(add);
        QCOMPARE(add->tabAdd()->currentIndex(), 0);
        add->txtOPML()->setText(opml);
        add->cmdLoadOPML_Click();
        QCOMPARE(add->lstOPML()->topLevelItemCount(), 3); // the repeated address once
        // A new group from the OPML tab: the tab stays, the group is chosen.
        OnNextDialog<frmAddGroup>([](frmAddGroup *dialog) {
            dialog->cboGroup()->setEditText("Imported");
            dialog->findChild<QPushButton *>("cmdOk")->click();
        });
        add->findChild<QPushButton *>("cmdNewGroup2")->click(); // "New Group" of the OPML tab
        QCOMPARE(add->tabAdd()->currentIndex(), 0);
        QCOMPARE(add->cboOPML()->currentText(), QStringLiteral("Imported"));
        add->lstOPML()->selectAll();
        add->show();
        add->findChild<QPushButton *>("cmdAddClose")->click();
        QCOMPARE(Members("Imported").size(), 3);
        QVERIFY(Members("Imported").contains(m_Http.url("/c.xml")));
        QCOMPARE(Include::Settings().GetSetting("ADD", "OPML", ""), opml);
        QTRY_VERIFY(m_Main->treMain()->FindRow("Imported", m_Http.url("/b.xml")) >= 0);
    }

    void anotherProfilesChannels()
    {
        // bert's list, written as the program writes it: built-ins first, then his own.
        const QString folder = m_Home.filePath("profiles/bert");
        QVERIFY(profilefiles::WriteChannels(folder,
            {{"_tarnwick/today", "Today"}, {Include::VendorHelpURL(), "Help"},
                {m_Http.url("/c.xml"), "First"}, {m_Http.url("/d.xml"), "Second"},
                {m_Http.url("/e.xml"), "Third"}}));
        QVERIFY(Profile()); // the profile list must know bert too
        m_Main->Users()->AddUser("bert", false, false);
        m_Main->Subscriptions().ShowAddChannels(false, "Imported");
        auto *add = m_Main->findChild<frmAddChannel *>();
        QVERIFY(add);
        QCOMPARE(add->tabAdd()->currentIndex(), 1);
        add->cboUsers()->setCurrentText("bert");
        QStringList titles;
        for (int i = 0; i < add->lstUser()->topLevelItemCount(); ++i)
            titles << add->lstUser()->topLevelItem(i)->text(0);
        QCOMPARE(titles, (QStringList {"Third", "Second", "First"}));
        add->lstUser()->topLevelItem(1)->setSelected(true); // d.xml
        add->cmdAdd_Click();
        QVERIFY(Members("Imported").contains(m_Http.url("/d.xml")));
        add->close();
    }

    void searchBrowser()
    {
        Include::Settings().SaveSetting("SEARCH", "ENGINE", m_Http.url("/page.html"));
        m_Main->SkinHandler("search", 0, 0, true);
        frmSearch *search = frmSearch::Instance();
        QVERIFY(search);
        QSignalSpy scanned(search, &frmSearch::PageScanned);
        QVERIFY(scanned.wait(20000));
        QCOMPARE(search->lstAuto()->topLevelItemCount(), 3);
        QCOMPARE(search->lstAuto()->topLevelItem(0)->text(0), QStringLiteral("Local A"));
        QCOMPARE(search->lstAuto()->topLevelItem(1)->text(1), m_Http.url("/d.xml"));
        QCOMPARE(search->lstAuto()->topLevelItem(2)->text(0), QStringLiteral("JsonE"));
        QCOMPARE(search->lstAuto()->topLevelItem(2)->text(1), m_Http.url("/e.json"));
        // An address copied while the page has the focus (a click into it) is offered.
        QWidget *page = search->web()->focusProxy();
        QVERIFY(page);
        // Asked again while it is not active: on a loaded machine the first request can be
        // lost to a window that was still being activated.
        QVERIFY(QTest::qWaitFor(
            [search] {
                if (!search->isActiveWindow())
                    search->activateWindow();
                return search->isActiveWindow();
            },
            30000));
        QTest::mouseClick(page, Qt::LeftButton, {}, QPoint(300, 300));
        QTRY_VERIFY(page->hasFocus());
        const int scans = scanned.count();
        QGuiApplication::clipboard()->setText(m_Http.url("/b.xml"));
        // A loaded machine may be slow; should it fail, say whether the page was scanned again
        // (which clears the list) or lost the focus (which stops the watch).
        QVERIFY2(
            QTest::qWaitFor([&] { return search->lstAuto()->topLevelItemCount() == 4; }, 15000),
            qPrintable(QStringLiteral("rows %1, scans since the copy %2, page focused %3")
                           .arg(search->lstAuto()->topLevelItemCount())
                           .arg(scanned.count() - scans)
                           .arg(page->hasFocus())));
        QCOMPARE(search->lstAuto()->topLevelItem(3)->text(1), m_Http.url("/b.xml"));
        QCOMPARE(search->lstAuto()->topLevelItem(3)->text(0), QStringLiteral("Copied Shortcut"));
        search->lstAuto()->clearSelection();
        search->cmdAdd_Click();
        QCOMPARE(m_Messages.last(), QStringLiteral("No Link Selected"));
        search->SelectGroup("My Channels");
        search->lstAuto()->topLevelItem(0)->setSelected(true);
        search->cmdAdd_Click();
        QVERIFY(Members("My Channels").contains(m_Http.url("/a.xml")));
        search->close();
        QCOMPARE(Include::Settings().GetSetting("SEARCH", "ENGINE", ""), m_Http.url("/page.html"));
    }

    void makeAndDeleteAProfile()
    {
        // Names that cannot be profiles are refused with the dialog's messages.
        frmUser check(m_Main->Users(), {});
        for (const QString &name : {QString(), QStringLiteral("a/b"), QStringLiteral("anna")}) {
            check.txtUsername()->setText(name);
            QVERIFY(!check.cmdCreate_Click());
        }
        QCOMPARE(m_Messages.mid(m_Messages.size() - 3),
            (QStringList {"Please enter a username",
                "Username cannot contain any of the following symbols: \\/:*?'|<>\"",
                "Username already exists"}));
        // A group name with "|" is refused too (by the profile's groups, which the window asks).
        frmAddGroup group(m_Main.get(),
            [this](const QString &n) { return m_Main->Subscriptions().AddGroup(n); }, {});
        group.cboGroup()->setEditText("a|b");
        QVERIFY(!group.cmdOk_Click());
        QCOMPARE(m_Messages.last(), QStringLiteral("Group name contains invalid characters: |"));

        OnNextDialog<frmUser>([](frmUser *dialog) {
            dialog->txtUsername()->setText("cara");
            dialog->findChild<QPushButton *>("cmdCreate")->click();
        });
        m_Main->Item("mnuNewProfile")->trigger();
        QCOMPARE(Profile()->Name(), QStringLiteral("cara"));
        QTRY_VERIFY(Group("My Channels"));
        m_Main->ChangeUser("anna");
        QCOMPARE(Profile()->Name(), QStringLiteral("anna"));
        auto stamp = [] {
            return Include::Settings().GetSetting("Spotlight", "cara_lastmod", "-");
        };
        QCOMPARE(stamp(), QString()); // kept when cara was left
        m_Answer = [](const QString &text) {
            return text.startsWith("This action cannot be undone.") ? 0 : 1;
        };
        OnNextDialog<frmDelProfile>([](frmDelProfile *dialog) {
            QStringList names;
            for (int i = 0; i < dialog->cboProfiles()->count(); ++i)
                names << dialog->cboProfiles()->itemText(i);
            if (names.contains("anna"))
                return dialog->reject(); // the active profile may never be offered
            dialog->cboProfiles()->setCurrentText("cara");
            dialog->cmdOk_Click();
        });
        m_Main->Item("mnuDeleteProfile")->trigger();
        m_Answer = nullptr;
        QVERIFY(!m_Main->Users()->UserExists("cara"));
        QVERIFY(!QFileInfo::exists(m_Home.filePath("profiles/cara")));
        QCOMPARE(stamp(), QStringLiteral("-")); // and gone with cara
        QVERIFY(m_Main->Users()->UserExists("anna"));
    }

    void cleanupTestCase()
    {
        if (m_Main)
            m_Main->RunExitSequence();
        m_Main.reset();
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestDialogs test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_dialogs.moc"
