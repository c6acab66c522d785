// Transaction search: what each mode finds, the text match in any letter
// case with fresh markers, the journal's dates, and where Refresh and Jump
// land.
#include "ledger/TxnSearch.h"
#include "LedgerFixture.h"

class TxnSearchTest : public LedgerFixture {
protected:
    int bank = 0, shop = 0, food = 0, groceries = 0, fuel = 0;

    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otPot, QStringLiteral("Food"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
        fuel = addObj(otCtgy, QStringLiteral("Fuel"));
    }

    int pay(Amount amt, const CalDate& d, const QString& narrative, const QString& ref = QString(), int ctgy = 0) {
        TxnRec t = txnOf('P', amt, d, bank, shop, food, ctgy ? ctgy : groceries);
        t.Narrative = narrative;
        t.Ref = ref;
        EXPECT_TRUE(addWithPostings(t));
        return t.Id;
    }

    std::vector<int> ids(SearchMode mode, const QString& text = QString()) {
        SearchRequest req;
        req.mode = mode;
        req.text = text;
        std::vector<SearchRow> rows;
        RunSearch(core, req, rows);
        std::vector<int> out;
        for (const SearchRow& r : rows)
            out.push_back(r.Id);
        return out;
    }
};

TEST_F(TxnSearchTest, TextMatchesInAnyCaseAndOnlyThisSearchsRows) {
    const int a = pay(100, D(2024, 3, 1), QStringLiteral("GAS BILL"));
    const int b = pay(200, D(2024, 2, 1), QStringLiteral("rent"), QStringLiteral("Gas-Co"));
    const int c = pay(300, D(2024, 2, 1), QStringLiteral("Ολα ΣΟΥΠΕΡ"));
    pay(400, D(2024, 2, 2), QStringLiteral("groceries"));
    EXPECT_EQ(ids(SearchMode::Text, QStringLiteral("gas")), (std::vector<int>{b, a}));
    EXPECT_EQ(ids(SearchMode::Text, QStringLiteral("GaS")), (std::vector<int>{b, a}));
    EXPECT_EQ(ids(SearchMode::Text, QStringLiteral("σουπερ")), (std::vector<int>{c}));
    // Rows marked by earlier searches are not listed again.
    EXPECT_TRUE(ids(SearchMode::Text, QStringLiteral("nothing like it")).empty());
    EXPECT_TRUE(prompter.messages().isEmpty());
    EXPECT_EQ(prompter.lastStatus(), QString()); // "Searching ..." cleared
}

TEST_F(TxnSearchTest, ModesAndTheirRefusals) {
    const int zero = pay(0, D(2024, 1, 5), QStringLiteral("free"));
    const int ten = pay(1000, D(2024, 1, 6), QStringLiteral("ten"));
    const int fuelled = pay(1000, D(2024, 1, 7), QStringLiteral("fuel"), QString(), fuel);
    TxnRec cancelled;
    ASSERT_TRUE(ReadTxn(core, ten, cancelled));
    cancelled.Cancelled = true;
    ASSERT_TRUE(AmendTxn(core, cancelled));

    EXPECT_EQ(ids(SearchMode::Amount, QStringLiteral("0")), (std::vector<int>{zero}));
    EXPECT_EQ(ids(SearchMode::Amount, QStringLiteral("10.00")), (std::vector<int>{ten, fuelled}));
    EXPECT_EQ(ids(SearchMode::TxnId, QString::number(fuelled)), (std::vector<int>{fuelled}));
    EXPECT_EQ(ids(SearchMode::Cancelled), (std::vector<int>{ten}));

    SearchRequest req;
    req.mode = SearchMode::CptyCategory;
    req.cptyId = shop;
    req.ctgyId = fuel;
    req.text = QStringLiteral("%1 / %2").arg(shop).arg(fuel);
    std::vector<SearchRow> rows;
    ASSERT_TRUE(RunSearch(core, req, rows));
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Id, fuelled);

    req = SearchRequest{};
    req.mode = SearchMode::Cancelled;
    ASSERT_TRUE(RunSearch(core, req, rows));
    EXPECT_EQ(rows[0].Description, QStringLiteral("Cancelled - ten"));
    EXPECT_EQ(rows[0].Account1, QStringLiteral("Bank"));
    EXPECT_EQ(rows[0].AmountText, QStringLiteral("10.00"));

    EXPECT_TRUE(ids(SearchMode::Amount, QStringLiteral(" ")).empty());
    EXPECT_TRUE(ids(SearchMode::Amount, QStringLiteral("1.2.3")).empty());
    EXPECT_TRUE(ids(SearchMode::TxnId, QStringLiteral("12a")).empty());
    EXPECT_TRUE(ids(SearchMode::Instances, QStringLiteral("99999999999")).empty());
    EXPECT_EQ(prompter.messages(),
              (QStringList{"Amount/id/text missing", "Invalid amount", "Invalid txn id", "Invalid txn id"}));
    EXPECT_EQ(prompter.BusyDepth(), 0);
}

