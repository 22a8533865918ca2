#include "platform/FormTimer.h"

#include <QTimer>

FormTimer::FormTimer(int intervalMs, QObject *parent)
    : QObject(parent), m_timer(new QTimer(this)), m_interval(intervalMs)
{
    connect(m_timer, &QTimer::timeout, this, &FormTimer::timeout);
}

void FormTimer::setEnabled(bool on)
{
    m_enabled = on;
    apply();
}

void FormTimer::setInterval(int ms)
{
    m_interval = ms < 0 ? 0 : ms;
    apply();
}

bool FormTimer::isRunning() const
{
    return m_timer->isActive();
}

void FormTimer::apply()
{
    if (m_enabled && m_interval > 0)
        m_timer->start(m_interval);
    else
        m_timer->stop();
}
