#include "app/document_openers.h"

#include "app/main_frame.h"
#include "circuit/views/text_window.h"

namespace ob7 {

void InstallDocumentOpeners() {
    Openers().openText = [](const std::string& path) -> CMDIFrame* {
        int code = 0;
        return OpenTextWindow(path, 0, code);
    };
}

}  // namespace ob7
