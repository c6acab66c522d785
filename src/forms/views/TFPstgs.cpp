// The postings view; see TFPstgs.h.
#include "forms/views/TFPstgs.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Settings.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"
#include "forms/TFRebal.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

// ---- the model ---------------------------------------------------------------

PostingsList& PostingsModel::listForUpdate() {
    return m_list;
}

void PostingsModel::setList(PostingsList list) {
    beginResetModel();
    m_list = std::move(list);
    m_cachedRow = -1;
    endResetModel();
}

void PostingsModel::setDescriptionTitle(const QString& title) {
    m_descriptionTitle = title;
    Q_EMIT headerDataChanged(Qt::Horizontal, cDescription, cDescription);
}

int PostingsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_list.rows.size());
}

int PostingsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cColumns;
}

const PostingCells& PostingsModel::cells(int row) const {
    if (row != m_cachedRow) {
        m_cached = CellsOf(m_list, row);
        m_cachedRow = row;
    }
    return m_cached;
}

QVariant PostingsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    if (role == Qt::TextAlignmentRole) {
        const int c = index.column();
        if (c == cPlus || c == cMinus || c == cRunBal)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return {};
    }
    if (role != Qt::DisplayRole)
        return {};
    const PostingCells& c = cells(index.row());
    switch (index.column()) {
    case cDate:
        return c.pstgdate2;
    case cTxnId:
        return c.txniddp;
    case cType:
        return c.type2;
    case cChRef:
        return c.chref;
    case cExtAcc:
        return c.extaccnamedp;
    case cContra:
        return c.dpname;
    case cPot:
        return c.potname;
    case cPlus:
        return c.amtplus;
    case cMinus:
        return c.amtminus;
    case cRunBal:
        return c.runbal3;
    case cReconciled:
        return c.reconciled2;
    case cDescription:
        return c.dpnarr;
    case cRef:
        return c.ref;
    default:
        return {};
    }
}

QVariant PostingsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QAbstractTableModel::headerData(section, orientation, role);
    static const char* const titles[cColumns] = {
        "Date",         "Txn/Inst id",  "Type",        "Channel, Ref", "Ext Acc", "Contra", "Pot",
        "Pstg amt (+)", "Pstg amt (-)", "Running bal", "Reconciled",   "",        "Ref"};
    if (section == cDescription)
        return m_descriptionTitle;
    return section >= 0 && section < cColumns ? QString::fromLatin1(titles[section]) : QString();
}

// ---- the window --------------------------------------------------------------

namespace {

// Column widths in characters.
const int kWidths[PostingsModel::cColumns] = {16, 8, 10, 20, 50, 30, 40, 10, 10, 10, 10, 50, 8};

QRadioButton* Radio(QWidget* parent, const char* name, const QString& text) {
    auto* r = new QRadioButton(text, parent);
    r->setObjectName(QString::fromLatin1(name));
    return r;
}

} // namespace

