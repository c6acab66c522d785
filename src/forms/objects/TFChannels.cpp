// The channel choice; see TFChannels.h.
#include "forms/objects/TFChannels.h"

#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/LedgerState.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

TFChannels::TFChannels(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("FChannels"));
    setWindowTitle(QStringLiteral("Channels"));
    Menu = new QMenuBar(this);
    NewItem = Menu->addAction(QStringLiteral("New"));
    CloseItem = Menu->addAction(QStringLiteral("Close"));
    AccLbl = new QLabel(this);
    AccLbl->setTextFormat(Qt::PlainText);
    AccBtn = new QPushButton(QStringLiteral("..."), this);
    AccBtn->setToolTip(QStringLiteral("View account details"));
    AccBtn->setAutoDefault(false);
    ChList = new QListWidget(this);
    ChList->setContextMenuPolicy(Qt::CustomContextMenu);
    Popup = new QMenu(this);
    ViewItem = Popup->addAction(QStringLiteral("View Channel details"));
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);

    auto* accRow = new QHBoxLayout;
    accRow->addWidget(AccLbl, 1);
    accRow->addWidget(AccBtn);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(Menu);
    outer->addLayout(accRow);
    outer->addWidget(ChList, 1);
    outer->addLayout(buttons);
    resize(320, 300);

    connect(NewItem, &QAction::triggered, this, [this] { NewClick(); });
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    connect(ChList, &QListWidget::itemDoubleClicked, this, [this] { OKBtnClick(); });
    connect(ChList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { Popup->popup(ChList->viewport()->mapToGlobal(pos)); });
    connect(ViewItem, &QAction::triggered, this, [this] {
        if (QListWidgetItem* item = ChList->currentItem())
            ShowChannelDetails(m_core, item->data(Qt::UserRole).toInt());
    });
    RegisterForm(this);
}

void TFChannels::Load(const ObjRec& account) {
    m_account = account;
    AccLbl->setText(account.Name);
    std::vector<IdTextRow> list;
    ListChannels(m_core, account.Id, list);
    std::stable_sort(list.begin(), list.end(),
                     [](const IdTextRow& a, const IdTextRow& b) { return a.text.localeAwareCompare(b.text) < 0; });
    ChList->clear();
    for (const IdTextRow& row : list) {
        auto* item = new QListWidgetItem(row.text, ChList);
        item->setData(Qt::UserRole, row.id);
    }
    if (ChList->count() > 0)
        ChList->setCurrentRow(0);
}

bool TFChannels::Choose(const ObjRec& account, ChannelRec& result) {
    ClearChannel(m_result);
    if (account.Type != otExtAcc)
        return false;
    Load(account);
    m_result.AccId = account.Id;
    if (ChList->count() == 0) {
        if (automaticChoice) {
            result = m_result;
            return true;
        }
        automaticChoice = true;
    }
    if (exec() != QDialog::Accepted)
        return false;
    result = m_result;
    return true;
}

void TFChannels::OKBtnClick() {
    if (QListWidgetItem* item = ChList->currentItem()) {
        m_result.Chnum = item->data(Qt::UserRole).toInt();
        m_result.ChName = item->text();
    }
    m_result.AccId = m_account.Id;
    accept();
}

void TFChannels::NewClick() {
    if (NewChannel(m_core, m_account.Id) != 0)
        Load(m_account);
}

namespace {
QPointer<TFChannels> g_channels;
void DeleteChannels() {
    delete g_channels.data();
}
} // namespace

bool ChooseChannel(TFCore& core, const ObjRec& account, bool automatic) {
    if (g_channels && &g_channels->Core() != &core)
        delete g_channels.data();
    if (!g_channels) {
        g_channels = new TFChannels(core);
        qAddPostRoutine(DeleteChannels);
    }
    g_channels->automaticChoice = automatic;
    return g_channels->Choose(account, Ledger(core).pickedChannel);
}
