// The external account editor; see TFExtAcc.h.
#include "forms/objects/TFExtAcc.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "ledger/Channels.h"
#include "ledger/LedgerState.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

TFExtAcc::TFExtAcc(TFCore& core, QWidget* parent) : ObjEditor(core, QStringLiteral("FExtAcc"), parent) {
    DisplayLbl = new QLabel(DetailsTab);
    DisplayLbl->setTextFormat(Qt::PlainText);
    QFont bold = DisplayLbl->font();
    bold.setBold(true);
    DisplayLbl->setFont(bold);
    DesigBox = new QLineEdit(DetailsTab);
    DesigBox->setMaxLength(20);
    DesigBox->setToolTip(
        QStringLiteral("Use the Designation to distinguish multiple Accounts with the same Counterparty"));
    ProvBox = new QLineEdit(DetailsTab);
    ProvBox->setReadOnly(true);
    ProvBtn = new QPushButton(QStringLiteral("Select"), DetailsTab);
    ProvBtn->setToolTip(QStringLiteral("Select 'account provider' from list of Counterparties, or enter a new one"));
    ProvClearBtn = new QPushButton(QStringLiteral("X"), DetailsTab);
    ProvClearBtn->setToolTip(QStringLiteral("Account with no-one (for hard cash accounts)"));
    ProvViewBtn = new QPushButton(QStringLiteral("..."), DetailsTab);
    ProvViewBtn->setToolTip(QStringLiteral("View 'account provider' Counterparty details"));
    GenerateBtn = new QPushButton(QStringLiteral("Generate"), DetailsTab);
    GenerateBtn->setToolTip(QStringLiteral("Generate default account name from Counterparty & Designation"));
    for (QPushButton* b : {ProvBtn, ProvClearBtn, ProvViewBtn, GenerateBtn})
        b->setAutoDefault(false);
    OpeningBox = new QLineEdit(DetailsTab);
    OpeningDateLbl = new QLabel(DetailsTab);
    StatusLbl = new QLabel(DetailsTab);
    StatusLbl->setStyleSheet(QStringLiteral("color: red"));
    ReconciledBox = new QLineEdit(DetailsTab);
    ReconciledBox->setReadOnly(true);

    auto* nameRow = new QHBoxLayout;
    // "Account name" goes after the heading, with Generate beside it.
    const QFormLayout::TakeRowResult taken = Form->takeRow(0);
    delete taken.labelItem->widget();
    delete taken.labelItem;
    delete taken.fieldItem;
    nameRow->addWidget(NameBox, 1);
    nameRow->addWidget(GenerateBtn);
    Form->addRow(DisplayLbl);
    Form->addRow(QStringLiteral("Account name"), nameRow);
    auto* provRow = new QHBoxLayout;
    provRow->addWidget(ProvBox, 1);
    provRow->addWidget(ProvBtn);
    provRow->addWidget(ProvClearBtn);
    provRow->addWidget(ProvViewBtn);
    Form->addRow(QStringLiteral("Account provider"), provRow);
    Form->addRow(QStringLiteral("Designation"), DesigBox);
    auto* openRow = new QHBoxLayout;
    openRow->addWidget(OpeningBox, 1);
    openRow->addWidget(OpeningDateLbl);
    Form->addRow(QStringLiteral("Opening"), openRow);
    AddAllowTicks(QStringLiteral("Expected"));
    Extra->addWidget(StatusLbl);
    auto* recRow = new QFormLayout;
    recRow->addRow(QStringLiteral("Reconciled "), ReconciledBox);
    Extra->addLayout(recRow);
    m_editable.insert(m_editable.end(), {DesigBox, ProvBox, OpeningBox});

    ChannelsTab = new QWidget;
    Pages->addTab(ChannelsTab, QStringLiteral("Channels"));
    ChannelList = new QListWidget(ChannelsTab);
    AddChannelBtn = new QPushButton(QStringLiteral("Add channel"), ChannelsTab);
    ViewChannelBtn = new QPushButton(QStringLiteral("View / edit channel"), ChannelsTab);
    DeleteChannelBtn = new QPushButton(QStringLiteral("Delete channel"), ChannelsTab);
    auto* chButtons = new QHBoxLayout;
    for (QPushButton* b : {AddChannelBtn, ViewChannelBtn, DeleteChannelBtn}) {
        b->setAutoDefault(false);
        chButtons->addWidget(b);
    }
    auto* chLayout = new QVBoxLayout(ChannelsTab);
    chLayout->addWidget(ChannelList, 1);
    chLayout->addLayout(chButtons);
    FinishLayout();
    setMinimumWidth(520);

    connect(ProvBtn, &QPushButton::clicked, this, [this] { ProvBtnClick(); });
    connect(ProvClearBtn, &QPushButton::clicked, this, [this] {
        m_provider = 0;
        m_providerName.clear();
        ShowProvider();
    });
    connect(ProvViewBtn, &QPushButton::clicked, this, [this] {
        if (m_provider > 0 && EditObject(m_core, m_provider)) {
            ObjRec p;
            if (ReadObj(m_core, m_provider, p))
                m_providerName = p.Name;
            ShowProvider();
        }
    });
    connect(GenerateBtn, &QPushButton::clicked, this, [this] { GenerateBtnClick(); });
    connect(AddChannelBtn, &QPushButton::clicked, this, [this] { AddChannelClick(); });
    connect(ViewChannelBtn, &QPushButton::clicked, this, [this] { ViewChannelClick(); });
    connect(ChannelList, &QListWidget::itemDoubleClicked, this, [this] { ViewChannelClick(); });
    connect(DeleteChannelBtn, &QPushButton::clicked, this, [this] { DeleteChannelClick(); });
}

