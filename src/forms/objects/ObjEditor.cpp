// The account editors' shared design; see ObjEditor.h.
#include "forms/objects/ObjEditor.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/Closing.h"
#include "ledger/LedgerState.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

QString DateText(const CalDate& d) {
    if (IsNullDate(d) || CalToInt(d) == kNotClosed)
        return QString();
    return CalToDateStr(d);
}

bool IsBoxClick(QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress)
        return true;
    if (event->type() != QEvent::KeyPress)
        return false;
    const auto* key = static_cast<QKeyEvent*>(event);
    return key->key() == Qt::Key_Space || key->key() == Qt::Key_F4 ||
           (key->key() == Qt::Key_Down && (key->modifiers() & Qt::AltModifier));
}

CalDate DateFromText(const QString& text) {
    return text.trimmed().isEmpty() ? CalDate{} : DateStrToCal(text.trimmed());
}

ObjEditor::ObjEditor(TFCore& core, const QString& objectName, QWidget* parent) : QDialog(parent), m_core(core) {
    setObjectName(objectName);
    Menu = new QMenuBar(this);
    CloseItem = Menu->addAction(QStringLiteral("Close"));
    RefreshItem = Menu->addAction(QStringLiteral("Refresh"));
    connect(CloseItem, &QAction::triggered, this, &QDialog::reject);
    connect(RefreshItem, &QAction::triggered, this, [this] { LoadControls(); });

    TimesLbl = new QLabel(this);
    TimesLbl->setTextFormat(Qt::PlainText);
    Pages = new QTabWidget(this);
    DetailsTab = new QWidget;
    NotesTab = new QWidget;
    Pages->addTab(DetailsTab, QStringLiteral("Details"));
    Pages->addTab(NotesTab, QStringLiteral("Notes"));
    NotesMemo = new QPlainTextEdit(NotesTab);
    (new QVBoxLayout(NotesTab))->addWidget(NotesMemo);

    IdLbl = new QLabel(DetailsTab);
    NameBox = new QLineEdit(DetailsTab);
    NameBox->setMaxLength(40);
    GrpBox = new QComboBox(DetailsTab);
    GrpBox->setMinimumContentsLength(30);
    OpenBox = new QLineEdit(DetailsTab);
    OpenBox->setReadOnly(true);
    OpenBox->setToolTip(QStringLiteral("Leave blank to use default = date first posted"));
    CloseBox = new QLineEdit(DetailsTab);
    CloseBox->setReadOnly(true);
    CloseBox->installEventFilter(this);
    CalBtn = new QPushButton(QStringLiteral("..."), DetailsTab);
    CalBtn->setToolTip(QStringLiteral("Calendar"));
    CalBtn->setAutoDefault(false);
    LastBox = new QLineEdit(DetailsTab);
    LastBox->setReadOnly(true);
    connect(CalBtn, &QPushButton::clicked, this, [this] { CalBtnClick(); });

    auto* details = new QVBoxLayout(DetailsTab);
    details->addWidget(IdLbl);
    Form = new QFormLayout;
    Form->addRow(QStringLiteral("Account name"), NameBox);
    details->addLayout(Form);
    Extra = new QVBoxLayout;
    details->addLayout(Extra);
    details->addStretch(1);

    OKBtn = new QPushButton(QStringLiteral("Insert"), this);
    OKBtn->setDefault(true);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    CancelBtn->setAutoDefault(false);
    connect(OKBtn, &QPushButton::clicked, this, [this] { OKBtnClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    m_editable = {NameBox, GrpBox, NotesMemo};
}

void ObjEditor::AddAllowTicks(const QString& title) {
    AllowGrp = new QGroupBox(title, DetailsTab);
    NegChk = new QCheckBox(QStringLiteral("< 0"), AllowGrp);
    ZeroChk = new QCheckBox(QStringLiteral("= 0"), AllowGrp);
    PosChk = new QCheckBox(QStringLiteral("> 0"), AllowGrp);
    auto* l = new QHBoxLayout(AllowGrp);
    l->addWidget(NegChk);
    l->addWidget(ZeroChk);
    l->addWidget(PosChk);
    Extra->addWidget(AllowGrp);
}

void ObjEditor::AddDormantLock() {
    DmtLockChk = new QCheckBox(QStringLiteral("Dormant lock"), DetailsTab);
    DmtLockChk->setToolTip(QStringLiteral("Disables auto dormant processing"));
    Extra->addWidget(DmtLockChk);
}

void ObjEditor::FinishLayout() {
    auto* closeRow = new QHBoxLayout;
    closeRow->addWidget(CloseBox, 1);
    closeRow->addWidget(CalBtn);
    Form->addRow(QStringLiteral("Group"), GrpBox);
    Form->addRow(OpenLabel(), OpenBox);
    Form->addRow(QStringLiteral("Closed"), closeRow);
    Form->addRow(QStringLiteral("Last used "), LastBox);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(OKBtn);
    buttons->addWidget(CancelBtn);
    auto* outer = new QVBoxLayout(this);
    outer->setMenuBar(Menu);
    outer->addWidget(TimesLbl);
    outer->addWidget(Pages, 1);
    outer->addLayout(buttons);
    RegisterForm(this);
}

void ObjEditor::Paint(QWidget* w) const {
    QPalette pal = w->palette();
    const QColor c = m_mode == 'N' ? QColor(128, 255, 255) : m_mode == 'E' ? QColor(255, 255, 128) : QColor(Qt::white);
    pal.setColor(QPalette::Base, c);
    pal.setColor(QPalette::Button, c);
    w->setPalette(pal);
}

void ObjEditor::PaintAll() {
    for (QWidget* w : m_editable)
        Paint(w);
}

void ObjEditor::StartNew(int kind, const QString& proposedName) {
    m_mode = 'N';
    m_edit = ObjectEdit{};
    InitObjRec(m_edit.rec);
    m_edit.rec.Type = kind;
    m_edit.rec.Name = proposedName;
    m_edit.rec.CloseDate = IntToCal(kNotClosed);
    m_edit.isNew = true;
    PrepareNew(m_edit.rec);
    PaintAll();
    LoadControls();
    Pages->setCurrentWidget(DetailsTab);
    OKBtn->setText(QStringLiteral("Insert"));
}

void ObjEditor::StartEdit(const ObjRec& rec) {
    m_mode = 'E';
    m_edit = ObjectEdit{};
    ObjRec fresh;
    // The note comes with the row; a row gone meanwhile keeps the caller's copy.
    m_edit.rec = ReadObj(m_core, rec.Id, fresh) ? fresh : rec;
    m_edit.note = Ledger(m_core).readNote;
    m_edit.storedBfd = m_edit.rec.BfdBal;
    m_edit.storedGrpid = m_edit.rec.Grpid;
    PaintAll();
    LoadControls();
    OKBtn->setText(QStringLiteral("Update"));
}

int ObjEditor::Run() {
    const char mode = m_mode;
    const bool ok = exec() == QDialog::Accepted;
    if (mode == 'N')
        return ok ? m_edit.rec.Id : 0;
    return ok ? 1 : 0;
}

void ObjEditor::LoadControls() {
    const ObjRec& r = m_edit.rec;
    setWindowTitle(Caption());
    IdLbl->setText(QStringLiteral("Id ") + QString::number(r.Id));
    NameBox->setMaxLength(40);
    NameBox->setText(r.Name);
    std::vector<IdTextRow> groups;
    FillGroupList(m_core, groups, GroupKind(), false);
    GrpBox->clear();
    for (const IdTextRow& g : groups)
        GrpBox->addItem(g.text, g.id);
    const int at = GrpBox->findData(r.Grpid);
    GrpBox->setCurrentIndex(at < 0 ? 0 : at);
    OpenBox->setText(DateText(r.OpenDate));
    CloseBox->setText(DateText(r.CloseDate));
    LastBox->setText(DateText(r.LastPstgDate));
    if (DmtLockChk)
        DmtLockChk->setChecked(r.DmtLock);
    if (NegChk) {
        NegChk->setChecked(r.AllowNegBal);
        ZeroChk->setChecked(r.AllowZeroBal);
        PosChk->setChecked(r.AllowPosBal);
    }
    QString times;
    if (r.CreateTS.isValid())
        times = QStringLiteral("Created ") + FormatDateTime(r.CreateTS);
    if (r.EditTS.isValid())
        times += QStringLiteral("  Edited ") + FormatDateTime(r.EditTS);
    TimesLbl->setText(times);
    NotesMemo->setPlainText(m_edit.note);
    Pages->setTabText(Pages->indexOf(NotesTab),
                      m_edit.note.isEmpty() ? QStringLiteral("Notes") : QStringLiteral("NOTES"));
    LoadExtra();
}

void ObjEditor::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (Pages->currentWidget() == NotesTab)
        NotesMemo->setFocus();
    else
        NameBox->setFocus();
}

bool ObjEditor::eventFilter(QObject* watched, QEvent* event) {
    if (watched == CloseBox && IsBoxClick(event)) {
        CloseBoxClick();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

bool ObjEditor::AskClose(CalDate& date) {
    return AskCloseDate(m_core, m_edit.rec, date);
}

void ObjEditor::CalBtnClick() {
    CalDate date;
    if (AskClose(date))
        CloseBox->setText(CalToDateStr(date));
}

void ObjEditor::OKBtnClick() {
    if (m_mode == ' ') {
        accept();
        return;
    }
    // Work on a copy: a refusal leaves the editor, and its record, as they were.
    ObjectEdit edit = m_edit;
    ObjRec& r = edit.rec;
    r.Name = LeftChars(NameBox->text(), 40);
    if (r.Name.trimmed().isEmpty()) {
        m_core.prompter().ShowMessage(QStringLiteral("Account name must be specified"));
        return;
    }
    if (NegChk) {
        r.AllowNegBal = NegChk->isChecked();
        r.AllowZeroBal = ZeroChk->isChecked();
        r.AllowPosBal = PosChk->isChecked();
    }
    if (DmtLockChk)
        r.DmtLock = DmtLockChk->isChecked();
    if (!OpenBox->text().trimmed().isEmpty())
        r.OpenDate = DateFromText(OpenBox->text());
    r.CloseDate = CloseBox->text().trimmed().isEmpty() ? IntToCal(kNotClosed) : DateFromText(CloseBox->text());
    edit.note = NotesMemo->toPlainText();
    if (!ReadExtra(edit))
        return;
    if (!CheckGroupChoice(m_core, edit, GrpBox->currentData().toInt(), BackdateSuffix()))
        return;
    auto choosePot = [this](ObjRec& pot) {
        if (!Pick(m_core, otPot, pot.Id))
            return false;
        pot = PickedObj(m_core);
        return pot.Id > 0;
    };
    if (!SaveObjectEdit(m_core, edit, choosePot))
        return;
    m_edit = edit;
    accept();
}

// ---- entry points --------------------------------------------------------------

#include "forms/objects/TFCpty.h"
#include "forms/objects/TFCtgy.h"
#include "forms/objects/TFExtAcc.h"
#include "forms/objects/TFIntAcc.h"
#include "forms/objects/TFPgrp.h"

#include <QCoreApplication>
#include <QPointer>

namespace {

QPointer<TFExtAcc> g_extAcc;
QPointer<TFIntAcc> g_intAcc;
QPointer<TFCpty> g_cpty;
QPointer<TFCtgy> g_ctgy;
QPointer<TFPgrp> g_pgrp;

void DeleteEditors() {
    delete g_extAcc.data();
    delete g_intAcc.data();
    delete g_cpty.data();
    delete g_ctgy.data();
    delete g_pgrp.data();
}

template <class T> T* Make(QPointer<T>& slot, TFCore& core) {
    static bool registered = false;
    if (!registered) {
        qAddPostRoutine(DeleteEditors);
        registered = true;
    }
    // A window serves the core it was made for (tests make several cores).
    if (slot && &slot->Core() != &core)
        delete slot.data();
    if (!slot)
        slot = new T(core);
    return slot.data();
}

} // namespace

ObjEditor* EditorForKind(TFCore& core, int kind) {
    ObjEditor* e = nullptr;
    switch (kind) {
    case otExtAcc:
        e = Make(g_extAcc, core);
        break;
    case otPot:
        e = Make(g_intAcc, core);
        break;
    case otCpty:
        e = Make(g_cpty, core);
        break;
    case otCtgy:
        e = Make(g_ctgy, core);
        break;
    case otPgrp:
    case otExtGrp:
    case otCptyGrp:
    case otCtgyGrp:
        e = Make(g_pgrp, core);
        break;
    default:
        return nullptr;
    }
    // An editor can open another (a provider, an account of a counterparty);
    // the one already open cannot be reused underneath itself.
    if (e->isVisible()) {
        core.prompter().InfoAtCursor(QStringLiteral("Cannot open - the ") + e->windowTitle() +
                                     QStringLiteral(" form is already in use."));
        return nullptr;
    }
    return e;
}

int NewObject(TFCore& core, int kind, const QString& proposedName) {
    ObjEditor* e = EditorForKind(core, kind);
    if (!e)
        return 0;
    e->StartNew(kind, proposedName);
    return e->Run();
}

bool EditObject(TFCore& core, int id) {
    if (id < 1)
        return false;
    ObjRec rec;
    if (!ReadObj(core, id, rec) || rec.Type > 10)
        return false;
    ObjEditor* e = EditorForKind(core, rec.Type);
    if (!e)
        return false;
    e->StartEdit(rec);
    return e->Run() != 0;
}
