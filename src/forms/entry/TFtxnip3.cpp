#include "forms/entry/TFtxnip3.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"

#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <utility>

namespace {

const QColor kPaymentColour(128, 255, 255);
const QColor kReceiptColour(128, 255, 128);
const QColor kTransferColour(235, 215, 255);
const QColor kEditColour(255, 255, 128);

TFtxnip3* g_form = nullptr;

void DeleteForm() {
    delete g_form;
    g_form = nullptr;
}

QLineEdit* ReadOnlyBox(QWidget* parent, const char* name) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(QLatin1String(name));
    box->setReadOnly(true);
    box->setMinimumWidth(260);
    return box;
}

QPushButton* SmallButton(const QString& text, QWidget* parent) {
    auto* b = new QPushButton(text, parent);
    b->setAutoDefault(false);
    return b;
}

// Date buttons "previous day", "next day", "Calendar" beside a date box.
void DateButtons(QWidget* parent, QHBoxLayout* row, QPushButton*& prev, QPushButton*& next, QPushButton*& cal) {
    prev = SmallButton(QStringLiteral("<"), parent);
    prev->setToolTip(QStringLiteral("previous day"));
    next = SmallButton(QStringLiteral(">"), parent);
    next->setToolTip(QStringLiteral("next day"));
    cal = SmallButton(QStringLiteral("Calendar"), parent);
    for (QPushButton* b : {prev, next})
        b->setFixedWidth(28);
    row->addWidget(prev);
    row->addWidget(next);
    row->addWidget(cal);
}

QString SlotText(const ObjRec& slot, const ChannelRec* ch = nullptr) {
    QString t = slot.Name;
    if (ch && ch->Chnum > 0)
        t += QStringLiteral(" / ") + ch->ChName;
    return t;
}

} // namespace

EntryChoosers& EntryTestChoosers() {
    static EntryChoosers choosers;
    return choosers;
}

