// Sweeps; see Sweeps.h.
#include "ledger/Sweeps.h"

#include "base/Prompter.h"
#include "base/Text.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/Balances.h"
#include "ledger/LedgerState.h"
#include "ledger/Repeaters.h"

#include <cstdlib>
#include <vector>

namespace {

const QString kSweepRef = QStringLiteral("sweep");

// Pots below group grpid, depth first in Id order, through nested pot groups.
// A group that contains itself (directly or further down) is not walked twice.
void CollectPots(TFCore& core, int grpid, std::vector<ObjRec>& pots, std::vector<int>& seen) {
    for (int id : seen)
        if (id == grpid)
            return;
    seen.push_back(grpid);
    for (const ObjRec& m : OpenGroupMembers(core, grpid, otPot)) {
        if (m.Type == otPot)
            pots.push_back(m);
        else if (m.Type == otPgrp)
            CollectPots(core, m.Id, pots, seen);
    }
}

} // namespace

QString SweepNarrative(const QDateTime& when) {
    return when.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
}

SweepRequest SweepRequestFromPosting(const PstgRec& pstg) {
    SweepRequest r;
    r.sourceId = pstg.Objid;
    r.targetId = pstg.Contra;
    r.amount = pstg.RngBal;
    r.date = pstg.Pstgdate;
    return r;
}

QString SweepToPotQuestion(const ObjRec& pot) {
    return QStringLiteral("Sweep to ") + Quote(pot.Name) + QStringLiteral("- OK?");
}

void SetSweepToPot(TFCore& core, const ObjRec& pot) {
    Ledger(core).sweepToPot = pot;
    core.settings().SweepToPotId = pot.Id;
}

bool SweepGroupPots(TFCore& core, int groupId, const QString& narrative, int& swept) {
    swept = 0;
    ObjRec group;
    if (!ReadObj(core, groupId, group) || group.Type != otPgrp)
        return false;
    const ObjRec& toPot = Ledger(core).sweepToPot;
    if (toPot.Id < 1)
        return false;
    const CalDate balAt = core.settings().BalAt;
    Prompter& p = core.prompter();
    if (!p.AskYesNo(QStringLiteral("Sweep Group ") + Quote(group.Name) + QStringLiteral("to account ") +
                    Quote(toPot.Name) + QStringLiteral("as at ") + CalToDateStr(balAt) + QStringLiteral(" - OK?")))
        return false;

    std::vector<ObjRec> pots;
    std::vector<int> seen;
    CollectPots(core, groupId, pots, seen);

    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    TxnRec t;
    InitTxnRec(t);
    t.Type = TxnType::PotTfr;
    t.Txndate = balAt;
    t.Date2 = balAt;
    t.Ref = kSweepRef;
    t.Narrative = narrative;
    for (const ObjRec& pot : pots) {
        MovtRec movt;
        if (!ReadMovt(core, pot.Id, movt))
            break;
        if (movt.Bal == 0 || pot.Id == toPot.Id)
            continue;
        if (movt.Bal == kMinAmount)
            continue; // no absolute value: nothing sensible to write
        t.Id = 0;
        t.Amt = std::abs(movt.Bal);
        t.Accid1 = movt.Bal > 0 ? pot.Id : toPot.Id;
        t.Accid2 = movt.Bal > 0 ? toPot.Id : pot.Id;
        if (!WriteTransaction(core, t) || !MakePostings(core, t))
            return false;
        if (!RecordReconciledBalance(core, pot.Id, balAt, 0))
            return false;
        ++swept;
    }
    return st.commit();
}

bool DeleteSweepTxns(TFCore& core, const CalDate& date, const QString& narrative) {
    Prompter& p = core.prompter();
    if (!p.AskYesNo(QStringLiteral("OK to delete all transactions dated ") + CalToDateStr(date) +
                    QStringLiteral(" with ref = \"sweep\" and narrative = \"") + narrative + QStringLiteral("\" ?")))
        return false;
    StoreTransaction st(core.store());
    if (!st.ok())
        return false;
    std::vector<int> ids;
    {
        Query q(core.store(), SharedSql::SweepsOfDay);
        q.bind("ref", LeftChars(narrative, 40)).bind("txndate", CalToDateStr(date));
        while (q.next())
            ids.push_back(q.integer("Id"));
        if (!q.ok())
            return false;
    }
    for (int id : ids) {
        TxnRec t;
        if (!ReadTxn(core, id, t)) {
            TxnNotFound(core, id);
            continue;
        }
        if (!DeleteTxnWithPostings(core, t, 'D'))
            return false;
    }
    core.SetRebalNeeded(true);
    if (!st.commit())
        return false;
    p.ShowMessage(QString::number(ids.size()) + QStringLiteral(" transactions deleted"));
    return true;
}

bool DeleteSweepFromPosting(TFCore& core, const PstgRec& pstg) {
    TxnRec t;
    if (!ReadTxn(core, pstg.Txnid, t)) {
        TxnNotFound(core, pstg.Txnid);
        return false;
    }
    switch (core.prompter().AskAtCursor(QStringLiteral("Also delete all other transactions in this sweep ?"))) {
    case 'N': {
        StoreTransaction st(core.store());
        return st.ok() && DeleteTxnWithPostings(core, t, 'D') && st.commit();
    }
    case 'Y':
        // A sweep is identified by its Txndate; the posting's own date can
        // differ from it on the external side of a swept external account.
        return DeleteSweepTxns(core, t.Txndate, t.Narrative);
    default:
        return false;
    }
}
