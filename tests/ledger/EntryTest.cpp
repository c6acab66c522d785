// Entering a transaction without a screen: the checks that turn the form's
// contents into a record, and the commit that stores it whole or not at all.
#include "LedgerFixture.h"

#include "data/Tables.h"
#include "ledger/Entry.h"
#include "ledger/Repeaters.h"

namespace {

class Entry : public LedgerFixture {
protected:
    int bank = 0, cash = 0, shop = 0, food = 0, fun = 0, groceries = 0;

    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        cash = addObj(otExtAcc, QStringLiteral("Cash"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otPot, QStringLiteral("Food"));
        fun = addObj(otPot, QStringLiteral("Fun"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
    }

    ObjRec obj(int id) {
        ObjRec r;
        EXPECT_TRUE(ReadObj(core, id, r));
        return r;
    }

    // A cash payment of 12.34 from Bank to Shop, pot Food, on 2024-03-14.
    EntryForm payment() {
        EntryForm f;
        f.actualTicked = true;
        f.actualText = QStringLiteral("2024-03-14");
        f.amountText = QStringLiteral("12.34");
        f.external = obj(bank);
        f.counterparty = obj(shop);
        f.internal = obj(food);
        f.category = obj(groceries);
        return f;
    }

    // The first message of validating f, or empty when it passed.
    QString refusal(EntryForm f) {
        prompter.clearRecorded();
        TxnRec n;
        EntryExtras x;
        const bool ok = ValidateEntry(core, f, n, x);
        const QStringList m = prompter.messages();
        EXPECT_EQ(ok, m.isEmpty());
        return m.isEmpty() ? QString() : m.front();
    }

    TxnRec validated(EntryForm f, EntryExtras* extras = nullptr) {
        TxnRec n;
        EntryExtras x;
        EXPECT_TRUE(ValidateEntry(core, f, n, x)) << prompter.messages().join('|').toStdString();
        if (extras)
            *extras = x;
        return n;
    }
};

TEST_F(Entry, RefusalsComeOneAtATimeWithTheirMessages) {
    EntryForm f = payment();
    f.amountText.clear();
    EXPECT_EQ(refusal(f), "Amount not specified");
    f.amountText = QStringLiteral("12.3");
    EXPECT_EQ(refusal(f), "Invalid amount");
    f.amountText = QStringLiteral("-5.00");
    EXPECT_EQ(refusal(f), "Amount should be >= 0");

    f = payment();
    f.actualTicked = false;
    EXPECT_EQ(refusal(f), "One or both of Actual Transaction/Posting Dates must be completed");
    f.postingTicked = true;
    f.postingText = QStringLiteral("2024-02-30");
    EXPECT_EQ(refusal(f), "Posting date is not a date - use yyyy-mm-dd");
    f = payment();
    f.actualText = QStringLiteral("14/03/2024");
    EXPECT_EQ(refusal(f), "Actual txn date is not a date - use yyyy-mm-dd");

    core.settings().DBStartDate = D(2024, 4, 1);
    EXPECT_EQ(refusal(payment()), "Txn/pstg date before db start date");
    core.settings().DBStartDate = CalDate();

    // Slots in their order: external, internal, counterparty, category.
    f = payment();
    f.external = ObjRec();
    f.internal = ObjRec();
    EXPECT_EQ(refusal(f), "External account not specified");
    f = payment();
    f.internal = ObjRec();
    f.category = ObjRec();
    EXPECT_EQ(refusal(f), "Internal account not specified");

    f = payment();
    f.kind = 'T';
    f.intSide = true;
    f.internalFrom = obj(food);
    EXPECT_EQ(refusal(f), "From & To accounts must be different");

    f = payment();
    f.cashback = true;
    EXPECT_EQ(refusal(f), "No cashback account selected");
    f.repeat = true;
    f.cashback = false;
    EXPECT_EQ(refusal(f), "Repeat frequency omitted");
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 0);
}

TEST_F(Entry, DateTicksDecideTxndateDate2AndActualDate) {
    EntryForm f = payment();
    f.actualTicked = false;
    f.postingTicked = true;
    f.postingText = QStringLiteral("2024-03-16  Sat");
    TxnRec n = validated(f);
    EXPECT_TRUE(DateEqual(n.Txndate, D(2024, 3, 16)));
    EXPECT_TRUE(DateEqual(n.Date2, D(2024, 3, 16)));
    EXPECT_TRUE(IsNullDate(n.ActualDate));

    f.actualTicked = true;
    n = validated(f);
    EXPECT_TRUE(DateEqual(n.Txndate, D(2024, 3, 14)));
    EXPECT_TRUE(DateEqual(n.ActualDate, D(2024, 3, 14)));
    EXPECT_TRUE(DateEqual(n.Date2, D(2024, 3, 16)));

    f.postingTicked = false;
    n = validated(f);
    EXPECT_TRUE(DateEqual(n.Date2, n.Txndate));

    // A transfer has no posting date: a tick left on does not count.
    f.kind = 'T';
    f.extSide = true;
    f.externalTo = obj(cash);
    f.postingTicked = true;
    n = validated(f);
    EXPECT_EQ(n.Type, 'C');
    EXPECT_TRUE(DateEqual(n.Date2, D(2024, 3, 14)));
}

TEST_F(Entry, TypeFollowsTheProviderAndCreditMakesTheAccountOwed) {
    // A payment to the counterparty that provides the external account is a
    // credit purchase; to anyone else a cash payment.
    ObjRec card = obj(addObj(otExtAcc, QStringLiteral("Card")));
    const int cardCo = addObj(otCpty, QStringLiteral("Card Co"));
    card.AccWith = cardCo;
    ASSERT_TRUE(WriteObj(core, card));
    EntryForm f = payment();
    f.external = obj(card.Id);
    EXPECT_EQ(validated(f).Type, 'P');
    f.counterparty = obj(cardCo);
    EXPECT_EQ(validated(f).Type, 'X');

    // A credit receipt from a counterparty without a credit account makes
    // "<name> owes", reports it and becomes a credit sale through it.
    f = payment();
    f.kind = 'R';
    f.credit = true;
    f.external = ObjRec();
    const TxnRec n = validated(f);
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().front(), "External Account \"Shop owes\" created");
    EXPECT_EQ(n.Type, 'Y');
    const ObjRec owes = obj(n.Accid1);
    EXPECT_EQ(owes.Name, "Shop owes");
    EXPECT_EQ(owes.AccWith, shop);
    EXPECT_EQ(obj(shop).AccWith, owes.Id);

