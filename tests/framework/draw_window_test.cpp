#include <gtest/gtest.h>
#include <unistd.h>

#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/clipboard.h"
#include "platform/command.h"
#include "platform/input.h"
#include "platform/picture.h"
#include <cstdio>
#include "foundation/message_codes.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/draw_window.h"

using namespace ob7;
using platform::CommandUI;

namespace {

// A schematic-like view: a few objects with selected bits, arranged by a log.
struct ObjectView : CDraw {
    ObjectView() {
        drawType = kDrawSchematic;
        toolButtons = {kModeSelect, kModeComponent, kModeLine, kModeEllipse, kModeGraphics};
    }
    std::vector<bool> selected = std::vector<bool>(4, false);
    std::vector<int> arranged;
    int documentChanges = 0;
    void OnDocumentChanged() override { ++documentChanges; }
    int CountSelected(int) override { return static_cast<int>(std::count(selected.begin(), selected.end(), true)); }
    int SetSelection(int, int select) override {
        std::fill(selected.begin(), selected.end(), select != 0);
        return 1;
    }
    void ArrangeSelected(int where) override { arranged.push_back(where); }
    int ObjectCount() override { return static_cast<int>(selected.size()); }
};

CommandUI Update(CDraw& view, int id) {
    CommandUI ui(id);
    view.RouteUpdate(ui);
    return ui;
}

struct ShellReset : ::testing::Test {
    void TearDown() override {
        Shell = ShellState{};
        platform::automation::ClearAnswers();
    }
};

}  // namespace

TEST_F(ShellReset, MdiChildrenActivateCascadeAndCloseWithTheSaveQuestion) {
    platform::FrameWindow& main = MainFrame();
    TextFrame a, b, c;
    ASSERT_TRUE(a.Open(main, "/tmp/a.ckt", "R1 1 0 1k\r\n"));
    ASSERT_TRUE(b.Open(main, "/tmp/b.ckt", "R2 1 0 2k\r\n"));
    ASSERT_TRUE(c.Open(main, "/tmp/c.ckt", "R3 1 0 3k\r\n"));

    b.Activate();
    EXPECT_EQ(main.ActiveChild(), &b);
    EXPECT_EQ(b.State(), platform::ShowState::Maximized);
    EXPECT_EQ(GetTopFrame(), &b);
    EXPECT_EQ(GetTopDraw(), &b.view);
    a.BringToFront();
    EXPECT_EQ(main.ActiveChild(), &a);
    main.Cascade();
    EXPECT_EQ(a.State(), platform::ShowState::Normal);
    b.Activate();  // maximised on top of the others
    EXPECT_TRUE(a.view.IsCoveredByMaximizedFrame());
    EXPECT_FALSE(b.view.IsCoveredByMaximizedFrame());
    a.BringToFront();
    a.FillMDIClient();
    platform::Rect client = main.MdiClientRect();
    EXPECT_EQ(a.WindowRect().Width(), client.Width());

    // Commands reach the active view first: Save goes to a's view.
    a.view.SetModified(1);
    EXPECT_TRUE(main.ExecuteCommand(kCmdSave));
    EXPECT_EQ(a.view.saved, "/tmp/a.ckt");
    EXPECT_EQ(a.view.modified, 0);

    // The quit over all documents: two modified ones get the five-button question once.
    b.view.SetModified(1);
    c.view.SetModified(1);
    platform::automation::QueueMessageBoxAnswer(kButtonYesToAll);
    int answer = -1;
    size_t before = platform::automation::MessageBoxTexts().size();
    for (TextFrame* f : {&a, &b, &c}) EXPECT_EQ(f->view.QueryCloseAll(answer, 2), 0);
    ASSERT_EQ(platform::automation::MessageBoxTexts().size(), before + 1);
    EXPECT_EQ(platform::automation::MessageBoxTexts().back().rfind("Save changes in 'b.ckt'?", 0), 0u);
    EXPECT_EQ(b.view.saved, "/tmp/b.ckt");
    EXPECT_EQ(c.view.saved, "/tmp/c.ckt");  // saved without a question

    // Cancel on the close of a modified window keeps it; No closes it.
    c.view.SetModified(1);
    platform::automation::QueueMessageBoxAnswer(kButtonCancel);
    c.Close();
    EXPECT_TRUE(c.IsCreated());
    platform::automation::QueueMessageBoxAnswer(kButtonNo);
    c.Close();
    EXPECT_FALSE(c.IsCreated());
    EXPECT_EQ(platform::automation::PendingAnswers(), 0);
}

