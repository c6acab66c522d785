// The posting rules of every transaction type, the staleness decision of the
// posting writer, and reading postings with damaged columns.
#include "LedgerFixture.h"

namespace {

class Postings : public LedgerFixture {
protected:
    int bank = 0, card = 0, shop = 0, food = 0, fun = 0, groceries = 0;
    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        card = addObj(otExtAcc, QStringLiteral("Card"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otPot, QStringLiteral("Food"));
        fun = addObj(otPot, QStringLiteral("Fun"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
    }
};

// One expected posting: the role's account, its contra, its signed amount for
// a transaction of 12.34, whether it is dated Date2 (else Txndate), and
// whether it carries the channel.
struct Expect {
    int role;   // 1..4: Accid1..Accid4
    int contra; // role of the contra, 0 = none
    Amount amt;
    bool onDate2;
    bool channel;
};

struct TypeCase {
    char type;
    std::vector<Expect> postings;
};

} // namespace

TEST_F(Postings, EachTypePostsItsAccountsWithSignsContrasDatesAndChannel) {
    // One row per type: {role, contra, amount, on Date2, channel} for each posting.
    // clang-format off
    const std::vector<TypeCase> cases = {
        {'P', {{1, 2, -1234, 1, 1}, {2, 1, 1234, 1, 0}, {3, 2, -1234, 0, 0}, {4, 2, -1234, 0, 0}}},
        {'X', {{1, 2, -1234, 1, 1}, {2, 1, 1234, 1, 0}, {3, 2, -1234, 0, 0}, {4, 2, -1234, 0, 0}}},
        {'R', {{1, 2, 1234, 1, 1}, {2, 1, -1234, 1, 0}, {3, 2, 1234, 0, 0}, {4, 2, 1234, 0, 0}}},
        {'Y', {{1, 2, 1234, 1, 1}, {2, 1, -1234, 1, 0}, {3, 2, 1234, 0, 0}, {4, 2, 1234, 0, 0}}},
        {'C', {{1, 2, -1234, 1, 1}, {2, 1, 1234, 1, 0}, {3, 4, -1234, 0, 0}, {4, 3, 1234, 0, 0}}},
        // A cash transfer posts its two external accounts only, even with Accid3/4 set.
        {'T', {{1, 2, -1234, 1, 1}, {2, 1, 1234, 1, 0}}},
        // A pot transfer is dated Txndate and carries no channel.
        {'G', {{1, 2, -1234, 0, 0}, {2, 1, 1234, 0, 0}}},
    };
    // clang-format on
    for (const TypeCase& c : cases) {
        SCOPED_TRACE(std::string(1, c.type));
        int ids[5] = {0, bank, shop, food, groceries};
        if (c.type == 'C' || c.type == 'T')
            ids[2] = card, ids[3] = food, ids[4] = fun;
        if (c.type == 'G')
            ids[1] = food, ids[2] = fun, ids[3] = bank, ids[4] = card;
        // A negative amount posts as its absolute value.
        for (Amount amt : {Amount(1234), Amount(-1234)}) {
            TxnRec t = txnOf(c.type, amt, D(2024, 3, 10), ids[1], ids[2], ids[3], ids[4]);
            t.Date2 = D(2024, 3, 12);
            t.chnum = 7;
            ASSERT_TRUE(addWithPostings(t));
            const auto ps = postingsOf(t.Id);
            ASSERT_EQ(ps.size(), c.postings.size());
            for (const Expect& e : c.postings) {
                const PstgRec* p = find(ps, ids[e.role]);
                ASSERT_NE(p, nullptr) << "role " << e.role;
                EXPECT_EQ(p->Amt, e.amt) << "role " << e.role;
                EXPECT_EQ(p->Contra, e.contra ? ids[e.contra] : 0) << "role " << e.role;
                EXPECT_TRUE(DateEqual(p->Pstgdate, e.onDate2 ? D(2024, 3, 12) : D(2024, 3, 10))) << "role " << e.role;
                EXPECT_EQ(p->chnum, e.channel ? 7 : 0) << "role " << e.role;
                EXPECT_EQ(p->Txntype, c.type);
                EXPECT_EQ(p->RngBal, 0);
            }
        }
    }
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(Postings, MissingRolesAndCancelledAndRepeatedObjects) {
    // Payment without a pot: three postings.
    TxnRec p = txnOf('P', 500, D(2024, 2, 1), bank, shop, 0, groceries);
    ASSERT_TRUE(addWithPostings(p));
    EXPECT_EQ(postingsOf(p.Id).size(), 3u);
    // A null Date2 becomes Txndate, in the caller's record too.
    EXPECT_TRUE(DateEqual(p.Date2, D(2024, 2, 1)));

    // Pots-only transfer: two postings on Txndate without the channel.
    TxnRec c = txnOf('C', 300, D(2024, 2, 2), 0, 0, food, fun);
    c.Date2 = D(2024, 2, 5);
    c.chnum = 4;
    ASSERT_TRUE(addWithPostings(c));
    auto cs = postingsOf(c.Id);
    ASSERT_EQ(cs.size(), 2u);
    for (const PstgRec& q : cs) {
        EXPECT_TRUE(DateEqual(q.Pstgdate, D(2024, 2, 2)));
        EXPECT_EQ(q.chnum, 0);
    }

    // Cancelled payment: four postings, all zero.
    TxnRec x = txnOf('P', 900, D(2024, 2, 3), bank, shop, food, groceries);
    x.Cancelled = true;
    ASSERT_TRUE(addWithPostings(x));
    auto xs = postingsOf(x.Id);
    ASSERT_EQ(xs.size(), 4u);
    for (const PstgRec& q : xs)
        EXPECT_EQ(q.Amt, 0);

    // The same pot on both sides of a transfer keeps the last posting (credit).
    TxnRec s = txnOf('C', 100, D(2024, 2, 4), 0, 0, food, food);
    ASSERT_TRUE(addWithPostings(s));
    auto ss = postingsOf(s.Id);
    ASSERT_EQ(ss.size(), 1u);
    EXPECT_EQ(ss[0].Amt, 100);
    EXPECT_EQ(ss[0].Contra, food);
}

TEST_F(Postings, ReconciledBalanceAndDiaryPostOneRow) {
    ASSERT_TRUE(RecordReconciledBalance(core, bank, D(2024, 4, 1), 7500));
    TxnRec z;
    ASSERT_TRUE(ReadTxn(core, 1, z));
    EXPECT_EQ(z.Type, 'Z');
    auto zs = postingsOf(1);
    ASSERT_EQ(zs.size(), 1u);
    EXPECT_EQ(zs[0].Objid, bank);
    EXPECT_EQ(zs[0].Amt, 0);
    EXPECT_EQ(zs[0].Recamt, 7500);
    EXPECT_EQ(zs[0].RngBal, 7500);
    EXPECT_EQ(zs[0].Contra, 0);

    // Cancelled: the declared balance is kept.
    TxnRec zc = txnOf('Z', 4200, D(2024, 4, 2), card);
    zc.Cancelled = true;
    ASSERT_TRUE(addWithPostings(zc));
    auto zcs = postingsOf(zc.Id);
    ASSERT_EQ(zcs.size(), 1u);
    EXPECT_EQ(zcs[0].Recamt, 4200);
    EXPECT_EQ(zcs[0].Amt, 0);

    TxnRec d = txnOf('D', 0, D(2024, 4, 3), 0);
    d.Narrative = QStringLiteral("Dentist");
    ASSERT_TRUE(addWithPostings(d));
    auto ds = postingsOf(d.Id);
    ASSERT_EQ(ds.size(), 1u);
    EXPECT_EQ(ds[0].Objid, 0);
    EXPECT_EQ(ds[0].Txntype, 'D');
    EXPECT_TRUE(DateEqual(ds[0].Pstgdate, D(2024, 4, 3)));

    // A type without postings rules writes none (and so blocks the next id).
    TxnRec q = txnOf('Q', 100, D(2024, 4, 4), bank, shop);
    ASSERT_TRUE(addWithPostings(q));
    EXPECT_TRUE(postingsOf(q.Id).empty());
}

TEST_F(Postings, MissingObjectIsReportedButPosted) {
    TxnRec t = txnOf('P', 100, D(2024, 3, 1), bank, 77, food, groceries);
    ASSERT_TRUE(addWithPostings(t));
    EXPECT_EQ(postingsOf(t.Id).size(), 4u);
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("obj not found 77")});
}

TEST_F(Postings, MostNegativeAmountIsRefusedWhole) {
    TxnRec t = txnOf('P', kMinAmount, D(2024, 3, 1), bank, shop, food, groceries);
    {
        StoreTransaction st(core.store());
        ASSERT_TRUE(AddTxn(core, t));
        EXPECT_FALSE(MakePostings(core, t));
    } // rolled back
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 0);
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Program error : amount out of range in txn 1")});
}

