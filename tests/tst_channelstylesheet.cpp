#include "CTarnLoader.h"
#include "ChannelDocument.h"
#include "XmlDocument.h"
#include "XmlStylesheet.h"
#include "clsItemBank.h"
#include "modItemHandler.h"

#include <QDir>
#include <QFile>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <thread>
#include <vector>

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
    void datesAsTheFeedWroteThem();
    void enclosuresAreStored();
    void oneStylesheetOnManyThreads();
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
    QTest::newRow("rss 2.0 in the userland namespace")
        << "rss20-namespace.xml"
        << "Harbour Master's Log"
        << QList<Expected> {{"Slipway closed for repairs", "http://127.0.0.1/harbour/slipway",
                                "new planks", "master@harbour.example (Tom Reed)",
                                "harbour-2026-339", "Works", "04 Dec 2026 17:15:00"},
               {"Spring tide warning", "http://127.0.0.1/harbour/tide", "lower quay", "Tom Reed",
                   "harbour-2026-337", "", "02 Dec 2026 08:05:30"}};
    QTest::newRow("atom 1.0 with prefixes")
        << "atom10-prefixed.xml"
        << "Orchard Club Diary"
        << QList<Expected> {
               {"Cider pressing day", "http://127.0.0.1/orchard/pressing",
                   "<strong>bottles</strong> and a friend", "Mary Pip",
                   "tag:127.0.0.1,2026:orchard/pressing", "events", "29 Nov 2026 15:40:00"},
               {"Winter pruning course", "http://127.0.0.1/orchard/pruning", "Three Saturdays",
                   "Orchard Club", "tag:127.0.0.1,2026:orchard/pruning", "",
                   "20 Nov 2026 11:00:00"}};
    QTest::newRow("utf-16") << "rss20-utf16.xml"
                            << "Größere Töne – Chorblatt"
                            << QList<Expected> {{"Probe fällt aus · 合唱",
                                   "http://127.0.0.1/chor/probe", "nächste Woche", "",
                                   "chor-2026-49", "", "01 Dec 2026 19:30:00"}};
    QTest::newRow("rss 2.0 inside an xhtml page")
        << "rss20-in-xhtml.xml"
        << "Village Hall Bookings"
        << QList<Expected> {{"Jumble sale", "http://127.0.0.1/hall/jumble", "doors at ten", "",
                                "hall-jumble-2026", "", "26 Nov 2026 10:00:00"},
               {"Film night", "http://127.0.0.1/hall/film", "with soup", "", "hall-film-2026", "",
                   "23 Nov 2026 20:00:00"}};
    QTest::newRow("two-digit years and iso dates in pubDate")
        << "rss20-dates.xml"
        << "Signal Box Gazette"
        << QList<Expected> {{"Lamps relit", "http://127.0.0.1/signal/lamps", "six lamps", "",
                                "signal-lamps", "", "06 Dec 2017 18:20:00"},
               {"Timetable for winter", "http://127.0.0.1/signal/timetable", "Two trains", "",
                   "signal-timetable", "", "05 Dec 2017 07:45:10"},
               {"Old sleepers for sale", "http://127.0.0.1/signal/sleepers", "Ask at the box", "",
                   "signal-sleepers", "", "03 Dec 1999 09:05:00"},
               {"Station garden", "http://127.0.0.1/signal/garden", "channel's date", "",
                   "signal-garden", "", "07 Dec 2017 10:00:29"}};
    // JSON Feed: read in C++ into the same shape. An item without a title is headed by the start
    // of its text; one without a date is dated at the merge.
    QTest::newRow("json feed 1")
        << "jsonfeed10.json"
        << "Beekeepers' Notebook"
        << QList<Expected> {
               {"Hives wrapped for winter", "http://127.0.0.1/bees/winter", "<b>twelve</b>",
                   "Ella Comb", "bees-2026-48", "hives", "27 Nov 2026 16:05:00"},
               {"Honey sale on Sunday: jars at 5 < 6 pounds. Bring your own bag.",
                   "http://127.0.0.1/bees/honey", "5 &lt; 6 pounds.<br/>Bring", "Hive Keepers",
                   "4711", "", "20 Nov 2026 09:00:00"},
               {"Swarm list", "", "Call us about swarms.", "Hive Keepers", "bees-undated", "", ""}};
    QTest::newRow("json feed 1.1")
        << "jsonfeed11.json"
        << "Tram Museum News"
        << QList<Expected> {
               {"Car 17 runs again", "http://127.0.0.1/tram/car17", "under its own power",
                   "Lea Track, Sam Bell", "tram-17", "restoration", "03 Dec 2026 14:30:00"},
               {"Winter timetable: weekends only.", "http://127.0.0.1/tram/timetable",
                   "<em>timetable</em>", "Museum Desk", "tram-note", "", ""}};
}

