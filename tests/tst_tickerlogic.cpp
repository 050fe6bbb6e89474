// The ticker's rules tick by tick: list requests, order, stepping, headlines, the four effects
// and the settings' defaults.
#include "CRegSettings.h"
#include "Include.h"
#include "TickerLogic.h"
#include "TickerSettings.h"

#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

using namespace TickerLogic;

namespace {

Geometry Line(double width = 600, double lineWidth = 200, int titleLength = 5)
{
    Geometry g;
    g.width = width;
    g.height = 24;
    g.lineWidth = lineWidth;
    g.lineHeight = 14;
    g.home = std::round((width - lineWidth) / 2);
    g.titleLength = titleLength;
    return g;
}

} // namespace

class TestTickerLogic : public QObject
{
    Q_OBJECT

    QTemporaryDir m_Config;

private slots:
    void initTestCase() { qputenv("XDG_CONFIG_HOME", m_Config.path().toUtf8()); }

    void filterTable()
    {
        using A = std::array<QString, 4>;
        QCOMPARE(
            Filters(true, 0), std::optional<A>(A {"_tarnwick/unread", "_tarnwick/today", "", ""}));
        QCOMPARE(Filters(true, 1),
            std::optional<A>(A {"_tarnwick/unread", "_tarnwick/today", "_tarnwick/yesterday", ""}));
        QCOMPARE(
            Filters(true, 2), std::optional<A>(A {"_tarnwick/unread", "_tarnwick/week", "", ""}));
        QCOMPARE(Filters(false, 0), std::optional<A>(A {"_tarnwick/today", "", "", ""}));
        QCOMPARE(Filters(false, 1),
            std::optional<A>(A {"_tarnwick/all", "_tarnwick/today", "_tarnwick/yesterday", ""}));
        QCOMPARE(Filters(false, 2), std::optional<A>(A {"_tarnwick/week", "", "", ""}));
        QCOMPARE(Filters(true, 3), std::nullopt);
        QCOMPARE(Filters(false, -1), std::nullopt);
    }

    void sequentialSteps()
    {
        Stepper s;
        QStringList seen;
        int fresh = 0;
        for (int i = 0; i < 7; ++i) {
            fresh += s.Next(3, false);
            seen << QString::number(s.index);
        }
        QCOMPARE(seen.join(','), QStringLiteral("0,1,2,0,1,2,0"));
        QCOMPARE(fresh, 2); // at each wrap
        QVERIFY(!s.Previous(3, false));
        QVERIFY(!s.Previous(3, false));
        QCOMPARE(s.index, 1);
        s.index = 0;
        QVERIFY(!s.Previous(3, false)); // before 0 wraps to the end, no new list
        QCOMPARE(s.index, 2);
        QVERIFY(s.Next(0, false)); // an empty list asks again
        QCOMPARE(s.index, -1);
    }

    void randomPassesShowEveryItemOnce()
    {
        QRandomGenerator rng(7);
        auto random = [&rng] {
            return rng.generateDouble();
        };
        for (int n : {1, 2, 5, 40}) {
            Stepper s;
            s.order = ShuffleOrder(n, random);
            QCOMPARE(int(s.order.size()), n);
            s.orderPosition = -1; // before the first step
            QList<int> firstPass;
            for (int pass = 0; pass < 3; ++pass) {
                QSet<int> shown;
                for (int i = 0; i < n; ++i) {
                    s.Next(n, true);
                    shown.insert(s.index);
                    if (pass == 0)
                        firstPass << s.index;
                }
                QCOMPARE(shown.size(), n);
                s.order = ShuffleOrder(n, random); // the fresh list asked for at the wrap
            }
            if (n == 40)
                QVERIFY(firstPass != QList<int>(firstPass.size(), 0)); // not all the same
        }
        // A generator stuck on one value still ends (every value tried in turn is refused).
        int k = 0;
        const std::vector<int> order = ShuffleOrder(3, [&k] { return (k++ % 3) / 3.0; });
        QCOMPARE(QSet<int>(order.begin(), order.end()).size(), 3);
    }

