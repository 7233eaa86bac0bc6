// The A-to-D and D-to-A interfaces and the converters (the mixed circuit that crosses
// both runs through the transient driver, in the engine's analysis tests).

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
    EXPECT_NEAR(DacBranchVoltage(*d, 1.0, false), 3.2 * 18 / 32.0, 1e-12);
}

}  // namespace
