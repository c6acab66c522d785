// The transaction display's texts that its window test does not reach: the
// posting date, commands by id and role, labels of types without their own,
// and the repeat group's variants.
#include "LedgerFixture.h"

#include "ledger/Repeaters.h"
#include "ledger/TxnDisplay.h"

namespace {

class TxnDisplayTexts : public LedgerFixture {};

TEST_F(TxnDisplayTexts, PostingDateCommandsAndLabelsOfOtherTypes) {
    const int bank = addObj(otExtAcc, QStringLiteral("Bank"));
    TxnRec t = txnOf('C', 100, D(2024, 6, 3), bank);
    t.Id = 5;
    t.Date2 = D(2024, 6, 5);
    const TxnDisplay c = DescribeTxn(core, t, {});
    EXPECT_EQ(c.pstgDate, QStringLiteral("2024-06-05"));
    EXPECT_TRUE(c.editEnabled && c.repeatEnabled);

    t.Type = 'Z';
    t.Id = 0;
    const TxnDisplay z = DescribeTxn(core, t, c.rowLabel);
    EXPECT_EQ(z.typeName, QStringLiteral("Reconciled Balance"));
    EXPECT_EQ(z.rowLabel, (std::array<QString, 4>{c.rowLabel[0], c.rowLabel[1], QString(), c.rowLabel[3]}));
    EXPECT_FALSE(z.editEnabled || z.repeatEnabled) << "an empty display offers neither";
}

TEST_F(TxnDisplayTexts, RepeatGroupVariants) {
    RptrRec r;
    InitRptrRec(r);
    r.Id = 45;
    r.Freq = 'W';
    r.Rptinc = 1;
    r.Rmdays = 3;
    r.Gento = 3;
    r.StartDate = D(2024, 1, 1);
    const TxnDisplay m = DescribeTxn(core, TxnFromRepeater(r), {});
    EXPECT_EQ(m.caption, QStringLiteral("Repeater Master details"));
    EXPECT_FALSE(m.editEnabled) << "a master is edited through the repeat group";
    EXPECT_TRUE(m.repeatVisible);
    EXPECT_EQ(m.rptCaption, QStringLiteral("Repeat - Inactive "));
    EXPECT_EQ(m.rptRule, QStringLiteral("Every week"));
    EXPECT_EQ(m.reminder, QStringLiteral("3 days before"));
    EXPECT_EQ(m.generated, QStringLiteral("3  2024-01-15"));
    EXPECT_EQ(RepeatRule('Q', 3), QStringLiteral("Every 3 ?s"));
}

} // namespace
