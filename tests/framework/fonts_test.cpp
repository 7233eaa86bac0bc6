#include <gtest/gtest.h>

#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/fonts.h"

using namespace ob7;

TEST(Fonts, SelectorMakesAFontOnceAndGivesTheOldOneBack) {
    MainFrame();
    platform::Image image(50, 20);
    platform::DrawContext dc(image);
    platform::Font before = dc.GetFont();
    FontRecord record;
    DefaultFontRecord(record);
    record.height = -20;
    FontSelector selector;
    selector.Select(dc, record);
    selector.Select(dc, record);
    EXPECT_EQ(selector.FontsMade(), 1);
    EXPECT_EQ(dc.GetFont().height, -20);
    record.style = kFontBold;
    selector.Select(dc, record);
    EXPECT_EQ(selector.FontsMade(), 2);
    EXPECT_EQ(dc.GetFont().weight, 700);
    selector.Restore(dc);
    EXPECT_EQ(dc.GetFont().height, before.height);
    EXPECT_EQ(dc.GetFont().face, before.face);

    // Measuring through the context: a larger font gives wider texts.
    DrawContextMeasure measure(dc);
    int small = TextExtentX(measure, "Resistor");
    record.height = -30;
    selector.Select(dc, record);
    EXPECT_GT(TextExtentX(measure, "Resistor"), small);
    EXPECT_GT(LineHeight(measure), 20);
    selector.Restore(dc);
}

TEST(Fonts, FontSheetOnARecordEditsItsColourByte) {
    MainFrame();
    FontRecord record;
    DefaultFontRecord(record);
    record.color = 4;
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CFontProp&>(d);
        EXPECT_EQ(sheet.Template().caption, "Font And Color");
        sheet.SetActivePage(1);
        platform::automation::ClickItem(sheet.colourPage, 19812);
        platform::automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(RunFontSheet(nullptr, record, kEditFont | kEditColour), 1);
    EXPECT_EQ(record.color, 12);
}
