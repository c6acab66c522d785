// Money amounts and plain number texts.
//
// An Amount is a signed 32-bit count of hundredths of the currency unit:
// 123456 is 1,234.56.  Amounts are shown with "," between thousands and "."
// before two decimals.  Sums that may leave the 32-bit range are added in
// 64 bits (Amount64) and checked with FitsAmount before they are stored.
#pragma once

#include <QString>
#include <cstdint>

class Prompter;

using Amount = std::int32_t;
using Amount64 = std::int64_t;

constexpr Amount kMaxAmount = INT32_MAX; // 21,474,836.47
constexpr Amount kMinAmount = INT32_MIN;

// True when a 64-bit sum can be stored as an Amount.
constexpr bool FitsAmount(Amount64 v) { return v >= kMinAmount && v <= kMaxAmount; }

// "0.00", "-12.34", "1,234.56", "-1,234,567.89"; right for every Amount,
// the most negative included.
QString FormatAmount(Amount a);
// As FormatAmount, but a positive amount is preceded by "+"; 0 has no sign.
QString FormatAmountSigned(Amount a);
// Reads an amount text: commas are dropped; a "." must be followed by exactly
// two characters, which with the rest must be ASCII digits; without "." the
// text is whole units.  One leading "-" or "+" is accepted and nothing else:
// no spaces, no second sign, no sign alone.  ".50" reads 50; "5." fails.
// Fails (returns false, out unchanged) on an empty text, a malformed one, or a
// value outside the 32-bit range.  Shows nothing.
bool ParseAmount(const QString& text, Amount& out);
// ParseAmount; on failure shows "Invalid amount" through the prompter.
bool ReadAmount(Prompter& prompter, const QString& text, Amount& out);
// Decimal digits with "," before every group of three from the right.
QString FormatThousands(std::int64_t n);
// Decimal digits preceded by "0" up to width characters; never cut.  A
// negative number keeps its "-" in front of the zeros ("-005" in width 4).
QString PadNumber(std::int64_t n, int width);
