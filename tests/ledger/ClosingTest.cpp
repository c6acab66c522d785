// Deleting and closing objects: the order of refusals, the questions, and
// the open/close date moves made when a transaction is entered.
#include "LedgerFixture.h"

#include "ledger/Balances.h"
#include "ledger/Closing.h"

namespace {

class Closing : public LedgerFixture {
protected:
    ObjRec obj(int id) {
        ObjRec r;
        EXPECT_TRUE(ReadObj(core, id, r));
        return r;
    }

    bool exists(int id) { return scalar(QStringLiteral("SELECT count(*) FROM obj WHERE Id = %1").arg(id)) == 1; }

    void setDates(int id, const CalDate& open, const CalDate& close, const CalDate& last = CalDate()) {
        ObjRec r = obj(id);
        r.OpenDate = open;
        r.CloseDate = close;
        r.LastPstgDate = last;
        ASSERT_TRUE(WriteObj(core, r));
    }

    void addRepeater(int rptrId, int accid, bool active) {
        ASSERT_TRUE(core.store().exec(QStringLiteral("INSERT INTO rptr (Id, Freq, RptActive, Type, Accid1) "
                                                     "VALUES (%1, 'M', %2, 'P', %3)")
                                          .arg(rptrId)
                                          .arg(active ? 1 : 0)
                                          .arg(accid)));
    }

    void setMovtBal(int id, Amount bfd) {
        MovtRec m;
        InitMovtRec(m);
        m.Accid = id;
        m.BfdBal = bfd;
        ASSERT_TRUE(WriteMovt(core, m));
    }

    static CalDate Open() { return IntToCal(kNotClosed); }
};

TEST_F(Closing, DeleteRefusesWhilePostingsBalancesOrLinksRemain) {
    const int bank = addObj(otExtAcc, "Bank");
    const int shop = addObj(otCpty, "Shop");
    TxnRec t = txnOf('P', 100, D(2024, 2, 1), bank, shop);
    ASSERT_TRUE(addWithPostings(t));
    EXPECT_FALSE(DeleteObject(core, bank));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Cannot delete - 1 posting(s) found")});

    const int pot = addObj(otPot, "Savings");
    ObjRec p = obj(pot);
    p.BfdBal = 1;
    ASSERT_TRUE(WriteObj(core, p));
    prompter.clearRecorded();
    EXPECT_FALSE(DeleteObject(core, pot));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Cannot delete - opening balance is not zero")});

    const int lender = addObj(otCpty, "Lender");
    ObjRec cpty = obj(lender), credit;
    ASSERT_TRUE(CreateCreditAccount(core, cpty, credit));
    prompter.clearRecorded();
    EXPECT_FALSE(DeleteObject(core, lender));
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("Cannot delete - counterparty has 1 external account(s)")});

    // An inactive repeater still blocks deletion, but not closing.
    const int cash = addObj(otExtAcc, "Cash");
    ASSERT_NO_FATAL_FAILURE(addRepeater(4, cash, false));
    prompter.clearRecorded();
    EXPECT_FALSE(DeleteObject(core, cash));
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("Cannot delete -  Account is referenced by Repeater #4")});
    core.SetRebalNeeded(false); // the payment above set it
    prompter.expectPickDate(true, D(2024, 5, 31));
    EXPECT_TRUE(CloseAccount(core, cash));
    EXPECT_EQ(CalToInt(obj(cash).CloseDate), 20240531);

    EXPECT_TRUE(exists(bank) && exists(pot) && exists(lender) && exists(cash));
}

