// The channel details window "Channel details": shows one channel ('D'),
// edits it ('E') or creates one for an external account ('N'), and deletes
// a channel no transaction uses.  Modeless when showing, modal when creating.
#pragma once

#include "ledger/Objects.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class TFCore;

class TFChDets : public QDialog {
public:
    TFChDets(TFCore& core, QWidget* parent = nullptr);

    // Loads channel chnum in state 'D'; false (after "Channel <n> not found")
    // when there is no such channel.
    bool LoadChannel(int chnum);
    // Loads a new channel of accountId in state 'N'; false when the account
    // cannot be read.
    bool LoadNew(int accountId);
    void SetState(char state);
    char State() const { return m_state; }
    int Chnum() const { return m_chnum; }

    void OKBtnClick();
    void NewClick();
    void EditClick();
    void DeleteClick();
    // Cancel, "Close" and Escape.
    void reject() override;

protected:
    // Closing the window by any other means discards the pending changes.
    void closeEvent(QCloseEvent* event) override;

public:
    QMenuBar* Menu;
    QAction* CloseItem;
    QAction* NewItem;
    QAction* EditItem;
    QAction* DeleteItem;
    QLabel* IdLbl;
    QLabel* IdValLbl;
    QLineEdit* AccBox;
    QLineEdit* NameBox;
    QPlainTextEdit* NoteMemo;
    QComboBox* StatusBox;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    TFCore& Core() const { return m_core; }

private:
    void BlankNew();
    TFCore& m_core;
    char m_state = 'D';
    int m_chnum = 0;
    ObjRec m_account;
};