TEST_F(Postings, WritePstgDecidesWhetherBalancesWentStale) {
    PstgRec p;
    InitPstgRec(p);
    p.Txnid = 1;
    p.Objid = bank;
    p.Txntype = 'P';
    p.Amt = -100;

    // A new posting after the period end does not touch the period figures.
    p.Pstgdate = D(2024, 7, 1);
    ASSERT_TRUE(WritePstg(core, p));
    EXPECT_FALSE(core.settings().RebalNeeded);
    // Moved within "after": still not.
    p.Pstgdate = D(2024, 7, 5);
    ASSERT_TRUE(WritePstg(core, p));
    EXPECT_FALSE(core.settings().RebalNeeded);
    // Moved into the period: stale.
    p.Pstgdate = D(2024, 6, 30);
    ASSERT_TRUE(WritePstg(core, p));
    EXPECT_TRUE(core.settings().RebalNeeded);

    // Rewriting unchanged: not stale.
    core.SetRebalNeeded(false);
    ASSERT_TRUE(WritePstg(core, p));
    EXPECT_FALSE(core.settings().RebalNeeded);
    // A changed amount in the period: stale.
    p.Amt = -150;
    ASSERT_TRUE(WritePstg(core, p));
    EXPECT_TRUE(core.settings().RebalNeeded);

    // A new posting on BalAt with an amount: stale; with none: not.
    core.SetRebalNeeded(false);
    p.Objid = card;
    p.Amt = 0;
    ASSERT_TRUE(WritePstg(core, p));
    EXPECT_FALSE(core.settings().RebalNeeded);
    p.Objid = food;
    p.Amt = 5;
    ASSERT_TRUE(WritePstg(core, p));
    EXPECT_TRUE(core.settings().RebalNeeded);

    // Deleting a posting of the period makes the figures stale too.
    core.SetRebalNeeded(false);
    ASSERT_TRUE(DeletePstg(core, 1, food));
    EXPECT_TRUE(core.settings().RebalNeeded);

    // The writer keeps the running balance and flags of an existing row.
    ASSERT_TRUE(core.store().exec(
        QStringLiteral("UPDATE pstg SET RngBal = 999, DpPstgDate = 1 WHERE Txnid = 1 AND Objid = %1").arg(bank)));
    p.Objid = bank;
    p.Amt = -160;
    ASSERT_TRUE(WritePstg(core, p));
    PstgRec back;
    ASSERT_TRUE(ReadPstg(core, 1, bank, back));
    EXPECT_EQ(back.RngBal, 999);
    EXPECT_TRUE(back.DpPstgDate);
    EXPECT_EQ(back.Amt, -160);
}

