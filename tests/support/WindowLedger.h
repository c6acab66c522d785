// A ledger for a window test: a temporary data folder with the nine tables,
// the scripted prompter and a core marked open, with today 2024-06-15 and
// the balance period 2024-01-01 to 2024-06-30; objects and payments made
// as the ledger core makes them.
#pragma once

#include "data/Core.h"
#include "data/Tables.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <memory>

struct WindowLedger {
    TempFolder dir;
    ScriptedPrompter prompter;
    TFCore core{prompter};

    // False when the folder or its tables could not be made.
    bool open() {
        if (!dir.valid() || !OpenLedgerStore(core.store(), dir.path(), true))
            return false;
        core.setDataFolder(dir.path());
        core.databaseDetails.open = true;
        Settings& s = core.settings();
        s.Today = MakeDate(2024, 6, 15);
        s.BalFrom = MakeDate(2024, 1, 1);
        s.BalAt = MakeDate(2024, 6, 30);
        s.RecomputeDerived();
        return true;
    }

    // A new object with its anchor posting; its id, or 0.
    int addObj(int kind, const QString& name, int grpid = 0) {
        ObjRec r;
        InitObjRec(r);
        r.Type = kind;
        r.Name = name;
        r.Grpid = grpid;
        r.CloseDate = IntToCal(kNotClosed);
        if (!AddObj(core, r) || (IsLeafKind(kind) && !EnsureAnchor(core, r.Id)))
            return 0;
        return r.Id;
    }

    // A cash payment stored with its postings; its id, or 0.
    int pay(Amount amt, const CalDate& date, int bank, int cpty, int pot, int ctgy,
            const QString& narrative = QString()) {
        TxnRec t;
        InitTxnRec(t);
        t.Type = 'P';
        t.Amt = amt;
        t.Txndate = date;
        t.Narrative = narrative;
        t.Accid1 = bank, t.Accid2 = cpty, t.Accid3 = pot, t.Accid4 = ctgy;
        return AddTxn(core, t) && MakePostings(core, t) ? t.Id : 0;
    }
};
