// Device expressions: the formulas that device values and behavioural sources carry are
// stored raw by the builders and compiled here in one sweep, once every device exists
// and the equations are numbered, so that node voltages and branch currents compile
// into references to their solution entries. Constants fold into the device's value.

#include <algorithm>
#include <cctype>
#include <memory>

#include "expression/compiler.h"
#include "expression/derivative.h"
#include "expression/expression_context.h"
#include "expression/operator_table.h"
#include "libraries/component_types.h"
#include "netlist/compiler/compiler_internal.h"
#include "netlist/define_table.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/function_source.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/inductor.h"
#include "sim/devices/laplace_source.h"
#include "sim/devices/resistor.h"
#include "sim/devices/sample_hold.h"
#include "sim/devices/time_breakpoints.h"
#include "sim/engine/ac_load.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {

namespace {

// The opcode of the one token that holds a formula's raw text until the sweep.
constexpr int16_t kOpRawText = 42;
// The variable of the Laplace sources, in the analysis-variable mask.
constexpr int32_t kDependsOnS = 0x1000;
constexpr int32_t kDependsOnFrequency = 0x2000;
// Anything else that varies: node voltages, branch currents, device and model values.
constexpr int32_t kDependsOnCircuit = 0x1;

// The compiled circuit as the expression compiler sees it. Node and part names are
// resolved while a compile is set (during the sweep); run-time reads go to the engine.
class CompiledCircuitContext final : public NoCircuitExpressionContext {
public:
    CompileContext* cc = nullptr;

