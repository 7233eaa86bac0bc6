#pragma once
// Printing for every printable window: the set-up and page-range dialogs, the print job
// with its "Printing" cancel dialog, the frame of a printed page, the page geometry of
// the print preview, and the one-page snapshot of the active window.

#include <memory>
#include <string>

#include "platform/printing.h"
#include "ui/framework/dialogs.h"

namespace ob7 {

class CDraw;
class CDrawContext;

// The printer the program prints on: orientation, printer name or PDF file; kept for
// the whole run.
extern platform::PrintSettings PrinterChoice;
constexpr int kCmdPrintSetup = 57606, kCmdPrintSnapshot = 1022;

// File/Print Setup; on OK every open view is repainted.
bool DoPrintSetup(platform::Window* parent);
// The print dialog with a page range: from and to (to -1 for the selection); in batch
// runs the whole range without a dialog. False on Cancel.
bool RunPrintRangeDialog(platform::Window* parent, int& from, int& to, int pageCount);

// The "Printing" dialog of a running job.
class CPrintCancelDlg : public CDialog2 {
public:
    CPrintCancelDlg();
    bool OnInitDialog() override;
    void OnCancel() override;
    bool cancelled = false;
};

// One print job of a window: opens the printer, shows the cancel dialog and disables
// the window until the job ends.
class PrintJobRun {
public:
    ~PrintJobRun() { End(); }
    // 1 on success; failures are reported (14093 no printer, 14092 the job cannot start).
    int Start(platform::Window* window, const std::string& title);
    platform::DrawContext* StartPage();
    bool EndPage();
    void End();
    bool Cancelled() const { return cancel_ && cancel_->cancelled; }
    platform::PrintJob& Job() { return job_; }
    CPrintCancelDlg* CancelDialog() { return cancel_.get(); }

private:
    platform::PrintJob job_;
    std::unique_ptr<CPrintCancelDlg> cancel_;
    platform::Window* window_ = nullptr;
    bool open_ = false;
};

// The frame around a printed page: the background when the view paints it on this
// context, and a black outline with the frame flag.
void DrawPageFrame(CDraw& view, CDrawContext& context, bool frame);
platform::Size GetPhysicalPageSize(const platform::PrintJob& job);
platform::Point GetPrintMargins(const platform::PrintJob& job);
// The printable part of a page inside a preview area of w x h pixels; binding adds a
// margin of 0.7 inch on the left.
platform::Rect PreviewPageRect(platform::Size physical, platform::Point margins, int printerDpi, int w, int h,
                               bool binding);
// The scale of a window of width x height screen pixels on a printable area: at least
// the ratio of the resolutions, reduced (keeping the aspect) to fit.
void SnapshotScale(int width, int height, int screenDpi, int printerDpi, platform::Size printable, double& sx,
                   double& sy);
// Whether there is a printer to print on (PDF output needs none); without one, and not
// in a batch run, the print dialog may choose one. The orientation stays as chosen.
bool QueryDefaultPrinter(platform::Window* parent);
// Preview dialogs: the page area (control 160) placed under the buttons and scaled to
// the chosen printer's sheet (the whole free area without a printer); withList measures
// from the lists 155 and 157 instead of the Setup button.
constexpr int kPreviewArea = 160;
void LayoutPrintPreview(platform::Dialog& dialog, bool withList);
void InvalidatePreviewArea(platform::Dialog& dialog);

// Prints the window as shown, as far as it lies on the screen, on one page.
bool PrintWindowSnapshot(platform::Window& window);

}  // namespace ob7
