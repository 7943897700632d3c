// MemoryBlock on the C allocator: malloc answers null instead of throwing,
// and blocks handed over by C libraries (libjpeg's memory destination) use
// the same allocator, so they can be adopted without a copy.
#include "platform/core/memory_block.h"

#include <cstdlib>

namespace skyweave {

void MemoryBlock::FreeBytes::operator()(std::uint8_t* bytes) const {
    std::free(bytes);
}

MemoryBlock MemoryBlock::Adopt(void* bytes, std::size_t size) {
    MemoryBlock block;
    block.bytes_.reset(static_cast<std::uint8_t*>(bytes));
    block.size_ = bytes != nullptr ? size : 0;
    return block;
}

MemoryBlock MemAlloc(std::size_t size) {
    if (size == 0 || size > kMaxMemoryBlockSize) {
        return {};
    }
    return MemoryBlock::Adopt(std::malloc(size), size);
}

MemoryBlock MemAllocZeroed(std::size_t size) {
    if (size == 0 || size > kMaxMemoryBlockSize) {
        return {};
    }
    return MemoryBlock::Adopt(std::calloc(size, 1), size);
}

}  // namespace skyweave
