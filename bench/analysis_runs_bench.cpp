// Storing the points of a long run: 10 million points of a curve (sweep, X and Y
// columns), in memory and through the swap file. The FFT of the largest DSP arrays. The
// run cycle's share of a transient run: an RC ladder deck of 1,000 sections run with its
// three curves evaluated and stored at every point (store=1) against the same run whose
// points go nowhere (store=0); the difference is what curves and point store add; and the
// same run with its numeric output (output=1: operating point, device tables, curve
// table) against one without. A 100,000-point run with and without its numeric output of
// 100,001 rows.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "analysis/dsp.h"
#include "analysis/point_store.h"
#include "analysis/runs.h"
#include "analysis/text_circuit_analysis.h"
#include "foundation/paths.h"
#include "foundation/report_sink.h"
#include "sim/analysis/point_sink.h"

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

struct NullSink : ob7::PointSink {
    int AcceptPoint(double) override { return 0; }
};

struct QuietReports : ob7::ReportSink {
    int Deliver(const ob7::ReportDelivery&) override { return 0; }
};

// A home folder with the shipped library's stand-in, reports kept quiet.
std::filesystem::path BenchHome(const char* name) {
    const std::filesystem::path home = std::filesystem::temp_directory_path() / name;
    std::filesystem::create_directories(home);
    std::ofstream(home / "NOM.LIB") << "* empty\n";
    ::setenv("OB7_HOME", home.c_str(), 1);
    ob7::GetModuleFolder();
    ob7::SetDefaultFolders();
    static QuietReports quiet;
    ob7::SetBatchLogSink(&quiet);
    return home;
}

// Runs the deck's transient `state` times; store=0 hands the points nowhere, output=0
// writes no numeric output.
long RunDeck(benchmark::State& state, const std::filesystem::path& home, const std::string& deck, bool store,
             bool output) {
    long points = 0;
    for (auto _ : state) {
        ob7::TextCircuitAnalysis circuit;
        circuit.OpenText((home / "deck.cir").string(), deck);
        circuit.prepareRun = [store, output](ob7::AnalysisRun& run) {
            if (!output) run.numericOutputPath.clear();
            if (store) return;
            auto solve = run.solveCase;
            run.solveCase = [solve](const ob7::RunCase& c, ob7::PointSink&) {
                NullSink nowhere;
                return solve(c, nowhere);
            };
        };
        if (circuit.RunAnalysis(0)) state.SkipWithError("the run failed");
        points = circuit.AcceptedPoints();
        circuit.Close();
    }
    return points;
}

void RcLadderRunCycle(benchmark::State& state) {
    const int n = 1000;
    const std::filesystem::path home = BenchHome("ob7_bench_run_cycle");
    std::ostringstream deck;
    deck << "RC ladder\nV1 1 0 PULSE(0 1 0 1n 1n 1 2)\n";
    for (int k = 1; k <= n; ++k) deck << "R" << k << " " << k << " " << k + 1 << " 1k\nC" << k << " " << k + 1 << " 0 1n\n";
    deck << ".TRAN 10n 10u 0 10n\n.PRINT TRAN V(2) V(500) V(1001)\n.END\n";
    const long points = RunDeck(state, home, deck.str(), state.range(0) != 0, state.range(1) != 0);
    state.counters["points"] = static_cast<double>(points);
    ob7::SetBatchLogSink(nullptr);
    std::filesystem::remove_all(home);
}
BENCHMARK(RcLadderRunCycle)
    ->Args({0, 0})
    ->Args({1, 0})
    ->Args({1, 1})
    ->ArgNames({"store", "output"})
    ->Unit(benchmark::kMillisecond);

void LongRunNumericOutput(benchmark::State& state) {
    const std::filesystem::path home = BenchHome("ob7_bench_numeric_output");
    const std::string deck =
        "RC low-pass\nV1 1 0 SIN(0 1 100k)\nR1 1 2 1k\nC1 2 0 1n\nR2 2 3 1k\nC2 3 0 1n\n"
        ".TRAN 1n 100u 0 1n\n.PRINT TRAN V(1) V(2) V(3)\n.END\n";
    const long points = RunDeck(state, home, deck, true, state.range(0) != 0);
    state.counters["points"] = static_cast<double>(points);
    ob7::SetBatchLogSink(nullptr);
    std::filesystem::remove_all(home);
}
BENCHMARK(LongRunNumericOutput)->Arg(0)->Arg(1)->ArgNames({"output"})->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
