// The clipboard window; see TFClpBd2.h.
#include "forms/views/TFClpBd2.h"

#include "forms/FormPositions.h"
#include "forms/Screens.h"
#include "forms/WidgetPrompter.h"
#include "forms/views/TFPtg.h"

#include <QAbstractItemModel>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QTableView>
#include <QTextStream>
#include <QVBoxLayout>

QStringList ListLines(QTableView* view, const QString& title) {
    QStringList lines;
    if (!title.isEmpty())
        lines << title;
    const QAbstractItemModel* model = view->model();
    if (!model)
        return lines;
    std::vector<int> columns;
    QStringList header;
    for (int c = 0; c < model->columnCount(); ++c) {
        if (view->isColumnHidden(c))
            continue;
        columns.push_back(c);
        header << model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
    }
    lines << header.join(QLatin1Char('\t'));
    // The grid does not redraw while its rows are walked.
    const bool updates = view->updatesEnabled();
    view->setUpdatesEnabled(false);
    const int rows = model->rowCount();
    lines.reserve(lines.size() + rows);
    QStringList cells;
    for (int r = 0; r < rows; ++r) {
        cells.clear();
        for (int c : columns)
            cells << model->data(model->index(r, c), Qt::DisplayRole).toString();
        lines << cells.join(QLatin1Char('\t'));
    }
    view->setUpdatesEnabled(updates);
    return lines;
}

TFClpBd2::TFClpBd2(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("FClpBd2"));
    setWindowTitle(QStringLiteral("Clipboard"));
    auto* outer = new QVBoxLayout(this);
    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    outer->addWidget(Memo, 1);
    auto* buttons = new QHBoxLayout;
    CloseBtn = new QPushButton(QStringLiteral("Close"), this);
    SaveBtn = new QPushButton(QStringLiteral("Save"), this);
    FontBtn = new QPushButton(QStringLiteral("Font"), this);
    PrintBtn = new QPushButton(QStringLiteral("Print"), this);
    CancelBtn = new QPushButton(this);
    CancelBtn->setShortcut(QKeySequence(Qt::Key_Escape));
    CancelBtn->setFixedSize(0, 0);
    for (QPushButton* b : {CloseBtn, SaveBtn, FontBtn, PrintBtn})
        buttons->addWidget(b);
    buttons->addStretch(1);
    buttons->addWidget(CancelBtn);
    outer->addLayout(buttons);
    StatusLbl = new QLabel(this);
    StatusLbl->setObjectName(QStringLiteral("StatusLbl"));
    StatusLbl->setFrameShape(QFrame::StyledPanel);
    outer->addWidget(StatusLbl);

    connect(CloseBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(CancelBtn, &QPushButton::clicked, this, &QWidget::close);
    connect(SaveBtn, &QPushButton::clicked, this, &TFClpBd2::SaveClick);
    connect(FontBtn, &QPushButton::clicked, this, &TFClpBd2::FontClick);
    connect(PrintBtn, &QPushButton::clicked, this, &TFClpBd2::PrintClick);
    resize(700, 450);
    RegisterForm(this);
}

TFClpBd2::~TFClpBd2() = default;

Prompter& TFClpBd2::prompter() {
    if (m_prompter)
        return *m_prompter;
    if (!m_own)
        m_own = std::make_unique<WidgetPrompter>();
    return *m_own;
}

void TFClpBd2::Show(const QStringList& lines) {
    show();
    if (isMinimized())
        showNormal();
    raise();
    Memo->setPlainText(lines.join(QLatin1Char('\n')));
    QGuiApplication::clipboard()->setText(Memo->toPlainText());
    Memo->moveCursor(QTextCursor::Start);
    CancelBtn->setFocus();
}

void TFClpBd2::ExportList(QTableView* view, const QString& title) {
    const QStringList lines = ListLines(view, title);
    qsizetype count = 0;
    for (const QString& l : lines)
        count += l.size();
    Show(lines);
    StatusLbl->setText(QLatin1Char(' ') + QString::number(count) + QStringLiteral(" characters"));
}

void TFClpBd2::ExportGrid(const QAbstractItemModel* model, const QString& title) {
    QStringList lines;
    if (!title.isEmpty())
        lines << title;
    if (model) {
        QStringList cells;
        for (int r = 0; r < model->rowCount(); ++r) {
            cells.clear();
            for (int c = 0; c < model->columnCount(); ++c)
                cells << model->data(model->index(r, c), Qt::DisplayRole).toString();
            lines << cells.join(QLatin1Char('\t'));
        }
    }
    Show(lines);
}

void TFClpBd2::SaveClick() {
    QFileDialog dlg(this, QString(), QString(), QStringLiteral("Text files (*.txt *.TXT)"));
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setDefaultSuffix(QStringLiteral("TXT"));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return;
    QSaveFile f(dlg.selectedFiles().first());
    if (f.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream out(&f);
        const QStringList lines = Memo->toPlainText().split(QLatin1Char('\n'));
        for (const QString& l : lines)
            out << l << '\n';
        out.flush();
        if (f.commit())
            return;
    }
    prompter().ShowMessage(QStringLiteral("Cannot save ") + f.fileName() + QStringLiteral(" : ") + f.errorString());
}

void TFClpBd2::FontClick() {
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, Memo->font(), this);
    if (ok)
        Memo->setFont(font);
}

void TFClpBd2::PrintClick() {
    const QString text = Memo->toPlainText();
    if (text.isEmpty())
        return;
    PrintLines(text.split(QLatin1Char('\n')), Memo->font(), prompter());
}

namespace {
TFClpBd2* g_clpbd = nullptr;
void DeleteClpBd() {
    delete g_clpbd;
    g_clpbd = nullptr;
}
} // namespace

TFClpBd2& FClpBd2() {
    if (!g_clpbd) {
        g_clpbd = new TFClpBd2;
        qAddPostRoutine(DeleteClpBd);
    }
    return *g_clpbd;
}

void ExportList(QTableView* view, const QString& title) {
    if (view)
        FClpBd2().ExportList(view, title);
}

void ExportGrid(const QAbstractItemModel* model, const QString& title) {
    FClpBd2().ExportGrid(model, title);
}

void PrintList(QTableView* view, const QString& title) {
    if (view)
        PrintLines(ListLines(view, title), FClpBd2().Memo->font(), FClpBd2().prompter());
}
