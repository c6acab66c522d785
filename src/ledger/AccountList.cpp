// The account picker's list, the find-account lists and the name/notes
// search; see AccountList.h.
#include "ledger/AccountList.h"

#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"

#include <algorithm>

QString AccListSql(int kind, AccFilter filter) {
    QString sql = QStringLiteral(
        "SELECT o1.id, o1.type, o1.name, o1.note, lower (o1.name) as lname, o1.fav, o1.closedate, o1.lastpstgdate, ");
    // A provider-less account has no o2 row: its provider name counts as
    // empty (a NULL would sort those accounts by nothing at all).
    if (kind == otExtAcc)
        sql += QStringLiteral("o2.name as holder, coalesce (lower (o2.name), '') as lname2");
    else
        sql += QStringLiteral("'' as holder");
    sql += QStringLiteral(" FROM obj o1");
    if (kind == otExtAcc)
        sql += QStringLiteral(" LEFT JOIN obj o2 ON o2.id = o1.accwith");
    sql += QStringLiteral(" WHERE o1.type = :objtype ");
    switch (filter) {
    case AccFilter::Recent:
        sql += QStringLiteral("AND (o1.closedate = 99999999) and ( (o1.lastpstgdate is null) or (o1.lastpstgdate = 0) "
                              "or (o1.lastpstgdate >= :dmtchk)) ");
        break;
    case AccFilter::Dormant:
        sql += QStringLiteral("AND (o1.closedate = 99999999) and (o1.lastpstgdate < :dmtchk) and ( not o1.lastpstgdate "
                              "is null) and (o1.lastpstgdate <> 0) ");
        break;
    case AccFilter::Closed:
        sql += QStringLiteral("AND (o1.closedate < 99999999) ");
        break;
    case AccFilter::Favorites:
        sql += QStringLiteral("AND (o1.fav = 1) ");
        break;
    case AccFilter::All:
        break;
    }
    // Holder then own name as two keys: one concatenated key would put
    // "Banka"'s accounts among "Bank"'s.
    sql += kind == otExtAcc ? QStringLiteral("ORDER BY lname2, lname, o1.id") : QStringLiteral("ORDER BY lname, o1.id");
    return sql;
}

QString AccStatusText(bool fav, DateInt closedate, DateInt lastpstgdate, DateInt cutoff) {
    if (fav)
        return QStringLiteral("favorite");
    if (closedate < kNotClosed)
        return QStringLiteral("closed");
    if (lastpstgdate > 0 && lastpstgdate <= cutoff)
        return QStringLiteral("dormant");
    return QString();
}

std::vector<AccListRow> LoadAccList(TFCore& core, int kind, AccFilter filter) {
    std::vector<AccListRow> rows;
    const DateInt cutoff = core.settings().DormantCutoff;
    Query q(core.store(), AccListSql(kind, filter));
    q.bind("objtype", kind);
    if (filter == AccFilter::Recent || filter == AccFilter::Dormant)
        q.bind("dmtchk", cutoff);
    while (q.next()) {
        AccListRow r;
        r.Id = q.integer("id");
        r.Type = q.integer("type");
        r.Name = q.text("name");
        r.Note = q.text("note");
        r.lname = q.text("lname");
        r.holder = q.text("holder");
        r.fav = q.boolean("fav");
        r.closedate = q.isNull("closedate") ? kNotClosed : q.integer("closedate");
        r.lastpstgdate = q.integer("lastpstgdate");
        r.dpname = r.Name;
        r.dormant2 = AccStatusText(r.fav, r.closedate, r.lastpstgdate, cutoff);
        rows.push_back(std::move(r));
    }
    return rows;
}

bool WidenFilter(AccFilter& filter) {
    switch (filter) {
    case AccFilter::Favorites:
        filter = AccFilter::Recent;
        return true;
    case AccFilter::Recent:
        filter = AccFilter::Dormant;
        return true;
    case AccFilter::Dormant:
        filter = AccFilter::Closed;
        return true;
    case AccFilter::Closed:
    case AccFilter::All:
        return false;
    }
    return false;
}

