// The expression menu of a Y-expression cell: its classes and what a choice does (a
// variable replaces the selection, an operator goes in between blanks, a function wraps
// the cell), the chooser of a long class, and the Limits dialog's right click.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>
#include <functional>

#include "analysis_ui/analysis_limits_dialog.h"
#include "analysis_ui/curve_cells.h"
#include "analysis_ui/expression_menu.h"
#include "foundation/paths.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "qt_app.h"
#include "ui/framework/colour_slots.h"

namespace {

using namespace ob7;
using platform::Menu;
namespace automation = platform::automation;

// The id of the item with this text anywhere in the menu (0 when there is none), and the
// titles of the popups on the way.
int FindItem(Menu& menu, const std::string& text, std::vector<std::string>* path = nullptr) {
    for (int i = 0; i < menu.Count(); ++i) {
        Menu::Item& item = menu.At(i);
        if (item.popup) {
            if (int id = FindItem(*item.popup, text, path)) {
                if (path) path->insert(path->begin(), item.text);
                return id;
            }
        } else if (item.text == text) {
            return item.id;
        }
    }
    return 0;
}

ExpressionMenuSource Source(int kind, int analogNodes) {
    ExpressionMenuSource s;
    s.kind = kind;
    for (int n = 1; n <= analogNodes; ++n) s.nodes.push_back({n, false, "N" + std::to_string(n)});
    s.nodes.push_back({analogNodes + 1, true, "CLK"});
    s.parts = {"R1", "C1"};
    s.symbols = {{"CIRCUIT", {"GAIN", "F(A,B)"}}, {"X1", {"RLOCAL"}}};
    return s;
}

TEST(ExpressionMenu, ClassesAndWhatAChoiceDoes) {
    TestApp();
    ExpressionMenu expression;
    Menu menu;
    expression.Build(menu, Source(0, 3), true);
    EXPECT_EQ(menu.At(0).id, ExpressionMenu::kExpandId);
    std::vector<std::string> path;
    const int node = FindItem(menu, "V(N2)", &path);
    ASSERT_NE(node, 0);
    EXPECT_EQ(path, (std::vector<std::string>{"Variables", "Node Voltages"}));
    EXPECT_NE(FindItem(menu, "D(CLK)"), 0);
    EXPECT_NE(FindItem(menu, "I(R1)"), 0);
    EXPECT_NE(FindItem(menu, "PD(C1)"), 0);    // power in transient
    EXPECT_NE(FindItem(menu, "F(A,B)"), 0);    // symbols with their arguments
    EXPECT_EQ(FindItem(menu, "INOISE"), 0);    // noise only in AC
    EXPECT_NE(FindItem(menu, "TMAX"), 0);
    EXPECT_NE(FindItem(menu, "PI"), 0);

    using Action = ExpressionMenu::Action;
    auto choose = [&](const std::string& item, const std::string& cell) {
        const int id = FindItem(menu, item);
        EXPECT_NE(id, 0) << item;
        return expression.Choose(id, cell, "T", nullptr);
    };
    ExpressionMenu::Choice c = choose("V(N2)", "x");
    EXPECT_EQ(c.action, Action::ReplaceSelection);
    EXPECT_EQ(c.text, "V(N2)");
    c = choose("+", "V(N2)");
    EXPECT_EQ(c.text, " + ");
    c = choose("ABS", "V(N2)");
    EXPECT_EQ(c.action, Action::SetText);
    EXPECT_EQ(c.text, "ABS(V(N2))");
    EXPECT_EQ(choose("ABS", "").text, "ABS(?)");
    EXPECT_EQ(choose("SUM", "V(N2)").text, "SUM(V(N2),T)");
    EXPECT_EQ(choose("RND", "V(N2)").text, "RND");
    EXPECT_EQ(expression.Choose(ExpressionMenu::kExpandId, "", "", nullptr).action, Action::Expand);
    EXPECT_EQ(expression.Choose(12345, "", "", nullptr).action, Action::None);

    // AC: the noise variables, no device power.
    Menu ac;
    expression.Build(ac, Source(1, 3), false);
    EXPECT_NE(FindItem(ac, "ONOISE"), 0);
    EXPECT_EQ(FindItem(ac, "PD(C1)"), 0);
    EXPECT_NE(ac.At(0).id, ExpressionMenu::kExpandId);
}

// Twenty-one nodes are too many for a submenu: the class opens the chooser, whose line
// goes into the cell.
// Symbols come one submenu per scope; stored curves of the data folders' user-source
// files come under "&Curve" as CurveX and CurveY calls, one submenu per file.
TEST(ExpressionMenu, SymbolScopesAndStoredCurves) {
    TestApp();
    ExpressionMenu expression;
    Menu menu;
    ExpressionMenuSource source = Source(0, 2);
    expression.Build(menu, source, false);
    std::vector<std::string> path;
    ASSERT_NE(FindItem(menu, "F(A,B)", &path), 0);
    EXPECT_EQ(path, (std::vector<std::string>{"Symbolics", "CIRCUIT"}));
    path.clear();
    ASSERT_NE(FindItem(menu, "RLOCAL", &path), 0);
    EXPECT_EQ(path, (std::vector<std::string>{"Symbolics", "X1"}));
    EXPECT_EQ(FindItem(menu, "&Curve"), 0);

    // A data folder with two waveform files and one file of another kind.
    const auto folder = std::filesystem::temp_directory_path() / ("ob7_curves_" + std::to_string(::getpid()));
    std::filesystem::create_directories(folder);
    auto write = [&](const char* name, const std::string& text) { std::ofstream(folder / name, std::ios::binary) << text; };
    const std::string header = "[Main]\r\nFileType=USR\r\nVersion=2.00\r\nProgram=Ombrelic\r\n[Menu]\r\n";
    write("filt.usr", header + "WaveformMenu=V(OUT)\r\nWaveformMenu=I(R1)\r\n\r\n[Waveform]\r\nLabel=V(OUT)\r\n"
                               "WaveformMenu=NOT A MENU ENTRY\r\n");
    write("amp.data.USR", header + "WaveformMenu=GAIN\r\n");
    write("notes.txt", header + "WaveformMenu=NOPE\r\n");
    write("empty.usr", header);
    EXPECT_EQ(WaveformMenuLabels(header + "WaveformMenu=V(OUT)\r\n[Waveform]\r\nWaveformMenu=X\r\n"),
              (std::vector<std::string>{"V(OUT)"}));
    const std::string saved = GetDefaultPath(kDataPath);
    SetDefaultPath(kDataPath, "/nonexistent-ob7;" + folder.string());
    source.curveFiles = FindCurveFileMenus();
    SetDefaultPath(kDataPath, saved);
    std::filesystem::remove_all(folder);
    ASSERT_EQ(source.curveFiles.size(), 2u);
    EXPECT_EQ(source.curveFiles[0].file, "amp");
    EXPECT_EQ(source.curveFiles[1].file, "filt");
    EXPECT_EQ(source.curveFiles[1].labels, (std::vector<std::string>{"V(OUT)", "I(R1)"}));

    ExpressionMenu withCurves;
    Menu curves;
    withCurves.Build(curves, source, false);
    path.clear();
    const int id = FindItem(curves, "CurveY(\"filt\",\"I(R1)\")", &path);
    ASSERT_NE(id, 0);
    EXPECT_EQ(path, (std::vector<std::string>{"&Curve", "CurveY", "filt"}));
    EXPECT_NE(FindItem(curves, "CurveX(\"amp\",\"GAIN\")"), 0);
    const ExpressionMenu::Choice choice = withCurves.Choose(id, "V(1)", "T", nullptr);
    EXPECT_EQ(choice.action, ExpressionMenu::Action::ReplaceSelection);
    EXPECT_EQ(choice.text, "CurveY(\"filt\",\"I(R1)\")");
    // The last top-level popup.
    EXPECT_EQ(curves.At(curves.Count() - 1).text, "&Curve");
}

TEST(ExpressionMenu, LongClassOpensTheChooser) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    ExpressionMenu expression;
    Menu menu;
    expression.Build(menu, Source(0, 21), false);
    EXPECT_EQ(FindItem(menu, "V(N2)"), 0);
    const int chooser = FindItem(menu, "Node Voltages...");
    ASSERT_NE(chooser, 0);
    automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.Template().caption, "Node Voltages");
        EXPECT_EQ(d.ItemCount(CVariableChooserDlg::kList), 21);
        d.SetCurSel(CVariableChooserDlg::kList, 4);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/variable_chooser.png"));
        automation::ClickItem(d, 1);
        return 1;
    });
    ExpressionMenu::Choice c = expression.Choose(chooser, "", "T", nullptr);
    EXPECT_EQ(c.action, ExpressionMenu::Action::ReplaceSelection);
    EXPECT_EQ(c.text, "V(N5)");
    automation::QueueModalScript([](platform::Dialog&) { return 2; });
    EXPECT_EQ(expression.Choose(chooser, "", "T", nullptr).action, ExpressionMenu::Action::None);
}

