// The checks of a compiled circuit's topology: nodes with one connection, loops of
// voltage-defined branches (voltage sources and inductors), and nodes without a DC path
// to ground. The loop and path checks join nodes in a disjoint-set forest, so that
// their cost stays linear in the number of branches.

#include <algorithm>
#include <numeric>
#include <string>
#include <vector>

#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/freq_table_source.h"
#include "sim/devices/function_source.h"
#include "sim/devices/gaasfet.h"
#include "sim/devices/switch.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/tline.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/jfet.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/table_source.h"
#include "sim/digital/interfaces.h"
#include "sim/engine/simulation_options.h"

namespace ob7 {

namespace {

class NodeSets {
public:
    explicit NodeSets(int nodes) : parent_(static_cast<size_t>(nodes) + 1) {
        std::iota(parent_.begin(), parent_.end(), 0);
    }
    int Find(int n) {
        while (parent_[n] != n) n = parent_[n] = parent_[parent_[n]];
        return n;
    }
    // False when a and b were already joined.
    bool Join(int a, int b) {
        a = Find(a), b = Find(b);
        if (a == b) return false;
        parent_[std::max(a, b)] = std::min(a, b);  // ground (0) stays a root
        return true;
    }

private:
    std::vector<int> parent_;
};

struct Branch {
    int a, b;
    const DeviceInstance* device;
};

// The voltage-defined branches in the order of their lists.
std::vector<Branch> VoltageBranches(bool skipInductors) {
    std::vector<Branch> out;
    if (!skipInductors)
        for (auto* l : DevicesOf<Inductor>(kInductorList)) out.push_back({l->a, l->b, l});
    for (auto* s : DevicesOf<SineSource>(kSineSourceList)) out.push_back({s->positive, s->negative, s});
    for (auto* s : DevicesOf<PulseSource>(kPulseSourceList)) out.push_back({s->positive, s->negative, s});
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (s->IsVoltage()) out.push_back({s->positive, s->negative, s});
    for (auto* s : DevicesOf<UserSource>(kUserSourceList)) out.push_back({s->positive, s->negative, s});
    for (auto* s : DevicesOf<DependentSource>(kLinearDependentSourceList))
        if (s->form == kFormE || s->form == kFormH) out.push_back({s->c, s->d, s});
    for (auto* s : DevicesOf<PolySource>(kPolySourceList))
        if (s->form == kPolyE || s->form == kPolyH) out.push_back({s->positive, s->negative, s});
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList))
        if (s->form == kLaplaceE || s->form == kLaplaceH) out.push_back({s->c, s->d, s});
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList))
        if (s->form == kFreqTableE || s->form == kFreqTableH) out.push_back({s->c, s->d, s});
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList))
        if (s->form == kFunctionVoltage) out.push_back({s->a, s->b, s});
    for (auto* s : DevicesOf<TableSource>(kTableSourceList))
        if (s->form == kTableE || s->form == kTableH) out.push_back({s->c, s->d, s});
    return out;
}

std::string NodeName(CompileContext& cc, int node) {
    for (const NodeEntry& e : cc.c.nodes.entries)
        if (e.number == node && e.kind != 1) return e.name;
    for (const auto& [name, number] : cc.c.nodes.internal)
        if (number == node) return name;
    return std::to_string(node);
}

}  // namespace

int CheckPinConnections(CompileContext& cc, bool strict) {
    const auto& parts = cc.c.parts;
    // Without the strict check only the analog nodes of O devices are looked at.
    if (!strict && std::none_of(parts.begin(), parts.end(), [](const NetlistPart& p) { return p.type == CT_DOUTPUT; }))
        return 0;
    std::vector<int> count(static_cast<size_t>(cc.circuitNodes) + 1, 0), last(count.size(), -1);
    for (size_t i = 0; i < parts.size(); ++i) {
        const NetlistPart& p = parts[i];
        if (p.type == CT_SUBCKT || p.type == CT_MACRO) continue;
        for (size_t k = 0; k < p.pinNodes.size(); ++k) {
            const int n = p.pinNodes[k];
            if (n <= 0 || n > cc.circuitNodes || IsDigitalPin(p, static_cast<int>(k))) continue;
            if (strict || p.type != CT_DOUTPUT) ++count[n];
            last[n] = static_cast<int>(i);
        }
    }
    for (int n = 1; n <= cc.circuitNodes; ++n) {
        if (last[n] < 0) continue;
        if (strict && count[n] == 1) return ReportCompileError(cc, last[n], 10842, NodeName(cc, n).c_str());
        if (!strict && count[n] == 0 && parts[static_cast<size_t>(last[n])].type == CT_DOUTPUT)
            return ReportCompileError(cc, last[n], 10855, NodeName(cc, n).c_str());
    }
    return 0;
}

int CheckVoltageLoops(CompileContext& cc, bool skipInductors) {
    NodeSets sets(cc.nextNode);
    for (const Branch& b : VoltageBranches(skipInductors)) {
        if (sets.Join(b.a, b.b)) continue;
        const int part = cc.PartOf(b.device);
        if (part >= 0) return ReportCompileError(cc, part, 10853);
        ReportMessage("dE", cc.c.tables.services->ReportOwner(), 10853);
        return kMsgReported;
    }
    return 0;
}

