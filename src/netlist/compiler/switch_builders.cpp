// SPICE switches: S, controlled by a node voltage pair through a VSWITCH model, and W,
// controlled by the current of the voltage source its REF names (resolved after every
// source is built).

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/model_types.h"
#include "sim/devices/independent_sources.h"
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
        DeviceInstance* device = found >= 0 ? cc.partDevice[static_cast<size_t>(found)] : nullptr;
        const auto* source = found >= 0 && cc.Part(found).type == CT_VSPICE ? static_cast<SpiceSource*>(device)
                                                                            : nullptr;
        if (!source) return ReportCompileError(cc, part, 10799, ref.c_str());
        s->control_branch = &source->branch;
    }
    return 0;
}

}  // namespace ob7
