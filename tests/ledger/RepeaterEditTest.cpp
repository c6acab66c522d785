// Changing repeaters and their instances: the role dispatch of
// WriteTransaction, MakeRepeater, UpdateInstance with its questions and
// propagation, the fields copied to the master, DeleteTransaction with every
// question, removing and detaching instances, and the reconciled-balance
// guard.
#include "RepeaterFixture.h"

#include <QStringList>
#include <algorithm>

namespace {

const char* const kActiveQ = "This instance of active repeater updated OK ;\nalso apply to later/future instances?";
const char* const kInactiveMsg =
    "This instance of inactive repeater updated OK ;\ncannot apply to later instances since repeater is inactive";
const char* const kWillNotRegen = "Deleted instance will not be regenerated at next Rebal. Still OK to delete?";
const char* const kWillRegen =
    "Deleted instance(s) will be regenerated at next Rebal : use Cancel instead to avoid this. Still OK to delete?";
const char* const kRegenNow = "Regenerate deleted instances now?";
const char* const kAlsoLater = "Txn is an instance of an Active Repeater. Also delete all later instances?";
const char* const kBankRecon = "Reconciled balance for account \"Bank\" will be altered!\n"
                               "Are you sure you want to add/amend/delete transaction?";

class RepeaterEdit : public RepeaterFixture {
protected:
    int master = 0;

    // A monthly repeater from 2024-01-10 paying 10.00, generated to 2024-07-10
    // (instances 1 to 7).
    void makeMonthly(bool active = true) {
        RptrRec r = payment('M', 1, D(2024, 1, 10));
        master = store(r);
        GenerateInstances(core, r);
        ASSERT_EQ(reread(master).Gento, 7);
        if (!active) {
            r = reread(master);
            r.RptActive = false;
            ASSERT_TRUE(WriteRepeater(core, r));
        }
        core.settings().RebalNeeded = false;
    }

    TxnRec instance(int n) {
        TxnRec t;
        EXPECT_TRUE(ReadTxn(core, idOfInstance(master, n), t));
        return t;
    }

    std::vector<Amount> instanceAmounts() {
        std::vector<Amount> out;
        for (const TxnRec& t : instancesOf(master))
            out.push_back(t.Amt);
        return out;
    }

    std::vector<int> instanceIds() {
        std::vector<int> out;
        for (const TxnRec& t : instancesOf(master))
            out.push_back(t.Id);
        return out;
    }

    void reconcileBank(const char* date) {
        ASSERT_TRUE(core.store().exec(
            QStringLiteral("UPDATE obj SET Reconciled = '%1' WHERE Id = %2").arg(QLatin1String(date)).arg(bank)));
    }
};

TEST_F(RepeaterEdit, WriteTransactionDispatchesByRole) {
    TxnRec t = txnOf('P', 500, D(2024, 2, 1), bank, shop, food, groceries);
    ASSERT_TRUE(WriteTransaction(core, t));
    ASSERT_TRUE(MakePostings(core, t));
    EXPECT_EQ(t.Id, 1);
    t.Amt = 700;
    ASSERT_TRUE(WriteTransaction(core, t));
    EXPECT_EQ(count("SELECT Amt FROM txn WHERE Id = 1"), 700);
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 1);

