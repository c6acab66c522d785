// The postings of one account as the postings view lists them.
//
// A list is loaded whole: the account's record, its period summary, the
// brought-forward figures, and one row per posting read by one query (the
// posting joined with its transaction).  A row is a small record of numbers:
// the names of its contra object, pot, category, external account and
// channel are looked up by id in the list's name tables, and its reference
// and narrative are kept, as read, in one buffer of the list, so that loading
// a hundred thousand postings allocates almost nothing per row.  The
// calculated texts of a row (dates, amount columns, running balance,
// reconciliation mark, type name, ids, names and descriptions) depend only
// on that row, the list's style and the account, so they are computed when
// asked for (CellsOf): a screen that paints a few rows of a hundred thousand
// never computes the rest, and an export computes each row once.
//
// A statement over all dates and channels computes the account's running
// balances from the rows it reads.  Where the stored ones differ (the first
// time an account is shown, or after entries), the caller may have them
// stored at once or later (StoreBalances::Later, then StoreRunningBalances):
// the view shows the computed figures first and stores them right after its
// first paint.  Stored running balances are derived data: every reader that
// relies on them recomputes and compares them first, so a store that fails
// or never happens leaves figures that the next showing corrects.
//
// The commands of the view that write (reconciling, assigning a category or
// a pot) are here too, each one store transaction, so that what they write
// is tested without a screen.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"
#include "ledger/Balances.h"
#include "ledger/Objects.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <cstdint>
#include <vector>

class TFCore;
struct Settings;

enum class PostingsWhen { All, PeriodPlus, Period };
enum class PostingsStyle { Postings, Statement };

struct PostingsOptions {
    PostingsWhen when = PostingsWhen::All;
    PostingsStyle style = PostingsStyle::Postings;
    bool includeDiary = false;
    int channel = -1; // a channel number to list only its postings; -1 for all
};

// The brought-forward line: its text, date and amount.
struct BroughtForward {
    QString text;
    CalDate date;
    Amount amount = 0;
};

// The b/fd figures of account for the choice: "Account opened" at the open
// date with BfdBal when All and the account has an open date, or Period /
// Period+ and it was opened within BalFrom..BalAt; otherwise for All "B/fd
// from prior records" at DBStartDate with BfdBal, for the periods "B/fd from
// prior period(s)" at BalFrom with BfdBal + movt.Prepdnet (a sum beyond the
// Amount range is clamped to the range).
BroughtForward ComputeBroughtForward(const Settings& settings, const ObjRec& account, const MovtRec& movt,
                                     PostingsWhen when);

// The list query for the options, binding :acc, and :chnum, :fromdate and
// :todate where the options need them: each posting of the account (with
// "Include diary entries" every diary posting too) with its transaction's
// columns and the ids whose names the list shows, in Pstgdate, Txntype,
// Txnid order.
QString PostingsListSql(const PostingsOptions& options);

// One fetched row of the list query: numbers only (see PostingsList for its
// names and texts).
struct PostingRow {
    std::int64_t rowid = 0; // of the pstg row
    int txnid = 0;
    int objid = 0;
    DateInt pstgdate = 0; // yyyymmdd as stored; 0 for the anchor's "0000-00-00" or an unreadable date
    Amount amt = 0;
    Amount rngbal = 0;
    Amount recamt = 0;
    int contra = 0;
    int chnum = 0;    // the posting's channel
    int txnchnum = 0; // the transaction's channel, whose name the list shows
    int masterid = 0;
    int instance = 0;
    int accid1 = 0;           // the transaction's external account
    int accid3 = 0;           // its pot
    int accid4 = 0;           // its category
    std::uint32_t textAt = 0; // where ref and then narrative start in PostingsList::texts
    std::uint32_t refLen = 0;
    std::uint32_t narrLen = 0;
    int reconcode = 0;
    char txntype = ' '; // ' ' when empty
    bool dppstgdate = false;
    bool dprngbal = false;
    bool cancelled = false;
};

// The texts a row shows (see CellsOf).
struct PostingCells {
    QString pstgdate2, txniddp, type2, chref, extaccnamedp, dpname, potname, amtplus, amtminus, runbal3, reconciled2,
        dpnarr, ref, amt2;
};

struct PostingsList {
    ObjRec account;
    MovtRec movt;
    PostingsOptions options;
    BroughtForward bfd;
    std::vector<PostingRow> rows;
    Amount64 positive = 0;          // sum of the amounts of 1 or more
    Amount64 negative = 0;          // sum of the amounts below 1
    bool canAssignPot = false;      // some row of type G, P, R, X or Y
    bool canAssignCategory = false; // some row of type P, R, X or Y
    // True when the rows hold running balances or display flags that differ
    // from the stored ones and were not stored yet (StoreBalances::Later).
    bool balancesToStore = false;
    // Those balances, in rowid order, and how many of them are stored; the
    // connection and its change count when they were computed or last
    // written, to see whether anything else was written since.
    std::vector<RngBalWrite> balanceWrites;
    std::size_t balanceWritesDone = 0;
    const void* balanceConnection = nullptr;
    std::int64_t balanceChanges = -1;

