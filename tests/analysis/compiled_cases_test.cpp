// Monte Carlo and stepped cases through the run cycle on compiled decks: dividers whose
// output is known in closed form for every sampled or stepped value.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <set>

#include "analysis/text_circuit_analysis.h"
#include "foundation/report_sink.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

class CompiledCases : public TextCircuitHome {
protected:
    // V(2) of every run of a worst-case Monte Carlo DC run of the divider R1 (1-2), R2
    // (2-0), both of model RMOD with the given tolerance.
    std::vector<double> Divider(const std::string& tolerance, int runs, int* result) {
        const std::string deck = "Divider\nV1 1 0 DC 1\nR1 1 2 RMOD 1k\nR2 2 0 RMOD 1k\n.MODEL RMOD RES(R=1 " +
                                 tolerance + ")\n.DC V1 1 1 1\n.PRINT DC V(2)\n.END\n";
        std::ofstream(home / "divider.cir") << deck;
        EXPECT_EQ(circuit_.Open((home / "divider.cir").string()), 0);
        circuit_.prepareRun = [runs](AnalysisRun& run) {
            run.setup.monteCarloFlags = kMcOn | kMcWorstCase;
            run.setup.monteCarloRuns = std::to_string(runs);
        };
        *result = circuit_.RunAnalysis(2);
        std::vector<double> out;
        AnalysisPlot& plot = circuit_.LastRun()->plot;
        for (int r = 0; r < plot.runs.runCount; ++r) out.push_back(plot.RunPointValue(0, r, 0, kAxisY));
        return out;
    }
    void TearDown() override {
        circuit_.Close();
        TextCircuitHome::TearDown();
    }
    TextCircuitAnalysis circuit_;
};

TEST_F(CompiledCases, LotIsSharedByTheDevicesOfAModel) {
    int result = -1;
    const std::vector<double> v = Divider("LOT=10%", 12, &result);
    ASSERT_EQ(result, 0) << AllReports();
    ASSERT_EQ(v.size(), 12u);
    for (double x : v) EXPECT_NEAR(x, 0.5, 1e-12);  // both resistors move together
}

TEST_F(CompiledCases, DevVariesEachDeviceOnItsOwn) {
    int result = -1;
    const std::vector<double> v = Divider("DEV=10%", 40, &result);
    ASSERT_EQ(result, 0) << AllReports();
    ASSERT_EQ(v.size(), 40u);
    // Worst case: each resistor at 0.9k or 1.1k, so V(2) = R2 / (R1 + R2).
    std::set<long> seen;
    for (double x : v) {
        const bool known = std::fabs(x - 0.5) < 1e-9 || std::fabs(x - 0.55) < 1e-9 || std::fabs(x - 0.45) < 1e-9;
        EXPECT_TRUE(known) << x;
        seen.insert(std::lround(x * 100));
    }
    EXPECT_EQ(seen, (std::set<long>{45, 50, 55}));
    EXPECT_EQ(circuit_.LastRun()->plot.runs.records[39].caseNumber, 40);
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// Stepping on a compiled divider: a symbolic variable (a .PARAM the circuit is compiled
// again for) nested with a component variable; V(2) = R2 / (RB + R2) in every case.
TEST_F(CompiledCases, SymbolicAndComponentSteppingOnACompiledDivider) {
    std::ofstream(home / "stepped.cir") << "Stepped divider\nV1 1 0 DC 1\nR1 1 2 {RB}\nR2 2 0 1k\n.PARAM RB=1k\n"
                                           ".DC V1 1 1 1\n.PRINT DC V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "stepped.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) {
        StepRecord& rb = run.setup.steps[0];
        rb.flags = SF_ENABLED | SF_SYMBOLIC | SF_LINEAR;
        rb.texts[0] = "RB";
        rb.texts[2] = "1k", rb.texts[3] = "3k", rb.texts[4] = "1k";
        StepRecord& r2 = run.setup.steps[1];
        r2.flags = SF_ENABLED | SF_COMPONENT | SF_LIST;
        r2.texts[0] = "R2";
        r2.texts[1] = "Value";
        r2.texts[2] = "500, 2k";
    };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 6);
    const double rb[6] = {1e3, 1e3, 2e3, 2e3, 3e3, 3e3}, r2[6] = {500, 2e3, 500, 2e3, 500, 2e3};
    for (int r = 0; r < 6; ++r) {
        SCOPED_TRACE(r);
        EXPECT_EQ(plot.runs.records[r].stepValues[0], rb[r]);
        EXPECT_EQ(plot.runs.records[r].stepValues[1], r2[r]);
        EXPECT_NEAR(plot.RunPointValue(0, r, 0, kAxisY), r2[r] / (rb[r] + r2[r]), 1e-12);
    }
}

