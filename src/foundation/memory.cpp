#include "foundation/memory.h"

#include <malloc.h>

#include <cstdlib>
#include <cstring>

#include "foundation/owned_strings.h"
#include "foundation/pool_list.h"

namespace ob7 {
namespace {

MemoryReserveReleaser reserveReleaser = nullptr;

}  // namespace

void SetMemoryReserveReleaser(MemoryReserveReleaser releaser) { reserveReleaser = releaser; }

void FreeMemoryReserves() {
    if (reserveReleaser)
        reserveReleaser();
}

bool CutUndoHistory(CPoolList& undoList) {
    if (undoList.count > 2) {
        undoList.DeleteFrom(undoList.head->next);
        return false;
    }
    undoList.RemoveAll();
    return true;
}

void* MemAlloc(std::size_t size) {
    if (size == 0)
        size = 1;  // a valid, freeable block either way
    void* block = std::malloc(size);
    if (!block) {
        FreeMemoryReserves();
        block = std::malloc(size);
    }
    return block;
}

void* MemReallocRetry(void* block, std::size_t newSize) {
    if (newSize == 0)
        newSize = 1;
    void* resized = std::realloc(block, newSize);
    if (!resized) {
        FreeMemoryReserves();
        resized = std::realloc(block, newSize);
    }
    return resized;
}

void* MemAllocZero(std::size_t size) {
    void* block = MemAlloc(size);
    if (block)
        std::memset(block, 0, size);
    return block;
}

void* ArrayAllocZero(void** slot, std::size_t elementSize, std::size_t count) {
    StrFree(slot);
    if (elementSize == 0 || count == 0)
        return nullptr;
    if (count > SIZE_MAX / elementSize)
        return nullptr;
    *slot = MemAllocZero(elementSize * count);
    return *slot;
}

void* MemRealloc(void** slot, std::size_t newSize, std::size_t oldSize) {
    if (*slot == EmptyString || *slot == nullptr || oldSize == 0) {
        void* fresh = MemAllocZero(newSize);
        if (!fresh)
            return nullptr;
        StrFree(slot);
        *slot = fresh;
        return fresh;
    }
    void* resized = MemReallocRetry(*slot, newSize);
    if (!resized)
        return nullptr;
    if (newSize > oldSize)
        std::memset(static_cast<char*>(resized) + oldSize, 0, newSize - oldSize);
    *slot = resized;
    return resized;
}

void* MemResize(void** slot, std::size_t newSize) {
    void* old = *slot == EmptyString ? nullptr : *slot;
    void* resized = MemReallocRetry(old, newSize);
    if (!resized)
        return nullptr;
    *slot = resized;
    return resized;
}

std::size_t MemSize(const void* block) {
    if (block == EmptyString)
        return 2;
    if (!block)
        return 0;
    return malloc_usable_size(const_cast<void*>(block));
}

void** Alloc2DArray(void*** slot, std::size_t elementSize, std::size_t rows, std::size_t columns) {
    Free2DArray(slot);
    if (rows == 0 || columns == 0 || elementSize == 0)
        return nullptr;
    if (columns > SIZE_MAX / elementSize || rows > SIZE_MAX / (columns * elementSize))
        return nullptr;
    const std::size_t rowBytes = columns * elementSize;
    char* data = static_cast<char*>(MemAllocZero(rows * rowBytes));
    if (!data)
        return nullptr;
    void** table = static_cast<void**>(MemAlloc(rows * sizeof(void*)));
    if (!table) {
        std::free(data);
        return nullptr;
    }
    for (std::size_t i = 0; i < rows; ++i)
        table[i] = data + i * rowBytes;
    *slot = table;
    return table;
}

void Free2DArray(void*** slot) {
    if (!*slot)
        return;
    std::free((*slot)[0]);
    std::free(*slot);
    *slot = nullptr;
}

void SwapDoubles(double* a, double* b) {
    double t = *a;
    *a = *b;
    *b = t;
}

}  // namespace ob7
