// Folder and file helpers used by the backups and the archive.
//
// A copy is written through QSaveFile: the data goes to a temporary file in
// the target folder, which takes the source's modification time and only then
// replaces the target.  So a copy that fails half-way leaves any earlier copy
// whole, and copying a file onto itself cannot truncate it.
#include "base/Files.h"

#include "base/Prompter.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace {

// One attempt at the copy; false when any step fails.
bool copyOnce(const QString& source, const QString& target) {
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QDateTime modified = QFileInfo(in).lastModified();
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    char buffer[64 * 1024];
    for (;;) {
        const qint64 n = in.read(buffer, sizeof buffer);
        if (n < 0) {
            out.cancelWriting();
            return false;
        }
        if (n == 0)
            break;
        if (out.write(buffer, n) != n) {
            out.cancelWriting();
            return false;
        }
    }
    // Everything is on disk before the time is set, so nothing written later
    // moves it; the rename in commit() keeps it.
    if (!out.flush() || !out.setFileTime(modified, QFileDevice::FileModificationTime)) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

} // namespace

QString WithBackslash(const QString& path) {
    if (path.isEmpty() || path.endsWith(QLatin1Char('/')))
        return path;
    return path + QLatin1Char('/');
}

bool EnsureFolder(Prompter& prompter, const QString& path) {
    if (QFileInfo(path).isDir())
        return true;
    prompter.InfoAtCursor(QStringLiteral("Making directory \"") + path + QLatin1Char('"'));
    return QDir().mkpath(path);
}

bool CopyFileKeepDate(Prompter& prompter, const QString& name, const QString& fromFolder, const QString& toFolder) {
    EnsureFolder(prompter, toFolder);
    const QString source = fromFolder + name;
    const QString target = toFolder + name;
    while (!copyOnce(source, target)) {
        if (!prompter.AskYesNo(QStringLiteral("file open error \"") + target + QStringLiteral("\" - retry?")))
            return false;
    }
    return true;
}

bool CopyFolderFiles(Prompter& prompter, const QString& fromFolder, const QString& toFolder) {
    if (!QFileInfo(toFolder).isDir())
        QDir().mkdir(toFolder);
    const QDir source(fromFolder);
    if (!source.exists())
        return false;
    BusyScope busy(prompter);
    bool allCopied = true;
    const QStringList names = source.entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        if (!CopyFileKeepDate(prompter, name, fromFolder, toFolder))
            allCopied = false;
        prompter.ProcessEvents();
    }
    return allCopied;
}
