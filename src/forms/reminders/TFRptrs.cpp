#include "forms/reminders/TFRptrs.h"

#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"
#include "ledger/Repeaters.h"

#include <QAction>
#include <QActionGroup>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QShortcut>
#include <QStatusBar>
#include <QTableWidget>

namespace {

enum Column {
    ColId,
    ColFreq,
    ColType,
    ColAmount,
    ColAcc1,
    ColAcc2,
    ColAcc3,
    ColActive,
    ColStart,
    ColEnd,
    ColAcc4,
    ColCount
};

QTableWidgetItem* Cell(const QString& text, Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
    QTableWidgetItem* item = ReadOnlyCell(text);
    item->setTextAlignment(align);
    return item;
}

} // namespace

TFRptrs::TFRptrs(TFCore& core, QWidget* parent) : QMainWindow(parent), m_core(core) {
    setObjectName(QStringLiteral("FRptrs"));
    setWindowTitle(QStringLiteral("Repeating transactions"));

    Grid = new QTableWidget(0, ColCount, this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setHorizontalHeaderLabels({QStringLiteral("id"), QStringLiteral("freq"), QStringLiteral("txn type"),
                                     QStringLiteral("amount"), QStringLiteral("accname1"), QStringLiteral("accname2"),
                                     QStringLiteral("accname3"), QStringLiteral("dprptactive"),
                                     QStringLiteral("startdate"), QStringLiteral("enddate"),
                                     QStringLiteral("accname4")});
    SetupReadOnlyGrid(Grid);
    setCentralWidget(Grid);
    FooterLbl = new QLabel(this);
    FooterLbl->setObjectName(QStringLiteral("FooterLbl"));
    statusBar()->addWidget(FooterLbl);

    CloseItem = menuBar()->addAction(QStringLiteral("Close"));
    RefreshItem = menuBar()->addAction(QStringLiteral("Refresh"));
    FilterMenu = menuBar()->addMenu(QStringLiteral("FILTER"));
    auto* group = new QActionGroup(this);
    ActiveItem = FilterMenu->addAction(QStringLiteral("Active"));
    AllItem = FilterMenu->addAction(QStringLiteral("All"));
    for (QAction* a : {ActiveItem, AllItem}) {
        a->setCheckable(true);
        group->addAction(a);
    }
    ActiveItem->setChecked(true);

    Popup = new QMenu(this);
    DetailsItem = Popup->addAction(QStringLiteral("Details"));
    InstancesItem = Popup->addAction(QStringLiteral("Instances"));
    DeleteItem = Popup->addAction(QStringLiteral("Delete"));

    connect(CloseItem, &QAction::triggered, this, &QWidget::close);
    connect(RefreshItem, &QAction::triggered, this, &TFRptrs::Refresh);
    connect(ActiveItem, &QAction::triggered, this, &TFRptrs::Rebuild);
    connect(AllItem, &QAction::triggered, this, &TFRptrs::Rebuild);
    connect(DetailsItem, &QAction::triggered, this, &TFRptrs::DetailsClick);
    connect(InstancesItem, &QAction::triggered, this, &TFRptrs::InstancesClick);
    connect(DeleteItem, &QAction::triggered, this, &TFRptrs::DeleteClick);
    connect(Grid, &QTableWidget::cellDoubleClicked, this, [this] { DetailsClick(); });
    connect(Grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (CurrentId() == 0)
            return;
        InstancesItem->setEnabled(ScreenBuilt(Screen::Search));
        DetailsItem->setEnabled(ScreenBuilt(Screen::Display));
        Popup->popup(Grid->viewport()->mapToGlobal(pos));
    });
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);
    // The keyboard's way to the row popup.
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_Menu), Grid);
    connect(menuKey, &QShortcut::activated, this, [this] {
        if (CurrentId() == 0)
            return;
        InstancesItem->setEnabled(ScreenBuilt(Screen::Search));
        DetailsItem->setEnabled(ScreenBuilt(Screen::Display));
        const QRect r = Grid->visualRect(Grid->currentIndex());
        Popup->popup(Grid->viewport()->mapToGlobal(r.bottomLeft()));
    });
    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), Grid);
    connect(enter, &QShortcut::activated, this, &TFRptrs::DetailsClick);
    resize(820, 360);
}

