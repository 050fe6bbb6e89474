// The compact item store against the libxml2 tree it replaced: the same stores, read and
// changed the same way, must give the same file, the same lists, the same field values and
// the same places and lookups.
#include "ItemStore.h"
#include "StoredNode.h"
#include "TestSupport.h"
#include "XmlDocument.h"
#include "XmlGuard.h"
#include "modItemHandler.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace modItemHandler;

namespace {

// The placement rule read plainly: walk the store in order, an unreadable item taking the
// moment of the one before it (0 when first), and stop at the first strictly earlier one.
int scanPlace(xml::Node root, ItemMoment m)
{
    ItemMoment previous = 0;
    int index = 0;
    for (xml::Node c = root.firstChild(); c; c = c.nextSibling(), ++index) {
        const ItemMoment here = ReadItemMoment(c).value_or(previous);
        if (here < m)
            return index;
        previous = here;
    }
    return index;
}

int indexOf(const ItemStore &store, const ItemStore::Entry *entry)
{
    int index = 0;
    for (const ItemStore::Entry *e = store.first(); e; e = e->next, ++index)
        if (e == entry)
            return index;
    return -1;
}

// The file the tree gave: what the old store wrote.
QByteArray savedByTree(const xml::Document &doc)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("items.xml");
    if (!doc.save(path))
        return {};
    return testsupport::readFile(path);
}

// The item list the tree gave: copies of the items under "items".
QByteArray listByTree(const std::vector<xml::Node> &items)
{
    xml::Document list;
    xml::Node root = list.setDocumentElement(list.createElement("items"));
    for (const xml::Node &item : items)
        root.appendChild(item.cloneInto(list));
    return list.xmlUtf8();
}

// A random store of the kinds of things a file may hold: marks spelt oddly, fields with
// markup, CDATA and characters that need escaping, namespaces, comments and instructions,
// elements that are not items, blank text the parser keeps, no date or an unreadable one.
QByteArray oddStore(QRandomGenerator &rng, bool textAtRoot)
{
    auto pick = [&rng](const QList<QByteArray> &from) {
        return from[rng.bounded(int(from.size()))];
    };
    const QList<QByteArray> texts = {"plain", "a &amp; b &lt;c&gt; \"q\" 'a'", "Café € 🎉", "  ", "",
        "line\none&#13;two", "NEWS of the Day", "]]&gt;", "tab\there"};
    const QList<QByteArray> channels = {"http://127.0.0.1/a.xml",
        "http://127.0.0.1/b.xml?x=1&amp;y=&quot;2&quot;", "http://127.0.0.1/é.xml"};
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    if (rng.bounded(3) == 0)
        out += "<!-- kept by hand --><?tarn note?>\n";
    out += "<itembank version=\"1\"";
    if (rng.bounded(2))
        out += " xmlns:x=\"urn:x\"";
    out += ">";
    for (int i = 0; i < 30; ++i) {
        const int kind = rng.bounded(20);
        if (kind == 0) {
            out += "<!-- a comment -->";
            continue;
        }
        if (kind == 1) {
            out += "<note kind=\"other\"><p>not an item</p></note>";
            continue;
        }
        if (kind == 2 && textAtRoot) {
            out += "stray text";
            continue;
        }
        out += "<item";
        if (rng.bounded(10))
            out += " channel=\"" + pick(channels) + "\"";
        const int day = rng.bounded(1, 28);
        if (rng.bounded(8))
            out += " date=\"" + QByteArray::number(day).rightJustified(2, '0') + " Nov 2026\"";
        else
            out += " date=\"someday\"";
        if (rng.bounded(8))
            out += " time=\"1" + QByteArray::number(rng.bounded(10)) + ":00:00\"";
        out += ">";
        const int fields = rng.bounded(3, 12);
        for (int f = 0; f < fields; ++f) {
            switch (rng.bounded(14)) {
            case 0:
                out += "<title>" + pick(texts) + "</title>";
                break;
            case 1:
                out += "<description><![CDATA[<p>markup & more</p>]]></description>";
                break;
            case 2:
                out += "<description>mixed <b>bold</b> " + pick(texts) + "</description>";
                break;
            case 3:
                out += "<read>" + pick({"true", "false", "True", "", " true"}) + "</read>";
                break;
            case 4:
                out += "<flag>" + pick({"true", "false"}) + "</flag>";
                break;
            case 5:
                out += "<delete>" + pick({"true", "false", "false"}) + "</delete>";
                break;
            case 6:
                out += "<hash>H" + QByteArray::number(rng.bounded(12)) + "</hash>";
                break;
            case 7:
                out += "<guid>g" + QByteArray::number(rng.bounded(6)) + "</guid>";
                break;
            case 8:
                out += out.contains("xmlns:x") ? "<x:creator>Ann</x:creator>"
                                               : "<y:creator xmlns:y=\"urn:y\">Bo</y:creator>";
                break;
            case 9:
                out += "<enclosure url=\"http://127.0.0.1/a.mp3?a=1&amp;b=2\" length=\"5\"/>";
                break;
            case 10:
                out += "<empty></empty>";
                break;
            case 11:
                out += "<d xmlns=\"urn:d\"><read>true</read></d>";
                break;
            case 12:
                out += "<nest> <deep><deeper>x</deeper></deep> </nest>";
                break;
            default:
                out += "<?pi inside?><!--inside-->";
                break;
            }
            if (rng.bounded(6) == 0)
                out += "\n    ";
        }
        out += "</item>";
        if (rng.bounded(4) == 0)
            out += "\n  ";
    }
    out += "</itembank>";
    if (rng.bounded(3) == 0)
        out += "\n<!-- after -->";
    return out;
}

