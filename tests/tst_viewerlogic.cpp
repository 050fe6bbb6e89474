// The item viewer's steps that need no window: page commands, filters, the list's root, the
// channel-title rule, cleaning untrusted item markup, and HTML Tidy.
#include "TestSupport.h"
#include "ViewerLogic.h"
#include "XmlDocument.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace ViewerLogic;

class TestViewerLogic : public QObject
{
    Q_OBJECT

private slots:
    void pageCommands_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("expected"); // letter and position, or "-"
        QTest::newRow("read third") << "R:3."
                                    << "R3";
        QTest::newRow("trimmed, other brackets") << "  T(12)  "
                                                 << "T12";
        QTest::newRow("delete last") << "D:20;"
                                     << "D20";
        QTest::newRow("position 0") << "R:0."
                                    << "-";
        QTest::newRow("past the end") << "R:21."
                                      << "-";
        QTest::newRow("negative") << "R:-1."
                                  << "-";
        QTest::newRow("other letter") << "X:3."
                                      << "-";
        QTest::newRow("lower case") << "r:3."
                                    << "-";
        QTest::newRow("the page's own title") << "Tarnwick"
                                              << "-";
        QTest::newRow("empty") << ""
                               << "-";
        QTest::newRow("no number") << "R:."
                                   << "-";
    }

    void pageCommands()
    {
        QFETCH(QString, title);
        QFETCH(QString, expected);
        const auto command = ParsePageTitle(title, 20);
        QCOMPARE(command ? QString(command->letter) + QString::number(command->position)
                         : QStringLiteral("-"),
            expected);
    }

    void filters()
    {
        QCOMPARE(FilterFor("_tarnwick/old"), std::nullopt); // nothing selected, nothing asked
        QCOMPARE(FilterFor("_tarnwick/week"), std::optional<QString>("_tarnwick/week"));
        QCOMPARE(FilterFor("_tarnwick/flagged"), std::optional<QString>("_tarnwick/flagged"));
        QCOMPARE(FilterFor(""), std::optional<QString>(""));
        QCOMPARE(FilterFor("_tarnwick/all"), std::optional<QString>(""));
        QCOMPARE(FilterFor("http://127.0.0.1/feed.xml"), std::optional<QString>(""));
        QCOMPARE(FilterName("_tarnwick/week"), QStringLiteral("Past 7 Days"));
        QCOMPARE(FilterName(""), QStringLiteral("All"));
        QCOMPARE(FilterName("_tarnwick/flagged"), QStringLiteral("Tagged"));
        QCOMPARE(FilterName("_tarnwick/old"), QString());
    }

    void listAndPageText()
    {
        QCOMPARE(ListToItems("<itembank><item/></itembank><itembank></itembank>"),
            QStringLiteral("<items><item/></items><itembank></itembank>"));
        QCOMPARE(ListToItems("<items/>"), QStringLiteral("<items/>"));
        const QString page =
            "<style>.channelTitle{display:none;} p{} .channelTitle{display:none;}</style>";
        QCOMPARE(ShowChannelTitles(page),
            QStringLiteral(
                "<style>.channelTitle{display:block;} p{} .channelTitle{display:none;}</style>"));
    }

    void hostileMarkup_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QStringList>("gone"); // must not appear (lower case)
        QTest::addColumn<QStringList>("kept"); // must stay
        QTest::newRow("script") << "<p>Hi</p><script>document.title='D:1;'</script>"
                                << QStringList {"script", "document.title"}
                                << QStringList {"<p>hi</p>"};
        QTest::newRow("handler")
            << "<img src=\"http://x/a.png\" onerror=\"document.title='D:1;'\" alt=a>"
            << QStringList {"onerror", "document"} << QStringList {"http://x/a.png"};
        QTest::newRow("javascript link")
            << "<a href=\" java&#09;script:document.title='R:1.'\">x</a>"
            << QStringList {"javascript", "script:", "href"} << QStringList {">x</a>"};
        QTest::newRow("upper case scheme") << "<a href=\"JavaScript:alert(1)\">y</a>"
                                           << QStringList {"javascript"} << QStringList {">y</a>"};
        QTest::newRow("frames and objects")
            << "<iframe src=\"file:///etc/passwd\"></iframe><object data=x></object><embed src=y>ok"
            << QStringList {"iframe", "passwd", "object", "embed"} << QStringList {"ok"};
        QTest::newRow("local file picture")
            << "<img src=\"file:///etc/hostname\" width=48>after" << QStringList {"file:", "<img"}
            << QStringList {"after"};
        QTest::newRow("relative address") << "<a href=\"../profiles/profiles.xml\">p</a>"
                                          << QStringList {"profiles.xml"} << QStringList {">p</a>"};
        QTest::newRow("svg") << "<svg onload=\"document.title='D:1;'\"><circle/></svg>after"
                             << QStringList {"svg", "onload"} << QStringList {"after"};
        QTest::newRow("data html")
            << "<a href=\"data:text/html,<script>x</script>\">d</a><img "
               "src=\"data:image/png;base64,AAAA\">"
            << QStringList {"text/html"} << QStringList {"data:image/png;base64,aaaa"};
        QTest::newRow("form and meta")
            << "<form action=\"http://x\"><input name=a></form><meta http-equiv=refresh "
               "content=\"0;url=http://x\">t"
            << QStringList {"form", "input", "meta", "refresh"} << QStringList {"t"};
        QTest::newRow("style")
            << "<style>body{display:none}</style><p style=\"position:fixed\">s</p>"
            << QStringList {"style", "fixed"} << QStringList {"<p>s</p>"};
        QTest::newRow("title in body")
            << "<title>R:1.</title>text" << QStringList {"title", "r:1."} << QStringList {"text"};
        QTest::newRow("kept markup")
            << "<p>A <b>bold</b> <a href=\"https://example.org/x?a=1&amp;b=2\">link</a></p>"
            << QStringList {} << QStringList {"<b>bold</b>", "https://example.org/x?a=1&amp;b=2"};
    }

    void hostileMarkup()
    {
        QFETCH(QString, html);
        QFETCH(QStringList, gone);
        QFETCH(QStringList, kept);
        const QString clean = SanitizeItemHtml(html).toLower();
        for (const QString &g : gone)
            QVERIFY2(!clean.contains(g), qPrintable(g + " in " + clean));
        for (const QString &k : kept)
            QVERIFY2(clean.contains(k), qPrintable(k + " not in " + clean));
    }

    void plainTextStaysText()
    {
        QCOMPARE(SanitizeItemHtml("Fish &amp; chips"), QStringLiteral("Fish &amp; chips"));
        QCOMPARE(SanitizeItemHtml(""), QString());
        QVERIFY(SanitizeItemHtml("a < b and c > d").contains("a &lt; b"));
    }

    // An item's enclosures as the page shows them: the kind by type or file name, a readable
    // size, the file name, and a link only for http and https.
    void enclosures()
    {
        QVERIFY(IsHttpAddress(" https://127.0.0.1/a.mp3"));
        for (const char *no : {"file:///etc/passwd", "ftp://127.0.0.1/a.mp3", "javascript:x()",
                 "mailto:a@127.0.0.1", "http://", "episode.mp3", ""})
            QVERIFY2(!IsHttpAddress(no), no);
        QCOMPARE(EnclosureKind("Audio/MPEG", ""), QStringLiteral("audio"));
        QCOMPARE(EnclosureKind("video/mp4", "http://h/x.mp3"), QStringLiteral("video"));
        QCOMPARE(EnclosureKind("application/pdf", "http://h/x.mp3"), QStringLiteral("other"));
        QCOMPARE(EnclosureKind("", "http://h/show/ep%201.OGG?x=1"), QStringLiteral("audio"));
        QCOMPARE(
            EnclosureKind("application/octet-stream", "http://h/x.webm"), QStringLiteral("video"));
        QCOMPARE(EnclosureKind("", "http://h/mp3"), QStringLiteral("other"));
        QCOMPARE(ReadableSize("830"), QStringLiteral("830 bytes"));
        QCOMPARE(ReadableSize(" 50647040 "), QStringLiteral("48.3 MB"));
        QCOMPARE(ReadableSize("1288490189"), QStringLiteral("1.2 GB"));
        for (const char *no : {"", "0", "-5", "12 MB", "x"})
            QCOMPARE(ReadableSize(no), QString());

        xml::Document list;
        QVERIFY(list.loadXML(QByteArray(
            "<items><item><title>t</title>"
            "<enclosure url=\"http://127.0.0.1/show/Episode%2012.mp3\" type=\"audio/mpeg\" "
            "length=\"50647040\"/>"
            "<enclosure url=\"file:///etc/passwd\" type=\"video/mp4\" length=\"x\"/>"
            "<enclosure url=\"https://127.0.0.1/t.pdf\"/></item></items>")));
        SanitizeItem(list.documentElement().firstChild());
        QStringList shown;
        for (xml::Node e = list.documentElement().firstChild().firstChild(); e; e = e.nextSibling())
            if (e.nodeName() == "enclosure")
                shown << QStringList {e.attribute("url"), e.attribute("kind"),
                    e.attribute("kindname"), e.attribute("name"), e.attribute("size")}
                             .join('|');
        QCOMPARE(shown,
            (QStringList {
                "http://127.0.0.1/show/Episode%2012.mp3|audio|Audio|Episode 12.mp3|48.3 MB",
                "|video|Video||", "https://127.0.0.1/t.pdf|other|File|t.pdf|"}));
    }

    void tidy()
    {
        QTemporaryDir dir;
        const QString config = QStringLiteral(TARNWICK_DATA "/default.tidy");
        const QString errors = dir.filePath("err.tidy");
        const QString page = "<html><head><title>t</title></head><body><div "
                             "class=item><p>one<p>two</div></body></html>";
        const TidyResult good = TidyPage(page, config, errors);
        QVERIFY(good.tidied);
        QVERIFY(good.status >= 0);
        QVERIFY(good.text.contains("<p>one</p>"));
        QVERIFY(!good.text.startsWith(QChar(0xFEFF)));
        QVERIFY(QFileInfo::exists(errors));
        // A step that fails leaves the page as it was.
        const TidyResult bad = TidyPage(page, dir.filePath("no-such.tidy"), errors);
        QVERIFY(!bad.tidied);
        QVERIFY(bad.status < 0);
        QCOMPARE(bad.text, page);
        const TidyResult noErrorFile =
            TidyPage(page, config, dir.filePath("missing/folder/err.tidy"));
        QVERIFY(!noErrorFile.tidied);
        QCOMPARE(noErrorFile.text, page);
    }
};

QTEST_GUILESS_MAIN(TestViewerLogic)
#include "tst_viewerlogic.moc"
