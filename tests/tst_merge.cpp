#include "StoreBank.h"
#include "UserMessage.h"
#include "clsItemBank.h"
#include "modHash.h"
#include "modItemHandler.h"

#include <QDate>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace modItemHandler;

namespace {

const QString kUrl = QStringLiteral("http://127.0.0.1/news/rss.xml");

QByteArray feedFile()
{
    return testsupport::dataFile("feed30.xml");
}

// A channel document as the stylesheet delivers it; items are raw element text.
QByteArray channel(const QByteArrayList &items, const QByteArray &head = "<title>Chan</title>")
{
    return "<rss version=\"2.0\"><channel>" + head + items.join() + "</channel></rss>";
}

QByteArray item(const QByteArray &title, const QByteArray &pubDate, const QByteArray &more = {})
{
    return "<item><title>" + title + "</title><description>about " + title + "</description>"
        + (pubDate.isEmpty() ? QByteArray() : "<pubDate>" + pubDate + "</pubDate>") + more
        + "</item>";
}

QByteArray rfc822(const QDate &d, const QByteArray &clock = "10:00:00")
{
    return QLocale::c().toString(d, "ddd, dd MMM yyyy ").toLatin1() + clock + " GMT";
}

struct Bank : testsupport::StoreBank
{
    using StoreBank::StoreBank;
    QStringList titles() const
    {
        QStringList out;
        for (xml::Node i = root().firstChild(); i; i = i.nextSibling())
            out << GetItemTitle(i);
        return out;
    }
    xml::Node find(const QString &title) const
    {
        for (xml::Node i = root().firstChild(); i; i = i.nextSibling())
            if (GetItemTitle(i) == title)
                return i;
        return xml::Node();
    }
    bool merge(const QByteArray &text, const QString &url = kUrl, qint32 expire = 0)
    {
        QueueSlot slot;
        slot.sURL = url;
        slot.sTitle = "Passed title";
        slot.lExpire = expire;
        QSignalSpy loaded(&bank, &clsItemBank::ChannelLoaded);
        bank.MergeDelivered(slot, text, "Mod");
        return !loaded.isEmpty() && loaded.last().at(1).toBool();
    }
};

} // namespace

class TestMerge : public QObject
{
    Q_OBJECT

private slots:
    void realFeedStoresDatedNewestFirst();
    void channelDetailsInDocumentOrder();
    void secondFetchStoresNothingAndKeepsMarks();
    void changedContentByGuid();
    void guidsBelongToTheirChannel();
    void guidsAndHashesWithQuotes();
    void expiryAtMergeTime();
    void itemDatesAndChannelDates();
    void equalMomentsLandAfter();
    void unparsableDeliveryIsATimeOut();
    void handlersMayReenterTheBank();
};

void TestMerge::realFeedStoresDatedNewestFirst()
{
    Bank b;
    QSignalSpy loaded(&b.bank, &clsItemBank::ChannelLoaded);
    QueueSlot slot;
    slot.sURL = kUrl;
    b.bank.MergeDelivered(slot, feedFile(), "Fri, 20 Nov 2026 09:31:00 GMT");
    QCOMPARE(loaded.size(), 1);
    QCOMPARE(loaded[0], (QVariantList {kUrl, true, "Fri, 20 Nov 2026 09:31:00 GMT"}));
    QCOMPARE(b.bank.Count(), 30);
    QCOMPARE(b.bank.NewItemsCount(), 30);

    ItemMoment previous = std::numeric_limits<ItemMoment>::max();
    for (xml::Node i = b.root().firstChild(); i; i = i.nextSibling()) {
        QCOMPARE(GetItemChannel(i), kUrl);
        const auto m = ReadItemMoment(i);
        QVERIFY(m);
        QVERIFY2(*m <= previous, qPrintable(GetItemTitle(i)));
        previous = *m;
        // The date comes from the item's own pubDate: same day and clock.
        const auto own = ParseFeedDate(GetItemPubDate(i));
        QVERIFY(own);
        QCOMPARE(*m, *own);
        // Marks, channel title and hash follow the channel content in this order.
        const std::vector<xml::Node> kids = i.childNodes();
        QStringList tail;
        for (size_t k = kids.size() - 5; k < kids.size(); ++k)
            tail << kids[k].nodeName();
        QCOMPARE(tail, (QStringList {"read", "flag", "delete", "channeltitle", "hash"}));
        QCOMPARE(GetItemText(i, "channeltitle"), QStringLiteral("Tarn Valley News"));
        QCOMPARE(
            GetItemHash(i), modHash::ItemHash(kUrl, GetItemTitle(i), GetItemDescription(i), ""));
    }
    // The newest item first, the oldest last (report 0 is the newest in the feed).
    QCOMPARE(b.titles().first(), QStringLiteral("Harbour works reopen (0)"));
    QCOMPARE(b.titles().last(), QStringLiteral("Bridge inspection finds cracks (29)"));
    // Attributes the item carried stay; entity text arrives decoded.
    QVERIFY(GetItemDescription(b.find("Harbour works reopen (0)")).startsWith("<p>Harbour"));
}

