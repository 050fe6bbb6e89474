#include "StoreBank.h"
#include "clsItemBank.h"
#include "modItemHandler.h"
#include "modItemQuery.h"

#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace modItemHandler;
using modItemQuery::BuildItemQuery;

namespace {

const QDate kToday(2026, 12, 6);
const QString A = QStringLiteral("http://127.0.0.1/a.xml");
const QString B = QStringLiteral("http://127.0.0.1/it's.xml");

// One stored item: channel, days before today, marks, title.
struct Spec
{
    QString channel;
    int daysAgo;
    const char *read;
    const char *flag; // nullptr: no flag child at all
    const char *del;
    QString title;
};

QByteArray storeOf(const QList<Spec> &specs)
{
    xml::Document doc;
    xml::Node root = doc.setDocumentElement(doc.createElement("itembank"));
    root.setAttribute("version", QStringLiteral("1"));
    int n = 0;
    for (const Spec &s : specs) {
        xml::Node item = root.appendChild(doc.createElement("item"));
        item.setAttribute("channel", s.channel);
        item.setAttribute("date", FormatItemDate(MomentOf(kToday.addDays(-s.daysAgo), 0)));
        item.setAttribute("time", QStringLiteral("12:00:00"));
        item.appendChild(doc.createTextElement("title", s.title.toUtf8()));
        item.appendChild(doc.createTextElement("read", s.read));
        if (s.flag)
            item.appendChild(doc.createTextElement("flag", s.flag));
        item.appendChild(doc.createTextElement("delete", s.del));
        item.appendChild(doc.createTextElement("hash", "H" + QByteArray::number(n++)));
    }
    return doc.xmlUtf8();
}

struct Bank : testsupport::StoreBank
{
    explicit Bank(const QList<Spec> &specs) : Bank(storeOf(specs)) { }
    explicit Bank(const QByteArray &storeText) : StoreBank(storeText) { bank.SetToday(kToday); }
    // Titles listed for a request, in list order.
    QStringList list(const QString &url, const QString &f1 = {}, const QString &search = {},
        const QString &f2 = {})
    {
        QSignalSpy spy(&bank, &clsItemBank::ChannelNodeList);
        bank.SubChannelList(url, f1, search, f2);
        if (spy.size() != 1)
            return {"<no event>"};
        xml::Document doc;
        if (!doc.loadXML(spy[0][1].toString()) || doc.documentElement().nodeName() != "items")
            return {"<bad list>"};
        QStringList titles;
        for (xml::Node i = doc.documentElement().firstChild(); i; i = i.nextSibling())
            titles << GetItemTitle(i);
        return titles;
    }
    QPair<int, int> counts(const QString &url)
    {
        QSignalSpy spy(&bank, &clsItemBank::ChannelCounts);
        bank.UpdateChannel(url);
        return spy.size() == 1 ? qMakePair(spy[0][1].toInt(), spy[0][2].toInt())
                               : qMakePair(-1, -1);
    }
};

// Newest first, as the store keeps them.
const QList<Spec> kItems = {
    {A, 0, "false", "false", "false", "a-today-unread"},
    {B, 0, "true", "true", "false", "b-today-read-tagged"},
    {A, 1, "true", "false", "false", "a-yesterday-read"},
    {A, 3, "false", "true", "true", "a-3-deleted-tagged"},
    {B, 6, "false", "false", "false", "b-6-unread"},
    {A, 7, "false", "false", "false", "a-7-unread"},
    {A, 40, "true", nullptr, "false", "a-40-read-noflag"},
    {B, 90, "false", "false", "true", "b-90-deleted"},
};

} // namespace

class TestQueries : public QObject
{
    Q_OBJECT

private slots:
    void expressions_data();
    void expressions();
    void quotesInAddressAndSearch();
    void listsAndCounts();
    void countsAskedWhileTheStoreLoads();
    void newItemsListEmptiesItself();
    void marks();
    void expiryAndRemoval();
    void directEvaluationEqualsXPath_data();
    void directEvaluationEqualsXPath();
};

