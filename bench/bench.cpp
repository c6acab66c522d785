// kovral-bench: speed figures of the ledger core on a data folder.
//
//   kovral-bench FOLDER [--runs N] [--only NAME[,NAME...]] [--in-place] [--keep]
//
// Prints one line per figure, "name value unit", each the median of several
// runs, preceded by "#" lines describing the ledger.  The figures:
//   folder_size        the data folder on disk
//   open_database      OpenDatabase of the folder (settings, tables, checks)
//   rebalance          Rebalance over the balance period, commit included
//   setrngbal_first    SetRngBal of the account with the most postings when
//                      its running balances were never computed (one run)
//   setrngbal          the same when they are up to date (the usual case)
//   postings_open_first  the postings view opened on the busiest account in
//                      Statement style over all dates until its first rows
//                      are painted (running balances computed, the list
//                      query, the totals, the model, the grid, the texts of
//                      the rows shown), when the account's running balances
//                      were never computed (one run; the window is made)
//   postings_open_first_store  the running balances that view then stores,
//                      after its first paint, a part per turn of the event
//                      loop (_turn: the longest turn)
//   postings_open      the same opening when they are up to date
//   postings_scroll_page  that view scrolled top to bottom and back, a
//                      painted position at a time (median and longest)
//   payment            one payment (WriteTransaction, its four postings) and
//                      its durable commit, synchronous FULL
//   repeaters_year     GenerateAllRepeaters with BalAt one year further on
//   hchk_check         the health check in check mode, backup copy included
//   hchk_check_scans   the same without the backup copy: the scans and the log
//   hchk_backup_copy   the backup copy alone (copying the data folder)
//   account_list       the picker's ALL list of the kind with the most
//                      objects, with a search walk that runs off its end
//   entry_payment      a four-posting payment through the entry form's
//                      checks and commit (ValidateEntry, CommitEntry), durable
//   entry_open_first   opening the entry form for New the first time (the
//                      window is made), until its modal loop runs
//   entry_open         opening it again, the usual case
//   balances_values    the balances view of the external accounts opened
//                      and its values shown (balances up to date)
//   balances_values_rebal  the same when a rebalance is needed first
//   balances_expand_all  Expand all over the categories, values shown
//   analysis_rebuild   MTHLY.DB rebuilt for the categories' year to BalAt
//   analysis_grid      the analysis's top level laid out (Month-on-Month)
//   search_text        a text search over every transaction, marking included
//   search_journal     the journal of the balance period, date flags included
//   import_preview     reading a 10,000-line CSV statement (written by the
//                      bench) and previewing it on the external account with
//                      the most postings: matching and proposals
//   import_commit      importing that preview: every new line entered as the
//                      entry form enters it, one durable store transaction
// The folder itself is never changed: the runs work on a copy in a temporary
// folder (made fresh for the runs that add data), unless --in-place is given.
#include "base/Dates.h"
#include "base/Files.h"
#include "data/Core.h"
#include "data/Settings.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "forms/entry/TFtxnip3.h"
#include "forms/views/TFPstgs.h"
#include "ledger/AccountList.h"
#include "ledger/Analysis.h"
#include "ledger/Balances.h"
#include "ledger/BalancesList.h"
#include "ledger/Database.h"
#include "ledger/Entry.h"
#include "ledger/Generator.h"
#include "ledger/HealthCheck.h"
#include "ledger/Objects.h"
#include "ledger/PostingsList.h"
#include "ledger/Repeaters.h"
#include "ledger/StatementImport.h"
#include "ledger/Transactions.h"
#include "ledger/TxnSearch.h"

#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHeaderView>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

namespace {

HeadlessPrompter prompter;

double medianOf(std::vector<double> v) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

void figure(const char* name, double value, const char* unit) {
    std::printf("%s %.3f %s\n", name, value, unit);
    std::fflush(stdout);
}

// Milliseconds taken by f.
double timed(const std::function<void()>& f) {
    QElapsedTimer t;
    t.start();
    f();
    return double(t.nsecsElapsed()) / 1.0e6;
}

qint64 folderBytes(const QString& folder) {
    qint64 total = 0;
    QDirIterator it(folder, QDir::Files);
    while (it.hasNext()) {
        it.next();
        total += it.fileInfo().size();
    }
    return total;
}

bool copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    return CopyFolderFiles(prompter, from, to);
}

