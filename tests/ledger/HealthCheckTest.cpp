// The health check's run: backup, log layout, statistics, the run marker, the
// skip rule, the error limit, Cancel and a table changed under a scan.
#include "HealthCheckFixture.h"

#include <QDir>
#include <QFileInfo>

namespace {
QStringList FileLines(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    QStringList lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.back().isEmpty())
        lines.removeLast();
    return lines;
}
} // namespace

TEST_F(HealthCheckFixture, CleanLedgerLogsEveryScanAndEndsOk) {
    ASSERT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    EXPECT_EQ(view.started, 1);
    EXPECT_EQ(view.finished, 1);
    EXPECT_EQ(view.lines.value(0), QStringLiteral("Database path = ") + dir.path());
    EXPECT_EQ(view.lines.value(1),
              QStringLiteral("Healthcheck at ") + hc.RunStamp().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    EXPECT_EQ(view.lines.value(2), QStringLiteral("All files including this log (HCHK.TXT) backed up to"));
    EXPECT_EQ(view.lines.value(3), QStringLiteral("   ") + hc.BackupFolder());
    EXPECT_EQ(view.lines.value(4), QString());
    // Every scan in order, each with its count and end line.
    const int objs = int(scalar(QStringLiteral("SELECT count(*) FROM obj")));
    const int txns = int(scalar(QStringLiteral("SELECT count(*) FROM txn")));
    const int pstgs = int(scalar(QStringLiteral("SELECT count(*) FROM pstg")));
    int at = 0;
    for (const QString& line :
         {QStringLiteral("OBJ.DB : %1 record(s)").arg(objs), QStringLiteral("OBJ.DB scan complete"),
          QStringLiteral("TXN.DB : %1 record(s)").arg(txns), QStringLiteral("TXN.DB scan complete"),
          QStringLiteral("PSTG.DB : %1 record(s)").arg(pstgs), QStringLiteral("PSTG.DB scan complete"),
          QStringLiteral("rptr.DB : 1 record(s)"), QStringLiteral("rptr.DB scan complete"),
          QStringLiteral("cptypot.db : 2 record(s)"), QStringLiteral("cptypot.db scan complete")}) {
        const int i = view.lines.indexOf(line, at);
        EXPECT_GT(i, at - 1) << line.toStdString() << "\n" << dump().toStdString();
        at = i < 0 ? at : i;
    }
    EXPECT_EQ(view.lines.back(), QStringLiteral("All scans complete OK"));
    EXPECT_FALSE(hasStarting(QStringLiteral("Error")));

    // Summaries.
    EXPECT_TRUE(has(QStringLiteral("Last record id ") + S(salary)));
    EXPECT_TRUE(has(QStringLiteral("External accs b/fd 100.00")));
    EXPECT_TRUE(has(QStringLiteral("Internal accs b/fd 100.00")));
    EXPECT_TRUE(has(QStringLiteral("4 Payment(s) 72.34"))) << dump().toStdString(); // cancelled one not counted
    EXPECT_TRUE(has(QStringLiteral("1 Receipt(s) 1,000.00")));
    EXPECT_TRUE(has(QStringLiteral("1 External transfer(s) 50.00")));
    EXPECT_TRUE(has(QStringLiteral("1 Internal transfer(s) 5.00")));
    EXPECT_TRUE(has(QStringLiteral("1 Transfer(s) - ext 7.00 , int 7.00")));
    EXPECT_TRUE(has(QStringLiteral("1 Diary item(s)")));
    EXPECT_TRUE(has(QStringLiteral("Earliest posting date 2024-03-01")));
    EXPECT_TRUE(has(QStringLiteral("Latest posting date 2024-07-01")));
    EXPECT_TRUE(has(QStringLiteral("Database start date 0000-00-00")));
    EXPECT_FALSE(has(QStringLiteral("Database start date later than earliest posting date")));

    // The run marker is on both links; a check that wrote nothing else keeps
    // the postings' markers in memory instead of rewriting the whole table.
    const QString ts = DateTimeToStore(hc.RunStamp());
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Rprts = '%1'").arg(ts)), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot WHERE Rprts = '%1'").arg(ts)), 2);
    EXPECT_TRUE(core.databaseDetails.open);
}

