// Storing the points of a long run: 10 million points of a curve (sweep, X and Y
// columns), in memory and through the swap file. The FFT of the largest DSP arrays.
#include <benchmark/benchmark.h>

#include <cstdint>

#include "analysis/dsp.h"
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
        ob7::BeginRun(curves, runs, ob7::RunStartValues{});
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

void FftOfDspArrays(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::vector<double> re(n), im(n);
    for (int i = 0; i < n; ++i)
        re[i] = (i * 7919 % 1000) * 1e-3;
    for (auto _ : state) {
        ob7::Fft(n, re.data(), im.data(), ob7::kFftForward);  // there and back keeps the values finite
        ob7::Fft(n, re.data(), im.data(), ob7::kFftInverse);
        benchmark::DoNotOptimize(re.data());
    }
    state.SetItemsProcessed(state.iterations() * 2 * n);
}
BENCHMARK(FftOfDspArrays)->Arg(1024)->Arg(262144)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
