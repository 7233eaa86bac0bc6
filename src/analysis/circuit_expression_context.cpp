#include "analysis/circuit_expression_context.h"

#include "expression/operator_table.h"
#include "netlist/define_table.h"
#include "netlist/netlist_circuit.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/resistor.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/integration.h"
#include "sim/engine/noise_sources.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr int kMsgNoSuchQuantity = 10416;
enum : int { kOpVoltage = 11, kOpCurrent = 12 };

struct ListKind {
    DeviceListKind list;
    int32_t kind;
};
// The device lists a part's record can sit in, with the kind bits the compiler checks.
constexpr ListKind kPartLists[] = {
    {kResistorList, kDevResistor | kDevTwoTerminal},   {kCapacitorList, kDevCapacitor | kDevTwoTerminal},
    {kInductorList, kDevInductor | kDevTwoTerminal},   {kSpiceSourceList, kDevSpiceSource | kDevTwoTerminal},
    {kDiodeList, kDevDiode | kDevTwoTerminal},         {kBjtList, kDevBipolar},
    {kMosfetList, kDevMosfet},                         {kJfetList, kDevJfet},
    {kGaasfetList, kDevGaAsFet},                       {kPolySourceList, kDevDependent},
    {kLinearDependentSourceList, kDevDependent},       {kSineSourceList, kDevSine | kDevTwoTerminal},
    {kPulseSourceList, kDevPulse | kDevTwoTerminal},   {kUserSourceList, kDevUserSource | kDevTwoTerminal},
    {kLosslessLineList, kDevTransmissionLine},         {kOpampList, kDevOpAmp},
};

bool AcRun() { return AnalysisKind == 1; }

// The real or AC value of a solution entry; 0 when the run has not sized the vectors yet.
ComplexValue EntryValue(int equation) {
    if (equation <= 0) return {};
    if (AcRun()) {
        if (AcSolution.size() < static_cast<size_t>(2 * equation + 2)) return {};
        const std::complex<double> v = AcNodeValue(equation);
        return {v.real(), v.imag()};
    }
    if (Solution.size() <= static_cast<size_t>(equation)) return {};
    return {Solution[equation], 0.0};
}

DeviceInstance* DeviceOfPart(const NetlistPart* part, DeviceListKind* list) {
    for (const ListKind& k : kPartLists)
        for (DeviceInstance* d = DeviceListTable[k.list].first; d; d = d->next)
            if (d->owning_part == part) {
                *list = k.list;
                return d;
            }
    return nullptr;
}

}  // namespace

CircuitExpressionContext::CircuitExpressionContext(NetlistCircuit& circuit)
    : circuit_(circuit),
      nodeValues_(static_cast<size_t>(std::max(circuit.nodes.highest, NodeCount)) + 1, 0.0),
      nodeRead_(nodeValues_.size(), 0) {}

void CircuitExpressionContext::Refresh() {
    const bool ac = AcRun();
    for (int n : readNodes_) nodeValues_[n] = !ac && static_cast<size_t>(n) < Solution.size() ? Solution[n] : 0.0;
    for (Slot& s : slots_) s.value = s.read();
}

const RunValues& CircuitExpressionContext::Run() const { return ob7::Run; }

int CircuitExpressionContext::AddTimeBreakpoint(long long tick) {
    return RequestTimeBreakpoint ? RequestTimeBreakpoint(ob7::Run.tmin + tick * ob7::Run.tick_length) : 0;
}

int CircuitExpressionContext::FindNode(std::string_view name, int scope) const {
    if (name == "0") return 0;
    return FindNodeByName(circuit_, std::string(name), scope);
}

int CircuitExpressionContext::AnalogNodeCount() const { return circuit_.analogNodeCount; }

const double* CircuitExpressionContext::NodeVoltage(int node) const {
    if (node <= 0 || static_cast<size_t>(node) >= nodeValues_.size()) return nullptr;
    if (!nodeRead_[node]) {
        nodeRead_[node] = 1;
        readNodes_.push_back(node);
    }
    return &nodeValues_[node];
}

bool CircuitExpressionContext::IsSolutionEntry(const double* p) const {
    return !nodeValues_.empty() && p >= nodeValues_.data() && p < nodeValues_.data() + nodeValues_.size();
}

