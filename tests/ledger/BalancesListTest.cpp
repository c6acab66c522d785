// The balances list: which rows each stamping command leaves in the list, the
// filters and sequences of its query, the warning and status columns, and
// the totals with their overflow warning.
#include "LedgerFixture.h"

#include "ledger/Balances.h"
#include "ledger/BalancesList.h"

#include <QStringList>

namespace {

QStringList Names(const BalancesList& list) {
    QStringList out;
    for (const BalancesRow& r : list.rows())
        out << r.dpname;
    return out;
}

} // namespace

class BalancesListTest : public LedgerFixture {
protected:
    BalancesList list{core};

    void exec(const QString& sql) { ASSERT_TRUE(core.store().exec(sql)); }

    // A movts row holding the given figures.
    void figures(int id, Amount bfd, Amount payts, Amount rcpts = 0, Amount tfrs = 0) {
        MovtRec m;
        InitMovtRec(m);
        m.Accid = id;
        m.BfdBal = bfd;
        m.PdPayts = payts;
        m.PdRcpts = rcpts;
        m.PdTfrs = tfrs;
        ASSERT_TRUE(WriteMovt(core, m));
    }
};

TEST_F(BalancesListTest, StampingKeepsEveryRowOfTheLevelShown) {
    const int bank = addObj(otExtAcc, "Bank");
    const int savings = addObj(otExtGrp, "Savings");
    const int isa = addObj(otExtAcc, "ISA", savings);
    const int fixed = addObj(otExtGrp, "Fixed", savings);
    addObj(otExtAcc, "Bond", fixed);
    addObj(otExtGrp, "Empty");
    addObj(otPot, "Food");
    ASSERT_TRUE(SetPaths(core));

    ASSERT_TRUE(list.Open(otExtAcc));
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Empty", "Savings"}));
    EXPECT_EQ(list.rows()[2].pottype2, "GROUP");
    EXPECT_EQ(list.rows()[0].pottype2, "");

    // Each command's stamp is new even within one millisecond, or the rows
    // of the level left would stay in the list.
    const QDateTime opened = list.stamp();
    ASSERT_TRUE(list.DrillDown(savings));
    EXPECT_GT(list.stamp(), opened);
    EXPECT_EQ(Names(list), (QStringList{"Fixed", "ISA"}));
    EXPECT_EQ(list.PathLabel(), " Savings : ...");
    ASSERT_TRUE(list.DrillDown(fixed));
    EXPECT_EQ(Names(list), (QStringList{"Bond"}));
    EXPECT_EQ(list.Back(), fixed);
    EXPECT_EQ(Names(list), (QStringList{"Fixed", "ISA"}));
    EXPECT_EQ(list.RowOfId(fixed), 0);
    EXPECT_EQ(list.Back(), savings);
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Empty", "Savings"}));
    EXPECT_EQ(list.currentGroup(), 0);

    // Expand in place, then a nested group, then collapse back out.
    ASSERT_TRUE(list.ExpandGroup(savings));
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Empty", "Savings : Fixed", "Savings : ISA"}));
    EXPECT_EQ(list.FirstRowInGroup(savings), 2);
    ASSERT_TRUE(list.ExpandGroup(fixed));
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Empty", "Savings : Fixed : Bond", "Savings : ISA"}));
    EXPECT_TRUE(list.InExpandedGroup(3));
    EXPECT_FALSE(list.InExpandedGroup(0));
    ASSERT_TRUE(list.CollapseGroup(savings));
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Empty", "Savings"}));

    // An empty group refuses and the list stays.
    prompter.clearRecorded();
    EXPECT_FALSE(list.ExpandGroup(list.rows()[1].id));
    EXPECT_EQ(prompter.messages(), (QStringList{"Group \"Empty\" is empty - cannot expand"}));
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Empty", "Savings"}));

    // Expand all lists accounts at every depth and no groups; Collapse all
    // (the top level) brings the groups back.
    list.ExpandAll();
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Savings : Fixed : Bond", "Savings : ISA"}));
    list.TopLevel();
    EXPECT_EQ(Names(list), (QStringList{"Bank", "Empty", "Savings"}));

    // Opening on a group, as the account search does.
    ASSERT_TRUE(list.OpenInGroup(savings, otExtGrp));
    EXPECT_EQ(list.RowOfId(isa), 1);
    EXPECT_EQ(list.RowOfId(bank), -1);
    EXPECT_EQ(list.FindRow("i"), 1);
    EXPECT_EQ(list.FindRow("FIX"), 0);
    EXPECT_EQ(list.FindRow("zz"), -1);

    prompter.clearRecorded();
    EXPECT_FALSE(list.Open(otPgrp));
    EXPECT_EQ(prompter.messages(), (QStringList{"Program error : Invalid acc type"}));
}

