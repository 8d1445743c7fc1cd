#include "Currency.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace order;

namespace {
Currency C(const char* text)
{
    Currency c;
    EXPECT_TRUE(Currency::TryParse(text, c)) << text;
    return c;
}
}  // namespace

TEST(Currency, ParseReadsDecimalTextsToFourDecimals)
{
    struct Case {
        const char* text;
        bool readable;
        std::int64_t raw;
    };
    const std::vector<Case> cases = {
        {"0", true, 0},
        {"12", true, 120000},
        {" 12.5 ", true, 125000},
        {"-3", true, -30000},
        {"+5", true, 50000},
        {".5", true, 5000},
        {"5.", true, 50000},
        {"1.23456", true, 12346},       // dropped digit above half
        {"0.00005", true, 0},           // half, to even
        {"0.00015", true, 2},           // half, to even
        {"0.000051", true, 1},          // above half
        {"-1.23455", true, -12346},     // half, to even, negative
        {"1e3", true, 10000000},
        {"2.5E-2", true, 250},
        {"000123.4000", true, 1234000},
        {"922337203685477.5807", true, INT64_MAX},
        {"-922337203685477.5808", true, INT64_MIN},
        {"922337203685477.5808", false, 0},
        {"", false, 0},
        {"   ", false, 0},
        {"abc", false, 0},
        {"1,234", false, 0},
        {"12:30", false, 0},
        {".", false, 0},
        {"-", false, 0},
        {"1e", false, 0},
        {"1.2.3", false, 0},
        {"1 2", false, 0},
        {"1e20", false, 0},
        {"9999999999999999999999", false, 0},
    };
    for (const auto& c : cases) {
        Currency v = Currency::FromRaw(777);
        EXPECT_EQ(Currency::TryParse(c.text, v), c.readable) << c.text;
        // Empty or unreadable text counts as 0.
        EXPECT_EQ(Currency::Parse(c.text).Raw(), c.raw) << c.text;
        if (c.readable)
            EXPECT_EQ(v.Raw(), c.raw) << c.text;
        else
            EXPECT_EQ(v.Raw(), 777) << c.text;
    }
}

TEST(Currency, ProductsRoundToTheNearestFourthDecimal)
{
    struct Case {
        const char* a;
        const char* b;
        const char* product;
    };
    const std::vector<Case> cases = {
        {"1.5", "2.25", "3.375"},
        {"0.3333", "0.3333", "0.1111"},    // 0.11108889
        {"0.0001", "0.5", "0"},            // half, to even
        {"0.0003", "0.5", "0.0002"},       // half, to even
        {"0.0001", "0.6", "0.0001"},
        {"-0.0003", "0.5", "-0.0002"},
        {"1234567.89", "1000", "1234567890"},
        {"12", "3500", "42000"},
        {"-2", "1.25", "-2.5"},
        {"0", "99999", "0"},
    };
    for (const auto& c : cases)
        EXPECT_EQ((C(c.a) * C(c.b)).ToPlain(), c.product) << c.a << " * " << c.b;
    EXPECT_EQ((C("1.1") + C("2.2")).ToPlain(), "3.3");
    EXPECT_EQ((C("1") - C("2.5")).ToPlain(), "-1.5");
}

TEST(Currency, PlainTextHasNoSeparatorsOrTrailingZeros)
{
    const std::vector<std::pair<const char*, const char*>> cases = {
        {"1234.5", "1234.5"}, {"0", "0"},           {"-3", "-3"},     {"0.0001", "0.0001"},
        {"-0.5", "-0.5"},     {"100", "100"},       {"1.10", "1.1"},  {"1234567.8900", "1234567.89"},
    };
    for (const auto& [in, out] : cases)
        EXPECT_EQ(C(in).ToPlain(), out) << in;
    EXPECT_EQ(Currency::FromRaw(INT64_MIN).ToPlain(), "-922337203685477.5808");
}

TEST(Currency, RoundAndTrunc)
{
    EXPECT_EQ(C("2.5").Round(), 3);
    EXPECT_EQ(C("-2.5").Round(), -3);
    EXPECT_EQ(C("2.4999").Round(), 2);
    EXPECT_EQ(C("-2.4999").Round(), -2);
    EXPECT_EQ(C("7.9").Trunc(), 7);
    EXPECT_EQ(C("-7.9").Trunc(), -7);
    EXPECT_TRUE(C("3").IsWhole());
    EXPECT_FALSE(C("3.0001").IsWhole());
}

TEST(Currency, DisplayMasks)
{
    struct Case {
        const char* mask;
        const char* value;
        const char* shown;
    };
    const std::vector<Case> cases = {
        {"##,###,##0.##", "0", "0"},
        {"##,###,##0.##", "1234.5", "1,234.5"},
        {"##,###,##0.##", "1234567.891", "1,234,567.89"},
        {"##,###,##0.##", "999.995", "1,000"},
        {"##,###,##0.##", "0.005", "0.01"},
        {"##,###,##0.##", "0.0049", "0"},
        {"##,###,##0.##", "-1234.5", "-1,234.5"},
        {"##,###,##0.##", "-0.005", "-0.01"},
        {"##,###,##0.##", "-0.004", "0"},
        {"##,###,##0.##", "12345678901", "12,345,678,901"},
        {"##,###,##0.##", "100", "100"},
        {"##,###,##0.##", "0.5", "0.5"},
        {"###,##0.##", "0", "0"},
        {"###,##0.##", "1234567.8", "1,234,567.8"},
        {"###,##0.##", "-12.345", "-12.35"},
        {"########", "0", ""},
        {"########", "12", "12"},
        {"########", "12.5", "13"},
        {"########", "12.4999", "12"},
        {"########", "-3", "-3"},
        {"########", "1234567890", "1234567890"},
        {"#,0", "0", "0"},
        {"#,0", "999", "999"},
        {"#,0", "1234", "1,234"},
        {"#,0", "1234.5", "1,235"},
        {"#,0", "-1000", "-1,000"},
        {"00", "0", "00"},
        {"00", "5", "05"},
        {"00", "7.5", "08"},
        {"00", "123", "123"},
        {"00", "-5", "-05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatNumber(c.mask, C(c.value)), c.shown) << c.mask << " " << c.value;
    EXPECT_EQ(FormatAmount(C("-98765.4321")), "-98,765.43");
}
