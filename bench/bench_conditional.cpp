// A re-fetch of 200 loopback feeds whose server names each document by an entity tag alone (no
// "Last-modified", so the HEAD answer never settles it), through "tarnbank fetch": once with the
// entity tags of the first fetch (a conditional GET, answered 304), once without them.
// Prints the bytes the server sent, the requests it answered and the documents it sent whole for
// each re-fetch, one figure a line as "name: value unit".
#include "BenchStore.h"
#include "LocalHttpServer.h"
#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>

using namespace bench;

namespace {

constexpr int kFeeds = 200;
constexpr int kItems = 50;

QByteArray feed(int n)
{
    QByteArray out = "<?xml version=\"1.0\"?><rss version=\"2.0\"><channel><title>Feed "
        + QByteArray::number(n) + "</title><link>http://127.0.0.1/</link>";
    for (int i = 0; i < kItems; ++i) {
        const QByteArray id = QByteArray::number(n) + "-" + QByteArray::number(i);
        out += "<item><title>Story " + id + "</title><link>http://127.0.0.1/s/" + id
            + "</link><description>" + description(i) + "</description><guid>g-" + id
            + "</guid></item>";
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
    QTemporaryDir profile;
    QStringList args = {QStringLiteral("fetch"), QStringLiteral("--profile"), profile.path(),
        QStringLiteral("--xsl"), QStringLiteral(TARNWICK_SOURCE_DATA "/tarnns.xsl")};
    for (int n = 0; n < kFeeds; ++n) {
        const QByteArray path = "/feed" + QByteArray::number(n) + ".xml";
        http.route(path) = {
            200, feed(n), {{"ETag", "\"v1-" + QByteArray::number(n) + "\""}}, false, 0, 0, true};
        args << http.url(path);
    }
    RunTarnbank(args, kFeeds); // the first fetch: every document in full
    const QString stampsPath = QDir(profile.path()).filePath("tarnbank-stamps.txt");
    const QByteArray stamps = testsupport::readFile(stampsPath);
    if (stamps.count("etag ") != kFeeds)
        qFatal("the stamps file holds %d entity tags", int(stamps.count("etag ")));

    auto refetch = [&](const char *name) {
        const qint64 bytes = http.bytesSent();
        const int requests = http.answered();
        const int notModified = http.notModified();
        const qsizetype logged = http.log().size();
        RunTarnbank(args, kFeeds);
        const qint64 sent = http.bytesSent() - bytes;
        const int answered = http.answered() - requests;
        const auto gets = std::count_if(http.log().begin() + logged, http.log().end(),
            [](const LocalHttpServer::Request &r) { return r.method == "GET"; });
        const QByteArray prefix = QByteArray("refetch_") + name;
        print((prefix + "_bytes").constData(), double(sent), "bytes");
        print((prefix + "_requests").constData(), answered, "requests");
        print((prefix + "_documents").constData(),
            double(gets - (http.notModified() - notModified)), "documents");
        return std::make_pair(sent, answered);
    };
    const auto conditional = refetch("conditional");
    // The same re-fetch without the entity tags: what every re-fetch cost before.
    QFile file(stampsPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot rewrite the stamps file");
    file.close();
    const auto plain = refetch("unconditional");
    print("refetch_bytes_saved", double(plain.first - conditional.first), "bytes");
    print("refetch_bytes_saved_share",
        100.0 * double(plain.first - conditional.first) / double(plain.first), "%");
    print("refetch_requests_saved", plain.second - conditional.second, "requests");
    return 0;
}
