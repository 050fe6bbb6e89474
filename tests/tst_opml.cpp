#include "Include.h"
#include "LocalHttpServer.h"
#include "RecordingHost.h"
#include "TestSupport.h"
#include "clsOPML.h"
#include "colChannels.h"

#include <QDir>
#include <QElapsedTimer>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

namespace {

const QByteArray kNested =
    "<?xml version=\"1.0\"?><opml version=\"1.1\"><head><title>First</title></head><body>"
    "<outline text=\"News\">"
    "  <outline text=\"Valley\" type=\"rss\" xmlUrl=\"http://127.0.0.1/valley.xml\" count=\" 7\"/>"
    "  <outline text=\"Lake\" xmlurl=\"http://127.0.0.1/lake.xml\"/>"
    "</outline>"
    "<outline TEXT=\"Loose\" XMLURL=\"http://127.0.0.1/loose.xml\" count=\"many\"/>"
    "<title>Last</title></body></opml>";

QStringList entries(const clsOPML &o)
{
    QStringList out;
    for (int i = 0; i < o.GetCount(); ++i)
        out << o.GetTitle(i) + "|" + o.GetURL(i) + "|" + QString::number(o.GetExpire(i));
    return out;
}

} // namespace

class TestOPML : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void readingNestedOutlines();
    void unreadableAndSlowFiles();
    void exportAndReadBack();

private:
    QTemporaryDir m_Home;
    RecordingHost m_Host;
};

void TestOPML::init()
{
    QDir(m_Home.path()).removeRecursively();
    QDir().mkpath(m_Home.path());
    qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
    m_Host = RecordingHost();
    IModelHost::Install(&m_Host);
}

void TestOPML::cleanup()
{
    IModelHost::Install(nullptr);
}

void TestOPML::readingNestedOutlines()
{
    const QString path = m_Home.filePath("list.opml");
    QVERIFY(testsupport::writeFile(path, kNested));
    clsOPML reader;
    QSignalSpy loaded(&reader, &clsOPML::FileLoaded);
    reader.LoadOPML(path);
    QCOMPARE(loaded.size(), 1); // reported before LoadOPML returned
    QCOMPARE(entries(reader),
        (QStringList {"Valley|http://127.0.0.1/valley.xml|7", "Lake|http://127.0.0.1/lake.xml|0",
            "News||0", "Loose|http://127.0.0.1/loose.xml|0"}));
    QCOMPARE(reader.Title(), QStringLiteral("Last"));

    // A second load on the same reader adds behind what it has.
    LocalHttpServer http;
    http.route("/list.opml") = {200, kNested, {}};
    reader.LoadOPML(http.url("/list.opml"));
    QCOMPARE(loaded.size(), 2);
    QCOMPARE(reader.GetCount(), 8);
}

void TestOPML::unreadableAndSlowFiles()
{
    const QString path = m_Home.filePath("broken.opml");
    testsupport::writeFile(path, "<opml><body><outline text=\"x\"");
    clsOPML reader;
    QSignalSpy loaded(&reader, &clsOPML::FileLoaded);
    QSignalSpy timedOut(&reader, &clsOPML::FileTimout);
    reader.LoadOPML(path);
    QCOMPARE(loaded.size(), 1);
    QCOMPARE(reader.GetCount(), 0);
    QCOMPARE(m_Host.popups, QStringList {"Error Reading OPML File !!!\r\n" + path});

    LocalHttpServer http;
    http.route("/slow.opml").silent = true;
    clsOPML slow;
    QSignalSpy slowTimedOut(&slow, &clsOPML::FileTimout);
    slow.SetWait(800);
    slow.LoadOPML(http.url("/slow.opml"));
    QCOMPARE(slowTimedOut.size(), 1);
    QCOMPARE(slow.GetCount(), 0);
    QVERIFY(timedOut.isEmpty());

    // A reader that goes away while it waits (its window replaced it): the wait ends at once
    // and a late answer finds nothing to report to.
    http.route("/late.opml") = {
        200, "<opml><body><outline xmlUrl=\"http://127.0.0.1/x\"/></body></opml>", {}};
    http.route("/late.opml").dripMs = 50;
    auto *doomed = new clsOPML;
    QTimer::singleShot(200, doomed, [doomed] { delete doomed; });
    QElapsedTimer clock;
    clock.start();
    doomed->LoadOPML(http.url("/late.opml"));
    QVERIFY(clock.elapsed() < 5000);
    QTest::qWait(200);

    // The program ending ends every wait.
    clsOPML ending;
    QSignalSpy endingTimedOut(&ending, &clsOPML::FileTimout);
    QTimer::singleShot(200, [] { clsOPML::EndWaits(); });
    clock.restart();
    ending.LoadOPML(http.url("/slow.opml"));
    QVERIFY(clock.elapsed() < 5000);
    QCOMPARE(endingTimedOut.size(), 1);
}

void TestOPML::exportAndReadBack()
{
    colChannels list;
    QSignalSpy ready(&list, &colChannels::ChannelsLoaded);
    list.Init("anna");
    QVERIFY(ready.wait(5000));
    const QString path = m_Home.filePath("out.opml");
    QVERIFY(list.SaveOPML(path));
    QCOMPARE(testsupport::readFile(path).trimmed(), QByteArray("<opml>\n  <body/>\n</opml>"));

    RSSChannel *a = list.AddChannel("http://127.0.0.1/a.xml?x=1&y=2");
    a->setTitle("Stored \"title\"");
    a->setCustomTitle("Custom");
    list.AddChannel("http://127.0.0.1/b.xml");
    QVERIFY(list.SaveOPML(path));
    QVERIFY(!testsupport::readFile(path).startsWith("<?xml"));
    clsOPML reader;
    reader.LoadOPML(path);
    QCOMPARE(entries(reader),
        (QStringList {"Stored \"title\"|http://127.0.0.1/a.xml?x=1&y=2|0",
            "http://127.0.0.1/b.xml|http://127.0.0.1/b.xml|0"}));
    QVERIFY(!list.SaveOPML(m_Home.filePath("no/such/folder/out.opml")));
}

QTEST_GUILESS_MAIN(TestOPML)
#include "tst_opml.moc"
