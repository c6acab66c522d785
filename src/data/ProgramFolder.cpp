#include "data/ProgramFolder.h"

#include "base/Prompter.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QProcessEnvironment>
#include <QTemporaryFile>

namespace {

QString Slashed(const QString& path) {
    QString p = QDir::cleanPath(QDir(path).absolutePath());
    if (!p.endsWith(QLatin1Char('/')))
        p += QLatin1Char('/');
    return p;
}

// Copies a file or a folder tree, keeping the files' modification dates.
bool CopyTree(const QString& from, const QString& to, QString& failed) {
    const QFileInfo info(from);
    if (info.isDir()) {
        if (!QDir().mkpath(to)) {
            failed = to;
            return false;
        }
        const QDir dir(from);
        const QFileInfoList entries =
            dir.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
        for (const QFileInfo& e : entries)
            if (!CopyTree(e.absoluteFilePath(), to + QLatin1Char('/') + e.fileName(), failed))
                return false;
        return true;
    }
    if (!QFile::copy(from, to)) {
        failed = from;
        return false;
    }
    QFile copy(to);
    if (copy.open(QIODevice::ReadWrite))
        copy.setFileTime(info.lastModified(), QFileDevice::FileModificationTime);
    return true;
}

bool RemoveTree(const QString& path) {
    const QFileInfo info(path);
    if (info.isDir() && !info.isSymLink())
        return QDir(path).removeRecursively();
    return QFile::remove(path);
}

// Counts files and bytes below path, so a copy can be compared with its source.
void Measure(const QString& path, qint64& files, qint64& bytes) {
    const QFileInfo info(path);
    if (!info.isDir()) {
        ++files;
        bytes += info.size();
        return;
    }
    QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        it.next();
        ++files;
        bytes += it.fileInfo().size();
    }
}

} // namespace

bool IsBuildFolder(const QString& dir) {
    QFile cache(Slashed(dir) + QStringLiteral("CMakeCache.txt"));
    if (!cache.open(QIODevice::ReadOnly | QIODevice::Text))
        return false;
    while (!cache.atEnd()) {
        const QByteArray line = cache.readLine().trimmed();
        if (line.startsWith("CMAKE_PROJECT_NAME:"))
            return line.endsWith("=kovral");
    }
    return false;
}

bool IsInstalledBinFolder(const QString& dir) {
    const QString d = Slashed(dir);
    if (!d.endsWith(QStringLiteral("/bin/")))
        return false;
    return QFileInfo::exists(d + QStringLiteral("../share/applications/kovral.desktop"));
}

bool FolderWritable(const QString& dir) {
    if (!QFileInfo(dir).isDir())
        return false;
    QTemporaryFile probe(Slashed(dir) + QStringLiteral(".kovral-write-XXXXXX"));
    return probe.open(); // removed again when probe goes out of scope
}

ProgramFolderInput ProgramFolderFacts(const QString& programDir, bool homeGiven, const QString& homeArg) {
    ProgramFolderInput in;
    in.homeGiven = homeGiven;
    in.homeArg = homeArg;
    in.programDir = Slashed(programDir);
    in.programDirIsBuild = IsBuildFolder(in.programDir);
    in.programDirIsInstalled = IsInstalledBinFolder(in.programDir);
    in.programDirWritable = !in.programDirIsBuild && !in.programDirIsInstalled && FolderWritable(in.programDir);
    const QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    in.xdgDataHome = env.value(QStringLiteral("XDG_DATA_HOME"));
    in.userHome = QDir::homePath();
    return in;
}

ProgramFolderChoice ChooseProgramFolder(const ProgramFolderInput& in) {
    ProgramFolderChoice c;
    if (in.homeGiven) {
        c.source = ProgramFolderChoice::Source::Given;
        c.folder = Slashed(in.homeArg);
    } else if (in.programDirWritable && !in.programDirIsBuild && !in.programDirIsInstalled) {
        c.source = ProgramFolderChoice::Source::BesideProgram;
        c.folder = Slashed(in.programDir);
    } else {
        c.source = ProgramFolderChoice::Source::UserData;
        // XDG: a relative XDG_DATA_HOME is invalid and is ignored.
        const QString base = !in.xdgDataHome.isEmpty() && QDir::isAbsolutePath(in.xdgDataHome)
                                 ? in.xdgDataHome
                                 : in.userHome + QStringLiteral("/.local/share");
        c.folder = Slashed(base + QStringLiteral("/kovral"));
    }
    return c;
}

