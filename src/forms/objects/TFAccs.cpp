// The account picker; see TFAccs.h.
#include "forms/objects/TFAccs.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"
#include "ledger/Closing.h"
#include "ledger/LedgerState.h"

#include "forms/RowsModel.h"
#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>

#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

// The rows of the list with their two shown columns.
class AccListModel : public RowsModel<AccListRow> {
public:
    using RowsModel::RowsModel;

    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 2; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(m_rows.size()))
            return QVariant();
        const AccListRow& r = m_rows[std::size_t(index.row())];
        return index.column() == 0 ? r.dpname : r.dormant2;
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QVariant();
        return section == 0 ? QStringLiteral("Name") : QStringLiteral("Status");
    }
};

namespace {

QPointer<TFAccs> g_accs[2];
void DeleteAccs() {
    delete g_accs[0].data();
    delete g_accs[1].data();
}

QRadioButton* MakeRadio(const QString& name, const QString& text, QWidget* parent, const QString& hint = QString()) {
    auto* r = new QRadioButton(text, parent);
    r->setObjectName(name);
    if (!hint.isEmpty())
        r->setToolTip(hint);
    return r;
}

} // namespace

TFAccs::TFAccs(TFCore& core, bool second, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(second ? QStringLiteral("FAccs2") : QStringLiteral("FAccs"));
    setWindowTitle(QStringLiteral("Select"));

    MainMenu = new QMenuBar(this);
    MainMenu->setObjectName(QStringLiteral("MainMenu"));
    CloseItem = MainMenu->addAction(QStringLiteral("&Close"));
    RefreshItem = MainMenu->addAction(QStringLiteral("&Refresh"));
    NewItem = MainMenu->addAction(QStringLiteral("&New"));
    SearchItem = MainMenu->addAction(QStringLiteral("&Search"));

    Popup = new QMenu(this);
    Popup->setObjectName(QStringLiteral("Popup"));
    SelectPop = Popup->addAction(QStringLiteral("&Select"));
    FavoritePop = Popup->addAction(QStringLiteral("&Favorite"));
    FavoritePop->setCheckable(true);
    PostingsPop = Popup->addAction(QStringLiteral("&Postings"));
    DetailsPop = Popup->addAction(QStringLiteral("&Details"));
    DeletePop = Popup->addAction(QStringLiteral("De&lete"));

    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    m_model = new AccListModel(Grid);
    Grid->setModel(m_model);
    SetupReadOnlyGrid(Grid);
    // The name takes what the status leaves; no column is sized to its
    // contents, which would read every row of a long list.
    Grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    Grid->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    Grid->setColumnWidth(1, Grid->fontMetrics().horizontalAdvance(QStringLiteral("favorite")) + 16);
    Grid->installEventFilter(this);

    SearchBox = new QLineEdit(this);
    SearchBox->setObjectName(QStringLiteral("SearchBox"));
    SearchBox->installEventFilter(this);

    auto* filters = new QGroupBox(this);
    filters->setObjectName(QStringLiteral("FilterGrp"));
    FavRdio = MakeRadio(QStringLiteral("FavRdio"), QStringLiteral("Favorites"), filters);
    RecentRdio = MakeRadio(QStringLiteral("RecentRdio"), QStringLiteral("Recent"), filters,
                           QStringLiteral("Opened or posted within last 365 days (configurable, see INI file)"));
    DormantRdio = MakeRadio(QStringLiteral("DormantRdio"), QStringLiteral("Dormant"), filters,
                            QStringLiteral("Accounts last posted more than 365 days ago (configurable, see INI)"));
    ClosedRdio = MakeRadio(QStringLiteral("ClosedRdio"), QStringLiteral("Closed"), filters);
    AllRdio = MakeRadio(QStringLiteral("AllRdio"), QStringLiteral("ALL"), filters);
    FavRdio->setChecked(true);
    auto* filterLayout = new QVBoxLayout(filters);
    for (QRadioButton* r : {FavRdio, RecentRdio, DormantRdio, ClosedRdio, AllRdio})
        filterLayout->addWidget(r);

    FirstBtn = MakeButton(QStringLiteral("FirstBtn"), QStringLiteral("First"), this);
    LastBtn = MakeButton(QStringLiteral("LastBtn"), QStringLiteral("Last"), this);
    UpBtn = new QToolButton(this);
    UpBtn->setObjectName(QStringLiteral("UpBtn"));
    UpBtn->setArrowType(Qt::UpArrow);
    DownBtn = new QToolButton(this);
    DownBtn->setObjectName(QStringLiteral("DownBtn"));
    DownBtn->setArrowType(Qt::DownArrow);
    OKBtn = MakeButton(QStringLiteral("OKBtn"), QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = MakeButton(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);

    auto* arrows = new QHBoxLayout;
    arrows->addWidget(UpBtn);
    arrows->addWidget(DownBtn);
    auto* left = new QVBoxLayout;
    left->addWidget(SearchBox);
    left->addWidget(filters);
    left->addWidget(FirstBtn);
    left->addLayout(arrows);
    left->addWidget(LastBtn);
    left->addStretch(1);
    left->addWidget(OKBtn);
    left->addWidget(CancelBtn);
    auto* body = new QHBoxLayout;
    body->addLayout(left);
    body->addWidget(Grid, 1);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(MainMenu);
    outer->addLayout(body);
    resize(560, 480);

    setTabOrder(SearchBox, FavRdio);
    setTabOrder(FavRdio, FirstBtn);
    setTabOrder(FirstBtn, UpBtn);
    setTabOrder(UpBtn, DownBtn);
    setTabOrder(DownBtn, LastBtn);
    setTabOrder(LastBtn, OKBtn);
    setTabOrder(OKBtn, CancelBtn);
    setTabOrder(CancelBtn, Grid);

    connect(CloseItem, &QAction::triggered, this, [this] { reject(); });
    connect(RefreshItem, &QAction::triggered, this, [this] { RefreshList(); });
    connect(NewItem, &QAction::triggered, this, [this] { NewCmd(); });
    connect(SearchItem, &QAction::triggered, this, [this] { SearchCmd(); });
    connect(SelectPop, &QAction::triggered, this, [this] { Choose(); });
    connect(FavoritePop, &QAction::triggered, this, [this] { FavoriteCmd(); });
    connect(PostingsPop, &QAction::triggered, this, [this] {
        if (const int id = CurrentId())
            OpenPostings(m_core, id);
    });
    connect(DetailsPop, &QAction::triggered, this, [this] { DetailsCmd(); });
    connect(DeletePop, &QAction::triggered, this, [this] { DeleteCmd(); });
    connect(Grid, &QTableView::doubleClicked, this, [this] { Choose(); });
    connect(Grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { PopupShow(p); });
    connect(SearchBox, &QLineEdit::textChanged, this, [this] { SearchBoxChange(); });
    // clicked, not toggled: a filter switched by the program (opening, the
    // search widening, New) does not rebuild the list a second time.
    connect(FavRdio, &QRadioButton::clicked, this, [this] { FilterClicked(AccFilter::Favorites); });
    connect(RecentRdio, &QRadioButton::clicked, this, [this] { FilterClicked(AccFilter::Recent); });
    connect(DormantRdio, &QRadioButton::clicked, this, [this] { FilterClicked(AccFilter::Dormant); });
    connect(ClosedRdio, &QRadioButton::clicked, this, [this] { FilterClicked(AccFilter::Closed); });
    connect(AllRdio, &QRadioButton::clicked, this, [this] { FilterClicked(AccFilter::All); });
    connect(FirstBtn, &QPushButton::clicked, this, [this] { GoToRow(0); });
    connect(LastBtn, &QPushButton::clicked, this, [this] { GoToRow(m_model->rowCount() - 1); });
    connect(UpBtn, &QToolButton::clicked, this, [this] { Scroll(false); });
    connect(DownBtn, &QToolButton::clicked, this, [this] { Scroll(true); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { Choose(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
}

int TFAccs::CurrentId() const {
    const int row = Grid->currentIndex().row();
    if (row < 0 || row >= m_model->rowCount())
        return 0;
    return m_model->rows()[std::size_t(row)].Id;
}

void TFAccs::GoToRow(int row) {
    if (row < 0 || row >= m_model->rowCount())
        return;
    Grid->setCurrentIndex(m_model->index(row, 0));
}

void TFAccs::Scroll(bool down) {
    ShowNear(Grid, down);
}

void TFAccs::SetFilterSilently(AccFilter f) {
    m_filter = f;
    QRadioButton* r = f == AccFilter::Favorites ? FavRdio
                      : f == AccFilter::Recent  ? RecentRdio
                      : f == AccFilter::Dormant ? DormantRdio
                      : f == AccFilter::Closed  ? ClosedRdio
                                                : AllRdio;
    r->setChecked(true);
}

void TFAccs::BuildQuery() {
    m_model->setRows(LoadAccList(m_core, m_kind, m_filter));
    setWindowTitle(QStringLiteral("Select ") + KindName(m_kind, 'L', 'S').toUpper());
    GoToRow(0);
}

void TFAccs::SearchBoxChange() {
    GoToRow(0);
    const QString text = SearchBox->text();
    if (text.isEmpty())
        return;
    Grid->setUpdatesEnabled(false);
    // The shown list first; a wider list is loaded only when the text is not
    // in it.
    const AccSearchHit hit = SearchAccList(m_model->rows(), m_kind, text);
    bool found = hit.found;
    int row = std::max(hit.row, 0);
    AccFilter wider = m_filter;
    if (!found && WidenFilter(wider)) {
        std::vector<AccListRow> rows = LoadAccList(m_core, m_kind, wider);
        found = SearchWidening(m_core, m_kind, wider, rows, text, row);
        SetFilterSilently(wider);
        m_model->setRows(std::move(rows));
    }
    GoToRow(row);
    ShowNear(Grid, true);
    Grid->setUpdatesEnabled(true);
    if (!found)
        m_core.prompter().ShowMessage(QStringLiteral("Not found"));
}

void TFAccs::FilterClicked(AccFilter f) {
    m_filter = f;
    BuildQuery();
    SearchBoxChange();
    SearchBox->setFocus();
}

void TFAccs::RefreshList() {
    const int id = CurrentId();
    m_model->setRows(LoadAccList(m_core, m_kind, m_filter));
    GoToRow(LocateAccRow(m_model->rows(), id));
}

bool TFAccs::Execute(int kind, int preselectId) {
    m_kind = kind;
    SetFilterSilently(AccFilter::Favorites);
    BuildQuery();
    {
        // The box is emptied without its search, which would move the list
        // off the row the caller asked to see.
        const QSignalBlocker block(SearchBox);
        SearchBox->clear();
    }
    if (preselectId > 0)
        GoToRow(LocateAccRow(m_model->rows(), preselectId));
    ShowNear(Grid, true);
    const bool editors = ScreenBuilt(Screen::Editors);
    NewItem->setEnabled(editors);
    DetailsPop->setEnabled(editors);
    PostingsPop->setEnabled(ScreenBuilt(Screen::Postings));
    Grid->setFocus();
    return exec() == QDialog::Accepted;
}

void TFAccs::Choose() {
    ObjRec& picked = PickedObj(m_core);
    ReadObj(m_core, CurrentId(), picked);
    if (m_kind == otExtAcc && picked.Id > 0)
        ChooseChannel(m_core, picked, true); // its outcome does not stop the choice
    accept();
}

void TFAccs::NewCmd() {
    const int id = NewObject(m_core, m_kind, SearchBox->text());
    if (id == 0)
        return;
    SetFilterSilently(AccFilter::All);
    m_model->setRows(LoadAccList(m_core, m_kind, m_filter));
    GoToRow(LocateAccRow(m_model->rows(), id));
    Grid->setFocus();
    Choose();
}

void TFAccs::SearchCmd() {
    ObjRec lookFor;
    InitObjRec(lookFor);
    lookFor.Name = LeftChars(SearchBox->text(), 40);
    if (FindAccount(m_core, m_kind, lookFor))
        accept();
}

void TFAccs::FavoriteCmd() {
    ObjRec& picked = PickedObj(m_core);
    if (picked.Id == 0)
        return;
    picked.Fav = !picked.Fav;
    if (!WriteObj(m_core, picked))
        return;
    RefreshList();
    if (picked.Fav) {
        GoToRow(LocateAccRow(m_model->rows(), picked.Id));
        Choose();
    }
}

void TFAccs::DetailsCmd() {
    if (const int id = CurrentId()) {
        EditObject(m_core, id);
        RefreshList();
    }
}

void TFAccs::DeleteCmd() {
    ObjRec rec;
    if (ReadObj(m_core, CurrentId(), rec))
        DeleteObject(m_core, rec.Id);
}

void TFAccs::PopupShow(const QPoint& pos) {
    ObjRec& picked = PickedObj(m_core);
    ReadObj(m_core, CurrentId(), picked);
    FavoritePop->setChecked(picked.Fav);
    Popup->popup(Grid->viewport()->mapToGlobal(pos));
}

bool TFAccs::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress)
        return QDialog::eventFilter(watched, event);
    auto* key = static_cast<QKeyEvent*>(event);
    if (watched == SearchBox && (key->key() == Qt::Key_Up || key->key() == Qt::Key_Down)) {
        GoToRow(Grid->currentIndex().row() + (key->key() == Qt::Key_Up ? -1 : 1));
        return true;
    }
    if (watched == Grid) {
        const QString t = key->text();
        const bool typed = !t.isEmpty() && t.at(0).isPrint() &&
                           !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (typed) {
            SearchBox->setFocus();
            SearchBox->setText(SearchBox->text() + t);
            SearchBox->setCursorPosition(SearchBox->text().size());
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

// ---- entry point ----------------------------------------------------------------

bool Pick(TFCore& core, int kind, int preselectId) {
    if (kind == 0)
        return false;
    const int which = (kind == otCpty || kind == otPot) ? 1 : 0;
    if (!g_accs[which]) {
        g_accs[which] = new TFAccs(core, which == 1);
        RegisterForm(g_accs[which]);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteAccs);
            registered = true;
        }
    }
    TFAccs* w = g_accs[which];
    if (w->isVisible()) {
        core.prompter().ShowMessage(QStringLiteral("Cannot list ") + KindName(kind, 'U', 'P') +
                                    QStringLiteral(", the Select Account form is already in use.\r\n"
                                                   "Leave blank for now, you can edit later."));
        return false;
    }
    return w->Execute(kind, preselectId);
}