TEST_F(Closing, DeletingAGroupMovesItsMembersOutOnlyWhenItGoes) {
    const int grp = addObj(otPgrp, "Food");
    const int a = addObj(otPot, "A", grp);
    const int b = addObj(otPot, "B", grp);
    const int sub = addObj(otPgrp, "Sub", grp);
    addRepeater(9, grp, false); // refused after the members were moved

    prompter.expectQuestion(QStringLiteral("Cannot delete - group contains 3 item(s) - empty Group?"), 'Y');
    EXPECT_FALSE(DeleteObject(core, grp));
    EXPECT_EQ(obj(a).Grpid, grp); // the refusal changed nothing
    ASSERT_TRUE(core.store().exec(QStringLiteral("DELETE FROM rptr")));

    prompter.expectQuestion(QStringLiteral("Cannot delete - group contains 3 item(s) - empty Group?"), 'Y');
    prompter.expectQuestion(QStringLiteral("Delete internal group \"Food\" ?"), 'N');
    EXPECT_FALSE(DeleteObject(core, grp));
    EXPECT_EQ(obj(b).Grpid, grp);

    prompter.expectQuestion(QStringLiteral("Cannot delete - group contains 3 item(s) - empty Group?"), 'N');
    EXPECT_FALSE(DeleteObject(core, grp));

    ASSERT_TRUE(Rebalance(core));
    prompter.expectQuestion(QStringLiteral("Cannot delete - group contains 3 item(s) - empty Group?"), 'Y');
    prompter.expectQuestion(QStringLiteral("Delete internal group \"Food\" ?"), 'Y');
    EXPECT_TRUE(DeleteObject(core, grp));
    EXPECT_FALSE(exists(grp));
    EXPECT_EQ(obj(a).Grpid, 0);
    EXPECT_EQ(obj(b).Grpid, 0);
    EXPECT_EQ(obj(sub).Grpid, 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM movts WHERE Accid = %1").arg(grp)), 0);

    // A plain account goes with its anchor posting.
    prompter.expectQuestion(QStringLiteral("Delete internal account \"A\" ?"), 'Y');
    EXPECT_TRUE(DeleteObject(core, a));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Objid = %1").arg(a)), 0);
    EXPECT_FALSE(DeleteObject(core, 0));
}

TEST_F(Closing, CloseDateQuestionsInTheirOrder) {
    const int bank = addObj(otExtAcc, "Bank");
    ASSERT_NO_FATAL_FAILURE(setDates(bank, D(2020, 1, 1), Open(), D(2024, 3, 9)));

    core.SetRebalNeeded(true);
    ASSERT_NO_FATAL_FAILURE(addRepeater(3, bank, true));
    EXPECT_FALSE(CloseAccount(core, bank)); // the rebalance test first, no question
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Cannot close - Rebalance needed")});
    core.SetRebalNeeded(false);
    prompter.clearRecorded();
    EXPECT_FALSE(CloseAccount(core, bank));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Cannot close - Account is in active Repeater #3")});
    ASSERT_TRUE(core.store().exec(QStringLiteral("DELETE FROM rptr")));

    ASSERT_NO_FATAL_FAILURE(setMovtBal(bank, 500));
    const QString closing = QStringLiteral("Closing external account \"Bank\" ... \n"
                                           "OK to set close date to last posting date 2024-03-09 ?");
    prompter.expectQuestion(QStringLiteral("Account balance not zero, are you sure you want to close?"), 'N');
    EXPECT_FALSE(CloseAccount(core, bank));
    prompter.expectQuestion(QStringLiteral("Account balance not zero, are you sure you want to close?"), 'Y');
    prompter.expectQuestion(closing, 'C');
    EXPECT_FALSE(CloseAccount(core, bank));
    EXPECT_EQ(CalToInt(obj(bank).CloseDate), kNotClosed);

    ASSERT_NO_FATAL_FAILURE(setMovtBal(bank, 0));
    prompter.expectQuestion(closing, 'N');
    prompter.expectPickDate(true, CalDate()); // OK on an empty box is no date
    EXPECT_FALSE(CloseAccount(core, bank));
    prompter.expectQuestion(closing, 'N');
    prompter.expectPickDate(true, D(2024, 4, 1));
    EXPECT_TRUE(CloseAccount(core, bank));
    EXPECT_EQ(CalToInt(obj(bank).CloseDate), 20240401);
    prompter.expectQuestion(closing, 'Y');
    EXPECT_TRUE(CloseAccount(core, bank));
    EXPECT_EQ(CalToInt(obj(bank).CloseDate), 20240309);
}

TEST_F(Closing, GroupsCloseOnlyWhenEveryMemberHas) {
    const int grp = addObj(otCtgyGrp, "Bills");
    const int gas = addObj(otCtgy, "Gas", grp);
    const int water = addObj(otCtgy, "Water", grp);
    ASSERT_NO_FATAL_FAILURE(setDates(gas, D(2020, 1, 1), D(2023, 5, 1)));

    EXPECT_FALSE(CloseGroup(core, grp));
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("Group contains open subgroup/account \"Water\" - cannot close")});

    ASSERT_NO_FATAL_FAILURE(setDates(water, D(2020, 1, 1), D(2023, 8, 31)));
    const QString q = QStringLiteral("Closing Group \"Bills\"  ... \nOK to use latest account close date in group "
                                     "2023-08-31 ?");
    prompter.expectQuestion(q, 'Y');
    EXPECT_TRUE(CloseGroup(core, grp));
    EXPECT_EQ(CalToInt(obj(grp).CloseDate), 20230831);

    prompter.expectQuestion(q, 'N');
    prompter.expectPickDate(true, D(2023, 12, 31));
    EXPECT_TRUE(CloseGroup(core, grp));
    EXPECT_EQ(CalToInt(obj(grp).CloseDate), 20231231);

    const int empty = addObj(otCtgyGrp, "Empty");
    prompter.clearRecorded();
    prompter.expectPickDate(true, D(2024, 1, 2));
    EXPECT_TRUE(CloseGroup(core, empty));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Group is empty - enter close date")});
    EXPECT_EQ(CalToInt(obj(empty).CloseDate), 20240102);

    CalDate date;
    EXPECT_FALSE(AskGroupCloseDate(core, obj(gas), CalDate(), date)); // not a group
}

