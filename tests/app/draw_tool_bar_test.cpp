// The drawing windows' own tool bars: their buttons from the window type's list, where
// they lie in the frame, wrapping, moving to the other side, the buttons' states and
// what the status bar and tool tips say.
#include <gtest/gtest.h>

#include "frame_buttons_fixture.h"

#include <cstdlib>
#include <filesystem>

#include "app/main_frame.h"
#include "app/main_tool_bar.h"
#include "app/tool_buttons.h"
#include "platform/application.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/shell_state.h"

using namespace ob7;

namespace {

struct PlainView : CDraw {
    void OnDocumentChanged() override {}
};

class DrawToolBarTest : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareDrawToolBars();
        ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1280, 800}));
        TestApp().SetMainWindow(&frame);
        frame.CreateStatusBar(true);
        frame.Show(true);
    }
    void TearDown() override {
        view.Destroy();
        child.Destroy();
        TestApp().SetMainWindow(nullptr);
        frame.Destroy();
        SetDrawToolBarMaker(nullptr);
    }
    // A window of the type in a normal frame of the given size.
    void Open(int type, platform::Rect rect) {
        child.kind = type;
        child.draw = &view;
        view.drawType = type;
        view.frame = &child;
        ASSERT_TRUE(child.CreateChildFrame(frame, "txt", "window"));
        child.SetPlacement({platform::ShowState::Normal, rect});
        ASSERT_TRUE(view.CreateInFrame(&child));
        platform::Application::PumpMessages();
        ASSERT_TRUE(view.mainToolBar && view.mainToolBar->IsCreated());
    }
    CMainToolBar& Bar() { return static_cast<CMainToolBar&>(*view.mainToolBar); }
    // The shown buttons by key, "|" for a shown separator.
    std::vector<std::string> Shown() {
        std::vector<std::string> keys;
        for (const platform::ToolButton& b : Bar().Buttons()) {
            if (b.style & platform::kToolHidden) continue;
            keys.push_back(b.command ? ToolButtonTable[FindToolButtonRow(b.command)].Name : "|");
        }
        return keys;
    }

    CMainFrame frame;
    CMDIFrame child;
    PlainView view;
};

}  // namespace

TEST_F(DrawToolBarTest, TextWindowBarAlongTheTopWrapsAndMovesLeftOnDoubleClick) {
    Open(kDrawText, {20, 20, 700, 500});
    // "REPEAT" is not shown by default; its separator stays because "FIND" is.
    EXPECT_EQ(Shown(), (std::vector<std::string>{"SELECT", "INFO", "HELP", "|", "PROPERTY", "|", "FIND", "|",
                                                 "MODEL", "LIB2LBR", "|", "ZOOMIN", "ZOOMOUT", "|", "COLOR",
                                                 "FONT"}));
    const platform::Rect client = child.ClientRect();
    const platform::Rect bar = Bar().WindowRect();
    const int row = Bar().ButtonSize().cy;
    EXPECT_EQ(bar.top, 0);
    EXPECT_EQ(bar.Width(), client.Width());
    EXPECT_EQ(bar.Height(), row + 2 * platform::ChildToolBar::kBorder);  // one row at this width
    EXPECT_EQ(view.WindowRect().top, bar.bottom);
    EXPECT_EQ(view.WindowRect().bottom, client.bottom);

    // A narrow window wraps the buttons into more rows.
    child.SetPlacement({platform::ShowState::Normal, {20, 20, 160, 500}});
    platform::Application::PumpMessages();
    EXPECT_GE(Bar().WindowRect().Height(), 3 * row);
    EXPECT_EQ(view.WindowRect().top, Bar().WindowRect().bottom);

    // A double click outside the buttons puts the bar on the left; a column or more,
    // no higher than the window.
    child.SetPlacement({platform::ShowState::Normal, {20, 20, 700, 500}});
    platform::Application::PumpMessages();
    const platform::Rect last = Bar().ButtonRect(17452);  // FONT
    ASSERT_FALSE(last.IsEmpty());
    Bar().OnMouse({platform::MouseAction::LeftDouble, {last.right + 20, last.top + 2}, 0});
    platform::Application::PumpMessages();
    EXPECT_EQ(Bar().top, 0);
    EXPECT_EQ(Bar().WindowRect().left, 0);
    EXPECT_EQ(view.WindowRect().left, Bar().WindowRect().right);
    EXPECT_LE(Bar().WindowRect().Width(), 2 * Bar().ButtonSize().cx + 2 * platform::ChildToolBar::kBorder + 10);
    // Only this window's bar moved: the type's default stays at the top.
    EXPECT_EQ(*GetMainToolBarTable(kDrawText, nullptr, nullptr), 1);
    // A double click on a button does not move the bar.
    const platform::Rect select = Bar().ButtonRect(17561);
    Bar().OnMouse({platform::MouseAction::LeftDouble, {select.left + 2, select.top + 2}, 0});
    EXPECT_EQ(Bar().top, 0);
}

