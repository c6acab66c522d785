// The counterparty editor; see TFCpty.h.
#include "forms/objects/TFCpty.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "ledger/Closing.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

TFCpty::TFCpty(TFCore& core, QWidget* parent) : ObjEditor(core, QStringLiteral("FCpty"), parent) {
    TypeGrp = new QGroupBox(QStringLiteral("Counterparty type"), DetailsTab);
    PayeeChk = new QCheckBox(QStringLiteral("Payee (I pay you)"), TypeGrp);
    PayeeChk->setToolTip(QStringLiteral("receives payments from me (payee)"));
    PayerChk = new QCheckBox(QStringLiteral("Payer (you pay me)"), TypeGrp);
    PayerChk->setToolTip(QStringLiteral("makes payments to me (payer)"));
    auto* types = new QHBoxLayout(TypeGrp);
    types->addWidget(PayeeChk);
    types->addWidget(PayerChk);
    Extra->addWidget(TypeGrp);
    AddDormantLock();

    AccountsTab = new QWidget;
    Pages->insertTab(1, AccountsTab, QStringLiteral("Ext accounts"));
    AccountsGrid = new QTableWidget(0, 2, AccountsTab);
    AccountsGrid->setHorizontalHeaderLabels({QStringLiteral("Name"), QString()});
    AccountsGrid->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    AccountsGrid->verticalHeader()->hide();
    AccountsGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    AccountsGrid->setSelectionMode(QAbstractItemView::SingleSelection);
    AccountsGrid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    AccountsGrid->setContextMenuPolicy(Qt::CustomContextMenu);
    AccountsNoteLbl = new QLabel(
        QStringLiteral("\"default\" marks the external account that transaction input uses for this counterparty "
                       "when its credit option is selected."),
        AccountsTab);
    AccountsNoteLbl->setWordWrap(true);
    auto* accLayout = new QVBoxLayout(AccountsTab);
    accLayout->addWidget(AccountsGrid, 1);
    accLayout->addWidget(AccountsNoteLbl);
    AccountsPopup = new QMenu(this);
    DetailsItem = AccountsPopup->addAction(QStringLiteral("Details"));
    PostingsItem = AccountsPopup->addAction(QStringLiteral("Postings"));
    UseDefaultItem = AccountsPopup->addAction(QStringLiteral("Use as default"));
    PostingsItem->setEnabled(ScreenBuilt(Screen::Postings));
    // The popup opens with the context-menu key as well as the right button.
    connect(AccountsGrid, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& pos) { AccountsPopup->popup(AccountsGrid->viewport()->mapToGlobal(pos)); });
    connect(DetailsItem, &QAction::triggered, this, [this] {
        if (SelectedAccount() > 0 && EditObject(m_core, SelectedAccount()))
            LoadAccounts();
    });
    connect(PostingsItem, &QAction::triggered, this, [this] {
        if (SelectedAccount() > 0)
            OpenPostings(m_core, SelectedAccount());
    });
    connect(UseDefaultItem, &QAction::triggered, this, [this] { UseAsDefaultClick(); });
    m_editable.insert(m_editable.end(), {PayeeChk, PayerChk});
    FinishLayout();
}

QString TFCpty::Caption() const {
    return m_mode == 'N' ? QStringLiteral("Counterparty details - New") : QStringLiteral("Counterparty details - Edit");
}

void TFCpty::LoadExtra() {
    PayeeChk->setChecked(m_edit.rec.CptyRcvs);
    PayerChk->setChecked(m_edit.rec.CptyPays);
    LoadAccounts();
}

void TFCpty::LoadAccounts() {
    const std::vector<IdTextRow> rows =
        m_edit.rec.Id > 0 ? ProvidedAccounts(m_core, m_edit.rec.Id) : std::vector<IdTextRow>{};
    AccountsGrid->setRowCount(int(rows.size()));
    for (int i = 0; i < int(rows.size()); ++i) {
        auto* name = new QTableWidgetItem(rows[i].text);
        name->setData(Qt::UserRole, rows[i].id);
        AccountsGrid->setItem(i, 0, name);
        AccountsGrid->setItem(
            i, 1, new QTableWidgetItem(rows[i].id == m_edit.rec.AccWith ? QStringLiteral("default") : QString()));
    }
    if (!rows.empty())
        AccountsGrid->selectRow(0);
    Pages->setTabText(Pages->indexOf(AccountsTab),
                      rows.empty() ? QStringLiteral("Ext accounts") : QStringLiteral("EXT ACCOUNTS"));
}

int TFCpty::SelectedAccount() const {
    const int row = AccountsGrid->currentRow();
    return row < 0 ? 0 : AccountsGrid->item(row, 0)->data(Qt::UserRole).toInt();
}

void TFCpty::UseAsDefaultClick() {
    const int id = SelectedAccount();
    if (id <= 0)
        return;
    m_edit.rec.AccWith = id;
    LoadAccounts();
    m_core.prompter().InfoAtCursor(QStringLiteral("Use UPDATE button to commit this change"));
}

bool TFCpty::ReadExtra(ObjectEdit& edit) {
    edit.rec.Type = otCpty;
    edit.rec.CptyRcvs = PayeeChk->isChecked();
    edit.rec.CptyPays = PayerChk->isChecked();
    return true;
}

bool TFCpty::AskClose(CalDate& date) {
    if (m_edit.rec.Id > 0) {
        if (const int rptr = FindRepeaterUsing(m_core, m_edit.rec.Id, true)) {
            m_core.prompter().ShowMessage(QStringLiteral("Cannot close - Counterparty is in active Repeater #") +
                                          QString::number(rptr));
            return false;
        }
    }
    return AskCloseDate(m_core, m_edit.rec, date);
}
