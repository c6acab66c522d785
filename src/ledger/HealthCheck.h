// The health check: a backup of the data folder followed by a scan of the
// ledger tables against their invariants, with a log of what was found and,
// in repair mode, the automatic repairs.
//
// A run closes the database, copies every file of the data folder into
// "Pre-healthcheck backups/HCHKyyyymmddhhmmss/" beside the program, reopens
// the database and scans five tables in turn: objects, transactions (with
// each transaction's postings), postings, repeaters and counterparty-category
// links.  Each finding is an error the program can repair ("can auto-repair")
// or one left to the user ("for manual repair").  After the first scan that
// counts an error the later scans are skipped: their checks lean on the
// earlier tables being sound (the posting scan, for one, trusts the run
// marker that the transaction scan stamps on every posting it accounts for).
// The log is saved as HCHK.TXT in the backup folder.
//
// The core holds no window.  It reports through a HealthCheckView, which the
// check window implements (and tests and the headless tool replace): log
// lines, the progress strip, a chance to take the user's input between rows
// (that is how "Cancel" reaches the abort flag) and the start and end of a
// run.  Messages and questions go through the core's prompter as everywhere.
//
// Every repair of one row (a transaction re-posted, a posting deleted or
// rewritten, an object or repeater mended, a link added or deleted) is one
// store transaction of its own, so an interrupted run leaves every row whole.
//
// Speed on a large ledger: the scans read inside one deferred store
// transaction held across many rows (outside one, SQLite starts and ends a
// read transaction on all nine files for every statement), ended before every
// write of the scan and before every turn of the window's input, so that
// neither a repair nor a command of another window ever joins it.  The window
// gets its turn (and the progress strip its text) a few times a second rather
// than on every row.  The big tables are read ahead in key order, a block of rows at a
// time; the block is dropped and read again after any write of the scan or
// any change made during the window's turn, so every row is judged as it
// stands when its turn comes, as a walk of one row at a time would.  The
// posting table, the largest, is read whole once for the transaction and
// posting scans and serves them until the first write (see
// HealthCheckScans.cpp); the run markers of the postings found in order go
// as row-id ranges.
#pragma once

#include "base/Dates.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

class TFCore;
class Query;
class Store;
struct TxnRec;

enum class HchkMode { Check, Repair };

// What a run shows.  All calls come from the run, on the caller's thread.
class HealthCheckView {
public:
    virtual ~HealthCheckView() = default;
    // The backup is made and the scans begin: show the window (not modal)
    // with the caption of the mode, clear the log, menu caption "Cancel",
    // progress strip light aqua.
    virtual void RunStarted(HchkMode mode) = 0;
    // One more log line; the window shows it at once.
    virtual void AddLogLine(const QString& line) = 0;
    // The one-line progress strip (empty clears it).
    virtual void SetProgress(const QString& text) = 0;
    // Lets the window take input (Cancel) and repaint between rows.
    virtual void ProcessInput() = 0;
    // The run is over: progress strip silver, menu caption "Close".
    virtual void RunFinished() = 0;
};

// One health check: its run state and log.  Create it once per window (or
// per use) and call Run as often as wanted; each run starts afresh.
class HealthCheck {
public:
    // The log holds at most this many lines by default: room for a ledger of
    // many thousand rows with an error on each, while a ledger damaged beyond
    // that is stopped ("Scan abandoned - error limit reached ") before the
    // log grows without bound.
    static constexpr int kDefaultLogCapacity = 20000;
    // The window's input is taken (and the progress strip updated) at most
    // this often during a scan: often enough for "Cancel" to answer at once.
    static constexpr int kDefaultInputIntervalMs = 100;

    HealthCheck(TFCore& core, HealthCheckView& view);
    ~HealthCheck();

    // The whole run (see the top of this file).  In check mode only the run
    // marker, a missing close date (set to 99999999, with an "Info : " line)
    // and the deletion of counterparty-category links that no payment or
    // receipt uses are written; repair mode also applies the automatic
    // repairs.  Returns true when the log ends with "All scans complete OK".
    // False also when the backup could not be made or the database could not
    // be reopened: "Health check backup failed - nothing was checked" is shown
    // for the first (the database is reopened and nothing is scanned); the
    // second was reported by the opening itself.  A call while a run is in
    // progress does nothing and gives false.
    bool Run(HchkMode mode);

    // Sets the abort flag: the scan in progress stops at its next row, the
    // later scans are skipped and the run ends with "Scan aborted".
    void Abort() { m_abort = true; }
    bool Running() const { return m_running; }
    // True while a run is stopping and after every run (so that the window's
    // "Close" closes).
    bool AbortFlag() const { return m_abort; }

