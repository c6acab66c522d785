// The calendar, date conversions, day stepping and time texts.
//
// Dates are proleptic Gregorian from year 0 (a leap year) and are never
// range-checked: a month of 13 read from stored text stays 13, and each
// function below still gives a defined answer for it.  The day-of-week word is
// bookkeeping only: comparisons ignore it, the steps keep it right when it was
// set, and DateStrToCal leaves it unset (99).
#include "base/Dates.h"

#include "base/Amount.h"
#include "base/Clock.h"

#include <QDate>
#include <QTime>

namespace {

const char* const kMonthNames[12] = {"January", "February", "March",     "April",   "May",      "June",
                                     "July",    "August",   "September", "October", "November", "December"};
const char* const kDayNames[7] = {"Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "SATURDAY", "SUNDAY"};
// By day number mod 7: day 0 of year 0 would have been a Friday.
const char* const kDayAbbrevs[7] = {"Fri", "SAT", "SUN", "Mon", "Tue", "Wed", "Thu"};

// Reads characters [from, from + count) as an unsigned decimal number: ASCII
// digits only.
bool readUnsigned(const QString& text, int from, int count, std::uint16_t& out) {
    unsigned v = 0;
    for (int i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + (c - u'0');
    }
    out = std::uint16_t(v);
    return true;
}

// A stepped date keeps its day of week right when it carried one.
void refreshDayOfWeek(CalDate& d) {
    if (d.dayOfWeek != 99)
        d.dayOfWeek = std::uint16_t(DayOfWeek(d));
}

CalDate nullDate() {
    return CalDate{};
}

} // namespace

bool IsLeapYear(int year) {
    if (year % 100 != 0)
        return year % 4 == 0;
    return year % 400 == 0;
}

int MonthLength(int year, int month) {
    static const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12)
        return 0;
    if (month == 2 && IsLeapYear(year))
        return 29;
    return lengths[month - 1];
}

std::int64_t DayNumber(const CalDate& d) {
    const std::int64_t y = d.year;
    std::int64_t days = 365 * y;
    if (y >= 1) // leap years among 0 .. y - 1, year 0 included
        days += 1 + (y - 1) / 4 - (y - 1) / 100 + (y - 1) / 400;
    // A month past 12 counts the whole year before it.
    for (int m = 1; m < d.month && m <= 12; ++m)
        days += MonthLength(d.year, m);
    return days + d.day;
}

int DayOfWeek(const CalDate& d) {
    return int((DayNumber(d) + 4) % 7) + 1;
}

CalDate WithDayOfWeek(CalDate d) {
    d.dayOfWeek = std::uint16_t(DayOfWeek(d));
    return d;
}

QString MonthName(int month) {
    if (month < 1 || month > 12)
        return {};
    return QString::fromLatin1(kMonthNames[month - 1]);
}

QString DayName(int day) {
    if (day < 1 || day > 7)
        return {};
    return QString::fromLatin1(kDayNames[day - 1]);
}

QString DayShortName(int day) {
    return DayName(day).left(3);
}

QString DayAbbrev(const CalDate& d) {
    return QString::fromLatin1(kDayAbbrevs[DayNumber(d) % 7]);
}

CalDate DateStrToCal(const QString& text) {
    CalDate d = nullDate();
    if (text.size() < 10)
        return d;
    if (text.compare(QLatin1String("yyyy-mm-dd"), Qt::CaseInsensitive) == 0)
        return d;
    CalDate r = nullDate();
    // The separators at positions 5 and 8 are not looked at.
    if (!readUnsigned(text, 0, 4, r.year) || !readUnsigned(text, 5, 2, r.month) || !readUnsigned(text, 8, 2, r.day))
        return d;
    return r;
}

QString CalToDateStr(const CalDate& d) {
    return PadNumber(d.year, 4) + QLatin1Char('-') + PadNumber(d.month, 2) + QLatin1Char('-') + PadNumber(d.day, 2);
}

QString CalToDateStrOrEmpty(const CalDate& d) {
    return IsNullDate(d) ? QString() : CalToDateStr(d);
}

QString CalToDateStrDay(const CalDate& d) {
    return CalToDateStr(d) + QStringLiteral("  ") + DayAbbrev(d);
}

DateInt CalToInt(const CalDate& d) {
    return DateInt(d.day) + DateInt(d.month) * 100 + DateInt(d.year) * 10000;
}

CalDate IntToCal(DateInt v) {
    // Only 0 .. 99999999 are written in eight digits; anything else is no date.
    if (v < 0 || v > kNotClosed)
        return nullDate();
    QString s = PadNumber(v, 8);
    s.insert(6, QLatin1Char('-'));
    s.insert(4, QLatin1Char('-'));
    return DateStrToCal(s);
}

DateInt DateStrToInt(const QString& text) {
    return CalToInt(DateStrToCal(text));
}

QString IntToDateStr(DateInt v) {
    return CalToDateStrOrEmpty(IntToCal(v));
}

bool IsNullDate(const CalDate& d) {
    return CalToInt(d) == 0;
}

CalDate MakeDate(int year, int month, int day) {
    CalDate d;
    d.year = std::uint16_t(year);
    d.month = std::uint16_t(month);
    d.day = std::uint16_t(day);
    return WithDayOfWeek(d);
}

int CompareDates(const CalDate& a, const CalDate& b) {
    if (a.year != b.year)
        return a.year < b.year ? -1 : 1;
    if (a.month != b.month)
        return a.month < b.month ? -1 : 1;
    if (a.day != b.day)
        return a.day < b.day ? -1 : 1;
    return 0;
}

