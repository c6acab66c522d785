// The find-account dialog "Find <KIND>": lists the objects of one kind whose
// name matches a text, on three pages (active, dormant, closed), and hands
// the chosen one back in PickedObj.  It also offers the kind's default
// object, makes the selected object the default, and creates a new object
// when nothing matches.  The matching and the pages are FindAccounts of
// ledger/AccountList.h.
#pragma once

#include "ledger/AccountList.h"
#include "ledger/Objects.h"

#include <QDialog>

class QAction;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TFCore;

class TFinpacc : public QDialog {
public:
    TFinpacc(TFCore& core, QWidget* parent = nullptr);

    // Opens for the kind proposing lookFor's name; true when an object was
    // chosen (PickedObj holds it).
    bool Execute(int kind, const ObjRec& lookFor);

    void SearchBtnClick();
    void NewSearch();
    void SelectBtnClick();
    void DefaultBtnClick();
    void NewBtnClick();
    void MakeDefaultClick();

    QMenuBar* MainMenu;
    QAction* NewSearchItem;
    QAction* CloseItem;
    QLabel* CurrentLbl;
    QPushButton* DetailsBtn;
    QRadioButton* ExactRdio;
    QRadioButton* StartsRdio;
    QRadioButton* ContainsRdio;
    QLineEdit* SearchBox;
    QPushButton* SearchBtn;
    QPushButton* SelectBtn;
    QPushButton* DefaultBtn;
    QPushButton* NewBtn;
    QPushButton* CancelBtn;
    QTabWidget* Pages;
    QListWidget* ActivesList;
    QListWidget* DormantsList;
    QListWidget* ClosedList;
    QMenu* Popup;
    QAction* SelectPop;
    QAction* MakeDefaultPop;
    QAction* DetailsPop;

private:
    NameMatch Rule() const;
    void SetDefaultHint();
    void SetSearching(bool searching);
    int SelectedId() const;

    TFCore& m_core;
    int m_kind = 0;
    ObjRec m_lookFor;
};
