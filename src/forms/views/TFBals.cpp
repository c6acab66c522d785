// The balances view; see TFBals.h.
#include "forms/views/TFBals.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"
#include "forms/TFRebal.h"
#include "ledger/Balances.h"
#include "ledger/Closing.h"

#include <QAction>
#include <QActionGroup>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QShortcut>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <set>

// ---- the model ---------------------------------------------------------------

void BalancesModel::SetRows(const std::vector<BalancesRow>& rows) {
    beginResetModel();
    m_rows = rows;
    endResetModel();
}

int BalancesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

int BalancesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant BalancesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return {};
    const int c = index.column();
    if (role == Qt::TextAlignmentRole)
        return c >= ColBfd && c <= ColBalance ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                              : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const BalancesRow& r = m_rows[std::size_t(index.row())];
    switch (c) {
    case ColDpname:
        return r.dpname;
    case ColGroup:
        return r.pottype2;
    case ColWarning:
        return r.balwng;
    case ColReconciled:
        return r.reconciled;
    case ColBfd:
        return FormatAmount64(r.bfd, true);
    case ColPayts:
        return FormatAmount64(r.pdpayts, true);
    case ColRcpts:
        return FormatAmount64(r.pdrcpts, true);
    case ColTfrs:
        return FormatAmount64(r.pdtfrs, true);
    case ColNet:
        return FormatAmount64(r.net, true);
    case ColBalance:
        return FormatAmount64(r.cfd, true);
    case ColStatus:
        return r.dormant2;
    case ColLastPosted:
        return r.lpdatedp;
    default:
        return {};
    }
}

QVariant BalancesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[ColumnCount] = {
        "Group : Account", "Group?", "",        "Reconciled",       "B/fd",       "Payments", "Receipts",
        "Transfers",       "Net",    "Balance", "Status in period", "Last posted"};
    return section >= 0 && section < ColumnCount ? QString::fromLatin1(titles[section]) : QVariant();
}

int BalancesModel::WidthChars(int column) {
    static const int widths[ColumnCount] = {35, 9, 3, 10, 16, 16, 16, 16, 16, 16, 21, 10};
    return column >= 0 && column < ColumnCount ? widths[column] : 10;
}

// ---- the window ----------------------------------------------------------------

namespace {

QPointer<TFBals> g_bals;
void DeleteBals() {
    delete g_bals.data();
}

QLabel* TotalLabel(QWidget* parent, const char* name) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return l;
}

QToolButton* ToolButton(QWidget* parent, const char* name, const QString& text, const QString& hint) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(text);
    if (!hint.isEmpty())
        b->setToolTip(hint);
    return b;
}

} // namespace

