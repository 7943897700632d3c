// DecodeLimits: what the caller of a load or a decode allows it to spend,
// and the flag through which it can call the work off.
//
// The caller passes one value down through PanoramaEngine's loading entry
// points to DecodeImage and the codec adapters; nothing here is read from a
// global. A default-constructed value keeps every decode of a picture up to
// 2^27 pixels that succeeded before succeeding with the same pixels, adds
// the bounds below against hostile streams, and asks the installed
// screen-depth query as always.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>

#include "image/error_texts.h"

namespace skyweave {

// Most scans a progressive JPEG may have. Real encoders write about ten; a
// crafted stream of hundreds of near-empty scans makes the decoder walk the
// whole picture once per scan.
inline constexpr int kDefaultMaxProgressiveScans = 100;

// Most 8 x 8 blocks all the scans of one JPEG stream may decode together.
// Each scan walks every block of its components, whatever data it holds,
// at about 60 ns a block; the scan count alone would still let 100 scans
// over a large picture run for half a minute. A 16384 x 8192 stream with
// libjpeg's usual ten-scan progression decodes about 15 million; a baseline
// stream decodes each block once.
inline constexpr std::uint64_t kDefaultMaxScanBlocks = std::uint64_t{1} << 26;

// Working memory libjpeg may give its whole-picture buffers (the
// coefficients of a progressive or multi-scan stream, the picture held for
// the two-pass colour quantiser), in bytes. A 16384 x 8192 progressive
// stream with 4:2:0 chroma needs 384 MiB; with the decoded picture of at
// most 384 MiB on top, a hostile stream stays below 1 GiB.
inline constexpr std::size_t kDefaultMaxDecoderMemory = std::size_t{512} << 20;

// The largest picture a decode makes, in pixels: 2^27, a 16384 x 8192
// panorama (384 MiB at 24 bits). Larger pictures are decoded at a reduced
// scale rather than refused.
inline constexpr std::uint64_t kDefaultMaxPicturePixels = std::uint64_t{1} << 27;

struct DecodeLimits {
    // Most scans of a progressive JPEG, 1 or more; a stream with more fails
    // with "Too many progressive JPEG scans", before its first scan is
    // decoded when its markers show the count (jpeg_scan_tally.h), else
    // when the scan past the bound starts.
    int max_progressive_scans = kDefaultMaxProgressiveScans;

    // Most blocks the scans of a JPEG stream may decode together; past it
    // the decode fails with "Too many progressive JPEG scans" as well, at
    // the same two points.
    std::uint64_t max_scan_blocks = kDefaultMaxScanBlocks;

    // Bytes the JPEG library's whole-picture buffers may take (its
    // max_memory_to_use); a stream that needs more fails with "Insufficient
    // system memory" before its pixels are decoded.
    std::size_t max_decoder_memory = kDefaultMaxDecoderMemory;

    // Set to true (by any thread) to call the decode off. The decoders look
    // at it between rows, scans and steps, so a decode ends within a
    // fraction of a second with "Decoding cancelled", and a load with the
    // loader's cancellation message. Null: never cancelled. The flag must
    // outlive the call.
    const std::atomic<bool>* cancel = nullptr;

    // Screen depth (a depth code: 8, 15, 16 or 24) to decode for. 0 asks
    // the installed screen-depth query (RefreshScreenDepth), as a decode on
    // the display's own thread does; a loader on another thread passes the
    // depth its display thread found. Either way the value becomes the
    // process-wide screen depth.
    int screen_depth = 0;

    // The largest picture a stream may state in its header, in pixels,
    // whatever scale it would be decoded at; a larger statement fails with
    // "Insufficient system memory" before anything is decoded. A JPEG's
    // every block and a PNG's or WebP's every row is decoded even when the
    // picture made is smaller, so this bounds the work a short stream can
    // ask for, as max_pixels bounds the memory. Default 2^30 (a 46000 x
    // 23000 panorama still passes).
    std::uint64_t max_stream_pixels = kMaxPicturePixels;

    // The largest picture the decode makes: pixels in all, and across and
    // down. A larger picture is decoded at a reduced scale that fits,
    // keeping its shape: a JPEG by libjpeg's DCT scaling (the smallest
    // reduction in eighths that fits), a WebP by libwebp's own scaling,
    // every other format (and a JPEG that eighths cannot bring down far
    // enough) by an area filter as its rows come in. The sizes are those of
    // the picture as shown (after its Exif turn) and before the renderer's
    // padding to a multiple of 4 columns. The engine narrows them to what
    // its renderer and the panorama's canvas can take.
    std::uint64_t max_pixels = kDefaultMaxPicturePixels;
    std::int32_t max_width = INT32_MAX;
    std::int32_t max_height = INT32_MAX;

    bool Cancelled() const { return cancel != nullptr && cancel->load(std::memory_order_relaxed); }
};

}  // namespace skyweave
