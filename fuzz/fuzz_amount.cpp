// Amount texts: ParseAmount on any text, and the round trip of every amount it
// accepts (FormatAmount and FormatAmountSigned of the value read back to the
// same value).  The first four bytes are also taken as an Amount, so every
// 32-bit value is formatted and read back, the extremes included.
#include "FuzzSupport.h"
#include "base/Amount.h"

#include <cstdint>
#include <cstring>

namespace {

void roundTrip(Amount a) {
    Amount back = 0;
    const QString text = FormatAmount(a);
    FUZZ_CHECK(ParseAmount(text, back) && back == a, text);
    const QString signedText = FormatAmountSigned(a);
    back = 0;
    FUZZ_CHECK(ParseAmount(signedText, back) && back == a, signedText);
    // The digits without the commas are the plain decimal value.
    QString plain = FormatThousands(a);
    plain.remove(QLatin1Char(','));
    FUZZ_CHECK(plain == QString::number(a), plain);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));

    // The text as UTF-8, and the same bytes as UTF-16 code units (lone
    // surrogates and all).
    const QString texts[2] = {
        QString::fromUtf8(bytes),
        QString(reinterpret_cast<const QChar*>(bytes.constData()), bytes.size() / 2),
    };
    for (const QString& text : texts) {
        Amount a = 12345;
        if (ParseAmount(text, a))
            roundTrip(a);
        else
            FUZZ_CHECK(a == 12345, text); // a failed read leaves the value alone
    }

    if (size >= 4) {
        std::int32_t v;
        std::memcpy(&v, data, 4);
        roundTrip(v);
    }
    if (size >= 12) {
        std::int64_t n;
        std::memcpy(&n, data + 4, 8);
        QString thousands = FormatThousands(n);
        thousands.remove(QLatin1Char(','));
        FUZZ_CHECK(thousands == QString::number(n), thousands);
        const int width = int(std::int8_t(data[0]));
        const QString padded = PadNumber(n, width);
        FUZZ_CHECK(padded.size() >= width, padded);
        FUZZ_CHECK(padded.toLongLong() == n, padded);
    }
    return 0;
}