// A model parameter stepped by list: every resistor of the model follows it.
TEST_F(CompiledCases, ModelSteppingChangesEveryDeviceOfTheModel) {
    std::ofstream(home / "model.cir") << "Model stepped\nV1 1 0 DC 1\nR1 1 2 RMOD 1k\nR2 2 0 1k\nR3 2 0 RMOD 2k\n"
                                         ".MODEL RMOD RES(R=1)\n.DC V1 1 1 1\n.PRINT DC V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "model.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) {
        StepRecord& r = run.setup.steps[0];
        r.flags = SF_ENABLED | SF_MODEL | SF_LIST;
        r.texts[0] = "RMOD";
        r.texts[1] = "R";
        r.texts[2] = "1, 2, 4";
    };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 3);
    for (int r = 0; r < 3; ++r) {
        const double k = plot.runs.records[r].stepValues[0];
        EXPECT_EQ(k, r == 0 ? 1 : r == 1 ? 2 : 4);
        const double lower = 1 / (1 / 1e3 + 1 / (2e3 * k));  // R2 parallel to R3
        EXPECT_NEAR(plot.RunPointValue(0, r, 0, kAxisY), lower / (1e3 * k + lower), 1e-12) << k;
    }
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// The length of a lossy line's model stepped: at DC each line is its series resistance
// R*LEN, so V(2) = 1k / (1k + 10*LEN); the line that gives its own LEN keeps it.
TEST_F(CompiledCases, SteppedLineModelReachesTheLinesWithoutTheirOwnValue) {
    std::ofstream(home / "line.cir") << "Line stepped\nV1 1 0 DC 1\nT1 1 0 2 0 LT\nR2 2 0 1k\nT2 1 0 3 0 LT LEN=20\n"
                                        "R3 3 0 1k\n.MODEL LT TRN(R=10 L=250n C=100p LEN=10)\n.DC V1 1 1 1\n"
                                        ".PRINT DC V(2) V(3)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "line.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) {
        StepRecord& r = run.setup.steps[0];
        r.flags = SF_ENABLED | SF_MODEL | SF_LIST;
        r.texts[0] = "LT";
        r.texts[1] = "LEN";
        r.texts[2] = "10, 50";
    };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 2);
    for (int r = 0; r < 2; ++r) {
        const double len = r == 0 ? 10 : 50;
        EXPECT_NEAR(plot.RunPointValue(0, r, 0, kAxisY), 1e3 / (1e3 + 10 * len), 1e-9) << len;
        EXPECT_NEAR(plot.RunPointValue(1, r, 0, kAxisY), 1e3 / (1e3 + 200), 1e-9) << len;
    }
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// A LOT tolerance on a line model's R is one deviation for every line of the model (their
// records are copies of the model's): V(2) = V(3) = 1k / (1k + 10*R) with R at 5 or 15 in
// each worst-case run.
TEST_F(CompiledCases, LotOfALineModelIsSharedByItsLines) {
    std::ofstream(home / "lines.cir") << "Lines\nV1 1 0 DC 1\nT1 1 0 2 0 LT\nR2 2 0 1k\nT2 1 0 3 0 LT\nR3 3 0 1k\n"
                                         ".MODEL LT TRN(R=10 LOT=50% L=250n C=100p LEN=10)\n.DC V1 1 1 1\n"
                                         ".PRINT DC V(2) V(3)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "lines.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) {
        run.setup.monteCarloFlags = kMcOn | kMcWorstCase;
        run.setup.monteCarloRuns = "8";
    };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 8);
    std::set<long> seen;
    for (int r = 0; r < 8; ++r) {
        const double v2 = plot.RunPointValue(0, r, 0, kAxisY), v3 = plot.RunPointValue(1, r, 0, kAxisY);
        EXPECT_NEAR(v2, v3, 1e-12) << r;
        const bool known = std::fabs(v2 - 1e3 / 1050) < 1e-9 || std::fabs(v2 - 1e3 / 1150) < 1e-9;
        EXPECT_TRUE(known) << v2;
        seen.insert(std::lround(v2 * 1e4));
    }
    EXPECT_EQ(seen.size(), 2u);
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// SPICE source parameters stepped in nested loops: a voltage source's sine amplitude and
// a current source's (named with "i"); every point of every run is the stepped sine.
TEST_F(CompiledCases, SpiceSourceParametersAreStepped) {
    std::ofstream(home / "sources.cir") << "Sources\nV1 1 0 SIN(0 1 1k)\nR1 1 0 1k\nI1 0 2 SIN(0 1m 1k)\nR2 2 0 2k\n"
                                           ".TRAN 20u 1m\n.PRINT TRAN V(1) V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "sources.cir").string()), 0);
    const auto step = [](StepRecord& r, const char* name, const char* param, const char* list) {
        r.flags = SF_ENABLED | SF_COMPONENT | SF_LIST;
        r.texts[0] = name;
        r.texts[1] = param;
        r.texts[2] = list;
    };
    circuit_.prepareRun = [&step](AnalysisRun& run) {
        step(run.setup.steps[0], "V1", "SIN.VA", "2, 3");
        step(run.setup.steps[1], "I1", "sin.ia", "1m, 4m");
    };
    ASSERT_EQ(circuit_.RunAnalysis(0), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 4);
    ASSERT_GE(plot.curves.size(), 2u);
    const double va[4] = {2, 2, 3, 3}, ia[4] = {1e-3, 4e-3, 1e-3, 4e-3};
    const double pi = 3.14159265358979323846;
    for (int r = 0; r < 4; ++r) {
        SCOPED_TRACE(r);
        const int n = plot.RunPointCount(0, r);
        ASSERT_GT(n, 20);
        for (int i = 0; i < n; i += 7) {
            const double t = plot.RunPointValue(0, r, i, kAxisX);
            EXPECT_NEAR(plot.RunPointValue(0, r, i, kAxisY), va[r] * std::sin(2 * pi * 1e3 * t), 1e-6) << t;
            EXPECT_NEAR(plot.RunPointValue(1, r, i, kAxisY), ia[r] * 2e3 * std::sin(2 * pi * 1e3 * t), 1e-6) << t;
        }
    }
    // A parameter the statement left out (the delay) or a name of another waveform is
    // refused before the run.
    for (const char* param : {"sin.td", "pulse.v2", "sin.va"}) {
        circuit_.prepareRun = [&step, param](AnalysisRun& run) { step(run.setup.steps[0], "I1", param, "1m"); };
        reports.clear();
        RunControl.error_shown = 0;
        EXPECT_EQ(circuit_.RunAnalysis(0), kMsgRunStopped) << param;
        EXPECT_NE(AllReports().find("Error in SPICE stepping."), std::string::npos) << param << AllReports();
    }
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

void StepList(StepRecord& r, const char* name, const char* param, const char* list) {
    r.flags = SF_ENABLED | SF_COMPONENT | SF_LIST;
    r.texts[0] = name;
    r.texts[1] = param;
    r.texts[2] = list;
}

// A level-1 MOSFET in saturation behind a 1k drain resistor: with LAMBDA 0 the square law
// gives Id = KP/2 * W/L * (VGS - VTO)^2 and V(2) = 5 - 1k * Id. W and L step in nested
// loops; after the run the sizes are the netlist's again.
TEST_F(CompiledCases, MosfetSizesAreStepped) {
    std::ofstream(home / "mos.cir") << "Mos\nVDD 1 0 DC 5\nRD 1 2 1k\nVG 3 0 DC 3\nM1 2 3 0 0 NM L=10u W=10u\n"
                                       ".MODEL NM NMOS(LEVEL=1 VTO=1 KP=20u)\n.DC VDD 5 5 1\n.PRINT DC V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "mos.cir").string()), 0);
    const auto v2 = [](double w, double l) { return 5 - 1e3 * 10e-6 * w / l * 4; };
    circuit_.prepareRun = [](AnalysisRun& run) {
        StepList(run.setup.steps[0], "M1", "VALUE.W", "10u, 40u");
        StepList(run.setup.steps[1], "M1", "value.l", "10u, 20u");
    };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 4);
    const double w[4] = {10e-6, 10e-6, 40e-6, 40e-6}, l[4] = {10e-6, 20e-6, 10e-6, 20e-6};
    for (int r = 0; r < 4; ++r)
        EXPECT_NEAR(plot.RunPointValue(0, r, 0, kAxisY), v2(w[r], l[r]), 1e-6) << r;

    // M scales the width the same way; the sizes stepped before are back to 10u.
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "M1", "value.m", "1, 3"); };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& m = circuit_.LastRun()->plot;
    ASSERT_EQ(m.runs.runCount, 2);
    EXPECT_NEAR(m.RunPointValue(0, 0, 0, kAxisY), v2(10e-6, 10e-6), 1e-6);
    EXPECT_NEAR(m.RunPointValue(0, 1, 0, kAxisY), v2(30e-6, 10e-6), 1e-6);
}

