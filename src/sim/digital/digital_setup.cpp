#include "sim/digital/digital_setup.h"

#include <algorithm>
#include <cmath>

#include "expression/digital_logic.h"
#include "sim/digital/device_memory.h"
#include "sim/digital/digital_messages.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/constraint.h"
#include "sim/digital/interfaces.h"
#include "sim/digital/logic_expression.h"
#include "sim/digital/pin_delay.h"
#include "sim/digital/pla.h"
#include "sim/digital/primitive_eval.h"
#include "sim/digital/stimulus.h"
#include "sim/digital/stimulus_file.h"
#include "sim/digital/timing_checks.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

double DigitalModelValues::Get(const std::string& key, double fallback) const {
    auto it = values.find(key);
    return it == values.end() ? fallback : it->second;
}

std::string DigitalModelValues::Text(const std::string& key) const {
    auto it = texts.find(key);
    return it == texts.end() ? std::string() : it->second;
}

DigitalModelType ModelTypeOfComponent(int t) {
    if (t == kCtDtoA) return kMtDinput;
    if (t == kCtAtoD) return kMtDoutput;
    if (t == kCtAdc) return kMtUadc;
    if (t == kCtDac) return kMtUdac;
    if ((t >= kCtBuf && t <= kCtNxor) || (t >= kCtAo && t <= kCtOai) || t == kCtLogicExp) return kMtUgate;
    if (t >= kCtBuf3 && t <= kCtNxor3) return kMtUtgate;
    if (t == kCtJkff || t == kCtDff) return kMtUeff;
    if (t == kCtSrff || t == kCtDltch) return kMtUgff;
    if (t == kCtDlyline) return kMtUdly;
    if (t >= kCtPland && t <= kCtPlnxorc) return kMtUpld;
    if (t == kCtRom) return kMtUrom;
    if (t == kCtRam) return kMtUram;
    if (t == kCtNbtg || t == kCtPbtg) return kMtUbgt;
    return kMtNone;
}

namespace {

std::vector<std::string> Triples(std::initializer_list<const char*> names) {
    std::vector<std::string> out;
    for (const char* n : names)
        for (const char* s : {"MN", "TY", "MX"}) out.push_back(std::string(n) + s);
    return out;
}

}  // namespace

const std::vector<std::string>& DigitalModelParameterNames(DigitalModelType type) {
    static const std::vector<std::string> kGate = Triples({"TPLH", "TPHL"});
    static const std::vector<std::string> kTgate = Triples({"TPLH", "TPHL", "TPLZ", "TPHZ", "TPZL", "TPZH"});
    static const std::vector<std::string> kEff = Triples(
        {"TPPCQLH", "TPPCQHL", "TWPCL", "TPCLKQLH", "TPCLKQHL", "TWCLKL", "TWCLKH", "TSUDCLK", "TSUPCCLKH", "THDCLK"});
    static const std::vector<std::string> kGff = Triples({"TPPCQLH", "TPPCQHL", "TWPCL", "TPGQLH", "TPGQHL", "TPDQLH",
                                                          "TPDQHL", "TWGH", "TSUDG", "TSUPCGH", "THDG"});
    static const std::vector<std::string> kDly = {"DLYMN", "DLYTY", "DLYMX"};
    static const std::vector<std::string> kPld = [] {
        auto v = Triples({"TPLH", "TPHL"});
        for (const char* s : {"OFFSET", "COMPOFFSET", "INSCALE", "OUTSCALE"}) v.push_back(s);
        return v;
    }();
    static const std::vector<std::string> kAdc = Triples({"TPCS", "TPSD", "TPDS"});
    static const std::vector<std::string> kDac = Triples({"TSW"});
    static const std::vector<std::string> kNone;
    switch (type) {
    case kMtUgate: return kGate;
    case kMtUtgate: return kTgate;
    case kMtUeff: return kEff;
    case kMtUgff: return kGff;
    case kMtUdly: return kDly;
    case kMtUpld: return kPld;
    case kMtUadc: return kAdc;
    case kMtUdac: return kDac;
    default: return kNone;
    }
}

