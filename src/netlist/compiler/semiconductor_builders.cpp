// Diodes, bipolar transistors, JFETs and MOSFETs: the model named by MODEL (of either
// polarity), the area (or W and L) from the value text, and an internal node for every
// series resistance the model gives.

#include <cctype>

#include "circuit/attribute_ids.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/model_types.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/diode.h"
#include "sim/devices/gaasfet.h"
#include "sim/devices/jfet.h"
#include "sim/devices/mosfet.h"

namespace ob7 {

namespace {

bool HasResistance(const ModelParams* model, const char* name) {
    const int slot = FindModelParam(model->modelType, name);
    if (slot < 0) return false;
    const double r = ModelReals(*model)[slot];
    return IsGiven(r) && r > 0;
}

// The node of a terminal behind its series resistance: a new internal node when the
// model has the resistance, else the terminal itself.
int InnerNode(CompileContext& cc, const ModelParams* model, const char* resistance, int terminal) {
    return HasResistance(model, resistance) ? cc.NewInternalNode() : terminal;
}

int CheckPins(CompileContext& cc, int part, size_t count) {
    if (cc.Part(part).pinNodes.size() >= count) return 0;
    return ReportCompileError(cc, part, 10847, PartAttr(cc.Part(part), ATTR_VALUE).c_str());
}

// The area factor: the first word of the value text (after the model), 1 when empty.
// An OFF keyword and named values (IC=...) are left to the operating point options.
int PartArea(CompileContext& cc, int part, double* area) {
    *area = 1;
    const std::string text = PartAttr(cc.Part(part), ATTR_VALUE);
    std::string token;
    NextValueToken(text, 0, &token, false);
    if (token.empty() || std::isalpha(static_cast<unsigned char>(token[0]))) return 0;
    return EvalPartValue(cc, part, token, area);
}

}  // namespace

int BuildDiode(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 2)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelDiode});
    if (!model) return kMsgReported;
    double area = 1;
    if (int code = PartArea(cc, part, &area)) return code;
    const NetlistPart& p = cc.Part(part);
    const int inner = InnerNode(cc, model, "RS", p.pinNodes[0]);
    Diode* d = AddDiode(model, p.pinNodes[0], p.pinNodes[1], area, inner == p.pinNodes[0] ? 0 : inner);
    AttachDeviceToPart(cc, part, d);
    return 0;
}

int BuildBipolar(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 3)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelNpn, kModelPnp, kModelLpnp});
    if (!model) return kMsgReported;
    double area = 1;
    if (int code = PartArea(cc, part, &area)) return code;
    const NetlistPart& p = cc.Part(part);
    const int substrate = p.pinNodes.size() > 3 ? p.pinNodes[3] : 0;
    Bjt* q = AddBjt(model, p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], substrate, area);
    q->collector_i = InnerNode(cc, model, "RC", p.pinNodes[0]);
    q->base_i = InnerNode(cc, model, "RB", p.pinNodes[1]);
    q->emitter_i = InnerNode(cc, model, "RE", p.pinNodes[2]);
    AttachDeviceToPart(cc, part, q);
    return 0;
}

int BuildJfet(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 3)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelNjf, kModelPjf});
    if (!model) return kMsgReported;
    double area = 1;
    if (int code = PartArea(cc, part, &area)) return code;
    const NetlistPart& p = cc.Part(part);
    const int drain = p.pinNodes[0], source = p.pinNodes[2];
    const int drainInner = InnerNode(cc, model, "RD", drain);
    const int sourceInner = InnerNode(cc, model, "RS", source);
    Jfet* j = AddJfet(model, drain, p.pinNodes[1], source, area, drainInner == drain ? 0 : drainInner,
                      sourceInner == source ? 0 : sourceInner);
    AttachDeviceToPart(cc, part, j);
    return 0;
}

int BuildGaasfet(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 3)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelGasfet});
    if (!model) return kMsgReported;
    double area = 1;
    if (int code = PartArea(cc, part, &area)) return code;
    const NetlistPart& p = cc.Part(part);
    const int drain = p.pinNodes[0], gate = p.pinNodes[1], source = p.pinNodes[2];
    auto inner = [&](const char* r, int terminal) {
        const int n = InnerNode(cc, model, r, terminal);
        return n == terminal ? 0 : n;
    };
    const int drainInner = inner("RD", drain), gateInner = inner("RG", gate), sourceInner = inner("RS", source);
    Gaasfet* z = AddGaasfet(model, drain, gate, source, area, drainInner, gateInner, sourceInner);
    AttachDeviceToPart(cc, part, z);
    return 0;
}

int BuildMosfet(CompileContext& cc, int part) {
    if (int code = CheckPins(cc, part, 4)) return code;
    ModelParams* model = FindPartModel(cc, part, {kModelNmos, kModelPmos});
    if (!model) return kMsgReported;
    const NetlistPart& p = cc.Part(part);
    // W=... and L=... among the value words.
    double w = 0, l = 0;
    const std::string text = PartAttr(p, ATTR_VALUE);
    for (size_t pos = 0; pos < text.size();) {
        std::string token;
        const size_t used = NextValueToken(text, pos, &token, false);
        if (used == 0) break;
        pos += used;
        std::string key;
        for (char ch : token) key += static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        if (key != "W" && key != "L") continue;
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '=')) ++pos;
        std::string value;
        pos += NextValueToken(text, pos, &value, false);
        if (int code = EvalPartValue(cc, part, value, key == "W" ? &w : &l)) return code;
    }
    MosfetInstance* m = AddMosfet(model, p.pinNodes[0], p.pinNodes[1], p.pinNodes[2], p.pinNodes[3], w, l);
    AttachDeviceToPart(cc, part, m);
    return 0;
}

}  // namespace ob7
