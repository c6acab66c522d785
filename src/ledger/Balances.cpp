// Running balances, period summaries and the rebalance; see Balances.h.
//
// The rebalance is the one long run of the ledger core: a ledger of a
// quarter of a million transactions has a million postings.  It therefore
// reads the postings through the covering index AcPstg (Objid, Pstgdate,
// Txntype, Txnid, Amt) with a raw statement, never touching the table rows,
// keeps every summary in memory in 64 bits, and writes movts in one go at the
// end.  The observable results are those of the plain row-by-row walk: the
// summaries are built in Objid order, each posted object's row replacing its
// first-pass row before its figures go up its group chain.
#include "ledger/Balances.h"

#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Settings.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"

#include <QElapsedTimer>
#include <sqlite3.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

constexpr int kMaxGroupDepth = 100;
constexpr int kStatusEvery = 4096;

const QString kSelectMovt = QStringLiteral("SELECT * FROM movts WHERE Accid = :id");
const QString kUpsertMovt = QStringLiteral(
    "INSERT INTO movts (Accid, Grpid, BfdBal, Prepdnet, PdPayts, PdRcpts, PdTfrs, Bal, Balto, P0movt, P1movt,"
    " P2movt, Path) VALUES (:accid, :grpid, :bfdbal, :prepdnet, :pdpayts, :pdrcpts, :pdtfrs, :bal, NULL, 0, 0, 0,"
    " :path) ON CONFLICT (Accid) DO UPDATE SET Grpid = excluded.Grpid, BfdBal = excluded.BfdBal,"
    " Prepdnet = excluded.Prepdnet, PdPayts = excluded.PdPayts, PdRcpts = excluded.PdRcpts,"
    " PdTfrs = excluded.PdTfrs, Bal = excluded.Bal, Balto = NULL, P0movt = 0, P1movt = 0, P2movt = 0,"
    " Path = excluded.Path");
const QString kInsertMovt = QStringLiteral(
    "INSERT INTO movts (Accid, Grpid, BfdBal, Prepdnet, PdPayts, PdRcpts, PdTfrs, Bal, Balto, P0movt, P1movt,"
    " P2movt, Path) VALUES (:accid, :grpid, :bfdbal, :prepdnet, :pdpayts, :pdrcpts, :pdtfrs, :bal, NULL, 0, 0, 0,"
    " :path)");
// The rebalance's walk: only columns of the covering index AcPstg.
const QString kWalkPostings =
    QStringLiteral("SELECT Objid, Pstgdate, Txntype, Txnid, Amt FROM pstg ORDER BY Objid, Pstgdate");
// SetRngBal's walk: the account's postings in running-balance order.
// The stored running balance and flags come with each row, so that only the
// rows that change are written.
const QString kAccountPostings =
    QStringLiteral("SELECT rowid, Txnid, Pstgdate, Txntype, Amt, coalesce(RngBal, 0), coalesce(DpPstgDate, 0),"
                   " coalesce(DpRngBal, 0) FROM pstg"
                   " WHERE Objid = :objid AND Txntype <> 'A' AND Txntype <> 'D' ORDER BY Pstgdate, Txntype, Txnid");
// Page cache of the postings file (KiB) while many running balances are
// written: the first computation for a large account changes a row on
// nearly every page, and a cache smaller than that spills dirty pages
// mid-transaction, each spill syncing the journal again.
constexpr int kWriteCacheKiB = 256 * 1024;
constexpr size_t kManyChanges = 2000;
constexpr size_t kBatch = 500;

// A 64-bit amount as the user reads amounts: "-21,474,836.49".
QString FormatAmount64(Amount64 v) {
    const bool neg = v < 0;
    const std::uint64_t a = neg ? std::uint64_t(0) - std::uint64_t(v) : std::uint64_t(v);
    return (neg ? QStringLiteral("-") : QString()) + FormatThousands(std::int64_t(a / 100)) + QStringLiteral(".") +
           PadNumber(std::int64_t(a % 100), 2);
}

void ReportOutOfRange(TFCore& core, int id, const QString& name, const char* figure, Amount64 value) {
    core.prompter().ProgramError(QStringLiteral("figure too large for obj ") + QString::number(id) +
                                 QStringLiteral(" ") + Quote(name) + QString::fromLatin1(figure) + QStringLiteral(" ") +
                                 FormatAmount64(value));
}

