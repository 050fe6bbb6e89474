#include "DesktopServices.h"
#include "Include.h"
#include "TestSupport.h"
#include "frmTarnSkin.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

namespace {

QImage solid(QColor c, int w = 8, int h = 8)
{
    QImage image(w, h, QImage::Format_RGB32);
    image.fill(c);
    return image;
}

} // namespace

class TestSkinFile : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void commentsOnlyGivesTheDefaults();
    void grammar();
    void brokenSkinsAreReportedOnceAndSurvived();
    void firstStartOfAVersionShowsBasalt();
    void skinSoundsArePlayed();

private:
    // Writes skins/<name>/skin.txt (and the pictures a.png, b.png) and selects it.
    void writeSkin(const QString &name, const QByteArray &text)
    {
        const QString folder = m_Home.filePath("skins/" + name);
        QDir().mkpath(folder);
        testsupport::writeFile(folder + "/skin.txt", text);
        solid(Qt::red).save(folder + "/a.png");
        solid(Qt::blue, 12, 4).save(folder + "/b.png");
    }
    void load(const QString &name)
    {
        Include::Settings().SaveSetting("PREFS", frmTarnSkin::VersionKey(), "True");
        Include::Settings().SaveSetting("PREFS", "SKINNAME", name);
        m_Skin.LoadSkin();
    }

    QTemporaryDir m_Home;
    QTemporaryDir m_Config;
    frmTarnSkin m_Skin;
    QStringList m_Reports;
};

void TestSkinFile::init()
{
    QDir(m_Home.path()).removeRecursively();
    QDir().mkpath(m_Home.path());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
    m_Reports.clear();
    frmTarnSkin::SetReporter([this](const QString &t) { m_Reports << t; });
}

void TestSkinFile::cleanup()
{
    frmTarnSkin::SetReporter({});
}

void TestSkinFile::commentsOnlyGivesTheDefaults()
{
    writeSkin("Plain", "; nothing but comments\n   ; and blanks\n\n");
    load("Plain");
    QVERIFY(m_Reports.isEmpty());
    QCOMPARE(m_Skin.SkinName(), QStringLiteral("Plain"));
    QCOMPARE(m_Skin.TreeRowHeight, qint16(15));
    QCOMPARE(m_Skin.TreeColor, qint32(0x00FFB29D));
    QCOMPARE(m_Skin.MaskColor, qint32(0x00FF00FF));
    QCOMPARE(m_Skin.FrameColor(3), qint32(0x00FF0000));
    QCOMPARE(m_Skin.FrameColor(0), qint32(0x8000000F));
    QCOMPARE(m_Skin.FrameNSize(1), qint16(30));
    QCOMPARE(m_Skin.FrameSSize(4), qint16(5));
    QCOMPARE(m_Skin.Font(0)->face, QStringLiteral("tahoma"));
    QVERIFY(m_Skin.Font(0)->bold);
    QCOMPARE(m_Skin.GetFontColor(1), qint32(0x00FFFFFF));
    QVERIFY(!m_Skin.Font(3));
    QVERIFY(m_Skin.Entities().empty());
    QCOMPARE(m_Skin.XslFile, m_Home.path() + "/tarnwick.xsl");
    QCOMPARE(m_Skin.WaveNewItem, m_Home.path() + "/alert.wav");
    QCOMPARE(m_Skin.TreeImageOrder(), frmTarnSkin::kTreeKeys + QStringList {"last"});
    QVERIFY(!m_Skin.TreeImages().value("err").isNull());
    QCOMPARE(m_Skin.ItemIcons().size(), 7);
}

