#include "XmlDocument.h"
#include "modItemHandler.h"

#include <QTest>

using namespace modItemHandler;

class TestItemHandler : public QObject
{
    Q_OBJECT

private slots:
    void fieldReadsAndWrites();
    void marksCountOnlyExactTrue();
    void parseFeedDate_data();
    void parseFeedDate();
    void readDateTimeForms_data();
    void readDateTimeForms();
    void resolveFallsBackToChannelThenNow();
    void itemAgeDays();
    void momentFormatting();
};

void TestItemHandler::fieldReadsAndWrites()
{
    xml::Document doc;
    QVERIFY(doc.loadXML(QByteArray(
        "<itembank><item channel=\"http://127.0.0.1/a\" date=\"02 Oct 2006\" time=\"13:05:00\">"
        "<title>T<b>bold</b></title><description>D</description><pubDate>P</pubDate>"
        "<guid>G</guid><category>not this</category><catergory>C</catergory><link>L</link>"
        "<hash>H1</hash><hash>H2</hash></item></itembank>")));
    xml::Node item = doc.documentElement().firstChild();
    QCOMPARE(GetItemChannel(item), QStringLiteral("http://127.0.0.1/a"));
    QCOMPARE(GetItemDate(item), QStringLiteral("02 Oct 2006"));
    QCOMPARE(GetItemTime(item), QStringLiteral("13:05:00"));
    QCOMPARE(GetItemTitle(item), QStringLiteral("Tbold"));
    QCOMPARE(GetItemDescription(item), QStringLiteral("D"));
    QCOMPARE(GetItemPubDate(item), QStringLiteral("P"));
    QCOMPARE(GetItemGuid(item), QStringLiteral("G"));
    QCOMPARE(GetItemLink(item), QStringLiteral("L"));
    QCOMPARE(GetItemCategoryText(item), QStringLiteral("C"));
    QCOMPARE(GetItemHash(item), QStringLiteral("H1")); // the first child of that name
    QCOMPARE(GetItemText(item, "author"), QString());
    QCOMPARE(GetItemAttr(item, "missing"), QString());

    // Reads of an absent item give "", writes do nothing.
    QCOMPARE(GetItemTitle(xml::Node()), QString());
    SetItemText(xml::Node(), "title", "x");
    SetItemAttr(xml::Node(), "date", "x");

    SetItemText(item, "title", "New <title>");
    QCOMPARE(GetItemTitle(item), QStringLiteral("New <title>"));
    const int before = item.childCount();
    SetItemRead(item, true); // no read child yet: appended at the end
    QCOMPARE(item.childCount(), before + 1);
    QCOMPARE(item.lastChild().nodeName(), QStringLiteral("read"));
    QVERIFY(IsItemRead(item));
    SetItemRead(item, false);
    QCOMPARE(item.childCount(), before + 1);
    QCOMPARE(item.lastChild().text(), QStringLiteral("false"));
    SetItemAttr(item, "channel", "other");
    SetItemAttr(item, "extra", "e");
    QCOMPARE(GetItemChannel(item), QStringLiteral("other"));
    QCOMPARE(GetItemAttr(item, "extra"), QStringLiteral("e"));
}

void TestItemHandler::marksCountOnlyExactTrue()
{
    xml::Document doc;
    QVERIFY(doc.loadXML(QByteArray("<itembank><item><read>True</read><flag> true</flag>"
                                   "<delete>true</delete></item><item/></itembank>")));
    xml::Node item = doc.documentElement().firstChild();
    QVERIFY(!IsItemRead(item));
    QVERIFY(!IsItemFlagged(item));
    QVERIFY(IsItemDeleted(item));
    xml::Node bare = item.nextSibling();
    QVERIFY(!IsItemRead(bare) && !IsItemFlagged(bare) && !IsItemDeleted(bare));
    SetItemFlag(bare, true);
    SetItemDeleted(bare, false);
    QVERIFY(IsItemFlagged(bare));
    QCOMPARE(bare.childCount(), 2);
}

