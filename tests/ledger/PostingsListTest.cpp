// The postings of an account as listed: b/fd figures, the list query's
// filters, statement-style dates and closing balances, the running-balance
// check, reconciling and assigning categories and pots.
#include "ledger/PostingsList.h"
#include "LedgerFixture.h"
#include "data/Settings.h"

#include <functional>

namespace {

class PostingsListTest : public LedgerFixture {
protected:
    int bank = 0, shop = 0, food = 0, fun = 0, groceries = 0, travel = 0;

    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, "Bank");
        shop = addObj(otCpty, "Shop");
        food = addObj(otPot, "Food");
        fun = addObj(otPot, "Fun");
        groceries = addObj(otCtgy, "Groceries");
        travel = addObj(otCtgy, "Travel");
    }
    int pay(Amount amt, const CalDate& d, const QString& narr = QString()) {
        TxnRec t = txnOf('P', amt, d, bank, shop, food, groceries);
        t.Narrative = narr;
        EXPECT_TRUE(addWithPostings(t));
        return t.Id;
    }
    PostingsList load(int acc, PostingsWhen when, PostingsStyle style) {
        PostingsList l;
        PostingsOptions o;
        o.when = when;
        o.style = style;
        EXPECT_TRUE(LoadPostings(core, acc, o, l));
        return l;
    }
};

TEST_F(PostingsListTest, BroughtForwardByPeriodChoice) {
    Settings& s = core.settings();
    s.DBStartDate = D(2020, 1, 1);
    ObjRec acc;
    InitObjRec(acc);
    acc.BfdBal = 10000;
    MovtRec m;
    InitMovtRec(m);
    m.Prepdnet = -2500;

    BroughtForward b = ComputeBroughtForward(s, acc, m, PostingsWhen::All);
    EXPECT_EQ(b.text, "B/fd from prior records");
    EXPECT_EQ(CalToInt(b.date), 20200101);
    EXPECT_EQ(b.amount, 10000);
    for (PostingsWhen w : {PostingsWhen::Period, PostingsWhen::PeriodPlus}) {
        b = ComputeBroughtForward(s, acc, m, w);
        EXPECT_EQ(b.text, "B/fd from prior period(s)");
        EXPECT_EQ(CalToInt(b.date), 20240101);
        EXPECT_EQ(b.amount, 7500);
    }
    // Opened before the period: the periods still bring forward.
    acc.OpenDate = D(2023, 5, 1);
    EXPECT_EQ(ComputeBroughtForward(s, acc, m, PostingsWhen::All).text, "Account opened");
    EXPECT_EQ(ComputeBroughtForward(s, acc, m, PostingsWhen::Period).amount, 7500);
    // Opened within it: the opening balance alone.
    acc.OpenDate = D(2024, 3, 1);
    b = ComputeBroughtForward(s, acc, m, PostingsWhen::PeriodPlus);
    EXPECT_EQ(b.text, "Account opened");
    EXPECT_EQ(CalToInt(b.date), 20240301);
    EXPECT_EQ(b.amount, 10000);
}

TEST_F(PostingsListTest, QueryFiltersAndAnchorRow) {
    pay(100, D(2023, 12, 31));
    pay(200, D(2024, 3, 1));
    pay(300, D(2024, 7, 1));
    TxnRec diary = txnOf('D', 0, D(2024, 2, 2), 0);
    ASSERT_TRUE(addWithPostings(diary));

    auto dates = [](const PostingsList& l) {
        QStringList out;
        for (const PostingRow& r : l.rows)
            out << PostingDateText(r.pstgdate);
        return out.join(',');
    };
    EXPECT_EQ(dates(load(bank, PostingsWhen::All, PostingsStyle::Postings)), "2023-12-31,2024-03-01,2024-07-01");
    EXPECT_EQ(dates(load(bank, PostingsWhen::Period, PostingsStyle::Statement)), "0000-00-00,2024-03-01");
    EXPECT_EQ(dates(load(bank, PostingsWhen::PeriodPlus, PostingsStyle::Statement)),
              "0000-00-00,2024-03-01,2024-07-01");

    PostingsOptions o;
    o.includeDiary = true;
    PostingsList l;
    ASSERT_TRUE(LoadPostings(core, bank, o, l));
    EXPECT_EQ(dates(l), "2023-12-31,2024-02-02,2024-03-01,2024-07-01");
    const PostingCells first = CellsOf(l, 0);
    EXPECT_EQ(first.dpname, "Shop");
    EXPECT_EQ(first.potname, "Food");
    EXPECT_EQ(first.dpnarr, "Groceries");
    EXPECT_EQ(first.extaccnamedp, "Bank");
    EXPECT_EQ(l.negative, -600);
    EXPECT_TRUE(l.canAssignCategory);

    // A category cannot be listed as a statement, so it has no anchor row.
    PostingsList c = load(groceries, PostingsWhen::All, PostingsStyle::Statement);
    EXPECT_EQ(c.options.style, PostingsStyle::Postings);
    EXPECT_EQ(dates(c), "2023-12-31,2024-03-01,2024-07-01");
}

