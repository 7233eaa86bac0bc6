// The sparse matrix record: creation, growth, element look-up, clearing, the MNA
// preorder and the solution. Ordering and factorisation are in matrix_order.cpp.

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "sim/engine/sparse_matrix_internal.h"

namespace ob7 {

bool GminSteppingActive = false;

bool ElementPool::Reserve(int count) {
    if (count <= left) return true;
    nextBlockSize = count;  // the rest of the current block stays unused
    left = 0;
    if (!Take()) return false;
    --blockUsed.back();  // given back: the next Take hands it out again
    ++left;
    return true;
}

MatrixElement* ElementPool::Take() {
    if (left == 0) {
        int n = nextBlockSize > 0 ? nextBlockSize : kElementsPerLaterBlock;
        try {
            std::unique_ptr<MatrixElement[], LargeBlockDeleter<MatrixElement>> block(
                static_cast<MatrixElement*>(AllocateLargeBlock(size_t(n) * sizeof(MatrixElement))),
                LargeBlockDeleter<MatrixElement>{size_t(n)});
            blocks.push_back(std::move(block));
            blockUsed.push_back(0);
        } catch (const std::bad_alloc&) {
            if (blocks.size() > blockUsed.size()) blocks.pop_back();
            return nullptr;
        }
        left = n;
        // Later blocks grow with the pool, so a large matrix costs few allocations.
        allocated += n;
        nextBlockSize = int(std::clamp<int64_t>(allocated / 4, kElementsPerLaterBlock,
                                                kElementsPerLargestBlock));
    }
    --left;
    return &blocks.back()[blockUsed.back()++];
}

namespace {

int GrownSize(int needed, int old) { return std::max(needed, static_cast<int>(old * 1.5)); }

// Grows the two external maps so that `index` fits.
bool GrowExternal(SparseMatrix* m, int index) {
    if (index <= m->allocExternal) return true;
    int n = GrownSize(index, m->allocExternal);
    try {
        m->extToIntRow.resize(n + 1, -1);
        m->extToIntCol.resize(n + 1, -1);
    } catch (const std::bad_alloc&) {
        return false;
    }
    m->allocExternal = n;
    return true;
}

// Makes internal index `index` exist. The ordering arrays are dropped, so the next
// ordering sizes them again.
bool GrowInternal(SparseMatrix* m, int index) {
    if (index > m->allocInternal) {
        int n = GrownSize(index, m->allocInternal);
        try {
            m->diag.resize(n + 1, nullptr);
            m->firstInCol.resize(n + 1, nullptr);
            m->firstInRow.resize(n + 1, nullptr);
            m->intToExtRow.resize(n + 1, 0);
            m->intToExtCol.resize(n + 1, 0);
        } catch (const std::bad_alloc&) {
            return false;
        }
        m->allocInternal = n;
    }
    if (index > m->size) {
        m->size = index;
        m->markowitzRow.clear();
        m->markowitzCol.clear();
        m->markowitzProd.clear();
        m->directReal.clear();
        m->directComplex.clear();
        m->intermediate.clear();
        m->lu.built = false;
    }
    return true;
}

// External to internal: a new external index gets the next internal index, which then
// serves as its row and its column.
int InternalIndex(SparseMatrix* m, int ext, bool row) {
    if (!GrowExternal(m, ext)) return -1;
    if (m->extToIntRow[ext] == -1) {
        int in = m->currentSize + 1;
        if (!GrowInternal(m, in)) return -1;
        m->currentSize = in;
        m->extToIntRow[ext] = in;
        m->extToIntCol[ext] = in;
        m->intToExtRow[in] = ext;
        m->intToExtCol[in] = ext;
    }
    return row ? m->extToIntRow[ext] : m->extToIntCol[ext];
}

MatrixElement* FindInColumn(const SparseMatrix* m, int row, int col) {
    for (MatrixElement* e = m->firstInCol[col]; e && e->row <= row; e = e->nextInCol)
        if (e->row == row) return e;
    return nullptr;
}

// A new element spliced into column `col` after `above` (null: at the head) and, once the
// rows are linked, into its row. Returns null and sets 15002 when memory runs out.
MatrixElement* CreateElement(SparseMatrix* m, int row, int col, MatrixElement* above) {
    MatrixElement* e = m->elements.Take();
    if (!e) {
        m->error = kMatrixNoMemory;
        return nullptr;
    }
    *e = MatrixElement{0.0, 0.0, row, col, nullptr, nullptr};
    if (above) {
        e->nextInCol = above->nextInCol;
        above->nextInCol = e;
    } else {
        e->nextInCol = m->firstInCol[col];
        m->firstInCol[col] = e;
    }
    if (row == col) m->diag[row] = e;
    if (m->rowsLinked) {
        MatrixElement* left = nullptr;
        for (MatrixElement* p = m->firstInRow[row]; p && p->col < col; p = p->nextInRow) left = p;
        if (left) {
            e->nextInRow = left->nextInRow;
            left->nextInRow = e;
        } else {
            e->nextInRow = m->firstInRow[row];
            m->firstInRow[row] = e;
        }
    }
    // The factors no longer describe the matrix.
    m->needsOrdering = true;
    m->factored = false;
    ++m->elementCount;
    return e;
}

}  // namespace

void LinkRows(SparseMatrix* m) {
    std::fill(m->firstInRow.begin(), m->firstInRow.end(), nullptr);
    for (int col = m->size; col >= 1; --col) {
        for (MatrixElement* e = m->firstInCol[col]; e; e = e->nextInCol) {
            e->col = col;
            e->nextInRow = m->firstInRow[e->row];
            m->firstInRow[e->row] = e;
        }
    }
    m->rowsLinked = true;
}

SparseMatrix* CreateSparseMatrix(int size, bool complex, int* error, double relThreshold,
                                 double absThreshold) {
    if (size < 0) {
        if (error) *error = kMatrixNegativeSize;
        return nullptr;
    }
    SparseMatrix* m = new (std::nothrow) SparseMatrix;
    if (!m) {
        if (error) *error = kMatrixNoMemory;
        return nullptr;
    }
    m->complex = complex;
    m->relThreshold = relThreshold;
    m->absThreshold = absThreshold;
    int alloc = std::max(size, kMinAllocatedSize);
    try {
        m->diag.assign(alloc + 1, nullptr);
        m->firstInCol.assign(alloc + 1, nullptr);
        m->firstInRow.assign(alloc + 1, nullptr);
        m->intToExtRow.assign(alloc + 1, 0);
        m->intToExtCol.assign(alloc + 1, 0);
        m->extToIntRow.assign(alloc + 1, -1);
        m->extToIntCol.assign(alloc + 1, -1);
    } catch (const std::bad_alloc&) {
        delete m;
        if (error) *error = kMatrixNoMemory;
        return nullptr;
    }
    m->allocInternal = alloc;
    m->allocExternal = alloc;
    m->elements.nextBlockSize = kElementsPerRowFirstBlock * alloc;
    m->fillIns.nextBlockSize = kFillInsPerRowFirstBlock * alloc;
    // A matrix created with a size has those indices in their natural order.
    for (int i = 1; i <= size; ++i) {
        m->extToIntRow[i] = m->extToIntCol[i] = i;
        m->intToExtRow[i] = m->intToExtCol[i] = i;
    }
    m->size = m->currentSize = size;
    if (error) *error = 0;
    return m;
}

int CreateCircuitMatrix(SparseMatrix** out, double relThreshold, double absThreshold) {
    int error = 0;
    *out = CreateSparseMatrix(0, true, &error, relThreshold, absThreshold);
    return error;
}

void DestroyCircuitMatrix(SparseMatrix* matrix) { delete matrix; }

MatrixElement* GetMatrixElement(SparseMatrix* m, int row, int column) {
    if (!m) return nullptr;
    if (row < 0 || column < 0) {
        m->error = kMatrixNegativeSize;
        return nullptr;
    }
    if (row == 0 || column == 0) return &m->discard;
    if (!LinkFromFactors(m)) return nullptr;
    int r = InternalIndex(m, row, true);
    int c = r < 0 ? -1 : InternalIndex(m, column, false);
    if (r < 0 || c < 0) {
        m->error = kMatrixNoMemory;
        return nullptr;
    }
    if (r == c && m->diag[r]) return m->diag[r];
    MatrixElement* above = nullptr;
    for (MatrixElement* e = m->firstInCol[c]; e && e->row <= r; e = e->nextInCol) {
        if (e->row == r) return e;
        above = e;
    }
    return CreateElement(m, r, c, above);
}

void ClearMatrix(SparseMatrix* m) {
    if (!m) return;
    if (m->complex || m->previousClearComplex) {
        auto zero = [](MatrixElement& e) { e.real = e.imag = 0.0; };
        m->elements.ForEach(zero);
        m->fillIns.ForEach(zero);
    } else {
        auto zero = [](MatrixElement& e) { e.real = 0.0; };
        m->elements.ForEach(zero);
        m->fillIns.ForEach(zero);
    }
    m->discard.real = m->discard.imag = 0.0;
    m->error = 0;
    m->factored = false;
    m->singularRow = m->singularCol = 0;
    m->previousClearComplex = m->complex;
}

namespace {

bool IsUnit(const MatrixElement* e) { return Magnitude(e) == 1.0; }

// Unit twins of a step without a diagonal: (r, j) and (j, r), both of magnitude exactly 1.
// Counts up to 2 and keeps the first pair.
int CountUnitTwins(SparseMatrix* m, int j, MatrixElement** twin1, MatrixElement** twin2) {
    int count = 0;
    for (MatrixElement* e = m->firstInCol[j]; e; e = e->nextInCol) {
        if (!IsUnit(e)) continue;
        MatrixElement* mirror = FindInColumn(m, j, e->row);
        if (mirror && IsUnit(mirror)) {
            if (count == 0) {
                *twin1 = e;
                *twin2 = mirror;
            }
            if (++count == 2) break;
        }
    }
    return count;
}

// Swaps the columns of a twin pair so that both twins become diagonals.
void SwapTwinColumns(SparseMatrix* m, MatrixElement* twin1, MatrixElement* twin2) {
    int col1 = twin1->col;  // twin1 at (r, j), twin2 at (j, r)
    int col2 = twin2->col;
    std::swap(m->firstInCol[col1], m->firstInCol[col2]);
    for (MatrixElement* e = m->firstInCol[col1]; e; e = e->nextInCol) e->col = col1;
    for (MatrixElement* e = m->firstInCol[col2]; e; e = e->nextInCol) e->col = col2;
    std::swap(m->intToExtCol[col1], m->intToExtCol[col2]);
    m->extToIntCol[m->intToExtCol[col1]] = col1;
    m->extToIntCol[m->intToExtCol[col2]] = col2;
    m->diag[twin1->row] = twin1;
    m->diag[twin2->row] = twin2;
}

}  // namespace

int PreorderCircuitMatrix(SparseMatrix* m) {
    if (!m) return kMatrixNoMemory;
    if (m->rowsLinked) return m->error;
    MatrixElement* twin1 = nullptr;
    MatrixElement* twin2 = nullptr;
    int start = 1;
    bool anotherPass;
    do {
        anotherPass = false;
        bool swapped = false;
        for (int j = start; j <= m->size; ++j) {
            if (m->diag[j]) continue;
            int twins = CountUnitTwins(m, j, &twin1, &twin2);
            if (twins == 1) {
                SwapTwinColumns(m, twin1, twin2);
                swapped = true;
            } else if (twins > 1 && !anotherPass) {
                anotherPass = true;
                start = j;
            }
        }
        // Only ambiguous steps are left: settle the first one by its first pair.
        if (anotherPass && !swapped) {
            for (int j = start; j <= m->size; ++j) {
                if (m->diag[j]) continue;
                if (CountUnitTwins(m, j, &twin1, &twin2) > 1) {
                    SwapTwinColumns(m, twin1, twin2);
                    break;
                }
            }
        }
    } while (anotherPass);
    return m->error;
}

namespace {

void AddGminToDiagonal(SparseMatrix* m, double gmin) {
    if (gmin == 0.0) return;
    for (int i = m->size; i >= 1; --i)
        if (m->diag[i]) m->diag[i]->real += gmin;
}

}  // namespace

int FactorRealLU(SparseMatrix* m, double gmin) {
    if (!m) return kMatrixNoMemory;
    m->complex = false;
    if (GminSteppingActive) AddGminToDiagonal(m, gmin);
    return FactorMatrix(m);
}

int FactorComplexLU(SparseMatrix* m) {
    if (!m) return kMatrixNoMemory;
    m->complex = true;
    return FactorMatrix(m);
}

namespace {

// The real factors hold 0 wherever a magnitude is at most 1e-100 (see RefactorReal), so
// only the entries of the work vector need that test here. Each step waits for the entry
// the steps before it updated; where a column's update of the next step's entry comes
// first going forward (last going back), that value is handed on in a register rather
// than read back from memory. The operations and their order are unchanged.
void SolveReal(SparseMatrix* m, const double* rhs, double* solution) {
    const PackedFactors& f = m->lu;
    const int n = m->size;
    double* __restrict b = m->intermediate.data();
    const double* __restrict v = f.real.data();
    const int* __restrict rowOf = f.rowOf.data();
    const int* __restrict colStart = f.colStart.data();
    const int* __restrict diagPos = f.diagPos.data();
    for (int i = n; i >= 1; --i) b[i] = rhs[m->intToExtRow[i]];
    bool handedOn = false;
    double next = 0.0;
    for (int k = 1; k <= n; ++k) {
        double x = handedOn ? next : b[k];
        handedOn = false;
        if (std::fabs(x) <= kNegligible) continue;
        const int d = diagPos[k], e = colStart[k + 1];
        x *= v[d];
        b[k] = x;
        if (std::fabs(x) <= kNegligible) continue;
        int p = d + 1;
        if (p < e && rowOf[p] == k + 1) {
            next = b[k + 1] - x * v[p];
            b[k + 1] = next;
            handedOn = true;
            ++p;
        }
        for (; p < e; ++p) b[rowOf[p]] -= x * v[p];
    }
    handedOn = false;
    for (int k = n; k >= 1; --k) {
        const double x = handedOn ? next : b[k];
        handedOn = false;
        if (std::fabs(x) <= kNegligible) continue;
        const int s = colStart[k], d = diagPos[k];
        const int last = d > s && rowOf[d - 1] == k - 1 ? d - 1 : d;
        for (int p = s; p < last; ++p) b[rowOf[p]] -= v[p] * x;
        if (last < d) {
            next = b[k - 1] - v[last] * x;
            b[k - 1] = next;
            handedOn = true;
        }
    }
    for (int i = 1; i <= n; ++i) solution[m->intToExtCol[i]] = b[i];
}

void SolveComplex(SparseMatrix* m, const double* rhs, double* solution) {
    const PackedFactors& f = m->lu;
    const int n = m->size;
    double* b = m->intermediate.data();
    const double* v = f.complex.data();
    const int* rowOf = f.rowOf.data();
    for (int i = n; i >= 1; --i) {
        int ext = m->intToExtRow[i];
        b[2 * i] = rhs[2 * ext];
        b[2 * i + 1] = rhs[2 * ext + 1];
    }
    for (int k = 1; k <= n; ++k) {
        double xr = b[2 * k], xi = b[2 * k + 1];
        if (xr == 0.0 && xi == 0.0) continue;
        int d = f.diagPos[k];
        double rr = v[2 * d], ri = v[2 * d + 1];
        double yr = xr * rr - xi * ri, yi = xr * ri + xi * rr;
        b[2 * k] = yr;
        b[2 * k + 1] = yi;
        for (int p = d + 1, e = f.colStart[k + 1]; p < e; ++p) {
            int r = rowOf[p];
            b[2 * r] -= yr * v[2 * p] - yi * v[2 * p + 1];
            b[2 * r + 1] -= yr * v[2 * p + 1] + yi * v[2 * p];
        }
    }
    for (int k = n; k >= 1; --k) {
        double xr = b[2 * k], xi = b[2 * k + 1];
        if (xr == 0.0 && xi == 0.0) continue;
        for (int p = f.colStart[k], e = f.diagPos[k]; p < e; ++p) {
            int r = rowOf[p];
            b[2 * r] -= v[2 * p] * xr - v[2 * p + 1] * xi;
            b[2 * r + 1] -= v[2 * p] * xi + v[2 * p + 1] * xr;
        }
    }
    for (int i = 1; i <= n; ++i) {
        int ext = m->intToExtCol[i];
        solution[2 * ext] = b[2 * i];
        solution[2 * ext + 1] = b[2 * i + 1];
    }
}

}  // namespace

void SolveMatrix(SparseMatrix* m, const double* rhs, double* solution) {
    if (!m || !m->factored || m->size == 0) return;
    if (m->complex)
        SolveComplex(m, rhs, solution);
    else
        SolveReal(m, rhs, solution);
}

int MatrixError(const SparseMatrix* m) { return m ? m->error : kMatrixNoMemory; }
int MatrixSingularRow(const SparseMatrix* m) { return m ? m->singularRow : 0; }
int MatrixSingularColumn(const SparseMatrix* m) { return m ? m->singularCol : 0; }
int MatrixSize(const SparseMatrix* m) { return m ? m->size : 0; }
int MatrixElementCount(const SparseMatrix* m) { return m ? m->elementCount : 0; }
int MatrixFillInCount(const SparseMatrix* m) { return m ? m->fillInCount : 0; }
bool MatrixNeedsOrdering(const SparseMatrix* m) { return m && m->needsOrdering; }

int64_t MatrixMemoryBytes(const SparseMatrix* m) {
    if (!m) return 0;
    int64_t bytes = sizeof(SparseMatrix);
    for (const ElementPool* pool : {&m->elements, &m->fillIns})
        for (size_t b = 0; b < pool->blocks.size(); ++b) {
            int n = pool->blockUsed[b] + (b + 1 == pool->blocks.size() ? pool->left : 0);
            bytes += int64_t(n) * sizeof(MatrixElement);
        }
    auto vec = [](const auto& v) { return int64_t(v.capacity() * sizeof(v[0])); };
    bytes += vec(m->diag) + vec(m->firstInCol) + vec(m->firstInRow) + vec(m->extToIntCol) +
             vec(m->extToIntRow) + vec(m->intToExtCol) + vec(m->intToExtRow) +
             vec(m->markowitzRow) + vec(m->markowitzCol) + vec(m->markowitzProd) +
             vec(m->intermediate) + vec(m->directReal) + vec(m->directComplex);
    const PackedFactors& f = m->lu;
    bytes += vec(f.colStart) + vec(f.diagPos) + vec(f.rowOf) + vec(f.element) + vec(f.real) +
             vec(f.complex) + vec(f.scatter) + vec(f.superEnd) + vec(f.block) + vec(f.recip);
    return bytes;
}

}  // namespace ob7
