// Factor and solve of MNA matrices: RC ladders of 1,000 to 100,000 sections, 2-D resistor
// grids of 100x100 and 300x300 nodes and a random circuit of 10,000 equations. For each: the first factorisation (with
// ordering), a refactorisation in the kept order and a solve, and the fill-in and bytes
// per non-zero as counters. With KLU installed the same matrices are factored by KLU.
//
// Run: build-*/bench/sparse_matrix_bench --benchmark_counters_tabular=true
// On a shared machine compare CPU times, with a fixed iteration count and the minimum of
// several repetitions:
//   OB7_BENCH_ITERATIONS=5 build-*/bench/sparse_matrix_bench --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true --benchmark_filter=grid100

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <map>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "sim/engine/sparse_matrix.h"

#ifdef OB7_WITH_KLU
#include <klu.h>
#include <malloc.h>
#endif

namespace {

struct Stamp {
    int row, col;
    double value;
};

struct MnaSystem {
    std::string name;
    int size = 0;
    std::vector<Stamp> stamps;
};

// A right-hand side with every entry non-zero, so that no solve gains from skipping zeros.
std::vector<double> DenseRhs(const MnaSystem& s) {
    std::vector<double> b(s.size + 1, 0.0);
    for (int i = 1; i <= s.size; ++i) b[i] = 1.0 + 0.25 * (i % 5);
    return b;
}

void AddConductance(MnaSystem& s, int a, int b, double g) {
    s.stamps.push_back({a, a, g});
    s.stamps.push_back({b, b, g});
    s.stamps.push_back({a, b, -g});
    s.stamps.push_back({b, a, -g});
}

void AddVoltageSource(MnaSystem& s, int p, int branch) {
    s.stamps.push_back({p, branch, 1.0});
    s.stamps.push_back({branch, p, 1.0});
}

// A floating source from p to q.
void AddVoltageSource(MnaSystem& s, int p, int q, int branch) {
    AddVoltageSource(s, p, branch);
    s.stamps.push_back({q, branch, -1.0});
    s.stamps.push_back({branch, q, -1.0});
}

// A source driving `sections` series resistors, each node with a capacitor to ground
// (as the transient sees it: C/h on the diagonal).
MnaSystem RcLadder(int sections) {
    MnaSystem s;
    s.name = "ladder" + std::to_string(sections);
    s.size = sections + 2;
    for (int i = 1; i <= sections; ++i) {
        AddConductance(s, i, i + 1, 1e-3);
        AddConductance(s, i + 1, 0, 1e-6 / 1e-9);
    }
    AddVoltageSource(s, 1, sections + 2);
    return s;
}

// An n x n grid of 1 ohm resistors, a source at one corner and a load at the other.
MnaSystem ResistorGrid(int n) {
    MnaSystem s;
    s.name = "grid" + std::to_string(n) + "x" + std::to_string(n);
    s.size = n * n + 1;
    auto node = [n](int x, int y) { return y * n + x + 1; };
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            if (x + 1 < n) AddConductance(s, node(x, y), node(x + 1, y), 1.0);
            if (y + 1 < n) AddConductance(s, node(x, y), node(x, y + 1), 1.0);
        }
    AddConductance(s, node(n - 1, n - 1), 0, 1e-2);
    AddVoltageSource(s, node(0, 0), n * n + 1);
    return s;
}

