// Opening, closing and converting the database of a data folder.
//
// The conversions follow the history of the table layout:
//   12 -> 13  chnum on txn, pstg and rptr (channel of the external account)
//   13 -> 14  Fav on obj (favourite mark)
//   14 -> 15  every payment and receipt gets a category: one new category,
//             "Default Category", set as Accid4 and given its postings
//   15 -> 16  nothing to change
//   16 -> 17  pot transfers (G) and cash transfers (T) become transfers (C),
//             a G's pots moving from Accid1/2 to Accid3/4
//   17 -> 18  actualtxndate on txn
// Steps 12, 13 and 17 change the layout and run before the tables are
// opened; 14 and 16 work on the rows and run after.  So a version-12 folder
// goes through 12, 13, 14, 15 and 16 in one opening and through 17 at the
// next.  Each step is one store transaction, so a step is either done whole or
// not at all; the version is then recorded in the settings file (except after
// 15 -> 16 and 16, whose version is recorded when the database closes).  The
// layout steps check for their column first, so a step whose commit reached
// the disk but whose settings write did not is finished, not failed, when it
// runs again.  Every step also records its new version in the tables
// themselves (OBJ.DB's user_version) inside its own transaction; opening takes
// the higher of that and DBvn, so a row step (14, 16) whose commit landed
// before a crash is never run a second time.
#include "ledger/Database.h"

#include "base/Amount.h"
#include "base/Dates.h"
#include "base/Files.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"

#include <QDir>
#include <QFileInfo>
#include <QThread>
#include <sqlite3.h>