void TFRptrs::Show() {
    show();
    raise();
    activateWindow();
    Rebuild();
}

void TFRptrs::Rebuild() {
    FilterMenu->setTitle(ActiveItem->isChecked() ? QStringLiteral("FILTER") : QStringLiteral("Filter"));
    ListRepeaters(m_core, ActiveItem->isChecked(), m_rows);
    Grid->setUpdatesEnabled(false);
    Grid->setRowCount(0);
    Grid->setRowCount(int(m_rows.size()));
    const auto right = Qt::AlignRight | Qt::AlignVCenter;
    for (int i = 0; i < int(m_rows.size()); ++i) {
        const RepeaterRow& r = m_rows[size_t(i)];
        Grid->setItem(i, ColId, Cell(QString::number(r.Id), Qt::AlignCenter));
        Grid->setItem(i, ColFreq, Cell(r.Freq));
        Grid->setItem(i, ColType, Cell(r.TxnType));
        Grid->setItem(i, ColAmount, Cell(r.AmtText, right));
        Grid->setItem(i, ColAcc1, Cell(r.AccName1));
        Grid->setItem(i, ColAcc2, Cell(r.AccName2));
        Grid->setItem(i, ColAcc3, Cell(r.AccName3));
        Grid->setItem(i, ColActive, Cell(r.Active));
        Grid->setItem(i, ColStart, Cell(r.StartDate));
        Grid->setItem(i, ColEnd, Cell(r.EndDate));
        Grid->setItem(i, ColAcc4, Cell(r.AccName4));
    }
    Grid->resizeColumnsToContents();
    Grid->setUpdatesEnabled(true);
    if (!m_rows.empty())
        Grid->setCurrentCell(0, ColId);
    FooterLbl->setText(QString::number(m_rows.size()) + QStringLiteral(" items  "));
}

int TFRptrs::CurrentId() const {
    const int row = Grid->currentRow();
    return (row >= 0 && row < int(m_rows.size())) ? m_rows[size_t(row)].Id : 0;
}

void TFRptrs::LocateId(int id) {
    // Without the row the search runs to the end of the list.
    int row = int(m_rows.size()) - 1;
    for (int i = 0; i < int(m_rows.size()); ++i)
        if (m_rows[size_t(i)].Id == id) {
            row = i;
            break;
        }
    if (row >= 0)
        Grid->setCurrentCell(row, ColId);
}

void TFRptrs::Refresh() {
    const int id = CurrentId();
    Rebuild();
    if (id > 0)
        LocateId(id);
}

void TFRptrs::DetailsClick() {
    RptrRec rptr;
    if (CurrentId() == 0 || !ScreenBuilt(Screen::Display) || !ReadRepeater(m_core, CurrentId(), rptr))
        return;
    ShowTxnRecord(m_core, TxnFromRepeater(rptr));
}

void TFRptrs::InstancesClick() {
    if (CurrentId() > 0 && ScreenBuilt(Screen::Search))
        ListInstances(m_core, CurrentId(), 0);
}

void TFRptrs::DeleteClick() {
    const int row = Grid->currentRow();
    const int id = CurrentId();
    if (id == 0)
        return;
    const int nextId = row + 1 < int(m_rows.size()) ? m_rows[size_t(row + 1)].Id : 0;
    if (!DeleteRepeaterAsked(m_core, id))
        return;
    Rebuild();
    LocateId(nextId);
}

TFRptrs& FRptrs(TFCore& core) {
    static QPointer<TFRptrs> window;
    if (window && &window->core() != &core)
        delete window.data(); // made for a core that has gone
    if (!window) {
        window = new TFRptrs(core);
        window->setAttribute(Qt::WA_DeleteOnClose, false);
        RegisterForm(window);
    }
    return *window;
}
