#include <gtest/gtest.h>

#include <filesystem>

#include "expression/compiler.h"
#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/desktop.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/dialogs.h"

using namespace ob7;
using platform::ControlKind;
using platform::DialogTemplate;
using platform::Rect;
namespace automation = platform::automation;

namespace {

enum : int { kGain = 501, kSteps = 502, kCount = 503 };

DialogTemplate GainTemplate() {
    return DialogTemplate{4711, "Gain", {160, 70}, {
        {ControlKind::Static, 100, "&Gain:", Rect{7, 9, 50, 19}},
        {ControlKind::Edit, kGain, "", Rect{52, 7, 153, 19}},
        {ControlKind::Static, 101, "&Steps:", Rect{7, 25, 50, 35}},
        {ControlKind::Edit, kSteps, "", Rect{52, 23, 153, 35}},
        {ControlKind::ComboList, kCount, "", Rect{52, 39, 153, 90}},
        {ControlKind::DefPushButton, 1, "OK", Rect{49, 49, 99, 63}},
        {ControlKind::PushButton, 2, "Cancel", Rect{103, 49, 153, 63}},
    }};
}

// A dialog that reads two bounded fields and refuses OK while one is out of range,
// with the focus on the bad field.
struct GainDialog : CDialog2 {
    explicit GainDialog(RememberedPosition* memory) : CDialog2(GainTemplate(), memory) {}
    double gain = 2.5;
    int steps = 10;
    bool OnInitDialog() override {
        CDialog2::OnInitDialog();
        controls.SetDlgItemDouble(kGain, gain);
        SetItemText(kSteps, std::to_string(steps));
        controls.ComboFillNumbers(kCount, 3, 2);
        return true;
    }
    void OnOK() override {
        if (!controls.ReadDoubleInRange(kGain, gain, 0, 100)) {
            FocusItem(kGain);
            return;
        }
        if (!controls.ReadIntInRange(kSteps, steps, 1, 1000)) {
            FocusItem(kSteps);
            return;
        }
        CDialog2::OnOK();
    }
};

struct Page : CPropertyPage2 {
    Page(const char* caption, std::vector<std::string>& log, bool veto = false)
        : CPropertyPage2(DialogTemplate{0, caption, {180, 80}, {
              {ControlKind::CheckBox, 600, "&Enabled", Rect{7, 7, 120, 19}},
              {ControlKind::Edit, 601, "", Rect{7, 24, 120, 36}}}}),
          log_(log), veto_(veto) {}
    bool ApplyPage() override {
        log_.push_back(Template().caption + (veto_ ? " veto" : " applied"));
        return !veto_;
    }
    void ResetPage() override { log_.push_back(Template().caption + " reset"); }
    std::vector<std::string>& log_;
    bool veto_;
};

}  // namespace

