// The archive of old transactions on a real program folder: what leaves the
// current database and what stays, balances from the archive date on, the
// copy and its settings, the refusals that stop before anything is written,
// and a failed copy that must remove nothing.
#include "ledger/Archive.h"

#include "HealthCheckFixture.h"
#include "data/SettingsFile.h"
#include "ledger/Balances.h"
#include "ledger/Database.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <map>
#include <set>

namespace {

const QString kPrompt = QStringLiteral("Archive transactions before specified date");
const QString kChecked = QStringLiteral("Checked for minimal incidence of non-zero Pot balances as at archive date?");
const QString kComplete = QStringLiteral("Archive complete - run Database Repair to remove archived cpty-pots");

QString lastChance(const QString& date) {
    return QStringLiteral("OK to archive txns older than ") + date + QStringLiteral(" (last chance)?");
}

class ArchiveTest : public LedgerFixture {
protected:
    QString prog, data;
    int bank = 0, bank2 = 0, cpty = 0, pot = 0, pot2 = 0, ctgy = 0;

    // The program folder is the temporary folder; its data folder is DATA/,
    // opened as the program opens it.
    void SetUp() override {
        ASSERT_TRUE(dir.valid());
        prog = dir.path();
        data = prog + QStringLiteral("DATA/");
        core.setProgramFolder(prog);
        Settings& s = core.settings();
        s.Today = D(2024, 6, 15);
        SetDataFolder(core, data);
        ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
        s.BalFrom = D(2024, 1, 1);
        s.BalAt = D(2024, 6, 30);
        s.RecomputeDerived();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        bank2 = addObj(otExtAcc, QStringLiteral("Savings"));
        cpty = addObj(otCpty, QStringLiteral("Shop"));
        pot = addObj(otPot, QStringLiteral("Food"));
        pot2 = addObj(otPot, QStringLiteral("Rainy day"));
        ctgy = addObj(otCtgy, QStringLiteral("Groceries"));
    }
    void TearDown() override {
        if (core.databaseDetails.open)
            CloseDatabase(core);
    }

    QString archiveFolder() const {
        return prog + QStringLiteral("ARCHIVE/") + CalToDateStr(core.settings().Today) + "/";
    }

    int add(char type, Amount amt, const CalDate& txndate, const CalDate& date2, int a1, int a2 = 0, int a3 = 0,
            int a4 = 0) {
        TxnRec t = txnOf(type, amt, txndate, a1, a2, a3, a4);
        t.Date2 = date2;
        EXPECT_TRUE(addWithPostings(t));
        return t.Id;
    }
    int payment(Amount amt, const CalDate& txndate, const CalDate& date2 = {}) {
        return add('P', amt, txndate, date2, bank, cpty, pot, ctgy);
    }

    std::set<int> txnIds() {
        std::set<int> ids;
        Query q(core.store(), QStringLiteral("SELECT Id FROM txn"));
        while (q.next())
            ids.insert(q.integer("Id"));
        return ids;
    }

    // Every leaf's balance before date, as the postings view computes it.
    std::map<int, Amount> balancesAt(const CalDate& date) {
        std::map<int, Amount> out;
        for (int id : {bank, bank2, cpty, pot, pot2, ctgy})
            out[id] = SetRngBal(core, id, date);
        return out;
    }

    Amount bfdBal(int id) {
        ObjRec r;
        EXPECT_TRUE(ReadObj(core, id, r));
        return r.BfdBal;
    }

    // The whole dialogue of an archive that goes through.
    void expectArchive(const QString& date) {
        prompter.expectInput(kPrompt, true, date);
        prompter.expectQuestion(kChecked, 'Y');
        prompter.expectQuestion(lastChance(date), 'Y');
    }