struct Pair
{
    xml::Document doc; // the tree, as the store used to be held
    ItemStore store;
};

// Both readings of one text; false when either did not parse.
bool readBoth(Pair &p, const QByteArray &text)
{
    p.doc.setHugeText(true);
    return p.doc.loadXML(text) && p.store.loadText(text);
}

} // namespace

class TestStoreIndex : public QObject
{
    Q_OBJECT

private slots:
    void oddStoresReadAndWriteAsTheTreeDid_data();
    void oddStoresReadAndWriteAsTheTreeDid();
    void placementMatchesScan_data();
    void placementMatchesScan();
    void lookupsMatchXPath();
};

void TestStoreIndex::oddStoresReadAndWriteAsTheTreeDid_data()
{
    QTest::addColumn<quint32>("seed");
    for (quint32 seed = 1; seed <= 40; ++seed)
        QTest::addRow("seed %u", seed) << seed;
}

void TestStoreIndex::oddStoresReadAndWriteAsTheTreeDid()
{
    QFETCH(quint32, seed);
    QRandomGenerator rng(seed);
    Pair p;
    const QByteArray text = oddStore(rng, seed % 10 == 0);
    QVERIFY2(readBoth(p, text), text.constData());
    const xml::Node root = p.doc.documentElement();

    // The file, and the same file read back.
    const QByteArray saved = savedByTree(p.doc);
    QCOMPARE(p.store.text(), saved);
    QCOMPARE(p.store.count(), root.childCount());
    ItemStore again;
    QVERIFY(again.loadText(p.store.text()));
    QCOMPARE(again.text(), saved);

    // Every item's fields, facts and list form.
    std::vector<xml::Node> items;
    std::vector<QByteArray> nodes;
    const ItemStore::Entry *e = p.store.first();
    for (xml::Node c = root.firstChild(); c; c = c.nextSibling(), e = e->next) {
        QVERIFY(e);
        if (c.isElement())
            QCOMPARE(StoredNode::StringValue(e->node), c.textUtf8());
        const bool isItem = c.isElement() && !c.raw()->ns && c.nodeName() == "item";
        QCOMPARE(e->item, isItem);
        if (!isItem)
            continue;
        items.push_back(c);
        nodes.push_back(e->node);
        for (const char *field : {"title", "description", "read", "hash", "guid", "empty"})
            QCOMPARE(
                QString::fromUtf8(StoredNode::FieldText(e->node, field)), GetItemText(c, field));
        for (const char *attr : {"channel", "date", "time", "none"})
            QCOMPARE(StoredNode::Attribute(e->node, attr), c.attributeUtf8(attr));
        const auto facts = modItemQuery::ItemFacts::of(c.raw());
        QCOMPARE(e->facts.bits, facts.bits);
        QCOMPARE(e->facts.date, facts.date);
        QCOMPARE(e->dated, ReadItemMoment(c).has_value());
    }
    QCOMPARE(e, nullptr);
    QCOMPARE(p.store.listXml(nodes), listByTree(items));

    // Marks written the way the field writers write them, changing the file alike.
    ItemStore::Entry *entry = p.store.first();
    for (xml::Node c = root.firstChild(); c; c = c.nextSibling(), entry = entry->next) {
        if (!entry->item)
            continue;
        const bool on = rng.bounded(2);
        const char *mark = on ? "read" : "flag";
        p.store.replaceNode(entry, StoredNode::WithFieldText(entry->node, mark, on ? "true" : ""));
        SetItemText(c, mark, on ? QStringLiteral("true") : QString());
        QCOMPARE(entry->facts.bits, modItemQuery::ItemFacts::of(c.raw()).bits);
    }
    QCOMPARE(p.store.text(), savedByTree(p.doc));
}

