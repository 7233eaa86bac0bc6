// The 2-D plot properties sheet on a view of three curves in two panes: the Plot page's
// Show, plot group rule and Cancel; the Scales and Formats page's range, grid, log and
// group rules; the colour page's "Plot All"; OK writing the edits into the curve rows;
// and a picture of every page.

#include <gtest/gtest.h>

#include "platform/automation.h"
#include "platform/image.h"
#include "plot_fixture.h"
#include "plots/plot_colour_page.h"
#include "plots/plot_format_page.h"
#include "plots/plot_header_page.h"
#include "plots/plot_properties.h"
#include "ui/framework/shell_state.h"

namespace {

using namespace ob7;
using platform::Notify;
using platform::automation::ClickItem;
using platform::automation::QueueModalScript;
using platform::automation::SendTextToItem;

// V(IN) and V(OUT) in pane 1, I(R1) in pane 2, each from a curve row.
struct PropertiesTest : ::testing::Test {
    CAPDraw view;
    std::vector<CurveRowRecord> rows{3};
    PlotPropertiesHost host;
    int changed = 0;
    void SetUp() override {
        PlotTestApp();
        view.viewKind = 0;
        view.data.curves = {MakeCurve("V(IN)", "T", 1, 12, 'T'), MakeCurve("V(OUT)", "T", 1, 9, 'T'),
                            MakeCurve("I(R1)", "T", 2, 2, 'T')};
        for (int c = 0; c < 3; ++c) {
            view.data.curves[c].rowIndex = c;
            for (int axis = kXAxis; axis <= kYAxis; ++axis) {
                view.data.curves[c].axis[axis].min = 0;
                view.data.curves[c].axis[axis].max = axis == kXAxis ? 1e-3 : 5;
            }
        }
        view.data.plottedCount = 3;
        view.Create(nullptr, platform::Rect{0, 0, 600, 400});
        ASSERT_EQ(view.PrepareCurves(1), 0);
        RunStartValues start;
        view.BeginRun(start);
        for (int i = 0; i <= 10; ++i) {
            const double t = i * 1e-4, xy[6] = {t, 5.0, t, 5.0 * i / 10, t, 1e-3 * (10 - i) / 10};
            view.StoreRunPoint(xy);
        }
        view.EndRun();
        host.curveRows = [this] { return &rows; };
        host.changed = [this] { ++changed; };
    }
    // Runs the sheet; the script gets it open and returns 1 (OK) or 2 (Cancel).
    int Run(std::function<int(CG2DPropSheet&)> script) {
        CG2DPropSheet* open = nullptr;
        QueueModalScript([&](platform::Dialog&) { return script(*open); });
        CG2DPropSheet sheet(view, host);
        open = &sheet;
        return sheet.DoModal();
    }
};

TEST_F(PropertiesTest, PlotPageShowGroupRuleAndCancel) {
    view.data.curves[2].xCaption = "V(IN)";  // plotted against another X: a pane of its own
    Run([&](CG2DPropSheet& sheet) {
        CG2DPlotPage& page = *sheet.plotPage;
        EXPECT_FALSE(page.IsItemEnabled(kPropPlotType));  // a transient plot is rectangular
        EXPECT_EQ(page.ItemString(kPropCurveList, 2), "I(R1)");
        page.SetCurSel(kPropCurveList, 1);
        page.OnControlNotify(kPropCurveList, Notify::SelChange);
        ClickItem(page, kPropShow);  // hide V(OUT)
        EXPECT_EQ(sheet.workGraphs[1].hidden, 1);
        // V(OUT) may not join I(R1), whose X differs; the combo goes back.
        page.SetCurSel(kPropPlotGroup, 1);
        page.OnControlNotify(kPropPlotGroup, Notify::SelChange);
        EXPECT_EQ(sheet.workGraphs[1].plotGroup, 1);
        EXPECT_EQ(page.CurSel(kPropPlotGroup), 0);
        // Into an empty group 3 it may go.
        page.SetCurSel(kPropPlotGroup, 2);
        page.OnControlNotify(kPropPlotGroup, Notify::SelChange);
        EXPECT_EQ(sheet.workGraphs[1].plotGroup, 3);
        // Nothing reached the view yet.
        EXPECT_EQ(view.data.curves[1].hidden, 0);
        EXPECT_TRUE(sheet.Grab().SavePng(PngPath("plot_properties_plot.png")));
        ClickItem(sheet, 2);  // Cancel
        return 2;
    });
    EXPECT_EQ(view.data.curves[1].hidden, 0);
    EXPECT_EQ(view.data.curves[1].plotGroup, 1);
    EXPECT_EQ(rows[1].plotGroup, 0);  // Cancel writes no row

    Run([&](CG2DPropSheet& sheet) {
        CG2DPlotPage& page = *sheet.plotPage;
        page.SetCurSel(kPropCurveList, 1);
        page.OnControlNotify(kPropCurveList, Notify::SelChange);
        ClickItem(page, kPropShow);
        ClickItem(sheet, 1);  // OK
        return 1;
    });
    EXPECT_EQ(view.data.curves[1].hidden, 1);
    EXPECT_EQ(rows[0].plotGroup, '1');
    EXPECT_EQ(rows[2].plotGroup, '2');
    EXPECT_GT(changed, 0);
}

TEST_F(PropertiesTest, ScalesAndFormatsRules) {
    view.saveRangeEdits[0] = 1;
    Run([&](CG2DPropSheet& sheet) {
        sheet.SetActivePage(1);
        CG2DFormatPage& page = *sheet.formatPage;
        EXPECT_TRUE(page.IsCreated());
        // Y range 0..5 of V(IN); a grid of 0.001 is raised to a hundredth of the span.
        page.SetItemText(kFmtGridY, "0.001");
        page.OnControlNotify(kFmtGridY, Notify::KillFocus);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[0].axis[kYAxis].gridStep, 0.05);
        EXPECT_TRUE(page.IsItemEnabled(kFmtBoldY));
        page.SetItemText(kFmtGridY, "0");
        page.OnControlNotify(kFmtGridY, Notify::KillFocus);
        EXPECT_FALSE(page.IsItemEnabled(kFmtBoldY));  // no bold grid without a grid
        // A high end equal to the low end is refused; a new Y range stays with its curve
        // while Same Y Scales is off.
        page.SetItemText(kFmtHighY, "0");
        page.OnControlNotify(kFmtHighY, Notify::KillFocus);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[0].axis[kYAxis].max, 5);
        EXPECT_EQ(page.ItemText(kFmtHighY), "5");
        page.SetItemText(kFmtHighY, "2*4");
        page.OnControlNotify(kFmtHighY, Notify::KillFocus);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[0].axis[kYAxis].max, 8);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[1].axis[kYAxis].max, 5);
        // An X range goes to the whole pane, not to the other pane.
        page.SetItemText(kFmtHighX, "2m");
        page.OnControlNotify(kFmtHighX, Notify::KillFocus);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[1].axis[kXAxis].max, 2e-3);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[2].axis[kXAxis].max, 1e-3);
        // Log on 0..8 makes it 1e-6..8 for the pane's curves; on I(R1)'s -5..0 1e-6..1e-5.
        ClickItem(page, kFmtLogY);
        EXPECT_EQ(sheet.workGraphs[0].axis[kYAxis].linear, 0);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[0].axis[kYAxis].min, 1e-6);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[0].axis[kYAxis].max, 8);
        EXPECT_EQ(sheet.workGraphs[1].axis[kYAxis].linear, 0);
        EXPECT_EQ(sheet.workGraphs[2].axis[kYAxis].linear, 1);
        sheet.workGraphs[2].axis[kYAxis].min = -5, sheet.workGraphs[2].axis[kYAxis].max = 0;
        page.SetCurSel(kFmtCurveList, 2);
        page.OnControlNotify(kFmtCurveList, Notify::SelChange);
        ClickItem(page, kFmtLogY);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[2].axis[kYAxis].min, 1e-6);
        EXPECT_DOUBLE_EQ(sheet.workGraphs[2].axis[kYAxis].max, 1e-5);
        EXPECT_EQ(sheet.selectedCurve, 2);
        EXPECT_TRUE(sheet.Grab().SavePng(PngPath("plot_properties_scales.png")));
        ClickItem(sheet, 1);  // OK
        return 1;
    });
    EXPECT_DOUBLE_EQ(view.data.curves[0].axis[kYAxis].max, 8);
    EXPECT_EQ(view.data.curves[1].axis[kYAxis].linear, 0);
    EXPECT_DOUBLE_EQ(view.data.curves[1].axis[kXAxis].max, 2e-3);
    // With Save Range Edits the rows keep the ranges and the log flags.
    EXPECT_EQ(rows[0].yRange, "8,1e-6");
    EXPECT_EQ(rows[0].xRange, "0.002");
    EXPECT_EQ(rows[0].options & 0xC0, 0x40);  // X linear, Y log
}

