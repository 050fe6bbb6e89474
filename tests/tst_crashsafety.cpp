// Killing the programs at any moment leaves every document readable: tarnloader killed (-9)
// at random points of a fetch-and-save loop over feeds that change at every fetch, and tarnwick
// killed while it starts and saves.
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "TestSupport.h"
#include "XmlDocument.h"
#include "XmlGuard.h"

#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>

using namespace testsupport;

namespace {

QByteArray Feed(int round, int feed)
{
    QByteArray out =
        "<rss version=\"2.0\"><channel><title>Feed " + QByteArray::number(feed) + "</title>";
    for (int i = 0; i < 60; ++i)
        out += "<item><title>Round " + QByteArray::number(round) + " story " + QByteArray::number(i)
            + "</title><description>" + QByteArray(400, 'x') + "</description><guid>r"
            + QByteArray::number(round) + "-f" + QByteArray::number(feed) + "-"
            + QByteArray::number(i) + "</guid></item>";
    return out + "</channel></rss>";
}

// Every tarnloader serving this runtime folder (found through its environment).
QList<qint64> ServersOf(const QString &runtime)
{
    QList<qint64> pids;
    const QByteArray wanted = "XDG_RUNTIME_DIR=" + runtime.toUtf8();
    for (const QString &entry : QDir("/proc").entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        bool number = false;
        const qint64 pid = entry.toLongLong(&number);
        if (!number || readFile("/proc/" + entry + "/comm").trimmed() != "tarnloader")
            continue;
        if (readFile("/proc/" + entry + "/environ").split('\0').contains(wanted))
            pids << pid;
    }
    return pids;
}

// A document is whole: it parses, and its root is the one expected.
bool Readable(const QString &path, const char *root)
{
    if (!QFileInfo::exists(path))
        return true; // never written yet
    xml::Document doc;
    return doc.load(path) && doc.documentElement().nodeName() == QLatin1String(root);
}

QStringList SetAside(const QString &folder)
{
    return QDir(folder).entryList({"*.damaged*"});
}

} // namespace

class TestCrashSafety : public QObject
{
    Q_OBJECT

    LocalHttpServer m_Http;
    QTemporaryDir m_Runtime;

private slots:
    void initTestCase()
    {
        xml::initialize();
        QFile::setPermissions(m_Runtime.path(),
            QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }

    void serverKilledDuringFetchAndSave()
    {
        QTemporaryDir profile;
        QRandomGenerator random(20261207);
        QStringList urls;
        for (int f = 0; f < 4; ++f)
            urls << m_Http.url("/f" + QByteArray::number(f) + ".xml");
        int killed = 0;
        for (int round = 0; round < 16; ++round) {
            for (int f = 0; f < 4; ++f)
                m_Http.route("/f" + QByteArray::number(f) + ".xml") = {200, Feed(round, f), {}};
            QProcess fetch;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("XDG_RUNTIME_DIR", m_Runtime.path());
            fetch.setProcessEnvironment(env);
            fetch.start(QStringLiteral(TARNBANK_PATH),
                QStringList {"fetch", "--profile", profile.path()} + urls);
            QVERIFY(fetch.waitForStarted());
            QTest::qWait(int(random.bounded(100, 2600)));
            for (qint64 pid : ServersOf(m_Runtime.path())) {
                ::kill(pid_t(pid), SIGKILL);
                ++killed;
            }
            // Waiting with the event loop running: this process serves the feeds.
            QVERIFY(QTest::qWaitFor([&] { return fetch.state() == QProcess::NotRunning; }, 20000));
            QTRY_VERIFY_WITH_TIMEOUT(ServersOf(m_Runtime.path()).isEmpty(), 5000);
            QVERIFY2(Readable(profile.filePath("items.xml"), "itembank"),
                qPrintable(QString("round %1").arg(round)));
            QVERIFY2(
                SetAside(profile.path()).isEmpty(), qPrintable(SetAside(profile.path()).join(' ')));
        }
        QVERIFY(killed >= 8); // the server was there to be killed in most rounds
        // And the store still takes a full fetch afterwards.
        QProcess last;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("XDG_RUNTIME_DIR", m_Runtime.path());
        last.setProcessEnvironment(env);
        last.start(QStringLiteral(TARNBANK_PATH),
            QStringList {"fetch", "--profile", profile.path()} + urls);
        QVERIFY(QTest::qWaitFor([&] { return last.state() == QProcess::NotRunning; }, 30000));
        QCOMPARE(last.exitCode(), 0);
        QVERIFY(readFile(profile.filePath("items.xml")).count("<item ") >= 240);
    }

    void programKilledWhileSaving()
    {
        QTemporaryDir home, config;
        QVERIFY(Include_Seed(home.path()));
        const QString folder = home.filePath("profiles/anna");
        QList<QPair<QString, QString>> channels;
        QStringList urls;
        for (int f = 0; f < 4; ++f) {
            const QString url = m_Http.url("/f" + QByteArray::number(f) + ".xml");
            channels.append({url, QStringLiteral("Feed %1").arg(f)});
            urls << url;
        }
        QVERIFY(profilefiles::WriteProfileList(home.path(), {"anna", "bert"}));
        QVERIFY(profilefiles::WriteChannels(folder, channels));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", urls}}));
        QRandomGenerator random(7);
        for (int round = 0; round < 12; ++round) {
            QProcess program;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert("TARNWICK_HOME", home.path());
            env.insert("XDG_CONFIG_HOME", config.path());
            env.insert("XDG_RUNTIME_DIR", m_Runtime.path());
            env.insert("TARNWICK_VENDOR_BASE", m_Http.url(""));
            program.setProcessEnvironment(env);
            program.start(QStringLiteral(TARNWICK_PATH), {});
            QVERIFY(program.waitForStarted());
            QTest::qWait(int(random.bounded(150, 1800)));
            ::kill(pid_t(program.processId()), SIGKILL);
            QVERIFY(QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 5000));
            for (qint64 pid : ServersOf(m_Runtime.path()))
                ::kill(pid_t(pid), SIGKILL);
            const QString at = QString("round %1").arg(round);
            QVERIFY2(Readable(home.filePath("profiles/profiles.xml"), "tarnwickprofiles"),
                qPrintable(at));
            QVERIFY2(Readable(folder + "/channels.xml", "tarnwickchannels"), qPrintable(at));
            QVERIFY2(Readable(folder + "/groups.xml", "tarnwickgroups"), qPrintable(at));
            QVERIFY2(Readable(folder + "/items.xml", "itembank"), qPrintable(at));
            QVERIFY(SetAside(folder).isEmpty());
        }
        // Nothing the user had is lost: both profiles and all four channels are still there.
        const QByteArray profiles = readFile(home.filePath("profiles/profiles.xml"));
        QVERIFY(profiles.contains("<username>anna</username>")
            && profiles.contains("<username>bert</username>"));
        for (const QString &url : urls)
            QVERIFY(readFile(folder + "/groups.xml").contains(url.toUtf8()));
    }

private:
    static bool Include_Seed(const QString &home)
    {
        // The program seeds its folder itself; only the profile documents are written here.
        return QDir().mkpath(home + "/profiles");
    }
};

QTEST_GUILESS_MAIN(TestCrashSafety)
#include "tst_crashsafety.moc"
