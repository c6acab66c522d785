// Repeaters (standing orders): the repeater record, the dates of its
// instances, generation, making a repeater from a transaction, updating an
// instance with optional propagation to the master and later instances,
// deleting a transaction with the questions that instances need, and the
// reconciled-balance guard that every change of a transaction passes.
//
// A repeater is a template transaction with a schedule, one row of rptr.  Each
// repetition is an ordinary txn row, an instance, carrying Masterid (the
// repeater) and Instance n >= 1.  Instances are generated ahead in bulk up to
// the end of the balance period (BalAt), so that balances and postings show
// the standing orders that will fall due; generation stops after making the
// first instance dated after that limit.  Instance n is always dated
// InstanceDate(rptr, n), computed afresh from StartDate, so month-end carries
// never accumulate.
//
// Every command here that writes runs in one StoreTransaction: generating one
// repeater's instances, MakeRepeater, UpdateInstance with its propagation and
// DeleteTransaction are each written whole or not at all.  Questions asked in
// the middle of a command keep its transaction open.
//
// This module also owns WriteTransaction, the one entry for storing a TxnRec
// by its repeater role; the transactions module calls it (and the
// copy-to-master step of AddTxn) directly.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"
#include "ledger/Transactions.h"

#include <QDateTime>
#include <QString>

class TFCore;
class Query;

// In-memory copy of one rptr row.
struct RptrRec {
    int Id = 0;
    int Gento = 0;    // number of the latest instance generated, 0 = none
    CalDate LastDate; // date of instance Gento (filled by ReadRepeater; not stored)
    char Freq = ' ';  // 'D' days, 'W' weeks, 'M' months, 'Y' years, ' ' none; a null column reads 'X'
    CalDate StartDate;
    CalDate EndDate; // null = no end
    bool RptActive = false;
    int Rptinc = 1; // step: every Rptinc periods of Freq
    int RptCt = 0;  // repeat count, 0 = no count
    int Rmdays = 0; // reminder lead in days, 0 = no reminder
    Amount Amt = 0;
    char Type = 'P';
    QString Ref;       // at most 20 characters stored
    QString Narrative; // at most 40 characters stored
    int Accid1 = 0;
    int Accid2 = 0;
    int Accid3 = 0;
    int Accid4 = 0;
    QDateTime CreateTS;
    QDateTime EditTS;
    int chnum = 0;
};

// AddTxn's step for a stored instance (Masterid > 0): read the master (none:
// nothing to do), copy the changed fields into it (CopyChangesToMaster) and
// write it when something changed.  False only when that write failed.
bool CopyChangesIntoMaster(TFCore& core, const TxnRec& txn);

// The fresh record: Id 0, Gento 0, null dates, Freq ' ', inactive, Rptinc 1,
// RptCt 0, Rmdays 0.
void InitRptrRec(RptrRec& rptr);

// True when the schedule moves dates: Freq 'D', 'W', 'M' or 'Y', Rptinc >= 1
// and a real StartDate.  Anything else (' ', a null Freq read as 'X', Rptinc
// 0) generates nothing.
bool HasSchedule(const RptrRec& rptr);

// The date of instance n (n >= 1): StartDate moved by (n - 1) * Rptinc units
// of Freq (days, weeks of 7 days, months keeping the day number, years), then
// one normalisation: a day past the month's length carries into the next
// month.  Monthly from 2024-01-31 gives 01-31, 03-02, 03-31, 05-01; yearly
// from a 29 February gives 1 March in common years.  A Freq that is not D, W,
// M or Y (and n <= 1) gives StartDate.
CalDate InstanceDate(const RptrRec& rptr, int n);
// The same for the schedule copy that a transaction record carries.
CalDate InstanceDate(const RptBlock& rpt, int n);

