// The channel choice "Channels": picks the payment channel of an external
// account whenever one is chosen, or hands back its default channel.
#pragma once

#include "ledger/Channels.h"
#include "ledger/Objects.h"

#include <QDialog>

class QLabel;
class QListWidget;
class QMenu;
class QMenuBar;
class QPushButton;
class TFCore;

class TFChannels : public QDialog {
public:
    TFChannels(TFCore& core, QWidget* parent = nullptr);

    // The automatic-choice switch: on, an account without channels of its own
    // takes the default channel without the window showing.  On at start.
    bool automaticChoice = true;

    // The choice for account; true with result filled, false (result
    // untouched) for Cancel or an account that is not an external account.
    bool Choose(const ObjRec& account, ChannelRec& result);
    // The window for account, without showing it (Choose's steps 1 to 3).
    void Load(const ObjRec& account);
    void OKBtnClick();
    void NewClick();

    QMenuBar* Menu;
    QAction* NewItem;
    QAction* CloseItem;
    QLabel* AccLbl;
    QPushButton* AccBtn;
    QListWidget* ChList;
    QMenu* Popup;
    QAction* ViewItem;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    TFCore& Core() const { return m_core; }

private:
    TFCore& m_core;
    ObjRec m_account;
    ChannelRec m_result;
};
