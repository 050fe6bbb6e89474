#pragma once

// What the benchmarks share: CPU time, the output line, a process's memory, and a large item
// store on disk with the merging of fetched feeds into it.
#include "clsItemBank.h"
#include "modHash.h"
#include "modItemHandler.h"
#ifdef TARNLOADER_BUILT
#include "TestSupport.h"
#endif

#include <QDate>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QLocale>
#include <QProcess>
#include <QSignalSpy>
#include <QString>
#include <QStringList>
#include <QThread>

#include <time.h>
#include <unistd.h>

#include <cstdio>

namespace bench {

using namespace modItemHandler;

inline double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

inline void print(const char *name, double value, const char *unit)
{
    std::printf("%s: %.2f%s%s\n", name, value, *unit ? " " : "", unit);
    std::fflush(stdout);
}

// CPU seconds and peak resident memory (MiB) of a running process, from /proc.
struct Usage
{
    double cpu = 0;
    double peakMiB = 0;
};

// A target beside the figures: "target: what: met" or "... NOT met".
inline void target(const QString &what, bool met)
{
    std::printf("target: %s: %s\n", qPrintable(what), met ? "met" : "NOT met");
    std::fflush(stdout);
}

// Wall and CPU milliseconds of one call.
struct Timing
{
    double ms = 0;
    double cpuMs = 0;
};

template<class F> Timing timed(F &&f)
{
    QElapsedTimer wall;
    const double cpu0 = cpuMs();
    wall.start();
    f();
    return {wall.nsecsElapsed() / 1e6, cpuMs() - cpu0};
}

inline Usage UsageOf(qint64 pid)
{
    Usage u;
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (stat.open(QIODevice::ReadOnly)) {
        const QByteArray text = stat.readAll();
        const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
        if (fields.size() > 13)
            u.cpu = (fields[11].toDouble() + fields[12].toDouble()) / double(sysconf(_SC_CLK_TCK));
    }
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                u.peakMiB = line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return u;
}

// Resident memory (MiB) of a running process now, from /proc.
inline double ResidentMiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmRSS:"))
                return line.mid(6).trimmed().split(' ').first().toDouble() / 1024.0;
    return 0;
}

#ifdef TARNLOADER_BUILT
// Waits until the bank server of session folder runtime has ended.
inline void WaitServerGone(const QString &runtime)
{
    QDeadlineTimer deadline(20000);
    while (testsupport::serverPid(runtime) && !deadline.hasExpired())
        QThread::msleep(20);
}
#endif

inline const ItemMoment kNewest = MomentOf(QDate(2026, 11, 30), 12 * 3600);

#ifdef TARNBANK_BUILT
// Runs tarnbank with args, serving the event loop meanwhile (a loopback server or a sampler of
// this process keeps working); stops the benchmark unless every one of feeds was loaded.
inline int RunTarnbank(const QStringList &args, int feeds)
{
    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QEventLoop loop;
    QObject::connect(&client, &QProcess::finished, &loop, &QEventLoop::quit);
    client.start(QStringLiteral(TARNBANK_BUILT), args);
    loop.exec();
    int loaded = 0;
    for (const QByteArray &line : client.readAllStandardOutput().split('\n'))
        loaded += line.startsWith("loaded ");
    if (client.exitCode() != 0 || loaded != feeds)
        qFatal("tarnbank fetch: exit %d, %d of %d feeds loaded", client.exitCode(), loaded, feeds);
    return loaded;
}
#endif

inline QByteArray description(int n)
{
    return QByteArray("&lt;p&gt;Report ") + QByteArray::number(n)
        + " from the valley desk. The council met on Tuesday to discuss the harbour works, "
          "the ferry timetable and the new cycle lane along the river; residents asked "
          "questions about parking and the market hall.&lt;/p&gt;";
}

// A store of count items, newest first, spread over channels channels
// ("http://127.0.0.1/feeds/N.xml"), one item every 7 minutes; a third of them unread.
inline void writeStore(const QString &path, int count, int channels)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    f.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<itembank version=\"1\">\n");
    for (int n = 0; n < count; ++n) {
        const ItemMoment m = kNewest - ItemMoment(n) * 420;
        const QString channel = QStringLiteral("http://127.0.0.1/feeds/%1.xml").arg(n % channels);
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
        item += "    <channeltitle>Feed " + QByteArray::number(n % channels) + "</channeltitle>\n";
        item += "    <hash>" + hash.toUtf8() + "</hash>\n  </item>\n";
        f.write(item);
    }
    f.write("</itembank>\n");
}

// The large store: kLargeStore items over kLargeStoreChannels channels, and kMergeFeeds fetched
// feeds of kMergeFeedItems items each to merge into it.
constexpr int kLargeStore = 100000;
constexpr int kLargeStoreChannels = 20;
constexpr int kMergeFeeds = 20;
constexpr int kMergeFeedItems = 50;

// Loads the store in folder into bank in this process; stops the benchmark unless it holds
// expected items.
inline Timing LoadStore(clsItemBank &bank, const QString &folder, int expected)
{
    QSignalSpy ready(&bank, &clsItemBank::StoreReady);
    const Timing t = timed([&] {
        bank.Init(folder, QString());
        if (!bank.IsStoreReady())
            ready.wait(120000);
    });
    if (bank.Count() != expected)
        qFatal("the store holds %d items, not %d", bank.Count(), expected);
    return t;
}

// A feed of kMergeFeedItems items whose dates fall among the large store's, so each lands
// inside the store rather than at its front.
inline QByteArray MergeFeed(int feedNo)
{
    QByteArray out = "<rss version=\"2.0\"><channel><title>Bench feed</title>"
                     "<pubDate>Mon, 30 Nov 2026 12:00:00 GMT</pubDate>";
    for (int i = 0; i < kMergeFeedItems; ++i) {
        const int slot = (feedNo * 7919 + i * 1931) % kLargeStore;
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

// CPU milliseconds of merging the kMergeFeeds feeds into a bank holding the large store: per
// feed and the worst feed, then per feed again with every item already known.
struct MergeFigures
{
    double perFeed = 0;
    double worst = 0;
    double unchanged = 0;
};

inline MergeFigures MergeIntoLargeStore(clsItemBank &bank)
{
    QList<QByteArray> feeds;
    for (int f = 0; f < kMergeFeeds; ++f)
        feeds << MergeFeed(f);
    const int before = bank.Count();
    auto mergeAll = [&](bool fresh, double *worst) {
        double total = 0;
        for (int f = 0; f < kMergeFeeds; ++f) {
            QueueSlot slot;
            slot.sURL = QStringLiteral("http://127.0.0.1/bench/%1.xml").arg(f);
            const double spent =
                timed([&] { bank.MergeDelivered(slot, feeds[f], QString()); }).cpuMs;
            total += spent;
            if (worst)
                *worst = qMax(*worst, spent);
            if (slot.bNewItems != fresh)
                qFatal(fresh ? "feed %d stored nothing" : "unchanged feed %d stored items", f);
        }
        return total / kMergeFeeds;
    };
    MergeFigures out;
    out.perFeed = mergeAll(true, &out.worst);
    if (bank.Count() != before + kMergeFeeds * kMergeFeedItems)
        qFatal("unexpected count %d", bank.Count());
    out.unchanged = mergeAll(false, nullptr);
    return out;
}

} // namespace bench
