// The kind test: which kind of input a file's first bytes name.
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
    kJfif,       // "JFIF": a JPEG stream: FF D8 FF, whatever marker follows
    kPng,        // "PNG ": a PNG stream (its 8-byte signature)
    kWebp,       // "WEBP": a WebP stream ("RIFF", a length, "WEBP")
    kRiff,       // "RIFF": any other RIFF stream (no decoder accepts one)
    kContainer,  // "CVVL": a panorama container
    kHeif,       // "HEIF": a HEIF file, HEIC or AVIF (an "ftyp" box with its brand)
};

// How many first bytes the kind test looks at, at most.
inline constexpr std::size_t kKindTestBytes = 64;

// The four-character text of a kind tag: "  BM", "JFIF", "PNG ", "WEBP",
// "RIFF", "CVVL" or "HEIF".
std::string_view KindTagText(KindTag tag);

// The kind tag of a file from its first bytes, tested in the order of the
// enumeration above; the first match wins.
//   head: the file's first bytes (any length; fewer than four give no tag,
//         and the tests that need more bytes fail on fewer).
// Returns no tag for anything else.
std::optional<KindTag> KindOf(std::span<const std::uint8_t> head);

// Whether a file of this kind is itself the panorama picture (every kind
// but the container).
inline bool IsPlainPicture(KindTag tag) {
    return tag != KindTag::kContainer;
}

}  // namespace skyweave
