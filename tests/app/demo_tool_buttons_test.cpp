// Demo instructions that press tool buttons and choose components: 27 presses the top
// window's own button (none when the window is already in that mode) or the first frame
// bar's; 47 sends a palette toggle to the menu; 17 chooses a component of the first
// library by its command; 46 presses the component's button when a component button
// places it, else acts as 17; a name that is not in the library ends the demo.
#include <gtest/gtest.h>

#include "frame_buttons_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "app/demo_player.h"
#include "app/main_frame.h"
#include "app/main_tool_bar.h"
#include "app/settings_profile.h"
#include "app/tool_buttons.h"
#include "libraries/component_library.h"
#include "platform/application.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

struct PlainView : CDraw {
    void OnDocumentChanged() override {}
};

class DemoToolButtons : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareFrameButtons(DefaultButtonMask(1280));
        fs::create_directories(folder);
        ProfileFile.path = (folder / "ombr.dat").string();
        SetDefaultToolBarButtons(DefaultButtonMask(1280));
        InstallToolBarTables();
        InstallDrawToolBars();
        FreeComponentLibraries();
        ComponentLibraryTable().emplace_back();
        for (const char* name : {"R", "Ground", "C", "AND2"}) ComponentLibraryTable()[0].Add()->name = name;
        ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1280, 800}));
        TestApp().SetMainWindow(&frame);
        frame.Show(true);
        ASSERT_TRUE(frame.CreateToolBars(16));
        child.kind = kDraw2DPlot;
        child.draw = &view;
        view.drawType = kDraw2DPlot;
        view.frame = &child;
        ASSERT_TRUE(child.CreateChildFrame(frame, "plot", "Plot"));
        ASSERT_TRUE(view.CreateInFrame(&child));
        platform::Application::PumpMessages();
        Demo().deliver = [this](const DemoEvent& e) {
            if (e.kind != DemoEvent::MouseMove) events.push_back(e);
        };
    }
    void TearDown() override {
        Demo().End(false);
        Demo().deliver = nullptr;
        view.Destroy();
        child.Destroy();
        TestApp().SetMainWindow(nullptr);
        frame.Destroy();
        SetDrawToolBarMaker(nullptr);
        FreeComponentLibraries();
        CurrentComponent = nullptr;
        fs::remove_all(folder);
    }
    // Plays the demo 17820 made of the given bytes, then the end instruction; each is
    // called after every tick.
    void Play(std::vector<uint8_t> bytes, const std::function<void()>& each = {}) {
        DemoScript demo;
        demo.keys.push_back(17820);
        demo.positions.push_back(0);
        demo.script = std::move(bytes);
        demo.script.push_back(100);
        const std::string path = (folder / "demo.ob7").string();
        ASSERT_EQ(WriteDemoFile(path, demo), 0);
        ASSERT_TRUE(Demo().Start(17820, path));
        for (int t = 0; t < 60000 && Demo().Playing(); t += 10) {
            Demo().Tick(10);
            if (each) each();
        }
    }
    static void Word(std::vector<uint8_t>& s, int code, int word) {
        s.insert(s.end(), {static_cast<uint8_t>(code), static_cast<uint8_t>(word & 0xFF),
                           static_cast<uint8_t>(word >> 8)});
    }
    static void Name(std::vector<uint8_t>& s, int code, const std::string& name) {
        s.push_back(static_cast<uint8_t>(code));
        s.insert(s.end(), name.begin(), name.end());
        s.push_back(0);
    }

    fs::path folder = fs::temp_directory_path() / ("ob7_demo_buttons_" + std::to_string(::getpid()));
    CMainFrame frame;
    CMDIFrame child;
    PlainView view;
    std::vector<DemoEvent> events;
};

}  // namespace