void TestStoreIndex::placementMatchesScan_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::addColumn<bool>("leadingOddity");
    for (quint32 seed = 1; seed <= 12; ++seed)
        QTest::addRow("seed %u", seed) << seed << (seed % 3 == 0);
}

void TestStoreIndex::placementMatchesScan()
{
    QFETCH(quint32, seed);
    QFETCH(bool, leadingOddity);
    QRandomGenerator rng(seed);
    int serial = 0;
    // Mostly readable moments from a small range (so equal moments happen), some unreadable.
    auto makeItem = [&](xml::Document &doc) {
        xml::NodeHandle h = doc.createElement("item");
        xml::Node item(h.get());
        const int kind = rng.bounded(20);
        ItemMoment moment = MomentOf(QDate(2006, 10, 1), 0) + rng.bounded(40) * 3600;
        if (kind == 0) {
            item.setAttribute("date", QStringLiteral("31 Foo 2006"));
            item.setAttribute("time", QStringLiteral("10:00:00"));
        } else if (kind == 1) {
            item.setAttribute("date", FormatItemDate(moment)); // no time attribute
        } else {
            if (kind == 2)
                moment = MomentOf(QDate(1850, 1, 1), 0); // before moment 0
            item.setAttribute("date", FormatItemDate(moment));
            item.setAttribute("time", FormatItemTime(moment));
        }
        item.appendChild(doc.createTextElement("hash", QByteArray::number(serial++)));
        if (rng.bounded(3) == 0)
            item.appendChild(doc.createTextElement("guid", QByteArray::number(rng.bounded(10))));
        return h;
    };

    // A store file need not be in order, and a hand-edited one may start with things that
    // have no moment: start from such a store.
    Pair p;
    p.doc.setDocumentElement(p.doc.createElement("itembank"));
    xml::Node root = p.doc.documentElement();
    for (int i = 0; i < 60; ++i)
        root.appendChild(makeItem(p.doc));
    if (leadingOddity) {
        root.insertBefore(
            xml::NodeHandle(xmlNewDocComment(p.doc.raw(), BAD_CAST "edited")), root.firstChild());
        for (int i = 0; i < 3; ++i) {
            xml::NodeHandle odd = p.doc.createElement("item");
            xml::Node(odd.get()).setAttribute("date", QStringLiteral("someday"));
            root.insertBefore(std::move(odd), root.firstChild());
        }
    }
    QVERIFY(p.store.loadText(savedByTree(p.doc)));

    // Places the store gives, probed at stored moments, their neighbours and the extremes.
    auto checkPlaces = [&] {
        QList<ItemMoment> stored;
        for (xml::Node c = root.firstChild(); c; c = c.nextSibling())
            if (const auto m = ReadItemMoment(c))
                stored << *m;
        QList<ItemMoment> probes = {std::numeric_limits<ItemMoment>::min() / 2, -1, 0, 1};
        for (int k = 0; k < 8 && !stored.isEmpty(); ++k) {
            const ItemMoment m = stored[rng.bounded(int(stored.size()))];
            probes << m - 1 << m << m + 1;
        }
        for (ItemMoment m : probes) {
            const ItemStore::Entry *place = p.store.placeFor(m);
            const int got = place ? indexOf(p.store, place) : p.store.count();
            if (got != scanPlace(root, m))
                return false;
        }
        return true;
    };
    QVERIFY(checkPlaces());

    for (int step = 0; step < 300; ++step) {
        const int count = root.childCount();
        if (count > 0 && rng.bounded(3) == 0) {
            // Removing from the front often, to walk through the leading oddities.
            const int k = rng.bounded(2) ? rng.bounded(count) : 0;
            xml::Node victim = root.firstChild();
            ItemStore::Entry *entry = p.store.first();
            for (int i = 0; i < k; ++i) {
                victim = victim.nextSibling();
                entry = entry->next;
            }
            p.store.remove(entry);
            root.removeChild(victim);
        } else {
            xml::NodeHandle h = makeItem(p.doc);
            const auto readable = ReadItemMoment(xml::Node(h.get()));
            if (!readable)
                continue; // the bank only places items it has dated itself
            const int expected = scanPlace(root, *readable);
            const ItemStore::Entry *placed = p.store.insertByTime(StoredNode::Encode(h.get()));
            QCOMPARE(indexOf(p.store, placed), expected);
            xml::Node before = root.firstChild();
            for (int i = 0; i < expected; ++i)
                before = before.nextSibling();
            root.insertBefore(std::move(h), before);
        }
        QVERIFY2(checkPlaces(), qPrintable(QStringLiteral("after step %1").arg(step)));
    }
    QCOMPARE(p.store.text(), savedByTree(p.doc));
}

