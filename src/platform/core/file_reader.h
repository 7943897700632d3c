// Reading input files whole: the platform side of LoadFile and of the
// skyweave-pan tool.
//
// Opens only regular files, never blocks on a FIFO, and reports the outcome
// as a status so that the caller chooses the message.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace skyweave {

// The longest absolute path accepted, in bytes without the terminator.
inline constexpr std::size_t kMaxPathLength = 4095;

// The largest panorama file the loader reads: a 16384 x 8192 picture in any
// supported format fits with room to spare; a larger file is refused from
// its size alone, before a byte of it is read or held.
inline constexpr std::uint64_t kMaxPanoramaFileBytes = std::uint64_t{512} << 20;

// The absolute form of `name`: itself when it begins with '/', else the
// working directory, '/', and the name. The file need not exist. Nothing
// when the name is empty, the working directory is unknown, or the result is
// longer than kMaxPathLength.
std::optional<std::string> AbsolutePath(std::string_view name);

// True when a buffer of `bytes` bytes can be held: not above the machine's
// physical memory, and representable as a size.
bool MemoryCanHold(std::uint64_t bytes);

// `size` uninitialised bytes, or null when MemoryCanHold refuses the size or
// the allocation fails.
std::unique_ptr<std::uint8_t[]> TryAllocateBytes(std::uint64_t size);

// An open input file, closed by the destructor.
class InputFile {
  public:
    // Opens the regular file at `path` for reading; null when it cannot be
    // opened or is not a regular file (a directory, device or FIFO).
    static std::unique_ptr<InputFile> Open(const std::string& path);

    ~InputFile();
    InputFile(const InputFile&) = delete;
    InputFile& operator=(const InputFile&) = delete;

    // The file's size in bytes when it was opened.
    std::uint64_t Size() const { return size_; }

    // Reads from byte `offset` into `into` until it is full or the file ends.
    // Returns the number of bytes read (fewer on end of file or error).
    std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> into);

  private:
    InputFile(int fd, std::uint64_t size) : fd_(fd), size_(size) {}
    int fd_;
    std::uint64_t size_;
};

}  // namespace skyweave
