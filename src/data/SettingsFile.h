// The settings file of a data folder, KOVRALDB.INI.
//
// Section "main" holds one key per setting (see Settings.h), written in a
// fixed order: integers in decimal, booleans as 1/0, dates as yyyymmdd with 0
// for no date, strings as they stand.  Its presence also marks a folder as
// holding KOVRAL data.  Section "forms" holds the saved geometry of the
// windows, four keys per window ("FCtrl-T", "FCtrl-L", "FCtrl-H",
// "FCtrl-W"); an absent key reads -1, which leaves that coordinate at the
// window's designed value (the windows apply them).
#pragma once

#include "data/Settings.h"

#include <QString>
#include <QStringList>
#include <vector>

class Prompter;
class TFCore;

// The file name of the settings in a data folder.
inline QString SettingsFileName() {
    return QStringLiteral("KOVRALDB.INI");
}
// The settings path of a data folder (which ends in "/").
inline QString SettingsPath(const QString& dataFolder) {
    return dataFolder + SettingsFileName();
}

// Reads section "main" into settings.  A missing file or key gives the key's
// default (BalAt: settings.Today; BalFrom: no date; DBvn: 18).  Today is left
// as it is.
void ReadSettings(const QString& path, Settings& settings);
// Writes every key of section "main" in its fixed order, GenTo as
// settings.Today.  Shows the notice "Saving settings ( see KOVRALDB.INI )"
// while writing and hides it at the end.  A file that cannot be written is
// reported ("Unable to write to " + path) and gives false.
bool WriteSettings(Prompter& prompter, const QString& path, const Settings& settings);

// A settings file that cannot be opened at all (a folder in its place, a file
// without read permission, a read error) would be replaced by the defaults at
// the next write.  (A file that opens is read key by key: a line that is not
// UTF-8 is read as Latin-1, and a key that cannot be read takes its default.)  It is renamed to path + ".bad-" +
// yyyyMMddhhmmss instead, kept for the user, and the user is told.  True when
// the file was unreadable (whether or not the rename worked).
bool SetAsideUnreadableSettings(Prompter& prompter, const QString& path);

// The same on the core's data folder: reading ends by refreshing the control
// window (period line, rebalance status, database name).  An unreadable file
// is first set aside (SetAsideUnreadableSettings).
void ReadSettings(TFCore& core);
bool WriteSettings(TFCore& core);

// One window's saved geometry; a negative value means "as designed".
struct FormPosition {
    QString name;
    int top = -1;
    int left = -1;
    int height = -1;
    int width = -1;
};

// The 29 windows whose positions are saved, in the order they are written.
const QStringList& FormPositionNames();
// Reads the positions of the 29 windows in their order; absent keys read -1.
std::vector<FormPosition> ReadFormPositions(const QString& path);
// Writes the given windows' positions: those of the 29 names in their order,
// then any others in the order given.  Shows and hides the same notice as
// WriteSettings; reports a failed write and gives false.
bool WriteFormPositions(Prompter& prompter, const QString& path, const std::vector<FormPosition>& positions);
