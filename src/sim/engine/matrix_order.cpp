// Ordering and factorisation of the sparse matrix. The first factorisation chooses the
// pivot order by the Markowitz criterion with threshold pivoting, eliminating in the
// linked lists and creating the fill-ins. The order is then packed by column, and every
// factorisation (the first included) computes the numbers left-looking in that packed
// layout, which is what each Newton iteration pays for.

#include <algorithm>
#include <climits>
#include <cmath>
#include <new>

#include "sim/engine/sparse_matrix_internal.h"

namespace ob7 {

namespace {

int32_t Product(int32_t rowCount, int32_t colCount) {
    int64_t p = int64_t(rowCount) * colCount;
    return p > kLargestMarkowitzProduct ? kLargestMarkowitzProduct : int32_t(p);
}

// Keeps the singleton count in step with a product that changed.
void UpdateProduct(SparseMatrix* m, int index) {
    int32_t old = m->markowitzProd[index];
    int32_t now = Product(m->markowitzRow[index], m->markowitzCol[index]);
    m->markowitzProd[index] = now;
    if (old == 0 && now != 0)
        --m->singletons;
    else if (old != 0 && now == 0)
        ++m->singletons;
}

bool AllocateOrderingArrays(SparseMatrix* m) {
    const size_t n = m->size;
    try {
        if (m->markowitzProd.size() != n + 3) {
            m->markowitzRow.assign(n + 1, 0);
            m->markowitzCol.assign(n + 1, 0);
            m->markowitzProd.assign(n + 3, 0);
            m->directReal.assign(n + 1, 1);
            m->directComplex.assign(n + 1, 1);
            m->intermediate.assign(2 * (n + 1), 0.0);
        }
    } catch (const std::bad_alloc&) {
        m->error = kMatrixNoMemory;
        return false;
    }
    return true;
}

void CountMarkowitz(SparseMatrix* m, int step) {
    for (int i = step; i <= m->size; ++i) {
        int32_t count = -1;
        for (MatrixElement* e = m->firstInRow[i]; e; e = e->nextInRow)
            if (e->col >= step) ++count;
        m->markowitzRow[i] = count;
        count = -1;
        for (MatrixElement* e = m->firstInCol[i]; e; e = e->nextInCol)
            if (e->row >= step) ++count;
        m->markowitzCol[i] = count;
    }
    m->singletons = 0;
    for (int i = step; i <= m->size; ++i) {
        m->markowitzProd[i] = Product(m->markowitzRow[i], m->markowitzCol[i]);
        if (m->markowitzProd[i] == 0) ++m->singletons;
    }
}

// The first element at or below the step of a column at or after it, and likewise in a row.
MatrixElement* FirstActiveInColumn(const SparseMatrix* m, int col) {
    MatrixElement* above = m->lastAbove[col];
    return above ? above->nextInCol : m->firstInCol[col];
}
MatrixElement* FirstActiveInRow(const SparseMatrix* m, int row) {
    MatrixElement* left = m->lastLeft[row];
    return left ? left->nextInRow : m->firstInRow[row];
}

// Largest magnitude in the element's column at or below the step, its own row excluded.
double LargestOtherInColumn(const SparseMatrix* m, const MatrixElement* pivot) {
    double largest = 0.0;
    for (MatrixElement* e = FirstActiveInColumn(m, pivot->col); e; e = e->nextInCol)
        if (e != pivot) largest = std::max(largest, Magnitude(e));
    return largest;
}

MatrixElement* SearchSingletonPivot(SparseMatrix* m, int step) {
    const int n = m->size;
    int32_t* prod = m->markowitzProd.data();
    const int saved = m->singletons;
    --m->singletons;  // on the assumption of success
    prod[n + 1] = prod[step];
    prod[step - 1] = 0;  // stops the scan
    int slot = n + 2;
    for (int tries = saved; tries > 0; --tries) {
        do --slot;
        while (prod[slot] != 0);
        int i = slot;
        if (i < step) break;
        if (i > n) i = step;
        MatrixElement* d = m->diag[i];
        if (!d) break;  // off-diagonal singletons are left to the other searches
        double mag = Magnitude(d);
        if (mag > m->absThreshold && mag > m->relThreshold * LargestOtherInColumn(m, d))
            return d;
    }
    m->singletons = saved;
    return nullptr;
}

// The other element of a row or column of product 1 inside the remaining submatrix.
MatrixElement* OtherInRow(SparseMatrix* m, int i) {
    for (MatrixElement* e = FirstActiveInRow(m, i); e; e = e->nextInRow)
        if (e->col != i) return e;
    return nullptr;
}
MatrixElement* OtherInColumn(SparseMatrix* m, int i) {
    for (MatrixElement* e = FirstActiveInColumn(m, i); e; e = e->nextInCol)
        if (e->row != i) return e;
    return nullptr;
}

MatrixElement* QuickSearchDiagonalPivot(SparseMatrix* m, int step) {
    const int n = m->size;
    int32_t* prod = m->markowitzProd.data();
    prod[n + 1] = prod[step];
    prod[step - 1] = -1;  // stops the scan
    MatrixElement* ties[kMaxMarkowitzTies];
    int lastTie = -1;
    int64_t smallest = INT64_MAX;
    int slot = n + 2;
    for (;;) {
        while (smallest < prod[--slot]) {
        }
        int i = slot;
        if (i < step) break;
        if (i > n) i = step;
        MatrixElement* d = m->diag[i];
        if (!d) continue;
        double mag = Magnitude(d);
        if (!(mag > m->absThreshold)) continue;  // also refuses a NaN
        if (prod[slot] == 1) {
            // One other entry in the row and one in the column: take the diagonal at once
            // when they lie symmetric and it is the largest of the three.
            MatrixElement* inRow = d->nextInRow;
            MatrixElement* inCol = d->nextInCol;
            if (!inRow && !inCol) {
                inRow = OtherInRow(m, i);
                inCol = OtherInColumn(m, i);
            }
            if (inRow && inCol && inRow->col == inCol->row &&
                mag >= std::max(Magnitude(inRow), Magnitude(inCol)))
                return d;
        }
        if (prod[slot] < smallest) {
            smallest = prod[slot];
            lastTie = 0;
            ties[0] = d;
        } else if (lastTie < kMaxMarkowitzTies - 1) {
            ties[++lastTie] = d;
            if (lastTie >= smallest * kTiesMultiplier) break;
        }
    }
    MatrixElement* chosen = nullptr;
    double bestRatio = 1.0 / m->relThreshold;
    for (int t = 0; t <= lastTie; ++t) {
        double ratio = LargestOtherInColumn(m, ties[t]) / Magnitude(ties[t]);
        if (ratio < bestRatio) {
            chosen = ties[t];
            bestRatio = ratio;
        }
    }
    return chosen;
}

MatrixElement* SearchDiagonalPivot(SparseMatrix* m, int step) {
    const int n = m->size;
    int32_t* prod = m->markowitzProd.data();
    prod[n + 1] = prod[step];
    MatrixElement* chosen = nullptr;
    int64_t smallest = INT64_MAX;
    double acceptedRatio = 0.0;
    int64_t ties = 0;
    for (int slot = n + 1; slot > step; --slot) {
        if (prod[slot] > smallest) continue;
        int i = slot > n ? step : slot;
        MatrixElement* d = m->diag[i];
        if (!d) continue;
        double mag = Magnitude(d);
        if (!(mag > m->absThreshold)) continue;
        double largest = LargestOtherInColumn(m, d);
        if (!(mag > m->relThreshold * largest)) continue;
        if (prod[slot] < smallest) {
            chosen = d;
            smallest = prod[slot];
            acceptedRatio = largest / mag;
            ties = 0;
        } else {
            ++ties;
            double ratio = largest / mag;
            if (ratio < acceptedRatio) {
                chosen = d;
                acceptedRatio = ratio;
            }
            if (ties >= smallest * kTiesMultiplier) return chosen;
        }
    }
    return chosen;
}

MatrixElement* SearchWholeMatrixPivot(SparseMatrix* m, int step) {
    MatrixElement* chosen = nullptr;
    MatrixElement* largestSeen = nullptr;
    double largestMag = 0.0;
    int64_t smallest = INT64_MAX;
    double acceptedRatio = 0.0;
    int64_t ties = 0;
    for (int col = step; col <= m->size; ++col) {
        MatrixElement* first = FirstActiveInColumn(m, col);
        double largestInCol = 0.0;
        for (MatrixElement* e = first; e; e = e->nextInCol)
            largestInCol = std::max(largestInCol, Magnitude(e));
        if (largestInCol == 0.0) continue;
        for (MatrixElement* e = first; e; e = e->nextInCol) {
            double mag = Magnitude(e);
            if (mag > largestMag) {
                largestSeen = e;
                largestMag = mag;
            }
            int32_t product = Product(m->markowitzRow[e->row], m->markowitzCol[col]);
            if (product > smallest) continue;
            if (!(mag > m->relThreshold * largestInCol && mag > m->absThreshold)) continue;
            if (product < smallest) {
                chosen = e;
                smallest = product;
                acceptedRatio = largestInCol / mag;
                ties = 0;
            } else {
                ++ties;
                double ratio = largestInCol / mag;
                if (ratio < acceptedRatio) {
                    chosen = e;
                    acceptedRatio = ratio;
                }
                if (ties >= smallest * kTiesMultiplier) return chosen;
            }
        }
    }
    if (chosen) return chosen;
    if (largestMag > 0.0) return largestSeen;
    m->error = kMatrixSingular;
    return nullptr;
}

MatrixElement* SelectPivot(SparseMatrix* m, int step) {
    MatrixElement* pivot = nullptr;
    if (m->singletons > 0 && (pivot = SearchSingletonPivot(m, step))) {
        m->pivotSearchKind = 's';
    } else if ((pivot = QuickSearchDiagonalPivot(m, step))) {
        m->pivotSearchKind = 'q';
    } else if ((pivot = SearchDiagonalPivot(m, step))) {
        m->pivotSearchKind = 'd';
    } else {
        pivot = SearchWholeMatrixPivot(m, step);
        m->pivotSearchKind = 'e';
    }
    return pivot;
}

// Moves an element to another row of its column, keeping the column in row order. `start`
// is an element of the column above both rows (null: the head). During an ordering only the
// part of a list at or after the step is kept in order.
void RelinkInColumn(SparseMatrix* m, MatrixElement* e, int newRow, MatrixElement* start) {
    MatrixElement** head = start ? &start->nextInCol : &m->firstInCol[e->col];
    MatrixElement** link = head;
    while (*link != e) link = &(*link)->nextInCol;
    *link = e->nextInCol;
    if (newRow < e->row) link = head;
    e->row = newRow;
    while (*link && (*link)->row < newRow) link = &(*link)->nextInCol;
    e->nextInCol = *link;
    *link = e;
}

void RelinkInRow(SparseMatrix* m, MatrixElement* e, int newCol, MatrixElement* start) {
    MatrixElement** head = start ? &start->nextInRow : &m->firstInRow[e->row];
    MatrixElement** link = head;
    while (*link != e) link = &(*link)->nextInRow;
    *link = e->nextInRow;
    if (newCol < e->col) link = head;
    e->col = newCol;
    while (*link && (*link)->col < newCol) link = &(*link)->nextInRow;
    e->nextInRow = *link;
    *link = e;
}

void ExchangeRows(SparseMatrix* m, int a, int b) {
    MatrixElement* ea = m->firstInRow[a];
    MatrixElement* eb = m->firstInRow[b];
    // Columns already eliminated are only relabelled here; SortLists puts them in order
    // when the ordering ends.
    while (ea && ea->col < a) {
        ea->row = b;
        ea = ea->nextInRow;
    }
    while (eb && eb->col < a) {
        eb->row = a;
        eb = eb->nextInRow;
    }
    while (ea || eb) {
        int colA = ea ? ea->col : INT_MAX;
        int colB = eb ? eb->col : INT_MAX;
        if (colA < colB) {
            MatrixElement* next = ea->nextInRow;
            RelinkInColumn(m, ea, b, m->lastAbove[ea->col]);
            ea = next;
        } else if (colB < colA) {
            MatrixElement* next = eb->nextInRow;
            RelinkInColumn(m, eb, a, m->lastAbove[eb->col]);
            eb = next;
        } else {
            MatrixElement* nextA = ea->nextInRow;
            MatrixElement* nextB = eb->nextInRow;
            RelinkInColumn(m, ea, b, m->lastAbove[ea->col]);
            RelinkInColumn(m, eb, a, m->lastAbove[eb->col]);
            ea = nextA;
            eb = nextB;
        }
    }
    std::swap(m->firstInRow[a], m->firstInRow[b]);
    std::swap(m->lastLeft[a], m->lastLeft[b]);
    std::swap(m->markowitzRow[a], m->markowitzRow[b]);
    std::swap(m->intToExtRow[a], m->intToExtRow[b]);
    m->extToIntRow[m->intToExtRow[a]] = a;
    m->extToIntRow[m->intToExtRow[b]] = b;
}

void ExchangeColumns(SparseMatrix* m, int a, int b) {
    MatrixElement* ea = m->firstInCol[a];
    MatrixElement* eb = m->firstInCol[b];
    while (ea && ea->row < a) {
        ea->col = b;
        ea = ea->nextInCol;
    }
    while (eb && eb->row < a) {
        eb->col = a;
        eb = eb->nextInCol;
    }
    while (ea || eb) {
        int rowA = ea ? ea->row : INT_MAX;
        int rowB = eb ? eb->row : INT_MAX;
        if (rowA < rowB) {
            MatrixElement* next = ea->nextInCol;
            RelinkInRow(m, ea, b, m->lastLeft[ea->row]);
            ea = next;
        } else if (rowB < rowA) {
            MatrixElement* next = eb->nextInCol;
            RelinkInRow(m, eb, a, m->lastLeft[eb->row]);
            eb = next;
        } else {
            MatrixElement* nextA = ea->nextInCol;
            MatrixElement* nextB = eb->nextInCol;
            RelinkInRow(m, ea, b, m->lastLeft[ea->row]);
            RelinkInRow(m, eb, a, m->lastLeft[eb->row]);
            ea = nextA;
            eb = nextB;
        }
    }
    std::swap(m->firstInCol[a], m->firstInCol[b]);
    std::swap(m->lastAbove[a], m->lastAbove[b]);
    std::swap(m->markowitzCol[a], m->markowitzCol[b]);
    std::swap(m->intToExtCol[a], m->intToExtCol[b]);
    m->extToIntCol[m->intToExtCol[a]] = a;
    m->extToIntCol[m->intToExtCol[b]] = b;
}

MatrixElement* FindActive(const SparseMatrix* m, int i) {
    for (MatrixElement* e = FirstActiveInColumn(m, i); e && e->row <= i; e = e->nextInCol)
        if (e->row == i) return e;
    return nullptr;
}

void MovePivotToStep(SparseMatrix* m, MatrixElement* pivot, int step) {
    const int row = pivot->row;
    const int col = pivot->col;
    m->pivotFoundRow = row;
    m->pivotFoundCol = col;
    if (row == step && col == step) return;
    if (row == col) {
        ExchangeRows(m, step, row);
        ExchangeColumns(m, step, col);
        std::swap(m->markowitzProd[step], m->markowitzProd[row]);
        std::swap(m->diag[step], m->diag[row]);
        return;
    }
    if (row != step) {
        ExchangeRows(m, step, row);
        UpdateProduct(m, row);
    }
    if (col != step) {
        ExchangeColumns(m, step, col);
        UpdateProduct(m, col);
    }
    m->diag[col] = FindActive(m, col);
    m->diag[row] = FindActive(m, row);
    m->diag[step] = pivot;
    UpdateProduct(m, step);
}

MatrixElement* CreateFillIn(SparseMatrix* m, int row, int col, MatrixElement* above,
                            MatrixElement* left) {
    MatrixElement* e = CreateElement(m, row, col, above, true, left);
    if (!e) return nullptr;
    if (++m->markowitzRow[row] == 1 && m->markowitzCol[row] != 0) --m->singletons;
    m->markowitzProd[row] = Product(m->markowitzRow[row], m->markowitzCol[row]);
    if (++m->markowitzCol[col] == 1 && m->markowitzRow[col] != 0) --m->singletons;
    m->markowitzProd[col] = Product(m->markowitzRow[col], m->markowitzCol[col]);
    return e;
}

// Scaled complex reciprocal: divides by the larger part first.
void ComplexReciprocal(double re, double im, double* outRe, double* outIm) {
    if (std::fabs(re) >= std::fabs(im)) {
        double r = im / re, den = re + im * r;
        *outRe = 1.0 / den;
        *outIm = -r / den;
    } else {
        double r = re / im, den = im + re * r;
        *outRe = r / den;
        *outIm = -1.0 / den;
    }
}

// Right-looking elimination at one step of the ordering. `cursor` holds, per row, an
// element left of where the next fill-in of that row goes.
void Eliminate(SparseMatrix* m, int step, std::vector<MatrixElement*>& cursor) {
    MatrixElement* pivot = m->diag[step];
    if (Magnitude(pivot) == 0.0) {
        MarkMatrixSingular(m, step);
        return;
    }
    const bool complex = m->complex;
    if (complex) {
        ComplexReciprocal(pivot->real, pivot->imag, &pivot->real, &pivot->imag);
        for (MatrixElement* u = pivot->nextInRow; u; u = u->nextInRow) {
            double re = u->real * pivot->real - u->imag * pivot->imag;
            u->imag = u->real * pivot->imag + u->imag * pivot->real;
            u->real = re;
        }
    } else {
        pivot->real = 1.0 / pivot->real;
        for (MatrixElement* u = pivot->nextInRow; u; u = u->nextInRow) u->real *= pivot->real;
    }
    for (MatrixElement* l = pivot->nextInCol; l; l = l->nextInCol) cursor[l->row] = l;
    for (MatrixElement* u = pivot->nextInRow; u; u = u->nextInRow) {
        const int col = u->col;
        MatrixElement* above = u;
        for (MatrixElement* l = pivot->nextInCol; l; l = l->nextInCol) {
            const int row = l->row;
            while (above->nextInCol && above->nextInCol->row < row) above = above->nextInCol;
            MatrixElement* target = above->nextInCol;
            if (!target || target->row != row) {
                MatrixElement* left = cursor[row];
                while (left->nextInRow && left->nextInRow->col < col) left = left->nextInRow;
                target = CreateFillIn(m, row, col, above, left);
                if (!target) return;
            }
            cursor[row] = target;
            above = target;
            if (complex) {
                target->real -= u->real * l->real - u->imag * l->imag;
                target->imag -= u->real * l->imag + u->imag * l->real;
            } else if (std::fabs(u->real) > kNegligible && std::fabs(l->real) > kNegligible) {
                target->real -= u->real * l->real;
            }
        }
    }
}

void UpdateMarkowitzCounts(SparseMatrix* m, MatrixElement* pivot) {
    for (MatrixElement* l = pivot->nextInCol; l; l = l->nextInCol) {
        int row = l->row;
        --m->markowitzRow[row];
        m->markowitzProd[row] = Product(m->markowitzRow[row], m->markowitzCol[row]);
        if (m->markowitzRow[row] == 0) ++m->singletons;
    }
    for (MatrixElement* u = pivot->nextInRow; u; u = u->nextInRow) {
        int col = u->col;
        --m->markowitzCol[col];
        m->markowitzProd[col] = Product(m->markowitzRow[col], m->markowitzCol[col]);
        if (m->markowitzCol[col] == 0 && m->markowitzRow[col] != 0) ++m->singletons;
    }
}

// Packs the kept order by column and chooses each step's addressing for refactoring: a
// dense scatter vector where the updates outweigh the column, positions elsewhere.
bool BuildPackedFactors(SparseMatrix* m) {
    PackedFactors& f = m->lu;
    const int n = m->size;
    try {
        f.colStart.assign(n + 2, 0);
        f.diagPos.assign(n + 1, 0);
        int count = 0;
        for (int k = 1; k <= n; ++k) {
            f.colStart[k] = count;
            for (MatrixElement* e = m->firstInCol[k]; e; e = e->nextInCol) ++count;
        }
        f.colStart[n + 1] = count;
        f.rowOf.resize(count);
        f.element.resize(count);
        f.real.assign(count, 0.0);
        f.complex.clear();
        f.scatter.assign(n + 1, 0);
        for (int k = 1; k <= n; ++k) {
            int p = f.colStart[k];
            for (MatrixElement* e = m->firstInCol[k]; e; e = e->nextInCol, ++p) {
                f.rowOf[p] = e->row;
                f.element[p] = e;
                if (e->row == k) f.diagPos[k] = p;
            }
        }
    } catch (const std::bad_alloc&) {
        m->error = kMatrixNoMemory;
        return false;
    }
    for (int k = 1; k <= n; ++k) {
        int64_t nc = f.colStart[k + 1] - f.colStart[k];
        int64_t nm = f.diagPos[k] - f.colStart[k];
        int64_t no = 0;
        for (int p = f.colStart[k]; p < f.diagPos[k]; ++p) {
            int j = f.rowOf[p];
            no += f.colStart[j + 1] - f.diagPos[j] - 1;
        }
        m->directReal[k] = nm + no > 3 * nc - 2 * nm;
        m->directComplex[k] = nm + no > 7 * nc - 4 * nm;
    }
    f.size = n;
    f.built = true;
    m->partitioned = true;
    return true;
}

// Real arithmetic treats magnitudes of at most 1e-100 as zero. The factors are flushed to
// 0 where they are that small, so that the products need no test.
int RefactorReal(SparseMatrix* m) {
    PackedFactors& f = m->lu;
    double* __restrict x = m->intermediate.data();
    double* __restrict v = f.real.data();
    const int* __restrict rowOf = f.rowOf.data();
    const int* __restrict colStart = f.colStart.data();
    const int* __restrict diagPos = f.diagPos.data();
    int* __restrict at = f.scatter.data();
    MatrixElement* const* element = f.element.data();
    for (int k = 1; k <= m->size; ++k) {
        const int s = colStart[k], d = diagPos[k], e = colStart[k + 1];
        if (m->directReal[k]) {
            for (int p = s; p < e; ++p) x[rowOf[p]] = element[p]->real;
            for (int p = s; p < d; ++p) {
                const int j = rowOf[p];
                double u = x[j] * v[diagPos[j]];
                if (std::fabs(u) <= kNegligible) u = 0.0;
                v[p] = u;
                if (u == 0.0) continue;
                for (int q = diagPos[j] + 1, qe = colStart[j + 1]; q < qe; ++q)
                    x[rowOf[q]] -= u * v[q];
            }
            for (int p = d; p < e; ++p) v[p] = x[rowOf[p]];
        } else {
            for (int p = s; p < e; ++p) {
                v[p] = element[p]->real;
                at[rowOf[p]] = p;
            }
            for (int p = s; p < d; ++p) {
                const int j = rowOf[p];
                const double recip = v[diagPos[j]];
                double u = std::fabs(recip) > kNegligible ? v[p] * recip : 0.0;
                if (std::fabs(u) <= kNegligible) u = 0.0;
                v[p] = u;
                if (u == 0.0) continue;
                for (int q = diagPos[j] + 1, qe = colStart[j + 1]; q < qe; ++q)
                    v[at[rowOf[q]]] -= u * v[q];
            }
        }
        for (int p = d + 1; p < e; ++p) v[p] = std::fabs(v[p]) <= kNegligible ? 0.0 : v[p];
        const double pivot = v[d];
        const double recip = 1.0 / pivot;
        // A zero pivot, or one that overflowed or came from a NaN, ends the factorisation.
        if (pivot == 0.0 || !std::isfinite(recip) || !std::isfinite(pivot)) {
            MarkMatrixSingular(m, k);
            return m->error;
        }
        v[d] = std::fabs(recip) <= kNegligible ? 0.0 : recip;
    }
    return 0;
}

int RefactorComplex(SparseMatrix* m) {
    PackedFactors& f = m->lu;
    try {
        if (f.complex.size() != 2 * f.real.size()) f.complex.assign(2 * f.real.size(), 0.0);
    } catch (const std::bad_alloc&) {
        m->error = kMatrixNoMemory;
        return m->error;
    }
    double* x = m->intermediate.data();
    double* v = f.complex.data();
    const int* rowOf = f.rowOf.data();
    int* at = f.scatter.data();
    MatrixElement* const* element = f.element.data();
    for (int k = 1; k <= m->size; ++k) {
        const int s = f.colStart[k], d = f.diagPos[k], e = f.colStart[k + 1];
        const bool direct = m->directComplex[k];
        if (direct) {
            for (int p = s; p < e; ++p) {
                x[2 * rowOf[p]] = element[p]->real;
                x[2 * rowOf[p] + 1] = element[p]->imag;
            }
        } else {
            for (int p = s; p < e; ++p) {
                v[2 * p] = element[p]->real;
                v[2 * p + 1] = element[p]->imag;
                at[rowOf[p]] = p;
            }
        }
        for (int p = s; p < d; ++p) {
            const int j = rowOf[p];
            const int dj = f.diagPos[j];
            double* src = direct ? &x[2 * j] : &v[2 * p];
            const double ur = src[0] * v[2 * dj] - src[1] * v[2 * dj + 1];
            const double ui = src[0] * v[2 * dj + 1] + src[1] * v[2 * dj];
            v[2 * p] = ur;
            v[2 * p + 1] = ui;
            for (int q = dj + 1, qe = f.colStart[j + 1]; q < qe; ++q) {
                double* t = direct ? &x[2 * rowOf[q]] : &v[2 * at[rowOf[q]]];
                t[0] -= ur * v[2 * q] - ui * v[2 * q + 1];
                t[1] -= ur * v[2 * q + 1] + ui * v[2 * q];
            }
        }
        if (direct) {
            for (int p = d; p < e; ++p) {
                v[2 * p] = x[2 * rowOf[p]];
                v[2 * p + 1] = x[2 * rowOf[p] + 1];
            }
        }
        const double pr = v[2 * d], pi = v[2 * d + 1];
        double rr, ri;
        if ((pr == 0.0 && pi == 0.0) || !std::isfinite(pr) || !std::isfinite(pi)) {
            MarkMatrixSingular(m, k);
            return m->error;
        }
        ComplexReciprocal(pr, pi, &rr, &ri);
        if (!std::isfinite(rr) || !std::isfinite(ri)) {
            MarkMatrixSingular(m, k);
            return m->error;
        }
        v[2 * d] = rr;
        v[2 * d + 1] = ri;
    }
    return 0;
}

int Refactor(SparseMatrix* m) {
    m->error = 0;
    m->singularRow = m->singularCol = 0;
    m->factored = false;
    int result = m->complex ? RefactorComplex(m) : RefactorReal(m);
    if (result == 0) m->factored = true;
    return result;
}

// Puts every row and column list back in order after an ordering: the rows are rebuilt
// from the columns, then the columns from the rows, each visited last index first.
void SortLists(SparseMatrix* m) {
    LinkRows(m);
    std::fill(m->firstInCol.begin(), m->firstInCol.end(), nullptr);
    for (int row = m->size; row >= 1; --row) {
        for (MatrixElement* e = m->firstInRow[row]; e; e = e->nextInRow) {
            e->nextInCol = m->firstInCol[e->col];
            m->firstInCol[e->col] = e;
        }
    }
}

}  // namespace

void MarkMatrixSingular(SparseMatrix* m, int step) {
    m->singularRow = m->intToExtRow[step];
    m->singularCol = m->intToExtCol[step];
    m->error = kMatrixSingular;
    m->factored = false;
}

int OrderAndFactorMatrix(SparseMatrix* m, double relThreshold, double absThreshold) {
    if (!m) return kMatrixNoMemory;
    if (relThreshold <= 0.0 || relThreshold > 1.0) relThreshold = m->relThreshold;
    if (absThreshold < 0.0) absThreshold = m->absThreshold;
    m->relThreshold = relThreshold;
    m->absThreshold = absThreshold;
    m->error = 0;
    m->singularRow = m->singularCol = 0;
    m->factored = false;
    m->lu.built = false;
    m->partitioned = false;
    if (!m->rowsLinked) LinkRows(m);
    if (!AllocateOrderingArrays(m)) return m->error;

    // The elimination below works on the stored values; they are put back afterwards so
    // that the elements keep what was stamped.
    std::vector<double> stamped;
    std::vector<MatrixElement*> cursor;
    try {
        stamped.reserve(2 * size_t(m->elementCount));
        auto save = [&](MatrixElement& e) {
            stamped.push_back(e.real);
            stamped.push_back(e.imag);
        };
        m->elements.ForEach(save);
        m->fillIns.ForEach(save);
        cursor.assign(m->size + 1, nullptr);
        m->lastAbove.assign(m->size + 1, nullptr);
        m->lastLeft.assign(m->size + 1, nullptr);
    } catch (const std::bad_alloc&) {
        m->error = kMatrixNoMemory;
        return m->error;
    }

    CountMarkowitz(m, 1);
    for (int step = 1; step <= m->size; ++step) {
        MatrixElement* pivot = SelectPivot(m, step);
        if (!pivot) {
            MarkMatrixSingular(m, step);
            break;
        }
        MovePivotToStep(m, pivot, step);
        Eliminate(m, step, cursor);
        if (m->error >= kMatrixNegativeSize) break;
        UpdateMarkowitzCounts(m, pivot);
        for (MatrixElement* u = pivot->nextInRow; u; u = u->nextInRow) m->lastAbove[u->col] = u;
        for (MatrixElement* l = pivot->nextInCol; l; l = l->nextInCol) m->lastLeft[l->row] = l;
    }
    std::vector<MatrixElement*>().swap(m->lastAbove);
    std::vector<MatrixElement*>().swap(m->lastLeft);
    std::vector<MatrixElement*>().swap(cursor);
    SortLists(m);

    size_t i = 0;
    auto restore = [&](MatrixElement& e) {
        if (i < stamped.size()) {
            e.real = stamped[i];
            e.imag = stamped[i + 1];
            i += 2;
        } else {
            e.real = e.imag = 0.0;  // a fill-in made by this ordering
        }
    };
    m->elements.ForEach(restore);
    m->fillIns.ForEach(restore);

    if (m->error == 0 && BuildPackedFactors(m)) {
        m->needsOrdering = false;
        m->reordered = true;
        return Refactor(m);
    }
    m->needsOrdering = true;
    m->reordered = false;
    return m->error;
}

int FactorMatrix(SparseMatrix* m) {
    if (m->needsOrdering) return OrderAndFactorMatrix(m, 0.0, 0.0);
    if (!m->lu.built && !BuildPackedFactors(m)) return m->error;
    return Refactor(m);
}

}  // namespace ob7
