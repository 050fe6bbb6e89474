#include "FramelessWindow.h"
#include "Include.h"
#include "SkinAccessible.h"
#include "SkinWindows.h"
#include "SkinnedDialog.h"
#include "SkinnedFrame.h"
#include "frmAddChannel.h"
#include "frmAddGroup.h"
#include "frmSkin.h"
#include "frmTarnSkin.h"

#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QCursor>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A frameless window that shows a picture.
class PictureWindow : public QWidget
{
public:
    explicit PictureWindow(const QImage &picture) : m_Picture(picture)
    {
        setWindowFlag(Qt::FramelessWindowHint);
        setFixedSize(picture.size());
    }
    QImage m_Picture;

protected:
    void paintEvent(QPaintEvent *) override { QPainter(this).drawImage(0, 0, m_Picture); }
};

QImage screenAt(const QRect &r)
{
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, r.x(), r.y(), r.width(), r.height())
        .toImage();
}

QString artefact(const QString &name)
{
    QDir().mkpath(QStringLiteral("screenshots"));
    return QDir::current().absoluteFilePath(QStringLiteral("screenshots/") + name);
}

// A skinned window of one kind as the program's windows are: its surface painted and shown by
// SkinnedFrame, the skin's conditions answered as those windows answer them.
class DemoFrame : public SkinnedFrame
{
public:
    explicit DemoFrame(int kind) : SkinnedFrame(kind) { }
    bool paused = false;
    QStringList functions;

    void SkinHandler(const QString &function, float, float, bool released) override
    {
        if (released)
            functions << function;
    }
    QString DecodeText(const QString &t) override { return t; }
    bool DecodeIf(const QString &w) override
    {
        if (w == QLatin1String("false") || w == QLatin1String("dock"))
            return false;
        if (w == QLatin1String("mouseoverwindow"))
            return CursorOverWindow();
        if (w == QLatin1String("playing") || w == QLatin1String("paused"))
            return paused == (w == QLatin1String("paused"));
        return true;
    }

protected:
    void resizeEvent(QResizeEvent *) override { RebuildSurface(); }
};

// An application folder and settings of their own, with a shipped skin chosen.
struct SkinHome
{
    QTemporaryDir home, config;
    bool Choose(const QString &skin)
    {
        qputenv("TARNWICK_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        if (!Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)))
            return false;
        Include::Settings().SaveSetting("PREFS", frmTarnSkin::VersionKey(), "True");
        Include::Settings().SaveSetting("PREFS", "SKINNAME", skin);
        return true;
    }
};

} // namespace

class TestSkinWindows : public QObject
{
    Q_OBJECT

private slots:
    void maskColourMakesAHole();
    void styleAndMoving();
    void maskOfADenseSurface();
    void skinnedDemoWindows_data();
    void skinnedDemoWindows();
    void buttonEffectsReachTheScreen_data() { skinnedDemoWindows_data(); }
    void buttonEffectsReachTheScreen();
    void dialogsWearTheSkin_data() { skinnedDemoWindows_data(); }
    void dialogsWearTheSkin();
    void skinButtonsAreAccessible_data() { skinnedDemoWindows_data(); }
    void skinButtonsAreAccessible();
};

void TestSkinWindows::maskColourMakesAHole()
{
    QImage green(300, 300, QImage::Format_RGB32);
    green.fill(Qt::green);
    PictureWindow desktop(green);
    desktop.move(0, 0);
    desktop.show();

    QImage painted(100, 100, QImage::Format_RGB32);
    painted.fill(Qt::red);
    QPainter(&painted).fillRect(40, 40, 20, 20, QColor(255, 0, 255));
    PictureWindow window(painted);
    window.move(50, 50);
    window.show();
    Transparent tsp(&window);
    tsp.setMaskColor(QColor(255, 0, 255));
    tsp.setMaskPicture(painted);
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.raise();

    // The X server draws both windows and applies the shape in its own time.
    const QRect area(50, 50, 100, 100);
    QImage shot;
    QTRY_VERIFY_WITH_TIMEOUT((shot = screenAt(area)).pixelColor(50, 50) == QColor(Qt::green)
            && shot.pixelColor(10, 10) == QColor(Qt::red),
        10000); // the desktop through the hole, the window around it
    shot.save(artefact("shaped-window.png"));
    QCOMPARE(shot.pixelColor(39, 50), QColor(Qt::red));
    // The hole takes no clicks: the window behind gets them.
    QCOMPARE(QApplication::widgetAt(100, 100), &desktop);

    tsp.ResetWindow();
    // The window's own pixels again.
    QTRY_COMPARE_WITH_TIMEOUT(
        (shot = screenAt(area)).pixelColor(50, 50), QColor(255, 0, 255), 10000);
    shot.save(artefact("shaped-window-reset.png"));
}

