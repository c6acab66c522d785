// Postings: reading and writing PSTG.DB rows, the posting rules of every
// transaction type, anchor postings and deleting a transaction's postings.
//
// Whether the period summaries went stale is decided here, row by row: a
// posting that can change a figure of the balance period (on or before BalAt)
// sets RebalNeeded.  Deleting such a posting does the same, so that moving a
// transaction out of the period by amendment or re-dating is not missed.
#include "ledger/Transactions.h"

#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"

#include <algorithm>
#include <vector>

namespace {

void markStale(TFCore& core) {
    if (!core.settings().RebalNeeded)
        core.SetRebalNeeded(true);
}

bool inPeriodReach(TFCore& core, const CalDate& d) {
    return DateOnOrBefore(d, core.settings().BalAt);
}

// Reports each id of ids that no object has (while the report-not-found switch
// is on), in the order given: one query for the whole transaction.
void reportMissingObjects(TFCore& core, const std::vector<int>& ids) {
    if (!Ledger(core).reportNotFound)
        return;
    std::vector<int> wanted;
    for (int id : ids)
        if (id != 0)
            wanted.push_back(id);
    if (wanted.empty())
        return;
    std::vector<int> found;
    {
        Query q(core.store(), QStringLiteral("SELECT Id FROM obj WHERE Id IN (:a, :b, :c, :d)"));
        q.bind("a", wanted[0])
            .bind("b", wanted.size() > 1 ? wanted[1] : 0)
            .bind("c", wanted.size() > 2 ? wanted[2] : 0)
            .bind("d", wanted.size() > 3 ? wanted[3] : 0);
        while (q.next())
            found.push_back(q.integer("Id"));
    }
    for (int id : wanted)
        if (std::find(found.begin(), found.end(), id) == found.end())
            ObjNotFound(core, id);
}

} // namespace

void InitPstgRec(PstgRec& pstg) {
    pstg = PstgRec();
}

bool IsPostingType(char c) {
    switch (c) {
    case 'A':
    case 'C':
    case 'D':
    case 'G':
    case 'P':
    case 'R':
    case 'T':
    case 'X':
    case 'Y':
    case 'Z':
        return true;
    default:
        return false;
    }
}

QString PostingLabel(const PstgRec& pstg) {
    return QString::number(pstg.Txnid) + QStringLiteral("-") + QString::number(pstg.Objid);
}

void ReadCurrentPstg(TFCore& core, const Query& q, PstgRec& pstg) {
    InitPstgRec(pstg);
    pstg.Txnid = q.integer("Txnid");
    pstg.Amt = q.integer("Amt");
    pstg.Recamt = q.integer("Recamt");
    pstg.Objid = q.integer("Objid");
    pstg.Contra = q.integer("Contra");
    const QString date = q.text("Pstgdate");
    if (date.isEmpty())
        core.prompter().ShowMessage(QStringLiteral("Null posting date for ") + PostingLabel(pstg) +
                                    QStringLiteral("- cannot repair"));
    pstg.Pstgdate = DateStrToCal(date);
    pstg.ReconCode = q.integer("ReconCode");
    pstg.RngBal = q.integer("RngBal");
    pstg.Rprts = q.dateTime("Rprts");
    const QString type = q.text("Txntype");
    if (!type.isEmpty())
        pstg.Txntype = type.at(0).toLatin1();
    pstg.DpPstgDate = q.boolean("DpPstgDate");
    pstg.DpRngBal = q.boolean("DpRngBal");
    pstg.chnum = q.hasColumn("chnum") ? q.integer("chnum") : 0;
    if (!IsPostingType(pstg.Txntype)) {
        // Repaired in memory only; the health check rewrites the row.
        core.prompter().ShowMessage(QStringLiteral("Posting has invalid txn type ") + PostingLabel(pstg));
        TxnRec txn;
        if (ReadTxn(core, pstg.Txnid, txn))
            pstg.Txntype = txn.Type;
    }
}

bool ReadPstg(TFCore& core, int txnid, int objid, PstgRec& pstg) {
    InitPstgRec(pstg);
    Query q(core.store(), QStringLiteral("SELECT * FROM pstg WHERE Txnid = :t AND Objid = :o"));
    q.bind("t", txnid).bind("o", objid);
    if (!q.next())
        return false;
    ReadCurrentPstg(core, q, pstg);
    q.reset();
    return true;
}

