// A fresh ledger for one test: a temporary data folder with the nine tables,
// the scripted prompter, and a core whose today and balance period are fixed
// (today 2024-06-15, period 2024-01-01 to 2024-06-30, no rebalance needed)
// and the clock at 10:00 that day.
#pragma once

#include "base/Clock.h"
#include "base/Dates.h"
#include "base/Prompter.h"
#include "data/Core.h"
#include "data/Store.h"
#include "data/Tables.h"
#include "ledger/LedgerState.h"
#include "ledger/Objects.h"
#include "ledger/Transactions.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <gtest/gtest.h>
#include <vector>

class LedgerFixture : public ::testing::Test {
protected:
    // Time stamps come from a fixed clock; a test moves it on with AdvanceClock.
    FixedClock clock{QDateTime(QDate(2024, 6, 15), QTime(10, 0))};
    TempFolder dir;
    ScriptedPrompter prompter;
    TFCore core{prompter};

    // Schema version the folder is created at; a test class may override it
    // before SetUp runs.
    int schemaVersion = kCurrentSchema;

    void SetUp() override {
        ASSERT_TRUE(dir.valid());
        ASSERT_TRUE(OpenLedgerStore(core.store(), dir.path(), true, schemaVersion));
        core.setDataFolder(dir.path());
        Settings& s = core.settings();
        s.Today = MakeDate(2024, 6, 15);
        s.BalFrom = MakeDate(2024, 1, 1);
        s.BalAt = MakeDate(2024, 6, 30);
        s.RebalNeeded = false;
        s.RecomputeDerived();
    }

    static CalDate D(int y, int m, int d) { return MakeDate(y, m, d); }

    // Stores a new object of kind with its anchor posting; returns its id.
    int addObj(int kind, const QString& name, int grpid = 0) {
        ObjRec r;
        InitObjRec(r);
        r.Type = kind;
        r.Name = name;
        r.Grpid = grpid;
        r.CloseDate = IntToCal(kNotClosed);
        EXPECT_TRUE(AddObj(core, r));
        if (IsLeafKind(kind)) {
            EXPECT_TRUE(EnsureAnchor(core, r.Id));
        }
        return r.Id;
    }

    // A transaction record ready to store.
    static TxnRec txnOf(char type, Amount amt, const CalDate& txndate, int a1, int a2 = 0, int a3 = 0, int a4 = 0) {
        TxnRec t;
        InitTxnRec(t);
        t.Type = type;
        t.Amt = amt;
        t.Txndate = txndate;
        t.Accid1 = a1;
        t.Accid2 = a2;
        t.Accid3 = a3;
        t.Accid4 = a4;
        return t;
    }

    // Stores a new transaction and its postings as one command.
    bool addWithPostings(TxnRec& t) {
        StoreTransaction st(core.store());
        return AddTxn(core, t) && MakePostings(core, t) && st.commit();
    }

    // The postings of a transaction, by object id.
    std::vector<PstgRec> postingsOf(int txnid) {
        std::vector<PstgRec> out;
        Query q(core.store(), QStringLiteral("SELECT * FROM pstg WHERE Txnid = :t ORDER BY Objid"));
        q.bind("t", txnid);
        while (q.next()) {
            PstgRec p;
            ReadCurrentPstg(core, q, p);
            out.push_back(p);
        }
        return out;
    }

    const PstgRec* find(const std::vector<PstgRec>& ps, int objid) {
        for (const PstgRec& p : ps)
            if (p.Objid == objid)
                return &p;
        return nullptr;
    }

    std::int64_t scalar(const QString& sql) { return Scalar(core.store(), sql); }
};
