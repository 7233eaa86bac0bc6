// A change of the system colours: the colour slots follow, and the main frame's bars and
// a drawing window's own bar draw their pictures again on the new button face.
#include <gtest/gtest.h>

#include "frame_buttons_fixture.h"

#include <cstdlib>

#include "app/main_frame.h"
#include "app/main_tool_bar.h"
#include "app/tool_buttons.h"
#include "libraries/component_library.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/desktop.h"
#include "platform/image.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;
using platform::desktop::SystemColor;

namespace {

struct PlainView : CDraw {
    void OnDocumentChanged() override {}
};

// How many pixels of the picture have the colour.
int CountOf(const platform::Image& image, platform::Color c) {
    int n = 0;
    for (int y = 0; y < image.Height(); ++y)
        for (int x = 0; x < image.Width(); ++x) n += image.Pixel(x, y) == c;
    return n;
}

class SystemColourChange : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareFrameButtons(0x30);
        FreeComponentLibraries();
        InstallToolBarTables();
        InstallDrawToolBars();
        oldFace = platform::desktop::GetSystemColor(SystemColor::ButtonFace);
        ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1280, 800}));
        TestApp().SetMainWindow(&frame);
        frame.Show(true);
        ASSERT_TRUE(frame.CreateToolBars(16));
        // A text window with its own bar.
        child.kind = kDrawText;
        child.draw = &view;
        view.drawType = kDrawText;
        view.frame = &child;
        ASSERT_TRUE(child.CreateChildFrame(frame, "txt", "window"));
        ASSERT_TRUE(view.CreateInFrame(&child));
        platform::Application::PumpMessages();
        ASSERT_TRUE(view.mainToolBar && view.mainToolBar->IsCreated());
    }
    void TearDown() override {
        platform::automation::SetSystemColor(SystemColor::ButtonFace, oldFace);
        view.Destroy();
        child.Destroy();
        TestApp().SetMainWindow(nullptr);
        frame.Destroy();
        SetDrawToolBarMaker(nullptr);
    }
    platform::Image FrameStrip(int group) { return frame.ToolBarStrip(CMainFrame::kFrameToolBarFirst + group); }
    platform::Image DrawBarPicture(int k) { return view.mainToolBar->Picture(k); }

    platform::Color oldFace{};
    CMainFrame frame;
    CMDIFrame child;
    PlainView view;
};

}  // namespace

TEST_F(SystemColourChange, BarsRedrawTheirPicturesOnTheNewButtonFace) {
    const platform::Color face = platform::Rgb(1, 130, 3);  // in no picture
    ASSERT_NE(oldFace, face);
    EXPECT_EQ(Slot(69).colour, oldFace);
    // Where each picture shows the face now.
    int before[kFrameToolBarCount];
    for (int group = 0; group < kFrameToolBarCount; ++group) {
        before[group] = CountOf(FrameStrip(group), oldFace);
        EXPECT_GT(before[group], 0) << group;
        EXPECT_EQ(CountOf(FrameStrip(group), face), 0) << group;
    }
    const int pictures = view.mainToolBar->PictureCount();
    ASSERT_GT(pictures, 0);
    std::vector<int> drawBefore;
    for (int k = 0; k < pictures; ++k) drawBefore.push_back(CountOf(DrawBarPicture(k), oldFace));

    platform::automation::SetSystemColor(SystemColor::ButtonFace, face);
    platform::Application::PumpMessages();

    // The slots of the button face follow the system.
    EXPECT_EQ(Slot(65).colour, face);
    EXPECT_EQ(Slot(69).colour, face);
    // Every frame bar, the Component bar among them: the same pixels, now in the new face.
    for (int group = 0; group < kFrameToolBarCount; ++group) {
        EXPECT_EQ(CountOf(FrameStrip(group), face), before[group]) << group;
        EXPECT_EQ(CountOf(FrameStrip(group), oldFace), 0) << group;
    }
    // The window's bar holds the same pictures, redrawn.
    ASSERT_EQ(view.mainToolBar->PictureCount(), pictures);
    for (int k = 0; k < pictures; ++k) {
        EXPECT_EQ(CountOf(DrawBarPicture(k), face), drawBefore[k]) << k;
        EXPECT_EQ(CountOf(DrawBarPicture(k), oldFace), 0) << k;
    }
    // Back to the old colours.
    platform::automation::SetSystemColor(SystemColor::ButtonFace, oldFace);
    platform::Application::PumpMessages();
    EXPECT_EQ(CountOf(FrameStrip(kGroupComponent), oldFace), before[kGroupComponent]);
    EXPECT_EQ(CountOf(DrawBarPicture(0), oldFace), drawBefore[0]);
}
