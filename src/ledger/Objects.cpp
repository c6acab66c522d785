// Object records: reading and writing OBJ.DB rows, names, kinds and the group
// tree.  Statements are prepared once per text (the store caches them), so
// the walks below cost one step per row.
#include "ledger/Objects.h"

#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"

#include <QHash>
#include <cstring>
#include <sqlite3.h>

namespace {

const QString kSelectObj = QStringLiteral("SELECT * FROM obj WHERE Id = :id");

// The columns of a full write, in the order the record is written.  The note
// column is added only when a note is pending.
const char* const kObjColumns =
    "Version, Id, Name, Desig, Type, BfdBal, Grpid, Reconciled, RprTs, AllowNegBal, AllowZeroBal, AllowPosBal,"
    " SweepTo, AccWith, CptyPays, CptyRcvs, PayerDftPot, PayeeDftPot, DmtLock, BalTo, PrePdNet, PdPayts,"
    " PdRcpts, PdTfrs, Bal, OpenDate, CloseDate, LastPstgDate, EditTS, CreateTS, Fav, PotType";

QStringList objColumnList(bool withNote) {
    QStringList cols = QString::fromLatin1(kObjColumns).split(QLatin1Char(','));
    for (QString& c : cols)
        c = c.trimmed();
    if (withNote)
        cols << QStringLiteral("Note");
    return cols;
}

QString insertSql(bool withNote) {
    const QStringList cols = objColumnList(withNote);
    QStringList values;
    for (const QString& c : cols)
        values << QLatin1Char(':') + c.toLower();
    return QStringLiteral("INSERT INTO obj (%1) VALUES (%2)")
        .arg(cols.join(QStringLiteral(", ")), values.join(QStringLiteral(", ")));
}

QString updateSql(bool withNote) {
    QStringList sets;
    for (const QString& c : objColumnList(withNote))
        if (c != QLatin1String("Id"))
            sets << c + QStringLiteral(" = :") + c.toLower();
    return QStringLiteral("UPDATE obj SET %1 WHERE Id = :id").arg(sets.join(QStringLiteral(", ")));
}

// Binds the whole record, as every full write stores it.
void bindWholeRecord(Query& q, const ObjRec& r, const QString* note) {
    q.bind("version", 1)
        .bind("id", r.Id)
        .bind("name", LeftChars(r.Name, 40))
        .bind("desig", LeftChars(r.Desig, 20))
        .bind("type", r.Type)
        .bind("bfdbal", r.BfdBal)
        .bind("grpid", r.Grpid)
        .bind("reconciled", LeftChars(r.Reconciled, 10))
        .bindDateTime("rprts", r.RprTs)
        .bind("allownegbal", r.AllowNegBal)
        .bind("allowzerobal", r.AllowZeroBal)
        .bind("allowposbal", r.AllowPosBal)
        .bind("sweepto", r.Sweep ? 999 : 0)
        .bind("accwith", r.AccWith)
        .bind("cptypays", r.CptyPays)
        .bind("cptyrcvs", r.CptyRcvs)
        .bind("payerdftpot", r.PayerDftPot)
        .bind("payeedftpot", r.PayeeDftPot)
        .bind("dmtlock", r.DmtLock)
        .bindNull("balto")
        .bind("prepdnet", 0)
        .bind("pdpayts", 0)
        .bind("pdrcpts", 0)
        .bind("pdtfrs", 0)
        .bind("bal", 0)
        .bind("opendate", CalToInt(r.OpenDate))
        .bind("closedate", CalToInt(r.CloseDate))
        .bind("lastpstgdate", CalToInt(r.LastPstgDate))
        .bindDateTime("editts", r.EditTS)
        .bindDateTime("createts", r.CreateTS)
        .bind("fav", r.Fav)
        .bind("pottype", r.PotType);
    if (note)
        q.bind("note", *note);
}

// Runs the full write of rec (insert or update), storing the pending note.
bool writeWholeRecord(TFCore& core, const ObjRec& rec, bool insert) {
    LedgerState& st = Ledger(core);
    const bool withNote = st.notePending;
    static const QString sql[2][2] = {{updateSql(false), updateSql(true)}, {insertSql(false), insertSql(true)}};
    Query q(core.store(), sql[insert ? 1 : 0][withNote ? 1 : 0]);
    bindWholeRecord(q, rec, withNote ? &st.writeNote : nullptr);
    if (!q.exec())
        return false;
    if (withNote)
        st.notePending = false;
    return true;
}

} // namespace

