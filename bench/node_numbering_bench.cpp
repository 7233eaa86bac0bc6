// Numbering the nodes of a generated schematic of 100,000 parts (a ladder of resistors
// and capacitors on ten pages, with wires, ground symbols and node-name texts), and
// writing and reading the same circuit as a circuit file. The goal: numbering under a
// second.

#include <benchmark/benchmark.h>

#include <string>

#include "circuit/circuit_file.h"
#include "circuit/node_numbering.h"
#include "libraries/component_library.h"
#include "libraries/component_types.h"
#include "libraries/shape.h"

namespace {

using namespace ob7;

constexpr int kParts = 100000;

ComponentDef* MakeDef(ComponentLibrary& lib, const char* name, int type, int pins, int dx, int dy)
{
    ComponentDef* d = lib.Add();
    d->Clear();
    d->name = name;
    d->type = type;
    d->pins.resize(static_cast<size_t>(pins));
    for (int i = 0; i < pins; ++i) {
        d->pins[i].x = static_cast<int16_t>(i * dx);
        d->pins[i].y = static_cast<int16_t>(i * dy);
    }
    SetComponentShape(*d, &DefaultShape());
    return d;
}

// Per page rows of cells; each cell: a resistor to the right, a capacitor down to a
// ground symbol, a wire to the next row, and every tenth cell a node-name text shared
// with the same cell of the next page.
void Generate(CircuitDocument& doc)
{
    static ComponentLibrary* lib = [] {
        InitMissingComponentPlaceholder();
        return &ComponentLibraryTable()[AddComponentLibrary("bench.cmp")];
    }();
    static ComponentDef* r = MakeDef(*lib, "BenchR", CT_RESISTOR, 2, 4, 0);
    static ComponentDef* c = MakeDef(*lib, "BenchC", CT_CAPACITOR, 2, 0, 4);
    static ComponentDef* g = MakeDef(*lib, "BenchGround", CT_GROUND, 1, 0, 0);
    int parts = 0;
    for (int page = 0; parts < kParts; ++page) {
        for (int row = 0; row < 100 && parts < kParts; ++row) {
            int y = 10 + row * 12;
            for (int col = 0; col < 40 && parts < kParts; ++col) {
                int x = 10 + col * 4;
                doc.AddPart(r, x, y, page);
                doc.AddPart(c, x + 4, y, page);
                doc.AddPart(g, x + 4, y + 4, page);
                parts += 3;
                if (col == 0)
                    doc.AddWire(x, y, x, y + 12, page);
                if (col % 10 == 5)
                    doc.AddGridText("N" + std::to_string(row) + "_" + std::to_string(col), x, y, page);
            }
        }
    }
    doc.pages.resize(static_cast<size_t>(doc.objects.back()->page) + 1);
}

void BM_NumberNodes(benchmark::State& state)
{
    CircuitDocument doc;
    Generate(doc);
    for (auto _ : state) {
        int code = NumberNodes(doc);
        benchmark::DoNotOptimize(code);
    }
    state.counters["parts"] = static_cast<double>(kParts);
    state.counters["nodes"] = doc.nodeCount;
}
BENCHMARK(BM_NumberNodes)->Unit(benchmark::kMillisecond);

void BM_SaveAndReadCircuitFile(benchmark::State& state)
{
    CircuitDocument doc;
    Generate(doc);
    std::string text;
    for (auto _ : state) {
        CircuitFile writer;
        writer.Compose(doc, kCircuitVersion70, text);
        CircuitDocument back;
        CircuitFile reader;
        int code = reader.Parse(text, back, kLoadQuiet);
        benchmark::DoNotOptimize(code);
    }
    state.counters["bytes"] = static_cast<double>(text.size());
}
BENCHMARK(BM_SaveAndReadCircuitFile)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