// The 64-bit figures of one summary while the rebalance builds it.
struct Sums {
    Amount64 bfd = 0;
    Amount64 pre = 0;
    Amount64 pay = 0;
    Amount64 rcp = 0;
    Amount64 tfr = 0;
    void addPeriod(const Sums& o) {
        pre += o.pre;
        pay += o.pay;
        rcp += o.rcp;
        tfr += o.tfr;
    }
    void add(MovtFigure f, Amount64 amt) {
        switch (f) {
        case MovtFigure::Prepdnet:
            pre += amt;
            break;
        case MovtFigure::PdPayts:
            pay += amt;
            break;
        case MovtFigure::PdRcpts:
            rcp += amt;
            break;
        case MovtFigure::PdTfrs:
            tfr += amt;
            break;
        case MovtFigure::None:
            break;
        }
    }
    Amount64 bal() const { return bfd + pre + pay + rcp + tfr; }
};

// Every object of the ledger in memory, by id.
struct ObjectTable {
    std::vector<ObjRec> objs; // in Id order
    std::unordered_map<int, int> index;

    int find(int id) const {
        const auto it = index.find(id);
        return it == index.end() ? -1 : it->second;
    }
};

bool LoadObjects(TFCore& core, ObjectTable& t) {
    Query q(core.store(), SharedSql::AllObjects);
    while (q.next()) {
        ObjRec r;
        ObjFromRow(q, r);
        t.index.emplace(r.Id, int(t.objs.size()));
        t.objs.push_back(std::move(r));
    }
    return q.ok();
}

// Reports a group chain fault once per run.
struct ChainReports {
    bool cycleReported = false;
    std::unordered_set<int> missingReported;
};

// Walks obj's group chain as AddToGroups does, calling add(row index) for
// each group met.  Stops at a group that is not stored ("group not found")
// and after kMaxGroupDepth groups ("Group contains itself").
template <typename Add>
void WalkGroups(TFCore& core, const ObjectTable& t, const ObjRec& obj, ChainReports& reports, Add add) {
    int g = obj.Grpid;
    int steps = 0;
    while (g >= 1) {
        if (steps >= kMaxGroupDepth) {
            if (!reports.cycleReported) {
                core.prompter().ProgramError(QStringLiteral("Group contains itself ") + QString::number(obj.Id));
                reports.cycleReported = true;
            }
            return;
        }
        const int gi = t.find(g);
        if (gi < 0) {
            if (reports.missingReported.insert(g).second)
                core.prompter().ProgramError(QStringLiteral("group not found ") + QString::number(g));
            return;
        }
        add(gi);
        g = t.objs[size_t(gi)].Grpid;
        ++steps;
    }
}

// GroupPath computed over the objects in memory: " A : B :" for an object in
// B inside A; stops at a missing row; after 100 levels reports (once per run)
// and stops.
QString PathOf(TFCore& core, const ObjectTable& t, int id, bool& cycleReported) {
    QString path;
    int current = id;
    int steps = 0;
    while (current != 0) {
        if (steps > 99) {
            if (!cycleReported) {
                core.prompter().InfoAtCursor(QStringLiteral("Group contains itself ") + QString::number(id));
                cycleReported = true;
            }
            break;
        }
        const int i = t.find(current);
        if (i < 0)
            break;
        ++steps;
        const ObjRec& o = t.objs[size_t(i)];
        if (current != id)
            path = QStringLiteral(" ") + o.Name + QStringLiteral(" :") + path;
        current = o.Grpid;
    }
    return path;
}

// Shows "<prefix><n>" on the status panel at most every kStatusEvery steps
// (and always for the first and the last), letting the screen refresh there.
class Countdown {
public:
    Countdown(TFCore& core, const QString& prefix, qint64 start) : m_core(core), m_prefix(prefix), m_left(start) {}
    void step(bool last = false) {
        if (m_steps % kStatusEvery == 0 || last)
            ShowStatus(m_core, m_prefix + QString::number(m_left));
        ++m_steps;
        --m_left;
    }

private:
    TFCore& m_core;
    QString m_prefix;
    qint64 m_left;
    qint64 m_steps = 0;
};

// Restores the screen state of the rebalance however it ends.
struct RebalanceScreen {
    Prompter& p;
    explicit RebalanceScreen(Prompter& pr) : p(pr) {
        p.BusyOn();
        p.Notice(QStringLiteral("Rebalancing "));
    }
    ~RebalanceScreen() {
        p.ShowStatus(QString());
        p.Notice(QString());
        p.BusyOff();
    }
};

