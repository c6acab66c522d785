// Folder making and file copying with the retry question.
#include "base/Files.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

// Writes a file dated when: a time well in the past, so a copy that took the
// time of its own writing is told apart.
bool writeDated(const QString& path, const QByteArray& bytes, const QDateTime& when) {
    QFile f(path);
    return WriteFile(path, bytes) && f.open(QIODevice::ReadWrite) &&
           f.setFileTime(when, QFileDevice::FileModificationTime);
}

const QDateTime kOld(QDate(2011, 8, 1), QTime(14, 5, 9));

TEST(WithBackslash, AddsOneTrailingSlash) {
    EXPECT_EQ(WithBackslash(QStringLiteral("/a/b")), QStringLiteral("/a/b/"));
    EXPECT_EQ(WithBackslash(QStringLiteral("/a/b/")), QStringLiteral("/a/b/"));
    EXPECT_EQ(WithBackslash(QString()), QString());
}

TEST(EnsureFolder, SaysSoAndMakesNestedFoldersOnlyWhenMissing) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    const QString nested = tmp.path() + QStringLiteral("one/two/three/");
    EXPECT_TRUE(EnsureFolder(prompter, nested));
    EXPECT_TRUE(QFileInfo(nested).isDir());
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Making directory \"") + nested + QStringLiteral("\"")});
    EXPECT_EQ(prompter.events()[0].kind, ScriptedPrompter::Kind::Info);

    prompter.clearRecorded();
    EXPECT_TRUE(EnsureFolder(prompter, nested));
    EXPECT_TRUE(prompter.messages().isEmpty());

    // A plain file in the way cannot become a folder.
    ASSERT_TRUE(WriteFile(tmp.file(QStringLiteral("plain")), "x"));
    const QString blocked = tmp.path() + QStringLiteral("plain/sub/");
    EXPECT_FALSE(EnsureFolder(prompter, blocked));
    EXPECT_EQ(prompter.messages().size(), 1);
}

TEST(CopyFileKeepDate, CopiesIntoANewFolderKeepingTheModificationTime) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    const QString from = tmp.path() + QStringLiteral("from/");
    const QString to = tmp.path() + QStringLiteral("backup/day/");
    ASSERT_TRUE(QDir().mkpath(from));
    const QByteArray data = QByteArray(200000, 'k') + QByteArray("end");
    ASSERT_TRUE(writeDated(from + QStringLiteral("TXN.DB"), data, kOld));

    ASSERT_TRUE(CopyFileKeepDate(prompter, QStringLiteral("TXN.DB"), from, to));
    EXPECT_EQ(ReadFile(to + QStringLiteral("TXN.DB")), data);
    EXPECT_EQ(QFileInfo(to + QStringLiteral("TXN.DB")).lastModified(), kOld);
    EXPECT_EQ(prompter.messages(), QStringList{QStringLiteral("Making directory \"") + to + QStringLiteral("\"")});

    // A second copy replaces the first, again with the source's time.
    const QDateTime newer = kOld.addDays(3);
    ASSERT_TRUE(writeDated(from + QStringLiteral("TXN.DB"), "short", newer));
    ASSERT_TRUE(CopyFileKeepDate(prompter, QStringLiteral("TXN.DB"), from, to));
    EXPECT_EQ(ReadFile(to + QStringLiteral("TXN.DB")), QByteArray("short"));
    EXPECT_EQ(QFileInfo(to + QStringLiteral("TXN.DB")).lastModified(), newer);
}

TEST(CopyFileKeepDate, CopyOntoItselfKeepsTheFile) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    ASSERT_TRUE(WriteFile(tmp.file(QStringLiteral("OBJ.DB")), "objects"));
    ASSERT_TRUE(CopyFileKeepDate(prompter, QStringLiteral("OBJ.DB"), tmp.path(), tmp.path()));
    EXPECT_EQ(ReadFile(tmp.file(QStringLiteral("OBJ.DB"))), QByteArray("objects"));
}

TEST(CopyFileKeepDate, AsksToRetryWhileTheTargetCannotBeWritten) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    ASSERT_TRUE(WriteFile(tmp.file(QStringLiteral("OBJ.DB")), "objects"));
    // The target "folder" is a plain file: no write can succeed, even as root.
    ASSERT_TRUE(WriteFile(tmp.file(QStringLiteral("blocker")), "in the way"));
    const QString to = tmp.path() + QStringLiteral("blocker/");
    const QString question = QStringLiteral("file open error \"") + to + QStringLiteral("OBJ.DB\" - retry?");
    prompter.expectQuestion(question, 'Y');
    prompter.expectQuestion(question, 'Y');
    prompter.expectQuestion(question, 'N');
    EXPECT_FALSE(CopyFileKeepDate(prompter, QStringLiteral("OBJ.DB"), tmp.path(), to));
    EXPECT_TRUE(prompter.allAnswered());
    EXPECT_EQ(ReadFile(tmp.file(QStringLiteral("blocker"))), QByteArray("in the way"));
}

