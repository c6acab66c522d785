// What the account editors check and write when the user presses OK.
//
// An editor fills an ObjectEdit from its controls and hands it over; the
// checks, their questions and the writes are here, so that they are the same
// for every editor and can be tested without a window.  One user command is one
// store transaction: the record, the opening-balance pot it moves, a group
// back-dated for it and the provider's credit link are written together or not
// at all, and every refusal and every question comes before the first write.
#pragma once

#include "base/Amount.h"
#include "ledger/Objects.h"

#include <QString>
#include <functional>
#include <vector>

class TFCore;

// Chooses a pot (the account picker in the program); false when cancelled.
using PotChooser = std::function<bool(ObjRec& pot)>;

struct ObjectEdit {
    ObjRec rec;                 // the record as the controls fill it
    bool isNew = false;         // New mode: rec.Id is 0
    Amount storedBfd = 0;       // BfdBal as read (0 for a new object)
    int storedGrpid = 0;        // Grpid as read (0 for a new object)
    QString note;               // the Notes memo
    bool backdateGroup = false; // set by CheckGroupChoice when the user agreed
};

// The name an external account is given by "Generate": "<provider> <desig>",
// "<provider> owes" without a designation, "Notes & Coin" without a provider.
QString DefaultAccountName(const QString& providerName, const QString& desig);

// Whether edit.rec may sit in group grpid (0: at the top, always).  A group
// that opened after the object asks its text followed by backdateSuffix (" -
// back-date?" or " - back-date ?"); Yes marks the group for back-dating when
// the edit is saved, No keeps the group as it is, and either way the choice
// stands.  A group that closes too soon, a group of the wrong kind, or (for a
// group being edited) the group itself or one of its own sub-groups is refused
// with a message: false.  On success edit.rec.Grpid := grpid.
bool CheckGroupChoice(TFCore& core, ObjectEdit& edit, int grpid, const QString& backdateSuffix);

// True when candidate is groupId itself or lies anywhere below it: putting
// groupId into candidate would make the group tree a loop.
bool IsWithinGroup(TFCore& core, int groupId, int candidate);

// The question sequence that chooses the pot balancing a change of an
// external account's opening balance, starting from the opening-balance pot
// of the ledger state: while none is set asks "... please specify a pot for
// this" and calls choosePot; then asks (Yes/No/Cancel) whether to use the pot,
// No choosing another.  False when the user stopped.  Writes nothing.
bool ChooseOpeningBalPot(TFCore& core, const PotChooser& choosePot, ObjRec& pot);

// Moves pot's BfdBal by newBal - oldBal and writes the pot (false, nothing
// written, when the result is out of range).
bool AdjustOpeningBalPot(TFCore& core, ObjRec& pot, Amount oldBal, Amount newBal);

// OK in an editor.  Refuses with a message (false, nothing written):
// an empty name ("Account name must be specified"); a counterparty that is
// neither payer nor payee; a new object (or a renamed one) whose name another
// object of the kind has in any letter case, except that external accounts
// with a provider may share names.  For an external account whose opening
// balance changed: asks about a reconciled balance when there is one, then
// chooses the pot (ChooseOpeningBalPot).  Then, in one store transaction:
// back-dates the group when asked, moves the pot, writes the record with its
// note (a new leaf object also gets its anchor posting), and makes the new
// external account its provider's credit account when the provider has none.
// Sets RebalNeeded when the opening balance or the group changed.  On success
// the record is also left in PickedObj and the pot stays the opening-balance
// pot.
bool SaveObjectEdit(TFCore& core, ObjectEdit& edit, const PotChooser& choosePot);

// The external accounts that counterparty cptyId provides ("select id, name
// from obj where accwith = :accwithid"), in id order.
std::vector<IdTextRow> ProvidedAccounts(TFCore& core, int cptyId);

// Moves each object to group newGrpid (0: the top) in list order, stopping at
// the first that cannot be read, then rebalances.  A group cannot go into
// itself or below one of its own sub-groups: "Cannot move group \"<name>\"
// into itself or one of its own sub-groups", false, nothing moved.  True when
// the moves were stored.
bool MoveObjectsToGroup(TFCore& core, const std::vector<int>& ids, int newGrpid);
