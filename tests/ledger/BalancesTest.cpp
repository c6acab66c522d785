// The rebalance, movts rows, running balances and the balance period rules.
#include "LedgerFixture.h"

#include "ledger/Balances.h"

#include <sqlite3.h>

namespace {

class Balances : public LedgerFixture {
protected:
    MovtRec movt(int id) {
        MovtRec m;
        EXPECT_TRUE(ReadMovt(core, id, m)) << "no movts row for " << id;
        return m;
    }

    ObjRec obj(int id) {
        ObjRec r;
        EXPECT_TRUE(ReadObj(core, id, r));
        return r;
    }

    bool setBfdBal(int id, Amount bfd) {
        ObjRec r = obj(id);
        r.BfdBal = bfd;
        return WriteObj(core, r);
    }

    int pay(Amount amt, const CalDate& d, int ext, int cpty, int pot = 0, int ctgy = 0) {
        TxnRec t = txnOf('P', amt, d, ext, cpty, pot, ctgy);
        EXPECT_TRUE(addWithPostings(t));
        return t.Id;
    }

    int countStatus(const QString& prefix) {
        int n = 0;
        for (const QString& s : prompter.statusTexts())
            if (s.startsWith(prefix))
                ++n;
        return n;
    }

    int totalChanges() { return sqlite3_total_changes(core.store().handle()); }
};

TEST_F(Balances, PeriodEdgesSortPostingsIntoTheirFigures) {
    const int bank = addObj(otExtAcc, "Bank");
    const int cash = addObj(otExtAcc, "Cash");
    const int shop = addObj(otCpty, "Shop");
    ASSERT_TRUE(setBfdBal(bank, 100000));
    pay(100, D(2023, 12, 31), bank, shop); // the day before BalFrom
    pay(200, D(2024, 1, 1), bank, shop);   // BalFrom itself
    pay(300, D(2024, 6, 30), bank, shop);  // BalAt itself
    pay(400, D(2024, 7, 1), bank, shop);   // the day after BalAt
    TxnRec rcpt = txnOf('R', 50, D(2024, 3, 1), bank, shop);
    ASSERT_TRUE(addWithPostings(rcpt));
    TxnRec tfr = txnOf('T', 1000, D(2024, 4, 1), bank, cash);
    ASSERT_TRUE(addWithPostings(tfr));
    core.SetRebalNeeded(true);
    prompter.clearRecorded();

    ASSERT_TRUE(Rebalance(core));

    const MovtRec b = movt(bank);
    EXPECT_EQ(b.BfdBal, 100000);
    EXPECT_EQ(b.Prepdnet, -100);
    EXPECT_EQ(b.PdPayts, -500);
    EXPECT_EQ(b.PdRcpts, 50);
    EXPECT_EQ(b.PdTfrs, -1000);
    EXPECT_EQ(b.Bal, 100000 - 100 - 500 + 50 - 1000);
    EXPECT_EQ(movt(shop).PdPayts, 500);
    EXPECT_EQ(movt(cash).PdTfrs, 1000);

    // Open date back to the earliest posting, last posting date the latest.
    EXPECT_EQ(CalToInt(obj(bank).OpenDate), 20231231);
    EXPECT_EQ(CalToInt(obj(bank).LastPstgDate), 20240701);
    EXPECT_EQ(CalToInt(obj(cash).OpenDate), 20240401);

    EXPECT_FALSE(core.settings().RebalNeeded);
    EXPECT_TRUE(PathsSet(core));
    EXPECT_TRUE(LastRebalanceTime(core).isValid());
    EXPECT_EQ(prompter.notices().front(), QStringLiteral("Rebalancing "));
    EXPECT_TRUE(prompter.notices().back().isEmpty());
    EXPECT_TRUE(prompter.statusTexts().contains(QStringLiteral("Accounts 1st pass 2")));
    EXPECT_TRUE(prompter.statusTexts().contains(QStringLiteral("Accounts 2nd pass 0")));
    EXPECT_GT(countStatus(QStringLiteral("Postings ")), 0);
    EXPECT_FALSE(prompter.busyCursor());
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join('|').toStdString();
}

TEST_F(Balances, GroupsSumTheLeavesBelowThemAtAnyDepth) {
    const int top = addObj(otExtGrp, "Top");
    const int mid = addObj(otExtGrp, "Mid", top);
    const int low = addObj(otExtGrp, "Low", mid);
    const int deep = addObj(otExtAcc, "Deep", low);
    const int side = addObj(otExtAcc, "Side", mid);
    const int shop = addObj(otCpty, "Shop");
    const int ctgGrp = addObj(otCtgyGrp, "Living");
    const int food = addObj(otCtgy, "Food", ctgGrp);
    const int gifts = addObj(otCtgy, "Gifts", ctgGrp);
    const int pot = addObj(otPot, "Pot");
    ASSERT_TRUE(setBfdBal(deep, 1000));
    ASSERT_TRUE(setBfdBal(side, 20000));
    ASSERT_TRUE(setBfdBal(food, 700)); // a category's own BfdBal
    ASSERT_TRUE(setBfdBal(gifts, 30)); // a category without postings
    pay(250, D(2024, 2, 1), deep, shop, pot, food);
    pay(75, D(2024, 3, 1), side, shop, pot, food);
    pay(5, D(2023, 3, 1), deep, shop, pot, food);

    ASSERT_TRUE(Rebalance(core));

    EXPECT_EQ(movt(low).BfdBal, 1000);
    EXPECT_EQ(movt(low).PdPayts, -250);
    EXPECT_EQ(movt(low).Prepdnet, -5);
    EXPECT_EQ(movt(mid).BfdBal, 21000);
    EXPECT_EQ(movt(mid).PdPayts, -325);
    EXPECT_EQ(movt(top).BfdBal, 21000);
    EXPECT_EQ(movt(top).PdPayts, -325);
    EXPECT_EQ(movt(top).Bal, 21000 - 325 - 5);
    EXPECT_EQ(movt(top).Path, QString());
    EXPECT_EQ(movt(deep).Path, QStringLiteral(" Top : Mid : Low :"));

    // A category's row carries its BfdBal only when it has postings; its
    // group always receives it.
    EXPECT_EQ(movt(food).BfdBal, 700);
    EXPECT_EQ(movt(gifts).BfdBal, 0);
    EXPECT_EQ(movt(ctgGrp).BfdBal, 730);
    EXPECT_EQ(movt(ctgGrp).PdPayts, -325);
    EXPECT_EQ(movt(ctgGrp).Bal, 730 - 330);
}

TEST_F(Balances, ReconciliationsAloneMoveNoDatesAndAnEmptyLedgerGetsZeroRows) {
    const int bank = addObj(otExtAcc, "Bank");
    const int grp = addObj(otPgrp, "Pots");
    const int pot = addObj(otPot, "Spare", grp);
    ObjRec b = obj(bank);
    b.OpenDate = D(2024, 5, 1);
    b.LastPstgDate = D(2024, 5, 2);
    ASSERT_TRUE(WriteObj(core, b));
    TxnRec z = txnOf('Z', 12345, D(2024, 2, 1), bank);
    ASSERT_TRUE(addWithPostings(z));
    core.SetRebalNeeded(true);

    ASSERT_TRUE(Rebalance(core));

    EXPECT_EQ(CalToInt(obj(bank).OpenDate), 20240501);
    EXPECT_EQ(CalToInt(obj(bank).LastPstgDate), 20240502);
    EXPECT_EQ(scalar("SELECT count(*) FROM movts"), 3);
    EXPECT_EQ(scalar("SELECT count(*) FROM movts WHERE BfdBal <> 0 OR Prepdnet <> 0 OR PdPayts <> 0 OR "
                     "PdRcpts <> 0 OR PdTfrs <> 0 OR Bal <> 0"),
              0);
    EXPECT_EQ(movt(pot).Path, QStringLiteral(" Pots :"));
    EXPECT_FALSE(core.settings().RebalNeeded);
}

TEST_F(Balances, SumsBeyondAnAmountAreReportedAndNothingIsStored) {
    const int grp = addObj(otPgrp, "Big");
    const int a = addObj(otPot, "A", grp);
    const int b = addObj(otPot, "B", grp);
    ASSERT_TRUE(Rebalance(core));
    ASSERT_TRUE(setBfdBal(a, 2000000000));
    ASSERT_TRUE(setBfdBal(b, 2000000000));
    core.SetRebalNeeded(true);

    EXPECT_FALSE(Rebalance(core));

    const QStringList msgs = prompter.messages();
    ASSERT_EQ(msgs.size(), 1);
    EXPECT_EQ(msgs[0],
              QStringLiteral("Program error : figure too large for obj %1 \"Big\" BfdBal 40,000,000.00").arg(grp));
    // The earlier rows stay, RebalNeeded stays on.
    EXPECT_EQ(movt(grp).BfdBal, 0);
    EXPECT_TRUE(core.settings().RebalNeeded);
    EXPECT_TRUE(PathsSet(core));
    EXPECT_FALSE(prompter.busyCursor());
}

TEST_F(Balances, AGrpidCycleAndPostingsOfMissingObjectsDoNotDerailTheRebalance) {
    const int g1 = addObj(otPgrp, "G1");
    const int g2 = addObj(otPgrp, "G2", g1);
    ObjRec r = obj(g1);
    r.Grpid = g2;
    ASSERT_TRUE(WriteObj(core, r));
    const int pot = addObj(otPot, "Pot", g1);
    ASSERT_TRUE(setBfdBal(pot, 10));
    ASSERT_TRUE(
        core.store().exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) "
                                         "VALUES (7, 999, 500, '2024-02-02', 'P'), (8, 999, 5, '2024-02-03', 'P')")));
    const qint64 objects = scalar("SELECT count(*) FROM obj");

    ASSERT_TRUE(Rebalance(core));

    EXPECT_EQ(scalar("SELECT count(*) FROM obj"), objects);
    EXPECT_EQ(scalar("SELECT count(*) FROM movts"), objects);
    EXPECT_EQ(scalar("SELECT count(*) FROM movts WHERE Accid = 999"), 0);
    const QStringList msgs = prompter.messages();
    EXPECT_EQ(msgs.count(QStringLiteral("obj not found 999")), 1);
    EXPECT_EQ(msgs.count(QStringLiteral("Program error : Group contains itself %1").arg(pot)), 1);
    // Reported once for the run, not once per object in or below the cycle.
    EXPECT_EQ(msgs.filter(QStringLiteral("Group contains itself")).size(), 1);
    // The pot's BfdBal went round the cycle a bounded number of times.
    EXPECT_EQ(movt(pot).BfdBal, 10);
    EXPECT_EQ(movt(g1).BfdBal, 500);
}

