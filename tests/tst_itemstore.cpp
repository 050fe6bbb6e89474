#include "TestSupport.h"
#include "UserMessage.h"
#include "clsItemBank.h"
#include "modHash.h"
#include "modItemHandler.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace modItemHandler;

namespace {

using testsupport::readFile;

void copyData(const QString &name, const QString &to)
{
    QFile::remove(to);
    QVERIFY(QFile::copy(QStringLiteral(TARNWICK_TEST_DATA "/") + name, to));
    QFile::setPermissions(to, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

// Starts a bank on folder and waits until its store has been read.
bool startBank(clsItemBank &bank, const QString &folder)
{
    QSignalSpy ready(&bank, &clsItemBank::StoreReady);
    bank.Init(folder, folder + "/tarnns.xsl");
    return bank.IsStoreReady() || ready.wait(5000);
}

struct MessageCatcher
{
    QStringList texts;
    QStringList details;
    UserMessage::Handler previous;
    MessageCatcher()
    {
        previous = UserMessage::SetHandler([this](const QString &t, const QString &d) {
            texts << t;
            details << d;
        });
    }
    ~MessageCatcher() { UserMessage::SetHandler(previous); }
};

} // namespace

class TestItemStore : public QObject
{
    Q_OBJECT

private slots:
    void missingStoreStartsEmptyAndRoundTrips();
    void oldStoreGainsHashesOnce();
    void versionDecidesUpgrade_data();
    void versionDecidesUpgrade();
    void unparsableStoreIsKeptAside();
    void unopenableStoreIsKeptAside();
    void unloadWhileLoadingLeavesFileAlone();
};

void TestItemStore::missingStoreStartsEmptyAndRoundTrips()
{
    QTemporaryDir dir;
    {
        clsItemBank bank;
        bank.Init(dir.path(), QString());
        // No file: ready at once, nothing to wait for.
        QVERIFY(bank.IsStoreReady());
        QCOMPARE(bank.Count(), 0);
        QCOMPARE(bank.NewItemsCount(), 0);
        bank.UnloadMe();
        QCOMPARE(bank.Count(), 0); // unloaded: calls end quietly
    }
    xml::Document saved;
    QVERIFY(saved.load(dir.filePath("items.xml")));
    QCOMPARE(saved.documentElement().nodeName(), QStringLiteral("itembank"));
    QVERIFY(!saved.documentElement().hasAttribute("version"));
    QCOMPARE(saved.documentElement().childCount(), 0);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"items.xml"});

    clsItemBank again;
    QVERIFY(startBank(again, dir.path()));
    QCOMPARE(again.StoreSnapshot()->documentElement().attribute("version"), QStringLiteral("1"));
}

void TestItemStore::oldStoreGainsHashesOnce()
{
    QTemporaryDir dir;
    copyData("store_old.xml", dir.filePath("items.xml"));
    clsItemBank bank;
    QVERIFY(startBank(bank, dir.path()));
    QCOMPARE(bank.Count(), 4);
    const auto snapshot = bank.StoreSnapshot();
    xml::Node root = snapshot->documentElement();
    QCOMPARE(root.attribute("version"), QStringLiteral("1"));

    const std::vector<xml::Node> items = root.childNodes();
    auto hashesOf = [](xml::Node item) {
        QStringList out;
        for (xml::Node c = item.firstChild(); c; c = c.nextSibling())
            if (c.nodeName() == "hash")
                out << c.text();
        return out;
    };
    auto expected = [](xml::Node item) {
        return modHash::ItemHash(GetItemChannel(item), GetItemTitle(item), GetItemDescription(item),
            GetItemCategoryText(item));
    };
    // No hash: one appended, last.
    QCOMPARE(hashesOf(items[0]), QStringList {expected(items[0])});
    QCOMPARE(items[0].lastChild().nodeName(), QStringLiteral("hash"));
    // An empty hash element stays first; the computed one follows it.
    QCOMPARE(hashesOf(items[1]), (QStringList {"", expected(items[1])}));
    QCOMPARE(GetItemHash(items[1]), QString());
    // Text outside ASCII and the "catergory" child both enter the hash.
    QCOMPARE(hashesOf(items[2]), QStringList {expected(items[2])});
    QCOMPARE(hashesOf(items[2]).first(),
        modHash::HashString(QStringLiteral("http://127.0.0.1/other/rss.xml"
                                           "Café review €5 menu"
                                           "Prices in € and a “quoted” nameFood")));
    QVERIFY(!IsItemRead(items[2])); // "True" is not "true"
    // An item with a hash keeps it.
    QCOMPARE(hashesOf(items[3]), QStringList {"0123456789ABCDEF0123456789ABCDEF"});

    // Saved and read again, nothing more is added.
    bank.UnloadMe();
    clsItemBank again;
    QVERIFY(startBank(again, dir.path()));
    QCOMPARE(hashesOf(again.StoreSnapshot()->documentElement().firstChild()).size(), 1);
}

