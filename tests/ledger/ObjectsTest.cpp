// Object records: the row mapping, the outdated-copy guard, name uniqueness,
// kind names and the group tree.
#include "LedgerFixture.h"

using Objects = LedgerFixture;

TEST_F(Objects, NewRowsTakeIdsAndStoreTheWholeRecord) {
    ObjRec r;
    InitObjRec(r);
    EXPECT_TRUE(r.AllowNegBal && r.AllowZeroBal && r.AllowPosBal);
    EXPECT_EQ(r.OpenDate.dayOfWeek, 99);
    r.Type = otExtAcc;
    r.Name = QStringLiteral("Bank");
    r.Sweep = true;
    r.CloseDate = IntToCal(kNotClosed);
    r.OpenDate = D(2024, 1, 5);
    r.Reconciled = QStringLiteral("2024-02-29");
    r.Fav = true;
    r.BfdBal = -250;
    SetWriteNote(core, QStringLiteral("opened at the branch"));
    ASSERT_TRUE(AddObj(core, r));
    EXPECT_EQ(r.Id, 1);
    EXPECT_TRUE(r.CreateTS.isValid());
    EXPECT_FALSE(Ledger(core).notePending);

    Query q(core.store(), QStringLiteral("SELECT * FROM obj WHERE Id = 1"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.integer("Version"), 1);
    EXPECT_EQ(q.integer("SweepTo"), 999);
    EXPECT_EQ(q.int64("CloseDate"), kNotClosed);
    EXPECT_EQ(q.integer("OpenDate"), 20240105);
    EXPECT_EQ(q.text("Name"), QStringLiteral("Bank"));
    EXPECT_EQ(q.integer("Bal"), 0);
    EXPECT_TRUE(q.isNull("BalTo"));
    EXPECT_TRUE(q.boolean("AllowZeroBal"));
    q.reset();

    ObjRec back;
    ASSERT_TRUE(ReadObj(core, 1, back));
    EXPECT_EQ(Ledger(core).readNote, QStringLiteral("opened at the branch"));
    EXPECT_TRUE(back.Sweep);
    EXPECT_TRUE(back.Fav);
    EXPECT_EQ(back.BfdBal, -250);
    EXPECT_EQ(back.CloseDate.year, 9999);
    EXPECT_EQ(back.CloseDate.month, 99);
    EXPECT_TRUE(DateEqual(back.ReconciledDate, D(2024, 2, 29)));
    EXPECT_EQ(back.OrigName, back.Name);

    // A caller-supplied id is kept; the next free id follows the highest.
    ObjRec five;
    InitObjRec(five);
    five.Id = 5;
    five.Type = otPot;
    five.Name = QStringLiteral("Five");
    ASSERT_TRUE(AddObj(core, five));
    ObjRec six;
    InitObjRec(six);
    six.Type = otPot;
    six.Name = QStringLiteral("Six");
    ASSERT_TRUE(AddObj(core, six));
    EXPECT_EQ(six.Id, 6);

    // Writing without a pending note keeps the stored note; a cleared sweep stores 0.
    back.Sweep = false;
    ASSERT_TRUE(WriteObj(core, back));
    ASSERT_TRUE(ReadObj(core, 1, back));
    EXPECT_EQ(Ledger(core).readNote, QStringLiteral("opened at the branch"));
    EXPECT_EQ(scalar(QStringLiteral("SELECT SweepTo FROM obj WHERE Id = 1")), 0);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(Objects, ReadReportsMissingIdsWhenAsked) {
    ObjRec r;
    EXPECT_FALSE(ReadObj(core, 0, r));
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_FALSE(ReadObj(core, 17, r));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("obj not found 17")});
    {
        NotFoundQuiet quiet(core);
        EXPECT_FALSE(ReadObj(core, 18, r));
    }
    EXPECT_EQ(prompter.messages().size(), 1);
    EXPECT_TRUE(Ledger(core).reportNotFound);
}