void TestMerge::channelDetailsInDocumentOrder()
{
    Bank b;
    QSignalSpy details(&b.bank, &clsItemBank::ChannelDetails);
    QVERIFY(b.merge("<rss><channel><title>First</title><Link>http://127.0.0.1/</Link>"
                    "<PUBDATE>Mon, 02 Oct 2006 13:00:00 GMT</PUBDATE>"
                    "<image><title>Logo</title><url>u</url></image>"
                    "<dc:date xmlns:dc=\"http://purl.org/dc/elements/1.1/\">2006</dc:date>"
                    "<ttl>60</ttl><empty/>"
        + item("A", "")
        + "<textInput><title>Search</title>"
          "</textInput>"
        + item("B", "") + "</channel></rss>"));
    QList<QPair<int, QString>> seen;
    for (const auto &d : details) {
        QCOMPARE(d[0].toString(), kUrl);
        seen << qMakePair(d[1].value<qint16>(), d[2].toString());
    }
    // The image's title is skipped, the dc: prefix matches nothing, the text input's title
    // counts; "empty" has no children and is not reported.
    const QList<QPair<int, QString>> expected = {{1, "First"}, {2, "http://127.0.0.1/"},
        {8, "Mon, 02 Oct 2006 13:00:00 GMT"}, {13, "60"}, {1, "Search"}};
    QCOMPARE(seen, expected);
    // The item saw the channel title and date met before it.
    xml::Node a = b.find("A");
    QCOMPARE(GetItemText(a, "channeltitle"), QStringLiteral("First"));
    QCOMPARE(GetItemDate(a), QStringLiteral("02 Oct 2006"));
    // A title met later, even inside another element, renames the channel for what follows.
    QCOMPARE(GetItemText(b.find("B"), "channeltitle"), QStringLiteral("Search"));
}

void TestMerge::secondFetchStoresNothingAndKeepsMarks()
{
    Bank b;
    QVERIFY(b.merge(feedFile()));
    xml::Node first = b.root().firstChild();
    b.bank.MarkItemRead(GetItemHash(first));
    b.bank.MarkItemTagged(GetItemHash(first));
    const QString title = GetItemTitle(first);

    QVERIFY(!b.merge(feedFile()));
    QCOMPARE(b.bank.Count(), 30);
    QCOMPARE(b.bank.NewItemsCount(), 30); // nothing added to the new items either
    QVERIFY(IsItemRead(b.find(title)));
    QVERIFY(IsItemFlagged(b.find(title)));
}

void TestMerge::changedContentByGuid()
{
    Bank b;
    const QByteArray date = "Mon, 02 Oct 2006 13:00:00 GMT";
    QVERIFY(b.merge(
        channel({item("Story", date, "<guid>g-1</guid><link>l1</link>"), item("Loose", date)})));
    b.bank.MarkItemRead(GetItemHash(b.find("Story")));

    // Same guid, same content fields: the stored version stands.
    QVERIFY(!b.merge(
        channel({item("Story", date, "<guid>g-1</guid><link>l1</link><extra>x</extra>")})));
    QVERIFY(IsItemRead(b.find("Story")));

    // A changed link alone leaves the hash as it was: still the stored item.
    QVERIFY(!b.merge(channel({item("Story", date, "<guid>g-1</guid><link>l2</link>")})));
    QCOMPARE(GetItemLink(b.find("Story")), QStringLiteral("l1"));

    // Same guid, changed description: replaces the stored item, unmarked, and counts as new.
    QVERIFY(b.merge(channel({"<item><title>Story</title><description>corrected</description>"
                             "<pubDate>"
        + date + "</pubDate><guid>g-1</guid><link>l2</link></item>"})));
    QCOMPARE(b.titles().count("Story"), 1);
    QCOMPARE(GetItemDescription(b.find("Story")), QStringLiteral("corrected"));
    QVERIFY(!IsItemRead(b.find("Story")));

    // Without a guid a changed description is simply another item.
    QVERIFY(b.merge(channel({"<item><title>Loose</title><description>changed</description>"
                             "<pubDate>"
        + date + "</pubDate></item>"})));
    QCOMPARE(b.titles().count("Loose"), 2);
    QCOMPARE(b.bank.Count(), 3);
    QCOMPARE(b.bank.NewItemsCount(), 4);
}

