// Where the ledger lives: the order of the program-folder choice, the build
// and installed-folder tests on real folders, and moving a ledger out of a
// build folder whole or not at all.
#include "data/ProgramFolder.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text);
}

QByteArray ReadText(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

ProgramFolderInput Facts() {
    ProgramFolderInput in;
    in.programDir = QStringLiteral("/opt/kovral/");
    in.programDirWritable = true;
    in.xdgDataHome = QStringLiteral("/home/u/.data");
    in.userHome = QStringLiteral("/home/u");
    return in;
}

// A build folder of this project holding a ledger from an earlier start.
void MakeBuildWithLedger(const QString& build) {
    WriteText(build + "CMakeCache.txt", "CMAKE_BUILD_TYPE:STRING=RelWithDebInfo\nCMAKE_PROJECT_NAME:STATIC=kovral\n");
    WriteText(build + "DATA/KOVRALDB.INI", "[main]\nDatabaseName=Home\n");
    WriteText(build + "DATA/TXN.DB", QByteArray(5000, 't'));
    WriteText(build + "ARCHIVE/2024-01-31/DATA/TXN.DB", "old");
    WriteText(build + "Pre-healthcheck backups/HCHK1/HCHK.TXT", "All scans complete OK");
    WriteText(build + "npad.txt", "remember the gas bill");
}

} // namespace

TEST(ProgramFolderTest, ChoiceFollowsItsOrder) {
    struct Case {
        const char* what;
        void (*change)(ProgramFolderInput&);
        ProgramFolderChoice::Source source;
        const char* folder;
    };
    const Case cases[] = {
        {"--home wins over everything", [](ProgramFolderInput& in) { in.homeGiven = true, in.homeArg = "/srv/books"; },
         ProgramFolderChoice::Source::Given, "/srv/books/"},
        {"--home is taken as a clean absolute path",
         [](ProgramFolderInput& in) { in.homeGiven = true, in.homeArg = "/x/../y"; },
         ProgramFolderChoice::Source::Given, "/y/"},
        {"a writable portable folder", [](ProgramFolderInput&) {}, ProgramFolderChoice::Source::BesideProgram,
         "/opt/kovral/"},
        {"a read-only program folder", [](ProgramFolderInput& in) { in.programDirWritable = false; },
         ProgramFolderChoice::Source::UserData, "/home/u/.data/kovral/"},
        {"a build folder, even writable", [](ProgramFolderInput& in) { in.programDirIsBuild = true; },
         ProgramFolderChoice::Source::UserData, "/home/u/.data/kovral/"},
        {"an installed bin folder, even writable", [](ProgramFolderInput& in) { in.programDirIsInstalled = true; },
         ProgramFolderChoice::Source::UserData, "/home/u/.data/kovral/"},
        {"XDG_DATA_HOME unset", [](ProgramFolderInput& in) { in.programDirWritable = false, in.xdgDataHome.clear(); },
         ProgramFolderChoice::Source::UserData, "/home/u/.local/share/kovral/"},
        {"a relative XDG_DATA_HOME is ignored",
         [](ProgramFolderInput& in) { in.programDirWritable = false, in.xdgDataHome = "data"; },
         ProgramFolderChoice::Source::UserData, "/home/u/.local/share/kovral/"},
    };
    for (const Case& c : cases) {
        ProgramFolderInput in = Facts();
        c.change(in);
        const ProgramFolderChoice choice = ChooseProgramFolder(in);
        EXPECT_EQ(choice.source, c.source) << c.what;
        EXPECT_EQ(choice.folder, QString::fromUtf8(c.folder)) << c.what;
    }
}

TEST(ProgramFolderTest, RecognisesBuildAndInstalledFoldersOnDisk) {
    TempFolder t;
    MakeBuildWithLedger(t.file("build/"));
    WriteText(t.file("other/CMakeCache.txt"), "CMAKE_PROJECT_NAME:STATIC=kovralish\n");
    WriteText(t.file("usr/share/applications/kovral.desktop"), "[Desktop Entry]\n");
    QDir().mkpath(t.file("usr/bin"));
    QDir().mkpath(t.file("opt/bin"));
    EXPECT_TRUE(IsBuildFolder(t.file("build")));
    EXPECT_FALSE(IsBuildFolder(t.file("other/")));
    EXPECT_TRUE(IsInstalledBinFolder(t.file("usr/bin")));
    EXPECT_FALSE(IsInstalledBinFolder(t.file("opt/bin")));

    const ProgramFolderInput build = ProgramFolderFacts(t.file("build"), false, QString());
    EXPECT_TRUE(build.programDirIsBuild);
    EXPECT_FALSE(build.programDirWritable);
    EXPECT_NE(ChooseProgramFolder(build).folder, t.file("build/"));
    const ProgramFolderInput installed = ProgramFolderFacts(t.file("usr/bin"), false, QString());
    EXPECT_EQ(ChooseProgramFolder(installed).source, ProgramFolderChoice::Source::UserData);
    EXPECT_FALSE(QFileInfo::exists(t.file("usr/bin/DATA"))); // facts are read, nothing made
}

