// Reading SPICE text circuits: a generated flat netlist of 100,000 lines, and a netlist
// of 10,000 subcircuit calls whose bodies are expanded scope by scope. Goal: under
// 0.5 s each, memory linear in the deck.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/paths.h"
#include "netlist/netlist_reader.h"

namespace {

using namespace ob7;
namespace fs = std::filesystem;

struct QuietCircuit final : NetlistCircuitServices {
    std::string Title() const override { return "bench.cir"; }
    bool IsSchematic() const override { return false; }
    bool IsModified() const override { return false; }
    int ApplyParamStatement(NetlistCircuitTables&, const std::string&, int, const std::string&, int) override {
        return 0;
    }
    void CheckModelParameterLimits(NetlistCircuitTables&, int, const ModelParams&) override {}
};

// A program folder with an empty default library, made once.
void PrepareProgramFolder() {
    static bool done = [] {
        const fs::path home = fs::temp_directory_path() / ("ob7_bench_netlist_" + std::to_string(::getpid()));
        fs::create_directories(home);
        std::ofstream(home / "NOM.LIB") << "* empty\n";
        ::setenv("OB7_HOME", home.c_str(), 1);
        GetModuleFolder();
        SetDefaultFolders();
        return true;
    }();
    (void)done;
}

std::string FlatNetlist(int lines) {
    std::string t = "flat netlist\n";
    t.reserve(static_cast<size_t>(lines) * 32);
    for (int i = 0; i < lines - 5; ++i) {
        const std::string a = "N" + std::to_string(i % 40000), b = "N" + std::to_string((i * 7 + 1) % 40000);
        switch (i % 4) {
        case 0: t += "R" + std::to_string(i) + " " + a + " " + b + " 1K\n"; break;
        case 1: t += "C" + std::to_string(i) + " " + a + " 0 1P\n"; break;
        case 2: t += "D" + std::to_string(i) + " " + a + " " + b + " DX\n"; break;
        default: t += "V" + std::to_string(i) + " " + a + " " + b + " DC 0 AC 1 SIN(0 1 1K)\n"; break;
        }
    }
    t += ".MODEL DX D(IS=1E-14)\n.TRAN 1N 1U\n.PRINT TRAN V(N1)\n.END\n";
    return t;
}

std::string CallNetlist(int calls) {
    std::string t = "calls\n";
    for (int i = 0; i < calls; ++i)
        t += "X" + std::to_string(i) + " N" + std::to_string(i) + " N" + std::to_string(i + 1) +
             " STAGE PARAMS: R=" + std::to_string(1 + i % 9) + "K\n";
    t += ".SUBCKT STAGE IN OUT PARAMS: R=1K\nR1 IN M {R}\nC1 M 0 1P\nR2 M OUT 1K\n.ENDS\n.END\n";
    return t;
}

// Reads the text once per iteration; the counter "heap/line" is the memory the read
// circuit holds per line of the deck, so that runs of two sizes show it linear.
void Read(benchmark::State& state, const std::string& text) {
    PrepareProgramFolder();
    QuietCircuit services;
    StringTextPage page("bench.cir", text);
    size_t held = 0;
    for (auto _ : state) {
        const size_t before = mallinfo2().uordblks;
        NetlistCircuit circuit(services, page);
        circuit.analysisKind = 0;
        if (ReadTextCircuit(circuit) != 0) state.SkipWithError("the read failed");
        held = mallinfo2().uordblks - before;
        benchmark::DoNotOptimize(circuit.parts.size());
    }
    const auto lines = static_cast<double>(std::count(text.begin(), text.end(), '\n'));
    state.counters["heap/line"] = static_cast<double>(held) / lines;
}

void BM_ReadFlatNetlist(benchmark::State& state) {
    const std::string text = FlatNetlist(static_cast<int>(state.range(0)));
    Read(state, text);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
}
BENCHMARK(BM_ReadFlatNetlist)->Arg(25000)->Arg(100000)->Unit(benchmark::kMillisecond);

void BM_ReadSubcircuitCalls(benchmark::State& state) {
    const std::string text = CallNetlist(static_cast<int>(state.range(0)));
    Read(state, text);
}
BENCHMARK(BM_ReadSubcircuitCalls)->Arg(2500)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
