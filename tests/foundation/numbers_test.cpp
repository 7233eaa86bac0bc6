#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"

using namespace ob7;

TEST(EngineeringScale, PicksTheStepOfTheValue) {
    struct Case { double value; int flags; double multiplier; const char* suffix; };
    const Case cases[] = {
        {4.7e3, 0, 1e-3, "K"},   {2.2e-6, 0, 1e6, "U"},   {5e-17, 0, 1e15, "F"},  {1.5e14, 0, 1e-12, "T"},
        {2e15, 0, 1, " "},       {0, 0, 1, " "},          {1e-19, 0, 1, " "},     {-4.7e6, 0, 1e-6, "MEG"},
        {4.7e6, 1, 1e-6, "M"},   {1e-3, 1, 1e3, "m"},     {1e-3, 0, 1e3, "M"},    {0.5, 0, 1e3, "M"},
        {3e-12, 0, 1e12, "P"},   {3e-9, 1, 1e9, "n"},     {7, 0, 1, " "},         {3e9, 0, 1e-9, "G"},
    };
    for (const Case& c : cases) {
        double multiplier = 0;
        EXPECT_STREQ(EngineeringScale(&multiplier, c.flags, c.value), c.suffix) << c.value;
        EXPECT_DOUBLE_EQ(multiplier, c.multiplier) << c.value;
    }
}

TEST(EngineeringScale, TheFloorIsAdjustable) {
    double multiplier = 0;
    EXPECT_STREQ(EngineeringScale(&multiplier, 0, 5e-16), "F");
    EngineeringScaleFloor = 1e-15;
    EXPECT_STREQ(EngineeringScale(&multiplier, 0, 5e-16), " ");
    EXPECT_EQ(multiplier, 1);
    EngineeringScaleFloor = 1e-18;
}

