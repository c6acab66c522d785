// What a killed program or a damaged folder leaves behind must not bar the
// data folder or lose the user's settings: an empty lock file, a settings file
// that is not text, a folder in the settings file's place, and a folder whose
// files can only be read.
#include "base/Dates.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Database.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QStringList asideFiles(const QString& folder) {
    return QDir(folder).entryList({SettingsFileName() + QStringLiteral(".bad-*")}, QDir::Files | QDir::Dirs);
}

// A data folder made and closed once, holding a settings file.
bool makeFolder(const QString& folder) {
    ScriptedPrompter p;
    TFCore core(p);
    SetDataFolder(core, folder);
    if (OpenDatabase(core) != OpenResult::Opened)
        return false;
    core.settings().DatabaseName = QStringLiteral("Household");
    return CloseDatabase(core);
}

} // namespace

TEST(CrashSafety, EmptyLockFileLeftByAKilledProgramDoesNotBarTheFolder) {
    TempFolder dir;
    ASSERT_TRUE(makeFolder(dir.path()));
    // A program killed between creating the lock file and writing its id.
    ASSERT_TRUE(WriteFile(dir.file(FolderLockName()), QByteArray()));

    ScriptedPrompter p;
    TFCore core(p);
    SetDataFolder(core, dir.path());
    EXPECT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_TRUE(p.messages().isEmpty()) << p.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(CloseDatabase(core));
}

TEST(CrashSafety, FolderInPlaceOfTheSettingsFileIsMovedAside) {
    TempFolder dir;
    ASSERT_TRUE(makeFolder(dir.path()));
    ASSERT_TRUE(QFile::remove(SettingsPath(dir.path())));
    ASSERT_TRUE(QDir().mkpath(SettingsPath(dir.path())));
    ASSERT_TRUE(WriteFile(SettingsPath(dir.path()) + QStringLiteral("/inside.txt"), "kept"));

    ScriptedPrompter p;
    EXPECT_TRUE(SetAsideUnreadableSettings(p, SettingsPath(dir.path())));
    const QStringList aside = asideFiles(dir.path());
    ASSERT_EQ(aside.size(), 1);
    EXPECT_EQ(ReadFile(dir.file(aside.front()) + QStringLiteral("/inside.txt")), QByteArray("kept"));
    EXPECT_FALSE(QFileInfo::exists(SettingsPath(dir.path())));
    EXPECT_EQ(p.messages().size(), 1);
}

TEST(CrashSafety, ReadableSettingsAndMissingFileAreLeftAlone) {
    TempFolder dir;
    ScriptedPrompter p;
    EXPECT_FALSE(SetAsideUnreadableSettings(p, SettingsPath(dir.path())));
    ASSERT_TRUE(WriteFile(SettingsPath(dir.path()), "[main]\nDatabaseName=Caf\xc3\xa9\n"));
    EXPECT_FALSE(SetAsideUnreadableSettings(p, SettingsPath(dir.path())));
    ASSERT_TRUE(WriteFile(SettingsPath(dir.path()), QByteArray()));
    EXPECT_FALSE(SetAsideUnreadableSettings(p, SettingsPath(dir.path())));
    EXPECT_TRUE(p.messages().isEmpty());
    EXPECT_TRUE(asideFiles(dir.path()).isEmpty());
}

// Table files that the system lets us read but not write (chmod works for a
// user; root is let through, so the test stands down there).
TEST(CrashSafety, ReadOnlyFilesOpenForReadingAndWriteNothing) {
    TempFolder dir;
    ASSERT_TRUE(makeFolder(dir.path()));
    if (geteuid() == 0)
        GTEST_SKIP() << "root writes read-only files; the kill tests cover a read-only mount";
    QStringList files = QDir(dir.path()).entryList(QDir::Files);
    for (const QString& f : files)
        ASSERT_EQ(chmod(dir.file(f).toLocal8Bit().constData(), 0444), 0);
    ASSERT_EQ(chmod(dir.path().toLocal8Bit().constData(), 0555), 0);
    const QByteArray settingsBefore = ReadFile(SettingsPath(dir.path()));

    ScriptedPrompter p;
    TFCore core(p);
    SetDataFolder(core, dir.path());
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_TRUE(core.databaseDetails.readOnly);
    ASSERT_FALSE(p.messages().isEmpty());
    EXPECT_TRUE(p.messages().front().contains(QStringLiteral("is read-only")));
    int id = 0;
    EXPECT_TRUE(NextTxnId(core, id)); // reading works
    TxnRec t;
    InitTxnRec(t);
    t.Type = 'D';
    t.Txndate = MakeDate(2024, 1, 2);
    EXPECT_FALSE(AddTxn(core, t));
    EXPECT_TRUE(CloseDatabase(core));
    EXPECT_EQ(ReadFile(SettingsPath(dir.path())), settingsBefore);
    chmod(dir.path().toLocal8Bit().constData(), 0755);
}