    static Settings iniOf(const QString& folder) {
        Settings s;
        ReadSettings(SettingsPath(folder), s);
        return s;
    }
};

TEST_F(ArchiveTest, RemovesWhatLiesBeforeTheDateKeepsBalancesAndLeavesARunnableCopy) {
    const QDateTime stamp(QDate(2020, 3, 4), QTime(5, 6, 7));
    for (const char* name : {"kovral", "npad.txt"}) {
        QFile f(prog + name);
        ASSERT_TRUE(WriteFile(prog + name, name) && f.open(QIODevice::ReadWrite) &&
                    f.setFileTime(stamp, QFileDevice::FileModificationTime));
    }

    // Leave: all their dates are before 2024-01-01.
    const int early = payment(1000, D(2023, 5, 10));
    const int yearEnd = add('R', 250, D(2023, 12, 31), {}, bank, cpty, pot, ctgy);
    const int transfer = add('C', 300, D(2023, 11, 11), {}, bank, bank2, pot, pot2);
    const int diary = add('D', 0, D(2023, 8, 1), {}, 0);
    const int nullDate2 = payment(40, D(2023, 6, 1));
    ASSERT_TRUE(core.store().exec(QStringLiteral("UPDATE txn SET Date2 = NULL WHERE Id = %1").arg(nullDate2)));
    ASSERT_TRUE(RecordReconciledBalance(core, bank, D(2023, 12, 31), -1000 + 250 - 300 - 40));
    // Stay: the bank side clears on or after the date; no Date2 (stored as
    // "0000-00-00") with a later Txndate; the pot side dated after the date
    // although the bank side is earlier; exactly on the date.
    const int clearsLater = payment(70, D(2023, 12, 20), D(2024, 1, 3));
    const int noDate2Later = payment(80, D(2024, 2, 1));
    const int potLater = payment(90, D(2024, 1, 5), D(2023, 12, 30));
    const int onTheDay = payment(11, D(2024, 1, 1));

    ASSERT_TRUE(Rebalance(core));
    const std::set<int> before = txnIds();
    const std::set<int> kept = {clearsLater, noDate2Later, potLater, onTheDay};
    const std::vector<CalDate> dates = {D(2024, 1, 1), D(2024, 1, 2), D(2024, 1, 4),
                                        D(2024, 1, 6), D(2024, 2, 2), D(2025, 1, 1)};
    std::vector<std::map<int, Amount>> balancesBefore;
    for (const CalDate& d : dates)
        balancesBefore.push_back(balancesAt(d));
    std::map<int, Amount> folded; // what the removed postings add to each BfdBal
    {
        Query q(core.store(), QStringLiteral("SELECT Objid, sum(Amt) AS s FROM pstg WHERE Txnid > 0 AND Txnid NOT IN "
                                             "(%1, %2, %3, %4) GROUP BY Objid")
                                  .arg(clearsLater)
                                  .arg(noDate2Later)
                                  .arg(potLater)
                                  .arg(onTheDay));
        while (q.next())
            folded[q.integer("Objid")] = q.integer("s");
    }
    ASSERT_NE(folded[bank], 0);
    prompter.clearRecorded();

    expectArchive(QStringLiteral("2024-01-01"));
    ASSERT_TRUE(ArchiveTransactions(core));

    EXPECT_EQ(prompter.messages(),
              QStringList({QStringLiteral("Making directory \"") + prog + "ARCHIVE/\"", kComplete}));
    EXPECT_TRUE(prompter.statusTexts().contains(QStringLiteral("Archiving kovral.exe")));
    EXPECT_TRUE(prompter.statusTexts().contains(QStringLiteral("Archiving data ") + data));
    EXPECT_TRUE(prompter.lastStatus().trimmed().isEmpty());
    EXPECT_FALSE(prompter.busyCursor());

    // The current database.
    EXPECT_EQ(txnIds(), kept);
    for (int id : {early, yearEnd, transfer, diary, nullDate2})
        EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1").arg(id)), 0) << id;
    for (int id : {bank, bank2, cpty, pot, pot2, ctgy})
        EXPECT_EQ(bfdBal(id), folded[id]) << id;
    for (size_t i = 0; i < dates.size(); ++i)
        EXPECT_EQ(balancesAt(dates[i]), balancesBefore[i]) << CalToDateStr(dates[i]).toStdString();
    EXPECT_FALSE(core.settings().RebalNeeded);
    EXPECT_EQ(CalToInt(core.settings().DBStartDate), 20240101);
    EXPECT_EQ(CalToInt(core.settings().DBEndDate), 0);
    EXPECT_EQ(core.databaseDetails.startDateText, QStringLiteral("Previous records to 2023-12-31 have been archived"));
    EXPECT_EQ(core.databaseDetails.endDateText, QStringLiteral("This database is current"));

    // The copy: program files with their dates, every data file but the lock,
    // and settings that end the day before the archive date.
    const QString folder = archiveFolder();
    for (const char* name : {"kovral", "npad.txt"}) {
        EXPECT_EQ(ReadFile(folder + name), ReadFile(prog + name)) << name;
        EXPECT_EQ(QFileInfo(folder + name).lastModified(), stamp) << name;
    }
    EXPECT_FALSE(QFileInfo::exists(folder + "DATA/" + FolderLockName()));
    const Settings copied = iniOf(folder + "DATA/");
    EXPECT_EQ(CalToInt(copied.DBEndDate), 20231231);
    EXPECT_EQ(CalToInt(copied.DBStartDate), 0);

    // The current settings file after the next close.
    ASSERT_TRUE(CloseDatabase(core));
    const Settings current = iniOf(data);
    EXPECT_EQ(CalToInt(current.DBStartDate), 20240101);
    EXPECT_EQ(CalToInt(current.DBEndDate), 0);

    // Opened from the archive folder, the copy holds everything and says so.
    ScriptedPrompter p2;
    TFCore copy(p2);
    copy.settings().Today = D(2024, 6, 15);
    copy.setProgramFolder(folder);
    SetDataFolder(copy, folder + "DATA/");
    ASSERT_EQ(OpenDatabase(copy), OpenResult::Opened);
    EXPECT_EQ(copy.databaseDetails.endDateText, QStringLiteral("This is an archive"));
    EXPECT_EQ(copy.databaseDetails.endDateValue, QStringLiteral("2023-12-31"));
    EXPECT_EQ(size_t(Scalar(copy.store(), QStringLiteral("SELECT count(*) FROM txn"))), before.size());
    CloseDatabase(copy);
    EXPECT_TRUE(p2.messages().isEmpty()) << p2.messages().join(" | ").toStdString();
}

TEST_F(ArchiveTest, OneArchivePerDayAndTheStartDateNeverMovesBack) {
    payment(100, D(2023, 3, 1));
    const int later = payment(200, D(2023, 9, 1));
    ASSERT_TRUE(Rebalance(core));
    expectArchive(QStringLiteral("2023-07-01"));
    ASSERT_TRUE(ArchiveTransactions(core));
    EXPECT_EQ(txnIds(), std::set<int>{later});
    prompter.clearRecorded();

    prompter.expectInput(kPrompt, true, QStringLiteral("2024-01-01"));
    prompter.expectQuestion(kChecked, 'Y');
    EXPECT_FALSE(ArchiveTransactions(core));
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("Cannot archive - folder already exists ") + archiveFolder()});
    EXPECT_EQ(txnIds(), std::set<int>{later});

    // The next day an earlier date archives nothing and keeps the start.
    core.settings().Today = D(2024, 6, 16);
    prompter.clearRecorded();
    expectArchive(QStringLiteral("2023-01-01"));
    ASSERT_TRUE(ArchiveTransactions(core));
    EXPECT_EQ(txnIds(), std::set<int>{later});
    EXPECT_EQ(CalToInt(core.settings().DBStartDate), 20230701);
    EXPECT_TRUE(QFileInfo(archiveFolder() + "DATA/TXN.DB").isFile());
}

