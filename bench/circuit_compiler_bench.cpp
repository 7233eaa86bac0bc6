// Compiling read SPICE text circuits into the engine's device lists (the read itself is
// not timed): a flat circuit of 100,000 devices, and one of 10,000 subcircuit calls.
// Goal: under 1 s each, memory linear in the circuit.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "foundation/paths.h"
#include "netlist/compiler/circuit_compiler.h"
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

void PrepareProgramFolder() {
    static bool done = [] {
        const fs::path home = fs::temp_directory_path() / ("ob7_bench_compiler_" + std::to_string(::getpid()));
        fs::create_directories(home);
        std::ofstream(home / "NOM.LIB") << "* empty\n";
        ::setenv("OB7_HOME", home.c_str(), 1);
        GetModuleFolder();
        SetDefaultFolders();
        return true;
    }();
    (void)done;
}

// A ladder: a source, then per stage a series resistor, a capacitor and a diode to
// ground; every node has a DC path and no loop of sources.
std::string FlatCircuit(int devices) {
    std::string t = "flat circuit\nV0 N0 0 DC 1\n";
    t.reserve(static_cast<size_t>(devices) * 24);
    for (int i = 0; i < devices - 1; ++i) {
        const int stage = i / 3;
        const std::string a = "N" + std::to_string(stage), b = "N" + std::to_string(stage + 1);
        switch (i % 3) {
        case 0: t += "R" + std::to_string(i) + " " + a + " " + b + " 1K\n"; break;
        case 1: t += "C" + std::to_string(i) + " " + b + " 0 1P\n"; break;
        default: t += "D" + std::to_string(i) + " " + b + " 0 DX\n"; break;
        }
    }
    t += ".MODEL DX D(IS=1E-14 RS=1)\n.END\n";
    return t;
}

std::string CallCircuit(int calls) {
    std::string t = "calls\nV0 N0 0 DC 1\n";
    for (int i = 0; i < calls; ++i)
        t += "X" + std::to_string(i) + " N" + std::to_string(i) + " N" + std::to_string(i + 1) +
             " STAGE PARAMS: R=" + std::to_string(1 + i % 9) + "K\n";
    t += ".SUBCKT STAGE IN OUT PARAMS: R=1K\nR1 IN M {R}\nC1 M 0 1P\nR2 M OUT 1K\n.ENDS\n.END\n";
    return t;
}

void Compile(benchmark::State& state, const std::string& text) {
    PrepareProgramFolder();
    QuietCircuit services;
    StringTextPage page("bench.cir", text);
    for (auto _ : state) {
        state.PauseTiming();
        auto circuit = std::make_unique<NetlistCircuit>(services, page);
        circuit->analysisKind = 2;
        if (ReadTextCircuit(*circuit) != 0) state.SkipWithError("the read failed");
        state.ResumeTiming();
        CompileResult result;
        if (CompileCircuit(*circuit, {}, &result) != 0) state.SkipWithError("the compile failed");
        benchmark::DoNotOptimize(result.nodeCount);
        state.PauseTiming();
        ClearCompiledDevices();
        circuit.reset();
        state.ResumeTiming();
    }
}

void BM_CompileFlatCircuit(benchmark::State& state) {
    static const std::string text = FlatCircuit(100000);
    Compile(state, text);
}
BENCHMARK(BM_CompileFlatCircuit)->Unit(benchmark::kMillisecond);

void BM_CompileSubcircuitCalls(benchmark::State& state) {
    static const std::string text = CallCircuit(10000);
    Compile(state, text);
}
BENCHMARK(BM_CompileSubcircuitCalls)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
