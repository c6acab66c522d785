#include "ledger/StartUp.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "ledger/Repeaters.h"

OpenResult StartUp(TFCore& core, const QString& programFolder, const std::function<void()>& generate) {
    core.prompter().ShowStatus(QStringLiteral("Opening database ..."));
    core.setProgramFolder(programFolder);
    SetDataFolder(core, programFolder + QStringLiteral("DATA/"));
    const OpenResult r = OpenDatabase(core);
    if (r != OpenResult::Opened)
        return r;
    if (!DateEqual(core.settings().Today, core.settings().GenTo)) {
        if (generate)
            generate();
        else
            GenerateAllRepeaters(core);
    }
    return r;
}
