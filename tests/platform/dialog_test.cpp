#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/draw_context.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "platform/property_sheet.h"
#include "qt_app.h"

using namespace platform;

namespace {

enum : int {
    kName = 17131, kNotes = 17132, kApply = 17133, kSound = 17134, kAnalog = 17135, kDigital = 17136,
    kFrame = 17137, kFormat = 17138, kUnit = 17139, kModels = 17140, kPins = 17141, kColours = 17142,
    kParams = 17143, kTree = 17144, kTabs = 17145, kSteps = 17146, kProgress = 17147, kScroll = 17148,
    kLabel = 17149
};

DialogTemplate EveryKind() {
    return DialogTemplate{4242, "Properties", Size{300, 260}, {
        {ControlKind::Static, kLabel, "&Name:", Rect{5, 5, 40, 15}},
        {ControlKind::Edit, kName, "", Rect{45, 5, 150, 17}},
        {ControlKind::MultiLineEdit, kNotes, "", Rect{155, 5, 295, 40}},
        {ControlKind::PushButton, kApply, "Apply", Rect{5, 22, 50, 36}},
        {ControlKind::CheckBox, kSound, "Sound", Rect{55, 22, 110, 34}},
        {ControlKind::GroupBox, kFrame, "Kind", Rect{5, 40, 120, 70}},
        {ControlKind::RadioButton, kAnalog, "Analog", Rect{10, 50, 60, 62}, kCtlGroup},
        {ControlKind::RadioButton, kDigital, "Digital", Rect{62, 50, 115, 62}},
        {ControlKind::ComboList, kFormat, "", Rect{125, 45, 200, 100}},
        {ControlKind::ComboDropDown, kUnit, "", Rect{205, 45, 295, 100}, kCtlSorted},
        {ControlKind::ListBox, kModels, "", Rect{5, 75, 95, 130}, kCtlSorted},
        {ControlKind::MultiListBox, kPins, "", Rect{100, 75, 190, 130}},
        {ControlKind::OwnerDrawListBox, kColours, "", Rect{195, 75, 295, 130}},
        {ControlKind::ReportList, kParams, "", Rect{5, 135, 150, 200}},
        {ControlKind::TreeView, kTree, "", Rect{155, 135, 295, 200}},
        {ControlKind::TabControl, kTabs, "", Rect{5, 205, 150, 220}},
        {ControlKind::UpDown, kSteps, "", Rect{155, 205, 200, 220}},
        {ControlKind::ProgressBar, kProgress, "", Rect{205, 205, 295, 220}},
        {ControlKind::ScrollBar, kScroll, "", Rect{5, 225, 150, 235}},
        {ControlKind::DefPushButton, 1, "OK", Rect{180, 240, 230, 255}},
        {ControlKind::PushButton, 2, "Cancel", Rect{240, 240, 290, 255}},
    }};
}

struct Values {
    std::string name, notes, format, unit, model, tree, cell;
    int sound = -1, digital = -1, steps = -1, progress = -1, scroll = -1, tab = -1;
    std::vector<int> pins;
};

class PropertiesDialog : public Dialog {
public:
    PropertiesDialog() : Dialog(EveryKind()) {
        OnCommand(kApply, [this](int) { ++applied; });
    }

    bool OnInitDialog() override {
        SetItemText(kName, "R1");
        SetEditLimit(kName, 8);
        CheckRadioButton(kAnalog, kDigital, kAnalog);
        for (const char* f : {"Engineering", "Scientific", "Fixed"}) AddString(kFormat, f);
        SetCurSel(kFormat, 0);
        for (const char* u : {"ohm", "V", "A"}) AddString(kUnit, u);
        for (const char* m : {"2N2222", "1N4148", "BC547"}) SetItemData(kModels, AddString(kModels, m), 70 + ItemCount(kModels));
        for (const char* p : {"A", "B", "C", "D"}) AddString(kPins, p);
        for (const char* c : {"red", "green"}) AddString(kColours, c);
        InsertColumn(kParams, 0, "Name", 60);
        InsertColumn(kParams, 1, "Value", 60);
        SetCellText(kParams, InsertRow(kParams, -1, "BF"), 1, "100");
        SetCellText(kParams, InsertRow(kParams, -1, "IS"), 1, "1e-14");
        int root = InsertTreeItem(kTree, 0, "Analog");
        InsertTreeItem(kTree, InsertTreeItem(kTree, root, "Transistors"), "NPN");
        AddString(kTabs, "General");
        AddString(kTabs, "Font");
        SetRange(kSteps, 0, 100000);
        SetPos(kSteps, 40000);
        SetRange(kProgress, 0, 10);
        SetRange(kScroll, 0, 70000);  // ranges above 32767
        notes.clear();
        return true;
    }

