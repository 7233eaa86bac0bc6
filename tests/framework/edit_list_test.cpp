#include <gtest/gtest.h>

#include "framework_fixture.h"
#include "platform/automation.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/edit_list.h"

using namespace ob7;
using platform::ControlKind;
using platform::Rect;
namespace automation = platform::automation;

namespace {

struct StageList : CEditListCtrl {
    using CEditListCtrl::CEditListCtrl;
    std::vector<std::pair<int, int>> special;
    void OnSpecialCell(int column, int row) override { special.push_back({column, row}); }
};

}  // namespace

TEST(EditList, CellsNumbersLimitsAndClicksByColumnKind) {
    MainFrame();
    CDialog2 dialog(platform::DialogTemplate{5000, "Stages", {240, 120}, {
        {ControlKind::ReportList, 300, "", Rect{7, 7, 233, 90}},
        {ControlKind::DefPushButton, 1, "OK", Rect{129, 99, 179, 113}},
        {ControlKind::PushButton, 2, "Cancel", Rect{183, 99, 233, 113}},
    }});
    automation::QueueModalScript([](platform::Dialog& d) {
        StageList list(d, 300);
        EXPECT_EQ(list.AddColumn("Stage", 60, 0), 0);
        EXPECT_EQ(list.AddColumn("Q", 80, 2), 1);
        EXPECT_EQ(list.AddColumn("Type", 80, 1), 2);
        for (int i = 3; i < 8; ++i) list.AddColumn("x", 10, 2);
        EXPECT_EQ(list.AddColumn("ninth", 10, 2), -1);  // eight columns at most

        list.PutCell(0, 0, "1");  // creates the first row
        list.PutCell(1, 0, "0.707");
        list.PutCell(0, 1, "2");
        EXPECT_EQ(d.RowCount(300), 2);
        EXPECT_EQ(list.GetCell(1, 0), "0.707");
        list.SetCellNumber(1, 0, 0.1);
        EXPECT_EQ(list.GetCell(1, 0), "0.1");
        list.SetCellNumber(1, 1, 1.0 / 3);
        EXPECT_EQ(list.GetCell(1, 1), "0.3333333333333333");
        list.SetCell(2, 0, std::string(150, 'a'));
        EXPECT_EQ(list.GetCell(2, 0).size(), 99u);
        list.SetCell(1, 9, "no such row");  // cells beyond the rows are not made
        EXPECT_EQ(d.RowCount(300), 2);

        list.ClickCell(0, 1);  // kind 0: the row is selected, no edit
        EXPECT_EQ(d.CurSel(300), 1);
        EXPECT_FALSE(list.EndCellEdit());
        list.ClickCell(2, 0);  // kind 1: handed over
        EXPECT_EQ(list.special, (std::vector<std::pair<int, int>>{{2, 0}}));
        list.ClickCell(1, 1);  // a text column: edited in place
        d.SetCellText(300, 1, 1, std::string(250, '7'));  // what the user typed
        EXPECT_TRUE(list.EndCellEdit());
        EXPECT_EQ(d.CellText(300, 1, 1).size(), 199u);
        return 2;
    });
    dialog.DoModal();
}
