// The curve grid's cell texts: ranges joined with their grid spacings and split back.

#include <gtest/gtest.h>

#include "analysis_ui/curve_cells.h"

namespace {

using namespace ob7;

TEST(CurveCells, RangeCellsSplitIntoRangeGridAndBoldGrid) {
    struct Case {
        const char* typed;
        const char* range;
        const char* grid;
        const char* bold;
        const char* shown;
    };
    const Case cases[] = {
        {"10,0,1", "10,0", "1", "", "10,0,1"},
        {"10", "10", "", "", "10"},  // typing the range alone clears the spacing
        {"Auto", "Auto", "", "", "Auto"},
        {" 5m,-5m,1m,2m ", "5m,-5m", "1m", "2m", "5m,-5m,1m,2m"},
        {"max(1,2),0,0.5", "max(1,2),0", "0.5", "", "max(1,2),0,0.5"},  // commas inside calls stay
        {"TMAX,TMIN", "TMAX,TMIN", "", "", "TMAX,TMIN"},
    };
    CurveRowRecord row;
    row.yRange = "1";
    row.rangeGrid[1] = "9";
    for (const Case& c : cases) {
        StoreCurveCell(row, kColYRange, c.typed);
        EXPECT_EQ(row.yRange, c.range) << c.typed;
        EXPECT_EQ(row.rangeGrid[1], c.grid) << c.typed;
        EXPECT_EQ(row.rangeBold[1], c.bold) << c.typed;
        EXPECT_EQ(CurveCellText(row, kColYRange), c.shown) << c.typed;
    }
    // A grid spacing left beside a range without its low end (as the plot properties may
    // leave it) shows the low end, so the cell reads back the same.
    CurveRowRecord fromProperties;
    fromProperties.xRange = "10";
    fromProperties.rangeGrid[0] = "2";
    EXPECT_EQ(CurveCellText(fromProperties, kColXRange), "10,0,2");
    StoreCurveCell(fromProperties, kColXRange, "10,0,2");
    EXPECT_EQ(fromProperties.xRange, "10,0");
    EXPECT_EQ(fromProperties.rangeGrid[0], "2");
}

TEST(CurveCells, OnlyPlotGroupAndRangeChangesAreReported) {
    CurveRowRecord row;
    row.plotGroup = '1';
    row.yRange = "Auto";
    EXPECT_FALSE(StoreCurveCell(row, kColPlotGroup, " 1 "));
    EXPECT_TRUE(StoreCurveCell(row, kColPlotGroup, "2"));
    EXPECT_EQ(row.plotGroup, '2');
    EXPECT_TRUE(StoreCurveCell(row, kColPlotGroup, ""));
    EXPECT_EQ(row.plotGroup, 0);
    EXPECT_EQ(CurveCellText(row, kColPlotGroup), "");
    EXPECT_FALSE(StoreCurveCell(row, kColYExpression, "v(OUT)"));
    EXPECT_EQ(row.yExpression, "v(OUT)");
    EXPECT_FALSE(StoreCurveCell(row, kColYRange, "Auto"));
    EXPECT_TRUE(StoreCurveCell(row, kColYRange, "Auto,,1"));
}

}  // namespace