namespace {

const QString kConvertQuestion = QStringLiteral("Database will be converted, have you backed it up?");
const QString kConvertedOk = QStringLiteral("Database converted ok");

enum class Step { Done, Failed, Declined };

bool hasColumn(Store& store, const QString& table, const char* column) {
    Query q(store, QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(table));
    return q.prepared() && q.hasColumn(column);
}

// Adds an INTEGER column unless an earlier, unrecorded run of the step did.
bool addIntegerColumn(Store& store, const QString& table, const char* column) {
    if (hasColumn(store, table, column))
        return true;
    return store.exec(QStringLiteral("ALTER TABLE %1 ADD %2 INTEGER").arg(table, QString::fromLatin1(column)));
}

// Asks, runs work in one store transaction, records the new version and says
// so.  The settings are written right after the commit when writeSettings.
Step convert(TFCore& core, int toVersion, bool writeSettings, const std::function<bool()>& work) {
    if (!core.prompter().AskYesNo(kConvertQuestion))
        return Step::Declined;
    {
        // The tables record the version they reach in the step's own
        // transaction (OBJ.DB's user_version), so a step whose commit reached
        // the disk is known to be done even when the program died before the
        // settings file said so; a row step must not run twice.
        StoreTransaction t(core.store());
        if (!t.ok() || !work() || !core.store().exec(QStringLiteral("PRAGMA main.user_version = %1").arg(toVersion)) ||
            !t.commit())
            return Step::Failed;
    }
    core.settings().DBvn = toVersion;
    // A failed settings write is reported; the tables are converted all the
    // same and the version is written again when the database closes.
    if (writeSettings)
        WriteSettings(core);
    core.prompter().ShowMessage(kConvertedOk);
    return Step::Done;
}

Step step12(TFCore& core) {
    Store& s = core.store();
    return convert(core, 13, true, [&] {
        for (const char* table : {"txn", "pstg", "rptr"})
            if (!addIntegerColumn(s, QString::fromLatin1(table), "chnum"))
                return false;
        return s.exec(QStringLiteral("UPDATE txn SET chnum = 0")) &&
               s.exec(QStringLiteral("UPDATE pstg SET chnum = 0")) &&
               s.exec(QStringLiteral("UPDATE rptr SET chnum = 0"));
    });
}

Step step13(TFCore& core) {
    Store& s = core.store();
    return convert(core, 14, true, [&] { return addIntegerColumn(s, QStringLiteral("obj"), "Fav"); });
}

// One posting of the new category for a payment or receipt: the transaction's
// amount (0 when cancelled), negative for payments and purchases, on the
// transaction's date, with the counterparty as contra.
bool postToCategory(TFCore& core, const Query& txn, int categoryId) {
    const QString type = txn.text("Type");
    Amount64 amt = txn.boolean("Cancelled") ? 0 : txn.int64("Amt");
    if (type == QLatin1String("P") || type == QLatin1String("X"))
        amt = -amt;
    if (!FitsAmount(amt)) {
        core.prompter().ProgramError(QStringLiteral("amount out of range in txn %1").arg(txn.integer("Id")));
        return false;
    }
    PstgRec p;
    InitPstgRec(p);
    p.Txnid = txn.integer("Id");
    p.Objid = categoryId;
    p.Contra = txn.integer("Accid2");
    p.Amt = Amount(amt);
    p.Pstgdate = DateStrToCal(txn.text("Txndate"));
    p.Txntype = type.isEmpty() ? ' ' : type.at(0).toLatin1();
    return WritePstg(core, p);
}

Step step14(TFCore& core) {
    BusyScope busy(core.prompter());
    Store& s = core.store();
    return convert(core, 15, true, [&] {
        ObjRec cat;
        InitObjRec(cat);
        cat.Type = otCtgy;
        cat.Name = QStringLiteral("Default Category");
        cat.CloseDate = IntToCal(kNotClosed);
        // Every leaf object carries its anchor posting.
        if (!AddObj(core, cat) || !EnsureAnchor(core, cat.Id))
            return false;

        Query txns(s, QStringLiteral("SELECT * FROM txn WHERE Type IN ('P', 'R', 'X', 'Y') ORDER BY Id"));
        while (txns.next()) {
            if (!postToCategory(core, txns, cat.Id)) // raises RebalNeeded where balances change
                return false;
        }
        if (!txns.ok())
            return false;
        Query setTxn(s, QStringLiteral("UPDATE txn SET Accid4 = :cat WHERE Type IN ('P', 'R', 'X', 'Y')"));
        Query setRptr(s, QStringLiteral("UPDATE rptr SET Accid4 = :cat WHERE Type IN ('P', 'R', 'X', 'Y')"));
        return setTxn.bind("cat", cat.Id).exec() && setRptr.bind("cat", cat.Id).exec();
    });
}

Step step16(TFCore& core) {
    BusyScope busy(core.prompter());
    Store& s = core.store();
    return convert(core, 17, false, [&] {
        // The right-hand sides read the row as it was, so a G's pots move
        // before its accounts are cleared.
        for (const char* table : {"txn", "rptr"}) {
            const QString t = QString::fromLatin1(table);
            if (!s.exec(QStringLiteral("UPDATE %1 SET Type = 'C', Accid3 = Accid1, Accid4 = Accid2, Accid1 = 0,"
                                       " Accid2 = 0 WHERE Type = 'G'")
                            .arg(t)) ||
                !s.exec(QStringLiteral("UPDATE %1 SET Type = 'C' WHERE Type = 'T'").arg(t)))
                return false;
        }
        if (!s.exec(QStringLiteral("UPDATE pstg SET Txntype = 'C' WHERE Txntype IN ('G', 'T')")))
            return false;
        // Postings of one day are balanced in type order, and C sorts apart
        // from G and T: the running balances must be rebuilt.
        if (s.changes() > 0 && !core.settings().RebalNeeded)
            core.SetRebalNeeded(true);
        return true;
    });
}

Step step17(TFCore& core) {
    Store& s = core.store();
    return convert(core, 18, true, [&] {
        return addIntegerColumn(s, QStringLiteral("txn"), "actualtxndate") &&
               s.exec(QStringLiteral("UPDATE txn SET actualtxndate = 0"));
    });
}

// The schema version recorded in the tables by the last upgrade step that
// committed (0 when none has run on this folder).
// The highest version the tables' layout allows: a column that a step adds
// and the tables lack shows the step was never made, whatever the settings
// say (a settings file lost or replaced by its defaults must not skip the
// conversions).  The row steps (14, 16) leave no column and are not judged.
int layoutVersion(Store& s) {
    auto hasColumn = [&s](const char* table, const char* column) {
        Query q(s, QStringLiteral("SELECT 1 FROM pragma_table_info('%1') WHERE lower(name) = '%2'")
                       .arg(QLatin1String(table), QLatin1String(column)));
        const bool found = q.next();
        const bool ok = q.ok();
        q.reset();
        return found || !ok; // a failed look-up judges nothing
    };
    if (!hasColumn("txn", "chnum"))
        return 12;
    if (!hasColumn("obj", "fav"))
        return 13;
    if (!hasColumn("txn", "actualtxndate"))
        return 17;
    return kCurrentSchema;
}

int tablesVersion(Store& s) {
    Query q(s, QStringLiteral("PRAGMA main.user_version"));
    const int v = q.next() ? int(q.int64(0)) : 0;
    q.reset();
    return v;
}

// A folder on which the program starts for the first time: neither the
// settings file nor any table file.
bool isNewFolder(const QString& folder) {
    if (QFileInfo::exists(SettingsPath(folder)))
        return false;
    for (const TableFile& t : LedgerTableFiles())
        if (QFileInfo::exists(folder + QString::fromLatin1(t.file)))
            return false;
    return true;
}

// A new folder whose making was cut short: no settings file yet, and every
// table file there is either still empty or has the journal of the creating
// transaction beside it (which rolls it back to empty).  It is made again.
bool unfinishedNewFolder(const QString& folder) {
    if (QFileInfo::exists(SettingsPath(folder)))
        return false;
    for (const TableFile& t : LedgerTableFiles()) {
        const QFileInfo f(folder + QString::fromLatin1(t.file));
        if (f.exists() && f.size() > 0 && !QFileInfo::exists(f.filePath() + QStringLiteral("-journal")))
            return false;
    }
    return true;
}

QString lockRefusal(const QString& folder) {
    return QStringLiteral("Data folder %1 is already open in another KOVRAL").arg(folder);
}

// A lock file that names no process is what a program leaves when it dies
// between creating the file and writing its process id into it.  Such a file
// is never stale by its age (the lock is held for the whole run), so it would
// bar the folder for good.  A program taking the lock at this very moment
// writes its id within a few milliseconds: when the file still names nobody
// after a second, it is removed and the lock taken.
bool takeUnreadableLock(QLockFile& lock) {
    qint64 pid = 0;
    QString host, app;
    for (int i = 0; i < 10; ++i) {
        if (lock.getLockInfo(&pid, &host, &app))
            return false; // a real holder (QLockFile has judged whether it is alive)
        QThread::msleep(100);
    }
    return !lock.getLockInfo(&pid, &host, &app) && lock.removeStaleLockFile() && lock.tryLock(0);
}

// Takes the folder's lock, keeping one already held on it.  A folder that
// cannot hold a lock file (read-only media) opens without one: no other
// program can lock it either.
bool lockFolder(TFCore& core, const QString& folder) {
    const QString path = folder + FolderLockName();
    if (core.folderLock && core.folderLock->fileName() == path && core.folderLock->isLocked())
        return true;
    core.folderLock.reset();
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0); // held for the whole run: never taken for stale by its age
    if (lock->tryLock(0)) {
        core.folderLock = std::move(lock);
        return true;
    }
    if (lock->error() == QLockFile::LockFailedError && takeUnreadableLock(*lock)) {
        core.folderLock = std::move(lock);
        return true;
    }
    if (lock->error() == QLockFile::LockFailedError) {
        core.prompter().ShowMessage(lockRefusal(folder));
        return false;
    }
    return true;
}

