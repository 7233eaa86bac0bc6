// POLY source value texts and the .OPTIONS statements.

#include "netlist/poly_source.h"
#include "sim/engine/simulation_options.h"
#include "text_circuit_fixture.h"

using namespace ob7;

namespace {

class PolyTest : public TextCircuitTest {
protected:
    int Build(const std::string& card, PolySourceRecord& r) {
        EXPECT_EQ(Read("T\n" + card + "\nV1 1 0 1\nV2 2 0 1\nR3 3 0 1\n"), 0) << card << " " << FirstReport();
        reports.reports.clear();
        return BuildPolySource(*circuit, 0, PartAttr(circuit->parts[0], ATTR_VALUE), r);
    }
};

TEST_F(PolyTest, CoefficientCounts) {
    struct Case {
        const char* card;
        int dimension;
        std::vector<double> coefficients;  // elements 1..count
    } cases[] = {
        {"E1 9 0 1 2 10", 1, {0, 10}},
        {"E2 9 0 POLY(1) 1 0 5", 1, {0, 5}},
        {"E3 9 0 POLY(2) 1 0 2 0 0 1 1", 2, {0, 1, 1}},
        {"G4 9 0 POLY(3) 1 0 2 0 3 0 0 1 1 1 0.5", 3, {0, 1, 1, 1, 0.5}},
        {"E5 9 0 POLY(1) 1 0 {2*3} 1E-3", 1, {6, 1e-3}},
        {"F6 9 0 POLY(2) V1 V2 0 1 1", 2, {0, 1, 1}},
        {"H7 9 0 V1 100", 1, {0, 100}},
    };
    for (const Case& c : cases) {
        PolySourceRecord r;
        ASSERT_EQ(Build(c.card, r), 0) << c.card << " " << FirstReport();
        EXPECT_EQ(r.dimension, c.dimension) << c.card;
        ASSERT_EQ(r.count, static_cast<int>(c.coefficients.size())) << c.card;
        for (size_t k = 0; k < c.coefficients.size(); ++k)
            EXPECT_DOUBLE_EQ(r.coefficients[k + 1], c.coefficients[k]) << c.card << " p" << k;
    }
    PolySourceRecord r;
    ASSERT_EQ(Build("E1 9 0 POLY(2) 1 0 2 3 0 1 1", r), 0);
    EXPECT_EQ(r.nodes[1], std::make_pair(Node("1"), 0));
    EXPECT_EQ(r.nodes[2], std::make_pair(Node("2"), Node("3")));
    ASSERT_EQ(Build("F1 9 0 POLY(2) V1 V2 0 1 1", r), 0);
    EXPECT_EQ(r.sources[2], "V2");
    std::vector<PolySourceRecord> records{r};
    ASSERT_EQ(ResolvePolyControlSources(*circuit, records), 0);
    EXPECT_EQ(records[0].sourceParts[2], 2);  // the part V2
    // A controlling name that is no source part fails.
    ASSERT_EQ(Build("H1 9 0 V3 1", r), 0);
    records = {r};
    EXPECT_EQ(ResolvePolyControlSources(*circuit, records), kMsgReported);
    EXPECT_EQ(FirstReport(), 10799);
}

TEST_F(PolyTest, BadValueTexts) {
    std::string many = "E1 9 0 POLY(1) 1 0";
    for (int i = 0; i < 101; ++i) many += " 1";
    struct Case {
        std::string card;
        int id;
    } cases[] = {
        {"E1 9 0 POLY(100) 1 0 1", 10792},
        {"E1 9 0 POLY(0) 1 0 1", 10792},
        {"E1 9 0 POLY", 10792},
        {"E1 9 0 POLY(1) 1 NOWHERE 1", 10791},
        {"H1 9 0 POLY(1) R3 1", 10794},
        {"E1 9 0 POLY(1) 1 0 2*3", 10798},
        {many, 10795},
        {"E1 9 0 1 0 5 IC=1", 11903},
        {"E1 9 0 POLY(1) 1 0 1..2", 15055},
    };
    for (const Case& c : cases) {
        PolySourceRecord r;
        EXPECT_EQ(Build(c.card, r), kMsgReported) << c.card;
        if (c.id != 15055) {
            EXPECT_EQ(FirstReport(), c.id) << c.card;
        } else {
            EXPECT_FALSE(reports.reports.empty()) << c.card;
        }
    }
    // A lower-case exponent (a schematic value is not upper-cased) is no plain number.
    PolySourceRecord r;
    ASSERT_EQ(Build("E1 9 0 1 0 1", r), 0);
    EXPECT_EQ(BuildPolySource(*circuit, 0, "POLY(1) 1 0 1e-3", r), kMsgReported);
    EXPECT_EQ(FirstReport(), 10798);
}

// The global option table as the engine keeps it.
struct EngineOptions : OptionTargets {
    bool Find(const std::string& name, OptionTarget* target) override {
        const int row = FindOption(name);
        if (row < 0) return false;
        const SimulationOptionRow& r = SimulationOptionTable[row];
        target->type = r.type;
        target->real = r.real ? &(Options.*(r.real)) : nullptr;
        target->integer = r.integer ? &(Options.*(r.integer)) : nullptr;
        return true;
    }
};

class OptionsTest : public TextCircuitTest {
protected:
    int Apply(const std::string& text, int pass = 1) {
        EXPECT_EQ(Read(text), 0) << FirstReport();
        Options = kStandardOptionValues;
        options = EngineOptions();
        reports.reports.clear();
        return ApplyOptionsStatements(*circuit, options, pass);
    }
    EngineOptions options;
};

TEST_F(OptionsTest, ValuesMethodAndWarnings) {
    ASSERT_EQ(Apply("T\n.OPTIONS RELTOL=1E-4 ITL1=500 TRYTOCOMPACT METHOD=TRAP\n.OPT NUMDGT=6 ITL5=0 FOO=1 BAR\n"),
              0);
    EXPECT_DOUBLE_EQ(Options.reltol, 1e-4);
    EXPECT_EQ(Options.itl1, 500);
    EXPECT_EQ(Options.trytocompact, 1);
    EXPECT_EQ(options.method, 1);
    EXPECT_EQ(options.numberDigits, 6);
    ASSERT_EQ(circuit->tables.warnings.size(), 2u);  // FOO and BAR; ITL5 is accepted silently
    EXPECT_EQ(circuit->tables.warnings[0].text, "FOO");
    EXPECT_EQ(circuit->tables.warnings[1].text, "BAR");
    EXPECT_EQ(circuit->tables.warnings[0].kind, kWarningUnknownOption);
}

TEST_F(OptionsTest, SmallestPositiveMaxTimeStepWins) {
    for (const char* text : {"T\n.OPTIONS MAXTIMESTEP=1U\n.OPTIONS MAXTIMESTEP=10N MAXTIMESTEP=0\n",
                             "T\n.OPTIONS MAXTIMESTEP=10N\n.OPTIONS MAXTIMESTEP=-1 MAXTIMESTEP=1U\n"}) {
        ASSERT_EQ(Apply(text), 0);
        EXPECT_DOUBLE_EQ(options.maxTimeStep, 10e-9) << text;
    }
}

TEST_F(OptionsTest, InsideSubcircuitsOnlyMaxTimeStepApplies) {
    // Statement lines of an expanded body (scope 2) are applied in pass 0.
    ASSERT_EQ(Read("T\nX1 1 0 S\n.SUBCKT S A B\nR1 A B 1\n.ENDS\n"), 0);
    circuit->statements.push_back({".OPTIONS RELTOL=0.1 MAXTIMESTEP=5N", 3, 2, -1});
    Options = kStandardOptionValues;
    ASSERT_EQ(ApplyOptionsStatements(*circuit, options, 1), 0);
    EXPECT_DOUBLE_EQ(options.maxTimeStep, 0);
    ASSERT_EQ(ApplyOptionsStatements(*circuit, options, 0), 0);
    EXPECT_DOUBLE_EQ(options.maxTimeStep, 5e-9);
    EXPECT_DOUBLE_EQ(Options.reltol, kStandardOptionValues.reltol);
    ASSERT_EQ(circuit->tables.warnings.size(), 1u);
    EXPECT_EQ(circuit->tables.warnings[0].text, "RELTOL");
}

TEST_F(OptionsTest, Errors) {
    struct Case {
        const char* text;
        int id;
    } cases[] = {
        {"T\n.OPTIONS RELTOL 1E-3\n", 11901},
        {"T\n.OPTIONS RELTOL=\n", 11896},
        {"T\n.OPTIONS RELTOL=ABC\n", 11897},
        {"T\n.OPTIONS METHOD=EULER\n", 11895},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Apply(c.text), kMsgReported) << c.text;
        EXPECT_EQ(FirstReport(), c.id) << c.text;
    }
    // A number out of range is not a failure: the value is the best reading.
    EXPECT_EQ(Apply("T\n.OPTIONS RELTOL=1E999 ABSTOL=1..2\n"), 0);
}

}  // namespace

namespace {

TEST_F(OptionsTest, WrittenBackIntoTheTextPage) {
    ASSERT_EQ(Read("T\n.opt itl1=100 ; first\nR1 1 0 1\n.options reltol=1e-3\n* note\n+ ITL1 = 7\n.end\n"), 0);
    WriteOptionsStatement(*circuit, "ITL1", "500");
    EXPECT_EQ(page->Text(), "T\n.OPT ITL1=500\r\nR1 1 0 1\n.OPTIONS RELTOL=1E-3          ITL1 = 500\r\n.end\n");
    // Read back, the statements give the new value.
    ASSERT_EQ(Read(page->Text()), 0);
    Options = kStandardOptionValues;
    ASSERT_EQ(ApplyOptionsStatements(*circuit, options, 1), 0);
    EXPECT_EQ(Options.itl1, 500);

    ASSERT_EQ(Read("T\nR1 1 0 1\n.OPTIONS RELTOL=1E-3\n.END\n"), 0);
    WriteOptionsStatement(*circuit, "ITL1", "500");
    EXPECT_EQ(page->Text(), "T\nR1 1 0 1\n.OPTIONS RELTOL=1E-3\n.OPTIONS ITL1=500\r\n.END\n");
}

}  // namespace
