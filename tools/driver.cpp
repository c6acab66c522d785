// kovral-driver: runs a seeded random sequence of real ledger commands on a
// data folder, headless, and acknowledges every committed one on stdout.
//
//   kovral-driver FOLDER --seed N [--ops N] [--op KIND]
//   kovral-driver FOLDER --seed N --make-v12
//   kovral-driver FOLDER --seed N --archive yyyy-mm-dd
//
// The folder, named DATA, is opened (made when new) by the program's own
// start-up (StartUp, with its parent as the program folder), which generates
// the repeater instances when they are due; a prompter that
// needs no screen answers the core's questions from the seed.  Each command
// (add, amend, cancel, redate, delete, make a repeater, generate, delete
// instances, remove a repeater, reconcile, rebalance, set the period, diary
// note) runs inside one
// outer StoreTransaction.  Before its commit the driver lists the rows of TXN.DB
// that the command changed; after the commit returns it lists them again as
// acknowledged.  The kill tests use these lines to tell what must be on disk:
//
//   BEGIN <n> <kind>
//   WILL <kind> <id> <type> <amt> <txndate> <date2> <cancelled>   (one per row)
//   WILL del <id>
//   WILL set BalAt <yyyymmdd>
//   WILL-END <n>                        the commit is about to run
//   ACK <kind> <id> <type> <amt> <txndate> <date2> <cancelled>
//   ACK del <id>
//   ACK set BalAt <yyyymmdd>
//   ACK-END <n>                         the commit returned
//   ROLLBACK <n>                        the command gave up; nothing written
//   MSG <text>                          what the core reported (line breaks as " | ")
//
// Empty dates are written "-".  Every line is flushed as it is written, so a
// line that reached the test was written before the kill.
//
// --make-v12 builds a folder at schema version 12 holding a few objects and
// transactions (payments and receipts without a category, pot and cash
// transfers) and acknowledges its rows.  --archive runs the archive command
// with the given date, answering Yes to its questions, and prints
// "ARCHIVED 1" or "ARCHIVED 0".
#include "base/Dates.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Archive.h"
#include "ledger/Balances.h"
#include "ledger/Database.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"
#include "ledger/StartUp.h"
#include "ledger/Transactions.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <random>
#include <string>
#include <sys/uio.h>
#include <vector>

namespace {

// One line on stdout, written at once.  writev, not write: the disk-full
// tests inject failures into every write() (the settings file's), and the
// driver's own report must still get out.
void out(const QString& line) {
    const QByteArray b = line.toUtf8() + '\n';
    iovec v{const_cast<char*>(b.constData()), size_t(b.size())};
    ssize_t done = 0;
    while (done < b.size()) {
        v.iov_base = const_cast<char*>(b.constData()) + done;
        v.iov_len = size_t(b.size() - done);
        const ssize_t n = ::writev(1, &v, 1);
        if (n <= 0)
            return;
        done += n;
    }
}

class Rng {
public:
    explicit Rng(unsigned seed) : m_gen(seed) {}
    // 0 .. n-1
    int below(int n) { return n <= 1 ? 0 : int(m_gen() % unsigned(n)); }
    bool chance(int percent) { return below(100) < percent; }

private:
    std::mt19937 m_gen;
};

// d moved n days on (n < 0: back).
void AddDays(CalDate& d, int n) {
    for (; n > 0; --n)
        NextDay(d);
    for (; n < 0; ++n)
        PrevDay(d);
}

// Answers the core's questions from the seed.  Conversion questions and the
// archive's questions are always answered Yes (a No there ends the command
// for good); the rest Yes, No or Cancel at random.
class HeadlessPrompter : public Prompter {
public:
    HeadlessPrompter(Rng& rng, const CalDate& today) : m_rng(rng), m_today(today) {}
    QString archiveDate;
    bool yesToAll = false;

