#include "Include.h"
#include "XmlDocument.h"
#include "frmTarnSkin.h"

#include <QDir>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A demo owner: sample placeholder values, the cursor over the window, the ticker playing.
struct DemoWindow : ISkinnedWindow
{
    void PaintMe() override { }
    void SkinHandler(const QString &, float, float, bool) override { }
    QString DecodeText(const QString &t) override
    {
        QString s = t;
        const QList<QPair<QString, QString>> values = {{"{user}", "anna"}, {"{channels}", "12"},
            {"{items}", "48"}, {"{allitems}", "120"}, {"{title}", "Tarn Valley News"},
            {"{filter}", "Unread"}, {"{chl}", "Tarn Valley News"}, {"{date}", "06 Dec"},
            {"{time}", "10:00"}};
        for (const auto &[key, value] : values)
            s.replace(key, value);
        return s;
    }
    bool DecodeIf(const QString &w) override
    {
        return w.isEmpty() || w == "mouseoverwindow" || w == "playing";
    }
    QPointF CursorOnSurface() const override { return {}; }
    bool CursorOverWindow() const override { return true; }
    void SetSurfaceCursor(bool) override { }
};

} // namespace

class TestShippedSkins : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadsAndPaints_data();
    void loadsAndPaints();
    void sharpAtTwiceTheScale_data() { loadsAndPaints_data(); }
    void sharpAtTwiceTheScale();

private:
    QTemporaryDir m_Home;
    QTemporaryDir m_Config;
};

void TestShippedSkins::initTestCase()
{
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
    QVERIFY(Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)));
}

void TestShippedSkins::loadsAndPaints_data()
{
    QTest::addColumn<QString>("skin");
    QTest::newRow("Basalt") << "Basalt";
    QTest::newRow("Heath") << "Heath";
}

void TestShippedSkins::loadsAndPaints()
{
    QFETCH(QString, skin);
    QStringList reports;
    frmTarnSkin::SetReporter([&](const QString &t) { reports << t; });
    frmTarnSkin engine;
    Include::Settings().SaveSetting("PREFS", frmTarnSkin::VersionKey(), "True");
    Include::Settings().SaveSetting("PREFS", "SKINNAME", skin);
    engine.LoadSkin();
    frmTarnSkin::SetReporter({});
    QVERIFY2(reports.isEmpty(), qPrintable(reports.join('\n')));
    QCOMPARE(engine.SkinName(), skin);
    QCOMPARE(int(engine.Entities().size()), 40);
    // Every tree state has a picture of the skin's own, not the built-in mark.
    for (const QString &key : frmTarnSkin::kTreeKeys)
        QVERIFY2(!engine.TreeImages().value(key).isNull(), qPrintable(key));

    QDir().mkpath("screenshots");
    DemoWindow demo;
    const QList<QPair<int, QSize>> kinds = {
        {0, {260, 420}}, {1, {520, 360}}, {3, {640, 24}}, {4, {320, 140}}, {5, {300, 160}}};
    for (const auto &[kind, size] : kinds) {
        QImage surface(size, QImage::Format_RGB32);
        engine.PaintAll(&demo, surface, kind);
        // The frame is drawn: the top edge differs from the middle of the window.
        QVERIFY(surface.pixelColor(size.width() / 2, 1) != QColor(Qt::black));
        // Outside the rounded corners lies the mask colour (a hole in the window).
        if (kind != 3)
            QCOMPARE(surface.pixelColor(0, 0), QColor(255, 0, 255));
        surface.save(QStringLiteral("screenshots/skin-%1-kind%2.png").arg(skin).arg(kind));
    }

    // Fonts reach widgets, colour only when asked.
    QLabel label;
    const QColor before = label.palette().color(QPalette::WindowText);
    engine.SetFont(&label, 0, false);
    QCOMPARE(label.font().family(), engine.Font(0)->face);
    QVERIFY(label.font().bold());
    QCOMPARE(label.palette().color(QPalette::WindowText), before);
    engine.SetFont(&label, 0, true);
    QCOMPARE(
        label.palette().color(QPalette::WindowText), SkinPainter::ToColor(engine.GetFontColor(0)));
    QCOMPARE(engine.GetFont(3).pointSizeF(), 8.0);
    engine.SetFont(nullptr, 0, true); // nothing to set: nothing happens

    // The stylesheets the windows apply: the page structure they rely on.
    QVERIFY(engine.ViewerStylesheet());
    QVERIFY(engine.TickerStylesheet());
    xml::Document list;
    QVERIFY(list.loadXML(
        QByteArray("<items><item channel=\"c\" date=\"06 Dec 2026\" time=\"10:00:00\"><title>First "
                   "&amp; foremost</title>"
                   "<description>&lt;p&gt;Body "
                   "&lt;b&gt;one&lt;/b&gt;&lt;/p&gt;</description><read>false</read>"
                   "<flag>true</flag><delete>false</delete><channeltitle>Valley</"
                   "channeltitle><hash>H1</hash></item>"
                   "<item channel=\"c\" date=\"05 Dec 2026\" "
                   "time=\"09:00:00\"><title>Second</title><link>http://127.0.0.1/2</link>"
                   "<read>true</read><flag>false</flag><delete>false</delete><channeltitle>Valley</"
                   "channeltitle>"
                   "<hash>H2</hash></item></items>")));
    const QString page =
        QString::fromUtf8(engine.ViewerStylesheet()->transformToText(list).value_or(""));
    QVERIFY(page.contains(".channelTitle{display:none;}"));
    QVERIFY(page.contains("id=\"expandall\"") && page.contains("id=\"collapseall\""));
    QCOMPARE(page.count("class=\"item collapsed"), 2);
    QVERIFY(page.indexOf("First &amp; foremost") < page.indexOf("Second"));
    QVERIFY(
        page.contains("cmd('R',1)") && page.contains("cmd('D',2)") && page.contains("cmd('T',2)"));
    QVERIFY(page.contains("<p>Body <b>one</b></p>")); // the item's own markup
    QVERIFY(page.contains("icons/itemex.png")); // the first item is tagged

    xml::Document one;
    QVERIFY(one.loadXML(QByteArray(
        "<channel><item date=\"06 Dec 2026\" time=\"10:00:00\"><title>Only</title>"
        "<description>Text</description><channeltitle>Valley</channeltitle></item></channel>")));
    const QString preview =
        QString::fromUtf8(engine.TickerStylesheet()->transformToText(one).value_or(""));
    QVERIFY(preview.contains("Only") && preview.contains("Valley - 06 Dec 2026 10:00"));
}

