// Whole analyses on generated circuits, each beside ngspice on the same circuit written
// as a deck (when ngspice is installed and OB7_BENCH_NGSPICE is set: its runs are long).
// Counters: our seconds, ngspice's (wall clock of "ngspice -b", start-up included),
// their ratio, our accounting (time points, rejected steps, Newton iterations and
// iterations a point), ngspice's own accounting where it keeps one (ng_points,
// ng_rejected, ng_iterations) and how far our answer lies from ngspice's ("deviation"): the
// ladder's worst difference at two nodes in parts of the curve's span, after resampling
// onto ngspice's time points; the ring's relative difference of the oscillation period
// (its phase drifts over the run, so the curves are not compared point by point); the
// grid's relative difference of the far corner's voltage. (The ring's period: ngspice at
// these settings 24.64 ns, ngspice with RELTOL 1e-5 and a 20 ps step 23.81 ns, ours 23.76
// ns; so most of that deviation is ngspice's own step error.)
//
// The ring's rate_early and rate_late: our accepted points per ns over ngspice's, from
// 1/12 to 1/3 of the run and in its last third. Ours stay fixed once the oscillation is
// steady (455 points a period from the 20th period on); ngspice's fall over the run (447
// a period at 40 ns, 312 at 3.6 us) and its period lengthens with them (24.24 ns early,
// 24.65 ns late): its capacitor current states take on a trapezoidal ringing that no
// first-order step clears after the last breakpoint, and the current tolerance grows with
// it. Ours are cleared by the first-order step after each ITL4 cut. ngspice 39 applies no
// ITL4 limit here (ITL4 from 1 to 12 gives the same accounting), so OB7_BENCH_ITL4 changes
// only our run.
//
//   RcLadder/10000      10,000 sections of 1 kohm and 1 nF on a 1 V step, 10 us in 1,000
//                       output points (maximum step 10 ns)
//   RingOscillator/101/3700  101 CMOS inverters of level-1 MOSFETs started from rest (UIC:
//                       the metastable operating point of a long ring is too ill-conditioned
//                       to be worth solving) with the supply ramped in 1 ns and a current
//                       kick, 3.7 us, about 155 periods (maximum step 0.1 ns); /21/100 and
//                       /101/300 are the same circuit shorter, for comparing step sequences
//                       (OB7_BENCH_RING_TIMES=file writes our accepted times and node 1's
//                       voltages, every node's with OB7_BENCH_RING_ALL set; ngspice's are in
//                       its raw file) and OB7_BENCH_ITL4=n sets ITL4
//   GridOp/300          a 300 x 300 grid of 1 kohm resistors, 1 V at one corner, 1 mA
//                       drawn at the other: one operating point
//
// OB7_BENCH_ACCT=1 adds our own split (load_s, factor_s with ordering, solve_s, trunc_s;
// the timers cost about 1% of a run) beside ngspice's (ng_load_s ...).
//
// Run: OB7_BENCH_NGSPICE=1 build-*/bench/analysis_bench --benchmark_counters_tabular=true
// (ngspice's decks, raw files and logs with its accounting: /tmp/ob7_bench_*, or
// OB7_BENCH_FILES* when that is set)

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "expression/math_error.h"
#include "sim/analysis/point_sink.h"
#include "sim/analysis/transient.h"
#include "sim/devices/capacitor.h"
#include "sim/devices/circuit_models.h"
#include "sim/devices/independent_sources.h"
#include "sim/devices/mosfet.h"
#include "sim/devices/resistor.h"
#include "sim/engine/load_pass.h"
#include "sim/engine/run_accounting.h"
#include "sim/engine/simulation_options.h"
#include "sim/engine/solver_state.h"

namespace ob7 {
void RegisterDeviceKinds();
}

