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
// Before anything is written, CheckNewLines runs the entry checks of every
// complete New line without writing and keeps, per line, the questions they
// ask (the account is closed, the line pre-dates an account's earliest, a
// reconciled balance would change, the provider would be bypassed) and the
// message of a check that refuses the line.  The user answers each distinct
// question once for the whole import (ConfirmLineQuestions): Yes confirms it
// for every line that asks it, No turns those lines to Skip.  The import
// answers a confirmed question Yes and any other No, which leaves that line
// out; a line that a check refuses is left out too, and the others still go
// in.  The question whether to move a closed account's close date forward to
// the line's date is always answered No: an import never re-dates accounts.
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
#include <QStringList>
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

    // New: what the entry checks make of the line (CheckNewLines, and the
    // import for lines it leaves out): the questions asked, in order, and
    // the message of a check that refuses it.
    QStringList questions;
    QString refusal;

    // A New line with a counterparty, category and pot.
    bool complete() const { return cptyId > 0 && ctgyId > 0 && potId > 0; }
};

struct ImportPreview {
    int accountId = 0;
    QString accountName;
    Statement statement;
    std::vector<ImportLine> lines;
    int matchDays = 3;
    QStringList confirmed; // questions the user confirmed for the whole import
};

// A question of the entry checks with the count of lines that ask it.
struct LineQuestion {
    QString text;
    int lines = 0;
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
    int refused = 0;     // New lines a check refused: left out
    int unconfirmed = 0; // New lines asking a question not confirmed: left out
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

// Runs the entry checks of every complete New line, in the file's order and
// as the import would (each line seeing what the checks of the lines before
// it would write), filling each line's questions and refusal; the other
// lines' are cleared.  Nothing is written.  False only when the store fails.
bool CheckNewLines(TFCore& core, ImportPreview& preview);

// The distinct questions of the complete, unrefused New lines not yet
// confirmed, in order of first appearance, with their line counts.
std::vector<LineQuestion> PendingQuestions(const ImportPreview& preview);

// Asks each pending question once, with its count ("<question> (12 lines)"):
// Yes confirms it, No turns the lines asking it to Skip and checks the rest
// again.  Cancel stops with false (what was answered so far stays answered).
bool ConfirmLineQuestions(TFCore& core, ImportPreview& preview);

// A New line's standing after the checks: "refused: <message>", "needs
// confirming: <question>" (several joined by "; "), or empty.  Line breaks
// of the texts shown as blanks.
QString LineCheckNote(const ImportLine& line, const QStringList& confirmed);

// Imports the preview as it stands.  A New line without counterparty,
// category or pot stops before anything is written ("Line <n> of <file> has
// no counterparty, category or pot - choose them or skip the line").
// Each New line is entered answering the entry checks' questions from
// preview.confirmed; a line asking another question, or refused by a check,
// is left out (what its checks wrote undone), counted in result and its
// questions and refusal kept.  Any other failure writes nothing.
// A closing balance that disagrees with the account's balance at its date is
// reported ("Closing balance <b> on <date> differs from the account's
// balance <a> by <d> - no reconciled balance recorded") and not recorded; the
// lines still are.
bool ImportPreviewLines(TFCore& core, ImportPreview& preview, const ImportOptions& options, ImportResult& result);

// The preview as text, one line per statement line:
// "<line> <date> <amount> <state> <description> -> <what>".
QString PreviewText(const ImportPreview& preview);
