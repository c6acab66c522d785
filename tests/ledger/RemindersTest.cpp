// Reminders, the repeater list's rows and Delete, and diary entries.
#include "ledger/Reminders.h"
#include "RepeaterFixture.h"

class RemindersTest : public RepeaterFixture {
protected:
    std::vector<ReminderRow> list(bool current) {
        std::vector<ReminderRow> rows;
        EXPECT_TRUE(ListReminders(core, current, rows));
        return rows;
    }
};

TEST_F(RemindersTest, NewReminderIsCurrentAtOnceAndListsByTargetDate) {
    prompter.expectInput(QStringLiteral("New Reminder"), true, QStringLiteral("2024-02-30"));
    EXPECT_FALSE(NewReminder(core));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Invalid date")});

    prompter.expectInput(QStringLiteral("New Reminder"), true, QStringLiteral("2024-07-20"));
    prompter.expectInput(QStringLiteral("New Reminder"), true, QStringLiteral("Renew insurance"));
    ASSERT_TRUE(NewReminder(core));
    prompter.expectInput(QStringLiteral("New Reminder"), true, QStringLiteral("2024-07-01"));
    prompter.expectInput(QStringLiteral("New Reminder"), false, QString()); // cancelled description
    EXPECT_FALSE(NewReminder(core));
    ASSERT_TRUE(AddReminder(core, D(2024, 6, 20), QStringLiteral("Gas bill")));
    // Due next month but shown from today (its reminder date).
    const std::vector<ReminderRow> rows = list(true);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Text, QStringLiteral("Gas bill"));
    EXPECT_EQ(rows[1].Text, QStringLiteral("Renew insurance"));
    EXPECT_EQ(rows[1].Rmdate, 20240615);
    EXPECT_EQ(rows[1].Tgdate, 20240720);
    EXPECT_EQ(rows[1].Txnid, 0);

    // A reminder not yet due shows only under "View all".
    core.settings().Today = D(2024, 6, 10);
    EXPECT_TRUE(list(true).empty());
    EXPECT_EQ(list(false).size(), 2u);

    prompter.expectQuestion(QStringLiteral("OK to delete?"), 'N');
    EXPECT_FALSE(DeleteReminderAsked(core, rows[0].Id));
    prompter.expectQuestion(QStringLiteral("OK to delete?"), 'Y');
    EXPECT_TRUE(DeleteReminderAsked(core, rows[0].Id));
    EXPECT_EQ(list(false).size(), 1u);
}

TEST_F(RemindersTest, DanglingInstanceRemindersAreRemoved) {
    TxnRec kept = txnOf('P', 500, D(2024, 6, 1), bank, shop, food, groceries);
    TxnRec gone = txnOf('P', 700, D(2024, 6, 2), bank, shop, food, groceries);
    ASSERT_TRUE(addWithPostings(kept));
    ASSERT_TRUE(addWithPostings(gone));
    for (const TxnRec* t : {&kept, &gone}) {
        TxnRec r = *t;
        r.Rpt.Rmdays = 3;
        ASSERT_TRUE(AddInstanceReminder(core, r));
    }
    ASSERT_TRUE(AddReminder(core, D(2024, 6, 30), QStringLiteral("mine")));
    ASSERT_TRUE(DeleteTxnById(core, gone.Id));

    EXPECT_EQ(RemoveDanglingReminders(core, list(true)), 1);
    std::vector<int> txnids;
    for (const ReminderRow& r : list(false))
        txnids.push_back(r.Txnid);
    EXPECT_EQ(txnids, (std::vector<int>{kept.Id, 0}));
}

TEST_F(RemindersTest, RepeaterListRowsAndFilter) {
    RptrRec monthly = payment('M', 1, D(2024, 1, 31), 123456);
    RptrRec stopped = payment('W', 2, D(2024, 3, 1));
    stopped.RptActive = false;
    stopped.Type = ' ';
    store(monthly);
    store(stopped);
    std::vector<RepeaterRow> rows;
    ASSERT_TRUE(ListRepeaters(core, false, rows));
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].Freq, QStringLiteral("1M"));
    EXPECT_EQ(rows[0].TxnType, TxnTypeShort('P'));
    EXPECT_EQ(rows[0].AmtText, QStringLiteral("1,234.56"));
    EXPECT_EQ(rows[0].AccName1, QStringLiteral("Bank"));
    EXPECT_EQ(rows[0].AccName4, QStringLiteral("Groceries"));
    EXPECT_EQ(rows[0].Active, QStringLiteral("ACTIVE"));
    EXPECT_EQ(rows[0].StartDate, QStringLiteral("20240131"));
    EXPECT_EQ(rows[1].Freq, QStringLiteral("2W"));
    EXPECT_TRUE(rows[1].TxnType.isEmpty());
    EXPECT_TRUE(rows[1].Active.isEmpty());
    ASSERT_TRUE(ListRepeaters(core, true, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Id, monthly.Id);
}

