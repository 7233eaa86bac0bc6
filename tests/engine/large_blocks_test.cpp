// Blocks for the sparse matrix's large arrays: usable in full at every size, a freed
// block handed out again for the next block of its size, everything given back on release.

#include <gtest/gtest.h>

#include <cstring>

#include "sim/engine/large_blocks.h"

namespace ob7 {
namespace {

TEST(LargeBlocks, EverySizeIsUsableAndFreedBlocksAreReused) {
    ReleaseLargeBlocks();
    for (std::size_t bytes : {std::size_t(1), std::size_t(4095), std::size_t(4096), std::size_t(70000),
                              std::size_t(3) << 20, (std::size_t(2) << 20) + 1}) {
        auto* block = static_cast<unsigned char*>(AllocateLargeBlock(bytes));
        ASSERT_NE(block, nullptr) << bytes;
        std::memset(block, 0xA5, bytes);
        EXPECT_EQ(block[bytes - 1], 0xA5) << bytes;
        FreeLargeBlock(block, bytes);
        // The next block of the same size class comes from the kept one.
        if (bytes >= 4096) {
            void* again = AllocateLargeBlock(bytes);
            EXPECT_EQ(again, block) << bytes;
            FreeLargeBlock(again, bytes);
        }
    }
    // Blocks from 2 MiB on start at a large-page boundary.
    void* large = AllocateLargeBlock(std::size_t(5) << 20);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(large) % (std::size_t(2) << 20), 0u);
    FreeLargeBlock(large, std::size_t(5) << 20);
    ReleaseLargeBlocks();
    void* fresh = AllocateLargeBlock(std::size_t(1) << 20);
    ASSERT_NE(fresh, nullptr);
    FreeLargeBlock(fresh, std::size_t(1) << 20);
    ReleaseLargeBlocks();
}

// A store filled by a much larger matrix must not turn away the blocks of the next one:
// they would be mapped afresh, and their pages faulted in, on every factorisation.
TEST(LargeBlocks, TheOldestKeptBlocksGoFirstWhenTheStoreIsFull) {
    ReleaseLargeBlocks();
    const std::size_t big = std::size_t(128) << 20, small = std::size_t(64) << 10;
    void* first = AllocateLargeBlock(big);
    void* second = AllocateLargeBlock(big);
    FreeLargeBlock(first, big);
    FreeLargeBlock(second, big);
    ASSERT_EQ(KeptLargeBlockBytes(), 2 * big);
    void* block = AllocateLargeBlock(small);
    FreeLargeBlock(block, small);
    // The first big block made room; the newer one is still kept.
    EXPECT_EQ(KeptLargeBlockBytes(), big + small);
    EXPECT_EQ(AllocateLargeBlock(small), block);
    EXPECT_EQ(AllocateLargeBlock(big), second);
    EXPECT_EQ(KeptLargeBlockBytes(), 0u);
    FreeLargeBlock(block, small);
    FreeLargeBlock(second, big);
    ReleaseLargeBlocks();
    EXPECT_EQ(KeptLargeBlockBytes(), 0u);
}

TEST(LargeBlocks, VectorsGrowAcrossSizeClassesKeepingTheirItems) {
    LargeVector<int> v;
    for (int i = 0; i < 1 << 20; ++i) v.push_back(i);
    bool intact = true;
    for (int i = 0; i < 1 << 20; ++i) intact = intact && v[i] == i;
    EXPECT_TRUE(intact);
    LargeVector<int>().swap(v);
    ReleaseLargeBlocks();
}

}  // namespace
}  // namespace ob7
