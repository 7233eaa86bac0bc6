// A circuit with analog and digital parts through the transient driver: an analog
// comparator output feeds an A-to-D interface whose digital node clocks a toggling D
// flip-flop; Q drives a D-to-A interface into an RC.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "engine/analysis/analysis_fixture.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/resistor.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/timing_checks.h"

namespace ob7 {
namespace {

// Analog nodes: the comparator output, the 5 V supply of the D-to-A levels, the D-to-A
// output and the capacitor.
enum { kCmp = 1, kSupply = 2, kDac = 3, kCap = 4 };

class MixedSignalRun : public AnalysisCircuit {
protected:
    void SetUp() override {
        AnalysisCircuit::SetUp();
        InstallDigitalCoupling();
        DigitalWarningText.clear();
        DigitalWarningCount = 0;
    }
    void TearDown() override {
        FreeDigitalNetwork();
        AnalysisCircuit::TearDown();
    }
    int Node(const std::string& name) {
        for (int n = 1; n <= digital.node_count; ++n)
            if (digital.node_names[n] == name) return n;
        digital.node_names.resize(++digital.node_count + 1);
        digital.node_names[digital.node_count] = name;
        return digital.node_count;
    }
    DigitalPartDesc& Add(int type, const std::string& name, std::initializer_list<const char*> pins) {
        DigitalPartDesc p;
        p.type = type;
        p.name = name;
        for (const char* pin : pins) {
            p.pins.push_back(Node(pin));
            p.pin_names.push_back(pin);
        }
        digital.parts.push_back(p);
        return digital.parts.back();
    }
    // The comparator (its output slewing 5 V in 100 ns, high for half of each 1 us),
    // the flip-flop with clock-to-Q 2 ns rising and 3 ns falling, and the RC of
    // 1 kohm and 100 pF behind the D-to-A interface with the default levels.
    void Build() {
        SpiceSource* cmp = AddSpiceSource(kCmp, 0, kSpiceVoltageSource, 0);
        cmp->spec_kind = kSourcePulse;
        const double pulse[] = {0, 5, 0, 100e-9, 100e-9, 400e-9, 1e-6};
        std::copy(std::begin(pulse), std::end(pulse), cmp->p);
        AddSpiceSource(kSupply, 0, kSpiceVoltageSource, 5.0);
        AddResistor(kDac, kCap, 1e3);
        AddCapacitor(kCap, 0, 100e-12);
        NodeCount = 4;

        digital.hi_node = Node("$D_HI");
        auto& o = Add(kCtAtoD, "O1", {"CMP"});
        o.timing.name = "ATOD_TEST";
        o.timing.texts = {{"S0NAME", "0"}, {"S1NAME", "1"}, {"SXNAME", "X"}};
        o.timing.values = {{"S0VLO", -1.5}, {"S0VHI", 0.8}, {"S1VLO", 2.025}, {"S1VHI", 7}};
        o.analog_node = kCmp;
        auto& u = Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CMP", "QB", "Q", "QB"});
        u.timing.values = {{"TPCLKQLHTY", 2e-9}, {"TPCLKQHLTY", 3e-9}};
        // A second toggle that drives nothing analog: its events move no interface.
        auto& u2 = Add(kCtDff, "U2", {"$D_HI", "$D_HI", "CMP", "Q2B", "Q2", "Q2B"});
        u2.timing.values = {{"TPCLKQLHTY", 7e-9}, {"TPCLKQHLTY", 7e-9}};
        auto& n = Add(kCtDtoA, "N1", {"Q"});
        n.analog_node = kDac;
        n.low_node = 0;
        n.high_node = kSupply;
        ASSERT_EQ(SetupDigitalPrimitives(digital), 0);
    }
    char Letter(const std::string& name) { return DigitalStateChar(DigitalNet.present[Node(name)]); }
    // The times at which the recorded letter of a column changes to `letter`.
    std::vector<double> EdgesTo(size_t column, char letter) const {
        std::vector<double> t;
        for (size_t i = 1; i < sink.x.size(); ++i)
            if (sink.values[i][column] == letter && sink.values[i - 1][column] != letter) t.push_back(sink.x[i]);
        return t;
    }
    double ValueAt(double t, size_t column) const {
        for (size_t i = 0; i < sink.x.size(); ++i)
            if (sink.x[i] >= t) return sink.values[i][column];
        return sink.values.back()[column];
    }

