#pragma once
// Printing: the print and set-up dialogs and a print job of pages to a printer or a
// PDF file. The job pumps queued input between pages, so a cancel dialog stays alive
// without a thread.

#include <memory>
#include <string>

#include "platform/geometry.h"

namespace platform {

class DrawContext;
class Window;
struct PrintJobImpl;

struct PrintSettings {
    std::string printer;     // empty: the default printer
    std::string outputFile;  // a PDF file in place of the printer when not empty
    bool landscape = false;
    int fromPage = 1;
    int toPage = 1;
    int minPage = 1;
    int maxPage = 1;
    bool selection = false;  // the user chose to print the selection
    int copies = 1;
    bool monochrome = false;  // print in black and white; the page context says so
};

// The print dialog with a page range; true on OK. A script queued for modal dialogs
// (automation.h) answers in place of the user.
bool RunPrintDialog(Window* parent, PrintSettings& settings);
// Print set-up (printer and orientation); true on OK.
bool RunPrintSetupDialog(Window* parent, PrintSettings& settings);
// True when the system has a printer; PDF output needs none.
bool PrinterAvailable();
// The page of the printer the settings name (or of their PDF output) in device pixels,
// without starting a job.
struct PageGeometry {
    Size physical;   // whole sheet
    Size printable;  // printable area
    int dpi = 0;
};
PageGeometry QueryPageGeometry(const PrintSettings& settings);

class PrintJob {
public:
    PrintJob();
    ~PrintJob();  // aborts a job still open
    PrintJob(const PrintJob&) = delete;
    PrintJob& operator=(const PrintJob&) = delete;

    bool Start(const PrintSettings& settings, const std::string& title);
    // The context of a new page; null when the job is not running or was cancelled.
    DrawContext* StartPage();
    bool EndPage();
    bool End();
    void Abort();
    void Cancel() { cancelled_ = true; }
    bool Cancelled() const { return cancelled_; }
    int PagesPrinted() const { return pages_; }

    // Geometry of the page in device pixels.
    Size PageSize() const;       // printable area
    Size PhysicalSize() const;   // whole sheet
    int Dpi() const;

private:
    std::unique_ptr<PrintJobImpl> impl_;
    bool cancelled_ = false;
    int pages_ = 0;
};

}  // namespace platform
