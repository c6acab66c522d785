// The ledger generator: the same seed gives the same tables, the ledger holds
// every kind of transaction and object it promises, and its figures agree
// with each other.
#include "ledger/Generator.h"
#include "base/Dates.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Database.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <map>

namespace {

GenOptions smallOptions(const QString& folder, std::uint32_t seed) {
    GenOptions o;
    o.folder = folder;
    o.seed = seed;
    o.years = 2;
    o.txnsPerYear = 300;
    o.ext = 8;
    o.pots = 9;
    o.cptys = 30;
    o.ctgys = 20;
    o.groupDepth = 3;
    o.today = MakeDate(2024, 6, 15);
    o.batchSize = 97; // several batches, committed mid-way
    return o;
}

// Every table's rows in key order, without the columns that hold the time of
// writing (CreateTS, EditTS and the run markers), plus the settings file.
QStringList dumpLedger(TFCore& core) {
    QStringList out;
    for (const TableFile& t : LedgerTableFiles()) {
        Query q(core.store(), QStringLiteral("SELECT * FROM %1 ORDER BY 1, 2, 3").arg(QString::fromLatin1(t.name)));
        while (q.next()) {
            QString row = QString::fromLatin1(t.name) + QLatin1Char(':');
            for (int i = 0; i < q.columnCount(); ++i) {
                const QString col = q.columnName(i).toLower();
                if (col == QLatin1String("createts") || col == QLatin1String("editts") || col == QLatin1String("rprts"))
                    continue;
                row += QLatin1Char('|') + (q.isNull(i) ? QStringLiteral("~") : q.text(i));
            }
            out << row;
        }
        EXPECT_TRUE(q.ok());
    }
    QFile ini(SettingsPath(core.dataFolder()));
    EXPECT_TRUE(ini.open(QIODevice::ReadOnly));
    out << QString::fromUtf8(ini.readAll());
    return out;
}

class GeneratorTest : public ::testing::Test {
protected:
    TempFolder dir;
    ScriptedPrompter prompter;
    TFCore core{prompter};

    void generate(std::uint32_t seed, const QString& sub = QStringLiteral("ledger")) {
        core.setProgramFolder(dir.path());
        ASSERT_TRUE(GenerateLedger(core, smallOptions(dir.path() + sub, seed)));
        EXPECT_TRUE(prompter.messages().isEmpty()) << prompter.messages().join(QLatin1Char('\n')).toStdString();
    }

    std::int64_t scalar(const QString& sql) { return Scalar(core.store(), sql); }
};

TEST_F(GeneratorTest, SameSeedGivesSameTablesAndAnotherSeedDoesNot) {
    ASSERT_NO_FATAL_FAILURE(generate(7, QStringLiteral("a")));
    const QStringList first = dumpLedger(core);
    ASSERT_TRUE(CloseDatabase(core));
    ASSERT_NO_FATAL_FAILURE(generate(7, QStringLiteral("b")));
    const QStringList second = dumpLedger(core);
    ASSERT_TRUE(CloseDatabase(core));
    ASSERT_NO_FATAL_FAILURE(generate(8, QStringLiteral("c")));
    const QStringList third = dumpLedger(core);

    ASSERT_GT(first.size(), 2000);
    ASSERT_EQ(first.size(), second.size());
    for (int i = 0; i < first.size(); ++i)
        ASSERT_EQ(first[i], second[i]) << "row " << i;
    EXPECT_NE(first, third);
}

TEST_F(GeneratorTest, HoldsEveryKindOfTransactionAndObject) {
    ASSERT_NO_FATAL_FAILURE(generate(3));
    // Types, cancelled ones, the three shapes of a transfer.
    for (const char* type : {"P", "R", "X", "Y", "C", "T", "G", "Z", "D"})
        EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Type = '%1'").arg(QLatin1String(type))), 0)
            << type;
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Cancelled = 1")), 0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Type = 'C' AND Accid1 > 0 AND Accid3 > 0")), 0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Type = 'C' AND Accid1 > 0 AND Accid3 = 0")), 0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Type = 'C' AND Accid1 = 0 AND Accid3 > 0")), 0);
    // Credit purchases and sales go through the counterparty's credit account.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn t JOIN obj a ON a.Id = t.Accid1"
                                    " WHERE t.Type IN ('X', 'Y') AND a.AccWith <> t.Accid2")),
              0);
    // Later posting dates of the bank side, with the actual date kept.
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Date2 > Txndate AND actualtxndate > 0")), 0);
    // Channels, used and closed, and counterparty-category links.
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE chnum > 0")), 0);
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE chnum > 0 AND chnum NOT IN"
                                    " (SELECT Chnum FROM channel)")),
              0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM channel WHERE ChSts = 1")), 0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM cptypot")), 10);
    // Repeaters with instances, active and stopped, and their reminders.
    EXPECT_GE(scalar(QStringLiteral("SELECT count(*) FROM rptr")), 8);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM rptr WHERE RptActive = 0")), 0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Instance > 1")), 100);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM remdr WHERE Txnid > 0")), 0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM remdr WHERE Txnid = 0")), 0);
    // Closed accounts and a dormant one (no posting within DormantAfter days).
    EXPECT_GE(scalar(QStringLiteral("SELECT count(*) FROM obj WHERE CloseDate < 99999999")), 3);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM obj WHERE Type = 1 AND CloseDate = 99999999"
                                    " AND LastPstgDate > 0 AND LastPstgDate < 20230615")),
              0);
    // Reconciled statements: the account remembers the latest.
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM obj WHERE Reconciled <> ''")), 0);
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE ReconCode = 1")), 0);

    // Groups nested three deep in each family.
    std::map<int, int> parent;
    {
        Query q(core.store(), QStringLiteral("SELECT Id, Grpid, Type FROM obj"));
        while (q.next())
            parent[q.integer("Id")] = q.integer("Grpid");
    }
    int deepest = 0;
    for (const auto& [id, grp] : parent) {
        int depth = 0;
        for (int g = grp; g != 0 && depth < 100; g = parent[g])
            ++depth;
        deepest = std::max(deepest, depth);
    }
    EXPECT_EQ(deepest, 3);
}

