// Comma lists of numbers, digital curve values, run prompts and run errors.

#include <gtest/gtest.h>

#include "expression/compiler.h"
#include "foundation/numbers.h"
#include "foundation/report_sink.h"
#include "platform/system_services.h"
#include "sim/engine/run_control.h"
#include "sim/engine/run_helpers.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

class RunHelpers : public ::testing::Test {
protected:
    void SetUp() override { SetNumericExpressionEvaluator(&EvaluateNumericText); }
};

TEST_F(RunHelpers, TwoNumbers) {
    double a = -1, b = -1;
    EXPECT_EQ(ParseTwoNumbers("1, 2", &a, &b), 0);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
    EXPECT_EQ(ParseTwoNumbers("5", &a, &b), 0);
    EXPECT_EQ(a, 5);
    EXPECT_EQ(b, 0);
    EXPECT_EQ(ParseTwoNumbers("max(1,7),2k", &a, &b), 0);  // the inner comma does not split
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 2000);
    EXPECT_NE(ParseTwoNumbers("1+,2", &a, &b), 0);
    EXPECT_EQ(b, 0);
}

TEST_F(RunHelpers, NumberLists) {
    EXPECT_EQ(ParseNumberListOpt("1,,3", 3), kMsgMissingParameter);
    EXPECT_EQ(ParseNumberList("1,,3", 3), 0);
    EXPECT_EQ(NumberList[0], 1);
    EXPECT_EQ(NumberList[1], 0);
    EXPECT_EQ(NumberList[2], 3);
    EXPECT_EQ(ParseNumberListOpt("1,2", 3), kMsgMissingParameter);
    EXPECT_EQ(ParseNumberListOpt("4,5,6,7", 3), 0);
    EXPECT_EQ(NumberList[2], 6);
    EXPECT_EQ(NumberList[3], 0);  // only n items are taken
    // More than the ten slots are never written.
    EXPECT_EQ(ParseNumberList("1,2,3,4,5,6,7,8,9,10,11,12", 12), 0);
    EXPECT_EQ(NumberList[9], 10);

    int error = -1;
    EXPECT_EQ(ParseNumberArray("1, 2m,, (3)", &error), (std::vector<double>{1, 2e-3, 3}));
    EXPECT_EQ(error, 0);
    EXPECT_TRUE(ParseNumberArray("1, 2+", &error).empty());
    EXPECT_NE(error, 0);

    char text[] = "f(a,b),c";
    char* rest = SplitAtTopLevelComma(text);
    EXPECT_STREQ(text, "f(a,b)");
    EXPECT_STREQ(rest, "c");
    EXPECT_EQ(*SplitAtTopLevelComma(rest), '\0');
}

TEST_F(RunHelpers, DigitalValues) {
    EXPECT_EQ(FormatDigitalValue(0, 0x1F8 | 3, 1), "1");
    EXPECT_EQ(FormatDigitalValue(0, 0x008 | 4, 1), "X");
    EXPECT_EQ(FormatDigitalValue(0, 3, 1), "Z");  // no strength
    EXPECT_EQ(FormatDigitalValue(kRadixOctal, 5, 4), "05");
    EXPECT_EQ(FormatDigitalValue(kRadixHex, 5, 4), "5");
    EXPECT_EQ(FormatDigitalValue(kRadixBinary, 5, 6), "000101");
    EXPECT_EQ(FormatDigitalValue(kRadixDecimal, 255, 8), "255");
    EXPECT_EQ(FormatDigitalValue(kRadixBinary | kRadixHex, 255, 12), "0FF");  // hexadecimal wins
    EXPECT_EQ(DigitalStateIndex('x'), 4);
    EXPECT_EQ(DigitalStateIndex('?'), 6);
    EXPECT_EQ(DigitalStateIndex('\0'), -1);
    EXPECT_EQ(DigitalStateIndex('A'), -1);
    EXPECT_EQ(AnalysisMaskBit(18406), 0x10000u);
    EXPECT_EQ(AnalysisMaskBit(18400), 1u << (18400 % 32));
}

std::vector<int> delivered;
struct CaptureSink : ReportSink {
    int Deliver(const ReportDelivery& report) override {
        delivered.push_back(report.id);
        return 0;
    }
};
int focused_field = -1;

TEST_F(RunHelpers, RunErrorIsShownOncePerRunAtItsField) {
    CaptureSink sink;
    SetBatchLogSink(&sink);
    delivered.clear();
    RunControl = {};
    RunView = {};
    static int dialog;
    RunView.open_limits_dialog = [] { return static_cast<void*>(&dialog); };
    RunView.focus_field = [](void*, int kind, int index, int) { focused_field = kind * 100 + index; };
    ReportRunError(1, 2, -1, nullptr, 15051);
    ReportOutOfMemoryDuringRun();
    EXPECT_EQ(delivered, std::vector<int>{15051});
    EXPECT_EQ(focused_field, 102);
    EXPECT_EQ(RunControl.error_shown, 1);

    // Dynamic DC reports every error to the main frame.
    RunView.dynamic_dc_mode = [] { return true; };
    ReportOutOfMemoryDuringRun();
    EXPECT_EQ(delivered, (std::vector<int>{15051, 15002}));
    SetBatchLogSink(nullptr);
    RunView = {};
    RunControl = {};
}

// Keys as a user types them; counts how often the run looked.
struct KeyboardStub : platform::SystemServices {
    std::vector<int> keys;
    int polls = 0;
    int ShowMessageBox(const std::string&, const std::string&, int) override { return 1; }
    void Beep(int) override {}
    int PollKey() override {
        ++polls;
        if (keys.empty()) return 0;
        const int key = keys.front();
        keys.erase(keys.begin());
        return key;
    }
};
int pauses = 0;

