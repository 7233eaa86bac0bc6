// The A-to-D and D-to-A interfaces and the converters, and a mixed circuit crossing both
// interfaces, driven by a small time loop that stands in for the transient analysis.

#include <cmath>

#include "digital_fixture.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/solver_state.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

// Analog equation numbers of the tests.
enum { kCmp = 1, kDac = 2, kSupply = 3, kCap = 4, kAdcIn = 5, kRef = 6 };

DigitalModelValues AtoDModel(bool between) {
    DigitalModelValues m;
    m.name = "ATOD_TEST";
    m.texts = {{"S0NAME", "0"}, {"S1NAME", "1"}};
    m.values = {{"S0VLO", -1.5}, {"S0VHI", 0.8}, {"S1VLO", 2.025}, {"S1VHI", 7}};
    if (between) m.texts["SXNAME"] = "X";
    return m;
}

class Interfacing : public DigitalFixture {
protected:
    void SetUp() override {
        DigitalFixture::SetUp();
        Solution.assign(8, 0.0);
        LastAcceptedSolution.assign(8, 0.0);
        DigitalWarningText.clear();
    }
};

TEST_F(Interfacing, AtoDBandsBetweenStateAndHazard) {
    auto& o = Add(kCtAtoD, "O1", {"D"});
    o.timing = AtoDModel(false);
    o.analog_node = kCmp;
    ASSERT_EQ(Build(1e-6), 0);
    DigitalRun.recording = true;
    auto* r = static_cast<AtoDInterface*>(DeviceListTable[kAtoDInterfaceList].first);
    ASSERT_NE(r, nullptr);
    struct Case { double v; char state; bool hazard; };
    const Case cases[] = {
        {0.3, '0', false},
        {0.8, '0', true},     // at S0VHI: not in band 0; nearest centre is band 0 (-0.35)
        {2.025, '1', false},  // exactly SnVLO belongs to the band
        {-5, '0', true},      // below every band: the nearest centre
        {1.5, '0', true},
        {150, '1', true},     // limited to 100 V, above every band
    };
    for (const Case& c : cases) {
        Solution[kCmp] = c.v;
        r->hazard_reported = false;
        DigitalWarningText.clear();
        const int s = FindAtoDState(*r, true);
        EXPECT_EQ(r->states[s].name, c.state) << c.v;
        EXPECT_EQ(DigitalWarningText.find("Input voltage hazard on ATOD interface device O1.") != std::string::npos,
                  c.hazard)
            << c.v;
    }
    // Reported once until the voltage is back inside a band.
    Solution[kCmp] = 1.2;
    DigitalWarningText.clear();
    r->hazard_reported = false;
    FindAtoDState(*r, true);
    FindAtoDState(*r, true);
    EXPECT_EQ(DigitalWarningText,
              "\nDigital Warning\nInput voltage hazard on ATOD interface device O1.\n"
              "Analog input node 1 is at 1.200e+00 volts at T=0.000e+00\n");
}

TEST_F(Interfacing, ModelsWithoutStartStatesFail) {
    auto& o = Add(kCtAtoD, "O1", {"D"});
    o.timing.texts = {{"S0NAME", "1"}};
    ASSERT_EQ(SetupDigitalPrimitives(circuit), 0);
    SetDigitalTickLength(0, 1e-6);
    EXPECT_EQ(ResetDigitalCase(true), kMsgNoAtoDStartState);
    FreeDigitalNetwork();

    circuit = {};
    nodes.clear();
    auto& n = Add(kCtDtoA, "N1", {"D"});
    n.timing.texts = {{"S0NAME", "1"}, {"S1NAME", "Z"}};
    ASSERT_EQ(SetupDigitalPrimitives(circuit), 0);
    EXPECT_EQ(ResetDigitalCase(true), kMsgNoDtoAStartState);
}

TEST_F(Interfacing, ConvertersCodesAndSums) {
    auto& adc = Add(kCtAdc, "ADC1", {"CONV", "STAT", "OVER", "B3", "B2", "B1", "B0"});
    adc.adc_in = kAdcIn;
    adc.adc_ref = kRef;
    auto& dac = Add(kCtDac, "DAC1", {"D3", "D2", "D1", "D0"});
    dac.dac_ref = kRef;
    ASSERT_EQ(Build(1e-6), 0);
    auto* a = static_cast<AdcDevice*>(DeviceListTable[kAdcList].first);
    struct Case { double vin, vref; int code; };
    const Case cases[] = {{1.0, 4.0, 4}, {2.0, 4.0, 8}, {3.99, 4.0, 15}, {0.1, 0.0, 15}, {-1, 4.0, 0}, {9, 4, 15}};
    for (const Case& c : cases) {
        Solution[kAdcIn] = c.vin;
        Solution[kRef] = c.vref;
        ASSERT_EQ(DigitalUpdateEvents(), 0);
        EXPECT_EQ(a->code, c.code) << c.vin << " / " << c.vref;
    }
    auto* d = static_cast<DacDevice*>(DeviceListTable[kDacList].first);
    struct Word { const char* bits; long long sum; };
    // Twice the binary value; an X bit counts half its weight.
    const Word words[] = {{"0000", 0}, {"0001", 2}, {"1000", 16}, {"1111", 30}, {"000X", 1}, {"X000", 8}, {"10Z1", 18}};
    for (const Word& w : words) {
        for (int i = 0; i < 4; ++i)
            DigitalNet.present[nodes[std::string("D") + char('3' - i)]] = MakeState(DigitalLevelOfLetter(w.bits[i]), 30);
        DigitalRun.transient = false;
        EvaluateDacInputs();
        ScheduleDacOutputs();
        EXPECT_EQ(d->sum, w.sum) << w.bits;
    }
    // The output reaches sum / 2^(n+1) of the reference once switched.
    Solution[kRef] = 3.2;
    EXPECT_NEAR(DacOutputVoltage(*d, 1.0), 3.2 * 18 / 32.0, 1e-12);
}

