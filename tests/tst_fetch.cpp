#include "CTarnLoader.h"
#include "LocalHttpServer.h"
#include "ManualTime.h"
#include "TestSupport.h"
#include "XmlStylesheet.h"
#include "clsItemBank.h"
#include "modItemHandler.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QNetworkAccessManager>
#include <QNetworkProxyFactory>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <sys/resource.h>

namespace {

const QString kXsl = QStringLiteral(TARNWICK_TEST_DATA "/passthrough.xsl");
const QByteArray kStamp = "Fri, 20 Nov 2026 09:31:00 GMT";
const QByteArray kOneStoredItem =
    "<itembank version=\"1\"><item channel=\"http://127.0.0.1:1/other\" date=\"01 Dec 2026\" "
    "time=\"10:00:00\"><title>kept</title><read>false</read><flag>false</flag>"
    "<delete>false</delete><hash>0123456789ABCDEF0123456789ABCDEF</hash></item></itembank>";

QByteArray feedFile()
{
    return testsupport::dataFile("feed30.xml");
}

QByteArray smallFeed(const QByteArray &title)
{
    return "<rss version=\"2.0\"><channel><title>" + title + "</title><item><title>" + title
        + " item</title><description>d</description></item></channel></rss>";
}

// What one loader reports: "nochange", "doc:<bytes>" or nothing.
struct LoaderRun
{
    CTarnLoader loader;
    QSignalSpy noChange {&loader, &CTarnLoader::NoFileChange};
    QSignalSpy document {&loader, &CTarnLoader::XMLReadyStateChange};
    bool run(const QString &url, const QString &lastMod, const QString &xsl = kXsl)
    {
        loader.LoadURL(url, lastMod, xsl);
        return QTest::qWaitFor([&] { return !noChange.isEmpty() || !document.isEmpty(); }, 10000);
    }
    QByteArray text() const
    {
        return document.isEmpty() ? QByteArray() : document[0][0].toByteArray();
    }
    QString newMod() const { return document.isEmpty() ? QString() : document[0][1].toString(); }
};

struct Bank
{
    QTemporaryDir dir;
    clsItemBank bank;
    QSignalSpy loaded {&bank, &clsItemBank::ChannelLoaded};
    QSignalSpy timedOut {&bank, &clsItemBank::ChannelTimeOut};
    // stored: an item store to start from (a store with items trusts the stamps it is given);
    // time: the bank's clocks run on it instead of the system's.
    explicit Bank(
        const QString &xsl = kXsl, const QByteArray &stored = {}, ManualTime *time = nullptr)
    {
        if (time)
            bank.SetClockFactory(time->Factory());
        if (!stored.isEmpty()) {
            QFile file(dir.filePath("items.xml"));
            if (file.open(QIODevice::WriteOnly))
                file.write(stored);
        }
        bank.Init(dir.path(), xsl);
    }
    int reports() const { return int(loaded.size() + timedOut.size()); }
    bool waitReports(int n, int ms = 15000)
    {
        return QTest::qWaitFor([&] { return reports() >= n; }, ms);
    }
};

} // namespace

class TestFetch : public QObject
{
    Q_OBJECT

private slots:
    void lastModifiedDecidesTheDocumentLoad();
    void documentsThatCannotBeUsed();
    void fileAddressesAreReadDirectly();
    void loaderGoneEndsItsTransfer();
    void longDocumentsKeepTheNewestEntries();
    void queueFetchesReportsAndSavesOnce();
    void emptyStoreFetchesInFull();
    void conditionalGetByEntityTagAndStamp();
    void refreshPauseAndKill();
    void badDocumentsLeaveTheStoreAlone();
    void lateDocumentAfterTimeOutIsIgnored();
    void oneReportPerRequest();
    void failedSaveIsToldOnce();
    void hugeFieldIsCutAndTheStoreReadsBack();
    void noRedirectFromTheWebToThisMachine();
    void gzipBodies();
    void silentServerTimesOut();
    void feedsOfEveryKindArriveWithTheirDates();
    void stylesheetCompiledOncePerVersion();
    void cleanupTestCase();
};

