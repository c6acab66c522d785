// Importing a statement into an external account: the preview (what each
// statement line will do) and the import itself.
//
// Each line of a Statement gets a state:
//   - Imported: the same line came in before.  A line is known by the bank's
//     transaction id when the file has one, else by a fingerprint of its
//     date, amount and description (with its count among identical lines of
//     the file, so two equal card payments on one day stay two).  The keys
//     live in IMPORTS.DB, a file of its own in the data folder attached to
//     the ledger's connection, so the nine tables keep their layout and the
//     keys are written in the same store transaction as the lines.
//   - Matched: a transaction already on the account with the same amount
//     (money in or out alike) whose posting is dated within MatchDays of the
//     line, not taken by an earlier line nor by an earlier import; the
//     nearest date wins.
//   - New: a payment (money out) or receipt (money in) to enter.  The
//     counterparty is proposed from the description: the choice made for the
//     same description by an earlier import first, then the counterparty
//     whose name the description holds (the longest such name).  The
//     category is the counterparty's one visible link for the direction (of
//     several, the one its latest transaction used); the pot the category's
//     default pot, else the counterparty's default pot for the direction,
//     else the ledger's default pot.
//   - Skip: left out.
// The user may change any state and the proposal before importing.
//
// ImportPreview enters every New line through ValidateEntry and CommitEntry,
// as the entry form does (postings, counterparty-category link, remembered
// pot), records the keys of New and Matched lines, optionally marks the
// matched postings reconciled, and records the file's closing balance as a
// reconciled balance when the account's balance at its date agrees with it.
// All of it is one store transaction: a failure leaves the ledger as it was.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"
#include "ledger/Statement.h"

#include <QString>
#include <vector>

class TFCore;

enum class LineState { New, Matched, Imported, Skip };

// "new", "matched", "imported", "skip".
QString LineStateName(LineState s);

struct ImportLine {
    StatementLine line;
    LineState state = LineState::New;
    QString key; // "id:<bank id>" or "fp:<date>|<amount>|<description>|<n>"

    int matchTxnId = 0; // Matched: the transaction; Imported: the one it became (0 unknown)
    CalDate matchDate;  // Matched: its posting date
    QString matchText;  // Matched: its narrative

    // New: what will be entered (0 = not chosen yet).
    int cptyId = 0;
    int ctgyId = 0;
    int potId = 0;
    QString cptyName;
    QString ctgyName;
    QString potName;

    // A New line with a counterparty, category and pot.
    bool complete() const { return cptyId > 0 && ctgyId > 0 && potId > 0; }
};

struct ImportPreview {
    int accountId = 0;
    QString accountName;
    Statement statement;
    std::vector<ImportLine> lines;
    int matchDays = 3;
};

struct ImportOptions {
    bool reconcileMatched = false; // mark matched postings reconciled
};

struct ImportResult {
    int entered = 0;
    int matched = 0;
    int reconciled = 0;
    bool closingRecorded = false;
    Amount64 closingDifference = 0; // file's balance minus the account's, when a closing balance was given
    bool closingChecked = false;
};

// Days either side of a line's date within which a transaction matches:
// key "MatchDays" of section "import" in the settings file (default 3, at
// most 31).
int ImportMatchDays(TFCore& core);

// The data folder's IMPORTS.DB attached (made when missing).  Outside any
// store transaction.
bool AttachImportKeys(TFCore& core);

// The key of each line, in the file's order.
std::vector<QString> StatementLineKeys(const Statement& statement);

// Builds the preview of statement for external account accountId.  False
// (with a message) when the account is not an external account.
bool PreviewStatement(TFCore& core, int accountId, const Statement& statement, ImportPreview& preview);

// Proposes category and pot for line's counterparty (cptyId) as the
// preview does, replacing what was there; names filled.
void ProposeForCounterparty(TFCore& core, ImportLine& line);

// The user's category for a New line (category ctgyId), with its default
// pot as the line's pot when that is a pot open at the line's date, as the
// entry form fills the pot.  False, the line unchanged, when ctgyId is not a
// category.
bool SetLineCategory(TFCore& core, ImportLine& line, int ctgyId);
// The user's pot for a New line; false, the line unchanged, when potId is not
// a pot.
bool SetLinePot(TFCore& core, ImportLine& line, int potId);

// Imports the preview as it stands.  A New line without counterparty,
// category or pot stops before anything is written ("Line <n> of <file> has
// no counterparty, category or pot - choose them or skip the line").
// A closing balance that disagrees with the account's balance at its date is
// reported ("Closing balance <b> on <date> differs from the account's
// balance <a> by <d> - no reconciled balance recorded") and not recorded; the
// lines still are.
bool ImportPreviewLines(TFCore& core, ImportPreview& preview, const ImportOptions& options, ImportResult& result);

// The preview as text, one line per statement line:
// "<line> <date> <amount> <state> <description> -> <what>".
QString PreviewText(const ImportPreview& preview);
