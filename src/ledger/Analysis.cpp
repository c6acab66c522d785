#include "ledger/Analysis.h"

#include "base/Amount.h"
#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Objects.h"

#include <QHash>
#include <algorithm>
#include <map>
#include <tuple>

namespace {

int MonthIndex(int year, int month) {
    return year * 12 + (month - 1);
}

CalDate StartOfIndex(int index, int anchorDay) {
    CalDate d;
    d.year = std::uint16_t(index / 12);
    d.month = std::uint16_t(index % 12 + 1);
    d.day = std::uint16_t(anchorDay);
    NormaliseDay(d);
    return d;
}

// The month index a date belongs to.
int IndexOf(const CalDate& date, int anchorDay) {
    const int idx = MonthIndex(date.year, date.month);
    return CompareDates(date, StartOfIndex(idx, anchorDay)) >= 0 ? idx : idx - 1;
}

struct Key {
    char mory;
    DateInt ddate;
    int accid;
    bool operator<(const Key& o) const { return std::tie(mory, ddate, accid) < std::tie(o.mory, o.ddate, o.accid); }
};
struct Total {
    std::int64_t amt = 0;
    int grpid = 0;
};

} // namespace

CalDate AnalysisStart(const CalDate& end) {
    CalDate d = end;
    PrevYear(d);
    // 29 February a year back is the last day of that February.
    const int length = MonthLength(d.year, d.month);
    if (length > 0 && d.day > length)
        d.day = std::uint16_t(length);
    NextDay(d);
    return WithDayOfWeek(d);
}

CalDate AnalysisMonthStart(const CalDate& date, int anchorDay) {
    return WithDayOfWeek(StartOfIndex(IndexOf(date, anchorDay), anchorDay));
}

CalDate AnalysisMonthStep(const CalDate& monthStart, int anchorDay, int n) {
    return WithDayOfWeek(StartOfIndex(IndexOf(monthStart, anchorDay) + n, anchorDay));
}

CalDate AnalysisYearEnd(const CalDate& monthStart, const CalDate& end) {
    CalDate d;
    d.year = monthStart.year;
    d.month = end.month;
    d.day = end.day;
    NormaliseDay(d);
    if (CompareDates(d, monthStart) < 0) {
        d.year = std::uint16_t(monthStart.year + 1);
        d.month = end.month;
        d.day = end.day;
        NormaliseDay(d);
    }
    return WithDayOfWeek(d);
}

