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
    case Screen::Display:
    case Screen::Sweeps:
    case Screen::CptyCategories:
    case Screen::Postings:
    case Screen::Balances:
    case Screen::Clipboard:
    case Screen::Search:
    case Screen::Repeaters:
    case Screen::Reminders:
    case Screen::Diary:
    case Screen::Analysis:
        return true;
    }
    return false;
}