TEST_F(Balances, MovtRowsAndTheGroupWalk) {
    const int top = addObj(otCptyGrp, "Top");
    const int grp = addObj(otCptyGrp, "Grp", top);
    MovtRec m;
    InitMovtRec(m);
    m.Accid = top;
    ASSERT_TRUE(WriteMovt(core, m));
    m.Accid = grp;
    m.Grpid = top;
    m.Bal = 999; // ignored: Bal is always the sum
    m.BfdBal = 10;
    m.Prepdnet = 1;
    m.PdPayts = 2;
    m.PdRcpts = 3;
    m.PdTfrs = 4;
    ASSERT_TRUE(WriteMovt(core, m));
    EXPECT_EQ(movt(grp).Bal, 20);

    MovtRec leaf;
    InitMovtRec(leaf);
    leaf.Grpid = grp;
    leaf.BfdBal = 100;
    leaf.PdPayts = -7;
    ASSERT_TRUE(AddToGroups(core, leaf, 'B'));
    ASSERT_TRUE(AddToGroups(core, leaf, 'P'));
    EXPECT_EQ(movt(grp).BfdBal, 110);
    EXPECT_EQ(movt(grp).PdPayts, -5);
    EXPECT_EQ(movt(top).BfdBal, 100);
    EXPECT_EQ(movt(top).Bal, 93);

    leaf.Grpid = 77;
    EXPECT_TRUE(AddToGroups(core, leaf, 'B'));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Program error : group not found 77")});

    m.BfdBal = kMaxAmount;
    EXPECT_FALSE(WriteMovt(core, m));
    EXPECT_EQ(movt(grp).BfdBal, 110);
}