int GetPartTimingMode(const DigitalPartDesc& part) {
    if (part.timing_mode > 0) return std::min(part.timing_mode, 4);
    return std::clamp(Options.digmntymx, 1, 4);
}

int GetPartIoLevel(const DigitalPartDesc& part) {
    if (part.io_level > 0) return std::min(part.io_level, 4);
    return std::clamp(Options.digiolvl, 1, 4);
}

namespace {

std::vector<DigitalPartDesc> Parts;  // the descriptions the network was built from
int ConstraintNodes = 0;             // the last node number given out

std::string Attribute(const DigitalPartDesc& part, const char* key) {
    auto it = part.attributes.find(key);
    return it == part.attributes.end() ? std::string() : it->second;
}

std::string Unquoted(std::string s) {
    s.erase(std::remove(s.begin(), s.end(), '"'), s.end());
    return s;
}

bool IsStimulusType(int t) {
    return t == kCtStim || t == kCtFstim || t == kCtDigitalSwitch || t == kCtDigitalState;
}

// Adds one primitive with its pins (inputs first) and output count.
int AddPrimitive(const DigitalPartDesc& part, int part_index, const std::vector<int>& pins, int outputs) {
    DigitalNetwork& n = DigitalNet;
    Primitive p;
    PrimitiveInfo info;
    p.type = static_cast<int16_t>(part.type);
    p.model_type = static_cast<int8_t>(ModelTypeOfComponent(part.type));
    info.part = part.name;
    info.part_index = part_index;
    info.io = part.io;
    p.timing_mode = static_cast<int8_t>(GetPartTimingMode(part));
    info.io_level = GetPartIoLevel(part);
    info.drives_dtoa = part.drives_dtoa;
    p.group_size = static_cast<int16_t>(part.group_size);
    for (const std::string& name : DigitalModelParameterNames(static_cast<DigitalModelType>(p.model_type)))
        info.params.push_back(part.timing.Get(name, -1.0));
    info.delays.assign(info.params.size(), 0);
    n.info.push_back(std::move(info));
    return n.prims.Add(p, pins, outputs);
}

int BuildPart(const DigitalPartDesc& part, int index) {
    DigitalNetwork& n = DigitalNet;
    const int t = part.type;
    std::vector<int> pins = part.pins;
    for (int pin : pins)
        if (pin < 0 || pin > n.node_count) return DigitalSetupFail(11902, part.name, "", 0, "node", "?");
    const DigitalModelType mt = ModelTypeOfComponent(t);
    if (mt != kMtNone && mt != kMtUpld && mt != kMtUrom && mt != kMtUram && mt != kMtUbgt && !part.has_timing)
        return DigitalSetupFail(11902, part.name, "", 0, "TIMING MODEL", "Nothing");
    const int prim = static_cast<int>(n.prims.size());
    if (t == kCtJkff || t == kCtDff || t == kCtSrff || t == kCtDltch) {
        if (pins.size() < (t == kCtDff || t == kCtDltch ? 6u : 7u))
            return DigitalSetupFail(11902, part.name, "", 0, "pins", "Nothing");
        std::swap(pins[pins.size() - 1], pins[pins.size() - 2]);
        const int p = AddPrimitive(part, index, pins, 2);
        FlipFlopCheckRecord rec;
        rec.primitive = p;
        n.prims[p].record = static_cast<int>(n.flipflops.size());
        n.flipflops.push_back(rec);
        return 0;
    }
    if (IsPlaType(t)) {
        PlaFuseRecord record;
        if (int e = LoadPlaProgram(part, &record)) return e;
        record.primitive = prim;
        for (int k = 0; k < part.output_count; ++k) {
            std::vector<int> in;
            if (PlaOutputPins(part, record, k, &in)) return DigitalSetupFail(13250, part.name, "", 0);
            in.push_back(part.pins[part.input_count + k]);
            AddPrimitive(part, index, in, 1);
        }
        return 0;
    }
    if (IsStimulusType(t)) {
        const int p = AddPrimitive(part, index, pins, static_cast<int>(pins.size()));
        if (t == kCtStim) return ParseStimulus(part, p, Attribute(part, "COMMAND"), Attribute(part, "FORMAT"));
        if (t == kCtDigitalSwitch) return ParseStimulus(part, p, "0 1", "1");
        if (t == kCtDigitalState) return ParseStimulus(part, p, "0 " + Attribute(part, "VALUE"), "1");
        return ReadStimFile(part, p, Unquoted(Attribute(part, "FILE")), Attribute(part, "SIGNAMES"));
    }
    switch (t) {
    case kCtDtoA: AddPrimitive(part, index, pins, 0); return NewDtoAInterface(part, prim);
    case kCtAtoD: AddPrimitive(part, index, pins, 1); return NewAtoDInterface(part, prim);
    case kCtAdc: AddPrimitive(part, index, pins, static_cast<int>(pins.size()) - 1); return NewAdcDevice(part, prim);
    case kCtDac: AddPrimitive(part, index, pins, 0); return NewDacDevice(part, prim);
    case kCtLogicExp: {
        const int outputs = part.output_count > 0 ? part.output_count : static_cast<int>(pins.size()) - part.input_count;
        const int p = AddPrimitive(part, index, pins, outputs);
        return ParseLogicExp(part, Attribute(part, "LOGIC"), p);
    }
    case kCtPinDly: {
        const int p = AddPrimitive(part, index, pins, part.output_count);
        return ParsePinDelay(part, Attribute(part, "PINDELAY"), p);
    }
    case kCtConstraint: {
        // One node of its own beyond the circuit's, never driven.
        pins.push_back(++ConstraintNodes);
        const int p = AddPrimitive(part, index, pins, 1);
        return ParseConstraint(part, Attribute(part, "CONSTRAINT"), p);
    }
    case kCtRom: case kCtRam: case kCtNbtg: case kCtPbtg:
        AddPrimitive(part, index, pins, 0);  // built, never evaluated
        return 0;
    default: break;
    }
    const bool gate = (t >= kCtBuf && t <= kCtNxor) || (t >= kCtAo && t <= kCtOai) || (t >= kCtBuf3 && t <= kCtNxor3) ||
                      t == kCtPullup || t == kCtPulldn || t == kCtDlyline;
    if (!gate || pins.empty()) return DigitalSetupFail(13259, part.name, "", 0, t);
    AddPrimitive(part, index, pins, 1);
    return 0;
}

void BuildRelations() {
    DigitalNetwork& n = DigitalNet;
    const int nodes = n.node_count;
    const int prims = static_cast<int>(n.prims.size()) - 1;
    // Drivers: at least one entry per node.
    std::vector<int> count(nodes + 2, 0);
    for (int p = 1; p <= prims; ++p) {
        const Primitive& q = n.prims[p];
        for (int k = 1; k <= q.outputs; ++k) ++count[n.Pin(q.pin_begin + q.pin_count - k)];
    }
    n.driver_begin.assign(nodes + 2, 0);
    for (int node = 0; node <= nodes; ++node)
        n.driver_begin[node + 1] = n.driver_begin[node] + std::max(1, count[node]);
    n.drivers.assign(n.driver_begin[nodes + 1], 0);
    n.driver_types.assign(n.driver_begin[nodes + 1], 0);
    std::vector<int> fill(n.driver_begin.begin(), n.driver_begin.end() - 1);
    for (int p = 1; p <= prims; ++p) {
        const Primitive& q = n.prims[p];
        for (int k = q.outputs; k >= 1; --k) {
            const int node = n.Pin(q.pin_begin + q.pin_count - k);
            n.drivers[fill[node]] = p;
            n.driver_types[fill[node]++] = q.type;
        }
    }
    // Fan-out: each reader once per node.
    std::vector<std::vector<int>> readers(nodes + 1);
    for (int p = 1; p <= prims; ++p) {
        const Primitive& q = n.prims[p];
        for (int i = 0; i < q.pin_count - q.outputs; ++i) {
            const int node = std::abs(n.Pin(q.pin_begin + i));
            if (node <= 0) continue;
            auto& r = readers[node];
            if (r.empty() || r.back() != p) r.push_back(p);
        }
    }
    n.fanout_begin.assign(nodes + 2, 0);
    n.fanout.clear();
    for (int node = 0; node <= nodes; ++node) {
        n.fanout_begin[node] = static_cast<int>(n.fanout.size());
        if (node > 0) n.fanout.insert(n.fanout.end(), readers[node].begin(), readers[node].end());
    }
    n.fanout_begin[nodes + 1] = static_cast<int>(n.fanout.size());
}

}  // namespace

