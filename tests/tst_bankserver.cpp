#include "IpcConnection.h"
#include "IpcPaths.h"
#include "ItemBankProxy.h"
#include "LocalHttpServer.h"
#include "RawBankClient.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QLockFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QtEndian>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const QString kXsl = QStringLiteral(TARNWICK_TEST_DATA "/passthrough.xsl");

QByteArray feed(const QByteArray &title, int items = 1)
{
    QByteArray out = "<rss><channel><title>" + title + "</title>";
    for (int i = 0; i < items; ++i)
        out += "<item><title>" + title + " " + QByteArray::number(i) + "</title></item>";
    return out + "</channel></rss>";
}

// The running server's process id, from its lock file; 0 when none runs.
qint64 serverPid()
{
    return testsupport::serverPid(qEnvironmentVariable("XDG_RUNTIME_DIR"));
}

bool waitServerGone()
{
    return QTest::qWaitFor([] { return serverPid() == 0; }, 10000);
}

} // namespace

class TestBankServer : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void callsAndReentrantEvents();
    void socketIsPrivateAndSurvivesBadPeers();
    void releaseSavesAndServerEnds();
    void serverDeathFailsCallsAtOnce();
    void sharedFallbackFolderMustBeOurs();
    void twoClientsShareOneProfile();
    void silentClientHoldsNoOne();
    void greedyClientsAreRefused();
    void oneFetchHasBoundedMemory();

private:
    QTemporaryDir m_Runtime;
};

void TestBankServer::initTestCase()
{
    QVERIFY(m_Runtime.isValid());
    testsupport::usePrivateRuntime(m_Runtime.path());
    QVERIFY(QFileInfo(ItemBankProxy::ServerProgram()).isExecutable());
}

void TestBankServer::cleanup()
{
    QVERIFY(waitServerGone()); // every test leaves no server behind
}

void TestBankServer::callsAndReentrantEvents()
{
    LocalHttpServer http;
    http.route("/a") = {200, feed("alpha", 3), {{"Last-Modified", "stamp-1"}}};
    QTemporaryDir profile;
    QString error;
    auto bank = ItemBankProxy::Create(&error);
    QVERIFY2(bank, qPrintable(error));
    QVERIFY(bank->Init(profile.path(), kXsl));
    QCOMPARE(bank->Count(), 0);

    // A handler of ChannelLoaded asks for counts: they arrive before its call returns.
    QStringList order;
    connect(bank.get(), &ItemBankProxy::ChannelDetails, this,
        [&](const QString &, qint16 index, const QString &value) {
            order << QStringLiteral("details %1 %2").arg(index).arg(value);
        });
    connect(bank.get(), &ItemBankProxy::ChannelCounts, this,
        [&](const QString &, qint32 count, qint32 unread) {
            order << QStringLiteral("counts %1 %2").arg(count).arg(unread);
        });
    connect(bank.get(), &ItemBankProxy::ChannelLoaded, this,
        [&](const QString &url, bool fresh, const QString &mod) {
            order << QStringLiteral("loaded %1 %2").arg(fresh).arg(mod);
            bank->UpdateChannel(url);
            order << QStringLiteral("update returned");
            bank->SubChannelList(url);
        });
    QSignalSpy lists(bank.get(), &ItemBankProxy::ChannelNodeList);
    QVERIFY(bank->LoadChannel(http.url("/a"), {}, "A", 0, {}));
    QVERIFY(QTest::qWaitFor([&] { return !lists.isEmpty(); }, 10000));
    QCOMPARE(order,
        (QStringList {"details 1 alpha", "loaded 1 stamp-1", "counts 3 3", "update returned"}));
    QVERIFY(lists[0][1].toString().contains("alpha 2"));

    QCOMPARE(bank->Count(), 3);
    QCOMPARE(bank->NewItemsCount(), 3);
    // Many channels' counts in one answer, a channel without items among them.
    QSignalSpy oneByOne(bank.get(), &ItemBankProxy::ChannelCounts);
    QSignalSpy countList(bank.get(), &ItemBankProxy::ChannelCountList);
    QVERIFY(bank->UpdateChannels(http.url("/a") + "\n" + http.url("/none") + "\n_tarnwick/unread"));
    QCOMPARE(countList.size(), 1);
    QCOMPARE(countList[0][0].toString(),
        "3\t3\t" + http.url("/a") + "\n0\t0\t" + http.url("/none") + "\n3\t3\t_tarnwick/unread\n");
    QVERIFY(oneByOne.isEmpty());
    QVERIFY(bank->MarkAllRead(http.url("/a")));
    QSignalSpy counts(bank.get(), &ItemBankProxy::ChannelCounts);
    QVERIFY(bank->UpdateChannel(http.url("/a")));
    QCOMPARE(counts.size(), 1); // synchronous: already here
    QCOMPARE(counts[0][2].toInt(), 0);
    QVERIFY(bank->KillChannel(http.url("/a")));
    QCOMPARE(bank->Count(), 0);
    QVERIFY(bank->UnloadMe());
}