bool CheckFits(TFCore& core, const ObjRec& o, const Sums& s) {
    const struct {
        const char* name;
        Amount64 v;
    } figures[] = {{"BfdBal", s.bfd},  {"Prepdnet", s.pre}, {"PdPayts", s.pay},
                   {"PdRcpts", s.rcp}, {"PdTfrs", s.tfr},   {"Bal", s.bal()}};
    for (const auto& f : figures)
        if (!FitsAmount(f.v)) {
            ReportOutOfRange(core, o.Id, o.Name, f.name, f.v);
            return false;
        }
    return true;
}

} // namespace

DateInt ParseDateBytes(const unsigned char* s, int n) {
    if (!s || n < 10)
        return 0;
    static const int pos[8] = {0, 1, 2, 3, 5, 6, 8, 9};
    DateInt v = 0;
    for (int p : pos) {
        const unsigned char c = s[p];
        if (c < '0' || c > '9')
            return 0;
        v = v * 10 + (c - '0');
    }
    return v;
}

const QString& RebalanceWalkSql() {
    return kWalkPostings;
}

// ---- movts rows ------------------------------------------------------------

void InitMovtRec(MovtRec& movt) {
    movt = MovtRec();
}

bool ReadMovt(TFCore& core, int id, MovtRec& movt) {
    InitMovtRec(movt);
    if (id < 1)
        return false;
    Query q(core.store(), kSelectMovt);
    q.bind("id", id);
    if (!q.next())
        return false;
    movt.Accid = q.integer("Accid");
    movt.Grpid = q.integer("Grpid");
    movt.Bal = q.integer("Bal");
    movt.BfdBal = q.integer("BfdBal");
    movt.Balto = q.dateTime("Balto");
    movt.Prepdnet = q.integer("Prepdnet");
    movt.PdPayts = q.integer("PdPayts");
    movt.PdRcpts = q.integer("PdRcpts");
    movt.PdTfrs = q.integer("PdTfrs");
    movt.P0movt = q.integer("P0movt");
    movt.P1movt = q.integer("P1movt");
    movt.P2movt = q.integer("P2movt");
    movt.Path = q.text("Path");
    q.reset();
    return true;
}

bool WriteMovt(TFCore& core, MovtRec& movt) {
    const Amount64 bal = Amount64(movt.BfdBal) + movt.Prepdnet + movt.PdPayts + movt.PdRcpts + movt.PdTfrs;
    if (!FitsAmount(bal)) {
        ObjRec o;
        {
            NotFoundQuiet quiet(core);
            ReadObj(core, movt.Accid, o);
        }
        ReportOutOfRange(core, movt.Accid, o.Name, "Bal", bal);
        return false;
    }
    Query q(core.store(), kUpsertMovt);
    q.bind("accid", movt.Accid)
        .bind("grpid", movt.Grpid)
        .bind("bfdbal", movt.BfdBal)
        .bind("prepdnet", movt.Prepdnet)
        .bind("pdpayts", movt.PdPayts)
        .bind("pdrcpts", movt.PdRcpts)
        .bind("pdtfrs", movt.PdTfrs)
        .bind("bal", Amount(bal))
        .bind("path", movt.Path);
    if (!q.exec())
        return false;
    movt.Bal = Amount(bal);
    movt.Balto = QDateTime();
    movt.P0movt = movt.P1movt = movt.P2movt = 0;
    return true;
}

void MovtFromObj(const ObjRec& obj, MovtRec& movt) {
    InitMovtRec(movt);
    movt.Accid = obj.Id;
    movt.Grpid = obj.Grpid;
    movt.BfdBal = obj.BfdBal;
}

