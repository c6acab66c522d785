// The balances view's list; see BalancesList.h.
#include "ledger/BalancesList.h"

#include "base/Clock.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Balances.h"
#include "ledger/GroupStamps.h"

#include <algorithm>
#include <set>

namespace {

// The Balance total beyond which the warning shows (minor units).
constexpr Amount64 kOverflowWarnAt = 1800000000;

bool ValidKind(int kind) {
    return kind == otExtAcc || kind == otCtgy || kind == otCpty || kind == otPot;
}

} // namespace

bool BalancesRow::isGroup() const {
    return IsGroupKind(type);
}

QString FormatAmount64(Amount64 a, bool signedPlus) {
    if (FitsAmount(a))
        return signedPlus ? FormatAmountSigned(Amount(a)) : FormatAmount(Amount(a));
    // Beyond an Amount: the same layout from the magnitude.
    const std::uint64_t mag = a < 0 ? std::uint64_t(0) - std::uint64_t(a) : std::uint64_t(a);
    QString text = FormatThousands(std::int64_t(mag / 100)) + QLatin1Char('.') + PadNumber(std::int64_t(mag % 100), 2);
    if (a < 0)
        text.prepend(QLatin1Char('-'));
    else if (signedPlus)
        text.prepend(QLatin1Char('+'));
    return text;
}

void CalcBalancesRow(BalancesRow& row, const QString& commonPath, DateInt balAt) {
    QString dp = row.path + QLatin1Char(' ') + row.name;
    // Members of the current level all start with its path; a row whose
    // stored path is out of date keeps its whole name rather than losing
    // letters of it.
    if (!commonPath.isEmpty() && dp.startsWith(commonPath))
        dp.remove(0, commonPath.size());
    row.dpname = dp;
    row.pottype2 = row.isGroup() ? QStringLiteral("GROUP") : QString();
    row.bfd = Amount64(row.bfdbal) + row.prepdnet;
    row.net = Amount64(row.pdpayts) + row.pdrcpts + row.pdtfrs;
    row.cfd = row.bfd + row.net;
    const bool bad =
        (row.cfd < 0 && !row.allowNegBal) || (row.cfd == 0 && !row.allowZeroBal) || (row.cfd > 0 && !row.allowPosBal);
    row.balwng = bad ? QStringLiteral("!") : QString();
    // A close date of 0 is no date: the object is open.
    row.dormant2.clear();
    if (row.closeDate != 0 && row.closeDate < kNotClosed)
        row.dormant2 = row.closeDate <= balAt ? QStringLiteral("closed ") + IntToDateStr(row.closeDate)
                                              : QStringLiteral("closed later");
    row.lpdatedp = row.lastPstgDate != 0 ? IntToDateStr(row.lastPstgDate) : QString();
}

BalancesTotals TotalBalances(const std::vector<BalancesRow>& rows) {
    BalancesTotals t;
    for (const BalancesRow& r : rows) {
        t.bfd += Amount64(r.bfdbal) + r.prepdnet;
        t.payts += r.pdpayts;
        t.rcpts += r.pdrcpts;
        t.tfrs += r.pdtfrs;
    }
    t.net = t.payts + t.rcpts + t.tfrs;
    t.bal = t.bfd + t.net;
    t.count = int(rows.size());
    return t;
}

QString OverflowWarning(Amount64 balanceTotal) {
    // A large debit total is as near the limit as a large credit one.
    if (balanceTotal <= kOverflowWarnAt && balanceTotal >= -kOverflowWarnAt)
        return QString();
    return QStringLiteral("Warning - c/fd balance ") + FormatAmount64(balanceTotal, true) +
           QStringLiteral(" approaching overflow limit of ") + FormatAmount(kMaxAmount);
}

QString PeriodDescription(const CalDate& from, const CalDate& at) {
    return QStringLiteral("From ") + CalToDateStr(from) + QStringLiteral(" to ") + CalToDateStr(at);
}

BalancesList::BalancesList(TFCore& core) : m_core(core) {}

QDateTime BalancesList::NewStamp() {
    // Stamps are stored to the millisecond: two commands within one
    // millisecond must still get different stamps, or the rows of the level
    // left would stay in the list.
    m_stamp = NewRunMarker();
    return m_stamp;
}