std::int64_t scalar(TFCore& core, const QString& sql) {
    Query q(core.store(), sql);
    if (!q.next())
        return 0;
    const std::int64_t v = q.int64(0);
    q.reset();
    return v;
}

bool openAt(TFCore& core, const QString& folder) {
    SetDataFolder(core, folder);
    if (OpenDatabase(core) != OpenResult::Opened) {
        std::fprintf(stderr, "kovral-bench: cannot open %s\n", qPrintable(folder));
        return false;
    }
    return true;
}

// Keeps the last log line and times the scans: from the moment the backup
// is made and the window shows to the end of the run.
class SilentView : public HealthCheckView {
public:
    QString last;
    double scansMs = 0;
    void RunStarted(HchkMode) override { m_timer.start(); }
    void AddLogLine(const QString& line) override { last = line; }
    void SetProgress(const QString&) override {}
    void ProcessInput() override {}
    void RunFinished() override { scansMs = double(m_timer.nsecsElapsed()) / 1e6; }

private:
    QElapsedTimer m_timer;
};

} // namespace

int main(int argc, char** argv) {
    // The entry form figures show a window: without a display, offscreen.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    int runs = 5;
    bool inPlace = false;
    QStringList only;
    QString source;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--only") && i + 1 < args.size())
            only = args[++i].split(QLatin1Char(','));
        else if (args[i] == QLatin1String("--in-place"))
            inPlace = true;
        else if (source.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            source = args[i];
        else {
            std::fprintf(stderr, "usage: kovral-bench FOLDER [--runs N] [--only NAME,...] [--in-place]\n");
            return 2;
        }
    }
    if (source.isEmpty() || !QFileInfo(source).isDir()) {
        std::fprintf(stderr, "usage: kovral-bench FOLDER [--runs N] [--only NAME,...] [--in-place]\n");
        return 2;
    }
    if (!source.endsWith(QLatin1Char('/')))
        source += QLatin1Char('/');
    auto wanted = [&only](const char* name) { return only.isEmpty() || only.contains(QLatin1String(name)); };

    // The program folder of the runs: the working copy is its DATA/, the
    // health check's backups go beside it.
    QTemporaryDir tmp(QDir::tempPath() + QStringLiteral("/kovral-bench-XXXXXX"));
    const QString program = tmp.path() + QLatin1Char('/');
    const QString work = inPlace ? source : program + QStringLiteral("DATA/");
    if (!inPlace && !copyFolder(source, work))
        return 1;

    if (wanted("folder_size"))
        figure("folder_size", double(folderBytes(source)) / (1024.0 * 1024.0), "MiB");

    TFCore core(prompter);
    core.setProgramFolder(program);
    if (!openAt(core, work))
        return 1;
    const bool all = only.isEmpty();
    const int busiest = !all && !wanted("setrngbal") && !wanted("postings_open")
                            ? 0
                            : int(scalar(core, QStringLiteral("SELECT Objid FROM pstg WHERE Txntype NOT IN ('A', 'D')"
                                                              " GROUP BY Objid ORDER BY count(*) DESC LIMIT 1")));
    const std::int64_t busiestCount = scalar(
        core, QStringLiteral("SELECT count(*) FROM pstg WHERE Objid = %1 AND Txntype NOT IN ('A', 'D')").arg(busiest));
    if (all) {
        std::printf("# %s: %lld transactions, %lld postings, %lld objects, %lld repeaters; period %s to %s\n",
                    qPrintable(source),
                    static_cast<long long>(scalar(core, QStringLiteral("SELECT count(*) FROM txn"))),
                    static_cast<long long>(scalar(core, QStringLiteral("SELECT count(*) FROM pstg"))),
                    static_cast<long long>(scalar(core, QStringLiteral("SELECT count(*) FROM obj"))),
                    static_cast<long long>(scalar(core, QStringLiteral("SELECT count(*) FROM rptr"))),
                    qPrintable(CalToDateStr(core.settings().BalFrom)), qPrintable(CalToDateStr(core.settings().BalAt)));
        std::printf("# busiest account %d with %lld postings; %d runs each\n", busiest,
                    static_cast<long long>(busiestCount), runs);
    }

    if (wanted("open_database")) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i) {
            CloseDatabase(core);
            SetDataFolder(core, work);
            ms.push_back(timed([&] { OpenDatabase(core); }));
        }
        figure("open_database", medianOf(ms), "ms");
    }

    if (wanted("rebalance")) {
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i)
            ms.push_back(timed([&] { Rebalance(core); }));
        figure("rebalance", medianOf(ms), "ms");
    }

    if (wanted("balances")) {
        // As the user meets it: the view opened from the menu, then "Show
        // values"; then the categories with every level expanded.
        BalancesList list(core);
        RebalanceIfNeeded(core);
        std::vector<double> open, expand;
        for (int i = 0; i < runs; ++i) {
            open.push_back(timed([&] {
                list.Open(otExtAcc);
                list.ShowValues();
            }));
        }
        figure("balances_values", medianOf(open), "ms");
        figure("balances_values_rows", double(list.rows().size()), "rows");
        std::vector<double> rebal;
        for (int i = 0; i < runs; ++i) {
            core.SetRebalNeeded(true);
            rebal.push_back(timed([&] {
                list.Open(otExtAcc);
                list.ShowValues();
            }));
        }
        figure("balances_values_rebal", medianOf(rebal), "ms");
        for (int i = 0; i < runs; ++i) {
            list.Open(otCtgy);
            list.ShowValues();
            expand.push_back(timed([&] { list.ExpandAll(); }));
        }
        figure("balances_expand_all", medianOf(expand), "ms");
        figure("balances_expand_all_rows", double(list.rows().size()), "rows");
    }

    if (wanted("setrngbal")) {
        const CalDate from = core.settings().BalFrom;
        const std::clock_t c0 = std::clock();
        figure("setrngbal_first", timed([&] { SetRngBal(core, busiest, from); }), "ms");
        figure("setrngbal_first_cpu", double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC, "ms");
        std::vector<double> ms;
        for (int i = 0; i < runs; ++i)
            ms.push_back(timed([&] { SetRngBal(core, busiest, from); }));
        figure("setrngbal", medianOf(ms), "ms");
        figure("setrngbal_postings", double(busiestCount), "postings");
    }

    if (wanted("postings_open")) {
        // As never computed: the running balances and flags as a new posting
        // starts, and a cold page cache.
        core.store().exec(
            QStringLiteral("UPDATE pstg SET RngBal = 0, DpPstgDate = 0, DpRngBal = 0 WHERE Objid = %1").arg(busiest));
        CloseDatabase(core);
        if (!openAt(core, work))
            return 1;
        // As the user waits for it: the view opened on the account in
        // Statement style over all dates until its first rows are painted
        // (the window made on the first run).  The running balances that the
        // view stores after that paint are timed on their own.
        TFPstgs* view = nullptr;
        std::size_t rows = 0;
        auto open = [&] {
            if (!view) {
                view = &FPstgs(core);
                view->StatementRdio->setChecked(true);
            }
            view->Open(busiest);
            view->Grid->viewport()->repaint();
            rows = std::size_t(view->model()->rowCount());
        };
        // The store queued by the paint, a part per turn of the event loop:
        // the longest turn is what the user may wait for between keys.
        double longestTurn = 0;
        auto storeAfterPaint = [&] {
            longestTurn = 0;
            for (int turns = 0; turns < 1000; ++turns) {
                const bool more = view->model()->list().balancesToStore;
                longestTurn = std::max(longestTurn, timed([] { QCoreApplication::processEvents(); }));
                if (!more)
                    break;
            }
            if (view->model()->list().balancesToStore)
                view->StoreBalances();
        };
        // The processor time as well: on a shared machine the wall time
        // also counts the other processes.
        auto cpuTimed = [](const std::function<void()>& f, double& cpuMs) {
            const std::clock_t c0 = std::clock();
            const double ms = timed(f);
            cpuMs = double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC;
            return ms;
        };
        double cpu = 0;
        figure("postings_open_first", cpuTimed(open, cpu), "ms");
        figure("postings_open_first_cpu", cpu, "ms");
        figure("postings_open_first_store", cpuTimed(storeAfterPaint, cpu), "ms");
        figure("postings_open_first_store_cpu", cpu, "ms");
        figure("postings_open_first_store_turn", longestTurn, "ms");
        std::vector<double> ms, cpus;
        for (int i = 0; i < runs; ++i) {
            ms.push_back(cpuTimed(open, cpu));
            cpus.push_back(cpu);
            storeAfterPaint();
        }
        figure("postings_open", medianOf(ms), "ms");
        figure("postings_open_cpu", medianOf(cpus), "ms");
        figure("postings_open_rows", double(rows), "rows");

        // Scrolling the list from top to bottom and back, each position
        // painted: 500 positions each way spread over the whole list (every
        // page of 118,000 rows would take minutes).
        QScrollBar* bar = view->Grid->verticalScrollBar();
        std::vector<double> pages;
        const int stride = std::max(bar->pageStep(), bar->maximum() / 500);
        auto paintAt = [&](int value) {
            pages.push_back(timed([&] {
                bar->setValue(value);
                view->Grid->viewport()->repaint();
            }));
        };
        for (int v = 0; v <= bar->maximum(); v += stride)
            paintAt(v);
        for (int v = bar->maximum(); v >= 0; v -= stride)
            paintAt(v);
        figure("postings_scroll_page", medianOf(pages), "ms");
        figure("postings_scroll_page_max", *std::max_element(pages.begin(), pages.end()), "ms");
        figure("postings_scroll_pages", double(pages.size()), "pages");
        view->hide();
    }

    if (wanted("payment")) {
        // A payment as the entry form stores it: current account, a shop,
        // a pot and a category, dated on the balance date.
        const int acc = int(scalar(core, QStringLiteral("SELECT Id FROM obj WHERE Type = 1 ORDER BY Id LIMIT 1")));
        const int cpty = int(scalar(core, QStringLiteral("SELECT Accid2 FROM txn WHERE Type = 'P' ORDER BY Id DESC"
                                                         " LIMIT 1")));
        const int pot = int(scalar(core, QStringLiteral("SELECT Id FROM obj WHERE Type = 6 ORDER BY Id LIMIT 1")));
        const int ctgy = int(scalar(core, QStringLiteral("SELECT Id FROM obj WHERE Type = 3 ORDER BY Id LIMIT 1")));
        core.store().setSynchronous(2);
        std::vector<double> ms;
        for (int i = 0; i < std::max(runs, 15); ++i) {
            TxnRec t;
            InitTxnRec(t);
            t.Type = 'P';
            t.Amt = 1234 + i;
            t.Txndate = t.Date2 = core.settings().BalAt;
            t.Accid1 = acc, t.Accid2 = cpty, t.Accid3 = pot, t.Accid4 = ctgy;
            t.Narrative = QStringLiteral("Benchmark payment");
            ms.push_back(timed([&] {
                StoreTransaction st(core.store());
                if (!WriteTransaction(core, t) || !MakePostings(core, t) || !st.commit())
                    std::fprintf(stderr, "kovral-bench: payment failed\n");
            }));
        }
        figure("payment", medianOf(ms), "ms");
    }

    if (wanted("account_list")) {
        const int kind = int(scalar(core, QStringLiteral("SELECT Type FROM obj GROUP BY Type ORDER BY count(*) DESC"
                                                         " LIMIT 1")));
        std::vector<double> ms;
        std::size_t listed = 0;
        for (int i = 0; i < runs; ++i)
            ms.push_back(timed([&] {
                const std::vector<AccListRow> rows = LoadAccList(core, kind, AccFilter::All);
                listed = rows.size();
                SearchAccList(rows, kind, QString(QChar(0xFFFD))); // sorts after every name
            }));
        figure("account_list", medianOf(ms), "ms");
        figure("account_list_rows", double(listed), "rows");
    }

    if (wanted("entry_payment") || wanted("entry_open")) {
        // The accounts of the latest cash payment to a counterparty that
        // provides no account (no bypass question), dated after every
        // reconciled balance of them (no reconciliation question).
        Query q(core.store(), QStringLiteral("SELECT Accid1, Accid2, Accid3, Accid4, Txndate FROM txn WHERE Type = 'P'"
                                             " AND Accid2 NOT IN (SELECT AccWith FROM obj WHERE Type = 1)"
                                             " ORDER BY Id DESC LIMIT 1"));
        EntryForm f;
        CalDate date;
        if (q.next()) {
            ReadObj(core, q.integer("Accid1"), f.external);
            ReadObj(core, q.integer("Accid2"), f.counterparty);
            ReadObj(core, q.integer("Accid3"), f.internal);
            ReadObj(core, q.integer("Accid4"), f.category);
            date = DateStrToCal(q.text("Txndate"));
        }
        q.reset();
        for (const ObjRec* o : {&f.external, &f.internal, &f.category})
            if (!DateBefore(o->ReconciledDate, date)) {
                date = o->ReconciledDate;
                NextDay(date);
            }
        f.actualTicked = true;
        f.actualText = CalToDateStr(date);
        f.description = QStringLiteral("Benchmark payment");
        core.store().setSynchronous(2);
        if (wanted("entry_payment")) {
            std::vector<double> ms;
            for (int i = 0; i < std::max(runs, 15); ++i) {
                f.amountText = QString::number(12 + i) + QStringLiteral(".34");
                bool ok = false;
                ms.push_back(timed([&] {
                    TxnRec n, none;
                    EntryExtras extras;
                    ok = ValidateEntry(core, f, n, extras) && CommitEntry(core, 'N', none, n, extras);
                }));
                if (!ok)
                    std::fprintf(stderr, "kovral-bench: entry payment failed\n");
            }
            figure("entry_payment", medianOf(ms), "ms");
        }
        if (wanted("entry_open")) {
            std::vector<double> ms;
            for (int i = 0; i <= std::max(runs, 15); ++i) {
                QElapsedTimer t;
                double shown = 0;
                QTimer::singleShot(0, [&] {
                    shown = double(t.nsecsElapsed()) / 1.0e6;
                    EntryForm3(core).reject();
                });
                t.start();
                int id = 0;
                NewTransaction(core, id);
                if (i == 0)
                    figure("entry_open_first", shown, "ms");
                else
                    ms.push_back(shown);
            }
            figure("entry_open", medianOf(ms), "ms");
        }
    }
    if (wanted("analysis")) {
        // The analysis of the categories for the balance period's year, as
        // its start dialog opens it: MTHLY.DB rebuilt, then the top level laid out.
        const CalDate end = core.settings().BalAt;
        std::vector<double> rebuild, grid;
        std::size_t rows = 0;
        for (int i = 0; i < runs; ++i) {
            rebuild.push_back(timed([&] { RebuildMonthly(core, end, otCtgy); }));
            grid.push_back(timed([&] {
                AnalysisGrid g;
                BuildAnalysisGrid(core, AnalysisMode::MonthOnMonth, otCtgy, AnalysisStart(end), end, end,
                                  StampAnalysisMembers(core, 0, otCtgy), true, g);
                rows = g.rows.size();
            }));
        }
        figure("analysis_rebuild", medianOf(rebuild), "ms");
        figure("analysis_grid", medianOf(grid), "ms");
        figure("analysis_grid_rows", double(rows), "rows");
    }

    if (wanted("search")) {
        // A text search over every transaction (marking included) and the
        // journal of the balance period, as the results window loads them;
        // the first of each (nothing of txn in SQLite's cache yet, the date
        // flags walked) apart from the median of the rest, each with its CPU
        // time.
        std::vector<double> text, journal, textCpu, journalCpu;
        std::size_t found = 0, listed = 0;
        auto cpuTimed = [](const std::function<void()>& f, std::vector<double>& wall, std::vector<double>& cpu) {
            const std::clock_t c0 = std::clock();
            wall.push_back(timed(f));
            cpu.push_back(double(std::clock() - c0) * 1000.0 / CLOCKS_PER_SEC);
        };
        for (int i = 0; i <= runs; ++i) {
            std::vector<SearchRow> rows;
            SearchRequest req;
            req.mode = SearchMode::Text;
            req.text = QStringLiteral("rent");
            cpuTimed([&] { RunSearch(core, req, rows); }, text, textCpu);
            found = rows.size();
            req.mode = SearchMode::Journal;
            cpuTimed([&] { RunSearch(core, req, rows); }, journal, journalCpu);
            listed = rows.size();
        }
        const auto rest = [](const std::vector<double>& v) { return std::vector<double>(v.begin() + 1, v.end()); };
        figure("search_text_first", text.front(), "ms");
        figure("search_text_first_cpu", textCpu.front(), "ms");
        figure("search_text", medianOf(rest(text)), "ms");
        figure("search_text_cpu", medianOf(rest(textCpu)), "ms");
        figure("search_text_rows", double(found), "rows");
        figure("search_journal_first", journal.front(), "ms");
        figure("search_journal_first_cpu", journalCpu.front(), "ms");
        figure("search_journal", medianOf(rest(journal)), "ms");
        figure("search_journal_cpu", medianOf(rest(journalCpu)), "ms");
        figure("search_journal_rows", double(listed), "rows");
    }
    CloseDatabase(core);

    if (wanted("repeaters_year")) {
        std::vector<double> ms;
        std::int64_t made = 0;
        for (int i = 0; i < std::min(runs, 3); ++i) {
            const QString fresh = program + QStringLiteral("RPTR%1/").arg(i);
            if (!copyFolder(source, fresh) || !openAt(core, fresh))
                return 1;
            Settings& s = core.settings();
            s.Today = s.BalAt; // the balance date a year ahead of "today": no question
            NextYear(s.BalAt);
            NormaliseDay(s.BalAt);
            s.RecomputeDerived();
            const std::int64_t before = scalar(core, QStringLiteral("SELECT count(*) FROM txn"));
            ms.push_back(timed([&] { GenerateAllRepeaters(core); }));
            made = scalar(core, QStringLiteral("SELECT count(*) FROM txn")) - before;
            CloseDatabase(core);
            QDir(fresh).removeRecursively();
        }
        figure("repeaters_year", medianOf(ms), "ms");
        figure("repeaters_year_instances", double(made), "instances");
    }

    if (wanted("import_preview") || wanted("import_commit")) {
        std::vector<double> preview, commit, previewCpu, commitCpu;
        std::int64_t entered = 0, matched = 0;
        // Processor time of the process (user and system), beside the wall
        // time: on a loaded machine the two differ by the waits for a core.
        auto cpuMs = [] { return double(std::clock()) * 1000.0 / CLOCKS_PER_SEC; };
        for (int i = 0; i < std::min(runs, 3); ++i) {
            const QString fresh = program + QStringLiteral("IMPORT%1/").arg(i);
            if (!copyFolder(source, fresh) || !openAt(core, fresh))
                return 1;
            const int account =
                int(scalar(core, QStringLiteral("SELECT p.Objid FROM pstg p JOIN obj o ON o.Id = p.Objid"
                                                " WHERE o.Type = 1 GROUP BY p.Objid"
                                                " ORDER BY count(*) DESC LIMIT 1")));
            if (core.settings().DefaultPotId == 0)
                core.settings().DefaultPotId =
                    int(scalar(core, QStringLiteral("SELECT Id FROM obj WHERE Type = 6 ORDER BY Id LIMIT 1")));
            // Payees: counterparties with a purchase category that provide no
            // external account (paying one of those asks a question).
            QStringList payees;
            {
                Query q(core.store(),
                        QStringLiteral("SELECT DISTINCT o.Name FROM cptypot c JOIN obj o ON o.Id = c.Cptyid"
                                       " WHERE c.Purchsale = 'P' AND NOT EXISTS (SELECT 1 FROM obj e"
                                       " WHERE e.Type = 1 AND e.AccWith = o.Id) ORDER BY o.Id"));
                while (q.next())
                    payees << q.text(0);
            }
            if (payees.isEmpty())
                payees << QStringLiteral("Nobody");
            QByteArray csv("Date,Description,Amount\n");
            // Dated after the account's reconciled balance, as a new statement is.
            CalDate d = core.settings().BalAt;
            PrevYear(d);
            ObjRec acc;
            if (ReadObj(core, account, acc) && !IsNullDate(acc.ReconciledDate) && !DateBefore(acc.ReconciledDate, d))
                d = acc.ReconciledDate;
            for (int n = 0; n < 10000; ++n) {
                if (n % 27 == 0)
                    NextDay(d);
                const int cents = 100 + (n * 7919) % 50000;
                csv += CalToDateStr(d).toLatin1() + ',' + payees[n % payees.size()].toUtf8() + " REF" +
                       QByteArray::number(n) + ",-" + QByteArray::number(cents / 100) + '.' +
                       QByteArray::number(100 + cents % 100).mid(1) + '\n';
            }
            const QString file = program + QStringLiteral("statement.csv");
            {
                QFile f(file);
                if (!f.open(QIODevice::WriteOnly) || f.write(csv) != csv.size())
                    return 1;
            }
            ImportPreview p;
            bool ok = true;
            double cpu0 = cpuMs();
            preview.push_back(timed([&] {
                Statement st;
                ok = ReadStatementFile(prompter, file, StatementFormat::Csv, QString(), account, st) &&
                     PreviewStatement(core, account, st, p);
            }));
            previewCpu.push_back(cpuMs() - cpu0);
            if (!ok)
                return 1;
            for (ImportLine& il : p.lines)
                if (il.state == LineState::New && !il.complete())
                    il.state = LineState::Skip;
            ImportResult r;
            cpu0 = cpuMs();
            commit.push_back(timed([&] { ok = ImportPreviewLines(core, p, ImportOptions(), r); }));
            commitCpu.push_back(cpuMs() - cpu0);
            if (!ok)
                return 1;
            entered = r.entered;
            matched = r.matched;
            CloseDatabase(core);
            QDir(fresh).removeRecursively();
        }
        figure("import_preview", medianOf(preview), "ms");
        figure("import_commit", medianOf(commit), "ms");
        figure("import_preview_cpu", medianOf(previewCpu), "ms");
        figure("import_commit_cpu", medianOf(commitCpu), "ms");
        figure("import_entered", double(entered), "lines");
        figure("import_matched", double(matched), "lines");
    }

    // One run gives all three figures; any of their names asks for it.
    if (wanted("hchk") || wanted("hchk_check") || wanted("hchk_check_scans") || wanted("hchk_backup_copy")) {
        if (!openAt(core, work))
            return 1;
        std::vector<double> ms, copy, scans;
        QString last;
        for (int i = 0; i < std::min(runs, 3); ++i) {
            SilentView view;
            QDir().mkpath(program + QStringLiteral("Pre-healthcheck backups"));
            ms.push_back(timed([&] { RunHealthCheck(core, view, HchkMode::Check); }));
            scans.push_back(view.scansMs);
            last = view.last;
            QDir(program + QStringLiteral("Pre-healthcheck backups")).removeRecursively();
            const QString to = program + QStringLiteral("COPY/");
            copy.push_back(timed([&] { copyFolder(work, to); }));
            QDir(to).removeRecursively();
        }
        figure("hchk_check", medianOf(ms), "ms");
        figure("hchk_check_scans", medianOf(scans), "ms");
        figure("hchk_backup_copy", medianOf(copy), "ms");
        std::printf("# health check ended: %s\n", qPrintable(last));
        CloseDatabase(core);
    }

    if (!prompter.messages().isEmpty()) {
        std::fprintf(stderr, "kovral-bench: %lld messages from the core\n",
                     static_cast<long long>(prompter.messages().size()));
        return 1;
    }
    return 0;
}
