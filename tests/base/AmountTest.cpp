// Amount texts both ways, and the plain number texts.
#include "base/Amount.h"
#include "support/ScriptedPrompter.h"

#include <gtest/gtest.h>

namespace {

struct FormatCase {
    Amount amount;
    const char* plain;
    const char* withSign;
};

TEST(FormatAmount, GroupsThousandsAndKeepsTwoDecimals) {
    const FormatCase cases[] = {
        {0, "0.00", "0.00"},
        {5, "0.05", "+0.05"},
        {-5, "-0.05", "-0.05"},
        {-1234, "-12.34", "-12.34"},
        {99999, "999.99", "+999.99"},
        {100000, "1,000.00", "+1,000.00"},
        {123456, "1,234.56", "+1,234.56"},
        {100000100, "1,000,001.00", "+1,000,001.00"},
        {-100000000, "-1,000,000.00", "-1,000,000.00"},
        {-123456789, "-1,234,567.89", "-1,234,567.89"},
        {100005007, "1,000,050.07", "+1,000,050.07"},
        {kMaxAmount, "21,474,836.47", "+21,474,836.47"},
        {kMinAmount, "-21,474,836.48", "-21,474,836.48"},
    };
    for (const FormatCase& c : cases) {
        EXPECT_EQ(FormatAmount(c.amount).toStdString(), c.plain) << c.amount;
        EXPECT_EQ(FormatAmountSigned(c.amount).toStdString(), c.withSign) << c.amount;
    }
}

TEST(FormatAmount, EveryTextReadsBackToItsAmount) {
    for (Amount a : {0, 1, -1, 99, 100, 999999, 1000000, -7654321, kMaxAmount, kMinAmount, kMinAmount + 1}) {
        Amount back = 42;
        ASSERT_TRUE(ParseAmount(FormatAmount(a), back)) << FormatAmount(a).toStdString();
        EXPECT_EQ(back, a);
        ASSERT_TRUE(ParseAmount(FormatAmountSigned(a), back)) << FormatAmountSigned(a).toStdString();
        EXPECT_EQ(back, a);
    }
}

TEST(ParseAmount, ReadsWellFormedTexts) {
    const struct {
        const char* text;
        Amount value;
    } cases[] = {
        {"12", 1200},
        {"1,234.50", 123450},
        {"-7.05", -705},
        {"+7.05", 705},
        {".50", 50},
        {"-.50", -50},
        {"0", 0},
        {"-0", 0},
        {"1,2,3", 12300}, // commas are dropped wherever they stand
        {"007.00", 700},
        {"21474836.47", kMaxAmount},
        {"21,474,836.47", kMaxAmount},
        {"-21474836.48", kMinAmount},
        {"000000000000000000012.34", 1234},
    };
    for (const auto& c : cases) {
        Amount out = 42;
        EXPECT_TRUE(ParseAmount(QString::fromUtf8(c.text), out)) << c.text;
        EXPECT_EQ(out, c.value) << c.text;
    }
}

TEST(ParseAmount, RejectsMalformedAndOutOfRangeTextsLeavingTheAmount) {
    const char* cases[] = {"", ",", ",,,", "5.", "12.3", "1,234.5", "12.345", "1.2.34", ".", "-", "+", "-.", "+.5",
                           "1 2", " 12", "12 ", "12.3a", "a", "--5", "+-5", "-+5", "5-", "0x10", "$10", "1e3", "12.-5",
                           // beyond the 32-bit range: must fail, never wrap
                           "21474836.48", "-21474836.49", "99999999999", "-99999999999", "4294967296",
                           "18446744073709551616",
                           // digits of another script are not ASCII digits
                           "\xd9\xa1\xd9\xa2", "\xef\xbc\x91\xef\xbc\x92"};
    for (const char* text : cases) {
        Amount out = 42;
        EXPECT_FALSE(ParseAmount(QString::fromUtf8(text), out)) << '"' << text << '"';
        EXPECT_EQ(out, 42) << '"' << text << '"';
    }
}

TEST(ReadAmount, ShowsInvalidAmountOnlyOnFailure) {
    ScriptedPrompter prompter;
    Amount out = 0;
    EXPECT_TRUE(ReadAmount(prompter, QStringLiteral("3.10"), out));
    EXPECT_EQ(out, 310);
    EXPECT_TRUE(prompter.messages().isEmpty());

    EXPECT_FALSE(ReadAmount(prompter, QStringLiteral("3.1"), out));
    EXPECT_EQ(out, 310);
    ASSERT_EQ(prompter.events().size(), 1u);
    EXPECT_EQ(prompter.events()[0].kind, ScriptedPrompter::Kind::Message);
    EXPECT_EQ(prompter.events()[0].text, QStringLiteral("Invalid amount"));
}

TEST(FormatThousands, GroupsFromTheRightWithSign) {
    const struct {
        std::int64_t n;
        const char* text;
    } cases[] = {
        {0, "0"},
        {123, "123"},
        {-123, "-123"},
        {1000, "1,000"},
        {-1234, "-1,234"},
        {999999, "999,999"},
        {1234567, "1,234,567"},
        {-100000, "-100,000"},
        {INT64_MIN, "-9,223,372,036,854,775,808"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatThousands(c.n).toStdString(), c.text) << c.n;
}

TEST(PadNumber, ZerosFillToWidthAfterTheSignAndNeverCut) {
    const struct {
        std::int64_t n;
        int width;
        const char* text;
    } cases[] = {
        {5, 2, "05"},  {2011, 4, "2011"}, {12345, 3, "12345"}, {0, 3, "000"}, {-5, 4, "-005"},
        {-5, 2, "-5"}, {-5, 1, "-5"},     {-123, 3, "-123"},   {7, 0, "7"},   {7, -3, "7"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PadNumber(c.n, c.width).toStdString(), c.text) << c.n << " width " << c.width;
}

} // namespace
