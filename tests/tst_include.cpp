#include "DesktopServices.h"
#include "Include.h"
#include "TestSupport.h"
#include "XdgAutostart.h"

#include <QDir>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct FakeDesktop : DesktopServices
{
    QStringList played;
    QStringList opened;
    void PlaySound(const QString &path) override { played << QFileInfo(path).fileName(); }
    bool OpenUrl(const QString &address) override
    {
        opened << address;
        return true;
    }
};

} // namespace

class TestInclude : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void settingsRoundTrip_data();
    void settingsRoundTrip();
    void settingsSectionsAndDefaults();
    void startupListIsTheAutostartEntry();
    void autostartEntryStartsAnOddlyNamedProgram();
    void channelIdentifiers();
    void addressTests();
    void textAndColour_data();
    void textAndColour();
    void soundsAndAddresses();
    void appFolderIsSeeded();

private:
    QTemporaryDir m_Config;
    QTemporaryDir m_Home;
};

void TestInclude::init()
{
    qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    QDir(m_Config.path()).removeRecursively();
    QDir().mkpath(m_Config.path());
    Include::Settings().setCompany({});
    Include::Settings().setAppName({});
}

void TestInclude::settingsRoundTrip_data()
{
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::newRow("plain") << "PREFS"
                           << "SKINNAME"
                           << "Basalt";
    QTest::newRow("empty value") << "PREFS"
                                 << "SEARCH"
                                 << "";
    QTest::newRow("unnamed value") << "PREFS"
                                   << "*"
                                   << "default one";
    QTest::newRow("list-like") << "ADD"
                               << "OPML"
                               << "a, b; c = \"d\" 'e'";
    QTest::newRow("spaces kept") << "ADD"
                                 << "OPML"
                                 << "  padded  ";
    QTest::newRow("path") << "ADD"
                          << "OPML"
                          << "/home/u/My Files/tarn (2).opml";
    QTest::newRow("at sign") << "X"
                             << "K"
                             << "@Variant(junk)";
    QTest::newRow("unicode, breaks") << "X"
                                     << "K"
                                     << "Tårn – ✓\nline 2\ttab\\";
    QTest::newRow("url key") << "Spotlight"
                             << "https://host.example/dir/featured.xml_lastmod"
                             << "Mon, 02 Oct 2006 13:00:00 GMT";
    QTest::newRow("odd key") << "Spotlight"
                             << "a\\b%2Fc/d"
                             << "1";
    QTest::newRow("General") << "General"
                             << "Key"
                             << "v";
    QTest::newRow("no section") << ""
                                << "Top"
                                << "level";
}

void TestInclude::settingsRoundTrip()
{
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    CRegSettings &s = Include::Settings();
    QVERIFY(s.SaveSetting(section, key, value));
    QCOMPARE(s.GetSetting(section, key, "DEFAULT"), value);
    // A fresh store reads the same from the file.
    CRegSettings other;
    QCOMPARE(other.GetSetting(section, key, "DEFAULT"), value);
    const auto rows = other.GetAllSettings(section);
    QVERIFY(rows);
    QVERIFY(rows->contains(qMakePair(key, value)));
}

