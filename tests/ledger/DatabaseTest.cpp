// Opening and closing a data folder: new folders, the settings file, the
// conversions from older table layouts, declining a conversion, the folder
// lock, Database Select, the last-row check and what the control window shows.
#include "ledger/Database.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

const QString kQuestion = QStringLiteral("Database will be converted, have you backed it up?");
const QString kConverted = QStringLiteral("Database converted ok");

class DatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.valid());
        core.settings().Today = MakeDate(2024, 6, 15);
        SetDataFolder(core, dir.path());
    }
    void TearDown() override {
        if (core.databaseDetails.open)
            CloseDatabase(core);
    }

    std::int64_t scalar(const QString& sql) { return Scalar(core.store(), sql); }

    bool hasColumn(const char* table, const char* column) {
        return HasColumn(core.store(), QLatin1String(table), column);
    }

    int iniVersion(const QString& folder) {
        Settings s;
        ReadSettings(SettingsPath(folder), s);
        return s.DBvn;
    }

    void expectQuestions(int n) {
        for (int i = 0; i < n; ++i)
            prompter.expectQuestion(kQuestion, 'Y');
    }

    int count(const QString& text) const { return int(prompter.messages().count(text)); }

    TempFolder dir;
    ScriptedPrompter prompter;
    TFCore core{prompter};
};

// A version-12 ledger: a payment, a cancelled receipt, a pot transfer and a
// cash transfer with their postings, and two repeaters.
const QStringList kOldLedger = {
    "INSERT INTO obj (Id, Type, Name) VALUES (1, 1, 'Bank'), (2, 4, 'Shop'), (3, 6, 'Food'), (4, 6, 'Fun'),"
    " (5, 1, 'Cash')",
    "INSERT INTO txn (Id, Type, Amt, Txndate, Cancelled, Accid1, Accid2, Accid3, Accid4) VALUES"
    " (1, 'P', 1000, '2024-01-10', 0, 1, 2, 3, 0),"
    " (2, 'R', 500, '2024-01-11', 1, 1, 2, 3, 0),"
    " (3, 'G', 300, '2024-01-12', 0, 3, 4, 0, 0),"
    " (4, 'T', 200, '2024-01-13', 0, 1, 5, 0, 0)",
    "INSERT INTO pstg (Txnid, Objid, Contra, Amt, Pstgdate, Txntype) VALUES"
    " (1, 1, 2, -1000, '2024-01-10', 'P'), (1, 2, 1, 1000, '2024-01-10', 'P'), (1, 3, 2, -1000, '2024-01-10', 'P'),"
    " (2, 1, 2, 0, '2024-01-11', 'R'), (2, 2, 1, 0, '2024-01-11', 'R'), (2, 3, 2, 0, '2024-01-11', 'R'),"
    " (3, 3, 4, -300, '2024-01-12', 'G'), (3, 4, 3, 300, '2024-01-12', 'G'),"
    " (4, 1, 5, -200, '2024-01-13', 'T'), (4, 5, 1, 200, '2024-01-13', 'T')",
    "INSERT INTO rptr (Id, Type, Amt, Accid1, Accid2, Accid3, Accid4) VALUES"
    " (1, 'G', 50, 3, 4, 0, 0), (2, 'P', 70, 1, 2, 3, 0)",
};

} // namespace