TEST_F(PostingsListTest, StatementCellsOfADay) {
    core.settings().DBStartDate = D(2020, 1, 1);
    ObjRec b;
    ASSERT_TRUE(ReadObj(core, bank, b));
    b.BfdBal = 5000;
    ASSERT_TRUE(WriteObj(core, b));
    pay(100, D(2024, 2, 1), "first");
    pay(0, D(2024, 2, 1));
    TxnRec rcpt = txnOf('R', 500, D(2024, 2, 1), bank, shop, food, groceries);
    ASSERT_TRUE(addWithPostings(rcpt));
    pay(250, D(2024, 2, 3));

    PostingsList l = load(bank, PostingsWhen::All, PostingsStyle::Statement);
    ASSERT_EQ(l.rows.size(), 5u);
    PostingCells a = CellsOf(l, 0);
    EXPECT_EQ(a.type2, "B/FD");
    EXPECT_EQ(a.amtplus, "+50.00");
    EXPECT_EQ(a.runbal3, "+50.00");
    EXPECT_EQ(a.dpnarr, "B/fd from prior records");
    EXPECT_EQ(a.pstgdate2, CalToDateStrDay(D(2020, 1, 1)));

    // Three postings on 1 February: the date on the first only, the closing
    // balance on the last only.
    std::vector<PostingCells> c;
    for (int i = 1; i < 5; ++i)
        c.push_back(CellsOf(l, i));
    EXPECT_EQ(c[0].pstgdate2, CalToDateStrDay(D(2024, 2, 1)));
    EXPECT_EQ(c[1].pstgdate2, "");
    EXPECT_EQ(c[2].pstgdate2, "");
    EXPECT_EQ(c[0].runbal3, "");
    EXPECT_EQ(c[1].runbal3, "");
    EXPECT_EQ(c[2].runbal3, "+54.00");
    EXPECT_EQ(c[3].runbal3, "+51.50");
    // Zero counts as a payment side amount, a receipt on the plus side.
    EXPECT_EQ(c[1].amtminus, "0.00");
    EXPECT_EQ(c[2].amtplus, "+5.00");
    EXPECT_EQ(c[0].dpnarr, "Groceries : first");
    EXPECT_EQ(c[0].extaccnamedp, "Bank");
    EXPECT_TRUE(CheckRunningBalances(core, l));
    EXPECT_TRUE(prompter.messages().isEmpty());
    // What the list shows is what is stored, as SetRngBal leaves it.
    ASSERT_EQ(SetRngBal(core, bank, D(2024, 12, 31)), 5150);
    for (const PostingRow& r : l.rows) {
        PstgRec p;
        ASSERT_TRUE(ReadPstg(core, r.txnid, r.objid, p));
        if (r.txnid > 0) {
            EXPECT_EQ(p.RngBal, r.rngbal) << r.txnid;
            EXPECT_EQ(p.DpPstgDate, r.dppstgdate) << r.txnid;
            EXPECT_EQ(p.DpRngBal, r.dprngbal) << r.txnid;
        }
    }

    // In Postings style every row has its date and none a running balance.
    PostingsList p = load(bank, PostingsWhen::All, PostingsStyle::Postings);
    EXPECT_EQ(CellsOf(p, 1).pstgdate2, CalToDateStrDay(D(2024, 2, 1)));
    EXPECT_EQ(CellsOf(p, 2).runbal3, "");
    // A pot shows the external account with channel and ref.
    PostingsList pot = load(food, PostingsWhen::All, PostingsStyle::Postings);
    EXPECT_EQ(CellsOf(pot, 0).extaccnamedp, "Bank");
}