TEST(Dialogs, FieldsAreReadBoundedAndRefusedWithTheFocusOnTheBadField) {
    MainFrame();
    InstallNumericExpressionEvaluator();  // as the program does at start-up
    RememberedPosition memory{40, 30};
    GainDialog dialog(&memory);
    std::vector<int> focus;
    int depthInside = -1;
    automation::QueueModalScript([&](platform::Dialog& d) {
        depthInside = ModalDepth;
        EXPECT_EQ(CurrentDialog, &d);
        EXPECT_EQ(d.WindowRect().left, 40);
        EXPECT_EQ(d.ItemText(kGain), "2.5");
        EXPECT_EQ(d.CurSel(kCount), 1);
        d.SetItemText(kGain, "1k");  // out of range: refused, old value written back
        automation::ClickItem(d, 1);
        focus.push_back(d.FocusedItem());
        EXPECT_EQ(d.ItemText(kGain), "2.5");
        d.SetItemText(kGain, "2*(3+4)");  // an expression is taken
        d.SetItemText(kSteps, "");        // empty: refused
        automation::ClickItem(d, 1);
        focus.push_back(d.FocusedItem());
        EXPECT_EQ(d.ItemText(kGain), "14");
        EXPECT_EQ(d.ItemText(kSteps), "10");
        d.SetItemText(kSteps, "25");
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(ModalDepth, 0);
    EXPECT_EQ(dialog.DoModal(), 1);
    EXPECT_EQ(depthInside, 1);
    EXPECT_EQ(ModalDepth, 0);
    EXPECT_EQ(CurrentDialog, nullptr);
    EXPECT_EQ(focus, (std::vector<int>{kGain, kSteps}));
    EXPECT_DOUBLE_EQ(dialog.gain, 14);
    EXPECT_EQ(dialog.steps, 25);
}

TEST(Dialogs, RememberedPositions) {
    MainFrame();
    platform::Size screen = platform::desktop::ScreenSize();
    struct Case { RememberedPosition in; bool centred; RememberedPosition stored; } cases[] = {
        {{screen.cx - 19, 100}, true, {screen.cx - 19, 100}},
        {{100, screen.cy - 20}, false, {100, screen.cy - 20}},
        {{-50, 10}, false, {0, 10}},
        {{-1, -1}, true, {-1, -1}},
    };
    for (const Case& c : cases) {
        RememberedPosition memory = c.in;
        GainDialog dialog(&memory);
        Rect where;
        automation::QueueModalScript([&](platform::Dialog& d) {
            where = d.WindowRect();
            return 2;
        });
        dialog.DoModal();
        if (c.centred) {
            EXPECT_NEAR(where.left + where.Width() / 2, screen.cx / 2, where.Width()) << c.in.x;
        } else {
            EXPECT_EQ(where.left, c.stored.x);
            EXPECT_EQ(where.top, c.stored.y);
        }
        EXPECT_EQ(memory.x, c.stored.x);
        EXPECT_EQ(memory.y, c.stored.y);
    }
    // Positions are saved on OK and Cancel, but not while a demo plays.
    RememberedPosition memory{200, 150};
    Shell.demoPlaying = true;
    {
        GainDialog dialog(&memory);
        automation::QueueModalScript([&](platform::Dialog& d) {
            d.Move(Rect{300, 250, 300 + d.WindowRect().Width(), 250 + d.WindowRect().Height()});
            automation::ClickItem(d, 2);
            return 0;
        });
        dialog.DoModal();
    }
    EXPECT_EQ(memory.x, 200);
    Shell.demoPlaying = false;
}

TEST(Dialogs, ComboHelpersCountFromOne) {
    MainFrame();
    GainDialog dialog(nullptr);
    automation::QueueModalScript([&](platform::Dialog&) {
        DialogControls& c = dialog.controls;
        c.ComboSetSel1(kCount, 5);  // out of range: the first item
        EXPECT_EQ(c.ComboGetSel1(kCount), 1);
        c.ComboSetSel1(kCount, 3);
        EXPECT_EQ(c.ComboGetSel1(kCount), 3);
        c.ComboSetSel1(kCount, -1);
        EXPECT_EQ(c.ComboGetSel1(kCount), -1);
        EXPECT_EQ(c.ComboGetSelData(kCount), -1);
        int index = c.ComboAddStringData(kCount, "4", 44);
        dialog.SetCurSel(kCount, index);
        EXPECT_EQ(c.ComboGetSelData(kCount), 44);
        EXPECT_EQ(HelpIdOfControl(dialog, 8), 23);
        EXPECT_EQ(HelpIdOfControl(dialog, 100), 0);  // a label
        EXPECT_EQ(HelpIdOfControl(dialog, kGain), kGain);
        EXPECT_EQ(HelpIdOfControl(dialog, 1), 1);
        EXPECT_EQ(HelpIdOfControl(dialog, 0), 0);  // the dialog itself
        // Edit controls: select all, replace the selection as one undoable step.
        dialog.SetItemText(kGain, "12.5");
        EditSelectAllScroll(dialog, kGain);
        int s = -1, e = -1;
        EXPECT_TRUE(dialog.EditSel(kGain, s, e));
        EXPECT_EQ(s, 0);
        EXPECT_EQ(e, 4);
        dialog.SetEditSel(kGain, 2, 4);
        dialog.ReplaceEditSel(kGain, "k");
        EXPECT_EQ(dialog.ItemText(kGain), "12k");
        EXPECT_TRUE(dialog.CanUndoEdit(kGain));
        return 2;
    });
    dialog.DoModal();
}

TEST(Dialogs, SheetAppliesPagesInOrderUntilAVeto) {
    MainFrame();
    std::vector<std::string> log;
    Page first("First", log), second("Second", log, true), third("Third", log);
    int pageMemory = 0;
    CPropertySheet2 sheet("Preferences", nullptr, &pageMemory);
    sheet.AddPage(first);
    sheet.AddPage(second);
    sheet.AddPage(third);
    automation::QueueModalScript([&](platform::Dialog& d) {
        auto& s = static_cast<CPropertySheet2&>(d);
        s.SetActivePage(2);
        s.SetActivePage(1);
        s.SetCurSel(CPropertySheet2::kTabs, 2);
        s.OnControlNotify(CPropertySheet2::kTabs, platform::Notify::SelChange);
        EXPECT_EQ(pageMemory, 2);
        automation::ClickItem(d, 1);  // OK: the second page vetoes, the third is not applied
        EXPECT_TRUE(d.IsCreated());
        automation::ClickItem(d, 2);
        return 0;
    });
    EXPECT_EQ(sheet.DoModal(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"First applied", "Second veto", "First reset", "Second reset",
                                             "Third reset"}));
    EXPECT_EQ(first.created, 1);
}

TEST(Dialogs, FieldInputDialogLimitsItsTextAndReadsItBack) {
    MainFrame();
    FieldInputRecord record;
    record.templateId = 12202;
    record.text = "Page 1";
    record.textLimit = 9;  // at most 8 characters
    automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.Template().caption, "Rename Page");
        EXPECT_EQ(d.ItemText(kIdField), "Page 1");
        d.SetItemText(kIdField, "");
        automation::SendTextToItem(d, kIdField, "Amplifier stage");
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(RunFieldInputDialog(record), 1);
    EXPECT_EQ(record.text, "Amplifie");

    // Read-only: OK has the focus and the text is not read back.
    record.flags = 0x200;
    automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.FocusedItem(), 1);
        EXPECT_FALSE(d.IsItemEnabled(kIdField));
        return 1;
    });
    EXPECT_EQ(RunFieldInputDialog(record), 1);
    EXPECT_EQ(record.text, "Amplifie");
}

