// Reading the "INIT" chunk and turning its ranges into extents.
#include "panfile/init_chunk.h"

#include "panfile/chunk_directory.h"

namespace skyweave {

std::optional<InitFields> ReadInitChunk(std::span<const std::uint8_t> chunk) {
    if (chunk.size() < kInitChunkSize) {
        return std::nullopt;
    }
    auto field = [&](std::size_t at) { return static_cast<std::int16_t>(ReadU16(chunk, at)); };
    InitFields fields;
    fields.heading_from = field(0);
    fields.heading_to = field(2);
    fields.pitch_from = field(4);
    fields.pitch_to = field(6);
    fields.heading = field(8);
    fields.pitch = field(10);
    fields.roll = field(12);
    fields.zoom = field(14);
    return fields;
}

InitExtents ExtentsOf(const InitFields& fields) {
    InitExtents out;
    out.extent_form = fields.pitch_from == 0 && fields.pitch_to == 0;
    if (out.extent_form) {
        const int heading_half = fields.heading_from / 2;
        const int pitch_half = fields.heading_to / 2;
        out.heading_from = static_cast<std::int16_t>(-heading_half);
        out.heading_to = static_cast<std::int16_t>(heading_half);
        out.pitch_from = static_cast<std::int16_t>(-pitch_half);
        out.pitch_to = static_cast<std::int16_t>(pitch_half);
    } else {
        out.heading_from = fields.heading_from;
        out.heading_to = fields.heading_to;
        out.pitch_from = fields.pitch_from;
        out.pitch_to = fields.pitch_to;
    }
    // The differences wrap like the 16-bit arithmetic of the file format.
    const auto heading = static_cast<std::int16_t>(out.heading_to - out.heading_from);
    const auto pitch = static_cast<std::int16_t>(out.pitch_to - out.pitch_from);
    out.heading_extent = (heading < 1 || heading > 360) ? 360 : heading;
    out.pitch_extent = (pitch < 1 || pitch > 180) ? 180 : pitch;
    return out;
}

}  // namespace skyweave