// The view shows the running balances it computed and stores them after its
// first paint; whatever happened in between, what is stored ends up current.
TEST_F(PostingsListTest, BalancesStoredAfterShowingCountLaterChanges) {
    const int t1 = pay(100, D(2024, 2, 1));
    const int t2 = pay(200, D(2024, 2, 2));
    const int t3 = pay(300, D(2024, 2, 3));
    PostingsOptions o;
    o.style = PostingsStyle::Statement;
    auto stored = [&](int txnid) {
        PstgRec p;
        EXPECT_TRUE(ReadPstg(core, txnid, bank, p));
        return p.RngBal;
    };
    auto loadLater = [&] {
        PostingsList l;
        EXPECT_TRUE(LoadPostings(core, bank, o, l, StoreBalances::Later));
        return l;
    };

    PostingsList l = loadLater();
    ASSERT_TRUE(l.balancesToStore);
    EXPECT_EQ(CellsOf(l, 3).runbal3, "-6.00");
    EXPECT_NE(stored(t3), -600); // shown, not yet stored
    // An earlier payment entered before the store is counted.
    pay(50, D(2024, 1, 15));
    ASSERT_TRUE(StoreRunningBalances(core, l));
    EXPECT_FALSE(l.balancesToStore);
    EXPECT_EQ(stored(t3), -650);
    EXPECT_FALSE(loadLater().balancesToStore);

    // A transaction cancelled (amended to nothing), then one deleted, each
    // after a list read with stale figures and before its store.
    const std::pair<std::function<bool()>, Amount> changes[] = {{[&] { return CancelTransaction(core, t2); }, -460},
                                                                {[&] { return DeleteTxnById(core, t1); }, -370}};
    for (const auto& [change, expected] : changes) {
        pay(10, D(2024, 1, 10));
        l = loadLater();
        ASSERT_TRUE(l.balancesToStore);
        ASSERT_TRUE(change());
        ASSERT_TRUE(StoreRunningBalances(core, l));
        EXPECT_EQ(stored(t3), expected);
        EXPECT_FALSE(loadLater().balancesToStore);
    }

    // A store that fails writes nothing and is not retried on its own; the
    // next loading finds the stale figures, shows the right ones, stores them.
    pay(25, D(2024, 1, 20));
    l = loadLater();
    ASSERT_TRUE(core.store().exec(QStringLiteral("CREATE TEMP TRIGGER full_disk BEFORE UPDATE ON pstg.pstg "
                                                 "BEGIN SELECT RAISE(ABORT, 'disk full'); END")));
    EXPECT_FALSE(StoreRunningBalances(core, l));
    EXPECT_FALSE(prompter.messages().isEmpty());
    EXPECT_FALSE(l.balancesToStore);
    EXPECT_EQ(stored(t3), -370);
    ASSERT_TRUE(core.store().exec(QStringLiteral("DROP TRIGGER full_disk")));
    l = loadLater();
    ASSERT_TRUE(l.balancesToStore);
    EXPECT_EQ(l.rows.back().rngbal, -395);
    ASSERT_TRUE(StoreRunningBalances(core, l));
    EXPECT_EQ(stored(t3), -395);

    // Stored a posting at a time: a payment entered between two parts is
    // counted, and nothing is left stale at the end.
    pay(5, D(2024, 1, 5));
    l = loadLater();
    ASSERT_TRUE(StoreRunningBalances(core, l, 1));
    ASSERT_TRUE(l.balancesToStore);
    pay(7, D(2024, 1, 6));
    for (int parts = 0; l.balancesToStore && parts < 20; ++parts)
        ASSERT_TRUE(StoreRunningBalances(core, l, 1));
    EXPECT_FALSE(l.balancesToStore);
    EXPECT_EQ(stored(t3), -407);
    EXPECT_FALSE(loadLater().balancesToStore);
}

TEST_F(PostingsListTest, RunningBalanceCheckReportsFirstMismatchOnce) {
    pay(100, D(2024, 2, 1));
    const int second = pay(200, D(2024, 2, 2));
    pay(300, D(2024, 2, 3));
    PostingsList l = load(bank, PostingsWhen::All, PostingsStyle::Statement);
    l.rows[2].rngbal += 7;
    l.rows[3].rngbal += 7;
    EXPECT_FALSE(CheckRunningBalances(core, l));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages()[0],
              "Txn " + QString::number(second) + " rng bal mismatch - stored: -2.93 calcd: -3.00 - Rebalance needed");
}