void TFExtAcc::ShowProvider() {
    ProvBox->setText(m_providerName);
}

void TFExtAcc::LoadExtra() {
    const ObjRec& r = m_edit.rec;
    IdLbl->setText(m_mode == 'N' ? QStringLiteral("New Account") : QStringLiteral("Id = ") + QString::number(r.Id));
    DesigBox->setText(r.Desig);
    DisplayLbl->setText(r.Name);
    m_provider = r.AccWith;
    m_providerName.clear();
    ObjRec p;
    if (m_provider > 0 && ReadObj(m_core, m_provider, p))
        m_providerName = p.Name;
    ShowProvider();
    OpeningBox->setText(FormatAmount(r.BfdBal));
    const CalDate start = m_core.settings().DBStartDate;
    OpeningDateLbl->setText(DateText(DateAfter(start, r.OpenDate) ? start : r.OpenDate));
    const DateInt close = CalToInt(r.CloseDate);
    if (close != 0 && close != kNotClosed)
        StatusLbl->setText(QStringLiteral("Account is closed"));
    else if (!IsNullDate(r.LastPstgDate) && CalToInt(r.LastPstgDate) < m_core.settings().DormantCutoff)
        StatusLbl->setText(QStringLiteral("Account is dormant"));
    else
        StatusLbl->clear();
    ReconciledBox->setText(r.Reconciled);
    LoadChannels();
}

void TFExtAcc::LoadChannels() {
    ChannelList->clear();
    std::vector<IdTextRow> list;
    if (m_edit.rec.Id > 0)
        ListChannels(m_core, m_edit.rec.Id, list);
    for (const IdTextRow& row : list) {
        auto* item = new QListWidgetItem(row.text, ChannelList);
        item->setData(Qt::UserRole, row.id);
    }
    if (!list.empty())
        ChannelList->setCurrentRow(0);
    // A channel needs the account's id: a new account gets its channels after
    // it is stored.
    for (QPushButton* b : {AddChannelBtn, ViewChannelBtn, DeleteChannelBtn})
        b->setEnabled(m_edit.rec.Id > 0);
    Pages->setTabText(Pages->indexOf(ChannelsTab),
                      list.empty() ? QStringLiteral("Channels") : QStringLiteral("CHANNELS"));
}

bool TFExtAcc::ReadExtra(ObjectEdit& edit) {
    ObjRec& r = edit.rec;
    r.Desig = LeftChars(DesigBox->text(), 40);
    r.Type = otExtAcc;
    Amount bfd = 0;
    const QString text = OpeningBox->text().trimmed();
    if (!text.isEmpty() && !ParseAmount(text, bfd)) {
        m_core.prompter().ShowMessage(QStringLiteral("Invalid b/fd balance"));
        return false;
    }
    r.BfdBal = bfd;
    r.AccWith = m_provider;
    return true;
}

void TFExtAcc::ProvBtnClick() {
    if (!Pick(m_core, otCpty, m_provider))
        return;
    m_provider = PickedObj(m_core).Id;
    m_providerName = PickedObj(m_core).Name;
    ShowProvider();
}

void TFExtAcc::GenerateBtnClick() {
    Prompter& p = m_core.prompter();
    if (!NameBox->text().isEmpty() && !p.AskYesNo(QStringLiteral("Overwrite account name with defaults - OK?")))
        return;
    const QString name = DefaultAccountName(m_provider > 0 ? m_providerName : QString(), DesigBox->text());
    if (name.size() > 40)
        p.ShowMessage(QStringLiteral("Account name too long - edit to <= 40 characters"));
    NameBox->setMaxLength(qMax(40, int(name.size())));
    NameBox->setText(name);
}

void TFExtAcc::AddChannelClick() {
    if (m_edit.rec.Id > 0 && NewChannel(m_core, m_edit.rec.Id) != 0)
        LoadChannels();
}

void TFExtAcc::ViewChannelClick() {
    if (QListWidgetItem* item = ChannelList->currentItem())
        ShowChannelDetails(m_core, item->data(Qt::UserRole).toInt());
}

void TFExtAcc::DeleteChannelClick() {
    if (QListWidgetItem* item = ChannelList->currentItem())
        if (DeleteChannel(m_core, item->data(Qt::UserRole).toInt()))
            LoadChannels();
}
