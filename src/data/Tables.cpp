// Layout of the nine ledger tables in SQLite.
//
// Column names keep the letter case of the ledger's own table descriptions;
// SQLite matches them without regard to case.  Every table is STRICT, so a
// text written into an Integer column is an error rather than a silent
// conversion.  Booleans are INTEGER 0/1, dates (Alpha 10) and date-times TEXT,
// see Store.h.
#include "data/Tables.h"

#include "base/Prompter.h"
#include "base/Prompter.h"
#include "data/Store.h"

#include <QStringList>
#include <cstdint>

bool IsLeafKind(int kind) { return kind == otExtAcc || kind == otCtgy || kind == otCpty || kind == otPot; }

bool IsGroupKind(int kind) { return kind >= otPgrp && kind <= otCtgyGrp; }

int GroupKindOf(int kind) {
    switch (kind) {
    case otExtAcc: return otExtGrp;
    case otCtgy: return otCtgyGrp;
    case otCpty: return otCptyGrp;
    case otPot: return otPgrp;
    default: return 0;
    }
}

int LeafKindOf(int kind) {
    switch (kind) {
    case otExtGrp: return otExtAcc;
    case otCtgyGrp: return otCtgy;
    case otCptyGrp: return otCpty;
    case otPgrp: return otPot;
    default: return 0;
    }
}

const std::vector<TableFile>& LedgerTableFiles() {
    static const std::vector<TableFile> files = {
        {"OBJ.DB", "obj"},         {"TXN.DB", "txn"},     {"PSTG.DB", "pstg"},
        {"movts.DB", "movts"},     {"rptr.DB", "rptr"},   {"cptypot.db", "cptypot"},
        {"MTHLY.DB", "mthly"},     {"REMDR.DB", "remdr"}, {"channel.db", "channel"},
    };
    return files;
}