    void headlines()
    {
        const QString t63 = QString(63, 'a'), t64 = QString(64, 'b');
        QCOMPARE(Compose(t63, "", "C", "01 Dec 2026", "12:34:56").title, t63);
        QCOMPARE(Compose(t64, "", "C", "", "").title, QString(60, 'b') + "...");
        const Headline h =
            Compose("<b>Bold</b> news\r\nhere", "", QString(31, 'c'), "01 Dec 2026", "12:34:56");
        QCOMPARE(h.title, QStringLiteral("Bold news here"));
        QCOMPARE(h.channel, QString(27, 'c') + "... - ");
        QCOMPARE(h.time, QStringLiteral("  [12:34]"));
        QCOMPARE(h.date, QStringLiteral(" - 01 Dec 2026"));
        QCOMPARE(h.Line(true, true, true), h.channel + h.title + h.date + h.time);
        QCOMPARE(h.Line(false, false, true), h.title + h.time);
        QCOMPARE(Compose("", "<p>From the body</p>", "C", "", "").title,
            QStringLiteral("From the body"));
        QCOMPARE(Compose("x", "", QString(30, 'd'), "", "").channel, QString(30, 'd') + " - ");
        const Headline none = NoItems();
        QVERIFY(none.empty);
        QCOMPARE(none.title, QStringLiteral("No Unread Items"));
        QCOMPARE(none.channel, QStringLiteral("Tarnwick"));
    }

    void slidePausesByFactor_data()
    {
        QTest::addColumn<int>("factor");
        QTest::addColumn<int>("pause");
        QTest::newRow("speed 5") << 1 << 300;
        QTest::newRow("speed 3") << 3 << 900;
        QTest::newRow("speed 1") << 5 << 1500;
    }

    void slidePausesByFactor()
    {
        QFETCH(int, factor);
        QFETCH(int, pause);
        const Geometry g = Line();
        Animation a;
        // The first tick brings the line to the right edge and asks for the first headline.
        QVERIFY(StepEffect(0, a, g, factor, 0x000000, 0xFFFFFF).nextHeadline);
        QCOMPARE(a.x, g.width);
        QList<int> periods;
        QList<double> xs;
        int holds = 0, total = 0, at = -1;
        Tick t;
        do {
            const bool before = a.hold;
            t = StepEffect(0, a, g, factor, 0x000000, 0xFFFFFF);
            periods << t.period;
            xs << a.x;
            if (!before && a.hold) {
                ++holds;
                at = int(periods.size()) - 1;
            }
            total += t.period;
            QVERIFY(periods.size() < 10000);
        } while (!t.nextHeadline);
        QCOMPARE(holds, 1); // one pause at home per headline
        QCOMPARE(periods.at(at), pause);
        QVERIFY(qAbs(xs.at(at) + 1 - g.home) <= 2); // paused within 2 pixels of home
        // Fast far from home, braking towards it, accelerating away after the pause.
        QVERIFY(periods.first() < periods.at(at - 1));
        QVERIFY(periods.at(at + 1) > periods.last());
        for (int i = 1; i < xs.size(); ++i)
            QVERIFY(xs.at(i) < xs.at(i - 1) || t.nextHeadline);
        QVERIFY(*std::min_element(periods.begin(), periods.end()) >= 15);
        QCOMPARE(a.x, g.width); // back at the right edge for the next one
        QVERIFY(total > pause);
    }

    void slideStepsAndColour()
    {
        QCOMPARE(SlideStep(300), 1);
        QCOMPARE(SlideStep(201), 1);
        QCOMPARE(SlideStep(200), 2);
        QCOMPARE(SlideStep(81), 2);
        QCOMPARE(SlideStep(80), 3);
        QCOMPARE(SlideStep(41), 3);
        QCOMPARE(SlideStep(40), 6);
        // Far from home the text tends to the fade colour, close to home it is its own.
        const Geometry g = Line();
        Animation a;
        a.x = g.home + 400;
        StepEffect(0, a, g, 3, 0x000000, 0xFFFFFF);
        const qint32 far = a.colour;
        a.x = g.home + 3;
        StepEffect(0, a, g, 3, 0x000000, 0xFFFFFF);
        QVERIFY((a.colour & 0xFF) > (far & 0xFF) || a.colour == 0);
        a.x = g.home + 1;
        a.hold = false;
        const Tick hold = StepEffect(0, a, g, 3, 0x102030, 0xFFFFFF);
        QCOMPARE(hold.period, 900);
        QCOMPARE(a.colour, qint32(0x102030));
    }

