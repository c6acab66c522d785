// The editors' OK: duplicate names, the opening-balance pot, the counterparty
// type rule, group choices and regrouping without loops.
#include "LedgerFixture.h"

#include "ledger/ObjectEditing.h"

namespace {

class ObjectEditing : public LedgerFixture {
protected:
    ObjectEdit newEdit(int kind, const QString& name) {
        ObjectEdit e;
        InitObjRec(e.rec);
        e.rec.Type = kind;
        e.rec.Name = name;
        e.rec.CloseDate = IntToCal(kNotClosed);
        e.isNew = true;
        return e;
    }
    ObjectEdit editOf(int id) {
        ObjectEdit e;
        EXPECT_TRUE(ReadObj(core, id, e.rec));
        e.storedBfd = e.rec.BfdBal;
        e.storedGrpid = e.rec.Grpid;
        return e;
    }
    PotChooser refuseToChoose() {
        return [](ObjRec&) {
            ADD_FAILURE() << "no pot choice expected";
            return false;
        };
    }
    Amount bfdOf(int id) {
        ObjRec r;
        EXPECT_TRUE(ReadObj(core, id, r));
        return r.BfdBal;
    }
};

TEST_F(ObjectEditing, DuplicateNamesAreRefusedInAnyCaseButProviderHeldAccountsMayShare) {
    addObj(otCtgy, QStringLiteral("Groceries"));
    const std::int64_t before = scalar(QStringLiteral("SELECT COUNT(*) FROM obj"));
    ObjectEdit dup = newEdit(otCtgy, QStringLiteral("GROCERIES"));
    EXPECT_FALSE(SaveObjectEdit(core, dup, refuseToChoose()));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Category \"Groceries\" already exists")});
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM obj")), before);

    // The same name of another kind is no duplicate.
    ObjectEdit cpty = newEdit(otCpty, QStringLiteral("groceries"));
    cpty.rec.CptyRcvs = true;
    EXPECT_TRUE(SaveObjectEdit(core, cpty, refuseToChoose()));

    // Renaming another category onto the name is refused as well.
    ObjectEdit other = editOf(addObj(otCtgy, QStringLiteral("Fuel")));
    other.rec.Name = QStringLiteral("groceries");
    EXPECT_FALSE(SaveObjectEdit(core, other, refuseToChoose()));

    // External accounts: with a provider the name may repeat, without not.
    const int bank = addObj(otCpty, QStringLiteral("Bank"));
    for (int i = 0; i < 2; ++i) {
        ObjectEdit acc = newEdit(otExtAcc, QStringLiteral("Bank Savings"));
        acc.rec.AccWith = bank;
        EXPECT_TRUE(SaveObjectEdit(core, acc, refuseToChoose()));
    }
    ObjectEdit noProvider = newEdit(otExtAcc, QStringLiteral("bank savings"));
    EXPECT_FALSE(SaveObjectEdit(core, noProvider, refuseToChoose()));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM obj WHERE lower(Name) = 'bank savings'")), 2);
    // The first account became the provider's credit account, and stays so.
    ObjRec provider;
    ASSERT_TRUE(ReadObj(core, bank, provider));
    EXPECT_EQ(provider.AccWith, int(scalar(QStringLiteral("SELECT MIN(Id) FROM obj WHERE Type = 1"))));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pstg WHERE Txnid = 0")),
              scalar(QStringLiteral("SELECT COUNT(*) FROM obj WHERE Type IN (1, 3, 4, 6)")));
}