TEST_F(Interfacing, ComparatorFlipFlopAndRcAcrossBothInterfaces) {
    // An analog comparator (1 MHz sine against 0 V, output slewing 5 V in 100 ns) feeds an
    // A-to-D interface; its digital node clocks a toggling D flip-flop whose Q drives a
    // D-to-A interface with the default levels; that drives 1 kohm into 100 pF.
    circuit.hi_node = Node("$D_HI");
    auto& o = Add(kCtAtoD, "O1", {"CMP"});
    o.timing = AtoDModel(true);
    o.analog_node = kCmp;
    Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CMP", "QB", "Q", "QB"}, {{"TPCLKQLHTY", 2e-9}, {"TPCLKQHLTY", 3e-9}});
    auto& n = Add(kCtDtoA, "N1", {"Q"});
    n.analog_node = kDac;
    n.low_node = 0;
    n.high_node = kSupply;
    ASSERT_EQ(Build(3e-6), 0);
    Solution[kSupply] = LastAcceptedSolution[kSupply] = 5.0;
    DigitalRun.transient = true;
    ASSERT_EQ(UpdateDtoAInterfaces(), 0);
    const double dt = 1e-9, r = 1e3, c = 100e-12;
    double cmp = 0, vcap = 0;
    double max_limit_seen = 0;
    bool limit_active_seen = false;
    std::string cmp_letters;
    struct Probe { double t; double v; };
    std::vector<Probe> probes;
    for (int i = 0; i <= 3000; ++i) {
        const double t = i * dt;
        ob7::Run.time = Interfaces.present_time = t;
        const bool high = std::sin(2 * M_PI * 1e6 * t) > 0 || i % 1000 == 0;
        cmp = high ? std::min(5.0, cmp + 5.0 * dt / 100e-9) : std::max(0.0, cmp - 5.0 * dt / 100e-9);
        Solution[kCmp] = cmp;
        ASSERT_EQ(UpdateAtoDInterfaces(), 0);
        if (cmp_letters.empty() || cmp_letters.back() != At("CMP")) cmp_letters += At("CMP");
        ASSERT_EQ(RunTo(t), 0);
        ASSERT_EQ(UpdateDtoAInterfaces(), 0);
        if (Interfaces.dtoa_limit_active) {
            limit_active_seen = true;
            max_limit_seen = std::max(max_limit_seen, Interfaces.dtoa_step_limit);
        }
        LoadDtoAResistances();
        auto* d = static_cast<DtoAInterface*>(DeviceListTable[kDtoAInterfaceList].first);
        // The D-to-A node between its two resistors and the load resistor.
        const double g = 1 / d->rlo + 1 / d->rhi + 1 / r;
        const double vdac = (5.0 / d->rhi + vcap / r) / g;
        vcap += dt * (vdac - vcap) / (r * c);
        Solution[kDac] = vdac;
        Solution[kCap] = vcap;
        LastAcceptedSolution = Solution;
        if (i == 1040 || i == 2040 || i == 2990) probes.push_back({t, vcap});
    }
    // The comparator output starts slewing at the step of each rising zero crossing and is
    // past 2.025 V (at 2.05 V) 40 steps later; Q follows TPCLKQLH or TPCLKQHL after that.
    const auto& q = waves[nodes["Q"]];
    ASSERT_EQ(q.size(), 3u);
    EXPECT_NEAR(q[0].time, 42e-9, 1e-13);
    EXPECT_EQ(q[0].letter, '1');
    EXPECT_NEAR(q[1].time, 1043e-9, 1e-13);
    EXPECT_EQ(q[1].letter, '0');
    EXPECT_NEAR(q[2].time, 2042e-9, 1e-13);
    // The between state X shows while the comparator slews through 0.8 .. 2.025 V.
    EXPECT_EQ(cmp_letters, "0X1X0X1X0X1X0");
    // Settled levels: 5 V * 467 / (467 + 200) while Q = 1, 5 V * 7.13 / (7.13 + 389) while 0.
    ASSERT_EQ(probes.size(), 3u);
    EXPECT_NEAR(probes[0].v, 5.0 * 467 / 667, 3e-3);
    EXPECT_NEAR(probes[1].v, 5.0 * 7.13 / 396.13, 3e-3);
    EXPECT_NEAR(probes[2].v, 5.0 * 467 / 667, 3e-3);
    // While a switching is in progress the step is limited to TSW / 20.
    EXPECT_TRUE(limit_active_seen);
    EXPECT_NEAR(max_limit_seen, 5.5e-9 / 20, 1e-15);
}

}  // namespace
