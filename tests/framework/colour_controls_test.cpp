#include <gtest/gtest.h>

#include "framework_fixture.h"
#include "platform/automation.h"
#include "ui/framework/colour_controls.h"

using namespace ob7;
namespace automation = platform::automation;

TEST(ColourControls, ColourPageClickSetsTheIndexAndOnlyOkWritesIt) {
    MainFrame();
    uint8_t colour = 3;
    automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CFontProp&>(d);
        EXPECT_EQ(sheet.Template().caption, "Color");
        EXPECT_FALSE(sheet.IsItemVisible(CPropertySheet2::kApply));
        CColorPage& page = sheet.colourPage;
        EXPECT_TRUE(page.HasItem(19863));  // the whole grid was made
        automation::ClickItem(page, 19809);  // red
        EXPECT_EQ(page.EditedColour(), 9);
        return 2;  // Cancel
    });
    EXPECT_FALSE(RunColourSheet(nullptr, colour));
    EXPECT_EQ(colour, 3);

    automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CFontProp&>(d);
        automation::ClickItem(sheet.colourPage, 19809);
        automation::ClickItem(d, 1);
        return 0;
    });
    int index = 3;
    EXPECT_TRUE(ChooseColourIndex(index));
    EXPECT_EQ(index, 9);
}

TEST(ColourControls, ADisabledSetIgnoresClicks) {
    MainFrame();
    uint8_t colour = 12;
    automation::QueueModalScript([](platform::Dialog& d) {
        CColorPage& page = static_cast<CFontProp&>(d).colourPage;
        page.buttons.SetEnabled(false);
        automation::ClickItem(page, 19802);
        EXPECT_EQ(page.EditedColour(), 12);
        page.buttons.SetEnabled(true);
        automation::ClickItem(page, 19802);
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_TRUE(RunColourSheet(nullptr, colour));
    EXPECT_EQ(colour, 2);
}

TEST(ColourControls, FontPageShowsTheRecordsStyleAndKeepsRotation) {
    MainFrame();
    FontRecord record;
    DefaultFontRecord(record);
    record.style = kFontBold | kFontItalic | kFontRotate90;
    int dpi = platform::desktop::LogicalDpi();
    record.height = static_cast<int16_t>(-(10 * dpi / 72));  // 10 points
    FontRecord before = record;
    automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CFontProp&>(d);
        EXPECT_EQ(sheet.Template().caption, "Font");
        CFontPage& page = sheet.fontPage;
        EXPECT_EQ(page.ItemString(1002, page.CurSel(1002)), "Bold Italic");
        EXPECT_EQ(page.ItemText(1003), "10");
        page.SetCurSel(1002, 0);  // Regular
        page.OnControlNotify(1002, platform::Notify::SelChange);
        return 2;
    });
    CFontProp cancelled(nullptr, &record, 0, nullptr, nullptr);
    EXPECT_EQ(cancelled.DoModal(), 2);
    EXPECT_EQ(FontRecordEqual(record, before), 0);  // rotation included

    automation::QueueModalScript([](platform::Dialog& d) {
        CFontPage& page = static_cast<CFontProp&>(d).fontPage;
        page.SetCurSel(1002, 0);
        page.OnControlNotify(1002, platform::Notify::SelChange);
        page.SetItemText(1003, "14");
        page.OnControlNotify(1003, platform::Notify::Changed);
        automation::ClickItem(d, 1);
        return 0;
    });
    CFontProp accepted(nullptr, &record, 0, nullptr, nullptr);
    EXPECT_EQ(accepted.DoModal(), 1);
    EXPECT_EQ(record.style & (kFontBold | kFontItalic), 0);
    EXPECT_EQ(record.style & 0x70, kFontRotate90);
    EXPECT_EQ(record.height, -(14 * dpi / 72));
}

TEST(NumberFormats, ScaledAxisValuesAndOutOfRange) {
    AxisScale scale;
    scale.spec.Set("3");
    scale.SetFromValue(0);
    EXPECT_EQ(scale.outOfRange, 1);
    EXPECT_NE(scale.Format(0, true).find('E'), std::string::npos);
    scale.SetFromValue(1e20);
    EXPECT_NE(scale.Format(1e20, true).find('E'), std::string::npos);
    scale.SetFromValue(2e-3);
    EXPECT_EQ(scale.outOfRange, 0);
    EXPECT_EQ(scale.suffix, 'm');  // lower-case, as the formatted numbers
    EXPECT_EQ(scale.Format(4.5e-3, true), "4.500m");
}

TEST(NumberFormats, FormatDialogShowsTheSampleAndStoresTheSpec) {
    MainFrame();
    NumberFormatSpec spec;
    spec.Set("6E");
    CNumFormatDlg dialog(nullptr, spec);
    automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_TRUE(d.IsButtonChecked(5801));
        EXPECT_EQ(d.ItemText(1217), "1.234561E+05");
        d.CheckRadioButton(5801, 5803, 5802);
        d.SetItemText(5804, "40");  // out of range: corrected in place
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(dialog.changed, 1);
    EXPECT_STREQ(spec.text, "16");
}

TEST(NumberFormats, AGroupWithABaseOffsetShowsReadsAndCorrects) {
    MainFrame();
    using platform::ControlKind;
    using platform::Rect;
    const int base = 100;
    platform::DialogTemplate tmpl{9001, "Axis", {160, 60}, {
        {ControlKind::RadioButton, 5801 + base, "Scientific", Rect{4, 4, 70, 14}, platform::kCtlGroup},
        {ControlKind::RadioButton, 5802 + base, "Engineering", Rect{4, 16, 70, 26}},
        {ControlKind::RadioButton, 5803 + base, "Default", Rect{4, 28, 70, 38}},
        {ControlKind::Edit, 5804 + base, "", Rect{80, 4, 110, 16}},
        {ControlKind::UpDown, 5805 + base, "", Rect{110, 4, 120, 16}},
        {ControlKind::DefPushButton, 1, "OK", Rect{80, 40, 120, 54}},
    }};
    NumberFormatSpec spec;
    spec.Set("5G");
    CNumFormatGroup group;
    CDialog2 dialog(tmpl);
    automation::QueueModalScript([&](platform::Dialog& d) {
        group.Attach(d, spec, base);
        EXPECT_TRUE(d.IsButtonChecked(5803 + base));
        EXPECT_EQ(d.ItemText(5804 + base), "5");
        EXPECT_EQ(d.Pos(5805 + base), 5);
        EXPECT_FALSE(group.SpecChanged());
        d.CheckRadioButton(5801 + base, 5803 + base, 5801 + base);
        d.SetItemText(5804 + base, "-4");  // below the range: 0, written back
        EXPECT_TRUE(group.SpecChanged());
        EXPECT_EQ(d.ItemText(5804 + base), "0");
        d.SetItemText(5804 + base, "x");  // unreadable: 3
        EXPECT_STREQ(group.ReadSpec().text, "3E");
        return 1;
    });
    dialog.DoModal();
    EXPECT_STREQ(spec.text, "0E");
    EXPECT_EQ(spec.digits, 0);
    EXPECT_EQ(spec.style, 'E');
}

TEST(Progress, OnlyAHigherPercentageMovesTheBar) {
    CStatusProgress progress;
    progress.SetRange(0, 200);
    EXPECT_EQ(progress.SetProgressPercent(1), -1);
    EXPECT_EQ(progress.SetProgressPercent(2), 1);
    EXPECT_EQ(progress.SetProgressPercent(3), -1);
    EXPECT_EQ(progress.SetProgressPercent(100), 50);
    EXPECT_EQ(progress.SetProgressPercent(50), -1);
}