bool WritePstg(TFCore& core, const PstgRec& pstg) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    bool found = false;
    Amount oldAmt = 0;
    CalDate oldDate;
    {
        Query f(core.store(), QStringLiteral("SELECT Amt, Pstgdate FROM pstg WHERE Txnid = :t AND Objid = :o"));
        f.bind("t", pstg.Txnid).bind("o", pstg.Objid);
        if (f.next()) {
            found = true;
            oldAmt = f.integer("Amt");
            oldDate = DateStrToCal(f.text("Pstgdate"));
            f.reset();
        } else if (!f.ok()) {
            return false;
        }
    }
    const QString type(QLatin1Char(pstg.Txntype ? pstg.Txntype : ' '));
    if (found) {
        Query u(core.store(),
                QStringLiteral("UPDATE pstg SET Amt = :amt, Recamt = :recamt, Contra = :contra, ReconCode = :rc, "
                               "Pstgdate = :date, Txntype = :type, chnum = :chnum WHERE Txnid = :t AND Objid = :o"));
        u.bind("amt", pstg.Amt)
            .bind("recamt", pstg.Recamt)
            .bind("contra", pstg.Contra)
            .bind("rc", pstg.ReconCode)
            .bind("date", CalToDateStr(pstg.Pstgdate))
            .bind("type", type)
            .bind("chnum", pstg.chnum)
            .bind("t", pstg.Txnid)
            .bind("o", pstg.Objid);
        if (!u.exec())
            return false;
    } else {
        // A new row starts with both display flags false; its running balance
        // is the record's (0 except for a reconciled balance) until the
        // account's running balances are refreshed.
        Query i(core.store(),
                QStringLiteral("INSERT INTO pstg (Txnid, Objid, Contra, Amt, Pstgdate, Txntype, RngBal, DpPstgDate, "
                               "DpRngBal, ReconCode, Recamt, chnum) VALUES (:t, :o, :contra, :amt, :date, :type, "
                               ":rngbal, 0, 0, :rc, :recamt, :chnum)"));
        i.bind("t", pstg.Txnid)
            .bind("o", pstg.Objid)
            .bind("contra", pstg.Contra)
            .bind("amt", pstg.Amt)
            .bind("date", CalToDateStr(pstg.Pstgdate))
            .bind("type", type)
            .bind("rngbal", pstg.RngBal)
            .bind("rc", pstg.ReconCode)
            .bind("recamt", pstg.Recamt)
            .bind("chnum", pstg.chnum);
        if (!i.exec())
            return false;
    }
    if (!st.commit())
        return false;
    const CalDate& balAt = core.settings().BalAt;
    bool stale;
    if (!found)
        stale = pstg.Amt != 0 && inPeriodReach(core, pstg.Pstgdate);
    else if (DateAfter(pstg.Pstgdate, balAt) && DateAfter(oldDate, balAt))
        stale = false;
    else
        stale = !(pstg.Amt == oldAmt && DateEqual(pstg.Pstgdate, oldDate));
    if (stale)
        markStale(core);
    return true;
}

bool DeletePstg(TFCore& core, int txnid, int objid) {
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    Amount amt = 0;
    CalDate date;
    {
        Query f(core.store(), QStringLiteral("SELECT Amt, Pstgdate FROM pstg WHERE Txnid = :t AND Objid = :o"));
        f.bind("t", txnid).bind("o", objid);
        if (!f.next())
            return f.ok();
        amt = f.integer("Amt");
        date = DateStrToCal(f.text("Pstgdate"));
        f.reset();
    }
    Query d(core.store(), QStringLiteral("DELETE FROM pstg WHERE Txnid = :t AND Objid = :o"));
    d.bind("t", txnid).bind("o", objid);
    if (!d.exec() || !st.commit())
        return false;
    if (amt != 0 && inPeriodReach(core, date))
        markStale(core);
    return true;
}

