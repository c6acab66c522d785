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
//
// On a large ledger the postings cost the most: the posting table is read
// whole once, in row order, and sorted by key at the start of the
// transaction scan; both scans take their postings from that copy while
// nothing has been written, and read blocks from the table again after any
// write.  Only the columns the checks use are read, with one test of all the
// others (beyondint); a row with an integer beyond 32 bits is read whole for
// the detail.  The run markers of the postings stay in that copy while it is
// current (nothing else reads them); those of a block read from the table
// go in a few row-id ranges.
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
#include <cstring>
#include <limits>
#include <map>
#include <sqlite3.h>

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

// The columns that the checks read, as ReadTxnRow reads them.
struct ScanTxn {
    int Id = 0;
    char Type = 'P';
    Amount Amt = 0;
    CalDate Txndate;
    CalDate Date2;
    CalDate ActualDate;
    bool Cancelled = false;
    int Accid1 = 0;
    int Accid2 = 0;
    int Accid3 = 0;
    int Accid4 = 0;
    int chnum = 0;
    int Masterid = 0;
    int Instance = 0;
    int Role = roleOrdinary;
};
// A transaction row as the scan needs it; the whole record is read only for
// a repair.
struct TxnRow {
    qint64 id = 0;      // as stored
    QString rangeFault; // an integer column an int cannot hold
    char type = 0;      // Type when it is one plain character, else 0
    QString typeText;   // Type when it is not
    ScanTxn rec;
};

bool ValidTxnType(char t) {
    return t != 0 && std::strchr("ACDGPRTXYZ", t) != nullptr;
}

// Dates as stored, read through one cache: rows in key order repeat the
// date of the row before them far more often than not.
class DateTexts {
public:
    CalDate read(QByteArrayView text) {
        // A text of the usual shape "dddd-dd-dd" is known by its digits:
        // each such text is converted once (a ledger holds a few thousand).
        if (const int key = Digits(text)) {
            if (key == m_lastKey)
                return m_lastDate;
            m_lastKey = key;
            const auto it = m_byDigits.constFind(key);
            if (it != m_byDigits.cend())
                return m_lastDate = it.value();
            const CalDate d = DateStrToCal(QString::fromLatin1(text));
            m_byDigits.insert(key, d);
            return m_lastDate = d;
        }
        if (text != QByteArrayView(m_text)) {
            m_text = text.toByteArray();
            m_date = DateStrToCal(QString::fromUtf8(m_text));
        }
        return m_date;
    }
    CalDate read(const QString& text) { return read(QByteArrayView(text.toUtf8())); }
    // IntToCal(v), through the same cache (v fits a DateInt: the row's
    // range was checked).
    CalDate fromInt(std::int64_t v) {
        if (v < 0 || v > kNotClosed)
            return IntToCal(DateInt(v));
        const int key = int(v) + 1;
        const auto it = m_byDigits.constFind(key);
        if (it != m_byDigits.cend())
            return it.value();
        const CalDate d = IntToCal(DateInt(v));
        m_byDigits.insert(key, d);
        return d;
    }

private:
    // yyyymmdd + 1 (never 0) for a text "dddd-dd-dd", else 0.
    static int Digits(QByteArrayView t) {
        if (t.size() != 10 || t[4] != '-' || t[7] != '-')
            return 0;
        int v = 0;
        for (const int i : {0, 1, 2, 3, 5, 6, 8, 9}) {
            const char c = t[i];
            if (c < '0' || c > '9')
                return 0;
            v = v * 10 + (c - '0');
        }
        return v + 1;
    }
    QHash<int, CalDate> m_byDigits;
    int m_lastKey = 0;
    CalDate m_lastDate;
    QByteArray m_text;
    CalDate m_date = DateStrToCal(QString());
};

} // namespace

// A statement of the scan's own, stepped straight through SQLite without a
// conversion of every text it reads: the walks read a million rows.  A
// failure is the store's (its message is the store's last error).
class HealthCheck::Rows {
public:
    Rows(Store& store, const QString& sql) : m_store(store) {
        const QByteArray utf8 = sql.toUtf8();
        if (!store.handle() ||
            sqlite3_prepare_v2(store.handle(), utf8.constData(), int(utf8.size()), &m_st, nullptr) != SQLITE_OK)
            fail();
    }
    ~Rows() { sqlite3_finalize(m_st); }
    Rows(const Rows&) = delete;
    Rows& operator=(const Rows&) = delete;