    // A master writes the repeater, not a transaction.
    RptrRec r = payment('W', 1, D(2024, 3, 1), 900);
    r.EndDate = D(2024, 12, 31);
    TxnRec m = TxnFromRepeater(r);
    ASSERT_TRUE(WriteTransaction(core, m));
    EXPECT_EQ(m.Masterid, 1);
    const RptrRec stored = reread(1);
    EXPECT_EQ(stored.Amt, 900);
    EXPECT_EQ(stored.Freq, 'W');
    EXPECT_EQ(CalToDateStr(stored.EndDate), "2024-12-31");
    EXPECT_TRUE(stored.RptActive);
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 1);
    // Saving it again updates the same row.
    m.Amt = 950;
    ASSERT_TRUE(WriteTransaction(core, m));
    EXPECT_EQ(reread(1).Amt, 950);
    EXPECT_EQ(count("SELECT count(*) FROM rptr"), 1);

    TxnRec unstoredInstance = txnOf('P', 1, D(2024, 2, 1), bank);
    unstoredInstance.Role = roleInstance;
    EXPECT_FALSE(WriteTransaction(core, unstoredInstance));
    TxnRec odd = t;
    odd.Role = 5;
    EXPECT_FALSE(WriteTransaction(core, odd));
    EXPECT_EQ(prompter.messages(), (QStringList{"Program error : wr_txn_ok", "Program error : wr_txn_ok"}));
}

TEST_F(RepeaterEdit, MakeRepeaterFromTransaction) {
    TxnRec t = txnOf('P', 1234, D(2024, 2, 29), bank, shop, food, groceries);
    t.Ref = QStringLiteral("ref");
    t.chnum = 3;
    ASSERT_TRUE(addWithPostings(t));
    core.settings().RebalNeeded = false;
    TxnRec read;
    ASSERT_TRUE(ReadTxn(core, t.Id, read));
    ASSERT_TRUE(MakeRepeater(core, read));
    EXPECT_TRUE(core.settings().RebalNeeded);
    EXPECT_EQ(read.Role, roleInstance);

    const RptrRec r = reread(1);
    EXPECT_EQ(r.Freq, 'M');
    EXPECT_TRUE(r.RptActive);
    EXPECT_EQ(r.Gento, 1);
    EXPECT_EQ(r.Rptinc, 1);
    EXPECT_EQ(r.RptCt, 0);
    EXPECT_EQ(r.Rmdays, 0);
    EXPECT_TRUE(IsNullDate(r.EndDate));
    EXPECT_EQ(CalToDateStr(r.StartDate), "2024-02-29");
    EXPECT_EQ(r.Amt, 1234);
    EXPECT_EQ(r.Ref, "ref");
    EXPECT_EQ(r.chnum, 3);
    EXPECT_EQ(r.Accid3, food);

    TxnRec again;
    ASSERT_TRUE(ReadTxn(core, t.Id, again));
    EXPECT_EQ(again.Masterid, 1);
    EXPECT_EQ(again.Instance, 1);
    EXPECT_EQ(again.Role, roleInstance);
    // Like a generated instance it has a date of its own, so the health check
    // finds nothing to say about it.
    EXPECT_EQ(CalToDateStr(again.ActualDate), "2024-02-29");
    ASSERT_TRUE(GenerateAllRepeaters(core));
    EXPECT_EQ(instanceDates(1), (std::vector<QString>{"2024-02-29", "2024-03-29", "2024-04-29", "2024-05-29",
                                                      "2024-06-29", "2024-07-29"}));

    EXPECT_FALSE(MakeRepeater(core, again));
    EXPECT_EQ(prompter.messages(), QStringList{"Transaction is already a repeater"});
    EXPECT_EQ(count("SELECT count(*) FROM rptr"), 1);
}

