// Diodes, bipolar transistors, JFETs and MOSFETs: the model named by MODEL (of either
// polarity), the area (or W and L) from the value text, and an internal node for every
// series resistance the model gives; OFF and IC=... for the operating point.


#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/compiler/value_templates.h"
#include "netlist/model_types.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/diode.h"
#include "sim/devices/gaasfet.h"
#include "sim/devices/jfet.h"
#include "sim/devices/mosfet.h"

namespace ob7 {

namespace {

// A model value by name; 0 when the model has no such parameter or it is not given.
double ModelValue(const ModelParams* model, const char* name) {
    const int slot = FindModelParam(model->modelType, name);
    if (slot < 0) return 0;
    const double v = ModelReals(*model)[slot];
    return IsGiven(v) ? v : 0;
}

bool HasResistance(const ModelParams* model, const char* name) { return ModelValue(model, name) > 0; }

// The node of a terminal behind its series resistance: a new internal node when the
// model has the resistance, else the terminal itself.
int InnerNode(CompileContext& cc, const ModelParams* model, const char* resistance, int terminal) {
    return HasResistance(model, resistance) ? cc.NewInternalNode() : terminal;
}

// The same, the new node named after the part with the suffix ("D1_Pside").
int NamedInnerNode(CompileContext& cc, int part, const ModelParams* model, const char* resistance, int terminal,
                   const char* suffix) {
    int node = terminal;
    if (HasResistance(model, resistance)) NameInternalNode(cc, part, suffix, &node);
    return node;
}

int CheckPins(CompileContext& cc, int part, size_t count) {
    if (cc.Part(part).pinNodes.size() >= count) return 0;
    return ReportCompileError(cc, part, 10847, PartAttr(cc.Part(part), ATTR_VALUE).c_str());
}

// The instance options of the value text: area, OFF and the initial junction voltages.
constexpr const char* kTwoTerminalOptions = "<[%g][OFF%d][IC=%g]>";
constexpr const char* kThreeTerminalOptions = "<[%g][OFF%d][IC=%g[,%g]]>";
constexpr const char* kMosfetOptions =
    "<[M=%g][L=%t][W=%t][AD=%g][AS=%g][PD=%g][PS=%g][NRD=%g][NRS=%g][NRB=%g][NRG=%g][OFF%d][IC=%g[,%g[,%g]]]>";

int PartOptions(CompileContext& cc, int part, const char* options, std::initializer_list<void*> outputs) {
    return ParseValueTemplate(cc.c, part, options, PartAttr(cc.Part(part), ATTR_VALUE), outputs);
}

}  // namespace

int BuildDiode(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 2)) return code;
    // A diode with both pins on one node does nothing: it is left out.
    if (cc.Part(part).pinNodes[0] == cc.Part(part).pinNodes[1]) return 0;
    ModelParams* model = FindPartModel(cc, part, {kModelDiode});
    if (!model) return kMsgReported;
    double area = 1, ic = 0;
    int off = 0;
    if (int code = PartOptions(cc, part, kTwoTerminalOptions, {&area, &off, &ic})) return code;
    if (!(area > 0)) return ReportCompileError(cc, part, 10840);
    const NetlistPart& p = cc.Part(part);
    const int inner = NamedInnerNode(cc, part, model, "RS", p.pinNodes[0], "_Pside");
    Diode* d = AddDiode(model, p.pinNodes[0], p.pinNodes[1], area, inner == p.pinNodes[0] ? 0 : inner);
    d->off = off, d->ic = ic;
    AttachDeviceToPart(cc, part, d);
    return 0;
}

int BuildBipolar(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 3)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelNpn, kModelPnp, kModelLpnp});
    if (!model) return kMsgReported;
    double area = 1, vbe = 0, vce = 0;
    int off = 0;
    if (int code = PartOptions(cc, part, kThreeTerminalOptions, {&area, &off, &vbe, &vce})) return code;
    if (!(area > 0)) return ReportCompileError(cc, part, 10840);
    const NetlistPart& p = cc.Part(part);
    const int substrate = p.pinNodes.size() > 3 ? p.pinNodes[3] : 0;
    Bjt* q = AddBjt(model, p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], substrate, area);
    q->base_i = NamedInnerNode(cc, part, model, "RB", p.pinNodes[1], "_base");
    q->emitter_i = NamedInnerNode(cc, part, model, "RE", p.pinNodes[2], "_emitter");
    q->collector_i = NamedInnerNode(cc, part, model, "RC", p.pinNodes[0], "_collector");
    q->off = off, q->ic_vbe = vbe, q->ic_vce = vce;
    AttachDeviceToPart(cc, part, q);
    return 0;
}