TEST_F(RemindersTest, DeletingRepeaterRetainsOrDeletesItsInstances) {
    RptrRec a = payment('M', 1, D(2024, 1, 15));
    RptrRec b = payment('M', 1, D(2024, 2, 15));
    RptrRec c = payment('M', 1, D(2024, 9, 15)); // nothing generated yet
    store(a), store(b), store(c);
    ASSERT_GT(GenerateInstances(core, a), 0);
    ASSERT_GT(GenerateInstances(core, b), 0);
    const std::vector<TxnRec> aInstances = instancesOf(a.Id);
    const int bCount = int(instancesOf(b.Id).size());
    ASSERT_GE(aInstances.size(), 6u); // January to June at least

    // Retain: the instances stay as ordinary transactions.
    prompter.expectChoice(QStringLiteral("Delete Repeater : also delete %1 Instance(s)?").arg(aInstances.size()), 1);
    prompter.expectQuestion(
        QStringLiteral("Delete Repeater Master, retaining Instances as stand-alone txns - are you sure?"), 'Y');
    ASSERT_TRUE(DeleteRepeaterAsked(core, a.Id));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM rptr WHERE Id = %1").arg(a.Id)), 0);
    for (const TxnRec& t : aInstances) {
        TxnRec now;
        ASSERT_TRUE(ReadTxn(core, t.Id, now));
        EXPECT_EQ(now.Masterid, 0);
        EXPECT_EQ(now.Instance, 0);
    }

    // Delete: asked twice; a No at the second question changes nothing.
    const QString choice = QStringLiteral("Delete Repeater : also delete %1 Instance(s)?").arg(bCount);
    const QString sure = QStringLiteral("Delete Repeater Master and all Instances - are you sure?");
    const QString rally = QStringLiteral("Are you rally sure you want to delete Repeater Instances?");
    prompter.expectChoice(choice, 2);
    prompter.expectQuestion(sure, 'Y');
    prompter.expectQuestion(rally, 'N');
    EXPECT_FALSE(DeleteRepeaterAsked(core, b.Id));
    EXPECT_EQ(int(instancesOf(b.Id).size()), bCount);
    prompter.expectChoice(choice, 2);
    prompter.expectQuestion(sure, 'Y');
    prompter.expectQuestion(rally, 'Y');
    ASSERT_TRUE(DeleteRepeaterAsked(core, b.Id));
    EXPECT_TRUE(instancesOf(b.Id).empty());
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM pstg p LEFT JOIN txn t ON t.Id = p.Txnid "
                                    "WHERE p.Txnid > 0 AND t.Id IS NULL")),
              0);

    prompter.expectQuestion(QStringLiteral("Delete Repeater with no instances - are you sure?"), 'Y');
    ASSERT_TRUE(DeleteRepeaterAsked(core, c.Id));
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM rptr")), 0);
    EXPECT_TRUE(prompter.allAnswered());
}

TEST_F(RemindersTest, DiaryEntryIsOneDatedNote) {
    int id = 0;
    const QString long60 = QString(60, QLatin1Char('n'));
    ASSERT_TRUE(AddDiaryEntry(core, D(2024, 5, 4), long60, id));
    TxnRec t;
    ASSERT_TRUE(ReadTxn(core, id, t));
    EXPECT_EQ(t.Type, 'D');
    EXPECT_EQ(t.Narrative, QString(40, QLatin1Char('n')));
    EXPECT_TRUE(DateEqual(t.Txndate, D(2024, 5, 4)));
    EXPECT_TRUE(DateEqual(t.ActualDate, D(2024, 5, 4)));
    const std::vector<PstgRec> ps = postingsOf(id);
    ASSERT_EQ(ps.size(), 1u);
    EXPECT_EQ(ps[0].Objid, 0);
    EXPECT_EQ(ps[0].Amt, 0);

    ASSERT_TRUE(AddDiaryEntry(core, D(2024, 5, 5), QString(), id));
    ASSERT_TRUE(ReadTxn(core, id, t));
    EXPECT_TRUE(t.Narrative.isEmpty());
}