TFPstgs::TFPstgs(TFCore& core, Prompter& prompter, QWidget* parent)
    : QMainWindow(parent), m_core(core), m_prompter(prompter), m_model(new PostingsModel(this)) {
    setObjectName(QStringLiteral("FPstgs"));
    setWindowTitle(QStringLiteral("Postings - "));

    QMenuBar* bar = menuBar();
    CloseItem = bar->addAction(QStringLiteral("&Close"));
    QMenu* exportMenu = bar->addMenu(QStringLiteral("&Export"));
    ClipboardItem = exportMenu->addAction(QStringLiteral("to Clipboard"));
    PrinterItem = exportMenu->addAction(QStringLiteral("to Printer"));
    RefreshItem = bar->addAction(QStringLiteral("&Refresh"));
    QMenu* columns = bar->addMenu(QStringLiteral("&Columns"));
    TxnIdItem = columns->addAction(QStringLiteral("Txn id"));
    TypeItem = columns->addAction(QStringLiteral("Type"));
    RefItem = columns->addAction(QStringLiteral("Ref"));
    RefItem->setVisible(false);
    PotNameItem = columns->addAction(QStringLiteral("Pot name"));
    for (QAction* a : {TxnIdItem, TypeItem, RefItem, PotNameItem})
        a->setCheckable(true);
    columns->addSeparator();
    AutoFitItem = columns->addAction(QStringLiteral("Auto-fit"));
    TransactItem = bar->addAction(QStringLiteral("Transact"));
    ImportItem = bar->addAction(QStringLiteral("&Import statement..."));
    SumItem = bar->addAction(QStringLiteral("Sum"));
    QMenu* assign = bar->addMenu(QStringLiteral("Assign"));
    AssignCtgyItem = assign->addAction(QStringLiteral("&Assign Category"));
    AssignPotItem = assign->addAction(QStringLiteral("Assign Pot"));
    QMenu* options = bar->addMenu(QStringLiteral("Options"));
    DiaryItem = options->addAction(QStringLiteral("Include diary entries"));
    DiaryItem->setCheckable(true);

    auto* central = new QWidget(this);
    auto* outer = new QVBoxLayout(central);

    // Account, period, style and channel.
    auto* top = new QHBoxLayout;
    AccountLbl = new QLabel(central);
    AccountLbl->setObjectName(QStringLiteral("AccountLbl"));
    QFont bold = AccountLbl->font();
    bold.setBold(true);
    AccountLbl->setFont(bold);
    AccountLbl->setMinimumWidth(160);
    AccountBtn = new QPushButton(QStringLiteral("..."), central);
    AccountBtn->setToolTip(QStringLiteral("View account details"));
    AccountBtn->setFixedWidth(28);
    top->addWidget(AccountLbl);
    top->addWidget(AccountBtn);

    auto* whenGrp = new QGroupBox(central);
    auto* whenLay = new QHBoxLayout(whenGrp);
    AllRdio = Radio(whenGrp, "AllRdio", QStringLiteral("All"));
    PeriodPlusRdio = Radio(whenGrp, "PeriodPlusRdio", QStringLiteral("Period+"));
    PeriodRdio = Radio(whenGrp, "PeriodRdio", QStringLiteral("Period"));
    PeriodBtn = new QPushButton(QStringLiteral("..."), whenGrp);
    PeriodBtn->setToolTip(QStringLiteral("View period details"));
    PeriodBtn->setFixedWidth(28);
    AllRdio->setChecked(true);
    for (QWidget* w : {static_cast<QWidget*>(AllRdio), static_cast<QWidget*>(PeriodPlusRdio),
                       static_cast<QWidget*>(PeriodRdio), static_cast<QWidget*>(PeriodBtn)})
        whenLay->addWidget(w);
    top->addWidget(whenGrp);

    auto* styleGrp = new QGroupBox(central);
    auto* styleLay = new QHBoxLayout(styleGrp);
    PostingsRdio = Radio(styleGrp, "PostingsRdio", QStringLiteral("Postings"));
    PostingsRdio->setToolTip(QStringLiteral("Ungrouped, without running balances - quicker to display"));
    StatementRdio = Radio(styleGrp, "StatementRdio", QStringLiteral("Statement"));
    StatementRdio->setToolTip(QStringLiteral("Grouped by day, with daily closing balances - slower to display"));
    PostingsRdio->setChecked(true);
    styleLay->addWidget(PostingsRdio);
    styleLay->addWidget(StatementRdio);
    top->addWidget(styleGrp);

    ChannelLbl = new QLabel(QStringLiteral("Channel "), central);
    ChannelCombo = new QComboBox(central);
    ChannelCombo->setObjectName(QStringLiteral("ChannelCombo"));
    ChannelCombo->setMinimumWidth(140);
    top->addWidget(ChannelLbl);
    top->addWidget(ChannelCombo);
    top->addStretch(1);
    outer->addLayout(top);

    // Position.
    auto* posGrp = new QGroupBox(QStringLiteral("Position"), central);
    auto* posLay = new QHBoxLayout(posGrp);
    FirstRdio = Radio(posGrp, "FirstRdio", QStringLiteral("&First"));
    LastRdio = Radio(posGrp, "LastRdio", QStringLiteral("&Last"));
    NowRdio = Radio(posGrp, "NowRdio", QStringLiteral("&Now"));
    BalDateRdio = Radio(posGrp, "BalDateRdio", QStringLiteral("&Balance date"));
    LastReconRdio = Radio(posGrp, "LastReconRdio", QStringLiteral("Last &reconciled"));
    SpecifiedRdio = Radio(posGrp, "SpecifiedRdio", QStringLiteral("&Specified"));
    NowRdio->setChecked(true);
    JumpDateBox = new QLineEdit(QStringLiteral("yyyy-mm-dd"), posGrp);
    JumpDateBox->setObjectName(QStringLiteral("JumpDateBox"));
    JumpDateBox->setFixedWidth(100);
    JumpDateBox->setEnabled(false);
    JumpDateBox->installEventFilter(this);
    GoBtn = new QPushButton(QStringLiteral("Go"), posGrp);
    GoBtn->setDefault(true);
    GoBtn->setAutoDefault(true);
    ArrowBtn = new QPushButton(QString(QChar(0x2193)), posGrp);
    ArrowBtn->setFixedWidth(28);
    for (QRadioButton* r : {FirstRdio, LastRdio, NowRdio, BalDateRdio, LastReconRdio, SpecifiedRdio})
        posLay->addWidget(r);
    posLay->addWidget(JumpDateBox);
    posLay->addWidget(GoBtn);
    posLay->addStretch(1);
    posLay->addWidget(ArrowBtn);
    outer->addWidget(posGrp);

    // The grid.
    Grid = new QTableView(central);
    Grid->setObjectName(QStringLiteral("Grid"));
    Grid->setModel(m_model);
    Grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    Grid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    Grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    Grid->setWordWrap(false);
    Grid->setContextMenuPolicy(Qt::CustomContextMenu);
    Grid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    Grid->verticalHeader()->setDefaultSectionSize(Grid->fontMetrics().height() + 4);
    Grid->verticalHeader()->hide();
    Grid->viewport()->installEventFilter(this);
    Grid->horizontalHeader()->setHighlightSections(false);
    // Widths in characters of the digits' width, never narrower than the
    // column's title.
    const QFontMetrics fm = Grid->fontMetrics();
    const int charWidth = fm.horizontalAdvance(QLatin1Char('0'));
    for (int c = 0; c < PostingsModel::cColumns; ++c)
        Grid->setColumnWidth(
            c, std::max(kWidths[c] * charWidth + 10,
                        fm.horizontalAdvance(m_model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString()) + 16));
    outer->addWidget(Grid, 1);

    // Totals under their amount columns.
    auto* totals = new QWidget(central);
    totals->setObjectName(QStringLiteral("TotalsPanel"));
    totals->setFixedHeight(Grid->fontMetrics().height() + 8);
    TotalsLbl = new QLabel(QStringLiteral("Posting amount totals"), totals);
    PlusTotalLbl = new QLabel(totals);
    MinusTotalLbl = new QLabel(totals);
    NetTotalLbl = new QLabel(totals);
    PlusTotalLbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    MinusTotalLbl->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    outer->addWidget(totals);
    totals->installEventFilter(this); // the totals follow the panel's width
    StatusLbl = new QLabel(this);
    statusBar()->addWidget(StatusLbl);
    setCentralWidget(central);

    // The popup.
    Popup = new QMenu(this);
    ViewItem = Popup->addAction(QStringLiteral("View transaction"));
    EditItem = Popup->addAction(QStringLiteral("&Edit transaction"));
    PostingDateItem = Popup->addAction(QStringLiteral("Posting &Date"));
    Popup->addSeparator();
    PostingReconItem = Popup->addAction(QStringLiteral("&Posting reconciled"));
    BalanceReconItem = Popup->addAction(QStringLiteral("&Balance reconciled"));
    PostingReconItem->setCheckable(true);
    BalanceReconItem->setCheckable(true);
    SweepItem = Popup->addAction(QStringLiteral("Sweep balance"));
    Popup->addSeparator();
    CancelTxnItem = Popup->addAction(QStringLiteral("&Cancel transaction"));
    DeleteTxnItem = Popup->addAction(QStringLiteral("Delete transaction"));

    // Wiring.
    connect(CloseItem, &QAction::triggered, this, &QWidget::close);
    connect(ClipboardItem, &QAction::triggered, this, &TFPstgs::ExportClick);
    connect(PrinterItem, &QAction::triggered, this, &TFPstgs::PrintClick);
    connect(RefreshItem, &QAction::triggered, this, &TFPstgs::RefreshKeepingPosition);
    Settings& s = m_core.settings();
    connect(TxnIdItem, &QAction::triggered, this, [this, &s] { ColumnSwitch(s.PostingsTxnIdVisible, TxnIdItem); });
    connect(TypeItem, &QAction::triggered, this, [this, &s] { ColumnSwitch(s.PostingsTypeVisible, TypeItem); });
    connect(RefItem, &QAction::triggered, this, [this, &s] { ColumnSwitch(s.PostingsRefVisible, RefItem); });
    connect(PotNameItem, &QAction::triggered, this,
            [this, &s] { ColumnSwitch(s.PostingsPotNameVisible, PotNameItem); });
    connect(AutoFitItem, &QAction::triggered, this, &TFPstgs::AutoFitClick);
    connect(TransactItem, &QAction::triggered, this, &TFPstgs::TransactClick);
    connect(ImportItem, &QAction::triggered, this, [this] {
        if (m_account.Type != otExtAcc)
            return;
        ImportStatement(m_core, m_accountId);
        RefreshKeepingPosition();
    });
    connect(SumItem, &QAction::triggered, this, &TFPstgs::SumClick);
    connect(AssignCtgyItem, &QAction::triggered, this, [this] { AssignClick(false); });
    connect(AssignPotItem, &QAction::triggered, this, [this] { AssignClick(true); });
    connect(DiaryItem, &QAction::triggered, this, [this] {
        if (!m_guard)
            RefreshKeepingPosition();
    });
    connect(ViewItem, &QAction::triggered, this, &TFPstgs::ViewClick);
    connect(EditItem, &QAction::triggered, this, &TFPstgs::EditClick);
    connect(PostingDateItem, &QAction::triggered, this, &TFPstgs::PostingDateClick);
    connect(PostingReconItem, &QAction::triggered, this, &TFPstgs::PostingReconciledClick);
    connect(BalanceReconItem, &QAction::triggered, this, &TFPstgs::BalanceReconciledClick);
    connect(SweepItem, &QAction::triggered, this, &TFPstgs::SweepClick);
    connect(CancelTxnItem, &QAction::triggered, this, &TFPstgs::CancelTxnClick);
    connect(DeleteTxnItem, &QAction::triggered, this, &TFPstgs::DeleteTxnClick);
    connect(AccountBtn, &QPushButton::clicked, this, &TFPstgs::AccountDetailsClick);
    connect(PeriodBtn, &QPushButton::clicked, this, &TFPstgs::PeriodDetailsClick);
    connect(GoBtn, &QPushButton::clicked, this, &TFPstgs::Jump);
    connect(ArrowBtn, &QPushButton::clicked, this, [this] { ShowNear(Grid, true); });
    for (QRadioButton* r : {AllRdio, PeriodPlusRdio, PeriodRdio, PostingsRdio, StatementRdio})
        connect(r, &QRadioButton::toggled, this, [this](bool on) {
            if (on && !m_guard && m_accountId > 0)
                RefreshKeepingPosition();
        });
    connect(ChannelCombo, &QComboBox::currentIndexChanged, this, [this] {
        if (!m_guard && m_accountId > 0)
            RefreshKeepingPosition();
    });
    for (QRadioButton* r : {FirstRdio, LastRdio, NowRdio, BalDateRdio, LastReconRdio})
        connect(r, &QRadioButton::clicked, this, [this] {
            JumpDateBox->setEnabled(false);
            Jump();
        });
    connect(SpecifiedRdio, &QRadioButton::clicked, this, [this] { JumpDateBox->setEnabled(true); });
    connect(Grid, &QTableView::doubleClicked, this, &TFPstgs::ViewClick);
    connect(Grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        const QModelIndex at = Grid->indexAt(pos);
        if (!at.isValid())
            return;
        if (!Grid->selectionModel()->isRowSelected(at.row(), QModelIndex()))
            SetCurrentRow(at.row());
        PreparePopup();
        Popup->popup(Grid->viewport()->mapToGlobal(pos));
    });
    connect(Grid->horizontalHeader(), &QHeaderView::sectionResized, this, &TFPstgs::AlignTotals);
    connect(Grid->horizontalScrollBar(), &QScrollBar::valueChanged, this, &TFPstgs::AlignTotals);

    // Tab follows the layout: the account line left to right, the position
    // line, then the grid.
    QWidget* const order[] = {AccountBtn,    AllRdio,       PeriodPlusRdio, PeriodRdio, PeriodBtn, PostingsRdio,
                              StatementRdio, ChannelCombo,  FirstRdio,      LastRdio,   NowRdio,   BalDateRdio,
                              LastReconRdio, SpecifiedRdio, JumpDateBox,    GoBtn,      ArrowBtn,  Grid};
    for (size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);

    // As wide as the usual columns need, within the screen.
    QSize size(1240, 640);
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() - QSize(40, 80));
    resize(size);
    RegisterForm(this);
}

