// The check window.
#include "forms/TFRpr.h"
#include "forms/FormPositions.h"

#include "base/Prompter.h"
#include "data/Core.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFontDatabase>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPointer>
#include <QVBoxLayout>

namespace {
const QString kClose = QStringLiteral("Close");
const QString kCancel = QStringLiteral("Cancel");

QPointer<TFRpr> g_window;
void DeleteWindow() {
    delete g_window.data();
}
} // namespace

TFRpr::TFRpr(TFCore& core, QWidget* parent) : QMainWindow(parent), m_core(core), m_check(core, *this) {
    setObjectName(QStringLiteral("FRpr"));
    setWindowTitle(QStringLiteral("Database Check"));

    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    LogMemo = new QPlainTextEdit(body);
    LogMemo->setObjectName(QStringLiteral("LogMemo"));
    LogMemo->setReadOnly(true);
    LogMemo->setLineWrapMode(QPlainTextEdit::NoWrap);
    LogMemo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    LogMemo->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    layout->addWidget(LogMemo, 1);

    ProgressPanel = new QLabel(body);
    ProgressPanel->setObjectName(QStringLiteral("ProgressPanel"));
    ProgressPanel->setAutoFillBackground(true);
    ProgressPanel->setTextFormat(Qt::PlainText);
    ProgressPanel->setMinimumHeight(ProgressPanel->fontMetrics().height() + 6);
    layout->addWidget(ProgressPanel);
    SetStripColour(IdleColour());
    setCentralWidget(body);

    CloseItem = menuBar()->addAction(kClose);
    CloseItem->setObjectName(QStringLiteral("CloseItem"));
    RecheckItem = menuBar()->addAction(QStringLiteral("Recheck"));
    RecheckItem->setObjectName(QStringLiteral("RecheckItem"));
    RepairItem = menuBar()->addAction(QStringLiteral("Repair"));
    RepairItem->setObjectName(QStringLiteral("RepairItem"));
    connect(CloseItem, &QAction::triggered, this, [this] { CloseItemClick(); });
    connect(RecheckItem, &QAction::triggered, this, [this] { RecheckItemClick(); });
    connect(RepairItem, &QAction::triggered, this, [this] { RepairItemClick(); });

    resize(640, 480);
    RegisterForm(this); // its position is saved and restored
}

void TFRpr::SetStripColour(const QColor& colour) {
    QPalette pal = ProgressPanel->palette();
    pal.setColor(QPalette::Window, colour);
    pal.setColor(QPalette::WindowText, Qt::black);
    ProgressPanel->setPalette(pal);
}

void TFRpr::RunCheck() {
    if (m_check.Running()) {
        raise();
        return;
    }
    m_check.Run(HchkMode::Check);
}

void TFRpr::RecheckItemClick() {
    RunCheck();
}

void TFRpr::RepairItemClick() {
    if (m_check.Running())
        return;
    if (m_core.prompter().AskYesNo(QStringLiteral("OK to Repair now?")))
        m_check.Run(HchkMode::Repair);
}

void TFRpr::CloseItemClick() {
    if (m_check.Running()) {
        m_check.Abort();
        CloseItem->setText(kClose);
        return;
    }
    close();
}

void TFRpr::closeEvent(QCloseEvent* event) {
    // A run in progress is stopped first; the window closes at the next
    // "Close", when the run has ended.
    if (m_check.Running()) {
        m_check.Abort();
        CloseItem->setText(kClose);
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void TFRpr::RunStarted(HchkMode mode) {
    setWindowTitle(mode == HchkMode::Repair ? QStringLiteral("Database Repair") : QStringLiteral("Database Check"));
    LogMemo->clear();
    CloseItem->setText(kCancel);
    RecheckItem->setEnabled(false);
    RepairItem->setEnabled(false);
    SetStripColour(RunningColour());
    show();
    raise();
}

void TFRpr::AddLogLine(const QString& line) {
    LogMemo->appendPlainText(line);
}

void TFRpr::SetProgress(const QString& text) {
    ProgressPanel->setText(text);
}

void TFRpr::ProcessInput() {
    QCoreApplication::processEvents();
}

void TFRpr::RunFinished() {
    SetStripColour(IdleColour());
    CloseItem->setText(kClose);
    RecheckItem->setEnabled(true);
    RepairItem->setEnabled(true);
}

TFRpr& FRpr(TFCore& core) {
    if (!g_window) {
        g_window = new TFRpr(core);
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteWindow);
            registered = true;
        }
    }
    return *g_window;
}

void ShowHealthCheck(TFCore& core) {
    FRpr(core).RunCheck();
}