namespace {

QStringList schemaSql(int v) {
    const bool chnum = v >= 13, fav = v >= 14, actual = v >= 18;
    QStringList s;
    s << QStringLiteral("CREATE TABLE main.obj ("
                        "Id INTEGER PRIMARY KEY, Type INTEGER, Name TEXT, Desig TEXT, Note TEXT, Grpid INTEGER,"
                        " BfdBal INTEGER, Reconciled TEXT, RprTs TEXT,"
                        " AllowNegBal INTEGER, AllowZeroBal INTEGER, AllowPosBal INTEGER, SweepTo INTEGER,"
                        " Version INTEGER, CptyPays INTEGER, CptyRcvs INTEGER, AccWith INTEGER,"
                        " PayerDftPot INTEGER, PayeeDftPot INTEGER, PotType INTEGER, DmtLock INTEGER,"
                        " Dormant INTEGER,%1 OpenDate INTEGER, CloseDate INTEGER, LastPstgDate INTEGER,"
                        " CreateTS TEXT, EditTS TEXT, AcSts INTEGER, Bal INTEGER, PrePdNet INTEGER,"
                        " PdPayts INTEGER, PdRcpts INTEGER, PdTfrs INTEGER, BalTo TEXT) STRICT")
             .arg(fav ? QStringLiteral(" Fav INTEGER,") : QString());
    s << QStringLiteral("CREATE TABLE txn.txn ("
                        "Id INTEGER PRIMARY KEY, Type TEXT, Amt INTEGER, Txndate TEXT, Date2 TEXT,%1"
                        " Ref TEXT, Narrative TEXT, Cancelled INTEGER,"
                        " Accid1 INTEGER, Accid2 INTEGER, Accid3 INTEGER, Accid4 INTEGER,"
                        " Masterid INTEGER, Instance INTEGER, DpDate INTEGER,%2 RprTs TEXT,"
                        " CreateTS TEXT, EditTS TEXT) STRICT")
             .arg(actual ? QStringLiteral(" actualtxndate INTEGER,") : QString(),
                  chnum ? QStringLiteral(" chnum INTEGER,") : QString());
    s << QStringLiteral("CREATE INDEX txn.TxnMaster ON txn (Masterid, Instance)");
    s << QStringLiteral("CREATE INDEX txn.TxnDate ON txn (Txndate, Id)");
    s << QStringLiteral("CREATE INDEX txn.TxnDate2 ON txn (Date2)");
    s << QStringLiteral("CREATE TABLE pstg.pstg ("
                        "Txnid INTEGER NOT NULL, Objid INTEGER NOT NULL, Contra INTEGER, Amt INTEGER,"
                        " Pstgdate TEXT, Txntype TEXT, RngBal INTEGER, DpPstgDate INTEGER, DpRngBal INTEGER,"
                        " ReconCode INTEGER, Recamt INTEGER, Reconciled INTEGER, Rprts TEXT,%1"
                        " PRIMARY KEY (Txnid, Objid)) STRICT")
             .arg(chnum ? QStringLiteral(" chnum INTEGER,") : QString());
    // AcPstg: an account's postings in date order.  It carries the columns
    // that the running-balance walk reads, so the walk never visits the table.
    s << QStringLiteral("CREATE INDEX pstg.AcPstg ON pstg (Objid, Pstgdate, Txntype, Txnid, Amt)");
    s << QStringLiteral("CREATE TABLE movts.movts ("
                        "Accid INTEGER PRIMARY KEY, Grpid INTEGER, BfdBal INTEGER, Prepdnet INTEGER,"
                        " PdPayts INTEGER, PdRcpts INTEGER, PdTfrs INTEGER, Bal INTEGER, Balto TEXT,"
                        " P0movt INTEGER, P1movt INTEGER, P2movt INTEGER, Path TEXT) STRICT");
    s << QStringLiteral("CREATE TABLE rptr.rptr ("
                        "Id INTEGER PRIMARY KEY, Vn INTEGER, Freq TEXT, StartDate INTEGER, EndDate INTEGER,"
                        " Gento INTEGER, Rptinc INTEGER, RptCt INTEGER, RptActive INTEGER, Rmdays INTEGER,"
                        " Amt INTEGER, Type TEXT, Ref TEXT, Narrative TEXT,"
                        " Accid1 INTEGER, Accid2 INTEGER, Accid3 INTEGER, Accid4 INTEGER,%1"
                        " RprTs TEXT, CreateTS TEXT, EditTS TEXT) STRICT")
             .arg(chnum ? QStringLiteral(" chnum INTEGER,") : QString());
    s << QStringLiteral("CREATE TABLE cptypot.cptypot ("
                        "Cptyid INTEGER NOT NULL, Potid INTEGER NOT NULL, Purchsale TEXT NOT NULL,"
                        " Hidden INTEGER, Rprts TEXT, PRIMARY KEY (Cptyid, Potid, Purchsale)) STRICT");
    s << QStringLiteral("CREATE TABLE mthly.mthly ("
                        "AccId INTEGER NOT NULL, Grpid INTEGER, MorY TEXT NOT NULL, Ddate INTEGER NOT NULL,"
                        " Amt INTEGER, PRIMARY KEY (MorY, Ddate, AccId)) STRICT");
    s << QStringLiteral("CREATE TABLE remdr.remdr ("
                        "Id INTEGER PRIMARY KEY, Txnid INTEGER, Text TEXT, Rmdate INTEGER, Tgdate INTEGER) STRICT");
    s << QStringLiteral("CREATE INDEX remdr.RemdrTg ON remdr (Tgdate)");
    s << QStringLiteral("CREATE TABLE channel.channel ("
                        "Chnum INTEGER PRIMARY KEY, AccId INTEGER, ChName TEXT, ChNote TEXT, ChSts INTEGER) STRICT");
    return s;
}

std::vector<std::pair<QString, QString>> attachList() {
    std::vector<std::pair<QString, QString>> out;
    const auto& files = LedgerTableFiles();
    for (size_t i = 1; i < files.size(); ++i)
        out.emplace_back(QString::fromLatin1(files[i].file), QString::fromLatin1(files[i].name));
    return out;
}

// Each file holds its own table.  An empty file is a valid database without
// tables, and a bare table name could be found in another file, so a file that
// lacks its table is reported by name rather than left to fail later.
bool tablesInTheirFiles(Store& store, const QString& folder) {
    const auto& files = LedgerTableFiles();
    for (const TableFile& t : files) {
        const QString name = QString::fromLatin1(t.name);
        const QString schema = &t == &files.front() ? QStringLiteral("main") : name;
        std::int64_t found = -1;
        {
            Query q(store, QStringLiteral("SELECT count(*) FROM \"%1\".sqlite_schema WHERE type = 'table' AND name = '%2'")
                               .arg(schema, name));
            if (q.next())
                found = q.int64(0);
            q.reset();
        }
        if (found > 0)
            continue;
        if (found == 0) // (a failed count was reported by the store)
            store.prompter().ShowMessage(
                QStringLiteral("no such table: %1 in %2").arg(name, folder + QString::fromLatin1(t.file)));
        store.close();
        return false;
    }
    return true;
}

} // namespace

