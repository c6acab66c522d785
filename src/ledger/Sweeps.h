// Sweeps: emptying pots (or an external account's balance) into the
// sweep-to pot by transfers that carry the ref "sweep" and one narrative.
//
// A sweep moves each swept balance by a pot transfer (G) to or from the
// sweep-to pot, or, for an external account, by a cash payment or receipt,
// and then records a reconciled balance of 0 (Z) for the swept account.  All
// transactions of one sweep carry the ref "sweep", the same narrative (the
// date and time at which it started) and the same Txndate, which is how a
// sweep is found and deleted again.  The balance-reconciliation transactions
// carry no ref and stay when a sweep is deleted.
//
// A one-balance sweep goes through the entry form (the user sees and may
// change the proposal, which the form builds from a SweepRequest, and the form
// records the follow-up reconciliation); a group sweep writes directly.  Each writing command
// here is one StoreTransaction.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"

#include <QDateTime>
#include <QString>

class TFCore;

// A proposed sweep of one balance: the object swept, the object that
// receives it, the signed balance and the date of the sweep.
struct SweepRequest {
    int sourceId = 0;
    int targetId = 0;
    Amount amount = 0;
    CalDate date;
};

// The narrative of every transaction of one sweep: "yyyy-mm-dd hh:mm:ss" of
// when (whole seconds, never rounded up to a 60), 19 characters.
QString SweepNarrative(const QDateTime& when);

// The request for sweeping a posting-shaped record: Objid is swept into
// Contra, RngBal is the balance and Pstgdate the date.  The postings view
// passes a row (the anchor row with the view's brought-forward amount and
// date); the balances view a pot with its carried-forward balance at BalAt.
SweepRequest SweepRequestFromPosting(const PstgRec& pstg);

// The question that confirms the sweep-to pot: "Sweep to "<name>" - OK?".
QString SweepToPotQuestion(const ObjRec& pot);
// Makes pot the sweep-to pot for the rest of the run; its id is saved with
// the settings (SweepToPotId).
void SetSweepToPot(TFCore& core, const ObjRec& pot);

// Sweeps every pot below the internal group groupId (at any depth, in Id
// order through nested groups) into the sweep-to pot at BalAt, after asking
// "Sweep Group "<group>" to account "<pot>" as at <BalAt> - OK?".  Each pot
// with a non-zero balance in movts gets a G of |Bal| (positive: pot to
// sweep-to pot; negative: the other way) and a Z of 0 dated BalAt; a zero
// balance is skipped; a pot without a movts row ends the walk there.  Groups
// of other kinds, an unreadable group or sweep-to pot, and No do nothing.
// swept := the number of pots swept.  One store transaction: false (nothing
// written) when a write failed.
bool SweepGroupPots(TFCore& core, int groupId, const QString& narrative, int& swept);

// Deletes every transaction with ref "sweep", the narrative and Txndate date,
// with its postings and without adjusting balances, after asking "OK to
// delete all transactions dated <date> with ref = "sweep" and narrative =
// "<narrative>" ?".  Then shows "<n> transactions deleted" and sets
// RebalNeeded.  True when the user said Yes and the deletion was stored.  One
// store transaction.
bool DeleteSweepTxns(TFCore& core, const CalDate& date, const QString& narrative);

// The delete command on a posting whose transaction has the ref "sweep":
// asks "Also delete all other transactions in this sweep ?" (Yes/No/Cancel).
// No deletes this transaction alone (with its postings); Yes goes on to
// DeleteSweepTxns with the transaction's date and narrative; Cancel does
// nothing.  True when something was deleted.
bool DeleteSweepFromPosting(TFCore& core, const PstgRec& pstg);
