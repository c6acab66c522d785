// The monthly analysis: totals of the postings of categories (or pots) month
// by month, as rolling twelve-month totals and year by year, accumulated into
// MTHLY.DB and laid out as a grid with row and column totals.
//
// Months are anchored on the day of the month of the analysis start date (the
// end date one year back, one day on): a posting belongs to the month that
// starts on that day in its own month, or in the month before when its day is
// earlier.  Every total is kept in 64 bits; a group's rows hold the totals of
// everything below it.
#pragma once

#include "ledger/GroupStamps.h"

#include "base/Dates.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

class TFCore;

enum class AnalysisMode { MonthOnMonth, YearOnMonth, YearOnYear };

// The end date one year back, then one day on (2024-03-31 gives 2023-04-01).
CalDate AnalysisStart(const CalDate& end);
// The start of the month a date belongs to, months anchored on anchorDay.
CalDate AnalysisMonthStart(const CalDate& date, int anchorDay);
// The same month start stepped by n months (n may be negative).
CalDate AnalysisMonthStep(const CalDate& monthStart, int anchorDay, int n);
// The first date on or after monthStart with the month and day of end.
CalDate AnalysisYearEnd(const CalDate& monthStart, const CalDate& end);

// Empties MTHLY.DB and fills it from the postings of objects of the kind
// (3 categories, 6 pots; anchor and reconciliation postings left out): "M"
// rows per month start, "R" rows of the twelve months ending with each month,
// "Y" rows per year end, and the same under every group up the chain.  One
// store transaction.  progress receives the stage texts and a count of rows
// still to do.  False (reported) on a store error; nothing is then changed.
bool RebuildMonthly(TFCore& core, const CalDate& end, int kind,
                    const std::function<void(const QString& stage, int remaining)>& progress = {});

// One row of the grid: column 0 the name, 1 the group mark, then the cells.
struct AnalysisRow {
    int objId = 0; // 0 for the TOTALS row
    int type = 0;
    int grpid = 0;
    QStringList cells;                // every column, as shown
    std::vector<std::int64_t> values; // per column (0 where empty); the row total last in Month-on-Month
    std::vector<bool> filled;         // per column: holds an amount
};

struct AnalysisGrid {
    QStringList headings;          // row 0
    std::vector<AnalysisRow> rows; // data rows, then the TOTALS row
    std::int64_t rowsSum = 0;      // sum of the row totals
    std::int64_t columnsSum = 0;   // sum of the column totals
};

// The figures shown for the objects carrying stamp, by mode, with the month
// columns ending with the month that ends on columnDate.
bool BuildAnalysisGrid(TFCore& core, AnalysisMode mode, int kind, const CalDate& start, const CalDate& end,
                       const CalDate& columnDate, const QDateTime& stamp, bool showPaths, AnalysisGrid& grid);

// Amounts in 64 bits as the grid writes them: "," between thousands, "." and
// two decimals, "+" before a positive amount.
QString FormatTotalSigned(std::int64_t a);
// Reads such a text back; false when it is not an amount.
bool ParseTotal(const QString& text, std::int64_t& out);

// Sorts the data rows (never the TOTALS row): by column 0 without regard to
// case, or by the last column's amount; rows whose cells are not amounts stay.
void SortAnalysisRows(AnalysisGrid& grid, bool byValue);

// What the chart under the grid plots for one object: the month totals ("M")
// of the grid's date columns and the rolling-year totals ("R") of the same
// months; in Year-on-Year the year totals ("Y") and no rolling line.
struct AnalysisSeries {
    QStringList labels;
    std::vector<std::int64_t> bars;
    std::vector<std::int64_t> rolling;
};
bool AnalysisSeriesOf(TFCore& core, int objId, AnalysisMode mode, const AnalysisGrid& grid, AnalysisSeries& series);