void TestBankServer::socketIsPrivateAndSurvivesBadPeers()
{
    QTemporaryDir profile;
    auto bank = ItemBankProxy::Create();
    QVERIFY(bank);
    QVERIFY(bank->Init(profile.path(), kXsl));

    const QFileInfo folder(IpcPaths::RuntimeFolder());
    const auto everyone = QFileDevice::Permissions(0x7077); // owner, group, others
    QCOMPARE(folder.permissions() & everyone,
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    const QFileInfo socket(IpcPaths::ServerSocket());
    QVERIFY(socket.exists());
    QVERIFY(!(socket.permissions()
        & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
            | QFileDevice::WriteOther)));

    // Garbage, an absurd frame length, and a call with wrong arguments: each peer is dealt with
    // on its own; the server and the proxy's bank go on.
    for (const QByteArray &junk : {QByteArray("\x00\x00\x00\x05hello", 9),
             QByteArray("\xff\xff\xff\xff", 4), QByteArray("\x00\x00\x00\x02\x09\x00", 6)}) {
        QLocalSocket peer;
        peer.connectToServer(IpcPaths::ServerSocket());
        QVERIFY(peer.waitForConnected(2000));
        peer.write(junk);
        peer.flush();
        QVERIFY(peer.state() == QLocalSocket::UnconnectedState || peer.waitForDisconnected(3000));
    }
    auto *raw = new QLocalSocket;
    raw->connectToServer(IpcPaths::ServerSocket());
    QVERIFY(raw->waitForConnected(2000));
    IpcConnection other(raw);
    IpcMessage create;
    create.name = "CreateBank";
    const auto created = other.request(create);
    QVERIFY(created && created->ok);
    IpcMessage wrong;
    wrong.bank = quint32(created->result.toInt());
    wrong.name = "LoadChannel";
    wrong.args = {1, 2};
    const auto refused = other.request(wrong);
    QVERIFY(refused && !refused->ok);
    IpcMessage unknown = wrong;
    unknown.name = "FormatDisk";
    QVERIFY(!other.request(unknown)->ok);
    other.close();

    QCOMPARE(bank->Count(), 0);
    QVERIFY(bank->isAlive());
}

void TestBankServer::releaseSavesAndServerEnds()
{
    LocalHttpServer http;
    http.route("/b") = {200, feed("beta", 2), {}};
    QTemporaryDir profile;
    {
        auto bank = ItemBankProxy::Create();
        QVERIFY(bank);
        QVERIFY(bank->Init(profile.path(), kXsl));
        QVERIFY(bank->PauseQueue());
        QVERIFY(bank->LoadChannel(http.url("/b"), {}, "B", 0, {}));
        QVERIFY(bank->ResumeQueue());
        QSignalSpy loaded(bank.get(), &ItemBankProxy::ChannelLoaded);
        QVERIFY(loaded.wait(10000));
        QVERIFY(bank->MarkItemTagged(QStringLiteral("no such hash")));
        QVERIFY(serverPid() != 0);
        // Released without UnloadMe: the server still saves what the bank held.
    }
    QVERIFY(waitServerGone());
    QVERIFY(QFile::exists(profile.filePath("items.xml")));
    QVERIFY(testsupport::readFile(profile.filePath("items.xml")).contains("beta 1"));
}