int SetupDigitalPrimitives(const DigitalCircuitDesc& circuit) {
    FreeDigitalNetwork();
    DigitalNetwork& n = DigitalNet;
    LastDigitalSetupError = {};
    n.node_count = circuit.node_count;
    for (const DigitalPartDesc& part : circuit.parts) n.node_count += part.type == kCtConstraint;
    ConstraintNodes = circuit.node_count;
    n.node_names = circuit.node_names;
    n.node_names.resize(n.node_count + 1);
    n.hi_node = circuit.hi_node;
    n.lo_node = circuit.lo_node;
    n.x_node = circuit.x_node;
    n.prims.Add({}, {}, 0);  // primitives are numbered from 1
    n.info.emplace_back();
    BuildJkTable(n.jk_table);
    Parts = circuit.parts;
    for (size_t i = 0; i < Parts.size(); ++i) {
        if (int e = BuildPart(Parts[i], static_cast<int>(i))) {
            FreeDigitalNetwork();
            return e;
        }
    }
    n.present.assign(n.node_count + 2, kStateX63);
    n.pending = n.present;
    n.previous = n.present;
    n.interface_flag.assign(n.node_count + 2, 0);
    n.last_logged.assign(n.node_count + 2, -1);
    for (auto* d : DevicesOf<DtoAInterface>(kDtoAInterfaceList)) n.interface_flag[d->digital_node] = 1;
    for (auto* d : DevicesOf<DacDevice>(kDacList))
        for (int b : d->bits) n.interface_flag[b] = 1;
    BuildRelations();
    DigitalRun.changed_nodes.reserve(5000);
    DigitalRun.changes.reserve(5000);
    DigitalRun.transitions.reserve(5000);
    return 0;
}

