#include "forms/import/TFImport.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Tables.h"
#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "ledger/Objects.h"

#include <QBrush>
#include <QCheckBox>
#include <QColor>
#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <set>

namespace {

enum Column { cLine, cDate, cAmount, cState, cDescription, cWhat, cCategory, cPot, cNote, cCount };

} // namespace

int ImportLinesModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_preview.lines.size());
}

int ImportLinesModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : cCount;
}

QVariant ImportLinesModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    static const char* const names[cCount] = {
        "Line", "Date", "Amount", "State", "Description", "Counterparty / matched txn", "Category", "Pot", "Checks"};
    return QString::fromLatin1(names[section]);
}

QVariant ImportLinesModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(m_preview.lines.size()))
        return QVariant();
    const ImportLine& il = m_preview.lines[size_t(index.row())];
    if (role == Qt::TextAlignmentRole && (index.column() == cAmount || index.column() == cLine))
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role == Qt::ToolTipRole) {
        const QString note = LineCheckNote(il, m_preview.confirmed);
        return note.isEmpty() ? QVariant() : QVariant(note);
    }
    if (role == Qt::BackgroundRole) {
        switch (il.state) {
        case LineState::New:
            if (!il.complete() || !il.refusal.isEmpty())
                return QBrush(QColor(255, 220, 220));
            return LineCheckNote(il, m_preview.confirmed).isEmpty() ? QVariant() : QBrush(QColor(255, 240, 190));
        case LineState::Matched:
            return QBrush(QColor(220, 245, 220));
        case LineState::Imported:
        case LineState::Skip:
            return QBrush(QColor(232, 232, 232));
        }
    }
    if (role != Qt::DisplayRole)
        return QVariant();
    switch (index.column()) {
    case cLine:
        return il.line.lineNo;
    case cDate:
        return CalToDateStr(il.line.date);
    case cAmount:
        return FormatAmount(il.line.amount);
    case cState:
        return LineStateName(il.state);
    case cDescription:
        return il.line.description();
    case cWhat:
        if (il.state == LineState::Matched)
            return QStringLiteral("txn ") + QString::number(il.matchTxnId) + QStringLiteral(" ") +
                   CalToDateStr(il.matchDate) + QStringLiteral(" ") + il.matchText;
        if (il.state == LineState::Imported)
            return il.matchTxnId ? QStringLiteral("txn ") + QString::number(il.matchTxnId) : QString();
        return il.cptyName;
    case cCategory:
        return il.state == LineState::New || il.state == LineState::Skip ? il.ctgyName : QString();
    case cPot:
        return il.state == LineState::New || il.state == LineState::Skip ? il.potName : QString();
    case cNote:
        return LineCheckNote(il, m_preview.confirmed);
    default:
        return QVariant();
    }
}

void ImportLinesModel::reload() {
    beginResetModel();
    endResetModel();
}

void ImportLinesModel::rowsChanged(int first, int last) {
    Q_EMIT dataChanged(index(first, 0), index(last, cCount - 1));
}