TFtxnip3::TFtxnip3(TFCore& core, QWidget* parent)
    : QDialog(parent), m_core(core), m_prompter(core.prompter()), m_entryColour(kPaymentColour) {
    setObjectName(QStringLiteral("Ftxnip3"));
    setWindowTitle(QStringLiteral("New transaction"));
    setModal(true);
    InitObjRec(m_cashAccount);
    InitTxnRec(m_last);
    m_last.Txndate = CalDate();

    auto* outer = new QVBoxLayout(this);
    Menu = new QMenuBar(this);
    QAction* closeItem = Menu->addAction(QStringLiteral("Close"));
    outer->setMenuBar(Menu);

    // Header strip.
    auto* header = new QHBoxLayout;
    IdCapLbl = new QLabel(QStringLiteral("Transaction id "), this);
    IdLbl = new QLabel(QStringLiteral("NEW"), this);
    InstCapLbl = new QLabel(this);
    InstLbl = new QLabel(this);
    DateCapLbl = new QLabel(QStringLiteral("Today"), this);
    DateCapLbl->setToolTip(
        QStringLiteral("from \"Actual Txn Date\" if this was input (ideally), otherwise from Posting Date"));
    DateLbl = new QLabel(this);
    for (QWidget* w : {static_cast<QWidget*>(IdCapLbl), static_cast<QWidget*>(IdLbl)})
        header->addWidget(w);
    header->addSpacing(16);
    header->addWidget(InstCapLbl);
    header->addWidget(InstLbl);
    header->addStretch(1);
    header->addWidget(DateCapLbl);
    header->addWidget(DateLbl);
    outer->addLayout(header);

    auto* body = new QHBoxLayout;
    outer->addLayout(body, 1);
    Pages = new QTabWidget(this);
    Pages->setTabPosition(QTabWidget::South);
    body->addWidget(Pages, 1);
    auto* right = new QVBoxLayout;
    OKBtn = new QPushButton(QStringLiteral("Add"), this);
    OKBtn->setObjectName(QStringLiteral("OKBtn"));
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setObjectName(QStringLiteral("CancelBtn"));
    CancelBtn->setAutoDefault(false);
    right->addWidget(OKBtn);
    right->addWidget(CancelBtn);
    right->addStretch(1);
    body->addLayout(right);

    // ---- Basics ---------------------------------------------------------
    BasicsPage = new QWidget;
    auto* basics = new QVBoxLayout(BasicsPage);
    auto* groups = new QHBoxLayout;
    TypeGrp = new QGroupBox(QStringLiteral("Transaction type "), BasicsPage);
    auto* typeLay = new QVBoxLayout(TypeGrp);
    PaytRdio = new QRadioButton(QStringLiteral("Payment"), TypeGrp);
    PaytRdio->setToolTip(QStringLiteral("or a purchase on credit"));
    RcptRdio = new QRadioButton(QStringLiteral("Receipt"), TypeGrp);
    RcptRdio->setToolTip(QStringLiteral("or a sale in return for credit"));
    TfrRdio = new QRadioButton(QStringLiteral("Transfer"), TypeGrp);
    for (QRadioButton* r : {PaytRdio, RcptRdio, TfrRdio})
        typeLay->addWidget(r);
    PaytRdio->setChecked(true);
    groups->addWidget(TypeGrp);
    PayTypeGrp = new QGroupBox(QStringLiteral("Payment type"), BasicsPage);
    auto* payLay = new QVBoxLayout(PayTypeGrp);
    CashRdio = new QRadioButton(QStringLiteral("Cash"), PayTypeGrp);
    CashRdio->setToolTip(QStringLiteral("The txn is fully paid off with hard cash / bank money"));
    CreditRdio = new QRadioButton(QStringLiteral("Credit"), PayTypeGrp);
    CreditRdio->setToolTip(QStringLiteral("The txn leaves money owing between you and the Cpty "));
    payLay->addWidget(CashRdio);
    payLay->addWidget(CreditRdio);
    payLay->addStretch(1);
    CashRdio->setChecked(true);
    groups->addWidget(PayTypeGrp);
    TfrTypeGrp = new QGroupBox(QStringLiteral("Transfer type "), BasicsPage);
    auto* tfrLay = new QVBoxLayout(TfrTypeGrp);
    ExtChk = new QCheckBox(QStringLiteral("External"), TfrTypeGrp);
    IntChk = new QCheckBox(QStringLiteral("Internal"), TfrTypeGrp);
    tfrLay->addWidget(ExtChk);
    tfrLay->addWidget(IntChk);
    tfrLay->addStretch(1);
    groups->addWidget(TfrTypeGrp);
    groups->addStretch(1);
    basics->addLayout(groups);

    auto* grid = new QGridLayout;
    int row = 0;
    CheckBox1 = new QCheckBox(QStringLiteral("Actual txn date"), BasicsPage);
    CheckBox1->setToolTip(QStringLiteral("may not know this definitively if inputting from bank statements, in "
                                         "which case input Posting Date instead"));
    TxnDateBox = new QLineEdit(BasicsPage);
    TxnDateBox->setObjectName(QStringLiteral("TxnDateBox"));
    TxnDateBox->setToolTip(QStringLiteral("in format yyyy-mm-dd"));
    auto* txnDateRow = new QHBoxLayout;
    txnDateRow->addWidget(TxnDateBox);
    DateButtons(BasicsPage, txnDateRow, TxnPrevBtn, TxnNextBtn, TxnCalBtn);
    grid->addWidget(CheckBox1, row, 0);
    grid->addLayout(txnDateRow, row++, 1, 1, 2);

    PstgPanel = new QWidget(BasicsPage);
    auto* pstgRow = new QHBoxLayout(PstgPanel);
    pstgRow->setContentsMargins(0, 0, 0, 0);
    CheckBox2 = new QCheckBox(QStringLiteral("Posting date        "), BasicsPage);
    CheckBox2->setToolTip(QStringLiteral("The External Account, eg bank account, might be debited/credited a few "
                                         "days later than the Actual Txn Date"));
    PstgDateBox = new QLineEdit(PstgPanel);
    PstgDateBox->setObjectName(QStringLiteral("PstgDateBox"));
    PstgDateBox->setToolTip(QStringLiteral("in format yyyy-mm-dd"));
    pstgRow->addWidget(PstgDateBox);
    DateButtons(PstgPanel, pstgRow, PstgPrevBtn, PstgNextBtn, PstgCalBtn);
    grid->addWidget(CheckBox2, row, 0);
    grid->addWidget(PstgPanel, row++, 1, 1, 2);

    auto* amtLbl = new QLabel(QStringLiteral("Amount"), BasicsPage);
    AmtBox = new QLineEdit(BasicsPage);
    AmtBox->setObjectName(QStringLiteral("AmtBox"));
    amtLbl->setBuddy(AmtBox);
    plusminusbtn = SmallButton(QStringLiteral("+/-"), BasicsPage);
    plusminusbtn->setObjectName(QStringLiteral("plusminusbtn"));
    CancdChk = new QCheckBox(QStringLiteral("Cancelled"), BasicsPage);
    CancdChk->setToolTip(QStringLiteral("Postings are retained with Amt = 0 on postings for cancelled txns"));
    auto* amtRow = new QHBoxLayout;
    amtRow->addWidget(AmtBox);
    amtRow->addWidget(plusminusbtn);
    amtRow->addSpacing(12);
    amtRow->addWidget(CancdChk);
    amtRow->addStretch(1);
    grid->addWidget(amtLbl, row, 0);
    grid->addLayout(amtRow, row++, 1, 1, 2);

    AccALbl = new QLabel(QStringLiteral("External account "), BasicsPage);
    AccAbox = ReadOnlyBox(BasicsPage, "AccAbox");
    AccAChBtn = SmallButton(QStringLiteral(" / "), BasicsPage);
    AccAChBtn->setToolTip(QStringLiteral("Select another channel for this account"));
    grid->addWidget(AccALbl, row, 0);
    grid->addWidget(AccAbox, row, 1);
    grid->addWidget(AccAChBtn, row++, 2);
    AccBLbl = new QLabel(QStringLiteral("Counterparty  "), BasicsPage);
    AccBbox = ReadOnlyBox(BasicsPage, "AccBbox");
    accprovbtn = SmallButton(QStringLiteral("^"), BasicsPage);
    accprovbtn->setToolTip(QStringLiteral("Set Counterparty to the Provider of your External Account"));
    grid->addWidget(AccBLbl, row, 0);
    grid->addWidget(AccBbox, row, 1);
    grid->addWidget(accprovbtn, row++, 2);
    AccCLbl = new QLabel(QStringLiteral("Category "), BasicsPage);
    AccCbox = ReadOnlyBox(BasicsPage, "AccCbox");
    grid->addWidget(AccCLbl, row, 0);
    grid->addWidget(AccCbox, row++, 1);
    AccDLbl = new QLabel(QStringLiteral("Internal account  "), BasicsPage);
    AccDbox = ReadOnlyBox(BasicsPage, "AccDbox");
    grid->addWidget(AccDLbl, row, 0);
    grid->addWidget(AccDbox, row++, 1);

    auto* descrLbl = new QLabel(QStringLiteral("Description "), BasicsPage);
    DescrBox = new QLineEdit(BasicsPage);
    DescrBox->setObjectName(QStringLiteral("DescrBox"));
    DescrBox->setMaxLength(40);
    descrLbl->setBuddy(DescrBox);
    Button5 = SmallButton(QStringLiteral("x"), BasicsPage);
    Button5->setToolTip(QStringLiteral("Clear / recall Description"));
    grid->addWidget(descrLbl, row, 0);
    grid->addWidget(DescrBox, row, 1);
    grid->addWidget(Button5, row++, 2);
    auto* refLbl = new QLabel(QStringLiteral("Reference "), BasicsPage);
    refbox = new QLineEdit(BasicsPage);
    refbox->setObjectName(QStringLiteral("refbox"));
    refbox->setMaxLength(20);
    refLbl->setBuddy(refbox);
    grid->addWidget(refLbl, row, 0);
    grid->addWidget(refbox, row++, 1);
    grid->setColumnStretch(1, 1);
    basics->addLayout(grid);
    basics->addStretch(1);
    Pages->addTab(BasicsPage, QStringLiteral("Basics"));

    // ---- Cashback --------------------------------------------------------
    CashbackPage = new QWidget;
    auto* cbGrid = new QGridLayout(CashbackPage);
    CBChk = new QCheckBox(QStringLiteral("Cashback"), CashbackPage);
    CBAccBox = ReadOnlyBox(CashbackPage, "CBAccBox");
    CBAmtBox = new QLineEdit(CashbackPage);
    CBAmtBox->setObjectName(QStringLiteral("CBAmtBox"));
    CBAmtBox->setToolTip(QStringLiteral(">0 for cash received (cashback); <0 for cash paid"));
    cbGrid->addWidget(CBChk, 0, 0, 1, 2);
    cbGrid->addWidget(new QLabel(QStringLiteral("Cash account "), CashbackPage), 1, 0);
    cbGrid->addWidget(CBAccBox, 1, 1);
    auto* cbAmtLbl = new QLabel(QStringLiteral("Cashback amount  "), CashbackPage);
    cbAmtLbl->setToolTip(CBAmtBox->toolTip());
    cbGrid->addWidget(cbAmtLbl, 2, 0);
    cbGrid->addWidget(CBAmtBox, 2, 1);
    cbGrid->setRowStretch(3, 1);
    cbGrid->setColumnStretch(1, 1);
    Pages->addTab(CashbackPage, QStringLiteral("Cashback"));

    // ---- Repeat ----------------------------------------------------------
    RepeatPage = new QWidget;
    auto* rp = new QGridLayout(RepeatPage);
    RptChk = new QCheckBox(QStringLiteral("Repeat"), RepeatPage);
    ActiveChk = new QCheckBox(QStringLiteral("Active"), RepeatPage);
    rp->addWidget(RptChk, 0, 0);
    rp->addWidget(ActiveChk, 0, 1);
    auto* freqRow = new QHBoxLayout;
    DlyBtn = new QRadioButton(QStringLiteral("Daily"), RepeatPage);
    WklyBtn = new QRadioButton(QStringLiteral("Weekly"), RepeatPage);
    MthlyBtn = new QRadioButton(QStringLiteral("Monthly"), RepeatPage);
    YrlyBtn = new QRadioButton(QStringLiteral("Yearly"), RepeatPage);
    for (QRadioButton* r : {DlyBtn, WklyBtn, MthlyBtn, YrlyBtn})
        freqRow->addWidget(r);
    freqRow->addStretch(1);
    rp->addLayout(freqRow, 1, 0, 1, 3);
    rp->addWidget(new QLabel(QStringLiteral("Increment"), RepeatPage), 2, 0);
    IncBox = new QSpinBox(RepeatPage);
    IncBox->setObjectName(QStringLiteral("IncBox"));
    IncBox->setRange(0, 9999);
    IncBox->setValue(1);
    rp->addWidget(IncBox, 2, 1);
    rp->addWidget(new QLabel(QStringLiteral("from"), RepeatPage), 3, 0);
    FromDate = new QLineEdit(RepeatPage);
    FromDate->setEnabled(false);
    rp->addWidget(FromDate, 3, 1);
    rp->addWidget(SmallButton(QStringLiteral("Calendar"), RepeatPage), 3, 2);
    auto* untilLbl = new QLabel(QStringLiteral("until "), RepeatPage);
    UntilDate = new QLineEdit(RepeatPage);
    UntilDate->setObjectName(QStringLiteral("UntilDate"));
    UntilDate->setToolTip(QStringLiteral("in format yyyy-mm-dd; instances are generated up to & including this date"));
    untilLbl->setBuddy(UntilDate);
    rp->addWidget(untilLbl, 4, 0);
    rp->addWidget(UntilDate, 4, 1);
    rp->addWidget(SmallButton(QStringLiteral("Calendar"), RepeatPage), 4, 2);
    rp->addWidget(new QLabel(QStringLiteral("count"), RepeatPage), 5, 0);
    CtBox = new QLineEdit(RepeatPage);
    CtBox->setObjectName(QStringLiteral("CtBox"));
    rp->addWidget(CtBox, 5, 1);
    auto* rmLbl = new QLabel(QStringLiteral("Reminder (days) "), RepeatPage);
    RmDaysBox = new QLineEdit(RepeatPage);
    RmDaysBox->setObjectName(QStringLiteral("RmDaysBox"));
    RmDaysBox->setToolTip(
        QStringLiteral("Number of days in advance that a reminder is generated, blank (or zero) for no reminder"));
    rmLbl->setToolTip(RmDaysBox->toolTip());
    rp->addWidget(rmLbl, 6, 0);
    rp->addWidget(RmDaysBox, 6, 1);
    rp->setRowStretch(7, 1);
    rp->setColumnStretch(1, 1);
    Pages->addTab(RepeatPage, QStringLiteral("Repeat"));

    m_boxes = {TxnDateBox, PstgDateBox, AmtBox,   AccAbox, AccBbox,   AccCbox, AccDbox,   DescrBox,
               refbox,     CBAccBox,    CBAmtBox, IncBox,  UntilDate, CtBox,   RmDaysBox, FromDate};
    for (QWidget* box : {AccAbox, AccBbox, AccCbox, AccDbox, CBAccBox, PstgDateBox})
        box->installEventFilter(this);

    // ---- wiring ----------------------------------------------------------
    connect(closeItem, &QAction::triggered, this, &QDialog::reject);
    connect(OKBtn, &QPushButton::clicked, this, &TFtxnip3::OKBtnClick);
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(PaytRdio, &QRadioButton::clicked, this, [this] { KindClicked('P'); });
    connect(RcptRdio, &QRadioButton::clicked, this, [this] { KindClicked('R'); });
    connect(TfrRdio, &QRadioButton::clicked, this, [this] { KindClicked('T'); });
    connect(CashRdio, &QRadioButton::toggled, this, [this] { CashCreditRule(); });
    connect(ExtChk, &QCheckBox::toggled, this, [this] { SideToggled(ExtChk); });
    connect(IntChk, &QCheckBox::toggled, this, [this] { SideToggled(IntChk); });
    connect(CheckBox1, &QCheckBox::toggled, this, &TFtxnip3::ActualTicked);
    connect(CheckBox2, &QCheckBox::toggled, this, &TFtxnip3::PostingTicked);
    connect(TxnPrevBtn, &QPushButton::clicked, this, [this] { StepDate(TxnDateBox, QLatin1Char('-')); });
    connect(TxnNextBtn, &QPushButton::clicked, this, [this] { StepDate(TxnDateBox, QLatin1Char('+')); });
    connect(TxnCalBtn, &QPushButton::clicked, this, [this] { CalendarFor(TxnDateBox); });
    connect(PstgPrevBtn, &QPushButton::clicked, this, [this] {
        FillEmptyPostingBox();
        StepDate(PstgDateBox, QLatin1Char('-'));
    });
    connect(PstgNextBtn, &QPushButton::clicked, this, [this] {
        FillEmptyPostingBox();
        StepDate(PstgDateBox, QLatin1Char('+'));
    });
    connect(PstgCalBtn, &QPushButton::clicked, this, [this] {
        FillEmptyPostingBox();
        CalendarFor(PstgDateBox);
    });
    connect(plusminusbtn, &QPushButton::clicked, this, &TFtxnip3::PlusMinusClick);
    connect(Button5, &QPushButton::clicked, this, &TFtxnip3::DescrBtnClick);
    connect(DescrBox, &QLineEdit::textChanged, this, [this] { SetDescrCaption(); });
    connect(AccAChBtn, &QPushButton::clicked, this, &TFtxnip3::ChannelBtnClick);
    connect(accprovbtn, &QPushButton::clicked, this, &TFtxnip3::ProviderBtnClick);
    connect(CBChk, &QCheckBox::toggled, this, &TFtxnip3::CashbackTicked);
    connect(RptChk, &QCheckBox::toggled, this, &TFtxnip3::RepeatTicked);

    const std::vector<QWidget*> order = {PaytRdio,    CashRdio,   ExtChk,     IntChk,       CheckBox1,   TxnDateBox,
                                         TxnPrevBtn,  TxnNextBtn, TxnCalBtn,  CheckBox2,    PstgDateBox, PstgPrevBtn,
                                         PstgNextBtn, PstgCalBtn, AmtBox,     plusminusbtn, CancdChk,    AccAbox,
                                         AccAChBtn,   AccBbox,    accprovbtn, AccCbox,      AccDbox,     DescrBox,
                                         Button5,     refbox,     OKBtn,      CancelBtn};
    for (std::size_t k = 1; k < order.size(); ++k)
        QWidget::setTabOrder(order[k - 1], order[k]);

    RepeatTicked(false);
    CashbackTicked(false);
    PayRcptLayout();
    resize(620, 470);
    RegisterForm(this);
}

