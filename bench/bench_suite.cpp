// The whole system at a size: N feeds of M items served on loopback with "Last-modified".
// For each N given (default 200 and 1000; M = 50) it reports the first fetch and the unchanged
// re-fetch (CPU and peak memory of tarnloader), UpdateChannel and SubChannelList latency at the
// resulting store, items.xml load and save time, and tarnwick's start-up to a filled tree with
// that profile. When newsboat is installed, it fetches the same N feeds from empty beside the
// server, for its CPU and peak memory. "store" (also by default) measures the 100,000-item store:
// the server's resident memory holding it against the file's size, its load and save in
// process, and a feed's merge into it. Every figure is printed as "name: value unit", every
// target as "target: what: met" (or "NOT met").
//
//   bench_suite [N...] [store]
#include "BenchStore.h"
#include "ChannelTree.h"
#include "Include.h"
#include "ItemBankProxy.h"
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "TestSupport.h"
#include "WindowHub.h"
#include "clsItemBank.h"
#include "clsSpotlight.h"
#include "frmMain.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <optional>
#include <vector>

using namespace bench;

namespace {

constexpr int kItems = 50;

QByteArray Feed(int n)
{
    QByteArray out = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Feed "
        + QByteArray::number(n) + "</title><link>http://127.0.0.1/</link><description>Feed number "
        + QByteArray::number(n) + "</description>";
    for (int i = 0; i < kItems; ++i) {
        const QByteArray id = QByteArray::number(n) + "-" + QByteArray::number(i);
        out += "<item><title>Story " + id + "</title><link>http://127.0.0.1/s/" + id
            + "</link><description>" + description(i) + "</description><pubDate>Mon, "
            + QByteArray::number(10 + i % 18) + " Nov 2026 " + QByteArray::number(10 + i % 12)
            + ":00:00 GMT</pubDate><guid>g-" + id + "</guid></item>";
    }
    return out + "</channel></rss>";
}

// CPU seconds of this process's ended and reaped children so far.
double ChildrenCpu()
{
    rusage usage {};
    getrusage(RUSAGE_CHILDREN, &usage);
    return usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
}

// One "tarnbank fetch" of every feed with a server of its own; its CPU and peak memory.
Usage Fetch(const QStringList &args, int feeds, int *loaded)
{
    QProcess server;
    server.start(QStringLiteral(TARNLOADER_BUILT), {});
    if (!server.waitForStarted())
        qFatal("tarnloader does not start");
    QThread::msleep(300);
    Usage last;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const Usage u = UsageOf(server.processId());
        if (u.cpu > 0 || u.peakMiB > 0)
            last = u;
    });
    sampler.start(100);
    *loaded = RunTarnbank(args, feeds);
    // The server's own CPU, exactly, once it has ended and been reaped: what this process's
    // children used grows by it alone (tarnbank has already been reaped).
    const double before = ChildrenCpu();
    if (server.waitForFinished(20000))
        last.cpu = qMax(last.cpu, ChildrenCpu() - before);
    else
        std::fprintf(stderr,
            "note: the server did not end within 20 s; its CPU is the last "
            "reading from /proc\n");
    return last;
}

// The peer, newsboat, fetching urls from empty with one reload thread: its CPU seconds, peak
// memory and the items in its cache. nullopt when newsboat is not installed.
struct PeerRun
{
    double cpu = 0;
    double peakMiB = 0;
    qint64 cacheBytes = 0;
    int items = -1; // -1: not counted (no sqlite3)
};

