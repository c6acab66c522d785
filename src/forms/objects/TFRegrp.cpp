// The regroup dialog; see TFRegrp.h.
#include "forms/objects/TFRegrp.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/ObjectEditing.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

TFRegrp::TFRegrp(TFCore& core, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(QStringLiteral("FRegrp"));
    setWindowTitle(QStringLiteral("Regroup"));
    GroupLbl = new QLabel(QStringLiteral("New parent Group"), this);
    GroupBox = new QComboBox(this);
    GroupBox->setMinimumContentsLength(30);
    GroupLbl->setBuddy(GroupBox);
    ListLbl = new QLabel(QStringLiteral("Accounts / Groups for regrouping "), this);
    ObjList = new QListWidget(this);
    OKBtn = new QPushButton(QStringLiteral("OK"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* outer = new QVBoxLayout(this);
    outer->addWidget(GroupLbl);
    outer->addWidget(GroupBox);
    outer->addWidget(ListLbl);
    outer->addWidget(ObjList, 1);
    outer->addLayout(buttons);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    RegisterForm(this);
}

void TFRegrp::Start(int groupKind) {
    ObjList->clear();
    std::vector<IdTextRow> groups;
    FillGroupList(m_core, groups, groupKind, false);
    GroupBox->clear();
    for (const IdTextRow& g : groups)
        GroupBox->addItem(g.text, g.id);
    GroupBox->setCurrentIndex(0);
}

void TFRegrp::Add(int id, const QString& name) {
    auto* item = new QListWidgetItem(name, ObjList);
    item->setData(Qt::UserRole, id);
}

bool TFRegrp::Run() {
    return exec() == QDialog::Accepted;
}

void TFRegrp::OKBtnClick() {
    if (!m_core.prompter().AskYesNo(QStringLiteral("Regroup these Accounts / Groups - are you sure ?")))
        return;
    std::vector<int> ids;
    for (int i = 0; i < ObjList->count(); ++i)
        ids.push_back(ObjList->item(i)->data(Qt::UserRole).toInt());
    if (MoveObjectsToGroup(m_core, ids, GroupBox->currentData().toInt()))
        accept();
}

namespace {
QPointer<TFRegrp> g_regrp;
void DeleteRegrp() {
    delete g_regrp.data();
}
} // namespace

bool RegroupObjects(TFCore& core, int groupKind, const std::vector<std::pair<int, QString>>& objects) {
    if (g_regrp && &g_regrp->Core() != &core)
        delete g_regrp.data();
    if (!g_regrp) {
        g_regrp = new TFRegrp(core);
        qAddPostRoutine(DeleteRegrp);
    }
    g_regrp->Start(groupKind);
    for (const auto& [id, name] : objects)
        g_regrp->Add(id, name);
    return g_regrp->Run();
}