bool RebuildMonthly(TFCore& core, const CalDate& end, int kind,
                    const std::function<void(const QString&, int)>& progress) {
    auto say = [&](const QString& stage, int remaining) {
        if (progress)
            progress(stage, remaining);
    };
    const CalDate start = AnalysisStart(end);
    const int anchor = start.day;
    std::map<Key, Total> totals;

    // Every object's group, for the walk up the chains.
    QHash<int, int> groupOf;
    {
        Query q(core.store(), QStringLiteral("SELECT Id, Grpid FROM obj"));
        while (q.next())
            groupOf.insert(q.integer("Id"), q.integer("Grpid"));
        if (!q.ok())
            return false;
    }

    say(QStringLiteral("Read Category postings, accumulate monthly totals ..."), 0);
    {
        Query q(core.store(), QStringLiteral("SELECT p.Amt, p.Txntype, p.Objid, p.Pstgdate, o.Grpid "
                                             "FROM pstg p LEFT JOIN obj o ON o.Id = p.Objid "
                                             "WHERE (o.\"Type\" = :objtype) AND (p.Txntype <> 'A') AND "
                                             "(p.Txntype <> 'Z')"));
        q.bind("objtype", kind);
        QHash<QString, DateInt> monthOfDate; // many postings share a date
        while (q.next()) {
            const QString dateText = q.text("Pstgdate");
            auto it = monthOfDate.find(dateText);
            if (it == monthOfDate.end()) {
                const CalDate d = DateStrToCal(dateText);
                if (!IsCalendarDate(d))
                    continue; // a posting without a readable date belongs to no month
                it = monthOfDate.insert(dateText, CalToInt(AnalysisMonthStart(d, anchor)));
            }
            Total& t = totals[Key{'M', it.value(), q.integer("Objid")}];
            t.amt += q.int64("Amt");
            t.grpid = q.integer("Grpid");
        }
        if (!q.ok())
            return false;
    }

    std::vector<std::pair<Key, Total>> months(totals.begin(), totals.end());
    say(QStringLiteral("Read Int Acc monthly totals, accumulate yearly totals ..."), int(months.size()));
    int remaining = int(months.size());
    for (const auto& [key, t] : months) {
        const CalDate m = IntToCal(key.ddate);
        for (int k = 0; k < 12; ++k) {
            Total& r = totals[Key{'R', CalToInt(AnalysisMonthStep(m, anchor, k)), key.accid}];
            r.amt += t.amt;
            r.grpid = t.grpid;
        }
        Total& y = totals[Key{'Y', CalToInt(AnalysisYearEnd(m, end)), key.accid}];
        y.amt += t.amt;
        y.grpid = t.grpid;
        if (--remaining % 5000 == 0)
            say(QStringLiteral("Read Int Acc monthly totals, accumulate yearly totals ..."), remaining);
    }

    std::vector<std::pair<Key, Total>> members;
    for (const auto& kv : totals)
        if (kv.second.grpid > 0)
            members.push_back(kv);
    say(QStringLiteral("Read Int Acc monthly totals, accumulate Acc Grp totals ..."), int(members.size()));
    remaining = int(members.size());
    for (const auto& [key, t] : members) {
        // Up the chain until the top, a group that is not there, or a loop.
        int group = t.grpid;
        for (int level = 0; group > 0 && groupOf.contains(group) && level < 100; ++level) {
            Total& g = totals[Key{key.mory, key.ddate, group}];
            g.amt += t.amt;
            g.grpid = groupOf.value(group);
            group = groupOf.value(group);
        }
        if (--remaining % 5000 == 0)
            say(QStringLiteral("Read Int Acc monthly totals, accumulate Acc Grp totals ..."), remaining);
    }

    StoreTransaction st(core.store());
    if (!st.ok() || !core.store().exec(QStringLiteral("DELETE FROM mthly")))
        return false;
    Query ins(core.store(), QStringLiteral("INSERT INTO mthly (AccId, Grpid, MorY, Ddate, Amt) "
                                           "VALUES (:accid, :grpid, :mory, :ddate, :amt)"));
    for (const auto& [key, t] : totals) {
        ins.reset();
        ins.bind("accid", key.accid)
            .bind("grpid", t.grpid)
            .bind("mory", QString(QLatin1Char(key.mory)))
            .bind("ddate", key.ddate)
            .bind("amt", t.amt);
        if (!ins.exec())
            return false;
    }
    say(QString(), 0);
    return st.commit();
}

QString FormatTotalSigned(std::int64_t a) {
    const bool negative = a < 0;
    const std::uint64_t m = negative ? std::uint64_t(0) - std::uint64_t(a) : std::uint64_t(a);
    QString text = FormatThousands(std::int64_t(m / 100)) + QLatin1Char('.') +
                   QStringLiteral("%1").arg(int(m % 100), 2, 10, QLatin1Char('0'));
    if (negative)
        text.prepend(QLatin1Char('-'));
    else if (a > 0)
        text.prepend(QLatin1Char('+'));
    return text;
}

bool ParseTotal(const QString& text, std::int64_t& out) {
    QString t = text.trimmed();
    if (t.startsWith(QLatin1Char('+')))
        t.remove(0, 1);
    t.remove(QLatin1Char(','));
    const bool negative = t.startsWith(QLatin1Char('-'));
    if (negative)
        t.remove(0, 1);
    const int dot = t.indexOf(QLatin1Char('.'));
    if (t.isEmpty() || dot != t.size() - 3)
        return false;
    bool ok1 = false, ok2 = false;
    const qlonglong units = t.left(dot).toLongLong(&ok1);
    const int cents = t.mid(dot + 1).toInt(&ok2);
    if (!ok1 || !ok2 || units < 0 || t.at(dot + 1) == QLatin1Char('-'))
        return false;
    out = (units * 100 + cents) * (negative ? -1 : 1);
    return true;
}