void TestSkinFile::grammar()
{
    writeSkin("Full",
        "xslfile views/item.xsl\n"
        "face Verdana\n" // font 1, before any definefont
        "definefont 2\n"
        "size 12.5\n"
        "BOLD TRUE\n"
        "color &H00FF00\n"
        "definefont 5\n"
        "color &HFFFF\n"
        "defineframe channel\n"
        "framen a.png\n"
        "framensize 24\n"
        "framecolor &H8000000F\n"
        "defineframe ticker\n"
        "framecolor 16711935\n"
        "maskcolor &HFF00FF\n"
        "defineentity\n" // no word: nothing defined
        "defineentity close\n"
        "function CLOSE\n"
        "window channel\n"
        "TOP -12\n"
        "x 7.6\n"
        "center TRUE\n"
        "if MouseOverWindow\n"
        "image a.png\n"
        "imagemousemove b.png\n"
        "text Close {title}\n"
        "textmousemove Hover\n"
        "font 2\n"
        "define second\n"
        "y 3\n"
        "width 40.5\n"
        "link http://127.0.0.1/\n"
        "tickerattachchannel false\n"
        "tickerattachtitle true\n"
        "treerowheight 18\n"
        "icongroup a.png\n"
        "icongroupopen b.png\n"
        "icontag a.png\n"
        "unknownkeyword whatever\n");
    load("Full");
    QVERIFY2(m_Reports.isEmpty(), qPrintable(m_Reports.join('|')));
    QCOMPARE(m_Skin.XslFile, m_Home.path() + "/skins/Full/views/item.xsl");
    QCOMPARE(m_Skin.Font(0)->face, QStringLiteral("Verdana"));
    QCOMPARE(m_Skin.Font(1)->size, 12.5f);
    QVERIFY(m_Skin.Font(1)->bold);
    QCOMPARE(m_Skin.Font(1)->face, QStringLiteral("Arial")); // a new font's default
    QCOMPARE(m_Skin.GetFontColor(1), qint32(0x0000FF00));
    QCOMPARE(m_Skin.GetFontColor(4), qint32(0x0000FFFF)); // not -1
    QCOMPARE(m_Skin.Font(2)->size, 10.0f); // untouched
    QCOMPARE(m_Skin.FrameNSize(1), qint16(24));
    QCOMPARE(m_Skin.Frame(1).imgTopM.size(), QSize(8, 8));
    QCOMPARE(m_Skin.FrameColor(1), qint32(0x8000000F));
    QCOMPARE(m_Skin.FrameColor(3), qint32(0x00FF00FF));
    QCOMPARE(m_Skin.MaskColor, qint32(0x00FF00FF));

    QCOMPARE(int(m_Skin.Entities().size()), 2);
    const frmSkinEntity &e = m_Skin.Entities()[0];
    QCOMPARE(e.Function, QStringLiteral("close"));
    QCOMPARE(e.Window, 1);
    QCOMPARE(e.top, -12.0f);
    QCOMPARE(e.left, 7.6f);
    QVERIFY(e.Center);
    QCOMPARE(e.If, QStringLiteral("mouseoverwindow"));
    QCOMPARE(e.IfNot, QStringLiteral("false"));
    QCOMPARE(e.img.size(), QSize(8, 8));
    QCOMPARE(e.imgMM.size(), QSize(12, 4));
    QCOMPARE(e.Text, QStringLiteral("Close {title}"));
    QCOMPARE(e.lblMD.caption, QStringLiteral("Close {title}"));
    QCOMPARE(e.lblMM.caption, QStringLiteral("Hover"));
    QCOMPARE(e.lbl.font, 1);
    const frmSkinEntity &second = m_Skin.Entities()[1];
    QCOMPARE(second.top, 3.0f);
    QCOMPARE(second.Width, qint16(40)); // 40.5 rounds to even
    QCOMPARE(second.Link, QStringLiteral("http://127.0.0.1/"));
    QCOMPARE(second.Window, 0);

    QVERIFY(m_Skin.TickerAttachTitle); // the later line wins
    QCOMPARE(m_Skin.TreeRowHeight, qint16(18));
    // Both group images show the second picture; the tree list is completed and ends "last".
    QCOMPARE(m_Skin.TreeImages().value("expanded").size(), QSize(12, 4));
    QCOMPARE(m_Skin.TreeImages().value("collapse").size(), QSize(12, 4));
    QCOMPARE(m_Skin.TreeImages().value("flagged").size(), QSize(8, 8));
    QCOMPARE(m_Skin.TreeImageOrder().last(), QStringLiteral("last"));
    QCOMPARE(m_Skin.TreeImageOrder().size(), frmTarnSkin::kTreeKeys.size() + 1);
}

