#include "ui/framework/print_services.h"

#include <algorithm>

#include "foundation/messages.h"
#include "platform/desktop.h"
#include "platform/image.h"
#include "ui/framework/colour_slots.h"
#include "ui/framework/dialog_templates.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/draw_window.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

using platform::Rect;

platform::PrintSettings PrinterChoice;

namespace {

int MulDiv(int a, int b, int c) { return c ? static_cast<int>(static_cast<long long>(a) * b / c) : 0; }

}  // namespace

bool DoPrintSetup(platform::Window* parent) {
    platform::PrintSettings settings = PrinterChoice;
    bool ok = platform::RunPrintSetupDialog(parent, settings);
    PrinterChoice.landscape = settings.landscape;  // the orientation survives a Cancel too
    if (!ok) return false;
    PrinterChoice = settings;
    for (CDraw* view : ViewList())
        if (view->IsCreated()) view->Invalidate();
    return true;
}

bool QueryDefaultPrinter(platform::Window* parent) {
    if (!PrinterChoice.outputFile.empty() || platform::PrinterAvailable()) return true;
    if (Shell.batchMode != 0) return false;
    platform::PrintSettings settings = PrinterChoice;
    bool ok = platform::RunPrintDialog(parent, settings);
    PrinterChoice.landscape = settings.landscape;
    if (!ok) return false;
    PrinterChoice = settings;
    return !PrinterChoice.outputFile.empty() || platform::PrinterAvailable();
}

void LayoutPrintPreview(platform::Dialog& dialog, bool withList) {
    int b = withList ? std::max(dialog.ItemRect(155).bottom, dialog.ItemRect(157).bottom)
                     : dialog.ItemRect(kCmdPrintSetup).bottom;
    platform::Rect client = dialog.ClientRect();
    int width = std::max(1, client.Width() - 2 * b - client.left - 8);
    int height = std::max(1, client.Height() - client.top - b - 14);
    platform::Size page{width, height};
    if (!PrinterChoice.outputFile.empty() || platform::PrinterAvailable()) {
        platform::Size physical = platform::QueryPageGeometry(PrinterChoice).physical;
        if (physical.cx > 0 && physical.cy > 0) page = physical;
    }
    double scale = std::min(width / static_cast<double>(page.cx), height / static_cast<double>(page.cy));
    int w = static_cast<int>(page.cx * scale), h = static_cast<int>(page.cy * scale);
    int x = (width - w) / 2 + b + 4, y = (height - h) / 2 + b + 4;
    dialog.MoveItem(kPreviewArea, platform::Rect{x, y, x + w, y + h});
}

void InvalidatePreviewArea(platform::Dialog& dialog) { dialog.InvalidateItem(kPreviewArea); }

bool RunPrintRangeDialog(platform::Window* parent, int& from, int& to, int pageCount) {
    platform::PrintSettings settings = PrinterChoice;
    settings.minPage = 1;
    settings.maxPage = std::max(1, pageCount);
    settings.fromPage = 1;
    settings.toPage = settings.maxPage;
    settings.selection = false;
    if (Shell.batchMode == 0 && !platform::RunPrintDialog(parent, settings)) return false;
    PrinterChoice.landscape = settings.landscape;
    PrinterChoice.printer = settings.printer;
    PrinterChoice.outputFile = settings.outputFile;
    if (settings.selection) {
        from = -1;
        to = -1;
    } else {
        from = settings.fromPage;
        to = settings.toPage;
    }
    if (from <= 0) from = 1;
    return true;
}

// --- The job ------------------------------------------------------------------------------

CPrintCancelDlg::CPrintCancelDlg() : CDialog2(*FindDialogTemplate(209)) {}

bool CPrintCancelDlg::OnInitDialog() {
    CDialog2::OnInitDialog();
    FocusItem(2);
    return false;
}

void CPrintCancelDlg::OnCancel() {
    cancelled = true;
    if (Parent()) Parent()->Enable(true);
    Destroy();
    if (CurrentDialog == this) CurrentDialog = nullptr;
}

int PrintJobRun::Start(platform::Window* window, const std::string& title) {
    window_ = window;
    if (!platform::PrinterAvailable() && PrinterChoice.outputFile.empty()) {
        if (!Shell.demoPlaying) ReportMessage("PE", window, 14093);
        return 0;
    }
    cancel_ = std::make_unique<CPrintCancelDlg>();
    if (cancel_->CreateModeless(window)) {
        cancel_->SetItemText(11000, "'" + title + "' on the");
        cancel_->SetItemText(11001, PrinterChoice.outputFile.empty()
                                         ? (PrinterChoice.printer.empty() ? "default printer" : PrinterChoice.printer)
                                         : PrinterChoice.outputFile);
    }
    if (window) window->Enable(false);
    open_ = true;
    if (!job_.Start(PrinterChoice, title)) {
        ReportMessage("PSE", window, 0x10, 14092);
        End();
        return 0;
    }
    return Cancelled() ? 0 : 1;
}

