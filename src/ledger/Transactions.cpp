// Transactions: reading and storing TXN.DB rows, transaction ids, whole-
// transaction commands (delete, re-date, reconciled balance), the display-date
// flags, the counterparty-category link and the type names.  The posting rules
// are in Postings.cpp.
#include "ledger/Transactions.h"

#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Repeaters.h"

#include <algorithm>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace {

// The name of object id for a transaction record; reports a missing id > 0
// while the report-not-found switch is on.  Reads the name only, so the
// object's note buffer is left alone.
QString objectName(TFCore& core, int id) {
    if (id < 1)
        return {};
    Query q(core.store(), QStringLiteral("SELECT Name FROM obj WHERE Id = :id"));
    q.bind("id", id);
    if (q.next()) {
        const QString name = q.text("Name");
        q.reset();
        return name;
    }
    if (q.ok() && Ledger(core).reportNotFound)
        ObjNotFound(core, id);
    return {};
}

QString channelLabel(TFCore& core, int chnum) {
    if (chnum == 0)
        return QStringLiteral("<default channel> ");
    Query q(core.store(), QStringLiteral("SELECT ChName FROM channel WHERE Chnum = :n"));
    q.bind("n", chnum);
    if (q.next()) {
        const QString name = q.text("ChName") + QStringLiteral(" ");
        q.reset();
        return name;
    }
    return QStringLiteral("invalid chnum ") + QString::number(chnum);
}

void readRepeaterBlock(TFCore& core, int masterid, RptBlock& b) {
    Query q(core.store(), QStringLiteral("SELECT * FROM rptr WHERE Id = :id"));
    q.bind("id", masterid);
    if (!q.next())
        return;
    b.Gento = q.integer("Gento");
    const QString freq = q.text("Freq");
    b.Freq = q.isNull("Freq") ? 'X' : (freq.isEmpty() ? ' ' : freq.at(0).toLatin1());
    b.StartDate = IntToCal(q.integer("StartDate"));
    b.EndDate = IntToCal(q.integer("EndDate"));
    b.RptActive = q.boolean("RptActive");
    b.Rptinc = q.integer("Rptinc");
    b.RptCt = q.integer("RptCt");
    b.Rmdays = q.integer("Rmdays");
    q.reset();
}

// actualtxndate exists from schema 18; a folder upgraded to 17 runs a whole
// session without it.
bool txnHasActualDate(Store& store) {
    // Asked for every transaction appended: the column lookup costs far less
    // than a pragma_table_info query, which parses a statement on each run.
    // Column names compare without regard to letter case.
    return store.handle() && sqlite3_table_column_metadata(store.handle(), "txn", "txn", "ActualTxnDate", nullptr,
                                                           nullptr, nullptr, nullptr, nullptr) == SQLITE_OK;
}

QString typeText(char c) {
    return QString(QLatin1Char(c ? c : ' '));
}

// Binds the columns that both the append and the edit write.
void bindTxnColumns(Query& q, const TxnRec& t, bool actual) {
    q.bind("id", t.Id)
        .bind("instance", t.Instance)
        .bind("txndate", CalToDateStr(t.Txndate))
        .bind("date2", CalToDateStr(t.Date2))
        .bind("amt", t.Amt)
        .bind("ref", LeftChars(t.Ref, 20))
        .bind("type", typeText(t.Type))
        .bind("narrative", LeftChars(t.Narrative, 40))
        .bind("cancelled", t.Cancelled)
        .bind("accid1", t.Accid1)
        .bind("accid2", t.Accid2)
        .bind("accid3", t.Accid3)
        .bind("accid4", t.Accid4)
        .bind("dpdate", t.DpDate)
        .bind("masterid", t.Masterid)
        .bind("chnum", t.chnum);
    if (actual)
        q.bind("actualtxndate", CalToInt(t.ActualDate));
}

