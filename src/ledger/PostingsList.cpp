// The postings of one account as the postings view lists them; see
// PostingsList.h.
#include "ledger/PostingsList.h"

#include "base/Clock.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Settings.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Repeaters.h"
#include "ledger/Transactions.h"

#include <QDateTime>
#include <QHash>
#include <algorithm>
#include <set>
#include <sqlite3.h>

namespace {

constexpr int kListCacheKiB = 128 * 1024;

Amount Clamp(Amount64 v) {
    return Amount(std::clamp<Amount64>(v, kMinAmount, kMaxAmount));
}

bool IsPaytOrRcpt(char t) {
    return t == TxnType::CashPayt || t == TxnType::CashRcpt || t == TxnType::CredPurch || t == TxnType::CredSale;
}

// "a<sep>b", either alone when the other is empty.
QString JoinNonEmpty(const QString& a, const QString& sep, const QString& b) {
    if (a.isEmpty())
        return b;
    if (b.isEmpty())
        return a;
    return a + sep + b;
}

QString DateText(DateInt stored) {
    return stored == 0 ? QString() : CalToDateStrDay(IntToCal(stored));
}

// Rewrites the posting of a pot or category side of txn: old posting of
// oldId removed, newId's posting written with the side's signed amount.
bool RepostSide(TFCore& core, const TxnRec& txn, int oldId, int newId, int contra, bool debit) {
    if (oldId > 0 && !DeletePstg(core, txn.Id, oldId))
        return false;
    const Amount magnitude = txn.Amt < 0 ? -txn.Amt : txn.Amt;
    PstgRec p;
    InitPstgRec(p);
    p.Txnid = txn.Id;
    p.Objid = newId;
    p.Contra = contra;
    p.Amt = txn.Cancelled ? 0 : (debit ? -magnitude : magnitude);
    p.Pstgdate = txn.Txndate;
    p.Txntype = txn.Type;
    return WritePstg(core, p);
}

bool SetTxnAccounts(TFCore& core, const TxnRec& txn) {
    Query u(core.store(), QStringLiteral("UPDATE txn SET Accid1 = :a1, Accid2 = :a2, Accid3 = :a3, Accid4 = :a4,"
                                         " EditTS = :ts WHERE Id = :id"));
    u.bind("a1", txn.Accid1).bind("a2", txn.Accid2).bind("a3", txn.Accid3).bind("a4", txn.Accid4);
    u.bindDateTime("ts", Now()).bind("id", txn.Id);
    return u.exec();
}

} // namespace

BroughtForward ComputeBroughtForward(const Settings& s, const ObjRec& account, const MovtRec& movt, PostingsWhen when) {
    BroughtForward b;
    const bool hasOpenDate = !IsNullDate(account.OpenDate);
    const bool openedInPeriod = when != PostingsWhen::All && hasOpenDate && !DateBefore(account.OpenDate, s.BalFrom) &&
                                !DateAfter(account.OpenDate, s.BalAt);
    if ((when == PostingsWhen::All && hasOpenDate) || openedInPeriod) {
        b.text = QStringLiteral("Account opened");
        b.date = account.OpenDate;
        b.amount = account.BfdBal;
    } else if (when == PostingsWhen::All) {
        b.text = QStringLiteral("B/fd from prior records");
        b.date = s.DBStartDate;
        b.amount = account.BfdBal;
    } else {
        b.text = QStringLiteral("B/fd from prior period(s)");
        b.date = s.BalFrom;
        b.amount = Clamp(Amount64(account.BfdBal) + movt.Prepdnet);
    }
    return b;
}

