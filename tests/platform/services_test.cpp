#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <regex>

#include "platform/automation.h"
#include "platform/clipboard.h"
#include "platform/desktop.h"
#include "platform/help_viewer.h"
#include "platform/draw_context.h"
#include "platform/image.h"
#include "platform/picture.h"
#include "platform/printing.h"
#include "platform/system_services.h"
#include "qt_app.h"

using namespace platform;

TEST(Clipboard, TextPictureAndPrivateFormatsRoundTrip) {
    TestApp();
    clipboard::Clear();
    EXPECT_FALSE(clipboard::HasText());
    clipboard::SetText("R1 1 2 1k\r\nC1 2 0 1u");
    ASSERT_TRUE(clipboard::HasText());
    EXPECT_EQ(clipboard::Text(), "R1 1 2 1k\r\nC1 2 0 1u");

    // One copy puts a picture and the program's own objects beside the text.
    Picture picture;
    {
        DrawContext dc(picture);
        dc.SetBrush(Brush::Solid(Rgb(255, 0, 0)));
        dc.Rectangle(Rect{0, 0, 20, 10});
    }
    clipboard::SetPicture(picture);
    clipboard::SetPrivate("objects", {1, 2, 3, 0, 255});
    EXPECT_TRUE(clipboard::HasText());
    EXPECT_TRUE(clipboard::HasPicture());
    EXPECT_EQ(clipboard::GetPrivate("objects"), (std::vector<unsigned char>{1, 2, 3, 0, 255}));
    EXPECT_FALSE(clipboard::HasPrivate("other"));

    Image a(30, 20), b(30, 20);
    {
        DrawContext dc(a);
        dc.DrawPicture(Point{0, 0}, picture);
    }
    {
        DrawContext dc(b);
        dc.DrawPicture(Point{0, 0}, clipboard::GetPicture());
    }
    EXPECT_TRUE(a == b);
    EXPECT_EQ(b.Pixel(5, 5), Rgb(255, 0, 0));

    Image bitmap(8, 8, Rgb(0, 0, 255));
    clipboard::Clear();
    clipboard::SetImage(bitmap);
    EXPECT_FALSE(clipboard::HasText());
    ASSERT_TRUE(clipboard::HasImage());
    EXPECT_TRUE(clipboard::GetImage() == bitmap);
}

TEST(MessageBox, ScriptedAnswerIsReturnedAndTextKept) {
    TestApp();
    automation::QueueMessageBoxAnswer(7);
    EXPECT_EQ(Services().ShowMessageBox("Quit Ombrelic?", "Ombrelic", 0x24), 7);
    ASSERT_FALSE(automation::MessageBoxTexts().empty());
    EXPECT_EQ(automation::MessageBoxTexts().back(), "Quit Ombrelic?");
    EXPECT_EQ(automation::PendingAnswers(), 0);
}

TEST(Printing, TwoPageJobToPdf) {
    TestApp();
    PrintSettings settings;
    settings.minPage = 1;
    settings.maxPage = 5;
    settings.toPage = 5;
    automation::QueuePrintDialogAnswer([](PrintSettings& s) {
        s.fromPage = 0;  // a range from page 0 starts at page 1
        s.toPage = 2;
        return true;
    });
    ASSERT_TRUE(RunPrintDialog(nullptr, settings));
    EXPECT_EQ(settings.fromPage, 1);
    EXPECT_EQ(settings.toPage, 2);

    settings.outputFile = ::testing::TempDir() + "two_pages.pdf";
    PrintJob job;
    ASSERT_TRUE(job.Start(settings, "Schematic"));
    EXPECT_GT(job.PageSize().cx, 1000);
    for (int page = settings.fromPage; page <= settings.toPage; ++page) {
        DrawContext* dc = job.StartPage();
        ASSERT_NE(dc, nullptr);
        EXPECT_EQ(dc->Kind(), DeviceKind::Printer);
        dc->Rectangle(Rect{100, 100, 1000, 800});
        dc->TextOut(Point{150, 150}, "Page " + std::to_string(page));
        ASSERT_TRUE(job.EndPage());
    }
    ASSERT_TRUE(job.End());
    EXPECT_EQ(job.PagesPrinted(), 2);

    std::ifstream in(settings.outputFile, std::ios::binary);
    std::string pdf((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(pdf.rfind("%PDF", 0), 0u);
    std::regex pageObject("/Type\\s*/Page[^s]");
    EXPECT_EQ(std::distance(std::sregex_iterator(pdf.begin(), pdf.end(), pageObject), std::sregex_iterator()), 2);
    std::remove(settings.outputFile.c_str());

    // A black-and-white job says so to the painters.
    settings.monochrome = true;
    PrintJob gray;
    ASSERT_TRUE(gray.Start(settings, "Gray"));
    DrawContext* page = gray.StartPage();
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(page->IsMonochrome());
    gray.EndPage();
    gray.End();
    std::remove(settings.outputFile.c_str());

    // A cancelled job is aborted and leaves no file.
    PrintJob cancelled;
    ASSERT_TRUE(cancelled.Start(settings, "Cancelled"));
    ASSERT_NE(cancelled.StartPage(), nullptr);
    cancelled.Cancel();
    EXPECT_FALSE(cancelled.EndPage());
    EXPECT_FALSE(cancelled.End());
    EXPECT_FALSE(std::ifstream(settings.outputFile).good());
}

TEST(Desktop, MetricsAndHelpWindow) {
    TestApp();
    Size screen = desktop::ScreenSize();
    Rect work = desktop::WorkArea();
    EXPECT_GT(screen.cx, 0);
    EXPECT_LE(work.Width(), screen.cx);
    EXPECT_GT(desktop::ScrollBarWidth(), 0);
    EXPECT_NE(desktop::GetSystemColor(desktop::SystemColor::Window),
              desktop::GetSystemColor(desktop::SystemColor::WindowText));

    EXPECT_FALSE(help::IsOpen());
    help::ShowTopic("Transient Analysis", "Runs the circuit in time.");
    EXPECT_TRUE(help::IsOpen());
    help::ShowTopic("AC Analysis", "Small-signal response.");
    EXPECT_EQ(help::CurrentTitle(), "AC Analysis");
    EXPECT_EQ(help::CurrentText(), "Small-signal response.");
    help::Close();
    EXPECT_FALSE(help::IsOpen());
}
