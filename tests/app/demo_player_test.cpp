// Demo playback: a script plays its events in order with their delays, P pauses and
// Enter resumes, Esc releases a held button and runs the closing sequence, a missing
// label ends the demo at once, and the user's settings come back at the end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/demo_player.h"
#include "app/main_frame.h"
#include "app/preferences.h"
#include "app/settings_profile.h"
#include "circuit/report_capture.h"
#include "circuit/views/text_window.h"
#include "platform/automation.h"
#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/shell_state.h"

using namespace ob7;
namespace fs = std::filesystem;

namespace {

// Builds script bytes: an instruction code followed by its operands.
struct Script {
    DemoScript demo;
    Script& Label(int key) {
        demo.keys.push_back(key);
        demo.positions.push_back(static_cast<int32_t>(demo.script.size()));
        return *this;
    }
    Script& Op(int code) { return Byte(code); }
    Script& Byte(int b) {
        demo.script.push_back(static_cast<uint8_t>(b));
        return *this;
    }
    Script& Short(int v) { return Byte(v & 0xFF).Byte((v >> 8) & 0xFF); }
    Script& Text(const std::string& t) {
        for (char c : t) Byte(c);
        return Byte(0);
    }
};

struct Delivered {
    DemoEvent::Kind kind;
    int value;
    int at;  // milliseconds since the start
};

struct DemoFixture : ::testing::Test {
    fs::path folder = fs::temp_directory_path() / ("ob7_demo_" + std::to_string(::getpid()));
    std::vector<Delivered> events;
    int now = 0;
    void SetUp() override {
        TestApp();
        fs::create_directories(folder);
        ProfileFile.path = (folder / "ombr.dat").string();
        SetProfileDefaults(false);
        Demo().deliver = [this](const DemoEvent& e) { events.push_back({e.kind, e.value, now}); };
    }
    void TearDown() override {
        Demo().End(false);
        Demo().deliver = nullptr;
        fs::remove_all(folder);
    }
    std::string Write(const Script& s) {
        const std::string path = (folder / "demo.ob7").string();
        EXPECT_EQ(WriteDemoFile(path, s.demo), 0);
        return path;
    }
    // Runs the clock in 10 ms ticks until the demo ends or the time is up.
    void RunFor(int ms) {
        for (int t = 0; t < ms && Demo().Playing(); t += 10) {
            now += 10;
            Demo().Tick(10);
        }
    }
    std::vector<DemoEvent::Kind> Kinds() const {
        std::vector<DemoEvent::Kind> kinds;
        for (const Delivered& d : events)
            if (d.kind != DemoEvent::MouseMove) kinds.push_back(d.kind);
        return kinds;
    }
};

}  // namespace

TEST_F(DemoFixture, FileRoundTripAndLabels) {
    Script s;
    s.Op(100).Label(17820).Op(15).Short(1).Op(100);
    const std::string path = Write(s);
    DemoScript read;
    ASSERT_EQ(ReadDemoFile(path, read), 0);
    EXPECT_EQ(read.script, s.demo.script);
    EXPECT_EQ(read.Find(17820), 1);
    EXPECT_EQ(read.Find(17821), -1);
    // A label beyond the script is no label.
    read.positions[0] = 999;
    EXPECT_EQ(read.Find(17820), -1);
    // A file of another kind is refused.
    std::vector<uint8_t> junk(40, 'x');
    fs::path bad = folder / "bad.ob7";
    FILE* f = std::fopen(bad.c_str(), "wb");
    std::fwrite(junk.data(), 1, junk.size(), f);
    std::fclose(f);
    EXPECT_NE(ReadDemoFile(bad.string(), read), 0);
}

TEST_F(DemoFixture, PlaysInOrderWithItsDelaysThenEnds) {
    Script s;
    s.Op(100);  // the script's beginning is another demo
    s.Label(17820).Op(4).Short('A').Op(15).Short(2).Op(56).Short(17804).Op(100);
    ASSERT_TRUE(Demo().Start(17820, Write(s)));
    EXPECT_TRUE(Shell.demoPlaying);
    RunFor(10000);
    EXPECT_FALSE(Demo().Playing());
    EXPECT_FALSE(Shell.demoPlaying);
    // The key, the command, then the closing sequence's two Esc presses.
    ASSERT_EQ(Kinds(), (std::vector<DemoEvent::Kind>{DemoEvent::Key, DemoEvent::Command, DemoEvent::Key, DemoEvent::Key}));
    EXPECT_EQ(events.front().value, 'A');
    // Wait 2: two moves of 100 ms each before the command.
    int command = 0;
    for (const Delivered& d : events)
        if (d.kind == DemoEvent::Command) command = d.at;
    EXPECT_EQ(events.front().at, 10);
    EXPECT_EQ(command, 200);
}