bool BalancesList::StampAll(const std::vector<ObjRec>& objs, const QDateTime& ts) {
    StoreTransaction t(m_core.store());
    if (!t.ok())
        return false;
    for (const ObjRec& o : objs)
        if (!StampObj(m_core, o, ts))
            return false;
    return t.commit();
}

std::vector<ObjRec> BalancesList::Descendants(int groupId, bool withGroups) {
    std::vector<ObjRec> out;
    std::vector<int> stack{groupId};
    std::set<int> seen{groupId};
    while (!stack.empty()) {
        const int g = stack.back();
        stack.pop_back();
        for (ObjRec& m : OpenGroupMembers(m_core, g, m_kind)) {
            if (IsGroupKind(m.Type)) {
                if (!seen.insert(m.Id).second)
                    continue; // a group that contains itself is walked once
                stack.push_back(m.Id);
                if (!withGroups)
                    continue;
            }
            out.push_back(std::move(m));
        }
    }
    return out;
}

void BalancesList::SetGroup(int groupId) {
    m_group = groupId;
    InitObjRec(m_groupRec);
    m_commonPath = QStringLiteral(" ");
    if (groupId != 0 && ReadObj(m_core, groupId, m_groupRec))
        m_commonPath = GroupPath(m_core, groupId) + QLatin1Char(' ') + m_groupRec.Name + QStringLiteral(" : ");
}

bool BalancesList::Open(int kind) {
    if (!ValidKind(kind)) {
        m_core.prompter().ProgramError(QStringLiteral("Invalid acc type"));
        return false;
    }
    m_kind = kind;
    m_groupKind = GroupKindOf(kind);
    wantBalances = false;
    wantMovements = false;
    TopLevel();
    return true;
}

bool BalancesList::OpenInGroup(int groupId, int groupKind) {
    const int leaf = IsLeafKind(groupKind) ? groupKind : LeafKindOf(groupKind);
    if (!ValidKind(leaf)) {
        m_core.prompter().ProgramError(QStringLiteral("Invalid acc type"));
        return false;
    }
    m_kind = leaf;
    m_groupKind = GroupKindOf(leaf);
    return DrillDown(groupId);
}

void BalancesList::TopLevel() {
    StampGroupMembers(m_core, 0, m_kind, NewStamp());
    SetGroup(0);
    Rebuild();
}

bool BalancesList::DrillDown(int groupId) {
    StampGroupMembers(m_core, groupId, m_kind, NewStamp());
    SetGroup(groupId);
    return Rebuild();
}

int BalancesList::Back() {
    const int left = m_group;
    if (left == 0)
        return 0;
    const int parent = m_groupRec.Grpid;
    StampGroupMembers(m_core, parent, m_kind, NewStamp());
    SetGroup(parent);
    Rebuild();
    return left;
}

bool BalancesList::ExpandGroup(int groupId) {
    ObjRec group;
    if (!ReadObj(m_core, groupId, group))
        return false;
    const std::vector<ObjRec> members = OpenGroupMembers(m_core, groupId, m_kind);
    if (members.empty()) {
        m_core.prompter().InfoAtCursor(QStringLiteral("Group ") + Quote(group.Name) +
                                       QStringLiteral("is empty - cannot expand"));
        return false;
    }
    {
        StoreTransaction t(m_core.store());
        if (!t.ok() || !StampGroupMembers(m_core, groupId, m_kind, m_stamp) || !StampObj(m_core, group, QDateTime()) ||
            !t.commit())
            return false;
    }
    return Rebuild();
}

bool BalancesList::CollapseGroup(int groupId) {
    ObjRec group;
    if (!ReadObj(m_core, groupId, group))
        return false;
    {
        StoreTransaction t(m_core.store());
        if (!t.ok() || !UnstampBelow(m_core, groupId, m_kind, m_stamp) || !StampObj(m_core, group, m_stamp) ||
            !t.commit())
            return false;
    }
    return Rebuild();
}

void BalancesList::ExpandAll() {
    StampAll(Descendants(m_group, false), NewStamp());
    Rebuild();
}

void BalancesList::StampAfresh() {
    StampGroupMembers(m_core, m_group, m_kind, NewStamp());
}