void TestBankServer::serverDeathFailsCallsAtOnce()
{
    LocalHttpServer http;
    http.route("/c") = {200, feed("gamma", 2), {}};
    http.route("/silent").silent = true;
    QTemporaryDir profile;
    auto bank = ItemBankProxy::Create();
    QVERIFY(bank);
    QVERIFY(bank->Init(profile.path(), kXsl));
    QSignalSpy loaded(bank.get(), &ItemBankProxy::ChannelLoaded);
    QVERIFY(bank->LoadChannel(http.url("/c"), {}, "C", 0, {}));
    QVERIFY(loaded.wait(10000));
    // The queue ran empty: the store is on disk. Now a fetch that hangs, and the server dies.
    const QString store = profile.filePath("items.xml");
    QVERIFY(QTest::qWaitFor([&] { return QFile::exists(store); }, 3000));
    const QByteArray before = testsupport::readFile(store);
    QVERIFY(bank->LoadChannel(http.url("/silent"), {}, "S", 0, {}));
    QVERIFY(QTest::qWaitFor([&] { return http.count("HEAD", "/silent") == 1; }, 5000));

    QSignalSpy lost(bank.get(), &ItemBankProxy::ServerLost);
    const qint64 pid = serverPid();
    QVERIFY(pid != 0);
    ::kill(pid_t(pid), SIGKILL);
    QVERIFY(lost.wait(5000));
    QVERIFY(!bank->isAlive());
    QCOMPARE(bank->Count(), 0);
    QVERIFY(!bank->UnloadMe());
    QCOMPARE(testsupport::readFile(store), before);

    // A new bank starts a fresh server, which reads the store as it was.
    QString error;
    auto again = ItemBankProxy::Create(&error);
    QVERIFY2(again, qPrintable(error));
    QVERIFY(serverPid() != pid);
    QVERIFY(again->Init(profile.path(), kXsl));
    QVERIFY(QTest::qWaitFor([&] { return again->Count() == 2; }, 5000));
    QVERIFY(again->UnloadMe());
    bank.reset();
    again.reset();
}

