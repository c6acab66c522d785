// The account name/notes search results; see TFAcSrchR.h.
#include "forms/objects/TFAcSrchR.h"

#include "base/Clock.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"
#include "ledger/Closing.h"

#include "forms/RowsModel.h"
#include <QAbstractTableModel>
#include <QCoreApplication>
#include <QHeaderView>
#include <QMenu>
#include <QMenuBar>

#include <QPointer>
#include <QTableView>
#include <QVBoxLayout>

class AcSearchModel : public RowsModel<AcSearchRow> {
public:
    using RowsModel::RowsModel;

    int columnCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : 6; }
    QVariant data(const QModelIndex& index, int role) const override {
        if (role != Qt::DisplayRole || !index.isValid() || index.row() >= int(m_rows.size()))
            return QVariant();
        const AcSearchRow& r = m_rows[std::size_t(index.row())];
        switch (index.column()) {
        case 0:
            return r.dpname;
        case 1:
            return r.kindText;
        case 2:
            return r.subtype;
        case 3:
            return r.opened;
        case 4:
            return r.lastUsed;
        default:
            return r.closed;
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole || orientation != Qt::Horizontal)
            return QVariant();
        static const char* const labels[] = {"Account name", "Type", "Subtype", "Opened", "Last used", "Closed"};
        return section >= 0 && section < 6 ? QString::fromLatin1(labels[section]) : QVariant();
    }
};

namespace {

QPointer<TFAcSrchR> g_srch;
void DeleteSrch() {
    delete g_srch.data();
}

} // namespace

TFAcSrchR::TFAcSrchR(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("FAcSrchR"));
    setWindowTitle(QStringLiteral("Account search results"));

    MainMenu = new QMenuBar(this);
    CloseItem = MainMenu->addAction(QStringLiteral("Close"));
    RefreshItem = MainMenu->addAction(QStringLiteral("Refresh"));
    NewSearchItem = MainMenu->addAction(QStringLiteral("New search"));

    Grid = new QTableView(this);
    Grid->setObjectName(QStringLiteral("Grid"));
    m_model = new AcSearchModel(Grid);
    Grid->setModel(m_model);
    SetupReadOnlyGrid(Grid);
    // The name takes what the others leave; the dates as wide as a date.
    const QFontMetrics fm = Grid->fontMetrics();
    const int date = fm.horizontalAdvance(QStringLiteral("0000-00-00")) + 16;
    Grid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    Grid->setColumnWidth(1, fm.horizontalAdvance(QStringLiteral("external account")) + 16);
    Grid->setColumnWidth(2, fm.horizontalAdvance(QStringLiteral("payer/ee")) + 16);
    for (int c = 3; c < 6; ++c)
        Grid->setColumnWidth(c, date);

    Popup = new QMenu(this);
    DrillDownPop = Popup->addAction(QStringLiteral("Drill-down"));
    DrillDownPop->setToolTip(QStringLiteral("Drill-down Group"));
    PostingsPop = Popup->addAction(QStringLiteral("Postings"));
    PostingsPop->setToolTip(QStringLiteral("List account-postings"));
    DetailsPop = Popup->addAction(QStringLiteral("Details"));
    DetailsPop->setToolTip(QStringLiteral("View Account / Group details"));
    ClosePop = Popup->addAction(QStringLiteral("Close"));
    DeletePop = Popup->addAction(QStringLiteral("Delete"));
    Popup->setToolTipsVisible(true);

    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(MainMenu);
    outer->addWidget(Grid);
    resize(760, 420);

    connect(CloseItem, &QAction::triggered, this, [this] { close(); });
    connect(RefreshItem, &QAction::triggered, this, [this] { RefreshList(); });
    connect(NewSearchItem, &QAction::triggered, this, [this] { NewSearch(m_kind); });
    connect(Grid, &QTableView::doubleClicked, this, [this] { DrillDown(); });
    connect(Grid, &QWidget::customContextMenuRequested, this, [this](const QPoint& p) { PopupShow(p); });
    connect(DrillDownPop, &QAction::triggered, this, [this] { DrillDown(); });
    connect(PostingsPop, &QAction::triggered, this, [this] {
        if (const int id = CurrentId())
            OpenPostings(m_core, id);
    });
    connect(DetailsPop, &QAction::triggered, this, [this] {
        if (const int id = CurrentId())
            EditObject(m_core, id);
    });
    connect(ClosePop, &QAction::triggered, this, [this] { CloseObjectCmd(); });
    connect(DeletePop, &QAction::triggered, this, [this] {
        if (const int id = CurrentId())
            DeleteObject(m_core, id);
    });
}

