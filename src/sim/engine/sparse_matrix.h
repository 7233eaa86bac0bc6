#pragma once
// Sparse matrix of the modified nodal equations, solved by LU factorisation.
//
// The matrix protocol: declare every entry once, then stamp through the kept slot.
//  1. Set-up pass: each device asks GetMatrixElement (row, column) once for every entry it
//     will ever stamp and keeps the pointer it gets (the engine keeps them on its element
//     trail, in request order). Indices are external equation numbers from 1 upward;
//     row or column 0 is ground and returns the discard element, which nothing reads.
//  2. PreorderCircuitMatrix once, after the set-up pass has stamped its first values (the
//     preorder looks for voltage-source branches, entries of magnitude exactly 1).
//  3. Every load pass: ClearMatrix, then add through the kept pointers, never a look-up:
//        e->real += g;                  real systems (operating point, DC, transient)
//        e->real += g; e->imag += wC;   complex systems (AC)
//  4. FactorRealLU or FactorComplexLU, then SolveMatrix.
// Element pointers stay valid until DestroyCircuitMatrix: elements never move. The first
// factorisation chooses the pivot order (Markowitz with threshold pivoting); later ones
// reuse it and only redo the numbers. Asking for an entry that did not exist yet makes the
// next factorisation choose the order again. Factoring leaves the stamped values in the
// elements: the factors are kept apart, so a matrix may be factored again as it stands.
//
// Every operation that can fail returns 0 or a message code and leaves it in MatrixError.

#include <cstdint>

namespace ob7 {

// Result codes of the matrix operations.
constexpr int kMatrixOk = 0;
constexpr int kMatrixNegativeSize = 101;
constexpr int kMatrixNoMemory = 15002;  // "%EInsufficient memory."
constexpr int kMatrixSingular = 15051;  // "%EMatrix is singular."

// One stored entry. Users write only `real` and `imag`; the rest belongs to the matrix.
struct MatrixElement {
    double real;
    double imag;
    int32_t row;  // internal indices
    int32_t col;
    MatrixElement* nextInRow;  // ascending column order
    MatrixElement* nextInCol;  // ascending row order
};

struct SparseMatrix;

// The engine's GMIN-stepping flag: while set, FactorRealLU adds its gmin to every diagonal
// entry. The operating-point fall-back sets it and clears it when done.
extern bool GminSteppingActive;

// An empty complex-capable matrix of size 0 that grows as entries are requested.
// `relThreshold` and `absThreshold` are the pivot thresholds (the PIVREL and PIVTOL options).
// Returns 0 or the error code; *out is null on failure.
int CreateCircuitMatrix(SparseMatrix** out, double relThreshold, double absThreshold);

// A matrix with room for `size` equations. A negative size gives error 101 and no matrix;
// a failed allocation gives 15002 and no matrix.
SparseMatrix* CreateSparseMatrix(int size, bool complex, int* error, double relThreshold,
                                 double absThreshold);

// Frees the matrix and every element; a null matrix is ignored.
void DestroyCircuitMatrix(SparseMatrix* matrix);

// The element at external (row, column), created with value 0 when absent. Returns the
// discard element for row or column 0; null when memory runs out (error 15002) or for a
// negative index (error 101). A new element leaves the matrix unfactored.
MatrixElement* GetMatrixElement(SparseMatrix* matrix, int row, int column);

// Zeroes every stored value (both parts when the matrix is or was last complex), the
// discard element, the error and the singular row and column.
void ClearMatrix(SparseMatrix* matrix);

// The MNA preorder: swaps the columns of voltage-source branches (unit twins at (r, j) and
// (j, r) with no diagonal at j) so that their unit entries become diagonals. Runs once,
// before the first factorisation; returns the error field.
int PreorderCircuitMatrix(SparseMatrix* matrix);

// Real factorisation. While GminSteppingActive is set, `gmin` is added to every existing
// diagonal first. Orders on the first call and after a structural change, else refactors
// in the kept order. Returns 0, 15051 (see MatrixSingularRow), 15002.
int FactorRealLU(SparseMatrix* matrix, double gmin);

// Complex factorisation: the same in complex arithmetic (both parts of every element).
int FactorComplexLU(SparseMatrix* matrix);

// Orders and factors afresh in the present arithmetic. A relative threshold outside (0, 1]
// or a negative absolute threshold keeps the matrix's own. Returns 0 or the error.
int OrderAndFactorMatrix(SparseMatrix* matrix, double relThreshold, double absThreshold);

// Forward and back substitution on the factors of the last successful factorisation.
// Real mode: arrays of doubles indexed by external index. Complex mode: arrays of
// (real, imaginary) pairs, pair i at [2i], [2i+1]. `rhs` and `solution` may be the same
// array; index 0 of `solution` is not written. Without valid factors nothing is written.
void SolveMatrix(SparseMatrix* matrix, const double* rhs, double* solution);

// The error of the last operation, or 15002 for a null matrix.
int MatrixError(const SparseMatrix* matrix);

// External row and column of the step that was found singular, 0 when none.
int MatrixSingularRow(const SparseMatrix* matrix);
int MatrixSingularColumn(const SparseMatrix* matrix);

// Sizes: the order of the matrix, the stored elements (fill-ins included) and the fill-ins.
int MatrixSize(const SparseMatrix* matrix);
int MatrixElementCount(const SparseMatrix* matrix);
int MatrixFillInCount(const SparseMatrix* matrix);
// Bytes held by the matrix: elements, index arrays and factors.
int64_t MatrixMemoryBytes(const SparseMatrix* matrix);

// Whether the next factorisation will choose a pivot order (set at creation, by a new
// entry and by an ordering that failed).
bool MatrixNeedsOrdering(const SparseMatrix* matrix);

}  // namespace ob7
