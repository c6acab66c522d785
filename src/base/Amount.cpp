// Amount texts and plain number texts.
//
// Amounts are formatted from a 64-bit copy so that negating the most negative
// Amount cannot overflow, and parsed by hand so that a text outside the 32-bit
// range fails instead of wrapping.  Parsing is strict: after the commas are
// dropped and the decimal point is taken out, the text must be one optional
// leading "-" or "+" followed by ASCII digits only; spaces, a second sign,
// hex prefixes, digits of other scripts and a sign alone all fail.
#include "base/Amount.h"

#include "base/Prompter.h"

namespace {

// The magnitude as decimal digits; right for the most negative value too.
QString digitsOf(std::int64_t n) {
    const std::uint64_t mag = n < 0 ? std::uint64_t(0) - std::uint64_t(n) : std::uint64_t(n);
    return QString::number(qulonglong(mag));
}

QString padded(std::int64_t n, int width) {
    return QStringLiteral("%1").arg(qlonglong(n), width, 10, QLatin1Char('0'));
}

// The steps of the amount text; plusSign gives a positive amount its "+".
QString formatAmount(Amount amount, bool plusSign) {
    std::int64_t a = amount;
    QString sign;
    if (a < 0) {
        sign = QStringLiteral("-");
        a = -a;
    } else if (a >= 1 && plusSign) {
        sign = QStringLiteral("+");
    }
    const std::int64_t cents = a % 100;
    const std::int64_t units = a / 100;
    const std::int64_t u = units % 1000;
    const std::int64_t t = units / 1000;
    const std::int64_t m = t % 1000;
    const std::int64_t mm = t / 1000;
    if (mm < 1 && m < 1)
        return sign + QString::number(u) + QLatin1Char('.') + padded(cents, 2);
    if (mm < 1)
        return sign + QString::number(m) + QLatin1Char(',') + padded(u, 3) + QLatin1Char('.') + padded(cents, 2);
    return sign + QString::number(mm) + QLatin1Char(',') + padded(m, 3) + QLatin1Char(',') + padded(u, 3) +
           QLatin1Char('.') + padded(cents, 2);
}

} // namespace

QString FormatAmount(Amount a) {
    return formatAmount(a, false);
}

QString FormatAmountSigned(Amount a) {
    return formatAmount(a, true);
}

bool ParseAmount(const QString& text, Amount& out) {
    QString s = text;
    s.remove(QLatin1Char(','));
    // A lone sign is no amount, though "00" would make one of it below.
    if (s.isEmpty() || s == QLatin1String("-") || s == QLatin1String("+"))
        return false;
    const qsizetype point = s.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        if (s.size() - point - 1 != 2)
            return false;
        s.remove(point, 1);
    } else {
        s += QStringLiteral("00");
    }

    qsizetype i = 0;
    bool negative = false;
    if (s.at(0) == QLatin1Char('-') || s.at(0) == QLatin1Char('+')) {
        negative = s.at(0) == QLatin1Char('-');
        i = 1;
    }
    if (i >= s.size())
        return false;
    // Accumulate the magnitude in 64 bits and stop as soon as it cannot fit.
    const std::int64_t limit = negative ? -std::int64_t(kMinAmount) : std::int64_t(kMaxAmount);
    std::int64_t value = 0;
    for (; i < s.size(); ++i) {
        const char16_t c = s.at(i).unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
        if (value > limit)
            return false;
    }
    out = Amount(negative ? -value : value);
    return true;
}

bool ReadAmount(Prompter& prompter, const QString& text, Amount& out) {
    if (ParseAmount(text, out))
        return true;
    prompter.ShowMessage(QStringLiteral("Invalid amount"));
    return false;
}

QString FormatThousands(std::int64_t n) {
    const QString digits = digitsOf(n);
    QString out;
    out.reserve(digits.size() + digits.size() / 3 + 1);
    for (qsizetype i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += QLatin1Char(',');
        out += digits.at(i);
    }
    return n < 0 ? QLatin1Char('-') + out : out;
}

QString PadNumber(std::int64_t n, int width) {
    // The sign leads and the zeros follow it, so -5 in width 4 is "-005".
    const QString sign = n < 0 ? QStringLiteral("-") : QString();
    QString digits = digitsOf(n);
    const int zeros = width - int(sign.size() + digits.size());
    if (zeros > 0)
        digits.prepend(QString(zeros, QLatin1Char('0')));
    return sign + digits;
}
