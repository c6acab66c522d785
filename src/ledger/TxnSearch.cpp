#include "ledger/TxnSearch.h"

#include "base/Clock.h"
#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "ledger/Transactions.h"

#include <QHash>

namespace {

// Account and channel names come from the names read once per search (see
// Names), not from four joins decoding them again for every row.
const QString kSelect =
    QStringLiteral("SELECT t.Id, t.Instance, t.Txndate, t.DpDate, t.Type, t.Amt, t.Narrative, "
                   "t.Accid1, t.Accid2, t.Accid3, t.Accid4, t.chnum, t.Cancelled, t.Masterid FROM txn t ");
const QString kOrder = QStringLiteral(" ORDER BY t.Txndate, t.Id");

bool ReadWholeNumber(Prompter& p, const QString& text, int& out) {
    bool ok = false;
    const qlonglong v = text.trimmed().toLongLong(&ok);
    if (!ok || v < INT32_MIN || v > INT32_MAX) {
        p.InfoAtCursor(QStringLiteral("Invalid txn id"));
        return false;
    }
    out = int(v);
    return true;
}

// Every object's and channel's name by id; the rows share these strings.
struct Names {
    QHash<int, QString> objects, channels;
    explicit Names(Store& store) {
        Query o(store, QStringLiteral("SELECT Id, Name FROM obj"));
        while (o.next())
            objects.insert(int(o.int64(0)), o.text(1));
        Query c(store, QStringLiteral("SELECT Chnum, ChName FROM channel"));
        while (c.next())
            channels.insert(int(c.int64(0)), c.text(1));
    }
};

// A search reads the whole of txn (text, journal walk): its pages stay in
// SQLite's own cache for the next search rather than being read from the
// file system again (the postings view asks the same).
constexpr int kSearchCacheKiB = 128 * 1024;

} // namespace

bool SearchNeedsText(SearchMode mode) {
    return mode != SearchMode::Journal && mode != SearchMode::Cancelled;
}

QString SearchCaption(const SearchRequest& req) {
    QString tail;
    switch (req.mode) {
    case SearchMode::Amount:
        tail = QStringLiteral("Amount = ") + req.text;
        break;
    case SearchMode::TxnId:
        tail = QStringLiteral("Id = ") + req.text;
        break;
    case SearchMode::Text:
        tail = QLatin1Char('"') + req.text + QLatin1Char('"');
        break;
    case SearchMode::Journal:
        tail = QStringLiteral("Journal (within Period)");
        break;
    case SearchMode::Cancelled:
        tail = QStringLiteral("Cancelled transactions");
        break;
    case SearchMode::Instances:
        tail = QStringLiteral("Repeater #") + req.text + QStringLiteral(" instances");
        break;
    case SearchMode::CptyCategory:
        tail = QStringLiteral("Counterparty/Category = ") + req.text;
        break;
    }
    return QStringLiteral("Transaction search results  :  ") + tail;
}

QDateTime MarkTextMatches(TFCore& core, const QString& text) {
    Prompter& p = core.prompter();
    p.ShowStatus(QStringLiteral("Searching ..."));
    const QDateTime marker = NewRunMarker();
    // hasfolded() is the store's own, folding every alphabet as lower() does.
    StoreTransaction st(core.store());
    // The text is folded once here, each row's texts by the store, which
    // compares plain ASCII in place.
    Query q(core.store(), QStringLiteral("UPDATE txn SET RprTs = :ts "
                                         "WHERE hasfolded(Narrative, :t) OR hasfolded(Ref, :t)"));
    q.bindDateTime("ts", marker).bind("t", LowerText(text));
    const bool ok = st.ok() && q.exec() && st.commit();
    p.ShowStatus(QString());
    return ok ? marker : QDateTime();
}