TEST_F(DemoFixture, PauseResumeAndStopReleasingTheButton) {
    Script s;
    s.Label(17820).Op(29).Short(0).Op(15).Short(20).Op(30).Short(0).Op(100);
    ASSERT_TRUE(Demo().Start(17820, Write(s)));
    RunFor(10);  // the button goes down
    ASSERT_EQ(Kinds(), std::vector<DemoEvent::Kind>{DemoEvent::LeftDown});
    EXPECT_TRUE(Demo().OnKey('P'));
    EXPECT_TRUE(Demo().Paused());
    const size_t before = events.size();
    RunFor(5000);
    EXPECT_EQ(events.size(), before);  // nothing plays while paused
    EXPECT_TRUE(Demo().OnKey('P'));   // P again resumes
    EXPECT_FALSE(Demo().Paused());
    Demo().OnKey(19);                   // Pause pauses too
    EXPECT_TRUE(Demo().Paused());
    Demo().OnKey(13);                   // Enter resumes
    EXPECT_FALSE(Demo().Paused());
    RunFor(200);
    // Esc while the button is held: it is released first, then the demo closes.
    EXPECT_TRUE(Demo().OnKey(27));
    EXPECT_EQ(events.back().kind, DemoEvent::LeftUp);
    RunFor(10000);
    EXPECT_FALSE(Demo().Playing());
    std::vector<DemoEvent::Kind> kinds = Kinds();
    EXPECT_EQ(std::count(kinds.begin(), kinds.end(), DemoEvent::LeftUp), 1);
    EXPECT_EQ(kinds.back(), DemoEvent::Key);  // Esc of the closing sequence
}

TEST_F(DemoFixture, MissingLabelOrFileEndsAndSettingsComeBack) {
    Preferences.quitWarning = 0;
    Script s;
    s.Label(17820).Op(15).Short(100).Op(100);
    const std::string path = Write(s);
    EXPECT_FALSE(Demo().Start(17821, path));
    EXPECT_FALSE(Demo().Playing());
    EXPECT_FALSE(Shell.demoPlaying);
    EXPECT_EQ(Preferences.quitWarning, 0);
    {
        ReportCapture capture;
        EXPECT_FALSE(Demo().Start(17820, (folder / "none.ob7").string()));
        ASSERT_EQ(capture.reports.size(), 1u);  // the file's own message
        EXPECT_NE(capture.Last().text.find("none.ob7"), std::string::npos) << capture.Last().text;
    }
    EXPECT_EQ(Preferences.quitWarning, 0);
    // While a demo plays the settings are the defaults; the user's come back after it.
    ASSERT_TRUE(Demo().Start(17820, path));
    EXPECT_EQ(Preferences.quitWarning, 1);
    RunFor(20000);
    EXPECT_FALSE(Demo().Playing());
    EXPECT_EQ(Preferences.quitWarning, 0);
}

TEST_F(DemoFixture, CallsJumpsConditionsAndArguments) {
    Script s;
    s.Label(17820);
    s.Op(44).Short(1).Byte(1).Text("X");  // call label 1 with "X"
    s.Op(41).Byte(0x81).Short(2);          // condition 1 inverted: no jump
    s.Op(41).Byte(77).Short(2);            // 77: jump to label 2
    s.Op(4).Short('N');                     // skipped
    s.Label(2).Op(12).Byte(0).Text("cap").Text("text").Short(5).Short(5);  // false: skips x, y
    s.Op(4).Short('E').Op(100);
    s.Label(1).Op(4).Short('S').Op(45);
    ASSERT_TRUE(Demo().Start(17820, Write(s)));
    RunFor(10000);
    std::vector<int> keys;
    for (const Delivered& d : events)
        if (d.kind == DemoEvent::Key) keys.push_back(d.value);
    ASSERT_GE(keys.size(), 2u);
    EXPECT_EQ(keys[0], 'S');
    EXPECT_EQ(keys[1], 'E');
    for (const Delivered& d : events) EXPECT_NE(d.kind, DemoEvent::MessageBox);
}