TEST_F(Balances, RunningBalanceBeyondAnAmountIsReportedAndNothingWritten) {
    const int bank = addObj(otExtAcc, "Bank");
    const int shop = addObj(otCpty, "Shop");
    ASSERT_TRUE(setBfdBal(bank, -2000000000));
    pay(100000000, D(2024, 3, 1), bank, shop);
    const int t2 = pay(100, D(2024, 3, 2), bank, shop);
    EXPECT_EQ(SetRngBal(core, bank, D(2024, 12, 31)), -2100000100);
    ASSERT_TRUE(core.store().exec(
        QStringLiteral("UPDATE pstg SET Amt = -100000000 WHERE Txnid = %1 AND Objid = %2").arg(t2).arg(bank)));
    const int before = totalChanges();
    prompter.clearRecorded();
    EXPECT_EQ(SetRngBal(core, bank, D(2024, 12, 31)), 0);
    EXPECT_EQ(totalChanges(), before);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(prompter.messages()[0].startsWith(
        QStringLiteral("Program error : figure too large for obj %1 \"Bank\" RngBal").arg(bank)))
        << prompter.messages()[0].toStdString();
}

TEST_F(Balances, RunningBalancesFlagsAndOnlyChangedRowsWritten) {
    const int bank = addObj(otExtAcc, "Bank");
    const int shop = addObj(otCpty, "Shop");
    ASSERT_TRUE(setBfdBal(bank, 1000));
    const int t1 = pay(100, D(2024, 3, 1), bank, shop);
    const int t2 = pay(200, D(2024, 3, 2), bank, shop);
    const int t3 = pay(300, D(2024, 3, 2), bank, shop);
    const int t4 = pay(400, D(2024, 3, 2), bank, shop);
    const int t5 = pay(500, D(2024, 3, 3), bank, shop);

    EXPECT_EQ(SetRngBal(core, bank, D(2024, 3, 2)), 900);

    auto row = [&](int txn) {
        PstgRec p;
        EXPECT_TRUE(ReadPstg(core, txn, bank, p));
        return p;
    };
    EXPECT_EQ(row(t1).RngBal, 900);
    EXPECT_EQ(row(t5).RngBal, -500);
    // Three on one date: first / middle / last.
    EXPECT_TRUE(row(t2).DpPstgDate);
    EXPECT_FALSE(row(t2).DpRngBal);
    EXPECT_FALSE(row(t3).DpPstgDate);
    EXPECT_FALSE(row(t3).DpRngBal);
    EXPECT_FALSE(row(t4).DpPstgDate);
    EXPECT_TRUE(row(t4).DpRngBal);
    EXPECT_TRUE(row(t1).DpPstgDate && row(t1).DpRngBal);

    // Nothing changed: only the last row is written again.
    int before = totalChanges();
    EXPECT_EQ(SetRngBal(core, bank, D(2024, 1, 1)), 1000);
    EXPECT_EQ(totalChanges() - before, 1);

    // A changed amount rewrites that row and the ones after it.
    ASSERT_TRUE(core.store().exec(
        QStringLiteral("UPDATE pstg SET Amt = -250 WHERE Txnid = %1 AND Objid = %2").arg(t3).arg(bank)));
    before = totalChanges();
    EXPECT_EQ(SetRngBal(core, bank, D(2024, 12, 31)), 1000 - 100 - 200 - 250 - 400 - 500);
    EXPECT_EQ(totalChanges() - before, 3);
    EXPECT_EQ(row(t4).RngBal, 1000 - 100 - 200 - 250 - 400);
}