TEST_F(ShellReset, QuitStopsOnCancelAndNoToAllSavesNothing) {
    platform::FrameWindow& main = MainFrame();
    TextFrame a, b;
    ASSERT_TRUE(a.Open(main, "/tmp/q1.ckt"));
    ASSERT_TRUE(b.Open(main, "/tmp/q2.ckt"));
    a.view.SetModified(1);
    b.view.SetModified(1);
    int answer = -1;
    platform::automation::QueueMessageBoxAnswer(kButtonCancel);
    EXPECT_EQ(a.view.QueryCloseAll(answer, 2), 1);
    EXPECT_EQ(a.view.modified, 1);

    answer = -1;
    platform::automation::QueueMessageBoxAnswer(kButtonNoToAll);
    EXPECT_EQ(a.view.QueryCloseAll(answer, 2), 0);
    EXPECT_EQ(b.view.QueryCloseAll(answer, 2), 0);
    EXPECT_TRUE(a.view.saved.empty());
    EXPECT_TRUE(b.view.saved.empty());

    // During a demo a modified window closes as if No had been answered; with the
    // File Warning off nothing is asked and nothing saved, Yes to All included.
    a.view.SetModified(1);
    Shell.demoPlaying = true;
    EXPECT_EQ(a.view.QuerySaveChanges(false), kButtonNo);
    Shell.demoPlaying = false;
    Shell.fileWarning = false;
    EXPECT_EQ(a.view.QuerySaveChanges(false), -1);
    answer = kButtonYesToAll;
    EXPECT_EQ(a.view.QueryCloseAll(answer, 2), 0);
    EXPECT_TRUE(a.view.saved.empty());
    EXPECT_EQ(platform::automation::PendingAnswers(), 0);
}

TEST_F(ShellReset, ModesEscapeAndToggleLastMode) {
    platform::FrameWindow& main = MainFrame();
    CMDIFrame frame;
    ObjectView view;
    frame.kind = view.drawType;
    frame.draw = &view;
    view.frame = &frame;
    ASSERT_TRUE(frame.CreateChildFrame(main, "cir", "circuit1.cir"));
    ASSERT_TRUE(view.CreateInFrame(&frame));

    // In Select mode the toggle stays in Select while there is no previous mode.
    view.SetMode(kModeSelect);
    view.ExecuteCommand(kCmdToggleLastMode);
    EXPECT_EQ(view.currentMode, kModeSelect);

    EXPECT_TRUE(view.ExecuteCommand(kModeLine));
    EXPECT_EQ(view.currentMode, kModeLine);
    platform::automation::SendKey(view, platform::key::kEscape);
    EXPECT_EQ(view.currentMode, kModeSelect);
    view.ExecuteCommand(kCmdToggleLastMode);
    EXPECT_EQ(view.currentMode, kModeLine);
    view.ExecuteCommand(kCmdToggleLastMode);
    EXPECT_EQ(view.currentMode, kModeSelect);

    // Mode commands follow the tool bar; the Graphics item is checked for drawing tools.
    EXPECT_TRUE(Update(view, kModeComponent).Enabled());
    EXPECT_FALSE(Update(view, kModeText).Enabled());
    view.SetMode(kModeEllipse);
    EXPECT_EQ(Update(view, kModeGraphics).Checked(), 1);
    EXPECT_EQ(Update(view, kModeEllipse).Checked(), 1);
    // While an analysis runs on a schematic only Select and Component help stay.
    Shell.analysisKind = 0;
    EXPECT_TRUE(Update(view, kModeSelect).Enabled());
    EXPECT_TRUE(Update(view, kModeComponentHelp).Enabled());
    EXPECT_FALSE(Update(view, kModeComponent).Enabled());
    EXPECT_FALSE(Update(view, kModeInfo).Enabled());
    Shell.dynamicDC = true;
    EXPECT_TRUE(Update(view, kModeComponent).Enabled());
    EXPECT_FALSE(Update(view, kModeInfo).Enabled());
    Shell.analysisKind = -1;
    Shell.digitalPathDialogOpen = true;
    EXPECT_FALSE(Update(view, kModeSelect).Enabled());
    Shell.digitalPathDialogOpen = false;

    // The Graphics pop-up lists the drawing tools of the tool bar; the choice sets the mode.
    view.SetMode(kModeSelect);
    platform::automation::QueuePopupMenuAnswer(kModeEllipse);
    EXPECT_TRUE(view.ExecuteCommand(kModeGraphics));
    EXPECT_EQ(view.currentMode, kModeEllipse);
    view.toolButtons = {kModeSelect};
    EXPECT_EQ(view.ShowGraphicsMenu(), 0);  // without the Graphics button no menu at all
    frame.Destroy();
}