TEST_F(BalancesListTest, FiltersAndSequenceSelectTheRows) {
    const int open = addObj(otPot, "Open"); // no close date at all: open
    const int closedBefore = addObj(otPot, "Closed before");
    const int closedIn = addObj(otPot, "Closed in");
    const int dormant = addObj(otPot, "Dormant");
    exec(QStringLiteral("UPDATE obj SET CloseDate = 20231231 WHERE Id = %1").arg(closedBefore));
    exec(QStringLiteral("UPDATE obj SET CloseDate = 20240301 WHERE Id = %1").arg(closedIn));
    exec(QStringLiteral("UPDATE obj SET LastPstgDate = 20200101 WHERE Id = %1").arg(dormant));
    exec(QStringLiteral("UPDATE obj SET LastPstgDate = 20240601, CloseDate = 0 WHERE Id = %1").arg(open));
    ASSERT_TRUE(SetPaths(core));
    figures(open, 0, -300);
    figures(closedBefore, 500, 0);
    figures(closedIn, 0, 0, 700);
    figures(dormant, 0, 0);

    ASSERT_TRUE(list.Open(otPot));
    EXPECT_EQ(Names(list), (QStringList{"Closed in", "Dormant", "Open"}));
    // With balances shown a closed pot that still holds money is listed.
    ASSERT_TRUE(list.ShowValues());
    EXPECT_EQ(Names(list), (QStringList{"Closed before", "Closed in", "Dormant", "Open"}));
    list.filter = BalFilter::Active;
    ASSERT_TRUE(list.Rebuild());
    EXPECT_EQ(Names(list), (QStringList{"Closed in", "Open"}));
    list.filter = BalFilter::Recents;
    ASSERT_TRUE(list.Rebuild());
    EXPECT_EQ(Names(list), (QStringList{"Open"}));
    list.filter = BalFilter::All;
    list.sequence = BalSequence::Amount;
    ASSERT_TRUE(list.Rebuild());
    EXPECT_EQ(Names(list), (QStringList{"Open", "Closed before", "Dormant", "Closed in"}));
    EXPECT_EQ(list.FilterLabel(), "Filter : All");

    // A new account that the filter hides widens it.
    list.filter = BalFilter::Recents;
    const int fresh = addObj(otPot, "Fresh");
    exec(QStringLiteral("UPDATE obj SET CloseDate = 20240101 WHERE Id = %1").arg(fresh));
    prompter.clearRecorded();
    EXPECT_GE(list.ShowNewAccount(fresh), 0);
    EXPECT_EQ(list.filter, BalFilter::All);
    EXPECT_EQ(prompter.messages(), (QStringList{"Display filter will be widened to show new account"}));
}

