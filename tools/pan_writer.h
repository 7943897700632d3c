// Building panorama containers for skyweave-pan pack.
//
// Layout written: the 16-byte header ("CVVL", 0, N, version code, 0), the
// directory ("BTMP", then "INIT" and "FILE" when present), then the chunks
// in the same order. Unread bytes are 0.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "panfile/init_chunk.h"

namespace skyweave {

struct EmbeddedFile {
    std::string name;                   // one path component, not empty
    std::vector<std::uint8_t> content;  // at most 4 GiB - 1 bytes
};

struct PanoramaContents {
    std::vector<std::uint8_t> image;  // the "BTMP" stream
    std::optional<InitFields> init;   // "INIT" when set
    std::vector<EmbeddedFile> files;  // "FILE" when not empty
    std::int8_t version_code = 0;
};

// The container bytes, or an empty vector when a chunk or the whole file
// would pass 4 GiB (offsets and sizes are 32-bit).
std::vector<std::uint8_t> BuildPanorama(const PanoramaContents& contents);

}  // namespace skyweave