void TestMerge::guidsBelongToTheirChannel()
{
    // A guid names an item within its own channel: another channel that uses the same guids,
    // with the same or with new text, adds its own items and takes nothing from the first.
    Bank b;
    const QByteArray story = item("Shared", "Mon, 02 Oct 2006 13:00:00 GMT",
        "<guid>tag:127.0.0.1,2006:shared</guid><author>A</author>");
    QVERIFY(b.merge(channel({story})));
    const QString hash = GetItemHash(b.root().firstChild());
    b.bank.MarkItemTagged(hash, true);
    b.bank.MarkItemRead(hash, true);
    QVERIFY(b.merge(channel({story}), "http://127.0.0.1/mirror.xml"));
    QCOMPARE(b.bank.Count(), 2);
    const QByteArray rewritten = item("Shared, corrected", "Mon, 02 Oct 2006 13:00:00 GMT",
        "<guid>tag:127.0.0.1,2006:shared</guid><author>Someone else</author>");
    QVERIFY(b.merge(channel({rewritten}), "http://127.0.0.1/thief.xml"));
    QCOMPARE(b.bank.Count(), 3);
    int own = 0;
    for (xml::Node i = b.root().firstChild(); i; i = i.nextSibling()) {
        if (GetItemChannel(i) != kUrl)
            continue;
        ++own;
        QCOMPARE(GetItemHash(i), hash);
        QVERIFY(IsItemFlagged(i) && IsItemRead(i)); // the first channel's marks stay
    }
    QCOMPARE(own, 1);
    // Within the channel the guid still decides: new text replaces the channel's own item.
    QVERIFY(b.merge(channel({rewritten})));
    QCOMPARE(b.bank.Count(), 3);
}

void TestMerge::guidsAndHashesWithQuotes()
{
    Bank b;
    const QByteArray odd = "<guid>it's a \"quoted\" guid</guid>";
    QVERIFY(b.merge(channel({item("Quote's \"title\"", "", odd)}), "http://127.0.0.1/it's.xml"));
    QCOMPARE(b.bank.Count(), 1);
    // Recognised on the next fetch by hash...
    QVERIFY(!b.merge(channel({item("Quote's \"title\"", "", odd)}), "http://127.0.0.1/it's.xml"));
    // ...and by guid when the content changed.
    QVERIFY(b.merge(channel({item("Quote's \"title\" v2", "", odd)}), "http://127.0.0.1/it's.xml"));
    QCOMPARE(b.bank.Count(), 1);
    QCOMPARE(b.titles(), QStringList {"Quote's \"title\" v2"});
}

void TestMerge::expiryAtMergeTime()
{
    const QDate today = QDate::currentDate();
    const QByteArrayList items = {item("Today", rfc822(today)),
        item("Six days", rfc822(today.addDays(-6))), item("Seven days", rfc822(today.addDays(-7))),
        item("Old", rfc822(today.addDays(-400)))};
    Bank limited;
    QVERIFY(limited.merge(channel(items), kUrl, 7));
    QCOMPARE(limited.titles(), (QStringList {"Today", "Six days"}));

    Bank unlimited;
    QVERIFY(unlimited.merge(channel(items), kUrl, 0));
    QCOMPARE(unlimited.bank.Count(), 4);

    // Everything too old: nothing new.
    Bank none;
    QVERIFY(!none.merge(channel({item("Old", rfc822(today.addDays(-30)))}), kUrl, 7));
    QCOMPARE(none.bank.Count(), 0);
}