    void OnOK() override {
        v.name = ItemText(kName);
        v.notes = ItemText(kNotes);
        v.sound = IsButtonChecked(kSound);
        v.digital = IsButtonChecked(kDigital);
        v.format = ItemString(kFormat, CurSel(kFormat));
        v.unit = ItemText(kUnit);
        v.model = CurSel(kModels) >= 0 ? ItemString(kModels, CurSel(kModels)) : "";
        v.pins = SelectedItems(kPins);
        v.cell = CellText(kParams, 0, 1);
        v.tree = TreeItemText(kTree, SelectedTreeItem(kTree));
        v.steps = Pos(kSteps);
        v.progress = Pos(kProgress);
        v.scroll = Pos(kScroll);
        v.tab = CurSel(kTabs);
        Dialog::OnOK();
    }

    void OnControlNotify(int id, Notify code) override {
        if (code == Notify::Changed || code == Notify::SelChange || code == Notify::Clicked || code == Notify::ItemEdited)
            notes.push_back({id, code});
    }

    void OnDrawItem(DrawContext& dc, const DrawItemInfo& item) override {
        ++drawn;
        dc.FillRect(item.rect, Brush::Solid(item.item == 0 ? Rgb(255, 0, 0) : Rgb(0, 255, 0)));
    }

    Values v;
    int applied = 0;
    int drawn = 0;
    std::vector<std::pair<int, Notify>> notes;
};

bool Noted(const PropertiesDialog& d, int id, Notify code) {
    for (const auto& n : d.notes)
        if (n.first == id && n.second == code) return true;
    return false;
}

}  // namespace

