#include "circuit/views/text_print_pages.h"

#include "circuit/text_print.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/fonts.h"
#include "ui/framework/print_services.h"
#include "ui/framework/title_block.h"
#include "platform/image.h"
#include "platform/printing.h"

#include <algorithm>
#include <vector>

namespace ob7 {

namespace {

// Lines end in LF or CR LF; the line end is no part of a line.
std::vector<std::string> SplitLines(const std::string& text)
{
    std::vector<std::string> lines;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        std::string line = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(std::move(line));
        if (end == std::string::npos)
            break;
        start = end + 1;
    }
    return lines;
}

std::string FileName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int PrintTextPages(platform::Window* owner, const std::string& title, const std::string& text,
                   const FontRecord& textFont, int textColourSlot, int commentColourSlot, int backgroundSlot)
{
    const std::vector<std::string> all = SplitLines(text);
    if (all.empty())
        return 0;
    // The printer's page, asked of a job that prints nothing, decides the pages, so that
    // the range can be chosen before the job starts.
    int dpi = 0;
    platform::Size page;
    platform::Point margins;
    {
        platform::PrintJob probe;
        if (probe.Start(PrinterChoice, FileName(title))) {
            dpi = probe.Dpi();
            page = probe.PageSize();
            margins = GetPrintMargins(probe);
        }
        probe.End();
    }
    if (dpi <= 0 || page.cy <= 0) {
        PrintJobRun failed;  // reports the missing printer or the job that cannot start
        failed.Start(owner, FileName(title));
        return 0;
    }

    // The text font scaled from the screen to the printer.
    platform::Font font = CreateFontFromRecord(textFont);
    font.height = font.height * dpi / std::max(1, ScreenPixelsPerInch);
    const std::string headerText = PrinterSettings.header, footerText = PrinterSettings.footer;
    const int headerLines = PrintTextLineCount(headerText), footerLines = PrintTextLineCount(footerText);
    platform::Image measure(8, 8);
    platform::DrawContext measuring(measure);
    measuring.SetFont(font);
    const platform::TextMetrics metrics = measuring.GetTextMetrics();
    const int lineHeight = std::max(1, metrics.height + metrics.externalLeading);
    const int perPage = LinesPerTextPage(page.cy, lineHeight, headerLines, footerLines);
    const int pages = TextPageCount(static_cast<int>(all.size()), perPage);
    int from = 1, to = pages;
    if (!RunPrintRangeDialog(owner, from, to, pages))
        return 0;
    if (from < 1 || to < from || to > pages)  // the selection: the whole text
        from = 1, to = pages;

    PrintJobRun run;
    if (!run.Start(owner, FileName(title)))
        return 0;
    const int linesOfPage = headerLines + perPage + footerLines;
    const int pitch = std::max(1, (page.cy + 1 - 2 * margins.y) / linesOfPage);
    const int left = dpi * 7 / 10;  // the text begins 0.7 inch from the edge
    const platform::Color textColour = Slot(textColourSlot).colour;
    const platform::Color commentColour = Slot(commentColourSlot).colour;
    platform::Brush background;
    background.color = Slot(backgroundSlot).colour;
    platform::DrawContext* dc = nullptr;

    int printed = 0;
    for (int p = from - 1; p < to; ++p) {
        if (!(dc = run.StartPage()))
            break;
        dc->SetFont(font);
        dc->SetBkOpaque(false);
        const platform::Rect area{0, 0, page.cx, page.cy};
        dc->ClipToRect(area);
        dc->FillRect(area, background);
        int row = 0;
        auto drawHeader = [&](const std::string& stored) {
            std::string expanded = stored;
            ExpandPageMacros(expanded, title, p + 1, pages);
            for (const PrintHeaderLine& l : SplitPrintHeader(expanded)) {
                platform::Rect r{left, row * pitch, page.cx - left, (row + 1) * pitch};
                dc->SetTextColor(textColour);
                dc->DrawText(l.left, r, platform::kDtLeft | platform::kDtSingleLine | platform::kDtNoPrefix);
                dc->DrawText(l.centre, r, platform::kDtCenter | platform::kDtSingleLine | platform::kDtNoPrefix);
                dc->DrawText(l.right, r, platform::kDtRight | platform::kDtSingleLine | platform::kDtNoPrefix);
                ++row;
            }
        };
        drawHeader(headerText);
        for (int i = p * perPage; i < std::min(static_cast<int>(all.size()), (p + 1) * perPage); ++i, ++row) {
            const std::string line = ExpandTabsForPrint(all[static_cast<size_t>(i)]);
            const size_t comment = PrintCommentStart(line);
            const std::string statement = line.substr(0, comment);
            const platform::Point at{left, row * pitch};
            dc->SetTextColor(textColour);
            dc->TextOut(at, statement);
            if (comment != std::string::npos) {
                dc->SetTextColor(commentColour);
                dc->TextOut({at.x + dc->TextExtent(statement).cx, at.y}, line.substr(comment));
            }
        }
        row = headerLines + perPage;
        drawHeader(footerText);
        dc->ResetClip();
        if (!run.EndPage() || run.Cancelled())
            break;
        ++printed;
    }
    run.End();
    return printed;
}

}  // namespace ob7
