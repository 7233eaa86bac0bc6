// The A-to-D and D-to-A interfaces and the converters, and a mixed circuit crossing both
// interfaces, driven by a small time loop that stands in for the transient analysis.

#include <cmath>

#include "digital_fixture.h"
#include "sim/digital/digital_time_loop.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/load_pass.h"
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
    // D-to-A interface with the default levels; that drives 1 kohm into 100 pF. A small
    // time loop stands in for the transient driver: 1 ns steps that land on every digital
    // event, through the calls of the digital time loop and the engine's coupling.
    circuit.hi_node = Node("$D_HI");
    auto& o = Add(kCtAtoD, "O1", {"CMP"});
    o.timing = AtoDModel(true);
    o.analog_node = kCmp;
    Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CMP", "QB", "Q", "QB"}, {{"TPCLKQLHTY", 2e-9}, {"TPCLKQHLTY", 3e-9}});
    auto& n = Add(kCtDtoA, "N1", {"Q"});
    n.analog_node = kDac;
    n.low_node = 0;
    n.high_node = kSupply;
    ASSERT_EQ(SetupDigitalPrimitives(circuit), 0);
    InstallDigitalCoupling();
    BeginDigitalRun(0, 3e-6);
    ASSERT_EQ(BeginDigitalCase(true), 0);
    ASSERT_EQ(Digital.settle_states(), 0);  // the operating point
    Solution[kSupply] = LastAcceptedSolution[kSupply] = 5.0;

    const double r = 1e3, c = 100e-12, slew = 5.0 / 100e-9;
    auto* d = static_cast<DtoAInterface*>(DeviceListTable[kDtoAInterfaceList].first);
    auto comparator = [slew](double t, double before, double h) {
        const bool high = std::sin(2 * M_PI * 1e6 * t) > 0 || std::fabs(std::remainder(t, 1e-6)) < 1e-12;
        return high ? std::min(5.0, before + slew * h) : std::max(0.0, before - slew * h);
    };
    // The D-to-A node between its two resistors and the load resistor, and the capacitor.
    auto solve = [&](double h, double vcap_before) {
        LoadDtoAResistances();
        const double g = 1 / d->rlo + 1 / d->rhi + 1 / r;
        const double vdac = (5.0 / d->rhi + vcap_before / r) / g;
        Solution[kDac] = vdac;
        Solution[kCap] = vcap_before + h * (vdac - vcap_before) / (r * c);
    };
    const DigitalChangeSink sink = [&](int node, DigitalState state, double time) {
        waves[node].push_back({time, DigitalStateChar(state)});
    };
    std::string cmp_letters;
    double max_limit_seen = 0;
    bool rejected_once = false;
    struct Probe { double t; double v; };
    std::vector<Probe> probes;
    double t = 0;
    while (t < 3e-6 - 1e-15) {
        double h = 1e-9, next_event = 0;
        bool events_due = NextDigitalEventTime(&next_event) && next_event <= t + h + 1e-15;
        if (events_due) h = next_event - t;
        // The first event point is rejected once and redone with half the step.
        if (events_due && !rejected_once && t > 0) {
            rejected_once = true;
            ob7::Run.time = next_event;
            Solution[kCmp] = comparator(next_event, LastAcceptedSolution[kCmp], h);
            bool changed = false;
            ASSERT_EQ(Digital.apply_events_now(&changed), 0);
            DigitalRejectPoint(next_event);
            Solution = LastAcceptedSolution;
            h /= 2;
            events_due = false;
        }
        const double now = t + h;
        ob7::Run.time = now;
        Solution[kCmp] = comparator(now, LastAcceptedSolution[kCmp], h);
        if (!events_due) ASSERT_EQ(DigitalBeforeNewton(now, false, sink), 0);
        if (cmp_letters.empty() || cmp_letters.back() != At("CMP")) cmp_letters += At("CMP");
        solve(h, LastAcceptedSolution[kCap]);
        if (events_due) {
            bool changed = false;
            ASSERT_EQ(Digital.apply_events_now(&changed), 0);
            if (changed) {
                ASSERT_EQ(DigitalBeforeNewton(now, true, sink), 0);
                solve(h, LastAcceptedSolution[kCap]);
            }
        }
        LastAcceptedSolution = Solution;
        Digital.save_accepted_states();
        DigitalAcceptPoint(sink);
        const DigitalStepAdvice advice = DigitalStepLimits();
        if (advice.max_step < 1e30) max_limit_seen = std::max(max_limit_seen, advice.max_step);
        t = now;
        for (double at : {1040e-9, 2040e-9, 2990e-9})
            if (std::fabs(t - at) < 1e-13) probes.push_back({t, Solution[kCap]});
    }
    EXPECT_TRUE(rejected_once);
    // The comparator output slews from the first step after each rising zero crossing (the
    // first one from the step after the operating point) and is past 2.025 V (at 2.05 V)
    // 41 steps later; Q follows TPCLKQLH or TPCLKQHL after that, at its exact tick.
    const auto& q = waves[nodes["Q"]];
    ASSERT_EQ(q.size(), 3u);
    EXPECT_NEAR(q[0].time, 43e-9, 1e-13);
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
    EXPECT_NEAR(max_limit_seen, 5.5e-9 / 20, 1e-15);
    // Each slew through the gap between the bands is a hazard: six crossings, one notice.
    EXPECT_EQ(EndDigitalRun(false), "6 digital warning messages.\nSee Numeric Output window.") << DigitalWarningText;
    EXPECT_EQ(EndDigitalRun(true), "");
}

}  // namespace
