// Transaction search: finding transactions by amount, id, text, repeater,
// cancellation, counterparty and category, or by date (the journal of the
// balance period), as rows with the columns the results window shows.
//
// A text search marks the matching rows of txn with a fresh run marker (one
// UPDATE that writes only the matches, comparing without regard to letter
// case in every alphabet) and then lists the rows carrying that marker.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"

#include <QDateTime>
#include <QString>
#include <vector>

class TFCore;

enum class SearchMode { Amount = 1, TxnId = 2, Text = 3, Journal = 4, Cancelled = 5, Instances = 6, CptyCategory = 7 };

struct SearchRequest {
    SearchMode mode = SearchMode::Amount;
    QString text;   // what the user typed (mode 7: "<cpty> / <category>")
    int cptyId = 0; // mode 7
    int ctgyId = 0; // mode 7
};

// One row of the results with its shown columns.
struct SearchRow {
    int Id = 0;
    int Instance = 0;
    int Masterid = 0;
    CalDate Txndate;
    bool DpDate = false;
    char Type = ' ';
    Amount Amt = 0;
    bool Cancelled = false;
    QString DateText; // "2011-08-01  Mon"; empty in the journal on a date already shown
    QString InstText; // Instance when above 0
    QString TypeText; // short type name
    QString Account1; // name, then " / " and the channel name when there is one
    QString Account2;
    QString Account3;
    QString Account4;
    QString AmountText;
    QString Description; // "Cancelled", " - ", the narrative
};

// True when the mode needs a text.
bool SearchNeedsText(SearchMode mode);

// The results window's caption for a request: "Transaction search results  :  "
// followed by the mode's words.
QString SearchCaption(const SearchRequest& req);

// Runs a search: checks the text ("Amount/id/text missing", "Invalid txn id";
// ReadAmount reports an amount that does not read), refreshes the journal's
// date flags (mode 4), marks text matches (mode 3, "Searching ..." on the
// status panel meanwhile), and fills rows in Txndate, Id order.  False when
// the search did not run (rows then empty).
bool RunSearch(TFCore& core, const SearchRequest& req, std::vector<SearchRow>& rows);

// Marks every transaction whose narrative or ref holds text (any letter case)
// with a new run marker, which is returned (null on a store error).
QDateTime MarkTextMatches(TFCore& core, const QString& text);

// The row to show after Refresh: the first whose Id, else whose Masterid,
// equals id; -1 when none.
int LocateSearchRow(const std::vector<SearchRow>& rows, int id);
// The first row dated on or after date; the last row when none is; -1 when
// the list is empty.
int JumpSearchRow(const std::vector<SearchRow>& rows, const CalDate& date);
