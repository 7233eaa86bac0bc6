#include "expression/digital_logic.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "expression/compiler.h"
#include "expression/expression.h"

namespace ob7 {
namespace {

DigitalProgramEntry E(int op, int iv = 0, double dv = 0.0) { return DigitalProgramEntry{op, iv, dv}; }

TEST(DigitalLogic, LogicProgramEvaluatesLevels) {
    // ~(A & B) | C  on pins A=0, B=1, C=2.
    std::vector<DigitalProgramEntry> p = {E(kDigPin, 0), E(kDigPin, 1), E(kDigAnd), E(kDigNot),
                                          E(kDigPin, 2), E(kDigOr)};
    struct Case {
        uint8_t a, b, c;
        uint8_t out;
    } cases[] = {
        {kLevel1, kLevel1, kLevel0, kLevel0},
        {kLevel1, kLevel0, kLevel0, kLevel1},
        {kLevel1, kLevel1, kLevel1, kLevel1},
        {kLevelX, kLevel1, kLevel0, kLevelX},
        {kLevel0, kLevelX, kLevel0, kLevel1},  // 0 AND X is 0
        {kLevelRise, kLevel1, kLevel0, kLevelFall},
    };
    for (const Case& c : cases) {
        uint8_t pins[3] = {c.a, c.b, c.c};
        EXPECT_EQ(EvalLogicProgram(pins, p.data(), static_cast<int>(p.size())), c.out)
            << int(c.a) << int(c.b) << int(c.c);
    }
    // Constants, a skipped opcode, and XOR.
    std::vector<DigitalProgramEntry> q = {E(kDigConstant, kLevel1), E(23), E(kDigPin, 0), E(kDigXor)};
    uint8_t pins[1] = {kLevel1};
    EXPECT_EQ(EvalLogicProgram(pins, q.data(), 4), kLevel0);
    EXPECT_EQ(EvalLogicProgram(pins, q.data(), 0), kLevelX);
}

TEST(DigitalLogic, MinTypMaxRules) {
    DelayScaling s{1e-9, 0.5, 2.0};
    struct Case {
        double min, typ, max;
        int tmin, ttyp, tmax;
    } cases[] = {
        {-1, 5e-9, -1, 2, 5, 10},     // both from typical
        {2e-9, -1, 6e-9, 2, 4, 6},    // typical is the mean
        {-1, -1, 8e-9, 2, 4, 8},      // from maximum
        {3e-9, -1, -1, 3, 6, 12},     // from minimum
        {-1, -1, -1, 0, 0, 0},        // nothing given
        {1e-9, 2e-9, 3e-9, 1, 2, 3},
    };
    for (const Case& c : cases) {
        DelayTicks t = ResolveMinTypMax(c.min, c.typ, c.max, s);
        EXPECT_EQ(t.min, c.tmin) << c.min << " " << c.typ << " " << c.max;
        EXPECT_EQ(t.typ, c.ttyp) << c.min << " " << c.typ << " " << c.max;
        EXPECT_EQ(t.max, c.tmax) << c.min << " " << c.typ << " " << c.max;
    }
    DelayTicks t = ResolveMinTypMax2(-1, 4e-9, -1, s);
    EXPECT_EQ(t.min, 0);
    EXPECT_EQ(t.typ, 4);
    EXPECT_EQ(t.max, 4);
    t = ResolveMinTypMax2(2e-9, -1, 6e-9, s);
    EXPECT_EQ(t.typ, 4);
}

// CASE(TRN_LH, DELAY(1n,2n,3n), DELAY(4n,5n,6n)) as the compiler lays it out.
DigitalProgram CaseProgram() {
    DigitalProgram p;
    DigitalProgramEntry e[] = {E(274),
                               E(kDigDelayConstant, 0, 1e-9), E(kDigDelayConstant, 0, 2e-9),
                               E(kDigDelayConstant, 0, 3e-9), E(kDigIfThen),
                               E(kDigDelayConstant, 0, 4e-9), E(kDigDelayConstant, 0, 5e-9),
                               E(kDigDelayConstant, 0, 6e-9), E(kDigDefault)};
    p.count = 9;
    p.entries.reset(new DigitalProgramEntry[9]);
    std::copy(std::begin(e), std::end(e), p.entries.get());
    ScaleDelayProgramToTicks(p, DelayScaling{1e-9, 0.5, 2.0});
    return p;
}

uint16_t State(int level) { return static_cast<uint16_t>(level | 0x1f8); }

TEST(DigitalLogic, PinDelayCaseSelectsByTransition) {
    DigitalProgram p = CaseProgram();
    PinDelayContext c;
    c.count = p.count;
    c.entries = p.entries.get();
    struct Case {
        int from, to;
        int typ;
    } cases[] = {
        {kLevel0, kLevel1, 2}, {kLevelX, kLevel1, 2},  // X to 1 counts as rising
        {kLevel1, kLevel0, 5}, {kLevelX, kLevel0, 5},  // X to 0 counts as falling
        {kLevel0, kLevelZ, 5},
    };
    for (const Case& k : cases) {
        DelayTicks d;
        uint8_t result = 0;
        EXPECT_EQ(EvalPinDelayProgram(c, State(k.to), State(k.from), &d, &result), 0);
        EXPECT_EQ(d.typ, k.typ) << k.from << "->" << k.to;
        EXPECT_EQ(d.min, k.typ - 1);
        EXPECT_EQ(d.max, k.typ + 1);
    }
    // An empty program gives '1'; an opcode a program cannot hold ends with 15055.
    PinDelayContext empty;
    uint8_t result = 0;
    EXPECT_EQ(EvalPinDelayProgram(empty, 0, 0, nullptr, &result), 0);
    EXPECT_EQ(result, '1');
    DigitalProgramEntry bad[] = {E(kDigConstant, 1), E(100)};
    PinDelayContext b;
    b.count = 2;
    b.entries = bad;
    EXPECT_EQ(EvalPinDelayProgram(b, 0, 0, nullptr, &result), 15055);
}

TEST(DigitalLogic, PinDelayConditionsAndChanged) {
    uint8_t pins[2] = {kLevel1, kLevel0};
    PinHistory hist[2];
    hist[0] = PinHistory{90, 1, 100, 4};  // rose 10 ticks ago, no change now
    hist[1] = PinHistory{50, 2, 100, 2};  // fell 50 ticks ago, falls again now
    PinDelayContext c;
    c.pin_levels = pins;
    c.histories = hist;
    struct Case {
        std::vector<DigitalProgramEntry> program;
        uint8_t result;
    } cases[] = {
        {{E(kDigPin, 0), E(kDigNumber, 20), E(kDigChanged)}, 1},
        {{E(kDigPin, 0), E(kDigNumber, 5), E(kDigChanged)}, 0},
        {{E(kDigPin, 0), E(kDigNumber, 0), E(kDigChanged)}, 0},  // only the present instant
        {{E(kDigPin, 1), E(kDigNumber, 0), E(kDigChanged)}, 1},
        {{E(kDigPin, 0), E(kDigNumber, 20), E(kDigChangedLH)}, 1},
        {{E(kDigPin, 0), E(kDigNumber, 20), E(kDigChangedHL)}, 0},
        {{E(kDigPin, 1), E(kDigNumber, 0), E(kDigChangedHL)}, 1},
        {{E(kDigPin, 0), E(kDigConstant, kLevel1), E(kDigEqual)}, 1},
        {{E(kDigPin, 0), E(kDigPin, 1), E(kDigNotEqual), E(kDigConstant, 1), E(kDigAnd)}, 1},
        {{E(kDigPin, 0), E(kDigNumber, 20), E(kDigChanged), E(kDigNot), E(kDigConstant, 1), E(kDigAnd)}, 0},
    };
    for (const Case& k : cases) {
        c.count = static_cast<int>(k.program.size());
        c.entries = k.program.data();
        uint8_t result = 99;
        EXPECT_EQ(EvalPinDelayState(c, &result), 0);
        EXPECT_EQ(result, k.result) << &k - cases;
    }
    // The simulator's NOT table serves the digital complement.
    uint16_t not_table[8] = {3, 2, 1, 0, 4, 4, 4, 0};
    DigitalProgramEntry comp[] = {E(kDigPin, 1), E(kDigComplement)};
    c.not_table = not_table;
    c.not_table_size = 8;
    c.count = 2;
    c.entries = comp;
    uint8_t result = 0;
    EXPECT_EQ(EvalPinDelayState(c, &result), 0);
    EXPECT_EQ(result, kLevel1);
}

TEST(DigitalLogic, NegatedConditionIsFalse) {
    // CASE(~TRN_LH, DELAY(1,1,1), DELAY(2,2,2)) on a rising edge: ~1 is ...110, false.
    DigitalProgramEntry e[] = {E(274), E(kDigNot), E(kDigDelayConstant, 1), E(kDigDelayConstant, 1),
                               E(kDigDelayConstant, 1), E(kDigIfThen), E(kDigDelayConstant, 2),
                               E(kDigDelayConstant, 2), E(kDigDelayConstant, 2), E(kDigDefault)};
    PinDelayContext c;
    c.count = 10;
    c.entries = e;
    DelayTicks d;
    uint8_t result;
    EXPECT_EQ(EvalPinDelayProgram(c, State(kLevel1), State(kLevel0), &d, &result), 0);
    EXPECT_EQ(d.typ, 2);
    EXPECT_EQ(EvalPinDelayProgram(c, State(kLevel0), State(kLevel1), &d, &result), 0);
    EXPECT_EQ(d.typ, 1);
}

TEST(DigitalLogic, ConditionFalseFallsThroughToNextCase) {
    // CASE(pin0 == '0, DELAY(1n,1n,1n), DELAY(7n,8n,9n)): pin 0 is 1, so the default.
    uint8_t pins[1] = {kLevel1};
    DigitalProgram p;
    DigitalProgramEntry e[] = {E(kDigPin, 0), E(kDigConstant, kLevel0), E(kDigEqual),
                               E(kDigDelayConstant, 0, 1e-9), E(kDigDelayConstant, 0, 1e-9),
                               E(kDigDelayConstant, 0, 1e-9), E(kDigIfThen),
                               E(kDigDelayConstant, 0, 7e-9), E(kDigDelayConstant, 0, -1),
                               E(kDigDelayConstant, 0, 9e-9), E(kDigDefault)};
    p.count = 11;
    p.entries.reset(new DigitalProgramEntry[11]);
    std::copy(std::begin(e), std::end(e), p.entries.get());
    ScaleDelayProgramToTicks(p, DelayScaling{1e-9, 0.5, 2.0});
    PinDelayContext c;
    c.count = p.count;
    c.entries = p.entries.get();
    c.pin_levels = pins;
    DelayTicks d;
    uint8_t result;
    EXPECT_EQ(EvalPinDelayProgram(c, State(kLevel0), State(kLevel1), &d, &result), 0);
    EXPECT_EQ(d.min, 7);
    EXPECT_EQ(d.typ, 8);  // the missing typical is the mean
    EXPECT_EQ(d.max, 9);
}

// A primitive's formula compiled with its pins A, B, C declared, built into a program.
struct CompiledProgram {
    DigitalProgram program;
    int compile = -1;
    int build = -1;
    CompiledProgram(const std::string& text, int mode) {
        LocalNameSet pins;
        pins.names = {"A", "B", "C"};
        pins.kinds = {1, 1, 1};
        CompiledExpression e;
        InitCompiledExpression(&e);
        ExpressionCompiler c;
        InitExpressionCompiler(&c, text, &e, 1, mode);
        c.pending_mode = 1;
        SetCompilerLocals(&c, &pins);
        compile = CompileExpression(&c);
        if (compile == 0) build = BuildDigitalDelayProgram(program, e, mode);
        FreeExpression(&e);
        ScaleDelayProgramToTicks(program, DelayScaling{1e-9, 0.5, 2.0});
    }
};

TEST(DigitalLogic, CompiledLogicExpression) {
    CompiledProgram p("~(A & B) | C", kModeLogicExpression);
    ASSERT_EQ(p.compile, 0);
    ASSERT_EQ(p.build, 0);
    uint8_t cases[][4] = {
        {kLevel1, kLevel1, kLevel0, kLevel0},
        {kLevel1, kLevel0, kLevel0, kLevel1},
        {kLevelX, kLevel1, kLevel1, kLevel1},
        {kLevelX, kLevel1, kLevel0, kLevelX},
    };
    for (auto& c : cases) EXPECT_EQ(EvalLogicProgram(c, p.program.entries.get(), p.program.count), c[3]);
}

TEST(DigitalLogic, CompiledPinDelayCase) {
    uint8_t pins[3] = {kLevel1, kLevel0, kLevel0};
    PinHistory hist[3];
    hist[0].present_kind = 1;  // A rises now
    PinDelayContext c;
    c.pin_levels = pins;
    c.histories = hist;
    struct Case {
        const char* text;
        int from, to;
        int typ;
    } cases[] = {
        {"CASE(TRN_LH, DELAY(1n,2n,3n), DELAY(4n,5n,6n))", kLevelX, kLevel1, 2},
        {"CASE(TRN_LH, DELAY(1n,2n,3n), DELAY(4n,5n,6n))", kLevelX, kLevel0, 5},
        {"CASE(CHANGED(A,0) & TRN_HL, DELAY(1n,2n,3n), TRN_LH, DELAY(7n,8n,9n), DELAY(4n,5n,6n))", kLevel1,
         kLevel0, 2},
        {"CASE(CHANGED(A,0) & TRN_HL, DELAY(1n,2n,3n), TRN_LH, DELAY(7n,8n,9n), DELAY(4n,5n,6n))", kLevel0,
         kLevel1, 8},
        {"DELAY(4n,5n,6n)", kLevel0, kLevel1, 5},
        {"DELAY(2n,-1,6n)", kLevel0, kLevel1, 4},
    };
    for (const Case& k : cases) {
        CompiledProgram p(k.text, kModePinDelay);
        ASSERT_EQ(p.compile, 0) << k.text;
        c.count = p.program.count;
        c.entries = p.program.entries.get();
        DelayTicks d;
        uint8_t result;
        EXPECT_EQ(EvalPinDelayProgram(c, State(k.to), State(k.from), &d, &result), 0) << k.text;
        EXPECT_EQ(d.typ, k.typ) << k.text << " " << k.from << "->" << k.to;
    }
}

TEST(DigitalLogic, CompiledDelayFromTypicalValue) {
    CompiledProgram p("DELAY(-1, 5n, -1)", kModePinDelay);
    ASSERT_EQ(p.compile, 0);
    PinDelayContext c;
    c.count = p.program.count;
    c.entries = p.program.entries.get();
    DelayTicks d;
    uint8_t result;
    EXPECT_EQ(EvalPinDelayProgram(c, State(kLevel1), State(kLevel0), &d, &result), 0);
    EXPECT_EQ(d.min, 2);  // 5n x 0.5, truncated
    EXPECT_EQ(d.typ, 5);
    EXPECT_EQ(d.max, 10);
}

TEST(DigitalLogic, CompiledConstraintScalesChangedTime) {
    // The CHANGED time of a constraint is in seconds like a pin-delay number.
    CompiledProgram p("CHANGED(A, 10n) & (B == '1)", kModeConstraint);
    ASSERT_EQ(p.compile, 0);
    uint8_t pins[3] = {kLevel1, kLevel1, kLevel0};
    PinHistory hist[3];
    PinDelayContext c;
    c.count = p.program.count;
    c.entries = p.program.entries.get();
    c.pin_levels = pins;
    c.histories = hist;
    for (int ago : {5, 20}) {
        hist[0] = PinHistory{100 - ago, 1, 100, 4};
        uint8_t result;
        EXPECT_EQ(EvalPinDelayState(c, &result), 0);
        EXPECT_EQ(result, ago < 10 ? 1 : 0) << ago;
    }
}

}  // namespace
}  // namespace ob7
