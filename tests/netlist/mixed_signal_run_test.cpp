// Text circuits with digital parts through the real road: read (interfaces inserted from
// the shipped library), compiled (the digital primitives set up) and run as a transient.

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "sim/analysis/point_sink.h"
#include "sim/analysis/transient.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/interfaces.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

class MixedSignalRun : public TextCircuitTest {
protected:
    void SetUp() override {
        TextCircuitTest::SetUp();
        FillOptionDefaultTexts(1);
        ParseSimulationOptions(true);
    }
    void TearDown() override {
        ClearCompiledDevices();
        TextCircuitTest::TearDown();
    }
    int Compile(const std::string& deck) {
        if (int code = Read(deck, kTransient)) return code;
        return CompileCircuit(*circuit, {}, &compiled);
    }
    int DigitalNode(const std::string& name) const {
        for (const NodeEntry& e : circuit->nodes.entries)
            if (e.name == name && e.kind == 1) return e.number;
        return -1;
    }

    // Every accepted point: the time, two node voltages and a digital node's letter.
    struct Recorder : PointSink {
        int a = 0, b = 0, d = 0;
        std::vector<double> t, va, vb;
        std::string letters;
        int AcceptPoint(double time) override {
            t.push_back(time);
            va.push_back(a ? Solution[a] : 0.0);
            vb.push_back(b ? Solution[b] : 0.0);
            letters += d > 0 ? DigitalStateChar(DigitalNet.present[d]) : '?';
            return 0;
        }
        // The first time at or after `from` at which vb passes `level` (downwards when
        // `falling`), -1 when never.
        double Crossing(double from, double level, bool falling) const {
            for (size_t i = 1; i < t.size(); ++i)
                if (t[i] >= from && (falling ? vb[i] <= level : vb[i] >= level)) return t[i];
            return -1;
        }
        double ValueAt(double time) const {
            for (size_t i = 0; i < t.size(); ++i)
                if (t[i] >= time) return vb[i];
            return vb.back();
        }
    };

    CompileResult compiled;
};

