// The table store and the ledger tables: transactions over several files,
// the null rules, the strictness switches, the ASCII road of lower(), errors
// reaching the user as the store's own message, and the layout of the nine
// tables.
#include "data/Store.h"
#include "base/Text.h"
#include "data/Tables.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.valid());
        ASSERT_TRUE(OpenLedgerStore(store, dir.path(), true));
    }

    bool reopen() {
        store.close();
        return OpenLedgerStore(store, dir.path(), false);
    }

    std::int64_t count(const QString& table) { return Scalar(store, QStringLiteral("SELECT count(*) FROM ") + table); }

    // One write to each of obj, txn and pstg.
    void writeThree(int id) {
        ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type, Name) VALUES (%1, 6, 'Food')").arg(id)));
        ASSERT_TRUE(store.exec(
            QStringLiteral("INSERT INTO txn (Id, Type, Amt, Txndate) VALUES (%1, 'P', 1234, '2024-01-31')").arg(id)));
        ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid, Amt) VALUES (%1, %1, -1234)").arg(id)));
    }

    void expectCounts(int n) {
        EXPECT_EQ(count(QStringLiteral("obj")), n);
        EXPECT_EQ(count(QStringLiteral("txn")), n);
        EXPECT_EQ(count(QStringLiteral("pstg")), n);
    }

    TempFolder dir;
    ScriptedPrompter prompter;
    Store store{prompter};
};

} // namespace

TEST_F(StoreTest, InnerScopeWithoutCommitRollsBackTheOuterCommit) {
    {
        StoreTransaction outer(store);
        ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type, Name) VALUES (1, 6, 'Food')")));
        {
            StoreTransaction inner(store);
            ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO txn (Id, Type) VALUES (1, 'P')")));
            ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid) VALUES (1, 1)")));
        }
        EXPECT_TRUE(store.doomed());
        EXPECT_FALSE(outer.commit());
    }
    ASSERT_TRUE(reopen());
    expectCounts(0);

    // The next transaction starts clean.
    StoreTransaction t(store);
    ASSERT_NO_FATAL_FAILURE(writeThree(2));
    EXPECT_TRUE(t.commit());
    expectCounts(1);
}

TEST_F(StoreTest, CommittedNestedWritesShowInAllThreeAfterReopening) {
    {
        StoreTransaction outer(store);
        ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type, Name) VALUES (7, 6, 'Food')")));
        {
            StoreTransaction inner(store);
            ASSERT_TRUE(store.exec(
                QStringLiteral("INSERT INTO txn (Id, Type, Amt, Txndate) VALUES (7, 'P', 1234, '2024-01-31')")));
            ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid, Amt) VALUES (7, 7, -1234)")));
            EXPECT_TRUE(inner.commit());
        }
        // Nothing is written before the outermost commit.
        EXPECT_TRUE(store.inTransaction());
        EXPECT_TRUE(outer.commit());
    }
    EXPECT_FALSE(store.inTransaction());
    ASSERT_TRUE(reopen());
    expectCounts(1);
    Query q(store, QStringLiteral("SELECT t.Txndate, p.Amt, o.Name FROM txn t, pstg p, obj o"
                                  " WHERE p.Txnid = t.Id AND o.Id = p.Objid"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.text("txndate"), QStringLiteral("2024-01-31"));
    EXPECT_EQ(q.integer("AMT"), -1234);
    EXPECT_EQ(q.text("name"), QStringLiteral("Food"));
}

TEST_F(StoreTest, NullColumnsReadTheirDefaults) {
    ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id) VALUES (3)")));
    Query q(store, QStringLiteral("SELECT * FROM obj WHERE Id = 3"));
    ASSERT_TRUE(q.next());
    EXPECT_TRUE(q.isNull("Type"));
    EXPECT_EQ(q.integer("Type"), 0);
    EXPECT_EQ(q.int64("BfdBal"), 0);
    EXPECT_FALSE(q.boolean("AllowNegBal"));
    EXPECT_FALSE(q.boolean("Fav"));
    EXPECT_TRUE(q.text("Name").isEmpty());
    EXPECT_TRUE(q.text("Note").isEmpty());
    EXPECT_FALSE(q.dateTime("CreateTS").isValid());
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(StoreTest, ColumnSharedByJoinedTablesReadsTheFirstTable) {
    ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type, Name) VALUES (40, 1, 'Bank')")));
    ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO txn (Id, Type, Accid1) VALUES (9, 'P', 40)")));
    Query q(store, QStringLiteral("SELECT * FROM txn t JOIN obj o ON o.Id = t.Accid1"));
    ASSERT_TRUE(q.next());
    EXPECT_EQ(q.integer("Id"), 9);
    EXPECT_EQ(q.text("Type"), QStringLiteral("P"));
}