int Root(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

// A random circuit of `equations` equations with no structure to exploit: nodes scattered
// over a square, each with resistors to nodes nearby, 1% of the resistors to anywhere, a
// voltage source for every 20th equation (between nearby nodes, never in a loop) and
// transconductances between nearby nodes, which make the matrix unsymmetric. Node numbers
// follow no geometry.
MnaSystem RandomMna(int equations) {
    MnaSystem s;
    s.name = "random" + std::to_string(equations);
    s.size = equations;
    const int sources = equations / 20, nodes = equations - sources;
    std::mt19937 rng(20261210);
    std::uniform_real_distribution<double> decade(-3.0, 3.0);
    auto conductance = [&] { return std::pow(10.0, decade(rng)); };
    // Nodes in square cells of about four, at random; a node nearby is one of the same
    // cell or a neighbouring one.
    const int side = std::max(1, int(std::sqrt(nodes / 4.0)));
    std::vector<std::vector<int>> cells(side * side);
    std::vector<int> cellOf(nodes + 1);
    for (int i = 1; i <= nodes; ++i) {
        cellOf[i] = int(rng() % cells.size());
        cells[cellOf[i]].push_back(i);
    }
    auto near = [&](int i) {
        int x = cellOf[i] % side + int(rng() % 3) - 1, y = cellOf[i] / side + int(rng() % 3) - 1;
        x = std::clamp(x, 0, side - 1);
        y = std::clamp(y, 0, side - 1);
        const std::vector<int>& cell = cells[y * side + x];
        return cell.empty() ? 0 : cell[rng() % cell.size()];  // 0 is ground
    };
    auto anywhere = [&] { return std::uniform_int_distribution<int>(1, nodes)(rng); };
    for (int i = 1; i <= nodes; ++i) {
        if (rng() % 10 == 0) AddConductance(s, i, 0, conductance());
        for (int k = 0; k < 2; ++k) {
            int j = rng() % 100 == 0 ? anywhere() : near(i);
            if (j != i) AddConductance(s, i, j, conductance());
        }
        if (rng() % 10 == 0) {  // a transconductance controlled by two nearby nodes
            int p = near(i), q = near(i), t = near(i);
            double gm = 0.1 * conductance();
            s.stamps.push_back({i, p, gm});
            s.stamps.push_back({i, q, -gm});
            s.stamps.push_back({t, p, -gm});
            s.stamps.push_back({t, q, gm});
        }
    }
    std::vector<int> parent(nodes + 1);
    std::iota(parent.begin(), parent.end(), 0);
    for (int k = 1; k <= sources;) {
        int p = std::uniform_int_distribution<int>(1, nodes)(rng), q = near(p);
        if (p == q || Root(parent, p) == Root(parent, q)) continue;
        parent[Root(parent, p)] = Root(parent, q);
        AddVoltageSource(s, p, q, nodes + k);
        ++k;
    }
    return s;
}

const MnaSystem& System(const std::string& name) {
    static std::map<std::string, MnaSystem> systems;
    auto it = systems.find(name);
    if (it != systems.end()) return it->second;
    MnaSystem s = name.rfind("ladder", 0) == 0   ? RcLadder(std::stoi(name.substr(6)))
                  : name.rfind("random", 0) == 0 ? RandomMna(std::stoi(name.substr(6)))
                                                 : ResistorGrid(std::stoi(name.substr(4)));
    return systems.emplace(name, std::move(s)).first->second;
}

// The engine's way: declare every entry once, stamp through the kept elements, preorder.
struct StampedMatrix {
    ob7::SparseMatrix* matrix = nullptr;
    explicit StampedMatrix(const MnaSystem& s) {
        ob7::CreateCircuitMatrix(&matrix, 1e-3, 1e-13);
        std::vector<ob7::MatrixElement*> slots;
        slots.reserve(s.stamps.size());
        for (const Stamp& st : s.stamps)
            slots.push_back(ob7::GetMatrixElement(matrix, st.row, st.col));
        ob7::ClearMatrix(matrix);
        for (size_t i = 0; i < slots.size(); ++i) slots[i]->real += s.stamps[i].value;
        ob7::PreorderCircuitMatrix(matrix);
    }
    ~StampedMatrix() { ob7::DestroyCircuitMatrix(matrix); }
};

void Counters(benchmark::State& state, const StampedMatrix& m, int nonZerosOfA) {
    int elements = ob7::MatrixElementCount(m.matrix);
    state.counters["nnzA"] = nonZerosOfA;
    state.counters["nnzLU"] = elements;
    state.counters["fill"] = ob7::MatrixFillInCount(m.matrix);
    state.counters["bytes/nnzLU"] = double(ob7::MatrixMemoryBytes(m.matrix)) / elements;
}

int NonZeros(const MnaSystem& s) {
    std::vector<std::pair<int, int>> at;
    for (const Stamp& st : s.stamps)
        if (st.row && st.col) at.emplace_back(st.row, st.col);
    std::sort(at.begin(), at.end());
    return int(std::unique(at.begin(), at.end()) - at.begin());
}

void FirstFactor(benchmark::State& state, const std::string& name) {
    const MnaSystem& s = System(name);
    for (auto _ : state) {
        state.PauseTiming();
        auto* m = new StampedMatrix(s);
        state.ResumeTiming();
        if (ob7::FactorRealLU(m->matrix, 0.0) != 0) state.SkipWithError("factor failed");
        state.PauseTiming();
        Counters(state, *m, NonZeros(s));
        delete m;
        state.ResumeTiming();
    }
}

void Refactor(benchmark::State& state, const std::string& name) {
    const MnaSystem& s = System(name);
    StampedMatrix m(s);
    if (ob7::FactorRealLU(m.matrix, 0.0) != 0) state.SkipWithError("factor failed");
    // Factoring leaves the stamped values alone, so the same load refactors again.
    for (auto _ : state)
        if (ob7::FactorRealLU(m.matrix, 0.0) != 0) state.SkipWithError("refactor failed");
    Counters(state, m, NonZeros(s));
}

void Solve(benchmark::State& state, const std::string& name) {
    const MnaSystem& s = System(name);
    StampedMatrix m(s);
    if (ob7::FactorRealLU(m.matrix, 0.0) != 0) state.SkipWithError("factor failed");
    const std::vector<double> b = DenseRhs(s);
    std::vector<double> x(s.size + 1);
    for (auto _ : state) {
        ob7::SolveMatrix(m.matrix, b.data(), x.data());
        benchmark::DoNotOptimize(x.data());
    }
}

#ifdef OB7_WITH_KLU
// The same matrix in compressed columns, 0-based, duplicates summed.
struct Csc {
    int n = 0;
    std::vector<int> ap, ai;
    std::vector<double> ax;
    explicit Csc(const MnaSystem& s) : n(s.size) {
        std::map<std::pair<int, int>, double> entries;  // (col, row)
        for (const Stamp& st : s.stamps)
            if (st.row && st.col) entries[{st.col - 1, st.row - 1}] += st.value;
        ap.assign(n + 1, 0);
        for (const auto& [at, v] : entries) {
            ++ap[at.first + 1];
            ai.push_back(at.second);
            ax.push_back(v);
        }
        for (int j = 0; j < n; ++j) ap[j + 1] += ap[j];
    }
};

struct KluFactors {
    klu_common common;
    klu_symbolic* symbolic = nullptr;
    klu_numeric* numeric = nullptr;
    KluFactors() { klu_defaults(&common); }
    bool Factor(Csc& a) {
        symbolic = klu_analyze(a.n, a.ap.data(), a.ai.data(), &common);
        numeric = symbolic ? klu_factor(a.ap.data(), a.ai.data(), a.ax.data(), symbolic, &common)
                           : nullptr;
        return numeric != nullptr;
    }
    ~KluFactors() {
        if (numeric) klu_free_numeric(&numeric, &common);
        if (symbolic) klu_free_symbolic(&symbolic, &common);
    }
    void Counters(benchmark::State& state, const Csc& a) {
        // Entries of L and U with the diagonal once, plus the off-diagonal blocks.
        double lu = double(numeric->lnz) + numeric->unz - a.n + numeric->nzoff;
        state.counters["nnzA"] = double(a.ax.size());
        state.counters["nnzLU"] = lu;
        state.counters["fill"] = lu - double(a.ax.size());
        state.counters["bytes/nnzLU"] = double(common.memusage) / lu;
    }
};

void KluFirstFactor(benchmark::State& state, const std::string& name) {
    Csc a(System(name));
    for (auto _ : state) {
        auto* f = new KluFactors;
        if (!f->Factor(a)) state.SkipWithError("klu failed");
        state.PauseTiming();
        f->Counters(state, a);
        delete f;
        state.ResumeTiming();
    }
}

void KluRefactor(benchmark::State& state, const std::string& name) {
    Csc a(System(name));
    KluFactors f;
    if (!f.Factor(a)) state.SkipWithError("klu failed");
    for (auto _ : state)
        klu_refactor(a.ap.data(), a.ai.data(), a.ax.data(), f.symbolic, f.numeric, &f.common);
    f.Counters(state, a);
}

void KluSolve(benchmark::State& state, const std::string& name) {
    const MnaSystem& s = System(name);
    Csc a(s);
    KluFactors f;
    if (!f.Factor(a)) state.SkipWithError("klu failed");
    const std::vector<double> rhs = DenseRhs(s);
    std::vector<double> b(s.size);
    for (auto _ : state) {
        std::copy(rhs.begin() + 1, rhs.end(), b.begin());
        klu_solve(f.symbolic, f.numeric, s.size, 1, b.data(), &f.common);
        benchmark::DoNotOptimize(b.data());
    }
}
#endif

const char* const kSystems[] = {"ladder1000", "ladder10000", "ladder100000",
                                "grid100",    "grid300",     "random10000"};

int Register() {
#ifdef OB7_WITH_KLU
    // KLU takes its memory from malloc. By glibc's default a block of a megabyte or so is
    // mapped afresh for every factorisation and pays a page fault per 4 KiB, and where that
    // line lies moves with what ran before: KLU's time on grid100 was 27 ms run alone and
    // 12 ms after ladder100000. Kept in the heap, its memory is reused from one
    // factorisation to the next, as the engine's own large blocks are.
    mallopt(M_MMAP_THRESHOLD, 32 << 20);
    mallopt(M_TRIM_THRESHOLD, 1 << 30);
#endif
    using Fn = void (*)(benchmark::State&, const std::string&);
    std::vector<std::pair<std::string, Fn>> kinds = {
        {"FirstFactor", FirstFactor},       {"Refactor", Refactor},       {"Solve", Solve},
#ifdef OB7_WITH_KLU
        {"KluFirstFactor", KluFirstFactor}, {"KluRefactor", KluRefactor}, {"KluSolve", KluSolve},
#endif
    };
    // A fixed iteration count, so that runs compare the same work.
    const char* iterations = std::getenv("OB7_BENCH_ITERATIONS");
    const int fixed = iterations ? std::atoi(iterations) : 0;
    for (const char* name : kSystems)
        for (const auto& [kind, fn] : kinds) {
            auto* b =
                benchmark::RegisterBenchmark((kind + "/" + name).c_str(), fn, std::string(name))
                    ->Unit(benchmark::kMillisecond)
                    ->ComputeStatistics("min", [](const std::vector<double>& v) {
                        return *std::min_element(v.begin(), v.end());
                    });
            if (fixed > 0) b->Iterations(fixed);
        }
    return 0;
}

const int registered = Register();

}  // namespace

BENCHMARK_MAIN();
