// BSIM2 (MOSFET level 5) through the transient driver: the resistor-loaded inverter of
// the device tests, its gate driven through 20k by a 5 V pulse with 2 ns edges, against
// ngspice (tests/devices/data/bsim2_inverter_tran.cir), held to 20 mV of the 5 V swing.
// The driver chooses its own steps; the values are read between the accepted points by
// linear interpolation.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/transient.h"
#include "sim/devices/bsim12.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/resistor.h"

#include "devices/bsim2_cards.h"

namespace ob7 {
namespace {

using namespace bsim2_cards;

class Bsim2Run : public AnalysisCircuit {};

TEST_F(Bsim2Run, InverterTransientMatchesTheReference) {
    enum { vdd = 1, in, gate, out };
    AddSpiceSource(vdd, 0, kSpiceVoltageSource, 5);
    SpiceSource* pulse = AddSpiceSource(in, 0, kSpiceVoltageSource, 0);
    pulse->spec_kind = kSourcePulse;
    const double p[7] = {0, 5, 1e-9, 2e-9, 2e-9, 10e-9, 30e-9};
    std::copy(p, p + 7, pulse->p);
    AddResistor(in, gate, 20e3);
    AddResistor(vdd, out, 20e3);
    ModelParams* model = Model(kModelNmos5, kNmosCard);
    for (auto [name, value] : {std::pair{"CJ", 3e-4}, {"CJSW", 5e-10}, {"MJ", 0.5}, {"MJSW", 0.33}, {"PB", 0.8},
                               {"PBSW", 0.8}, {"JS", 1e-4}})
        ASSERT_TRUE(SetModelParam(*model, name, value)) << name;
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
    const auto at = [&](double t, size_t column) {
        const auto next = std::lower_bound(sink.x.begin(), sink.x.end(), t);
        const size_t k = static_cast<size_t>(std::distance(sink.x.begin(), next));
        if (k == 0) return sink.values[0][column];
        const double f = (t - sink.x[k - 1]) / (sink.x[k] - sink.x[k - 1]);
        return (1 - f) * sink.values[k - 1][column] + f * sink.values[k][column];
    };
    const struct {
        double t, gate, out;
    } samples[] = {{1.5e-9, 8.588148e-01, 5.030263},  {2e-9, 1.764367, 2.891135},   {2.5e-9, 2.592625, 3.477093e-01},
                   {3e-9, 3.741432, 2.336177e-01},    {4e-9, 4.816485, 1.731868e-01}, {6e-9, 4.996209, 1.660512e-01},
                   {13.5e-9, 4.540418, 1.620668e-01}, {14e-9, 3.594342, 1.865623e-01}, {15e-9, 1.187615, 1.276476},
                   {17e-9, 1.409625e-07, 4.999952},   {20e-9, 0.0, 5.0}};
    for (const auto& s : samples) {
        SCOPED_TRACE(testing::Message() << "t " << s.t);
        EXPECT_NEAR(at(s.t, 0), s.gate, 2e-2);
        EXPECT_NEAR(at(s.t, 1), s.out, 2e-2);
    }
}

}  // namespace
}  // namespace ob7