void TestInclude::settingsSectionsAndDefaults()
{
    CRegSettings &s = Include::Settings();
    QCOMPARE(s.FilePath(), m_Config.path() + "/Veltrasic/Tarnwick.conf");
    QCOMPARE(s.GetSetting("Common", "LastID", "2560"), QStringLiteral("2560"));
    QVERIFY(!s.GetAllSettings("Nothing"));

    s.SaveSetting("TICKER_VIEW", "Top", "100");
    s.SaveSetting("TICKER_VIEW", "Left", "200");
    s.SaveSetting("Deep\\er\\Key", "K", "deep");
    QCOMPARE(s.GetSetting("Deep\\er\\Key", "K", ""), QStringLiteral("deep"));
    QVERIFY(!s.GetAllSettings("Deep")); // values of deeper sections are not the parent's

    // Switches and numbers as people and other programs write them.
    const QList<QPair<QString, bool>> switches = {{"True", true}, {"true", true}, {"1", true},
        {"-1", true}, {" 2.5", true}, {"False", false}, {"0", false}, {"0.0", false},
        {"yes", false}, {"", false}};
    for (const auto &[text, on] : switches) {
        s.SaveSetting("Switch", "On", text);
        QVERIFY2(s.GetBool("Switch", "On", !on) == on, qPrintable(text));
    }
    QVERIFY(s.GetBool("Switch", "Absent", true) && !s.GetBool("Switch", "Absent", false));
    const QList<QPair<QString, int>> numbers = {
        {"40.0", 40}, {"60 min", 60}, {" 7", 7}, {"2.5", 2}, {"minutes", 0}};
    for (const auto &[text, value] : numbers) {
        s.SaveSetting("Number", "N", text);
        QCOMPARE(s.GetNumber("Number", "N", -1), value);
    }
    QCOMPARE(s.GetNumber("Number", "Absent", 9), 9);

    QVERIFY(s.DeleteSetting("TICKER_VIEW", "Top"));
    QCOMPARE(s.GetSetting("TICKER_VIEW", "Top", "gone"), QStringLiteral("gone"));
    QCOMPARE(s.GetSetting("TICKER_VIEW", "Left", ""), QStringLiteral("200"));
    QVERIFY(s.DeleteSetting("TICKER_VIEW", ""));
    QCOMPARE(s.GetSetting("TICKER_VIEW", "Left", "gone"), QStringLiteral("gone"));

    s.setCompany("   ");
    QCOMPARE(s.Company(), QStringLiteral("Veltrasic"));
    s.setAppName("");
    QCOMPARE(s.AppName(), QStringLiteral("Tarnwick"));
    s.setCompany("  Other ");
    QCOMPARE(s.Company(), QStringLiteral("Other"));
    QCOMPARE(s.GetSetting("Deep\\er\\Key", "K", "elsewhere"), QStringLiteral("elsewhere"));
}

void TestInclude::startupListIsTheAutostartEntry()
{
    CRegSettings &s = Include::Settings();
    s.setCompany("Microsoft");
    s.setAppName("Windows");
    const QString run = "CurrentVersion\\Run";
    QCOMPARE(s.GetSetting(run, "Tarnwick", "none"), QStringLiteral("none"));
    QVERIFY(s.SaveSetting(run, "Tarnwick", "/usr/bin/tarnwick"));
    const QString entry = m_Config.path() + "/autostart/tarnwick.desktop";
    QVERIFY(QFile::exists(entry));
    QVERIFY(testsupport::readFile(entry).contains("Exec=\"/usr/bin/tarnwick\""));
    QCOMPARE(s.GetSetting(run, "Tarnwick", "none"), QStringLiteral("/usr/bin/tarnwick"));
    QVERIFY(s.DeleteSetting(run, "Tarnwick"));
    QVERIFY(!QFile::exists(entry));
    QCOMPARE(s.GetSetting(run, "Tarnwick", "none"), QStringLiteral("none"));
    // Nothing of it went into the program's own file.
    s.setCompany({});
    s.setAppName({});
    QVERIFY(!QFile::exists(m_Config.path() + "/Microsoft/Windows.conf"));
}

void TestInclude::autostartEntryStartsAnOddlyNamedProgram()
{
    // A program path with blanks, quotes, "$" and a backslash, started by the desktop's own
    // reader of the entry (GLib's, through gio). GLib looks for the program under its still
    // escaped name before it starts it, so a "%" in the path (written "%%") is checked only
    // by reading the entry back.
    CRegSettings &s = Include::Settings();
    s.setCompany("Microsoft");
    s.setAppName("Windows");
    const QString run = "CurrentVersion\\Run";
    const QString percent = "/opt/100% sure/tarnwick";
    QVERIFY(s.SaveSetting(run, "Tarnwick", percent));
    const QString entry = m_Config.path() + "/autostart/tarnwick.desktop";
    QVERIFY(testsupport::readFile(entry).contains("Exec=\"/opt/100%% sure/tarnwick\"\n"));
    QCOMPARE(s.GetSetting(run, "Tarnwick", "none"), percent);

    QTemporaryDir dir;
    const QString folder = dir.filePath("my apps");
    QVERIFY(QDir().mkpath(folder));
    const QString program = folder + "/tarn \"wick\" $HOME \\ 'x'";
    const QString marker = dir.filePath("started");
    QFile script(program);
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write("#!/bin/sh\ntouch \"" + marker.toUtf8() + "\"\n");
    script.close();
    QVERIFY(script.setPermissions(
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner));
    QVERIFY(s.SaveSetting(run, "Tarnwick", program));
    QCOMPARE(s.GetSetting(run, "Tarnwick", "none"), program);
    s.setCompany({});
    s.setAppName({});

    const QString gio = QStandardPaths::findExecutable("gio");
    if (gio.isEmpty())
        QSKIP("gio (libglib2.0-bin) is not installed");
    QProcess launch;
    launch.start(gio, {"launch", entry});
    QVERIFY(launch.waitForFinished(10000));
    QVERIFY2(launch.exitCode() == 0, launch.readAllStandardError().constData());
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(marker), 10000);
}

