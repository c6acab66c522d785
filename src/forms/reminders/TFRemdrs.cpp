#include "forms/reminders/TFRemdrs.h"

#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QTableWidget>

TFRemdrs::TFRemdrs(TFCore& core, QWidget* parent) : QMainWindow(parent), m_core(core) {
    setObjectName(QStringLiteral("FRemdrs"));
    setWindowTitle(QStringLiteral("Reminders"));

    Grid = new QTableWidget(0, 3, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setHorizontalHeaderLabels(
        {QStringLiteral("Rem date"), QStringLiteral("Txn date"), QStringLiteral("Reminder text")});
    SetupReadOnlyGrid(Grid);
    const int dateWidth = fontMetrics().horizontalAdvance(QStringLiteral("0000-00-00")) + 16;
    Grid->setColumnWidth(0, dateWidth);
    Grid->setColumnWidth(1, dateWidth);
    Grid->setColumnWidth(2, fontMetrics().averageCharWidth() * 60);
    Grid->horizontalHeader()->setStretchLastSection(true);
    setCentralWidget(Grid);

    CloseItem = menuBar()->addAction(QStringLiteral("Close"));
    NewItem = menuBar()->addAction(QStringLiteral("New"));
    FilterMenu = menuBar()->addMenu(QStringLiteral("FILTER"));
    auto* group = new QActionGroup(this);
    CurrentItem = FilterMenu->addAction(QStringLiteral("View current"));
    AllItem = FilterMenu->addAction(QStringLiteral("View all"));
    for (QAction* a : {CurrentItem, AllItem}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    CurrentItem->setChecked(true);

    Popup = new QMenu(this);
    ViewTxnItem = Popup->addAction(QStringLiteral("View transaction"));
    DeleteItem = Popup->addAction(QStringLiteral("Delete reminder"));

    connect(CloseItem, &QAction::triggered, this, &QWidget::close);
    connect(NewItem, &QAction::triggered, this, &TFRemdrs::NewClick);
    connect(CurrentItem, &QAction::triggered, this, &TFRemdrs::Refresh);
    connect(AllItem, &QAction::triggered, this, &TFRemdrs::Refresh);
    connect(ViewTxnItem, &QAction::triggered, this, &TFRemdrs::ViewTxnClick);
    connect(DeleteItem, &QAction::triggered, this, &TFRemdrs::DeleteClick);
    connect(Grid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { ShowPopup(Grid->viewport()->mapToGlobal(pos)); });
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_Menu), Grid);
    connect(menuKey, &QShortcut::activated, this,
            [this] { ShowPopup(Grid->viewport()->mapToGlobal(Grid->visualRect(Grid->currentIndex()).bottomLeft())); });
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);
    resize(640, 300);
}

void TFRemdrs::ShowPopup(const QPoint& global) {
    const int row = CurrentRow();
    if (row < 0)
        return;
    ViewTxnItem->setEnabled(m_rows[size_t(row)].Txnid > 0 && ScreenBuilt(Screen::Display));
    Popup->popup(global);
}

int TFRemdrs::CurrentRow() const {
    const int row = Grid->currentRow();
    return (row >= 0 && row < int(m_rows.size())) ? row : -1;
}

void TFRemdrs::Refresh() {
    FilterMenu->setTitle(CurrentItem->isChecked() ? QStringLiteral("FILTER") : QStringLiteral("Filter"));
    ListReminders(m_core, CurrentItem->isChecked(), m_rows);
    Grid->setRowCount(0);
    Grid->setRowCount(int(m_rows.size()));
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const ReminderRow& r = m_rows[size_t(i)];
        Grid->setItem(i, 0, ReadOnlyCell(CalToDateStrOrEmpty(IntToCal(r.Rmdate))));
        Grid->setItem(i, 1, ReadOnlyCell(CalToDateStrOrEmpty(IntToCal(r.Tgdate))));
        Grid->setItem(i, 2, ReadOnlyCell(r.Text));
    }
    if (!m_rows.empty())
        Grid->setCurrentCell(0, 0);
}

void TFRemdrs::StartUp() {
    CurrentItem->setChecked(true);
    Refresh();
    if (m_rows.empty())
        return;
    if (RemoveDanglingReminders(m_core, m_rows) > 0)
        Refresh();
    show();
}

void TFRemdrs::Show() {
    show();
    raise();
    activateWindow();
    Refresh();
}

void TFRemdrs::NewClick() {
    if (NewReminder(m_core))
        Refresh();
}

void TFRemdrs::ViewTxnClick() {
    const int row = CurrentRow();
    if (row >= 0 && m_rows[size_t(row)].Txnid > 0 && ScreenBuilt(Screen::Display))
        ShowTransaction(m_core, m_rows[size_t(row)].Txnid);
}

void TFRemdrs::DeleteClick() {
    const int row = CurrentRow();
    if (row >= 0 && DeleteReminderAsked(m_core, m_rows[size_t(row)].Id))
        Refresh();
}

namespace {
QPointer<TFRemdrs> g_remdrs;
}

TFRemdrs* FRemdrsIfMade() {
    return g_remdrs.data();
}

TFRemdrs& FRemdrs(TFCore& core) {
    QPointer<TFRemdrs>& window = g_remdrs;
    if (window && &window->core() != &core)
        delete window.data(); // made for a core that has gone
    if (!window) {
        window = new TFRemdrs(core);
        RegisterForm(window);
    }
    return *window;
}
