#include <gtest/gtest.h>

#include "expression/operator_table.h"
#include "foundation/recent_list.h"
#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/menu.h"
#include "ui/framework/control_fillers.h"
#include "ui/framework/dialogs.h"

using namespace ob7;
using platform::ControlKind;
using platform::Rect;

TEST(FunctionMenus, AnalysisMenuAndFamiliesOfParts) {
    platform::Menu all;
    int n = BuildFunctionMenu(&all, nullptr, 0, 20000, 3, 0, kMaskTransient, {});
    ASSERT_GT(n, 20);
    EXPECT_EQ(all.Count(), n);
    EXPECT_EQ(all.At(9).flags & platform::kMenuBreak, platform::kMenuBreak);  // a column every 9
    EXPECT_EQ(all.At(8).flags & platform::kMenuBreak, 0);
    EXPECT_EQ(all.At(0).id, 20000);
    bool doubled = false;
    for (int i = 0; i < all.Count(); ++i) {
        EXPECT_FALSE(all.At(i).text == "&") << "a lone & would underline the next item";
        doubled |= all.At(i).text == "&&";
    }
    EXPECT_TRUE(doubled);

    std::vector<FunctionMenuPart> parts = {{"R1", kDevResistor}, {"C2", kDevTwoTerminal},
                                           {std::string(120, 'X'), kDevTwoTerminal}};
    platform::Menu voltages;
    int v = BuildFunctionMenu(&voltages, nullptr, 0, 100, 1, 11, kMaskTransient, parts);
    ASSERT_GE(v, 2);
    EXPECT_EQ(voltages.At(0).text, "V(C2)");
    for (int i = 0; i < voltages.Count(); ++i) {
        EXPECT_EQ(voltages.At(i).text.find("R1"), std::string::npos);  // a resistor has no V of this family
        EXPECT_LE(voltages.At(i).text.size(), 95u);
    }
    EXPECT_EQ(BuildFunctionMenu(nullptr, nullptr, 0, 100, 0, 11, kMaskTransient, parts), v);  // counting only
}

TEST(FunctionMenus, ComboFillers) {
    MainFrame();
    CDialog2 dialog(platform::DialogTemplate{5100, "Fill", {120, 60}, {
        {ControlKind::ComboList, 400, "", Rect{7, 7, 113, 60}},
        {ControlKind::ComboDropDown, 401, "", Rect{7, 25, 113, 80}},
    }});
    platform::automation::QueueModalScript([](platform::Dialog& d) {
        FillComboWithScaleNames(d, 400);
        EXPECT_EQ(d.ItemCount(400), 3);
        EXPECT_EQ(d.ItemString(400, 2), "dB/Decade");
        CRecentList recent(8, "FIND_");
        recent.AddToTop("R1");
        recent.AddToTop("C3");
        FillComboFromRecentList(recent, d, 401);
        EXPECT_EQ(d.ItemCount(401), 2);
        EXPECT_EQ(d.ItemString(401, 0), "C3");
        EXPECT_EQ(d.CurSel(401), 0);
        return 2;
    });
    dialog.DoModal();
}
