#include "CSpanClock.h"

#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace {

// A clock whose millisecond counter the test moves by hand; tick() plays the control tick.
class ManualClock : public CSpanClock
{
public:
    quint32 now = 0;
    void tick() { tmrTimer_Timer(); }

protected:
    quint32 currentTick() const override { return now; }
};

} // namespace

class TestSpanClock : public QObject
{
    Q_OBJECT

private slots:
    void controlTick_data();
    void controlTick();
    void intervalAndEnabledProperties();
    void firesOnceIntervalHasPassed();
    void periodRestartsFromFiringTick();
    void counterWrapsAndChangesSign_data();
    void counterWrapsAndChangesSign();
    void handlerMayStopOrDeleteClock();
    void realTimerFires();
};

void TestSpanClock::controlTick_data()
{
    QTest::addColumn<int>("interval");
    QTest::addColumn<int>("tick");
    QTest::newRow("500") << 500 << 500;
    QTest::newRow("15000") << 15000 << 15000;
    QTest::newRow("32765, n rounds to 0") << 32765 << 32765;
    QTest::newRow("32766, n rounds to 1") << 32766 << 8192;
    QTest::newRow("60000") << 60000 << 15000;
    QTest::newRow("ten minutes") << 600000 << 16667;
    QTest::newRow("one hour") << 3600000 << 16364;
    QTest::newRow("98295, n 1.5 to 2") << 98295 << 12287; // 98295/2/4 = 12286.875
    QTest::newRow("0") << 0 << 0;
}

void TestSpanClock::controlTick()
{
    QFETCH(int, interval);
    QFETCH(int, tick);
    QCOMPARE(CSpanClock::controlTickFor(interval), tick);
    CSpanClock clock;
    clock.setInterval(interval);
    clock.setEnabled(true);
    auto *control = clock.findChild<QTimer *>();
    QCOMPARE(control->isActive(), tick > 0);
    if (tick > 0)
        QCOMPARE(control->interval(), tick);
}

void TestSpanClock::intervalAndEnabledProperties()
{
    ManualClock clock;
    QVERIFY(!clock.Enabled());
    clock.setInterval(-500);
    QCOMPARE(clock.Interval(), 500);
    QVERIFY(!clock.Enabled()); // setting the interval does not start it

    clock.setInterval(0);
    clock.setEnabled(true);
    QVERIFY(!clock.Enabled()); // interval 0: reads as stopped, never fires
    QSignalSpy fired(&clock, &CSpanClock::OnTimer);
    clock.now = 1000000;
    clock.tick();
    QVERIFY(fired.isEmpty());
}

void TestSpanClock::firesOnceIntervalHasPassed()
{
    ManualClock clock;
    QSignalSpy fired(&clock, &CSpanClock::OnTimer);
    clock.now = 1000;
    clock.setInterval(500);
    clock.now = 5000; // a stopped clock's period start does not move with the interval
    clock.setEnabled(true);
    clock.now = 5497;
    clock.tick(); // a few ms early: nothing
    QVERIFY(fired.isEmpty());
    clock.now = 6000;
    clock.tick();
    QCOMPARE(fired.size(), 1);
    QCOMPARE(fired[0][0].toInt(), 1000);
    // A stopped clock ignores ticks.
    clock.setEnabled(false);
    clock.now = 9000;
    clock.tick();
    QCOMPARE(fired.size(), 1);
    QVERIFY(!clock.Enabled());
}

void TestSpanClock::periodRestartsFromFiringTick()
{
    ManualClock clock;
    clock.setInterval(1000);
    clock.setEnabled(true); // starts at 0
    QList<int> elapsed;
    connect(&clock, &CSpanClock::OnTimer, &clock, [&](qint32 e) {
        elapsed << e;
        // Changing the interval in a handler restarts the period at "now" - but the firing
        // tick wins once the handler returns.
        clock.now += 300;
        clock.setInterval(1000);
    });
    clock.now = 1200;
    clock.tick();
    clock.now = 2100; // 900 after the firing tick at 1200
    clock.tick();
    clock.now = 2200;
    clock.tick();
    QCOMPARE(elapsed, (QList<int> {1200, 1000}));

    // Writing Enabled = true to a running clock restarts its period.
    clock.now = 2900;
    clock.setEnabled(true);
    clock.now = 3300;
    clock.tick();
    QCOMPARE(elapsed.size(), 2);
}

void TestSpanClock::counterWrapsAndChangesSign_data()
{
    QTest::addColumn<quint32>("start");
    QTest::newRow("wrap through 2^32") << quint32(0xFFFFFF00u);
    QTest::newRow("sign change at 2^31") << quint32(0x7FFFFF00u);
}

void TestSpanClock::counterWrapsAndChangesSign()
{
    QFETCH(quint32, start);
    ManualClock clock;
    clock.now = start;
    clock.setInterval(600000);
    clock.setEnabled(true);
    QSignalSpy fired(&clock, &CSpanClock::OnTimer);
    clock.now = start + 599999u;
    clock.tick();
    QVERIFY(fired.isEmpty());
    clock.now = start + 616667u;
    clock.tick();
    QCOMPARE(fired.size(), 1);
    QCOMPARE(fired[0][0].toInt(), 616667);
}

void TestSpanClock::handlerMayStopOrDeleteClock()
{
    auto *clock = new ManualClock;
    clock->setInterval(100);
    clock->setEnabled(true);
    int calls = 0;
    connect(clock, &CSpanClock::OnTimer, this, [&] {
        ++calls;
        delete clock;
    });
    clock->now = 200;
    clock->tick();
    QCOMPARE(calls, 1);
}

void TestSpanClock::realTimerFires()
{
    CSpanClock clock;
    QSignalSpy fired(&clock, &CSpanClock::OnTimer);
    const quint32 start = CSpanClock::tickCount();
    clock.setInterval(40);
    clock.setEnabled(true);
    QVERIFY(fired.wait(2000));
    QVERIFY(fired[0][0].toInt() >= 40);
    QVERIFY(CSpanClock::tickCount() - start >= 40u);
    QVERIFY(clock.Enabled());
}

QTEST_GUILESS_MAIN(TestSpanClock)
#include "tst_spanclock.moc"
