// A generator of realistic ledgers, for demonstrations and for measuring speed.
//
// GenerateLedger writes a new data folder through the ledger core's own
// operations, as a user at the screens would: objects through AddObj and
// WriteObj, transactions through WriteTransaction and MakePostings, standing
// orders through MakeRepeater and their generation, statement balances
// through RecordReconciledBalance, and a rebalance at the end.  The result
// holds every transaction type (P, R, X, Y, C with one or both sides, T, G, Z,
// D and cancelled ones), channels, counterparty-category links, repeaters
// with instances and reminders, closed and dormant accounts and groups nested
// to the depth asked.  It is a sound ledger: the health check finds nothing.
//
// The same options and seed give the same tables (apart from the time stamps
// that the core writes): every random choice comes from std::mt19937 through
// plain integer draws, never through the standard distributions, whose
// results differ between library versions.
//
// Money is kept sensible: receipts follow spending so that the accounts stay
// within a few months' spending of their opening balances, pots are topped up
// from the general pot each month, credit cards and trade credit are settled
// monthly, and amounts are scaled down for very large ledgers so that no
// total leaves the Amount range.
#pragma once

#include "base/HeadlessPrompter.h"

#include "base/Dates.h"
#include "base/Prompter.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

class TFCore;

struct GenOptions {
    QString folder;         // the new data folder; must not exist or be empty
    std::uint32_t seed = 1; // the same seed gives the same ledger
    int years = 3;          // span of the ledger, ending on today
    int txnsPerYear = 3000; // ordinary transactions a year (standing orders, transfers and statements come on top)
    int ext = 8;            // external accounts (credit accounts of counterparties come on top); at least 7
    int pots = 8;           // internal accounts; at least 5
    int cptys = 60;         // counterparties; at least 8
    int ctgys = 24;         // categories; at least 10
    int groupDepth = 2;     // levels of groups in each family (0: no groups)
    bool demo = false;      // small, readable ledger
    CalDate today;          // last day of the ledger and the run's today; null = the core's Today
    int batchSize = 5000;   // transactions per store commit while generating
    // Called after each committed batch with the transactions written so far
    // and the number planned (optional).
    std::function<void(int done, int planned)> progress;
};

// The options of the demonstration ledger: two years, a few hundred
// transactions, a handful of banks, shops, employers, pots and categories.
GenOptions DemoOptions();

// Writes a new ledger into opts.folder (made when missing; a folder that
// already holds files is refused with "Folder is not empty " + the folder) and
// leaves it open in core: settings written (KOVRALDB.INI with the balance
// period covering the last year), movts rebuilt by a rebalance.  Options
// outside their ranges are clamped.  While it runs, the store's synchronous
// level is lowered and commits come in batches; a failure leaves the folder
// partly written and gives false (the reason was reported through the
// core's prompter).
bool GenerateLedger(TFCore& core, const GenOptions& opts);