bool BuildAnalysisGrid(TFCore& core, AnalysisMode mode, int kind, const CalDate& start, const CalDate& end,
                       const CalDate& columnDate, const QDateTime& stamp, bool showPaths, AnalysisGrid& grid) {
    grid = AnalysisGrid{};
    const bool yearly = mode == AnalysisMode::YearOnYear;
    const int anchor = start.day;
    std::vector<DateInt> columns; // the Ddate of columns 2, 3, ...
    if (yearly) {
        for (int back = 2; back >= 0; --back) {
            CalDate y = end;
            for (int i = 0; i < back; ++i)
                PrevYear(y);
            NormaliseDay(y);
            columns.push_back(CalToInt(y));
        }
    } else {
        CalDate next = columnDate;
        NextDay(next);
        const CalDate last = AnalysisMonthStep(AnalysisMonthStart(next, anchor), anchor, -1);
        for (int k = 11; k >= 0; --k)
            columns.push_back(CalToInt(AnalysisMonthStep(last, anchor, -k)));
    }
    const bool totalsColumn = mode == AnalysisMode::MonthOnMonth;
    const int width = 2 + int(columns.size()) + (totalsColumn ? 1 : 0);
    grid.headings << QString() << QString();
    for (DateInt c : columns)
        grid.headings << CalToDateStr(IntToCal(c));
    if (totalsColumn)
        grid.headings << QStringLiteral("TOTALS");

    QString sql =
        QStringLiteral("SELECT m.Ddate, m.Amt, m.AccId, o.Name AS name, o.\"Type\" AS type, o.Grpid AS grpid, "
                       "lower(coalesce(v.Path, '') || ' ' || o.Name) AS lname, coalesce(v.Path, '') AS path, "
                       "(coalesce(v.Path, '') || ' ' || o.Name) AS dpname "
                       "FROM mthly m LEFT JOIN obj o ON o.Id = m.AccId LEFT JOIN movts v ON v.Accid = m.AccId "
                       "WHERE (m.MorY = :mory) AND (o.RprTs = :ts) ");
    if (!yearly)
        sql += QStringLiteral("AND (m.Ddate >= :d1) AND (m.Ddate < :d2) ");
    sql += QStringLiteral("ORDER BY lname, m.Ddate, m.AccId");
    Query q(core.store(), sql);
    q.bind("mory", QString(QLatin1Char(mode == AnalysisMode::MonthOnMonth  ? 'M'
                                       : mode == AnalysisMode::YearOnMonth ? 'R'
                                                                           : 'Y')));
    q.bindDateTime("ts", stamp);
    if (!yearly)
        q.bind("d1", CalToInt(start)).bind("d2", CalToInt(columnDate));

    std::vector<std::int64_t> columnTotals(size_t(width), 0);
    int currentObj = -1;
    QString currentName;
    while (q.next()) {
        const int obj = q.integer("AccId");
        const QString lname = q.text("lname");
        if (grid.rows.empty() || obj != currentObj || lname != currentName) {
            AnalysisRow r;
            r.objId = obj;
            r.type = q.integer("type");
            r.grpid = q.integer("grpid");
            r.cells = QStringList(QList<QString>(width));
            r.values.assign(size_t(width), 0);
            r.filled.assign(size_t(width), false);
            r.cells[0] = showPaths ? q.text("dpname") : q.text("name");
            r.cells[1] = r.type == GroupKindOf(kind) ? QStringLiteral("GROUP") : QString();
            grid.rows.push_back(r);
            currentObj = obj;
            currentName = lname;
        }
        const DateInt ddate = DateInt(q.int64("Ddate"));
        const auto at = std::find(columns.begin(), columns.end(), ddate);
        if (at == columns.end())
            continue;
        const int col = 2 + int(at - columns.begin());
        const std::int64_t amt = q.int64("Amt");
        AnalysisRow& r = grid.rows.back();
        r.values[size_t(col)] += amt;
        r.filled[size_t(col)] = true;
        r.cells[col] = FormatTotalSigned(r.values[size_t(col)]);
        columnTotals[size_t(col)] += amt;
        if (totalsColumn) {
            r.values[size_t(width - 1)] += amt;
            r.filled[size_t(width - 1)] = true;
            r.cells[width - 1] = FormatTotalSigned(r.values[size_t(width - 1)]);
        }
    }
    if (!q.ok())
        return false;

    AnalysisRow totals;
    totals.cells = QStringList(QList<QString>(width));
    totals.values.assign(size_t(width), 0);
    totals.filled.assign(size_t(width), false);
    totals.cells[0] = QStringLiteral("TOTALS");
    std::int64_t columnsSum = 0;
    for (int c = 2; c < 2 + int(columns.size()); ++c) {
        totals.values[size_t(c)] = columnTotals[size_t(c)];
        totals.filled[size_t(c)] = true;
        totals.cells[c] = FormatTotalSigned(columnTotals[size_t(c)]);
        columnsSum += columnTotals[size_t(c)];
    }
    std::int64_t rowsSum = 0;
    for (const AnalysisRow& r : grid.rows)
        for (int c = 2; c < 2 + int(columns.size()); ++c)
            rowsSum += r.values[size_t(c)];
    if (totalsColumn) {
        totals.values[size_t(width - 1)] = columnsSum;
        totals.filled[size_t(width - 1)] = true;
        totals.cells[width - 1] = FormatTotalSigned(columnsSum);
    }
    grid.rows.push_back(totals);
    grid.rowsSum = rowsSum;
    grid.columnsSum = columnsSum;
    if (rowsSum != columnsSum)
        core.prompter().ProgramError(QStringLiteral("htot2 = ") + FormatTotalSigned(rowsSum) +
                                     QStringLiteral("  vtot2 = ") + FormatTotalSigned(columnsSum));
    return true;
}

