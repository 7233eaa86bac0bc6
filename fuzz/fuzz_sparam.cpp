// S-parameter data files read into points, converted to admittances and laid out as the
// frequency tables of the two-port's sources: whatever the text, the read returns its
// points or one error text, and the tables have their 10 N - 7 entries.
#include <cstdint>
#include <string>

#include "fuzz_common.h"
#include "netlist/compiler/sparam_two_port.h"

using namespace ob7;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::InitOnce();
    if (size > 200000) return 0;
    const std::string text(reinterpret_cast<const char*>(data), size);
    SParamTwoPort record;
    std::vector<SParamPoint> points;
    std::string error;
    if (ReadSParamText(record, text, &points, &error) != 0) {
        if (error.empty()) __builtin_trap();
        return 0;
    }
    if (points.empty() || record.pointCount != static_cast<int>(points.size())) __builtin_trap();
    std::vector<SParamPoint> y;
    for (const SParamPoint& s : points) y.push_back(SParamToYParam(s, record.referenceResistance));
    for (int k = 0; k < 4; ++k)
        if (BuildYParamTable(y, k).size() != 10 * y.size() - 7) __builtin_trap();
    return 0;
}
