// Running balances, period summaries and the rebalance.
//
// Balances are not kept up to date on every posting.  Two derived stores
// hold them instead:
//   - each posting's running balance (RngBal) with its display flags
//     (DpPstgDate on the first posting of a date, DpRngBal on the last),
//     recomputed one account at a time when its postings are shown
//     (SetRngBal);
//   - movts, one row per object, leaf or group: brought-forward balance, the
//     net of its postings before the balance period, the period's payments,
//     receipts and transfers, the balance at the period end and the text path
//     of its groups.  The rebalance rebuilds the whole table.
//
// The period is BalFrom (first day) to BalAt (last day) of the settings.
// Storing a posting that can change a period figure sets RebalNeeded; the
// rebalance clears it.
//
// The rebalance computes in memory: it reads every object once, walks the
// postings once in AcPstg order (Objid, Pstgdate) reading only the columns
// that index holds, sums in 64 bits, adds each object's figures up its group
// chain, and then writes movts and the changed objects in one store
// transaction.  A figure that does not fit an Amount is reported and nothing
// is written.
//
// The period dialog's date rules are plain functions here so that they can be
// used and tested without a screen; the dialog itself is forms/TFRebal.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"

#include <QDateTime>
#include <QString>
#include <cstdint>
#include <vector>

class TFCore;
struct ObjRec;
struct PstgRec;
struct Settings;

// One movts row in memory: the period summary of one object.
struct MovtRec {
    int Accid = 0;
    int Grpid = 0;
    Amount Bal = 0;      // BfdBal + Prepdnet + PdPayts + PdRcpts + PdTfrs, computed by WriteMovt
    Amount BfdBal = 0;   // the object's BfdBal; for a group, the sum over the leaves below it
    QDateTime Balto;     // every write stores no date
    Amount Prepdnet = 0; // net of postings dated before BalFrom
    Amount PdPayts = 0;  // P and X postings in the period
    Amount PdRcpts = 0;  // R and Y postings in the period
    Amount PdTfrs = 0;   // C, G and T postings in the period
    int P0movt = 0;      // every write stores 0
    int P1movt = 0;
    int P2movt = 0;
    QString Path; // GroupPath of the object
};

// The fresh record: all zeros, empty Path.
void InitMovtRec(MovtRec& movt);

// Reads the movts row of object id into movt (fresh first).  False, silently,
// when id < 1 or there is no row.
bool ReadMovt(TFCore& core, int id, MovtRec& movt);
// Writes movt over its row (appended when missing), every column; Bal :=
// BfdBal + Prepdnet + PdPayts + PdRcpts + PdTfrs whatever movt.Bal held (movt
// takes the computed value).  A Bal beyond the Amount range is reported as a
// program error naming the object and the figure, and nothing is written.
bool WriteMovt(TFCore& core, MovtRec& movt);
// A fresh record for obj: Accid, Grpid and BfdBal from it.
void MovtFromObj(const ObjRec& obj, MovtRec& movt);

// Adds movt's figures to every group above it, walking movt.Grpid upwards
// through the movts rows: mode 'B' adds BfdBal, mode 'P' the four period
// figures.  A group without a movts row: "Program error : group not found
// <id>" and the walk stops (true: the rest goes on).  A chain longer than 100
// groups (a Grpid cycle): "Program error : Group contains itself <id>" and the
// walk stops.  A sum beyond the Amount range is reported and gives false.
bool AddToGroups(TFCore& core, const MovtRec& movt, char mode);

// Which figure of a summary a posting goes to, by its date (DateInt) and type
// letter against the period from..at (DateInt): A and Z postings none; dated
// before from Prepdnet; on or before at by type (C G T transfers, P X
// payments, R Y receipts); after at none.
enum class MovtFigure { None, Prepdnet, PdPayts, PdRcpts, PdTfrs };
MovtFigure FigureOf(DateInt date, char type, DateInt from, DateInt at);
// Adds one posting into its object's summary by the period of settings (see
// FigureOf).  A sum beyond the Amount range leaves movt unchanged and gives
// false.
bool Accumulate(const Settings& settings, const PstgRec& pstg, MovtRec& movt);

// The rebalance.  Shows the notice "Rebalancing " and the busy cursor;
// recomputes the derived dates; generates the due repeater instances (which
// may ask how far); then rebuilds movts for every object and moves each
// posted account's OpenDate back to its earliest posting and its
// LastPstgDate to its latest (balance reconciliations, anchors and diary
// postings do not count), showing "Accounts 1st pass <n>", "Accounts 2nd pass
// <n>" and "Postings <n>" (rows still to go) on the status panel.  Then clears
// RebalNeeded and sets the paths.  Postings of an object that no longer
// exists add nothing (its id is reported once, as ReadObj would).  One store
// transaction: on failure (a store error, a figure beyond the Amount range)
// nothing of it is written, RebalNeeded stays as it was, and false.
bool Rebalance(TFCore& core);
// Rebalance when RebalNeeded is on; true when nothing was needed.
bool RebalanceIfNeeded(TFCore& core);
// Writes every object's GroupPath into its movts row and sets the paths-set
// flag.  A Grpid cycle is reported once ("Group contains itself <id>").
bool SetPaths(TFCore& core);