QString PostingsListSql(const PostingsOptions& o) {
    // The names of the contra object, the external account, the pot, the
    // category and the channel are looked up in memory by the ids read here
    // (LoadPostings): joining obj four times and channel once for each of a
    // hundred thousand postings would cost more than the rest of the load.
    QString sql = QStringLiteral(
        "SELECT p.rowid, p.txnid, p.objid, p.pstgdate, p.dppstgdate, p.dprngbal, p.amt, p.rngbal, p.reconcode,"
        " p.recamt, p.contra, p.txntype, p.chnum, t.chnum, t.ref, t.narrative, t.cancelled, t.masterid,"
        " t.instance, t.accid1, t.accid3, t.accid4"
        " FROM pstg p LEFT JOIN txn t ON (t.id = p.txnid)");
    sql += o.includeDiary ? QStringLiteral(" WHERE ( (p.objid = :acc) OR (p.txntype = 'D') )")
                          : QStringLiteral(" WHERE (p.objid = :acc)");
    if (o.channel >= 0)
        sql += QStringLiteral(" AND (p.chnum = :chnum)");
    if (o.style == PostingsStyle::Postings)
        sql += QStringLiteral(" AND ( p.txntype <> 'A' )");
    if (o.when == PostingsWhen::Period)
        sql += QStringLiteral(" AND ( ( p.pstgdate = '0000-00-00' ) OR ( (p.pstgdate >= :fromdate) AND (p.pstgdate <= "
                              ":todate) ) )");
    else if (o.when == PostingsWhen::PeriodPlus)
        sql += QStringLiteral(" AND ( ( p.pstgdate = '0000-00-00' ) OR (p.pstgdate >= :fromdate) )");
    sql += QStringLiteral(" ORDER BY p.pstgdate, p.txntype, p.txnid");
    return sql;
}

QString PostingsList::ref(const PostingRow& r) const {
    return QString::fromUtf8(texts.constData() + r.textAt, qsizetype(r.refLen));
}

QString PostingsList::narrative(const PostingRow& r) const {
    return QString::fromUtf8(texts.constData() + r.textAt + r.refLen, qsizetype(r.narrLen));
}

QString PostingDateText(DateInt date) {
    return CalToDateStr(IntToCal(date));
}

