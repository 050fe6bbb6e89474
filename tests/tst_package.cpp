// The Debian package as a user gets it: built by CPack, its dependencies named, unpacked into
// a clean folder, its launcher entry and AppStream file valid, and the program inside it
// started, fetching a channel, and ended by SIGTERM with everything saved.
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "TestSupport.h"

#include <QDirIterator>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace testsupport;

namespace {

struct Run
{
    int code = -1;
    QString out;
};

Run Execute(const QString &program, const QStringList &arguments, const QString &folder = {},
    int timeoutMs = 300000)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    if (!folder.isEmpty())
        p.setWorkingDirectory(folder);
    p.start(program, arguments);
    if (!p.waitForFinished(timeoutMs))
        p.kill();
    return {
        p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromUtf8(p.readAll())};
}

} // namespace

class TestPackage : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Work, m_Home, m_Config, m_Runtime;
    QString m_Deb, m_Root;
    LocalHttpServer m_Http;

private slots:
    void buildThePackage()
    {
        const Run cpack = Execute("cpack",
            {"-G", "DEB", "--config", QStringLiteral(TARNWICK_BUILD "/CPackConfig.cmake"), "-B",
                m_Work.filePath("out")});
        QVERIFY2(cpack.code == 0, qPrintable(cpack.out));
        QDirIterator it(m_Work.filePath("out"), {"*.deb"});
        QVERIFY(it.hasNext());
        m_Deb = it.next();
        const Run depends = Execute("dpkg-deb", {"-f", m_Deb, "Depends"});
        QCOMPARE(depends.code, 0);
        for (const char *package : {"libqt6webenginewidgets6", "libqt6widgets6", "libqt6network6",
                 "libtidy5deb1", "libxml2", "libxslt1.1", "libqt6multimedia6", "qt6-qpa-plugins"})
            QVERIFY2(depends.out.contains(QLatin1String(package)), package);
        QVERIFY(!depends.out.contains("-dev"));
        m_Root = m_Work.filePath("root");
        QCOMPARE(Execute("dpkg-deb", {"-x", m_Deb, m_Root}).code, 0);
    }

    void desktopIntegration()
    {
        for (const char *file : {"usr/bin/tarnwick", "usr/bin/tarnloader", "usr/bin/tarnbank",
                 "usr/lib/libspanclock.so.1", "usr/share/applications/tarnwick.desktop",
                 "usr/share/icons/hicolor/scalable/apps/tarnwick.svg",
                 "usr/share/icons/hicolor/48x48/apps/tarnwick.png",
                 "usr/share/icons/hicolor/256x256/apps/tarnwick.png",
                 "usr/share/metainfo/example.veltrasic.Tarnwick.metainfo.xml",
                 "usr/share/tarnwick/tarnns.xsl", "usr/share/tarnwick/default.tidy",
                 "usr/share/tarnwick/skins/Basalt/skin.txt", "usr/share/tarnwick/help.xml",
                 "usr/share/tarnwick/translations/tarnwick_de.qm"})
            QVERIFY2(QFileInfo::exists(m_Root + "/" + file), file);
        const Run validate = Execute("appstreamcli",
            {"validate", "--no-net", "--pedantic",
                m_Root + "/usr/share/metainfo/example.veltrasic.Tarnwick.metainfo.xml"});
        QVERIFY2(validate.code == 0, qPrintable(validate.out));
        const QByteArray entry = readFile(m_Root + "/usr/share/applications/tarnwick.desktop");
        QVERIFY(entry.contains("Exec=tarnwick\n") && entry.contains("Icon=tarnwick\n"));
        QVERIFY(entry.contains("Categories=Network;News;"));
    }

    void programFromThePackage()
    {
        QFile::setPermissions(m_Runtime.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_Http.route("/p.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Packaged</title>"
            "<item><title>One</title><guid>1</guid></item></channel></rss>",
            {}};
        const QString folder = m_Home.filePath("profiles/anna");
        QVERIFY(profilefiles::WriteProfileList(m_Home.path(), {"anna"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{m_Http.url("/p.xml"), "Stored"}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {m_Http.url("/p.xml")}}}));
        QProcess program;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.remove("TARNLOADER_PATH"); // the server beside the packaged program
        env.insert("TARNWICK_HOME", m_Home.path());
        env.insert("XDG_CONFIG_HOME", m_Config.path());
        env.insert("XDG_RUNTIME_DIR", m_Runtime.path());
        env.insert("TARNWICK_VENDOR_BASE", m_Http.url(""));
        // On the X server when the test run has one, as a user would see it.
        env.insert("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
        program.setProcessEnvironment(env);
        program.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        program.start(m_Root + "/usr/bin/tarnwick", {});
        QVERIFY(program.waitForStarted());
        QVERIFY(QTest::qWaitFor([&] { return m_Http.count("GET", "/p.xml") > 0; }, 30000));
        QTest::qWait(1000);
        ::kill(pid_t(program.processId()), SIGTERM);
        QVERIFY(program.waitForFinished(20000));
        QCOMPARE(program.exitCode(), 0);
        // The application folder was seeded from the package's data, and everything was kept.
        QVERIFY(QFileInfo::exists(m_Home.filePath("skins/Heath/skin.txt")));
        QVERIFY(readFile(folder + "/channels.xml").contains("<title>Packaged</title>"));
        QVERIFY(readFile(folder + "/items.xml").contains("<title>One</title>"));
    }
};

QTEST_GUILESS_MAIN(TestPackage)
#include "tst_package.moc"
