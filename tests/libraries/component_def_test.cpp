#include "libraries/component_def.h"
#include "libraries/component_types.h"

#include <gtest/gtest.h>

using namespace ob7;

TEST(ComponentDef, PinTextsAndTheirStoredLength)
{
    ComponentDef d;
    d.type = CT_SUBCKT;
    SetPinCount(d, 3);
    SetPinName(d, 0, 'a', "ABCDEF");  // 1 + 6 + 1 bytes: fits inline
    EXPECT_EQ(d.PinTextLength(0), 7);
    EXPECT_EQ(GetPinName(d, 0), "ABCDEF");

    std::string second = "OUT";
    SetPinName(d, 1, 'd', "IN", &second);
    EXPECT_EQ(GetPinKind(d, 1), 'D');
    EXPECT_TRUE(PinHasSecondName(d, 1));
    EXPECT_EQ(GetPinSecondName(d, 1), "OUT");
    EXPECT_EQ(GetPinName(d, 1), "IN");
    EXPECT_EQ(d.PinTextLength(1), 7);  // "DIN", NUL, "OUT"

    // Without a second name an upper-case letter comes back lower-case.
    SetPinName(d, 1, 'A', "IN");
    EXPECT_EQ(GetPinKind(d, 1), 'a');
    EXPECT_FALSE(PinHasSecondName(d, 1));
    EXPECT_EQ(GetPinSecondName(d, 1), "");

    // Letters outside the type's set are forced.
    SetPinName(d, 2, 'x', "P");
    EXPECT_EQ(GetPinKind(d, 2), 'a');
    ComponentDef c;
    c.type = CT_CONSTRAINT;
    SetPinCount(c, 1);
    SetPinName(c, 0, 'o', "P");
    EXPECT_EQ(GetPinKind(c, 0), 'i');
    ComponentDef p;
    p.type = CT_PINDLY;
    SetPinCount(p, 3);
    SetPinName(p, 0, 'r', "R");
    SetPinName(p, 1, 'e', "E");
    SetPinName(p, 2, 'z', "Z");
    EXPECT_EQ(GetPinKind(p, 2), 'i');
    EXPECT_EQ(CountPinsOfKind(p, 'r'), 1);
    p.data1 = 2;
    EXPECT_EQ(CountInputPins(p), 3);

    EXPECT_EQ(GetPinName(d, 5), "????");
}

TEST(ComponentDef, PinCountGrowsWithZeroedPins)
{
    ComponentDef d;
    d.type = CT_MACRO;
    SetPinCount(d, 3);
    EXPECT_EQ(d.pins[2].y, 4);  // a fresh array stacks the pins
    d.pins[0].x = 7;
    SetPinCount(d, 5);
    EXPECT_EQ(d.pins[0].x, 7);
    EXPECT_EQ(d.pins[4].x, 0);
    EXPECT_EQ(d.pins[4].y, 0);
    SetPinCount(d, 0);
    EXPECT_EQ(d.PinCount(), 0);
}

TEST(ComponentDef, SamePinNamesIgnoresOrderAndCase)
{
    ComponentDef a, b;
    a.type = b.type = CT_SUBCKT;
    SetPinCount(a, 2);
    SetPinCount(b, 2);
    SetPinName(a, 0, 'a', "IN");
    SetPinName(a, 1, 'a', "OUT");
    SetPinName(b, 0, 'a', "out");
    SetPinName(b, 1, 'a', "in");
    EXPECT_TRUE(a.SamePinNames(b));
    SetPinName(b, 1, 'a', "out");
    EXPECT_FALSE(a.SamePinNames(b));
    SetPinCount(b, 3);
    EXPECT_FALSE(a.SamePinNames(b));
}

TEST(ComponentDef, DisplayNameAndCopies)
{
    ComponentDef d;
    d.type = CT_RESISTOR;
    d.name = "R1K";
    EXPECT_EQ(GetPartDisplayName(&d), "R1K");
    d.memo = "Carbon";
    EXPECT_EQ(GetPartDisplayName(&d), "R1K:Carbon");
    d.type = 137;
    EXPECT_EQ(GetPartDisplayName(&d), "");
    EXPECT_EQ(GetPartDisplayName(nullptr), "");

    ComponentDef src;
    src.type = CT_CAPACITOR;
    src.name = "C";
    src.group = 5;
    d.group = 2;
    d.ReplaceKeepName(src);
    EXPECT_EQ(d.name, "R1K");
    EXPECT_EQ(d.group, 2);
    EXPECT_EQ(d.type, CT_CAPACITOR);
}
