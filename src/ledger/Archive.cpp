// The archive of old transactions: the copy, its check, and the removal.
//
// The order matters for safety.  The database is closed before its files
// are copied, so the copy is a consistent snapshot; every copy is compared
// with its original, and only then is the copy's own settings file marked as
// an archive (the current folder's settings are never marked, so a crash
// during the copy cannot leave the current database looking like an archive);
// and the removal of the archived transactions is one store transaction, so a
// failure or a crash leaves the current database either untouched or fully
// archived.  The current settings are rewritten as soon as the database is
// open again (the archive start date).
#include "ledger/Archive.h"

#include "base/Files.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "ledger/Balances.h"
#include "ledger/Database.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <utility>
#include <vector>

namespace {

const QString kAbandoned = QStringLiteral("Archive abandoned - no transactions were removed");

// The program file and the notepad, copied beside the archived data so that
// the archive folder is runnable on its own.
const char* const kProgramFiles[] = {"kovral", "npad.txt"};

using CopyList = std::vector<std::pair<QString, QString>>; // source path, copy path

// The transactions that lie wholly before the archive date.  A transaction's
// external-account date is Date2, or Txndate when Date2 is empty (stored as
// "0000-00-00" by a record whose Date2 was null, or NULL in older rows).  Its
// pot and category postings are dated Txndate, so that must be before the
// archive date too: otherwise folding them into BfdBal would change those
// accounts' balances at dates on or after the archive date.
const QString kArchivedTxns = QStringLiteral("SELECT Id FROM txn "
                                             "WHERE coalesce(nullif(nullif(Date2, ''), '0000-00-00'), Txndate, '') "
                                             "< :archdate AND coalesce(Txndate, '') < :archdate "
                                             "ORDER BY Id");

// Copies name from one folder to the other when the source exists, and
// records the pair for the check.  False when the copy was given up.
bool copyIfPresent(Prompter& p, const QString& name, const QString& from, const QString& to, CopyList& copies) {
    if (!QFileInfo(from + name).isFile())
        return true;
    if (!CopyFileKeepDate(p, name, from, to))
        return false;
    copies.emplace_back(from + name, to + name);
    return true;
}

// Every file of the data folder but the folder's lock.  False when a copy
// was given up; the files after it are not tried.
bool copyDataFiles(TFCore& core, const QString& from, const QString& to, CopyList& copies) {
    Prompter& p = core.prompter();
    if (!QDir().mkpath(to))
        return false;
    const QStringList names = QDir(from).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (name.startsWith(FolderLockName()))
            continue;
        if (!CopyFileKeepDate(p, name, from, to))
            return false;
        copies.emplace_back(from + name, to + name);
        p.ProcessEvents();
    }
    return true;
}

bool sameContents(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly) || fa.size() != fb.size())
        return false;
    for (;;) {
        const QByteArray x = fa.read(64 * 1024);
        const QByteArray y = fb.read(64 * 1024);
        if (x != y)
            return false;
        if (x.isEmpty())
            return fa.atEnd() && fb.atEnd();
    }
}

// Compares every copy with its original; reports the first that differs.
bool copiesMatch(Prompter& p, const CopyList& copies) {
    for (const auto& [source, copy] : copies) {
        if (!sameContents(source, copy)) {
            p.ShowMessage(QStringLiteral("Archive copy ") + copy + QStringLiteral(" does not match ") + source);
            return false;
        }
    }
    return true;
}

// Removes the archived transactions, their postings' amounts moving into
// their accounts' BfdBal, all in one store transaction.  Transactions listed
// but no longer readable are skipped.
bool removeArchivedTxns(TFCore& core, const QString& archText, int& removed) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    std::vector<int> ids;
    {
        Query q(core.store(), kArchivedTxns);
        q.bind("archdate", archText);
        while (q.next())
            ids.push_back(q.integer("Id"));
        if (!q.ok())
            return false;
    }
    for (const int id : ids) {
        TxnRec txn;
        if (!ReadTxn(core, id, txn))
            continue;
        if (!DeleteTxnWithPostings(core, txn, 'A'))
            return false;
        if (++removed % 100 == 0)
            core.prompter().ProcessEvents();
    }
    return st.commit();
}

// The pots held in memory carry their BfdBal; read them again after it moved.
void reloadHeldPots(TFCore& core) {
    LedgerState& ls = Ledger(core);
    if (ls.sweepToPot.Id > 0)
        ReadObj(core, ls.sweepToPot.Id, ls.sweepToPot);
    if (ls.openingBalPot.Id > 0)
        ReadObj(core, ls.openingBalPot.Id, ls.openingBalPot);
}

enum class Outcome { Done, Abandoned, RemovalFailed };

