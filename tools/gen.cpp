// kovral-gen: writes a new data folder holding a generated ledger.
//
//   kovral-gen --folder DIR [--seed N] [--years N] [--txns-per-year N]
//              [--ext N] [--pots N] [--cptys N] [--ctgys N] [--group-depth N]
//              [--today yyyy-mm-dd] [--batch N] [--demo] [--quiet]
//
// --demo starts from the small readable ledger (two years, a few hundred
// transactions); other options given with it still apply.  The folder must
// not exist or be empty.  Exit status 0 when the ledger was written without
// any message from the core, 1 otherwise.
#include "base/Dates.h"
#include "data/Core.h"
#include "ledger/Database.h"
#include "ledger/Generator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>
#include <cstdio>

namespace {

void usage() {
    std::fprintf(stderr,
                 "usage: kovral-gen --folder DIR [--seed N] [--years N] [--txns-per-year N] [--ext N] [--pots N]\n"
                 "                  [--cptys N] [--ctgys N] [--group-depth N] [--today yyyy-mm-dd] [--batch N]\n"
                 "                  [--demo] [--quiet]\n");
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    GenOptions o;
    if (args.contains(QStringLiteral("--demo")))
        o = DemoOptions();
    bool quiet = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == QLatin1String("--demo"))
            continue;
        if (a == QLatin1String("--quiet")) {
            quiet = true;
            continue;
        }
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            usage();
            return 0;
        }
        if (i + 1 >= args.size()) {
            usage();
            return 2;
        }
        const QString v = args[++i];
        bool ok = true;
        if (a == QLatin1String("--folder"))
            o.folder = v;
        else if (a == QLatin1String("--seed"))
            o.seed = v.toUInt(&ok);
        else if (a == QLatin1String("--years"))
            o.years = v.toInt(&ok);
        else if (a == QLatin1String("--txns-per-year"))
            o.txnsPerYear = v.toInt(&ok);
        else if (a == QLatin1String("--ext"))
            o.ext = v.toInt(&ok);
        else if (a == QLatin1String("--pots"))
            o.pots = v.toInt(&ok);
        else if (a == QLatin1String("--cptys"))
            o.cptys = v.toInt(&ok);
        else if (a == QLatin1String("--ctgys"))
            o.ctgys = v.toInt(&ok);
        else if (a == QLatin1String("--group-depth"))
            o.groupDepth = v.toInt(&ok);
        else if (a == QLatin1String("--batch"))
            o.batchSize = v.toInt(&ok);
        else if (a == QLatin1String("--today")) {
            o.today = DateStrToCal(v);
            ok = !IsNullDate(o.today);
        } else
            ok = false;
        if (!ok) {
            std::fprintf(stderr, "kovral-gen: bad option %s %s\n", qPrintable(a), qPrintable(v));
            usage();
            return 2;
        }
    }
    if (o.folder.isEmpty()) {
        usage();
        return 2;
    }
    if (!quiet)
        o.progress = [](int done, int planned) {
            std::fprintf(stderr, "\r%d transactions written (%d random planned)", done, planned);
        };

    HeadlessPrompter prompter;
    TFCore core(prompter);
    QElapsedTimer timer;
    timer.start();
    const bool ok = GenerateLedger(core, o);
    if (!quiet)
        std::fprintf(stderr, "\n");
    const bool closed = CloseDatabase(core);
    if (!ok || !closed || !prompter.messages().isEmpty()) {
        std::fprintf(stderr, "kovral-gen: failed (%lld messages)\n",
                     static_cast<long long>(prompter.messages().size()));
        return 1;
    }
    std::printf("%s written in %.1f s\n", qPrintable(core.dataFolder()), double(timer.elapsed()) / 1000.0);
    return 0;
}
