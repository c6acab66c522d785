// The monthly analysis window: the totals of categories (or pots) month by
// month, as rolling years or year by year, in a grid with row and column
// totals, groups drilled into, expanded and collapsed; a chart under the grid
// plots the selected row's months and its rolling year.
#pragma once

#include "ledger/Analysis.h"

#include <QDateTime>
#include <QMainWindow>

class QAction;
class QActionGroup;
class QChart;
class QChartView;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableWidget;
class TFCore;

class TFMonthly : public QMainWindow {
public:
    explicit TFMonthly(TFCore& core, QWidget* parent = nullptr);

    // Opens the analysis of kind (3 or 6) for the year ending on end: stamps
    // the top level, rebuilds MTHLY.DB and displays.
    void Open(const CalDate& end, int kind);
    // Lays out the grid for the current mode, stamp and column date.
    void Display();
    AnalysisMode Mode() const;

    // Commands, as the menus and buttons run them.
    void BackClick();
    void ExpandAllClick();
    void CollapseAllClick();
    void PrevMonthClick();
    void NextMonthClick();
    void RebuildClick();
    void DrillDownClick();
    void ExpandGroupClick();
    void CollapseGroupClick();
    void PostingsClick();
    void DetailsClick();
    void CopyCellClick();
    void ExportClick();
    void SortClick(bool byValue);

    const AnalysisGrid& Grid() const { return m_grid; }
    int DrilledGroup() const { return m_group; }
    CalDate ColumnDate() const { return m_columnDate; }
    // The grid row (data rows from 0) and column last clicked.
    void SetClickedCell(int row, int column);
    TFCore& core() const { return m_core; }

    QLabel* HintLbl;
    QLabel* GroupLbl;
    QRadioButton* MoMRdio;
    QRadioButton* YoMRdio;
    QRadioButton* YoYRdio;
    QPushButton* PrevBtn;
    QPushButton* NextBtn;
    QTableWidget* GridView;
    QTableWidget* NameView; // column 0 while it is fixed
    QChartView* ChartView;
    QLabel* StatusLbl;
    QAction* CloseItem;
    QAction* BackItem;
    QAction* ResizeItem;
    QAction* FixItem;
    QAction* ExpandAllItem;
    QAction* CollapseAllItem;
    QAction* ByNameItem;
    QAction* ByValueItem;
    QAction* ShowPathsItem;
    QAction* ShowChartItem;
    QAction* ExportItem;
    QAction* ClearItem;
    QAction* DebugRefreshItem;
    QAction* RebuildItem;
    QMenu* Popup;
    QAction* DrillItem;
    QAction* ExpandItem;
    QAction* CollapseItem;
    QAction* PostingsItem;
    QAction* DetailsItem;
    QAction* CopyCellItem;

private:
    void Rebuild();
    void Fill();
    void UpdateChart();
    void ShowPopup(const QPoint& global, int row, int column);
    void Reselect(const QString& name);
    void SetFixed(bool fixed);
    // The object of a data row; 0 for the TOTALS row or no row.
    const AnalysisRow* RowAt(int row) const;

    TFCore& m_core;
    int m_kind = 3;
    CalDate m_end;
    CalDate m_start;
    CalDate m_columnDate;
    QDateTime m_stamp;
    int m_group = 0;
    AnalysisGrid m_grid;
    int m_clickRow = -1;
    int m_clickCol = -1;
    QChart* m_chart = nullptr;
};

// The process-wide analysis window, created on first use.
TFMonthly& FMonthly(TFCore& core);
