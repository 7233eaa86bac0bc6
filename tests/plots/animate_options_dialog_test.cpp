// The Animate Options dialog on the offscreen platform.

#include <gtest/gtest.h>

#include "platform/automation.h"
#include "platform/dialog.h"
#include "platform/image.h"
#include "plot_fixture.h"
#include "plots/animate_options_dialog.h"

namespace {

using namespace ob7;
using Dlg = CAnimateOptionsDlg;

// The delay shows in seconds and is enabled only with its mode; OK keeps the choice and
// the delay in milliseconds.
TEST(AnimateOptionsDialog, ShowsTheModeAndKeepsTheChoice) {
    PlotTestApp();
    AnimateSettings settings;
    settings.mode = AnimateMode::WaitForTimeDelay;
    settings.delay_ms = 1500;
    {
        Dlg dialog(settings);
        platform::automation::QueueModalScript([&](platform::Dialog& d) {
            EXPECT_EQ(d.ItemText(Dlg::kDelayEdit), "1.5");
            EXPECT_TRUE(d.IsButtonChecked(Dlg::kWaitForTimeDelay));
            EXPECT_TRUE(d.IsItemEnabled(Dlg::kDelayEdit));
            EXPECT_TRUE(d.Grab().SavePng(PngPath("animate_options.png")));
            platform::automation::ClickItem(d, Dlg::kWaitForKeyPress);
            EXPECT_FALSE(d.IsItemEnabled(Dlg::kDelayEdit));
            EXPECT_FALSE(d.IsItemEnabled(Dlg::kDelayLabel));
            platform::automation::ClickItem(d, Dlg::kWaitForTimeDelay);
            d.SetItemText(Dlg::kDelayEdit, "0.25");
            platform::automation::ClickItem(d, 1);
            return 1;
        });
        EXPECT_EQ(dialog.DoModal(), 1);
    }
    EXPECT_EQ(settings.mode, AnimateMode::WaitForTimeDelay);
    EXPECT_EQ(settings.delay_ms, 250);
    {
        Dlg dialog(settings);
        platform::automation::QueueModalScript([&](platform::Dialog& d) {
            platform::automation::ClickItem(d, Dlg::kDontWait);
            platform::automation::ClickItem(d, 2);  // Cancel keeps the settings
            return 2;
        });
        EXPECT_EQ(dialog.DoModal(), 2);
    }
    EXPECT_EQ(settings.mode, AnimateMode::WaitForTimeDelay);
    {
        Dlg dialog(settings);
        platform::automation::QueueModalScript([&](platform::Dialog& d) {
            platform::automation::ClickItem(d, Dlg::kDontWait);
            platform::automation::ClickItem(d, 1);
            return 1;
        });
        dialog.DoModal();
    }
    EXPECT_EQ(settings.mode, AnimateMode::DontWait);
}

}  // namespace
