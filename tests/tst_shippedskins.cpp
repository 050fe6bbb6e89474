#include "Include.h"
#include "frmTarnSkin.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

// A demo owner: sample placeholder values, the cursor over the window, the ticker playing.
struct DemoWindow : ISkinnedWindow
{
    void PaintMe() override {}
    void SkinHandler(const QString &, float, float, bool) override {}
    QString DecodeText(const QString &t) override
    {
        QString s = t;
        const QList<QPair<QString, QString>> values = {
            {"{user}", "anna"}, {"{channels}", "12"}, {"{items}", "48"}, {"{allitems}", "120"},
            {"{title}", "Tarn Valley News"}, {"{filter}", "Unread"},
            {"{chl}", "Tarn Valley News"}};
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
    void SetSurfaceCursor(bool) override {}
};

} // namespace

class TestShippedSkins : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void loadsAndPaints_data();
    void loadsAndPaints();

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
    QCOMPARE(int(engine.Entities().size()), 35);
    // Every tree state has a picture of the skin's own, not the built-in mark.
    for (const QString &key : frmTarnSkin::kTreeKeys)
        QVERIFY2(!engine.TreeImages().value(key).isNull(), qPrintable(key));

    QDir().mkpath("screenshots");
    DemoWindow demo;
    const QList<QPair<int, QSize>> kinds = {{0, {260, 420}}, {1, {520, 360}}, {3, {640, 24}},
                                            {4, {320, 140}}, {5, {300, 160}}};
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
}

QTEST_MAIN(TestShippedSkins)
#include "tst_shippedskins.moc"
