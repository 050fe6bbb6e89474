// The road a user takes, on the real program: tarnwick started on an X server of its own with a
// fresh home folder, driven by the mouse and the keyboard (xdotool), looked at through the X
// server's pixels, restarted with its real files, ended by a signal, by the tray menu and by an
// item server killed for real. Screenshots of each step go to build/tests/screenshots.
#include "Include.h"
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "SkinPainter.h"
#include "TestSupport.h"
#include "UserRoad.h"
#include "XmlDocument.h"
#include "frmTarnSkin.h"
#include "modHash.h"
#include "modItemHandler.h"

#include <QBuffer>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDateTime>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QPainter>
#include <QToolTip>
#include <QtTest>

using namespace userroad;
using namespace modItemHandler;

namespace {

QByteArray RfcDate(int hoursAgo)
{
    return QLocale::c()
        .toString(QDateTime::currentDateTimeUtc().addSecs(-3600 * hoursAgo),
            "ddd, dd MMM yyyy hh:mm:ss 'GMT'")
        .toLatin1();
}

QByteArray Item(
    const QByteArray &title, const QByteArray &link, const QByteArray &guid, int hoursAgo)
{
    return "<item><title>" + title + "</title><link>"
        + QString::fromUtf8(link).toHtmlEscaped().toUtf8() + "</link><description>" + title
        + " told at length</description><guid>" + guid + "</guid><pubDate>" + RfcDate(hoursAgo)
        + "</pubDate></item>";
}

// An item whose description is the given markup (escaped into the feed).
QByteArray MarkupItem(
    const QByteArray &title, const QByteArray &markup, const QByteArray &guid, int hoursAgo)
{
    return "<item><title>" + title + "</title><description>"
        + QString::fromUtf8(markup).toHtmlEscaped().toUtf8() + "</description><guid>" + guid
        + "</guid><pubDate>" + RfcDate(hoursAgo) + "</pubDate></item>";
}

// A picture of one colour, as PNG bytes.
QByteArray SolidPng(QColor colour)
{
    QImage picture(48, 48, QImage::Format_RGB32);
    picture.fill(colour);
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    picture.save(&buffer, "PNG");
    return png;
}

// The item whose guid is given, as stored in items.xml.
QByteArray StoredItem(const QByteArray &store, const QByteArray &guid)
{
    const int at = store.indexOf("<guid>" + guid + "</guid>");
    if (at < 0)
        return {};
    const int start = store.lastIndexOf("<item ", at);
    const int end = store.indexOf("</item>", at);
    return store.mid(start, end - start);
}

// A desktop notification service of the test's own: it writes down every notice it is given.
class NoticeService : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")

public:
    struct Notice
    {
        QString app, summary, body;
        QStringList actions;
    };
    QList<Notice> notices;

public slots:
    QStringList GetCapabilities() { return {"actions", "body"}; }
    uint Notify(const QString &app, uint, const QString &, const QString &summary,
        const QString &body, const QStringList &actions, const QVariantMap &, int)
    {
        notices << Notice {app, summary, body, actions};
        return uint(notices.size());
    }
    void CloseNotification(uint) { }
};

} // namespace

class TestUserRoad : public QObject
{
    Q_OBJECT

    Screen m_Screen;
    LocalHttpServer m_Http;
    QTemporaryDir m_SkinHome, m_SkinConfig;

    // The centre of a skin button on a window of that kind, as the shipped skin places it.
    QPoint Button(int kind, const QString &function, const Window &w) const
    {
        for (const frmSkinEntity &e : frmTarnSkin::Instance().Entities()) {
            if (e.Window != kind || e.Function != function || e.img.isNull())
                continue;
            const EntityPlace at =
                SkinPainter::PlaceEntity(e, e.img.deviceIndependentSize(), QSizeF(w.rect.size()));
            return w.rect.topLeft() + QPoint(int(at.x + at.width / 2), int(at.y + at.height / 2));
        }
        return {};
    }

    // The main window: the window named "Tarnwick" that is not a dialog, the "Loading profile"
    // box, a menu or the tray icon.
    std::optional<Window> MainWindow(int ms = 20000) const
    {
        return m_Screen.WaitWindow("^Tarnwick$", ms, [](const Window &w) {
            return !w.popup && !w.Is("_NET_WM_WINDOW_TYPE_DIALOG")
                && !w.Is("_NET_WM_WINDOW_TYPE_UTILITY");
        });
    }
    std::optional<Window> TrayIcon(int ms = 20000) const
    {
        return m_Screen.WaitWindow(
            "^Tarnwick$", ms, [](const Window &w) { return w.popup && w.rect.width() <= 32; });
    }
    QList<Window> MessageBoxes() const
    {
        QList<Window> boxes;
        for (const Window &w : m_Screen.Windows("^Tarnwick$"))
            if (w.Is("_NET_WM_WINDOW_TYPE_DIALOG"))
                boxes << w;
        return boxes;
    }

    // Whether the window shows the text as a tooltip or a balloon writes it (plain or bold):
    // the text drawn here in the tooltip's font and colour on the window's own background (its
    // most frequent colour), found pixel for pixel on the screen.
    bool TextOnScreen(const Window &w, const QString &text)
    {
        auto pictures = [&](const QImage &shot) {
            QHash<QRgb, int> counts;
            const QImage area = shot.copy(w.rect).convertToFormat(QImage::Format_RGB32);
            for (int y = 0; y < area.height(); ++y)
                for (int x = 0; x < area.width(); ++x)
                    ++counts[area.pixel(x, y)];
            QRgb back = 0;
            for (auto it = counts.cbegin(); it != counts.cend(); ++it)
                if (it.value() > counts.value(back))
                    back = it.key();
            QList<QImage> out;
            for (const bool bold : {false, true}) {
                QFont font = QToolTip::font();
                font.setBold(bold);
                const QFontMetrics metrics(font);
                QImage picture(
                    metrics.horizontalAdvance(text), metrics.height(), QImage::Format_ARGB32);
                picture.fill(QColor(back));
                QPainter p(&picture);
                p.setFont(font);
                p.setPen(QToolTip::palette().color(QPalette::ToolTipText));
                p.drawText(0, metrics.ascent(), text);
                p.end();
                // Text in the background's own colour (the window has gone) shows nothing.
                bool shows = false;
                for (int y = 0; y < picture.height() && !shows; ++y)
                    for (int x = 0; x < picture.width() && !shows; ++x)
                        shows = picture.pixel(x, y) != picture.pixel(0, 0);
                if (shows)
                    out << picture;
            }
            return out;
        };
        return QTest::qWaitFor(
            [&] {
                const QImage shot = m_Screen.Shot();
                for (const QImage &picture : pictures(shot))
                    if (!FindPicture(shot, picture, w.rect, 60).isEmpty())
                        return true;
                return false;
            },
            5000);
    }

    // Waits until the window shows the picture count times; the screen is saved when it never
    // does, to be looked at.
    bool WaitPictures(const Window &w, const QImage &picture, int count, QImage *shot = nullptr)
    {
        QImage last;
        const bool shown = QTest::qWaitFor(
            [&] {
                last = m_Screen.Shot();
                return FindPicture(last, picture, w.rect).size() == count;
            },
            20000);
        if (!shown)
            last.save(testsupport::ScreenshotPath(
                QStringLiteral("userroad-missing-%1-pictures.png").arg(w.name.left(8))));
        if (shot)
            *shot = last;
        return shown;
    }

    // Where the channel that shows new items stands in the tree (the title beside its icon).
    std::optional<QPoint> NewItemsRow(const Window &main)
    {
        const QColor newItems =
            MiddleColour(QImage(m_SkinHome.filePath("skins/Basalt/icon_newitems.png")));
        std::optional<QPoint> row;
        if (!QTest::qWaitFor(
                [&] { return bool(row = FindColour(m_Screen.Shot(), newItems, main.rect)); },
                20000))
            m_Screen.Save("missing-new-items");
        return row ? std::optional<QPoint>(*row + QPoint(30, 0)) : std::nullopt;
    }

    // The notification area's balloons on screen (tooltip-like windows of the program's own).
    QList<Window> Balloons() const
    {
        QList<Window> out;
        for (const Window &w : m_Screen.Windows(QStringLiteral(".*")))
            if (w.Is("_NET_WM_WINDOW_TYPE_TOOLTIP") || w.Is("_NET_WM_WINDOW_TYPE_NOTIFICATION"))
                out << w;
        return out;
    }

    // Exit from the notification area's menu, as a person ends the program.
    bool ExitFromTray(Program &program)
    {
        const auto icon = TrayIcon();
        if (!icon)
            return false;
        m_Screen.Click(icon->rect.center(), 3);
        if (!m_Screen.WaitWindow(
                "^Tarnwick$", 5000, [](const Window &w) { return w.popup && w.rect.width() > 32; }))
            return false;
        m_Screen.Save("tray-menu");
        m_Screen.Run("xdotool", {"key", "x"}); // E&xit
        return program.WaitEnd();
    }

    // Where a skin's button stands on screen, on a window at that place.
    static QRect ButtonRect(const frmSkinEntity &e, const QRect &window)
    {
        const EntityPlace at =
            SkinPainter::PlaceEntity(e, e.img.deviceIndependentSize(), QSizeF(window.size()));
        return QRect(
            window.topLeft() + QPoint(int(at.x), int(at.y)), QSize(int(at.width), int(at.height)));
    }

    // A button's look under the cursor, pressed (with press) and back once the cursor rests
    // elsewhere; the press is released on the button (releaseOn) or off it, where it does
    // nothing. Empty when every look came, else the step that failed.
    QString ButtonEffects(const QRect &button, const QPoint &rest, bool press, bool releaseOn)
    {
        auto crop = [&] {
            return m_Screen.Shot().copy(button);
        };
        m_Screen.Move(rest);
        QImage normal, hover;
        if (!QTest::qWaitFor([&] { return (normal = crop()) == crop(); }, 5000))
            return QStringLiteral(" never settled");
        m_Screen.Move(button.center());
        if (!QTest::qWaitFor([&] { return (hover = crop()) != normal; }, 5000))
            return QStringLiteral(" hover");
        if (press) {
            m_Screen.Run("xdotool", {"mousedown", "1"});
            if (!QTest::qWaitFor(
                    [&] {
                        const QImage pressed = crop();
                        return pressed != hover && pressed != normal;
                    },
                    5000))
                return QStringLiteral(" pressed");
            if (releaseOn)
                m_Screen.Run("xdotool", {"mouseup", "1"});
        }
        m_Screen.Move(rest);
        if (press && !releaseOn)
            m_Screen.Run("xdotool", {"mouseup", "1"});
        if (!QTest::qWaitFor([&] { return crop() == normal; }, 5000))
            return QStringLiteral(" back");
        return QString();
    }

    // The window's own pixels on the screen, the pointer kept out of the way (no hover look).
    QImage WindowPixels(const Window &w)
    {
        m_Screen.Move(QPoint(1275, 1019));
        return SettledShot(w.rect);
    }

