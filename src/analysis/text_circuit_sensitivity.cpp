#include "analysis/text_circuit_sensitivity.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>

#include "analysis/circuit_expression_context.h"
#include "analysis/stepping.h"
#include "analysis/text_circuit_analysis.h"
#include "expression/compiler.h"
#include "expression/expression.h"
#include "foundation/message_codes.h"
#include "foundation/messages.h"
#include "foundation/numbers.h"
#include "netlist/define_table.h"
#include "netlist/model_types.h"
#include "netlist/model_values.h"
#include "netlist/netlist_circuit.h"
#include "sim/devices/circuit_models.h"

namespace ob7 {

namespace {

constexpr int kTransientKind = 0;
constexpr int32_t kComponent = 8, kModel = 4, kSymbolic = 0x20;
constexpr int kMsgMissingDefine = 10882;  // "%EMissing identifier in define."

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

// The circuit's symbol of that name that a sensitivity can vary: a .DEFINE or .PARAM of
// the circuit (not of a subcircuit) with a value and no arguments. Null when none.
const DefineEntry* SymbolicVariable(const NetlistCircuit& circuit, const std::string& name) {
    const DefineEntry* e = FindDefineByName(circuit.tables.defines, name);
    return e && !e->value.empty() && !e->macroParam ? e : nullptr;
}

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
        } else if (kind == kSymbolic) {
            const NetlistCircuit& c = *deck.Circuit();
            for (const auto& row : c.tables.defines.rows)
                for (const DefineEntry& e : row)
                    if (SymbolicVariable(c, e.name) == &e) names.push_back(e.name);
        }
        return 0;
    });
    return names;
}

std::vector<std::string> TextCircuitSensitivityParameters(TextCircuitAnalysis& deck, int32_t kind,
                                                          const std::string& name, bool all) {
    std::vector<std::string> parameters;
    if (kind == kComponent || kind == kSymbolic) return {"Value"};
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
            const bool valid = (variables[i].flags & (kComponent | kModel))
                                   ? deck.ResolveStepTarget(v) == 0
                                   : (variables[i].flags & kSymbolic) && SymbolicVariable(*deck.Circuit(), v.name);
            if (!valid)
                variables.erase(variables.begin() + static_cast<std::ptrdiff_t>(i));
        }
        return 0;
    });
}

namespace {

// The calculation's view of the circuit: outputs and variables that follow it through the
// compiles a symbolic variable needs, and the model values as compiled.
class SensitivityCircuit {
public:
    SensitivityCircuit(TextCircuitAnalysis& deck, const std::vector<SensitivityChoice>& variables)
        : deck_(deck), choices_(variables) {}

    // Compiles the outputs and resolves the variables against the present circuit. 0 or
    // a message code (after its report for a variable the circuit lacks).
    int Resolve(const std::string (&outputs)[kSensitivityOutputs]) {
        for (int j = 0; j < kSensitivityOutputs; ++j) texts_[j] = outputs[j];
        steps_.clear();
        for (const SensitivityChoice& c : choices_) steps_.push_back(StepFor(c));
        return Bind();
    }

    std::vector<SensitivityOutput> Outputs() {
        std::vector<SensitivityOutput> outs(kSensitivityOutputs);
        for (int j = 0; j < kSensitivityOutputs; ++j) {
            if (texts_[j].empty()) continue;
            outs[j].text = texts_[j];
            outs[j].value = [this, j] { return Evaluate(j); };
        }
        return outs;
    }

    std::vector<SensitivityVariable> Variables() {
        std::vector<SensitivityVariable> vars;
        for (size_t i = 0; i < choices_.size(); ++i) {
            SensitivityVariable v;
            v.name = choices_[i].name;
            v.parameter = choices_[i].parameter;
            if (IsSymbolic(choices_[i])) {
                const std::string name = UpperName(choices_[i].name);
                v.read = [this, name] { return symbols_.count(name) ? symbols_[name] : nominals_[name]; };
                v.write = [this, name](double x) {
                    const auto it = symbols_.find(name);
                    const double old = it != symbols_.end() ? it->second : nominals_[name];
                    if (x == nominals_[name]) symbols_.erase(name);
                    else symbols_[name] = x;
                    compile_ = compile_ || x != old;
                };
            } else {
                v.read = [this, i] { return steps_[i].read(); };
                v.write = [this, i](double x) { steps_[i].write(x); };
            }
            vars.push_back(std::move(v));
        }
        return vars;
    }