int BuildJfet(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 3)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelNjf, kModelPjf});
    if (!model) return kMsgReported;
    double area = 1, vds = 0, vgs = 0;
    int off = 0;
    if (int code = PartOptions(cc, part, kThreeTerminalOptions, {&area, &off, &vds, &vgs})) return code;
    if (!(area > 0)) return ReportCompileError(cc, part, 10840);
    const NetlistPart& p = cc.Part(part);
    const int drain = p.pinNodes[0], source = p.pinNodes[2];
    const int drainInner = InnerNode(cc, model, "RD", drain);
    const int sourceInner = InnerNode(cc, model, "RS", source);
    Jfet* j = AddJfet(model, drain, p.pinNodes[1], source, area, drainInner == drain ? 0 : drainInner,
                      sourceInner == source ? 0 : sourceInner);
    j->off = off, j->ic_vds = vds, j->ic_vgs = vgs;
    AttachDeviceToPart(cc, part, j);
    return 0;
}

int BuildGaasfet(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 3)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelGasfet});
    if (!model) return kMsgReported;
    double area = 1, vds = 0, vgs = 0;
    int off = 0;
    if (int code = PartOptions(cc, part, kThreeTerminalOptions, {&area, &off, &vds, &vgs})) return code;
    if (!(area > 0)) return ReportCompileError(cc, part, 10840);
    const NetlistPart& p = cc.Part(part);
    const int drain = p.pinNodes[0], gate = p.pinNodes[1], source = p.pinNodes[2];
    auto inner = [&](const char* r, int terminal) {
        const int n = InnerNode(cc, model, r, terminal);
        return n == terminal ? 0 : n;
    };
    const int drainInner = inner("RD", drain), gateInner = inner("RG", gate), sourceInner = inner("RS", source);
    Gaasfet* z = AddGaasfet(model, drain, gate, source, area, drainInner, gateInner, sourceInner);
    z->off = off, z->ic_vds = vds, z->ic_vgs = vgs;
    AttachDeviceToPart(cc, part, z);
    return 0;
}

int BuildMosfet(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 4)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelNmos, kModelPmos});
    if (!model) return kMsgReported;
    const NetlistPart& p = cc.Part(part);
    MosfetInstance* m = AddMosfet(model, p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], p.pinNodes[3]);
    GivenValue l, w;
    if (int code = PartOptions(cc, part, kMosfetOptions,
                               {&m->M, &l, &w, &m->parsed_AD, &m->parsed_AS, &m->parsed_PD, &m->parsed_PS, &m->NRD,
                                &m->NRS, &m->NRB, &m->NRG, &m->off, &m->ic_vds, &m->ic_vgs, &m->ic_vbs}))
        return code;
    m->parsed_L = l.value, m->parsed_L_given = l.given;
    m->parsed_W = w.value, m->parsed_W_given = w.given;
    if (m->NRD < 0) m->NRD = 1;
    if (m->NRS < 0) m->NRS = 1;
    if (!(m->M > 0)) m->M = 1;
    // A terminal with a series resistance (its own, or squares of the sheet resistance)
    // reaches the intrinsic device through an internal node.
    const double rsh = ModelValue(model, "RSH");
    auto inner = [&](int terminal, const char* resistance, double squares) {
        return ModelValue(model, resistance) != 0 || squares * rsh != 0 ? cc.NewInternalNode() : terminal;
    };
    m->gate_i = inner(m->gate, "RG", m->NRG);
    m->drain_i = inner(m->drain, "RD", m->NRD);
    m->source_i = inner(m->source, "RS", m->NRS);
    m->bulk_i = inner(m->bulk, "RB", m->NRB);
    if (ModelValue(model, "LEVEL") == 8 && ModelValue(model, "NQSMOD") == 1) m->charge_node = cc.NewInternalNode();
    AttachDeviceToPart(cc, part, m);
    return 0;
}

}  // namespace ob7
