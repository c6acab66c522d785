// Sweeps: emptying pots (or an external account's balance) into the
// sweep-to pot by transfers that carry the ref "sweep" and one narrative.
#pragma once

#include "base/Amount.h"
#include "base/Dates.h"

// A proposed sweep of one balance: the object swept, the object that
// receives it, the signed balance and the date of the sweep.
struct SweepRequest {
    int sourceId = 0;
    int targetId = 0;
    Amount amount = 0;
    CalDate date;
};