// An analog ramp through the default A-to-D interface (0 below 0.8 V, 1 above 2 V, X
// between) into an inverter (TPLH 10 ns, TPHL 20 ns) whose output drives a 1 kohm load
// through the default D-to-A interface (1: 1 kohm down, 10 ohm up; 0: 10 ohm down,
// 1 kohm up; X: 200 ohm each way; each change takes 2 ns) from the 5 V digital supply.
// Levels: 1 -> 5 * 500 / 510, X -> 5 * 166.67 / 366.67, 0 -> 5 * 9.901 / 1009.9.
// The input rises 0 -> 5 V over 0..1 us and falls over 6..7 us: 0.8 V is passed at
// 160 ns and 6.84 us, 2 V at 400 ns and 6.6 us.
TEST_F(MixedSignalRun, AnalogRampThroughAnInverterIntoAnAnalogLoad) {
    const std::string deck =
        "Mixed inverter\n"
        "V1 IN 0 PULSE(0 5 0 1U 1U 5U 20U)\n"
        "U1 INV $G_DPWR $G_DGND IN OUT DLY IO_STD\n"
        "R1 OUT 0 1K\n"
        ".MODEL DLY UGATE (TPLHTY=10N TPHLTY=20N)\n"
        ".END\n";
    ASSERT_EQ(Compile(deck), 0) << FirstReport();
    // The inserted parts: an A-to-D and a D-to-A interface from the library's subcircuits.
    EXPECT_EQ(DeviceListTable[kAtoDInterfaceList].count, 1);
    EXPECT_EQ(DeviceListTable[kDtoAInterfaceList].count, 1);
    ASSERT_GT(DigitalNode("OUT$DTOA"), 0);
    ASSERT_GT(DigitalNode("IN$ATOD"), 0);

    Recorder r;
    r.a = Node("IN");
    r.b = Node("OUT");
    r.d = DigitalNode("OUT$DTOA");
    TransientSettings s;
    s.tmax = 8e-6;
    s.max_step = 1e-9;
    ASSERT_EQ(RunTransientAnalysis(s, r), 0) << FirstReport();

    const double one = 5.0 * 500 / 510, x = 5.0 * (1000.0 / 6) / (200 + 1000.0 / 6), zero = 5.0 * (1000.0 / 101) / (1000 + 1000.0 / 101);
    std::string changes;
    for (char c : r.letters)
        if (changes.empty() || changes.back() != c) changes += c;
    EXPECT_EQ(changes, "1X0X1");

    // Settled levels between the switching moments.
    for (double t : {0.0, 170e-9}) EXPECT_NEAR(r.ValueAt(t), one, 1e-6) << t;
    for (double t : {185e-9, 390e-9}) EXPECT_NEAR(r.ValueAt(t), x, 1e-6) << t;
    for (double t : {425e-9, 3e-6, 6.59e-6}) EXPECT_NEAR(r.ValueAt(t), zero, 1e-6) << t;
    for (double t : {6.615e-6, 6.83e-6}) EXPECT_NEAR(r.ValueAt(t), x, 1e-6) << t;
    for (double t : {6.855e-6, 8e-6}) EXPECT_NEAR(r.ValueAt(t), one, 1e-6) << t;

    // Each change starts one gate delay after the input crossed its threshold and takes
    // the interface's 2 ns: the output passes the middle of the two levels within them.
    // (Leaving X there is no threshold to land on: the input's new state shows at the
    // first point inside its band, within the 1 ns step.)
    const struct {
        double start, from, to;
    } edges[] = {{160e-9 + 20e-9, one, x}, {400e-9 + 20e-9, x, zero}, {6.6e-6 + 10e-9, zero, x},
                 {6.84e-6 + 10e-9, x, one}};
    for (const auto& e : edges) {
        const double mid = 0.5 * (e.from + e.to);
        const double at = r.Crossing(e.start - 5e-9, mid, e.to < e.from);
        EXPECT_GE(at, e.start - 0.2e-9) << e.start;
        EXPECT_LE(at, e.start + 2e-9) << e.start;
    }
}


// At I/O level 1 a gate that drives a D-to-A interface gives up the interface's switching
// time (TSWHL1 = 2 ns of IO_STD) from its delays: the first change starts at 178 ns.
TEST_F(MixedSignalRun, GateDrivingAnInterfaceLosesTheSwitchingTime) {
    const std::string deck =
        "Mixed inverter\n"
        "V1 IN 0 PULSE(0 5 0 1U 1U 5U 20U)\n"
        "U1 INV $G_DPWR $G_DGND IN OUT DLY IO_STD IO_LEVEL=1\n"
        "R1 OUT 0 1K\n"
        ".MODEL DLY UGATE (TPLHTY=10N TPHLTY=20N)\n"
        ".END\n";
    ASSERT_EQ(Compile(deck), 0) << FirstReport();
    Recorder r;
    r.b = Node("OUT");
    TransientSettings s;
    s.tmax = 300e-9;
    s.max_step = 1e-9;
    ASSERT_EQ(RunTransientAnalysis(s, r), 0) << FirstReport();
    const double one = 5.0 * 500 / 510, x = 5.0 * (1000.0 / 6) / (200 + 1000.0 / 6);
    const double at = r.Crossing(150e-9, 0.5 * (one + x), true);
    EXPECT_GE(at, 178e-9 - 0.2e-9);
    EXPECT_LE(at, 180e-9);
}

