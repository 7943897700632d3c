// Reading the container header and directory with every offset checked.
#include "panfile/chunk_directory.h"

#include <algorithm>

#include "panfile/kind_tag.h"

namespace skyweave {

std::uint16_t ReadU16(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

std::uint32_t ReadU32(std::span<const std::uint8_t> bytes, std::size_t at) {
    return static_cast<std::uint32_t>(bytes[at]) |
           (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

std::optional<std::int8_t> ContainerVersionCode(std::span<const std::uint8_t> file) {
    if (file.size() < kContainerHeaderSize) {
        return std::nullopt;
    }
    return static_cast<std::int8_t>(file[12]);
}

std::uint32_t DeclaredEntryCount(std::span<const std::uint8_t> file) {
    if (file.size() < kContainerHeaderSize) {
        return 0;
    }
    return ReadU32(file, 8);
}

std::vector<ChunkEntry> ReadChunkDirectory(std::span<const std::uint8_t> file) {
    std::vector<ChunkEntry> entries;
    if (file.size() < kContainerHeaderSize) {
        return entries;
    }
    // The count comes from the file: never trust it beyond what the data holds.
    const std::uint64_t room = (file.size() - kContainerHeaderSize) / kChunkEntrySize;
    const std::uint64_t count = std::min<std::uint64_t>(DeclaredEntryCount(file), room);
    entries.reserve(static_cast<std::size_t>(count));
    for (std::uint64_t i = 0; i < count; ++i) {
        const std::size_t at = kContainerHeaderSize + static_cast<std::size_t>(i) * kChunkEntrySize;
        ChunkEntry entry;
        for (std::size_t k = 0; k < 4; ++k) {
            entry.id[k] = static_cast<char>(file[at + k]);
        }
        entry.offset = ReadU32(file, at + 4);
        entry.size = ReadU32(file, at + 8);
        entries.push_back(entry);
    }
    return entries;
}

bool ChunkFits(const ChunkEntry& entry, std::span<const std::uint8_t> file) {
    return std::uint64_t{entry.offset} + entry.size <= file.size();
}

namespace {

bool IdMatches(const std::array<char, 4>& stored, std::string_view id) {
    for (std::size_t k = 0; k < 4; ++k) {
        const char wanted = k < id.size() ? id[k] : '\0';
        if (stored[k] != wanted) {
            return false;
        }
        if (wanted == '\0') {
            return true;
        }
    }
    return true;
}

}  // namespace

std::span<const std::uint8_t> FindChunk(std::string_view id, std::span<const std::uint8_t> file) {
    if (KindOf(file) != KindTag::kContainer) {
        return {};
    }
    for (const ChunkEntry& entry : ReadChunkDirectory(file)) {
        if (!IdMatches(entry.id, id)) {
            continue;
        }
        // The first entry with the id counts, even when it is unusable.
        if (!ChunkFits(entry, file)) {
            return {};
        }
        return file.subspan(entry.offset, entry.size);
    }
    return {};
}

}  // namespace skyweave