void TestMerge::itemDatesAndChannelDates()
{
    Bank b;
    const QByteArray head = "<title>C</title><pubDate>Tue, 03 Oct 2006 09:00:00 GMT</pubDate>";
    const ItemMoment before = CurrentMoment();
    QVERIFY(b.merge(
        channel({item("Own", "Mon, 02 Oct 2006 13:00:00 GMT"), item("Iso", "2006-10-02T13:00:00Z"),
                    "<item><title>Lower</title><pubdate>Mon, 02 Oct 2006 13:00:00 GMT"
                    "</pubdate></item>",
                    "<item/>"},
            head)));
    QCOMPARE(b.bank.Count(), 3); // the empty item is ignored
    QCOMPARE(GetItemDate(b.find("Own")) + " " + GetItemTime(b.find("Own")),
        QStringLiteral("02 Oct 2006 13:00:00"));
    QCOMPARE(GetItemDate(b.find("Iso")) + " " + GetItemTime(b.find("Iso")),
        QStringLiteral("03 Oct 2006 09:00:00"));
    QCOMPARE(GetItemDate(b.find("Lower")), QStringLiteral("03 Oct 2006"));

    // No dates at all: the moment of the merge.
    QVERIFY(b.merge(channel({item("Undated", "")}), "http://127.0.0.1/undated.xml"));
    const ItemMoment after = CurrentMoment();
    const auto m = ReadItemMoment(b.find("Undated"));
    QVERIFY(m && before <= *m && *m <= after);
    QCOMPARE(b.titles().first(), QStringLiteral("Undated"));
}

void TestMerge::equalMomentsLandAfter()
{
    Bank b;
    const QByteArray date = "Mon, 02 Oct 2006 13:00:00 GMT";
    QVERIFY(b.merge(channel({item("Earlier", "Mon, 02 Oct 2006 12:59:59 GMT"), item("First", date),
        item("Later", "Mon, 02 Oct 2006 13:00:01 GMT")})));
    QVERIFY(b.merge(channel({item("Second", date)})));
    QVERIFY(b.merge(channel({item("Third", date)})));
    QCOMPARE(b.titles(), (QStringList {"Later", "First", "Second", "Third", "Earlier"}));
}

void TestMerge::unparsableDeliveryIsATimeOut()
{
    Bank b;
    QVERIFY(b.merge(channel({item("Kept", "")})));
    QSignalSpy timeOut(&b.bank, &clsItemBank::ChannelTimeOut);
    QSignalSpy loaded(&b.bank, &clsItemBank::ChannelLoaded);
    QueueSlot slot;
    slot.sURL = kUrl;
    b.bank.MergeDelivered(slot, "<rss><channel><item><title>Cut", "");
    QCOMPARE(timeOut.size(), 1);
    QCOMPARE(timeOut[0][0].toString(), kUrl);
    QVERIFY(loaded.isEmpty());
    QCOMPARE(b.titles(), QStringList {"Kept"});
}

void TestMerge::handlersMayReenterTheBank()
{
    Bank b;
    // A handler that counts, merges another channel, and finally unloads the bank in the
    // middle of a walk: the walk goes on harmlessly and ChannelLoaded still comes.
    int nestedMerges = 0;
    QList<int> counts;
    connect(&b.bank, &clsItemBank::ChannelDetails, &b.bank,
        [&](const QString &url, qint16 index, const QString &value) {
            counts << b.bank.Count();
            if (url == kUrl && index == 1 && value == "Outer" && nestedMerges++ == 0)
                b.merge(channel({item("Nested", "")}), "http://127.0.0.1/nested.xml");
            if (value == "Stop")
                b.bank.UnloadMe();
        });
    QSignalSpy loaded(&b.bank, &clsItemBank::ChannelLoaded);
    QueueSlot slot;
    slot.sURL = kUrl;
    b.bank.MergeDelivered(slot,
        channel({item("One", ""), "<copyright>Stop</copyright>", item("Two", "")},
            "<title>Outer</title>"),
        "m");
    QCOMPARE(nestedMerges, 1);
    QCOMPARE(loaded.size(), 2); // the nested one and ours
    QCOMPARE(loaded.last()[0].toString(), kUrl);
    QCOMPARE(loaded.last()[1].toBool(), true); // "One" was stored before the unload
    QCOMPARE(b.bank.Count(), 0);
    QVERIFY(counts.contains(2)); // Nested and One were in the store
}

QTEST_GUILESS_MAIN(TestMerge)
#include "tst_merge.moc"
