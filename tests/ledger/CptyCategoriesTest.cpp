// The categories linked to a counterparty: the three lists, hiding, and
// making one category the default.
#include "LedgerFixture.h"

#include "ledger/Closing.h"
#include "ledger/CptyCategories.h"

namespace {

class CptyCategories : public LedgerFixture {
protected:
    int shop = 0, food = 0, drink = 0, garden = 0, old = 0;

    void SetUp() override {
        LedgerFixture::SetUp();
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otCtgy, QStringLiteral("food"));
        drink = addObj(otCtgy, QStringLiteral("Drink"));
        garden = addObj(otCtgy, QStringLiteral("Garden"));
        old = addObj(otCtgy, QStringLiteral("Old"));
        ObjRec o;
        ASSERT_TRUE(ReadObj(core, old, o));
        o.CloseDate = D(2023, 12, 31);
        ASSERT_TRUE(WriteObj(core, o));
        for (int c : {food, drink, garden, old})
            ASSERT_TRUE(EnsureCptyCategory(core, shop, c, 'P'));
        ASSERT_TRUE(EnsureCptyCategory(core, shop, garden, 'S'));
        ASSERT_TRUE(SetCptyLinkHidden(core, shop, old, 'P', true));
    }

    static std::vector<int> ids(const std::vector<IdTextRow>& rows) {
        std::vector<int> out;
        for (const IdTextRow& r : rows)
            out.push_back(r.id);
        return out;
    }
};

TEST_F(CptyCategories, ListsSortByNameAndClosedGoesUnderClosedWhateverItsHiddenFlag) {
    CptyCategoryLists l = LoadCptyCategories(core, shop, 'P');
    EXPECT_EQ(ids(l.preferred), (std::vector<int>{drink, food, garden})) << "sorted without regard to case";
    EXPECT_TRUE(l.hidden.empty());
    EXPECT_EQ(ids(l.closed), std::vector<int>{old});
    EXPECT_EQ(l.singlePreferred(), 0);

    // The other direction of the same counterparty.
    l = LoadCptyCategories(core, shop, 'S');
    EXPECT_EQ(ids(l.preferred), std::vector<int>{garden});
    EXPECT_EQ(l.singlePreferred(), garden);

    ASSERT_TRUE(SetCptyLinkHidden(core, shop, drink, 'P', true));
    l = LoadCptyCategories(core, shop, 'P');
    EXPECT_EQ(ids(l.hidden), std::vector<int>{drink});
    EXPECT_EQ(LoadCptyCategories(core, shop, 'S').preferred.size(), 1u) << "hiding one direction leaves the other";
    ASSERT_TRUE(SetCptyLinkHidden(core, shop, drink, 'P', false));
    EXPECT_EQ(LoadCptyCategories(core, shop, 'P').preferred.size(), 3u);
}

TEST_F(CptyCategories, SetAsDefaultHidesTheOthersSoTheChoiceBecomesAutomatic) {
    prompter.expectQuestion(QStringLiteral("Set Category as default for this Counterparty - OK?"), 'N');
    EXPECT_FALSE(SetDefaultCategory(core, shop, food, 'P'));
    EXPECT_EQ(LoadCptyCategories(core, shop, 'P').preferred.size(), 3u);

    ASSERT_TRUE(SetCptyLinkHidden(core, shop, old, 'P', false)); // a closed link, not hidden
    prompter.expectQuestion(QStringLiteral("Set Category as default for this Counterparty - OK?"), 'Y');
    ASSERT_TRUE(SetDefaultCategory(core, shop, food, 'P'));
    const CptyCategoryLists l = LoadCptyCategories(core, shop, 'P');
    EXPECT_EQ(l.singlePreferred(), food);
    EXPECT_EQ(ids(l.hidden), (std::vector<int>{drink, garden}));
    EXPECT_EQ(scalar(QStringLiteral("SELECT Hidden FROM cptypot WHERE Potid = %1").arg(old)), 1);
    EXPECT_EQ(LoadCptyCategories(core, shop, 'S').singlePreferred(), garden) << "the sale direction is untouched";
}

TEST_F(CptyCategories, HideAllKeepsTheLastPreferred) {
    prompter.expectQuestion(QStringLiteral("Hide all - OK ?"), 'Y');
    ASSERT_TRUE(HideAllButLast(core, shop, 'P'));
    EXPECT_EQ(LoadCptyCategories(core, shop, 'P').singlePreferred(), garden);
}

} // namespace
