// The about box: what the program is, the program file's full path (lower
// case) and its modification date and time.  Modeless; "OK", Enter or Escape
// closes it.  The window widens to fit the path.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class TFAbout1 : public QDialog {
    Q_OBJECT
public:
    explicit TFAbout1(QWidget* parent = nullptr);

    // Fills the labels from the program file as it is now.
    void Refresh();
    // The folder that holds the ledger (DATA/, ARCHIVE/, backups, notepad).
    void SetProgramFolder(const QString& folder);

    QLabel* InfoLbl;
    QLabel* PathLbl;
    QLabel* FolderLbl;
    QLabel* DateLbl;
    QPushButton* OKBtn;

private:
    QString m_programFolder;
};

// The process-wide about box, created on first use.
TFAbout1& FAbout1();
// The main window's "About": shows the about box.
void ShowAbout();
