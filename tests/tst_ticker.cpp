// The ticker for real under X: a profile of 10 unread items from a loopback feed, headlines
// stepped through, each effect caught mid-animation, docking read back with xprop, and a click
// on a headline opening the preview.
#include "InProcessBank.h"
#include "Include.h"
#include "LocalHttpServer.h"
#include "ProfileFiles.h"
#include "RSSChannel.h"
#include "ScreenStrip.h"
#include "SkinPainter.h"
#include "TAppBar.h"
#include "TestSupport.h"
#include "TickerWindows.h"
#include "ViewerWindows.h"
#include "WidgetSupport.h"
#include "WindowHelpers.h"
#include "WindowHub.h"
#include "clsProfile.h"
#include "clsSpotlight.h"
#include "frmMain.h"
#include "frmTarnSkin.h"
#include "frmTicker.h"
#include "frmTickerSettings.h"
#include "frmTickerView.h"
#include "modItemHandler.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QApplication>
#include <QButtonGroup>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QWebEngineView>
#include <QtTest>

using namespace testsupport;

namespace {

QByteArray Feed(int items)
{
    QByteArray out = "<rss version=\"2.0\"><channel><title>Valley</title>";
    for (int i = 1; i <= items; ++i)
        out += "<item><title>Valley headline " + QByteArray::number(i)
            + "</title><link>http://127.0.0.1:1/" + QByteArray::number(i)
            + "</link><description>&lt;p&gt;The body of story " + QByteArray::number(i)
            + ".&lt;/p&gt;</description><guid>v-" + QByteArray::number(i) + "</guid></item>";
    return out + "</channel></rss>";
}

QString Xprop(WId id, const char *property)
{
    QProcess xprop;
    xprop.start("xprop", {"-id", QString::number(id), QLatin1String(property)});
    xprop.waitForFinished(5000);
    return QString::fromUtf8(xprop.readAllStandardOutput()).trimmed();
}

} // namespace

class TestTicker : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Home, m_Config;
    LocalHttpServer m_Http;
    WindowHub m_Hub;
    std::unique_ptr<frmMain> m_Main;
    TickerWindows *m_Tickers = nullptr;

    clsProfile *Profile() { return m_Main->CurrentProfile(); }

