// Kept apart from the circuit headers: the palette header has its own colour constants.
#include "views_fixture.h"

#include "platform/qt_app.h"
#include "ui/framework/colour_slots.h"

platform::FrameWindow& Main()
{
    static platform::FrameWindow* main = [] {
        TestApp();
        ob7::CreateProgramPalette();
        ob7::CreateColourSlots();
        auto* f = new platform::FrameWindow;
        f->CreateFrame("Ombrelic", platform::Rect{0, 0, 900, 640});
        TestApp().SetMainWindow(f);
        f->Show(true);
        return f;
    }();
    return *main;
}
