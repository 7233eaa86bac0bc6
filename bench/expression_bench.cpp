// A typical device formula compiled once and evaluated a million times per run; the
// reported time per iteration is the time of one evaluation.

#include <benchmark/benchmark.h>

#include <cstdio>

#include "expression/compiler.h"
#include "expression/expression.h"
#include "expression/expression_context.h"

namespace {

using namespace ob7;

// Two nodes A and B in a transient run; nothing else of a circuit.
class TwoNodes final : public NoCircuitExpressionContext {
public:
    double v[3] = {0.0, 0.6, 0.1};
    int FindNode(std::string_view name, int) const override { return name == "A" ? 1 : name == "B" ? 2 : -1; }
    int AnalogNodeCount() const override { return 2; }
    const double* NodeVoltage(int node) const override { return &v[node]; }
    bool IsSolutionEntry(const double* p) const override { return p >= v && p < v + 3; }
    ComplexValue SolutionValue(int node) const override { return ComplexValue{v[node], 0.0}; }
};

void BM_DeviceFormula(benchmark::State& state) {
    TwoNodes circuit;
    circuit.run.analysis_kind = 0;
    CompiledExpression e;
    InitCompiledExpression(&e);
    ExpressionCompiler c;
    InitExpressionCompiler(&c, "1e-12*(EXP(V(A,B)/0.025)-1) + V(A)*SIN(2*PI*1MEG*T)", &e, 0x1, 2048);
    c.context = &circuit;
    if (CompileExpression(&c)) {
        state.SkipWithError("compile failed");
        return;
    }
    ComplexValue v;
    double t = 0.0;
    for (auto _ : state) {
        circuit.run.time = t;
        t += 1e-9;
        EvaluateExpression(&e, &v);
        benchmark::DoNotOptimize(v);
    }
    FreeExpression(&e);
}
BENCHMARK(BM_DeviceFormula)->Iterations(1000000)->Unit(benchmark::kNanosecond);

}  // namespace

BENCHMARK_MAIN();