const char* const kTxnCols = "Id, Instance, Txndate, Date2, Amt, Ref, Type, Narrative, Cancelled, Accid1, Accid2, "
                             "Accid3, Accid4, DpDate, Masterid, chnum";

QString txnInsertSql(bool actual) {
    const QStringList cols = QString::fromLatin1(kTxnCols).split(QStringLiteral(", "));
    QStringList names = cols, values;
    if (actual)
        names << QStringLiteral("actualtxndate");
    names << QStringLiteral("CreateTS");
    for (const QString& c : names)
        values << QLatin1Char(':') + c.toLower();
    return QStringLiteral("INSERT INTO txn (%1) VALUES (%2)")
        .arg(names.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

QString txnUpdateSql(bool actual) {
    QStringList names = QString::fromLatin1(kTxnCols).split(QStringLiteral(", "));
    names.removeFirst(); // Id is the key
    if (actual)
        names << QStringLiteral("actualtxndate");
    names << QStringLiteral("EditTS");
    QStringList sets;
    for (const QString& c : names)
        sets << c + QStringLiteral(" = :") + c.toLower();
    return QStringLiteral("UPDATE txn SET %1 WHERE Id = :id").arg(sets.join(QStringLiteral(", ")));
}

} // namespace

void InitTxnRec(TxnRec& txn) {
    txn = TxnRec();
}

void ReadTxnRow(TFCore& core, const Query& q, TxnRec& txn) {
    InitTxnRec(txn);
    txn.Id = q.integer("Id");
    txn.Txndate = DateStrToCal(q.text("Txndate"));
    txn.Instance = q.integer("Instance");
    txn.Date2 = DateStrToCal(q.text("Date2"));
    txn.Amt = q.integer("Amt");
    txn.Ref = LeftChars(q.text("Ref"), 20);
    const QString type = q.text("Type");
    if (type.isEmpty()) {
        core.prompter().ShowMessage(QStringLiteral("Invalid type for txn ") + TxnLabel(txn));
        txn.Type = ' ';
    } else {
        txn.Type = type.at(0).toLatin1();
    }
    txn.Narrative = LeftChars(q.text("Narrative"), 40);
    txn.Cancelled = q.boolean("Cancelled");
    txn.Accid1 = q.integer("Accid1");
    txn.Accid2 = q.integer("Accid2");
    txn.Accid3 = q.integer("Accid3");
    txn.Accid4 = q.integer("Accid4");
    txn.Name1 = objectName(core, txn.Accid1);
    txn.Name2 = objectName(core, txn.Accid2);
    txn.Name3 = objectName(core, txn.Accid3);
    txn.Name4 = objectName(core, txn.Accid4);
    txn.chnum = q.hasColumn("chnum") ? q.integer("chnum") : 0;
    txn.ChName = channelLabel(core, txn.chnum);
    txn.Masterid = q.integer("Masterid");
    txn.Role = txn.Instance > 0 ? roleInstance : roleOrdinary;
    txn.DpDate = q.boolean("DpDate");
    txn.CreateTS = q.dateTime("CreateTS");
    txn.EditTS = q.dateTime("EditTS");
    if (q.hasColumn("actualtxndate"))
        txn.ActualDate = IntToCal(q.integer("actualtxndate"));
    if (txn.Masterid >= 1)
        readRepeaterBlock(core, txn.Masterid, txn.Rpt);
}

bool ReadTxn(TFCore& core, int id, TxnRec& txn) {
    Query q(core.store(), QStringLiteral("SELECT * FROM txn WHERE Id = :id"));
    q.bind("id", id);
    if (!q.next())
        return false;
    ReadTxnRow(core, q, txn);
    q.reset();
    return true;
}

bool TxnExists(TFCore& core, int id) {
    Query q(core.store(), QStringLiteral("SELECT 1 FROM txn WHERE Id = :id"));
    q.bind("id", id);
    const bool found = q.next();
    q.reset();
    return found;
}

bool NextTxnId(TFCore& core, int& id) {
    Query tq(core.store(), QStringLiteral("SELECT coalesce(max(Id), 0) FROM txn"));
    Query pq(core.store(), QStringLiteral("SELECT coalesce(max(Txnid), 0) FROM pstg"));
    if (!tq.next() || !pq.next())
        return false;
    const std::int64_t t = tq.int64(0), p = pq.int64(0);
    tq.reset();
    pq.reset();
    if (t < p) {
        core.prompter().ShowMessage(QStringLiteral("ERROR : No TXN.DB row for last PSTG.DB row - run DB check"));
        return false;
    }
    if (t > p) {
        core.prompter().ShowMessage(QStringLiteral("ERROR : No PSTG.DB row for last TXN.DB row - run DB check"));
        return false;
    }
    if (t >= INT32_MAX) {
        core.prompter().ProgramError(QStringLiteral("no transaction id left"));
        return false;
    }
    id = int(t + 1);
    return true;
}

bool AddTxn(TFCore& core, TxnRec& txn) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec r = txn;
    if (r.Id < 1 && !NextTxnId(core, r.Id))
        return false;
    r.CreateTS = Now();
    const bool actual = txnHasActualDate(core.store());
    static const QString sql[2] = {txnInsertSql(false), txnInsertSql(true)};
    Query q(core.store(), sql[actual ? 1 : 0]);
    bindTxnColumns(q, r, actual);
    q.bindDateTime("createts", r.CreateTS);
    if (!q.exec())
        return false;
    if (r.Masterid > 0 && !CopyChangesIntoMaster(core, r))
        return false;
    if (!LinkCptyCategory(core, r) || !st.commit())
        return false;
    txn = r;
    return true;
}