bool DateEqual(const CalDate& a, const CalDate& b) {
    return CompareDates(a, b) == 0;
}
bool DateBefore(const CalDate& a, const CalDate& b) {
    return CompareDates(a, b) < 0;
}
bool DateAfter(const CalDate& a, const CalDate& b) {
    return CompareDates(a, b) > 0;
}
bool DateOnOrBefore(const CalDate& a, const CalDate& b) {
    return CompareDates(a, b) <= 0;
}
bool DateBetween(const CalDate& d, const CalDate& from, const CalDate& to) {
    return !DateBefore(d, from) && !DateAfter(d, to);
}

CalDate TimeStampToCal(const QDateTime& ts) {
    if (!ts.isValid())
        return nullDate();
    const QDate date = ts.date();
    return MakeDate(date.year(), date.month(), date.day());
}

CalDate Today() {
    const QDate date = Now().date();
    return MakeDate(date.year(), date.month(), date.day());
}

void NextDay(CalDate& d) {
    ++d.day;
    if (d.day > MonthLength(d.year, d.month)) {
        d.day = 1;
        NextMonth(d);
    }
    refreshDayOfWeek(d);
}

void PrevDay(CalDate& d) {
    // The day word is unsigned: step back from 1 (or an unset 0) by hand.
    if (d.day <= 1) {
        PrevMonth(d);
        d.day = std::uint16_t(MonthLength(d.year, d.month));
    } else {
        --d.day;
    }
    refreshDayOfWeek(d);
}

void NextMonth(CalDate& d) {
    ++d.month;
    if (d.month > 12) {
        d.month = 1;
        NextYear(d);
    }
    refreshDayOfWeek(d);
}

void PrevMonth(CalDate& d) {
    if (d.month <= 1) {
        d.month = 12;
        PrevYear(d);
    } else {
        --d.month;
    }
    refreshDayOfWeek(d);
}

void NextYear(CalDate& d) {
    d.year = d.year >= 9999 ? 0 : std::uint16_t(d.year + 1);
    refreshDayOfWeek(d);
}

void PrevYear(CalDate& d) {
    d.year = d.year == 0 ? 9999 : std::uint16_t(d.year - 1);
    refreshDayOfWeek(d);
}

void NextWeek(CalDate& d) {
    for (int i = 0; i < 7; ++i)
        NextDay(d);
}

void PrevDays(CalDate& d, int n) {
    // The calendar turns round in 10000 years (9999 steps on to 0): 3,652,425
    // days, a whole number of weeks, after which a valid date is itself again.
    // So a count past one turn (a day count read from the settings file can be
    // two thousand million) is stepped as its remainder once the date is valid.
    constexpr int kCalendarTurn = 3652425;
    for (; n > 0; --n) {
        if (n >= kCalendarTurn && d.year <= 9999 && d.day >= 1 && d.day <= MonthLength(d.year, d.month)) {
            n %= kCalendarTurn;
            if (n == 0)
                break;
        }
        PrevDay(d);
    }
}

void AddPeriods(CalDate& d, std::uint16_t count, QChar unit) {
    void (*step)(CalDate&) = nullptr;
    switch (unit.unicode()) {
    case u'D':
        step = NextDay;
        break;
    case u'W':
        step = NextWeek;
        break;
    case u'M':
        step = NextMonth;
        break;
    case u'Y':
        step = NextYear;
        break;
    default:
        return;
    }
    for (unsigned i = 0; i < count; ++i)
        step(d);
}

void NormaliseDay(CalDate& d) {
    // A month outside 1..12 has no length to carry over.
    for (int len = MonthLength(d.year, d.month); len > 0 && d.day > len; len = MonthLength(d.year, d.month)) {
        d.day = std::uint16_t(d.day - len);
        NextMonth(d);
    }
    refreshDayOfWeek(d);
}

void StepDateText(QString& text, QChar direction) {
    CalDate d = DateStrToCal(text);
    if (IsNullDate(d))
        return; // nothing to step from
    if (direction == QLatin1Char('+'))
        NextDay(d);
    else if (direction == QLatin1Char('-'))
        PrevDay(d);
    else
        return;
    text = CalToDateStrDay(d);
}

TimeHMS RoundedTime(const QTime& t) {
    TimeHMS r;
    r.hour = std::uint16_t(t.hour());
    r.minute = std::uint16_t(t.minute());
    r.second = std::uint16_t(t.second() + (t.msec() >= 500 ? 1 : 0));
    return r;
}

TimeHMS TimeNow() {
    return RoundedTime(Now().time());
}

QString FormatHM(const TimeHMS& t) {
    return PadNumber(t.hour, 2) + QLatin1Char(':') + PadNumber(t.minute, 2);
}

QString FormatHMS(const TimeHMS& t) {
    return FormatHM(t) + QLatin1Char(':') + PadNumber(t.second, 2);
}

QString FormatDateTime(const QDateTime& ts) {
    TimeHMS t;
    if (ts.isValid()) {
        const QTime time = ts.time();
        t.hour = std::uint16_t(time.hour());
        t.minute = std::uint16_t(time.minute());
        t.second = std::uint16_t(time.second());
    }
    return CalToDateStr(TimeStampToCal(ts)) + QLatin1Char(' ') + FormatHMS(t);
}

bool IsCalendarDate(const CalDate& d) {
    return d.year >= 1 && d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 &&
           d.day <= MonthLength(d.year, d.month);
}
