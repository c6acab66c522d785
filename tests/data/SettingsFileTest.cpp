// KOVRALDB.INI: the keys of section "main" in their order and value forms,
// their defaults, and the window positions of section "forms".
#include "data/SettingsFile.h"
#include "data/Core.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class SettingsFileTest : public ::testing::Test {
protected:
    TempFolder dir;
    ScriptedPrompter prompter;
    QString path = SettingsPath(dir.path());
};

} // namespace

TEST_F(SettingsFileTest, WritesEveryMainKeyInOrderWithItsValueForm) {
    Settings s;
    s.Today = MakeDate(2024, 3, 5);
    s.DefaultCashId = 11;
    s.DefaultCptyId = 12;
    s.DefaultCtgyId = 13;
    s.DefaultPotId = 14;
    s.SweepToPotId = 15;
    s.OpeningBalPotId = 16;
    s.DormantAfter = 200;
    s.BalFrom = CalDate{};
    s.BalAt = MakeDate(2024, 2, 29);
    s.RebalNeeded = true;
    s.DatabaseName = QStringLiteral("Home accounts");
    s.FinancialYearDay1 = 6;
    s.FinancialYearMonth1 = 4;
    s.PostingsTxnIdVisible = false;
    s.PostingsTypeVisible = true;
    s.PostingsRefVisible = false;
    s.PostingsPotNameVisible = true;
    s.DBStartDate = MakeDate(2020, 1, 1);
    s.DBEndDate = CalDate{};
    s.DBvn = 17;
    s.GenTo = MakeDate(2023, 12, 31); // saving records today instead
    s.CashbackAccId = 21;
    s.PeriodType = 2;
    s.PeriodAutoRefresh = true;

    ASSERT_TRUE(WriteSettings(prompter, path, s));
    EXPECT_EQ(ReadText(path), QStringLiteral("[main]\n"
                                             "DefaultCashId=11\n"
                                             "DefaultCptyId=12\n"
                                             "DefaultCtgyId=13\n"
                                             "DefaultPotId=14\n"
                                             "SweepToPotId=15\n"
                                             "OpeningBalPotId=16\n"
                                             "DormantAfter=200\n"
                                             "BalFrom=0\n"
                                             "BalAt=20240229\n"
                                             "RebalNeeded=1\n"
                                             "DatabaseName=Home accounts\n"
                                             "FinancialYearDay1=6\n"
                                             "FinancialYearMonth1=4\n"
                                             "PostingsTxnIdVisible=0\n"
                                             "PostingsTypeVisible=1\n"
                                             "PostingsRefVisible=0\n"
                                             "PostingsPotNameVisible=1\n"
                                             "DBStartDate=20200101\n"
                                             "DBEndDate=0\n"
                                             "DBvn=17\n"
                                             "GenTo=20240305\n"
                                             "CashbackAccId=21\n"
                                             "PeriodType=2\n"
                                             "PeriodAutoRefresh=1\n"));
    EXPECT_EQ(prompter.notices(), (QStringList{QStringLiteral("Saving settings ( see KOVRALDB.INI )"), QString()}));

    // Everything but GenTo reads back as written.
    Settings r;
    r.Today = MakeDate(2024, 3, 6);
    ReadSettings(path, r);
    EXPECT_EQ(r.DefaultCashId, 11);
    EXPECT_EQ(r.OpeningBalPotId, 16);
    EXPECT_EQ(r.DormantAfter, 200);
    EXPECT_TRUE(IsNullDate(r.BalFrom));
    EXPECT_EQ(CalToInt(r.BalAt), 20240229);
    EXPECT_TRUE(r.RebalNeeded);
    EXPECT_EQ(r.DatabaseName, QStringLiteral("Home accounts"));
    EXPECT_EQ(r.FinancialYearMonth1, 4);
    EXPECT_FALSE(r.PostingsTxnIdVisible);
    EXPECT_TRUE(r.PostingsPotNameVisible);
    EXPECT_EQ(CalToInt(r.DBStartDate), 20200101);
    EXPECT_EQ(CalToInt(r.DBEndDate), 0);
    EXPECT_EQ(r.DBvn, 17);
    EXPECT_EQ(CalToInt(r.GenTo), 20240305);
    EXPECT_EQ(r.PeriodType, 2);
    EXPECT_TRUE(r.PeriodAutoRefresh);
    EXPECT_EQ(CalToInt(r.Today), 20240306);
}