    void ShowMessage(const QString& text) override { report(text); }
    void InfoAtCursor(const QString& text) override { report(text); }
    char AskAtCursor(const QString& text) override {
        char a = 'Y';
        // Deleting one earlier instance alone leaves a gap that the health
        // check reports for manual repair: the driver always takes the later
        // instances with it, so that every state it leaves checks clean.
        if (!yesToAll && !text.startsWith(QLatin1String("Database will be converted")) &&
            !text.startsWith(QLatin1String("Txn is an instance of"))) {
            const int r = m_rng.below(10);
            a = r < 6 ? 'Y' : (r < 9 ? 'N' : 'C');
        }
        out(QStringLiteral("ASK %1 -> %2").arg(oneLine(text)).arg(QLatin1Char(a)));
        return a;
    }
    bool InputString(const QString& prompt1, const QString&, QString& text) override {
        if (!archiveDate.isEmpty()) {
            text = archiveDate;
            return true;
        }
        out(QStringLiteral("INPUT %1 -> cancel").arg(oneLine(prompt1)));
        return false;
    }
    int Choose(const QString& question, const QString&, const QString&) override {
        const int c = yesToAll ? 2 : m_rng.below(3);
        out(QStringLiteral("CHOOSE %1 -> %2").arg(oneLine(question)).arg(c));
        return c;
    }
    bool PickDate(CalDate& date) override {
        if (m_rng.chance(5))
            return false;
        date = m_today;
        AddDays(date, 60 - m_rng.below(200));
        return true;
    }
    void ShowStatus(const QString&) override {}
    void Notice(const QString&) override {}
    void Flash(const QString& text) override { report(text); }
    void Progress(const QString&) override {}

protected:
    void SetBusyCursor(bool) override {}

private:
    static QString oneLine(QString t) { return t.replace(QLatin1Char('\n'), QStringLiteral(" | ")); }
    void report(const QString& text) { out(QStringLiteral("MSG ") + oneLine(text)); }
    Rng& m_rng;
    CalDate m_today;
};

QString dash(const QString& s) {
    return s.isEmpty() ? QStringLiteral("-") : s;
}

// One TXN.DB row as the acknowledgement lines carry it.
struct Row {
    QString type;
    qint64 amt = 0;
    QString txndate;
    QString date2;
    bool cancelled = false;
    int masterid = 0;
    bool operator==(const Row& o) const {
        return type == o.type && amt == o.amt && txndate == o.txndate && date2 == o.date2 && cancelled == o.cancelled;
    }
};
using Snapshot = std::map<int, Row>;

Snapshot snapshot(TFCore& core) {
    Snapshot s;
    Query q(core.store(), QStringLiteral("SELECT Id, Type, Amt, Txndate, Date2, Cancelled, Masterid FROM txn"));
    while (q.next())
        s[q.integer("Id")] = Row{q.text("Type"),  q.int64("Amt"),         q.text("Txndate"),
                                 q.text("Date2"), q.boolean("Cancelled"), q.integer("Masterid")};
    return s;
}

QString rowText(const QString& kind, int id, const Row& r) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7")
        .arg(kind)
        .arg(id)
        .arg(dash(r.type))
        .arg(r.amt)
        .arg(dash(r.txndate), dash(r.date2))
        .arg(r.cancelled ? 1 : 0);
}

// The lines that describe the change from before to after.
QStringList diff(const QString& kind, const Snapshot& before, const Snapshot& after) {
    QStringList lines;
    for (const auto& [id, r] : after) {
        auto it = before.find(id);
        if (it == before.end() || !(it->second == r))
            lines << rowText(kind, id, r);
    }
    for (const auto& [id, r] : before)
        if (!after.count(id))
            lines << QStringLiteral("del %1").arg(id);
    return lines;
}

// The objects the commands post to, found by name (made when missing).
struct Objects {
    int ext[2] = {0, 0};
    int pot[2] = {0, 0};
    int cpty[2] = {0, 0};
    int ctgy[2] = {0, 0};
};

int findOrAdd(TFCore& core, int kind, const QString& name, bool& ok) {
    Query q(core.store(), SharedSql::ObjectByName);
    q.bind("lname", name.toLower()).bind("acctype", kind);
    if (q.next())
        return q.integer("id");
    ObjRec r;
    InitObjRec(r);
    r.Type = kind;
    r.Name = name;
    r.CloseDate = IntToCal(kNotClosed);
    if (!AddObj(core, r) || !EnsureAnchor(core, r.Id))
        ok = false;
    return r.Id;
}

