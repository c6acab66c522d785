// The find-account dialog; see TFinpacc.h.
#include "forms/objects/TFinpacc.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/ListHelpers.h"
#include "forms/Screens.h"
#include "ledger/LedgerState.h"

#include <QCoreApplication>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

QPointer<TFinpacc> g_inpacc;
void DeleteInpacc() {
    delete g_inpacc.data();
}

QListWidget* MakeList(const QString& name, QWidget* parent) {
    auto* l = new QListWidget(parent);
    l->setObjectName(name);
    l->setUniformItemSizes(true);
    l->setContextMenuPolicy(Qt::CustomContextMenu);
    return l;
}

void FillList(QListWidget* list, const std::vector<IdTextRow>& rows) {
    for (const IdTextRow& r : rows)
        AddListRow(list, r.text, r.id);
    if (list->count() > 0)
        list->setCurrentRow(0);
}

} // namespace

TFinpacc::TFinpacc(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("Finpacc"));
    setWindowTitle(QStringLiteral("Find account"));

    MainMenu = new QMenuBar(this);
    NewSearchItem = MainMenu->addAction(QStringLiteral("&New search"));
    CloseItem = MainMenu->addAction(QStringLiteral("&Close"));

    auto* top = new QFrame(this);
    top->setFrameShape(QFrame::StyledPanel);
    CurrentLbl = new QLabel(top);
    CurrentLbl->setObjectName(QStringLiteral("CurrentLbl"));
    CurrentLbl->setTextFormat(Qt::PlainText);
    DetailsBtn = MakeButton(QStringLiteral("DetailsBtn"), QStringLiteral("..."), top);
    DetailsBtn->setFixedWidth(DetailsBtn->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 12);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->addWidget(CurrentLbl, 1);
    topLayout->addWidget(DetailsBtn);

    auto* rules = new QGroupBox(this);
    ExactRdio = new QRadioButton(QStringLiteral("E&xact"), rules);
    ExactRdio->setObjectName(QStringLiteral("ExactRdio"));
    StartsRdio = new QRadioButton(QStringLiteral("Starts &with"), rules);
    StartsRdio->setObjectName(QStringLiteral("StartsRdio"));
    ContainsRdio = new QRadioButton(QStringLiteral("&Contains"), rules);
    ContainsRdio->setObjectName(QStringLiteral("ContainsRdio"));
    StartsRdio->setChecked(true);
    auto* rulesLayout = new QHBoxLayout(rules);
    rulesLayout->addWidget(ExactRdio);
    rulesLayout->addWidget(StartsRdio);
    rulesLayout->addWidget(ContainsRdio);

    SearchBox = new QLineEdit(this);
    SearchBox->setObjectName(QStringLiteral("SearchBox"));
    SearchBtn = MakeButton(QStringLiteral("SearchBtn"), QStringLiteral("Search"), this);
    SelectBtn = MakeButton(QStringLiteral("SelectBtn"), QStringLiteral("Select"), this);
    DefaultBtn = MakeButton(QStringLiteral("DefaultBtn"), QStringLiteral("Default"), this);
    NewBtn = MakeButton(QStringLiteral("NewBtn"), QStringLiteral("New"), this, QStringLiteral("New account"));
    CancelBtn = MakeButton(QStringLiteral("CancelBtn"), QStringLiteral("Cancel"), this);
    CancelBtn->hide(); // Escape

    Pages = new QTabWidget(this);
    Pages->setObjectName(QStringLiteral("Pages"));
    Pages->setTabPosition(QTabWidget::South);
    ActivesList = MakeList(QStringLiteral("ActivesList"), Pages);
    DormantsList = MakeList(QStringLiteral("DormantsList"), Pages);
    ClosedList = MakeList(QStringLiteral("ClosedList"), Pages);
    Pages->addTab(ActivesList, QStringLiteral("Actives"));
    Pages->addTab(DormantsList, QStringLiteral("Dormants"));
    Pages->addTab(ClosedList, QStringLiteral("Closed"));

    Popup = new QMenu(this);
    SelectPop = Popup->addAction(QStringLiteral("Select"));
    MakeDefaultPop = Popup->addAction(QStringLiteral("Make default"));
    DetailsPop = Popup->addAction(QStringLiteral("Details"));

    auto* searchRow = new QHBoxLayout;
    searchRow->addWidget(SearchBox, 1);
    searchRow->addWidget(SearchBtn);
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(SelectBtn);
    buttons->addWidget(DefaultBtn);
    buttons->addWidget(NewBtn);
    buttons->addStretch(1);
    buttons->addWidget(CancelBtn);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(MainMenu);
    outer->addWidget(top);
    outer->addWidget(rules);
    outer->addLayout(searchRow);
    outer->addWidget(Pages, 1);
    outer->addLayout(buttons);
    resize(440, 400);

    setTabOrder(SearchBox, SearchBtn);
    setTabOrder(SearchBtn, ExactRdio);
    setTabOrder(ExactRdio, Pages);
    setTabOrder(Pages, SelectBtn);
    setTabOrder(SelectBtn, DefaultBtn);
    setTabOrder(DefaultBtn, NewBtn);
    setTabOrder(NewBtn, DetailsBtn);

    connect(NewSearchItem, &QAction::triggered, this, [this] { NewSearch(); });
    connect(CloseItem, &QAction::triggered, this, [this] { reject(); });
    connect(DetailsBtn, &QPushButton::clicked, this, [this] {
        if (m_lookFor.Id > 0 && ScreenBuilt(Screen::Editors))
            EditObject(m_core, m_lookFor.Id);
    });
    connect(SearchBtn, &QPushButton::clicked, this, [this] { SearchBtnClick(); });
    connect(SelectBtn, &QPushButton::clicked, this, [this] { SelectBtnClick(); });
    connect(DefaultBtn, &QPushButton::clicked, this, [this] { DefaultBtnClick(); });
    connect(NewBtn, &QPushButton::clicked, this, [this] { NewBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
    connect(SelectPop, &QAction::triggered, this, [this] { SelectBtnClick(); });
    connect(MakeDefaultPop, &QAction::triggered, this, [this] { MakeDefaultClick(); });
    connect(DetailsPop, &QAction::triggered, this, [this] {
        if (const int id = SelectedId(); id > 0)
            EditObject(m_core, id);
    });
    for (QListWidget* l : {ActivesList, DormantsList, ClosedList}) {
        connect(l, &QListWidget::itemDoubleClicked, this, [this] { SelectBtnClick(); });
        connect(l, &QWidget::customContextMenuRequested, this,
                [this, l](const QPoint& p) { Popup->popup(l->viewport()->mapToGlobal(p)); });
    }
}

NameMatch TFinpacc::Rule() const {
    if (ExactRdio->isChecked())
        return NameMatch::Exact;
    if (ContainsRdio->isChecked())
        return NameMatch::Contains;
    return NameMatch::StartsWith;
}

int TFinpacc::SelectedId() const {
    auto* list = qobject_cast<QListWidget*>(Pages->currentWidget());
    return list ? ListSelectedInt(list) : -1;
}

void TFinpacc::SetDefaultHint() {
    DefaultBtn->setToolTip(QString());
    const int id = DefaultObjectId(m_core.settings(), m_kind);
    ObjRec def;
    const NotFoundQuiet quiet(m_core);
    if (ReadObj(m_core, id, def))
        DefaultBtn->setToolTip(QStringLiteral("Select default ") + KindName(m_kind, 'U', 'S') + QStringLiteral(" = ") +
                               QLatin1Char('"') + def.Name + QLatin1Char('"'));
}

void TFinpacc::SetSearching(bool searching) {
    SearchBtn->setEnabled(searching);
    SearchBox->setEnabled(searching);
    QPalette pal = SearchBox->palette();
    pal.setColor(QPalette::Base, searching ? QColor(Qt::white) : QColor(0xC0, 0xC0, 0xC0));
    SearchBox->setPalette(pal);
    SelectBtn->setEnabled(!searching);
    SearchBtn->setDefault(searching);
    SelectBtn->setDefault(!searching);
}

bool TFinpacc::Execute(int kind, const ObjRec& lookFor) {
    m_kind = kind;
    m_lookFor = lookFor;
    SetDefaultHint();
    setWindowTitle(QStringLiteral("Find ") + KindName(kind, 'L', 'S').toUpper());
    CurrentLbl->setText(QStringLiteral(" Current = ") + QLatin1Char('"') + LeftChars(lookFor.Name, 52) +
                        QLatin1Char('"'));
    NewBtn->setEnabled(ScreenBuilt(Screen::Editors));
    DetailsBtn->setEnabled(ScreenBuilt(Screen::Editors));
    DetailsPop->setEnabled(ScreenBuilt(Screen::Editors));
    NewSearch();
    InitObjRec(PickedObj(m_core));
    SearchBox->setText(lookFor.Name);
    SearchBox->selectAll();
    return exec() == QDialog::Accepted;
}

void TFinpacc::NewSearch() {
    ClearList(ActivesList);
    ClearList(DormantsList);
    ClearList(ClosedList);
    SetSearching(true);
    Pages->setTabText(0, QStringLiteral("Actives"));
    Pages->setTabText(1, QStringLiteral("Dormants"));
    Pages->setTabText(2, QStringLiteral("Closed"));
    SearchBox->setFocus();
}

void TFinpacc::SearchBtnClick() {
    const FoundAccounts found = FindAccounts(m_core, m_kind, SearchBox->text(), Rule());
    ClearList(ActivesList);
    ClearList(DormantsList);
    ClearList(ClosedList);
    FillList(ActivesList, found.actives);
    FillList(DormantsList, found.dormants);
    FillList(ClosedList, found.closed);
    Pages->setTabText(0, QStringLiteral("Actives - ") + QString::number(found.actives.size()));
    Pages->setTabText(1, QStringLiteral("Dormants - ") + QString::number(found.dormants.size()));
    Pages->setTabText(2, QStringLiteral("Closed - ") + QString::number(found.closed.size()));
    SetSearching(false);
    QListWidget* front = !found.actives.empty()    ? ActivesList
                         : !found.dormants.empty() ? DormantsList
                         : !found.closed.empty()   ? ClosedList
                                                   : nullptr;
    if (front) {
        Pages->setCurrentWidget(front);
        front->setFocus();
    } else {
        NewBtnClick();
    }
}

void TFinpacc::SelectBtnClick() {
    const int id = SelectedId();
    if (id <= 0)
        return;
    ObjRec& picked = PickedObj(m_core);
    if (!ReadObj(m_core, id, picked))
        return;
    if (m_kind == otExtAcc)
        ChooseChannel(m_core, picked, true);
    accept();
}

void TFinpacc::DefaultBtnClick() {
    ObjRec& picked = PickedObj(m_core);
    const NotFoundQuiet quiet(m_core);
    if (ReadObj(m_core, DefaultObjectId(m_core.settings(), m_kind), picked))
        accept();
    else
        reject();
}

void TFinpacc::NewBtnClick() {
    if (!ScreenBuilt(Screen::Editors))
        return;
    QString name = SearchBox->text();
    if (!name.isEmpty() && StartsRdio->isChecked())
        CapitaliseFirst(name);
    const int id = NewObject(m_core, m_kind, name);
    // The new object becomes the choice, so the caller reads what was made.
    if (id > 0 && ReadObj(m_core, id, PickedObj(m_core)))
        accept();
}

void TFinpacc::MakeDefaultClick() {
    const int id = SelectedId();
    if (id <= 0)
        return;
    if (m_core.prompter().AskAtCursor(MakeDefaultQuestion(m_kind)) != 'Y')
        return;
    if (SetDefaultObjectId(m_core.settings(), m_kind, id))
        SetDefaultHint();
}

// ---- entry point ----------------------------------------------------------------

bool FindAccount(TFCore& core, int kind, const ObjRec& lookFor) {
    if (!g_inpacc) {
        g_inpacc = new TFinpacc(core);
        RegisterForm(g_inpacc);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteInpacc);
            registered = true;
        }
    }
    return g_inpacc->Execute(kind, lookFor);
}
