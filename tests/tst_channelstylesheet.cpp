#include "XmlDocument.h"
#include "XmlStylesheet.h"
#include "clsItemBank.h"
#include "modItemHandler.h"

#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

using namespace modItemHandler;

namespace {

const QString kStylesheet = QStringLiteral(TARNWICK_DATA "/tarnns.xsl");

struct Expected
{
    QString title, link, descriptionPart, author, guid, category, moment; // moment "" = merge time
};

} // namespace

Q_DECLARE_METATYPE(QList<Expected>)

class TestChannelStylesheet : public QObject
{
    Q_OBJECT

private slots:
    void feedsOfEveryFormat_data();
    void feedsOfEveryFormat();
    void escapedXhtmlTextStaysText();
    void enclosuresAreStored();
};

void TestChannelStylesheet::feedsOfEveryFormat_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("channelTitle");
    QTest::addColumn<QList<Expected>>("items");
    QTest::newRow("rss 0.91") << "rss091.xml"
                              << "Fell Walkers' Bulletin"
                              << QList<Expected> {{"Sty Head path reopened",
                                                      "http://127.0.0.1/fell/styhead.html",
                                                      "open again", "", "", "", ""},
                                     {"Café at the hut", "http://127.0.0.1/fell/hut.html", "Soup",
                                         "", "", "", ""}};
    QTest::newRow("rss 2.0, content and dc")
        << "rss20-content.xml"
        << "Lakeside Almanac"
        << QList<Expected> {{"Water level rising", "http://127.0.0.1/almanac/level", "<b>40 cm</b>",
               "Ann Marsh", "almanac-2026-311", "Water", "02 Nov 2026 18:45:00"}};
    QTest::newRow("rss 1.0") << "rss10.rdf"
                             << "Moss Society Notes"
                             << QList<Expected> {
                                    {"Sphagnum survey", "http://127.0.0.1/moss/1", "north bog",
                                        "R. Fern", "http://127.0.0.1/moss/1", "Survey",
                                        "29 Oct 2026 16:20:05"},
                                    {"Winter walk", "http://127.0.0.1/moss/2", "car park", "",
                                        "http://127.0.0.1/moss/2", "", "01 Mar 2026 00:00:00"}};
    QTest::newRow("atom 1.0")
        << "atom10.xml"
        << "Quarry Lane Makers"
        << QList<Expected> {
               {"New lathe arrives", "http://127.0.0.1/quarry/lathe", "<em>new</em> lathe",
                   "Jo Turner", "tag:127.0.0.1,2026:quarry/lathe", "tools", "04 Dec 2026 10:30:00"},
               {"Open day &amp; tea", "http://127.0.0.1/quarry/open", "see the shop",
                   "Workshop Team", "tag:127.0.0.1,2026:quarry/open", "", "28 Nov 2026 14:00:00"}};
    QTest::newRow("atom 0.3") << "atom03.xml"
                              << "Old Mill Log"
                              << QList<Expected> {{"Wheel repaired", "http://127.0.0.1/mill/wheel",
                                     "turns again", "Miller", "tag:127.0.0.1,2005:mill/wheel", "",
                                     "31 Jul 2005 12:29:29"}};
}

void TestChannelStylesheet::feedsOfEveryFormat()
{
    QFETCH(QString, file);
    QFETCH(QString, channelTitle);
    QFETCH(QList<Expected>, items);

    QString error;
    auto style = xml::Stylesheet::fromFile(kStylesheet, &error);
    QVERIFY2(style, qPrintable(error));
    xml::Document feed;
    QVERIFY(feed.load(QStringLiteral(TARNWICK_TEST_DATA "/feeds/") + file));
    xml::Document plain;
    QVERIFY(style->transformToDocument(feed, plain));

    // Every converted date carries its real weekday.
    const auto dates = plain.selectNodes("//pubDate");
    QVERIFY(dates);
    for (const xml::Node &d : *dates) {
        const auto m = ParseFeedDate(d.text());
        QVERIFY2(m, qPrintable(d.text()));
        QCOMPARE(d.text().left(3),
            QLocale::c().dayName(DateOfMoment(*m).dayOfWeek(), QLocale::ShortFormat));
    }

    QTemporaryDir dir;
    clsItemBank bank;
    bank.Init(dir.path(), QString());
    QueueSlot slot;
    slot.sURL = "http://127.0.0.1/" + file;
    bank.MergeDelivered(slot, plain.xmlUtf8(), {});
    QCOMPARE(slot.sTitle, channelTitle);
    QCOMPARE(bank.Count(), int(items.size()));

    for (const Expected &e : items) {
        xml::Node stored;
        for (xml::Node i = bank.StoreDocument()->documentElement().firstChild(); i;
             i = i.nextSibling())
            if (GetItemTitle(i) == e.title)
                stored = i;
        QVERIFY2(!stored.isNull(), qPrintable(e.title));
        QCOMPARE(GetItemLink(stored), e.link);
        QVERIFY2(GetItemDescription(stored).contains(e.descriptionPart),
            qPrintable(GetItemDescription(stored)));
        QCOMPARE(GetItemText(stored, "author"), e.author);
        QCOMPARE(GetItemGuid(stored), e.guid);
        QCOMPARE(GetItemText(stored, "category"), e.category);
        if (e.moment.isEmpty())
            QCOMPARE(GetItemDate(stored), FormatItemDate(CurrentMoment()));
        else
            QCOMPARE(GetItemDate(stored) + " " + GetItemTime(stored), e.moment);
    }
}

