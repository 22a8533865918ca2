#include "Clock.h"

#include "Values.h"

namespace {
qint64 g_driftMs = 0; // the instant is the system's plus this
QTimeZone g_zone;     // invalid: the machine's own zone
qint64 g_shiftMs = 0; // added to the zone's wall clock
bool g_frozen = false;
qint64 g_frozenMs = 0; // the system instant while frozen

qint64 systemMs()
{
    return g_frozen ? g_frozenMs : QDateTime::currentMSecsSinceEpoch();
}

// The zone's wall clock at an instant, counted as ms on a clock face.
qint64 faceMs(const QTimeZone &zone, qint64 instant)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(instant, QTimeZone::utc());
    const int offsetSecs = zone.isValid() ? zone.offsetFromUtc(at) : at.toLocalTime().offsetFromUtc();
    return instant + static_cast<qint64>(offsetSecs) * 1000;
}

qint64 faceMs(const QDateTime &wall)
{
    return QDateTime(wall.date(), wall.time(), QTimeZone::utc()).toMSecsSinceEpoch();
}

qint64 readingMs()
{
    return faceMs(g_zone, Clock::instantMs()) + g_shiftMs;
}
} // namespace

QDateTime Clock::now()
{
    const QDateTime face = QDateTime::fromMSecsSinceEpoch(readingMs(), QTimeZone::utc());
    return Values::wallClock(face.date(), face.time());
}

qint64 Clock::instantMs()
{
    return systemMs() + g_driftMs;
}

qint64 Clock::systemInstantMs()
{
    return systemMs();
}

void Clock::followZone(const QTimeZone &zone)
{
    const qint64 reading = readingMs();
    g_zone = zone;
    g_shiftMs = reading - faceMs(g_zone, instantMs());
}

void Clock::synchronise(const QTimeZone &zone, qint64 instantMs, qint64 shiftMs)
{
    g_driftMs = instantMs - systemMs();
    g_zone = zone;
    g_shiftMs = shiftMs;
}

qint64 Clock::offsetMs()
{
    // One reading of the system clock for both sides, or a millisecond ticking between two
    // readings shows as a change of the offset.
    const qint64 system = systemMs();
    return faceMs(g_zone, system + g_driftMs) + g_shiftMs - faceMs(QTimeZone(), system);
}

void Clock::freeze(const QDateTime &t)
{
    g_frozen = true;
    g_frozenMs = t.toMSecsSinceEpoch();
    g_driftMs = 0;
    g_shiftMs = faceMs(t) - faceMs(g_zone, g_frozenMs);
}

void Clock::advance(qint64 ms)
{
    if (g_frozen)
        g_frozenMs += ms;
    else
        g_driftMs += ms;
}

void Clock::unfreeze()
{
    g_frozen = false;
    g_driftMs = 0;
    g_shiftMs = 0;
    g_zone = QTimeZone();
}