TFBals::TFBals(TFCore& core, QWidget* parent) : QMainWindow(parent), m_core(core), m_list(core) {
    setObjectName(QStringLiteral("FBals"));
    setWindowTitle(m_list.Caption());

    // Menus.
    QMenuBar* bar = menuBar();
    CloseItem = bar->addAction(QStringLiteral("&Close"));
    BackItem = bar->addAction(QStringLiteral("&Back"));
    RefreshItem = bar->addAction(QStringLiteral("&Refresh"));
    QMenu* display = bar->addMenu(QStringLiteral("Display"));
    QMenu* sequence = display->addMenu(QStringLiteral("Sequence"));
    SeqNameItem = sequence->addAction(QStringLiteral("Name"));
    SeqAmountItem = sequence->addAction(QStringLiteral("Amount"));
    auto* seqGroup = new QActionGroup(this);
    for (QAction* a : {SeqNameItem, SeqAmountItem}) {
        a->setCheckable(true);
        seqGroup->addAction(a);
    }
    SeqNameItem->setChecked(true);
    ExpandAllItem = display->addAction(QStringLiteral("Expand all"));
    CollapseAllItem = display->addAction(QStringLiteral("Collapse all"));
    FitItem = display->addAction(QStringLiteral("Fit column widths"));
    QMenu* filter = bar->addMenu(QStringLiteral("&Filter"));
    ActiveItem = filter->addAction(QStringLiteral("Active (in period)"));
    AvailableItem = filter->addAction(QStringLiteral("Available (in period)"));
    RecentsItem = filter->addAction(QStringLiteral("Recents (relative to Today)"));
    AllItem = filter->addAction(QStringLiteral("All (including closed)"));
    auto* filterGroup = new QActionGroup(this);
    for (QAction* a : {ActiveItem, AvailableItem, RecentsItem, AllItem}) {
        a->setCheckable(true);
        filterGroup->addAction(a);
    }
    AvailableItem->setChecked(true);
    QMenu* exportMenu = bar->addMenu(QStringLiteral("E&xport"));
    ClipboardItem = exportMenu->addAction(QStringLiteral("to Clipboard"));
    PrinterItem = exportMenu->addAction(QStringLiteral("to Printer"));
    SearchItem = bar->addAction(QStringLiteral("Search"));
    QMenu* newMenu = bar->addMenu(QStringLiteral("&New"));
    NewAccountItem = newMenu->addAction(QStringLiteral("Account"));
    NewGroupItem = newMenu->addAction(QStringLiteral("Group"));
    QMenu* regroup = bar->addMenu(QStringLiteral("Regroup"));
    RegroupSelItem = regroup->addAction(QStringLiteral("Regroup selection"));
    RegroupAllItem = regroup->addAction(QStringLiteral("Regroup all"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->setSpacing(3);

    // Top line: period, values, the common path and the filter.
    auto* top = new QHBoxLayout;
    PeriodBtn = new QPushButton(central);
    PeriodBtn->setObjectName(QStringLiteral("PeriodBtn"));
    PeriodBtn->setAutoDefault(false);
    ShowValuesBtn = new QPushButton(QStringLiteral("Show values"), central);
    ShowValuesBtn->setObjectName(QStringLiteral("ShowValuesBtn"));
    ShowValuesBtn->setAutoDefault(false);
    ShowValuesBtn->setToolTip(QStringLiteral("Show Movement / Balance figures for this period"));
    PathLbl = new QLabel(central);
    PathLbl->setObjectName(QStringLiteral("PathLbl"));
    PathLbl->setTextFormat(Qt::PlainText);
    PathBtn = ToolButton(central, "PathBtn", QStringLiteral("..."), QStringLiteral("View  Group details"));
    FilterLbl = new QLabel(central);
    FilterLbl->setObjectName(QStringLiteral("FilterLbl"));
    FilterLbl->setTextFormat(Qt::PlainText);
    UpBtn = ToolButton(central, "UpBtn", QString(), QStringLiteral("Scroll up"));
    UpBtn->setArrowType(Qt::UpArrow);
    DownBtn = ToolButton(central, "DownBtn", QString(), QStringLiteral("Scroll down"));
    DownBtn->setArrowType(Qt::DownArrow);
    top->addWidget(PeriodBtn);
    top->addWidget(ShowValuesBtn);
    top->addSpacing(12);
    top->addWidget(PathLbl, 1);
    top->addWidget(PathBtn);
    top->addSpacing(12);
    top->addWidget(FilterLbl);
    top->addWidget(UpBtn);
    top->addWidget(DownBtn);
    layout->addLayout(top);

    // The grid: fixed row heights, no sorting or filtering in the view.
    Grid = new QTableView(central);
    Grid->setObjectName(QStringLiteral("Grid"));
    Model = new BalancesModel(Grid);
    Grid->setModel(Model);
    SetupReadOnlyGrid(Grid);
    Grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Grid->horizontalHeader()->setHighlightSections(false);
    // Widths in average characters, never narrower than their titles.
    const QFontMetrics cells = Grid->fontMetrics(), heads(Grid->horizontalHeader()->font());
    const int charWidth = cells.averageCharWidth();
    for (int c = 0; c < BalancesModel::ColumnCount; ++c) {
        const QString title = Model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
        Grid->setColumnWidth(c,
                             std::max(BalancesModel::WidthChars(c) * charWidth, heads.horizontalAdvance(title)) + 12);
    }
    Grid->installEventFilter(this);
    layout->addWidget(Grid, 1);

    // Totals line: the find box, then each total under its column.
    TotalsPanel = new QWidget(central);
    TotalsPanel->setObjectName(QStringLiteral("TotalsPanel"));
    FindBox = new QLineEdit(TotalsPanel);
    FindBox->setObjectName(QStringLiteral("FindBox"));
    FindBox->installEventFilter(this);
    ClearBtn = ToolButton(TotalsPanel, "ClearBtn", QStringLiteral("x"), QString());
    ClearBtn->setFocusPolicy(Qt::NoFocus);
    CountLbl = TotalLabel(TotalsPanel, "CountLbl");
    CountLbl->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    BfdTotLbl = TotalLabel(TotalsPanel, "BfdTotLbl");
    PaytsTotLbl = TotalLabel(TotalsPanel, "PaytsTotLbl");
    RcptsTotLbl = TotalLabel(TotalsPanel, "RcptsTotLbl");
    TfrsTotLbl = TotalLabel(TotalsPanel, "TfrsTotLbl");
    NetTotLbl = TotalLabel(TotalsPanel, "NetTotLbl");
    BalTotLbl = TotalLabel(TotalsPanel, "BalTotLbl");
    TotalsPanel->setFixedHeight(FindBox->sizeHint().height() + 4);
    layout->addWidget(TotalsPanel);
    setCentralWidget(central);

    // Popup.
    Popup = new QMenu(this);
    DrillItem = Popup->addAction(QStringLiteral("Drill-down Group"));
    ExpandItem = Popup->addAction(QStringLiteral("Expand Group"));
    CollapseItem = Popup->addAction(QStringLiteral("Collapse Group"));
    Popup->addSeparator();
    CategoriesItem = Popup->addAction(QStringLiteral("Categories"));
    PostingsItem = Popup->addAction(QStringLiteral("Postings"));
    ImportItem = Popup->addAction(QStringLiteral("Import statement..."));
    DetailsItem = Popup->addAction(QStringLiteral("Details"));
    Popup->addSeparator();
    SweepItem = Popup->addAction(QStringLiteral("Sweep"));
    ClosePopItem = Popup->addAction(QStringLiteral("Close"));
    DeleteItem = Popup->addAction(QStringLiteral("Delete"));

    // Commands whose screens are not built stay disabled.
    const bool editors = ScreenBuilt(Screen::Editors);
    NewAccountItem->setEnabled(editors);
    NewGroupItem->setEnabled(editors);
    RegroupSelItem->setEnabled(editors);
    RegroupAllItem->setEnabled(editors);
    SearchItem->setEnabled(ScreenBuilt(Screen::AccountSearch));
    ClipboardItem->setEnabled(ScreenBuilt(Screen::Clipboard));

    connect(CloseItem, &QAction::triggered, this, &QWidget::close);
    connect(BackItem, &QAction::triggered, this, &TFBals::BackClick);
    connect(RefreshItem, &QAction::triggered, this, &TFBals::RefreshClick);
    connect(SeqNameItem, &QAction::triggered, this, [this] { SetSequence(BalSequence::Name); });
    connect(SeqAmountItem, &QAction::triggered, this, [this] { SetSequence(BalSequence::Amount); });
    connect(ExpandAllItem, &QAction::triggered, this, &TFBals::ExpandAllClick);
    connect(CollapseAllItem, &QAction::triggered, this, &TFBals::CollapseAllClick);
    connect(FitItem, &QAction::triggered, this, &TFBals::FitColumnsClick);
    connect(ActiveItem, &QAction::triggered, this, [this] { SetFilter(BalFilter::Active); });
    connect(AvailableItem, &QAction::triggered, this, [this] { SetFilter(BalFilter::Available); });
    connect(RecentsItem, &QAction::triggered, this, [this] { SetFilter(BalFilter::Recents); });
    connect(AllItem, &QAction::triggered, this, [this] { SetFilter(BalFilter::All); });
    connect(ClipboardItem, &QAction::triggered, this, &TFBals::ExportClick);
    connect(PrinterItem, &QAction::triggered, this, &TFBals::PrintClick);
    connect(SearchItem, &QAction::triggered, this, &TFBals::SearchClick);
    connect(NewAccountItem, &QAction::triggered, this, &TFBals::NewAccountClick);
    connect(NewGroupItem, &QAction::triggered, this, &TFBals::NewGroupClick);
    connect(RegroupSelItem, &QAction::triggered, this, [this] { RegroupClick(false); });
    connect(RegroupAllItem, &QAction::triggered, this, [this] { RegroupClick(true); });
    connect(PeriodBtn, &QPushButton::clicked, this, &TFBals::PeriodClick);
    connect(ShowValuesBtn, &QPushButton::clicked, this, &TFBals::ShowValuesClick);
    connect(PathBtn, &QToolButton::clicked, this, &TFBals::GroupDetailsClick);
    connect(UpBtn, &QToolButton::clicked, this, [this] { ShowNear(Grid, false); });
    connect(DownBtn, &QToolButton::clicked, this, [this] { ShowNear(Grid, true); });
    connect(ClearBtn, &QToolButton::clicked, this, [this] {
        FindBox->clear();
        FindBox->setFocus();
    });
    connect(FindBox, &QLineEdit::textChanged, this, &TFBals::FindBoxChange);
    connect(DrillItem, &QAction::triggered, this, &TFBals::DrillDownClick);
    connect(ExpandItem, &QAction::triggered, this, &TFBals::ExpandGroupClick);
    connect(CollapseItem, &QAction::triggered, this, &TFBals::CollapseGroupClick);
    connect(CategoriesItem, &QAction::triggered, this, &TFBals::CategoriesClick);
    connect(ImportItem, &QAction::triggered, this, [this] {
        const int r = CurrentRow();
        if (r >= 0 && Model->Row(r).type == otExtAcc)
            ImportStatement(m_core, Model->Row(r).id);
    });
    connect(PostingsItem, &QAction::triggered, this, &TFBals::PostingsClick);
    connect(DetailsItem, &QAction::triggered, this, &TFBals::DetailsClick);
    connect(SweepItem, &QAction::triggered, this, &TFBals::SweepClick);
    connect(ClosePopItem, &QAction::triggered, this, &TFBals::CloseAccountClick);
    connect(DeleteItem, &QAction::triggered, this, &TFBals::DeleteClick);
    connect(Grid, &QTableView::doubleClicked, this, &TFBals::RowActivated);
    connect(Grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        UpdatePopup();
        Popup->popup(Grid->viewport()->mapToGlobal(pos));
    });
    connect(Grid->horizontalHeader(), &QHeaderView::sectionResized, this, [this] { LayoutTotals(); });
    connect(Grid->horizontalScrollBar(), &QAbstractSlider::valueChanged, this, [this] { LayoutTotals(); });
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);

    setTabOrder(PeriodBtn, ShowValuesBtn);
    setTabOrder(ShowValuesBtn, PathBtn);
    setTabOrder(PathBtn, Grid);
    setTabOrder(Grid, FindBox);
    resize(1000, 560);
    RegisterForm(this);
}

