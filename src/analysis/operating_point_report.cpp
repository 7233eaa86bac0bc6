#include "analysis/operating_point_report.h"

#include <cctype>
#include <cmath>
#include <map>

#include "circuit/attribute_ids.h"
#include "netlist/define_table.h"
#include "netlist/netlist_circuit.h"
#include "sim/devices/bipolar.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/dependent_source.h"
#include "sim/devices/diode.h"
#include "sim/devices/function_source.h"
#include "sim/devices/gaasfet.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/jfet.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/lossy_line.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/mosfet_preparation.h"
#include "sim/devices/opamp.h"
#include "sim/devices/poly_source.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/switch.h"
#include "sim/devices/table_source.h"
#include "sim/devices/tline.h"
#include "sim/digital/digital_network.h"
#include "sim/digital/digital_state.h"
#include "sim/engine/device_lists.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

constexpr double kTwoPi = 6.283185307179586;

double Inverse(double g) { return g != 0 ? 1.0 / g : 0.0; }

double SolutionAt(int equation) {
    return equation > 0 && equation < static_cast<int>(Solution.size()) ? Solution[equation] : 0.0;
}

std::string PartName(const NetlistCircuit& circuit, const DeviceInstance* d) {
    const auto* part = static_cast<const NetlistPart*>(d->owning_part);
    if (!part) return {};
    if (!part->scopedName.empty()) return part->scopedName;
    return MakeScopedName(circuit.tables, PartAttr(*part, ATTR_PART), part->scope);
}

std::string ModelName(const ModelParams* m) {
    if (!m) return {};
    return m->parent ? m->parent->scopedName : m->scopedName;
}

// Appends the devices of one list as columns of table `title`.
template <typename T, typename Fill>
void AddTable(OperatingPointReport& op, const NetlistCircuit& circuit, const char* title, DeviceListKind list,
              Fill fill) {
    DeviceTable table;
    table.layout = &DeviceTableLayouts()[DeviceTableIndex(title)];
    for (T* d : DevicesOf<T>(list)) {
        DeviceColumn column;
        column.part = PartName(circuit, d);
        fill(*d, column);
        table.devices.push_back(std::move(column));
    }
    op.tables.push_back(std::move(table));
}

}  // namespace

const char* GetRegionName(int region) {
    static const char* const kNames[] = {"", "SAT", "ON", "OFF", "HOT", "ZENER", "LIN", "WEAK"};
    return region >= 1 && region <= 7 ? kNames[region] : "";
}

