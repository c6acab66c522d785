// The wall clock every part of the program reads: the current date and time
// for "today", time stamps on stored records and the notepad's stamp.  A test
// (or a tool replaying a run) fixes it to a given instant with SetClock, so
// nothing depends on when it runs; an invalid instant gives the system clock
// back.
#pragma once

#include <QDateTime>

QDateTime Now();

// A run marker for stamping the rows a screen selects: Now(), but always
// later than the last marker handed out in this process (markers are stored
// to the millisecond), so two runs never share one.
QDateTime NewRunMarker();

// Fixes Now() at the given instant (local time); QDateTime() restores the
// system clock.
void SetClock(const QDateTime& at);
// Moves a fixed clock on by ms milliseconds (nothing when it is not fixed).
void AdvanceClock(qint64 ms);

// Fixes the clock for one scope and restores the system clock afterwards.
class FixedClock {
public:
    explicit FixedClock(const QDateTime& at) { SetClock(at); }
    ~FixedClock() { SetClock(QDateTime()); }
    FixedClock(const FixedClock&) = delete;
    FixedClock& operator=(const FixedClock&) = delete;
};
