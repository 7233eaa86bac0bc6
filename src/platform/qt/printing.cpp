// Printing through QPrinter: dialogs, and jobs to a printer or a PDF file. Between
// pages the job pumps queued input so a cancel button can be pressed.

#include "platform/printing.h"

#include <QFile>
#include <QPageLayout>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>

#include "platform/application.h"
#include "platform/draw_context.h"
#include "platform/qt/native.h"

namespace platform {
namespace {

void ApplySettings(QPrinter& printer, const PrintSettings& s) {
    if (!s.outputFile.empty()) {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(ToQString(s.outputFile));
    } else if (!s.printer.empty()) {
        printer.setPrinterName(ToQString(s.printer));
    }
    printer.setPageOrientation(s.landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    printer.setCopyCount(std::max(s.copies, 1));
    printer.setColorMode(s.monochrome ? QPrinter::GrayScale : QPrinter::Color);
}

void ReadSettings(const QPrinter& printer, PrintSettings& s) {
    s.landscape = printer.pageLayout().orientation() == QPageLayout::Landscape;
    if (printer.outputFormat() == QPrinter::NativeFormat) s.printer = FromQString(printer.printerName());
    s.copies = printer.copyCount();
    s.monochrome = printer.colorMode() == QPrinter::GrayScale;
}

bool RunDialog(Window* parent, PrintSettings& settings, bool setupOnly) {
    std::function<bool(PrintSettings&)> answer;
    if (backend::TakePrintDialogAnswer(answer)) {
        PrintSettings edited = settings;
        if (!answer(edited)) return false;
        settings = edited;
    } else {
        QPrinter printer;
        ApplySettings(printer, settings);
        QWidget* owner = parent && parent->Peer() ? parent->Peer()->widget.data() : nullptr;
        QPrintDialog dialog(&printer, owner);
        if (setupOnly) {
            dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
            dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
        } else {
            dialog.setMinMax(settings.minPage, settings.maxPage);
            dialog.setFromTo(settings.fromPage, settings.toPage);
            dialog.setOption(QAbstractPrintDialog::PrintSelection, true);
        }
        backend::EnterModal();
        int result = dialog.exec();
        backend::LeaveModal();
        if (result != QDialog::Accepted) return false;
        ReadSettings(printer, settings);
        if (!setupOnly) {
            settings.selection = dialog.printRange() == QAbstractPrintDialog::Selection;
            if (dialog.printRange() == QAbstractPrintDialog::PageRange) {
                settings.fromPage = dialog.fromPage();
                settings.toPage = dialog.toPage();
            } else {
                settings.fromPage = settings.minPage;
                settings.toPage = settings.maxPage;
            }
        }
    }
    if (!setupOnly && settings.fromPage < 1) settings.fromPage = 1;
    return true;
}

}  // namespace

bool RunPrintDialog(Window* parent, PrintSettings& settings) { return RunDialog(parent, settings, false); }
bool RunPrintSetupDialog(Window* parent, PrintSettings& settings) { return RunDialog(parent, settings, true); }

bool PrinterAvailable() { return !QPrinterInfo::availablePrinterNames().isEmpty(); }

struct PrintJobImpl {
    QPrinter printer{QPrinter::HighResolution};
    std::unique_ptr<DrawContext> page;
    bool open = false;
    std::string outputFile;
};

PrintJob::PrintJob() = default;
PrintJob::~PrintJob() {
    if (impl_ && impl_->open) Abort();
}

bool PrintJob::Start(const PrintSettings& settings, const std::string& title) {
    if (impl_ && impl_->open) return false;
    impl_ = std::make_unique<PrintJobImpl>();
    cancelled_ = false;
    pages_ = 0;
    ApplySettings(impl_->printer, settings);
    impl_->printer.setDocName(ToQString(title));
    impl_->outputFile = settings.outputFile;
    if (!impl_->printer.isValid()) return false;
    impl_->open = true;
    return true;
}

DrawContext* PrintJob::StartPage() {
    if (!impl_ || !impl_->open) return nullptr;
    Application::PumpMessages();  // the cancel button of a printing dialog may be pressed
    if (cancelled_) return nullptr;
    if (pages_ == 0) {
        auto ctx = std::make_unique<DrawContextImpl>();
        if (!ctx->Begin(&impl_->printer, DeviceKind::Printer)) {
            impl_->open = false;
            return nullptr;
        }
        ctx->dpiX = impl_->printer.resolution();
        ctx->dpiY = impl_->printer.resolution();
        ctx->monochrome = impl_->printer.colorMode() == QPrinter::GrayScale;
        impl_->page = std::make_unique<DrawContext>(std::move(ctx));
    } else if (!impl_->printer.newPage()) {
        return nullptr;
    }
    return impl_->page.get();
}

bool PrintJob::EndPage() {
    if (!impl_ || !impl_->page) return false;
    ++pages_;
    Application::PumpMessages();
    return !cancelled_;
}

bool PrintJob::End() {
    if (!impl_ || !impl_->open) return false;
    if (cancelled_) {
        Abort();
        return false;
    }
    impl_->page.reset();  // ends the painter, which finishes the document
    impl_->open = false;
    return pages_ > 0;
}

void PrintJob::Abort() {
    if (!impl_ || !impl_->open) return;
    impl_->printer.abort();
    impl_->page.reset();
    impl_->open = false;
    if (!impl_->outputFile.empty()) QFile::remove(ToQString(impl_->outputFile));
}

PageGeometry QueryPageGeometry(const PrintSettings& settings) {
    QPrinter printer;
    ApplySettings(printer, settings);
    PageGeometry g;
    g.dpi = printer.resolution();
    QRect full = printer.pageLayout().fullRectPixels(g.dpi);
    QRect paint = printer.pageLayout().paintRectPixels(g.dpi);
    g.physical = Size{full.width(), full.height()};
    g.printable = Size{paint.width(), paint.height()};
    return g;
}

Size PrintJob::PageSize() const {
    if (!impl_) return {};
    QRect r = impl_->printer.pageLayout().paintRectPixels(impl_->printer.resolution());
    return Size{r.width(), r.height()};
}

Size PrintJob::PhysicalSize() const {
    if (!impl_) return {};
    QRect r = impl_->printer.pageLayout().fullRectPixels(impl_->printer.resolution());
    return Size{r.width(), r.height()};
}

int PrintJob::Dpi() const { return impl_ ? impl_->printer.resolution() : 0; }

}  // namespace platform
