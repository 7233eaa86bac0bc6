#pragma once
// Memory for the sparse matrix's large arrays. A first factorisation of a big circuit
// fills tens of megabytes of fresh memory; the faults on first touch of fresh pages cost
// more than the elimination itself. Blocks of 4 KiB and more are therefore mapped in sizes
// of powers of two: from 2 MiB on in large pages where the system offers them, smaller ones
// filled in by one call rather than a fault per page. A freed block is kept for the next
// ordering to reuse with its pages in place, up to 256 MiB in all, the blocks kept longest
// going back to the system first. Smaller blocks come from the ordinary heap.

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace ob7 {

// A block of `bytes` (at least 1); throws std::bad_alloc when memory runs out.
void* AllocateLargeBlock(std::size_t bytes);
// Frees a block from AllocateLargeBlock of the same size (keeps it for reuse).
void FreeLargeBlock(void* block, std::size_t bytes) noexcept;
// Gives the kept blocks back to the system (the engine does so when an analysis ends).
void ReleaseLargeBlocks();
// The bytes of the blocks kept for reuse.
std::size_t KeptLargeBlockBytes();

template <class T>
struct LargeBlockAllocator {
    using value_type = T;
    LargeBlockAllocator() = default;
    template <class U>
    LargeBlockAllocator(const LargeBlockAllocator<U>&) {}
    T* allocate(std::size_t n) {
        if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
        return static_cast<T*>(AllocateLargeBlock(n * sizeof(T)));
    }
    void deallocate(T* p, std::size_t n) noexcept { FreeLargeBlock(p, n * sizeof(T)); }
    // Growing without a value leaves trivial items unset, as `new T[n]` does: these arrays
    // are written before they are read, and zeroing megabytes first only costs time.
    // Growing with a value (`resize(n, v)`, `assign`) still sets them.
    template <class U, class... Args>
    void construct(U* p, Args&&... args) {
        if constexpr (sizeof...(Args) == 0)
            ::new (static_cast<void*>(p)) U;
        else
            ::new (static_cast<void*>(p)) U(std::forward<Args>(args)...);
    }
    template <class U>
    bool operator==(const LargeBlockAllocator<U>&) const {
        return true;
    }
};

// Frees an array of trivial items taken with AllocateLargeBlock.
template <class T>
struct LargeBlockDeleter {
    std::size_t count = 0;
    void operator()(T* p) const noexcept { FreeLargeBlock(p, count * sizeof(T)); }
};

template <class T>
using LargeVector = std::vector<T, LargeBlockAllocator<T>>;

}  // namespace ob7