AccSearchHit SearchAccList(const std::vector<AccListRow>& rows, int kind, const QString& text) {
    AccSearchHit hit;
    if (rows.empty()) {
        hit.row = -1;
        return hit;
    }
    if (text.isEmpty()) {
        hit.found = true;
        return hit;
    }
    // Rows in provider order are not in own-name order: a name that sorts
    // after the text says nothing about the rows below it.
    const bool nameOrder = kind != otExtAcc;
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const int c = ComparePrefixNoCase(rows[i].lname, text);
        if (c == 0) {
            hit.row = int(i);
            hit.found = true;
            return hit;
        }
        if (c > 0 && nameOrder) {
            hit.row = int(i);
            return hit;
        }
    }
    hit.row = int(rows.size()) - 1;
    return hit;
}

bool SearchWidening(TFCore& core, int kind, AccFilter& filter, std::vector<AccListRow>& rows, const QString& text,
                    int& row) {
    for (;;) {
        const AccSearchHit hit = SearchAccList(rows, kind, text);
        row = std::max(hit.row, 0);
        if (hit.found)
            return true;
        if (!WidenFilter(filter))
            return false;
        rows = LoadAccList(core, kind, filter);
    }
}

int LocateAccRow(const std::vector<AccListRow>& rows, int id) {
    for (int i = int(rows.size()) - 1; i >= 0; --i)
        if (rows[std::size_t(i)].Id == id)
            return i;
    return 0;
}

// ---- find-account dialog ------------------------------------------------------

bool NameMatches(const QString& name, const QString& text, NameMatch rule) {
    switch (rule) {
    case NameMatch::Exact:
        return CompareNoCase(name, text) == 0;
    case NameMatch::StartsWith:
        return ComparePrefixNoCase(name, text) == 0;
    case NameMatch::Contains:
        return LowerText(name).contains(LowerText(text));
    }
    return false;
}

FoundAccounts FindAccounts(TFCore& core, int kind, const QString& text, NameMatch rule) {
    FoundAccounts out;
    const DateInt cutoff = core.settings().DormantCutoff;
    Query q(core.store(), QStringLiteral("SELECT o1.id, o1.type, o1.name, lower (o1.name) as lname, o2.name as name2, "
                                         "lower (o2.name) as lname2, o1.closedate, o1.lastpstgdate, o1.opendate "
                                         "FROM obj o1 LEFT JOIN obj o2 ON o2.id = o1.accwith "
                                         "WHERE o1.type = :kind ORDER BY lname2, lname, o1.id"));
    q.bind("kind", kind);
    while (q.next()) {
        const QString name = q.text("name");
        if (!NameMatches(name, text, rule))
            continue;
        const IdTextRow row{q.integer("id"), name};
        const DateInt closedate = q.isNull("closedate") ? kNotClosed : q.integer("closedate");
        const DateInt last = q.integer("lastpstgdate");
        const DateInt opened = q.integer("opendate");
        if (closedate < kNotClosed)
            out.closed.push_back(row);
        else if (last > cutoff || (last == 0 && opened > cutoff))
            out.actives.push_back(row);
        else
            out.dormants.push_back(row);
    }
    std::stable_sort(out.actives.begin(), out.actives.end(),
                     [](const IdTextRow& a, const IdTextRow& b) { return CompareNoCase(a.text, b.text) < 0; });
    return out;
}

int DefaultObjectId(const Settings& s, int kind) {
    switch (kind) {
    case otExtAcc:
        return s.DefaultCashId;
    case otCtgy:
        return s.DefaultCtgyId;
    case otCpty:
        return s.DefaultCptyId;
    case otPot:
        return s.DefaultPotId;
    default:
        return 0;
    }
}