TEST_F(Objects, GroupBalanceComesFromTheLastRebalance) {
    const int grp = addObj(otPgrp, QStringLiteral("Household"));
    const int ext = addObj(otExtGrp, QStringLiteral("Banks"));
    ASSERT_TRUE(core.store().exec(QStringLiteral("UPDATE obj SET BfdBal = 11")));
    ASSERT_TRUE(core.store().exec(QStringLiteral("INSERT INTO movts (Accid, BfdBal) VALUES (%1, 500)").arg(grp)));
    ObjRec r;
    ASSERT_TRUE(ReadObj(core, grp, r));
    EXPECT_EQ(r.BfdBal, 500);
    ASSERT_TRUE(ReadObj(core, ext, r)); // no movts row: the stored value
    EXPECT_EQ(r.BfdBal, 11);
}

TEST_F(Objects, ReadCacheNeverServesWhatAWriteOrARollbackChanged) {
    const int id = addObj(otCpty, QStringLiteral("Shop"));
    const QString rename = QStringLiteral("UPDATE obj SET Name = '%1' WHERE Id = %2");
    ObjectReadCache cache(core);
    ObjRec r;
    ASSERT_TRUE(ReadObj(core, id, r));
    // Written by a statement of its own, not through WriteObj.
    ASSERT_TRUE(core.store().exec(rename.arg(QStringLiteral("Renamed")).arg(id)));
    ASSERT_TRUE(ReadObj(core, id, r));
    EXPECT_EQ(r.Name, QStringLiteral("Renamed"));
    {
        StoreTransaction t(core.store());
        ASSERT_TRUE(core.store().exec(rename.arg(QStringLiteral("Undone")).arg(id)));
        ASSERT_TRUE(ReadObj(core, id, r));
        EXPECT_EQ(r.Name, QStringLiteral("Undone"));
    } // rolled back
    ASSERT_TRUE(ReadObj(core, id, r));
    EXPECT_EQ(r.Name, QStringLiteral("Renamed"));
}

TEST_F(Objects, OutdatedCopyAsksBeforeWriting) {
    const int id = addObj(otExtAcc, QStringLiteral("Bank"));
    ObjRec first, second;
    ASSERT_TRUE(ReadObj(core, id, first));
    ASSERT_TRUE(ReadObj(core, id, second));
    first.Name = QStringLiteral("Bank A");
    ASSERT_TRUE(WriteObj(core, first));
    // Written twice in a row from the same copy: its own EditTS is kept in step.
    first.Desig = QStringLiteral("main");
    ASSERT_TRUE(WriteObj(core, first));

    AdvanceClock(1000);
    second.Name = QStringLiteral("Bank B");
    const QString question = QStringLiteral("Program error! Downdating account record Bank B %1 - OK?").arg(id);
    prompter.expectQuestion(question, 'N');
    EXPECT_FALSE(WriteObj(core, second));
    ObjRec r;
    ASSERT_TRUE(ReadObj(core, id, r));
    EXPECT_EQ(r.Name, QStringLiteral("Bank A"));

    prompter.expectQuestion(question, 'Y');
    EXPECT_TRUE(WriteObj(core, second));
    ASSERT_TRUE(ReadObj(core, id, r));
    EXPECT_EQ(r.Name, QStringLiteral("Bank B"));

    // The run marker alone: nothing else changes, the copy keeps its marker.
    const QDateTime ts = QDateTime(QDate(2024, 5, 1), QTime(10, 0, 0, 123));
    ASSERT_TRUE(StampObj(core, r, ts));
    EXPECT_FALSE(r.RprTs.isValid());
    ObjRec stamped;
    ASSERT_TRUE(ReadObj(core, id, stamped));
    EXPECT_EQ(stamped.RprTs, ts);
    EXPECT_EQ(stamped.EditTS, r.EditTS);

    ObjRec gone = r;
    gone.Id = 9;
    EXPECT_FALSE(UpdateObj(core, gone, 'A'));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("obj not found 9")});
}