TEST_F(Balances, TheWalkReadsOnlyTheCoveringIndexAndShowsFewStatusTexts) {
    Query plan(core.store(), QStringLiteral("EXPLAIN QUERY PLAN ") + RebalanceWalkSql());
    ASSERT_TRUE(plan.prepared());
    QString detail;
    while (plan.next())
        detail += plan.text("detail") + QLatin1Char(';');
    EXPECT_TRUE(detail.contains(QStringLiteral("COVERING INDEX AcPstg"))) << detail.toStdString();
    EXPECT_FALSE(detail.contains(QStringLiteral("TEMP B-TREE"))) << detail.toStdString();

    // 20,000 postings over four accounts, straight into the table.
    const int acc[4] = {addObj(otExtAcc, "A"), addObj(otExtAcc, "B"), addObj(otPot, "C"), addObj(otPot, "D")};
    ASSERT_TRUE(core.store().exec(
        QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 20000) "
                       "INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) SELECT i, %1 + (i % 4), i % 100, "
                       "printf('2024-%02d-%02d', 1 + i % 12, 1 + i % 28), 'P' FROM n")
            .arg(acc[0])));
    prompter.clearRecorded();
    ASSERT_TRUE(Rebalance(core));
    EXPECT_LE(countStatus(QStringLiteral("Postings ")), 8);
    EXPECT_GT(prompter.processEventsCalls(), 0);
    // Figures by SQL for the same period.
    for (int id : acc) {
        const qint64 pre = scalar(QStringLiteral("SELECT total(Amt) FROM pstg WHERE Objid = %1 AND "
                                                 "Pstgdate < '2024-01-01' AND Txntype = 'P'")
                                      .arg(id));
        const qint64 pd = scalar(QStringLiteral("SELECT total(Amt) FROM pstg WHERE Objid = %1 AND "
                                                "Pstgdate BETWEEN '2024-01-01' AND '2024-06-30' AND Txntype = 'P'")
                                     .arg(id));
        EXPECT_EQ(movt(id).Prepdnet, pre);
        EXPECT_EQ(movt(id).PdPayts, pd);
        const QString range = QStringLiteral("SELECT CAST(replace(%1(Pstgdate), '-', '') AS INTEGER) FROM pstg "
                                             "WHERE Objid = %2 AND Txntype = 'P'");
        EXPECT_EQ(CalToInt(obj(id).OpenDate), scalar(range.arg(QStringLiteral("min")).arg(id)));
        EXPECT_EQ(CalToInt(obj(id).LastPstgDate), scalar(range.arg(QStringLiteral("max")).arg(id)));
    }
}

