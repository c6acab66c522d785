// The monthly analysis: month starts anchored on the start day, rolling and
// yearly totals, group totals up the chain, the grid's columns and TOTALS.
#include "ledger/Analysis.h"
#include "LedgerFixture.h"

class AnalysisTest : public LedgerFixture {
protected:
    int bank = 0, shop = 0, food = 0, house = 0, rent = 0, repairs = 0, fuel = 0;

    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otPot, QStringLiteral("Food"));
        house = addObj(otCtgyGrp, QStringLiteral("House"));
        rent = addObj(otCtgy, QStringLiteral("Rent"), house);
        repairs = addObj(otCtgy, QStringLiteral("Repairs"), house);
        fuel = addObj(otCtgy, QStringLiteral("Fuel"));
    }

    void pay(Amount amt, const CalDate& d, int ctgy) {
        TxnRec t = txnOf('P', amt, d, bank, shop, food, ctgy);
        ASSERT_TRUE(addWithPostings(t));
    }

    AnalysisGrid grid(AnalysisMode mode, const CalDate& end, const QDateTime& stamp, bool paths = false) {
        AnalysisGrid g;
        EXPECT_TRUE(BuildAnalysisGrid(core, mode, otCtgy, AnalysisStart(end), end, end, stamp, paths, g));
        return g;
    }

    static const AnalysisRow* rowNamed(const AnalysisGrid& g, const QString& name) {
        for (const AnalysisRow& r : g.rows)
            if (r.cells[0] == name)
                return &r;
        return nullptr;
    }
};

TEST_F(AnalysisTest, MonthsAreAnchoredOnTheStartDay) {
    EXPECT_EQ(CalToDateStr(AnalysisStart(D(2024, 3, 31))), QStringLiteral("2023-04-01"));
    EXPECT_EQ(CalToDateStr(AnalysisStart(D(2024, 2, 29))), QStringLiteral("2023-03-01"));
    EXPECT_EQ(CalToDateStr(AnalysisMonthStart(D(2023, 4, 10), 16)), QStringLiteral("2023-03-16"));
    EXPECT_EQ(CalToDateStr(AnalysisMonthStart(D(2023, 4, 16), 16)), QStringLiteral("2023-04-16"));
    EXPECT_EQ(CalToDateStr(AnalysisMonthStart(D(2024, 1, 3), 16)), QStringLiteral("2023-12-16"));
    EXPECT_EQ(CalToDateStr(AnalysisYearEnd(D(2023, 5, 1), D(2024, 3, 31))), QStringLiteral("2024-03-31"));
    EXPECT_EQ(CalToDateStr(AnalysisYearEnd(D(2023, 2, 1), D(2024, 3, 31))), QStringLiteral("2023-03-31"));

    pay(1000, D(2023, 4, 10), fuel);
    ASSERT_TRUE(RebuildMonthly(core, D(2024, 3, 15), otCtgy));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Ddate FROM mthly WHERE MorY = 'M' AND AccId = %1").arg(fuel)), 20230316);
    const QDateTime stamp = StampAnalysisMembers(core, 0, otCtgy);
    const AnalysisGrid g = grid(AnalysisMode::MonthOnMonth, D(2024, 3, 15), stamp);
    ASSERT_EQ(g.headings.size(), 15);
    EXPECT_EQ(g.headings[2], QStringLiteral("2023-03-16"));
    EXPECT_EQ(g.headings[13], QStringLiteral("2024-02-16"));
    EXPECT_EQ(g.headings[14], QStringLiteral("TOTALS"));
    const AnalysisRow* r = rowNamed(g, QStringLiteral("Fuel"));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->cells[2], QStringLiteral("-10.00")); // a payment lowers the category
}

