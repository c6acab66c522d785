// Profile files: value forms, defaults, key order and keeping what a write
// does not touch.
#include "data/Profile.h"
#include "support/ScriptedPrompter.h"
#include "support/TempFolder.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

namespace {

class ProfileTest : public ::testing::Test {
protected:
    TempFolder dir;
    ScriptedPrompter prompter;
    QString path = dir.file(QStringLiteral("test.ini"));
    Profile profile{prompter, path};
};

} // namespace

TEST_F(ProfileTest, ReadsIntegerFormsAndFallsBackToTheDefault) {
    ASSERT_TRUE(WriteFile(path, "[main]\n"
                                "Dec=42\n"
                                "Neg = -7 \n"
                                "Hex=0x1F\n"
                                "HexUpper=0X1f\n"
                                "Word=abc\n"
                                "Trailing=12abc\n"
                                "Empty=\n"
                                "Big=99999999999\n"
                                "True=5\n"
                                "False=0\n"
                                "[other]\n"
                                "Only=3\n"));
    EXPECT_EQ(profile.readInt("main", "Dec", 0), 42);
    EXPECT_EQ(profile.readInt("main", "Neg", 0), -7);
    EXPECT_EQ(profile.readInt("main", "Hex", 0), 31);
    EXPECT_EQ(profile.readInt("main", "HexUpper", 0), 31);
    EXPECT_EQ(profile.readInt("main", "Word", 365), 365);
    EXPECT_EQ(profile.readInt("main", "Trailing", 365), 365);
    EXPECT_EQ(profile.readInt("main", "Empty", -1), -1);
    EXPECT_EQ(profile.readInt("main", "Big", 8), 8);
    EXPECT_EQ(profile.readInt("main", "Missing", 18), 18);
    EXPECT_EQ(profile.readInt("MAIN", "dec", 0), 42); // names match without regard to case
    EXPECT_EQ(profile.readInt("main", "Only", 9), 9); // a key of another section is not this one's
    EXPECT_TRUE(profile.readBool("main", "True", false));
    EXPECT_FALSE(profile.readBool("main", "False", true));
    EXPECT_TRUE(profile.readBool("main", "Word", true));
    EXPECT_FALSE(profile.readBool("main", "Missing", false));

    Profile none(prompter, dir.file(QStringLiteral("absent.ini")));
    EXPECT_EQ(none.readInt("main", "Dec", 12), 12);
    EXPECT_EQ(none.readString("main", "Name", QStringLiteral("x")), QStringLiteral("x"));
    EXPECT_TRUE(prompter.messages().isEmpty());
}

TEST_F(ProfileTest, StringsRoundTripAndAreCutAt1023Characters) {
    ASSERT_TRUE(profile.writeString("main", "Name", QStringLiteral("Household = ÉÉ & co")));
    ASSERT_TRUE(profile.writeString("main", "Long", QString(1500, QLatin1Char('a'))));
    ASSERT_TRUE(profile.writeString("main", "Blank", QString()));
    EXPECT_EQ(profile.readString("main", "Name", QString()), QStringLiteral("Household = ÉÉ & co"));
    EXPECT_EQ(profile.readString("main", "Long", QString()).size(), 1023);
    EXPECT_EQ(profile.readString("main", "Blank", QStringLiteral("x")), QString());
    EXPECT_TRUE(profile.hasKey("main", "Blank"));
    // A line break cannot break the file apart.
    ASSERT_TRUE(profile.writeString("main", "Multi", QStringLiteral("one\ntwo=3")));
    EXPECT_EQ(profile.readString("main", "Multi", QString()), QStringLiteral("one two=3"));
    EXPECT_FALSE(profile.hasKey("main", "two"));
}

TEST_F(ProfileTest, WritesKeepOtherSectionsKeysCommentsAndFirstWritingOrder) {
    ASSERT_TRUE(WriteFile(path, "; kept comment\r\n"
                                "[forms]\r\n"
                                "FCtrl-T=10\r\n"
                                "\r\n"
                                "[main]\r\n"
                                "Foreign=keep me\r\n"
                                "DBvn=12\r\n"
                                "\r\n"
                                "[tail]\r\n"
                                "x=1\r\n"));
    ASSERT_TRUE(profile.writeInt("main", "dbvn", 13));
    ASSERT_TRUE(profile.writeBool("main", "RebalNeeded", true));
    ASSERT_TRUE(profile.writeInt("main", "BalAt", 20240131));
    ASSERT_TRUE(profile.writeInt("new", "A", 1));
    ASSERT_TRUE(profile.writeSection("main", {{"DBvn", "14"}, {"Zed", "z"}}));

    EXPECT_EQ(ReadText(path), QStringLiteral("; kept comment\r\n"
                                             "[forms]\r\n"
                                             "FCtrl-T=10\r\n"
                                             "\r\n"
                                             "[main]\r\n"
                                             "Foreign=keep me\r\n"
                                             "DBvn=14\r\n"
                                             "RebalNeeded=1\r\n"
                                             "BalAt=20240131\r\n"
                                             "Zed=z\r\n"
                                             "\r\n"
                                             "[tail]\r\n"
                                             "x=1\r\n"
                                             "[new]\r\n"
                                             "A=1\r\n"));
    EXPECT_TRUE(prompter.messages().isEmpty());
    // No temporary file is left beside it.
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("test.ini")});
}

TEST_F(ProfileTest, AFailedWriteIsReportedAndKeepsTheOldFile) {
    ASSERT_TRUE(WriteFile(path, "[main]\nDBvn=15\n"));
    // A folder where the file should be: nothing can be renamed over it.
    const QString blocked = dir.file(QStringLiteral("blocked.ini"));
    ASSERT_TRUE(QDir().mkpath(blocked));
    Profile p(prompter, blocked);
    EXPECT_FALSE(p.writeInt("main", "DBvn", 16));
    ASSERT_EQ(prompter.messages().size(), 1);
    EXPECT_EQ(prompter.messages().front(), QStringLiteral("Unable to write to ") + blocked);

    Profile gone(prompter, dir.file(QStringLiteral("no/such/folder/x.ini")));
    EXPECT_FALSE(gone.writeBool("main", "RebalNeeded", true));
    EXPECT_EQ(prompter.messages().back(), QStringLiteral("Unable to write to ") + dir.file("no/such/folder/x.ini"));

    // A read-only profile cannot write, and says nothing.
    Profile reader(path);
    EXPECT_FALSE(reader.writeInt("main", "DBvn", 16));
    EXPECT_EQ(prompter.messages().size(), 2);
    EXPECT_EQ(ReadText(path), QStringLiteral("[main]\nDBvn=15\n"));
}