TEST_F(PropertiesTest, ColourPagePlotAllAndPicture) {
    Run([&](CG2DPropSheet& sheet) {
        sheet.SetActivePage(2);
        CG2DColorPage& page = *sheet.colourPage;
        EXPECT_TRUE(page.IsCreated());
        EXPECT_EQ(page.ItemString(kColObjects, page.PlotAllIndex()), "Plot All");
        EXPECT_EQ(page.ItemString(kColObjects, page.FirstCurve() + 1), "V(OUT)");
        page.SetCurSel(kColObjects, page.PlotAllIndex());
        page.OnControlNotify(kColObjects, Notify::SelChange);
        EXPECT_EQ(page.CurSel(kColWidth), 0);  // the first curve's width
        page.SetCurSel(kColWidth, 2);
        page.OnControlNotify(kColWidth, Notify::SelChange);
        ClickItem(page, kColSecondButtons + 4);  // every curve line in colour 4
        // "Select Box" has no width, pattern or second colour; it sets the view's colour.
        EXPECT_EQ(page.ItemString(kColObjects, CG2DColorPage::kSelectBox), "Select Box");
        EXPECT_EQ(page.ItemString(kColObjects, CG2DColorPage::kDataPointLabels), "Data Point Labels");
        page.SetCurSel(kColObjects, CG2DColorPage::kSelectBox);
        page.OnControlNotify(kColObjects, Notify::SelChange);
        EXPECT_FALSE(page.IsItemEnabled(kColWidth));
        EXPECT_FALSE(page.IsItemEnabled(kColPattern));
        ClickItem(page, kColFirstButtons + 13);
        // "Data Point Labels": a foreground and a background.
        page.SetCurSel(kColObjects, CG2DColorPage::kDataPointLabels);
        page.OnControlNotify(kColObjects, Notify::SelChange);
        EXPECT_EQ(page.ItemText(kColFirstLabel), "Foreground");
        EXPECT_EQ(page.ItemText(kColSecondLabel), "Background");
        ClickItem(page, kColSecondButtons + 14);
        page.SetCurSel(kColObjects, page.FirstCurve() + 1);
        page.OnControlNotify(kColObjects, Notify::SelChange);
        EXPECT_TRUE(page.IsItemEnabled(kColWidth));
        EXPECT_TRUE(sheet.Grab().SavePng(PngPath("plot_properties_colours.png")));
        ClickItem(sheet, 1);  // OK
        return 1;
    });
    for (const GraphRecord& g : view.data.curves) {
        EXPECT_EQ(g.style.lineWidth, 3);
        EXPECT_EQ(g.style.lineColour, 4);
    }
    EXPECT_EQ(rows[2].lineWidth, 3);
    EXPECT_EQ(rows[2].lineColour, 4);
    EXPECT_EQ(view.colours.selectBox, 13);
    EXPECT_EQ(view.pointLabelBackground, 14);
}