    // Log capacity in lines (at least 1).  When a line no longer fits, the
    // abort flag is set and "Scan abandoned - error limit reached " is shown;
    // the closing line of the run is still added after it.
    void setLogCapacity(int lines) { m_capacity = lines < 1 ? 1 : lines; }
    int logCapacity() const { return m_capacity; }

    // The least time between two turns of the window's input during a scan,
    // in milliseconds; 0 gives a turn (and a progress text) on every row.
    // The first row of a run always gets one.
    void setInputInterval(int ms) { m_inputInterval = ms < 0 ? 0 : ms; }
    int inputInterval() const { return m_inputInterval; }

    // Where the run stamp comes from (the clock by default); a second run
    // whose stamp names an existing backup folder moves on to the next free
    // second.
    void setClock(std::function<QDateTime()> clock) { m_clock = std::move(clock); }

    HchkMode mode() const { return m_mode; }
    const QStringList& Log() const { return m_log; }
    // "<program folder>Pre-healthcheck backups/HCHKyyyymmddhhmmss/" of the
    // latest run (empty before the first).
    QString BackupFolder() const { return m_backupFolder; }
    // The run time stamp, which is also the run marker written into Rprts.
    QDateTime RunStamp() const { return m_stamp; }
    int RepairableErrors() const { return m_repairable; }
    int ManualErrors() const { return m_manual; }
    // Repairs of the latest run whose writes failed (not counted as repaired).
    int FailedRepairs() const { return m_failedRepairs; }

    // The statistics of the latest transaction scan (cancelled transactions
    // not counted).  Totals are sums of amounts, in hundredths.
    struct TxnStats {
        int payments = 0; // P, X
        qint64 paymentsTotal = 0;
        int receipts = 0; // R, Y
        qint64 receiptsTotal = 0;
        int extTransfers = 0; // T
        qint64 extTransfersTotal = 0;
        int intTransfers = 0; // G
        qint64 intTransfersTotal = 0;
        int transfers = 0;            // C
        qint64 transfersExtTotal = 0; // C with Accid1 set
        qint64 transfersIntTotal = 0; // C with Accid3 set
        int diaryItems = 0;           // D
    };
    const TxnStats& Stats() const { return m_stats; }

private:
    // One expected posting of a transaction.
    struct Expected {
        int objid;
        qint64 amt;
        int chnum;
        int kind; // -1: any
    };

    bool MakeBackup();
    void Log(const QString& line);
    void LogForced(const QString& line);
    void ErrorRepairable(const QString& text);
    void ErrorManual(const QString& text);
    void Info(const QString& text);
    bool AnyErrors() const { return m_repairable + m_manual > 0; }
    // A read of the store failed (a damaged file): the scan reports it with
    // the store's message as a manual error and stops; what the scan would
    // find after it rests on missing rows and is not reported.
    void ReadFailed(const QString& table, const QString& what = QStringLiteral("read failed"));
    // False (after ReadFailed) when q met an error.
    bool ReadOk(const Query& q, const QString& table);
    // The write of a repair failed: counted, and reported once at the end of
    // the scan with the store's message.
    void RepairFailed();
    // A row whose integer column holds what the ledger cannot (an id or an
    // amount beyond 32 bits): a manual error naming it; true when found.
    bool OutOfRange(const Query& q, const QString& label);
    // The first integer column of q's row that an int cannot hold, as
    // "Column = value"; empty when there is none.
    static QString RangeFault(const Query& q);
    bool Repairing() const { return m_mode == HchkMode::Repair; }
    // Counts a row down and, when its time has come, shows the count (with
    // "; Id = " and txnId when given) and lets the window take input; false
    // when the scan must stop (abort flag).  Leaves a read span open.
    bool NextRow(std::optional<int> txnId = std::nullopt);
    // The read span: one deferred store transaction over the reads of many
    // rows (a write lock taken for it would make even an empty commit sync
    // a journal).
    void OpenSpan();
    void CloseSpan();
    // Around every write of a scan: the span is committed first, so that the
    // write is a store transaction of its own, and afterwards the read-ahead
    // blocks are dropped.  The caches stay: no repair adds or removes an
    // object, a channel or a repeater, or changes an object's kind (a link
    // that a repair adds is put in the cache by the repair).
    void BeforeWrite() {
        if (m_wholePending)
            FlushStamps(true); // the marks kept on the whole posting table hold only until a write
        CloseSpan();
    }
    void AfterWrite() { ++m_generation; }
    // Anything may have changed (the window's input wrote): what was read
    // ahead or cached before now is out of date.
    void MarkStale() {
        ++m_generation;
        ++m_outsideGeneration;
    }
    static qint64 CountRows(Store& store, const QString& sql, bool& ok);
    // The objects' kinds, the channels, the repeaters and the
    // counterparty-category links, read once and again after a change.
    void LoadCaches();
    bool LinkStamped(int cptyid, int potid, const QString& purchsale, bool& exists);
    void StartScan(const QString& table, const QString& countSql);
    void EndScan(const QString& table, const QString& countSql, int deletedByScan);

