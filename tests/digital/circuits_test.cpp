// Circuits built from primitives: a ripple counter and a ripple-carry adder.

#include "digital_fixture.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class Circuits : public DigitalFixture {};

TEST_F(Circuits, FourBitRippleCounter) {
    // Four toggling D flip-flops, each clocked by the QB of the one before; PREB and CLRB
    // on "$D_HI". TPCLKQLH 2 ns, TPCLKQHL 3 ns.
    circuit.hi_node = Node("$D_HI");
    Stim("CLOCK", {"CLK"}, "1", "0 0 REPEAT 20 TIMES +50ns 1 +50ns 0 ENDREPEAT");
    const std::map<std::string, double> d = {{"TPCLKQLHTY", 2e-9}, {"TPCLKQHLTY", 3e-9}};
    std::string clock = "CLK";
    for (int i = 0; i < 4; ++i) {
        const std::string k = std::to_string(i);
        Add(kCtDff, "U" + k, {"$D_HI", "$D_HI", clock, "QB" + k, "Q" + k, "QB" + k}, d);
        clock = "QB" + k;
    }
    ASSERT_EQ(Build(5e-6), 0);
    EXPECT_EQ(DigitalNet.present[nodes["$D_HI"]], 507);
    for (int edge = 1; edge <= 20; ++edge) {
        ASSERT_EQ(RunTo(edge * 100e-9), 0);
        int count = 0;
        for (int i = 0; i < 4; ++i) {
            const char q = At("Q" + std::to_string(i));
            ASSERT_TRUE(q == '0' || q == '1') << "edge " << edge;
            count |= (q == '1') << i;
        }
        EXPECT_EQ(count, edge % 16) << "after edge " << edge;
    }
    // The clock rises at 50 + 100 k ns.
    EXPECT_EQ(Wave("Q0").substr(0, 22), "1@52 0@153 1@252 0@353");
    // The eighth edge (750 ns) ripples through the QB rises (2 ns each) to Q3 rising at 758;
    // the sixteenth (1550 ns) likewise to Q3 falling 3 ns after QB2 rose at 1556.
    EXPECT_EQ(Wave("Q3"), "1@758 0@1559");
}

TEST_F(Circuits, FourBitAdderOverEveryInput) {
    // Sum = A xor B xor C; carry = A & B | C & (A xor B); every gate 1 ns.
    const std::map<std::string, double> d = {{"TPLHTY", 1e-9}, {"TPHLTY", 1e-9}};
    std::vector<std::string> pins = {"C0", "A3", "A2", "A1", "A0", "B3", "B2", "B1", "B0"};
    Stim("INPUTS", pins, "144", "0 000 LABEL=NEXT +100ns INCR BY 001 +100ns GOTO NEXT 510 TIMES");
    for (int i = 0; i < 4; ++i) {
        const std::string k = std::to_string(i), c = "C" + k, n = "C" + std::to_string(i + 1);
        Add(kCtXor, "P" + k, {"A" + k, "B" + k, "P" + k}, d);
        Add(kCtXor, "S" + k, {"P" + k, c, "S" + k}, d);
        Add(kCtAo, "K" + k, {"A" + k, "B" + k, c, "P" + k, n}, d).group_size = 2;
    }
    ASSERT_EQ(Build(60e-6), 0);
    for (int step = 0; step < 512; ++step) {
        ASSERT_EQ(RunTo(step * 100e-9 + 50e-9), 0);
        const int cin = step >> 8 & 1, a = step >> 4 & 15, b = step & 15;
        const int expected = a + b + cin;
        int sum = 0;
        for (int i = 0; i < 4; ++i) sum |= (At("S" + std::to_string(i)) == '1') << i;
        sum |= (At("C4") == '1') << 4;
        ASSERT_EQ(sum, expected) << a << " + " << b << " + " << cin;
    }
}

}  // namespace
