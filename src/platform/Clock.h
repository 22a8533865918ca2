#pragma once

#include <QDateTime>
#include <QTimeZone>

// The program's own clock; the operating system's clock is never touched. Its reading is the
// wall clock of one time zone (the machine's until told otherwise) at the present instant,
// moved by a fixed shift: so it jumps when that zone changes to or from summer time, and at no
// other moment. A time synchronisation corrects the instant and sets the zone and the shift.
//
// The instant runs on a steady clock: from the machine's wall clock as it read when the clock was
// first asked, and from each synchronisation on, from what the site's clock said. So a step of
// the machine's wall clock (NTP, a resume, a hand correction) moves no wait and no snipe moment.
// Tests can freeze it and move it by hand.
class Clock
{
public:
    // The wall-clock reading.
    static QDateTime now();
    // The present instant as this clock knows it (ms since the epoch); it never jumps with a zone.
    static qint64 instantMs();
    // The machine's own wall-clock instant, as no synchronisation has moved it (frozen with the clock).
    static qint64 systemInstantMs();
    // A steady count of ms (it also runs while the machine sleeps); only differences mean anything.
    static qint64 steadyMs();
    // True once a synchronisation has set the clock in this run.
    static bool synchronised();

    // Follows the changes of this zone from now on; the present reading stays as it is.
    static void followZone(const QTimeZone &zone);
    // The instant is now instantMs, and the reading is the zone's wall clock moved by shiftMs.
    static void synchronise(const QTimeZone &zone, qint64 instantMs, qint64 shiftMs);
    // How far the reading runs ahead of the machine's own wall clock, in ms.
    static qint64 offsetMs();

    // Test control: a frozen clock holds its instant until advanced, and reads t when frozen.
    static void freeze(const QDateTime &t);
    static void advance(qint64 ms);
    // Steps the machine's wall clock alone, as NTP or a resume does; the steady clock runs on.
    static void stepMachineClock(qint64 ms);
    // Back to the machine's clock, unfrozen, following the machine's zone, not synchronised.
    static void unfreeze();
};
