#pragma once

// What the benchmarks share: CPU time, the output line, and a large item store on disk.
#include "modHash.h"
#include "modItemHandler.h"

#include <QDate>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QString>
#include <QStringList>

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
    std::printf("%s: %.2f %s\n", name, value, unit);
    std::fflush(stdout);
}

// CPU seconds and peak resident memory (MiB) of a running process, from /proc.
struct Usage
{
    double cpu = 0;
    double peakMiB = 0;
};

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

} // namespace bench