// Reads repeater id.  False, silently, when id is 0 or there is no such row.
// Fills LastDate (InstanceDate of Gento; null when Gento is 0).
bool ReadRepeater(TFCore& core, int id, RptrRec& rptr);
// ReadRepeater for the transaction display: a failure shows "Repeater Master
// #<id> not found".
bool ReadRepeaterReported(TFCore& core, int id, RptrRec& rptr);

// Stores rptr: an existing Id is updated (EditTS := now); an Id above 0 not yet
// stored is inserted with that Id; Id 0 takes the highest Id + 1 (1 in an
// empty table).  Inserts set CreateTS := now.  False when the store failed.
bool WriteRepeater(TFCore& core, RptrRec& rptr);

// The master record that the transaction screens show and edit: role 1, Id 0,
// Masterid := rptr.Id, Txndate, Date2 and ActualDate := StartDate, the
// template fields, the time stamps, the schedule copy, and chnum only when
// Accid1 is above 0.
TxnRec TxnFromRepeater(const RptrRec& rptr);
// A repeater record from a transaction: Id := Masterid, the template fields
// (Amt, Type, Ref, Narrative, Accid1..4, chnum); for role 1 also the schedule
// copy.
RptrRec RepeaterFromTxn(const TxnRec& txn);

// Brings one repeater up to date: makes instances Gento + 1, ... until the
// first one dated after limit (BalAt when not given), writing Gento after each.
// Passing the end date or the count makes the repeater inactive.  A repeater
// without a schedule (HasSchedule false) is left as it is.  Returns the id of
// the last instance made; 0 when none was made or one failed.  A missing
// account ("Account #<id> not found, cannot generate Repeater #<id> instance")
// or no new transaction id stops quietly after the instances already made,
// which stay; a store failure writes nothing of this call.  rptr is updated
// to what was stored.  One store transaction.
int GenerateInstances(TFCore& core, RptrRec& rptr);
int GenerateInstances(TFCore& core, RptrRec& rptr, const CalDate& limit);

// Makes instance n of rptr: the template dated InstanceDate(n) (also as its
// actual date), stored with a new id, posted, with its reminder.  Returns the
// new id, 0 when an account is missing (reported) or no id could be had.
int MakeInstance(TFCore& core, const RptrRec& rptr, int n);

// When the repeater's Rmdays (txn.Rpt.Rmdays) is not 0, appends a reminder
// for instance txn: text Name2 : Name4 : Narrative (empty parts left out),
// shown from Txndate - Rmdays, target Txndate.
bool AddInstanceReminder(TFCore& core, const TxnRec& txn);

// Generates every active repeater, in rptr order, each in its own store
// transaction.  When BalAt lies more than one year ahead of today it first
// shows "g_balat = <BalAt>; one year ahead = <date>" and asks "Balance date
// <BalAt> is distant! Generate repeaters to ..." with "Bal date anyway" (then
// "Generate repeaters all the way to <BalAt> - are you sure?"; No means one
// year) and "Just 1 yr ahead"; Cancel means today.  The chosen date bounds
// this generation; BalAt remains the bound when it is nearer.  Nothing is
// asked when no repeater is active.  False when a store failure stopped a
// repeater.
bool GenerateAllRepeaters(TFCore& core);

// For a saved master: false when txn.Masterid is 0 or the repeater cannot be
// read; otherwise generates its instances and true, lastId := the last
// instance made (0 when none was due).
bool GenerateForMaster(TFCore& core, const TxnRec& txn, int& lastId);

// Reads repeater masterId and generates its instances.  A masterId of 0 shows
// "Program error : Trying to gen insts for zero master"; false then and when
// the repeater cannot be read.
bool RegenerateInstances(TFCore& core, int masterId);

// Makes the stored ordinary transaction txn instance 1 of a new monthly,
// active repeater (step 1, no count, no end, Gento 1) and sets RebalNeeded.
// A transaction that already has a role shows "Transaction is already a
// repeater" and gives false.  One store transaction.
bool MakeRepeater(TFCore& core, TxnRec& txn);

