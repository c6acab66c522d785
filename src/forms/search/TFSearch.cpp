#include "forms/search/TFSearch.h"

#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Placement.h"
#include "forms/Screens.h"
#include "forms/TFCal.h"
#include "ledger/Repeaters.h"

#include <QAction>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QVBoxLayout>

namespace {

enum Column { ColDate, ColInst, ColType, ColAcc1, ColAcc2, ColAcc3, ColAcc4, ColAmount, ColDesc, ColCount };
// Widths in characters.
const int kWidths[ColCount] = {16, 10, 15, 80, 40, 40, 40, 15, 40};
// Sizing columns to their contents walks every row: only for short lists.
const int kAutoSizeRows = 2000;

} // namespace

// ---- SearchModel -------------------------------------------------------------

int SearchModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColCount;
}

QVariant SearchModel::data(const QModelIndex& index, int role) const {
    const SearchRow* row = rowAt(index);
    if (!row)
        return {};
    const SearchRow& r = *row;
    if (role == Qt::TextAlignmentRole)
        return index.column() == ColAmount ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                           : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ColDate:
        return r.DateText;
    case ColInst:
        return r.InstText;
    case ColType:
        return r.TypeText;
    case ColAcc1:
        return r.Account1;
    case ColAcc2:
        return r.Account2;
    case ColAcc3:
        return r.Account3;
    case ColAcc4:
        return r.Account4;
    case ColAmount:
        return r.AmountText;
    case ColDesc:
        return r.Description;
    }
    return {};
}

QVariant SearchModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const labels[ColCount] = {"Date",      "inst",      "Type",   "Account 1",  "Account 2",
                                                 "Account 3", "Account 4", "Amount", "Description"};
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColCount)
        return QString::fromLatin1(labels[section]);
    return {};
}

// ---- TFSearch ------------------------------------------------------------------

