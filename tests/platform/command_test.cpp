#include <gtest/gtest.h>

#include "platform/accelerator.h"
#include "platform/command.h"
#include "platform/menu.h"

using namespace platform;

namespace {

// A frame that offers commands to its active child first, as the main frame does.
struct Target : CommandTarget {
    CommandTarget* first = nullptr;
    CommandTarget* CommandDelegate() override { return first; }
};

}  // namespace

TEST(CommandRouting, DelegateFirstThenOwnMap) {
    Target frame, child;
    frame.first = &child;
    std::vector<std::string> log;
    frame.OnCommand(57607, [&](int) { log.push_back("frame print"); });
    frame.OnCommand(16067, [&](int) { log.push_back("frame run"); });
    child.OnCommand(57607, [&](int) { log.push_back("child print"); });
    child.OnCommandRange(17561, 17586, [&](int id) { log.push_back("mode " + std::to_string(id)); });

    EXPECT_TRUE(frame.ExecuteCommand(57607));
    EXPECT_TRUE(frame.ExecuteCommand(16067));
    EXPECT_TRUE(frame.ExecuteCommand(17570));
    EXPECT_FALSE(frame.ExecuteCommand(12345));
    EXPECT_EQ(log, (std::vector<std::string>{"child print", "frame run", "mode 17570"}));

    frame.first = nullptr;  // no active child: the frame handles it
    log.clear();
    frame.ExecuteCommand(57607);
    EXPECT_EQ(log, std::vector<std::string>{"frame print"});
}

TEST(CommandRouting, UpdateHandlersDecideAndDisabledCommandsAreNotDispatched) {
    Target frame, child;
    frame.first = &child;
    int runs = 0;
    bool running = false;
    frame.OnCommand(16067, [&](int) { ++runs; });
    frame.OnUpdate(16067, [&](CommandUI& ui) {
        ui.Enable(!running);
        ui.SetCheck(running ? 1 : 0);
        ui.SetText(running ? "Stop" : "Run");
    });

    CommandUI ui(16067);
    ASSERT_TRUE(frame.RouteUpdate(ui));
    EXPECT_TRUE(ui.Enabled());
    EXPECT_EQ(ui.Text(), "Run");
    EXPECT_TRUE(frame.ExecuteCommand(16067));

    running = true;
    CommandUI busy(16067);
    frame.RouteUpdate(busy);
    EXPECT_FALSE(busy.Enabled());
    EXPECT_EQ(busy.Checked(), 1);
    EXPECT_EQ(busy.Text(), "Stop");
    EXPECT_FALSE(frame.ExecuteCommand(16067));
    EXPECT_EQ(runs, 1);

    // The child's update handler is found before the frame's command handler; a command
    // with a handler but no update handler is enabled; one nobody handles is not.
    child.OnUpdate(16067, [](CommandUI& u) { u.Enable(true); });
    EXPECT_TRUE(frame.ExecuteCommand(16067));
    EXPECT_EQ(runs, 2);
    child.OnCommand(57634, [](int) {});
    CommandUI copy(57634), none(57635);
    EXPECT_TRUE(frame.RouteUpdate(copy));
    EXPECT_TRUE(copy.Enabled());
    EXPECT_FALSE(frame.RouteUpdate(none));
    EXPECT_FALSE(none.Enabled());
}

TEST(Accelerators, ExactModifiersAndRegistry) {
    RegisterAccelerators(AcceleratorTable(514, {{'P', kCtrlDown, 57607}, {key::kAdd, kCtrlDown, 17504},
                                                {key::F(10), 0, 15678}}));
    const AcceleratorTable* table = FindAccelerators(514);
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->Translate({'P', kCtrlDown}), 57607);
    EXPECT_EQ(table->Translate({'P', kCtrlDown | kShiftDown}), 0);
    EXPECT_EQ(table->Translate({'P', 0}), 0);
    EXPECT_EQ(table->Translate({key::kAdd, kCtrlDown}), 17504);
    EXPECT_EQ(table->Translate({121, 0}), 15678);
    EXPECT_EQ(FindAccelerators(999), nullptr);
}

TEST(MenuModel, BuildChangeAndFindById) {
    Menu bar;
    Menu& file = bar.AppendPopup("&File");
    file.Append(57601, "&Open...\tCtrl+O");
    file.AppendSeparator();
    Menu& recent = file.AppendPopup("Recent");
    recent.Append(57616, "1 a.cir");
    bar.Append(17561, "Select");

    EXPECT_EQ(bar.Count(), 2);
    EXPECT_EQ(file.FindPosition(57601), 0);
    EXPECT_EQ(file.FindPosition(57616), -1);  // only this menu, not sub-menus
    EXPECT_EQ(bar.SubMenu(0), &file);
    EXPECT_EQ(bar.SubMenu(1), nullptr);
    EXPECT_TRUE(bar.CheckItem(57616, true));
    EXPECT_TRUE(recent.At(0).flags & kMenuChecked);
    EXPECT_TRUE(bar.EnableItem(57601, false));
    EXPECT_TRUE(file.At(0).flags & kMenuGrayed);
    EXPECT_TRUE(bar.SetItemText(17561, "Select Mode"));
    EXPECT_EQ(bar.At(1).text, "Select Mode");
    EXPECT_FALSE(bar.CheckItem(4242, true));
    file.Remove(1);
    EXPECT_EQ(file.Count(), 2);
    EXPECT_EQ(file.SubMenu(1), &recent);
}
