// The notepad "Notepad": one free-text file, "npad.txt" in the program
// folder, that saves itself.
//
// The file is loaded when the window shows (unless edits are waiting to be
// saved).  Any change marks the text dirty, turns the caption to "NOTEPAD" and
// (re)starts a 15-second save timer; saving writes the lines to the file and
// turns the caption back to "Notepad".  "Hide" and Escape close the window,
// saving first.  The window keeps its text while hidden.
//
// The file lives in the program folder (not the process's current folder), so
// that the archive, which copies "npad.txt" from the program folder, finds it.
#pragma once

#include <QMainWindow>

class QAction;
class QPlainTextEdit;
class QTimer;

class TFnotepad : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kSaveDelay = 15000; // ms after the last change

    // folder: the program folder, ending in "/".
    explicit TFnotepad(const QString& folder = QString(), QWidget* parent = nullptr);
    // Writes waiting edits, so the text is not lost when the program ends.
    ~TFnotepad() override;

    // The folder that holds "npad.txt"; changing it forgets the loaded text.
    void setFolder(const QString& folder);
    QString folder() const { return m_folder; }
    QString FilePath() const;
    // The save delay (tests shorten it).
    void setSaveInterval(int ms);

    bool Loaded() const { return m_loaded; }
    bool Dirty() const { return m_dirty; }
    // Writes the text when it is dirty; false when the file could not be
    // written (the text stays dirty and the user is told).
    bool Save();
    // "Now": today's yyyy-mm-dd, two blanks, hh:mm and a blank at the caret.
    void NowClick();
    // "Hide": closes the window, saving first.
    void HideClick();

    QPlainTextEdit* Memo;
    QAction* NowItem;
    QAction* HideItem;
    QTimer* SaveTimer;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Load();
    void MemoChange();
    bool WriteFile(QString& error);

    QString m_folder;
    bool m_loaded = false;
    bool m_loading = false;
    bool m_dirty = false;
};

// The process-wide notepad, created on first use in the program's folder.
TFnotepad& FNotepad();
// The main window's "Notepad": shows the notepad (restored when minimised).
void ShowNotepad();