// A width not given in the netlist takes the model's; stepping gives it, and the run
// after the stepped one is back at the model's width.
TEST_F(CompiledCases, SteppedMosfetWidthReturnsToTheModelWidth) {
    std::ofstream(home / "mosw.cir") << "Mos\nVDD 1 0 DC 5\nRD 1 2 1k\nVG 3 0 DC 3\nM1 2 3 0 0 NM L=10u\n"
                                        ".MODEL NM NMOS(LEVEL=1 VTO=1 KP=20u W=20u)\n.DC VDD 5 5 1\n.PRINT DC V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "mosw.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "M1", "value.w", "5u"); };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    EXPECT_NEAR(circuit_.LastRun()->plot.RunPointValue(0, 0, 0, kAxisY), 5 - 1e3 * 10e-6 * 0.5 * 4, 1e-6);
    circuit_.prepareRun = nullptr;
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    EXPECT_NEAR(circuit_.LastRun()->plot.RunPointValue(0, 0, 0, kAxisY), 5 - 1e3 * 10e-6 * 2 * 4, 1e-6);
}

// Level 8 keeps values that depend on W and L: a stepped run gives every point of the
// gate sweep that separately compiled decks with the width written in give.
TEST_F(CompiledCases, SteppedBsim3WidthMatchesDecksWithTheWidthWritten) {
    const auto deck = [this](const std::string& w) {
        std::ofstream(home / "bsim3.cir") << "Bsim3\nVDD 1 0 DC 3\nRD 1 2 10k\nVG 3 0 DC 0\nM1 2 3 0 0 N8 L=1u W=" << w
                                          << "\n.MODEL N8 NMOS(LEVEL=8)\n.DC VG 0 3 0.5\n.PRINT DC V(2)\n.END\n";
        EXPECT_EQ(circuit_.Open((home / "bsim3.cir").string()), 0);
    };
    const auto points = [this](int run) {
        AnalysisPlot& plot = circuit_.LastRun()->plot;
        std::vector<double> out;
        for (int i = 0; i < plot.RunPointCount(0, run); ++i) out.push_back(plot.RunPointValue(0, run, i, kAxisY));
        return out;
    };
    std::vector<double> written[2];
    const char* widths[2] = {"2u", "20u"};
    for (int i = 0; i < 2; ++i) {
        deck(widths[i]);
        ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
        written[i] = points(0);
        ASSERT_EQ(written[i].size(), 7u);
    }
    ASSERT_GT(std::fabs(written[0].back() - written[1].back()), 0.1);  // the width matters
    deck("5u");
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "M1", "value.w", "2u, 20u"); };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    ASSERT_EQ(circuit_.LastRun()->plot.runs.runCount, 2);
    for (int r = 0; r < 2; ++r) {
        const std::vector<double> stepped = points(r);
        ASSERT_EQ(stepped.size(), written[r].size());
        for (size_t i = 0; i < stepped.size(); ++i) EXPECT_NEAR(stepped[i], written[r][i], 1e-9) << r << " " << i;
    }
}

