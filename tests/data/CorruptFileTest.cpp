// Damaged table files: each of the nine files cut short, emptied, with a bit
// flipped in its header or its first page, or replaced by a folder.  Opening
// the folder, by the store (OpenLedgerStore) and by the program
// (OpenDatabase), must fail with a message that names the damaged file, must
// not crash, must leave nothing open, and must not write to the damaged file,
// which stays byte for byte as it was (nor to the settings file).  The good
// folder opens again once the file is restored.
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Database.h"
#include "ledger/Objects.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>
#include <map>

namespace {

// What a file or folder holds, for comparing before and after: the bytes of a
// file, or "dir:" and the names and bytes of a folder's files.
QByteArray snapshot(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return QByteArrayLiteral("<missing>");
    if (!info.isDir())
        return ReadFile(path);
    QByteArray out = QByteArrayLiteral("dir:");
    const QDir dir(path);
    for (const QString& name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden, QDir::Name))
        out += name.toUtf8() + '=' + ReadFile(dir.filePath(name)) + ';';
    return out;
}

enum class Damage { Empty, HalfCut, HeaderCut, MagicFlip, PageSizeFlip, SchemaPageFlip, Folder };

const char* const kDamageNames[] = {"Empty",        "HalfCut",        "HeaderCut", "MagicFlip",
                                    "PageSizeFlip", "SchemaPageFlip", "Folder"};

// The bytes of a good file after the damage (Folder is made separately).
QByteArray damaged(const QByteArray& good, Damage d) {
    QByteArray b = good;
    switch (d) {
    case Damage::Empty:
        return {};
    case Damage::HalfCut:
        return b.left(b.size() / 2); // the header still counts every page
    case Damage::HeaderCut:
        return b.left(60); // inside the 100-byte file header
    case Damage::MagicFlip:
        b[0] = char(b[0] ^ 0x01);
        break; // "SQLite format 3"
    case Damage::PageSizeFlip:
        b[16] = char(b[16] ^ 0x04);
        break; // page size no power of two
    case Damage::SchemaPageFlip:
        b[100] = char(b[100] ^ 0x40);
        break; // page type of the schema page
    case Damage::Folder:
        break;
    }
    return b;
}

std::string caseName(const ::testing::TestParamInfo<Damage>& info) {
    return kDamageNames[int(info.param)];
}

// A good data folder, made once: the nine tables with a few rows and the
// settings file.  Each test lays down a copy for each of the nine files in
// turn and damages that file in it.
class CorruptFileTest : public ::testing::TestWithParam<Damage> {
protected:
    static void SetUpTestSuite() {
        s_good = new std::map<QString, QByteArray>;
        TempFolder folder;
        ScriptedPrompter p;
        {
            Store s(p);
            ASSERT_TRUE(OpenLedgerStore(s, folder.path(), true));
            ASSERT_TRUE(s.setSynchronous(0)); // a scratch folder: no need to wait for the disk
            ASSERT_TRUE(s.exec(QStringLiteral(
                "INSERT INTO obj (Id, Type, Name, CloseDate) VALUES (1, 1, 'Bank', 99999999), (2, 6, 'Pot', 99999999);"
                "INSERT INTO txn (Id, Type, Amt, Txndate, Date2, Accid1, Accid2, Accid3, Accid4)"
                " VALUES (1, 'C', 1000, '2024-02-01', '2024-02-01', 1, 0, 2, 0);"
                "INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) VALUES (0, 1, 0, '0000-00-00', 'A'),"
                " (0, 2, 0, '0000-00-00', 'A'), (1, 1, -1000, '2024-02-01', 'C'), (1, 2, -1000, '2024-02-01', 'C');")));
        }
        Settings settings;
        settings.Today = MakeDate(2024, 6, 15);
        ASSERT_TRUE(WriteSettings(p, SettingsPath(folder.path()), settings));
        for (const TableFile& f : LedgerTableFiles())
            (*s_good)[QString::fromLatin1(f.file)] = ReadFile(folder.file(QString::fromLatin1(f.file)));
        (*s_good)[SettingsFileName()] = ReadFile(SettingsPath(folder.path()));
    }
    static void TearDownTestSuite() {
        delete s_good;
        s_good = nullptr;
    }

    // Lays down the good folder in dir with the file damaged.
    void layDown(const TempFolder& dir, const QString& fileName) {
        ASSERT_TRUE(dir.valid());
        ASSERT_NE(s_good, nullptr);
        for (const auto& [name, bytes] : *s_good)
            ASSERT_TRUE(WriteFile(dir.file(name), bytes));
        const QString path = dir.file(fileName);
        if (GetParam() == Damage::Folder) {
            ASSERT_TRUE(QFile::remove(path));
            ASSERT_TRUE(QDir().mkdir(path));
            ASSERT_TRUE(WriteFile(path + QStringLiteral("/inside.txt"), "kept"));
        } else {
            ASSERT_TRUE(WriteFile(path, damaged(s_good->at(fileName), GetParam())));
        }
    }

    // The first message of a failed opening names the damaged file.
    static void expectReported(const ScriptedPrompter& p, const QString& path) {
        ASSERT_FALSE(p.messages().isEmpty());
        EXPECT_TRUE(p.messages().front().contains(path)) << p.messages().join(QLatin1Char('|')).toStdString();
    }

    static std::map<QString, QByteArray>* s_good;
};

std::map<QString, QByteArray>* CorruptFileTest::s_good = nullptr;

