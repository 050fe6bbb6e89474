// Hostile feeds end to end through the real bank server: script and javascript: links kept as
// inert text, external entities not read, entity bombs bounded, a 100 MB body refused, a server
// that sends a byte a second, a redirect loop, invalid UTF-8 and a document that changes at
// every fetch. Nothing already stored is lost, and the bank keeps answering throughout.
#include "ItemBankProxy.h"
#include "LocalHttpServer.h"
#include "TestSupport.h"
#include "XmlDocument.h"
#include "XmlGuard.h"

#include <QEventLoop>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace testsupport;

namespace {

QByteArray Item(const QByteArray &title, const QByteArray &description, const QByteArray &guid,
    const QByteArray &link = "http://127.0.0.1/x")
{
    return "<item><title>" + title + "</title><link>" + link + "</link><description>" + description
        + "</description><guid>" + guid + "</guid></item>";
}

QByteArray Rss(const QByteArray &title, const QByteArray &items, const QByteArray &prolog = {})
{
    return prolog + "<rss version=\"2.0\"><channel><title>" + title + "</title>" + items
        + "</channel></rss>";
}

} // namespace

class TestHostileFeeds : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Runtime, m_Profile;
    LocalHttpServer m_Http;
    std::unique_ptr<ItemBankProxy> m_Bank;
    QStringList m_Loaded, m_TimedOut;
    int m_Calls = 0;

    // Calls the bank while waiting for the address's report: the server answers meanwhile.
    bool WaitFor(const QString &url, int ms)
    {
        auto reported = [&] {
            return m_Loaded.contains(url) || m_TimedOut.contains(url);
        };
        QEventLoop loop;
        QTimer caller, deadline;
        QObject::connect(&caller, &QTimer::timeout, &loop, [&] {
            m_Bank->Count();
            ++m_Calls;
            if (reported())
                loop.quit();
        });
        QObject::connect(&deadline, &QTimer::timeout, &loop, &QEventLoop::quit);
        caller.start(50);
        deadline.start(ms);
        if (!reported())
            loop.exec();
        return reported();
    }
    int Stored(const QByteArray &text)
    {
        m_Bank->SaveIt();
        return int(readFile(m_Profile.filePath("items.xml")).count(text));
    }

