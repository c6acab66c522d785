// Each kind of damage the health check knows: found with its exact line in
// check mode and, where the program can, mended in repair mode so that a
// recheck is clean.  Damage is made with plain SQL, as a crash or an outside
// tool would leave it.
#include "HealthCheckFixture.h"

namespace {
const QString kRepairable = QStringLiteral("Error (can auto-repair) : ");
const QString kManual = QStringLiteral("Error (for manual repair) : ");
} // namespace

// ---- objects -----------------------------------------------------------------

TEST_F(HealthCheckFixture, GroupOpenedTooLateIsBackDated) {
    exec(QStringLiteral("UPDATE obj SET OpenDate = 20240101, LastPstgDate = 20240601 WHERE Id = %1").arg(bank));
    exec(QStringLiteral("UPDATE obj SET OpenDate = 20240201 WHERE Id = %1").arg(banks));
    expectRepairable(QStringLiteral("Obj %1 type 1 :  Group %2 \"Banks\" opened too late for Account / Sub-Group "
                                    "\"Bank\" ")
                         .arg(bank)
                         .arg(banks));
    EXPECT_EQ(scalar(QStringLiteral("SELECT OpenDate FROM obj WHERE Id = %1").arg(banks)), 20240101);
}

TEST_F(HealthCheckFixture, GroupClosedTooSoonIsMovedOnAndAWrongFamilyIsManual) {
    exec(QStringLiteral("UPDATE obj SET OpenDate = 20240101, LastPstgDate = 20240601, CloseDate = 20241231 "
                        "WHERE Id = %1")
             .arg(food));
    exec(QStringLiteral("UPDATE obj SET OpenDate = 20240101, CloseDate = 20240630 WHERE Id = %1").arg(spending));
    expectRepairable(
        QStringLiteral("Obj %1 type 6 :  Group %2 \"Spending\" closed too soon for Account / Sub-Group \"Food\" ")
            .arg(food)
            .arg(spending));
    EXPECT_EQ(scalar(QStringLiteral("SELECT CloseDate FROM obj WHERE Id = %1").arg(spending)), 20241231);
    // The group's own b/fd balance is not touched by writing it.
    EXPECT_EQ(scalar(QStringLiteral("SELECT BfdBal FROM obj WHERE Id = %1").arg(spending)), 0);

    exec(QStringLiteral("UPDATE obj SET Grpid = %1 WHERE Id = %2").arg(banks).arg(general));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kManual + QStringLiteral("Obj %1 type 6Acc/Grp invalid acctype combi").arg(general)));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Grpid FROM obj WHERE Id = %1").arg(general)), banks);
}

TEST_F(HealthCheckFixture, ObjectFieldsRepairedAndReported) {
    // A posted account whose rebalance never set its last posting date.
    exec(QStringLiteral("UPDATE obj SET OpenDate = 20240101 WHERE Id = %1").arg(cash));
    expectRepairable(QStringLiteral("Obj %1 type 1 lastpstgdate = 0").arg(cash));
    EXPECT_EQ(scalar(QStringLiteral("SELECT LastPstgDate FROM obj WHERE Id = %1").arg(cash)), 20240101);

    // A credit account whose counterparty does not know it.
    exec(QStringLiteral("UPDATE obj SET AccWith = %1 WHERE Id = %2").arg(shop).arg(cash));
    expectRepairable(QStringLiteral("Obj %1 type 1 1st/only ExtAcc for this Cpty not set").arg(cash));
    EXPECT_EQ(scalar(QStringLiteral("SELECT AccWith FROM obj WHERE Id = %1").arg(shop)), cash);
}

TEST_F(HealthCheckFixture, ObjectManualErrors) {
    exec(QStringLiteral("INSERT INTO obj (Id, Type, Name, CloseDate, BfdBal) VALUES (40, 5, 'Odd', 99999999, 0)"));
    exec(QStringLiteral("UPDATE obj SET BfdBal = 10250 WHERE Id = %1").arg(bank));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kManual + QStringLiteral("Obj 40 type 5 invalid account type 5")));
    EXPECT_TRUE(has(kManual + QStringLiteral("Internal/external B/fd bals mismatch by 2.50")));
    EXPECT_TRUE(has(QStringLiteral("External accs b/fd 102.50")));
    EXPECT_TRUE(has(QStringLiteral("2 non-repairable error(s) - you must repair these")));
    EXPECT_FALSE(has(QStringLiteral("0 error(s) repaired - run \"Recheck\" to confirm, further errors may be found")));
}

