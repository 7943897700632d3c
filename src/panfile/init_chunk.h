// The "INIT" chunk: initial view and covered extent.
//
// Used by the loader to set the initial view and the coverage, and by
// skyweave-pan info to show what a file asks for.
#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace skyweave {

// Bytes of "INIT" that are read; a smaller chunk is ignored as a whole.
inline constexpr std::size_t kInitChunkSize = 16;

// The eight signed 16-bit fields as stored, in degrees.
struct InitFields {
    std::int16_t heading_from = 0;  // extent form: total heading extent
    std::int16_t heading_to = 0;    // extent form: total pitch extent
    std::int16_t pitch_from = 0;
    std::int16_t pitch_to = 0;
    std::int16_t heading = 0;  // initial view
    std::int16_t pitch = 0;
    std::int16_t roll = 0;
    std::int16_t zoom = 0;  // field of view; 0 means the default 60
};

// What the fields describe: the ranges as read and the extents that remain.
struct InitExtents {
    bool extent_form = false;  // pitch from and pitch to both 0
    std::int16_t heading_from = 0;
    std::int16_t heading_to = 0;
    std::int16_t pitch_from = 0;
    std::int16_t pitch_to = 0;
    int heading_extent = 360;  // degrees, 1 ... 360
    int pitch_extent = 180;    // degrees, 1 ... 180
    bool IsFullSphere() const { return heading_extent == 360 && pitch_extent == 180; }
};

// The fields of an "INIT" chunk; nothing when it holds fewer than 16 bytes.
//   chunk: the chunk's bytes (only the first 16 are read).
std::optional<InitFields> ReadInitChunk(std::span<const std::uint8_t> chunk);

// The ranges and extents the fields give: extent form when both pitch fields
// are 0 (halves truncated toward zero), range form otherwise; differences as
// signed 16-bit values; a heading extent outside 1 ... 360 becomes 360, a
// pitch extent outside 1 ... 180 becomes 180.
InitExtents ExtentsOf(const InitFields& fields);

// Half an extent as the coverage uses it: E / 2 truncated toward zero.
inline int HalfExtent(int extent) {
    return static_cast<std::int16_t>(extent) / 2;
}

}  // namespace skyweave
