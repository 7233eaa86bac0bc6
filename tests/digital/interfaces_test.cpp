// The A-to-D and D-to-A interfaces and the converters (the mixed circuit that crosses
// both runs through the transient driver, in the engine's analysis tests).

#include <cmath>

#include "digital_fixture.h"
#include "sim/digital/digital_time_loop.h"
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
    EXPECT_NEAR(DacBranchVoltage(*d, 1.0, false), 3.2 * 18 / 32.0, 1e-12);
}

// The calls of the transient driver by hand, with the solutions set by hand: an A-to-D
// interface clocks a flip-flop, a stimulus starts an A/D converter. Steps rejected after
// an A-to-D crossing, after the flip-flop's event and after the Convert edge leave
// nothing behind; what the interface found at an accepted point stays.
TEST_F(Interfacing, RejectedStepsAroundAnAtoDCrossing) {
    circuit.hi_node = Node("$D_HI");
    auto& o = Add(kCtAtoD, "O1", {"CLK"});
    o.timing.texts = {{"S0NAME", "0"}, {"S1NAME", "1"}};
    o.timing.values = {{"S0VLO", -100}, {"S0VHI", 1.5}, {"S1VLO", 1.5}, {"S1VHI", 100}};
    o.analog_node = kCmp;
    Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CLK", "$D_HI", "Q", "QB"}, {{"TPCLKQLHTY", 2e-9}, {"TPCLKQHLTY", 2e-9}});
    Stim("S1", {"CONV"}, "1", "0 0 20ns 1");
    auto& adc = Add(kCtAdc, "ADC1", {"CONV", "STAT", "OVER", "B1", "B0"}, {{"TPCSTY", 1e-9}, {"TPDSTY", 1e-9}});
    adc.has_timing = true;
    adc.adc_in = kAdcIn;
    adc.adc_ref = kRef;
    ASSERT_EQ(SetupDigitalPrimitives(circuit), 0);
    BeginDigitalRun(0, 1e-6);
    ASSERT_EQ(BeginDigitalCase(true), 0);
    auto* atod = static_cast<AtoDInterface*>(DeviceListTable[kAtoDInterfaceList].first);
    auto* converter = static_cast<AdcDevice*>(DeviceListTable[kAdcList].first);
    Solution[kRef] = 4;
    Solution[kAdcIn] = 1;  // code 1 at the operating point, 3 from 15 ns on
    // The operating point's load pass: the interface drives CLK at once, the converter
    // sets Status.
    ASSERT_EQ(LoadAtoDInterfaces(), 0);
    ASSERT_EQ(DigitalUpdateEvents(), 0);
    ASSERT_EQ(SettleDigitalStates(), 0);
    ASSERT_EQ(At("CLK"), '0');
    ASSERT_EQ(At("Q"), '0');
    ASSERT_EQ(At("STAT"), '0');

    std::string points;
    const DigitalChangeSink sink = [&](int node, DigitalState state, double time) {
        for (const auto& [name, n] : nodes)
            if (n == node) points += name + " " + DigitalStateChar(state) + "@" + std::to_string(std::lround(time * 1e9)) + " ";
        return 0;
    };
    auto accept = [&](double time) {
        ASSERT_EQ(DigitalAcceptPoint(sink), 0);
        ++DigitalRun.solution_count;
        LastAcceptedSolution = Solution;
        ASSERT_EQ(DigitalBeforeNewton(time, false, sink), 0);
    };
    auto step_to = [&](double time, double v) {
        Interfaces.present_time = time;
        Solution[kCmp] = v;
        ASSERT_EQ(LoadAtoDInterfaces(), 0);
    };
    auto apply_events_at = [&](double time) {
        uint32_t tick = 0;
        ASSERT_TRUE(NextDigitalEventTick(&tick));
        ASSERT_EQ(tick, DigitalTimeTick(time));
        Interfaces.present_time = time;
        ASSERT_EQ(ApplyDigitalEventsAt(tick), 0);
    };
    auto next_event_ns = [] {
        uint32_t tick = 0;
        return NextDigitalEventTick(&tick) ? std::lround(DigitalTickTime(tick) * 1e9) : -1l;
    };
    accept(0);

    // 3 V at 10 ns overshoots the 1.5 V threshold: the step is redone with half its length.
    step_to(10e-9, 3);
    DigitalStepAdvice advice = DigitalStepLimits();
    EXPECT_TRUE(advice.crossed);
    EXPECT_TRUE(advice.cut);
    EXPECT_NEAR(advice.fraction, 0.5, 0.01);
    DigitalRejectPoint(10e-9);
    EXPECT_EQ(At("CLK"), '0');
    EXPECT_EQ(atod->states[atod->previous].name, '0');
    step_to(5e-9, 1.5001);
    advice = DigitalStepLimits();
    EXPECT_TRUE(advice.crossed);
    EXPECT_FALSE(advice.cut);
    accept(5e-9);  // the interface reads the accepted point: CLK rises, Q follows at 7 ns
    EXPECT_EQ(points, "CLK 1@5 ");
    EXPECT_EQ(next_event_ns(), 7);

    // The step that lands on Q's event is rejected: the event goes back, CLK stays.
    apply_events_at(7e-9);
    EXPECT_EQ(At("Q"), '1');
    DigitalRejectPoint(7e-9);
    EXPECT_EQ(At("Q"), '0');
    EXPECT_EQ(At("CLK"), '1');
    EXPECT_EQ(next_event_ns(), 7);
    step_to(6e-9, 2.5);
    EXPECT_FALSE(DigitalStepLimits().crossed);  // the interface's state was kept: no crossing again
    accept(6e-9);
    apply_events_at(7e-9);
    accept(7e-9);
    EXPECT_EQ(points, "CLK 1@5 QB 0@7 Q 1@7 ");

    // The Convert edge at 20 ns is rejected: its request goes with it, so a point solved
    // again after a hand-over before 20 ns converts nothing.
    Solution[kAdcIn] = 3;
    apply_events_at(20e-9);
    EXPECT_TRUE(converter->request);
    DigitalRejectPoint(20e-9);
    EXPECT_FALSE(converter->request);
    EXPECT_EQ(At("CONV"), '0');
    ASSERT_EQ(DigitalBeforeNewton(15e-9, true, sink), 0);
    EXPECT_EQ(At("STAT"), '0');
    EXPECT_EQ(next_event_ns(), 20);
    // Reached again and accepted, the converter converts once: Status at 21 ns, code 3.
    apply_events_at(20e-9);
    ASSERT_EQ(DigitalAcceptPoint(sink), 0);
    ++DigitalRun.solution_count;
    ASSERT_EQ(DigitalBeforeNewton(20e-9, true, sink), 0);
    EXPECT_EQ(converter->code, 3);
    apply_events_at(21e-9);
    ASSERT_EQ(DigitalAcceptPoint(sink), 0);
    EXPECT_EQ(At("STAT"), '1');
    EXPECT_EQ(At("B1"), '1');
    EXPECT_EQ(At("B0"), '1');
    EXPECT_EQ(At("OVER"), '0');
}

}  // namespace
