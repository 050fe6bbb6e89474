#include "DesktopServices.h"
#include "Include.h"
#include "TestSupport.h"
#include "frmTarnSkin.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage solid(QColor c, int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

struct FakeWindow : ISkinnedWindow
{
    QStringList calls;
    QSet<QString> trueWords = {"", "mouseoverwindow"};
    QPointF cursor;
    bool overWindow = true;
    int repaints = 0;
    bool customCursor = false;
    void PaintMe() override { ++repaints; }
    void SkinHandler(const QString &f, float x, float y, bool released) override
    {
        calls
            << QStringLiteral("%1 %2 %3 %4").arg(f).arg(x).arg(y).arg(released ? "true" : "false");
    }
    QString DecodeText(const QString &t) override { return QString(t).replace("{user}", "anna"); }
    bool DecodeIf(const QString &w) override { return trueWords.contains(w); }
    QPointF CursorOnSurface() const override { return cursor; }
    bool CursorOverWindow() const override { return overWindow; }
    void SetSurfaceCursor(bool custom) override { customCursor = custom; }
};

struct Opened : DesktopServices
{
    QStringList urls;
    void PlaySound(const QString &) override { }
    bool OpenUrl(const QString &u) override
    {
        urls << u;
        return true;
    }
};

} // namespace

class TestSkinPaint : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void frameTilesAndCorners();
    void placementAndHitTest();
    void mouseProtocol();

private:
    void loadSkin(const QByteArray &text)
    {
        const QString folder = m_Home.filePath("skins/T");
        QDir().mkpath(folder);
        testsupport::writeFile(folder + "/skin.txt", text);
        solid(Qt::red, 10, 10).save(folder + "/tl.png");
        solid(Qt::green, 10, 10).save(folder + "/tr.png");
        solid(Qt::blue, 4, 10).save(folder + "/top.png");
        solid(Qt::red, 8, 8).save(folder + "/n.png");
        solid(Qt::blue, 8, 8).save(folder + "/h.png");
        solid(Qt::yellow, 8, 8).save(folder + "/p.png");
        Include::Settings().SaveSetting("PREFS", frmTarnSkin::VersionKey(), "True");
        Include::Settings().SaveSetting("PREFS", "SKINNAME", "T");
        m_Skin.LoadSkin();
    }

    QTemporaryDir m_Home;
    QTemporaryDir m_Config;
    frmTarnSkin m_Skin;
};

void TestSkinPaint::init()
{
    QDir(m_Home.path()).removeRecursively();
    QDir().mkpath(m_Home.path());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
}

void TestSkinPaint::frameTilesAndCorners()
{
    loadSkin(
        "defineframe dialog\nframecolor &H00FFFFFF\n"
        "defineframe main\nframecolor &H000000\nframenw tl.png\nframene tr.png\nframen top.png\n");
    // No pictures: only the background.
    QImage plain(20, 20, QImage::Format_RGB32);
    m_Skin.PaintBorder(plain, 5);
    QCOMPARE(plain.pixelColor(0, 0), QColor(Qt::white));
    QCOMPARE(plain.pixelColor(19, 19), QColor(Qt::white));

    QImage wide(40, 30, QImage::Format_RGB32);
    m_Skin.PaintBorder(wide, 0);
    QCOMPARE(wide.pixelColor(2, 2), QColor(Qt::red));
    QCOMPARE(wide.pixelColor(20, 2), QColor(Qt::blue));
    QCOMPARE(wide.pixelColor(35, 2), QColor(Qt::green)); // the corner lies over the last tile
    QCOMPARE(wide.pixelColor(20, 20), QColor(Qt::black));

    // Narrower than the two corners: no top tile, the left corner over the right one.
    QImage narrow(15, 30, QImage::Format_RGB32);
    m_Skin.PaintBorder(narrow, 0);
    QCOMPARE(narrow.pixelColor(7, 2), QColor(Qt::red));
    QCOMPARE(narrow.pixelColor(12, 2), QColor(Qt::green));
    for (int x = 0; x < 15; ++x)
        QVERIFY(narrow.pixelColor(x, 2) != QColor(Qt::blue));
}

