// Entry points of the screens that are not built yet: each does nothing and
// reports that nothing was chosen or saved, and ScreenBuilt() says false for
// its screen so that callers keep the command that opens it disabled.  A
// module that builds a screen removes its block here.
#include "forms/Screens.h"

bool ScreenBuilt(Screen s) {
    switch (s) {
    case Screen::Picker:
    case Screen::Editors:
    case Screen::Channels:
    case Screen::AccountSearch:
    case Screen::Entry:
    case Screen::Postings:
    case Screen::Balances:
    case Screen::Clipboard:
    case Screen::Search:
    case Screen::Repeaters:
    case Screen::Reminders:
    case Screen::Diary:
    case Screen::Analysis:
        return true;
    case Screen::Display:
    case Screen::Sweeps:
    case Screen::CptyCategories:
        return false;
    }
    return false;
}

// ---- Display
void ShowTransaction(TFCore&, int) {}
void ShowTxnRecord(TFCore&, const TxnRec&) {}

// ---- Sweeps
bool ConfirmSweepToPot(TFCore&) {
    return false;
}
bool SweepBalance(TFCore&, int, Amount, const CalDate&) {
    return false;
}
void SweepGroup(TFCore&, int) {}
bool DeleteSweep(TFCore&, const CalDate&, const QString&) {
    return false;
}

// ---- CptyCategories
int ChooseCategory(TFCore&, int, char, bool) {
    return 0;
}
void ShowForCounterparty(TFCore&, int) {}