TFSearch::TFSearch(TFCore& core, TFSearchR& results, QWidget* parent)
    : QDialog(parent), m_core(core), m_results(results) {
    setObjectName(QStringLiteral("FSearch"));
    setWindowTitle(QStringLiteral("Transaction Search"));
    auto* group = new QGroupBox(this);
    auto* radios = new QVBoxLayout(group);
    AmountRdio = new QRadioButton(QStringLiteral("Amount"), group);
    IdRdio = new QRadioButton(QStringLiteral("Transaction id"), group);
    TextRdio = new QRadioButton(QStringLiteral("Ref / Description"), group);
    JournalRdio = new QRadioButton(QStringLiteral("All (Journal)"), group);
    CancelledRdio = new QRadioButton(QStringLiteral("Cancelled"), group);
    InstancesRdio = new QRadioButton(QStringLiteral("Instances"), group);
    InstancesRdio->setToolTip(QStringLiteral("Enter master id"));
    for (QRadioButton* r : {AmountRdio, IdRdio, TextRdio, JournalRdio, CancelledRdio, InstancesRdio}) {
        radios->addWidget(r);
        connect(r, &QRadioButton::clicked, this, &TFSearch::ModeClicked);
    }
    AmountRdio->setChecked(true);
    SearchBox = new QLineEdit(this);
    SearchBox->setObjectName(QStringLiteral("SearchBox"));
    SearchBox->setMinimumWidth(fontMetrics().averageCharWidth() * 30);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(group);
    layout->addWidget(SearchBox);
    layout->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, &TFSearch::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

SearchMode TFSearch::CheckedMode() const {
    if (IdRdio->isChecked())
        return SearchMode::TxnId;
    if (TextRdio->isChecked())
        return SearchMode::Text;
    if (JournalRdio->isChecked())
        return SearchMode::Journal;
    if (CancelledRdio->isChecked())
        return SearchMode::Cancelled;
    if (InstancesRdio->isChecked())
        return SearchMode::Instances;
    return SearchMode::Amount;
}

bool TFSearch::JournalSelected() const {
    return JournalRdio->isChecked();
}

void TFSearch::SelectMode(SearchMode mode) {
    switch (mode) {
    case SearchMode::TxnId:
        IdRdio->setChecked(true);
        break;
    case SearchMode::Text:
        TextRdio->setChecked(true);
        break;
    case SearchMode::Journal:
        JournalRdio->setChecked(true);
        break;
    case SearchMode::Cancelled:
        CancelledRdio->setChecked(true);
        break;
    case SearchMode::Instances:
        InstancesRdio->setChecked(true);
        break;
    case SearchMode::Amount:
    case SearchMode::CptyCategory:
        AmountRdio->setChecked(true);
        break;
    }
    SetEnabledColoured(SearchBox, SearchNeedsText(CheckedMode()));
}

void TFSearch::ModeClicked() {
    const bool text = SearchNeedsText(CheckedMode());
    SetEnabledColoured(SearchBox, text);
    if (text)
        SearchBox->setFocus();
}

void TFSearch::OpenSearch() {
    SearchBox->clear();
    SetEnabledColoured(SearchBox, SearchNeedsText(CheckedMode()));
    ShowAtCursor(this);
    raise();
    activateWindow();
    if (SearchNeedsText(CheckedMode()))
        SearchBox->setFocus();
}

void TFSearch::OKBtnClick() {
    SearchRequest req;
    req.mode = CheckedMode();
    req.text = SearchBox->text();
    if (m_results.Run(req, JournalSelected()))
        close();
}

// ---- TFSearchR -----------------------------------------------------------------

TFSearchR::TFSearchR(TFCore& core, QWidget* parent) : QMainWindow(parent), m_core(core) {
    setObjectName(QStringLiteral("FSearchR"));
    setWindowTitle(QStringLiteral("Transaction search results  :  "));
    Model = new SearchModel(this);
    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setModel(Model);
    SetupReadOnlyGrid(Grid);
    const int ch = fontMetrics().averageCharWidth();
    for (int c = 0; c < ColCount; ++c)
        Grid->setColumnWidth(c, std::min(kWidths[c], 30) * ch + 8);
    setCentralWidget(Grid);
    CountLbl = new QLabel(this);
    CountLbl->setObjectName(QStringLiteral("CountLbl"));
    statusBar()->addWidget(CountLbl);

    QMenuBar* bar = menuBar();
    CloseItem = bar->addAction(QStringLiteral("Close"));
    RefreshItem = bar->addAction(QStringLiteral("Refresh"));
    ExportItem = bar->addAction(QStringLiteral("Export"));
    NewSearchItem = bar->addAction(QStringLiteral("New search"));
    FirstItem = bar->addAction(QStringLiteral("First"));
    LastItem = bar->addAction(QStringLiteral("Last"));
    ScrollUpItem = bar->addAction(QStringLiteral("ScrollUp"));
    ScrollDownItem = bar->addAction(QStringLiteral("ScrollDown"));
    JumpItem = bar->addAction(QStringLiteral("Jump"));
    JumpItem->setEnabled(false);

    Popup = new QMenu(this);
    ViewItem = Popup->addAction(QStringLiteral("&View transaction details"));
    ViewItem->setToolTip(QStringLiteral("View/edit transaction details"));
    EditItem = Popup->addAction(QStringLiteral("&Edit transaction"));
    DeleteItem = Popup->addAction(QStringLiteral("&Delete transaction"));
    DeleteItem->setToolTip(QStringLiteral("Delete transaction"));
    Popup->setToolTipsVisible(true);

    connect(CloseItem, &QAction::triggered, this, &TFSearchR::CloseClick);
    connect(RefreshItem, &QAction::triggered, this, &TFSearchR::Refresh);
    connect(ExportItem, &QAction::triggered, this, &TFSearchR::ExportClick);
    connect(NewSearchItem, &QAction::triggered, this, [this] {
        if (dialog)
            dialog->OpenSearch();
    });
    connect(FirstItem, &QAction::triggered, this, [this] { GoToRow(0); });
    connect(LastItem, &QAction::triggered, this, [this] { GoToRow(Model->rowCount() - 1); });
    connect(ScrollUpItem, &QAction::triggered, this, [this] { ShowNear(Grid, false); });
    connect(ScrollDownItem, &QAction::triggered, this, [this] { ShowNear(Grid, true); });
    connect(JumpItem, &QAction::triggered, this, &TFSearchR::JumpClick);
    connect(ViewItem, &QAction::triggered, this, &TFSearchR::ViewClick);
    connect(EditItem, &QAction::triggered, this, &TFSearchR::EditClick);
    connect(DeleteItem, &QAction::triggered, this, &TFSearchR::DeleteClick);
    connect(Grid, &QTableView::doubleClicked, this, &TFSearchR::ViewClick);
    auto popupAt = [this](const QPoint& global) {
        if (CurrentId() == 0)
            return;
        ViewItem->setEnabled(ScreenBuilt(Screen::Display));
        EditItem->setEnabled(ScreenBuilt(Screen::Entry));
        Popup->popup(global);
    };
    connect(Grid, &QWidget::customContextMenuRequested, this,
            [this, popupAt](const QPoint& pos) { popupAt(Grid->viewport()->mapToGlobal(pos)); });
    auto* menuKey = new QShortcut(QKeySequence(Qt::Key_Menu), Grid);
    connect(menuKey, &QShortcut::activated, this, [this, popupAt] {
        popupAt(Grid->viewport()->mapToGlobal(Grid->visualRect(Grid->currentIndex()).bottomLeft()));
    });
    auto* enter = new QShortcut(QKeySequence(Qt::Key_Return), Grid);
    connect(enter, &QShortcut::activated, this, &TFSearchR::ViewClick);
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &TFSearchR::CloseClick);
    resize(1000, 420);
}

int TFSearchR::CurrentId() const {
    const QModelIndex i = Grid->currentIndex();
    return i.isValid() && i.row() < int(Model->rows().size()) ? Model->rows()[size_t(i.row())].Id : 0;
}