TEST_F(ShellReset, OneUndoLevelLabelsAndArrangeOfASingleObject) {
    platform::FrameWindow& main = MainFrame();
    CMDIFrame frame;
    ObjectView view;
    frame.draw = &view;
    view.frame = &frame;
    ASSERT_TRUE(frame.CreateChildFrame(main, "cir", "circuit2.cir"));
    ASSERT_TRUE(view.CreateInFrame(&frame));

    EXPECT_EQ(Update(view, kCmdUndo).Text(), "Can't Undo\tCtrl+Z");
    EXPECT_FALSE(Update(view, kCmdUndo).Enabled());

    // Bring to Front with two selected objects is enabled but does nothing.
    view.selected = {true, true, false, false};
    EXPECT_TRUE(Update(view, kCmdToFront).Enabled());
    EXPECT_TRUE(view.ExecuteCommand(kCmdToFront));
    EXPECT_TRUE(view.arranged.empty());
    view.selected = {false, true, false, false};
    view.ExecuteCommand(kCmdToFront);
    view.ExecuteCommand(kCmdToBack);
    EXPECT_EQ(view.arranged, (std::vector<int>{2, 1}));
    EXPECT_EQ(view.documentChanges, 2);

    // A second edit replaces the first: only the last label can be undone.
    ASSERT_EQ(view.UndoList().size(), 1u);
    EXPECT_EQ(Update(view, kCmdUndo).Text(), "&Undo To Back\tCtrl+Z");
    EXPECT_EQ(Update(view, kCmdRedo).Text(), "Can't Redo\tCtrl+Y");

    // Undo exchanges the saved selection box; Redo applies the same entry again.
    view.selectionBox = platform::Rect{10, 10, 50, 40};
    view.BeginEditUndo("Resize");
    view.selectionBox = platform::Rect{20, 20, 80, 60};
    EXPECT_TRUE(view.ExecuteCommand(kCmdUndo));
    EXPECT_EQ(view.selectionBox, (platform::Rect{10, 10, 50, 40}));
    EXPECT_EQ(Update(view, kCmdRedo).Text(), "&Redo Resize\tCtrl+Y");
    EXPECT_FALSE(Update(view, kCmdUndo).Enabled());
    EXPECT_TRUE(view.ExecuteCommand(kCmdRedo));
    EXPECT_EQ(view.selectionBox, (platform::Rect{20, 20, 80, 60}));

    // The active circuit's window while an analysis runs: "Can't Undo", entries or not.
    Shell.activeCircuitView = &view;
    Shell.analysisKind = 1;
    EXPECT_EQ(Update(view, kCmdUndo).Text(), "Can't Undo\tCtrl+Z");
    EXPECT_FALSE(view.ExecuteCommand(kCmdUndo));

    // An undo lock opens no entry.
    Shell = ShellState{};
    view.ClearUndoList();
    ++view.undoLock;
    EXPECT_EQ(view.BeginEditUndo("Locked"), nullptr);
    --view.undoLock;
    EXPECT_TRUE(view.UndoList().empty());
    frame.Destroy();
}

TEST_F(ShellReset, OwnToolBarFromTheTypesDefaultListEnablesItsModes) {
    ObjectView view;
    view.toolButtons.clear();
    EXPECT_FALSE(view.InitMainToolBar());  // no lists installed
    SetToolBarTableSource([](int type, std::vector<int>& commands, bool& top) {
        if (type != kDrawSchematic) return false;
        commands = {kModeSelect, 0, kModeComponent, kModeText};
        top = false;
        return true;
    });
    EXPECT_TRUE(view.InitMainToolBar());
    EXPECT_FALSE(view.toolBarTop);
    EXPECT_TRUE(Update(view, kModeText).Enabled());
    EXPECT_FALSE(Update(view, kModeLine).Enabled());  // not a button of this bar
    view.drawType = kDraw2DPlot;
    EXPECT_FALSE(view.InitMainToolBar());
    EXPECT_EQ(view.toolButtons.size(), 4u);
    SetToolBarTableSource(nullptr);
}

TEST_F(ShellReset, TextCanBeCopiedButNotCutFromTheActiveCircuitDuringAnAnalysis) {
    platform::FrameWindow& main = MainFrame();
    TextFrame f;
    ASSERT_TRUE(f.Open(main, "/tmp/edit.ckt", "V1 1 0 DC 5\r\nR1 1 0 1k\r\n"));
    f.view.editor.SetSel(0, 2);
    platform::clipboard::SetText("x");
    for (int id : {kCmdCut, kCmdCopy, kCmdPaste, kCmdClear}) EXPECT_TRUE(Update(f.view, id).Enabled()) << id;
    EXPECT_TRUE(Update(f.view, kCmdSelectAll).Enabled());
    Shell.activeCircuitView = &f.view;
    Shell.analysisKind = 0;
    EXPECT_TRUE(Update(f.view, kCmdCopy).Enabled());
    for (int id : {kCmdCut, kCmdPaste, kCmdClear}) EXPECT_FALSE(Update(f.view, id).Enabled()) << id;
    f.view.editor.SetSel(3, 3);
    EXPECT_FALSE(Update(f.view, kCmdCopy).Enabled());
    f.Destroy();
}

