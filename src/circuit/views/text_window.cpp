#include "circuit/views/text_window.h"

#include "circuit/document_files.h"
#include "circuit/views/spice_to_library.h"
#include "circuit/views/text_print_pages.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/textfile.h"
#include "netlist/model_library.h"
#include "ui/framework/file_dialogs.h"
#include "ui/framework/fonts.h"
#include "ui/framework/shell_state.h"
#include "platform/application.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace ob7 {

namespace {

constexpr int kMsgShown = 15055;  // failure already reported
constexpr int kMsgNoMemory = 15002;

std::vector<std::unique_ptr<CTxtFrame>>& TextFrames()
{
    static std::vector<std::unique_ptr<CTxtFrame>> frames;
    return frames;
}

void ReleaseClosedFrames()
{
    auto& frames = TextFrames();
    frames.erase(std::remove_if(frames.begin(), frames.end(), [](const auto& f) { return !f->IsCreated(); }),
                 frames.end());
}

platform::FrameWindow* MainFrame()
{
    platform::Application* app = platform::Application::Instance();
    return app ? dynamic_cast<platform::FrameWindow*>(app->MainWindow()) : nullptr;
}

}  // namespace

CTxtDraw::CTxtDraw()
{
    drawType = kDrawText;
    // Format/Font: the text font from the font dialog; the page's file keeps no font.
    OnCommand(kCmdTextFont, [this](int) {
        if (document && RunFontDialogOnRecord(this, document->textFont))
            SetTextAreaFont(nullptr, true);
        if (textArea.IsCreated())
            textArea.SetFocus();
    });
    OnUpdate(kCmdTextFont, [](platform::CommandUI& ui) { ui.Enable(); });
    // During an analysis the preview is the analysis window's.
    OnCommand(kCmdPrintPreview, [this](int) {
        if (Shell.analysisKind == -1)
            PrintPreview();
    });
    OnCommand(kCmdTranslateToLibrary, [this](int) { TranslateSpiceToLibrary(); });
    OnUpdate(kCmdTranslateToLibrary, [](platform::CommandUI& ui) { ui.Enable(Shell.analysisKind == -1); });
}

void CTxtDraw::TranslateSpiceToLibrary()
{
    const std::string title = GetFrameTitle();
    std::string path = ProposedLibraryName(title);
    if (RunSaveAsDialog(this, this, path, 3) < 0 || path.empty())
        return;
    ModelLibrary library;
    const std::string text = textArea.IsCreated() ? textArea.GetText() : (document ? document->text : std::string());
    TranslateSpiceTextToLibrary(text, title, library);
    if (int code = library.Save(path.c_str()))
        ReportMessage("dE", static_cast<void*>(this), code);
}

TextPageColours CTxtDraw::PageColours() const
{
    // The colours the text area shows.
    TextPageColours colours;
    colours.text = EditorTextColour();
    colours.comment = EditorCommentColour();
    colours.background = backgroundColour;
    return colours;
}

void CTxtDraw::PrintPreview()
{
    if (!document)
        return;
    TextPreviewSource source;
    source.title = GetFrameTitle();
    source.text = textArea.IsCreated() ? textArea.GetText() : document->text;
    source.font = document->textFont;
    source.colours = PageColours();
    source.setFont = [this](const FontRecord& font) { SetTextAreaFont(&font, true); };
    ShowTextPrintPreview(this, source);
    for (CDraw* view : ViewList())
        view->Invalidate();
}

int CTxtDraw::PrintText()
{
    const std::string text = textArea.IsCreated() ? textArea.GetText() : document ? document->text : std::string();
    if (text.empty() || !document)
        return 0;
    return PrintTextPages(this, GetFrameTitle(), text, document->textFont, PageColours());
}

int CTxtDraw::SaveToFile(const std::string& path)
{
    if (!document)
        return 0;
    SyncTextToDocument();
    int code = SaveTextToFile(*document, path);
    if (code) {
        ReportMessage("PE", this, code);
        return kMsgShown;
    }
    document->path = path;
    document->displayName = FileNameOfPath(path);
    document->modified = false;
    modified = 0;
    return 0;
}