TEST(FormatNumber, WritesSuffixesRoundsAndPads) {
    struct Case { double value; int digits; int style; int flags; const char* text; };
    const Case cases[] = {
        {4700, 3, 0, 0, "4.7K"},
        {4700, 3, 0, kNumPadZeros, "4.700K"},
        {4.7e6, 3, 0, kNumLowerCase, "4.7M"},
        {4.7e6, 3, 0, 0, "4.7MEG"},
        {1e-3, 3, 0, kNumLowerCase, "1m"},
        {0, 3, 0, 0, "0 "},
        {1e16, 3, 0, 0, "1.000E+16"},
        {1.2345, 2, 0, 0, "1.23 "},
        {1.235, 2, 0, 0, "1.24 "},
        {9.996, 2, 0, 0, "10 "},
        {-1.235, 2, 0, 0, "-1.24 "},
        {1235, 2, 0, 0, "1.24K"},
        {1.23456789, -1, 0, 0, "1.23457 "},
        {5e-17, 3, 0, 0, "0.05F"},
        {1.5e14, 3, 0, 0, "150T"},
        {4700, 3, 0, kNumNoScaling, "4700"},
        {4700, 3, 0, kNumLeadingBlank, " 4.7K"},
        {2, 3, 0, kNumPadZeros, "2.000 "},
        {1234.56, 3, 'E', 0, "1.235E+03"},
        {1234.56, 3, 'e', kNumTidyExponent, "1.235E3"},
        {0.00012, 3, 'E', kNumTidyExponent, "1.200E-4"},
        {0.5, 3, 'G', 0, "0.5"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatNumberText(c.value, c.digits, c.style, c.flags), c.text) << c.value << " " << c.digits;
}

TEST(FormatNumber, StaysWithinItsBufferForHugeDigitCounts) {
    char text[kNumberTextSize];
    const double values[] = {-1.7e308, 4.9e-324, 123456789012345.0, -999.9999e12};
    for (double v : values) {
        for (int style : {0, int('E'), int('G')}) {
            FormatNumber(text, &v, 1000, style, kNumPadZeros | kNumLeadingBlank);
            EXPECT_LT(std::string(text).size(), static_cast<std::size_t>(kNumberTextSize));
        }
    }
}

TEST(ExponentTexts, TidyAndTrim) {
    struct Case { const char* in; const char* sign; const char* tidy; };
    const Case cases[] = {
        {"1.5E+05", "1.5E5", "1.5E5"}, {"1.5e-05", "1.5e-5", "1.5e-5"}, {"1E+005", "1E05", "1E5"},
        {"2.5", "2.5", "2.5"},         {"1E+10", "1E10", "1E10"},
    };
    for (const Case& c : cases) {
        char a[32], b[32];
        std::strcpy(a, c.in);
        std::strcpy(b, c.in);
        EXPECT_STREQ(TidyExponentSign(a), c.sign) << c.in;
        EXPECT_STREQ(TidyExponent(b), c.tidy) << c.in;
    }
    const char* trims[][2] = {{"0.5", ".5"}, {"007", "7"}, {"0", "0"}, {"-0.50", "-.5"}, {"1.000", "1"},
                              {"0.0", "0"},  {"100", "100"}, {"2.50E-3", "2.5E-3"},
                              // no digits at all: nothing to trim, and no room for a "0"
                              {"", ""},      {"E5", "E5"},   {"-E5", "-E5"}};
    for (auto& t : trims) {
        // A buffer exactly as long as the text, then a guard byte.
        const size_t n = std::strlen(t[0]);
        std::vector<char> text(n + 2, '#');
        std::memcpy(text.data(), t[0], n + 1);
        EXPECT_STREQ(TrimNumberText(text.data()), t[1]) << t[0];
        EXPECT_EQ(text[n + 1], '#') << t[0];
    }
}

TEST(ParseNumber, ReadsSuffixesInAnyCase) {
    struct Case { const char* text; double value; int clock; };
    const Case cases[] = {
        {"4K7", 4700, 0},     {"10MEG", 1e7, 0},   {"10meg", 1e7, 0},   {"10MeG", 1e7, 0},   {"10M", 0.01, 0},
        {"10m", 0.01, 0},     {"1.5NS", 1.5e-9, 0}, {"2R2", 2.2, 0},    {"1MEG5", 1.5e6, 0}, {"1e300", 1e300, 0},
        {"1e-300", 1e-300, 0}, {"5 V", 5, 0},       {"10C", 10, 1},     {"3f", 3e-15, 0},    {"3F", 3e-15, 0},
        {"3p", 3e-12, 0},     {"3N", 3e-9, 0},     {"3u", 3e-6, 0},     {"3k", 3e3, 0},      {"3G", 3e9, 0},
        {"3t", 3e12, 0},      {"1.5e3", 1500, 0},  {"-2.5u", -2.5e-6, 0}, {".5", 0.5, 0},    {"  42  ", 42, 0},
        {"4k7Ohm", 4700, 0},  {"2.2uF", 2.2e-6, 0}, {"100Hz", 100, 0},  {"5V", 5, 0},        {"1e", 1, 0},
        {"10F", 1e-14, 0},    {"1.5E3K", 1.5e6, 0}, {"4.7n", 4.7e-9, 0},
    };
    for (const Case& c : cases) {
        int error = -1;
        EXPECT_EQ(ParseNumber(c.text, &error), c.value) << c.text;  // exactly the double of the decimal
        EXPECT_EQ(error, 0) << c.text;
        EXPECT_EQ(NumberClockFlag, c.clock) << c.text;
    }
}

TEST(ParseNumber, FlagsWhatIsNotANumber) {
    struct Case { const char* text; double value; };
    const Case cases[] = {{"1e301", 0}, {"1e-301", 0}, {"5x!", 5},   {"", 0},
                          {"   ", 0},   {"abc", 0},    {"0x1A", 0},  {"1e99999999999999999999", 0},
                          // a sign or point without digits
                          {"-", 0},     {"+", 0},      {".", 0},     {"-e5", 0},  {"+.E1", 0}, {"-K", 0}};
    for (const Case& c : cases) {
        int error = 0;
        EXPECT_DOUBLE_EQ(ParseNumber(c.text, &error), c.value) << c.text;
        EXPECT_EQ(error, 1) << c.text;
    }
    EXPECT_EQ(ParseNumber(nullptr, nullptr), 0);
}

TEST(ParseNumber, TenThousandDigitsAreHandledSafely) {
    int error = 0;
    const std::string huge = "1" + std::string(9999, '0');
    EXPECT_EQ(ParseNumber(huge.c_str(), &error), 0);  // beyond the range of a double
    EXPECT_EQ(error, 1);

    const std::string ones = std::string(9990, '0') + "1234567890";  // leading zeros
    EXPECT_DOUBLE_EQ(ParseNumber(ones.c_str(), &error), 1234567890.0);
    EXPECT_EQ(error, 0);

    const std::string tiny = "0." + std::string(9998, '0') + "1K";
    EXPECT_EQ(ParseNumber(tiny.c_str(), &error), 0);
    EXPECT_EQ(error, 0);
}

TEST(IntegerHelpers, ClampsAndOrdinals) {
    EXPECT_EQ(ClampToInt(3e9), 2147483647);
    EXPECT_EQ(ClampToInt(-3e9), -2147483647 - 1);
    EXPECT_EQ(ClampToInt(-2.7), -2);
    EXPECT_EQ(ClampToUInt(-1), 0u);
    EXPECT_EQ(ClampToUInt(5e9), 4294967295u);
    EXPECT_EQ(ClampToUInt(7.9), 7u);
    EXPECT_EQ(ParseInt("4K7"), 4700);
    EXPECT_EQ(ParseInt("1T"), 2147483647);

    const std::pair<int, const char*> ordinals[] = {{0, "none"}, {1, "1st"},   {2, "2nd"},   {3, "3rd"},
                                                    {4, "4th"},  {11, "11th"}, {12, "12th"}, {13, "13th"},
                                                    {21, "21st"}, {22, "22nd"}, {111, "111th"}, {101, "101st"}};
    for (auto& [n, text] : ordinals) {
        char buffer[16];
        EXPECT_STREQ(IntToOrdinal(buffer, n), text);
    }
    char buffer[16];
    EXPECT_STREQ(IntToText(buffer, -42), "-42");
}

namespace {

int FakeEvaluator(const char* text, int mask, int kind, double* value, int* depends) {
    if (std::string(text) == "2*3") {
        *value = 6;
        if (depends)
            *depends = 1;
        return kMsgOk;
    }
    return kMsgPending;
}

}  // namespace

TEST(EvalNumberOrExpression, NumbersFirstThenTheExpressionLanguage) {
    int code = -1;
    EXPECT_DOUBLE_EQ(EvalNumberOrExpression("4K7", &code), 4700);
    EXPECT_EQ(code, kMsgOk);
    code = 123;
    EXPECT_EQ(EvalNumberOrExpression(nullptr, &code), 0);
    EXPECT_EQ(code, 123);

    // Without the expression language a non-number is a clear error, not a silent zero.
    SetNumericExpressionEvaluator(nullptr);
    EXPECT_EQ(EvalNumberOrExpression("2*3", &code), 0);
    EXPECT_EQ(code, kMsgPending);
    ClearPendingMessage();

    SetNumericExpressionEvaluator(FakeEvaluator);
    EXPECT_DOUBLE_EQ(EvalNumberOrExpression("2*3", &code), 6);
    EXPECT_EQ(code, kMsgOk);
    EXPECT_EQ(EvalNumberOrExpressionNoErr("bad"), 0);
    double value = -1;
    int flag = -1;
    EXPECT_EQ(EvalNumberOrExpressionFlag("2*3", &value, &flag), kMsgOk);
    EXPECT_EQ(value, 6);
    EXPECT_EQ(flag, 1);
    EXPECT_EQ(EvalNumberOrExpressionFlag("7", &value, &flag), kMsgOk);
    EXPECT_EQ(flag, 0);
    EXPECT_EQ(EvalNumberOrExpressionFlag("bad", &value, &flag), kMsgPending);
    EXPECT_EQ(value, 0);
    SetNumericExpressionEvaluator(nullptr);
}

TEST(PollKey, HeadlessReturnsNothing) { EXPECT_EQ(PollKey(), 0); }
