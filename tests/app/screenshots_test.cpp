// Pictures of the main window, with a document window, its tool bars and the component
// palette, and of the About box, written into png/ of the test's working folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include <unistd.h>

#include "app/about_box.h"
#include "app/main_frame.h"
#include "app/tool_buttons.h"
#include "app/settings_profile.h"
#include "app/tool_icons.h"
#include "libraries/component_library.h"
#include "libraries/shape.h"
#include "platform/automation.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/txt_edit.h"

using namespace ob7;

namespace {

std::string PngPath(const std::string& name) {
    std::filesystem::create_directories("png");
    return (std::filesystem::current_path() / "png" / name).string();
}

std::string IconFile() {
    const char* data = std::getenv("OB7_DATA_DIR");
    return data ? std::string(data) + "/toolbar.icons" : ToolIconPath();
}

// Pixels that differ from the first one: the picture is not blank.
int Distinct(const platform::Image& image) {
    int count = 0;
    platform::Color first = image.Pixel(0, 0);
    for (int y = 0; y < image.Height(); y += 3)
        for (int x = 0; x < image.Width(); x += 3) count += image.Pixel(x, y) != first;
    return count;
}

}  // namespace

TEST(Screenshots, IconsAreReadAndDrawnAtBothSizes) {
    std::vector<ToolIcon> icons = ReadToolIcons(IconFile());
    ASSERT_GE(icons.size(), 25u);
    for (int size : {16, 24}) {
        platform::Image strip = DrawIconStrip(icons, size, platform::Rgb(239, 239, 239));
        EXPECT_EQ(strip.Width(), size * static_cast<int>(icons.size()));
        // Every picture draws something inside its own cell.
        for (size_t i = 0; i < icons.size(); ++i) {
            int inked = 0;
            for (int y = 0; y < size; ++y)
                for (int x = 0; x < size; ++x)
                    inked += strip.Pixel(static_cast<int>(i) * size + x, y) != platform::Rgb(239, 239, 239);
            EXPECT_GT(inked, size) << icons[i].name << " at " << size;
        }
        EXPECT_TRUE(strip.SavePng(PngPath("icons_" + std::to_string(size) + ".png")));
    }
}