bool AddToGroups(TFCore& core, const MovtRec& movt, char mode) {
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    int g = movt.Grpid;
    int steps = 0;
    while (g >= 1) {
        if (steps >= kMaxGroupDepth) {
            core.prompter().ProgramError(QStringLiteral("Group contains itself ") + QString::number(movt.Accid));
            break;
        }
        MovtRec row;
        if (!ReadMovt(core, g, row)) {
            core.prompter().ProgramError(QStringLiteral("group not found ") + QString::number(g));
            break;
        }
        Sums s{row.BfdBal, row.Prepdnet, row.PdPayts, row.PdRcpts, row.PdTfrs};
        if (mode == 'B')
            s.bfd += movt.BfdBal;
        else if (mode == 'P')
            s.addPeriod(Sums{0, movt.Prepdnet, movt.PdPayts, movt.PdRcpts, movt.PdTfrs});
        ObjRec o;
        o.Id = g;
        if (!CheckFits(core, o, s))
            return false;
        row.BfdBal = Amount(s.bfd);
        row.Prepdnet = Amount(s.pre);
        row.PdPayts = Amount(s.pay);
        row.PdRcpts = Amount(s.rcp);
        row.PdTfrs = Amount(s.tfr);
        if (!WriteMovt(core, row))
            return false;
        g = row.Grpid;
        ++steps;
    }
    return t.commit();
}

MovtFigure FigureOf(DateInt date, char type, DateInt from, DateInt at) {
    if (type == TxnType::Anchor || type == TxnType::ReconBal)
        return MovtFigure::None;
    if (date < from)
        return MovtFigure::Prepdnet;
    if (date > at)
        return MovtFigure::None;
    switch (type) {
    case TxnType::Tfr:
    case TxnType::PotTfr:
    case TxnType::CashTfr:
        return MovtFigure::PdTfrs;
    case TxnType::CashPayt:
    case TxnType::CredPurch:
        return MovtFigure::PdPayts;
    case TxnType::CashRcpt:
    case TxnType::CredSale:
        return MovtFigure::PdRcpts;
    default:
        return MovtFigure::None;
    }
}

bool Accumulate(const Settings& settings, const PstgRec& pstg, MovtRec& movt) {
    const MovtFigure f =
        FigureOf(CalToInt(pstg.Pstgdate), pstg.Txntype, CalToInt(settings.BalFrom), CalToInt(settings.BalAt));
    Amount* target = nullptr;
    switch (f) {
    case MovtFigure::Prepdnet:
        target = &movt.Prepdnet;
        break;
    case MovtFigure::PdPayts:
        target = &movt.PdPayts;
        break;
    case MovtFigure::PdRcpts:
        target = &movt.PdRcpts;
        break;
    case MovtFigure::PdTfrs:
        target = &movt.PdTfrs;
        break;
    case MovtFigure::None:
        return true;
    }
    const Amount64 v = Amount64(*target) + pstg.Amt;
    if (!FitsAmount(v))
        return false;
    *target = Amount(v);
    return true;
}

// ---- the rebalance -----------------------------------------------------------

void ShowStatus(TFCore& core, const QString& text) {
    core.prompter().ProcessEvents();
    core.prompter().ShowStatus(text);
}

void RecomputeDerivedDates(TFCore& core) {
    core.settings().RecomputeDerived();
}

QDateTime LastRebalanceTime(TFCore& core) {
    return Ledger(core).lastRebalance;
}

bool PathsSet(TFCore& core) {
    return Ledger(core).pathsSet;
}

bool RebalanceIfNeeded(TFCore& core) {
    return core.settings().RebalNeeded ? Rebalance(core) : true;
}