OperatingPointReport CollectOperatingPoint(const NetlistCircuit& circuit) {
    OperatingPointReport op;
    // Per node of the main circuit its first textual name, else its number. Analog and
    // digital nodes are numbered apart.
    std::map<int, std::string> analogNames, digitalNames;
    for (const NodeEntry& n : circuit.nodes.entries) {
        if (n.scope != 1 || n.number <= 0) continue;
        std::string& name = (n.kind == 1 ? digitalNames : analogNames)[n.number];
        const bool numeric = !n.name.empty() && std::isdigit(static_cast<unsigned char>(n.name[0]));
        if (name.empty() || (!numeric && std::isdigit(static_cast<unsigned char>(name[0])))) name = n.name;
    }
    for (const auto& [number, name] : analogNames) op.nodes.push_back({name, SolutionAt(number)});
    for (const auto& [number, name] : digitalNames)
        if (number < static_cast<int>(DigitalNet.present.size()))
            op.digital.push_back({name, DigitalStateChar(DigitalNet.present[number])});
    for (Inductor* l : DevicesOf<Inductor>(kInductorList)) op.inductors.push_back({PartName(circuit, l), SolutionAt(l->Branch())});

    AddTable<Diode>(op, circuit, "Diodes", kDiodeList, [](Diode& d, DeviceColumn& c) {
        c.model = ModelName(d.model);
        c.values = {d.current, d.vd, Inverse(d.gd), d.capacitance, d.power_dissipated, d.power_stored, d.current};
        c.state = GetRegionName(d.region);
    });
    AddTable<Bjt>(op, circuit, "Bipolar Junction Transistors", kBjtList, [](Bjt& q, DeviceColumn& c) {
        c.model = ModelName(q.model);
        const double ib = q.base_current, ic = q.collector_current;
        const double capacitance = q.capbe + q.capbc + q.capbx;
        c.values = {ib,
                    ic,
                    q.vbe,
                    q.vbc,
                    q.vbe - q.vbc,
                    ib != 0 ? ic / ib : 0.0,
                    q.gm,
                    Inverse(q.gpi),
                    Inverse(q.gx),
                    Inverse(q.go),
                    q.capbe,
                    q.capbc,
                    q.capbx,
                    q.capcs,
                    q.gpi != 0 ? q.gm / q.gpi : 0.0,
                    capacitance > 0 ? q.gm / (kTwoPi * capacitance) : 0.0,
                    q.power_dissipated,
                    q.power_stored,
                    ib,
                    ic,
                    q.emitter_current,
                    q.substrate_current};
        c.state = GetRegionName(q.region);
    });
    AddTable<Jfet>(op, circuit, "JFET Devices", kJfetList, [](Jfet& j, DeviceColumn& c) {
        c.model = ModelName(j.model);
        c.values = {j.drain_current, j.vgs, j.vgs - j.vgd, j.gm, j.gds, j.capgs, j.capgd,
                    j.power_dissipated, j.power_stored, j.gate_current, j.drain_current, j.source_current};
        c.state = GetRegionName(j.region);
    });
    AddTable<MosfetInstance>(op, circuit, "MOSFET Devices", kMosfetList, [](MosfetInstance& m, DeviceColumn& c) {
        c.model = ModelName(m.model);
        c.values = {m.ID,  m.vgs,    m.vds,    m.vbs,    m.von,   m.vdsat, m.gm,  m.gds, m.gmbs,
                    m.capbd, m.capbs, m.CGSOVL, m.CGDOVL, m.CGBOVL, m.capgs, m.capgd, m.capgb,
                    m.power_dissipated, m.power_stored, m.Ig, m.Id, m.Is, m.Ib};
        c.state = GetRegionName(m.region);
    });
    AddTable<Resistor>(op, circuit, "Resistor Devices", kResistorList, [](Resistor& r, DeviceColumn& c) {
        c.model = ModelName(r.model);
        const double current = (SolutionAt(r.a) - SolutionAt(r.b)) * Inverse(r.effective_resistance);
        c.values = {current * current * r.effective_resistance, current};
    });
    AddTable<TLine>(op, circuit, "TransmissionLine Devices", kLosslessLineList, [](TLine& t, DeviceColumn& c) {
        c.model = ModelName(t.model);
        // A lossless line generates nothing; its port currents are those of its port branches.
        c.values = {0.0, SolutionAt(t.branch1), SolutionAt(t.branch2)};
    });
    AddTable<LossyLine>(op, circuit, "Ltra Devices", kLossyLineList, [](LossyLine& t, DeviceColumn& c) {
        c.model = ModelName(t.model);
        // Like the lossless line, the table shows no generated power, only the port currents.
        c.values = {0.0, SolutionAt(t.branch1), SolutionAt(t.branch2)};
    });
    AddTable<Inductor>(op, circuit, "Inductor Devices", kInductorList, [](Inductor& l, DeviceColumn& c) {
        c.model = ModelName(l.model);
        c.values = {l.power, SolutionAt(l.Branch())};
    });
    AddTable<Capacitor>(op, circuit, "Capacitor Devices", kCapacitorList, [](Capacitor& k, DeviceColumn& c) {
        c.model = ModelName(k.model);
        c.values = {k.stored_power, 0.0};  // no current flows through a capacitor at the operating point
    });
    AddTable<SpiceSource>(op, circuit, "SPICE Source Devices", kSpiceSourceList, [](SpiceSource& s, DeviceColumn& c) {
        const double current = s.IsVoltage() ? SolutionAt(s.branch) : s.value;
        const double voltage = SolutionAt(s.positive) - SolutionAt(s.negative);
        // Generated power: what the source delivers into the circuit.
        c.values = {-voltage * current, current};
    });
    AddTable<Gaasfet>(op, circuit, "GaAsFET Devices", kGaasfetList, [](Gaasfet& g, DeviceColumn& c) {
        c.model = ModelName(g.model);
        c.values = {g.drain_current, g.vgs, g.vgs - g.vgd, g.gm, g.gds, g.capgs, g.capgd, g.capds,
                    g.power_dissipated, g.power_stored, g.gate_current, g.drain_current, g.source_current};
        c.state = GetRegionName(g.region);
    });
    AddTable<Opamp>(op, circuit, "Opamp Devices", kOpampList, [](Opamp& o, DeviceColumn& c) {
        c.model = ModelName(o.model);
        c.state = GetRegionName(o.output_state);
    });
    // A source's current: its branch current when it has a branch, else its own value.
    auto sourceCurrent = [](int branch, double own) { return branch > 0 ? SolutionAt(branch) : own; };
    AddTable<SampleHold>(op, circuit, "Sample and Hold Devices", kSampleHoldList, [&](SampleHold& h, DeviceColumn& c) {
        c.values = {h.power, sourceCurrent(h.branch, 0.0)};
    });
    auto switchState = [](int state) { return state ? "ON" : "OFF"; };
    AddTable<SwitchComponent>(op, circuit, "Switch Devices", kSwitchList, [&](SwitchComponent& w, DeviceColumn& c) {
        c.values = {w.power, w.current};
        c.state = switchState(w.state);
    });
    AddTable<ISwitch>(op, circuit, "W Devices", kISwitchList, [&](ISwitch& w, DeviceColumn& c) {
        c.model = ModelName(w.model);
        c.values = {w.power, w.current};
        c.state = switchState(w.state);
    });
    AddTable<VSwitch>(op, circuit, "S Devices", kVSwitchList, [&](VSwitch& w, DeviceColumn& c) {
        c.model = ModelName(w.model);
        c.values = {w.power, w.current};
        c.state = switchState(w.state);
    });
    AddTable<SineSource>(op, circuit, "Sine Source Devices", kSineSourceList, [&](SineSource& v, DeviceColumn& c) {
        c.model = ModelName(v.model);
        c.values = {v.power, sourceCurrent(v.branch, 0.0)};
    });
    AddTable<PulseSource>(op, circuit, "Pulse Source Devices", kPulseSourceList, [&](PulseSource& v, DeviceColumn& c) {
        c.model = ModelName(v.model);
        c.values = {v.power, sourceCurrent(v.branch, 0.0)};
    });
    AddTable<UserSource>(op, circuit, "User Source Devices", kUserSourceList, [&](UserSource& v, DeviceColumn& c) {
        c.values = {v.power, sourceCurrent(v.branch, v.value)};
    });
    AddTable<DependentSource>(op, circuit, "Dependent Source Devices", kLinearDependentSourceList,
                              [&](DependentSource& v, DeviceColumn& c) {
                                  c.values = {v.power, sourceCurrent(v.branch, v.output_current)};
                              });
    AddTable<FunctionSource>(op, circuit, "Function Source Devices", kFunctionSourceList,
                             [&](FunctionSource& v, DeviceColumn& c) {
                                 c.values = {v.power, sourceCurrent(v.branch, v.value)};
                             });
    AddTable<LaplaceSource>(op, circuit, "Laplace Source Devices", kLaplaceSourceList,
                            [&](LaplaceSource& v, DeviceColumn& c) {
                                c.values = {v.power, sourceCurrent(v.branch, v.output)};
                            });
    AddTable<PolySource>(op, circuit, "SPICE Poly Devices", kPolySourceList, [&](PolySource& v, DeviceColumn& c) {
        c.values = {v.power, sourceCurrent(v.branch, v.y)};
    });
    AddTable<TableSource>(op, circuit, "Table Source Devices", kTableSourceList, [&](TableSource& v, DeviceColumn& c) {
        c.values = {v.power, sourceCurrent(v.branch, v.output)};
    });
    // The report's order is the layouts' order.
    std::sort(op.tables.begin(), op.tables.end(), [](const DeviceTable& a, const DeviceTable& b) {
        return DeviceTableIndex(a.layout->title) < DeviceTableIndex(b.layout->title);
    });
    return op;
}

std::vector<std::string> ModelWarningLines(const NetlistCircuit& circuit) {
    std::vector<std::string> lines;
    for (const CompileWarning& w : circuit.tables.warnings) {
        const std::string model = w.statement >= 0 && w.statement < static_cast<int>(circuit.tables.models.size())
                                      ? circuit.tables.models[w.statement].name
                                      : std::string();
        switch (w.kind) {
        case kWarnUnknownParam: lines.push_back("Warning unknown parameter " + w.text + " in model " + model + "."); break;
        case kWarnDuplicateParam:
            lines.push_back("Warning duplicated parameter " + w.text + " in model " + model + ".");
            break;
        case kWarnUnknownOption: lines.push_back("Warning unknown .options parameter " + w.text + "."); break;
        default: break;
        }
    }
    return lines;
}

std::vector<NamedValue> TemperatureWarnings() {
    std::vector<NamedValue> out;
    int count = 0;
    const NegativePotentialWarning* warnings = NegativePotentialWarnings(&count);
    for (int i = 0; i < count; ++i) out.push_back({ModelName(warnings[i].model), warnings[i].temperature});
    return out;
}

}  // namespace ob7