void ComputeDriveStrengths() {
    for (size_t p = 1; p < DigitalNet.prims.size(); ++p) {
        Primitive& q = DigitalNet.prims[p];
        const IoModelValues& io = DigitalNet.info[p].io;
        q.default_low = static_cast<uint8_t>(DriveStrength(io.drvl, Options.digdrvf, Options.digdrvz));
        q.default_high = static_cast<uint8_t>(DriveStrength(io.drvh, Options.digdrvf, Options.digdrvz));
        q.low = q.default_low;
        q.high = q.default_high;
    }
}

void ComputeDigitalPrimitiveDelays() {
    DigitalNetwork& n = DigitalNet;
    const DelayScaling scaling{DigitalRun.tick_length, Options.digmntyscale, Options.digtymxscale};
    for (size_t i = 1; i < n.prims.size(); ++i) {
        const Primitive& p = n.prims[i];
        PrimitiveInfo& info = n.info[i];
        const int count = static_cast<int>(info.params.size());
        for (int j = 0; j + 2 < count || (j < count && p.model_type == kMtUpld && j >= 6); ) {
            if (p.model_type == kMtUpld && j >= 6) {  // OFFSET, COMPOFFSET, INSCALE, OUTSCALE
                info.delays[j] = static_cast<int32_t>(info.params[j]);
                ++j;
                continue;
            }
            const double mn = info.params[j], ty = info.params[j + 1], mx = info.params[j + 2];
            bool second = p.model_type == kMtUdac;
            if (p.model_type == kMtUeff) second = j == 6 || j == 15 || j == 18 || j == 21 || j == 24 || j == 27;
            if (p.model_type == kMtUgff) second = j == 6 || j == 21 || j == 24 || j == 27 || j == 30;
            DelayTicks d{0, 0, 0};
            if (mn >= 0 || ty >= 0 || mx >= 0)
                d = second ? ResolveMinTypMax2(mn, ty, mx, scaling) : ResolveMinTypMax(mn, ty, mx, scaling);
            if (p.model_type == kMtUdac) {
                if (d.min < 11) d.min = 10;
                if (d.typ < 11) d.typ = 10;
                if (d.max < 11) d.max = 10;
            }
            info.delays[j] = std::max(0, d.min);
            info.delays[j + 1] = std::max(0, d.typ);
            info.delays[j + 2] = std::max(0, d.max);
            j += 3;
        }
        // A gate feeding a D-to-A interface: the interface's switching time is part of it.
        if (info.drives_dtoa && (p.model_type == kMtUgate || p.model_type == kMtUtgate) && info.delays.size() >= 6) {
            const int lvl = std::clamp(info.io_level, 1, 4) - 1;
            const auto lh = static_cast<int32_t>(info.io.tswlh[lvl] / DigitalRun.tick_length);
            const auto hl = static_cast<int32_t>(info.io.tswhl[lvl] / DigitalRun.tick_length);
            const int last = lvl == 0 ? 3 : 1;
            for (int k = 0; k < last; ++k) {
                info.delays[kTplh + k] = std::max(0, info.delays[kTplh + k] - lh);
                info.delays[kTphl + k] = std::max(0, info.delays[kTphl + k] - hl);
            }
        }
    }
    for (size_t i = 1; i < n.prims.size(); ++i) {
        const std::vector<int32_t>& delays = n.info[i].delays;
        for (size_t k = 0; k < 6 && k < delays.size(); ++k) n.prims[i].gate_delays[k] = delays[k];
    }
    // The delay expressions of the pin-delay parts, and the times of the edge tests in
    // the conditions of the checks.
    auto scale_conditions = [&](ConstraintRecord& r) {
        for (ConstraintCheck& c : r.checks)
            if (c.when_edges) ScaleDelayProgramToTicks(c.when, scaling);
    };
    for (ConstraintRecord& r : ConstraintRecords) scale_conditions(r);
    for (PinDelayRecord& r : PinDelayRecords) {
        for (PinDelayRecord::Item& item : r.items) ScaleDelayProgramToTicks(item.program, scaling);
        scale_conditions(r.checks);
    }
    // Which primitives may change an output without delay (the only changes that the
    // settling passes of a tick can make).
    for (size_t i = 1; i < n.prims.size(); ++i) {
        Primitive& p = n.prims[i];
        std::vector<int> slots;
        switch (p.model_type) {
        case kMtUgate: case kMtUpld: slots = {0, 1, 2, 3, 4, 5}; break;
        case kMtUtgate: for (int k = 0; k < 18; ++k) slots.push_back(k); break;
        case kMtUdly: slots = {0, 1, 2}; break;
        case kMtUeff: slots = {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14}; break;
        case kMtUgff: for (int k : {0, 1, 2, 3, 4, 5, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20}) slots.push_back(k); break;
        default: p.acts_at_once = true; continue;
        }
        p.acts_at_once = false;
        const std::vector<int32_t>& delays = n.info[i].delays;
        for (int k : slots)
            if (k >= static_cast<int>(delays.size()) || delays[k] == 0) p.acts_at_once = true;
    }
    // Flip-flops and latches: whether any of their timing checks can fail (the width of
    // preset and clear, and the slots from the first clock or gate check on).
    for (size_t i = 1; i < n.prims.size(); ++i) {
        Primitive& p = n.prims[i];
        p.has_checks = false;
        if (p.model_type != kMtUeff && p.model_type != kMtUgff) continue;
        const int first = p.model_type == kMtUeff ? kEffTwclkl : kGffTwgh;
        const std::vector<int32_t>& delays = n.info[i].delays;
        for (int k = 0; k < static_cast<int>(delays.size()); ++k)
            if (((k >= kEffTwpcl && k < kEffTwpcl + 3) || k >= first) && delays[k] != 0) p.has_checks = true;
    }
    n.readers_act_at_once = false;
    for (size_t i = 1; i < n.prims.size(); ++i)
        if (n.prims[i].acts_at_once && n.prims[i].pin_count > n.prims[i].outputs) n.readers_act_at_once = true;
    // Loading delays: the output's load charged through the drive resistance.
    const double b = std::log(2.0) / DigitalRun.tick_length;
    for (size_t i = 1; i < n.prims.size(); ++i) {
        const Primitive& p = n.prims[i];
        const IoModelValues& io = n.info[i].io;
        double kh = b * io.drvh, kl = b * io.drvl;
        if (kh >= 1000) kh = 100;
        if (kl >= 1000) kl = 100;
        for (int k = 1; k <= p.outputs; ++k) {
            const int node = n.Pin(p.pin_begin + p.pin_count - k);
            double c = io.outld;
            for (int f = n.fanout_begin[node]; f < n.fanout_begin[node + 1]; ++f) {
                const Primitive& r = n.prims[n.fanout[f]];
                if (n.fanout[f] && r.type != kCtLogicExp && r.type != kCtPinDly && r.type != kCtConstraint)
                    c += n.info[n.fanout[f]].io.inld;
            }
            n.Slot(SlotOfOutput(p, k)).load_rise = static_cast<uint32_t>(c * kh);
            n.Slot(SlotOfOutput(p, k)).load_fall = static_cast<uint32_t>(c * kl);
        }
    }
}