TEST(Dialogs, ListChoiceAndTimedNotice) {
    MainFrame();
    CListChoiceDlg choice(3200);
    choice.caption = "Choose Pages";
    choice.items = {"Page 1\tMain", "Page 2\tFilter", "Page 3\tOutput"};
    choice.listFlags = 0x1 | 0x2;
    automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.Template().caption, "Select");
        automation::ClickItem(d, kIdSelectAllItems);
        platform::Application::PumpMessages();
        std::filesystem::create_directories("png");
        d.Grab().SavePng("png/list_choice_tabs.png");
        d.SetSel(kIdChoiceList, 1, false);
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(choice.DoModal(), 1);
    EXPECT_EQ(choice.results, (std::vector<int>{0, 2}));

    CTimedNoticeDlg none(nullptr, 3210, "Saved.", 0);
    EXPECT_FALSE(none.shown);
    CTimedNoticeDlg notice(nullptr, 3210, "Saved.", 0.05);  // closes itself by its timer
    EXPECT_TRUE(notice.shown);
    EXPECT_EQ(automation::PendingAnswers(), 0);
}

TEST(Dialogs, EscapeInAPageEditCancelsTheWholeSheet) {
    MainFrame();
    std::vector<std::string> log;
    Page first("First", log), second("Second", log);
    CPropertySheet2 sheet("Options");
    sheet.AddPage(first);
    sheet.AddPage(second);
    automation::QueueModalScript([&](platform::Dialog& d) {
        auto& s = static_cast<CPropertySheet2&>(d);
        s.SetActivePage(1);
        automation::SendKeyToItem(*s.Page(1), 601, platform::key::kEscape);
        return 0;
    });
    EXPECT_EQ(sheet.DoModal(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"First reset", "Second reset"}));
}

TEST(Dialogs, F2InARunDialogAcceptsAndPostsRun) {
    platform::FrameWindow& main = MainFrame();
    int runs = 0;
    main.OnCommand(CRunDialog::kCmdRun, [&](int) { ++runs; });
    struct Limits : CRunDialog {
        Limits() : CRunDialog(GainTemplate()) {}
        int accepted = 0;
        void OnOK() override {
            ++accepted;
            CRunDialog::OnOK();
        }
    } dialog;
    automation::QueueModalScript([](platform::Dialog& d) {
        automation::SendKeyToItem(d, kGain, platform::key::F(2));
        return 0;
    });
    EXPECT_EQ(dialog.DoModal(), 1);
    platform::Application::PumpMessages();
    EXPECT_EQ(runs, 1);
}

