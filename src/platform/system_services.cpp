#include "platform/system_services.h"

#include <cstdio>

namespace platform {
namespace {

class HeadlessServices final : public SystemServices {
public:
    int ShowMessageBox(const std::string& text, const std::string& caption, int style) override {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        switch (style & 0xF) {
        case 1: return 1;   // OK/Cancel
        case 2: return 3;   // Abort/Retry/Ignore
        case 3: return 6;   // Yes/No/Cancel
        case 4: return 6;   // Yes/No
        case 5: return 4;   // Retry/Cancel
        default: return 1;  // OK
        }
    }
    void Beep(int) override {}
    int PollKey() override { return 0; }
};

HeadlessServices headless;
SystemServices* current = &headless;

}  // namespace

SystemServices& Services() { return *current; }

void InstallServices(SystemServices* services) { current = services ? services : &headless; }

}  // namespace platform