// ---- opening --------------------------------------------------------------------

void TFPstgs::Open(int accountId) {
    if (accountId < 1)
        return;
    LoadAccount(accountId);
    FullRefresh();
    Jump();
}

void TFPstgs::OpenAtTxn(int accountId, int txnId) {
    if (accountId < 1)
        return;
    m_guard = true;
    AllRdio->setChecked(true);
    m_guard = false;
    LoadAccount(accountId);
    FullRefresh();
    const int row = RowOfTxn(m_model->list(), txnId);
    PositionOn(row < 0 ? 0 : row);
}

void TFPstgs::OpenAtDate(int accountId, const QString& dateText) {
    m_guard = true;
    SpecifiedRdio->setChecked(true);
    JumpDateBox->setEnabled(true);
    JumpDateBox->setText(dateText);
    AllRdio->setChecked(true);
    m_guard = false;
    Open(accountId);
}

void TFPstgs::LoadAccount(int accountId) {
    m_accountId = accountId;
    InitObjRec(m_account);
    ReadObj(m_core, accountId, m_account);
    m_guard = true;
    const bool noStatement = m_account.Type == otCpty || m_account.Type == otCtgy;
    StatementRdio->setEnabled(!noStatement);
    if (noStatement)
        PostingsRdio->setChecked(true);
    if (m_account.Type == otPot)
        m_core.settings().PostingsPotNameVisible = false;
    FillChannels();
    m_guard = false;
}