TEST_F(TxnSearchTest, JournalShowsEachDateOnceWithinThePeriod) {
    pay(100, D(2023, 12, 31), QStringLiteral("before"));
    const int a = pay(100, D(2024, 2, 1), QStringLiteral("a"));
    const int b = pay(100, D(2024, 2, 1), QStringLiteral("b"));
    const int c = pay(100, D(2024, 3, 1), QStringLiteral("c"));
    pay(100, D(2024, 7, 1), QStringLiteral("after"));
    SearchRequest req;
    req.mode = SearchMode::Journal;
    std::vector<SearchRow> rows;
    ASSERT_TRUE(RunSearch(core, req, rows));
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Id, a);
    EXPECT_EQ(rows[0].DateText, CalToDateStrDay(WithDayOfWeek(D(2024, 2, 1))));
    EXPECT_EQ(rows[1].Id, b);
    EXPECT_TRUE(rows[1].DateText.isEmpty());
    EXPECT_EQ(rows[2].Id, c);
    EXPECT_FALSE(rows[2].DateText.isEmpty());
    EXPECT_EQ(SearchCaption(req), QStringLiteral("Transaction search results  :  Journal (within Period)"));

    EXPECT_EQ(JumpSearchRow(rows, D(2024, 2, 1)), 0);
    EXPECT_EQ(JumpSearchRow(rows, D(2024, 2, 2)), 2);
    EXPECT_EQ(JumpSearchRow(rows, D(2024, 5, 1)), 2); // past the end: the last row
    EXPECT_EQ(JumpSearchRow({}, D(2024, 5, 1)), -1);

    // Refresh finds a row by its Id, else by its Masterid.
    rows[2].Id = 77;
    rows[2].Masterid = 12;
    EXPECT_EQ(LocateSearchRow(rows, 12), 2);
    EXPECT_EQ(LocateSearchRow(rows, 13), -1);
}

// The journal skips the date walk when nothing changed since it last ran: a
// payment added earlier on a date already listed, a date amended and a
// transaction deleted must each still move the date to the right row.
TEST_F(TxnSearchTest, JournalDatesFollowChangesMadeAfterItRan) {
    const int a = pay(100, D(2024, 2, 1), QStringLiteral("a"));
    const int b = pay(100, D(2024, 3, 1), QStringLiteral("b"));
    auto shown = [this] {
        SearchRequest req;
        req.mode = SearchMode::Journal;
        std::vector<SearchRow> rows;
        EXPECT_TRUE(RunSearch(core, req, rows));
        std::vector<std::pair<int, bool>> out;
        for (const SearchRow& r : rows)
            out.emplace_back(r.Id, !r.DateText.isEmpty());
        return out;
    };
    EXPECT_EQ(shown(), (std::vector<std::pair<int, bool>>{{a, true}, {b, true}}));
    const int c = pay(100, D(2024, 2, 1), QStringLiteral("c")); // later id, same date: no date
    EXPECT_EQ(shown(), (std::vector<std::pair<int, bool>>{{a, true}, {c, false}, {b, true}}));

    TxnRec moved;
    ASSERT_TRUE(ReadTxn(core, a, moved));
    moved.Txndate = D(2024, 3, 1);
    ASSERT_TRUE(AmendTxn(core, moved));
    EXPECT_EQ(shown(), (std::vector<std::pair<int, bool>>{{c, true}, {a, true}, {b, false}}));

    ASSERT_TRUE(DeleteTxnById(core, a));
    EXPECT_EQ(shown(), (std::vector<std::pair<int, bool>>{{c, true}, {b, true}}));
    EXPECT_TRUE(prompter.messages().isEmpty());
}
