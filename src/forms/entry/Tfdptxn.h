// The transaction display "Transaction details": one transaction, or one
// repeater master, in full, with the commands that open its accounts, their
// postings, its channel and its repeater's instances, and those that change
// it (Edit, Repeat, New), which all go through the entry form or the ledger
// core.
//
// One window for the run, modeless; each Show replaces its content with a
// copy of the record, which does not follow changes made elsewhere until
// "Refresh".  The texts come from ledger/TxnDisplay.h.
#pragma once

#include "ledger/Transactions.h"
#include "ledger/TxnDisplay.h"

#include <QDialog>
#include <array>

class TFCore;
class QAction;
class QGroupBox;
class QLabel;
class QPushButton;

class Tfdptxn : public QDialog {
public:
    explicit Tfdptxn(TFCore& core, QWidget* parent = nullptr);

    // Reads transaction id and shows it; a missing id is reported ("txn not
    // found <id>") and the window stays as it was.  False then.
    bool ShowTxn(int id);
    // Shows a copy of rec (a repeater master from the repeaters list).
    void ShowRecord(const TxnRec& rec);
    const TxnRec& Displayed() const { return m_txn; }

    // Commands, as the menu and buttons run them.
    void RefreshClick();
    void EditClick();
    void EdMasterBtnClick();
    void RepeatClick();
    void NewClick();
    void AccNameClick(int row);
    void PstgsBtnClick(int row);
    void ChLblClick();
    void dpinstsbtnClick();

    QAction* CloseItem;
    QAction* RefreshItem;
    QAction* EditItem;
    QAction* RepeatItem;
    QAction* NewItem;

    QLabel* IdCapLbl;
    QLabel* IdLbl;
    QLabel* TxnDateLbl;
    QLabel* PstgDateLbl;
    QLabel* Label12;
    QLabel* TxnTypeLbl;
    QLabel* AmtLbl;
    QLabel* NarrLbl;
    QPushButton* ChLbl;
    std::array<QLabel*, 4> RowCapLbl;
    QPushButton* AccAName;
    QPushButton* AccBName;
    QPushButton* AccCName;
    QPushButton* AccDName;
    QPushButton* accApstgsbtn;
    QPushButton* accBpstgsbtn;
    QPushButton* accCpstgsbtn;
    QPushButton* accDpstgsbtn;
    QLabel* CreatedTSLbl;

    QGroupBox* RptGrp;
    QLabel* RptLbl;
    QLabel* RptFrom;
    QLabel* RptTo;
    QLabel* RptCt;
    QLabel* MasterIdLbl;
    QPushButton* dpinstsbtn;
    QLabel* GentoLbl;
    QLabel* RmLbl;
    QPushButton* EdMasterBtn;

private:
    void Present();
    std::array<QPushButton*, 4> names() const { return {AccAName, AccBName, AccCName, AccDName}; }
    std::array<QPushButton*, 4> pstgBtns() const { return {accApstgsbtn, accBpstgsbtn, accCpstgsbtn, accDpstgsbtn}; }

    TFCore& m_core;
    TxnRec m_txn;
    TxnDisplay m_shown;
};
