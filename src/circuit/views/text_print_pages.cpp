#include "circuit/views/text_print_pages.h"

#include "circuit/text_print.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/fonts.h"
#include "ui/framework/print_services.h"
#include "ui/framework/title_block.h"
#include "platform/image.h"
#include "platform/printing.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace ob7 {

namespace {

}  // namespace

std::vector<std::string> SplitPrintLines(const std::string& text)
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

namespace {

std::string FileName(const std::string& path)
{
    const size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

bool LayoutTextPages(const std::vector<std::string>& lines, const std::string& title, const FontRecord& textFont,
                     TextPageLayout& layout)
{
    // The printer's page, asked of a job that prints nothing, decides the pages, so that
    // the range can be chosen before the job starts.
    layout = TextPageLayout();
    {
        platform::PrintJob probe;
        if (probe.Start(PrinterChoice, FileName(title))) {
            layout.dpi = probe.Dpi();
            layout.page = probe.PageSize();
            layout.physical = probe.PhysicalSize();
            layout.margins = GetPrintMargins(probe);
        }
        probe.End();
    }
    if (layout.dpi <= 0 || layout.page.cy <= 0)
        return false;
    // The text font scaled from the screen to the printer.
    layout.font = CreateFontFromRecord(textFont);
    layout.font.height = layout.font.height * layout.dpi / std::max(1, ScreenPixelsPerInch);
    layout.header = PrinterSettings.header;
    layout.footer = PrinterSettings.footer;
    layout.headerLines = PrintTextLineCount(layout.header);
    layout.footerLines = PrintTextLineCount(layout.footer);
    platform::Image measure(8, 8);
    platform::DrawContext measuring(measure);
    measuring.SetFont(layout.font);
    const platform::TextMetrics metrics = measuring.GetTextMetrics();
    const int lineHeight = std::max(1, metrics.height + metrics.externalLeading);
    layout.perPage = LinesPerTextPage(layout.page.cy, lineHeight, layout.headerLines, layout.footerLines);
    layout.pages = TextPageCount(static_cast<int>(lines.size()), layout.perPage);
    return true;
}

void DrawTextPage(platform::DrawContext& dc, const TextPageLayout& layout, const TextPageColours& colours,
                  const std::vector<std::string>& lines, const std::string& title, int p, const platform::Font& font,
                  const platform::Rect& area, int left, int pitch)
{
    dc.SetFont(font);
    dc.SetBkOpaque(false);
    dc.ClipToRect(area);
    platform::Brush background;
    background.color = Slot(colours.background).colour;
    dc.FillRect(area, background);
    const platform::Color textColour = Slot(colours.text).colour;
    const platform::Color commentColour = Slot(colours.comment).colour;
    int row = 0;
    auto drawHeader = [&](const std::string& stored) {
        std::string expanded = stored;
        ExpandPageMacros(expanded, title, p + 1, layout.pages);
        for (const PrintHeaderLine& l : SplitPrintHeader(expanded)) {
            platform::Rect r{left, area.top + row * pitch, area.right - (left - area.left), area.top + (row + 1) * pitch};
            dc.SetTextColor(textColour);
            dc.DrawText(l.left, r, platform::kDtLeft | platform::kDtSingleLine | platform::kDtNoPrefix);
            dc.DrawText(l.centre, r, platform::kDtCenter | platform::kDtSingleLine | platform::kDtNoPrefix);
            dc.DrawText(l.right, r, platform::kDtRight | platform::kDtSingleLine | platform::kDtNoPrefix);
            ++row;
        }
    };
    drawHeader(layout.header);
    const int end = std::min(static_cast<int>(lines.size()), (p + 1) * layout.perPage);
    for (int i = p * layout.perPage; i < end; ++i, ++row) {
        const std::string line = ExpandTabsForPrint(lines[static_cast<size_t>(i)]);
        const size_t comment = PrintCommentStart(line);
        const std::string statement = line.substr(0, comment);
        const platform::Point at{left, area.top + row * pitch};
        dc.SetTextColor(textColour);
        dc.TextOut(at, statement);
        if (comment != std::string::npos) {
            dc.SetTextColor(commentColour);
            dc.TextOut({at.x + dc.TextExtent(statement).cx, at.y}, line.substr(comment));
        }
    }
    row = layout.headerLines + layout.perPage;
    drawHeader(layout.footer);
    dc.ResetClip();
}

int PrintTextPages(platform::Window* owner, const std::string& title, const std::string& text,
                   const FontRecord& textFont, const TextPageColours& colours)
{
    const std::vector<std::string> all = SplitPrintLines(text);
    if (all.empty())
        return 0;
    TextPageLayout layout;
    if (!LayoutTextPages(all, title, textFont, layout)) {
        PrintJobRun failed;  // reports the missing printer or the job that cannot start
        failed.Start(owner, FileName(title));
        return 0;
    }
    int from = 1, to = layout.pages;
    if (!RunPrintRangeDialog(owner, from, to, layout.pages))
        return 0;
    if (from < 1 || to < from || to > layout.pages)  // the selection: the whole text
        from = 1, to = layout.pages;

    PrintJobRun run;
    if (!run.Start(owner, FileName(title)))
        return 0;
    const int linesOfPage = layout.headerLines + layout.perPage + layout.footerLines;
    const int pitch = std::max(1, (layout.page.cy + 1 - 2 * layout.margins.y) / linesOfPage);
    const int left = layout.dpi * 7 / 10;  // the text begins 0.7 inch from the edge
    int printed = 0;
    for (int p = from - 1; p < to; ++p) {
        platform::DrawContext* dc = run.StartPage();
        if (!dc)
            break;
        DrawTextPage(*dc, layout, colours, all, title, p, layout.font, platform::Rect{0, 0, layout.page.cx, layout.page.cy},
                     left, pitch);
        if (!run.EndPage() || run.Cancelled())
            break;
        ++printed;
    }
    run.End();
    return printed;
}

namespace {

enum PreviewId : int {
    kPreviewTemplate = 12515, kIdPreviewArea = 100, kIdPageText = 101, kIdNextPage = 152, kIdPriorPage = 153,
    kIdPreviewPrint = 57607, kIdPreviewSetup = 57606, kIdPreviewFont = 18022, kIdPreviewHeader = 159,
    kIdPreviewClose = 23, kHeaderTemplate = 160,
};

platform::DialogTemplate PreviewTemplate()
{
    using platform::ControlKind;
    using platform::Rect;
    return platform::DialogTemplate{kPreviewTemplate, "Printer Preview", {300, 262}, {
        {ControlKind::OwnerDrawButton, kIdPreviewArea, "", Rect{7, 7, 220, 255}},
        {ControlKind::Static, kIdPageText, "", Rect{227, 7, 293, 17}},
        {ControlKind::PushButton, kIdNextPage, "&Next Page", Rect{227, 21, 293, 35}},
        {ControlKind::PushButton, kIdPriorPage, "&Prior Page", Rect{227, 39, 293, 53}},
        {ControlKind::PushButton, kIdPreviewPrint, "&Print...", Rect{227, 61, 293, 75}},
        {ControlKind::PushButton, kIdPreviewSetup, "&Setup...", Rect{227, 79, 293, 93}},
        {ControlKind::PushButton, kIdPreviewFont, "&Font...", Rect{227, 97, 293, 111}},
        {ControlKind::PushButton, kIdPreviewHeader, "&Header...", Rect{227, 115, 293, 129}},
        {ControlKind::DefPushButton, kIdPreviewClose, "&Close", Rect{227, 137, 293, 151}},
        {ControlKind::PushButton, 9, "&Help...", Rect{227, 155, 293, 169}},
    }};
}

platform::DialogTemplate HeaderTemplate()
{
    using platform::ControlKind;
    using platform::Rect;
    return platform::DialogTemplate{kHeaderTemplate, "Header and Footer", {250, 120}, {
        {ControlKind::Static, 100, "Header:", Rect{7, 7, 60, 17}},
        {ControlKind::MultiLineEdit, kIdField, "", Rect{7, 19, 243, 49}},
        {ControlKind::Static, 101, "Footer:", Rect{7, 53, 60, 63}},
        {ControlKind::MultiLineEdit, kIdField2, "", Rect{7, 65, 243, 95}},
        {ControlKind::DefPushButton, 1, "&OK", Rect{139, 100, 189, 114}},
        {ControlKind::PushButton, 2, "&Cancel", Rect{193, 100, 243, 114}},
    }};
}

// The header and footer of text printing, a line break shown for each backslash-n.
class CHeaderDlg : public CDialog2 {
public:
    explicit CHeaderDlg(platform::Window* parent) : CDialog2(HeaderTemplate(), nullptr, parent) {}
    bool OnInitDialog() override
    {
        CDialog2::OnInitDialog();
        SetItemText(kIdField, HeaderTextToControl(PrinterSettings.header));
        SetItemText(kIdField2, HeaderTextToControl(PrinterSettings.footer));
        return true;
    }
    void OnOK() override
    {
        PrinterSettings.header = HeaderTextFromControl(ItemText(kIdField));
        PrinterSettings.footer = HeaderTextFromControl(ItemText(kIdField2));
        CDialog2::OnOK();
    }
};

class CTextPreviewDlg : public CDialog2 {
public:
    CTextPreviewDlg(platform::Window* owner, TextPreviewSource& source)
        : CDialog2(PreviewTemplate(), nullptr, owner), source_(source)
    {
        OnCommand(kIdNextPage, [this](int) { ShowPage(page_ + 1); });
        OnCommand(kIdPriorPage, [this](int) { ShowPage(page_ - 1); });
        OnCommand(kIdPreviewPrint, [this](int) {
            PrintTextPages(this, source_.title, source_.text, source_.font, source_.colours);
        });
        OnCommand(kIdPreviewSetup, [this](int) {
            if (DoPrintSetup(this))
                Relayout();
        });
        OnCommand(kIdPreviewFont, [this](int) {
            if (RunFontDialogOnRecord(this, source_.font)) {
                if (source_.setFont)
                    source_.setFont(source_.font);
                Relayout();
            }
        });
        OnCommand(kIdPreviewHeader, [this](int) {
            CHeaderDlg header(this);
            if (header.DoModal() == 1)
                Relayout();
        });
        OnCommand(kIdPreviewClose, [this](int) { EndDialogSavePos(2); });
    }

    bool OnInitDialog() override
    {
        CDialog2::OnInitDialog();
        Relayout();
        return true;
    }

    void OnDrawItem(platform::DrawContext& dc, const platform::DrawItemInfo& item) override
    {
        if (item.controlId != kIdPreviewArea)
            return;
        platform::Brush grey;
        grey.color = platform::Rgb(128, 128, 128);
        dc.FillRect(item.rect, grey);
        if (!laidOut_ || layout_.pages <= 0)
            return;
        const int w = item.rect.right - item.rect.left, h = item.rect.bottom - item.rect.top;
        platform::Rect r = PreviewPageRect(layout_.physical, layout_.margins, layout_.dpi, w, h, true);
        r = {item.rect.left + r.left + 1, item.rect.top + r.top + 1, item.rect.left + r.right - 1,
             item.rect.top + r.bottom - 1};
        platform::Font font = layout_.font;
        font.height = static_cast<int>(static_cast<long long>(font.height) * (h + 1) / std::max(1, layout_.page.cy));
        if (font.height == 0)
            font.height = -1;
        const int linesOfPage = layout_.headerLines + layout_.perPage + layout_.footerLines;
        const int pitch = std::max(1, (r.bottom - r.top + 1) / std::max(1, linesOfPage));
        DrawTextPage(dc, layout_, source_.colours, lines_, source_.title, page_, font, r, r.left, pitch);
    }

    int Page() const { return page_; }
    const TextPageLayout& Layout() const { return layout_; }

private:
    void Relayout()
    {
        lines_ = SplitPrintLines(source_.text);
        laidOut_ = LayoutTextPages(lines_, source_.title, source_.font, layout_);
        ShowPage(page_);
    }
    // Keeps the page inside the page count and shows it.
    void ShowPage(int page)
    {
        const int pages = laidOut_ ? layout_.pages : 0;
        page_ = std::max(0, std::min(page, pages - 1));
        char caption[48];
        std::snprintf(caption, sizeof caption, "Page %d of %d", pages ? page_ + 1 : 0, pages);
        SetItemText(kIdPageText, caption);
        EnableItem(kIdNextPage, page_ + 1 < pages);
        EnableItem(kIdPriorPage, page_ > 0);
        InvalidateItem(kIdPreviewArea);
    }

    TextPreviewSource& source_;
    std::vector<std::string> lines_;
    TextPageLayout layout_;
    bool laidOut_ = false;
    int page_ = 0;
};

}  // namespace

void ShowTextPrintPreview(platform::Window* owner, TextPreviewSource& source)
{
    CTextPreviewDlg dialog(owner, source);
    dialog.DoModal();
}

}  // namespace ob7
