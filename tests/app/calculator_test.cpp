#include <gtest/gtest.h>

#include "app/calculator.h"

using namespace ob7;

// Results in the default calculator format "16e": 16 decimals, exponent form; a complex
// value adds its imaginary part with "*j", a "+" only when it is not negative.
TEST(Calculator, ValuesInTheCalculatorFormat) {
    struct Case {
        const char* formula;
        bool ok;
        const char* text;
    };
    const Case cases[] = {
        {"1+2", true, "3.0000000000000000E+00"},
        {"1/3", true, "3.3333333333333331E-01"},
        {"2^10", true, "1.0240000000000000E+03"},
        {"1k+1", true, "1.0010000000000000E+03"},
        {"2+3*j", true, "2.0000000000000000E+00+3.0000000000000000E+00*j"},
        {"1-2*j", true, "1.0000000000000000E+00-2.0000000000000000E+00*j"},
        {"(1+j)*(1-j)", true, "2.0000000000000000E+00"},
        {"(1+2", false, "Missing ').' in '(1+2'."},
        {"abc", false, "Unknown identifier 'ABC' in 'ABC'."},
    };
    CalculatorFormat = "16e";
    for (const Case& c : cases) {
        std::string out;
        int code = EvaluateCalculatorText(c.formula, nullptr, out);
        EXPECT_EQ(code == 0, c.ok) << c.formula;
        EXPECT_EQ(out, c.text) << c.formula;
    }
}

TEST(Calculator, Derivatives) {
    struct Case {
        const char* formula;
        const char* variable;
        const char* text;
    };
    for (const Case& c : {Case{"x*x+3*x", "x", "X+X+3"}, Case{"sin(t)", "T", "COS(T)"}, Case{"5*y", "", "5"}}) {
        std::string variable = c.variable, out;
        EXPECT_EQ(EvaluateCalculatorText(c.formula, &variable, out), 0) << c.formula;
        EXPECT_EQ(out, c.text) << c.formula;
    }
}