TEST_F(HealthCheckFixture, BackupCopiesTheDataFolderAndKeepsTheLog) {
    // Both runs below start in the same second.
    const QDateTime start(QDate(2024, 6, 15), QTime(10, 20, 30));
    hc.setClock([start] { return start; });
    ASSERT_TRUE(run(HchkMode::Check));
    const QString root = program.path() + QStringLiteral("Pre-healthcheck backups/");
    EXPECT_TRUE(prompter.messages().contains(QStringLiteral("Making directory \"") + root + QStringLiteral("\"")));
    const QString folder = hc.BackupFolder();
    EXPECT_EQ(folder, root + QStringLiteral("HCHK") + hc.RunStamp().toString(QStringLiteral("yyyyMMddhhmmss")) +
                          QStringLiteral("/"));
    for (const TableFile& t : LedgerTableFiles())
        EXPECT_TRUE(QFileInfo::exists(folder + QString::fromLatin1(t.file))) << t.file;
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("KOVRALDB.INI")));
    EXPECT_FALSE(QFileInfo::exists(folder + FolderLockName()));
    EXPECT_EQ(FileLines(folder + QStringLiteral("HCHK.TXT")), view.lines);

    // The copy is the ledger before the run: a later change does not reach it.
    exec(QStringLiteral("DELETE FROM pstg WHERE Txnid = %1").arg(payId));
    Store copy(prompter);
    ASSERT_TRUE(OpenLedgerStore(copy, folder, false));
    Query q(copy, QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = :t"));
    q.bind("t", payId);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.int64(0), 4);
    q.reset();
    copy.close();

    // A second run within the same second gets a folder of its own; the root
    // exists, so nothing more is announced.
    prompter.clearRecorded();
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_EQ(folder, root + QStringLiteral("HCHK20240615102030/"));
    EXPECT_EQ(hc.BackupFolder(), root + QStringLiteral("HCHK20240615102031/"));
    EXPECT_TRUE(QFileInfo::exists(folder + QStringLiteral("HCHK.TXT")));
    EXPECT_FALSE(prompter.messages().join(QString()).contains(QStringLiteral("Making directory")));
}

TEST_F(HealthCheckFixture, FirstScanWithAnErrorSkipsTheLaterScans) {
    exec(QStringLiteral("UPDATE obj SET Name = '' WHERE Id = %1").arg(general));
    exec(QStringLiteral("DELETE FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(groceries)); // txn scan
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(QStringLiteral("Error (for manual repair) : Obj %1 type 6 account name is blank").arg(general)));
    EXPECT_TRUE(has(QStringLiteral("OBJ.DB scan complete")));
    EXPECT_TRUE(has(QStringLiteral("1 non-repairable error(s) - you must repair these")));
    EXPECT_TRUE(has(QStringLiteral("If these problems recur try running REBUILD.EXE to verify/rebuild the deep "
                                   "structure of the relevant tables")));
    EXPECT_FALSE(hasStarting(QStringLiteral("TXN.DB")));
    EXPECT_FALSE(hasStarting(QStringLiteral("PSTG.DB")));
    EXPECT_FALSE(hasStarting(QStringLiteral("rptr.DB")));
    EXPECT_FALSE(hasStarting(QStringLiteral("cptypot.db")));
    EXPECT_FALSE(has(QStringLiteral("All scans complete OK")));
    EXPECT_FALSE(has(QStringLiteral("Scan aborted")));
    // The links were not judged: a skipped link scan deletes nothing.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot")), 2);

    // A manual error stays as it is in repair mode.
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM obj WHERE Name = ''")), 1);
    EXPECT_FALSE(hasStarting(QStringLiteral("0 error(s) repaired")));
    EXPECT_FALSE(hasStarting(QStringLiteral("TXN.DB")));
}

TEST_F(HealthCheckFixture, ErrorLimitAbandonsTheScan) {
    // Every posting of every transaction missing: far more error lines than
    // the log may hold.
    exec(QStringLiteral("DELETE FROM pstg WHERE Txnid > 0 AND Txnid < %1").arg(reconId));
    hc.setLogCapacity(16);
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(prompter.messages().contains(QStringLiteral("Scan abandoned - error limit reached ")));
    EXPECT_EQ(prompter.messages().count(QStringLiteral("Scan abandoned - error limit reached ")), 1);
    EXPECT_EQ(view.lines.size(), 17);
    EXPECT_EQ(view.lines.back(), QStringLiteral("Scan aborted"));
    EXPECT_FALSE(has(QStringLiteral("TXN.DB scan complete")));
    EXPECT_EQ(FileLines(hc.BackupFolder() + QStringLiteral("HCHK.TXT")), view.lines);
    EXPECT_TRUE(hc.AbortFlag());

    // The default capacity takes them all.
    hc.setLogCapacity(HealthCheck::kDefaultLogCapacity);
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(QStringLiteral("TXN.DB scan complete")));
    EXPECT_FALSE(has(QStringLiteral("Scan aborted")));
}