void TestChannelStylesheet::feedsOfEveryFormat()
{
    QFETCH(QString, file);
    QFETCH(QString, channelTitle);
    QFETCH(QList<Expected>, items);

    QString error;
    auto style = xml::Stylesheet::fromFile(kStylesheet, &error);
    QVERIFY2(style, qPrintable(error));
    QFile source(QStringLiteral(TARNWICK_TEST_DATA "/feeds/") + file);
    QVERIFY(source.open(QIODevice::ReadOnly));
    // As the fetcher prepares it: the stylesheet, or the JSON Feed reader.
    const ChannelDocument::Prepared prepared =
        ChannelDocument::Prepare(source.readAll(), *style, CTarnLoader::kMaxEntries);
    QVERIFY2(prepared.ok, qPrintable(prepared.error));
    xml::Document plain;
    QVERIFY(plain.loadXML(prepared.text));

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

    const auto snapshot = bank.StoreSnapshot();
    for (const Expected &e : items) {
        xml::Node stored;
        for (xml::Node i = snapshot->documentElement().firstChild(); i; i = i.nextSibling())
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

void TestChannelStylesheet::datesAsTheFeedWroteThem()
{
    // Written dates in the layout the merge reads, the day and clock time as the feed gave
    // them; what cannot be read is passed on untouched.
    const QList<QPair<QString, QString>> dates = {
        {"Thu, 07 Dec 17 10:00:29 -0800", "Thu, 07 Dec 2017 10:00:29 -0800"},
        {"  Thu,  07 Dec 17   10:00:29 -0800 ", "Thu, 07 Dec 2017 10:00:29 -0800"},
        {"7 Dec 17 9:05 GMT", "Thu, 07 Dec 2017 09:05:00 GMT"},
        {"Tue,03 Oct 2006 09:00:00 GMT", "Tue, 03 Oct 2006 09:00:00 GMT"},
        {"Monday, 02 Oct 2006 13:00:00 GMT", "Mon, 02 Oct 2006 13:00:00 GMT"},
        {"Sun, 1 january 95 08:00 +0100", "Sun, 01 Jan 1995 08:00:00 +0100"},
        {"02 Oct 2006", "Mon, 02 Oct 2006 00:00:00"},
        {"2006-10-02T13:00:00Z", "Mon, 02 Oct 2006 13:00:00 GMT"},
        {"2017-12-05T07:45:10-08:00", "Tue, 05 Dec 2017 07:45:10 -0800"},
        {"2006-10-02", "Mon, 02 Oct 2006 00:00:00 GMT"},
        {"yesterday afternoon", "yesterday afternoon"},
        {"Mon, 02 Foo 2006 13:00:00 GMT", "Mon, 02 Foo 2006 13:00:00 GMT"},
        {"Mon, 02 Oct 2006 25:00:00 GMT", "Mon, 02 Oct 2006 25:00:00 GMT"},
        {"Oct 2, 2006", "Oct 2, 2006"},
    };
    QByteArray feed = "<rss version=\"2.0\"><channel><title>Dates</title>";
    for (const auto &d : dates)
        feed += "<item><title>x</title><pubDate>" + d.first.toUtf8() + "</pubDate></item>";
    feed += "</channel></rss>";
    QString error;
    auto style = xml::Stylesheet::fromFile(kStylesheet, &error);
    QVERIFY2(style, qPrintable(error));
    xml::Document source;
    QVERIFY(source.loadXML(feed));
    xml::Document plain;
    QVERIFY(style->transformToDocument(source, plain));
    const auto written = plain.selectNodes("//item/pubDate");
    QVERIFY(written);
    QStringList got, expected;
    for (const xml::Node &n : *written)
        got << n.text();
    for (const auto &d : dates)
        expected << d.second;
    QCOMPARE(got, expected);
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
    // An enclosure in the userland namespace is an enclosure too.
    xml::Document userland, plainUserland;
    QVERIFY(userland.load(QStringLiteral(TARNWICK_TEST_DATA "/feeds/rss20-namespace.xml")));
    QVERIFY(style->transformToDocument(userland, plainUserland));
    const auto kept = plainUserland.selectNodes("//item[guid='harbour-2026-339']/enclosure");
    QVERIFY(kept && kept->size() == 1);
    QCOMPARE(
        kept->front().attribute("url"), QStringLiteral("http://127.0.0.1/harbour/slipway.ogg"));

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

void TestChannelStylesheet::oneStylesheetOnManyThreads()
{
    // The fetcher's workers share the compiled stylesheets: looked up and applied on several
    // threads at once, they give each document what it gives it alone.
    const QDir feeds(QStringLiteral(TARNWICK_TEST_DATA "/feeds"));
    std::vector<QByteArray> documents, alone;
    const int compiledBefore = xml::Stylesheet::sharedCompilations();
    const auto style = xml::Stylesheet::shared(kStylesheet);
    QVERIFY(style);
    for (const QString &name : feeds.entryList({"*.xml", "*.rdf"}, QDir::Files)) {
        QFile file(feeds.filePath(name));
        QVERIFY(file.open(QIODevice::ReadOnly));
        documents.push_back(file.readAll());
        const auto prepared =
            ChannelDocument::Prepare(documents.back(), *style, CTarnLoader::kMaxEntries);
        QVERIFY2(prepared.ok && prepared.text.contains("<item"), qPrintable(name));
        alone.push_back(prepared.text);
    }
    constexpr int kThreads = 6;
    constexpr int kRounds = 20;
    std::vector<int> differing(kThreads, 0);
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int round = 0; round < kRounds; ++round) {
                for (size_t d = 0; d < documents.size(); ++d) {
                    const size_t i = (d + size_t(t)) % documents.size(); // all at different ones
                    const auto shared = xml::Stylesheet::shared(kStylesheet);
                    const auto prepared =
                        ChannelDocument::Prepare(documents[i], *shared, CTarnLoader::kMaxEntries);
                    differing[size_t(t)] += prepared.text != alone[i];
                }
            }
        });
    }
    for (std::thread &t : threads)
        t.join();
    QCOMPARE(differing, std::vector<int>(kThreads, 0));
    // A copy for each thread that was using one when another asked, and no more.
    QVERIFY(xml::Stylesheet::sharedCompilations() - compiledBefore <= kThreads + 1);
}

QTEST_GUILESS_MAIN(TestChannelStylesheet)
#include "tst_channelstylesheet.moc"