bool AmendTxn(TFCore& core, TxnRec& txn) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec r = txn;
    r.EditTS = Now();
    const bool actual = txnHasActualDate(core.store());
    static const QString sql[2] = {txnUpdateSql(false), txnUpdateSql(true)};
    Query q(core.store(), sql[actual ? 1 : 0]);
    bindTxnColumns(q, r, actual);
    q.bindDateTime("editts", r.EditTS);
    if (!q.exec())
        return false;
    if (core.store().changes() == 0) {
        TxnNotFound(core, r.Id);
        return false;
    }
    if (!st.commit())
        return false;
    txn = r;
    return true;
}

bool StoreOrdinaryTxn(TFCore& core, TxnRec& txn) {
    if (txn.Id > 0 && TxnExists(core, txn.Id))
        return AmendTxn(core, txn);
    return AddTxn(core, txn);
}

bool DeleteTxnWithPostings(TFCore& core, const TxnRec& txn, char mode) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    if (!TxnExists(core, txn.Id)) {
        TxnNotFound(core, txn.Id);
        return false;
    }
    if (!DeletePostings(core, txn, mode))
        return false;
    Query q(core.store(), QStringLiteral("DELETE FROM txn WHERE Id = :id"));
    q.bind("id", txn.Id);
    return q.exec() && st.commit();
}

bool DeleteTxnById(TFCore& core, int id) {
    TxnRec txn;
    if (!ReadTxn(core, id, txn)) {
        TxnNotFound(core, id);
        return false;
    }
    return DeleteTxnWithPostings(core, txn, 'D');
}

bool RecordReconciledBalance(TFCore& core, int objid, const CalDate& date, Amount amount) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec txn;
    InitTxnRec(txn);
    txn.Txndate = date;
    txn.Date2 = date;
    txn.Amt = amount;
    txn.Type = TxnType::ReconBal;
    txn.Accid1 = objid;
    return WriteTransaction(core, txn) && MakePostings(core, txn) && st.commit();
}

