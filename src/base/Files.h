// Folder and file helpers.  Folder paths carry a trailing "/" (WithBackslash
// adds it; the name is kept from the original Windows program where the
// separator was a backslash).
#pragma once

#include <QString>

class Prompter;

// Appends "/" unless the path is empty or already ends with it.
QString WithBackslash(const QString& path);
// When the folder is missing: InfoAtCursor("Making directory \"" + path + "\"")
// and creates it with all missing parents.  Returns false when it cannot be made.
bool EnsureFolder(Prompter& prompter, const QString& path);
// Copies fromFolder + name to toFolder + name (both folders end in "/"),
// making toFolder first, and gives the copy the source's modification time.
// When the copy cannot be made (source unreadable, target not writable) asks
// "file open error \"" + toFolder + name + "\" - retry?" and tries again while
// the answer is Yes.  Returns false when it gave up; an earlier copy at the
// target is then left as it was.  The copy replaces the target in one step.
bool CopyFileKeepDate(Prompter& prompter, const QString& name, const QString& fromFolder, const QString& toFolder);
// Makes toFolder (one level) when missing, then copies every plain file of
// fromFolder with CopyFileKeepDate under the busy cursor, letting the screen
// repaint between files; a refused copy does not stop the others.  Returns
// false when the source folder is missing or any copy was given up.
bool CopyFolderFiles(Prompter& prompter, const QString& fromFolder, const QString& toFolder);
