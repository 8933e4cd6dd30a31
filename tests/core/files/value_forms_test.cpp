#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <random>

#include "core/action_error.h"
#include "core/files/value_forms.h"

namespace tem {
namespace {

TEST(ValueForms, GeneralForm)
{
    const struct {
        double v;
        const char* text;
    } cases[] = {
        {120, "120"},
        {0.03, "0.03"},
        {-0.5, "-0.5"},
        {0.00001, "0.00001"},
        {1e-6, "1E-6"},
        {5e-6, "5E-6"},
        {5e-5, "0.00005"},
        {2e-10, "2E-10"},
        {-2.5e-7, "-2.5E-7"},
        {0, "0"},
        {-0.0, "0"},
        {1, "1"},
        {60000, "60000"},
        {4.5e-06, "4.5E-6"},
        {0.1 + 0.2, "0.3"}, // noise beyond 15 digits is dropped
        {1.0 / 3.0, "0.333333333333333"},
        {123456789012345.0, "123456789012345"},
        {1e15, "1E15"},
        {1.5e20, "1.5E20"},
        {999999999999999.9, "1E15"}, // rounding carries into a new digit
        {-1.83, "-1.83"},
        {0.000123, "0.000123"},
        {std::numeric_limits<double>::quiet_NaN(), "NAN"},
        {std::numeric_limits<double>::infinity(), "INF"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatGeneral(c.v), c.text) << c.v;
}

TEST(ValueForms, GeneralFormReadsBackTo15Digits)
{
    for (double v : {0.03, 1e-6, 2e-10, 123.456, -7.25e-300, 1.7e308, 3.14159265358979, 1.0 / 7.0}) {
        const auto back = ParseFloat(FormatGeneral(v));
        ASSERT_TRUE(back) << FormatGeneral(v);
        EXPECT_NEAR(*back / v, 1.0, 1e-14) << FormatGeneral(v);
    }
    EXPECT_EQ(*ParseFloat(FormatGeneral(2e-10)), 2e-10);
}

// Numbers with few digits take a quicker path than numbers that need rounding to 15 digits; both
// must give the value that printf's 15-digit rounding gives.
TEST(ValueForms, GeneralFormAgreesWith15DigitRounding)
{
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> mantissa(1.0, 10.0);
    std::uniform_int_distribution<int> exponent(-300, 300), digits(1, 17);
    for (int i = 0; i < 20000; ++i) {
        char text[64];
        std::snprintf(text, sizeof text, "%.*e", digits(random) - 1, mantissa(random));
        const double v = std::strtod(text, nullptr) * std::pow(10.0, exponent(random)) * (i % 2 ? -1 : 1);
        std::snprintf(text, sizeof text, "%.15g", v);
        const auto back = ParseFloat(FormatGeneral(v));
        ASSERT_TRUE(back) << FormatGeneral(v);
        ASSERT_EQ(*back, std::strtod(text, nullptr)) << FormatGeneral(v) << " vs " << text;
    }
}

TEST(ValueForms, FixedAndScientificForms)
{
    EXPECT_EQ(FormatFixed(1.5, 8, 3), "   1.500");
    EXPECT_EQ(FormatFixed(1.5, 9, 2), "     1.50");
    EXPECT_EQ(FormatFixed(1.5, 10, 3), "     1.500");
    EXPECT_EQ(FormatFixed(1.5, 12, 7), "   1.5000000");
    EXPECT_EQ(FormatFixed(-2.25, 8, 3), "  -2.250");
    EXPECT_EQ(FormatFixed(123456789.5, 8, 3), "123456789.500"); // never truncated
    EXPECT_EQ(FormatFixed(0.0005, 8, 3), "   0.001");
    EXPECT_EQ(FormatScientific(1.5), "1.500000E+000");
    EXPECT_EQ(FormatScientific(-1.5), "-1.500000E+000");
    EXPECT_EQ(FormatScientific(2e-10), "2.000000E-010");
    EXPECT_EQ(FormatScientific(6.02e123), "6.020000E+123");
    EXPECT_EQ(FormatScientific(1e-300), "1.000000E-300");
    EXPECT_EQ(FormatScientific(0), "0.000000E+000");
    EXPECT_EQ(FormatScientific(1.5, 15, 2), "      1.50E+000");
}

TEST(ValueForms, PrintfForms)
{
    // Compared with the C library's own printf in the C locale.
    const struct {
        double v;
        int width, precision;
    } cases[] = {{8011.5, 12, 5},   {-802.5, 12, 5}, {-1, 12, 5},  {0, 12, 5},    {1.23456789e-7, 9, 6},
                 {123456789, 9, 6}, {2e-10, 10, 3},  {-0.5, 8, 6}, {1e300, 0, 6}, {0.0001, 9, 6}};
    for (const auto& c : cases) {
        char g[64], e[64];
        std::snprintf(g, sizeof g, "%*.*g", c.width, c.precision, c.v);
        std::snprintf(e, sizeof e, "%*.*e", c.width, c.precision, c.v);
        EXPECT_EQ(FormatPrintfG(c.v, c.width, c.precision), g) << c.v;
        EXPECT_EQ(FormatPrintfE(c.v, c.width, c.precision), e) << c.v;
    }
}

TEST(ValueForms, HexAndNumberedNames)
{
    EXPECT_EQ(FormatHex(255), "FF");
    EXPECT_EQ(FormatHex(0), "0");
    EXPECT_EQ(FormatHex(0xCBF43926u), "CBF43926");
    EXPECT_EQ(FormatHex(0x0001A2B3u), "1A2B3");
    EXPECT_EQ(FormatNumbered(1, 1), "1");
    EXPECT_EQ(FormatNumbered(12, 1), "12");
    EXPECT_EQ(FormatNumbered(1, 2), "01");
    EXPECT_EQ(FormatNumbered(12, 2), "12");
    EXPECT_EQ(FormatNumbered(100, 2), "100");
    EXPECT_EQ(FormatNumbered(1, 3), "001");
    EXPECT_EQ(FormatNumbered(12, 3), "012");
    EXPECT_EQ(FormatNumbered(255, 3), "255");
}

TEST(ValueForms, ParseInteger)
{
    const struct {
        const char* text;
        std::optional<long long> value;
    } cases[] = {
        {"12", 12},
        {"-7", -7},
        {"+3", 3},
        {" 42 ", 42},
        {"0x1F", 31},
        {"0X1f", 31},
        {"1F", {}},
        {"True", {}},
        {"", {}},
        {"-", {}},
        {"1.0", {}},
        {"0x", {}},
        {"0xG1", {}},
        {"1 2", {}},
        {"99999999999999999999", {}},
        {"2", 2},
        {"-9223372036854775808", std::numeric_limits<long long>::min()},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseInteger(c.text), c.value) << '"' << c.text << '"';
}

TEST(ValueForms, ParseFloatIsStrict)
{
    const struct {
        const char* text;
        std::optional<double> value;
    } cases[] = {
        {"1.5", 1.5}, {"-0.5", -0.5}, {"+2", 2},         {"1e-6", 1e-6},  {"2E-10", 2e-10},    {"5E+3", 5000},
        {".5", 0.5},  {"3.", 3},      {" 12.5\t", 12.5}, {"1e-400", 0.0}, {"1,5", {}},         {"inf", {}},
        {"nan", {}},  {"INF", {}},    {"0x1p3", {}},     {"1e", {}},      {"e5", {}},          {"", {}},
        {".", {}},    {"1.5abc", {}}, {"--1", {}},       {"1e400", {}},   {"//Something", {}}, {"1 2", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ParseFloat(c.text), c.value) << '"' << c.text << '"';
}

TEST(ValueForms, SplitVector)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitVector("1.83 0.00 -1.20", false), (V{"1.83", "0.00", "-1.20"}));
    // comma, spaces and tab separate alike
    EXPECT_EQ(SplitVector("1,2", false), (V{"1", "2"}));
    EXPECT_EQ(SplitVector("1   2", false), (V{"1", "2"}));
    EXPECT_EQ(SplitVector("1\t2", false), (V{"1", "2"}));
    EXPECT_EQ(SplitVector("1 , 2", false), (V{"1", "2"}));
    EXPECT_EQ(SplitVector("1,,2", false), (V{"1", "", "2"}));
    EXPECT_EQ(SplitVector("  ", false), V{});
    EXPECT_EQ(SplitVector("\"a b\",\"say \"\"hi\"\"\" c", false), (V{"a b", "say \"hi\"", "c"}));
    EXPECT_EQ(SplitVector("\"open", false), (V{"open"}));
    EXPECT_EQ(SplitVector("caf\xE9 1", false), (V{"caf\xE9", "1"}));

    const V t = SplitVector("10", true);
    ASSERT_GE(t.size(), 3u);
    EXPECT_EQ(t[1], "//Something");
    EXPECT_EQ(t[2], "here");
    EXPECT_EQ(TokenFloat(t, 0, -1), 10);
    EXPECT_EQ(TokenFloat(t, 1, -1), -1);
    EXPECT_EQ(TokenFloat(t, 2, 7.5), 7.5);
    EXPECT_EQ(TokenInteger(t, 0, 0), 10);
    EXPECT_EQ(TokenInteger(t, 99, 4), 4);

    const V two = SplitVector("1 2", false);
    EXPECT_EQ(TokenAt(two, 1), "2");
    try {
        TokenAt(two, 2);
        FAIL() << "expected ListIndexError";
    } catch (const ListIndexError& e) {
        EXPECT_NE(std::string(e.what()).find("(2)"), std::string::npos);
    }
}

TEST(ValueForms, TextHelpers)
{
    EXPECT_EQ(Trim(" \t a b \r\n"), "a b");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(UpperCase("NumTimes=\xE9"), "NUMTIMES=\xE9");
    EXPECT_TRUE(SameText("LoopSides", "LOOPSIDES"));
    EXPECT_FALSE(SameText("LoopSide", "LoopSides"));
    EXPECT_FALSE(SameText("a\xE9", "A\xC9")); // 8-bit letters compare exactly
}

TEST(ValueForms, SignificantFormOfTheEngineFiles)
{
    struct Case {
        double v;
        int width, digits;
        const char* text;
    } cases[] = {
        {0, 8, 5, "       0"},          {-0.5, 8, 5, "    -0.5"},
        {123.456789, 8, 5, "  123.46"}, {99999.4, 8, 5, "   99999"},
        {99999.5, 8, 5, "   1E005"},    {123456, 8, 5, "1.2346E005"},
        {0.0001, 8, 5, "  0.0001"},     {0.000099999, 8, 5, "9.9999E-005"},
        {1.5e-5, 10, 7, "  1.5E-005"},  {-1e-5, 10, 7, "   -1E-005"},
        {450000, 10, 7, "    450000"},  {1e300, 6, 4, " 1E300"},
        {2.5e-5, 6, 4, "2.5E-005"},     {0.1, 7, 6, "    0.1"},
        {1e-100, 0, 3, "1E-100"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatSignificant(c.v, c.width, c.digits), c.text) << c.v;
    EXPECT_EQ(FormatScientific(2e-5, 11, 14), "2.00000000000000E-005");
    EXPECT_EQ(FormatScientific(-1.5e-5, 11, 14), "-1.50000000000000E-005");
}

} // namespace
} // namespace tem
