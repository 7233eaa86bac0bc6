#pragma once
// The program's one family of heap functions. Every allocation that fails is retried
// once after the memory reserves (the undo histories of open drawing windows) have been
// released; a caller that still gets null reports 15002 "Insufficient memory.".
// Blocks come from the C heap, so StrFree (owned_strings.h) releases any of them.

#include <cstddef>

namespace ob7 {

class CPoolList;

// Heap block or null, with the one retry.
void* MemAlloc(std::size_t size);
// Resized block or null (the old block then stays valid), with the one retry.
void* MemReallocRetry(void* block, std::size_t newSize);
// MemAlloc, zero-filled.
void* MemAllocZero(std::size_t size);

// Frees what *slot holds; when both numbers are non-zero stores a zeroed block of
// elementSize * count bytes (null when memory is exhausted). Returns the new value.
void* ArrayAllocZero(void** slot, std::size_t elementSize, std::size_t count);

// Resizes *slot to newSize, zero-filling the growth beyond oldSize. A slot holding
// EmptyString, or an old size of 0, gets a fresh zeroed block (a heap block it held is
// freed). On failure the slot is unchanged and the result is null.
void* MemRealloc(void** slot, std::size_t newSize, std::size_t oldSize);

// Resizes *slot without zero-filling (EmptyString counts as null). On failure the slot
// keeps its old block and the result is null.
void* MemResize(void** slot, std::size_t newSize);

// The same on typed slots (double* coefficients; ...).
template <class T>
inline T* ArrayAllocZero(T** slot, std::size_t elementSize, std::size_t count) {
    return static_cast<T*>(ArrayAllocZero(reinterpret_cast<void**>(slot), elementSize, count));
}
template <class T>
inline T* MemRealloc(T** slot, std::size_t newSize, std::size_t oldSize) {
    return static_cast<T*>(MemRealloc(reinterpret_cast<void**>(slot), newSize, oldSize));
}
template <class T>
inline T* MemResize(T** slot, std::size_t newSize) {
    return static_cast<T*>(MemResize(reinterpret_cast<void**>(slot), newSize));
}

// Usable size of a heap block; 2 for EmptyString, 0 for null.
std::size_t MemSize(const void* block);

// A 2-D array in one zeroed data block with a row-pointer table: (*slot)[i] is row i.
// Frees an earlier array of the slot first. Null (and nothing kept) when memory runs out.
void** Alloc2DArray(void*** slot, std::size_t elementSize, std::size_t rows, std::size_t columns);
void Free2DArray(void*** slot);

void SwapDoubles(double* a, double* b);

// The release run before the one retry. The window layer installs the function that
// cuts the undo histories (see CutUndoHistory); without one nothing is released.
using MemoryReserveReleaser = void (*)();
void SetMemoryReserveReleaser(MemoryReserveReleaser releaser);
void FreeMemoryReserves();

// Cuts one undo history for FreeMemoryReserves: a list of more than 2 entries keeps only
// its first entry; a shorter one is emptied. Returns true when the list was emptied, so
// that the caller also clears its current-entry pointer.
bool CutUndoHistory(CPoolList& undoList);

}  // namespace ob7