// Levels 4 and 5 keep values that depend on W and L: stepped in nested loops from a
// third size, the sizes the reference decks give (ngspice, RELTOL 1e-6) come out.
TEST_F(CompiledCases, SteppedBsim1AndBsim2SizesMatchTheReference) {
    struct Level {
        const char* model;
        double v2[2];  // W=10u L=2u, W=4u L=5u
    };
    const Level levels[2] = {
        {         ".model m1 nmos (level=4 tox=0.03 vdd=5 dl=0.8 dw=0.5 vfb=-1.0 lvfb=0.1 wvfb=-0.05 "
         "phi=0.8 k1=1.2 lk1=-0.1 wk1=0.05 k2=0.12 eta=0.005 x2e=-0.001 x3e=0.0005 muz=550 x2mz=8 "
         "mus=600 lmus=50 x2ms=5 x3ms=6 u0=0.05 lu0=0.02 x2u0=-0.005 u1=0.1 lu1=0.05 x2u1=-0.01 "
         "x3u1=0.005 n0=1.3 nb=0.4 nd=0.05)",
         {2.414873, 4.700178}},
        {         ".model m1 nmos (level=5 tox=0.02 dl=0.5 dw=0.3 vdd=5 vgg=5 vbb=-5 vfb=-0.9 lvfb=0.05 "
         "phi=0.8 k1=1.0 lk1=-0.1 wk1=0.05 k2=0.05 eta0=0.002 etab=-0.001 mu0=500 mu0b=5 mus0=600 "
         "wmus0=-20 musb=-5 mu20=1.5 lmu20=0.2 mu2b=0.1 mu2g=0.05 mu30=10 mu3b=-0.5 mu3g=-1 "
         "mu40=0.5 mu4g=-0.1 ua0=0.1 uab=-0.01 ub0=0.01 u10=0.1 lu10=0.05 u1b=0.01 u1d=0.5 n0=1.4 "
         "nb=0.5 nd=0.02 vof0=1.8 lvof0=0.1 vofb=-0.1 vofd=0.1 ai0=2 bi0=30 vghigh=0.2 "
         "vglow=-0.15)",
         {1.853428, 4.599864}},
    };
    for (const Level& level : levels) {
        std::ofstream(home / "bsim12.cir") << "Bsim\n" << level.model
                                           << "\nVDD 1 0 DC 5\nRD 1 2 10k\nVG 3 0 DC 2\nM1 2 3 0 0 m1 W=7u L=3u\n"
                                              ".OPTIONS RELTOL=1e-6\n.DC VDD 5 5 1\n.PRINT DC V(2)\n.END\n";
        ASSERT_EQ(circuit_.Open((home / "bsim12.cir").string()), 0);
        circuit_.prepareRun = [](AnalysisRun& run) {
            StepList(run.setup.steps[0], "M1", "value.w", "10u, 4u");
            StepList(run.setup.steps[1], "M1", "value.l", "2u, 5u");
        };
        ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
        AnalysisPlot& plot = circuit_.LastRun()->plot;
        ASSERT_EQ(plot.runs.runCount, 4);
        EXPECT_NEAR(plot.RunPointValue(0, 0, 0, kAxisY), level.v2[0], 1e-5) << level.model;
        EXPECT_NEAR(plot.RunPointValue(0, 3, 0, kAxisY), level.v2[1], 1e-5) << level.model;
    }
}