// In the Limits dialog a right click in a Y cell offers the menu; ABS wraps the cell.
TEST(ExpressionMenu, LimitsDialogYCell) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    AnalysisSetup setup;
    CurveRowRecord row = NewCurveRow();
    row.plotGroup = '1';
    row.xExpression = "T";
    row.yExpression = "V(N1)";
    row.xRange = row.yRange = "Auto";
    setup.rows = {row};
    FillDefaultLimits(kCurvesTransient, setup);
    LimitsDialogHost host;
    host.nodes = {{1, false, "N1"}};
    CAnalysisLimitsDlg dialog(setup, kCurvesTransient, host, 4);
    ASSERT_TRUE(dialog.CreateModeless(nullptr));
    ExpressionMenu expression;  // the same build gives the same ids
    Menu menu;
    expression.Build(menu, ExpressionMenuSource{0, host.nodes, {}, {}}, true);
    automation::QueuePopupMenuAnswer(FindItem(menu, "ABS"));
    automation::RightClickItem(dialog, CAnalysisLimitsDlg::CellId(0, kColYExpression));
    EXPECT_EQ(setup.rows[0].yExpression, "ABS(V(N1))");
    // A click on the "Y Expression" header offers it for the focused row.
    automation::QueuePopupMenuAnswer(FindItem(menu, "SUM"));
    automation::ClickItem(dialog, kLimHeader0 + kColYExpression);
    EXPECT_EQ(setup.rows[0].yExpression, "SUM(ABS(V(N1)),T)");
    // So does the Expand dialog's edit (without "Expand...").
    ExpressionMenu plain;
    Menu plainMenu;
    plain.Build(plainMenu, ExpressionMenuSource{0, host.nodes, {}, {}}, false);
    automation::QueueModalScript([&](platform::Dialog& e) {
        automation::QueuePopupMenuAnswer(FindItem(plainMenu, "ABS"));
        automation::RightClickItem(e, 101);
        automation::ClickItem(e, 1);
        return 1;
    });
    dialog.FocusItem(CAnalysisLimitsDlg::CellId(0, kColYExpression));
    automation::ClickItem(dialog, kLimExpand);
    EXPECT_EQ(setup.rows[0].yExpression, "ABS(SUM(ABS(V(N1)),T))");
    dialog.OnClose();
}

}  // namespace