TEST_F(GeneratorTest, FiguresAgreeAndTheSettingsCoverTheLastYear) {
    ASSERT_NO_FATAL_FAILURE(generate(11));
    const Settings& s = core.settings();
    EXPECT_EQ(CalToInt(s.BalAt), 20240615);
    EXPECT_EQ(CalToInt(s.BalFrom), 20230616);
    EXPECT_FALSE(s.RebalNeeded);

    // Money held in the accounts is the money earmarked in the pots, at the
    // start and at the period end.
    EXPECT_EQ(scalar(QStringLiteral("SELECT sum(BfdBal) FROM obj WHERE Type = 1")),
              scalar(QStringLiteral("SELECT sum(BfdBal) FROM obj WHERE Type = 6")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT sum(m.Bal) FROM movts m JOIN obj o ON o.Id = m.Accid WHERE o.Type = 1")),
              scalar(QStringLiteral("SELECT sum(m.Bal) FROM movts m JOIN obj o ON o.Id = m.Accid WHERE o.Type = 6")));
    // Every object has its summary, and each leaf's balance is its postings'.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM obj")), scalar(QStringLiteral("SELECT count(*) FROM movts")));
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM obj o JOIN movts m ON m.Accid = o.Id WHERE o.Type IN"
                                    " (1, 6) AND m.Bal <> o.BfdBal + (SELECT coalesce(sum(Amt), 0) FROM pstg p"
                                    " WHERE p.Objid = o.Id AND p.Pstgdate <= '2024-06-15')")),
              0);
    // Statement balances are the balances the postings give at their dates.
    EXPECT_EQ(scalar(QStringLiteral("SELECT count(*) FROM pstg z JOIN obj o ON o.Id = z.Objid WHERE"
                                    " z.Txntype = 'Z' AND z.Recamt <> o.BfdBal + (SELECT coalesce(sum(Amt), 0)"
                                    " FROM pstg p WHERE p.Objid = z.Objid AND p.Pstgdate <= z.Pstgdate)")),
              0);
    // Standing orders have been generated one instance past the period.
    EXPECT_GT(scalar(QStringLiteral("SELECT count(*) FROM txn WHERE Masterid > 0 AND Txndate > '2024-06-15'")), 0);
}

TEST_F(GeneratorTest, RefusesAFolderThatHoldsFiles) {
    const QString folder = dir.path() + QStringLiteral("used/");
    ASSERT_TRUE(QDir().mkpath(folder));
    ASSERT_TRUE(WriteFile(folder + QStringLiteral("notes.txt"), QByteArray()));
    EXPECT_FALSE(GenerateLedger(core, smallOptions(folder, 1)));
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Folder is not empty ") + folder});
    EXPECT_FALSE(QFile::exists(folder + QStringLiteral("KOVRALDB.INI")));
}

} // namespace