bool Rebalance(TFCore& core) {
    Prompter& p = core.prompter();
    RebalanceScreen screen(p);
    RecomputeDerivedDates(core);

    // Due repeater instances first: their postings belong in the figures.
    GenerateAllRepeaters(core);

    Store& store = core.store();
    LedgerState& state = Ledger(core);
    const bool pathsWere = state.pathsSet;
    StoreTransaction t(store);
    if (!t.ok())
        return false;
    if (!store.exec(QStringLiteral("DELETE FROM movts")))
        return false;
    state.pathsSet = false;
    p.ProcessEvents();

    ObjectTable objs;
    if (!LoadObjects(core, objs)) {
        state.pathsSet = pathsWere;
        return false;
    }
    const qint64 n = qint64(objs.objs.size());
    std::vector<Sums> rows(objs.objs.size());
    ChainReports reports;

    // First pass: every object a row; only external accounts and pots carry
    // their brought-forward balance before their postings are read.
    {
        Countdown status(core, QStringLiteral("Accounts 1st pass "), n - 1);
        for (qint64 i = 0; i < n; ++i) {
            status.step(i == n - 1);
            const ObjRec& o = objs.objs[size_t(i)];
            if (o.Type == otExtAcc || o.Type == otPot)
                rows[size_t(i)].bfd = o.BfdBal;
        }
    }
    // Second pass: every leaf's brought-forward balance up its group chain.
    {
        Countdown status(core, QStringLiteral("Accounts 2nd pass "), n - 1);
        for (qint64 i = 0; i < n; ++i) {
            status.step(i == n - 1);
            const ObjRec& o = objs.objs[size_t(i)];
            if (IsLeafKind(o.Type) && o.Grpid >= 1)
                WalkGroups(core, objs, o, reports, [&](int gi) { rows[size_t(gi)].bfd += o.BfdBal; });
        }
    }

    // Postings, in AcPstg order, so that each object's summary is complete
    // when its last posting has been read.
    qint64 total = 0;
    {
        Query c(store, QStringLiteral("SELECT count(*) FROM pstg"));
        if (!c.next()) {
            state.pathsSet = pathsWere;
            return false;
        }
        total = c.int64(0);
    }
    state.lastRebalance = Now();
    const DateInt from = CalToInt(core.settings().BalFrom);
    const DateInt at = CalToInt(core.settings().BalAt);
    std::vector<char> dirty(objs.objs.size(), 0);
    std::unordered_set<int> missingReported;
    {
        sqlite3_stmt* st = store.acquire(kWalkPostings);
        if (!st) {
            state.pathsSet = pathsWere;
            return false;
        }
        Countdown status(core, QStringLiteral("Postings "), total - 1);
        int curId = 0;   // objid of the postings being read
        int curIdx = -1; // its object, -1 when it is not stored
        DateInt lastDate = 0;
        Sums cur;
        auto finish = [&] {
            if (curIdx < 0)
                return;
            ObjRec& o = objs.objs[size_t(curIdx)];
            rows[size_t(curIdx)] = cur;
            if (o.Grpid >= 1)
                WalkGroups(core, objs, o, reports, [&](int gi) { rows[size_t(gi)].addPeriod(cur); });
            if (CalToInt(o.LastPstgDate) != lastDate) {
                o.LastPstgDate = IntToCal(lastDate);
                dirty[size_t(curIdx)] = 1;
            }
        };
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            const int objid = sqlite3_column_int(st, 0);
            const unsigned char* dateText = sqlite3_column_text(st, 1);
            const int dateLen = sqlite3_column_bytes(st, 1);
            const unsigned char* typeText = sqlite3_column_text(st, 2);
            const int typeLen = sqlite3_column_bytes(st, 2);
            char type = typeLen == 1 ? char(typeText[0]) : ' ';
            DateInt date;
            Amount amt;
            if (dateLen == 0 || !IsPostingType(type)) {
                // An empty date or a bad type letter: read the posting whole,
                // which reports it and takes the transaction's type.
                PstgRec pr;
                ReadPstg(core, sqlite3_column_int(st, 3), objid, pr);
                type = pr.Txntype;
                date = CalToInt(pr.Pstgdate);
                amt = pr.Amt;
            } else {
                date = ParseDateBytes(dateText, dateLen);
                amt = sqlite3_column_int(st, 4);
            }
            if (type == TxnType::Anchor || type == TxnType::Diary || type == TxnType::ReconBal)
                continue;
            status.step();
            if (objid != curId) {
                finish();
                curId = objid;
                curIdx = objs.find(objid);
                cur = Sums();
                lastDate = 0;
                if (curIdx < 0) {
                    // Postings of an object that is gone add nothing; the
                    // health check deals with them.
                    if (objid >= 1 && state.reportNotFound && missingReported.insert(objid).second)
                        ObjNotFound(core, objid);
                } else {
                    ObjRec& o = objs.objs[size_t(curIdx)];
                    cur.bfd = o.BfdBal;
                    if (date != 0 && (IsNullDate(o.OpenDate) || CalToInt(o.OpenDate) > date)) {
                        o.OpenDate = IntToCal(date);
                        dirty[size_t(curIdx)] = 1;
                    }
                }
            }
            lastDate = date;
            cur.add(FigureOf(date, type, from, at), amt);
        }
        const bool walked = rc == SQLITE_DONE;
        if (!walked)
            store.reportError();
        store.release(kWalkPostings, st);
        if (!walked) {
            state.pathsSet = pathsWere;
            return false;
        }
        status.step(true);
        finish();
    }

    // Write: every object one movts row (with its path), then the objects
    // whose dates moved.
    {
        bool cycleReported = reports.cycleReported;
        Query ins(store, kInsertMovt);
        for (size_t i = 0; i < objs.objs.size(); ++i) {
            const ObjRec& o = objs.objs[i];
            const Sums& s = rows[i];
            if (!CheckFits(core, o, s)) {
                state.pathsSet = pathsWere;
                return false;
            }
            ins.bind("accid", o.Id)
                .bind("grpid", o.Grpid)
                .bind("bfdbal", Amount(s.bfd))
                .bind("prepdnet", Amount(s.pre))
                .bind("pdpayts", Amount(s.pay))
                .bind("pdrcpts", Amount(s.rcp))
                .bind("pdtfrs", Amount(s.tfr))
                .bind("bal", Amount(s.bal()))
                .bind("path", PathOf(core, objs, o.Id, cycleReported));
            if (!ins.exec()) {
                state.pathsSet = pathsWere;
                return false;
            }
        }
        Query upd(store, QStringLiteral("UPDATE obj SET OpenDate = :opendate, LastPstgDate = :lastpstgdate, "
                                        "EditTS = :editts WHERE Id = :id"));
        const QDateTime now = Now();
        for (size_t i = 0; i < objs.objs.size(); ++i) {
            if (!dirty[i])
                continue;
            const ObjRec& o = objs.objs[i];
            upd.bind("opendate", CalToInt(o.OpenDate))
                .bind("lastpstgdate", CalToInt(o.LastPstgDate))
                .bindDateTime("editts", now)
                .bind("id", o.Id);
            if (!upd.exec()) {
                state.pathsSet = pathsWere;
                return false;
            }
        }
    }
    if (!t.commit()) {
        state.pathsSet = pathsWere;
        return false;
    }
    core.SetRebalNeeded(false);
    state.pathsSet = true;
    return true;
}