// Converters: the first three pins (input or output, reference, ground) stay analog
// nodes of the engine, the rest are digital nodes.
TEST_F(MixedSignalRun, ConvertersKeepTheirAnalogPins) {
    const std::string deck =
        "Converters\n"
        "V1 IN 0 2.5\nV2 REF 0 5\nR1 OUT 0 1K\n"
        "U1 ADC(2) $G_DPWR $G_DGND IN REF 0 CNV STAT OVR B1 B0 DADC IO_STD\n"
        "U2 DAC(2) $G_DPWR $G_DGND OUT REF 0 B1 B0 DDAC IO_STD\n"
        "U3 STIM(1,1) $G_DPWR $G_DGND CNV IO_STD 0S 0\n"
        ".MODEL DADC UADC ()\n.MODEL DDAC UDAC ()\n.END\n";
    ASSERT_EQ(Compile(deck), 0) << FirstReport();
    ASSERT_EQ(DeviceListTable[kAdcList].count, 1);
    ASSERT_EQ(DeviceListTable[kDacList].count, 1);
    const auto* adc = static_cast<const AdcDevice*>(DeviceListTable[kAdcList].first);
    const auto* dac = static_cast<const DacDevice*>(DeviceListTable[kDacList].first);
    EXPECT_EQ(adc->in, Node("IN"));
    EXPECT_EQ(adc->ref, Node("REF"));
    EXPECT_EQ(adc->gnd, 0);
    EXPECT_EQ(adc->convert, DigitalNode("CNV"));
    EXPECT_EQ(adc->status, DigitalNode("STAT"));
    EXPECT_EQ(adc->over, DigitalNode("OVR"));
    EXPECT_EQ(adc->bits, (std::vector<int>{DigitalNode("B0"), DigitalNode("B1")}));
    EXPECT_EQ(dac->out, Node("OUT"));
    EXPECT_EQ(dac->ref, Node("REF"));
    EXPECT_EQ(dac->bits, (std::vector<int>{DigitalNode("B1"), DigitalNode("B0")}));
    // No interface: the data nodes are digital only.
    EXPECT_EQ(DeviceListTable[kAtoDInterfaceList].count, 0);
    EXPECT_EQ(DeviceListTable[kDtoAInterfaceList].count, 0);
}

// A circuit of digital parts only (no analog node, so no ground needed): a stimulus
// drives an inverter whose delays come from its model by the part's timing mode. B is
// settled to 1 at the operating point; A rises at 100 ns and falls at 300 ns.
TEST_F(MixedSignalRun, DigitalOnlyCircuitFollowsItsStimulus) {
    const struct {
        const char* mode;
        double down, up;  // B's edges: TPHL after 100 ns, TPLH after 300 ns
    } cases[] = {{"", 120e-9, 310e-9}, {" MNTYMXDLY=1", 107e-9, 305e-9}};
    for (const auto& c : cases) {
        const std::string deck = std::string("Digital only\n"
                                             "U1 STIM(1,1) $G_DPWR $G_DGND A IO_STD TIMESTEP=10NS 0S 0 100NS 1 300NS 0\n"
                                             "U2 INV $G_DPWR $G_DGND A B DLY IO_STD") +
                                 c.mode +
                                 "\n.MODEL DLY UGATE (TPLHMN=5N TPLHTY=10N TPHLMN=7N TPHLTY=20N)\n.END\n";
        ASSERT_EQ(Compile(deck), 0) << c.mode << FirstReport();
        EXPECT_EQ(compiled.nodeCount, 0);
        Recorder r;
        r.d = DigitalNode("B");
        TransientSettings s;
        s.tmax = 500e-9;
        ASSERT_EQ(RunTransientAnalysis(s, r), 0) << FirstReport();
        std::vector<double> edges;
        std::string changes(1, r.letters[0]);
        for (size_t i = 1; i < r.t.size(); ++i)
            if (r.letters[i] != r.letters[i - 1]) edges.push_back(r.t[i]), changes += r.letters[i];
        EXPECT_EQ(changes, "101") << c.mode;
        ASSERT_EQ(edges.size(), 2u) << c.mode;
        EXPECT_NEAR(edges[0], c.down, 1e-15) << c.mode;
        EXPECT_NEAR(edges[1], c.up, 1e-15) << c.mode;
        ClearCompiledDevices();
    }
}