TEST_F(StoreTest, PlainAsciiFoldsAsOtherText) {
    // ASCII takes a shorter road than other text: the same folding, and a
    // text result also for a number.
    for (const QString& t : {QStringLiteral("Rent MARCH"), QStringLiteral("rent"), QString(""),
                             QStringLiteral("Ünïcode MIXED"), QStringLiteral("KELVIN \u212A")}) {
        Query q(store, QStringLiteral("SELECT lower(:t) AS l"));
        q.bind("t", t);
        ASSERT_TRUE(q.next());
        EXPECT_EQ(q.text("l"), LowerText(t));
    }
    // hasfolded() finds a folded text as instr(lower(...)) would.
    for (const QString& t : {QStringLiteral("Rent MARCH"), QStringLiteral("Ünïcode MIXED"), QStringLiteral("re")})
        for (const QString& f : {QStringLiteral("rent"), QStringLiteral("mixed"), QStringLiteral("ünï"),
                                 QStringLiteral("nt m"), QString("")}) {
            Query q(store, QStringLiteral("SELECT hasfolded(:t, :f) AS h, instr(lower(:t), :f) > 0 AS i"));
            q.bind("t", t).bind("f", f);
            ASSERT_TRUE(q.next());
            EXPECT_EQ(q.integer("h"), q.integer("i")) << t.toStdString() << " / " << f.toStdString();
        }
    Query n(store, QStringLiteral("SELECT typeof(lower(12)) AS k, lower(12) AS l"));
    ASSERT_TRUE(n.next());
    EXPECT_EQ(n.text("k"), QStringLiteral("text"));
    EXPECT_EQ(n.text("l"), QStringLiteral("12"));
}

TEST_F(StoreTest, DoubleQuotedLiteralsAndMisspeltColumnsAreErrors) {
    ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type, Name) VALUES (1, 6, 'Food')")));
    Query dq(store, QStringLiteral("SELECT Id FROM obj WHERE Name = \"Food\""));
    EXPECT_FALSE(dq.prepared());
    EXPECT_FALSE(dq.next());
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().back(), QStringLiteral("no such column: Food"));

    Query typo(store, QStringLiteral("SELECT Nmae FROM obj"));
    EXPECT_FALSE(typo.prepared());
    EXPECT_EQ(prompter.messages().back(), QStringLiteral("no such column: Nmae"));
    EXPECT_EQ(store.lastError(), QStringLiteral("no such column: Nmae"));
}

TEST_F(StoreTest, StrictTablesRefuseTextInIntegerColumnsAndDoomTheTransaction) {
    {
        StoreTransaction t(store);
        ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type, Name) VALUES (1, 6, 'Food')")));
        Query bad(store, QStringLiteral("INSERT INTO txn (Id, Amt) VALUES (:id, :amt)"));
        bad.bind("id", 1).bind("amt", QStringLiteral("twelve"));
        EXPECT_FALSE(bad.exec());
        ASSERT_FALSE(prompter.messages().isEmpty());
        EXPECT_TRUE(prompter.messages().back().startsWith(QStringLiteral("cannot store TEXT value in INTEGER column")))
            << prompter.messages().back().toStdString();
        // After a failure nothing more is written in the transaction.
        EXPECT_TRUE(store.doomed());
        EXPECT_FALSE(store.exec(QStringLiteral("INSERT INTO pstg (Txnid, Objid) VALUES (1, 1)")));
        EXPECT_FALSE(t.commit());
    }
    expectCounts(0);
    // A number in text form is no more acceptable.
    EXPECT_FALSE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type) VALUES (2, 'six')")));
    EXPECT_EQ(count(QStringLiteral("obj")), 0);
}

