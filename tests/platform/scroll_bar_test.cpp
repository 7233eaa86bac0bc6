#include <gtest/gtest.h>

#include <vector>

#include "platform/automation.h"
#include "platform/scroll_bar.h"
#include "qt_app.h"

using namespace platform;

namespace {
struct Pane : Window {
    std::vector<std::pair<ScrollCode, int>> heard;
    void OnScroll(ScrollBarKind, ScrollCode code, int position) override { heard.push_back({code, position}); }
};
}  // namespace

TEST(ScrollBarWindow, RequestsReachTheParentWithThePosition) {
    TestApp();
    Pane pane;
    ASSERT_TRUE(pane.Create(nullptr, Rect{0, 0, 300, 200}));
    ScrollBarWindow bar;
    ASSERT_TRUE(bar.CreateBar(&pane, Rect{284, 0, 300, 200}, ScrollBarKind::Vertical));
    bar.SetRange(0, 99, 10);  // 100 lines, 10 in view
    bar.SetPos(20);
    EXPECT_EQ(bar.Pos(), 20);
    automation::SendScroll(bar, ScrollBarKind::Vertical, ScrollCode::LineDown);
    automation::SendScroll(bar, ScrollBarKind::Vertical, ScrollCode::Bottom);
    ASSERT_EQ(pane.heard.size(), 2u);
    EXPECT_EQ(pane.heard[0].first, ScrollCode::LineDown);
    EXPECT_EQ(pane.heard[0].second, 21);
    EXPECT_EQ(pane.heard[1].second, 90);  // the last page starts at 90
    int seen = -1;
    bar.onScroll = [&](ScrollCode, int position) { seen = position; };
    automation::SendScroll(bar, ScrollBarKind::Vertical, ScrollCode::Top);
    EXPECT_EQ(seen, 0);
    EXPECT_EQ(pane.heard.size(), 2u);
}