TEST(ProgramFolderTest, PrepareMakesTheFolderOrNamesIt) {
    TempFolder t;
    QString error;
    EXPECT_TRUE(PrepareProgramFolder(t.file("a/b/c/"), error));
    EXPECT_TRUE(QFileInfo(t.file("a/b/c")).isDir());
    EXPECT_TRUE(QDir(t.file("a/b/c")).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));

    WriteText(t.file("plain"), "x");
    EXPECT_FALSE(PrepareProgramFolder(t.file("plain/"), error));
    EXPECT_TRUE(error.contains(t.file("plain/"))) << error.toStdString();
    EXPECT_FALSE(PrepareProgramFolder(t.file("plain/sub/"), error));
    EXPECT_TRUE(error.contains(t.file("plain/sub/"))) << error.toStdString();
}

TEST(ProgramFolderTest, LedgerInBuildFolderIsOfferedAndMovedWhole) {
    TempFolder t;
    const QString build = t.file("build/");
    const QString home = t.file("xdg/kovral/");
    MakeBuildWithLedger(build);
    ProgramFolderInput in = ProgramFolderFacts(build, false, QString());
    in.xdgDataHome = t.file("xdg");

    { // No: the ledger is used where it is, nothing moves, nothing new is begun.
        ScriptedPrompter p;
        p.expectQuestion(QString(), 'N');
        EXPECT_EQ(SettleProgramFolder(p, in), build);
        EXPECT_TRUE(p.allAnswered());
        EXPECT_TRUE(QFileInfo::exists(build + "DATA/KOVRALDB.INI"));
        EXPECT_FALSE(QFileInfo::exists(home + "DATA"));
    }
    { // Yes: every entry arrives with its contents and none stays behind.
        ScriptedPrompter p;
        p.expectQuestion(QString(), 'Y');
        EXPECT_EQ(SettleProgramFolder(p, in), home);
        EXPECT_TRUE(p.messages().isEmpty()) << p.messages().join('|').toStdString();
        EXPECT_EQ(ReadText(home + "DATA/TXN.DB"), QByteArray(5000, 't'));
        EXPECT_EQ(ReadText(home + "DATA/KOVRALDB.INI"), QByteArray("[main]\nDatabaseName=Home\n"));
        EXPECT_EQ(ReadText(home + "ARCHIVE/2024-01-31/DATA/TXN.DB"), QByteArray("old"));
        EXPECT_EQ(ReadText(home + "Pre-healthcheck backups/HCHK1/HCHK.TXT"), QByteArray("All scans complete OK"));
        EXPECT_EQ(ReadText(home + "npad.txt"), QByteArray("remember the gas bill"));
        for (const QString& e : LedgerEntries())
            EXPECT_FALSE(QFileInfo::exists(build + e)) << e.toStdString();
        EXPECT_TRUE(QFileInfo::exists(build + "CMakeCache.txt"));
    }
    { // Next start: the home holds the ledger, no question.
        ScriptedPrompter p;
        EXPECT_EQ(SettleProgramFolder(p, in), home);
    }
}

TEST(ProgramFolderTest, FailedMoveLeavesTheLedgerWhereItWas) {
    TempFolder t;
    const QString build = t.file("build/");
    const QString home = t.file("home/");
    MakeBuildWithLedger(build);
    // A backup entry that cannot be copied, found after DATA and ARCHIVE were.
    ASSERT_TRUE(QFile::link(t.file("nowhere"), build + "Pre-healthcheck backups/HCHK1/broken"));
    QString error;
    EXPECT_FALSE(MoveLedger(build, home, error));
    EXPECT_TRUE(error.contains("broken")) << error.toStdString();
    for (const QString& e : LedgerEntries()) {
        EXPECT_TRUE(QFileInfo::exists(build + e)) << e.toStdString();
        EXPECT_FALSE(QFileInfo::exists(home + e)) << e.toStdString();
    }
    EXPECT_EQ(ReadText(build + "DATA/TXN.DB"), QByteArray(5000, 't'));

    // A home that already holds a ledger entry is refused before anything moves.
    QFile::remove(build + "Pre-healthcheck backups/HCHK1/broken");
    WriteText(home + "npad.txt", "mine");
    EXPECT_FALSE(MoveLedger(build, home, error));
    EXPECT_TRUE(QFileInfo::exists(build + "DATA/TXN.DB"));
    EXPECT_FALSE(QFileInfo::exists(home + "DATA"));
    EXPECT_EQ(ReadText(home + "npad.txt"), QByteArray("mine"));
}