TEST_F(DatabaseTest, AnEmptyFolderIsMadeAtTheCurrentVersion) {
    const QString folder = dir.path() + QStringLiteral("DATA/");
    SetDataFolder(core, dir.path() + QStringLiteral("DATA"));
    EXPECT_EQ(core.dataFolder(), folder);

    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join('\n').toStdString();
    for (const TableFile& t : LedgerTableFiles())
        EXPECT_TRUE(QFile::exists(folder + QString::fromLatin1(t.file))) << t.file;
    EXPECT_TRUE(QFile::exists(SettingsPath(folder)));
    EXPECT_EQ(iniVersion(folder), 18);
    EXPECT_TRUE(hasColumn("txn", "actualtxndate"));

    const DatabaseDetails& d = core.databaseDetails;
    EXPECT_TRUE(d.open);
    EXPECT_EQ(d.version, 18);
    EXPECT_EQ(d.startDateValue, QStringLiteral("000-00-00"));
    EXPECT_EQ(d.startDateText, QStringLiteral("No previous archives"));
    EXPECT_EQ(d.endDateValue, QStringLiteral("0000-00-00"));
    EXPECT_EQ(d.endDateText, QStringLiteral("This database is current"));
    EXPECT_EQ(prompter.statusTexts(),
              (QStringList{QStringLiteral("Reading ini file ..."), QStringLiteral("Opening database ..."), QString()}));
    // Derived values: BalAt absent is today; dormancy counted back from today.
    EXPECT_EQ(core.settings().BalAtInt, 20240615);
    EXPECT_EQ(core.settings().BalFromInt, 0);
    EXPECT_EQ(core.settings().DormantCutoff, 20230616);
}

