// Transactions: ids and their consistency check, storing and amending,
// atomic writes and deletes, re-dating, display-date flags and the
// counterparty-category link.
#include "LedgerFixture.h"

namespace {

class Transactions : public LedgerFixture {
protected:
    int bank = 0, shop = 0, food = 0, fun = 0, groceries = 0;
    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otPot, QStringLiteral("Food"));
        fun = addObj(otPot, QStringLiteral("Fun"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
    }
    TxnRec payment(Amount amt, const CalDate& d) { return txnOf('P', amt, d, bank, shop, food, groceries); }
};

} // namespace

TEST_F(Transactions, NextTxnIdChecksTheLastRows) {
    int id = 0;
    ASSERT_TRUE(NextTxnId(core, id)); // only anchor postings
    EXPECT_EQ(id, 1);

    // A transaction stored without postings blocks the next one.
    TxnRec lone = payment(100, D(2024, 3, 1));
    ASSERT_TRUE(AddTxn(core, lone));
    EXPECT_EQ(lone.Id, 1);
    TxnRec next = payment(200, D(2024, 3, 2));
    EXPECT_FALSE(AddTxn(core, next));
    EXPECT_EQ(next.Id, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 1);
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("ERROR : No PSTG.DB row for last TXN.DB row - run DB check")});

    // A posting of a later transaction than the last stored.
    prompter.clearRecorded();
    ASSERT_TRUE(MakePostings(core, lone));
    ASSERT_TRUE(
        core.store().exec(QStringLiteral("UPDATE pstg SET Txnid = 5 WHERE Txnid = 1 AND Objid = %1").arg(food)));
    EXPECT_FALSE(NextTxnId(core, id));
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("ERROR : No TXN.DB row for last PSTG.DB row - run DB check")});
}

TEST_F(Transactions, StoredRecordReadsBackWithNamesAndChannel) {
    ASSERT_TRUE(core.store().exec(
        QStringLiteral("INSERT INTO channel (Chnum, AccId, ChName) VALUES (3, %1, 'Debit card')").arg(bank)));
    TxnRec t = payment(1234, D(2024, 3, 10));
    t.Date2 = D(2024, 3, 12);
    t.ActualDate = D(2024, 3, 9);
    t.chnum = 3;
    ASSERT_TRUE(addWithPostings(t));
    EXPECT_TRUE(t.CreateTS.isValid());

    TxnRec r;
    ASSERT_TRUE(ReadTxn(core, t.Id, r));
    EXPECT_EQ(r.Type, 'P');
    EXPECT_EQ(r.Amt, 1234);
    EXPECT_TRUE(DateEqual(r.Txndate, D(2024, 3, 10)));
    EXPECT_TRUE(DateEqual(r.Date2, D(2024, 3, 12)));
    EXPECT_TRUE(DateEqual(r.ActualDate, D(2024, 3, 9)));
    EXPECT_EQ(r.Name1, QStringLiteral("Bank"));
    EXPECT_EQ(r.Name2, QStringLiteral("Shop"));
    EXPECT_EQ(r.Name3, QStringLiteral("Food"));
    EXPECT_EQ(r.Name4, QStringLiteral("Groceries"));
    EXPECT_EQ(r.ChName, QStringLiteral("Debit card "));
    EXPECT_EQ(r.Role, roleOrdinary);
    EXPECT_FALSE(r.EditTS.isValid());

    // A null Date2 is stored "0000-00-00" and reads back null.
    TxnRec g = txnOf('G', 50, D(2024, 3, 11), food, fun);
    ASSERT_TRUE(AddTxn(core, g));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Date2 = '0000-00-00'")), 1);
    ASSERT_TRUE(ReadTxn(core, g.Id, r));
    EXPECT_TRUE(IsNullDate(r.Date2));
    EXPECT_EQ(r.ChName, QStringLiteral("<default channel> "));

    // An empty type is reported and read as a space.
    ASSERT_TRUE(core.store().exec(QStringLiteral("UPDATE txn SET Type = '', chnum = 9 WHERE Id = %1").arg(g.Id)));
    ASSERT_TRUE(ReadTxn(core, g.Id, r));
    EXPECT_EQ(r.Type, ' ');
    EXPECT_EQ(r.ChName, QStringLiteral("invalid chnum 9"));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Invalid type for txn %1").arg(g.Id)});
    EXPECT_FALSE(ReadTxn(core, 99, r));
}