bool lockedElsewhere(const QString& folder) {
    QLockFile probe(folder + FolderLockName());
    probe.setStaleLockTime(0);
    if (probe.tryLock(0) || (probe.error() == QLockFile::LockFailedError && takeUnreadableLock(probe))) {
        probe.unlock();
        return false;
    }
    return probe.error() == QLockFile::LockFailedError;
}

// The highest transaction id in TXN.DB and in PSTG.DB (0 when empty).
int lastId(Store& s, const QString& sql) {
    Query q(s, sql);
    return q.next() ? q.integer("last") : 0;
}

void compareLastRows(TFCore& core) {
    Store& s = core.store();
    const int txn = lastId(s, QStringLiteral("SELECT max(Id) AS last FROM txn"));
    const int pstg = lastId(s, QStringLiteral("SELECT max(Txnid) AS last FROM pstg"));
    if (txn > pstg)
        core.prompter().ShowMessage(QStringLiteral("ERROR : No PSTG.DB row for last TXN.DB row - run DB check"));
    else if (txn < pstg)
        core.prompter().ShowMessage(QStringLiteral("ERROR : No TXN.DB row for last PSTG.DB row - run DB check"));
}

// Every table is there and readable; a missing one is reported by the store.
bool tablesPresent(Store& s) {
    for (const TableFile& t : LedgerTableFiles()) {
        Query q(s, QStringLiteral("SELECT * FROM %1 LIMIT 0").arg(QString::fromLatin1(t.name)));
        if (!q.prepared())
            return false;
    }
    return true;
}

