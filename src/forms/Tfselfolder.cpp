#include "forms/Tfselfolder.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QFileSystemModel>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QListView>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

Tfselfolder::Tfselfolder(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("fselfolder"));
    setWindowTitle(QStringLiteral("Select folder"));
    resize(640, 420);

    m_dirs = new QFileSystemModel(this);
    m_dirs->setFilter(QDir::AllDirs | QDir::NoDotAndDotDot | QDir::Hidden);
    m_dirs->setRootPath(QStringLiteral("/"));
    m_files = new QFileSystemModel(this);
    // Every file shows, hidden and read-only ones too.
    m_files->setFilter(QDir::Files | QDir::Hidden | QDir::System);

    DirTree = new QTreeView(this);
    DirTree->setObjectName(QStringLiteral("DirTree"));
    DirTree->setModel(m_dirs);
    for (int c = 1; c < m_dirs->columnCount(); ++c)
        DirTree->hideColumn(c);
    DirTree->header()->hide();

    FileList = new QListView(this);
    FileList->setObjectName(QStringLiteral("FileList"));
    FileList->setModel(m_files);
    FileList->setSelectionMode(QAbstractItemView::NoSelection);

    PathLabel = new QLabel(this);
    PathLabel->setObjectName(QStringLiteral("PathLabel"));
    PathLabel->setTextFormat(Qt::PlainText);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("Cancel"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* panes = new QHBoxLayout;
    panes->addWidget(DirTree, 1);
    panes->addWidget(FileList, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(panes, 1);
    layout->addWidget(PathLabel);
    layout->addWidget(buttons);

    connect(DirTree->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { DirChanged(); });
}

void Tfselfolder::SetFolder(const QString& path) {
    const QModelIndex idx = m_dirs->index(path);
    DirTree->setCurrentIndex(idx);
    DirTree->scrollTo(idx);
    DirTree->expand(idx);
    DirChanged();
}

QString Tfselfolder::SelectedFolder() const {
    const QModelIndex idx = DirTree->currentIndex();
    return idx.isValid() ? m_dirs->filePath(idx) : QString();
}

void Tfselfolder::DirChanged() {
    const QString dir = SelectedFolder();
    PathLabel->setText(dir);
    FileList->setRootIndex(m_files->setRootPath(dir));
}

Tfselfolder& Fselfolder() {
    static Tfselfolder* w = new Tfselfolder;
    return *w;
}

bool ChooseFolder(QString& path) {
    QString start = path.isEmpty() ? QDir::homePath() : path;
    if (!QDir::isAbsolutePath(start))
        return false;
    while (start.size() > 1 && start.endsWith(QLatin1Char('/')))
        start.chop(1);
    Tfselfolder& w = Fselfolder();
    w.SetFolder(start);
    if (w.exec() != QDialog::Accepted)
        return false;
    QString chosen = w.SelectedFolder();
    if (chosen.isEmpty())
        return false;
    if (!chosen.endsWith(QLatin1Char('/')))
        chosen += QLatin1Char('/');
    path = chosen;
    return true;
}