std::optional<PeerRun> RunPeer(const QStringList &urls)
{
    const QString exe = QStandardPaths::findExecutable(QStringLiteral("newsboat"));
    if (exe.isEmpty())
        return std::nullopt;
    QTemporaryDir dir;
    const QString urlFile = dir.filePath("urls"), config = dir.filePath("config"),
                  cache = dir.filePath("cache.db"), output = dir.filePath("output.txt");
    testsupport::writeFile(urlFile, urls.join('\n').toUtf8() + '\n');
    testsupport::writeFile(config, "reload-threads 1\n");

    // A home and configuration folders of its own, so nothing of this machine's user is read.
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), dir.path());
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir.filePath("config-home"));
    env.insert(QStringLiteral("XDG_DATA_HOME"), dir.filePath("data-home"));
    env.insert(QStringLiteral("XDG_CACHE_HOME"), dir.filePath("cache-home"));
    std::vector<QByteArray> envText, argText;
    for (const QString &entry : env.toStringList())
        envText.push_back(entry.toLocal8Bit());
    for (const QString &arg : {exe, QStringLiteral("-u"), urlFile, QStringLiteral("-c"), cache,
             QStringLiteral("-C"), config, QStringLiteral("-x"), QStringLiteral("reload")})
        argText.push_back(arg.toLocal8Bit());
    std::vector<char *> envp, argv;
    for (QByteArray &e : envText)
        envp.push_back(e.data());
    envp.push_back(nullptr);
    for (QByteArray &a : argText)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t files;
    posix_spawn_file_actions_init(&files);
    posix_spawn_file_actions_addopen(&files, 0, "/dev/null", O_RDONLY, 0);
    const QByteArray outputPath = output.toLocal8Bit();
    posix_spawn_file_actions_addopen(
        &files, 1, outputPath.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&files, 1, 2);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &files, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&files);
    if (spawned != 0)
        qFatal("newsboat does not start: %s", strerror(spawned));

    // The loopback server answers from this process's event loop while the peer runs; its own
    // resource use comes with it when it is reaped.
    int status = 0;
    rusage usage {};
    QEventLoop loop;
    QTimer poll;
    QDeadlineTimer deadline(30 * 60 * 1000);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (wait4(pid, &status, WNOHANG, &usage) == pid)
            loop.quit();
        else if (deadline.hasExpired())
            kill(pid, SIGKILL);
    });
    poll.start(10);
    loop.exec();
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        qFatal("newsboat failed (status %d): %s", status,
            testsupport::readFile(output).left(2000).constData());

    PeerRun run;
    run.cpu = usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec
        + usage.ru_stime.tv_usec / 1e6;
    run.peakMiB = usage.ru_maxrss / 1024.0;
    run.cacheBytes = QFileInfo(cache).size();
    if (const QString sqlite = QStandardPaths::findExecutable(QStringLiteral("sqlite3"));
        !sqlite.isEmpty()) {
        QProcess count;
        count.start(sqlite, {cache, QStringLiteral("select count(*) from rss_item;")});
        if (count.waitForFinished(60000) && count.exitCode() == 0)
            run.items = count.readAllStandardOutput().trimmed().toInt();
    }
    return run;
}

