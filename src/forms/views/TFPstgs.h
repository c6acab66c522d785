// The postings view "Postings - <kind>": the postings of one account, in
// Postings style (one line per posting) or Statement style (grouped by day
// with the day's closing balance), for all dates, the balance period, or from
// its start.  It is where an account is reconciled against a statement, and
// from where transactions are viewed, amended, cancelled, re-dated, deleted,
// swept and given another category or pot.
//
// The rows and their figures come from ledger/PostingsList; the model here
// only holds them and asks for a row's texts while it is painted, so a list
// of a hundred thousand postings opens and scrolls without a query per row.
// One window, created on first use and reused for whichever account it is
// asked to show.
#pragma once

#include "ledger/PostingsList.h"

#include <QAbstractTableModel>
#include <QMainWindow>

class Prompter;
class TFCore;
class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;
class QTableView;

// The rows of a postings list as a table model.  Columns in the grid's order.
class PostingsModel : public QAbstractTableModel {
public:
    enum Column {
        cDate,
        cTxnId,
        cType,
        cChRef,
        cExtAcc,
        cContra,
        cPot,
        cPlus,
        cMinus,
        cRunBal,
        cReconciled,
        cDescription,
        cRef,
        cColumns
    };
    using QAbstractTableModel::QAbstractTableModel;

    void setList(PostingsList list);
    const PostingsList& list() const { return m_list; }
    PostingsList& listForUpdate();
    void setDescriptionTitle(const QString& title);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const PostingCells& cells(int row) const;

    PostingsList m_list;
    QString m_descriptionTitle = QStringLiteral("Ctgy : Description");
    mutable int m_cachedRow = -1; // a row's texts are asked for once per column while painted
    mutable PostingCells m_cached;
};

class TFPstgs : public QMainWindow {
public:
    TFPstgs(TFCore& core, Prompter& prompter, QWidget* parent = nullptr);

    // The three ways of opening; each shows the window and restores it when
    // minimised.  Open does nothing for an id below 1.
    void Open(int accountId);
    void OpenAtTxn(int accountId, int txnId);
    void OpenAtDate(int accountId, const QString& dateText);

    // The full refresh and the refresh that keeps the current transaction.
    void FullRefresh();
    // Stores the running balances that the list computed and shows but that
    // were not stored yet, at most maxRows of them (all when 0).  Done on its
    // own after the first paint of the rows, kBalancesPerTurn per turn of the
    // event loop (StoreSomeBalances), and in full before anything reads them.
    void StoreBalances(std::size_t maxRows = 0);
    static constexpr std::size_t kBalancesPerTurn = 16384;
    void RefreshKeepingPosition();
    // Jumps by the Position choice.
    void Jump();

    PostingsModel* model() const { return m_model; }
    // The current row (-1 when none) and the selected rows in order.
    int CurrentRow() const;
    std::vector<int> SelectedRows() const;
    void SetCurrentRow(int row);

    // Commands.
    void ExportClick();
    void PrintClick();
    void SumClick();
    void AssignClick(bool pot);
    void TransactClick();
    void ViewClick();
    void EditClick();
    void PostingDateClick();
    void PostingReconciledClick();
    void BalanceReconciledClick();
    void SweepClick();
    void StoreSomeBalances();
    void CancelTxnClick();
    void DeleteTxnClick();
    void AutoFitClick();
    void AccountDetailsClick();
    void PeriodDetailsClick();
    // Sets the popup's ticks for the current row (without running them).
    void PreparePopup();

    QLabel* AccountLbl;
    QPushButton* AccountBtn;
    QRadioButton* AllRdio;
    QRadioButton* PeriodPlusRdio;
    QRadioButton* PeriodRdio;
    QPushButton* PeriodBtn;
    QRadioButton* PostingsRdio;
    QRadioButton* StatementRdio;
    QLabel* ChannelLbl;
    QComboBox* ChannelCombo;
    QRadioButton* FirstRdio;
    QRadioButton* LastRdio;
    QRadioButton* NowRdio;
    QRadioButton* BalDateRdio;
    QRadioButton* LastReconRdio;
    QRadioButton* SpecifiedRdio;
    QLineEdit* JumpDateBox;
    QPushButton* GoBtn;
    QPushButton* ArrowBtn;
    QTableView* Grid = nullptr; // made after the jump date box, which is filtered too
    QLabel* TotalsLbl = nullptr;
    QLabel* PlusTotalLbl;
    QLabel* MinusTotalLbl;
    QLabel* NetTotalLbl;
    QLabel* StatusLbl;

    QAction* CloseItem;
    QAction* ClipboardItem;
    QAction* PrinterItem;
    QAction* RefreshItem;
    QAction* TxnIdItem;
    QAction* TypeItem;
    QAction* RefItem;
    QAction* PotNameItem;
    QAction* AutoFitItem;
    QAction* TransactItem;
    QAction* ImportItem; // "Import statement..." (external accounts)
    QAction* SumItem;
    QAction* AssignCtgyItem;
    QAction* AssignPotItem;
    QAction* DiaryItem;
    QMenu* Popup;
    QAction* ViewItem;
    QAction* EditItem;
    QAction* PostingDateItem;
    QAction* PostingReconItem;
    QAction* BalanceReconItem;
    QAction* SweepItem;
    QAction* CancelTxnItem;
    QAction* DeleteTxnItem;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void LoadAccount(int accountId);
    void FillChannels();
    PostingsOptions Options() const;
    void SetColumns();
    void AlignTotals();
    void PositionOn(int row);
    void ColumnSwitch(bool& setting, QAction* item);
    const PostingRow* CurrentPosting() const;
    QString Caption() const;

    TFCore& m_core;
    Prompter& m_prompter;
    PostingsModel* m_model;
    int m_accountId = 0;
    ObjRec m_account;
    bool m_guard = false;       // ticks being set: their commands do nothing
    bool m_storeQueued = false; // StoreBalances is due after the paint
};

// The one postings view, created on first use.
TFPstgs& FPstgs(TFCore& core);
