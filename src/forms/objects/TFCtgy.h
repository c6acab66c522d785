// The category editor "Category details - New" / "Category details - Edit",
// with the category's default pot.
#pragma once

#include "forms/objects/ObjEditor.h"

class TFCtgy : public ObjEditor {
public:
    TFCtgy(TFCore& core, QWidget* parent = nullptr);

    void PotBoxClick();

    QLineEdit* PotBox;

protected:
    int GroupKind() const override { return 10; }
    QString Caption() const override;
    void LoadExtra() override;
    bool ReadExtra(ObjectEdit& edit) override;
    void PrepareNew(ObjRec& rec) override;
    void CloseBoxClick() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    int m_pot = 0;
};