// ---- choosers ---------------------------------------------------------------

bool TFtxnip3::PickKind(int kind) {
    const EntryChoosers& c = EntryTestChoosers();
    return c.pick ? c.pick(kind) : Pick(m_core, kind);
}

bool TFtxnip3::PickChannel(const ObjRec& account, bool automatic) {
    const EntryChoosers& c = EntryTestChoosers();
    return c.channel ? c.channel(account, automatic) : ChooseChannel(m_core, account, automatic);
}

bool TFtxnip3::eventFilter(QObject* watched, QEvent* event) {
    bool activate = event->type() == QEvent::MouseButtonPress;
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        activate = key == Qt::Key_Space || key == Qt::Key_F4;
    }
    if (!activate || !static_cast<QWidget*>(watched)->isEnabled())
        return QDialog::eventFilter(watched, event);
    if (watched == PstgDateBox) {
        FillEmptyPostingBox();
        return QDialog::eventFilter(watched, event);
    }
    if (watched == AccAbox)
        ExternalBoxClick();
    else if (watched == AccBbox)
        CounterpartyRowClick();
    else if (watched == AccCbox)
        CategoryRowClick();
    else if (watched == AccDbox)
        InternalBoxClick();
    else if (watched == CBAccBox)
        CashAccountClick();
    return true;
}