void TestQueries::expressions_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("expected");
    const QString a = "A";
    const QString week = "@date='06 Dec 2026' or @date='05 Dec 2026' or @date='04 Dec 2026' or "
                         "@date='03 Dec 2026' or @date='02 Dec 2026' or @date='01 Dec 2026' or "
                         "@date='30 Nov 2026'";
    QTest::newRow("channel") << QStringList {a, "", "", ""}
                             << "item[@channel='A' and delete='false']";
    QTest::newRow("all") << QStringList {"_tarnwick/all", "", "", ""} << "item[delete='false']";
    QTest::newRow("deleted") << QStringList {"_tarnwick/deleted", "", "", ""}
                             << "item[delete='true']";
    QTest::newRow("unread") << QStringList {"_tarnwick/unread", "", "", ""}
                            << "item[read='false' and delete='false']";
    QTest::newRow("today") << QStringList {"_tarnwick/today", "", "", ""}
                           << "item[@date='06 Dec 2026' and delete='false']";
    QTest::newRow("channel, unread") << QStringList {a, "_tarnwick/unread", "", ""}
                                     << "item[@channel='A' and (read='false') and delete='false']";
    QTest::newRow("channel, flagged or unread")
        << QStringList {a, "_tarnwick/flagged", "", "_tarnwick/unread"}
        << "item[@channel='A' and (flag='true' or read='false') and delete='false']";
    QTest::newRow("channel, deleted")
        << QStringList {a, "_tarnwick/deleted", "", ""} << "item[@channel='A' and delete='true']";
    QTest::newRow("old") << QStringList {"_tarnwick/old", "", "", ""}
                         << "item[not(" + week + ") and delete='false']";
    QTest::newRow("search")
        << QStringList {a, "", " News ", ""}
        << "item[@channel='A' and contains(translate(., "
           "'ABCDEFGHIJKLMNOPSQRTUVWXYZ', 'abcdefghijklmnopsqrtuvwxyz'),'news') "
           "and delete='false']";
    QTest::newRow("week, first filter")
        << QStringList {"_tarnwick/unread", "_tarnwick/week", "", "_tarnwick/old"}
        << "item[read='false' and ((" + week + ") or not(" + week + ")) and delete='false']";
    QTest::newRow("same first filter as address") << QStringList {"_tarnwick/read",
        "_tarnwick/read", "", ""} << "item[read='true' and delete='false']";
    QTest::newRow("yesterday, second filter alone") << QStringList {
        a, "", "", "_tarnwick/yesterday"} << "item[@channel='A' and delete='false']";
}

void TestQueries::expressions()
{
    QFETCH(QStringList, args);
    QFETCH(QString, expected);
    QCOMPARE(BuildItemQuery(args[0], args[1], args[2], args[3], kToday), expected);
}

void TestQueries::quotesInAddressAndSearch()
{
    Bank b(kItems);
    // An apostrophe in the address or the search must not lose the items.
    QCOMPARE(b.list(B), (QStringList {"b-today-read-tagged", "b-6-unread"}));
    QCOMPARE(b.list("_tarnwick/all", {}, "B-6"), QStringList {"b-6-unread"});
    // The search reads the items' text (not their attributes), letters A-Z folded.
    Bank words({{A, 0, "false", "false", "false", "Don't panic"},
        {A, 0, "false", "false", "false", "Do panic"}});
    QCOMPARE(words.list(A, {}, " DON'T "), QStringList {"Don't panic"});
    QCOMPARE(words.list("_tarnwick/unread", {}, "panic").size(), 2);
    QCOMPARE(b.counts(B), qMakePair(2, 1));
    QVERIFY(BuildItemQuery("say \"it's\"", {}, {}, {}, kToday).contains("concat("));
    QCOMPARE(b.list("say \"it's\""), QStringList {});
}