void TFSearchR::GoToRow(int row) {
    if (row < 0 || row >= Model->rowCount())
        return;
    Grid->setCurrentIndex(Model->index(row, 0));
    Grid->scrollTo(Model->index(row, 0));
}

bool TFSearchR::Run(const SearchRequest& req, bool journalSelected) {
    std::vector<SearchRow> rows;
    if (!RunSearch(m_core, req, rows))
        return false;
    m_req = req;
    m_journal = journalSelected;
    Model->setRows(std::move(rows));
    GoToRow(Model->rowCount() - 1);
    CountLbl->setText(QString::number(Model->rowCount()) + QStringLiteral(" item(s)  "));
    setWindowTitle(SearchCaption(req));
    show();
    raise();
    activateWindow();
    if (Model->rowCount() <= kAutoSizeRows)
        AutoSizeColumns(Grid);
    JumpItem->setEnabled(req.mode == SearchMode::Journal);
    ExportItem->setEnabled(ScreenBuilt(Screen::Clipboard));
    if (req.mode == SearchMode::Journal)
        JumpTo();
    return true;
}

void TFSearchR::Locate(int id) {
    const int row = LocateSearchRow(Model->rows(), id);
    if (row >= 0) {
        GoToRow(row);
        ShowNear(Grid, true);
    }
}

void TFSearchR::Refresh() {
    const int id = CurrentId();
    if (!Run(m_req, m_journal))
        return;
    if (id > 0)
        Locate(id);
}

void TFSearchR::JumpTo() {
    if (IsNullDate(m_jumpDate)) {
        GoToRow(Model->rowCount() - 1);
        return;
    }
    const int row = JumpSearchRow(Model->rows(), m_jumpDate);
    if (row >= 0) {
        GoToRow(row);
        ShowNear(Grid, true);
    }
}

void TFSearchR::JumpClick() {
    CalDate d = m_jumpDate;
    if (PickDate(d))
        m_jumpDate = d;
    JumpTo();
}

void TFSearchR::CloseClick() {
    close();
}

void TFSearchR::closeEvent(QCloseEvent* event) {
    // Closing the journal remembers where the user was.
    const QModelIndex i = Grid->currentIndex();
    if (m_journal && i.isValid() && i.row() < int(Model->rows().size()))
        m_jumpDate = Model->rows()[size_t(i.row())].Txndate;
    event->accept();
}

void TFSearchR::ViewClick() {
    if (CurrentId() > 0 && ScreenBuilt(Screen::Display))
        ShowTransaction(m_core, CurrentId());
}

void TFSearchR::EditClick() {
    if (CurrentId() > 0 && ScreenBuilt(Screen::Entry) && EditTransactionById(m_core, CurrentId()))
        Refresh();
}

void TFSearchR::DeleteClick() {
    if (CurrentId() > 0)
        DeleteTransaction(m_core, CurrentId()); // the row stays until Refresh
}

void TFSearchR::ExportClick() {
    if (ScreenBuilt(Screen::Clipboard))
        ExportList(Grid, QStringLiteral("KOVRAL ") + windowTitle());
}

// ---- entry points --------------------------------------------------------------

namespace {
QPointer<TFSearchR> g_results;
QPointer<TFSearch> g_dialog;
TFCore* g_core = nullptr;

void Make(TFCore& core) {
    if (g_core != &core) {
        delete g_dialog.data();
        delete g_results.data();
    }
    g_core = &core;
    if (!g_results) {
        g_results = new TFSearchR(core);
        RegisterForm(g_results);
    }
    if (!g_dialog) {
        g_dialog = new TFSearch(core, *g_results);
        RegisterForm(g_dialog);
    }
    g_results->dialog = g_dialog;
}
} // namespace

TFSearch& FSearch(TFCore& core) {
    Make(core);
    return *g_dialog;
}

TFSearchR& FSearchR(TFCore& core) {
    Make(core);
    return *g_results;
}

void OpenSearch(TFCore& core) {
    FSearch(core).OpenSearch();
}

void Journal(TFCore& core) {
    TFSearch& dialog = FSearch(core);
    dialog.SelectMode(SearchMode::Journal);
    SearchRequest req;
    req.mode = SearchMode::Journal;
    if (FSearchR(core).Run(req, true))
        dialog.close();
}

void ListInstances(TFCore& core, int masterId, int currentId) {
    SearchRequest req;
    req.mode = SearchMode::Instances;
    req.text = QString::number(masterId);
    TFSearchR& results = FSearchR(core);
    if (results.Run(req, FSearch(core).JournalSelected()) && currentId > 0)
        results.Locate(currentId);
}

void ListCounterpartyCategory(TFCore& core, int cptyId, int ctgyId) {
    SearchRequest req;
    req.mode = SearchMode::CptyCategory;
    req.text = QString::number(cptyId) + QStringLiteral(" / ") + QString::number(ctgyId);
    req.cptyId = cptyId;
    req.ctgyId = ctgyId;
    FSearchR(core).Run(req, FSearch(core).JournalSelected());
}
