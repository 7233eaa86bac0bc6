#include "netlist/model_values.h"

#include <gtest/gtest.h>

#include "fake_circuit.h"
#include "netlist/circuit_tables.h"
#include "report_capture.h"

using namespace ob7;

namespace {

class ModelValuesTest : public ::testing::Test {
protected:
    void SetUp() override { InitGlobalScope(tables); }
    int Add(const char* text, int scope = 1) {
        return AddModelStatement(tables, text, scope, StatementOrigin{}, kOriginCircuitText, false, "test.cir");
    }
    ModelParams* Resolve(const char* text) {
        if (Add(text)) return nullptr;
        return FindModel(tables, -1, static_cast<int>(tables.models.size()) - 1);
    }
    double Value(const ModelParams* m, const char* name) { return m->values[FindModelParam(m->modelType, name)].real; }
    const ModelTolerance& Tol(const ModelParams* m, const char* name) {
        return (*m->tolerances)[FindModelParam(m->modelType, name)];
    }
    int LastReport() { return reports.reports.empty() ? 0 : reports.reports.back().id; }

    FakeCircuit circuit;
    NetlistCircuitTables tables{circuit};
    ReportCapture reports;
};

TEST_F(ModelValuesTest, TolerancesAttachToThePreviousParameter) {
    const ModelParams* q = Resolve(".MODEL Q1 NPN (BF=100 DEV=5% IS=1E-15 LOT/2/UNIFORM=10% VAF=50 DEV/GAUSS=2)");
    ASSERT_NE(q, nullptr);
    EXPECT_TRUE(q->hasTolerances);
    EXPECT_DOUBLE_EQ(Tol(q, "BF").dev, 5.0);
    EXPECT_DOUBLE_EQ(Tol(q, "IS").lot, 1e-16);
    EXPECT_EQ(Tol(q, "IS").lotSet, 2);
    EXPECT_EQ(Tol(q, "IS").lotDistribution, kDistUniform);
    EXPECT_DOUBLE_EQ(Tol(q, "VAF").dev, 2.0);
    EXPECT_EQ(Tol(q, "VAF").devDistribution, kDistGauss);
    EXPECT_EQ(Tol(q, "NF").dev, -1.0);

    struct Case { const char* text; int id; };
    const Case cases[] = {
        {".MODEL Q2 NPN (DEV=5% BF=1)", 11852},
        {".MODEL Q3 NPN (BF=1 LOT/12=1%)", 11863},
        {".MODEL Q4 NPN (BF=1 LOTX=1%)", 11903},
        {".MODEL Q5 NPN (BF VAF=1)", 11900},  // an item without '=' does not take the next value
        {".MODEL Q6 NPN (BF=)", 11901},
        {".MODEL Q7 NPN (BF=1+*)", 11861},
        {".MODEL Q8 NPN BF=1E2)", 11903},  // a ')' never opened is no part of the value
    };
    for (const Case& c : cases) {
        reports.reports.clear();
        EXPECT_EQ(Resolve(c.text), nullptr) << c.text;
        EXPECT_EQ(LastReport(), c.id) << c.text;
    }
    // A failed statement leaves no record behind.
    EXPECT_EQ(tables.modelValues[kModelNpn].size(), 1u);
}

TEST_F(ModelValuesTest, DefinesWarningsAndDefaults) {
    ASSERT_EQ(ParseDefineStatement(tables, ".DEFINE RVAL 2K", 1, StatementOrigin{}, 2, kKeywordDefine), 0);
    const ModelParams* r = Resolve(".MODEL RM RES (R={RVAL} TC1=RVAL/1MEG)");
    ASSERT_NE(r, nullptr);
    EXPECT_DOUBLE_EQ(Value(r, "R"), 2000.0);
    EXPECT_DOUBLE_EQ(Value(r, "TC1"), 0.002);

    const ModelParams* d = Resolve(".MODEL DW D (XYZ=1 IS=1E-12 IS=2E-12)");
    ASSERT_NE(d, nullptr);
    EXPECT_DOUBLE_EQ(Value(d, "IS"), 2e-12);
    EXPECT_DOUBLE_EQ(Value(d, "N"), 1.0);  // the default
    ASSERT_EQ(tables.warnings.size(), 2u);
    EXPECT_EQ(tables.warnings[0].kind, kWarnUnknownParam);
    EXPECT_EQ(tables.warnings[0].text, "XYZ");
    EXPECT_EQ(tables.warnings[1].kind, kWarnDuplicateParam);
    EXPECT_TRUE(IsModelParamGiven(tables, *d, FindModelParam(kModelDiode, "IS")));
    EXPECT_FALSE(IsModelParamGiven(tables, *d, FindModelParam(kModelDiode, "N")));

    const ModelParams* none = FindModel(tables, kModelDiode, -1);
    ASSERT_NE(none, nullptr);
    EXPECT_DOUBLE_EQ(Value(none, "IS"), 1e-14);
    EXPECT_TRUE(none->scopedName.empty());
}

TEST_F(ModelValuesTest, CommentLinesBetweenContinuationsAreSkipped) {
    const ModelParams* d = Resolve(".MODEL DC D (IS=1E-12\n* the emission coefficient\n+ N=1.5 ; measured\n+ RS=2)");
    ASSERT_NE(d, nullptr) << LastReport();
    EXPECT_DOUBLE_EQ(Value(d, "IS"), 1e-12);
    EXPECT_DOUBLE_EQ(Value(d, "N"), 1.5);
    EXPECT_DOUBLE_EQ(Value(d, "RS"), 2.0);
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(ModelValuesTest, DisplayRecordsKeepTheTextsAsWritten) {
    ASSERT_EQ(Add(".MODEL DD D (IS={ISVAL} DEV=5% TT=\"4N\")"), 0);
    const ModelParams* d = ResolveModelStatement(tables, -1, 0, true, false);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->display[FindModelParam(kModelDiode, "IS")], "{ISVAL} DEV=5%");
    EXPECT_EQ(d->display[FindModelParam(kModelDiode, "TT")], "\"4N\"");
    EXPECT_EQ(d->display[FindModelParam(kModelDiode, "N")], "1");
    EXPECT_TRUE(reports.reports.empty());
}

TEST_F(ModelValuesTest, AkoInheritsAllButTheTemperatures) {
    ASSERT_EQ(Add(".MODEL DBASE D (IS=1E-12 N=1.5 T_ABS=50)"), 0);
    const ModelParams* d = Resolve(".MODEL DCHILD AKO:DBASE D (N=2)");
    ASSERT_NE(d, nullptr);
    EXPECT_DOUBLE_EQ(Value(d, "IS"), 1e-12);
    EXPECT_DOUBLE_EQ(Value(d, "N"), 2.0);
    EXPECT_EQ(Value(d, "T_ABS"), ParamNotGiven);
    EXPECT_EQ(tables.models[1].akoIndex, 0);
    // The devices walk the AKO bases for T_REL_LOCAL: the record and its private copies
    // point to the base's record.
    const ModelParams* base = FindModel(tables, -1, 0);
    EXPECT_EQ(d->akoBase, base);
    EXPECT_EQ(base->akoBase, nullptr);
    circuit.privateAnalog = true;
    const ModelParams* copy = FindModel(tables, -1, 1);
    EXPECT_NE(copy, d);
    EXPECT_EQ(copy->akoBase, base);
    circuit.privateAnalog = false;

    ASSERT_EQ(Add(".MODEL DA AKO:DB D"), 0);
    ASSERT_EQ(Add(".MODEL DB AKO:DA D"), 0);
    EXPECT_EQ(FindModel(tables, -1, 2), nullptr);
    EXPECT_EQ(LastReport(), 11857);
    EXPECT_EQ(Resolve(".MODEL DC AKO:NOWHERE D"), nullptr);
    EXPECT_EQ(LastReport(), 11858);
}

TEST_F(ModelValuesTest, RecordsAreSharedUnlessPrivateOrDeviceToleranced) {
    ASSERT_EQ(Add(".MODEL RS RES (R=2)"), 0);
    ASSERT_EQ(Add(".MODEL RD RES (R=2 DEV=1%)"), 0);
    EXPECT_EQ(FindModel(tables, -1, 0), FindModel(tables, -1, 0));
    ModelParams* first = FindModel(tables, -1, 1);
    ModelParams* second = FindModel(tables, -1, 1);
    ASSERT_NE(first, second);
    EXPECT_EQ(second->parent, first);
    EXPECT_EQ(second->nominal, first->nominal);
    circuit.privateAnalog = true;
    ModelParams* third = FindModel(tables, -1, 0);
    EXPECT_NE(third, FindModel(tables, -1, 0));
    EXPECT_DOUBLE_EQ(third->values[0].real, 2.0);
}

TEST(ModelParamsOutsideACircuit, DefaultsAndParametersByName) {
    auto d = MakeModelParams(kModelDiode);
    EXPECT_DOUBLE_EQ(d->Real(FindModelParam(kModelDiode, "IS")), 1e-14);
    EXPECT_EQ(d->Real(FindModelParam(kModelDiode, "T_ABS")), ParamNotGiven);
    EXPECT_EQ(d->values.Size(), ModelTypeRow(kModelDiode).storedCount);
    EXPECT_TRUE(SetModelParam(*d, "cjo", 2e-12));
    const int cjo = FindModelParam(kModelDiode, "CJO");
    EXPECT_DOUBLE_EQ(d->Real(cjo), 2e-12);
    EXPECT_DOUBLE_EQ((*d->nominal)[cjo].real, 2e-12);
    EXPECT_FALSE(SetModelParam(*d, "NOSUCH", 1));
    EXPECT_EQ(d->statement, -1);
}

TEST_F(ModelValuesTest, ValueChecksRunOnlyDuringAnAnalysis) {
    const char* pulse = ".MODEL P1 PUL (P1=1E-7 P2=1.00000000000001E-7 P3=2E-7 P4=3E-7 P5=4E-7)";
    const char* late = ".MODEL P2 PUL (P1=5E-7 P2=1E-7)";
    const char* gaas = ".MODEL G1 GASFET (VBI=0.5 VMAX=0.8)";
    const char* temps = ".MODEL D2 D (T_ABS=30 T_REL_LOCAL=2)";
    const char* negative = ".MODEL D3 D (IS=-1)";
    for (const char* text : {late, gaas, temps, negative}) EXPECT_NE(Resolve(text), nullptr) << text;
    EXPECT_TRUE(reports.reports.empty());
    tables.Clear(kClearModels);

    circuit.analysisKind = 0;
    EXPECT_NE(Resolve(pulse), nullptr);
    EXPECT_EQ(circuit.limitChecks, 1);
    struct Case { const char* text; int id; };
    for (const Case& c : {Case{late, 11851}, Case{gaas, 11856}, Case{temps, 11854}, Case{negative, 14070}}) {
        reports.reports.clear();
        EXPECT_EQ(Resolve(c.text), nullptr) << c.text;
        EXPECT_EQ(LastReport(), c.id) << c.text;
    }
}

}  // namespace
