// The waveform import readers: the first line of the input is a curve expression whose
// import calls are cut out; the rest is a numeric output file that IMPORT reads and
// whose waveform is then interpolated. Byte 0 picks the analysis kind, the digital axis
// and the case.
#include <cstdint>
#include <fstream>
#include <string>

#include "fuzz_common.h"
#include "sim/analysis/waveform_import.h"

using namespace ob7;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static fuzz::NullSink sink;
    static bool ready = (SetBatchLogSink(&sink), true);
    (void)ready;
    if (size < 1) return 0;
    const uint8_t sel = data[0];
    std::string text(reinterpret_cast<const char*>(data + 1), size - 1);
    const size_t newline = text.find('\n');
    std::string expression = text.substr(0, newline);
    const std::string file = newline == std::string::npos ? std::string() : text.substr(newline + 1);
    const std::string path = fuzz::ScratchDir() + "/data/in.no";
    std::ofstream(path, std::ios::binary) << file;

    const int kind = sel % 3;
    std::vector<ImportSpec> specs;
    bool handled = false;
    ParseImportCalls(expression, (sel & 8) != 0, kind, kind == 0 ? "T" : kind == 1 ? "F" : "V(1)", "", &specs, &handled);

    ImportSpec spec;
    spec.file_name = path;
    spec.waveform_name = specs.empty() ? "V(OUT)" : specs[0].waveform_name;
    ImportCase at;
    at.analysis_kind = kind;
    at.dc_variable1 = "V1";
    at.digital_axis = (sel & 16) != 0;
    at.run_number = (sel >> 5) + 1;
    at.has_variable2 = (sel & 4) != 0;
    at.dc_variable2 = "V2";
    std::vector<ImportSpec> loaded{spec};
    if (LoadImportWaveform(loaded[0], {}, at) == 0) {
        ImportSpec shared = loaded[0];
        LoadImportWaveform(shared, {&loaded[0]}, at);
        loaded.push_back(shared);
        for (double x : {-1.0, 0.0, 1e-9, 0.5, 1.0, 3.0, 1e30, 0.25, -1e30})
            InterpolateImportWaveform(loaded, x, at.digital_axis);
    }
    return 0;
}
