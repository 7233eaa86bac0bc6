#include <gtest/gtest.h>

#include "app/calculator.h"
#include "app/calculator_dialog.h"
#include "platform/image.h"
#include "platform/qt_app.h"

#include <filesystem>

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

TEST(Calculator, WindowCalculatesDifferentiatesAndKeepsItsHistory) {
    TestApp();
    CalculatorHistory().Clear();
    CalculatorHistory().SetSize(10);
    CalculatorFormat = "16e";
    CCalculatorDlg* calc = OpenCalculator();
    ASSERT_NE(calc, nullptr);
    EXPECT_EQ(OpenCalculator(), calc);  // a second open brings the same window up
    calc->SetItemText(10, "2+3*j");
    ASSERT_TRUE(calc->RouteCommand(17332));
    EXPECT_EQ(calc->ItemText(101), "2.0000000000000000E+00+3.0000000000000000E+00*j");
    calc->SetItemText(10, "x*x+3*x");
    calc->SetItemText(17331, " x ");
    ASSERT_TRUE(calc->RouteCommand(17333));
    EXPECT_EQ(calc->ItemText(101), "X+X+3");
    EXPECT_EQ(calc->ItemText(17331), "x");
    // A failed formula is shown but not remembered.
    calc->SetItemText(10, "(1+2");
    ASSERT_TRUE(calc->RouteCommand(17332));
    EXPECT_EQ(calc->ItemText(101), "Missing ').' in '(1+2'.");
    ASSERT_GE(CalculatorHistory().Count(), 2);
    EXPECT_EQ(CalculatorHistory().Name(0), "x*x+3*x");
    EXPECT_EQ(CalculatorHistory().Second(0), "x");
    EXPECT_EQ(CalculatorHistory().Name(1), "2+3*j");
    // The format radio buttons evaluate again in the new style.
    calc->SetItemText(10, "1/4");
    calc->SetItemText(5804, "3");
    calc->CheckRadioButton(5801, 5803, 5802);
    ASSERT_TRUE(calc->RouteCommand(5802));
    EXPECT_EQ(CalculatorFormat, "3");
    EXPECT_EQ(calc->ItemText(101), "250M");  // M is milli in the suffix set
    platform::Application::PumpMessages();
    std::filesystem::create_directories("png");
    EXPECT_TRUE(calc->Grab().SavePng("png/calculator.png"));
    calc->RouteCommand(23);
    platform::Application::PumpMessages();
    EXPECT_EQ(OpenCalculatorWindow(), nullptr);
}
