// Merging into a large item store: load, merge and save times and peak memory.
// Prints one figure a line as "name: value unit".
#include "BenchStore.h"
#include "clsItemBank.h"
#include "modHash.h"
#include "modItemHandler.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextStream>

#include <sys/resource.h>
#include <time.h>

#include <cstdio>

using namespace modItemHandler;
using namespace bench;

namespace {

constexpr int kStoreItems = 100000;
constexpr int kFeeds = 20;
constexpr int kFeedItems = 50;

// A feed of kFeedItems items whose dates fall among the stored ones, so each lands inside the
// store rather than at its front.
QByteArray feed(int feedNo)
{
    QByteArray out = "<rss version=\"2.0\"><channel><title>Bench feed</title>"
                     "<pubDate>Mon, 30 Nov 2026 12:00:00 GMT</pubDate>";
    for (int i = 0; i < kFeedItems; ++i) {
        const int slot = (feedNo * 7919 + i * 1931) % kStoreItems;
        const ItemMoment m = kNewest - ItemMoment(slot) * 420 - 13;
        const QDate d = DateOfMoment(m);
        const QByteArray pub = QLocale::c().toString(d, "ddd, dd MMM yyyy ").toLatin1()
            + FormatItemTime(m).toLatin1() + " GMT";
        const QByteArray id = QByteArray::number(feedNo) + "-" + QByteArray::number(i);
        out += "<item><title>Fresh story " + id + "</title><link>http://127.0.0.1/fresh/" + id
            + "</link><description>" + description(i) + "</description><pubDate>" + pub
            + "</pubDate><guid>fresh-" + id + "</guid></item>";
    }
    out += "</channel></rss>";
    return out;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("items.xml");
    writeStore(path, kStoreItems, 20);
    print("store_file_size", QFileInfo(path).size() / 1048576.0, "MiB");

    clsItemBank bank;
    QElapsedTimer wall;
    double cpu0 = cpuMs();
    wall.start();
    {
        QSignalSpy ready(&bank, &clsItemBank::StoreReady);
        bank.Init(dir.path(), QString());
        if (!ready.wait(120000) || bank.Count() != kStoreItems)
            qFatal("store did not load");
    }
    print("load_100k_items", wall.elapsed(), "ms");
    print("load_100k_items_cpu", cpuMs() - cpu0, "ms");

    QList<QByteArray> feeds;
    for (int f = 0; f < kFeeds; ++f)
        feeds << feed(f);

    double mergeCpu = 0;
    double worst = 0;
    for (int f = 0; f < kFeeds; ++f) {
        QueueSlot slot;
        slot.sURL = QStringLiteral("http://127.0.0.1/bench/%1.xml").arg(f);
        const double t0 = cpuMs();
        bank.MergeDelivered(slot, feeds[f], QString());
        const double spent = cpuMs() - t0;
        mergeCpu += spent;
        worst = qMax(worst, spent);
        if (!slot.bNewItems)
            qFatal("feed %d stored nothing", f);
    }
    if (bank.Count() != kStoreItems + kFeeds * kFeedItems)
        qFatal("unexpected count %d", bank.Count());
    print("merge_per_feed", mergeCpu / kFeeds, "ms");
    print("merge_per_feed_worst", worst, "ms");

    // The same feeds again: every item is known, nothing is stored.
    double refetchCpu = 0;
    for (int f = 0; f < kFeeds; ++f) {
        QueueSlot slot;
        slot.sURL = QStringLiteral("http://127.0.0.1/bench/%1.xml").arg(f);
        const double t0 = cpuMs();
        bank.MergeDelivered(slot, feeds[f], QString());
        refetchCpu += cpuMs() - t0;
        if (slot.bNewItems)
            qFatal("unchanged feed %d stored items", f);
    }
    print("merge_unchanged_feed", refetchCpu / kFeeds, "ms");

    wall.restart();
    cpu0 = cpuMs();
    bank.SaveIt();
    print("save_101k_items", wall.elapsed(), "ms");
    print("save_101k_items_cpu", cpuMs() - cpu0, "ms");

    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    print("peak_memory", usage.ru_maxrss / 1024.0, "MiB");
    return 0;
}
