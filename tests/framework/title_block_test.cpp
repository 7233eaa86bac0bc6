#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "foundation/profile.h"
#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/file_dialog.h"
#include "platform/clipboard.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "ui/framework/title_block.h"

using namespace ob7;
namespace automation = platform::automation;

TEST(TitleBlock, PageFileAndSheetMacros) {
    TitleBlockSettings s;
    SetDefaultTitleBlock(s);
    s.fields[2] = "$PAGENAME: sheet $sheet of $maxsheet";
    s.fields[4] = "PAGE $PAGE OF $MAXPAGE";
    Macros.user = "Ada";
    Macros.company = "Lab";
    EXPECT_EQ(ExpandTitleField(s, 5, "/work/amp.cir", "Main", 2, 5, 1, 3), "PAGE 2 OF 5");
    EXPECT_EQ(ExpandTitleField(s, 1, "/work/amp.cir", "Main", 2, 5, 1, 3), "amp");
    EXPECT_EQ(ExpandTitleField(s, 2, "/work/amp.cir", "Main", 2, 5, 1, 3), "Ada Lab");
    EXPECT_EQ(ExpandTitleField(s, 3, "/work/amp.cir", "Main", 2, 5, 1, 3), "Main: sheet 1 of 3");
    s.oneTitle = 1;
    EXPECT_EQ(ExpandTitleField(s, 3, "/work/amp.cir", "Main", 2, 5, 1, 3), "Main: sheet n\\a of n\\a");

    std::string t = "$nameext / $name";
    ExpandFileMacros(t, "/work/amp.cir");
    EXPECT_EQ(t, "amp.cir / amp");
    t = "$name";
    ExpandFileMacros(t, "/work/README");
    EXPECT_EQ(t, "README");
    EXPECT_EQ(ExpandTitleField(s, 9, "x", "", 1, 1, 1, 1), "");  // no such field
}

TEST(TitleBlock, LayoutExpandsTheFieldsAndMeasuresTheBlock) {
    TestApp();
    TitleBlockSettings s;
    SetDefaultTitleBlock(s);
    s.fields[2] = "$pagename   ";
    s.fields[3] = "";
    Macros.user = "Ada";
    Macros.company = "Lab";
    platform::Image image(200, 50, 0xFFFFFF);
    platform::DrawContext dc(image);
    TitleBlockLayout layout = LayoutTitleBlock(s, dc, "/work/amplifier.cir", "Main", 2, 5, 1, 3);
    EXPECT_EQ(layout.fields[0], "amplifier");
    EXPECT_EQ(layout.fields[1], "Ada Lab");
    EXPECT_EQ(layout.fields[2], "Main");  // trailing spaces removed
    EXPECT_EQ(layout.fields[3], "");
    EXPECT_EQ(layout.fields[4], "Page 2 of 5");
    // Fields 2 to 5 count half: field 1 decides unless a small field is twice as wide.
    int large = dc.TextExtent("amplifier").cx, small = dc.TextExtent("Page 2 of 5").cx;
    EXPECT_EQ(layout.width, std::max(large, small / 2));
    s.fields[1] = std::string(60, 'W');
    layout = LayoutTitleBlock(s, dc, "/work/amplifier.cir", "Main", 2, 5, 1, 3);
    EXPECT_EQ(layout.width, dc.TextExtent(std::string(60, 'W')).cx / 2);
    EXPECT_GT(layout.width, large);
}

TEST(TitleBlock, AMacroThatRefersToItselfEnds) {
    Macros.user = "$user and $user";
    std::string t = "by $user.";
    ExpandFileMacros(t, "a.cir");
    EXPECT_EQ(t, "by $user and $user.");
    std::string n = "$name";
    ExpandFileMacros(n, "$name.cir");
    EXPECT_EQ(n, "$name");
    Macros.user.clear();
}

TEST(TitleBlock, OutputHeaderLines) {
    StringTriple h;
    h.texts = {"Circuit: $name\\nDate: fixed", "", "$analysis"};
    auto lines = LayoutAnalysisHeader(h, 40, "AC Analysis", "amp.cir");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], "Circuit: amp                 AC Analysis");
    EXPECT_EQ(lines[1], "Date: fixed");
    h.texts = {"", "A centre text longer than the line", ""};
    lines = LayoutAnalysisHeader(h, 20, "", "x");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], "A centre text longer");
    h.texts = {"", "mid", ""};
    EXPECT_EQ(LayoutAnalysisHeader(h, 11, "", "x")[0], "    mid");
    EXPECT_EQ(HeaderTextToControl("a\\nb"), "a\r\nb");
    EXPECT_EQ(HeaderTextFromControl("a\r\nb"), "a\\nb");
}

TEST(TitleBlock, PrinterSectionRoundTripAndItsReadingRules) {
    std::string path = (std::filesystem::temp_directory_path() / ("ob7_printer_" + std::to_string(::getpid()) + ".ini")).string();
    PrinterSettingsRecord written;
    SetDefaultTitleBlock(written.title);
    written.title.border = 1;
    written.orientation = 2;
    written.header = "$name";
    {
        Profile out;
        ASSERT_EQ(out.OpenWrite(path.c_str()), 0);
        out.WriteSection("Printer");
        WritePrinterSection(out, written);
        out.Close();
    }
    std::ifstream in(path);
    std::string all((std::istreambuf_iterator<char>(in)), {});
    EXPECT_NE(all.find("Field_5=Page $page of $maxpage"), std::string::npos);
    EXPECT_NE(all.find("Title_Block_Border=Yes"), std::string::npos);

    auto read = [&](PrinterSettingsRecord& r) {
        Profile p;
        ASSERT_EQ(p.OpenRead(path.c_str()), 0);
        std::string section;
        p.ReadLine(section);
        ReadPrinterSection(p, r);
    };
    PrinterSettingsRecord back;
    read(back);
    EXPECT_EQ(back.title.fields, written.title.fields);
    EXPECT_EQ(back.title.border, 1);
    EXPECT_EQ(back.title.oneTitle, 0);
    EXPECT_EQ(back.orientation, 2);
    EXPECT_EQ(back.header, "$name");

    std::ofstream(path) << "[Printer]\nfield_2=two\nFIELD_6=six\nFIELD_0=zero\none title=YES\nTitle_Block=maybe\n";
    PrinterSettingsRecord rules;
    rules.title.titleBlock = 1;
    read(rules);
    EXPECT_EQ(rules.title.fields[1], "two");
    EXPECT_EQ(rules.title.oneTitle, 1);
    EXPECT_EQ(rules.title.titleBlock, 0);
    std::remove(path.c_str());
}