bool CreateLedgerTables(Store& store, int schemaVersion) {
    StoreTransaction t(store);
    if (!t.ok())
        return false;
    for (const QString& sql : schemaSql(schemaVersion))
        if (!store.exec(sql))
            return false;
    return t.commit();
}

bool OpenLedgerStore(Store& store, const QString& folder, bool create, int schemaVersion) {
    const QString mainFile = QString::fromLatin1(LedgerTableFiles().front().file);
    if (!store.open(folder, mainFile, attachList(), create))
        return false;
    if (!create)
        return tablesInTheirFiles(store, folder);
    // A new folder: create whichever tables are not there yet.
    Query q(store, QStringLiteral("SELECT count(*) FROM main.sqlite_schema WHERE type = 'table' AND name = 'obj'"));
    if (q.next() && q.int64(0) > 0)
        return true;
    return CreateLedgerTables(store, schemaVersion);
}

bool NextRowId(Store& store, Prompter& prompter, const QString& table, const QString& what, int& id) {
    Query q(store, QStringLiteral("SELECT coalesce(max(Id), 0) FROM ") + table);
    if (!q.next())
        return false;
    const std::int64_t top = q.int64(0);
    q.reset();
    if (top >= INT32_MAX) {
        prompter.ProgramError(QStringLiteral("no ") + what + QStringLiteral(" id left"));
        return false;
    }
    id = int(top + 1);
    return true;
}

namespace SharedSql {
const QString PostingsOfAccount = QStringLiteral(
    "SELECT * FROM pstg WHERE objid = :objid AND txntype <> 'A' AND txntype <> 'D' ORDER BY pstgdate, txntype, txnid");
const QString GroupMembers = QStringLiteral("SELECT * FROM obj WHERE (grpid = :grpid) AND ((obj.type = :acctype1) OR "
                                            "(obj.type = :acctype2)) ORDER BY obj.id");
const QString TxnsForArchive = QStringLiteral("SELECT * FROM txn WHERE (date2 < :archdate)");
const QString AccountsProvidedBy = QStringLiteral("SELECT * FROM obj WHERE (obj.accwith = :accwithid)");
const QString ObjectByName =
    QStringLiteral("SELECT O.id FROM obj O WHERE (lower(O.name) = :lname) AND (O.type = :acctype)");
const QString SweepsOfDay = QStringLiteral(
    "SELECT id, txndate, ref FROM txn WHERE (ref = 'sweep') AND (narrative = :ref) AND (txndate = :txndate)");
const QString InstancesOfMaster =
    QStringLiteral("SELECT * FROM txn WHERE (masterid = :masterid) AND (instance > 0) ORDER BY instance");
const QString TxnsByDate = QStringLiteral("SELECT * FROM txn ORDER BY txndate, id");
const QString AllObjects = QStringLiteral("SELECT * FROM obj ORDER BY obj.id");
} // namespace SharedSql