void TestStoreIndex::lookupsMatchXPath()
{
    QRandomGenerator rng(99);
    QByteArray text = "<itembank>";
    for (int i = 0; i < 80; ++i) {
        text += "<item date=\"01 Nov 2026\" time=\"10:00:00\"><hash>" + QByteArray::number(i)
            + "</hash>";
        if (rng.bounded(3) == 0)
            text += "<guid>" + QByteArray::number(rng.bounded(10)) + "</guid>";
        text += "</item>";
    }
    // Duplicates, an empty hash, a second hash child and a guid needing quotes.
    text += "<item><hash/><hash>5</hash><guid>it's \"odd\"</guid></item></itembank>";
    Pair p;
    QVERIFY(readBoth(p, text));
    xml::Node root = p.doc.documentElement();

    for (int round = 0; round < 2; ++round) {
        QByteArrayList keys = {"", "5", "17", "none", "it's \"odd\""};
        for (int g = 0; g < 10; ++g)
            keys << QByteArray::number(g);
        for (const QByteArray &key : keys) {
            const QString lit = xml::xpathLiteral(QString::fromUtf8(key));
            const auto byHash = root.selectNodes("item[hash=" + lit + "]");
            QVERIFY(byHash);
            QCOMPARE(p.store.containsHash(key), !byHash->empty());
            const ItemStore::Entry *first = p.store.firstWithHash(key);
            QCOMPARE(first ? StoredNode::Written(first->node) : QByteArray(),
                byHash->empty() ? QByteArray() : byHash->front().xmlUtf8());
            const auto byGuid = root.selectNodes("item[guid=" + lit + "]");
            QCOMPARE(p.store.withGuid(key).size(), byGuid->size());
        }
        // Remove a third of the items and ask again.
        for (int k = 0; k < 27; ++k) {
            p.store.remove(p.store.first()->next);
            root.removeChild(root.firstChild().nextSibling());
        }
    }
}

QTEST_GUILESS_MAIN(TestStoreIndex)
#include "tst_storeindex.moc"