// ---- the read cache of one command ------------------------------------------

struct ObjectReadCache::State {
    TFCore* core = nullptr;
    sqlite3* db = nullptr;
    struct Row {
        ObjRec rec;
        QString note;
    };
    QHash<int, Row> rows;
};

namespace {

ObjectReadCache::State* g_readCache = nullptr;

ObjectReadCache::State* readCacheOf(TFCore& core) {
    return g_readCache && g_readCache->core == &core && g_readCache->db == core.store().handle() ? g_readCache
                                                                                                 : nullptr;
}

} // namespace

ObjectReadCache::ObjectReadCache(TFCore& core) {
    if (g_readCache || !core.store().handle())
        return;
    m_state = new State;
    m_state->core = &core;
    m_state->db = core.store().handle();
    sqlite3_update_hook(
        m_state->db,
        [](void* arg, int, const char* db, const char* table, sqlite3_int64 rowid) {
            if (std::strcmp(table, "obj") == 0 && std::strcmp(db, "main") == 0)
                static_cast<State*>(arg)->rows.remove(int(rowid));
        },
        m_state);
    sqlite3_rollback_hook(
        m_state->db, [](void* arg) { static_cast<State*>(arg)->rows.clear(); }, m_state);
    g_readCache = m_state;
}

ObjectReadCache::~ObjectReadCache() {
    if (!m_state)
        return;
    if (m_state->core->store().handle() == m_state->db) {
        sqlite3_update_hook(m_state->db, nullptr, nullptr);
        sqlite3_rollback_hook(m_state->db, nullptr, nullptr);
    }
    g_readCache = nullptr;
    delete m_state;
}

void ObjectReadCache::ForgetAll(TFCore& core) {
    if (State* cache = readCacheOf(core))
        cache->rows.clear();
}

void InitObjRec(ObjRec& rec) {
    rec = ObjRec();
}

void ObjFromRow(const Query& q, ObjRec& rec) {
    InitObjRec(rec);
    rec.Id = q.integer("Id");
    rec.Type = q.integer("Type");
    rec.Name = q.text("Name");
    rec.Desig = q.text("Desig");
    rec.BfdBal = q.integer("BfdBal");
    rec.Grpid = q.integer("Grpid");
    rec.Reconciled = q.text("Reconciled");
    rec.OpenDate = IntToCal(q.integer("OpenDate"));
    rec.CloseDate = IntToCal(q.integer("CloseDate"));
    rec.LastPstgDate = IntToCal(q.integer("LastPstgDate"));
    rec.ReconciledDate = DateStrToCal(rec.Reconciled);
    rec.RprTs = q.dateTime("RprTs");
    rec.AllowNegBal = q.boolean("AllowNegBal");
    rec.AllowZeroBal = q.boolean("AllowZeroBal");
    rec.AllowPosBal = q.boolean("AllowPosBal");
    rec.AccWith = q.integer("AccWith");
    rec.Sweep = q.integer("SweepTo") > 0;
    rec.CptyPays = q.boolean("CptyPays");
    rec.CptyRcvs = q.boolean("CptyRcvs");
    rec.PayerDftPot = q.integer("PayerDftPot");
    rec.PayeeDftPot = q.integer("PayeeDftPot");
    rec.DmtLock = q.boolean("DmtLock");
    rec.CreateTS = q.dateTime("CreateTS");
    rec.EditTS = q.dateTime("EditTS");
    rec.Fav = q.hasColumn("Fav") && q.boolean("Fav"); // absent before schema 14
    rec.PotType = q.integer("PotType");
    rec.OrigName = rec.Name;
}

bool ReadObj(TFCore& core, int id, ObjRec& rec) {
    InitObjRec(rec);
    if (id < 1)
        return false;
    ObjectReadCache::State* cache = readCacheOf(core);
    if (cache) {
        const auto it = cache->rows.constFind(id);
        if (it != cache->rows.constEnd()) {
            rec = it->rec;
            Ledger(core).readNote = it->note;
            return true;
        }
    }
    {
        Query q(core.store(), kSelectObj);
        q.bind("id", id);
        if (!q.next()) {
            if (q.ok() && Ledger(core).reportNotFound)
                ObjNotFound(core, id);
            return false;
        }
        ObjFromRow(q, rec);
        Ledger(core).readNote = q.text("Note");
    }
    if (rec.Type == otPgrp || rec.Type == otExtGrp) {
        Query m(core.store(), QStringLiteral("SELECT BfdBal FROM movts WHERE Accid = :id"));
        m.bind("id", id);
        if (m.next())
            rec.BfdBal = m.integer("BfdBal");
    } else if (cache) {
        cache->rows.insert(id, {rec, Ledger(core).readNote});
    }
    return true;
}

