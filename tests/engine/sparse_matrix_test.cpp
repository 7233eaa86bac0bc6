// The sparse matrix against a dense reference on random MNA systems, the MNA preorder on
// voltage-source ladders, reuse of the pivot order, and singular matrices.

#include "sim/engine/sparse_matrix.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <cstring>
#include <numeric>
#include <random>
#include <vector>

#include "foundation/string_table.h"
#include "sim/engine/sparse_matrix_internal.h"

namespace ob7 {
namespace {

using Complex = std::complex<double>;

struct Stamp {
    int row, col;
    Complex value;
};

// A circuit's stamps and right-hand side, indexed by external equation numbers 1..size.
struct MnaSystem {
    int size = 0;
    std::vector<Stamp> stamps;
    std::vector<Complex> rhs;  // index 0 unused
};

void AddAdmittance(MnaSystem& s, int a, int b, Complex y) {
    s.stamps.push_back({a, a, y});
    s.stamps.push_back({b, b, y});
    s.stamps.push_back({a, b, -y});
    s.stamps.push_back({b, a, -y});
}

// A voltage source from p to q with branch equation `branch`.
void AddVoltageSource(MnaSystem& s, int p, int q, int branch, double volts) {
    s.stamps.push_back({p, branch, 1.0});
    s.stamps.push_back({q, branch, -1.0});
    s.stamps.push_back({branch, p, 1.0});
    s.stamps.push_back({branch, q, -1.0});
    s.rhs[branch] += volts;
}

int Find(std::vector<int>& parent, int i) {
    while (parent[i] != i) i = parent[i] = parent[parent[i]];
    return i;
}

// A random circuit: a resistor tree to ground plus extra resistors, (for AC) capacitors,
// transconductances, and voltage sources that never form a loop. Conductances span six
// decades.
MnaSystem RandomMna(std::mt19937& rng, bool complex) {
    std::uniform_int_distribution<int> nodeCount(2, 40);
    const int nodes = nodeCount(rng);
    const int sources = std::uniform_int_distribution<int>(0, std::min(nodes, 8))(rng);
    MnaSystem s;
    s.size = nodes + sources;
    s.rhs.assign(s.size + 1, 0.0);
    std::uniform_real_distribution<double> decade(-3.0, 3.0);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    auto conductance = [&] { return std::pow(10.0, decade(rng)); };
    auto node = [&](int lo) { return std::uniform_int_distribution<int>(lo, nodes)(rng); };
    for (int i = 1; i <= nodes; ++i) AddAdmittance(s, i, node(0) % i, conductance());
    for (int k = 0; k < nodes; ++k) {
        int a = node(1), b = node(0);
        if (a != b) AddAdmittance(s, a, b, conductance());
    }
    if (complex)
        for (int k = 0; k < nodes; ++k)
            AddAdmittance(s, node(1), node(0), Complex(0.0, conductance()));
    for (int k = 0; k < nodes / 4; ++k) {  // transconductances make the matrix unsymmetric
        int p = node(0), q = node(0), r = node(0), t = node(0);
        double gm = conductance() * 0.1;
        s.stamps.push_back({r, p, gm});
        s.stamps.push_back({r, q, -gm});
        s.stamps.push_back({t, p, -gm});
        s.stamps.push_back({t, q, gm});
    }
    std::vector<int> parent(nodes + 1);
    std::iota(parent.begin(), parent.end(), 0);
    for (int k = 1; k <= sources;) {
        int p = node(1), q = node(0);
        if (Find(parent, p) == Find(parent, q)) continue;
        parent[Find(parent, p)] = Find(parent, q);
        AddVoltageSource(s, p, q, nodes + k, 10.0 * unit(rng));
        ++k;
    }
    for (int i = 1; i <= nodes; ++i) s.rhs[i] += Complex(unit(rng), complex ? unit(rng) : 0.0);
    return s;
}

// The system declared once and stamped through the kept elements, as the engine does.
struct StampedMatrix {
    SparseMatrix* matrix = nullptr;
    std::vector<MatrixElement*> slots;

    explicit StampedMatrix(const MnaSystem& s) {
        EXPECT_EQ(CreateCircuitMatrix(&matrix, 1e-3, 1e-13), 0);
        for (const Stamp& st : s.stamps) slots.push_back(GetMatrixElement(matrix, st.row, st.col));
        Load(s, 1.0);
        EXPECT_EQ(PreorderCircuitMatrix(matrix), 0);
    }
    ~StampedMatrix() { DestroyCircuitMatrix(matrix); }

