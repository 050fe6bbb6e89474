#pragma once

#include "SpanClockExport.h"

#include <QObject>

#include <cstdint>

class QTimer;

// A timer whose interval may be far longer than a plain control timer allows. It raises
// OnTimer once Interval milliseconds have passed on the 32-bit millisecond counter, then starts
// the next period from the tick that fired.
//
// For intervals above 32765 ms the control ticks every Interval / n / 4 ms (n = Interval /
// 65530, both rounded half to even), so an event comes at most one control tick late.
//
// Runs on the event loop of the thread that created it; no thread of its own.
class SPANCLOCK_EXPORT CSpanClock : public QObject
{
    Q_OBJECT

public:
    explicit CSpanClock(QObject *parent = nullptr);
    ~CSpanClock() override;

    qint32 Interval() const { return m_Interval; }
    // Stores the absolute value; restarts the period when running. Does not start a stopped
    // clock.
    void setInterval(qint32 value);

    // Reconciles with the control first: a clock whose control is stopped or has interval 0
    // reads as not enabled.
    bool Enabled();
    // true starts a new period, even when already running.
    void setEnabled(bool value);

    // The control tick for an interval, as the clock programs it. Exposed for checking.
    static qint32 controlTickFor(qint32 interval);

    // The millisecond counter: a monotonic clock truncated to 32 bits. It wraps after 2^32 ms;
    // all differences are taken by unsigned subtraction.
    static quint32 tickCount();

signals:
    // Elapsed: milliseconds since the period began, at least Interval.
    void OnTimer(qint32 Elapsed);

protected:
    // The counter this clock reads; tests replace it.
    virtual quint32 currentTick() const { return tickCount(); }
    // One tick of the control timer.
    void tmrTimer_Timer();

private:
    void applyControl();

    QTimer *m_Control;
    qint32 m_ControlTick = 0;
    bool m_ControlEnabled = false;

    qint32 m_Interval = 0;
    bool m_Enabled = false;
    quint32 m_StartTick = 0;
    quint32 m_NowTick = 0;
};