TEST_F(HealthCheckFixture, CancelStopsTheScanAtTheNextRow) {
    int rows = 0;
    view.onInput = [&] {
        if (++rows == 2)
            hc.Abort();
    };
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_EQ(rows, 2);
    EXPECT_TRUE(has(QStringLiteral("OBJ.DB : 10 record(s)")));
    EXPECT_FALSE(has(QStringLiteral("OBJ.DB scan complete")));
    EXPECT_FALSE(hasStarting(QStringLiteral("TXN.DB")));
    EXPECT_EQ(view.lines.back(), QStringLiteral("Scan aborted"));
    EXPECT_EQ(view.progress.value(0), QStringLiteral(" 9"));
    EXPECT_EQ(view.progress.value(1), QStringLiteral(" 8"));
}

TEST_F(HealthCheckFixture, ProgressCountsDownWithTheTransactionId) {
    ASSERT_TRUE(run(HchkMode::Check));
    const int txns = int(scalar(QStringLiteral("SELECT count(*) FROM txn")));
    EXPECT_TRUE(view.progress.contains(QStringLiteral(" %1; Id = %2").arg(txns - 1).arg(payId)));
    EXPECT_TRUE(view.progress.contains(QStringLiteral(" 0; Id = %1").arg(int(scalar("SELECT max(Id) FROM txn")))));
    EXPECT_EQ(view.progress.back(), QString());
}

TEST_F(HealthCheckFixture, TableChangedUnderTheScanIsARecordCountError) {
    // While the transactions are walked, another window adds one.
    bool added = false;
    view.onInput = [&] {
        if (!added && !view.progress.isEmpty() && view.progress.back().contains(QStringLiteral("; Id = "))) {
            added = true;
            TxnRec d = txnOf('D', 0, D(2024, 4, 1), 0);
            ASSERT_TRUE(addWithPostings(d));
        }
    };
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(added);
    EXPECT_TRUE(has(QStringLiteral("Error (for manual repair) : Record count error, use REBUILD.EXE utility to fix")))
        << dump().toStdString();
    EXPECT_TRUE(has(QStringLiteral("TXN.DB scan complete")));
}

TEST_F(HealthCheckFixture, RepairEndReportInvitesARecheck) {
    exec(QStringLiteral("DELETE FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(rcptId).arg(salary));
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(QStringLiteral("1 repairable error(s) found")));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(QStringLiteral("1 error(s) repaired - run \"Recheck\" to confirm, further errors may be found")));
    EXPECT_TRUE(run(HchkMode::Check));
}

TEST_F(HealthCheckFixture, DatabaseStartDateLaterThanPostingsIsNoted) {
    core.settings().DBStartDate = D(2024, 4, 1);
    ASSERT_TRUE(run(HchkMode::Check)); // written when the run closes the database, read back when it reopens
    EXPECT_TRUE(has(QStringLiteral("Database start date 2024-04-01")));
    EXPECT_TRUE(has(QStringLiteral("Database start date later than earliest posting date")));
}