bool SetPaths(TFCore& core) {
    Prompter& p = core.prompter();
    BusyScope busy(p);
    ObjectTable objs;
    if (!LoadObjects(core, objs))
        return false;
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    bool cycleReported = false;
    Query q(core.store(), QStringLiteral("UPDATE movts SET Path = :path WHERE Accid = :id"));
    for (const ObjRec& o : objs.objs) {
        q.bind("path", PathOf(core, objs, o.Id, cycleReported)).bind("id", o.Id);
        if (!q.exec())
            return false;
    }
    if (!t.commit())
        return false;
    Ledger(core).pathsSet = true;
    p.Notice(QString());
    return true;
}

// ---- running balances ----------------------------------------------------------

Amount SetRngBal(TFCore& core, int objid, const CalDate& date) {
    Amount before = 0;
    return RecomputeRngBal(core, objid, date, before) ? before : 0;
}

namespace {
// The running balances and flags of objid's postings that differ from the
// stored ones (and always the last posting when alwaysLast), and the balance
// before date.  Reads inside the caller's transaction; false (reported) on a
// read failure or a figure beyond the Amount range.
bool ComputeRunningBalances(TFCore& core, int objid, const CalDate& date, bool alwaysLast,
                            std::vector<RngBalWrite>& changed, Amount& balanceBefore) {
    changed.clear();
    balanceBefore = 0;
    ObjRec obj;
    ReadObj(core, objid, obj);
    Amount64 bal = obj.BfdBal;
    Amount64 result = obj.BfdBal;
    const DateInt before = CalToInt(date);

    struct Row {
        sqlite3_int64 rowid;
        int txnid;
        DateInt date;
        Amount amt;
        Amount bal = 0;
        bool first = true;
        bool last = true;
        Amount storedBal = 0;
        bool storedFirst = false;
        bool storedLast = false;
    };
    std::vector<Row> rows;
    Store& store = core.store();
    {
        sqlite3_stmt* st = store.acquire(kAccountPostings);
        if (!st)
            return false;
        sqlite3_bind_int(st, sqlite3_bind_parameter_index(st, ":objid"), objid);
        int rc;
        while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
            Row r;
            r.rowid = sqlite3_column_int64(st, 0);
            r.txnid = sqlite3_column_int(st, 1);
            const int dateLen = sqlite3_column_bytes(st, 2);
            const int typeLen = sqlite3_column_bytes(st, 3);
            const char type = typeLen == 1 ? char(sqlite3_column_text(st, 3)[0]) : ' ';
            if (dateLen == 0 || !IsPostingType(type)) {
                PstgRec pr; // reports the empty date or the bad type
                ReadPstg(core, r.txnid, objid, pr);
            }
            r.date = ParseDateBytes(sqlite3_column_text(st, 2), dateLen);
            r.amt = sqlite3_column_int(st, 4);
            r.storedBal = sqlite3_column_int(st, 5);
            r.storedFirst = sqlite3_column_int(st, 6) != 0;
            r.storedLast = sqlite3_column_int(st, 7) != 0;
            rows.push_back(r);
        }
        const bool ok = rc == SQLITE_DONE;
        if (!ok)
            store.reportError();
        store.release(kAccountPostings, st);
        if (!ok)
            return false;
    }
    for (size_t i = 0; i < rows.size(); ++i) {
        Row& r = rows[i];
        bal += r.amt;
        if (!FitsAmount(bal)) {
            ReportOutOfRange(core, objid, obj.Name, "RngBal", bal);
            return false;
        }
        r.bal = Amount(bal);
        if (r.date < before)
            result += r.amt;
        if (i > 0 && rows[i - 1].date == r.date) {
            r.first = false;
            rows[i - 1].last = false;
        }
    }
    if (!FitsAmount(result)) {
        ReportOutOfRange(core, objid, obj.Name, "Bal", result);
        return false;
    }
    // Only the rows whose stored values are wrong are written, and always
    // the last posting.
    const sqlite3_int64 lastRowid = !alwaysLast || rows.empty() || rows.back().txnid < 1 ? -1 : rows.back().rowid;
    for (const Row& r : rows)
        if (r.rowid == lastRowid || r.bal != r.storedBal || r.first != r.storedFirst || r.last != r.storedLast)
            changed.push_back({r.rowid, r.bal, r.first, r.last});
    balanceBefore = Amount(result);
    return true;
}
} // namespace