TEST(Dialog, EveryControlKindFilledEditedByKeysAndReadBackById) {
    TestApp();
    PropertiesDialog dlg;
    Image looks;
    int depthInside = -1;
    automation::QueueModalScript([&](Dialog& d) {
        depthInside = Application::ModalLoopDepth();
        EXPECT_EQ(d.ItemText(kName), "R1");
        EXPECT_EQ(d.FocusedItem(), kName);  // the first control that takes the focus
        automation::SendKeyToItem(d, kName, key::kTab);
        EXPECT_EQ(d.FocusedItem(), kNotes);
        automation::SendKeyToItem(d, kNotes, key::kTab, kShiftDown);
        EXPECT_EQ(d.FocusedItem(), kName);
        automation::SendKeyToItem(d, kName, key::kEnd);
        automation::SendKeyToItem(d, kName, key::kBack);
        automation::SendTextToItem(d, kName, "load9912");  // limit 8 characters
        automation::SendTextToItem(d, kNotes, "bias");
        automation::ClickItem(d, kSound);
        automation::ClickItem(d, kDigital);
        automation::ClickItem(d, kApply);
        d.SelectString(kFormat, "sci");
        automation::SendTextToItem(d, kUnit, "mV");
        automation::SendKeyToItem(d, kModels, key::kDown);  // from no selection to the first
        d.SetSel(kPins, 1, true);
        d.SetSel(kPins, 3, true);
        d.EditCell(kParams, 0, 1);
        automation::SendKeyToItem(d, kParams, key::kEnd);
        automation::SendTextToItem(d, kParams, "0");
        automation::SendKeyToItem(d, kParams, key::kReturn);
        Application::PumpMessages();  // the editor commits through the queue
        d.SelectTreeItem(kTree, 3);
        d.SetCurSel(kTabs, 1);
        automation::SendKeyToItem(d, kSteps, key::kUp);
        d.SetPos(kProgress, 7);
        d.SetPos(kScroll, 65000);
        d.SetItemColors(kLabel, Rgb(0, 0, 0), Rgb(255, 255, 0));
        looks = d.Grab();
        automation::ClickItem(d, 1);
        return 99;  // not used: OK ended the dialog
    });
    EXPECT_EQ(dlg.DoModal(), 1);
    EXPECT_EQ(depthInside, 1);
    EXPECT_EQ(Application::ModalLoopDepth(), 0);
    EXPECT_FALSE(dlg.IsCreated());

    EXPECT_EQ(dlg.v.name, "Rload991");
    EXPECT_EQ(dlg.v.notes, "bias");
    EXPECT_EQ(dlg.v.sound, 1);
    EXPECT_EQ(dlg.v.digital, 1);
    EXPECT_EQ(dlg.applied, 1);
    EXPECT_EQ(dlg.v.format, "Scientific");
    EXPECT_EQ(dlg.v.unit, "mV");
    EXPECT_EQ(dlg.v.model, "1N4148");  // sorted list: 1N4148, 2N2222, BC547
    EXPECT_EQ(dlg.v.pins, (std::vector<int>{1, 3}));
    EXPECT_EQ(dlg.v.cell, "1000");
    EXPECT_EQ(dlg.v.tree, "NPN");
    EXPECT_EQ(dlg.v.tab, 1);
    EXPECT_EQ(dlg.v.steps, 40001);
    EXPECT_EQ(dlg.v.progress, 7);
    EXPECT_EQ(dlg.v.scroll, 65000);

    // Notifications arrive by control id from user input, not from the program's own
    // list changes.
    EXPECT_TRUE(Noted(dlg, kName, Notify::Changed));
    EXPECT_TRUE(Noted(dlg, kSound, Notify::Clicked));
    EXPECT_TRUE(Noted(dlg, kModels, Notify::SelChange));
    EXPECT_TRUE(Noted(dlg, kParams, Notify::ItemEdited));
    EXPECT_FALSE(Noted(dlg, kFormat, Notify::SelChange));
    EXPECT_FALSE(Noted(dlg, kApply, Notify::Clicked));  // handled as a command

    // The owner-drawn list painted its items.
    EXPECT_GT(dlg.drawn, 0);
    ASSERT_FALSE(looks.IsNull());
    int red = 0, yellow = 0;
    for (int y = 0; y < looks.Height(); ++y) {
        for (int x = 0; x < looks.Width(); ++x) {
            red += looks.Pixel(x, y) == Rgb(255, 0, 0);
            yellow += looks.Pixel(x, y) == Rgb(255, 255, 0);  // the coloured label
        }
    }
    EXPECT_GT(red, 50);
    EXPECT_GT(yellow, 50);
}

// A destroyed dialog's controls are deleted later by the event loop; focus that reaches
// them before then must not call into the dialog, which may be gone by that time.
TEST(Dialog, DestroyedDialogHearsNothingFromItsControls) {
    Application& app = TestApp();
    struct Recording : Dialog {
        Recording() : Dialog(DialogTemplate{77, "Limits", Size{120, 40}, {
            {ControlKind::Edit, 101, "1u", Rect{5, 5, 100, 17}},
            {ControlKind::PushButton, 2, "Close", Rect{5, 20, 60, 35}},
        }}) {}
        void OnControlNotify(int, Notify code) override { heard.push_back(code); }
        std::vector<Notify> heard;
    };
    FrameWindow main;
    ASSERT_TRUE(main.CreateFrame("Main", Rect{0, 0, 300, 200}));
    app.SetMainWindow(&main);
    main.Show(true);
    Recording d;
    ASSERT_TRUE(d.CreateModeless(&main));
    Application::PumpMessages();
    d.heard.clear();
    d.Destroy();
    FrameWindow other;  // showing it moves the focus while the old controls still exist
    ASSERT_TRUE(other.CreateFrame("Other", Rect{20, 20, 300, 200}));
    other.Show(true);
    Application::PumpMessages();
    EXPECT_TRUE(d.heard.empty()) << d.heard.size() << " notifications after Destroy";
    app.SetMainWindow(nullptr);
}