void SortAnalysisRows(AnalysisGrid& grid, bool byValue) {
    const int n = int(grid.rows.size()) - 1; // the TOTALS row stays last
    if (n < 2)
        return;
    for (bool swapped = true; swapped;) {
        swapped = false;
        for (int i = 0; i + 1 < n; ++i) {
            AnalysisRow& a = grid.rows[size_t(i)];
            AnalysisRow& b = grid.rows[size_t(i + 1)];
            bool swap = false;
            if (byValue) {
                std::int64_t va = 0, vb = 0;
                if (ParseTotal(a.cells.back(), va) && ParseTotal(b.cells.back(), vb))
                    swap = va > vb;
            } else {
                swap = CompareNoCase(a.cells[0], b.cells[0]) > 0;
            }
            if (swap) {
                std::swap(a, b);
                swapped = true;
            }
        }
    }
}

bool AnalysisSeriesOf(TFCore& core, int objId, AnalysisMode mode, const AnalysisGrid& grid, AnalysisSeries& series) {
    series = AnalysisSeries{};
    std::vector<DateInt> dates;
    for (int c = 2; c < grid.headings.size(); ++c) {
        const CalDate d = DateStrToCal(grid.headings[c]);
        if (!IsCalendarDate(d))
            continue; // the TOTALS column
        dates.push_back(CalToInt(d));
        series.labels << grid.headings[c];
    }
    const bool yearly = mode == AnalysisMode::YearOnYear;
    series.bars.assign(dates.size(), 0);
    if (!yearly)
        series.rolling.assign(dates.size(), 0);
    Query q(core.store(), QStringLiteral("SELECT MorY, Ddate, Amt FROM mthly WHERE AccId = :id AND MorY IN (:a, :b)"));
    q.bind("id", objId)
        .bind("a", yearly ? QStringLiteral("Y") : QStringLiteral("M"))
        .bind("b", yearly ? QStringLiteral("Y") : QStringLiteral("R"));
    while (q.next()) {
        const auto at = std::find(dates.begin(), dates.end(), DateInt(q.int64("Ddate")));
        if (at == dates.end())
            continue;
        const size_t i = size_t(at - dates.begin());
        if (q.text("MorY") == QLatin1String("R"))
            series.rolling[i] = q.int64("Amt");
        else
            series.bars[i] = q.int64("Amt");
    }
    return q.ok();
}