TEST(CopyFileKeepDate, RetrySucceedsOnceTheWayIsClear) {
    TempFolder tmp;
    const QString from = tmp.path() + QStringLiteral("from/");
    ASSERT_TRUE(QDir().mkpath(from));
    ASSERT_TRUE(writeDated(from + QStringLiteral("PSTG.DB"), "postings", kOld));
    // The source is missing at first; it is put in place before the retry.
    QFile::rename(from + QStringLiteral("PSTG.DB"), tmp.file(QStringLiteral("aside")));
    const QString to = tmp.path() + QStringLiteral("to/");
    ASSERT_TRUE(QDir().mkpath(to));

    struct Restoring : ScriptedPrompter {
        QString aside, back;
        char AskAtCursor(const QString& text) override {
            QFile::rename(aside, back);
            return ScriptedPrompter::AskAtCursor(text);
        }
    } restoring;
    restoring.aside = tmp.file(QStringLiteral("aside"));
    restoring.back = from + QStringLiteral("PSTG.DB");
    restoring.expectQuestion(QStringLiteral("file open error \"") + to + QStringLiteral("PSTG.DB\" - retry?"), 'Y');
    EXPECT_TRUE(CopyFileKeepDate(restoring, QStringLiteral("PSTG.DB"), from, to));
    EXPECT_EQ(ReadFile(to + QStringLiteral("PSTG.DB")), QByteArray("postings"));
    EXPECT_EQ(QFileInfo(to + QStringLiteral("PSTG.DB")).lastModified(), kOld);
}

TEST(CopyFolderFiles, CopiesPlainFilesButNotSubfolders) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    const QString from = tmp.path() + QStringLiteral("DATA/");
    const QString to = tmp.path() + QStringLiteral("BACKUP/");
    ASSERT_TRUE(QDir().mkpath(from + QStringLiteral("sub")));
    ASSERT_TRUE(WriteFile(from + QStringLiteral("OBJ.DB"), "o"));
    ASSERT_TRUE(writeDated(from + QStringLiteral("TXN.DB"), "t", kOld));
    ASSERT_TRUE(WriteFile(from + QStringLiteral(".hidden"), "h"));
    ASSERT_TRUE(WriteFile(from + QStringLiteral("sub/inner.txt"), "i"));

    EXPECT_TRUE(CopyFolderFiles(prompter, from, to));
    QStringList copied = QDir(to).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
    EXPECT_EQ(copied, (QStringList{QStringLiteral(".hidden"), QStringLiteral("OBJ.DB"), QStringLiteral("TXN.DB")}));
    EXPECT_EQ(ReadFile(to + QStringLiteral("OBJ.DB")), QByteArray("o"));
    EXPECT_EQ(QFileInfo(to + QStringLiteral("TXN.DB")).lastModified(), kOld);
    EXPECT_EQ(prompter.processEventsCalls(), 3);
    EXPECT_EQ(prompter.BusyDepth(), 0);
    EXPECT_FALSE(prompter.busyCursor());
    EXPECT_TRUE(prompter.messages().isEmpty()); // the one-level folder is made silently
}

TEST(CopyFolderFiles, HoldsTheBusyCursorWhileCopying) {
    TempFolder tmp;
    const QString from = tmp.path() + QStringLiteral("DATA/");
    ASSERT_TRUE(QDir().mkpath(from));
    ASSERT_TRUE(WriteFile(from + QStringLiteral("a"), "a"));
    ASSERT_TRUE(WriteFile(from + QStringLiteral("b"), "b"));

    struct Watching : ScriptedPrompter {
        int busyWhileRepainting = 0;
        void ProcessEvents() override {
            ScriptedPrompter::ProcessEvents();
            if (busyCursor())
                ++busyWhileRepainting;
        }
    } prompter;
    EXPECT_TRUE(CopyFolderFiles(prompter, from, tmp.path() + QStringLiteral("OUT/")));
    EXPECT_EQ(prompter.busyWhileRepainting, 2);
    EXPECT_FALSE(prompter.busyCursor());
}

TEST(CopyFolderFiles, ARefusedCopyDoesNotStopTheOthers) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    const QString from = tmp.path() + QStringLiteral("DATA/");
    const QString to = tmp.path() + QStringLiteral("OUT/");
    ASSERT_TRUE(QDir().mkpath(from));
    ASSERT_TRUE(QDir().mkpath(to + QStringLiteral("b")));
    ASSERT_TRUE(WriteFile(from + QStringLiteral("a"), "a"));
    ASSERT_TRUE(WriteFile(from + QStringLiteral("b"), "b")); // a folder of that name is in the way at the target
    ASSERT_TRUE(WriteFile(from + QStringLiteral("c"), "c"));
    prompter.expectQuestion(QStringLiteral("file open error \"") + to + QStringLiteral("b\" - retry?"), 'N');
    EXPECT_FALSE(CopyFolderFiles(prompter, from, to));
    EXPECT_EQ(ReadFile(to + QStringLiteral("a")), QByteArray("a"));
    EXPECT_EQ(ReadFile(to + QStringLiteral("c")), QByteArray("c"));
    EXPECT_TRUE(QFileInfo(to + QStringLiteral("b")).isDir());
    EXPECT_EQ(prompter.BusyDepth(), 0);
}

TEST(CopyFolderFiles, MissingSourceCopiesNothing) {
    TempFolder tmp;
    ScriptedPrompter prompter;
    EXPECT_FALSE(CopyFolderFiles(prompter, tmp.path() + QStringLiteral("none/"), tmp.path() + QStringLiteral("out/")));
    EXPECT_TRUE(QFileInfo(tmp.path() + QStringLiteral("out/")).isDir());
    EXPECT_EQ(prompter.processEventsCalls(), 0);
}

} // namespace
