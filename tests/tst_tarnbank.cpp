#include "LocalHttpServer.h"
#include "TestSupport.h"
#include "XmlDocument.h"

#include <QDateTime>
#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QByteArray kStamp = "Fri, 20 Nov 2026 09:31:00 GMT";

struct Run
{
    int code = -1;
    QStringList lines;
    QByteArray err;
};

} // namespace

class TestTarnbank : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void fetchListCountMark();
    void usageErrors();
    void failedSavesAndPrivateFiles();
    void editedStylesheetInUseAtTheNextFetch();

private:
    // Runs tarnbank while this process keeps serving HTTP.
    Run tarnbank(const QStringList &args)
    {
        QProcess p;
        QSignalSpy done(&p, &QProcess::finished);
        p.start(QStringLiteral(TARNBANK_PATH), args);
        Run r;
        if (!done.wait(60000))
            return r;
        r.code = p.exitCode();
        r.lines = QString::fromUtf8(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
        r.err = p.readAllStandardError();
        return r;
    }
    QTemporaryDir m_Runtime;
};

void TestTarnbank::initTestCase()
{
    testsupport::usePrivateRuntime(m_Runtime.path());
}

void TestTarnbank::fetchListCountMark()
{
    LocalHttpServer http;
    http.route("/news.xml") = {
        200, testsupport::dataFile("feed30.xml"), {{"Last-Modified", kStamp}}};
    // Only an entity tag, which the server checks on the GET.
    http.route("/atom.xml") = {
        200, testsupport::dataFile("feeds/atom10.xml"), {{"ETag", "W/\"a-1\""}}, false, 0, 0, true};
    QTemporaryDir profile;
    const QString news = http.url("/news.xml");
    const QString atom = http.url("/atom.xml");

    Run first = tarnbank({"fetch", "--profile", profile.path(), news, atom});
    QCOMPARE(first.code, 0);
    QVERIFY(first.lines.contains("details " + news + " 1 Tarn Valley News"));
    QVERIFY(first.lines.contains("loaded " + news + " true " + kStamp));
    QVERIFY(first.lines.contains("loaded " + atom + " true "));
    QCOMPARE(http.count("GET", "/news.xml"), 1);

    // The stamp file keeps the entity tag on a line of its own.
    QVERIFY(testsupport::readFile(profile.filePath("tarnbank-stamps.txt"))
                .contains("etag " + atom.toUtf8() + "\tW/\"a-1\"\n"));

    // The stamp of the first fetch comes back: the unchanged feed is answered by HEAD alone;
    // the one with an entity tag by a 304 to its GET.
    Run second = tarnbank({"fetch", "--profile", profile.path(), news, atom});
    QCOMPARE(second.code, 0);
    second.lines.sort();
    QCOMPARE(second.lines,
        QStringList({"loaded " + atom + " false ", "loaded " + news + " false " + kStamp}));
    QCOMPARE(http.count("GET", "/news.xml"), 1);
    QCOMPARE(http.count("GET", "/atom.xml"), 2);
    QCOMPARE(http.log().last().header("If-None-Match"), QByteArray("W/\"a-1\""));

    Run count = tarnbank({"count", "--profile", profile.path(), "_tarnwick/all"});
    QCOMPARE(count.lines, QStringList {"32 32"});

    Run listed = tarnbank({"list", "--profile", profile.path(), atom, "", "LATHE"});
    QCOMPARE(listed.code, 0);
    xml::Document doc;
    QVERIFY(doc.loadXML(listed.lines.join('\n').toUtf8()));
    QCOMPARE(doc.documentElement().childCount(), 1);
    const QString hash = doc.documentElement().firstChild().firstChildElement("hash").text();
    QCOMPARE(hash.size(), 32);

    QCOMPARE(tarnbank({"mark", "--profile", profile.path(), hash, "read"}).code, 0);
    QCOMPARE(tarnbank({"count", "--profile", profile.path(), atom}).lines, QStringList {"2 1"});
    QCOMPARE(tarnbank({"mark", "--profile", profile.path(), hash, "delete"}).code, 0);
    QCOMPARE(tarnbank({"count", "--profile", profile.path(), "_tarnwick/deleted"}).lines,
        QStringList {"1 0"});
    QVERIFY(testsupport::readFile(profile.filePath("items.xml")).contains("<delete>true</delete>"));
}

void TestTarnbank::usageErrors()
{
    QTemporaryDir profile;
    for (const QStringList &args :
        {QStringList {}, QStringList {"fetch", "--profile", profile.path()},
            QStringList {"fetch", "http://127.0.0.1/x"}, QStringList {"count", "--profile"},
            QStringList {"mark", "--profile", profile.path(), "HASH", "burn"},
            QStringList {"fetch", "--profile", profile.path(), "--expire", "soon", "u"},
            QStringList {"explode", "--profile", profile.path()}}) {
        const Run r = tarnbank(args);
        QCOMPARE(r.code, 2);
        QVERIFY(r.err.contains("usage:"));
    }
}