private slots:
    void initTestCase()
    {
        qputenv("TARNWICK_HOME", m_Home.path().toUtf8());
        qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8());
        useInProcessBank();
        RSSChannel::SetFirstReloadDelay(100); // channels load at once, not 5 s after start
        qputenv("TARNWICK_VENDOR_BASE", m_Http.url("").toUtf8());
        clsSpotlight::SetDirectoryURL(QString());
        QVERIFY(Include::SeedAppFolder(QStringLiteral(TARNWICK_DATA)));
        Include::SetMessageHandler(
            [](const QString &, const QString &, const QStringList &) { return 0; });
        m_Http.route("/v.xml") = {200, Feed(10), {}};
        QVERIFY(profilefiles::WriteProfileList(m_Home.path(), {"anna"}));
        QVERIFY(profilefiles::WriteGroups(m_Home.filePath("profiles/anna"), {{"News", {}}}));
        Include::Settings().SaveSetting("PREFS", "FIRSTRUN", "False");
        m_Main = std::make_unique<frmMain>(m_Hub);
        m_Tickers = new TickerWindows(m_Hub, m_Main.get());
        m_Hub.Attach(m_Main.get(), new ViewerWindows(m_Hub, m_Main.get()), m_Tickers);
        m_Main->Form_Load();
        QVERIFY(QTest::qWaitFor([&] { return Profile() && Profile()->Groups(); }, 10000));
        m_Main->AddChannel(m_Http.url("/v.xml"), "News");
        QVERIFY(QTest::qWaitFor(
            [&] { return Profile()->GetChannel(m_Http.url("/v.xml"))->ItemCount() == 10; }, 20000));
        // The help channel arrives shortly after start; its items would join the list.
        QVERIFY(QTest::qWaitFor(
            [&] { return Profile()->GetChannel(Include::VendorHelpURL())->ItemCount() > 0; },
            15000));
        Profile()->MarkAllRead(Include::VendorHelpURL());
    }

    void floatingTickerSteps()
    {
        Include::Settings().SaveSetting("Ticker", "Random", "0");
        Include::Settings().SaveSetting("Ticker", "Effect", "0");
        Include::Settings().SaveSetting("Ticker", "Top", "40");
        m_Main->TickerToggle();
        frmTicker *ticker = m_Tickers->Ticker();
        QVERIFY(ticker);
        QVERIFY(m_Main->Item("mnuTrayTicker")->isChecked());
        QCOMPARE(Include::Settings().GetSetting("Ticker", "Show", ""), QStringLiteral("True"));
        QVERIFY(QTest::qWaitForWindowExposed(ticker));
        QCOMPARE(ticker->height(), 24); // the skin's ticker top edge
        QCOMPARE(ticker->width(), QGuiApplication::primaryScreen()->geometry().width() * 2 / 3);
        QVERIFY(
            QTest::qWaitFor([&] { return ticker->HasList() && ticker->ListCount() == 10; }, 10000));
        QVERIFY(QTest::qWaitFor([&] { return ticker->CurrentIndex() >= 0; }, 5000));
        // Stepping by the skin's buttons, in order.
        const int start = ticker->CurrentIndex();
        for (int i = 1; i <= 3; ++i) {
            ticker->SkinHandler("next", 0, 0, true);
            QCOMPARE(ticker->CurrentIndex(), (start + i) % 10);
            QVERIFY(ticker->Headline().title.startsWith("Valley headline "));
        }
        ticker->SkinHandler("prev", 0, 0, true);
        QCOMPARE(ticker->CurrentIndex(), (start + 2) % 10);
        QCOMPARE(ticker->DecodeText("{chl}"), QStringLiteral("Valley"));
        QVERIFY(ticker->DecodeIf("playing") && !ticker->DecodeIf("dock"));
        ticker->SkinHandler("pause", 0, 0, true);
        QVERIFY(ticker->Paused() && ticker->DecodeIf("paused"));
        ticker->SkinHandler("play", 0, 0, true);
        QVERIFY(!ticker->Paused());
        // A screen reader finds the buttons by name and presses them; it hears the headline.
        QAccessibleInterface *bar = QAccessible::queryAccessibleInterface(ticker);
        QVERIFY(bar);
        auto press = [&](const QString &name) {
            for (int i = 0; i < bar->childCount(); ++i) {
                QAccessibleInterface *c = bar->child(i);
                if (c->role() == QAccessible::Button && c->text(QAccessible::Name) == name
                    && ticker->geometry().contains(c->rect())) {
                    c->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
                    return true;
                }
            }
            return false;
        };
        const int at = ticker->CurrentIndex();
        QVERIFY(press("Next headline"));
        QTRY_COMPARE(ticker->CurrentIndex(), (at + 1) % 10);
        QCOMPARE(bar->text(QAccessible::Description), "Valley - " + ticker->Headline().title);
        QVERIFY(press("Pause"));
        QTRY_VERIFY(ticker->Paused());
        QVERIFY(!press("Pause") && press("Play")); // only the button the ticker shows
        QTRY_VERIFY(!ticker->Paused());
    }

    void effectsMidAnimation()
    {
        frmTicker *ticker = m_Tickers->Ticker();
        QVERIFY(ticker);
        // The cursor away from the ticker, so it does not hold.
        QCursor::setPos(5, QGuiApplication::primaryScreen()->geometry().height() - 5);
        const char *names[] = {"slide", "rise", "fade", "type"};
        for (int effect = 0; effect < 4; ++effect) {
            Include::Settings().SaveSetting("Ticker", "Effect", QString::number(effect));
            ticker->LoadRegVals(false);
            ticker->SkinHandler("next", 0, 0, true);
            // Drive the animation by hand to a moment where the headline is on its way in.
            for (int i = 0; i < 400; ++i) {
                ticker->tmrScroll_Timer();
                const auto &a = ticker->Animation();
                // Near its resting place, where the slide has nearly its own colour again.
                const bool inView = effect == 0
                    ? a.x < ticker->HomeX() + 40 && a.x > ticker->HomeX() + 6
                    : effect == 1 ? a.y < 10 && a.y > 6
                    : effect == 2 ? a.fadeIn > 40 && a.fadeIn < 80
                                  : a.typed > 6 && a.typed < 12;
                if (inView)
                    break;
            }
            const QImage shot = ticker->Surface();
            // Something other than the frame's colour is on the surface: the text.
            QSet<QRgb> colours;
            for (int x = 0; x < shot.width(); x += 2)
                colours.insert(shot.pixel(x, shot.height() / 2));
            QVERIFY2(colours.size() > 3, names[effect]);
        }
    }

    void dockAndFloat()
    {
        frmTicker *ticker = m_Tickers->Ticker();
        QList<bool> applied;
        frmTickerSettings settings([ticker, &applied](bool changed) {
            applied << changed;
            ticker->LoadRegVals(changed);
        });
        // Only the sources change the list.
        QVERIFY(!settings.ListChanged());
        settings.optEffect()->button(2)->click();
        QVERIFY(!settings.ListChanged());
        settings.optDays()->button(1)->click();
        QVERIFY(settings.ListChanged());
        settings.optDays()->button(0)->click();
        settings.optDock()->button(0)->click();
        QVERIFY(!settings.txtLeft()->isEnabled());
        settings.cmdApply_Click();
        QCOMPARE(applied, QList<bool> {true});
        QVERIFY(!settings.ListChanged());
        QVERIFY(ticker->AppBar());
        QCOMPARE(ticker->AppBar()->Edge(), int(TAppBar::Top));
        QTRY_COMPARE(
            ticker->geometry().top(), QGuiApplication::primaryScreen()->availableGeometry().top());
        QCOMPARE(ticker->width(), QGuiApplication::primaryScreen()->availableGeometry().width());
        const QString strut = Xprop(ticker->winId(), "_NET_WM_STRUT_PARTIAL");
        const int w = QGuiApplication::primaryScreen()->geometry().width();
        QCOMPARE(strut,
            QStringLiteral("_NET_WM_STRUT_PARTIAL(CARDINAL) = 0, 0, 24, 0, 0, 0, 0, 0, 0, %1, 0, 0")
                .arg(w - 1));
        QVERIFY(Xprop(ticker->winId(), "_NET_WM_WINDOW_TYPE").contains("_NET_WM_WINDOW_TYPE_DOCK"));
        // Applying again keeps one bar, in the same strip.
        TAppBar *bar = ticker->AppBar();
        settings.cmdApply_Click();
        QCOMPARE(ticker->AppBar(), bar);
        QCOMPARE(ticker->geometry().top(), 0);
        // Another program's toolbar at the top: the ticker's strip lies below it, and takes the
        // top again once that toolbar is gone.
        {
            QWidget other(nullptr, Qt::Tool | Qt::FramelessWindowHint);
            other.setGeometry(0, 0, 300, 30);
            other.show();
            QVERIFY(QTest::qWaitForWindowExposed(&other));
            QVERIFY(ScreenStrip::Reserve(&other, Qt::TopEdge, QRect(0, 0, 300, 30)));
            settings.cmdApply_Click();
            QCOMPARE(ticker->geometry(), QRect(0, 30, w, 24));
            QVERIFY(Xprop(ticker->winId(), "_NET_WM_STRUT_PARTIAL").contains(" 54, "));
        }
        settings.cmdApply_Click();
        QCOMPARE(ticker->geometry(), QRect(0, 0, w, 24));
        QVERIFY(
            QTest::qWaitFor([&] { return ticker->Surface().width() == ticker->width(); }, 2000));
        // Floating again gives the strip back.
        settings.optDock()->button(1)->click();
        QVERIFY(settings.txtLeft()->isEnabled());
        settings.cmdApply_Click();
        QVERIFY(!ticker->AppBar());
        QVERIFY(!Xprop(ticker->winId(), "_NET_WM_STRUT_PARTIAL").contains("CARDINAL"));
        QTRY_COMPARE(ticker->geometry().top(), 40);
    }

    void clickOpensThePreview()
    {
        frmTicker *ticker = m_Tickers->Ticker();
        ticker->SkinHandler("pause", 0, 0, true);
        const xml::Node item = ticker->CurrentItem();
        QVERIFY(item);
        const QString hash = modItemHandler::GetItemHash(item);
        const QString title = modItemHandler::GetItemTitle(item);
        // The middle of the bar, away from the skin's buttons.
        QTest::mouseClick(
            ticker, Qt::LeftButton, {}, QPoint(ticker->width() / 2, ticker->height() / 2));
        QVERIFY(ticker->InPreview());
        frmTickerView *view = ticker->Preview();
        QVERIFY(view);
        QSignalSpy shown(view, &frmTickerView::PageShown);
        QVERIFY(shown.wait(20000));
        QVERIFY(QTest::qWaitFor([&] { return view->webView()->isVisible(); }, 5000));
        QCOMPARE(modItemHandler::GetItemTitle(view->Item()), title);
        QVERIFY(QFileInfo(view->PagePath()).fileName() == "tck_tmp.html");
        QVERIFY(readFile(view->PagePath()).contains(title.toUtf8()));
        QVERIFY(view->TargetHeight() >= frmTickerView::kMinHeight
            && view->TargetHeight() <= frmTickerView::kMaxHeight);
        QCOMPARE(view->height(), view->TargetHeight()); // no animation: at once
        // The page is one feed item: no script of the page's own runs in it.
        QVariant pageScript = QStringLiteral("not answered");
        bool answered = false;
        view->webView()->page()->runJavaScript(
            "document.title = 'changed'; 6 * 7", [&](const QVariant &v) {
                pageScript = v;
                answered = true;
            });
        QTRY_VERIFY(answered);
        QVERIFY2(!pageScript.isValid(), qPrintable(pageScript.toString()));
        QVERIFY(view->webView()->page()->title() != "changed");
        // Read in the bank: one unread fewer for the channel.
        Profile()->UpdateChannel(m_Http.url("/v.xml"));
        QVERIFY(QTest::qWaitFor(
            [&] { return Profile()->GetChannel(m_Http.url("/v.xml"))->Unread() == 9; }, 5000));
        QTest::qWait(300);
        // Clicking the ticker again closes the preview.
        QTest::mouseClick(
            ticker, Qt::LeftButton, {}, QPoint(ticker->width() / 2, ticker->height() / 2));
        QVERIFY(!ticker->InPreview());
        QTRY_VERIFY(!ticker->Preview());
        Q_UNUSED(hash);
    }

    void itemTextsFollowTheHeadline()
    {
        // The skin's "{date} {time}" beside the buttons shows the new headline's item in the
        // same paint as the headline, not a second later.
        frmTicker *ticker = m_Tickers->Ticker();
        QVERIFY(ticker);
        QCursor::setPos(5, QGuiApplication::primaryScreen()->geometry().height() - 5);
        QVERIFY(QTest::qWaitFor([&] { return !ticker->Hovering(); }, 3000));
        Include::Settings().SaveSetting("Ticker", "Effect", "2"); // the headline stays centred
        ticker->LoadRegVals(false);
        ticker->SkinHandler("pause", 0, 0, true);
        QVERIFY(QTest::qWaitFor([&] { return !ticker->ListPending(); }, 5000));
        // Stepping back only (it never asks for a new list): the item before the one shown gets
        // a date and time of its own, then the round comes back to the one shown.
        ticker->SkinHandler("prev", 0, 0, true);
        xml::Node earlier = ticker->CurrentItem();
        QVERIFY(earlier);
        earlier.setAttribute("date", QStringLiteral("01 Feb 2001"));
        earlier.setAttribute("time", QStringLiteral("23:59:58"));
        for (int i = 1; i < ticker->ListCount(); ++i)
            ticker->SkinHandler("prev", 0, 0, true);
        const QString shownTitle = ticker->Headline().title;
        // Where the date and time are drawn: right of the headline, left of the buttons.
        const QRect when(ticker->width() - 200, 0, 140, ticker->height());
        auto shown = [&] {
            return ticker->grab().toImage().copy(when);
        };
        ticker->PaintMe(); // composed afresh: what is seen is settled
        const QImage before = shown();
        ticker->SkinHandler("prev", 0, 0, true);
        QVERIFY(ticker->Headline().title != shownTitle);
        QCOMPARE(ticker->DecodeText("{time}"), QStringLiteral("23:59:58"));
        const QImage atOnce = shown();
        ticker->PaintMe(); // the look a later refresh would give
        const QImage settled = shown();
        const QImage whole = ticker->grab().toImage().convertToFormat(QImage::Format_RGB32);
        whole.save(ScreenshotPath("ticker-item-texts.png"));
        // The ticker keeps its rectangle: the skin's see-through colour in its frame's corners
        // never shows as such.
        const QRgb see = SkinPainter::ToColor(frmTarnSkin::Instance().MaskColor).rgb();
        int seeThrough = 0;
        for (int y = 0; y < whole.height(); ++y)
            for (int x = 0; x < whole.width(); ++x)
                seeThrough += whole.pixel(x, y) == see;
        QCOMPARE(seeThrough, 0);
        QVERIFY2(atOnce != before, "the date and time did not change with the headline");
        QVERIFY2(atOnce == settled, "the date and time were painted late");
        ticker->SkinHandler("play", 0, 0, true);
    }

    void closing()
    {
        m_Main->CloseTicker();
        QVERIFY(!m_Tickers->Ticker());
        QVERIFY(!m_Main->Item("mnuFileTicker")->isChecked());
        QCOMPARE(Include::Settings().GetSetting("Ticker", "Show", ""), QStringLiteral("False"));
    }

    void newItemsOnlyRun()
    {
        // With pop-ups on, new items open the ticker on them alone; it closes when they are done.
        Include::Settings().SaveSetting("PREFS", "POPUP", "True");
        QVERIFY(Profile()->NewItemsCount() >= 10);
        m_Hub.ShowTickerNewItems();
        QPointer<frmTicker> ticker = m_Tickers->Ticker();
        QVERIFY(ticker);
        QVERIFY(ticker->NewItemMode() && ticker->NewItemsOnlyRun());
        QVERIFY(ticker->DecodeIf("newitem"));
        QVERIFY(QTest::qWaitFor(
            [&] { return ticker && ticker->HasList() && ticker->ListCount() >= 10; }, 5000));
        const int count = ticker->ListCount();
        QCOMPARE(Profile()->NewItemsCount(), 0); // taken by the ticker
        for (int i = 0; i <= count && ticker; ++i)
            ticker->SkinHandler("next", 0, 0, true);
        QTRY_VERIFY(!ticker);
        QVERIFY(!m_Main->Item("mnuTrayTicker")->isChecked());
        Include::Settings().SaveSetting("PREFS", "POPUP", "False");
    }

    void viewerOnNewItemsTakesThem()
    {
        // A channel that opens its viewer on new items: the viewer opens, and neither the
        // ticker nor its new-items run appears on screen.
        Include::Settings().SaveSetting("PREFS", "POPUP", "True");
        RSSChannel *channel = Profile()->GetChannel(m_Http.url("/v.xml"));
        QVERIFY(channel && !m_Tickers->Ticker());
        channel->OpenLink = true;
        channel->Loaded(true, QString());
        QVERIFY(m_Hub.IsViewerLoaded(channel));
        QVERIFY(!channel->NewItems());
        int tickers = 0, viewers = 0;
        for (QWidget *w : QApplication::topLevelWidgets()) {
            tickers += qobject_cast<frmTicker *>(w) && w->isVisible();
            viewers += w->windowTitle() == QStringLiteral("Valley - Tarnwick");
        }
        QCOMPARE(tickers, 0);
        QCOMPARE(viewers, 1);
        channel->OpenLink = false;
        m_Hub.CloseViewers();
        Include::Settings().SaveSetting("PREFS", "POPUP", "False");
    }

    void cleanupTestCase()
    {
        if (m_Main)
            m_Main->RunExitSequence();
        m_Main.reset();
    }
};

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    TestTicker test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_ticker.moc"