void TFPstgs::FillChannels() {
    ChannelCombo->clear();
    const bool external = m_account.Type == otExtAcc;
    ChannelLbl->setVisible(external);
    ChannelCombo->setVisible(external);
    if (!external)
        return;
    std::vector<std::pair<QString, int>> entries;
    Query q(m_core.store(), QStringLiteral("SELECT Chnum, ChName FROM channel WHERE AccId = :a"));
    q.bind("a", m_accountId);
    while (q.next())
        entries.emplace_back(q.text("ChName"), q.integer("Chnum"));
    const bool own = !entries.empty();
    entries.emplace_back(QStringLiteral("<default channel>"), 0);
    if (entries.size() > 1)
        entries.emplace_back(QStringLiteral("<All>"), -1);
    std::sort(entries.begin(), entries.end());
    if (!own) {
        ChannelCombo->setEnabled(false);
        return;
    }
    for (const auto& [name, chnum] : entries)
        ChannelCombo->addItem(name, chnum);
    ChannelCombo->setCurrentIndex(0);
    ChannelCombo->setEnabled(true);
}

PostingsOptions TFPstgs::Options() const {
    PostingsOptions o;
    o.when = AllRdio->isChecked() ? PostingsWhen::All
                                  : (PeriodRdio->isChecked() ? PostingsWhen::Period : PostingsWhen::PeriodPlus);
    o.style = StatementRdio->isChecked() ? PostingsStyle::Statement : PostingsStyle::Postings;
    o.includeDiary = DiaryItem->isChecked();
    if (ChannelCombo->isVisible() && ChannelCombo->isEnabled() && ChannelCombo->currentIndex() >= 0)
        o.channel = ChannelCombo->currentData().toInt();
    return o;
}

