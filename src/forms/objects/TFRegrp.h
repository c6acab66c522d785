// The regroup dialog: moves a list of accounts or groups into one group of a
// group kind at once, then rebalances.
#pragma once

#include <QDialog>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class TFCore;

class TFRegrp : public QDialog {
public:
    TFRegrp(TFCore& core, QWidget* parent = nullptr);

    // Empties the list and fills the group list for the kind.
    void Start(int groupKind);
    // Appends a line for an object to move.
    void Add(int id, const QString& name);
    // Shows the dialog modally; true when closed with OK (the objects moved).
    bool Run();
    void OKBtnClick();

    QLabel* GroupLbl;
    QComboBox* GroupBox;
    QLabel* ListLbl;
    QListWidget* ObjList;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

    TFCore& Core() const { return m_core; }

private:
    TFCore& m_core;
};
