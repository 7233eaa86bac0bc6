// The plot page base on a page of its controls: the title with its "Auto" box, Cancel
// putting the view's title back, OK storing it; the curve combo; the axis choice names.

#include <gtest/gtest.h>

#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/image.h"
#include "plot_fixture.h"
#include "plots/plot_page.h"
#include "ui/framework/dialogs.h"

namespace {

using namespace ob7;
using platform::ControlKind;
using platform::ControlSpec;

platform::DialogTemplate TitlePageTemplate() {
    platform::DialogTemplate t;
    t.id = 20299;
    t.caption = "Plot";
    t.size = {220, 90};
    t.controls = {
        ControlSpec{ControlKind::Static, 100, "Title", {8, 12, 38, 22}},
        ControlSpec{ControlKind::Edit, kPlotTitleEdit, "", {40, 10, 170, 24}},
        ControlSpec{ControlKind::CheckBox, kPlotTitleAuto, "Auto", {176, 12, 214, 22}},
        ControlSpec{ControlKind::Static, 101, "Curve", {8, 34, 38, 44}},
        ControlSpec{ControlKind::ComboList, kPlotCurveCombo, "", {40, 32, 170, 46}},
    };
    return t;
}

struct TitlePage : CPlotPage {
    TitlePage() : CPlotPage(TitlePageTemplate()) {}
    bool OnInitDialog() override {
        CPlotPage::OnInitDialog();
        LoadTitle();
        FillCurveCombo(kPlotCurveCombo, {"V(IN)", "V(OUT)", "I(R1)"}, "v(out)", 0);
        return true;
    }
    std::string AutomaticTitle() override { return "Transient Analysis, Temperature=27"; }
    bool ApplyPage() override {
        StoreTitle();
        return true;
    }
    void ResetPage() override { RestoreTitle(); }
};

TEST(PlotPage, AutoTitleCancelAndOk) {
    PlotTestApp();
    CAPDraw view;
    view.title = "Pulse response";
    view.autoTitle = 0;
    {
        TitlePage page;
        page.view = &view;
        CPropertySheet2 sheet("Plot Properties");
        sheet.AddPage(page);
        platform::automation::QueueModalScript([&](platform::Dialog& d) {
            EXPECT_EQ(page.ItemText(kPlotTitleEdit), "Pulse response");
            EXPECT_TRUE(page.IsItemEnabled(kPlotTitleEdit));
            EXPECT_EQ(page.CurSel(kPlotCurveCombo), 1);  // found without regard to case
            platform::automation::ClickItem(page, kPlotTitleAuto);
            EXPECT_EQ(page.ItemText(kPlotTitleEdit), "Transient Analysis, Temperature=27");
            EXPECT_FALSE(page.IsItemEnabled(kPlotTitleEdit));
            platform::Image image = d.Grab();
            EXPECT_TRUE(image.SavePng(PngPath("plot_page_title.png")));
            return 2;  // Cancel
        });
        sheet.DoModal();
    }
    // Cancel leaves the view's title and auto flag as they were.
    EXPECT_EQ(view.title, "Pulse response");
    EXPECT_EQ(view.autoTitle, 0);
    {
        TitlePage page;
        page.view = &view;
        CPropertySheet2 sheet("Plot Properties");
        sheet.AddPage(page);
        platform::automation::QueueModalScript([&](platform::Dialog& d) {
            page.SetItemText(kPlotTitleEdit, std::string(120, 'x'));
            platform::automation::ClickItem(d, 1);  // OK
            return 1;
        });
        sheet.DoModal();
    }
    EXPECT_EQ(view.title, std::string(99, 'x'));
}

TEST(PlotPage, AxisChoiceNames) {
    StepSet steps;
    steps.variables[2].name = "Q1";
    steps.variables[2].param = "BF";
    EXPECT_EQ(CPlotPage::AxisChoiceName(kAxisChoiceTemperature, &steps), "Temperature");
    EXPECT_EQ(CPlotPage::AxisChoiceName(kAxisChoiceCase, &steps), "Case");
    EXPECT_EQ(CPlotPage::AxisChoiceName(kAxisChoiceStep + 2, &steps), "Q1.BF");
    EXPECT_EQ(CPlotPage::AxisChoiceName(kAxisChoiceOwnX, &steps), "");
    EXPECT_FALSE(CPlotPage::NeedsLargePlotTemplate(steps, true));
    steps.variables[12].settings |= kStepBitOn;
    EXPECT_TRUE(CPlotPage::NeedsLargePlotTemplate(steps, true));
    steps.simultaneous = true;
    EXPECT_FALSE(CPlotPage::NeedsLargePlotTemplate(steps, true));
}

}  // namespace