int findObject(TFCore& core, int kind, const QString& name) {
    Query q(core.store(), SharedSql::ObjectByName);
    q.bind("lname", name.toLower()).bind("acctype", kind);
    const int id = q.next() ? q.integer("id") : 0;
    q.reset();
    return id;
}

bool setupObjects(TFCore& core, Objects& o) {
    // Made once; on later starts only looked up, so that a start on a full
    // or read-only disk writes nothing here.
    bool all = true;
    for (int i = 0; i < 2; ++i) {
        o.ext[i] = findObject(core, otExtAcc, QStringLiteral("Bank %1").arg(i + 1));
        o.pot[i] = findObject(core, otPot, QStringLiteral("Pot %1").arg(i + 1));
        o.cpty[i] = findObject(core, otCpty, QStringLiteral("Shop %1").arg(i + 1));
        o.ctgy[i] = findObject(core, otCtgy, QStringLiteral("Category %1").arg(i + 1));
        all = all && o.ext[i] && o.pot[i] && o.cpty[i] && o.ctgy[i];
    }
    if (all)
        return true;
    StoreTransaction t(core.store());
    bool ok = t.ok();
    for (int i = 0; i < 2 && ok; ++i) {
        o.ext[i] = findOrAdd(core, otExtAcc, QStringLiteral("Bank %1").arg(i + 1), ok);
        o.pot[i] = findOrAdd(core, otPot, QStringLiteral("Pot %1").arg(i + 1), ok);
        o.cpty[i] = findOrAdd(core, otCpty, QStringLiteral("Shop %1").arg(i + 1), ok);
        o.ctgy[i] = findOrAdd(core, otCtgy, QStringLiteral("Category %1").arg(i + 1), ok);
    }
    return ok && t.commit();
}

class Driver {
public:
    Driver(TFCore& core, Rng& rng, Objects& objs) : m_core(core), m_rng(rng), m_o(objs) {}

    // Runs one command of kind (empty: drawn at random) as a numbered step.
    void step(int n, QString kind) {
        if (kind.isEmpty())
            kind = drawKind();
        out(QStringLiteral("BEGIN %1 %2").arg(n).arg(kind));
        const Snapshot before = snapshot(m_core);
        StoreTransaction t(m_core.store());
        bool ok = t.ok() && run(kind);
        if (!ok || m_core.store().doomed()) {
            out(QStringLiteral("ROLLBACK %1").arg(n));
            return; // t rolls back
        }
        QStringList lines = diff(kind, before, snapshot(m_core));
        for (const QString& l : std::as_const(lines))
            out(QStringLiteral("WILL ") + l);
        out(QStringLiteral("WILL-END %1").arg(n));
        if (!t.commit()) {
            out(QStringLiteral("ROLLBACK %1").arg(n));
            return;
        }
        for (const QString& l : std::as_const(lines))
            out(QStringLiteral("ACK ") + l);
        out(QStringLiteral("ACK-END %1").arg(n));
    }

    // The period command writes the settings file, outside any transaction.
    void period(int n) {
        out(QStringLiteral("BEGIN %1 period").arg(n));
        CalDate at = m_core.settings().Today;
        AddDays(at, m_rng.below(60));
        const QString v = QString::number(CalToInt(at));
        out(QStringLiteral("WILL set BalAt ") + v);
        out(QStringLiteral("WILL-END %1").arg(n));
        const CalDate old = m_core.settings().BalAt;
        m_core.settings().BalAt = at;
        m_core.settings().RecomputeDerived();
        if (!WriteSettings(m_core)) {
            m_core.settings().BalAt = old;
            m_core.settings().RecomputeDerived();
            out(QStringLiteral("ROLLBACK %1").arg(n));
            return;
        }
        out(QStringLiteral("ACK set BalAt ") + v);
        out(QStringLiteral("ACK-END %1").arg(n));
    }

