// The analysis start dialog "Internal accounts - Movement analysis": the end
// date of the year to analyse and whether categories (recommended) or pots
// are analysed; OK opens the monthly analysis.
#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class QRadioButton;
class TFCore;

class TFanlsys : public QDialog {
public:
    explicit TFanlsys(TFCore& core, QWidget* parent = nullptr);

    // Fills the dates from the settings and shows the dialog (modeless).
    void Show();
    // Opens the analysis when the end date reads as a date; closes the dialog.
    void OKBtnClick();
    TFCore& core() const { return m_core; }

    QLineEdit* EarliestBox;
    QLineEdit* EndDateBox;
    QPushButton* CalBtn;
    QRadioButton* PotsRdio;
    QRadioButton* CtgysRdio;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    TFCore& m_core;
};

// The process-wide start dialog, created on first use.
TFanlsys& Fanlsys(TFCore& core);