TEST_F(DatabaseTest, VersionTwelveReachesSeventeenInOneOpeningAndEighteenAtTheNext) {
    ASSERT_TRUE(MakeLedgerFolder(dir.path(), 12, kOldLedger, "[main]\nDBvn=12\nBalAt=20241231\n"));
    expectQuestions(4); // steps 12, 13, 14 and 16
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(count(kConverted), 4);
    EXPECT_EQ(core.settings().DBvn, 17);
    EXPECT_EQ(core.databaseDetails.version, 17);
    EXPECT_EQ(iniVersion(dir.path()), 15); // step 16 is recorded at closing

    // 12: chnum everywhere, all 0; 13: Fav; not yet actualtxndate.
    for (const char* table : {"txn", "pstg", "rptr"})
        EXPECT_TRUE(hasColumn(table, "chnum")) << table;
    EXPECT_EQ(scalar("SELECT count(*) FROM txn WHERE chnum IS NOT 0"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM pstg WHERE chnum IS NOT 0"), 0);
    EXPECT_TRUE(hasColumn("obj", "Fav"));
    EXPECT_FALSE(hasColumn("txn", "actualtxndate"));

    // 14: one category, set on payments and receipts, with their postings.
    ASSERT_EQ(scalar("SELECT count(*) FROM obj WHERE Name = 'Default Category'"), 1);
    const int cat = int(scalar("SELECT Id FROM obj WHERE Name = 'Default Category'"));
    EXPECT_EQ(cat, 6);
    EXPECT_EQ(scalar("SELECT Type FROM obj WHERE Id = 6"), otCtgy);
    EXPECT_EQ(scalar("SELECT CloseDate FROM obj WHERE Id = 6"), kNotClosed);
    EXPECT_EQ(scalar("SELECT Accid4 FROM txn WHERE Id = 1"), cat);
    EXPECT_EQ(scalar("SELECT Accid4 FROM txn WHERE Id = 2"), cat);
    EXPECT_EQ(scalar("SELECT count(*) FROM pstg WHERE Objid = 6 AND Txnid > 0"), 2);
    // Its anchor, the payment's amount negated, the cancelled receipt's 0.
    EXPECT_EQ(scalar("SELECT count(*) FROM pstg WHERE Objid = 6 AND Txnid = 0 AND Txntype = 'A'"), 1);
    EXPECT_EQ(scalar("SELECT count(*) FROM pstg WHERE Objid = 6 AND Txnid = 1 AND Amt = -1000 AND Contra = 2 AND "
                     "Pstgdate = '2024-01-10' AND Txntype = 'P'"),
              1);
    EXPECT_EQ(scalar("SELECT count(*) FROM pstg WHERE Objid = 6 AND Txnid = 2 AND Amt = 0 AND Txntype = 'R'"), 1);
    EXPECT_EQ(scalar("SELECT Accid4 FROM rptr WHERE Id = 2"), cat);
    EXPECT_TRUE(core.settings().RebalNeeded);

    // 16: G and T became C, a G's pots moved to Accid3/4.
    EXPECT_EQ(scalar("SELECT count(*) FROM txn WHERE Type IN ('G', 'T')"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM pstg WHERE Txntype IN ('G', 'T')"), 0);
    EXPECT_EQ(scalar("SELECT count(*) FROM pstg WHERE Txntype = 'C'"), 4);
    EXPECT_EQ(scalar("SELECT Accid1 * 1000 + Accid2 * 100 + Accid3 * 10 + Accid4 FROM txn WHERE Id = 3"), 34);
    EXPECT_EQ(scalar("SELECT Accid1 * 1000 + Accid2 * 100 + Accid3 * 10 + Accid4 FROM txn WHERE Id = 4"), 1500);
    EXPECT_EQ(scalar("SELECT Type = 'C' AND Accid1 = 0 AND Accid3 = 3 AND Accid4 = 4 FROM rptr WHERE Id = 1"), 1);

    ASSERT_TRUE(CloseDatabase(core));
    EXPECT_EQ(iniVersion(dir.path()), 17);

    prompter.clearRecorded();
    expectQuestions(1); // step 17
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_EQ(count(kConverted), 1);
    EXPECT_EQ(core.settings().DBvn, 18);
    EXPECT_EQ(iniVersion(dir.path()), 18); // written at once
    EXPECT_TRUE(hasColumn("txn", "actualtxndate"));
    EXPECT_EQ(scalar("SELECT count(*) FROM txn WHERE actualtxndate IS NOT 0"), 0);
    ASSERT_TRUE(CloseDatabase(core));

    prompter.clearRecorded();
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened); // nothing more to convert
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(DatabaseTest, VersionFifteenSilentlyBecomesSixteenAndIsRecordedOnlyAtClosing) {
    ASSERT_TRUE(MakeLedgerFolder(
        dir.path(), 15,
        {"INSERT INTO obj (Id, Type, Name) VALUES (3, 6, 'Food'), (4, 6, 'Fun')",
         "INSERT INTO txn (Id, Type, Amt, Txndate, Accid1, Accid2) VALUES (1, 'G', 300, '2024-01-12', 3, 4)",
         "INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) VALUES (1, 3, -300, '2024-01-12', 'G'),"
         " (1, 4, 300, '2024-01-12', 'G')"},
        "[main]\nDBvn=15\n"));
    expectQuestions(1); // step 16 only
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_EQ(count(kConverted), 1);
    EXPECT_EQ(core.settings().DBvn, 17);
    EXPECT_EQ(core.databaseDetails.version, 17);
    EXPECT_EQ(scalar("SELECT Accid3 * 10 + Accid4 FROM txn WHERE Id = 1"), 34);
    EXPECT_EQ(ReadText(SettingsPath(dir.path())), QStringLiteral("[main]\nDBvn=15\n"));

    ASSERT_TRUE(CloseDatabase(core));
    EXPECT_EQ(iniVersion(dir.path()), 17);
    EXPECT_EQ(ReadText(SettingsPath(dir.path())).count(QStringLiteral("DBvn=")), 1);
}

TEST_F(DatabaseTest, VersionsOutsideTheUpgradeRangeOpenWithoutChange) {
    // Below 12 (tables of the version-12 layout) and above 18: no question,
    // no step, the version shown and kept as the settings file gives it.
    for (const auto& [tables, dbvn] : {std::pair{12, 11}, std::pair{kCurrentSchema, 19}}) {
        TempFolder folder;
        ASSERT_TRUE(MakeLedgerFolder(folder.path(), tables, {}, "[main]\nDBvn=" + QByteArray::number(dbvn) + "\n"));
        SetDataFolder(core, folder.path());
        ASSERT_EQ(OpenDatabase(core), OpenResult::Opened) << dbvn;
        EXPECT_EQ(core.databaseDetails.version, dbvn);
        EXPECT_EQ(hasColumn("txn", "chnum"), tables == kCurrentSchema) << dbvn;
        ASSERT_TRUE(CloseDatabase(core));
        EXPECT_EQ(iniVersion(folder.path()), dbvn);
    }
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(DatabaseTest, DecliningAConversionEndsOpeningAndKeepsWhatWasDone) {
    ASSERT_TRUE(MakeLedgerFolder(dir.path(), 12, kOldLedger, "[main]\nDBvn=12\n"));
    const QString iniBefore = ReadText(SettingsPath(dir.path()));
    prompter.expectQuestion(kQuestion, 'N');
    EXPECT_EQ(OpenDatabase(core), OpenResult::Declined);
    EXPECT_EQ(ReadText(SettingsPath(dir.path())), iniBefore);
    EXPECT_FALSE(core.store().isOpen());
    EXPECT_FALSE(core.databaseDetails.open);
    EXPECT_TRUE(prompter.messages().isEmpty());

    prompter.expectQuestion(kQuestion, 'Y'); // step 12
    prompter.expectQuestion(kQuestion, 'N'); // step 13
    EXPECT_EQ(OpenDatabase(core), OpenResult::Declined);
    EXPECT_EQ(count(kConverted), 1);
    EXPECT_EQ(iniVersion(dir.path()), 13);
    EXPECT_TRUE(CloseDatabase(core)); // after a No, closing writes nothing
    EXPECT_EQ(iniVersion(dir.path()), 13);
    {
        ScriptedPrompter p;
        Store s(p);
        ASSERT_TRUE(OpenLedgerStore(s, dir.path(), false));
        Query txn(s, QStringLiteral("SELECT * FROM txn LIMIT 0"));
        EXPECT_TRUE(txn.hasColumn("chnum"));
        Query obj(s, QStringLiteral("SELECT * FROM obj LIMIT 0"));
        EXPECT_FALSE(obj.hasColumn("Fav"));
    }

    // The next opening asks again from the version last written; a No at
    // step 16 leaves the file at 15, what step 14 wrote.
    prompter.clearRecorded();
    prompter.expectQuestion(kQuestion, 'Y'); // 13
    prompter.expectQuestion(kQuestion, 'Y'); // 14
    prompter.expectQuestion(kQuestion, 'N'); // 16
    EXPECT_EQ(OpenDatabase(core), OpenResult::Declined);
    EXPECT_EQ(iniVersion(dir.path()), 15);
    EXPECT_FALSE(core.folderLock);
}

TEST_F(DatabaseTest, ASecondHolderCannotOpenALockedFolder) {
    ASSERT_TRUE(MakeLedgerFolder(dir.path(), 18, {}, "[main]\nDatabaseName=Home\n"));
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);

    ScriptedPrompter p2;
    TFCore second(p2);
    SetDataFolder(second, dir.path());
    EXPECT_EQ(OpenDatabase(second), OpenResult::Failed);
    EXPECT_EQ(p2.messages(),
              QStringList{QStringLiteral("Data folder %1 is already open in another KOVRAL").arg(dir.path())});
    EXPECT_FALSE(second.store().isOpen());
    EXPECT_TRUE(CloseDatabase(second)); // writes nothing: it never opened

    // Select into it from a third holder is refused and keeps that one open.
    TempFolder other;
    ASSERT_TRUE(MakeLedgerFolder(other.path(), 18, {}, "[main]\nDatabaseName=Other\n"));
    ScriptedPrompter p3;
    TFCore third(p3);
    SetDataFolder(third, other.path());
    ASSERT_EQ(OpenDatabase(third), OpenResult::Opened);
    EXPECT_EQ(SelectDatabaseFolder(third,
                                   [&](QString& path) {
                                       path = dir.path();
                                       return true;
                                   }),
              OpenResult::Kept);
    EXPECT_EQ(p3.messages().size(), 1);
    EXPECT_EQ(third.dataFolder(), other.path());
    EXPECT_TRUE(third.store().isOpen());
    EXPECT_TRUE(CloseDatabase(third));

    // Released at closing.
    ASSERT_TRUE(CloseDatabase(core));
    p2.clearRecorded();
    EXPECT_EQ(OpenDatabase(second), OpenResult::Opened);
    EXPECT_TRUE(p2.messages().isEmpty());
    EXPECT_TRUE(CloseDatabase(second));
}

TEST_F(DatabaseTest, SelectRefusesAFolderWithoutSettingsAndSwitchesToOneWithThem) {
    ASSERT_TRUE(MakeLedgerFolder(dir.path(), 18, {}, "[main]\nDatabaseName=Home\n"));
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);

    TempFolder other;
    QString offered;
    auto chooseOther = [&](QString& path) {
        offered = path;
        path = other.path().chopped(1); // the dialog may give it without "/"
        return true;
    };
    EXPECT_EQ(SelectDatabaseFolder(core, chooseOther), OpenResult::Kept);
    EXPECT_EQ(offered, dir.path());
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Folder does not hold Kovral data, INI file absent ") +
                                               other.path() + QStringLiteral("KOVRALDB.INI")});
    EXPECT_EQ(core.dataFolder(), dir.path());
    EXPECT_TRUE(core.store().isOpen());
    EXPECT_TRUE(core.databaseDetails.open);
    EXPECT_TRUE(QDir(other.path()).entryList(QDir::Files).isEmpty());

    EXPECT_EQ(SelectDatabaseFolder(core, [](QString&) { return false; }), OpenResult::Kept);
    EXPECT_EQ(prompter.messages().size(), 1);

    ASSERT_TRUE(MakeLedgerFolder(other.path(), 18, {"INSERT INTO obj (Id, Type, Name) VALUES (1, 6, 'Elsewhere')"},
                                 "[main]\nDatabaseName=Other\n"));
    core.settings().DatabaseName = QStringLiteral("Home renamed");
    ASSERT_EQ(SelectDatabaseFolder(core, chooseOther), OpenResult::Opened);
    EXPECT_EQ(core.dataFolder(), other.path());
    EXPECT_EQ(core.settings().DatabaseName, QStringLiteral("Other"));
    EXPECT_EQ(scalar("SELECT count(*) FROM obj WHERE Name = 'Elsewhere'"), 1);
    // The folder left behind got its settings written and its lock back.
    Settings home;
    ReadSettings(SettingsPath(dir.path()), home);
    EXPECT_EQ(home.DatabaseName, QStringLiteral("Home renamed"));
    EXPECT_FALSE(QFile::exists(dir.file(FolderLockName())));
    EXPECT_TRUE(CloseDatabase(core)); // before the other folder goes
}

TEST_F(DatabaseTest, LastRowMismatchesAreReportedAndOpeningGoesOn) {
    ASSERT_TRUE(MakeLedgerFolder(dir.path(), 18,
                                 {"INSERT INTO txn (Id, Type) VALUES (1, 'D'), (2, 'D')",
                                  "INSERT INTO pstg (Txnid, Objid, Txntype) VALUES (1, 0, 'D')"},
                                 "[main]\nDBvn=18\n"));
    EXPECT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("ERROR : No PSTG.DB row for last TXN.DB row - run DB check")});
    EXPECT_TRUE(core.databaseDetails.open);
    ASSERT_TRUE(core.store().exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid, Txntype) VALUES (3, 0, 'D')")));
    ASSERT_TRUE(CloseDatabase(core));

    prompter.clearRecorded();
    EXPECT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("ERROR : No TXN.DB row for last PSTG.DB row - run DB check")});
}

