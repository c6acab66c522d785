// The transaction display; see Tfdptxn.h.
#include "forms/entry/Tfdptxn.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"

#include <QAction>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <iterator>

namespace {

QPointer<Tfdptxn> g_dptxn;
void DeleteDptxn() {
    delete g_dptxn.data();
}

Tfdptxn& Window(TFCore& core) {
    if (!g_dptxn) {
        g_dptxn = new Tfdptxn(core);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteDptxn);
            registered = true;
        }
    }
    return *g_dptxn;
}

QLabel* Caption(const QString& text, QWidget* parent, const QString& hint = QString()) {
    auto* l = new QLabel(text, parent);
    l->setTextFormat(Qt::PlainText);
    if (!hint.isEmpty())
        l->setToolTip(hint);
    return l;
}

QLabel* Value(const char* name, QWidget* parent) {
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromLatin1(name));
    l->setTextFormat(Qt::PlainText);
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    l->setMinimumWidth(80);
    return l;
}

// A name that opens something when clicked: a flat, left-aligned button, so
// that it is reachable with Tab and Space as well as the mouse.
QPushButton* LinkButton(const char* name, QWidget* parent, const QString& hint) {
    auto* b = new QPushButton(parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setFlat(true);
    b->setAutoDefault(false);
    b->setToolTip(hint);
    b->setStyleSheet(QStringLiteral("QPushButton { text-align: left; padding: 1px 2px; }"));
    b->setMinimumWidth(220);
    // A name stays readable while the window it opens is not available.
    QPalette pal = b->palette();
    pal.setColor(QPalette::Disabled, QPalette::ButtonText, pal.color(QPalette::Active, QPalette::WindowText));
    b->setPalette(pal);
    return b;
}

QPushButton* Button(const char* name, const QString& text, QWidget* parent, const QString& hint) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(QString::fromLatin1(name));
    b->setAutoDefault(false);
    b->setToolTip(hint);
    return b;
}

// Texts on buttons show every ampersand as itself.
QString ButtonText(const QString& s) {
    QString t = s;
    return t.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

} // namespace

