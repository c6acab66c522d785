// Opening a data folder one of whose nine table files holds arbitrary bytes.
//
// A template folder is made once: every table with a few rows (groups,
// accounts, transactions and their postings, a repeater, a channel, a
// reminder, a counterparty-category link, an analysis row).  For each input
// the template is laid down afresh, the file chosen by the first byte is
// replaced by the rest of the input, and the folder is opened with
// OpenDatabase; when it opens, the objects, transactions, postings and period
// summaries are read, the running balances and the rebalance run, and the
// database is closed.  Nothing may crash, hang or read out of range; a
// damaged file is reported, not trusted.
//
// KOVRAL_FUZZ_SEEDS=<folder> writes one seed per table file (the template's
// own file, prefixed by its index) into that folder before fuzzing.
#include "FuzzSupport.h"
#include "data/Core.h"
#include "data/SettingsFile.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Balances.h"
#include "ledger/Database.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"

#include <QDir>
#include <QFile>
#include <cstdint>
#include <vector>

namespace {

struct TemplateFile {
    QString name;
    QByteArray bytes;
};
std::vector<TemplateFile> g_template; // the nine tables and the settings file
QString g_work;

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        FuzzFail("cannot write", path);
    f.write(bytes);
}

int addObj(TFCore& core, int kind, const QString& name, int grpid, Amount bfd = 0) {
    ObjRec r;
    InitObjRec(r);
    r.Type = kind;
    r.Name = name;
    r.Grpid = grpid;
    r.BfdBal = bfd;
    r.CloseDate = IntToCal(kNotClosed);
    r.OpenDate = MakeDate(2020, 1, 1);
    if (!AddObj(core, r) || (IsLeafKind(kind) && !EnsureAnchor(core, r.Id)))
        FuzzFail("template object", name);
    return r.Id;
}

void addTxn(TFCore& core, char type, Amount amt, const CalDate& date, int a1, int a2, int a3, int a4) {
    TxnRec t;
    InitTxnRec(t);
    t.Type = type;
    t.Amt = amt;
    t.Txndate = date;
    t.Accid1 = a1;
    t.Accid2 = a2;
    t.Accid3 = a3;
    t.Accid4 = a4;
    t.Ref = QStringLiteral("ref");
    t.Narrative = QStringLiteral("narrative");
    StoreTransaction st(core.store());
    if (!AddTxn(core, t) || !MakePostings(core, t) || !st.commit())
        FuzzFail("template transaction");
}

void makeTemplate(const QString& folder) {
    QuietPrompter prompter;
    TFCore core(prompter);
    SetDataFolder(core, folder);
    core.settings().Today = MakeDate(2024, 6, 15);
    if (OpenDatabase(core) != OpenResult::Opened)
        FuzzFail("template folder");
    Settings& s = core.settings();
    s.BalFrom = MakeDate(2024, 1, 1);
    s.BalAt = MakeDate(2024, 6, 30);
    s.RecomputeDerived();

    const int extGrp = addObj(core, otExtGrp, QStringLiteral("Banks"), 0);
    const int bank = addObj(core, otExtAcc, QStringLiteral("Bank"), extGrp, 10000);
    const int cash = addObj(core, otExtAcc, QStringLiteral("Cash"), extGrp);
    const int potGrp = addObj(core, otPgrp, QStringLiteral("Pots"), 0);
    const int pot = addObj(core, otPot, QStringLiteral("Spending"), potGrp, 10000);
    const int pot2 = addObj(core, otPot, QStringLiteral("Savings"), potGrp);
    const int cpty = addObj(core, otCpty, QStringLiteral("Shop"), 0);
    const int ctgy = addObj(core, otCtgy, QStringLiteral("Food"), 0);
    addTxn(core, TxnType::CashPayt, 1234, MakeDate(2024, 2, 3), bank, cpty, pot, ctgy);
    addTxn(core, TxnType::CashRcpt, 50000, MakeDate(2023, 12, 30), bank, cpty, pot, ctgy);
    addTxn(core, TxnType::Tfr, 2000, MakeDate(2024, 3, 1), bank, cash, pot, pot2);
    addTxn(core, TxnType::Diary, 0, MakeDate(2024, 3, 2), 0, 0, 0, 0);
    if (!RecordReconciledBalance(core, bank, MakeDate(2024, 3, 5), 57766))
        FuzzFail("template reconciled balance");
    Store& st = core.store();
    const bool rows =
        st.exec(
            QStringLiteral("INSERT INTO rptr (Id, Freq, StartDate, EndDate, Gento, Rptinc, RptCt, RptActive, Rmdays,"
                           " Amt, Type, Ref, Narrative, Accid1, Accid2, Accid3, Accid4, chnum) VALUES"
                           " (1, 'M', 20240101, 20241231, 0, 1, 12, 1, 3, 999, 'P', 'rent', 'monthly', %1, %2, %3,"
                           " %4, 1)")
                .arg(bank)
                .arg(cpty)
                .arg(pot)
                .arg(ctgy)) &&
        st.exec(QStringLiteral("INSERT INTO channel VALUES (1, %1, 'card', 'note', 0)").arg(bank)) &&
        st.exec(QStringLiteral("INSERT INTO remdr VALUES (1, 0, 'remember', 20240601, 20240610)")) &&
        st.exec(QStringLiteral("INSERT INTO mthly VALUES (%1, 0, 'M', 20240101, -1234)").arg(ctgy));
    if (!rows || !Rebalance(core) || !CloseDatabase(core))
        FuzzFail("template rows");

    for (const TableFile& t : LedgerTableFiles()) {
        const QString name = QString::fromLatin1(t.file);
        g_template.push_back({name, readFile(folder + name)});
    }
    g_template.push_back({SettingsFileName(), readFile(SettingsPath(folder))});
}