// The user's documents are put aside while the demo plays and come back as they were:
// title, text, modified flag; the temporary copy is deleted.
TEST_F(DemoFixture, DocumentsPutAsideAndBroughtBack) {
    CreateProgramPalette();
    CreateColourSlots();
    CMainFrame frame;
    ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1024, 700}));
    TestApp().SetMainWindow(&frame);
    const fs::path deck = folder / "deck.ckt";
    std::ofstream(deck) << "* saved\n";
    int code = 0;
    CTxtFrame* window = OpenTextWindow(deck.string(), 0, code);
    ASSERT_NE(window, nullptr);
    window->view.textArea.SetText("* edited\r\n");
    window->view.SetModified(1);

    Script s;
    s.Label(17820).Op(15).Short(2).Op(100);
    ASSERT_TRUE(Demo().Start(17820, Write(s)));
    EXPECT_TRUE(frame.Children().empty());
    EXPECT_TRUE(fs::exists(folder / "deck.1"));
    RunFor(10000);
    ASSERT_FALSE(Demo().Playing());
    ASSERT_EQ(frame.Children().size(), 1u);
    auto* back = dynamic_cast<CTxtFrame*>(frame.Children().front());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->GetTitle(), deck.string());
    EXPECT_EQ(back->view.IsModified(), 1);
    EXPECT_NE(back->view.textArea.GetText().find("* edited"), std::string::npos);
    EXPECT_FALSE(fs::exists(folder / "deck.1"));
    std::ifstream in(deck);
    std::string first;
    std::getline(in, first);
    EXPECT_EQ(first, "* saved");  // the user's file itself is untouched
    back->view.SetModified(0);
    back->Destroy();
    frame.Destroy();
}

// Control instructions on the open sheet: a check box clicked only when its state differs,
// a page chosen by its template, a combo box item chosen by its text; a missing control
// ends the demo.
TEST_F(DemoFixture, ControlInstructionsOnTheOpenSheet) {
    Demo().deliver = nullptr;  // the events reach the sheet
    CPreferencesSheet sheet;
    Preferences = FramePreferences{};
    ProfileFile.fatalStartup = true;
    Script s;
    s.Label(17820);
    s.Op(11).Short(19701).Byte(1);  // Sound is on already: no click
    s.Op(11).Short(19721).Byte(0);  // Node Snap off: one click
    s.Op(55).Short(19732);          // the Warnings page
    s.Op(10).Short(19703);          // Quit on already
    s.Op(11).Short(19702).Byte(0);  // File off
    s.Op(10).Short(4242);           // no such control: the demo ends
    s.Op(11).Short(19701).Byte(0);  // never reached
    const std::string path = Write(s);
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        platform::Application::PumpMessages();
        EXPECT_TRUE(Demo().Start(17820, path));
        RunFor(20000);
        EXPECT_FALSE(Demo().Playing());
        EXPECT_EQ(sheet.common.IsButtonChecked(19701), 1);
        EXPECT_EQ(sheet.common.IsButtonChecked(19721), 0);
        EXPECT_EQ(sheet.ActiveIndex(), 5);
        EXPECT_EQ(sheet.warnings.IsButtonChecked(19702), 0);
        EXPECT_EQ(sheet.warnings.IsButtonChecked(19703), 1);
        return 2;
    });
    sheet.DoModal();
    ProfileFile.fatalStartup = false;
}

// A dialog with every kind of field the script fills, and a child dialog inside it.
struct FieldsDialog : CDialog2 {
    static platform::DialogTemplate Template() {
        using platform::ControlKind;
        return {7100, "Fields", {300, 200}, {
            {ControlKind::Edit, 100, "", {5, 5, 100, 17}},
            {ControlKind::Edit, 101, "", {5, 20, 100, 32}},
            {ControlKind::ComboDropDown, 102, "", {5, 35, 100, 90}},
            {ControlKind::MultiListBox, 103, "", {110, 5, 200, 60}},
            {ControlKind::ReportList, 104, "", {110, 65, 290, 120}},
            {ControlKind::CheckBox, 105, "A", {5, 95, 60, 105}},
            {ControlKind::CheckBox, 106, "B", {5, 110, 60, 120}},
        }};
    }
    FieldsDialog() : CDialog2(Template()), child({500, "", {80, 30}, {{platform::ControlKind::PushButton, 7, "Go", {5, 5, 60, 20}}}}) {
        child.OnCommand(7, [this](int) { ++childClicks; });
    }
    bool OnInitDialog() override {
        // The child first: the dialog initialised last is the open one.
        child.CreateAsChild(*this, MapDialogRect({5, 125, 100, 160}));
        CDialog2::OnInitDialog();
        SetItemText(100, "hello");
        SetItemText(101, "x");
        for (const char* item : {"Alpha", "Beta", "Gamma"}) AddString(102, item);
        SetItemText(102, "Beta");
        for (const char* item : {"one", "two", "three"}) AddString(103, item);
        InsertColumn(104, 0, "Name", 80);
        InsertRow(104, 0, "Row A");
        InsertRow(104, 1, "Row B");
        FocusItem(100);
        return true;
    }
    CDialog2 child;
    int childClicks = 0;
};

