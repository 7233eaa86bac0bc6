// Event rate of the digital simulator: a random 10,000-gate logic circuit and a
// 1,000-stage shift register. The counter "events" is the rate of events taken from the
// queue and applied (each one resolves its node and evaluates the node's readers).

#include <benchmark/benchmark.h>

#include <random>
#include <string>

#include "foundation/report_sink.h"
#include "sim/digital/digital_network.h"
#include "sim/engine/simulation_options.h"

using namespace ob7;

namespace {

DigitalPartDesc Part(int type, std::vector<int> pins, double tplh, double tphl) {
    DigitalPartDesc p;
    p.type = type;
    p.pins = std::move(pins);
    p.timing.values = {{"TPLHTY", tplh}, {"TPHLTY", tphl}, {"TPCLKQLHTY", tplh}, {"TPCLKQHLTY", tphl},
                       {"TPPCQLHTY", tplh}, {"TPPCQHLTY", tphl}};
    return p;
}

// 64 primary inputs changing at random every 20 ns feed 10,000 two-input gates, each
// reading two earlier nodes.
DigitalCircuitDesc RandomLogic(int gates) {
    std::mt19937 rng(7);
    DigitalCircuitDesc c;
    const int inputs = 64;
    c.node_count = inputs + gates;
    DigitalPartDesc stim;
    stim.type = kCtStim;
    stim.name = "IN";
    for (int i = 1; i <= inputs / 2; ++i) stim.pins.push_back(i);
    stim.attributes["FORMAT"] = "44444444";
    stim.attributes["COMMAND"] = "0 00000000 REPEAT FOREVER +20ns RND ENDREPEAT";
    DigitalPartDesc stim2 = stim;
    stim2.name = "IN2";
    stim2.pins.clear();
    for (int i = inputs / 2 + 1; i <= inputs; ++i) stim2.pins.push_back(i);
    c.parts.push_back(stim);
    c.parts.push_back(stim2);
    const int types[] = {kCtAnd, kCtOr, kCtNand, kCtNor, kCtXor, kCtNxor};
    for (int g = 0; g < gates; ++g) {
        const int out = inputs + g + 1;
        // Mostly recent nodes, so that activity spreads through deep cones.
        std::uniform_int_distribution<int> near(std::max(1, out - 200), out - 1);
        const int a = near(rng), b = near(rng);
        const double d1 = (1 + rng() % 3) * 1e-9, d2 = (1 + rng() % 3) * 1e-9;
        c.parts.push_back(Part(types[rng() % 6], {a, b, out}, d1, d2));
    }
    c.node_names.resize(c.node_count + 1);
    return c;
}

// A clock, a data stream and `stages` D flip-flops in a chain.
DigitalCircuitDesc ShiftRegister(int stages) {
    DigitalCircuitDesc c;
    const int hi = 1, clk = 2, data = 3;
    c.node_count = 3 + 2 * stages;
    c.hi_node = hi;
    DigitalPartDesc clock;
    clock.type = kCtStim;
    clock.pins = {clk, data};
    clock.attributes["FORMAT"] = "11";
    clock.attributes["COMMAND"] = "0 00 REPEAT FOREVER +5ns 1? +5ns 0? ENDREPEAT";
    c.parts.push_back(clock);
    int d = data;
    for (int s = 0; s < stages; ++s) {
        const int q = 4 + 2 * s, qb = 5 + 2 * s;
        c.parts.push_back(Part(kCtDff, {hi, hi, clk, d, q, qb}, 1e-9, 1e-9));
        d = q;
    }
    c.node_names.resize(c.node_count + 1);
    return c;
}

struct NullSink : ReportSink {
    int Deliver(const ReportDelivery&) override { return 0; }
};

void Run(benchmark::State& state, const DigitalCircuitDesc& circuit, double tmax) {
    static NullSink sink;
    SetBatchLogSink(&sink);
    Options = kStandardOptionValues;
    long long events = 0, evaluations = 0;
    for (auto _ : state) {
        state.PauseTiming();
        if (SetupDigitalPrimitives(circuit) != 0) {
            state.SkipWithError("set-up failed");
            return;
        }
        SetDigitalTickLength(0, tmax);
        ComputeDigitalPrimitiveDelays();
        ResetDigitalCase(true);
        ScheduleStimulusEvents();
        ApplyInitialDigitalEvents();
        SettleDigitalStates();
        DigitalRun.applied_events = 0;
        DigitalRun.evaluations = 0;
        state.ResumeTiming();
        if (RunDigitalEventsUntil(DigitalTimeTick(tmax)) != 0) state.SkipWithError("run failed");
        events += DigitalRun.applied_events;
        evaluations += DigitalRun.evaluations;
        state.PauseTiming();
        FreeDigitalNetwork();
        state.ResumeTiming();
    }
    state.counters["events"] = benchmark::Counter(static_cast<double>(events), benchmark::Counter::kIsRate);
    state.counters["evaluations"] = benchmark::Counter(static_cast<double>(evaluations), benchmark::Counter::kIsRate);
}

void BM_RandomLogic10k(benchmark::State& state) { Run(state, RandomLogic(10000), 2e-6); }
// Long enough for the data to fill every stage several times over.
void BM_ShiftRegister1000(benchmark::State& state) { Run(state, ShiftRegister(1000), 40e-6); }

}  // namespace

BENCHMARK(BM_RandomLogic10k)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ShiftRegister1000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
