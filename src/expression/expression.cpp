#include "expression/expression.h"

#include <cstdlib>

#include "expression/expression_context.h"
#include "expression/run_values.h"

namespace ob7 {

void InitCompiledExpression(CompiledExpression* e) { *e = CompiledExpression{}; }

void FreeExpression(CompiledExpression* e) {
    e->tokens.clear();
    e->tokens.shrink_to_fit();
    e->sub_expressions.clear();
    e->unit = 0;
    e->flags = 0;
    e->kinds = 0;
    e->stateful_depth = 0;
    e->point_index = 0;
    e->reset_code = 0;
    e->reset_mode = 0;
}

// Fifteen random bits scaled by 1/32767, so values lie in [0, 1] whatever RAND_MAX is.
double DrawRandomValue() { return double(std::rand() & 0x7fff) * 3.051850947599719e-05; }

void RedrawRandomTokens(CompiledExpression* e) {
    if (!e->uses_random) return;
    for (ExpressionToken& t : e->tokens) {
        if (t.opcode == 79) t.value.number = DrawRandomValue();
    }
}

int32_t AnalysisVariableMask(const CompiledExpression& e) {
    int32_t mask = e.flags & 0x1000000;
    const RunValues* run = e.run;
    for (const ExpressionToken& t : e.tokens) {
        if (t.opcode == 29) mask |= 0x1000;
        else if (t.opcode == 40 || t.opcode == 41) mask |= 0x8000;
        else if (t.opcode == kOpRealPointer && run) {
            const double* p = t.value.real;
            if (p == &run->time || p == &run->tmin || p == &run->tmax) mask |= 0x800;
            else if (p == &run->frequency || p == &run->fmin || p == &run->fmax) mask |= 0x2000;
        }
    }
    for (const auto& sub : e.sub_expressions) mask |= AnalysisVariableMask(*sub);
    return mask;
}

void SimplifySigns(std::string& text) {
    std::string out;
    out.reserve(text.size());
    size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    while (i < text.size()) {
        char c = text[i];
        if (c == '+' || c == '-') {
            int minus = 0;
            while (i < text.size()) {
                if (text[i] == '-') ++minus;
                else if (text[i] != '+') break;
                size_t next = i + 1;
                while (next < text.size() && text[next] == ' ') ++next;
                // Blanks count as inside the run only when another sign follows them.
                if (next < text.size() && (text[next] == '+' || text[next] == '-')) i = next;
                else i = i + 1;
            }
            out += (minus % 2) ? '-' : '+';
            continue;
        }
        if (c == ' ') {
            if (out.empty() || out.back() != ' ') out += ' ';
            ++i;
            continue;
        }
        out += c;
        ++i;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    text = out;
}

const RunValues& NoCircuitExpressionContext::Run() const { return run; }
int NoCircuitExpressionContext::FindNode(std::string_view, int) const { return -1; }
int NoCircuitExpressionContext::AnalogNodeCount() const { return 0; }
int NoCircuitExpressionContext::DigitalNodeCount() const { return 0; }
const double* NoCircuitExpressionContext::NodeVoltage(int) const { return nullptr; }
const uint16_t* NoCircuitExpressionContext::DigitalNodeState(int) const { return nullptr; }
bool NoCircuitExpressionContext::IsSolutionEntry(const double*) const { return false; }
ComplexValue NoCircuitExpressionContext::SolutionValue(int) const { return ComplexValue{}; }
bool NoCircuitExpressionContext::FindPart(std::string_view, int, PartRef*) const { return false; }
int NoCircuitExpressionContext::PartQuantity(const PartRef&, int, char, char, QuantityTerms*) const { return 10416; }
int NoCircuitExpressionContext::FindDeviceBetweenNodes(int, int, int32_t, PartRef*, bool*) const { return 10413; }
const void* NoCircuitExpressionContext::CoreDevice(const PartRef&) const { return nullptr; }
double NoCircuitExpressionContext::CoreValue(const void*, int) const { return 0.0; }
const double* NoCircuitExpressionContext::ModelParameter(std::string_view, std::string_view, int, bool*) const {
    return nullptr;
}
void NoCircuitExpressionContext::MarkDeviceReference(const PartRef&, int, int) {}
void NoCircuitExpressionContext::RequestPowerTotals() {}
int NoCircuitExpressionContext::ResolveCurveReferences(CompiledExpression*, int) { return 0; }
double NoCircuitExpressionContext::CurveValue(int, int) const { return 0.0; }
bool NoCircuitExpressionContext::CheckPhaseMarginCurve(int) { return false; }
int NoCircuitExpressionContext::EvaluatePerformance(int, int, CompiledExpression*, const double*, int, double*) {
    return 10424;
}
double NoCircuitExpressionContext::NoiseValue(bool) const { return 1e-50; }
int NoCircuitExpressionContext::AddTimeBreakpoint(long long) { return 0; }
void* NoCircuitExpressionContext::StopRunForCompileError() { return nullptr; }
int NoCircuitExpressionContext::SubstituteDefines(std::string_view text, int, std::string* out) const {
    *out = std::string(text);
    return 0;
}

ExpressionContext& NoCircuitContext() {
    static NoCircuitExpressionContext context;
    return context;
}

}  // namespace ob7
