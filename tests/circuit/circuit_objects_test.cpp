#include "circuit/circuit_objects.h"

#include <gtest/gtest.h>

using namespace ob7;

TEST(CircuitObjects, DefaultsOfNewRecords)
{
    CircuitObject part;
    EXPECT_EQ(part.style, (LineStyle{1, 0, 74, 74, 10}));
    EXPECT_EQ(part.kind, OK_COMPONENT);
    EXPECT_EQ(part.showCurrent + part.showPower + part.showCondition, 3);
    EXPECT_EQ(part.showPackagePins + part.showPinMarkers, 0);
    EXPECT_EQ(part.editorField, 1);
    GridText text;
    EXPECT_EQ(text.style, (LineStyle{1, 0, 74, 74, 10}));
    EXPECT_EQ(text.editorField, -1);
    PageRecord page;
    EXPECT_EQ(page.zoom[3], 1.0);
}

TEST(CircuitObjects, AttributesByIdAndName)
{
    CircuitObject part;
    AttrNode& v = part.SetAttrByName("Value", "1k");
    EXPECT_EQ(v.id, ATTR_VALUE);  // a table name becomes its id
    EXPECT_TRUE(v.userName.empty());
    EXPECT_EQ(part.attrsChanged, 1);
    part.SetAttr(ATTR_VALUE, "2k");
    EXPECT_EQ(part.attrs.size(), 1u);
    EXPECT_EQ(part.FindAttr(ATTR_VALUE)->value, "2k");

    part.SetAttrByName("MyParam", "3");
    EXPECT_EQ(part.attrs.back().id, 0);
    EXPECT_EQ(part.attrs.back().Name(), "MyParam");  // kept exactly
    part.SetAttrByName("myparam", "4");
    EXPECT_EQ(part.attrs.size(), 2u);
    EXPECT_EQ(part.FindAttrByName("MYPARAM")->value, "4");
    EXPECT_EQ(part.FindAttrByName("value")->value, "2k");
    EXPECT_EQ(part.FindAttr(ATTR_MODEL), nullptr);

    EXPECT_STREQ(AttributeIdName(ATTR_TIMING_MODEL), "TIMING MODEL");
    EXPECT_STREQ(AttributeIdName(ATTR_FROMSPICE), " FROMSPICE");
    EXPECT_EQ(AttributeIdName(63), nullptr);
    EXPECT_EQ(AttributeIdFromName("noise_expression"), ATTR_NOISE_EXPRESSION);
    EXPECT_EQ(AttributeIdFromName("TEXT:"), ATTR_TEXT_PARAMS);
    EXPECT_EQ(AttributeIdFromName("VALUES"), 0);

    AttrNode far;
    far.dx = 1500;
    far.dy = -1500;
    far.ClampOffset();
    EXPECT_EQ(far.dx, 1000);
    EXPECT_EQ(far.dy, -1000);
}

TEST(CircuitObjects, LoadLimits)
{
    bool illegal = false;
    int32_t x = 0, y = 5;
    EXPECT_TRUE(ClampGridPoint(x, y, 0, &illegal));
    EXPECT_EQ(x, 10);
    EXPECT_EQ(y, 5);
    EXPECT_TRUE(illegal);
    illegal = false;
    x = 32001;
    EXPECT_FALSE(ClampGridPoint(x, y, kLoadKeepCoordinates, &illegal));
    EXPECT_EQ(x, 32001);
    EXPECT_FALSE(illegal);
    x = 1;
    y = 32000;
    EXPECT_FALSE(ClampGridPoint(x, y, 0, &illegal));

    EXPECT_TRUE(IsBadRotation(8, 0));
    EXPECT_FALSE(IsBadRotation(7, 0));
    EXPECT_FALSE(IsBadRotation(8, kLoadKeepCoordinates));

    EXPECT_DOUBLE_EQ(SnapZoomFactor(2.6666), 8.0 / 3.0);
    EXPECT_DOUBLE_EQ(SnapZoomFactor(0.25), 0.25);
    EXPECT_DOUBLE_EQ(SnapZoomFactor(3.0), 1.0);
}

TEST(CircuitObjects, GraphicKindsAndPinRotation)
{
    EXPECT_EQ(GraphicKindFromName("measureh"), 0xa00);
    EXPECT_EQ(GraphicKindFromName("Circle"), 0);
    EXPECT_STREQ(GraphicKindName(0x600), "Pie");
    EXPECT_STREQ(GraphicKindName(0x700), "");
    EXPECT_TRUE(GraphicKindIsClosed(0xc00));
    EXPECT_FALSE(GraphicKindIsClosed(0x100));
    CircuitObject pic;
    pic.styleWord = 0xb00 | SW_LOCKED;
    EXPECT_EQ(pic.GraphicKind(), 0xb00);

    const int32_t expected[8][2] = {{2, 3}, {-3, 2}, {-2, -3}, {3, -2}, {2, -3}, {-3, -2}, {-2, 3}, {3, 2}};
    for (int r = 0; r < 8; ++r) {
        int32_t dx = 2, dy = 3;
        RotatePinOffset(r, dx, dy);
        EXPECT_EQ(dx, expected[r][0]) << r;
        EXPECT_EQ(dy, expected[r][1]) << r;
    }
}