bool SetDefaultObjectId(Settings& s, int kind, int id) {
    switch (kind) {
    case otExtAcc:
        s.DefaultCashId = id;
        return true;
    case otCtgy:
        s.DefaultCtgyId = id;
        return true;
    case otCpty:
        s.DefaultCptyId = id;
        return true;
    case otPot:
        s.DefaultPotId = id;
        return true;
    default:
        return false;
    }
}

QString MakeDefaultQuestion(int kind) {
    const QString what = kind == otCtgy   ? QStringLiteral("Category")
                         : kind == otCpty ? QStringLiteral("Counterparty")
                                          : QStringLiteral("Account");
    return QStringLiteral("Make selected ") + what + QStringLiteral(" the default?");
}

// ---- name/notes search --------------------------------------------------------

int MarkNameNotesMatches(TFCore& core, const QString& text, const QDateTime& ts) {
    if (text.isEmpty())
        return 0;
    const QString needle = LowerText(text);
    // Collect first, then write: the walk's statement stays out of the way of
    // the writes.
    std::vector<ObjRec> matches;
    {
        Query q(core.store(), QStringLiteral("SELECT * FROM obj ORDER BY id"));
        while (q.next()) {
            bool hit = LowerText(q.text("Name")).contains(needle);
            if (!hit) {
                const QStringList lines = q.text("Note").split(QLatin1Char('\n'));
                for (const QString& line : lines)
                    if (LowerText(line).contains(needle)) {
                        hit = true;
                        break;
                    }
            }
            if (hit) {
                ObjRec r;
                ObjFromRow(q, r);
                matches.push_back(r);
            }
        }
        if (!q.ok())
            return -1;
    }
    StoreTransaction st(core.store());
    for (const ObjRec& r : matches)
        if (!StampObj(core, r, ts))
            return -1;
    return st.commit() ? int(matches.size()) : -1;
}

std::vector<AcSearchRow> LoadNameNotesResults(TFCore& core, int kind, const QDateTime& ts) {
    std::vector<AcSearchRow> rows;
    Query q(core.store(),
            QStringLiteral("select o1.id, o1.name, o1.type, o1.cptypays, o1.grpid, o1.cptyrcvs, o1.opendate, "
                           "o1.lastpstgdate, o1.closedate, o2.name as name2 "
                           "from obj o1 left join obj o2 on o2.id = o1.accwith "
                           "where o1.rprts = :ts "
                           "and ( (o1.type = :kind) or (o1.type = :grpkind) ) "
                           "order by o1.type, o1.name"));
    q.bindDateTime("ts", ts).bind("kind", kind).bind("grpkind", GroupKindOf(kind));
    while (q.next()) {
        AcSearchRow r;
        r.Id = q.integer("id");
        r.Type = q.integer("type");
        r.Name = q.text("name");
        // Only an external account's AccWith is its provider; a
        // counterparty's names its credit account.
        const QString provider = r.Type == otExtAcc ? q.text("name2") : QString();
        r.dpname = provider.isEmpty() ? r.Name : provider + QStringLiteral(" : ") + r.Name;
        r.kindText = KindName(r.Type, 'L', 'S').trimmed();
        const bool pays = q.boolean("cptypays"), rcvs = q.boolean("cptyrcvs");
        if (pays && rcvs)
            r.subtype = QStringLiteral("payer/ee");
        else if (pays)
            r.subtype = QStringLiteral("payer");
        else if (rcvs)
            r.subtype = QStringLiteral("payee");
        const DateInt opened = q.integer("opendate"), last = q.integer("lastpstgdate");
        const DateInt closed = q.isNull("closedate") ? kNotClosed : q.integer("closedate");
        if (opened > 0)
            r.opened = IntToDateStr(opened);
        if (last > 0)
            r.lastUsed = IntToDateStr(last);
        if (closed < kNotClosed)
            r.closed = IntToDateStr(closed);
        rows.push_back(std::move(r));
    }
    return rows;
}
