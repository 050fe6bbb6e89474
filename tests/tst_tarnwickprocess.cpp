// The program tarnwick as a user starts it: one instance per session, and a termination signal
// (the end of the session) saves every document and lets the bank write its store.
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "TestSupport.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace testsupport;

class TestTarnwickProcess : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Home, m_Config, m_Runtime;
    LocalHttpServer m_Http;

    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TARNWICK_HOME", m_Home.path());
        env.insert("XDG_CONFIG_HOME", m_Config.path());
        env.insert("XDG_RUNTIME_DIR", m_Runtime.path());
        env.insert("TARNWICK_VENDOR_BASE", m_Http.url(""));
        return env;
    }

private slots:
    void signalSavesEverything()
    {
        QFile::setPermissions(m_Runtime.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        m_Http.route("/a.xml") = {200,
            "<rss version=\"2.0\"><channel><title>Alpha</title>"
            "<item><title>One</title><guid>1</guid></item>"
            "<item><title>Two</title><guid>2</guid></item></channel></rss>",
            {}};
        const QString a = m_Http.url("/a.xml");
        const QString folder = m_Home.filePath("profiles/anna");
        QVERIFY(profilefiles::WriteProfileList(m_Home.path(), {"anna"}));
        QVERIFY(profilefiles::WriteChannels(folder, {{a, "Stored title"}}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {a}}}));

        QProcess first;
        first.setProcessEnvironment(Environment());
        first.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        first.start(QStringLiteral(TARNWICK_PATH), {});
        QVERIFY(first.waitForStarted());
        // The channel's first reload comes 5 s after its list is read.
        QVERIFY(QTest::qWaitFor([&] { return m_Http.count("GET", "/a.xml") > 0; }, 20000));

        // A second start finds the first and ends at once.
        QProcess second;
        second.setProcessEnvironment(Environment());
        second.start(QStringLiteral(TARNWICK_PATH), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitCode(), 0);
        QCOMPARE(first.state(), QProcess::Running);

        // The store is written when the queue runs empty; either way, SIGTERM must leave it.
        QTest::qWait(500);
        ::kill(pid_t(first.processId()), SIGTERM);
        QVERIFY(first.waitForFinished(20000));
        QCOMPARE(first.exitStatus(), QProcess::NormalExit);
        QCOMPARE(first.exitCode(), 0);

        const QByteArray channels = readFile(folder + "/channels.xml");
        QVERIFY2(
            channels.contains("<title>Alpha</title>"), channels.constData()); // the fetched title
        QVERIFY(readFile(folder + "/groups.xml").contains(a.toUtf8()));
        QCOMPARE(readFile(folder + "/items.xml").count("channel=\"" + a.toUtf8() + "\""), 2);
        QVERIFY(readFile(m_Home.filePath("profiles/profiles.xml"))
                    .contains("<username>anna</username>"));
        // The window's place is kept for the next start.
        QVERIFY(readFile(m_Config.filePath("Veltrasic/Tarnwick.conf")).contains("Saved=True"));
    }
};

QTEST_GUILESS_MAIN(TestTarnwickProcess)
#include "tst_tarnwickprocess.moc"