void TestSkinPaint::placementAndHitTest()
{
    frmSkinEntity e;
    e.left = -1;
    EntityPlace p = SkinPainter::PlaceEntity(e, QSizeF(20, 10), QSizeF(200, 100));
    QCOMPARE(p.x, 180.0f);
    e.left = 0;
    e.top = -1;
    p = SkinPainter::PlaceEntity(e, QSizeF(20, 10), QSizeF(200, 100));
    QCOMPARE(p.y, 90.0f);
    frmSkinEntity text;
    text.Text = "a caption of any length";
    text.Width = 100;
    text.Center = true;
    p = SkinPainter::PlaceEntity(text, QSizeF(37, 12), QSizeF(300, 50));
    QCOMPARE(p.x, 100.0f);
    QCOMPARE(p.width, 100.0f);
    // Both edges count.
    const EntityPlace box {10, 20, 8, 6};
    QVERIFY(SkinPainter::HitTest(box, 10, 20));
    QVERIFY(SkinPainter::HitTest(box, 18, 26));
    QVERIFY(!SkinPainter::HitTest(box, 18.5f, 26));
    QVERIFY(!SkinPainter::HitTest(box, 9.9f, 22));
}

void TestSkinPaint::mouseProtocol()
{
    loadSkin("defineentity close\nfunction Close\nleft 10\ntop 10\nimage n.png\n"
             "imagemousemove h.png\nimagemousedown p.png\n"
             "defineentity under\nfunction under\nleft 12\ntop 12\nimage n.png\n"
             "defineentity plain\nleft 40\ntop 10\nimage n.png\n"
             "defineentity web\nleft 60\ntop 10\nimage n.png\nlink http://127.0.0.1/home\nfunction "
             "ignored\n"
             "defineentity hidden\nleft 80\ntop 10\nimage n.png\nifnot mouseoverwindow\n"
             "defineentity label\nfunction addchannel\ntext Hello {user}\ntextmousemove "
             "Hello\nleft 10\ntop -1\n");
    FakeWindow window;
    Opened opened;
    DesktopServices::Install(&opened);
    QImage surface(120, 60, QImage::Format_RGB32);
    m_Skin.PaintAll(&window, surface, 0);
    QCOMPARE(surface.pixelColor(12, 12), QColor(Qt::red));
    QVERIFY(surface.pixelColor(82, 12) != QColor(Qt::red)); // hidden while over the window
    QCOMPARE(m_Skin.PlaceOf(5).x, 10.0f); // the text entity sits on the bottom edge
    QVERIFY(m_Skin.PlaceOf(5).y + m_Skin.PlaceOf(5).height - 1 <= 60);

    // Hover: the hover picture, until the cursor leaves.
    QVERIFY(m_Skin.SkinMouseMove(&window, surface, 0, 11, 11, 0));
    QCOMPARE(surface.pixelColor(11, 11), QColor(Qt::blue));
    QVERIFY(m_Skin.IsWatching(0));
    window.cursor = QPointF(100, 50);
    m_Skin.tmrMouse_Timer(0);
    QCOMPARE(surface.pixelColor(11, 11), QColor(Qt::red));
    // A text entity with a function shows the custom pointer.
    const EntityPlace label = m_Skin.PlaceOf(5);
    QVERIFY(m_Skin.SkinMouseMove(&window, surface, 0, label.x + 1, label.y + 1, 0));
    QVERIFY(window.customCursor);

    // Press: the pressed picture and the handler with the entity's left and bottom edge.
    QVERIFY(m_Skin.SkinMouseDown(&window, surface, 1, 13, 13, 0));
    QCOMPARE(window.calls.first(), QStringLiteral("close 10 18 false"));
    QVERIFY(!m_Skin.SkinMouseDown(&window, surface, 1, 42, 12, 0)); // no function
    QVERIFY(!m_Skin.SkinMouseDown(&window, surface, 2, 13, 13, 0)); // right button
    // Release over two overlapping entities: only the first acts.
    window.calls.clear();
    QVERIFY(m_Skin.SkinMouseUp(&window, surface, 1, 13, 13, 0));
    QCOMPARE(window.calls, QStringList {"close 10 18 true"});
    // A link opens and calls no handler.
    window.calls.clear();
    QVERIFY(m_Skin.SkinMouseUp(&window, surface, 1, 61, 11, 0));
    QCOMPARE(opened.urls, QStringList {"http://127.0.0.1/home"});
    QVERIFY(window.calls.isEmpty());
    // Hidden while the cursor is over the window: not drawn, not hit.
    QVERIFY(!m_Skin.SkinMouseUp(&window, surface, 1, 81, 11, 0));
    window.trueWords.remove("mouseoverwindow");
    QImage again(120, 60, QImage::Format_RGB32);
    m_Skin.PaintAll(&window, again, 0);
    QCOMPARE(again.pixelColor(82, 12), QColor(Qt::red));
    m_Skin.ForgetOwner(&window);
    DesktopServices::Install(nullptr);
}

QTEST_MAIN(TestSkinPaint)
#include "tst_skinpaint.moc"