TEST(DrawWindow, ColourRulesAndBounds) {
    CreateProgramPalette();
    CreateColourSlots();
    struct View : CDraw {
        void OnDocumentChanged() override {}
    } view;
    view.backgroundColour = 7;
    CDrawContext display, printer;
    display.technology = platform::DeviceKind::Display;
    printer.technology = platform::DeviceKind::Printer;
    printer.monochrome = 1;
    EXPECT_EQ(view.GetBackgroundColor(display), 7);
    EXPECT_EQ(view.GetBackgroundColor(printer), 15);
    int colour = 9;
    EXPECT_EQ(view.MapOutputColor(display, colour), 0);
    EXPECT_EQ(colour, 9);
    EXPECT_EQ(view.MapOutputColor(printer, colour), 1);
    EXPECT_EQ(colour, 0);
    colour = kNoColor;
    EXPECT_EQ(view.MapOutputColor(printer, colour), 1);
    EXPECT_EQ(colour, kNoColor);

    platform::Rect r{10, 10, 20, 20};
    ExtendBounds(r, platform::Rect{5, 15, 30, 12});
    EXPECT_EQ(r, (platform::Rect{5, 10, 30, 20}));

    // The selection flags word: 3 paints every object with the frame, 23 none as selected.
    view.SetSelectionFlags(3);
    EXPECT_EQ(view.filterMask, 0);
    EXPECT_EQ(view.selectionFrameShown, 1);
    view.SetSelectionFlags(23);
    EXPECT_EQ(view.ignoreObjectFlags, 1);
    EXPECT_EQ(view.selectionFrameShown, 0);
    view.SetSelectionFlags(1);
    EXPECT_EQ(view.filterMask, 1);
    EXPECT_EQ(view.filterValue, 1);
    EXPECT_EQ(view.SetSelectionFlags(0x20), 0);
    EXPECT_EQ(view.SetSelectionFlags(0x20), 1);
}

TEST_F(ShellReset, WholeWindowPicturesOnTheClipboardAndInFiles) {
    platform::FrameWindow& main = MainFrame();
    struct Painted : ObjectView {
        void OnPaint(platform::DrawContext& dc) override {
            dc.SetPen(platform::Pen::Solid(platform::Rgb(0, 0, 128)));
            dc.SetBrush(platform::Brush::Null());
            dc.Rectangle(platform::Rect{20, 20, 120, 70});
        }
    };
    CMDIFrame frame;
    Painted view;
    frame.draw = &view;
    view.frame = &frame;
    ASSERT_TRUE(frame.CreateChildFrame(main, "cir", "pic.cir"));
    ASSERT_TRUE(view.CreateInFrame(&frame));
    frame.Activate();
    platform::clipboard::Clear();
    EXPECT_TRUE(view.ExecuteCommand(kCmdCopyPicture));
    ASSERT_TRUE(platform::clipboard::HasPicture());
    platform::Picture copied = platform::clipboard::GetPicture();
    EXPECT_FALSE(copied.IsEmpty());
    std::string path = "/tmp/ob7_window_" + std::to_string(::getpid()) + ".pic";
    platform::automation::QueueFileDialogAnswer({path});
    EXPECT_TRUE(view.ExecuteCommand(kCmdSavePicture));
    platform::Picture loaded;
    ASSERT_TRUE(loaded.Load(path));
    EXPECT_EQ(loaded.Bounds(), copied.Bounds());
    std::remove(path.c_str());
    view.drawType = kDrawText;  // text windows copy their text, not pictures
    EXPECT_FALSE(Update(view, kCmdCopyPicture).Enabled());
    frame.Destroy();
}

TEST_F(ShellReset, EndOfSessionClosesFramesAndStopsAtAKeptDocument) {
    platform::FrameWindow& main = MainFrame();
    TextFrame a, b, c;
    ASSERT_TRUE(a.Open(main, "/tmp/s1.ckt"));
    ASSERT_TRUE(b.Open(main, "/tmp/s2.ckt"));
    ASSERT_TRUE(c.Open(main, "/tmp/s3.ckt"));
    b.view.SetModified(1);
    platform::automation::QueueMessageBoxAnswer(kButtonCancel);  // keep b open
    EXPECT_FALSE(QueryEndSessionAllFrames());
    EXPECT_FALSE(a.IsCreated());
    EXPECT_TRUE(b.IsCreated());
    EXPECT_TRUE(c.IsCreated());  // the session end stopped at b
    platform::automation::QueueMessageBoxAnswer(kButtonNo);
    EXPECT_TRUE(QueryEndSessionAllFrames());
    EXPECT_FALSE(b.IsCreated());
    EXPECT_FALSE(c.IsCreated());
}
