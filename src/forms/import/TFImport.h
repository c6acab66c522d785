// The statement import window: the preview of a statement file for one
// external account, one row per statement line with its state, which the
// user changes before anything is written.
//
//   New (Alt+N), Skip (Alt+S): the selected lines become new or skipped (a
//     line imported before stays as it is);
//   Counterparty... (Alt+P): the picker's counterparty for the selected new
//     lines, with category and pot proposed from it;
//   New counterparty... (Alt+W): the editor for a new counterparty named
//     after the line's description, then as Counterparty...;
//   Category... (Alt+T): the counterparty's categories for the direction
//     (the picker when there are none or the choice is cancelled), the
//     category's default pot coming with it; Pot... (Alt+O): the picker's
//     pot.  Both change the selected new or skipped lines; a double click on
//     a line's counterparty, category or pot cell does the same;
//   "Mark matched lines reconciled" (Alt+R);
//   Import (Alt+I, Enter) first asks each question the new lines' entry
//     checks raise once, with its count of lines (No skips those lines,
//     Cancel stops), then writes everything in one store transaction and
//     closes the window; Cancel (Esc) writes nothing.
// The Checks column shows a new line's unconfirmed questions ("needs
// confirming: ...", amber) or the refusal of a check ("refused: ...", red,
// left out of the import); it is brought up to date after every change.
#pragma once

#include "ledger/StatementImport.h"

#include <QAbstractTableModel>
#include <QDialog>

class TFCore;
class QCheckBox;
class QLabel;
class QPushButton;
class QTableView;

class ImportLinesModel : public QAbstractTableModel {
public:
    explicit ImportLinesModel(ImportPreview& preview) : m_preview(preview) {}
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    void reload();
    void rowsChanged(int first, int last);

private:
    ImportPreview& m_preview;
};

class TFImport : public QDialog {
public:
    explicit TFImport(TFCore& core);

    // Reads the file and previews it for the account; a CSV file first shows
    // its column mapping (ChooseCsvMapping).  False (the message shown) when
    // the file or account cannot be used, or the mapping was cancelled.
    bool Load(int accountId, const QString& path);
    // Runs the window modally; true when the statement was imported.
    bool Execute();

    ImportPreview& preview() { return m_preview; }

    QLabel* TitleLbl;
    QTableView* LinesGrid;
    QLabel* SummaryLbl;
    QLabel* NoteLbl; // the current line's checks in full
    QPushButton* NewBtn;
    QPushButton* SkipBtn;
    QPushButton* CptyBtn;
    QPushButton* NewCptyBtn;
    QPushButton* CtgyBtn;
    QPushButton* PotBtn;
    QCheckBox* ReconcileChk;
    QPushButton* ImportBtn;
    QPushButton* CancelBtn;

private:
    std::vector<int> SelectedRows() const;
    void SetState(LineState state);
    void ChooseCounterparty(bool create);
    void ChooseCategoryOrPot(bool category);
    void GridDoubleClick(const QModelIndex& index);
    void ImportClick();
    void ShowSummary();
    void ShowNote();
    void Recheck();

    TFCore& m_core;
    ImportPreview m_preview;
    ImportLinesModel* m_model;
};