TEST_F(SettingsFileTest, MissingKeysTakeTheirDefaults) {
    ASSERT_TRUE(WriteFile(path, "[main]\nDBvn=15\nDormantAfter=soon\nFinancialYearMonth1=0x0A\n"));
    Settings s;
    s.Today = MakeDate(2024, 7, 14);
    s.DatabaseName = QStringLiteral("left over");
    s.RebalNeeded = true;
    ReadSettings(path, s);
    EXPECT_EQ(s.DBvn, 15);
    EXPECT_EQ(CalToInt(s.BalAt), 20240714); // absent: today
    EXPECT_TRUE(IsNullDate(s.BalFrom));     // absent: no date
    EXPECT_EQ(CalToDateStr(s.BalFrom), QStringLiteral("0000-00-00"));
    EXPECT_EQ(s.DormantAfter, 365); // not an integer
    EXPECT_EQ(s.FinancialYearMonth1, 10);
    EXPECT_EQ(s.FinancialYearDay1, 1);
    EXPECT_EQ(s.DatabaseName, QStringLiteral("x"));
    EXPECT_FALSE(s.RebalNeeded);
    EXPECT_TRUE(s.PostingsTxnIdVisible);
    EXPECT_TRUE(s.PostingsTypeVisible);
    EXPECT_TRUE(s.PostingsRefVisible);
    EXPECT_FALSE(s.PostingsPotNameVisible);
    EXPECT_TRUE(IsNullDate(s.GenTo));
    EXPECT_EQ(s.SweepToPotId, 0);

    Settings none;
    none.Today = MakeDate(2024, 7, 14);
    ReadSettings(dir.file(QStringLiteral("nothing.ini")), none);
    EXPECT_EQ(none.DBvn, 18);
}

TEST_F(SettingsFileTest, WritingMainKeepsTheFormsSectionAndForeignKeys) {
    ASSERT_TRUE(WriteFile(path, "[forms]\nFCtrl-T=0\n[main]\nDBvn=12\nUserKey=kept\n"));
    Settings s;
    s.Today = MakeDate(2024, 1, 2);
    s.DBvn = 13;
    ASSERT_TRUE(WriteSettings(prompter, path, s));
    const QString text = ReadText(path);
    EXPECT_TRUE(text.startsWith(QStringLiteral("[forms]\nFCtrl-T=0\n[main]\nDBvn=13\nUserKey=kept\nDefaultCashId=0\n")))
        << text.toStdString();
    Settings r;
    ReadSettings(path, r);
    EXPECT_EQ(r.DBvn, 13);
    EXPECT_EQ(ReadFormPositions(path)[11].top, 0);
}

