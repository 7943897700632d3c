// The scans of a JPEG stream and the blocks they walk, counted from its
// markers alone.
//
// libjpeg learns of a scan only when it reaches it, so a stream of
// hundreds of scans would be refused by the decode bounds only after
// decoding dozens of them. Counting the SOS markers first (one pass over
// the bytes, no decoding) refuses it in a millisecond with the same verdict.
#pragma once

#include <cstdint>
#include <span>

namespace skyweave {

// A frame component: the identifier its scans name it by, and the blocks a
// scan of it walks (its width in blocks times its height in blocks).
struct JpegComponentBlocks {
    std::uint8_t id = 0;
    std::uint64_t blocks = 0;
};

struct JpegScanTally {
    int scans = 0;             // SOS markers before the end of the stream
    std::uint64_t blocks = 0;  // blocks of the components each names, summed
};

// Walks the marker segments of `stream` (a JPEG from its SOI), skipping each
// scan's entropy-coded data, up to EOI or the end of the bytes. A scan
// naming a component not in `components` adds no blocks (the decoder
// refuses it later). Never reads outside `stream`; linear in its size.
JpegScanTally TallyJpegScans(std::span<const std::uint8_t> stream,
                             std::span<const JpegComponentBlocks> components);

}  // namespace skyweave
