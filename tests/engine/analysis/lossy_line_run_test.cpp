// Lossy transmission lines through the transient driver: a 1 V pulse (1 ns edges, 20 ns
// wide) through 50 ohm into port 1, port 2 loaded; an RLC line (50 ohm, 5 ns, 10 ohm
// loss) into 100 ohm and an RC line into 1k. The references are ngspice 39's
// (data/lossy_rlc_line.cir, data/lossy_rc_line.cir), read at fixed times; both agree to
// 1e-4 V of the 1 V step.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/transient.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/resistor.h"

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

}  // namespace
}  // namespace ob7
