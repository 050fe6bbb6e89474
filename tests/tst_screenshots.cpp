// The windows as a person sees them, compared with pictures kept beside the tests
// (tests/screenshots): the main window with a profile, the About box, the ticker at rest on a
// headline. A picture that differs in more than a sliver of its pixels fails, and the new one
// and a picture of the differences go to build/tests/screenshots for a look. After a change
// meant to alter the looks, TARNWICK_NEW_SCREENSHOTS=1 writes the references afresh.
#include "ChannelTree.h"
#include "InProcessBank.h"
#include "Include.h"
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "RSSChannel.h"
#include "TestSupport.h"
#include "TickerWindows.h"
#include "ViewerWindows.h"
#include "WidgetSupport.h"
#include "WindowHelpers.h"
#include "WindowHub.h"
#include "clsProfile.h"
#include "clsSpotlight.h"
#include "colGroups.h"
#include "frmAbout.h"
#include "frmMain.h"
#include "frmTicker.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace testsupport;

namespace {

QByteArray Feed(const QByteArray &title, int items)
{
    // Today at a fixed hour: the ticker shows today's items, each with its time.
    const QByteArray date = QLocale::c()
                                .toString(QDateTime(QDate::currentDate(), QTime(9, 30), Qt::UTC),
                                    QStringLiteral("ddd, dd MMM yyyy hh:mm:ss 'GMT'"))
                                .toLatin1();
    QByteArray out = "<rss version=\"2.0\"><channel><title>" + title + "</title>";
    for (int i = 1; i <= items; ++i)
        out += "<item><title>" + title + " headline " + QByteArray::number(i) + "</title><pubDate>"
            + date + "</pubDate><description>Story " + QByteArray::number(i)
            + "</description><guid>" + title + "-" + QByteArray::number(i) + "</guid></item>";
    return out + "</channel></rss>";
}

// The share of pixels (0 to 1) with a colour channel more than a little off; 1 when the sizes
// differ. difference marks them in red.
double Differing(const QImage &a, const QImage &b, QImage *difference)
{
    if (a.size() != b.size())
        return 1;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    *difference =
        x.convertToFormat(QImage::Format_Grayscale8).convertToFormat(QImage::Format_RGB32);
    qint64 off = 0;
    for (int row = 0; row < x.height(); ++row) {
        const auto *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const auto *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int col = 0; col < x.width(); ++col) {
            if (qAbs(qRed(p[col]) - qRed(q[col])) > 24 || qAbs(qGreen(p[col]) - qGreen(q[col])) > 24
                || qAbs(qBlue(p[col]) - qBlue(q[col])) > 24) {
                ++off;
                difference->setPixel(col, row, qRgb(255, 0, 0));
            }
        }
    }
    return double(off) / (double(x.width()) * x.height());
}

} // namespace

class TestScreenshots : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Home, m_Config;
    LocalHttpServer m_Http;
    WindowHub m_Hub;
    std::unique_ptr<frmMain> m_Main;
    TickerWindows *m_Tickers = nullptr;

    clsProfile *Profile() { return m_Main->CurrentProfile(); }

    // Compares shot with the reference called name; false with the reason in why.
    bool Matches(const QImage &shot, const QString &name, QString *why)
    {
        const QString reference = QStringLiteral(TARNWICK_TEST_SOURCE "/screenshots/") + name;
        shot.save(ScreenshotPath(name));
        if (qEnvironmentVariableIsSet("TARNWICK_NEW_SCREENSHOTS"))
            return shot.save(reference);
        const QImage expected(reference);
        if (expected.isNull()) {
            *why = name + QStringLiteral(": no reference picture (TARNWICK_NEW_SCREENSHOTS=1)");
            return false;
        }
        QImage difference;
        const double off = Differing(shot, expected, &difference);
        if (off <= 0.005)
            return true;
        difference.save(ScreenshotPath(QStringLiteral("difference-") + name));
        *why = QStringLiteral("%1: %2% of the pixels differ (see %3)")
                   .arg(name)
                   .arg(off * 100, 0, 'f', 2)
                   .arg(ScreenshotPath(QStringLiteral("difference-") + name));
        return false;
    }