void TestQueries::countsAskedWhileTheStoreLoads()
{
    // A main program asks for every channel's counts as soon as its bank exists, before the
    // store has been read: the answers come once it is in, not from the empty store.
    QTemporaryDir dir;
    testsupport::writeFile(dir.filePath("items.xml"), storeOf(kItems));
    clsItemBank bank;
    QSignalSpy counts(&bank, &clsItemBank::ChannelCounts);
    QSignalSpy ready(&bank, &clsItemBank::StoreReady);
    bank.Init(dir.path(), QString());
    QVERIFY(!bank.IsStoreReady());
    bank.UpdateChannel(A);
    bank.UpdateChannel(B);
    bank.UpdateChannel(A);
    QCOMPARE(counts.size(), 0);
    QVERIFY(ready.wait(5000));
    QCOMPARE(counts.size(), 2);
    QCOMPARE(counts[0], (QList<QVariant> {A, 4, 2}));
    QCOMPARE(counts[1][0].toString(), B);
    bank.UpdateChannel(A); // and from then on at once
    QCOMPARE(counts.size(), 3);
}

void TestQueries::listsAndCounts()
{
    Bank b(kItems);
    QCOMPARE(b.bank.Count(), 8); // deleted ones included
    QCOMPARE(b.list(A),
        (QStringList {"a-today-unread", "a-yesterday-read", "a-7-unread", "a-40-read-noflag"}));
    QCOMPARE(b.list(A, "_tarnwick/deleted"), QStringList {"a-3-deleted-tagged"});
    QCOMPARE(b.list(A, "_tarnwick/all"), b.list(A));
    QCOMPARE(b.list("_tarnwick/today"), (QStringList {"a-today-unread", "b-today-read-tagged"}));
    QCOMPARE(b.list("_tarnwick/yesterday"), QStringList {"a-yesterday-read"});
    QCOMPARE(b.list("_tarnwick/week"),
        (QStringList {"a-today-unread", "b-today-read-tagged", "a-yesterday-read", "b-6-unread"}));
    QCOMPARE(b.list("_tarnwick/old"), (QStringList {"a-7-unread", "a-40-read-noflag"}));
    QCOMPARE(b.list("_tarnwick/flagged"), QStringList {"b-today-read-tagged"});
    QCOMPARE(b.list(A, "_tarnwick/flagged", {}, "_tarnwick/unread"),
        (QStringList {"a-today-unread", "a-7-unread"}));
    // The marks' own texts are part of what is searched.
    QCOMPARE(b.list("_tarnwick/all", {}, "FALSE").size(), 6);
    QCOMPARE(b.list("http://127.0.0.1/none.xml"), QStringList {});

    QCOMPARE(b.counts(A), qMakePair(4, 2));
    QCOMPARE(b.counts("_tarnwick/read"), qMakePair(3, 0));
    QCOMPARE(b.counts("_tarnwick/deleted"), qMakePair(2, 2));
    QCOMPARE(b.counts("_tarnwick/all"), qMakePair(6, 3));

    // The day filters follow the date: the next day, today's items are yesterday's.
    b.bank.SetToday(kToday.addDays(1));
    QCOMPARE(
        b.list("_tarnwick/yesterday"), (QStringList {"a-today-unread", "b-today-read-tagged"}));
}

void TestQueries::newItemsListEmptiesItself()
{
    QTemporaryDir dir;
    clsItemBank bank;
    bank.Init(dir.path(), QString());
    QueueSlot slot;
    slot.sURL = A;
    bank.MergeDelivered(slot,
        "<rss><channel><item><title>one</title></item>"
        "<item><title>two</title></item></channel></rss>",
        {});
    QCOMPARE(bank.NewItemsCount(), 2);
    QCOMPARE(bank.NewItemsCount(), 2); // counting does not take them

    // A merge while the main program handles the list goes to the next list.
    QStringList lists;
    connect(
        &bank, &clsItemBank::ChannelNodeList, &bank, [&](const QString &url, const QString &nl) {
            QCOMPARE(url, QString());
            lists << nl;
            if (lists.size() == 1) {
                QueueSlot other;
                other.sURL = B;
                bank.MergeDelivered(other, "<rss><item><title>three</title></item></rss>", {});
            }
        });
    bank.NewItemsList();
    QCOMPARE(bank.NewItemsCount(), 1);
    bank.NewItemsList();
    bank.NewItemsList();
    QCOMPARE(lists.size(), 3);
    QVERIFY(lists[0].contains("one") && lists[0].contains("two") && !lists[0].contains("three"));
    QVERIFY(lists[1].contains("three"));
    xml::Document empty;
    QVERIFY(empty.loadXML(lists[2]));
    QCOMPARE(empty.documentElement().nodeName(), QStringLiteral("items"));
    QCOMPARE(empty.documentElement().childCount(), 0);
}

