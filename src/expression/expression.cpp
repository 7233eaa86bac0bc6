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

namespace {

class NoCircuit final : public ExpressionContext {
public:
    const RunValues& Run() const override { return run_; }
    int FindNode(std::string_view, int) const override { return -1; }
    int AnalogNodeCount() const override { return 0; }
    int DigitalNodeCount() const override { return 0; }
    const double* NodeVoltage(int) const override { return nullptr; }
    const uint16_t* DigitalNodeState(int) const override { return nullptr; }
    bool IsSolutionEntry(const double*) const override { return false; }
    ComplexValue SolutionValue(int) const override { return ComplexValue{}; }
    bool FindPart(std::string_view, int, PartRef*) const override { return false; }
    int PartQuantity(const PartRef&, int, char, char, QuantityTerms*) const override { return 10416; }
    int FindDeviceBetweenNodes(int, int, int32_t, PartRef*, bool*) const override { return 10413; }
    const void* CoreDevice(const PartRef&) const override { return nullptr; }
    double CoreValue(const void*, int) const override { return 0.0; }
    const double* ModelParameter(std::string_view, std::string_view, int, bool*) const override { return nullptr; }
    void MarkDeviceReference(const PartRef&, int, int) override {}
    void RequestPowerTotals() override {}
    int ResolveCurveReferences(CompiledExpression*, int) override { return 0; }
    double CurveValue(int, int) const override { return 0.0; }
    bool CheckPhaseMarginCurve(int) override { return false; }
    int EvaluatePerformance(int, int, CompiledExpression*, const double*, int, double*) override { return 10424; }
    double NoiseValue(bool) const override { return 1e-50; }
    int AddTimeBreakpoint(long long) override { return 0; }
    void* StopRunForCompileError() override { return nullptr; }
    int SubstituteDefines(std::string_view text, int, std::string* out) const override {
        *out = std::string(text);
        return 0;
    }

private:
    RunValues run_;
};

}  // namespace

ExpressionContext& NoCircuitContext() {
    static NoCircuit context;
    return context;
}

}  // namespace ob7
