#include <gtest/gtest.h>

#include <cstdio>

#include "platform/application.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/draw_context.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "qt_app.h"

using namespace platform;

namespace {

// A drawing view: handles Print itself and paints a schematic-like picture.
struct View : Window {
    explicit View(std::string n) : name(std::move(n)) {
        OnCommand(57607, [this](int) { log.push_back(name + " print"); });
    }
    void OnPaint(DrawContext& dc) override {
        dc.SetPen(Pen::Solid(Rgb(0, 0, 128)));
        dc.SetBrush(Brush::Null());
        dc.Rectangle(Rect{20, 20, 120, 70});
        dc.MoveTo(Point{120, 45});
        dc.LineTo(Point{180, 45});
        dc.SetTextColor(Rgb(128, 0, 0));
        dc.TextOut(Point{30, 35}, name);
    }
    std::string name;
    std::vector<std::string> log;
};

struct Child : MdiChildFrame {
    std::vector<bool> activations;
    void OnActivate(bool active) override { activations.push_back(active); }
};

struct Main : FrameWindow {
    std::vector<int> selected;
    void OnMenuSelect(int id) override { selected.push_back(id); }
};

DialogTemplate Limits() {
    return DialogTemplate{509, "Analysis Limits", Size{160, 60}, {
        {ControlKind::Static, 100, "Time Range", Rect{5, 5, 60, 15}},
        {ControlKind::Edit, 101, "1u", Rect{65, 5, 150, 17}},
        {ControlKind::PushButton, 16067, "Run", Rect{5, 30, 60, 45}},
        {ControlKind::PushButton, 2, "Close", Rect{90, 30, 150, 45}},
    }};
}

}  // namespace

