#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <regex>

#include "framework_fixture.h"
#include "platform/automation.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "ui/framework/draw_context.h"
#include "ui/framework/print_services.h"
#include "ui/framework/shell_state.h"

using namespace ob7;
namespace automation = platform::automation;

TEST(Printing, PageRangeSelectionZeroStartAndBatchRuns) {
    MainFrame();
    int from = 0, to = 0;
    automation::QueuePrintDialogAnswer([](platform::PrintSettings& s) {
        s.selection = true;
        return true;
    });
    EXPECT_TRUE(RunPrintRangeDialog(nullptr, from, to, 4));
    EXPECT_EQ(from, 1);
    EXPECT_EQ(to, -1);
    automation::QueuePrintDialogAnswer([](platform::PrintSettings& s) {
        EXPECT_EQ(s.maxPage, 4);
        s.fromPage = 0;
        s.toPage = 3;
        s.landscape = true;
        return true;
    });
    EXPECT_TRUE(RunPrintRangeDialog(nullptr, from, to, 4));
    EXPECT_EQ(from, 1);
    EXPECT_EQ(to, 3);
    EXPECT_TRUE(PrinterChoice.landscape);
    automation::QueuePrintDialogAnswer([](platform::PrintSettings&) { return false; });
    EXPECT_FALSE(RunPrintRangeDialog(nullptr, from, to, 4));

    Shell.batchMode = 1;  // no dialog: the whole range
    EXPECT_TRUE(RunPrintRangeDialog(nullptr, from, to, 7));
    EXPECT_EQ(from, 1);
    EXPECT_EQ(to, 7);
    EXPECT_EQ(automation::PendingAnswers(), 0);
    Shell = ShellState{};
    PrinterChoice = platform::PrintSettings{};
}

TEST(Printing, PreviewAndSnapshotGeometry) {
    // A letter page at 300 dpi with quarter-inch margins in a 200 x 260 preview.
    platform::Rect r = PreviewPageRect({2550, 3300}, {75, 75}, 300, 200, 260, true);
    EXPECT_EQ(r, (platform::Rect{22, 5, 195, 255}));
    r = PreviewPageRect({2550, 3300}, {75, 75}, 300, 200, 260, false);
    EXPECT_EQ(r.left, 5);

    double sx, sy;
    SnapshotScale(800, 600, 96, 300, {2400, 3150}, sx, sy);  // too wide at 3.125: fitted
    EXPECT_DOUBLE_EQ(sx, 3.0);
    EXPECT_DOUBLE_EQ(sy, 3.0);
    SnapshotScale(100, 100, 300, 96, {2400, 3150}, sx, sy);  // a finer screen: still at least 1
    EXPECT_GE(sx, 1.0);
    EXPECT_DOUBLE_EQ(sx, sy);
    SnapshotScale(100, 2000, 96, 96, {1000, 1000}, sx, sy);
    EXPECT_DOUBLE_EQ(sy, 0.5);
    EXPECT_DOUBLE_EQ(sx, 0.5);
}

TEST(Printing, PreviewAreaTakesTheSheetsShapeUnderTheButtons) {
    MainFrame();
    using platform::ControlKind;
    platform::DialogTemplate tmpl{9002, "Preview", {300, 260}, {
        {ControlKind::PushButton, kCmdPrintSetup, "Setup...", platform::Rect{4, 4, 54, 18}},
        {ControlKind::Static, kPreviewArea, "", platform::Rect{4, 24, 40, 60}},
    }};
    platform::PrintSettings saved = PrinterChoice;
    PrinterChoice.outputFile = "/tmp/ob7_preview.pdf";  // a PDF sheet needs no printer
    PrinterChoice.landscape = false;
    platform::Size sheet = platform::QueryPageGeometry(PrinterChoice).physical;
    ASSERT_GT(sheet.cx, 0);
    CDialog2 dialog(tmpl);
    platform::Rect area, client;
    int b = 0;
    automation::QueueModalScript([&](platform::Dialog& d) {
        LayoutPrintPreview(d, false);
        area = d.ItemRect(kPreviewArea);
        client = d.ClientRect();
        b = d.ItemRect(kCmdPrintSetup).bottom;
        return 1;
    });
    dialog.DoModal();
    PrinterChoice = saved;
    // The sheet's proportions, as large as the free area allows, centred in it.
    int width = client.Width() - 2 * b - 8, height = client.Height() - b - 14;
    EXPECT_NEAR(area.Width() / static_cast<double>(area.Height()), sheet.cx / static_cast<double>(sheet.cy), 0.02);
    EXPECT_TRUE(area.Width() == width || area.Height() == height) << area.Width() << "x" << area.Height();
    EXPECT_EQ(area.top, (height - area.Height()) / 2 + b + 4);
    EXPECT_EQ(area.left, (width - area.Width()) / 2 + b + 4);
    EXPECT_GT(area.top, b);  // below the buttons
}