void TestFetch::lastModifiedDecidesTheDocumentLoad()
{
    LocalHttpServer server;
    server.route("/feed.xml") = {200, feedFile(), {{"Last-Modified", kStamp}}};
    server.route("/bare.xml") = {200, smallFeed("bare"), {}};
    server.route("/moved") = {301, "", {{"Location", server.url("/bare.xml").toLatin1()}}};

    LoaderRun same;
    QVERIFY(same.run(server.url("/feed.xml"), kStamp));
    QCOMPARE(same.noChange.size(), 1);
    QCOMPARE(server.count("GET", "/feed.xml"), 0); // answered by HEAD alone

    for (const QString &known : {QString(), QStringLiteral("-1"), QString(kStamp).toUpper()}) {
        LoaderRun load;
        QVERIFY(load.run(server.url("/feed.xml"), known));
        QVERIFY(load.noChange.isEmpty());
        QVERIFY(load.text().contains("Tarn Valley News"));
        QCOMPARE(load.newMod(), QString(kStamp));
    }
    QCOMPARE(server.count("GET", "/feed.xml"), 3);

    // No header: always loaded, stamp "".
    LoaderRun bare;
    QVERIFY(bare.run(server.url("/bare.xml"), QString()));
    QVERIFY(bare.text().contains("bare item"));
    QCOMPARE(bare.newMod(), QString());

    // Redirects are followed.
    LoaderRun moved;
    QVERIFY(moved.run(server.url("/moved"), QString()));
    QVERIFY(moved.text().contains("bare item"));
}

