// Ids carried by list rows, and the helpers that list boxes, combo boxes and
// grids share.
//
// A row of a list box, combo box or grid carries a TIntObj: the id of what the
// row shows (first integer) and, where a screen needs it, a second value.  The
// object lives in the row's item data (role kRowObjRole), so removing or
// clearing rows releases it with the row.  "None" is -1 throughout: no row, no
// selection, or a row without an object.
#pragma once

#include <QMetaType>
#include <QString>
#include <cstdint>

class QComboBox;
class QPushButton;
class QWidget;
class QListWidget;
class QTableView;
class QTableWidget;
class QTableWidgetItem;

struct TIntObj {
    std::int32_t first = 0;
    std::int32_t second = 0;
};
Q_DECLARE_METATYPE(TIntObj)

// The item data role that holds a row's TIntObj.
constexpr int kRowObjRole = 0x0100 + 77; // Qt::UserRole + 77

// List boxes.
// Appends a row showing text and carrying (first, second).
void AddListRow(QListWidget* list, const QString& text, int first, int second = 0);
// The object of row i; false when the row or its object is missing.
bool ListRowObj(const QListWidget* list, int row, TIntObj& obj);
// The first integer of row i, or -1.
int ListRowInt(const QListWidget* list, int row);
// The first integer of the selected (current) row, or -1.
int ListSelectedInt(const QListWidget* list);
// The second integer of the selected row, or -1.
int ListSelectedInt2(const QListWidget* list);
// The text of the selected row; empty when none is selected.
QString ListSelectedText(const QListWidget* list);
// Selects the first row whose first integer is value; no change when none is.
// Returns whether a row was found.
bool ListSelectInt(QListWidget* list, int value);
// Removes every row with its object.
void ClearList(QListWidget* list);

// Combo boxes: the same, with the current item as the selected row.
void AddComboRow(QComboBox* combo, const QString& text, int first, int second = 0);
bool ComboRowObj(const QComboBox* combo, int row, TIntObj& obj);
int ComboRowInt(const QComboBox* combo, int row);
int ComboSelectedInt(const QComboBox* combo);
int ComboSelectedInt2(const QComboBox* combo);
QString ComboSelectedText(const QComboBox* combo);
bool ComboSelectInt(QComboBox* combo, int value);
void ClearCombo(QComboBox* combo);

// Grids: the object sits on the row's first cell (created empty when missing).
void SetGridRowInt(QTableWidget* grid, int row, int first, int second = 0);
// The first integer attached to the row, or -1.
int GridRowInt(const QTableWidget* grid, int row);
bool GridRowObj(const QTableWidget* grid, int row, TIntObj& obj);
// Swaps every cell of two rows, objects included.
void SwapGridRows(QTableWidget* grid, int rowA, int rowB);
// Empties every cell and drops every object; the rows, columns and headers stay.
void ClearGrid(QTableWidget* grid);

// For each of the first 41 visible columns, the width becomes that of the
// longest of its header text and the text of each of its rows.
void AutoSizeColumns(QTableView* view);
// Keeps up to nine rows visible above the current row (below when below is
// true), scrolling the view as needed, and leaves the current row visible.
void ShowNear(QTableView* view, bool below = false);

// A read-only grid: no editing, no vertical header, fixed row heights (so a
// long list scrolls without measuring rows), whole-row or single-cell
// selection, and a context menu asked for by the window.
void SetupReadOnlyGrid(QTableView* grid, bool wholeRows = true);
// A cell that can be selected but not edited, aligned as given (vertically
// centred).
QTableWidgetItem* ReadOnlyCell(const QString& text, bool alignRight = false);

// A push button named name (its object name) that Enter does not press unless
// it is made the default, with hint as its tooltip when given.
QPushButton* MakeButton(const QString& name, const QString& text, QWidget* parent, const QString& hint = QString());