    // The start-up generation of repeater instances, as one command (StartUp
    // calls it when it is due).
    void startupGeneration() {
        const Snapshot before = snapshot(m_core);
        out(QStringLiteral("BEGIN 0 startgen"));
        StoreTransaction t(m_core.store());
        GenerateAllRepeaters(m_core);
        if (m_core.store().doomed()) {
            out(QStringLiteral("ROLLBACK 0"));
            return;
        }
        const QStringList lines = diff(QStringLiteral("startgen"), before, snapshot(m_core));
        for (const QString& l : lines)
            out(QStringLiteral("WILL ") + l);
        out(QStringLiteral("WILL-END 0"));
        if (!t.commit()) {
            out(QStringLiteral("ROLLBACK 0"));
            return;
        }
        for (const QString& l : lines)
            out(QStringLiteral("ACK ") + l);
        out(QStringLiteral("ACK-END 0"));
    }

private:
    QString drawKind() {
        // Repeaters multiply transactions: past a few hundred the driver
        // mostly deletes, so that the ledger stays of a size it can check
        // between kills.
        Query c(m_core.store(), QStringLiteral("SELECT count(*) FROM txn"));
        const qint64 count = c.next() ? c.int64(0) : 0;
        c.reset();
        if (count > 400 && m_rng.chance(60)) {
            const int r = m_rng.below(10);
            return r < 3 ? QStringLiteral("droprep") : (r < 6 ? QStringLiteral("delinst") : QStringLiteral("delete"));
        }
        static const std::vector<std::pair<const char*, int>> weights = {
            {"add", 34}, {"amend", 10},  {"cancel", 5}, {"redate", 7}, {"delete", 10}, {"makerep", 3},
            {"gen", 3},  {"delinst", 5}, {"recon", 5},  {"rebal", 5},  {"diary", 5},
        };
        int total = 0;
        for (const auto& w : weights)
            total += w.second;
        int r = m_rng.below(total);
        for (const auto& w : weights) {
            if (r < w.second)
                return QString::fromLatin1(w.first);
            r -= w.second;
        }
        return QStringLiteral("add");
    }

    CalDate randomDate() {
        CalDate d = m_core.settings().Today;
        AddDays(d, 30 - m_rng.below(150));
        return d;
    }
    Amount randomAmount() { return Amount(1 + m_rng.below(500000)); }

    // A transaction id of the ledger drawn at random (0 when none); with
    // instancesOnly, an instance of a repeater.
    int randomTxn(bool instancesOnly = false) {
        Query q(m_core.store(), instancesOnly ? QStringLiteral("SELECT Id FROM txn WHERE Instance > 0 ORDER BY Id")
                                              : QStringLiteral("SELECT Id FROM txn ORDER BY Id"));
        std::vector<int> ids;
        while (q.next())
            ids.push_back(q.integer("Id"));
        return ids.empty() ? 0 : ids[size_t(m_rng.below(int(ids.size())))];
    }

    // A repeater id drawn at random (0 when none).
    int randomRepeater() {
        Query q(m_core.store(), QStringLiteral("SELECT Id FROM rptr ORDER BY Id"));
        std::vector<int> ids;
        while (q.next())
            ids.push_back(q.integer("Id"));
        return ids.empty() ? 0 : ids[size_t(m_rng.below(int(ids.size())))];
    }

    int pick(const int (&ids)[2]) { return ids[m_rng.below(2)]; }

