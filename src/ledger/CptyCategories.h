// The categories linked to a counterparty, per direction of trade.
//
// Every payment or receipt entered links its counterparty to its category in
// cptypot ('P' purchase from, 'S' sale to; see LinkCptyCategory).  The
// counterparty categories window lists these links on three pages and lets
// the user hide links or make one category the default, so that the entry
// form can take the only preferred category without asking.  The lists and
// the link changes are here; the window only shows them.
#pragma once

#include "ledger/Objects.h"

#include <vector>

class TFCore;

// The links of one counterparty in one direction, by lower-case name.
struct CptyCategoryLists {
    std::vector<IdTextRow> preferred; // open and not hidden
    std::vector<IdTextRow> hidden;    // open and hidden
    std::vector<IdTextRow> closed;    // closed (close date below 99999999), hidden or not
    // The id of the only preferred category; 0 unless exactly one.
    int singlePreferred() const { return preferred.size() == 1 ? preferred.front().id : 0; }
};

// Reads the links of cptyId in direction ('P' or 'S').  A link to a category
// that is no longer stored lists under "Closed" with an empty name.
CptyCategoryLists LoadCptyCategories(TFCore& core, int cptyId, char direction);

// Sets the Hidden flag of the link (cptyId, categoryId, direction).  A link
// that is not stored is left alone (true).  False when the store failed.
bool SetCptyLinkHidden(TFCore& core, int cptyId, int categoryId, char direction, bool hidden);

// Asks "Set Category as default for this Counterparty - OK?"; on Yes hides
// every link of the pair to another category that is not hidden yet (open or
// closed), in one store transaction.  True when the change was stored; No
// changes nothing and gives false.
bool SetDefaultCategory(TFCore& core, int cptyId, int categoryId, char direction);

// Asks "Hide all - OK ?"; on Yes hides preferred links, first by name, while
// two or more remain preferred (one store transaction).  True when stored.
bool HideAllButLast(TFCore& core, int cptyId, char direction);