// On a screen of twice the density the "@2x" pictures are taken, at the same logical size.
void TestShippedSkins::sharpAtTwiceTheScale()
{
    QFETCH(QString, skin);
    Include::Settings().SaveSetting("PREFS", frmTarnSkin::VersionKey(), "True");
    Include::Settings().SaveSetting("PREFS", "SKINNAME", skin);
    frmTarnSkin normal;
    frmTarnSkin::SetPictureScale(1);
    normal.LoadSkin();
    frmTarnSkin sharp;
    frmTarnSkin::SetPictureScale(2);
    sharp.LoadSkin();
    frmTarnSkin::SetPictureScale(0);
    const QImage &one = normal.Frame(0).imgTopL;
    const QImage &two = sharp.Frame(0).imgTopL;
    QCOMPARE(two.devicePixelRatio(), 2.0);
    QCOMPARE(two.size(), one.size() * 2);
    QCOMPARE(two.deviceIndependentSize(), QSizeF(one.size()));
    QCOMPARE(
        sharp.Entities()[0].img.deviceIndependentSize(), QSizeF(normal.Entities()[0].img.size()));

    DemoWindow demo;
    const QSize logical(260, 420);
    QImage surface(logical * 2, QImage::Format_RGB32);
    surface.setDevicePixelRatio(2);
    sharp.PaintAll(&demo, surface, 0);
    QImage plain(logical, QImage::Format_RGB32);
    normal.PaintAll(&demo, plain, 0);
    QDir().mkpath("screenshots");
    surface.save(QStringLiteral("screenshots/skin-%1-kind0@2x.png").arg(skin));
    // The same layout, twice the pixels: the corner hole and the close button where they were.
    QCOMPARE(surface.pixelColor(0, 0), QColor(255, 0, 255));
    const EntityPlace close = sharp.PlaceOf(0);
    QCOMPARE(close.x, normal.PlaceOf(0).x);
    QCOMPARE(surface.pixelColor(int(close.x * 2 + 16), int(close.y * 2 + 16)),
        plain.pixelColor(int(close.x + 8), int(close.y + 8)));

    // The item viewer's icons are the skin's own at both scales, not the engine's squares.
    frmTarnSkin bare; // no skin read: the built-in pictures
    const QMap<QString, QString> files = {{"item", "item_unread"}, {"prop", "item_read"},
        {"itemex", "item_tagged"}, {"tagfade", "item_untagged"}, {"del", "item_delete"},
        {"nodel", "item_undelete"}, {"link", "item_open"}};
    const QString folder = QStringLiteral(TARNWICK_DATA "/skins/") + skin + QLatin1Char('/');
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QImage own1(folder + it.value() + ".png"), own2(folder + it.value() + "@2x.png");
        QVERIFY2(!own1.isNull() && own2.size() == own1.size() * 2, qPrintable(it.value()));
        auto same = [](const QImage &a, const QImage &b) {
            return a.convertToFormat(QImage::Format_ARGB32)
                == b.convertToFormat(QImage::Format_ARGB32);
        };
        QVERIFY2(same(normal.ItemIcons().value(it.key()), own1), qPrintable(it.key()));
        QVERIFY2(same(sharp.ItemIcons().value(it.key()), own2), qPrintable(it.key()));
        QVERIFY(!same(bare.ItemIcons().value(it.key()), own1));
    }
}

QTEST_MAIN(TestShippedSkins)
#include "tst_shippedskins.moc"