void TestItemHandler::parseFeedDate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("date"); // "" when the parse must fail
    QTest::addColumn<QString>("time");
    QTest::newRow("rfc 822") << "Mon, 02 Oct 2006 13:00:00 GMT"
                             << "02 Oct 2006"
                             << "13:00:00";
    QTest::newRow("zone ignored") << "Mon, 02 Oct 2006 23:30:00 -0800"
                                  << "02 Oct 2006"
                                  << "23:30:00";
    QTest::newRow("one-digit day") << "Mon, 2 Oct 2006 13:00:00 GMT"
                                   << "02 Oct 2006"
                                   << "13:00:00";
    QTest::newRow("no seconds") << "Mon, 02 Oct 2006 13:00 GMT"
                                << "02 Oct 2006"
                                << "13:00:00";
    QTest::newRow("no zone") << "Mon, 02 Oct 2006 13:00:00"
                             << "02 Oct 2006"
                             << "13:00:00";
    QTest::newRow("long month") << "Sun, 01 January 2006 08:00:00 GMT"
                                << "01 Jan 2006"
                                << "08:00:00";
    QTest::newRow("iso") << "2006-10-02T13:00:00Z"
                         << ""
                         << "";
    QTest::newRow("no weekday") << "02 Oct 2006 13:00:00 GMT"
                                << ""
                                << "";
    QTest::newRow("weekday spelt out") << "Monday, 02 Oct 2006 13:00:00 GMT"
                                       << ""
                                       << "";
    QTest::newRow("empty") << ""
                           << ""
                           << "";
    QTest::newRow("short") << "Mon, 2"
                           << ""
                           << "";
    QTest::newRow("no such day") << "Thu, 31 Feb 2006 10:00:00 GMT"
                                 << ""
                                 << "";
    QTest::newRow("bad clock") << "Mon, 02 Oct 2006 25:00:00 GMT"
                               << ""
                               << "";
    QTest::newRow("words") << "Posted yesterday afternoon"
                           << ""
                           << "";
}

void TestItemHandler::parseFeedDate()
{
    QFETCH(QString, text);
    QFETCH(QString, date);
    QFETCH(QString, time);
    const auto moment = ParseFeedDate(text);
    if (date.isEmpty()) {
        QVERIFY2(!moment, qPrintable(moment ? FormatItemDate(*moment) : QString()));
        return;
    }
    QVERIFY(moment);
    QCOMPARE(FormatItemDate(*moment), date);
    QCOMPARE(FormatItemTime(*moment), time);
}

void TestItemHandler::readDateTimeForms_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // "dd mmm yyyy hh:mm:ss", or "" for failure
    QTest::newRow("date only") << "02 Oct 2006"
                               << "02 Oct 2006 00:00:00";
    QTest::newRow("month first") << "Oct 2 2006"
                                 << "02 Oct 2006 00:00:00";
    QTest::newRow("year first") << "2006 Oct 02"
                                << "02 Oct 2006 00:00:00";
    QTest::newRow("time first") << "13:05:09 02 Oct 2006"
                                << "02 Oct 2006 13:05:09";
    QTest::newRow("commas, blanks") << "  Oct 2, 2006, 13:05 "
                                    << "02 Oct 2006 13:05:00";
    QTest::newRow("pm") << "02 Oct 2006 1:05 PM"
                        << "02 Oct 2006 13:05:00";
    QTest::newRow("glued am") << "02 Oct 2006 12:30AM"
                              << "02 Oct 2006 00:30:00";
    QTest::newRow("two-digit year") << "02 Oct 06"
                                    << "02 Oct 2006 00:00:00";
    QTest::newRow("two-digit year, last century") << "02 Oct 95"
                                                  << "02 Oct 1995 00:00:00";
    QTest::newRow("no day") << "Oct 2006 13:00:00"
                            << "";
    QTest::newRow("extra word") << "02 Oct 2006 13:00:00 GMT"
                                << "";
    QTest::newRow("numeric month") << "02/10/2006"
                                   << "";
    QTest::newRow("pm out of range") << "02 Oct 2006 13:05 PM"
                                     << "";
    QTest::newRow("not leap") << "29 Feb 2023"
                              << "";
}

