#include "data/Store.h"
#include "data/Tables.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

TEST(StoreSmoke, CreatesNineTables) {
    TempFolder dir;
    ScriptedPrompter p;
    Store s(p);
    ASSERT_TRUE(OpenLedgerStore(s, dir.path(), true));
    Query q(s, QStringLiteral("SELECT count(*) FROM pstg"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.int64(0), 0);
    EXPECT_TRUE(p.messages().isEmpty());
}