// Without a view the page edits the defaults of new plots: nine or twelve fixed items,
// no "Plot All", "Curve 1" to "Curve 10"; OK stores into the defaults and "Default"
// resets them.
TEST(PlotColourDefaults, PageWithoutAView) {
    PlotTestApp();
    for (int kind : {static_cast<int>(kDraw2DPlot), 19}) {
        PlotStyleDefaults defaults = DefaultPlotStyles(kind);
        const int fixed = kind == kDraw2DPlot ? 12 : 9;
        CPropertySheet2 sheet("Preferences");
        CG2DColorPage page(defaults, kind);
        sheet.AddPage(page);
        QueueModalScript([&](platform::Dialog&) {
            EXPECT_EQ(page.PlotAllIndex(), -1);
            EXPECT_EQ(page.ItemString(kColObjects, fixed - 1), kind == kDraw2DPlot ? "Data Point Labels" : "Tracker");
            EXPECT_EQ(page.ItemString(kColObjects, fixed), "Curve 1");
            EXPECT_EQ(page.ItemString(kColObjects, fixed + 9), "Curve 10");
            page.SetCurSel(kColObjects, fixed + 2);  // Curve 3
            page.OnControlNotify(kColObjects, Notify::SelChange);
            EXPECT_EQ(page.IsItemEnabled(kColRainbow), kind == kDraw2DPlot);
            page.SetCurSel(kColWidth, 4);
            page.OnControlNotify(kColWidth, Notify::SelChange);
            if (kind == kDraw2DPlot) EXPECT_TRUE(sheet.Grab().SavePng(PngPath("plot_colour_defaults.png")));
            ClickItem(sheet, 1);
            return 1;
        });
        sheet.DoModal();
        EXPECT_EQ(defaults.curves[2].lineWidth, 5);
        EXPECT_EQ(defaults.curves[1].lineWidth, 1);
        EXPECT_EQ(defaults.curves[2].lineColour, 2);  // the default colours of curves 1..10
        EXPECT_EQ(defaults.first[CG2DColorPage::kSelectBox], 4);
        EXPECT_EQ(defaults.gridPattern, 2);

        CPropertySheet2 again("Preferences");
        CG2DColorPage reset(defaults, kind);
        again.AddPage(reset);
        QueueModalScript([&](platform::Dialog&) {
            ClickItem(reset, kColDefault);
            ClickItem(again, 1);
            return 1;
        });
        again.DoModal();
        EXPECT_EQ(defaults.curves[2].lineWidth, 1);
    }
}