int BalancesList::ShowNewAccount(int id) {
    StampAfresh();
    Rebuild();
    if (RowOfId(id) < 0 && filter != BalFilter::All) {
        m_core.prompter().InfoAtCursor(QStringLiteral("Display filter will be widened to show new account"));
        filter = BalFilter::All;
        Rebuild();
    }
    return RowOfId(id);
}

bool BalancesList::ReloadGroup() {
    SetGroup(m_group);
    return Rebuild();
}

bool BalancesList::ShowValues() {
    wantMovements = true;
    wantBalances = m_kind == otExtAcc || m_kind == otPot;
    return Rebuild();
}

QString BalancesList::BuildSql() const {
    QString sql = QStringLiteral("SELECT O1.id, m.accid AS maccid, m.path, O1.name, lower(O1.name) AS lname,"
                                 " lower(coalesce(m.path, '') || ' ' || O1.name) AS dpname2, O1.type,"
                                 " m.bfdbal, m.prepdnet, O1.reconciled, O1.allownegbal, O1.allowzerobal, O1.grpid,"
                                 " m.pdpayts, m.pdrcpts, m.pdtfrs, (m.pdrcpts + m.pdpayts + m.pdtfrs) AS netmovt,"
                                 " O1.allowposbal, O1.lastpstgdate, O1.closedate"
                                 " FROM obj O1"
                                 " LEFT JOIN movts m ON m.accid = O1.id"
                                 " WHERE ( (O1.rprts = :ts) ) ");
    switch (filter) {
    case BalFilter::Active:
        sql += QStringLiteral("AND ( ( m.pdpayts <> 0 ) OR ( m.pdrcpts <> 0 ) OR ( m.pdtfrs <> 0 ) ) ");
        break;
    case BalFilter::Available:
        // A close date of 0 is no date: such an object is open.
        sql += QStringLiteral("AND ( ( ( O1.opendate <= :balto ) AND ( ( O1.closedate >= :balfrom ) OR"
                              " ( coalesce(O1.closedate, 0) = 0 ) ) ) ");
        if (m_balances)
            sql += QStringLiteral("OR ( ( m.pdpayts <> 0 ) OR ( m.pdrcpts <> 0 ) OR ( m.pdtfrs <> 0 ) OR"
                                  " ( m.bfdbal + m.prepdnet <> 0 ) ) ) ");
        else if (m_movements)
            sql += QStringLiteral("OR ( ( m.pdpayts <> 0 ) OR ( m.pdrcpts <> 0 ) OR ( m.pdtfrs <> 0 ) ) ) ");
        else
            sql += QStringLiteral(") ");
        break;
    case BalFilter::Recents:
        sql += QStringLiteral("AND (coalesce(O1.closedate, 0) IN (0, 99999999)) AND ( (O1.lastpstgdate IS NULL) OR"
                              " (O1.lastpstgdate = 0) OR (O1.lastpstgdate >= :dmtchk) ) ");
        break;
    case BalFilter::All:
        break;
    }
    // Ties keep a fixed order, so a refresh does not shuffle equal rows.
    sql += sequence == BalSequence::Name ? QStringLiteral("ORDER BY dpname2, O1.id")
                                         : QStringLiteral("ORDER BY netmovt, dpname2, O1.id");
    return sql;
}

