// The calendar date picker " Calendar".
//
// A month grid from which a date is picked into a date box or a date
// variable.  The year and month rows step the date or open popups (button or
// right click on the row); a click on a day picks it, a double click picks it
// and closes with OK; "Today" jumps to today; the text box below the grid shows
// the picked date and may be typed into: OK reads it back.
//
// The day is kept when the month or year changes, so 31 January, next month,
// next month comes back to 31 March.  Where the kept day is past the end of
// the month shown, the calendar shows and hands back the month's last day
// (31 January, next month shows 28 February): a date that does not exist is
// never offered.
#pragma once

#include "base/Dates.h"

#include <QDialog>

class QLineEdit;
class QMenu;
class QAction;
class QPushButton;
class QTableWidget;
class QWidget;

class TFCal : public QDialog {
    Q_OBJECT
public:
    explicit TFCal(QWidget* parent = nullptr);

    // Runs the calendar modally, starting at start (today when start is not a
    // valid date: year 0 or 9999, month outside 1..12, day outside 1..31).
    // OK reads the text box into picked (the null date when it does not hold
    // a date) and gives true; Cancel gives false and leaves picked alone.
    bool Execute(const CalDate& start, CalDate& picked);

    // The date as navigated (its day kept across months) and as shown (the
    // day clamped to the month's length, with its day of week).
    CalDate date() const { return m_date; }
    CalDate shownDate() const;
    // Sets the date and refreshes (no validity check: the caller's business).
    void SetDate(const CalDate& date);
    // Text of a grid cell (row 0 holds the day names, rows 1..6 the days).
    QString CellText(int row, int column) const;
    // Number of grid cells in rows 1..6 that hold a day.
    int FilledDayCells() const;
    // The first of the nine years the year popup shows.
    int PopupFirstYear() const { return m_firstYear; }
    // True while the grid is being filled (clicks are ignored then).
    bool Filling() const { return m_filling; }
    // What OK handed back last.
    CalDate Result() const { return m_result; }

    // Commands, as the buttons and popups run them.
    void PrevYearBtnClick();
    void NextYearBtnClick();
    void PrevMonthBtnClick();
    void NextMonthBtnClick();
    void TodayBtnClick();
    void YearPopup();  // opens the year popup at the mouse pointer
    void MonthPopup(); // opens the month popup at the mouse pointer
    void YearsUp();    // the popup's "  /\": the nine years before, popup again
    void YearsDown();  // the popup's "  \/": the nine years after, popup again
    void ChooseYear(int year);
    void ChooseMonth(int month);
    void GridClick(int row, int column);
    void GridDblClick(int row, int column);
    void OKBtnClick();

    QWidget* YearRow;
    QPushButton* PrevYearBtn;
    QPushButton* YearBtn;
    QPushButton* NextYearBtn;
    QWidget* MonthRow;
    QPushButton* PrevMonthBtn;
    QPushButton* MonthBtn;
    QPushButton* NextMonthBtn;
    QTableWidget* Grid;
    QLineEdit* DateBox;
    QPushButton* TodayBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QMenu* YearMenu;  // "  /\", nine years, "  \/"
    QMenu* MonthMenu; // "January" .. "December"

private:
    void Refresh();
    void RelabelYears();

    CalDate m_date;
    CalDate m_result;
    bool m_filling = false;
    int m_firstYear = 1998;
    QAction* m_yearActions[9] = {};
};

// The process-wide calendar, created on first use.
TFCal& FCal();

// The calendar for a date box: starts at the box's date (today when it holds
// none); OK writes the picked date as "yyyy-mm-dd  Day" into the box (a text
// that is not a date is written as typed) and gives true.  Cancel leaves the
// box alone and gives false.
bool PickDateForBox(QLineEdit* box);
// The same, but OK writes "yyyy-mm-dd" only (empty when no date was typed).
bool PickDateForBoxPlain(QLineEdit* box);
// The calendar for a date variable: an empty date starts at today; OK stores
// the picked date and gives true.
bool PickDate(CalDate& date);