void TestChannelStylesheet::escapedXhtmlTextStaysText()
{
    // What the author escaped inside XHTML content (text and attribute values) must come out as
    // text of the item's markup, never as markup of its own. A long text exercises the
    // escaping's halving.
    const QByteArray longText =
        QByteArray("a &lt; b &amp;&amp; c &gt; d &quot;e&quot; ").repeated(400);
    const QByteArray feed =
        "<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>T</title><entry><title>E</title>"
        "<id>tag:1</id><content type=\"xhtml\"><div xmlns=\"http://www.w3.org/1999/xhtml\">"
        "<p title=\"x&quot; onmouseover=&quot;alert(1)\">&lt;script&gt;alert(1)&lt;/script&gt;</p>"
        "<pre>"
        + longText + "</pre></div></content></entry></feed>";
    QString error;
    auto style = xml::Stylesheet::fromFile(kStylesheet, &error);
    QVERIFY2(style, qPrintable(error));
    xml::Document source;
    QVERIFY(source.loadXML(feed));
    xml::Document plain;
    QVERIFY(style->transformToDocument(source, plain));
    const auto description = plain.selectSingleNode("//item/description");
    QVERIFY(description);
    const QString markup = description->text();
    QVERIFY2(markup.contains("<p title=\"x&quot; onmouseover=&quot;alert(1)\">"),
        qPrintable(markup.left(300)));
    QVERIFY(markup.contains("&lt;script&gt;alert(1)&lt;/script&gt;</p>"));
    QVERIFY(!markup.contains("<script"));
    QCOMPARE(markup.count("a &lt; b &amp;&amp; c &gt; d &quot;e&quot; "), 400);
}

// Podcast enclosures (RSS enclosure, Atom's enclosure link) reach the store as enclosure
// elements with address, type and length; one without an address is left out. The saved store
// holds them and reads back as before.
void TestChannelStylesheet::enclosuresAreStored()
{
    QString error;
    auto style = xml::Stylesheet::fromFile(kStylesheet, &error);
    QVERIFY2(style, qPrintable(error));
    xml::Document rss, atom, plainRss, plainAtom;
    QVERIFY(rss.load(QStringLiteral(TARNWICK_TEST_DATA "/feeds/podcast.xml")));
    QVERIFY(atom.loadXML(
        QByteArray("<feed xmlns=\"http://www.w3.org/2005/Atom\"><title>A</title><entry>"
                   "<title>Clip</title><id>tag:clip</id><link href=\"http://127.0.0.1/c\"/>"
                   "<link rel=\"enclosure\" href=\" http://127.0.0.1/clip.mp4 \" "
                   "type=\"video/mp4\" length=\"2048\"/></entry></feed>")));
    QVERIFY(style->transformToDocument(rss, plainRss));
    QVERIFY(style->transformToDocument(atom, plainAtom));

    QTemporaryDir dir;
    {
        clsItemBank bank;
        bank.Init(dir.path(), QString());
        QueueSlot slot;
        slot.sURL = "http://127.0.0.1/podcast.xml";
        bank.MergeDelivered(slot, plainRss.xmlUtf8(), {});
        slot.sURL = "http://127.0.0.1/atom.xml";
        bank.MergeDelivered(slot, plainAtom.xmlUtf8(), {});
        QCOMPARE(bank.Count(), 5);
        bank.SaveIt();
    }
    xml::Document saved;
    QVERIFY(saved.load(dir.filePath("items.xml")));
    auto enclosures = [&](const char *guid) {
        QStringList out;
        const auto found =
            saved.selectNodes(QStringLiteral("//item[guid='%1']/enclosure").arg(guid));
        for (const xml::Node &e : found.value_or(std::vector<xml::Node> {}))
            out << e.attribute("url") + "|" + e.attribute("type") + "|" + e.attribute("length");
        return out;
    };
    QCOMPARE(enclosures("harbour-12"),
        QStringList {"http://127.0.0.1/harbour/episode12.mp3|audio/mpeg|50647040"});
    QCOMPARE(enclosures("harbour-trip"),
        QStringList {"https://127.0.0.1/harbour/trip.webm||1288490189"});
    QCOMPARE(enclosures("harbour-tides"),
        (QStringList {"http://127.0.0.1/harbour/tides.pdf|application/pdf|830",
            "file:///etc/passwd|audio/mpeg|x"})); // kept as given; the viewer decides
    QCOMPARE(enclosures("harbour-notes"), QStringList {});
    QCOMPARE(enclosures("tag:clip"), QStringList {"http://127.0.0.1/clip.mp4|video/mp4|2048"});
    // The store with enclosures loads again whole, marks and hashes as they were.
    clsItemBank again;
    again.Init(dir.path(), QString());
    QTRY_COMPARE(again.Count(), 5);
}

QTEST_GUILESS_MAIN(TestChannelStylesheet)
#include "tst_channelstylesheet.moc"