    // The next one goes through the same account without making another.
    f.external = ObjRec();
    EXPECT_EQ(validated(f).Accid1, owes.Id);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM obj WHERE Type = 1")), 4);
}

TEST_F(Entry, InternalOnlyTransferLeavesTheExternalSideEmpty) {
    EntryForm f = payment();
    f.kind = 'T';
    f.intSide = true;
    f.internalFrom = obj(food);
    f.internal = obj(fun);
    TxnRec n = validated(f);
    EXPECT_EQ(n.Type, 'C');
    EXPECT_EQ(n.Accid1, 0);
    EXPECT_EQ(n.Accid2, 0);
    EXPECT_EQ(n.Accid3, food);
    EXPECT_EQ(n.Accid4, fun);
    ASSERT_TRUE(CommitEntry(core, 'N', TxnRec(), n, EntryExtras()));
    const auto ps = postingsOf(n.Id);
    ASSERT_EQ(ps.size(), 2u);
    EXPECT_EQ(find(ps, food)->Amt, -1234);
    EXPECT_EQ(find(ps, fun)->Amt, 1234);
}

TEST_F(Entry, RepeatReminderQuestionAndCounts) {
    EntryForm f = payment();
    f.repeat = true;
    f.freq = 'M';
    f.countText = QStringLiteral("abc");
    f.reminderText = QStringLiteral("x");
    TxnRec n = validated(f); // monthly, step 1: no question
    EXPECT_EQ(n.Role, roleMaster);
    EXPECT_EQ(n.Rpt.RptCt, 0);
    EXPECT_EQ(n.Rpt.Rmdays, 0);
    EXPECT_TRUE(DateEqual(n.Rpt.StartDate, D(2024, 3, 14)));

    f.increment = 3;
    prompter.expectQuestion(QStringLiteral(" No reminder, are you sure?"), 'N');
    TxnRec m;
    EntryExtras x;
    EXPECT_FALSE(ValidateEntry(core, f, m, x));
    f.increment = 1;
    f.freq = 'Y';
    prompter.expectQuestion(QStringLiteral(" No reminder, are you sure?"), 'Y');
    EXPECT_TRUE(ValidateEntry(core, f, m, x));
    f.reminderText = QStringLiteral("7");
    EXPECT_EQ(validated(f).Rpt.Rmdays, 7); // no question with a reminder
    EXPECT_TRUE(prompter.allAnswered());

    // A new master writes the repeater and its instances up to BalAt.
    f.freq = 'M';
    f.untilText = QStringLiteral("2024-05-31");
    n = validated(f);
    ASSERT_TRUE(CommitEntry(core, 'N', TxnRec(), n, EntryExtras()));
    EXPECT_GT(n.Masterid, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Masterid > 0")), 3);
    EXPECT_EQ(scalar(QStringLiteral("SELECT max(Id) FROM txn")), n.Id);
}

TEST_F(Entry, UpdatingAMasterRewritesItsRepeaterOnly) {
    EntryForm f = payment();
    f.repeat = true;
    f.freq = 'W';
    TxnRec n = validated(f);
    ASSERT_TRUE(CommitEntry(core, 'N', TxnRec(), n, EntryExtras()));
    RptrRec r;
    ASSERT_TRUE(ReadRepeater(core, n.Masterid, r));
    const std::int64_t txns = scalar(QStringLiteral("SELECT count(*) FROM txn"));
    const TxnRec master = TxnFromRepeater(r);

    f.amountText = QStringLiteral("50.00");
    f.freq = 'M';
    TxnRec e = validated(f);
    prompter.expectQuestion(QStringLiteral("Update repeater master - OK?"), 'Y');
    ASSERT_TRUE(CommitEntry(core, 'E', master, e, EntryExtras()));
    RptrRec after;
    ASSERT_TRUE(ReadRepeater(core, n.Masterid, after));
    EXPECT_EQ(after.Amt, 5000);
    EXPECT_EQ(after.Freq, 'M');
    EXPECT_EQ(after.Gento, r.Gento);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), txns);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM rptr")), 1);
}