    void CheckGroupChain(qint64 id, int grpid, int kind, const QString& label, bool& moveToTop);
    bool HasAnchor(int objid);
    void ScanObjects();
    void ScanTransactions();
    void ScanPostings();
    void ScanRepeaters();
    void ScanCptyLinks();

    // A posting row as the transaction and posting scans need it.  Texts
    // that are rare (a posting type that is not one plain character, the
    // column that an int cannot hold) are kept aside by row id.
    struct PostingRow {
        std::int64_t txnid = 0;
        std::int64_t objid = 0;
        std::int64_t amt = 0;
        std::int64_t chnum = 0;
        std::int64_t rowid = 0;
        CalDate date;         // Pstgdate
        char type = 0;        // Txntype when it is one plain character, else 0
        bool marked = false;  // Rprts held this run's marker when read
        bool stamped = false; // marked by this run's transaction scan since
        bool fault = false;   // an integer column an int cannot hold
    };
    // What a walk reads of a table: the columns it uses (NULL for one the
    // table lacks) followed by a test of every other column that can hold an
    // integer, and the positions whose integers must fit an int.  A row where one
    // does not is read whole for the detail (RowRangeFault).
    struct Layout {
        QString select;
        std::vector<int> checked;
        int others = -1;    // beyondint() of every other integer column, or -1
        bool strict = true; // a STRICT table: an INTEGER column holds nothing else
    };
    class Rows; // a statement stepped straight through SQLite
    Layout MakeLayout(const QString& table, const QStringList& wanted);
    // True when an integer of the current row at a checked position lies
    // beyond what an int holds.  Positions in readMask (below 64) are taken
    // from read[position]: what the caller has read already.
    static bool RowOutOfRange(const Rows& rows, const Layout& layout, const std::int64_t* read = nullptr,
                              std::uint64_t readMask = 0);
    // The first integer column that an int cannot hold, of the row rowid of
    // table, as RangeFault gives it.
    QString RowRangeFault(const QString& table, std::int64_t rowid);
    // A posting row: "SELECT <PostingLayout().select> FROM pstg ...".
    const Layout& PostingLayout();
    void ReadPostingRow(const Rows& rows, PostingRow& row);
    QString PostingType(const PostingRow& row) const;
    // The posting table read whole, in key order, at the start of the
    // transaction scan: both scans take their rows from it while nothing has
    // been written since (m_generation unchanged); after a write they read
    // from the table again.
    void LoadPostings();
    bool PostingsCurrent() const { return m_postingsGeneration != 0 && m_postingsGeneration == m_generation; }

    // The posting check of one transaction (type, amounts, accounts as read
    // from its row); true when every expected posting is in order.  Sets
    // repost when a repairable posting error was found.
    struct TxnPosting {
        int objid;
        qint64 amt;
        int chnum;
        PostingRow* row; // in the current read-ahead block, or null
    };
    bool CheckTxnPostings(int txnId, char type, qint64 amt, bool cancelled, int a1, int a2, int a3, int a4, int chnum,
                          std::vector<TxnPosting>& postings, bool& repost);
    static std::vector<Expected> ExpectedPostings(char type, qint64 a, int a1, int a2, int a3, int a4, int chnum,
                                                  bool& known);
    // Writes the transaction's postings again (deleting the old ones first
    // when deleteFirst), keeps the reconciliation marks of the postings that
    // stay and stamps the run marker on the postings it wrote.
    bool Repost(TxnRec& txn, bool deleteFirst);
    bool ObjectKind(int id, int& kind);
    bool ChannelExists(int chnum);
    bool RepeaterExists(int id);
    // Run markers are kept and written in large batches, each one store
    // transaction of its own between two rows: one commit per posting (or
    // per few hundred) would make the scan of a large ledger crawl.
    // The postings of a read-ahead block that were found in order are
    // marked by row-id ranges (a few statements for thousands of rows); a
    // range falls back to one statement per posting when the window's input
    // changed anything before it was written.
    static constexpr int kStampBatch = 32768;
    static constexpr std::size_t kRangeKeyBatch = 1u << 20;
    void StampPosting(int txnid, int objid, PostingRow* row);
    // The marks of the block rows[0..n) (postings with Txnid in (lo - 1, hi])
    // become pending ranges, or pending keys when the block is out of date.
    bool FlushWholeStamps(Query& keys);
    void SettleBlockStamps(PostingRow* rows, std::size_t n, std::int64_t lo, std::int64_t hi, bool current);
    void StampLink(int cptyid, int potid, const QString& purchsale);
    // Writes the pending marks; those kept on the whole posting table only
    // when wholeToo or when the table read is no longer current.
    void FlushStamps(bool wholeToo = false);