TEST(Frame, TwoChildrenModelessDialogRoutingAndPicture) {
    Application& app = TestApp();
    Main main;
    ASSERT_TRUE(main.CreateFrame("Ombrelic", Rect{0, 0, 640, 480}));
    app.SetMainWindow(&main);
    main.SetStatusPanes({-1, 120});
    main.SetPaneText(0, "Ready");
    main.SetPaneText(1, "Ln 1,Col 1");
    EXPECT_EQ(main.PaneText(1), "Ln 1,Col 1");
    main.Show(true);

    std::vector<std::string> log;
    bool running = false;
    app.OnCommand(57601, [&](int) { log.push_back("app open"); });
    main.OnCommand(16067, [&](int) { log.push_back("main run"); });
    main.OnUpdate(16067, [&](CommandUI& ui) {
        ui.Enable(!running);
        ui.SetText(running ? "Stop" : "&Run");
    });

    Child c1, c2;
    View v1("circuit1"), v2("circuit2");
    ASSERT_TRUE(c1.CreateChild(main, "circuit1.cir", Rect{0, 0, 300, 200}));
    ASSERT_TRUE(v1.Create(&c1, c1.ClientRect(), kVisible, 789));
    c1.SetView(&v1);
    ASSERT_TRUE(c2.CreateChild(main, "circuit2.cir", Rect{40, 40, 340, 240}));
    ASSERT_TRUE(v2.Create(&c2, c2.ClientRect(), kVisible, 789));
    c2.SetView(&v2);
    EXPECT_EQ(main.Children().size(), 2u);

    // Commands go to the active child's view first, then to the main frame, then to
    // the application.
    c1.Activate();
    EXPECT_EQ(main.ActiveChild(), &c1);
    app.DispatchCommand(57607);
    c2.Activate();
    EXPECT_TRUE(c2.IsActive());
    EXPECT_EQ(main.Children().front(), &c2);
    app.DispatchCommand(57607);
    app.DispatchCommand(16067);
    app.DispatchCommand(57601);
    EXPECT_EQ(v1.log, std::vector<std::string>{"circuit1 print"});
    EXPECT_EQ(v2.log, std::vector<std::string>{"circuit2 print"});
    EXPECT_EQ(log, (std::vector<std::string>{"main run", "app open"}));
    ASSERT_FALSE(c1.activations.empty());
    EXPECT_FALSE(c1.activations.back());
    EXPECT_TRUE(c2.activations.back());

    // Posted commands arrive through the loop; a disabled one is never dispatched.
    running = true;
    app.PostCommand(16067);
    Application::PumpMessages();
    EXPECT_EQ(log.size(), 2u);

    // Menu items follow the update handlers along the same chain.
    Menu bar;
    Menu& file = bar.AppendPopup("&File");
    file.Append(57601, "&Open...\tCtrl+O");
    file.Append(57607, "&Print...\tCtrl+P");
    file.Append(16067, "&Run");
    file.Append(57609, "Print Pre&view");
    main.SetMenu(&bar);
    main.UpdateMenuItems(file);
    EXPECT_FALSE(file.At(0).flags & kMenuGrayed);
    EXPECT_FALSE(file.At(1).flags & kMenuGrayed);
    EXPECT_TRUE(file.At(2).flags & kMenuGrayed);
    EXPECT_EQ(file.At(2).text, "Stop");
    EXPECT_TRUE(file.At(3).flags & kMenuGrayed);
    running = false;

    // Placement: maximised keeps the normal rectangle, restoring brings it back.
    Placement normal = c1.GetPlacement();
    c1.ShowAs(ShowState::Maximized);
    EXPECT_EQ(c1.State(), ShowState::Maximized);
    Placement saved = c1.GetPlacement();
    EXPECT_EQ(saved.show, ShowState::Maximized);
    EXPECT_EQ(saved.normal, normal.normal);
    c1.SetPlacement(Placement{ShowState::Normal, Rect{10, 10, 210, 160}});
    EXPECT_EQ(c1.State(), ShowState::Normal);
    EXPECT_EQ(c1.WindowRect(), (Rect{10, 10, 210, 160}));
    EXPECT_EQ(v1.ClientRect(), c1.ClientRect());  // the view follows its frame

    main.Tile(false);  // side by side
    Rect a = c1.WindowRect(), b = c2.WindowRect();
    EXPECT_EQ(a.top, b.top);
    EXPECT_NE(a.left, b.left);
    EXPECT_EQ(a.Width() + b.Width(), main.MdiClientRect().Width());
    main.Cascade();

    // A modeless dialog driven by injected input sends its Run click as a command.
    Dialog limits(Limits());
    std::string range;
    limits.OnCommand(16067, [&](int) {
        range = limits.ItemText(101);
        app.DispatchCommand(16067);
    });
    ASSERT_TRUE(limits.CreateModeless(&main));
    automation::SendKeyToItem(limits, 101, key::kBack);
    automation::SendKeyToItem(limits, 101, key::kBack);
    automation::SendTextToItem(limits, 101, "10m");
    automation::ClickItem(limits, 16067);
    EXPECT_EQ(range, "10m");
    EXPECT_EQ(log.back(), "main run");

    // The picture a person can look at: frame, children and the dialog beside them.
    Image frame = main.Grab();
    Image dialog = limits.Grab();
    ASSERT_FALSE(frame.IsNull());
    ASSERT_FALSE(dialog.IsNull());
    EXPECT_EQ(v2.Grab().Pixel(20, 30), Rgb(0, 0, 128));
    Image sheet(frame.Width() + dialog.Width() + 10, std::max(frame.Height(), dialog.Height()), Rgb(200, 200, 200));
    {
        DrawContext dc(sheet);
        dc.BitBlt(Point{0, 0}, frame, Rect{0, 0, frame.Width(), frame.Height()});
        dc.BitBlt(Point{frame.Width() + 10, 0}, dialog, Rect{0, 0, dialog.Width(), dialog.Height()});
    }
    ASSERT_TRUE(sheet.SavePng("platform_frame.png"));
    std::printf("picture of a main frame with children and a dialog: platform_frame.png\n");

    limits.Destroy();
    c1.Destroy();
    EXPECT_FALSE(v1.IsCreated());  // the view went with its frame
    EXPECT_EQ(main.Children().size(), 1u);
    app.SetMainWindow(nullptr);
}

// A frame object that goes with a child open: its widgets are deleted later by the event
// loop, and the MDI area then announces the closing child, which must not reach the
// frame object any more (the memory checkers of the test build see it if it does).
TEST(Frame, WidgetsDeletedAfterTheFrameObjectLeaveItAlone) {
    Application& app = TestApp();
    Child c;
    {
        Main main;
        ASSERT_TRUE(main.CreateFrame("Ombrelic", Rect{0, 0, 400, 300}));
        app.SetMainWindow(&main);
        main.Show(true);
        ASSERT_TRUE(c.CreateChild(main, "circuit1.cir", Rect{0, 0, 300, 200}));
        Application::PumpMessages();
        app.SetMainWindow(nullptr);
    }
    EXPECT_FALSE(c.IsCreated());  // the child went with its frame
    c.activations.clear();
    // The deletes wait for an event loop: a modal dialog's runs them.
    Dialog next(Limits());
    automation::QueueModalScript([](Dialog&) { return 2; });
    EXPECT_EQ(next.DoModal(), 2);
    EXPECT_TRUE(c.activations.empty());
}

