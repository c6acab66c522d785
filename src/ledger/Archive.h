// The archive of old transactions.
//
// Archiving keeps the current database small.  It saves a runnable copy of
// the program file and the data folder under the program folder's "ARCHIVE/"
// (one dated folder per day), marks the copy as an archive ending on the day
// before a chosen date, and then removes from the current database every
// transaction that lies wholly before that date, folding the amounts of its
// postings into the accounts' brought-forward balances so that balances from
// the archive date on do not change.
//
// Nothing is removed unless the copy is complete and matches the data folder
// byte for byte, and the removal is one store transaction: if the program
// dies during it, the current database is either untouched or fully
// archived.
#pragma once

#include "base/Dates.h"

#include <QString>

class TFCore;

// The "&Archive" command of the control window.  In order:
//   - refuses "Cannot archive - rebal needed" while RebalNeeded is set;
//   - asks for the archive date ("Archive transactions before specified
//     date", filled with "yyyy-mm-dd"); cancelled, or not a real date
//     (yyyy-mm-dd with the month and day in range): stops silently;
//   - asks "Checked for minimal incidence of non-zero Pot balances as at
//     archive date?";
//   - makes programFolder + "ARCHIVE/" when missing ("Making directory ...");
//     the archive folder is that + today (yyyy-mm-dd) + "/"; when it exists:
//     "Cannot archive - folder already exists <path>" and stops;
//   - asks "OK to archive txns older than <date> (last chance)?";
//   - with the busy cursor: copies "kovral" and "npad.txt" from the program
//     folder when present (status "Archiving kovral.exe"), keeping their
//     dates; closes the database; copies every file of the data folder but
//     its lock into the archive folder's "DATA/" (status "Archiving data
//     <data folder>") and checks the copies against the originals; then
//     marks the copy as an archive (DBEndDate, the day before the archive
//     date, in the copy's KOVRALDB.INI only: a crash during the copy never
//     leaves the current database marked); reopens the database;
//   - stores DBEndDate empty and DBStartDate the archive date (never moved
//     back) in the settings file at once;
//   - removes, in one store transaction, every transaction whose
//     external-account date (Date2, or Txndate when Date2 is empty) and
//     Txndate are both before the archive date, each posting's amount added
//     to its account's BfdBal;
//   - clears the status, restores the cursor, rebalances and tells "Archive
//     complete - run Database Repair to remove archived cpty-pots".
// A copy that was given up (after the copy's own retry question) or that does
// not match its original stops the archive before anything is removed: the
// incomplete archive folder is deleted, the database is reopened with its
// settings as they were, and "Archive abandoned - no transactions were
// removed" is shown.  A removal that fails (a store error, a brought-forward
// balance beyond the Amount range) removes nothing; the archive copy stays.
// True only when the archive completed.
bool ArchiveTransactions(TFCore& core);

// The archive date typed by the user: exactly ten characters yyyy-mm-dd (the
// separators are not checked) naming a real day of a year 1 to 9999.  False
// for anything else ("yyyy-mm-dd", "2023-02-30").
bool ParseArchiveDate(const QString& text, CalDate& date);