    // What the area shows once two looks in a row agree (the program has drawn what it will).
    QImage SettledShot(const QRect &area, const QImage &unlike = QImage())
    {
        QImage shot;
        [[maybe_unused]] const bool settled = QTest::qWaitFor(
            [&] {
                shot = m_Screen.Shot().copy(area);
                return shot != unlike && shot == m_Screen.Shot().copy(area);
            },
            5000);
        return shot;
    }

    // Waits until the window looks exactly like the picture; saves both when it never does.
    bool LooksLike(const Window &w, const QImage &picture, const QString &name)
    {
        QImage now;
        if (QTest::qWaitFor([&] { return (now = WindowPixels(w)) == picture; }, 5000))
            return true;
        now.save(testsupport::ScreenshotPath("userroad-" + name + "-now.png"));
        picture.save(testsupport::ScreenshotPath("userroad-" + name + "-expected.png"));
        return false;
    }

    // The channel's Properties window, from the Actions menu of its row (found by its icon).
    std::optional<Window> OpenProperties(const Window &main)
    {
        const auto row = NewItemsRow(main);
        if (!row)
            return std::nullopt;
        m_Screen.Click(*row, 3);
        if (!m_Screen.WaitWindow(
                "^Tarnwick$", 5000, [](const Window &w) { return w.popup && w.rect.width() > 32; }))
            return std::nullopt;
        m_Screen.Run("xdotool", {"key", "p"}); // &Properties...
        return m_Screen.WaitWindow("^Properties$");
    }

