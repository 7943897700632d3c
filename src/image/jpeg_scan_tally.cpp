// TallyJpegScans (jpeg_scan_tally.h).
#include "image/jpeg_scan_tally.h"

#include <cstring>

namespace skyweave {
namespace {

constexpr std::uint8_t kMarkerPrefix = 0xFF;
constexpr std::uint8_t kSoi = 0xD8;
constexpr std::uint8_t kEoi = 0xD9;
constexpr std::uint8_t kSos = 0xDA;
constexpr std::uint8_t kTem = 0x01;

bool IsRestart(std::uint8_t code) {
    return code >= 0xD0 && code <= 0xD7;
}

// Markers that stand alone, without a length field.
bool StandsAlone(std::uint8_t code) {
    return code == kSoi || code == kTem || IsRestart(code);
}

// The offset of the marker that ends the entropy-coded data starting at
// `at`: an FF followed by a code that is neither a stuffed zero, a restart
// marker (which lives inside the data) nor another fill FF. The size of the
// stream when there is none.
std::size_t EndOfScanData(std::span<const std::uint8_t> stream, std::size_t at) {
    while (at < stream.size()) {
        const void* found = std::memchr(stream.data() + at, kMarkerPrefix, stream.size() - at);
        if (found == nullptr) {
            break;
        }
        std::size_t ff =
            static_cast<std::size_t>(static_cast<const std::uint8_t*>(found) - stream.data());
        std::size_t next = ff + 1;
        while (next < stream.size() && stream[next] == kMarkerPrefix) {
            ++next;
        }
        if (next >= stream.size()) {
            break;
        }
        if (stream[next] != 0 && !IsRestart(stream[next])) {
            return next - 1;
        }
        at = next + 1;
    }
    return stream.size();
}

std::uint64_t BlocksOf(std::uint8_t id, std::span<const JpegComponentBlocks> components) {
    for (const JpegComponentBlocks& component : components) {
        if (component.id == id) {
            return component.blocks;
        }
    }
    return 0;
}

}  // namespace

JpegScanTally TallyJpegScans(std::span<const std::uint8_t> stream,
                             std::span<const JpegComponentBlocks> components) {
    JpegScanTally tally;
    std::size_t at = 0;
    while (at < stream.size()) {
        // Bytes between segments are not a marker: libjpeg skips them to
        // the next FF, and so does the count.
        if (stream[at] != kMarkerPrefix) {
            ++at;
            continue;
        }
        while (at < stream.size() && stream[at] == kMarkerPrefix) {
            ++at;
        }
        if (at >= stream.size()) {
            break;
        }
        const std::uint8_t code = stream[at++];
        if (code == kEoi) {
            break;
        }
        if (StandsAlone(code) || code == 0) {
            continue;
        }
        if (stream.size() - at < 2) {
            break;
        }
        const std::size_t length = std::size_t{stream[at]} << 8 | stream[at + 1];
        if (length < 2 || stream.size() - at < length) {
            break;
        }
        if (code == kSos) {
            ++tally.scans;
            const std::size_t named = length >= 3 ? stream[at + 2] : 0;
            for (std::size_t i = 0; i < named && 3 + 2 * i < length; ++i) {
                tally.blocks += BlocksOf(stream[at + 3 + 2 * i], components);
            }
            at = EndOfScanData(stream, at + length);
        } else {
            at += length;
        }
    }
    return tally;
}

}  // namespace skyweave