bool RereadObj(TFCore& core, ObjRec& rec) {
    return ReadObj(core, rec.Id, rec);
}

bool AddObj(TFCore& core, ObjRec& rec) {
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    ObjRec r = rec;
    if (r.Id < 1 && !NextRowId(core.store(), core.prompter(), QStringLiteral("obj"), QStringLiteral("object"), r.Id))
        return false;
    r.CreateTS = Now();
    if (!writeWholeRecord(core, r, true) || !t.commit())
        return false;
    if (r.OrigName.isEmpty())
        r.OrigName = r.Name;
    rec = r;
    return true;
}

bool UpdateObj(TFCore& core, ObjRec& rec, char mode) {
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    QDateTime storedEdit;
    {
        Query q(core.store(), QStringLiteral("SELECT EditTS FROM obj WHERE Id = :id"));
        q.bind("id", rec.Id);
        if (!q.next()) {
            if (q.ok())
                ObjNotFound(core, rec.Id);
            return false;
        }
        storedEdit = q.dateTime("EditTS");
    }
    // Someone wrote the row after this copy was read: writing it would put
    // back older values.  The question keeps the transaction open.
    if (storedEdit != rec.EditTS &&
        !core.prompter().AskYesNo(QStringLiteral("Program error! Downdating account record ") + rec.Name +
                                  QStringLiteral(" ") + QString::number(rec.Id) + QStringLiteral(" - OK?")))
        return false;
    if (mode == 'A') {
        ObjRec r = rec;
        r.EditTS = Now();
        if (!writeWholeRecord(core, r, false) || !t.commit())
            return false;
        rec = r;
        return true;
    }
    Query q(core.store(), QStringLiteral("UPDATE obj SET RprTs = :rprts WHERE Id = :id"));
    q.bindDateTime("rprts", rec.RprTs).bind("id", rec.Id);
    return q.exec() && t.commit();
}

bool WriteObj(TFCore& core, ObjRec& rec) {
    return rec.Id != 0 ? UpdateObj(core, rec, 'A') : AddObj(core, rec);
}

bool StampObj(TFCore& core, const ObjRec& rec, const QDateTime& ts) {
    ObjRec copy = rec;
    copy.RprTs = ts;
    return UpdateObj(core, copy, 'B');
}

bool NameExists(TFCore& core, int kind, const QString& name, ObjRec& rec) {
    int id = 0;
    {
        // Stored names are cut to 40 characters, so compare the cut name.
        Query q(core.store(), SharedSql::ObjectByName);
        q.bind("lname", LowerText(LeftChars(name, 40))).bind("acctype", kind);
        if (!q.next())
            return false;
        id = q.integer("id");
    }
    ReadObj(core, id, rec);
    core.prompter().ShowMessage(KindName(kind, 'U', 'S') + Quote(rec.Name) + QStringLiteral("already exists"));
    return true;
}

QString KindName(int kind, char textCase, char number) {
    QString first, ending, second;
    switch (kind) {
    case otExtAcc:
    case otExtGrp:
        first = QStringLiteral("external ");
        break;
    case otCtgy:
        first = QStringLiteral("categor");
        ending = QStringLiteral("y");
        break;
    case otCpty:
        first = QStringLiteral("counterpart");
        ending = QStringLiteral("y");
        break;
    case otPot:
    case otPgrp:
        first = QStringLiteral("internal ");
        break;
    case otCptyGrp:
        first = QStringLiteral("counterparty ");
        break;
    case otCtgyGrp:
        first = QStringLiteral("category ");
        break;
    default:
        first = QStringLiteral("not known");
        break;
    }
    if (kind == otExtAcc || kind == otPot)
        second = QStringLiteral("account");
    else if (IsGroupKind(kind))
        second = QStringLiteral("group");
    if (textCase == 'U') {
        CapitaliseFirst(first);
        CapitaliseFirst(second);
    }
    QString plural;
    if (number != 'S') {
        if (ending == QLatin1String("y"))
            ending = QStringLiteral("ies");
        else
            plural = QStringLiteral("s");
    }
    return first + ending + second + plural + QStringLiteral(" ");
}

void ObjNotFound(TFCore& core, int id) {
    core.prompter().ShowMessage(QStringLiteral("obj") + QStringLiteral(" not found ") + QString::number(id));
}

