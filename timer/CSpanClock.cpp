#include "CSpanClock.h"

#include <QPointer>
#include <QTimer>

#include <chrono>
#include <cmath>
#include <limits>

namespace {

// Round to nearest, halves to the even neighbour.
qint64 roundHalfEven(double value)
{
    return static_cast<qint64>(std::nearbyint(value)); // default FP mode rounds half to even
}

} // namespace

CSpanClock::CSpanClock(QObject *parent) : QObject(parent), m_Control(new QTimer(this))
{
    m_Control->setTimerType(Qt::PreciseTimer);
    connect(m_Control, &QTimer::timeout, this, &CSpanClock::tmrTimer_Timer);
}

CSpanClock::~CSpanClock() = default;

quint32 CSpanClock::tickCount()
{
    using namespace std::chrono;
    const auto ms = duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
    return static_cast<quint32>(static_cast<quint64>(ms));
}

qint32 CSpanClock::controlTickFor(qint32 interval)
{
    const qint64 n = roundHalfEven(interval / 65530.0);
    if (n == 0)
        return interval;
    return static_cast<qint32>(roundHalfEven(static_cast<double>(interval) / n / 4.0));
}

void CSpanClock::setInterval(qint32 value)
{
    // |INT_MIN| does not fit: keep the largest interval instead.
    m_Interval = value == std::numeric_limits<qint32>::min() ? std::numeric_limits<qint32>::max()
                                                             : std::abs(value);
    if (m_Enabled)
        m_StartTick = currentTick();
    m_ControlTick = controlTickFor(m_Interval);
    m_ControlEnabled = m_Enabled;
    applyControl();
}

bool CSpanClock::Enabled()
{
    if (!m_ControlEnabled || m_ControlTick == 0)
        m_Enabled = false;
    return m_Enabled;
}

void CSpanClock::setEnabled(bool value)
{
    m_Enabled = value;
    if (value)
        m_StartTick = currentTick();
    m_ControlEnabled = m_Enabled;
    applyControl();
}

void CSpanClock::applyControl()
{
    // Like a control timer: a new interval or a new enable restarts its count.
    if (m_ControlEnabled && m_ControlTick > 0)
        m_Control->start(m_ControlTick);
    else
        m_Control->stop();
}

void CSpanClock::tmrTimer_Timer()
{
    if (!m_Enabled || m_Interval == 0)
        return;
    m_NowTick = currentTick();
    const quint32 now = m_NowTick;
    const quint32 elapsed = now - m_StartTick; // unsigned: right across wrap and sign change
    if (elapsed < static_cast<quint32>(m_Interval))
        return;
    QPointer<CSpanClock> self(this);
    emit OnTimer(static_cast<qint32>(qMin<quint32>(elapsed, std::numeric_limits<qint32>::max())));
    if (!self)
        return; // a handler released the clock
    // The next period counts from the tick that fired, whatever the handlers changed.
    m_StartTick = now;
}
