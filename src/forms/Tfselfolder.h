// The folder window "Select folder": a directory tree on the left, the
// selected folder's files on the right, its path below, OK and Cancel.  Linux
// has no drives, so the tree starts at the root of the file system.
#pragma once

#include <QDialog>

class QFileSystemModel;
class QLabel;
class QListView;
class QTreeView;

class Tfselfolder : public QDialog {
    Q_OBJECT

public:
    explicit Tfselfolder(QWidget* parent = nullptr);

    // Opens the tree at path (without its trailing "/"); the selection
    // starts there.
    void SetFolder(const QString& path);
    // The selected folder, without a trailing "/".
    QString SelectedFolder() const;

    QTreeView* DirTree;
    QListView* FileList;
    QLabel* PathLabel;

private:
    void DirChanged();

    QFileSystemModel* m_dirs;
    QFileSystemModel* m_files;
};

Tfselfolder& Fselfolder();

// The folder dialog: path in and out.  An empty path starts at the user's
// home folder; a relative path is refused (false, no window).  OK gives the
// selected folder with a trailing "/" and true; Cancel false.
bool ChooseFolder(QString& path);
