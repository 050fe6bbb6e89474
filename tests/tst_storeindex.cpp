#include "ItemStoreIndex.h"
#include "XmlDocument.h"
#include "XmlGuard.h"
#include "modItemHandler.h"

#include <QRandomGenerator>
#include <QTest>

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

int indexOf(xml::Node root, xml::Node node)
{
    int index = 0;
    for (xml::Node c = root.firstChild(); c; c = c.nextSibling(), ++index)
        if (c == node)
            return index;
    return -1;
}

struct Store
{
    xml::Document doc;
    ItemStoreIndex index;
    QRandomGenerator rng;
    int serial = 0;

    explicit Store(quint32 seed) : rng(seed)
    {
        doc.setDocumentElement(doc.createElement("itembank"));
    }
    xml::Node root() const { return doc.documentElement(); }

    // Mostly readable moments from a small range (so equal moments happen), some unreadable.
    xml::NodeHandle makeItem(ItemMoment *moment)
    {
        xml::NodeHandle h = doc.createElement("item");
        xml::Node item(h.get());
        const int kind = rng.bounded(20);
        *moment = MomentOf(QDate(2006, 10, 1), 0) + rng.bounded(40) * 3600;
        if (kind == 0) {
            item.setAttribute("date", QStringLiteral("31 Foo 2006"));
            item.setAttribute("time", QStringLiteral("10:00:00"));
        } else if (kind == 1) {
            item.setAttribute("date", FormatItemDate(*moment)); // no time attribute
        } else {
            if (kind == 2)
                *moment = MomentOf(QDate(1850, 1, 1), 0); // before moment 0
            item.setAttribute("date", FormatItemDate(*moment));
            item.setAttribute("time", FormatItemTime(*moment));
        }
        const QString n = QString::number(serial++);
        item.appendChild(doc.createTextElement("hash", n.toUtf8()));
        if (rng.bounded(3) == 0)
            item.appendChild(doc.createTextElement("guid", QByteArray::number(rng.bounded(10))));
        return h;
    }
};

} // namespace

class TestStoreIndex : public QObject
{
    Q_OBJECT

private slots:
    void placementMatchesScan_data();
    void placementMatchesScan();
    void lookupsMatchXPath();
};

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
    Store s(seed);
    // A store file need not be in order, and a hand-edited one may start with things that
    // have no moment: start from such a store and index it.
    for (int i = 0; i < 60; ++i) {
        ItemMoment m;
        s.root().appendChild(s.makeItem(&m));
    }
    if (leadingOddity) {
        s.root().insertBefore(xml::NodeHandle(xmlNewDocComment(s.doc.raw(), BAD_CAST "edited")),
            s.root().firstChild());
        for (int i = 0; i < 3; ++i) {
            xml::NodeHandle odd = s.doc.createElement("item");
            xml::Node(odd.get()).setAttribute("date", QStringLiteral("someday"));
            s.root().insertBefore(std::move(odd), s.root().firstChild());
        }
    }
    s.index.rebuild(s.root());

    // Places the index gives, probed at stored moments, their neighbours and the extremes.
    auto checkPlaces = [&] {
        QList<ItemMoment> stored;
        for (xml::Node c = s.root().firstChild(); c; c = c.nextSibling())
            if (const auto m = ReadItemMoment(c))
                stored << *m;
        QList<ItemMoment> probes = {std::numeric_limits<ItemMoment>::min() / 2, -1, 0, 1};
        for (int k = 0; k < 8 && !stored.isEmpty(); ++k) {
            const ItemMoment m = stored[s.rng.bounded(int(stored.size()))];
            probes << m - 1 << m << m + 1;
        }
        for (ItemMoment p : probes) {
            const xml::Node place = s.index.placeFor(s.root(), p);
            const int got = place.isNull() ? s.root().childCount() : indexOf(s.root(), place);
            if (got != scanPlace(s.root(), p))
                return false;
        }
        return true;
    };
    QVERIFY(checkPlaces());

    for (int step = 0; step < 300; ++step) {
        const int count = s.root().childCount();
        if (count > 0 && s.rng.bounded(3) == 0) {
            // Removing from the front often, to walk through the leading oddities.
            xml::Node victim = s.root().firstChild();
            if (s.rng.bounded(2))
                for (int k = s.rng.bounded(count); k > 0; --k)
                    victim = victim.nextSibling();
            s.index.remove(s.root(), victim);
            QCOMPARE(s.root().childCount(), count - 1);
        } else {
            ItemMoment m;
            xml::NodeHandle h = s.makeItem(&m);
            const auto readable = ReadItemMoment(xml::Node(h.get()));
            if (!readable)
                continue; // the bank only places items it has dated itself
            const int expected = scanPlace(s.root(), *readable);
            const xml::Node placed = s.index.insertByTime(s.root(), std::move(h));
            QCOMPARE(indexOf(s.root(), placed), expected);
        }
        QVERIFY2(checkPlaces(), qPrintable(QStringLiteral("after step %1").arg(step)));
    }
}

void TestStoreIndex::lookupsMatchXPath()
{
    Store s(99);
    for (int i = 0; i < 80; ++i) {
        ItemMoment m;
        s.root().appendChild(s.makeItem(&m));
    }
    // Duplicates, an empty hash and a second hash child.
    xml::Node odd = s.root().appendChild(s.doc.createElement("item"));
    odd.appendChild(s.doc.createTextElement("hash", ""));
    odd.appendChild(s.doc.createTextElement("hash", "5"));
    odd.appendChild(s.doc.createTextElement("guid", "it's \"odd\""));
    s.index.rebuild(s.root());

    for (int round = 0; round < 2; ++round) {
        QByteArrayList keys = {"", "5", "17", "none", "it's \"odd\""};
        for (int g = 0; g < 10; ++g)
            keys << QByteArray::number(g);
        for (const QByteArray &key : keys) {
            const QString lit = xml::xpathLiteral(QString::fromUtf8(key));
            const auto byHash = s.root().selectNodes("item[hash=" + lit + "]");
            QVERIFY(byHash);
            QCOMPARE(s.index.containsHash(key), !byHash->empty());
            QCOMPARE(s.index.firstWithHash(key), byHash->empty() ? xml::Node() : byHash->front());
            const auto byGuid = s.root().selectNodes("item[guid=" + lit + "]");
            QCOMPARE(s.index.withGuid(key).size(), byGuid->size());
        }
        // Remove a third of the items through the index and ask again.
        for (int k = 0; k < 27; ++k)
            s.index.remove(s.root(), s.root().firstChild().nextSibling());
    }
}

QTEST_GUILESS_MAIN(TestStoreIndex)
#include "tst_storeindex.moc"