// ---- transactions and their postings -------------------------------------------

TEST_F(HealthCheckFixture, MissingPostingIsRepostedKeepingReconciliation) {
    exec(QStringLiteral("UPDATE pstg SET ReconCode = 2 WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(bank));
    exec(QStringLiteral("DELETE FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(groceries));
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Txn %1 / acc %2 : posting not found").arg(payId).arg(groceries)));
    EXPECT_TRUE(has(QStringLiteral("TXN.DB scan complete")));
    EXPECT_FALSE(hasStarting(QStringLiteral("PSTG.DB")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1").arg(payId)), 3); // check only

    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Amt FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(groceries)),
              -1234);
    EXPECT_EQ(scalar(QStringLiteral("SELECT ReconCode FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(bank)),
              2);
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
}

TEST_F(HealthCheckFixture, WrongPostingAmountIsReposted) {
    exec(QStringLiteral("UPDATE pstg SET Amt = -1000 WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(groceries));
    expectRepairable(QStringLiteral("Txn %1 / acc %2 : posting amount error").arg(payId).arg(groceries));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Amt FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(groceries)),
              -1234);
}

TEST_F(HealthCheckFixture, CancelledTransactionExpectsZeroPostings) {
    exec(QStringLiteral("UPDATE pstg SET Amt = -999 WHERE Txnid = %1 AND Objid = %2").arg(cancelledId).arg(cash));
    expectRepairable(QStringLiteral("Txn %1 / acc %2 : posting amount error").arg(cancelledId).arg(cash));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Amt FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(cancelledId).arg(cash)),
              0);
}

TEST_F(HealthCheckFixture, PostingChannelIsSetFromTheTransaction) {
    exec(QStringLiteral("UPDATE pstg SET chnum = 0 WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(bank));
    expectRepairable(
        QStringLiteral("Txn %1 / acc %2 : channel number (on pstg) 0 shd be (from txn) 1").arg(payId).arg(bank));
    EXPECT_EQ(scalar(QStringLiteral("SELECT chnum FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(bank)), 1);
}

TEST_F(HealthCheckFixture, BadChannelNumberIsCleared) {
    exec(QStringLiteral("UPDATE txn SET chnum = 9 WHERE Id = %1").arg(tfrId));
    exec(QStringLiteral("UPDATE pstg SET chnum = 9 WHERE Txnid = %1 AND Objid = %2").arg(tfrId).arg(bank));
    expectRepairable(QStringLiteral("Txn T %1 invalid channel number 9").arg(tfrId));
    EXPECT_EQ(scalar(QStringLiteral("SELECT chnum FROM txn WHERE Id = %1").arg(tfrId)), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT chnum FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(tfrId).arg(bank)), 0);
}

TEST_F(HealthCheckFixture, PostingToWrongKindOrMissingAccountIsManual) {
    exec(QStringLiteral("UPDATE txn SET Accid4 = %1 WHERE Id = %2").arg(general).arg(payId));
    exec(QStringLiteral("UPDATE pstg SET Objid = %1 WHERE Txnid = %2 AND Objid = %3")
             .arg(general)
             .arg(payId)
             .arg(groceries));
    exec(QStringLiteral("UPDATE txn SET Accid2 = 77 WHERE Id = %1").arg(tfrId));
    exec(QStringLiteral("UPDATE pstg SET Objid = 77 WHERE Txnid = %1 AND Objid = %2").arg(tfrId).arg(cash));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kManual + QStringLiteral("Txn %1 / acc %2 : account wrong type6 3").arg(payId).arg(general)))
        << dump().toStdString();
    EXPECT_TRUE(has(kManual + QStringLiteral("Txn %1 / acc 77 : account not found").arg(tfrId)));
    EXPECT_EQ(hc.RepairableErrors(), 0);
    EXPECT_EQ(hc.ManualErrors(), 2);
}

TEST_F(HealthCheckFixture, TransactionManualErrorsEachStopTheirTransaction) {
    exec(QStringLiteral("UPDATE txn SET Type = 'Q' WHERE Id = %1").arg(diaryId));
    exec(QStringLiteral("UPDATE txn SET Amt = -5 WHERE Id = %1").arg(tfrId));
    exec(QStringLiteral("UPDATE txn SET Accid3 = 0 WHERE Id = %1").arg(rcptId));
    exec(QStringLiteral("UPDATE txn SET Accid3 = %1 WHERE Id = %2").arg(food).arg(potTfrId));
    exec(QStringLiteral("UPDATE txn SET Accid4 = 0 WHERE Id = %1").arg(bothTfrId));
    exec(QStringLiteral("UPDATE txn SET Accid2 = %1 WHERE Id = %2").arg(cash).arg(reconId));
    exec(QStringLiteral("UPDATE txn SET Accid1 = -1 WHERE Id = %1").arg(cancelledId));
    EXPECT_FALSE(run(HchkMode::Check));
    for (const QString& line : {QStringLiteral("Txn Q %1 invalid txn type").arg(diaryId),
                                QStringLiteral("Txn T %1 txn amt shd be >= 0").arg(tfrId),
                                QStringLiteral("Txn R %1 acc3/4 id missing").arg(rcptId),
                                QStringLiteral("Txn G %1 acc3/4 id <> 0").arg(potTfrId),
                                QStringLiteral("Txn C %1 acc4 id missing").arg(bothTfrId),
                                QStringLiteral("Txn Z %1 acc2 id <> 0").arg(reconId),
                                QStringLiteral("Txn P %1 acc id < 0 ").arg(cancelledId)})
        EXPECT_TRUE(has(kManual + line)) << line.toStdString() << "\n" << dump().toStdString();
    EXPECT_EQ(hc.ManualErrors(), 7);
    EXPECT_EQ(hc.RepairableErrors(), 0); // stopped before their postings were judged
}

// ---- repeater instances ----------------------------------------------------------

TEST_F(HealthCheckFixture, InstanceWhoseMasterIsGoneBecomesOrdinary) {
    exec(QStringLiteral("DELETE FROM rptr WHERE Id = %1").arg(rptr.Id));
    const int first = int(scalar(QStringLiteral("SELECT min(Id) FROM txn WHERE Instance = 1")));
    expectRepairable(QStringLiteral("Txn P %1 masterid not found %2").arg(first).arg(rptr.Id));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Masterid <> 0 OR Instance <> 0")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1").arg(first)), 4);
}

TEST_F(HealthCheckFixture, InstanceWithoutActualDateGetsItsTransactionDate) {
    const int first = int(scalar(QStringLiteral("SELECT min(Id) FROM txn WHERE Instance = 1")));
    exec(QStringLiteral("UPDATE txn SET actualtxndate = 0 WHERE Id = %1").arg(first));
    expectRepairable(QStringLiteral("Txn P %1Rptr instance with neither actual txn date nor pstg date").arg(first));
    EXPECT_EQ(scalar(QStringLiteral("SELECT actualtxndate FROM txn WHERE Id = %1").arg(first)), 20240501);
    EXPECT_TRUE(prompter.allAnswered()); // no instance question was asked
}

TEST_F(HealthCheckFixture, InstanceWithoutMasterIdIsOnlyInformation) {
    const int first = int(scalar(QStringLiteral("SELECT min(Id) FROM txn WHERE Instance = 1")));
    exec(QStringLiteral("UPDATE txn SET Masterid = 0 WHERE Id = %1").arg(first));
    // The repeater's instances now start at 2, which is no hole, and end at Gento.
    EXPECT_TRUE(run(HchkMode::Check));
    EXPECT_TRUE(has(QStringLiteral("Info : Txn P %1 instance with no master").arg(first))) << dump().toStdString();
}

// ---- counterparty-category links ---------------------------------------------------

TEST_F(HealthCheckFixture, MissingCounterpartyCategoryLinkIsAdded) {
    exec(QStringLiteral("DELETE FROM cptypot WHERE Cptyid = %1").arg(shop));
    expectRepairable(QStringLiteral("Missing Cpty-Ctgy %1-%2-P").arg(shop).arg(groceries));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot WHERE Cptyid = %1 AND Potid = %2 AND "
                                    "Purchsale = 'P' AND Hidden = 0")
                         .arg(shop)
                         .arg(groceries)),
              1);
}

