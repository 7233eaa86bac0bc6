// Transient runs of the MOSFET and coupled-inductor decks against the reference.

#include <gtest/gtest.h>

#include "engine/analysis/analysis_fixture.h"
#include "engine/analysis/raw_reference.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/resistor.h"

namespace ob7 {
namespace {

class DeckTransient : public AnalysisCircuit {};

SpiceSource* Pulse(int p, std::initializer_list<double> values) {
    SpiceSource* s = AddSpiceSource(p, 0, kSpiceVoltageSource, 0);
    s->spec_kind = kSourcePulse;
    std::copy(values.begin(), values.end(), s->p);
    return s;
}

// cmos_nand_tran.cir: vdd 1, a 2, b 3, out 4, x 5; with the NMOS at level 2 (the deck)
// or level 1 (cmos_nand_level1.cir).
void BuildNand(ModelParams* n2, ModelParams* p1) {
    AddSpiceSource(1, 0, kSpiceVoltageSource, 5);
    Pulse(2, {0, 5, 5e-9, 1e-9, 1e-9, 20e-9, 50e-9});
    Pulse(3, {0, 5, 15e-9, 1e-9, 1e-9, 30e-9, 80e-9});
    AddMosfet(p1, 4, 2, 1, 1, 12e-6, 2e-6);
    AddMosfet(p1, 4, 3, 1, 1, 12e-6, 2e-6);
    AddMosfet(n2, 4, 2, 5, 0, 8e-6, 2e-6);
    AddMosfet(n2, 5, 3, 0, 0, 8e-6, 2e-6);
    AddCapacitor(4, 0, 50e-15);
    NodeCount = 5;
}

class NandTransient : public DeckTransient, public ::testing::WithParamInterface<int> {};

TEST_P(NandTransient, MatchesReference) {
    const int level = GetParam();
    ModelParams* n = Model(kModelNmos, {{"LEVEL", static_cast<double>(level)}, {"VTO", 0.8}, {"KP", 50e-6},
                                        {"GAMMA", 0.5}, {"PHI", 0.6}, {"LAMBDA", 0.02}, {"TOX", 40e-9},
                                        {"CGSO", 0.3e-9}, {"CGDO", 0.3e-9}, {"CJ", 0.3e-3}, {"MJ", 0.5}});
    if (level == 2) EXPECT_TRUE(SetModelParam(*n, "UO", 600));
    ModelParams* p = Model(kModelPmos, {{"LEVEL", 1}, {"VTO", -0.9}, {"KP", 20e-6}, {"GAMMA", 0.6}, {"PHI", 0.6},
                                        {"LAMBDA", 0.03}, {"TOX", 40e-9}, {"CGSO", 0.3e-9}, {"CGDO", 0.3e-9},
                                        {"CJ", 0.4e-3}, {"MJ", 0.5}});
    BuildNand(n, p);
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(4), V(5)}; };
    TransientSettings s;
    s.tmax = 160e-9;
    s.max_step = level == 1 ? 0.01e-9 : 0.1e-9;
    s.points = 1601;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    const RawReference ref =
        ReadRawReference(level == 2 ? "cmos_nand_tran.tran.raw" : "cmos_nand_level1_fine.tran.raw");
    ASSERT_TRUE(ref.ok);
    // Open deviation. With the deck's maximum step of 0.1 ns the reference itself moves by
    // 1.5% of the span when its step is made ten times smaller: the edges of 0.2 ns are
    // coarsely resolved by both programs. So level 1 is compared with both sides at 0.01 ns
    // (cmos_nand_level1_fine.cir): OUT then agrees within 0.5%. The floating node X keeps
    // 2.3% (level 1) less than the reference after the charge sharing at 77 and 95 ns: the
    // gate charge of the MOSFET models differs there. Level 2 against the deck as it is.
    const double out_tolerance = level == 1 ? 0.005 : 0.04;
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(0), ref.Real("time"), ref.Real("v(out)")), out_tolerance);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(1), ref.Real("time"), ref.Real("v(x)")), 0.05);
}

INSTANTIATE_TEST_SUITE_P(NmosLevels, NandTransient, ::testing::Values(1, 2));

// coupled_inductors_tran.cir: in 1, p 2, s 3; L1 branch 4, L2 branch 5.
TEST_F(DeckTransient, CoupledInductorsMatchReference) {
    SpiceSource* v1 = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
    v1->spec_kind = kSourceSin;
    v1->p[1] = 1;
    v1->p[2] = 100e3;
    AddResistor(1, 2, 10);
    Inductor* l1 = AddInductor(2, 0, 100e-6);
    Inductor* l2 = AddInductor(3, 0, 400e-6);
    AddCoupling(l1, l2, 0.95);
    AddCapacitor(3, 0, 6.3e-9);
    AddResistor(3, 0, 5e3);
    NodeCount = 3;
    RecordingSink sink;
    sink.probe = [] { return std::vector<double>{V(3), Solution[4]}; };
    TransientSettings s;
    s.tmax = 100e-6;
    s.max_step = 50e-9;
    s.points = 2001;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    const RawReference ref = ReadRawReference("coupled_inductors_tran.tran.raw");
    ASSERT_TRUE(ref.ok);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(0), ref.Real("time"), ref.Real("v(s)")), 1e-3);
    EXPECT_LT(WorstDeviationOfSpan(sink.x, sink.Column(1), ref.Real("time"), ref.Real("i(l1)")), 1e-3);
}

}  // namespace
}  // namespace ob7
