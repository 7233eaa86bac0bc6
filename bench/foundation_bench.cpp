// Netlist reading rests on these: splitting lines into fields without allocating per
// field, and reading numbers with engineering suffixes.
#include <benchmark/benchmark.h>

#include <string>

#include "foundation/numbers.h"
#include "foundation/pool_list.h"
#include "foundation/tokenizer.h"

namespace {

void SplitNetlistLines(benchmark::State& state) {
    const char* lines[] = {"R1 1 2 4.7K", "C1 A B 10uF ; load", "Q1 C B E 2N2222 AREA=1.5",
                           "V1 IN 0 PULSE(0 5 1n 1n 1n 10u 20u)"};
    ob7::CStrArray array{};
    for (auto _ : state)
        for (const char* line : lines)
            benchmark::DoNotOptimize(ob7::TokenizeLine(&array, line, 0));
    array.Free();
    state.SetItemsProcessed(state.iterations() * 4);
}
BENCHMARK(SplitNetlistLines);

void ParseEngineeringNumbers(benchmark::State& state) {
    const char* texts[] = {"4K7", "10MEG", "2.2u", "1.5NS", "100", "1e-12"};
    for (auto _ : state)
        for (const char* text : texts)
            benchmark::DoNotOptimize(ob7::ParseNumber(text, nullptr));
    state.SetItemsProcessed(state.iterations() * 6);
}
BENCHMARK(ParseEngineeringNumbers);

struct Record : ob7::PoolNode {
    double value;
};

void PooledNodes(benchmark::State& state) {
    for (auto _ : state) {
        ob7::CPoolList list;
        list.Init();
        list.nodeSize = sizeof(Record);
        list.SetPooled(1000);
        for (int i = 0; i < 10000; ++i)
            benchmark::DoNotOptimize(list.NewNode(0));
        list.RemoveAll();
    }
    state.SetItemsProcessed(state.iterations() * 10000);
}
BENCHMARK(PooledNodes);

}  // namespace

BENCHMARK_MAIN();
