// Repeater schedules: instance dates at month ends, leap days and long steps;
// reading and writing rptr rows; generation up to the balance date, the end
// date and the count; repeaters without a schedule; missing accounts; the
// limit question of a start-up generation; and a run that fails part-way.
#include "RepeaterFixture.h"
#include "ledger/Balances.h"

#include <QStringList>
#include <climits>

namespace {

std::vector<QString> datesOf(const RptrRec& r, int count) {
    std::vector<QString> out;
    for (int n = 1; n <= count; ++n)
        out.push_back(CalToDateStr(InstanceDate(r, n)));
    return out;
}

RptrRec schedule(char freq, int inc, const CalDate& start) {
    RptrRec r;
    InitRptrRec(r);
    r.Freq = freq;
    r.Rptinc = inc;
    r.StartDate = start;
    return r;
}

using Dates = std::vector<QString>;

TEST(RepeaterDates, MonthlyFromMonthEndCarriesWithoutDrift) {
    EXPECT_EQ(datesOf(schedule('M', 1, MakeDate(2024, 1, 31)), 6),
              (Dates{"2024-01-31", "2024-03-02", "2024-03-31", "2024-05-01", "2024-05-31", "2024-07-01"}));
    // A common year carries one day further; the year end is crossed cleanly.
    EXPECT_EQ(datesOf(schedule('M', 1, MakeDate(2023, 1, 31)), 2), (Dates{"2023-01-31", "2023-03-03"}));
    EXPECT_EQ(datesOf(schedule('M', 5, MakeDate(2023, 10, 31)), 3), (Dates{"2023-10-31", "2024-03-31", "2024-08-31"}));
    // Instance 25 of a monthly 31st is still on a 31st two years on.
    EXPECT_EQ(CalToDateStr(InstanceDate(schedule('M', 1, MakeDate(2024, 1, 31)), 25)), "2026-01-31");
}

TEST(RepeaterDates, YearlyFromLeapDay) {
    EXPECT_EQ(datesOf(schedule('Y', 1, MakeDate(2024, 2, 29)), 5),
              (Dates{"2024-02-29", "2025-03-01", "2026-03-01", "2027-03-01", "2028-02-29"}));
    // 2100 is no leap year.
    EXPECT_EQ(CalToDateStr(InstanceDate(schedule('Y', 4, MakeDate(2096, 2, 29)), 2)), "2100-03-01");
}

TEST(RepeaterDates, WeeksAndDaysStepFromStart) {
    const RptrRec weekly = schedule('W', 2, MakeDate(2023, 12, 20));
    EXPECT_EQ(datesOf(weekly, 3), (Dates{"2023-12-20", "2024-01-03", "2024-01-17"}));
    const QDate start(2023, 12, 20);
    for (int n : {10, 100, 1000}) {
        const QDate expected = start.addDays(14 * (n - 1));
        EXPECT_EQ(CalToDateStr(InstanceDate(weekly, n)), expected.toString(QStringLiteral("yyyy-MM-dd"))) << n;
    }
    EXPECT_EQ(datesOf(schedule('D', 3, MakeDate(2024, 2, 25)), 4),
              (Dates{"2024-02-25", "2024-02-28", "2024-03-02", "2024-03-05"}));
    // The day of week is filled in (2024-03-02 is a Saturday).
    EXPECT_EQ(InstanceDate(schedule('D', 3, MakeDate(2024, 2, 25)), 3).dayOfWeek, 6);
}

TEST(RepeaterDates, HugeStepsFromTheTablesEndAtTheLastDate) {
    // Increments and instance numbers up to the int limit, as damaged rows may
    // hold them: the date lands on the last day, never wraps back in time.
    for (char freq : {'D', 'W', 'M', 'Y'})
        for (int inc : {5000000, INT_MAX})
            EXPECT_EQ(CalToDateStr(InstanceDate(schedule(freq, inc, MakeDate(2024, 1, 31)), INT_MAX)), "9999-12-31")
                << freq << inc;
    // Just inside the calendar still steps exactly.
    EXPECT_EQ(CalToDateStr(InstanceDate(schedule('W', 400000, MakeDate(2024, 1, 1)), 2)), "9690-02-20");
}

TEST(RepeaterDates, NoScheduleLeavesTheStartDate) {
    for (char freq : {'X', ' ', 'Q'}) {
        const RptrRec r = schedule(freq, 1, MakeDate(2024, 1, 31));
        EXPECT_FALSE(HasSchedule(r)) << freq;
        EXPECT_EQ(CalToDateStr(InstanceDate(r, 9)), "2024-01-31") << freq;
    }
    EXPECT_FALSE(HasSchedule(schedule('M', 0, MakeDate(2024, 1, 31))));
    EXPECT_FALSE(HasSchedule(schedule('M', 1, CalDate())));
    EXPECT_TRUE(HasSchedule(schedule('M', 1, MakeDate(2024, 1, 31))));
}

class RepeaterRecords : public RepeaterFixture {};

TEST_F(RepeaterRecords, RebalanceGeneratesDueInstancesBeforeSumming) {
    RptrRec r = payment('M', 1, D(2024, 1, 10));
    ASSERT_GT(store(r), 0);
    ASSERT_TRUE(instancesOf(r.Id).empty());
    core.settings().RebalNeeded = true;
    ASSERT_TRUE(Rebalance(core));
    // 10 January to 10 July, the first after the period's end (30 June); the
    // balances hold the six inside the period.
    EXPECT_EQ(instanceNumbers(r.Id), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(count(QStringLiteral("SELECT Bal FROM movts WHERE Accid = %1").arg(bank)), -6000);
    EXPECT_EQ(count(QStringLiteral("SELECT Bal FROM movts WHERE Accid = %1").arg(food)), -6000);
    EXPECT_FALSE(core.settings().RebalNeeded);
}

TEST_F(RepeaterRecords, WriteAssignsIdsAndKeepsCreationTime) {
    RptrRec a = payment('M', 1, D(2024, 1, 31));
    a.EndDate = D(2024, 12, 31);
    a.RptCt = 9;
    a.Rmdays = 3;
    a.Ref = QStringLiteral("SO-1");
    a.chnum = 4;
    EXPECT_EQ(store(a), 1);
    RptrRec b = payment('W', 2, D(2024, 2, 1));
    b.Id = 7; // a chosen id not yet stored is inserted with it
    EXPECT_EQ(store(b), 7);
    RptrRec c = payment('D', 1, D(2024, 2, 1));
    EXPECT_EQ(store(c), 8);

    RptrRec r = reread(1);
    EXPECT_EQ(CalToDateStr(r.EndDate), "2024-12-31");
    EXPECT_EQ(r.RptCt, 9);
    EXPECT_EQ(r.Rmdays, 3);
    EXPECT_EQ(r.chnum, 4);
    EXPECT_FALSE(r.CreateTS.isNull());
    EXPECT_TRUE(r.EditTS.isNull());
    EXPECT_TRUE(IsNullDate(r.LastDate));

    const QDateTime created = r.CreateTS;
    r.Gento = 3;
    ASSERT_TRUE(WriteRepeater(core, r));
    r = reread(1);
    EXPECT_EQ(r.CreateTS, created);
    EXPECT_FALSE(r.EditTS.isNull());
    EXPECT_EQ(CalToDateStr(r.LastDate), "2024-03-31"); // instance 3
    EXPECT_EQ(count("SELECT count(*) FROM rptr"), 3);

    RptrRec none;
    EXPECT_FALSE(ReadRepeater(core, 0, none));
    EXPECT_FALSE(ReadRepeater(core, 99, none));
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_FALSE(ReadRepeaterReported(core, 99, none));
    EXPECT_EQ(prompter.messages(), QStringList{"Repeater Master #99 not found"});
}

TEST_F(RepeaterRecords, NullFrequencyReadsX) {
    ASSERT_TRUE(core.store().exec(
        "INSERT INTO rptr (Id, Freq, StartDate, Rptinc, RptActive, Type) VALUES (1, NULL, 20240101, 1, 1, 'P')"));
    ASSERT_TRUE(core.store().exec(
        "INSERT INTO rptr (Id, Freq, StartDate, Rptinc, RptActive, Type) VALUES (2, '', 20240101, NULL, 1, 'P')"));
    EXPECT_EQ(reread(1).Freq, 'X');
    EXPECT_EQ(reread(2).Freq, ' ');
    EXPECT_EQ(reread(2).Rptinc, 0);
}

TEST_F(RepeaterRecords, MasterRecordCarriesScheduleAndChannelRule) {
    RptrRec r = payment('W', 2, D(2024, 3, 4), 4321);
    r.chnum = 5;
    r.Gento = 2;
    store(r);
    r = reread(r.Id);
    TxnRec m = TxnFromRepeater(r);
    EXPECT_EQ(m.Role, roleMaster);
    EXPECT_EQ(m.Masterid, r.Id);
    EXPECT_EQ(CalToDateStr(m.ActualDate), "2024-03-04");
    EXPECT_EQ(m.chnum, 5);
    EXPECT_EQ(CalToDateStr(m.Rpt.NextDate), "2024-03-18"); // instance 2
    r.Accid1 = 0;                                          // no external account: no channel
    EXPECT_EQ(TxnFromRepeater(r).chnum, 0);
    EXPECT_EQ(RepeaterFromTxn(m).Rptinc, 2);
    // An instance hands over its template only, not its schedule copy.
    m.Role = roleInstance;
    const RptrRec templ = RepeaterFromTxn(m);
    EXPECT_EQ(templ.Amt, 4321);
    EXPECT_EQ(templ.Freq, ' ');
    EXPECT_EQ(templ.Gento, 0);
}

class RepeaterGeneration : public RepeaterFixture {};

TEST_F(RepeaterGeneration, RunsToFirstInstanceAfterBalanceDate) {
    RptrRec r = payment('M', 1, D(2024, 1, 31), 2500);
    const int id = store(r);
    const int last = GenerateInstances(core, r);
    EXPECT_EQ(instanceDates(id),
              (Dates{"2024-01-31", "2024-03-02", "2024-03-31", "2024-05-01", "2024-05-31", "2024-07-01"}));
    EXPECT_EQ(instanceNumbers(id), (std::vector<int>{1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(last, idOfInstance(id, 6));
    RptrRec stored = reread(id);
    EXPECT_EQ(stored.Gento, 6);
    EXPECT_TRUE(stored.RptActive);
    EXPECT_EQ(r.Gento, 6);

    // Each instance is a full transaction with its postings on its own date.
    const TxnRec t = instancesOf(id)[1];
    EXPECT_EQ(t.Role, roleInstance);
    EXPECT_EQ(t.Masterid, id);
    EXPECT_EQ(t.Amt, 2500);
    EXPECT_EQ(t.Narrative, "Rent");
    EXPECT_EQ(CalToDateStr(t.Date2), "2024-03-02");
    EXPECT_EQ(CalToDateStr(t.ActualDate), "2024-03-02");
    const auto ps = postingsOf(t.Id);
    ASSERT_EQ(ps.size(), 4u);
    EXPECT_EQ(find(ps, bank)->Amt, -2500);
    EXPECT_EQ(CalToDateStr(find(ps, bank)->Pstgdate), "2024-03-02");
    EXPECT_TRUE(core.settings().RebalNeeded);
    EXPECT_TRUE(prompter.messages().isEmpty()); // adding an instance copies nothing to the master

    // Up to date: a second run makes nothing.  A later balance date continues.
    EXPECT_EQ(GenerateInstances(core, r), 0);
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 6);
    core.settings().BalAt = D(2024, 8, 15);
    GenerateInstances(core, r);
    EXPECT_EQ(instanceNumbers(id), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, 8}));
    EXPECT_EQ(CalToDateStr(instancesOf(id).back().Txndate), "2024-08-31");
}

TEST_F(RepeaterGeneration, BalanceDateBeforeStartMakesOneInstance) {
    RptrRec r = payment('W', 2, D(2024, 9, 1));
    const int id = store(r);
    GenerateInstances(core, r);
    EXPECT_EQ(instanceDates(id), (Dates{"2024-09-01"}));
    EXPECT_EQ(reread(id).Gento, 1);
    EXPECT_EQ(GenerateInstances(core, r), 0);
    EXPECT_EQ(instancesOf(id).size(), 1u);
}

TEST_F(RepeaterGeneration, StopsAtCountAndEndDate) {
    core.settings().BalAt = D(2030, 12, 31);
    RptrRec counted = payment('M', 1, D(2024, 1, 10));
    counted.RptCt = 3;
    const int c = store(counted);
    const int last = GenerateInstances(core, counted);
    EXPECT_EQ(instanceNumbers(c), (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(last, idOfInstance(c, 3));
    EXPECT_FALSE(reread(c).RptActive);
    EXPECT_EQ(reread(c).Gento, 3);

    RptrRec ended = payment('D', 10, D(2024, 1, 1));
    ended.EndDate = D(2024, 1, 31); // instance 4 falls on the end date and is made
    const int e = store(ended);
    GenerateInstances(core, ended);
    EXPECT_EQ(instanceDates(e), (Dates{"2024-01-01", "2024-01-11", "2024-01-21", "2024-01-31"}));
    EXPECT_FALSE(reread(e).RptActive);

    RptrRec backwards = payment('M', 1, D(2024, 5, 1));
    backwards.EndDate = D(2024, 4, 1);
    const int b = store(backwards);
    EXPECT_EQ(GenerateInstances(core, backwards), 0);
    EXPECT_TRUE(instancesOf(b).empty());
    EXPECT_FALSE(reread(b).RptActive);
    EXPECT_EQ(reread(b).Gento, 0);
}

TEST_F(RepeaterGeneration, NoScheduleMakesNothingAndStaysActive) {
    ASSERT_TRUE(core.store().exec(
        QStringLiteral(
            "INSERT INTO rptr (Id, Freq, StartDate, Rptinc, RptActive, Type, Amt, Accid1, Accid2, Gento) VALUES "
            "(1, NULL, 20240101, 1, 1, 'P', 100, %1, %2, 0), (2, ' ', 20240101, 1, 1, 'P', 100, %1, %2, 0), "
            "(3, 'M', 20240101, 0, 1, 'P', 100, %1, %2, 0), (4, 'Q', 20240101, 1, 1, 'P', 100, %1, %2, 2)")
            .arg(bank)
            .arg(shop)));
    // Every row's schedule fields and edit time, as one text.
    auto rows = [&] {
        Query q(core.store(), QStringLiteral("SELECT group_concat(Id || coalesce(Freq, '~') || Gento || RptActive || "
                                             "coalesce(EditTS, '-'), ',') FROM rptr"));
        return q.next() ? q.text(0) : QStringLiteral("<failed>");
    };
    const QString snapshot = rows();
    ASSERT_TRUE(GenerateAllRepeaters(core));
    for (int id = 1; id <= 4; ++id) {
        RptrRec r = reread(id);
        EXPECT_EQ(GenerateInstances(core, r), 0) << id;
        EXPECT_TRUE(reread(id).RptActive) << id;
    }
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 0);
    EXPECT_EQ(rows(), snapshot);
}

TEST_F(RepeaterGeneration, MissingAccountStopsAndStaysActive) {
    RptrRec r = payment('M', 1, D(2024, 5, 1));
    r.Accid3 = 98;
    r.Accid4 = 99;
    const int id = store(r);
    NotFoundQuiet quiet(core);
    EXPECT_EQ(GenerateInstances(core, r), 0);
    EXPECT_EQ(prompter.messages(),
              QStringList{QStringLiteral("Account #99 not found, cannot generate Repeater #%1 instance").arg(id)});
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 0);
    EXPECT_TRUE(reread(id).RptActive);
    EXPECT_EQ(reread(id).Gento, 0);

    // A pot transfer tests only its first two accounts.
    RptrRec g = payment('M', 1, D(2024, 6, 1));
    g.Type = 'G';
    g.Accid1 = food;
    g.Accid2 = food + 1000;
    g.Accid3 = 555; // not a role of a pot transfer: not tested
    const int gid = store(g);
    prompter.clearRecorded();
    EXPECT_EQ(GenerateInstances(core, g), 0);
    EXPECT_EQ(
        prompter.messages(),
        QStringList{
            QStringLiteral("Account #%1 not found, cannot generate Repeater #%2 instance").arg(food + 1000).arg(gid)});
}

TEST_F(RepeaterGeneration, BrokenLedgerKeepsInstancesAlreadyMade) {
    // A transaction without postings blocks new ids; generation stops there,
    // keeping what it made before.
    RptrRec r = payment('M', 1, D(2024, 5, 1));
    const int id = store(r);
    core.settings().BalAt = D(2024, 5, 15);
    GenerateInstances(core, r);
    ASSERT_EQ(reread(id).Gento, 2);
    ASSERT_TRUE(core.store().exec("INSERT INTO txn (Id, Type, Amt, Txndate) VALUES (50, 'P', 1, '2024-01-01')"));
    core.settings().BalAt = D(2024, 9, 15);
    r = reread(id);
    EXPECT_EQ(GenerateInstances(core, r), 0);
    EXPECT_EQ(prompter.messages(), QStringList{"ERROR : No PSTG.DB row for last TXN.DB row - run DB check"});
    EXPECT_EQ(instanceNumbers(id), (std::vector<int>{1, 2}));
    EXPECT_EQ(reread(id).Gento, 2);
    EXPECT_TRUE(reread(id).RptActive);
}

TEST_F(RepeaterGeneration, FailurePartWayLeavesNothing) {
    RptrRec r = payment('M', 1, D(2024, 1, 15));
    r.Rmdays = 2;
    const int id = store(r);
    // The third insert into txn fails.
    ASSERT_TRUE(core.store().exec("CREATE TEMP TRIGGER failThird BEFORE INSERT ON txn.txn "
                                  "WHEN (SELECT count(*) FROM txn.txn) >= 2 "
                                  "BEGIN SELECT RAISE(ABORT, 'disk trouble'); END"));
    EXPECT_EQ(GenerateInstances(core, r), 0);
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM pstg WHERE Txnid > 0"), 0);
    EXPECT_EQ(count("SELECT count(*) FROM remdr"), 0);
    EXPECT_EQ(reread(id).Gento, 0);
    EXPECT_FALSE(core.store().inTransaction());
    EXPECT_FALSE(prompter.messages().isEmpty()); // the store's own message

    // The same failure inside GenerateAllRepeaters is reported as false and
    // spoils only that repeater.
    RptrRec other = payment('Y', 1, D(2024, 3, 1));
    other.Id = 2;
    store(other);
    EXPECT_FALSE(GenerateAllRepeaters(core));
    EXPECT_EQ(count("SELECT count(*) FROM txn"), 2); // the first repeater failed; the second made its two
    EXPECT_EQ(reread(id).Gento, 0);

    ASSERT_TRUE(core.store().exec("DROP TRIGGER failThird"));
    EXPECT_TRUE(GenerateAllRepeaters(core));
    EXPECT_EQ(instanceNumbers(id), (std::vector<int>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(count("SELECT count(*) FROM remdr"), 7);
}

TEST_F(RepeaterGeneration, InstanceReminder) {
    RptrRec r = payment('M', 1, D(2024, 3, 3));
    r.Rmdays = 5;
    core.settings().BalAt = D(2024, 3, 10);
    const int id = store(r);
    ASSERT_TRUE(core.store().exec("INSERT INTO remdr (Id, Txnid, Text, Rmdate, Tgdate) VALUES (40, 0, 'x', 0, 0)"));
    GenerateInstances(core, r);
    Query q(core.store(), "SELECT * FROM remdr WHERE Txnid > 0 ORDER BY Id");
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.integer("Id"), 41);
    EXPECT_EQ(q.integer("Txnid"), idOfInstance(id, 1));
    EXPECT_EQ(q.text("Text"), "Rent"); // a generated record carries no account names
    EXPECT_EQ(q.integer("Rmdate"), 20240227);
    EXPECT_EQ(q.integer("Tgdate"), 20240303);
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.integer("Rmdate"), 20240329);
    EXPECT_FALSE(q.next());

    // A record with names joins them with the narrative, leaving out empty parts.
    TxnRec t = TxnFromRepeater(r);
    t.Id = 77;
    t.Txndate = D(2024, 1, 2);
    t.Name2 = QStringLiteral("Shop");
    t.Name4.clear();
    ASSERT_TRUE(AddInstanceReminder(core, t));
    EXPECT_EQ(count("SELECT count(*) FROM remdr WHERE Txnid = 77 AND Text = 'Shop : Rent' AND Rmdate = 20231228"), 1);
}

TEST_F(RepeaterGeneration, GenerateForMasterAndZeroMaster) {
    RptrRec r = payment('M', 1, D(2024, 6, 20));
    const int id = store(r);
    TxnRec m = TxnFromRepeater(reread(id));
    int last = -1;
    ASSERT_TRUE(GenerateForMaster(core, m, last));
    EXPECT_EQ(last, idOfInstance(id, 2));
    ASSERT_TRUE(GenerateForMaster(core, m, last));
    EXPECT_EQ(last, 0); // nothing was due
    m.Masterid = 0;
    EXPECT_FALSE(GenerateForMaster(core, m, last));
    m.Masterid = 42;
    EXPECT_FALSE(GenerateForMaster(core, m, last));

    EXPECT_FALSE(RegenerateInstances(core, 0));
    EXPECT_EQ(prompter.messages(), QStringList{"Program error : Trying to gen insts for zero master"});
}

// The bound of a generation when the balance date lies more than a year
// ahead of today (2024-06-15): the monthly repeater from 2024-06-01 is made up
// to the first instance after the bound chosen.
struct LimitCase {
    const char* name;
    DateInt balAt;
    bool active;
    int choice;   // -1: not asked
    char confirm; // ' ': not asked
    const char* lastDate;
};

class RepeaterLimit : public RepeaterFixture, public ::testing::WithParamInterface<LimitCase> {};

TEST_P(RepeaterLimit, AsksOnlyWhenDistant) {
    const LimitCase& c = GetParam();
    RptrRec r = payment('M', 1, D(2024, 6, 1));
    r.RptActive = c.active;
    const int monthly = store(r);
    core.settings().BalAt = IntToCal(c.balAt);
    const QString at = IntToDateStr(c.balAt);
    if (c.choice >= 0)
        prompter.expectChoice("Balance date " + at + " is distant! Generate repeaters to ...", c.choice);
    if (c.confirm != ' ')
        prompter.expectQuestion("Generate repeaters all the way to " + at + " - are you sure?", c.confirm);
    ASSERT_TRUE(GenerateAllRepeaters(core));
    EXPECT_TRUE(prompter.allAnswered());
    // Asked, the bounds are shown first.
    EXPECT_EQ(prompter.messages(),
              c.choice < 0 ? QStringList() : QStringList{"g_balat = " + at + "; one year ahead = 2025-06-15"});
    const Dates dates = instanceDates(monthly);
    EXPECT_EQ(dates.empty() ? QString() : dates.back(), QString::fromLatin1(c.lastDate));
}

INSTANTIATE_TEST_SUITE_P(Bounds, RepeaterLimit,
                         ::testing::Values(LimitCase{"OneYearAhead", 20261231, true, 2, ' ', "2025-07-01"},
                                           LimitCase{"BalanceDateNotConfirmed", 20261231, true, 1, 'N', "2025-07-01"},
                                           LimitCase{"BalanceDateConfirmed", 20261231, true, 1, 'Y', "2027-01-01"},
                                           LimitCase{"CancelMeansToday", 20261231, true, 0, ' ', "2024-07-01"},
                                           LimitCase{"NoActiveRepeater", 20261231, false, -1, ' ', ""},
                                           // Exactly one year ahead is not distant.
                                           LimitCase{"OneYearIsNear", 20250615, true, -1, ' ', "2025-07-01"}),
                         [](const ::testing::TestParamInfo<LimitCase>& info) { return std::string(info.param.name); });

TEST_F(RepeaterGeneration, BalanceDateInThePastStaysTheBound) {
    RptrRec r = payment('D', 1, D(2024, 6, 1));
    const int daily = store(r);
    core.settings().BalAt = D(2024, 6, 3);
    ASSERT_TRUE(GenerateAllRepeaters(core));
    EXPECT_EQ(instanceDates(daily), (Dates{"2024-06-01", "2024-06-02", "2024-06-03", "2024-06-04"}));
    EXPECT_TRUE(prompter.messages().isEmpty());
}

} // namespace