// True when any table file could be opened for reading only (a read-only
// folder or medium, a file the system will not let us write).
bool storeReadOnly(Store& s) {
    if (!s.handle())
        return false;
    for (const TableFile& t : LedgerTableFiles()) {
        const QByteArray schema = t.file == LedgerTableFiles().front().file ? QByteArray("main") : QByteArray(t.name);
        if (sqlite3_db_readonly(s.handle(), schema.constData()) == 1)
            return true;
    }
    return false;
}

void fillArchiveStatus(TFCore& core) {
    const Settings& st = core.settings();
    DatabaseDetails& d = core.databaseDetails;
    if (CalToInt(st.DBStartDate) == 0) {
        d.startDateValue = QStringLiteral("000-00-00");
        d.startDateText = QStringLiteral("No previous archives");
    } else {
        CalDate before = st.DBStartDate;
        PrevDay(before);
        d.startDateValue = CalToDateStr(st.DBStartDate);
        d.startDateText =
            QStringLiteral("Previous records to ") + CalToDateStr(before) + QStringLiteral(" have been archived");
    }
    if (CalToInt(st.DBEndDate) == 0) {
        d.endDateValue = QStringLiteral("0000-00-00");
        d.endDateText = QStringLiteral("This database is current");
    } else {
        d.endDateValue = CalToDateStr(st.DBEndDate);
        d.endDateText = QStringLiteral("This is an archive");
    }
}

// Ends an opening that did not succeed: nothing more is written.
OpenResult abandon(TFCore& core, OpenResult result) {
    core.store().close();
    core.folderLock.reset();
    core.databaseDetails = DatabaseDetails{};
    core.prompter().ShowStatus(QString());
    core.refreshControl();
    return result;
}

OpenResult stepResult(Step s) {
    return s == Step::Declined ? OpenResult::Declined : OpenResult::Failed;
}

} // namespace

void SetDataFolder(TFCore& core, const QString& path) {
    core.setDataFolder(path);
}

