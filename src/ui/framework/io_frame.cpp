#include "ui/framework/io_frame.h"

#include <strings.h>

#include <cstdio>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/paths.h"
#include "foundation/textfile.h"
#include "ui/framework/txt_edit.h"
#include "platform/application.h"
#include "ui/framework/file_dialogs.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

int untitledCounters[3] = {1, 1, 1};

bool SamePath(const std::string& a, const std::string& b) { return strcasecmp(a.c_str(), b.c_str()) == 0; }

bool RecentFilesAllowed() { return Shell.batchMode == 0 && !Shell.demoPlaying; }

void* MainWindowHandle() {
    platform::Application* app = platform::Application::Instance();
    return app ? app->MainWindow() : nullptr;
}

}  // namespace

CIODraw* CIOFrame::View() const { return dynamic_cast<CIODraw*>(draw); }

void CIOFrame::OnClose() {
    if (Shell.digitalPathDialogOpen) return;
    CIODraw* view = View();
    if (Shell.analysisKind != -1 && view && Shell.activeCircuitView == view) return;
    if (view && view->QuerySaveChanges(false) == kButtonCancel) return;
    CMDIFrame::OnClose();
}

CIODraw::CIODraw() {
    OnCommand(kCmdSave, [this](int) { OnFileSave(); });
    OnCommand(kCmdSaveAs, [this](int) { OnFileSaveAs(); });
    OnCommand(kCmdRevert, [this](int) { OnFileRevert(); });
    OnUpdateRange(kCmdSave, kCmdSaveAs, [this](platform::CommandUI& ui) { ui.Enable(SaveEnabled()); });
    OnUpdate(kCmdRevert, [this](platform::CommandUI& ui) { ui.Enable(SaveEnabled() && !untitled); });
}

bool CIODraw::SaveEnabled() const {
    if (Shell.digitalPathDialogOpen) return false;
    bool analysis = Shell.analysisKind != -1 && Shell.activeCircuitView && !Shell.dynamicDC;
    if (analysis && (drawType != kDrawText || IsActiveCircuitView())) return false;
    return true;
}

int CIODraw::SetModified(int value) {
    modified = value;
    if (value && (drawType == kDrawSchematic || drawType == kDrawText)) changedMark = 1;
    return value;
}

int CIODraw::SaveFile(const std::string& path) {
    std::string name = path.empty() ? GetFrameTitle() : path;
    if (name.empty()) return 0;
    SetFrameTitle(name);
    untitled = 0;
    if (RecentFilesAllowed()) AddRecentFile(name);
    if (IsCreated()) SetCursor(platform::Cursor::Wait);
    int code = SaveToFile(name);
    if (IsCreated()) SetCursor(platform::Cursor::Arrow);
    if (code != 0) {
        ReportMessage("E", code);
        return kMsgReported;
    }
    return 0;
}

int CIODraw::BrowseSaveName(std::string& name) {
    name = GetFrameTitle();
    int kind = frame ? frame->kind : drawType;
    RunSaveAsDialog(this, this, name, kind);
    return name.empty() ? 2 : 1;
}

int CIODraw::Save() {
    std::string name = GetFrameTitle();
    if (untitled && BrowseSaveName(name) != 1) return kMsgReported;
    return SaveFile(name);
}

void CIODraw::OnFileSave() { Save(); }

void CIODraw::OnFileSaveAs() {
    std::string name;
    if (BrowseSaveName(name) == 1) SaveFile(name);
}

void CIODraw::OnFileRevert() {
    std::string name = GetFrameTitle();
    int code = CheckFileExists(name);
    if (code != 0) {
        SetPendingMessageText(name.c_str());
        ReportMessage("E", code);
        return;
    }
    if (ReportMessage("PSE", this, kStyleYesNo | kIconQuestion, 13511) != kButtonYes) return;
    int keep = flags;
    if (CIODraw* view = Revert()) view->flags = keep;
}

int CIODraw::QuerySaveChanges(bool several) {
    if (drawType == kDrawModelLibrary) SetFocus();
    if (!modified || !Shell.fileWarning || Shell.batchMode) return -1;
    if (Shell.demoPlaying) return kButtonNo;
    if (frame) frame->BringToFront();
    std::string name = GetFileNameAndExtension(GetFrameTitle());
    int warn = 1;
    int style = kIconQuestion | (several ? kStyleYesAllNoAllCancel : kStyleYesNoCancel);
    int answer = ReportMessage("SCE", style, &warn, 13556, name.c_str());
    Shell.fileWarning = warn != 0;
    if ((answer == kButtonYes || answer == kButtonYesToAll) && Save() != 0) answer = kButtonCancel;
    return answer;
}

