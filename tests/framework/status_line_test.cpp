// The help line under sheets: its height for one and more lines, one-line prompts cut at
// the line break, two-line help lines drawn by the sheet with their prompts wrapped,
// hiding (the sheet shrinks) and the frozen flag.
#include <gtest/gtest.h>

#include <filesystem>

#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/status_line.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

// Prompt 17561 has two lines: "Selects, moves and edits objects.\nSelect Mode (Ctrl+E)".
constexpr int kTwoLinePrompt = 17561;

class ModePage : public CPropertyPage2 {
public:
    ModePage()
        : CPropertyPage2(platform::DialogTemplate{4400, "Mode", platform::Size{200, 60}, {
              {platform::ControlKind::CheckBox, kTwoLinePrompt, "Select", platform::Rect{7, 7, 120, 19}},
          }}) {}
};

// Rows of the rectangle with dark (text) pixels in them.
int InkedRows(const platform::Image& shot, const platform::Rect& r) {
    int rows = 0;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x) {
            const platform::Color c = shot.Pixel(x, y);
            if (platform::RedOf(c) + platform::GreenOf(c) + platform::BlueOf(c) < 200) {
                ++rows;
                break;
            }
        }
    return rows;
}

}  // namespace

// Height = lines x (font height - internal leading) + 2 x (system border + bar border)
// + the bar's insets - 1, and with two or more lines also lines x internal leading.
TEST(StatusLine, HeightFollowsItsLines) {
    MainFrame();
    platform::Font font;
    font.height = -13;  // a character height of 13 pixels
    SetStatusLineFont(font);
    platform::Image probe(1, 1);
    platform::DrawContext dc(probe);
    dc.SetFont(font);
    const platform::TextMetrics m = dc.GetTextMetrics();
    EXPECT_EQ(m.height - m.internalLeading, 13);
    const int borders = 2 * (1 + 1) + 2 + 0 - 1;

    ModePage page;
    CPropertySheet2 sheet("Lines");
    sheet.AddPage(page);
    std::vector<int> heights;
    automation::QueueModalScript([&](platform::Dialog& d) {
        auto& s = static_cast<CPropertySheet2&>(d);
        for (int lines : {1, 2, 3}) {
            s.helpLine.Hide();
            s.helpLine.Show(s, lines, true);
            heights.push_back(s.helpLine.CalcFixedLayout().cy);
            EXPECT_EQ(s.helpLine.CalcFixedLayout().cx, 32767);
            EXPECT_EQ(s.ItemRect(CPropertySheet2::kHelpLine).Height(), heights.back());
        }
        return 2;
    });
    sheet.DoModal();
    ASSERT_EQ(heights.size(), 3u);
    EXPECT_EQ(heights[0], 13 + borders);
    EXPECT_EQ(heights[1], 2 * 13 + borders + 2 * m.internalLeading);
    EXPECT_EQ(heights[2], 3 * 13 + borders + 3 * m.internalLeading);
    SetStatusLineFont(platform::Font{});
}

TEST(StatusLine, OneLineShowsTheFirstLineTwoLinesWrapTheirPrompt) {
    MainFrame();
    {
        ModePage page;
        CPropertySheet2 sheet("One line");
        sheet.AddPage(page);
        automation::QueueModalScript([&](platform::Dialog& d) {
            auto& s = static_cast<CPropertySheet2&>(d);
            automation::HoverItem(*s.Page(0), kTwoLinePrompt);
            EXPECT_EQ(s.Prompt(), "Selects, moves and edits objects.");
            s.helpLine.ShowControlHelp(9);
            EXPECT_EQ(s.Prompt(), "Invokes the help topic.");
            return 2;
        });
        sheet.DoModal();
    }
    ModePage page;
    CPropertySheet2 sheet("Two lines");
    sheet.helpLines = 2;
    sheet.AddPage(page);
    automation::QueueModalScript([&](platform::Dialog& d) {
        auto& s = static_cast<CPropertySheet2&>(d);
        const int lineHeight = s.helpLine.CalcFixedLayout().cy / 2;
        automation::HoverItem(*s.Page(0), kTwoLinePrompt);
        EXPECT_EQ(s.Prompt(), "Selects, moves and edits objects.\nSelect Mode (Ctrl+E)");
        platform::Application::PumpMessages();
        const platform::Rect bar = s.ItemRect(CPropertySheet2::kHelpLine);
        EXPECT_EQ(bar.bottom, s.ClientRect().bottom);
        const platform::Rect upper{bar.left, bar.top, bar.right, bar.top + lineHeight};
        const platform::Rect lower{bar.left, bar.top + lineHeight, bar.right, bar.bottom};
        platform::Image shot = d.Grab();
        std::filesystem::create_directories("png");
        EXPECT_TRUE(shot.SavePng("png/sheet_two_line_help.png"));
        EXPECT_GT(InkedRows(shot, upper), 3);
        EXPECT_GT(InkedRows(shot, lower), 3);
        // One long line breaks at a word onto the second line; "&" is drawn as it is.
        s.ShowPrompt(std::string(40, 'x') + " & " + std::string(200, 'y'));
        platform::Application::PumpMessages();
        shot = d.Grab();
        EXPECT_GT(InkedRows(shot, lower), 3);
        s.ShowPrompt("Short");
        platform::Application::PumpMessages();
        shot = d.Grab();
        EXPECT_EQ(InkedRows(shot, lower), 0);
        return 2;
    });
    sheet.DoModal();
}

TEST(StatusLine, HiddenOrFrozenLineKeepsItsText) {
    MainFrame();
    ModePage page;
    CPropertySheet2 sheet("Frozen");
    sheet.AddPage(page);
    automation::QueueModalScript([&](platform::Dialog& d) {
        auto& s = static_cast<CPropertySheet2&>(d);
        s.ShowPrompt("Before");
        s.helpLine.SetFrozen(true);
        s.ShowPrompt("During");
        s.helpLine.ShowControlHelp(9);
        s.helpLine.SetPromptById(kTwoLinePrompt);
        EXPECT_EQ(s.Prompt(), "Before");
        s.helpLine.SetFrozen(false);
        s.helpLine.SetPromptById(kTwoLinePrompt);
        EXPECT_EQ(s.Prompt(), "Selects, moves and edits objects.");
        // Hidden: the sheet shrinks by the bar and texts are not written.
        const int shown = s.WindowRect().Height(), bar = s.helpLine.CalcFixedLayout().cy;
        s.helpLine.Hide();
        EXPECT_FALSE(s.helpLine.IsShown());
        EXPECT_FALSE(s.IsItemVisible(CPropertySheet2::kHelpLine));
        EXPECT_EQ(s.WindowRect().Height(), shown - bar);
        s.ShowPrompt("Hidden");
        EXPECT_EQ(s.Prompt(), "Selects, moves and edits objects.");
        s.helpLine.CreateHelpLine(s);
        EXPECT_EQ(s.WindowRect().Height(), shown);
        s.ShowPrompt("Again");
        EXPECT_EQ(s.Prompt(), "Again");
        return 2;
    });
    sheet.DoModal();
}