void TestItemStore::versionDecidesUpgrade_data()
{
    QTest::addColumn<QString>("version");
    QTest::addColumn<bool>("upgrades");
    QTest::newRow("missing") << QString() << true;
    QTest::newRow("0") << "0" << true;
    QTest::newRow("0.5") << "0.5" << true;
    QTest::newRow("words") << "beta" << true;
    QTest::newRow("1") << "1" << false;
    QTest::newRow("1.5") << "1.5" << false;
    QTest::newRow("2") << "2" << false;
    QTest::newRow("2 with text") << " 2rc" << false;
}

void TestItemStore::versionDecidesUpgrade()
{
    QFETCH(QString, version);
    QFETCH(bool, upgrades);
    QTemporaryDir dir;
    const QByteArray attr =
        version.isNull() ? QByteArray() : " version=\"" + version.toUtf8() + "\"";
    QFile f(dir.filePath("items.xml"));
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("<itembank" + attr + "><item channel=\"c\"><title>t</title></item></itembank>");
    f.close();

    clsItemBank bank;
    QVERIFY(startBank(bank, dir.path()));
    const auto snapshot = bank.StoreSnapshot();
    xml::Node root = snapshot->documentElement();
    QCOMPARE(root.attribute("version"), QStringLiteral("1"));
    QCOMPARE(!GetItemHash(root.firstChild()).isEmpty(), upgrades);
}

void TestItemStore::unparsableStoreIsKeptAside()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("items.xml");
    copyData("store_bad.xml", path);
    const QByteArray original = readFile(path);

    MessageCatcher messages;
    clsItemBank bank;
    QSignalSpy ready(&bank, &clsItemBank::StoreReady);
    bank.Init(dir.path(), QString());
    QVERIFY(ready.wait(5000));
    QCOMPARE(ready.first().first().toBool(), false);
    QCOMPARE(messages.texts, QStringList {"Error parsing items.xml"});

    const QStringList aside = QDir(dir.path()).entryList({"items.xml.damaged-*"}, QDir::Files);
    QCOMPARE(aside.size(), 1);
    QVERIFY(messages.details.first().contains(aside.first()));
    QCOMPARE(readFile(dir.filePath(aside.first())), original);

    // The store starts empty and takes items; saving writes a new file beside the kept one.
    QCOMPARE(bank.Count(), 0);
    QueueSlot slot;
    slot.sURL = "http://127.0.0.1/feed.xml";
    bank.MergeDelivered(
        slot, "<rss><channel><item><title>Fresh</title></item></channel></rss>", "");
    QCOMPARE(bank.Count(), 1);
    bank.SaveIt();
    QCOMPARE(readFile(dir.filePath(aside.first())), original);
    xml::Document saved;
    QVERIFY(saved.load(path));
    QCOMPARE(saved.documentElement().childCount(), 1);
}

void TestItemStore::unopenableStoreIsKeptAside()
{
    // Something that exists under the store's name but cannot be opened as a file.
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath("items.xml/inside"));
    MessageCatcher messages;
    clsItemBank bank;
    bank.Init(dir.path(), QString());
    QVERIFY(bank.IsStoreReady());
    QCOMPARE(bank.Count(), 0);
    bank.UnloadMe();
    const QStringList aside = QDir(dir.path()).entryList({"items.xml.damaged-*"}, QDir::Dirs);
    QCOMPARE(aside.size(), 1);
    QVERIFY(QFileInfo(dir.filePath(aside.first() + "/inside")).isDir());
    xml::Document saved;
    QVERIFY(saved.load(dir.filePath("items.xml")));
}

void TestItemStore::unloadWhileLoadingLeavesFileAlone()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("items.xml");
    copyData("store_old.xml", path);
    const QByteArray original = readFile(path);
    {
        clsItemBank bank;
        bank.Init(dir.path(), QString());
        QVERIFY(!bank.IsStoreReady()); // still reading
        bank.SaveIt();
        bank.UnloadMe();
    }
    QCoreApplication::processEvents(); // the cancelled load's queued call must find nothing
    QCOMPARE(readFile(path), original);
}

QTEST_GUILESS_MAIN(TestItemStore)
#include "tst_itemstore.moc"