void TFtxnip3::ExternalBoxClick() {
    if (!PickKind(otExtAcc))
        return;
    m_f.external = PickedObj(m_core);
    m_f.extChannel = PickedChannel(m_core);
    RefreshBoxes();
}

void TFtxnip3::ChannelBtnClick() {
    if (m_f.external.Id < 1 || !PickChannel(m_f.external, false))
        return;
    m_f.extChannel = PickedChannel(m_core);
    RefreshBoxes();
}

void TFtxnip3::CounterpartyRowClick() {
    if (Kind() != 'T') {
        if (PickKind(otCpty))
            SetCounterparty(PickedObj(m_core));
        return;
    }
    if (!PickKind(otExtAcc))
        return;
    m_f.externalTo = PickedObj(m_core);
    m_f.extToChannel = PickedChannel(m_core);
    RefreshBoxes();
}

void TFtxnip3::CategoryRowClick() {
    if (Kind() != 'T') {
        if (m_f.counterparty.Id >= 1)
            ChooseCategoryFor(false);
        else
            CategoryPicker();
        return;
    }
    if (!PickKind(otPot))
        return;
    m_f.internalFrom = PickedObj(m_core);
    RefreshBoxes();
}

void TFtxnip3::InternalBoxClick() {
    if (!PickKind(otPot))
        return;
    m_f.internal = PickedObj(m_core);
    RefreshBoxes();
}

void TFtxnip3::ProviderBtnClick() {
    ObjRec provider;
    if (m_f.external.AccWith > 0 && ReadObj(m_core, m_f.external.AccWith, provider))
        SetCounterparty(provider);
}

void TFtxnip3::SetCounterparty(const ObjRec& obj) {
    if (obj.Id <= 0)
        return;
    m_f.counterparty = obj;
    RefreshBoxes();
    AccBbox->setFocus();
    if (Ledger(m_core).entryMode == 'N' || m_prompter.AskYesNo(QStringLiteral("Also edit Category?")))
        ChooseCategoryFor(true);
}

void TFtxnip3::ChooseCategoryFor(bool automatic) {
    const char direction = Kind() == 'R' ? 'S' : 'P';
    const EntryChoosers& c = EntryTestChoosers();
    const int id = c.category ? c.category(m_f.counterparty.Id, direction, automatic)
                              : ChooseCategory(m_core, m_f.counterparty.Id, direction, automatic);
    ObjRec ctgy;
    if (id > 0 && ReadObj(m_core, id, ctgy))
        SetCategory(ctgy);
    else
        CategoryPicker();
}

void TFtxnip3::CategoryPicker() {
    if (PickKind(otCtgy))
        SetCategory(PickedObj(m_core));
}

void TFtxnip3::SetCategory(const ObjRec& obj) {
    if (obj.Id <= 0)
        return;
    m_f.category = obj;
    RefreshBoxes();
    const bool editing = Ledger(m_core).entryMode == 'E';
    if (editing && !m_prompter.AskYesNo(QStringLiteral("Also edit Pot?")))
        return;
    if (obj.PotType == 0)
        return;
    ObjRec pot;
    bool readable = false;
    {
        NotFoundQuiet quiet(m_core);
        readable = ReadObj(m_core, obj.PotType, pot);
    }
    if (readable && pot.Type == otPot && pot.Id != m_f.internal.Id &&
        (!editing || m_prompter.AskYesNo(QStringLiteral("Also reset Internal Account to \"") + pot.Name +
                                         QStringLiteral("\", which is the default for this Category ?")))) {
        m_f.internal = pot;
        RefreshBoxes();
        return;
    }
    // The default no longer stands: forget it (the next Add sets it again).
    ObjRec ctgy;
    if (ReadObj(m_core, obj.Id, ctgy)) {
        ctgy.PotType = 0;
        if (WriteObj(m_core, ctgy))
            m_f.category = ctgy;
    }
}