void TestInclude::channelIdentifiers()
{
    QCOMPARE(Include::NewChannelID(), QStringLiteral("A01"));
    QCOMPARE(Include::Settings().GetSetting("Common", "LastID", ""), QStringLiteral("2561"));
    QCOMPARE(Include::NewChannelID(), QStringLiteral("A02"));
    Include::Settings().SaveSetting("Common", "LastID", "4095");
    QCOMPARE(Include::NewChannelID(), QStringLiteral("1000"));
}

void TestInclude::addressTests()
{
    using namespace Include;
    for (const char *f : {"today", "yesterday", "week", "flagged", "deleted", "unread", "read"}) {
        QVERIFY(IsVirtualURL(QStringLiteral("_tarnwick/") + f));
        QVERIFY(IsSpecialURL(QStringLiteral("_tarnwick/") + f));
    }
    QVERIFY(!IsVirtualURL("_tarnwick/all") && !IsVirtualURL("_tarnwick/old"));
    QVERIFY(!IsVirtualURL("_Tarnwick/today"));
    QVERIFY(IsSpecialURL(VendorNewsURL()) && !IsVirtualURL(VendorNewsURL()));
    QVERIFY(IsVendorURL(VendorHelpURL()) && IsVendorURL(VendorNewsURL()));
    QVERIFY(VendorHelpURL().startsWith("file://") && VendorHelpURL().endsWith("/help.xml"));
    QVERIFY(!IsVendorURL("_tarnwick/today") && !IsSpecialURL("http://127.0.0.1/x"));
}

void TestInclude::textAndColour_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("stripped");
    QTest::newRow("tags") << "a<b>c<d>e"
                          << "ace";
    QTest::newRow("no close") << "a<b c"
                              << "a<b c";
    QTest::newRow("no open") << "a>b"
                             << "a>b";
    QTest::newRow("markup") << "<p>Hello <b>world</b></p>"
                            << "Hello world";
    QTest::newRow("stray close first") << "a > b <i>c</i>"
                                       << "a > b c";
    QTest::newRow("open without close") << "x<y>z<w"
                                        << "xz<w";
}

void TestInclude::textAndColour()
{
    QFETCH(QString, text);
    QFETCH(QString, stripped);
    QCOMPARE(Include::StripTags(text), stripped);
    QCOMPARE(Include::TrimText("  " + stripped + "\t"), stripped);

    const qint32 a = 0x00102030; // B 0x10, G 0x20, R 0x30
    const qint32 b = 0x00FF0080;
    QCOMPARE(Include::BlendColor(a, b, 0), b);
    QCOMPARE(Include::BlendColor(a, b, 100), a);
    QCOMPARE(Include::BlendColor(a, b, 150), a);
    QCOMPARE(Include::BlendColor(a, b, -5), b);
    // 50 %: R 0x80 - floor(0.5*0x50)=0x58, G 0x00 + floor(0.5*0x20)=0x10, B 0xFF -
    // floor(0.5*0xEF)=0x88
    QCOMPARE(Include::BlendColor(a, b, 50), qint32(0x00881058));
}

