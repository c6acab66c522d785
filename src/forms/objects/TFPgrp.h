// The group editor for the four group kinds (pot, external, counterparty and
// category groups): its parent group of the same kind, the date it opened
// and, except for counterparty groups, its opening balance.
#pragma once

#include "forms/objects/ObjEditor.h"

class TFPgrp : public ObjEditor {
public:
    TFPgrp(TFCore& core, QWidget* parent = nullptr);

    QLabel* OpeningLbl;
    QLabel* OpeningValLbl;

protected:
    int GroupKind() const override { return m_edit.rec.Type; }
    QString Caption() const override;
    void LoadExtra() override;
    bool ReadExtra(ObjectEdit& edit) override;
    QString BackdateSuffix() const override { return QStringLiteral(" - back-date ?"); }
    bool AskClose(CalDate& date) override;
    void PrepareNew(ObjRec& rec) override;
    QString OpenLabel() const override { return QStringLiteral("Opened"); }
};