bool RunSearch(TFCore& core, const SearchRequest& req, std::vector<SearchRow>& rows) {
    rows.clear();
    Prompter& p = core.prompter();
    if (SearchNeedsText(req.mode) && req.text.trimmed().isEmpty()) {
        p.InfoAtCursor(QStringLiteral("Amount/id/text missing"));
        return false;
    }
    BusyScope busy(p);
    core.store().exec(QStringLiteral("PRAGMA txn.cache_size = -%1").arg(kSearchCacheKiB));
    Amount amt = 0;
    int number = 0;
    QDateTime marker;
    QString where;
    switch (req.mode) {
    case SearchMode::Amount:
        if (!ReadAmount(p, req.text.trimmed(), amt))
            return false;
        where = QStringLiteral("WHERE ( t.Amt = :amt )");
        break;
    case SearchMode::TxnId:
        if (!ReadWholeNumber(p, req.text, number))
            return false;
        where = QStringLiteral("WHERE ( t.Id = :txnid )");
        break;
    case SearchMode::Instances:
        if (!ReadWholeNumber(p, req.text, number))
            return false;
        where = QStringLiteral("WHERE ( t.Masterid = :txnid )");
        break;
    case SearchMode::Text:
        marker = MarkTextMatches(core, req.text);
        if (!marker.isValid())
            return false;
        where = QStringLiteral("WHERE (t.RprTs = :rprts)");
        break;
    case SearchMode::Journal:
        if (!SetDpDates(core))
            return false;
        where = QStringLiteral("WHERE (t.Txndate >= :d1) AND (t.Txndate <= :d2)");
        break;
    case SearchMode::Cancelled:
        where = QStringLiteral("WHERE (t.Cancelled = 1)");
        break;
    case SearchMode::CptyCategory:
        where = QStringLiteral("WHERE ( t.Accid2 = :cptyid ) AND ( t.Accid4 = :potid )");
        break;
    }
    const Names names(core.store());
    Query q(core.store(), kSelect + where + kOrder);
    switch (req.mode) {
    case SearchMode::Amount:
        q.bind("amt", std::int64_t(amt));
        break;
    case SearchMode::TxnId:
    case SearchMode::Instances:
        q.bind("txnid", number);
        break;
    case SearchMode::Text:
        q.bindDateTime("rprts", marker);
        break;
    case SearchMode::Journal:
        q.bind("d1", CalToDateStr(core.settings().BalFrom)).bind("d2", CalToDateStr(core.settings().BalAt));
        break;
    case SearchMode::Cancelled:
        break;
    case SearchMode::CptyCategory:
        q.bind("cptyid", req.cptyId).bind("potid", req.ctgyId);
        break;
    }
    const bool journal = req.mode == SearchMode::Journal;
    while (q.next()) {
        SearchRow r;
        r.Id = q.integer("Id");
        r.Instance = q.integer("Instance");
        r.Masterid = q.integer("Masterid");
        r.Txndate = WithDayOfWeek(DateStrToCal(q.text("Txndate")));
        r.DpDate = q.boolean("DpDate");
        const QString type = q.text("Type");
        r.Type = type.isEmpty() ? ' ' : type.at(0).toLatin1();
        r.Amt = Amount(q.int64("Amt"));
        r.Cancelled = q.boolean("Cancelled");
        r.DateText = (journal && !r.DpDate) ? QString() : CalToDateStrDay(r.Txndate);
        r.InstText = r.Instance > 0 ? QString::number(r.Instance) : QString();
        r.TypeText = TxnTypeShort(r.Type);
        r.Account1 = names.objects.value(q.integer("Accid1"));
        const QString channel = q.isNull("chnum") ? QString() : names.channels.value(q.integer("chnum"));
        if (!channel.isEmpty())
            r.Account1 += QStringLiteral(" / ") + channel;
        r.Account2 = names.objects.value(q.integer("Accid2"));
        r.Account3 = names.objects.value(q.integer("Accid3"));
        r.Account4 = names.objects.value(q.integer("Accid4"));
        r.AmountText = FormatAmount(r.Amt);
        const QString narrative = q.text("Narrative");
        if (r.Cancelled)
            r.Description =
                narrative.isEmpty() ? QStringLiteral("Cancelled") : QStringLiteral("Cancelled - ") + narrative;
        else
            r.Description = narrative;
        rows.push_back(r);
    }
    return q.ok();
}

int LocateSearchRow(const std::vector<SearchRow>& rows, int id) {
    for (int i = 0; i < int(rows.size()); ++i)
        if (rows[size_t(i)].Id == id || rows[size_t(i)].Masterid == id)
            return i;
    return -1;
}

int JumpSearchRow(const std::vector<SearchRow>& rows, const CalDate& date) {
    if (rows.empty())
        return -1;
    const QString target = CalToDateStr(date);
    for (int i = 0; i < int(rows.size()); ++i)
        if (CalToDateStr(rows[size_t(i)].Txndate) >= target)
            return i;
    return int(rows.size()) - 1;
}