TEST_F(SettingsFileTest, FormPositionsReadMinusOneWhenAbsentAndWriteInTheListedOrder) {
    const QStringList& names = FormPositionNames();
    ASSERT_EQ(names.size(), 29);
    EXPECT_EQ(names.front(), QStringLiteral("FAccs"));
    EXPECT_EQ(names[11], QStringLiteral("FCtrl"));
    EXPECT_EQ(names.back(), QStringLiteral("Ftxnip3"));

    ASSERT_TRUE(WriteFile(path, "[forms]\nFCtrl-T=0\nFCtrl-L=-1\nFCtrl-H=0x100\nFBals-W=wide\n"));
    std::vector<FormPosition> read = ReadFormPositions(path);
    ASSERT_EQ(read.size(), 29u);
    for (size_t i = 0; i < read.size(); ++i)
        EXPECT_EQ(read[i].name, names[int(i)]);
    EXPECT_EQ(read[11].top, 0);
    EXPECT_EQ(read[11].left, -1);
    EXPECT_EQ(read[11].height, 256);
    EXPECT_EQ(read[11].width, -1);
    EXPECT_EQ(read[4].width, -1);

    // Given out of order, written in the listed order, four keys each.
    QFile::remove(path);
    std::vector<FormPosition> out = {{QStringLiteral("Ftxnip3"), 1, 2, 3, 4},
                                     {QStringLiteral("FCtrl"), 10, 20, 30, 40},
                                     {QStringLiteral("FAccs2"), 5, 6, 7, 8}};
    ASSERT_TRUE(WriteFormPositions(prompter, path, out));
    EXPECT_EQ(ReadText(path), QStringLiteral("[forms]\n"
                                             "FAccs2-T=5\nFAccs2-L=6\nFAccs2-H=7\nFAccs2-W=8\n"
                                             "FCtrl-T=10\nFCtrl-L=20\nFCtrl-H=30\nFCtrl-W=40\n"
                                             "Ftxnip3-T=1\nFtxnip3-L=2\nFtxnip3-H=3\nFtxnip3-W=4\n"));
    EXPECT_EQ(prompter.notices(), (QStringList{QStringLiteral("Saving settings ( see KOVRALDB.INI )"), QString()}));
}

TEST_F(SettingsFileTest, ReadingThroughTheCoreRefreshesTheControlWindow) {
    TFCore core(prompter);
    core.setDataFolder(dir.path());
    ASSERT_TRUE(WriteFile(path, "[main]\nDatabaseName=Shop\nRebalNeeded=1\n"));
    int refreshed = 0;
    QString shownName;
    core.onControlRefresh = [&] {
        ++refreshed;
        shownName = core.settings().DatabaseName;
    };
    ReadSettings(core);
    EXPECT_EQ(refreshed, 1);
    EXPECT_EQ(shownName, QStringLiteral("Shop"));
    EXPECT_TRUE(core.settings().RebalNeeded);
    EXPECT_TRUE(DateEqual(core.settings().BalAt, core.settings().Today));
}

// A hand-edited file is read key by key: a value in another code page, a
// garbled key or stray bytes on one line spoil only what they touch, and the
// file is kept where it is.
TEST_F(SettingsFileTest, DamagedLinesSpoilOnlyTheirOwnKeys) {
    ASSERT_TRUE(WriteFile(path, QByteArray("[main]\r\nDBvn=12\r\nDatabaseName=Caf\xe9 \xa3\r\nDefaultPotId=1\xff"
                                           "2\r\nBalFrom=20240101\r\nJunk=\x00\x01\x02\r\nDormantAfter=90\r\n",
                                           101)));
    EXPECT_FALSE(SetAsideUnreadableSettings(prompter, path));
    Settings s;
    s.Today = MakeDate(2024, 6, 15);
    ReadSettings(path, s);
    EXPECT_EQ(s.DBvn, 12);
    EXPECT_EQ(s.DatabaseName, QStringLiteral("Caf\u00e9 \u00a3"));
    EXPECT_EQ(s.DefaultPotId, Settings().DefaultPotId);
    EXPECT_EQ(CalToInt(s.BalFrom), 20240101);
    EXPECT_EQ(s.DormantAfter, 90);

    // Written back, the name is the same text, now in UTF-8.
    ASSERT_TRUE(WriteSettings(prompter, path, s));
    Settings again;
    ReadSettings(path, again);
    EXPECT_EQ(again.DatabaseName, s.DatabaseName);
    EXPECT_EQ(again.DBvn, 12);
    EXPECT_TRUE(prompter.messages().isEmpty());
}