void clearFolder(const QString& folder) {
    QDir dir(folder);
    for (const QString& f : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        dir.remove(f);
    for (const QString& d : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
        QDir(folder + d).removeRecursively();
}

// What the screens and the ledger read from an open folder.
void readEverything(TFCore& core) {
    Ledger(core).reportNotFound = true;
    std::vector<int> objIds;
    {
        Query q(core.store(), SharedSql::AllObjects);
        while (q.next() && objIds.size() < 200) {
            ObjRec r;
            ObjFromRow(q, r);
            objIds.push_back(r.Id);
        }
    }
    for (int id : objIds) {
        ObjRec r;
        ReadObj(core, id, r);
        (void)GroupPath(core, id);
        MovtRec m;
        ReadMovt(core, id, m);
        (void)SetRngBal(core, id, MakeDate(2024, 6, 30));
        (void)OpenGroupMembers(core, id, r.Type);
    }
    for (int kind : {int(otPgrp), int(otExtGrp), int(otCptyGrp), int(otCtgyGrp)}) {
        std::vector<IdTextRow> list;
        FillGroupList(core, list, kind, false);
    }
    std::vector<int> txnIds;
    {
        Query q(core.store(), SharedSql::TxnsByDate);
        while (q.next() && txnIds.size() < 200)
            txnIds.push_back(q.integer("Id"));
    }
    for (int id : txnIds) {
        TxnRec t;
        if (ReadTxn(core, id, t)) {
            Query p(core.store(), QStringLiteral("SELECT * FROM pstg WHERE Txnid = :t"));
            p.bind("t", id);
            while (p.next()) {
                PstgRec r;
                ReadCurrentPstg(core, p, r);
                (void)PostingLabel(r);
            }
        }
    }
    int next = 0;
    (void)NextTxnId(core, next);
    (void)Rebalance(core);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const QString root = ScratchFolder("database");
    makeTemplate(root + QStringLiteral("template/"));
    g_work = root + QStringLiteral("work/");
    QDir().mkpath(g_work);
    if (const char* seeds = std::getenv("KOVRAL_FUZZ_SEEDS")) {
        const QString dir = QString::fromLocal8Bit(seeds) + QLatin1Char('/');
        QDir().mkpath(dir);
        for (size_t i = 0; i + 1 < g_template.size(); ++i)
            writeFile(dir + QStringLiteral("seed-%1").arg(g_template[i].name),
                      QByteArray(1, char(i)) + g_template[i].bytes);
        writeFile(dir + QStringLiteral("seed-empty-TXN.DB"), QByteArray(1, char(1)));
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    const size_t which = data[0] % LedgerTableFiles().size();
    clearFolder(g_work);
    for (size_t i = 0; i < g_template.size(); ++i) {
        const QByteArray bytes =
            i == which ? QByteArray(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1)) : g_template[i].bytes;
        writeFile(g_work + g_template[i].name, bytes);
    }

    QuietPrompter prompter;
    TFCore core(prompter);
    SetDataFolder(core, g_work);
    core.settings().Today = MakeDate(2024, 6, 15);
    const OpenResult r = OpenDatabase(core);
    if (r == OpenResult::Opened) {
        readEverything(core);
        CloseDatabase(core);
    } else {
        // A folder that did not open was reported and left closed.
        FUZZ_CHECK(prompter.messages > 0, QStringLiteral("silent failure"));
        FUZZ_CHECK(!core.store().isOpen() && !core.databaseDetails.open, QStringLiteral("left open"));
    }
    return 0;
}
