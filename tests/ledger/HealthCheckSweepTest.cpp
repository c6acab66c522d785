// A generated ledger damaged one way at a time, as a crash, a faulty disk or
// an outside tool would leave it: for each damage the check must report it,
// never hang, and never say "All scans complete OK" while it remains; repair
// then either mends it for good (the recheck is clean and every account's
// postings add up as before the damage) or leaves a manual error, and never
// touches an anchor posting.
#include "HealthCheckFixture.h"
#include "ledger/Generator.h"

#include <QDir>
#include <QFile>
#include <map>

namespace {

enum class Outcome {
    Mended,   // repair mends it; the recheck is clean
    Manual,   // left to the user: a manual error stays
    Noted,    // put right in check mode too, with a line in the log
    Informed, // nothing to put right: a line in the log on every run
    Refused,  // the database does not open: the store's message names the file
};

struct Damage {
    const char* name;
    QStringList sql;            // run on the open database; empty for file damage
    const char* file = nullptr; // a table file to damage on disk
    enum { None, GarbagePage, Truncate } fileDamage = None;
    const char* finding = "";
    Outcome outcome = Outcome::Manual;
    int repairs = 1;     // repair runs before the recheck
    QString afterRepair; // SQL giving 1 once the repair is made as it should be
};

void PrintTo(const Damage& d, std::ostream* os) {
    *os << d.name;
}

QString S(const char* s) {
    return QString::fromLatin1(s);
}

// Ids picked by SQL so that the cases do not depend on the generator's order.
const QString kPay = S("(SELECT min(Id) FROM txn WHERE Type = 'P' AND Cancelled = 0 AND Instance = 0)");
const QString kPot = S("(SELECT min(Id) FROM obj WHERE Type = 6)");
const QString kCtgy = S("(SELECT min(Id) FROM obj WHERE Type = 3)");
const QString kExt = S("(SELECT min(Id) FROM obj WHERE Type = 1)");
// The pot and the category of that payment.
const QString kPayPot = S("(SELECT Accid3 FROM txn WHERE Id = ") + kPay + S(")");
const QString kPayCtgy = S("(SELECT Accid4 FROM txn WHERE Id = ") + kPay + S(")");
const QString kPayExt = S("(SELECT Accid1 FROM txn WHERE Id = ") + kPay + S(")");
const QString kPayCpty = S("(SELECT Accid2 FROM txn WHERE Id = ") + kPay + S(")");
// An active repeater with three instances or more.
const QString kActiveMaster = S("(SELECT min(Masterid) FROM txn WHERE Instance = 3 AND Masterid IN (SELECT Id FROM "
                                "rptr WHERE RptActive = 1))");
const QString kCancelled = S("(SELECT min(Id) FROM txn WHERE Cancelled = 1)");
const QString kTwoOn = S(" SET Pstgdate = date(Pstgdate, '+1 day') WHERE Txnid = ") + kPay + S(" AND Objid = ");
const QString kMovedOn = S(" SET Pstgdate = '2024-06-29' WHERE Txnid = ") + kPay + S(" AND Objid = ");

Damage sqlDamage(const char* name, const QStringList& sql, const char* finding, Outcome outcome, int repairs = 1) {
    Damage d;
    d.name = name;
    d.sql = sql;
    d.finding = finding;
    d.outcome = outcome;
    d.repairs = repairs;
    return d;
}

Damage moved(Damage d, const char* column) {
    d.afterRepair = S("SELECT count(*) FROM txn WHERE ") + S(column) + S(" = '2024-06-29' AND Id = ") + kPay;
    return d;
}

Damage fileDamage(const char* name, const char* file, decltype(Damage::fileDamage) how, const char* finding) {
    Damage d;
    d.name = name;
    d.file = file;
    d.fileDamage = how;
    d.finding = finding;
    d.outcome = how == Damage::Truncate ? Outcome::Refused : Outcome::Manual;
    return d;
}

std::vector<Damage> Damages() {
    using O = Outcome;
    return {
        // objects
        sqlDamage("ObjIdBeyond32Bits",
                  {S("INSERT INTO obj (Id, Type, Name, CloseDate) VALUES (4294967301, 3, 'Far', 99999999)")},
                  "Obj 4294967301 value out of range : Id = 4294967301", O::Manual),
        sqlDamage("ObjBfdBalBeyond32Bits", {S("UPDATE obj SET BfdBal = 4294968639 WHERE Id = ") + kExt},
                  "value out of range : BfdBal = 4294968639", O::Manual),
        sqlDamage("ObjIdZero", {S("INSERT INTO obj (Id, Type, Name, CloseDate) VALUES (0, 3, 'Zero', 99999999)")},
                  "Obj 0 type 3 invalid id", O::Manual),
        sqlDamage("ObjNameNull", {S("UPDATE obj SET Name = NULL WHERE Id = ") + kCtgy}, "account name is blank",
                  O::Manual),
        sqlDamage("ObjTypeImpossible", {S("UPDATE obj SET Type = 5 WHERE Id = ") + kCtgy}, "invalid account type 5",
                  O::Manual),
        sqlDamage("ObjCloseDateNull", {S("UPDATE obj SET CloseDate = NULL WHERE Id = ") + kCtgy},
                  "setting close date to 9999999", O::Noted),
        sqlDamage("ObjLastPstgDateNull",
                  {S("UPDATE obj SET LastPstgDate = NULL, OpenDate = 20230101 WHERE Id = ") + kExt}, "lastpstgdate = 0",
                  O::Mended),
        sqlDamage("GroupContainsItself",
                  {S("UPDATE obj SET Grpid = Id WHERE Id = (SELECT min(Id) FROM obj WHERE Type = 7)")},
                  "group contains itself", O::Manual),
        sqlDamage("TwoGroupsInALoop",
                  {S("UPDATE obj SET Grpid = (SELECT max(Id) FROM obj WHERE Type = 10) "
                     "WHERE Id = (SELECT min(Id) FROM obj WHERE Type = 10)"),
                   S("UPDATE obj SET Grpid = (SELECT min(Id) FROM obj WHERE Type = 10) "
                     "WHERE Id = (SELECT max(Id) FROM obj WHERE Type = 10)")},
                  "group chain has a cycle", O::Manual),
        sqlDamage("DanglingGroup", {S("UPDATE obj SET Grpid = 999999 WHERE Id = ") + kCtgy}, "group 999999 not found",
                  O::Mended),
        sqlDamage("MissingAnchor", {S("DELETE FROM pstg WHERE Txnid = 0 AND Objid = ") + kPot},
                  "anchor posting missing", O::Mended),
        sqlDamage("GroupOpenedTooLate",
                  {S("UPDATE obj SET OpenDate = 20991231 WHERE Id = (SELECT min(Grpid) FROM obj WHERE Type = 1 AND "
                     "Grpid > 0 AND OpenDate > 0)")},
                  "opened too late for Account / Sub-Group", O::Mended),
        sqlDamage("GroupClosedTooSoon",
                  {S("UPDATE obj SET CloseDate = 20000101 WHERE Id = (SELECT min(Grpid) FROM obj WHERE Type = 6 AND "
                     "Grpid > 0)")},
                  "closed too soon for Account / Sub-Group", O::Mended),
        sqlDamage("GroupOfAnotherFamily",
                  {S("UPDATE obj SET Grpid = (SELECT min(Id) FROM obj WHERE Type = 8) WHERE Id = ") + kPot},
                  "Acc/Grp invalid acctype combi", O::Manual),
        sqlDamage("CounterpartyUnawareOfItsAccount",
                  {S("UPDATE obj SET AccWith = (SELECT min(Id) FROM obj WHERE Type = 4 AND AccWith = 0) "
                     "WHERE Id = (SELECT min(Id) FROM obj WHERE Type = 1 AND AccWith = 0)")},
                  "1st/only ExtAcc for this Cpty not set", O::Mended),
        sqlDamage("BfdBalancesDisagree", {S("UPDATE obj SET BfdBal = BfdBal + 250 WHERE Id = ") + kExt},
                  "Internal/external B/fd bals mismatch by 2.50", O::Manual),
        // transactions
        sqlDamage("TxnIdBeyond32Bits", {S("UPDATE txn SET Id = 1099511627776 WHERE Id = ") + kPay},
                  "Txn P 1099511627776 value out of range : Id = 1099511627776", O::Manual),
        sqlDamage("TxnAmountBeyond32Bits", {S("UPDATE txn SET Amt = 4294968639 WHERE Id = ") + kPay},
                  "value out of range : Amt = 4294968639", O::Manual),
        sqlDamage("TxnAccountBeyond32Bits", {S("UPDATE txn SET Accid4 = 4294967366 WHERE Id = ") + kPay},
                  "value out of range : Accid4 = 4294967366", O::Manual),
        sqlDamage("TxnFlagBeyond32Bits", {S("UPDATE txn SET DpDate = 2147483648 WHERE Id = ") + kPay},
                  "value out of range : DpDate = 2147483648", O::Manual),
        sqlDamage("TxnIdZero", {S("UPDATE txn SET Id = 0 WHERE Id = ") + kPay}, "Txn P 0 invalid id", O::Manual),
        sqlDamage("TxnTypeNull", {S("UPDATE txn SET Type = NULL WHERE Id = ") + kPay}, "invalid txn type", O::Manual),
        sqlDamage("TxnDateNull", {S("UPDATE txn SET Txndate = NULL WHERE Id = ") + kPay}, "txn date missing",
                  O::Manual),
        sqlDamage("TxnDateImpossible", {S("UPDATE txn SET Txndate = '2023-02-31' WHERE Id = ") + kPay},
                  "txn date invalid", O::Manual),
        sqlDamage("TxnAccountDangling", {S("UPDATE txn SET Accid2 = 999999 WHERE Id = ") + kPay},
                  "/ acc 999999 : account not found", O::Manual),
        sqlDamage("TxnChannelDangling", {S("UPDATE txn SET chnum = 77 WHERE Id = ") + kPay},
                  "invalid channel number 77", O::Mended),
        // With a repairable fault beside it: the transaction is not posted again.
        sqlDamage("TxnAccountOfWrongKind",
                  {S("UPDATE txn SET Accid4 = ") + kPot + S(" WHERE Id = ") + kPay,
                   S("UPDATE pstg SET chnum = 5 WHERE Objid = ") + kPayPot + S(" AND Txnid = ") + kPay},
                  "account wrong type", O::Manual),
        sqlDamage("TxnAmountNegative", {S("UPDATE txn SET Amt = -5 WHERE Id = ") + kPay}, "txn amt shd be >= 0",
                  O::Manual),
        sqlDamage("TxnAccountNegative", {S("UPDATE txn SET Accid1 = -1 WHERE Id = ") + kPay}, "acc id < 0", O::Manual),
        sqlDamage("PaymentWithoutPot", {S("UPDATE txn SET Accid3 = 0 WHERE Id = ") + kPay}, "acc3/4 id missing",
                  O::Manual),
        sqlDamage("PotTransferWithMoreAccounts",
                  {S("UPDATE txn SET Accid3 = Accid1 WHERE Id = (SELECT min(Id) FROM txn WHERE Type = 'G')")},
                  "acc3/4 id <> 0", O::Manual),
        sqlDamage("TransferWithOnePot",
                  {S("UPDATE txn SET Accid4 = 0 WHERE Id = (SELECT min(Id) FROM txn WHERE Type = 'C' AND "
                     "Accid3 <> 0)")},
                  "acc4 id missing", O::Manual),
        sqlDamage("ReconciledBalanceWithTwoAccounts",
                  {S("UPDATE txn SET Accid2 = Accid1 WHERE Id = (SELECT min(Id) FROM txn WHERE Type = 'Z')")},
                  "acc2 id <> 0", O::Manual),
        sqlDamage("CancelledTxnPostingAmount",
                  {S("UPDATE pstg SET Amt = Amt - 999 WHERE Txnid = ") + kCancelled +
                   S(" AND Objid = (SELECT Accid1 FROM txn WHERE Id = ") + kCancelled + S(")")},
                  "posting amount error", O::Mended),
        sqlDamage("InstanceWithoutItsOwnDate",
                  {S("UPDATE txn SET actualtxndate = 0 WHERE Id = (SELECT min(Id) FROM txn WHERE Instance > 0 AND "
                     "(Date2 IS NULL OR Date2 = Txndate))")},
                  "Rptr instance with neither actual txn date nor pstg date", O::Mended),
        sqlDamage("InstanceWithoutMaster",
                  {S("UPDATE txn SET Masterid = 0 WHERE Id = (SELECT min(Id) FROM txn WHERE Instance = 1)")},
                  "instance with no master", O::Informed),
        sqlDamage("InstanceMasterDangling",
                  {S("UPDATE txn SET Masterid = 999999 WHERE Id = (SELECT min(Id) FROM txn WHERE Instance > 0)")},
                  "masterid not found 999999", O::Mended),
        // postings
        sqlDamage("PostingAmountWrong", {S("UPDATE pstg SET Amt = Amt + 1 WHERE Txnid = ") + kPay},
                  "posting amount error", O::Mended),
        sqlDamage("PostingAmountBeyond32Bits",
                  {S("UPDATE pstg SET Amt = 4294968639 WHERE Objid = ") + kPayPot + S(" AND Txnid = ") + kPay},
                  "posting amount error", O::Mended),
        // A column that the scans do not otherwise read.
        sqlDamage("PostingBalanceBeyond32Bits",
                  {S("UPDATE pstg SET RngBal = -1099511627776 WHERE Objid = ") + kPayPot + S(" AND Txnid = ") + kPay},
                  "value out of range : RngBal = -1099511627776", O::Manual),
        sqlDamage("PostingMissing", {S("DELETE FROM pstg WHERE Objid = ") + kPayCtgy + S(" AND Txnid = ") + kPay},
                  "posting not found", O::Mended),
        sqlDamage("PostingOfNoObject",
                  {S("INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) SELECT Txnid, 999999, 0, Pstgdate, "
                     "Txntype FROM pstg WHERE Txnid = ") +
                   kPay + S(" LIMIT 1")},
                  "Object not found : 999999", O::Mended),
        sqlDamage("PostingOfNoTxn",
                  {S("INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) SELECT (SELECT max(Id) + 1000 FROM "
                     "txn), Objid, 0, Pstgdate, 'P' FROM pstg WHERE Txnid = ") +
                   kPay + S(" LIMIT 1")},
                  "no matching txn", O::Mended),
        sqlDamage("PostingTxnidBeyond32Bits",
                  {S("INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) SELECT 1099511627776, Objid, 0, "
                     "Pstgdate, 'P' FROM pstg WHERE Txnid = ") +
                   kPay + S(" LIMIT 1")},
                  "Posting 1099511627776 /", O::Manual),
        sqlDamage("PostingDateNull",
                  {S("UPDATE pstg SET Pstgdate = NULL WHERE Objid = ") + kPayCtgy + S(" AND Txnid = ") + kPay},
                  "posting.date / txn.txndate mismatch", O::Mended),
        sqlDamage("PostingDateImpossible",
                  {S("UPDATE pstg SET Pstgdate = '2024-02-30' WHERE Objid = ") + kExt +
                   S(" AND Txnid = (SELECT "
                     "min(Txnid) FROM pstg WHERE "
                     "Txnid > 0 AND Objid = ") +
                   kExt + S(")")},
                  "posting.date / txn.pstgdate mismatch", O::Mended),
        sqlDamage("PostingChannelWrong",
                  {S("UPDATE pstg SET chnum = 5 WHERE Objid = ") + kPayCtgy + S(" AND Txnid = ") + kPay},
                  "channel number (on pstg) 5 shd be (from txn) 0", O::Mended),
        sqlDamage("PostingNoTxnAccountsFor",
                  {S("INSERT INTO pstg (Txnid, Objid, Amt, Pstgdate, Txntype) SELECT Id, (SELECT min(Id) FROM obj "
                     "WHERE Type = 1 AND Id <> t.Accid1), 0, Txndate, 'P' FROM txn t WHERE Id = ") +
                   kPay},
                  "posting missed from txn scan", O::Manual),
        // Deleted by the first repair, posted again by the second.
        sqlDamage("PostingTypeImpossible",
                  {S("UPDATE pstg SET Txntype = 'Q' WHERE Objid = ") + kPayCtgy + S(" AND Txnid = ") + kPay},
                  "invalid txn type", O::Mended, 2),
        sqlDamage("PotPostingDateMoved", {S("UPDATE pstg") + kTwoOn + kPayPot},
                  "posting date should match txn date for Intl accs", O::Mended),
        // The transaction takes the date of its category's posting, or its
        // bank date that of its external posting.
        moved(sqlDamage("CategoryPostingDateMoved", {S("UPDATE pstg") + kMovedOn + kPayCtgy},
                        "posting.date / txn.txndate mismatch", O::Mended),
              "Txndate"),
        moved(sqlDamage("BankPostingDateMoved",
                        {S("UPDATE pstg SET ReconCode = 1 WHERE Txnid = ") + kPay + S(" AND Objid = ") + kPayCpty,
                         S("UPDATE pstg") + kMovedOn + kPayExt},
                        "posting.date / txn.pstgdate mismatch", O::Mended),
              "Date2"),
        sqlDamage("AnchorTypeNull", {S("UPDATE pstg SET Txntype = NULL WHERE Txnid = 0 AND Objid = ") + kPot},
                  "anchor posting of type", O::Manual),
        // repeaters
        sqlDamage("RepeaterIdBeyond32Bits",
                  {S("INSERT INTO rptr (Id, Type, Amt, Accid1, Accid2, Freq) SELECT 4294967301, Type, Amt, Accid1, "
                     "Accid2, Freq FROM rptr WHERE Id = (SELECT min(Id) FROM rptr)")},
                  "Repeater 4294967301 value out of range", O::Manual),
        sqlDamage("RepeaterIdZero",
                  {S("INSERT INTO rptr (Id, Type, Amt, Accid1, Accid2, Freq) SELECT 0, Type, Amt, Accid1, Accid2, "
                     "Freq FROM rptr WHERE Id = (SELECT min(Id) FROM rptr)")},
                  "Repeater 0 invalid id", O::Manual),
        sqlDamage("RepeaterGentoWrong",
                  {S("UPDATE rptr SET Gento = Gento + 3 WHERE Id = (SELECT min(Id) FROM rptr WHERE RptActive = 1)")},
                  "should be", O::Mended),
        sqlDamage("RepeaterWithoutInstances",
                  {S("INSERT INTO rptr (Id, Type, Amt, Accid1, Accid2, Accid3, Accid4, Freq, StartDate, Rptinc, "
                     "RptActive, Gento) SELECT max(Id) + 1, 'T', 100, ") +
                   kExt + S(", (SELECT max(Id) FROM obj WHERE Type = 1), 0, 0, 'W', 20240101, 1, 1, 3 FROM rptr")},
                  "Gento 3 should be 0", O::Mended),
        sqlDamage("InstanceDuplicated",
                  {S("UPDATE txn SET Instance = 1 WHERE Instance = 2 AND Masterid = ") + kActiveMaster},
                  "Duplicate instance 1", O::Manual),
        sqlDamage("InstanceMissing",
                  {S("UPDATE txn SET Instance = Instance + 1 WHERE Instance >= 2 AND Masterid = ") + kActiveMaster},
                  "Missing instance 2", O::Manual),
        sqlDamage("RepeaterFreqNull", {S("UPDATE rptr SET Freq = NULL WHERE Id = (SELECT min(Id) FROM rptr)")},
                  "invalid frequency", O::Manual),
        sqlDamage("RepeaterAccountDangling",
                  {S("UPDATE rptr SET Accid1 = 999999 WHERE Id = (SELECT min(Id) FROM rptr WHERE Type <> 'C')")},
                  "accid1 not found 999999", O::Manual),
        sqlDamage("RepeaterChannelDangling", {S("UPDATE rptr SET chnum = 77 WHERE Id = (SELECT min(Id) FROM rptr)")},
                  "invalid channel number 77", O::Mended),
        // counterparty-category links and channels
        sqlDamage("LinksLost", {S("DELETE FROM cptypot")}, "Missing Cpty-Ctgy", O::Mended),
        sqlDamage("LinkUnused",
                  {S("INSERT INTO cptypot (Cptyid, Potid, Purchsale, Hidden) VALUES (4294967301, 1, "
                     "'P', 0)")},
                  "Normal deletion of Cpty-Ctgy with no txns 4294967301-1-P", O::Noted),
        sqlDamage("ChannelLost", {S("DELETE FROM channel WHERE Chnum = (SELECT min(chnum) FROM txn WHERE chnum > 0)")},
                  "invalid channel number", O::Mended),
        // the files themselves
        fileDamage("GarbagePageInLinks", "cptypot.db", Damage::GarbagePage, "cptypot.db : read failed - "),
        fileDamage("GarbagePageInPostings", "PSTG.DB", Damage::GarbagePage, "PSTG.DB : read failed - "),
        fileDamage("GarbagePageInTransactions", "TXN.DB", Damage::GarbagePage, "TXN.DB : read failed - "),
        fileDamage("TruncatedLinks", "cptypot.db", Damage::Truncate, "database disk image is malformed: "),
    };
}

const CalDate kToday = MakeDate(2024, 6, 30);

// The sound ledger every case starts from, generated once.
TempFolder* g_template = nullptr;

class DamageSweep : public ::testing::TestWithParam<Damage> {
protected:
    TempFolder program;
    QString data;
    ScriptedPrompter prompter;
    TFCore core{prompter};
    RecordingView view;
    HealthCheck hc{core, view};
    qint64 rowsSeen = 0;
    qint64 rowBound = 0;
    bool hung = false;
    bool opened = true;