TEST_F(Entry, CommitWritesCashbackLinkAndPot) {
    core.settings().CashbackAccId = cash;
    EntryForm f = payment();
    f.cashback = true;
    f.cashAccountId = cash;
    f.cashbackText = QStringLiteral("-5.00");
    EntryExtras x;
    TxnRec n = validated(f, &x);
    ASSERT_TRUE(CommitEntry(core, 'N', TxnRec(), n, x));
    EXPECT_EQ(n.Id, 1);
    EXPECT_EQ(postingsOf(1).size(), 4u);

    TxnRec cb;
    ASSERT_TRUE(ReadTxn(core, 2, cb));
    EXPECT_EQ(cb.Type, 'P');
    EXPECT_EQ(cb.Amt, 500);
    EXPECT_EQ(cb.Accid1, cash);
    EXPECT_EQ(cb.Accid2, shop);
    EXPECT_EQ(cb.Accid3, food);
    EXPECT_EQ(cb.Accid4, groceries);
    EXPECT_EQ(cb.Ref, "Cashback");
    EXPECT_TRUE(DateEqual(cb.Txndate, n.Txndate));
    EXPECT_EQ(find(postingsOf(2), cash)->Amt, -500);

    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot WHERE Purchsale = 'P'")), 1);
    EXPECT_EQ(obj(groceries).PotType, food);
}

TEST_F(Entry, ProviderBypassIsAskedOnlyWhenTheCounterpartyProvidesAnAccount) {
    ObjRec card = obj(addObj(otExtAcc, QStringLiteral("Shop card")));
    card.AccWith = shop;
    ASSERT_TRUE(WriteObj(core, card));
    TxnRec n = validated(payment());
    prompter.expectQuestion(
        QStringLiteral("This transaction will bypass your external account with this counterparty - continue anyway?"),
        'N');
    EXPECT_FALSE(CommitEntry(core, 'N', TxnRec(), n, EntryExtras()));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 0);
    EntryForm f = payment();
    f.external = card;
    n = validated(f);
    EXPECT_EQ(n.Type, 'X');
    EXPECT_TRUE(CommitEntry(core, 'N', TxnRec(), n, EntryExtras())); // no question
}

