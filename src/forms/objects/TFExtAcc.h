// The external account editor "External account details": an account that
// holds real money, with its provider (the counterparty the account is held
// with), designation, opening balance balanced in the opening-balance pot,
// allow ticks, reconciled date, dormant/closed line and its payment channels.
#pragma once

#include "forms/objects/ObjEditor.h"

class QListWidget;

class TFExtAcc : public ObjEditor {
public:
    TFExtAcc(TFCore& core, QWidget* parent = nullptr);

    void ProvBtnClick();
    void GenerateBtnClick();
    void AddChannelClick();
    void ViewChannelClick();
    void DeleteChannelClick();

    QLineEdit* DesigBox;
    QLabel* DisplayLbl;
    QLineEdit* ProvBox;
    QPushButton* ProvBtn;
    QPushButton* ProvClearBtn;
    QPushButton* ProvViewBtn;
    QPushButton* GenerateBtn;
    QLineEdit* OpeningBox;
    QLabel* OpeningDateLbl;
    QLabel* StatusLbl;
    QLineEdit* ReconciledBox;
    QWidget* ChannelsTab;
    QListWidget* ChannelList;
    QPushButton* AddChannelBtn;
    QPushButton* ViewChannelBtn;
    QPushButton* DeleteChannelBtn;

protected:
    int GroupKind() const override { return 8; }
    QString Caption() const override { return QStringLiteral("External account details"); }
    void LoadExtra() override;
    bool ReadExtra(ObjectEdit& edit) override;

private:
    void ShowProvider();
    void LoadChannels();
    int m_provider = 0;
    QString m_providerName;
};