    static void SetUpTestSuite() {
        g_template = new TempFolder;
        HeadlessPrompter p;
        TFCore gen(p);
        gen.settings().Today = kToday;
        GenOptions o;
        o.folder = g_template->path();
        o.seed = 7;
        o.years = 1;
        o.txnsPerYear = 100;
        o.ext = 7;
        o.pots = 5;
        o.cptys = 8;
        o.ctgys = 10;
        o.groupDepth = 2;
        o.today = kToday;
        ASSERT_TRUE(GenerateLedger(gen, o));
        CloseDatabase(gen);
    }
    static void TearDownTestSuite() {
        delete g_template;
        g_template = nullptr;
    }

    void SetUp() override {
        data = program.path() + QStringLiteral("DATA/");
        ASSERT_TRUE(QDir().mkpath(data));
        for (const QString& name : QDir(g_template->path()).entryList(QDir::Files)) {
            if (name != FolderLockName()) {
                ASSERT_TRUE(QFile::copy(g_template->file(name), data + name));
            }
        }
        core.setProgramFolder(program.path());
        core.settings().Today = kToday;
        SetDataFolder(core, data);
        ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
        hc.setInputInterval(0);
        // Every row of every table, a few times over, bounds a run: a walk
        // that goes on beyond it is going round in circles.
        rowBound = 20 * (count("obj") + count("txn") + count("pstg") + count("rptr") + count("cptypot")) + 1000;
        view.onInput = [this] {
            if (++rowsSeen > rowBound) {
                hung = true;
                hc.Abort();
            }
        };
    }
    void TearDown() override {
        if (core.databaseDetails.open)
            CloseDatabase(core);
    }