TEST_F(ArchiveTest, RefusalsAndNoAnswersStopBeforeAnythingIsWritten) {
    payment(100, D(2023, 3, 1));
    ASSERT_TRUE(Rebalance(core));
    const std::set<int> ids = txnIds();
    prompter.clearRecorded();
    auto unchanged = [&](const char* what) {
        EXPECT_EQ(txnIds(), ids) << what;
        EXPECT_FALSE(QFileInfo::exists(archiveFolder())) << what;
        EXPECT_EQ(CalToInt(core.settings().DBStartDate), 0) << what;
        EXPECT_EQ(bfdBal(bank), 0) << what;
        EXPECT_TRUE(prompter.allAnswered()) << what;
    };

    core.SetRebalNeeded(true);
    EXPECT_FALSE(ArchiveTransactions(core));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Cannot archive - rebal needed")});
    unchanged("rebal needed");
    core.SetRebalNeeded(false);
    prompter.clearRecorded();

    prompter.expectInput(kPrompt, false, QString());
    EXPECT_FALSE(ArchiveTransactions(core));
    unchanged("cancelled");

    for (const char* text : {"yyyy-mm-dd", "2024-02-30", "2023-13-01", "2023-00-10", "2024-1-1", "0000-01-01", ""}) {
        prompter.expectInput(kPrompt, true, QString::fromLatin1(text));
        EXPECT_FALSE(ArchiveTransactions(core)) << text;
        unchanged(text);
    }
    EXPECT_TRUE(prompter.messages().isEmpty());

    prompter.expectInput(kPrompt, true, QStringLiteral("2024-01-01"));
    prompter.expectQuestion(kChecked, 'N');
    EXPECT_FALSE(ArchiveTransactions(core));
    unchanged("not checked");

    prompter.expectInput(kPrompt, true, QStringLiteral("2024-01-01"));
    prompter.expectQuestion(kChecked, 'Y');
    prompter.expectQuestion(lastChance(QStringLiteral("2024-01-01")), 'N');
    EXPECT_FALSE(ArchiveTransactions(core));
    unchanged("last chance");
    EXPECT_TRUE(core.databaseDetails.open);
}

