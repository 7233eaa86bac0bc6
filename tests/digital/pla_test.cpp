// Programmable logic arrays: fuse programs from DATA texts and JEDEC maps, the pin lists
// they give, and the array functions.

#include "digital_fixture.h"
#include "sim/digital/pla.h"
#include "sim/digital/primitive_eval.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class Plas : public DigitalFixture {
protected:
    DigitalPartDesc& Pla(int type, int inputs, int outputs, const std::string& data) {
        std::vector<std::string> pins;
        for (int i = 0; i < inputs; ++i) pins.push_back("I" + std::to_string(i));
        for (int k = 0; k < outputs; ++k) pins.push_back("O" + std::to_string(k));
        auto& p = Add(type, "PLA1", pins, {{"TPLHTY", 1e-9}, {"TPHLTY", 1e-9}});
        p.input_count = inputs;
        p.output_count = outputs;
        p.attributes["DATA"] = data;
        return p;
    }
    // The input pins of each output primitive, as node names ("-" for complemented).
    std::string PinLists() {
        std::string s;
        for (size_t p = 1; p < DigitalNet.prims.size(); ++p) {
            const Primitive& q = DigitalNet.prims[p];
            if (!s.empty()) s += " | ";
            for (int i = 0; i < q.pin_count - 1; ++i) {
                const int n = DigitalNet.Pin(q.pin_begin + i);
                s += (n < 0 ? "-" : "") + DigitalNet.node_names[std::abs(n)] + " ";
            }
            s += "-> " + DigitalNet.node_names[DigitalNet.Pin(q.pin_begin + q.pin_count - 1)];
        }
        return s;
    }
};

TEST_F(Plas, DataTextsConnectTheFuses) {
    struct Case { int type; int inputs, outputs; const char* data; const char* pins; };
    const Case cases[] = {
        {kCtPland, 2, 2, "B$0110$", "I1 -> O0 | I0 -> O1"},
        {kCtPland, 2, 2, "X $ 9 $", "I0 -> O0 | I1 -> O1"},
        {kCtPlor, 3, 1, "O$5$", "I0 I2 -> O0"},
        {kCtPland, 2, 1, "", "-> O0"},
        {kCtPland, 2, 1, "B no dollar", "-> O0"},
        // Complemented: true and complement fuse per input; both connected takes the true one.
        {kCtPlandc, 2, 1, "B$0111$", "-I0 I1 -> O0"},
        {kCtPlandc, 3, 1, "B$110001$", "I0 -I2 -> O0"},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        Pla(c.type, c.inputs, c.outputs, c.data);
        ASSERT_EQ(Build(1e-6), 0) << c.data;
        EXPECT_EQ(PinLists(), c.pins) << c.data;
        FreeDigitalNetwork();
    }
}

TEST_F(Plas, BadDataTexts) {
    struct Case { const char* data; int code; const char* message; };
    const Case cases[] = {
        {"Q$01$", 13234, "Radix flag must be 'B','O', or 'X'."},
        {"O$18$", 13235, "Illegal value '8' in program data."},
        {"B$0120$", 13235, "Illegal value '2' in program data."},
        {"X$G$", 13235, "Illegal value 'G' in program data."},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        Pla(kCtPland, 2, 2, c.data);
        EXPECT_EQ(Build(1e-6), kMsgDigitalSetupFailed) << c.data;
        EXPECT_EQ(LastDigitalSetupError.code, c.code) << c.data;
        EXPECT_EQ(LastDigitalSetupError.text, c.message) << c.data;
        FreeDigitalNetwork();
    }
}

TEST_F(Plas, ArrayFunctionsOverTheirInputs) {
    // Two inputs, both connected; output levels for A, B.
    struct Case { int type; const char* a; const char* b; char y; };
    const Case cases[] = {
        {kCtPland, "1", "1", '1'}, {kCtPland, "0", "X", '0'}, {kCtPland, "R", "F", 'F'}, {kCtPland, "F", "R", 'F'},
        {kCtPland, "X", "1", 'X'}, {kCtPlnand, "1", "1", '0'}, {kCtPlnand, "R", "1", 'F'},
        {kCtPlor, "0", "0", '0'}, {kCtPlor, "X", "1", '1'}, {kCtPlor, "R", "F", 'F'}, {kCtPlnor, "0", "R", 'F'},
        {kCtPlxor, "1", "R", 'F'}, {kCtPlxor, "0", "R", 'R'}, {kCtPlnxor, "1", "1", '1'},
        // Complemented inputs read the node inverted.
        {kCtPlandc, "0", "0", '1'}, {kCtPlorc, "1", "1", '0'},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        const bool comp = IsComplementedPla(c.type);
        Pla(c.type, 2, 1, comp ? "B$0101$" : "B$11$");
        ASSERT_EQ(Build(1e-6), 0);
        DigitalNet.present[nodes["I0"]] = MakeState(DigitalLevelOfLetter(c.a[0]), 30);
        DigitalNet.present[nodes["I1"]] = MakeState(DigitalLevelOfLetter(c.b[0]), 30);
        int node = nodes["O0"], low, high;
        EXPECT_EQ(DigitalStateChar(EvaluateGate(1, 1, 0, &node, &low, &high)), c.y) << c.type << c.a << c.b;
        FreeDigitalNetwork();
    }
    // No connected fuse: AND 1, NAND 0, OR 0, NOR 1.
    const std::pair<int, char> empty[] = {{kCtPland, '1'}, {kCtPlnand, '0'}, {kCtPlor, '0'}, {kCtPlnor, '1'}};
    for (const auto& [type, y] : empty) {
        circuit = {};
        nodes.clear();
        Pla(type, 2, 1, "");
        ASSERT_EQ(Build(1e-6), 0);
        int node = nodes["O0"], low, high;
        EXPECT_EQ(DigitalStateChar(EvaluateGate(1, 1, 0, &node, &low, &high)), y) << type;
        FreeDigitalNetwork();
    }
}