QString TFPstgs::Caption() const {
    return QStringLiteral("Postings - ") + KindName(m_account.Type, 'U', 'S');
}

// ---- refreshing -----------------------------------------------------------------

void TFPstgs::FullRefresh() {
    if (m_accountId < 1)
        return;
    BusyScope busy(m_prompter);
    PostingsList list;
    const PostingsOptions o = Options();
    StoreBalances(); // what an earlier list left to store
    LoadPostings(m_core, m_accountId, o, list, ::StoreBalances::Later);
    m_account = list.account;
    const bool statement = list.options.style == PostingsStyle::Statement;
    // A filtered channel shows green; the list itself white.
    ChannelCombo->setStyleSheet(o.channel >= 0 ? QStringLiteral("QComboBox { background: #a0e0a0; }") : QString());
    m_model->setList(std::move(list));
    m_model->setDescriptionTitle(m_account.Type == otCtgy ? QStringLiteral("Description")
                                                          : QStringLiteral("Ctgy : Description"));
    SweepItem->setEnabled(statement && m_account.Type != otCpty);
    AccountLbl->setText(m_account.Name);
    StatusLbl->setText(QString::number(m_model->rowCount()) + QStringLiteral(" items  "));
    setWindowTitle(Caption());
    TransactItem->setEnabled(m_account.Type != otCtgy && m_account.Type != otCpty);
    ImportItem->setVisible(m_account.Type == otExtAcc);
    SetColumns();
    show();
    if (isMinimized())
        showNormal();
    raise();
    activateWindow();

    const PostingsList& l = m_model->list();
    AssignCtgyItem->setEnabled(l.canAssignCategory);
    AssignPotItem->setEnabled(l.canAssignPot);
    PlusTotalLbl->setText(FormatAmountSigned(Amount(std::clamp<Amount64>(l.positive, kMinAmount, kMaxAmount))));
    MinusTotalLbl->setText(FormatAmountSigned(Amount(std::clamp<Amount64>(l.negative, kMinAmount, kMaxAmount))));
    NetTotalLbl->setText(QStringLiteral("Net = ") + FormatAmountSigned(Amount(std::clamp<Amount64>(
                                                        l.positive + l.negative, kMinAmount, kMaxAmount))));
    AlignTotals();
    if (m_model->rowCount() > 0)
        SetCurrentRow(0);
}

void TFPstgs::SetColumns() {
    const Settings& s = m_core.settings();
    const int kind = m_account.Type;
    const bool statement = m_model->list().options.style == PostingsStyle::Statement;
    Grid->setColumnHidden(PostingsModel::cTxnId, !s.PostingsTxnIdVisible);
    Grid->setColumnHidden(PostingsModel::cType, !s.PostingsTypeVisible);
    Grid->setColumnHidden(PostingsModel::cChRef, !(kind == otExtAcc && ChannelCombo->isEnabled()));
    Grid->setColumnHidden(PostingsModel::cExtAcc, !(kind == otPot || kind == otCtgy));
    Grid->setColumnHidden(PostingsModel::cPot, !s.PostingsPotNameVisible);
    Grid->setColumnHidden(PostingsModel::cRunBal, !statement);
    Grid->setColumnHidden(PostingsModel::cRef, !s.PostingsRefVisible);
    m_guard = true;
    TxnIdItem->setChecked(s.PostingsTxnIdVisible);
    TypeItem->setChecked(s.PostingsTypeVisible);
    RefItem->setChecked(s.PostingsRefVisible);
    PotNameItem->setChecked(s.PostingsPotNameVisible);
    m_guard = false;
}

