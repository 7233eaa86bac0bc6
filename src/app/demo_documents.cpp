#include "app/demo_documents.h"

#include <filesystem>

#include "app/circuit_analysis.h"
#include "app/main_frame.h"
#include "circuit/views/cct_draw.h"
#include "circuit/views/text_window.h"
#include "ui/framework/io_frame.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

namespace {

bool IsDocumentKind(int kind) { return kind == kDrawSchematic || kind == kDrawText || kind == kDrawModelLibrary; }

// The open document windows, in list order.
std::vector<CIODraw*> OpenDocuments() {
    std::vector<CIODraw*> documents;
    for (CDraw* view : ViewList())
        if ((view->flags & kDrawOpen) && IsDocumentKind(view->drawType) && view->frame && view->frame->IsCreated())
            if (auto* document = dynamic_cast<CIODraw*>(view)) documents.push_back(document);
    return documents;
}

// The title with its extension replaced by "1", "2" ... up to a name that is free.
std::string TemporaryName(const std::string& title) {
    std::filesystem::path base(title);
    for (int n = 1;; ++n) {
        std::filesystem::path candidate = base;
        candidate.replace_extension(std::to_string(n));
        if (!std::filesystem::exists(candidate)) return candidate.string();
    }
}

void Close(CIODraw* document) {
    document->SetModified(0);
    if (document->frame) document->frame->Close();
}

}  // namespace

bool SaveDocumentsForDemo(std::vector<SavedDocument>& saved) {
    if (Shell.analysisKind != -1) EndCircuitAnalysis();
    for (CIODraw* document : OpenDocuments()) {
        SavedDocument record;
        record.title = document->GetFrameTitle();
        record.temporary = TemporaryName(record.title);
        record.modified = document->IsModified();
        record.kind = document->drawType;
        record.hasFile = document->untitled ? 0 : 1;
        if (document->SaveToFile(record.temporary) != 0) return false;
        saved.push_back(record);
        Close(document);
    }
    return true;
}

void CloseDemoDocuments() {
    for (CIODraw* document : OpenDocuments()) Close(document);
}

void RestoreDocumentsAfterDemo(std::vector<SavedDocument>& saved) {
    for (const SavedDocument& record : saved) {
        CMDIFrame* frame = nullptr;
        if (record.kind == kDrawText) {
            int code = 0;
            frame = OpenTextWindow(record.temporary, 0x800, code);  // no recent-file entry
        } else {
            frame = OpenFileByKind(record.temporary, record.kind);
        }
        if (frame) {
            frame->SetTitle(record.title);
            if (auto* view = dynamic_cast<CCTDraw*>(frame->draw); view && view->document) view->document->path = record.title;
            if (auto* document = dynamic_cast<CIODraw*>(frame->draw)) {
                document->untitled = record.hasFile ? 0 : 1;
                document->SetModified(record.modified);
            }
        }
        std::error_code error;
        std::filesystem::remove(record.temporary, error);
    }
    saved.clear();
}

}  // namespace ob7
