// Truth tables of the primitives over every input state: 0 R F 1 X, and Z (nothing
// drives the input).

#include "digital_fixture.h"
#include "sim/digital/primitive_eval.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

// The input states in table order; Z is an undriven input.
const DigitalState kInputs[6] = {MakeState(kLvl0, 30), MakeState(kLvlR, 30), MakeState(kLvlF, 30),
                                 MakeState(kLvl1, 30), MakeState(kLvlX, 30), MakeState(kLvlZ, 0)};

class GateTruth : public DigitalFixture {
protected:
    // Output letters of a two-input part (rows first input, columns second), 36 letters.
    std::string TwoInputTable(int type) {
        circuit = {};
        nodes.clear();
        const bool tri = type >= kCtBuf3 && type <= kCtNxor3;
        std::vector<std::string> pins = {"A", "B"};
        if (tri) pins.push_back("EN");
        pins.push_back("Y");
        Add(type, "U1", pins);
        EXPECT_EQ(Build(1e-6), 0);
        if (tri) DigitalNet.present[nodes["EN"]] = MakeState(kLvl1, 30);
        std::string out;
        for (DigitalState a : kInputs)
            for (DigitalState b : kInputs) {
                DigitalNet.present[nodes["A"]] = a;
                DigitalNet.present[nodes["B"]] = b;
                int node = nodes["Y"], low, high;
                out += DigitalStateChar(EvaluateGate(1, 1, 0, &node, &low, &high));
            }
        return out;
    }
};

TEST_F(GateTruth, TwoInputGatesOverEveryState) {
    // Rows A = 0 R F 1 X Z, columns B likewise.
    struct Case { int type; const char* table; };
    const Case cases[] = {
        {kCtAnd,  "000000" "0RRRXX" "0FFFXX" "0RF1XX" "0XXXXX" "0XXXXX"},
        {kCtNand, "111111" "1FFFXX" "1RRRXX" "1FR0XX" "1XXXXX" "1XXXXX"},
        {kCtOr,   "0RF1XX" "RRF1XX" "FFF1XX" "111111" "XXX1XX" "XXX1XX"},
        {kCtNor,  "1FR0XX" "FFR0XX" "RRR0XX" "000000" "XXX0XX" "XXX0XX"},
        {kCtXor,  "0RF1XX" "RXRFXX" "FRXRXX" "1FR0XX" "XXXXXX" "XXXXXX"},
        {kCtNxor, "1FR0XX" "FXFRXX" "RFXFXX" "0RF1XX" "XXXXXX" "XXXXXX"},
        // The tri-state forms with the enable at 1 compute the same functions.
        {kCtAnd3, "000000" "0RRRXX" "0FFFXX" "0RF1XX" "0XXXXX" "0XXXXX"},
        {kCtOr3,  "0RF1XX" "RRF1XX" "FFF1XX" "111111" "XXX1XX" "XXX1XX"},
        {kCtXor3, "0RF1XX" "RXRFXX" "FRXRXX" "1FR0XX" "XXXXXX" "XXXXXX"},
        {kCtNand3, "111111" "1FFFXX" "1RRRXX" "1FR0XX" "1XXXXX" "1XXXXX"},
        {kCtNor3, "1FR0XX" "FFR0XX" "RRR0XX" "000000" "XXX0XX" "XXX0XX"},
        {kCtNxor3, "1FR0XX" "FXFRXX" "RFXFXX" "0RF1XX" "XXXXXX" "XXXXXX"},
    };
    for (const Case& c : cases) EXPECT_EQ(TwoInputTable(c.type), c.table) << "type " << c.type;
}

TEST_F(GateTruth, OneInputPartsOverEveryState) {
    struct Case { int type; const char* row; };
    // Input 0 R F 1 X Z; DLYLINE passes the state on unchanged, so an undriven input stays Z.
    const Case cases[] = {{kCtBuf, "0RF1XX"}, {kCtInv, "1FR0XX"}, {kCtDlyline, "0RF1XZ"},
                          {kCtPullup, "111111"}, {kCtPulldn, "000000"}};
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        if (c.type == kCtPullup || c.type == kCtPulldn) Add(c.type, "U1", {"Y"});
        else Add(c.type, "U1", {"A", "Y"});
        ASSERT_EQ(Build(1e-6), 0);
        std::string out;
        for (DigitalState a : kInputs) {
            if (nodes.count("A")) DigitalNet.present[nodes["A"]] = a;
            int node = nodes["Y"], low, high;
            out += DigitalStateChar(EvaluateGate(1, 1, 0, &node, &low, &high));
        }
        EXPECT_EQ(out, c.row) << "type " << c.type;
        FreeDigitalNetwork();
    }
}