void TestSkinWindows::styleAndMoving()
{
    QWidget window;
    window.resize(120, 80);
    window.move(200, 150);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint before = window.pos();
    clsStyle style;
    style.setClient(&window);
    style.setTitlebar(false);
    QVERIFY(window.windowFlags() & Qt::FramelessWindowHint);
    QVERIFY(window.isVisible());
    QCOMPARE(window.pos(), before);
    style.setTopMost(true);
    QVERIFY(window.windowFlags() & Qt::WindowStaysOnTopHint);
    style.setSizable(false);
    QCOMPARE(window.minimumSize(), window.maximumSize());

    // No window manager here: the window follows the mouse itself.
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    QCursor::setPos(210, 160);
    QVERIFY(FramelessWindow::StartMove(&window));
    QCursor::setPos(240, 185);
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 35), QPointF(240, 185), Qt::NoButton,
        Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(40, 35), QPointF(240, 185),
        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &release);
    QCOMPARE(window.pos(), before + QPoint(30, 25));
}

// A surface painted at twice the density shapes the window in its logical pixels.
void TestSkinWindows::maskOfADenseSurface()
{
    QImage dense(200, 100, QImage::Format_RGB32);
    dense.setDevicePixelRatio(2);
    dense.fill(Qt::red);
    QPainter(&dense).fillRect(QRectF(0, 0, 10, 50), QColor(255, 0, 255)); // logical units
    QWidget window;
    window.resize(100, 50);
    Transparent tsp(&window);
    tsp.setMaskColor(QColor(255, 0, 255));
    tsp.setMaskPicture(dense);
    QCOMPARE(window.mask().boundingRect(), QRect(10, 0, 90, 50));
}

void TestSkinWindows::skinnedDemoWindows_data()
{
    QTest::addColumn<QString>("skin");
    QTest::newRow("Basalt") << "Basalt";
    QTest::newRow("Heath") << "Heath";
}

// A skinned window of each kind, shaped by the skin's mask colour, as the X server shows it.
void TestSkinWindows::skinnedDemoWindows()
{
    QFETCH(QString, skin);
    SkinHome folder;
    QVERIFY(folder.Choose(skin));
    frmTarnSkin engine;
    engine.LoadSkin();

    QImage green(700, 500, QImage::Format_RGB32);
    green.fill(Qt::green);
    PictureWindow desktop(green);
    desktop.move(0, 0);
    desktop.show();

    struct Owner : ISkinnedWindow
    {
        void PaintMe() override { }
        void SkinHandler(const QString &, float, float, bool) override { }
        QString DecodeText(const QString &t) override
        {
            return QString(t)
                .replace("{user}", "anna")
                .replace("{title}", "Tarn Valley News")
                .replace("{channels}", "12")
                .replace("{items}", "48")
                .replace("{allitems}", "120")
                .replace("{filter}", "Unread")
                .replace("{chl}", "Tarn Valley News");
        }
        bool DecodeIf(const QString &w) override { return w.isEmpty() || w == "playing"; }
        QPointF CursorOnSurface() const override { return {}; }
        bool CursorOverWindow() const override { return false; }
        void SetSurfaceCursor(bool) override { }
    } owner;

    const QList<QPair<int, QSize>> kinds = {
        {0, {240, 360}}, {1, {420, 300}}, {3, {600, 24}}, {4, {320, 140}}, {5, {300, 160}}};
    for (const auto &[kind, size] : kinds) {
        QImage surface(size, QImage::Format_RGB32);
        engine.PaintAll(&owner, surface, kind);
        PictureWindow window(surface);
        window.move(40, 40);
        window.show();
        Transparent tsp(&window);
        tsp.setMaskColor(SkinPainter::ToColor(engine.MaskColor));
        tsp.setMaskPicture(surface);
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        window.raise();
        // The window's own pixels inside, the desktop through the rounded-off corners; the
        // X server applies the shape and paints in its own time, so look until it has.
        const QPoint middle(size.width() / 2, size.height() / 2);
        QImage shot;
        auto shown = [&] {
            shot = screenAt(QRect(40, 40, size.width(), size.height()));
            return shot.pixelColor(middle) == surface.pixelColor(middle)
                && (kind == 3 || shot.pixelColor(0, 0) == QColor(Qt::green));
        };
        QTRY_VERIFY_WITH_TIMEOUT(shown(), 10000);
        shot.save(artefact(QStringLiteral("window-%1-kind%2.png").arg(skin).arg(kind)));
        window.hide();
    }
}

