// The self-saving notepad.
#include "forms/TFnotepad.h"

#include "base/Dates.h"
#include "forms/Placement.h"

#include <QAction>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QSaveFile>
#include <QShortcut>
#include <QStringConverter>
#include <QTextStream>
#include <QTimer>

namespace {

const QString kCaption = QStringLiteral("Notepad");
const QString kDirtyCaption = QStringLiteral("NOTEPAD");
const QString kFileName = QStringLiteral("npad.txt");

QPointer<TFnotepad> g_notepad;
void DeleteNotepad() {
    delete g_notepad.data();
}

QString ProgramFolder() {
    return QCoreApplication::applicationDirPath() + QLatin1Char('/');
}

// Tells the user without stopping the timers that keep running behind it.
void Complain(QWidget* parent, const QString& text) {
    auto* box = new QMessageBox(QMessageBox::Warning, kCaption, text, QMessageBox::Ok, parent);
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace

TFnotepad::TFnotepad(const QString& folder, QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("FNotepad"));
    setWindowTitle(kCaption);
    m_folder = folder.isEmpty() ? ProgramFolder() : folder;
    if (!m_folder.endsWith(QLatin1Char('/')))
        m_folder += QLatin1Char('/');

    Memo = new QPlainTextEdit(this);
    Memo->setObjectName(QStringLiteral("Memo"));
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setCentralWidget(Memo);

    NowItem = menuBar()->addAction(QStringLiteral("Now"));
    NowItem->setObjectName(QStringLiteral("NowItem"));
    HideItem = menuBar()->addAction(QStringLiteral("Hide"));
    HideItem->setObjectName(QStringLiteral("HideItem"));

    SaveTimer = new QTimer(this);
    SaveTimer->setSingleShot(true);
    SaveTimer->setInterval(kSaveDelay);

    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);

    connect(Memo, &QPlainTextEdit::textChanged, this, [this] { MemoChange(); });
    connect(NowItem, &QAction::triggered, this, [this] { NowClick(); });
    connect(HideItem, &QAction::triggered, this, [this] { HideClick(); });
    connect(escape, &QShortcut::activated, this, [this] { HideClick(); });
    connect(SaveTimer, &QTimer::timeout, this, [this] { Save(); });

    resize(480, 360);
}

void TFnotepad::setFolder(const QString& folder) {
    QString f = folder;
    if (!f.isEmpty() && !f.endsWith(QLatin1Char('/')))
        f += QLatin1Char('/');
    if (f == m_folder)
        return;
    // Whatever is waiting belongs to the old file.
    if (m_loaded)
        Save();
    m_folder = f;
    m_loaded = false;
}

QString TFnotepad::FilePath() const {
    return m_folder + kFileName;
}

void TFnotepad::setSaveInterval(int ms) {
    SaveTimer->setInterval(ms);
}

void TFnotepad::Load() {
    QString text;
    QFile file(FilePath());
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
            Complain(this, QStringLiteral("Cannot read ") + FilePath() + QStringLiteral(" : ") + file.errorString());
            // Keep whatever the memo holds rather than overwrite the file with nothing later.
            m_loaded = true;
            return;
        }
        QTextStream in(&file);
        in.setEncoding(QStringConverter::Utf8);
        text = in.readAll();
        // The file ends each line with a line break; the memo shows lines.
        if (text.endsWith(QLatin1Char('\n')))
            text.chop(1);
    }
    m_loading = true;
    Memo->setPlainText(text);
    m_loading = false;
    QCoreApplication::processEvents();
    m_loaded = true;
}

void TFnotepad::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // Edits still waiting to be saved are newer than the file.
    if (!m_dirty)
        Load();
}

void TFnotepad::MemoChange() {
    if (m_loading || !m_loaded)
        return;
    m_dirty = true;
    setWindowTitle(kDirtyCaption);
    SaveTimer->start(); // restarts when running
}

TFnotepad::~TFnotepad() {
    QString error;
    if (m_loaded && m_dirty)
        WriteFile(error);
}

bool TFnotepad::WriteFile(QString& error) {
    QSaveFile file(FilePath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        QTextStream out(&file);
        out.setEncoding(QStringConverter::Utf8);
        const QStringList lines = Memo->toPlainText().split(QLatin1Char('\n'));
        for (const QString& line : lines)
            out << line << '\n';
        out.flush();
        if (file.commit()) {
            m_dirty = false;
            return true;
        }
    }
    error = file.errorString();
    return false;
}

bool TFnotepad::Save() {
    SaveTimer->stop();
    if (!m_dirty)
        return true;
    QString error;
    if (!WriteFile(error)) {
        Complain(this, QStringLiteral("Cannot write ") + FilePath() + QStringLiteral(" : ") + error);
        return false;
    }
    setWindowTitle(kCaption);
    return true;
}

void TFnotepad::NowClick() {
    Memo->insertPlainText(CalToDateStr(Today()) + QStringLiteral("  ") + FormatHM(TimeNow()) + QLatin1Char(' '));
}

void TFnotepad::HideClick() {
    close();
}

void TFnotepad::closeEvent(QCloseEvent* event) {
    if (m_loaded)
        Save();
    QMainWindow::closeEvent(event);
}

TFnotepad& FNotepad() {
    if (!g_notepad) {
        g_notepad = new TFnotepad;
        static bool registered = false;
        if (!registered) {
            qAddPostRoutine(DeleteNotepad);
            registered = true;
        }
    }
    return *g_notepad;
}

void ShowNotepad() {
    ShowRestored(&FNotepad());
}
