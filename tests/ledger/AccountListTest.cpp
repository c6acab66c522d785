// The account picker's list, its search walk and the account search lists.
#include "ledger/AccountList.h"
#include "LedgerFixture.h"

#include <QStringList>

namespace {

class AccountListTest : public LedgerFixture {
protected:
    DateInt cutoff() { return core.settings().DormantCutoff; }

    // An object with the list columns set directly.
    int obj(int kind, const QString& name, DateInt last, DateInt closed = kNotClosed, bool fav = false,
            int accwith = 0) {
        const int id = addObj(kind, name);
        Query q(core.store(), QStringLiteral("UPDATE obj SET LastPstgDate = :l, CloseDate = :c, Fav = :f, "
                                             "AccWith = :a WHERE Id = :id"));
        q.bind("l", last).bind("c", closed).bind("f", fav).bind("a", accwith).bind("id", id);
        EXPECT_TRUE(q.exec());
        return id;
    }

    QStringList names(int kind, AccFilter f) {
        QStringList out;
        for (const AccListRow& r : LoadAccList(core, kind, f))
            out << r.Name;
        return out;
    }
};

TEST_F(AccountListTest, EachFilterListsItsObjectsAndTheCutoffDayIsRecentButShownDormant) {
    const DateInt edge = cutoff();
    obj(otPot, "Fav", 0, kNotClosed, true);
    obj(otPot, "Never", 0);
    obj(otPot, "Edge", edge);
    obj(otPot, "Old", edge - 1);
    obj(otPot, "Shut", 20240101, 20240301);
    obj(otCtgy, "Other kind", 0, kNotClosed, true);

    EXPECT_EQ(names(otPot, AccFilter::Favorites), QStringList({"Fav"}));
    EXPECT_EQ(names(otPot, AccFilter::Recent), QStringList({"Edge", "Fav", "Never"}));
    EXPECT_EQ(names(otPot, AccFilter::Dormant), QStringList({"Old"}));
    EXPECT_EQ(names(otPot, AccFilter::Closed), QStringList({"Shut"}));
    EXPECT_EQ(names(otPot, AccFilter::All).size(), 5);

    for (const AccListRow& r : LoadAccList(core, otPot, AccFilter::All)) {
        const QString expected = r.Name == "Fav"                       ? "favorite"
                                 : r.Name == "Shut"                    ? "closed"
                                 : r.Name == "Edge" || r.Name == "Old" ? "dormant"
                                                                       : "";
        EXPECT_EQ(r.dormant2, expected) << r.Name.toStdString();
    }
}

TEST_F(AccountListTest, ExternalAccountsSortByHolderThenOwnNameAndTheSearchStillFindsOwnNames) {
    const int bank = obj(otCpty, "Bank", 0);
    const int banka = obj(otCpty, "Banka", 0);
    obj(otExtAcc, "Zed", 0, kNotClosed, false, bank);
    obj(otExtAcc, "Alpha", 0, kNotClosed, false, banka);
    obj(otExtAcc, "Cash", 0);
    obj(otExtAcc, "Savings", 0, kNotClosed, false, bank);
    EXPECT_EQ(names(otExtAcc, AccFilter::All), QStringList({"Cash", "Savings", "Zed", "Alpha"}));

    const auto rows = LoadAccList(core, otExtAcc, AccFilter::All);
    const AccSearchHit hit = SearchAccList(rows, otExtAcc, "SAV");
    EXPECT_TRUE(hit.found);
    EXPECT_EQ(rows[std::size_t(hit.row)].Name, "Savings");
    EXPECT_TRUE(SearchAccList(rows, otExtAcc, "alp").found);
    EXPECT_FALSE(SearchAccList(rows, otExtAcc, "bank").found);
}

TEST_F(AccountListTest, SearchStopsAtMatchOrFirstGreaterNameAndEmptyTextIsFoundAtTop) {
    obj(otCtgy, "Books", 0);
    obj(otCtgy, "Food", 0);
    obj(otCtgy, "Fuel", 0);
    const auto rows = LoadAccList(core, otCtgy, AccFilter::All);
    AccSearchHit h = SearchAccList(rows, otCtgy, "fu");
    EXPECT_TRUE(h.found);
    EXPECT_EQ(h.row, 2);
    h = SearchAccList(rows, otCtgy, "c");
    EXPECT_FALSE(h.found);
    EXPECT_EQ(h.row, 1); // Food sorts after "c"
    h = SearchAccList(rows, otCtgy, "zz");
    EXPECT_FALSE(h.found);
    EXPECT_EQ(h.row, 2);
    h = SearchAccList(rows, otCtgy, "");
    EXPECT_TRUE(h.found);
    EXPECT_EQ(h.row, 0);
}

TEST_F(AccountListTest, SearchWidensStepByStepToClosedAndStopsThere) {
    obj(otCtgy, "Apples", 0, kNotClosed, true);
    obj(otCtgy, "Old rent", cutoff() - 10);
    const int gone = obj(otCtgy, "Gone", 20240101, 20240201);

    AccFilter f = AccFilter::Favorites;
    auto rows = LoadAccList(core, otCtgy, f);
    int row = -1;
    EXPECT_TRUE(SearchWidening(core, otCtgy, f, rows, "gon", row));
    EXPECT_EQ(f, AccFilter::Closed);
    EXPECT_EQ(rows[std::size_t(row)].Id, gone);

    f = AccFilter::Favorites;
    rows = LoadAccList(core, otCtgy, f);
    EXPECT_TRUE(SearchWidening(core, otCtgy, f, rows, "old", row));
    EXPECT_EQ(f, AccFilter::Dormant);

    f = AccFilter::All;
    rows = LoadAccList(core, otCtgy, f);
    EXPECT_FALSE(SearchWidening(core, otCtgy, f, rows, "xyz", row));
    EXPECT_EQ(f, AccFilter::All);
    EXPECT_EQ(row, 2); // ran off the end: the last row

    EXPECT_EQ(LocateAccRow(rows, gone), 1);
    EXPECT_EQ(LocateAccRow(rows, 999), 0);
}

TEST_F(AccountListTest, FindAccountsMatchRulesAndPages) {
    const DateInt edge = cutoff();
    obj(otCpty, "shop b", edge + 1);
    obj(otCpty, "Shop A", 0); // never posted, opened after the cut-off (below)
    obj(otCpty, "Shopworn", edge);
    obj(otCpty, "Old Shop", 20240101, 20240301);
    EXPECT_TRUE(core.store().exec(QStringLiteral("UPDATE obj SET OpenDate = 20240101 WHERE Name = 'Shop A'")));

    FoundAccounts f = FindAccounts(core, otCpty, "SHOP", NameMatch::StartsWith);
    ASSERT_EQ(f.actives.size(), 2u);
    EXPECT_EQ(f.actives[0].text, "Shop A");
    EXPECT_EQ(f.actives[1].text, "shop b");
    ASSERT_EQ(f.dormants.size(), 1u);
    EXPECT_EQ(f.dormants[0].text, "Shopworn");
    EXPECT_TRUE(f.closed.empty());

    f = FindAccounts(core, otCpty, "shop", NameMatch::Contains);
    ASSERT_EQ(f.closed.size(), 1u);
    EXPECT_EQ(f.closed[0].text, "Old Shop");

    f = FindAccounts(core, otCpty, "SHOP B", NameMatch::Exact);
    EXPECT_EQ(f.actives.size() + f.dormants.size() + f.closed.size(), 1u);
    f = FindAccounts(core, otCpty, "shop", NameMatch::Exact);
    EXPECT_EQ(f.actives.size() + f.dormants.size() + f.closed.size(), 0u);
}

TEST_F(AccountListTest, NameNotesSearchMarksMatchesAndListsKindAndGroups) {
    const int bank = obj(otCpty, "Northern Bank", 0);
    const int acc = obj(otExtAcc, "Current", 0, kNotClosed, false, bank);
    const int grp = addObj(otExtGrp, "Current accounts");
    const int noted = obj(otExtAcc, "Spare", 0);
    obj(otExtAcc, "Cash", 0);
    EXPECT_TRUE(core.store().exec(
        QStringLiteral("UPDATE obj SET Note = 'first line' || char(10) || 'see CURRENT deal' WHERE Id = %1")
            .arg(noted)));

    const QDateTime ts(QDate(2024, 6, 15), QTime(10, 11, 12, 345));
    EXPECT_EQ(MarkNameNotesMatches(core, "current", ts), 3);
    const auto rows = LoadNameNotesResults(core, otExtAcc, ts);
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].Id, acc);
    EXPECT_EQ(rows[0].dpname, "Northern Bank : Current");
    EXPECT_EQ(rows[1].Id, noted);
    EXPECT_EQ(rows[2].Id, grp);
    EXPECT_EQ(rows[2].kindText, "external group");

    // A counterparty's AccWith is its credit account, not a provider.
    EXPECT_TRUE(core.store().exec(QStringLiteral("UPDATE obj SET AccWith = %1 WHERE Id = %2").arg(acc).arg(bank)));
    EXPECT_EQ(MarkNameNotesMatches(core, "northern", ts), 1);
    EXPECT_EQ(LoadNameNotesResults(core, otCpty, ts).at(0).dpname, "Northern Bank");

    // A later search does not list the earlier one's objects.
    const QDateTime later = ts.addSecs(1);
    EXPECT_EQ(MarkNameNotesMatches(core, "cash", later), 1);
    EXPECT_EQ(LoadNameNotesResults(core, otExtAcc, later).size(), 1u);
}

} // namespace