    const RunValues& Run() const override { return ob7::Run; }
    int FindNode(std::string_view name, int scope) const override {
        if (!cc) return -1;
        if (name == "0") return 0;
        std::string upper(name);
        for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        auto internal = cc->internalNodeNames.find(upper);
        if (internal != cc->internalNodeNames.end()) return internal->second;
        return FindNodeByName(cc->c, std::string(name), scope);
    }
    int AnalogNodeCount() const override { return cc ? cc->nextNode : NodeCount; }
    const double* NodeVoltage(int node) const override {
        return node > 0 && static_cast<size_t>(node) < Solution.size() ? &Solution[static_cast<size_t>(node)] : nullptr;
    }
    bool IsSolutionEntry(const double* p) const override {
        return !Solution.empty() && p >= Solution.data() && p < Solution.data() + Solution.size();
    }
    ComplexValue SolutionValue(int k) const override {
        const size_t i = static_cast<size_t>(k);
        if (!OperatingPointPhase && AcSolution.size() > 2 * i + 1) return {AcSolution[2 * i], AcSolution[2 * i + 1]};
        return {i < Solution.size() ? Solution[i] : 0.0, 0.0};
    }
    bool FindPart(std::string_view name, int scope, PartRef* part) const override {
        if (!cc) return false;
        const int index = FindPartByName(cc->c, std::string(name), scope);
        if (index < 0) return false;
        const NetlistPart& p = cc->Part(index);
        part->handle = &p;
        part->device_kind = IsValidComponentType(p.type) ? ComponentTypeTable[p.type].operatorMask : 0;
        part->has_core = false;
        return true;
    }
    int PartQuantity(const PartRef& part, int opcode, char, char, QuantityTerms* terms) const override;
    int SubstituteDefines(std::string_view text, int scope, std::string* out) const override {
        if (!cc) return NoCircuitExpressionContext::SubstituteDefines(text, scope, out);
        return ob7::SubstituteDefines(cc->c.tables, *out, scope, std::string(text), false);
    }
    // STP and IMPULSE of a device value: the transient run's breakpoint list.
    int AddTimeBreakpoint(long long tick) override {
        return RequestTimeBreakpoint ? RequestTimeBreakpoint(ob7::Run.tmin + tick * ob7::Run.tick_length) : 0;
    }

private:
    // A solution entry as an operand: the real entry, or the equation in AC.
    static QuantityOperand Entry(int k) {
        QuantityOperand o;
        if (k <= 0) return o;
        if (ob7::Run.analysis_kind == 1) {
            o.kind = QuantityOperand::Kind::Equation;
            o.equation = k;
        } else {
            o.kind = QuantityOperand::Kind::Real;
            o.real = &Solution[static_cast<size_t>(k)];
        }
        return o;
    }
};

// V of a two-pin part; I of a voltage source, an inductor (their branch equations) or a
// resistor (its voltage over its value).
int CompiledCircuitContext::PartQuantity(const PartRef& part, int opcode, char, char, QuantityTerms* terms) const {
    if (!cc) return 10416;
    auto it = cc->partIndex.find(part.handle);
    if (it == cc->partIndex.end()) return 10416;
    const NetlistPart& p = cc->Part(it->second);
    DeviceInstance* device = cc->partDevice[static_cast<size_t>(it->second)];
    if (p.pinNodes.size() < 2) return 10416;
    const int a = p.pinNodes[0], b = p.pinNodes[1];
    if (opcode == 11) {
        terms->plus = Entry(a);
        terms->minus = Entry(b);
        return 0;
    }
    if (opcode != 12 || !device) return 10416;
    if (p.type == CT_VSPICE) {
        terms->plus = Entry(static_cast<SpiceSource*>(device)->branch);
        return 0;
    }
    if (p.type == CT_INDUCTOR) {
        terms->plus = Entry(NodeCount + static_cast<Inductor*>(device)->ordinal);
        return 0;
    }
    if (p.type == CT_RESISTOR) {
        terms->plus = Entry(a);
        terms->minus = Entry(b);
        terms->divisor = &static_cast<Resistor*>(device)->working_value;
        return 0;
    }
    return 10416;
}

CompiledCircuitContext CircuitContext;

// Whether the value can change: it reads something, draws random values, has state or
// reads the run's time through STP or IMPULSE.
bool IsNonConstant(const CompiledExpression& e) {
    if (e.uses_random || (e.flags & (kFlagStateful | kFlagStp | kFlagImpulse)) || !e.sub_expressions.empty())
        return true;
    for (const ExpressionToken& t : e.tokens)
        if (t.pushes && t.opcode != kOpConstant) return true;
    return false;
}

// What the expression depends on: the analysis-variable mask, and kDependsOnCircuit for
// any other operand that is not a constant.
int32_t Dependencies(const CompiledExpression& e) {
    int32_t mask = AnalysisVariableMask(e);
    const RunValues* run = e.run;
    for (const ExpressionToken& t : e.tokens) {
        if (!t.pushes || t.opcode == kOpConstant || t.opcode == 29) continue;
        if (t.opcode == kOpRealPointer && run) {
            const double* p = t.value.real;
            const double* first = reinterpret_cast<const double*>(run);
            if (p >= first && p < first + sizeof(RunValues) / sizeof(double)) continue;
        }
        mask |= kDependsOnCircuit;
    }
    for (const auto& sub : e.sub_expressions) mask |= Dependencies(*sub);
    return mask;
}

// Marks every solution entry 1..E the expression reads.
void MarkEquations(const CompiledExpression& e, std::vector<char>& marks) {
    const int count = static_cast<int>(marks.size()) - 1;
    for (const ExpressionToken& t : e.tokens) {
        int k = 0;
        if (t.opcode == kOpRealPointer && CircuitContext.IsSolutionEntry(t.value.real))
            k = static_cast<int>(t.value.real - Solution.data());
        else if (t.opcode == kOpEquation)
            k = t.value.index;
        if (k >= 1 && k <= count) marks[static_cast<size_t>(k)] = 1;
    }
    for (const auto& sub : e.sub_expressions) MarkEquations(*sub, marks);
}

int CompileAnalysisKind(const CompileContext& cc) { return cc.c.analysisKind >= 0 ? cc.c.analysisKind : kDc; }

void SetNonConstant(int list, int nonConstant) {
    if (nonConstant) DeviceListTable[list].non_constant_expression = 1;
}

}  // namespace

void SetExpressionText(CompiledExpression* e, const std::string& text) {
    FreeExpression(e);
    ExpressionToken raw;
    raw.opcode = kOpRawText;
    raw.text = text;
    e->tokens.push_back(std::move(raw));
}

