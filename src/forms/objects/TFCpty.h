// The counterparty editor "Counterparty details - New" / "Counterparty details
// - Edit": payee and/or payer ticks, dormant lock, and the "Ext accounts" tab
// listing the external accounts the counterparty provides, with the one used
// as its credit account marked "default".
#pragma once

#include "forms/objects/ObjEditor.h"

class QMenu;
class QTableWidget;

class TFCpty : public ObjEditor {
public:
    TFCpty(TFCore& core, QWidget* parent = nullptr);

    void UseAsDefaultClick();

    QGroupBox* TypeGrp;
    QCheckBox* PayeeChk;
    QCheckBox* PayerChk;
    QWidget* AccountsTab;
    QTableWidget* AccountsGrid;
    QLabel* AccountsNoteLbl;
    QMenu* AccountsPopup;
    QAction* DetailsItem;
    QAction* PostingsItem;
    QAction* UseDefaultItem;

protected:
    int GroupKind() const override { return 9; }
    QString Caption() const override;
    void LoadExtra() override;
    bool ReadExtra(ObjectEdit& edit) override;
    bool AskClose(CalDate& date) override;

private:
    void LoadAccounts();
    int SelectedAccount() const;
};
