// The walks of the health check over more rows than one read-ahead block,
// changes made during the window's turn, and the window's turn taken a few
// times a second rather than on every row.
#include "HealthCheckFixture.h"

namespace {
const QString kRepairable = QStringLiteral("Error (can auto-repair) : ");
} // namespace

class HealthCheckWalkFixture : public HealthCheckFixture {
protected:
    std::vector<int> extra; // payments added after the fixture's ledger

    void addPayments(int count) {
        StoreTransaction st(core.store());
        for (int i = 0; i < count; ++i) {
            TxnRec t = txnOf('P', 100 + i, D(2024, 4, 1 + i % 28), bank, shop, food, groceries);
            ASSERT_TRUE(addWithPostings(t));
            extra.push_back(t.Id);
        }
        ASSERT_TRUE(st.commit());
    }
    int lines(const QString& head) const {
        int n = 0;
        for (const QString& l : view.lines)
            n += l.startsWith(head) ? 1 : 0;
        return n;
    }
};

TEST_F(HealthCheckWalkFixture, EveryRowIsJudgedAcrossManyReadAheadBlocks) {
    addPayments(300); // 1,200 postings: blocks of several sizes, each boundary crossed
    ASSERT_TRUE(run(HchkMode::Check)) << dump().toStdString();

    // A missing posting on every seventh payment, the last one included.
    QStringList expected;
    for (std::size_t i = 0; i < extra.size(); ++i) {
        if (i % 7 != 3 && i + 1 != extra.size())
            continue;
        const int objid = i % 2 ? groceries : bank;
        exec(QStringLiteral("DELETE FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(extra[i]).arg(objid));
        expected << kRepairable + QStringLiteral("Txn %1 / acc %2 : posting not found").arg(extra[i]).arg(objid);
    }
    EXPECT_FALSE(run(HchkMode::Check));
    for (const QString& line : expected)
        EXPECT_TRUE(has(line)) << line.toStdString();
    EXPECT_EQ(hc.RepairableErrors(), expected.size());
    EXPECT_EQ(lines(kRepairable), expected.size());
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_EQ(hc.RepairableErrors(), expected.size());
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();

    // Payments gone and their postings left behind, every ninth: the posting
    // scan finds each of the four, and the repair deletes them all while the
    // walk goes on past them.
    int orphans = 0;
    for (std::size_t i = 5; i < extra.size(); i += 9) {
        exec(QStringLiteral("DELETE FROM txn WHERE Id = %1").arg(extra[i]));
        for (int objid : {bank, shop, food, groceries})
            expected << kRepairable + QStringLiteral("Posting %1 / %2 no matching txn").arg(extra[i]).arg(objid);
        orphans += 4;
    }
    expected = expected.mid(expected.size() - orphans);
    const qint64 postings = scalar(QStringLiteral("SELECT count(*) FROM pstg"));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(QStringLiteral("PSTG.DB : %1 record(s)").arg(postings)));
    for (const QString& line : expected)
        EXPECT_TRUE(has(line)) << line.toStdString();
    EXPECT_EQ(hc.RepairableErrors(), orphans);
    EXPECT_FALSE(has(QStringLiteral("Error (for manual repair) : Record count error, use REBUILD.EXE utility to fix")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg")), postings - orphans);
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
}

TEST_F(HealthCheckWalkFixture, ChangeMadeDuringTheWindowsTurnIsSeenByTheLaterRows) {
    // While the first transaction is checked, another window changes the
    // amount of a later one's posting; while the first posting is checked,
    // the date of a later pot posting.
    bool txnChanged = false, pstgChanged = false;
    view.onInput = [&] {
        const QString now = view.progress.isEmpty() ? QString() : view.progress.back();
        if (!txnChanged && now.endsWith(QStringLiteral("; Id = ") + S(payId))) {
            txnChanged = true;
            exec(QStringLiteral("UPDATE pstg SET Amt = 1 WHERE Txnid = %1 AND Objid = %2").arg(rcptId).arg(salary));
        } else if (!pstgChanged && hasStarting(QStringLiteral("PSTG.DB : "))) {
            pstgChanged = true;
            exec(QStringLiteral("UPDATE pstg SET Pstgdate = '2024-03-20' WHERE Txnid = %1 AND Objid = %2")
                     .arg(bothTfrId)
                     .arg(food));
        }
    };
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(txnChanged);
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Txn %1 / acc %2 : posting amount error").arg(rcptId).arg(salary)))
        << dump().toStdString();

    exec(QStringLiteral("UPDATE pstg SET Amt = 100000 WHERE Txnid = %1 AND Objid = %2").arg(rcptId).arg(salary));
    txnChanged = true;
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(pstgChanged);
    EXPECT_TRUE(has(
        kRepairable +
        QStringLiteral("Posting %1 / %2 posting date should match txn date for Intl accs").arg(bothTfrId).arg(food)))
        << dump().toStdString();
}

TEST_F(HealthCheckWalkFixture, WindowTakesInputAFewTimesASecondNotOnEveryRow) {
    addPayments(50);
    hc.setInputInterval(60 * 60 * 1000);
    int inputs = 0;
    view.onInput = [&] { ++inputs; };
    ASSERT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    // Only the first row of the run got a turn, and the progress strip its
    // text: the count of the transactions' rows is never shown.
    EXPECT_EQ(inputs, 1);
    EXPECT_TRUE(view.progress.filter(QStringLiteral("; Id = ")).isEmpty());
    EXPECT_FALSE(has(QStringLiteral("posting missed from txn scan"))) << dump().toStdString();

    // Cancel in that one turn still stops the scan at the next row.
    view.onInput = [&] { hc.Abort(); };
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_EQ(view.lines.back(), QStringLiteral("Scan aborted"));
    EXPECT_FALSE(has(QStringLiteral("OBJ.DB scan complete")));
    EXPECT_FALSE(core.store().inTransaction());
}

TEST_F(HealthCheckWalkFixture, ChangeDuringTheTransactionScanLosesNoRunMark) {
    // Another window renames an account while the second read-ahead block
    // of transactions is walked: every posting still gets its run mark.
    addPayments(60);
    bool changed = false;
    view.onInput = [&] {
        if (!changed && !view.progress.isEmpty() &&
            view.progress.back().endsWith(QStringLiteral("; Id = ") + S(extra[45]))) {
            changed = true;
            exec(QStringLiteral("UPDATE obj SET Name = 'Petty cash' WHERE Id = %1").arg(cash));
        }
    };
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    EXPECT_TRUE(changed);
    const QString ts = DateTimeToStore(hc.RunStamp());
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txntype <> 'A' AND (Rprts IS NULL OR Rprts <> '%1')")
                   .arg(ts)),
        0);
}