bool MakePostings(TFCore& core, TxnRec& txn) {
    if (txn.Role == roleMaster)
        return true;
    const char type = txn.Type;
    const bool signed_ = type == TxnType::CashPayt || type == TxnType::CredPurch || type == TxnType::CashRcpt ||
                         type == TxnType::CredSale || type == TxnType::Tfr || type == TxnType::CashTfr ||
                         type == TxnType::PotTfr;
    if (signed_ && txn.Amt == kMinAmount && !txn.Cancelled) {
        // Its absolute value is no Amount: the postings could not balance.
        core.prompter().ProgramError(QStringLiteral("amount out of range in txn ") + TxnLabel(txn));
        return false;
    }
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec t = txn;
    if (IsNullDate(t.Date2))
        t.Date2 = t.Txndate;

    PstgRec p;
    InitPstgRec(p);
    p.Txnid = t.Id;
    p.Pstgdate = t.Date2;
    p.Amt = t.Cancelled ? 0 : t.Amt;
    p.Txntype = type;
    p.chnum = t.chnum;
    const Amount base = p.Amt;
    const Amount magnitude = base < 0 ? -base : base;

    bool good = true;
    std::vector<int> posted;
    // One posting of P to objid (none for 0): '+' keeps the amount, 'C'
    // credits its absolute value, 'D' debits it.
    auto post = [&](int objid, int contra, char sign) {
        if (!good || objid == 0)
            return;
        p.Objid = objid;
        p.Contra = contra;
        p.Amt = sign == '+' ? base : (sign == 'C' ? magnitude : -magnitude);
        good = WritePstg(core, p);
        posted.push_back(objid);
    };

    switch (type) {
    case TxnType::CashPayt:
    case TxnType::CredPurch:
        post(t.Accid1, t.Accid2, 'D');
        p.chnum = 0;
        post(t.Accid2, t.Accid1, 'C');
        p.Pstgdate = t.Txndate;
        post(t.Accid3, t.Accid2, 'D');
        post(t.Accid4, t.Accid2, 'D');
        break;
    case TxnType::CashRcpt:
    case TxnType::CredSale:
        post(t.Accid1, t.Accid2, 'C');
        p.chnum = 0;
        post(t.Accid2, t.Accid1, 'D');
        p.Pstgdate = t.Txndate;
        post(t.Accid3, t.Accid2, 'C');
        post(t.Accid4, t.Accid2, 'C');
        break;
    case TxnType::Tfr:
        post(t.Accid1, t.Accid2, 'D');
        p.chnum = 0;
        post(t.Accid2, t.Accid1, 'C');
        p.Pstgdate = t.Txndate;
        post(t.Accid3, t.Accid4, 'D');
        post(t.Accid4, t.Accid3, 'C');
        break;
    case TxnType::CashTfr:
        post(t.Accid1, t.Accid2, 'D');
        p.chnum = 0;
        post(t.Accid2, t.Accid1, 'C');
        break;
    case TxnType::PotTfr:
        p.chnum = 0;
        p.Pstgdate = t.Txndate;
        post(t.Accid1, t.Accid2, 'D');
        post(t.Accid2, t.Accid1, 'C');
        break;
    case TxnType::ReconBal:
        // The declared balance, kept also when cancelled.
        p.Objid = t.Accid1;
        p.Contra = 0;
        p.Amt = 0;
        p.Recamt = t.Amt;
        p.RngBal = t.Amt;
        good = WritePstg(core, p);
        posted.push_back(t.Accid1);
        break;
    case TxnType::Diary:
        good = WritePstg(core, p);
        break;
    default:
        break;
    }
    if (!good || !st.commit())
        return false;
    reportMissingObjects(core, posted);
    txn.Date2 = t.Date2;
    return true;
}

bool DeletePostings(TFCore& core, const TxnRec& txn, char mode) {
    // Txnid 0 holds the anchor postings, which no transaction owns.
    if (txn.Id < 1)
        return true;
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    struct Row {
        int objid;
        Amount amt;
        CalDate date;
    };
    std::vector<Row> rows;
    {
        Query q(core.store(), QStringLiteral("SELECT Objid, Amt, Pstgdate FROM pstg WHERE Txnid = :t ORDER BY Objid"));
        q.bind("t", txn.Id);
        while (q.next())
            rows.push_back({q.integer("Objid"), q.integer("Amt"), DateStrToCal(q.text("Pstgdate"))});
        if (!q.ok())
            return false;
    }
    bool stale = false;
    for (const Row& r : rows) {
        if (mode == 'A') {
            // The archive keeps the balance: the amount moves into BfdBal.
            ObjRec obj;
            if (ReadObj(core, r.objid, obj)) {
                const Amount64 sum = Amount64(obj.BfdBal) + r.amt;
                if (!FitsAmount(sum)) {
                    core.prompter().ProgramError(QStringLiteral("b/fd balance out of range for obj ") +
                                                 QString::number(r.objid));
                    return false;
                }
                obj.BfdBal = Amount(sum);
                if (!WriteObj(core, obj))
                    return false;
            }
        }
        if (r.amt != 0 && inPeriodReach(core, r.date))
            stale = true;
    }
    Query d(core.store(), QStringLiteral("DELETE FROM pstg WHERE Txnid = :t"));
    d.bind("t", txn.Id);
    if (!d.exec() || !st.commit())
        return false;
    if (stale)
        markStale(core);
    return true;
}

bool EnsureAnchor(TFCore& core, int objid) {
    if (objid < 1)
        return false;
    {
        Query f(core.store(), QStringLiteral("SELECT 1 FROM pstg WHERE Txnid = 0 AND Objid = :o"));
        f.bind("o", objid);
        if (f.next()) {
            f.reset();
            return true;
        }
        if (!f.ok())
            return false;
    }
    PstgRec a;
    InitPstgRec(a);
    a.Objid = objid;
    a.Txntype = TxnType::Anchor;
    return WritePstg(core, a);
}

bool DeleteAnchor(TFCore& core, int objid) {
    Query d(core.store(), QStringLiteral("DELETE FROM pstg WHERE Txnid = 0 AND Objid = :o"));
    d.bind("o", objid);
    return d.exec();
}
