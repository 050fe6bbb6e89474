// Merging into a large item store: load, merge and save times and peak memory.
// Prints one figure a line as "name: value unit".
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

namespace {

constexpr int kStoreItems = 100000;
constexpr int kFeeds = 20;
constexpr int kFeedItems = 50;

double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

const ItemMoment kNewest = MomentOf(QDate(2026, 11, 30), 12 * 3600);

QByteArray description(int n)
{
    return QByteArray("&lt;p&gt;Report ") + QByteArray::number(n)
        + " from the valley desk. The council met on Tuesday to discuss the harbour works, "
          "the ferry timetable and the new cycle lane along the river; residents asked "
          "questions about parking and the market hall.&lt;/p&gt;";
}

// A store of kStoreItems items, newest first, 20 channels, one item every 7 minutes.
void writeStore(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<itembank version=\"1\">\n");
    for (int n = 0; n < kStoreItems; ++n) {
        const ItemMoment m = kNewest - ItemMoment(n) * 420;
        const QString channel = QStringLiteral("http://127.0.0.1/feeds/%1.xml").arg(n % 20);
        const QString title = QStringLiteral("Stored story number %1").arg(n);
        const QByteArray desc = description(n);
        const QString hash = modHash::ItemHash(channel, title,
            QString::fromUtf8(desc).replace("&lt;", "<").replace("&gt;", ">"), QString());
        QByteArray item;
        item += "  <item channel=\"" + channel.toUtf8() + "\" date=\"" + FormatItemDate(m).toUtf8()
            + "\" time=\"" + FormatItemTime(m).toUtf8() + "\">\n";
        item += "    <title>" + title.toUtf8() + "</title>\n";
        item += "    <link>http://127.0.0.1/story/" + QByteArray::number(n) + ".html</link>\n";
        item += "    <description>" + desc + "</description>\n";
        item += "    <guid>tag:127.0.0.1,2026:" + QByteArray::number(n) + "</guid>\n";
        item += "    <read>" + QByteArray(n % 3 ? "true" : "false") + "</read>\n";
        item += "    <flag>false</flag>\n    <delete>false</delete>\n";
        item += "    <channeltitle>Feed " + QByteArray::number(n % 20) + "</channeltitle>\n";
        item += "    <hash>" + hash.toUtf8() + "</hash>\n  </item>\n";
        f.write(item);
    }
    f.write("</itembank>\n");
}

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
    writeStore(path);
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
