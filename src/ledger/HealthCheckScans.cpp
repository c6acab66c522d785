// The five scans of the health check, each one pass over its table in key
// order, and the posting check of a transaction.
//
// No walk holds a cursor open across rows: the window takes input between
// rows and repairs write to the table being walked.  The small tables are
// walked one keyed fetch per row (the row after the last key seen); the
// transactions and postings are read ahead in blocks of rows after the last
// key seen, and a block is dropped (and the walk goes on with a fresh fetch
// after the last key) as soon as anything may have changed: a write of the
// scan or a change made during the window's input.  Rows are read straight
// from the tables, so that a damaged row (an empty type, a null date) is a
// finding in the log rather than a message box.
#include "ledger/HealthCheck.h"

#include "base/Amount.h"
#include "base/Dates.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Closing.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

QString N(qint64 v) {
    return QString::number(v);
}

// An amount as the ledger shows it; totals that leave the Amount range are
// shown the same way.
QString Money(qint64 v) {
    if (FitsAmount(v))
        return FormatAmount(Amount(v));
    const quint64 mag = v < 0 ? quint64(-(v + 1)) + 1 : quint64(v);
    return (v < 0 ? QStringLiteral("-") : QString()) + FormatThousands(qint64(mag / 100)) + QStringLiteral(".") +
           PadNumber(qint64(mag % 100), 2);
}

// A date that is on the calendar (not "2023-02-31").
bool RealDate(const CalDate& d) {
    return !IsNullDate(d) && d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= MonthLength(d.year, d.month);
}

bool ValidTxnType(const QString& t) {
    return t.size() == 1 && QStringLiteral("ACDGPRTXYZ").contains(t.at(0));
}

// Reads obj row id as stored (a group's BfdBal is its own, not the summed one
// that ReadObj gives), so that writing it back changes only what was meant.
bool ReadObjRaw(TFCore& core, int id, ObjRec& rec) {
    InitObjRec(rec);
    if (id < 1)
        return false;
    Query q(core.store(), QStringLiteral("SELECT * FROM obj WHERE Id = :id"));
    q.bind("id", id);
    if (!q.next())
        return false;
    ObjFromRow(q, rec);
    q.reset();
    return true;
}

bool WriteObjRow(TFCore& core, ObjRec& rec) {
    StoreTransaction st(core.store());
    return st.ok() && WriteObj(core, rec) && st.commit();
}

// The posting row as stored, without the messages that ReadPstg gives for a
// damaged one.
void PstgFromRow(const Query& q, PstgRec& p) {
    InitPstgRec(p);
    p.Txnid = q.integer("Txnid");
    p.Objid = q.integer("Objid");
    p.Contra = q.integer("Contra");
    p.Amt = q.integer("Amt");
    p.Recamt = q.integer("Recamt");
    p.Pstgdate = DateStrToCal(q.text("Pstgdate"));
    p.ReconCode = q.integer("ReconCode");
    p.RngBal = q.integer("RngBal");
    p.Rprts = q.dateTime("Rprts");
    const QString type = q.text("Txntype");
    p.Txntype = type.isEmpty() ? ' ' : type.at(0).toLatin1();
    p.chnum = q.hasColumn("chnum") ? q.integer("chnum") : 0;
}

constexpr std::int64_t kBeforeAll = std::numeric_limits<std::int64_t>::min();