    // Creates the first profile in the dialog a fresh start shows.
    bool CreateFirstProfile(const QString &name)
    {
        const auto dialog = m_Screen.WaitWindow("^Create New Profile$");
        if (!dialog)
            return false;
        m_Screen.Type(*dialog, name);
        m_Screen.Keys(*dialog, {"Return"});
        return m_Screen.WaitGone("^Create New Profile$");
    }

private slots:
    void initTestCase()
    {
        QString why;
        if (!m_Screen.Start(&why))
            QSKIP(qPrintable(why));
        // The skin the program starts with, read here too to know where its buttons are.
        qputenv("TARNWICK_HOME", m_SkinHome.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_SkinConfig.path().toUtf8());
        QVERIFY(Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)));
        frmTarnSkin::Instance().LoadSkin();
        QCOMPARE(frmTarnSkin::Instance().SkinName(), QStringLiteral("Basalt"));
    }

    void cleanupTestCase() { m_Screen.Stop(); }

    // A new user's first session and the next two starts.
    void firstSessionAndRestarts()
    {
        m_Http.route("/alpha.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Alpha</title>"
            "<link>"
                + m_Http.url("/").toUtf8() + "</link><description>Alpha news</description>"
                + Item("Web story", m_Http.url("/story.html").toUtf8(), "a1", 1)
                + Item("Script story", "javascript:cmd('D',2)", "a2", 2)
                + Item("File story", "file:///etc/passwd", "a3", 3) + "</channel></rss>",
            {}};
        Program program(m_Screen, m_Http.url(""));
        QVERIFY(program.Start());

        // The first profile.
        QVERIFY(m_Screen.WaitWindow("^Create New Profile$"));
        m_Screen.Save("01-first-profile");
        QVERIFY(CreateFirstProfile("anna"));
        auto main = MainWindow();
        QVERIFY(main);
        // The first start shows the help channel once it has been read.
        const auto help = m_Screen.WaitWindow("^Help - Tarnwick$");
        QVERIFY(help);
        m_Screen.Save("02-help");
        // The featured-channel directory is out of reach here (the maker's site answers 404):
        // once it has been asked for, no balloon comes up about it.
        QTRY_VERIFY_WITH_TIMEOUT(m_Http.count("GET", "/featured/featured.xml") > 0, 20000);
        QVERIFY(!QTest::qWaitFor([&] { return !Balloons().isEmpty(); }, 1500));
        m_Screen.Click(Button(1, "close", *help));
        QVERIFY(m_Screen.WaitGone("^Help - Tarnwick$"));

        // A channel added through the add window.
        m_Screen.Click(Button(0, "addchannel", *main));
        const auto add = m_Screen.WaitWindow("^Add RSS Channel$");
        QVERIFY(add);
        m_Screen.Type(*add, m_Http.url("/alpha.xml"));
        m_Screen.Save("03-add-channel");
        m_Screen.Keys(*add, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Add RSS Channel$"));
        // Fetched and stored (the store is written once the fetch queue has run empty).
        QVERIFY(QTest::qWaitFor(
            [&] {
                return testsupport::readFile(program.Home("profiles/anna/items.xml"))
                    .contains("<guid>a3</guid>");
            },
            20000));

        // Its viewer: a double click on the channel, the one row that shows new items.
        const auto row = NewItemsRow(*main);
        QVERIFY(row);
        m_Screen.DoubleClick(*row);
        const auto viewer = m_Screen.WaitWindow("^Alpha - Tarnwick$");
        QVERIFY(viewer);
        const QImage readIcon(program.Home("icons/item.png"));
        QVERIFY(!readIcon.isNull());
        QImage shot;
        QVERIFY2(
            WaitPictures(*viewer, readIcon, 3, &shot), "the viewer never showed the three items");
        m_Screen.Save("04-viewer");

        // Only the item with a web address offers to open it; the script and the file stay out.
        const QList<QPoint> links =
            FindPicture(shot, QImage(program.Home("icons/link.png")), viewer->rect);
        QCOMPARE(links.size(), 1);
        m_Screen.Click(links[0] + QPoint(8, 8));
        QTRY_COMPARE_WITH_TIMEOUT(program.Opened(), QStringList {m_Http.url("/story.html")}, 10000);

        // Tag the first item, mark the third read, by their icons.
        const QList<QPoint> tags =
            FindPicture(shot, QImage(program.Home("icons/tagfade.png")), viewer->rect);
        QCOMPARE(tags.size(), 3);
        m_Screen.Click(tags[0] + QPoint(8, 8));
        const QList<QPoint> reads = FindPicture(shot, readIcon, viewer->rect);
        m_Screen.Click(reads[2] + QPoint(8, 8));
        QTest::qWait(500);
        m_Screen.Save("05-viewer-marked");

        // The ticker, opened and closed by its buttons.
        m_Screen.Click(Button(0, "openticker", *main));
        const auto ticker = m_Screen.WaitWindow("^Tarnwick Ticker$");
        QVERIFY(ticker);
        QVERIFY(
            WaitPictures(*ticker, QImage(m_SkinHome.filePath("skins/Basalt/btn_close.png")), 1));
        m_Screen.Save("06-ticker");
        m_Screen.Click(Button(3, "close", *ticker));
        QVERIFY(m_Screen.WaitGone("^Tarnwick Ticker$"));
        QTest::qWait(500);
        QVERIFY2(program.Running(), qPrintable(program.Ending()));

        // A preference: the main window no longer opens at start.
        m_Screen.Click(Button(0, "prefs", *main));
        const auto prefs = m_Screen.WaitWindow("^Preferences$");
        QVERIFY(prefs);
        m_Screen.Keys(*prefs, {"Tab", "space"});
        m_Screen.Save("07-preferences");
        m_Screen.Keys(*prefs, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Preferences$"));
        QTRY_VERIFY(testsupport::readFile(program.Config("Veltrasic/Tarnwick.conf"))
                        .contains("OPENMAIN=False"));

        // Exit from the tray menu: everything is written.
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        const QByteArray store = testsupport::readFile(program.Home("profiles/anna/items.xml"));
        QVERIFY(StoredItem(store, "a1").contains("<flag>true</flag>"));
        QVERIFY(StoredItem(store, "a3").contains("<read>true</read>"));
        QVERIFY(StoredItem(store, "a2").contains("<delete>false</delete>")); // no script ran
        QVERIFY(testsupport::readFile(program.Home("profiles/anna/channels.xml"))
                    .contains(m_Http.url("/alpha.xml").toUtf8()));
        // What the user reads and marks is theirs alone.
        const auto othersMay = QFileDevice::Permissions(0x0077);
        for (const char *path :
            {"profiles", "profiles/anna", "profiles/anna/channels.xml", "profiles/anna/items.xml"})
            QVERIFY2(!(QFileInfo(program.Home(path)).permissions() & othersMay), path);

        // Two starts with the main window hidden, ended by a signal and by the tray menu: the
        // profile list stays, and no start asks for a first profile again.
        for (int start = 0; start < 2; ++start) {
            QVERIFY(program.Start());
            QVERIFY(TrayIcon());
            QTest::qWait(1500);
            QVERIFY(m_Screen.Windows("^Create New Profile$").isEmpty());
            QVERIFY(!MainWindow(0));
            m_Screen.Save(QStringLiteral("08-hidden-start-%1").arg(start));
            if (start == 0)
                QVERIFY2(program.Stop(), qPrintable(program.Ending()));
            else
                QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
            QVERIFY(testsupport::readFile(program.Home("profiles/profiles.xml"))
                        .contains("<username>anna</username>"));
        }
    }

    // Ending the program a few seconds after the first profile was made, while the help channel
    // is read and its viewer opens (the end arriving while the viewer asks for its list): an
    // orderly end every time.
    void quitSoonAfterTheFirstProfile()
    {
        for (const int ms : {-1, 0, 20, 60, 150, 400}) {
            Program program(m_Screen, m_Http.url(""));
            QVERIFY(program.Start());
            QVERIFY(CreateFirstProfile("bert"));
            if (ms < 0)
                QTest::qWait(2000); // while the first reloads are under way
            else
                QVERIFY(m_Screen.WaitCreated("^Help - Tarnwick$"));
            if (ms > 0)
                QTest::qWait(ms);
            QVERIFY2(program.Stop(),
                qPrintable(QStringLiteral("%1 ms after: %2").arg(ms).arg(program.Ending())));
            QVERIFY(testsupport::readFile(program.Home("profiles/profiles.xml"))
                        .contains("<username>bert</username>"));
        }
    }

    // The item server killed for real: a new one takes over and the user goes on.
    void itemServerKilled()
    {
        m_Http.route("/beta.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Beta</title>"
                + Item("First", m_Http.url("/1").toUtf8(), "b1", 1)
                + Item("Second", m_Http.url("/2").toUtf8(), "b2", 2) + "</channel></rss>",
            {{"Last-Modified", "stamp-b"}}};
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/cara");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"cara"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{m_Http.url("/beta.xml"), "Beta"}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {m_Http.url("/beta.xml")}}}));
        QVERIFY(program.Start());
        const auto main = MainWindow();
        QVERIFY(main);
        QVERIFY(QTest::qWaitFor([&] { return m_Http.count("GET", "/beta.xml") > 0; }, 20000));
        const qint64 first = program.ServerPid();
        QVERIFY(first > 0);
        QVERIFY(::kill(pid_t(first), SIGKILL) == 0);
        QVERIFY(QTest::qWaitFor(
            [&] { return program.ServerPid() > 0 && program.ServerPid() != first; }, 15000));

        // Reload all (F5) reaches the feed again, through the new server.
        // The lost server may not have written what it fetched: the next reload reads the
        // document in full, whatever stamp the channel holds.
        const int before = m_Http.count("GET", "/beta.xml");
        m_Screen.Keys(*main, {"F5"});
        QVERIFY(QTest::qWaitFor([&] { return m_Http.count("GET", "/beta.xml") > before; }, 15000));
        QVERIFY(QTest::qWaitFor(
            [&] {
                return testsupport::readFile(folder + "/items.xml").contains("<guid>b2</guid>");
            },
            20000));
        // The viewer shows the channel's items; opened from the keyboard: the last row of the
        // tree, Enter.
        m_Screen.Keys(*main, {"End", "Return"});
        const auto viewer = m_Screen.WaitWindow("^Beta - Tarnwick$");
        QVERIFY(viewer);
        const QImage readIcon(program.Home("icons/item.png"));
        QVERIFY(WaitPictures(*viewer, readIcon, 2));
        m_Screen.Save("09-after-server-killed");
        QVERIFY(MessageBoxes().isEmpty());
        QVERIFY2(program.Stop(), qPrintable(program.Ending()));
        const QByteArray store = testsupport::readFile(folder + "/items.xml");
        QCOMPARE(store.count("<guid>b1</guid>") + store.count("<guid>b2</guid>"), 2);
    }

    // Damaged documents: kept aside, told once, the channel fetched again in full.
    void damagedFilesAreKeptAside()
    {
        m_Http.route("/gamma.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Gamma</title>"
                + Item("Only", m_Http.url("/g").toUtf8(), "g1", 1) + "</channel></rss>",
            {{"Last-Modified", "stamp-g"}}};
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/dora");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"dora"}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {m_Http.url("/gamma.xml")}}}));
        // channels.xml cut off after the first entry; items.xml not XML at all.
        const QByteArray channels = "<tarnwickchannels><channel><url>"
            + m_Http.url("/gamma.xml").toUtf8()
            + "</url><title>Gamma</title><lastmod>stamp-g</lastmod><update> "
              "60</update></channel><chan";
        QVERIFY(profilefiles::Write(folder + "/channels.xml", channels));
        QVERIFY(profilefiles::Write(folder + "/items.xml", "\x1f\x8b garbage"));
        QVERIFY(program.Start());

        // Each is told once, in a message box the user closes.
        QStringList seen;
        for (int box = 0; box < 2; ++box) {
            QVERIFY2(
                QTest::qWaitFor([&] { return !MessageBoxes().isEmpty(); }, 20000), "no message");
            m_Screen.Save(QStringLiteral("10-damaged-%1").arg(box));
            const Window message = MessageBoxes().first();
            m_Screen.Keys(message, {"Return"});
            QVERIFY(QTest::qWaitFor(
                [&] {
                    for (const Window &w : MessageBoxes())
                        if (w.id == message.id)
                            return false;
                    return true;
                },
                5000));
        }
        // The channel was salvaged, and fetched in full though its stamp had not changed.
        QVERIFY(QTest::qWaitFor(
            [&] {
                return testsupport::readFile(folder + "/items.xml").contains("<guid>g1</guid>");
            },
            20000));
        QCOMPARE(m_Http.count("GET", "/gamma.xml"), 1);
        QVERIFY(MessageBoxes().isEmpty()); // each was told once
        QVERIFY2(program.Stop(), qPrintable(program.Ending()));
        const QStringList keptChannels = QDir(folder).entryList({"channels.xml.damaged-*"});
        const QStringList keptItems = QDir(folder).entryList({"items.xml.damaged-*"});
        QCOMPARE(keptChannels.size(), 1);
        QCOMPARE(keptItems.size(), 1);
        QCOMPARE(testsupport::readFile(folder + "/" + keptChannels[0]), channels);
        QVERIFY(testsupport::readFile(folder + "/channels.xml")
                    .contains(m_Http.url("/gamma.xml").toUtf8()));
        QCOMPARE(testsupport::readFile(folder + "/items.xml").count("<guid>g1</guid>"), 1);
        QVERIFY(testsupport::readFile(folder + "/" + keptItems[0]).startsWith("\x1f\x8b garbage"));
    }

    // "Keep forever" and "never reload" hold across restarts: old items stay.
    void keepForeverAcrossRestarts()
    {
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/emil");
        const QString url = m_Http.url("/kept.xml");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"emil"}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"Archive", {url}}}));
        QVERIFY(profilefiles::Write(folder + "/channels.xml",
            "<tarnwickchannels><channel><url>" + url.toUtf8()
                + "</url><title>Archive</title><expire> 0</expire><update> "
                  "0</update></channel></tarnwickchannels>"));
        const QByteArray old =
            QLocale::c().toString(QDate::currentDate().addDays(-100), "dd MMM yyyy").toLatin1();
        QVERIFY(profilefiles::Write(folder + "/items.xml",
            "<itembank version=\"1\"><item channel=\"" + url.toUtf8() + "\" date=\"" + old
                + "\" time=\"10:00:00\"><title>From long ago</title><read>true</read>"
                  "<flag>false</flag><delete>false</delete><channeltitle>Archive</channeltitle>"
                  "<hash>00112233445566778899AABBCCDDEEFF</hash></item></itembank>"));
        for (int start = 0; start < 3; ++start) {
            QVERIFY(program.Start());
            QVERIFY(MainWindow());
            QTest::qWait(1500);
            QVERIFY2(program.Stop(), qPrintable(program.Ending()));
            const QByteArray file = testsupport::readFile(folder + "/channels.xml");
            QVERIFY2(file.contains("<expire> 0</expire>") && file.contains("<update> 0</update>"),
                file.constData());
            QVERIFY2(testsupport::readFile(folder + "/items.xml").contains("From long ago"),
                qPrintable(QStringLiteral("gone after start %1").arg(start + 1)));
        }
        QCOMPARE(m_Http.count("HEAD", "/kept.xml") + m_Http.count("GET", "/kept.xml"),
            0); // never reloaded
    }

    // An item viewer as a reader uses it: a long title that leaves the caption's buttons alone,
    // pictures from the web in the items (and none from local files, no script), icons that
    // change when clicked, a list that follows a reload, and a second open that only brings
    // the viewer forward.
    void viewerShowsPicturesAndFollows()
    {
        const QColor webColour(0, 255, 255), fileColour(255, 255, 0);
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/fay");
        const QString local = program.Home("local.png");
        QVERIFY(profilefiles::Write(local, SolidPng(fileColour)));
        m_Http.route("/web.png") = {200, SolidPng(webColour), {{"Content-Type", "image/png"}}};
        const QByteArray title =
            "Pictures from a long road through the valley of channels whose titles never end";
        const QByteArray head = "<rss version=\"2.0\"><channel><title>" + title + "</title>";
        const QByteArray items =
            MarkupItem("Web picture",
                "<p>From the web:</p><img src=\"" + m_Http.url("/web.png").toUtf8()
                    + "\" width=\"48\" height=\"48\">",
                "p1", 1)
            + MarkupItem("Local picture",
                "<img src=\"file://" + local.toUtf8()
                    + "\" width=\"48\" height=\"48\"><script>document.title='D:1;'</script>",
                "p2", 2)
            + MarkupItem("Plain story", "<p>Nothing to see.</p>", "p3", 3);
        const QString url = m_Http.url("/pictures.xml");
        m_Http.route("/pictures.xml") = {200, head + items + "</channel></rss>", {}};
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"fay"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{url, QString::fromUtf8(title)}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {url}}}));
        QVERIFY(program.Start());
        const auto main = MainWindow();
        QVERIFY(main);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return testsupport::readFile(folder + "/items.xml").contains("<guid>p3</guid>");
            },
            20000));

        // The channel is the tree's last row: Enter opens its viewer on the unread items.
        m_Screen.Keys(*main, {"End", "Return"});
        const auto viewer = m_Screen.WaitWindow("^Pictures from a long road.* - Tarnwick$");
        QVERIFY(viewer);
        const QImage readIcon(program.Home("icons/item.png"));
        QImage shot;
        QVERIFY(WaitPictures(*viewer, readIcon, 3, &shot));
        m_Screen.Save("11-viewer-long-title");
        // The title ends before the buttons: each is on screen as the skin draws it.
        const QRect caption(viewer->rect.topLeft(), QSize(viewer->rect.width(), 32));
        for (const char *button : {"btn_min.png", "btn_max.png", "btn_close.png"})
            QVERIFY2(
                FindPicture(shot, QImage(m_SkinHome.filePath("skins/Basalt/") + button), caption)
                        .size()
                    == 1,
                button);

        // Tag the last item by its icon: the page shows the tagged icon.
        const QImage tagged(program.Home("icons/itemex.png"));
        QList<QPoint> tags =
            FindPicture(shot, QImage(program.Home("icons/tagfade.png")), viewer->rect);
        QCOMPARE(tags.size(), 3);
        m_Screen.Click(tags[2] + QPoint(8, 8));
        QVERIFY(WaitPictures(*viewer, tagged, 1, &shot));
        m_Screen.Save("12-viewer-tagged");
        // Delete it: it leaves the page.
        const QList<QPoint> deletes =
            FindPicture(shot, QImage(program.Home("icons/del.png")), viewer->rect);
        QCOMPARE(deletes.size(), 3);
        m_Screen.Click(deletes[2] + QPoint(8, 8));
        QVERIFY(WaitPictures(*viewer, readIcon, 2, &shot));
        QVERIFY(FindPicture(shot, tagged, viewer->rect).isEmpty());

        // The feed brings a new item; the viewer's reload button shows it once it is fetched.
        m_Http.route("/pictures.xml").body = head
            + MarkupItem("Late story", "<p>Just in.</p>", "p4", 0) + items + "</channel></rss>";
        m_Screen.Click(Button(1, "reload", *viewer));
        QVERIFY(WaitPictures(*viewer, readIcon, 3, &shot));
        m_Screen.Save("13-viewer-reloaded");

        // Opening the item with the web picture (a click on its title, beside its read icon)
        // shows the picture, fetched from the server.
        QList<QPoint> reads = FindPicture(shot, readIcon, viewer->rect);
        m_Screen.Click(reads[1] + QPoint(40, 8));
        std::optional<QPoint> web;
        QVERIFY2(
            QTest::qWaitFor(
                [&] { return bool(web = FindColour(m_Screen.Shot(), webColour, viewer->rect)); },
                15000),
            "the web picture never showed");
        QVERIFY(m_Http.count("GET", "/web.png") >= 1);
        // The item with the local file's picture and the script: opened, nothing of it shows.
        // The opened item shows the read icon at once: two unread icons are left, the second
        // the local file's item.
        QVERIFY(QTest::qWaitFor(
            [&] { return FindPicture(shot = m_Screen.Shot(), readIcon, viewer->rect).size() == 2; },
            10000));
        reads = FindPicture(shot, readIcon, viewer->rect);
        const QImage closed = m_Screen.Shot().copy(viewer->rect);
        m_Screen.Click(reads[1] + QPoint(40, 8));
        SettledShot(viewer->rect, closed); // opened
        shot = m_Screen.Save("14-viewer-pictures");
        QVERIFY(!FindColour(shot, fileColour, viewer->rect));
        QVERIFY(FindColour(shot, webColour, viewer->rect));

        // Enter on the channel again: the viewer is only brought forward; its page stays as
        // the reader left it (the read items still listed, the picture still open).
        m_Screen.Keys(*main, {"Return"});
        QVERIFY(!QTest::qWaitFor(
            [&] {
                shot = m_Screen.Shot();
                return FindPicture(shot, readIcon, viewer->rect).size() != 1
                    || !FindColour(shot, webColour, viewer->rect);
            },
            1500));
        m_Screen.Save("15-viewer-again");

        QVERIFY2(program.Stop(), qPrintable(program.Ending()));
        const QByteArray store = testsupport::readFile(folder + "/items.xml");
        QVERIFY(StoredItem(store, "p1").contains("<delete>false</delete>")); // no script ran
        QVERIFY(StoredItem(store, "p3").contains("<delete>true</delete>"));
        QVERIFY(StoredItem(store, "p3").contains("<flag>true</flag>"));
        QVERIFY(StoredItem(store, "p1").contains("<read>true</read>"));
    }

    // The ticker across restarts: open at exit, it is open at the next start; dragged with the
    // mouse while floating, it comes back where it was put; docked, applying the settings again
    // and again leaves it in its strip at the top.
    void tickerKeepsItsPlace()
    {
        m_Http.route("/ticker.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Moor</title>"
                + Item("Moor headline one", m_Http.url("/m1").toUtf8(), "m1", 1)
                + Item("Moor headline two", m_Http.url("/m2").toUtf8(), "m2", 2)
                + "</channel></rss>",
            {}};
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/gus");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"gus"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{m_Http.url("/ticker.xml"), "Moor"}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {m_Http.url("/ticker.xml")}}}));
        QVERIFY(program.Start());
        auto main = MainWindow();
        QVERIFY(main);
        m_Screen.Click(Button(0, "openticker", *main));
        auto ticker = m_Screen.WaitWindow("^Tarnwick Ticker$");
        QVERIFY(ticker);
        // Floating where the settings put it by default: a sixth of the screen from the left.
        QCOMPARE(ticker->rect, QRect(1280 / 6, 0, 1280 * 2 / 3, 24));

        // Dragged by its headline, away from the buttons.
        auto plainWindows = [&] {
            int n = 0;
            for (const Window &w : m_Screen.Windows("^Tarnwick$"))
                n += !w.popup;
            return n;
        };
        const int windowsBefore = plainWindows();
        const QPoint grip = ticker->rect.center();
        const QPoint by(70, 300);
        const QImage unheld = m_Screen.Shot().copy(ticker->rect);
        m_Screen.Move(grip);
        SettledShot(ticker->rect, unheld); // the cursor holds the ticker: it rests, as it shows
        m_Screen.Run("xdotool", {"mousedown", "1"});
        // In steps, each followed by the window before the next (the drag begins a few pixels
        // into the move, so the first steps may leave it where it is).
        auto near = [&](QPoint at) {
            const QList<Window> now = m_Screen.Windows("^Tarnwick Ticker$");
            return !now.isEmpty() && (now.first().rect.topLeft() - at).manhattanLength() <= 40;
        };
        for (int step = 1; step <= 10; ++step) {
            m_Screen.Move(grip + by * step / 10);
            [[maybe_unused]] const bool followed = QTest::qWaitFor(
                [&] { return near(ticker->rect.topLeft() + by * step / 10); }, 1000);
        }
        m_Screen.Run("xdotool", {"mouseup", "1"});
        // It follows the mouse from where the drag began (a few pixels into the move).
        const QPoint target = ticker->rect.topLeft() + by;
        const auto moved = m_Screen.WaitWindow("^Tarnwick Ticker$", 5000, [&](const Window &w) {
            return w.rect.size() == ticker->rect.size()
                && (w.rect.topLeft() - target).manhattanLength() <= 40;
        });
        QVERIFY(moved);
        const QRect dragged = moved->rect;
        // A drag, not a click: no preview comes up.
        QVERIFY(!QTest::qWaitFor([&] { return plainWindows() != windowsBefore; }, 600));
        m_Screen.Save("20-ticker-dragged");
        m_Screen.Move(QPoint(640, 900));

        // Ended with the ticker open: it is back at the next start, where it was dragged.
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        QVERIFY(program.Start());
        QVERIFY(MainWindow());
        ticker = m_Screen.WaitWindow("^Tarnwick Ticker$");
        QVERIFY(ticker);
        QCOMPARE(ticker->rect, dragged);
        const QImage close(m_SkinHome.filePath("skins/Basalt/btn_close.png"));
        QVERIFY(WaitPictures(*ticker, close, 1)); // painted, with its buttons
        m_Screen.Save("21-ticker-after-restart");

        // Docked from its settings dialog (the ticker's menu, "Position", "Dock", "Apply").
        auto settings = [&]() -> std::optional<Window> {
            m_Screen.Click(ticker->rect.center(), 3);
            if (!m_Screen.WaitWindow(
                    ".", 5000, [](const Window &w) { return w.popup && w.rect.height() > 40; }))
                return std::nullopt;
            m_Screen.Run("xdotool", {"key", "s"}); // &Settings...
            return m_Screen.WaitWindow("^Ticker Settings$");
        };
        auto dialog = settings();
        QVERIFY(dialog);
        m_Screen.Keys(*dialog, {"ctrl+Tab", "Tab", "Up", "space"});
        m_Screen.Save("22-ticker-settings-dock");
        m_Screen.Keys(*dialog, {"alt+a"});
        const QRect strip(0, 0, 1280, 24);
        QVERIFY(m_Screen.WaitWindow(
            "^Tarnwick Ticker$", 5000, [&](const Window &w) { return w.rect == strip; }));
        const QString id = m_Screen.Windows("^Tarnwick Ticker$").value(0).id;
        QVERIFY(m_Screen.Run("xprop", {"-id", id, "_NET_WM_STRUT_PARTIAL"})
                    .contains("= 0, 0, 24, 0, 0, 0, 0, 0, 0, 1279, 0, 0"));
        // The desktop's work area now leaves out the strip, as a window manager publishes it
        // (some time after a strip changes).
        m_Screen.Run("xprop",
            {"-root", "-f", "_NET_WORKAREA", "32c", "-set", "_NET_WORKAREA", "0, 24, 1280, 1000"});
        for (int apply = 0; apply < 3; ++apply) {
            m_Screen.Keys(*dialog, {"alt+a"});
            // Docked again in the same strip: it never shows anywhere else.
            QVERIFY(!QTest::qWaitFor(
                [&] {
                    const QList<Window> now = m_Screen.Windows("^Tarnwick Ticker$");
                    return now.size() != 1 || now.first().rect != strip;
                },
                800));
        }
        m_Screen.Save("23-ticker-docked-applied");
        m_Screen.Keys(*dialog, {"alt+o"});
        QVERIFY(m_Screen.WaitGone("^Ticker Settings$"));

        // Docked at exit: docked at the top at the next start.
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        QVERIFY(program.Start());
        QVERIFY(MainWindow());
        ticker = m_Screen.WaitWindow(
            "^Tarnwick Ticker$", 20000, [&](const Window &w) { return w.rect == strip; });
        QVERIFY(ticker);
        QVERIFY(WaitPictures(*ticker, close, 1));
        m_Screen.Save("24-ticker-docked-after-restart");
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        m_Screen.Run("xprop", {"-root", "-remove", "_NET_WORKAREA"});
    }

    // Each shipped skin on the real program: the first-profile dialog in the skin's dialog
    // frame and worked from the keyboard, the help viewer's items with the skin's icons, and
    // every button of the main window and the viewer changing under the cursor and pressed, and
    // back once the cursor has left.
    void skinsOnTheRealProgram()
    {
        for (const QString skin : {"Basalt", "Heath"}) {
            // Where the skin puts its buttons: read here as the program reads it.
            Include::Settings().SaveSetting("PREFS", "SKINNAME", skin);
            frmTarnSkin look;
            look.LoadSkin();
            QCOMPARE(look.SkinName(), skin);
            const QString folder = m_SkinHome.filePath("skins/" + skin + "/");

            Program program(m_Screen, m_Http.url(""));
            QDir().mkpath(program.Config("Veltrasic"));
            QVERIFY(profilefiles::Write(program.Config("Veltrasic/Tarnwick.conf"),
                "[PREFS]\nSKINNAME=" + skin.toUtf8() + "\n" + frmTarnSkin::VersionKey().toUtf8()
                    + "=True\n"));
            QVERIFY(program.Start());

            // The first-profile dialog: the skin's frame along its top, its colour inside.
            const auto dialog = m_Screen.WaitWindow("^Create New Profile$");
            QVERIFY(dialog);
            const QImage top(folder + "dialog_n.png");
            const QColor frameColour = SkinPainter::ToColor(look.FrameColor(5));
            const QRect band(dialog->rect.topLeft(), QSize(dialog->rect.width(), top.height()));
            QVERIFY2(QTest::qWaitFor(
                         [&] {
                             const QImage shot = m_Screen.Shot();
                             return FindPicture(shot, top, band, 0).size() > 4
                                 && shot.pixelColor(dialog->rect.topLeft()
                                        + QPoint(look.FrameWSize(5) + 2, dialog->rect.height() / 2))
                                 == frameColour;
                         },
                         10000),
                qPrintable(skin));
            m_Screen.Save("skin-" + skin + "-dialog");
            QVERIFY(CreateFirstProfile("anna")); // typed, then Enter
            const auto main = MainWindow();
            QVERIFY(main);

            // The help viewer: items with the skin's icons (unread, untagged, delete).
            const auto help = m_Screen.WaitWindow("^Help - Tarnwick$");
            QVERIFY(help);
            for (const char *icon : {"item_unread.png", "item_untagged.png", "item_delete.png"})
                QVERIFY2(QTest::qWaitFor(
                             [&] {
                                 return !FindPicture(
                                     m_Screen.Shot(), QImage(folder + icon), help->rect)
                                             .isEmpty();
                             },
                             20000),
                    qPrintable(skin + " " + icon));
            m_Screen.Save("skin-" + skin + "-help");

            // The buttons, one after another, with the cursor resting in the window's middle
            // between them.
            int checked = 0;
            for (const auto &[kind, window] : {std::pair {0, *main}, std::pair {1, *help}}) {
                const QPoint rest = window.rect.center();
                for (int i = 0; i < int(look.Entities().size()); ++i) {
                    const frmSkinEntity &e = look.Entities()[size_t(i)];
                    if (e.Window != kind || e.img.isNull() || e.Function.isEmpty()
                        || e.Function == "move")
                        continue;
                    const QString failed =
                        ButtonEffects(ButtonRect(e, window.rect), rest, true, false);
                    QVERIFY2(failed.isEmpty(), qPrintable(skin + " " + e.Function + failed));
                    ++checked;
                }
            }
            QCOMPARE(checked, 18); // ten on the main window, eight on the viewer
            QVERIFY(m_Screen.Windows("^Help - Tarnwick$").size() == 1);

            // The ticker composes its own surface: its buttons under the cursor and back (the
            // cursor resting on it holds the scrolling); "next" and "prev" pressed and released
            // as well, since a press held while leaving would drag the ticker.
            QPoint opener;
            for (const frmSkinEntity &e : look.Entities())
                if (e.Window == 0 && e.Function == "openticker")
                    opener = ButtonRect(e, main->rect).center();
            m_Screen.Click(opener);
            const auto ticker = m_Screen.WaitWindow("^Tarnwick Ticker$");
            QVERIFY(ticker);
            const QPoint rest = ticker->rect.center();
            int tickerButtons = 0;
            for (const frmSkinEntity &e : look.Entities()) {
                if (e.Window != 3 || e.img.isNull() || e.Function.isEmpty() || e.If == "paused")
                    continue;
                const bool step = e.Function == "next" || e.Function == "prev";
                const QString failed = ButtonEffects(ButtonRect(e, ticker->rect), rest, step, true);
                QVERIFY2(failed.isEmpty(), qPrintable(skin + " ticker " + e.Function + failed));
                ++tickerButtons;
            }
            m_Screen.Save("skin-" + skin + "-ticker");
            QCOMPARE(tickerButtons, 8);
            QVERIFY2(program.Stop(), qPrintable(program.Ending()));
        }
        Include::Settings().SaveSetting("PREFS", "SKINNAME", "Basalt");
    }

    // Every value of the Preferences and of a channel's Properties, changed with keys and
    // clicks, is there again after a restart; values written by hand in other forms ("1",
    // "true", "-1" for a switch, "40.0" and "60 min" for numbers) show as what they mean.
    void settingsSurviveRestarts()
    {
        m_Http.route("/settings.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Settings Feed</title><description>Kept"
            "</description>"
                + Item("Kept one", "", "s1", 1) + Item("Kept two", "", "s2", 2)
                + "</channel></rss>",
            {}};
        Program program(m_Screen, m_Http.url(""));
        const QString folder = program.Home("profiles/emil");
        const QString url = m_Http.url("/settings.xml");
        const QString conf = program.Config("Veltrasic/Tarnwick.conf");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"emil"}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"Mine", {url}}}));
        QVERIFY(profilefiles::Write(folder + "/channels.xml",
            "<tarnwickchannels><channel><url>" + url.toUtf8()
                + "</url><title>Settings Feed</title><customtitle>Own title</customtitle>"
                  "<sortmode>_tarnwick/unread</sortmode><expire>40.0</expire>"
                  "<update>60 min</update><id>A01</id></channel></tarnwickchannels>"));
        QVERIFY(profilefiles::Write(conf,
            "[PREFS]\nFIRSTRUN=False\nANIMATE=0\nALERT=true\nDROP=0.0\nSINGLE=0\nPOPUP=0\n"
            "DESCRIPTION=-1\n[START]\nOPENMAIN=1\n"));
        const QString autostart = program.Config("autostart/tarnwick.desktop");

        // First start: the values as written by hand.
        QVERIFY(program.Start());
        auto main = MainWindow();
        QVERIFY2(main, "OPENMAIN=1 must open the main window");
        m_Screen.Click(Button(0, "prefs", *main));
        auto prefs = m_Screen.WaitWindow("^Preferences$");
        QVERIFY(prefs);
        m_Screen.Keys(*prefs, {"Tab", "shift+Tab"}); // the focus on the first box, as later
        const QImage prefsAsWritten = WindowPixels(*prefs);
        m_Screen.Save("settings-01-preferences-as-written");
        // Every box the other way round, then the focus back where it was.
        QStringList toggleAll = {"space"};
        for (int box = 1; box < 8; ++box)
            toggleAll << "Tab"
                      << "space";
        m_Screen.Keys(*prefs, toggleAll);
        m_Screen.Keys(*prefs, QStringList(7, "shift+Tab"));
        const QImage prefsChanged = WindowPixels(*prefs);
        QVERIFY(prefsChanged != prefsAsWritten);
        m_Screen.Save("settings-02-preferences-changed");
        m_Screen.Keys(*prefs, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Preferences$"));
        QByteArray written = testsupport::readFile(conf);
        for (const char *value : {"OPENMAIN=False", "ANIMATE=True", "ALERT=False", "DROP=True",
                 "SINGLE=True", "POPUP=True", "DESCRIPTION=False"})
            QVERIFY2(written.contains(value), value);
        QVERIFY(QFileInfo::exists(autostart));

        // The channel's Properties, once its items are in (its row shows new items).
        auto props = OpenProperties(*main);
        QVERIFY(props);
        m_Screen.Keys(*props, {"Tab", "shift+Tab"});
        const QImage propsAsWritten = WindowPixels(*props);
        m_Screen.Save("settings-03-properties-as-written");
        // Title, reload minutes and days to keep typed anew (a field reached by Tab has its text
        // selected), both boxes the other way round, the focus back on the list.
        m_Screen.Keys(*props, {"Tab", "ctrl+a"});
        m_Screen.Type(*props, "Other title");
        m_Screen.Keys(*props, {"Tab"});
        m_Screen.Type(*props, "0");
        m_Screen.Keys(*props, {"Tab"});
        m_Screen.Type(*props, "7");
        m_Screen.Keys(*props, {"Tab", "space", "Tab", "space"});
        m_Screen.Keys(*props, QStringList(5, "shift+Tab"));
        const QImage propsChanged = WindowPixels(*props);
        QVERIFY(propsChanged != propsAsWritten);
        m_Screen.Save("settings-04-properties-changed");
        m_Screen.Keys(*props, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Properties$"));
        written = testsupport::readFile(folder + "/channels.xml");
        for (const char *value : {"<customtitle>Other title</customtitle>", "<openlink>yes",
                 "<expire> 7</expire>", "<update> 0</update>"})
            QVERIFY2(written.contains(value), value);
        QVERIFY(!written.contains("<sortmode>"));
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        // Between the starts a hand writes two switches as numbers: they still read as on.
        written = testsupport::readFile(folder + "/channels.xml");
        QVERIFY(profilefiles::Write(folder + "/channels.xml",
            written.replace("<openlink>yes</openlink>", "<openlink>1</openlink>")));
        QByteArray settings = testsupport::readFile(conf);
        QVERIFY(profilefiles::Write(conf, settings.replace("POPUP=True", "POPUP=1")));

        // Second start: the main window stays hidden now; the tray icon brings it.
        QVERIFY(program.Start());
        const auto icon = TrayIcon();
        QVERIFY(icon);
        QVERIFY(!QTest::qWaitFor([&] { return MainWindow(0).has_value(); }, 1500));
        m_Screen.Click(icon->rect.center());
        main = MainWindow();
        QVERIFY(main);
        m_Screen.Click(Button(0, "prefs", *main));
        prefs = m_Screen.WaitWindow("^Preferences$");
        QVERIFY(prefs);
        m_Screen.Keys(*prefs, {"Tab", "shift+Tab"});
        QVERIFY(LooksLike(*prefs, prefsChanged, "settings-preferences-after-restart"));
        // And back to the first values: the dialog looks as it did with the hand-written file.
        m_Screen.Keys(*prefs, toggleAll);
        m_Screen.Keys(*prefs, QStringList(7, "shift+Tab"));
        QVERIFY(LooksLike(*prefs, prefsAsWritten, "settings-preferences-back"));
        m_Screen.Keys(*prefs, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Preferences$"));
        written = testsupport::readFile(conf);
        for (const char *value : {"OPENMAIN=True", "ANIMATE=False", "ALERT=True", "DROP=False",
                 "SINGLE=False", "POPUP=False", "DESCRIPTION=True"})
            QVERIFY2(written.contains(value), value);
        QVERIFY(!QFileInfo::exists(autostart));

        props = OpenProperties(*main);
        QVERIFY(props);
        m_Screen.Keys(*props, {"Tab", "shift+Tab"});
        QVERIFY(LooksLike(*props, propsChanged, "settings-properties-after-restart"));
        m_Screen.Keys(*props, {"Tab", "ctrl+a"});
        m_Screen.Type(*props, "Own title");
        m_Screen.Keys(*props, {"Tab"});
        m_Screen.Type(*props, "60");
        m_Screen.Keys(*props, {"Tab"});
        m_Screen.Type(*props, "40");
        m_Screen.Keys(*props, {"Tab", "space", "Tab", "space"});
        m_Screen.Keys(*props, QStringList(5, "shift+Tab"));
        QVERIFY(LooksLike(*props, propsAsWritten, "settings-properties-back"));
        m_Screen.Keys(*props, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Properties$"));
        written = testsupport::readFile(folder + "/channels.xml");
        for (const char *value :
            {"<customtitle>Own title</customtitle>", "<sortmode>_tarnwick/unread</sortmode>",
                "<expire> 40</expire>", "<update> 60</update>"})
            QVERIFY2(written.contains(value), value);
        QVERIFY(!written.contains("<openlink>"));
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
    }

    // A feed whose dates have two-digit years or ISO 8601 inside pubDate, and a JSON Feed,
    // subscribed through the Add window: the viewer shows their items with the days the feeds
    // gave (not the moment they were fetched), and a headline for the item that had none.
    void feedsOfEveryKindInTheRealProgram()
    {
        const QDateTime threeDaysAgo = QDateTime::currentDateTime().addDays(-3);
        const QDateTime fiveDaysAgo = QDateTime::currentDateTime().addDays(-5);
        const QDateTime twoDaysAgo = QDateTime::currentDateTime().addDays(-2);
        const QLocale c = QLocale::c();
        m_Http.route("/signal.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Signal Box Gazette</title>"
            "<description>Notes from the old line</description>"
            "<item><title>Lamps relit</title><guid>sg-lamps</guid><pubDate>"
                + c.toString(threeDaysAgo, "ddd, dd MMM yy hh:mm:ss '-0800'").toLatin1()
                + "</pubDate></item><item><title>Timetable for winter</title><guid>sg-time</guid>"
                  "<pubDate>"
                + c.toString(fiveDaysAgo, "yyyy-MM-ddThh:mm:ss'+02:00'").toLatin1()
                + "</pubDate></item></channel></rss>",
            {{"Content-Type", "application/rss+xml"}}};
        m_Http.route("/tram.json") = {200,
            "{\"version\": \"https://jsonfeed.org/version/1.1\", \"title\": \"Tram Museum News\","
            " \"items\": [{\"id\": \"t1\", \"title\": \"Car 17 runs again\","
            " \"content_html\": \"<p>Out</p>\", \"date_published\": \""
                + c.toString(twoDaysAgo, "yyyy-MM-ddThh:mm:ss'-05:00'").toLatin1()
                + "\"}, {\"id\": \"t2\", \"content_text\": \"Winter timetable: weekends only.\"}]}",
            {{"Content-Type", "application/feed+json"}}};

        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/gil");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"gil"}));
        QVERIFY(profilefiles::WriteChannels(folder, {}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {}}}));
        QVERIFY(program.Start());
        const auto main = MainWindow();
        QVERIFY(main);

        // Each subscribed through the Add window, then opened from the tree's last row.
        const auto subscribeAndOpen = [&](const QByteArray &path, const QByteArray &guid,
                                          const QString &title) -> std::optional<Window> {
            m_Screen.Click(Button(0, "addchannel", *main));
            const auto add = m_Screen.WaitWindow("^Add RSS Channel$");
            if (!add)
                return std::nullopt;
            m_Screen.Type(*add, m_Http.url(path));
            m_Screen.Keys(*add, {"Return"});
            if (!m_Screen.WaitGone("^Add RSS Channel$")
                || !QTest::qWaitFor(
                    [&] {
                        return testsupport::readFile(folder + "/items.xml")
                            .contains("<guid>" + guid + "</guid>");
                    },
                    20000))
                return std::nullopt;
            m_Screen.Keys(*main, {"End", "Return"});
            return m_Screen.WaitWindow("^" + QRegularExpression::escape(title) + " - Tarnwick$");
        };
        // What the viewer's page says, its markup aside.
        const auto pageText = [&] {
            return QString::fromUtf8(testsupport::readFile(program.Home("temp.html")))
                .replace(QRegularExpression("<[^>]*>"), " ")
                .simplified();
        };
        const auto shown = [&](const QDateTime &when) {
            return c.toString(when, "dd MMM yyyy hh:mm");
        };

        auto viewer = subscribeAndOpen("/signal.xml", "sg-lamps", "Signal Box Gazette");
        QVERIFY(viewer);
        // The page's icons are written with its first page.
        const QImage readIcon(program.Home("icons/item.png"));
        QVERIFY(!readIcon.isNull());
        QVERIFY(WaitPictures(*viewer, readIcon, 2));
        m_Screen.Save("feeds-dates");
        QString text = pageText();
        QVERIFY2(text.contains("Lamps relit " + shown(threeDaysAgo)), qPrintable(text));
        QVERIFY2(text.contains("Timetable for winter " + shown(fiveDaysAgo)), qPrintable(text));
        m_Screen.Click(Button(1, "close", *viewer));
        QVERIFY(m_Screen.WaitGone("^Signal Box Gazette - Tarnwick$"));

        const QDateTime beforeJson = QDateTime::currentDateTime();
        viewer = subscribeAndOpen("/tram.json", "t2", "Tram Museum News");
        QVERIFY(viewer);
        QVERIFY(WaitPictures(*viewer, readIcon, 2));
        m_Screen.Save("feeds-json");
        text = pageText();
        QVERIFY2(text.contains("Car 17 runs again " + shown(twoDaysAgo)), qPrintable(text));
        // No title: its text heads it; no date: the moment it arrived.
        QVERIFY2(text.contains(
                     "Winter timetable: weekends only. " + c.toString(beforeJson, "dd MMM yyyy")),
            qPrintable(text));
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
    }

    // An item viewer read from the keyboard on the real program: j and k move the outlined
    // current item, o opens its web page, "/" and typing search (the letters stay text),
    // Escape leaves the box and j then goes to the one item found, t tags it and m makes it
    // unread again; an enclosure shows as an audio badge that opens the file's address, and
    // one with a local file's address is no link. The marks are in the store at exit.
    void viewerReadFromTheKeyboard()
    {
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/kit");
        const QString url = m_Http.url("/keys.xml");
        const QByteArray episode = m_Http.url("/episode.mp3").toUtf8();
        QByteArray items = Item("Key one", m_Http.url("/k1.html").toUtf8(), "k1", 1)
            + Item("Key two", m_Http.url("/k2.html").toUtf8(), "k2", 2)
            + MarkupItem("Key three", "<p>A heron on the weir.</p>", "k3", 3)
            + MarkupItem("Key four", "<p>Nothing more.</p>", "k4", 4);
        items.insert(items.indexOf("</item>"),
            "<enclosure url=\"" + episode + "\" type=\"audio/mpeg\" length=\"31457280\"/>");
        items.insert(items.indexOf("</item>", items.indexOf("<guid>k2</guid>")),
            "<enclosure url=\"file:///etc/passwd\" type=\"application/pdf\" length=\"10\"/>");
        m_Http.route("/keys.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Keyed</title>" + items + "</channel></rss>", {}};
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"kit"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{url, QStringLiteral("Keyed")}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"Keys", {url}}}));
        QVERIFY(program.Start());
        const auto main = MainWindow();
        QVERIFY(main);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return testsupport::readFile(folder + "/items.xml").contains("<guid>k4</guid>");
            },
            20000));
        m_Screen.Keys(*main, {"End", "Return"});
        const auto viewer = m_Screen.WaitWindow("^Keyed - Tarnwick$");
        QVERIFY(viewer);
        const QImage unreadIcon(program.Home("icons/item.png"));
        const QImage readIcon(program.Home("icons/prop.png"));
        QImage shot;
        QVERIFY(WaitPictures(*viewer, unreadIcon, 4, &shot));
        m_Screen.Save("16-keys-viewer");

        // The enclosures below the first two items: an audio badge that opens the episode, a
        // file badge that is no link.
        QList<QPoint> icons = FindPicture(shot, unreadIcon, viewer->rect);
        std::sort(icons.begin(), icons.end(),
            [](const QPoint &a, const QPoint &b) { return a.y() < b.y(); });
        QCOMPARE(icons.size(), 4);
        auto below = [&](int i) {
            return QRect(
                icons[i].x(), icons[i].y() + 16, 300, icons[i + 1].y() - icons[i].y() - 16);
        };
        const QColor audio(0xc0, 0x51, 0x1f), file(0x8a, 0x8a, 0x8a);
        const auto audioBadge = FindColour(shot, audio, below(0), 24);
        const auto fileBadge = FindColour(shot, file, below(1), 12);
        QVERIFY(audioBadge && fileBadge);
        m_Screen.Click(*fileBadge);
        m_Screen.Click(*audioBadge);
        QTRY_COMPARE_WITH_TIMEOUT(
            program.Opened(), QStringList {QString::fromUtf8(episode)}, 10000);

        // The rows on screen (by their read icons, top to bottom) and the one the current
        // item's outline stands on (1-based; 0 when none is outlined).
        const QColor outline(0x1f, 0x5f, 0xbf);
        auto rows = [&](const QImage &at) {
            QList<int> ys;
            for (const QImage &icon : {unreadIcon, readIcon})
                for (const QPoint &p : FindPicture(at, icon, viewer->rect))
                    ys << p.y();
            std::sort(ys.begin(), ys.end());
            return ys;
        };
        auto currentRow = [&](const QImage &at) {
            const auto bar = FindColour(at, outline,
                QRect(icons[0].x() - 14, viewer->rect.top(), 14, viewer->rect.height()), 24);
            if (!bar)
                return 0;
            int row = 0;
            for (int y : rows(at))
                row += y <= bar->y() + 12 ? 1 : 0;
            return row;
        };
        auto waitRow = [&](int row, int count, const QString &name) {
            const bool ok = QTest::qWaitFor(
                [&] {
                    shot = m_Screen.Shot();
                    return rows(shot).size() == count && currentRow(shot) == row;
                },
                10000);
            shot.save(testsupport::ScreenshotPath("userroad-" + name + ".png"));
            return ok;
        };
        m_Screen.Keys(*viewer, {"j"});
        QVERIFY(waitRow(1, 4, "17-keys-j"));
        m_Screen.Keys(*viewer, {"j"});
        QVERIFY(waitRow(2, 4, "18-keys-jj"));
        m_Screen.Keys(*viewer, {"k"});
        QVERIFY(waitRow(1, 4, "19-keys-jjk"));
        m_Screen.Keys(*viewer, {"o"});
        QTRY_COMPARE_WITH_TIMEOUT(program.Opened(),
            (QStringList {QString::fromUtf8(episode), m_Http.url("/k1.html")}), 10000);

        // "/" and a word: one item left (no key of it was taken as a command); Escape, then j
        // goes to that item.
        m_Screen.Keys(*viewer, {"slash"});
        m_Screen.Type(*viewer, "heron");
        QVERIFY(waitRow(0, 1, "20-keys-search"));
        m_Screen.Keys(*viewer, {"Escape", "j"});
        QVERIFY(waitRow(1, 1, "21-keys-search-j"));
        // t tags it (the page comes again, the search and the outline stay), m: unread again.
        m_Screen.Keys(*viewer, {"t"});
        QVERIFY(WaitPictures(*viewer, QImage(program.Home("icons/itemex.png")), 1));
        QVERIFY(waitRow(1, 1, "22-keys-tagged"));
        m_Screen.Keys(*viewer, {"m"});
        // The search cleared: all four rows, the outline still on the third.
        m_Screen.Keys(*viewer, {"slash", "ctrl+a", "BackSpace", "Escape"});
        QVERIFY(waitRow(3, 4, "23-keys-all-again"));
        QCOMPARE(FindPicture(shot, unreadIcon, viewer->rect).size(), 2); // the third and fourth
        QVERIFY(m_Screen.Windows("^Keyed - Tarnwick$").size() == 1);

        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        const QByteArray store = testsupport::readFile(folder + "/items.xml");
        QVERIFY(StoredItem(store, "k1").contains("<read>true</read>"));
        QVERIFY(StoredItem(store, "k2").contains("<read>true</read>"));
        QVERIFY(StoredItem(store, "k3").contains("<read>false</read>"));
        QVERIFY(StoredItem(store, "k3").contains("<flag>true</flag>"));
        QVERIFY(StoredItem(store, "k4").contains("<read>false</read>"));
        QVERIFY(StoredItem(store, "k1").contains("<enclosure url=\"" + episode + "\""));
    }

    // A web page's address typed into the add window: the page's announced channels are offered
    // (none: the window says so; several: chosen from the keyboard) and subscribed.
    void addChannelFromAWebPage()
    {
        for (const char *name : {"one", "two"})
            m_Http.route("/web-" + QByteArray(name) + ".xml") = {200,
                "<rss version=\"2.0\"><channel><title>Web " + QByteArray(name) + "</title><link>"
                    + m_Http.url("/").toUtf8() + "</link>"
                    + Item(
                        "Story", m_Http.url("/story.html").toUtf8(), "web-" + QByteArray(name), 1)
                    + "</channel></rss>",
                {}};
        const QByteArray html = "text/html";
        m_Http.route("/plain.html") = {200,
            "<html><head><title>Plain</title></head><body>No feeds</body></html>",
            {{"Content-Type", html}}};
        m_Http.route("/news.html") = {200,
            "<html><head><title>News</title>"
            "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"Web one\" "
            "href=\"/web-one.xml\">"
            "<link rel=\"alternate\" type=\"application/rss+xml\" title=\"Web two\" "
            "href=\"/web-two.xml\">"
            "</head><body>News</body></html>",
            {{"Content-Type", html}}};
        Program program(m_Screen, m_Http.url(""));
        QVERIFY(program.Start());
        QVERIFY(CreateFirstProfile("wendy"));
        auto main = MainWindow();
        QVERIFY(main);
        const auto help = m_Screen.WaitWindow("^Help - Tarnwick$");
        QVERIFY(help);
        m_Screen.Click(Button(1, "close", *help));
        QVERIFY(m_Screen.WaitGone("^Help - Tarnwick$"));

        // A page that announces no channel: the window stays and says so.
        // Clicked again should a busy machine miss the first click (the window is one and the
        // same however often it is asked for).
        std::optional<Window> add;
        for (int click = 0; click < 3 && !add; ++click) {
            m_Screen.Click(Button(0, "addchannel", *main));
            add = m_Screen.WaitWindow("^Add RSS Channel$", 8000);
        }
        QVERIFY(add);
        m_Screen.Type(*add, m_Http.url("/plain.html"));
        const QImage typed = WindowPixels(*add);
        m_Screen.Keys(*add, {"Return"});
        QTRY_VERIFY_WITH_TIMEOUT(m_Http.count("GET", "/plain.html") == 1, 10000);
        // The message below the address changes what the window shows; the window stays.
        const auto told = m_Screen.WaitWindow("^Add RSS Channel$");
        QVERIFY(told);
        QVERIFY(QTest::qWaitFor([&] { return WindowPixels(*told) != typed; }, 10000));
        m_Screen.Save("webpage-01-none-announced");

        // A page that announces two: the second is checked as well, from the keyboard.
        m_Screen.Type(*told, m_Http.url("/news.html"));
        m_Screen.Keys(*told, {"Return"});
        const auto choose = m_Screen.WaitWindow("^Channels on This Page$");
        QVERIFY(choose);
        m_Screen.Keys(*choose, {"Down", "space"});
        m_Screen.Save("webpage-02-choose");
        m_Screen.Keys(*choose, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Channels on This Page$"));
        QVERIFY(m_Screen.WaitGone("^Add RSS Channel$"));
        // Both fetched and stored; the page itself is no channel.
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QByteArray store =
                    testsupport::readFile(program.Home("profiles/wendy/items.xml"));
                return store.contains("<guid>web-one</guid>")
                    && store.contains("<guid>web-two</guid>");
            },
            20000));
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        const QByteArray channels =
            testsupport::readFile(program.Home("profiles/wendy/channels.xml"));
        QVERIFY(channels.contains(m_Http.url("/web-one.xml").toUtf8()));
        QVERIFY(channels.contains(m_Http.url("/web-two.xml").toUtf8()));
        QVERIFY(!channels.contains(".html<"));
    }

    // New items on the desktop: the tray icon wears the unread count and says it in its
    // tooltip, and one notice per reload goes to the desktop's notification service (a private
    // session bus here), whose action opens the channel; without a service, the tray's balloon.
    void unreadBadgeAndNotices()
    {
        QProcess daemon;
        daemon.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(daemon.waitForStarted(5000));
        QVERIFY(QTest::qWaitFor([&] { return daemon.canReadLine(); }, 10000));
        const QString address = QString::fromUtf8(daemon.readLine().trimmed());
        QDBusConnection bus = QDBusConnection::connectToBus(address, "userroad-notices");
        QVERIFY(bus.isConnected());
        NoticeService service;
        QVERIFY(bus.registerObject(
            "/org/freedesktop/Notifications", &service, QDBusConnection::ExportAllSlots));
        QVERIFY(bus.registerService("org.freedesktop.Notifications"));
        qputenv("DBUS_SESSION_BUS_ADDRESS", address.toUtf8()); // the program's session bus
        struct Restore
        {
            ~Restore() { qunsetenv("DBUS_SESSION_BUS_ADDRESS"); }
        } restore;

        auto feed = [](const QByteArray &title, int items) {
            QByteArray out = "<rss version=\"2.0\"><channel><title>" + title + "</title>";
            // Words rather than digits: headlines that differ in more than one letter.
            const char *words[] = {"", "first", "second", "third", "fourth"};
            for (int i = items; i > 0; --i)
                out += Item(title + " headline " + words[i], "", title + QByteArray::number(i), i);
            return out + "</channel></rss>";
        };
        const QString a = m_Http.url("/notice-a.xml"), b = m_Http.url("/notice-b.xml"),
                      c = m_Http.url("/notice-c.xml");
        m_Http.route("/notice-a.xml") = {200, feed("Amber", 0), {}};
        m_Http.route("/notice-b.xml") = {200, feed("Birch", 0), {}};
        m_Http.route("/notice-c.xml") = {200, feed("Cedar", 0), {}};
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/nora");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"nora"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{a, "Amber"}, {b, "Birch"}, {c, "Cedar"}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {a, b, c}}}));
        // Cedar is left out of the notices in its Properties.
        QByteArray channels = testsupport::readFile(folder + "/channels.xml");
        QVERIFY(profilefiles::Write(folder + "/channels.xml",
            channels.replace("<title>Cedar</title>", "<title>Cedar</title><notify>no</notify>")));
        QVERIFY(program.Start());
        auto main = MainWindow();
        QVERIFY(main);
        const auto icon = TrayIcon();
        QVERIFY(icon);
        for (const char *path : {"/notice-a.xml", "/notice-b.xml", "/notice-c.xml"})
            QTRY_VERIFY_WITH_TIMEOUT(m_Http.count("GET", path) == 1, 20000);
        // What is unread so far is the help channel's items: the badge shows their number.
        const int help =
            int(testsupport::readFile(QStringLiteral(TARNWICK_DATA "/help.xml")).count("<item>"));
        const QColor badge(0xd0, 0x10, 0x10);
        QImage before;
        QVERIFY(QTest::qWaitFor(
            [&] {
                before = SettledShot(icon->rect);
                return FindColour(before, badge, before.rect()).has_value();
            },
            20000));
        before.save(testsupport::ScreenshotPath("userroad-notices-icon-before.png"));

        // Seven new items in all; a reload of every channel (F5) brings them.
        m_Http.route("/notice-a.xml") = {200, feed("Amber", 3), {}};
        m_Http.route("/notice-b.xml") = {200, feed("Birch", 2), {}};
        m_Http.route("/notice-c.xml") = {200, feed("Cedar", 2), {}};
        m_Screen.Keys(*main, {"F5"});
        QImage badged;
        QVERIFY(QTest::qWaitFor(
            [&] {
                badged = SettledShot(icon->rect);
                return badged != before && FindColour(badged, badge, badged.rect()).has_value();
            },
            20000));
        m_Screen.Save("notices-01-badge");
        badged.save(testsupport::ScreenshotPath("userroad-notices-icon-after.png"));

        // One notice for the round, naming the channels that take part and their headlines.
        QTRY_COMPARE_WITH_TIMEOUT(service.notices.size(), 1, 20000);
        QVERIFY(!QTest::qWaitFor([&] { return service.notices.size() > 1; }, 2000));
        const NoticeService::Notice notice = service.notices.first();
        QCOMPARE(notice.app, QStringLiteral("Tarnwick"));
        QCOMPARE(notice.summary, QStringLiteral("New items in Amber, Birch"));
        for (const char *line : {"Amber: Amber headline first", "Birch: Birch headline first",
                 "Amber: Amber headline second", "Birch: Birch headline second",
                 "Amber: Amber headline third"})
            QVERIFY2(notice.body.contains(QLatin1String(line)), qPrintable(notice.body));
        QVERIFY(!notice.body.contains("Cedar"));
        QCOMPARE(notice.actions.value(0), QStringLiteral("default"));

        // The tooltip says the count: the pointer rests on the icon.
        m_Screen.Move(icon->rect.center());
        std::optional<Window> tip;
        QVERIFY(QTest::qWaitFor(
            [&] {
                const QList<Window> tips = Balloons();
                if (!tips.isEmpty())
                    tip = tips.first();
                return tip.has_value();
            },
            10000));
        m_Screen.Save("notices-02-tooltip");
        QVERIFY(TextOnScreen(*tip, QStringLiteral("Tarnwick - unread items: %1").arg(help + 7)));
        m_Screen.Move(QPoint(640, 900));

        // The notice's action opens the first channel's viewer.
        QDBusMessage invoked = QDBusMessage::createSignal(
            "/org/freedesktop/Notifications", "org.freedesktop.Notifications", "ActionInvoked");
        invoked << uint(1) << QStringLiteral("default");
        QVERIFY(bus.send(invoked));
        const auto viewer = m_Screen.WaitWindow("^Amber - Tarnwick$");
        QVERIFY(viewer);
        QVERIFY(WaitPictures(*viewer, QImage(program.Home("icons/item.png")), 3)); // its items
        m_Screen.Save("notices-03-viewer");

        // No service on the bus any more: the next round's notice is the tray's balloon.
        QVERIFY(bus.unregisterService("org.freedesktop.Notifications"));
        m_Http.route("/notice-b.xml") = {200, feed("Birch", 4), {}};
        m_Screen.Keys(*main, {"F5"});
        std::optional<Window> balloon;
        QVERIFY(QTest::qWaitFor(
            [&] {
                for (const Window &w : Balloons())
                    if (w.rect.width() > 120)
                        balloon = w;
                return balloon.has_value();
            },
            20000));
        m_Screen.Save("notices-04-balloon");
        QVERIFY(TextOnScreen(*balloon, "New items in Birch"));
        // It names the two new headlines, not those the first notice named.
        QVERIFY(TextOnScreen(*balloon, "Birch: Birch headline third"));
        QVERIFY(TextOnScreen(*balloon, "Birch: Birch headline fourth"));
        QVERIFY(!TextOnScreen(*balloon, "Birch: Birch headline first"));
        QCOMPARE(service.notices.size(), 1);
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        QDBusConnection::disconnectFromBus("userroad-notices");
        daemon.terminate();
        QVERIFY(daemon.waitForFinished(5000));
    }

    // Keyboard alone, on the real program: in the tree Left folds the channel's group and Right
    // opens it, Return opens the channel; in its viewer Tab reaches the first item's title and
    // Return opens it, Tab and Return on its tag icon tag it, the menu key's filter menu shows
    // the tagged items only, Escape closes the viewer. What changed is read back from the
    // screen and, after the end, from the item store.
    void keyboardAloneReads()
    {
        const QColor first(255, 0, 128), second(0, 128, 255);
        m_Http.route("/first.png") = {200, SolidPng(first), {{"Content-Type", "image/png"}}};
        m_Http.route("/second.png") = {200, SolidPng(second), {{"Content-Type", "image/png"}}};
        auto picture = [&](const char *path) {
            return "<img src=\"" + m_Http.url(path).toUtf8() + "\" width=\"48\" height=\"48\">";
        };
        const QString url = m_Http.url("/keys.xml");
        m_Http.route("/keys.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Keyboard News</title>"
                + MarkupItem("Keyed first", picture("/first.png"), "k1", 1)
                + MarkupItem("Keyed second", picture("/second.png"), "k2", 2)
                + MarkupItem("Keyed third", "<p>Plain.</p>", "k3", 3) + "</channel></rss>",
            {}};
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/gil");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"gil"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{url, "Keyboard News"}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {url}}}));
        QVERIFY(program.Start());
        const auto main = MainWindow();
        QVERIFY(main);
        QVERIFY(QTest::qWaitFor(
            [&] {
                return testsupport::readFile(folder + "/items.xml").contains("<guid>k3</guid>");
            },
            20000));
        // The channel's row, by its new-items icon; gone while its group is folded.
        QVERIFY(NewItemsRow(*main));
        const QColor newItems =
            MiddleColour(QImage(m_SkinHome.filePath("skins/Basalt/icon_newitems.png")));
        m_Screen.Keys(*main, {"End", "Up", "Left"});
        QVERIFY(QTest::qWaitFor(
            [&] { return !FindColour(m_Screen.Shot(), newItems, main->rect); }, 5000));
        m_Screen.Save("keys-1-folded");
        m_Screen.Keys(*main, {"Right"});
        QVERIFY(NewItemsRow(*main));
        m_Screen.Keys(*main, {"Down", "Return"});
        const auto viewer = m_Screen.WaitWindow("^Keyboard News - Tarnwick$");
        QVERIFY(viewer);
        const QImage unreadIcon(program.Home("icons/item.png")),
            readIcon(program.Home("icons/prop.png")), tagged(program.Home("icons/itemex.png"));
        QVERIFY(WaitPictures(*viewer, unreadIcon, 3));

        // Expand all, Collapse all, the first item's read icon, its title: opened, its picture
        // shows, the others stay closed.
        m_Screen.Keys(*viewer, {"Tab", "Tab", "Tab", "Tab", "Return"});
        std::optional<QPoint> shown;
        QVERIFY2(QTest::qWaitFor(
                     [&] { return bool(shown = FindColour(m_Screen.Shot(), first, viewer->rect)); },
                     15000),
            "the first item never opened");
        QImage shot = m_Screen.Save("keys-2-opened");
        QVERIFY(!FindColour(shot, second, viewer->rect));
        // On to its tag icon, pressed with Return: tagged, and shown read once the page is
        // made again.
        m_Screen.Keys(*viewer, {"Tab", "Return"});
        QVERIFY(WaitPictures(*viewer, tagged, 1));
        QVERIFY(WaitPictures(*viewer, readIcon, 1));
        m_Screen.Save("keys-3-tagged");
        // The filter menu from the menu key; its last entry, Tagged: one item left.
        m_Screen.Keys(*viewer, {"Menu"});
        QVERIFY(m_Screen.WaitWindow(".*", 5000, [&](const Window &w) {
            return w.popup && w.rect.width() > 32 && viewer->rect.contains(w.rect.topLeft());
        }));
        m_Screen.Save("keys-4-filter-menu");
        m_Screen.Run("xdotool", {"key", "Up", "Return"}); // round to its foot, in the open menu
        const bool taggedOnly = QTest::qWaitFor(
            [&] {
                shot = m_Screen.Shot();
                return FindPicture(shot, unreadIcon, viewer->rect).isEmpty()
                    && FindPicture(shot, readIcon, viewer->rect).size() == 1
                    && FindPicture(shot, tagged, viewer->rect).size() == 1;
            },
            15000);
        m_Screen.Save("keys-5-tagged-only");
        QVERIFY2(taggedOnly, "the tagged filter never showed the one item");
        m_Screen.Keys(*viewer, {"Escape"});
        QVERIFY(m_Screen.WaitGone("^Keyboard News - Tarnwick$"));

        QVERIFY2(program.Stop(), qPrintable(program.Ending()));
        const QByteArray store = testsupport::readFile(folder + "/items.xml");
        QVERIFY(StoredItem(store, "k1").contains("<read>true</read>"));
        QVERIFY(StoredItem(store, "k1").contains("<flag>true</flag>"));
        QVERIFY(StoredItem(store, "k2").contains("<read>false</read>"));
        QVERIFY(StoredItem(store, "k2").contains("<flag>false</flag>"));
    }

    // A German desktop: the windows speak German while the files are written as in every
    // language; the preference brings English back from the next start.
    void germanFromTheSystemLocale()
    {
        m_Http.route("/deutsch.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Deutsch Feed</title>" + Item("Erste", "", "d1", 1)
                + Item("Zweite", "", "d2", 30) + "</channel></rss>",
            {}};
        Program program(m_Screen, m_Http.url(""));
        program.language = QStringLiteral("de_DE.UTF-8");
        const QString folder = program.Home("profiles/greta");
        const QString url = m_Http.url("/deutsch.xml");
        const QString conf = program.Config("Veltrasic/Tarnwick.conf");
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"greta"}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"Mine", {url}}}));
        QVERIFY(profilefiles::WriteChannels(folder, {{url, "Stored"}}));
        QVERIFY(profilefiles::Write(conf, "[PREFS]\nFIRSTRUN=False\n[START]\nOPENMAIN=1\n"));

        QVERIFY(program.Start());
        auto main = MainWindow();
        QVERIFY(main);
        // The items are stored with English month names, as in every language.
        QByteArray stored;
        QVERIFY(QTest::qWaitFor(
            [&] {
                stored = StoredItem(testsupport::readFile(folder + "/items.xml"), "d2");
                return !stored.isEmpty();
            },
            30000));
        static const QRegularExpression englishDate(QStringLiteral(
            "date=\"\\d\\d (Jan|Feb|Mar|Apr|May|Jun|Jul|Aug|Sep|Oct|Nov|Dec) \\d{4}\""));
        QVERIFY2(englishDate.match(QString::fromUtf8(stored)).hasMatch(), stored.constData());
        m_Screen.Click(Button(0, "prefs", *main));
        auto prefs = m_Screen.WaitWindow("^Einstellungen$");
        QVERIFY2(prefs, "the Preferences in German");
        m_Screen.Save("i18n-01-german");
        // The last box keeps English: on, then OK.
        m_Screen.Keys(*prefs, {"Tab", "shift+Tab"});
        m_Screen.Keys(*prefs, QStringList(8, "Tab") << "space");
        m_Screen.Save("i18n-02-english-chosen");
        m_Screen.Keys(*prefs, {"Return"});
        QVERIFY(m_Screen.WaitGone("^Einstellungen$"));
        m_Screen.Save("i18n-03-german-main");
        QVERIFY(testsupport::readFile(conf).contains("ENGLISH=True"));
        QVERIFY2(program.Stop(), qPrintable(program.Ending()));
        // What was written does not depend on the language.
        QVERIFY(testsupport::readFile(folder + "/channels.xml")
                    .contains("<title>Deutsch Feed</title>"));
        QVERIFY(testsupport::readFile(folder + "/groups.xml").contains("<title>All Items</title>"));

        QVERIFY(program.Start());
        main = MainWindow();
        QVERIFY(main);
        m_Screen.Click(Button(0, "prefs", *main));
        prefs = m_Screen.WaitWindow("^Preferences$");
        QVERIFY2(prefs, "English kept by the preference");
        m_Screen.Save("i18n-04-english-kept");
        m_Screen.Keys(*prefs, {"Escape"});
        QVERIFY(m_Screen.WaitGone("^Preferences$"));
        QVERIFY2(program.Stop(), qPrintable(program.Ending()));
    }

    // A large store kept by hand and by older versions (a namespace on the root, comments,
    // CDATA, escaped attributes, odd marks) goes through a session untouched: the channel's
    // fetch brings nothing new, one item is read from the keyboard, and at the end the file is
    // exactly what that one mark makes of it.
    void largeStoreKeptExactly()
    {
        Program program(m_Screen, m_Http.url(""));
        program.NotTheFirstStart();
        const QString folder = program.Home("profiles/lea");
        const QString url = m_Http.url("/lean.xml");
        const QByteArray feedItems = Item("Lean one", "http://127.0.0.1/l1", "l1", 1)
            + Item("Lean two", "http://127.0.0.1/l2", "l2", 2)
            + Item("Lean three", "http://127.0.0.1/l3", "l3", 3);
        m_Http.route("/lean.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Lean</title>" + feedItems + "</channel></rss>",
            {}};
        auto stored = [&](int n, const QByteArray &channel, const QByteArray &title,
                          const QByteArray &guid, const QByteArray &description,
                          const QByteArray &extra) {
            const ItemMoment m = CurrentMoment() - 3600 * (n + 1);
            const QByteArray hash = modHash::ItemHash(QString::fromUtf8(channel),
                QString::fromUtf8(title), QString::fromUtf8(description), QString())
                                        .toUtf8();
            return "<item channel=\"" + QString::fromUtf8(channel).toHtmlEscaped().toUtf8()
                + "\" date=\"" + FormatItemDate(m).toUtf8() + "\" time=\""
                + FormatItemTime(m).toUtf8() + "\"><title>" + title + "</title><description>"
                + QString::fromUtf8(description).toHtmlEscaped().toUtf8() + "</description><guid>"
                + guid + "</guid>" + extra
                + "<read>false</read><flag>false</flag><delete>false</delete>"
                + "<channeltitle>Lean</channeltitle><hash>" + hash + "</hash></item>\n";
        };
        QByteArray store = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                           "<itembank version=\"1\" xmlns:x=\"urn:x\">\n<!-- kept by hand -->\n";
        store += stored(0, url.toUtf8(), "Lean one", "l1", "Lean one told at length", {});
        store += stored(1, url.toUtf8(), "Lean two", "l2", "Lean two told at length", {});
        store += stored(2, url.toUtf8(), "Lean three", "l3", "Lean three told at length", {});
        for (int n = 3; n < 3000; ++n) {
            const QByteArray id = QByteArray::number(n);
            store += stored(n, "http://127.0.0.1/gone.xml?a=1&b=\"" + id + "\"", "Old " + id,
                "o" + id, "<p>Kept &amp; more</p>",
                n % 7 ? QByteArray("<x:creator>Ann</x:creator>")
                      : QByteArray("<content><![CDATA[<b>raw</b> & odd]]></content>"));
        }
        store += "</itembank>\n";
        QVERIFY(profilefiles::WriteProfileList(program.Home(), {"lea"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{url, QStringLiteral("Lean")}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"Lean", {url}}}));
        QVERIFY(testsupport::writeFile(folder + "/items.xml", store));

        // What that one mark makes of the file, as libxml2 reads and writes it.
        xml::Document expected;
        expected.setHugeText(true);
        QVERIFY(expected.loadXML(store));
        const auto first = expected.selectSingleNode("/itembank/item[guid='l1']");
        QVERIFY(first);
        SetItemRead(*first, true);
        const QString expectedPath = program.Home("expected.xml");
        QVERIFY(expected.save(expectedPath));

        QVERIFY(program.Start());
        const auto main = MainWindow();
        QVERIFY(main);
        QVERIFY(QTest::qWaitFor([&] { return m_Http.count("GET", "/lean.xml") > 0; }, 20000));
        m_Screen.Keys(*main, {"End", "Return"});
        const auto viewer = m_Screen.WaitWindow("^Lean - Tarnwick$");
        QVERIFY(viewer);
        const QImage unreadIcon(program.Home("icons/item.png"));
        const QImage readIcon(program.Home("icons/prop.png"));
        QVERIFY(WaitPictures(*viewer, unreadIcon, 3));
        m_Screen.Keys(*viewer, {"j"});
        QVERIFY(WaitPictures(*viewer, readIcon, 1));
        m_Screen.Save("lean-01-viewer");
        QVERIFY2(ExitFromTray(program), qPrintable(program.Ending()));
        // The help channel's items joined the store meanwhile; apart from them, byte for byte.
        QString written = QString::fromUtf8(testsupport::readFile(folder + "/items.xml"));
        const qsizetype before = written.size();
        written.remove(QRegularExpression("  <item channel=\"file://[^\"]*/help.xml\".*?</item>\n",
            QRegularExpression::DotMatchesEverythingOption));
        QVERIFY(written.size() < before);
        QCOMPARE(written.toUtf8(), testsupport::readFile(expectedPath));
    }
};

QTEST_MAIN(TestUserRoad)
#include "tst_userroad.moc"