bool LoadPostings(TFCore& core, int accountId, const PostingsOptions& options, PostingsList& list,
                  StoreBalances store) {
    list = PostingsList();
    list.options = options;
    if (!ReadObj(core, accountId, list.account))
        return false;
    const int kind = list.account.Type;
    if (kind == otCtgy || kind == otCpty)
        list.options.style = PostingsStyle::Postings;
    if (!ReadMovt(core, accountId, list.movt))
        MovtFromObj(list.account, list.movt);
    if (!EnsureAnchor(core, accountId))
        return false;
    const Settings& s = core.settings();
    list.bfd = ComputeBroughtForward(s, list.account, list.movt, list.options.when);
    // A statement of all dates and channels lists every posting that the
    // running balances run over: they are then checked and brought up to
    // date from the rows as read (RefreshRunningBalances) rather than by a
    // second walk over the account.
    const bool statement = list.options.style == PostingsStyle::Statement;
    const bool wholeAccount = list.options.when == PostingsWhen::All && list.options.channel < 0;
    if (statement && !wholeAccount)
        SetRngBal(core, accountId, s.BalAt);

    // Keep the pages of a large account in SQLite's own cache between
    // refreshes rather than reading them from the file system each time.
    Store& db = core.store();
    db.exec(QStringLiteral("PRAGMA pstg.cache_size = -%1; PRAGMA txn.cache_size = -%1").arg(kListCacheKiB));
    {
        Query q(db, QStringLiteral("SELECT Id, Name FROM obj"));
        while (q.next())
            list.names.insert(int(q.int64(0)), q.text(1));
        Query c(db, QStringLiteral("SELECT Chnum, ChName FROM channel"));
        while (c.next())
            list.channels.insert(int(c.int64(0)), c.text(1));
        if (!q.ok() || !c.ok())
            return false;
    }
    const QString sql = PostingsListSql(list.options);
    sqlite3_stmt* st = db.acquire(sql);
    if (!st)
        return false;
    auto bindInt = [st](const char* name, int v) { sqlite3_bind_int(st, sqlite3_bind_parameter_index(st, name), v); };
    auto bindDate = [st](const char* name, const CalDate& d) {
        const QByteArray text = CalToDateStr(d).toLatin1();
        sqlite3_bind_text(st, sqlite3_bind_parameter_index(st, name), text.constData(), int(text.size()),
                          SQLITE_TRANSIENT);
    };
    bindInt(":acc", accountId);
    if (list.options.channel >= 0)
        bindInt(":chnum", list.options.channel);
    if (list.options.when != PostingsWhen::All)
        bindDate(":fromdate", s.BalFrom);
    if (list.options.when == PostingsWhen::Period)
        bindDate(":todate", s.BalAt);
    // Columns by position, in the order of the query.
    enum {
        cRowid,
        cTxnid,
        cObjid,
        cDate,
        cDpDate,
        cDpBal,
        cAmt,
        cRngBal,
        cReconCode,
        cRecamt,
        cContra,
        cType,
        cChnum,
        cTxnChnum,
        cRef,
        cNarr,
        cCancelled,
        cMaster,
        cInstance,
        cAccid1,
        cAccid3,
        cAccid4
    };
    auto appendText = [&list, st](int col) {
        const int n = sqlite3_column_bytes(st, col);
        if (n > 0)
            list.texts.append(reinterpret_cast<const char*>(sqlite3_column_text(st, col)), n);
        return std::uint32_t(n);
    };
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW) {
        PostingRow& r = list.rows.emplace_back();
        r.rowid = sqlite3_column_int64(st, cRowid);
        r.txnid = sqlite3_column_int(st, cTxnid);
        r.objid = sqlite3_column_int(st, cObjid);
        r.pstgdate = ParseDateBytes(sqlite3_column_text(st, cDate), sqlite3_column_bytes(st, cDate));
        r.dppstgdate = sqlite3_column_int(st, cDpDate) != 0;
        r.dprngbal = sqlite3_column_int(st, cDpBal) != 0;
        r.amt = Amount(sqlite3_column_int(st, cAmt));
        r.rngbal = Amount(sqlite3_column_int(st, cRngBal));
        r.reconcode = sqlite3_column_int(st, cReconCode);
        r.recamt = Amount(sqlite3_column_int(st, cRecamt));
        r.contra = sqlite3_column_int(st, cContra);
        const unsigned char* type = sqlite3_column_text(st, cType);
        r.txntype = sqlite3_column_bytes(st, cType) == 1 ? char(type[0]) : ' ';
        r.chnum = sqlite3_column_int(st, cChnum);
        r.txnchnum = sqlite3_column_int(st, cTxnChnum);
        r.textAt = std::uint32_t(list.texts.size());
        r.refLen = appendText(cRef);
        r.narrLen = appendText(cNarr);
        r.cancelled = sqlite3_column_int(st, cCancelled) != 0;
        r.masterid = sqlite3_column_int(st, cMaster);
        r.instance = sqlite3_column_int(st, cInstance);
        r.accid1 = sqlite3_column_int(st, cAccid1);
        r.accid3 = sqlite3_column_int(st, cAccid3);
        r.accid4 = sqlite3_column_int(st, cAccid4);

        if (r.amt < 1)
            list.negative += r.amt;
        else
            list.positive += r.amt;
        if (IsPaytOrRcpt(r.txntype))
            list.canAssignCategory = list.canAssignPot = true;
        else if (r.txntype == TxnType::PotTfr)
            list.canAssignPot = true;
    }
    const bool ok = rc == SQLITE_DONE;
    if (!ok)
        db.reportError();
    db.release(sql, st);
    if (!ok)
        return false;
    return !(statement && wholeAccount) || RefreshRunningBalances(core, list, store);
}