void TestQueries::marks()
{
    QList<Spec> specs = kItems;
    specs << Spec {A, 2, "false", "false", "false", "twin"};
    // The twin, last in the store, carries the first item's hash: only the first is marked.
    Bank b(storeOf(specs).replace("<hash>H8</hash>", "<hash>H0</hash>"));
    clsItemBank &bank = b.bank;
    QCOMPARE(GetItemHash(b.root().lastChild()), QStringLiteral("H0"));

    bank.MarkItemRead("H0");
    QVERIFY(IsItemRead(b.root().firstChild()));
    QVERIFY(!IsItemRead(b.root().lastChild()));
    bank.MarkItemRead("H0", false);
    QVERIFY(!IsItemRead(b.root().firstChild()));
    bank.MarkItemTagged("H2");
    bank.MarkItemDeleted("H2");
    auto third = [&b] {
        return b.root().firstChild().nextSibling().nextSibling();
    };
    QVERIFY(IsItemFlagged(third()) && IsItemDeleted(third()));
    bank.MarkItemDeleted("H2", false);
    QVERIFY(!IsItemDeleted(third()));
    const QByteArray before = bank.StoreText();
    bank.MarkItemRead("NO-SUCH-HASH");
    bank.MarkItemRead("it's \"odd\"");
    QCOMPARE(bank.StoreText(), before);

    // Every undeleted unread item of the profile, the twin included.
    bank.MarkAllRead("_tarnwick/unread");
    const xml::Node root = b.root();
    int unread = 0;
    for (xml::Node i = root.firstChild(); i; i = i.nextSibling())
        unread += !IsItemRead(i) && !IsItemDeleted(i);
    QCOMPARE(unread, 0);
    QVERIFY(!IsItemRead(root.firstChild().nextSibling().nextSibling().nextSibling())); // deleted
}

void TestQueries::expiryAndRemoval()
{
    Bank b(kItems);
    b.bank.RemoveExpired(A, 7); // keeps items up to 7 days old
    QCOMPARE(b.bank.Count(), 8);
    b.bank.RemoveExpired(A, 0); // untagged items of A not from today
    // Gone: a-yesterday-read, a-7-unread. Stay: today's, the tagged deleted one and the one
    // without a flag child.
    QCOMPARE(b.bank.Count(), 6);
    QCOMPARE(b.list(A), (QStringList {"a-today-unread", "a-40-read-noflag"}));
    QCOMPARE(b.list(A, "_tarnwick/deleted"), QStringList {"a-3-deleted-tagged"});

    // Removing a channel leaves its deleted items under the deleted filter.
    QVERIFY(b.bank.KillChannel(A));
    QCOMPARE(b.list(A), QStringList {});
    QCOMPARE(b.list("_tarnwick/deleted"), (QStringList {"a-3-deleted-tagged", "b-90-deleted"}));
    QVERIFY(b.bank.KillChannel(B));
    QCOMPARE(b.bank.Count(), 2);

    // A removed item's hash is forgotten: the same item merges again as new.
    QueueSlot slot;
    slot.sURL = A;
    b.bank.MergeDelivered(slot, "<rss><item><title>back</title></item></rss>", {});
    const QString hash = GetItemHash(b.root().firstChild());
    QVERIFY(b.bank.KillChannel(A));
    b.bank.MergeDelivered(slot, "<rss><item><title>back</title></item></rss>", {});
    QVERIFY(slot.bNewItems);
    QCOMPARE(GetItemHash(b.root().firstChild()), hash);
}

void TestQueries::directEvaluationEqualsXPath_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 6; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

