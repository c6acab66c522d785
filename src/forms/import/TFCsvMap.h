// The column mapping of a CSV statement: shown when a CSV file is opened for
// import, pre-filled with the mapping remembered for the account (or the one
// guessed from the file), with the first lines of the file read under the
// choices as they change.
//
//   Separator (Alt+S), Header line (Alt+H), Date (Alt+D),
//   Date format (Alt+F), Amount (Alt+A), Decimal mark (Alt+K), Money out
//   (Alt+O), Money in (Alt+I), Payee (Alt+P), Memo (Alt+M), Reference
//   (Alt+R): the choices; Preview (Alt+V): the first lines as they will be
//   read, a cell that does not read shown in red.
//   OK (Enter) checks the whole file under the choices, remembers them in the
//   account's section of the settings file and goes on; Cancel (Esc)
//   abandons the import.
#pragma once

#include "ledger/Statement.h"

#include <QDialog>

class TFCore;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTableWidget;

class TFCsvMap : public QDialog {
public:
    explicit TFCsvMap(TFCore& core);

    // Shows text (of the file fileName, for external account accountId) with
    // mapping; true on OK, mapping then holds the choices (remembered).
    bool Execute(int accountId, const QString& fileName, const QString& text, CsvMapping& mapping);

    // The mapping the controls hold now.
    CsvMapping Mapping() const;

    QComboBox* SeparatorCombo;
    QCheckBox* HeaderChk;
    QComboBox* DateCombo;
    QComboBox* FormatCombo;
    QComboBox* AmountCombo;
    QComboBox* DecimalCombo;
    QComboBox* DebitCombo;
    QComboBox* CreditCombo;
    QComboBox* PayeeCombo;
    QComboBox* MemoCombo;
    QComboBox* RefCombo;
    QTableWidget* PreviewGrid;
    QLabel* StatusLbl;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

private:
    void Show(const CsvMapping& mapping);
    void FillColumnCombos(const CsvMapping& mapping);
    void Refresh();
    void OKBtnClick();

    TFCore& m_core;
    int m_accountId = 0;
    QString m_fileName;
    QString m_text;
    bool m_filling = false;
};
