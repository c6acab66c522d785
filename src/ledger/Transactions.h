// Transactions and postings: the in-memory TxnRec and PstgRec, reading and
// storing them, transaction ids, the posting rules of every transaction type,
// anchor postings, deletion, re-dating, the reconciled-balance transaction and
// the counterparty-category link.
//
// A transaction is stored once in txn and expanded into postings in pstg, one
// per object that it moves money in (key Txnid, Objid: posting one object
// twice in a transaction keeps the last).  The usual sequence for a new
// transaction is: fill a TxnRec, store it (WriteTransaction of the repeaters,
// which calls AddTxn or AmendTxn for an ordinary transaction), then
// MakePostings; an amendment first deletes the old postings.  A caller that
// does several of these steps for one command wraps them in one
// StoreTransaction so that the transaction and its postings are written whole
// or not at all; each function here also opens a scope of its own, so a single
// call is atomic by itself.
//
// Storing a posting decides whether the period summaries in movts have become
// stale and then calls core.SetRebalNeeded(true).
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"

#include <QDateTime>
#include <QString>

class TFCore;
class Query;

// The repeater's schedule as carried by a transaction record (filled from
// rptr when Masterid names a repeater).
struct RptBlock {
    int Gento = 0;    // number of the latest instance generated
    CalDate NextDate; // not stored
    char Freq = ' ';  // 'D', 'W', 'M', 'Y', ' ' none; a null column reads 'X'
    CalDate StartDate;
    CalDate EndDate;
    bool RptActive = false;
    int Rptinc = 1;
    int RptCt = 0;
    int Rmdays = 0;
};

// Repeater roles of a TxnRec.
enum TxnRole : int { roleOrdinary = 0, roleMaster = 1, roleInstance = 2 };

struct TxnRec {
    int Id = 0;       // 0 = not stored yet
    int Masterid = 0; // repeater id, 0 = none
    RptBlock Rpt;
    int Instance = 0;        // n > 0: the n-th instance of Masterid
    int Role = roleOrdinary; // not stored; read as 2 when Instance > 0, else 0
    CalDate Txndate;
    CalDate Date2; // posting date of the external side; null = Txndate
    Amount Amt = 0;
    char Type = 'P';   // TxnType letter
    QString Ref;       // at most 20 characters
    QString Narrative; // at most 40 characters
    int Accid1 = 0;
    int Accid2 = 0;
    int Accid3 = 0;
    int Accid4 = 0;
    QString Name1; // names of Accid1..Accid4, filled by ReadTxn
    QString Name2;
    QString Name3;
    QString Name4;
    bool Cancelled = false;
    QDateTime CreateTS; // null when the column is empty
    QDateTime EditTS;
    bool DpDate = true;
    int chnum = 0;      // channel, 0 = the account's default channel
    QString ChName;     // channel label, filled by ReadTxn
    CalDate ActualDate; // actualtxndate; null = not given
};

struct PstgRec {
    int Txnid = 0;
    int Objid = 0;
    int Contra = 0;
    Amount Amt = 0;
    Amount RngBal = 0;
    Amount Recamt = 0;
    CalDate Pstgdate;
    int ReconCode = 0; // 0 none, 1 posting reconciled, 2 balance reconciled at it
    QDateTime Rprts;   // read only; WritePstg does not write it
    char Txntype = ' ';
    bool DpPstgDate = false; // set only by the running-balance refresh
    bool DpRngBal = false;
    int chnum = 0;
};

// ---- transactions --------------------------------------------------------

// The fresh record: numbers 0 (Rptinc 1), texts empty, dates null, Type 'P',
// Freq ' ', DpDate true.
void InitTxnRec(TxnRec& txn);

// Reads transaction id.  False, silently, when there is no such row.  An
// empty type shows "Invalid type for txn <id>" and reads as ' '.  Name1..4
// are the objects' names (a missing object is reported while the
// report-not-found switch is on); ChName is "<default channel> " for chnum 0,
// the channel's name + " ", or "invalid chnum <n>".  When Masterid names a
// repeater its schedule is copied into Rpt.
bool ReadTxn(TFCore& core, int id, TxnRec& txn);
// The current row of a query over txn (SELECT * FROM txn ...) into txn, by the
// rules of ReadTxn.
void ReadTxnRow(TFCore& core, const Query& q, TxnRec& txn);
bool TxnExists(TFCore& core, int id);

// The next transaction id: highest txn Id + 1.  When the highest Txnid in pstg
// differs from it, shows "ERROR : No TXN.DB row for last PSTG.DB row - run DB
// check" (pstg ahead) or "ERROR : No PSTG.DB row for last TXN.DB row - run DB
// check" (txn ahead) and fails.
bool NextTxnId(TFCore& core, int& id);

