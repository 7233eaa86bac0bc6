#include <gtest/gtest.h>

#include "platform/image.h"
#include "platform/window.h"
#include "qt_app.h"

using namespace platform;

TEST(Cursor, OwnCursorsAndThePointersPlace) {
    TestApp();
    Window w;
    ASSERT_TRUE(w.Create(nullptr, Rect{0, 0, 200, 150}));
    Image cross(16, 16, Rgb(255, 255, 255));
    for (int i = 0; i < 16; ++i) {
        cross.SetPixel(i, 7, Rgb(0, 0, 0));
        cross.SetPixel(7, i, Rgb(0, 0, 0));
    }
    w.SetCursorImage(cross, Point{7, 7});
    w.SetCursorImage(Image(), Point{});  // a null picture changes nothing
    Window::SetCursorPos(Point{40, 30});
    EXPECT_EQ(Window::CursorPos(), (Point{40, 30}));
}
