// TFCore: the holder of the open ledger tables.
//
// One TFCore exists for the program's run.  It owns the store connection to
// the current data folder, the process-wide settings, and the prompter through
// which the core speaks to the user.  Ledger operations (ledger/) take a
// TFCore& and reach the tables through its store; screens read through their
// own queries on the same store and never write a ledger change themselves.
#pragma once

#include "data/Settings.h"
#include "data/SettingsFile.h"
#include "data/Store.h"

#include <QLockFile>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class Prompter;

// What the control window shows about the open database (filled by
// OpenDatabase, cleared by CloseDatabase).
struct DatabaseDetails {
    bool open = false;      // the tables are open on the data folder
    bool readOnly = false;  // the folder's files could be opened for reading only: nothing is saved
    int version = 0;        // DBvn as it stood when opening ended (Version label)
    QString startDateValue; // "000-00-00" or DBStartDate as yyyy-mm-dd
    QString startDateText;  // "No previous archives" or "Previous records to ... have been archived"
    QString endDateValue;   // "0000-00-00" or DBEndDate as yyyy-mm-dd
    QString endDateText;    // "This database is current" or "This is an archive"
};

class TFCore {
public:
    explicit TFCore(Prompter& prompter);

    Prompter& prompter() { return *m_prompter; }
    // Puts p in the user's place for what the core asks and reports (a
    // command that answers its own checks' questions) and gives back the
    // prompter it replaces.  The store keeps reporting its errors to the user.
    Prompter* swapPrompter(Prompter* p) {
        Prompter* old = m_prompter;
        m_prompter = p;
        return old;
    }
    Store& store() { return m_store; }
    Settings& settings() { return m_settings; }
    const Settings& settings() const { return m_settings; }

    // Program folder (the program file's folder) and data folder; both end in "/".
    QString programFolder() const { return m_programFolder; }
    void setProgramFolder(const QString& folder) { m_programFolder = folder; }
    QString dataFolder() const { return m_dataFolder; }
    void setDataFolder(const QString& folder);

    // The control window listens here: called when the data folder, the
    // settings shown on it (period, rebalance status, name) or the database
    // details change.
    std::function<void()> onControlRefresh;
    void refreshControl() {
        if (onControlRefresh)
            onControlRefresh();
    }

    // Sets or clears RebalNeeded and refreshes the control window.
    void SetRebalNeeded(bool flag);

    // State that the ledger layer keeps per run (note buffers, loaded pot
    // records, switches).  Its type belongs to ledger/, which reaches it
    // through its own accessor; the holder only keeps it alive.
    std::shared_ptr<void> ledgerState;

    // The open database as the control window shows it.
    DatabaseDetails databaseDetails;
    // Held while a data folder is open, so that a second running program (or
    // a second holder) cannot open the same folder.
    std::unique_ptr<QLockFile> folderLock;
    // Set by the windows: the geometry of every window to save when the
    // database closes.  Unset, no positions are saved.
    std::function<std::vector<FormPosition>()> collectFormPositions;

private:
    Prompter* m_prompter;
    Store m_store;
    Settings m_settings;
    QString m_programFolder;
    QString m_dataFolder;
};
