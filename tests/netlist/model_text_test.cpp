#include "netlist/model_text.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "foundation/message_codes.h"
#include "netlist/model_types.h"
#include "netlist/report_capture.h"

using namespace ob7;

namespace {

std::vector<ModelValueSlot> Defaults(int t) {
    const ModelTypeInfo& row = ModelTypeRow(t);
    std::vector<ModelValueSlot> v(row.paramCount);
    for (int i = 0; i < row.paramCount; ++i) v[i] = row.params[i].defaultValue;
    return v;
}

int Check(int t, const char* param, double value, bool levelRange = false) {
    ModelValueSlot slot;
    slot.real = value;
    return CheckModelParamValue(true, 1, FindModelParam(t, param), t, &slot, ".model X Y(...)", levelRange);
}

}  // namespace

TEST(ModelText, SingleValues) {
    EXPECT_EQ(FormatModelValue(ParamNotGiven), "undefined");
    EXPECT_EQ(FormatModelValue(4700), "4.7K");
    auto out = Defaults(kModelDOutput);
    int s5 = FindModelParam(kModelDOutput, "S5NAME");
    EXPECT_EQ(FormatModelParamText(out.data(), s5, kModelDOutput), "\"\"");
    EXPECT_EQ(FormatModelParamText(out.data(), FindModelParam(kModelDOutput, "S1NAME"), kModelDOutput), "\"1\"");
    auto uio = Defaults(kModelUio);
    EXPECT_EQ(FormatModelParamText(uio.data(), FindModelParam(kModelUio, "DIGPOWER"), kModelUio), "\"DIGIFPWR\"");
    auto d = Defaults(kModelDiode);
    EXPECT_EQ(FormatModelParamText(d.data(), d.size() - 1, kModelDiode), "undefined");
}

TEST(ModelText, ValueChecks) {
    ReportCapture capture;
    struct Case { int type; const char* param; double value; bool levelRange; int expect; int id; };
    const Case cases[] = {
        {kModelDiode, "LEVEL", 3, false, kMsgReported, 14080},
        {kModelDiode, "LEVEL", 2, false, 0, 0},
        {kModelNmos, "LEVEL", 4.7, false, 0, 0},
        {kModelNmos, "LEVEL", 4, true, kMsgReported, 14077},
        {kModelNmos, "LEVEL", 6, false, kMsgReported, 14076},
        {kModelNmos5, "LEVEL", 8, false, kMsgReported, 14076},
        {kModelNpn, "BF", 0, false, kMsgReported, 14070},
        {kModelNpn, "RB", -1, false, kMsgReported, 14071},
        {kModelNpn, "XCJC", 1.5, false, kMsgReported, 14072},
        {kModelNpn, "ISS", -5, false, 0, 0},          // a code that checks nothing
        {kModelNpn, "BF", ParamNotGiven, false, 0, 0},
        {kModelOpamp, "LEVEL", 4, false, kMsgReported, 14074},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.param) + "=" + std::to_string(c.value));
        capture.reports.clear();
        EXPECT_EQ(Check(c.type, c.param, c.value, c.levelRange), c.expect);
        if (c.id) {
            ASSERT_EQ(capture.reports.size(), 1u);
            EXPECT_EQ(capture.reports[0].id, c.id);
        }
    }
    capture.reports.clear();
    ModelAttributeDialogOpen = true;
    EXPECT_EQ(Check(kModelNmos5, "LEVEL", 8), 0);
    ModelAttributeDialogOpen = false;

    ModelValueSlot state{};
    state.state[0] = 'r';
    EXPECT_EQ(CheckModelParamValue(true, 1, FindModelParam(kModelDOutput, "S0NAME"), kModelDOutput, &state, "", false),
              kMsgReported);
    state.state[0] = 'R';
    EXPECT_EQ(CheckModelParamValue(false, 1, FindModelParam(kModelDOutput, "S0NAME"), kModelDOutput, &state, "", false), 0);
    ASSERT_EQ(capture.reports.size(), 1u);
    EXPECT_NE(capture.reports[0].text.find("S0NAME=r"), std::string::npos);
}

TEST(ModelText, StatementText) {
    auto d = Defaults(kModelDiode);
    d[FindModelParam(kModelDiode, "IS")].real = 2e-14;
    EXPECT_EQ(FormatModelStatement(kModelDiode, 0, d.data(), d.size(), "D1", nullptr, nullptr, 80),
              ".MODEL D1 D (IS=20F)");

    auto all = Defaults(kModelDiode);
    EXPECT_EQ(FormatModelStatement(kModelDiode, 0, all.data(), all.size(), "D0", nullptr, nullptr, 80), ".MODEL D0 D ( )");

    auto bsim = Defaults(kModelNmos8);
    EXPECT_EQ(FormatModelStatement(kModelNmos8, 0, bsim.data(), bsim.size(), "M8", nullptr, nullptr, 80),
              ".MODEL M8 NMOS (LEVEL=8)");

    // Overrides: the same value and "undefined" are not written.
    std::vector<const char*> overrides(d.size(), nullptr);
    overrides[FindModelParam(kModelDiode, "IS")] = "20f";
    overrides[FindModelParam(kModelDiode, "RS")] = "undefined";
    overrides[FindModelParam(kModelDiode, "N")] = "{NVAL}";
    EXPECT_EQ(FormatModelStatement(kModelDiode, 0, d.data(), d.size(), "D1", nullptr, overrides.data(), 80),
              ".MODEL D1 D (N={NVAL})");
}

TEST(ModelText, StatementLinesStayWithinWidth) {
    auto q = Defaults(kModelNpn);
    for (auto& v : q) v.real = 1.23456;
    for (int options : {0, int{kModelTextContinuation}}) {
        std::string text = FormatModelStatement(kModelNpn, options, q.data(), q.size(), "QBIG", nullptr, nullptr, 80);
        size_t start = 0;
        int lines = 0;
        while (start < text.size()) {
            size_t end = text.find("\r\n", start);
            std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
            EXPECT_LE(line.size(), 80u) << line;
            if (lines > 0 && options) EXPECT_EQ(line.substr(0, 2), "+ ");
            ++lines;
            start = end == std::string::npos ? text.size() : end + 2;
        }
        EXPECT_GT(lines, 3);
        EXPECT_EQ(text.back(), ')');
    }
    std::vector<uint8_t> given(q.size(), 0);
    given[FindModelParam(kModelNpn, "BF")] = 1;
    EXPECT_EQ(FormatModelStatement(kModelNpn, kModelTextGivenOnly, q.data(), q.size(), "Q", given.data(), nullptr, 80),
              ".MODEL Q NPN (BF=1.23456)");
}
