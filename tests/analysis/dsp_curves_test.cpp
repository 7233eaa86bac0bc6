// Curves with DSP functions, run end to end: the spectra of known waveforms against their
// hand-computed bins, the curves beside them sampled at the same positions, the
// transformed numeric output table, and what the set-up refuses.

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>

#include "analysis/text_circuit_analysis.h"
#include "numeric_output_reader.h"
#include "text_circuit_test_home.h"

namespace ob7 {
namespace {

constexpr double kPi = 3.14159265358979323846;

// 1 kHz of amplitude 2 over four whole periods; steps of 1u give about 4000 points, so
// N = 4096 and the bins lie 250 Hz apart (1 kHz in bin 4).
constexpr const char* kSine =
    "dsp sine\n"
    "V1 1 0 SIN(0 2 1k)\n"
    "R1 1 0 1k\n"
    ".TRAN 1u 4m 0 1u\n"
    ".PRINT TRAN V(1)\n"
    ".END\n";

// A 1 kHz fundamental of 1 V with 10 % third and 5 % fifth harmonic.
constexpr const char* kHarmonics =
    "dsp harmonics\n"
    "V1 1 2 SIN(0 1 1k)\n"
    "V3 2 3 SIN(0 0.1 3k)\n"
    "V5 3 0 SIN(0 0.05 5k)\n"
    "R1 1 0 1k\n"
    ".TRAN 1u 4m 0 1u\n"
    ".PRINT TRAN V(1)\n"
    ".END\n";

class DspCurves : public TextCircuitHome {
protected:
    struct Curve {
        const char* x;
        const char* y;
        bool listed = false;
    };
    // Runs the analysis of the deck with the given curves (and for a transient the table
    // rows). 0 or the run's code.
    int Run(const char* deck, std::initializer_list<Curve> curves, const char* points = "51", int kind = 0) {
        path_ = (home / "dsp.cir").string();
        deck_.OpenText(path_, deck);
        if (int code = deck_.Compile(kind)) return code;
        AnalysisSetup& s = deck_.Setup();
        if (points) s.limits[2] = points;
        s.rows.clear();
        for (const Curve& c : curves) {
            CurveRowRecord row;
            row.plotGroup = '1';
            row.xExpression = c.x;
            row.yExpression = c.y;
            row.xRange = row.yRange = "Auto";
            row.options = CO_LINEARX | CO_LINEARY | (c.listed ? CO_OUTPUT : 0);
            s.rows.push_back(row);
        }
        deck_.keepSetup = true;
        if (configure) deck_.prepareRun = configure;
        return deck_.RunAnalysis(kind);
    }
    AnalysisPlot& Plot() { return deck_.LastRun()->plot; }
    double Y(int curve, int i) { return Plot().RunPointValue(curve, 0, i, kAxisY); }
    double X(int curve, int i) { return Plot().RunPointValue(curve, 0, i, kAxisX); }
    void TearDown() override {
        deck_.Close();
        TextCircuitHome::TearDown();
    }
    TextCircuitAnalysis deck_;
    std::string path_;
    std::function<void(AnalysisRun&)> configure;
};

TEST_F(DspCurves, HarmonicsOfASineShowItsAmplitudeInItsBin) {
    ASSERT_EQ(Run(kSine, {{"F", "HARM(V(1))"}, {"F", "2*HARM(V(1))+1"}, {"T", "V(1)"}}), 0) << AllReports();
    ASSERT_EQ(Plot().RunPointCount(0, 0), 4096);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(X(0, i), 250.0 * i, 1e-9);
        const double expected = i == 4 ? 2.0 : 0.0;
        EXPECT_NEAR(Y(0, i), expected, 2e-3);
        EXPECT_NEAR(Y(1, i), 2 * expected + 1, 4e-3);
    }
    EXPECT_NEAR(Y(0, 12), 0.0, 2e-3);
    // The curve without DSP functions now holds the same 4096 positions of the window.
    ASSERT_EQ(Plot().RunPointCount(2, 0), 4096);
    for (int i : {0, 100, 1000, 4095}) {
        const double t = i * 4e-3 / 4096;
        EXPECT_NEAR(X(2, i), t, 1e-15);
        EXPECT_NEAR(Y(2, i), 2 * std::sin(2 * kPi * 1e3 * t), 1e-4);
    }
    EXPECT_NEAR(Plot().curves[0].dataHigh[kAxisY], 2.0, 2e-3);
}

TEST_F(DspCurves, DistortionOfKnownHarmonics) {
    ASSERT_EQ(Run(kHarmonics, {{"F", "THD(V(1),1k)"}, {"F", "IHD(V(1),1k)"}, {"F", "THD(V(1),1.1k)"},
                               {"F", "FFT(V(1))"}}),
              0)
        << AllReports();
    // Cumulative: nothing up to the fundamental, 10 % from the third harmonic on, then
    // sqrt(10^2 + 5^2) % from the fifth; IHD shows each harmonic alone.
    const double thd[] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 10, 10, 10, 10, 10, 10, 10, 10, 11.18034};
    for (int i = 0; i <= 20; ++i) {
        SCOPED_TRACE(i);
        EXPECT_NEAR(Y(0, i), thd[i], 0.01);
        EXPECT_NEAR(Y(1, i), i == 12 ? 10.0 : i == 20 ? 5.0 : 0.0, 0.01);
    }
    EXPECT_EQ(Y(0, 2048 + 12), 0.0);  // bins above N/2 are cleared
    // A fundamental that matches no bin takes bin 1: the sums of |X_k|^2 from bin 2 on,
    // against the FFT's own magnitudes.
    const double x1 = Y(3, 1);
    double sum = 0;
    for (int k = 2; k <= 24; ++k) {
        sum += Y(3, k) * Y(3, k);
        EXPECT_NEAR(Y(2, k), std::sqrt(sum) / (0.01 * x1), 1e-6 * std::sqrt(sum) / (0.01 * x1)) << k;
    }
    EXPECT_NEAR(Y(3, 4), 4096 / 2.0, 2.0);  // the fundamental: amplitude x N/2
}