TEST_F(StoreTest, MissingTableFileIsReportedWithoutCreate) {
    store.close();
    ASSERT_TRUE(QFile::remove(dir.file(QStringLiteral("movts.DB"))));
    prompter.clearRecorded();
    EXPECT_FALSE(OpenLedgerStore(store, dir.path(), false));
    EXPECT_FALSE(store.isOpen());
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().front(), QStringLiteral("unable to open database file: ") + dir.file("movts.DB"));
    EXPECT_FALSE(QFile::exists(dir.file(QStringLiteral("movts.DB"))));
    EXPECT_FALSE(store.exec(QStringLiteral("SELECT 1"))); // a closed store refuses quietly, without crashing
}

TEST_F(StoreTest, AFullDiskDoomsTheTransactionAndKeepsTheOldRows) {
    ASSERT_NO_FATAL_FAILURE(writeThree(1));
    Query pages(store, QStringLiteral("PRAGMA txn.page_count"));
    ASSERT_TRUE(pages.next());
    const std::int64_t full = pages.int64(0);
    pages.reset();
    ASSERT_TRUE(store.exec(QStringLiteral("PRAGMA txn.max_page_count = %1").arg(full)));
    {
        StoreTransaction t(store);
        ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type) VALUES (2, 6)")));
        Query ins(store, QStringLiteral("INSERT INTO txn (Id, Type, Narrative) VALUES (:id, 'P', :text)"));
        bool failed = false;
        for (int id = 2; id < 50 && !failed; ++id)
            failed = !ins.bind("id", id).bind("text", QString(2000, QLatin1Char('x'))).exec();
        EXPECT_TRUE(failed);
        EXPECT_FALSE(t.commit());
    }
    ASSERT_FALSE(prompter.messages().isEmpty());
    EXPECT_EQ(prompter.messages().front(), QStringLiteral("database or disk is full"));
    expectCounts(1);
}

TEST_F(StoreTest, ColumnsOfACachedStatementFollowALayoutChange) {
    EXPECT_FALSE(HasColumn(store, QStringLiteral("channel"), "Extra"));
    {
        Query held(store, QStringLiteral("SELECT * FROM channel LIMIT 0"));
        ASSERT_TRUE(store.exec(QStringLiteral("ALTER TABLE channel ADD Extra INTEGER")));
    } // released after the change: not to be reused with the old columns
    EXPECT_TRUE(HasColumn(store, QStringLiteral("channel"), "Extra"));

    // A query released after its connection closed is not handed to the next.
    {
        Query stale(store, QStringLiteral("SELECT count(*) AS n FROM obj"));
        ASSERT_TRUE(reopen());
    }
    ASSERT_TRUE(store.exec(QStringLiteral("INSERT INTO obj (Id, Type) VALUES (1, 6)")));
    EXPECT_EQ(count(QStringLiteral("obj")), 1);
}

TEST_F(StoreTest, PostingsAreWalkedThroughTheAcPstgIndex) {
    Query plan(store, QStringLiteral("EXPLAIN QUERY PLAN ") + SharedSql::PostingsOfAccount);
    plan.bind("objid", 1);
    QString detail;
    while (plan.next())
        detail += plan.text("detail") + QLatin1Char('\n');
    EXPECT_TRUE(detail.contains(QStringLiteral("AcPstg"))) << detail.toStdString();
}

TEST(StoreDateTime, StoredFormsReadAsLocalTimesAndOthersNot) {
    const QDateTime ms = DateTimeFromStore(QStringLiteral("2024-02-29 23:59:58.007"));
    EXPECT_EQ(ms, QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 7)));
    EXPECT_EQ(ms.timeSpec(), Qt::LocalTime);
    EXPECT_EQ(DateTimeFromStore(QStringLiteral("2024-01-02 03:04:05")), QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5)));
    for (const char* bad : {"2023-02-29 10:00:00.000", "2024-01-02 24:00:00", "2024-01-02T03:04:05", "garbage"})
        EXPECT_FALSE(DateTimeFromStore(QString::fromLatin1(bad)).isValid()) << bad;
}