    QByteArray texts;             // each row's ref and narrative, UTF-8, as read
    QHash<int, QString> names;    // every object's name by id
    QHash<int, QString> channels; // every channel's name by number

    QString ref(const PostingRow& r) const;
    QString narrative(const PostingRow& r) const;
    QString name(int objid) const { return names.value(objid); }
    QString channelName(int chnum) const { return channels.value(chnum); }
};

// The stored date text of a row's date ("yyyy-mm-dd"; "0000-00-00" for none).
QString PostingDateText(DateInt date);

enum class StoreBalances { Now, Later };

// Loads the list of accountId (a full refresh): reads the account and its
// summary, makes sure it has its anchor posting, computes the b/fd figures,
// in Statement style brings the running balances up to BalAt (SetRngBal),
// runs the list query and sums the totals.  Counterparties and categories
// are always listed in Postings style.  A statement over all dates and
// channels takes its running balances from the rows as read
// (RefreshRunningBalances): with StoreBalances::Later the changed ones are
// only computed, and list.balancesToStore tells the caller to call
// StoreRunningBalances.  False (reported) when the account cannot be read or
// a query fails.
bool LoadPostings(TFCore& core, int accountId, const PostingsOptions& options, PostingsList& list,
                  StoreBalances store = StoreBalances::Now);

// Brings the running balances and display flags of the account's postings
// in list up to date, as SetRngBal would, from the rows as read: changed
// rows are changed in list, and written (Now) or left for
// StoreRunningBalances (Later, setting list.balancesToStore).  For a list of
// every posting of the account (all dates, all channels).  False (reported)
// on a write failure or a balance beyond the Amount range.
bool RefreshRunningBalances(TFCore& core, PostingsList& list, StoreBalances store = StoreBalances::Now);

// Stores the running balances of the list's account when balancesToStore is
// set: those the list computed, or, when anything else was written since,
// what then differs after reading the account's postings again, so that
// whatever was entered or changed since the list was read is counted.  At
// most maxRows postings (all when 0) in one store transaction, so that a
// large account can be stored over a few turns of the event loop; each turn
// leaves every posting either as it was or right.  Clears balancesToStore
// once all are stored; false (reported) on a failure, balancesToStore then
// cleared and the rest not written (the next loading finds the stale
// figures again).
bool StoreRunningBalances(TFCore& core, PostingsList& list, std::size_t maxRows = 0);

// The texts of row i.
PostingCells CellsOf(const PostingsList& list, int i);

// The posting type's short name ("Tfr", "Diary", ... "ReconBal", "UNKNOWN");
// empty for ' '.
QString PostingTypeName(char letter);

// The running-balance check of a Statement-style list: walks the rows from
// the b/fd amount and reports, once each, "Posting display date error, please
// rebalance <date>" and the first "Txn <id> rng bal mismatch - stored: <a>
// calcd: <b> - Rebalance needed" (not shown after a date error).  True when
// no running balance differed.  A list filtered by channel is not checked
// (its rows do not add up to the account's balances).
bool CheckRunningBalances(TFCore& core, const PostingsList& list);

// Where the view jumps to: the first row of transaction txnid (-1 when gone);
// the first posting dated on or after date (the last row when none is); the
// last row of type Z (0 when none).
int RowOfTxn(const PostingsList& list, int txnid);
int RowOnOrAfter(const PostingsList& list, const CalDate& date);
int LastReconciledRow(const PostingsList& list);

// "Posting reconciled": sets ReconCode of posting (txnid, objid) to 1 when on,
// else 0.
bool SetPostingReconciled(TFCore& core, int txnid, int objid, bool on);
// "Balance reconciled": records the posting's running balance as a reconciled
// balance (a Z transaction dated on the posting's date) and moves the
// account's Reconciled date to that date when it is later.  One store
// transaction.
bool ReconcileBalanceAt(TFCore& core, int txnid, int objid);
// The "Sum" question for count rows summing to total.
QString SumQuestion(int count, Amount64 total);
// Sets ReconCode 1 on each of the postings (txnid, objid), in one store
// transaction.
bool ReconcilePostings(TFCore& core, const std::vector<std::pair<int, int>>& postings);

// "Cancel transaction": withdraws the postings of transaction id, marks it
// cancelled, stores it and posts it again (zero amounts).  One store
// transaction.
bool CancelTransaction(TFCore& core, int id);

// Assigns category ctgyId (or, with pot true, pot potId) to the transactions
// of the rows given (indexes into list.rows; rows of type A and Z are
// skipped), changing the postings and txn directly: the old category's (pot's)
// posting goes, a new one is written, Accid4 (Accid3) and EditTS are set.  For
// a pot transfer (G) in a pot's list the pot replaces the listed pot on its
// side; a transfer left between one pot and itself is deleted.  Sets
// RebalNeeded first.  One store transaction for all the rows.
bool AssignToRows(TFCore& core, const PostingsList& list, const std::vector<int>& rows, int objId, bool pot);

// The balance period as the user reads it: "From 2024-01-01 to 2024-06-30".
QString PeriodDescription(const Settings& settings);

// The title of the view's clipboard export.
QString PostingsExportTitle(const Settings& settings, const QString& caption, const QString& accountLabel,
                            const PostingsList& list);