bool RecomputeRngBal(TFCore& core, int objid, const CalDate& date, Amount& balanceBefore) {
    balanceBefore = 0;
    StoreTransaction t(core.store());
    std::vector<RngBalWrite> changed;
    Amount before = 0;
    if (!t.ok() || !ComputeRunningBalances(core, objid, date, true, changed, before) ||
        !WriteRunningBalances(core, changed) || !t.commit())
        return false;
    balanceBefore = before;
    return true;
}

bool StaleRunningBalances(TFCore& core, int objid, std::vector<RngBalWrite>& changed) {
    StoreTransaction t(core.store());
    Amount before = 0;
    if (!t.ok() || !ComputeRunningBalances(core, objid, CalDate(), false, changed, before))
        return false;
    SortByRowid(changed);
    return t.commit();
}

void SortByRowid(std::vector<RngBalWrite>& rows) {
    std::sort(rows.begin(), rows.end(), [](const RngBalWrite& a, const RngBalWrite& b) { return a.rowid < b.rowid; });
}

bool WriteRunningBalances(TFCore& core, std::vector<RngBalWrite>& rows) {
    if (rows.empty())
        return true;
    Store& store = core.store();
    StoreTransaction t(store);
    if (!t.ok())
        return false;
    SortByRowid(rows);
    if (rows.size() >= kManyChanges)
        store.exec(QStringLiteral("PRAGMA pstg.cache_size = -%1").arg(kWriteCacheKiB));
    // Up to kBatch rows per statement, their values bound in one VALUES
    // list: a statement per posting would cost more than the writing.
    auto sqlFor = [](size_t n) {
        QString sql = QStringLiteral("WITH v(r, b, f, l) AS (VALUES ");
        for (size_t i = 0; i < n; ++i)
            sql += i ? QStringLiteral(", (?, ?, ?, ?)") : QStringLiteral("(?, ?, ?, ?)");
        return sql + QStringLiteral(") UPDATE pstg SET RngBal = v.b, DpPstgDate = v.f, DpRngBal = v.l FROM v"
                                    " WHERE pstg.rowid = v.r");
    };
    // Three sizes of statement only, so that the statement cache stays small.
    for (size_t from = 0, n = 0; from < rows.size(); from += n) {
        const size_t left = rows.size() - from;
        n = left >= kBatch ? kBatch : (left >= kBatch / 10 ? kBatch / 10 : 1);
        const QString sql = sqlFor(n);
        sqlite3_stmt* up = store.acquire(sql);
        if (!up)
            return false;
        int k = 0;
        for (size_t i = from; i < from + n; ++i) {
            const RngBalWrite& r = rows[i];
            sqlite3_bind_int64(up, ++k, r.rowid);
            sqlite3_bind_int(up, ++k, r.bal);
            sqlite3_bind_int(up, ++k, r.first ? 1 : 0);
            sqlite3_bind_int(up, ++k, r.last ? 1 : 0);
        }
        const bool ok = sqlite3_step(up) == SQLITE_DONE;
        sqlite3_reset(up);
        if (!ok)
            store.reportError();
        store.release(sql, up);
        if (!ok)
            return false;
    }
    return t.commit();
}

