// The transaction display's texts and row order.
#include "LedgerFixture.h"

#include "ledger/Repeaters.h"
#include "ledger/TxnDisplay.h"

namespace {

class TxnDisplayTexts : public LedgerFixture {
protected:
    int bank = 0, card = 0, shop = 0, food = 0, fun = 0, groceries = 0;
    std::array<QString, 4> none;

    void SetUp() override {
        LedgerFixture::SetUp();
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        card = addObj(otExtAcc, QStringLiteral("Card"));
        shop = addObj(otCpty, QStringLiteral("Shop & Co"));
        food = addObj(otPot, QStringLiteral("Food"));
        fun = addObj(otPot, QStringLiteral("Fun"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
    }
};

TEST_F(TxnDisplayTexts, OrdinaryPaymentShowsCategoryAboveItsPot) {
    TxnRec t = txnOf('P', 123456, D(2024, 6, 3), bank, shop, food, groceries);
    t.Id = 9;
    t.Date2 = t.Txndate;
    t.Cancelled = true;
    t.Ref = QStringLiteral("chq 1");
    t.ChName = QStringLiteral("Online ");
    const TxnDisplay d = DescribeTxn(core, t, none);
    EXPECT_EQ(d.caption, QStringLiteral("Transaction details"));
    EXPECT_EQ(d.idCaption, QStringLiteral("Txn id "));
    EXPECT_EQ(d.idText, QStringLiteral("9"));
    EXPECT_EQ(d.txnDate, QStringLiteral("2024-06-03  Mon"));
    EXPECT_TRUE(d.pstgDate.isEmpty()) << "same posting date shows nothing";
    EXPECT_EQ(d.amount, QStringLiteral("1,234.56   cancelled"));
    EXPECT_EQ(d.channel, QStringLiteral("Online chq 1"));
    EXPECT_EQ(d.rowLabel,
              (std::array<QString, 4>{QStringLiteral("External Account (FROM)"), QStringLiteral("Counterparty (TO)"),
                                      QStringLiteral("Category "), QStringLiteral("Internal Account (FROM)")}));
    EXPECT_EQ(d.rowName, (std::array<QString, 4>{"Bank", "Shop & Co", "Groceries", "Food"}));
    EXPECT_TRUE(d.editEnabled);
    EXPECT_TRUE(d.repeatEnabled);
    EXPECT_FALSE(d.repeatVisible);
    EXPECT_FALSE(d.instancesEnabled);

    t.Date2 = D(2024, 6, 5);
    t.Cancelled = false;
    EXPECT_EQ(DescribeTxn(core, t, none).pstgDate, QStringLiteral("2024-06-05"));
    EXPECT_EQ(DescribeTxn(core, t, none).amount, QStringLiteral("1,234.56"));
    t.Id = 0;
    EXPECT_FALSE(DescribeTxn(core, t, none).repeatEnabled);
    EXPECT_FALSE(DescribeTxn(core, t, none).editEnabled);
}

TEST_F(TxnDisplayTexts, TransferShowsPotFromThenPotToAndUnknownTypesKeepLabels) {
    TxnRec t = txnOf('C', 100, D(2024, 6, 3), bank, card, food, fun);
    t.Id = 5;
    const TxnDisplay d = DescribeTxn(core, t, none);
    EXPECT_EQ(d.rowName, (std::array<QString, 4>{"Bank", "Card", "Food", "Fun"}));
    EXPECT_EQ(d.rowLabel[2], QStringLiteral("Internal Account (FROM)"));
    EXPECT_EQ(d.rowLabel[3], QStringLiteral("Internal Account (TO)"));

    t.Type = 'Z';
    const TxnDisplay z = DescribeTxn(core, t, d.rowLabel);
    EXPECT_EQ(z.typeName, QStringLiteral("Reconciled Balance"));
    EXPECT_EQ(z.rowLabel, (std::array<QString, 4>{d.rowLabel[0], d.rowLabel[1], QString(), d.rowLabel[3]}));
}

TEST_F(TxnDisplayTexts, InstancesAndMastersShowTheirRepeatGroup) {
    TxnRec t = txnOf('R', 500, D(2024, 6, 3), bank, shop, food, groceries);
    t.Id = 123;
    t.Masterid = 45;
    t.Instance = 6;
    t.Role = roleInstance;
    t.Rpt.Freq = 'W';
    t.Rpt.Rptinc = 2;
    t.Rpt.StartDate = D(2024, 1, 1);
    t.Rpt.Gento = 3;
    t.Rpt.RptActive = true;
    TxnDisplay d = DescribeTxn(core, t, none);
    EXPECT_EQ(d.idCaption, QStringLiteral("Txn / Instance id "));
    EXPECT_EQ(d.idText, QStringLiteral("123 / 45-6"));
    EXPECT_EQ(d.rowLabel[3], QStringLiteral("Internal Account (TO)"));
    EXPECT_TRUE(d.repeatVisible);
    EXPECT_FALSE(d.repeatEnabled) << "already part of a repeater";
    EXPECT_TRUE(d.instancesEnabled);
    EXPECT_EQ(d.rptCaption, QStringLiteral("Repeat - Active "));
    EXPECT_EQ(d.rptRule, QStringLiteral("Every 2 weeks"));
    EXPECT_EQ(d.generated, QStringLiteral("3  2024-01-29"));
    EXPECT_EQ(d.reminder, QStringLiteral("none"));

    t.Rpt.Rptinc = 1;
    t.Rpt.Rmdays = 3;
    t.Rpt.RptActive = false;
    d = DescribeTxn(core, t, none);
    EXPECT_EQ(d.rptRule, QStringLiteral("Every week"));
    EXPECT_EQ(d.reminder, QStringLiteral("3 days before"));
    EXPECT_EQ(d.rptCaption, QStringLiteral("Repeat - Inactive "));
    EXPECT_EQ(RepeatRule('Q', 3), QStringLiteral("Every 3 ?s"));

    RptrRec r;
    InitRptrRec(r);
    r.Id = 45;
    r.Freq = 'M';
    r.StartDate = D(2024, 2, 1);
    r.Type = 'P';
    r.Accid1 = bank;
    const TxnDisplay m = DescribeTxn(core, TxnFromRepeater(r), none);
    EXPECT_EQ(m.caption, QStringLiteral("Repeater Master details"));
    EXPECT_FALSE(m.editEnabled);
    EXPECT_TRUE(m.repeatVisible);
    EXPECT_EQ(m.rptRule, QStringLiteral("Every month"));
}

} // namespace
