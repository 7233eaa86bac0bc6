#include "analysis/text_circuit_transfer.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>

#include "analysis/analysis_run.h"
#include "analysis/circuit_expression_context.h"
#include "analysis/text_circuit_analysis.h"
#include "expression/compiler.h"
#include "expression/expression.h"
#include "foundation/message_codes.h"
#include "netlist/netlist_circuit.h"
#include "netlist/netlist_reader.h"
#include "sim/devices/independent_sources.h"
#include "sim/engine/device_lists.h"

namespace ob7 {

namespace {

constexpr int kTransientKind = 0;

// The source record made for a part, with its device type code; type 0 when the part is
// none of the accepted source kinds.
TfInputSource SourceOfPart(const NetlistPart* part) {
    if (!part) return {};
    for (auto* s : DevicesOf<SpiceSource>(kSpiceSourceList))
        if (s->owning_part == part) return {s, s->IsVoltage() ? kSpiceVoltageSource : 11};
    for (auto* s : DevicesOf<PulseSource>(kPulseSourceList))
        if (s->owning_part == part) return {s, 13};
    for (auto* s : DevicesOf<SineSource>(kSineSourceList))
        if (s->owning_part == part) return {s, 17};
    return {};
}

const NetlistPart* FindPart(NetlistCircuit& c, const std::string& name) {
    const int i = FindPartByName(c, name, 1);
    return i >= 0 ? &c.parts[static_cast<size_t>(i)] : nullptr;
}

std::string Trim(const std::string& s) {
    const size_t a = s.find_first_not_of(' ');
    if (a == std::string::npos) return {};
    return s.substr(a, s.find_last_not_of(' ') - a + 1);
}

// The output's form for the output impedance: V(a) / V(a,b) of existing nodes, or I()
// of a voltage source; anything else has none.
void ReadOutputForm(NetlistCircuit& c, const CircuitExpressionContext& context, const std::string& text, TfOutput* out) {
    const std::string t = Trim(text);
    if (t.size() < 4 || t[1] != '(' || t.back() != ')') return;
    const std::string inside = t.substr(2, t.size() - 3);
    if (inside.find_first_of("()") != std::string::npos) return;
    if (toupper(static_cast<unsigned char>(t[0])) == 'V') {
        const size_t comma = inside.find(',');
        const int a = context.FindNode(Trim(inside.substr(0, comma)), 1);
        const int b = comma == std::string::npos ? 0 : context.FindNode(Trim(inside.substr(comma + 1)), 1);
        if (a < 0 || b < 0) return;
        out->form = TfOutput::Form::Voltage;
        out->node_plus = a;
        out->node_minus = b;
    } else if (toupper(static_cast<unsigned char>(t[0])) == 'I') {
        const TfInputSource s = SourceOfPart(FindPart(c, Trim(inside)));
        if (s.type != kSpiceVoltageSource) return;
        out->form = TfOutput::Form::SourceCurrent;
        out->source = s.device;
    }
}

double AnalysisTemperature(TextCircuitAnalysis& deck) {
    const std::string& text = deck.Setup().limits[TemperatureLimitField(kTransientKind)];
    return text.empty() ? 27.0 : std::atof(text.c_str());
}

}  // namespace

std::vector<std::string> TextCircuitSourceNames(TextCircuitAnalysis& deck) {
    std::vector<std::string> names;
    deck.WithCompiledCircuit(kTransientKind, [&] {
        for (const NetlistPart& p : deck.Circuit()->parts)
            if (p.scope == 1 && SourceOfPart(&p).type) names.push_back(PartAttr(p, ATTR_PART));
        return 0;
    });
    return names;
}

int TextCircuitTransferFunction(TextCircuitAnalysis& deck, const std::string& output, const std::string& source,
                                TfResult* result) {
    *result = {};
    return deck.WithCompiledCircuit(kTransientKind, [&]() -> int {
        NetlistCircuit& c = *deck.Circuit();
        CircuitExpressionContext context(c);
        CompiledExpression expression;
        InitCompiledExpression(&expression);
        ExpressionCompiler compiler;
        InitExpressionCompiler(&compiler, output, &expression, (1 << kTransientKind) | 0x10, kKindFlagsCurve);
        compiler.context = &context;
        struct Release {
            CompiledExpression* e;
            ~Release() { FreeExpression(e); }
        } release{&expression};
        if (int code = CompileExpression(&compiler)) {
            result->transfer_function_text = "Error";
            return code;
        }
        TfOutput out;
        out.value = [&] {
            context.Refresh();
            ComplexValue v{};
            return EvaluateExpression(&expression, &v) ? NAN : v.re;
        };
        ReadOutputForm(c, context, output, &out);
        return RunTransferFunction(SourceOfPart(FindPart(c, Trim(source))), out, AnalysisTemperature(deck), result);
    });
}

}  // namespace ob7