    qint64 count(const char* table) { return scalar(QStringLiteral("SELECT count(*) FROM %1").arg(S(table))); }
    qint64 scalar(const QString& sql) {
        Query q(core.store(), sql);
        const qint64 v = q.next() ? q.int64(0) : -1;
        q.reset();
        return v;
    }
    // What each account's postings add up to, and the anchors as stored.
    std::map<qint64, qint64> sums() {
        std::map<qint64, qint64> out;
        Query q(core.store(), QStringLiteral("SELECT Objid, sum(Amt) FROM pstg WHERE Txnid <> 0 GROUP BY Objid"));
        while (q.next())
            out[q.int64(0)] = q.int64(1);
        return out;
    }
    // The reconciliation marks, by posting.
    std::map<std::pair<qint64, qint64>, qint64> recons() {
        std::map<std::pair<qint64, qint64>, qint64> out;
        Query q(core.store(), QStringLiteral("SELECT Txnid, Objid, ReconCode FROM pstg WHERE ReconCode <> 0"));
        while (q.next())
            out[{q.int64(0), q.int64(1)}] = q.int64(2);
        return out;
    }
    // What a check must not change of the postings (the run marks aside).
    std::string postingsPrint() {
        return text(QStringLiteral("SELECT count(*) || ' ' || total(Amt) || ' ' || total(ReconCode) || ' ' || "
                                   "total(julianday(Pstgdate)) || ' ' || total(chnum) || ' ' || "
                                   "group_concat(DISTINCT Txntype) FROM pstg"));
    }
    // The b/fd balances, which no repair changes.
    std::string balances() {
        return text(QStringLiteral("SELECT group_concat(Id || ':' || ifnull(BfdBal, ''), ' ') FROM "
                                   "(SELECT Id, BfdBal FROM obj ORDER BY Id)"));
    }
    std::string text(const QString& sql) {
        Query q(core.store(), sql);
        const std::string v = q.next() ? q.text(0).toStdString() : std::string();
        q.reset();
        return v;
    }
    std::string anchors() {
        QStringList out;
        Query q(core.store(), QStringLiteral("SELECT Objid, Amt, Pstgdate, Txntype FROM pstg WHERE Txnid = 0 "
                                             "ORDER BY Objid"));
        while (q.next())
            out << q.text(0) + QLatin1Char(' ') + q.text(1) + QLatin1Char(' ') + q.text(2) + QLatin1Char(' ') +
                       q.text(3);
        return out.join(QLatin1Char('|')).toStdString();
    }