private slots:
    void initTestCase()
    {
        xml::initialize();
        usePrivateRuntime(m_Runtime.path());
        QString error;
        m_Bank = ItemBankProxy::Create(&error);
        QVERIFY2(m_Bank, qPrintable(error));
        connect(m_Bank.get(), &ItemBankProxy::ChannelLoaded, this,
            [this](const QString &url) { m_Loaded << url; });
        connect(m_Bank.get(), &ItemBankProxy::ChannelTimeOut, this,
            [this](const QString &url) { m_TimedOut << url; });
        QVERIFY(m_Bank->Init(m_Profile.path(), QStringLiteral(TARNWICK_DATA "/tarnns.xsl")));
        // Something worth keeping, stored first.
        m_Http.route("/good.xml") = {200, Rss("Good", Item("Keep me", "kept", "good-1")), {}};
        QVERIFY(m_Bank->LoadChannel(m_Http.url("/good.xml"), {}, "Good", 0, {}));
        QVERIFY(WaitFor(m_Http.url("/good.xml"), 10000));
        QCOMPARE(Stored("<title>Keep me</title>"), 1);
    }

    void scriptAndLinksStayInertText()
    {
        const QString url = m_Http.url("/script.xml");
        m_Http.route("/script.xml") = {200,
            Rss("Script",
                Item("Trap", "&lt;script&gt;document.title='D:1;'&lt;/script&gt;", "s-1",
                    "javascript:alert(1)")),
            {}};
        QVERIFY(m_Bank->LoadChannel(url, {}, "Script", 0, {}));
        QVERIFY(WaitFor(url, 10000));
        // Stored as the feed's text; the windows clean it before it is shown.
        QCOMPARE(Stored("&lt;script&gt;document.title"), 1);
        QCOMPARE(Stored("<link>javascript:alert(1)</link>"), 1);
    }

    void entitiesAreNotResolved()
    {
        const QString file = m_Http.url("/entity.xml");
        m_Http.route("/entity.xml") = {200,
            Rss("Entity", Item("Secret &xxe;", "d", "e-1"),
                "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY xxe SYSTEM "
                "\"file:///etc/hostname\">]>"),
            {}};
        const QString bomb = m_Http.url("/bomb.xml");
        m_Http.route("/bomb.xml") = {200, billionLaughs(Rss("Bomb", Item("&l9;", "d", "b-1"))), {}};
        QVERIFY(m_Bank->LoadChannel(file, {}, "Entity", 0, {}));
        QVERIFY(m_Bank->LoadChannel(bomb, {}, "Bomb", 0, {}));
        QVERIFY(WaitFor(file, 15000));
        QVERIFY(WaitFor(bomb, 15000));
        const QByteArray host = readFile("/etc/hostname").trimmed();
        m_Bank->SaveIt();
        const QByteArray store = readFile(m_Profile.filePath("items.xml"));
        if (!host.isEmpty())
            QVERIFY(!store.contains(host));
        QVERIFY(store.size() < 1024 * 1024); // the bomb did not go off into the store
        QCOMPARE(Stored("<title>Keep me</title>"), 1);
    }

    void hugeSlowLoopingAndBroken()
    {
        const QString huge = m_Http.url("/huge.xml"), slow = m_Http.url("/slow.xml"),
                      loop = m_Http.url("/loop.xml"), broken = m_Http.url("/broken.xml");
        QByteArray big = "<rss version=\"2.0\"><channel><title>Huge</title>";
        big += QByteArray(100 * 1024 * 1024, ' ');
        m_Http.route("/huge.xml") = {200, big + "</channel></rss>", {}};
        m_Http.route("/slow.xml") = {
            200, Rss("Slow", Item("Never", "d", "slow-1")), {}, false, 0, 1000};
        m_Http.route("/loop.xml") = {302, "", {{"Location", "/loop.xml"}}};
        m_Http.route("/broken.xml") = {
            200, Rss("Broken", Item("Bad \xff\xfe bytes \xc3\x28", "d", "u-1")), {}};
        for (const QString &url : {huge, slow, loop, broken})
            QVERIFY(m_Bank->LoadChannel(url, {}, "H", 0, {}));
        for (const QString &url : {huge, slow, loop, broken})
            QVERIFY2(WaitFor(url, 40000), qPrintable(url));
        // None of them could be used: each ends as a time-out, none as a load.
        for (const QString &url : {huge, slow, loop, broken})
            QVERIFY2(m_TimedOut.contains(url) && !m_Loaded.contains(url), qPrintable(url));
        QCOMPARE(Stored("<title>Keep me</title>"), 1);
        QCOMPARE(Stored("<title>Never</title>"), 0);
    }

    void documentChangingAtEveryFetch()
    {
        const QString url = m_Http.url("/changing.xml");
        for (int round = 1; round <= 4; ++round) {
            m_Http.route("/changing.xml") = {200,
                Rss("Changing",
                    Item("Round " + QByteArray::number(round), "d",
                        "c-" + QByteArray::number(round))),
                {}};
            m_Loaded.removeAll(url);
            QVERIFY(m_Bank->LoadChannel(url, {}, "Changing", 0, {}));
            QVERIFY(WaitFor(url, 10000));
        }
        for (int round = 1; round <= 4; ++round)
            QCOMPARE(Stored("<title>Round " + QByteArray::number(round) + "</title>"), 1);
    }

    void servedThroughout()
    {
        // The server took every call while it fetched and went on living; how quickly it
        // answered is bench_server's figure, not something a loaded test machine must meet.
        QVERIFY(m_Calls > 0);
        QVERIFY(m_Bank->isAlive());
        QVERIFY(m_Bank->UnloadMe());
        xml::Document store;
        QVERIFY(store.load(m_Profile.filePath("items.xml")));
        QCOMPARE(store.documentElement().nodeName(), QStringLiteral("itembank"));
    }
};

QTEST_GUILESS_MAIN(TestHostileFeeds)
#include "tst_hostilefeeds.moc"