void TFtxnip3::CashAccountClick() {
    if (!PickKind(otExtAcc))
        return;
    m_cashAccount = PickedObj(m_core);
    m_core.settings().CashbackAccId = m_cashAccount.Id;
    CBAccBox->setText(m_cashAccount.Name);
    CBAmtBox->setFocus();
}

// ---- layout and colour ----------------------------------------------------

char TFtxnip3::Kind() const {
    return TfrRdio->isChecked() ? 'T' : RcptRdio->isChecked() ? 'R' : 'P';
}

void TFtxnip3::PayRcptLayout() {
    for (QWidget* w : std::initializer_list<QWidget*>{AccALbl, AccAbox, AccAChBtn, AccBLbl, AccBbox, AccCLbl, AccCbox,
                                                      AccDLbl, AccDbox, accprovbtn, PstgPanel, CheckBox2, PayTypeGrp})
        w->setVisible(true);
    AccALbl->setText(QStringLiteral("External account "));
    AccBLbl->setText(QStringLiteral("Counterparty  "));
    AccCLbl->setText(QStringLiteral("Category "));
    AccDLbl->setText(QStringLiteral("Internal account  "));
    TfrTypeGrp->setVisible(false);
    CashCreditRule();
}

void TFtxnip3::CashCreditRule() {
    if (Kind() == 'T')
        return;
    const bool cash = CashRdio->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{AccALbl, AccAbox, AccAChBtn, accprovbtn})
        w->setVisible(cash);
}

void TFtxnip3::TransferLayout() {
    for (QWidget* w : std::initializer_list<QWidget*>{accprovbtn, PstgPanel, CheckBox2, PayTypeGrp, AccALbl, AccAbox,
                                                      AccAChBtn, AccBLbl, AccBbox, AccCLbl, AccCbox, AccDLbl, AccDbox})
        w->setVisible(false);
    TfrTypeGrp->setVisible(true);
    if (ExtChk->isChecked()) {
        for (QWidget* w : std::initializer_list<QWidget*>{AccALbl, AccAbox, AccAChBtn, AccBLbl, AccBbox})
            w->setVisible(true);
        AccALbl->setText(QStringLiteral("External acc - from "));
        AccBLbl->setText(QStringLiteral("External acc - to "));
    }
    if (IntChk->isChecked()) {
        for (QWidget* w : std::initializer_list<QWidget*>{AccCLbl, AccCbox, AccDLbl, AccDbox})
            w->setVisible(true);
        AccCLbl->setText(QStringLiteral("Internal acc - from "));
        AccDLbl->setText(QStringLiteral("Internal acc - to "));
    }
}

void TFtxnip3::RefreshBoxes() {
    AccAbox->setText(SlotText(m_f.external, &m_f.extChannel));
    if (Kind() == 'T') {
        AccBbox->setText(SlotText(m_f.externalTo, &m_f.extToChannel));
        AccCbox->setText(SlotText(m_f.internalFrom));
    } else {
        AccBbox->setText(SlotText(m_f.counterparty));
        AccCbox->setText(SlotText(m_f.category));
    }
    AccDbox->setText(SlotText(m_f.internal));
}

void TFtxnip3::ColourBox(QWidget* box) {
    const char mode = Ledger(m_core).entryMode;
    QColor c = Qt::white;
    if (mode == 'D')
        c = Qt::white;
    else if (!box->isEnabled())
        c = QApplication::palette().color(QPalette::Button);
    else if (mode == 'E')
        c = kEditColour;
    else if (mode == 'N')
        c = m_entryColour;
    QPalette pal = box->palette();
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Text, Qt::black);
    box->setPalette(pal);
}

void TFtxnip3::Recolour() {
    for (QWidget* box : m_boxes)
        ColourBox(box);
}

void TFtxnip3::KindClicked(char kind) {
    if (m_loading)
        return;
    const bool isNew = Ledger(m_core).entryMode == 'N';
    const int cbTab = Pages->indexOf(CashbackPage);
    if (kind == 'P' || kind == 'R') {
        PayTypeGrp->setTitle(kind == 'P' ? QStringLiteral("Payment type") : QStringLiteral("Receipt type"));
        PayRcptLayout();
        if (kind == 'P' && isNew) {
            Pages->setTabVisible(cbTab, true);
            m_entryColour = kPaymentColour;
        } else if (kind == 'R') {
            Pages->setTabVisible(cbTab, false);
            CBChk->setChecked(false);
            if (isNew)
                m_entryColour = kReceiptColour;
        }
    } else {
        if (isNew)
            m_entryColour = kTransferColour;
        if (!ExtChk->isChecked() && !IntChk->isChecked()) {
            QSignalBlocker block(ExtChk);
            ExtChk->setChecked(true);
        }
        TransferLayout();
        Pages->setTabVisible(cbTab, false);
        CBChk->setChecked(false);
    }
    Recolour();
    RefreshBoxes();
}

void TFtxnip3::SideToggled(QCheckBox* changed) {
    if (m_loading)
        return;
    if (!ExtChk->isChecked() && !IntChk->isChecked()) {
        QCheckBox* other = changed == ExtChk ? IntChk : ExtChk;
        QSignalBlocker block(other);
        other->setChecked(true);
    }
    TransferLayout();
    RefreshBoxes();
}

// ---- dates ------------------------------------------------------------------

void TFtxnip3::ActualTicked(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{TxnDateBox, TxnPrevBtn, TxnNextBtn, TxnCalBtn})
        w->setEnabled(on);
    TxnDateBox->clear();
    if (on)
        TxnDateBox->setText(DateLbl->text());
    ColourBox(TxnDateBox);
}

void TFtxnip3::PostingTicked(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{PstgDateBox, PstgPrevBtn, PstgNextBtn, PstgCalBtn})
        w->setEnabled(on);
    if (on) {
        if (!TxnDateBox->text().isEmpty())
            PstgDateBox->setText(TxnDateBox->text());
        else if (!m_rememberedPstgDate.isEmpty())
            PstgDateBox->setText(m_rememberedPstgDate);
        else
            PstgDateBox->setText(DateLbl->text());
    } else {
        if (!PstgDateBox->text().isEmpty())
            m_rememberedPstgDate = PstgDateBox->text();
        PstgDateBox->clear();
    }
    ColourBox(PstgDateBox);
}