TEST_F(PostingsListTest, ReconcilingWritesCodesAndTheBalance) {
    const int t1 = pay(100, D(2024, 2, 1));
    const int t2 = pay(200, D(2024, 2, 5));
    PostingsList l = load(bank, PostingsWhen::All, PostingsStyle::Statement);

    ASSERT_TRUE(ReconcilePostings(core, {{t1, bank}, {t2, bank}}));
    ASSERT_TRUE(SetPostingReconciled(core, t2, bank, false));
    PstgRec p;
    ASSERT_TRUE(ReadPstg(core, t1, bank, p));
    EXPECT_EQ(p.ReconCode, 1);
    ASSERT_TRUE(ReadPstg(core, t2, bank, p));
    EXPECT_EQ(p.ReconCode, 0);

    ASSERT_TRUE(ReconcileBalanceAt(core, t2, bank));
    ObjRec b;
    ASSERT_TRUE(ReadObj(core, bank, b));
    EXPECT_EQ(b.Reconciled, "2024-02-05");
    l = load(bank, PostingsWhen::All, PostingsStyle::Statement);
    const int z = LastReconciledRow(l);
    ASSERT_EQ(l.rows[size_t(z)].txntype, 'Z');
    EXPECT_EQ(l.rows[size_t(z)].recamt, -300);
    EXPECT_EQ(CellsOf(l, z).reconciled2, "BAL OK");
    EXPECT_EQ(CellsOf(l, 1).reconciled2, "pstg ok");

    // An earlier balance is recorded but leaves the reconciled date alone;
    // a later payment dated that day makes the declared balance doubtful.
    ASSERT_TRUE(ReconcileBalanceAt(core, t1, bank));
    ASSERT_TRUE(ReadObj(core, bank, b));
    EXPECT_EQ(b.Reconciled, "2024-02-05");
    pay(50, D(2024, 2, 5));
    l = load(bank, PostingsWhen::All, PostingsStyle::Statement);
    EXPECT_EQ(CellsOf(l, LastReconciledRow(l)).reconciled2, "-3.00 ?");
    l = load(bank, PostingsWhen::All, PostingsStyle::Postings);
    EXPECT_EQ(CellsOf(l, LastReconciledRow(l)).reconciled2, "-3.00");
    EXPECT_EQ(SumQuestion(2, -300), "2 postings selected sum to -3.00 - Reconcile?");
}

TEST_F(PostingsListTest, AssignCategoryAndPotReplaceThePostings) {
    const int t1 = pay(100, D(2024, 2, 1));
    TxnRec r = txnOf('R', 400, D(2024, 2, 2), bank, shop, food, groceries);
    ASSERT_TRUE(addWithPostings(r));
    core.settings().RebalNeeded = false;

    PostingsList l = load(bank, PostingsWhen::All, PostingsStyle::Postings);
    ASSERT_TRUE(AssignToRows(core, l, {0, 1}, travel, false));
    EXPECT_TRUE(core.settings().RebalNeeded);
    PstgRec p;
    EXPECT_FALSE(ReadPstg(core, t1, groceries, p));
    EXPECT_FALSE(ReadPstg(core, r.Id, groceries, p));
    ASSERT_TRUE(ReadPstg(core, t1, travel, p));
    EXPECT_EQ(p.Amt, -100);
    EXPECT_EQ(p.Contra, shop);
    ASSERT_TRUE(ReadPstg(core, r.Id, travel, p));
    EXPECT_EQ(p.Amt, 400);
    TxnRec t;
    ASSERT_TRUE(ReadTxn(core, t1, t));
    EXPECT_EQ(t.Accid4, travel);
    EXPECT_FALSE(t.EditTS.isNull());

    ASSERT_TRUE(AssignToRows(core, l, {1}, fun, true));
    EXPECT_FALSE(ReadPstg(core, r.Id, food, p));
    ASSERT_TRUE(ReadPstg(core, r.Id, fun, p));
    EXPECT_EQ(p.Amt, 400);
    ASSERT_TRUE(ReadPstg(core, t1, food, p));

    // A pot transfer seen from the pot: the other pot on that side, and a
    // transfer left between one pot and itself goes.
    TxnRec g = txnOf('G', 700, D(2024, 2, 3), food, fun);
    ASSERT_TRUE(addWithPostings(g));
    TxnRec g2 = txnOf('G', 900, D(2024, 2, 4), food, fun);
    ASSERT_TRUE(addWithPostings(g2));
    const int spare = addObj(otPot, "Spare");
    PostingsList pl = load(food, PostingsWhen::All, PostingsStyle::Postings);
    ASSERT_TRUE(AssignToRows(core, pl, {RowOfTxn(pl, g.Id)}, spare, true));
    EXPECT_FALSE(ReadPstg(core, g.Id, food, p));
    ASSERT_TRUE(ReadPstg(core, g.Id, spare, p));
    EXPECT_EQ(p.Amt, -700);
    EXPECT_EQ(p.Contra, fun);
    ASSERT_TRUE(AssignToRows(core, pl, {RowOfTxn(pl, g2.Id)}, fun, true));
    EXPECT_FALSE(TxnExists(core, g2.Id));
    EXPECT_TRUE(postingsOf(g2.Id).empty());
}

TEST_F(PostingsListTest, JumpTargets) {
    pay(100, D(2024, 2, 1));
    const int t2 = pay(200, D(2024, 3, 1));
    PostingsList l = load(bank, PostingsWhen::All, PostingsStyle::Statement);
    EXPECT_EQ(RowOnOrAfter(l, D(2024, 2, 2)), 2);
    EXPECT_EQ(RowOnOrAfter(l, D(2025, 1, 1)), 2);
    EXPECT_EQ(RowOfTxn(l, t2), 2);
    EXPECT_EQ(RowOfTxn(l, 999), -1);
    EXPECT_EQ(LastReconciledRow(l), 0);
}

} // namespace