// Squares counts scale the sheet resistance: with RSH 1k the source resistance is 1k
// times NRS and the square law holds at VGS - Id*Rs, Id = k (2 - Id Rs)^2 (solved to a
// tight RELTOL so that it meets the closed form).
TEST_F(CompiledCases, SteppedSourceSquaresScaleTheSheetResistance) {
    std::ofstream(home / "mosr.cir") << "Mos\nVDD 1 0 DC 5\nRD 1 2 1k\nVG 3 0 DC 3\nM1 2 3 0 0 NM L=10u W=10u\n"
                                        ".MODEL NM NMOS(LEVEL=1 VTO=1 KP=20u RSH=1k)\n.OPTIONS RELTOL=1e-6\n.DC VDD 5 5 1\n.PRINT DC V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "mosr.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "M1", "value.nrs", "1, 10"); };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 2);
    const double k = 1e-5;
    for (int r = 0; r < 2; ++r) {
        const double rs = r == 0 ? 1e3 : 1e4, b = 4 * k * rs + 1;
        const double id = (b - std::sqrt(b * b - 16 * k * k * rs * rs)) / (2 * k * rs * rs);
        EXPECT_NEAR(plot.RunPointValue(0, r, 0, kAxisY), 5 - 1e3 * id, 1e-6) << r;
    }
}