TFBals& FBals(TFCore& core) {
    if (!g_bals) {
        g_bals = new TFBals(core);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteBals);
            registered = true;
        }
    }
    return *g_bals;
}

void OpenBalances(TFCore& core, int kind) {
    FBals(core).Open(kind);
}

void OpenBalancesInGroup(TFCore& core, int groupId, int groupKind) {
    FBals(core).OpenInGroup(groupId, groupKind);
}

void TFBals::Open(int kind) {
    if (!m_list.Open(kind))
        return;
    ShowValuesBtn->setVisible(true);
    ShowList(-1);
}

void TFBals::OpenInGroup(int groupId, int groupKind) {
    if (!m_list.OpenInGroup(groupId, groupKind))
        return;
    ShowList(-1);
}

int TFBals::CurrentRow() const {
    const QModelIndex i = Grid->currentIndex();
    return i.isValid() ? i.row() : -1;
}

int TFBals::CurrentId() const {
    const int r = CurrentRow();
    return r >= 0 ? Model->Row(r).id : 0;
}

void TFBals::ShowList(int row) {
    setUpdatesEnabled(false);
    Model->SetRows(m_list.rows());
    setWindowTitle(m_list.Caption());
    PeriodBtn->setText(m_list.PeriodCaption());
    FilterLbl->setText(m_list.FilterLabel());
    PathLbl->setText(m_list.PathLabel());
    PathBtn->setEnabled(m_list.currentGroup() != 0 && ScreenBuilt(Screen::Editors));
    BackItem->setEnabled(m_list.currentGroup() != 0);

    const bool bal = m_list.BalancesVisible(), mov = m_list.MovementsVisible();
    Grid->setColumnHidden(BalancesModel::ColBfd, !bal);
    Grid->setColumnHidden(BalancesModel::ColBalance, !bal);
    for (int c : {BalancesModel::ColPayts, BalancesModel::ColRcpts, BalancesModel::ColNet})
        Grid->setColumnHidden(c, !mov);
    Grid->setColumnHidden(BalancesModel::ColTfrs, !m_list.TransfersVisible());
    Grid->setColumnHidden(BalancesModel::ColWarning, !m_list.FlagColumnsVisible());
    Grid->setColumnHidden(BalancesModel::ColReconciled, !m_list.FlagColumnsVisible());

    const BalancesTotals& t = m_list.totals();
    BfdTotLbl->setText(FormatAmount64(t.bfd, true));
    PaytsTotLbl->setText(FormatAmount64(t.payts, true));
    RcptsTotLbl->setText(FormatAmount64(t.rcpts, true));
    TfrsTotLbl->setText(FormatAmount64(t.tfrs, true));
    NetTotLbl->setText(FormatAmount64(t.net, true));
    BalTotLbl->setText(FormatAmount64(t.bal, true));
    CountLbl->setText(QString::number(t.count) + QStringLiteral(" items  "));
    GoToRow(row);
    setUpdatesEnabled(true);
    LayoutTotals();
    if (!isVisible())
        show();
    raise();
    activateWindow();
}

