// User-source waveform files: any text, read for a user source and for CurveX, and
// rewritten without a waveform; older layouts converted.
#include <cstddef>
#include <cstdint>
#include <string>

#include "analysis/user_source_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    ob7::UserWaveform w;
    ob7::UserWaveformProblem p;
    for (const char* mainX : {"T", "F", "V(Q1)"}) {
        ob7::ParseUserSourceWaveform(text, "w", mainX, ob7::UserWaveformUse::Source, w, p);
        ob7::ParseUserSourceWaveform(text, "", mainX, ob7::UserWaveformUse::Curve, w, p);
    }
    std::string rest;
    if (ob7::RemoveWaveformFromText(text, "w", true, rest) == 0) {
        // What a rewrite leaves must read as a waveform file again.
        if (ob7::ParseUserSourceWaveform(rest, "x", "T", ob7::UserWaveformUse::Curve, w, p) == 5355)
            __builtin_trap();
    }
    // A converted old file must read as a file of this layout, its first label found.
    if (ob7::ConvertOldUserSourceText(text, 0.0, 1e-3, rest) == 0) {
        if (ob7::ParseUserSourceWaveform(rest, "x", "T", ob7::UserWaveformUse::Curve, w, p) == 5355)
            __builtin_trap();
    }
    return 0;
}
