// Program entry: the program folder is settled first (--home, a portable
// folder beside the program, or the user's data folder; see
// data/ProgramFolder.h), then the control window (disabled, so it is the main
// window), the small shared windows, the core holder and the start-up on the
// data folder "DATA/" in the program folder, then the rest; the control
// window is enabled and the message loop runs until it closes.
#include "data/Core.h"
#include "data/ProgramFolder.h"
#include "forms/FormPositions.h"
#include "forms/TFAbout1.h"
#include "forms/TFCal.h"
#include "forms/TFCtrl.h"
#include "forms/TFNotice.h"
#include "forms/TFnotepad.h"
#include "forms/Tfselfolder.h"
#include "forms/WidgetPrompter.h"
#include "forms/reminders/TFRemdrs.h"
#include "ledger/StartUp.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KOVRAL"));
    QApplication::setApplicationVersion(QStringLiteral(KOVRAL_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Single-user bookkeeping."));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption homeOption(
        QStringLiteral("home"),
        QStringLiteral("Keep the ledger (DATA/, ARCHIVE/, backups and notepad) in DIR, made when missing."),
        QStringLiteral("DIR"));
    parser.addOption(homeOption);
    parser.process(app); // --help, --version and unknown options end here

    WidgetPrompter prompter;
    const QString programFolder =
        SettleProgramFolder(prompter, ProgramFolderFacts(QCoreApplication::applicationDirPath(),
                                                         parser.isSet(homeOption), parser.value(homeOption)));
    if (programFolder.isEmpty())
        return 1; // the folder cannot be used: said so, nothing written
    TFCore core(prompter);
    TFCtrl ctrl(core, prompter);
    ctrl.show();
    FAbout1().SetProgramFolder(programFolder);
    QApplication::processEvents();

    FNotice();
    if (StartUp(core, programFolder) == OpenResult::Declined)
        return 0; // a declined conversion ends the program at once, nothing more written
    ctrl.RefreshDetails();

    FNotepad().setFolder(programFolder);
    RegisterForm(&FNotepad());
    RegisterForm(&Fselfolder());
    if (core.databaseDetails.open)
        FRemdrs(core).StartUp(); // shows itself when reminders are due

    ctrl.setEnabled(true);
    QApplication::processEvents();
    ctrl.StartTimer();
    return app.exec();
}