TEST(TitleBlock, PageAppliesAndCancelRestores) {
    MainFrame();
    TitleBlockSettings settings;
    SetDefaultTitleBlock(settings);
    TitleBlockPage page(settings);
    CPropertySheet2 sheet("Properties");
    sheet.AddPage(page);
    automation::QueueModalScript([&](platform::Dialog& d) {
        auto& p = *static_cast<CPropertySheet2&>(d).Page(0);
        EXPECT_EQ(p.ItemText(12806), "Page $page of $maxpage");
        // The help line shows the prompt of the control under the mouse.
        auto& s = static_cast<CPropertySheet2&>(d);
        automation::HoverItem(p, 12802);
        EXPECT_EQ(s.Prompt(), "Controls the contents of field 1.  Large font.");
        automation::HoverItem(d, 1);
        EXPECT_EQ(s.Prompt(), "Closes this dialog box and saves any changes you have made.");
        automation::HoverItem(p, 100);  // a label has no prompt
        EXPECT_EQ(s.Prompt(), "");
        automation::HoverItem(p, 12807);
        p.SetItemText(12802, "Amplifier");
        p.CheckButton(12807, 1);
        EXPECT_TRUE(d.IsItemEnabled(CPropertySheet2::kApply));
        automation::ClickItem(d, CPropertySheet2::kApply);
        EXPECT_EQ(settings.fields[0], "Amplifier");
        EXPECT_EQ(settings.border, 1);
        EXPECT_EQ(s.Prompt(), "Adds a border.");
        EXPECT_TRUE(d.IsItemVisible(CPropertySheet2::kHelpLine));
        std::filesystem::create_directories("png");
        d.Grab().SavePng("png/title_block_page.png");
        automation::ClickItem(d, 2);  // Cancel restores what Apply wrote
        return 0;
    });
    EXPECT_EQ(sheet.DoModal(), 2);
    EXPECT_EQ(settings.fields[0], "$name");
    EXPECT_EQ(settings.border, 0);
}

TEST(TitleBlock, WindowBitmapOnTheClipboard) {
    platform::FrameWindow& main = MainFrame();
    TextFrame f;
    ASSERT_TRUE(f.Open(main, "/tmp/bitmap.ckt", "R1 1 0 1k\r\n"));
    f.Activate();
    platform::Application::PumpMessages();
    ASSERT_TRUE(CopyWindowBitmapToClipboard(f.view, platform::Rect{0, 0, 49, 19}));
    platform::Image image = platform::clipboard::GetImage();
    EXPECT_EQ(image.Width(), 50);
    EXPECT_EQ(image.Height(), 20);
    ASSERT_TRUE(CopyWindowBitmapToClipboard(f.view));
    EXPECT_EQ(platform::clipboard::GetImage().Width(), f.view.ClientRect().Width());
    // The drawing window's commands: the select-box part only while there is a box.
    platform::clipboard::Clear();
    EXPECT_FALSE(f.view.ExecuteCommand(kCmdCopySelectBoxBmp));
    f.view.selectionBox = platform::Rect{10, 10, 29, 19};
    EXPECT_TRUE(f.view.ExecuteCommand(kCmdCopySelectBoxBmp));
    EXPECT_EQ(platform::clipboard::GetImage().Width(), 20);
    EXPECT_TRUE(f.view.ExecuteCommand(kCmdCopyVisibleBmp));
    f.Destroy();
}

TEST(TitleBlock, PictureDialogEditsFileBorderAndFill) {
    MainFrame();
    PictureObjectValues values;
    values.file = "logo.bmp";
    values.fillColour = 12;
    automation::QueueModalScript([](platform::Dialog& d) {
        EXPECT_EQ(d.ItemText(10), "logo.bmp");
        EXPECT_EQ(d.CurSel(18802), 0);  // weight 1
        automation::QueueFileDialogAnswer({"/tmp/board.jpg"});
        automation::ClickItem(d, 18801);
        EXPECT_EQ(d.ItemText(10), "/tmp/board.jpg");
        EXPECT_EQ(automation::LastFileDialogOptions().title, "Open Picture");
        EXPECT_EQ(automation::LastFileDialogOptions().filters.size(), 6u);
        automation::ClickItem(d, 19809);       // border red
        automation::ClickItem(d, 19865 + 64);  // fill: No Color
        d.SetCurSel(18802, 2);
        platform::Application::PumpMessages();
        std::filesystem::create_directories("png");
        d.Grab().SavePng("png/picture_dialog.png");
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_EQ(RunPictureDialog(nullptr, values), 1);
    EXPECT_EQ(values.file, "/tmp/board.jpg");
    EXPECT_EQ(values.lineColour, 9);
    EXPECT_EQ(values.fillColour, 74);
    EXPECT_EQ(values.lineWidth, 3);
}
