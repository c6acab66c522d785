// The program's start-up: DATA/ beside the program file is made and opened,
// and the instances of active repeaters are generated on the first start of
// a day only.
#include "ledger/StartUp.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "ledger/Database.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QFileInfo>
#include <functional>
#include <gtest/gtest.h>

namespace {

int addLeaf(TFCore& core, int kind, const char* name) {
    ObjRec r;
    InitObjRec(r);
    r.Type = kind;
    r.Name = QString::fromLatin1(name);
    r.CloseDate = IntToCal(kNotClosed);
    return AddObj(core, r) && EnsureAnchor(core, r.Id) ? r.Id : 0;
}

// Starts the program on day, returns the number of instances stored.
std::int64_t startOn(const TempFolder& program, const CalDate& day, const std::function<void(TFCore&)>& work = {}) {
    ScriptedPrompter prompter;
    TFCore core(prompter);
    core.settings().Today = day;
    EXPECT_EQ(StartUp(core, program.path()), OpenResult::Opened);
    EXPECT_EQ(core.dataFolder(), program.path() + QStringLiteral("DATA/"));
    if (work)
        work(core);
    const std::int64_t n = Scalar(core.store(), QStringLiteral("SELECT count(*) FROM txn WHERE Instance > 0"));
    EXPECT_TRUE(CloseDatabase(core));
    EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join(QLatin1Char('\n')).toStdString();
    return n;
}

TEST(StartUp, GeneratesDueInstancesOnANewDayOnly) {
    TempFolder program;
    // First start: a new folder; a monthly standing order is set up and the
    // period ends on 31 March.
    EXPECT_EQ(startOn(program, MakeDate(2024, 3, 1),
                      [](TFCore& core) {
                          RptrRec r;
                          InitRptrRec(r);
                          r.Freq = 'M';
                          r.Rptinc = 1;
                          r.StartDate = MakeDate(2024, 1, 10);
                          r.RptActive = true;
                          r.Type = 'P';
                          r.Amt = 1000;
                          r.Accid1 = addLeaf(core, otExtAcc, "Bank");
                          r.Accid2 = addLeaf(core, otCpty, "Landlord");
                          r.Accid3 = addLeaf(core, otPot, "Rent");
                          r.Accid4 = addLeaf(core, otCtgy, "Housing");
                          ASSERT_TRUE(r.Accid1 && r.Accid2 && r.Accid3 && r.Accid4);
                          ASSERT_TRUE(WriteRepeater(core, r));
                          core.settings().BalAt = MakeDate(2024, 3, 31);
                      }),
              0);
    EXPECT_TRUE(QFileInfo::exists(program.file(QStringLiteral("DATA/KOVRALDB.INI"))));
    // The same day again: nothing is generated.
    EXPECT_EQ(startOn(program, MakeDate(2024, 3, 1)), 0);
    // The next day: 10 January to 10 April, the first after the period's end.
    EXPECT_EQ(startOn(program, MakeDate(2024, 3, 2)), 4);
}

} // namespace