TEST(Screenshots, MainWindowToolBarsSavedAndRestoredAndAboutBox) {
    const int kFileBar = CMainFrame::kFrameToolBarFirst + kGroupFile;
    const int kComponentBar = CMainFrame::kFrameToolBarFirst + kGroupComponent;
    TestApp();
    CreateProgramPalette();
    CreateColourSlots();
    setenv("OB7_HOME", std::filesystem::path(IconFile()).parent_path().c_str(), 1);
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1280, 800}));
    TestApp().SetMainWindow(&frame);
    ASSERT_EQ(BuildFrameButtonList(), 0);
    SetToolBarDefaults();
    SetToolButtonDefaults(-1, FrameButtonList.entries.data(), FrameButtonList.count, 1, &ComponentButtons.partNames,
                          DefaultButtonMask(1280));
    // The shipped libraries, as at start-up: they bind the component buttons and fill
    // the palettes.
    IndexComponentButtons();
    FreeComponentLibraries();
    ASSERT_EQ(LoadShapeLibraries(), 0);
    ASSERT_EQ(LoadComponentLibraries(), 0);
    EXPECT_EQ(ResolvePaletteParts(), 12);
    ASSERT_TRUE(frame.CreateToolBars(24));
    frame.CreateStatusBar(true);
    frame.Show(true);

    // A document window: a netlist in the program's text editor.
    CMDIFrame child;
    struct TextView : CDraw {
        void OnDocumentChanged() override {}
        void OnSize(int w, int h) override {
            if (editor && editor->IsCreated()) editor->Move(platform::Rect{0, 0, w, h});
        }
        CTxtEdit* editor = nullptr;
    } view;
    CTxtEdit editor;
    view.editor = &editor;
    child.kind = kDrawText;
    child.draw = &view;
    view.drawType = kDrawText;
    view.frame = &child;
    ASSERT_TRUE(child.CreateChildFrame(frame, "txt", "amplifier.cir"));
    ASSERT_TRUE(view.CreateInFrame(&child));
    ASSERT_TRUE(editor.Create(&view, 1));
    editor.SetText("* Common-emitter amplifier\r\nV1 VCC 0 DC 12\r\nVIN IN 0 SIN(0 10m 1k)\r\n"
                   "C1 IN B 10u\r\nR1 VCC B 47k\r\nR2 B 0 10k\r\nRC VCC C 4.7k\r\nRE E 0 1k\r\n"
                   "Q1 C B E Q2N3904\r\n.MODEL Q2N3904 NPN(IS=6.7F BF=416 VAF=74)\r\n.TRAN 10u 5m\r\n.END\r\n");
    child.SetPlacement({platform::ShowState::Normal, platform::Rect{40, 30, 760, 520}});
    child.Activate();
    child.ShowAs(platform::ShowState::Normal);
    editor.Move(view.ClientRect());
    view.SetMode(kModeSelect);  // the mode pane follows
    frame.SetPromptText("Ready");
    frame.UpdateToolBars();
    frame.noSavedPaletteLayout = true;
    frame.PlacePalettesByDefault();
    platform::Application::PumpMessages();
    // The shipped components fill the "Analog", "Analog Models" and "Digital" palettes;
    // they float hidden until asked for: the picture shows the first and the third.
    for (int k = 0; k < 3; ++k) EXPECT_FALSE(frame.palettes[k].Parts().empty()) << k;
    EXPECT_TRUE(frame.palettes[3].Parts().empty());
    EXPECT_EQ(frame.palettes[0].Parts().front()->name, "Resistor");
    ComponentDef* const current = CurrentComponent;
    ASSERT_TRUE(frame.ExecuteCommand(17541));
    ASSERT_TRUE(frame.ExecuteCommand(17543));
    platform::Application::PumpMessages();
    EXPECT_TRUE(frame.palettes[0].IsVisible());
    EXPECT_TRUE(frame.palettes[2].IsVisible());
    // Showing a palette chooses nothing: the window stays in Select mode.
    EXPECT_EQ(CurrentComponent, current);
    EXPECT_EQ(frame.palettes[0].currentIndex, -1);
    // Docked beside the windows, so that the frame's picture holds them.
    frame.DockToolBar(frame.palettes[0].Id(), platform::DockSide::Left);
    frame.DockToolBar(frame.palettes[2].Id(), platform::DockSide::Right);
    platform::Application::PumpMessages();

    // The layout of the bars comes back after it was changed.
    std::vector<unsigned char> state = frame.SaveBarState();
    frame.DockToolBar(kComponentBar, platform::DockSide::Left);
    frame.ShowToolBar(kFileBar, false);
    EXPECT_EQ(frame.ToolBarSide(kComponentBar), platform::DockSide::Left);
    ASSERT_TRUE(frame.RestoreBarState(state));
    EXPECT_EQ(frame.ToolBarSide(kComponentBar), platform::DockSide::Top);
    EXPECT_TRUE(frame.IsToolBarVisible(kFileBar));
    // Buttons follow the update rules: Exit-like commands of this program are enabled,
    // commands of windows not open are greyed.
    EXPECT_TRUE(frame.GetToolButtonState(kFileBar, 11400).exists);
    EXPECT_FALSE(frame.GetToolButtonState(kFileBar, 57603).enabled);

    platform::Application::PumpMessages();
    platform::Image shot = frame.Grab();
    EXPECT_EQ(shot.Width(), 1280);
    EXPECT_GT(Distinct(shot), 1000);
    EXPECT_TRUE(shot.SavePng(PngPath("main_window.png")));

    platform::automation::QueueModalScript([](platform::Dialog& d) {
        platform::Application::PumpMessages();
        EXPECT_EQ(d.ItemText(101), "Ombrelic 7.2.4.0");
        platform::Image about = d.Grab();
        EXPECT_GT(Distinct(about), 50);
        EXPECT_TRUE(about.SavePng(PngPath("about_box.png")));
        return 1;
    });
    EXPECT_TRUE(frame.ExecuteCommand(17804));
    editor.Destroy();
    view.Destroy();
    child.Destroy();
    frame.Destroy();
}

// Broken icon lines (bad colours, missing numbers, points far off the grid, huge widths)
// are skipped; the good shapes of the same icon are still drawn.
TEST(Screenshots, MalformedIconLinesAreSkipped) {
    const auto path = std::filesystem::temp_directory_path() / ("ob7_icons_" + std::to_string(::getpid()));
    std::ofstream(path) << "icon 1 Broken\n"
                           "rect 2 2 #zzzzzz #ffffff\n"
                           "rect 2 2 22 22 #zzzzzz #ffffff\n"
                           "line #2b3a4a 900 1 1 20 20\n"
                           "poly #2b3a4a #ffffff 1 1 99999999 5 3 3\n"
                           "ellipse 1 1\n"
                           "line #2b3a4a 2 2 12 22 12\n";
    std::vector<ToolIcon> icons = ReadToolIcons(path.string());
    std::filesystem::remove(path);
    ASSERT_EQ(icons.size(), 1u);
    platform::Image strip = DrawIconStrip(icons, 24, platform::Rgb(255, 255, 255));
    EXPECT_NE(strip.Pixel(12, 12), platform::Rgb(255, 255, 255));  // the good line
    EXPECT_EQ(strip.Pixel(12, 4), platform::Rgb(255, 255, 255));   // nothing else
}
