// The settings file: ReadSettings, the derived values and the window positions
// on a KOVRALDB.INI of arbitrary bytes; Profile reads of any key; and a write
// of one key into such a file, after which that key reads back as written and
// every other setting and window position reads as before.
//
// The input is: one byte choosing the key text, then the value to write up to
// the first 0xFF byte, then the file's content.
#include "FuzzSupport.h"
#include "data/Profile.h"
#include "data/SettingsFile.h"

#include <QFile>
#include <cstdint>

namespace {

QString g_path;

bool sameSettings(const Settings& a, const Settings& b) {
    return a.DefaultCashId == b.DefaultCashId && a.DefaultCptyId == b.DefaultCptyId &&
           a.DefaultCtgyId == b.DefaultCtgyId && a.DefaultPotId == b.DefaultPotId && a.SweepToPotId == b.SweepToPotId &&
           a.OpeningBalPotId == b.OpeningBalPotId && a.DormantAfter == b.DormantAfter &&
           CalToInt(a.BalFrom) == CalToInt(b.BalFrom) && CalToInt(a.BalAt) == CalToInt(b.BalAt) &&
           a.RebalNeeded == b.RebalNeeded && a.FinancialYearDay1 == b.FinancialYearDay1 &&
           a.FinancialYearMonth1 == b.FinancialYearMonth1 && a.PostingsTxnIdVisible == b.PostingsTxnIdVisible &&
           a.PostingsTypeVisible == b.PostingsTypeVisible && a.PostingsRefVisible == b.PostingsRefVisible &&
           a.PostingsPotNameVisible == b.PostingsPotNameVisible && CalToInt(a.DBStartDate) == CalToInt(b.DBStartDate) &&
           CalToInt(a.DBEndDate) == CalToInt(b.DBEndDate) && a.DBvn == b.DBvn &&
           CalToInt(a.GenTo) == CalToInt(b.GenTo) && a.CashbackAccId == b.CashbackAccId &&
           a.PeriodType == b.PeriodType && a.PeriodAutoRefresh == b.PeriodAutoRefresh;
}

bool samePositions(const std::vector<FormPosition>& a, const std::vector<FormPosition>& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (a[i].name != b[i].name || a[i].top != b[i].top || a[i].left != b[i].left || a[i].height != b[i].height ||
            a[i].width != b[i].width)
            return false;
    return true;
}

Settings readAll() {
    Settings s;
    s.Today = MakeDate(2024, 6, 15);
    ReadSettings(g_path, s);
    s.RecomputeDerived();
    return s;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    g_path = ScratchFolder("settings") + SettingsFileName();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const std::uint8_t keyChoice = data[0];
    size_t i = 1;
    while (i < size && data[i] != 0xFF)
        ++i;
    const QString value = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(i - 1));
    const QByteArray content =
        i < size ? QByteArray(reinterpret_cast<const char*>(data + i + 1), qsizetype(size - i - 1)) : QByteArray();
    {
        QFile f(g_path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return 0;
        f.write(content);
    }

    const Settings before = readAll();
    const std::vector<FormPosition> positionsBefore = ReadFormPositions(g_path);

    const Profile reader(g_path);
    (void)reader.readInt(value, value, 7);
    (void)reader.readBool(QStringLiteral("main"), value, true);
    (void)reader.readString(QStringLiteral("forms"), value, QString());
    (void)reader.hasKey(value, QStringLiteral("DBvn"));

    // One key written into the file: DatabaseName, or a key of another section.
    QuietPrompter prompter;
    Profile writer(prompter, g_path);
    const bool other = keyChoice & 1;
    const QString section = other ? QStringLiteral("elsewhere") : QStringLiteral("main");
    const QString key = QStringLiteral("DatabaseName");
    if (!writer.writeString(section, key, value))
        FuzzFail("write failed");

    QString expected = value;
    expected.replace(QLatin1Char('\r'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '));
    expected = expected.trimmed().left(Profile::kMaxString);
    FUZZ_CHECK(reader.readString(section, key, QStringLiteral("<missing>")) == expected, value);

    Settings after = readAll();
    if (!other)
        after.DatabaseName = before.DatabaseName;
    FUZZ_CHECK(sameSettings(before, after), QString::fromUtf8(content.toPercentEncoding()));
    FUZZ_CHECK(after.DatabaseName == before.DatabaseName, QString::fromUtf8(content.toPercentEncoding()));
    FUZZ_CHECK(samePositions(positionsBefore, ReadFormPositions(g_path)),
               QString::fromUtf8(content.toPercentEncoding()));
    return 0;
}