void TestBankServer::sharedFallbackFolderMustBeOurs()
{
    // Without a session folder the sockets go below the shared temporary folder, where another
    // user could have prepared the place: only a real folder of our own, closed to others, is
    // used.
    const QByteArray session = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray tmp = qgetenv("TMPDIR");
    QTemporaryDir shared;
    qunsetenv("XDG_RUNTIME_DIR");
    qputenv("TMPDIR", shared.path().toUtf8());
    const QString base = shared.filePath(QStringLiteral("tarnwick-%1").arg(::getuid()));
    const QByteArray native = QFile::encodeName(base);

    QCOMPARE(IpcPaths::RuntimeFolder(), base + "/tarnwick");
    QCOMPARE(QFileInfo(base).permissions() & QFileDevice::Permissions(0x7077),
        QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QVERIFY(::chmod(native.constData(), 0777) == 0);
    QCOMPARE(IpcPaths::RuntimeFolder(), QString()); // open to everyone
    QVERIFY(::chmod(native.constData(), 0700) == 0);
    if (::getuid() == 0) { // only the superuser can give a folder away
        QVERIFY(::chown(native.constData(), 65534, 65534) == 0);
        QCOMPARE(IpcPaths::RuntimeFolder(), QString()); // someone else's
        QVERIFY(::chown(native.constData(), 0, 0) == 0);
    }
    QVERIFY(QDir(base).removeRecursively());
    QTemporaryDir elsewhere;
    QVERIFY(QFile::link(elsewhere.path(), base));
    QCOMPARE(IpcPaths::RuntimeFolder(), QString()); // a link may lead anywhere
    QVERIFY(!QFileInfo::exists(elsewhere.filePath("tarnwick")));

    qputenv("XDG_RUNTIME_DIR", session);
    if (tmp.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmp);
}

void TestBankServer::twoClientsShareOneProfile()
{
    // tarnbank beside tarnwick on one profile: one bank serves both, so neither writes over
    // what the other did.
    LocalHttpServer http;
    http.route("/a") = {200, feed("alpha", 3), {}};
    http.route("/b") = {200, feed("beta", 2), {}};
    QTemporaryDir profile;
    auto first = ItemBankProxy::Create();
    QVERIFY(first);
    QVERIFY(first->Init(profile.path(), kXsl));
    RawBankClient second;
    QStringList secondEvents;
    QVERIFY(second.Open(m_Runtime.path(), false));
    connect(second.link, &IpcConnection::received, second.link, [&](const IpcMessage &m) {
        secondEvents << m.name;
        second.link->answer(m);
    });
    QVERIFY(
        second.Call("Init", {profile.path() + "/.", kXsl})); // the same folder, written otherwise

    QSignalSpy firstLoaded(first.get(), &ItemBankProxy::ChannelLoaded);
    QVERIFY(first->LoadChannel(http.url("/a"), {}, "A", 0, {}));
    QVERIFY(firstLoaded.wait(10000));
    QVERIFY(QTest::qWaitFor(
        [&] { return secondEvents.contains("ChannelLoaded"); }, 5000)); // both hear of it
    QCOMPARE(second.Call("Count")->result.toInt(), 3);
    QVERIFY(
        second.Call("LoadChannel", {http.url("/b"), QString(), QStringLiteral("B"), 0, QString()}));
    QVERIFY(firstLoaded.wait(10000));
    QCOMPARE(first->Count(), 5);
    QVERIFY(QTest::qWaitFor([&] { return secondEvents.count("ChannelLoaded") == 2; }, 5000));
    // The answer to a call goes to its caller alone.
    secondEvents.clear();
    QSignalSpy firstCounts(first.get(), &ItemBankProxy::ChannelCounts);
    QVERIFY(second.Call("UpdateChannel", {http.url("/a")}));
    QCOMPARE(secondEvents, QStringList {"ChannelCounts"});
    QVERIFY(firstCounts.isEmpty());
    // One leaves: the bank stays for the other; the last to leave saves everything.
    QVERIFY(second.Call("UnloadMe")->result.toBool());
    second.Call("ReleaseBank", {});
    QVERIFY(first->MarkAllRead(http.url("/b")));
    QVERIFY(first->UnloadMe());
    first.reset();
    second.link->close();
    const QByteArray store = testsupport::readFile(profile.filePath("items.xml"));
    QCOMPARE(store.count("<item "), 5);
    QCOMPARE(store.count("<read>true</read>"), 2);
}

void TestBankServer::silentClientHoldsNoOne()
{
    // A client that takes events and never answers them, while another calls and gets events
    // of its own: the other is answered all the same (before, its calls waited until the silent
    // one went away).
    LocalHttpServer http;
    for (int i = 0; i < 4; ++i)
        http.route("/s" + QByteArray::number(i)) = {
            200, feed("silent" + QByteArray::number(i), 2), {}};
    QTemporaryDir a, b;
    auto starter = ItemBankProxy::Create();
    QVERIFY(starter);
    RawBankClient busy, silent;
    QVERIFY(busy.Open(m_Runtime.path()) && silent.Open(m_Runtime.path(), false));
    QVERIFY(busy.Call("Init", {a.path(), kXsl}) && silent.Call("Init", {b.path(), kXsl}));
    for (int i = 0; i < 4; ++i)
        silent.Call("LoadChannel",
            {http.url("/s" + QByteArray::number(i)), QString(), QStringLiteral("S"), 0, QString()});
    bool silentStillThere = true;
    QTimer::singleShot(60000, silent.link, [&] {
        silentStillThere = false;
        silent.link->close();
    });
    int calls = 0;
    while (http.count("GET", "/s3") == 0 || calls < 200) {
        QVERIFY(busy.Call("UpdateChannel", {QStringLiteral("_tarnwick/all")}));
        ++calls;
    }
    QVERIFY2(silentStillThere, "the busy client was held until the silent one went away");
    silent.link->close();
    busy.link->close();
}

void TestBankServer::greedyClientsAreRefused()
{
    // A frame larger than any call, a flood of connections under a small descriptor limit: the
    // greedy peers are refused, the server goes on listening and serving.
    QProcess server;
    server.start("prlimit", {"--nofile=120:120", ItemBankProxy::ServerProgram()});
    QVERIFY(server.waitForStarted(5000));
    QVERIFY(QTest::qWaitFor([] { return serverPid() != 0; }, 10000));
    QTemporaryDir profile;
    auto bank = ItemBankProxy::Create();
    QVERIFY(bank);
    QVERIFY(bank->Init(profile.path(), kXsl));

    QLocalSocket big;
    big.connectToServer(IpcPaths::ServerSocket());
    QVERIFY(big.waitForConnected(2000));
    QByteArray header(4, 0);
    qToBigEndian(quint32(IpcMessage::kMaxClientFrame + 1), header.data());
    big.write(header);
    big.flush();
    QVERIFY(big.state() == QLocalSocket::UnconnectedState || big.waitForDisconnected(3000));

    std::vector<std::unique_ptr<QLocalSocket>> flood;
    for (int i = 0; i < 300; ++i) {
        auto socket = std::make_unique<QLocalSocket>();
        socket->connectToServer(IpcPaths::ServerSocket());
        socket->waitForConnected(200);
        flood.push_back(std::move(socket));
    }
    QVERIFY(QTest::qWaitFor(
        [&] {
            return std::count_if(flood.begin(), flood.end(), [](const auto &s) {
                return s->state() == QLocalSocket::ConnectedState;
            }) <= 64;
        },
        10000));
    QCOMPARE(bank->Count(), 0); // still served
    flood.clear();
    // Still listening: once the server has let the flood go (in its own time), a new client
    // is taken again and gets its bank.
    QVERIFY(QTest::qWaitFor(
        [&] {
            RawBankClient probe;
            return probe.Open(m_Runtime.path());
        },
        10000));
    auto later = ItemBankProxy::Create();
    QVERIFY(later);
    QVERIFY(bank->UnloadMe());
    bank.reset();
    later.reset();
    QVERIFY(server.waitForFinished(10000));
}

void TestBankServer::oneFetchHasBoundedMemory()
{
    // 300,000 tiny entries (about 17 MB): the server keeps the newest thousand, stays within
    // 120 MiB while it fetches, and gives the memory back once the bank has unloaded. (Before:
    // 3.5 GB, all of it kept.)
#ifdef __SANITIZE_ADDRESS__
    QSKIP("the address sanitizer's allocator keeps its own quarantine and shadow memory");
#endif
    QByteArray body = "<rss version=\"2.0\"><channel><title>Endless</title>";
    for (int i = 0; i < 300000; ++i)
        body += "<item><title>Entry " + QByteArray::number(i) + "</title><guid>g"
            + QByteArray::number(i) + "</guid></item>";
    body += "</channel></rss>";
    LocalHttpServer http;
    http.route("/endless.xml") = {200, body, {}};
    QTemporaryDir profile;
    auto bank = ItemBankProxy::Create();
    QVERIFY(bank);
    const qint64 pid = serverPid();
    QVERIFY(bank->Init(profile.path(), QStringLiteral(TARNWICK_DATA "/tarnns.xsl")));
    QSignalSpy loaded(bank.get(), &ItemBankProxy::ChannelLoaded);
    QVERIFY(bank->LoadChannel(http.url("/endless.xml"), {}, "E", 0, {}));
    QVERIFY(loaded.wait(60000));
    QCOMPARE(bank->Count(), 1000);
    auto statusMiB = [pid](const char *key) {
        for (const QByteArray &line :
            testsupport::readFile(QStringLiteral("/proc/%1/status").arg(pid)).split('\n'))
            if (line.startsWith(key))
                return line.mid(int(qstrlen(key))).trimmed().split(' ').first().toDouble() / 1024;
        return -1.0;
    };
    const double peak = statusMiB("VmHWM:");
    QVERIFY2(peak > 0 && peak < 120, qPrintable(QString::number(peak)));
    QVERIFY(bank->UnloadMe());
    const double kept = statusMiB("VmRSS:");
    QVERIFY2(kept < 60, qPrintable(QString::number(kept)));
    bank.reset();
}

QTEST_GUILESS_MAIN(TestBankServer)
#include "tst_bankserver.moc"