TEST_F(DspCurves, TransformedCurvesGetATableOfTheirOwn) {
    ASSERT_EQ(Run(kSine, {{"T", "V(1)", true}, {"F", "HARM(V(1))", true}}, "8"), 0) << AllReports();
    const auto tables = ReadPrintedTables((home / "dsp.TNO").string());
    ASSERT_EQ(tables.size(), 2u);
    // The ordinary table samples V(1) over the time positions 0 .. 4m - 4m/4096.
    EXPECT_EQ(tables[0].headings, (std::vector<std::string>{"T", "V(1)"}));
    ASSERT_EQ(tables[0].rows.size(), 8u);
    // The transformed one prints the first stored bins as they are.
    EXPECT_EQ(tables[1].headings, (std::vector<std::string>{"F", "HARM(V(1))"}));
    ASSERT_EQ(tables[1].rows.size(), 8u);
    const std::vector<double> f = tables[1].Values(0), h = tables[1].Values(1);
    for (int i = 0; i < 8; ++i) {
        EXPECT_NEAR(f[i], 250.0 * i, 1e-6) << i;
        EXPECT_NEAR(h[i], i == 4 ? 2.0 : 0.0, 2e-3) << i;
    }
}

TEST_F(DspCurves, AnAcResponseTransformsIntoTime) {
    // A flat response of 1 over 101 frequencies: N = 128 samples from 0 over the span
    // 1k - 1 = 999 Hz; its inverse transform is a unit impulse at t = 0, with t_i = i / 999.
    const char* flat =
        "dsp ac\n"
        "V1 1 0 AC 1\n"
        "R1 1 0 1k\n"
        ".AC LIN 101 1 1k\n"
        ".PRINT AC V(1)\n"
        ".END\n";
    ASSERT_EQ(Run(flat, {{"T", "IFT(V(1))", true}, {"F", "V(1)"}}, nullptr, 1), 0) << AllReports();
    ASSERT_EQ(Plot().RunPointCount(0, 0), 128);
    for (int i = 0; i < 6; ++i) {
        EXPECT_NEAR(X(0, i), i / 999.0, 1e-12) << i;
        EXPECT_NEAR(Y(0, i), i == 0 ? 1.0 : 0.0, 1e-9) << i;
    }
    // The other curve lies on the frequency positions.
    EXPECT_NEAR(X(1, 64), 64 * 999.0 / 128, 1e-9);
    EXPECT_NEAR(Y(1, 64), 1.0, 1e-12);
    const auto tables = ReadPrintedTables((home / "dsp.ANO").string());
    ASSERT_EQ(tables.size(), 1u);
    EXPECT_EQ(tables[0].headings, (std::vector<std::string>{"T", "IFT(V(1))"}));
    EXPECT_EQ(tables[0].rows.size(), 101u);  // the AC's Number of Points, of the 128 stored
}

TEST_F(DspCurves, DspParametersSetTheWindowAndTheCount) {
    configure = [](AnalysisRun& run) {
        run.dsp.status[0] = 1;
        run.dsp.points[0] = "256";
        run.dsp.max[0] = "3m";
        run.dsp.min[0] = "1m";  // two periods: 500 Hz bins, 1 kHz in bin 2
    };
    ASSERT_EQ(Run(kSine, {{"F", "HARM(V(1))"}}), 0) << AllReports();
    ASSERT_EQ(Plot().RunPointCount(0, 0), 256);
    EXPECT_NEAR(X(0, 2), 1000.0, 1e-9);
    EXPECT_NEAR(Y(0, 2), 2.0, 2e-3);
    EXPECT_NEAR(Y(0, 1), 0.0, 2e-3);

    reports.clear();
    configure = [](AnalysisRun& run) {
        run.dsp.status[0] = 1;
        run.dsp.points[0] = "1000";
        run.dsp.max[0] = "4m";
    };
    EXPECT_EQ(Run(kSine, {{"F", "HARM(V(1))"}}), 15055);
    ASSERT_FALSE(reports.empty());
    EXPECT_NE(reports[0].find("power of 2"), std::string::npos) << reports[0];
}

TEST_F(DspCurves, OperatorsThatNeedTheRunAreRefusedOverDspResults) {
    EXPECT_EQ(Run(kSine, {{"F", "AVG(HARM(V(1)))"}}), 15055);
    ASSERT_FALSE(reports.empty());
    EXPECT_NE(reports[0].find("Can't use 'AVG'"), std::string::npos) << AllReports();
}

}  // namespace
}  // namespace ob7