    bool run(const QString& kind) {
        if (kind == QLatin1String("add"))
            return add();
        if (kind == QLatin1String("diary"))
            return diary();
        if (kind == QLatin1String("amend") || kind == QLatin1String("cancel"))
            return amend(kind == QLatin1String("cancel"));
        if (kind == QLatin1String("redate"))
            return redate();
        if (kind == QLatin1String("delete")) {
            const int id = randomTxn();
            return id != 0 && DeleteTransaction(m_core, id);
        }
        if (kind == QLatin1String("makerep"))
            return makeRepeater();
        if (kind == QLatin1String("gen")) {
            const int id = randomRepeater();
            return id != 0 && RegenerateInstances(m_core, id);
        }
        if (kind == QLatin1String("delinst")) {
            const int id = randomTxn(true);
            TxnRec t;
            if (id == 0 || !ReadTxn(m_core, id, t))
                return false;
            return DeleteInstancesFrom(m_core, t.Masterid, t.Instance);
        }
        if (kind == QLatin1String("droprep")) {
            // As the repeater list removes a repeater: its instances first.
            const int id = randomRepeater();
            return id != 0 && DeleteInstancesFrom(m_core, id, 1) && DeleteRepeaterRow(m_core, id);
        }
        if (kind == QLatin1String("recon")) {
            const int acc = m_rng.chance(50) ? pick(m_o.ext) : pick(m_o.pot);
            return RecordReconciledBalance(m_core, acc, randomDate(), Amount(m_rng.below(2000000) - 1000000));
        }
        if (kind == QLatin1String("rebal"))
            return Rebalance(m_core);
        return false;
    }

    bool add() {
        TxnRec t;
        InitTxnRec(t);
        t.Amt = randomAmount();
        t.Txndate = randomDate();
        // As the entry form with "Actual txn date" ticked.
        t.ActualDate = t.Txndate;
        if (m_rng.chance(30)) {
            t.Date2 = t.Txndate;
            AddDays(t.Date2, m_rng.below(5));
        }
        t.Narrative = QStringLiteral("driver %1").arg(m_rng.below(100000));
        switch (m_rng.below(5)) {
        case 0:
        case 1:
            t.Type = m_rng.chance(50) ? TxnType::CashPayt : TxnType::CashRcpt;
            t.Accid1 = pick(m_o.ext);
            t.Accid2 = pick(m_o.cpty);
            t.Accid3 = pick(m_o.pot);
            t.Accid4 = pick(m_o.ctgy);
            break;
        case 2: // all four accounts
            t.Type = TxnType::Tfr;
            t.Accid1 = m_o.ext[0];
            t.Accid2 = m_o.ext[1];
            t.Accid3 = m_o.pot[0];
            t.Accid4 = m_o.pot[1];
            if (m_rng.chance(50)) {
                std::swap(t.Accid1, t.Accid2);
                std::swap(t.Accid3, t.Accid4);
            }
            break;
        case 3:
            t.Type = TxnType::CashTfr;
            t.Accid1 = m_o.ext[0];
            t.Accid2 = m_o.ext[1];
            break;
        default:
            t.Type = TxnType::PotTfr;
            t.Accid1 = m_o.pot[1];
            t.Accid2 = m_o.pot[0];
            break;
        }
        return WriteTransaction(m_core, t) && MakePostings(m_core, t);
    }

    bool diary() {
        TxnRec t;
        InitTxnRec(t);
        t.Type = TxnType::Diary;
        t.Txndate = randomDate();
        t.Narrative = QStringLiteral("note %1").arg(m_rng.below(1000));
        return WriteTransaction(m_core, t) && MakePostings(m_core, t);
    }

    // Amends (or cancels) a transaction as the display form does: the old
    // postings go, the record is stored by its role and posted again.
    bool amend(bool cancel) {
        const int id = randomTxn();
        TxnRec old;
        if (id == 0 || !ReadTxn(m_core, id, old) || old.Type == TxnType::ReconBal)
            return false;
        TxnRec t = old;
        if (cancel)
            t.Cancelled = !t.Cancelled;
        else {
            if (t.Type != TxnType::Diary)
                t.Amt = randomAmount();
            t.Narrative = QStringLiteral("amended %1").arg(m_rng.below(1000));
        }
        if (!CheckReconciledBalances(m_core, t, old))
            return false;
        return DeletePostings(m_core, old, 'D') && WriteTransaction(m_core, t) && MakePostings(m_core, t);
    }

    bool redate() {
        const int id = randomTxn();
        TxnRec t;
        if (id == 0 || !ReadTxn(m_core, id, t) || t.Accid1 == 0 || t.Type == TxnType::ReconBal)
            return false;
        PstgRec p;
        if (!ReadPstg(m_core, id, t.Accid1, p))
            return false;
        return RedatePosting(m_core, p);
    }

