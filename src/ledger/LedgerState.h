// The ledger core's per-run state.
//
// A few values are shared by every caller of the ledger core for as long as
// the program runs: the object note buffers, the switch that tells ReadObj
// whether to report a missing id, and the in-memory records of the sweep-to
// pot and the opening-balance pot (loaded when a data folder opens).  They
// live in one LedgerState kept alive by the core holder (TFCore::ledgerState)
// and reached through Ledger(core), which creates it on first use.
#pragma once

#include "ledger/Channels.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"

#include <QDateTime>
#include <QString>

class TFCore;

struct LedgerState {
    // Note of the object last read by ReadObj.
    QString readNote;
    // Note to store with the next full write of an object, when notePending
    // is raised; the write clears the flag.  A caller fills both immediately
    // before its WriteObj (SetWriteNote).
    QString writeNote;
    bool notePending = false;

    // ReadObj reports a missing id ("obj not found <id>") while this is on.
    // The health check and id-probing dialogs switch it off (NotFoundQuiet).
    bool reportNotFound = true;

    // The pot that receives sweeps (settings SweepToPotId) and the pot that
    // balances opening-balance changes (OpeningBalPotId); empty records
    // (Id 0) until loaded.
    ObjRec sweepToPot;
    ObjRec openingBalPot;

    // Balances: when the latest rebalance walked the postings (null before
    // the first one of the run), and whether the movts paths are set (false
    // from the moment a rebalance empties movts until SetPaths has run).
    QDateTime lastRebalance;
    bool pathsSet = true;

    // What the screens hand each other: the object chosen last in the account
    // picker, the find-account dialog or an editor, and the channel chosen
    // last for an external account.
    ObjRec pickedObj;
    ChannelRec pickedChannel;
    // The entry form's current transaction (the template of the next New and
    // the record a sweep proposal starts from) and its mode: 'N' new, 'E'
    // edit, 'D' display.
    TxnRec entryTxn;
    char entryMode = 'N';
};

// The core's ledger state, created on first use.
LedgerState& Ledger(TFCore& core);

// Fills the write-note buffer and raises the note-pending flag: the next full
// object write stores text as that object's Note.
void SetWriteNote(TFCore& core, const QString& text);

// Switches the not-found report of ReadObj off for a scope and restores the
// previous setting when the scope ends.
class NotFoundQuiet {
public:
    explicit NotFoundQuiet(TFCore& core);
    ~NotFoundQuiet();
    NotFoundQuiet(const NotFoundQuiet&) = delete;
    NotFoundQuiet& operator=(const NotFoundQuiet&) = delete;

private:
    LedgerState& m_state;
    bool m_was;
};
