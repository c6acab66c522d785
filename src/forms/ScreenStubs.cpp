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
    case Screen::Picker:
    case Screen::AccountSearch:
    case Screen::Entry:
    case Screen::Balances:
    case Screen::Search:
    case Screen::Repeaters:
    case Screen::Reminders:
    case Screen::Diary:
    case Screen::Analysis:
        return true;
    case Screen::Editors:
    case Screen::Channels:
    case Screen::Postings:
    case Screen::Clipboard:
        return false;
    }
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

// ---- Postings
void OpenPostings(TFCore&, int) {}
void OpenPostingsAtTxn(TFCore&, int, int) {}
void OpenPostingsAtDate(TFCore&, int, const QString&) {}

// ---- Clipboard
void ExportList(QTableView*, const QString&) {}
void ExportGrid(const QAbstractItemModel*, const QString&) {}
void PrintList(QTableView*, const QString&) {}