TFImport::TFImport(TFCore& core) : QDialog(nullptr), m_core(core) {
    setObjectName(QStringLiteral("FImport"));
    setWindowTitle(QStringLiteral("Import statement"));
    resize(1000, 520);

    TitleLbl = new QLabel(this);
    LinesGrid = new QTableView(this);
    m_model = new ImportLinesModel(m_preview);
    m_model->setParent(this);
    LinesGrid->setModel(m_model);
    LinesGrid->setSelectionBehavior(QAbstractItemView::SelectRows);
    LinesGrid->setSelectionMode(QAbstractItemView::ExtendedSelection);
    LinesGrid->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    LinesGrid->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    LinesGrid->verticalHeader()->hide();
    LinesGrid->horizontalHeader()->setStretchLastSection(true);
    const int widths[cCount] = {40, 84, 78, 48, 130, 196, 92, 100, 190};
    for (int c = 0; c < cCount; ++c)
        LinesGrid->setColumnWidth(c, widths[c]);
    SummaryLbl = new QLabel(this);
    NoteLbl = new QLabel(this);
    NoteLbl->setWordWrap(true);

    NewBtn = new QPushButton(QStringLiteral("&New"), this);
    SkipBtn = new QPushButton(QStringLiteral("&Skip"), this);
    CptyBtn = new QPushButton(QStringLiteral("Counter&party..."), this);
    NewCptyBtn = new QPushButton(QStringLiteral("Ne&w counterparty..."), this);
    CtgyBtn = new QPushButton(QStringLiteral("Ca&tegory..."), this);
    PotBtn = new QPushButton(QStringLiteral("P&ot..."), this);
    ReconcileChk = new QCheckBox(QStringLiteral("Mark matched lines &reconciled"), this);
    ImportBtn = new QPushButton(QStringLiteral("&Import"), this);
    CancelBtn = new QPushButton(QStringLiteral("Cancel"), this);
    ImportBtn->setDefault(true);
    for (QPushButton* b : {NewBtn, SkipBtn, CptyBtn, NewCptyBtn, CtgyBtn, PotBtn, CancelBtn})
        b->setAutoDefault(false);
    CptyBtn->setEnabled(ScreenBuilt(Screen::Picker));
    CtgyBtn->setEnabled(ScreenBuilt(Screen::Picker));
    PotBtn->setEnabled(ScreenBuilt(Screen::Picker));
    NewCptyBtn->setEnabled(ScreenBuilt(Screen::Editors));

    auto* edit = new QHBoxLayout;
    for (QPushButton* b : {NewBtn, SkipBtn, CptyBtn, NewCptyBtn, CtgyBtn, PotBtn})
        edit->addWidget(b);
    edit->addStretch();
    edit->addWidget(ReconcileChk);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(SummaryLbl, 1);
    bottom->addWidget(ImportBtn);
    bottom->addWidget(CancelBtn);
    auto* main = new QVBoxLayout(this);
    main->addWidget(TitleLbl);
    main->addWidget(LinesGrid, 1);
    main->addWidget(NoteLbl);
    main->addLayout(edit);
    main->addLayout(bottom);
    setTabOrder(LinesGrid, NewBtn);
    setTabOrder(NewBtn, SkipBtn);
    setTabOrder(SkipBtn, CptyBtn);
    setTabOrder(CptyBtn, NewCptyBtn);
    setTabOrder(NewCptyBtn, CtgyBtn);
    setTabOrder(CtgyBtn, PotBtn);
    setTabOrder(PotBtn, ReconcileChk);
    setTabOrder(ReconcileChk, ImportBtn);
    setTabOrder(ImportBtn, CancelBtn);

    connect(NewBtn, &QPushButton::clicked, this, [this] { SetState(LineState::New); });
    connect(SkipBtn, &QPushButton::clicked, this, [this] { SetState(LineState::Skip); });
    connect(CptyBtn, &QPushButton::clicked, this, [this] { ChooseCounterparty(false); });
    connect(NewCptyBtn, &QPushButton::clicked, this, [this] { ChooseCounterparty(true); });
    connect(CtgyBtn, &QPushButton::clicked, this, [this] { ChooseCategoryOrPot(true); });
    connect(PotBtn, &QPushButton::clicked, this, [this] { ChooseCategoryOrPot(false); });
    connect(LinesGrid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] { ShowNote(); });
    connect(LinesGrid, &QTableView::doubleClicked, this, [this](const QModelIndex& i) { GridDoubleClick(i); });
    connect(ImportBtn, &QPushButton::clicked, this, [this] { ImportClick(); });
    connect(CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
    RegisterForm(this);
}

bool TFImport::Load(int accountId, const QString& path) {
    Statement st;
    CsvMapping mapping;
    const QString fileName = QFileInfo(path).fileName();
    const auto choose = [&](const QString& text, CsvMapping& m) {
        return ChooseCsvMapping(m_core, accountId, fileName, text, m);
    };
    if (!ReadStatementFile(m_core.prompter(), path, StatementFormat::Unknown, SettingsPath(m_core.dataFolder()),
                           accountId, st, &mapping, choose))
        return false;
    ImportPreview p;
    if (!PreviewStatement(m_core, accountId, st, p))
        return false;
    m_preview = std::move(p);
    m_model->reload();
    TitleLbl->setText(QStringLiteral("Statement ") + st.fileName + QStringLiteral(" into \"") + m_preview.accountName +
                      QStringLiteral("\"") +
                      (st.hasClosing ? QStringLiteral(" - closing balance ") + FormatAmount(st.closingBalance) +
                                           QStringLiteral(" on ") + CalToDateStr(st.closingDate)
                                     : QString()));
    ShowSummary();
    if (!m_preview.lines.empty())
        LinesGrid->selectRow(0);
    return true;
}

bool TFImport::Execute() {
    LinesGrid->setFocus();
    return exec() == QDialog::Accepted;
}

std::vector<int> TFImport::SelectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& i : LinesGrid->selectionModel()->selectedIndexes())
        rows.insert(i.row());
    if (rows.empty() && LinesGrid->currentIndex().isValid())
        rows.insert(LinesGrid->currentIndex().row());
    return std::vector<int>(rows.begin(), rows.end());
}

void TFImport::SetState(LineState state) {
    for (int r : SelectedRows()) {
        ImportLine& il = m_preview.lines[size_t(r)];
        if (il.state == LineState::Imported || (state == LineState::New && il.line.amount == 0))
            continue;
        if (state == LineState::New && il.state == LineState::Matched) {
            il.matchTxnId = 0;
            il.matchText.clear();
        }
        il.state = state;
    }
    Recheck();
}

void TFImport::ChooseCounterparty(bool create) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    int id = 0;
    if (create) {
        id = NewObject(m_core, otCpty, m_preview.lines[size_t(rows[0])].line.description().left(40));
    } else if (Pick(m_core, otCpty, m_preview.lines[size_t(rows[0])].cptyId)) {
        id = PickedObj(m_core).Id;
    }
    if (id <= 0)
        return;
    for (int r : rows) {
        ImportLine& il = m_preview.lines[size_t(r)];
        if (il.state == LineState::Imported || il.line.amount == 0)
            continue;
        il.state = LineState::New;
        il.matchTxnId = 0;
        il.cptyId = id;
        ProposeForCounterparty(m_core, il);
    }
    Recheck();
}

