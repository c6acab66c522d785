// Dates and times in their three forms, and the calendar rules.
//
// DateInt is yyyymmdd as an integer (0 = no date; 99999999 as a close date =
// not closed).  DateStr is the 10 characters "yyyy-mm-dd" (empty = no date),
// the form in which transaction and posting dates are stored.  CalDate is the
// in-memory date that records hold.  No function here range-checks a date: a
// month of 13 read from text is kept, as stored data may hold one.
#pragma once

#include <QDateTime>
#include <QString>
#include <cstdint>

using DateInt = std::int32_t;
using DateStr = QString;

constexpr DateInt kNotClosed = 99999999;

struct CalDate {
    std::uint16_t year = 0;
    std::uint16_t month = 0;
    std::uint16_t day = 0;
    std::uint16_t dayOfWeek = 99; // 1 = Monday .. 7 = Sunday; 99 = not set
};

// A CalDate followed by the time of day.
struct DateTimeRec {
    CalDate date;
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
};

struct TimeHMS {
    std::uint16_t hour = 0;
    std::uint16_t minute = 0;
    std::uint16_t second = 0;
};

// Calendar rules.
bool IsLeapYear(int year);
int MonthLength(int year, int month); // 0 for a month outside 1..12
// Days from year 0 to the date, counting the date's own day.
std::int64_t DayNumber(const CalDate& d);
// 1 = Monday .. 7 = Sunday, from the day number.
int DayOfWeek(const CalDate& d);
// The date with its day-of-week word filled in.
CalDate WithDayOfWeek(CalDate d);

// Names; an index out of range gives the empty text.
QString MonthName(int month);        // "January".."December"
QString DayName(int day);            // "Monday".."Friday", "SATURDAY", "SUNDAY"
QString DayShortName(int day);       // first three characters of DayName
QString DayAbbrev(const CalDate& d); // by day number mod 7: "Fri","SAT","SUN","Mon",...

// Conversions.
// Reads the first 10 characters as yyyy?mm?dd (ASCII digits; the separators
// are not checked; no range check).  Shorter text, "yyyy-mm-dd" in any case,
// or a non-digit gives the null date.  The day of week is left unset (99).
CalDate DateStrToCal(const QString& text);
QString CalToDateStr(const CalDate& d); // null date gives "0000-00-00"
QString CalToDateStrOrEmpty(const CalDate& d);
QString CalToDateStrDay(const CalDate& d); // "2011-08-01  Mon"
DateInt CalToInt(const CalDate& d);
CalDate IntToCal(DateInt v); // 99999999 reads 9999-99-99; below 0 or above it: null
DateInt DateStrToInt(const QString& text);
QString IntToDateStr(DateInt v); // 0 gives the empty text (no date)
bool IsNullDate(const CalDate& d);
// A day that exists: year 1..9999, month 1..12, day within the month.
bool IsCalendarDate(const CalDate& d);
CalDate MakeDate(int year, int month, int day); // with its day of week

// Comparisons ignore the day-of-week word.
int CompareDates(const CalDate& a, const CalDate& b);
bool DateEqual(const CalDate& a, const CalDate& b);
bool DateBefore(const CalDate& a, const CalDate& b);
bool DateAfter(const CalDate& a, const CalDate& b);
bool DateOnOrBefore(const CalDate& a, const CalDate& b);
bool DateBetween(const CalDate& d, const CalDate& from, const CalDate& to);

// A zero (null) timestamp gives the null date with day-of-week 99.
CalDate TimeStampToCal(const QDateTime& ts);
// The system date; the program's own "today" is taken once at start (see
// ProgramToday in the settings).
CalDate Today();

// Steps; see the calendar rules for their edges.  NextMonth keeps the day even
// when the new month is shorter; NormaliseDay mends it where needed.  The
// steps keep the day-of-week word right when it was set (not 99).
void NextDay(CalDate& d);
void PrevDay(CalDate& d);
void NextMonth(CalDate& d);
void PrevMonth(CalDate& d);
void NextYear(CalDate& d); // 9999 becomes 0
void PrevYear(CalDate& d); // 0 becomes 9999
void NextWeek(CalDate& d);
void PrevDays(CalDate& d, int n);
// count steps of unit "D", "W", "M" or "Y"; any other unit leaves the date.
void AddPeriods(CalDate& d, std::uint16_t count, QChar unit);
// A day past its month's length carries into the next month.
void NormaliseDay(CalDate& d);
// Reads a DateStr, moves it one day on ('+') or back ('-') and writes it back
// as CalToDateStrDay.  A text that holds no date, or another direction, is
// left as it is.
void StepDateText(QString& text, QChar direction);

// Times.
TimeHMS TimeNow(); // 500 ms or more round the second up (it can read 60)
// The time of day with that rounding: 23:59:59.500 gives 23:59:60.
TimeHMS RoundedTime(const QTime& t);
QString FormatHM(const TimeHMS& t);
QString FormatHMS(const TimeHMS& t);
QString FormatDateTime(const QDateTime& ts); // "2011-08-01 14:05:09"
