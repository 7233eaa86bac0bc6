// The expression menu of a Y-expression cell: its classes and what a choice does (a
// variable replaces the selection, an operator goes in between blanks, a function wraps
// the cell), the chooser of a long class, and the Limits dialog's right click.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "analysis_ui/analysis_limits_dialog.h"
#include "analysis_ui/curve_cells.h"
#include "analysis_ui/expression_menu.h"
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
    s.symbols = {"GAIN", "F(A,B)"};
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
