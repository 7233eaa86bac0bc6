#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include "platform/accelerator.h"
#include "platform/automation.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/system_services.h"
#include "platform/window.h"
#include "qt_app.h"

using namespace platform;

namespace {

// A window that records what it receives.
struct Recorder : Window {
    std::vector<MouseEvent> mice;
    std::vector<int> keys;
    std::u32string chars;
    std::vector<int> timers;
    std::vector<int> commands;
    int paints = 0;

    void OnMouse(const MouseEvent& e) override { mice.push_back(e); }
    void OnKeyDown(const KeyEvent& e) override { keys.push_back(e.key); }
    void OnChar(char32_t ch) override { chars.push_back(ch); }
    void OnTimer(int id) override { timers.push_back(id); }
    void OnPaint(DrawContext& dc) override {
        ++paints;
        dc.SetPen(Pen::Null());
        dc.SetBrush(Brush::Solid(Rgb(0, 0, 255)));
        dc.Rectangle(Rect{10, 10, 30, 20});
    }
};

}  // namespace

TEST(Window, IsPlainUntilCreated) {
    Recorder w;  // no application needed
    EXPECT_FALSE(w.IsCreated());
    EXPECT_FALSE(w.SetTimer(1, 10));
    EXPECT_EQ(w.GetDC(), nullptr);
    EXPECT_TRUE(w.ClientRect().IsEmpty());
    w.SetText("hidden");
    EXPECT_EQ(w.Text(), "hidden");
    int ran = 0;
    w.OnCommand(17561, [&](int) { ++ran; });
    EXPECT_TRUE(w.ExecuteCommand(17561));
    EXPECT_EQ(ran, 1);
}

TEST(Window, ReceivesInjectedMouseKeysAndAcceleratedCommands) {
    TestApp();
    Recorder w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 200, 100}));
    automation::SendMouse(w, MouseAction::LeftDown, Point{12, 34}, kLeftButton | kMouseShift);
    automation::SendMouse(w, MouseAction::Move, Point{20, 40}, kLeftButton);
    automation::SendMouse(w, MouseAction::LeftUp, Point{20, 40});
    automation::SendMouse(w, MouseAction::Wheel, Point{5, 5}, 0, -120);
    ASSERT_EQ(w.mice.size(), 4u);
    EXPECT_EQ(w.mice[0].action, MouseAction::LeftDown);
    EXPECT_EQ(w.mice[0].point, (Point{12, 34}));
    EXPECT_EQ(w.mice[0].flags, kLeftButton | kMouseShift);
    EXPECT_EQ(w.mice[1].flags, kLeftButton);
    EXPECT_EQ(w.mice[2].action, MouseAction::LeftUp);
    EXPECT_EQ(w.mice[2].flags, 0);
    EXPECT_EQ(w.mice[3].wheelDelta, -120);

    automation::SendKey(w, 'A');
    automation::SendKey(w, key::kEscape);
    automation::SendText(w, "x1");
    EXPECT_EQ(w.keys, (std::vector<int>{'A', 27, 'X', '1'}));
    EXPECT_EQ(w.chars, U"a\x1bx1");

    // An accelerator turns Ctrl+P into command 57607 before the window sees the key.
    AcceleratorTable table(514, {{'P', kCtrlDown, 57607}});
    w.SetAccelerators(&table);
    w.OnCommand(57607, [&](int id) { w.commands.push_back(id); });
    w.keys.clear();
    automation::SendKey(w, 'P', kCtrlDown);
    automation::SendKey(w, 'P');
    EXPECT_EQ(w.commands, std::vector<int>{57607});
    EXPECT_EQ(w.keys, std::vector<int>{'P'});
    w.Destroy();
    EXPECT_FALSE(w.IsCreated());
}

TEST(Window, PollKeyTakesQueuedKeysOneAtATimeWithoutDispatching) {
    TestApp();
    Recorder w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 50, 50}));
    EXPECT_EQ(Services().PollKey(), 0);
    automation::PostKey(w, 'P');
    automation::PostKey(w, key::kEscape);
    EXPECT_EQ(Services().PollKey(), 'P');
    EXPECT_EQ(Services().PollKey(), key::kEscape);
    EXPECT_EQ(Services().PollKey(), 0);
    EXPECT_TRUE(w.keys.empty());
    // Outside a poll, queued keys reach the window through the pump.
    automation::PostKey(w, key::kPause);
    Application::PumpMessages();
    EXPECT_EQ(w.keys, std::vector<int>{key::kPause});
}

TEST(Window, TimerFiresUntilKilled) {
    TestApp();
    Recorder w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 50, 50}));
    ASSERT_TRUE(w.SetTimer(5678, 5));
    EXPECT_TRUE(Application::PumpUntil([&] { return w.timers.size() >= 2; }, 3000));
    EXPECT_EQ(w.timers.front(), 5678);
    w.KillTimer(5678);
    size_t seen = w.timers.size();
    Application::PumpUntil([] { return false; }, 50);
    EXPECT_EQ(w.timers.size(), seen);
}