TEST_F(AnalysisTest, RollingYearlyAndGroupTotals) {
    pay(1000, D(2023, 5, 20), rent);
    pay(2500, D(2023, 4, 15), repairs);
    pay(700, D(2024, 3, 2), fuel);
    pay(999, D(2022, 1, 1), fuel); // before the analysis: counted, not shown
    ASSERT_TRUE(RebuildMonthly(core, D(2024, 3, 31), otCtgy));
    // A month's total reaches the twelve rolling rows from its month on.
    EXPECT_EQ(scalar(QStringLiteral("SELECT COUNT(*) FROM mthly WHERE MorY = 'R' AND AccId = %1").arg(rent)), 12);
    EXPECT_EQ(scalar(QStringLiteral("SELECT MIN(Ddate) FROM mthly WHERE MorY = 'R' AND AccId = %1").arg(rent)),
              20230501);
    EXPECT_EQ(scalar(QStringLiteral("SELECT MAX(Ddate) FROM mthly WHERE MorY = 'R' AND AccId = %1").arg(rent)),
              20240401);
    EXPECT_EQ(scalar(QStringLiteral("SELECT Amt FROM mthly WHERE MorY = 'Y' AND AccId = %1").arg(house)), -3500);

    const QDateTime top = StampAnalysisMembers(core, 0, otCtgy);
    AnalysisGrid m = grid(AnalysisMode::MonthOnMonth, D(2024, 3, 31), top);
    ASSERT_EQ(m.rows.size(), 3u); // Fuel, House, TOTALS
    EXPECT_EQ(m.headings[2], QStringLiteral("2023-04-01"));
    EXPECT_EQ(m.headings[13], QStringLiteral("2024-03-01"));
    const AnalysisRow* houseRow = rowNamed(m, QStringLiteral("House"));
    ASSERT_NE(houseRow, nullptr);
    EXPECT_EQ(houseRow->cells[1], QStringLiteral("GROUP"));
    EXPECT_EQ(houseRow->cells[2], QStringLiteral("-25.00"));
    EXPECT_EQ(houseRow->cells[3], QStringLiteral("-10.00"));
    EXPECT_EQ(houseRow->cells[14], QStringLiteral("-35.00"));
    const AnalysisRow& totals = m.rows.back();
    EXPECT_EQ(totals.cells[0], QStringLiteral("TOTALS"));
    EXPECT_EQ(totals.cells[13], QStringLiteral("-7.00"));
    EXPECT_EQ(totals.cells[14], QStringLiteral("-42.00"));
    EXPECT_TRUE(prompter.messages().isEmpty());

    AnalysisGrid y = grid(AnalysisMode::YearOnMonth, D(2024, 3, 31), top);
    const AnalysisRow* rolling = rowNamed(y, QStringLiteral("House"));
    ASSERT_NE(rolling, nullptr);
    EXPECT_EQ(rolling->cells[2], QStringLiteral("-25.00")); // April: repairs only
    for (int c = 3; c <= 13; ++c)
        EXPECT_EQ(rolling->cells[c], QStringLiteral("-35.00")) << c;

    AnalysisGrid yy = grid(AnalysisMode::YearOnYear, D(2024, 3, 31), top);
    ASSERT_EQ(yy.headings.size(), 5);
    EXPECT_EQ(yy.headings[4], QStringLiteral("2024-03-31"));
    EXPECT_EQ(rowNamed(yy, QStringLiteral("Fuel"))->cells[4], QStringLiteral("-7.00"));
    EXPECT_EQ(rowNamed(yy, QStringLiteral("Fuel"))->cells[2], QStringLiteral("-9.99"));

    SortAnalysisRows(m, true);
    EXPECT_EQ(m.rows[0].cells[0], QStringLiteral("House")); // -35.00 before -7.00
    EXPECT_EQ(m.rows.back().cells[0], QStringLiteral("TOTALS"));
    SortAnalysisRows(m, false);
    EXPECT_EQ(m.rows[0].cells[0], QStringLiteral("Fuel"));
}

TEST_F(AnalysisTest, TotalsBeyondOneAmountAreExact) {
    std::int64_t v = 0;
    EXPECT_EQ(FormatTotalSigned(429496729600LL), QStringLiteral("+4,294,967,296.00"));
    EXPECT_EQ(FormatTotalSigned(-5), QStringLiteral("-0.05"));
    EXPECT_EQ(FormatTotalSigned(0), QStringLiteral("0.00"));
    ASSERT_TRUE(ParseTotal(QStringLiteral("+4,294,967,296.00"), v));
    EXPECT_EQ(v, 429496729600LL);
    ASSERT_TRUE(ParseTotal(QStringLiteral("-0.05"), v));
    EXPECT_EQ(v, -5);
    EXPECT_FALSE(ParseTotal(QString(), v));
    EXPECT_FALSE(ParseTotal(QStringLiteral("GROUP"), v));

    // Two postings of nearly the largest amount add up past it, exactly.
    pay(2147483647, D(2024, 1, 5), fuel);
    pay(2147483647, D(2024, 1, 6), fuel);
    ASSERT_TRUE(RebuildMonthly(core, D(2024, 3, 31), otCtgy));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Amt FROM mthly WHERE MorY = 'Y' AND AccId = %1").arg(fuel)),
              -2LL * 2147483647);
}
