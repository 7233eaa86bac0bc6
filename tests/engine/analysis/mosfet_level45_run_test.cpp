// MOSFET levels 4 (BSIM1) and 5 (BSIM2) through the transient driver: the resistor-loaded
// inverter of the device tests, its gate driven through 20k by a 5 V pulse with 2 ns edges,
// against ngspice (tests/devices/data/bsim1_inverter_tran.cir, bsim2_inverter_tran.cir),
// held to 20 mV of the 5 V swing. The driver chooses its own steps; the values are read
// between the accepted points by linear interpolation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>
#include <vector>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/transient.h"
#include "sim/devices/bsim12.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/resistor.h"

#include "devices/bsim1_cards.h"
#include "devices/bsim2_cards.h"

namespace ob7 {
namespace {

using Params = std::initializer_list<std::pair<const char*, double>>;

struct Sample {
    double t, gate, out;
};

class MosfetLevel45Run : public AnalysisCircuit {
protected:
    enum { vdd = 1, in, gate, out };

    // Builds the inverter with the model card plus the junction (and overlap) values,
    // runs 20 ns and compares gate and drain with the reference samples.
    void RunInverter(int model_kind, Params card, Params extra, const std::vector<Sample>& samples) {
        AddSpiceSource(vdd, 0, kSpiceVoltageSource, 5);
        SpiceSource* pulse = AddSpiceSource(in, 0, kSpiceVoltageSource, 0);
        pulse->spec_kind = kSourcePulse;
        const double p[7] = {0, 5, 1e-9, 2e-9, 2e-9, 10e-9, 30e-9};
        std::copy(p, p + 7, pulse->p);
        AddResistor(in, gate, 20e3);
        AddResistor(vdd, out, 20e3);
        ModelParams* model = Model(model_kind, card);
        for (auto [name, value] : extra) ASSERT_TRUE(SetModelParam(*model, name, value)) << name;
        MosfetInstance* m = AddMosfet(model, out, gate, 0, 0, 10e-6, 2e-6);
        m->parsed_AD = m->parsed_AS = 20e-12;
        m->parsed_PD = m->parsed_PS = 24e-6;
        NodeCount = 4;
        RecordingSink sink;
        sink.probe = [] { return std::vector<double>{V(gate), V(out)}; };
        TransientSettings settings;
        settings.tmax = 20e-9;
        settings.points = 201;
        settings.max_step = 10e-12;
        ASSERT_EQ(RunTransientAnalysis(settings, sink), 0);
        for (const Sample& s : samples) {
            SCOPED_TRACE(testing::Message() << "t " << s.t);
            EXPECT_NEAR(sink.At(s.t, 0), s.gate, 2e-2);
            EXPECT_NEAR(sink.At(s.t, 1), s.out, 2e-2);
        }
    }
};

TEST_F(MosfetLevel45Run, Bsim1InverterTransientMatchesTheReference) {
    RunInverter(kModelNmos4, bsim1_cards::kNmosCard,
                {{"CGSO", 3e-10}, {"CGDO", 3e-10}, {"CGBO", 2e-10}, {"CJ", 3e-4}, {"CJSW", 5e-10},
                 {"MJ", 0.5}, {"MJSW", 0.33}, {"PB", 0.8}, {"PBSW", 0.8}, {"JS", 1e-4}},
                {{1.5e-9, 7.501428e-01, 5.092127},  {2e-9, 1.629125, 3.862501},   {2.5e-9, 2.529541, 4.473113e-01},
                 {3e-9, 3.931787, 2.176383e-01},    {4e-9, 4.917842, 1.545933e-01}, {6e-9, 4.999527, 1.507648e-01},
                 {13.5e-9, 4.447141, 1.562754e-01}, {14e-9, 3.395088, 2.036527e-01}, {15e-9, 1.096383, 2.356891},
                 {17e-9, 2.406188e-03, 4.997965},   {20e-9, 9.640938e-08, 5.0}});
}

TEST_F(MosfetLevel45Run, Bsim2InverterTransientMatchesTheReference) {
    RunInverter(kModelNmos5, bsim2_cards::kNmosCard,
                {{"CJ", 3e-4}, {"CJSW", 5e-10}, {"MJ", 0.5}, {"MJSW", 0.33}, {"PB", 0.8}, {"PBSW", 0.8}, {"JS", 1e-4}},
                {{1.5e-9, 8.588148e-01, 5.030263},  {2e-9, 1.764367, 2.891135},   {2.5e-9, 2.592625, 3.477093e-01},
                 {3e-9, 3.741432, 2.336177e-01},    {4e-9, 4.816485, 1.731868e-01}, {6e-9, 4.996209, 1.660512e-01},
                 {13.5e-9, 4.540418, 1.620668e-01}, {14e-9, 3.594342, 1.865623e-01}, {15e-9, 1.187615, 1.276476},
                 {17e-9, 1.409625e-07, 4.999952},   {20e-9, 0.0, 5.0}});
}

}  // namespace
}  // namespace ob7
