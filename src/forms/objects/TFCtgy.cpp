// The category editor; see TFCtgy.h.
#include "forms/objects/TFCtgy.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"

#include <QEvent>
#include <QFormLayout>
#include <QLineEdit>

TFCtgy::TFCtgy(TFCore& core, QWidget* parent) : ObjEditor(core, QStringLiteral("FCtgy"), parent) {
    PotBox = new QLineEdit(DetailsTab);
    PotBox->setReadOnly(true);
    PotBox->installEventFilter(this);
    Form->addRow(QStringLiteral("Default Pot for this Category"), PotBox);
    AddDormantLock();
    m_editable.push_back(PotBox);
    FinishLayout();
}

QString TFCtgy::Caption() const {
    return m_mode == 'N' ? QStringLiteral("Category details - New") : QStringLiteral("Category details - Edit");
}

void TFCtgy::PrepareNew(ObjRec& rec) {
    if (!rec.Name.isEmpty())
        rec.Name[0] = rec.Name[0].toUpper();
}

void TFCtgy::LoadExtra() {
    m_pot = m_edit.rec.PotType;
    ObjRec pot;
    PotBox->setText(m_pot > 0 && ReadObj(m_core, m_pot, pot) ? pot.Name : QString());
}

bool TFCtgy::ReadExtra(ObjectEdit& edit) {
    edit.rec.Type = otCtgy;
    edit.rec.PotType = m_pot;
    return true;
}

void TFCtgy::PotBoxClick() {
    if (!Pick(m_core, otPot, m_pot))
        return;
    m_pot = PickedObj(m_core).Id;
    PotBox->setText(PickedObj(m_core).Name);
}

void TFCtgy::CloseBoxClick() {
    CalDate date = DateFromText(CloseBox->text());
    if (m_core.prompter().PickDate(date))
        CloseBox->setText(CalToDateStr(date));
}

bool TFCtgy::eventFilter(QObject* watched, QEvent* event) {
    if (watched == PotBox && IsBoxClick(event)) {
        PotBoxClick();
        return true;
    }
    return ObjEditor::eventFilter(watched, event);
}
