// The whole system at a size: N feeds of M items served on loopback with "Last-modified".
// For each N given (default 200 and 1000; M = 50) it reports the first fetch and the unchanged
// re-fetch (CPU and peak memory of tarnloader), UpdateChannel and SubChannelList latency at the
// resulting store, items.xml load and save time, and tarnwick's start-up to a filled tree with
// that profile. Every figure is printed as "name: value unit".
//
//   bench_suite [N...]
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
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <unistd.h>

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
    server.waitForFinished(20000);
    return last;
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

    // The store as it came out, loaded and saved in process.
    {
        clsItemBank bank;
        QSignalSpy ready(&bank, &clsItemBank::StoreReady);
        QElapsedTimer clock;
        clock.start();
        bank.Init(store.path(), QString());
        if (!bank.IsStoreReady())
            ready.wait(120000);
        print(name("store_load"), clock.nsecsElapsed() / 1e6, "ms");
        print(name("store_items"), bank.Count(), "items");
        clock.restart();
        bank.SaveIt();
        print(name("store_save"), clock.nsecsElapsed() / 1e6, "ms");
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
        print(name("tarnwick_start_to_filled_tree"), clock.nsecsElapsed() / 1e6, "ms");
        window.RunExitSequence();
    }
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
    for (int i = 1; i < argc; ++i)
        sizes << QByteArray(argv[i]).toInt();
    if (sizes.isEmpty())
        sizes = {200, 1000};
    for (int feeds : sizes)
        if (feeds > 0)
            Run(feeds);
    return 0;
}