void TFBals::GoToRow(int row) {
    if (Model->rowCount() == 0)
        return;
    if (row < 0 || row >= Model->rowCount())
        row = 0;
    Grid->clearSelection();
    Grid->setCurrentIndex(Model->index(row, 0));
    Grid->scrollTo(Model->index(row, 0));
}

void TFBals::RebuildAt(int id) {
    m_list.Rebuild();
    ShowList(m_list.RowOfId(id));
}

void TFBals::LayoutTotals() {
    // Each total sits under its column; hidden columns hide their totals.
    const int x0 = Grid->geometry().x() - TotalsPanel->geometry().x() + Grid->frameWidth();
    const int h = TotalsPanel->height() - 4;
    auto place = [&](QWidget* w, int column) {
        const bool shown = !Grid->isColumnHidden(column);
        w->setVisible(shown);
        if (shown)
            w->setGeometry(x0 + Grid->columnViewportPosition(column), 2, Grid->columnWidth(column) - 4, h);
    };
    place(BfdTotLbl, BalancesModel::ColBfd);
    place(PaytsTotLbl, BalancesModel::ColPayts);
    place(RcptsTotLbl, BalancesModel::ColRcpts);
    place(TfrsTotLbl, BalancesModel::ColTfrs);
    place(NetTotLbl, BalancesModel::ColNet);
    place(BalTotLbl, BalancesModel::ColBalance);
    // The find box and the count share the name column's width.
    const int nameWidth = std::max(Grid->columnWidth(BalancesModel::ColDpname), 200);
    const int boxWidth = nameWidth - h - 80;
    FindBox->setGeometry(x0, 2, std::max(boxWidth, 60), h);
    ClearBtn->setGeometry(x0 + std::max(boxWidth, 60), 2, h, h);
    CountLbl->setGeometry(x0 + std::max(boxWidth, 60) + h + 4, 2, 76, h);
}

