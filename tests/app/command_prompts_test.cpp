// Every command of the main menu and of the tool bars shows a prompt on the status bar,
// except those whose prompt the program does not define.
#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>

#include "app/main_frame.h"
#include "app/tool_buttons.h"
#include "foundation/string_table.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;

namespace {

void ForEachCommand(platform::Menu& menu, const std::function<void(int, const std::string&)>& visit) {
    for (int i = 0; i < menu.Count(); ++i) {
        if (menu.At(i).popup) ForEachCommand(*menu.At(i).popup, visit);
        else if (menu.At(i).id) visit(menu.At(i).id, menu.At(i).text);
    }
}

// Commands whose prompt the program does not define: their menu texts and buttons say
// enough, or (14200-14219) the component a button places is shown instead.
const std::set<int> kWithoutPrompt = [] {
    std::set<int> ids = {9,     1021,  1324,  11100, 11400, 11500, 12110, 12120, 12311, 12312, 12314, 12342,
                         12348, 12351, 12354, 12355, 12506, 12513, 12913, 14572, 14600, 14602, 15678, 17106,
                         17140, 17141, 17144, 17190, 17194, 17217, 17302, 17308, 17309, 17330, 17604, 17605,
                         17607, 17873, 17874, 18047, 18410, 18411, 18419, 18431, 18432, 18500, 18685, 18686,
                         19710, 57632, 57634, 57635, 57637};
    const int ranges[][2] = {{14200, 14219}, {16066, 16068}, {17181, 17183}, {17206, 17211}, {17304, 17306},
                             {17504, 17505}, {17541, 17549}, {17588, 17602}, {17800, 17804}, {17820, 17838},
                             {18400, 18407}, {18670, 18678}, {57601, 57607}, {57642, 57644}, {57650, 57652}};
    for (const auto& r : ranges)
        for (int id = r[0]; id <= r[1]; ++id) ids.insert(id);
    return ids;
}();

bool HasPrompt(int id) {
    const char* text = FindResString(id);
    return text && *text && *text != '\n';
}

}  // namespace

TEST(CommandPrompts, MenuAndToolBarCommandsHaveThem) {
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 800, 600}));
    std::set<int> missing, needless;
    auto check = [&](int id) {
        const bool listed = kWithoutPrompt.count(id) > 0;
        if (HasPrompt(id) == listed) (listed ? needless : missing).insert(id);
    };
    int viewItems = 0;
    ForEachCommand(frame.MainMenu(), [&](int id, const std::string& text) {
        check(id);
        // The view switches carry the commands the schematic handles under those names.
        if (text == "&Grid Text") {
            EXPECT_EQ(id, 17402);
        }
        if (text == "&Node Numbers") {
            EXPECT_EQ(id, 17403);
        }
        if (text == "&Pin Connections") {
            EXPECT_EQ(id, 17405);
        }
        viewItems += (id >= 17400 && id <= 17409) || id == 219 || id == 220 || id == 222;
    });
    EXPECT_EQ(viewItems, 12);
    for (const ToolButtonInfo& b : ToolButtonTable) check(b.Command);
    auto text = [](const std::set<int>& ids) {
        std::string list;
        for (int id : ids) list += std::to_string(id) + " ";
        return list;
    };
    EXPECT_EQ(text(missing), "");
    EXPECT_EQ(text(needless), "");
}

TEST(CommandPrompts, TextsAsTheCommandsDefineThem) {
    const struct {
        int id;
        const char* text;
    } kCases[] = {
        {18408, "Accesses option, limit, and control parameters.\nGlobal Settings (Ctrl+Shift+G)"},
        {17230, "Performs a transfer function analysis on the active circuit."},
        {17404, "Displays node voltages or states on the schematic.\nNode Voltages"},
        {19600, "Creates a SPICE text file description suitable for external SPICE simulators.\nCreate SPICE Netlist"},
        {20498, "Invokes the Package editor."},
        {57609, "Shows how the printed schematic or plot will look.\nPrint Preview"},
    };
    for (const auto& c : kCases) {
        const char* text = FindResString(c.id);
        ASSERT_NE(text, nullptr) << c.id;
        EXPECT_STREQ(text, c.text);
    }
}