bool BalancesList::Rebuild() {
    m_balances = wantBalances;
    m_movements = wantMovements;
    RecomputeDerivedDates(m_core);
    if ((m_balances || m_movements) && m_core.settings().RebalNeeded)
        Rebalance(m_core);
    m_needsRebal = m_core.settings().RebalNeeded;
    const Settings& s = m_core.settings();

    BusyScope busy(m_core.prompter());
    m_rows.clear();
    m_warning.clear();
    const bool pathsSet = PathsSet(m_core);
    bool ok = true;
    std::vector<bool> needPath;
    {
        Query q(m_core.store(), BuildSql());
        q.bindDateTime("ts", m_stamp);
        if (filter == BalFilter::Available)
            q.bind("balto", s.BalAtInt).bind("balfrom", s.BalFromInt);
        if (filter == BalFilter::Recents)
            q.bind("dmtchk", s.DormantCutoff);
        while (q.next()) {
            BalancesRow r;
            r.id = q.integer("id");
            r.type = q.integer("type");
            r.grpid = q.integer("grpid");
            r.name = q.text("name");
            r.path = q.text("path");
            // No summary row yet (a new object) or paths not set: the path is
            // worked out from the groups once the query is done.
            needPath.push_back(q.isNull("maccid") || !pathsSet);
            r.reconciled = q.text("reconciled");
            r.bfdbal = Amount(q.int64("bfdbal"));
            r.prepdnet = Amount(q.int64("prepdnet"));
            r.pdpayts = Amount(q.int64("pdpayts"));
            r.pdrcpts = Amount(q.int64("pdrcpts"));
            r.pdtfrs = Amount(q.int64("pdtfrs"));
            r.allowNegBal = q.boolean("allownegbal");
            r.allowZeroBal = q.boolean("allowzerobal");
            r.allowPosBal = q.boolean("allowposbal");
            r.lastPstgDate = DateInt(q.int64("lastpstgdate"));
            r.closeDate = DateInt(q.int64("closedate"));
            m_rows.push_back(std::move(r));
        }
        ok = q.ok();
    }
    bool pathsAdded = false;
    for (std::size_t i = 0; i < m_rows.size(); ++i) {
        BalancesRow& r = m_rows[i];
        if (needPath[i]) {
            r.path = GroupPath(m_core, r.id);
            pathsAdded = pathsAdded || !r.path.isEmpty();
        }
        CalcBalancesRow(r, m_commonPath, s.BalAtInt);
    }
    // The query sorted those rows without their paths: put them in place.
    if (pathsAdded && sequence == BalSequence::Name)
        std::stable_sort(m_rows.begin(), m_rows.end(), [](const BalancesRow& a, const BalancesRow& b) {
            return LowerText(a.path + QLatin1Char(' ') + a.name) < LowerText(b.path + QLatin1Char(' ') + b.name);
        });
    m_totals = TotalBalances(m_rows);
    // The warning concerns the Balance total, so only while it is shown.
    m_warning = BalancesVisible() ? OverflowWarning(m_totals.bal) : QString();
    if (!m_warning.isEmpty())
        m_core.prompter().InfoAtCursor(m_warning);
    return ok;
}

int BalancesList::RowOfId(int id) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].id == id)
            return int(i);
    return -1;
}

int BalancesList::FirstRowInGroup(int grpid) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].grpid == grpid)
            return int(i);
    return -1;
}

int BalancesList::FindRow(const QString& text) const {
    for (std::size_t i = 0; i < m_rows.size(); ++i)
        if (ComparePrefixNoCase(m_rows[i].dpname, text) >= 0)
            return int(i);
    return -1;
}

QString BalancesList::Caption() const {
    return KindName(m_kind, 'U', 'P').trimmed();
}

QString BalancesList::FilterLabel() const {
    switch (filter) {
    case BalFilter::Active:
        return QStringLiteral("Filter : Active");
    case BalFilter::Available:
        return QStringLiteral("Filter : Available");
    case BalFilter::Recents:
        return QStringLiteral("Filter : Recents");
    case BalFilter::All:
        break;
    }
    return QStringLiteral("Filter : All");
}

QString BalancesList::PeriodCaption() const {
    return QStringLiteral("  Period ") + PeriodDescription(m_core.settings().BalFrom, m_core.settings().BalAt);
}

QString BalancesList::PathLabel() const {
    return m_group == 0 ? QString() : m_commonPath + QStringLiteral("...");
}

bool BalancesList::BalancesVisible() const {
    return m_balances && m_kind != otCpty && !m_needsRebal;
}

bool BalancesList::MovementsVisible() const {
    return m_movements;
}

bool BalancesList::TransfersVisible() const {
    return m_movements && m_kind != otCtgy && m_kind != otCpty;
}

bool BalancesList::FlagColumnsVisible() const {
    return m_kind == otExtAcc || m_kind == otPot;
}

bool BalancesList::InExpandedGroup(int row) const {
    return row >= 0 && row < int(m_rows.size()) && m_rows[std::size_t(row)].grpid != m_group;
}