Tfdptxn::Tfdptxn(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("fdptxn"));
    setWindowTitle(QStringLiteral("Transaction details"));
    setModal(false);
    InitTxnRec(m_txn);

    auto* menu = new QMenuBar(this);
    CloseItem = menu->addAction(QStringLiteral("&Close"));
    RefreshItem = menu->addAction(QStringLiteral("Refresh"));
    EditItem = menu->addAction(QStringLiteral("Edit"));
    RepeatItem = menu->addAction(QStringLiteral("Repeat"));
    NewItem = menu->addAction(QStringLiteral("New"));

    IdCapLbl = Caption(QStringLiteral("Txn id "), this, QStringLiteral("Transaction / Instance Id"));
    IdLbl = Value("IdLbl", this);
    IdLbl->setToolTip(QStringLiteral("Transaction / Instance Id"));
    TxnDateLbl = Value("TxnDateLbl", this);
    PstgDateLbl = Value("PstgDateLbl", this);
    Label12 = Value("Label12", this);
    TxnTypeLbl = Value("TxnTypeLbl", this);
    AmtLbl = Value("AmtLbl", this);
    NarrLbl = Value("NarrLbl", this);
    ChLbl = LinkButton("ChLbl", this, QStringLiteral("Click to view Channel details"));
    AccAName = LinkButton("AccAName", this, QStringLiteral("Click to view account details"));
    AccBName = LinkButton("AccBName", this, QStringLiteral("Click to view account details"));
    AccCName = LinkButton("AccCName", this, QStringLiteral("Click to view account details"));
    AccDName = LinkButton("AccDName", this, QStringLiteral("Click to view account details"));
    const QString pstgHint = QStringLiteral("View account postings");
    accApstgsbtn = Button("accApstgsbtn", QStringLiteral("Postings"), this, pstgHint);
    accBpstgsbtn = Button("accBpstgsbtn", QStringLiteral("Postings"), this, pstgHint);
    accCpstgsbtn = Button("accCpstgsbtn", QStringLiteral("Postings"), this, pstgHint);
    accDpstgsbtn = Button("accDpstgsbtn", QStringLiteral("Postings"), this, pstgHint);
    CreatedTSLbl = Value("CreatedTSLbl", this);

    auto* grid = new QGridLayout;
    int r = 0;
    auto addRow = [&](QWidget* cap, QWidget* value, QWidget* extra = nullptr) {
        grid->addWidget(cap, r, 0);
        grid->addWidget(value, r, 1);
        if (extra)
            grid->addWidget(extra, r, 2);
        ++r;
    };
    addRow(IdCapLbl, IdLbl);
    addRow(Caption(QStringLiteral("Transaction date"), this), TxnDateLbl);
    addRow(Caption(QStringLiteral("Posting date"), this), PstgDateLbl);
    addRow(Caption(QStringLiteral("Actual txn date"), this), Label12);
    addRow(Caption(QStringLiteral("Transaction type"), this), TxnTypeLbl);
    addRow(Caption(QStringLiteral("Amount"), this), AmtLbl);
    addRow(Caption(QStringLiteral("Description "), this), NarrLbl);
    addRow(Caption(QStringLiteral("Channel  / Ref "), this), ChLbl);
    for (int i = 0; i < 4; ++i) {
        RowCapLbl[i] = Caption(QString(), this);
        addRow(RowCapLbl[i], names()[i], pstgBtns()[i]);
    }
    grid->setColumnStretch(1, 1);

    RptGrp = new QGroupBox(QStringLiteral("Repeat - Active "), this);
    RptGrp->setObjectName(QStringLiteral("RptGrp"));
    RptLbl = Value("RptLbl", RptGrp);
    RptFrom = Value("RptFrom", RptGrp);
    RptTo = Value("RptTo", RptGrp);
    RptCt = Value("RptCt", RptGrp);
    MasterIdLbl = Value("MasterIdLbl", RptGrp);
    dpinstsbtn =
        Button("dpinstsbtn", QStringLiteral("Instances"), RptGrp, QStringLiteral("View transaction instances"));
    GentoLbl = Value("GentoLbl", RptGrp);
    RmLbl = Value("RmLbl", RptGrp);
    EdMasterBtn = Button("EdMasterBtn", QStringLiteral("Edit"), RptGrp, QStringLiteral("Edit Repeater Master details"));
    auto* rg = new QGridLayout(RptGrp);
    rg->addWidget(RptLbl, 0, 0, 1, 3);
    rg->addWidget(Caption(QStringLiteral("Start date "), RptGrp), 1, 0);
    rg->addWidget(RptFrom, 1, 1, 1, 2);
    rg->addWidget(Caption(QStringLiteral("End date "), RptGrp), 2, 0);
    rg->addWidget(RptTo, 2, 1, 1, 2);
    rg->addWidget(Caption(QStringLiteral("End count "), RptGrp), 3, 0);
    rg->addWidget(RptCt, 3, 1, 1, 2);
    rg->addWidget(Caption(QStringLiteral("Master "), RptGrp), 4, 0);
    rg->addWidget(MasterIdLbl, 4, 1);
    rg->addWidget(dpinstsbtn, 4, 2);
    rg->addWidget(Caption(QStringLiteral("Generated "), RptGrp), 5, 0);
    rg->addWidget(GentoLbl, 5, 1, 1, 2);
    rg->addWidget(Caption(QStringLiteral("Reminder "), RptGrp), 6, 0);
    rg->addWidget(RmLbl, 6, 1, 1, 2);
    rg->addWidget(EdMasterBtn, 7, 2);
    rg->setRowStretch(8, 1);
    rg->setColumnStretch(1, 1);

    auto* top = new QHBoxLayout;
    top->addLayout(grid, 1);
    top->addWidget(RptGrp, 0, Qt::AlignTop);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(menu);
    outer->addLayout(top);
    outer->addWidget(CreatedTSLbl);

    connect(CloseItem, &QAction::triggered, this, [this] { close(); });
    connect(RefreshItem, &QAction::triggered, this, [this] { RefreshClick(); });
    connect(EditItem, &QAction::triggered, this, [this] { EditClick(); });
    connect(RepeatItem, &QAction::triggered, this, [this] { RepeatClick(); });
    connect(NewItem, &QAction::triggered, this, [this] { NewClick(); });
    connect(EdMasterBtn, &QPushButton::clicked, this, [this] { EdMasterBtnClick(); });
    connect(ChLbl, &QPushButton::clicked, this, [this] { ChLblClick(); });
    connect(dpinstsbtn, &QPushButton::clicked, this, [this] { dpinstsbtnClick(); });
    for (int i = 0; i < 4; ++i) {
        connect(names()[i], &QPushButton::clicked, this, [this, i] { AccNameClick(i); });
        connect(pstgBtns()[i], &QPushButton::clicked, this, [this, i] { PstgsBtnClick(i); });
    }
    // Tab follows the layout: channel, then each row's name and its button,
    // then the repeat group.
    QWidget* order[] = {ChLbl,        AccAName, accApstgsbtn, AccBName,   accBpstgsbtn, AccCName,
                        accCpstgsbtn, AccDName, accDpstgsbtn, dpinstsbtn, EdMasterBtn};
    for (std::size_t i = 1; i < std::size(order); ++i)
        setTabOrder(order[i - 1], order[i]);
    RegisterForm(this);
    Present();
}

bool Tfdptxn::ShowTxn(int id) {
    TxnRec t;
    if (!ReadTxn(m_core, id, t)) {
        TxnNotFound(m_core, id);
        return false;
    }
    ShowRecord(t);
    return true;
}

