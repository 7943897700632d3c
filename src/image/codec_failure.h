// The codec-failure message buffer: one process-wide text that names the
// video codec that could not decompress a bitmap.
//
// It reads "File decompression failed; Codec: " followed directly by the four
// characters of the codec's FourCC. Each failure overwrites the previous
// text, so the pointer handed out stays valid for the whole process but shows
// only the latest failure. Caller: the codec path of DecodeImage.
#pragma once

#include <cstdint>

namespace skyweave {

inline constexpr const char* kCodecFailurePrefix = "File decompression failed; Codec: ";

// Cuts the buffer back to the prefix, appends the four bytes of `fourcc`
// (little-endian, as they stand in biCompression) and returns the buffer.
const char* CodecFailureText(std::uint32_t fourcc);

}  // namespace skyweave