void TestItemHandler::readDateTimeForms()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const auto moment = ReadDateTime(text);
    if (expected.isEmpty()) {
        QVERIFY(!moment);
        return;
    }
    QVERIFY(moment);
    QCOMPARE(FormatItemDate(*moment) + " " + FormatItemTime(*moment), expected);
}

void TestItemHandler::resolveFallsBackToChannelThenNow()
{
    const ItemMoment own =
        ResolveItemDate("Mon, 02 Oct 2006 13:00:00 GMT", "Tue, 03 Oct 2006 09:00:00 GMT");
    QCOMPARE(FormatItemDate(own), QStringLiteral("02 Oct 2006"));
    const ItemMoment channel =
        ResolveItemDate("2006-10-02T13:00:00Z", "Tue, 03 Oct 2006 09:00:00 GMT");
    QCOMPARE(FormatItemDate(channel) + " " + FormatItemTime(channel),
        QStringLiteral("03 Oct 2006 09:00:00"));
    const ItemMoment before = CurrentMoment();
    const ItemMoment now = ResolveItemDate("", "garbage");
    const ItemMoment after = CurrentMoment();
    QVERIFY(before <= now && now <= after);
}

void TestItemHandler::itemAgeDays()
{
    xml::Document doc;
    doc.setDocumentElement(doc.createElement("item"));
    xml::Node item = doc.documentElement();
    const QDate today(2026, 12, 6);
    item.setAttribute("date", QStringLiteral("06 Dec 2026"));
    QCOMPARE(ItemAgeDays(item, today), std::optional<int>(0));
    item.setAttribute("date", QStringLiteral("05 Dec 2026"));
    QCOMPARE(ItemAgeDays(item, today), std::optional<int>(1));
    item.setAttribute("date", QStringLiteral("31 Dec 2025"));
    QCOMPARE(ItemAgeDays(item, today), std::optional<int>(340));
    item.setAttribute("date", QStringLiteral("08 Dec 2026")); // the future counts too
    QCOMPARE(ItemAgeDays(item, today), std::optional<int>(2));
    item.setAttribute("date", QStringLiteral("06 Dez 2026")); // another locale's month
    QVERIFY(!ItemAgeDays(item, today));
}

void TestItemHandler::momentFormatting()
{
    const ItemMoment m = MomentOf(QDate(2006, 10, 2), 13 * 3600 + 5 * 60 + 9);
    // Before moment 0 the day and clock still come out right.
    const ItemMoment old = MomentOf(QDate(1850, 1, 1), 59);
    QVERIFY(old < 0);
    QCOMPARE(MomentOf(QDate(1899, 12, 30), 0), ItemMoment(0));
    QCOMPARE(FormatItemDate(MomentOf(QDate(2026, 11, 30), 0)), QStringLiteral("30 Nov 2026"));
    QCOMPARE(
        FormatItemDate(old) + " " + FormatItemTime(old), QStringLiteral("01 Jan 1850 00:00:59"));

    xml::Document doc;
    doc.setDocumentElement(doc.createElement("item"));
    xml::Node item = doc.documentElement();
    item.setAttribute("date", FormatItemDate(m));
    item.setAttribute("time", FormatItemTime(m));
    QCOMPARE(ReadItemMoment(item), std::optional<ItemMoment>(m));
    item.setAttribute("date", QStringLiteral("Oct 2 2006")); // the slow path reads it too
    QCOMPARE(ReadItemMoment(item), std::optional<ItemMoment>(m));
    item.setAttribute("time", QStringLiteral("noon"));
    QVERIFY(!ReadItemMoment(item));
}

QTEST_GUILESS_MAIN(TestItemHandler)
#include "tst_itemhandler.moc"