void TFPstgs::AlignTotals() {
    QHeaderView* h = Grid->horizontalHeader();
    const int x0 = Grid->viewport()->x() + Grid->x() - TotalsLbl->parentWidget()->x();
    auto place = [&](QLabel* lbl, int column) {
        if (Grid->isColumnHidden(column)) {
            lbl->hide();
            return;
        }
        lbl->show();
        lbl->setGeometry(x0 + h->sectionViewportPosition(column), 2, h->sectionSize(column) - 4,
                         TotalsLbl->parentWidget()->height() - 4);
    };
    place(PlusTotalLbl, PostingsModel::cPlus);
    place(MinusTotalLbl, PostingsModel::cMinus);
    const int after =
        Grid->isColumnHidden(PostingsModel::cRunBal) ? PostingsModel::cReconciled : PostingsModel::cRunBal;
    const int labelRight = x0 + h->sectionViewportPosition(PostingsModel::cPlus) - 8;
    const int w = TotalsLbl->sizeHint().width();
    TotalsLbl->setGeometry(std::max(2, labelRight - w), 2, w, TotalsLbl->parentWidget()->height() - 4);
    // Beside its column; when that lies beyond the panel's edge (a narrow
    // window), before the caption instead, so that it is never cut off.
    const int netWidth = NetTotalLbl->sizeHint().width();
    int netX = x0 + h->sectionViewportPosition(after) + 4;
    if (netX + netWidth > TotalsLbl->parentWidget()->width() - 2)
        netX = std::max(2, TotalsLbl->x() - 16 - netWidth);
    NetTotalLbl->setGeometry(netX, 2, netWidth, TotalsLbl->parentWidget()->height() - 4);
}

void TFPstgs::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    AlignTotals();
}

void TFPstgs::RefreshKeepingPosition() {
    if (m_accountId < 1)
        return;
    const PostingRow* cur = CurrentPosting();
    const int txnid = cur ? cur->txnid : -1;
    Grid->setUpdatesEnabled(false);
    FullRefresh();
    if (m_model->list().options.style == PostingsStyle::Statement && !CheckRunningBalances(m_core, m_model->list()))
        FullRefresh();
    Grid->setUpdatesEnabled(true);
    const int row = txnid < 0 ? 0 : RowOfTxn(m_model->list(), txnid);
    PositionOn(row < 0 ? 0 : row);
}

// ---- positions ------------------------------------------------------------------

int TFPstgs::CurrentRow() const {
    const QModelIndex i = Grid->currentIndex();
    return i.isValid() ? i.row() : -1;
}

std::vector<int> TFPstgs::SelectedRows() const {
    std::vector<int> out;
    for (const QModelIndex& i : Grid->selectionModel()->selectedRows())
        out.push_back(i.row());
    std::sort(out.begin(), out.end());
    return out;
}

void TFPstgs::SetCurrentRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    Grid->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                            QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
}

void TFPstgs::PositionOn(int row) {
    SetCurrentRow(row);
    ShowNear(Grid, true);
}

const PostingRow* TFPstgs::CurrentPosting() const {
    const int r = CurrentRow();
    return r < 0 ? nullptr : &m_model->list().rows[size_t(r)];
}

void TFPstgs::Jump() {
    const PostingsList& l = m_model->list();
    if (l.rows.empty())
        return;
    if (FirstRdio->isChecked()) {
        SetCurrentRow(0);
        Grid->scrollToTop();
    } else if (LastRdio->isChecked()) {
        SetCurrentRow(int(l.rows.size()) - 1);
        Grid->scrollToBottom();
    } else if (LastReconRdio->isChecked()) {
        SetCurrentRow(LastReconciledRow(l));
        Grid->scrollTo(Grid->currentIndex());
        Grid->setFocus();
    } else {
        CalDate target = m_core.settings().Today;
        if (BalDateRdio->isChecked()) {
            target = m_core.settings().BalAt;
        } else if (SpecifiedRdio->isChecked()) {
            target = DateStrToCal(JumpDateBox->text().trimmed());
            if (IsNullDate(target) || JumpDateBox->text().trimmed().size() != 10) {
                m_prompter.InfoAtCursor(QStringLiteral("Invalid jump date"));
                return;
            }
        }
        PositionOn(RowOnOrAfter(l, target));
        Grid->setFocus();
    }
}

void TFPstgs::StoreBalances(std::size_t maxRows) {
    m_storeQueued = false;
    PostingsList& l = m_model->listForUpdate();
    if (!m_core.store().isOpen())
        l.balancesToStore = false; // the ledger closed: its next showing finds them
    if (l.balancesToStore)
        StoreRunningBalances(m_core, l, maxRows);
}

