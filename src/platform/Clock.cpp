#include "Clock.h"

#include <QTimeZone>

namespace {
qint64 g_offsetMs = 0;
bool g_frozen = false;
QDateTime g_frozenAt;
} // namespace

QDateTime Clock::now()
{
    if (g_frozen)
        return g_frozenAt;
    return QDateTime::currentDateTime().addMSecs(g_offsetMs);
}

void Clock::set(const QDateTime &t)
{
    if (!t.isValid())
        return;
    if (g_frozen) {
        g_frozenAt = t;
        return;
    }
    // Counted on the wall clock, as every time the program keeps is.
    const QDateTime now = QDateTime::currentDateTime();
    const auto wall = [](const QDateTime &d) { return QDateTime(d.date(), d.time(), QTimeZone::utc()); };
    g_offsetMs = wall(now).msecsTo(wall(t));
}

qint64 Clock::offsetMs() { return g_offsetMs; }
void Clock::setOffsetMs(qint64 ms) { g_offsetMs = ms; }

void Clock::freeze(const QDateTime &t)
{
    g_frozen = true;
    g_frozenAt = t;
}

void Clock::advance(qint64 ms)
{
    if (g_frozen)
        g_frozenAt = g_frozenAt.addMSecs(ms);
    else
        g_offsetMs += ms;
}

void Clock::unfreeze()
{
    g_frozen = false;
    g_offsetMs = 0;
}

bool Clock::isFrozen() { return g_frozen; }