TEST(Window, PaintAndOutsidePaintDrawingShowInThePicture) {
    TestApp();
    Recorder w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 60, 40}));
    Image shot = w.Grab();
    ASSERT_EQ(shot.Width(), 60);
    EXPECT_EQ(shot.Pixel(15, 15), Rgb(0, 0, 255));
    EXPECT_EQ(shot.Pixel(30, 15), Rgb(255, 255, 255));  // right edge excluded
    EXPECT_EQ(shot.Pixel(5, 5), Rgb(255, 255, 255));

    // A cross-hair drawn with XOR outside paint, then drawn again, leaves the picture.
    Image before = w.Grab();
    for (int pass = 0; pass < 2; ++pass) {
        auto dc = w.GetDC();
        ASSERT_NE(dc, nullptr);
        dc->SetRasterOp(RasterOp::Xor);
        dc->SetPen(Pen::Solid(Rgb(255, 255, 255)));
        dc->MoveTo(Point{0, 15});
        dc->LineTo(Point{60, 15});
        dc->MoveTo(Point{20, 0});
        dc->LineTo(Point{20, 40});
        if (pass == 0) {
            EXPECT_EQ(dc->GetPixel(Point{15, 15}), Rgb(255, 255, 0));  // blue XOR white
            EXPECT_EQ(dc->GetPixel(Point{5, 15}), Rgb(0, 0, 0));
            EXPECT_EQ(dc->GetPixel(Point{20, 15}), Rgb(0, 0, 255));  // crossing: XORed twice
        }
    }
    EXPECT_TRUE(w.Grab() == before);
    int paints = w.paints;
    w.Invalidate();
    w.Update();
    EXPECT_EQ(w.paints, paints + 1);
}

TEST(Window, OwnScrollBarsKeepRangesAbove32767) {
    TestApp();
    struct Scroller : Window {
        std::vector<std::pair<ScrollCode, int>> got;
        void OnScroll(ScrollBarKind bar, ScrollCode code, int pos) override {
            if (bar == ScrollBarKind::Vertical) got.push_back({code, pos});
        }
    } w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 200, 150}, kVisible | kVScroll | kHScroll));
    EXPECT_LT(w.ClientRect().Width(), 200);  // the bars are outside the client area
    w.SetScrollRange(ScrollBarKind::Vertical, 0, 100000, 1000);
    w.SetScrollPos(ScrollBarKind::Vertical, 70000);
    EXPECT_EQ(w.ScrollPos(ScrollBarKind::Vertical), 70000);
    w.SetScrollPos(ScrollBarKind::Vertical, 100000);
    EXPECT_EQ(w.ScrollPos(ScrollBarKind::Vertical), 99001);  // the last page starts there
    automation::SendScroll(w, ScrollBarKind::Vertical, ScrollCode::PageUp);
    automation::SendScroll(w, ScrollBarKind::Vertical, ScrollCode::Top);
    ASSERT_EQ(w.got.size(), 2u);
    EXPECT_EQ(w.got[0], (std::pair<ScrollCode, int>{ScrollCode::PageUp, 98001}));
    EXPECT_EQ(w.got[1], (std::pair<ScrollCode, int>{ScrollCode::Top, 0}));
}

TEST(Application, IdleRunsAfterInputUntilItHasNoMoreWork) {
    TestApplication& app = TestApp();
    std::vector<int> counts;
    app.idle = [&](int count) {
        counts.push_back(count);
        return count < 2;
    };
    bool posted = false;
    app.Post([&] { posted = true; });
    EXPECT_TRUE(Application::PumpUntil([&] { return posted && counts.size() >= 3; }, 2000));
    EXPECT_EQ(counts, (std::vector<int>{0, 1, 2}));
    app.idle = nullptr;
}

TEST(Window, FocusCaptureAndDroppedFiles) {
    TestApp();
    struct Target : Recorder {
        int gained = 0, lost = 0;
        std::vector<std::string> dropped;
        void OnSetFocus() override { ++gained; }
        void OnKillFocus() override { ++lost; }
        void OnDropFiles(const std::vector<std::string>& paths) override { dropped = paths; }
    };
    Window top;
    ASSERT_TRUE(top.Create(nullptr, Rect{0, 0, 300, 200}));
    Target a, b;
    ASSERT_TRUE(a.Create(&top, Rect{0, 0, 100, 100}));
    ASSERT_TRUE(b.Create(&top, Rect{100, 0, 200, 100}));
    a.SetFocus();
    EXPECT_TRUE(a.HasFocus());
    b.SetFocus();
    EXPECT_EQ(Window::FocusWindow(), &b);
    EXPECT_EQ(a.lost, 1);
    EXPECT_EQ(b.gained, 1);

    a.SetCapture();
    EXPECT_EQ(Window::CaptureWindow(), &a);
    Window::ReleaseCapture();
    EXPECT_EQ(Window::CaptureWindow(), nullptr);

    b.AcceptFiles(true);
    automation::DropFiles(b, {"/tmp/a.cir", "/tmp/b.lbr"});
    EXPECT_EQ(b.dropped, (std::vector<std::string>{"/tmp/a.cir", "/tmp/b.lbr"}));
    a.dropped.clear();
    automation::DropFiles(a, {"/tmp/c.cir"});  // not accepting files
    EXPECT_TRUE(a.dropped.empty());

    top.Destroy();
    EXPECT_FALSE(a.IsCreated());
    EXPECT_FALSE(b.IsCreated());
}

