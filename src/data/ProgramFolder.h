// Where the program keeps its ledger: the program folder, which holds the
// default data folder "DATA/", the archive copies "ARCHIVE/", the health
// check's "Pre-healthcheck backups/" and the notepad file "npad.txt".
//
// The folder is chosen, in this order:
//   1. the folder given with --home (made when missing);
//   2. the program file's own folder, when it can be written, is not a build
//      folder of this project and is not the bin/ folder of an installed
//      prefix (a portable copy kept in a folder of the user's);
//   3. $XDG_DATA_HOME/kovral, or ~/.local/share/kovral when that is unset.
// A build folder is never chosen, so deleting a build deletes no ledger.  A
// ledger left in a build folder by an earlier start is found (LegacyFolder)
// and can be moved to the chosen folder whole (MoveLedger).
#pragma once

#include <QString>
#include <QStringList>

class Prompter;

// The facts the choice rests on, gathered by ProgramFolderFacts() or given
// by a test.
struct ProgramFolderInput {
    bool homeGiven = false;
    QString homeArg;    // --home as given (may be relative)
    QString programDir; // the program file's folder
    bool programDirWritable = false;
    bool programDirIsBuild = false;     // a build folder of this project
    bool programDirIsInstalled = false; // PREFIX/bin with PREFIX/share/applications/kovral.desktop
    QString xdgDataHome;                // $XDG_DATA_HOME, empty when unset
    QString userHome;                   // the user's home folder
};

struct ProgramFolderChoice {
    enum class Source { Given, BesideProgram, UserData };
    Source source = Source::UserData;
    QString folder; // absolute, ends in "/"
};

// The facts for this process: the program file's folder, its writability
// (tried by making a file there), whether it is a build folder or an
// installed bin/ folder, and the environment.
ProgramFolderInput ProgramFolderFacts(const QString& programDir, bool homeGiven, const QString& homeArg);

// Applies the order above.  Pure: touches no file.
ProgramFolderChoice ChooseProgramFolder(const ProgramFolderInput& in);

// True when dir (ending in "/" or not) is a CMake build folder of KOVRAL.
bool IsBuildFolder(const QString& dir);
// True when dir is PREFIX/bin of an installed KOVRAL.
bool IsInstalledBinFolder(const QString& dir);
// True when a file can be made (and is removed again) in dir.
bool FolderWritable(const QString& dir);

// Makes folder (with its parents) when missing and checks that it can be
// written.  On failure error holds a sentence naming the folder and nothing
// has been written.
bool PrepareProgramFolder(const QString& folder, QString& error);

// The entries of a program folder that belong to its ledger, in the order
// they are moved: "DATA", "ARCHIVE", "Pre-healthcheck backups", "npad.txt".
QStringList LedgerEntries();

// The folder whose ledger should be offered for moving to choice.folder: the
// program file's folder when it is a build folder holding "DATA/" while the
// chosen folder holds none and no --home was given; empty otherwise.
QString LegacyFolder(const ProgramFolderInput& in, const ProgramFolderChoice& choice);

// Moves every ledger entry present in from to to (both ending in "/"), which
// must hold none of them.  Each entry is renamed when both folders are on one
// file system, else copied whole (dates kept) and only then removed from
// from.  Nothing is removed from from unless every entry has reached to; on
// failure what was already placed in to is taken back out, error names the
// entry, and false is returned.  When everything arrived but an original
// could not be removed, true is returned and error says which.
bool MoveLedger(const QString& from, const QString& to, QString& error);

// The whole decision at start-up: chooses the folder, makes it, and when a
// build folder beside the program holds a ledger while the chosen folder has
// none, asks whether to move it there: Yes moves it (a failed move keeps the
// ledger where it was and uses it from there), No uses it where it is for
// this run.  Messages name the folders.  Returns the program folder (ending
// in "/"), or an empty text when the chosen folder cannot be used (the
// message has been shown and nothing written).
QString SettleProgramFolder(Prompter& prompter, const ProgramFolderInput& in);
