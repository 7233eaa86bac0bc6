#include "sim/engine/large_blocks.h"

#include <cstdint>
#include <mutex>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace ob7 {

#if defined(__linux__) && defined(MADV_HUGEPAGE)
namespace {
constexpr int kSmallestClass = 12;  // 4 KiB: below it the heap serves
constexpr int kClasses = 48;
constexpr std::size_t kLargePage = std::size_t(2) << 20;
constexpr std::size_t kMostKept = std::size_t(256) << 20;

// The size class of a block: its size rounded up to a power of two.
int SizeClass(std::size_t bytes) {
    int c = kSmallestClass;
    while (c < kClasses && (std::size_t(1) << c) < bytes) ++c;
    return c;
}

// Freed blocks kept for the next ordering. Each is on two lists, linked through its first
// bytes: the blocks of its size class, newest first, which allocation takes from; and all
// kept blocks by age, from which the oldest go back to the system when a newly freed block
// would pass the limit. So the blocks of the matrix in use stay kept, even after a much
// larger one has filled the store.
struct KeptHeader {
    KeptHeader* classNext;
    KeptHeader* classPrev;
    KeptHeader* newer;
    KeptHeader* older;
    int sizeClass;
};
struct Kept {
    std::mutex lock;
    KeptHeader* first[kClasses] = {};  // newest of each class
    KeptHeader* newest = nullptr;
    KeptHeader* oldest = nullptr;
    std::size_t bytes = 0;
};
Kept& KeptBlocks() {
    static Kept kept;
    return kept;
}

// Takes a block off both lists (the lock held).
void Unlink(Kept& kept, KeptHeader* h) {
    (h->classPrev ? h->classPrev->classNext : kept.first[h->sizeClass]) = h->classNext;
    if (h->classNext) h->classNext->classPrev = h->classPrev;
    (h->newer ? h->newer->older : kept.newest) = h->older;
    (h->older ? h->older->newer : kept.oldest) = h->newer;
    kept.bytes -= std::size_t(1) << h->sizeClass;
}

void* MapAligned(std::size_t size, std::size_t alignment) {
    void* mapped = mmap(nullptr, size + alignment, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (mapped == MAP_FAILED) return nullptr;
    const auto start = reinterpret_cast<std::uintptr_t>(mapped);
    const std::uintptr_t aligned = (start + alignment - 1) & ~std::uintptr_t(alignment - 1);
    if (aligned > start) munmap(mapped, aligned - start);
    const std::uintptr_t end = start + size + alignment;
    if (end > aligned + size) munmap(reinterpret_cast<void*>(aligned + size), end - (aligned + size));
    return reinterpret_cast<void*>(aligned);
}
}  // namespace

void* AllocateLargeBlock(std::size_t bytes) {
    if (bytes < (std::size_t(1) << kSmallestClass)) return ::operator new(bytes == 0 ? 1 : bytes);
    const int c = SizeClass(bytes);
    if (c >= kClasses) throw std::bad_alloc();
    const std::size_t size = std::size_t(1) << c;
    Kept& kept = KeptBlocks();
    {
        std::lock_guard<std::mutex> guard(kept.lock);
        if (KeptHeader* h = kept.first[c]) {
            Unlink(kept, h);
            return h;
        }
    }
    void* block = MapAligned(size, size >= kLargePage ? kLargePage : 4096);
    if (!block) {
        ReleaseLargeBlocks();
        block = MapAligned(size, size >= kLargePage ? kLargePage : 4096);
        if (!block) throw std::bad_alloc();
    }
    // Advice only. Large pages fault 512 times less often; a smaller block is filled in
    // by one call, where page by page each first touch would fault.
    if (size >= kLargePage) {
        madvise(block, size, MADV_HUGEPAGE);
    } else {
#if defined(MADV_POPULATE_WRITE)
        madvise(block, size, MADV_POPULATE_WRITE);
#endif
    }
    return block;
}

void FreeLargeBlock(void* block, std::size_t bytes) noexcept {
    if (!block) return;
    if (bytes < (std::size_t(1) << kSmallestClass)) {
        ::operator delete(block);
        return;
    }
    const int c = SizeClass(bytes);
    const std::size_t size = std::size_t(1) << c;
    if (size > kMostKept) {
        munmap(block, size);
        return;
    }
    Kept& kept = KeptBlocks();
    std::lock_guard<std::mutex> guard(kept.lock);
    while (kept.bytes + size > kMostKept) {
        KeptHeader* old = kept.oldest;
        Unlink(kept, old);
        munmap(old, std::size_t(1) << old->sizeClass);
    }
    auto* h = static_cast<KeptHeader*>(block);
    *h = KeptHeader{kept.first[c], nullptr, nullptr, kept.newest, c};
    if (h->classNext) h->classNext->classPrev = h;
    kept.first[c] = h;
    (kept.newest ? kept.newest->newer : kept.oldest) = h;
    kept.newest = h;
    kept.bytes += size;
}

void ReleaseLargeBlocks() {
    Kept& kept = KeptBlocks();
    std::lock_guard<std::mutex> guard(kept.lock);
    while (KeptHeader* h = kept.oldest) {
        Unlink(kept, h);
        munmap(h, std::size_t(1) << h->sizeClass);
    }
}

std::size_t KeptLargeBlockBytes() {
    Kept& kept = KeptBlocks();
    std::lock_guard<std::mutex> guard(kept.lock);
    return kept.bytes;
}
#else
void* AllocateLargeBlock(std::size_t bytes) { return ::operator new(bytes == 0 ? 1 : bytes); }
void FreeLargeBlock(void* block, std::size_t) noexcept { ::operator delete(block); }
void ReleaseLargeBlocks() {}
std::size_t KeptLargeBlockBytes() { return 0; }
#endif

}  // namespace ob7
