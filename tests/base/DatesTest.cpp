// The calendar, the date forms, day stepping and the time texts.  Qt's own
// calendar serves as the independent reference for day counts and weekdays.
#include "base/Dates.h"
#include "base/Clock.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

std::string str(const CalDate& d) {
    return CalToDateStr(d).toStdString();
}

CalDate fromText(const char* text) {
    return DateStrToCal(QString::fromLatin1(text));
}

// Leap years and month lengths are checked against Qt by the walks below;
// here only the months that do not exist.
TEST(Calendar, MonthLengthOfNoMonthIsZero) {
    EXPECT_EQ(MonthLength(2011, 0), 0);
    EXPECT_EQ(MonthLength(2011, 13), 0);
}

TEST(Calendar, DayNumbersAndWeekdaysAgreeWithQtAcrossCenturies) {
    const QDate start(1899, 12, 25);
    const CalDate first = MakeDate(1899, 12, 25);
    for (int i = 0; i < 365 * 202 + 50; i += 13) {
        const QDate q = start.addDays(i);
        const CalDate d = MakeDate(q.year(), q.month(), q.day());
        ASSERT_EQ(DayNumber(d) - DayNumber(first), i) << q.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(DayOfWeek(d), q.dayOfWeek()) << q.toString(Qt::ISODate).toStdString();
        ASSERT_EQ(d.dayOfWeek, q.dayOfWeek());
    }
    EXPECT_EQ(DayNumber(CalDate{0, 1, 1, 99}), 1);
    EXPECT_EQ(DayNumber(CalDate{1, 1, 1, 99}), 367); // year 0 has 366 days
}

TEST(Calendar, NamesAndDayAbbreviations) {
    // Out-of-range numbers give no name rather than reading past the table.
    EXPECT_EQ(MonthName(0), QString());
    EXPECT_EQ(MonthName(13), QString());
    EXPECT_EQ(DayName(8), QString());
    EXPECT_EQ(DayShortName(0), QString());
    const struct {
        const char* date;
        const char* abbrev;
    } cases[] = {{"2011-08-01", "Mon"}, {"2000-01-01", "SAT"}, {"2000-01-02", "SUN"},
                 {"2011-08-05", "Fri"}, {"2011-08-04", "Thu"}, {"2012-02-29", "Wed"}};
    for (const auto& c : cases)
        EXPECT_EQ(DayAbbrev(fromText(c.date)).toStdString(), c.abbrev) << c.date;
    EXPECT_EQ(CalToDateStrDay(fromText("2011-08-01")), QStringLiteral("2011-08-01  Mon"));
}

TEST(DateStrToCal, ReadsOnlyTheFirstTenCharactersWithoutRangeChecks) {
    const struct {
        const char* text;
        int year, month, day;
    } cases[] = {
        {"2011-08-01", 2011, 8, 1},      {"2011-08-01x", 2011, 8, 1},
        {"2011-08-01  Mon", 2011, 8, 1}, {"2011/08/01", 2011, 8, 1}, // separators are not looked at
        {"2011-13-45", 2011, 13, 45},
    };
    for (const auto& c : cases) {
        const CalDate d = fromText(c.text);
        EXPECT_EQ(d.year, c.year) << c.text;
        EXPECT_EQ(d.month, c.month) << c.text;
        EXPECT_EQ(d.day, c.day) << c.text;
        EXPECT_EQ(d.dayOfWeek, 99) << c.text;
    }
    // These read as no date: year, month and day all 0.
    for (const char* text : {"0000-00-00", "", "2011", "2011-08-0", "yyyy-mm-dd", "YYYY-MM-DD", "20x1-08-01",
                             "2011-+8-01", "2011- 8-01", "2011-08-0a"}) {
        const CalDate d = fromText(text);
        EXPECT_TRUE(d.year == 0 && d.month == 0 && d.day == 0 && d.dayOfWeek == 99) << text;
    }
}

TEST(DateForms, ConversionsBetweenTextIntegerAndCalendar) {
    const CalDate d = fromText("2011-08-01");
    EXPECT_EQ(CalToInt(d), 20110801);
    EXPECT_EQ(str(IntToCal(20110801)), "2011-08-01");
    EXPECT_EQ(DateStrToInt(QStringLiteral("2011-08-01")), 20110801);
    EXPECT_EQ(DateStrToInt(QStringLiteral("not a date")), 0);
    EXPECT_EQ(IntToDateStr(20110801), QStringLiteral("2011-08-01"));
    EXPECT_EQ(IntToDateStr(0), QString());
    EXPECT_EQ(str(IntToCal(10101)), "0001-01-01");

    const CalDate open = IntToCal(kNotClosed);
    EXPECT_EQ(open.year, 9999);
    EXPECT_EQ(open.month, 99);
    EXPECT_EQ(open.day, 99);
    EXPECT_EQ(CalToInt(open), kNotClosed);

    for (DateInt bad : {0, -1, -20110801, 100000000, INT32_MAX, INT32_MIN})
        EXPECT_TRUE(IsNullDate(IntToCal(bad))) << bad;

    const CalDate null;
    EXPECT_TRUE(IsNullDate(null));
    EXPECT_EQ(CalToDateStr(null), QStringLiteral("0000-00-00"));
    EXPECT_EQ(CalToDateStrOrEmpty(null), QString());
    EXPECT_EQ(CalToDateStrOrEmpty(d), QStringLiteral("2011-08-01"));
    EXPECT_FALSE(IsNullDate(CalDate{0, 0, 1, 99}));
}