    void rise()
    {
        const Geometry g = Line();
        Animation a;
        const double target = std::trunc((g.height - g.lineHeight) / 2) + 1;
        QVERIFY(StepEffect(1, a, g, 2, 0, 0).nextHeadline); // far off: back to the bottom
        QCOMPARE(a.y, g.height);
        QStringList periods;
        Tick t;
        do {
            const double before = a.y;
            t = StepEffect(1, a, g, 2, 0, 0);
            periods << QString::number(t.period);
            QCOMPARE(t.period, before > target ? 20 : before == target ? 2000 : 30);
            QCOMPARE(a.x, g.home);
        } while (!t.nextHeadline);
        QCOMPARE(periods.count("2000"), 1);
        QCOMPARE(a.y, g.height);
    }

    void fade()
    {
        const Geometry g = Line();
        Animation a;
        int ticks = 0, holds = 0;
        Tick t;
        do {
            t = StepEffect(2, a, g, 4, 0x000000, 0x0000FF);
            holds += t.period == 3200;
            QVERIFY(t.period == 80 || t.period == 3200);
            ++ticks;
            if (ticks == 1)
                QCOMPARE(
                    a.colour, Include::BlendColor(0x000000, 0x0000FF, 1)); // almost the fade colour
        } while (!t.nextHeadline && ticks < 1000);
        QCOMPARE(holds, 1);
        QCOMPARE(ticks, 200); // 100 in, 100 out
        QCOMPARE(a.fadeIn, 0.0);
    }

    void typeWriter()
    {
        const Geometry g = Line(600, 200, 5);
        Animation a;
        QStringList shown;
        QList<int> periods;
        Tick t;
        do {
            t = StepEffect(3, a, g, 1, 0, 0);
            const int n = a.typed >= g.titleLength ? a.back : a.typed;
            shown << QString("Hello").left(n) + "_";
            periods << t.period;
        } while (!t.nextHeadline && shown.size() < 100);
        QCOMPARE(shown.join(' '), QStringLiteral("H_ He_ Hel_ Hell_ Hello_ Hell_ Hel_ He_ H_ _"));
        QCOMPARE(periods.count(1000), 1);
        QCOMPARE(periods.at(4), 1000);
        QCOMPARE(a.typed, 0);
    }

    void restingWhileHovered()
    {
        const Geometry g = Line(600, 200, 8);
        Animation a;
        Rest(a, g);
        QCOMPARE(a.x, g.home);
        QCOMPARE(a.y, std::trunc((g.height - g.lineHeight) / 2));
        QCOMPARE(a.fadeIn, 99.0);
        QCOMPARE(a.typed, 7);
    }

    void settingsDefaultsAndValues()
    {
        CRegSettings &s = Include::Settings();
        s.DeleteSetting("Ticker", QString());
        const TickerSettings d = TickerSettings::Load(1920);
        QVERIFY(d.floating);
        QCOMPARE(d.left, 320);
        QCOMPARE(d.width, 1280);
        QCOMPARE(d.top, 0);
        QCOMPARE(d.effect, 1);
        QCOMPARE(d.Factor(), 3);
        QVERIFY(d.unread && d.random && d.onTop);
        QCOMPARE(d.days, 0);
        s.SaveSetting("Ticker", "Dock", "0");
        s.SaveSetting("Ticker", "Speed", "5");
        s.SaveSetting("Ticker", "Left", "abc");
        s.SaveSetting("Ticker", "Random", "0.0"); // no number but zero switches it off
        const TickerSettings v = TickerSettings::Load(1920);
        QVERIFY(!v.floating);
        QCOMPARE(v.Factor(), 1);
        QCOMPARE(v.left, 0);
        QVERIFY(!v.random);
        s.SaveSetting("Ticker", "Random", "True");
        s.SaveSetting("Ticker", "Width", "800.0");
        QVERIFY(TickerSettings::Load(1920).random);
        QCOMPARE(TickerSettings::Load(1920).width, 800);
        s.SaveSetting("Ticker", "Speed", "9"); // held to the slider's range
        QCOMPARE(TickerSettings::Load(1920).Factor(), 1);
        s.DeleteSetting("Ticker", QString());
    }
};

QTEST_GUILESS_MAIN(TestTickerLogic)
#include "tst_tickerlogic.moc"
