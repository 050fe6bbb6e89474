// The main window end to end, against a local HTTP server: the first start asks for a profile,
// subscribed channels show up in the tree with titles and counts, profiles switch from the
// File menu, the commands that change the model keep the tree in step, and Exit from the tray
// menu leaves every document on disk.
#include "CRegSettings.h"
#include "ChannelTree.h"
#include "InProcessBank.h"
#include "Include.h"
#include "LocalHttpServer.h"
#include "MainTray.h"
#include "NewItemsNotifier.h"
#include "RSSChannel.h"
#include "SubscriptionWindows.h"
#include "TestSupport.h"
#include "WidgetSupport.h"
#include "WindowHelpers.h"
#include "WindowHub.h"
#include "clsProfile.h"
#include "clsSpotlight.h"
#include "colGroups.h"
#include "colProfiles.h"
#include "frmAddMenu.h"
#include "frmChannelManage.h"
#include "frmMain.h"
#include "frmUser.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolTip>
#include <QTreeWidget>
#include <QtTest>

using namespace testsupport;

namespace {

QByteArray Feed(const QByteArray &title, int items)
{
    QByteArray out = "<rss version=\"2.0\"><channel><title>" + title
        + "</title>"
          "<description>All about "
        + title + ", every day</description>";
    for (int i = 0; i < items; ++i)
        out += "<item><title>" + title + " story " + QByteArray::number(i)
            + "</title><description>d</description><guid>" + title + "-" + QByteArray::number(i)
            + "</guid></item>";
    return out + "</channel></rss>";
}

} // namespace

class TestMainWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Home, m_Config;
    LocalHttpServer m_Http;
    QStringList m_Messages;
    std::function<int(const QString &)> m_Answer;

    int RowOf(frmMain &w, const QString &group, const QString &url)
    {
        return w.treMain()->FindRow(group, url);
    }

