#include <gtest/gtest.h>

#include "platform/application.h"
#include "platform/split_window.h"
#include "qt_app.h"

using namespace platform;

TEST(SplitWindow, ChildrenBecomePanesWithSizesAlongTheSplit) {
    TestApp();
    Window top;
    ASSERT_TRUE(top.Create(nullptr, Rect{0, 0, 400, 300}));
    SplitWindow split;
    ASSERT_TRUE(split.CreateSplit(&top, Rect{0, 0, 400, 300}, true));
    Window text, drawing;
    ASSERT_TRUE(text.Create(&split, Rect{0, 0, 400, 100}));
    ASSERT_TRUE(drawing.Create(&split, Rect{0, 0, 400, 200}));
    top.Show(true);
    Application::PumpMessages();
    EXPECT_EQ(split.PaneCount(), 2);
    split.SetPaneSizes({90, 200});  // the bar's own width is shared out
    Application::PumpMessages();
    std::vector<int> sizes = split.PaneSizes();
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_NEAR(sizes[0], 90, 6);
    EXPECT_NEAR(sizes[1], 200, 6);
    EXPECT_EQ(text.ClientRect().Height(), sizes[0]);
    EXPECT_EQ(drawing.ClientRect().Width(), 400);
}
