#include "platform/Clock.h"

#include "platform/Values.h"

#include <ctime>

namespace {
qint64 g_driftMs = 0; // before a synchronisation: moved by hand (tests) this much
// Before a synchronisation the instant runs on the steady clock from the machine's wall clock
// as it read when the clock was first asked: a later step of the wall clock moves nothing.
bool g_baseSet = false;
qint64 g_baseWallMs = 0;
qint64 g_baseSteadyMs = 0;
bool g_synced = false;
qint64 g_anchorInstantMs = 0; // after one: the instant at the steady reading g_anchorSteadyMs
qint64 g_anchorSteadyMs = 0;
QTimeZone g_zone;     // invalid: the machine's own zone
qint64 g_shiftMs = 0; // added to the zone's wall clock
bool g_frozen = false;
qint64 g_frozenMs = 0;       // the machine's wall-clock instant while frozen
qint64 g_frozenSteadyMs = 0; // the steady clock while frozen
qint64 g_machineStepMs = 0;  // a test's step of the machine's wall clock, unfrozen

qint64 realSteadyMs()
{
    // CLOCK_BOOTTIME counts a suspend too: after a resume the moment is still where it was.
    timespec ts{};
    clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<qint64>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

qint64 systemMs()
{
    return g_frozen ? g_frozenMs : QDateTime::currentMSecsSinceEpoch() + g_machineStepMs;
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

qint64 unsyncedInstantMs()
{
    const qint64 steady = Clock::steadyMs();
    if (!g_baseSet) {
        g_baseSet = true;
        g_baseWallMs = systemMs();
        g_baseSteadyMs = steady;
    }
    return g_baseWallMs + (steady - g_baseSteadyMs) + g_driftMs;
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
    if (g_synced)
        return g_anchorInstantMs + (steadyMs() - g_anchorSteadyMs);
    return unsyncedInstantMs();
}

qint64 Clock::systemInstantMs()
{
    return systemMs();
}

qint64 Clock::steadyMs()
{
    return g_frozen ? g_frozenSteadyMs : realSteadyMs();
}

bool Clock::synchronised()
{
    return g_synced;
}

void Clock::followZone(const QTimeZone &zone)
{
    const qint64 reading = readingMs();
    g_zone = zone;
    g_shiftMs = reading - faceMs(g_zone, instantMs());
}

void Clock::synchronise(const QTimeZone &zone, qint64 instantMs, qint64 shiftMs)
{
    g_synced = true;
    g_anchorInstantMs = instantMs;
    g_anchorSteadyMs = steadyMs();
    g_zone = zone;
    g_shiftMs = shiftMs;
}

qint64 Clock::offsetMs()
{
    // One reading of each clock for both sides, or a millisecond ticking between two readings
    // shows as a change of the offset.
    const qint64 system = systemMs();
    const qint64 instant = g_synced ? g_anchorInstantMs + (steadyMs() - g_anchorSteadyMs) : unsyncedInstantMs();
    return faceMs(g_zone, instant) + g_shiftMs - faceMs(QTimeZone(), system);
}

void Clock::freeze(const QDateTime &t)
{
    g_frozen = true;
    g_frozenMs = t.toMSecsSinceEpoch();
    g_frozenSteadyMs = realSteadyMs();
    g_baseSet = true;
    g_baseWallMs = g_frozenMs;
    g_baseSteadyMs = g_frozenSteadyMs;
    g_synced = false;
    g_driftMs = 0;
    g_machineStepMs = 0;
    g_shiftMs = faceMs(t) - faceMs(g_zone, g_frozenMs);
}

void Clock::advance(qint64 ms)
{
    if (g_frozen) {
        g_frozenMs += ms;
        g_frozenSteadyMs += ms;
    } else if (g_synced) {
        g_anchorInstantMs += ms;
    } else {
        g_driftMs += ms;
    }
}

void Clock::stepMachineClock(qint64 ms)
{
    if (g_frozen)
        g_frozenMs += ms;
    else
        g_machineStepMs += ms;
}

void Clock::unfreeze()
{
    g_frozen = false;
    g_synced = false;
    g_baseSet = false;
    g_driftMs = 0;
    g_machineStepMs = 0;
    g_shiftMs = 0;
    g_zone = QTimeZone();
}
