// The sweep commands of the balances and postings views: confirming the
// sweep-to pot, sweeping one balance through the entry form, sweeping a pot
// group, deleting a sweep.  The work itself is in ledger/Sweeps.h.
#include "base/Prompter.h"

#include "base/Clock.h"
#include "data/Core.h"
#include "data/Tables.h"
#include "forms/Screens.h"
#include "ledger/LedgerState.h"
#include "ledger/Sweeps.h"

#include <QDateTime>

bool ConfirmSweepToPot(TFCore& core) {
    const ObjRec pot = Ledger(core).sweepToPot;
    switch (core.prompter().AskAtCursor(SweepToPotQuestion(pot))) {
    case 'Y':
        return true;
    case 'N':
        if (!Pick(core, otPot, pot.Id))
            return false;
        SetSweepToPot(core, PickedObj(core));
        return true;
    default:
        return false;
    }
}

bool SweepBalance(TFCore& core, int accountId, Amount balance, const CalDate& date) {
    const SweepRequest request{accountId, Ledger(core).sweepToPot.Id, balance, date};
    // The entry form proposes nothing when either account cannot be read or
    // the account cannot be swept.
    return NewSweepTransaction(core, request, SweepNarrative(Now()));
}

void SweepGroup(TFCore& core, int groupId) {
    int swept = 0;
    SweepGroupPots(core, groupId, SweepNarrative(Now()), swept);
}

bool DeleteSweep(TFCore& core, const CalDate& date, const QString& narrative) {
    return DeleteSweepTxns(core, date, narrative);
}