private slots:
    void initTestCase()
    {
        qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
        useInProcessBank();
        RSSChannel::SetFirstReloadDelay(100); // channels load at once, not 5 s after start
        // The maker's site is this server: nothing leaves the machine.
        qputenv("TARNWICK_VENDOR_BASE", m_Http.url("").toUtf8());
        m_Http.route("/update/check.html") = {200, "<html><body>999</body></html>", {}};
        m_Http.route("/a.xml") = {200, Feed("Alpha", 3), {{"Last-Modified", "stamp-a"}}};
        m_Http.route("/b.xml") = {200, Feed("Beta", 5), {}};
        m_Http.route("/empty.xml") = {200, Feed("Empty", 0), {}};
        m_Http.route("/void.xml") = {200, Feed("Void", 0), {}};
        m_Http.route("/page.html") = {200,
            "<!DOCTYPE html>\n<html><head><meta charset=utf-8><title>Shop</title></head>"
            "<body><p>Welcome<br></body></html>",
            {{"Content-Type", "text/html"}}};
        m_Http.route("/quiet.xml") = {200, Feed("Quiet", 0), {}};
        m_Http.route("/news/rss.xml") = {200, Feed("Tarnwick News", 1), {}};
        clsSpotlight::SetDirectoryURL(QString());
        // No desktop notification service here: notices go to the tray's balloon.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/tarnwick-test-bus");
        QVERIFY(Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)));
        Include::SetMessageHandler(
            [this](const QString &text, const QString &title, const QStringList &) {
                m_Messages << title + ": " + text;
                return m_Answer ? m_Answer(text) : 0;
            });
    }

    void windowStateAndSkinFunctions()
    {
        // A maximised window keeps its last normal place in the settings.
        QWidget plain;
        plain.setWindowTitle("Plain");
        plain.setGeometry(100, 120, 300, 200);
        plain.show();
        QVERIFY(QTest::qWaitForWindowExposed(&plain));
        Include::SaveFormState(&plain);
        CRegSettings &settings = Include::Settings();
        const QString left = settings.GetSetting("Plain", "Left", "");
        QCOMPARE(settings.GetSetting("Plain", "Width", ""),
            QString::number(300 * Include::TwipsPerPixelX()));
        plain.showMaximized();
        QTRY_VERIFY(plain.isMaximized());
        Include::SaveFormState(&plain);
        QCOMPARE(settings.GetSetting("Plain", "WindowState", ""), QStringLiteral("2"));
        QCOMPARE(settings.GetSetting("Plain", "Left", ""), left);
        QWidget again;
        again.setWindowTitle("Plain");
        Include::LoadFormState(&again);
        QVERIFY(again.windowState() & Qt::WindowMaximized);
        // A rectangle on a screen that is gone comes back onto this one.
        settings.SaveSetting("Far", "Saved", "True");
        settings.SaveSetting("Far", "Left", "9000000");
        settings.SaveSetting("Far", "Width", "3000");
        QWidget far;
        Include::LoadFormState(&far, "Far");
        QVERIFY(QGuiApplication::primaryScreen()->availableGeometry().intersects(far.geometry()));

        WindowHub hub;
        frmMain w(hub);
        hub.Attach(&w, nullptr, nullptr);
        // The check page's number against this version's digits run together (0.1.0: 10).
        w.CheckUpdateText("<html><body>10</body></html>");
        QVERIFY(!w.UpdateBannerShown());
        w.CheckUpdateText("not a number");
        QVERIFY(!w.UpdateBannerShown());
        w.CheckUpdateText("<html><body>11</body></html>");
        QVERIFY(w.UpdateBannerShown());

        // "max" on a window without its frame brings the frame back first.
        w.show();
        w.cmdWinFrame_Click();
        QVERIFY(w.FrameHidden());
        QCOMPARE(settings.GetSetting("PREFS", "HIDEFRAME", ""), QStringLiteral("True"));
        w.SkinHandler("max", 0, 0, true);
        QVERIFY(!w.FrameHidden());
        QTRY_VERIFY(w.isMaximized());
        w.SkinHandler("max", 0, 0, true);
        QTRY_VERIFY(!w.isMaximized());
        QVERIFY(w.DecodeIf("frame") && !w.DecodeIf("false") && w.DecodeIf("anything"));
        // Without a profile nothing is known: the values are blank, never the raw tokens.
        QCOMPARE(w.DecodeText("{user}: {channels} of {chls}, {items}"), QStringLiteral(":  of , "));
        w.SkinHandler("nosuchfunction", 0, 0, true);
        w.RunExitSequence();
        settings.SaveSetting("PREFS", "HIDEFRAME", "False");
    }

    void firstStartToExit()
    {
        // The viewers stand in as a list of what was opened.
        struct Viewers : WindowHub
        {
            QStringList opened;
            void OpenViewer(RSSChannel *channel, bool) override { opened << channel->URL(); }
        } hub;
        QStringList &opened = hub.opened;
        frmMain w(hub);
        hub.Attach(&w, nullptr, nullptr);
        QSignalSpy exited(&w, &frmMain::ExitSequenceDone);
        // Behind the first-profile dialog the title bar carries no name yet: the strip where the
        // skin writes "{user}" is the bar's plain gradient (each row one colour), not the token.
        const QRect title(30, 5, 150, 16);
        auto titleIsPlain = [&] {
            const QImage shot = w.grab().toImage();
            for (int y = title.top(); y <= title.bottom(); ++y)
                for (int x = title.left(); x <= title.right(); ++x)
                    if (shot.pixel(x, y) != shot.pixel(title.left(), y))
                        return false;
            return true;
        };
        w.resize(320, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(titleIsPlain());
        // No profile yet: the window asks for one, refusing a bad name first.
        OnNextDialog<frmUser>([](frmUser *dialog) {
            dialog->txtUsername()->setText("a|b");
            dialog->findChild<QPushButton *>("cmdCreate")->click();
            dialog->txtUsername()->setText("anna");
            dialog->findChild<QPushButton *>("cmdCreate")->click();
        });
        w.Form_Load();
        QCOMPARE(w.windowTitle(), QStringLiteral("Tarnwick"));
        QVERIFY(QTest::qWaitFor(
            [&] { return w.CurrentProfile() && w.CurrentProfile()->Name() == "anna"; }, 10000));
        QCOMPARE(m_Messages.value(0),
            QStringLiteral(
                "Tarnwick: Username cannot contain any of the following symbols: \\/:*?'|<>\""));
        clsProfile *anna = w.CurrentProfile();
        QVERIFY(QTest::qWaitFor([&] { return RowOf(w, "My Channels", "0") >= 0; }, 5000));
        QCOMPARE(
            w.DecodeText("{channels} channels of {user}"), QStringLiteral("2 channels of anna"));
        QTRY_VERIFY(!titleIsPlain()); // the name is drawn there now
        // The seven filters stand in "All Items"; the maker's two channels at the top, unheaded.
        clsChannelTree *tree = w.treMain();
        QVERIFY(RowOf(w, "All Items", "_tarnwick/unread") >= 0);
        QVERIFY(tree->item(RowOf(w, "Tarnwick", "0"))->isHidden());
        QVERIFY(!tree->item(RowOf(w, "Tarnwick", Include::VendorHelpURL()))->isHidden());

        // The update page says 999: the banner shows.
        QVERIFY(QTest::qWaitFor([&] { return w.UpdateBannerShown(); }, 5000));

        // Two channels, subscribed through the model.
        const QString a = m_Http.url("/a.xml"), b = m_Http.url("/b.xml");
        QSignalSpy notices(w.Notifier(), &NewItemsNotifier::NoticeSent);
        w.AddChannel(a, "My Channels");
        w.AddChannel(b, "My Channels");
        QVERIFY(QTest::qWaitFor(
            [&] {
                const int ra = RowOf(w, "My Channels", a), rb = RowOf(w, "My Channels", b);
                return ra >= 0 && rb >= 0 && tree->RowNode(ra) == "Alpha"
                    && tree->RowCount(ra) == "3" && tree->RowNode(rb) == "Beta"
                    && tree->RowCount(rb) == "5";
            },
            30000));
        QCOMPARE(tree->RowBody(RowOf(w, "My Channels", a)),
            QStringLiteral("All about Alpha, every day"));
        QCOMPARE(tree->RowNode(RowOf(w, "My Channels", "0")), QStringLiteral("My Channels  (2)"));
        QCOMPARE(tree->RowIcon(RowOf(w, "My Channels", a)), anna->GetChannel(a)->GetImage());
        QCOMPARE(w.DecodeText("{chls}"), QStringLiteral("4"));
        // Alpha's and Beta's items, with whatever the help and news channels have brought so far.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return anna->ItemCount() >= 8
                    && w.DecodeText("{items}") == QString::number(anna->ItemCount());
            },
            5000));
        // One notice for the round that brought both channels, with their first headlines; no
        // service answers here, so it is the tray's balloon.
        auto naming = [&](const char *title) {
            QList<QList<QVariant>> found;
            for (const QList<QVariant> &n : std::as_const(notices))
                if (n.value(0).toString().contains(QLatin1String(title)))
                    found << n;
            return found;
        };
        QTRY_COMPARE_WITH_TIMEOUT(naming("Alpha").size(), 1, 10000);
        QCOMPARE(naming("Beta"), naming("Alpha"));
        QVERIFY(naming("Alpha").first().value(0).toString().contains("Alpha, Beta"));
        QVERIFY(naming("Alpha").first().value(1).toString().contains("Alpha: Alpha story"));
        QVERIFY(naming("Alpha").first().value(1).toString().contains("Beta: Beta story"));
        QCOMPARE(naming("Alpha").first().value(2).toBool(), true);

        // The tray icon wears the profile's unread count, and its tooltip says it.
        auto *tray = qobject_cast<MainTray *>(w.trayMain());
        QVERIFY(tray);
        RSSChannel *unread = anna->GetChannel("_tarnwick/unread");
        QTRY_VERIFY(unread->ItemCount() >= 8 && tray->UnreadCount() == unread->ItemCount());
        QCOMPARE(tray->toolTip(), QString("Tarnwick - unread items: %1").arg(unread->ItemCount()));
        auto redPixels = [&] {
            const QImage icon = tray->icon().pixmap(32).toImage();
            int red = 0;
            for (int y = 0; y < icon.height(); ++y)
                for (int x = 0; x < icon.width(); ++x) {
                    const QColor c = icon.pixelColor(x, y);
                    red += c.alpha() > 200 && c.red() > 180 && c.green() < 60 && c.blue() < 60;
                }
            return red;
        };
        QVERIFY(redPixels() > 20);
        // Counts changing fifty times in a row paint the icon once; beyond 999 it says "999+".
        const int paints = tray->BadgePaints();
        for (int n = 1000; n <= 1049; ++n) {
            unread->SetState(n, n);
            QCoreApplication::processEvents();
        }
        QTRY_COMPARE(tray->UnreadCount(), 1049);
        QCOMPARE(tray->BadgePaints(), paints + 1);
        QCOMPARE(MainTray::BadgeText(1049), QStringLiteral("999+"));
        QCOMPARE(MainTray::BadgeText(999), QStringLiteral("999"));
        QCOMPARE(tray->toolTip(), QStringLiteral("Tarnwick - unread items: 1049"));
        // Switched off in the preferences: the plain icon and name.
        Include::Settings().SaveSetting("PREFS", "TRAYCOUNT", "False");
        w.UpdateTrayCount();
        QCOMPARE(tray->toolTip(), QStringLiteral("Tarnwick"));
        QCOMPARE(redPixels(), 0);
        Include::Settings().SaveSetting("PREFS", "TRAYCOUNT", "True");
        anna->UpdateChannel("_tarnwick/unread"); // the bank's own count again
        QTRY_COMPARE(tray->UnreadCount(), unread->ItemCount());
        QVERIFY(unread->ItemCount() < 1000);

        // A state change touches the channel's own rows only, and only for the active profile.
        w.StateChange("anna", anna->GetChannel(a));
        QCOMPARE(w.LastStateChangeRows(), 1);
        w.StateChange("somebody", anna->GetChannel(b));
        QCOMPARE(w.LastStateChangeRows(), 1);

        w.setGeometry(600, 60, 320, 560);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QImage shot = w.grab().toImage();
        // On the X server the window is cut to the skin's outline: the rounded corner
        // shows what lies behind (the root window, black under Xvfb).
        const QPoint corner = w.geometry().topLeft();
        auto screen = [] {
            return QGuiApplication::primaryScreen()->grabWindow(0).toImage();
        };
        // The X server may take a moment to show what the window painted (and the window
        // may paint again meanwhile, as counts arrive): the screen follows its latest look.
        QTRY_VERIFY_WITH_TIMEOUT(screen().pixelColor(corner + QPoint(100, 100))
                == w.grab().toImage().pixelColor(100, 100),
            10000);
        const QImage seen = screen();
        QVERIFY(seen.pixelColor(corner) != shot.pixelColor(0, 0));

        // Right-clicking rows: the menu follows the row's kind.
        w.PrepareActionsMenu(RowOf(w, "My Channels", a));
        QVERIFY(w.Item("mnuChannelRemove")->isVisible());
        w.mnuActions()->popup(w.mapToGlobal(QPoint(40, 120)));
        QTRY_VERIFY(w.mnuActions()->isVisible());
        w.mnuActions()->hide();
        QVERIFY(!w.Item("mnuGroupRename")->isVisible());
        w.PrepareActionsMenu(RowOf(w, "Spotlight", "0"));
        QVERIFY(w.Item("mnuGroupView")->isVisible());
        QVERIFY(!w.Item("mnuGroupDelete")->isVisible());
        QVERIFY(!w.Item("mnuChannelView")->isVisible());

        // Folding "My Channels" by a click on its header hides its two rows.
        const int header = RowOf(w, "My Channels", "0");
        const QRect at = tree->visualItemRect(tree->item(header));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at.center());
        QVERIFY(tree->item(RowOf(w, "My Channels", a))->isHidden());
        QVERIFY(!anna->GetGroup("My Channels")->Expanded());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, at.center());
        QVERIFY(!tree->item(RowOf(w, "My Channels", b))->isHidden());

        // The same without a mouse, the keyboard staying in the tree: Left folds the group at
        // its header, Right opens it; Down, Return opens a channel; Left goes up to its header.
        w.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&w));
        tree->setFocus();
        tree->setCurrentRow(header);
        QTest::keyClick(tree, Qt::Key_Left);
        QVERIFY(tree->item(RowOf(w, "My Channels", a))->isHidden());
        QVERIFY(!anna->GetGroup("My Channels")->Expanded());
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Right);
        QVERIFY(!tree->item(RowOf(w, "My Channels", a))->isHidden());
        QTRY_VERIFY(tree->hasFocus());
        QTest::keyClick(tree, Qt::Key_Down);
        QCOMPARE(tree->currentRow(), RowOf(w, "My Channels", a));
        QTest::keyClick(tree, Qt::Key_Return);
        QCOMPARE(opened.count(a), 1);
        QTest::keyClick(tree, Qt::Key_Left);
        QCOMPARE(tree->currentRow(), header);
        // A screen reader hears a row's title and what its icon and count say.
        QAccessibleInterface *rows = QAccessible::queryAccessibleInterface(tree);
        QVERIFY(rows);
        QCOMPARE(rows->text(QAccessible::Name), QStringLiteral("Channels"));
        QStringList heard;
        for (int i = 0; i < rows->childCount(); ++i)
            heard << rows->child(i)->text(QAccessible::Name) + " / "
                    + rows->child(i)->text(QAccessible::Description);
        QVERIFY2(
            heard.filter(QRegularExpression("^Alpha / 3 items, (new|unread) items$")).size() == 1,
            qPrintable(heard.join('|')));
        QVERIFY2(heard.contains("My Channels  (2) / group, open"), qPrintable(heard.join('|')));
        // The skin's buttons are there for it too; "Reload all channels" asks for the feeds.
        QAccessibleInterface *frame = QAccessible::queryAccessibleInterface(&w);
        QAccessibleInterface *reload = nullptr;
        for (int i = 0; i < frame->childCount(); ++i)
            if (frame->child(i)->role() == QAccessible::Button
                && frame->child(i)->text(QAccessible::Name) == "Reload all channels")
                reload = frame->child(i);
        QVERIFY(reload && w.geometry().contains(reload->rect()));
        const int asked = m_Http.count("GET", "/b.xml");
        reload->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
        QTRY_VERIFY_WITH_TIMEOUT(m_Http.count("GET", "/b.xml") > asked, 10000);

        // A group with channels cannot go; an empty one can, after the user made it.
        w.PrepareActionsMenu(header);
        w.Item("mnuGroupDelete")->trigger();
        QCOMPARE(m_Messages.last(),
            QStringLiteral(
                "Cannot Delete Group: Group not empty. Remove Channels before removing Group."));
        QVERIFY(w.Subscriptions().AddGroup("Later"));
        QVERIFY(!w.Subscriptions().AddGroup("later")); // the same name in other letters
        QVERIFY(RowOf(w, "Later", "0") >= 0);
        QVERIFY(w.Subscriptions().RenameGroup("Later", "Soon"));
        QVERIFY(RowOf(w, "Soon", "0") >= 0 && RowOf(w, "Later", "0") < 0);
        w.PrepareActionsMenu(RowOf(w, "Soon", "0"));
        w.Item("mnuGroupDelete")->trigger();
        QCOMPARE(RowOf(w, "Soon", "0"), -1);

        // The channel manager lists only the user's own channels.
        w.Item("mnuActionDelete")->trigger();
        auto *manager = w.findChild<frmChannelManage *>();
        QVERIFY(manager);
        QCOMPARE(manager->lstChannels()->topLevelItemCount(), 2);
        manager->close();
        // Deleting one there (one without items, so no item count changes with it): the status
        // line at the window's foot counts one channel less at once, on screen.
        const QString empty = m_Http.url("/empty.xml");
        w.AddChannel(empty, "My Channels");
        QTRY_VERIFY(RowOf(w, "My Channels", empty) >= 0
            && tree->RowNode(RowOf(w, "My Channels", empty)) == "Empty");
        auto foot = [&] {
            return w.grab().toImage().copy(0, w.height() - 40, w.width(), 30);
        };
        QTRY_COMPARE(w.DecodeText("{channels}"), QStringLiteral("5"));
        w.PaintMe(); // what the status line shows with five
        const QImage before = foot();
        w.Item("mnuActionDelete")->trigger();
        manager = w.findChild<frmChannelManage *>();
        QVERIFY(QTest::qWaitForWindowExposed(manager));
        QTreeWidget *list = manager->lstChannels();
        const QList<QTreeWidgetItem *> found = list->findItems("Empty", Qt::MatchStartsWith);
        QCOMPARE(found.size(), 1);
        QTest::mouseClick(
            list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.first()).center());
        QTest::mouseClick(manager->findChild<QPushButton *>("cmdDelete"), Qt::LeftButton);
        QCOMPARE(w.DecodeText("{channels}"), QStringLiteral("4"));
        QTRY_VERIFY(foot() != before);
        manager->close();

        // A dropped address opens the add window with it; other text is refused.
        Include::DropURL("ftp://example/feed");
        QCOMPARE(m_Messages.last(), QStringLiteral("Tarnwick: Drop text not recognized as a URL"));
        Include::DropURL(m_Http.url("/c.xml"));
        QVERIFY(frmAddMenu::IsLoaded());
        QCOMPARE(frmAddMenu::Instance().txtURL()->text(), m_Http.url("/c.xml"));
        QCOMPARE(frmAddMenu::Instance().cboGroup()->findText("Spotlight"), -1);
        frmAddMenu::Instance().close();

        // A second profile from the menu, then back to the first through the File menu.
        OnNextDialog<frmUser>([](frmUser *dialog) {
            dialog->txtUsername()->setText("bert");
            dialog->findChild<QPushButton *>("cmdCreate")->click();
        });
        w.Item("mnuNewProfile")->trigger();
        QCOMPARE(w.CurrentProfile()->Name(), QStringLiteral("bert"));
        QVERIFY(QTest::qWaitFor([&] { return RowOf(w, "My Channels", "0") >= 0; }, 5000));
        // Read in (there was nothing to read) before the switch, so it is saved with it.
        QTRY_VERIFY(w.CurrentProfile()->Groups()->IsLoaded());
        QCOMPARE(RowOf(w, "My Channels", a), -1);
        QCOMPARE(w.DecodeText("{channels}"), QStringLiteral("2"));
        emit w.mnuFile()->aboutToShow();
        QList<QAction *> entries;
        for (QAction *action : w.mnuFileProfile()->actions())
            if (action->objectName().startsWith("mnuFileProfiles") && action->isVisible())
                entries << action;
        QCOMPARE(entries.size(), 2);
        QCOMPARE(entries.at(0)->text(), QStringLiteral("anna"));
        QVERIFY(!entries.at(0)->isChecked() && entries.at(1)->isChecked());
        entries.at(0)->trigger();
        QCOMPARE(w.CurrentProfile()->Name(), QStringLiteral("anna"));
        QVERIFY(QTest::qWaitFor([&] { return RowOf(w, "My Channels", a) >= 0; }, 5000));
        // Titles from the stored channel list, counts asked of the bank as soon as it is loaded.
        QVERIFY(QTest::qWaitFor(
            [&] {
                const int row = RowOf(w, "My Channels", a);
                return tree->RowNode(row) == "Alpha" && tree->RowCount(row) == "3";
            },
            3000));

        // Removing a channel from its group only keeps the subscription. The group's last
        // channel takes its place, on screen as in the saved file.
        const QString v = m_Http.url("/void.xml");
        w.AddChannel(empty, "My Channels");
        w.AddChannel(v, "My Channels");
        QTRY_VERIFY(RowOf(w, "My Channels", v) > RowOf(w, "My Channels", empty));
        auto rowsOf = [&](const QString &group) {
            QStringList urls;
            for (int row = 0; row < tree->count(); ++row)
                if (tree->RowGroup(row) == group && tree->RowURL(row) != "0")
                    urls << tree->RowURL(row);
            return urls;
        };
        m_Answer = [](const QString &) {
            return 0;
        };
        w.PrepareActionsMenu(RowOf(w, "My Channels", b));
        w.Item("mnuChannelRemove")->trigger();
        m_Answer = nullptr;
        QCOMPARE(m_Messages.last().left(16), QStringLiteral("Confirm Action: "));
        QCOMPARE(RowOf(w, "My Channels", b), -1);
        QCOMPARE(tree->RowNode(RowOf(w, "My Channels", "0")), QStringLiteral("My Channels  (3)"));
        QCOMPARE(rowsOf("My Channels"), (QStringList {a, v, empty}));
        QVERIFY(w.CurrentProfile()->SaveGroupXML());
        const QByteArray saved = readFile(w.CurrentProfile()->Folder() + "/groups.xml");
        QVERIFY(saved.indexOf(a.toUtf8()) < saved.indexOf(v.toUtf8())
            && saved.indexOf(v.toUtf8()) < saved.indexOf(empty.toUtf8()));
        QVERIFY(w.CurrentProfile()->GetChannel(b));
        w.AddChannel(b, "My Channels");
        QVERIFY(RowOf(w, "My Channels", b) >= 0);

        // The very first start shows the help channel once it has been read.
        QVERIFY(QTest::qWaitFor([&] { return opened.contains(Include::VendorHelpURL()); }, 15000));
        QCOMPARE(opened.count(Include::VendorHelpURL()), 1);

        // A web page where a feed should be is an error like a missing page, each with its own
        // reason on the row; a feed without items is just that. The row shows the skin's error
        // icon and its tooltip says why.
        const QString page = m_Http.url("/page.html"), gone = m_Http.url("/gone.xml"),
                      quiet = m_Http.url("/quiet.xml");
        for (const QString &url : {page, gone, quiet})
            w.AddChannel(url, "My Channels");
        const auto iconOf = [&](const QString &url) {
            return tree->RowIcon(RowOf(w, "My Channels", url));
        };
        QVERIFY(QTest::qWaitFor(
            [&] {
                return iconOf(page) == "err" && iconOf(gone) == "err" && iconOf(quiet) == "read"
                    && tree->RowNode(RowOf(w, "My Channels", quiet)) == "Quiet";
            },
            30000));
        const auto tipOf = [&](const QString &url) {
            QToolTip::hideText();
            (void)QTest::qWaitFor([] { return !QToolTip::isVisible(); }, 3000);
            QListWidgetItem *item = tree->item(RowOf(w, "My Channels", url));
            tree->scrollToItem(item);
            const QPoint at = tree->visualItemRect(item).center();
            QHelpEvent help(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
            QApplication::sendEvent(tree->viewport(), &help);
            return QToolTip::isVisible() ? QToolTip::text() : QString();
        };
        QCOMPARE(
            tipOf(page), "The last fetch of " + page + " failed: a web page (HTML), not a feed");
        QCOMPARE(tipOf(gone), "The last fetch of " + gone + " failed: HTTP 404 X");
        QCOMPARE(tipOf(quiet), QString());
        // On screen: the error icon's colour stands on the page's row, not on the quiet one.
        const QColor errColour = [&] {
            const QImage icon(m_Home.filePath("skins/Basalt/icon_error.png"));
            return icon.pixelColor(icon.width() / 2, icon.height() / 2);
        }();
        const auto rowHasColour = [&](const QString &url, QColor colour) {
            const QImage shot = tree->viewport()->grab().toImage();
            const QRect row = tree->visualItemRect(tree->item(RowOf(w, "My Channels", url)));
            const qreal dpr = shot.devicePixelRatio();
            for (int y = int(row.top() * dpr); y < int(row.bottom() * dpr) && y < shot.height();
                 ++y)
                for (int x = 0; x < int(row.width() * dpr) && x < shot.width(); ++x) {
                    const QColor c = shot.pixelColor(x, y);
                    if (qAbs(c.red() - colour.red()) + qAbs(c.green() - colour.green())
                            + qAbs(c.blue() - colour.blue())
                        < 30)
                        return true;
                }
            return false;
        };
        tree->scrollToItem(tree->item(RowOf(w, "My Channels", page)));
        QVERIFY(rowHasColour(page, errColour));
        tree->scrollToItem(tree->item(RowOf(w, "My Channels", quiet)));
        QVERIFY(!rowHasColour(quiet, errColour));

        // Exit from the tray menu: everything is written before the program ends.
        QSignalSpy quitting(qApp, &QCoreApplication::aboutToQuit);
        const qint32 stored = w.CurrentProfile()->ItemCount();
        w.Item("mnuTrayExit")->trigger();
        QTRY_COMPARE(exited.size(), 1);
        QVERIFY(w.CurrentProfile() == nullptr);
        const QString folder = m_Home.filePath("profiles/anna/");
        const QByteArray profiles = readFile(m_Home.filePath("profiles/profiles.xml"));
        QVERIFY(profiles.contains("<username>anna</username>")
            && profiles.contains("<username>bert</username>"));
        const QByteArray channels = readFile(folder + "channels.xml");
        QVERIFY(channels.contains(a.toUtf8()) && channels.contains(b.toUtf8()));
        QVERIFY(channels.contains("<title>Alpha</title>"));
        const QByteArray groups = readFile(folder + "groups.xml");
        QVERIFY(groups.contains("My Channels") && groups.contains(a.toUtf8()));
        const QByteArray items = readFile(folder + "items.xml");
        QCOMPARE(items.count("<item "), stored);
        QCOMPARE(items.count("channel=\"" + a.toUtf8() + "\""), 3);
        QVERIFY(QFileInfo::exists(m_Home.filePath("profiles/bert/groups.xml")));
        QVERIFY(Include::Settings().GetSetting("Tarnwick", "Saved", "False") == "True");
        QTRY_VERIFY_WITH_TIMEOUT(w.isHidden(), 3000);
    }

    void restartFillsTreeInOneCall()
    {
        // The bank's calls counted; the server may be of an older build that refuses the call
        // for many channels' counts.
        struct CountingLink : InProcessBankLink
        {
            QStringList calls;
            bool older = false;
            std::optional<IpcMessage> Request(const IpcMessage &call) override
            {
                calls << call.name;
                if (older && call.name == QLatin1String("UpdateChannels")) {
                    IpcMessage refused;
                    refused.ok = false;
                    refused.error = QStringLiteral("no such bank or operation: UpdateChannels");
                    return refused;
                }
                return InProcessBankLink::Request(call);
            }
        };
        RSSChannel::SetFirstReloadDelay(60000); // the channels' own reloads stay out of the way
        const QString a = m_Http.url("/a.xml"), b = m_Http.url("/b.xml"),
                      quiet = m_Http.url("/quiet.xml");
        for (const bool older : {false, true}) {
            auto link = std::make_shared<CountingLink>();
            link->older = older;
            ItemBankProxy::UseLink([link] { return std::static_pointer_cast<BankLink>(link); });
            WindowHub hub;
            frmMain w(hub);
            hub.Attach(&w, nullptr, nullptr);
            w.resize(320, 560);
            w.show();
            w.Form_Load(); // the profile the first start left behind
            clsChannelTree *tree = w.treMain();
            const auto countOf = [&](const QString &url) {
                const int row = RowOf(w, "My Channels", url);
                return row < 0 ? QString() : tree->RowCount(row);
            };
            // Beta has an item more from the first round's reload.
            QTRY_VERIFY_WITH_TIMEOUT(countOf(a) == "3" && countOf(b) == (older ? "6" : "5"), 10000);
            w.treMain()->scrollToItem(tree->item(RowOf(w, "My Channels", b)));
            w.grab().save(ScreenshotPath(
                QStringLiteral("mainwindow-restart-counts%1.png").arg(older ? "-older" : "")));
            clsProfile *anna = w.CurrentProfile();
            QCOMPARE(anna->GetChannel(quiet)->Unread(), 0); // no items: counted 0 all the same
            QCOMPARE(link->calls.count("UpdateChannels"), 1);
            // One call for all, or one a channel from an older server.
            QCOMPARE(link->calls.count("UpdateChannel"), older ? anna->ChannelCount() : 0);
            if (!older) {
                // Reloading all: the counts after the round come in one call once every
                // reload is back.
                m_Http.route("/b.xml") = {200, Feed("Beta", 6), {}};
                link->calls.clear();
                w.Item("mnuActionReloadAll")->trigger();
                QTRY_VERIFY_WITH_TIMEOUT(countOf(b) == "6", 15000);
                for (int i = 1; i <= anna->ChannelCount(); ++i)
                    QVERIFY(!anna->Channels()->GetChannel(i)->IsReloading());
                QCOMPARE(link->calls.count("UpdateChannels"), 1);
                QCOMPARE(link->calls.count("UpdateChannel"), 0);
                QVERIFY(link->calls.count("LoadChannel") > 5);
            }
            w.RunExitSequence();
        }
        useInProcessBank();
        RSSChannel::SetFirstReloadDelay(100);
    }
};

// Real windows on the X server when there is one (the test run provides it).
int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestMainWindow test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mainwindow.moc"