void TestTarnbank::failedSavesAndPrivateFiles()
{
    LocalHttpServer http;
    http.route("/news.xml") = {200, testsupport::dataFile("feed30.xml"), {}};
    const QString news = http.url("/news.xml");

    // What the server writes is the user's alone.
    QTemporaryDir profile;
    QCOMPARE(tarnbank({"fetch", "--profile", profile.path(), news}).code, 0);
    for (const char *file : {"items.xml", "tarnbank-stamps.txt"})
        QCOMPARE(QFileInfo(profile.filePath(file)).permissions() & QFileDevice::Permissions(0x0077),
            QFileDevice::Permissions());

    // A store that cannot be written (the server may write no file over 4 KiB, as on a full
    // disk): the command says so and fails, instead of reporting what it will lose as loaded,
    // and the store there stays as it was.
    const QByteArray before = testsupport::readFile(profile.filePath("items.xml"));
    // The server of the last command may still be on its way out: it goes first, and the one
    // serving from here on is the limited one.
    auto limitedServer = [&] {
        if (!QTest::qWaitFor([&] { return testsupport::serverPid(m_Runtime.path()) == 0; }, 10000))
            return false;
        auto *server = new QProcess(this);
        server->start("bash",
            {"-c", "trap '' XFSZ; exec prlimit --fsize=4096 " + QStringLiteral(TARNLOADER_BUILT)});
        return server->waitForStarted(5000)
            && QTest::qWaitFor(
                [&] { return testsupport::serverPid(m_Runtime.path()) == server->processId(); },
                10000);
    };
    QVERIFY(limitedServer());
    http.route("/more.xml") = {200, testsupport::dataFile("feeds/atom10.xml"), {}};
    const Run fetched = tarnbank({"fetch", "--profile", profile.path(), http.url("/more.xml")});
    QCOMPARE(fetched.code, 1);
    QVERIFY2(fetched.err.contains("Could not save items.xml"), fetched.err.constData());
    QVERIFY(fetched.err.contains("could not be saved"));
    QCOMPARE(testsupport::readFile(profile.filePath("items.xml")), before);
    QVERIFY(QTest::qWaitFor([&] { return testsupport::serverPid(m_Runtime.path()) == 0; }, 10000));
    QVERIFY(limitedServer());
    const QString hash = QString::fromUtf8(before.mid(before.indexOf("<hash>") + 6, 32));
    QCOMPARE(tarnbank({"mark", "--profile", profile.path(), hash, "read"}).code, 1);
    QCOMPARE(testsupport::readFile(profile.filePath("items.xml")), before);
    QVERIFY(QTest::qWaitFor([&] { return testsupport::serverPid(m_Runtime.path()) == 0; }, 10000));

    // An empty address ends at once with its one report.
    const Run empty = tarnbank({"fetch", "--profile", profile.path(), ""});
    QCOMPARE(empty.code, 0);
    QCOMPARE(empty.lines, QStringList {"timeout "});
}

void TestTarnbank::editedStylesheetInUseAtTheNextFetch()
{
    // One server keeps the compiled channel stylesheet for its fetches; a stylesheet edited
    // while it runs is the one the next fetch uses. A fetch that hangs keeps the server up.
    LocalHttpServer http;
    http.route("/hang").silent = true;
    http.route("/news.xml") = {200, testsupport::dataFile("feed30.xml"), {}};
    const QString news = http.url("/news.xml");
    QTemporaryDir dir;
    const QString xsl = dir.filePath("channel.xsl");
    const auto write = [&xsl](const QByteArray &mark, int minute) {
        QFile file(xsl);
        return file.open(QIODevice::WriteOnly)
            && file.write("<xsl:stylesheet version=\"1.0\" "
                          "xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">"
                          "<xsl:template match=\"@*|node()\"><xsl:copy><xsl:apply-templates "
                          "select=\"@*|node()\"/></xsl:copy></xsl:template>"
                          "<xsl:template match=\"channel/title\"><title>"
                   + mark + " <xsl:value-of select=\".\"/></title></xsl:template></xsl:stylesheet>")
            > 0
            && file.setFileTime(QDateTime(QDate(2026, 12, 1), QTime(10, minute), Qt::UTC),
                QFileDevice::FileModificationTime);
    };
    QVERIFY(write("v1", 0));
    QTemporaryDir hanging, first, second;
    QProcess keeper;
    keeper.start(QStringLiteral(TARNBANK_PATH),
        {"fetch", "--profile", hanging.path(), "--xsl", xsl, http.url("/hang")});
    QVERIFY(QTest::qWaitFor([&] { return http.count("HEAD", "/hang") == 1; }, 20000));
    const qint64 server = testsupport::serverPid(m_Runtime.path());
    QVERIFY(server != 0);

    const Run before = tarnbank({"fetch", "--profile", first.path(), "--xsl", xsl, news});
    QVERIFY2(before.lines.contains("details " + news + " 1 v1 Tarn Valley News"),
        qPrintable(before.lines.join('\n')));
    QVERIFY(write("v2", 1)); // the same size: the modification time tells the edit
    const Run after = tarnbank({"fetch", "--profile", second.path(), "--xsl", xsl, news});
    QVERIFY2(after.lines.contains("details " + news + " 1 v2 Tarn Valley News"),
        qPrintable(after.lines.join('\n')));
    QCOMPARE(testsupport::serverPid(m_Runtime.path()), server);

    keeper.kill();
    QVERIFY(keeper.waitForFinished(10000));
    QVERIFY(QTest::qWaitFor([&] { return testsupport::serverPid(m_Runtime.path()) == 0; }, 20000));
}

QTEST_GUILESS_MAIN(TestTarnbank)
#include "tst_tarnbank.moc"