void TFtxnip3::FillEmptyPostingBox() {
    if (PstgDateBox->text().isEmpty())
        PstgDateBox->setText(TxnDateBox->text());
}

void TFtxnip3::StepDate(QLineEdit* box, QChar direction) {
    QString t = box->text();
    StepDateText(t, direction);
    box->setText(t);
    box->setFocus();
}

void TFtxnip3::CalendarFor(QLineEdit* box) {
    CalDate d;
    ReadDateText(box->text(), d);
    if (m_prompter.PickDate(d))
        box->setText(CalToDateStr(d));
    box->setFocus();
}

// ---- small buttons and pages -------------------------------------------------

void TFtxnip3::PlusMinusClick() {
    QString amt = AmtBox->text();
    if (amt.startsWith(QLatin1Char('-')))
        AmtBox->setText(amt.mid(1));
    if (PaytRdio->isChecked()) {
        RcptRdio->setChecked(true);
        KindClicked('R');
        m_prompter.Flash(QStringLiteral("Transaction is now a Receipt"));
    } else if (RcptRdio->isChecked()) {
        PaytRdio->setChecked(true);
        KindClicked('P');
        m_prompter.Flash(QStringLiteral("Transaction is now a Payment"));
    } else {
        if (ExtChk->isChecked()) {
            std::swap(m_f.external, m_f.externalTo);
            std::swap(m_f.extChannel, m_f.extToChannel);
        }
        if (IntChk->isChecked())
            std::swap(m_f.internalFrom, m_f.internal);
        RefreshBoxes();
        m_prompter.Flash(QStringLiteral("From & To accounts switched"));
    }
}

void TFtxnip3::SetDescrCaption() {
    if (!DescrBox->text().isEmpty())
        Button5->setText(QStringLiteral("x"));
    else if (!m_rememberedDescr.isEmpty())
        Button5->setText(QStringLiteral("+"));
}

void TFtxnip3::DescrBtnClick() {
    if (!DescrBox->text().isEmpty())
        DescrBox->clear();
    else
        DescrBox->setText(m_rememberedDescr);
    SetDescrCaption();
    DescrBox->setFocus();
}

void TFtxnip3::CashbackTicked(bool on) {
    CBAccBox->setEnabled(on);
    CBAmtBox->setEnabled(on);
    ColourBox(CBAccBox);
    ColourBox(CBAmtBox);
    if (!on)
        return;
    ObjRec acc;
    InitObjRec(m_cashAccount);
    if (ReadObj(m_core, m_core.settings().CashbackAccId, acc))
        m_cashAccount = acc;
    CBAccBox->setText(m_cashAccount.Name);
    CBAmtBox->setFocus();
    if (m_cashAccount.Id == 0)
        CashAccountClick();
}

void TFtxnip3::RepeatTicked(bool on) {
    for (QWidget* w : std::initializer_list<QWidget*>{ActiveChk, DlyBtn, WklyBtn, MthlyBtn, YrlyBtn, IncBox, UntilDate,
                                                      CtBox, RmDaysBox})
        w->setEnabled(on);
    FromDate->setEnabled(false);
    const int tab = Pages->indexOf(RepeatPage);
    if (tab >= 0)
        Pages->setTabText(tab, on ? QStringLiteral("REPEAT!") : QStringLiteral("Repeat"));
    Recolour();
}

// ---- modes and filling -------------------------------------------------------

void TFtxnip3::SetupModeN() {
    Ledger(m_core).entryMode = 'N';
    for (QWidget* w : std::initializer_list<QWidget*>{AmtBox, AccAbox, AccBbox, AccCbox, AccDbox, DescrBox, refbox})
        w->setEnabled(true);
    CBChk->setChecked(false);
    setWindowTitle(QStringLiteral("New transaction"));
    InstCapLbl->clear();
    InstLbl->clear();
    IdLbl->setText(QStringLiteral("NEW"));
    DateCapLbl->setText(QStringLiteral("Today"));
    PstgDateBox->clear();
    Pages->setTabVisible(Pages->indexOf(RepeatPage), true);
    RptChk->setChecked(false);
    RptChk->setEnabled(true);
    ClearRepeatPage();
    OKBtn->setText(QStringLiteral("Add"));
    CancelBtn->setText(QStringLiteral("Cancel"));
    ActiveChk->setChecked(true);
    CancdChk->setChecked(false);
    Pages->setTabVisible(Pages->indexOf(CashbackPage), PaytRdio->isChecked());
    PstgPanel->setEnabled(true);
    CheckBox2->setEnabled(true);
    Recolour();
}

void TFtxnip3::ClearRepeatPage() {
    for (QRadioButton* r : {DlyBtn, WklyBtn, MthlyBtn, YrlyBtn}) {
        r->setAutoExclusive(false);
        r->setChecked(false);
        r->setAutoExclusive(true);
    }
    IncBox->setValue(1);
    for (QLineEdit* e : {FromDate, UntilDate, CtBox, RmDaysBox})
        e->clear();
    RepeatTicked(false);
}

void TFtxnip3::SetupModeE() {
    const TxnRec& cur = Ledger(m_core).entryTxn;
    Ledger(m_core).entryMode = 'E';
    for (QWidget* w : std::initializer_list<QWidget*>{AmtBox, AccAbox, AccBbox, AccCbox, AccDbox, DescrBox, refbox})
        w->setEnabled(true);
    DateCapLbl->setText(QStringLiteral("Transaction date"));
    const bool master = cur.Role == roleMaster;
    setWindowTitle(master ? QStringLiteral("Edit transaction - Repeater Master") : QStringLiteral("Edit transaction"));
    OKBtn->setText(QStringLiteral("Update"));
    CancelBtn->setText(QStringLiteral("Cancel"));
    Pages->setTabVisible(Pages->indexOf(RepeatPage), master);
    RptChk->setChecked(false);
    RptChk->setEnabled(false);
    ClearRepeatPage();
    PstgPanel->setEnabled(!master);
    CheckBox2->setEnabled(!master);
    CBChk->setChecked(false);
    Pages->setTabVisible(Pages->indexOf(CashbackPage), false);
    Recolour();
}

void TFtxnip3::ReadSlot(ObjRec& slot, int id) {
    ObjRec r;
    if (id > 0 && ReadObj(m_core, id, r))
        slot = r;
    else
        InitObjRec(slot);
}

