#include "analysis/text_circuit_sensitivity.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <memory>

#include "analysis/circuit_expression_context.h"
#include "analysis/stepping.h"
#include "analysis/text_circuit_analysis.h"
#include "expression/compiler.h"
#include "expression/expression.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "netlist/netlist_circuit.h"
#include "sim/devices/circuit_models.h"

namespace ob7 {

namespace {

constexpr int kTransientKind = 0;
constexpr int32_t kComponent = 8, kModel = 4;

StepVariable StepFor(const SensitivityChoice& c) {
    StepVariable v;
    v.name = c.name;
    v.param = c.parameter;
    v.settings = (c.flags & kModel) ? kStepBitModel : kStepBitComponent;
    return v;
}

// The record that names a model (a device's private copy names its parent's).
const ModelParams* Named(const ModelParams* m) { return m->parent ? m->parent : m; }

// The circuit's analog model records named `name`, with their type; null when none.
const ModelParams* FindNamedModel(const std::string& name, int* type) {
    for (int t = 0; t < ModelTypeCount; ++t) {
        if (ModelTypeRow(t).typeClass != 0) continue;
        for (ModelParams* m : CircuitModels[t])
            if (!Named(m)->scopedName.empty() && strcasecmp(Named(m)->scopedName.c_str(), name.c_str()) == 0) {
                *type = t;
                return Named(m);
            }
    }
    return nullptr;
}

bool Resistive(const SensitivityChoice& c) {
    if (!(c.flags & kModel)) return false;
    int type = 0;
    if (!FindNamedModel(c.name, &type)) return false;
    const int k = FindModelParam(type, c.parameter.c_str());
    return k >= 0 && (ModelTypeRow(type).params[k].flags & kParamFlagResistive);
}

double AnalysisTemperature(TextCircuitAnalysis& deck) {
    const std::string& text = deck.Setup().limits[TemperatureLimitField(kTransientKind)];
    return text.empty() ? 27.0 : std::atof(text.c_str());
}

// An output expression compiled against the circuit, evaluated at the present solution.
struct CompiledOutput {
    CompiledExpression expression;
    CompiledOutput() { InitCompiledExpression(&expression); }
    ~CompiledOutput() { FreeExpression(&expression); }
};

}  // namespace

std::vector<std::string> TextCircuitSensitivityNames(TextCircuitAnalysis& deck, int32_t kind) {
    std::vector<std::string> names;
    deck.WithCompiledCircuit(kTransientKind, [&] {
        if (kind == kComponent) {
            for (const NetlistPart& p : deck.Circuit()->parts) {
                if (p.scope != 1) continue;
                StepVariable v = StepFor({PartAttr(p, ATTR_PART), "Value", kComponent});
                if (deck.ResolveStepTarget(v) == 0) names.push_back(v.name);
            }
        } else if (kind == kModel) {
            for (int t = 0; t < ModelTypeCount; ++t) {
                if (ModelTypeRow(t).typeClass != 0) continue;
                for (ModelParams* m : CircuitModels[t]) {
                    const std::string& name = Named(m)->scopedName;
                    if (name.empty()) continue;
                    bool seen = false;
                    for (const std::string& n : names) seen = seen || strcasecmp(n.c_str(), name.c_str()) == 0;
                    if (!seen) names.push_back(name);
                }
            }
        }
        return 0;
    });
    return names;
}

std::vector<std::string> TextCircuitSensitivityParameters(TextCircuitAnalysis& deck, int32_t kind,
                                                          const std::string& name, bool all) {
    std::vector<std::string> parameters;
    if (kind == kComponent) return {"Value"};
    if (kind != kModel) return parameters;
    deck.WithCompiledCircuit(kTransientKind, [&] {
        int type = 0;
        const ModelParams* m = FindNamedModel(name, &type);
        if (!m) return 0;
        const ModelTypeInfo& row = ModelTypeRow(type);
        for (int k = 0; k < row.paramCount && k < m->values.Size(); ++k) {
            const ModelParamInfo& p = row.params[k];
            if (p.kind != kParamReal) continue;
            const double x = m->values[k].real;
            if (all || (IsGiven(x) && x != p.defaultValue.real)) parameters.push_back(p.name);
        }
        return 0;
    });
    return parameters;
}

void DropInvalidSensVariables(TextCircuitAnalysis& deck, std::vector<SensitivityChoice>& variables) {
    deck.WithCompiledCircuit(kTransientKind, [&] {
        for (size_t i = variables.size(); i-- > 0;) {
            StepVariable v = StepFor(variables[i]);
            if ((variables[i].flags & (kComponent | kModel)) == 0 || deck.ResolveStepTarget(v) != 0)
                variables.erase(variables.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return 0;
    });
}

int TextCircuitSensitivity(TextCircuitAnalysis& deck, const std::vector<SensitivityChoice>& variables,
                           const std::string (&outputs)[kSensitivityOutputs], std::vector<SensitivityRow>* rows) {
    rows->clear();
    return deck.WithCompiledCircuit(kTransientKind, [&]() -> int {
        NetlistCircuit& c = *deck.Circuit();
        CircuitExpressionContext context(c);
        std::vector<std::unique_ptr<CompiledOutput>> compiled;
        std::vector<SensitivityOutput> outs(kSensitivityOutputs);
        for (int j = 0; j < kSensitivityOutputs; ++j) {
            if (outputs[j].empty()) continue;
            compiled.push_back(std::make_unique<CompiledOutput>());
            CompiledExpression* e = &compiled.back()->expression;
            ExpressionCompiler compiler;
            InitExpressionCompiler(&compiler, outputs[j], e, (1 << kTransientKind) | 0x10, kKindFlagsCurve);
            compiler.context = &context;
            if (int code = CompileExpression(&compiler)) return code;
            outs[j].text = outputs[j];
            outs[j].value = [&context, e] {
                context.Refresh();
                ComplexValue v{};
                return EvaluateExpression(e, &v) ? NAN : v.re;
            };
        }
        std::vector<SensitivityVariable> vars;
        for (const SensitivityChoice& choice : variables) {
            StepVariable step = StepFor(choice);
            if (int code = deck.ResolveStepTarget(step)) {
                ReportMessage("E", code);
                return kMsgReported;
            }
            SensitivityVariable v;
            v.name = choice.name;
            v.parameter = choice.parameter;
            v.read = step.read;
            v.write = step.write;
            v.reciprocal = Resistive(choice);
            vars.push_back(std::move(v));
        }
        return RunSensitivity(vars, outs, AnalysisTemperature(deck), rows);
    });
}

}  // namespace ob7