TEST_P(CorruptFileTest, OpeningFailsNamesTheFileAndWritesNothing) {
    for (const TableFile& table : LedgerTableFiles()) {
        const QString fileName = QString::fromLatin1(table.file);
        SCOPED_TRACE(fileName.toStdString());
        TempFolder dir;
        ASSERT_NO_FATAL_FAILURE(layDown(dir, fileName));
        if (HasFatalFailure())
            return;
        const QString path = dir.file(fileName);
        const QString ini = SettingsPath(dir.path());
        const QByteArray before = snapshot(path);
        const QByteArray iniBefore = snapshot(ini);

        // The store alone.
        {
            ScriptedPrompter p;
            Store store(p);
            EXPECT_FALSE(OpenLedgerStore(store, dir.path(), false));
            EXPECT_FALSE(store.isOpen());
            expectReported(p, path);
        }
        EXPECT_EQ(snapshot(path), before) << "the store wrote the damaged file";

        // The program's opening, and a close after it.
        {
            ScriptedPrompter p;
            TFCore core(p);
            core.settings().Today = MakeDate(2024, 6, 15);
            SetDataFolder(core, dir.path());
            EXPECT_EQ(OpenDatabase(core), OpenResult::Failed);
            EXPECT_FALSE(core.databaseDetails.open);
            EXPECT_FALSE(core.store().isOpen());
            EXPECT_FALSE(core.folderLock) << "a failed opening keeps no lock";
            EXPECT_TRUE(p.lastStatus().isEmpty());
            EXPECT_TRUE(CloseDatabase(core)); // writes nothing: nothing is open
            expectReported(p, path);
        }
        EXPECT_EQ(snapshot(path), before) << "the opening wrote the damaged file";
        EXPECT_EQ(snapshot(ini), iniBefore) << "the opening wrote the settings";

        // Restored, the folder opens again: the failure left nothing behind.
        ASSERT_TRUE(QDir(path).removeRecursively() || QFile::remove(path));
        ASSERT_TRUE(WriteFile(path, s_good->at(fileName)));
        ScriptedPrompter again;
        TFCore core(again);
        core.settings().Today = MakeDate(2024, 6, 15);
        SetDataFolder(core, dir.path());
        EXPECT_EQ(OpenDatabase(core), OpenResult::Opened);
        EXPECT_TRUE(again.messages().isEmpty()) << again.messages().join(QLatin1Char('|')).toStdString();
        ObjRec bank;
        EXPECT_TRUE(ReadObj(core, 1, bank));
        EXPECT_EQ(bank.Name, QStringLiteral("Bank"));
        core.store().close(); // without writing the settings back
        core.folderLock.reset();
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFile, CorruptFileTest,
                         ::testing::Values(Damage::Empty, Damage::HalfCut, Damage::HeaderCut, Damage::MagicFlip,
                                           Damage::PageSizeFlip, Damage::SchemaPageFlip, Damage::Folder),
                         caseName);

// A flip inside a table's own pages cannot be seen when the folder opens (the
// schema is whole); reading the table then fails with the store's message,
// without a crash and without writing to the file.
TEST(CorruptTablePageTest, ReadingADamagedTableIsReported) {
    TempFolder dir;
    ASSERT_TRUE(dir.valid());
    {
        ScriptedPrompter p;
        Store s(p);
        ASSERT_TRUE(OpenLedgerStore(s, dir.path(), true));
        ASSERT_TRUE(s.exec(QStringLiteral("INSERT INTO remdr (Id, Text) VALUES (1, 'one'), (2, 'two')")));
    }
    // remdr's root page is page 2 of REMDR.DB (page 1 is the schema).
    const QString path = dir.file(QStringLiteral("REMDR.DB"));
    QByteArray bytes = ReadFile(path);
    ASSERT_GT(bytes.size(), 4096 + 8);
    bytes[4096] = char(0x42); // no b-tree page type
    ASSERT_TRUE(WriteFile(path, bytes));

    ScriptedPrompter p;
    Store s(p);
    ASSERT_TRUE(OpenLedgerStore(s, dir.path(), false));
    Query q(s, QStringLiteral("SELECT * FROM remdr ORDER BY Id"));
    EXPECT_FALSE(q.next());
    EXPECT_FALSE(q.ok());
    ASSERT_EQ(p.messages().size(), 1);
    EXPECT_TRUE(p.messages().front().contains(QStringLiteral("malformed"))) << p.messages().front().toStdString();
    s.close();
    EXPECT_EQ(ReadFile(path), bytes);
}

} // namespace

// A settings file with the largest day count as DormantAfter: the derived
// dates are computed at once (they used to take minutes, a day at a time).
TEST(HostileSettingsFileTest, HugeDayCountsDoNotHoldTheOpening) {
    TempFolder dir;
    ASSERT_TRUE(dir.valid());
    ASSERT_TRUE(WriteFile(SettingsPath(dir.path()), "[main]\nDormantAfter=2147483647\nBalAt=99999999\nDBvn=0x12\n"));
    Settings s;
    s.Today = MakeDate(2024, 6, 15);
    ReadSettings(SettingsPath(dir.path()), s);
    EXPECT_EQ(s.DormantAfter, 2147483647);
    EXPECT_EQ(s.DBvn, 18);
    s.RecomputeDerived();
    const CalDate cut = IntToCal(s.DormantCutoff);
    EXPECT_GE(cut.month, 1);
    EXPECT_LE(cut.month, 12);
    EXPECT_EQ(s.BalAtInt, 99999999);
}
