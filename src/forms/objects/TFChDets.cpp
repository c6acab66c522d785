// The channel details window; see TFChDets.h.
#include "forms/objects/TFChDets.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/Channels.h"
#include "ledger/LedgerState.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

TFChDets::TFChDets(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("FChDets"));
    setWindowTitle(QStringLiteral("Channel details"));
    Menu = new QMenuBar(this);
    CloseItem = Menu->addAction(QStringLiteral("Close"));
    NewItem = Menu->addAction(QStringLiteral("New"));
    EditItem = Menu->addAction(QStringLiteral("Edit"));
    DeleteItem = Menu->addAction(QStringLiteral("Delete"));
    IdLbl = new QLabel(QStringLiteral("Channel id"), this);
    IdValLbl = new QLabel(this);
    AccBox = new QLineEdit(this);
    AccBox->setReadOnly(true);
    NameBox = new QLineEdit(this);
    NameBox->setMaxLength(20);
    NameBox->setToolTip(
        QStringLiteral("for example \"Cheque\", \"Debit Card\", \"Standing Order\", \"Direct Debit\" ..."));
    NoteMemo = new QPlainTextEdit(this);
    StatusBox = new QComboBox(this);
    StatusBox->addItems({QStringLiteral("Open"), QStringLiteral("Closed")});
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);

    auto* form = new QFormLayout;
    form->addRow(IdLbl, IdValLbl);
    form->addRow(QStringLiteral("External account"), AccBox);
    form->addRow(QStringLiteral("Channel name"), NameBox);
    form->addRow(QStringLiteral("Note"), NoteMemo);
    form->addRow(QStringLiteral("Status"), StatusBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(Menu);
    outer->addLayout(form);
    outer->addLayout(buttons);
    resize(380, 300);

    connect(CloseItem, &QAction::triggered, this, [this] { reject(); });
    connect(NewItem, &QAction::triggered, this, [this] { NewClick(); });
    connect(EditItem, &QAction::triggered, this, [this] { EditClick(); });
    connect(DeleteItem, &QAction::triggered, this, [this] { DeleteClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, [this] { reject(); });
    RegisterForm(this);
}

void TFChDets::SetState(char state) {
    m_state = state;
    Ledger(m_core).entryMode = state;
    const bool editable = state == 'E' || state == 'N';
    for (QWidget* w : std::initializer_list<QWidget*>{AccBox, NameBox, NoteMemo, StatusBox}) {
        w->setEnabled(editable);
        QPalette pal = w->palette();
        QColor c = Qt::white;
        if (!editable)
            c = QApplication::palette().color(QPalette::Button);
        else if (state == 'E')
            c = QColor(255, 255, 128);
        else
            c = QColor(128, 255, 255);
        pal.setColor(QPalette::Base, c);
        pal.setColor(QPalette::Button, c);
        w->setPalette(pal);
    }
    OKBtn->setEnabled(editable);
    CancelBtn->setText(state == 'D' ? QStringLiteral("Close") : QStringLiteral("Cancel"));
    NewItem->setEnabled(state == 'D');
    EditItem->setEnabled(state == 'D');
    DeleteItem->setEnabled(state == 'D');
}

bool TFChDets::LoadChannel(int chnum) {
    m_chnum = chnum;
    SetState('D');
    ChannelRow row;
    if (!ReadChannelRow(m_core, chnum, row)) {
        m_core.prompter().ShowMessage(QStringLiteral("Channel ") + QString::number(chnum) +
                                      QStringLiteral(" not found"));
        return false;
    }
    IdValLbl->setText(QString::number(chnum));
    InitObjRec(m_account);
    ReadObj(m_core, row.AccId, m_account);
    AccBox->setText(m_account.Name);
    NameBox->setText(row.ChName);
    StatusBox->setCurrentIndex(row.ChSts == 1 ? 1 : 0);
    NoteMemo->setPlainText(row.ChNote);
    return true;
}

void TFChDets::BlankNew() {
    m_chnum = 0;
    SetState('N');
    IdValLbl->setText(QStringLiteral("new"));
    NameBox->clear();
    StatusBox->setCurrentIndex(0);
    NoteMemo->clear();
    NameBox->setFocus();
}

bool TFChDets::LoadNew(int accountId) {
    ObjRec acc;
    if (!ReadObj(m_core, accountId, acc))
        return false;
    m_account = acc;
    AccBox->setText(acc.Name);
    BlankNew();
    return true;
}

void TFChDets::NewClick() {
    if (m_state == 'D')
        BlankNew();
}

void TFChDets::EditClick() {
    if (m_state == 'D')
        SetState('E');
}

void TFChDets::DeleteClick() {
    if (m_state == 'D' && m_chnum > 0 && DeleteChannel(m_core, m_chnum))
        done(QDialog::Accepted);
}

void TFChDets::OKBtnClick() {
    if (m_state == 'D')
        return;
    ChannelRow row;
    if (m_state == 'E') {
        if (!ReadChannelRow(m_core, m_chnum, row))
            return;
    }
    row.AccId = m_account.Id;
    row.ChName = NameBox->text();
    row.ChSts = StatusBox->currentIndex();
    row.ChNote = NoteMemo->toPlainText();
    if (!WriteChannel(m_core, row))
        return;
    m_chnum = row.Chnum;
    done(QDialog::Accepted);
}

void TFChDets::reject() {
    if (m_state == 'E') {
        LoadChannel(m_chnum);
        return;
    }
    QDialog::reject();
}

void TFChDets::closeEvent(QCloseEvent* event) {
    if (m_state == 'E')
        SetState('D');
    QDialog::closeEvent(event);
}

namespace {
QPointer<TFChDets> g_chDets;
void DeleteChDets() {
    delete g_chDets.data();
}
TFChDets* ChDets(TFCore& core) {
    if (g_chDets && &g_chDets->Core() != &core)
        delete g_chDets.data();
    if (!g_chDets) {
        g_chDets = new TFChDets(core);
        qAddPostRoutine(DeleteChDets);
    }
    return g_chDets.data();
}
} // namespace

void ShowChannelDetails(TFCore& core, int chnum) {
    TFChDets* w = ChDets(core);
    if (w->isVisible() && w->State() != 'D')
        return; // a channel is being created or edited there
    if (!w->LoadChannel(chnum))
        return;
    // Under a modal window a modeless one could not be used: show it modal.
    if (QApplication::activeModalWidget() && QApplication::activeModalWidget() != w)
        w->exec();
    else {
        w->show();
        w->raise();
        w->activateWindow();
    }
}

int NewChannel(TFCore& core, int accountId) {
    TFChDets* w = ChDets(core);
    if (w->isVisible())
        w->hide();
    if (!w->LoadNew(accountId))
        return 0;
    w->exec();
    return w->Chnum();
}