void TestSkinFile::brokenSkinsAreReportedOnceAndSurvived()
{
    load("Missing");
    QCOMPARE(m_Reports.size(), 1);
    QVERIFY(m_Reports[0].startsWith("Error Loading Skin File: "));
    QCOMPARE(m_Skin.TreeRowHeight, qint16(15));
    QCOMPARE(m_Skin.TreeImageOrder().last(), QStringLiteral("last"));

    QByteArray text = "treerowheight 20\n"
                      "function close\n" // line 2: before any defineentity
                      "definefont 22\n" // out of range
                      "framen missing.png\n"
                      "treecolor 255\n";
    for (int i = 0; i < 81; ++i)
        text += "defineentity e" + QByteArray::number(i) + "\nfunction f" + QByteArray::number(i)
            + "\n";
    writeSkin("Broken", text);
    m_Reports.clear();
    load("Broken");
    QCOMPARE(m_Reports.size(), 1);
    QVERIFY(m_Reports[0].startsWith("skin.txt - Error On Line: 2\nError Return: "));
    // Everything readable was read.
    QCOMPARE(m_Skin.TreeRowHeight, qint16(20));
    QCOMPARE(m_Skin.TreeColor, qint32(255));
    QCOMPARE(int(m_Skin.Entities().size()), 80);
    QCOMPARE(m_Skin.Entities().back().Function, QStringLiteral("f79"));
    QVERIFY(m_Skin.Frame(0).imgTopM.isNull());
}

void TestSkinFile::firstStartOfAVersionShowsBasalt()
{
    writeSkin("Basalt", "treerowheight 16\n");
    writeSkin("Other", "treerowheight 22\n");
    CRegSettings &s = Include::Settings();
    s.DeleteSetting("PREFS", frmTarnSkin::VersionKey());
    s.SaveSetting("PREFS", "SKINNAME", "Other");
    m_Skin.LoadSkin();
    QCOMPARE(m_Skin.SkinName(), QStringLiteral("Basalt"));
    QCOMPARE(s.GetSetting("PREFS", "SKINNAME", ""), QStringLiteral("Other"));
    m_Skin.LoadSkin();
    QCOMPARE(m_Skin.SkinName(), QStringLiteral("Other"));
    QCOMPARE(m_Skin.TreeRowHeight, qint16(22));
}

// The skin's "newitemwave", "animatewavedown" and "animatewaveup" are the files played; a sound
// file that is missing or cannot be read is quiet, with a line in the log.
void TestSkinFile::skinSoundsArePlayed()
{
    writeSkin("Loud",
        "newitemwave sounds/ping.wav\n"
        "animatewavedown down.wav\n"
        "animatewaveup up.wav\n");
    const QString folder = m_Home.filePath("skins/Loud/");
    QDir().mkpath(folder + "sounds");
    QVERIFY(QFile::copy(QStringLiteral(TARNWICK_DATA "/alert.wav"), folder + "sounds/ping.wav"));
    testsupport::writeFile(folder + "up.wav", "RIFF, but not a sound at all");
    load("Loud");

    struct Recorder : DesktopServices
    {
        QStringList played;
        void PlaySound(const QString &path) override { played << path; }
        bool OpenUrl(const QString &) override { return false; }
    } desktop;
    DesktopServices::Install(&desktop);
    Include::Settings().SaveSetting("PREFS", "ALERT", "True");
    Include::Settings().SaveSetting("PREFS", "DROP", "True");
    Include::ResetAlert();
    Include::PlayAlert();
    Include::PlayDrop();
    Include::PlayLift();
    QCOMPARE(desktop.played,
        (QStringList {folder + "sounds/ping.wav", folder + "down.wav", folder + "up.wav"}));
    // A skin without sounds: the program's own again.
    writeSkin("Quiet", "; no sounds\n");
    load("Quiet");
    Include::ResetAlert();
    Include::PlayAlert();
    QCOMPARE(desktop.played.last(), m_Home.path() + "/alert.wav");
    DesktopServices::Install(nullptr);

    // The desktop's own player: nothing breaks, the log says which file and why.
    load("Loud");
    static QStringList logged;
    logged.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &context, const QString &text) {
            if (QLatin1String(context.category) == QLatin1String("tarnwick.sound"))
                logged << text;
        });
    Include::PlayDrop(); // missing
    Include::PlayLift(); // not a sound
    Include::ResetAlert();
    Include::PlayAlert(); // a good one: no complaint
    QTRY_COMPARE(logged.size(), 2);
    qInstallMessageHandler(previous);
    QVERIFY2(logged[0].contains("no such file") && logged[0].endsWith(folder + "down.wav"),
        qPrintable(logged[0]));
    QVERIFY2(logged[1].endsWith(folder + "up.wav"), qPrintable(logged[1]));
}

QTEST_MAIN(TestSkinFile)
#include "tst_skinfile.moc"
