// The kind test: which of the four kinds of input a file's first bytes name.
//
// Used by the loader (LoadFile) to decide how to read a file, by FindChunk to
// refuse anything that is not a container, and by the skyweave-pan tool.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace skyweave {

enum class KindTag : std::uint8_t {
    kBitmap,     // "  BM": a BMP file (first two bytes "BM")
    kJfif,       // "JFIF": a JPEG stream beginning FF D8 FF E0
    kRiff,       // "RIFF": a RIFF stream (no decoder accepts one)
    kContainer,  // "CVVL": a panorama container
};

// The four-character text of a kind tag: "  BM", "JFIF", "RIFF" or "CVVL".
std::string_view KindTagText(KindTag tag);

// The kind tag of a file from its first bytes, tested in the order bitmap,
// JPEG, RIFF, container; the first match wins.
//   head: the file's first bytes (any length; fewer than four give no tag).
// Returns no tag for anything else.
std::optional<KindTag> KindOf(std::span<const std::uint8_t> head);

}  // namespace skyweave