TEST_F(Balances, AutoRefreshMovesThePeriodAndRebalances) {
    const int bank = addObj(otExtAcc, "Bank");
    Settings& s = core.settings();
    s.PeriodType = 1;
    s.PeriodAutoRefresh = true;
    s.FinancialYearDay1 = 6;
    s.FinancialYearMonth1 = 4;
    ASSERT_TRUE(AutoRefreshPeriod(core));
    EXPECT_EQ(CalToInt(s.BalFrom), 20240406);
    EXPECT_EQ(CalToInt(s.BalAt), 20240615);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM movts WHERE Accid = %1").arg(bank)), 1);

    // Unchanged period: no rebalance.
    prompter.clearRecorded();
    ASSERT_TRUE(AutoRefreshPeriod(core));
    EXPECT_TRUE(prompter.notices().isEmpty());
    s.PeriodType = 0;
    s.BalFrom = D(2020, 1, 1);
    ASSERT_TRUE(AutoRefreshPeriod(core));
    EXPECT_EQ(CalToInt(s.BalFrom), 20200101);
}

// The period dialog's test covers the common answers (a year from 6 April,
// the rolling year to 2024-06-15, the year start caption and year texts);
// these are the edges.
TEST(BalancePeriod, FinancialYearsAndTheirLabels) {
    EXPECT_EQ(WholeFinancialYear(2011, 1, 1).label, QStringLiteral("2011"));
    EXPECT_EQ(CalToInt(WholeFinancialYear(2011, 1, 1).to), 20111231);
    EXPECT_EQ(FinancialYearLabel(1999, 1, 7), QStringLiteral("1999/00"));

    EXPECT_EQ(CalToInt(FinancialYearStart(MakeDate(2024, 4, 5), 6, 4)), 20230406);
    EXPECT_EQ(CalToInt(FinancialYearStart(MakeDate(2024, 4, 6), 6, 4)), 20240406);
    const BalPeriod cur = CurrentYearSoFar(MakeDate(2024, 2, 10), 6, 4);
    EXPECT_EQ(CalToInt(cur.from), 20230406);
    EXPECT_EQ(CalToInt(cur.to), 20240210);
    EXPECT_EQ(cur.label, QStringLiteral("2023/24"));

    EXPECT_EQ(CalToInt(RollingYearToToday(MakeDate(2024, 2, 29)).from), 20230301);
    EXPECT_TRUE(IsNullDate(YearOnDayBack(CalDate())));
}

TEST(BalancePeriod, YearAndYearStartAnswers) {
    struct Case {
        const char* text;
        bool ok;
        int day, month;
    } cases[] = {{"06/04", true, 6, 4},  {"31-12", true, 31, 12}, {"6/4", false, 0, 0},   {"00/04", false, 0, 0},
                 {"32/01", false, 0, 0}, {"01/13", false, 0, 0},  {"ab/cd", false, 0, 0}, {"01/01 ", false, 0, 0}};
    for (const Case& c : cases) {
        int d = 0, m = 0;
        EXPECT_EQ(ParseYearStart(QString::fromLatin1(c.text), d, m), c.ok) << c.text;
        EXPECT_EQ(d, c.day) << c.text;
        EXPECT_EQ(m, c.month) << c.text;
    }
    int y = 2011;
    EXPECT_FALSE(ParseFinancialYear(QStringLiteral("-5"), y));
    EXPECT_FALSE(ParseFinancialYear(QStringLiteral("99999"), y));
    EXPECT_EQ(y, 2011);
}

} // namespace