TEST(Printing, DefaultPrinterOrOneChosenInTheDialog) {
    MainFrame();
    platform::PrintSettings saved = PrinterChoice;
    PrinterChoice = {};
    PrinterChoice.outputFile = "/tmp/ob7_default.pdf";
    EXPECT_TRUE(QueryDefaultPrinter(nullptr));
    PrinterChoice.outputFile.clear();
    Shell.batchMode = 1;  // no dialog in a batch run
    EXPECT_EQ(QueryDefaultPrinter(nullptr), platform::PrinterAvailable());
    Shell.batchMode = 0;
    if (!platform::PrinterAvailable()) {
        // Cancel finds no printer; the dialog may choose the PDF output.
        automation::QueuePrintDialogAnswer([](platform::PrintSettings&) { return false; });
        EXPECT_FALSE(QueryDefaultPrinter(nullptr));
        automation::QueuePrintDialogAnswer([](platform::PrintSettings& s) {
            s.outputFile = "/tmp/ob7_chosen.pdf";
            return true;
        });
        EXPECT_TRUE(QueryDefaultPrinter(nullptr));
        EXPECT_EQ(PrinterChoice.outputFile, "/tmp/ob7_chosen.pdf");
    }
    PrinterChoice = saved;
}

TEST(Printing, PageFrameOutlinesTheDrawingRectangle) {
    CreateProgramPalette();
    CreateColourSlots();
    struct View : CDraw {
        void OnDocumentChanged() override {}
    } view;
    platform::Image page(40, 30);
    platform::DrawContext dc(page);
    CDrawContext context(&dc);
    context.technology = platform::DeviceKind::Printer;
    platform::Rect region{5, 5, 35, 25};
    view.printRegion = &region;
    DrawPageFrame(view, context, true);
    EXPECT_EQ(page.Pixel(5, 10), platform::Rgb(0, 0, 0));
    EXPECT_EQ(page.Pixel(20, 5), platform::Rgb(0, 0, 0));
    EXPECT_EQ(page.Pixel(20, 15), platform::Rgb(255, 255, 255));  // hollow inside
    EXPECT_EQ(page.Pixel(2, 2), platform::Rgb(255, 255, 255));
}

TEST(Printing, SnapshotOfAViewToPdf) {
    platform::FrameWindow& main = MainFrame();
    TextFrame f;
    ASSERT_TRUE(f.Open(main, "/tmp/print.ckt", "* printed\r\nR1 1 0 1k\r\n"));
    f.Activate();
    std::string pdf = (std::filesystem::temp_directory_path() / ("ob7_snapshot_" + std::to_string(::getpid()) + ".pdf")).string();
    std::filesystem::remove(pdf);
    PrinterChoice.outputFile = pdf;
    EXPECT_TRUE(PrintWindowSnapshot(f.view));
    EXPECT_TRUE(f.view.IsEnabled());  // enabled again after the job
    EXPECT_EQ(CurrentDialog, nullptr);
    std::ifstream in(pdf, std::ios::binary);
    std::string bytes((std::istreambuf_iterator<char>(in)), {});
    ASSERT_GT(bytes.size(), 100u);
    EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
    std::regex page("/Type\\s*/Page[^s]");
    EXPECT_EQ(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()), 1);
    PrinterChoice = platform::PrintSettings{};
    f.Destroy();
}