// ---- postings ------------------------------------------------------------------------

TEST_F(HealthCheckFixture, PostingWithoutTransactionOrObjectIsDeleted) {
    exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) VALUES (%1, %2, 5, '2024-03-01', 'P')")
             .arg(payId)
             .arg(77));
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Posting %1 / 77Object not found : 77").arg(payId)))
        << dump().toStdString();
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();

    // A posting of a transaction that is not stored.
    exec(QStringLiteral("DELETE FROM txn WHERE Id = %1").arg(diaryId));
    expectRepairable(QStringLiteral("Posting %1 / 0 no matching txn").arg(diaryId));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1").arg(diaryId)), 0);
}

TEST_F(HealthCheckFixture, PostingNotAccountedForByItsTransactionIsManual) {
    exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) VALUES (%1, %2, 0, '2024-03-03', 'T')")
             .arg(tfrId)
             .arg(general));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kManual + QStringLiteral("Posting %1 / %2 posting missed from txn scan").arg(tfrId).arg(general)));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1").arg(tfrId)), 3);
}

TEST_F(HealthCheckFixture, PostingWithInvalidTypeIsDeletedThenRemade) {
    exec(QStringLiteral("UPDATE pstg SET Txntype = 'Q' WHERE Txnid = %1 AND Objid = %2").arg(tfrId).arg(cash));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Posting %1 / %2 invalid txn type").arg(tfrId).arg(cash)));
    // Its transaction now lacks it: the next repair posts it again.
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Txn %1 / acc %2 : posting not found").arg(tfrId).arg(cash)));
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    EXPECT_TRUE(prompter.messages().filter(QStringLiteral("Posting has invalid txn type")).isEmpty());
}

