// Finding a model by name in a library of 20,000 models: the look-up in the loaded index
// data, and the whole search that reads the statement and adds it to the circuit.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "netlist/circuit_tables.h"

namespace {

using namespace ob7;
namespace fs = std::filesystem;

constexpr int kModels = 20000;

struct QuietCircuit final : NetlistCircuitServices {
    std::string Title() const override { return "bench.cir"; }
    bool IsSchematic() const override { return false; }
    bool IsModified() const override { return false; }
    int ApplyParamStatement(NetlistCircuitTables&, const std::string&, int, const std::string&, int) override {
        return 0;
    }
    void CheckModelParameterLimits(NetlistCircuitTables&, int, const ModelParams&) override {}
};

std::string ModelName(int i) { return "D" + std::to_string(i * 7919 % 1000003) + "X"; }

// A text library of kModels diode models and its index, made once.
struct BigLibrary {
    fs::path dir = fs::temp_directory_path() / ("ob7_bench_lib_" + std::to_string(::getpid()));
    fs::path library = dir / "BIG.LIB";
    BigLibrary() {
        fs::create_directories(dir);
        std::ofstream out(library);
        for (int i = 0; i < kModels; ++i)
            out << ".MODEL " << ModelName(i) << " D (IS=" << (i % 9 + 1) << "N RS=0.5 N=1.5)\n";
    }
    ~BigLibrary() { fs::remove_all(dir); }
};

BigLibrary& Library() {
    static BigLibrary library;
    return library;
}

// A circuit whose library list holds the big library, its index built and loaded.
struct IndexedCircuit {
    QuietCircuit circuit;
    NetlistCircuitTables tables{circuit};
    IndexedCircuit() {
        int error = 0;
        AddLibraryReference(tables, Library().library.string(), 0, nullptr, false);
        FindModelOrSubckt(tables, kModelDiode, ModelName(0), kFindModel, &error);
    }
};

void BM_IndexLookUp(benchmark::State& state) {
    IndexedCircuit c;
    const LibraryIndexData& data = c.tables.libraries[0][0].index;
    int i = 0;
    for (auto _ : state) {
        const int r = FindIndexedRecord(data, kIndexModel, kModelDiode, ModelName(i));
        benchmark::DoNotOptimize(r);
        i = (i + 4099) % kModels;
    }
}
BENCHMARK(BM_IndexLookUp);

void BM_FindModelInLibrary(benchmark::State& state) {
    IndexedCircuit c;
    NetlistCircuitTables& tables = c.tables;
    tables.models.clear();
    int error = 0;
    int i = 0;
    for (auto _ : state) {
        const long r = FindModelOrSubckt(tables, kModelDiode, ModelName(i), kFindModel, &error);
        if (r < 0 || error) {
            state.SkipWithError("model not found");
            break;
        }
        tables.models.pop_back();
        i = (i + 4099) % kModels;
    }
}
BENCHMARK(BM_FindModelInLibrary);

void BM_LoadIndex(benchmark::State& state) {
    IndexedCircuit c;
    const std::string index = MakeIndexFileName(c.tables.libraries[0][0].name);
    LibraryIndexData data;
    for (auto _ : state) benchmark::DoNotOptimize(ReadLibraryIndex(index, data));
}
BENCHMARK(BM_LoadIndex);

}  // namespace

BENCHMARK_MAIN();
