// The decode bounds both fuzz targets pass.
//
// The saver lets a stream state up to 2^30 pixels and walk 2^26 blocks,
// because real panoramas that large exist, and decoding one takes seconds
// whoever made it. The fuzzers look for memory faults, which the same code
// shows on small statements, so they pass bounds that keep every input to
// a fraction of a second at every depth; the large statements are the
// crafted-stream tests' and the load benchmark's.
#pragma once

#include <cstdint>

#include "image/decode_limits.h"

inline skyweave::DecodeLimits FuzzDecodeLimits() {
    return {.max_scan_blocks = std::uint64_t{1} << 21, .max_stream_pixels = std::uint64_t{1} << 22};
}