TEST_F(Entry, EditAsksBeforeChangingAndReposts) {
    TxnRec n = validated(payment());
    ASSERT_TRUE(CommitEntry(core, 'N', TxnRec(), n, EntryExtras()));
    TxnRec stored;
    ASSERT_TRUE(ReadTxn(core, n.Id, stored));

    EntryForm f = payment();
    f.amountText = QStringLiteral("20.00");
    f.internal = obj(fun);
    TxnRec e = validated(f);
    prompter.expectQuestion(QStringLiteral("Update existing txn - OK?"), 'N');
    EXPECT_FALSE(CommitEntry(core, 'E', stored, e, EntryExtras()));
    EXPECT_EQ(find(postingsOf(n.Id), food)->Amt, -1234);
    EXPECT_EQ(find(postingsOf(n.Id), fun), nullptr);

    prompter.expectQuestion(QStringLiteral("Update existing txn - OK?"), 'Y');
    ASSERT_TRUE(CommitEntry(core, 'E', stored, e, EntryExtras()));
    EXPECT_EQ(e.Id, n.Id);
    const auto ps = postingsOf(n.Id);
    EXPECT_EQ(ps.size(), 4u);
    EXPECT_EQ(find(ps, fun)->Amt, -2000);
    EXPECT_EQ(find(ps, food), nullptr);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 1);

    stored.Id = 0;
    EXPECT_FALSE(CommitEntry(core, 'E', stored, e, EntryExtras()));
    EXPECT_EQ(prompter.messages().back(), "Program error : old txn id = 0");
}

TEST_F(Entry, FailurePartWayThroughTheCommitWritesNothing) {
    core.settings().CashbackAccId = cash;
    EntryForm f = payment();
    f.cashback = true;
    f.cashAccountId = cash;
    f.cashbackText = QStringLiteral("5.00");
    EntryExtras x;
    TxnRec n = validated(f, &x);
    // The last write of the command, the cashback's postings, fails.
    ASSERT_TRUE(core.store().exec(QStringLiteral("CREATE TEMP TRIGGER full_disk BEFORE INSERT ON pstg.pstg "
                                                 "WHEN NEW.txnid = 2 BEGIN SELECT RAISE(ABORT, 'disk full'); END")));
    EXPECT_FALSE(CommitEntry(core, 'N', TxnRec(), n, x));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid > 0")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot")), 0);
    EXPECT_EQ(obj(groceries).PotType, 0);

    ASSERT_TRUE(core.store().exec(QStringLiteral("DROP TRIGGER full_disk")));
    n = validated(f, &x);
    ASSERT_TRUE(CommitEntry(core, 'N', TxnRec(), n, x));
    EXPECT_EQ(n.Id, 1);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn")), 2);
}

TEST_F(Entry, SweepProposalBySourceKindAndSign) {
    TxnRec base;
    InitTxnRec(base);
    base.Accid2 = shop;
    base.Accid3 = food;
    base.Accid4 = groceries;
    TxnRec t;
    ASSERT_TRUE(SweepProposal(core, base, food, fun, -700, D(2024, 6, 30), QStringLiteral("n"), t));
    EXPECT_EQ(t.Type, 'G');
    EXPECT_EQ(t.Accid1, fun);
    EXPECT_EQ(t.Accid2, food);
    EXPECT_EQ(t.Amt, 700);
    EXPECT_EQ(t.Ref, "sweep");
    ASSERT_TRUE(SweepProposal(core, base, bank, fun, -700, D(2024, 6, 30), QStringLiteral("n"), t));
    EXPECT_EQ(t.Type, 'R');
    EXPECT_EQ(t.Accid1, bank);
    EXPECT_EQ(t.Accid3, food);
    EXPECT_FALSE(SweepProposal(core, base, shop, fun, 700, D(2024, 6, 30), QStringLiteral("n"), t));

    // Once saved, the swept account stands reconciled at 0 on the sweep's
    // date; an earlier sweep leaves a later reconciled date where it is.
    ASSERT_TRUE(SweepFollowUp(core, food, D(2024, 6, 30)));
    EXPECT_EQ(obj(food).Reconciled, "2024-06-30");
    ASSERT_TRUE(SweepFollowUp(core, food, D(2024, 5, 31)));
    EXPECT_EQ(obj(food).Reconciled, "2024-06-30");
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Type = 'Z' AND Amt = 0")), 2);
}

} // namespace