// Every picture button of a shipped skin, in every kind of window, looks different on screen
// under the cursor and pressed, and as before once the cursor has left it (the X server's
// pixels: the window must repaint what the skin drew into its surface).
void TestSkinWindows::buttonEffectsReachTheScreen()
{
    QFETCH(QString, skin);
    SkinHome folder;
    QVERIFY(folder.Choose(skin));
    frmTarnSkin &engine = frmTarnSkin::Instance();
    engine.LoadSkin();
    QCOMPARE(engine.SkinName(), skin);

    struct Case
    {
        int kind;
        QSize size;
        bool paused;
    };
    const QList<Case> cases = {{0, {260, 360}, false}, {1, {420, 300}, false},
        {3, {600, 24}, false}, {3, {600, 24}, true}, {4, {320, 140}, false}};
    int checked = 0;
    QImage sheet;
    for (const Case &c : cases) {
        DemoFrame window(c.kind);
        window.paused = c.paused;
        window.resize(c.size);
        window.move(60, 60);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        const QPoint origin = window.geometry().topLeft();
        const QPoint neutral = origin + QPoint(c.size.width() / 2, c.size.height() / 2);
        QCursor::setPos(neutral);
        QTRY_VERIFY(window.CursorOverWindow());
        // The enter event shows the buttons kept for a cursor over the window; wait for it.
        QTRY_VERIFY(window.underMouse());
        for (int i = 0; i < int(engine.Entities().size()); ++i) {
            const frmSkinEntity &e = engine.Entities()[size_t(i)];
            if (e.Window != c.kind || e.Function.isEmpty() || e.img.isNull()
                || !window.DecodeIf(e.If) || window.DecodeIf(e.IfNot))
                continue;
            QVERIFY2(!e.imgMM.isNull() && !e.imgMD.isNull(), qPrintable(e.Function));
            const EntityPlace at = engine.PlaceOf(i);
            const QRect button(origin + QPoint(qRound(at.x), qRound(at.y)),
                QSize(qRound(at.width), qRound(at.height)));
            const QPoint inside = button.center() - origin;
            const QString what = QStringLiteral("%1 %2 kind %3").arg(skin, e.Function).arg(c.kind);
            // The plain picture is what the window paints with the cursor elsewhere on it; the
            // screen settles on that (read again each time: a slow machine may still be
            // painting the window when the first look is taken).
            QImage normal;
            QTRY_VERIFY2_WITH_TIMEOUT(
                (normal = window.grab(QRect(button.topLeft() - origin, button.size()))
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32))
                    == screenAt(button).convertToFormat(QImage::Format_RGB32),
                qPrintable(what), 30000);
            QCursor::setPos(button.center());
            QImage hover;
            QTRY_VERIFY2((hover = screenAt(button).convertToFormat(QImage::Format_RGB32)) != normal,
                qPrintable(what + " hover"));
            QTest::mousePress(&window, Qt::LeftButton, {}, inside);
            QImage pressed;
            QTRY_VERIFY2((pressed = screenAt(button).convertToFormat(QImage::Format_RGB32)) != hover
                    && pressed != normal,
                qPrintable(what + " pressed"));
            QCursor::setPos(neutral);
            QTest::mouseRelease(&window, Qt::LeftButton, {}, neutral - origin);
            QTRY_COMPARE_WITH_TIMEOUT(
                screenAt(button).convertToFormat(QImage::Format_RGB32), normal, 30000);
            QVERIFY2(window.functions.isEmpty(), qPrintable(what)); // released off the button
            // normal, hover, pressed side by side, a row per button
            QImage row(normal.width() * 3, normal.height(), QImage::Format_RGB32);
            QPainter(&row).drawImage(0, 0, normal);
            QPainter(&row).drawImage(normal.width(), 0, hover);
            QPainter(&row).drawImage(normal.width() * 2, 0, pressed);
            QImage grown(qMax(sheet.width(), row.width()), sheet.height() + row.height(),
                QImage::Format_RGB32);
            grown.fill(Qt::white);
            QPainter(&grown).drawImage(0, 0, sheet);
            QPainter(&grown).drawImage(0, sheet.height(), row);
            sheet = grown;
            ++checked;
        }
        window.hide();
    }
    sheet.save(artefact(QStringLiteral("buttons-%1.png").arg(skin)));
    QVERIFY(checked >= 25); // every button of the four windows (play and pause both)
}

