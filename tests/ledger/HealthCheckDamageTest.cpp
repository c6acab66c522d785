// What the damage sweep's table cannot express: a repair whose writes fail,
// and every shape of transaction through check and repair.  Each kind of
// damage itself is a row of the sweep (HealthCheckSweepTest.cpp).
#include "HealthCheckFixture.h"

TEST_F(HealthCheckFixture, FailedRepairWritesAreNotCountedAndReportedOnce) {
    exec(QStringLiteral("DELETE FROM cptypot"));
    exec(QStringLiteral("CREATE TRIGGER cptypot.refuse BEFORE INSERT ON cptypot "
                        "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    EXPECT_FALSE(run(HchkMode::Repair));
    const int found = hc.RepairableErrors();
    ASSERT_GT(found, 1);
    EXPECT_EQ(hc.FailedRepairs(), found);
    EXPECT_TRUE(has(QString::number(found) + QStringLiteral(" repair(s) failed - disk I/O error")))
        << dump().toStdString();
    EXPECT_FALSE(hasStarting(QString::number(found) + QStringLiteral(" error(s) repaired")));
    // No message box for the failures (the one message is the backup
    // folder's making).
    EXPECT_LE(prompter.messages().size(), 1) << prompter.messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot")), 0);
}

// Run marks that cannot be written stop the scan with the file and the
// store's message; none of them is kept.
TEST_F(HealthCheckFixture, RunMarksThatCannotBeWrittenNameTheirFile) {
    exec(QStringLiteral("CREATE TRIGGER cptypot.refuse BEFORE UPDATE ON cptypot "
                        "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    exec(QStringLiteral("UPDATE pstg SET Rprts = NULL"));
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(QStringLiteral("Error (for manual repair) : cptypot.db : run marks not written - disk I/O error")))
        << dump().toStdString();
    EXPECT_FALSE(has(QStringLiteral("posting missed from txn scan")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Rprts IS NOT NULL")), 0);
}

// Every shape of transaction the posting rules allow, cancelled or not, is
// sound as the ledger posts it; with its postings gone, repair makes them
// again and the next check finds nothing (no repair that a check undoes).
TEST_F(HealthCheckFixture, EveryTransactionShapeSurvivesCheckAndRepair) {
    struct Shape {
        char type;
        int a1, a2, a3, a4;
    };
    const std::vector<Shape> shapes = {
        {'P', bank, shop, food, groceries},
        {'X', cash, shop, food, groceries},
        {'R', bank, employer, general, salary},
        {'Y', cash, employer, general, salary},
        {'C', bank, cash, 0, 0},
        {'C', 0, 0, general, food},
        {'C', bank, cash, general, food},
        {'T', cash, bank, 0, 0},
        {'G', general, food, 0, 0},
        {'Z', cash, 0, 0, 0},
        {'D', 0, 0, 0, 0},
    };
    std::vector<int> ids;
    for (const bool cancelled : {false, true})
        for (const Shape& s : shapes) {
            TxnRec t = txnOf(s.type, s.type == 'Z' || s.type == 'D' ? 0 : 321, D(2024, 4, 2), s.a1, s.a2, s.a3, s.a4);
            t.Cancelled = cancelled;
            ASSERT_TRUE(addWithPostings(t)) << s.type;
            ids.push_back(t.Id);
        }
    ASSERT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    ASSERT_TRUE(run(HchkMode::Repair)) << dump().toStdString();

    const QString list = [&] {
        QStringList l;
        for (int id : ids)
            l << QString::number(id);
        return l.join(QLatin1Char(','));
    }();
    const QString shape = QStringLiteral("SELECT group_concat(Txnid || ':' || Objid || ':' || Amt || ':' || "
                                         "coalesce(Pstgdate, '') || ':' || Txntype, ' ') FROM (SELECT * FROM pstg "
                                         "WHERE Txnid IN (%1) ORDER BY Txnid, Objid)")
                              .arg(list);
    auto text = [&](const QString& sql) {
        Query q(core.store(), sql);
        const QString v = q.next() ? q.text(0) : QString();
        q.reset();
        return v;
    };
    const QString before = text(shape);
    exec(QStringLiteral("DELETE FROM pstg WHERE Txnid IN (%1)").arg(list));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    EXPECT_EQ(text(shape), before);
}