TEST_F(ObjectEditing, OpeningBalanceChangeMovesThePotByTheDifference) {
    const int pot = addObj(otPot, QStringLiteral("General"));
    ObjectEdit setup = editOf(pot);
    setup.rec.BfdBal = -10000;
    ASSERT_TRUE(SaveObjectEdit(core, setup, refuseToChoose()));
    const int acc = addObj(otExtAcc, QStringLiteral("Current"));
    ObjectEdit first = editOf(acc);
    first.rec.BfdBal = 10000;
    // No opening-balance pot yet: asked for one, then asked to use it.
    prompter.expectQuestion(
        QStringLiteral("The change to opening balance must be posted to a pot : please specify a pot for this"), 'Y');
    prompter.expectQuestion(
        QStringLiteral("The change to opening balance must be posted to a pot :  OK to use \"General\" for this ?"),
        'Y');
    ASSERT_TRUE(SaveObjectEdit(core, first, [&](ObjRec& r) { return ReadObj(core, pot, r); }));
    EXPECT_EQ(bfdOf(pot), 0);
    EXPECT_EQ(core.settings().OpeningBalPotId, pot);
    EXPECT_TRUE(core.settings().RebalNeeded);

    ObjectEdit second = editOf(acc);
    second.rec.BfdBal = 15000;
    prompter.expectQuestion(QString(), 'Y');
    ASSERT_TRUE(SaveObjectEdit(core, second, refuseToChoose()));
    EXPECT_EQ(bfdOf(acc), 15000);
    EXPECT_EQ(bfdOf(pot), 5000);

    // A reconciled account asks first; No, and Cancel at the pot question,
    // leave both records as they were.
    ObjectEdit third = editOf(acc);
    third.rec.Reconciled = QStringLiteral("2024-03-31");
    third.rec.BfdBal = 0;
    prompter.expectQuestion(QStringLiteral("Change to b/fd bal will alter reconciled balance - continue anyway?"), 'N');
    EXPECT_FALSE(SaveObjectEdit(core, third, refuseToChoose()));
    prompter.expectQuestion(QString(), 'Y');
    prompter.expectQuestion(QString(), 'C');
    EXPECT_FALSE(SaveObjectEdit(core, third, refuseToChoose()));
    EXPECT_EQ(bfdOf(acc), 15000);
    EXPECT_EQ(bfdOf(pot), 5000);
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(ObjectEditing, RefusalsComeBeforeAnyQuestion) {
    addObj(otExtAcc, QStringLiteral("Cash"));
    // A duplicate with an opening balance is refused without the pot questions
    // (the scripted prompter fails on any question).
    ObjectEdit dup = newEdit(otExtAcc, QStringLiteral("CASH"));
    dup.rec.BfdBal = 500;
    EXPECT_FALSE(SaveObjectEdit(core, dup, refuseToChoose()));
    ObjectEdit cpty = newEdit(otCpty, QStringLiteral("Plumber"));
    EXPECT_FALSE(SaveObjectEdit(core, cpty, refuseToChoose()));
    ObjectEdit empty = newEdit(otPot, QStringLiteral("  "));
    EXPECT_FALSE(SaveObjectEdit(core, empty, refuseToChoose()));
    EXPECT_EQ(prompter.messages(), (QStringList{QStringLiteral("External Account \"Cash\" already exists"),
                                                QStringLiteral("Counterparty must be a payer or a payee (or both)"),
                                                QStringLiteral("Account name must be specified")}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM obj")), 1);
}

TEST_F(ObjectEditing, GroupsCannotBeMovedIntoThemselvesOrTheirSubGroups) {
    const int top = addObj(otPgrp, QStringLiteral("Top"));
    const int mid = addObj(otPgrp, QStringLiteral("Mid"), top);
    const int low = addObj(otPgrp, QStringLiteral("Low"), mid);
    const int pot = addObj(otPot, QStringLiteral("Food"), low);
    const QString refusal = QStringLiteral("Cannot move group \"Top\" into itself or one of its own sub-groups");
    for (int target : {top, mid, low}) {
        EXPECT_FALSE(MoveObjectsToGroup(core, {pot, top}, target));
        ObjectEdit e = editOf(top);
        EXPECT_FALSE(CheckGroupChoice(core, e, target, QStringLiteral(" - back-date ?")));
    }
    EXPECT_EQ(prompter.messages(), QStringList(6, refusal));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Grpid FROM obj WHERE Id = ") + QString::number(pot)), low);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Grpid FROM obj WHERE Id = ") + QString::number(top)), 0);

    // Moving down the tree the other way is fine.
    EXPECT_TRUE(MoveObjectsToGroup(core, {low, pot}, top));
    EXPECT_EQ(GroupPath(core, pot), QStringLiteral(" Top :"));
    ObjectEdit e = editOf(top);
    EXPECT_TRUE(CheckGroupChoice(core, e, 0, QString()));
}

TEST_F(ObjectEditing, AGroupOpenedLaterIsBackDatedOnlyWhenTheSaveGoesThrough) {
    const int grp = addObj(otCtgyGrp, QStringLiteral("Household"));
    ObjectEdit g = editOf(grp);
    g.rec.OpenDate = D(2024, 5, 1);
    ASSERT_TRUE(SaveObjectEdit(core, g, refuseToChoose()));
    ObjectEdit c = newEdit(otCtgy, QStringLiteral("Rent"));
    c.rec.OpenDate = D(2024, 2, 1);
    prompter.expectQuestion(QString(), 'N');
    ASSERT_TRUE(CheckGroupChoice(core, c, grp, QStringLiteral(" - back-date?")));
    ASSERT_TRUE(SaveObjectEdit(core, c, refuseToChoose()));
    ObjRec stored;
    ASSERT_TRUE(ReadObj(core, grp, stored));
    EXPECT_EQ(CalToInt(stored.OpenDate), 20240501);
    EXPECT_EQ(c.rec.Grpid, grp);

    ObjectEdit d = newEdit(otCtgy, QStringLiteral("Rent"));
    d.rec.OpenDate = D(2024, 2, 1);
    prompter.expectQuestion(QString(), 'Y');
    ASSERT_TRUE(CheckGroupChoice(core, d, grp, QStringLiteral(" - back-date?")));
    EXPECT_FALSE(SaveObjectEdit(core, d, refuseToChoose())); // duplicate
    ASSERT_TRUE(ReadObj(core, grp, stored));
    EXPECT_EQ(CalToInt(stored.OpenDate), 20240501);
}

TEST_F(ObjectEditing, DefaultAccountNames) {
    EXPECT_EQ(DefaultAccountName(QStringLiteral("Bank"), QStringLiteral("Savings")), QStringLiteral("Bank Savings"));
    EXPECT_EQ(DefaultAccountName(QStringLiteral("Bank"), QString()), QStringLiteral("Bank owes"));
    EXPECT_EQ(DefaultAccountName(QString(), QStringLiteral("Savings")), QStringLiteral("Notes & Coin"));
}

} // namespace