// ---- the balance period --------------------------------------------------------

CalDate FinancialYearStart(const CalDate& date, int day1, int month1) {
    CalDate start = MakeDate(date.year, month1, day1);
    if (DateAfter(start, date))
        start = MakeDate(date.year - 1, month1, day1);
    return start;
}

QString FinancialYearLabel(int year, int day1, int month1) {
    if (day1 == 1 && month1 == 1)
        return QString::number(year);
    return QString::number(year) + QStringLiteral("/") + PadNumber((year + 1) % 100, 2);
}

BalPeriod CurrentYearSoFar(const CalDate& today, int day1, int month1) {
    BalPeriod p;
    p.to = WithDayOfWeek(today);
    p.from = FinancialYearStart(today, day1, month1);
    p.label = FinancialYearLabel(p.from.year, day1, month1);
    return p;
}

BalPeriod RollingYearToToday(const CalDate& today) {
    BalPeriod p;
    p.to = WithDayOfWeek(today);
    p.from = YearBackDayOn(p.to);
    return p;
}

BalPeriod WholeFinancialYear(int year, int day1, int month1) {
    BalPeriod p;
    p.from = MakeDate(year, month1, day1);
    p.to = YearOnDayBack(p.from);
    p.label = FinancialYearLabel(year, day1, month1);
    return p;
}

bool ParseFinancialYear(const QString& text, int& year) {
    const QString s = text.trimmed();
    if (s.isEmpty() || s.size() > 4)
        return false;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return false;
    const int y = s.toInt();
    if (y < 1 || y > 9998)
        return false;
    year = y;
    return true;
}

bool ParseYearStart(const QString& text, int& day, int& month) {
    if (text.size() != 5)
        return false;
    auto twoDigits = [&](int at, int& out) {
        const QChar a = text.at(at), b = text.at(at + 1);
        if (a < QLatin1Char('0') || a > QLatin1Char('9') || b < QLatin1Char('0') || b > QLatin1Char('9'))
            return false;
        out = (a.unicode() - '0') * 10 + (b.unicode() - '0');
        return true;
    };
    int d = 0, m = 0;
    if (!twoDigits(0, d) || !twoDigits(3, m) || d < 1 || d > 31 || m < 1 || m > 12)
        return false;
    day = d;
    month = m;
    return true;
}

QString YearStartCaption(int day1, int month1) {
    return PadNumber(day1, 2) + QStringLiteral("/") + PadNumber(month1, 2);
}

CalDate YearOnDayBack(const CalDate& d) {
    if (IsNullDate(d))
        return d;
    CalDate r = d;
    NextYear(r);
    PrevDay(r);
    return WithDayOfWeek(r);
}

CalDate YearBackDayOn(const CalDate& d) {
    if (IsNullDate(d))
        return d;
    CalDate r = d;
    PrevYear(r);
    NextDay(r);
    return WithDayOfWeek(r);
}

bool RefreshedPeriod(const Settings& settings, int periodType, BalPeriod& period) {
    switch (periodType) {
    case 1:
        period = CurrentYearSoFar(settings.Today, settings.FinancialYearDay1, settings.FinancialYearMonth1);
        return true;
    case 2:
        period = RollingYearToToday(settings.Today);
        return true;
    default:
        return false;
    }
}

bool AutoRefreshPeriod(TFCore& core) {
    Settings& s = core.settings();
    if (!s.PeriodAutoRefresh || s.PeriodType == 0)
        return true;
    BalPeriod p;
    if (!RefreshedPeriod(s, s.PeriodType, p))
        return true;
    if (DateEqual(p.from, s.BalFrom) && DateEqual(p.to, s.BalAt))
        return true;
    s.BalFrom = p.from;
    s.BalAt = p.to;
    // Stale until the rebalance below has run, should it fail.
    core.SetRebalNeeded(true);
    return Rebalance(core);
}
