// Dates: DateStrToCal and StepDateText on any text, and every date step on any
// CalDate (the words taken straight from the input, so months of 0 or 65535
// and days far past their month reach every function).  On valid dates NextDay
// and PrevDay undo each other and keep the day of week right; the integer and
// text forms convert back and forth without loss.
#include "FuzzSupport.h"
#include "base/Dates.h"

#include <cstdint>
#include <cstring>

namespace {

QString show(const CalDate& d) {
    return QStringLiteral("%1-%2-%3 dow %4").arg(d.year).arg(d.month).arg(d.day).arg(d.dayOfWeek);
}

bool same(const CalDate& a, const CalDate& b) {
    return a.year == b.year && a.month == b.month && a.day == b.day && a.dayOfWeek == b.dayOfWeek;
}

bool isValid(const CalDate& d) {
    return d.year <= 9999 && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= MonthLength(d.year, d.month);
}

// Every step and text function on any date: none may crash or read out of range.
void everyStep(CalDate d, std::uint8_t count, std::uint8_t unit) {
    (void)CalToDateStr(d);
    (void)CalToDateStrDay(d);
    (void)CalToDateStrOrEmpty(d);
    (void)DayAbbrev(d);
    (void)MonthName(d.month);
    (void)DayName(d.day);
    (void)DayShortName(d.dayOfWeek);
    const int dow = DayOfWeek(d);
    FUZZ_CHECK(dow >= 1 && dow <= 7, show(d));
    CalDate s = d;
    NextDay(s);
    PrevDay(s);
    NextMonth(s);
    PrevMonth(s);
    NextYear(s);
    PrevYear(s);
    NextWeek(s);
    PrevDays(s, count);
    NormaliseDay(s);
    CalDate p = d;
    AddPeriods(p, count, QChar(char16_t(unit)));
    AddPeriods(p, count, QChar(u"DWMY"[unit % 4]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // Texts: UTF-8 and raw UTF-16.
    const QString texts[2] = {
        QString::fromUtf8(bytes),
        QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2),
    };
    for (const QString& text : texts) {
        const CalDate d = DateStrToCal(text);
        FUZZ_CHECK(d.dayOfWeek == 99, text);
        if (!IsNullDate(d)) {
            // Four, two and two digits were read: the text form reads back.
            FUZZ_CHECK(d.year <= 9999 && d.month <= 99 && d.day <= 99, text);
            FUZZ_CHECK(same(DateStrToCal(CalToDateStr(d)), d), text);
            FUZZ_CHECK(IntToCal(CalToInt(d)).year == d.year, text);
        }
        QString stepped = text;
        StepDateText(stepped, QLatin1Char('+'));
        StepDateText(stepped, QLatin1Char('-'));
        (void)DateStrToInt(text);
    }

    if (size >= 4) {
        std::int32_t v;
        std::memcpy(&v, data, 4);
        const CalDate d = IntToCal(v);
        if (v >= 0 && v <= kNotClosed)
            FUZZ_CHECK(CalToInt(d) == v, QString::number(v));
        else
            FUZZ_CHECK(IsNullDate(d), QString::number(v));
        (void)IntToDateStr(v);
    }

    if (size >= 10) {
        std::uint16_t w[3];
        std::memcpy(w, data, 6);
        CalDate raw;
        raw.year = w[0];
        raw.month = w[1];
        raw.day = w[2];
        raw.dayOfWeek = data[6] & 1 ? 99 : std::uint16_t(data[6] >> 1);
        everyStep(raw, data[7], data[8]);

        // The same words brought into range: a valid date with its day of week.
        const int year = w[0] % 10000;
        const int month = w[1] % 12 + 1;
        const int day = w[2] % MonthLength(year, month) + 1;
        const CalDate valid = MakeDate(year, month, day);
        FUZZ_CHECK(isValid(valid), show(valid));
        CalDate n = valid;
        NextDay(n);
        FUZZ_CHECK(isValid(n), show(n));
        FUZZ_CHECK(n.dayOfWeek == valid.dayOfWeek % 7 + 1, show(n));
        PrevDay(n);
        FUZZ_CHECK(same(n, valid), show(n));
        CalDate p = valid;
        PrevDay(p);
        FUZZ_CHECK(isValid(p), show(p));
        NextDay(p);
        FUZZ_CHECK(same(p, valid), show(p));
        // The same steps with the day of week unset leave it unset.
        CalDate u = valid;
        u.dayOfWeek = 99;
        NextDay(u);
        PrevDay(u);
        FUZZ_CHECK(u.dayOfWeek == 99 && DateEqual(u, valid), show(u));
        // A week is seven days either way.
        CalDate w7 = valid;
        NextWeek(w7);
        PrevDays(w7, 7);
        FUZZ_CHECK(same(w7, valid), show(w7));
        FUZZ_CHECK(same(DateStrToCal(CalToDateStr(valid)), CalDate{valid.year, valid.month, valid.day, 99}),
                   show(valid));
        everyStep(valid, data[7], data[8]);
    }
    return 0;
}