    // The value at the last point before t (a change shows at its tick, within a tick
    // after the point that found it).
    double ValueBefore(double t, size_t column) const {
        double v = sink.values.front()[column];
        for (size_t i = 0; i < sink.x.size() && sink.x[i] < t; ++i) v = sink.values[i][column];
        return v;
    }

    DigitalCircuitDesc digital;
    RecordingSink sink;
};

TEST_F(MixedSignalRun, ComparatorFlipFlopAndRcThroughTheTransientDriver) {
    Build();
    sink.probe = [this] {
        return std::vector<double>{V(kCmp), V(kCap), double(Letter("CMP")), double(Letter("Q")),
                                   double(Letter("Q2"))};
    };
    TransientSettings s;
    s.tmax = 3e-6;
    s.max_step = 10e-9;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_DOUBLE_EQ(sink.x.back(), 3e-6);
    EXPECT_TRUE(std::is_sorted(sink.x.begin(), sink.x.end()));

    // The comparator's letters: X between 0.8 and 2.025 V, on every edge.
    std::string letters;
    for (const auto& v : sink.values)
        if (letters.empty() || letters.back() != char(v[2])) letters += char(v[2]);
    EXPECT_EQ(letters, "0X1X0X1X0X1X0");
    // Leaving a band, the step that overshoots its threshold is redone to land just past
    // it: 0.8 V is passed 16 ns after each rise began, 2.025 V 59.5 ns after each fall
    // began. Leaving the between state there is no threshold to land on: the next band
    // shows at the first point inside it.
    const std::vector<double> xs = EdgesTo(2, 'X'), ones = EdgesTo(2, '1'), zeros = EdgesTo(2, '0');
    ASSERT_EQ(xs.size(), 6u);
    ASSERT_EQ(ones.size(), 3u);
    ASSERT_EQ(zeros.size(), 3u);
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(xs[2 * k], k * 1e-6 + 16e-9, 0.01e-9) << k;
        EXPECT_NEAR(xs[2 * k + 1], k * 1e-6 + 559.5e-9, 0.01e-9) << k;
        EXPECT_GE(ValueAt(ones[k], 0), 2.025);
        EXPECT_LT(ValueBefore(ones[k] - 1e-12, 0), 2.025);
        EXPECT_LT(ValueAt(zeros[k], 0), 0.8);
        EXPECT_GE(ValueBefore(zeros[k] - 1e-12, 0), 0.8);
    }
    EXPECT_GT(Transient.rejected, 0);
    // Q toggles on each rising clock, 2 ns (to 1) or 3 ns (to 0) after the clock became
    // 1, at the tick of its event.
    const std::vector<double> q_up = EdgesTo(3, '1'), q_down = EdgesTo(3, '0');
    ASSERT_EQ(q_up.size(), 2u);
    ASSERT_EQ(q_down.size(), 1u);
    EXPECT_NEAR(q_up[0], ones[0] + 2e-9, 1e-14);
    EXPECT_NEAR(q_down[0], ones[1] + 3e-9, 1e-14);
    EXPECT_NEAR(q_up[1], ones[2] + 2e-9, 1e-14);
    // The second toggle's events run at their own ticks without an analog point of their
    // own; the analog steps go on from the last accepted point.
    const std::vector<double> q2_up = EdgesTo(4, '1'), q2_down = EdgesTo(4, '0');
    ASSERT_EQ(q2_up.size(), 2u);
    ASSERT_EQ(q2_down.size(), 1u);
    EXPECT_NEAR(q2_up[0], ones[0] + 7e-9, 1e-14);
    EXPECT_NEAR(q2_down[0], ones[1] + 7e-9, 1e-14);
    EXPECT_NEAR(q2_up[1], ones[2] + 7e-9, 1e-14);

