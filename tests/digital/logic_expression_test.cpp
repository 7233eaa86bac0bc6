// LOGICEXP parts: assignments over the pins and temporaries, and the errors of the text.

#include "digital_fixture.h"
#include "sim/digital/primitive_eval.h"

using namespace ob7;
using digital_test::DigitalFixture;

namespace {

class LogicExp : public DigitalFixture {
protected:
    int Part(const std::string& logic) {
        auto& p = Add(kCtLogicExp, "U1", {"A", "B", "C", "Y", "Z"}, {{"TPLHTY", 1e-9}, {"TPHLTY", 2e-9}});
        p.input_count = 3;
        p.output_count = 2;
        p.attributes["LOGIC"] = logic;
        return Build(1e-6);
    }
    std::string Outputs(const char* a, const char* b, const char* c) {
        DigitalNet.present[nodes["A"]] = MakeState(DigitalLevelOfLetter(a[0]), 30);
        DigitalNet.present[nodes["B"]] = MakeState(DigitalLevelOfLetter(b[0]), 30);
        DigitalNet.present[nodes["C"]] = MakeState(DigitalLevelOfLetter(c[0]), 30);
        int node = nodes["Z"], low, high;
        std::string s;
        s += DigitalStateChar(EvaluateGate(1, 1, 0, &node, &low, &high));  // the first evaluated
        node = nodes["Y"];
        s = DigitalStateChar(EvaluateGate(1, 2, 0, &node, &low, &high)) + s;
        return s;
    }
};

TEST_F(LogicExp, AssignmentsWithATemporary) {
    // Y = A & B; Z = (A ^ B) | C through the temporary T.
    ASSERT_EQ(Part("LOGIC: Y = { A & B } T = { A ^ B } Z = { T | C }"), 0);
    struct Case { const char* a; const char* b; const char* c; const char* yz; };
    const Case cases[] = {
        {"0", "0", "0", "00"}, {"1", "1", "0", "10"}, {"1", "0", "0", "01"},
        {"0", "0", "1", "01"}, {"X", "0", "0", "0X"}, {"X", "1", "1", "X1"},
    };
    for (const Case& c : cases) EXPECT_EQ(Outputs(c.a, c.b, c.c), c.yz) << c.a << c.b << c.c;
}

TEST_F(LogicExp, DrivesItsOutputsWithTheGateDelays) {
    Stim("S1", {"A", "B", "C"}, "111", "0 000 10ns 110 20ns 010");
    ASSERT_EQ(Part("LOGIC: Y = { A & B } Z = { ~A }"), 0);
    ASSERT_EQ(RunTo(50e-9), 0);
    EXPECT_EQ(Wave("Y"), "1@11 0@22");
    EXPECT_EQ(Wave("Z"), "0@12 1@21");  // TPHL 2 ns, then TPLH 1 ns
}

TEST_F(LogicExp, TextErrors) {
    struct Case { const char* logic; int code; const char* message; };
    const Case cases[] = {
        {"Y = { A & B }", 13221, "Must specify LOGIC:."},
        {"LOGIC: A = { B }", 13222, "Can't assign value to input 'A'."},
        {"LOGIC: Y { A }", 13225, "Expecting '=' but found '{' after value 'Y'."},
        {"LOGIC: Y = A }", 13225, "Expecting '{' but found 'A' after value 'Y'."},
        {"LOGIC: Y = { A & B", 13225, "Expecting '}' but found 'Nothing' after value 'Y'."},
        {"LOGIC: Y =", 13225, "Expecting '{' but found 'Nothing' after value 'Y'."},
    };
    for (const Case& c : cases) {
        circuit = {};
        nodes.clear();
        EXPECT_EQ(Part(c.logic), kMsgDigitalSetupFailed) << c.logic;
        EXPECT_EQ(LastDigitalSetupError.code, c.code) << c.logic;
        EXPECT_EQ(LastDigitalSetupError.text, c.message) << c.logic;
        FreeDigitalNetwork();
    }
}

}  // namespace
