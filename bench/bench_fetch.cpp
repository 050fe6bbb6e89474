// Whole fetches through "tarnbank fetch": HEAD, GET, transform and merge of 200 feeds of 50
// items from a loopback server. Reports the tarnloader server's CPU time and peak memory.
// Prints one figure a line as "name: value unit".
#include "BenchStore.h"
#include "LocalHttpServer.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>

#include <unistd.h>

using namespace bench;

namespace {

constexpr int kFeeds = 200;
constexpr int kItems = 50;

QByteArray feed(int n)
{
    QByteArray out = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Feed "
        + QByteArray::number(n) + "</title><link>http://127.0.0.1/</link>"
        + "<pubDate>Mon, 30 Nov 2026 12:00:00 GMT</pubDate>";
    for (int i = 0; i < kItems; ++i) {
        const QByteArray id = QByteArray::number(n) + "-" + QByteArray::number(i);
        out += "<item><title>Story " + id + "</title><link>http://127.0.0.1/s/" + id
            + "</link><description>" + description(i) + "</description><pubDate>Mon, "
            + QByteArray::number(10 + i % 18) + " Nov 2026 " + QByteArray::number(10 + i % 12)
            + ":00:00 GMT</pubDate><guid>g-" + id + "</guid></item>";
    }
    return out + "</channel></rss>";
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir runtime;
    testsupport::usePrivateRuntime(runtime.path());

    LocalHttpServer http;
    QStringList args = {QStringLiteral("fetch"), QStringLiteral("--profile")};
    QTemporaryDir profile;
    args << profile.path() << QStringLiteral("--xsl")
         << QStringLiteral(TARNWICK_SOURCE_DATA "/tarnns.xsl");
    for (int n = 0; n < kFeeds; ++n) {
        const QByteArray path = "/feed" + QByteArray::number(n) + ".xml";
        http.route(path) = {200, feed(n), {{"Last-Modified", "stamp-" + QByteArray::number(n)}}};
        args << http.url(path);
    }

    // The server is started here, so that its figures can be read while it runs.
    QProcess server;
    server.start(QStringLiteral(TARNLOADER_BUILT), {});
    if (!server.waitForStarted())
        qFatal("tarnloader does not start");
    QThread::msleep(300);

    QProcess client;
    client.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    Usage last;
    QTimer sampler;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        const Usage u = UsageOf(server.processId());
        if (u.cpu > 0 || u.peakMiB > 0)
            last = u;
    });
    sampler.start(100);
    QElapsedTimer clock;
    clock.start();
    QEventLoop loop;
    QObject::connect(&client, &QProcess::finished, &loop, &QEventLoop::quit);
    client.start(QStringLiteral(TARNBANK_BUILT), args);
    loop.exec();
    const double wall = clock.elapsed() / 1000.0;
    const QList<QByteArray> lines = client.readAllStandardOutput().split('\n');
    int loaded = 0;
    for (const QByteArray &line : lines)
        loaded += line.startsWith("loaded ") && line.contains(" true ");
    if (client.exitCode() != 0 || loaded != kFeeds)
        qFatal("tarnbank fetch: exit %d, %d of %d feeds loaded", client.exitCode(), loaded, kFeeds);
    server.waitForFinished(10000);

    print("fetch_wall_200_feeds", wall, "s");
    print("server_cpu_200_feeds", last.cpu, "s");
    print("server_cpu_per_feed", last.cpu * 1000.0 / kFeeds, "ms");
    print("server_peak_memory", last.peakMiB, "MiB");
    return 0;
}