TEST_F(DatabaseTest, OpeningLoadsThePotsAndTheArchiveStatusAndClosingSavesEverything) {
    ASSERT_TRUE(MakeLedgerFolder(
        dir.path(), 18, {"INSERT INTO obj (Id, Type, Name, CloseDate) VALUES (3, 6, 'Sweeps', 99999999)"},
        "[main]\nSweepToPotId=3\nOpeningBalPotId=99\nDBStartDate=20240101\nDBEndDate=20231231\n"
        "GenTo=20240101\n[forms]\nFCtrl-T=5\nFPstgs-W=300\n"));
    int refreshes = 0;
    core.onControlRefresh = [&] { ++refreshes; };
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_GE(refreshes, 2); // after reading the settings and at the end
    EXPECT_EQ(Ledger(core).sweepToPot.Id, 3);
    EXPECT_EQ(Ledger(core).sweepToPot.Name, QStringLiteral("Sweeps"));
    EXPECT_EQ(Ledger(core).openingBalPot.Id, 0);
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("obj not found 99")});

    const DatabaseDetails& d = core.databaseDetails;
    EXPECT_EQ(d.startDateValue, QStringLiteral("2024-01-01"));
    EXPECT_EQ(d.startDateText, QStringLiteral("Previous records to 2023-12-31 have been archived"));
    EXPECT_EQ(d.endDateValue, QStringLiteral("2023-12-31"));
    EXPECT_EQ(d.endDateText, QStringLiteral("This is an archive"));
    EXPECT_TRUE(QFile::exists(dir.file(FolderLockName())));

    core.collectFormPositions = [] { return std::vector<FormPosition>{{QStringLiteral("FCtrl"), 0, -1, 400, 600}}; };
    prompter.clearRecorded();
    ASSERT_TRUE(CloseDatabase(core));
    EXPECT_FALSE(core.store().isOpen());
    EXPECT_FALSE(core.databaseDetails.open);
    EXPECT_FALSE(QFile::exists(dir.file(FolderLockName())));
    Settings s;
    ReadSettings(SettingsPath(dir.path()), s);
    EXPECT_EQ(CalToInt(s.GenTo), 20240615); // today, though nothing was generated
    EXPECT_EQ(s.SweepToPotId, 3);
    const std::vector<FormPosition> forms = ReadFormPositions(SettingsPath(dir.path()));
    EXPECT_EQ(forms[11].top, 0);
    EXPECT_EQ(forms[11].width, 600);
    EXPECT_EQ(forms[19].name, QStringLiteral("FPstgs"));
    EXPECT_EQ(forms[19].width, 300); // a window not given keeps its saved place
    EXPECT_EQ(prompter.notices().count(QStringLiteral("Saving settings ( see KOVRALDB.INI )")), 2);
    EXPECT_TRUE(prompter.notices().back().isEmpty());
    EXPECT_TRUE(FlushTables(core));
}

