// Entering a transaction: what the entry form holds, the checks that turn it
// into a TxnRec, and the commit that stores it.
//
// The entry form is a view over an EntryForm: its kind buttons, ticks, date
// and amount texts and six account slots.  ValidateEntry reads those into a
// fresh TxnRec the way the user means them (which dates count, which accounts
// go where, the type letter by provider) and refuses, with one message, the
// first thing that is wrong.  CommitEntry then asks the questions a change
// needs (reconciled balances, bypassing a provider, updating a stored
// transaction) and writes everything of the command in one StoreTransaction:
// the old postings removed, the record stored, its postings made, a
// repeater's instances generated, the counterparty-category link and the
// category's pot remembered, and the cashback transaction.  Either all of it
// lands or none of it does.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"
#include "ledger/Channels.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"

#include <QString>

class TFCore;

// The entry form's contents, as plain values.
struct EntryForm {
    char kind = 'P';      // 'P' payment, 'R' receipt, 'T' transfer
    bool credit = false;  // payment/receipt on credit (Credit button)
    bool extSide = false; // transfer: External ticked
    bool intSide = false; // transfer: Internal ticked

    bool actualTicked = false; // "Actual txn date"
    QString actualText;
    bool postingTicked = false; // "Posting date"
    QString postingText;

    QString amountText;
    bool cancelled = false;
    QString description;
    QString reference;

    // The six account slots (Id 0 = empty) and the two channels.
    ObjRec external;
    ObjRec externalTo;
    ObjRec internalFrom;
    ObjRec internal;
    ObjRec counterparty;
    ObjRec category;
    ChannelRec extChannel;
    ChannelRec extToChannel;

    bool cashback = false;
    int cashAccountId = 0;
    QString cashbackText;

    bool repeat = false; // "Repeat" ticked
    bool active = true;
    char freq = ' '; // 'D', 'W', 'M', 'Y'; ' ' none ticked
    int increment = 1;
    QString untilText;
    QString countText;
    QString reminderText;
};

// What a successful validation hands to the commit besides the record.
struct EntryExtras {
    bool cashback = false;
    int cashAccountId = 0;
    Amount cashbackAmt = 0; // signed: > 0 cash received, < 0 cash paid
};

// Reads a box's date text (its first 10 characters as yyyy-mm-dd, a day name
// after it allowed).  False when that is not a real calendar date.
bool ReadDateText(const QString& text, CalDate& date);

// A whole number from a count or reminder box; blank or not a number reads 0.
int ReadCountText(const QString& text);

// Builds N from the form, refusing with its message (and false) at the first
// fault: no date ticked; a ticked date box or a filled Until box that holds
// no date ("<box> date is not a date - use yyyy-mm-dd"); a date before the
// ledger's start date; a missing, unreadable or negative amount; an empty
// slot ("<slot> not specified"); a transfer side naming one account twice;
// an account not open at the date (CheckAccountOpenAt asks); no cash account
// or an unreadable cashback amount; no repeat frequency; and " No reminder,
// are you sure?" answered No.  A credit payment or receipt whose
// counterparty has no credit account makes one first ("External Account
// \"<name>\" created"); form.external then holds it, also when a later check
// fails.
bool ValidateEntry(TFCore& core, EntryForm& form, TxnRec& N, EntryExtras& extras);

// For a payment or receipt (P, R) through an external account that the
// counterparty does not provide, when the counterparty provides some other
// external account: asks "This transaction will bypass your external account
// with this counterparty - continue anyway?".  True to go on.
bool CheckProviderBypass(TFCore& core, const TxnRec& txn);

// Makes the category's default pot (PotType) the transaction's pot for P, R,
// X and Y, writing the category when it changes.
bool RememberCategoryPot(TFCore& core, const TxnRec& txn);

// Stores N, validated, in mode 'N' (O unused) or 'E' (O the transaction being
// edited).  Asks CheckReconciledBalances(O, N) and CheckProviderBypass; in
// mode 'E' "Update repeater master - OK?" for a master (the repeater is
// rewritten from N and nothing is posted) or "Update existing txn - OK?".  A
// No or a failure stops with nothing written and false.  On success N holds
// what was stored (for a new master, the id of its last instance generated).
bool CommitEntry(TFCore& core, char mode, const TxnRec& O, TxnRec& N, const EntryExtras& extras);

// The sweep proposal as the entry form opens it: a copy of base (the form's
// current transaction) for the source account, or false when the source or
// target cannot be read or the source is neither an external account nor a
// pot.  An external account gives a cash payment (a receipt for a negative
// amount) through the counterparty, pot and category of base; a pot a pot
// transfer to the target (from it, for a negative amount).
bool SweepProposal(TFCore& core, const TxnRec& base, int sourceId, int targetId, Amount amount, const CalDate& date,
                   const QString& narrative, TxnRec& proposal);

// The channel numbered chnum of channel.db into ch; false (ch untouched) when
// there is none.
bool ReadChannelByNumber(TFCore& core, int chnum, ChannelRec& ch);

// After a sweep proposal was saved: records a reconciled balance of 0 for the
// swept account at date and moves its Reconciled date there when that is
// later.  One store transaction.
bool SweepFollowUp(TFCore& core, int accountId, const CalDate& date);