void Tfdptxn::ShowRecord(const TxnRec& rec) {
    m_txn = rec;
    Present();
    show();
    raise();
    activateWindow();
}

void Tfdptxn::Present() {
    std::array<QString, 4> previous;
    for (int i = 0; i < 4; ++i)
        previous[i] = RowCapLbl[i]->text();
    m_shown = DescribeTxn(m_core, m_txn, previous);
    const TxnDisplay& d = m_shown;

    setWindowTitle(d.caption);
    IdCapLbl->setText(d.idCaption);
    IdLbl->setText(d.idText);
    TxnDateLbl->setText(d.txnDate);
    PstgDateLbl->setText(d.pstgDate);
    Label12->setText(d.actualDate);
    TxnTypeLbl->setText(d.typeName);
    AmtLbl->setText(d.amount);
    NarrLbl->setText(d.narrative);
    ChLbl->setText(ButtonText(d.channel));
    ChLbl->setEnabled(ScreenBuilt(Screen::Channels));

    const bool editors = ScreenBuilt(Screen::Editors);
    const bool postings = ScreenBuilt(Screen::Postings);
    for (int i = 0; i < 4; ++i) {
        RowCapLbl[i]->setText(d.rowLabel[i]);
        names()[i]->setText(ButtonText(d.rowName[i]));
        names()[i]->setVisible(!d.rowName[i].isEmpty());
        names()[i]->setEnabled(editors);
        pstgBtns()[i]->setVisible(!d.rowName[i].isEmpty());
        pstgBtns()[i]->setEnabled(postings);
    }

    const bool entry = ScreenBuilt(Screen::Entry);
    EditItem->setEnabled(d.editEnabled && entry);
    RepeatItem->setEnabled(d.repeatEnabled);
    NewItem->setEnabled(entry);

    RptGrp->setVisible(d.repeatVisible);
    EdMasterBtn->setEnabled(d.repeatVisible && entry);
    RptGrp->setTitle(d.rptCaption);
    RptLbl->setText(d.rptRule);
    RptFrom->setText(d.rptFrom);
    RptTo->setText(d.rptTo);
    RptCt->setText(d.rptCount);
    MasterIdLbl->setText(d.masterId);
    GentoLbl->setText(d.generated);
    RmLbl->setText(d.reminder);
    dpinstsbtn->setEnabled(d.instancesEnabled && ScreenBuilt(Screen::Search));

    CreatedTSLbl->setText(d.created);
}

void Tfdptxn::RefreshClick() {
    if (m_txn.Role == roleMaster) {
        RptrRec r;
        if (ReadRepeaterReported(m_core, m_txn.Masterid, r))
            ShowRecord(TxnFromRepeater(r));
        return;
    }
    ShowTxn(m_txn.Id);
}

void Tfdptxn::EditClick() {
    const int id = m_txn.Id;
    if (id != 0 && EditTransactionById(m_core, id))
        ShowTxn(id);
}

void Tfdptxn::EdMasterBtnClick() {
    if (m_txn.Role == roleOrdinary)
        return;
    TxnRec rec;
    if (m_txn.Role == roleMaster) {
        rec = m_txn;
    } else {
        RptrRec r;
        if (!ReadRepeater(m_core, m_txn.Masterid, r))
            return;
        rec = TxnFromRepeater(r);
    }
    if (EditRecord(m_core, rec))
        RefreshClick();
}

void Tfdptxn::RepeatClick() {
    if (m_txn.Id == 0 || m_txn.Role != roleOrdinary)
        return;
    if (!m_core.prompter().AskYesNo(QStringLiteral("Make transaction a repeater?")))
        return;
    TxnRec t = m_txn;
    if (MakeRepeater(m_core, t))
        ShowTxn(t.Id);
}

void Tfdptxn::NewClick() {
    TxnRec t = m_txn;
    if (NewFromRecord(m_core, t)) {
        m_txn = t;
        ShowTxn(t.Id);
    }
}

void Tfdptxn::AccNameClick(int row) {
    if (m_shown.rowId[row] > 0)
        EditObject(m_core, m_shown.rowId[row]);
}

void Tfdptxn::PstgsBtnClick(int row) {
    if (m_shown.rowId[row] > 0)
        OpenPostingsAtTxn(m_core, m_shown.rowId[row], m_txn.Id);
}

void Tfdptxn::ChLblClick() {
    ShowChannelDetails(m_core, m_txn.chnum);
}

void Tfdptxn::dpinstsbtnClick() {
    if (m_txn.Masterid > 0)
        ListInstances(m_core, m_txn.Masterid, m_txn.Id);
}

// ---- entry points ------------------------------------------------------------

void ShowTransaction(TFCore& core, int id) {
    Window(core).ShowTxn(id);
}

void ShowTxnRecord(TFCore& core, const TxnRec& rec) {
    Window(core).ShowRecord(rec);
}