void TestInclude::soundsAndAddresses()
{
    FakeDesktop desktop;
    DesktopServices::Install(&desktop);
    quint32 now = 0xFFFFF000u; // the counter is about to wrap
    Include::SetTickSource([&] { return now; });
    Include::ResetAlert();

    Include::PlayAlert();
    QVERIFY(desktop.played.isEmpty()); // "ALERT" is off by default
    Include::Settings().SaveSetting("PREFS", "ALERT", "True");
    Include::PlayAlert();
    now += 4999; // across the wrap
    Include::PlayAlert();
    now += 1;
    Include::PlayAlert();
    QCOMPARE(desktop.played, (QStringList {"alert.wav", "alert.wav"}));

    Include::PlayDrop();
    Include::Settings().SaveSetting("PREFS", "DROP", "1");
    Include::PlayDrop();
    Include::PlayLift();
    QCOMPARE(desktop.played.mid(2), (QStringList {"drop.wav", "lift.wav"}));

    Include::OpenURL("http");
    Include::OpenURL("https://127.0.0.1/page");
    // Only web addresses reach the desktop, however the scheme is written.
    for (const char *refused : {"file:///etc/passwd", "/etc/passwd", "javascript:alert(1)",
             " JaVa\tScRipt:alert(1)", "data:text/html,<b>x</b>", "vbscript:x", "ssh://host/x",
             "smb://host/share", "~/secret"})
        Include::OpenURL(refused);
    Include::OpenURL("mailto:someone@example.com");
    Include::OpenURL("ftp://127.0.0.1/pub");
    Include::OpenURL("example.com/news");
    QCOMPARE(desktop.opened,
        (QStringList {"https://127.0.0.1/page", "mailto:someone@example.com", "ftp://127.0.0.1/pub",
            "example.com/news"}));
    Include::SetTickSource({});
    DesktopServices::Install(nullptr);
}

void TestInclude::appFolderIsSeeded()
{
    QTemporaryDir installed;
    QDir().mkpath(installed.filePath("skins/Basalt"));
    testsupport::writeFile(installed.filePath("skins/Basalt/skin.txt"), "installed skin");
    testsupport::writeFile(installed.filePath("tarnns.xsl"), "installed xsl");
    QFile::setPermissions(installed.filePath("tarnns.xsl"), QFileDevice::ReadOwner);
    // The user changed one file already: it stays theirs.
    testsupport::writeFile(m_Home.filePath("tarnns.xsl"), "my own xsl");

    QCOMPARE(Include::AppPath(), QDir(m_Home.path()).absolutePath());
    QVERIFY(Include::SeedAppFolder(installed.path()));
    QCOMPARE(testsupport::readFile(m_Home.filePath("skins/Basalt/skin.txt")),
        QByteArray("installed skin"));
    QCOMPARE(testsupport::readFile(m_Home.filePath("tarnns.xsl")), QByteArray("my own xsl"));
    // A newer version replaces copies the user never changed, and only those.
    testsupport::writeFile(installed.filePath("skins/Basalt/skin.txt"), "newer skin");
    QFile::setPermissions(
        installed.filePath("tarnns.xsl"), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    testsupport::writeFile(installed.filePath("tarnns.xsl"), "newer xsl");
    QVERIFY(Include::SeedAppFolder(installed.path()));
    QCOMPARE(
        testsupport::readFile(m_Home.filePath("skins/Basalt/skin.txt")), QByteArray("newer skin"));
    QCOMPARE(testsupport::readFile(m_Home.filePath("tarnns.xsl")), QByteArray("my own xsl"));
    testsupport::writeFile(m_Home.filePath("skins/Basalt/skin.txt"), "my own skin");
    testsupport::writeFile(installed.filePath("skins/Basalt/skin.txt"), "newest skin");
    QVERIFY(Include::SeedAppFolder(installed.path()));
    QCOMPARE(
        testsupport::readFile(m_Home.filePath("skins/Basalt/skin.txt")), QByteArray("my own skin"));
    // What a build ships is complete enough to start with.
    QVERIFY(Include::SeedAppFolder());
    for (const char *f : {"profiles/profiles.xml", "help.xml", "tarn.opml"})
        QVERIFY2(QFile::exists(m_Home.filePath(f)), f);
}

QTEST_GUILESS_MAIN(TestInclude)
#include "tst_include.moc"
