// The balances view "External Accounts", "Pots", "Counterparties",
// "Categories": the objects of one kind with their groups, by level, with
// their period figures on request.
//
// The list itself (stamping, the query, the calculated columns, the totals)
// is ledger/BalancesList; this window holds its rows in a table model, shows
// the totals line under their columns and dispatches the commands to the
// ledger operations and to the other screens (forms/Screens.h).  One
// non-modal window, created on first use and reused for every kind.
#pragma once

#include "ledger/BalancesList.h"

#include <QAbstractTableModel>
#include <QMainWindow>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QTableView;
class QToolButton;
class TFCore;

// The rows of the list, with the columns of the grid.
class BalancesModel : public QAbstractTableModel {
public:
    enum Column {
        ColDpname,
        ColGroup,
        ColWarning,
        ColReconciled,
        ColBfd,
        ColPayts,
        ColRcpts,
        ColTfrs,
        ColNet,
        ColBalance,
        ColStatus,
        ColLastPosted,
        ColumnCount
    };
    explicit BalancesModel(QObject* parent = nullptr) : QAbstractTableModel(parent) {}

    void SetRows(const std::vector<BalancesRow>& rows);
    const BalancesRow& Row(int row) const { return m_rows[std::size_t(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The width of a column in characters.
    static int WidthChars(int column);

private:
    std::vector<BalancesRow> m_rows;
};

class TFBals : public QMainWindow {
    Q_OBJECT
public:
    explicit TFBals(TFCore& core, QWidget* parent = nullptr);

    // Opening from the control window; an invalid kind is reported and
    // nothing shows.
    void Open(int kind);
    // Opening on a group's members (account search results).
    void OpenInGroup(int groupId, int groupKind);

    BalancesList& List() { return m_list; }
    // The row of the grid's current index, -1 when none.
    int CurrentRow() const;
    // Rebuilds, then goes to the row of id (the first row when absent).
    void RebuildAt(int id);

    // Commands, as the menus, buttons and keys run them.
    void BackClick();
    void RefreshClick();
    void ShowValuesClick();
    void PeriodClick();
    void DrillDownClick();
    void ExpandGroupClick();
    void CollapseGroupClick();
    void ExpandAllClick();
    void CollapseAllClick();
    void NewAccountClick();
    void NewGroupClick();
    void RegroupClick(bool all);
    void SearchClick();
    void CategoriesClick();
    void PostingsClick();
    void DetailsClick();
    void SweepClick();
    void CloseAccountClick();
    void DeleteClick();
    void GroupDetailsClick();
    void ExportClick();
    void PrintClick();
    void FitColumnsClick();
    // Double-click or Enter: a group drills down, another row opens its
    // postings.
    void RowActivated();
    // Find as you type.
    void FindBoxChange(const QString& text);
    // Enables the popup items for the current row.
    void UpdatePopup();

    QTableView* Grid;
    BalancesModel* Model;
    QPushButton* PeriodBtn;
    QPushButton* ShowValuesBtn;
    QLabel* PathLbl;
    QToolButton* PathBtn;
    QLabel* FilterLbl;
    QToolButton* UpBtn;
    QToolButton* DownBtn;
    QLineEdit* FindBox;
    QToolButton* ClearBtn;
    QLabel* CountLbl;
    QLabel* BfdTotLbl;
    QLabel* PaytsTotLbl;
    QLabel* RcptsTotLbl;
    QLabel* TfrsTotLbl;
    QLabel* NetTotLbl;
    QLabel* BalTotLbl;
    QWidget* TotalsPanel;

    QAction* CloseItem;
    QAction* BackItem;
    QAction* RefreshItem;
    QAction* SeqNameItem;
    QAction* SeqAmountItem;
    QAction* ExpandAllItem;
    QAction* CollapseAllItem;
    QAction* FitItem;
    QAction* ActiveItem;
    QAction* AvailableItem;
    QAction* RecentsItem;
    QAction* AllItem;
    QAction* ClipboardItem;
    QAction* PrinterItem;
    QAction* SearchItem;
    QAction* NewAccountItem;
    QAction* NewGroupItem;
    QAction* RegroupSelItem;
    QAction* RegroupAllItem;
    QMenu* Popup;
    QAction* DrillItem;
    QAction* ExpandItem;
    QAction* CollapseItem;
    QAction* CategoriesItem;
    QAction* ImportItem; // "Import statement..." on an external account
    QAction* PostingsItem;
    QAction* DetailsItem;
    QAction* SweepItem;
    QAction* ClosePopItem;
    QAction* DeleteItem;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    // Shows the list's present rows and state; row -1 is the first row.
    void ShowList(int row);
    void GoToRow(int row);
    void LayoutTotals();
    void SetFilter(BalFilter filter);
    void SetSequence(BalSequence sequence);
    int CurrentId() const;

    TFCore& m_core;
    BalancesList m_list;
};

// The process-wide balances view, created on first use.
TFBals& FBals(TFCore& core);