// The bank answers lists and counts without running the XPath expression; whatever the
// store holds, its answers must be those of the expression.
void TestQueries::directEvaluationEqualsXPath()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    auto pick = [&](const QStringList &from) {
        return from[rng.bounded(int(from.size()))];
    };
    const QStringList channels = {A, B, "say \"it's\"", ""};
    const QStringList markTexts = {"true", "false", "True", " false", "", "<b>fal</b>se"};
    const QStringList dates = {"06 Dec 2026", "05 Dec 2026", "01 Dec 2026", "30 Nov 2026",
        "29 Nov 2026", "06 Dez 2026", ""};

    QByteArray store = "<!DOCTYPE itembank [<!ENTITY ent \"Entity Text\">]>"
                       "<itembank version=\"1\" xmlns:x=\"urn:x\">";
    for (int n = 0; n < 150; ++n) {
        const int shape = rng.bounded(30);
        if (shape == 0) {
            store += "<!-- a comment --><other channel=\"" + A.toUtf8()
                + "\"><delete>false</delete></other>";
            continue;
        }
        const QByteArray tag = shape == 1 ? "x:item" : "item";
        store += "<" + tag;
        if (const QString c = pick(channels); !c.isEmpty() || rng.bounded(2))
            store += " channel=\"" + c.toHtmlEscaped().toUtf8() + "\"";
        if (const QString d = pick(dates); !d.isEmpty())
            store += " date=\"" + d.toUtf8() + "\"";
        store += "><title>Item " + QByteArray::number(n) + (rng.bounded(4) ? "" : " &ent;")
            + (rng.bounded(3) ? " News" : " sports") + "</title>";
        for (const char *mark : {"read", "flag", "delete"}) {
            for (int k = rng.bounded(5) == 0 ? 2 : (rng.bounded(8) ? 1 : 0); k > 0; --k)
                store +=
                    QByteArray("<") + mark + ">" + pick(markTexts).toUtf8() + "</" + mark + ">";
        }
        store += "<hash>H" + QByteArray::number(n) + "</hash></" + tag + ">";
    }
    store += "</itembank>";

    Bank b(store);
    QVERIFY(b.bank.Count() > 100);
    xml::Node root;
    const QStringList addresses = {A, B, "say \"it's\"", "http://127.0.0.1/none", "_tarnwick/all",
        "_tarnwick/read", "_tarnwick/unread", "_tarnwick/flagged", "_tarnwick/deleted",
        "_tarnwick/today", "_tarnwick/yesterday", "_tarnwick/week", "_tarnwick/old"};
    const QStringList filters = addresses.mid(4) + QStringList {"", "", ""};
    const QStringList searches = {
        "", "", "news", " NEWS ", "entity text", "it's", "item 1", "false"};
    for (int round = 0; round < 150; ++round) {
        const QString url = pick(addresses), f1 = pick(filters), f2 = pick(filters),
                      search = pick(searches);
        root = b.root(); // as the marks left it
        const QString expr = BuildItemQuery(url, f1, search, f2, kToday);
        const auto expected = root.selectNodes(expr);
        QVERIFY2(expected, qPrintable(expr));

        QSignalSpy listSpy(&b.bank, &clsItemBank::ChannelNodeList);
        b.bank.SubChannelList(url, f1, search, f2);
        QCOMPARE(listSpy.size(), 1);
        QCOMPARE(listSpy[0][1].toString(), testsupport::TreeList(*expected));

        QSignalSpy countSpy(&b.bank, &clsItemBank::ChannelCounts);
        b.bank.UpdateChannel(url);
        const auto unread =
            root.selectNodes(BuildItemQuery(url, "_tarnwick/unread", {}, {}, kToday));
        const auto all = root.selectNodes(BuildItemQuery(url, {}, {}, {}, kToday));
        QCOMPARE(countSpy.size(), 1);
        QCOMPARE(countSpy[0][1].toInt(), int(all->size()));
        QCOMPARE(countSpy[0][2].toInt(), int(unread->size()));

        // Marks change what the filters see; the bank must keep up.
        if (round % 10 == 0) {
            const QString hash = "H" + QString::number(rng.bounded(150));
            switch (rng.bounded(4)) {
            case 0:
                b.bank.MarkItemRead(hash, rng.bounded(2));
                break;
            case 1:
                b.bank.MarkItemTagged(hash, rng.bounded(2));
                break;
            case 2:
                b.bank.MarkItemDeleted(hash, rng.bounded(2));
                break;
            default:
                b.bank.MarkAllRead(pick(addresses));
                break;
            }
        }
    }
}

QTEST_GUILESS_MAIN(TestQueries)
#include "tst_queries.moc"
