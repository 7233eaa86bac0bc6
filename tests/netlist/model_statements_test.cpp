#include "netlist/model_statements.h"

#include <gtest/gtest.h>

#include "fake_circuit.h"
#include "netlist/circuit_tables.h"
#include "report_capture.h"

using namespace ob7;

namespace {

class ModelStatementTest : public ::testing::Test {
protected:
    void SetUp() override {
        InitGlobalScope(tables);
        GrowScopeTable(tables, 3);
        tables.scopes[2].parentScope = 1;
        tables.scopes[3].parentScope = 2;
    }
    int Add(const char* text, int scope = 1) {
        return AddModelStatement(tables, text, scope, StatementOrigin{}, kOriginCircuitText, false, "test.cir");
    }
    FakeCircuit circuit;
    NetlistCircuitTables tables{circuit};
    ReportCapture reports;
};

TEST_F(ModelStatementTest, HeaderAndParameterText) {
    ASSERT_EQ(Add(".model Q1 npn(is=1e-15 bf=200)"), 0);
    ASSERT_EQ(Add(".MODEL Q1B NPN IS=1E-15, BF=200"), 0);
    ASSERT_EQ(Add(".MODEL Q2 AKO:Q1 NPN BF=100"), 0);
    ASSERT_EQ(Add(".MODEL M8 NMOS (LEVEL=8 TOX=1E-8)"), 0);
    ASSERT_EQ(Add(".MODEL M2 NMOS (LEVEL=2 NLEV=1)"), 0);
    ASSERT_EQ(Add(".MODEL DX D (IS={MAX(1N,2N)} RS=1)\n+ ; comment, (not) closing\n+ N=2"), 0);
    ASSERT_EQ(tables.models.size(), 6u);
    const ModelStatement& q1 = tables.models[0];
    EXPECT_EQ(q1.name, "Q1");
    EXPECT_EQ(q1.modelType, kModelNpn);
    EXPECT_EQ(q1.paramText.find_first_of("()"), std::string::npos);
    EXPECT_NE(q1.paramText.find("IS=1E-15 BF=200"), std::string::npos);
    EXPECT_NE(tables.models[1].paramText.find("IS=1E-15  BF=200"), std::string::npos);
    EXPECT_EQ(tables.models[2].akoName, "Q1");
    EXPECT_EQ(tables.models[2].akoIndex, -1);
    EXPECT_EQ(tables.models[3].effectiveType, kModelNmos8);
    EXPECT_EQ(tables.models[4].effectiveType, kModelNmos);
    // Commas inside a call stay; a comment does not close the list.
    EXPECT_NE(tables.models[5].paramText.find("MAX(1N,2N)"), std::string::npos);
    const ModelParams* dx = FindModel(tables, -1, 5);
    ASSERT_NE(dx, nullptr);
    EXPECT_DOUBLE_EQ(dx->values[FindModelParam(kModelDiode, "N")].real, 2.0);
    EXPECT_TRUE(reports.reports.empty());
    EXPECT_EQ(ModelTypeOfStatement("Q1 NPN(IS=1)"), kModelNpn);
    EXPECT_EQ(ModelTypeOfStatement("Q1"), -1);
}

TEST_F(ModelStatementTest, ErrorsLeaveTheListUnchanged) {
    ASSERT_EQ(Add(".MODEL D1 D"), 0);
    struct Case { const char* text; int id; };
    const Case cases[] = {
        {".MODEL Q2 AKO Q1 NPN", 11855},
        {".MODEL D1 D (IS=1)", 10896},
        {".MODEL DX D (IS=1", 11900},
        {".MODEL TIME D", 10889},
        {".MODEL", 11859},
        {".MODEL ONLYNAME", 11859},
    };
    for (const Case& c : cases) {
        reports.reports.clear();
        EXPECT_EQ(Add(c.text), kMsgReported) << c.text;
        ASSERT_EQ(reports.reports.size(), 1u) << c.text;
        EXPECT_EQ(reports.reports[0].id, c.id) << c.text;
    }
    EXPECT_EQ(tables.models.size(), 1u);
    // Another scope or another type is another model; other statements are not models.
    EXPECT_EQ(Add(".MODEL D1 D", 2), 0);
    EXPECT_EQ(Add(".MODEL D1 NPN"), 0);
    EXPECT_EQ(Add(".MODELX D2 D"), 0);
    EXPECT_EQ(tables.models.size(), 3u);
}

TEST_F(ModelStatementTest, LookUpThroughScopesAndBipolarKinds) {
    ASSERT_EQ(Add(".MODEL DG D", 0), 0);
    ASSERT_EQ(Add(".MODEL DS D", 2), 0);
    ASSERT_EQ(Add(".MODEL QL LPNP", 1), 0);
    ASSERT_EQ(Add(".MODEL MB NMOS LEVEL=4", 1), 0);
    EXPECT_EQ(FindModelInScope(tables, kModelDiode, 3, "DG"), 0);
    EXPECT_EQ(FindModelInScope(tables, kModelDiode, 3, "DS"), 1);
    EXPECT_EQ(FindModelInScope(tables, kModelDiode, 1, "DS"), -1);
    EXPECT_EQ(FindModelInScope(tables, kModelNmos4, 1, "MB"), 3);
    int error = 0;
    // A PNP part finds an LPNP statement of the circuit.
    EXPECT_EQ(FindModelStatement(tables, kModelPnp, 1, "QL", &error), 2);
    EXPECT_EQ(FindModelStatement(tables, kModelPnp, 1, "NONE", &error), -1);
    EXPECT_EQ(error, 0);

    // A part's model name passes define substitution in the part's scope.
    ASSERT_EQ(ParseDefineStatement(tables, ".DEFINE DMODEL DS", 2, StatementOrigin{}, 2, kKeywordDefine), 0);
    const int part = 0;
    EXPECT_EQ(LookUpPartModel(tables, &part, 2, kModelDiode, kAttrModel, "dmodel"), 1);
    EXPECT_EQ(LookUpPartModel(tables, &part, 3, kModelDiode, kAttrIoModel, "DS"), -1);
    EXPECT_EQ(LookUpPartModel(tables, &part, 1, kModelDiode, kAttrModel, "DMODEL"), -1);
    ASSERT_EQ(reports.reports.size(), 2u);
    EXPECT_EQ(reports.reports[0].id, 10852);
    EXPECT_EQ(reports.reports[1].id, 10834);
}

}  // namespace