TEST_F(DrawToolBarTest, ButtonsFollowTheViewAndCommandsReachIt) {
    Open(kDrawText, {20, 20, 700, 500});
    view.SetMode(kModeSelect);
    UpdateDrawToolBars();
    EXPECT_TRUE(Bar().ButtonState(kModeSelect).enabled);
    EXPECT_TRUE(Bar().ButtonState(kModeSelect).checked);
    EXPECT_FALSE(Bar().ButtonState(kModeInfo).checked);
    EXPECT_TRUE(Bar().ButtonRect(17217).IsEmpty());  // REPEAT is hidden
    // Pressing a mode button changes the window's mode.
    EXPECT_TRUE(Bar().PressButton(kModeInfo));
    EXPECT_EQ(view.currentMode, kModeInfo);
    UpdateDrawToolBars();
    EXPECT_TRUE(Bar().ButtonState(kModeInfo).checked);
    // A disabled button cannot be pressed.
    Bar().EnableButton(kModeSelect, false);
    EXPECT_FALSE(Bar().PressButton(kModeSelect));
    Bar().TouchButtons();
    EXPECT_FALSE(Bar().ButtonState(kModeSelect).enabled);

    // Outside every button the status bar names the bar.
    Bar().SetText("Text");
    Bar().ShowCursorStatus({Bar().WindowRect().Width() - 3, 3});
    EXPECT_EQ(frame.GetPromptText(), "Tool bar:Text");
    // The MDI client lies below the frame's menu and above this window's client area.
    EXPECT_GT(GetMDIClientTop(frame), 0);
    EXPECT_LT(GetMDIClientTop(child), 0);
}

TEST_F(DrawToolBarTest, SeparatorsOnlyBetweenShownButtonsAndNoBarWithoutButtons) {
    Open(kDrawModelLibrary, {20, 20, 700, 500});
    // The model library's bar lies on the left by default.
    EXPECT_EQ(Bar().top, 0);
    EXPECT_EQ(view.WindowRect().left, Bar().WindowRect().right);

    // A list for an owner that is not a drawing window: pictures of other commands.
    const int commands[] = {12311, 0, 12312, 0, 12314, 0, 12354};
    const int pictures[] = {12311, 0, 57632, 0, 12314, 0, 12354};
    ASSERT_TRUE(Bar().SetButtonList(commands, pictures, 7));
    EXPECT_EQ(Bar().List()[2].Row, FindToolButtonRow(57632));
    EXPECT_EQ(Bar().List()[2].Group, kGroupEdit);
    EXPECT_EQ(Bar().List()[1].Row, -1);
    // Shown buttons separated by a hidden one: one separator, none at the end.
    Bar().List()[2].Visible = 0;
    Bar().List()[6].Visible = 0;
    ASSERT_TRUE(Bar().LoadButtons(&child));
    EXPECT_EQ(Shown(), (std::vector<std::string>{"ADDCOMP", "|", "MERGE"}));

    // Without a shown button the bar goes and the view takes the whole frame.
    for (ToolButtonEntry& e : Bar().List()) e.Visible = 0;
    ASSERT_TRUE(Bar().LoadButtons(&child));
    EXPECT_FALSE(Bar().IsCreated());
    EXPECT_EQ(view.WindowRect(), child.ClientRect());
    // An empty list cannot be loaded; in a batch run nothing is made.
    CMainToolBar empty;
    EXPECT_FALSE(empty.LoadButtons(&child));
    CMainToolBar batch;
    ASSERT_TRUE(batch.SetButtonList(commands, nullptr, 7));
    Shell.batchMode = 1;
    EXPECT_TRUE(batch.LoadButtons(&child));
    Shell.batchMode = 0;
    EXPECT_FALSE(batch.IsCreated());
}

TEST_F(DrawToolBarTest, ToolTipsOfButtonsAndPalettes) {
    SetToolBarDefaults();
    EXPECT_EQ(ToolTipText(14200), "Ground");
    EXPECT_EQ(ToolTipText(14219), "");
    EXPECT_EQ(ToolTipText(9), "");  // its text has no second line
    EXPECT_EQ(PaletteToolTip(2, "Digital"), "Digital (Ctrl+3)");
    EXPECT_EQ(PaletteToolTip(8, std::string(100, 'x')).size(), 79u);
}

TEST_F(DrawToolBarTest, PictureOfADrawingWindowWithItsBar) {
    Open(kDrawText, {30, 30, 760, 480});
    child.Activate();
    UpdateDrawToolBars();
    platform::Application::PumpMessages();
    std::filesystem::create_directories("png");
    platform::Image shot = child.Grab();
    EXPECT_GT(shot.Width(), 600);
    // The bar's buttons are drawn: pixels of its row differ from its face colour.
    const platform::Rect bar = Bar().WindowRect();
    int inked = 0;
    for (int x = 0; x < 200; ++x)
        for (int y = bar.top + 3; y < bar.bottom - 3; ++y) inked += shot.Pixel(x, y) != shot.Pixel(bar.right - 2, bar.top + 2);
    EXPECT_GT(inked, 50);
    EXPECT_TRUE(shot.SavePng("png/drawing_window_tool_bar.png"));
    Bar().OnMouse({platform::MouseAction::LeftDouble, {Bar().WindowRect().Width() - 3, 3}, 0});
    platform::Application::PumpMessages();
    EXPECT_TRUE(child.Grab().SavePng("png/drawing_window_tool_bar_left.png"));
}
