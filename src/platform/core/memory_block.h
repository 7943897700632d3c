// MemoryBlock: one owned run of bytes whose allocation may fail.
//
// Pictures, frame buffers and compressed streams can be hundreds of
// megabytes, and a decode that cannot get its memory must end with
// "Insufficient system memory" instead of an exception or an out-of-memory
// kill. MemAlloc therefore answers an empty block on failure, never throws.
// The block frees itself; there is no lock or unlock step, the bytes are
// reachable for as long as the block is owned.
//
// Callers: the image subsystem (PackedDib, the JPEG adapters), the engine's
// frame buffers and the loader's canvas.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>

namespace skyweave {

class MemoryBlock {
  public:
    // An empty block (the null handle).
    MemoryBlock() = default;

    // Takes over `bytes`, which must come from std::malloc (or be null), of
    // `size` bytes. The block frees it with std::free.
    static MemoryBlock Adopt(void* bytes, std::size_t size);

    explicit operator bool() const { return bytes_ != nullptr; }
    std::size_t size() const { return size_; }
    std::uint8_t* data() { return bytes_.get(); }
    const std::uint8_t* data() const { return bytes_.get(); }
    std::span<std::uint8_t> bytes() { return {bytes_.get(), size_}; }
    std::span<const std::uint8_t> bytes() const { return {bytes_.get(), size_}; }

  private:
    struct FreeBytes {
        void operator()(std::uint8_t* bytes) const;
    };
    std::unique_ptr<std::uint8_t[], FreeBytes> bytes_;
    std::size_t size_ = 0;
};

// The largest block MemAlloc tries to get (512 GiB). Larger requests can
// only come from sizes that a file made up; they fail at once, also under
// the sanitizers, whose allocators abort on such sizes instead of failing.
inline constexpr std::size_t kMaxMemoryBlockSize = std::size_t{1} << 39;

// A block of `size` bytes (uninitialised), or an empty block when the memory
// cannot be had or `size` is above kMaxMemoryBlockSize. A size of 0 gives an
// empty block.
MemoryBlock MemAlloc(std::size_t size);

// As MemAlloc, with every byte set to 0.
MemoryBlock MemAllocZeroed(std::size_t size);

}  // namespace skyweave
