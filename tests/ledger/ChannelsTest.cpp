// Channels: listing per account, numbering and the delete refusal.
#include "LedgerFixture.h"

#include "ledger/Channels.h"

namespace {

class Channels : public LedgerFixture {
protected:
    int addChannel(int acc, const QString& name) {
        ChannelRow row;
        row.AccId = acc;
        row.ChName = name;
        EXPECT_TRUE(WriteChannel(core, row));
        return row.Chnum;
    }
};

TEST_F(Channels, ListedPerAccountWithTheDefaultLast) {
    const int a = addObj(otExtAcc, QStringLiteral("Current"));
    const int b = addObj(otExtAcc, QStringLiteral("Savings"));
    const int so = addChannel(a, QStringLiteral("Standing Order"));
    const int other = addChannel(b, QStringLiteral("Standing Order"));
    const int card = addChannel(a, QStringLiteral("Debit card with a very long name"));
    EXPECT_EQ(so, 1);
    EXPECT_EQ(other, 2);
    std::vector<IdTextRow> list{{99, QStringLiteral("stale")}};
    EXPECT_EQ(ListChannels(core, a, list), 2);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, so);
    EXPECT_EQ(list[1].id, card);
    EXPECT_EQ(list[1].text, QStringLiteral("Debit card with a ve"));
    ListChannelsWithDefault(core, b, list);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0].id, other);
    EXPECT_EQ(list[1].id, 0);
    EXPECT_EQ(list[1].text, QStringLiteral("<default channel>"));

    ChannelRec rec{7, QStringLiteral("kept"), 3};
    EXPECT_FALSE(ReadChannel(core, 42, rec));
    EXPECT_EQ(rec.ChName, QStringLiteral("kept"));
    EXPECT_TRUE(ReadChannel(core, other, rec));
    EXPECT_EQ(rec.AccId, b);
}

TEST_F(Channels, AChannelInUseByATransactionCannotBeDeleted) {
    const int acc = addObj(otExtAcc, QStringLiteral("Current"));
    const int shop = addObj(otCpty, QStringLiteral("Shop"));
    const int used = addChannel(acc, QStringLiteral("Card"));
    const int unused = addChannel(acc, QStringLiteral("Cheque"));
    TxnRec t = txnOf('P', 1234, D(2024, 3, 1), acc, shop);
    t.chnum = used;
    ASSERT_TRUE(addWithPostings(t));

    prompter.expectQuestion(QStringLiteral("Delete channel?"), 'Y');
    EXPECT_FALSE(DeleteChannel(core, used));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Channel has transaction(s) - cannot delete")});
    prompter.expectQuestion(QStringLiteral("Delete channel?"), 'N');
    EXPECT_FALSE(DeleteChannel(core, unused));
    prompter.expectQuestion(QStringLiteral("Delete channel?"), 'Y');
    EXPECT_TRUE(DeleteChannel(core, unused));
    std::vector<IdTextRow> list;
    EXPECT_EQ(ListChannels(core, acc, list), 1);
    EXPECT_EQ(list[0].id, used);
}

} // namespace
