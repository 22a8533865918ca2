#pragma once

#include <QDateTime>

// The program's own clock. A time synchronisation moves it (an offset from the system clock);
// the operating system's clock is never touched. Tests can freeze it and move it by hand.
class Clock
{
public:
    static QDateTime now();
    // Makes now() read t from this moment on.
    static void set(const QDateTime &t);
    // Milliseconds the program clock runs ahead of the system clock.
    static qint64 offsetMs();
    static void setOffsetMs(qint64 ms);

    // Test control: a frozen clock reads the same instant until advanced or set.
    static void freeze(const QDateTime &t);
    static void advance(qint64 ms);
    static void unfreeze();
    static bool isFrozen();
};