void Run(int feeds)
{
    const QString n = QString::number(feeds);
    auto name = [&n](const char *what) {
        return QByteArray(what) + "_" + n.toUtf8();
    };
    LocalHttpServer http;
    QTemporaryDir store;
    QStringList args = {"fetch", "--profile", store.path(), "--xsl",
        QStringLiteral(TARNWICK_SOURCE_DATA "/tarnns.xsl")};
    QStringList urls;
    for (int f = 0; f < feeds; ++f) {
        const QByteArray path = "/feed" + QByteArray::number(f) + ".xml";
        http.route(path) = {200, Feed(f), {{"Last-Modified", "stamp-" + QByteArray::number(f)}}};
        urls << http.url(path);
    }
    args << urls;

    int loaded = 0;
    const Usage first = Fetch(args, feeds, &loaded);
    print(name("first_fetch_server_cpu"), first.cpu, "s");
    print(name("first_fetch_server_peak_memory"), first.peakMiB, "MiB");
    const int gets = http.count("GET", "/feed0.xml");
    const Usage again = Fetch(args, feeds, &loaded);
    print(name("unchanged_refetch_server_cpu"), again.cpu, "s");
    print(name("unchanged_refetch_server_peak_memory"), again.peakMiB, "MiB");
    if (http.count("GET", "/feed0.xml") != gets)
        std::fprintf(stderr, "warning: the unchanged re-fetch loaded documents again\n");
    if (feeds >= 1000)
        target(QStringLiteral("unchanged re-fetch of %1 feeds below 1 s server CPU "
                              "(unchanged_refetch_server_cpu_%1)")
                   .arg(n),
            again.cpu < 1.0);

    // The peer on the same feeds, from empty.
    if (const std::optional<PeerRun> peer = RunPeer(urls)) {
        print(name("peer_first_fetch_cpu"), peer->cpu, "s");
        print(name("peer_first_fetch_peak_memory"), peer->peakMiB, "MiB");
        print(name("peer_cache_size"), peer->cacheBytes / 1048576.0, "MiB");
        if (peer->items >= 0)
            print(name("peer_cache_items"), peer->items, "items");
        if (peer->cacheBytes <= 0 || (peer->items >= 0 && peer->items != feeds * kItems))
            std::fprintf(stderr, "warning: the peer's cache holds %d of %d items (%lld bytes)\n",
                peer->items, feeds * kItems, static_cast<long long>(peer->cacheBytes));
        const double cpuRatio = peer->cpu > 0 ? first.cpu / peer->cpu : 0;
        const double memoryRatio = peer->peakMiB > 0 ? first.peakMiB / peer->peakMiB : 0;
        print(name("server_to_peer_cpu_ratio"), cpuRatio, "");
        print(name("server_to_peer_memory_ratio"), memoryRatio, "");
        target(QStringLiteral("server first-fetch CPU at most a quarter of the peer's at %1 "
                              "feeds (server_to_peer_cpu_ratio_%1 at most 0.25)")
                   .arg(n),
            peer->cpu > 0 && cpuRatio <= 0.25);
        target(QStringLiteral("server peak memory below the peer's at %1 feeds "
                              "(server_to_peer_memory_ratio_%1 below 1)")
                   .arg(n),
            peer->peakMiB > 0 && memoryRatio < 1);
    } else {
        std::printf("peer: newsboat is not installed; no side-by-side figures\n");
        std::fflush(stdout);
    }

    // The store as it came out, loaded and saved in process.
    {
        clsItemBank bank;
        const Timing load = LoadStore(bank, store.path(), feeds * kItems);
        print(name("store_load"), load.ms, "ms");
        print(name("store_items"), bank.Count(), "items");
        // One mark changed, so that the save writes (an unchanged store writes nothing).
        bank.MarkAllRead(urls.first());
        print(name("store_save"), timed([&] { bank.SaveIt(); }).ms, "ms");
    }

    // Latency of the two busiest calls through the server.
    {
        QString error;
        auto proxy = ItemBankProxy::Create(&error);
        if (!proxy)
            qFatal("no bank: %s", qPrintable(error));
        proxy->Init(store.path(), QString());
        if (!QTest::qWaitFor([&] { return proxy->Count() >= feeds * kItems; }, 120000))
            std::fprintf(stderr, "warning: the store was not in within 120 s\n");
        QSignalSpy counts(proxy.get(), &ItemBankProxy::ChannelCounts);
        QSignalSpy lists(proxy.get(), &ItemBankProxy::ChannelNodeList);
        constexpr int kRounds = 50;
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < kRounds; ++i)
            proxy->UpdateChannel(urls.at(i % feeds));
        print(name("update_channel"), clock.nsecsElapsed() / 1e6 / kRounds, "ms");
        clock.restart();
        for (int i = 0; i < kRounds; ++i)
            proxy->SubChannelList(urls.at(i % feeds), QString());
        print(name("sub_channel_list_50_items"), clock.nsecsElapsed() / 1e6 / kRounds, "ms");
        clock.restart();
        proxy->UpdateChannel(QStringLiteral("_tarnwick/unread"));
        print(name("update_channel_unread_filter"), clock.nsecsElapsed() / 1e6, "ms");
        proxy->UnloadMe();
    }

    // tarnwick's start to a filled tree with that profile.
    {
        QTemporaryDir home, config;
        qputenv("TARNWICK_HOME", home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", config.path().toUtf8());
        Include::SeedAppFolder(QStringLiteral(TARNWICK_SOURCE_DATA));
        const QString folder = home.filePath("profiles/anna");
        profilefiles::WriteProfileList(home.path(), {"anna"});
        QList<QPair<QString, QString>> channels;
        QList<QPair<QString, QStringList>> groups;
        for (int g = 0; g < 10; ++g)
            groups.append({QStringLiteral("Group %1").arg(g), {}});
        for (int f = 0; f < feeds; ++f) {
            channels.append({urls.at(f), QStringLiteral("Feed %1").arg(f)});
            groups[f % 10].second << urls.at(f);
        }
        profilefiles::WriteChannels(folder, channels, 0);
        profilefiles::WriteGroups(folder, groups);
        QFile::copy(store.filePath("items.xml"), folder + "/items.xml");
        Include::Settings().SaveSetting("PREFS", "FIRSTRUN", "False");
        QElapsedTimer clock;
        clock.start();
        WindowHub hub;
        frmMain window(hub);
        hub.Attach(&window, nullptr, nullptr);
        window.Form_Load();
        const QString lastGroup = QStringLiteral("Group %1").arg((feeds - 1) % 10);
        const bool filled = QTest::qWaitFor(
            [&] {
                clsChannelTree *tree = window.treMain();
                if (tree->FindRow(lastGroup, urls.last()) < 0)
                    return false;
                for (const QString &url : {urls.first(), urls.last()})
                    for (int g = 0; g < 10; ++g)
                        if (int row = tree->FindRow(QStringLiteral("Group %1").arg(g), url);
                            row >= 0 && tree->RowCount(row) != "50")
                            return false;
                return true;
            },
            120000);
        if (!filled)
            std::fprintf(stderr, "warning: the tree was not filled within 120 s\n");
        const double startMs = clock.nsecsElapsed() / 1e6;
        print(name("tarnwick_start_to_filled_tree"), startMs, "ms");
        if (feeds >= 1000)
            target(QStringLiteral("tarnwick start to a filled tree of %1 channels below 1 s "
                                  "(tarnwick_start_to_filled_tree_%1)")
                       .arg(n),
                filled && startMs < 1000);
        window.RunExitSequence();
    }
}

