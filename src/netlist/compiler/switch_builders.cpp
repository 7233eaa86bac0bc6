// Switches and the sample and hold. SPICE switches: S, controlled by a node voltage pair
// through a VSWITCH model, and W, controlled by the current of the voltage source its REF
// names. The Switch part switches by time, by a voltage or by the current of the inductor
// across its control pins. Sources and inductors are resolved after every part is built.

#include <cstring>

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/model_types.h"
#include "sim/engine/run_helpers.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/switch.h"

namespace ob7 {

int BuildVoltageSwitch(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10834, PartAttr(p, ATTR_MODEL).c_str());
    ModelParams* model = FindPartModel(cc, part, {kModelVSwitch});
    if (!model) return kMsgReported;
    VSwitch* s = AddVSwitch(model, p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], p.pinNodes[3]);
    AttachDeviceToPart(cc, part, s);
    return 0;
}

int BuildCurrentSwitch(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (PartAttr(p, ATTR_REF).empty()) return ReportCompileError(cc, part, 10854);
    ModelParams* model = FindPartModel(cc, part, {kModelISwitch});
    if (!model) return kMsgReported;
    ISwitch* s = AddISwitch(model, p.pinNodes[0], p.pinNodes[1], nullptr);
    AttachDeviceToPart(cc, part, s);
    return 0;
}

namespace {

// The branch equation of a part built as a voltage source (a SPICE V source, a battery,
// an analog state source, a pulse or a sine source), or null.
const int* VoltageSourceBranch(CompileContext& cc, int part) {
    DeviceInstance* d = cc.partDevice[static_cast<size_t>(part)];
    if (!d) return nullptr;
    switch (cc.Part(part).type) {
    case CT_VSPICE:
    case CT_BATTERY:
    case CT_ANALOG_STATE: return &static_cast<SpiceSource*>(d)->branch;
    case CT_PULSE: return &static_cast<PulseSource*>(d)->branch;
    case CT_SINE: return &static_cast<SineSource*>(d)->branch;
    default: return nullptr;
    }
}

}  // namespace

int LinkCurrentSwitchSources(CompileContext& cc) {
    for (auto* s : DevicesOf<ISwitch>(kISwitchList)) {
        const int part = cc.PartOf(s);
        const NetlistPart& p = cc.Part(part);
        int error = 0;
        std::string ref = GetPartTextExpanded(cc.c.tables, p, ATTR_REF, &error);
        if (error) {
            MarkPartErrorSource(cc.c, part);
            return kMsgReported;
        }
        while (!ref.empty() && ref.back() == ' ') ref.pop_back();
        const int found = FindPartByName(cc.c, ref, p.scope);
        const int* branch = found >= 0 ? VoltageSourceBranch(cc, found) : nullptr;
        if (!branch) return ReportCompileError(cc, part, 10799, ref.c_str());
        s->control_branch = branch;
    }
    for (auto* s : DevicesOf<SwitchComponent>(kSwitchList)) {
        if (s->control != kSwitchByCurrent) continue;
        for (auto* l : DevicesOf<Inductor>(kInductorList))
            if (!s->inductor && ((l->a == s->ref1 && l->b == s->ref2) || (l->a == s->ref2 && l->b == s->ref1)))
                s->inductor = l;
        const int part = cc.PartOf(s);
        if (!s->inductor) return ReportCompileError(cc, part, 10835, PartAttr(cc.Part(part), ATTR_VALUE).c_str());
    }
    return 0;
}

// The Switch part: VALUE is a letter (T time, V voltage, I current), then the two
// thresholds and the on and off resistances, comma-separated ("V,1,2" or "T,1m,2m,1,1G").
// Control on pins 3 and 4, switched pair on pins 1 and 2; a current switch follows the
// inductor across its control pins.
int BuildSwitch(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 4) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    std::string text;
    if (SubstituteDefines(cc.c.tables, text, p.scope, PartAttr(p, ATTR_VALUE), false)) {
        MarkPartErrorSource(cc.c, part);
        return kMsgReported;
    }
    const char* modes = "TVI";
    const char* mode = text.empty() ? nullptr : std::strchr(modes, text[0]);
    if (!mode) return ReportCompileError(cc, part, 10835, text.c_str());
    const std::string rest = text.substr(1);
    if (int code = ParseNumberList(rest.c_str(), 5)) {
        ReportCompileError(cc, part, code);
        return kMsgReported;
    }
    // Fields: an empty one after the letter, threshold 1, threshold 2, RON, ROFF.
    const size_t firstComma = rest.find(',');
    const bool secondGiven = firstComma != std::string::npos && rest.find(',', firstComma + 1) != std::string::npos;
    const double a = NumberList[1], b = secondGiven ? NumberList[2] : 1e30;
    if (a == b) return ReportCompileError(cc, part, 10835, text.c_str());
    const double ron = NumberList[3] != 0 ? NumberList[3] : 0.001, roff = NumberList[4] != 0 ? NumberList[4] : 1e9;
    const int control = static_cast<int>(mode - modes) + kSwitchByTime;
    SwitchComponent* s = AddSwitchComponent(control, p.pinNodes[0], p.pinNodes[1], a, b, 1 / ron, 1 / roff);
    s->ref1 = p.pinNodes[3], s->ref2 = p.pinNodes[2];
    s->owning_part = &p;
    cc.partDevice[static_cast<size_t>(part)] = s;
    return 0;
}

int BuildSampleAndHold(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 2) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    std::string input, sample, period;
    for (auto [attribute, text] : {std::pair{ATTR_INPUT_EXPR, &input}, {ATTR_SAMPLE_EXPR, &sample}, {ATTR_PERIOD, &period}})
        if (SubstituteDefines(cc.c.tables, *text, p.scope, PartAttr(p, attribute), false)) {
            MarkPartErrorSource(cc.c, part);
            return kMsgReported;
        }
    const bool hasSample = sample.find_first_not_of(' ') != std::string::npos;
    const bool hasPeriod = period.find_first_not_of(' ') != std::string::npos;
    double value = 0;
    if (hasPeriod)
        if (int code = EvalPartValue(cc, part, period, &value)) return code;
    if (!hasSample && !hasPeriod) return ReportCompileError(cc, part, 10864);
    SampleHold* s = AddSampleHold(p.pinNodes[0], p.pinNodes[1], value);
    SetExpressionText(&s->input, input);
    if (hasSample) SetExpressionText(&s->clock, sample);
    AttachDeviceToPart(cc, part, s);
    return 0;
}

}  // namespace ob7
