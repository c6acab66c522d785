// Entry points of the screens that are not built yet: each does nothing and
// reports that nothing was chosen or saved, and ScreenBuilt() says false for
// its screen so that callers keep the command that opens it disabled.  A
// module that builds a screen removes its block here.
#include "forms/Screens.h"

bool ScreenBuilt(Screen s) {
    switch (s) {
    case Screen::Display:
    case Screen::Sweeps:
    case Screen::CptyCategories:
        return true;
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
        return false;
    }
    return false;
}

// ---- Picker
bool Pick(TFCore&, int, int) {
    return false;
}

// ---- Editors
int NewObject(TFCore&, int, const QString&) {
    return 0;
}
bool EditObject(TFCore&, int) {
    return false;
}
bool RegroupObjects(TFCore&, int, const std::vector<std::pair<int, QString>>&) {
    return false;
}

// ---- Channels
bool ChooseChannel(TFCore&, const ObjRec&, bool) {
    return false;
}
void ShowChannelDetails(TFCore&, int) {}
int NewChannel(TFCore&, int) {
    return 0;
}

// ---- AccountSearch
bool FindAccount(TFCore&, int, const ObjRec&) {
    return false;
}
void AccountNameSearch(TFCore&, int) {}

// ---- Entry
bool NewTransaction(TFCore&, int& id) {
    id = 0;
    return false;
}
bool EditTransactionById(TFCore&, int) {
    return false;
}
bool EditRecord(TFCore&, TxnRec&) {
    return false;
}
int NewForAccount(TFCore&, const ObjRec&) {
    return 0;
}
bool NewFromRecord(TFCore&, TxnRec&) {
    return false;
}
bool NewSweepTransaction(TFCore&, const SweepRequest&, const QString&) {
    return false;
}

// ---- Postings
void OpenPostings(TFCore&, int) {}
void OpenPostingsAtTxn(TFCore&, int, int) {}
void OpenPostingsAtDate(TFCore&, int, const QString&) {}

// ---- Balances
void OpenBalances(TFCore&, int) {}
void OpenBalancesInGroup(TFCore&, int, int) {}

// ---- Clipboard
void ExportList(QTableView*, const QString&) {}

// ---- Search
void OpenSearch(TFCore&) {}
void Journal(TFCore&) {}
void ListInstances(TFCore&, int, int) {}
void ListCounterpartyCategory(TFCore&, int, int) {}