TEST(Dialog, EscapeCancelsAndScriptResultEndsAnOpenDialog) {
    TestApp();
    PropertiesDialog esc;
    automation::QueueModalScript([](Dialog& d) {
        automation::SendKeyToItem(d, kName, key::kEscape);
        return 5;
    });
    EXPECT_EQ(esc.DoModal(), 2);
    EXPECT_TRUE(esc.v.name.empty());  // OnOK never ran

    PropertiesDialog open;
    automation::QueueModalScript([](Dialog&) { return 4; });  // e.g. "reopen"
    EXPECT_EQ(open.DoModal(), 4);

    // A modal dialog opened from a script runs its own nested loop.
    PropertiesDialog outer;
    int innerResult = 0;
    automation::QueueModalScript([&](Dialog&) {
        PropertiesDialog inner;
        automation::QueueModalScript([](Dialog& d) {
            EXPECT_EQ(Application::ModalLoopDepth(), 2);
            automation::SendKeyToItem(d, kName, key::kReturn);  // the default button
            return 0;
        });
        innerResult = inner.DoModal();
        return 2;
    });
    EXPECT_EQ(outer.DoModal(), 2);
    EXPECT_EQ(innerResult, 1);
}

TEST(Dialog, ContextMenuTakesScriptedAnswerAfterUpdateHandlers) {
    TestApp();
    Window view;
    ASSERT_TRUE(view.Create(nullptr, Rect{0, 0, 100, 100}));
    view.OnCommandRange(17568, 17572, [](int) {});
    view.OnUpdate(17570, [](CommandUI& ui) { ui.SetCheck(1); });
    Menu graphics;
    graphics.Append(17568, "&Line");
    EXPECT_TRUE(graphics.SetItemPicture(17568, std::make_shared<Image>(16, 16, Rgb(255, 0, 0))));
    graphics.Append(17570, "&Rectangle");
    graphics.Append(17585, "Pic&ture");
    automation::QueuePopupMenuAnswer(17570);
    EXPECT_EQ(view.TrackPopupMenu(graphics, view.ClientToScreen(Point{10, 10})), 17570);
    EXPECT_FALSE(graphics.At(0).flags & kMenuGrayed);
    EXPECT_TRUE(graphics.At(1).flags & kMenuChecked);
    EXPECT_TRUE(graphics.At(2).flags & kMenuGrayed);  // nobody handles it
}

namespace {

struct CountingPage : PropertyPage {
    CountingPage(int tmplId, const char* caption, int vetoes)
        : PropertyPage(DialogTemplate{tmplId, caption, Size{120, 60},
                                      {{ControlKind::Static, 100, "Value:", Rect{5, 5, 40, 15}},
                                       {ControlKind::Edit, 101, "", Rect{45, 5, 110, 17}}}}),
          vetoesLeft(vetoes) {}
    bool OnInitDialog() override {
        SetItemText(101, value);
        return true;
    }
    void OnControlNotify(int id, Notify code) override {
        if (id == 101 && code == Notify::Changed && initialised) SetModified();
    }
    bool OnSetActive() override {
        initialised = true;
        ++activations;
        return true;
    }
    bool OnApply() override {
        ++applies;
        if (vetoesLeft > 0) {
            --vetoesLeft;
            return false;
        }
        value = ItemText(101);
        return true;
    }
    void OnReset() override { ++resets; }
    std::string value = "1";
    bool initialised = false;
    int vetoesLeft, activations = 0, applies = 0, resets = 0;
};

}  // namespace

