#pragma once
// The inside of SparseMatrix, shared by the matrix (sparse_matrix.cpp) and its ordering
// and factorisation (matrix_order.cpp). Users go through sparse_matrix.h only.

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/engine/large_blocks.h"
#include "sim/engine/sparse_matrix.h"

namespace ob7 {

constexpr int kMinAllocatedSize = 6;
constexpr int kElementsPerRowFirstBlock = 6;
constexpr int kFillInsPerRowFirstBlock = 4;
constexpr int kElementsPerLaterBlock = 31;
constexpr int kElementsPerLargestBlock = 1 << 16;
constexpr int kMaxMarkowitzTies = 100;
constexpr int kTiesMultiplier = 5;
constexpr int32_t kLargestMarkowitzProduct = 2147483646;
constexpr double kNegligible = 1e-100;

// Elements come from blocks that are never freed one by one, so pointers stay valid.
struct ElementPool {
    std::vector<std::unique_ptr<MatrixElement[], LargeBlockDeleter<MatrixElement>>> blocks;
    LargeVector<int> blockUsed;  // elements handed out from each block
    int left = 0;                // free elements in the last block
    int nextBlockSize = 0;
    int64_t allocated = 0;  // elements in all blocks

    MatrixElement* Take();     // null when memory runs out
    bool Reserve(int count);  // room for `count` more without a new block; false: no memory
    template <class F>
    void ForEach(F f) {
        for (size_t b = 0; b < blocks.size(); ++b)
            for (int i = 0; i < blockUsed[b]; ++i) f(blocks[b][i]);
    }
};

// The factors in the kept pivot order, packed by column: for column k, the entries of
// rows above the diagonal (the upper factor, scaled by the pivots), then the diagonal
// (held as its reciprocal), then the rows below (the lower factor). The loaded values are
// gathered through `element`, so the stamped elements are never overwritten.
struct PackedFactors {
    int size = 0;
    LargeVector<int> colStart;  // size + 2 entries, columns 1..size
    LargeVector<int> diagPos;   // position of each column's diagonal
    LargeVector<int> rowOf;     // internal row of each position
    LargeVector<MatrixElement*> element;
    LargeVector<double> real;     // real factors
    LargeVector<double> complex;  // complex factors, (re, im) per position
    LargeVector<int> scatter;     // position of each row in the column being refactored
    // Columns whose lower factors nest (column j's rows are j + 1 and those of column j + 1)
    // form a block; superEnd gives the last column of each column's block. A block updates
    // a later column through one dense accumulator, `block`.
    LargeVector<int> superEnd;
    LargeVector<double> block;
    LargeVector<double> recip;  // the real pivots' reciprocals by column, as in `real`
    bool built = false;  // the layout matches the kept pivot order
    bool planned = false;  // PlanRefactor has run on the layout
};

struct SparseMatrix {
    double absThreshold = 0;
    double relThreshold = 1e-3;
    int allocInternal = 0;
    int allocExternal = 0;
    bool complex = true;
    int currentSize = 0;                 // internal indices handed out
    LargeVector<MatrixElement*> diag;    // by internal step 1..size
    LargeVector<uint8_t> directComplex;  // addressing chosen by the partition, by step
    LargeVector<uint8_t> directReal;
    int elementCount = 0;
    int error = 0;
    LargeVector<int> extToIntCol;  // -1 for an index not seen yet
    LargeVector<int> extToIntRow;
    bool factored = false;
    int fillInCount = 0;
    LargeVector<MatrixElement*> firstInCol;
    LargeVector<MatrixElement*> firstInRow;
    LargeVector<double> intermediate;  // (re, im) per index: scatter and work vector
    std::vector<int> intToExtCol;
    std::vector<int> intToExtRow;
    LargeVector<int32_t> markowitzRow;
    LargeVector<int32_t> markowitzCol;
    LargeVector<int32_t> markowitzProd;  // two extra slots: size + 1 and size + 2
    bool needsOrdering = true;
    bool previousClearComplex = false;
    bool rowsLinked = false;
    int singularCol = 0;  // external
    int singularRow = 0;
    int singletons = 0;
    int size = 0;
    MatrixElement discard{};
    // What a fill-in reads until it gets its element: always zero, never handed out.
    MatrixElement fillInZero{};
    // The element lists wait to be linked from the packed factors (see LinkFromFactors).
    bool linksPending = false;
    ElementPool elements;
    ElementPool fillIns;
    PackedFactors lu;
};

// Shared between the two halves of the matrix code.
void LinkRows(SparseMatrix* m);
// Gives every fill-in of the last ordering its element and links every row and column from
// the packed factors; nothing when they are linked already. False when memory runs out.
bool LinkFromFactors(SparseMatrix* m);
int FactorMatrix(SparseMatrix* m);
void MarkMatrixSingular(SparseMatrix* m, int step);
inline double Magnitude(const MatrixElement* e) {
    return (e->real < 0 ? -e->real : e->real) + (e->imag < 0 ? -e->imag : e->imag);
}

}  // namespace ob7
