// The health check's run: the backup, the log with its capacity, the order of
// the scans with the rule that skips the later ones, and the end reports.
// The scans themselves are in HealthCheckScans.cpp.
#include "ledger/HealthCheck.h"

#include "base/Files.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Store.h"
#include "ledger/Database.h"
#include "ledger/LedgerState.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <limits>
#include <sqlite3.h>

namespace {

const QString kBackupRoot = QStringLiteral("Pre-healthcheck backups/");
const QString kLogName = QStringLiteral("HCHK.TXT");

QString BackupFolderFor(const QString& root, const QDateTime& stamp) {
    return root + QStringLiteral("HCHK") + stamp.toString(QStringLiteral("yyyyMMddhhmmss")) + QLatin1Char('/');
}

} // namespace

HealthCheck::HealthCheck(TFCore& core, HealthCheckView& view) : m_core(core), m_view(view) {}

HealthCheck::~HealthCheck() {
    CloseSpan();
}

bool RunHealthCheck(TFCore& core, HealthCheckView& view, HchkMode mode) {
    HealthCheck hc(core, view);
    return hc.Run(mode);
}

// Closes the database, copies the data folder's files into a new backup
// folder and opens the database again.  The folder name carries the run
// stamp to the second; a second run within the same second moves its stamp
// on to the next free second rather than overwrite the earlier backup.
bool HealthCheck::MakeBackup() {
    Prompter& p = m_core.prompter();
    const QString data = m_core.dataFolder();
    CloseDatabase(m_core);

    bool ok = false;
    const QString root = WithBackslash(m_core.programFolder()) + kBackupRoot;
    if (EnsureFolder(p, root)) {
        while (QFileInfo::exists(BackupFolderFor(root, m_stamp)))
            m_stamp = m_stamp.addSecs(1);
        m_backupFolder = BackupFolderFor(root, m_stamp);
        if (QDir().mkpath(m_backupFolder)) {
            ok = true;
            BusyScope busy(p);
            // Every file, not the subfolders; the lock file marks an open
            // folder and must not travel with a copy that may be restored.
            const QStringList names =
                QDir(data).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
            for (const QString& name : names) {
                if (name == FolderLockName())
                    continue;
                if (!CopyFileKeepDate(p, name, data, m_backupFolder))
                    ok = false;
                p.ProcessEvents();
            }
        }
    }
    OpenDatabase(m_core);
    return ok;
}

void HealthCheck::LogForced(const QString& line) {
    m_log << line;
    m_view.AddLogLine(line);
}

void HealthCheck::Log(const QString& line) {
    if (m_logFull)
        return;
    if (m_log.size() >= m_capacity) {
        m_logFull = true;
        m_abort = true;
        CloseSpan(); // the message takes input
        m_core.prompter().ShowMessage(QStringLiteral("Scan abandoned - error limit reached "));
        return;
    }
    LogForced(line);
}

void HealthCheck::ErrorRepairable(const QString& text) {
    if (m_readFailed)
        return;
    ++m_repairable;
    Log(QStringLiteral("Error (can auto-repair) : ") + text);
}

void HealthCheck::ErrorManual(const QString& text) {
    if (m_readFailed)
        return;
    ++m_manual;
    Log(QStringLiteral("Error (for manual repair) : ") + text);
}

void HealthCheck::Info(const QString& text) {
    if (m_readFailed)
        return;
    Log(QStringLiteral("Info : ") + text);
}

void HealthCheck::ReadFailed(const QString& table, const QString& what) {
    if (m_readFailed)
        return;
    QString message = m_core.store().lastError();
    if (message.isEmpty())
        message = QStringLiteral("unknown error");
    ErrorManual(table + QStringLiteral(" : ") + what + QStringLiteral(" - ") + message);
    m_readFailed = true;
}

bool HealthCheck::ReadOk(const Query& q, const QString& table) {
    if (q.ok() && q.prepared())
        return !m_readFailed;
    ReadFailed(table);
    return false;
}

void HealthCheck::RepairFailed() {
    ++m_failedRepairs;
    ++m_failedInScan;
    if (m_repairError.isEmpty())
        m_repairError = m_core.store().lastError();
}