// Recomputes the running balances and display flags of objid's postings
// (all but anchors and diary postings, in Pstgdate, Txntype, Txnid order,
// starting from the object's BfdBal) and returns the balance before date:
// BfdBal plus the amounts dated before it.  Only rows whose stored values
// change are written, and always the last.  One store transaction.  A running
// balance beyond the Amount range is reported, nothing is written, and the
// result is 0.
Amount SetRngBal(TFCore& core, int objid, const CalDate& date);
// SetRngBal telling success apart: true with the balance before date in
// balanceBefore; false (reported, nothing written) on a store failure or a figure
// beyond the Amount range.
bool RecomputeRngBal(TFCore& core, int objid, const CalDate& date, Amount& balanceBefore);

struct RngBalWrite;
// The running balances and display flags of objid's postings, as SetRngBal
// computes them, that differ from the stored ones, in rowid order; nothing
// written.  False (reported) on a read failure or a figure beyond the
// Amount range.
bool StaleRunningBalances(TFCore& core, int objid, std::vector<RngBalWrite>& changed);

// A stored date text ("yyyy?mm?dd", n bytes) as DateInt, read as
// DateStrToCal reads it: eight ASCII digits (separators not looked at),
// anything else 0.
DateInt ParseDateBytes(const unsigned char* s, int n);

// One posting's running balance and display flags to store, by its rowid.
struct RngBalWrite {
    std::int64_t rowid = 0;
    Amount bal = 0;
    bool first = false;
    bool last = false;
};
// Puts rows into rowid order: the table's pages in file order.
void SortByRowid(std::vector<RngBalWrite>& rows);
// Stores the running balances and flags given (sorting them into rowid
// order, so that the table's pages are visited once each in file order).
// One store transaction; false (reported) when a write failed, nothing then
// written.
bool WriteRunningBalances(TFCore& core, std::vector<RngBalWrite>& rows);
// The query of the rebalance's walk over every posting, for checking that it
// reads only the covering index.
const QString& RebalanceWalkSql();

// Refreshes the screen, then shows text on the status panel (empty clears
// it).
void ShowStatus(TFCore& core, const QString& text);

// Recomputes the derived dates of the settings (dormancy cut-off, BalFrom
// and BalAt as DateInt).
void RecomputeDerivedDates(TFCore& core);
// When the latest rebalance of this run walked the postings; null before.
QDateTime LastRebalanceTime(TFCore& core);
// False from the moment a rebalance empties movts until its paths are set.
bool PathsSet(TFCore& core);

// ---- the balance period ----------------------------------------------------

struct BalPeriod {
    CalDate from;
    CalDate to;
    QString label; // the financial-year label, or empty
};

// The start of the financial year holding date: (date's year, month1, day1),
// one year earlier when that is after date.
CalDate FinancialYearStart(const CalDate& date, int day1, int month1);
// "2011" when the year starts on 1 January, else "2011/12".
QString FinancialYearLabel(int year, int day1, int month1);
// "Current year so far": the financial year start of today to today, with
// that year's label.
BalPeriod CurrentYearSoFar(const CalDate& today, int day1, int month1);
// "Rolling year to today": today one year back and one day on, to today; no
// label.
BalPeriod RollingYearToToday(const CalDate& today);
// "Whole <year>": (year, month1, day1) to one year on and one day back, with
// the year's label.
BalPeriod WholeFinancialYear(int year, int day1, int month1);
// The answer to "Enter financial year" as a year: digits only (spaces around
// allowed), 1 to 9998.  False for anything else.
bool ParseFinancialYear(const QString& text, int& year);
// The answer to "Enter first day of financial year": exactly 5 characters,
// "dd/mm" with the day 1..31 and the month 1..12 (the middle character is
// not checked).  False for anything else, day and month unchanged.
bool ParseYearStart(const QString& text, int& day, int& month);
// The year-start button's caption: "06/04".
QString YearStartCaption(int day1, int month1);
// A date one year on and one day back ("Year from"), one year back and one
// day on ("Year to"); the null date stays null.
CalDate YearOnDayBack(const CalDate& d);
CalDate YearBackDayOn(const CalDate& d);
// The period that "Refresh now" gives for periodType (1 current year so far,
// 2 rolling year); false for 0 (custom) or any other value.
bool RefreshedPeriod(const Settings& settings, int periodType, BalPeriod& period);

// At start-up, when PeriodAutoRefresh is on and PeriodType is not custom:
// recomputes the period as "Refresh now" does and, when it differs from
// BalFrom/BalAt, stores it and runs the rebalance.  False only when that
// rebalance failed.
bool AutoRefreshPeriod(TFCore& core);