// The field instructions: 33 empties the focused field; 8 and 68 run their embedded
// instruction only when the field differs; 69/70 select and replace; 59 and 65 pick
// items by text; 62 clicks inside a child dialog; a missing field ends the demo.
TEST_F(DemoFixture, FieldInstructions) {
    Demo().deliver = nullptr;  // the events reach the dialog
    ProfileFile.fatalStartup = true;
    FieldsDialog dialog;
    Script s;
    s.Label(17821);
    s.Op(33);
    s.Op(8).Short(101).Op(10).Short(106).Text("x");      // holds "x": not clicked
    s.Op(8).Short(100).Op(10).Short(105).Text("hello");  // emptied: 105 clicked
    s.Op(68).Short(102).Op(52).Short(102).Text("Gamma").Text("Gamma");
    s.Op(69).Short(101).Short(0).Short(1);
    s.Op(70).Short(101).Text("zz");
    s.Op(59).Short(103).Text("two");
    s.Op(65).Short(104).Text("ROW B");
    s.Op(62).Short(500).Short(7);
    s.Op(42).Short(100);
    s.Op(8).Short(4242).Op(10).Short(106).Text("");  // no such field: the demo ends
    s.Op(10).Short(106);                              // never reached
    const std::string path = Write(s);
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        platform::Application::PumpMessages();
        EXPECT_TRUE(Demo().Start(17821, path));
        RunFor(30000);
        EXPECT_FALSE(Demo().Playing());
        EXPECT_EQ(dialog.ItemText(100), "");
        EXPECT_EQ(dialog.IsButtonChecked(105), 1);
        EXPECT_EQ(dialog.IsButtonChecked(106), 0);
        EXPECT_EQ(dialog.ItemText(102), "Gamma");
        EXPECT_EQ(dialog.ItemText(101), "zz");
        EXPECT_EQ(dialog.SelectedItems(103), std::vector<int>{1});
        EXPECT_EQ(dialog.CurSel(104), 1);
        EXPECT_EQ(dialog.childClicks, 1);
        return 2;
    });
    dialog.DoModal();
    ProfileFile.fatalStartup = false;
}

// Skipped embedded instructions of every operand layout keep the script in step.
TEST_F(DemoFixture, EmbeddedInstructionsAreSkippedWhole) {
    Demo().deliver = nullptr;
    ProfileFile.fatalStartup = true;
    FieldsDialog dialog;
    Script s;
    s.Label(17822);
    s.Op(8).Short(101).Op(12).Byte(1).Text("caption").Text("text").Short(1).Short(2).Text("x");
    s.Op(8).Short(101).Op(44).Short(9).Byte(1).Text("arg").Text("x");
    s.Op(8).Short(101).Op(8).Short(100).Op(4).Short(65).Text("q").Text("x");
    s.Op(10).Short(105);   // reached only when the skips kept in step
    s.Op(10).Short(4242);  // no such control: the demo ends
    const std::string path = Write(s);
    platform::automation::QueueModalScript([&](platform::Dialog& d) {
        platform::Application::PumpMessages();
        EXPECT_TRUE(Demo().Start(17822, path));
        RunFor(20000);
        EXPECT_FALSE(Demo().Playing());
        EXPECT_EQ(dialog.IsButtonChecked(105), 1);
        return 2;
    });
    dialog.DoModal();
    ProfileFile.fatalStartup = false;
}

// Embedded instructions nested without end stop the demo instead of the stack.
TEST_F(DemoFixture, DeepEmbeddingStopsTheDemo) {
    Script s;
    s.Label(17823);
    for (int i = 0; i < 100000; ++i) s.Op(8).Short(100);
    const std::string path = Write(s);
    ASSERT_TRUE(Demo().Start(17823, path));
    RunFor(20000);
    EXPECT_FALSE(Demo().Playing());
}