TEST_F(DemoToolButtons, ButtonsOfTheWindowAndTheFrame) {
    ASSERT_FALSE(view.mainToolBar->ButtonRect(17573).IsEmpty());  // SCALE on the plot's own bar
    const int fileBar = int{CMainFrame::kFrameToolBarFirst} + kGroupFile;
    ASSERT_FALSE(frame.ToolButtonRect(fileBar, 57601).IsEmpty());  // OPENFILE on the File bar
    view.currentMode = 17561;
    std::vector<uint8_t> s;
    Word(s, 27, 17561);  // already in Select mode: nothing
    Word(s, 27, 17573);
    Word(s, 27, 57601);
    Word(s, 27, 12345);  // no bar has it: nothing
    Word(s, 47, 17543);  // a palette toggle goes to the menu, not to the target window
    Play(s);
    ASSERT_GE(events.size(), 2u);
    EXPECT_EQ(events[0].kind, DemoEvent::ToolButton);
    EXPECT_EQ(events[0].value, 17573);
    EXPECT_EQ(events[0].window, view.mainToolBar.get());
    EXPECT_EQ(events[0].bar, 0);
    // The pointer stands on the button's centre when it is pressed.
    const platform::Rect scale = view.mainToolBar->ButtonRect(17573);
    EXPECT_EQ(events[0].point, (platform::Point{(scale.left + scale.right) / 2, (scale.top + scale.bottom) / 2}));
    EXPECT_EQ(events[1].kind, DemoEvent::ToolButton);
    EXPECT_EQ(events[1].value, 57601);
    EXPECT_EQ(events[1].window, &frame);
    EXPECT_EQ(events[1].bar, fileBar);
    ASSERT_GE(events.size(), 3u);
    EXPECT_EQ(events[2].kind, DemoEvent::Command);
    EXPECT_EQ(events[2].value, 17543);
    EXPECT_EQ(events[2].window, nullptr);
    // Then only the closing sequence's keys.
    for (size_t i = 3; i < events.size(); ++i) EXPECT_EQ(events[i].kind, DemoEvent::Key);
}

TEST_F(DemoToolButtons, ComponentsByMenuCommandOrTheirButton) {
    ComponentButtons.partNames[0] = "Ground";
    ASSERT_EQ(ResolvePaletteParts(), 1);
    const int button = FindComponentButton("Ground");
    ASSERT_GE(button, 14200);
    const int componentBar = int{CMainFrame::kFrameToolBarFirst} + kGroupComponent;
    ASSERT_FALSE(frame.ToolButtonRect(componentBar, button).IsEmpty());
    CurrentComponent = ComponentLibraryTable()[0].components[0].get();  // "R" is current
    std::vector<uint8_t> s;
    Name(s, 17, "r");       // current already: nothing
    Name(s, 17, "C");       // the third component: 32002
    Name(s, 46, "Ground");  // its button
    Name(s, 46, "AND2");    // no button: as 17
    Name(s, 17, "Missing");  // not in the library: the demo ends
    Name(s, 17, "C");
    Play(s);
    EXPECT_FALSE(Demo().Playing());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[0].kind, DemoEvent::Command);
    EXPECT_EQ(events[0].value, 32002);
    EXPECT_EQ(events[1].kind, DemoEvent::ToolButton);
    EXPECT_EQ(events[1].value, button);
    EXPECT_EQ(events[1].bar, componentBar);
    EXPECT_EQ(events[2].kind, DemoEvent::Command);
    EXPECT_EQ(events[2].value, 32003);
}

// Delivered for real, the press reaches the window as a click on its button does.
TEST_F(DemoToolButtons, ThePressReachesTheWindow) {
    view.currentMode = 17568;  // Line mode
    std::vector<uint8_t> s;
    Word(s, 27, 17561);  // Select from the plot's own bar
    bool selecting = false;
    view.mainToolBar->UpdateButtons();  // as the idle time does
    Demo().deliver = nullptr;
    Play(s, [&] {
        if (!selecting && view.currentMode == 17561) {
            selecting = true;
            EXPECT_FALSE(Demo().StopRequested());  // the press, not the closing Esc
        }
    });
    EXPECT_TRUE(selecting);
}