void TFBals::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    LayoutTotals();
    FindBox->setFocus();
}

void TFBals::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    LayoutTotals();
}

bool TFBals::eventFilter(QObject* watched, QEvent* event) {
    if ((watched == Grid || watched == FindBox) && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            RowActivated();
            return true;
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            // While typing in the find box the arrows still move the list.
            if (watched == FindBox) {
                QKeyEvent copy(key->type(), key->key(), key->modifiers());
                QCoreApplication::sendEvent(Grid, &copy);
                return true;
            }
            break;
        default:
            break;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFBals::SetFilter(BalFilter filter) {
    m_list.filter = filter;
    QAction* item = filter == BalFilter::Active      ? ActiveItem
                    : filter == BalFilter::Available ? AvailableItem
                    : filter == BalFilter::Recents   ? RecentsItem
                                                     : AllItem;
    item->setChecked(true);
    RebuildAt(CurrentId());
}

void TFBals::SetSequence(BalSequence sequence) {
    m_list.sequence = sequence;
    (sequence == BalSequence::Name ? SeqNameItem : SeqAmountItem)->setChecked(true);
    RebuildAt(CurrentId());
}

void TFBals::BackClick() {
    if (m_list.currentGroup() == 0)
        return;
    const int left = m_list.Back();
    ShowList(m_list.RowOfId(left));
}

void TFBals::RefreshClick() {
    RebuildAt(CurrentId());
}

void TFBals::ShowValuesClick() {
    const int id = CurrentId();
    ShowValuesBtn->setVisible(false);
    m_list.ShowValues();
    ShowList(m_list.RowOfId(id));
}

void TFBals::PeriodClick() {
    if (ShowPeriodDialog(m_core)) {
        Rebalance(m_core);
        m_core.refreshControl();
        RebuildAt(CurrentId());
    } else {
        Grid->setFocus();
    }
}

void TFBals::DrillDownClick() {
    const int r = CurrentRow();
    if (r < 0 || !Model->Row(r).isGroup())
        return;
    m_list.DrillDown(Model->Row(r).id);
    ShowList(-1);
}

void TFBals::ExpandGroupClick() {
    const int r = CurrentRow();
    if (r < 0 || !Model->Row(r).isGroup())
        return;
    const int group = Model->Row(r).id;
    if (m_list.ExpandGroup(group))
        ShowList(m_list.FirstRowInGroup(group));
}

void TFBals::CollapseGroupClick() {
    const int r = CurrentRow();
    if (!m_list.InExpandedGroup(r))
        return;
    const int group = Model->Row(r).grpid;
    if (m_list.CollapseGroup(group))
        ShowList(m_list.RowOfId(group));
}

void TFBals::ExpandAllClick() {
    m_list.ExpandAll();
    ShowList(-1);
}

void TFBals::CollapseAllClick() {
    m_list.TopLevel();
    ShowList(-1);
}

void TFBals::FitColumnsClick() {
    AutoSizeColumns(Grid);
    RebuildAt(CurrentId());
}

void TFBals::NewAccountClick() {
    const int id = NewObject(m_core, m_list.kind(), FindBox->text());
    if (id == 0)
        return;
    const int row = m_list.ShowNewAccount(id);
    if (m_list.filter == BalFilter::All)
        AllItem->setChecked(true);
    ShowList(row);
}

void TFBals::NewGroupClick() {
    const int id = NewObject(m_core, m_list.groupKind());
    if (id == 0)
        return;
    m_list.StampAfresh();
    RebuildAt(id);
}

void TFBals::RegroupClick(bool all) {
    std::vector<std::pair<int, QString>> objects;
    if (all) {
        for (const BalancesRow& r : m_list.rows())
            objects.emplace_back(r.id, r.name);
    } else {
        std::set<int> rows;
        for (const QModelIndex& i : Grid->selectionModel()->selectedRows())
            rows.insert(i.row());
        for (int r : rows)
            objects.emplace_back(Model->Row(r).id, Model->Row(r).name);
    }
    if (objects.empty()) {
        m_core.prompter().InfoAtCursor(QStringLiteral("No account/group selected (use CTRL+Click)"));
        return;
    }
    const int id = CurrentId();
    if (!RegroupObjects(m_core, m_list.groupKind(), objects))
        return;
    m_list.StampAfresh();
    RebuildAt(id);
}

void TFBals::SearchClick() {
    AccountNameSearch(m_core, m_list.kind());
}

void TFBals::CategoriesClick() {
    const int r = CurrentRow();
    if (r >= 0 && Model->Row(r).type == otCpty)
        ShowForCounterparty(m_core, Model->Row(r).id);
}

void TFBals::PostingsClick() {
    const int r = CurrentRow();
    if (r >= 0 && !Model->Row(r).isGroup())
        OpenPostings(m_core, Model->Row(r).id);
}

void TFBals::DetailsClick() {
    const int id = CurrentId();
    if (id != 0 && EditObject(m_core, id))
        RebuildAt(id);
}

void TFBals::GroupDetailsClick() {
    const int id = CurrentId();
    if (m_list.currentGroup() != 0 && EditObject(m_core, m_list.currentGroup())) {
        m_list.ReloadGroup();
        ShowList(m_list.RowOfId(id));
    }
}

void TFBals::SweepClick() {
    const int r = CurrentRow();
    if (r < 0 || !m_list.BalancesVisible())
        return;
    const BalancesRow row = Model->Row(r);
    if (row.type != otPot && row.type != otPgrp)
        return;
    if (!ConfirmSweepToPot(m_core))
        return;
    if (row.type == otPot) {
        if (!FitsAmount(row.cfd))
            return;
        if (!SweepBalance(m_core, row.id, Amount(row.cfd), m_core.settings().BalAt))
            return;
    } else {
        SweepGroup(m_core, row.id);
    }
    RebuildAt(row.id);
}

void TFBals::CloseAccountClick() {
    const int r = CurrentRow();
    if (r < 0)
        return;
    const BalancesRow row = Model->Row(r);
    // A closed row stays listed under All; otherwise the list moves on.
    int back = row.id;
    if (m_list.filter != BalFilter::All && r + 1 < Model->rowCount())
        back = Model->Row(r + 1).id;
    const bool closed = row.isGroup() ? CloseGroup(m_core, row.id) : CloseAccount(m_core, row.id);
    if (closed)
        RebuildAt(back);
}

void TFBals::DeleteClick() {
    const int r = CurrentRow();
    if (r < 0)
        return;
    const int next = r + 1 < Model->rowCount() ? Model->Row(r + 1).id : (r > 0 ? Model->Row(r - 1).id : 0);
    // The deleted row leaves the list at once, so no command can reach it.
    if (DeleteObject(m_core, Model->Row(r).id))
        RebuildAt(next);
}

void TFBals::ExportClick() {
    ExportList(Grid, QStringLiteral("KOVRAL ") + windowTitle() + QStringLiteral("  ") + PeriodBtn->text());
}

void TFBals::PrintClick() {
    // Printing works here: the list goes to the printer through the print dialog.
    PrintList(Grid, QStringLiteral("KOVRAL ") + windowTitle() + QStringLiteral("  ") + PeriodBtn->text());
}

void TFBals::RowActivated() {
    const int r = CurrentRow();
    if (r < 0)
        return;
    if (Model->Row(r).isGroup())
        DrillDownClick();
    else if (ScreenBuilt(Screen::Postings))
        PostingsClick();
}

void TFBals::FindBoxChange(const QString& text) {
    if (Model->rowCount() == 0)
        return;
    int row = m_list.FindRow(text);
    if (row < 0)
        row = Model->rowCount() - 1;
    Grid->setUpdatesEnabled(false);
    Grid->setCurrentIndex(Model->index(row, 0));
    ShowNear(Grid, true);
    Grid->setUpdatesEnabled(true);
}

void TFBals::UpdatePopup() {
    const int r = CurrentRow();
    const bool has = r >= 0;
    const bool group = has && Model->Row(r).isGroup();
    DrillItem->setEnabled(group);
    ExpandItem->setEnabled(group);
    const bool inExpanded = m_list.InExpandedGroup(r);
    CollapseItem->setEnabled(inExpanded);
    QString caption = QStringLiteral("Collapse Group");
    if (inExpanded) {
        ObjRec g;
        if (ReadObj(m_core, Model->Row(r).grpid, g))
            caption += QStringLiteral(" \"") + g.Name + QLatin1Char('"');
    }
    CollapseItem->setText(caption);
    CategoriesItem->setEnabled(has && Model->Row(r).type == otCpty && ScreenBuilt(Screen::CptyCategories));
    PostingsItem->setEnabled(has && !group && ScreenBuilt(Screen::Postings));
    ImportItem->setEnabled(has && Model->Row(r).type == otExtAcc);
    DetailsItem->setEnabled(has && ScreenBuilt(Screen::Editors));
    SweepItem->setEnabled(has && m_list.BalancesVisible() && ScreenBuilt(Screen::Sweeps) &&
                          (Model->Row(r).type == otPot || Model->Row(r).type == otPgrp));
    ClosePopItem->setEnabled(has);
    DeleteItem->setEnabled(has);
}
