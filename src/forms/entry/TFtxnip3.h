// The transaction entry form "New transaction" / "Edit transaction": the one
// window through which a payment, receipt or transfer is created or changed.
//
// The form is created once and reused; its six account slots, two channels,
// remembered description and posting date survive between openings.  It
// holds the user's choices in an EntryForm (ledger/Entry.h) and leaves the
// checks and the writing to ValidateEntry and CommitEntry; what is here is
// the layout by kind, the colours by mode, the choosers behind the read-only
// account boxes, the date ticks and the small buttons.
#pragma once

#include "ledger/Entry.h"
#include "ledger/Transactions.h"

#include <QColor>
#include <QDialog>
#include <functional>

class Prompter;
class TFCore;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTabWidget;
class QWidget;

// Replacements for the choosers of other windows, for tests: when set, each is
// used instead of Pick, ChooseChannel and ChooseCategory.
struct EntryChoosers {
    std::function<bool(int kind)> pick;                                      // result in PickedObj
    std::function<bool(const ObjRec& account, bool automatic)> channel;      // result in PickedChannel
    std::function<int(int cptyId, char direction, bool automatic)> category; // the category id or 0
};
EntryChoosers& EntryTestChoosers();

class TFtxnip3 : public QDialog {
public:
    TFtxnip3(TFCore& core, QWidget* parent = nullptr);

    // The six entry operations (see forms/Screens.h).
    bool NewTransaction(int& id);
    bool EditRecord(TxnRec& rec);
    int NewForAccount(const ObjRec& account);
    bool NewFromRecord(TxnRec& rec);
    bool NewSweepTransaction(int sourceId, int targetId, Amount amount, const CalDate& date, const QString& narrative);

    // The last transaction added in this run: the template of the next New.
    const TxnRec& LastTxn() const { return m_last; }
    // The slots and choices as they stand.
    const EntryForm& Slots() const { return m_f; }

    // Handlers, as the controls run them.
    void OKBtnClick();
    void PlusMinusClick();
    void DescrBtnClick();
    void ExternalBoxClick();
    void ChannelBtnClick();
    void CounterpartyRowClick();
    void CategoryRowClick();
    void InternalBoxClick();
    void ProviderBtnClick();
    void CashAccountClick();
    void SetCounterparty(const ObjRec& obj);
    void SetCategory(const ObjRec& obj);

    QMenuBar* Menu;
    QLabel* IdCapLbl;
    QLabel* IdLbl;
    QLabel* InstCapLbl;
    QLabel* InstLbl;
    QLabel* DateCapLbl;
    QLabel* DateLbl;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;
    QTabWidget* Pages;
    QWidget* BasicsPage;
    QWidget* CashbackPage;
    QWidget* RepeatPage;

    QGroupBox* TypeGrp;
    QRadioButton* PaytRdio;
    QRadioButton* RcptRdio;
    QRadioButton* TfrRdio;
    QGroupBox* PayTypeGrp;
    QRadioButton* CashRdio;
    QRadioButton* CreditRdio;
    QGroupBox* TfrTypeGrp;
    QCheckBox* ExtChk;
    QCheckBox* IntChk;
    QCheckBox* CheckBox1;
    QLineEdit* TxnDateBox;
    QPushButton* TxnPrevBtn;
    QPushButton* TxnNextBtn;
    QPushButton* TxnCalBtn;
    QWidget* PstgPanel;
    QCheckBox* CheckBox2;
    QLineEdit* PstgDateBox;
    QPushButton* PstgPrevBtn;
    QPushButton* PstgNextBtn;
    QPushButton* PstgCalBtn;
    QLineEdit* AmtBox;
    QPushButton* plusminusbtn;
    QCheckBox* CancdChk;
    QLabel* AccALbl;
    QLineEdit* AccAbox;
    QPushButton* AccAChBtn;
    QLabel* AccBLbl;
    QLineEdit* AccBbox;
    QPushButton* accprovbtn;
    QLabel* AccCLbl;
    QLineEdit* AccCbox;
    QLabel* AccDLbl;
    QLineEdit* AccDbox;
    QLineEdit* DescrBox;
    QPushButton* Button5;
    QLineEdit* refbox;

    QCheckBox* CBChk;
    QLineEdit* CBAccBox;
    QLineEdit* CBAmtBox;

    QCheckBox* RptChk;
    QCheckBox* ActiveChk;
    QRadioButton* DlyBtn;
    QRadioButton* WklyBtn;
    QRadioButton* MthlyBtn;
    QRadioButton* YrlyBtn;
    QSpinBox* IncBox;
    QLineEdit* FromDate;
    QLineEdit* UntilDate;
    QLineEdit* CtBox;
    QLineEdit* RmDaysBox;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool OpenForNew(TxnRec& tmpl, bool keepNarrative = false);
    bool ShowModal(TxnRec& rec);
    void SetupModeN();
    // The Repeat page emptied: no frequency, step 1, no dates, count or reminder.
    void ClearRepeatPage();
    void SetupModeE();
    bool FillForm();
    void ReadSlot(ObjRec& slot, int id);
    void ReadExtChannel(ChannelRec& ch, int chnum, bool markInvalid);
    void PayRcptLayout();
    void TransferLayout();
    void CashCreditRule();
    void RefreshBoxes();
    void Recolour();
    void ColourBox(QWidget* box);
    void KindClicked(char kind);
    void SideToggled(QCheckBox* changed);
    void ActualTicked(bool on);
    void PostingTicked(bool on);
    void StepDate(QLineEdit* box, QChar direction);
    void CalendarFor(QLineEdit* box);
    void FillEmptyPostingBox();
    void CashbackTicked(bool on);
    void RepeatTicked(bool on);
    void SetDescrCaption();
    void ChooseCategoryFor(bool automatic);
    void CategoryPicker();
    bool PickKind(int kind);
    bool PickChannel(const ObjRec& account, bool automatic);
    char Kind() const;
    void ReadControls();

    TFCore& m_core;
    Prompter& m_prompter;
    EntryForm m_f;
    TxnRec m_last;
    QString m_rememberedDescr;
    QString m_rememberedPstgDate;
    QColor m_entryColour;
    bool m_loading = false;
    ObjRec m_cashAccount;
    std::vector<QWidget*> m_boxes;
};

// The process-wide entry form, created on first use.
TFtxnip3& EntryForm3(TFCore& core);