    SensitivityHooks Hooks() {
        SensitivityHooks h;
        h.compile = [this]() -> int {
            if (!compile_) return 0;
            compile_ = false;
            if (int code = deck_.CompileWithDefines(kTransientKind, symbols_)) return code;
            return Bind();
        };
        h.restore_model_values = [this] { RestoreModels(); };
        return h;
    }

private:
    static bool IsSymbolic(const SensitivityChoice& c) { return (c.flags & (kComponent | kModel)) == 0; }
    static std::string UpperName(std::string name) {
        for (char& ch : name) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
        return name;
    }

    int Bind() {
        outputs_.clear();
        context_ = std::make_unique<CircuitExpressionContext>(*deck_.Circuit());
        for (int j = 0; j < kSensitivityOutputs; ++j) {
            outputs_.push_back(std::make_unique<CompiledOutput>());
            if (texts_[j].empty()) continue;
            ExpressionCompiler compiler;
            InitExpressionCompiler(&compiler, texts_[j], &outputs_[j]->expression, (1 << kTransientKind) | 0x10,
                                   kKindFlagsCurve);
            compiler.context = context_.get();
            if (int code = CompileExpression(&compiler)) return code;
        }
        for (size_t i = 0; i < choices_.size(); ++i) {
            if (IsSymbolic(choices_[i])) {
                const std::string name = UpperName(choices_[i].name);
                if (!nominals_.count(name)) {
                    NetlistCircuit& c = *deck_.Circuit();
                    const DefineEntry* e = SymbolicVariable(c, name);
                    if (!e) {
                        ReportMessage("E", kMsgMissingDefine);
                        return kMsgReported;
                    }
                    // The value as the circuit's texts give it, other symbols substituted.
                    std::string text;
                    if (SubstituteDefines(c.tables, text, e->scope, e->value, true)) return kMsgReported;
                    int code = 0;
                    nominals_[name] = EvalNumberOrExpression(text.c_str(), &code);
                    if (code) {
                        ReportMessage("E", code);
                        return kMsgReported;
                    }
                }
                continue;
            }
            if (int code = deck_.ResolveStepTarget(steps_[i])) {
                ReportMessage("E", code);
                return kMsgReported;
            }
        }
        SaveModels();
        return 0;
    }

    double Evaluate(int j) {
        context_->Refresh();
        ComplexValue v{};
        return EvaluateExpression(&outputs_[j]->expression, &v) ? NAN : v.re;
    }

    void SaveModels() {
        saved_.clear();
        for (int t = 0; t < ModelTypeCount; ++t)
            for (ModelParams* m : CircuitModels[t]) {
                std::vector<double>& v = saved_[m];
                for (int k = 0; k < m->values.Size(); ++k) v.push_back(m->values[k].real);
            }
    }
    void RestoreModels() {
        for (auto& [m, v] : saved_)
            for (int k = 0; k < m->values.Size() && k < static_cast<int>(v.size()); ++k) m->values[k].real = v[k];
    }

    TextCircuitAnalysis& deck_;
    std::vector<SensitivityChoice> choices_;
    std::string texts_[kSensitivityOutputs];
    std::unique_ptr<CircuitExpressionContext> context_;
    std::vector<std::unique_ptr<CompiledOutput>> outputs_;
    std::vector<StepVariable> steps_;
    std::map<std::string, double> nominals_, symbols_;
    bool compile_ = false;
    std::map<ModelParams*, std::vector<double>> saved_;
};

}  // namespace

int TextCircuitSensitivity(TextCircuitAnalysis& deck, const std::vector<SensitivityChoice>& variables,
                           const std::string (&outputs)[kSensitivityOutputs], std::vector<SensitivityRow>* rows) {
    rows->clear();
    return deck.WithCompiledCircuit(kTransientKind, [&]() -> int {
        SensitivityCircuit circuit(deck, variables);
        if (int code = circuit.Resolve(outputs)) return code;
        return RunSensitivity(circuit.Variables(), circuit.Outputs(), AnalysisTemperature(deck), rows,
                              circuit.Hooks());
    });
}

}  // namespace ob7
