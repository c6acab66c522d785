// The process-wide settings of the open database (section "main" of
// KOVRALDB.INI) and the values derived from them.
//
// One Settings lives in the core holder; the settings file reader fills it when
// a database opens and the writer stores it when it closes.  Dates are held as
// calendar dates, as everywhere in memory.
#pragma once

#include "base/Dates.h"

#include <QString>

struct Settings {
    int DefaultCashId = 0;
    int DefaultCptyId = 0;
    int DefaultCtgyId = 0;
    int DefaultPotId = 0;
    int SweepToPotId = 0;
    int OpeningBalPotId = 0;
    int DormantAfter = 365;
    CalDate BalFrom;         // first day of the balance period
    CalDate BalAt;           // last day of the balance period; today when absent
    bool RebalNeeded = false;
    QString DatabaseName = QStringLiteral("x");
    int FinancialYearDay1 = 1;
    int FinancialYearMonth1 = 1;
    bool PostingsTxnIdVisible = true;
    bool PostingsTypeVisible = true;
    bool PostingsRefVisible = true;
    bool PostingsPotNameVisible = false;
    CalDate DBStartDate;
    CalDate DBEndDate;
    int DBvn = 18;
    CalDate GenTo;
    int CashbackAccId = 0;
    int PeriodType = 0;
    bool PeriodAutoRefresh = false;

    // Derived values, recomputed on opening and after every rebalance.
    DateInt DormantCutoff = 0; // today minus DormantAfter days
    DateInt BalAtInt = 0;
    DateInt BalFromInt = 0;

    // The program's today: the system date taken once at start.  It does not
    // move on if the program runs past midnight.  Tests set it.
    CalDate Today;

    void RecomputeDerived();
};