ComplexValue CircuitExpressionContext::SolutionValue(int equation) const { return EntryValue(equation); }

bool CircuitExpressionContext::FindPart(std::string_view name, int scope, PartRef* part) const {
    const int index = FindPartByName(circuit_, std::string(name), scope);
    if (index < 0) return false;
    const NetlistPart* p = &circuit_.parts[index];
    DeviceListKind list{};
    if (!DeviceOfPart(p, &list)) return false;
    part->handle = p;
    part->device_kind = 0;
    for (const ListKind& k : kPartLists)
        if (k.list == list) part->device_kind = k.kind;
    part->has_core = false;
    return true;
}

const ComplexValue* CircuitExpressionContext::AddSlot(std::function<ComplexValue()> read) const {
    slots_.push_back({read(), std::move(read)});
    return &slots_.back().value;
}

int CircuitExpressionContext::PartQuantity(const PartRef& ref, int opcode, char pin1, char, QuantityTerms* t) const {
    const auto* part = static_cast<const NetlistPart*>(ref.handle);
    DeviceListKind list{};
    DeviceInstance* device = DeviceOfPart(part, &list);
    if (!device) return kMsgNoSuchQuantity;
    auto slot = [&](std::function<ComplexValue()> read) {
        QuantityOperand o;
        o.kind = QuantityOperand::Kind::Complex;
        o.complex = AddSlot(std::move(read));
        return o;
    };
    auto node = [&](int n) { return slot([n] { return EntryValue(n); }); };
    const bool twoTerminal = (ref.device_kind & kDevTwoTerminal) != 0;
    if (opcode == kOpVoltage) {
        // Pin-letter voltages of transistors need the pin map of each kind: not offered.
        if (!twoTerminal || pin1 != ' ' || part->pinNodes.size() < 2) return kMsgNoSuchQuantity;
        t->plus = node(part->pinNodes[0]);
        t->minus = node(part->pinNodes[1]);
        return 0;
    }
    if (opcode != kOpCurrent || pin1 != ' ') return kMsgNoSuchQuantity;
    switch (list) {
    case kResistorList: {
        auto* r = static_cast<Resistor*>(device);
        t->plus = slot([r] {
            const ComplexValue v1 = EntryValue(r->a), v2 = EntryValue(r->b);
            const double ohms = r->effective_resistance != 0 ? r->effective_resistance : r->base_value;
            return ComplexValue{(v1.re - v2.re) / ohms, (v1.im - v2.im) / ohms};
        });
        return 0;
    }
    case kSpiceSourceList: {
        auto* s = static_cast<SpiceSource*>(device);
        t->plus = slot([s] {
            if (s->IsVoltage()) return EntryValue(s->branch);
            if (AcRun()) return ComplexValue{s->ac_current.real(), s->ac_current.imag()};
            return ComplexValue{s->value, 0.0};
        });
        return 0;
    }
    case kInductorList: {
        auto* l = static_cast<Inductor*>(device);
        t->plus = slot([l] { return EntryValue(l->Branch()); });
        return 0;
    }
    case kCapacitorList: {
        auto* c = static_cast<Capacitor*>(device);
        // The charge's time derivative in a transient run; open at an operating point.
        t->plus = slot([c] {
            if (AcRun()) return ComplexValue{c->ac_current.real(), c->ac_current.imag()};
            if (AnalysisMode != kModeTransient) return ComplexValue{};
            const size_t s = static_cast<size_t>(FirstStateIndex(kCapacitorStates) +
                                                 (c->list_position - 1) * kHistorySlots);
            return ComplexValue{s < StateDerivatives.size() ? StateDerivatives[s] : 0.0, 0.0};
        });
        return 0;
    }
    default: return kMsgNoSuchQuantity;
    }
}

double CircuitExpressionContext::NoiseValue(bool input_referred) const {
    return input_referred ? InputNoise() : OutputNoise();
}

int CircuitExpressionContext::SubstituteDefines(std::string_view text, int scope, std::string* out) const {
    return ob7::SubstituteDefines(circuit_.tables, *out, scope, std::string(text), false);
}

}  // namespace ob7
