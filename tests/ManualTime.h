#pragma once

#include "CSpanClock.h"

#include <QPointer>

#include <vector>

// Time that passes only when a test says so, for the clocks it makes. A clock made here reads
// this time instead of the system's; Advance moves it on and lets every running clock check
// whether its period is over, as its own control tick would.
class ManualTime
{
public:
    class Clock : public CSpanClock
    {
    public:
        Clock(const ManualTime &time, QObject *parent) : CSpanClock(parent), m_Time(time) { }
        void Check() { tmrTimer_Timer(); }

    protected:
        quint32 currentTick() const override { return m_Time.m_Now; }

    private:
        const ManualTime &m_Time;
    };

    // A factory for clsItemBank::SetClockFactory.
    auto Factory()
    {
        return [this](QObject *parent) -> CSpanClock * {
            auto *clock = new Clock(*this, parent);
            m_Clocks.emplace_back(clock);
            return clock;
        };
    }

    void Advance(quint32 ms)
    {
        m_Now += ms;
        const auto clocks = m_Clocks;
        for (const auto &clock : clocks)
            if (clock)
                clock->Check();
    }

private:
    quint32 m_Now = 1000;
    std::vector<QPointer<Clock>> m_Clocks;
};