void TFPstgs::StoreSomeBalances() {
    // A part per turn of the event loop, so that the window answers the
    // keyboard and mouse between them.
    StoreBalances(kBalancesPerTurn);
    if (m_model->list().balancesToStore && !m_storeQueued) {
        m_storeQueued = true;
        QTimer::singleShot(0, this, &TFPstgs::StoreSomeBalances);
    }
}

void TFPstgs::hideEvent(QHideEvent* event) {
    StoreBalances();
    QMainWindow::hideEvent(event);
}

bool TFPstgs::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && TotalsLbl && watched == TotalsLbl->parentWidget())
        AlignTotals();
    // The running balances shown but not yet stored are stored once the
    // rows have been painted, so that the user sees them first.
    if (event->type() == QEvent::Paint && Grid && watched == Grid->viewport() && !m_storeQueued &&
        m_model->list().balancesToStore) {
        m_storeQueued = true;
        QTimer::singleShot(0, this, &TFPstgs::StoreSomeBalances);
    }
    if (watched == JumpDateBox && event->type() == QEvent::MouseButtonPress && JumpDateBox->isEnabled()) {
        CalDate d = DateStrToCal(JumpDateBox->text());
        if (m_prompter.PickDate(d))
            JumpDateBox->setText(CalToDateStr(d));
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFPstgs::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && !Grid->hasFocus()) {
        Jump();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

// ---- commands ---------------------------------------------------------------------

void TFPstgs::ExportClick() {
    const Settings& s = m_core.settings();
    ExportList(Grid, PostingsExportTitle(s, windowTitle(), AccountLbl->text(), m_model->list()));
}

void TFPstgs::PrintClick() {
    PrintList(Grid, PostingsExportTitle(m_core.settings(), windowTitle(), AccountLbl->text(), m_model->list()));
}

void TFPstgs::ColumnSwitch(bool& setting, QAction* item) {
    if (m_guard)
        return;
    setting = item->isChecked();
    RefreshKeepingPosition();
}

void TFPstgs::AutoFitClick() {
    AutoSizeColumns(Grid);
    RefreshKeepingPosition();
}

void TFPstgs::SumClick() {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty()) {
        m_prompter.InfoAtCursor(QStringLiteral("No postings selected to sum"));
        return;
    }
    const PostingsList& l = m_model->list();
    Amount64 total = 0;
    std::vector<std::pair<int, int>> postings;
    for (int r : rows) {
        total += l.rows[size_t(r)].amt;
        if (l.rows[size_t(r)].txnid > 0)
            postings.emplace_back(l.rows[size_t(r)].txnid, l.rows[size_t(r)].objid);
    }
    if (!m_prompter.AskYesNo(SumQuestion(int(rows.size()), total)))
        return;
    ReconcilePostings(m_core, postings);
    RefreshKeepingPosition();
}

void TFPstgs::AssignClick(bool pot) {
    if (!Pick(m_core, pot ? otPot : otCtgy))
        return;
    const ObjRec chosen = PickedObj(m_core);
    const int choice = m_prompter.Choose((pot ? QStringLiteral("Assign Pot  ") : QStringLiteral("Assign Category  ")) +
                                             QLatin1Char('"') + chosen.Name + QLatin1Char('"') + QStringLiteral(" ..."),
                                         QStringLiteral("to selection"), QStringLiteral("to whole list"));
    if (choice == 0)
        return;
    std::vector<int> rows;
    if (choice == 1) {
        rows = SelectedRows();
        if (rows.empty()) {
            m_prompter.InfoAtCursor(QStringLiteral("No transactions selected (use CTRL+Click)"));
            return;
        }
    } else {
        for (int i = 0; i < m_model->rowCount(); ++i)
            rows.push_back(i);
    }
    AssignToRows(m_core, m_model->list(), rows, chosen.Id, pot);
    RefreshKeepingPosition();
}

void TFPstgs::TransactClick() {
    const int id = NewForAccount(m_core, m_account);
    if (id < 1)
        return;
    FullRefresh();
    const int row = RowOfTxn(m_model->list(), id);
    PositionOn(row < 0 ? 0 : row);
}

void TFPstgs::ViewClick() {
    const PostingRow* p = CurrentPosting();
    if (p && p->txnid > 0)
        ShowTransaction(m_core, p->txnid);
}

void TFPstgs::EditClick() {
    const PostingRow* p = CurrentPosting();
    if (!p || p->txnid < 1)
        return;
    if (EditTransactionById(m_core, p->txnid) && m_prompter.AskYesNo(QStringLiteral("Refresh display?")))
        RefreshKeepingPosition();
}

