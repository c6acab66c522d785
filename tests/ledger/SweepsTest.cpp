// Sweeps: the one-balance proposal, its follow-up reconciliation, the group
// sweep and deleting a sweep.
#include "LedgerFixture.h"

#include "ledger/Balances.h"
#include "ledger/LedgerState.h"
#include "ledger/Sweeps.h"

namespace {

class Sweeps : public LedgerFixture {
protected:
    int bank = 0, shop = 0, food = 0, groceries = 0, savings = 0;
    const QString narr = QStringLiteral("2024-06-15 10:11:12");

    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otPot, QStringLiteral("Food"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
        savings = addObj(otPot, QStringLiteral("Savings"));
        ObjRec s;
        ASSERT_TRUE(ReadObj(core, savings, s));
        SetSweepToPot(core, s);
    }

    // A pot transfer of amt from one pot to another (negative amounts put a
    // pot below zero).
    void potTransfer(int from, int to, Amount amt) {
        TxnRec t = txnOf('G', amt, D(2024, 3, 1), from, to);
        ASSERT_TRUE(addWithPostings(t));
    }

    // "<type> <accid1>><accid2> <amt> <ref>/<narrative>" of each txn row, by id.
    QStringList rows(const QString& where) {
        QStringList out;
        Query q(core.store(), QStringLiteral("SELECT Type || ' ' || Accid1 || '>' || Accid2 || ' ' || Amt || ' ' || "
                                             "COALESCE(Ref, '') || '/' || COALESCE(Narrative, '') FROM txn WHERE ") +
                                  where + QStringLiteral(" ORDER BY Id"));
        while (q.next())
            out << q.text(0);
        return out;
    }
    int countWhere(const QString& where) {
        return int(scalar(QStringLiteral("SELECT COUNT(*) FROM txn WHERE ") + where));
    }
};

TEST_F(Sweeps, NarrativeIsDateAndTimeOfTheStart) {
    EXPECT_EQ(SweepNarrative(QDateTime(QDate(2024, 6, 5), QTime(9, 8, 7, 900))), QStringLiteral("2024-06-05 09:08:07"));
}

TEST_F(Sweeps, AnchorRowOfAnExternalAccountAsksToSweepTheBroughtForwardAmount) {
    PstgRec anchor; // as the postings view hands it: b/fd amount and date
    InitPstgRec(anchor);
    anchor.Objid = bank;
    anchor.Contra = savings;
    anchor.RngBal = -2500;
    anchor.Pstgdate = D(2024, 1, 1);
    const SweepRequest r = SweepRequestFromPosting(anchor);
    EXPECT_EQ((std::vector<int>{r.sourceId, r.targetId, r.amount}), (std::vector<int>{bank, savings, -2500}));
    EXPECT_TRUE(DateEqual(r.date, D(2024, 1, 1)));
}

TEST_F(Sweeps, GroupSweepWalksNestedPotsSkipsZeroAndSweepsNegativeFromTheSweepToPot) {
    const int outer = addObj(otPgrp, QStringLiteral("Spending"));
    const int inner = addObj(otPgrp, QStringLiteral("Bills"), outer);
    const int fun = addObj(otPot, QStringLiteral("Fun"), outer);
    const int rent = addObj(otPot, QStringLiteral("Rent"), inner);
    addObj(otPot, QStringLiteral("Idle"), inner);
    potTransfer(savings, fun, 3000);  // Fun +30.00
    potTransfer(rent, savings, 1200); // Rent -12.00
    ASSERT_TRUE(Rebalance(core));

    prompter.expectQuestion(QStringLiteral("Sweep Group \"Spending\" to account \"Savings\" as at 2024-06-30 - OK?"),
                            'N');
    int swept = -1;
    EXPECT_FALSE(SweepGroupPots(core, outer, narr, swept));
    EXPECT_EQ(countWhere(QStringLiteral("Ref = 'sweep'")), 0);

    prompter.expectQuestion(QString(), 'Y');
    ASSERT_TRUE(SweepGroupPots(core, outer, narr, swept));
    EXPECT_EQ(swept, 2);
    // Bills (and Rent in it) come before Fun by id; Idle at zero gets nothing.
    const QString n = QLatin1Char('/') + narr;
    EXPECT_EQ(rows(QStringLiteral("Txndate = '2024-06-30'")),
              (QStringList{QStringLiteral("G %1>%2 1200 sweep").arg(savings).arg(rent) + n,
                           QStringLiteral("Z %1>0 0 /").arg(rent),
                           QStringLiteral("G %1>%2 3000 sweep").arg(fun).arg(savings) + n,
                           QStringLiteral("Z %1>0 0 /").arg(fun)}));
    ObjRec f;
    ASSERT_TRUE(ReadObj(core, fun, f));
    EXPECT_TRUE(f.Reconciled.isEmpty()) << "a group sweep leaves Reconciled alone";

    // Deleting the sweep removes its transfers and keeps the reconciliations.
    prompter.expectQuestion(QStringLiteral("OK to delete all transactions dated 2024-06-30 with ref = \"sweep\" and "
                                           "narrative = \"2024-06-15 10:11:12\" ?"),
                            'Y');
    core.settings().RebalNeeded = false;
    ASSERT_TRUE(DeleteSweepTxns(core, D(2024, 6, 30), narr));
    EXPECT_EQ(prompter.messages().back(), QStringLiteral("2 transactions deleted"));
    EXPECT_EQ(rows(QStringLiteral("Txndate = '2024-06-30'")),
              (QStringList{QStringLiteral("Z %1>0 0 /").arg(rent), QStringLiteral("Z %1>0 0 /").arg(fun)}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pstg WHERE Txntype = 'G' AND Pstgdate = '2024-06-30'")), 0);
    EXPECT_TRUE(core.settings().RebalNeeded);
}

TEST_F(Sweeps, GroupSweepEndsAtAPotWithoutMovementsAndIgnoresOtherGroupKinds) {
    const int grp = addObj(otPgrp, QStringLiteral("Spending"));
    const int a = addObj(otPot, QStringLiteral("A"), grp);
    potTransfer(savings, a, 100);
    ASSERT_TRUE(Rebalance(core));
    const int b = addObj(otPot, QStringLiteral("B"), grp); // added after the rebalance: no movts row
    const int c = addObj(otPot, QStringLiteral("C"), grp);
    potTransfer(savings, c, 100);
    int swept = 0;
    prompter.expectQuestion(QString(), 'Y');
    ASSERT_TRUE(SweepGroupPots(core, grp, narr, swept));
    EXPECT_EQ(swept, 1);
    EXPECT_EQ(countWhere(QStringLiteral("Ref = 'sweep' AND Accid1 IN (%1, %2)").arg(b).arg(c)), 0);

    // The sweep-to pot inside the swept group is not swept into itself.
    const int reserve = addObj(otPgrp, QStringLiteral("Reserve"));
    ObjRec s;
    ASSERT_TRUE(ReadObj(core, savings, s));
    s.Grpid = reserve;
    ASSERT_TRUE(WriteObj(core, s));
    prompter.expectQuestion(QString(), 'Y');
    ASSERT_TRUE(SweepGroupPots(core, reserve, narr, swept));
    EXPECT_EQ(swept, 0);
    EXPECT_EQ(countWhere(QStringLiteral("Accid1 = %1 AND Accid2 = %1").arg(savings)), 0);

    const int extGrp = addObj(otExtGrp, QStringLiteral("Banks"));
    EXPECT_FALSE(SweepGroupPots(core, extGrp, narr, swept)); // asks nothing
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(Sweeps, DeletingFromAPostingAsksWhetherTheWholeSweepGoes) {
    TxnRec t1 = txnOf('G', 100, D(2024, 6, 30), food, savings);
    t1.Ref = QStringLiteral("sweep");
    t1.Narrative = narr;
    TxnRec t2 = t1;
    t2.Accid1 = bank;
    t2.Type = 'P';
    t2.Accid2 = shop;
    t2.Accid3 = food;
    t2.Accid4 = groceries;
    ASSERT_TRUE(addWithPostings(t1));
    ASSERT_TRUE(addWithPostings(t2));
    PstgRec p;
    ASSERT_TRUE(ReadPstg(core, t1.Id, food, p));

    prompter.expectQuestion(QStringLiteral("Also delete all other transactions in this sweep ?"), 'C');
    EXPECT_FALSE(DeleteSweepFromPosting(core, p));
    EXPECT_EQ(countWhere(QStringLiteral("Ref = 'sweep'")), 2);

    prompter.expectQuestion(QStringLiteral("Also delete all other transactions in this sweep ?"), 'N');
    ASSERT_TRUE(DeleteSweepFromPosting(core, p));
    EXPECT_FALSE(TxnExists(core, t1.Id));
    EXPECT_TRUE(TxnExists(core, t2.Id));
    EXPECT_TRUE(postingsOf(t1.Id).empty());

    ASSERT_TRUE(ReadPstg(core, t2.Id, bank, p));
    prompter.expectQuestion(QStringLiteral("Also delete all other transactions in this sweep ?"), 'Y');
    prompter.expectQuestion(QString(), 'Y');
    ASSERT_TRUE(DeleteSweepFromPosting(core, p));
    EXPECT_FALSE(TxnExists(core, t2.Id));
}

} // namespace