    // Settled levels: 5 V * 467 / (467 + 200) while Q = 1, 5 V * 7.13 / (7.13 + 389) while 0.
    const double high = 5.0 * 467 / 667, low = 5.0 * 7.13 / 396.13;
    EXPECT_NEAR(ValueAt(0, 1), low, 1e-6);  // Q is 0 at the operating point
    EXPECT_NEAR(ValueAt(1040e-9, 1), high, 3e-3);
    EXPECT_NEAR(ValueAt(2040e-9, 1), low, 3e-3);
    EXPECT_NEAR(ValueAt(2990e-9, 1), high, 3e-3);
    // One time constant (467 || 200 + 1000 ohm, 100 pF: 114 ns) after Q rose, the
    // capacitor is 63% of the way (the 5.5 ns switching of the resistors delays it a little).
    const double tau = (467.0 * 200 / 667 + 1000) * 100e-12;
    EXPECT_NEAR(ValueAt(q_up[0] + tau, 1), low + (high - low) * (1 - std::exp(-1.0)), 0.05);

    // While the D-to-A interface switches (5.5 ns) the step is at most TSW / 20.
    for (size_t i = 1; i < sink.x.size(); ++i)
        if (sink.x[i - 1] >= q_up[0] && sink.x[i] <= q_up[0] + 5.5e-9)
            EXPECT_LE(sink.x[i] - sink.x[i - 1], 5.5e-9 / 20 + 1e-15) << sink.x[i];

    // Each slew through the gap between the bands is a hazard: six crossings, one notice.
    EXPECT_EQ(DigitalWarningNotice(false), "6 digital warning messages.\nSee Numeric Output window.")
        << DigitalWarningText;
}

// A stimulus drives the two data bits of a D/A converter (reference 5 V, switching
// time 10 ns) whose output feeds 1 kohm and 100 pF.
TEST_F(MixedSignalRun, DacOutputDrivesAnRc) {
    enum { kOut = 1, kRef = 2, kRc = 3 };
    AddSpiceSource(kRef, 0, kSpiceVoltageSource, 5.0);
    AddResistor(kOut, kRc, 1e3);
    AddCapacitor(kRc, 0, 100e-12);
    NodeCount = 3;
    auto& stim = Add(kCtStim, "S1", {"B1", "B0"});
    stim.attributes["FORMAT"] = "11";
    stim.attributes["COMMAND"] = "0 01 100ns 10 200ns 11 300ns 1X";
    auto& dac = Add(kCtDac, "DAC1", {"B1", "B0"});
    dac.timing.values = {{"TSWTY", 10e-9}};
    dac.dac_out = kOut;
    dac.dac_ref = kRef;
    ASSERT_EQ(SetupDigitalPrimitives(digital), 0);
    sink.probe = [this] { return std::vector<double>{V(kOut), V(kRc)}; };
    TransientSettings s;
    s.tmax = 400e-9;
    s.max_step = 20e-9;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);

    // The output is the sum (twice the word, an X bit half its weight) times 5 V / 8,
    // ramped over 10 ns from the previous sum; the capacitor starts settled.
    EXPECT_NEAR(sink.values[0][0], 1.25, 1e-9);
    EXPECT_NEAR(sink.values[0][1], 1.25, 1e-9);
    const double levels[] = {1.25, 2.5, 3.75, 3.125};
    for (int k = 1; k <= 3; ++k) {
        const double start = k * 100e-9, end = start + 10e-9;
        bool landed = false;
        for (size_t i = 0; i < sink.x.size(); ++i) {
            const double t = sink.x[i];
            if (std::fabs(t - end) < 1e-13) landed = true;
            if (t >= start - 1e-13 && t <= end + 1e-13) {
                const double a = std::clamp((t - start) / 10e-9, 0.0, 1.0);
                EXPECT_NEAR(sink.values[i][0], levels[k - 1] + a * (levels[k] - levels[k - 1]), 1e-6) << t;
            } else if (t > end && t < start + 100e-9) {
                EXPECT_NEAR(sink.values[i][0], levels[k], 1e-6) << t;
            }
        }
        EXPECT_TRUE(landed) << "a step ends where the switching ends, " << end;
    }
    // The RC's response to a 10 ns ramp, 100 ns after its start (tau 100 ns):
    // 1 - (tau / T)(e^(T / tau) - 1) e^-1 of the ramp's height.
    const double ramp = 1 - 10 * (std::exp(0.1) - 1) * std::exp(-1.0);
    const double v200 = 1.25 + 1.25 * ramp;
    const double v300 = 2.5 + (v200 - 2.5) * std::exp(-1.0) + 1.25 * ramp;
    EXPECT_NEAR(ValueAt(200e-9, 1), v200, 5e-3);
    EXPECT_NEAR(ValueAt(300e-9, 1), v300, 5e-3);
}