TEST_F(Plas, PlanesOverEveryState) {
    // Two connected inputs; rows I0, columns I1, each 0 R F 1 X Z (Z: nothing drives it).
    // Unlike the gates, an AND plane meeting both R and F gives F in either order.
    const DigitalState states[6] = {MakeState(kLvl0, 30), MakeState(kLvlR, 30), MakeState(kLvlF, 30),
                                    MakeState(kLvl1, 30), MakeState(kLvlX, 30), MakeState(kLvlZ, 0)};
    struct Case { int type; const char* data; const char* table; };
    const Case cases[] = {
        {kCtPland, "B$11$", "000000" "0RFRXX" "0FFFXX" "0RF1XX" "0XXXXX" "0XXXXX"},
        {kCtPlnand, "B$11$", "111111" "1FRFXX" "1RRRXX" "1FR0XX" "1XXXXX" "1XXXXX"},
        {kCtPlor, "B$11$", "0RF1XX" "RRF1XX" "FFF1XX" "111111" "XXX1XX" "XXX1XX"},
        {kCtPlxor, "B$11$", "0RF1XX" "RXRFXX" "FRXRXX" "1FR0XX" "XXXXXX" "XXXXXX"},
        // Complement fuses only: the plane reads both inputs inverted.
        {kCtPlandc, "B$0101$", "1FR0XX" "FFF0XX" "RFR0XX" "000000" "XXX0XX" "XXX0XX"},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        Pla(c.type, 2, 1, c.data);
        ASSERT_EQ(Build(1e-6), 0);
        std::string table;
        for (DigitalState a : states)
            for (DigitalState b : states) {
                DigitalNet.present[nodes["I0"]] = a;
                DigitalNet.present[nodes["I1"]] = b;
                int node = nodes["O0"], low, high;
                table += DigitalStateChar(EvaluateGate(1, 1, 0, &node, &low, &high));
            }
        EXPECT_EQ(table, c.table) << "type " << c.type;
        FreeDigitalNetwork();
    }
}

TEST(JedecMaps, FieldsAndDefaults) {
    PlaFuseRecord r;
    int line = 0, arg = 0;
    // F0: every fuse not given is connected; L0 opens fuse 0 and connects fuse 1.
    ASSERT_EQ(ParseJedecText("\x02 device notes*\nQF8*\nF0*\nL0 10*\nC1234*\n\x03", &r, &line, &arg), 0);
    EXPECT_EQ(std::vector<signed char>(r.fuses.begin(), r.fuses.end()),
              (std::vector<signed char>{0, 1, 1, 1, 1, 1, 1, 1}));
    EXPECT_TRUE(r.from_file);
    // K: hexadecimal digits, four fuses each, most significant first.
    ASSERT_EQ(ParseJedecText("QF8* F1* K0 A5*", &r, &line, &arg), 0);
    EXPECT_EQ(std::vector<signed char>(r.fuses.begin(), r.fuses.end()),
              (std::vector<signed char>{0, 1, 0, 1, 1, 0, 1, 0}));
}

TEST(JedecMaps, Errors) {
    struct Case { const char* text; int code; int line; int arg; };
    const Case cases[] = {
        {"F0*\nL0 1*", 13236, 2, 0},
        {"QF4*\nQF4*", 13239, 2, 0},
        {"QF4* F2*", 13237, 1, 0},
        {"QF4*\n\nL 01*", 13238, 3, 0},
        {"QF4* L*", 13238, 1, 0},
        {"QF4* L-3 0*", 13249, 1, -3},
        {"QF4* F0* L2 000*", 13240, 1, 0},
        {"QF4* F0* L0 0201*", 13235, 1, '2'},
        {"QF4* F0*", 13242, 1, 0},
        {"QF4*\nL0 01*", 13241, 2, 2},
    };
    for (const Case& c : cases) {
        PlaFuseRecord r;
        int line = 0, arg = 0;
        EXPECT_EQ(ParseJedecText(c.text, &r, &line, &arg), c.code) << c.text;
        EXPECT_EQ(line, c.line) << c.text;
        EXPECT_EQ(arg, c.arg) << c.text;
    }
}

}  // namespace