void TFImport::ChooseCategoryOrPot(bool category) {
    const std::vector<int> rows = SelectedRows();
    if (rows.empty())
        return;
    const ImportLine& first = m_preview.lines[size_t(rows[0])];
    int id = 0;
    if (category && first.cptyId > 0)
        id = ChooseCategory(m_core, first.cptyId, first.line.amount < 0 ? 'P' : 'S', false);
    if (id <= 0 && Pick(m_core, category ? otCtgy : otPot, category ? first.ctgyId : first.potId))
        id = PickedObj(m_core).Id;
    if (id <= 0)
        return;
    for (int r : rows) {
        ImportLine& il = m_preview.lines[size_t(r)];
        if (il.state != LineState::New && il.state != LineState::Skip)
            continue;
        if (category)
            SetLineCategory(m_core, il, id);
        else
            SetLinePot(m_core, il, id);
    }
    Recheck();
}

void TFImport::Recheck() {
    // A change to one line can change what the checks of later lines ask
    // (an account's earliest date moved by an earlier line).
    CheckNewLines(m_core, m_preview);
    if (!m_preview.lines.empty())
        m_model->rowsChanged(0, int(m_preview.lines.size()) - 1);
    ShowSummary();
}

void TFImport::GridDoubleClick(const QModelIndex& index) {
    if (!index.isValid())
        return;
    if (!LinesGrid->selectionModel()->isRowSelected(index.row(), QModelIndex()))
        LinesGrid->selectRow(index.row());
    if (index.column() == cWhat && CptyBtn->isEnabled())
        ChooseCounterparty(false);
    else if (index.column() == cCategory && CtgyBtn->isEnabled())
        ChooseCategoryOrPot(true);
    else if (index.column() == cPot && PotBtn->isEnabled())
        ChooseCategoryOrPot(false);
}

void TFImport::ShowNote() {
    // The current line's checks in full: the grid's column shows their start.
    const QModelIndex i = LinesGrid->currentIndex();
    QString note;
    if (i.isValid() && i.row() < int(m_preview.lines.size())) {
        const ImportLine& il = m_preview.lines[size_t(i.row())];
        note = LineCheckNote(il, m_preview.confirmed);
        if (!note.isEmpty())
            note = QStringLiteral("Line ") + QString::number(il.line.lineNo) + QStringLiteral(": ") + note;
    }
    NoteLbl->setText(note);
}

void TFImport::ShowSummary() {
    ShowNote();
    int counts[4] = {0, 0, 0, 0};
    int incomplete = 0, unconfirmed = 0, refused = 0;
    for (const ImportLine& il : m_preview.lines) {
        ++counts[int(il.state)];
        if (il.state != LineState::New)
            continue;
        if (!il.complete())
            ++incomplete;
        else if (!il.refusal.isEmpty())
            ++refused;
        else if (!LineCheckNote(il, m_preview.confirmed).isEmpty())
            ++unconfirmed;
    }
    SummaryLbl->setText(QStringLiteral("New %1 (%2 without counterparty, category or pot, %3 needing confirmation, "
                                       "%4 refused), matched %5, already imported %6, skipped %7")
                            .arg(counts[0])
                            .arg(incomplete)
                            .arg(unconfirmed)
                            .arg(refused)
                            .arg(counts[1])
                            .arg(counts[2])
                            .arg(counts[3]));
}

void TFImport::ImportClick() {
    ImportOptions o;
    o.reconcileMatched = ReconcileChk->isChecked();
    // Every question the checks ask is answered once, for all its lines,
    // before anything is written; Cancel writes nothing.
    CheckNewLines(m_core, m_preview);
    const bool answered = ConfirmLineQuestions(m_core, m_preview);
    m_model->reload();
    ShowSummary();
    if (!answered)
        return;
    ImportResult r;
    if (!ImportPreviewLines(m_core, m_preview, o, r)) {
        m_model->reload();
        return;
    }
    QString done = QStringLiteral("Imported: %1 entered, %2 matched").arg(r.entered).arg(r.matched);
    if (r.refused + r.unconfirmed > 0)
        done += QStringLiteral(", %1 left out").arg(r.refused + r.unconfirmed);
    m_core.prompter().Flash(done);
    accept();
}

namespace {

TFImport* g_import = nullptr;

void DeleteImport() {
    delete g_import;
    g_import = nullptr;
}

} // namespace

void ImportStatement(TFCore& core, int accountId) {
    const QString path = QFileDialog::getOpenFileName(
        nullptr, QStringLiteral("Import statement"), QString(),
        QStringLiteral("Statements (*.ofx *.qfx *.qif *.csv *.OFX *.QFX *.QIF *.CSV);;All files (*)"));
    if (path.isEmpty())
        return;
    if (!g_import) {
        g_import = new TFImport(core);
        qAddPostRoutine(DeleteImport);
    }
    if (g_import->Load(accountId, path))
        g_import->Execute();
}