bool RefreshRunningBalances(TFCore& core, PostingsList& list, StoreBalances store) {
    const int objid = list.account.Id;
    // The account's own postings in running-balance order: all but anchors
    // and diary entries (the list's order is the walk's).
    std::vector<PostingRow*> own;
    own.reserve(list.rows.size());
    for (PostingRow& r : list.rows)
        if (r.objid == objid && r.txntype != TxnType::Anchor && r.txntype != TxnType::Diary)
            own.push_back(&r);
    Amount64 bal = list.account.BfdBal;
    std::vector<RngBalWrite> changed;
    for (size_t i = 0; i < own.size(); ++i) {
        PostingRow& r = *own[i];
        bal += r.amt;
        if (!FitsAmount(bal)) {
            SetRngBal(core, objid, core.settings().BalAt); // reports the figure, writes nothing
            return false;
        }
        const bool first = i == 0 || own[i - 1]->pstgdate != r.pstgdate;
        const bool last = i + 1 == own.size() || own[i + 1]->pstgdate != r.pstgdate;
        if (Amount(bal) != r.rngbal || first != r.dppstgdate || last != r.dprngbal) {
            r.rngbal = Amount(bal);
            r.dppstgdate = first;
            r.dprngbal = last;
            changed.push_back({r.rowid, r.rngbal, first, last});
        }
    }
    if (store == StoreBalances::Later) {
        if (!changed.empty()) {
            SortByRowid(changed);
            list.balanceWrites = std::move(changed);
            list.balanceWritesDone = 0;
            list.balanceConnection = core.store().handle();
            list.balanceChanges = core.store().changeCount();
            list.balancesToStore = true;
        }
        return true;
    }
    return WriteRunningBalances(core, changed);
}

bool StoreRunningBalances(TFCore& core, PostingsList& list, std::size_t maxRows) {
    if (!list.balancesToStore)
        return true;
    // Ends the store: done, or tried once and failed (reported; the next
    // loading of the account finds what is still stale).
    auto finish = [&list](bool ok) {
        list.balancesToStore = false;
        list.balanceWrites.clear();
        list.balanceWritesDone = 0;
        return ok;
    };
    Store& store = core.store();
    if (!store.isOpen())
        return finish(false);
    if (list.balanceConnection != store.handle() || list.balanceChanges != store.changeCount()) {
        // Something else was written since: what is stale is read again.
        list.balanceWritesDone = 0;
        if (!StaleRunningBalances(core, list.account.Id, list.balanceWrites))
            return finish(false);
    }
    const std::size_t left = list.balanceWrites.size() - list.balanceWritesDone;
    const std::size_t n = maxRows == 0 || maxRows > left ? left : maxRows;
    const auto from = list.balanceWrites.begin() + std::ptrdiff_t(list.balanceWritesDone);
    std::vector<RngBalWrite> part(from, from + std::ptrdiff_t(n));
    if (!WriteRunningBalances(core, part))
        return finish(false);
    list.balanceWritesDone += n;
    list.balanceConnection = store.handle();
    list.balanceChanges = store.changeCount();
    return list.balanceWritesDone < list.balanceWrites.size() || finish(true);
}

QString PostingTypeName(char letter) {
    return letter == ' ' ? QString() : TxnTypeShort(letter);
}