TEST_F(Transactions, AmendmentReplacesThePostings) {
    TxnRec t = payment(1000, D(2024, 3, 10));
    ASSERT_TRUE(addWithPostings(t));
    ASSERT_EQ(postingsOf(t.Id).size(), 4u);

    // The pot is taken out of the transaction and the amount changed.
    TxnRec a = t;
    a.Accid3 = 0;
    a.Amt = 800;
    {
        StoreTransaction st(core.store());
        ASSERT_TRUE(DeletePostings(core, t, 'D') && AmendTxn(core, a) && MakePostings(core, a));
        ASSERT_TRUE(st.commit());
    }
    const auto ps = postingsOf(t.Id);
    ASSERT_EQ(ps.size(), 3u);
    EXPECT_EQ(find(ps, food), nullptr);
    EXPECT_EQ(find(ps, bank)->Amt, -800);
    TxnRec r;
    ASSERT_TRUE(ReadTxn(core, t.Id, r));
    EXPECT_EQ(r.Accid3, 0);
    EXPECT_TRUE(r.EditTS.isValid());
    EXPECT_EQ(r.CreateTS, t.CreateTS);

    TxnRec missing = payment(1, D(2024, 3, 1));
    missing.Id = 42;
    EXPECT_FALSE(AmendTxn(core, missing));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("txn not found 42")});
}

TEST_F(Transactions, FailedPostingWriteLeavesNothingBehind) {
    ASSERT_TRUE(core.store().exec(QStringLiteral("CREATE TEMP TRIGGER full_disk BEFORE INSERT ON pstg.pstg "
                                                 "WHEN NEW.objid = %1 BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                                      .arg(food)));
    TxnRec t = payment(1000, D(2024, 3, 10));
    EXPECT_FALSE(addWithPostings(t));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid > 0")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot")), 0);
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("disk full")});

    // The ledger is still consistent: the next payment gets id 1.
    ASSERT_TRUE(core.store().exec(QStringLiteral("DROP TRIGGER full_disk")));
    TxnRec u = payment(1000, D(2024, 3, 10));
    ASSERT_TRUE(addWithPostings(u));
    EXPECT_EQ(u.Id, 1);

    // Deleting is atomic too: a failure deleting the row keeps the postings.
    ASSERT_TRUE(core.store().exec(QStringLiteral("CREATE TEMP TRIGGER locked BEFORE DELETE ON txn.txn "
                                                 "BEGIN SELECT RAISE(ABORT, 'locked'); END")));
    EXPECT_FALSE(DeleteTxnById(core, u.Id));
    EXPECT_EQ(postingsOf(u.Id).size(), 4u);
    ASSERT_TRUE(core.store().exec(QStringLiteral("DROP TRIGGER locked")));
    ASSERT_TRUE(DeleteTxnById(core, u.Id));
    EXPECT_TRUE(postingsOf(u.Id).empty());
    EXPECT_FALSE(TxnExists(core, u.Id));
}

TEST_F(Transactions, DeletingAndArchiving) {
    TxnRec t = payment(1000, D(2024, 3, 10));
    ASSERT_TRUE(addWithPostings(t));
    TxnRec u = payment(250, D(2024, 3, 11));
    ASSERT_TRUE(addWithPostings(u));

    // Archive mode moves the amounts into the brought-forward balances.
    ASSERT_TRUE(DeleteTxnWithPostings(core, t, 'A'));
    ObjRec o;
    ASSERT_TRUE(ReadObj(core, bank, o));
    EXPECT_EQ(o.BfdBal, -1000);
    ASSERT_TRUE(ReadObj(core, shop, o));
    EXPECT_EQ(o.BfdBal, 1000);
    EXPECT_EQ(postingsOf(u.Id).size(), 4u);

    core.SetRebalNeeded(false);
    ASSERT_TRUE(DeleteTxnById(core, u.Id));
    EXPECT_TRUE(core.settings().RebalNeeded);
    ASSERT_TRUE(ReadObj(core, bank, o));
    EXPECT_EQ(o.BfdBal, -1000);

    EXPECT_FALSE(DeleteTxnById(core, 5));
    EXPECT_FALSE(DeleteTxnWithPostings(core, t, 'D'));
    EXPECT_EQ(prompter.messages(),
              (QStringList{QStringLiteral("txn not found 5"), QStringLiteral("txn not found %1").arg(t.Id)}));
    // The anchors stay.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = 0")), 5);
}

