#include "data/Settings.h"

void Settings::RecomputeDerived() {
    CalDate cut = Today;
    PrevDays(cut, DormantAfter);
    DormantCutoff = CalToInt(cut);
    BalAtInt = CalToInt(BalAt);
    BalFromInt = CalToInt(BalFrom);
}