TEST(DateForms, ComparisonsIgnoreTheDayOfWeek) {
    const CalDate a{2011, 8, 1, 99}, sameWithWeekday{2011, 8, 1, 1}, later{2011, 8, 2, 99}, nextMonth{2011, 9, 1, 3},
        nextYear{2012, 1, 1, 7};
    EXPECT_EQ(CompareDates(a, sameWithWeekday), 0);
    EXPECT_TRUE(DateEqual(a, sameWithWeekday));
    EXPECT_EQ(CompareDates(a, later), -1);
    EXPECT_EQ(CompareDates(later, a), 1);
    EXPECT_EQ(CompareDates(CalDate{2011, 8, 31, 99}, nextMonth), -1);
    EXPECT_EQ(CompareDates(CalDate{2011, 12, 31, 99}, nextYear), -1);
    EXPECT_TRUE(DateBefore(a, later));
    EXPECT_FALSE(DateBefore(a, sameWithWeekday));
    EXPECT_TRUE(DateAfter(later, a));
    EXPECT_TRUE(DateOnOrBefore(a, sameWithWeekday));
    EXPECT_TRUE(DateOnOrBefore(a, later));
    EXPECT_FALSE(DateOnOrBefore(later, a));
    EXPECT_TRUE(DateBetween(a, sameWithWeekday, later));
    EXPECT_TRUE(DateBetween(later, a, later));
    EXPECT_FALSE(DateBetween(nextMonth, a, later));
    EXPECT_FALSE(DateBetween(a, later, nextMonth));
}

TEST(DayStepping, NextAndPrevDayWalkTheCalendarLikeQt) {
    CalDate fwd = MakeDate(1999, 12, 25);
    QDate q(1999, 12, 25);
    for (int i = 0; i < 800; ++i) {
        NextDay(fwd);
        q = q.addDays(1);
        ASSERT_EQ(str(fwd), q.toString(Qt::ISODate).toStdString());
        ASSERT_EQ(fwd.dayOfWeek, q.dayOfWeek());
    }
    CalDate back = fwd;
    for (int i = 0; i < 800; ++i) {
        PrevDay(back);
        q = q.addDays(-1);
        ASSERT_EQ(str(back), q.toString(Qt::ISODate).toStdString());
        ASSERT_EQ(back.dayOfWeek, q.dayOfWeek());
    }
}

TEST(DayStepping, Edges) {
    CalDate d = fromText("2011-12-31");
    NextDay(d);
    EXPECT_EQ(str(d), "2012-01-01");
    EXPECT_EQ(d.dayOfWeek, 99); // an unset weekday stays unset

    d = fromText("2011-01-31");
    NextMonth(d);
    EXPECT_EQ(str(d), "2011-02-31");
    NormaliseDay(d);
    EXPECT_EQ(str(d), "2011-03-03");
    d = fromText("2011-12-15");
    NextMonth(d);
    EXPECT_EQ(str(d), "2012-01-15");
    d = fromText("2011-01-15");
    PrevMonth(d);
    EXPECT_EQ(str(d), "2010-12-15");

    d = fromText("9999-06-01");
    NextYear(d);
    EXPECT_EQ(str(d), "0000-06-01");
    PrevYear(d);
    EXPECT_EQ(str(d), "9999-06-01");
    d = fromText("9999-12-31");
    NextDay(d);
    EXPECT_EQ(str(d), "0000-01-01");
    PrevDay(d);
    EXPECT_EQ(str(d), "9999-12-31");

    d = fromText("2011-12-28");
    NextWeek(d);
    EXPECT_EQ(str(d), "2012-01-04");
    PrevDays(d, 35);
    EXPECT_EQ(str(d), "2011-11-30");
    PrevDays(d, 0);
    EXPECT_EQ(str(d), "2011-11-30");
}

TEST(DayStepping, NormaliseDayCarriesOnlyWhatIsPastTheMonth) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"2011-02-31", "2011-03-03"}, {"2012-02-31", "2012-03-02"}, {"2012-02-29", "2012-02-29"},
        {"2011-04-31", "2011-05-01"}, {"2011-12-32", "2012-01-01"}, {"2011-02-99", "2011-05-10"},
        {"2011-13-40", "2011-13-40"}, // no month length to carry over
    };
    for (const auto& c : cases) {
        CalDate d = fromText(c.in);
        NormaliseDay(d);
        EXPECT_EQ(str(d), c.out) << c.in;
    }
}

