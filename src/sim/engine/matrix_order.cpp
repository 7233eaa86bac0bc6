// Ordering and factorisation of the sparse matrix. The first factorisation chooses the
// pivot order by the Markowitz criterion with threshold pivoting, eliminating right-looking
// in compact arrays of the active part and creating the fill-ins; its numbers go straight
// into the factors, packed by column. Every later factorisation computes the numbers
// left-looking in that packed layout, which is what each Newton iteration pays for.

#include <algorithm>
#include <climits>
#include <limits>
#include <cmath>
#include <new>
#include <numeric>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

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

// An element with its final row and column, for sorting.
struct PlacedElement {
    int row, col;
    MatrixElement* element;
};

// Lists of varying length in one store, so that growing and dropping lists does not go
// through the heap each time. A list that outgrows its room moves to the end with twice
// the room; the store is packed again when it is full and the room left behind outweighs
// the room in use. The lists are chained in the order they lie (a moved list goes to the
// end of the chain), so packing needs no sort.
template <class T>
class ListStore {
  public:
    // Lists 1..count with the given lengths (index 0 unused); their items are to be set.
    void Reset(const LargeVector<int>& lengths) {
        const size_t count = lengths.size();
        start_.assign(count, 0);
        length_.assign(lengths.begin(), lengths.end());
        room_.assign(lengths.begin(), lengths.end());
        size_t at = 0;
        for (size_t i = 0; i < count; ++i) {
            start_[i] = at;
            at += size_t(room_[i]);
        }
        // Room for growing lists to move into before the store itself must move.
        store_.reserve(4 * at);
        store_.resize(at);
        inUse_ = at;
        // The chain's ends are the extra slot `count`.
        next_.resize(count + 1);
        prev_.resize(count + 1);
        for (size_t i = 0; i <= count; ++i) {
            next_[i] = int(i == count ? 0 : i + 1);
            prev_[i] = int(i == 0 ? count : i - 1);
        }
    }
    T* Data(int list) { return store_.data() + start_[list]; }
    int Size(int list) const { return length_[list]; }
    void Shrink(int list, int length) { length_[list] = length; }
    void Append(int list, const T& item) {
        if (length_[list] == room_[list]) Grow(list, 1);
        store_[start_[list] + size_t(length_[list]++)] = item;
    }
    // Lengthens a list by `count` items, to be set through the pointer returned.
    T* Extend(int list, int count) {
        if (room_[list] - length_[list] < count) Grow(list, count);
        T* added = store_.data() + start_[list] + length_[list];
        length_[list] += count;
        return added;
    }
    void Release(int list) {
        inUse_ -= size_t(room_[list]);
        length_[list] = room_[list] = 0;
    }
    void Free() {
        LargeVector<T>().swap(store_);
        start_.clear();
        length_.clear();
        room_.clear();
        next_.clear();
        prev_.clear();
        inUse_ = 0;
    }

  private:
    // Moves a list to the end with room for `more` items beyond its length. Packing copies
    // every list, so it waits until the store would otherwise have to move.
    void Grow(int list, int more) {
        const int room = std::max(2 * room_[list] + 4, length_[list] + more);
        if (store_.size() + size_t(room) > store_.capacity() && store_.size() > 2 * inUse_)
            Pack();
        const size_t at = store_.size();
        store_.resize(at + size_t(room));
        std::copy_n(store_.begin() + start_[list], length_[list], store_.begin() + at);
        inUse_ += size_t(room - room_[list]);
        start_[list] = at;
        room_[list] = room;
        // Now the last in the store.
        const int end = int(next_.size()) - 1;
        next_[prev_[list]] = next_[list];
        prev_[next_[list]] = prev_[list];
        prev_[list] = prev_[end];
        next_[list] = end;
        next_[prev_[end]] = list;
        prev_[end] = list;
    }
    // Packs in place, lists in the order they lie, so the memory is reused.
    void Pack() {
        const int end = int(next_.size()) - 1;
        size_t at = 0;
        for (int i = next_[end]; i != end; i = next_[i]) {
            if (room_[i] == 0) continue;
            std::copy_n(store_.begin() + start_[i], length_[i], store_.begin() + at);
            start_[i] = at;
            at += size_t(room_[i]);
        }
        store_.resize(at);
    }

    LargeVector<T> store_;
    LargeVector<size_t> start_;
    LargeVector<int> length_, room_;
    LargeVector<int> next_, prev_;  // the chain in store order
    size_t inUse_ = 0;  // room of the lists
};

// An entry of the active part while ordering: its row (by identity), an id by which the
// ordering keeps its element and imaginary part apart (so a walk reads 16 bytes an entry),
// and its real part as the elimination leaves it.
struct ActiveEntry {
    // Left unset: the list store writes an entry before reading it, and zeroing the room of
    // a growing list costs time.
    ActiveEntry() {}
    ActiveEntry(int r, int i, double v) : row(r), id(i), real(v) {}
    int row;
    int id;
    double real;
};

// An entry of the pivot column while a step eliminates.
struct LowerEntry {
    LowerEntry() {}  // left unset, as ActiveEntry
    LowerEntry(int r, int i, double re, double im) : row(r), id(i), real(re), imag(im) {}
    int row;
    int id;
    double real, imag;
};

// An entry of a row list: the column identity and the entry's id (its place in the column's
// array is kept by id, see placeOf_).
struct RowEntry {
    RowEntry() {}  // left unset, as ActiveEntry
    RowEntry(int c, int i) : col(c), id(i) {}
    int col;
    int id;
};

// A number of the factors as the elimination leaves it: an entry of a pivot row (by column
// identity) or of a pivot column (by row identity). Imaginary parts are kept apart, and
// only in complex arithmetic.
struct FactorEntry {
    FactorEntry() {}  // left unset, as ActiveEntry
    FactorEntry(int x, int i, double r) : index(x), id(i), real(r) {}
    int index;
    int id;
    double real;
};

// One ordering: Markowitz pivot choice with threshold pivoting, elimination and fill-ins.
// While it runs, rows and columns are known by identity (their index when it began), so
// that an exchange of two indices only swaps map entries, and the elements' row and column
// fields hold identities. The active part lives in compact arrays, one per column with the
// values and one per row with the column identities, which the elimination walks far
// faster than the linked elements; the elements themselves keep their stamped values.
// A pivot row's entries leave their columns as its step eliminates them (the last entry
// takes the place); entries of rows lists whose columns are eliminated are dropped as walks
// meet them. The order the searches and fill-ins follow within a column is that of the
// entry ids, highest first: the newest fill-in, then the stored elements in list order.
// Pack writes the factors; the elements get their final indices and links from them once
// something needs the lists (LinkFromFactors).
class Ordering {
  public:
    explicit Ordering(SparseMatrix* m) : m_(m) {}