    TFCore& m_core;
    HealthCheckView& m_view;
    HchkMode m_mode = HchkMode::Check;
    QDateTime m_stamp;
    QString m_stampText; // m_stamp as stored in an Rprts column
    bool m_abort = true;
    bool m_running = false;
    bool m_logFull = false;
    int m_capacity = kDefaultLogCapacity;
    int m_inputInterval = kDefaultInputIntervalMs;
    QElapsedTimer m_inputTimer;
    unsigned m_rowsSinceClock = 0;
    bool m_spanOpen = false;         // the read span is the store's outermost transaction
    quint64 m_generation = 1;        // moves on whenever a row read ahead may have changed
    quint64 m_outsideGeneration = 1; // moves on when the window's input changed something
    quint64 m_cachesGeneration = 0;  // m_outsideGeneration when the caches were read
    QHash<int, int> m_objKinds;      // obj Id -> Type
    std::vector<int> m_kindById;     // the same by index when the ids are dense enough, else empty
    static constexpr int kNoKind = std::numeric_limits<int>::min();
    QHash<int, int> m_objGroups; // obj Id -> Grpid
    QSet<int> m_channels;
    QSet<int> m_repeaters;
    struct LinkKey {
        qint64 cpty;
        qint64 pot;
        QString purchsale;
        bool operator==(const LinkKey& o) const { return cpty == o.cpty && pot == o.pot && purchsale == o.purchsale; }
        friend size_t qHash(const LinkKey& k, size_t seed = 0) { return qHashMulti(seed, k.cpty, k.pot, k.purchsale); }
    };
    QHash<LinkKey, bool> m_links; // link -> stamped with this run's marker
    std::function<QDateTime()> m_clock;
    bool m_readFailed = false; // in the current scan
    QString m_scanTable;       // the current scan's table
    int m_failedRepairs = 0;
    int m_failedInScan = 0;
    QString m_repairError;
    int m_repairable = 0;
    int m_manual = 0;
    qint64 m_remaining = 0; // rows of the current scan still to come
    qint64 m_countBefore = 0;
    QStringList m_log;
    QString m_backupFolder;
    struct PendingStamp {
        bool posting; // else a counterparty-category link
        int a;
        int b;
        QString purchsale;
    };
    std::vector<PendingStamp> m_stamps;
    struct StampRange {
        std::int64_t fromRow, toRow;  // rowid range
        std::int64_t loTxn, hiTxn;    // Txnid range whose every row was read
        quint64 outsideGeneration;    // m_outsideGeneration when made
        std::size_t keysFrom, keysTo; // its postings in m_rangeKeys
    };
    std::vector<StampRange> m_ranges;
    std::vector<std::pair<int, int>> m_rangeKeys;
    std::vector<PostingRow> m_postings;
    quint64 m_postingsGeneration = 0;
    // Marks kept on m_postings rows (blocks taken from it).  While nothing
    // has been written since the table was read the posting scan takes them
    // from there and they are never written: rewriting every row of the
    // table for them would take longer than the whole check.  Before a
    // write, or once the window's input has changed something, they are
    // written: by row-id ranges over the whole table, which hold only marked
    // rows, or by key when the table read is no longer current.
    bool m_wholePending = false;
    quint64 m_wholeOutsideGeneration = 0;
    bool WholeMarksCurrent() const { return PostingsCurrent() && m_wholeOutsideGeneration == m_outsideGeneration; }
    QHash<std::int64_t, QString> m_postingTypes;  // rowid -> Txntype not one plain character
    QHash<std::int64_t, QString> m_postingFaults; // rowid -> RangeFault text
    Layout m_postingLayout;                       // of the current run (empty select: not made yet)
    // Each transaction's dates (Date2 already defaulted to Txndate) as the
    // transaction scan read them, in Id order; current while m_generation
    // is m_txnDatesGeneration.
    struct TxnDates {
        std::int64_t id;
        CalDate txndate;
        CalDate date2;
    };
    std::vector<TxnDates> m_txnDates;
    quint64 m_txnDatesGeneration = 0;
    TxnStats m_stats;
};

// One run on a view: HealthCheck(core, view).Run(mode).
bool RunHealthCheck(TFCore& core, HealthCheckView& view, HchkMode mode);