namespace {

using namespace ob7;

// The time and the voltages of some nodes at every accepted point.
struct NodeSink : PointSink {
    std::vector<int> nodes;
    std::vector<double> t;
    std::vector<std::vector<double>> v;
    explicit NodeSink(std::vector<int> which) : nodes(std::move(which)), v(nodes.size()) {}
    int AcceptPoint(double x) override {
        t.push_back(x);
        for (size_t k = 0; k < nodes.size(); ++k) v[k].push_back(Solution[nodes[k]]);
        return 0;
    }
};

// The columns of an ngspice binary raw file of real vectors, by name; empty when it
// cannot be read.
using RawColumns = std::map<std::string, std::vector<double>>;
RawColumns ReadNgspiceRaw(const std::string& path) {
    RawColumns columns;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    int variables = 0, points = 0;
    std::vector<std::string> names;
    while (std::getline(in, line)) {
        if (line.rfind("No. Variables:", 0) == 0) variables = std::atoi(line.c_str() + 14);
        if (line.rfind("No. Points:", 0) == 0) points = std::atoi(line.c_str() + 11);
        if (line.rfind("Variables:", 0) == 0)
            for (int k = 0; k < variables && std::getline(in, line); ++k) {
                std::istringstream fields(line);
                std::string index, name;
                fields >> index >> name;
                names.push_back(name);
            }
        if (line.rfind("Binary:", 0) == 0) break;
    }
    if (!in || variables == 0 || static_cast<int>(names.size()) != variables) return columns;
    std::vector<double> row(variables);
    for (const std::string& name : names) columns[name].reserve(points);
    for (int p = 0; p < points; ++p) {
        if (!in.read(reinterpret_cast<char*>(row.data()), sizeof(double) * variables)) return {};
        for (int k = 0; k < variables; ++k) columns[names[k]].push_back(row[k]);
    }
    return columns;
}

// Ours at t by linear interpolation.
double At(const std::vector<double>& t, const std::vector<double>& v, double x) {
    auto it = std::lower_bound(t.begin(), t.end(), x);
    if (it == t.begin()) return v.front();
    if (it == t.end()) return v.back();
    const size_t i = it - t.begin();
    return v[i - 1] + (v[i] - v[i - 1]) * (x - t[i - 1]) / (t[i] - t[i - 1]);
}

// Worst difference at ngspice's time points, in parts of its curve's span.
double DeviationOfSpan(const std::vector<double>& t, const std::vector<double>& v, const std::vector<double>& rt,
                       const std::vector<double>& rv) {
    if (t.empty() || rt.empty() || rt.size() != rv.size()) return -1;
    const auto [lo, hi] = std::minmax_element(rv.begin(), rv.end());
    const double span = std::max(*hi - *lo, 1e-30);
    double worst = 0;
    for (size_t i = 0; i < rt.size(); ++i) worst = std::max(worst, std::fabs(At(t, v, rt[i]) - rv[i]) / span);
    return worst;
}

// The mean time between rising crossings of the level after time `from`; 0 without two.
double MeanPeriod(const std::vector<double>& t, const std::vector<double>& v, double level, double from) {
    std::vector<double> crossings;
    for (size_t i = 1; i < t.size(); ++i)
        if (t[i] > from && v[i - 1] < level && v[i] >= level)
            crossings.push_back(t[i - 1] + (level - v[i - 1]) * (t[i] - t[i - 1]) / (v[i] - v[i - 1]));
    return crossings.size() < 2 ? 0 : (crossings.back() - crossings.front()) / (crossings.size() - 1);
}

// The accepted points in [from, to), at least 1.
double PointsIn(const std::vector<double>& t, double from, double to) {
    const auto n = std::lower_bound(t.begin(), t.end(), to) - std::lower_bound(t.begin(), t.end(), from);
    return std::max<double>(1, static_cast<double>(n));
}

void ResetEngine() {
    ResetMathError();
    FillOptionDefaultTexts(1);
    ParseSimulationOptions(true);
    RegisterDeviceKinds();
    Run = {};
    TotalIterations = 0;
    RunAccounting.enabled = std::getenv("OB7_BENCH_ACCT") != nullptr;
    ResetRunAccounting();
}

// Where ngspice's deck, raw file and log of a run go: /tmp/ob7_bench_<name>, or
// OB7_BENCH_FILES<name> (several people running the bench at once keep apart).
std::string NgspiceBase(const char* name) {
    const char* prefix = std::getenv("OB7_BENCH_FILES");
    return std::string(prefix ? prefix : "/tmp/ob7_bench_") + name;
}

// Seconds of "ngspice -b deck", or 0 when it is not wanted or not there.
double NgspiceSeconds(const std::string& deck_text, const char* name) {
    if (!std::getenv("OB7_BENCH_NGSPICE") || std::system("command -v ngspice > /dev/null 2>&1") != 0) return 0;
    const std::string base = NgspiceBase(name);
    const std::string path = base + ".cir";
    std::ofstream(path) << deck_text;
    const auto start = std::chrono::steady_clock::now();
    // -r saves every vector (a batch run without output lines runs nothing); the log
    // keeps ngspice's own accounting (.OPTIONS ACCT).
    const int rc = std::system(("ngspice -b -r " + base + ".raw " + path + " > " + base + ".log 2>&1").c_str());
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    return rc == 0 ? seconds : 0;
}

// A count from ngspice's accounting in its log ("Transient iterations = 123"); -1 without.
double NgspiceCount(const char* name, const std::string& key) {
    std::ifstream log(NgspiceBase(name) + ".log");
    std::string line;
    while (std::getline(log, line))
        if (line.rfind(key + " = ", 0) == 0) return std::atof(line.c_str() + key.size() + 3);
    return -1;
}

void Report(benchmark::State& state, double ours, double theirs) {
    state.counters["ours_s"] = ours;
    state.counters["ngspice_s"] = theirs;
    state.counters["ratio"] = theirs > 0 ? ours / theirs : 0;
    const int points = Transient.AcceptedPoints();
    state.counters["points"] = points;
    state.counters["rejected"] = Transient.rejected;
    state.counters["iterations"] = static_cast<double>(TotalIterations + Transient.iterations);
    state.counters["it_per_point"] = points ? static_cast<double>(Transient.iterations) / points : 0;
    if (RunAccounting.enabled) {
        state.counters["load_s"] = RunAccounting.load_seconds;
        state.counters["factor_s"] = RunAccounting.factor_seconds;
        state.counters["solve_s"] = RunAccounting.solve_seconds;
        state.counters["trunc_s"] = RunAccounting.truncation_seconds;
    }
}

// ngspice's own split of a run's time (.OPTIONS ACCT), beside ours: "Transient ..." lines
// for a transient; the whole run's "Matrix ..." lines otherwise, its ordering apart (ours
// is inside factor_s).
void ReportNgspiceTimes(benchmark::State& state, const char* name, bool transient) {
    const std::string a = transient ? "Transient" : "Matrix";
    state.counters["ng_load_s"] = NgspiceCount(name, a + " load time");
    state.counters["ng_factor_s"] = NgspiceCount(name, a + " factor time");
    state.counters["ng_solve_s"] = NgspiceCount(name, a + " solve time");
    if (transient)
        state.counters["ng_trunc_s"] = NgspiceCount(name, "Transient trunc time");
    else
        state.counters["ng_reorder_s"] = NgspiceCount(name, "Matrix reorder time");
}

template <class Build>
double Timed(Build build, const std::function<int()>& run) {
    ResetEngine();
    build();
    const auto start = std::chrono::steady_clock::now();
    const int result = run();
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (result) std::fprintf(stderr, "analysis failed: %d\n", result);
    return seconds;
}

void RcLadder(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    std::ostringstream deck;
    deck << "RC ladder\n.OPTIONS ACCT\nV1 1 0 PULSE(0 1 0 1n 1n 1 2)\n";
    for (int k = 1; k <= n; ++k) deck << "R" << k << " " << k << " " << k + 1 << " 1k\nC" << k << " " << k + 1 << " 0 1n\n";
    deck << ".TRAN 10n 10u 0 10n\n.END\n";
    for (auto _ : state) {
        NodeSink sink({2, n / 2 + 1});
        const double ours = Timed(
            [n] {
                SpiceSource* v = AddSpiceSource(1, 0, kSpiceVoltageSource, 0);
                v->spec_kind = kSourcePulse;
                const double p[7] = {0, 1, 0, 1e-9, 1e-9, 1, 2};
                std::copy(p, p + 7, v->p);
                for (int k = 1; k <= n; ++k) {
                    AddResistor(k, k + 1, 1e3);
                    AddCapacitor(k + 1, 0, 1e-9);
                }
                NodeCount = n + 1;
            },
            [&] {
                TransientSettings s;
                s.tmax = 10e-6;
                s.max_step = 10e-9;
                s.points = 1001;
                return RunTransientAnalysis(s, sink);
            });
        const double ngspice = NgspiceSeconds(deck.str(), "ladder");
        Report(state, ours, ngspice);
        if (ngspice > 0) ReportNgspiceTimes(state, "ladder", true);
        auto raw = ngspice > 0 ? ReadNgspiceRaw(NgspiceBase("ladder") + ".raw") : RawColumns{};
        if (!raw.empty()) {
            double worst = 0;
            for (size_t k = 0; k < sink.nodes.size(); ++k)
                worst = std::max(worst, DeviationOfSpan(sink.t, sink.v[k], raw["time"],
                                                        raw["v(" + std::to_string(sink.nodes[k]) + ")"]));
            state.counters["deviation"] = worst;
        }
        FreeSimulationState();
    }
}

void RingOscillator(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const double tmax = state.range(1) * 1e-9;
    std::ostringstream deck;
    deck << "Ring oscillator\n.OPTIONS ACCT\nVDD vdd 0 PULSE(0 5 0 1n 1n 1 2)\nIKICK 0 1 PULSE(0 100u 0 0.1n 0.1n 1n 1)\n";
    for (int k = 1; k <= n; ++k) {
        const int in = k, out = k % n + 1;
        deck << "MP" << k << " " << out << " " << in << " vdd vdd P1 L=1u W=4u\n";
        deck << "MN" << k << " " << out << " " << in << " 0 0 N1 L=1u W=2u\n";
        deck << "C" << k << " " << out << " 0 10f\n";
    }
    deck << ".MODEL N1 NMOS(LEVEL=1 VTO=0.7 KP=60u LAMBDA=0.02 TOX=20n CGSO=0.2n CGDO=0.2n CJ=0.2m)\n"
            ".MODEL P1 PMOS(LEVEL=1 VTO=-0.7 KP=25u LAMBDA=0.03 TOX=20n CGSO=0.2n CGDO=0.2n CJ=0.3m)\n"
            ".TRAN 0.1n " << state.range(1) << "n 0 0.1n UIC\n";
    const char* itl4 = std::getenv("OB7_BENCH_ITL4");
    if (itl4) deck << ".OPTIONS ITL4=" << std::atoi(itl4) << "\n";
    deck << ".END\n";
    for (auto _ : state) {
        std::vector<int> watched = {1};
        if (std::getenv("OB7_BENCH_RING_ALL"))
            for (int k = 2; k <= n; ++k) watched.push_back(k);
        NodeSink sink(watched);
        std::unique_ptr<ModelParams> nm, pm;
        const double ours = Timed(
            [&] {
                nm = MakeModelParams(kModelNmos);
                pm = MakeModelParams(kModelPmos);
                for (auto [name, value] : {std::pair{"LEVEL", 1.0}, {"VTO", 0.7}, {"KP", 60e-6}, {"LAMBDA", 0.02},
                                           {"TOX", 20e-9}, {"CGSO", 0.2e-9}, {"CGDO", 0.2e-9}, {"CJ", 0.2e-3}})
                    SetModelParam(*nm, name, value);
                for (auto [name, value] : {std::pair{"LEVEL", 1.0}, {"VTO", -0.7}, {"KP", 25e-6}, {"LAMBDA", 0.03},
                                           {"TOX", 20e-9}, {"CGSO", 0.2e-9}, {"CGDO", 0.2e-9}, {"CJ", 0.3e-3}})
                    SetModelParam(*pm, name, value);
                CircuitModels[kModelNmos] = {nm.get()};
                CircuitModels[kModelPmos] = {pm.get()};
                const int vdd = n + 1;
                SpiceSource* supply = AddSpiceSource(vdd, 0, kSpiceVoltageSource, 0);
                supply->spec_kind = kSourcePulse;
                const double ramp[7] = {0, 5, 0, 1e-9, 1e-9, 1, 2};
                std::copy(ramp, ramp + 7, supply->p);
                SpiceSource* kick = AddSpiceSource(0, 1, 11, 0);
                kick->spec_kind = kSourcePulse;
                const double p[7] = {0, 100e-6, 0, 0.1e-9, 0.1e-9, 1e-9, 1};
                std::copy(p, p + 7, kick->p);
                for (int k = 1; k <= n; ++k) {
                    const int in = k, out = k % n + 1;
                    AddMosfet(pm.get(), out, in, vdd, vdd, 4e-6, 1e-6);
                    AddMosfet(nm.get(), out, in, 0, 0, 2e-6, 1e-6);
                    AddCapacitor(out, 0, 10e-15);
                }
                NodeCount = n + 1;
            },
            [&] {
                TransientSettings s;
                s.tmax = tmax;
                s.max_step = 0.1e-9;
                s.points = static_cast<int>(std::lround(tmax / 0.1e-9)) + 1;
                s.operating_point = false;
                if (itl4) Options.itl4 = std::atoi(itl4);
                return RunTransientAnalysis(s, sink);
            });
        if (const char* dump = std::getenv("OB7_BENCH_RING_TIMES")) {
            std::ofstream out(dump);
            out.precision(17);
            for (size_t k = 0; k < sink.t.size(); ++k) {
                out << sink.t[k];
                for (const auto& v : sink.v) out << " " << v[k];
                out << "\n";
            }
        }
        const double ngspice = NgspiceSeconds(deck.str(), "ring");
        Report(state, ours, ngspice);
        if (ngspice > 0) {
            state.counters["ng_points"] = NgspiceCount("ring", "Accepted timepoints");
            state.counters["ng_rejected"] = NgspiceCount("ring", "Rejected timepoints");
            state.counters["ng_iterations"] = NgspiceCount("ring", "Transient iterations");
            ReportNgspiceTimes(state, "ring", true);
        }
        auto raw = ngspice > 0 ? ReadNgspiceRaw(NgspiceBase("ring") + ".raw") : RawColumns{};
        const double theirs = raw.empty() ? 0 : MeanPeriod(raw["time"], raw["v(1)"], 2.5, 1.85e-6);
        const double period = MeanPeriod(sink.t, sink.v[0], 2.5, 1.85e-6);
        state.counters["period_ns"] = period * 1e9;
        if (theirs > 0) state.counters["deviation"] = std::fabs(period - theirs) / theirs;
        if (!raw.empty()) {
            state.counters["rate_early"] = PointsIn(sink.t, tmax / 12, tmax / 3) / PointsIn(raw["time"], tmax / 12, tmax / 3);
            state.counters["rate_late"] = PointsIn(sink.t, 2 * tmax / 3, tmax) / PointsIn(raw["time"], 2 * tmax / 3, tmax);
        }
        FreeSimulationState();
        ClearCircuitModels();
    }
}

void GridOp(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    auto node = [n](int i, int j) { return i * n + j + 1; };
    std::ostringstream deck;
    deck << "Resistor grid\n.OPTIONS ACCT\nV1 1 0 DC 1\nI1 " << node(n - 1, n - 1) << " 0 DC 1m\n";
    int r = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            if (j + 1 < n) deck << "R" << ++r << " " << node(i, j) << " " << node(i, j + 1) << " 1k\n";
            if (i + 1 < n) deck << "R" << ++r << " " << node(i, j) << " " << node(i + 1, j) << " 1k\n";
        }
    deck << ".OP\n.END\n";
    for (auto _ : state) {
        const double ours = Timed(
            [&] {
                AddSpiceSource(1, 0, kSpiceVoltageSource, 1);
                AddSpiceSource(node(n - 1, n - 1), 0, 11, 1e-3);
                for (int i = 0; i < n; ++i)
                    for (int j = 0; j < n; ++j) {
                        if (j + 1 < n) AddResistor(node(i, j), node(i, j + 1), 1e3);
                        if (i + 1 < n) AddResistor(node(i, j), node(i + 1, j), 1e3);
                    }
                NodeCount = n * n;
            },
            [] { return RunOperatingPointOnly(27); });
        Transient = {};
        const double corner = Solution[node(n - 1, n - 1)];
        const double ngspice = NgspiceSeconds(deck.str(), "grid");
        Report(state, ours, ngspice);
        if (ngspice > 0) ReportNgspiceTimes(state, "grid", false);
        auto raw = ngspice > 0 ? ReadNgspiceRaw(NgspiceBase("grid") + ".raw") : RawColumns{};
        const auto& theirs = raw["v(" + std::to_string(node(n - 1, n - 1)) + ")"];
        if (!theirs.empty()) state.counters["deviation"] = std::fabs(corner - theirs[0]) / std::fabs(theirs[0]);
        FreeSimulationState();
    }
}

BENCHMARK(RcLadder)->Arg(10000)->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(RingOscillator)->Args({21, 100})->Args({101, 300})->Args({101, 3700})->Iterations(1)->Unit(benchmark::kSecond);
BENCHMARK(GridOp)->Arg(100)->Arg(300)->Iterations(1)->Unit(benchmark::kSecond);

}  // namespace

BENCHMARK_MAIN();
