// The menu block of user-source files, as the expression menus read it: any text. Every
// label found is non-empty and has no line break.
#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis_ui/curve_file_menus.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const std::string& label : ob7::WaveformMenuLabels(text))
        if (label.empty() || label.find('\n') != std::string::npos) __builtin_trap();
    return 0;
}