// A step that lands on a digital event which moves a D-to-A interface, and whose analog
// solution then finds an A-to-D input past its threshold, is rejected with the event
// applied: the comparator passes 0.8 V at 16 ns, a stimulus switches a D-to-A interface
// at 16.5 ns. The step is redone to land just past the threshold, the event is applied
// again at its own tick, and each edge shows once.
TEST_F(MixedSignalRun, StepRejectedAfterAnAtoDCrossingWithEventsApplied) {
    enum { kLoad = 3 };
    SpiceSource* cmp = AddSpiceSource(kCmp, 0, kSpiceVoltageSource, 0);
    cmp->spec_kind = kSourcePulse;
    const double pulse[] = {0, 5, 0, 100e-9, 100e-9, 400e-9, 1e-6};
    std::copy(std::begin(pulse), std::end(pulse), cmp->p);
    AddSpiceSource(kSupply, 0, kSpiceVoltageSource, 5.0);
    AddResistor(kLoad, 0, 1e3);
    NodeCount = 3;
    digital.hi_node = Node("$D_HI");
    auto& o = Add(kCtAtoD, "O1", {"CMP"});
    o.timing.texts = {{"S0NAME", "0"}, {"S1NAME", "1"}, {"SXNAME", "X"}};
    o.timing.values = {{"S0VLO", -1.5}, {"S0VHI", 0.8}, {"S1VLO", 2.025}, {"S1VHI", 7}};
    o.analog_node = kCmp;
    auto& u = Add(kCtDff, "U1", {"$D_HI", "$D_HI", "CMP", "QB", "Q", "QB"});
    u.timing.values = {{"TPCLKQLHTY", 2e-9}, {"TPCLKQHLTY", 3e-9}};
    auto& stim = Add(kCtStim, "S2", {"D2"});
    stim.attributes["FORMAT"] = "1";
    stim.attributes["COMMAND"] = "0 0 16.5ns 1";
    auto& n = Add(kCtDtoA, "N2", {"D2"});
    n.analog_node = kLoad;
    n.low_node = 0;
    n.high_node = kSupply;
    ASSERT_EQ(SetupDigitalPrimitives(digital), 0);
    sink.probe = [this] {
        return std::vector<double>{V(kCmp), V(kLoad), double(Letter("CMP")), double(Letter("Q")), double(Letter("D2"))};
    };
    TransientSettings s;
    s.tmax = 200e-9;
    s.max_step = 10e-9;
    ASSERT_EQ(RunTransientAnalysis(s, sink), 0);
    EXPECT_TRUE(std::is_sorted(sink.x.begin(), sink.x.end()));
    EXPECT_GT(Transient.rejected, 0);

    const std::vector<double> xs = EdgesTo(2, 'X'), ones = EdgesTo(2, '1'), d2 = EdgesTo(4, '1');
    ASSERT_EQ(xs.size(), 1u);
    ASSERT_EQ(ones.size(), 1u);
    EXPECT_NEAR(xs[0], 16e-9, 0.01e-9);
    ASSERT_EQ(d2.size(), 1u);
    EXPECT_NEAR(d2[0], 16.5e-9, 1e-14);
    EXPECT_EQ(EdgesTo(4, '0').size(), 0u);
    const std::vector<double> q_up = EdgesTo(3, '1');
    ASSERT_EQ(q_up.size(), 1u);
    EXPECT_NEAR(q_up[0], ones[0] + 2e-9, 1e-14);
    // Once D2 is 1 (switched in 5.5 ns) the load is 1 kohm to ground, 467 ohm to ground and
    // 200 ohm to 5 V.
    const double divided = 5.0 / 200 / (1 / 200.0 + 1 / 467.0 + 1 / 1000.0);
    EXPECT_NEAR(ValueAt(30e-9, 1), divided, 1e-3);
}

}  // namespace
}  // namespace ob7