// The position of a column of q by name, case-insensitively; -1 when the
// table has no such column (an older layout).
int ColumnAt(const Query& q, const char* name) {
    const int n = q.columnCount();
    for (int i = 0; i < n; ++i)
        if (q.columnName(i).compare(QLatin1String(name), Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

std::int64_t IntAt(const Query& q, int col) {
    return col < 0 ? 0 : q.int64(col);
}

QString TextAt(const Query& q, int col) {
    return col < 0 ? QString() : q.text(col);
}

// How many rows a walk reads ahead: a few after the block was dropped (a
// repair on every row must not read thousands of rows each time), doubling
// up to a few thousand while nothing changes.
class BlockSize {
public:
    int take() {
        const int n = m_n;
        m_n = std::min(m_n * 2, kMax);
        return n;
    }
    void restart() { m_n = kMin; }

private:
    static constexpr int kMin = 32;
    static constexpr int kMax = 4096;
    int m_n = kMin;
};

// A transaction row as the scan needs it; the whole record is read only for
// a repair.
struct TxnRow {
    qint64 id = 0;      // as stored
    QString rangeFault; // an integer column an int cannot hold
    QString type;
    TxnRec rec; // the columns that the checks read, as ReadTxnRow reads them
};

// A posting row as the posting scan needs it.
struct PstgRow {
    qint64 txnid = 0;
    qint64 objid = 0;
    QString rangeFault;
    QString type;
    bool stamped = false; // Rprts is this run's marker
    CalDate pstgdate;
};

} // namespace

// ---- shared look-ups ---------------------------------------------------------

void HealthCheck::LoadCaches() {
    m_cachesGeneration = m_outsideGeneration;
    m_objKinds.clear();
    m_objGroups.clear();
    m_channels.clear();
    m_repeaters.clear();
    m_links.clear();
    Store& store = m_core.store();
    // Rows whose key an int cannot hold are left out: no reference can name
    // them, and their own scan reports them.
    auto fits = [](qint64 v) { return v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max(); };
    {
        Query q(store, QStringLiteral("SELECT Id, Type, Grpid FROM obj"));
        while (q.next())
            if (fits(q.int64(0))) {
                m_objKinds.insert(int(q.int64(0)), fits(q.int64(1)) ? int(q.int64(1)) : 0);
                m_objGroups.insert(int(q.int64(0)), fits(q.int64(2)) ? int(q.int64(2)) : 0);
            }
        if (!ReadOk(q, QStringLiteral("OBJ.DB")))
            return;
    }
    {
        Query q(store, QStringLiteral("SELECT Chnum FROM channel"));
        while (q.next())
            if (fits(q.int64(0)))
                m_channels.insert(int(q.int64(0)));
        if (!ReadOk(q, QStringLiteral("channel.db")))
            return;
    }
    {
        Query q(store, QStringLiteral("SELECT Id FROM rptr"));
        while (q.next())
            if (fits(q.int64(0)))
                m_repeaters.insert(int(q.int64(0)));
        if (!ReadOk(q, QStringLiteral("rptr.DB")))
            return;
    }
    {
        Query q(store, QStringLiteral("SELECT Cptyid, Potid, Purchsale, Rprts FROM cptypot"));
        while (q.next())
            m_links.insert({q.int64(0), q.int64(1), q.text(2)}, q.text(3) == m_stampText);
        if (!ReadOk(q, QStringLiteral("cptypot.db")))
            return;
    }
}

bool HealthCheck::ObjectKind(int id, int& kind) {
    kind = 0;
    if (id < 1)
        return false;
    if (m_cachesGeneration != m_outsideGeneration)
        LoadCaches();
    const auto it = m_objKinds.constFind(id);
    if (it == m_objKinds.cend())
        return false;
    kind = it.value();
    return true;
}

bool HealthCheck::ChannelExists(int chnum) {
    if (m_cachesGeneration != m_outsideGeneration)
        LoadCaches();
    return m_channels.contains(chnum);
}

bool HealthCheck::RepeaterExists(int id) {
    if (m_cachesGeneration != m_outsideGeneration)
        LoadCaches();
    return m_repeaters.contains(id);
}

bool HealthCheck::LinkStamped(int cptyid, int potid, const QString& purchsale, bool& exists) {
    if (m_cachesGeneration != m_outsideGeneration)
        LoadCaches();
    const auto it = m_links.constFind({cptyid, potid, purchsale});
    exists = it != m_links.cend();
    return exists && it.value();
}

void HealthCheck::StampPosting(int txnid, int objid) {
    m_stamps.push_back({true, txnid, objid, QString()});
}

void HealthCheck::StampLink(int cptyid, int potid, const QString& purchsale) {
    m_stamps.push_back({false, cptyid, potid, purchsale});
    m_links[{cptyid, potid, purchsale}] = true;
}

void HealthCheck::FlushStamps() {
    if (m_stamps.empty())
        return;
    CloseSpan();
    StoreTransaction st(m_core.store());
    if (st.ok()) {
        Query qp(m_core.store(), QStringLiteral("UPDATE pstg SET Rprts = :ts WHERE Txnid = :t AND Objid = :o"));
        Query ql(m_core.store(), QStringLiteral("UPDATE cptypot SET Rprts = :ts WHERE Cptyid = :c AND "
                                                "Potid = :p AND Purchsale = :s"));
        qp.bind("ts", m_stampText);
        ql.bind("ts", m_stampText);
        for (const PendingStamp& s : m_stamps) {
            if (s.posting) {
                qp.bind("t", s.a).bind("o", s.b);
                if (!qp.exec())
                    break;
            } else {
                ql.bind("c", s.a).bind("p", s.b).bind("s", s.purchsale);
                if (!ql.exec())
                    break;
            }
        }
        if (!st.commit()) // the marks are lost: later findings would be phantoms
            ReadFailed(m_scanTable, QStringLiteral("run marks not written"));
    } else {
        ReadFailed(m_scanTable, QStringLiteral("run marks not written"));
    }
    m_stamps.clear();
}

// ---- objects -------------------------------------------------------------------

void HealthCheck::CheckGroupChain(qint64 id, int grpid, int kind, const QString& label, bool& moveToTop) {
    Q_UNUSED(kind);
    moveToTop = false;
    if (grpid == id) {
        ErrorManual(label + QStringLiteral(" group contains itself"));
        return;
    }
    int groupKind = 0;
    if (!ObjectKind(grpid, groupKind)) {
        if (m_readFailed)
            return;
        ErrorRepairable(label + QStringLiteral(" group ") + N(grpid) + QStringLiteral(" not found"));
        moveToTop = true;
        return;
    }
    // Up the chain: it must reach the top without coming back here.  A loop
    // higher up that does not pass through this object is reported by the
    // objects on it.
    QSet<int> seen;
    int at = grpid;
    while (at != 0 && !seen.contains(at)) {
        if (at == id) {
            ErrorManual(label + QStringLiteral(" group chain has a cycle"));
            return;
        }
        seen.insert(at);
        at = m_objGroups.value(at, 0);
    }
}

bool HealthCheck::HasAnchor(int objid) {
    Query q(m_core.store(), QStringLiteral("SELECT 1 FROM pstg WHERE Txnid = 0 AND Objid = :o"));
    q.bind("o", objid);
    const bool found = q.next();
    if (!ReadOk(q, QStringLiteral("PSTG.DB")))
        return true; // reported
    q.reset();
    return found;
}

void HealthCheck::ScanObjects() {
    const QString table = QStringLiteral("OBJ.DB");
    const QString countSql = QStringLiteral("SELECT count(*) FROM obj");
    StartScan(table, countSql);
    qint64 external = 0, internal = 0;
    std::int64_t key = kBeforeAll;
    int lastId = 0;
    auto write = [&](ObjRec& rec) {
        BeforeWrite();
        if (!WriteObjRow(m_core, rec))
            RepairFailed();
        AfterWrite();
    };
    while (!m_readFailed) {
        ObjRec o;
        bool outOfRange = false;
        qint64 id = 0;
        {
            Query q(m_core.store(), QStringLiteral("SELECT * FROM obj WHERE Id > :k ORDER BY Id LIMIT 1"));
            q.bind("k", key);
            if (!q.next()) {
                ReadOk(q, table);
                break;
            }
            id = q.int64("Id");
            ObjFromRow(q, o);
            outOfRange = OutOfRange(q, QStringLiteral("Obj ") + N(id));
            q.reset();
        }
        key = id;
        if (!NextRow())
            return;
        if (outOfRange)
            continue;
        lastId = o.Id;
        const QString label = QStringLiteral("Obj ") + N(o.Id) + QStringLiteral(" type ") + N(o.Type);
        const bool leaf = IsLeafKind(o.Type);
        if (o.Id < 1) {
            // Id 0 is no object: every reference to it means "none".
            ErrorManual(label + QStringLiteral(" invalid id"));
            continue;
        }

        if (!leaf && !IsGroupKind(o.Type))
            ErrorManual(label + QStringLiteral(" invalid account type ") + N(o.Type));

        if (o.Type == otExtAcc)
            external += o.BfdBal;
        else if (o.Type == otPot)
            internal += o.BfdBal;

        // Not an error: an object without a close date is open.
        if (IsNullDate(o.CloseDate)) {
            Info(label + QStringLiteral(" setting close date to 9999999 ..."));
            o.CloseDate = IntToCal(kNotClosed);
            write(o);
        }

        if (leaf && IsNullDate(o.LastPstgDate) && !IsNullDate(o.OpenDate)) {
            ErrorRepairable(label + QStringLiteral(" lastpstgdate = 0"));
            if (Repairing()) {
                o.LastPstgDate = o.OpenDate;
                write(o);
            }
        }

        // The group chain: a group that is missing goes (the object moves to
        // the top level); a chain that comes back to the object is manual.
        bool groupOk = true;
        if (o.Grpid != 0) {
            bool moveToTop = false;
            CheckGroupChain(o.Id, o.Grpid, o.Type, label, moveToTop);
            groupOk = false;
            if (moveToTop) {
                if (Repairing()) {
                    Log(QStringLiteral("Info : ") + label + QStringLiteral(" moved to the top level"));
                    o.Grpid = 0;
                    write(o);
                }
            } else {
                int gk = 0;
                groupOk = ObjectKind(o.Grpid, gk);
            }
        }

        if (leaf && !HasAnchor(o.Id)) {
            ErrorRepairable(label + QStringLiteral(" anchor posting missing"));
            if (Repairing()) {
                BeforeWrite();
                {
                    StoreTransaction st(m_core.store());
                    if (!(st.ok() && EnsureAnchor(m_core, o.Id) && st.commit()))
                        RepairFailed();
                }
                AfterWrite();
            }
        }

        if (groupOk && (o.Type == otExtAcc || o.Type == otPot) && o.Grpid > 0) {
            ObjRec group;
            ReadObjRaw(m_core, o.Grpid, group); // a missing group fails the kind test
            const GroupFit fit = CheckGroupFit(group, o);
            if (fit.code == 1 || fit.code == 2) {
                ErrorRepairable(label + QStringLiteral(" : ") + fit.text);
                if (Repairing()) {
                    if (fit.code == 1)
                        group.OpenDate = o.OpenDate;
                    else
                        group.CloseDate = o.CloseDate;
                    write(group);
                }
            } else if (fit.code == 3) {
                ErrorManual(label + fit.text);
            }
        } else if (groupOk && o.Grpid > 0) {
            // Every other kind: the group is of the object's own family.
            ObjRec group;
            ReadObjRaw(m_core, o.Grpid, group);
            const GroupFit fit = CheckGroupFit(group, o);
            if (fit.code == 3)
                ErrorManual(label + fit.text);
        }

        if (o.Type == otExtAcc && o.AccWith > 0) {
            ObjRec cpty;
            if (ReadObjRaw(m_core, o.AccWith, cpty) && cpty.Type == otCpty && cpty.AccWith == 0) {
                ErrorRepairable(label + QStringLiteral(" 1st/only ExtAcc for this Cpty not set"));
                if (Repairing()) {
                    cpty.AccWith = o.Id;
                    write(cpty);
                }
            }
        }

        if (o.Name.trimmed().isEmpty())
            ErrorManual(label + QStringLiteral(" account name is blank"));
    }
    if (external != internal)
        ErrorManual(QStringLiteral("Internal/external B/fd bals mismatch by ") + Money(external - internal));
    Log(QStringLiteral("Last record id ") + N(lastId));
    Log(QStringLiteral("External accs b/fd ") + Money(external));
    Log(QStringLiteral("Internal accs b/fd ") + Money(internal));
    EndScan(table, countSql, 0);
}

// ---- transactions --------------------------------------------------------------

std::vector<HealthCheck::Expected> HealthCheck::ExpectedPostings(char type, qint64 a, int a1, int a2, int a3, int a4,
                                                                 int chnum, bool& known) {
    known = true;
    std::vector<Expected> e;
    switch (type) {
    case TxnType::Tfr:
        if (a1 > 0) {
            e.push_back({a1, -a, chnum, otExtAcc});
            e.push_back({a2, a, 0, otExtAcc});
        }
        if (a3 >= 1) {
            e.push_back({a3, -a, 0, otPot});
            e.push_back({a4, a, 0, otPot});
        }
        break;
    case TxnType::Diary:
        e.push_back({0, 0, 0, -1});
        break;
    case TxnType::PotTfr:
        e.push_back({a1, -a, 0, otPot});
        e.push_back({a2, a, 0, otPot});
        break;
    case TxnType::CashPayt:
    case TxnType::CredPurch:
        e.push_back({a1, -a, chnum, otExtAcc});
        e.push_back({a2, a, 0, otCpty});
        e.push_back({a3, -a, 0, otPot});
        e.push_back({a4, -a, 0, otCtgy});
        break;
    case TxnType::CashRcpt:
    case TxnType::CredSale:
        e.push_back({a1, a, chnum, otExtAcc});
        e.push_back({a2, -a, 0, otCpty});
        e.push_back({a3, a, 0, otPot});
        e.push_back({a4, a, 0, otCtgy});
        break;
    case TxnType::CashTfr:
        e.push_back({a1, -a, chnum, otExtAcc});
        e.push_back({a2, a, 0, otExtAcc});
        break;
    case TxnType::ReconBal:
        e.push_back({a1, 0, 0, -1});
        break;
    default:
        known = false;
        break;
    }
    return e;
}

bool HealthCheck::CheckTxnPostings(int txnId, char type, qint64 amt, bool cancelled, int a1, int a2, int a3, int a4,
                                   int chnum, std::vector<TxnPosting>& postings, bool& repost) {
    bool known = false;
    const std::vector<Expected> expected = ExpectedPostings(type, cancelled ? 0 : amt, a1, a2, a3, a4, chnum, known);
    bool allGood = true;
    bool manual = false;
    for (const Expected& e : expected) {
        const QString prefix =
            QStringLiteral("Txn ") + N(txnId) + QStringLiteral(" / acc ") + N(e.objid) + QStringLiteral(" : ");
        // The account first: a posting to an account that is missing or of
        // the wrong kind must not be written again (nor a right one deleted
        // for it) - which of the two is wrong is the user's to decide.
        if (e.objid != 0) {
            int kind = 0;
            if (!ObjectKind(e.objid, kind)) {
                ErrorManual(prefix + QStringLiteral("account not found"));
                allGood = false;
                manual = true;
                continue;
            }
            if (e.kind >= 0 && kind != e.kind) {
                ErrorManual(prefix + QStringLiteral("account wrong type") + N(kind) + QStringLiteral(" ") + N(e.kind));
                allGood = false;
                manual = true;
                continue;
            }
        }
        // The PSTG.DB row (Txnid, Objid), from the transaction's postings.
        const auto found =
            std::find_if(postings.begin(), postings.end(), [&](const TxnPosting& p) { return p.objid == e.objid; });
        if (found == postings.end()) {
            ErrorRepairable(prefix + QStringLiteral("posting not found"));
            allGood = false;
            repost = true;
            continue;
        }
        const qint64 pAmt = found->amt;
        const int pChnum = found->chnum;
        if (pAmt != e.amt) {
            ErrorRepairable(prefix + QStringLiteral("posting amount error"));
            allGood = false;
            repost = true;
            continue;
        }
        if (pChnum != e.chnum) {
            ErrorRepairable(prefix + QStringLiteral("channel number (on pstg) ") + N(pChnum) +
                            QStringLiteral(" shd be (from txn) ") + N(e.chnum));
            allGood = false;
            repost = true;
            if (Repairing()) {
                BeforeWrite();
                {
                    StoreTransaction st(m_core.store());
                    Query u(m_core.store(),
                            QStringLiteral("UPDATE pstg SET chnum = :c WHERE Txnid = :t AND Objid = :o"));
                    u.bind("c", e.chnum).bind("t", txnId).bind("o", e.objid);
                    if (u.exec() && st.commit())
                        found->chnum = e.chnum;
                    else
                        RepairFailed();
                }
                AfterWrite();
            }
            continue;
        }
        StampPosting(txnId, e.objid);
    }
    if (manual)
        repost = false;
    return allGood && known;
}

bool HealthCheck::Repost(TxnRec& txn, bool deleteFirst) {
    // Re-posting must not cost the user the reconciliation marks of the
    // postings that stay.
    std::map<int, int> recon;
    {
        Query q(m_core.store(), QStringLiteral("SELECT Objid, ReconCode FROM pstg WHERE Txnid = :t"));
        q.bind("t", txn.Id);
        while (q.next())
            recon[q.integer("Objid")] = q.integer("ReconCode");
    }
    if (deleteFirst && !DeletePostings(m_core, txn, 'D'))
        return false;
    if (!MakePostings(m_core, txn))
        return false;
    bool known = false;
    const std::vector<Expected> written =
        ExpectedPostings(txn.Type, 0, txn.Accid1, txn.Accid2, txn.Accid3, txn.Accid4, 0, known);
    for (const Expected& e : written) {
        if (e.objid == 0 && txn.Type != TxnType::Diary)
            continue;
        const auto it = recon.find(e.objid);
        Query u(m_core.store(), QStringLiteral("UPDATE pstg SET Rprts = :ts, ReconCode = :rc "
                                               "WHERE Txnid = :t AND Objid = :o"));
        u.bind("ts", m_stampText).bind("rc", it == recon.end() ? 0 : it->second).bind("t", txn.Id).bind("o", e.objid);
        if (!u.exec())
            return false;
    }
    return true;
}

void HealthCheck::ScanTransactions() {
    const QString table = QStringLiteral("TXN.DB");
    const QString countSql = QStringLiteral("SELECT count(*) FROM txn");
    StartScan(table, countSql);
    m_stats = TxnStats();
    TxnStats& s = m_stats;
    std::int64_t key = kBeforeAll;
    int lastId = 0;

    // Read ahead: a block of transactions after the last key and the
    // postings of the same ids, in (Txnid, Objid) order.
    std::vector<TxnRow> block;
    std::vector<std::pair<int, TxnPosting>> blockPostings;
    std::size_t at = 0, postingAt = 0;
    quint64 blockGeneration = 0;
    BlockSize size;
    auto readPosting = [](const Query& q, int cTxnid, int cObjid, int cAmt, int cChnum) {
        return std::make_pair(int(IntAt(q, cTxnid)),
                              TxnPosting{int(IntAt(q, cObjid)), qint64(IntAt(q, cAmt)), int(IntAt(q, cChnum))});
    };
    auto fetch = [&] {
        block.clear();
        blockPostings.clear();
        at = postingAt = 0;
        blockGeneration = m_generation;
        Query q(m_core.store(), QStringLiteral("SELECT * FROM txn WHERE Id > :k ORDER BY Id LIMIT :n"));
        q.bind("k", key).bind("n", size.take());
        const int cId = ColumnAt(q, "Id"), cType = ColumnAt(q, "Type"), cAmt = ColumnAt(q, "Amt"),
                  cTxndate = ColumnAt(q, "Txndate"), cDate2 = ColumnAt(q, "Date2"),
                  cCancelled = ColumnAt(q, "Cancelled"), cAccid1 = ColumnAt(q, "Accid1"),
                  cAccid2 = ColumnAt(q, "Accid2"), cAccid3 = ColumnAt(q, "Accid3"), cAccid4 = ColumnAt(q, "Accid4"),
                  cChnum = ColumnAt(q, "chnum"), cMasterid = ColumnAt(q, "Masterid"),
                  cInstance = ColumnAt(q, "Instance"), cActual = ColumnAt(q, "actualtxndate");
        while (q.next()) {
            TxnRow r;
            InitTxnRec(r.rec);
            TxnRec& t = r.rec;
            r.id = IntAt(q, cId);
            r.rangeFault = RangeFault(q);
            t.Id = int(r.id);
            r.type = TextAt(q, cType);
            if (r.rangeFault.isEmpty() && ValidTxnType(r.type)) {
                t.Type = r.type.at(0).toLatin1();
                t.Amt = int(IntAt(q, cAmt));
                t.Txndate = DateStrToCal(TextAt(q, cTxndate));
                t.Date2 = DateStrToCal(TextAt(q, cDate2));
                t.Cancelled = IntAt(q, cCancelled) != 0;
                t.Accid1 = int(IntAt(q, cAccid1));
                t.Accid2 = int(IntAt(q, cAccid2));
                t.Accid3 = int(IntAt(q, cAccid3));
                t.Accid4 = int(IntAt(q, cAccid4));
                t.chnum = int(IntAt(q, cChnum));
                t.Masterid = int(IntAt(q, cMasterid));
                t.Instance = int(IntAt(q, cInstance));
                t.Role = t.Instance > 0 ? roleInstance : roleOrdinary;
                if (cActual >= 0)
                    t.ActualDate = IntToCal(int(IntAt(q, cActual)));
            }
            block.push_back(std::move(r));
        }
        if (!ReadOk(q, table)) {
            block.clear();
            return;
        }
        if (block.empty())
            return;
        Query p(m_core.store(), QStringLiteral("SELECT * FROM pstg WHERE Txnid >= :a AND Txnid <= :b "
                                               "ORDER BY Txnid, Objid"));
        p.bind("a", std::int64_t(block.front().id)).bind("b", std::int64_t(block.back().id));
        const int cTxnid = ColumnAt(p, "Txnid"), cObjid = ColumnAt(p, "Objid"), cPAmt = ColumnAt(p, "Amt"),
                  cPChnum = ColumnAt(p, "chnum");
        while (p.next())
            blockPostings.push_back(readPosting(p, cTxnid, cObjid, cPAmt, cPChnum));
        if (!ReadOk(p, QStringLiteral("PSTG.DB")))
            block.clear();
    };

    while (!m_readFailed) {
        if (blockGeneration != m_generation) {
            // Something may have changed: go on from the last key.
            if (at < block.size())
                size.restart();
            block.clear();
            at = 0;
        }
        if (at == block.size()) {
            fetch();
            if (block.empty())
                break;
        }
        const QString typeText = block[at].type;
        const qint64 id = block[at].id;
        const QString rangeFault = block[at].rangeFault;
        TxnRec txn = block[at].rec;
        ++at;
        key = id;
        if (!NextRow(txn.Id))
            break;
        if (!rangeFault.isEmpty() || id < 1) {
            // Nothing of it can be judged: its postings, if any, are found by
            // the posting scan.  Id 0 is the anchors' and is never re-posted.
            const QString label = QStringLiteral("Txn ") + typeText + QStringLiteral(" ") + N(id);
            ErrorManual(label + (rangeFault.isEmpty() ? QStringLiteral(" invalid id")
                                                      : QStringLiteral(" value out of range : ") + rangeFault));
            continue;
        }
        lastId = txn.Id;
        // The transaction's postings: from the block, or read now when the
        // window's input changed something since the block was read.
        std::vector<TxnPosting> postings;
        if (blockGeneration == m_generation) {
            while (postingAt < blockPostings.size() && blockPostings[postingAt].first < txn.Id)
                ++postingAt;
            for (; postingAt < blockPostings.size() && blockPostings[postingAt].first == txn.Id; ++postingAt)
                postings.push_back(blockPostings[postingAt].second);
        } else {
            Query p(m_core.store(), QStringLiteral("SELECT * FROM pstg WHERE Txnid = :t"));
            p.bind("t", txn.Id);
            const int cTxnid = ColumnAt(p, "Txnid"), cObjid = ColumnAt(p, "Objid"), cPAmt = ColumnAt(p, "Amt"),
                      cPChnum = ColumnAt(p, "chnum");
            while (p.next())
                postings.push_back(readPosting(p, cTxnid, cObjid, cPAmt, cPChnum).second);
            if (!ReadOk(p, QStringLiteral("PSTG.DB")))
                break;
        }
        const QString label = QStringLiteral("Txn ") + typeText + QStringLiteral(" ") + N(txn.Id);

        // 1: nothing else can be judged without a type.
        if (!ValidTxnType(typeText)) {
            ErrorManual(label + QStringLiteral(" invalid txn type"));
            continue;
        }
        const char type = txn.Type;
        bool rewrite = false, repost = false;
        // The repairs decided on, made to the whole record when it is saved.
        bool dropMaster = false, clearChnum = false, setActualDate = false;

        [&] {
            // 2: an instance belongs to a repeater that exists.
            if (txn.Instance > 0) {
                if (txn.Masterid == 0) {
                    Info(label + QStringLiteral(" instance with no master"));
                } else if (!RepeaterExists(txn.Masterid)) {
                    ErrorRepairable(label + QStringLiteral(" masterid not found ") + N(txn.Masterid));
                    // Its repeater is gone: it stays as an ordinary transaction.
                    rewrite = true;
                    if (Repairing()) {
                        dropMaster = true;
                        txn.Masterid = 0;
                        txn.Instance = 0;
                        txn.Role = roleOrdinary;
                    }
                }
            }
            // 3-10: amounts and account roles by type (manual).
            auto manual = [&](const char* text) { ErrorManual(label + QLatin1String(text)); };
            // Every transaction is dated; its postings take their dates from it.
            if (IsNullDate(txn.Txndate))
                return manual(" txn date missing");
            if (!RealDate(txn.Txndate))
                return manual(" txn date invalid");
            if (type != TxnType::ReconBal && txn.Amt < 0)
                return manual(" txn amt shd be >= 0");
            if (txn.Accid1 < 0 || txn.Accid2 < 0 || txn.Accid3 < 0 || txn.Accid4 < 0)
                return manual(" acc id < 0 ");
            if (type != TxnType::Tfr && type != TxnType::Diary && txn.Accid1 == 0)
                return manual(" invalid acc1 id");
            if (type != TxnType::Tfr && type != TxnType::Diary && type != TxnType::ReconBal && txn.Accid2 == 0)
                return manual(" acc2 id missing");
            if (type == TxnType::ReconBal && txn.Accid2 != 0)
                return manual(" acc2 id <> 0");
            const bool payRcpt = type == TxnType::CashPayt || type == TxnType::CashRcpt || type == TxnType::CredPurch ||
                                 type == TxnType::CredSale;
            if (payRcpt && (txn.Accid3 == 0 || txn.Accid4 == 0))
                return manual(" acc3/4 id missing");
            if (type == TxnType::Tfr) {
                if (txn.Accid1 == 0 && txn.Accid3 == 0)
                    return manual(" acc3 id missing");
                if (txn.Accid3 != 0 && txn.Accid4 == 0)
                    return manual(" acc4 id missing");
                if (txn.Accid3 == 0 && txn.Accid4 != 0)
                    return manual(" acc4 id <> 0");
            }
            if ((type == TxnType::PotTfr || type == TxnType::CashTfr || type == TxnType::ReconBal) &&
                (txn.Accid3 != 0 || txn.Accid4 != 0))
                return manual(" acc3/4 id <> 0");

            // 11: the channel exists.
            if (txn.chnum != 0 && !ChannelExists(txn.chnum)) {
                ErrorRepairable(label + QStringLiteral(" invalid channel number ") + N(txn.chnum));
                rewrite = repost = true;
                if (Repairing()) {
                    clearChnum = true;
                    txn.chnum = 0;
                }
                return;
            }

            // 12: the postings that the type and accounts give.
            if (!CheckTxnPostings(txn.Id, type, txn.Amt, txn.Cancelled, txn.Accid1, txn.Accid2, txn.Accid3, txn.Accid4,
                                  txn.chnum, postings, repost))
                return;

            // 13: statistics.
            if (!txn.Cancelled) {
                switch (type) {
                case TxnType::CashPayt:
                case TxnType::CredPurch:
                    ++s.payments;
                    s.paymentsTotal += txn.Amt;
                    break;
                case TxnType::CashRcpt:
                case TxnType::CredSale:
                    ++s.receipts;
                    s.receiptsTotal += txn.Amt;
                    break;
                case TxnType::CashTfr:
                    ++s.extTransfers;
                    s.extTransfersTotal += txn.Amt;
                    break;
                case TxnType::PotTfr:
                    ++s.intTransfers;
                    s.intTransfersTotal += txn.Amt;
                    break;
                case TxnType::Tfr:
                    ++s.transfers;
                    if (txn.Accid1 != 0)
                        s.transfersExtTotal += txn.Amt;
                    if (txn.Accid3 != 0)
                        s.transfersIntTotal += txn.Amt;
                    break;
                case TxnType::Diary:
                    ++s.diaryItems;
                    break;
                default:
                    break;
                }
            }

            // 14: payments and receipts keep their counterparty-category link.
            if (payRcpt) {
                const QString code = (type == TxnType::CashPayt || type == TxnType::CredPurch) ? QStringLiteral("P")
                                                                                               : QStringLiteral("S");
                bool exists = false;
                const bool stamped = LinkStamped(txn.Accid2, txn.Accid4, code, exists);
                if (exists) {
                    if (!stamped)
                        StampLink(txn.Accid2, txn.Accid4, code);
                } else {
                    ErrorRepairable(QStringLiteral("Missing Cpty-Ctgy ") + N(txn.Accid2) + QStringLiteral("-") +
                                    N(txn.Accid4) + QStringLiteral("-") + code);
                    if (Repairing()) {
                        BeforeWrite();
                        {
                            StoreTransaction st(m_core.store());
                            Query i(m_core.store(), QStringLiteral("INSERT INTO cptypot (Cptyid, Potid, Purchsale, "
                                                                   "Hidden, Rprts) VALUES (:c, :p, :s, 0, :ts)"));
                            i.bind("c", txn.Accid2).bind("p", txn.Accid4).bind("s", code).bind("ts", m_stampText);
                            if (i.exec() && st.commit())
                                m_links.insert({txn.Accid2, txn.Accid4, code}, true);
                            else
                                RepairFailed();
                        }
                        AfterWrite();
                    }
                }
            }

            // 15: an instance carries a date of its own.
            if (txn.Masterid > 0 && IsNullDate(txn.ActualDate) && DateEqual(txn.Txndate, txn.Date2)) {
                ErrorRepairable(label + QStringLiteral("Rptr instance with neither actual txn date nor pstg date"));
                rewrite = true;
                if (Repairing()) {
                    setActualDate = true;
                    txn.ActualDate = txn.Txndate;
                }
            }
        }();

        if (Repairing() && (rewrite || repost)) {
            BeforeWrite();
            {
                // The whole record, with the repairs made to it.
                TxnRec whole;
                StoreTransaction st(m_core.store());
                bool ok = st.ok() && ReadTxn(m_core, txn.Id, whole);
                if (ok) {
                    if (dropMaster) {
                        whole.Masterid = 0;
                        whole.Instance = 0;
                        whole.Role = roleOrdinary;
                    }
                    if (clearChnum)
                        whole.chnum = 0;
                    if (setActualDate)
                        whole.ActualDate = whole.Txndate;
                }
                if (ok && rewrite) {
                    InstanceRepairMode quietInstance;
                    ok = WriteTransaction(m_core, whole);
                }
                if (ok && repost)
                    ok = Repost(whole, true);
                if (!ok || !st.commit())
                    RepairFailed();
            }
            AfterWrite();
        }
        if (m_stamps.size() >= std::size_t(kStampBatch))
            FlushStamps();
    }
    FlushStamps();
    if (m_abort)
        return;
    Log(QStringLiteral("Last record id ") + N(lastId));
    Log(N(s.payments) + QStringLiteral(" Payment(s) ") + Money(s.paymentsTotal));
    Log(N(s.receipts) + QStringLiteral(" Receipt(s) ") + Money(s.receiptsTotal));
    Log(N(s.extTransfers) + QStringLiteral(" External transfer(s) ") + Money(s.extTransfersTotal));
    Log(N(s.intTransfers) + QStringLiteral(" Internal transfer(s) ") + Money(s.intTransfersTotal));
    Log(N(s.transfers) + QStringLiteral(" Transfer(s) - ext ") + Money(s.transfersExtTotal) +
        QStringLiteral(" , int ") + Money(s.transfersIntTotal));
    Log(N(s.diaryItems) + QStringLiteral(" Diary item(s)"));
    EndScan(table, countSql, 0);
}

// ---- postings ------------------------------------------------------------------

void HealthCheck::ScanPostings() {
    const QString table = QStringLiteral("PSTG.DB");
    const QString countSql = QStringLiteral("SELECT count(*) FROM pstg");
    StartScan(table, countSql);
    std::int64_t keyT = kBeforeAll, keyO = kBeforeAll;
    qint64 lastT = 0, lastO = 0;
    DateInt earliest = 0, latest = 0;
    int deleted = 0;

    // Read ahead: a block of postings after the last key.
    std::vector<PstgRow> block;
    std::size_t at = 0;
    quint64 blockGeneration = 0;
    BlockSize size;
    auto fetch = [&] {
        block.clear();
        at = 0;
        blockGeneration = m_generation;
        Query q(m_core.store(), QStringLiteral("SELECT * FROM pstg WHERE (Txnid, Objid) > (:t, :o) "
                                               "ORDER BY Txnid, Objid LIMIT :n"));
        q.bind("t", keyT).bind("o", keyO).bind("n", size.take());
        const int cTxnid = ColumnAt(q, "Txnid"), cObjid = ColumnAt(q, "Objid"), cType = ColumnAt(q, "Txntype"),
                  cRprts = ColumnAt(q, "Rprts"), cDate = ColumnAt(q, "Pstgdate");
        while (q.next()) {
            PstgRow r;
            r.txnid = IntAt(q, cTxnid);
            r.objid = IntAt(q, cObjid);
            r.rangeFault = RangeFault(q);
            r.type = TextAt(q, cType);
            r.stamped = TextAt(q, cRprts) == m_stampText;
            r.pstgdate = DateStrToCal(TextAt(q, cDate));
            block.push_back(std::move(r));
        }
        if (!ReadOk(q, table))
            block.clear();
    };
    // The dates of the transaction of the latest posting (postings come in
    // transaction order, so one look-up serves them all).
    qint64 cachedTxn = 0;
    quint64 cacheGeneration = 0;
    bool txnFound = false;
    CalDate txndate, date2;

    while (!m_readFailed) {
        if (blockGeneration != m_generation) {
            if (at < block.size())
                size.restart();
            block.clear();
            at = 0;
        }
        if (at == block.size()) {
            fetch();
            if (block.empty())
                break;
        }
        const PstgRow p = block[at++];
        keyT = p.txnid;
        keyO = p.objid;
        if (!NextRow())
            return;
        lastT = p.txnid;
        lastO = p.objid;
        const QString& typeText = p.type;
        if (!p.rangeFault.isEmpty()) {
            ErrorManual(QStringLiteral("Posting ") + N(p.txnid) + QStringLiteral(" / ") + N(p.objid) +
                        QStringLiteral(" value out of range : ") + p.rangeFault);
            continue;
        }
        // Transaction 0 holds the anchors, which the health check never
        // changes: one of another type is the user's to look at.
        if (p.txnid == 0) {
            if (typeText != QStringLiteral("A"))
                ErrorManual(QStringLiteral("Posting 0 / ") + N(p.objid) + QStringLiteral(" anchor posting of type \"") +
                            typeText + QStringLiteral("\""));
            continue;
        }
        if (typeText == QStringLiteral("A"))
            continue;
        const DateInt d = CalToInt(p.pstgdate);
        if (d != 0) {
            if (earliest == 0 || d < earliest)
                earliest = d;
            if (d > latest)
                latest = d;
        }
        const QString label = QStringLiteral("Posting ") + N(p.txnid) + QStringLiteral(" / ") + N(p.objid);

        int kind = 0;
        const bool objExists = ObjectKind(p.objid, kind);
        if (cacheGeneration != m_generation || cachedTxn != p.txnid) {
            cacheGeneration = m_generation;
            cachedTxn = p.txnid;
            txnFound = false;
            txndate = date2 = CalDate();
            Query q(m_core.store(), QStringLiteral("SELECT Txndate, Date2 FROM txn WHERE Id = :id"));
            q.bind("id", std::int64_t(p.txnid));
            if (q.next()) {
                txnFound = true;
                txndate = DateStrToCal(q.text(0));
                date2 = DateStrToCal(q.text(1));
                if (IsNullDate(date2))
                    date2 = txndate; // an empty Date2 is the transaction date
                q.reset();
            } else if (!ReadOk(q, QStringLiteral("TXN.DB"))) {
                break;
            }
        }

        // The posting as stored, for a repair that writes it.
        auto readWhole = [&](PstgRec& rec) {
            Query q(m_core.store(), QStringLiteral("SELECT * FROM pstg WHERE Txnid = :t AND Objid = :o"));
            q.bind("t", std::int64_t(p.txnid)).bind("o", std::int64_t(p.objid));
            if (!q.next())
                return false;
            PstgFromRow(q, rec);
            q.reset();
            return true;
        };

        bool remove = false;
        if (typeText != QStringLiteral("D") && !objExists) {
            ErrorRepairable(label + QStringLiteral("Object not found : ") + N(p.objid));
            remove = true;
        } else if (!txnFound) {
            ErrorRepairable(label + QStringLiteral(" no matching txn"));
            remove = true;
        } else if (typeText.size() != 1 || !IsPostingType(typeText.at(0).toLatin1())) {
            ErrorRepairable(label + QStringLiteral(" invalid txn type"));
            remove = true;
        } else if (!p.stamped) {
            ErrorManual(label + QStringLiteral(" posting missed from txn scan"));
        } else if (objExists) {
            if (kind == otPot && !DateEqual(p.pstgdate, txndate)) {
                ErrorRepairable(label + QStringLiteral(" posting date should match txn date for Intl accs"));
                if (Repairing()) {
                    BeforeWrite();
                    PstgRec whole;
                    bool ok = readWhole(whole);
                    if (ok) {
                        whole.Pstgdate = txndate;
                        StoreTransaction st(m_core.store());
                        ok = WritePstg(m_core, whole) && st.commit();
                    }
                    if (!ok)
                        RepairFailed();
                    AfterWrite();
                }
            } else if ((kind == otCtgy && !DateEqual(p.pstgdate, txndate)) ||
                       ((kind == otExtAcc || kind == otCpty) && !DateEqual(p.pstgdate, date2))) {
                const bool ctgy = kind == otCtgy;
                ErrorRepairable(label + (ctgy ? QStringLiteral(" posting.date / txn.txndate mismatch")
                                              : QStringLiteral(" posting.date / txn.pstgdate mismatch")));
                TxnRec txn;
                if (Repairing() && !RealDate(p.pstgdate)) {
                    // A posting without a date takes the transaction's: the
                    // transaction must not lose its date to it.
                    BeforeWrite();
                    PstgRec whole;
                    bool ok = readWhole(whole);
                    if (ok) {
                        whole.Pstgdate = ctgy ? txndate : date2;
                        StoreTransaction st(m_core.store());
                        ok = WritePstg(m_core, whole) && st.commit();
                    }
                    if (!ok)
                        RepairFailed();
                    AfterWrite();
                } else if (Repairing()) {
                    BeforeWrite();
                    bool ok = ReadTxn(m_core, p.txnid, txn);
                    if (ok) {
                        // The transaction takes the posting's date; its other
                        // postings of that date are written again with it, so
                        // that they do not disagree in their turn.
                        if (ctgy)
                            txn.Txndate = p.pstgdate;
                        else
                            txn.Date2 = p.pstgdate;
                        StoreTransaction st(m_core.store());
                        ok = st.ok();
                        if (ok) {
                            InstanceRepairMode quietInstance;
                            ok = WriteTransaction(m_core, txn);
                        }
                        ok = ok && Repost(txn, false) && st.commit();
                    }
                    if (!ok)
                        RepairFailed();
                    AfterWrite();
                }
            }
        }
        if (remove && Repairing()) {
            BeforeWrite();
            {
                StoreTransaction st(m_core.store());
                if (DeletePstg(m_core, p.txnid, p.objid) && st.commit())
                    ++deleted;
                else
                    RepairFailed();
            }
            AfterWrite();
        }
    }
    Log(QStringLiteral("Last record id ") + N(lastT) + QStringLiteral(" / ") + N(lastO));
    Log(QStringLiteral("Earliest posting date ") + CalToDateStr(IntToCal(earliest)));
    Log(QStringLiteral("Latest posting date ") + CalToDateStr(IntToCal(latest)));
    const DateInt start = CalToInt(m_core.settings().DBStartDate);
    Log(QStringLiteral("Database start date ") + CalToDateStr(IntToCal(start)));
    if (start > earliest)
        Log(QStringLiteral("Database start date later than earliest posting date"));
    EndScan(table, countSql, deleted);
}

// ---- repeaters -----------------------------------------------------------------

void HealthCheck::ScanRepeaters() {
    const QString table = QStringLiteral("rptr.DB");
    const QString countSql = QStringLiteral("SELECT count(*) FROM rptr");
    StartScan(table, countSql);
    std::int64_t key = kBeforeAll;
    while (!m_readFailed) {
        qint64 id = 0;
        QString fault;
        {
            Query q(m_core.store(), QStringLiteral("SELECT * FROM rptr WHERE Id > :k ORDER BY Id LIMIT 1"));
            q.bind("k", key);
            if (!q.next()) {
                ReadOk(q, table);
                break;
            }
            id = q.int64("Id");
            fault = RangeFault(q);
            q.reset();
        }
        key = id;
        if (!NextRow())
            return;
        const QString label = QStringLiteral("Repeater ") + N(id);
        if (!fault.isEmpty() || id < 1) {
            ErrorManual(label + (fault.isEmpty() ? QStringLiteral(" invalid id")
                                                 : QStringLiteral(" value out of range : ") + fault));
            continue;
        }
        RptrRec r;
        if (!ReadRepeater(m_core, int(id), r))
            continue;
        const QString master = QStringLiteral("Repeater master #") + N(id) + QStringLiteral(" - ");
        int kind = 0;
        auto missing = [&](int accid, const char* what) {
            if (!ObjectKind(accid, kind))
                ErrorManual(label + QLatin1String(what) + N(accid));
        };
        // A pot-only transfer has no external accounts.
        if (!(r.Type == TxnType::Tfr && r.Accid3 != 0)) {
            missing(r.Accid1, " accid1 not found ");
            missing(r.Accid2, " accid2 not found ");
        }
        if (r.Type == TxnType::CashPayt || r.Type == TxnType::CashRcpt || r.Type == TxnType::CredPurch ||
            r.Type == TxnType::CredSale) {
            missing(r.Accid3, " accid3 not found ");
            missing(r.Accid4, " accid4 not found ");
        }

        bool rewrite = false;
        if (r.RptActive) {
            int prev = 0;
            bool first = true;
            {
                Query q(m_core.store(), SharedSql::InstancesOfMaster);
                q.bind("masterid", std::int64_t(id));
                while (q.next()) {
                    const int n = q.integer("Instance");
                    if (!first && n == prev)
                        ErrorManual(master + QStringLiteral("Duplicate instance ") + N(n));
                    else if (!first && n > prev + 1)
                        ErrorManual(master + QStringLiteral("Missing instance ") + N(prev + 1));
                    prev = n;
                    first = false;
                }
                if (!ReadOk(q, QStringLiteral("TXN.DB")))
                    break;
            }
            // Instances dated before the database's start date were taken
            // away by an archive: they count as generated, or the next
            // generation would bring archived money back.
            int generated = prev;
            const CalDate start = m_core.settings().DBStartDate;
            if (!IsNullDate(start) && HasSchedule(r)) {
                while (generated < r.Gento) {
                    const CalDate d = InstanceDate(r, generated + 1);
                    if (IsNullDate(d) || !DateBefore(d, start))
                        break;
                    ++generated;
                }
            }
            if (generated != r.Gento) {
                ErrorRepairable(master + QStringLiteral("Gento ") + N(r.Gento) + QStringLiteral(" should be ") +
                                N(generated));
                r.Gento = generated;
                rewrite = true;
            }
        }
        if (r.chnum != 0 && !ChannelExists(r.chnum)) {
            ErrorRepairable(label + QStringLiteral(" invalid channel number ") + N(r.chnum));
            r.chnum = 0;
            rewrite = true;
        }
        if (!QStringLiteral("DMWY").contains(QLatin1Char(r.Freq)) || r.Freq == 0)
            ErrorManual(label + QStringLiteral(" invalid frequency \"") + QLatin1Char(r.Freq) + QStringLiteral("\""));
        if (rewrite && Repairing()) {
            BeforeWrite();
            {
                StoreTransaction st(m_core.store());
                if (!(WriteRepeater(m_core, r) && st.commit()))
                    RepairFailed();
            }
            AfterWrite();
        }
    }
    EndScan(table, countSql, 0);
}

// ---- counterparty-category links -------------------------------------------------

void HealthCheck::ScanCptyLinks() {
    const QString table = QStringLiteral("cptypot.db");
    const QString countSql = QStringLiteral("SELECT count(*) FROM cptypot");
    StartScan(table, countSql);
    std::int64_t keyC = kBeforeAll, keyP = kBeforeAll;
    QString keyS;
    int deleted = 0;
    while (!m_readFailed) {
        qint64 cpty = 0, pot = 0;
        QString ps, rprts;
        {
            Query q(m_core.store(), QStringLiteral("SELECT * FROM cptypot WHERE (Cptyid, Potid, Purchsale) > "
                                                   "(:c, :p, :s) ORDER BY Cptyid, Potid, Purchsale LIMIT 1"));
            q.bind("c", keyC).bind("p", keyP).bind("s", keyS);
            if (!q.next()) {
                ReadOk(q, table);
                break;
            }
            cpty = q.int64("Cptyid");
            pot = q.int64("Potid");
            ps = q.text("Purchsale");
            rprts = q.text("Rprts");
            q.reset();
        }
        keyC = cpty;
        keyP = pot;
        keyS = ps;
        if (!NextRow())
            return;
        // No payment or receipt of this run uses the link: it goes, in
        // either mode, as the entry form would not have made it.
        if (rprts != m_stampText) {
            Log(QStringLiteral("Normal deletion of Cpty-Ctgy with no txns ") + N(cpty) + QStringLiteral("-") + N(pot) +
                QStringLiteral("-") + ps);
            BeforeWrite();
            {
                StoreTransaction st(m_core.store());
                Query d(m_core.store(),
                        QStringLiteral("DELETE FROM cptypot WHERE Cptyid = :c AND Potid = :p AND Purchsale = :s"));
                d.bind("c", std::int64_t(cpty)).bind("p", std::int64_t(pot)).bind("s", ps);
                if (d.exec() && st.commit())
                    ++deleted;
            }
            AfterWrite();
        }
    }
    EndScan(table, countSql, deleted);
}
