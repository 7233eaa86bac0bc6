// Pictures of the framework's windows for judging their looks: written as PNG files
// into png/ of the test's working folder.

#include <gtest/gtest.h>

#include <filesystem>

#include "framework_fixture.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/image.h"
#include "platform/menu.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/dialogs.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

std::string PngPath(const char* name) {
    std::filesystem::create_directories("png");
    return (std::filesystem::current_path() / "png" / name).string();
}

// The image is not blank: more than a few colours are on it.
bool HasContent(const platform::Image& image) {
    platform::Color first = image.Pixel(image.Width() / 2, image.Height() / 2);
    int different = 0;
    for (int y = 0; y < image.Height(); y += 3)
        for (int x = 0; x < image.Width(); x += 3) different += image.Pixel(x, y) != first;
    return different > 50;
}

constexpr const char* kNetlist =
    "* RC low-pass filter\r\n"
    "V1 in 0 AC 1 SIN(0 1 1k)\r\n"
    "R1 in out 1k\t; series resistor\r\n"
    "C1 out 0 100n\r\n"
    ".TRAN 10u 5m\r\n"
    ".AC DEC 20 10 1MEG\r\n"
    ".END\r\n";

}  // namespace

TEST(Pictures, FrameWithATextEditorHoldingANetlist) {
    platform::FrameWindow& main = MainFrame();
    main.SetText("Ombrelic - [lowpass.ckt]");
    platform::Menu menu;
    for (const char* title : {"&File", "&Edit", "&Component", "&Windows", "&Options", "&Analysis", "&Help"})
        menu.AppendPopup(title).Append(57600, "&New");
    main.SetMenu(&menu);
    main.SetStatusPanes({-1, 140});
    main.SetPaneText(0, "Ready");
    main.SetPaneText(1, "Ln 3, Col 1");
    main.ShowStatusBar(true);
    TextFrame frame;
    ASSERT_TRUE(frame.Open(main, "/tmp/lowpass.ckt", kNetlist));
    frame.Activate();
    frame.view.editor.SetFocus();
    frame.view.editor.SetSel(frame.view.editor.LineIndex(2), frame.view.editor.LineIndex(2) + 2);
    platform::Application::PumpMessages();
    platform::Image image = main.Grab();
    ASSERT_FALSE(image.IsNull());
    EXPECT_TRUE(HasContent(image));
    EXPECT_TRUE(image.SavePng(PngPath("text_frame.png")));
    frame.Destroy();
    main.SetMenu(nullptr);
    main.ShowStatusBar(false);
}

TEST(Pictures, FontAndColourSheetAndTheColourGrid) {
    MainFrame();
    FontRecord record;
    DefaultFontRecord(record);
    record.height = -16;
    uint8_t colour = 12;
    automation::QueueModalScript([](platform::Dialog& d) {
        auto& sheet = static_cast<CFontProp&>(d);
        platform::Application::PumpMessages();
        platform::Image font = d.Grab();
        EXPECT_TRUE(HasContent(font));
        EXPECT_TRUE(font.SavePng(PngPath("font_sheet.png")));
        sheet.SetActivePage(1);
        platform::Application::PumpMessages();
        platform::Image colours = d.Grab();
        EXPECT_TRUE(HasContent(colours));
        EXPECT_TRUE(colours.SavePng(PngPath("colour_page.png")));
        return 2;
    });
    CFontProp sheet(nullptr, &record, 0, &colour, nullptr);
    EXPECT_EQ(sheet.DoModal(), 2);
}

TEST(Pictures, SmallDialogsOfTheFramework) {
    MainFrame();
    struct Shot { int id; const char* file; } shots[] = {
        {12202, "rename_page.png"}, {262, "password.png"}, {3200, "list_choice.png"}, {154, "format.png"}};
    for (const Shot& shot : shots) {
        automation::QueueModalScript([&](platform::Dialog& d) {
            if (d.HasItem(109))
                for (const char* s : {"Page 1", "Page 2", "Page 3"}) d.AddString(109, s);
            platform::Application::PumpMessages();
            platform::Image image = d.Grab();
            EXPECT_TRUE(image.SavePng(PngPath(shot.file)));
            return 2;
        });
        if (shot.id == 154) {
            NumberFormatSpec spec;
            spec.Set("6E");
            CNumFormatDlg dialog(nullptr, spec);
            dialog.DoModal();
        } else {
            CDialog2 dialog(*FindDialogTemplate(shot.id));
            dialog.DoModal();
        }
    }
}
