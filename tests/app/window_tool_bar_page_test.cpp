// The Tool Bar page at the end of a plot window's own Properties sheet: it edits that
// window's bar, not the defaults of its window type; Apply shows the change at once and
// Cancel takes it back.
#include <gtest/gtest.h>

#include "frame_buttons_fixture.h"

#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/main_frame.h"
#include "app/main_tool_bar.h"
#include "app/tool_bar_pages.h"
#include "app/tool_buttons.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/qt_app.h"
#include "plots/plot_properties.h"
#include "plots/plot_view.h"
#include "ui/framework/colour_slots.h"

using namespace ob7;
using platform::Notify;
using platform::automation::ClickItem;

namespace {

class WindowToolBarPage : public ::testing::Test {
protected:
    void SetUp() override {
        PrepareDrawToolBars();
        InstallWindowToolBarPages();
        ASSERT_TRUE(frame.Create(platform::Rect{0, 0, 1280, 800}));
        TestApp().SetMainWindow(&frame);
        frame.Show(true);
        child.kind = kDraw2DPlot;
        child.draw = &view;
        view.drawType = kDraw2DPlot;
        view.frame = &child;
        ASSERT_TRUE(child.CreateChildFrame(frame, "plot", "Plot"));
        child.SetPlacement({platform::ShowState::Normal, {20, 20, 900, 600}});
        ASSERT_TRUE(view.CreateInFrame(&child));
        platform::Application::PumpMessages();
        ASSERT_TRUE(view.mainToolBar);
    }
    void TearDown() override {
        view.Destroy();
        child.Destroy();
        TestApp().SetMainWindow(nullptr);
        frame.Destroy();
        SetDrawToolBarMaker(nullptr);
        SetWindowToolBarPageMaker(nullptr);
    }
    CMainToolBar& Bar() { return static_cast<CMainToolBar&>(*view.mainToolBar); }
    // The first button the bar shows: its entry and command.
    int FirstShown(int& command) {
        for (size_t i = 0; i < Bar().List().size(); ++i) {
            const ToolButtonEntry& e = Bar().List()[i];
            if (e.Command && e.Visible && !Bar().ButtonRect(e.Command).IsEmpty()) {
                command = e.Command;
                return static_cast<int>(i);
            }
        }
        return -1;
    }
    // Turns the entry off on the page as the user does: its group, then its check box.
    static void TurnOff(CToolBarPage& page, int entry) {
        const int group = page.Working()[entry].Group;
        for (int i = 0; i < page.ItemCount(CToolButtonsPage::kGroupList); ++i)
            if (page.ItemData(CToolButtonsPage::kGroupList, i) == group) {
                page.SetCurSel(CToolButtonsPage::kGroupList, i);
                page.OnControlNotify(CToolButtonsPage::kGroupList, Notify::SelChange);
            }
        for (int i = 0; i < page.ItemCount(CToolButtonsPage::kButtonList); ++i)
            if (page.ItemData(CToolButtonsPage::kButtonList, i) == entry) {
                EXPECT_TRUE(page.ToggleItemCheck(CToolButtonsPage::kButtonList, i));
            }
        page.CheckRadioButton(CToolBarPage::kTop, CToolBarPage::kLeft, CToolBarPage::kLeft);
    }
    static CToolBarPage& ShowPage(CG2DPropSheet& sheet) {
        EXPECT_TRUE(sheet.toolBarPage);
        EXPECT_EQ(sheet.Page(sheet.PageCount() - 1), sheet.toolBarPage.get());
        sheet.SetActivePage(sheet.PageCount() - 1);
        platform::Application::PumpMessages();
        return static_cast<CToolBarPage&>(*sheet.toolBarPage);
    }

    CMainFrame frame;
    CMDIFrame child;
    CAPDraw view;
};

}  // namespace

TEST_F(WindowToolBarPage, ApplyShowsTheChangeAndCancelTakesItBack) {
    int command = 0;
    const int entry = FirstShown(command);
    ASSERT_GE(entry, 0);
    ASSERT_EQ(Bar().top, 1);
    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CG2DPropSheet&>(d);
        CToolBarPage& page = ShowPage(sheet);
        EXPECT_EQ(page.Template().caption, "Tool Bar");
        TurnOff(page, entry);
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng("png/plot_properties_tool_bar.png"));
        EXPECT_FALSE(Bar().ButtonRect(command).IsEmpty());  // nothing before Apply
        ClickItem(sheet, platform::PropertySheet::kApply);
        platform::Application::PumpMessages();
        EXPECT_TRUE(Bar().ButtonRect(command).IsEmpty());
        EXPECT_EQ(Bar().top, 0);
        sheet.OnCancel();
        return 2;
    });
    EXPECT_EQ(RunPlotProperties(view, {}), 2);
    platform::Application::PumpMessages();
    EXPECT_FALSE(Bar().ButtonRect(command).IsEmpty());
    EXPECT_EQ(Bar().List()[entry].Visible, 1);
    EXPECT_EQ(Bar().top, 1);
}

TEST_F(WindowToolBarPage, OkChangesThisWindowOnly) {
    int command = 0;
    const int entry = FirstShown(command);
    ASSERT_GE(entry, 0);
    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CG2DPropSheet&>(d);
        TurnOff(ShowPage(sheet), entry);
        sheet.OnOK();
        return 1;
    });
    EXPECT_EQ(RunPlotProperties(view, {}), 1);
    platform::Application::PumpMessages();
    EXPECT_TRUE(Bar().ButtonRect(command).IsEmpty());
    EXPECT_EQ(Bar().List()[entry].Visible, 0);
    EXPECT_EQ(Bar().top, 0);
    EXPECT_EQ(view.WindowRect().left, Bar().WindowRect().right);  // the bar lies on the left now
    // The type's defaults, which new plot windows take, are untouched.
    ToolButtonEntry* defaults = nullptr;
    int count = 0;
    const int32_t* top = GetMainToolBarTable(kDraw2DPlot, &defaults, &count);
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(*top, 1);
    ASSERT_GT(count, entry);
    EXPECT_EQ(defaults[entry].Visible, 1);
}

// A window without a bar of its own gets no Tool Bar page.
TEST_F(WindowToolBarPage, NoPageWithoutABar) {
    view.mainToolBar.reset();
    platform::automation::QueueModalScript([&](platform::Dialog& d) -> int {
        auto& sheet = static_cast<CG2DPropSheet&>(d);
        EXPECT_FALSE(sheet.toolBarPage);
        sheet.OnCancel();
        return 2;
    });
    RunPlotProperties(view, {});
}