bool FoldConstantText(const std::string& text, double* value) {
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    std::string t = text;
    for (char& ch : t)
        if (ch == '{') ch = '(';
        else if (ch == '}') ch = ')';
    InitExpressionCompiler(&c, t, &e, 0x7, kKindFlagsAnalog);
    c.pending_mode = 1;
    bool folded = false;
    if (CompileExpression(&c) == 0 && !IsNonConstant(e)) {
        ComplexValue v{};
        folded = EvaluateExpression(&e, &v) == 0;
        *value = v.re;
    }
    ClearPendingMessage();
    FreeExpression(&e);
    return folded;
}

int NumberCompiledEquations(CompileContext& cc) {
    NodeCount = cc.nextNode;
    EquationCount = NumberBranchEquations();
    AllocateRunVectors();
    return 0;
}

int CompileDeviceExpression(CompileContext& cc, CompiledExpression* e, int part, int* result, double* constant) {
    if (e->tokens.empty()) return 0;
    if (e->tokens.size() != 1 || e->tokens[0].opcode != kOpRawText) return IsNonConstant(*e) ? 1 : 0;
    const std::string raw = e->tokens[0].text;
    FreeExpression(e);
    if (*result) return 0;
    const NetlistPart& p = cc.Part(part);
    std::string text;
    if (SubstituteDefines(cc.c.tables, text, p.scope, raw, false)) {
        MarkPartErrorSource(cc.c, part);
        *result = kMsgReported;
        return 0;
    }
    for (char& ch : text)
        if (ch == '{') ch = '(';
        else if (ch == '}') ch = ')';
    SimplifySigns(text);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, text, e, 1 << CompileAnalysisKind(cc), kKindFlagsAnalog);
    c.context = &CircuitContext;
    c.scope = p.scope;
    c.part_name = PartAttr(p, 1);
    c.pending_mode = 1;
    if (CompileExpression(&c)) {
        FreeExpression(e);
        *result = ReportCompileError(cc, part, kMsgPending);
        return 0;
    }
    const bool nonConstant = IsNonConstant(*e);
    if (constant && !nonConstant) {
        ComplexValue v{};
        if (EvaluateExpression(e, &v)) {
            FreeExpression(e);
            *result = ReportCompileError(cc, part, kMsgPending);
            return 0;
        }
        *constant = v.re;
        FreeExpression(e);
    }
    return nonConstant ? 1 : 0;
}

int CheckLaplaceExpression(CompileContext& cc, const LaplaceSource* s) {
    if (s->transfer.tokens.empty()) return 0;
    const int32_t uses = Dependencies(s->transfer) & ~kDependsOnFrequency;
    if (uses == kDependsOnS) return 0;
    return ReportCompileError(cc, cc.PartOf(s), uses & kDependsOnS ? 10870 : 10869);
}