// Stores txn by its role: a master (1) writes the repeater and sets
// txn.Masterid; a stored instance (2, Id >= 1) is UpdateInstance; an ordinary
// transaction (0) is amended when stored, else added.  Anything else is
// "Program error : wr_txn_ok" and false.  Postings are the caller's business.
bool WriteTransaction(TFCore& core, TxnRec& txn);

// Stores instance txn over its row ("txn not found <id>" when missing), then:
// for an inactive repeater shows "This instance of inactive repeater updated
// OK ;\ncannot apply to later instances since repeater is inactive"; for an
// active one asks "This instance of active repeater updated OK ;\nalso apply to
// later/future instances?" and, on Yes, when later instances exist, "Update
// will impact <g-i> existing instances #<i+1> to #<g>\nas well as future
// instances - OK ?".  On Yes the later instances are deleted, the changed
// template fields copied to the master and the instances generated again.
// A No leaves the instance updated and nothing else changed.  One store
// transaction.  While an InstanceRepairMode is alive only the row is stored,
// without questions.
bool UpdateInstance(TFCore& core, TxnRec& txn);

// Copies the template fields of txn that differ from the master (Amt, Type,
// Ref, Narrative, Accid1..4) into rptr; for a master record (role 1) also the
// schedule, listing StartDate, EndDate, Rptinc, Gento, RptCt, RptActive,
// Rmdays and Freq when they differ.  When anything differs shows "Copying the
// following fields to Master : <names>" and gives true (the caller writes the
// master); else false.  Writes nothing.
bool CopyChangesToMaster(TFCore& core, RptrRec& rptr, const TxnRec& txn);

// Deletes instances k and later of the repeater with their postings, then sets
// its Gento := k - 1.  False when the store failed.
bool DeleteInstancesFrom(TFCore& core, int masterId, int k);
// Makes every instance of the repeater an ordinary transaction (Masterid and
// Instance 0).
bool DetachInstances(TFCore& core, int masterId);
// Deletes the rptr row, if present.
bool DeleteRepeaterRow(TFCore& core, int id);

// The delete command of the postings view and the search results.  Checks the
// reconciled balances (not for a reconciled balance itself), then asks:
//   ordinary transaction: "Delete txn?" ("Unreconcile balance?" for type Z);
//   instance: "Txn is an instance of an Active Repeater. Also delete all later
//   instances?" (Yes/No/Cancel; "Inactive" likewise; not asked for the latest
//   instance), then for an active repeater "Deleted instance will not be
//   regenerated at next Rebal. Still OK to delete?" (this one only, below
//   Gento) or "Deleted instance(s) will be regenerated at next Rebal : use
//   Cancel instead to avoid this. Still OK to delete?", and after deleting
//   this and later instances of an active repeater "Regenerate deleted
//   instances now?".
// An instance whose repeater is gone is deleted as an ordinary transaction.
// Sets RebalNeeded.  True when something was deleted.  One store transaction.
bool DeleteTransaction(TFCore& core, int id);

// The reconciled-balance guard: the effect of txnA minus the effect of txnB
// (either skipped when cancelled or a master) is netted per account and date;
// for each account that is not a counterparty with a net change dated on or
// before its reconciled date, asks "Reconciled balance for account \"<name>\"
// will be altered!\nAre you sure you want to add/amend/delete transaction?".
// False at the first No; true to go on.  Any number of accounts and dates.
bool CheckReconciledBalances(TFCore& core, const TxnRec& txnA, const TxnRec& txnB);

// While alive, UpdateInstance stores an instance without its questions and
// propagation (the health check's repairs).  Process-wide; scopes nest.
class InstanceRepairMode {
public:
    InstanceRepairMode();
    ~InstanceRepairMode();
    InstanceRepairMode(const InstanceRepairMode&) = delete;
    InstanceRepairMode& operator=(const InstanceRepairMode&) = delete;
    static bool active();
};
