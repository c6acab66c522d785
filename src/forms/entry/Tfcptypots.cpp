// The counterparty categories window; see Tfcptypots.h.
#include "forms/entry/Tfcptypots.h"

#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/Closing.h"

#include <QAction>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPointer<Tfcptypots> g_cptypots;
void DeleteCptypots() {
    delete g_cptypots.data();
}

Tfcptypots& Window(TFCore& core) {
    if (!g_cptypots) {
        g_cptypots = new Tfcptypots(core);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteCptypots);
            registered = true;
        }
    }
    return *g_cptypots;
}

QListWidget* MakeList(const char* name, QWidget* parent) {
    auto* l = new QListWidget(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setUniformItemSizes(true);
    l->setContextMenuPolicy(Qt::CustomContextMenu);
    return l;
}

void Fill(QListWidget* list, const std::vector<IdTextRow>& rows) {
    list->clear();
    for (const IdTextRow& r : rows) {
        auto* item = new QListWidgetItem(r.text, list);
        item->setData(Qt::UserRole, r.id);
    }
    if (list->count() > 0)
        list->setCurrentRow(0);
}

} // namespace

Tfcptypots::Tfcptypots(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("fcptypots"));
    setWindowTitle(QStringLiteral("Counterparty Categories"));
    InitObjRec(m_cpty);

    auto* menu = new QMenuBar(this);
    CloseItem = menu->addAction(QStringLiteral("Close"));
    HideallItem = menu->addAction(QStringLiteral("Hideall"));

    CptyLbl = new QLabel(this);
    CptyLbl->setObjectName(QStringLiteral("CptyLbl"));
    CptyLbl->setTextFormat(Qt::PlainText);
    CptyLbl->setToolTip(QStringLiteral("This is the Counterparty"));
    QFont f = CptyLbl->font();
    f.setBold(true);
    CptyLbl->setFont(f);
    PurchRdio = new QRadioButton(QStringLiteral("&Purchase from"), this);
    PurchRdio->setObjectName(QStringLiteral("PurchRdio"));
    SaleRdio = new QRadioButton(QStringLiteral("&Sale to"), this);
    SaleRdio->setObjectName(QStringLiteral("SaleRdio"));

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->setToolTip(QStringLiteral("Categories already in use for this Counterparty"));
    PrefList = MakeList("PrefList", Pages);
    HiddenList = MakeList("HiddenList", Pages);
    ClosedList = MakeList("ClosedList", Pages);
    Pages->addTab(PrefList, QStringLiteral("Preferred"));
    Pages->addTab(HiddenList, QStringLiteral("Hidden"));
    Pages->addTab(ClosedList, QStringLiteral("Closed"));

    OtherBtn = new QPushButton(QStringLiteral("&Other"), this);
    OtherBtn->setObjectName(QStringLiteral("OtherBtn"));
    OtherBtn->setAutoDefault(false);
    OtherBtn->setToolTip(QStringLiteral("Other Categories not yet used for this Counterparty"));

    Popup = new QMenu(this);
    SelectItem = Popup->addAction(QStringLiteral("Select"));
    HideItem = Popup->addAction(QStringLiteral("Hide"));
    UnhideItem = Popup->addAction(QStringLiteral("Unhide"));
    SetDefaultItem = Popup->addAction(QStringLiteral("Set as default"));
    ListTxnsItem = Popup->addAction(QStringLiteral("List transactions"));
    ViewDetailsItem = Popup->addAction(QStringLiteral("View details"));
    CloseAccItem = Popup->addAction(QStringLiteral("Close account"));

    auto* topRow = new QHBoxLayout;
    topRow->addWidget(PurchRdio);
    topRow->addWidget(SaleRdio);
    topRow->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(OtherBtn);
    bottom->addStretch(1);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(menu);
    outer->addWidget(CptyLbl);
    outer->addLayout(topRow);
    outer->addWidget(Pages, 1);
    outer->addLayout(bottom);
    resize(320, 360);

    connect(PurchRdio, &QRadioButton::clicked, this, [this] { Load(m_cpty.Id, 'P'); });
    connect(SaleRdio, &QRadioButton::clicked, this, [this] { Load(m_cpty.Id, 'S'); });
    connect(Pages, &QTabWidget::currentChanged, this, [this] { EnableCommands(); });
    for (QListWidget* l : {PrefList, HiddenList, ClosedList}) {
        connect(l, &QListWidget::itemDoubleClicked, this, [this] { SelectClick(); });
        connect(l, &QWidget::customContextMenuRequested, this,
                [this, l](const QPoint& pos) { Popup->popup(l->viewport()->mapToGlobal(pos)); });
    }
    connect(OtherBtn, &QPushButton::clicked, this, [this] { OtherBtnClick(); });
    connect(CloseItem, &QAction::triggered, this, [this] { CloseClick(); });
    connect(HideallItem, &QAction::triggered, this, [this] { HideallClick(); });
    connect(SelectItem, &QAction::triggered, this, [this] { SelectClick(); });
    connect(HideItem, &QAction::triggered, this, [this] { HideClick(); });
    connect(UnhideItem, &QAction::triggered, this, [this] { UnhideClick(); });
    connect(SetDefaultItem, &QAction::triggered, this, [this] { SetDefaultClick(); });
    connect(ListTxnsItem, &QAction::triggered, this, [this] { ListTxnsClick(); });
    connect(ViewDetailsItem, &QAction::triggered, this, [this] { ViewDetailsClick(); });
    connect(CloseAccItem, &QAction::triggered, this, [this] { CloseAccountClick(); });
    RegisterForm(this);
}