void TFtxnip3::ReadExtChannel(ChannelRec& ch, int chnum, bool markInvalid) {
    ChannelRec found;
    if (ReadChannelByNumber(m_core, chnum, found)) {
        ch = found;
    } else if (markInvalid) {
        ch = ChannelRec();
        ch.Chnum = chnum;
        ch.ChName = QStringLiteral("[invalid chnum ") + QString::number(chnum) + QStringLiteral("]");
    }
}

bool TFtxnip3::FillForm() {
    const TxnRec& t = Ledger(m_core).entryTxn;
    Pages->setCurrentWidget(BasicsPage);
    IdLbl->setText(QString::number(t.Id));
    if (t.Instance > 0 || t.Role == roleMaster) {
        InstCapLbl->setText(QStringLiteral("Instance"));
        InstLbl->setText(QString::number(t.Masterid) + QStringLiteral(" / ") + QString::number(t.Instance));
    }
    m_loading = true;
    {
        QSignalBlocker b1(ExtChk), b2(IntChk);
        ExtChk->setChecked(false);
        IntChk->setChecked(false);
    }
    bool payRcpt = false;
    switch (t.Type) {
    case 'C':
        TfrRdio->setChecked(true);
        if (t.Accid1 > 0) {
            QSignalBlocker b(ExtChk);
            ExtChk->setChecked(true);
            ReadSlot(m_f.external, t.Accid1);
            ReadExtChannel(m_f.extChannel, t.chnum, false);
            ReadSlot(m_f.externalTo, t.Accid2);
        }
        if (t.Accid3 > 0) {
            QSignalBlocker b(IntChk);
            IntChk->setChecked(true);
            ReadSlot(m_f.internalFrom, t.Accid3);
            ReadSlot(m_f.internal, t.Accid4);
        }
        break;
    case 'G': {
        TfrRdio->setChecked(true);
        QSignalBlocker b(IntChk);
        IntChk->setChecked(true);
        ReadSlot(m_f.internalFrom, t.Accid1);
        ReadSlot(m_f.internal, t.Accid2);
        break;
    }
    case 'T': {
        TfrRdio->setChecked(true);
        QSignalBlocker b(ExtChk);
        ExtChk->setChecked(true);
        ReadSlot(m_f.external, t.Accid1);
        ReadExtChannel(m_f.extChannel, t.chnum, false);
        ReadSlot(m_f.externalTo, t.Accid2);
        break;
    }
    case 'P':
    case 'X':
    case 'R':
    case 'Y':
        payRcpt = true;
        (t.Type == 'P' || t.Type == 'X' ? PaytRdio : RcptRdio)->setChecked(true);
        ReadSlot(m_f.external, t.Accid1);
        ReadSlot(m_f.counterparty, t.Accid2);
        ReadSlot(m_f.internal, t.Accid3);
        ReadSlot(m_f.category, t.Accid4);
        m_f.extChannel = ChannelRec();
        ReadExtChannel(m_f.extChannel, t.chnum, true);
        break;
    default:
        m_loading = false;
        return false;
    }
    m_loading = false;
    if (payRcpt) {
        PayTypeGrp->setTitle(RcptRdio->isChecked() ? QStringLiteral("Receipt type") : QStringLiteral("Payment type"));
        PayRcptLayout();
    } else {
        TransferLayout();
    }
    RefreshBoxes();

    DateLbl->setText(CalToDateStrOrEmpty(t.Txndate));
    {
        QSignalBlocker b1(CheckBox1), b2(CheckBox2);
        CheckBox1->setChecked(false);
        CheckBox2->setChecked(false);
    }
    ActualTicked(false);
    for (QWidget* w : std::initializer_list<QWidget*>{PstgDateBox, PstgPrevBtn, PstgNextBtn, PstgCalBtn})
        w->setEnabled(false);
    PstgDateBox->clear();
    if (!IsNullDate(t.Date2) && !DateEqual(t.Date2, t.Txndate)) {
        m_rememberedPstgDate = CalToDateStr(t.Date2);
        CheckBox2->setChecked(true);
    }
    if (!IsNullDate(t.ActualDate))
        CheckBox1->setChecked(true);

    AmtBox->setText(FormatAmount(t.Amt));
    CancdChk->setChecked(t.Cancelled);
    refbox->setText(t.Ref);
    DescrBox->setText(t.Narrative);

    if (t.Role == roleMaster) {
        RptChk->setChecked(true);
        switch (t.Rpt.Freq) {
        case 'D':
            DlyBtn->setChecked(true);
            break;
        case 'W':
            WklyBtn->setChecked(true);
            break;
        case 'M':
            MthlyBtn->setChecked(true);
            break;
        case 'Y':
            YrlyBtn->setChecked(true);
            break;
        default:
            break;
        }
        UntilDate->setText(CalToDateStrOrEmpty(t.Rpt.EndDate));
        ActiveChk->setChecked(t.Rpt.RptActive);
        IncBox->setValue(t.Rpt.Rptinc);
        CtBox->setText(t.Rpt.RptCt > 0 ? QString::number(t.Rpt.RptCt) : QString());
        FromDate->setText(CalToDateStrOrEmpty(t.Rpt.StartDate));
        RmDaysBox->setText(QString::number(t.Rpt.Rmdays));
    }
    Recolour();
    return true;
}

// ---- commit -----------------------------------------------------------------

void TFtxnip3::ReadControls() {
    m_f.kind = Kind();
    m_f.credit = CreditRdio->isChecked();
    m_f.extSide = ExtChk->isChecked();
    m_f.intSide = IntChk->isChecked();
    m_f.actualTicked = CheckBox1->isChecked();
    m_f.actualText = TxnDateBox->text();
    m_f.postingTicked = CheckBox2->isChecked();
    m_f.postingText = PstgDateBox->text();
    m_f.amountText = AmtBox->text();
    m_f.cancelled = CancdChk->isChecked();
    m_f.description = DescrBox->text();
    m_f.reference = refbox->text();
    m_f.cashback = CBChk->isChecked();
    m_f.cashAccountId = m_cashAccount.Id;
    m_f.cashbackText = CBAmtBox->text();
    m_f.repeat = RptChk->isChecked();
    m_f.active = ActiveChk->isChecked();
    m_f.freq = DlyBtn->isChecked()     ? 'D'
               : WklyBtn->isChecked()  ? 'W'
               : MthlyBtn->isChecked() ? 'M'
               : YrlyBtn->isChecked()  ? 'Y'
                                       : ' ';
    m_f.increment = IncBox->value();
    m_f.untilText = UntilDate->text();
    m_f.countText = CtBox->text();
    m_f.reminderText = RmDaysBox->text();
}