bool RedatePosting(TFCore& core, const PstgRec& pstg) {
    CalDate date = pstg.Pstgdate;
    if (!core.prompter().PickDate(date))
        return false;
    if (pstg.Amt != 0) {
        ObjRec obj;
        if (!ReadObj(core, pstg.Objid, obj))
            return false;
        if (!(DateAfter(pstg.Pstgdate, obj.ReconciledDate) && DateAfter(date, obj.ReconciledDate))) {
            core.prompter().ShowMessage(QStringLiteral("Cannot redate : will upset reconciled balance"));
            return false;
        }
    }
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec txn;
    if (!ReadTxn(core, pstg.Txnid, txn)) {
        TxnNotFound(core, pstg.Txnid);
        return false;
    }
    if (!DeletePostings(core, txn, 'D'))
        return false;
    txn.Date2 = date;
    return WriteTransaction(core, txn) && MakePostings(core, txn) && st.commit();
}

namespace {

// The date flags depend only on which transactions there are and on their
// dates.  Temporary triggers (this connection's own, gone when it closes)
// note every insert and delete in txn and every write of Txndate or DpDate
// in a one-row table; the walk clears the note, so the next journal walks
// again only when something it depends on was written since.
bool WatchDpDates(Store& store) {
    {
        Query q(store, QStringLiteral("SELECT count(*) FROM sqlite_temp_schema WHERE name = 'dpdates_stale'"));
        if (q.next() && q.int64(0) > 0)
            return true;
    }
    const QString note = QStringLiteral(" ON txn.txn BEGIN UPDATE dpdates_stale SET stale = 1 WHERE stale = 0; END");
    // All or nothing: a table without its triggers would hide changes.
    StoreTransaction st(store);
    return st.ok() && store.exec(QStringLiteral("CREATE TEMP TABLE dpdates_stale (stale INTEGER NOT NULL)")) &&
           store.exec(QStringLiteral("INSERT INTO temp.dpdates_stale (stale) VALUES (1)")) &&
           store.exec(QStringLiteral("CREATE TEMP TRIGGER dpdates_ins AFTER INSERT") + note) &&
           store.exec(QStringLiteral("CREATE TEMP TRIGGER dpdates_del AFTER DELETE") + note) &&
           store.exec(QStringLiteral("CREATE TEMP TRIGGER dpdates_upd AFTER UPDATE OF Txndate, DpDate") + note) &&
           st.commit();
}

} // namespace

bool SetDpDates(TFCore& core) {
    const bool watched = WatchDpDates(core.store());
    if (watched) {
        Query q(core.store(), QStringLiteral("SELECT stale FROM temp.dpdates_stale"));
        if (q.next() && q.int64(0) == 0)
            return true; // nothing written since the last walk
    }
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    // Collect first, then write: the walk never sees its own changes.  The
    // table is read in its own order and sorted here by Txndate and Id: in
    // date order each row would be a seek from the date index into the table.
    // A date text is read as a date once per run of equal texts.
    struct Row {
        std::string date;
        int id;
        bool flag;
    };
    std::vector<Row> all;
    {
        static const QString kAllDates = QStringLiteral("SELECT Id, Txndate, DpDate FROM txn");
        Store& store = core.store();
        sqlite3_stmt* q = store.acquire(kAllDates);
        if (!q)
            return false;
        int rc;
        while ((rc = sqlite3_step(q)) == SQLITE_ROW) {
            const auto* d = reinterpret_cast<const char*>(sqlite3_column_text(q, 1));
            all.push_back({d ? std::string(d, size_t(sqlite3_column_bytes(q, 1))) : std::string(),
                           int(sqlite3_column_int64(q, 0)), sqlite3_column_int64(q, 2) != 0});
        }
        const bool ok = rc == SQLITE_DONE;
        if (!ok)
            store.reportError();
        store.release(kAllDates, q);
        if (!ok)
            return false;
    }
    std::sort(all.begin(), all.end(), [](const Row& a, const Row& b) {
        const int c = a.date.compare(b.date);
        return c != 0 ? c < 0 : a.id < b.id;
    });
    std::vector<std::pair<int, bool>> changes;
    DateInt prev = 0;
    const std::string* lastText = nullptr;
    DateInt d = 0;
    for (const Row& r : all) {
        if (!lastText || *lastText != r.date) {
            d = DateStrToInt(QString::fromUtf8(r.date.data(), qsizetype(r.date.size())));
            lastText = &r.date;
        }
        const bool flag = d != prev;
        prev = d;
        if (r.flag != flag)
            changes.emplace_back(r.id, flag);
    }
    Query u(core.store(), QStringLiteral("UPDATE txn SET DpDate = :flag WHERE Id = :id"));
    for (const auto& [id, flag] : changes) {
        u.bind("flag", flag).bind("id", id);
        if (!u.exec())
            return false;
    }
    // The flags now stand (the rewrites above noted themselves).
    if (watched && !core.store().exec(QStringLiteral("UPDATE temp.dpdates_stale SET stale = 0")))
        return false;
    return st.commit();
}