void TxnNotFound(TFCore& core, int id) {
    core.prompter().ShowMessage(QStringLiteral("txn") + QStringLiteral(" not found ") + QString::number(id));
}

QString JoinWithColon(const QString& a, const QString& b) {
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a + QStringLiteral(" : ") + b;
}

QString GroupPath(TFCore& core, int id) {
    QString path;
    int current = id;
    int steps = 0;
    Query q(core.store(), QStringLiteral("SELECT Name, Grpid FROM obj WHERE Id = :id"));
    while (current != 0) {
        if (steps > 99) {
            core.prompter().InfoAtCursor(QStringLiteral("Group contains itself ") + QString::number(id));
            break;
        }
        q.reset();
        q.bind("id", current);
        if (!q.next())
            break;
        ++steps;
        if (current != id)
            path = QStringLiteral(" ") + q.text("Name") + QStringLiteral(" :") + path;
        current = q.integer("Grpid");
    }
    q.reset();
    return path;
}

void FillGroupList(TFCore& core, std::vector<IdTextRow>& list, int groupKind, bool openOnly) {
    list.clear();
    list.push_back({0, QStringLiteral("<none>")});
    QString sql = QStringLiteral("SELECT id, name, lower(name) AS lname, closedate FROM obj WHERE (type = :otPgrp)");
    if (openOnly)
        sql += QStringLiteral(" AND (closedate = 99999999)");
    sql += QStringLiteral(" ORDER BY lname");
    struct Group {
        int id;
        QString name;
        bool closed;
    };
    std::vector<Group> groups;
    {
        Query q(core.store(), sql);
        q.bind("otPgrp", groupKind);
        while (q.next())
            groups.push_back({q.integer("id"), q.text("name"), q.int64("closedate") < kNotClosed});
    }
    // The paths are read after the walk, each from its own statement.
    for (const Group& g : groups)
        list.push_back({g.id, (g.closed ? QStringLiteral("(closed) ") : QString()) + GroupPath(core, g.id) +
                                  QStringLiteral(" ") + g.name});
}

bool CreateCreditAccount(TFCore& core, ObjRec& cpty, ObjRec& account) {
    if (cpty.Id < 1) {
        core.prompter().ProgramError(QStringLiteral("credit account for an unstored counterparty"));
        return false;
    }
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    ObjRec acc;
    InitObjRec(acc);
    acc.Type = otExtAcc;
    acc.Name = LeftChars(cpty.Name + QStringLiteral(" owes"), 40);
    acc.OrigName = acc.Name;
    acc.AccWith = cpty.Id;
    acc.CloseDate = DateStrToCal(QStringLiteral("9999-99-99"));
    if (!WriteObj(core, acc))
        return false;
    ObjRec c = cpty;
    if (c.AccWith == 0) {
        c.AccWith = acc.Id;
        if (!WriteObj(core, c))
            return false;
    }
    if (!t.commit())
        return false;
    account = acc;
    cpty = c;
    return true;
}

std::vector<ObjRec> OpenGroupMembers(TFCore& core, int grpid, int kind) {
    std::vector<ObjRec> out;
    const int leaf = IsLeafKind(kind) ? kind : LeafKindOf(kind);
    if (leaf == 0)
        return out;
    Query q(core.store(), SharedSql::GroupMembers);
    q.bind("grpid", grpid).bind("acctype1", leaf).bind("acctype2", GroupKindOf(leaf));
    while (q.next()) {
        ObjRec r;
        ObjFromRow(q, r);
        out.push_back(r);
    }
    return out;
}

bool ReparentMembers(TFCore& core, const std::vector<ObjRec>& members, int newGrpid) {
    StoreTransaction t(core.store());
    if (!t.ok())
        return false;
    for (const ObjRec& m : members) {
        ObjRec r;
        if (!ReadObj(core, m.Id, r))
            continue;
        r.Grpid = newGrpid;
        if (!WriteObj(core, r))
            return false;
    }
    return t.commit();
}

int FindRepeaterUsing(TFCore& core, int id, bool activeOnly) {
    if (id < 1)
        return 0;
    Query q(core.store(), QStringLiteral("SELECT Id, RptActive FROM rptr WHERE Accid1 = :id OR Accid2 = :id OR "
                                         "Accid3 = :id OR Accid4 = :id ORDER BY Id"));
    q.bind("id", id);
    while (q.next())
        if (!activeOnly || q.boolean("RptActive")) {
            const int found = q.integer("Id");
            q.reset();
            return found;
        }
    return 0;
}
