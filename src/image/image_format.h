// Which kind of picture stream a run of bytes holds, told by its signature
// (its first bytes), never by a file name.
//
// Used by DecodeImage to pick the codec, by the loader's kind test and by
// the tools.
#pragma once

#include <cstdint>
#include <span>

namespace skyweave {

enum class ImageFormat : std::uint8_t {
    kUnknown,
    kBmpFile,  // "BM": a 14-byte file header, then a device-independent bitmap
    kDib,      // a bare device-independent bitmap: u32 40 first
    kJpeg,     // FF D8 FF and one more byte: start of image, then any marker
    kPng,      // the 8-byte PNG signature
    kWebp,     // "RIFF", a length, "WEBP"
    kHeif,     // an ISO base media "ftyp" box naming a HEIF brand (HEIC, AVIF)
};

// How many first bytes the tests below need at most; fewer give a shorter
// answer only for HEIF files with many compatible brands.
inline constexpr std::size_t kSignatureBytes = 64;

// The format of `bytes` (the start of a stream, any length).
ImageFormat ImageFormatOf(std::span<const std::uint8_t> bytes);

// True when `bytes` start a RIFF stream ("RIFF" first) of any form.
bool StartsRiff(std::span<const std::uint8_t> bytes);

}  // namespace skyweave