namespace {

struct BarFrame : FrameWindow {
    Menu arrows;
    Menu* ToolDropDownMenu(int, int command) override { return command == 17584 ? &arrows : nullptr; }
};

}  // namespace

TEST(Frame, ToolBarsFollowUpdateHandlersAndKeepTheirLayout) {
    Application& app = TestApp();
    BarFrame main;
    ASSERT_TRUE(main.CreateFrame("Ombrelic", Rect{0, 0, 500, 300}));
    app.SetMainWindow(&main);
    main.Show(true);

    // A strip of three 16x15 pictures.
    Image strip(48, 15, Rgb(192, 192, 192));
    int mode = 17561;
    std::vector<int> ran;
    app.OnCommandRange(17561, 17584, [&](int id) { ran.push_back(id); mode = id; });
    app.OnUpdateRange(17561, 17570, [&](CommandUI& ui) { ui.SetCheck(mode == ui.Id()); });
    app.OnUpdate(17570, [](CommandUI& ui) { ui.Enable(false); });
    ASSERT_TRUE(main.AddToolBar(59392, "Tools", strip, Size{16, 15},
                                {{17561, 0, kToolCheck, "Select"}, {17563, 1, kToolCheck, "Text"}, {0, 0, 0, ""},
                                 {17570, 2, 0, "Rectangle"}, {17584, 2, kToolDropDown, "Graphics"}},
                                DockSide::Top));
    main.UpdateToolBars();
    EXPECT_TRUE(main.GetToolButtonState(59392, 17561).checked);
    EXPECT_FALSE(main.GetToolButtonState(59392, 17563).checked);
    EXPECT_FALSE(main.GetToolButtonState(59392, 17570).enabled);
    EXPECT_FALSE(main.GetToolButtonState(59392, 0).exists);

    EXPECT_TRUE(main.PressToolButton(59392, 17563));
    EXPECT_FALSE(main.PressToolButton(59392, 17570));  // disabled: not dispatched
    main.UpdateToolBars();
    EXPECT_FALSE(main.GetToolButtonState(59392, 17561).checked);
    EXPECT_TRUE(main.GetToolButtonState(59392, 17563).checked);
    EXPECT_EQ(ran, std::vector<int>{17563});

    // Layout: docked left, saved, moved, restored.
    main.DockToolBar(59392, DockSide::Left);
    EXPECT_EQ(main.ToolBarSide(59392), DockSide::Left);
    std::vector<unsigned char> state = main.SaveBarState();
    main.DockToolBar(59392, DockSide::Bottom);
    main.ShowToolBar(59392, false);
    EXPECT_FALSE(main.IsToolBarVisible(59392));
    ASSERT_TRUE(main.RestoreBarState(state));
    Application::PumpMessages();
    EXPECT_EQ(main.ToolBarSide(59392), DockSide::Left);
    EXPECT_TRUE(main.IsToolBarVisible(59392));

    // The frame takes dropped files, as the program's main window does.
    struct Dropping : FrameWindow {
        std::vector<std::string> got;
        void OnDropFiles(const std::vector<std::string>& paths) override { got = paths; }
    } dropping;
    ASSERT_TRUE(dropping.CreateFrame("drops", Rect{0, 0, 200, 100}));
    dropping.AcceptFiles(true);
    automation::DropFiles(dropping, {"/tmp/x.cir"});
    EXPECT_EQ(dropping.got, std::vector<std::string>{"/tmp/x.cir"});

    // The frame's own placement survives maximising.
    main.SetPlacement(Placement{ShowState::Normal, Rect{20, 30, 420, 330}});
    main.ShowAs(ShowState::Maximized);
    Placement kept = main.GetPlacement();
    EXPECT_EQ(kept.show, ShowState::Maximized);
    EXPECT_EQ(kept.normal.Width(), 400);
    main.SetPlacement(Placement{ShowState::Normal, kept.normal});
    EXPECT_EQ(main.State(), ShowState::Normal);

    main.SetStatusPanes({-1, 100});
    main.SetPaneProgress(1, 40);
    main.SetPaneProgress(1, -1);
    app.SetMainWindow(nullptr);
}