TEST_F(Objects, NamesAreUniquePerKindWithoutRegardToCase) {
    addObj(otCpty, QStringLiteral("Café"));
    addObj(otCpty, QStringLiteral("Ωmega"));
    ObjRec r;
    EXPECT_TRUE(NameExists(core, otCpty, QStringLiteral("CAFÉ"), r));
    EXPECT_EQ(r.Name, QStringLiteral("Café"));
    EXPECT_TRUE(NameExists(core, otCpty, QStringLiteral("ωMEGA"), r));
    EXPECT_FALSE(NameExists(core, otPot, QStringLiteral("café"), r));
    EXPECT_FALSE(NameExists(core, otCpty, QStringLiteral("Cafe"), r));
    EXPECT_EQ(prompter.messages(), (QStringList{QStringLiteral("Counterparty \"Café\" already exists"),
                                                QStringLiteral("Counterparty \"Ωmega\" already exists")}));

    addObj(otExtAcc, QStringLiteral("Bank"));
    prompter.clearRecorded();
    EXPECT_TRUE(NameExists(core, otExtAcc, QStringLiteral("BANK"), r));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("External Account \"Bank\" already exists")});
}

TEST_F(Objects, KindNames) {
    struct Case {
        int kind;
        char textCase, number;
        const char* text;
    };
    const Case cases[] = {
        {3, 'L', 'S', "category "},          {3, 'L', 'P', "categories "},         {1, 'L', 'S', "external account "},
        {1, 'L', 'P', "external accounts "}, {9, 'U', 'S', "Counterparty Group "}, {4, 'U', 'P', "Counterparties "},
        {6, 'L', 'S', "internal account "},  {7, 'U', 'P', "Internal Groups "},    {10, 'L', 'S', "category group "},
        {2, 'L', 'P', "not knowns "},        {8, 'U', 'S', "External Group "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(KindName(c.kind, c.textCase, c.number), QString::fromUtf8(c.text)) << c.kind;
    EXPECT_EQ(JoinWithColon(QStringLiteral("a"), QStringLiteral("b")), QStringLiteral("a : b"));
    EXPECT_EQ(JoinWithColon(QString(), QStringLiteral("b")), QStringLiteral("b"));
    EXPECT_EQ(JoinWithColon(QStringLiteral("a"), QString()), QStringLiteral("a"));
}

TEST_F(Objects, GroupPathsAndTheGroupList) {
    const int a = addObj(otPgrp, QStringLiteral("A"));
    const int b = addObj(otPgrp, QStringLiteral("b"), a);
    const int pot = addObj(otPot, QStringLiteral("Food"), b);
    EXPECT_EQ(GroupPath(core, pot), QStringLiteral(" A : b :"));
    EXPECT_EQ(GroupPath(core, a), QString());

    // A parent that is gone: the path so far.
    const int orphan = addObj(otPgrp, QStringLiteral("Orphan"), 99);
    EXPECT_EQ(GroupPath(core, orphan), QString());

    ObjRec closed;
    InitObjRec(closed);
    closed.Type = otPgrp;
    closed.Name = QStringLiteral("Closed");
    closed.CloseDate = D(2023, 12, 31);
    ASSERT_TRUE(AddObj(core, closed));
    addObj(otExtGrp, QStringLiteral("Banks"));

    std::vector<IdTextRow> list;
    FillGroupList(core, list, otPgrp, false);
    ASSERT_EQ(list.size(), 5u);
    EXPECT_EQ(list[0].id, 0);
    EXPECT_EQ(list[0].text, QStringLiteral("<none>"));
    EXPECT_EQ(list[1].text, QStringLiteral(" A"));
    EXPECT_EQ(list[2].text, QStringLiteral(" A : b"));
    EXPECT_EQ(list[2].id, b);
    EXPECT_EQ(list[3].text, QStringLiteral("(closed)  Closed"));
    EXPECT_EQ(list[4].text, QStringLiteral(" Orphan"));
    FillGroupList(core, list, otPgrp, true);
    EXPECT_EQ(list.size(), 4u);
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(Objects, GroupCycleStopsAfterAHundredLevels) {
    const int a = addObj(otPgrp, QStringLiteral("A"));
    const int b = addObj(otPgrp, QStringLiteral("B"), a);
    ASSERT_TRUE(core.store().exec(QStringLiteral("UPDATE obj SET Grpid = %1 WHERE Id = %2").arg(b).arg(a)));
    const QString path = GroupPath(core, b);
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Group contains itself %1").arg(b)});
    // 100 rows read, alternately B and A; B is the object itself and never named.
    EXPECT_EQ(path.count(QStringLiteral(" A :")), 50);
    EXPECT_EQ(path.count(QStringLiteral(" B :")), 0);
}

TEST_F(Objects, CreditAccountOfACounterparty) {
    const QString longName = QStringLiteral("C").repeated(40);
    const int cid = addObj(otCpty, longName);
    ObjRec cpty, acc;
    ASSERT_TRUE(ReadObj(core, cid, cpty));
    ASSERT_TRUE(CreateCreditAccount(core, cpty, acc));
    EXPECT_EQ(acc.Name, longName);
    EXPECT_EQ(acc.Type, otExtAcc);
    EXPECT_EQ(acc.AccWith, cid);
    EXPECT_EQ(CalToInt(acc.CloseDate), kNotClosed);
    EXPECT_EQ(cpty.AccWith, acc.Id);
    ObjRec stored;
    ASSERT_TRUE(ReadObj(core, cid, stored));
    EXPECT_EQ(stored.AccWith, acc.Id);

    // A second credit account leaves the counterparty's first one.
    ObjRec acc2;
    ASSERT_TRUE(CreateCreditAccount(core, cpty, acc2));
    EXPECT_NE(acc2.Id, acc.Id);
    ASSERT_TRUE(ReadObj(core, cid, stored));
    EXPECT_EQ(stored.AccWith, acc.Id);

    const int shop = addObj(otCpty, QStringLiteral("Shop"));
    ASSERT_TRUE(ReadObj(core, shop, cpty));
    ASSERT_TRUE(CreateCreditAccount(core, cpty, acc));
    EXPECT_EQ(acc.Name, QStringLiteral("Shop owes"));
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(Objects, GroupMembersMoveAndRepeatersAreFound) {
    const int g1 = addObj(otPgrp, QStringLiteral("G1"));
    const int g2 = addObj(otPgrp, QStringLiteral("G2"));
    const int sub = addObj(otPgrp, QStringLiteral("Sub"), g1);
    const int p1 = addObj(otPot, QStringLiteral("P1"), g1);
    addObj(otCtgy, QStringLiteral("Stray"), g1); // another family: not a member
    const auto members = OpenGroupMembers(core, g1, otPot);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(members[0].Id, sub);
    EXPECT_EQ(members[1].Id, p1);
    ASSERT_TRUE(ReparentMembers(core, members, g2));
    EXPECT_EQ(OpenGroupMembers(core, g2, otPgrp).size(), 2u);
    EXPECT_TRUE(OpenGroupMembers(core, g1, otPgrp).empty());

    ASSERT_TRUE(core.store().exec(
        QStringLiteral("INSERT INTO rptr (Id, Accid1, Accid3, RptActive) VALUES (1, 50, %1, 0), (2, %1, 0, 1)")
            .arg(p1)));
    EXPECT_EQ(FindRepeaterUsing(core, p1, true), 2);
    EXPECT_EQ(FindRepeaterUsing(core, p1, false), 1);
    EXPECT_EQ(FindRepeaterUsing(core, 50, true), 0);
    EXPECT_EQ(FindRepeaterUsing(core, 0, false), 0);
}