int TFAcSrchR::CurrentId() const {
    const int row = Grid->currentIndex().row();
    return row >= 0 && row < m_model->rowCount() ? m_model->rows()[std::size_t(row)].Id : 0;
}

int TFAcSrchR::CurrentType() const {
    const int row = Grid->currentIndex().row();
    return row >= 0 && row < m_model->rowCount() ? m_model->rows()[std::size_t(row)].Type : 0;
}

void TFAcSrchR::NewSearch(int kind) {
    m_kind = kind;
    QString text = m_text;
    if (!m_core.prompter().InputString(KindName(kind, 'U', 'S') + QStringLiteral("name/notes search"),
                                       QStringLiteral("Enter search text"), text) ||
        text.isEmpty())
        return;
    m_text = text;
    // A fresh marker, later than the last one even within one clock tick,
    // so the rows of the previous search never join this one.
    const QDateTime marker = NewRunMarker();
    m_marker = marker;
    if (MarkNameNotesMatches(m_core, text, marker) < 0)
        return;
    RefreshList();
    Grid->setColumnHidden(2, kind != otCpty);
    setWindowTitle(KindName(kind, 'U', 'S') + QStringLiteral(" search results ") + QLatin1Char('"') + text +
                   QLatin1Char('"') + QStringLiteral(" - ") + QString::number(m_model->rowCount()) +
                   QStringLiteral(" items"));
    show();
    raise();
    activateWindow();
}

void TFAcSrchR::RefreshList() {
    const int id = CurrentId();
    m_model->setRows(LoadNameNotesResults(m_core, m_kind, m_marker));
    int row = 0;
    for (int i = 0; i < m_model->rowCount(); ++i)
        if (m_model->rows()[std::size_t(i)].Id == id)
            row = i;
    if (m_model->rowCount() > 0)
        Grid->setCurrentIndex(m_model->index(row, 0));
}

void TFAcSrchR::DrillDown() {
    const int id = CurrentId();
    if (id == 0)
        return;
    if (IsGroupKind(CurrentType()))
        OpenBalancesInGroup(m_core, id, CurrentType());
    else
        OpenPostings(m_core, id);
}

void TFAcSrchR::CloseObjectCmd() {
    const int id = CurrentId();
    if (id == 0)
        return;
    const bool closed = IsGroupKind(CurrentType()) ? CloseGroup(m_core, id) : CloseAccount(m_core, id);
    if (closed)
        RefreshList();
}

void TFAcSrchR::PopupShow(const QPoint& pos) {
    const bool group = IsGroupKind(CurrentType());
    DrillDownPop->setEnabled(group && ScreenBuilt(Screen::Balances));
    PostingsPop->setEnabled(!group && ScreenBuilt(Screen::Postings));
    DetailsPop->setEnabled(ScreenBuilt(Screen::Editors));
    ClosePop->setEnabled(true);
    Popup->popup(Grid->viewport()->mapToGlobal(pos));
}

// ---- entry point ----------------------------------------------------------------

void AccountNameSearch(TFCore& core, int kind) {
    if (!g_srch) {
        g_srch = new TFAcSrchR(core);
        RegisterForm(g_srch);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteSrch);
            registered = true;
        }
    }
    g_srch->NewSearch(kind);
}