TEST_F(Postings, DamagedPostingIsRepairedInMemoryOnly) {
    TxnRec t = txnOf('R', 100, D(2024, 3, 1), bank, shop, food, groceries);
    ASSERT_TRUE(addWithPostings(t));
    ASSERT_TRUE(
        core.store().exec(QStringLiteral("UPDATE pstg SET Txntype = 'Q' WHERE Txnid = 1 AND Objid = %1").arg(food)));
    ASSERT_TRUE(
        core.store().exec(QStringLiteral("UPDATE pstg SET Pstgdate = '' WHERE Txnid = 1 AND Objid = %1").arg(shop)));

    PstgRec p;
    ASSERT_TRUE(ReadPstg(core, t.Id, food, p));
    EXPECT_EQ(p.Txntype, 'R');
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txntype = 'Q'")), 1);

    ASSERT_TRUE(ReadPstg(core, t.Id, shop, p));
    EXPECT_TRUE(IsNullDate(p.Pstgdate));

    EXPECT_EQ(prompter.messages(),
              (QStringList{QStringLiteral("Posting has invalid txn type 1-%1").arg(food),
                           QStringLiteral("Null posting date for 1-%1- cannot repair").arg(shop)}));
    EXPECT_FALSE(ReadPstg(core, 2, bank, p));
}

TEST_F(Postings, AnchorsAreKeptApartFromTransactions) {
    PstgRec a;
    ASSERT_TRUE(ReadPstg(core, 0, bank, a));
    EXPECT_EQ(a.Txntype, 'A');
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = 0 AND Pstgdate = '0000-00-00'")), 6);
    ASSERT_TRUE(EnsureAnchor(core, bank)); // present: nothing more
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = 0")), 6);

    // An unstored transaction has no postings: deleting them leaves the anchors.
    TxnRec none;
    InitTxnRec(none);
    ASSERT_TRUE(DeletePostings(core, none, 'D'));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = 0")), 6);

    ASSERT_TRUE(DeleteAnchor(core, bank));
    EXPECT_FALSE(ReadPstg(core, 0, bank, a));
    EXPECT_TRUE(prompter.messages().isEmpty());
}
