// The pot editor; see TFIntAcc.h.
#include "forms/objects/TFIntAcc.h"

#include "data/Core.h"

#include <QFormLayout>
#include <QLabel>

TFIntAcc::TFIntAcc(TFCore& core, QWidget* parent) : ObjEditor(core, QStringLiteral("FIntAcc"), parent) {
    OpeningLbl = new QLabel(DetailsTab);
    OpeningLbl->setTextFormat(Qt::PlainText);
    Form->addRow(QStringLiteral("Opening"), OpeningLbl);
    AddAllowTicks(QStringLiteral("Expected"));
    FinishLayout();
}

void TFIntAcc::LoadExtra() {
    const ObjRec& r = m_edit.rec;
    const CalDate start = m_core.settings().DBStartDate;
    OpeningLbl->setText(FormatAmount(r.BfdBal) + QStringLiteral("  ") +
                        DateText(DateAfter(start, r.OpenDate) ? start : r.OpenDate));
}