    bool makeRepeater() {
        Query q(m_core.store(),
                QStringLiteral("SELECT Id FROM txn WHERE Masterid = 0 AND Instance = 0 AND Type IN ('P', 'R', 'C') "
                               "ORDER BY Id DESC LIMIT 5"));
        std::vector<int> ids;
        while (q.next())
            ids.push_back(q.integer("Id"));
        TxnRec t;
        if (ids.empty() || !ReadTxn(m_core, ids[size_t(m_rng.below(int(ids.size())))], t))
            return false;
        if (!MakeRepeater(m_core, t))
            return false;
        return RegenerateInstances(m_core, t.Masterid);
    }

    TFCore& m_core;
    Rng& m_rng;
    Objects& m_o;
};

// A folder at schema version 12: made at the current layout by the core,
// then the columns that versions 13 to 18 added are dropped and the settings
// say 12.  Payments and receipts carry no category (version 14 brings them
// one); pot and cash transfers keep their own letters (version 17 makes them
// transfers).
int makeV12(TFCore& core, Rng& rng) {
    Store& s = core.store();
    if (!OpenLedgerStore(s, core.dataFolder(), true))
        return 2;
    Objects o;
    if (!setupObjects(core, o))
        return 2;
    const Snapshot before = snapshot(core);
    {
        StoreTransaction t(s);
        for (int i = 0; i < 12; ++i) {
            TxnRec r;
            InitTxnRec(r);
            r.Amt = Amount(100 + rng.below(100000));
            r.Txndate = core.settings().Today;
            AddDays(r.Txndate, -rng.below(90));
            switch (i % 4) {
            case 0:
                r.Type = i % 8 ? TxnType::CashRcpt : TxnType::CashPayt;
                r.Accid1 = o.ext[0];
                r.Accid2 = o.cpty[0];
                r.Accid3 = o.pot[0];
                break;
            case 1:
                r.Type = TxnType::PotTfr;
                r.Accid1 = o.pot[0];
                r.Accid2 = o.pot[1];
                break;
            case 2:
                r.Type = TxnType::CashTfr;
                r.Accid1 = o.ext[0];
                r.Accid2 = o.ext[1];
                break;
            default:
                r.Type = TxnType::Tfr;
                r.Accid1 = o.ext[1];
                r.Accid2 = o.ext[0];
                r.Accid3 = o.pot[1];
                r.Accid4 = o.pot[0];
                break;
            }
            if (!AddTxn(core, r) || !MakePostings(core, r))
                return 2;
        }
        if (!t.commit())
            return 2;
    }
    const QStringList lines = diff(QStringLiteral("v12"), before, snapshot(core));
    // Categories did not exist before version 14: the objects made for them go.
    if (!s.exec(QStringLiteral("DELETE FROM pstg WHERE Objid IN (SELECT Id FROM obj WHERE Type = 3)")) ||
        !s.exec(QStringLiteral("DELETE FROM obj WHERE Type = 3")))
        return 2;
    for (const char* sql : {"ALTER TABLE txn DROP COLUMN chnum", "ALTER TABLE pstg DROP COLUMN chnum",
                            "ALTER TABLE rptr DROP COLUMN chnum", "ALTER TABLE obj DROP COLUMN Fav",
                            "ALTER TABLE txn DROP COLUMN actualtxndate"})
        if (!s.exec(QString::fromLatin1(sql)))
            return 2;
    s.close();
    core.settings().DBvn = 12;
    if (!WriteSettings(core))
        return 2;
    for (const QString& l : lines)
        out(QStringLiteral("ACK ") + l);
    out(QStringLiteral("ACK-END 0"));
    return 0;
}

int usage() {
    std::fprintf(stderr, "usage: kovral-driver FOLDER --seed N [--ops N] [--op KIND] [--make-v12] "
                         "[--archive yyyy-mm-dd]\n");
    return 64;
}

} // namespace