int CompileDeviceExpressions(CompileContext& cc, int result) {
    CircuitContext.cc = &cc;
    // Formulas read what the analysis compiled for solves: the equations' complex values
    // in AC, the real solution otherwise. The driver sets the same kind again.
    Run.analysis_kind = CompileAnalysisKind(cc);
    for (int list : {kFunctionSourceList, kLaplaceSourceList, kResistorList, kCapacitorList, kInductorList,
                     kSampleHoldList, kMagneticCoreList, kCouplingList}) {
        DeviceListTable[list].non_constant_expression = 0;
        DeviceListTable[list].non_constant_sample_expression = 0;
    }
    const bool ac = CompileAnalysisKind(cc) == kAc;
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList)) {
        const int part = cc.PartOf(s);
        SetNonConstant(kFunctionSourceList, CompileDeviceExpression(cc, &s->value_expression, part, &result, nullptr));
        if (ac) {
            CompileDeviceExpression(cc, &s->noise_expression, part, &result, nullptr);
            CompileDeviceExpression(cc, &s->ac_expression, part, &result, nullptr);
        } else {
            FreeExpression(&s->noise_expression);
            FreeExpression(&s->ac_expression);
        }
    }
    for (auto* s : DevicesOf<LaplaceSource>(kLaplaceSourceList)) {
        SetNonConstant(kLaplaceSourceList, CompileDeviceExpression(cc, &s->transfer, cc.PartOf(s), &result, nullptr));
        // After a failed check the rest are only discarded.
        if (!result && CheckLaplaceExpression(cc, s)) result = kMsgReported;
    }
    // A folded constant becomes the device's value; devices without formulas keep theirs.
    for (auto* r : DevicesOf<Resistor>(kResistorList)) {
        if (r->value_expression.tokens.empty() && r->ac_value_expression.tokens.empty()) continue;
        const int part = cc.PartOf(r);
        double value = r->base_value;
        SetNonConstant(kResistorList, CompileDeviceExpression(cc, &r->value_expression, part, &result, &value));
        if (ac) CompileDeviceExpression(cc, &r->ac_value_expression, part, &result, &value);
        else FreeExpression(&r->ac_value_expression);
        r->base_value = r->working_value = r->effective_resistance = value;
    }
    for (auto* c : DevicesOf<Capacitor>(kCapacitorList)) {
        if (c->value_expression.tokens.empty() && c->ac_value_expression.tokens.empty()) continue;
        const int part = cc.PartOf(c);
        double value = c->base_value;
        SetNonConstant(kCapacitorList, CompileDeviceExpression(cc, &c->value_expression, part, &result, &value));
        if (ac) CompileDeviceExpression(cc, &c->ac_value_expression, part, &result, &value);
        else FreeExpression(&c->ac_value_expression);
        c->base_value = c->working_value = c->effective_capacitance = value;
    }
    for (auto* l : DevicesOf<Inductor>(kInductorList)) {
        if (l->value_expression.tokens.empty()) continue;
        double value = l->value;
        SetNonConstant(kInductorList, CompileDeviceExpression(cc, &l->value_expression, cc.PartOf(l), &result, &value));
        l->value = l->nominal = l->inductance = value;
    }
    for (auto* s : DevicesOf<SampleHold>(kSampleHoldList)) {
        const int part = cc.PartOf(s);
        SetNonConstant(kSampleHoldList, CompileDeviceExpression(cc, &s->input, part, &result, nullptr));
        if (CompileDeviceExpression(cc, &s->clock, part, &result, nullptr))
            DeviceListTable[kSampleHoldList].non_constant_sample_expression = 1;
    }
    for (auto* k : DevicesOf<Coupling>(kCouplingList))
        if (k->value_expression) CompileDeviceExpression(cc, k->value_expression, cc.PartOf(k), &result, nullptr);
    CircuitContext.cc = nullptr;
    return result;
}

int BuildFunctionSourceDerivatives(CompileContext& cc) {
    const int count = EquationCount;
    std::vector<char> marks(static_cast<size_t>(count) + 1);
    for (auto* s : DevicesOf<FunctionSource>(kFunctionSourceList)) {
        std::fill(marks.begin(), marks.end(), 0);
        MarkEquations(s->value_expression, marks);
        s->variables.clear();
        // In AC the expressions read equations, not doubles: no symbolic derivatives.
        const bool symbolic = !(s->value_expression.flags & kFlagStateful) && !Options.numeric_derivative &&
                              CompileAnalysisKind(cc) != kAc;
        for (int k = 1; k <= count; ++k) {
            if (!marks[static_cast<size_t>(k)]) continue;
            FunctionVariable v;
            v.equation = k;
            if (symbolic) {
                auto d = std::make_unique<CompiledExpression>();
                InitCompiledExpression(d.get());
                if (int code = DifferentiateExpression(s->value_expression, d.get(), &Solution[static_cast<size_t>(k)])) {
                    MarkPartErrorSource(cc.c, cc.PartOf(s));
                    return code;
                }
                d->context = s->value_expression.context;
                d->run = s->value_expression.run;
                // A function without a derivative rule leaves none: the load then
                // differentiates this variable numerically.
                if (!d->tokens.empty()) v.derivative = std::move(d);
            }
            s->variables.push_back(std::move(v));
        }
        // The AC expression is linearised in the AC load by steps in these equations.
        s->ac_equations.clear();
        if (s->ac_expression.tokens.empty()) continue;
        std::fill(marks.begin(), marks.end(), 0);
        MarkEquations(s->ac_expression, marks);
        for (int k = 1; k <= count; ++k)
            if (marks[static_cast<size_t>(k)]) s->ac_equations.push_back(k);
    }
    return 0;
}

}  // namespace ob7
