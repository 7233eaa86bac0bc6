#include "circuit/views/circuit_window.h"

#include "circuit/document_files.h"
#include "circuit/views/text_window.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/string_table.h"
#include "platform/application.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace ob7 {

namespace {

constexpr int kMsgShown = 15055;  // failure already reported
constexpr int kMsgNoMemory = 15002;
constexpr int kWaitText = 17888;

std::vector<std::unique_ptr<CCirFrame>>& CircuitFrames()
{
    static std::vector<std::unique_ptr<CCirFrame>> frames;
    return frames;
}

platform::FrameWindow* MainFrame()
{
    platform::Application* app = platform::Application::Instance();
    return app ? dynamic_cast<platform::FrameWindow*>(app->MainWindow()) : nullptr;
}

int Reported(int code, int flags)
{
    if (flags & kLoadQuiet)
        return code;
    ReportMessage("E", code);
    return kMsgShown;
}

}  // namespace

CCirFrame::CCirFrame()
{
    kind = kDrawSchematic;
    draw = &view;
    view.frame = this;
    view.ioFrame = this;
}

CCirFrame* CreateCircuitWindow(const std::string& path)
{
    platform::FrameWindow* main = MainFrame();
    if (!main)
        return nullptr;
    auto& frames = CircuitFrames();
    frames.erase(std::remove_if(frames.begin(), frames.end(), [](const auto& f) { return !f->IsCreated(); }),
                 frames.end());
    auto frame = std::make_unique<CCirFrame>();
    if (!frame->CreateChildFrame(*main, "ckt", path) || !frame->view.CreateInFrame(frame.get()))
        return nullptr;
    auto doc = std::make_unique<CircuitDocument>();
    doc->path = path;
    doc->displayName = FileNameOfPath(path);
    if (!frame->view.InitDocument(std::move(doc)))
        return nullptr;
    frames.push_back(std::move(frame));
    return frames.back().get();
}

void FinishOpenedCircuit(CCTDraw& view, bool loaded, int flags)
{
    if (!view.IsCreated())
        return;
    if (loaded && view.document)
        std::fill(std::begin(view.document->changedSinceRun), std::end(view.document->changedSinceRun), 0);
    auto* frame = dynamic_cast<CMDIFrame*>(view.frame);
    if (frame && ((flags & 0x40) || (loaded && (flags & 0x400))))
        frame->MatchTopFramePlacement();
    if (loaded)
        view.SetMode(kModeSelect);
}

CCTFrame* OpenCircuitFile(const std::string& name, int kind, int flags, int& code)
{
    code = 0;
    if (kind == kDrawText)
        return OpenTextWindow(name, flags, code);
    if (kind == -1) {
        SetPendingMessageText(name.c_str());
        code = Reported(kMsgFileNotFound, flags);
        return nullptr;
    }
    std::string path;
    if (CIOFrame* open = LocateDocumentToOpen(path, name, flags, kDrawSchematic, code)) {
        auto* frame = dynamic_cast<CCTFrame*>(open);
        if (auto* view = frame ? dynamic_cast<CCTDraw*>(frame->draw) : nullptr)
            FinishOpenedCircuit(*view, false, flags);
        return frame;
    }
    if (code)
        return nullptr;
    CCirFrame* frame = CreateCircuitWindow(path);
    if (!frame) {
        code = Reported(kMsgNoMemory, flags);
        return nullptr;
    }
    if (!(flags & kLoadQuiet)) {
        if (platform::FrameWindow* main = MainFrame())
            main->SetPaneText(0, LoadMessageTextTemp(kWaitText));
    }
    // The document is read apart and replaces the window's empty one only when complete.
    auto doc = std::make_unique<CircuitDocument>();
    doc->path = path;
    code = LoadCircuitDocument(*doc, path, flags);
    if (code && code != 15080) {
        frame->view.modified = 0;
        frame->Close();
        if (code != kMsgShown && !(flags & kLoadQuiet)) {
            ReportMessage("E", code);
            code = kMsgShown;
        }
        return nullptr;
    }
    code = 0;
    frame->view.InitDocument(std::move(doc));
    frame->view.untitled = 0;
    if (flags & kLoadReadOnly)
        frame->view.textArea.SetReadOnly(true);
    if (!(flags & (kLoadHidden | 0x800 | 0x200)))
        AddRecentFile(path);
    FinishOpenedCircuit(frame->view, true, flags);
    return frame;
}

CCTFrame* OpenCircuit(const std::string& name, int flags, int* code)
{
    int result = 0;
    CCTFrame* frame = OpenCircuitFile(name, kDrawSchematic, flags, result);
    if (code)
        *code = result;
    return frame;
}

}  // namespace ob7