TEST_F(Transactions, RedateMovesDate2AndRespectsTheReconciledDate) {
    TxnRec t = payment(1000, D(2024, 3, 10));
    ASSERT_TRUE(addWithPostings(t));
    PstgRec potPosting;
    ASSERT_TRUE(ReadPstg(core, t.Id, food, potPosting));

    // Cancelled calendar: nothing.
    prompter.expectPickDate(false);
    EXPECT_FALSE(RedatePosting(core, potPosting));

    // Whichever posting is chosen, Date2 moves.
    prompter.expectPickDate(true, D(2024, 3, 20));
    ASSERT_TRUE(RedatePosting(core, potPosting));
    TxnRec r;
    ASSERT_TRUE(ReadTxn(core, t.Id, r));
    EXPECT_TRUE(DateEqual(r.Date2, D(2024, 3, 20)));
    EXPECT_TRUE(DateEqual(r.Txndate, D(2024, 3, 10)));
    const auto ps = postingsOf(t.Id);
    EXPECT_TRUE(DateEqual(find(ps, bank)->Pstgdate, D(2024, 3, 20)));
    EXPECT_TRUE(DateEqual(find(ps, food)->Pstgdate, D(2024, 3, 10)));

    // The bank is reconciled to 2024-03-25: its posting of 2024-03-20 stays.
    ObjRec b;
    ASSERT_TRUE(ReadObj(core, bank, b));
    b.Reconciled = QStringLiteral("2024-03-25");
    ASSERT_TRUE(WriteObj(core, b));
    PstgRec bankPosting;
    ASSERT_TRUE(ReadPstg(core, t.Id, bank, bankPosting));
    prompter.expectPickDate(true, D(2024, 4, 2));
    EXPECT_FALSE(RedatePosting(core, bankPosting));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Cannot redate : will upset reconciled balance")});
    ASSERT_TRUE(ReadTxn(core, t.Id, r));
    EXPECT_TRUE(DateEqual(r.Date2, D(2024, 3, 20)));
}

TEST_F(Transactions, DisplayDateFlagsMarkTheFirstOfEachDate) {
    TxnRec a = payment(1, D(2024, 3, 2));
    TxnRec b = payment(2, D(2024, 3, 1));
    TxnRec c = payment(3, D(2024, 3, 1));
    ASSERT_TRUE(addWithPostings(a) && addWithPostings(b) && addWithPostings(c));
    ASSERT_TRUE(SetDpDates(core));
    TxnRec r;
    ASSERT_TRUE(ReadTxn(core, b.Id, r));
    EXPECT_TRUE(r.DpDate);
    ASSERT_TRUE(ReadTxn(core, c.Id, r));
    EXPECT_FALSE(r.DpDate);
    ASSERT_TRUE(ReadTxn(core, a.Id, r));
    EXPECT_TRUE(r.DpDate);
}

TEST_F(Transactions, PaymentsAndReceiptsLinkTheirCategory) {
    TxnRec p1 = payment(100, D(2024, 3, 1));
    TxnRec p2 = txnOf('X', 100, D(2024, 3, 2), bank, shop, food, groceries);
    TxnRec r1 = txnOf('R', 100, D(2024, 3, 3), bank, shop, food, groceries);
    TxnRec none = txnOf('P', 100, D(2024, 3, 4), bank, shop, food, 0);
    TxnRec g = txnOf('G', 100, D(2024, 3, 5), food, fun);
    for (TxnRec* t : {&p1, &p2, &r1, &none, &g})
        ASSERT_TRUE(addWithPostings(*t));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot")), 2);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot WHERE Cptyid = %1 AND Potid = %2 AND "
                                    "Purchsale = 'P' AND Hidden = 0")
                         .arg(shop)
                         .arg(groceries)),
              1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot WHERE Purchsale = 'S'")), 1);
}

TEST_F(Transactions, TypeNames) {
    EXPECT_EQ(TxnTypeName('X'), QStringLiteral("Credit Purchase"));
    EXPECT_EQ(TxnTypeName('Z'), QStringLiteral("Reconciled Balance"));
    EXPECT_EQ(TxnTypeShort('G'), QStringLiteral("PotTfr"));
    EXPECT_EQ(TxnTypeName('A'), QStringLiteral("UNKNOWN"));
    EXPECT_EQ(TxnTypeShort('?'), QStringLiteral("UNKNOWN"));
    PstgRec p;
    p.Txnid = 120;
    p.Objid = 7;
    EXPECT_EQ(PostingLabel(p), QStringLiteral("120-7"));
}

TEST_F(Transactions, SchemaWithoutActualDateStillStores) {
    // A folder upgraded to 17 works a whole session without actualtxndate.
    ASSERT_TRUE(core.store().exec(QStringLiteral("ALTER TABLE txn.txn DROP COLUMN actualtxndate")));
    TxnRec t = payment(100, D(2024, 3, 1));
    t.ActualDate = D(2024, 2, 28);
    ASSERT_TRUE(addWithPostings(t));
    ASSERT_TRUE(AmendTxn(core, t));
    TxnRec r;
    ASSERT_TRUE(ReadTxn(core, t.Id, r));
    EXPECT_TRUE(IsNullDate(r.ActualDate));
    EXPECT_TRUE(prompter.messages().isEmpty());
}