// Apply Now puts the edits into the view and keeps the sheet open; Cancel afterwards
// still goes back to the curves as they were when the sheet opened.
TEST_F(PropertiesTest, ApplyNowThenCancel) {
    Run([&](CG2DPropSheet& sheet) {
        CG2DPlotPage& page = *sheet.plotPage;
        ClickItem(page, kPropShow);  // hide V(IN)
        ClickItem(sheet, platform::PropertySheet::kApply);
        EXPECT_EQ(sheet.state, CG2DPropSheet::kStateApplied);
        EXPECT_EQ(view.data.curves[0].hidden, 1);
        EXPECT_EQ(sheet.workGraphs[0].hidden, 1);  // taken from the view again
        ClickItem(sheet, 2);
        return 2;
    });
    EXPECT_EQ(view.data.curves[0].hidden, 0);
}

// "Default" gives the fixed items a new plot's colours and curve i the default style i.
TEST_F(PropertiesTest, ColourPageDefault) {
    view.colours.graphBackground = 0;
    for (GraphRecord& g : view.data.curves) g.style.lineWidth = 5, g.style.lineColour = 4;
    Run([&](CG2DPropSheet& sheet) {
        sheet.SetActivePage(2);
        CG2DColorPage& page = *sheet.colourPage;
        ClickItem(page, kColDefault);
        EXPECT_TRUE(page.IsModified());
        ClickItem(sheet, 1);
        return 1;
    });
    EXPECT_EQ(view.colours.graphBackground, PlotColours{}.graphBackground);
    for (int c = 0; c < 3; ++c) {
        EXPECT_EQ(view.data.curves[c].style.lineWidth, DefaultCurveStyle(c).lineWidth);
        EXPECT_EQ(view.data.curves[c].style.lineColour, kCurveStyleDefaultColours[c]);
    }
}