TEST_F(GateTruth, TriStateEnableOverEveryState) {
    // BUF3 input 1; the output drives only while the enable is exactly 1.
    Add(kCtBuf3, "U1", {"A", "EN", "Y"}, {});
    circuit.parts.back().io.drvh = circuit.parts.back().io.drvl = 50;
    ASSERT_EQ(Build(1e-6), 0);
    DigitalNet.present[nodes["A"]] = MakeState(kLvl1, 30);
    std::string out;
    for (DigitalState en : kInputs) {
        DigitalNet.present[nodes["EN"]] = en;
        int node = nodes["Y"], low, high;
        const DigitalState y = EvaluateGate(1, 1, 0, &node, &low, &high);
        out += DigitalStateChar(y);
        if (LevelOf(en) == kLvl1 && StrengthOf(en)) {
            EXPECT_EQ(low, 34);  // 50 ohm with the default DIGDRVF and DIGDRVZ
            EXPECT_EQ(high, 34);
        }
    }
    EXPECT_EQ(out, "ZZZ1ZZ");
}

TEST_F(GateTruth, AndOrGroupsCombineByTheLevelTables) {
    // AO with groups of two: (A & B) | (C & D); OAI: not ((A | B) & (C | D)).
    struct Case { int type; const char* a; const char* b; const char* c; const char* d; char y; };
    const Case cases[] = {
        {kCtAo, "1", "1", "0", "0", '1'}, {kCtAo, "1", "0", "0", "1", '0'}, {kCtAo, "R", "1", "F", "1", 'F'},
        {kCtAo, "X", "1", "1", "1", '1'}, {kCtAo, "X", "1", "0", "1", 'X'},
        {kCtOai, "0", "0", "1", "1", '1'}, {kCtOai, "1", "0", "0", "1", '0'}, {kCtOai, "R", "0", "1", "1", 'F'},
        {kCtAoi, "1", "1", "0", "0", '0'}, {kCtOa, "0", "X", "1", "0", 'X'},
    };
    for (const Case& k : cases) {
        circuit = {};
        nodes.clear();
        Add(k.type, "U1", {"A", "B", "C", "D", "Y"}).group_size = 2;
        ASSERT_EQ(Build(1e-6), 0);
        const char* in[4] = {k.a, k.b, k.c, k.d};
        const char* names[4] = {"A", "B", "C", "D"};
        for (int i = 0; i < 4; ++i) DigitalNet.present[nodes[names[i]]] = MakeState(DigitalLevelOfLetter(in[i][0]), 30);
        int node = nodes["Y"], low, high;
        EXPECT_EQ(DigitalStateChar(EvaluateGate(1, 1, 0, &node, &low, &high)), k.y)
            << k.type << " " << k.a << k.b << k.c << k.d;
        FreeDigitalNetwork();
    }
}

TEST(DigitalStates, MappingsAndStrengths) {
    const char* letters = "0RF1XZ?";
    const char* finals = "0101XZ?";
    const char* initials = "0011XZ?";
    const char* inverted = "1FR0XXX";
    for (int l = 0; l < 7; ++l) {
        EXPECT_EQ(letters[DigitalFinalLevel(l)], finals[l]);
        EXPECT_EQ(letters[DigitalInitialLevel(l)], initials[l]);
        EXPECT_EQ(letters[DigitalInvert(l)], inverted[l]);
    }
    EXPECT_EQ(DigitalStateChar(508), 'X');
    EXPECT_EQ(DigitalStateChar(507), '1');
    EXPECT_EQ(DigitalStateChar(504), '0');
    EXPECT_EQ(DigitalStateChar(MakeState(kLvl1, 0)), 'Z');
    // Drive strengths with DIGDRVF 2 and DIGDRVZ 20K.
    EXPECT_EQ(DriveStrength(2, 2, 20e3), 61);
    EXPECT_EQ(DriveStrength(0.5, 2, 20e3), 61);
    EXPECT_EQ(DriveStrength(50, 2, 20e3), 34);
    EXPECT_EQ(DriveStrength(20e3, 2, 20e3), 0);
    EXPECT_EQ(DriveStrength(1e6, 2, 20e3), 0);
}

}  // namespace