bool LinkCptyCategory(TFCore& core, const TxnRec& txn) {
    switch (txn.Type) {
    case TxnType::CashPayt:
    case TxnType::CredPurch:
        return EnsureCptyCategory(core, txn.Accid2, txn.Accid4, 'P');
    case TxnType::CashRcpt:
    case TxnType::CredSale:
        return EnsureCptyCategory(core, txn.Accid2, txn.Accid4, 'S');
    default:
        return true;
    }
}

bool EnsureCptyCategory(TFCore& core, int cptyid, int categoryid, char purchsale) {
    if (cptyid < 1 || categoryid < 1)
        return true;
    Query q(core.store(), QStringLiteral("INSERT INTO cptypot (Cptyid, Potid, Purchsale, Hidden) "
                                         "VALUES (:cpty, :pot, :ps, 0) ON CONFLICT DO NOTHING"));
    q.bind("cpty", cptyid).bind("pot", categoryid).bind("ps", typeText(purchsale));
    return q.exec();
}

QString TxnTypeName(char letter) {
    switch (letter) {
    case TxnType::Tfr:
        return QStringLiteral("Transfer");
    case TxnType::Diary:
        return QStringLiteral("Diary");
    case TxnType::PotTfr:
        return QStringLiteral("Pot Transfer");
    case TxnType::CashPayt:
        return QStringLiteral("Cash Payment");
    case TxnType::CashRcpt:
        return QStringLiteral("Cash Receipt");
    case TxnType::CashTfr:
        return QStringLiteral("Cash Transfer");
    case TxnType::CredPurch:
        return QStringLiteral("Credit Purchase");
    case TxnType::CredSale:
        return QStringLiteral("Credit Sale");
    case TxnType::ReconBal:
        return QStringLiteral("Reconciled Balance");
    default:
        return QStringLiteral("UNKNOWN");
    }
}

QString TxnTypeShort(char letter) {
    switch (letter) {
    case TxnType::Tfr:
        return QStringLiteral("Tfr");
    case TxnType::Diary:
        return QStringLiteral("Diary");
    case TxnType::PotTfr:
        return QStringLiteral("PotTfr");
    case TxnType::CashPayt:
        return QStringLiteral("CashPayt");
    case TxnType::CashRcpt:
        return QStringLiteral("CashRcpt");
    case TxnType::CashTfr:
        return QStringLiteral("CashTfr");
    case TxnType::CredPurch:
        return QStringLiteral("CredPurch");
    case TxnType::CredSale:
        return QStringLiteral("CredSale");
    case TxnType::ReconBal:
        return QStringLiteral("ReconBal");
    default:
        return QStringLiteral("UNKNOWN");
    }
}

QString TxnLabel(const TxnRec& txn) {
    return QString::number(txn.Id);
}