TEST(DayStepping, AddPeriodsAcrossMonthEndsAndLeapDays) {
    const struct {
        const char* from;
        int count;
        char unit;
        const char* to;
    } cases[] = {
        {"2012-02-27", 3, 'D', "2012-03-01"},   {"2011-02-27", 3, 'D', "2011-03-02"},
        {"2011-12-25", 2, 'W', "2012-01-08"},   {"2011-01-31", 1, 'M', "2011-02-31"},
        {"2011-11-30", 3, 'M', "2012-02-30"},   {"2012-02-29", 1, 'Y', "2013-02-29"},
        {"2012-02-29", 4, 'Y', "2016-02-29"},   {"2011-08-01", 0, 'D', "2011-08-01"},
        {"2011-08-01", 5, 'X', "2011-08-01"},   {"2011-08-01", 5, 'd', "2011-08-01"},
        {"2011-08-01", 365, 'D', "2012-07-31"},
    };
    for (const auto& c : cases) {
        CalDate d = fromText(c.from);
        AddPeriods(d, std::uint16_t(c.count), QLatin1Char(c.unit));
        EXPECT_EQ(str(d), c.to) << c.from << " + " << c.count << c.unit;
    }
    // The whole 16-bit count is honoured.
    CalDate d = fromText("2000-01-01");
    AddPeriods(d, 65535, QLatin1Char('D'));
    EXPECT_EQ(str(d), QDate(2000, 1, 1).addDays(65535).toString(Qt::ISODate).toStdString());
}

TEST(StepDateText, MovesTheTextOneDayAndShowsTheWeekday) {
    QString text = QStringLiteral("2011-12-31");
    StepDateText(text, QLatin1Char('+'));
    EXPECT_EQ(text, QStringLiteral("2012-01-01  SUN"));
    StepDateText(text, QLatin1Char('-'));
    EXPECT_EQ(text, QStringLiteral("2011-12-31  SAT"));
    StepDateText(text, QLatin1Char('-'));
    EXPECT_EQ(text, QStringLiteral("2011-12-30  Fri"));

    for (const char* noDate : {"", "yyyy-mm-dd", "2011"}) {
        QString t = QString::fromLatin1(noDate);
        StepDateText(t, QLatin1Char('+'));
        EXPECT_EQ(t, QString::fromLatin1(noDate));
    }
    text = QStringLiteral("2011-08-01");
    StepDateText(text, QLatin1Char('x'));
    EXPECT_EQ(text, QStringLiteral("2011-08-01"));
}

TEST(Times, TextsAndTimeStamps) {
    EXPECT_EQ(FormatHM(TimeHMS{9, 5, 7}), QStringLiteral("09:05"));
    EXPECT_EQ(FormatHMS(TimeHMS{9, 5, 7}), QStringLiteral("09:05:07"));
    EXPECT_EQ(FormatHMS(TimeHMS{23, 59, 60}), QStringLiteral("23:59:60"));

    const QDateTime ts(QDate(2011, 8, 1), QTime(14, 5, 9, 999));
    EXPECT_EQ(FormatDateTime(ts), QStringLiteral("2011-08-01 14:05:09"));
    const CalDate d = TimeStampToCal(ts);
    EXPECT_EQ(str(d), "2011-08-01");
    EXPECT_EQ(d.dayOfWeek, 1);

    const CalDate none = TimeStampToCal(QDateTime());
    EXPECT_TRUE(IsNullDate(none));
    EXPECT_EQ(none.dayOfWeek, 99);
}

TEST(Times, HalfASecondOrMoreRoundsTheSecondUp) {
    EXPECT_EQ(FormatHMS(RoundedTime(QTime(14, 5, 9, 499))), QStringLiteral("14:05:09"));
    EXPECT_EQ(FormatHMS(RoundedTime(QTime(14, 5, 9, 500))), QStringLiteral("14:05:10"));
    EXPECT_EQ(FormatHMS(RoundedTime(QTime(14, 5, 59, 999))), QStringLiteral("14:05:60"));
    EXPECT_EQ(FormatHMS(RoundedTime(QTime(23, 59, 59, 500))), QStringLiteral("23:59:60"));
}

TEST(Times, NowAndTodayComeFromTheClock) {
    // A leap day, half a second before midnight: the date is still that day,
    // the seconds round up as everywhere else.
    FixedClock clock(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 500)));
    const CalDate today = Today();
    EXPECT_EQ(CalToDateStr(today), QStringLiteral("2024-02-29"));
    EXPECT_EQ(today.dayOfWeek, 4);
    EXPECT_EQ(FormatHMS(TimeNow()), QStringLiteral("23:59:60"));
    AdvanceClock(500);
    EXPECT_EQ(CalToDateStr(Today()), QStringLiteral("2024-03-01"));
}

} // namespace