CIODraw* CTxtDraw::Revert()
{
    if (ReloadTextFromFile(*this) != 0)
        return nullptr;
    untitled = 0;
    modified = 0;
    if (document) {
        document->modified = false;
        std::fill(std::begin(document->changedSinceRun), std::end(document->changedSinceRun), 0);
    }
    AddRecentFile(GetFrameTitle());
    ClearUndoList();
    SetMode(kModeSelect);
    return this;
}

CTxtFrame::CTxtFrame()
{
    kind = kDrawText;
    draw = &view;
    view.frame = this;
    view.ioFrame = this;
}

CTxtFrame* CreateTextWindow(const std::string& path)
{
    platform::FrameWindow* main = MainFrame();
    if (!main)
        return nullptr;
    ReleaseClosedFrames();
    auto frame = std::make_unique<CTxtFrame>();
    if (!frame->CreateChildFrame(*main, "ckt", path) || !frame->view.CreateInFrame(frame.get()))
        return nullptr;
    auto doc = std::make_unique<CircuitDocument>();
    doc->kind = DOC_TEXT;
    doc->path = path;
    doc->displayName = FileNameOfPath(path);
    if (!frame->view.InitDocument(std::move(doc)))
        return nullptr;
    frame->view.SetMode(kModeSelect);
    frame->view.flags |= kDrawOpen;
    TextFrames().push_back(std::move(frame));
    return TextFrames().back().get();
}

int ReloadTextFromFile(CTxtDraw& view)
{
    if (!view.document)
        return 0;
    view.document->path = view.GetFrameTitle();
    int code = ReloadTextFromFile(*view.document);
    if (code) {
        SetPendingMessageText(view.document->path.c_str());
        ReportMessage("E", code);
        return kMsgShown;
    }
    view.ShowDocumentText();
    view.untitled = 0;
    return 0;
}

CTxtFrame* OpenTextWindow(const std::string& name, int flags, int& code)
{
    std::string path;
    if (CIOFrame* open = LocateDocumentToOpen(path, name, flags, kDrawText, code))
        return dynamic_cast<CTxtFrame*>(open);
    if (code)
        return nullptr;
    CTxtFrame* frame = CreateTextWindow(path);
    if (!frame) {
        code = kMsgNoMemory;
    } else {
        frame->view.document->path = path;
        frame->view.document->displayName = FileNameOfPath(path);
        code = ReloadTextFromFile(frame->view);
    }
    if (code) {
        if (frame) {
            frame->view.modified = 0;
            frame->Close();
        }
        if (code != kMsgShown && !(flags & 0x80)) {
            ReportMessage("E", code);
            code = kMsgShown;
        }
        return nullptr;
    }
    frame->view.untitled = 0;
    if (!(flags & (0x200 | 0x800)))
        AddRecentFile(path);
    std::fill(std::begin(frame->view.document->changedSinceRun), std::end(frame->view.document->changedSinceRun), 0);
    if (flags & (0x40 | 0x400))
        frame->MatchTopFramePlacement();
    frame->view.SetMode(kModeSelect);
    return frame;
}

CTxtDraw* ReloadTextDocument(TextFile& written, bool activate)
{
    if (!written.IsOpen()) {
        written.Close();
        return nullptr;
    }
    const long length = written.Tell();
    const std::string path = written.fileName;
    const int closeCode = written.Close();
    if (length <= 0)
        return nullptr;
    CTxtDraw* view = nullptr;
    if (!Shell.batchMode) {
        view = dynamic_cast<CTxtDraw*>(FindOpenDocumentByPath(path));
        CTxtFrame* created = nullptr;
        if (!view) {
            created = CreateTextWindow(path);
            view = created ? &created->view : nullptr;
        }
        if (view && ReloadTextFromFile(*view) != 0) {
            if (created) {
                created->view.modified = 0;
                created->Close();
            }
            view = nullptr;
        }
        if (view) {
            view->modified = 0;
            auto* frame = dynamic_cast<CMDIFrame*>(view->frame);
            if (frame && activate) {
                frame->BringToFront();
                frame->Activate();
            } else if (frame) {
                frame->ShowFrame(true);
            }
            view->textArea.SetFocus();
        }
    }
    if (closeCode) {
        SetPendingMessageText(path.c_str());
        ReportMessage("E", closeCode);
    }
    return view;
}

int TextWindowCount()
{
    ReleaseClosedFrames();
    return static_cast<int>(TextFrames().size());
}

}  // namespace ob7
