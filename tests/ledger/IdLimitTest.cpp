// Ids run out at the int limit: adding an object, a repeater, a reminder or a
// transaction after a row holding the highest id refuses with the program
// error and writes nothing (never a wrapped, negative id).
#include "RepeaterFixture.h"

#include <functional>

namespace {

class IdLimit : public RepeaterFixture {};

TEST_F(IdLimit, EveryTableRefusesPastTheLastId) {
    struct Case {
        const char* table;
        QStringList seed;
        const char* message;
        std::function<bool()> add;
    };
    const Case cases[] = {
        {"obj",
         {"INSERT INTO obj (Id, Type, Name) VALUES (2147483647, 6, 'Last')"},
         "Program error : no object id left",
         [&] {
             ObjRec r;
             InitObjRec(r);
             r.Type = otPot;
             r.Name = QStringLiteral("One more");
             return AddObj(core, r);
         }},
        {"rptr",
         {"INSERT INTO rptr (Id, Freq, Type) VALUES (2147483647, 'M', 'P')"},
         "Program error : no repeater id left",
         [&] {
             RptrRec r = payment('M', 1, D(2024, 1, 10));
             return WriteRepeater(core, r);
         }},
        {"remdr",
         {"INSERT INTO remdr (Id, Txnid, Text) VALUES (2147483647, 0, 'last')"},
         "Program error : no reminder id left",
         [&] {
             TxnRec t = txnOf('P', 100, D(2024, 6, 1), bank, shop, food, groceries);
             t.Id = 1;
             t.Rpt.Rmdays = 3;
             return AddInstanceReminder(core, t);
         }},
        {"txn",
         {"INSERT INTO txn (Id, Type) VALUES (2147483647, 'D')",
          "INSERT INTO pstg (Txnid, Objid, Txntype) VALUES (2147483647, 0, 'D')"},
         "Program error : no transaction id left",
         [&] {
             TxnRec t = txnOf('P', 100, D(2024, 6, 1), bank, shop, food, groceries);
             return addWithPostings(t);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.table);
        for (const QString& sql : c.seed)
            ASSERT_TRUE(core.store().exec(sql));
        const QString countSql = QStringLiteral("SELECT count(*) FROM ") + QLatin1String(c.table);
        const std::int64_t before = scalar(countSql);
        prompter.clearRecorded();
        EXPECT_FALSE(c.add());
        EXPECT_EQ(prompter.messages(), QStringList{QString::fromLatin1(c.message)});
        EXPECT_EQ(scalar(countSql), before);
        EXPECT_EQ(scalar(countSql + QStringLiteral(" WHERE Id < 1")), 0);
    }
}

} // namespace
