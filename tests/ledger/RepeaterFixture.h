// A fresh ledger with four accounts for a
// standing order: Bank pays Shop, pot Food, category Groceries.  Today is
// 2024-06-15 and the balance period ends 2024-06-30 (LedgerFixture).
#pragma once

#include "LedgerFixture.h"
#include "ledger/Repeaters.h"

#include <vector>

class RepeaterFixture : public LedgerFixture {
protected:
    int bank = 0, shop = 0, food = 0, groceries = 0;

    void SetUp() override {
        LedgerFixture::SetUp();
        if (HasFatalFailure())
            return;
        bank = addObj(otExtAcc, QStringLiteral("Bank"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        food = addObj(otPot, QStringLiteral("Food"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
    }

    // An active repeater paying amt from Bank to Shop, not yet stored.
    RptrRec payment(char freq, int rptinc, const CalDate& start, Amount amt = 1000) {
        RptrRec r;
        InitRptrRec(r);
        r.Freq = freq;
        r.Rptinc = rptinc;
        r.StartDate = start;
        r.RptActive = true;
        r.Type = 'P';
        r.Amt = amt;
        r.Narrative = QStringLiteral("Rent");
        r.Accid1 = bank;
        r.Accid2 = shop;
        r.Accid3 = food;
        r.Accid4 = groceries;
        return r;
    }

    int store(RptrRec& r) {
        EXPECT_TRUE(WriteRepeater(core, r));
        return r.Id;
    }

    RptrRec reread(int id) {
        RptrRec r;
        EXPECT_TRUE(ReadRepeater(core, id, r));
        return r;
    }

    std::vector<TxnRec> instancesOf(int masterId) {
        std::vector<TxnRec> out;
        Query q(core.store(), SharedSql::InstancesOfMaster);
        q.bind("masterid", masterId);
        while (q.next()) {
            TxnRec t;
            ReadTxnRow(core, q, t);
            out.push_back(t);
        }
        return out;
    }

    std::vector<int> instanceNumbers(int masterId) {
        std::vector<int> out;
        for (const TxnRec& t : instancesOf(masterId))
            out.push_back(t.Instance);
        return out;
    }

    std::vector<QString> instanceDates(int masterId) {
        std::vector<QString> out;
        for (const TxnRec& t : instancesOf(masterId))
            out.push_back(CalToDateStr(t.Txndate));
        return out;
    }

    int idOfInstance(int masterId, int n) {
        for (const TxnRec& t : instancesOf(masterId))
            if (t.Instance == n)
                return t.Id;
        return 0;
    }

    std::int64_t count(const QString& sql) { return scalar(sql); }
};