TEST_F(HealthCheckFixture, PotPostingDateFollowsTheTransaction) {
    exec(
        QStringLiteral("UPDATE pstg SET Pstgdate = '2024-03-20' WHERE Txnid = %1 AND Objid = %2").arg(payId).arg(food));
    expectRepairable(
        QStringLiteral("Posting %1 / %2 posting date should match txn date for Intl accs").arg(payId).arg(food));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1 AND Objid = %2 AND "
                                    "Pstgdate = '2024-03-01'")
                         .arg(payId)
                         .arg(food)),
              1);
}

TEST_F(HealthCheckFixture, CategoryPostingDateMovesTheTransaction) {
    exec(QStringLiteral("UPDATE pstg SET Pstgdate = '2024-03-20' WHERE Txnid = %1 AND Objid = %2")
             .arg(rcptId)
             .arg(salary));
    expectRepairable(QStringLiteral("Posting %1 / %2 posting.date / txn.txndate mismatch").arg(rcptId).arg(salary));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Id = %1 AND Txndate = '2024-03-20' AND "
                                    "Date2 = '2024-03-04'")
                         .arg(rcptId)),
              1);
    // The pot follows the new transaction date in the same repair.
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1 AND Pstgdate = '2024-03-20'").arg(rcptId)),
        2);
}

TEST_F(HealthCheckFixture, ExternalPostingDateMovesTheBankDateOfBothSides) {
    exec(QStringLiteral("UPDATE pstg SET ReconCode = 1 WHERE Txnid = %1 AND Objid = %2").arg(rcptId).arg(employer));
    exec(QStringLiteral("UPDATE pstg SET Pstgdate = '2024-03-09' WHERE Txnid = %1 AND Objid = %2")
             .arg(rcptId)
             .arg(bank));
    expectRepairable(QStringLiteral("Posting %1 / %2 posting.date / txn.pstgdate mismatch").arg(rcptId).arg(bank));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Id = %1 AND Date2 = '2024-03-09'").arg(rcptId)), 1);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1 AND Pstgdate = '2024-03-09'").arg(rcptId)),
        2);
    EXPECT_EQ(
        scalar(QStringLiteral("SELECT ReconCode FROM pstg WHERE Txnid = %1 AND Objid = %2").arg(rcptId).arg(employer)),
        1);
}

TEST_F(HealthCheckFixture, DatabaseStartDateLaterThanPostingsIsNoted) {
    core.settings().DBStartDate = D(2024, 4, 1);
    ASSERT_TRUE(run(HchkMode::Check)); // written when the run closes the database, read back when it reopens
    EXPECT_TRUE(has(QStringLiteral("Database start date 2024-04-01")));
    EXPECT_TRUE(has(QStringLiteral("Database start date later than earliest posting date")));
}

// ---- repeaters --------------------------------------------------------------------------

TEST_F(HealthCheckFixture, WrongGentoIsSetToTheLastInstance) {
    exec(QStringLiteral("UPDATE rptr SET Gento = 5 WHERE Id = %1").arg(rptr.Id));
    expectRepairable(QStringLiteral("Repeater master #%1 - Gento 5 should be 3").arg(rptr.Id));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Gento FROM rptr WHERE Id = %1").arg(rptr.Id)), 3);
}

