#include "analysis/tline_stepping.h"

#include <strings.h>

#include "analysis/stepping.h"
#include "netlist/compiler/circuit_compiler.h"

namespace ob7 {

namespace {

constexpr int kMsgStoppedSilently = 15055;

struct LineParam {
    const char* name;
    int slot;  // TRN parameter
};

const LineParam kLossless[] = {{"value.z0", 0}, {"value.td", 1}, {"value.f", 2}, {"value.nl", 3}};
const LineParam kLossy[] = {{"value.r", 4}, {"value.l", 5}, {"value.g", 6}, {"value.c", 7}, {"value.len", 8}};

template <size_t N>
std::vector<std::string> Names(const LineParam (&table)[N]) {
    std::vector<std::string> out;
    for (const LineParam& p : table) out.push_back(p.name);
    return out;
}

template <size_t N>
int SlotOf(const LineParam (&table)[N], const std::string& name) {
    for (const LineParam& p : table)
        if (strcasecmp(name.c_str(), p.name) == 0) return p.slot;
    return -1;
}

}  // namespace

const std::vector<std::string>& LineStepNames(bool lossless) {
    static const std::vector<std::string> losslessNames = Names(kLossless), lossyNames = Names(kLossy);
    return lossless ? losslessNames : lossyNames;
}

int ResolveLineStep(int part, StepVariable& v) {
    LineOwnValues line;
    if (!FindLineOwnValues(part, &line)) return kMsgStoppedSilently;
    const int slot = line.lossless ? SlotOf(kLossless, v.param) : SlotOf(kLossy, v.param);
    if (slot < 0) return kMsgStoppedSilently;
    GivenValue* own = &line.values[slot];
    double* model = &line.model[slot];
    v.target = nullptr;
    // Until the first case is applied the model holds what the line runs with.
    v.read = [own, model] { return own->given ? own->value : *model; };
    v.write = [own](double x) {
        own->value = x;
        own->given = 1;
    };
    // Restore brings back the line's own value as compiled, given or not, and the model
    // value the line ran with.
    const GivenValue saved = *own;
    const double savedModel = *model;
    v.restoreSaved = [own, model, saved, savedModel] {
        *own = saved;
        *model = savedModel;
    };
    return 0;
}

}  // namespace ob7