// A disk that fills up while the settings are written: the write fails, is
// reported, and the old file stays whole (a file size limit stands in for
// the full disk).
TEST(CrashSafety, SettingsWriteOnAFullDiskKeepsTheOldFile) {
    TempFolder dir;
    ASSERT_TRUE(makeFolder(dir.path()));
    const QString path = SettingsPath(dir.path());
    const QByteArray before = ReadFile(path);
    ASSERT_GT(before.size(), 200);

    Settings s;
    ReadSettings(path, s);
    s.DatabaseName = QStringLiteral("Changed");
    ScriptedPrompter p;
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 64;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool written = WriteSettings(p, path, s);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(p.messages(), QStringList{QStringLiteral("Unable to write to ") + path});
    EXPECT_TRUE(p.notices().back().isEmpty()); // the saving notice is taken down
    EXPECT_EQ(ReadFile(path), before);
    EXPECT_EQ(QDir(dir.path()).entryList({SettingsFileName() + QStringLiteral(".*")}, QDir::Files), QStringList{});
}

// The program dies after an upgrade step committed but before the settings
// file recorded its version: the next opening must not run the step again
// (step 14 would make a second "Default Category" and post every payment to
// it a second time).
TEST(CrashSafety, UpgradeStepThatCommittedIsNotRunTwice) {
    TempFolder dir;
    ASSERT_TRUE(MakeLedgerFolder(
        dir.path(), 12,
        {"INSERT INTO obj (Id, Type, Name, CloseDate) VALUES (1, 1, 'Bank', 99999999), (2, 4, 'Shop', 99999999),"
         " (3, 6, 'Pot', 99999999)",
         "INSERT INTO txn (Id, Type, Amt, Txndate, Date2, Cancelled, Accid1, Accid2, Accid3, Accid4, Masterid,"
         " Instance) VALUES (1, 'P', 500, '2024-01-05', '2024-01-05', 0, 1, 2, 3, 0, 0, 0)",
         "INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) VALUES (1, 1, -500, '2024-01-05', 'P'),"
         " (1, 2, 500, '2024-01-05', 'P'), (1, 3, -500, '2024-01-05', 'P')"},
        "[main]\nDBvn=12\n"));
    const QString convert = QStringLiteral("Database will be converted, have you backed it up?");
    {
        ScriptedPrompter p;
        for (int i = 0; i < 4; ++i) // 12, 13, 14 and 16
            p.expectQuestion(convert, 'Y');
        TFCore core(p);
        SetDataFolder(core, dir.path());
        ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
        ASSERT_TRUE(CloseDatabase(core));
    }
    // As if the settings write after step 14 never reached the disk.
    {
        ScriptedPrompter p;
        Settings st;
        ReadSettings(SettingsPath(dir.path()), st);
        ASSERT_EQ(st.DBvn, 17);
        st.DBvn = 14;
        ASSERT_TRUE(WriteSettings(p, SettingsPath(dir.path()), st));
    }
    ScriptedPrompter p;
    p.expectQuestion(convert, 'Y'); // 17 only
    TFCore core(p);
    SetDataFolder(core, dir.path());
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_TRUE(p.allAnswered());
    EXPECT_EQ(core.settings().DBvn, 18);
    EXPECT_EQ(Scalar(core.store(), QStringLiteral("SELECT count(*) FROM obj WHERE Name = 'Default Category'")), 1);
    EXPECT_EQ(Scalar(core.store(), QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = 1")), 4);
    EXPECT_TRUE(CloseDatabase(core));
}

// The program dies while making a new data folder, before the tables'
// transaction commits: the folder holds empty table files and no settings
// file.  The next start makes it again instead of failing for good with "no
// such table".
TEST(CrashSafety, NewFolderWhoseMakingWasCutShortIsMadeAgain) {
    TempFolder dir;
    for (const TableFile& t : LedgerTableFiles())
        ASSERT_TRUE(WriteFile(dir.file(QString::fromLatin1(t.file)), QByteArray()));

    ScriptedPrompter p;
    TFCore core(p);
    SetDataFolder(core, dir.path());
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened) << p.messages().join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(QFileInfo::exists(SettingsPath(dir.path())));
    int id = 0;
    EXPECT_TRUE(NextTxnId(core, id));
    EXPECT_EQ(id, 1);
    EXPECT_TRUE(CloseDatabase(core));
}

// A folder whose tables hold data but whose settings file is gone is not
// taken for a new one: a missing table file stays an error.
TEST(CrashSafety, FolderWithDataButNoSettingsIsNotRemade) {
    TempFolder dir;
    ASSERT_TRUE(makeFolder(dir.path()));
    ASSERT_TRUE(QFile::remove(SettingsPath(dir.path())));
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("channel.db"))));

    ScriptedPrompter p;
    TFCore core(p);
    SetDataFolder(core, dir.path());
    EXPECT_EQ(OpenDatabase(core), OpenResult::Failed);
    EXPECT_FALSE(QFileInfo::exists(dir.file(QStringLiteral("channel.db"))));
}

// The first start died after the tables committed but before the settings
// file was written: opening writes it, so the folder is marked as holding
// KOVRAL data (Database, Select and the health check look for it).
TEST(CrashSafety, OpeningWritesAMissingSettingsFile) {
    TempFolder dir;
    {
        ScriptedPrompter p;
        TFCore core(p);
        ASSERT_TRUE(OpenLedgerStore(core.store(), dir.path(), true));
    }
    ASSERT_FALSE(QFileInfo::exists(SettingsPath(dir.path())));
    ScriptedPrompter p;
    TFCore core(p);
    SetDataFolder(core, dir.path());
    ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
    EXPECT_TRUE(QFileInfo::exists(SettingsPath(dir.path())));
    EXPECT_TRUE(CloseDatabase(core));
}
