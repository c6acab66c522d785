// Program entry: the control window first (disabled, so it is the main
// window), then the small shared windows, the core holder and the start-up on
// the data folder beside the program, then the rest; the control window is
// enabled and the message loop runs until it closes.
#include "data/Core.h"
#include "forms/FormPositions.h"
#include "forms/TFAbout1.h"
#include "forms/TFCal.h"
#include "forms/TFCtrl.h"
#include "forms/TFNotice.h"
#include "forms/TFnotepad.h"
#include "forms/Tfselfolder.h"
#include "forms/WidgetPrompter.h"
#include "ledger/StartUp.h"

#include <QApplication>
#include <QDir>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KOVRAL"));

    WidgetPrompter prompter;
    TFCore core(prompter);
    TFCtrl ctrl(core, prompter);
    ctrl.show();
    FAbout1();
    QApplication::processEvents();

    FNotice();
    const QString programFolder = QDir(QCoreApplication::applicationDirPath()).absolutePath() + QLatin1Char('/');
    if (StartUp(core, programFolder) == OpenResult::Declined)
        return 0; // a declined conversion ends the program at once, nothing more written
    ctrl.RefreshDetails();

    FNotepad().setFolder(programFolder);
    RegisterForm(&FNotepad());
    RegisterForm(&Fselfolder());

    ctrl.setEnabled(true);
    QApplication::processEvents();
    ctrl.StartTimer();
    return app.exec();
}
