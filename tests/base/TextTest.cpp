// Text helpers: safe cuts, letter case across alphabets, and the small list
// and message-text helpers.
#include "base/Text.h"

#include <gtest/gtest.h>

namespace {

QString u8(const char* s) {
    return QString::fromUtf8(s);
}

TEST(LeftChars, NeverSplitsASurrogatePair) {
    const QString emoji = u8("😀😁😂"); // three pairs, six code units
    ASSERT_EQ(emoji.size(), 6);
    EXPECT_EQ(LeftChars(emoji, 1), QString());
    EXPECT_EQ(LeftChars(emoji, 2), u8("😀"));
    EXPECT_EQ(LeftChars(emoji, 3), u8("😀"));
    EXPECT_EQ(LeftChars(emoji, 5), u8("😀😁"));
    EXPECT_EQ(LeftChars(emoji, 6), emoji);
    EXPECT_EQ(LeftChars(emoji, 99), emoji);
    EXPECT_EQ(LeftChars(u8("ab😀"), 3), u8("ab"));
    EXPECT_EQ(LeftChars(u8("abc"), 0), QString());
    EXPECT_EQ(LeftChars(u8("abc"), -1), QString());
    for (int n = 0; n <= emoji.size(); ++n) {
        const QString cut = LeftChars(emoji, n);
        EXPECT_TRUE(cut.isEmpty() || !cut.back().isHighSurrogate()) << n;
    }
}

TEST(TextHelpers, ShortAndEmptyInputsStayInsideTheText) {
    EXPECT_EQ(LastChar(QString()), QChar(0));
    EXPECT_EQ(LastChar(u8("ab")), QLatin1Char('b'));

    QString t = u8("abc");
    DropLast(t, 1);
    EXPECT_EQ(t, u8("ab"));
    DropLast(t, 0);
    DropLast(t, -2);
    EXPECT_EQ(t, u8("ab"));
    DropLast(t, 5);
    EXPECT_EQ(t, QString());
    DropLast(t, 1);
    EXPECT_EQ(t, QString());

    QString r = u8("a-b--c");
    RemoveChar(r, QLatin1Char('-'));
    EXPECT_EQ(r, u8("abc"));

    QString c = u8("été");
    CapitaliseFirst(c);
    EXPECT_EQ(c, u8("Été"));
    QString e;
    CapitaliseFirst(e);
    EXPECT_EQ(e, QString());
    QString n = u8("1abc");
    CapitaliseFirst(n);
    EXPECT_EQ(n, u8("1abc"));
}

TEST(TextHelpers, AppendItemQuoteAndAmpersand) {
    QString list;
    AppendItem(list, u8("a"), u8(", "));
    EXPECT_EQ(list, u8("a"));
    AppendItem(list, QString(), u8(", "));
    EXPECT_EQ(list, u8("a"));
    AppendItem(list, u8("b"), u8(", "));
    EXPECT_EQ(list, u8("a, b"));

    EXPECT_EQ(Quote(u8("x")), u8("\"x\" "));
    EXPECT_EQ(DoubleFirstAmpersand(u8("Fish & Chips & Peas")), u8("Fish && Chips & Peas"));
    EXPECT_EQ(DoubleFirstAmpersand(u8("none")), u8("none"));
}

TEST(NoCase, CompareAndContainsAgreeAcrossAlphabets) {
    const struct {
        const char* upper;
        const char* lower;
    } pairs[] = {
        {"É", "é"},         {"ÉCOLE", "école"}, {"МОСКВА", "москва"},
        {"ΑΘΗΝΑ", "αθηνα"}, {"ΟΔΟΣ", "οδος"}, // final sigma meets the capital sigma
        {"ÆBLE", "æble"},
    };
    for (const auto& p : pairs) {
        const QString a = u8(p.upper), b = u8(p.lower);
        EXPECT_EQ(CompareNoCase(a, b), 0) << p.upper;
        EXPECT_EQ(CompareNoCase(b, a), 0) << p.upper;
        EXPECT_TRUE(ContainsText(a, b)) << p.upper;
        EXPECT_TRUE(ContainsText(b, a)) << p.upper;
        EXPECT_EQ(ComparePrefixNoCase(b, a), 0) << p.upper;
        EXPECT_TRUE(ContainsText(a.left(2), u8("xx") + b)) << p.upper;
    }
    EXPECT_EQ(CompareNoCase(u8("apple"), u8("BANANA")), -1);
    EXPECT_EQ(CompareNoCase(u8("Banana"), u8("apple")), 1);
    EXPECT_EQ(CompareNoCase(u8("abc"), u8("ABCD")), -1);
    // Code point order: a character beyond the Basic Multilingual Plane sorts
    // after every BMP character, as SQLite orders the UTF-8 text.
    EXPECT_EQ(CompareNoCase(u8("😀"), u8("\xef\xbf\xbd")), 1);
    EXPECT_FALSE(ContainsText(u8("é"), u8("e")));
}

TEST(NoCase, ContainsTextOnEmptyAndNormalisedKeys) {
    EXPECT_FALSE(ContainsText(QString(), u8("abc")));
    EXPECT_FALSE(ContainsText(u8("a"), QString()));
    EXPECT_TRUE(ContainsText(u8("SHOP"), u8("Corner shop")));
    EXPECT_FALSE(ContainsText(u8("shops"), u8("Corner shop")));

    EXPECT_FALSE(ContainsText(u8("ab"), u8("a-b")));
    g_normaliseKeys = true;
    EXPECT_TRUE(ContainsText(u8("AB"), u8("a-b")));
    g_normaliseKeys = false;
}

TEST(NoCase, ComparePrefix) {
    EXPECT_EQ(ComparePrefixNoCase(u8("Groceries"), u8("GRO")), 0);
    EXPECT_EQ(ComparePrefixNoCase(u8("Groceries"), QString()), 0);
    EXPECT_EQ(ComparePrefixNoCase(u8("Groceries"), u8("gz")), -1);
    EXPECT_EQ(ComparePrefixNoCase(u8("Groceries"), u8("ga")), 1);
    // A prefix longer than the text: the text's order against the prefix.
    EXPECT_EQ(ComparePrefixNoCase(u8("Gro"), u8("GROCERIES")), -1);
    EXPECT_EQ(ComparePrefixNoCase(u8("Gz"), u8("GROCERIES")), 1);
    EXPECT_EQ(ComparePrefixNoCase(QString(), u8("a")), -1);
    // Counted in characters: a text that begins with a pair is compared whole.
    EXPECT_EQ(ComparePrefixNoCase(u8("a😀"), u8("a\xef\xbf\xbe")), 1);
    EXPECT_EQ(ComparePrefixNoCase(u8("😀x"), u8("😀")), 0);
}

} // namespace
