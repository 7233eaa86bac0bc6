// The compiler driver: the fixed order of the compile steps, from the read circuit to
// the filled device lists, and the engine set-up of a compiled circuit.

#include "netlist/compiler/circuit_compiler.h"

#include <algorithm>
#include <cstdio>

#include "circuit/attribute_ids.h"
#include "expression/math_error.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "sim/devices/circuit_models.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/device_contract.h"
#include "sim/devices/function_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/temperature_update.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/operating_point.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"
#include "sim/digital/digital_network.h"

namespace ob7 {

void ForgetControlledSources();
void ForgetOpampMacros();

namespace {

// The builder of a component type, or null for types that make no analog device.
using Builder = int (*)(CompileContext&, int);
Builder BuilderOf(int type) {
    switch (type) {
    case CT_RESISTOR: return BuildResistor;
    case CT_CAPACITOR: return BuildCapacitor;
    case CT_INDUCTOR: return BuildInductor;
    case CT_VSPICE:
    case CT_ISPICE:
    case CT_BATTERY:
    case CT_ISOURCE:
    case CT_ANALOG_STATE: return BuildIndependentSource;
    case 50: case 51: case 52: case 53: return BuildControlledSource;  // G F E H
    case CT_DIODE: return BuildDiode;
    case CT_NPN: case CT_PNP: case CT_NPN4: case CT_PNP4: return BuildBipolar;
    case CT_NJFET: case CT_PJFET: return BuildJfet;
    case CT_NMOS: case CT_PMOS: return BuildMosfet;
    case CT_TLINE: return BuildTransmissionLine;
    case CT_GAASFET: return BuildGaasfet;
    case CT_VSWITCH: return BuildVoltageSwitch;
    case CT_ISWITCH: return BuildCurrentSwitch;
    case 35: case 37: return BuildFunctionSource;         // NFI NFV
    case 31: case 33: return BuildLaplaceFunctionSource;  // LFIofV LFVofV
    case 39: case 40: case 41: case 42: return BuildTableSource;          // NTIofV .. NTVofI
    case 43: case 44: case 45: case 46: return BuildLaplaceTableSource;   // LTIofV .. LTVofI
    case CT_OPAMP: return BuildOpamp;
    case CT_S_PORT: return BuildSParamTwoPort;
    case CT_PULSE: return BuildPulseSource;
    case CT_SINE: return BuildSineSource;
    case 26: case 27: case 28: case 29: return BuildLinearControlledSource;  // IofV IofI VofV VofI
    case 32: case 34: case 131: case 132: case 133: case 134: return BuildLaplaceFunctionSource;
    case CT_SWITCH: return BuildSwitch;
    case CT_SAMPLE_AND_HOLD: return BuildSampleAndHold;
    case CT_TRANSFORMER: return BuildTransformer;
    default: return nullptr;
    }
}

// The .IC and .NODESET statements, resolved to nodes and inductors, for the engine.
int CollectInitialConditions(CompileContext& cc) {
    if (int code = ResolveInitialConditions(cc.c)) return code;
    InitialConditionTable.clear();
    HasNodeSets = HasInitialConditions = 0;
    for (const NetlistInitialCondition& ic : cc.c.initialConditions) {
        InitialCondition entry;
        entry.letter = ic.letter;
        entry.value = ic.value;
        entry.digital_state = static_cast<uint16_t>(ic.digitalState);
        entry.node1 = ic.node1, entry.node2 = ic.node2;
        entry.statement = ic.kind;
        if (ic.letter == 'I') {
            const auto* l = ic.inductorPart >= 0 && ic.inductorPart < static_cast<int>(cc.partDevice.size())
                                ? static_cast<const Inductor*>(cc.partDevice[static_cast<size_t>(ic.inductorPart)])
                                : nullptr;
            if (!l) continue;
            entry.inductor_number = l->ordinal;
        }
        (ic.kind == 2 ? HasNodeSets : HasInitialConditions) = 1;
        InitialConditionTable.push_back(entry);
    }
    return 0;
}

// Sine, pulse and user sources always carry a signal; SPICE sources by their AC magnitude.
void WarnZeroACSources(NetlistCircuit& circuit) {
    for (int list : {kSineSourceList, kPulseSourceList, kUserSourceList})
        if (DeviceListTable[list].count) return;
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (s->ac_magnitude != 0) return;
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList))
        if (!s->ac_expression.tokens.empty()) return;
    ReportMessage("dE", circuit.tables.services->ReportOwner(), 11891);
}