TEST_F(HealthCheckFixture, ActiveRepeaterWithoutInstancesHasGentoZero) {
    exec(QStringLiteral("INSERT INTO rptr (Id, Freq, StartDate, Gento, Rptinc, RptActive, Amt, Type, Accid1, Accid2, "
                        "Accid3, Accid4, chnum) VALUES (7, 'W', 20240101, 3, 1, 1, 100, 'T', %1, %2, 0, 0, 4)")
             .arg(bank)
             .arg(cash));
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Repeater master #7 - Gento 3 should be 0")));
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Repeater 7 invalid channel number 4")));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Gento FROM rptr WHERE Id = 7")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT chnum FROM rptr WHERE Id = 7")), 0);
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
}

TEST_F(HealthCheckFixture, RepeaterManualErrors) {
    const int second = int(scalar(QStringLiteral("SELECT Id FROM txn WHERE Instance = 2")));
    const int third = int(scalar(QStringLiteral("SELECT Id FROM txn WHERE Instance = 3")));
    exec(QStringLiteral("UPDATE txn SET Instance = 1 WHERE Id = %1").arg(second));
    exec(QStringLiteral("UPDATE txn SET Instance = 4 WHERE Id = %1").arg(third));
    exec(QStringLiteral("UPDATE rptr SET Gento = 4, Freq = 'Q', Accid3 = 88 WHERE Id = %1").arg(rptr.Id));
    EXPECT_FALSE(run(HchkMode::Repair));
    const QString id = S(rptr.Id);
    for (const QString& line : {QStringLiteral("Repeater %1 accid3 not found 88").arg(id),
                                QStringLiteral("Repeater master #%1 - Duplicate instance 1").arg(id),
                                QStringLiteral("Repeater master #%1 - Missing instance 2").arg(id),
                                QStringLiteral("Repeater %1 invalid frequency \"Q\"").arg(id)})
        EXPECT_TRUE(has(kManual + line)) << line.toStdString() << "\n" << dump().toStdString();
    EXPECT_EQ(hc.ManualErrors(), 4);
    EXPECT_EQ(hc.RepairableErrors(), 0); // the last instance is 4 = Gento
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM rptr WHERE Freq = 'Q' AND Accid3 = 88")), 1);
}

// ---- honest repairs --------------------------------------------------------------

