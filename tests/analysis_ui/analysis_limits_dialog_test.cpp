// The Analysis Limits dialog on the offscreen platform: its fields and enable rules, the
// grid of curve rows (add, delete, edit, scroll, icons), the analysis window's Limits
// command, and a limit that fails when the run reads it, shown with its field focused.

#include <gtest/gtest.h>

#include "platform/accelerator.h"

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "analysis_ui/analysis_limits_dialog.h"
#include "analysis_ui/curve_cells.h"
#include "expression/compiler.h"
#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "platform/automation.h"
#include "platform/desktop.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/input.h"
#include "plots/analysis_window.h"
#include "qt_app.h"
#include "sim/engine/run_control.h"
#include "sim/engine/run_helpers.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/shell_state.h"

namespace {

using namespace ob7;
using platform::Notify;

void App() {
    static bool ready = [] {
        TestApp();
        CreateProgramPalette();
        CreateColourSlots();
        InstallNumericExpressionEvaluator();
        return true;
    }();
    (void)ready;
}

std::string PngPath(const std::string& name) {
    std::filesystem::create_directories("png");
    return (std::filesystem::current_path() / "png" / name).string();
}

CurveRowRecord Row(char group, const char* y, int options = CO_LINEARX | CO_LINEARY) {
    CurveRowRecord r = NewCurveRow();
    r.plotGroup = group;
    r.xExpression = "T";
    r.yExpression = y;
    r.xRange = r.yRange = "Auto";
    r.options = options;
    r.alias = 0;
    return r;
}

AnalysisSetup TransientSetup() {
    AnalysisSetup s;
    s.rows = {Row('1', "v(IN)"), Row('2', "v(OUT)"), Row('2', "i(R1)"), Row(0, "v(MID)")};
    for (int i = 0; i < 4; ++i) {
        s.rows[i].alias = i + 1;
        ApplyCurveStyle(s.rows[i], DefaultCurveStyle(i));
    }
    FillDefaultLimits(kCurvesTransient, s);
    return s;
}

// A dialog opened as the program opens it, closed at the end of the test.
struct OpenDialog {
    OpenDialog(AnalysisSetup& setup, int kind, int screenRows = 0) {
        App();
        LimitsDialogHost host;
        host.documentChanged = [this] { ++changes; };
        host.limitsChanged = [this](int) { ++limitEdits; };
        dialog = std::make_unique<CAnalysisLimitsDlg>(setup, kind, host, screenRows);
        EXPECT_TRUE(dialog->CreateModeless(nullptr));
        dialog->Show(true);
        platform::Application::PumpMessages();
    }
    ~OpenDialog() {
        dialog->OnClose();
    }
    CAnalysisLimitsDlg& operator*() { return *dialog; }
    CAnalysisLimitsDlg* operator->() { return dialog.get(); }
    std::unique_ptr<CAnalysisLimitsDlg> dialog;
    int changes = 0, limitEdits = 0;
};

TEST(AnalysisLimits, TransientFieldsGridAndPicture) {
    AnalysisSetup setup = TransientSetup();
    OpenDialog d(setup, kCurvesTransient);
    EXPECT_EQ(d->ItemText(kLimField0), "1u");
    EXPECT_EQ(d->ItemText(kLimField0 + 2), "51");
    EXPECT_EQ(d->FocusedItem(), kLimField0);
    EXPECT_EQ(d->ItemText(CAnalysisLimitsDlg::CellId(1, 2)), "v(OUT)");
    EXPECT_EQ(d->ItemText(CAnalysisLimitsDlg::CellId(3, 0)), "");
    // Numeric output needs "Number of Points": enabled only while a row is printed.
    EXPECT_FALSE(d->IsItemEnabled(kLimField0 + 2));
    platform::automation::ClickItem(*d, CAnalysisLimitsDlg::IconId(0, kIconOutput));
    EXPECT_TRUE(setup.rows[0].options & CO_OUTPUT);
    EXPECT_TRUE(d->IsItemEnabled(kLimField0 + 2));
    EXPECT_EQ(d.changes, 1);
    EXPECT_TRUE(d->Grab().SavePng(PngPath("analysis_limits_transient.png")));
}

TEST(AnalysisLimits, EditedLimitAndCellsAreStoredOnLeaving) {
    AnalysisSetup setup = TransientSetup();
    OpenDialog d(setup, kCurvesTransient);
    d->SetItemText(kLimField0, " 2m,1m ");
    platform::automation::SendKeyToItem(*d, kLimField0, platform::key::kReturn);  // Enter: the next field
    EXPECT_EQ(setup.limits[0], "2m,1m");
    EXPECT_EQ(d->FocusedItem(), kLimField0 + 1);
    EXPECT_EQ(d.limitEdits, 1);

    const int yRange = CAnalysisLimitsDlg::CellId(1, kColYRange);
    d->FocusItem(yRange);
    d->SetItemText(yRange, "10,0,1");
    platform::automation::SendKeyToItem(*d, yRange, platform::key::kDown);
    EXPECT_EQ(setup.rows[1].yRange, "10,0");
    EXPECT_EQ(setup.rows[1].rangeGrid[1], "1");
    EXPECT_EQ(d->ItemText(yRange), "10,0,1");
    EXPECT_EQ(d->FocusedItem(), CAnalysisLimitsDlg::CellId(2, kColYRange));
    // Up from the first row wraps to the last.
    d->FocusItem(CAnalysisLimitsDlg::CellId(0, kColYExpression));
    platform::automation::SendKeyToItem(*d, CAnalysisLimitsDlg::CellId(0, kColYExpression), platform::key::kUp);
    EXPECT_EQ(d->FocusedItem(), CAnalysisLimitsDlg::CellId(3, kColYExpression));
    // The dialog's own table: Alt+S and Alt+R put the focus into the two combo boxes.
    ASSERT_NE(d->Accelerators(), nullptr);
    EXPECT_EQ(d->Accelerators()->Translate({'S', platform::kAltDown}), kCmdFocusStateVariables);
    EXPECT_EQ(d->Accelerators()->Translate({'R', platform::kAltDown}), kCmdFocusRunOptions);
    ASSERT_TRUE(d->ExecuteCommand(kCmdFocusStateVariables));
    EXPECT_EQ(d->FocusedItem(), kLimStateVariables);
    platform::automation::SendKeyToItem(*d, kLimStateVariables, 'R', platform::kAltDown);
    EXPECT_EQ(d->FocusedItem(), kLimRunOptions);
}

TEST(AnalysisLimits, AddDeleteAndGroupIcons) {
    AnalysisSetup setup = TransientSetup();
    OpenDialog d(setup, kCurvesTransient);
    // X linear on a row of group 2: both rows of group 2 follow, the blank group does not.
    platform::automation::ClickItem(*d, CAnalysisLimitsDlg::IconId(1, kIconLinearX));
    EXPECT_FALSE(setup.rows[1].options & CO_LINEARX);
    EXPECT_FALSE(setup.rows[2].options & CO_LINEARX);
    EXPECT_TRUE(setup.rows[0].options & CO_LINEARX);
    EXPECT_TRUE(setup.rows[3].options & CO_LINEARX);

    setup.rows[1].options |= CO_OUTPUT | 0x3;
    setup.rows[1].lineColour = 40;
    d->FocusItem(CAnalysisLimitsDlg::CellId(1, kColYExpression));
    platform::automation::ClickItem(*d, kLimAdd);
    ASSERT_EQ(setup.rows.size(), 5u);
    const CurveRowRecord& added = setup.rows[2];
    EXPECT_EQ(added.yExpression, "v(OUT)");         // a copy of the row above
    EXPECT_EQ(added.options, CO_OUTPUT | CO_LINEARY);  // only the three option bits
    EXPECT_EQ(added.lineColour, kCurveStyleDefaultColours[2]);
    EXPECT_EQ(added.alias, 5);
    EXPECT_EQ(d->FocusedItem(), CAnalysisLimitsDlg::CellId(2, kColYExpression));

    platform::automation::ClickItem(*d, kLimDelete);
    ASSERT_EQ(setup.rows.size(), 4u);
    EXPECT_EQ(setup.rows[2].yExpression, "i(R1)");
    EXPECT_EQ(d->FocusedItem(), CAnalysisLimitsDlg::CellId(2, kColYExpression));
    // The last row cannot go.
    setup.rows.resize(1);
    d->RefreshCurveGrid();
    d->FocusItem(CAnalysisLimitsDlg::CellId(0, kColYExpression));
    platform::automation::ClickItem(*d, kLimDelete);
    EXPECT_EQ(setup.rows.size(), 1u);
    EXPECT_FALSE(d->IsItemVisible(CAnalysisLimitsDlg::CellId(1, kColYExpression)));
}

TEST(AnalysisLimits, ValueColourAndExpandMenus) {
    AnalysisSetup setup = TransientSetup();
    setup.rows[2].xRange = "1m";
    OpenDialog d(setup, kCurvesTransient);
    using namespace platform::automation;
    // A plot group chosen from the right-click menu: "None", then "1" to "9".
    QueuePopupMenuAnswer(kValueMenuFirst + 3);
    RightClickItem(*d, CAnalysisLimitsDlg::CellId(3, kColPlotGroup));
    EXPECT_EQ(setup.rows[3].plotGroup, '3');
    EXPECT_EQ(d->ItemText(CAnalysisLimitsDlg::CellId(3, kColPlotGroup)), "3");
    // The X range header: "Auto", "TMAX,TMIN", then the column's own texts; the choice
    // goes into every row.
    QueuePopupMenuAnswer(kValueMenuFirst + 1);
    ClickItem(*d, kLimHeader0 + kColXRange);
    for (const auto& row : setup.rows) EXPECT_EQ(row.xRange, "TMAX,TMIN");
    // The colour swatch: the chosen slot becomes the text and line colour.
    QueuePopupMenuAnswer(kColourMenuFirst + 5);
    ClickItem(*d, CAnalysisLimitsDlg::IconId(1, kIconColour));
    EXPECT_EQ(setup.rows[1].lineColour, 5);
    EXPECT_EQ(setup.rows[1].textColour, 5);
    // Expand and Delete follow the focus: Expand not for the plot group, neither for a field.
    d->FocusItem(CAnalysisLimitsDlg::CellId(0, kColPlotGroup));
    EXPECT_FALSE(d->IsItemEnabled(kLimExpand));
    EXPECT_TRUE(d->IsItemEnabled(kLimDelete));
    d->FocusItem(kLimField0);
    EXPECT_FALSE(d->IsItemEnabled(kLimDelete));
    // Expand: line breaks become blanks.
    d->FocusItem(CAnalysisLimitsDlg::CellId(0, kColYExpression));
    EXPECT_TRUE(d->IsItemEnabled(kLimExpand));
    QueueModalScript([](platform::Dialog& e) {
        EXPECT_EQ(e.Template().caption, "Y Expression");
        e.SetItemText(101, "v(IN)\n-v(OUT)");
        ClickItem(e, 1);
        return 1;
    });
    ClickItem(*d, kLimExpand);
    EXPECT_EQ(setup.rows[0].yExpression, "v(IN) -v(OUT)");
}

// The X expression's menu ends with the stored curves of the data folders' user-source
// files: after "T", CurveX then CurveY of file "filt".
TEST(AnalysisLimits, XExpressionMenuOffersStoredCurves) {
    const auto folder = std::filesystem::temp_directory_path() / ("ob7_xcurves_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    std::ofstream(folder / "filt.usr", std::ios::binary)
        << "[Main]\r\nFileType=USR\r\nVersion=2.00\r\nProgram=Ombrelic\r\n[Menu]\r\nWaveformMenu=V(OUT)\r\n";
    const std::string saved = GetDefaultPath(kDataPath);
    SetDefaultPath(kDataPath, folder.string());
    {
        AnalysisSetup setup = TransientSetup();
        OpenDialog d(setup, kCurvesTransient);
        platform::automation::QueuePopupMenuAnswer(kValueMenuFirst + 2);
        platform::automation::RightClickItem(*d, CAnalysisLimitsDlg::CellId(1, kColXExpression));
        EXPECT_EQ(setup.rows[1].xExpression, "CurveY(\"filt\",\"V(OUT)\")");
        EXPECT_EQ(setup.rows[0].xExpression, "T");
    }
    SetDefaultPath(kDataPath, saved);
    std::filesystem::remove_all(folder);
}

TEST(AnalysisLimits, FortyRowsOnAScreenOfTwelve) {
    AnalysisSetup setup = TransientSetup();
    setup.rows.resize(40, Row('1', "v(1)"));
    OpenDialog d(setup, kCurvesTransient, 12);
    EXPECT_EQ(d->VisibleRows(), 12);
    EXPECT_TRUE(d->IsItemVisible(kLimScrollBar));
    d->ScrollRows(platform::ScrollCode::PageDown);
    EXPECT_EQ(d->ScrollPosition(), 9);
    d->ScrollRows(platform::ScrollCode::PageDown);
    d->ScrollRows(platform::ScrollCode::PageDown);
    d->ScrollRows(platform::ScrollCode::PageDown);
    EXPECT_EQ(d->ScrollPosition(), 28);  // the last row at the bottom
    EXPECT_EQ(d->Pos(kLimScrollBar), 28);
    d->ScrollRows(platform::ScrollCode::LineUp);
    EXPECT_EQ(d->ScrollPosition(), 27);
    EXPECT_EQ(d->ItemText(CAnalysisLimitsDlg::CellId(0, kColYExpression)), "v(1)");
    // Focusing a row out of sight scrolls as little as needed.
    d->FocusField(2, 2, kColYRange);
    EXPECT_EQ(d->ScrollPosition(), 2);
    EXPECT_EQ(d->FocusedItem(), CAnalysisLimitsDlg::CellId(0, kColYRange));
}

// Half the free width of the work area (at most 200 pixels) goes to the expression
// columns: a third to X, two thirds to Y; the ranges, the scroll bar and the buttons move
// along. The dialog is centred, just below the main frame's bars.
TEST(AnalysisLimits, WidenedAndPlacedUnderTheMainFramesBars) {
    App();
    // A screen wider than the dialog by 300 pixels: it grows by 150.
    AnalysisSetup setup = TransientSetup();
    setup.rows.resize(40, Row('1', "v(1)"));
    const platform::Rect area{10, 20, 10 + 300 + [&] {
        CAnalysisLimitsDlg probe(setup, kCurvesTransient, LimitsDialogHost{}, 12);
        probe.CreateModeless(nullptr);
        const int width = probe.WindowRect().Width() - probe.ExtraWidth();
        probe.OnClose();
        return width;
    }(), 1020};
    LimitsDialogHost host;
    host.workArea = [&] { return area; };
    host.barsBottom = [&] { return area.top + 57; };
    CAnalysisLimitsDlg d(setup, kCurvesTransient, host, 12);
    // The template's own geometry, before any widening.
    platform::Rect runPlain{}, headerPlain[5]{};
    for (const auto& c : d.Template().controls) {
        if (c.id == kLimRun) runPlain = c.rect;
        if (c.id >= kLimHeader0 && c.id < kLimHeader0 + 5) headerPlain[c.id - kLimHeader0] = c.rect;
    }
    ASSERT_TRUE(d.CreateModeless(nullptr));
    d.Show(true);
    platform::Application::PumpMessages();
    auto plain = [&](const platform::Rect& units) { return d.MapDialogRect(units); };
    const int extra = d.ExtraWidth();
    const platform::Rect outer = d.WindowRect();
    EXPECT_EQ(extra, 150);
    EXPECT_EQ(outer.top, area.top + 57);
    EXPECT_LE(std::abs((outer.left - area.left) - (area.right - outer.right)), 1);

    const int third = extra / 3;
    EXPECT_EQ(d.ItemRect(kLimRun).left, plain(runPlain).left + extra);
    EXPECT_EQ(d.ItemRect(kLimHeader0 + kColPlotGroup).left, plain(headerPlain[0]).left);
    EXPECT_EQ(d.ItemRect(kLimHeader0 + kColXExpression).Width(), plain(headerPlain[1]).Width() + third);
    EXPECT_EQ(d.ItemRect(kLimHeader0 + kColYExpression).left, plain(headerPlain[2]).left + third);
    EXPECT_EQ(d.ItemRect(kLimHeader0 + kColYExpression).Width(), plain(headerPlain[2]).Width() + extra - third);
    EXPECT_EQ(d.ItemRect(kLimHeader0 + kColYRange).left, plain(headerPlain[4]).left + extra);
    // The cells line up under their headers; the scroll bar is right of the last column.
    for (int col = 0; col < 5; ++col) {
        const platform::Rect cell = d.ItemRect(CAnalysisLimitsDlg::CellId(11, col));
        const platform::Rect head = d.ItemRect(kLimHeader0 + col);
        EXPECT_EQ(cell.left, head.left) << col;
        EXPECT_EQ(cell.right, head.right) << col;
    }
    EXPECT_GE(d.ItemRect(kLimScrollBar).left, d.ItemRect(kLimHeader0 + kColYRange).right);
    EXPECT_LE(d.ItemRect(kLimScrollBar).right, d.ClientRect().right);
    EXPECT_TRUE(d.Grab().SavePng(PngPath("analysis_limits_widened.png")));
    d.OnClose();
}

TEST(AnalysisLimits, AcAndDcEnableRules) {
    AnalysisSetup ac;
    ac.rows = {Row('1', "db(v(OUT))", CO_LINEARY)};
    FillDefaultLimits(kCurvesAc, ac);
    {
        OpenDialog d(ac, kCurvesAc);
        // State variables "Zero": the operating point is needed and cannot be switched off.
        EXPECT_TRUE(ac.options & 0x40);
        EXPECT_FALSE(d->IsItemEnabled(kLimOperatingPoint));
        EXPECT_TRUE(d->IsItemEnabled(kLimField0 + 3));   // Maximum Change % while the step is Auto
        EXPECT_FALSE(d->IsItemEnabled(kLimField0 + 1));  // no numeric output yet
        d->SetCurSel(kLimMethod1, 2);
        d->OnControlNotify(kLimMethod1, Notify::SelChange);
        EXPECT_EQ((ac.options >> 12) & 3, 2);
        EXPECT_FALSE(d->IsItemEnabled(kLimField0 + 3));
        EXPECT_TRUE(d->IsItemEnabled(kLimField0 + 1));
        d->SetCurSel(kLimStateVariables, 2);
        d->OnControlNotify(kLimStateVariables, Notify::SelChange);
        EXPECT_TRUE(d->IsItemEnabled(kLimOperatingPoint));
        // A polar chart has no X expression or ranges of its own.
        platform::automation::ClickItem(*d, CAnalysisLimitsDlg::IconId(0, kIconChart));
        EXPECT_EQ(ac.rows[0].chartType, 1);
        EXPECT_FALSE(d->IsItemEnabled(CAnalysisLimitsDlg::CellId(0, kColXExpression)));
        EXPECT_TRUE(d->IsItemEnabled(CAnalysisLimitsDlg::CellId(0, kColYExpression)));
        EXPECT_TRUE(d->Grab().SavePng(PngPath("analysis_limits_ac.png")));
    }
    AnalysisSetup dc;
    dc.rows = {Row('1', "i(D1)")};
    FillDefaultLimits(kCurvesDc, dc);
    dc.limits[3] = "TEMP";
    {
        OpenDialog d(dc, kCurvesDc);
        EXPECT_FALSE(d->IsItemEnabled(kLimField0 + 5));  // the temperature is the sweep
        EXPECT_FALSE(d->IsItemEnabled(kLimField0 + 1));  // variable 2 is "None"
        EXPECT_TRUE(d->IsItemEnabled(kLimField0 + 6));
        d->SetCurSel(kLimMethod1, 1);
        d->OnControlNotify(kLimMethod1, Notify::SelChange);
        EXPECT_EQ(dc.sweep[0], kDcSweepLinear);
        EXPECT_FALSE(d->IsItemEnabled(kLimField0 + 6));
        d->SetCurSel(kLimMethod2, 1);
        d->OnControlNotify(kLimMethod2, Notify::SelChange);
        EXPECT_TRUE(d->IsItemEnabled(kLimField0 + 1));
        EXPECT_GE(d->FindStringExact(kLimField0 + 1, "TEMP"), 0);
        EXPECT_TRUE(d->Grab().SavePng(PngPath("analysis_limits_dc.png")));
    }
}

TEST(AnalysisLimits, DcSweepNamesTakeTheirModelParameter) {
    App();
    AnalysisSetup dc;
    dc.rows = {Row('1', "i(D1)")};
    FillDefaultLimits(kCurvesDc, dc);
    LimitsDialogHost host;
    host.sweepParts = {"V1", "R1"};
    host.models = {{"NPN", "Q2N2222"}};
    host.params = {"GAIN"};
    host.modelParameters = [](const std::string& type, std::vector<std::string>& out) {
        if (type != "NPN") return false;
        out = {"BF", "IS"};
        return true;
    };
    CAnalysisLimitsDlg d(dc, kCurvesDc, host);
    ASSERT_TRUE(d.CreateModeless(nullptr));
    const int name = kLimField0 + 3;
    EXPECT_EQ(d.ItemCount(name), 5);  // TEMP, V1, R1, NPN Q2N2222, PARAM GAIN
    EXPECT_EQ(d.ItemString(name, 3), "NPN Q2N2222");
    EXPECT_FALSE(d.IsItemEnabled(kLimParameter1));
    d.SetItemText(name, "npn Q2N2222");
    d.OnControlNotify(name, Notify::KillFocus);
    EXPECT_TRUE(d.IsItemEnabled(kLimParameter1));
    EXPECT_EQ(dc.limits[3], "npn Q2N2222(BF)");
    d.SetCurSel(kLimParameter1, 1);
    d.OnControlNotify(kLimParameter1, Notify::SelChange);
    EXPECT_EQ(dc.limits[3], "npn Q2N2222(IS)");
    EXPECT_EQ(d.ItemText(name), "npn Q2N2222(IS)");
    d.OnClose();
}

// Reports shown as message boxes, kept.
struct Reports : ReportContext {
    int ShowReportDialog(ReportDelivery& report) override {
        shown.push_back(report);
        return 1;
    }
    std::vector<ReportDelivery> shown;
};

TEST(AnalysisLimits, ABadLimitIsReportedWithItsFieldFocused) {
    App();
    AnalysisSetup setup = TransientSetup();
    setup.limits[1] = "1u+";
    Reports reports;
    SetReportContext(&reports);
    InstallLimitsDialogRunHooks([&] { return ShowAnalysisLimits(setup, kCurvesTransient, {}, true); });
    // The run reads the limit as it does at its start.
    double value = 0;
    const int code = ParseLimitNumbers(setup.limits[1].c_str(), &value, nullptr, nullptr, nullptr);
    ASSERT_NE(code, 0);
    RunControl.error_shown = 0;
    ReportRunError(1, 1, -1, setup.limits[1].c_str(), code);
    ASSERT_NE(AnalysisLimitsDialog, nullptr);
    ASSERT_EQ(reports.shown.size(), 1u);
    EXPECT_EQ(reports.shown[0].id, 10403);
    EXPECT_NE(reports.shown[0].text.find("Operand expected in '1u+'"), std::string::npos) << reports.shown[0].text;
    EXPECT_EQ(AnalysisLimitsDialog->FocusedItem(), kLimField0 + 1);
    EXPECT_EQ(AnalysisLimitsDialog->ItemText(kLimField0 + 1), "1u+");
    int start = -1, end = -1;
    AnalysisLimitsDialog->EditSel(kLimField0 + 1, start, end);
    EXPECT_EQ(end - start, 3);  // the whole text selected
    // A second opening only brings it forward.
    CAnalysisLimitsDlg* first = AnalysisLimitsDialog;
    EXPECT_EQ(ShowAnalysisLimits(setup, kCurvesTransient, {}, true), first);
    CloseAnalysisLimits();
    EXPECT_EQ(AnalysisLimitsDialog, nullptr);
    SetReportContext(nullptr);
    RunView = RunViewHooks{};
}

TEST(AnalysisLimits, BatchModeOpensNoDialog) {
    App();
    AnalysisSetup setup = TransientSetup();
    Shell.batchMode = 1;
    EXPECT_EQ(ShowAnalysisLimits(setup, kCurvesTransient, {}, true), nullptr);
    Shell.batchMode = 0;
    EXPECT_EQ(AnalysisLimitsDialog, nullptr);
}

TEST(AnalysisLimits, TheAnalysisWindowsLimitsCommandOpensIt) {
    App();
    platform::Menu bar;
    for (const char* title : {"&File", "&Edit", "&Component", "&Windows", "&Options", "&Analysis", "&Design", "&Help"})
        bar.AppendPopup(title).Append(100, title);
    platform::FrameWindow main;
    main.CreateFrame("Main", platform::Rect{0, 0, 900, 640});
    main.SetMenu(&bar);
    AnalysisSetup setups[3];
    setups[0] = TransientSetup();
    CAPDraw view;
    {
        CG2DFrame frame;
        ConnectAnalysisLimits(frame, [&](int kind) -> AnalysisSetup& { return setups[kind]; }, nullptr);
        ASSERT_TRUE(frame.EnterAnalysis(main, view, 0));
        EXPECT_GE(bar.SubMenu(4)->FindPosition(kCmdAnalysisLimits), 0);
        ASSERT_TRUE(frame.ExecuteCommand(kCmdAnalysisLimits));
        ASSERT_NE(AnalysisLimitsDialog, nullptr);
        EXPECT_EQ(AnalysisLimitsDialog->Kind(), 0);
        frame.Destroy();  // the dialog closes with the window
        EXPECT_EQ(AnalysisLimitsDialog, nullptr);
    }
}

}  // namespace