    // name without its ':'.
    Rows& bind(const char* name, std::int64_t v) {
        if (m_st)
            sqlite3_bind_int64(m_st, param(name), v);
        return *this;
    }
    Rows& bind(const char* name, const QString& v) {
        if (m_st) {
            const QByteArray utf8 = v.toUtf8();
            sqlite3_bind_text(m_st, param(name), utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        }
        return *this;
    }
    bool next() {
        if (!m_st || !m_ok)
            return false;
        const int rc = sqlite3_step(m_st);
        if (rc == SQLITE_ROW)
            return true;
        if (rc != SQLITE_DONE)
            fail();
        return false;
    }
    bool ok() const { return m_ok; }
    std::int64_t int64(int i) const { return sqlite3_column_int64(m_st, i); }
    bool isInteger(int i) const { return sqlite3_column_type(m_st, i) == SQLITE_INTEGER; }
    QByteArrayView bytes(int i) const {
        const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(m_st, i));
        return p ? QByteArrayView(p, sqlite3_column_bytes(m_st, i)) : QByteArrayView();
    }
    QString text(int i) const { return QString::fromUtf8(bytes(i)); }

private:
    int param(const char* name) const {
        return sqlite3_bind_parameter_index(m_st, (QByteArray(":") + name).constData());
    }
    void fail() {
        m_ok = false;
        m_store.reportError();
    }

    Store& m_store;
    sqlite3_stmt* m_st = nullptr;
    bool m_ok = true;
};