TEST(PropertySheet, PagesAreCreatedWhenShownAppliedInOrderAndMayVeto) {
    TestApp();
    CountingPage general(4111, "General", 0), colours(4112, "Colours", 1), fonts(4113, "Fonts", 0);
    PropertySheet sheet("Preferences");
    sheet.AddPage(general);
    sheet.AddPage(colours);
    sheet.AddPage(fonts);
    bool vetoKeptOpen = false;
    automation::QueueModalScript([&](Dialog& d) {
        EXPECT_TRUE(general.IsCreated());
        EXPECT_FALSE(colours.IsCreated());
        EXPECT_FALSE(d.IsItemEnabled(PropertySheet::kApply));
        automation::SendTextToItem(general, 101, "0");
        EXPECT_TRUE(d.IsItemEnabled(PropertySheet::kApply));
        EXPECT_TRUE(sheet.SetActivePage(1));
        automation::SendTextToItem(colours, 101, "2");
        automation::ClickItem(d, 1);  // the colours page vetoes once
        vetoKeptOpen = sheet.IsModalRunning() && sheet.IsCreated();
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(sheet.DoModal(), 1);
    EXPECT_TRUE(vetoKeptOpen);
    EXPECT_EQ(general.value, "10");
    EXPECT_EQ(colours.value, "12");
    EXPECT_EQ(fonts.applies, 0);  // never shown, never created
    EXPECT_EQ(general.applies, 2);
    EXPECT_EQ(colours.applies, 2);

    // Esc in a page's field cancels the whole sheet; only created pages are reset.
    PropertySheet again("Preferences", 2);
    again.AddPage(general);
    again.AddPage(colours);
    again.AddPage(fonts);
    automation::QueueModalScript([&](Dialog&) {
        EXPECT_EQ(again.ActiveIndex(), 2);
        automation::SendKeyToItem(fonts, 101, key::kEscape);
        return 0;
    });
    EXPECT_EQ(again.DoModal(), 2);
    EXPECT_EQ(fonts.resets, 1);
    EXPECT_EQ(general.resets, 0);
}

TEST(Dialog, TimedNoticeClosesItselfByItsTimer) {
    TestApp();
    struct Notice : Dialog {
        Notice() : Dialog(DialogTemplate{3890, "Notice", Size{100, 40}, {{ControlKind::Static, 101, "", Rect{5, 5, 95, 20}},
                                                                          {ControlKind::DefPushButton, 1, "OK", Rect{30, 22, 70, 36}}}}) {}
        bool OnInitDialog() override {
            SetItemText(101, "Saved.");
            return SetTimer(500, 20);
        }
        void OnTimer(int id) override {
            KillTimer(id);
            EndDialog(1);
        }
    } notice;
    EXPECT_EQ(notice.DoModal(), 1);  // no script: only the timer ends it
}

TEST(Dialog, ColourGridOfOwnerDrawnButtonsBuiltAtRunTime) {
    TestApp();
    static const Color kSwatches[] = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255), Rgb(255, 255, 0)};
    struct Grid : Dialog {
        Grid() : Dialog(DialogTemplate{4300, "Colour", Size{100, 60}, {{ControlKind::DefPushButton, 1, "OK", Rect{5, 40, 45, 54}}}}) {}
        bool OnInitDialog() override {
            for (int i = 0; i < 4; ++i)
                AddControl({ControlKind::OwnerDrawButton, 1000 + i, "", Rect{5 + 20 * i, 5, 23 + 20 * i, 20}});
            return true;
        }
        void OnDrawItem(DrawContext& dc, const DrawItemInfo& item) override {
            dc.FillRect(item.rect, Brush::Solid(kSwatches[item.controlId - 1000]));
        }
        void OnControlNotify(int id, Notify code) override {
            if (code == Notify::Clicked && id >= 1000) chosen = id - 1000;
        }
        int chosen = -1;
    } grid;
    Image looks;
    automation::QueueModalScript([&](Dialog& d) {
        EXPECT_EQ(d.ItemCount(1000), -1);  // a button has no items
        EXPECT_TRUE(d.HasItem(1003));
        looks = d.Grab();
        automation::ClickItem(d, 1002);
        return 1;
    });
    EXPECT_EQ(grid.DoModal(), 1);
    EXPECT_EQ(grid.chosen, 2);
    Rect blue = grid.MapDialogRect(Rect{45, 5, 63, 20});
    EXPECT_EQ(looks.Pixel((blue.left + blue.right) / 2, (blue.top + blue.bottom) / 2), Rgb(0, 0, 255));
}