TEST_F(ArchiveTest, AFailedCopyRemovesNothingAndAllowsAnotherTry) {
    const int old = payment(100, D(2023, 3, 1));
    ASSERT_TRUE(Rebalance(core));
    const std::set<int> ids = txnIds();
    // A data file that cannot be read: its copy fails and is given up.
    const QString unreadable = data + QStringLiteral("zz-unreadable");
    ASSERT_TRUE(QFile::link(QStringLiteral("/proc/self/mem"), unreadable));
    prompter.clearRecorded();

    expectArchive(QStringLiteral("2024-01-01"));
    prompter.expectQuestion(QStringLiteral("file open error \"") + archiveFolder() + "DATA/zz-unreadable\" - retry?",
                            'N');
    EXPECT_FALSE(ArchiveTransactions(core));
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(prompter.messages().back(), QStringLiteral("Archive abandoned - no transactions were removed"));
    EXPECT_FALSE(prompter.busyCursor());

    // Nothing removed, the database open again and still current, on disk too.
    ASSERT_TRUE(core.databaseDetails.open);
    EXPECT_EQ(txnIds(), ids);
    EXPECT_EQ(bfdBal(bank), 0);
    EXPECT_EQ(CalToInt(core.settings().DBEndDate), 0);
    EXPECT_EQ(CalToInt(core.settings().DBStartDate), 0);
    EXPECT_EQ(core.databaseDetails.endDateText, QStringLiteral("This database is current"));
    EXPECT_EQ(CalToInt(iniOf(data).DBEndDate), 0);
    // The incomplete copy does not pass for an archive.
    EXPECT_FALSE(QFileInfo::exists(archiveFolder()));

    ASSERT_TRUE(QFile::remove(unreadable));
    prompter.clearRecorded();
    expectArchive(QStringLiteral("2024-01-01"));
    ASSERT_TRUE(ArchiveTransactions(core));
    EXPECT_EQ(txnIds().count(old), 0u);
}

TEST(ParseArchiveDate, AcceptsOnlyRealDaysWrittenInFull) {
    CalDate d;
    EXPECT_TRUE(ParseArchiveDate(QStringLiteral("2024-02-29"), d));
    EXPECT_EQ(CalToInt(d), 20240229);
    EXPECT_TRUE(ParseArchiveDate(QStringLiteral(" 2023-12-31 "), d));
    EXPECT_EQ(CalToInt(d), 20231231);
    for (const char* bad : {"2023-02-29", "2023-04-31", "2023-12-32", "2023-12-31x", "2023-12", "YYYY-MM-DD"})
        EXPECT_FALSE(ParseArchiveDate(QString::fromLatin1(bad), d)) << bad;
}

} // namespace

// The health check after an archive accepts the repeaters whose instances
// went with it, so that its repair does not make the next generation bring
// the archived instances (and their money) back.
TEST_F(ArchiveTest, CheckAndRepairAfterAnArchiveGenerateNothingArchived) {
    // A standing order that ended in 2023: every one of its instances goes.
    RptrRec r;
    InitRptrRec(r);
    r.Type = 'P';
    r.Amt = 2500;
    r.Accid1 = bank;
    r.Accid2 = cpty;
    r.Accid3 = pot;
    r.Accid4 = ctgy;
    r.Freq = 'M';
    r.StartDate = D(2023, 9, 1);
    r.EndDate = D(2023, 12, 31);
    r.RptActive = true;
    ASSERT_TRUE(WriteRepeater(core, r));
    GenerateInstances(core, r, D(2024, 6, 30));
    ASSERT_EQ(r.Gento, 4);
    payment(100, D(2024, 2, 1));
    ASSERT_TRUE(Rebalance(core));

    expectArchive(QStringLiteral("2024-01-01"));
    ASSERT_TRUE(ArchiveTransactions(core));
    ASSERT_TRUE(prompter.allAnswered());
    ASSERT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 1);
    const std::map<int, Amount> before = balancesAt(D(2024, 6, 30));

    RecordingView view;
    HealthCheck hc(core, view);
    hc.setInputInterval(0);
    hc.Run(HchkMode::Check);
    hc.Run(HchkMode::Repair);
    EXPECT_TRUE(hc.Run(HchkMode::Check)) << view.lines.join(QLatin1Char('\n')).toStdString();
    ASSERT_TRUE(ReadRepeater(core, r.Id, r));
    EXPECT_EQ(r.Gento, 4);

    GenerateInstances(core, r, D(2024, 6, 30));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 1);
    EXPECT_EQ(balancesAt(D(2024, 6, 30)), before);
}