int CheckDCPathsToGround(CompileContext& cc) {
    NodeSets sets(cc.nextNode);
    auto join = [&](int a, int b) { sets.Join(a, b); };
    for (const Branch& b : VoltageBranches(false)) join(b.a, b.b);
    for (auto* r : DevicesOf<Resistor>(kResistorList)) join(r->a, r->b);
    for (auto* d : DevicesOf<Diode>(kDiodeList)) {
        join(d->anode, d->cathode);
        if (d->internal_anode) join(d->anode, d->internal_anode);
    }
    for (auto* q : DevicesOf<Bjt>(kBjtList)) {
        join(q->collector, q->collector_i), join(q->base, q->base_i), join(q->emitter, q->emitter_i);
        join(q->collector_i, q->base_i), join(q->base_i, q->emitter_i);
    }
    for (auto* j : DevicesOf<Jfet>(kJfetList)) {
        const int di = j->drain_i ? j->drain_i : j->drain, si = j->source_i ? j->source_i : j->source;
        join(j->drain, di), join(j->source, si), join(di, si), join(j->gate, di);
    }
    for (auto* m : DevicesOf<MosfetInstance>(kMosfetList)) {
        join(m->gate, m->gate_i), join(m->drain, m->drain_i), join(m->source, m->source_i), join(m->bulk, m->bulk_i);
        join(m->drain_i, m->source_i), join(m->source_i, m->bulk_i);
    }
    for (auto* z : DevicesOf<Gaasfet>(kGaasfetList)) {
        join(z->drain, z->source), join(z->gate, z->source);
        for (auto [t, i] : {std::pair{z->drain, z->drain_i}, {z->gate, z->gate_i}, {z->source, z->source_i}})
            if (i) join(t, i);
    }
    for (auto* s : DevicesOf<VSwitch>(kVSwitchList)) join(s->a, s->b);
    for (auto* s : DevicesOf<ISwitch>(kISwitchList)) join(s->a, s->b);
    for (auto* s : DevicesOf<SwitchComponent>(kSwitchList)) join(s->a, s->b);
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) join(s->a, s->b);
    // A lossless port conducts to its internal node through ZO.
    for (auto* l : DevicesOf<TLine>(kLosslessLineList)) join(l->p1p, l->n1), join(l->p1n, l->n1), join(l->p2p, l->n2), join(l->p2n, l->n2);
    // A lossy line is at DC the series resistance from port to port.
    for (auto* l : DevicesOf<LossyLine>(kLossyLineList)) join(l->p1, l->p2);
    // The measuring branch of a current-controlled source conducts; current outputs, like
    // capacitors, give no path.
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList))
        if (s->form == kLaplaceF || s->form == kLaplaceH) join(s->a, s->b);
    for (auto* s : DevicesOf<FreqTableSource>(kLaplaceTableSourceList))
        if (s->form == kFreqTableF || s->form == kFreqTableH) join(s->a, s->b);
    for (auto* s : DevicesOf<TableSource>(kTableSourceList))
        if (s->form == kTableF || s->form == kTableH) join(s->a, s->b);
    // A D-to-A interface drives its output through resistors to its two level nodes.
    for (auto* d : DevicesOf<DtoAInterface>(kDtoAInterfaceList))
        join(d->analog_node, d->low_node), join(d->analog_node, d->high_node);

    std::vector<int> floating;
    for (int n = 1; n <= cc.circuitNodes; ++n)
        if (sets.Find(n) != 0) floating.push_back(n);
    if (floating.empty()) return 0;

    std::string names;
    int part = -1;
    for (size_t k = 0; k < floating.size() && k < 9; ++k) {
        if (k) names += ", ";
        names += NodeName(cc, floating[k]);
        part = -1;
        for (size_t i = 0; i < cc.c.parts.size() && part < 0; ++i) {
            const NetlistPart& p = cc.c.parts[i];
            for (size_t pin = 0; pin < p.pinNodes.size(); ++pin)
                if (p.pinNodes[pin] == floating[k] && !IsDigitalPin(p, static_cast<int>(pin))) part = static_cast<int>(i);
        }
    }
    const bool one = floating.size() == 1;
    if (cc.settings.addDcPath) {
        const double gmin = Options.gmin > 0 ? Options.gmin : 1e-12;
        for (int n : floating) AddResistor(0, n, 1.0 / gmin);
        void* owner = cc.c.tables.services->ReportOwner();
        if (int* warn = cc.settings.addDcPathWarning) {
            if (*warn) ReportMessage("dCE", owner, warn, one ? 10861 : 10862, names.c_str());
        } else {
            ReportMessage("dE", owner, one ? 10861 : 10862, names.c_str());
        }
        return 0;
    }
    if (part >= 0) return ReportCompileError(cc, part, one ? 10856 : 10863, names.c_str());
    ReportMessage("dE", cc.c.tables.services->ReportOwner(), one ? 10856 : 10863, names.c_str());
    return kMsgReported;
}

}  // namespace ob7