// Appends txn as a new row; Id 0 takes NextTxnId (its failure: false, nothing
// written).  For an instance of a repeater lets the repeaters copy changed
// fields to the master.  Records the counterparty-category link.  CreateTS :=
// now.
bool AddTxn(TFCore& core, TxnRec& txn);
// Rewrites the stored row of txn.Id (EditTS := now); a missing row shows "txn
// not found <id>" and gives false.  Postings are the caller's business.
bool AmendTxn(TFCore& core, TxnRec& txn);
// The ordinary store of a record: AmendTxn when Id > 0 and the row exists,
// else AddTxn.  (WriteTransaction's branch for role 0.)
bool StoreOrdinaryTxn(TFCore& core, TxnRec& txn);

// Writes the postings of txn by its type (nothing for a repeater master).  A
// null Date2 becomes Txndate, in txn too.  The external side is dated Date2,
// pots and categories Txndate; the channel goes on the first posting only; a
// cancelled transaction posts zero amounts (a Z keeps its Recamt).  An object
// id that is not stored is reported ("obj not found <id>") but its posting is
// written.  False when a write failed (nothing of it stays) or the amount has
// no absolute value.
bool MakePostings(TFCore& core, TxnRec& txn);

// Deletes the postings of txn.  Mode 'A' (archive) first adds each posting's
// amount to its object's BfdBal.  A posting with an amount dated on or before
// BalAt sets RebalNeeded.  A transaction without an id (0) deletes nothing.
bool DeletePostings(TFCore& core, const TxnRec& txn, char mode);
// DeletePostings then deletes the txn row; "txn not found <id>" when missing.
bool DeleteTxnWithPostings(TFCore& core, const TxnRec& txn, char mode);
// ReadTxn then DeleteTxnWithPostings in mode 'D'; "txn not found <id>" when missing.
bool DeleteTxnById(TFCore& core, int id);

// Stores and posts a reconciled statement balance (type Z) of objid dated
// date.  One store transaction.
bool RecordReconciledBalance(TFCore& core, int objid, const CalDate& date, Amount amount);

// Asks for a new date (the calendar, starting at the posting's date; cancel:
// false).  A posting with an amount may be moved only when both dates are
// after its object's reconciled date, else "Cannot redate : will upset
// reconciled balance" and false.  Then the transaction's Date2 becomes the new
// date (whichever posting was chosen) and the transaction is stored and posted
// again, all in one store transaction.
bool RedatePosting(TFCore& core, const PstgRec& pstg);

// Sets DpDate on the first transaction of each Txndate (in Txndate, Id order)
// and clears it on the others, rewriting only rows that change.
bool SetDpDates(TFCore& core);

// "Cash Payment", ... ; "UNKNOWN" for any other letter.
QString TxnTypeName(char letter);
// "CashPayt", ... ; "UNKNOWN" for any other letter.
QString TxnTypeShort(char letter);
// The Id in decimal.
QString TxnLabel(const TxnRec& txn);

// ---- postings ------------------------------------------------------------

// The fresh record: numbers 0, null Pstgdate, Txntype ' '.
void InitPstgRec(PstgRec& pstg);
// True when c is a posting type letter (A C D G P R T X Y Z).
bool IsPostingType(char c);

// Reads posting (txnid, objid); false, silently, when missing.  An empty date
// shows "Null posting date for <label>- cannot repair" and reads null; a type
// letter that is not a posting type shows "Posting has invalid txn type
// <label>" and takes the transaction's type in memory (the row is not
// rewritten).
bool ReadPstg(TFCore& core, int txnid, int objid, PstgRec& pstg);
// The current row of a query over pstg (SELECT * FROM pstg ...) into pstg, by
// the rules of ReadPstg.
void ReadCurrentPstg(TFCore& core, const Query& q, PstgRec& pstg);

// Inserts or updates row (Txnid, Objid): Amt, Recamt, Contra, ReconCode,
// Pstgdate, Txntype, chnum (a new row also takes RngBal from pstg and starts
// with both display flags false; an existing row keeps its RngBal, flags and
// Rprts).  Sets RebalNeeded when a new row with an amount is dated on or
// before BalAt, or an existing row changes amount or date unless both dates
// are after BalAt.
bool WritePstg(TFCore& core, const PstgRec& pstg);
// Deletes posting (txnid, objid) when present.
bool DeletePstg(TFCore& core, int txnid, int objid);

// Writes the anchor posting (0, objid), type 'A', amount 0, date
// "0000-00-00", when it is missing.
bool EnsureAnchor(TFCore& core, int objid);
// Deletes the anchor posting of objid when present.
bool DeleteAnchor(TFCore& core, int objid);

// "<Txnid>-<Objid>", e.g. "120-7".
QString PostingLabel(const PstgRec& pstg);

// ---- counterparty categories ----------------------------------------------

// Payments (P, X) link Accid2 to category Accid4 as 'P', receipts (R, Y) as
// 'S'; other types nothing.
bool LinkCptyCategory(TFCore& core, const TxnRec& txn);
// Appends the link (cptyid, categoryid, purchsale) with Hidden false when it
// is missing.  A zero id on either side links nothing.
bool EnsureCptyCategory(TFCore& core, int cptyid, int categoryid, char purchsale);

