#pragma once
// The state of one compile shared by the device builders and the checks.

#include <string>
#include <unordered_map>
#include <vector>

#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "netlist/compiler/circuit_compiler.h"
#include "netlist/compiler/compile_error_source.h"
#include "netlist/netlist_read_internal.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

struct CompiledExpression;
struct LaplaceSource;
struct ModelParams;
struct Opamp;
struct SpiceSource;

struct CompileContext {
    CompileContext(NetlistCircuit& circuit, const CompileSettings& compileSettings)
        : c(circuit), settings(compileSettings) {}

    NetlistCircuit& c;
    const CompileSettings& settings;
    int circuitNodes = 0;
    int nextNode = 0;                         // the last node number given out
    std::vector<DeviceInstance*> partDevice;  // the (main) device of each part
    std::unordered_map<const void*, int> partIndex;
    bool hasGround = false;
    // Names of internal nodes that formulas may read (upper case), such as the nodes of
    // the circuits that stand for SDT and DDT.
    std::unordered_map<std::string, int> internalNodeNames;

    int NewInternalNode() { return ++nextNode; }
    NetlistPart& Part(int i) { return c.parts[static_cast<size_t>(i)]; }
    // The part a device was built for, or -1.
    int PartOf(const DeviceInstance* d) const {
        auto it = partIndex.find(d->owning_part);
        return it == partIndex.end() ? -1 : it->second;
    }
};

// Reports a message about a part (file, line and part name) and records the part as the
// place of the error. Returns 15055.
template <class... Args>
int ReportCompileError(CompileContext& cc, int part, int code, Args... args) {
    ReportPartError(cc.c, part, code, args...);
    MarkPartErrorSource(cc.c, part);
    return kMsgReported;
}

// A new internal node named after the part with the suffix (upper case), so that
// formulas can read it; a name that a node of the circuit or another internal node has
// already gets "_1", "_2", ... Returns the name; the node goes to *node.
std::string NameInternalNode(CompileContext& cc, int part, const char* suffix, int* node);

// In an AC analysis the part's FREQ text, when given, becomes the expression (stored
// raw, compiled by the expression sweep). 0 or 15055 (reported against the part).
int SetFrequencyExpression(CompileContext& cc, int part, CompiledExpression* e);

// Links a built device to its part.
void AttachDeviceToPart(CompileContext& cc, int part, DeviceInstance* device);

// A value text of a part (defines substituted, braces evaluated) as a number. 0 or
// 15055 (reported against the part).
int EvalPartValue(CompileContext& cc, int part, const std::string& text, double* value);

// The model record a part names in its MODEL attribute, searched among the model types
// given (the first is the part type's own; the others are its other polarities); it is
// added to the circuit's model lists. Null after a reported error.
ModelParams* FindPartModel(CompileContext& cc, int part, std::initializer_list<int> modelTypes);
// The index of the model statement the part names, or -1 after a reported error.
int FindPartModelStatement(CompileContext& cc, int part, std::initializer_list<int> modelTypes);

// The next value token of a value text: a number, a word, a bracketed group, joined by
// operators when `join` is set. Returns the characters consumed; the token goes to out.
size_t NextValueToken(const std::string& text, size_t pos, std::string* out, bool join);

// Builders, one per family; each works on one part.
int BuildResistor(CompileContext& cc, int part);
int BuildCapacitor(CompileContext& cc, int part);
int BuildInductor(CompileContext& cc, int part);
int BuildCouplings(CompileContext& cc);
int BuildTransmissionLine(CompileContext& cc, int part);
void ForgetLineModels();
int BuildIndependentSource(CompileContext& cc, int part);
// The SPICE source text of a part's VALUE into the source. 0 or 15055 (reported).
int ParseSourceValueText(CompileContext& cc, int part, SpiceSource* source, const std::string& text);
int BuildPulseSource(CompileContext& cc, int part);
int BuildSineSource(CompileContext& cc, int part);
int BuildControlledSource(CompileContext& cc, int part);
int LinkControlledSources(CompileContext& cc);
int BuildDiode(CompileContext& cc, int part);
int BuildBipolar(CompileContext& cc, int part);
int BuildJfet(CompileContext& cc, int part);
int BuildMosfet(CompileContext& cc, int part);
int BuildGaasfet(CompileContext& cc, int part);
int BuildVoltageSwitch(CompileContext& cc, int part);
int BuildCurrentSwitch(CompileContext& cc, int part);
int LinkCurrentSwitchSources(CompileContext& cc);
int BuildSwitch(CompileContext& cc, int part);
int BuildSampleAndHold(CompileContext& cc, int part);
int BuildTransformer(CompileContext& cc, int part);

int BuildFunctionSource(CompileContext& cc, int part);
int BuildLaplaceFunctionSource(CompileContext& cc, int part);
int BuildLinearControlledSource(CompileContext& cc, int part);
// Every Z that stands alone in a z-domain formula becomes (EXP(S/(clock))) with the
// part's CLOCK FREQUENCY. 0 or 15055 (reported against the part).
int ConvertZToS(CompileContext& cc, int part, std::string& text);
int BuildTableSource(CompileContext& cc, int part);
int BuildLaplaceTableSource(CompileContext& cc, int part);
// A table text: the brackets nest, formulas stand in braces; the tuples' parentheses
// become blanks. 0 or 15055 (reported against the part).
int CheckTableText(CompileContext& cc, int part, std::string& text);
// One tuple of n values at pos (evaluated into out when given): the position after it,
// or npos with *code set after a reported error.
size_t ReadTableTuple(CompileContext& cc, int part, const std::string& text, size_t pos, double* out, int n,
                      int* code);
// Every SDT(x) and DDT(x) of a function source's formula becomes a small circuit whose
// output node the formula then reads. 0 or 15055 (reported against the part).
int RewriteIntegralsAndDerivatives(CompileContext& cc, int part, std::string& text);
int BuildSParamTwoPort(CompileContext& cc, int part);
int BuildOpamp(CompileContext& cc, int part);
int BuildOpampMacroModel(CompileContext& cc, int part, Opamp* opamp);

// Device expressions. A builder stores a formula raw; the sweep compiles every stored
// formula once the equations are numbered (NumberCompiledEquations).
void SetExpressionText(CompiledExpression* e, const std::string& text);
// A text that compiles to a constant, without a circuit: its value. False otherwise.
bool FoldConstantText(const std::string& text, double* value);
int NumberCompiledEquations(CompileContext& cc);
// Compiles one stored formula of a part; a constant goes to *constant (when given) and
// the expression is cleared. 1 when the expression stays non-constant. With *result
// already set the text is only discarded; a compile error is reported and set there.
int CompileDeviceExpression(CompileContext& cc, CompiledExpression* e, int part, int* result, double* constant);
int CompileDeviceExpressions(CompileContext& cc, int result);
int CheckLaplaceExpression(CompileContext& cc, const LaplaceSource* source);
int BuildFunctionSourceDerivatives(CompileContext& cc);

// Digital parts: built by the digital set-up, not by the analog builders.
bool IsDigitalPart(const NetlistPart& p);
// Describes the digital parts of the circuit to the digital simulator and sets up its
// primitives; a circuit with digital parts gets the engine's digital passes. 0, 15002 or
// 15055 (reported, the part marked as the error's place).
int SetupCompiledDigitalParts(CompileContext& cc);

// Connectivity checks.
int CheckPinConnections(CompileContext& cc, bool strict);
int CheckVoltageLoops(CompileContext& cc, bool skipInductors);
int CheckDCPathsToGround(CompileContext& cc);

}  // namespace ob7