bool PrepareProgramFolder(const QString& folder, QString& error) {
    const QFileInfo info(folder);
    if (info.exists() && !info.isDir()) {
        error =
            QStringLiteral("Cannot keep the ledger in \"") + folder + QStringLiteral("\": it is a file, not a folder.");
        return false;
    }
    if (!info.exists() && !QDir().mkpath(folder)) {
        error = QStringLiteral("Cannot make the folder \"") + folder + QStringLiteral("\" for the ledger.");
        return false;
    }
    if (!FolderWritable(folder)) {
        error = QStringLiteral("Cannot write in the folder \"") + folder +
                QStringLiteral("\", so the ledger cannot be kept there.");
        return false;
    }
    return true;
}

QStringList LedgerEntries() {
    return {QStringLiteral("DATA"), QStringLiteral("ARCHIVE"), QStringLiteral("Pre-healthcheck backups"),
            QStringLiteral("npad.txt")};
}

QString LegacyFolder(const ProgramFolderInput& in, const ProgramFolderChoice& choice) {
    if (in.homeGiven || !in.programDirIsBuild || choice.folder == Slashed(in.programDir))
        return QString();
    if (!QFileInfo(Slashed(in.programDir) + QStringLiteral("DATA")).isDir())
        return QString();
    if (QFileInfo::exists(choice.folder + QStringLiteral("DATA")))
        return QString();
    return Slashed(in.programDir);
}

bool MoveLedger(const QString& from, const QString& to, QString& error) {
    const QString src = Slashed(from);
    const QString dst = Slashed(to);
    QStringList present;
    for (const QString& e : LedgerEntries()) {
        if (!QFileInfo::exists(src + e))
            continue;
        if (QFileInfo::exists(dst + e)) {
            error = QStringLiteral("\"") + dst + e + QStringLiteral("\" exists already; nothing was moved.");
            return false;
        }
        present << e;
    }
    if (!QDir().mkpath(dst)) {
        error = QStringLiteral("Cannot make the folder \"") + dst + QStringLiteral("\"; nothing was moved.");
        return false;
    }
    // Copy everything first; the originals go only once every copy is whole.
    QStringList placed;
    for (const QString& e : present) {
        QString failed;
        bool ok = CopyTree(src + e, dst + e, failed);
        if (ok) {
            qint64 f1 = 0, b1 = 0, f2 = 0, b2 = 0;
            Measure(src + e, f1, b1);
            Measure(dst + e, f2, b2);
            ok = f1 == f2 && b1 == b2;
            if (!ok)
                failed = dst + e;
        }
        if (!ok) {
            RemoveTree(dst + e);
            for (const QString& p : placed)
                RemoveTree(dst + p);
            error = QStringLiteral("Cannot copy \"") + failed + QStringLiteral("\"; the ledger stays in \"") + src +
                    QStringLiteral("\".");
            return false;
        }
        placed << e;
    }
    QStringList left;
    for (const QString& e : present)
        if (!RemoveTree(src + e))
            left << src + e;
    if (!left.isEmpty()) {
        // Every entry is whole in its new place; only old copies remain.
        error = QStringLiteral("The ledger was moved to \"") + dst +
                QStringLiteral("\", but these could not be removed: ") + left.join(QStringLiteral(", "));
        return true;
    }
    return true;
}

QString SettleProgramFolder(Prompter& prompter, const ProgramFolderInput& in) {
    const ProgramFolderChoice choice = ChooseProgramFolder(in);
    QString error;
    if (!PrepareProgramFolder(choice.folder, error)) {
        prompter.ShowMessage(error);
        return QString();
    }
    const QString legacy = LegacyFolder(in, choice);
    if (legacy.isEmpty())
        return choice.folder;
    const QString question = QStringLiteral("A ledger is kept in the build folder \"") + legacy +
                             QStringLiteral("DATA/\", which is lost when the build is deleted.\n\nMove it, with its "
                                            "archive copies, backups and notepad, to \"") +
                             choice.folder + QStringLiteral("\"?\n\nNo uses it where it is this time.");
    if (!prompter.AskYesNo(question))
        return legacy;
    if (!MoveLedger(legacy, choice.folder, error)) {
        prompter.ShowMessage(error);
        return legacy;
    }
    if (!error.isEmpty())
        prompter.ShowMessage(error);
    return choice.folder;
}