// A dialog shown for real carries the skin's dialog frame on screen, its controls inside it, and
// is worked with the keyboard as before: Tab moves on, Escape cancels, Enter accepts.
void TestSkinWindows::dialogsWearTheSkin()
{
    QFETCH(QString, skin);
    SkinHome folder;
    QVERIFY(folder.Choose(skin));
    frmTarnSkin &engine = frmTarnSkin::Instance();
    engine.LoadSkin();
    const int n = engine.FrameNSize(SkinnedDialog::kKind),
              w = engine.FrameWSize(SkinnedDialog::kKind),
              e = engine.FrameESize(SkinnedDialog::kKind),
              s = engine.FrameSSize(SkinnedDialog::kKind);
    QVERIFY(n > 0 && w > 0 && e > 0 && s > 0);
    const QColor frameColour = SkinPainter::ToColor(engine.FrameColor(SkinnedDialog::kKind));

    QStringList added;
    frmAddGroup dialog(nullptr, [&](const QString &name) { return added << name, true; }, {});
    frmSkin chooser;
    QVERIFY(chooser.Populate());
    for (QDialog *shown : {static_cast<QDialog *>(&dialog), static_cast<QDialog *>(&chooser)}) {
        shown->move(80, 80);
        shown->show();
        QVERIFY(QTest::qWaitForWindowExposed(shown));
        const QRect on = shown->geometry();
        const QImage expected =
            SkinnedDialog::Background(shown).convertToFormat(QImage::Format_RGB32);
        QImage shot;
        // The frame's pieces all round, as the skin paints them; the skin's colour between the
        // frame and the controls (the margin the skin's frame sizes leave).
        auto framed = [&] {
            shot = screenAt(on).convertToFormat(QImage::Format_RGB32);
            if (shot.size() != expected.size())
                return false;
            const QList<QRect> edges = {QRect(0, 0, on.width(), n), QRect(0, 0, w, on.height()),
                QRect(on.width() - e, 0, e, on.height()), QRect(0, on.height() - s, on.width(), s)};
            for (const QRect &r : edges)
                if (shot.copy(r) != expected.copy(r))
                    return false;
            return shot.pixelColor(w + 3, n + 3) == frameColour
                && shot.pixelColor(on.width() - e - 3, on.height() - s - 3) == frameColour;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(framed(), qPrintable(skin + " " + shown->windowTitle()), 10000);
        shot.save(artefact(QStringLiteral("dialog-%1-%2.png").arg(skin, shown->objectName())));
        // Not the plain dialog: the frame's own pieces differ from its background colour.
        QVERIFY(expected.pixelColor(on.width() / 2, 1) != frameColour
            || expected.pixelColor(1, on.height() / 2) != frameColour);
        for (QLabel *label : shown->findChildren<QLabel *>())
            QVERIFY(label->palette().color(QPalette::WindowText) != frameColour);
        shown->hide();
    }

    // A dialog with tab pages: the pages keep the desktop's light panel, and the words on them
    // stay dark enough to read there.
    frmAddChannel tabbed(nullptr);
    tabbed.show();
    QVERIFY(QTest::qWaitForWindowExposed(&tabbed));
    QLabel *onPage = tabbed.findChild<QTabWidget *>()->currentWidget()->findChild<QLabel *>();
    QVERIFY(onPage && !onPage->text().isEmpty());
    const QImage words =
        tabbed.grab(QRect(onPage->mapTo(&tabbed, QPoint()), onPage->size())).toImage();
    int dark = 0;
    for (int y = 0; y < words.height(); ++y)
        for (int x = 0; x < words.width(); ++x)
            dark += qGray(words.pixel(x, y)) < 100;
    QVERIFY2(dark > 0, qPrintable(skin));

    // The keyboard: Tab leaves the name box, Escape closes without adding, Enter adds.
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    dialog.cboGroup()->setFocus();
    QTRY_VERIFY(dialog.cboGroup()->hasFocus());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QTRY_VERIFY(!dialog.cboGroup()->hasFocus() && dialog.isAncestorOf(QApplication::focusWidget()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QTRY_VERIFY(!dialog.isVisible());
    QVERIFY(added.isEmpty());
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    dialog.activateWindow();
    dialog.cboGroup()->setFocus();
    QTRY_VERIFY(dialog.cboGroup()->hasFocus());
    dialog.cboGroup()->lineEdit()->selectAll();
    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("Walks"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(!dialog.isVisible());
    QCOMPARE(added, QStringList {"Walks"});
}

// Real windows on the X server when there is one (the test run provides it), else skipped.// Every
// skin button of a shipped skin's windows is in Qt's accessibility tree as a push button named
// after what it does, where the window shows it (a click at its middle does what its press action
// does); the skin's captions are texts. Buttons shown only while the cursor is over the window are
// there all the time.
void TestSkinWindows::skinButtonsAreAccessible()
{
    QFETCH(QString, skin);
    SkinHome folder;
    QVERIFY(folder.Choose(skin));
    frmTarnSkin &engine = frmTarnSkin::Instance();
    engine.LoadSkin();

    // The words a person hears for the shipped skins' functions.
    const QHash<QString, QString> words = {{"0 close", "Close"}, {"0 max", "Maximize"},
        {"0 min", "Minimize"}, {"0 windowframe", "Show or hide the frame"},
        {"0 addchannel", "Add channel"}, {"0 reloadall", "Reload all channels"},
        {"0 openticker", "Open or close the ticker"}, {"0 profiles", "Profiles"},
        {"0 prefs", "Preferences"}, {"0 search", "Search for channels"}, {"1 close", "Close"},
        {"1 max", "Maximize"}, {"1 min", "Minimize"}, {"1 sortmenu", "Filter menu"},
        {"1 markallread", "Mark all items read"}, {"1 reload", "Reload channel"},
        {"1 openinbrowser", "Open the channel's web page"}, {"1 untagall", "Untag all items"},
        {"1 sortall", "Show all items"}, {"1 sortunread", "Show unread items"},
        {"1 sorttoday", "Show today's items"}, {"1 sorttagged", "Show tagged items"},
        {"3 tickermenu", "Ticker menu"}, {"3 prev", "Previous headline"}, {"3 pause", "Pause"},
        {"3 play", "Play"}, {"3 next", "Next headline"}, {"3 tag", "Tag headline"},
        {"3 delete", "Delete headline"}, {"3 link", "Open headline in browser"},
        {"3 close", "Close"}, {"4 close", "Close"}, {"4 link", "Open headline in browser"}};
    struct Case
    {
        int kind;
        QSize size;
        bool paused;
    };
    const QList<Case> cases = {{0, {260, 360}, false}, {1, {420, 300}, false},
        {3, {600, 24}, false}, {3, {600, 24}, true}, {4, {320, 140}, false}};
    int buttons = 0;
    for (const Case &c : cases) {
        DemoFrame window(c.kind);
        window.paused = c.paused;
        window.resize(c.size);
        window.move(60, 60);
        QCursor::setPos(1200, 1000); // away from the window: its hover-only buttons are not drawn
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QTRY_VERIFY(!window.CursorOverWindow());

        // What the window should offer: its buttons' names and its captions, in skin order.
        QStringList names, texts;
        for (const frmSkinEntity &e : engine.Entities()) {
            if (e.Window != c.kind || e.If == (c.paused ? "playing" : "paused"))
                continue;
            if (!e.Function.isEmpty() && e.Function != "move")
                names << words.value(QString::number(c.kind) + ' ' + e.Function, e.Function);
            else if (!e.Text.isEmpty())
                texts << e.Text;
        }
        QAccessibleInterface *frame = QAccessible::queryAccessibleInterface(&window);
        QVERIFY(frame && frame->isValid());
        QCOMPARE(frame->role(), QAccessible::Window);
        QStringList seenNames, seenTexts;
        for (int i = 0; i < frame->childCount(); ++i) {
            QAccessibleInterface *child = frame->child(i);
            QVERIFY(child && child->isValid());
            QCOMPARE(child->parent(), frame);
            QCOMPARE(frame->indexOfChild(child), i);
            const QString name = child->text(QAccessible::Name);
            const QString what = QStringLiteral("%1 kind %2: %3").arg(skin).arg(c.kind).arg(name);
            if (child->role() == QAccessible::StaticText) {
                seenTexts << name;
                continue;
            }
            if (child->role() != QAccessible::Button)
                continue; // the window's own controls
            seenNames << name;
            // On the window, where a click meets it: the click and the press action both do
            // the button's function, once.
            const QRect r = child->rect();
            QVERIFY2(!r.isEmpty() && window.geometry().contains(r), qPrintable(what));
            QCOMPARE(frame->childAt(r.center().x(), r.center().y()), child);
            QAccessibleActionInterface *action = child->actionInterface();
            QVERIFY2(action, qPrintable(what));
            QCOMPARE(
                action->actionNames(), QStringList {QAccessibleActionInterface::pressAction()});
            window.functions.clear();
            action->doAction(QAccessibleActionInterface::pressAction());
            QTRY_COMPARE(window.functions.size(), 1);
            const QString pressed = window.functions.first();
            QCOMPARE(words.value(QString::number(c.kind) + ' ' + pressed, pressed), name);
            QCursor::setPos(r.center()); // hover-only buttons are drawn and clicked
            QTRY_VERIFY(window.CursorOverWindow());
            window.functions.clear();
            QTest::mouseClick(&window, Qt::LeftButton, {}, window.mapFromGlobal(r.center()));
            QCOMPARE(window.functions, QStringList {pressed});
            QCursor::setPos(1200, 1000);
            QTRY_VERIFY(!window.CursorOverWindow());
            ++buttons;
        }
        QCOMPARE(seenNames, names);
        QCOMPARE(seenTexts, texts); // this window's texts are the skin's templates as they are
        window.hide();
    }
    QVERIFY(buttons >= 40); // every button of the four windows (play and pause both)
    // A function no window knows keeps its own word; the viewer's reload is the channel's.
    QCOMPARE(SkinAccessible::FunctionName("nosuch", 0), QString());
    QCOMPARE(SkinAccessible::FunctionName("reload", 1), QStringLiteral("Reload channel"));
    QCOMPARE(SkinAccessible::FunctionName("Close", 4), QStringLiteral("Close"));
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestSkinWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_skinwindows.moc"
