// A real data folder under a temporary program folder, opened through
// OpenDatabase so that the health check's close, backup and reopen run for
// real, with a small sound ledger: groups, accounts, a channel, one
// transaction of every type, a cancelled payment and an active repeater with
// three instances.  Tests damage it with plain SQL and run the check.
#pragma once

#include "LedgerFixture.h"
#include "data/Tables.h"
#include "ledger/Database.h"
#include "ledger/HealthCheck.h"
#include "ledger/Repeaters.h"

#include <QFile>
#include <functional>

// Records what a run shows; onInput runs at every row (the user's chance to
// press Cancel).
class RecordingView : public HealthCheckView {
public:
    QStringList lines;
    QStringList progress;
    int started = 0;
    int finished = 0;
    HchkMode startedMode = HchkMode::Check;
    std::function<void()> onInput;

    void RunStarted(HchkMode mode) override {
        ++started;
        startedMode = mode;
        lines.clear();
    }
    void AddLogLine(const QString& line) override { lines << line; }
    void SetProgress(const QString& text) override { progress << text; }
    void ProcessInput() override {
        if (onInput)
            onInput();
    }
    void RunFinished() override { ++finished; }
};

class HealthCheckFixture : public LedgerFixture {
protected:
    TempFolder program;
    RecordingView view;
    HealthCheck hc{core, view};

    int banks = 0, bank = 0, cash = 0, shop = 0, employer = 0, spending = 0, food = 0, general = 0, groceries = 0,
        salary = 0;
    int payId = 0, rcptId = 0, tfrId = 0, potTfrId = 0, bothTfrId = 0, diaryId = 0, reconId = 0, cancelledId = 0;
    RptrRec rptr;

    void SetUp() override {
        LedgerFixture::SetUp();
        ASSERT_TRUE(program.valid());
        core.setProgramFolder(program.path());
        core.store().close();
        ASSERT_EQ(OpenDatabase(core), OpenResult::Opened);
        buildLedger();
        prompter.clearRecorded();
        // The window's turn on every row, as the tests below count on.
        hc.setInputInterval(0);
    }

    void exec(const QString& sql) { ASSERT_TRUE(core.store().exec(sql)) << sql.toStdString(); }

    bool run(HchkMode mode) { return hc.Run(mode); }
    bool has(const QString& line) const { return view.lines.contains(line); }
    bool hasStarting(const QString& head) const {
        for (const QString& l : view.lines)
            if (l.startsWith(head))
                return true;
        return false;
    }
    QString dump() const { return view.lines.join(QLatin1Char('\n')); }
    static QString S(int v) { return QString::number(v); }

    // Damage in check mode is found with the line given; repair mode mends
    // it; the recheck after it is clean.
    void expectRepairable(const QString& line) {
        EXPECT_FALSE(run(HchkMode::Check));
        EXPECT_TRUE(has(QStringLiteral("Error (can auto-repair) : ") + line)) << dump().toStdString();
        EXPECT_FALSE(run(HchkMode::Repair));
        EXPECT_TRUE(has(QStringLiteral("Error (can auto-repair) : ") + line)) << dump().toStdString();
        EXPECT_TRUE(run(HchkMode::Check)) << dump().toStdString();
    }

private:
    void buildLedger() {
        banks = addObj(otExtGrp, QStringLiteral("Banks"));
        bank = addObj(otExtAcc, QStringLiteral("Bank"), banks);
        cash = addObj(otExtAcc, QStringLiteral("Cash"));
        shop = addObj(otCpty, QStringLiteral("Shop"));
        employer = addObj(otCpty, QStringLiteral("Employer"));
        spending = addObj(otPgrp, QStringLiteral("Spending"));
        food = addObj(otPot, QStringLiteral("Food"), spending);
        general = addObj(otPot, QStringLiteral("General"));
        groceries = addObj(otCtgy, QStringLiteral("Groceries"));
        salary = addObj(otCtgy, QStringLiteral("Salary"));
        exec(QStringLiteral("UPDATE obj SET BfdBal = 10000 WHERE Id IN (%1, %2)").arg(bank).arg(general));
        exec(QStringLiteral("INSERT INTO channel (Chnum, AccId, ChName, ChSts) VALUES (1, %1, 'Card', 0)").arg(bank));

        TxnRec pay = txnOf('P', 1234, D(2024, 3, 1), bank, shop, food, groceries);
        pay.chnum = 1;
        ASSERT_TRUE(addWithPostings(pay));
        payId = pay.Id;
        TxnRec rcpt = txnOf('R', 100000, D(2024, 3, 2), bank, employer, general, salary);
        rcpt.Date2 = D(2024, 3, 4);
        ASSERT_TRUE(addWithPostings(rcpt));
        rcptId = rcpt.Id;
        TxnRec tfr = txnOf('T', 5000, D(2024, 3, 3), bank, cash);
        ASSERT_TRUE(addWithPostings(tfr));
        tfrId = tfr.Id;
        TxnRec g = txnOf('G', 500, D(2024, 3, 5), food, general);
        ASSERT_TRUE(addWithPostings(g));
        potTfrId = g.Id;
        TxnRec c = txnOf('C', 700, D(2024, 3, 6), bank, cash, general, food);
        ASSERT_TRUE(addWithPostings(c));
        bothTfrId = c.Id;
        TxnRec d = txnOf('D', 0, D(2024, 3, 7), 0);
        d.Narrative = QStringLiteral("dentist");
        ASSERT_TRUE(addWithPostings(d));
        diaryId = d.Id;
        ASSERT_TRUE(RecordReconciledBalance(core, bank, D(2024, 3, 8), 12345));
        reconId = int(scalar(QStringLiteral("SELECT max(Id) FROM txn")));
        TxnRec x = txnOf('P', 999, D(2024, 3, 9), cash, shop, food, groceries);
        x.Cancelled = true;
        ASSERT_TRUE(addWithPostings(x));
        cancelledId = x.Id;

        InitRptrRec(rptr);
        rptr.Type = 'P';
        rptr.Amt = 2000;
        rptr.Accid1 = bank;
        rptr.Accid2 = shop;
        rptr.Accid3 = food;
        rptr.Accid4 = groceries;
        rptr.Freq = 'M';
        rptr.StartDate = D(2024, 5, 1);
        rptr.RptActive = true;
        ASSERT_TRUE(WriteRepeater(core, rptr));
        GenerateInstances(core, rptr, D(2024, 6, 15));
        ASSERT_EQ(rptr.Gento, 3);
    }
};