TEST_F(BalancesListTest, ShowValuesRebalancesFirstAndFillsTheColumns) {
    const int bank = addObj(otExtAcc, "Bank");
    const int shop = addObj(otCpty, "Shop");
    TxnRec t = txnOf('P', 1250, D(2024, 3, 1), bank, shop);
    ASSERT_TRUE(addWithPostings(t));
    TxnRec r = txnOf('R', 5000, D(2023, 12, 1), bank, shop);
    ASSERT_TRUE(addWithPostings(r));
    core.SetRebalNeeded(true);

    ASSERT_TRUE(list.Open(otExtAcc));
    EXPECT_TRUE(core.settings().RebalNeeded); // names alone need no rebalance
    EXPECT_FALSE(list.BalancesVisible());
    ASSERT_TRUE(list.ShowValues());
    EXPECT_FALSE(core.settings().RebalNeeded);
    EXPECT_TRUE(list.BalancesVisible());
    ASSERT_EQ(list.rows().size(), 1u);
    const BalancesRow& row = list.rows()[0];
    EXPECT_EQ(row.bfd, 5000);
    EXPECT_EQ(row.net, -1250);
    EXPECT_EQ(row.cfd, 3750);
    EXPECT_EQ(row.lpdatedp, "2024-03-01");

    // Counterparties never show balances; categories and counterparties no
    // transfers.
    ASSERT_TRUE(list.Open(otCpty));
    ASSERT_TRUE(list.ShowValues());
    EXPECT_FALSE(list.BalancesVisible());
    EXPECT_TRUE(list.MovementsVisible());
    EXPECT_FALSE(list.TransfersVisible());
}

TEST_F(BalancesListTest, WarningAndStatusColumns) {
    struct Case {
        Amount64 cfd;
        bool neg, zero, pos;
        const char* wng;
    } cases[] = {
        {-1, false, true, true, "!"}, {-1, true, false, false, ""}, {0, true, false, true, "!"},
        {0, false, true, false, ""},  {1, true, true, false, "!"},  {1, false, false, true, ""},
    };
    for (const Case& c : cases) {
        BalancesRow row;
        row.bfdbal = Amount(c.cfd);
        row.allowNegBal = c.neg;
        row.allowZeroBal = c.zero;
        row.allowPosBal = c.pos;
        row.closeDate = kNotClosed;
        CalcBalancesRow(row, " ", 20240630);
        EXPECT_EQ(row.balwng, c.wng) << c.cfd << c.neg << c.zero << c.pos;
        EXPECT_EQ(row.dormant2, "");
    }
    BalancesRow row;
    row.name = "Bank";
    row.path = " Savings :";
    row.closeDate = 20240701;
    CalcBalancesRow(row, " Savings : ", 20240630);
    EXPECT_EQ(row.dpname, "Bank");
    EXPECT_EQ(row.dormant2, "closed later");
    EXPECT_EQ(row.lpdatedp, "");
    row.closeDate = 20240630;
    CalcBalancesRow(row, " ", 20240630);
    EXPECT_EQ(row.dpname, "Savings : Bank");
    EXPECT_EQ(row.dormant2, "closed 2024-06-30");
}

TEST_F(BalancesListTest, TotalsAreSummedWithoutWrapping) {
    const int a = addObj(otExtAcc, "A");
    const int b = addObj(otExtAcc, "B");
    const int c = addObj(otExtAcc, "C");
    figures(a, 1000000000, -200, 300, 400);
    figures(b, 1000000000, 0);
    figures(c, -5, 0);
    ASSERT_TRUE(list.Open(otExtAcc));
    prompter.clearRecorded();
    ASSERT_TRUE(list.ShowValues());
    const BalancesTotals& t = list.totals();
    EXPECT_EQ(t.bfd, 1999999995);
    EXPECT_EQ(t.payts, -200);
    EXPECT_EQ(t.rcpts, 300);
    EXPECT_EQ(t.tfrs, 400);
    EXPECT_EQ(t.net, 500);
    EXPECT_EQ(t.bal, 2000000495);
    EXPECT_EQ(t.count, 3);
    EXPECT_EQ(prompter.messages(), (QStringList{"Warning - c/fd balance +20,000,004.95 approaching overflow limit "
                                                "of 21,474,836.47"}));

    // Beyond the range of one amount the total still reads right.
    figures(c, 1000000000, 0);
    prompter.clearRecorded();
    ASSERT_TRUE(list.Rebuild());
    EXPECT_EQ(list.totals().bal, Amount64(3000000500));
    EXPECT_EQ(FormatAmount64(list.totals().bal, true), "+30,000,005.00");
    EXPECT_EQ(FormatAmount64(-Amount64(3000000001), false), "-30,000,000.01");
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(OverflowWarning(1800000000).isEmpty());
    EXPECT_FALSE(OverflowWarning(-1800000001).isEmpty());
}
