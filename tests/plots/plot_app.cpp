// The one application of the plot tests, with the program palette and colour slots.

#include "qt_app.h"
#include "ui/framework/colour_slots.h"

void PlotTestApp() {
    static bool ready = [] {
        TestApp();
        ob7::CreateProgramPalette();
        ob7::CreateColourSlots();
        return true;
    }();
    (void)ready;
}
