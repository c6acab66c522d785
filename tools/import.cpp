// kovral-import: reads a bank statement into an external account.
//
//   kovral-import FOLDER ACCOUNT-ID FILE [--format ofx|qif|csv] [--dry-run] [--yes]
//
// Prints the preview, one row per statement line with its state (new,
// matched, imported, skip) and what it will become, with the question a new
// line's entry checks would ask ("needs confirming: ...") or the message of
// a check that refuses it ("refused: ..."), then, without --dry-run, imports
// it: the new lines that have a counterparty, category and pot are entered
// as the entry form enters them, matched lines are recorded, and a
// closing balance that agrees is recorded as reconciled, all in one store
// transaction.  New lines without a counterparty are left out (the preview
// window lets them be chosen).  Lines needing confirmation are left out
// unless --yes confirms every such question; refused lines are left out; the
// others still go in.  A CSV file's column mapping, guessed when the
// account has none, is remembered for the account after an import.  Exit
// status 0 on success, 1 on any refusal (with its message on stderr).
#include "base/HeadlessPrompter.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "ledger/Database.h"
#include "ledger/StatementImport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <cstdio>

namespace {

int usage() {
    std::fputs("usage: kovral-import FOLDER ACCOUNT-ID FILE [--format ofx|qif|csv] [--dry-run] [--yes]\n"
               "  --yes  confirm the questions the entry checks ask (closed account, reconciled\n"
               "         balance altered, ...) for every line; without it such lines are skipped\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    bool dryRun = false;
    bool yes = false;
    StatementFormat format = StatementFormat::Unknown;
    QStringList plain;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--dry-run")) {
            dryRun = true;
        } else if (args[i] == QStringLiteral("--yes")) {
            yes = true;
        } else if (args[i] == QStringLiteral("--format") && i + 1 < args.size()) {
            format = FormatFromName(args[++i]);
            if (format == StatementFormat::Unknown)
                return usage();
        } else if (args[i].startsWith(QStringLiteral("--"))) {
            return usage();
        } else {
            plain << args[i];
        }
    }
    if (plain.size() != 3)
        return usage();
    bool idOk = false;
    const int accountId = plain[1].toInt(&idOk);
    if (!idOk || accountId <= 0)
        return usage();
    QString folder = QDir(plain[0]).absolutePath();
    if (!folder.endsWith(QLatin1Char('/')))
        folder += QLatin1Char('/');

    HeadlessPrompter prompter;
    TFCore core(prompter);
    // The prompter echoes every message to stderr as it comes.
    auto fail = []() { return 1; };
    if (!QFileInfo::exists(SettingsPath(folder))) {
        std::fprintf(stderr, "Folder does not hold Kovral data, INI file absent %s\n",
                     qPrintable(SettingsPath(folder)));
        return 1;
    }
    core.settings().Today = Today();
    SetDataFolder(core, folder);
    if (OpenDatabase(core) != OpenResult::Opened)
        return fail();

    Statement st;
    CsvMapping mapping;
    mapping.dateCol = -2; // marks "not a CSV file"
    if (!ReadStatementFile(prompter, plain[2], format, SettingsPath(folder), accountId, st, &mapping))
        return fail();
    ImportPreview preview;
    if (!PreviewStatement(core, accountId, st, preview))
        return fail();
    std::fputs(qPrintable(PreviewText(preview)), stdout);
    if (dryRun) {
        CloseDatabase(core);
        return 0;
    }
    if (yes)
        for (const LineQuestion& q : PendingQuestions(preview))
            preview.confirmed << q.text;
    int unconfirmed = 0, refused = 0;
    for (ImportLine& il : preview.lines) {
        if (il.state != LineState::New)
            continue;
        const QString note = LineCheckNote(il, preview.confirmed);
        if (!il.complete() || !note.isEmpty()) {
            il.state = LineState::Skip;
            if (!note.isEmpty()) {
                ++(il.refusal.isEmpty() ? unconfirmed : refused);
                std::printf("line %d skipped, %s\n", il.line.lineNo, qPrintable(note));
            }
        }
    }
    ImportResult r;
    if (!ImportPreviewLines(core, preview, ImportOptions(), r)) {
        CloseDatabase(core);
        return fail();
    }
    if (mapping.dateCol != -2)
        SaveCsvMapping(prompter, SettingsPath(folder), accountId, mapping);
    std::printf("imported: %d entered, %d matched%s\n", r.entered, r.matched,
                r.closingRecorded ? ", closing balance recorded as reconciled" : "");
    unconfirmed += r.unconfirmed;
    refused += r.refused;
    if (unconfirmed > 0 || refused > 0)
        std::printf("left out: %d needing confirmation%s, %d refused\n", unconfirmed,
                    yes || unconfirmed == 0 ? "" : " (--yes confirms them)", refused);
    CloseDatabase(core);
    return 0;
}