OpenResult OpenDatabase(TFCore& core) {
    Prompter& p = core.prompter();
    Store& store = core.store();
    Settings& st = core.settings();
    const QString folder = core.dataFolder();

    store.close();
    core.databaseDetails.open = false;

    p.ShowStatus(QStringLiteral("Reading ini file ..."));
    // The lock comes first: the settings of a folder that another program
    // holds open are not even read.
    QDir().mkpath(folder);
    const bool fresh = isNewFolder(folder) || unfinishedNewFolder(folder);
    if (!lockFolder(core, folder))
        return abandon(core, OpenResult::Failed);
    ReadSettings(core);

    p.ShowStatus(QStringLiteral("Opening database ..."));
    p.ProcessEvents();
    if (!OpenLedgerStore(store, folder, fresh) || !tablesPresent(store))
        return abandon(core, OpenResult::Failed);
    // Settings that were lost (or replaced by their defaults) never claim a
    // conversion the tables have not had, not even in the file written below.
    if (const int v = layoutVersion(store); v < st.DBvn && st.DBvn <= kCurrentSchema)
        st.DBvn = v;
    // The settings file marks the folder as holding KOVRAL data: written for a
    // new folder, and for one whose first start died after making its tables.
    if (fresh || !QFileInfo::exists(SettingsPath(folder)))
        WriteSettings(core);
    // An upgrade step that committed but was not yet recorded in the settings
    // (the program died in between) is not run again.
    if (const int v = tablesVersion(store); v > st.DBvn && v <= kCurrentSchema)
        st.DBvn = v;

    // Layout steps, before the tables are used.
    if (st.DBvn == 12)
        if (Step r = step12(core); r != Step::Done)
            return abandon(core, stepResult(r));
    if (st.DBvn == 13)
        if (Step r = step13(core); r != Step::Done)
            return abandon(core, stepResult(r));
    if (st.DBvn == 17)
        if (Step r = step17(core); r != Step::Done)
            return abandon(core, stepResult(r));

    compareLastRows(core);

    // Row steps, on the open tables.
    if (st.DBvn == 14)
        if (Step r = step14(core); r != Step::Done)
            return abandon(core, stepResult(r));
    if (st.DBvn == 15)
        st.DBvn = 16; // nothing changed between 15 and 16
    if (st.DBvn == 16)
        if (Step r = step16(core); r != Step::Done)
            return abandon(core, stepResult(r));

    core.databaseDetails.open = true;
    core.databaseDetails.version = st.DBvn;
    core.databaseDetails.readOnly = storeReadOnly(store);
    if (core.databaseDetails.readOnly)
        p.ShowMessage(QStringLiteral("Data folder %1 is read-only: it is open for reading, and no change can be saved")
                          .arg(folder));

    LedgerState& ls = Ledger(core);
    ReadObj(core, st.SweepToPotId, ls.sweepToPot);
    ReadObj(core, st.OpeningBalPotId, ls.openingBalPot);

    st.RecomputeDerived();
    fillArchiveStatus(core);
    p.ShowStatus(QString());
    core.refreshControl();
    return OpenResult::Opened;
}

void ShowArchiveStatus(TFCore& core) {
    fillArchiveStatus(core);
    core.refreshControl();
}

bool CloseDatabase(TFCore& core) {
    bool ok = true;
    // A read-only folder keeps its settings file as it is.
    if (core.databaseDetails.open && !core.databaseDetails.readOnly) {
        ok = WriteSettings(core);
        if (core.collectFormPositions)
            ok =
                WriteFormPositions(core.prompter(), SettingsPath(core.dataFolder()), core.collectFormPositions()) && ok;
    }
    core.store().close();
    core.folderLock.reset();
    core.databaseDetails = DatabaseDetails{};
    core.refreshControl();
    return ok;
}

OpenResult SelectDatabaseFolder(TFCore& core, const std::function<bool(QString& path)>& chooseFolder) {
    QString path = core.dataFolder();
    if (!chooseFolder || !chooseFolder(path))
        return OpenResult::Kept;
    const QString folder = WithBackslash(path);
    const QString candidate = SettingsPath(folder);
    if (!QFileInfo::exists(candidate)) {
        core.prompter().ShowMessage(QStringLiteral("Folder does not hold Kovral data, INI file absent ") + candidate);
        return OpenResult::Kept;
    }
    const bool sameFolder = QFileInfo(folder).canonicalFilePath() == QFileInfo(core.dataFolder()).canonicalFilePath();
    if (!sameFolder && lockedElsewhere(folder)) {
        core.prompter().ShowMessage(lockRefusal(folder));
        return OpenResult::Kept;
    }
    CloseDatabase(core);
    SetDataFolder(core, folder);
    return OpenDatabase(core);
}

bool FlushTables(TFCore&) {
    return true;
}