PostingCells CellsOf(const PostingsList& list, int i) {
    PostingCells c;
    const PostingRow& r = list.rows[size_t(i)];
    const bool statement = list.options.style == PostingsStyle::Statement;
    c.amt2 = FormatAmountSigned(r.amt);
    c.potname = list.name(r.accid3);
    c.ref = list.ref(r);
    if (r.txntype == TxnType::Anchor) {
        c.type2 = QStringLiteral("B/FD");
        (list.bfd.amount < 0 ? c.amtminus : c.amtplus) = FormatAmountSigned(list.bfd.amount);
        c.dpnarr = list.bfd.text;
        c.pstgdate2 = IsNullDate(list.bfd.date) ? QString() : CalToDateStrDay(list.bfd.date);
        c.runbal3 = FormatAmountSigned(list.bfd.amount);
        return c;
    }
    if (!statement || r.dppstgdate)
        c.pstgdate2 = DateText(r.pstgdate);
    (r.amt < 1 ? c.amtminus : c.amtplus) = FormatAmountSigned(r.amt);
    if (statement && r.dprngbal)
        c.runbal3 = FormatAmountSigned(r.rngbal);
    if (r.reconcode == 1)
        c.reconciled2 = QStringLiteral("pstg ok");
    if (r.txntype == TxnType::ReconBal) {
        if (!statement)
            c.reconciled2 = FormatAmountSigned(r.recamt);
        else if (r.rngbal == r.recamt)
            c.reconciled2 = QStringLiteral("BAL OK");
        else
            c.reconciled2 = FormatAmountSigned(r.recamt) + QStringLiteral(" ?");
    }
    if (r.cancelled)
        c.reconciled2 = QStringLiteral("cancelled");
    c.type2 = PostingTypeName(r.txntype);
    c.txniddp = r.masterid != 0 ? QString::number(r.masterid) + QLatin1Char('-') + QString::number(r.instance)
                                : QString::number(r.txnid);
    c.dpname = list.name(r.contra);
    const QString narrative = list.narrative(r);
    c.dpnarr = list.account.Type == otCtgy ? narrative : JoinWithColon(list.name(r.accid4), narrative);
    const QString chname = list.channelName(r.txnchnum);
    if (!(r.txntype == TxnType::CashTfr && r.amt >= 0))
        c.chref = chname + QLatin1Char(' ') + c.ref;
    if (IsPaytOrRcpt(r.txntype))
        c.extaccnamedp =
            JoinNonEmpty(list.name(r.accid1), QStringLiteral(" / "), JoinNonEmpty(chname, QStringLiteral(" "), c.ref));
    return c;
}

bool CheckRunningBalances(TFCore& core, const PostingsList& list) {
    if (list.options.style != PostingsStyle::Statement || list.options.channel >= 0)
        return true;
    Prompter& pr = core.prompter();
    Amount64 sum = list.bfd.amount;
    bool dateError = false;
    bool mismatch = false;
    const PostingRow* previous = nullptr;
    for (const PostingRow& r : list.rows) {
        // Anchors and diary entries carry no display flags of their own.
        const bool own = r.txntype != TxnType::Anchor && r.txntype != TxnType::Diary;
        if (own) {
            if (!r.dppstgdate && previous && previous->pstgdate != r.pstgdate && !dateError) {
                pr.InfoAtCursor(QStringLiteral("Posting display date error, please rebalance ") +
                                PostingDateText(r.pstgdate));
                dateError = true;
            }
            previous = &r;
        }
        sum += r.amt;
        if (own && sum != r.rngbal && !mismatch) {
            if (!dateError)
                pr.InfoAtCursor(QStringLiteral("Txn ") + QString::number(r.txnid) +
                                QStringLiteral(" rng bal mismatch - stored: ") + FormatAmount(r.rngbal) +
                                QStringLiteral(" calcd: ") + FormatAmount(Clamp(sum)) +
                                QStringLiteral(" - Rebalance needed"));
            mismatch = true;
        }
    }
    return !mismatch;
}

int RowOfTxn(const PostingsList& list, int txnid) {
    for (size_t i = 0; i < list.rows.size(); ++i)
        if (list.rows[i].txnid == txnid)
            return int(i);
    return -1;
}

int RowOnOrAfter(const PostingsList& list, const CalDate& date) {
    const DateInt target = CalToInt(date);
    for (size_t i = 0; i < list.rows.size(); ++i)
        if (list.rows[i].pstgdate >= target)
            return int(i);
    return int(list.rows.size()) - 1;
}

int LastReconciledRow(const PostingsList& list) {
    for (size_t i = list.rows.size(); i-- > 0;)
        if (list.rows[i].txntype == TxnType::ReconBal)
            return int(i);
    return 0;
}

bool SetPostingReconciled(TFCore& core, int txnid, int objid, bool on) {
    PstgRec p;
    if (!ReadPstg(core, txnid, objid, p))
        return false;
    p.ReconCode = on ? 1 : 0;
    return WritePstg(core, p);
}

