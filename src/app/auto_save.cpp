#include "app/auto_save.h"

#include <chrono>
#include <vector>

#include "app/settings_profile.h"
#include "ui/framework/dialogs.h"
#include "ui/framework/io_frame.h"
#include "ui/framework/shell_state.h"

namespace ob7 {

void SaveModifiedDocuments() {
    // The list may change while documents are saved: walk a copy.
    const std::vector<CDraw*> views = ViewList();
    for (CDraw* view : views) {
        if (!(view->flags & kDrawOpen) || !view->frame || !view->frame->IsCreated()) continue;
        if (view->drawType != kDrawSchematic && view->drawType != kDrawText && view->drawType != kDrawModelLibrary)
            continue;
        auto* document = dynamic_cast<CIODraw*>(view);
        if (!document || !document->IsModified()) continue;
        if (document->untitled) document->Save();
        else document->SaveToFile(document->GetFrameTitle());
    }
}

bool AutoSaveClock::Pass(long long now) {
    if (Shell.demoPlaying || ModalDepth != 0 || (Shell.runInProgress && !Shell.runPaused) || !Preferences.autoSaveEvery ||
        Shell.analysisKind != -1)
        return false;
    if ((now - last_) / 60 < Preferences.autoSaveMin) return false;
    SaveModifiedDocuments();
    last_ = now;
    return true;
}

long long SecondsSinceSystemStart() {
    // The monotonic clock counts from the system's start.
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace ob7