TEST(Dialogs, RightClickOnAControlReachesTheDialogWithTheFocusThere) {
    MainFrame();
    struct Menus : CDialog2 {
        Menus() : CDialog2(GainTemplate()) {}
        std::vector<int> clicked;
        void OnControlRightClick(int id) override { clicked.push_back(id); }
    } dialog;
    automation::QueueModalScript([&](platform::Dialog& d) {
        automation::RightClickItem(d, kSteps);
        EXPECT_EQ(d.FocusedItem(), kSteps);
        return 2;
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.clicked, std::vector<int>{kSteps});
}

TEST(Dialogs, ANestedSheetIsAppliedAndCancelledWithItsPage) {
    MainFrame();
    std::vector<std::string> log;
    Page outer("Outer", log), inner1("Inner 1", log), inner2("Inner 2", log, true), last("Last", log);
    CPropertySheet2 sheet("Plot Properties");
    sheet.AddPage(outer);
    sheet.AddPage(last);
    CPropertySheet2 nested("Curves");
    nested.AddPage(inner1);
    nested.AddPage(inner2);
    automation::QueueModalScript([&](platform::Dialog& d) {
        EXPECT_TRUE(nested.CreateNested(outer));
        EXPECT_TRUE(nested.IsNested());
        EXPECT_FALSE(nested.IsItemVisible(1));
        nested.SetActivePage(1);
        automation::ClickItem(d, 1);  // OK: the nested sheet's second page vetoes first
        EXPECT_TRUE(d.IsCreated());
        EXPECT_TRUE(nested.IsCreated());
        automation::ClickItem(d, 2);
        return 0;
    });
    EXPECT_EQ(sheet.DoModal(), 2);
    EXPECT_EQ(log, (std::vector<std::string>{"Inner 1 applied", "Inner 2 veto", "Inner 1 reset", "Inner 2 reset",
                                             "Outer reset"}));
}

TEST(Dialogs, WizardStepsWithBackNextAndFinish) {
    MainFrame();
    std::vector<std::string> log;
    struct Step : Page {
        using Page::Page;
        int stayOnce = 0;
        int OnWizardNext() override { return stayOnce-- > 0 ? -1 : 0; }
    };
    Step one("One", log), two("Two", log), three("Three", log);
    two.stayOnce = 1;  // the second step refuses to go on the first time
    CPropertySheet2 wizard("New Filter");
    wizard.AddPage(one);
    wizard.AddPage(two);
    wizard.AddPage(three);
    wizard.SetWizardMode();
    automation::QueueModalScript([&](platform::Dialog& d) {
        auto& s = static_cast<CPropertySheet2&>(d);
        EXPECT_FALSE(d.IsItemVisible(CPropertySheet2::kTabs));
        EXPECT_FALSE(d.IsItemEnabled(CPropertySheet2::kBack));
        automation::ClickItem(d, CPropertySheet2::kNext);
        EXPECT_EQ(s.ActiveIndex(), 1);
        EXPECT_TRUE(d.IsItemEnabled(CPropertySheet2::kBack));
        automation::ClickItem(d, CPropertySheet2::kNext);
        EXPECT_EQ(s.ActiveIndex(), 1);  // stayed
        automation::ClickItem(d, CPropertySheet2::kNext);
        EXPECT_EQ(s.ActiveIndex(), 2);
        EXPECT_FALSE(d.IsItemVisible(CPropertySheet2::kNext));
        EXPECT_TRUE(d.IsItemVisible(CPropertySheet2::kFinish));
        automation::ClickItem(d, CPropertySheet2::kBack);
        EXPECT_EQ(s.ActiveIndex(), 1);
        automation::ClickItem(d, CPropertySheet2::kNext);
        automation::ClickItem(d, CPropertySheet2::kFinish);
        return 0;
    });
    EXPECT_EQ(wizard.DoModal(), 1);
    EXPECT_EQ(log, (std::vector<std::string>{"One applied", "Two applied", "Three applied"}));
}

TEST(Dialogs, AnEditOffersTheVariablesMenuOnItsRightButton) {
    MainFrame();
    int built = 0;
    SetVariablesMenu([&](platform::Menu& m) {
        ++built;
        m.Append(31001, "V(OUT)");
        m.Append(31002, "I(R1)");
    }, nullptr);
    CDialog2 dialog(GainTemplate());
    dialog.SetEditMenu(kGain);
    automation::QueueModalScript([&](platform::Dialog& d) {
        d.SetItemText(kGain, "");
        automation::QueuePopupMenuAnswer(31002);
        automation::RightClickItem(d, kGain);
        EXPECT_EQ(d.ItemText(kGain), "I(R1)");
        automation::QueuePopupMenuAnswer(0);  // dismissed
        automation::RightClickItem(d, kGain);
        EXPECT_EQ(d.ItemText(kGain), "I(R1)");
        automation::RightClickItem(d, kSteps);  // an edit without the menu
        return 2;
    });
    dialog.DoModal();
    EXPECT_EQ(built, 1);
    EXPECT_EQ(automation::PendingAnswers(), 0);
    SetVariablesMenu(nullptr, nullptr);
}

TEST(Dialogs, ToolBarInsideADialogSendsCommands) {
    MainFrame();
    struct WithBar : CDialog2 {
        WithBar() : CDialog2(GainTemplate()) {
            OnCommand(17561, [this](int) { ++select; });
        }
        int select = 0;
        bool OnInitDialog() override {
            CDialog2::OnInitDialog();
            platform::Image strip(32, 16, platform::Rgb(200, 200, 200));
            return AddToolBar(700, strip, platform::Size{16, 16},
                              {{17561, 0, 0, "Select"}, {0, 0, 0, ""}, {17568, 1, platform::kToolCheck, "Line"}},
                              Rect{7, 66, 100, 80});
        }
    } dialog;
    automation::QueueModalScript([&](platform::Dialog& d) {
        EXPECT_TRUE(d.PressDialogToolButton(700, 17561));
        EXPECT_FALSE(d.PressDialogToolButton(700, 9999));
        EXPECT_FALSE(d.IsToolButtonChecked(700, 17568));
        d.PressDialogToolButton(700, 17568);  // a check button toggles
        EXPECT_TRUE(d.IsToolButtonChecked(700, 17568));
        return 2;
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.select, 1);
}

TEST(Dialogs, ControlsReportTheirKeysFirst) {
    MainFrame();
    struct Keys : CDialog2 {
        Keys() : CDialog2(GainTemplate()) {}
        std::vector<int> seen;
        bool OnControlKey(int id, const platform::KeyEvent& event) override {
            if (id != kSteps) return false;
            seen.push_back(event.key);
            return event.key == platform::key::kDelete || event.key == 'X';  // eaten
        }
    } dialog;
    automation::QueueModalScript([&](platform::Dialog& d) {
        d.SetItemText(kSteps, "");
        automation::SendKeyToItem(d, kSteps, 'X');
        automation::SendKeyToItem(d, kSteps, '7');
        automation::SendKeyToItem(d, kGain, 'X');
        EXPECT_EQ(d.ItemText(kSteps), "7");
        EXPECT_EQ(d.ItemText(kGain), "x");
        return 2;
    });
    dialog.DoModal();
    EXPECT_EQ(dialog.seen, (std::vector<int>{'X', '7'}));
}

TEST(Dialogs, TreeItemsCarryDataExpandAndGoWithTheirChildren) {
    MainFrame();
    CDialog2 dialog(platform::DialogTemplate{5300, "Models", {160, 120}, {
        {ControlKind::TreeView, 800, "", Rect{7, 7, 153, 113}},
    }});
    automation::QueueModalScript([](platform::Dialog& d) {
        int diodes = d.InsertTreeItem(800, 0, "Diodes");
        int d1 = d.InsertTreeItem(800, diodes, "1N4148");
        int d2 = d.InsertTreeItem(800, diodes, "1N914");
        int bjts = d.InsertTreeItem(800, 0, "Transistors");
        EXPECT_TRUE(d.SetTreeItemData(800, d2, 914));
        EXPECT_EQ(d.TreeItemData(800, d2), 914);
        EXPECT_TRUE(d.ExpandTreeItem(800, diodes, true));
        EXPECT_EQ(d.TreeChildren(800, 0), (std::vector<int>{diodes, bjts}));
        EXPECT_EQ(d.TreeChildren(800, diodes), (std::vector<int>{d1, d2}));
        EXPECT_TRUE(d.DeleteTreeItem(800, diodes));
        EXPECT_EQ(d.TreeChildren(800, 0), (std::vector<int>{bjts}));
        EXPECT_EQ(d.TreeItemText(800, d1), "");  // gone with its parent
        EXPECT_FALSE(d.DeleteTreeItem(800, d2));
        return 2;
    });
    dialog.DoModal();
}
