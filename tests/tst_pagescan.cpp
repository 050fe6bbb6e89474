// Finding the channels a page announces, on saved pages: several announcements with mixed
// letter case and quoting, duplicates, no title, an Atom-only page and a page with none.
#include "PageScan.h"
#include "TestSupport.h"

#include <QtTest>

class TestPageScan : public QObject
{
    Q_OBJECT

    static QString Page(const char *name)
    {
        return QString::fromUtf8(
            testsupport::dataFile(QStringLiteral("pages/") + QLatin1String(name)));
    }
    static QStringList Found(const QList<FoundChannel> &found)
    {
        QStringList out;
        for (const FoundChannel &f : found)
            out << f.title + " | " + f.address;
        return out;
    }

private slots:
    void newsSite()
    {
        const auto found =
            ScanPage(Page("news-site.html"), QUrl("https://gazette.example/News/Index.html"));
        // Paths keep their letter case; the repeated one is listed once; relative ones are
        // resolved against the page; quoted and unquoted attributes alike.
        QCOMPARE(Found(found),
            (QStringList {
                "Gazette: Top Stories | https://gazette.example/Feeds/TopStories.xml", // host names
                                                                                       // have no
                                                                                       // case
                "Sport | https://gazette.example/Feeds/Sport.RSS",
                "Gazette Atom | https://gazette.example/Feeds/All.atom",
                "Gazette JSON | https://gazette.example/Feeds/All.json", // a JSON Feed
            }));
    }

    void noTitleAndRelativeAddress()
    {
        const auto found =
            ScanPage(Page("no-title.html"), QUrl("http://127.0.0.1:8080/blog/post.html"));
        QCOMPARE(found.size(), 1);
        QCOMPARE(found.first().title, QString());
        QCOMPARE(found.first().address, QStringLiteral("http://127.0.0.1:8080/blog/feed.xml"));
    }

    void atomOnly()
    {
        const auto found = ScanPage(Page("atom-only.html"), QUrl("https://wiki.example/"));
        QCOMPARE(Found(found),
            QStringList {"Recent changes | "
                         "https://wiki.example/index.php?title=Special:RecentChanges&feed=atom"});
    }

    void onlyWebAddressesAreOffered()
    {
        const QString page =
            "<html><head>"
            "<link rel=alternate type=application/rss+xml title=Local href='file:///etc/passwd'>"
            "<link rel=alternate type=application/rss+xml title=Script href='javascript:alert(1)'>"
            "<link rel=alternate type=application/rss+xml title=Data href='data:text/xml,<rss/>'>"
            "<link rel=alternate type=application/rss+xml title=Other href='feed://x.example/rss'>"
            "<link rel=alternate type=application/rss+xml title=Web href='https://x.example/rss'>"
            "<link rel=alternate type=application/rss+xml title=Relative href='/plain.xml'>"
            "</head></html>";
        QCOMPARE(Found(ScanPage(page, QUrl("http://x.example/index.html"))),
            (QStringList {"Web | https://x.example/rss", "Relative | http://x.example/plain.xml"}));
        // Without the page's address a relative address leads nowhere.
        QCOMPARE(Found(ScanPage(page)), QStringList {"Web | https://x.example/rss"});
    }

    void nothingAnnounced()
    {
        QVERIFY(ScanPage(Page("no-feeds.html")).isEmpty());
        QVERIFY(ScanPage(QString()).isEmpty());
        QVERIFY(ScanPage("<<<not html at all").isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestPageScan)
#include "tst_pagescan.moc"