// The 100,000-item store: what the real server keeps resident holding it against the file's
// size, then its load, save and a feed's merge in this process.
void RunLargeStore(const QString &runtime)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("items.xml");
    writeStore(path, kLargeStore, kLargeStoreChannels);
    const double fileMiB = QFileInfo(path).size() / 1048576.0;
    print("store_100k_file", fileMiB, "MiB");

    WaitServerGone(runtime); // a fresh server, with nothing left from the runs before
    {
        QString error;
        auto proxy = ItemBankProxy::Create(&error);
        if (!proxy)
            qFatal("no bank: %s", qPrintable(error));
        const qint64 pid = testsupport::serverPid(runtime);
        print("server_resident_without_store", ResidentMiB(pid), "MiB");
        proxy->Init(dir.path(), QString());
        if (!QTest::qWaitFor([&] { return proxy->Count() >= kLargeStore; }, 120000))
            qFatal("the server did not load the store within 120 s");
        const double resident = ResidentMiB(pid);
        print("store_100k_server_resident", resident, "MiB");
        print("store_100k_server_resident_to_file_ratio", resident / fileMiB, "");
        target(QStringLiteral("server resident memory holding the 100,000-item store below "
                              "twice its file size (store_100k_server_resident_to_file_ratio "
                              "below 2)"),
            resident / fileMiB < 2);
        proxy->UnloadMe();
    }

    clsItemBank bank;
    const Timing load = LoadStore(bank, dir.path(), kLargeStore);
    print("store_100k_load", load.ms, "ms");
    target(QStringLiteral("100,000-item store loaded in process below 500 ms (store_100k_load)"),
        load.ms < 500);
    // One channel's items marked read, so that the save writes (an unchanged store writes
    // nothing).
    bank.MarkAllRead(QStringLiteral("http://127.0.0.1/feeds/0.xml"));
    const Timing save = timed([&] { bank.SaveIt(); });
    print("store_100k_save", save.ms, "ms");
    target(QStringLiteral("100,000-item store saved in process below 300 ms (store_100k_save)"),
        save.ms < 300);
    const MergeFigures merge = MergeIntoLargeStore(bank);
    print("merge_per_feed", merge.perFeed, "ms");
    print("merge_per_feed_worst", merge.worst, "ms");
    print("merge_unchanged_feed", merge.unchanged, "ms");
}

} // namespace

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qputenv("TARNLOADER_PATH", TARNLOADER_BUILT);
    QTemporaryDir runtime;
    testsupport::usePrivateRuntime(runtime.path());
    qputenv("TARNWICK_VENDOR_BASE", "http://127.0.0.1:9"); // nothing listens there
    QApplication app(argc, argv);
    clsSpotlight::SetDirectoryURL(QString());
    QList<int> sizes;
    bool largeStore = argc < 2;
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "store") == 0)
            largeStore = true;
        else if (const int feeds = QByteArray(argv[i]).toInt(); feeds > 0)
            sizes << feeds;
        else
            qFatal("usage: bench_suite [N...] [store]");
    }
    if (argc < 2)
        sizes = {200, 1000};
    for (int feeds : sizes)
        Run(feeds);
    if (largeStore)
        RunLargeStore(runtime.path());
    return 0;
}