void TestFetch::documentsThatCannotBeUsed()
{
    LocalHttpServer server;
    server.route("/html") = {200, "<html><body><p>Not a feed<br></body></html>", {}};
    server.route("/xhtml") = {200,
        "<?xml version=\"1.0\"?><html xmlns=\"http://www.w3.org/1999/xhtml\"><body><p>A page"
        "</p></body></html>",
        {}};
    server.route("/other.xml") = {200, "<catalog><book>x</book></catalog>", {}};
    server.route("/junk") = {200, "just some text", {}};
    server.route("/feed.xml") = {200, feedFile(), {}};
    server.route("/truncated.json") = {
        200, R"({"version": "https://jsonfeed.org/version/1.1", "items": [{"id": "1")", {}};
    server.route("/typed.json") = {
        200, "version: 1.1", {{"Content-Type", "application/feed+json; charset=utf-8"}}};
    server.route("/other.json") = {200, R"({"name": "a catalogue", "items": []})", {}};
    // Each ends promptly with an empty delivery and its reason: missing page, a web page
    // (broken or well-formed), XML that is not a feed, not XML, no stylesheet, an address that
    // is neither web nor file.
    struct Case
    {
        QString url, xsl, reason;
    };
    const Case cases[] = {{server.url("/gone.xml"), kXsl, "HTTP 404 "},
        {server.url("/html"), kXsl, "a web page (HTML), not a feed"},
        {server.url("/xhtml"), kXsl, "a web page (HTML), not a feed"},
        {server.url("/other.xml"), kXsl, "not a feed (the document is a <catalog> element)"},
        {server.url("/truncated.json"), kXsl, "not valid JSON ("},
        {server.url("/typed.json"), kXsl, "not valid JSON ("},
        {server.url("/other.json"), kXsl, "JSON, but not a JSON Feed"},
        {server.url("/junk"), kXsl, "not well-formed XML"},
        {server.url("/feed.xml"), "/nonexistent.xsl", "no channel stylesheet"},
        {"gopher://127.0.0.1/x", kXsl, "not a web address or a file"}};
    for (const Case &c : cases) {
        LoaderRun run;
        QVERIFY2(run.run(c.url, QString(), c.xsl), qPrintable(c.url));
        QCOMPARE(run.document.size(), 1);
        QVERIFY(run.text().isEmpty());
        QVERIFY2(run.loader.Error().startsWith(c.reason), qPrintable(run.loader.Error()));
    }
}

void TestFetch::fileAddressesAreReadDirectly()
{
    QTemporaryDir dir;
    QFile f(dir.filePath("local.xml"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(smallFeed("local"));
    f.close();
    LoaderRun run;
    QVERIFY(run.run(QUrl::fromLocalFile(f.fileName()).toString(), QStringLiteral("whatever")));
    QVERIFY(run.text().contains("local item"));
    QCOMPARE(run.newMod(), QString());
}

void TestFetch::loaderGoneEndsItsTransfer()
{
    // A loader let go while its HEAD waits ends that transfer and starts no other.
    LocalHttpServer server;
    server.route("/hanging").silent = true;
    server.route("/after") = {200, smallFeed("after"), {}};
    auto *loader = new CTarnLoader;
    loader->LoadURL(server.url("/hanging"), QString(), kXsl);
    QVERIFY(QTest::qWaitFor([&] { return server.count("HEAD", "/hanging") == 1; }, 5000));
    delete loader;
    // Another fetch through the same client, to its end: the first one's GET would be in by now.
    LoaderRun after;
    QVERIFY(after.run(server.url("/after"), QString()));
    QCOMPARE(server.count("GET", "/hanging"), 0);
}

void TestFetch::longDocumentsKeepTheNewestEntries()
{
    // More entries than one document may bring: the newest by their own dates stay, wherever
    // they stand in the document; the channel's own elements stay too.
    const int count = CTarnLoader::kMaxEntries + 500;
    QByteArray feed =
        "<rss version=\"2.0\"><channel><title>Long</title><description>d</description>";
    for (int i = 0; i < count; ++i) {
        const int day = (i * 7919) % count; // every day once, in a scrambled order
        const QDate date = QDate(2020, 1, 1).addDays(day);
        // Every other one with a two-digit year, as some feeds write it.
        feed += "<item><title>Day " + QByteArray::number(day) + "</title><pubDate>"
            + QLocale::c().toString(date, i % 2 ? "ddd, dd MMM yy" : "ddd, dd MMM yyyy").toLatin1()
            + " 12:00:00 -0800</pubDate></item>";
    }
    feed += "</channel></rss>";
    LocalHttpServer server;
    server.route("/long.xml") = {200, feed, {}};
    LoaderRun run;
    QVERIFY(run.run(server.url("/long.xml"), QString()));
    xml::Document out;
    QVERIFY(out.loadXML(run.text()));
    const auto titles = out.selectNodes("//item/title");
    QVERIFY(titles);
    QCOMPARE(int(titles->size()), CTarnLoader::kMaxEntries);
    int oldestKept = count;
    for (const xml::Node &t : *titles)
        oldestKept = qMin(oldestKept, t.text().mid(4).toInt());
    QCOMPARE(oldestKept, count - CTarnLoader::kMaxEntries);
    QVERIFY(out.selectSingleNode("/rss/channel/title"));
}

void TestFetch::queueFetchesReportsAndSavesOnce()
{
    LocalHttpServer server;
    for (int i = 0; i < 5; ++i)
        server.route("/f" + QByteArray::number(i)) = {
            200, smallFeed("feed" + QByteArray::number(i)), {}};
    server.route("/same") = {200, feedFile(), {{"Last-Modified", kStamp}}};

    Bank b(kXsl, kOneStoredItem);
    QVERIFY(QTest::qWaitFor([&] { return b.bank.IsStoreReady(); }, 3000));
    for (int i = 0; i < 5; ++i)
        b.bank.LoadChannel(server.url("/f" + QByteArray::number(i)), {}, "T", 0, {});
    b.bank.LoadChannel(server.url("/same"), kStamp, "Same", 0, {});
    // Nothing starts before the pacing period that the last request began.
    QVERIFY(server.log().isEmpty());
    QVERIFY(b.waitReports(6));
    QCOMPARE(b.timedOut.size(), 0);
    QCOMPARE(b.bank.Count(), 6);
    QStringList unchanged;
    for (const auto &report : b.loaded)
        if (!report[1].toBool())
            unchanged << report[0].toString() + " " + report[2].toString();
    QCOMPARE(unchanged, QStringList {server.url("/same") + " " + kStamp});

    // The store is written once, when the queue has run empty.
    const QString store = b.dir.filePath("items.xml");
    xml::Document saved;
    QTRY_COMPARE_WITH_TIMEOUT((saved.load(store), saved.documentElement().childCount()), 6, 3000);
}

void TestFetch::emptyStoreFetchesInFull()
{
    // A store that starts empty (here: none at all) has none of the items the stamps the main
    // program holds stand for: each channel's first fetch loads the document whatever its stamp.
    LocalHttpServer server;
    server.route("/same") = {200, feedFile(), {{"Last-Modified", kStamp}}};
    Bank b;
    b.bank.LoadChannel(server.url("/same"), kStamp, "Same", 0, {});
    QVERIFY(b.waitReports(1));
    QCOMPARE(server.count("GET", "/same"), 1);
    QCOMPARE(b.loaded[0][1].toBool(), true);
    QCOMPARE(b.bank.Count(), 30);
    // Once fetched, the stamp stands again: the HEAD answer alone.
    b.bank.LoadChannel(server.url("/same"), kStamp, "Same", 0, {});
    QVERIFY(b.waitReports(2));
    QCOMPARE(server.count("GET", "/same"), 1);
    QCOMPARE(b.loaded[1][1].toBool(), false);
}

void TestFetch::conditionalGetByEntityTagAndStamp()
{
    // Four servers: entity tag only, stamp only, both, neither. Each channel is fetched twice
    // with what the first fetch reported; the second fetch's transfer is counted.
    LocalHttpServer server;
    const QByteArray tag = "\"v1-abc\"";
    const QByteArray body = feedFile();
    struct Server
    {
        QByteArray path;
        QList<QPair<QByteArray, QByteArray>> headers;
        int gets; // GETs of both fetches
    };
    const QList<Server> servers = {{"/tag", {{"ETag", tag}}, 2},
        {"/stamp", {{"Last-Modified", kStamp}}, 1}, // the HEAD answers alone
        {"/both", {{"ETag", tag}, {"Last-Modified", kStamp}}, 1}, {"/neither", {}, 2}};
    for (const Server &s : servers)
        server.route(s.path) = {200, body, s.headers, false, 0, 0, true};

    Bank b;
    QSignalSpy tags(&b.bank, &clsItemBank::ChannelETag);
    // A store that started empty sends no validator it was handed (its items are not there).
    for (const Server &s : servers)
        b.bank.LoadChannel(server.url(s.path), kStamp, {}, 0, {}, QString(tag));
    QVERIFY(b.waitReports(4));
    for (const auto &request : server.log())
        QVERIFY(request.header("If-None-Match").isEmpty()
            && request.header("If-Modified-Since").isEmpty());
    QHash<QString, QString> tagOf, stampOf;
    for (const auto &t : tags)
        tagOf[t[0].toString()] = t[1].toString();
    for (const auto &l : b.loaded) {
        QVERIFY(l[1].toBool()); // items arrived
        stampOf[l[0].toString()] = l[2].toString();
    }
    // Reported only where it differs from what the request carried.
    QCOMPARE(tagOf.value(server.url("/tag"), "unreported"), QStringLiteral("unreported"));
    QCOMPARE(tagOf.value(server.url("/stamp"), "unreported"), QString());
    QCOMPARE(tagOf.value(server.url("/neither"), "unreported"), QString());
    QCOMPARE(stampOf.value(server.url("/both")), QString(kStamp));
    QCOMPARE(stampOf.value(server.url("/tag")), QString());
    const qint64 firstBytes = server.bytesSent();
    QVERIFY(firstBytes > 4 * body.size());

    const int reports = b.reports();
    for (const Server &s : servers) {
        const QString url = server.url(s.path);
        b.bank.LoadChannel(url, stampOf.value(url), {}, 0, {}, tagOf.value(url, QString(tag)));
    }
    QVERIFY(b.waitReports(reports + 4));
    QCOMPARE(b.timedOut.size(), 0);
    QCOMPARE(tags.size(), 2); // nothing new to report
    for (const Server &s : servers) {
        const QString url = server.url(s.path);
        QCOMPARE(server.count("GET", s.path), s.gets);
        for (int i = reports; i < b.loaded.size(); ++i) {
            if (b.loaded[i][0].toString() == url) {
                // Unchanged exactly as an equal HEAD stamp is: no new items, the known stamp.
                QVERIFY(!b.loaded[i][1].toBool());
                QCOMPARE(b.loaded[i][2].toString(), stampOf.value(url));
            }
        }
    }
    // The entity tag went with the document's GET, and the server answered 304 without a body:
    // of the four documents only the one from the server without validators came again.
    QVERIFY(std::any_of(server.log().begin(), server.log().end(), [&](const auto &r) {
        return r.path == "/tag" && r.method == "GET" && r.header("If-None-Match") == tag;
    }));
    const qint64 secondBytes = server.bytesSent() - firstBytes;
    QVERIFY2(secondBytes < body.size() + 2000, qPrintable(QString::number(secondBytes)));
    QVERIFY(secondBytes >= body.size());
    QCOMPARE(b.bank.Count(), 30 * 4);

    // A changed document: a new entity tag, reported, and its items merged.
    server.route("/tag").headers = {{"ETag", "\"v2\""}};
    server.route("/tag").body = smallFeed("changed");
    b.bank.LoadChannel(server.url("/tag"), {}, {}, 0, {}, QString(tag));
    QVERIFY(b.waitReports(reports + 5));
    QCOMPARE(tags.size(), 3);
    QCOMPARE(tags.last()[1].toString(), QStringLiteral("\"v2\""));
    QVERIFY(b.loaded.last()[1].toBool());
}

void TestFetch::refreshPauseAndKill()
{
    LocalHttpServer server;
    server.route("/a") = {200, smallFeed("a"), {}};
    server.route("/b") = {200, smallFeed("b"), {}};
    Bank b;
    b.bank.PauseQueue();
    b.bank.LoadChannel(server.url("/a"), {}, "old title", 0, {});
    b.bank.LoadChannel(server.url("/a"), {}, "new title", 0, {}); // refreshes, no second fetch
    b.bank.LoadChannel(server.url("/b"), {}, "b", 0, {});
    QVERIFY(!b.bank.KillChannel(server.url("/a"))); // queued: not removed
    QTest::qWait(1200);
    QVERIFY(server.log().isEmpty()); // paused
    b.bank.ResumeQueue();
    QVERIFY(b.waitReports(2));
    QTest::qWait(700); // a second fetch of /a would have started by now
    QCOMPARE(server.count("HEAD", "/a"), 1);
    QCOMPARE(b.reports(), 2);
    QVERIFY(b.bank.KillChannel(server.url("/a")));
    QCOMPARE(b.bank.Count(), 1);
}

void TestFetch::badDocumentsLeaveTheStoreAlone()
{
    const QByteArray laughs = testsupport::billionLaughs(
        "<rss><channel><title>&l9;</title><item><title>&l9;</title></item></channel></rss>");
    QByteArray huge = "<rss><channel><title>big</title>";
    const QByteArray one =
        "<item><title>x</title><description>" + QByteArray(1000, 'y') + "</description></item>";
    while (huge.size() < 50 * 1024 * 1024)
        huge += one;
    huge += "</channel></rss>";

    LocalHttpServer server;
    server.route("/ok") = {200, smallFeed("kept"), {}};
    server.route("/cut") = {200, feedFile().left(3000), {}};
    server.route("/laughs") = {200, laughs, {}};
    server.route("/huge") = {200, huge, {}};
    server.route("/html") = {200, "<html><p>Just a page</html>", {}};

    Bank b;
    b.bank.LoadChannel(server.url("/ok"), {}, "", 0, {});
    QVERIFY(b.waitReports(1));
    const QString before = b.bank.StoreText();
    // Each refusal is logged with its channel and reason.
    for (const char *logged : {"/cut could not be used: not well-formed XML",
             "/laughs could not be used: not well-formed XML",
             "/huge could not be used: larger than 32 MiB",
             "/html could not be used: a web page (HTML), not a feed"})
        QTest::ignoreMessage(
            QtInfoMsg, QRegularExpression(QRegularExpression::escape(logged) + "$"));
    for (const QByteArray path : {"/cut", "/laughs", "/huge", "/html"})
        b.bank.LoadChannel(server.url(path), {}, "", 0, {});
    QVERIFY(b.waitReports(5, 30000));
    QCOMPARE(b.timedOut.size(), 4);
    // The reason goes with the report, for the user.
    const auto html = std::find_if(b.timedOut.cbegin(), b.timedOut.cend(),
        [&](const QList<QVariant> &r) { return r.value(0).toString() == server.url("/html"); });
    QVERIFY(html != b.timedOut.cend());
    QCOMPARE(html->value(1).toString(), QStringLiteral("a web page (HTML), not a feed"));
    QCOMPARE(b.bank.StoreText(), before);
    QCOMPARE(b.bank.Count(), 1);
}

void TestFetch::lateDocumentAfterTimeOutIsIgnored()
{
    LocalHttpServer server;
    server.route("/slow") = {200, smallFeed("late"), {}};
    server.route("/slow").delayMs = 1500;
    ManualTime time;
    Bank b(kXsl, {}, &time);
    // The main program takes its time with the time-out (the document arrives meanwhile):
    // still the one report, nothing merged.
    QObject::connect(&b.bank, &clsItemBank::ChannelTimeOut, &b.bank,
        [&server] { (void)QTest::qWaitFor([&] { return server.answered() == 1; }, 5000); });
    b.bank.LoadChannel(server.url("/slow"), {}, "", 0, {});
    time.Advance(clsItemBank::kPacingMs); // the queue starts the fetch
    QVERIFY(QTest::qWaitFor([&] { return server.count("GET", "/slow") == 1; }, 5000));
    time.Advance(clsItemBank::kFetchTimeOutMs);
    QCOMPARE(b.timedOut.size(), 1);
    // Once more after the answer came: the queue, run empty, reports nothing else.
    time.Advance(clsItemBank::kPacingMs);
    QCOMPARE(b.reports(), 1);
    QCOMPARE(b.bank.Count(), 0);
}

void TestFetch::oneReportPerRequest()
{
    // A request with no address, or to a bank never set up, ends at once with its report; a
    // second Init leaves the running fetch alone; nothing is written without a profile folder.
    LocalHttpServer server;
    server.route("/a") = {200, smallFeed("a"), {}};
    Bank b;
    b.bank.LoadChannel(QString(), {}, "", 0, {});
    QCOMPARE(b.timedOut.size(), 1);
    b.bank.LoadChannel(server.url("/a"), {}, "", 0, {});
    b.bank.Init(b.dir.filePath("elsewhere"), kXsl);
    QVERIFY(b.waitReports(2));
    QCOMPARE(b.loaded.size(), 1);
    QCOMPARE(b.timedOut.size(), 1);
    QCOMPARE(b.loaded[0][0].toString(), server.url("/a"));

    const QString cwd = QDir::currentPath();
    QTemporaryDir elsewhere;
    QDir::setCurrent(elsewhere.path());
    clsItemBank unset;
    QSignalSpy timedOut(&unset, &clsItemBank::ChannelTimeOut);
    unset.LoadChannel(server.url("/a"), {}, "", 0, {});
    QCOMPARE(timedOut.size(), 1);
    QVERIFY(!unset.SaveIt());
    QVERIFY(unset.UnloadMe()); // nothing to write is no failure
    QDir::setCurrent(cwd);
    QVERIFY(QDir(elsewhere.path()).isEmpty());
}

void TestFetch::failedSaveIsToldOnce()
{
    // Files may grow no larger than 1 KiB while the store is saved, as on a full disk: the save
    // fails, the old file stays, the user hears of it once per run of failures.
    Bank b(kXsl, kOneStoredItem);
    QVERIFY(QTest::qWaitFor([&] { return b.bank.IsStoreReady(); }, 3000));
    QSignalSpy told(&b.bank, &clsItemBank::BankMessage);
    LocalHttpServer server;
    server.route("/f") = {200, feedFile(), {}};
    b.bank.LoadChannel(server.url("/f"), {}, "", 0, {});
    QVERIFY(b.waitReports(1));
    const QByteArray before = testsupport::readFile(b.dir.filePath("items.xml"));
    struct rlimit normal = {};
    ::getrlimit(RLIMIT_FSIZE, &normal);
    struct rlimit small = normal;
    small.rlim_cur = 1024;
    const auto previous = ::signal(SIGXFSZ, SIG_IGN);
    ::setrlimit(RLIMIT_FSIZE, &small);
    const bool first = b.bank.SaveIt();
    const bool second = b.bank.SaveIt();
    ::setrlimit(RLIMIT_FSIZE, &normal);
    ::signal(SIGXFSZ, previous);
    QVERIFY(!first && !second);
    QCOMPARE(told.size(), 1);
    QVERIFY(told[0][0].toString().startsWith("Could not save items.xml"));
    QCOMPARE(testsupport::readFile(b.dir.filePath("items.xml")), before);
    QVERIFY(b.bank.SaveIt());
    QVERIFY(testsupport::readFile(b.dir.filePath("items.xml")).size() > before.size());
}

void TestFetch::hugeFieldIsCutAndTheStoreReadsBack()
{
    // One description of about 10.1 MB (libxml2 reads no longer text node without being told):
    // it is cut to the field bound and every item of the profile reads back.
    QByteArray feed = "<rss version=\"2.0\"><channel><title>Big</title>";
    for (int i = 0; i < 50; ++i)
        feed += "<item><title>Small " + QByteArray::number(i) + "</title><guid>s"
            + QByteArray::number(i) + "</guid></item>";
    feed += "<item><title>Huge</title><description>" + QByteArray(10'100'000, 'x')
        + "</description></item>";
    feed += "</channel></rss>";
    LocalHttpServer server;
    server.route("/big.xml") = {200, feed, {}};
    Bank b;
    b.bank.LoadChannel(server.url("/big.xml"), {}, "", 0, {});
    QVERIFY(b.waitReports(1, 60000));
    QCOMPARE(b.loaded.size(), 1);
    QVERIFY(b.bank.UnloadMe());
    clsItemBank again;
    QSignalSpy ready(&again, &clsItemBank::StoreReady);
    again.Init(b.dir.path(), kXsl);
    QVERIFY(ready.wait(20000));
    QCOMPARE(ready[0][0].toBool(), true);
    QCOMPARE(again.Count(), 51);
    const auto snapshot = again.StoreSnapshot();
    const auto huge = snapshot->selectSingleNode("//item[title='Huge']/description");
    QVERIFY(huge);
    QCOMPARE(huge->text().size(), clsItemBank::kMaxFieldChars);
}

void TestFetch::noRedirectFromTheWebToThisMachine()
{
    // A feed on the web (reached here through a proxy, as no real host is at hand) that
    // redirects to a port on the loopback: not followed. A loopback feed that redirects on the
    // loopback is the user's own: followed.
    LocalHttpServer proxy;
    const QByteArray inside = proxy.url("/secret").toLatin1();
    proxy.route("http://feeds.example/feed.xml") = {302, "", {{"Location", inside}}};
    proxy.route("/secret") = {200, smallFeed("secret"), {}};
    proxy.route("http://127.0.0.1:" + QByteArray::number(QUrl(proxy.url("/")).port())
        + "/secret") = {200, smallFeed("secret"), {}};
    qputenv("http_proxy", proxy.url("").toLatin1());
    qputenv("no_proxy", "");
    QNetworkProxyFactory::setUseSystemConfiguration(true);
    LoaderRun web;
    QVERIFY(web.run("http://feeds.example/feed.xml", QString()));
    qunsetenv("http_proxy");
    QVERIFY(!web.text().contains("secret item"));
    for (const auto &request : proxy.log())
        QVERIFY2(!request.path.contains("/secret"), request.path.constData());

    LocalHttpServer local;
    local.route("/moved") = {302, "", {{"Location", local.url("/here").toLatin1()}}};
    local.route("/here") = {200, smallFeed("here"), {}};
    LoaderRun own;
    QVERIFY(own.run(local.url("/moved"), QString()));
    QVERIFY(own.text().contains("here item"));
}

void TestFetch::gzipBodies()
{
    QProcess gzip;
    gzip.start("gzip", {"-c"});
    gzip.write(feedFile());
    gzip.closeWriteChannel();
    QVERIFY(gzip.waitForFinished(10000));
    const QByteArray packed = gzip.readAllStandardOutput();
    QVERIFY(packed.startsWith("\x1f\x8b"));
    LocalHttpServer server;
    server.route("/z") = {200, packed, {{"Content-Encoding", "gzip"}}};
    LoaderRun run;
    QVERIFY(run.run(server.url("/z"), QString()));
    QVERIFY(run.text().contains("Tarn Valley News"));
}

// The one test that waits for the real fetch time-out.
void TestFetch::silentServerTimesOut()
{
    // A server that takes the request and never answers: the fetch ends when its 15 s are
    // over, not a moment before.
    LocalHttpServer server;
    server.route("/silent").silent = true;
    ManualTime time;
    Bank b(kXsl, {}, &time);
    b.bank.LoadChannel(server.url("/silent"), {}, "", 0, {});
    QVERIFY(server.log().isEmpty()); // the pacing period comes first
    time.Advance(clsItemBank::kPacingMs);
    QVERIFY(QTest::qWaitFor([&] { return server.count("HEAD", "/silent") == 1; }, 5000));
    time.Advance(clsItemBank::kFetchTimeOutMs - 1);
    QCOMPARE(b.reports(), 0);
    time.Advance(1);
    QCOMPARE(b.timedOut.size(), 1);
    QCOMPARE(b.timedOut[0][0].toString(), server.url("/silent"));
    QCOMPARE(b.timedOut[0][1].toString(), QStringLiteral("no answer within 15 seconds"));
    QVERIFY(b.loaded.isEmpty());
}

void TestFetch::feedsOfEveryKindArriveWithTheirDates()
{
    // Served as a web server sends them, fetched and merged with the shipped stylesheet: each
    // arrives with its items, and an item keeps the date its feed gave.
    struct Served
    {
        QByteArray path, file, type;
        int items;
        QString title, moment;
    };
    const Served feeds[] = {
        {"/harbour", "rss20-namespace.xml", "application/rss+xml", 2, "Spring tide warning",
            "02 Dec 2026 08:05:30"},
        {"/orchard", "atom10-prefixed.xml", "application/atom+xml", 2, "Cider pressing day",
            "29 Nov 2026 15:40:00"},
        {"/choir", "rss20-utf16.xml", "text/xml; charset=utf-16", 1,
            QString::fromUtf8("Probe fällt aus · 合唱"), "01 Dec 2026 19:30:00"},
        {"/hall", "rss20-in-xhtml.xml", "application/xhtml+xml", 2, "Film night",
            "23 Nov 2026 20:00:00"},
        {"/signal", "rss20-dates.xml", "application/rss+xml", 4, "Timetable for winter",
            "05 Dec 2017 07:45:10"},
        {"/bees", "jsonfeed10.json", "application/json", 3, "Hives wrapped for winter",
            "27 Nov 2026 16:05:00"},
        {"/tram", "jsonfeed11.json", "application/feed+json", 2, "Car 17 runs again",
            "03 Dec 2026 14:30:00"},
        {"/bare", "", "", 1, QString::fromUtf8("Probe fällt aus · 合唱"), "01 Dec 2026 19:30:00"},
    };
    LocalHttpServer server;
    for (const Served &f : feeds)
        if (!f.file.isEmpty())
            server.route(f.path) = {
                200, testsupport::dataFile("feeds/" + f.file), {{"Content-Type", f.type}}};
    // The same in UTF-16 big-endian with neither byte order mark nor declaration.
    const QByteArray utf16 = testsupport::dataFile("feeds/rss20-utf16.xml");
    QString text = QString::fromUtf16(
        reinterpret_cast<const char16_t *>(utf16.constData() + 2), (utf16.size() - 2) / 2);
    text = text.mid(text.indexOf("<rss"));
    server.route("/bare") = {200, QStringEncoder(QStringEncoder::Utf16BE)(text), {}};
    Bank b(QStringLiteral(TARNWICK_DATA "/tarnns.xsl"));
    for (const Served &f : feeds)
        b.bank.LoadChannel(server.url(f.path), {}, "", 0, {});
    QVERIFY(b.waitReports(int(std::size(feeds)), 30000));
    QCOMPARE(b.timedOut.size(), 0);
    const auto snapshot = b.bank.StoreSnapshot();
    for (const Served &f : feeds) {
        int items = 0;
        QString moment;
        for (xml::Node i = snapshot->documentElement().firstChild(); i; i = i.nextSibling()) {
            if (modItemHandler::GetItemChannel(i) != server.url(f.path))
                continue;
            ++items;
            if (modItemHandler::GetItemTitle(i) == f.title)
                moment = modItemHandler::GetItemDate(i) + " " + modItemHandler::GetItemTime(i);
        }
        QVERIFY2(items == f.items, f.path.constData());
        QCOMPARE(moment, f.moment);
    }
}

void TestFetch::stylesheetCompiledOncePerVersion()
{
    // The channel stylesheet (here one that includes another file) is compiled once and serves
    // every fetch after; an unchanged feed does not touch it; an edit to either file is in use
    // from the next document on. The edits keep the size: the new modification time tells them.
    QTemporaryDir dir;
    const QString main = dir.filePath("channel.xsl");
    const QString titles = dir.filePath("titles.xsl");
    QDateTime edited = QDateTime::currentDateTimeUtc().addSecs(-3600);
    const auto write = [&edited](const QString &path, const QByteArray &text) {
        QFile file(path);
        edited = edited.addSecs(60);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size()
            && file.setFileTime(edited, QFileDevice::FileModificationTime);
    };
    const QByteArray head = "<xsl:stylesheet version=\"1.0\" "
                            "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">";
    const auto mainText = [&head](char copy) {
        return head + "<xsl:include href=\"titles.xsl\"/><xsl:template match=\"@*|node()\">"
            + "<xsl:" + QByteArray(1, copy) + "opy><xsl:apply-templates select=\"@*|node()\"/>"
            + "</xsl:" + QByteArray(1, copy) + "opy></xsl:template></xsl:stylesheet>";
    };
    const auto titlesText = [&head](const QByteArray &mark) {
        return head + "<xsl:template match=\"channel/title\"><title>" + mark
            + " <xsl:value-of select=\".\"/></title></xsl:template></xsl:stylesheet>";
    };
    QVERIFY(write(main, mainText('c')) && write(titles, titlesText("v1")));

    LocalHttpServer server;
    server.route("/stamped") = {200, smallFeed("stamped"), {{"Last-Modified", kStamp}}};
    server.route("/tagged") = {200, smallFeed("tagged"), {{"ETag", "\"t\""}}, false, 0, 0, true};
    const int before = xml::Stylesheet::sharedCompilations();
    const auto compiled = [before] {
        return xml::Stylesheet::sharedCompilations() - before;
    };
    const auto fetch = [&](const QString &path, const QString &stamp = QString(),
                           const QString &tag = QString()) {
        LoaderRun run;
        run.loader.LoadURL(server.url(path.toLatin1()), stamp, main, tag);
        if (!QTest::qWaitFor(
                [&] { return !run.noChange.isEmpty() || !run.document.isEmpty(); }, 10000))
            return QStringLiteral("no answer");
        return run.noChange.isEmpty() ? QString::fromUtf8(run.text()) : QStringLiteral("unchanged");
    };
    const auto title = [](const char *mark, const QString &path) {
        return QStringLiteral("<title>%1 %2</title>").arg(QLatin1String(mark), path.mid(1));
    };
    for (const QString path : {"/stamped", "/tagged", "/stamped"})
        QVERIFY(fetch(path).contains(title("v1", path)));
    QCOMPARE(compiled(), 1);

    // Unchanged feeds (an equal HEAD stamp, a 304) with the included file edited: not compiled.
    QVERIFY(write(titles, titlesText("v2")));
    QCOMPARE(fetch("/stamped", kStamp), QStringLiteral("unchanged"));
    QCOMPARE(fetch("/tagged", QString(), "\"t\""), QStringLiteral("unchanged"));
    QCOMPARE(compiled(), 1);
    for (const QString path : {"/tagged", "/stamped"})
        QVERIFY(fetch(path).contains(title("v2", path)));
    QCOMPARE(compiled(), 2);

    // The stylesheet's own file edited into one that does not compile: reported on every
    // fetch, and the edit back is in use again.
    QVERIFY(write(main, mainText('<')));
    for (int i = 0; i < 2; ++i) {
        LoaderRun broken;
        QVERIFY(broken.run(server.url("/tagged"), QString(), main));
        QVERIFY(broken.text().isEmpty());
        QVERIFY2(broken.loader.Error().startsWith("no channel stylesheet ("),
            qPrintable(broken.loader.Error()));
    }
    QVERIFY(write(main, mainText('c')));
    QVERIFY(fetch("/stamped").contains(title("v2", "/stamped")));
    QCOMPARE(compiled(), 5);
}

void TestFetch::cleanupTestCase()
{
    // The process's one network client goes with its transfers' threads while the event loop
    // can still take them down, rather than at exit.
    qDeleteAll(QCoreApplication::instance()->findChildren<QNetworkAccessManager *>(
        QString(), Qt::FindDirectChildrenOnly));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QTEST_GUILESS_MAIN(TestFetch)
#include "tst_fetch.moc"