TEST_F(RunHelpers, RunKeysAreReadOnEverySixthPoll) {
    KeyboardStub keyboard;
    platform::InstallServices(&keyboard);
    RunControl = {};
    RunView = {};
    RunView.pause = [] { ++pauses; };
    keyboard.keys = {19, 'q', 'p', 27};
    for (int call = 1; call <= 17; ++call) PollRunKeys(nullptr, 6);
    EXPECT_EQ(keyboard.polls, 2);  // calls 6 and 12
    EXPECT_EQ(pauses, 1);          // Ctrl+S paused, q was dropped
    // Call 18: without a plot window the P stays pending, and no more keys are read.
    EXPECT_EQ(PollRunKeys(nullptr, 6), 'P');
    for (int call = 0; call < 12; ++call) PollRunKeys(nullptr, 6);
    EXPECT_EQ(keyboard.polls, 3);
    RunControl.pending_key = 0;
    for (int call = 0; call < 6; ++call) PollRunKeys(nullptr, 6);
    EXPECT_EQ(RunControl.pending_key, 27);
    EXPECT_EQ(RunControl.abort, 1);
    platform::InstallServices(nullptr);
    RunView = {};
    RunControl = {};
}

std::vector<std::string> prompts;

TEST_F(RunHelpers, RunningPromptNamesTheAnalysis) {
    RunView = {};
    RunView.show_prompt = [](const std::string& text) { prompts.push_back(text); };
    for (int kind : {0, 1, 2}) {
        AnalysisKind = kind;
        ShowRunningPrompt();
    }
    AnalysisKind = -1;
    RunView = {};
    EXPECT_EQ(prompts, (std::vector<std::string>{"Running Transient Analysis.", "Running AC Analysis.",
                                                 "Running DC Analysis."}));
}

TEST_F(RunHelpers, EachRunCaseTakesTheNextTemperature) {
    static int restarts = 0;
    restarts = 0;
    RestartSteppingCases = [] { ++restarts; };
    TemperatureCases list;
    list.is_list = true;
    list.values = {-40, 27, 125};
    for (double expected : {-40.0, 27.0, 125.0}) {
        NextTemperatureCase(list);
        EXPECT_EQ(ob7::Run.temp, expected);
    }
    EXPECT_EQ(list.next, 3u);
    EXPECT_EQ(restarts, 3);
    // A sweep from 0 by 40 stops at its end of 100, also downwards.
    TemperatureCases sweep;
    ob7::Run.temp = 0;
    RunTemperatureSweep = {40, 100};
    for (double expected : {40.0, 80.0, 100.0, 100.0}) {
        NextTemperatureCase(sweep);
        EXPECT_EQ(ob7::Run.temp, expected);
    }
    RunTemperatureSweep = {-50, 0};
    for (double expected : {50.0, 0.0}) {
        NextTemperatureCase(sweep);
        EXPECT_EQ(ob7::Run.temp, expected);
    }
    EXPECT_EQ(restarts, 9);
    RestartSteppingCases = nullptr;
    RunTemperatureSweep = {};
    ob7::Run.temp = 27;
}

// A token list as the compiler leaves it.
CompiledExpression Tokens(std::initializer_list<std::pair<int16_t, double>> list) {
    CompiledExpression e;
    for (const auto& [opcode, number] : list) {
        ExpressionToken t;
        t.opcode = opcode;
        t.value.number = number;
        e.tokens.push_back(std::move(t));
    }
    return e;
}

CompiledExpression Compiled(const char* text) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, text, &e, 0x7, 2048);
    EXPECT_EQ(CompileExpression(&c), 0) << text;
    return e;
}

TEST_F(RunHelpers, ExpressionsWithTheSameTokensAreEqual) {
    CompiledExpression a = Compiled("SIN(TIME)*2+1"), same = Compiled("sin( TIME ) * 2 + 1");
    CompiledExpression other = Compiled("SIN(TIME)*3+1"), shorter = Compiled("SIN(TIME)*2");
    EXPECT_TRUE(EqualShortLists(a, same));
    EXPECT_FALSE(EqualShortLists(a, other));    // a constant differs
    EXPECT_FALSE(EqualShortLists(a, shorter));  // the counts differ
    EXPECT_FALSE(EqualShortLists(Compiled("TIME+1"), Compiled("TIME-1")));  // an opcode differs
    for (CompiledExpression* e : {&a, &same, &other, &shorter}) FreeExpression(e);
}

TEST_F(RunHelpers, TheWidestBusGivesTheDigitalWidth) {
    // BIN(D1,D2) + HEX(D1,D2,D3,D4,D5): each call ends with its bit count (opcode 121).
    const CompiledExpression two_and_five = Tokens({{3, 0}, {3, 0}, {kOpConstant, 2}, {121, 0}, {3, 0}, {3, 0},
                                                    {3, 0}, {3, 0}, {3, 0}, {kOpConstant, 5}, {121, 0}, {102, 0}});
    EXPECT_EQ(MaxCoreIndex(two_and_five), 5);
    // Constants elsewhere are no widths.
    EXPECT_EQ(MaxCoreIndex(Tokens({{kOpConstant, 40}, {3, 0}, {100, 0}})), 0);
    EXPECT_EQ(MaxCoreIndex(CompiledExpression{}), 0);
}

}  // namespace
}  // namespace ob7