int CIODraw::QueryCloseAll(int& answer, int modifiedCount) {
    if (answer == kButtonYesToAll) {
        if (modified && Shell.fileWarning && !Shell.batchMode) Save();
    } else if (answer != kButtonNoToAll) {
        answer = QuerySaveChanges(modifiedCount > 1);
        if (answer == kButtonCancel) return 1;
    }
    modified = 0;
    return 0;
}

// --- Open documents --------------------------------------------------------------------

CIODraw* FindOpenDocumentByPath(const std::string& path) {
    for (CDraw* d : ViewList()) {
        auto* io = dynamic_cast<CIODraw*>(d);
        if (!io || !io->IsCreated()) continue;
        if (d->drawType != kDrawSchematic && d->drawType != kDrawText && d->drawType != kDrawModelLibrary) continue;
        if (SamePath(d->GetFrameTitle(), path)) return io;
    }
    return nullptr;
}

int CheckNameNotOpen(CIOFrame* own, const std::string& name) {
    CIODraw* open = FindOpenDocumentByPath(name);
    if (!open || (own && open->frame == own)) return 0;
    platform::Window* active = platform::Window::FocusWindow();
    ReportMessage("PSE", own ? static_cast<void*>(own) : MainWindowHandle(), kIconHand, 13510, name.c_str());
    if (active) active->SetFocus();
    return kMsgReported;
}

bool ReloadOpenDocumentByPath(const std::string& path) {
    CIODraw* open = FindOpenDocumentByPath(path);
    if (!open) return false;
    int keep = open->flags;
    if (CIODraw* view = open->Revert()) view->flags = keep;
    return true;
}

void InstallOpenDocumentTextSource() {
    SetOpenDocumentTextSource([](const std::string& path, std::string& text) {
        CIODraw* open = FindOpenDocumentByPath(path);
        CTxtEdit* editor = open ? open->TextEditor() : nullptr;
        if (!editor) return false;
        text = editor->GetText();
        return true;
    });
}

namespace {
HiddenDocumentLookup& TheHiddenLookup() {
    static HiddenDocumentLookup lookup;
    return lookup;
}
}  // namespace

void SetHiddenDocumentLookup(HiddenDocumentLookup lookup) { TheHiddenLookup() = std::move(lookup); }

CIOFrame* LocateDocumentToOpen(std::string& path, const std::string& name, int flags, int kind, int& code) {
    code = 0;
    path = name;
    CIOFrame* found = nullptr;
    if (name.empty()) {
        code = kMsgFileNotFound;
    } else {
        if (!(flags & 0x200)) {
            if (GetFileExtension(path).empty()) {
                std::string completed = path;
                if (FileKindFromName(completed, kFileModeOpen, kind) != -1) path = completed;
                code = CheckFileExists(path);
            } else {
                code = ResolveFilePath(path, kind == kDrawModelLibrary ? kLibraryPath : kDataPath);
            }
        }
        if (CIODraw* open = FindOpenDocumentByPath(path)) found = dynamic_cast<CIOFrame*>(open->frame);
        if (!found && (flags & 0x2000) && TheHiddenLookup()) found = TheHiddenLookup()(path);
        if (found) {
            code = 0;
            if (!(flags & 0x2000)) {
                if (!(flags & (0x200 | 0x800)) && RecentFilesAllowed()) AddRecentFile(path);
                found->BringToFront();
            }
            return found;
        }
        if (code == 0) return nullptr;
    }
    std::string full = path;
    MakeFullPath(full, kDataPath);
    std::string shown = GetFileNameAndExtension(full);
    for (char& c : shown) c = static_cast<char>(toupper(static_cast<unsigned char>(c)));
    SetPendingMessageText(shown.c_str());
    if (!(flags & 0x80)) {
        ReportMessage("PE", MainWindowHandle(), code);
        code = kMsgReported;
    }
    return nullptr;
}

int UntitledDocumentName(std::string& name, int kind) {
    if (kind < 1 || kind > 3) kind = 1;
    static constexpr const char* kPatterns[3] = {"circuit%i.cir", "circuit%i.ckt", "lib%i.lbr"};
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, kPatterns[kind - 1], untitledCounters[kind - 1]++);
    name = buffer;
    return MakeFullPath(name, kind == 3 ? kLibraryPath : kDataPath);
}

void ResetUntitledCounters() { untitledCounters[0] = untitledCounters[1] = untitledCounters[2] = 1; }

}  // namespace ob7
