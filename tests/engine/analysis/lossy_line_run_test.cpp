// Lossy transmission lines through the transient driver: a 1 V pulse (1 ns edges, 20 ns
// wide) through 50 ohm into port 1, port 2 loaded; an RLC line (50 ohm, 5 ns, 10 ohm
// loss) into 100 ohm and an RC line into 1k. The references are ngspice 39's
// (data/lossy_rlc_line.cir, data/lossy_rc_line.cir), read at fixed times; both agree to
// 1e-4 V of the 1 V step.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <tuple>
#include <iterator>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/ac_analysis.h"
#include "sim/analysis/transient.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/resistor.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {
namespace {

class LossyLineRun : public AnalysisCircuit {
protected:
    struct Sample {
        double t, v2, v3;
    };

    // Runs the circuit with the line's model and load, and compares node 2 (port 1) and
    // node 3 (port 2) with the samples.
    void Check(std::initializer_list<std::pair<const char*, double>> line, double load, const Sample* begin,
               const Sample* end, double tolerance) {
        SpiceSource* pulse = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
        pulse->spec_kind = kSourcePulse;
        const double p[7] = {0, 1, 1e-9, 1e-9, 1e-9, 20e-9, 100e-9};
        std::copy(p, p + 7, pulse->p);
        AddResistor(1, 2, 50);
        AddResistor(3, 0, load);
        AddLossyLine(Model(kModelTrn, line), 2, 0, 3, 0);
        NodeCount = 3;
        RecordingSink sink;
        sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
        TransientSettings settings;
        settings.tmax = 40e-9;
        settings.points = 801;
        settings.max_step = 0.05e-9;
        ASSERT_EQ(RunTransientAnalysis(settings, sink), 0);
        for (const Sample* s = begin; s != end; ++s) {
            SCOPED_TRACE(testing::Message() << "t " << s->t);
            EXPECT_NEAR(sink.At(s->t, 0), s->v2, tolerance);
            EXPECT_NEAR(sink.At(s->t, 1), s->v3, tolerance);
        }
    }
};

TEST_F(LossyLineRun, RlcLineMatchesTheReference) {
    const Sample samples[] = {{3e-9, 0.507384857, 0}, {6e-9, 0.521520559, 7.54199904e-03}, {8e-9, 0.530493352, 0.607026945},
                              {12e-9, 0.680498245, 0.616129286}, {15e-9, 0.684202893, 0.622013602},
                              {22e-9, 0.687424420, 0.624943853}, {26e-9, 0.170577585, 0.624997599},
                              {30e-9, 0.152638258, 0.0155557006}, {34e-9, 4.58041691e-03, 6.84164442e-03},
                              {38e-9, 2.15340672e-03, 2.98152066e-04}};
    Check({{"R", 10}, {"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}}, 100, std::begin(samples), std::end(samples), 1e-4);
}

TEST_F(LossyLineRun, RcLineMatchesTheReference) {
    const Sample samples[] = {{3e-9, 0.499400926, 0.0428976430}, {6e-9, 0.666547291, 0.287963672},
                              {8e-9, 0.733296915, 0.420681128},  {12e-9, 0.823822444, 0.602649057},
                              {15e-9, 0.866672711, 0.688838089}, {22e-9, 0.920352087, 0.796811038},
                              {26e-9, 0.310128854, 0.617469419}, {30e-9, 0.183208358, 0.368478816},
                              {34e-9, 0.108922868, 0.219092166}, {38e-9, 0.0647609342, 0.130264191}};
    Check({{"R", 100}, {"C", 100e-12}, {"LEN", 1}}, 1000, std::begin(samples), std::end(samples), 1e-4);
}

TEST_F(LossyLineRun, LcLineIsADelayLineWithoutLoss) {
    // 50 ohm and 5 ns into 150 ohm: half the step arrives after TD with its reflection
    // of half again, which is back at the source 2 TD after the step.
    const Sample samples[] = {{5.5e-9, 0.5, 0}, {8e-9, 0.5, 0.75}, {10e-9, 0.5, 0.75}, {14e-9, 0.75, 0.75},
                              {21e-9, 0.75, 0.75}};
    Check({{"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}}, 150, std::begin(samples), std::end(samples), 1e-3);
}

TEST_F(LossyLineRun, OperatingPointIsTheSeriesResistance) {
    // At DC the RLC line is R LEN = 10 ohm from port to port: 1 V through 50 + 10 + 100.
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 2, 50);
    AddResistor(3, 0, 100);
    AddLossyLine(Model(kModelTrn, {{"R", 10}, {"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}}), 2, 0, 3, 0);
    NodeCount = 3;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
    TransientSettings settings;
    settings.tmax = 10e-9;
    settings.points = 11;
    settings.max_step = 0.5e-9;
    ASSERT_EQ(RunTransientAnalysis(settings, sink), 0);
    // And the transient stays there.
    for (const auto& row : sink.values) {
        EXPECT_NEAR(row[0], 110.0 / 160, 1e-9);
        EXPECT_NEAR(row[1], 100.0 / 160, 1e-9);
    }
}

TEST_F(LossyLineRun, CompactionKeepsTheRlcResultWithAShorterHistory) {
    // TRYTOCOMPACT: the flat stretches of the pulse lose their middle points.
    SpiceSource* pulse = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    pulse->spec_kind = kSourcePulse;
    const double p[7] = {0, 1, 1e-9, 1e-9, 1e-9, 20e-9, 100e-9};
    std::copy(p, p + 7, pulse->p);
    AddResistor(1, 2, 50);
    AddResistor(3, 0, 100);
    LossyLine* line = AddLossyLine(Model(kModelTrn, {{"R", 10}, {"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}}), 2, 0, 3, 0);
    NodeCount = 3;
    Options.trytocompact = 1;
    RecordingSink sink;
    size_t accepted = 0;
    sink.probe = [&] {
        ++accepted;
        return std::vector<double>{V(2), V(3), static_cast<double>(line->history.size())};
    };
    TransientSettings settings;
    settings.tmax = 40e-9;
    settings.points = 801;
    settings.max_step = 0.05e-9;
    const int result = RunTransientAnalysis(settings, sink);
    Options.trytocompact = 0;
    ASSERT_EQ(result, 0);
    EXPECT_LT(sink.values.back()[2], 0.6 * static_cast<double>(accepted));
    // ngspice 39 LTRA without compaction, as above; the compacted history is held to 1e-3.
    for (auto [t, v2, v3] : {std::tuple{12e-9, 0.680498245, 0.616129286}, {26e-9, 0.170577585, 0.624997599},
                             {34e-9, 4.58041691e-03, 6.84164442e-03}}) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(sink.At(t, 0), v2, 1e-3);
        EXPECT_NEAR(sink.At(t, 1), v3, 1e-3);
    }
}

TEST_F(LossyLineRun, InitialConditionsStartTheLineAtRest) {
    // UIC, 1 V DC through 50 ohm into a 50 ohm, 5 ns lossless line and 150 ohm: the line
    // starts uncharged, so half a volt enters and the far end wakes one delay later.
    AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
    AddResistor(1, 2, 50);
    AddResistor(3, 0, 150);
    AddLossyLine(Model(kModelTrn, {{"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}}), 2, 0, 3, 0);
    NodeCount = 3;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(2), V(3)}; };
    TransientSettings settings;
    settings.tmax = 20e-9;
    settings.points = 201;
    settings.max_step = 0.05e-9;
    settings.operating_point = false;
    ASSERT_EQ(RunTransientAnalysis(settings, sink), 0);
    for (auto [t, v2, v3] : {std::tuple{2e-9, 0.5, 0.0}, {8e-9, 0.5, 0.75}, {14e-9, 0.75, 0.75}}) {
        SCOPED_TRACE(t);
        EXPECT_NEAR(sink.At(t, 0), v2, 1e-3);
        EXPECT_NEAR(sink.At(t, 1), v3, 1e-3);
    }
}

// AC: 1 V through 50 ohm into port 1; ngspice 39 LTRA (data/lossy_lines_ac.cir), one
// point a decade from 100 kHz to 1 GHz: V(2) and V(3), real and imaginary.
class LossyLineAc : public AnalysisCircuit {
protected:
    struct Point {
        double f;
        std::complex<double> v2, v3;
    };
    void Check(std::initializer_list<std::pair<const char*, double>> line, double load, const Point (&expected)[5]) {
        SpiceSource* v1 = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
        v1->ac_magnitude = 1;
        AddResistor(1, 2, 50);
        AddResistor(3, 0, load);
        AddLossyLine(Model(kModelTrn, line), 2, 0, 3, 0);
        NodeCount = 3;
        RecordingSink sink;
        sink.probe = [] { return std::vector<double>{Vac(2).real(), Vac(2).imag(), Vac(3).real(), Vac(3).imag()}; };
        AcSettings settings;
        settings.frequency_range = "1e9,1e5";
        settings.points = 5;
        ASSERT_EQ(RunAcAnalysis(settings, sink), 0);
        ASSERT_EQ(sink.x.size(), 5u);
        for (size_t i = 0; i < 5; ++i) {
            const Point& e = expected[i];
            SCOPED_TRACE(e.f);
            EXPECT_NEAR(sink.x[i], e.f, 1e-6 * e.f);
            EXPECT_LT(std::abs(std::complex<double>(sink.values[i][0], sink.values[i][1]) - e.v2), 2e-6);
            EXPECT_LT(std::abs(std::complex<double>(sink.values[i][2], sink.values[i][3]) - e.v3), 2e-6);
        }
    }
};

TEST_F(LossyLineAc, RlcLineMatchesTheReference) {
    const Point expected[5] = {{1e5, {6.874968e-01, -1.04719e-03}, {6.249966e-01, -2.02894e-03}},
                               {1e6, {6.871775e-01, -1.04651e-02}, {6.246572e-01, -2.02852e-02}},
                               {1e7, {6.563767e-01, -9.79729e-02}, {5.911712e-01, -1.98727e-01}},
                               {1e8, {6.365527e-01, -2.00297e-03}, {-6.03308e-01, 1.535666e-03}},
                               {1e9, {6.364561e-01, -2.00802e-04}, {6.032258e-01, -1.54012e-04}}};
    Check({{"R", 10}, {"L", 250e-9}, {"C", 100e-12}, {"LEN", 1}}, 100, expected);
}

TEST_F(LossyLineAc, RcLineMatchesTheReference) {
    const Point expected[5] = {{1e5, {9.565096e-01, -2.62090e-03}, {8.695409e-01, -4.94883e-03}},
                               {1e6, {9.553070e-01, -2.61511e-02}, {8.671362e-01, -4.93719e-02}},
                               {1e7, {8.577387e-01, -2.14554e-01}, {6.722912e-01, -3.99331e-01}},
                               {1e8, {4.202036e-01, -1.97258e-01}, {-9.17916e-02, -1.27859e-01}},
                               {1e9, {1.704195e-01, -1.25596e-01}, {1.541966e-03, 8.010953e-05}}};
    Check({{"R", 100}, {"C", 100e-12}, {"LEN", 1}}, 1000, expected);
}

}  // namespace
}  // namespace ob7
