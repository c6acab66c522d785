// Opening and closing the database of a data folder, switching to another
// folder, and converting older table layouts.
//
// A data folder holds the nine table files and KOVRALDB.INI.  Opening reads
// the settings, connects the store, brings the tables from an older schema
// version up to the current one step by step (each step asked first, each run
// as one store transaction), compares the last rows of TXN.DB and PSTG.DB,
// loads the sweep-to and opening-balance pots, and fills what the control
// window shows.  Closing writes the settings and the window positions back.
//
// An open folder is locked (KOVRAL.lock in the folder) so that a second
// running program cannot open it at the same time and overwrite the first
// one's settings or interleave its writes.
//
// Generating repeater instances at start-up is not done here: the start-up
// sequence (StartUp) calls OpenDatabase and then the repeater generation.
#pragma once

#include <QString>
#include <functional>

class TFCore;

enum class OpenResult {
    Opened,   // the database is open
    Failed,   // it could not be opened (reported); no database is open
    Declined, // the user declined a conversion: end the program at once,
              // without CloseDatabase (nothing more may be written)
    Kept,     // SelectDatabaseFolder only: nothing changed, the current database stays open
};

// The name of the lock file held in an open data folder.
inline QString FolderLockName() {
    return QStringLiteral("KOVRAL.lock");
}

// Stores the data folder (a trailing "/" is added) and refreshes the control
// window, which shows it.
void SetDataFolder(TFCore& core, const QString& path);

// Opens the database of core.dataFolder().  Shows "Reading ini file ..." and
// "Opening database ..." on the status panel and clears it at the end.
//   - A folder with no files at all (a new data folder, made when missing)
//     gets the nine tables at the current version and a settings file; so
//     does a new folder whose making was cut short (no settings file, table
//     files empty or with the creating transaction's journal beside them).
//     A folder whose tables are there but whose settings file is not gets
//     its settings file written.
//   - A folder that another program holds open is refused: "Data folder
//     <path> is already open in another KOVRAL" and Failed.  A lock file
//     left empty by a program killed while taking it is removed after a
//     second and the folder opens.
//   - A folder whose files can only be read opens for reading with "Data
//     folder <path> is read-only: it is open for reading, and no change can
//     be saved"; every write then fails with the store's message, and
//     closing writes no settings.
//   - A store error (a missing table file, a damaged file) is shown as the
//     store's own message and gives Failed.
//   - Version 12 and 13 layouts are converted before the tables open, 14, 15
//     and 16 after; 17 at the next opening.  Each step but 15 -> 16 asks
//     "Database will be converted, have you backed it up?"; No closes the
//     store and gives Declined.  Each step ends with "Database converted ok";
//     the settings are written after each step but 15 -> 16 and 16.
//   - The last rows of TXN.DB and PSTG.DB are compared: "ERROR : No PSTG.DB
//     row for last TXN.DB row - run DB check" or "ERROR : No TXN.DB row for
//     last PSTG.DB row - run DB check"; opening goes on.
// An open database is closed first, without writing its settings.
OpenResult OpenDatabase(TFCore& core);

// Fills what the control window shows about archives (DBStartDate and
// DBEndDate, as OpenDatabase does) from the settings in memory and refreshes
// the window.  For a command that changes those dates while the database
// stays open.
void ShowArchiveStatus(TFCore& core);

// Writes the settings and the window positions (when the windows gave a way
// to collect them), closes the store and releases the folder lock.  Nothing
// is written when no database is open.  False when a settings write failed
// (reported); the store is closed all the same.
bool CloseDatabase(TFCore& core);

// Database, Select: chooseFolder gets the current data folder and returns
// false when the user cancels (Kept, nothing changes).  A chosen folder
// without KOVRALDB.INI is refused with "Folder does not hold Kovral data, INI
// file absent " + its settings path (Kept); one open in another program is
// refused likewise.  Otherwise the current database is closed, the folder
// becomes the data folder and it is opened (the result of OpenDatabase).
// Repeaters are not generated on this path.
OpenResult SelectDatabaseFolder(TFCore& core, const std::function<bool(QString& path)>& chooseFolder);

// The periodic flush.  The store writes every committed transaction to disk
// before the commit returns, and no edit is ever pending outside a store
// transaction, so there is nothing to force out.  It must not commit a
// transaction either: a timer can fire while a question of an unfinished
// command is on screen, and that command's writes must stay undecided until it
// ends.  So it does nothing and returns true.
bool FlushTables(TFCore& core);