namespace {

int InitialOutputLevel(int type) {
    switch (type) {
    case kCtPullup: case kCtPland: case kCtPlnor: case kCtPlnxor: case kCtPlandc: case kCtPlnorc: case kCtPlnxorc:
        return kLvl1;
    case kCtPulldn: case kCtPlor: case kCtPlxor: case kCtPlnand: case kCtPlorc: case kCtPlxorc: case kCtPlnandc:
        return kLvl0;
    default:
        return -1;
    }
}

void SetAll(int node, DigitalState s) {
    if (node <= 0) return;
    DigitalNet.present[node] = DigitalNet.pending[node] = DigitalNet.previous[node] = s;
}

}  // namespace

void ResetPrimitiveOutputs(bool first) {
    DigitalNetwork& n = DigitalNet;
    if (first) {
        for (size_t i = 1; i < n.prims.size(); ++i) {
            const Primitive& p = n.prims[i];
            const int level = InitialOutputLevel(p.type);
            const DigitalState s = level < 0 ? kStateX63 : MakeState(level, level == kLvl1 ? p.high : p.low);
            for (int k = 1; k <= p.outputs; ++k) {
                n.Slot(SlotOfOutput(p, k)).present = n.Slot(SlotOfOutput(p, k)).pending = s;
                SetAll(n.Pin(p.pin_begin + p.pin_count - k), s);
            }
        }
    }
    SetAll(n.hi_node, kStateHi63);
    SetAll(n.lo_node, kStateLo63);
    SetAll(n.x_node, kStateX63);
    DigitalWarningCount = 0;
    DigitalWarningText.clear();
}

