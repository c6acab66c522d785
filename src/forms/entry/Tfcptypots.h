// The counterparty categories window "Counterparty Categories": the
// categories already used with one counterparty in one direction of trade
// ("Purchase from" / "Sale to"), on the pages "Preferred", "Hidden" and
// "Closed".  Opened modally by the entry form to choose a category
// (ChooseCategory) and modelessly from the balances view to browse
// (ShowForCounterparty).  The lists and link changes are in
// ledger/CptyCategories.h.
#pragma once

#include "ledger/CptyCategories.h"
#include "ledger/Objects.h"

#include <QDialog>

class TFCore;
class QAction;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;

class Tfcptypots : public QDialog {
public:
    explicit Tfcptypots(TFCore& core, QWidget* parent = nullptr);

    // Loads the pair and, for choosing, runs modally: the chosen category id,
    // or 0.
    int Choose(int cptyId, char direction);
    // Loads the counterparty for browsing (direction by its CptyPays flag)
    // and shows the window modelessly.
    void Browse(int cptyId);

    // Rebuilds the three lists for (counterparty, direction) and shows the
    // "Preferred" page.
    void Load(int cptyId, char direction);
    char Direction() const { return m_direction; }
    int Result() const { return m_result; }

    // Commands, as the controls run them.
    void SelectClick();
    void OtherBtnClick();
    void HideClick();
    void UnhideClick();
    void SetDefaultClick();
    void HideallClick();
    void ListTxnsClick();
    void ViewDetailsClick();
    void CloseAccountClick();
    void CloseClick();

    QLabel* CptyLbl;
    QRadioButton* PurchRdio;
    QRadioButton* SaleRdio;
    QTabWidget* Pages;
    QListWidget* PrefList;
    QListWidget* HiddenList;
    QListWidget* ClosedList;
    QPushButton* OtherBtn;
    QAction* CloseItem;
    QAction* HideallItem;
    QMenu* Popup;
    QAction* SelectItem;
    QAction* HideItem;
    QAction* UnhideItem;
    QAction* SetDefaultItem;
    QAction* ListTxnsItem;
    QAction* ViewDetailsItem;
    QAction* CloseAccItem;

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QListWidget* FrontList() const;
    int SelectedId() const;
    void EnableCommands();
    void Reload() { Load(m_cpty.Id, m_direction); }

    TFCore& m_core;
    ObjRec m_cpty;
    char m_direction = 'P';
    int m_result = 0;
    int m_single = 0;
    bool m_choosing = false;
};
