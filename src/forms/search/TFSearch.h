// The transaction search: the dialog "Transaction Search" that chooses what to
// look for, and the results window (caption per search) that lists the
// transactions found, from which each can be viewed, edited, deleted or
// exported.  The journal is the search of every transaction in the balance
// period, with each date shown once.
#pragma once

#include "forms/RowsModel.h"
#include "ledger/TxnSearch.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <QMainWindow>
#include <vector>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;
class TFCore;

// The results' rows as the grid shows them.
class SearchModel : public RowsModel<SearchRow> {
public:
    using RowsModel::RowsModel;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
};

class TFSearchR;

class TFSearch : public QDialog {
public:
    explicit TFSearch(TFCore& core, TFSearchR& results, QWidget* parent = nullptr);

    // The main window's "Search": at the pointer, modeless, the box cleared.
    void OpenSearch();
    // Runs the search of the checked button with the box's text.
    void OKBtnClick();
    // The checked button's mode.
    SearchMode CheckedMode() const;
    void SelectMode(SearchMode mode);
    bool JournalSelected() const;

    QRadioButton* AmountRdio;
    QRadioButton* IdRdio;
    QRadioButton* TextRdio;
    QRadioButton* JournalRdio;
    QRadioButton* CancelledRdio;
    QRadioButton* InstancesRdio;
    QLineEdit* SearchBox;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void ModeClicked();

    TFCore& m_core;
    TFSearchR& m_results;
};

class TFSearchR : public QMainWindow {
public:
    explicit TFSearchR(TFCore& core, QWidget* parent = nullptr);

    // Runs req and shows its results (false when the search did not run).
    bool Run(const SearchRequest& req, bool journalSelected);
    // Runs the last search again and returns to the row of the transaction
    // that was current (or the first row of its repeater's instances).
    void Refresh();
    void Locate(int id);
    void JumpClick();
    void CloseClick();
    void ViewClick();
    void EditClick();
    void DeleteClick();
    void ExportClick();

    int CurrentId() const;
    const SearchRequest& LastRequest() const { return m_req; }
    CalDate JumpDate() const { return m_jumpDate; }
    void SetJumpDate(const CalDate& d) { m_jumpDate = d; }
    // The dialog, for "New search" (set by the owner).
    TFSearch* dialog = nullptr;

    QTableView* Grid;
    SearchModel* Model;
    QLabel* CountLbl;
    QAction* CloseItem;
    QAction* RefreshItem;
    QAction* ExportItem;
    QAction* NewSearchItem;
    QAction* FirstItem;
    QAction* LastItem;
    QAction* ScrollUpItem;
    QAction* ScrollDownItem;
    QAction* JumpItem;
    QMenu* Popup;
    QAction* ViewItem;
    QAction* EditItem;
    QAction* DeleteItem;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void GoToRow(int row);
    void JumpTo();

    TFCore& m_core;
    SearchRequest m_req;
    bool m_journal = false;
    CalDate m_jumpDate;
};

// The process-wide search windows, created on first use.
TFSearch& FSearch(TFCore& core);
TFSearchR& FSearchR(TFCore& core);
