// The "FILE" chunk: the embedded files, walked without reading outside the
// chunk.
//
// Used by the loader to stage the files and by skyweave-pan to list and
// extract them.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace skyweave {

// One embedded file: its name (without the terminating zero) and content,
// both views into the chunk.
struct FileRecord {
    std::string_view name;
    std::span<const std::uint8_t> content;
};

// The records of a "FILE" chunk in order, up to the terminating empty name.
struct FileRecordWalk {
    std::vector<FileRecord> records;
    // False when the walk stopped at a record that runs past the chunk (an
    // unterminated name, a length field cut off, or content longer than what
    // is left) or when the chunk ended without the empty name.
    bool complete = false;
};

// Walks the records of `chunk` from the first. A record that runs past the
// chunk ends the walk; it and everything after it are not returned.
FileRecordWalk ReadFileRecords(std::span<const std::uint8_t> chunk);

// True when `name` may be created in a staging or output directory: not
// empty, not "." or "..", and without a path separator ('/' or '\\').
bool IsSafeFileName(std::string_view name);

}  // namespace skyweave
