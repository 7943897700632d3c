// Writing the container layout.
#include "pan_writer.h"

#include <cstring>
#include <limits>

namespace skyweave {
namespace {

void Append32(std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
    }
}

void Append16(std::vector<std::uint8_t>& out, std::int16_t value) {
    const auto bits = static_cast<std::uint16_t>(value);
    out.push_back(static_cast<std::uint8_t>(bits & 0xFF));
    out.push_back(static_cast<std::uint8_t>(bits >> 8));
}

}  // namespace

std::vector<std::uint8_t> BuildPanorama(const PanoramaContents& contents) {
    constexpr std::uint64_t kLimit = std::numeric_limits<std::uint32_t>::max();
    struct Chunk {
        const char* id;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Chunk> chunks;
    chunks.push_back({"BTMP", contents.image});
    if (contents.init) {
        std::vector<std::uint8_t> init;
        const InitFields& f = *contents.init;
        for (std::int16_t value : {f.heading_from, f.heading_to, f.pitch_from, f.pitch_to,
                                   f.heading, f.pitch, f.roll, f.zoom}) {
            Append16(init, value);
        }
        chunks.push_back({"INIT", std::move(init)});
    }
    if (!contents.files.empty()) {
        std::vector<std::uint8_t> records;
        for (const EmbeddedFile& file : contents.files) {
            if (file.content.size() > kLimit) {
                return {};
            }
            records.insert(records.end(), file.name.begin(), file.name.end());
            records.push_back(0);
            Append32(records, static_cast<std::uint32_t>(file.content.size()));
            records.insert(records.end(), file.content.begin(), file.content.end());
        }
        records.push_back(0);  // the empty name ends the records
        chunks.push_back({"FILE", std::move(records)});
    }

    std::uint64_t offset = 16 + 16 * chunks.size();
    std::vector<std::uint8_t> out = {'C', 'V', 'V', 'L', 0, 0, 0, 0};
    Append32(out, static_cast<std::uint32_t>(chunks.size()));
    out.push_back(static_cast<std::uint8_t>(contents.version_code));
    out.insert(out.end(), 3, 0);
    for (const Chunk& chunk : chunks) {
        if (offset + chunk.bytes.size() > kLimit) {
            return {};
        }
        out.insert(out.end(), chunk.id, chunk.id + 4);
        Append32(out, static_cast<std::uint32_t>(offset));
        Append32(out, static_cast<std::uint32_t>(chunk.bytes.size()));
        Append32(out, 0);
        offset += chunk.bytes.size();
    }
    for (const Chunk& chunk : chunks) {
        out.insert(out.end(), chunk.bytes.begin(), chunk.bytes.end());
    }
    return out;
}

}  // namespace skyweave