// Steps from the copy to the removal, under the busy cursor.
Outcome copyAndRemove(TFCore& core, const CalDate& archDate, const QString& folder) {
    Prompter& p = core.prompter();
    Settings& st = core.settings();
    const QString dataFolder = core.dataFolder();
    const QString archText = CalToDateStr(archDate);

    ShowStatus(core, QStringLiteral("Archiving kovral.exe"));
    CopyList copies;
    bool copied = QDir().mkpath(folder);
    for (const char* name : kProgramFiles) {
        if (copied)
            copied = copyIfPresent(p, QString::fromLatin1(name), core.programFolder(), folder, copies);
    }
    if (!copied) {
        QDir(folder).removeRecursively();
        return Outcome::Abandoned;
    }

    // Closing writes the settings as they stand: the current folder's file
    // never says "archive", even if the program dies during the copy.  The
    // copy is marked as an archive ending the day before the archive date in
    // its own KOVRALDB.INI, once every copy has been checked.
    const CalDate endBefore = st.DBEndDate;
    CalDate lastArchived = archDate;
    PrevDay(lastArchived);
    copied = CloseDatabase(core);
    if (copied) {
        ShowStatus(core, QStringLiteral("Archiving data ") + dataFolder);
        copied = copyDataFiles(core, dataFolder, folder + QStringLiteral("DATA/"), copies) && copiesMatch(p, copies);
    }
    if (copied) {
        Settings marked = st;
        marked.DBEndDate = lastArchived;
        copied = WriteSettings(p, SettingsPath(folder + QStringLiteral("DATA/")), marked);
    }

    const bool reopened = OpenDatabase(core) == OpenResult::Opened;
    if (!copied || !reopened) {
        // An incomplete copy must not pass for an archive (nor block another
        // try today); a complete one is kept.
        if (!copied)
            QDir(folder).removeRecursively();
        st.DBEndDate = endBefore;
        WriteSettings(core);
        if (reopened)
            ShowArchiveStatus(core);
        return Outcome::Abandoned;
    }

    // From here the current database starts at the archive date.  The
    // settings are written now rather than at the next close, so that a crash
    // never leaves the current database marked as an archive.  A later
    // archive date never moves the start back.
    const CalDate startBefore = st.DBStartDate;
    st.DBEndDate = CalDate{};
    if (IsNullDate(st.DBStartDate) || DateAfter(archDate, st.DBStartDate))
        st.DBStartDate = archDate;
    WriteSettings(core);
    ShowArchiveStatus(core);

    int removed = 0;
    if (!removeArchivedTxns(core, archText, removed)) {
        st.DBStartDate = startBefore;
        WriteSettings(core);
        ShowArchiveStatus(core);
        return Outcome::RemovalFailed;
    }
    reloadHeldPots(core);
    return Outcome::Done;
}

} // namespace

bool ParseArchiveDate(const QString& text, CalDate& date) {
    const QString t = text.trimmed();
    if (t.size() != 10)
        return false;
    const CalDate d = DateStrToCal(t);
    if (IsNullDate(d) || d.year < 1 || d.year > 9999 || d.month < 1 || d.month > 12 || d.day < 1 ||
        d.day > MonthLength(d.year, d.month))
        return false;
    date = MakeDate(d.year, d.month, d.day);
    return true;
}

bool ArchiveTransactions(TFCore& core) {
    Prompter& p = core.prompter();
    Settings& st = core.settings();
    if (!core.databaseDetails.open || core.programFolder().isEmpty()) {
        p.ProgramError(QStringLiteral("archive needs an open database and the program folder"));
        return false;
    }
    if (st.RebalNeeded) {
        p.ShowMessage(QStringLiteral("Cannot archive - rebal needed"));
        return false;
    }

    QString text = QStringLiteral("yyyy-mm-dd");
    if (!p.InputString(QStringLiteral("Archive transactions before specified date"), text))
        return false;
    CalDate archDate;
    if (!ParseArchiveDate(text, archDate))
        return false;
    // The query compares stored date texts, so it is given the date in the
    // stored form, not the typed text.
    const QString archText = CalToDateStr(archDate);

    if (!p.AskYesNo(QStringLiteral("Checked for minimal incidence of non-zero Pot balances as at archive date?")))
        return false;

    const QString root = core.programFolder() + QStringLiteral("ARCHIVE/");
    if (!EnsureFolder(p, root)) {
        p.ShowMessage(QStringLiteral("Cannot archive - cannot make folder ") + root);
        return false;
    }
    const QString folder = root + CalToDateStr(st.Today) + QLatin1Char('/');
    if (QFileInfo::exists(folder)) {
        p.InfoAtCursor(QStringLiteral("Cannot archive - folder already exists ") + folder);
        return false;
    }

    if (!p.AskYesNo(QStringLiteral("OK to archive txns older than ") + archText + QStringLiteral(" (last chance)?")))
        return false;

    Outcome outcome;
    {
        BusyScope busy(p);
        outcome = copyAndRemove(core, archDate, folder);
        ShowStatus(core, QString());
    }
    switch (outcome) {
    case Outcome::Abandoned:
        p.InfoAtCursor(kAbandoned);
        return false;
    case Outcome::RemovalFailed:
        p.InfoAtCursor(QStringLiteral("Archive copy made in ") + folder +
                       QStringLiteral(" but no transactions were removed"));
        return false;
    case Outcome::Done:
        break;
    }
    Rebalance(core);
    p.InfoAtCursor(QStringLiteral("Archive complete - run Database Repair to remove archived cpty-pots"));
    return true;
}