// A pulse of A (100 ns to 105 ns) shorter than the inverter's delay: with inertial
// cancellation (the default) B never moves; without, B repeats the pulse inverted, both
// edges 20 ns later (the return edge is timed from the pending 0, not the present 1).
TEST_F(MixedSignalRun, InertialCancellationFollowsTheSetting) {
    const char* deck =
        "Glitch\n"
        "U1 STIM(1,1) $G_DPWR $G_DGND A IO_STD TIMESTEP=10NS 0S 0 100NS 1 105NS 0\n"
        "U2 INV $G_DPWR $G_DGND A B DLY IO_STD\n"
        ".MODEL DLY UGATE (TPLHTY=20N TPHLTY=20N)\n.END\n";
    for (bool inertial : {true, false}) {
        ASSERT_EQ(Read(deck, kTransient), 0) << FirstReport();
        CompileSettings settings;
        settings.inertialCancellation = inertial;
        ASSERT_EQ(CompileCircuit(*circuit, settings, &compiled), 0) << FirstReport();
        Recorder r;
        r.d = DigitalNode("B");
        TransientSettings s;
        s.tmax = 300e-9;
        ASSERT_EQ(RunTransientAnalysis(s, r), 0) << FirstReport();
        std::string changes(1, r.letters[0]);
        std::vector<double> edges;
        for (size_t i = 1; i < r.t.size(); ++i)
            if (r.letters[i] != r.letters[i - 1]) edges.push_back(r.t[i]), changes += r.letters[i];
        if (inertial) {
            EXPECT_EQ(changes, "1");
        } else {
            EXPECT_EQ(changes, "101");
            ASSERT_EQ(edges.size(), 2u);
            EXPECT_NEAR(edges[0], 120e-9, 1e-15);
            EXPECT_NEAR(edges[1], 125e-9, 1e-15);
        }
        ClearCompiledDevices();
    }
}

// Errors of the digital parts name the part and make it the error's place.
TEST_F(MixedSignalRun, DigitalPartErrorsNameThePart) {
    const struct {
        const char* deck;
        int code;
        const char* part;
        int line;  // of its card, from 0
    } cases[] = {
        // A timing model that does not exist.
        {"T\nU1 STIM(1,1) $G_DPWR $G_DGND A IO_STD 0S 0\nU2 INV $G_DPWR $G_DGND A B NOSUCH IO_STD\n", 10834, "U2", 2},
        // An O device whose analog node has nothing else on it.
        {"T\nV1 1 0 1\nR1 1 0 1K\nO1 LONE 0 DOUT_STD DGTLNET=D IO_STD\nU2 INV $G_DPWR $G_DGND D B D0GATE IO_STD\n",
         10855, "O1", 3},
        // A logic expression that names no pin: the digital set-up's own message.
        {"T\nU1 STIM(1,1) $G_DPWR $G_DGND A IO_STD 0S 0\n"
         "U2 LOGICEXP(1,1) $G_DPWR $G_DGND A B D0GATE IO_STD LOGIC: B = {NOPIN}\n",
         -1, "U2", 2},
    };
    for (const auto& c : cases) {
        EXPECT_NE(Compile(c.deck), 0) << c.deck;
        if (c.code > 0) {
            EXPECT_EQ(FirstReport(), c.code) << c.deck;
        }
        EXPECT_FALSE(reports.reports.empty()) << c.deck;
        EXPECT_EQ(ErrorSource.state, 3) << c.deck;  // a card: a line of the text
        EXPECT_EQ(ErrorSource.line, c.line) << c.deck;
        ASSERT_GE(ErrorSource.part, 0) << c.deck;
        EXPECT_EQ(PartAttr(circuit->parts[static_cast<size_t>(ErrorSource.part)], ATTR_PART), c.part) << c.deck;
        // A failed compile leaves no digital network behind.
        EXPECT_EQ(DigitalNet.node_count, 0) << c.deck;
    }
}

}  // namespace
