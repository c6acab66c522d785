// The period dialog "Period ": chooses the balance period (BalFrom to BalAt)
// that the rebalance summarises.
//
// The dialog edits two working dates, start and end, copied from the
// settings when it is shown.  The period type (current year so far, rolling
// year to today, custom) decides which controls are usable; the customise
// buttons move the working dates; OK stores them and marks the balances stale,
// after which the caller runs the rebalance.  The date rules themselves are
// the plain functions of ledger/Balances.h.  Questions, text inputs and the
// calendar go through the Prompter given to the dialog.
#pragma once

#include "base/Dates.h"

#include <QDialog>

class Prompter;
class TFCore;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;

class TFRebal : public QDialog {
public:
    TFRebal(TFCore& core, Prompter& prompter, QWidget* parent = nullptr);

    // Loads the dialog from the settings (FormShow) and runs it modally.
    // True when it was closed with OK, also when the future-date question was
    // answered No (the settings then stay as they were).
    bool Execute();

    // Copies BalFrom/BalAt into the working dates and selects the button of
    // PeriodType; selecting a different button applies it.
    void FormShow();

    // The working dates and the financial-year label as shown.
    CalDate StartDate() const { return m_start; }
    CalDate EndDate() const { return m_end; }
    QString YearLabel() const { return m_label; }
    // The period type of the checked button (0 custom, 1, 2).
    int CheckedPeriodType() const;

    // Actions, as the controls run them.
    void ApplyPeriodType(int type);
    void WholeYrBtnClick();
    void YrFromBtnClick();
    void YrToBtnClick();
    void AllBtnClick();
    void EnterFromBtnClick();
    void EnterToBtnClick();
    void PrevYrBtnClick();
    void NextYrBtnClick();
    void RefreshBtnClick();
    void YrStartBtnClick();
    void OKBtnClick();

    QGroupBox* PeriodTypeGrp;
    QRadioButton* CurYrRdio;
    QRadioButton* RollYrRdio;
    QRadioButton* CustomRdio;
    QFrame* DatesPanel;
    QLabel* FromLbl;
    QLabel* ToLbl;
    QLabel* FromDateLbl;
    QLabel* ToDateLbl;
    QLabel* FinYrLbl;
    QLabel* FinYrValLbl;
    QLabel* YrStartLbl;
    QPushButton* YrStartBtn;
    QPushButton* RefreshBtn;
    QCheckBox* AutoRefreshChk;
    QGroupBox* CustomiseGrp;
    QPushButton* WholeYrBtn;
    QPushButton* YrFromBtn;
    QPushButton* YrToBtn;
    QPushButton* AllBtn;
    QPushButton* EnterFromBtn;
    QPushButton* EnterToBtn;
    QPushButton* PrevYrBtn;
    QPushButton* NextYrBtn;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void ShowDates();
    void SetPeriod(const CalDate& from, const CalDate& to, const QString& label);

    TFCore& m_core;
    Prompter& m_prompter;
    CalDate m_start;
    CalDate m_end;
    QString m_label;
};

// The process-wide period dialog (created on first use with the core's
// prompter), shown modally: true when it was closed with OK.  The caller then
// runs the rebalance.
bool ShowPeriodDialog(TFCore& core);