TEST(Application, SecondStartIsRefusedAndReported) {
    TestApplication& app = TestApp();
    std::string name = "ob7-platform-test-" + std::to_string(getpid());
    ASSERT_TRUE(Application::AcquireSingleInstance(name));
    EXPECT_TRUE(Application::AcquireSingleInstance(name));  // this process holds it
    pid_t child = fork();
    // A second start hands its message over through the local socket.
    if (child == 0) _exit(Application::AcquireSingleInstance(name, "/home/x\nA.CIR B.CIR") ? 1 : 0);
    int status = -1;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_TRUE(Application::PumpUntil([&] { return app.secondStarts == 1; }, 2000));
    EXPECT_EQ(app.handedOver, "/home/x\nA.CIR B.CIR");
    const char* dir = std::getenv("XDG_RUNTIME_DIR");
    std::string base = std::string(dir && *dir ? dir : "/tmp") + "/" + name;
    unlink((base + ".lock").c_str());  // the test application outlives the test
    unlink((base + ".sock").c_str());
}

TEST(Application, RunEndsWithQuitAndDispatchesPostedCommands) {
    TestApplication& app = TestApp();
    std::vector<int> seen;
    app.OnCommand(1022, [&](int id) {
        seen.push_back(id);
        app.Quit(3);
    });
    {
        Window closing;  // closing a window does not end the loop
        ASSERT_TRUE(closing.Create(nullptr, Rect{0, 0, 20, 20}));
        closing.Close();
    }
    app.PostCommand(1022);
    EXPECT_EQ(app.Run(), 3);
    EXPECT_EQ(seen, std::vector<int>{1022});
}

TEST(Window, PartialRepaintAndScrolledPicture) {
    TestApp();
    struct Painter : Window {
        std::vector<Rect> boxes;
        void OnPaint(DrawContext& dc) override { boxes.push_back(dc.ClipBox()); }
    } w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 100, 80}));
    w.Update();
    ASSERT_EQ(w.boxes.size(), 1u);
    EXPECT_EQ(w.boxes[0], (Rect{0, 0, 100, 80}));

    {
        auto dc = w.GetDC();
        dc->FillRect(Rect{10, 10, 14, 14}, Brush::Solid(Rgb(255, 0, 0)));
        dc->FillRect(Rect{60, 60, 64, 64}, Brush::Solid(Rgb(0, 0, 255)));
    }
    w.Invalidate(Rect{50, 50, 90, 70});
    w.Update();
    ASSERT_EQ(w.boxes.size(), 2u);
    EXPECT_EQ(w.boxes[1], (Rect{50, 50, 90, 70}));
    Image shot = w.Grab();
    EXPECT_EQ(shot.Pixel(11, 11), Rgb(255, 0, 0));      // outside the marked part: kept
    EXPECT_EQ(shot.Pixel(61, 61), Rgb(255, 255, 255));  // inside: erased and repainted

    // Scrolling down by 20 moves the picture and repaints the uncovered top strip.
    w.ScrollClient(0, 20);
    w.Update();
    ASSERT_EQ(w.boxes.size(), 3u);
    EXPECT_EQ(w.boxes[2], (Rect{0, 0, 100, 20}));
    shot = w.Grab();
    EXPECT_EQ(shot.Pixel(11, 31), Rgb(255, 0, 0));
    EXPECT_EQ(shot.Pixel(11, 11), Rgb(255, 255, 255));
}

TEST(Window, DrawingOutsidePaintWorksWhilePainting) {
    TestApp();
    struct Nested : Window {
        void OnPaint(DrawContext& dc) override {
            dc.FillRect(Rect{0, 0, 10, 10}, Brush::Solid(Rgb(0, 255, 0)));
            auto other = GetDC();  // a helper that draws through its own context
            other->SetViewportOrg(Point{20, 0});
            other->FillRect(Rect{0, 0, 10, 10}, Brush::Solid(Rgb(255, 0, 0)));
            other.reset();
            dc.FillRect(Rect{40, 0, 50, 10}, Brush::Solid(Rgb(0, 0, 255)));  // mapping unchanged
        }
    } w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 60, 20}));
    Image shot = w.Grab();
    EXPECT_EQ(shot.Pixel(5, 5), Rgb(0, 255, 0));
    EXPECT_EQ(shot.Pixel(25, 5), Rgb(255, 0, 0));
    EXPECT_EQ(shot.Pixel(45, 5), Rgb(0, 0, 255));
}
