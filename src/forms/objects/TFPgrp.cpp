// The group editor; see TFPgrp.h.
#include "forms/objects/TFPgrp.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "ledger/Closing.h"

#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>

TFPgrp::TFPgrp(TFCore& core, QWidget* parent) : ObjEditor(core, QStringLiteral("FPgrp"), parent) {
    OpeningLbl = new QLabel(QStringLiteral("Opening balance  "), DetailsTab);
    OpeningValLbl = new QLabel(DetailsTab);
    Form->addRow(OpeningLbl, OpeningValLbl);
    FinishLayout();
    // A group's open date is its own to set; a member opening earlier offers
    // to move it back.
    OpenBox->setReadOnly(false);
    OpenBox->setToolTip(QString());
    m_editable.push_back(OpenBox);
}

QString TFPgrp::Caption() const {
    return KindName(m_edit.rec.Type, 'U', 'S');
}

void TFPgrp::PrepareNew(ObjRec& rec) {
    rec.OpenDate = m_core.settings().BalFrom;
}

void TFPgrp::LoadExtra() {
    const bool shown = m_edit.rec.Type != otCptyGrp;
    OpeningLbl->setVisible(shown);
    OpeningValLbl->setVisible(shown);
    OpeningValLbl->setText(FormatAmount(m_edit.rec.BfdBal));
}

bool TFPgrp::ReadExtra(ObjectEdit& edit) {
    const QString text = OpenBox->text().trimmed();
    if (!text.isEmpty() && IsNullDate(DateStrToCal(text))) {
        m_core.prompter().ShowMessage(QStringLiteral("Invalid date ") + text);
        return false;
    }
    edit.rec.OpenDate = DateFromText(text);
    edit.rec.Sweep = false;
    return true;
}

bool TFPgrp::AskClose(CalDate& date) {
    return AskGroupCloseDate(m_core, m_edit.rec, DateFromText(CloseBox->text()), date);
}