void TFtxnip3::OKBtnClick() {
    ReadControls();
    TxnRec n;
    EntryExtras extras;
    const bool valid = ValidateEntry(m_core, m_f, n, extras);
    RefreshBoxes(); // a credit account may have been made
    if (!valid)
        return;
    LedgerState& state = Ledger(m_core);
    if (!CommitEntry(m_core, state.entryMode, state.entryTxn, n, extras))
        return;
    state.entryTxn = n;
    m_last = n;
    accept();
}

bool TFtxnip3::ShowModal(TxnRec& rec) {
    if (exec() != QDialog::Accepted)
        return false;
    rec = Ledger(m_core).entryTxn;
    return true;
}

bool TFtxnip3::OpenForNew(TxnRec& tmpl, bool keepNarrative) {
    if (isVisible()) {
        m_prompter.InfoAtCursor(QStringLiteral("Cannot edit - Transaction form already in use"));
        return false;
    }
    tmpl.Id = 0;
    // A transaction entered like an instance is not one of its repeater's.
    if (tmpl.Role != roleMaster) {
        tmpl.Role = roleOrdinary;
        tmpl.Masterid = 0;
        tmpl.Instance = 0;
    }
    LedgerState& state = Ledger(m_core);
    state.entryTxn = tmpl;
    const char type = tmpl.Type;
    m_entryColour = type == 'R' || type == 'Y' ? kReceiptColour : type == 'C' ? kTransferColour : kPaymentColour;
    SetupModeN();
    if (!keepNarrative && !state.entryTxn.Narrative.isEmpty()) {
        m_rememberedDescr = state.entryTxn.Narrative;
        state.entryTxn.Narrative.clear();
    }
    SetDescrCaption();
    FillForm();
    // Cashback belongs to a payment only: a receipt or transfer template
    // hides the page that the previous payment left showing.
    if (!PaytRdio->isChecked())
        Pages->setTabVisible(Pages->indexOf(CashbackPage), false);
    if (state.entryTxn.Amt == 0)
        AmtBox->clear();
    return ShowModal(tmpl);
}

bool TFtxnip3::NewTransaction(int& id) {
    id = 0;
    TxnRec tmpl = m_last;
    tmpl.Amt = 0;
    if (IsNullDate(tmpl.Txndate)) {
        tmpl.Txndate = m_core.settings().Today;
        tmpl.ActualDate = tmpl.Txndate;
    }
    if (!OpenForNew(tmpl))
        return false;
    id = Ledger(m_core).entryTxn.Id;
    return true;
}

bool TFtxnip3::EditRecord(TxnRec& rec) {
    if (isVisible()) {
        m_prompter.InfoAtCursor(QStringLiteral("Cannot edit - Transaction form already in use"));
        return false;
    }
    Ledger(m_core).entryTxn = rec;
    SetupModeE();
    if (!FillForm()) {
        m_prompter.InfoAtCursor(QStringLiteral("Cannot edit this transaction type"));
        return false;
    }
    return ShowModal(rec);
}

int TFtxnip3::NewForAccount(const ObjRec& account) {
    if (account.Type != otExtAcc && account.Type != otPot)
        return 0;
    if (isVisible()) {
        m_prompter.InfoAtCursor(QStringLiteral("Cannot edit - Transaction form already in use"));
        return 0;
    }
    TxnRec tmpl = Ledger(m_core).entryTxn;
    tmpl.Id = 0;
    tmpl.Amt = 0;
    tmpl.Type = 'P';
    tmpl.Role = roleOrdinary;
    tmpl.Masterid = 0;
    tmpl.Instance = 0;
    tmpl.Accid1 = m_f.external.Id;
    tmpl.Accid2 = m_f.counterparty.Id;
    tmpl.Accid3 = m_f.internal.Id;
    tmpl.Accid4 = m_f.category.Id;
    tmpl.chnum = m_f.extChannel.Chnum;
    if (account.Type == otExtAcc) {
        tmpl.Accid1 = account.Id;
        if (PickChannel(account, true))
            m_f.extChannel = PickedChannel(m_core);
        else
            m_f.extChannel = ChannelRec();
        tmpl.chnum = m_f.extChannel.Chnum;
    } else {
        tmpl.Accid3 = account.Id;
    }
    return OpenForNew(tmpl) ? Ledger(m_core).entryTxn.Id : 0;
}

bool TFtxnip3::NewFromRecord(TxnRec& rec) {
    TxnRec tmpl = rec;
    if (!OpenForNew(tmpl))
        return false;
    rec = tmpl;
    return true;
}

bool TFtxnip3::NewSweepTransaction(int sourceId, int targetId, Amount amount, const CalDate& date,
                                   const QString& narrative) {
    TxnRec base = Ledger(m_core).entryTxn;
    base.Accid2 = m_f.counterparty.Id;
    base.Name2 = m_f.counterparty.Name;
    base.Accid3 = m_f.internal.Id;
    base.Name3 = m_f.internal.Name;
    base.Accid4 = m_f.category.Id;
    base.Name4 = m_f.category.Name;
    TxnRec proposal;
    if (!SweepProposal(m_core, base, sourceId, targetId, amount, date, narrative, proposal))
        return false;
    if (!OpenForNew(proposal, true))
        return false;
    SweepFollowUp(m_core, sourceId, Ledger(m_core).entryTxn.Txndate);
    return true;
}

// ---- entry points ---------------------------------------------------------------

TFtxnip3& EntryForm3(TFCore& core) {
    if (!g_form) {
        g_form = new TFtxnip3(core);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteForm);
            registered = true;
        }
    }
    return *g_form;
}

bool NewTransaction(TFCore& core, int& id) {
    return EntryForm3(core).NewTransaction(id);
}

bool EditTransactionById(TFCore& core, int id) {
    TxnRec t;
    if (!ReadTxn(core, id, t)) {
        TxnNotFound(core, id);
        return false;
    }
    return EntryForm3(core).EditRecord(t);
}

bool EditRecord(TFCore& core, TxnRec& rec) {
    return EntryForm3(core).EditRecord(rec);
}

int NewForAccount(TFCore& core, const ObjRec& account) {
    return EntryForm3(core).NewForAccount(account);
}

bool NewFromRecord(TFCore& core, TxnRec& rec) {
    return EntryForm3(core).NewFromRecord(rec);
}

bool NewSweepTransaction(TFCore& core, const SweepRequest& request, const QString& narrative) {
    return EntryForm3(core).NewSweepTransaction(request.sourceId, request.targetId, request.amount, request.date,
                                                narrative);
}
