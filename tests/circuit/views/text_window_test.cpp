// Text windows on the offscreen platform: opening, editing through injected keys, saving
// byte for byte, Revert, failures, and a picture of a window holding a netlist.
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>
#include <unistd.h>

#include "circuit/document_files.h"
#include "circuit/report_capture.h"
#include "circuit/views/spice_to_library.h"
#include "circuit/views/text_window.h"
#include "netlist/model_library.h"
#include "netlist/model_types.h"
#include "ui/framework/colour_controls.h"
#include "ui/framework/print_services.h"
#include "ui/framework/title_block.h"
#include "foundation/textfile.h"
#include "ui/framework/shell_state.h"
#include "platform/application.h"
#include "platform/automation.h"
#include "platform/draw_context.h"
#include "platform/frame.h"
#include "platform/image.h"
#include "platform/input.h"
#include "views_fixture.h"

using namespace ob7;
namespace automation = platform::automation;

namespace {

constexpr const char* kNetlist =
    "* RC low-pass filter\r\n"
    "V1 in 0 AC 1 SIN(0 1 1k)\r\n"
    "R1 in out 1k\t; series resistor\r\n"
    "C1 out 0 100n\r\n"
    ".TRAN 10u 5m\r\n"
    ".AC DEC 20 10 1MEG\r\n"
    ".END\r\n";


struct TextWindows : ::testing::Test {
    std::filesystem::path folder;
    void SetUp() override
    {
        Main();
        std::string pattern = (std::filesystem::temp_directory_path() / "ob7txtwinXXXXXX").string();
        folder = mkdtemp(pattern.data());
    }
    void TearDown() override
    {
        automation::ClearAnswers();
        std::filesystem::remove_all(folder);
    }
    std::string Write(const char* name, const std::string& bytes)
    {
        std::string path = (folder / name).string();
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string Read(const std::string& path)
    {
        std::ifstream in(path, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

}  // namespace

TEST_F(TextWindows, OpenEditSaveAndOpenAgain)
{
    const std::string path = Write("lowpass.cir", kNetlist);
    int code = -1;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(code, 0);
    CTxtDraw& view = frame->view;
    EXPECT_EQ(view.drawType, kDrawText);
    EXPECT_EQ(view.textArea.GetText(), kNetlist);
    EXPECT_EQ(view.document->kind, DOC_TEXT);
    EXPECT_EQ(FindOpenCircuitDocument(path), view.document.get());  // the compiler reads the live document
    EXPECT_FALSE(view.IsModified());

    // Typed keys go into the text and mark the document changed.
    frame->Activate();
    view.textArea.SetFocus();
    view.textArea.SetSel(0, 0);
    automation::SendText(view.textArea, "*");
    EXPECT_TRUE(view.IsModified());
    EXPECT_EQ(view.TextLength(), static_cast<int>(std::strlen(kNetlist)) + 1);
    // A hidden open for the compiler or a batch run takes the text as typed, unsaved.
    auto hidden = OpenCircuitDocument(path, DOC_TEXT, kLoadHidden | kLoadQuiet, &code);
    ASSERT_NE(hidden, nullptr);
    EXPECT_EQ(hidden->text, std::string("*") + kNetlist);

    // Saved byte for byte, CR LF kept.
    ASSERT_EQ(view.SaveFile(), 0);
    EXPECT_EQ(Read(path), std::string("*") + kNetlist);
    EXPECT_FALSE(view.IsModified());

    // A file that is open already only brings its window forward, though it changed.
    Write("lowpass.cir", "changed\r\n");
    CTxtFrame* again = OpenTextWindow(path, 0, code);
    EXPECT_EQ(again, frame);
    EXPECT_EQ(view.textArea.GetText(), std::string("*") + kNetlist);
    frame->Close();
}

TEST_F(TextWindows, RevertReloadsAndEmptiesTheUndoList)
{
    const std::string path = Write("rev.cir", kNetlist);
    int code = -1;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    CTxtDraw& view = frame->view;
    view.textArea.SetFocus();
    automation::SendText(view.textArea, "abc");
    ASSERT_TRUE(view.IsModified());
    ASSERT_FALSE(view.UndoList().empty());
    Write("rev.cir", "R2 a b 2k\r\n");
    EXPECT_EQ(view.Revert(), &view);
    EXPECT_EQ(view.textArea.GetText(), "R2 a b 2k\r\n");
    EXPECT_FALSE(view.IsModified());
    EXPECT_TRUE(view.UndoList().empty());
    frame->Close();
}

TEST_F(TextWindows, FailuresLeaveNoWindow)
{
    const int before = TextWindowCount();
    {
        ReportCapture capture;
        int code = 0;
        EXPECT_EQ(OpenTextWindow((folder / "missing.cir").string(), 0, code), nullptr);
        EXPECT_EQ(code, 15055);  // reported
        EXPECT_FALSE(capture.reports.empty());
    }
    {
        ReportCapture capture;
        int code = 0;
        EXPECT_EQ(OpenTextWindow((folder / "missing.cir").string(), 0x80, code), nullptr);
        EXPECT_NE(code, 0);
        EXPECT_NE(code, 15055);  // a quiet open gets the code itself
        EXPECT_TRUE(capture.reports.empty());
    }
    // A save into a folder that cannot be written is reported and keeps the old file.
    const std::string path = Write("keep.cir", kNetlist);
    int code = 0;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (Read(path) == kNetlist && ::access(folder.c_str(), W_OK) != 0) {
        ReportCapture capture;
        frame->view.textArea.SetText("new");
        EXPECT_EQ(frame->view.SaveToFile(path), 15055);
        EXPECT_FALSE(capture.reports.empty());
        EXPECT_EQ(Read(path), kNetlist);
    }
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    frame->view.modified = 0;
    frame->Close();
    EXPECT_EQ(TextWindowCount(), before);
}

TEST_F(TextWindows, PictureOfATextWindowWithANetlist)
{
    const std::string path = Write("lowpass.cir", kNetlist);
    Main().SetText("Ombrelic - [lowpass.cir]");
    int code = 0;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    frame->Activate();
    frame->view.textArea.SetFocus();
    frame->view.textArea.SetSel(frame->view.textArea.LineIndex(2), frame->view.textArea.LineIndex(2) + 2);
    platform::Application::PumpMessages();
    platform::Image image = Main().Grab();
    ASSERT_FALSE(image.IsNull());
    std::filesystem::create_directories("png");
    EXPECT_TRUE(image.SavePng((std::filesystem::current_path() / "png" / "text_window.png").string()));
    frame->Close();
}

TEST_F(TextWindows, GeneratedTextFileIsShown)
{
    const std::string path = (folder / "amp.TNO").string();
    auto write = [&](const char* text) {
        auto f = std::make_unique<TextFile>();
        EXPECT_EQ(f->OpenWrite(path.c_str()), 0);
        f->WriteText(text);
        return f;
    };
    auto first = write("Run 1\n");
    CTxtDraw* view = ReloadTextDocument(*first, true);
    ASSERT_NE(view, nullptr);
    EXPECT_FALSE(first->IsOpen());
    EXPECT_EQ(Read(path), "Run 1\n");
    EXPECT_EQ(view->textArea.GetText().substr(0, 5), "Run 1");
    // Written again: the same window shows the new text.
    auto second = write("Run 2\n");
    EXPECT_EQ(ReloadTextDocument(*second, false), view);
    EXPECT_EQ(view->textArea.GetText().substr(0, 5), "Run 2");
    // Nothing written, or a batch run: no window.
    auto empty = write("");
    EXPECT_EQ(ReloadTextDocument(*empty, true), nullptr);
    Shell.batchMode = 1;
    auto batch = write("Run 3\n");
    EXPECT_EQ(ReloadTextDocument(*batch, true), nullptr);
    Shell.batchMode = 0;
    EXPECT_EQ(Read(path), "Run 3\n");
    dynamic_cast<CMDIFrame*>(view->frame)->Close();
}

TEST_F(TextWindows, ZoomStepsTheTextFont)
{
    const std::string path = Write("zoom.cir", kNetlist);
    int code = 0;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    CTxtDraw& view = frame->view;
    FontRecord font = view.document->textFont;
    font.height = -12;
    view.SetTextAreaFont(&font, true);
    view.ZoomStep(kCmdZoomIn);
    EXPECT_EQ(view.document->textFont.height, -13);  // the sign is kept
    EXPECT_TRUE(view.IsModified());
    view.modified = 0;
    font.height = 2;
    view.SetTextAreaFont(&font, false);
    view.ZoomStep(kCmdZoomOut);  // not below 2: nothing changes
    EXPECT_EQ(view.document->textFont.height, 2);
    EXPECT_FALSE(view.IsModified());

    // The wheel with Ctrl zooms (away from the user: out); without it, one line a notch.
    font.height = -12;
    view.SetTextAreaFont(&font, false);
    automation::SendMouse(view.textArea, platform::MouseAction::Wheel, {5, 5}, platform::kMouseCtrl, 120);
    EXPECT_EQ(view.document->textFont.height, -11);
    automation::SendMouse(view.textArea, platform::MouseAction::Wheel, {5, 5}, platform::kMouseCtrl, -120);
    EXPECT_EQ(view.document->textFont.height, -12);
    std::string longText;
    for (int i = 0; i < 200; ++i)
        longText += "* line\r\n";
    view.textArea.SetText(longText);
    view.textArea.ScrollToLine(0);
    automation::SendMouse(view.textArea, platform::MouseAction::Wheel, {5, 5}, 0, -120);
    EXPECT_EQ(view.textArea.GetFirstVisibleLine(), 1);
    automation::SendMouse(view.textArea, platform::MouseAction::Wheel, {5, 5}, 0, 120);
    EXPECT_EQ(view.textArea.GetFirstVisibleLine(), 0);
    view.modified = 0;
    frame->Close();
}

// Edit/Change/Color: the colour sheet sets the text colour in one undo step that swaps
// back and forth; Format/Font takes the font dialog's font and keeps the colour.
TEST_F(TextWindows, TextColourAndFont)
{
    const std::string path = Write("colour.cir", kNetlist);
    int code = -1;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    CTxtDraw& view = frame->view;
    const uint8_t before = view.document->textFont.color;
    automation::QueueModalScript([](platform::Dialog& d) {
        automation::ClickItem(static_cast<CFontProp&>(d).colourPage, 19809);  // red
        automation::ClickItem(d, 1);
        return 0;
    });
    EXPECT_TRUE(view.ExecuteCommand(kCmdTextColour));
    EXPECT_EQ(view.document->textFont.color, 9);
    EXPECT_TRUE(view.IsModified());
    ASSERT_NE(view.CurrentUndo(), nullptr);
    EXPECT_EQ(view.CurrentUndo()->label, "Color Change");
    EXPECT_EQ(view.textArea.GetText(), kNetlist);
    view.UndoStep();
    EXPECT_EQ(view.document->textFont.color, before);
    view.RedoStep();
    EXPECT_EQ(view.document->textFont.color, 9);

    // Upper Case of the selection is one undo step of the whole text.
    view.textArea.SetFocus();
    view.textArea.SetSel(0, 10);
    EXPECT_TRUE(view.textArea.ExecuteCommand(kCmdUpperCase));
    const std::string upper = view.textArea.GetText();
    EXPECT_NE(upper, kNetlist);
    ASSERT_NE(view.CurrentUndo(), nullptr);
    EXPECT_EQ(view.CurrentUndo()->label, "Upper case");
    view.UndoStep();
    EXPECT_EQ(view.textArea.GetText(), kNetlist);
    view.RedoStep();
    EXPECT_EQ(view.textArea.GetText(), upper);

    // Cancelled: nothing changes, no undo step.
    view.ClearUndoList();
    automation::QueueModalScript([](platform::Dialog&) { return 2; });
    EXPECT_TRUE(view.ExecuteCommand(kCmdTextColour));
    EXPECT_EQ(view.CurrentUndo(), nullptr);

    automation::QueueFontDialogAnswer([](platform::Font& f) {
        f.face = "Courier New";
        f.weight = 700;
        return true;
    });
    EXPECT_TRUE(view.ExecuteCommand(kCmdTextFont));
    EXPECT_STREQ(FaceName(view.document->textFont.face), "Courier New");
    EXPECT_TRUE(view.document->textFont.style & kFontBold);
    EXPECT_EQ(view.document->textFont.color, 9);
    view.modified = 0;
    frame->Close();
}

// File/Print of a text window: the pages the text needs, to a PDF file in place of a
// printer; an empty text prints nothing.
TEST_F(TextWindows, PrintsItsPages)
{
    std::string netlist = "* printed netlist\r\n";
    for (int i = 0; i < 150; ++i)
        netlist += "R" + std::to_string(i) + " " + std::to_string(i) + " " + std::to_string(i + 1) + " 1k ; r\r\n";
    const std::string path = Write("printed.cir", netlist);
    int code = -1;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    const std::string pdf = (folder / "printed.pdf").string();
    PrinterChoice.outputFile = pdf;
    PrinterSettings.header = "$<$name$>Page $page of $pages";
    auto pagesInPdf = [&] {
        std::ifstream in(pdf, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), {});
        EXPECT_EQ(bytes.substr(0, 5), "%PDF-");
        std::regex page("/Type\\s*/Page[^s]");
        return static_cast<int>(std::distance(std::sregex_iterator(bytes.begin(), bytes.end(), page), std::sregex_iterator()));
    };
    // The print dialog offers the pages the text needs; all of them are printed.
    int offered = 0;
    automation::QueuePrintDialogAnswer([&](platform::PrintSettings& s) {
        offered = s.maxPage;
        return true;
    });
    const int pages = frame->view.PrintText();
    EXPECT_GE(pages, 2);
    EXPECT_EQ(offered, pages);
    EXPECT_EQ(pagesInPdf(), pages);
    // A range prints only its pages; a cancelled dialog prints nothing.
    automation::QueuePrintDialogAnswer([](platform::PrintSettings& s) {
        s.fromPage = s.toPage = 2;
        return true;
    });
    EXPECT_EQ(frame->view.PrintText(), 1);
    EXPECT_EQ(pagesInPdf(), 1);
    automation::QueuePrintDialogAnswer([](platform::PrintSettings&) { return false; });
    EXPECT_EQ(frame->view.PrintText(), 0);

    frame->view.textArea.SetText("");
    EXPECT_EQ(frame->view.PrintText(), 0);
    PrinterChoice = platform::PrintSettings{};
    PrinterSettings.header.clear();
    frame->view.modified = 0;
    frame->Close();
}

// File/Print Preview: the pages of the text one by one, Next only before the last page and
// Prior only after the first; an empty text shows no page and both are disabled. A picture.
TEST_F(TextWindows, PrintPreviewPages)
{
    std::string netlist = "* previewed netlist\r\n";
    for (int i = 0; i < 150; ++i)
        netlist += "R" + std::to_string(i) + " " + std::to_string(i) + " 0 1k ; load\r\n";
    const std::string path = Write("preview.cir", netlist);
    int code = -1;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    PrinterChoice.outputFile = (folder / "preview.pdf").string();
    std::string first, last;
    bool nextAtStart = false, priorAtStart = true, nextAtEnd = true;
    automation::QueueModalScript([&](platform::Dialog& d) {
        EXPECT_EQ(d.Template().caption, "Printer Preview");
        first = d.ItemText(101);
        nextAtStart = d.IsItemEnabled(152);
        priorAtStart = d.IsItemEnabled(153);
        for (int i = 0; i < 10 && d.IsItemEnabled(152); ++i)
            automation::ClickItem(d, 152);
        last = d.ItemText(101);
        nextAtEnd = d.IsItemEnabled(152);
        platform::Application::PumpMessages();
        std::filesystem::create_directories("png");
        EXPECT_TRUE(d.Grab().SavePng((std::filesystem::current_path() / "png" / "text_print_preview.png").string()));
        automation::ClickItem(d, 23);
        return 2;
    });
    EXPECT_TRUE(frame->view.ExecuteCommand(kCmdPrintPreview));
    EXPECT_EQ(first.rfind("Page 1 of ", 0), 0u);
    EXPECT_TRUE(nextAtStart);
    EXPECT_FALSE(priorAtStart);
    EXPECT_FALSE(nextAtEnd);
    const std::string pages = first.substr(10);
    EXPECT_EQ(last, "Page " + pages + " of " + pages);

    frame->view.textArea.SetText("");
    automation::QueueModalScript([&](platform::Dialog& d) {
        first = d.ItemText(101);
        nextAtStart = d.IsItemEnabled(152);
        priorAtStart = d.IsItemEnabled(153);
        automation::ClickItem(d, 23);
        return 2;
    });
    EXPECT_TRUE(frame->view.ExecuteCommand(kCmdPrintPreview));
    EXPECT_EQ(first, "Page 0 of 0");
    EXPECT_FALSE(nextAtStart);
    EXPECT_FALSE(priorAtStart);
    PrinterChoice = platform::PrintSettings{};
    frame->view.modified = 0;
    frame->Close();
}

TEST_F(TextWindows, TranslatesItsModelsToABinaryLibrary)
{
    const std::string deck =
        "* parts and models\r\n"
        ".MODEL D1N4148 D (IS=2.52n RS=.568 N=1.752\r\n"
        "+ CJO=4p M=.4 TT=20n) ; fast diode\r\n"
        ".MODEL QX NOSUCHTYPE (BF=1)\r\n"
        ".SUBCKT AMP IN OUT\r\n"
        ".MODEL QIN NPN (BF=200)\r\n"
        ".ENDS AMP\r\n"
        ".MODEL IO_STD UIO (DRVH=96.4 DRVL=104)\r\n"  // text-valued type: no binary form, skipped
        ".model q2n2222 npn bf=255.9 is=14.34f\r\n"
        ".END\r\n";
    const std::string path = Write("models.cir", deck);
    EXPECT_EQ(ProposedLibraryName(path), (folder / "models.LBR").string());
    EXPECT_EQ(ProposedLibraryName("/a.b/deck"), "/a.b/deck.LBR");
    int code = -1;
    CTxtFrame* frame = OpenTextWindow(path, 0, code);
    ASSERT_NE(frame, nullptr);
    const std::string target = (folder / "models.lbr").string();
    {
        ReportCapture reports;
        automation::QueueFileDialogAnswer({target});
        EXPECT_TRUE(frame->view.ExecuteCommand(kCmdTranslateToLibrary));
        // The statement of an unknown type is reported and the rest still translated.
        EXPECT_EQ(reports.reports.size(), 1u);
        EXPECT_TRUE(reports.Contains("NOSUCHTYPE"));
    }
    ModelLibrary library;
    ASSERT_EQ(library.Load(target.c_str(), false), 0);
    ASSERT_EQ(library.Count(), 2);  // the subcircuit's own model stays out
    const LibraryModel* diode = library.First();
    EXPECT_STREQ(diode->name, "D1N4148");
    EXPECT_EQ(diode->modelType, kModelDiode);
    EXPECT_DOUBLE_EQ(diode->values[FindModelParam(kModelDiode, "IS")], 2.52e-9);
    EXPECT_DOUBLE_EQ(diode->values[FindModelParam(kModelDiode, "CJO")], 4e-12);
    EXPECT_DOUBLE_EQ(diode->values[FindModelParam(kModelDiode, "TT")], 20e-9);
    const LibraryModel* npn = ModelLibrary::Next(diode);
    EXPECT_STREQ(npn->name, "Q2N2222");
    EXPECT_EQ(npn->modelType, kModelNpn);
    EXPECT_DOUBLE_EQ(npn->values[FindModelParam(kModelNpn, "BF")], 255.9);
    EXPECT_DOUBLE_EQ(npn->values[FindModelParam(kModelNpn, "IS")], 14.34e-15);
    // Cancel writes nothing.
    std::filesystem::remove(target);
    automation::QueueFileDialogAnswer({});
    EXPECT_TRUE(frame->view.ExecuteCommand(kCmdTranslateToLibrary));
    EXPECT_FALSE(std::filesystem::exists(target));
    frame->Close();
}