// A name the table lacks stops the run without a message; a squares count of 0 left the
// terminal without a node for the sheet resistance, so it cannot be stepped.
TEST_F(CompiledCases, MosfetNamesThatCannotBeSteppedStopTheRun) {
    std::ofstream(home / "mosr.cir") << "Mos\nVDD 1 0 DC 5\nRD 1 2 1k\nVG 3 0 DC 3\nM1 2 3 0 0 NM L=10u W=10u NRD=0\n"
                                        ".MODEL NM NMOS(LEVEL=1 VTO=1 KP=20u RSH=10)\n.DC VDD 5 5 1\n.PRINT DC V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "mosr.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "M1", "value.xyz", "1"); };
    EXPECT_EQ(circuit_.RunAnalysis(2), kMsgRunStopped);
    EXPECT_EQ(AllReports().find("step parameter"), std::string::npos) << AllReports();
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "M1", "value.nrd", "1, 2"); };
    reports.clear();
    RunControl.error_shown = 0;
    EXPECT_EQ(circuit_.RunAnalysis(2), kMsgRunStopped);
    EXPECT_NE(AllReports().find("Can't step parameter."), std::string::npos) << AllReports();
}

}  // namespace
}  // namespace ob7

namespace ob7 {
namespace {

// A lossy line's own length stepped: at DC the line is its series resistance R*LEN, so
// V(2) = 1k / (1k + 10*LEN); a run after the stepped one is back at the line's own LEN=20.
TEST_F(CompiledCases, SteppedLineLengthReachesItsLine) {
    std::ofstream(home / "len.cir") << "Line length\nV1 1 0 DC 1\nT1 1 0 2 0 LT LEN=20\nR2 2 0 1k\n"
                                       ".MODEL LT TRN(R=10 L=250n C=100p LEN=10)\n.DC V1 1 1 1\n.PRINT DC V(2)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "len.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "T1", "VALUE.LEN", "5, 40"); };
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 2);
    EXPECT_NEAR(plot.RunPointValue(0, 0, 0, kAxisY), 1e3 / (1e3 + 10 * 5), 1e-9);
    EXPECT_NEAR(plot.RunPointValue(0, 1, 0, kAxisY), 1e3 / (1e3 + 10 * 40), 1e-9);
    // Restore put back the line's own LEN and the model value it ran with.
    LineOwnValues line;
    ASSERT_TRUE(FindLineOwnValues(1, &line));
    EXPECT_EQ(line.values[8].given, 1);
    EXPECT_EQ(line.values[8].value, 20);
    EXPECT_EQ(line.model[8], 20);

    circuit_.prepareRun = nullptr;
    ASSERT_EQ(circuit_.RunAnalysis(2), 0) << AllReports();
    EXPECT_NEAR(circuit_.LastRun()->plot.RunPointValue(0, 0, 0, kAxisY), 1e3 / (1e3 + 10 * 20), 1e-9);
}

// A matched lossless line driven by a 1 V step through 50 ohms: V(3) is 0 until TD after
// the step and 0.5 after it. TD stepped over 10n and 30n; a delay worked out from F and NL
// gives way to the stepped one. A name of the other kind of line stops the run.
TEST_F(CompiledCases, SteppedLineDelayReachesItsLine) {
    std::ofstream(home / "td.cir") << "Line delay\nV1 1 0 PULSE(0 1 0 1n 1n 1)\nRS 1 2 50\nT1 2 0 3 0 Z0=50 F=10MEG NL=0.2\n"
                                      "RL 3 0 50\n.TRAN 1n 40n 0 0.2n\n.PRINT TRAN V(3)\n.END\n";
    ASSERT_EQ(circuit_.Open((home / "td.cir").string()), 0);
    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "T1", "value.td", "10n, 30n"); };
    ASSERT_EQ(circuit_.RunAnalysis(0), 0) << AllReports();
    AnalysisPlot& plot = circuit_.LastRun()->plot;
    ASSERT_EQ(plot.runs.runCount, 2);
    const double td[2] = {10e-9, 30e-9};
    for (int r = 0; r < 2; ++r) {
        int checked = 0;
        for (int i = 0; i < plot.RunPointCount(0, r); ++i) {
            const double t = plot.RunPointValue(0, r, i, kAxisX), v = plot.RunPointValue(0, r, i, kAxisY);
            if (t < td[r] - 0.5e-9) EXPECT_NEAR(v, 0, 1e-6) << r << " " << t;
            if (t > td[r] + 2.5e-9) EXPECT_NEAR(v, 0.5, 1e-3) << r << " " << t;
            ++checked;
        }
        EXPECT_GT(checked, 20) << r;
    }

    circuit_.prepareRun = [](AnalysisRun& run) { StepList(run.setup.steps[0], "T1", "value.len", "1, 2"); };
    EXPECT_NE(circuit_.RunAnalysis(0), 0);
}

}  // namespace
}  // namespace ob7
