// The numeric output of the run cycle: what each case of a stepped run writes, a report
// that cannot be written, and the sampling of the curve tables.

#include "analysis/numeric_output.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/analysis_run.h"
#include "expression/expression_context.h"
#include "foundation/report_sink.h"
#include "numeric_output_reader.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/run_control.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
namespace {

// One node A whose voltage is the stepped value.
class NodeContext : public NoCircuitExpressionContext {
public:
    double a = 42;
    const RunValues& Run() const override { return ob7::Run; }
    int FindNode(std::string_view name, int) const override { return name == "A" ? 1 : name == "0" ? 0 : -1; }
    int AnalogNodeCount() const override { return 1; }
    const double* NodeVoltage(int node) const override { return node == 1 ? &a : nullptr; }
    bool IsSolutionEntry(const double* p) const override { return p == &a; }
};

class NumericOutputRun : public ::testing::Test, public ReportSink {
protected:
    void SetUp() override {
        SetBatchLogSink(this);
        AnalysisKind = 0;
        folder = std::filesystem::temp_directory_path() / ("ob7_nout_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        setup.limits[0] = "3";   // time range 0 to 3
        setup.limits[2] = "7";   // rows of each table
        setup.limits[3] = "27";
        setup.options = 0x40;    // operating point on
        CurveRowRecord row;
        row.plotGroup = '1';
        row.options = CO_LINEARX | CO_LINEARY | CO_OUTPUT;
        row.xExpression = "T";
        row.yExpression = "V(A)";
        row.xRange = row.yRange = "Auto";
        setup.rows.push_back(row);
        StepRecord& s = setup.steps[0];
        s.flags = SF_ENABLED | SF_LINEAR | SF_COMPONENT;
        s.texts[0] = "R1", s.texts[1] = "Value", s.texts[2] = "1", s.texts[3] = "3", s.texts[4] = "1";
    }
    void TearDown() override {
        SetBatchLogSink(nullptr);
        RunControl.error_shown = 0;
        std::filesystem::remove_all(folder);
    }
    int Deliver(const ReportDelivery& r) override {
        ids.push_back(r.id);
        return 0;
    }
    // Three stepped cases, each with points at t = 0 .. 3 where V(A) is the step value.
    int Run(AnalysisRun& run) {
        run.resolveStepVariable = [this](StepVariable& v) {
            v.read = [this] { return context.a; };
            v.write = [this](double x) { context.a = x; };
            return 0;
        };
        run.solveCase = [](const RunCase&, PointSink& sink) {
            for (int i = 0; i <= 3; ++i) {
                ob7::Run.time = i;
                if (int code = sink.AcceptPoint(i)) return code;
            }
            return 0;
        };
        run.numericOutput.operatingPoint = [this] {
            OperatingPointReport op;
            op.nodes.push_back({"A", context.a});
            return op;
        };
        return run.RunAnalysisCore();
    }
    static int Count(const std::string& text, const std::string& what) {
        int n = 0;
        for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
        return n;
    }

    std::filesystem::path folder;
    AnalysisSetup setup;
    NodeContext context;
    std::vector<int> ids;
};

TEST_F(NumericOutputRun, SteppedRunWritesTheHeadOnceThenEachCase) {
    AnalysisRun run(0, setup, &context);
    run.numericOutputPath = (folder / "stepped.TNO").string();
    ASSERT_EQ(Run(run), 0);
    std::ifstream in(folder / "stepped.TNO");
    std::stringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    EXPECT_EQ(Count(text, "Time Range"), 1) << text;
    EXPECT_NE(text.find("\nStepping Options\nStepping is Nested\n\nStep What  R1 Value\nFrom       1\n"
                        "To         3\nStep Value 1\nMethod     Linear\n\n"),
              std::string::npos)
        << text;
    EXPECT_EQ(Count(text, "DC Operating Point Values"), 3);
    // Each case: its caption, its operating point, its table of 7 rows from 0 to 3.
    size_t at = 0;
    for (const char* value : {"1", "2", "3"}) {
        at = text.find(std::string("R1=") + value, at);
        ASSERT_NE(at, std::string::npos) << value;
        at = text.find(std::string("A             ") + value + ".000", at);
        ASSERT_NE(at, std::string::npos) << value;
    }
    const auto tables = ReadPrintedTables((folder / "stepped.TNO").string());
    ASSERT_EQ(tables.size(), 3u);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(tables[c].headings, (std::vector<std::string>{"T", "V(A)"}));
        ASSERT_EQ(tables[c].rows.size(), 7u);
        for (int k = 0; k < 7; ++k) {
            EXPECT_DOUBLE_EQ(std::strtod(tables[c].rows[k][0].c_str(), nullptr), 0.5 * k);
            EXPECT_DOUBLE_EQ(std::strtod(tables[c].rows[k][1].c_str(), nullptr), c + 1);
        }
    }
    EXPECT_EQ(tables[0].rows[1][0], "500.000E-3");
    EXPECT_TRUE(ids.empty());
}

TEST_F(NumericOutputRun, DigitalWarningsGoIntoTheirCaseAndTheLastCountIntoANotice) {
    AnalysisRun run(0, setup, &context);
    run.numericOutputPath = (folder / "digital.TNO").string();
    std::vector<std::string> notices;
    run.timedNotice = [&notices](const std::string& text) { notices.push_back(text); };
    ASSERT_EQ(Run(run), 0);
    // What the digital simulator leaves for each case: case k writes k warnings.
    int k = 0;
    run.solveCase = [&k](const RunCase&, PointSink& sink) {
        ++k;
        DigitalWarningCount = k;
        DigitalWarningText = "\nDigital Warning\nfrom case " + std::to_string(k) + "\n";
        for (int i = 0; i <= 3; ++i) {
            ob7::Run.time = i;
            if (int code = sink.AcceptPoint(i)) return code;
        }
        return 0;
    };
    notices.clear();
    ASSERT_EQ(run.RunAnalysisCore(), 0);
    std::ifstream in(folder / "digital.TNO");
    std::stringstream s;
    s << in.rdbuf();
    const std::string text = s.str();
    // Each case's warnings after its operating point, before its table.
    size_t at = 0;
    for (const char* value : {"1", "2", "3"}) {
        at = text.find(std::string("R1=") + value, at);
        ASSERT_NE(at, std::string::npos) << value;
        const size_t warning = text.find(std::string("\nDigital Warning\nfrom case ") + value + "\n", at);
        ASSERT_NE(warning, std::string::npos) << value;
        EXPECT_LT(text.find("DC Operating Point Values", at), warning) << value;
        EXPECT_GT(text.find("   V(A)\n", at), warning) << value;
        at = warning;
    }
    EXPECT_EQ(notices, (std::vector<std::string>{"3 digital warning messages.\nSee Numeric Output window."}));
    // Without warnings, or with NOOUTMSG, no notice.
    notices.clear();
    run.solveCase = [](const RunCase&, PointSink&) {
        DigitalWarningCount = 0;
        return 0;
    };
    ASSERT_EQ(run.RunAnalysisCore(), 0);
    EXPECT_TRUE(notices.empty());
    DigitalWarningCount = 2;
    Options.nooutmsg = 1;
    EXPECT_FALSE(ReportDigitalWarningCount(run.timedNotice));
    Options.nooutmsg = 0;
    EXPECT_TRUE(ReportDigitalWarningCount(run.timedNotice));
    EXPECT_FALSE(ReportDigitalWarningCount(nullptr));  // batch runs give no notice
    DigitalWarningCount = 0;
    DigitalWarningText.clear();
}

TEST_F(NumericOutputRun, FileThatCannotBeWrittenIsReportedOnceAndTheRunGoesOn) {
    AnalysisRun run(0, setup, &context);
    run.numericOutputPath = (folder / "no such folder" / "x.TNO").string();
    ASSERT_EQ(Run(run), 0);
    EXPECT_EQ(ids.size(), 1u);
    EXPECT_EQ(run.plot.runs.runCount, 3);
    EXPECT_EQ(run.plot.RunPointCount(0, 2), 4);
}

TEST_F(NumericOutputRun, EmptyReportIsDeleted) {
    std::ofstream(folder / "empty.TNO").close();
    std::ofstream(folder / "full.TNO") << "x";
    DeleteEmptyNumericOutput((folder / "empty.TNO").string());
    DeleteEmptyNumericOutput((folder / "full.TNO").string());
    EXPECT_FALSE(std::filesystem::exists(folder / "empty.TNO"));
    EXPECT_TRUE(std::filesystem::exists(folder / "full.TNO"));
}

TEST(NumericOutputTest, SamplingOfAStoredCurve) {
    const std::vector<double> xs{0, 1, 2, 4}, ys{0, 10, 20, 0};
    const struct {
        double at;
        int flags;
        double value;
        int index;
    } cases[] = {
        {0.5, 0, 5, 1},                // between two points
        {2, 0, 20, 2},                 // on a point: its own value
        {3, 0, 10, 3},
        {3, kSampleDigital, 20, 3},    // a state holds until the next point
        {-1, 0, -10, 1},               // below the first interval: that interval
        {9, 0, 0, 3},                  // beyond the last point: the last value
    };
    for (const auto& c : cases) {
        double value = 0;
        EXPECT_EQ(FindCurveValueAtX(c.at, xs.data(), ys.data(), 4, 0, c.flags, &value), c.index) << c.at;
        EXPECT_DOUBLE_EQ(value, c.value) << c.at;
    }
    // Log interpolation: halfway between 10 and 1000 in log X is 100.
    const std::vector<double> fs{10, 1000}, gs{1, 3};
    double value = 0;
    FindCurveValueAtX(100, fs.data(), gs.data(), 2, 0, kSampleLogX, &value);
    EXPECT_DOUBLE_EQ(value, 2);
    EXPECT_DOUBLE_EQ(InterpolateLinear(5, 1, 1, 2, 4), 3);  // equal X: the mean
}

}  // namespace
}  // namespace ob7
