#include "SkinWindows.h"

#include <QApplication>
#include <QCursor>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
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
    return QGuiApplication::primaryScreen()->grabWindow(0, r.x(), r.y(), r.width(), r.height()).toImage();
}

QString artefact(const QString &name)
{
    QDir().mkpath(QStringLiteral("screenshots"));
    return QDir::current().absoluteFilePath(QStringLiteral("screenshots/") + name);
}

} // namespace

class TestSkinWindows : public QObject
{
    Q_OBJECT

private slots:
    void maskColourMakesAHole();
    void styleAndMoving();
};

void TestSkinWindows::maskColourMakesAHole()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run under xvfb-run)");
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
    QTest::qWait(200); // let the X server draw both windows

    const QRect area(50, 50, 100, 100);
    QImage shot = screenAt(area);
    shot.save(artefact("shaped-window.png"));
    QCOMPARE(shot.pixelColor(10, 10), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(50, 50), QColor(Qt::green)); // the desktop through the hole
    QCOMPARE(shot.pixelColor(39, 50), QColor(Qt::red));
    // The hole takes no clicks: the window behind gets them.
    QCOMPARE(QApplication::widgetAt(100, 100), &desktop);

    tsp.ResetWindow();
    QTest::qWait(200);
    shot = screenAt(area);
    shot.save(artefact("shaped-window-reset.png"));
    QCOMPARE(shot.pixelColor(50, 50), QColor(255, 0, 255)); // the window's own pixels again
}

void TestSkinWindows::styleAndMoving()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (run under xvfb-run)");
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
    QVERIFY(SkinWindow::DragWindow(&window));
    QCursor::setPos(240, 185);
    QMouseEvent move(QEvent::MouseMove, QPointF(40, 35), QPointF(240, 185), Qt::NoButton,
                     Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(40, 35), QPointF(240, 185),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&window, &release);
    QCOMPARE(window.pos(), before + QPoint(30, 25));
}

// Real windows on the X server when there is one (the test run provides it), else skipped.
int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    TestSkinWindows test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_skinwindows.moc"