    void Load(const MnaSystem& s, double scale) {
        ClearMatrix(matrix);
        for (size_t i = 0; i < s.stamps.size(); ++i) {
            slots[i]->real += s.stamps[i].value.real() * scale;
            slots[i]->imag += s.stamps[i].value.imag() * scale;
        }
    }
};

std::vector<std::vector<Complex>> Dense(const MnaSystem& s, double scale) {
    std::vector<std::vector<Complex>> a(s.size + 1, std::vector<Complex>(s.size + 1));
    for (const Stamp& st : s.stamps)
        if (st.row > 0 && st.col > 0) a[st.row][st.col] += st.value * scale;
    return a;
}

// Gaussian elimination with partial pivoting on indices 1..n.
std::vector<Complex> DenseSolve(std::vector<std::vector<Complex>> a, std::vector<Complex> b) {
    const int n = static_cast<int>(b.size()) - 1;
    for (int k = 1; k <= n; ++k) {
        int p = k;
        for (int i = k + 1; i <= n; ++i)
            if (std::abs(a[i][k]) > std::abs(a[p][k])) p = i;
        std::swap(a[k], a[p]);
        std::swap(b[k], b[p]);
        for (int i = k + 1; i <= n; ++i) {
            Complex f = a[i][k] / a[k][k];
            if (f == 0.0) continue;
            for (int j = k; j <= n; ++j) a[i][j] -= f * a[k][j];
            b[i] -= f * b[k];
        }
    }
    std::vector<Complex> x(n + 1);
    for (int k = n; k >= 1; --k) {
        Complex sum = b[k];
        for (int j = k + 1; j <= n; ++j) sum -= a[k][j] * x[j];
        x[k] = sum / a[k][k];
    }
    return x;
}

// ||Ax - b|| / (||A|| ||x|| + ||b||) in the infinity norm.
double RelativeResidual(const std::vector<std::vector<Complex>>& a, const std::vector<Complex>& x,
                        const std::vector<Complex>& b) {
    const int n = static_cast<int>(b.size()) - 1;
    double r = 0, an = 0, xn = 0, bn = 0;
    for (int i = 1; i <= n; ++i) {
        Complex sum = -b[i];
        double row = 0;
        for (int j = 1; j <= n; ++j) {
            sum += a[i][j] * x[j];
            row += std::abs(a[i][j]);
        }
        r = std::max(r, std::abs(sum));
        an = std::max(an, row);
        xn = std::max(xn, std::abs(x[i]));
        bn = std::max(bn, std::abs(b[i]));
    }
    return r / (an * xn + bn);
}

// Factors and solves in the matrix's arithmetic; the result as complex numbers.
std::vector<Complex> FactorAndSolve(StampedMatrix& m, const MnaSystem& s, bool complex,
                                    int* error) {
    *error = complex ? FactorComplexLU(m.matrix) : FactorRealLU(m.matrix, 0.0);
    std::vector<Complex> x(s.size + 1);
    if (*error) return x;
    if (complex) {
        std::vector<double> io(2 * (s.size + 1));
        for (int i = 1; i <= s.size; ++i) {
            io[2 * i] = s.rhs[i].real();
            io[2 * i + 1] = s.rhs[i].imag();
        }
        SolveMatrix(m.matrix, io.data(), io.data());  // rhs and solution may be one array
        for (int i = 1; i <= s.size; ++i) x[i] = Complex(io[2 * i], io[2 * i + 1]);
    } else {
        std::vector<double> rhs(s.size + 1), sol(s.size + 1);
        for (int i = 1; i <= s.size; ++i) rhs[i] = s.rhs[i].real();
        SolveMatrix(m.matrix, rhs.data(), sol.data());
        for (int i = 1; i <= s.size; ++i) x[i] = sol[i];
    }
    return x;
}

double RelativeDifference(const std::vector<Complex>& x, const std::vector<Complex>& y) {
    double d = 0, n = 0;
    for (size_t i = 1; i < x.size(); ++i) {
        d = std::max(d, std::abs(x[i] - y[i]));
        n = std::max(n, std::abs(y[i]));
    }
    return d / n;
}

class RandomMnaTest : public ::testing::TestWithParam<bool> {};

// Few hundred random systems, factored, then refactored in the kept order with new values.
TEST_P(RandomMnaTest, AgreesWithDenseReferenceAndRefactorsInKeptOrder) {
    const bool complex = GetParam();
    std::mt19937 rng(complex ? 4321 : 1234);
    for (int trial = 0; trial < 300; ++trial) {
        MnaSystem s = RandomMna(rng, complex);
        StampedMatrix m(s);
        int error = 0;
        std::vector<Complex> x = FactorAndSolve(m, s, complex, &error);
        ASSERT_EQ(error, 0) << "trial " << trial;
        EXPECT_FALSE(MatrixNeedsOrdering(m.matrix));
        auto a = Dense(s, 1.0);
        EXPECT_LT(RelativeResidual(a, x, s.rhs), 1e-12) << "trial " << trial;
        EXPECT_LT(RelativeDifference(x, DenseSolve(a, s.rhs)), 1e-8) << "trial " << trial;

        const std::vector<int> rows = m.matrix->intToExtRow, cols = m.matrix->intToExtCol;
        const int fillIns = MatrixFillInCount(m.matrix);
        m.Load(s, 3.5);
        x = FactorAndSolve(m, s, complex, &error);
        ASSERT_EQ(error, 0) << "trial " << trial;
        EXPECT_EQ(m.matrix->intToExtRow, rows);
        EXPECT_EQ(m.matrix->intToExtCol, cols);
        EXPECT_EQ(MatrixFillInCount(m.matrix), fillIns);
        EXPECT_LT(RelativeResidual(Dense(s, 3.5), x, s.rhs), 1e-12) << "trial " << trial;

        // A new entry: ordered again, starting from the order kept so far.
        s.stamps.push_back({1, s.size, Complex(0.25, complex ? 0.5 : 0.0)});
        m.slots.push_back(GetMatrixElement(m.matrix, 1, s.size));
        m.Load(s, 1.0);
        x = FactorAndSolve(m, s, complex, &error);
        ASSERT_EQ(error, 0) << "trial " << trial;
        EXPECT_LT(RelativeResidual(Dense(s, 1.0), x, s.rhs), 1e-12) << "trial " << trial;
    }
}

INSTANTIATE_TEST_SUITE_P(RealAndComplex, RandomMnaTest, ::testing::Values(false, true));

// The pivot order and fill-ins chosen on fixed systems, folded into one fingerprint, so a
// change in how the ordering runs cannot change what it chooses: random MNA systems (real
// and complex, then ordered again after a new entry), resistor grids with scattered values,
// and unsymmetric matrices with missing diagonals that need the whole-matrix search.
uint64_t Fold(uint64_t h, int64_t value) {
    for (int byte = 0; byte < 8; ++byte)
        h = (h ^ uint64_t((value >> (8 * byte)) & 0xff)) * 1099511628211ull;
    return h;
}

uint64_t FoldOrder(uint64_t h, const SparseMatrix* m, int error) {
    h = Fold(h, error);
    h = Fold(h, MatrixFillInCount(m));
    for (int i = 1; i <= MatrixSize(m); ++i)
        h = Fold(Fold(h, m->intToExtRow[i]), m->intToExtCol[i]);
    return h;
}

TEST(SparseMatrixOrder, ChoicesOnFixedSystemsArePinned) {
    uint64_t h = 14695981039346656037ull;
    int fillIns = 0;
    for (bool complex : {false, true}) {
        std::mt19937 rng(complex ? 77 : 78);
        for (int trial = 0; trial < 100; ++trial) {
            MnaSystem s = RandomMna(rng, complex);
            StampedMatrix m(s);
            int error = 0;
            FactorAndSolve(m, s, complex, &error);
            h = FoldOrder(h, m.matrix, error);
            s.stamps.push_back({s.size, 1, Complex(0.5, 0.0)});
            m.slots.push_back(GetMatrixElement(m.matrix, s.size, 1));
            m.Load(s, 1.0);
            FactorAndSolve(m, s, complex, &error);
            h = FoldOrder(h, m.matrix, error);
            fillIns += MatrixFillInCount(m.matrix);
        }
    }
    std::mt19937 rng(5);
    std::uniform_real_distribution<double> decade(-2.0, 2.0);
    for (int n : {12, 40}) {
        MnaSystem s;
        s.size = n * n + 1;
        s.rhs.assign(s.size + 1, 0.0);
        auto node = [n](int x, int y) { return y * n + x + 1; };
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x) {
                if (x + 1 < n)
                    AddAdmittance(s, node(x, y), node(x + 1, y), std::pow(10.0, decade(rng)));
                if (y + 1 < n)
                    AddAdmittance(s, node(x, y), node(x, y + 1), std::pow(10.0, decade(rng)));
            }
        AddAdmittance(s, node(n - 1, n - 1), 0, 1e-2);
        AddVoltageSource(s, node(0, 0), 0, s.size, 1.0);
        StampedMatrix m(s);
        int error = 0;
        FactorAndSolve(m, s, false, &error);
        h = FoldOrder(h, m.matrix, error);
        fillIns += MatrixFillInCount(m.matrix);
    }
    for (bool complex : {false, true}) {
        for (int trial = 0; trial < 60; ++trial) {
            const int n = 30;
            int error = 0;
            SparseMatrix* m = CreateSparseMatrix(n, complex, &error, 1e-3, 0.0);
            ASSERT_NE(m, nullptr);
            std::uniform_int_distribution<int> index(1, n);
            for (int i = 1; i <= n; ++i) {
                if (rng() % 2) GetMatrixElement(m, i, i)->real = std::pow(10.0, decade(rng));
                for (int k = 0; k < 3; ++k) {
                    MatrixElement* e = GetMatrixElement(m, i, index(rng));
                    e->real += std::pow(10.0, decade(rng)) * (rng() % 2 ? 1 : -1);
                    if (complex) e->imag += std::pow(10.0, decade(rng));
                }
            }
            error = complex ? FactorComplexLU(m) : FactorRealLU(m, 0.0);
            h = FoldOrder(h, m, error);
            fillIns += MatrixFillInCount(m);
            DestroyCircuitMatrix(m);
        }
    }
    EXPECT_EQ(fillIns, 76801);
    EXPECT_EQ(h, 1882810939760348285ull);
}

// A denser circuit, whose trailing block is refactored with the dense scatter vector while
// the sparse columns use positions: both ways must give the same factors.
TEST(SparseMatrixRefactor, DenseAndPositionAddressingAgree) {
    std::mt19937 rng(99);
    MnaSystem s;
    s.size = 120;
    s.rhs.assign(s.size + 1, Complex(1.0, -0.5));
    std::uniform_int_distribution<int> node(0, s.size);
    for (int i = 1; i <= s.size; ++i) AddAdmittance(s, i, i - 1, Complex(1.0, 0.1));
    for (int k = 0; k < 3 * s.size; ++k)
        AddAdmittance(s, node(rng), node(rng), Complex(0.01 * (k % 7 + 1), 0.02 * (k % 5)));
    for (bool complex : {false, true}) {
        StampedMatrix m(s);
        int error = 0;
        std::vector<Complex> x = FactorAndSolve(m, s, complex, &error);
        ASSERT_EQ(error, 0);
        m.Load(s, 2.0);
        x = FactorAndSolve(m, s, complex, &error);  // the kept order, both ways of addressing
        ASSERT_EQ(error, 0);
        const auto& direct = complex ? m.matrix->directComplex : m.matrix->directReal;
        const int directSteps = static_cast<int>(std::count(direct.begin() + 1, direct.end(), 1));
        EXPECT_GT(directSteps, 0);
        EXPECT_LT(directSteps, s.size);
        MnaSystem used = s;  // what the real arithmetic sees
        if (!complex) {
            for (Stamp& st : used.stamps) st.value = st.value.real();
            for (Complex& b : used.rhs) b = b.real();
        }
        EXPECT_LT(RelativeResidual(Dense(used, 2.0), x, used.rhs), 1e-12);
    }
}

// The structure of a ring oscillator: a cycle of inverting stages, each tied to one supply
// node (a voltage source's branch) and to ground. Its factors are long chains (each step
// waits for the one before, in the refactorisation's dense last column and in both passes
// of the solution), so the values handed on from step to step are checked against a dense
// solve, on a refactorisation with values unlike those the order was chosen on.
TEST(SparseMatrixRefactor, RingOfStagesAgreesWithDenseSolve) {
    const int n = 61, supply = n + 1, branch = n + 2;
    auto ring = [&](double gm, double cap) {
        MnaSystem s;
        s.size = branch;
        s.rhs.assign(s.size + 1, 0.0);
        for (int k = 1; k <= n; ++k) {
            const int in = k, out = k % n + 1;
            AddAdmittance(s, out, supply, Complex(1e-5 * (1 + k % 3), 1e-6 * k));
            AddAdmittance(s, out, 0, Complex(2e-5, 0.0));
            s.stamps.push_back({out, in, Complex(gm * (1 + k % 5), 0.0)});
            s.stamps.push_back({out, out, Complex(-gm * (1 + k % 5), 0.0)});
            AddAdmittance(s, in, out, Complex(cap, cap * k));
            AddAdmittance(s, in, supply, Complex(0.5 * cap, 0.0));
            s.rhs[out] = Complex(1e-6 * ((k * 7) % 11 - 5), 1e-7);
        }
        AddVoltageSource(s, supply, 0, branch, 5.0);
        return s;
    };
    const MnaSystem first = ring(1e-4, 1e-3), later = ring(3e-3, 2e-6);
    for (bool complex : {false, true}) {
        StampedMatrix m(first);
        int error = 0;
        FactorAndSolve(m, first, complex, &error);
        ASSERT_EQ(error, 0);
        MnaSystem used = later;  // what the real arithmetic sees
        if (!complex) {
            for (Stamp& st : used.stamps) st.value = st.value.real();
            for (Complex& b : used.rhs) b = b.real();
        }
        m.Load(used, 1.0);
        std::vector<Complex> x = FactorAndSolve(m, used, complex, &error);
        ASSERT_EQ(error, 0);
        EXPECT_FALSE(MatrixNeedsOrdering(m.matrix));
        if (!complex) {  // the closing column goes through the dense vector
            const auto& direct = m.matrix->directReal;
            EXPECT_GT(std::count(direct.begin() + 1, direct.end(), 1), 0);
        }
        EXPECT_LT(RelativeResidual(Dense(used, 1.0), x, used.rhs), 1e-12);
        EXPECT_LT(RelativeDifference(x, DenseSolve(Dense(used, 1.0), used.rhs)), 1e-8);
    }
}

// A fully coupled structure, ordered on dense values and refactored on values that are
// mostly zero: inside the nested blocks of the factors the multipliers are then zero in
// every pattern (alone, in pairs, in runs), and each must be skipped without losing the rest.
TEST(SparseMatrixRefactor, ZeroMultipliersInsideNestedBlocks) {
    const int n = 24;
    MnaSystem dense, sparse;
    dense.size = sparse.size = n;
    dense.rhs.assign(n + 1, 0.0);
    for (int i = 1; i <= n; ++i) dense.rhs[i] = 1.0 + 0.25 * (i % 4);
    sparse.rhs = dense.rhs;
    for (int i = 1; i <= n; ++i)
        for (int j = 1; j <= n; ++j) {
            const double diagonal = 2.0 * n + i;
            dense.stamps.push_back({i, j, i == j ? diagonal : 1.0 / (i + 2 * j)});
            const bool kept = i == j || (3 * i + 7 * j) % 5 == 0;
            sparse.stamps.push_back({i, j, kept ? dense.stamps.back().value : 0.0});
        }
    StampedMatrix m(dense);
    int error = 0;
    std::vector<Complex> x = FactorAndSolve(m, dense, false, &error);
    ASSERT_EQ(error, 0);
    EXPECT_LT(RelativeResidual(Dense(dense, 1.0), x, dense.rhs), 1e-14);
    m.Load(sparse, 1.0);
    x = FactorAndSolve(m, sparse, false, &error);
    ASSERT_EQ(error, 0);
    EXPECT_LT(RelativeResidual(Dense(sparse, 1.0), x, sparse.rhs), 1e-14);
    EXPECT_LT(RelativeDifference(x, DenseSolve(Dense(sparse, 1.0), sparse.rhs)), 1e-12);
}

// A chain of voltage sources: the inner nodes have no conductance, so neither their rows
// nor the branch rows have a diagonal until the preorder swaps the twin columns.
TEST(SparseMatrixPreorder, VoltageSourceLadderWithZeroDiagonals) {
    for (int sections : {1, 2, 7, 40}) {
        MnaSystem s;
        s.size = 2 * sections;
        s.rhs.assign(s.size + 1, 0.0);
        for (int i = 1; i <= sections; ++i) AddVoltageSource(s, i, i - 1, sections + i, i);
        AddAdmittance(s, sections, 0, 1e-3);
        StampedMatrix m(s);
        for (int i = 1; i <= s.size; ++i)
            EXPECT_NE(m.matrix->diag[i], nullptr) << sections << " sections, step " << i;
        int error = 0;
        std::vector<Complex> x = FactorAndSolve(m, s, false, &error);
        ASSERT_EQ(error, 0);
        double volts = 0;
        for (int i = 1; i <= sections; ++i) {
            volts += i;
            EXPECT_NEAR(x[i].real(), volts, 1e-12 * volts);
        }
        for (int i = 1; i <= sections; ++i)  // one current through the whole chain
            EXPECT_NEAR(x[sections + i].real(), -volts * 1e-3, 1e-15 * volts);
        EXPECT_EQ(MatrixFillInCount(m.matrix), 0) << sections << " sections";
    }
}

TEST(SparseMatrixReuse, NewEntryOrdersAgainAndSingularRefactorKeepsOrder) {
    MnaSystem s;
    s.size = 3;
    s.rhs = {0.0, 1.0, 0.0, 0.0};
    AddAdmittance(s, 1, 2, 1.0);
    AddAdmittance(s, 2, 3, 2.0);
    AddAdmittance(s, 3, 0, 4.0);
    StampedMatrix m(s);
    int error = 0;
    FactorAndSolve(m, s, false, &error);
    ASSERT_EQ(error, 0);
    const std::vector<int> rows = m.matrix->intToExtRow;

    // The resistor to ground vanishes: singular in the kept order, which stays.
    ClearMatrix(m.matrix);
    for (size_t i = 0; i < 8; ++i) m.slots[i]->real += s.stamps[i].value.real();
    EXPECT_EQ(FactorRealLU(m.matrix, 0.0), kMatrixSingular);
    EXPECT_GT(MatrixSingularRow(m.matrix), 0);
    EXPECT_FALSE(MatrixNeedsOrdering(m.matrix));
    EXPECT_EQ(m.matrix->intToExtRow, rows);
    m.Load(s, 1.0);
    std::vector<Complex> x = FactorAndSolve(m, s, false, &error);
    ASSERT_EQ(error, 0);
    EXPECT_LT(RelativeResidual(Dense(s, 1.0), x, s.rhs), 1e-14);

    // An entry that did not exist forces a new ordering; an existing one does not.
    GetMatrixElement(m.matrix, 2, 2);
    EXPECT_FALSE(MatrixNeedsOrdering(m.matrix));
    MatrixElement* added = GetMatrixElement(m.matrix, 1, 3);
    EXPECT_TRUE(MatrixNeedsOrdering(m.matrix));
    double rhs[5] = {0, 1, 1, 1, 1}, stale[5] = {9, 9, 9, 9, 9};
    GetMatrixElement(m.matrix, 4, 4);  // a new equation too: the old factors are void
    SolveMatrix(m.matrix, rhs, stale);
    for (double v : stale) EXPECT_EQ(v, 9.0);
    s.size = 4;
    s.rhs.push_back(0.0);
    s.stamps.push_back({4, 4, 1.0});
    m.slots.push_back(GetMatrixElement(m.matrix, 4, 4));
    m.Load(s, 1.0);
    added->real = 0.5;
    s.stamps.push_back({1, 3, 0.5});
    x = FactorAndSolve(m, s, false, &error);
    ASSERT_EQ(error, 0);
    EXPECT_FALSE(MatrixNeedsOrdering(m.matrix));
    EXPECT_LT(RelativeResidual(Dense(s, 1.0), x, s.rhs), 1e-14);
}

// A ring of four resistors: whichever node goes first, its two neighbours fill in. Asking
// for that fill-in afterwards gives an element that takes stamps in the kept order.
TEST(SparseMatrixReuse, FillInTakesStampsWithoutNewOrder) {
    MnaSystem s;
    s.size = 4;
    s.rhs = {0.0, 1.0, 0.0, -0.5, 0.25};
    for (int i = 1; i <= 4; ++i) {
        AddAdmittance(s, i, i % 4 + 1, 1.0 + i);
        AddAdmittance(s, i, 0, 0.1 * i);
    }
    StampedMatrix m(s);
    int error = 0;
    FactorAndSolve(m, s, false, &error);
    ASSERT_EQ(error, 0);
    ASSERT_EQ(MatrixFillInCount(m.matrix), 2);
    const int first = m.matrix->intToExtRow[1];
    const int a = first % 4 + 1, b = (first + 2) % 4 + 1;  // its two neighbours
    const int elements = MatrixElementCount(m.matrix);
    MatrixElement* ab = GetMatrixElement(m.matrix, a, b);
    MatrixElement* ba = GetMatrixElement(m.matrix, b, a);
    ASSERT_NE(ab, nullptr);
    ASSERT_NE(ba, nullptr);
    EXPECT_NE(ab, ba);
    EXPECT_FALSE(MatrixNeedsOrdering(m.matrix));
    EXPECT_EQ(MatrixElementCount(m.matrix), elements);
    // A resistor across the fill-in: two stamps on existing diagonals, two on the fill-ins.
    AddAdmittance(s, a, b, 3.0);
    m.slots.push_back(GetMatrixElement(m.matrix, a, a));
    m.slots.push_back(GetMatrixElement(m.matrix, b, b));
    m.slots.push_back(ab);
    m.slots.push_back(ba);
    m.Load(s, 1.0);
    std::vector<Complex> x = FactorAndSolve(m, s, false, &error);
    ASSERT_EQ(error, 0);
    EXPECT_FALSE(MatrixNeedsOrdering(m.matrix));
    EXPECT_EQ(m.matrix->intToExtRow[1], first);
    EXPECT_LT(RelativeDifference(x, DenseSolve(Dense(s, 1.0), s.rhs)), 1e-14);
}

// GMIN is added to the diagonal only while GMIN stepping is on.
TEST(SparseMatrixReuse, GminOnlyWhileSteppingIsActive) {
    MnaSystem s;
    s.size = 2;
    s.rhs = {0.0, 1.0, 0.0};
    AddAdmittance(s, 1, 2, 1.0);  // floating: singular without GMIN
    StampedMatrix m(s);
    EXPECT_EQ(FactorRealLU(m.matrix, 1e-3), kMatrixSingular);
    m.Load(s, 1.0);
    GminSteppingActive = true;
    int error = FactorRealLU(m.matrix, 1e-3);
    GminSteppingActive = false;
    ASSERT_EQ(error, 0);
    double rhs[3] = {0, 1, 0}, x[3] = {-7, 0, 0};
    SolveMatrix(m.matrix, rhs, x);
    EXPECT_EQ(x[0], -7);  // ground is never written
    EXPECT_NEAR(x[1] - x[2], 1.0 / 2.001, 1e-12);
    EXPECT_NEAR(x[1] + x[2], 1.0 / 1e-3, 1e-9);
}

// Magnitudes of at most 1e-100 do not propagate through the real factors; the complex
// solution carries them.
TEST(SparseMatrixSolve, RealTreatsTinyAsZeroComplexDoesNot) {
    SparseMatrix* m = nullptr;
    ASSERT_EQ(CreateCircuitMatrix(&m, 1e-3, 0.0), 0);
    GetMatrixElement(m, 1, 1)->real = 1.0;
    GetMatrixElement(m, 2, 1)->real = 1.0;
    GetMatrixElement(m, 2, 2)->real = 1.0;
    ASSERT_EQ(FactorRealLU(m, 0.0), 0);
    double rhs[3] = {0.0, 1e-101, 0.0}, x[3] = {0.0, 5.0, 5.0};
    SolveMatrix(m, rhs, x);
    EXPECT_EQ(x[2], 0.0);
    ASSERT_EQ(FactorComplexLU(m), 0);
    double crhs[6] = {0.0, 0.0, 1e-101, 0.0, 0.0, 0.0}, cx[6] = {};
    SolveMatrix(m, crhs, cx);
    EXPECT_EQ(cx[2], 1e-101);
    EXPECT_EQ(cx[4], -1e-101);
    DestroyCircuitMatrix(m);
}

struct SingularCase {
    const char* name;
    std::vector<Stamp> stamps;
    int size;
    int column;     // the external column that must be named, 0 for any
    bool ordering;  // found while ordering, so the next factorisation orders again
};

TEST(SparseMatrixSingular, ReportsTheFailingRowAndPassesNoNaN) {
    const double nan = std::nan("");
    const SingularCase cases[] = {
        {"all-zero column",
         {{1, 1, 2.0}, {2, 2, 3.0}, {3, 1, 1.0}, {3, 2, 1.0}, {1, 2, 1.0}},
         3,
         3,
         true},
        {"floating pair",
         {{1, 1, 1.0}, {2, 2, 1.0}, {1, 2, -1.0}, {2, 1, -1.0}, {3, 3, 5.0}},
         3,
         0,
         true},
        {"zero entries", {{1, 1, 0.0}, {2, 2, 1.0}, {1, 2, 0.0}}, 2, 1, true},
        {"NaN stamp", {{1, 1, nan}, {2, 2, 1.0}, {1, 2, 1.0}, {2, 1, 1.0}}, 2, 0, true},
        {"infinite stamp", {{1, 1, HUGE_VAL}, {2, 2, 1.0}, {1, 2, 1.0}, {2, 1, 1.0}}, 2, 0, false},
    };
    for (const SingularCase& c : cases) {
        for (bool complex : {false, true}) {
            MnaSystem s;
            s.size = c.size;
            s.stamps = c.stamps;
            s.rhs.assign(c.size + 1, 1.0);
            StampedMatrix m(s);
            int error = complex ? FactorComplexLU(m.matrix) : FactorRealLU(m.matrix, 0.0);
            EXPECT_EQ(error, kMatrixSingular) << c.name;
            EXPECT_EQ(MatrixError(m.matrix), kMatrixSingular) << c.name;
            EXPECT_GE(MatrixSingularRow(m.matrix), 1) << c.name;
            EXPECT_LE(MatrixSingularRow(m.matrix), c.size) << c.name;
            if (c.column) {
                EXPECT_EQ(MatrixSingularColumn(m.matrix), c.column) << c.name;
            }
            std::vector<double> x(2 * (c.size + 1), 42.0), rhs(2 * (c.size + 1), 1.0);
            SolveMatrix(m.matrix, rhs.data(), x.data());  // no factors: nothing written
            for (double v : x) EXPECT_EQ(v, 42.0) << c.name;
            EXPECT_EQ(MatrixNeedsOrdering(m.matrix), c.ordering) << c.name;
        }
    }
    char text[64];
    LoadResString(text, kMatrixSingular, sizeof text);
    EXPECT_STREQ(text, "%EMatrix is singular.");
}

TEST(SparseMatrixElements, IndicesGroundGrowthAndErrors) {
    SparseMatrix* m = nullptr;
    ASSERT_EQ(CreateCircuitMatrix(&m, 1e-3, 1e-13), 0);
    // Internal indices are handed out in request order, row first.
    MatrixElement* e55 = GetMatrixElement(m, 5, 5);
    GetMatrixElement(m, 7, 3);
    EXPECT_EQ(m->extToIntRow[5], 1);
    EXPECT_EQ(m->extToIntRow[7], 2);
    EXPECT_EQ(m->extToIntRow[3], 3);
    // Ground goes to the discard element, which never reaches the system.
    MatrixElement* g = GetMatrixElement(m, 0, 5);
    EXPECT_EQ(g, GetMatrixElement(m, 5, 0));
    g->real += 1e9;
    // Growth far past the first allocation keeps every element where it was.
    std::vector<MatrixElement*> diag;
    for (int i = 1; i <= 500; ++i) diag.push_back(GetMatrixElement(m, i, i));
    EXPECT_EQ(diag[4], e55);
    for (int i = 1; i <= 500; ++i) {
        ASSERT_EQ(GetMatrixElement(m, i, i), diag[i - 1]);
        diag[i - 1]->real = i;
    }
    GetMatrixElement(m, 3, 7)->real = 0;
    GetMatrixElement(m, 7, 3)->real = 0;
    ASSERT_EQ(FactorRealLU(m, 0.0), 0);
    std::vector<double> rhs(501, 1.0), x(501, 0.0);
    SolveMatrix(m, rhs.data(), x.data());
    for (int i = 1; i <= 500; ++i) EXPECT_DOUBLE_EQ(x[i], 1.0 / i);
    EXPECT_EQ(MatrixSize(m), 500);
    DestroyCircuitMatrix(m);

    int error = 0;
    EXPECT_EQ(CreateSparseMatrix(-1, false, &error, 1e-3, 0.0), nullptr);
    EXPECT_EQ(error, kMatrixNegativeSize);
    EXPECT_EQ(MatrixError(nullptr), kMatrixNoMemory);
    DestroyCircuitMatrix(nullptr);
}

}  // namespace
}  // namespace ob7
