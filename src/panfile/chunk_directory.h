// The container's header and chunk directory: reading them safely from a
// whole-file image in memory.
//
// Used by the loader to find "BTMP", "INIT" and "FILE", and by skyweave-pan
// to list and extract. Every entry is checked against the data: a directory
// that runs past the end of the data is cut to the entries that fit, and a
// chunk that runs past the end counts as absent.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace skyweave {

// Size of the container header and of one directory entry, in bytes.
inline constexpr std::size_t kContainerHeaderSize = 16;
inline constexpr std::size_t kChunkEntrySize = 16;

// One directory entry as stored (16 bytes; bytes 12 to 15 are not read).
struct ChunkEntry {
    std::array<char, 4> id{};  // chunk id, four 8-bit characters
    std::uint32_t offset = 0;  // first byte of the chunk, from the file's start
    std::uint32_t size = 0;    // chunk size in bytes
};

// Little-endian readers over bytes the caller has checked to be present.
std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at);
std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at);

// The version code of a container (byte 12, signed); nothing when the data is
// shorter than the header.
std::optional<std::int8_t> ContainerVersionCode(std::span<const std::uint8_t> file);

// Number of directory entries the header claims (N); 0 when there is no
// header.
std::uint32_t DeclaredEntryCount(std::span<const std::uint8_t> file);

// The directory entries that lie wholly inside the data, in file order. At
// most as many as the header declares; fewer when the data ends first.
std::vector<ChunkEntry> ReadChunkDirectory(std::span<const std::uint8_t> file);

// True when the chunk of `entry` lies wholly inside `file`.
bool ChunkFits(const ChunkEntry& entry, std::span<const std::uint8_t> file);

// Finds the first entry whose id matches `id` (compared over four bytes,
// stopping early at a zero byte) and returns its bytes. Returns an empty span
// (absent) when `file` is not a container, when no entry matches, or when the
// first matching entry's chunk does not lie wholly inside `file`.
//   id:   the chunk id, up to four characters ("BTMP").
//   file: the complete file image.
std::span<const std::uint8_t> FindChunk(std::string_view id, std::span<const std::uint8_t> file);

}  // namespace skyweave