QString HealthCheck::RangeFault(const Query& q) {
    const int n = q.columnCount();
    for (int i = 0; i < n; ++i) {
        if (!q.isInteger(i))
            continue;
        const qint64 v = q.int64(i);
        if (v < std::numeric_limits<int>::min() || v > std::numeric_limits<int>::max())
            return q.columnName(i) + QStringLiteral(" = ") + QString::number(v);
    }
    return QString();
}

bool HealthCheck::OutOfRange(const Query& q, const QString& label) {
    const QString fault = RangeFault(q);
    if (fault.isEmpty())
        return false;
    ErrorManual(label + QStringLiteral(" value out of range : ") + fault);
    return true;
}

bool HealthCheck::NextRow(std::optional<int> txnId) {
    if (m_abort)
        return false;
    --m_remaining;
    // The clock is read every few rows: reading it costs more than a row.
    if (m_inputInterval == 0 || !m_inputTimer.isValid() ||
        ((++m_rowsSinceClock & 63) == 0 && m_inputTimer.hasExpired(m_inputInterval))) {
        // Whatever the window's input leads to (a command of another window)
        // must not join the scan's read span.
        CloseSpan();
        QString text = QStringLiteral(" ") + QString::number(m_remaining);
        if (txnId)
            text += QStringLiteral("; Id = ") + QString::number(*txnId);
        m_view.SetProgress(text);
        const std::int64_t before = m_core.store().changeCount();
        // What another window does meanwhile reports its own errors.
        m_core.store().setQuiet(false);
        m_view.ProcessInput();
        m_core.store().setQuiet(true);
        if (m_core.store().changeCount() != before) {
            MarkStale();
            // The marks kept in memory go to the table before it is read again.
            if (m_wholePending)
                FlushStamps();
        }
        m_inputTimer.start();
    }
    OpenSpan();
    return true;
}

void HealthCheck::OpenSpan() {
    Store& store = m_core.store();
    if (m_spanOpen || store.inTransaction() || !store.isOpen())
        return;
    m_spanOpen = store.beginRead();
}

void HealthCheck::CloseSpan() {
    if (!m_spanOpen)
        return;
    m_spanOpen = false;
    // Reads only: a failed commit loses nothing.
    Store& store = m_core.store();
    if (store.inTransaction())
        store.commit();
}

qint64 HealthCheck::CountRows(Store& store, const QString& sql, bool& ok) {
    Query q(store, sql);
    const qint64 n = q.next() ? q.int64(0) : 0;
    ok = q.ok() && q.prepared();
    q.reset();
    return n;
}

void HealthCheck::StartScan(const QString& table, const QString& countSql) {
    m_scanTable = table;
    m_readFailed = false;
    m_failedInScan = 0;
    m_repairError.clear();
    bool ok = true;
    m_countBefore = CountRows(m_core.store(), countSql, ok);
    if (!ok) {
        ReadFailed(table);
        return;
    }
    m_remaining = m_countBefore;
    Log(table + QStringLiteral(" : ") + QString::number(m_countBefore) + QStringLiteral(" record(s)"));
}

void HealthCheck::EndScan(const QString& table, const QString& countSql, int deletedByScan) {
    m_view.SetProgress(QString());
    // Rows walked against rows counted, and the count now against the count
    // before less what the scan itself deleted: either differs when the table
    // changed under the scan or its key order does not hold every row.
    // After a failed read the count tells nothing more.
    bool ok = true;
    const qint64 after = m_readFailed ? 0 : CountRows(m_core.store(), countSql, ok);
    if (!ok)
        ReadFailed(table);
    else if (!m_readFailed && (m_remaining != 0 || after != m_countBefore - deletedByScan))
        ErrorManual(QStringLiteral("Record count error, use REBUILD.EXE utility to fix"));
    if (m_failedInScan > 0)
        Log(QString::number(m_failedInScan) + QStringLiteral(" repair(s) failed - ") + m_repairError);
    m_readFailed = false; // the end report is written whole
    Log(table + QStringLiteral(" scan complete"));
    if (!AnyErrors()) {
        Log(QString());
        return;
    }
    // A repair whose write failed is not counted as repaired.
    const int repaired = Repairing() ? m_repairable - m_failedRepairs : m_repairable;
    if (repaired > 0)
        Log(QString::number(repaired) +
            (Repairing()
                 ? QStringLiteral(" error(s) repaired - run \"Recheck\" to confirm, further errors may be found")
                 : QStringLiteral(" repairable error(s) found")));
    if (m_manual > 0)
        Log(QString::number(m_manual) + QStringLiteral(" non-repairable error(s) - you must repair these"));
    Log(QStringLiteral(
        "If these problems recur try running REBUILD.EXE to verify/rebuild the deep structure of the relevant tables"));
    Log(QString());
}

