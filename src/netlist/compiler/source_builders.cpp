// Independent SPICE sources (V, I) with their value texts, and the controlled sources
// E, F, G, H in their linear and POLY forms.

#include <cctype>

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "netlist/poly_source.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"

namespace ob7 {

// Batteries, SPICE V and I sources, current sources and analog state sources: one
// VALUE text each. A battery and an analog state source are voltage sources (an analog
// state source from its pin to ground), a current source a SPICE current source.
int BuildIndependentSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    const bool analogState = p.type == CT_ANALOG_STATE;
    if (p.pinNodes.size() < (analogState ? 1u : 2u)) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    const bool current = p.type == CT_ISPICE || p.type == CT_ISOURCE;
    const int negative = analogState ? 0 : p.pinNodes[1];
    if (analogState) cc.hasGround = true;
    SpiceSource* s = AddSpiceSource(p.pinNodes[0], negative, current ? CT_ISPICE : kSpiceVoltageSource, 0);
    AttachDeviceToPart(cc, part, s);
    return ParseSourceValueText(cc, part, s, PartAttr(p, ATTR_VALUE));
}

// Pulse and sine sources take every value from their PUL or SIN model. A sine source
// whose model has a series resistance drives an internal node behind it.
int BuildPulseSource(CompileContext& cc, int part) {
    const NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 2) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    ModelParams* model = FindPartModel(cc, part, {kModelPulse});
    if (!model) return kMsgReported;
    AttachDeviceToPart(cc, part, AddPulseSource(p.pinNodes[0], p.pinNodes[1], model));
    return 0;
}

int BuildSineSource(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 2) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_PART).c_str());
    ModelParams* model = FindPartModel(cc, part, {kModelSin});
    if (!model) return kMsgReported;
    int output = p.pinNodes[0];
    const double rs = model->Real(kSinRs);
    if (IsGiven(rs) && rs != 0) {
        NameInternalNode(cc, part, "_plus", &output);
        AddResistor(p.pinNodes[0], output, rs)->owning_part = &p;
    }
    AttachDeviceToPart(cc, part, AddSineSource(output, p.pinNodes[1], model));
    return 0;
}

namespace {
struct ControlledRecord {
    int part;
    PolySourceRecord record;
    PolySource* device;
};
std::vector<ControlledRecord> PendingControlled;
}  // namespace

// Every E, F, G, H becomes a polynomial source: the linear form is the polynomial of
// one input with coefficients 0 and the gain, whose load is the same stamp.
int BuildControlledSource(CompileContext& cc, int part) {
    NetlistPart& p = cc.Part(part);
    if (p.pinNodes.size() < 2) return ReportCompileError(cc, part, 10847, PartAttr(p, ATTR_VALUE).c_str());
    PolySourceRecord r;
    r.part = part;
    r.scope = p.scope;
    r.componentType = p.type;
    r.outPlus = p.pinNodes[0];
    r.outMinus = p.pinNodes[1];
    if (int code = BuildPolySource(cc.c, part, PartAttr(p, ATTR_VALUE), r)) {
        MarkPartErrorSource(cc.c, part);
        return code;
    }
    std::vector<double> coefficients(r.coefficients.begin() + 1, r.coefficients.begin() + 1 + r.count);
    std::vector<PolyControl> controls;
    const bool byCurrent = p.type == kPolyFIofI || p.type == kPolyHVofI;
    const size_t inputs = byCurrent ? r.sources.size() : r.nodes.size();
    for (size_t k = 1; k < inputs; ++k) {
        PolyControl control;
        if (!byCurrent) control.a = r.nodes[k].first, control.b = r.nodes[k].second;
        controls.push_back(control);
    }
    PolySource* s = AddPolySource(p.type, r.outPlus, r.outMinus, std::move(coefficients), std::move(controls));
    AttachDeviceToPart(cc, part, s);
    PendingControlled.push_back({part, std::move(r), s});
    return 0;
}

// F and H: each controlling source's branch, once every source is built.
int LinkControlledSources(CompileContext& cc) {
    std::vector<PolySourceRecord> records;
    for (auto& pending : PendingControlled) records.push_back(pending.record);
    int code = ResolvePolyControlSources(cc.c, records);
    for (size_t i = 0; !code && i < records.size(); ++i) {
        const PolySourceRecord& r = records[i];
        PolySource* s = PendingControlled[i].device;
        for (size_t k = 1; k < r.sourceParts.size(); ++k) {
            const int controlPart = r.sourceParts[k];
            auto* source = static_cast<SpiceSource*>(cc.partDevice[static_cast<size_t>(controlPart)]);
            if (!source || !source->IsVoltage()) {
                code = ReportCompileError(cc, r.part, 10799, r.sources[k].c_str());
                break;
            }
            s->controls[k - 1].branch = &source->branch;
        }
    }
    if (code) MarkPartErrorSource(cc.c, PendingControlled.empty() ? -1 : PendingControlled[0].part);
    PendingControlled.clear();
    return code;
}

}  // namespace ob7

namespace ob7 {
void ForgetControlledSources() { PendingControlled.clear(); }
}  // namespace ob7
