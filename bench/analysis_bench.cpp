// Storing the points of a long run: 10 million points of a curve (sweep, X and Y
// columns), in memory and through the swap file.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "analysis/point_store.h"
#include "analysis/runs.h"

namespace {

std::uint64_t NoPageFile() { return 0; }

void StoreTenMillionPoints(benchmark::State& state) {
    const int points = 10'000'000;
    for (auto _ : state) {
        ob7::PointStore store;
        store.SetSwapFileName("graph7_bench.tmp");
        if (state.range(0))
            store.SetAvailablePageFileProbe(NoPageFile);
        std::vector<ob7::StoreCurve> curves(1);
        ob7::RunBook runs;
        ob7::PrepareDataColumns(store, curves, runs, 1, false);
        store.Reset();
        ob7::BeginRun(curves, runs, ob7::RunValues{});
        for (int i = 0; i < points; ++i) {
            double t = i * 1e-9;
            store.SetPointValue(0, i, t);
            store.SetPointValue(curves[0].columns[0], i, t);
            store.SetPointValue(curves[0].columns[1], i, 0.5 * t);
            ob7::CountStoredPoint(store, curves[0], runs);
        }
        benchmark::DoNotOptimize(store.GetPointValue(2, points / 2));
        store.Free();
        store.CloseSwapFile();
    }
    state.SetItemsProcessed(state.iterations() * points);
}
BENCHMARK(StoreTenMillionPoints)->Arg(0)->Arg(1)->ArgNames({"file"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