platform::DrawContext* PrintJobRun::StartPage() {
    if (Cancelled()) job_.Cancel();
    return job_.StartPage();
}

bool PrintJobRun::EndPage() { return job_.EndPage(); }

void PrintJobRun::End() {
    if (!open_) return;
    open_ = false;
    if (Cancelled()) job_.Abort();
    else job_.End();
    if (window_) window_->Enable(true);
    if (cancel_ && cancel_->IsCreated()) cancel_->Destroy();
    if (CurrentDialog == cancel_.get()) CurrentDialog = nullptr;
    window_ = nullptr;
}

// --- Pages ----------------------------------------------------------------------------------

void DrawPageFrame(CDraw& view, CDrawContext& context, bool frame) {
    platform::DrawContext* dc = context.Dc();
    if (!dc) return;
    SelectAndRealizePalette(context);
    if (view.UsesBackgroundColor(context)) context.SelectSlotBrush(view.GetBackgroundColor(context));
    else if (!frame) return;
    else dc->SetBrush(platform::Brush::Null());
    dc->SetPen(frame ? SlotPen(context, 0) : platform::Pen::Null());
    Rect r = view.GetDrawRect(context);
    if (!frame) {
        ++r.right;
        ++r.bottom;
    }
    dc->Rectangle(r);
}

platform::Size GetPhysicalPageSize(const platform::PrintJob& job) { return job.PhysicalSize(); }

platform::Point GetPrintMargins(const platform::PrintJob& job) {
    platform::Size physical = job.PhysicalSize(), page = job.PageSize();
    return platform::Point{(physical.cx - page.cx) / 2, (physical.cy - page.cy) / 2};
}

Rect PreviewPageRect(platform::Size physical, platform::Point margins, int printerDpi, int w, int h, bool binding) {
    int extra = binding ? static_cast<int>(0.7 * printerDpi) : 0;
    int left = MulDiv(extra + margins.x, w + 1, physical.cx);
    int right = MulDiv(margins.x, w + 1, physical.cx);
    int top = MulDiv(margins.y, h + 1, physical.cy);
    int bottom = MulDiv(margins.y, h + 1, physical.cy);
    return Rect{left, top, w - right, h - bottom};
}

void SnapshotScale(int width, int height, int screenDpi, int printerDpi, platform::Size printable, double& sx,
                   double& sy) {
    double ratio = std::max(screenDpi, printerDpi) / static_cast<double>(std::max(1, std::min(screenDpi, printerDpi)));
    sx = sy = ratio;
    if (width * sx > printable.cx && width > 0) {
        double f = printable.cx / (width * sx);
        sx *= f;
        sy *= f;
    }
    if (height * sy > printable.cy && height > 0) {
        double f = printable.cy / (height * sy);
        sx *= f;
        sy *= f;
    }
}

bool PrintWindowSnapshot(platform::Window& window) {
    if (!window.IsCreated()) return false;
    Rect r = window.WindowRect();
    if (r.IsEmpty()) return false;
    platform::Image image = window.Grab();
    if (image.IsNull()) return false;
    // Only what lies on the screen.
    platform::Point origin = window.ClientToScreen(platform::Point{0, 0});
    platform::Size screen = platform::desktop::ScreenSize();
    int w = std::min(image.Width(), screen.cx - std::max(0, origin.x));
    int h = std::min(image.Height(), screen.cy - std::max(0, origin.y));
    if (w <= 0 || h <= 0) return false;
    PrintJobRun run;
    if (!run.Start(&window, window.Text())) return false;
    platform::DrawContext* dc = run.StartPage();
    if (!dc) return false;
    platform::Size printable = run.Job().PageSize();
    double sx, sy;
    SnapshotScale(w, h, platform::desktop::LogicalDpi(), run.Job().Dpi(), printable, sx, sy);
    int pw = static_cast<int>(w * sx), ph = static_cast<int>(h * sy);
    int x = (printable.cx - pw) / 2, y = (printable.cy - ph) / 2;
    dc->StretchBlt(Rect{x, y, x + pw, y + ph}, image, Rect{0, 0, w, h});
    run.EndPage();
    run.End();
    return true;
}

}  // namespace ob7
