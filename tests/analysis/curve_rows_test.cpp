#include "analysis/curve_rows.h"

#include <gtest/gtest.h>

namespace ob7 {
namespace {

TEST(CurveRowsTest, StylesAliasesAndFreshRows) {
    CurveStyle s = DefaultCurveStyle(12);
    EXPECT_EQ(s.lineColour, 2);
    EXPECT_EQ(s.textColour, 2);
    EXPECT_EQ(s.lineWidth, 1);
    std::vector<CurveRowRecord> rows(3, NewCurveRow());
    rows[0].alias = 1;
    rows[1].alias = 2;
    rows[2].alias = 4;
    EXPECT_EQ(NextFreeAliasId(rows), 3);
    EXPECT_EQ(NewCurveRow().alias, -1);
    EXPECT_EQ(NewCurveRow().lineWidth, 1);
}

TEST(CurveRowsTest, LimitTextsReadAsNumbers) {
    struct Case { const char* text; int wanted; double a, b, c; int count, code; };
    const Case cases[] = {
        {"10,,2", 3, 10, 0, 2, 2, 0},       {"10,0,.5", 3, 10, 0, 0.5, 3, 0}, {"1u", 2, 1e-6, 0, 0, 1, 0},
        {"max(1,2),3", 2, 2, 3, 0, 2, 0},   {"1E8,1Meg", 2, 1e8, 1e6, 0, 2, 0}, {"1u", 1, 1e-6, 0, 0, 1, 0},
    };
    for (const Case& k : cases) {
        double a = -1, b = -1, c = -1;
        int count = -1;
        EXPECT_EQ(ParseLimitNumbers(k.text, &a, k.wanted > 1 ? &b : nullptr, k.wanted > 2 ? &c : nullptr, &count),
                  k.code)
            << k.text;
        EXPECT_DOUBLE_EQ(a, k.a) << k.text;
        if (k.wanted > 1) {
            EXPECT_DOUBLE_EQ(b, k.b) << k.text;
        }
        if (k.wanted > 2) {
            EXPECT_DOUBLE_EQ(c, k.c) << k.text;
        }
        EXPECT_EQ(count, k.count) << k.text;
    }
    double a = 0, b = 0;
    int count = 0;
    EXPECT_NE(ParseLimitNumbers("5,2*(3", &a, &b, nullptr, &count), 0);
    EXPECT_EQ(a, 5);  // the value before the failing one stays
    EXPECT_EQ(count, 1);

    int code = 0;
    EXPECT_EQ(LimitCount("3", &code), 5);
    EXPECT_EQ(LimitCount("100", &code), 100);
    EXPECT_EQ(code, 0);
    EXPECT_EQ(LimitCount("2*(", &code), 5);
    EXPECT_NE(code, 0);
}

TEST(CurveRowsTest, DefaultLimitsFillOnlyEmptyTexts) {
    AnalysisSetup ac;
    ac.limits[0] = "1G,1k";
    EXPECT_TRUE(FillDefaultLimits(kCurvesAc, ac));
    const char* expected[] = {"1G,1k", "51", "27", "5", "NONE", "2", ""};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(ac.limits[i], expected[i]) << i;
    AnalysisSetup dc;
    FillDefaultLimits(kCurvesDc, dc);
    EXPECT_EQ(dc.limits[0], "");
    EXPECT_EQ(dc.limits[2], "10,0,.5");
    EXPECT_STREQ(DefaultLimitText(kCurvesTransient, 0), "1u");
}

TEST(CurveRowsTest, RangeTexts) {
    EXPECT_EQ(FormatCurveRange(10, 0), "10");
    EXPECT_EQ(FormatCurveRange(1.5, -0.25), "1.5,-0.25");
    EXPECT_EQ(FormatCurveRange(2e-6, 1e-9), "2e-6,1e-9");
}

std::vector<CurveRowRecord> PlottedRows(int n) {
    std::vector<CurveRowRecord> rows(n, NewCurveRow());
    for (CurveRowRecord& r : rows)
        r.plotGroup = '1';
    return rows;
}

TEST(CurveRowsTest, DefaultCurvesTakeTheCircuitsNodes) {
    struct Case {
        const char* what;
        int kind;
        std::vector<DefaultNodeName> nodes;
        int rows;
        std::vector<std::string> y;
        std::vector<char> groups;
    };
    const Case cases[] = {
        {"AC, two named nodes", kCurvesAc, {{1, false, "IN"}, {2, false, "OUT"}}, 4,
         {"db(v(IN))", "ph(v(IN))", "db(v(OUT))", "ph(v(OUT))"}, {'1', '1', '1', '1'}},
        {"numbered nodes run out", kCurvesTransient, {{1, false, "1"}, {2, false, "2"}, {3, false, "3"}}, 5,
         {"v(1)", "v(2)", "v(3)", "", ""}, {'1', '1', '1', 0, 0}},
        {"names before numbers", kCurvesTransient, {{1, false, "IN"}, {2, false, "2"}, {3, false, "3"}, {3, false, "OUT"}},
         3, {"v(IN)", "v(OUT)", "v(2)"}, {'1', '1', '1'}},
        {"digital after analog", kCurvesDc, {{1, false, "A"}, {1, true, "Q"}}, 2, {"v(A)", "d(Q)"}, {'1', '1'}},
    };
    for (const Case& c : cases) {
        AnalysisSetup setup;
        setup.rows = PlottedRows(c.rows);
        EXPECT_TRUE(SetDefaultCurves(c.kind, setup, c.nodes)) << c.what;
        for (int i = 0; i < c.rows; ++i) {
            EXPECT_EQ(setup.rows[i].yExpression, c.y[i]) << c.what << " row " << i;
            EXPECT_EQ(setup.rows[i].plotGroup, c.groups[i]) << c.what << " row " << i;
        }
    }
    // A row that is neither plotted nor printed is left alone; the others get their X,
    // ranges and an alias.
    AnalysisSetup setup;
    setup.rows = PlottedRows(2);
    setup.rows[0].plotGroup = ' ';
    setup.rows[1].alias = 1;
    SetDefaultCurves(kCurvesDc, setup, {{1, false, "A"}});
    EXPECT_EQ(setup.rows[0].yExpression, "");
    EXPECT_EQ(setup.rows[0].alias, -1);
    EXPECT_EQ(setup.rows[1].yExpression, "v(A)");
    EXPECT_EQ(setup.rows[1].xExpression, "DCINPUT1");
    EXPECT_EQ(setup.rows[1].xRange, "Auto");
    EXPECT_EQ(setup.rows[1].alias, 1);
    EXPECT_FALSE(SetDefaultCurves(kCurvesDc, setup, {{1, false, "A"}}));
    // Empty number formats take the program's; a format of the row's own stays.
    EXPECT_EQ(setup.rows[1].valueFormat[1], "3");
    EXPECT_EQ(setup.rows[0].valueFormat[1], "");
    CurveRowRecord row = NewCurveRow();
    row.valueFormat[0] = "5E";
    CurveNumberFormatDefaults defaults;
    defaults.scale[1] = "2G";
    EXPECT_TRUE(FillDefaultNumberFormats(row, defaults));
    EXPECT_EQ(row.valueFormat[0], "5E");
    EXPECT_EQ(row.scaleFormat[1], "2G");
    EXPECT_FALSE(FillDefaultNumberFormats(row, defaults));
}

}  // namespace
}  // namespace ob7