int main(int argc, char** argv) {
    // The application name goes into the folder's lock file, so that a lock
    // left by a killed driver is not taken for a live one when its process id
    // is reused.
    QCoreApplication app(argc, argv);
    if (argc < 2)
        return usage();
    QString folder = QString::fromLocal8Bit(argv[1]);
    unsigned seed = 1;
    long ops = 1000000;
    QString forced, archiveDate;
    bool makeV12Folder = false;
    for (int i = 2; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : ""; };
        if (!std::strcmp(a, "--seed"))
            seed = unsigned(std::strtoul(value(), nullptr, 10));
        else if (!std::strcmp(a, "--ops"))
            ops = std::strtol(value(), nullptr, 10);
        else if (!std::strcmp(a, "--op"))
            forced = QString::fromLatin1(value());
        else if (!std::strcmp(a, "--make-v12"))
            makeV12Folder = true;
        else if (!std::strcmp(a, "--archive"))
            archiveDate = QString::fromLatin1(value());
        else
            return usage();
    }
    folder = QDir::cleanPath(QDir(folder).absolutePath()) + QLatin1Char('/');

    Rng rng(seed);
    // The driver's today: a day of 2024 drawn from the seed, so that start-up
    // generation runs on most starts.
    CalDate today = MakeDate(2024, 1, 1);
    AddDays(today, rng.below(366));
    HeadlessPrompter prompter(rng, today);
    TFCore core(prompter);
    core.settings().Today = today;
    core.setProgramFolder(QFileInfo(QDir::cleanPath(folder)).absolutePath() + QLatin1Char('/'));
    SetDataFolder(core, folder);

    if (makeV12Folder) {
        QDir().mkpath(folder);
        return makeV12(core, rng);
    }

    if (!archiveDate.isEmpty()) {
        if (OpenDatabase(core) != OpenResult::Opened) {
            out(QStringLiteral("OPEN-FAILED"));
            return 2;
        }
        out(QStringLiteral("OPENED %1").arg(core.settings().DBvn));
        prompter.yesToAll = true;
        prompter.archiveDate = archiveDate;
        if (core.settings().RebalNeeded && !Rebalance(core)) {
            out(QStringLiteral("ARCHIVED 0"));
            return 1;
        }
        const bool ok = ArchiveTransactions(core);
        out(QStringLiteral("ARCHIVED %1").arg(ok ? 1 : 0));
        CloseDatabase(core);
        return ok ? 0 : 1;
    }

    // The program's start-up; the objects are set up as soon as the folder is
    // open, before a generation that is due.
    if (QDir(folder).dirName() != QLatin1String("DATA")) {
        std::fprintf(stderr, "kovral-driver: the data folder must be named DATA\n");
        return 64;
    }
    Objects objs;
    std::optional<Driver> d;
    bool setupFailed = false;
    auto opened = [&] {
        if (d || setupFailed)
            return;
        out(QStringLiteral("OPENED %1").arg(core.settings().DBvn));
        if (setupObjects(core, objs))
            d.emplace(core, rng, objs);
        else
            setupFailed = true;
    };
    const QString programFolder = QFileInfo(QDir::cleanPath(folder)).absolutePath() + QLatin1Char('/');
    const OpenResult started = StartUp(core, programFolder, [&] {
        opened();
        if (d)
            d->startupGeneration();
    });
    if (started != OpenResult::Opened) {
        out(QStringLiteral("OPEN-FAILED"));
        return 2;
    }
    opened();
    if (!d) {
        out(QStringLiteral("SETUP-FAILED"));
        return 2;
    }
    for (long n = 1; n <= ops; ++n) {
        const QString kind = forced.isEmpty() ? QString() : forced;
        if (kind == QLatin1String("period") || (kind.isEmpty() && rng.chance(4)))
            d->period(int(n));
        else
            d->step(int(n), kind);
    }
    const bool closed = CloseDatabase(core);
    out(closed ? QStringLiteral("CLOSED") : QStringLiteral("CLOSE-FAILED"));
    return closed ? 0 : 1;
}