void ResetDigitalNodeDrives(bool first) {
    DigitalNetwork& n = DigitalNet;
    for (FlipFlopCheckRecord& r : n.flipflops) {
        std::fill(std::begin(r.ticks), std::end(r.ticks), 0u);
        r.flag = 0;
        if (!first) continue;
        const Primitive& p = n.prims[r.primitive];
        const int level = Options.diginitstate == 0 ? kLvl0 : Options.diginitstate == 1 ? kLvl1 : kLvlX;
        const DigitalState q = MakeState(level, level == kLvl0 ? p.low : p.high);
        const DigitalState qb = MakeState(DigitalInvert(level), level == kLvl0 ? p.high : p.low);
        const int qnode = n.Pin(p.pin_begin + p.pin_count - 1), qbnode = n.Pin(p.pin_begin + p.pin_count - 2);
        SetAll(qnode, q);
        SetAll(qbnode, qb);
        n.Slot(SlotOfOutput(p, 1)).present = n.Slot(SlotOfOutput(p, 1)).pending = q;
        n.Slot(SlotOfOutput(p, 2)).present = n.Slot(SlotOfOutput(p, 2)).pending = qb;
    }
}

int ResetDigitalCase(bool first) {
    DigitalNetwork& n = DigitalNet;
    DigitalRunState& r = DigitalRun;
    r.queue.Clear();
    r.changes.clear();
    r.transitions.clear();
    r.changed_nodes.clear();
    r.solution_count = 0;
    r.now = 0;
    for (size_t i = 1; i < n.prims.size(); ++i)
        for (int k = 1; k <= n.prims[i].outputs; ++k) {
            OutputSlotState& slot = n.Slot(SlotOfOutput(n.prims[i], k));
            slot.last_tick = 0;
            slot.queued = 0;
            if (first) slot.pending_tick = 0;
        }
    r.transient = false;
    r.recording = true;
    r.path_analysis = false;
    r.error = 0;
    if (first) {
        std::fill(n.present.begin(), n.present.end(), kStateX63);
        n.pending = n.present;
        n.previous = n.present;
        ComputeDriveStrengths();
    }
    ResetPrimitiveOutputs(first);
    ResetDigitalNodeDrives(first);
    if (first) InitPinDelayDevices();
    InitConstraintDevices();
    int result = ResetAtoDInterfaces(first);
    if (result == 0) result = ResetDtoAInterfaces(first);
    if (result == 0) result = ResetAdcDevices(first);
    if (result == 0) result = ResetDacDevices(first);
    // The case starts with nothing to restore.
    ForgetDeviceMemories();
    return result;
}

const DigitalPartDesc* DigitalPartOf(int primitive) {
    const int i = DigitalNet.info[primitive].part_index;
    return i >= 0 && i < static_cast<int>(Parts.size()) ? &Parts[i] : nullptr;
}

void FreeDigitalNetwork() {
    DigitalNet = DigitalNetwork{};
    DigitalRun.queue.Clear();
    DigitalRun.changes.clear();
    DigitalRun.transitions.clear();
    DigitalRun.changed_nodes.clear();
    FreeDigitalStimulusData();
    LogicExpRecords.clear();
    ConstraintRecords.clear();
    PinDelayRecords.clear();
    DigitalWarningCount = 0;
    DigitalWarningText.clear();
    ForgetDeviceMemories();
    Parts.clear();
    for (DeviceListKind list : {kAtoDInterfaceList, kDtoAInterfaceList, kAdcList, kDacList}) {
        DeviceList& l = DeviceListTable[list];
        for (DeviceInstance* d = l.first; d;) {
            DeviceInstance* next = d->next;
            delete d;
            d = next;
        }
        l = DeviceList{};
    }
}

}  // namespace ob7