// A version-12 folder whose settings file holds a name in Latin-1 keeps
// every setting and is converted; one whose settings file cannot be opened at
// all is still converted: the tables' layout, not the defaults, says which
// steps are still to make.
TEST_F(DatabaseTest, DamagedSettingsNeverSkipTheConversions) {
    ASSERT_TRUE(
        MakeLedgerFolder(dir.path(), 12, kOldLedger, "[main]\nDBvn=12\nDatabaseName=\xe9 \xa3\nBalAt=20241231\n"));
    expectQuestions(4);
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_EQ(core.settings().DatabaseName, QStringLiteral("\u00e9 \u00a3"));
    EXPECT_EQ(core.settings().BalAtInt, 20241231);
    EXPECT_EQ(core.settings().DBvn, 17);
    EXPECT_TRUE(hasColumn("txn", "chnum"));
    EXPECT_TRUE(QDir(dir.path()).entryList({SettingsFileName() + QStringLiteral(".bad-*")}).isEmpty());
    ASSERT_TRUE(CloseDatabase(core));

    TempFolder other;
    ASSERT_TRUE(MakeLedgerFolder(other.path(), 12, kOldLedger, ""));
    ASSERT_TRUE(QFile::remove(SettingsPath(other.path())));
    ASSERT_TRUE(QDir().mkpath(SettingsPath(other.path()))); // a folder in its place
    SetDataFolder(core, other.path());
    prompter.clearRecorded();
    expectQuestions(4);
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(core.settings().DBvn, 17);
    EXPECT_TRUE(hasColumn("txn", "chnum"));
    EXPECT_TRUE(hasColumn("pstg", "chnum"));
    EXPECT_TRUE(hasColumn("obj", "Fav"));
    ASSERT_TRUE(CloseDatabase(core));
    EXPECT_EQ(iniVersion(other.path()), 17);
}
