// List, combo-box and grid helpers over TIntObj row objects.
#include "forms/ListHelpers.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QFontMetrics>
#include <QHeaderView>
#include <QListWidget>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTableWidget>
#include <QVariant>
#include <algorithm>

namespace {

bool ObjFrom(const QVariant& v, TIntObj& obj) {
    if (!v.isValid() || !v.canConvert<TIntObj>())
        return false;
    obj = v.value<TIntObj>();
    return true;
}

QVariant ObjVariant(int first, int second) {
    return QVariant::fromValue(TIntObj{first, second});
}

} // namespace

// ---- list boxes

void AddListRow(QListWidget* list, const QString& text, int first, int second) {
    auto* item = new QListWidgetItem(text);
    item->setData(kRowObjRole, ObjVariant(first, second));
    list->addItem(item);
}

bool ListRowObj(const QListWidget* list, int row, TIntObj& obj) {
    const QListWidgetItem* item = row >= 0 ? list->item(row) : nullptr;
    return item && ObjFrom(item->data(kRowObjRole), obj);
}

int ListRowInt(const QListWidget* list, int row) {
    TIntObj obj;
    return ListRowObj(list, row, obj) ? obj.first : -1;
}

int ListSelectedInt(const QListWidget* list) {
    return ListRowInt(list, list->currentRow());
}

int ListSelectedInt2(const QListWidget* list) {
    TIntObj obj;
    return ListRowObj(list, list->currentRow(), obj) ? obj.second : -1;
}

QString ListSelectedText(const QListWidget* list) {
    const QListWidgetItem* item = list->currentRow() >= 0 ? list->item(list->currentRow()) : nullptr;
    return item ? item->text() : QString();
}

bool ListSelectInt(QListWidget* list, int value) {
    for (int i = 0; i < list->count(); ++i) {
        if (ListRowInt(list, i) == value) {
            list->setCurrentRow(i);
            return true;
        }
    }
    return false;
}

void ClearList(QListWidget* list) {
    list->clear();
}

// ---- combo boxes

void AddComboRow(QComboBox* combo, const QString& text, int first, int second) {
    combo->addItem(text);
    combo->setItemData(combo->count() - 1, ObjVariant(first, second), kRowObjRole);
}

bool ComboRowObj(const QComboBox* combo, int row, TIntObj& obj) {
    if (row < 0 || row >= combo->count())
        return false;
    return ObjFrom(combo->itemData(row, kRowObjRole), obj);
}

int ComboRowInt(const QComboBox* combo, int row) {
    TIntObj obj;
    return ComboRowObj(combo, row, obj) ? obj.first : -1;
}

int ComboSelectedInt(const QComboBox* combo) {
    return ComboRowInt(combo, combo->currentIndex());
}

int ComboSelectedInt2(const QComboBox* combo) {
    TIntObj obj;
    return ComboRowObj(combo, combo->currentIndex(), obj) ? obj.second : -1;
}

QString ComboSelectedText(const QComboBox* combo) {
    return combo->currentIndex() >= 0 ? combo->itemText(combo->currentIndex()) : QString();
}

bool ComboSelectInt(QComboBox* combo, int value) {
    for (int i = 0; i < combo->count(); ++i) {
        if (ComboRowInt(combo, i) == value) {
            combo->setCurrentIndex(i);
            return true;
        }
    }
    return false;
}

void ClearCombo(QComboBox* combo) {
    combo->clear();
}

// ---- grids

void SetGridRowInt(QTableWidget* grid, int row, int first, int second) {
    if (row < 0 || row >= grid->rowCount() || grid->columnCount() == 0)
        return;
    QTableWidgetItem* item = grid->item(row, 0);
    if (!item) {
        item = new QTableWidgetItem;
        grid->setItem(row, 0, item);
    }
    item->setData(kRowObjRole, ObjVariant(first, second));
}

bool GridRowObj(const QTableWidget* grid, int row, TIntObj& obj) {
    if (row < 0 || row >= grid->rowCount() || grid->columnCount() == 0)
        return false;
    const QTableWidgetItem* item = grid->item(row, 0);
    return item && ObjFrom(item->data(kRowObjRole), obj);
}

int GridRowInt(const QTableWidget* grid, int row) {
    TIntObj obj;
    return GridRowObj(grid, row, obj) ? obj.first : -1;
}

void SwapGridRows(QTableWidget* grid, int rowA, int rowB) {
    if (rowA == rowB || rowA < 0 || rowB < 0 || rowA >= grid->rowCount() || rowB >= grid->rowCount())
        return;
    for (int c = 0; c < grid->columnCount(); ++c) {
        QTableWidgetItem* a = grid->takeItem(rowA, c);
        QTableWidgetItem* b = grid->takeItem(rowB, c);
        if (b)
            grid->setItem(rowA, c, b);
        if (a)
            grid->setItem(rowB, c, a);
    }
}

void ClearGrid(QTableWidget* grid) {
    grid->clearContents();
}

// ---- item views

void AutoSizeColumns(QTableView* view) {
    QAbstractItemModel* model = view->model();
    if (!model)
        return;
    const QFontMetrics cellMetrics(view->font());
    const QFontMetrics headMetrics(view->horizontalHeader()->font());
    const int margin = 2 * view->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, view) + 8;
    const int columns = std::min(model->columnCount(), 41);
    const int rows = model->rowCount();
    for (int c = 0; c < columns; ++c) {
        if (view->isColumnHidden(c))
            continue;
        int width = headMetrics.horizontalAdvance(model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString());
        for (int r = 0; r < rows; ++r)
            width = std::max(width, cellMetrics.horizontalAdvance(model->index(r, c).data(Qt::DisplayRole).toString()));
        view->setColumnWidth(c, width + margin);
    }
}

void ShowNear(QTableView* view, bool below) {
    QAbstractItemModel* model = view->model();
    const QModelIndex current = view->currentIndex();
    if (!model || !current.isValid())
        return;
    const int rows = model->rowCount();
    const int target = below ? std::min(rows - 1, current.row() + 9) : std::max(0, current.row() - 9);
    view->scrollTo(model->index(target, current.column()), QAbstractItemView::EnsureVisible);
    view->scrollTo(current, QAbstractItemView::EnsureVisible);
}

void SetupReadOnlyGrid(QTableView* grid, bool wholeRows) {
    grid->setSelectionBehavior(wholeRows ? QAbstractItemView::SelectRows : QAbstractItemView::SelectItems);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    grid->setContextMenuPolicy(Qt::CustomContextMenu);
}

QTableWidgetItem* ReadOnlyCell(const QString& text, bool alignRight) {
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsSelectable | Qt::ItemIsEnabled);
    item->setTextAlignment((alignRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    return item;
}

QPushButton* MakeButton(const QString& name, const QString& text, QWidget* parent, const QString& hint) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setAutoDefault(false);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}