// A part named like a node of the circuit makes curve expressions ambiguous: one warning
// (the first such part) when the user compiles, none while a run recompiles.
void WarnPartNodeNameClash(NetlistCircuit& circuit) {
    if (circuit.tables.services->RunInProgress()) return;
    for (const NetlistPart& p : circuit.parts) {
        const std::string name = p.scopedName.empty() ? GetScopedPartName(circuit.tables, p) : p.scopedName;
        if (name.empty() || FindNodeEntry(circuit, name, 1) < 0) continue;
        const std::string file = p.scope <= 1 ? circuit.page->Title() : ScopeFileName(circuit.tables, p.scope);
        const std::string line = std::to_string(p.line + 1);
        ReportMessage("dMMMsF", circuit.tables.services->ReportOwner(), "File:", file.c_str(), "Line:", line.c_str(),
                      "Part:", PartAttr(p, ATTR_PART).c_str(), 'W', "%s", "Part and node have the same name.");
        return;
    }
}

bool MakesNoDevice(int type) {
    return type == CT_GROUND || type == CT_SUBCKT || type == CT_MACRO || type == CT_BLANK || type == CT_TIE ||
           type == CT_CORE;
}

// Large circuits show their progress in about a hundred steps, each text once.
class BuildProgress {
public:
    explicit BuildProgress(const NetlistCircuit& c) : c_(c), total_(c.parts.size()) {}
    ~BuildProgress() {
        if (Shown()) c_.statusPrompt(std::string());
    }
    void Count(size_t count) {
        if (!Shown() || count % (total_ / 100) != 0) return;
        char text[80];
        std::snprintf(text, sizeof text, "Processing component %zu of %zu %d%%", count, total_,
                      static_cast<int>(count * 100 / total_));
        if (last_ != text) c_.statusPrompt(last_ = text);
    }

private:
    bool Shown() const { return c_.statusPrompt && total_ > 1000; }
    const NetlistCircuit& c_;
    size_t total_;
    std::string last_;
};

int BuildComponentDevices(CompileContext& cc) {
    BuildProgress progress(cc.c);
    for (size_t i = 0; i < cc.c.parts.size(); ++i) {
        progress.Count(i + 1);
        const NetlistPart& p = cc.c.parts[i];
        cc.partIndex[&p] = static_cast<int>(i);
        // Digital parts are the digital set-up's; their analog pins still name nodes.
        const bool digital = IsDigitalPart(p);
        for (size_t k = 0; k < p.pinNodes.size(); ++k)
            if (p.pinNodes[k] == 0 && (!digital || !IsDigitalPin(p, static_cast<int>(k)))) cc.hasGround = true;
        if (digital || MakesNoDevice(p.type)) continue;
        Builder build = BuilderOf(p.type);
        if (!build) {
            // A kind this compiler does not build yet: named, never silently dropped.
            return ReportCompileError(cc, static_cast<int>(i), 10847, PartAttr(p, 1).c_str());
        }
        // Parts are found by name (couplings, switches, curves): a device needs one.
        if (PartAttr(p, ATTR_PART).find_first_not_of(' ') == std::string::npos)
            return ReportCompileError(cc, static_cast<int>(i), 10841);
        if (int code = build(cc, static_cast<int>(i))) return code;
    }
    if (int code = LinkControlledSources(cc)) return code;
    if (int code = LinkCurrentSwitchSources(cc)) return code;
    return BuildCouplings(cc);
}

}  // namespace

