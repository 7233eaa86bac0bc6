#include "analysis/stepping.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>

namespace ob7 {
namespace {

// A stepped value of the circuit, with its nominal value 42.
struct Target {
    double value = 42;
};

StepVariable Variable(const char* name, std::uint32_t method, const char* from, const char* to, const char* step,
                      Target* target) {
    StepVariable v;
    v.name = name;
    v.param = "Value";
    v.settings = kStepBitComponent | kStepBitOn | method;
    v.from = from;
    v.to = to;
    v.step = step;
    if (target) {
        v.read = [target] { return target->value; };
        v.write = [target](double x) { target->value = x; };
    }
    return v;
}

// Runs every case of the set and returns, per case, the values of the given targets.
std::vector<std::vector<double>> RunCases(StepSet& set, const std::vector<Target*>& targets) {
    for (StepVariable& v : set.variables)
        if (v.settings & kStepBitOn && !v.name.empty()) {
            EXPECT_EQ(PrepareStepValues(v), 0) << v.name;
            v.active = true;
        }
    int total = 0, failed = -1;
    EXPECT_EQ(CountStepCases(set, &total, &failed), 0);
    EXPECT_EQ(StepFirstCase(set), 0);
    std::vector<std::vector<double>> cases;
    for (int c = 0; c < total; ++c) {
        bool compile = false;
        EXPECT_EQ(StepApplyCase(set, &compile), 0);
        std::vector<double> values;
        for (Target* t : targets)
            values.push_back(t->value);
        cases.push_back(values);
    }
    RestoreStepValues(set);
    return cases;
}

TEST(SteppingTest, CaseCounts) {
    struct Case { std::uint32_t method; const char *from, *to, *step; int count; };
    const Case cases[] = {
        {kStepBitLinear, "1", "2", "0.1", 11}, {kStepBitLinear, "0", "0.3", "0.1", 4}, {kStepBitLinear, "5", "5", "0", 1},
        {kStepBitLinear, "10", "1", "2", 5},   {kStepBitLog, "1", "1000", "10", 4},    {kStepBitLog, "1", "1000", "0.1", 4},
        {kStepBitLog, "1000", "1", "10", 4},   {kStepBitLog, "-1", "-100", "10", 3},   {kStepBitLinear, "0", "2000", "1", 1001},
        {kStepBitList, "1, 2*3, 7", "", "", 3},
    };
    for (const Case& c : cases) {
        StepVariable v = Variable("R1", c.method, c.from, c.to, c.step, nullptr);
        ASSERT_EQ(PrepareStepValues(v), 0) << c.from << " " << c.to << " " << c.step;
        EXPECT_EQ(StepCaseCount(v), c.count) << c.from << " " << c.to << " " << c.step;
    }
}

TEST(SteppingTest, ValuesOfLinearLogAndListRuns) {
    struct Case { std::uint32_t method; const char *from, *to, *step; std::vector<double> values; };
    const Case cases[] = {
        {kStepBitLinear, "10", "1", "2", {10, 8, 6, 4, 2}},
        {kStepBitLinear, "1", "2", "0.25", {1, 1.25, 1.5, 1.75, 2}},
        {kStepBitLog, "1000", "1", "10", {1000, 100, 10, 1}},
        {kStepBitLog, "-1", "-100", "10", {-1, -10, -100}},
        {kStepBitList, "1, 2*3, 7", "", "", {1, 6, 7}},
    };
    for (const Case& c : cases) {
        Target t;
        StepSet set;
        set.variables[0] = Variable("R1", c.method, c.from, c.to, c.step, &t);
        auto run = RunCases(set, {&t});
        ASSERT_EQ(run.size(), c.values.size()) << c.from;
        for (std::size_t i = 0; i < run.size(); ++i)
            EXPECT_NEAR(run[i][0], c.values[i], 1e-12 * std::fabs(c.values[i])) << c.from << " case " << i;
        EXPECT_EQ(t.value, 42) << "nominal after the last case";
    }
}

TEST(SteppingTest, NestedAndSimultaneousOrders) {
    Target a, b;
    StepSet nested;
    nested.variables[0] = Variable("R1", kStepBitList, "1,2,3", "", "", &a);
    nested.variables[3] = Variable("C1", kStepBitList, "10,20", "", "", &b);
    const std::vector<std::vector<double>> nestedCases = {{1, 10}, {1, 20}, {2, 10}, {2, 20}, {3, 10}, {3, 20}};
    EXPECT_EQ(RunCases(nested, {&a, &b}), nestedCases);
    EXPECT_EQ(a.value, 42);
    EXPECT_EQ(b.value, 42);

    StepSet together;
    together.simultaneous = true;
    together.variables[0] = Variable("R1", kStepBitLinear, "1", "3", "1", &a);
    together.variables[1] = Variable("C1", kStepBitList, "10,20,30", "", "", &b);
    const std::vector<std::vector<double>> togetherCases = {{1, 10}, {2, 20}, {3, 30}};
    EXPECT_EQ(RunCases(together, {&a, &b}), togetherCases);
}

TEST(SteppingTest, SetsThatCannotRun) {
    struct Case { const char* what; StepVariable first, second; bool simultaneous; int code, failed; };
    StepVariable r1 = Variable("R1", kStepBitLinear, "1", "3", "1", nullptr);
    StepVariable r1Again = Variable("r1", kStepBitList, "5,6,7", "", "", nullptr);
    r1Again.param = "VALUE";
    StepVariable four = Variable("C1", kStepBitList, "1,2,3,4", "", "", nullptr);
    StepVariable many = Variable("L1", kStepBitLinear, "0", "1", "0.0005", nullptr);
    const Case cases[] = {
        {"stepped twice", r1, r1Again, false, 13284, 1},
        {"simultaneous counts differ", r1, four, true, 13286, 1},
        {"more than 1000 cases", r1, many, false, 13279, 1},
    };
    for (const Case& c : cases) {
        StepSet set;
        set.simultaneous = c.simultaneous;
        set.variables[0] = c.first;
        set.variables[1] = c.second;
        for (int i = 0; i < 2; ++i) {
            ASSERT_EQ(PrepareStepValues(set.variables[i]), 0) << c.what;
            set.variables[i].active = true;
        }
        int total = 0, failed = -1;
        EXPECT_EQ(CountStepCases(set, &total, &failed), c.code) << c.what;
        EXPECT_EQ(failed, c.failed) << c.what;
    }
    EXPECT_EQ(FormatStepVariableName(r1, true), "R1.Value");
    EXPECT_EQ(FormatStepVariableName(r1, false), "R1");
}

TEST(SteppingTest, ValuesThatCannotStep) {
    struct Case { std::uint32_t method; const char *from, *to, *step; int code; };
    const Case cases[] = {
        {kStepBitLog, "1", "100", "1", 13586},  {kStepBitLog, "1", "100", "-2", 13586}, {kStepBitLog, "0", "100", "10", 13587},
        {kStepBitLog, "-100", "1", "0.1", 13585}, {kStepBitLinear, "1", "2", "0", 13281}, {kStepBitLinear, "1k", "2+", "1", 13283},
        {kStepBitLinear, "(", "2", "1", 13282}, {kStepBitList, " , ", "", "", 13287},
    };
    for (const Case& c : cases) {
        StepVariable v = Variable("R1", c.method, c.from, c.to, c.step, nullptr);
        EXPECT_EQ(PrepareStepValues(v), c.code) << c.from << " " << c.to << " " << c.step;
    }
}

TEST(SteppingTest, SymbolicListsEvaluateTheirTextsAndWriteNothing) {
    StepSet set;
    StepVariable& v = set.variables[0];
    v = Variable("GAIN", kStepBitList, "2, 3*4", "", "", nullptr);
    v.settings = kStepBitSymbolic | kStepBitOn | kStepBitList;
    bool wrote = false;
    v.write = [&](double) { wrote = true; };
    ASSERT_EQ(PrepareStepValues(v), 0);
    v.active = true;
    int total = 0, failed = -1;
    ASSERT_EQ(CountStepCases(set, &total, &failed), 0);
    EXPECT_EQ(total, 2);
    ASSERT_EQ(StepFirstCase(set), 0);
    bool compile = false;
    ASSERT_EQ(StepApplyCase(set, &compile), 0);
    EXPECT_EQ(v.current, 2);
    ASSERT_EQ(StepApplyCase(set, &compile), 0);
    EXPECT_EQ(v.current, 12);
    EXPECT_EQ(v.appliedListPosition, 1);
    EXPECT_FALSE(wrote);

    RunRecord run;
    run.stepListIndices[0] = 1;
    run.stepValues[0] = 12;
    EXPECT_EQ(FormatStepValue(v, 0, run), "3*4");  // a symbol shows its list text
    StepVariable r1 = Variable("R1", kStepBitLinear, "1", "2", "1", nullptr);
    run.stepValues[3] = 1.5e-6;
    EXPECT_EQ(FormatStepValue(r1, 3, run), "1.5e-06");
}

TEST(SteppingTest, VariablesComeFromTheCircuitsRecords) {
    AnalysisSetup setup;
    setup.simultaneous = 1;
    setup.steps[2].flags = SF_ENABLED | SF_MODEL | SF_LOG;
    setup.steps[2].texts[0] = "D 1N4148";
    setup.steps[2].texts[1] = "RS";
    setup.steps[2].texts[2] = "1";
    setup.steps[2].texts[3] = "100";
    setup.steps[2].texts[4] = "10";
    StepSet set = StepSetFromSetup(setup);
    EXPECT_TRUE(set.simultaneous);
    const StepVariable& v = set.variables[2];
    EXPECT_EQ(v.settings, std::uint32_t(kStepBitOn | kStepBitModel | kStepBitLog));
    EXPECT_EQ(FormatStepVariableName(v, false), "D 1N4148.RS");
    StepVariable prepared = v;
    ASSERT_EQ(PrepareStepValues(prepared), 0);
    EXPECT_EQ(StepCaseCount(prepared), 3);
    EXPECT_EQ(set.variables[0].settings, std::uint32_t(kStepInitialSettings));
}

TEST(SteppingTest, ChangeThatNeedsACompileIsAsked) {
    // A series resistance leaving 0 changes the circuit's nodes.
    Target rs;
    rs.value = 0;
    StepSet set;
    set.variables[0] = Variable("D1", kStepBitLinear, "0", "10", "5", &rs);
    set.variables[0].needsCompile = [](double oldValue, double newValue) {
        return (oldValue == 0) != (newValue == 0) ? 1 : 0;
    };
    ASSERT_EQ(PrepareStepValues(set.variables[0]), 0);
    set.variables[0].active = true;
    int total = 0, failed = -1;
    ASSERT_EQ(CountStepCases(set, &total, &failed), 0);
    ASSERT_EQ(StepFirstCase(set), 0);
    std::vector<bool> compiles;
    for (int c = 0; c < total; ++c) {
        bool compile = false;
        ASSERT_EQ(StepApplyCase(set, &compile), 0);
        compiles.push_back(compile);
    }
    EXPECT_EQ(compiles, (std::vector<bool>{false, true, false}));
}

}  // namespace
}  // namespace ob7