// The Header page: a delimiter button takes effect at once and Cancel puts it back; an
// empty Other is a space, typing a character chooses Other; OK stores the texts with
// their line breaks as backslash-n.
TEST_F(PropertiesTest, HeaderPageDelimiterAndTexts) {
    Run([&](CG2DPropSheet& sheet) {
        EXPECT_EQ(sheet.PageCount(), 4);
        sheet.SetActivePage(3);
        CG2DNumOutPage& page = *sheet.headerPage;
        EXPECT_TRUE(page.IsButtonChecked(kHeadSpace));
        EXPECT_EQ(page.ItemText(kHeadCenter), "$analysis");
        ClickItem(page, kHeadComma);
        EXPECT_EQ(view.numericOutputDelimiter, ',');
        ClickItem(sheet, 2);
        return 2;
    });
    EXPECT_EQ(view.numericOutputDelimiter, ' ');

    view.numericOutputDelimiter = '|';
    Run([&](CG2DPropSheet& sheet) {
        sheet.SetActivePage(3);
        CG2DNumOutPage& page = *sheet.headerPage;
        EXPECT_TRUE(page.IsButtonChecked(kHeadOther));
        EXPECT_EQ(page.ItemText(kHeadOtherChar), "|");
        page.SetItemText(kHeadOtherChar, "");
        ClickItem(page, kHeadOther);
        EXPECT_EQ(view.numericOutputDelimiter, ' ');
        ClickItem(page, kHeadTab);
        SendTextToItem(page, kHeadOtherChar, "#");
        EXPECT_TRUE(page.IsButtonChecked(kHeadOther));
        EXPECT_EQ(view.numericOutputDelimiter, '#');
        page.SetItemText(kHeadLeft, "Amp\r\nRev 2");
        EXPECT_TRUE(sheet.Grab().SavePng(PngPath("plot_properties_header.png")));
        ClickItem(sheet, 1);
        return 1;
    });
    EXPECT_EQ(view.numericOutputDelimiter, '#');
    EXPECT_EQ(view.numericOutputHeader.texts[0], "Amp\\nRev 2");
}

// A plot without curves gets them from the rows for the sheet: they can be edited and
// OK writes into the rows, and the curves go again when the sheet closes. A build that
// fails leaves a disabled list and no Scales and Formats page.
TEST_F(PropertiesTest, CurvesBuiltBeforeTheFirstRun) {
    view.ClearPlotData();
    int builds = 0;
    host.buildGraphs = [&] {
        ++builds;
        view.data.curves = {MakeCurve("V(A)", "T", 1, 12, 'T'), MakeCurve("V(B)", "T", 1, 9, 'T')};
        view.data.curves[0].rowIndex = 0, view.data.curves[1].rowIndex = 1;
        view.data.storeCurves.assign(2, StoreCurve{});  // no points
        view.data.plottedCount = 2;
        return 0;
    };
    Run([&](CG2DPropSheet& sheet) {
        EXPECT_EQ(sheet.PageCount(), 4);  // Plot, Scales and Formats, Colors, Header
        CG2DPlotPage& page = *sheet.plotPage;
        EXPECT_EQ(page.ItemString(kPropCurveList, 1), "V(B)");
        page.SetCurSel(kPropCurveList, 1);
        page.OnControlNotify(kPropCurveList, Notify::SelChange);
        page.SetCurSel(kPropPlotGroup, 1);
        page.OnControlNotify(kPropPlotGroup, Notify::SelChange);
        ClickItem(sheet, 1);
        return 1;
    });
    EXPECT_EQ(builds, 1);
    EXPECT_EQ(rows[1].plotGroup, '2');
    EXPECT_TRUE(view.data.curves.empty());

    host.buildGraphs = [&] { return 13801; };
    Run([&](CG2DPropSheet& sheet) {
        EXPECT_EQ(sheet.PageCount(), 3);
        EXPECT_FALSE(sheet.plotPage->IsItemEnabled(kPropCurveList));
        ClickItem(sheet, 2);
        return 2;
    });
}

TEST_F(PropertiesTest, NotDuringARun) {
    Shell.runInProgress = true;
    EXPECT_EQ(RunPlotProperties(view, host), 0);
    Shell.runInProgress = false;
}

}  // namespace