void Tfcptypots::Load(int cptyId, char direction) {
    if (!ReadObj(m_core, cptyId, m_cpty))
        InitObjRec(m_cpty);
    m_cpty.Id = cptyId;
    m_direction = direction == 'S' ? 'S' : 'P';
    const CptyCategoryLists lists = LoadCptyCategories(m_core, cptyId, m_direction);
    Fill(PrefList, lists.preferred);
    Fill(HiddenList, lists.hidden);
    Fill(ClosedList, lists.closed);
    m_single = lists.singlePreferred();
    CptyLbl->setText(m_cpty.Name);
    (m_direction == 'S' ? SaleRdio : PurchRdio)->setChecked(true);
    Pages->setCurrentIndex(0);
    EnableCommands();
}

int Tfcptypots::Choose(int cptyId, char direction) {
    m_choosing = true;
    m_result = 0;
    Load(cptyId, direction);
    if (isVisible())
        hide(); // browsing: becomes modal only when shown again
    setModal(true);
    const int rc = exec();
    m_choosing = false;
    setModal(false);
    return rc == QDialog::Accepted ? m_result : 0;
}

void Tfcptypots::Browse(int cptyId) {
    if (isVisible() && isModal())
        return; // a choice is under way above the entry form
    m_choosing = false;
    m_result = 0;
    ObjRec cpty;
    const char direction = ReadObj(m_core, cptyId, cpty) && cpty.CptyPays ? 'S' : 'P';
    Load(cptyId, direction);
    show();
    raise();
    activateWindow();
}

QListWidget* Tfcptypots::FrontList() const {
    switch (Pages->currentIndex()) {
    case 1:
        return HiddenList;
    case 2:
        return ClosedList;
    default:
        return PrefList;
    }
}

int Tfcptypots::SelectedId() const {
    const QListWidgetItem* item = FrontList()->currentItem();
    return item ? item->data(Qt::UserRole).toInt() : 0;
}

void Tfcptypots::EnableCommands() {
    const int page = Pages->currentIndex();
    SelectItem->setEnabled(m_choosing);
    HideItem->setEnabled(page == 0);
    SetDefaultItem->setEnabled(page == 0);
    UnhideItem->setEnabled(page == 1);
    CloseAccItem->setEnabled(page != 2);
    ListTxnsItem->setEnabled(ScreenBuilt(Screen::Search));
    ViewDetailsItem->setEnabled(ScreenBuilt(Screen::Editors));
    OtherBtn->setEnabled(m_choosing && ScreenBuilt(Screen::Picker));
}

void Tfcptypots::SelectClick() {
    if (!m_choosing)
        return;
    const int id = SelectedId();
    if (id == 0)
        return;
    m_result = id;
    accept();
}

void Tfcptypots::OtherBtnClick() {
    if (!m_choosing)
        return;
    if (Pick(m_core, otCtgy)) {
        m_result = PickedObj(m_core).Id;
        accept();
    }
}

void Tfcptypots::HideClick() {
    const int id = SelectedId();
    if (Pages->currentIndex() == 0 && id != 0 && SetCptyLinkHidden(m_core, m_cpty.Id, id, m_direction, true))
        Reload();
}

void Tfcptypots::UnhideClick() {
    const int id = SelectedId();
    if (Pages->currentIndex() == 1 && id != 0 && SetCptyLinkHidden(m_core, m_cpty.Id, id, m_direction, false))
        Reload();
}

void Tfcptypots::SetDefaultClick() {
    const int id = SelectedId();
    if (Pages->currentIndex() == 0 && id != 0 && SetDefaultCategory(m_core, m_cpty.Id, id, m_direction))
        Reload();
}

void Tfcptypots::HideallClick() {
    if (HideAllButLast(m_core, m_cpty.Id, m_direction))
        Reload();
}

void Tfcptypots::ListTxnsClick() {
    if (const int id = SelectedId())
        ListCounterpartyCategory(m_core, m_cpty.Id, id);
}

void Tfcptypots::ViewDetailsClick() {
    if (const int id = SelectedId())
        EditObject(m_core, id);
}

void Tfcptypots::CloseAccountClick() {
    const int id = SelectedId();
    if (Pages->currentIndex() != 2 && id != 0 && CloseAccount(m_core, id))
        Reload();
}

void Tfcptypots::CloseClick() {
    if (m_choosing)
        QDialog::reject();
    else
        hide();
}

void Tfcptypots::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        SelectClick(); // ends nothing while browsing
        return;
    }
    // Escape ends a choice with no result; while browsing only "Close" (or
    // the window's own close button) closes.
    if (e->key() == Qt::Key_Escape && !m_choosing)
        return;
    QDialog::keyPressEvent(e);
}

// ---- entry points ------------------------------------------------------------

int ChooseCategory(TFCore& core, int cptyId, char direction, bool automatic) {
    if (automatic) {
        const CptyCategoryLists lists = LoadCptyCategories(core, cptyId, direction);
        if (lists.preferred.empty())
            return 0;
        if (lists.preferred.size() == 1)
            return lists.preferred.front().id;
    }
    return Window(core).Choose(cptyId, direction);
}

void ShowForCounterparty(TFCore& core, int cptyId) {
    Window(core).Browse(cptyId);
}