private slots:
    void initTestCase()
    {
        qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
        useInProcessBank();
        RSSChannel::SetFirstReloadDelay(100); // channels load at once, not 5 s after start
        qputenv("TARNWICK_VENDOR_BASE", m_Http.url("").toUtf8());
        m_Http.route("/update/check.html") = {200, "<html><body>0</body></html>", {}};
        m_Http.route("/a.xml") = {200, Feed("Alpha", 3), {}};
        clsSpotlight::SetDirectoryURL(QString());
        QVERIFY(Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)));
        Include::SetMessageHandler(
            [](const QString &, const QString &, const QStringList &) { return 0; });
        const QString folder = m_Home.filePath("profiles/anna");
        QVERIFY(profilefiles::WriteProfileList(m_Home.path(), {"anna"}));
        QVERIFY(profilefiles::WriteGroups(folder, {{"News", {}}}));
        Include::Settings().SaveSetting("PREFS", "FIRSTRUN", "False");
        m_Main = std::make_unique<frmMain>(m_Hub);
        m_Tickers = new TickerWindows(m_Hub, m_Main.get());
        m_Hub.Attach(m_Main.get(), new ViewerWindows(m_Hub, m_Main.get()), m_Tickers);
        m_Main->Form_Load();
        QTRY_VERIFY_WITH_TIMEOUT(Profile() && Profile()->Groups(), 10000);
        // Subscribed at once, while the stored groups may still be read: it keeps its group.
        m_Main->AddChannel(m_Http.url("/a.xml"), "News");
        auto items = [this](const QString &url) {
            const RSSChannel *channel = Profile()->GetChannel(url);
            return channel ? channel->ItemCount() : -1;
        };
        QTRY_VERIFY_WITH_TIMEOUT(items(m_Http.url("/a.xml")) == 3, 20000);
        // The help channel arrives a few seconds after start; read, so that its count is steady.
        QTRY_VERIFY_WITH_TIMEOUT(items(Include::VendorHelpURL()) > 0, 15000);
        Profile()->MarkAllRead(Include::VendorHelpURL());
    }

    void mainWindow()
    {
        m_Main->resize(300, 420);
        m_Main->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_Main.get()));
        clsChannelTree *tree = m_Main->treMain();
        // Folded: the counts by day in there change with the clock.
        Profile()->GetGroup("All Items")->setExpanded(false);
        m_Main->RepopulateTreeMain();
        QTRY_COMPARE(
            tree->RowCount(tree->FindRow("News", m_Http.url("/a.xml"))), QStringLiteral("3"));
        QTRY_VERIFY(m_Main->DecodeText("{items}") != QLatin1String("0"));
        // Every row laid out and painted.
        QTRY_VERIFY(!tree->visualItemRect(tree->item(tree->count() - 1)).isEmpty());
        QString why;
        QVERIFY2(Matches(m_Main->grab().toImage(), "main-window.png", &why), qPrintable(why));
    }

    void aboutBox()
    {
        frmAbout about(QStringLiteral("1.2.3"), m_Main.get());
        about.show();
        QVERIFY(QTest::qWaitForWindowExposed(&about));
        QString why;
        QVERIFY2(Matches(about.grab().toImage(), "about.png", &why), qPrintable(why));
    }

    void tickerAtRest()
    {
        Include::Settings().SaveSetting("Ticker", "Random", "0");
        Include::Settings().SaveSetting("Ticker", "Effect", "0");
        Include::Settings().SaveSetting("Ticker", "Top", "40");
        m_Main->TickerToggle();
        frmTicker *ticker = m_Tickers->Ticker();
        QVERIFY(ticker);
        QVERIFY(QTest::qWaitForWindowExposed(ticker));
        QTRY_VERIFY(ticker->CurrentIndex() >= 0);
        QCursor::setPos(5, QGuiApplication::primaryScreen()->geometry().height() - 5);
        ticker->SkinHandler("pause", 0, 0, true);
        // The first headline, slid all the way home.
        while (ticker->CurrentIndex() != 0)
            ticker->SkinHandler("next", 0, 0, true);
        for (int i = 0; i < 2000 && ticker->Animation().x > ticker->HomeX(); ++i)
            ticker->tmrScroll_Timer();
        QCOMPARE(ticker->Animation().x, ticker->HomeX());
        QString why;
        // Up to the clock at the right end, which shows the time of the run.
        const QImage shot = ticker->Surface();
        QVERIFY2(Matches(shot.copy(0, 0, shot.width() - 200, shot.height()), "ticker.png", &why),
            qPrintable(why));
        m_Main->CloseTicker();
    }

    void cleanupTestCase()
    {
        m_Main->RunExitSequence();
        m_Main.reset();
    }
};

QTEST_MAIN(TestScreenshots)
#include "tst_screenshots.moc"
