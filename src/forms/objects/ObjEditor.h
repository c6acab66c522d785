// The design the account editors share: the "Details" and "Notes" tabs, the
// name, group, date, dormant-lock and allow ticks, the created/edited line,
// the New and Edit colours, OK ("Insert" / "Update") and Cancel, and the
// menu "Close" / "Refresh".  Each editor (TFExtAcc, TFIntAcc, TFCpty, TFCtgy,
// TFPgrp) adds its own fields and loads and reads them through the hooks
// below.  What OK checks and writes is SaveObjectEdit (ledger/ObjectEditing.h).
#pragma once

#include "ledger/ObjectEditing.h"

#include <QDialog>

class QCheckBox;
class QComboBox;
class QFormLayout;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenuBar;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;
class TFCore;

class ObjEditor : public QDialog {
public:
    // Opening in New mode: the cleared record of the kind with the proposed
    // name.  The caller then exec()s; OK leaves the saved record in Record().
    void StartNew(int kind, const QString& proposedName);
    // Opening in Edit mode on a copy of rec (its note read from the store).
    void StartEdit(const ObjRec& rec);
    // New: the new id, or 0 when cancelled.  Edit: 1 when saved, else 0.
    int Run();

    const ObjRec& Record() const { return m_edit.rec; }
    TFCore& Core() const { return m_core; }
    char Mode() const { return m_mode; }

    // Reloads the controls from the record ("Refresh").
    void LoadControls();
    void OKBtnClick();
    void CalBtnClick();

    QMenuBar* Menu;
    QAction* CloseItem;
    QAction* RefreshItem;
    QLabel* TimesLbl;
    QTabWidget* Pages;
    QWidget* DetailsTab;
    QWidget* NotesTab;
    QLabel* IdLbl;
    QLineEdit* NameBox;
    QComboBox* GrpBox;
    QLineEdit* OpenBox;
    QLineEdit* CloseBox;
    QPushButton* CalBtn;
    QLineEdit* LastBox;
    QCheckBox* DmtLockChk = nullptr;
    QGroupBox* AllowGrp = nullptr;
    QCheckBox* NegChk = nullptr;
    QCheckBox* ZeroChk = nullptr;
    QCheckBox* PosChk = nullptr;
    QPlainTextEdit* NotesMemo;
    QPushButton* OKBtn;
    QPushButton* CancelBtn;

protected:
    ObjEditor(TFCore& core, const QString& objectName, QWidget* parent);
    // Builds the common controls; the derived constructor adds its own rows to
    // Form (after "Account name") and Extra (below the dates), then calls
    // FinishLayout.
    void AddAllowTicks(const QString& title);
    void AddDormantLock();
    void FinishLayout();

    // Hooks.
    virtual int GroupKind() const = 0;
    virtual QString Caption() const = 0;
    virtual void LoadExtra() {}
    // Copies the editor's own fields into the record; false (with its
    // message shown) stops the OK.
    virtual bool ReadExtra(ObjectEdit&) { return true; }
    virtual QString BackdateSuffix() const { return QStringLiteral(" - back-date?"); }
    // The close date chosen by the calendar button; false when none.
    virtual bool AskClose(CalDate& date);
    // What clicking the "Closed" box does (the calendar button by default).
    virtual void CloseBoxClick() { CalBtnClick(); }
    virtual void PrepareNew(ObjRec&) {}
    virtual QString OpenLabel() const { return QStringLiteral("First used "); }
    // Colours an editable box by the mode.
    void Paint(QWidget* w) const;
    void PaintAll();

    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

    TFCore& m_core;
    ObjectEdit m_edit;
    char m_mode = ' ';
    QFormLayout* Form;
    QVBoxLayout* Extra;
    std::vector<QWidget*> m_editable;
};

// Shared helpers of the object windows.
QString DateText(const CalDate& d);        // empty for no date or open
CalDate DateFromText(const QString& text); // empty text: no date
// A read-only box that acts as a button: a mouse press, or Space, F4 or
// Alt+Down while it has the focus.
bool IsBoxClick(QEvent* event);

// The process-wide editor for an object kind (1, 3, 4, 6, or a group kind 7 to
// 10), created on first use; nullptr for another kind or while that editor is
// already open (said to the user).
ObjEditor* EditorForKind(TFCore& core, int kind);