bool ReconcileBalanceAt(TFCore& core, int txnid, int objid) {
    PstgRec p;
    if (txnid < 1 || !ReadPstg(core, txnid, objid, p))
        return false;
    StoreTransaction st(core.store());
    if (!st.ok() || !RecordReconciledBalance(core, objid, p.Pstgdate, p.RngBal))
        return false;
    ObjRec obj;
    if (!ReadObj(core, objid, obj))
        return false;
    if (obj.Reconciled.isEmpty() || IsNullDate(obj.ReconciledDate) || DateAfter(p.Pstgdate, obj.ReconciledDate)) {
        obj.Reconciled = CalToDateStr(p.Pstgdate);
        if (!WriteObj(core, obj))
            return false;
    }
    return st.commit();
}

QString SumQuestion(int count, Amount64 total) {
    return QString::number(count) + QStringLiteral(" postings selected sum to ") + FormatAmount(Clamp(total)) +
           QStringLiteral(" - Reconcile?");
}

bool ReconcilePostings(TFCore& core, const std::vector<std::pair<int, int>>& postings) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    for (const auto& [txnid, objid] : postings)
        if (!SetPostingReconciled(core, txnid, objid, true))
            return false;
    return st.commit();
}

bool CancelTransaction(TFCore& core, int id) {
    TxnRec t;
    if (!ReadTxn(core, id, t)) {
        TxnNotFound(core, id);
        return false;
    }
    StoreTransaction st(core.store());
    if (!st.ok() || !DeletePostings(core, t, 'D'))
        return false;
    t.Cancelled = true;
    return WriteTransaction(core, t) && MakePostings(core, t) && st.commit();
}

bool AssignToRows(TFCore& core, const PostingsList& list, const std::vector<int>& rows, int objId, bool pot) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    core.SetRebalNeeded(true);
    const int shown = list.account.Id;
    const bool showingPot = list.account.Type == otPot;
    std::set<int> done;
    for (int i : rows) {
        if (i < 0 || size_t(i) >= list.rows.size())
            continue;
        const PostingRow& r = list.rows[size_t(i)];
        if (r.txntype == TxnType::Anchor || r.txntype == TxnType::ReconBal || !done.insert(r.txnid).second)
            continue;
        TxnRec t;
        if (!ReadTxn(core, r.txnid, t))
            continue;
        const bool debit = t.Type == TxnType::CashPayt || t.Type == TxnType::CredPurch;
        if (IsPaytOrRcpt(t.Type)) {
            int& side = pot ? t.Accid3 : t.Accid4;
            if (!RepostSide(core, t, side, objId, t.Accid2, debit))
                return false;
            side = objId;
            if (!SetTxnAccounts(core, t))
                return false;
        } else if (pot && showingPot && t.Type == TxnType::PotTfr && (t.Accid1 == shown || t.Accid2 == shown)) {
            const TxnRec before = t;
            if (!DeletePstg(core, t.Id, shown))
                return false;
            const bool first = t.Accid1 == shown;
            (first ? t.Accid1 : t.Accid2) = objId;
            if (t.Accid1 == t.Accid2) {
                if (!DeleteTxnWithPostings(core, before, 'D'))
                    return false;
                continue;
            }
            if (!RepostSide(core, t, 0, objId, first ? t.Accid2 : t.Accid1, first) || !SetTxnAccounts(core, t))
                return false;
        }
    }
    return st.commit();
}

QString PeriodDescription(const Settings& s) {
    return QStringLiteral("From ") + CalToDateStr(s.BalFrom) + QStringLiteral(" to ") + CalToDateStr(s.BalAt);
}

QString PostingsExportTitle(const Settings& s, const QString& caption, const QString& accountLabel,
                            const PostingsList& list) {
    QString title =
        QStringLiteral("KOVRAL ") + caption + QLatin1Char(' ') + QLatin1Char('"') + accountLabel + QLatin1Char('"');
    if (list.options.when == PostingsWhen::Period)
        title += QStringLiteral("  Period ") + PeriodDescription(s);
    else if (list.options.when == PostingsWhen::PeriodPlus)
        title += QStringLiteral("  From ") + CalToDateStr(s.BalFrom);
    title += QStringLiteral("  B/fd bal = ") + FormatAmount(list.bfd.amount);
    return title;
}
