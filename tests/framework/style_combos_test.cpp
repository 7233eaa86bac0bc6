#include <gtest/gtest.h>

#include <filesystem>

#include "framework_fixture.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/line_styles.h"

using namespace ob7;
using platform::ControlKind;
using platform::Rect;
namespace automation = platform::automation;

namespace {

struct StylesDialog : CDialog2 {
    StylesDialog()
        : CDialog2(platform::DialogTemplate{5200, "Line", {170, 76}, {
              {ControlKind::Static, 100, "&Style:", Rect{7, 9, 50, 19}},
              {ControlKind::OwnerDrawCombo, 601, "", Rect{52, 7, 163, 21}},
              {ControlKind::Static, 101, "&Fill:", Rect{7, 27, 50, 37}},
              {ControlKind::OwnerDrawCombo, 602, "", Rect{52, 25, 163, 39}},
              {ControlKind::Static, 102, "&Arrow:", Rect{7, 45, 50, 55}},
              {ControlKind::OwnerDrawCombo, 603, "", Rect{52, 43, 163, 57}},
          }}) {}
    StyleCombo line{*this, 601, StyleComboKind::LineStyle};
    StyleCombo hatch{*this, 602, StyleComboKind::Hatch};
    StyleCombo arrow{*this, 603, StyleComboKind::Arrow};
    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override {
        line.DrawItem(dc, item) || hatch.DrawItem(dc, item) || arrow.DrawItem(dc, item);
    }
    int OnMeasureItem(int) override { return 18; }
};

}  // namespace

TEST(StyleCombos, FillSelectAndDrawTheStyles) {
    MainFrame();
    StylesDialog dialog;
    automation::QueueModalScript([&](platform::Dialog& d) {
        dialog.line.Fill(2);
        EXPECT_EQ(d.ItemCount(601), 5);
        EXPECT_EQ(dialog.line.GetSelData(), 2);
        dialog.line.Fill(-1);
        EXPECT_EQ(dialog.line.GetSelData(), -1);
        dialog.line.Fill(1);
        dialog.hatch.Fill(10);
        EXPECT_EQ(d.CurSel(602), 0);
        dialog.hatch.Fill(3);
        EXPECT_EQ(d.CurSel(602), 4);  // code c is item c + 1
        EXPECT_EQ(dialog.hatch.GetSelData(), 3);
        dialog.arrow.Fill(7);  // no such code: the first item
        EXPECT_EQ(dialog.arrow.GetSelData(), 0);
        dialog.arrow.Fill(1);

        // The dashed item: the line through the middle has gaps.
        platform::Image item(60, 16);
        {
            platform::DrawContext dc(item);
            platform::DrawItemInfo info{601, 1, Rect{0, 0, 60, 16}, false, false, 1};
            EXPECT_TRUE(dialog.line.DrawItem(dc, info));
        }
        int ink = 0, gaps = 0;
        platform::Color paper = item.Pixel(0, 0);
        for (int x = 2; x < 57; ++x) (item.Pixel(x, 8) == paper ? gaps : ink)++;
        EXPECT_GT(ink, 20);
        EXPECT_GT(gaps, 5);

        platform::Application::PumpMessages();
        std::filesystem::create_directories("png");
        d.Grab().SavePng("png/style_combos.png");
        return 2;
    });
    dialog.DoModal();
}