// Drawing on an owner-drawn control: presses, releases and moves with a button held
// reach the dialog in the control's pixels; a move with no button held does not.
TEST(Dialog, MouseOverAControlReachesTheDialogInItsPixels) {
    TestApp();
    struct Pad : Dialog {
        Pad() : Dialog(DialogTemplate{4301, "Pad", Size{100, 80}, {
            {ControlKind::OwnerDrawButton, 1000, "", Rect{10, 10, 60, 50}},
            {ControlKind::DefPushButton, 1, "OK", Rect{5, 60, 45, 74}}}}) {}
        void OnControlMouse(int id, const MouseEvent& event) override {
            heard.push_back({id, event.action, event.point, event.flags});
        }
        struct Heard {
            int id;
            MouseAction action;
            Point point;
            int flags;
        };
        std::vector<Heard> heard;
    } pad;
    automation::QueueModalScript([](Dialog& d) {
        automation::SendMouseToItem(d, 1000, MouseAction::LeftDown, Point{3, 4});
        automation::SendMouseToItem(d, 1000, MouseAction::Move, Point{7, 9}, kLeftButton | kMouseShift);
        automation::SendMouseToItem(d, 1000, MouseAction::Move, Point{200, 9}, kLeftButton);  // past the edge
        automation::SendMouseToItem(d, 1000, MouseAction::LeftUp, Point{8, 9});
        automation::SendMouseToItem(d, 1000, MouseAction::Move, Point{9, 9});  // no button: not heard
        return 1;
    });
    EXPECT_EQ(pad.DoModal(), 1);
    ASSERT_EQ(pad.heard.size(), 4u);
    EXPECT_EQ(pad.heard[0].id, 1000);
    EXPECT_EQ(pad.heard[0].action, MouseAction::LeftDown);
    EXPECT_EQ(pad.heard[0].point, (Point{3, 4}));
    EXPECT_EQ(pad.heard[0].flags, kLeftButton);
    EXPECT_EQ(pad.heard[1].action, MouseAction::Move);
    EXPECT_EQ(pad.heard[1].point, (Point{7, 9}));
    EXPECT_EQ(pad.heard[1].flags, kLeftButton | kMouseShift);
    EXPECT_EQ(pad.heard[2].point, (Point{200, 9}));
    EXPECT_EQ(pad.heard[3].action, MouseAction::LeftUp);
    EXPECT_EQ(pad.heard[3].flags, 0);
}

// A change of the system colours reaches dialogs on screen, top-level and child ones.
TEST(Dialog, SystemColourChangeReachesDialogs) {
    TestApp();
    struct Listener : Dialog {
        Listener() : Dialog(DialogTemplate{4302, "Colours", Size{100, 60}, {}}) {}
        void OnSysColorChange() override { ++heard; }
        int heard = 0;
    } outer, inner;
    const Color face = desktop::GetSystemColor(desktop::SystemColor::ButtonFace);
    automation::QueueModalScript([&](Dialog& d) {
        EXPECT_TRUE(inner.CreateAsChild(d, Rect{0, 0, 50, 30}));
        automation::SetSystemColor(desktop::SystemColor::ButtonFace, Rgb(200, 10, 20));
        EXPECT_EQ(desktop::GetSystemColor(desktop::SystemColor::ButtonFace), Rgb(200, 10, 20));
        automation::SetSystemColor(desktop::SystemColor::ButtonFace, face);
        inner.Destroy();
        return 1;
    });
    EXPECT_EQ(outer.DoModal(), 1);
    EXPECT_EQ(outer.heard, 2);
    EXPECT_EQ(inner.heard, 2);
}
