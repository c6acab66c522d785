// The lists behind the account picker and the account search windows.
//
// The picker lists the objects of one kind narrowed by a status filter
// (favourites, recent, dormant, closed, all), finds a row as the user types
// and widens the filter step by step when the text is not in the list.  The
// find-account dialog splits the objects of a kind whose name matches a text
// into active, dormant and closed ones; the name/notes search stamps every
// object whose name or note holds a text with one run marker and lists the
// stamped objects of a kind and its group kind.
//
// Everything here reads OBJ.DB through its own query and computes the shown
// columns in the rows it returns; the windows only present them.  Only
// MarkNameNotesMatches writes (the run markers, in one store transaction).
#pragma once

#include "base/Dates.h"
#include "ledger/Objects.h"

#include <QDateTime>
#include <QString>
#include <vector>

class TFCore;
struct Settings;

// ---- the picker's list -------------------------------------------------------

enum class AccFilter { Favorites, Recent, Dormant, Closed, All };

struct AccListRow {
    int Id = 0;
    int Type = 0;
    QString Name;
    QString Note;
    QString lname;  // lower-case own name: what the search compares
    QString holder; // kind 1: the providing counterparty's name, else empty
    bool fav = false;
    DateInt closedate = kNotClosed;
    DateInt lastpstgdate = 0;
    QString dpname;   // shown as "Name"
    QString dormant2; // shown as "Status"
};

// The list query of a kind under a filter, with :objtype and (Recent and
// Dormant) :dmtchk as parameters.  External accounts are ordered by the name
// of their provider, then by their own name; every other kind by name.
QString AccListSql(int kind, AccFilter filter);
// Runs the list query with the settings' dormancy cut-off and computes the
// shown columns of every row.
std::vector<AccListRow> LoadAccList(TFCore& core, int kind, AccFilter filter);
// "favorite", "closed", "dormant" (posted, last on or before the cut-off) or
// empty, in that order of precedence.
QString AccStatusText(bool fav, DateInt closedate, DateInt lastpstgdate, DateInt cutoff);

// The next wider filter when a text is not found: Favorites -> Recent ->
// Dormant -> Closed; false for Closed and All (nothing wider to try).
bool WidenFilter(AccFilter& filter);

// Where a typed text lands in a list.  An empty text is found at row 0.
// The rows are walked in display order comparing each own name with the text
// by prefix, without regard to letter case: the walk stops at the first name
// that starts with the text (found) or, when the rows are in name order,
// at the first that sorts after it (not found).  Kind 1 rows are in provider
// order, so there only a matching name stops the walk.  Not found rests on
// the stopping row, or the last row when the walk ran off the end (-1 for an
// empty list).
struct AccSearchHit {
    int row = 0;
    bool found = false;
};
AccSearchHit SearchAccList(const std::vector<AccListRow>& rows, int kind, const QString& text);

// The search as the picker runs it: searches rows (loaded under filter) and,
// while the text is not found and the filter can widen, widens filter,
// reloads rows and searches again.  filter and rows are left as the search
// ended; false means the text was not found under the widest filter tried
// (the picker then says "Not found").
bool SearchWidening(TFCore& core, int kind, AccFilter& filter, std::vector<AccListRow>& rows, const QString& text,
                    int& row);

// The row showing id, or 0 (the first row) when no row does.
int LocateAccRow(const std::vector<AccListRow>& rows, int id);

// ---- find-account dialog ------------------------------------------------------

enum class NameMatch { Exact, StartsWith, Contains };

// Whether a name matches the text under the rule, without regard to letter
// case: the whole name, its beginning, or anywhere in it.
bool NameMatches(const QString& name, const QString& text, NameMatch rule);

struct FoundAccounts {
    std::vector<IdTextRow> actives; // sorted by name
    std::vector<IdTextRow> dormants;
    std::vector<IdTextRow> closed;
};
// The objects of the kind whose name matches: closed ones (a close date) to
// closed; open ones last posted after the dormancy cut-off, or never posted
// and opened after it, to actives; the rest to dormants.
FoundAccounts FindAccounts(TFCore& core, int kind, const QString& text, NameMatch rule);

// The settings key value holding the default object of the kind (1 cash
// account, 3 category, 4 counterparty, 6 pot); 0 for other kinds.
int DefaultObjectId(const Settings& s, int kind);
// Sets it; false (nothing changed) for a kind without a default.
bool SetDefaultObjectId(Settings& s, int kind, int id);
// The question of "Make default" for the kind.
QString MakeDefaultQuestion(int kind);

// ---- name/notes search --------------------------------------------------------

// Stamps every object whose name or note contains text (without regard to
// letter case) with the run marker ts, in one store transaction.  The number
// of objects stamped, or -1 when a write failed (nothing stamped).
int MarkNameNotesMatches(TFCore& core, const QString& text, const QDateTime& ts);

struct AcSearchRow {
    int Id = 0;
    int Type = 0;
    QString Name;   // the object's own name
    QString dpname; // external account: "<provider> : <name>" when it has a named provider
    QString kindText;
    QString subtype; // counterparties: "payer", "payee" or "payer/ee"
    QString opened, lastUsed, closed;
};
// The objects stamped with ts of the kind and its group kind, by kind then
// name, with their shown columns.
std::vector<AcSearchRow> LoadNameNotesResults(TFCore& core, int kind, const QDateTime& ts);
