// Faults found by fuzzing, kept as tests.
//
// PrevDays stepped one day at a time, so a day count read from a file (the
// settings' DormantAfter) of two thousand million held the program for
// minutes.  It now steps only the remainder after whole turns of the
// calendar, which leaves the result as it was.
#include "base/Dates.h"

#include <climits>
#include <gtest/gtest.h>

namespace {

constexpr int kTurn = 3652425; // days from 0000-01-01 to 9999-12-31, inclusive

bool same(const CalDate& a, const CalDate& b) {
    return DateEqual(a, b) && a.dayOfWeek == b.dayOfWeek;
}

TEST(FuzzFindings, OneTurnOfTheCalendarBringsAValidDateBack) {
    // Day by day, without PrevDays: the constant is right.
    CalDate d = MakeDate(2024, 2, 29);
    for (int i = 0; i < kTurn; ++i)
        PrevDay(d);
    EXPECT_TRUE(same(d, MakeDate(2024, 2, 29)));
    CalDate e = MakeDate(2024, 2, 29);
    for (int i = 0; i < kTurn - 1; ++i)
        PrevDay(e);
    EXPECT_TRUE(same(e, MakeDate(2024, 3, 1)));
}

TEST(FuzzFindings, PrevDaysOfAHugeCountEndsWithTheSteppedDate) {
    for (const CalDate start : {MakeDate(2024, 6, 15), MakeDate(0, 1, 1), MakeDate(9999, 12, 31)}) {
        CalDate big = start;
        PrevDays(big, INT_MAX);
        CalDate small = start;
        for (int i = 0; i < INT_MAX % kTurn; ++i)
            PrevDay(small);
        EXPECT_TRUE(same(big, small)) << CalToDateStr(start).toStdString() << " " << CalToDateStr(big).toStdString();
    }
    // Exactly whole turns leave the date alone, day of week unset included.
    CalDate d = DateStrToCal(QStringLiteral("2011-08-01"));
    PrevDays(d, 2 * kTurn);
    EXPECT_TRUE(same(d, DateStrToCal(QStringLiteral("2011-08-01"))));
    // Short counts are stepped as before.
    CalDate w = MakeDate(2024, 1, 3);
    PrevDays(w, 7);
    EXPECT_TRUE(same(w, MakeDate(2023, 12, 27)));
    PrevDays(w, -5);
    EXPECT_TRUE(same(w, MakeDate(2023, 12, 27)));
}

TEST(FuzzFindings, PrevDaysOfAHugeCountFromAnInvalidDateEnds) {
    // Stored data may hold month 13 or day 99: stepping reaches a valid date
    // first and then takes the short way.
    CalDate d = IntToCal(20241399);
    PrevDays(d, INT_MAX);
    EXPECT_GE(d.month, 1);
    EXPECT_LE(d.month, 12);
    EXPECT_LE(int(d.day), MonthLength(d.year, d.month));
    CalDate far;
    far.year = 65535;
    far.month = 65535;
    far.day = 65535;
    PrevDays(far, INT_MAX);
    EXPECT_LE(far.year, 9999);
}

} // namespace
