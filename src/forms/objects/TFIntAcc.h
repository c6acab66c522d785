// The pot editor "Internal Account ('Pot') details": an internal account that
// earmarks money, with its allow ticks and its opening balance shown.
#pragma once

#include "forms/objects/ObjEditor.h"

class TFIntAcc : public ObjEditor {
public:
    TFIntAcc(TFCore& core, QWidget* parent = nullptr);

    QLabel* OpeningLbl;

protected:
    int GroupKind() const override { return 7; }
    QString Caption() const override { return QStringLiteral("Internal Account ('Pot') details"); }
    void LoadExtra() override;
};