TEST_F(RepeaterEdit, UpdateInstanceWithoutPropagation) {
    ASSERT_NO_FATAL_FAILURE(makeMonthly());
    const std::vector<int> ids = instanceIds();
    TxnRec t = instance(3);
    t.Amt = 1500;
    prompter.expectQuestion(kActiveQ, 'N');
    ASSERT_TRUE(WriteTransaction(core, t));
    EXPECT_EQ(instanceAmounts(), (std::vector<Amount>{1000, 1000, 1500, 1000, 1000, 1000, 1000}));
    EXPECT_EQ(instanceIds(), ids);
    EXPECT_EQ(reread(master).Amt, 1000);

    // Yes, then No to the count of later instances: the same.
    t = instance(4);
    t.Amt = 1700;
    prompter.expectQuestion(kActiveQ, 'Y');
    prompter.expectQuestion("Update will impact 3 existing instances #5 to #7\nas well as future instances - OK ?",
                            'N');
    ASSERT_TRUE(UpdateInstance(core, t));
    EXPECT_EQ(instanceAmounts(), (std::vector<Amount>{1000, 1000, 1500, 1700, 1000, 1000, 1000}));
    EXPECT_EQ(instanceIds(), ids);
    EXPECT_EQ(reread(master).Amt, 1000);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(RepeaterEdit, UpdateInstancePropagatesToMasterAndLaterInstances) {
    ASSERT_NO_FATAL_FAILURE(makeMonthly());
    const std::vector<int> ids = instanceIds();
    TxnRec t = instance(3);
    t.Amt = 2000;
    t.Narrative = QStringLiteral("New rent");
    prompter.expectQuestion(kActiveQ, 'Y');
    prompter.expectQuestion("Update will impact 4 existing instances #4 to #7\nas well as future instances - OK ?",
                            'Y');
    ASSERT_TRUE(WriteTransaction(core, t));
    EXPECT_EQ(prompter.messages(), QStringList{"Copying the following fields to Master : amt, narrative"});
    EXPECT_EQ(instanceNumbers(master), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(instanceAmounts(), (std::vector<Amount>{1000, 1000, 2000, 2000, 2000, 2000, 2000}));
    const std::vector<int> now = instanceIds();
    EXPECT_EQ(std::vector<int>(now.begin(), now.begin() + 3), std::vector<int>(ids.begin(), ids.begin() + 3));
    const RptrRec r = reread(master);
    EXPECT_EQ(r.Amt, 2000);
    EXPECT_EQ(r.Narrative, "New rent");
    EXPECT_EQ(r.Gento, 7);
    EXPECT_TRUE(r.RptActive);
    // The regenerated instances are posted with the new amount.
    EXPECT_EQ(find(postingsOf(now[5]), bank)->Amt, -2000);
    EXPECT_EQ(instance(7).Narrative, "New rent");

    // The latest instance has no later ones to count.
    t = instance(7);
    t.Ref = QStringLiteral("last");
    prompter.clearRecorded();
    prompter.expectQuestion(kActiveQ, 'Y');
    ASSERT_TRUE(UpdateInstance(core, t));
    EXPECT_EQ(prompter.messages(), QStringList{"Copying the following fields to Master : ref"});
    EXPECT_EQ(reread(master).Ref, "last");
    EXPECT_EQ(instanceNumbers(master).size(), 7u);
}

TEST_F(RepeaterEdit, UpdateInstanceOfInactiveRepeaterAndInRepairMode) {
    ASSERT_NO_FATAL_FAILURE(makeMonthly(false));
    TxnRec t = instance(2);
    t.Amt = 300;
    ASSERT_TRUE(UpdateInstance(core, t));
    EXPECT_EQ(prompter.messages(), QStringList{kInactiveMsg});
    EXPECT_EQ(instance(2).Amt, 300);

    // The record's own copy saying active is enough to ask.
    t = instance(2);
    t.Rpt.RptActive = true;
    prompter.expectQuestion(kActiveQ, 'N');
    ASSERT_TRUE(UpdateInstance(core, t));

    prompter.clearRecorded();
    {
        InstanceRepairMode repair;
        t = instance(5);
        t.Amt = 1;
        t.Rpt.RptActive = true;
        ASSERT_TRUE(WriteTransaction(core, t));
    }
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(instance(5).Amt, 1);

    TxnRec gone = t;
    gone.Id = 999;
    EXPECT_FALSE(UpdateInstance(core, gone));
    EXPECT_EQ(prompter.messages(), QStringList{"txn not found 999"});
}

TEST_F(RepeaterEdit, UpdateInstanceIsWrittenWholeOrNotAtAll) {
    ASSERT_NO_FATAL_FAILURE(makeMonthly());
    const std::vector<int> ids = instanceIds();
    ASSERT_TRUE(core.store().exec("CREATE TEMP TRIGGER noInsert BEFORE INSERT ON txn.txn "
                                  "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END"));
    TxnRec t = instance(3);
    t.Amt = 2000;
    prompter.expectQuestion(kActiveQ, 'Y');
    prompter.expectQuestion("Update will impact 4 existing instances #4 to #7\nas well as future instances - OK ?",
                            'Y');
    EXPECT_FALSE(UpdateInstance(core, t));
    EXPECT_EQ(instanceAmounts(), (std::vector<Amount>(7, 1000)));
    EXPECT_EQ(instanceIds(), ids);
    EXPECT_EQ(reread(master).Amt, 1000);
    EXPECT_EQ(reread(master).Gento, 7);
    EXPECT_FALSE(core.store().inTransaction());
}

TEST_F(RepeaterEdit, CopyChangesToMasterFieldList) {
    RptrRec r = payment('M', 1, D(2024, 1, 10));
    store(r);
    TxnRec same = TxnFromRepeater(r);
    same.Role = roleInstance;
    same.chnum = 9; // the channel is not one of the copied fields
    RptrRec m = r;
    EXPECT_FALSE(CopyChangesToMaster(core, m, same));
    EXPECT_TRUE(prompter.messages().isEmpty());

    TxnRec all = same;
    all.Amt = 1;
    all.Type = 'R';
    all.Ref = QStringLiteral("r");
    all.Narrative = QStringLiteral("n");
    all.Accid1 = 11;
    all.Accid2 = 12;
    all.Accid3 = 13;
    all.Accid4 = 14;
    all.Rpt.Freq = 'W'; // an instance's schedule copy is not compared
    EXPECT_TRUE(CopyChangesToMaster(core, m, all));
    EXPECT_EQ(prompter.messages(), QStringList{"Copying the following fields to Master : amt, type, ref, narrative, "
                                               "accid1, accid2, accid3, accid4"});
    EXPECT_EQ(m.Amt, 1);
    EXPECT_EQ(m.Type, 'R');
    EXPECT_EQ(m.Accid4, 14);
    EXPECT_EQ(m.Freq, 'M');

    prompter.clearRecorded();
    TxnRec sched = TxnFromRepeater(r);
    sched.Rpt.StartDate = D(2024, 2, 1);
    sched.Rpt.EndDate = D(2025, 1, 1);
    sched.Rpt.Rptinc = 2;
    sched.Rpt.Gento = 4;
    sched.Rpt.RptCt = 8;
    sched.Rpt.RptActive = false;
    sched.Rpt.Rmdays = 3;
    sched.Rpt.Freq = 'Y';
    m = r;
    EXPECT_TRUE(CopyChangesToMaster(core, m, sched));
    EXPECT_EQ(prompter.messages(), QStringList{"Copying the following fields to Master : RptStartDate, RptEndDate, "
                                               "RptInc, GenTo, RptCt, RptActive, RmDays, Freq"});
    EXPECT_EQ(m.Freq, 'Y');
    EXPECT_EQ(m.Gento, 4);
    EXPECT_EQ(m.RptCt, 8);
    EXPECT_EQ(CalToDateStr(m.StartDate), "2024-02-01");

    // Adding a transaction that names a master copies its differences too.
    prompter.clearRecorded();
    TxnRec added = txnOf('P', 4200, D(2024, 2, 10), bank, shop, food, groceries);
    added.Narrative = QStringLiteral("Rent");
    added.Masterid = r.Id;
    ASSERT_TRUE(addWithPostings(added));
    EXPECT_EQ(prompter.messages(), QStringList{"Copying the following fields to Master : amt"});
    EXPECT_EQ(reread(r.Id).Amt, 4200);
}

TEST_F(RepeaterEdit, DeleteOrdinaryTransactionAndReconciledBalance) {
    TxnRec t = txnOf('P', 500, D(2024, 2, 1), bank, shop, food, groceries);
    ASSERT_TRUE(addWithPostings(t));
    core.settings().RebalNeeded = false;
    prompter.expectQuestion("Delete txn?", 'N');
    EXPECT_FALSE(DeleteTransaction(core, t.Id));
    EXPECT_EQ(count("SELECT count(*) FROM pstg WHERE Txnid > 0"), 4);
    prompter.expectQuestion("Delete txn?", 'Y');
    EXPECT_TRUE(DeleteTransaction(core, t.Id));
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM pstg WHERE Txnid > 0"), 0);
    EXPECT_TRUE(core.settings().RebalNeeded);

    // A reconciled balance is not checked against itself.
    ASSERT_TRUE(RecordReconciledBalance(core, bank, D(2024, 3, 31), 12345));
    ASSERT_NO_FATAL_FAILURE(reconcileBank("2024-03-31"));
    prompter.expectQuestion("Unreconcile balance?", 'Y');
    EXPECT_TRUE(DeleteTransaction(core, int(count("SELECT max(Id) FROM txn"))));
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 0);

    EXPECT_FALSE(DeleteTransaction(core, 77));
    EXPECT_EQ(prompter.messages(), QStringList{"txn not found 77"});
}

// Deleting instance n of a monthly repeater (instances 1 to 7) with the
// answers given: whether it goes, the instances left, Gento, and what the
// next generation makes of the gap (an earlier instance is not refilled).
struct DeleteCase {
    bool active;
    int instance;
    std::vector<std::pair<const char*, char>> answers;
    bool deleted;
    std::vector<int> left;
    int gento;
    std::vector<int> afterGeneration;
};

const char* const kInactiveLater = "Txn is an instance of an Inactive Repeater. Also delete all later instances?";
const std::vector<int> kAll{1, 2, 3, 4, 5, 6, 7};

class RepeaterDelete : public RepeaterEdit, public ::testing::WithParamInterface<DeleteCase> {};

TEST_P(RepeaterDelete, AnswersDecideWhatGoes) {
    const DeleteCase& c = GetParam();
    ASSERT_NO_FATAL_FAILURE(makeMonthly(c.active));
    const int id = idOfInstance(master, c.instance);
    for (const auto& [question, answer] : c.answers)
        prompter.expectQuestion(QString::fromUtf8(question), answer);
    EXPECT_EQ(DeleteTransaction(core, id), c.deleted);
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(instanceNumbers(master), c.left);
    EXPECT_EQ(reread(master).Gento, c.gento);
    EXPECT_EQ(core.settings().RebalNeeded, c.deleted);
    // The postings of a deleted instance go (a regenerated one has new ones).
    const bool gone = std::find(c.left.begin(), c.left.end(), c.instance) == c.left.end();
    EXPECT_EQ(count(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1").arg(id)), gone ? 0 : 4);
    ASSERT_TRUE(GenerateAllRepeaters(core));
    EXPECT_EQ(instanceNumbers(master), c.afterGeneration);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, RepeaterDelete,
    ::testing::Values(
        DeleteCase{true, 2, {{kAlsoLater, 'N'}, {kWillNotRegen, 'Y'}}, true, {1, 3, 4, 5, 6, 7}, 7, {1, 3, 4, 5, 6, 7}},
        DeleteCase{true, 5, {{kAlsoLater, 'Y'}, {kWillRegen, 'Y'}, {kRegenNow, 'N'}}, true, {1, 2, 3, 4}, 4, kAll},
        DeleteCase{true, 1, {{kAlsoLater, 'Y'}, {kWillRegen, 'Y'}, {kRegenNow, 'N'}}, true, {}, 0, kAll},
        // The latest instance: no question about later ones.
        DeleteCase{true, 7, {{kWillRegen, 'Y'}, {kRegenNow, 'Y'}}, true, kAll, 7, kAll},
        DeleteCase{true, 3, {{kAlsoLater, 'C'}}, false, kAll, 7, kAll},
        DeleteCase{true, 3, {{kAlsoLater, ' '}}, false, kAll, 7, kAll}, // closed without an answer
        DeleteCase{true, 3, {{kAlsoLater, 'Y'}, {kWillRegen, 'N'}}, false, kAll, 7, kAll},
        // An inactive repeater's latest instance goes without a question.
        DeleteCase{false, 7, {}, true, {1, 2, 3, 4, 5, 6}, 6, {1, 2, 3, 4, 5, 6}},
        DeleteCase{false, 3, {{kInactiveLater, 'N'}}, true, {1, 2, 4, 5, 6, 7}, 7, {1, 2, 4, 5, 6, 7}},
        DeleteCase{false, 3, {{kInactiveLater, 'Y'}}, true, {1, 2}, 2, {1, 2}}));

TEST_F(RepeaterEdit, DeleteInstanceGuardedByReconciledBalance) {
    ASSERT_NO_FATAL_FAILURE(makeMonthly());
    ASSERT_NO_FATAL_FAILURE(reconcileBank("2024-03-31"));
    const int second = idOfInstance(master, 2);
    prompter.expectQuestion(kBankRecon, 'N');
    EXPECT_FALSE(DeleteTransaction(core, second));
    EXPECT_EQ(instanceNumbers(master).size(), 7u);
    // An instance after the reconciled date asks only the repeater's questions.
    prompter.expectQuestion(kAlsoLater, 'N');
    prompter.expectQuestion(kWillNotRegen, 'Y');
    EXPECT_TRUE(DeleteTransaction(core, idOfInstance(master, 5)));
}

TEST_F(RepeaterEdit, OrphanInstanceIsDeletedAsOrdinary) {
    ASSERT_NO_FATAL_FAILURE(makeMonthly());
    ASSERT_TRUE(DeleteRepeaterRow(core, master));
    prompter.expectQuestion("Delete txn?", 'Y');
    EXPECT_TRUE(DeleteTransaction(core, idOfInstance(master, 3)));
    EXPECT_EQ(instanceNumbers(master), (std::vector<int>{1, 2, 4, 5, 6, 7}));
}

TEST_F(RepeaterEdit, RemovingAndDetachingInstances) {
    ASSERT_NO_FATAL_FAILURE(makeMonthly());
    ASSERT_TRUE(DeleteInstancesFrom(core, master, 6));
    EXPECT_EQ(instanceNumbers(master), (std::vector<int>{1, 2, 3, 4, 5}));
    EXPECT_EQ(reread(master).Gento, 5);
    EXPECT_EQ(CalToDateStr(reread(master).LastDate), "2024-05-10");
    ASSERT_TRUE(DeleteRepeaterRow(core, master));
    RptrRec gone;
    EXPECT_FALSE(ReadRepeater(core, master, gone));
    EXPECT_TRUE(DeleteRepeaterRow(core, master)); // nothing left to delete is no failure
    EXPECT_TRUE(prompter.messages().isEmpty());
}

class ReconciledGuard : public RepeaterFixture {
protected:
    TxnRec old;
    void SetUp() override {
        RepeaterFixture::SetUp();
        if (HasFatalFailure())
            return;
        ASSERT_TRUE(core.store().exec(
            QStringLiteral("UPDATE obj SET Reconciled = '2024-03-31' WHERE Id IN (%1, %2)").arg(bank).arg(shop)));
        old = txnOf('P', 1000, D(2024, 3, 15), bank, shop, food, groceries);
        ASSERT_TRUE(addWithPostings(old));
        ASSERT_TRUE(ReadTxn(core, old.Id, old));
    }
};

TEST_F(ReconciledGuard, NoOpAmendmentAsksNothing) {
    TxnRec same = old;
    EXPECT_TRUE(CheckReconciledBalances(core, same, old));
    same.Narrative = QStringLiteral("only the text changes");
    same.Amt = -1000; // the same postings
    EXPECT_TRUE(CheckReconciledBalances(core, same, old));
    TxnRec noDate2 = old;
    noDate2.Date2 = CalDate(); // not yet filled in: the same as Txndate
    EXPECT_TRUE(CheckReconciledBalances(core, noDate2, old));
    // A master and a cancelled record move nothing; nor does a later date.
    TxnRec later = old;
    later.Txndate = later.Date2 = D(2024, 4, 2);
    TxnRec laterToo = later;
    laterToo.Amt = 5;
    EXPECT_TRUE(CheckReconciledBalances(core, later, laterToo));
    TxnRec masterRec = old;
    masterRec.Role = roleMaster;
    TxnRec cancelled = old;
    cancelled.Cancelled = true;
    EXPECT_TRUE(CheckReconciledBalances(core, masterRec, cancelled));
}

TEST_F(ReconciledGuard, RealChangeAsks) {
    TxnRec changed = old;
    changed.Amt = 1200;
    prompter.expectQuestion(kBankRecon, 'Y');
    EXPECT_TRUE(CheckReconciledBalances(core, old, changed)); // shop is a counterparty: not asked
    prompter.expectQuestion(kBankRecon, 'N');
    EXPECT_FALSE(CheckReconciledBalances(core, old, changed));

    // Moving it out of the reconciled period touches the old date only.
    TxnRec moved = old;
    moved.Date2 = D(2024, 4, 15);
    prompter.expectQuestion(kBankRecon, 'Y');
    EXPECT_TRUE(CheckReconciledBalances(core, moved, old));
    // Deleting: the record against an empty one.
    TxnRec empty;
    InitTxnRec(empty);
    prompter.expectQuestion(kBankRecon, 'Y');
    EXPECT_TRUE(CheckReconciledBalances(core, old, empty));
    TxnRec cancelled = old;
    cancelled.Cancelled = true;
    prompter.expectQuestion(kBankRecon, 'Y');
    EXPECT_TRUE(CheckReconciledBalances(core, cancelled, old));
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(ReconciledGuard, EveryAccountDatePairIsChecked) {
    // Two transfers touching eight different account-date pairs, the most two
    // records can; the last two reached lie in reconciled periods.
    const int bank2 = addObj(otExtAcc, QStringLiteral("Bank2"));
    const int bank3 = addObj(otExtAcc, QStringLiteral("Bank3"));
    const int bank4 = addObj(otExtAcc, QStringLiteral("Bank4"));
    const int pot2 = addObj(otPot, QStringLiteral("Pot2"));
    const int pot3 = addObj(otPot, QStringLiteral("Pot3"));
    const int last = addObj(otPot, QStringLiteral("Savings"));
    ASSERT_TRUE(core.store().exec(
        QStringLiteral("UPDATE obj SET Reconciled = '2024-05-31' WHERE Id IN (%1, %2)").arg(last).arg(pot3)));
    TxnRec a = txnOf('C', 100, D(2024, 6, 10), bank2, bank3, food, pot2);
    a.Date2 = D(2024, 6, 12);
    TxnRec b = txnOf('C', 250, D(2024, 5, 20), bank4, bank, pot3, last);
    b.Date2 = D(2024, 6, 20);
    prompter.expectQuestion("Reconciled balance for account \"Pot3\" will be altered!\n"
                            "Are you sure you want to add/amend/delete transaction?",
                            'Y');
    prompter.expectQuestion("Reconciled balance for account \"Savings\" will be altered!\n"
                            "Are you sure you want to add/amend/delete transaction?",
                            'Y');
    EXPECT_TRUE(CheckReconciledBalances(core, a, b));
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_TRUE(prompter.messages().isEmpty()); // no program error
}

} // namespace