HealthCheck::Layout HealthCheck::MakeLayout(const QString& table, const QStringList& wanted) {
    Layout layout;
    {
        Query q(m_core.store(), QStringLiteral("SELECT strict FROM pragma_table_list WHERE name = :t"));
        q.bind("t", table);
        layout.strict = q.next() && q.int64(0) != 0;
    }
    QStringList names, types;
    {
        Query q(m_core.store(), QStringLiteral("SELECT name, type FROM pragma_table_info(:t)"));
        q.bind("t", table);
        while (q.next()) {
            names << q.text(0);
            types << q.text(1);
        }
    }
    // In a STRICT table only the INTEGER columns can hold an integer.
    auto holdsIntegers = [&](int i) {
        return !layout.strict || types[i].compare(QLatin1String("INTEGER"), Qt::CaseInsensitive) == 0;
    };
    auto columnAt = [&](const QString& name) {
        for (int i = 0; i < names.size(); ++i)
            if (names[i].compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    };
    QStringList select;
    std::vector<bool> used(std::size_t(names.size()), false);
    for (const QString& w : wanted) {
        const int c = columnAt(w);
        if (c >= 0) {
            used[std::size_t(c)] = true;
            if (holdsIntegers(c))
                layout.checked.push_back(int(select.size()));
            select << QLatin1Char('"') + names[c] + QLatin1Char('"');
        } else {
            // An expression, or a column of a later layout that reads NULL.
            const bool expression = w.contains(QLatin1Char(' ')) || w == QLatin1String("rowid");
            select << (expression ? w : QStringLiteral("NULL"));
        }
    }
    // The other columns in one test made by SQLite: cheaper than fetching
    // each of them from a million rows.
    QStringList others;
    for (int c = 0; c < names.size(); ++c)
        if (!used[std::size_t(c)] && holdsIntegers(c))
            others << QLatin1Char('"') + names[c] + QLatin1Char('"');
    if (!others.isEmpty()) {
        layout.others = int(select.size());
        select << QStringLiteral("beyondint(") + others.join(QStringLiteral(", ")) + QLatin1Char(')');
    }
    layout.select = select.join(QStringLiteral(", "));
    return layout;
}

bool HealthCheck::RowOutOfRange(const Rows& rows, const Layout& layout, const std::int64_t* read,
                                std::uint64_t readMask) {
    for (const int i : layout.checked) {
        if (!layout.strict && !rows.isInteger(i))
            continue;
        // a null reads 0
        const std::int64_t v = i < 64 && ((readMask >> i) & 1) ? read[i] : rows.int64(i);
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            return true;
    }
    return layout.others >= 0 && rows.int64(layout.others) != 0;
}

// ---- shared look-ups ---------------------------------------------------------

void HealthCheck::LoadCaches() {
    m_cachesGeneration = m_outsideGeneration;
    m_objKinds.clear();
    m_kindById.clear();
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
        // Ids are mostly dense: a kind looked up for every posting by index.
        int maxId = 0;
        bool plain = true;
        for (auto it = m_objKinds.cbegin(); it != m_objKinds.cend(); ++it) {
            maxId = std::max(maxId, it.key());
            plain = plain && it.value() != kNoKind;
        }
        if (plain && qint64(maxId) < 4 * qint64(m_objKinds.size()) + 4096) {
            m_kindById.assign(std::size_t(maxId) + 1, kNoKind);
            for (auto it = m_objKinds.cbegin(); it != m_objKinds.cend(); ++it)
                if (it.key() >= 0)
                    m_kindById[std::size_t(it.key())] = it.value();
        }
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
    if (!m_kindById.empty()) {
        if (std::size_t(id) >= m_kindById.size() || m_kindById[std::size_t(id)] == kNoKind)
            return false;
        kind = m_kindById[std::size_t(id)];
        return true;
    }
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

void HealthCheck::StampPosting(int txnid, int objid, PostingRow* row) {
    if (row)
        row->stamped = true; // written with its block's range
    else
        m_stamps.push_back({true, txnid, objid, QString()});
}

void HealthCheck::SettleBlockStamps(PostingRow* rows, std::size_t n, std::int64_t lo, std::int64_t hi, bool current) {
    const bool whole = !m_postings.empty() && rows >= m_postings.data() && rows < m_postings.data() + m_postings.size();
    if (current && whole) {
        // Written with the whole table's ranges.
        if (!m_wholePending) {
            m_wholePending = true;
            m_wholeOutsideGeneration = m_outsideGeneration;
        }
        return;
    }
    if (!current) {
        // Something was written since the block was read: each posting by
        // its key, as it stands.
        for (std::size_t i = 0; i < n; ++i)
            if (rows[i].stamped) {
                m_stamps.push_back({true, int(rows[i].txnid), int(rows[i].objid), QString()});
                rows[i].stamped = false;
            }
        return;
    }
    // Every row with a Txnid in [lo, hi] was read into the block: a range of
    // row ids that holds only marked rows of it, with Txnid kept to [lo, hi],
    // marks exactly those.  A wide gap between two row ids starts a new
    // range, so that no statement walks far over other rows.
    constexpr std::int64_t kMaxGap = 64;
    std::vector<std::uint32_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = std::uint32_t(i);
    std::sort(order.begin(), order.end(),
              [rows](std::uint32_t a, std::uint32_t b) { return rows[a].rowid < rows[b].rowid; });
    bool open = false;
    for (const std::uint32_t i : order) {
        const PostingRow& r = rows[i];
        if (!r.stamped) {
            open = false;
            continue;
        }
        if (open && r.rowid - m_ranges.back().toRow <= kMaxGap) {
            m_ranges.back().toRow = r.rowid;
        } else {
            m_ranges.push_back({r.rowid, r.rowid, lo, hi, m_outsideGeneration, m_rangeKeys.size(), m_rangeKeys.size()});
            open = true;
        }
        m_rangeKeys.emplace_back(int(r.txnid), int(r.objid));
        m_ranges.back().keysTo = m_rangeKeys.size();
    }
}

void HealthCheck::StampLink(int cptyid, int potid, const QString& purchsale) {
    m_stamps.push_back({false, cptyid, potid, purchsale});
    m_links[{cptyid, potid, purchsale}] = true;
}

void HealthCheck::FlushStamps(bool wholeToo) {
    // The marks kept on the whole table stay there while it is current: the
    // posting scan takes its rows, and their marks, from it.
    const bool whole = m_wholePending && (wholeToo || !WholeMarksCurrent());
    if (m_stamps.empty() && m_ranges.empty() && !whole)
        return;
    CloseSpan();
    StoreTransaction st(m_core.store());
    if (st.ok()) {
        Query qp(m_core.store(), QStringLiteral("UPDATE pstg SET Rprts = :ts WHERE Txnid = :t AND Objid = :o"));
        Query ql(m_core.store(), QStringLiteral("UPDATE cptypot SET Rprts = :ts WHERE Cptyid = :c AND "
                                                "Potid = :p AND Purchsale = :s"));
        // "+Txnid": the row-id range leads, the Txnid range only filters.
        Query qr(m_core.store(), QStringLiteral("UPDATE pstg SET Rprts = :ts WHERE rowid BETWEEN :a AND :b AND "
                                                "+Txnid BETWEEN :lo AND :hi"));
        qp.bind("ts", m_stampText);
        ql.bind("ts", m_stampText);
        qr.bind("ts", m_stampText);
        // The file whose marks could not be written: the scan stops there,
        // as later findings would be phantoms.
        const QString postings = QStringLiteral("PSTG.DB");
        QString failed;
        if (whole) {
            m_wholePending = false;
            if (!FlushWholeStamps(qp))
                failed = postings;
        }
        for (const StampRange& r : m_ranges) {
            if (!failed.isEmpty())
                break;
            if (r.outsideGeneration == m_outsideGeneration) {
                qr.bind("a", r.fromRow).bind("b", r.toRow).bind("lo", r.loTxn).bind("hi", r.hiTxn);
                if (!qr.exec())
                    failed = postings;
            } else {
                for (std::size_t k = r.keysFrom; failed.isEmpty() && k < r.keysTo; ++k) {
                    qp.bind("t", m_rangeKeys[k].first).bind("o", m_rangeKeys[k].second);
                    if (!qp.exec())
                        failed = postings;
                }
            }
        }
        for (const PendingStamp& s : m_stamps) {
            if (!failed.isEmpty())
                break;
            if (s.posting) {
                qp.bind("t", s.a).bind("o", s.b);
                if (!qp.exec())
                    failed = postings;
            } else {
                ql.bind("c", s.a).bind("p", s.b).bind("s", s.purchsale);
                if (!ql.exec())
                    failed = QStringLiteral("cptypot.db");
            }
        }
        if (failed.isEmpty() && !st.commit())
            failed = m_scanTable;
        if (!failed.isEmpty()) // reported before the rollback, with the store's message
            ReadFailed(failed, QStringLiteral("run marks not written"));
    } else {
        ReadFailed(m_scanTable, QStringLiteral("run marks not written"));
    }
    m_stamps.clear();
    m_ranges.clear();
    m_rangeKeys.clear();
}

bool HealthCheck::FlushWholeStamps(Query& keys) {
    std::vector<PostingRow>& rows = m_postings;
    bool ok = true;
    auto written = [&] {
        for (PostingRow& r : rows)
            if (r.stamped) {
                r.stamped = false;
                r.marked = true;
            }
    };
    if (!WholeMarksCurrent()) {
        // The window's input changed something: each posting by its key.
        for (const PostingRow& r : rows)
            if (ok && r.stamped)
                ok = keys.bind("t", int(r.txnid)).bind("o", int(r.objid)).exec();
        written();
        return ok;
    }
    // Every row of the table is known: a range of row ids holding marked
    // rows only (and ids of no row) marks exactly those.
    Query ranges(m_core.store(), QStringLiteral("UPDATE pstg SET Rprts = :ts WHERE rowid BETWEEN :a AND :b"));
    ranges.bind("ts", m_stampText);
    std::int64_t from = 0;
    bool open = false;
    auto close = [&](std::int64_t to) {
        if (open && ok)
            ok = ranges.bind("a", from).bind("b", to).exec();
        open = false;
    };
    auto walk = [&](std::int64_t rowid, bool stamped, std::int64_t& last) {
        if (!stamped) {
            close(last);
        } else if (!open) {
            open = true;
            from = rowid;
        }
        last = rowid;
    };
    std::int64_t lo = std::numeric_limits<std::int64_t>::max(), hi = std::numeric_limits<std::int64_t>::min();
    for (const PostingRow& r : rows) {
        lo = std::min(lo, r.rowid);
        hi = std::max(hi, r.rowid);
    }
    std::int64_t last = 0;
    if (!rows.empty() && hi - lo < std::int64_t(4 * rows.size()) + (1 << 20)) {
        // Row ids are dense: a map of them, in id order.
        QByteArray state(qsizetype(hi - lo + 1), '\0'); // 0 no row, 1 unmarked, 2 marked
        for (const PostingRow& r : rows)
            state[qsizetype(r.rowid - lo)] = r.stamped ? 2 : 1;
        for (qsizetype i = 0; i < state.size(); ++i)
            if (state[i])
                walk(lo + std::int64_t(i), state[i] == 2, last);
    } else {
        std::vector<std::pair<std::int64_t, bool>> byRow;
        byRow.reserve(rows.size());
        for (const PostingRow& r : rows)
            byRow.emplace_back(r.rowid, r.stamped);
        std::sort(byRow.begin(), byRow.end());
        for (const auto& [rowid, stamped] : byRow)
            walk(rowid, stamped, last);
    }
    close(last);
    written();
    return ok;
}

// ---- posting rows ------------------------------------------------------------------

QString HealthCheck::RowRangeFault(const QString& table, std::int64_t rowid) {
    Query q(m_core.store(), QStringLiteral("SELECT * FROM ") + table + QStringLiteral(" WHERE rowid = :r"));
    q.bind("r", rowid);
    QString fault;
    if (q.next())
        fault = RangeFault(q);
    q.reset();
    return fault;
}

const HealthCheck::Layout& HealthCheck::PostingLayout() {
    if (m_postingLayout.select.isEmpty())
        m_postingLayout = MakeLayout(QStringLiteral("pstg"),
                                     {QStringLiteral("rowid"), QStringLiteral("Txnid"), QStringLiteral("Objid"),
                                      QStringLiteral("Amt"), QStringLiteral("chnum"), QStringLiteral("Pstgdate"),
                                      QStringLiteral("Txntype"), QStringLiteral("Rprts IS :ts")});
    return m_postingLayout;
}

void HealthCheck::ReadPostingRow(const Rows& rows, PostingRow& row) {
    static thread_local DateTexts dates;
    std::int64_t read[5];
    for (int i = 0; i < 5; ++i)
        read[i] = rows.int64(i);
    row.rowid = read[0];
    row.txnid = read[1];
    row.objid = read[2];
    row.amt = read[3];
    row.chnum = read[4];
    row.date = dates.read(rows.bytes(5));
    const QByteArrayView type = rows.bytes(6);
    row.type = type.size() == 1 && uchar(type[0]) < 0x80 ? type[0] : 0;
    if (row.type == 0)
        m_postingTypes.insert(row.rowid, QString::fromUtf8(type));
    row.marked = rows.int64(7) != 0;
    row.stamped = false;
    row.fault = false;
    if (RowOutOfRange(rows, m_postingLayout, read, 0x1f)) {
        const QString fault = RowRangeFault(QStringLiteral("pstg"), row.rowid);
        row.fault = !fault.isEmpty();
        if (row.fault)
            m_postingFaults.insert(row.rowid, fault);
    }
}

QString HealthCheck::PostingType(const PostingRow& row) const {
    return row.type ? QString(QLatin1Char(row.type)) : m_postingTypes.value(row.rowid);
}

void HealthCheck::LoadPostings() {
    m_postings.clear();
    m_postingsGeneration = 0;
    m_postingTypes.clear();
    m_postingFaults.clear();
    std::vector<PostingRow> rows;
    {
        bool counted = true;
        const qint64 n = CountRows(m_core.store(), QStringLiteral("SELECT count(*) FROM pstg"), counted);
        if (counted && n > 0)
            rows.reserve(std::size_t(n));
        Rows r(m_core.store(), QStringLiteral("SELECT ") + PostingLayout().select + QStringLiteral(" FROM pstg"));
        r.bind("ts", m_stampText);
        while (r.next()) {
            rows.emplace_back();
            ReadPostingRow(r, rows.back());
        }
        // A read that fails here is left to the walk, which meets it where
        // the reading block by block would.
        if (!r.ok())
            return;
    }
    // Key order.  Rows are mostly stored in transaction order, their
    // accounts in any order: then sorting each transaction's few rows is
    // enough.
    auto before = [](const PostingRow& a, const PostingRow& b) {
        return a.txnid != b.txnid ? a.txnid < b.txnid : a.objid < b.objid;
    };
    if (std::is_sorted(rows.begin(), rows.end(),
                       [](const PostingRow& a, const PostingRow& b) { return a.txnid < b.txnid; })) {
        for (auto from = rows.begin(); from != rows.end();) {
            auto to = from + 1;
            while (to != rows.end() && to->txnid == from->txnid)
                ++to;
            std::sort(from, to, before);
            from = to;
        }
    } else {
        std::sort(rows.begin(), rows.end(), before);
    }
    m_postings = std::move(rows);
    m_postingsGeneration = m_generation;
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
        const auto prefix = [&] {
            return QStringLiteral("Txn ") + N(txnId) + QStringLiteral(" / acc ") + N(e.objid) + QStringLiteral(" : ");
        };
        // The account first: a posting to an account that is missing or of
        // the wrong kind must not be written again (nor a right one deleted
        // for it) - which of the two is wrong is the user's to decide.
        if (e.objid != 0) {
            int kind = 0;
            if (!ObjectKind(e.objid, kind)) {
                ErrorManual(prefix() + QStringLiteral("account not found"));
                allGood = false;
                manual = true;
                continue;
            }
            if (e.kind >= 0 && kind != e.kind) {
                ErrorManual(prefix() + QStringLiteral("account wrong type") + N(kind) + QStringLiteral(" ") +
                            N(e.kind));
                allGood = false;
                manual = true;
                continue;
            }
        }
        // The PSTG.DB row (Txnid, Objid), from the transaction's postings.
        const auto found =
            std::find_if(postings.begin(), postings.end(), [&](const TxnPosting& p) { return p.objid == e.objid; });
        if (found == postings.end()) {
            ErrorRepairable(prefix() + QStringLiteral("posting not found"));
            allGood = false;
            repost = true;
            continue;
        }
        const qint64 pAmt = found->amt;
        const int pChnum = found->chnum;
        if (pAmt != e.amt) {
            ErrorRepairable(prefix() + QStringLiteral("posting amount error"));
            allGood = false;
            repost = true;
            continue;
        }
        if (pChnum != e.chnum) {
            ErrorRepairable(prefix() + QStringLiteral("channel number (on pstg) ") + N(pChnum) +
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
        StampPosting(txnId, e.objid, found->row);
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
    // postings of the Txnids from the key before the block to its last Id,
    // in (Txnid, Objid) order: from the posting table read whole while it
    // is current, else from the table.
    LoadPostings();
    m_txnDates.clear();
    m_txnDatesGeneration = 0;
    const quint64 datesGeneration = m_generation;
    bool datesWhole = true;
    const Layout txnLayout = MakeLayout(
        QStringLiteral("txn"),
        {QStringLiteral("Id"), QStringLiteral("Type"), QStringLiteral("Amt"), QStringLiteral("Txndate"),
         QStringLiteral("Date2"), QStringLiteral("Cancelled"), QStringLiteral("Accid1"), QStringLiteral("Accid2"),
         QStringLiteral("Accid3"), QStringLiteral("Accid4"), QStringLiteral("chnum"), QStringLiteral("Masterid"),
         QStringLiteral("Instance"), QStringLiteral("actualtxndate")});
    const bool hasActual = txnLayout.select.contains(QStringLiteral("\"actualtxndate\""), Qt::CaseInsensitive);
    const QString txnSql =
        QStringLiteral("SELECT ") + txnLayout.select + QStringLiteral(" FROM txn WHERE Id > :k ORDER BY Id LIMIT :n");
    const QString postingSql = QStringLiteral("SELECT ") + PostingLayout().select +
                               QStringLiteral(" FROM pstg WHERE Txnid > :a AND Txnid <= :b ORDER BY Txnid, Objid");
    DateTexts dates;
    std::vector<TxnRow> block;
    std::vector<PostingRow> ownPostings; // when the whole table is not current
    PostingRow* blockPostings = nullptr;
    std::size_t blockPostingCount = 0;
    std::int64_t blockFrom = 0, blockTo = 0; // the block's Txnids: (blockFrom, blockTo]
    std::size_t at = 0, postingAt = 0;
    quint64 blockGeneration = 0;
    BlockSize size;
    auto settle = [&] {
        if (blockPostings)
            SettleBlockStamps(blockPostings, blockPostingCount, blockFrom + 1, blockTo,
                              blockGeneration == m_generation);
        blockPostings = nullptr;
        blockPostingCount = 0;
    };
    auto fetch = [&] {
        settle();
        block.clear();
        ownPostings.clear();
        at = postingAt = 0;
        blockGeneration = m_generation;
        const std::int64_t from = key;
        Rows q(m_core.store(), txnSql);
        q.bind("k", key).bind("n", size.take());
        while (q.next()) {
            block.emplace_back();
            TxnRow& r = block.back();
            ScanTxn& t = r.rec;
            // The integers the checks use, read once (0..13 but the texts).
            constexpr std::uint64_t kIntegers = 0x3fe5;
            std::int64_t v[14] = {};
            for (int i = 0; i < 14; ++i)
                if ((kIntegers >> i) & 1)
                    v[i] = q.int64(i);
            r.id = v[0];
            if (RowOutOfRange(q, txnLayout, v, kIntegers))
                r.rangeFault = RowRangeFault(QStringLiteral("txn"), r.id);
            t.Id = int(r.id);
            const QByteArrayView type = q.bytes(1);
            if (type.size() == 1 && uchar(type[0]) < 0x80)
                r.type = type[0];
            else
                r.typeText = QString::fromUtf8(type);
            const CalDate txndate = dates.read(q.bytes(3));
            const CalDate date2 = dates.read(q.bytes(4));
            if (datesWhole && datesGeneration == m_generation)
                m_txnDates.push_back({r.id, txndate, IsNullDate(date2) ? txndate : date2});
            else
                datesWhole = false;
            if (r.rangeFault.isEmpty() && ValidTxnType(r.type)) {
                t.Type = r.type;
                t.Amt = int(v[2]);
                t.Txndate = txndate;
                t.Date2 = date2;
                t.Cancelled = v[5] != 0;
                t.Accid1 = int(v[6]);
                t.Accid2 = int(v[7]);
                t.Accid3 = int(v[8]);
                t.Accid4 = int(v[9]);
                t.chnum = int(v[10]);
                t.Masterid = int(v[11]);
                t.Instance = int(v[12]);
                t.Role = t.Instance > 0 ? roleInstance : roleOrdinary;
                if (hasActual)
                    t.ActualDate = dates.fromInt(v[13]);
            }
        }
        if (!q.ok()) {
            ReadFailed(table);
            block.clear();
            return;
        }
        if (block.empty())
            return;
        blockFrom = from;
        blockTo = block.back().id;
        if (PostingsCurrent()) {
            const auto first = std::upper_bound(m_postings.begin(), m_postings.end(), from,
                                                [](std::int64_t v, const PostingRow& r) { return v < r.txnid; });
            const auto last = std::upper_bound(first, m_postings.end(), blockTo,
                                               [](std::int64_t v, const PostingRow& r) { return v < r.txnid; });
            blockPostings = &*first;
            blockPostingCount = std::size_t(last - first);
            if (blockPostingCount == 0)
                blockPostings = nullptr;
            return;
        }
        Rows p(m_core.store(), postingSql);
        p.bind("ts", m_stampText).bind("a", from).bind("b", blockTo);
        while (p.next()) {
            ownPostings.emplace_back();
            ReadPostingRow(p, ownPostings.back());
        }
        if (!p.ok()) {
            ReadFailed(QStringLiteral("PSTG.DB"));
            block.clear();
            ownPostings.clear();
            return;
        }
        if (!ownPostings.empty()) {
            blockPostings = ownPostings.data();
            blockPostingCount = ownPostings.size();
        }
    };
    auto posting = [](PostingRow& r, bool inBlock) {
        return TxnPosting{int(r.objid), qint64(r.amt), int(r.chnum), inBlock ? &r : nullptr};
    };

    while (!m_readFailed) {
        if (blockGeneration != m_generation) {
            // Something may have changed: go on from the last key.
            if (at < block.size())
                size.restart();
            settle();
            block.clear();
            at = 0;
        }
        if (at == block.size()) {
            fetch();
            if (block.empty())
                break;
        }
        const char typeChar = block[at].type;
        const QString typeRare = block[at].typeText;
        const auto typeText = [&] { return typeChar ? QString(QLatin1Char(typeChar)) : typeRare; };
        const qint64 id = block[at].id;
        const QString rangeFault = block[at].rangeFault;
        ScanTxn txn = block[at].rec;
        ++at;
        key = id;
        if (!NextRow(txn.Id))
            break;
        if (!rangeFault.isEmpty() || id < 1) {
            // Nothing of it can be judged: its postings, if any, are found by
            // the posting scan.  Id 0 is the anchors' and is never re-posted.
            ErrorManual(QStringLiteral("Txn ") + typeText() + QStringLiteral(" ") + N(id) +
                        (rangeFault.isEmpty() ? QStringLiteral(" invalid id")
                                              : QStringLiteral(" value out of range : ") + rangeFault));
            continue;
        }
        lastId = txn.Id;
        // The transaction's postings: from the block, or read now when the
        // window's input changed something since the block was read.
        std::vector<TxnPosting> postings;
        if (blockGeneration == m_generation) {
            while (postingAt < blockPostingCount && int(blockPostings[postingAt].txnid) < txn.Id)
                ++postingAt;
            for (; postingAt < blockPostingCount && int(blockPostings[postingAt].txnid) == txn.Id; ++postingAt)
                postings.push_back(posting(blockPostings[postingAt], true));
        } else {
            Rows p(m_core.store(),
                   QStringLiteral("SELECT ") + PostingLayout().select + QStringLiteral(" FROM pstg WHERE Txnid = :t"));
            p.bind("ts", m_stampText).bind("t", txn.Id);
            PostingRow r;
            while (p.next()) {
                ReadPostingRow(p, r);
                postings.push_back(posting(r, false));
            }
            if (!p.ok()) {
                ReadFailed(QStringLiteral("PSTG.DB"));
                break;
            }
        }
        const auto label = [&] { return QStringLiteral("Txn ") + typeText() + QStringLiteral(" ") + N(txn.Id); };

        // 1: nothing else can be judged without a type.
        if (!ValidTxnType(typeChar)) {
            ErrorManual(label() + QStringLiteral(" invalid txn type"));
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
                    Info(label() + QStringLiteral(" instance with no master"));
                } else if (!RepeaterExists(txn.Masterid)) {
                    ErrorRepairable(label() + QStringLiteral(" masterid not found ") + N(txn.Masterid));
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
            auto manual = [&](const char* text) { ErrorManual(label() + QLatin1String(text)); };
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
                ErrorRepairable(label() + QStringLiteral(" invalid channel number ") + N(txn.chnum));
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
                ErrorRepairable(label() + QStringLiteral("Rptr instance with neither actual txn date nor pstg date"));
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
        if (m_stamps.size() >= std::size_t(kStampBatch) || m_rangeKeys.size() >= kRangeKeyBatch)
            FlushStamps();
    }
    settle();
    FlushStamps();
    // The dates of every transaction, read in one generation: the posting
    // scan takes them from here while nothing has been written since.
    if (datesWhole && !m_readFailed && !m_abort && datesGeneration == m_generation)
        m_txnDatesGeneration = m_generation;
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

    // Read ahead: a block of postings after the last key, from the posting
    // table read whole while it is current, else from the table.
    std::vector<PostingRow> block;
    std::size_t at = 0;
    std::size_t wholeAt = 0; // the next row of m_postings
    quint64 blockGeneration = 0;
    BlockSize size;
    const QString blockSql =
        QStringLiteral("SELECT ") + PostingLayout().select +
        QStringLiteral(" FROM pstg WHERE (Txnid, Objid) > (:t, :o) ORDER BY Txnid, Objid LIMIT :n");
    auto fetch = [&] {
        block.clear();
        at = 0;
        blockGeneration = m_generation;
        const int n = size.take();
        if (PostingsCurrent()) {
            // The rows after the key: mostly the very next one.
            auto after = [&](const PostingRow& r) { return r.txnid != keyT ? r.txnid > keyT : r.objid > keyO; };
            if (wholeAt > m_postings.size() || (wholeAt > 0 && after(m_postings[wholeAt - 1])) ||
                (wholeAt < m_postings.size() && !after(m_postings[wholeAt])))
                wholeAt = std::size_t(std::partition_point(m_postings.begin(), m_postings.end(),
                                                           [&](const PostingRow& r) { return !after(r); }) -
                                      m_postings.begin());
            const std::size_t end = std::min(m_postings.size(), wholeAt + std::size_t(n) * 64);
            block.assign(m_postings.begin() + std::ptrdiff_t(wholeAt), m_postings.begin() + std::ptrdiff_t(end));
            wholeAt = end;
            // This run's marks written by the transaction scan.
            for (PostingRow& r : block)
                r.marked = r.marked || r.stamped;
            return;
        }
        Rows q(m_core.store(), blockSql);
        q.bind("ts", m_stampText).bind("t", keyT).bind("o", keyO).bind("n", n);
        while (q.next()) {
            block.emplace_back();
            ReadPostingRow(q, block.back());
        }
        if (!q.ok()) {
            ReadFailed(table);
            block.clear();
        }
    };
    // The dates of the transaction of the latest posting (postings come in
    // transaction order, so one look-up serves them all): from the
    // transaction scan's reading while it is current, else from the table.
    qint64 cachedTxn = 0;
    quint64 cacheGeneration = 0;
    bool txnFound = false;
    CalDate txndate, date2;
    std::size_t datesAt = 0;
    DateTexts dates;

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
        const PostingRow& p = block[at++];
        keyT = p.txnid;
        keyO = p.objid;
        if (!NextRow())
            return;
        lastT = p.txnid;
        lastO = p.objid;
        if (p.fault) {
            ErrorManual(QStringLiteral("Posting ") + N(p.txnid) + QStringLiteral(" / ") + N(p.objid) +
                        QStringLiteral(" value out of range : ") + m_postingFaults.value(p.rowid));
            continue;
        }
        // Transaction 0 holds the anchors, which the health check never
        // changes: one of another type is the user's to look at.
        if (p.txnid == 0) {
            if (p.type != 'A')
                ErrorManual(QStringLiteral("Posting 0 / ") + N(p.objid) + QStringLiteral(" anchor posting of type \"") +
                            PostingType(p) + QStringLiteral("\""));
            continue;
        }
        if (p.type == 'A')
            continue;
        const DateInt d = CalToInt(p.date);
        if (d != 0) {
            if (earliest == 0 || d < earliest)
                earliest = d;
            if (d > latest)
                latest = d;
        }
        const auto label = [&] { return QStringLiteral("Posting ") + N(p.txnid) + QStringLiteral(" / ") + N(p.objid); };

        int kind = 0;
        const bool objExists = ObjectKind(p.objid, kind);
        if (cacheGeneration != m_generation || cachedTxn != p.txnid) {
            cacheGeneration = m_generation;
            cachedTxn = p.txnid;
            txnFound = false;
            txndate = date2 = CalDate();
            if (m_txnDatesGeneration != 0 && m_txnDatesGeneration == m_generation) {
                if (datesAt > m_txnDates.size() || (datesAt > 0 && m_txnDates[datesAt - 1].id >= p.txnid))
                    datesAt = 0;
                while (datesAt < m_txnDates.size() && m_txnDates[datesAt].id < p.txnid)
                    ++datesAt;
                if (datesAt < m_txnDates.size() && m_txnDates[datesAt].id == p.txnid) {
                    txnFound = true;
                    txndate = m_txnDates[datesAt].txndate;
                    date2 = m_txnDates[datesAt].date2;
                }
            } else {
                Query q(m_core.store(), QStringLiteral("SELECT Txndate, Date2 FROM txn WHERE Id = :id"));
                q.bind("id", std::int64_t(p.txnid));
                if (q.next()) {
                    txnFound = true;
                    txndate = dates.read(q.text(0));
                    date2 = dates.read(q.text(1));
                    if (IsNullDate(date2))
                        date2 = txndate; // an empty Date2 is the transaction date
                    q.reset();
                } else if (!ReadOk(q, QStringLiteral("TXN.DB"))) {
                    break;
                }
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
        if (p.type != 'D' && !objExists) {
            ErrorRepairable(label() + QStringLiteral("Object not found : ") + N(p.objid));
            remove = true;
        } else if (!txnFound) {
            ErrorRepairable(label() + QStringLiteral(" no matching txn"));
            remove = true;
        } else if (!p.type || !IsPostingType(p.type)) {
            ErrorRepairable(label() + QStringLiteral(" invalid txn type"));
            remove = true;
        } else if (!p.marked) {
            ErrorManual(label() + QStringLiteral(" posting missed from txn scan"));
        } else if (objExists) {
            if (kind == otPot && !DateEqual(p.date, txndate)) {
                ErrorRepairable(label() + QStringLiteral(" posting date should match txn date for Intl accs"));
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
            } else if ((kind == otCtgy && !DateEqual(p.date, txndate)) ||
                       ((kind == otExtAcc || kind == otCpty) && !DateEqual(p.date, date2))) {
                const bool ctgy = kind == otCtgy;
                ErrorRepairable(label() + (ctgy ? QStringLiteral(" posting.date / txn.txndate mismatch")
                                                : QStringLiteral(" posting.date / txn.pstgdate mismatch")));
                TxnRec txn;
                if (Repairing() && !RealDate(p.date)) {
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
                            txn.Txndate = p.date;
                        else
                            txn.Date2 = p.date;
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
    // Nothing reads this run's posting marks any more.
    m_wholePending = false;
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
