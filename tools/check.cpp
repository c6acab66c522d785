// kovral-check: the health check without a screen.
//
//   kovral-check FOLDER [--repair] [--create]
//
// Runs the same health check as the check window on the data folder FOLDER
// (check mode, or repair mode with --repair): the data folder is backed up
// first into "Pre-healthcheck backups/" beside this program, as the window's
// run does, and the log is printed to standard output as well as saved there
// as HCHK.TXT.  Messages go to standard error.  Of the questions a run can
// meet, only the conversion of an older table layout is answered Yes (the
// backup has been made by then); every other question is answered No.
//
// A folder without KOVRALDB.INI is refused unless --create is given, which
// makes a new, empty data folder there first (for a smoke test).
//
// Exit status: 0 when the log ends with "All scans complete OK"; 1 when the
// check found errors or stopped; 2 when it could not run.
#include "base/Files.h"
#include "base/HeadlessPrompter.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "ledger/Database.h"
#include "ledger/HealthCheck.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>
#include <cstdio>

namespace {

void Err(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toLocal8Bit().constData());
}

// Messages go to standard error; a conversion is answered Yes (the health
// check has made its backup by then), every other question No.
class ConsolePrompter : public HeadlessPrompter {
public:
    char AskAtCursor(const QString& text) override {
        if (text != QStringLiteral("Database will be converted, have you backed it up?"))
            return HeadlessPrompter::AskAtCursor(text);
        record(text + QStringLiteral(" -> Yes"));
        return 'Y';
    }
};

// Prints each log line as it comes, so a long run shows its progress.
class ConsoleView : public HealthCheckView {
public:
    void RunStarted(HchkMode) override {}
    void AddLogLine(const QString& line) override {
        std::fprintf(stdout, "%s\n", line.toLocal8Bit().constData());
        std::fflush(stdout);
    }
    void SetProgress(const QString&) override {}
    void ProcessInput() override {}
    void RunFinished() override {}
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QString folder;
    bool repair = false, create = false;
    const QStringList args = app.arguments().mid(1);
    for (const QString& a : args) {
        if (a == QStringLiteral("--repair"))
            repair = true;
        else if (a == QStringLiteral("--create"))
            create = true;
        else if (!a.startsWith(QStringLiteral("--")) && folder.isEmpty())
            folder = a;
        else {
            folder.clear();
            break;
        }
    }
    if (folder.isEmpty()) {
        Err(QStringLiteral("usage: kovral-check FOLDER [--repair] [--create]"));
        return 2;
    }
    folder = WithBackslash(QFileInfo(folder).absoluteFilePath());
    if (!create && !QFileInfo::exists(SettingsPath(folder))) {
        Err(QStringLiteral("Folder does not hold Kovral data, INI file absent ") + SettingsPath(folder));
        return 2;
    }

    ConsolePrompter prompter;
    TFCore core(prompter);
    // The backups go beside the data folder, in the folder that holds it, as
    // the program keeps them beside its DATA/: never beside this tool.
    core.setProgramFolder(WithBackslash(QFileInfo(QDir::cleanPath(folder)).absolutePath()));
    SetDataFolder(core, folder);

    ConsoleView view;
    HealthCheck hc(core, view);
    const bool clean = hc.Run(repair ? HchkMode::Repair : HchkMode::Check);
    const bool ran = !hc.Log().isEmpty();
    CloseDatabase(core);
    if (!ran)
        return 2;
    return clean ? 0 : 1;
}