TEST_F(HealthCheckFixture, FailedRepairWritesAreNotCountedAndReportedOnce) {
    exec(QStringLiteral("DELETE FROM cptypot"));
    exec(QStringLiteral("CREATE TRIGGER cptypot.refuse BEFORE INSERT ON cptypot "
                        "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    EXPECT_FALSE(run(HchkMode::Repair));
    const int found = hc.RepairableErrors();
    ASSERT_GT(found, 1);
    EXPECT_EQ(hc.FailedRepairs(), found);
    EXPECT_TRUE(has(QString::number(found) + QStringLiteral(" repair(s) failed - disk I/O error")))
        << dump().toStdString();
    EXPECT_FALSE(hasStarting(QString::number(found) + QStringLiteral(" error(s) repaired")));
    // No message box for the failures (the one message is the backup
    // folder's making).
    EXPECT_LE(prompter.messages().size(), 1) << prompter.messages().join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM cptypot")), 0);
}

// Every shape of transaction the posting rules allow, cancelled or not, is
// sound as the ledger posts it; with its postings gone, repair makes them
// again and the next check finds nothing (no repair that a check undoes).
TEST_F(HealthCheckFixture, EveryTransactionShapeSurvivesCheckAndRepair) {
    struct Shape {
        char type;
        int a1, a2, a3, a4;
    };
    const std::vector<Shape> shapes = {
        {'P', bank, shop, food, groceries},
        {'X', cash, shop, food, groceries},
        {'R', bank, employer, general, salary},
        {'Y', cash, employer, general, salary},
        {'C', bank, cash, 0, 0},
        {'C', 0, 0, general, food},
        {'C', bank, cash, general, food},
        {'T', cash, bank, 0, 0},
        {'G', general, food, 0, 0},
        {'Z', cash, 0, 0, 0},
        {'D', 0, 0, 0, 0},
    };
    std::vector<int> ids;
    for (const bool cancelled : {false, true})
        for (const Shape& s : shapes) {
            TxnRec t = txnOf(s.type, s.type == 'Z' || s.type == 'D' ? 0 : 321, D(2024, 4, 2), s.a1, s.a2, s.a3, s.a4);
            t.Cancelled = cancelled;
            ASSERT_TRUE(addWithPostings(t)) << s.type;
            ids.push_back(t.Id);
        }
    ASSERT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    ASSERT_TRUE(run(HchkMode::Repair)) << dump().toStdString();

    const QString list = [&] {
        QStringList l;
        for (int id : ids)
            l << QString::number(id);
        return l.join(QLatin1Char(','));
    }();
    const QString shape = QStringLiteral("SELECT group_concat(Txnid || ':' || Objid || ':' || Amt || ':' || "
                                         "coalesce(Pstgdate, '') || ':' || Txntype, ' ') FROM (SELECT * FROM pstg "
                                         "WHERE Txnid IN (%1) ORDER BY Txnid, Objid)")
                              .arg(list);
    auto text = [&](const QString& sql) {
        Query q(core.store(), sql);
        const QString v = q.next() ? q.text(0) : QString();
        q.reset();
        return v;
    };
    const QString before = text(shape);
    exec(QStringLiteral("DELETE FROM pstg WHERE Txnid IN (%1)").arg(list));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    EXPECT_EQ(text(shape), before);
}

TEST_F(HealthCheckFixture, ValuesBeyondThirtyTwoBitsAndIdZeroAreManualAndAnchorsStay) {
    const auto anchors = [&] {
        return scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = 0 AND Txntype = 'A' AND Amt = 0"));
    };
    const std::int64_t anchorsBefore = anchors();
    exec(QStringLiteral("UPDATE txn SET Id = 0 WHERE Id = %1").arg(tfrId));
    exec(QStringLiteral("UPDATE txn SET Amt = 4294968639 WHERE Id = %1").arg(payId));
    exec(QStringLiteral("UPDATE txn SET Id = 1099511627776 WHERE Id = %1").arg(rcptId));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kManual + QStringLiteral("Txn T 0 invalid id"))) << dump().toStdString();
    EXPECT_TRUE(has(kManual + QStringLiteral("Txn P %1 value out of range : Amt = 4294968639").arg(payId)));
    EXPECT_TRUE(has(kManual + QStringLiteral("Txn R 1099511627776 value out of range : Id = 1099511627776")));
    EXPECT_EQ(hc.RepairableErrors(), 0);
    EXPECT_EQ(anchors(), anchorsBefore);
    // The transactions' postings are as they were.
    EXPECT_EQ(
        scalar(
            QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid IN (%1, %2, %3)").arg(tfrId).arg(payId).arg(rcptId)),
        10);

    // Keys beyond 32 bits in the small tables end their walks.
    exec(QStringLiteral("DELETE FROM txn WHERE Id IN (0, %1, 1099511627776)").arg(payId));
    exec(QStringLiteral("INSERT INTO obj (Id, Type, Name, CloseDate) VALUES (4294967301, 3, 'Far', 99999999)"));
    EXPECT_FALSE(run(HchkMode::Check));
    EXPECT_TRUE(has(kManual + QStringLiteral("Obj 4294967301 value out of range : Id = 4294967301")));
    EXPECT_TRUE(has(QStringLiteral("OBJ.DB scan complete")));
}

// ---- the group chain ---------------------------------------------------------------

TEST_F(HealthCheckFixture, GroupChainFaultsAreFoundAndOnlyADanglingGroupIsRepaired) {
    exec(QStringLiteral("UPDATE obj SET Grpid = %1 WHERE Id = %1").arg(spending));
    exec(QStringLiteral("UPDATE obj SET Grpid = %1 WHERE Id = %2").arg(spending).arg(food));
    const int other = addObj(otExtGrp, QStringLiteral("Other banks"), banks);
    exec(QStringLiteral("UPDATE obj SET Grpid = %1 WHERE Id = %2").arg(other).arg(banks));
    exec(QStringLiteral("UPDATE obj SET Grpid = 999 WHERE Id = %1").arg(groceries));
    EXPECT_FALSE(run(HchkMode::Repair));
    EXPECT_TRUE(has(kManual + QStringLiteral("Obj %1 type 7 group contains itself").arg(spending)))
        << dump().toStdString();
    EXPECT_TRUE(has(kManual + QStringLiteral("Obj %1 type 8 group chain has a cycle").arg(banks)));
    EXPECT_TRUE(has(kManual + QStringLiteral("Obj %1 type 8 group chain has a cycle").arg(other)));
    EXPECT_TRUE(has(kRepairable + QStringLiteral("Obj %1 type 3 group 999 not found").arg(groceries)));
    EXPECT_TRUE(has(QStringLiteral("Info : Obj %1 type 3 moved to the top level").arg(groceries)));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Grpid FROM obj WHERE Id = %1").arg(groceries)), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Grpid FROM obj WHERE Id = %1").arg(spending)), spending);
}