void ClearCompiledDevices() {
    FreeDigitalNetwork();
    FreeDeviceLists();
    ClearCircuitModels();
    ForgetControlledSources();
    ForgetLineModels();
    ForgetOpampMacros();
    InitialConditionTable.clear();
    HasNodeSets = HasInitialConditions = 0;
}

int CompileCircuit(NetlistCircuit& circuit, const CompileSettings& settings, CompileResult* result) {
    ClearErrorSource();
    ClearCompiledDevices();
    RegisterDeviceKinds();
    CompileContext cc(circuit, settings);
    // Digital nodes have numbers of their own: only the analog ones are the engine's.
    cc.circuitNodes = circuit.digitalNodeCount ? circuit.analogNodeCount
                                               : std::max(circuit.nodes.highest, circuit.analogNodeCount);
    for (const NodeEntry& e : circuit.nodes.entries)
        if (e.kind != 1) cc.circuitNodes = std::max(cc.circuitNodes, e.number);
    // The internal nodes of an earlier compile of the circuit give their names up.
    circuit.nodes.internal.clear();
    cc.nextNode = cc.circuitNodes;
    cc.partDevice.assign(circuit.parts.size(), nullptr);
    cc.hasGround = circuit.nodes.hasGround;

    DigitalRun.inertial_cancellation = settings.inertialCancellation;
    int code = CheckPinConnections(cc, settings.floatingNodesCheck);
    if (!code) code = BuildComponentDevices(cc);
    if (!code && !cc.hasGround && cc.circuitNodes > 0) {
        ReportMessage("dE", circuit.tables.services->ReportOwner(), 10838);
        code = kMsgReported;
    }
    // The status-bar prompt of each long step; an empty text puts the saved prompt back.
    auto prompt = [&circuit](const char* text) {
        if (circuit.statusPrompt) circuit.statusPrompt(text);
    };
    if (!code) {
        prompt("Processing digital components.");
        code = SetupCompiledDigitalParts(cc);
        prompt("");
    }
    if (!code) code = NumberCompiledEquations(cc);
    prompt("Processing device expressions.");
    code = CompileDeviceExpressions(cc, code);
    prompt("");
    if (!code) code = BuildFunctionSourceDerivatives(cc);
    if (!code) WarnPartNodeNameClash(circuit);
    if (!code) code = CollectInitialConditions(cc);
    if (!settings.smallSignalRequest) {
        prompt("Checking for voltage loops.");
        if (!code) code = CheckVoltageLoops(cc, settings.skipInductorLoops);
        if (!code && settings.dcPathCheck) code = CheckDCPathsToGround(cc);
        prompt("");
    }
    if (!code && settings.warnZeroAcSources && circuit.analysisKind == kAc) WarnZeroACSources(circuit);
    // The defines' values of this compile; a run's compile again takes its case's.
    if (!code) EvaluateDefineValues(circuit.tables);
    if (code) {
        // A failed compile leaves nothing behind.
        ClearCompiledDevices();
        return code;
    }
    if (result) {
        result->circuitNodes = cc.circuitNodes;
        result->nodeCount = cc.nextNode;
    }
    return 0;
}

int SolveCompiledOperatingPoint(const CompileResult& compiled, double temperature) {
    AnalysisMode = kModeDc;
    AnalysisSubMode = kSubModeOperatingPoint;
    OperatingPointPhase = 1;
    UseInitialConditions = 0;
    SourceFactor = 1;
    // A fault left by the reading (an overflowing number text) is not the run's.
    ResetMathError();
    if (int code = UpdateModelTemperatures(temperature)) return code;
    if (int code = UpdateDeviceTemperatures(temperature)) return code;
    NodeCount = compiled.nodeCount;
    if (int code = InitSimulationState(true, OperatingPointSlot)) return code;
    MatrixSetUp = 1;
    InitMode = kInitJunction;
    return SolveOperatingPoint(nullptr, true, nullptr);
}

}  // namespace ob7