void TFPstgs::PostingDateClick() {
    const PostingRow* p = CurrentPosting();
    if (!p || p->txnid < 1)
        return;
    PstgRec pstg;
    if (ReadPstg(m_core, p->txnid, p->objid, pstg) && RedatePosting(m_core, pstg))
        RefreshKeepingPosition();
}

void TFPstgs::PreparePopup() {
    const PostingRow* p = CurrentPosting();
    m_guard = true;
    PostingReconItem->setChecked(p && (p->reconcode == 1 || p->reconcode == 2));
    BalanceReconItem->setChecked(p && p->reconcode == 2);
    m_guard = false;
    const bool real = p && p->txnid > 0;
    for (QAction* a :
         {ViewItem, EditItem, PostingDateItem, PostingReconItem, BalanceReconItem, CancelTxnItem, DeleteTxnItem})
        a->setEnabled(real);
}

void TFPstgs::PostingReconciledClick() {
    if (m_guard)
        return;
    const PostingRow* p = CurrentPosting();
    if (!p || p->txnid < 1)
        return;
    // The tick has already flipped: ticked now means it was not before.
    SetPostingReconciled(m_core, p->txnid, p->objid, PostingReconItem->isChecked());
    RefreshKeepingPosition();
}

void TFPstgs::BalanceReconciledClick() {
    if (m_guard)
        return;
    const PostingRow* p = CurrentPosting();
    if (!p || p->txnid < 1)
        return;
    StoreBalances(); // the balance recorded is the stored one
    if (BalanceReconItem->isChecked())
        ReconcileBalanceAt(m_core, p->txnid, m_accountId);
    else
        SetPostingReconciled(m_core, p->txnid, p->objid, true);
    RefreshKeepingPosition();
}

void TFPstgs::SweepClick() {
    const PostingRow* p = CurrentPosting();
    if (!p)
        return;
    const PostingsList& l = m_model->list();
    const bool anchor = p->txntype == TxnType::Anchor;
    const Amount balance = anchor ? l.bfd.amount : p->rngbal;
    const CalDate date = anchor ? l.bfd.date : IntToCal(p->pstgdate);
    if (SweepBalance(m_core, m_accountId, balance, date))
        RefreshKeepingPosition();
}

void TFPstgs::CancelTxnClick() {
    const PostingRow* p = CurrentPosting();
    if (!p || p->txnid < 1 || !m_prompter.AskYesNo(QStringLiteral("Cancel transaction?")))
        return;
    CancelTransaction(m_core, p->txnid);
    RefreshKeepingPosition();
}

void TFPstgs::DeleteTxnClick() {
    const PostingRow* p = CurrentPosting();
    if (!p || p->txnid < 1)
        return;
    const int txnid = p->txnid;
    const PostingsList& l = m_model->list();
    if (l.ref(*p) == QStringLiteral("sweep")) {
        const char a = m_prompter.AskAtCursor(QStringLiteral("Also delete all other transactions in this sweep ?"));
        if (a == 'Y') {
            // A sweep is found by its transactions' date: an external
            // account's posting may carry another date (Date2).
            TxnRec txn;
            const CalDate date = ReadTxn(m_core, txnid, txn) ? txn.Txndate : IntToCal(p->pstgdate);
            if (DeleteSweep(m_core, date, l.narrative(*p)))
                RefreshKeepingPosition();
            return;
        }
        if (a != 'N')
            return;
    }
    if (DeleteTransaction(m_core, txnid))
        RefreshKeepingPosition();
}

void TFPstgs::AccountDetailsClick() {
    if (m_accountId > 0 && EditObject(m_core, m_accountId)) {
        ReadObj(m_core, m_accountId, m_account);
        AccountLbl->setText(m_account.Name);
    }
}

void TFPstgs::PeriodDetailsClick() {
    if (ShowPeriodDialog(m_core)) {
        Rebalance(m_core);
        RefreshKeepingPosition();
    }
}

// ---- entry points -------------------------------------------------------------------

namespace {
TFPstgs* g_pstgs = nullptr;
void DeletePstgs() {
    delete g_pstgs;
    g_pstgs = nullptr;
}
} // namespace

TFPstgs& FPstgs(TFCore& core) {
    if (!g_pstgs) {
        g_pstgs = new TFPstgs(core, core.prompter());
        qAddPostRoutine(DeletePstgs);
    }
    return *g_pstgs;
}

void OpenPostings(TFCore& core, int accountId) {
    if (accountId >= 1)
        FPstgs(core).Open(accountId);
}

void OpenPostingsAtTxn(TFCore& core, int accountId, int txnId) {
    if (accountId >= 1)
        FPstgs(core).OpenAtTxn(accountId, txnId);
}

void OpenPostingsAtDate(TFCore& core, int accountId, const QString& dateText) {
    if (accountId >= 1)
        FPstgs(core).OpenAtDate(accountId, dateText);
}