TEST_F(Closing, OpenAtTransactionDateMovesDatesWithItsQuestions) {
    const int pot = addObj(otPot, "Holiday");
    ASSERT_NO_FATAL_FAILURE(setDates(pot, D(2023, 3, 1), D(2024, 2, 29)));
    ObjRec p = obj(pot);

    const QString closed = QStringLiteral("Account \"Holiday\" is closed - transact anyway ?");
    prompter.expectQuestion(closed, 'N');
    EXPECT_FALSE(CheckAccountOpenAt(core, p, D(2024, 3, 1)));
    prompter.expectQuestion(closed, 'Y');
    prompter.expectQuestion(QStringLiteral("Forward-date account close date to transaction date?"), 'N');
    EXPECT_TRUE(CheckAccountOpenAt(core, p, D(2024, 3, 1)));
    EXPECT_EQ(CalToInt(obj(pot).CloseDate), 20240229);
    prompter.expectQuestion(closed, 'Y');
    prompter.expectQuestion(QStringLiteral("Forward-date account close date to transaction date?"), 'Y');
    EXPECT_TRUE(CheckAccountOpenAt(core, p, D(2024, 3, 1)));
    EXPECT_EQ(CalToInt(obj(pot).CloseDate), 20240301);
    EXPECT_EQ(CalToInt(p.CloseDate), 20240301); // the caller's copy follows

    // Opened last year: asks before moving the open date back.
    const QString early = QStringLiteral("Transaction pre-dates earliest for Internal Account \"Holiday\" on "
                                         "2023-03-01 - OK ?");
    prompter.expectQuestion(early, 'N');
    EXPECT_FALSE(CheckAccountOpenAt(core, p, D(2023, 1, 1)));
    EXPECT_EQ(CalToInt(obj(pot).OpenDate), 20230301);
    prompter.expectQuestion(early, 'Y');
    EXPECT_TRUE(CheckAccountOpenAt(core, p, D(2023, 1, 1)));
    EXPECT_EQ(CalToInt(obj(pot).OpenDate), 20230101);

    // Opening in the future: moved back without a question.
    const int fresh = addObj(otPot, "Fresh");
    ASSERT_NO_FATAL_FAILURE(setDates(fresh, D(2024, 7, 1), Open()));
    ObjRec f = obj(fresh);
    EXPECT_TRUE(CheckAccountOpenAt(core, f, D(2024, 6, 1)));
    EXPECT_EQ(CalToInt(obj(fresh).OpenDate), 20240601);
    EXPECT_TRUE(CheckAccountOpenAt(core, f, D(2024, 6, 20)));
    EXPECT_TRUE(prompter.allAnswered());
}

TEST(GroupFitTest, KindsAndDates) {
    ObjRec group, member;
    group.Id = 12;
    group.Type = otCtgyGrp;
    group.Name = QStringLiteral("Bills");
    group.OpenDate = MakeDate(2020, 1, 1);
    group.CloseDate = MakeDate(2023, 12, 31);
    member.Type = otCtgy;
    member.Name = QStringLiteral("Gas");

    EXPECT_EQ(CheckGroupFit(group, member).code, 0); // no open date
    member.OpenDate = MakeDate(2019, 1, 1);
    GroupFit fit = CheckGroupFit(group, member);
    EXPECT_EQ(fit.code, 1);
    EXPECT_EQ(fit.text, QStringLiteral(" Group 12 \"Bills\" opened too late for Account / Sub-Group \"Gas\" "));
    member.OpenDate = MakeDate(2021, 1, 1);
    member.CloseDate = IntToCal(kNotClosed);
    fit = CheckGroupFit(group, member);
    EXPECT_EQ(fit.code, 2);
    EXPECT_EQ(fit.text, QStringLiteral(" Group 12 \"Bills\" closed too soon for Account / Sub-Group \"Gas\" "));
    member.CloseDate = MakeDate(2023, 12, 31);
    fit = CheckGroupFit(group, member);
    EXPECT_EQ(fit.code, 0);
    EXPECT_TRUE(fit.text.isEmpty());

    member.Type = otCtgyGrp; // a sub-group of the same family fits
    EXPECT_EQ(CheckGroupFit(group, member).code, 0);
    for (int bad : {int(otPot), int(otPgrp), 2, 5}) {
        member.Type = bad;
        fit = CheckGroupFit(group, member);
        EXPECT_EQ(fit.code, 3) << bad;
        EXPECT_EQ(fit.text, QStringLiteral("Acc/Grp invalid acctype combi"));
    }
    member.Type = otCtgy;
    group.Type = otCtgy; // a leaf is no group
    EXPECT_EQ(CheckGroupFit(group, member).code, 3);
}

} // namespace
