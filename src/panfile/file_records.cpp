// Walking the "FILE" records with every length checked against the chunk.
#include "panfile/file_records.h"

#include <cstring>

#include "panfile/chunk_directory.h"

namespace skyweave {

FileRecordWalk ReadFileRecords(std::span<const std::uint8_t> chunk) {
    FileRecordWalk walk;
    std::size_t at = 0;
    while (at < chunk.size()) {
        const std::span<const std::uint8_t> rest = chunk.subspan(at);
        const void* zero = std::memchr(rest.data(), 0, rest.size());
        if (zero == nullptr) {
            return walk;  // the name runs past the chunk
        }
        const std::size_t name_length = static_cast<const std::uint8_t*>(zero) - rest.data();
        if (name_length == 0) {
            walk.complete = true;  // the empty name ends the sequence
            return walk;
        }
        const std::size_t length_at = name_length + 1;
        if (rest.size() - length_at < 4) {
            return walk;
        }
        const std::uint32_t length = ReadU32(rest, length_at);
        const std::size_t content_at = length_at + 4;
        if (length > rest.size() - content_at) {
            return walk;
        }
        walk.records.push_back(
            {std::string_view(reinterpret_cast<const char*>(rest.data()), name_length),
             rest.subspan(content_at, length)});
        at += content_at + length;
    }
    return walk;
}

bool IsSafeFileName(std::string_view name) {
    if (name.empty() || name == "." || name == "..") {
        return false;
    }
    return name.find_first_of("/\\") == std::string_view::npos;
}

}  // namespace skyweave
