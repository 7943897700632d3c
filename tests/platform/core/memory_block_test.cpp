// MemAlloc and MemoryBlock: failure is an empty block, never an exception or
// an abort, and adopted C blocks are freed by their owner.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <utility>

#include "platform/core/memory_block.h"

namespace skyweave {
namespace {

TEST(MemoryBlock, AllocationsAndRefusals) {
    EXPECT_FALSE(MemAlloc(0));
    EXPECT_FALSE(MemAlloc(kMaxMemoryBlockSize + 1));
    EXPECT_FALSE(MemAlloc(~std::size_t{0}));
    EXPECT_FALSE(MemAllocZeroed(~std::size_t{0} / 2));

    MemoryBlock block = MemAllocZeroed(4096);
    ASSERT_TRUE(block);
    EXPECT_EQ(block.size(), 4096u);
    for (std::uint8_t byte : block.bytes()) {
        ASSERT_EQ(byte, 0);
    }
    block.data()[4095] = 7;
    MemoryBlock moved = std::move(block);
    EXPECT_FALSE(block);  // NOLINT(bugprone-use-after-move): the moved-from block is null
    EXPECT_EQ(moved.bytes()[4095], 7);
}

TEST(MemoryBlock, AdoptsMallocBlocks) {
    void* bytes = std::malloc(16);
    ASSERT_NE(bytes, nullptr);
    std::memset(bytes, 0x5A, 16);
    const MemoryBlock block = MemoryBlock::Adopt(bytes, 16);
    EXPECT_EQ(block.size(), 16u);
    EXPECT_EQ(block.data()[15], 0x5A);
    EXPECT_EQ(MemoryBlock::Adopt(nullptr, 99).size(), 0u);  // a null block has no size
}

}  // namespace
}  // namespace skyweave