    bool Allocate() {
        const int n = m_->size;
        try {
            rowAt_.resize(n + 1);
            colAt_.resize(n + 1);
            rowPos_.resize(n + 1);
            colPos_.resize(n + 1);
            rowState_.assign(n + 1, RowState{0.0, 0});
            pivotOut_.resize(n + 1);
            pivotImag_.resize(n + 1);
            upperEnd_.assign(n + 1, 0);
            lowerEnd_.assign(n + 1, 0);
            diagReal_.assign(n + 1, 0.0);
            diagImag_.assign(n + 1, 0.0);
            diag_.assign(n + 1, kNoEntry);
            for (int i = 1; i <= n; ++i) {
                if (MatrixElement* d = m_->diag[i]) {
                    diagReal_[i] = d->real;
                    diagImag_[i] = d->imag;
                }
            }
            LargeVector<int> colLength(n + 1, 0), rowLength(n + 1, 0);
            for (int c = 1; c <= n; ++c) {
                for (MatrixElement* e = m_->firstInCol[c]; e; e = e->nextInCol) {
                    ++colLength[c];
                    ++rowLength[e->row];
                    withImag_ = withImag_ || e->imag != 0.0;
                }
            }
            withImag_ = withImag_ || m_->complex;
            const size_t count = std::accumulate(colLength.begin(), colLength.end(), size_t(0));
            elementOf_.resize(count);
            // Room for fill-ins, so that the arrays by id seldom grow (NewIds).
            idCount_ = count;
            GrowIdArrays(4 * count);
            // The factors hold at least the stored elements.
            upperOut_.reserve(2 * count);
            lowerOut_.reserve(2 * count);
            cols_.Reset(colLength);
            rows_.Reset(rowLength);
            std::fill(rowLength.begin(), rowLength.end(), 0);
            int base = 0;
            for (int c = 1; c <= n; ++c) {
                ActiveEntry* col = cols_.Data(c);
                int at = colLength[c];
                for (MatrixElement* e = m_->firstInCol[c]; e; e = e->nextInCol) {
                    const int id = base + --at;
                    elementOf_[id] = e;
                    rowOf_[id] = e->row;
                    colOf_[id] = c;
                    if (e == m_->diag[c]) diag_[c] = id;
                    if (withImag_) imag_[id] = e->imag;
                    col[at] = {e->row, id, e->real};
                    placeOf_[id] = at;
                    rows_.Data(e->row)[rowLength[e->row]++] = {c, id};
                }
                base += colLength[c];
            }
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (int i = 0; i <= n; ++i) rowAt_[i] = colAt_[i] = rowPos_[i] = colPos_[i] = i;
        return true;
    }

    // Eliminates step by step; a failure is left in the matrix's error.
    void Run() {
        CountMarkowitz();
        try {
            for (step_ = 1; step_ <= m_->size; ++step_) {
                const int pivot = SelectPivot();
                if (pivot == kNoEntry) {
                    MarkMatrixSingular(m_, step_);
                    return;
                }
                MovePivotToStep(pivot);
                if (!Eliminate()) return;
                upperEnd_[step_] = int64_t(upperOut_.size());
                UpdateMarkowitzCounts();
                // The pivot row and column take no further part.
                cols_.Release(colOf_[pivot]);
                rows_.Release(rowOf_[pivot]);
            }
        } catch (const std::bad_alloc&) {
            m_->error = kMatrixNoMemory;
        }
    }

    // Writes the factors the elimination computed into the packed layout, so the numbers
    // are not computed a second time. The pivot rows come out step by step, so each
    // column's upper part is in row order; the pivot columns' entries are laid out through
    // a count by row. A fill-in gets its element here only on the diagonal (GMIN is added
    // there); the others read the record's zero until the lists are linked from the layout
    // (LinkFromFactors), which waits until something needs them. False when memory runs
    // out. A pivot that is not finite, or whose reciprocal is not, is left in SingularStep:
    // the order stands, the numbers not.
    bool Pack() {
        const int n = m_->size;
        const bool complex = m_->complex;
        cols_.Free();
        rows_.Free();
        const size_t count = size_t(n) + upperOut_.size() + lowerOut_.size();
        if (count > size_t(INT_MAX)) return false;
        PackedFactors& f = m_->lu;
        LargeVector<int> next, rowStart;
        struct Placed {
            int step, entry;
        };
        LargeVector<Placed> byRow;
        try {
            f.colStart.assign(n + 2, 0);
            f.diagPos.assign(n + 1, 0);
            // Every place is written below.
            f.rowOf.resize(count);
            f.element.resize(count);
            f.real.resize(count);
            if (complex)
                f.complex.resize(2 * count);
            else
                f.complex.clear();
            f.scatter.assign(n + 1, 0);
            next.assign(n + 2, 0);
            rowStart.assign(n + 2, 0);
            byRow.resize(lowerOut_.size());
        } catch (const std::bad_alloc&) {
            return false;
        }
        // Column k: the entries of earlier pivot rows, the pivot, then its own lower entries.
        for (const FactorEntry& u : upperOut_) ++next[colPos_[u.index]];
        for (int k = 1; k <= n; ++k) {
            f.diagPos[k] = f.colStart[k] + next[k];
            f.colStart[k + 1] = f.diagPos[k] + 1 + int(lowerEnd_[k] - lowerEnd_[k - 1]);
            next[k] = f.colStart[k];
        }
        const int stored = int(elementOf_.size());
        // Most entries are fill-ins, whose elements wait (see above).
        auto write = [&](int p, const FactorEntry& e, double imag) {
            f.element[p] = e.id < stored ? elementOf_[e.id] : &m_->fillInZero;
            if (complex) {
                f.complex[2 * p] = e.real;
                f.complex[2 * p + 1] = imag;
            } else {
                f.real[p] = std::fabs(e.real) <= kNegligible ? 0.0 : e.real;
            }
        };
        singularStep_ = 0;
        for (int k = 1; k <= n; ++k) {
            for (int64_t i = upperEnd_[k - 1]; i < upperEnd_[k]; ++i) {
                const int p = next[colPos_[upperOut_[i].index]]++;
                f.rowOf[p] = k;
                write(p, upperOut_[i], complex ? upperImag_[i] : 0.0);
            }
            const int d = f.diagPos[k];
            const FactorEntry& pivot = pivotOut_[k];
            const double pivotImag = pivotImag_[k];
            f.rowOf[d] = k;
            f.element[d] = pivot.id < stored ? elementOf_[pivot.id] : FillInElement(pivot.id);
            if (!f.element[d]) return false;
            m_->diag[k] = f.element[d];
            if (complex) {
                double rr = 0.0, ri = 0.0;
                bool usable = std::isfinite(pivot.real) && std::isfinite(pivotImag) &&
                              (pivot.real != 0.0 || pivotImag != 0.0);
                if (usable) {
                    ComplexReciprocal(pivot.real, pivotImag, &rr, &ri);
                    usable = std::isfinite(rr) && std::isfinite(ri);
                }
                if (!usable && !singularStep_) singularStep_ = k;
                f.complex[2 * d] = rr;
                f.complex[2 * d + 1] = ri;
            } else {
                const double recip = 1.0 / pivot.real;
                const bool usable =
                    pivot.real != 0.0 && std::isfinite(recip) && std::isfinite(pivot.real);
                if (!usable && !singularStep_) singularStep_ = k;
                f.real[d] = std::fabs(recip) <= kNegligible ? 0.0 : recip;
            }
        }
        for (const FactorEntry& l : lowerOut_) ++rowStart[rowPos_[l.index] + 1];
        for (int r = 1; r <= n + 1; ++r) rowStart[r] += rowStart[r - 1];
        for (int k = 1; k <= n; ++k) {
            for (int64_t i = lowerEnd_[k - 1]; i < lowerEnd_[k]; ++i)
                byRow[rowStart[rowPos_[lowerOut_[i].index]]++] = {k, int(i)};
            next[k] = f.diagPos[k] + 1;
        }
        for (const Placed& placed : byRow) {
            const FactorEntry& l = lowerOut_[placed.entry];
            const int p = next[placed.step]++;
            f.rowOf[p] = rowPos_[l.index];
            write(p, l, complex ? lowerImag_[placed.entry] : 0.0);
        }
        m_->linksPending = true;
        return true;
    }
    int SingularStep() const { return singularStep_; }

    // After a failed ordering: every fill-in gets its element, the elements get their
    // indices as they stand and every row and column is linked in order again.
    void Relink() {
        cols_.Free();
        rows_.Free();
        for (int id = int(elementOf_.size()); id < int(idCount_); ++id) {
            if (!FillInElement(id)) {
                m_->error = kMatrixNoMemory;
                break;
            }
        }
        auto renumber = [this](MatrixElement& e) {
            e.row = rowPos_[e.row];
            e.col = colPos_[e.col];
        };
        m_->elements.ForEach(renumber);
        m_->fillIns.ForEach(renumber);
        RelinkByLists();
    }

    // The same links through the lists alone, for when memory runs out.
    void RelinkByLists() {
        std::fill(m_->firstInCol.begin(), m_->firstInCol.end(), nullptr);
        auto toColumn = [this](MatrixElement& e) {
            e.nextInCol = m_->firstInCol[e.col];
            m_->firstInCol[e.col] = &e;
        };
        m_->elements.ForEach(toColumn);
        m_->fillIns.ForEach(toColumn);
        // Rows in column order from the columns, then columns in row order from the rows.
        LinkRows(m_);
        std::fill(m_->firstInCol.begin(), m_->firstInCol.end(), nullptr);
        for (int row = m_->size; row >= 1; --row) {
            for (MatrixElement* e = m_->firstInRow[row]; e; e = e->nextInRow) {
                e->nextInCol = m_->firstInCol[e->col];
                m_->firstInCol[e->col] = e;
            }
        }
        std::fill(m_->diag.begin(), m_->diag.end(), nullptr);
        for (int k = 1; k <= m_->size; ++k)
            for (MatrixElement* e = m_->firstInCol[k]; e && e->row <= k; e = e->nextInCol)
                if (e->row == k) m_->diag[k] = e;
    }

  private:
    // The element of a fill-in (by id), made on first need with its identities for indices;
    // null when memory runs out.
    MatrixElement* FillInElement(int id) {
        const size_t at = size_t(id) - elementOf_.size();
        if (fillInElement_.size() <= at)
            fillInElement_.resize(idCount_ - elementOf_.size(), nullptr);
        if (!fillInElement_[at]) {
            MatrixElement* e = m_->fillIns.Take();
            if (!e) return nullptr;
            *e = MatrixElement{0.0, 0.0, rowOf_[id], colOf_[id], nullptr, nullptr};
            fillInElement_[at] = e;
        }
        return fillInElement_[at];
    }

    // Visits the entries of an active column (by identity). They all lie at or below the
    // step: a pivot row's entries leave every active column as its step eliminates them.
    template <class F>
    void ForEachInColumn(int colId, F&& f) {
        ActiveEntry* col = cols_.Data(colId);
        for (int i = 0, n = cols_.Size(colId); i < n; ++i) f(col[i]);
    }
    // Visits the entries of a row at or right of the step.
    template <class F>
    void ForEachInRow(int rowId, F&& f) {
        RowEntry* row = rows_.Data(rowId);
        int kept = 0;
        for (int i = 0, n = rows_.Size(rowId); i < n; ++i) {
            if (colPos_[row[i].col] < step_) continue;
            row[kept] = row[i];
            f(row[kept]);
            ++kept;
        }
        rows_.Shrink(rowId, kept);
    }

    // Finds the element at internal (i, i), if any, and keeps it as that diagonal.
    void FindDiagonal(int i) {
        const ActiveEntry* found = nullptr;
        const int rowId = rowAt_[i];
        ForEachInColumn(colAt_[i], [&](ActiveEntry& e) {
            if (e.row == rowId) found = &e;
        });
        SetDiagonal(i, found ? found->id : kNoEntry, found);
    }

    void CountMarkowitz() {
        for (int i = 1; i <= m_->size; ++i) {
            m_->markowitzRow[i] = int32_t(rows_.Size(i)) - 1;
            m_->markowitzCol[i] = int32_t(cols_.Size(i)) - 1;
        }
        m_->singletons = 0;
        for (int i = 1; i <= m_->size; ++i) {
            m_->markowitzProd[i] = Product(m_->markowitzRow[i], m_->markowitzCol[i]);
            if (m_->markowitzProd[i] == 0) ++m_->singletons;
        }
        blockLow_.assign((m_->size >> kBlockShift) + 1, INT32_MAX);
        knownLargest_.assign(m_->size + 1, kUnknown);
        for (int i = 1; i <= m_->size; ++i) LowerBlock(i);
    }

    // The searches scan the products from the last index down to the step. Indices go in
    // blocks of 64 with a lower bound of each block's products, so a scan skips a block
    // where no product can qualify. A bound is lowered whenever a product is written and
    // made exact again when a scan enters its block.
    static constexpr int kBlockShift = 6;
    static constexpr int kBlockLast = (1 << kBlockShift) - 1;
    void LowerBlock(int i) {
        int32_t& low = blockLow_[i >> kBlockShift];
        low = std::min(low, m_->markowitzProd[i]);
    }

    // Visits the slots from size+1 down whose products are at most `bound()`, read again
    // after every visit, until `visit(slot)` returns false; the sentinel below the step
    // passes any bound a search uses, so it ends the scan. The bound never rises, so a block
    // lying wholly between the step and the size is read once: its slots at most the bound
    // become a mask, whose bits are taken highest first and checked against the bound of
    // the moment. Blocks whose products all exceed the bound are skipped.
    // Bit i: whether prod[i] is at most `bound`, for the 64 products of a block.
    static uint64_t BlockMask(const int32_t* prod, int64_t bound) {
        const int32_t limit = int32_t(std::clamp<int64_t>(bound, INT32_MIN, INT32_MAX));
        uint64_t bits = 0;
#if defined(__SSE2__)
        // Sixteen products at a time: the comparisons' all-ones and zeros stay so when
        // narrowed to bytes, one bit each.
        const __m128i above = _mm_set1_epi32(limit);
        auto over = [&](int i) {
            return _mm_cmpgt_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(prod + i)),
                                   above);
        };
        for (int i = 0; i <= kBlockLast; i += 16) {
            const __m128i low = _mm_packs_epi32(over(i), over(i + 4));
            const __m128i high = _mm_packs_epi32(over(i + 8), over(i + 12));
            const int overMask = _mm_movemask_epi8(_mm_packs_epi16(low, high));
            bits |= uint64_t(~overMask & 0xFFFF) << i;
        }
#else
        for (int i = 0; i <= kBlockLast; ++i) bits |= uint64_t(prod[i] <= limit) << i;
#endif
        return bits;
    }
    template <class Bound, class Visit>
    void ScanSlots(Bound bound, Visit visit) {
        const int32_t* prod = m_->markowitzProd.data();
        int64_t limit = bound();
        uint64_t bits = 0;  // the slots of the block at `slot` still to be looked at
        for (int slot = m_->size + 2;;) {
            int next;
            if (bits) {
                const int b = kBlockLast - __builtin_clzll(bits);
                bits &= ~(uint64_t(1) << b);
                next = slot + b;
                if (prod[next] > limit) continue;
            } else {
                next = --slot;
                const int base = slot & ~kBlockLast;
                if (base >= step_ && base + kBlockLast <= m_->size) {
                    // A whole block, entered at its top.
                    slot = base;
                    int32_t& low = blockLow_[base >> kBlockShift];
                    if (low > limit) continue;
                    bits = BlockMask(prod + base, limit);
                    // A block with nothing at most the bound is above it until a product
                    // falls.
                    if (bits == 0) low = int32_t(std::max<int64_t>(low, limit + 1));
                    continue;
                }
                // The partial blocks at the top and at the step, slot by slot.
                if (prod[next] > limit) continue;
            }
            if (!visit(next)) return;
            limit = bound();
        }
    }

    double DiagonalMagnitude(int i) const {
        const double re = diagReal_[i];
        if (!withImag_) return re < 0 ? -re : re;
        const double im = diagImag_[i];
        return (re < 0 ? -re : re) + (im < 0 ? -im : im);
    }
    void SetDiagonal(int i, int d, const ActiveEntry* value) {
        diag_[i] = d;
        diagReal_[i] = value ? value->real : 0.0;
        diagImag_[i] = value && withImag_ ? imag_[value->id] : 0.0;
    }

    // By index: the largest magnitude in the column at or below the step, the diagonal's row
    // excluded, or a lower bound of it, as far as known. A column changes only when it is
    // right of a pivot (its values are updated and the pivot row leaves it), and an index's
    // row and column change only by an exchange, so the answer is kept until then
    // (UpdateMarkowitzCounts, ExchangeRows, ExchangeColumns). Kept by index, it lies next
    // to those the searches judge before and after it. A magnitude kept is never -0 and a
    // lower bound is kept only when above 0, so one double tells all: the magnitude itself
    // when exact, the bound negated, -0 when unknown. (No NaN: comparing it would raise the
    // invalid-operation flag the ordering checks at its end.)
    static constexpr double kUnknown = -0.0;
    LargeVector<double> knownLargest_;

    // Largest magnitude in the column of the diagonal of index i at or below the step, its
    // own row excluded: its ratio to 1 where no ratio is too large, so the walk is whole
    // (an infinite magnitude ends it with the same answer).
    double LargestOtherInColumn(int i) {
        return TieRatio(i, 1.0, std::numeric_limits<double>::infinity());
    }

    // LargestOtherInColumn / mag for the diagonal of index i, where only a ratio below
    // `best` matters: the walk stops once the ratio cannot come below it, keeps the largest
    // magnitude so far as a lower bound and returns a ratio not below `best`. Division by a
    // positive magnitude keeps the order of the values, so the choice is the same as with
    // the whole column. A kept bound answers as well while the column stands, as long as
    // the ratio it gives is not below `best` either: the searches of later steps judge
    // mostly the same ties, whose columns are then not walked again.
    double TieRatio(int i, double mag, double best) {
        double& known = knownLargest_[i];
        if (!std::signbit(known)) return known / mag;
        if (known < 0.0) {
            const double ratio = -known / mag;
            if (!(ratio < best)) return ratio;
        }
        const int rowId = rowAt_[i], colId = colAt_[i];
        double largest = 0.0;
        const ActiveEntry* col = cols_.Data(colId);
        for (int k = 0, n = cols_.Size(colId); k < n; ++k) {
            const double m = Magnitude(col[k]);
            if (m > largest && col[k].row != rowId) {
                largest = m;
                if (!(largest / mag < best)) {
                    known = -largest;
                    return largest / mag;
                }
            }
        }
        known = largest;
        return largest / mag;
    }

    // The magnitude of the entry at (row, column) by identity; it must exist.
    double MagnitudeAt(int rowId, int colId) {
        double mag = 0.0;
        ForEachInColumn(colId, [&](ActiveEntry& e) {
            if (e.row == rowId) mag = Magnitude(e);
        });
        return mag;
    }

    int SearchSingletonPivot() {
        const int n = m_->size;
        int32_t* prod = m_->markowitzProd.data();
        const int saved = m_->singletons;
        --m_->singletons;  // on the assumption of success
        prod[n + 1] = prod[step_];
        prod[step_ - 1] = 0;  // stops the scan
        int tries = saved;
        int pivot = kNoEntry;
        if (tries > 0) ScanSlots([] { return int64_t(0); }, [&](int slot) {
            if (prod[slot] != 0) return true;
            int i = slot;
            if (i < step_) return false;
            if (i > n) i = step_;
            const int d = diag_[i];
            if (d == kNoEntry) return false;  // off-diagonal singletons are left to the others
            double mag = DiagonalMagnitude(i);
            if (mag > m_->absThreshold && mag > m_->relThreshold * LargestOtherInColumn(i)) {
                pivot = d;
                return false;
            }
            return --tries > 0;
        });
        if (pivot == kNoEntry) m_->singletons = saved;
        return pivot;
    }

    int QuickSearchDiagonalPivot() {
        const int n = m_->size;
        int32_t* prod = m_->markowitzProd.data();
        prod[n + 1] = prod[step_];
        prod[step_ - 1] = -1;  // stops the scan
        int ties[kMaxMarkowitzTies];  // by index
        double tieMagnitude[kMaxMarkowitzTies];
        int lastTie = -1;
        int64_t smallest = INT64_MAX;
        int lone = kNoEntry;
        // With the ties full only a smaller product can change the choice.
        auto bound = [&] { return lastTie == kMaxMarkowitzTies - 1 ? smallest - 1 : smallest; };
        ScanSlots(bound, [&](int slot) {
            int i = slot;
            if (i < step_) return false;
            if (i > n) i = step_;
            const int d = diag_[i];
            if (d == kNoEntry) return true;
            double mag = DiagonalMagnitude(i);
            if (!(mag > m_->absThreshold)) return true;  // also refuses a NaN
            if (prod[slot] == 1 && TakeLoneDiagonal(d, i, mag)) {
                lone = d;
                return false;
            }
            if (prod[slot] < smallest) {
                smallest = prod[slot];
                lastTie = 0;
                ties[0] = i;
                tieMagnitude[0] = mag;
            } else if (lastTie < kMaxMarkowitzTies - 1) {
                ties[++lastTie] = i;
                tieMagnitude[lastTie] = mag;
                if (lastTie >= smallest * kTiesMultiplier) return false;
            }
            return true;
        });
        if (lone != kNoEntry) return lone;
        int chosen = kNoEntry;
        double bestRatio = 1.0 / m_->relThreshold;
        for (int t = 0; t <= lastTie; ++t) {
            double ratio = TieRatio(ties[t], tieMagnitude[t], bestRatio);
            if (ratio < bestRatio) {
                chosen = diag_[ties[t]];
                bestRatio = ratio;
            }
        }
        return chosen;
    }

    // A diagonal of product 1 has one other entry in its row and one in its column. It is
    // taken at once when they lie symmetric and it is the largest of the three. The others
    // are looked at right of and below the diagonal, or anywhere when neither is there.
    bool TakeLoneDiagonal(int d, int i, double mag) {
        const int rowId = rowOf_[d], colId = colOf_[d];
        int otherCol = 0;  // identities; 0 for none
        int otherRow = 0;
        double otherInColMag = 0.0;
        ForEachInRow(rowId, [&](const RowEntry& entry) {
            const int c = entry.col;
            if (c != colId) otherCol = c;
        });
        ForEachInColumn(colId, [&](ActiveEntry& e) {
            if (e.row != rowId) {
                otherRow = e.row;
                otherInColMag = Magnitude(e);
            }
        });
        int inRow = otherCol && colPos_[otherCol] > i ? otherCol : 0;
        int inCol = otherRow && rowPos_[otherRow] > i ? otherRow : 0;
        if (!inRow && !inCol) {
            inRow = otherCol;
            inCol = otherRow;
        }
        return inRow && inCol && colPos_[inRow] == rowPos_[inCol] &&
               mag >= std::max(MagnitudeAt(rowId, inRow), otherInColMag);
    }

    int SearchDiagonalPivot() {
        const int n = m_->size;
        int32_t* prod = m_->markowitzProd.data();
        prod[n + 1] = prod[step_];
        int chosen = kNoEntry;
        int64_t smallest = INT64_MAX;
        double acceptedRatio = 0.0;
        int64_t ties = 0;
        for (int slot = n + 1; slot > step_; --slot) {
            if (prod[slot] > smallest) continue;
            const int i = slot > n ? step_ : slot;
            const int d = diag_[i];
            if (d == kNoEntry) continue;
            double mag = DiagonalMagnitude(i);
            if (!(mag > m_->absThreshold)) continue;
            double largest = LargestOtherInColumn(i);
            if (!(mag > m_->relThreshold * largest)) continue;
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


    int SearchWholeMatrixPivot() {
        int chosen = kNoEntry;
        int largestSeen = kNoEntry;
        double largestMag = 0.0;
        int64_t smallest = INT64_MAX;
        double acceptedRatio = 0.0;
        int64_t ties = 0;
        for (int col = step_; col <= m_->size; ++col) {
            double largestInCol = 0.0;
            ForEachInColumn(colAt_[col], [&](ActiveEntry& e) {
                largestInCol = std::max(largestInCol, Magnitude(e));
            });
            if (largestInCol == 0.0) continue;
            const ActiveEntry* entries = cols_.Data(colAt_[col]);
            byId_.assign(entries, entries + cols_.Size(colAt_[col]));
            std::sort(byId_.begin(), byId_.end(),
                      [](const ActiveEntry& x, const ActiveEntry& y) { return x.id > y.id; });
            for (const ActiveEntry& e : byId_) {
                double mag = Magnitude(e);
                if (mag > largestMag) {
                    largestSeen = e.id;
                    largestMag = mag;
                }
                int32_t product = Product(m_->markowitzRow[rowPos_[e.row]], m_->markowitzCol[col]);
                if (product > smallest) continue;
                if (!(mag > m_->relThreshold * largestInCol && mag > m_->absThreshold)) continue;
                if (product < smallest) {
                    chosen = e.id;
                    smallest = product;
                    acceptedRatio = largestInCol / mag;
                    ties = 0;
                } else {
                    ++ties;
                    double ratio = largestInCol / mag;
                    if (ratio < acceptedRatio) {
                        chosen = e.id;
                        acceptedRatio = ratio;
                    }
                    if (ties >= smallest * kTiesMultiplier) return chosen;
                }
            }
        }
        if (chosen != kNoEntry) return chosen;
        if (largestMag > 0.0) return largestSeen;
        m_->error = kMatrixSingular;
        return kNoEntry;
    }

    // The searches in order: singletons, quick diagonal, diagonal, the whole matrix.
    int SelectPivot() {
        int pivot = kNoEntry;
        if (m_->singletons > 0) pivot = SearchSingletonPivot();
        if (pivot == kNoEntry) pivot = QuickSearchDiagonalPivot();
        if (pivot == kNoEntry) pivot = SearchDiagonalPivot();
        if (pivot == kNoEntry) pivot = SearchWholeMatrixPivot();
        return pivot;
    }

    void ExchangeRows(int a, int b) {
        knownLargest_[a] = knownLargest_[b] = kUnknown;
        std::swap(rowAt_[a], rowAt_[b]);
        rowPos_[rowAt_[a]] = a;
        rowPos_[rowAt_[b]] = b;
        std::swap(m_->markowitzRow[a], m_->markowitzRow[b]);
        std::swap(m_->intToExtRow[a], m_->intToExtRow[b]);
        m_->extToIntRow[m_->intToExtRow[a]] = a;
        m_->extToIntRow[m_->intToExtRow[b]] = b;
    }

    void ExchangeColumns(int a, int b) {
        knownLargest_[a] = knownLargest_[b] = kUnknown;
        std::swap(colAt_[a], colAt_[b]);
        colPos_[colAt_[a]] = a;
        colPos_[colAt_[b]] = b;
        std::swap(m_->markowitzCol[a], m_->markowitzCol[b]);
        std::swap(m_->intToExtCol[a], m_->intToExtCol[b]);
        m_->extToIntCol[m_->intToExtCol[a]] = a;
        m_->extToIntCol[m_->intToExtCol[b]] = b;
    }

    void MovePivotToStep(int pivot) {
        const int row = rowPos_[rowOf_[pivot]];
        const int col = colPos_[colOf_[pivot]];
        if (row == step_ && col == step_) return;
        if (row == col) {
            // The step's row and column move together, and what is known of them with them.
            const double known = knownLargest_[step_];
            ExchangeRows(step_, row);
            ExchangeColumns(step_, col);
            knownLargest_[row] = known;
            std::swap(m_->markowitzProd[step_], m_->markowitzProd[row]);
            LowerBlock(step_);
            LowerBlock(row);
            std::swap(diag_[step_], diag_[row]);
            std::swap(diagReal_[step_], diagReal_[row]);
            std::swap(diagImag_[step_], diagImag_[row]);
            return;
        }
        if (row != step_) {
            ExchangeRows(step_, row);
            UpdateProduct(m_, row);
            LowerBlock(row);
        }
        if (col != step_) {
            ExchangeColumns(step_, col);
            UpdateProduct(m_, col);
            LowerBlock(col);
        }
        FindDiagonal(col);
        FindDiagonal(row);
        FindDiagonal(step_);
        UpdateProduct(m_, step_);
        LowerBlock(step_);
    }

    // Zero entries in column `colId` (at index `at`) for the rows of the pivot column at the
    // places `missing_` lists, added to the active part in that order and given the step's
    // update. Their elements are made once the order is known, and only where something
    // needs them (see Pack). A column's fill-ins are made together, so its list grows once;
    // the products of the step's rows and columns are made again once it ends
    // (UpdateMarkowitzCounts) and nothing reads them before, so only the counts move here.
    void AddFillIns(int colId, int at, double ur, double ui, bool complex) {
        const int count = int(missing_.size());
        const int first = NewIds(count);
        const int place = cols_.Size(colId);
        ActiveEntry* added = cols_.Extend(colId, count);
        int32_t* rowCount = m_->markowitzRow.data();
        int32_t* colCount = m_->markowitzCol.data();
        // The column's count can reach 1 only from 0, which is rare; then each fill-in
        // counts in turn, as the singletons' count must see the steps in order.
        const bool countEach = colCount[at] == 0;
        // In three loops, each with few values live: the entries, which are written in
        // order, the row lists, which are scattered, and the counts.
        const int diagRow = rowAt_[at];
        int* __restrict rowOf = rowOf_.data() + first;
        int* __restrict colOf = colOf_.data() + first;
        int* __restrict placeOf = placeOf_.data() + first;
        for (int j = 0; j < count; ++j) {
            const LowerEntry& l = lower_[missing_[j]];
            rowOf[j] = l.row;
            colOf[j] = colId;
            placeOf[j] = place + j;
            ActiveEntry& fill = added[j];
            fill = {l.row, first + j, 0.0};
            Subtract(fill, ur, ui, l, complex);
            if (l.row == diagRow) SetDiagonal(at, first + j, &fill);
        }
        for (int j = 0; j < count; ++j) rows_.Append(added[j].row, {colId, first + j});
        for (int j = 0; j < count; ++j) {
            const int row = rowPos_[added[j].row];
            if (++rowCount[row] == 1 && colCount[row] != 0) --m_->singletons;
            if (countEach && ++colCount[at] == 1 && rowCount[at] != 0) --m_->singletons;
        }
        if (!countEach) colCount[at] += count;
        m_->fillInCount += count;
        m_->elementCount += count;
    }

    // The first of `count` new entry ids. The arrays by id are longer than the ids in use
    // (idCount_) and grow by doubling, so a column's fill-ins cost no resize.
    int NewIds(int count) {
        const size_t first = idCount_;
        idCount_ += size_t(count);
        if (idCount_ > rowOf_.size()) GrowIdArrays(std::max(idCount_, 2 * rowOf_.size()));
        return int(first);
    }
    void GrowIdArrays(size_t size) {
        rowOf_.resize(size);
        colOf_.resize(size);
        placeOf_.resize(size);
        // A fill-in's imaginary part starts at 0.
        if (withImag_) imag_.resize(size, 0.0);
    }

    void Subtract(ActiveEntry& target, double ur, double ui, const LowerEntry& l, bool complex) {
        if (complex) {
            target.real -= ur * l.real - ui * l.imag;
            imag_[target.id] -= ur * l.imag + ui * l.real;
        } else if (std::fabs(ur) > kNegligible && std::fabs(l.real) > kNegligible) {
            target.real -= ur * l.real;
        }
    }

    // The first touch of each upper column (its pivot-row entry, its ends) misses the cache;
    // asking for the columns a few ahead hides part of it.
    static constexpr size_t kColumnsAhead = 4;
    // Right-looking elimination of the step; false when the pivot is zero. Each row's state
    // tells in one look-up whether a column walk updates its entry, and from which value.
    bool Eliminate() {
        const int pivot = diag_[step_];
        const int pivotRow = rowOf_[pivot], pivotCol = colOf_[pivot];
        const bool complex = m_->complex;
        const ActiveEntry* p = nullptr;
        // The pivot column as it lies; its order by id is sorted only once a column of the
        // step takes fill-ins (SortLowerById).
        // The step's arrays are sized for the most they can hold and written through
        // pointers: a push_back's stored end costs more than the write itself.
        lower_.resize(cols_.Size(pivotCol));
        LowerEntry* lowerEnd = lower_.data();
        ForEachInColumn(pivotCol, [&](ActiveEntry& e) {
            if (e.row == pivotRow)
                p = &e;
            else
                *lowerEnd++ = {e.row, e.id, e.real, withImag_ ? imag_[e.id] : 0.0};
        });
        lower_.resize(size_t(lowerEnd - lower_.data()));
        bool byIdSorted = false;
        if (Magnitude(*p) == 0.0) {
            MarkMatrixSingular(m_, step_);
            return false;
        }
        upper_.resize(rows_.Size(pivotRow));
        upperAt_.resize(upper_.size());
        int upperCount = 0;
        ForEachInRow(pivotRow, [&](const RowEntry& entry) {
            const int c = entry.col;
            if (c != pivotCol) {
                upper_[upperCount] = c;
                upperAt_[upperCount++] = entry.id;
            }
        });
        upper_.resize(upperCount);
        upperAt_.resize(upperCount);
        // The places by id in a loop of their own: the look-ups, which mostly miss the
        // cache, then overlap.
        for (int& at : upperAt_) at = placeOf_[at];
        double pr, pi = 0.0;
        if (complex)
            ComplexReciprocal(p->real, imag_[p->id], &pr, &pi);
        else
            pr = 1.0 / p->real;
        pivotOut_[step_] = {0, p->id, p->real};
        pivotImag_[step_] = withImag_ ? imag_[p->id] : 0.0;
        const size_t lowerFrom = lowerOut_.size();
        lowerOut_.resize(lowerFrom + lower_.size());
        for (size_t k = 0; k < lower_.size(); ++k)
            lowerOut_[lowerFrom + k] = {lower_[k].row, lower_[k].id, lower_[k].real};
        if (complex)
            for (const LowerEntry& l : lower_) lowerImag_.push_back(l.imag);
        lowerEnd_[step_] = int64_t(lowerOut_.size());
        const int lowerCount = int(lower_.size());
        // Real arithmetic skips a product when either factor is at most 1e-100: the pivot
        // column's such values count as 0, the pivot row's are tested column by column.
        for (int k = 0; k < lowerCount; ++k) {
            const double value = lower_[k].real;
            rowState_[lower_[k].row] = {std::fabs(value) > kNegligible ? value : 0.0, k + 1};
        }
        // The states of the pivot column's rows add up to this; a column's rows are distinct,
        // so the states met add up to it only when the column holds every one of them.
        const int64_t allMet = int64_t(lowerCount) * (lowerCount + 1) / 2;
        if (met_.size() < size_t(lowerCount) + 1) met_.resize(lowerCount + 1, 0);
        const size_t upperFrom = upperOut_.size();
        upperOut_.resize(upperFrom + upper_.size());
        FactorEntry* upperOut = upperOut_.data() + upperFrom;
        for (size_t j = 0; j < upper_.size(); ++j) {
            if (j + kColumnsAhead < upper_.size()) {
                const int a = upper_[j + kColumnsAhead];
                const ActiveEntry* ahead = cols_.Data(a);
                __builtin_prefetch(ahead);
                __builtin_prefetch(ahead + upperAt_[j + kColumnsAhead]);
                __builtin_prefetch(ahead + cols_.Size(a) - 1);
            }
            const int c = upper_[j];
            ActiveEntry* col = cols_.Data(c);
            int length = cols_.Size(c);
            const int u = upperAt_[j];
            // The pivot row's entry, scaled by the pivot's reciprocal, is a number of the
            // upper factor and leaves the column.
            double ur, ui = 0.0;
            const ActiveEntry& ue = col[u];
            if (complex) {
                const double uim = imag_[ue.id];
                ur = ue.real * pr - uim * pi;
                ui = ue.real * pi + uim * pr;
            } else {
                ur = ue.real * pr;
            }
            upperOut[j] = {c, ue.id, ur};
            if (complex) upperImag_.push_back(ui);
            col[u] = col[--length];
            placeOf_[col[u].id] = u;
            cols_.Shrink(c, length);
            if (++stamp_ == INT_MAX) {
                std::fill(met_.begin(), met_.end(), 0);
                stamp_ = 1;
            }
            const int at = colPos_[c], diagRow = rowAt_[at];
            int hits = 0;
            if (complex) {
                for (int i = 0; i < length; ++i) {
                    ActiveEntry& e = col[i];
                    const int s = int(rowState_[e.row].state);
                    if (s == 0) continue;
                    met_[s] = stamp_;
                    ++hits;
                    const LowerEntry& l = lower_[s - 1];
                    e.real -= ur * l.real - ui * l.imag;
                    imag_[e.id] -= ur * l.imag + ui * l.real;
                    if (e.row == diagRow) SetDiagonal(at, e.id, &e);
                }
            } else {
                // An infinite factor times a skipped 0 must stay skipped, not become NaN.
                const bool update = std::fabs(ur) > kNegligible;
                const bool guarded = std::isinf(ur);
                if (update && !guarded) {
                    // Which rows of a column the pivot column holds follows no pattern, so
                    // every entry takes the same path: a row outside it subtracts a product
                    // of 0. The states met are only summed: most columns of a dense part
                    // take no fill-in, and the rows of one that does are marked below.
                    const int64_t sum = WalkColumn(col, length, -ur);
                    const RowState* state = rowState_.data();
                    if (sum == allMet) {
                        hits = lowerCount;
                    } else {
                        int* met = met_.data();
                        const int stamp = stamp_;
                        for (ActiveEntry *e = col, *end = col + length; e != end; ++e)
                            met[state[e->row].state] = stamp;
                    }
                    // The diagonal's kept value takes the same subtraction, without a look-up
                    // of its entry or a test of its row's state: a row outside the pivot
                    // column has a value of 0 (a kept 0 may turn from -0 to +0, which no
                    // search tells apart).
                    if (diag_[at] != kNoEntry) diagReal_[at] -= ur * state[diagRow].value;
                } else {
                    for (int i = 0; i < length; ++i) {
                        ActiveEntry& e = col[i];
                        const RowState& r = rowState_[e.row];
                        if (r.state == 0) continue;
                        met_[r.state] = stamp_;
                        ++hits;
                        if (update && (!guarded || r.value != 0.0)) e.real -= ur * r.value;
                        if (e.row == diagRow) SetDiagonal(at, e.id, &e);
                    }
                }
            }
            if (hits == lowerCount) continue;
            if (!byIdSorted) {
                SortLowerById();
                byIdSorted = true;
            }
            // The fill-ins are made whatever the values, so the structure never depends on
            // them.
            missing_.resize(lowerCount);
            int missingCount = 0;
            for (const int k : lowerById_)
                if (met_[k + 1] != stamp_) missing_[missingCount++] = k;
            missing_.resize(missingCount);
            AddFillIns(c, at, ur, ui, complex);
        }
        for (const LowerEntry& l : lower_) rowState_[l.row] = {0.0, 0};
        return true;
    }

    // The real update of one column by the step, `negUr` the pivot row's scaled entry
    // negated; returns the sum of the states of the rows met. Adding the negated product
    // gives the same bits as subtracting it (x - y is x + -y) and lets the addition read
    // the entry. Each row's value and state come in one 16-byte load, the states summed in
    // the upper lane of a vector. Unrolled by hand, four entries from one pointer: the
    // loop's own count, branch and pointer steps were a quarter of its work.
    int64_t WalkColumn(ActiveEntry* col, int length, double negUr) {
        const RowState* update = rowState_.data();
        ActiveEntry* e = col;
        ActiveEntry* const end = col + length;
#if defined(__SSE2__)
        const __m128d factor = _mm_set_sd(negUr);
        __m128i states = _mm_setzero_si128();
        auto step = [&](ActiveEntry& entry) {
            const __m128i r = _mm_load_si128(reinterpret_cast<const __m128i*>(update + entry.row));
            states = _mm_add_epi64(states, r);
            entry.real = _mm_cvtsd_f64(_mm_mul_sd(_mm_castsi128_pd(r), factor)) + entry.real;
        };
        for (ActiveEntry* end4 = col + (length & ~3); e != end4; e += 4) {
            step(e[0]);
            step(e[1]);
            step(e[2]);
            step(e[3]);
        }
        for (; e != end; ++e) step(*e);
        return _mm_cvtsi128_si64(_mm_unpackhi_epi64(states, states));
#else
        int64_t sum = 0;
        for (; e != end; ++e) {
            const RowState& r = update[e->row];
            sum += r.state;
            e->real = r.value * negUr + e->real;
        }
        return sum;
#endif
    }

    // The places in lower_ in the searches' order, ids highest first, which is the order a
    // column's fill-ins are made in. A column lies mostly in ascending id order (fill-ins are
    // appended; a leaving entry's place takes the last), so taken backwards an insertion
    // sort has few moves to make.
    void SortLowerById() {
        const int count = int(lower_.size());
        lowerById_.resize(count);
        for (int j = 0; j < count; ++j) {
            const int k = count - 1 - j, id = lower_[k].id;
            int at = j;
            for (; at > 0 && lower_[lowerById_[at - 1]].id < id; --at)
                lowerById_[at] = lowerById_[at - 1];
            lowerById_[at] = k;
        }
    }

    void UpdateMarkowitzCounts() {
        for (const LowerEntry& l : lower_) {
            const int row = rowPos_[l.row];
            --m_->markowitzRow[row];
            m_->markowitzProd[row] = Product(m_->markowitzRow[row], m_->markowitzCol[row]);
            LowerBlock(row);
            if (m_->markowitzRow[row] == 0) ++m_->singletons;
        }
        for (int c : upper_) {
            const int col = colPos_[c];
            knownLargest_[col] = kUnknown;
            --m_->markowitzCol[col];
            m_->markowitzProd[col] = Product(m_->markowitzRow[col], m_->markowitzCol[col]);
            LowerBlock(col);
            if (m_->markowitzCol[col] == 0 && m_->markowitzRow[col] != 0) ++m_->singletons;
        }
    }

    SparseMatrix* m_;
    int step_ = 1;
    LargeVector<int> rowAt_, colAt_;    // identity at each index
    LargeVector<int> rowPos_, colPos_;  // index of each identity
    ListStore<ActiveEntry> cols_;  // by column identity
    ListStore<RowEntry> rows_;     // by row identity
    static constexpr int kNoEntry = -1;
    // A row's state by identity while a step eliminates: the real value its entries are
    // updated with (0 when negligible) and 1 + its place among the pivot column's entries;
    // 0 and 0 for every other row. Together in 16 bytes, so the walk reads both at once.
    struct alignas(16) RowState {
        double value;
        int64_t state;
    };
    LargeVector<RowState> rowState_;
    // By state (slot 0 spare): the stamp of the last column walk that met the row.
    LargeVector<int> met_;
    int stamp_ = 0;
    LargeVector<ActiveEntry> byId_;  // a column in the searches' order
    LargeVector<double> diagReal_, diagImag_;     // by index: the diagonal's present value
    LargeVector<int32_t> blockLow_;               // by block of indices: bound of the products
    LargeVector<LowerEntry> lower_;  // the pivot column as it lies, pivot excluded
    LargeVector<int> lowerById_;     // places in lower_, ids highest first
    LargeVector<int> missing_;       // places in lower_ a column takes fill-ins for
    // By entry id: the element (stored elements only: fill-ins have ids from
    // elementOf_.size() on) and the row and column identities.
    LargeVector<MatrixElement*> elementOf_;
    LargeVector<int> rowOf_, colOf_;
    size_t idCount_ = 0;  // ids in use; the arrays by id are longer
    LargeVector<int> placeOf_;  // by entry id: its place in its column's array while active
    LargeVector<int> diag_;  // by index: the diagonal entry's id, kNoEntry when none
    LargeVector<MatrixElement*> fillInElement_;  // by fill-in (id less the stored count)
    LargeVector<double> imag_;  // by entry id: the imaginary part, when there is any
    bool withImag_ = false;  // a real matrix whose elements all have no imaginary part has none
    double Magnitude(const ActiveEntry& e) const {
        const double re = e.real < 0 ? -e.real : e.real;
        if (!withImag_) return re;
        const double im = imag_[e.id];
        return re + (im < 0 ? -im : im);
    }
    LargeVector<int> upper_;                 // the pivot row's columns, pivot excluded
    LargeVector<int> upperAt_;               // where each one's entry lies in its column
    // The factors by step, as the elimination computed them: the pivot, the pivot row right
    // of it (scaled) and the pivot column below it; ends by step.
    LargeVector<FactorEntry> pivotOut_, upperOut_, lowerOut_;
    LargeVector<double> pivotImag_, upperImag_, lowerImag_;
    LargeVector<int64_t> upperEnd_, lowerEnd_;
    int singularStep_ = 0;
};

// A packed layout now matches the kept pivot order; its refactorisation plan is still to
// be made (PlanRefactor).
void MarkLayoutBuilt(PackedFactors& f, int n) {
    f.size = n;
    f.built = true;
    f.planned = false;
}

// The elements column by column, each column in row order, from the linked columns.
LargeVector<PlacedElement> ElementsByColumn(SparseMatrix* m) {
    LargeVector<PlacedElement> byColumn;
    byColumn.reserve(m->elementCount);
    for (int k = 1; k <= m->size; ++k)
        for (MatrixElement* e = m->firstInCol[k]; e; e = e->nextInCol)
            byColumn.push_back({e->row, k, e});
    return byColumn;
}

// Chooses, for the packed layout, each step's addressing for refactoring (a dense scatter
// vector where the updates outweigh the column, positions elsewhere) and the blocks of
// nested columns. Done on the first refactorisation of a layout: the first factorisation
// has its numbers from the elimination and needs none of it.
bool PlanRefactor(SparseMatrix* m) {
    PackedFactors& f = m->lu;
    const int n = m->size;
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
    try {
        f.superEnd.assign(n + 2, 0);
        f.block.assign(n + 1, 0.0);
        f.recip.assign(n + 1, 0.0);
    } catch (const std::bad_alloc&) {
        m->error = kMatrixNoMemory;
        return false;
    }
    for (int j = n; j >= 1; --j) {
        const int lower = f.colStart[j + 1] - f.diagPos[j] - 1;
        bool nests = j < n && lower >= 1 && f.rowOf[f.diagPos[j] + 1] == j + 1 &&
                     lower == f.colStart[j + 2] - f.diagPos[j + 1];
        if (nests)
            nests =
                std::equal(f.rowOf.begin() + f.diagPos[j] + 2, f.rowOf.begin() + f.colStart[j + 1],
                           f.rowOf.begin() + f.diagPos[j + 1] + 1);
        f.superEnd[j] = nests ? f.superEnd[j + 1] : j;
    }
    f.planned = true;
    return true;
}

// Packs the kept order by column (`byColumn` as ElementsByColumn gives it), for
// refactoring.
bool BuildPackedFactors(SparseMatrix* m, const LargeVector<PlacedElement>& byColumn) {
    PackedFactors& f = m->lu;
    const int n = m->size;
    try {
        const int count = int(byColumn.size());
        f.colStart.assign(n + 2, 0);
        f.diagPos.assign(n + 1, 0);
        for (const PlacedElement& p : byColumn) ++f.colStart[p.col + 1];
        for (int k = 1; k <= n + 1; ++k) f.colStart[k] += f.colStart[k - 1];
        f.rowOf.resize(count);
        f.element.resize(count);
        f.real.assign(count, 0.0);
        f.complex.clear();
        f.scatter.assign(n + 1, 0);
        for (int p = 0; p < count; ++p) {
            f.rowOf[p] = byColumn[p].row;
            f.element[p] = byColumn[p].element;
            if (byColumn[p].row == byColumn[p].col) f.diagPos[byColumn[p].col] = p;
        }
    } catch (const std::bad_alloc&) {
        m->error = kMatrixNoMemory;
        return false;
    }
    MarkLayoutBuilt(f, n);
    return PlanRefactor(m);
}

// x[rowOf[q]] -= u * v[q] for q in [begin, end). The rows of one column differ, so four
// updates are loaded before any is stored, which keeps the loads from waiting on stores.
inline void ScatterUpdate(double* __restrict x, const int* __restrict rowOf,
                          const double* __restrict v, int begin, int end, double u) {
    int q = begin;
    for (; q + 4 <= end; q += 4) {
        const int r0 = rowOf[q], r1 = rowOf[q + 1], r2 = rowOf[q + 2], r3 = rowOf[q + 3];
        const double x0 = x[r0] - u * v[q], x1 = x[r1] - u * v[q + 1];
        const double x2 = x[r2] - u * v[q + 2], x3 = x[r3] - u * v[q + 3];
        x[r0] = x0;
        x[r1] = x1;
        x[r2] = x2;
        x[r3] = x3;
    }
    for (; q < end; ++q) x[rowOf[q]] -= u * v[q];
}

// block[i] += u * lower[i] for i in [0, n), four at a time so the additions overlap.
inline void AccumulateBlock(double* __restrict block, const double* __restrict lower, const int n,
                            const double u) {
    int i = 0;
    for (; i + 4 <= n; i += 4) {
        const double b0 = block[i] + u * lower[i], b1 = block[i + 1] + u * lower[i + 1];
        const double b2 = block[i + 2] + u * lower[i + 2], b3 = block[i + 3] + u * lower[i + 3];
        block[i] = b0;
        block[i + 1] = b1;
        block[i + 2] = b2;
        block[i + 3] = b3;
    }
    for (; i < n; ++i) block[i] += u * lower[i];
}

// block[i] = block[i] + u0 * lower0[i] + u1 * lower1[i], added in that order.
inline void AccumulateBlock2(double* __restrict block, const double* __restrict lower0,
                             const double* __restrict lower1, const int n, const double u0,
                             const double u1) {
    int i = 0;
    for (; i + 2 <= n; i += 2) {
        const double b0 = (block[i] + u0 * lower0[i]) + u1 * lower1[i];
        const double b1 = (block[i + 1] + u0 * lower0[i + 1]) + u1 * lower1[i + 1];
        block[i] = b0;
        block[i + 1] = b1;
    }
    for (; i < n; ++i) block[i] = (block[i] + u0 * lower0[i]) + u1 * lower1[i];
}

// The multiplier of an entry above the diagonal: its value times the reciprocal pivot of its
// row, 0 where that is at most 1e-100. Pointer scattering also takes 0 when the value or the
// reciprocal is that small.
template <bool Direct>
inline double Multiplier(double value, double recip) {
    const double u = Direct || (std::fabs(recip) > kNegligible && std::fabs(value) > kNegligible)
                         ? value * recip
                         : 0.0;
    return std::fabs(u) <= kNegligible ? 0.0 : u;
}

// The updates of column k from the block of nested columns j..last, whose rows lie at
// positions p.. of the column (the fill-ins make them all present). Rows t + 1..last of the
// block lie together in both the column and the scatter vector; the rows below `last` that
// all those columns share are updated through the dense accumulator, once. Returns the
// position after the block's rows. Out of line: inlined, it costs the lone rows' loop its
// registers.
template <bool Direct>
[[gnu::noinline]] int UpdateFromBlock(PackedFactors& f, int p, int j, int last,
                                     double* __restrict x) {
    double* __restrict v = f.real.data();
    const int* __restrict rowOf = f.rowOf.data();
    const int* __restrict colStart = f.colStart.data();
    const int* __restrict diagPos = f.diagPos.data();
    const int* __restrict at = f.scatter.data();
    double* __restrict block = f.block.data();
    const double* __restrict pivotRecip = f.recip.data();
    const int shared = colStart[last + 1] - diagPos[last] - 1;
    for (int t = j; t <= last; ++t, ++p) {
        const double u = Multiplier<Direct>(Direct ? x[t] : v[p], pivotRecip[t]);
        v[p] = u;
        if (u == 0.0) continue;
        double* __restrict own = Direct ? x + t + 1 : v + p + 1;
        const double* __restrict from = v + diagPos[t] + 1;
        for (int i = 0, count = last - t; i < count; ++i) own[i] -= u * from[i];
    }
    // The shared rows, two columns of the block at a time where both multipliers are
    // non-zero; the sums are formed in the same order as one column at a time.
    const double* us = v + p - (last - j + 1);
    for (int t = j; t <= last;) {
        const double* lower = v + diagPos[t] + 1 + (last - t);
        const double u0 = us[t - j];
        if (t < last && u0 != 0.0 && us[t + 1 - j] != 0.0) {
            AccumulateBlock2(block, lower, v + diagPos[t + 1] + 1 + (last - t - 1), shared, u0,
                             us[t + 1 - j]);
            t += 2;
            continue;
        }
        if (u0 != 0.0) AccumulateBlock(block, lower, shared, u0);
        ++t;
    }
    const int* rows = rowOf + colStart[last + 1] - shared;
    for (int i = 0; i < shared; ++i) {
        if constexpr (Direct)
            x[rows[i]] -= block[i];
        else
            v[at[rows[i]]] -= block[i];
        block[i] = 0.0;
    }
    return p;
}

// The updates of column k (entries s..d-1 above its diagonal) from the columns left of it.
// Direct: the column is scattered into the dense vector x; otherwise its entries are
// updated in place through their positions (`at`, by row). Rows that start a block of
// nested columns go through UpdateFromBlock.
// Real arithmetic treats magnitudes of at most 1e-100 as zero: the factors are flushed to 0
// where they are that small, so the products need no test.
template <bool Direct>
void UpdateColumnReal(PackedFactors& f, int k, int s, int d, double* __restrict x) {
    double* __restrict v = f.real.data();
    const int* __restrict rowOf = f.rowOf.data();
    const int* __restrict colStart = f.colStart.data();
    const int* __restrict diagPos = f.diagPos.data();
    const int* __restrict superEnd = f.superEnd.data();
    const int* __restrict at = f.scatter.data();
    const double* __restrict pivotRecip = f.recip.data();
    // Dense vector: where row j's update of row j + 1 comes first, the new value is handed
    // on to row j + 1 in a register (the steps form a chain, each waiting for the last).
    int handedRow = 0;
    double handed = 0.0;
    for (int p = s; p < d;) {
        const int j = rowOf[p];
        const int last = std::min(superEnd[j], k - 1);
        if (last != j) {
            p = UpdateFromBlock<Direct>(f, p, j, last, x);
            handedRow = 0;
            continue;
        }
        // Tested as in Multiplier, but by a branch: the product goes on to the updates
        // without waiting for the test.
        const double value = Direct ? (j == handedRow ? handed : x[j]) : v[p];
        const double recip = pivotRecip[j];
        handedRow = 0;
        const double u = value * recip;
        if ((!Direct && !(std::fabs(recip) > kNegligible && std::fabs(value) > kNegligible)) ||
            std::fabs(u) <= kNegligible) {
            v[p++] = 0.0;
            continue;
        }
        v[p++] = u;
        const int qb = diagPos[j] + 1, qe = colStart[j + 1];
        if constexpr (Direct) {
            int q = qb;
            if (q < qe && rowOf[q] == j + 1) {
                handed = x[j + 1] - u * v[q];
                x[j + 1] = handed;
                handedRow = j + 1;
                ++q;
            }
            ScatterUpdate(x, rowOf, v, q, qe, u);
        } else {
            for (int q = qb; q < qe; ++q) v[at[rowOf[q]]] -= u * v[q];
        }
    }
}

// Column k through the dense vector x: scattered, updated, gathered back. Kept out of line,
// so that the loop over the columns keeps its registers for the pointer-scattered columns.
[[gnu::noinline]] void UpdateDirectColumnReal(PackedFactors& f, int k, double* __restrict x) {
    double* __restrict v = f.real.data();
    const int* __restrict rowOf = f.rowOf.data();
    MatrixElement* const* element = f.element.data();
    const int s = f.colStart[k], d = f.diagPos[k], e = f.colStart[k + 1];
    for (int p = s; p < e; ++p) x[rowOf[p]] = element[p]->real;
    UpdateColumnReal<true>(f, k, s, d, x);
    for (int p = d; p < e; ++p) v[p] = x[rowOf[p]];
}

int RefactorReal(SparseMatrix* m) {
    PackedFactors& f = m->lu;
    double* __restrict x = m->intermediate.data();
    double* __restrict v = f.real.data();
    const int* __restrict rowOf = f.rowOf.data();
    int* __restrict at = f.scatter.data();
    MatrixElement* const* element = f.element.data();
    for (int k = 1; k <= m->size; ++k) {
        const int s = f.colStart[k], d = f.diagPos[k], e = f.colStart[k + 1];
        if (m->directReal[k]) {
            UpdateDirectColumnReal(f, k, x);
        } else {
            for (int p = s; p < e; ++p) {
                v[p] = element[p]->real;
                at[rowOf[p]] = p;
            }
            UpdateColumnReal<false>(f, k, s, d, x);
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
        f.recip[k] = v[d];
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

}  // namespace

bool LinkFromFactors(SparseMatrix* m) {
    if (!m->linksPending) return true;
    PackedFactors& f = m->lu;
    const int n = m->size;
    const int count = f.colStart[n + 1];
    int missing = 0;
    for (int p = 0; p < count; ++p) missing += f.element[p] == &m->fillInZero;
    if (!m->fillIns.Reserve(missing)) {
        m->error = kMatrixNoMemory;
        return false;
    }
    for (int p = 0; p < count; ++p) {
        if (f.element[p] != &m->fillInZero) continue;
        f.element[p] = m->fillIns.Take();
        *f.element[p] = MatrixElement{0.0, 0.0, 0, 0, nullptr, nullptr};
    }
    // Columns in row order as laid out; rows in column order, the columns from the last
    // each put in front.
    std::fill(m->firstInRow.begin(), m->firstInRow.end(), nullptr);
    for (int k = n; k >= 1; --k) {
        MatrixElement* below = nullptr;
        for (int p = f.colStart[k + 1] - 1; p >= f.colStart[k]; --p) {
            MatrixElement* e = f.element[p];
            e->row = f.rowOf[p];
            e->col = k;
            e->nextInCol = below;
            below = e;
            e->nextInRow = m->firstInRow[e->row];
            m->firstInRow[e->row] = e;
        }
        m->firstInCol[k] = below;
    }
    m->linksPending = false;
    return true;
}

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
    if (!LinkFromFactors(m)) return m->error;
    m->lu.built = false;
    // The ordering reads the columns alone. Rows not linked yet are linked with the columns
    // once it ends (from the factors, or by Relink), so only a failure before it links them.
    auto linkRows = [m] {
        if (!m->rowsLinked) LinkRows(m);
    };
    if (!AllocateOrderingArrays(m)) {
        linkRows();
        return m->error;
    }

    // The elimination works on copies of the values, so the elements keep what was
    // stamped and this ordering's fill-ins stay zero. Its numbers are the factors.
    Ordering ordering(m);
    if (!ordering.Allocate()) {
        linkRows();
        m->error = kMatrixNoMemory;
        return m->error;
    }
    m->rowsLinked = true;
    ordering.Run();
    if (m->error == 0 && !ordering.Pack()) m->error = kMatrixNoMemory;
    if (m->error != 0) {
        ordering.Relink();
        m->needsOrdering = true;
        return m->error;
    }
    MarkLayoutBuilt(m->lu, m->size);
    m->needsOrdering = false;
    // A pivot that overflowed or came from a NaN: the order stands, the numbers do not.
    if (ordering.SingularStep()) {
        MarkMatrixSingular(m, ordering.SingularStep());
        return m->error;
    }
    m->factored = true;
    return 0;
}

int FactorMatrix(SparseMatrix* m) {
    if (m->needsOrdering) return OrderAndFactorMatrix(m, 0.0, 0.0);
    if (!m->lu.built) {
        if (!LinkFromFactors(m)) return m->error;
        try {
            if (!BuildPackedFactors(m, ElementsByColumn(m))) return m->error;
        } catch (const std::bad_alloc&) {
            m->error = kMatrixNoMemory;
            return m->error;
        }
    }
    if (!m->lu.planned && !PlanRefactor(m)) return m->error;
    return Refactor(m);
}

}  // namespace ob7