bool HealthCheck::Run(HchkMode mode) {
    if (m_running)
        return false;
    m_running = true;
    m_mode = mode;
    m_abort = false;
    m_logFull = false;
    m_log.clear();
    m_stamps.clear();
    m_wholePending = false;
    m_ranges.clear();
    m_rangeKeys.clear();
    m_postingLayout = Layout();
    m_postingsGeneration = 0;
    m_txnDatesGeneration = 0;
    m_inputTimer.invalidate();
    MarkStale();
    m_stamp = m_clock ? m_clock() : QDateTime::currentDateTime();
    m_failedRepairs = 0;
    m_failedInScan = 0;
    m_readFailed = false;
    m_backupFolder.clear();

    // While the run lasts a missing object is a finding, not a message.
    NotFoundQuiet quiet(m_core);

    const bool backedUp = MakeBackup();
    m_stampText = DateTimeToStore(m_stamp);
    if (!m_core.databaseDetails.open) {
        // Reported by the opening.
        m_abort = true;
        m_running = false;
        return false;
    }
    if (!backedUp) {
        m_core.prompter().ShowMessage(QStringLiteral("Health check backup failed - nothing was checked"));
        m_abort = true;
        m_running = false;
        return false;
    }

    m_view.RunStarted(mode);
    m_repairable = 0;
    m_manual = 0;
    m_stats = TxnStats();

    Log(QStringLiteral("Database path = ") + m_core.dataFolder());
    Log(QStringLiteral("Healthcheck at ") + m_stamp.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss")));
    Log(QStringLiteral("All files including this log (") + kLogName + QStringLiteral(") backed up to"));
    Log(QStringLiteral("   ") + m_backupFolder);
    Log(QString());

    // Errors met by the scans are findings in the log, not message boxes.
    m_core.store().setQuiet(true);
    using Scan = void (HealthCheck::*)();
    for (Scan scan : {&HealthCheck::ScanObjects, &HealthCheck::ScanTransactions, &HealthCheck::ScanPostings,
                      &HealthCheck::ScanRepeaters, &HealthCheck::ScanCptyLinks}) {
        if (AnyErrors() || m_abort)
            break;
        (this->*scan)();
        FlushStamps();
    }
    CloseSpan();
    m_core.store().setQuiet(false);
    m_readFailed = false;
    // What was read ahead is of no use after the run.
    m_postingsGeneration = 0;
    m_txnDatesGeneration = 0;
    std::vector<PostingRow>().swap(m_postings);
    std::vector<TxnDates>().swap(m_txnDates);
    m_postingTypes.clear();
    m_postingFaults.clear();

    bool clean = false;
    if (m_abort) {
        LogForced(QStringLiteral("Scan aborted"));
    } else if (!AnyErrors()) {
        Log(QStringLiteral("All scans complete OK"));
        clean = !m_log.isEmpty() && m_log.back() == QStringLiteral("All scans complete OK");
    }

    QSaveFile file(m_backupFolder + kLogName);
    bool saved = file.open(QIODevice::WriteOnly | QIODevice::Text);
    if (saved) {
        file.write((m_log.join(QLatin1Char('\n')) + QLatin1Char('\n')).toUtf8());
        saved = file.commit();
    }
    if (!saved)
        m_core.prompter().ShowMessage(QStringLiteral("Unable to write to ") + m_backupFolder + kLogName);

    m_view.SetProgress(QString());
    m_view.RunFinished();
    m_abort = true;
    m_running = false;
    return clean;
}