    void damageFile(const Damage& d) {
        ASSERT_TRUE(CloseDatabase(core));
        QFile f(data + S(d.file));
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        const qint64 pageSize = 4096;
        ASSERT_GE(f.size(), 3 * pageSize);
        if (d.fileDamage == Damage::Truncate) {
            // The last page gone, as after a crash of the disk.
            ASSERT_TRUE(f.resize(f.size() - pageSize));
        } else {
            // The table's first page (after the schema page) overwritten.
            ASSERT_TRUE(f.seek(pageSize));
            f.write(QByteArray(64, '\xA5'));
        }
        f.close();
        opened = OpenDatabase(core) == OpenResult::Opened;
    }

    bool run(HchkMode mode) {
        rowsSeen = 0;
        const bool clean = hc.Run(mode);
        EXPECT_FALSE(hung) << "run did not end: " << view.lines.join(QLatin1Char('\n')).toStdString();
        return clean;
    }
    bool logHas(const QString& text) const {
        for (const QString& l : view.lines)
            if (l.contains(text))
                return true;
        return false;
    }
    QString dump() const { return view.lines.join(QLatin1Char('\n')); }
};

TEST_P(DamageSweep, FoundThenMendedOrLeftManual) {
    const Damage& d = GetParam();
    const std::map<qint64, qint64> before = sums();
    const std::string anchorsBefore = anchors();
    ASSERT_FALSE(anchorsBefore.empty());

    if (d.file)
        damageFile(d);
    if (d.outcome == Outcome::Refused) {
        // Nothing can be checked; the user is told which file is damaged.
        EXPECT_FALSE(opened);
        EXPECT_TRUE(prompter.messages().join(QLatin1Char('\n')).contains(S(d.finding) + data + S(d.file)))
            << prompter.messages().join(QLatin1Char('\n')).toStdString();
        return;
    }
    ASSERT_TRUE(opened) << prompter.messages().join(QLatin1Char('\n')).toStdString();
    for (const QString& sql : d.sql)
        ASSERT_TRUE(core.store().exec(sql)) << sql.toStdString();
    const std::string anchorsDamaged = d.file ? std::string() : anchors();
    const std::string postingsDamaged = d.file ? std::string() : postingsPrint();
    const auto reconsDamaged = d.file ? decltype(recons())() : recons();
    const std::string balancesDamaged = d.file ? std::string() : balances();
    prompter.clearRecorded();

    // Check mode reports it, leaves the postings alone and, but for what it
    // mends itself, does not call the ledger sound.
    const bool firstClean = run(HchkMode::Check);
    EXPECT_TRUE(logHas(S(d.finding))) << dump().toStdString();
    EXPECT_EQ(firstClean, d.outcome == Outcome::Noted || d.outcome == Outcome::Informed) << dump().toStdString();
    if (!d.file) {
        EXPECT_EQ(postingsPrint(), postingsDamaged);
    }

    for (int i = 0; i < d.repairs; ++i)
        run(HchkMode::Repair);
    // What check mode put right is not found again.
    if (d.outcome == Outcome::Noted) {
        EXPECT_FALSE(logHas(S(d.finding))) << dump().toStdString();
    }
    if (!d.afterRepair.isEmpty()) {
        EXPECT_EQ(scalar(d.afterRepair), 1) << d.afterRepair.toStdString();
    }
    const bool clean = run(HchkMode::Check);
    if (d.outcome == Outcome::Mended) {
        EXPECT_FALSE(logHas(S(d.finding))) << dump().toStdString();
    }
    // Findings are log lines, not a message box for each row: at most the
    // backup folder's making and one word from each reopening.
    EXPECT_LE(prompter.messages().size(), d.file ? 10 : 4) << prompter.messages().join(QLatin1Char('\n')).toStdString();
    if (d.outcome == Outcome::Manual) {
        EXPECT_FALSE(clean);
        EXPECT_TRUE(logHas(QStringLiteral("Error (for manual repair) : "))) << dump().toStdString();
    } else {
        EXPECT_TRUE(clean) << dump().toStdString();
    }
    if (!d.file) {
        EXPECT_EQ(sums(), before);
        EXPECT_EQ(balances(), balancesDamaged);
        // A posting that stays keeps its reconciliation mark.
        const auto reconsAfter = recons();
        for (const auto& [key, code] : reconsDamaged) {
            if (scalar(QStringLiteral("SELECT count(*) FROM pstg WHERE Txnid = %1 AND Objid = %2")
                           .arg(key.first)
                           .arg(key.second)) > 0) {
                EXPECT_EQ(reconsAfter.count(key) ? reconsAfter.at(key) : 0, code) << key.first << "/" << key.second;
            }
        }
        // The anchors are as the damage left them, or mended whole.
        EXPECT_EQ(anchors(), d.outcome == Outcome::Mended ? anchorsBefore : anchorsDamaged);
    }
}

INSTANTIATE_TEST_SUITE_P(Damages, DamageSweep, ::testing::ValuesIn(Damages()),
                         [](const ::testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

} // namespace
