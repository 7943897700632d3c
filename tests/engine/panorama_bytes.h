// Byte builders for the tests: BMP files and panorama containers written
// field by field, independently of the code under test, so that a fault in
// the reader cannot hide behind the same fault in a writer.
//
// Used by the engine, panfile and tools tests (included as
// "engine/panorama_bytes.h").
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace skyweave::testing {

using Bytes = std::vector<std::uint8_t>;

inline void Put16(Bytes& out, std::uint16_t value) {
    out.push_back(static_cast<std::uint8_t>(value));
    out.push_back(static_cast<std::uint8_t>(value >> 8));
}

inline void Put32(Bytes& out, std::uint32_t value) {
    for (int k = 0; k < 4; ++k) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * k)));
    }
}

inline void PutText(Bytes& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A 24-bit BMP file of width x height pixels; pixel(x, y) gives the colour
// with y counted from the TOP row. Rows are padded to 4 bytes as BMP files
// are; keep width a multiple of 4 so that no padding arises.
inline Bytes Bmp24(int width, int height, const std::function<Rgb(int, int)>& pixel) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) / 4 * 4;
    Bytes out = {'B', 'M'};
    Put32(out, 54 + stride * height);
    Put32(out, 0);
    Put32(out, 54);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, 24);
    for (int k = 0; k < 6; ++k) {
        Put32(out, 0);
    }
    for (int row = height - 1; row >= 0; --row) {  // bottom row first
        const std::size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            const Rgb c = pixel(x, row);
            out.push_back(c.blue);
            out.push_back(c.green);
            out.push_back(c.red);
        }
        out.resize(start + stride, 0);
    }
    return out;
}

// An 8-bit BMP file with a 256-entry colour table (entry i from
// palette(i)); index(x, y) gives the pixel, y from the top row.
inline Bytes Bmp8(int width, int height, const std::function<Rgb(int)>& palette,
                  const std::function<std::uint8_t(int, int)>& index) {
    const std::uint32_t stride = (static_cast<std::uint32_t>(width) + 3) / 4 * 4;
    Bytes out = {'B', 'M'};
    Put32(out, 54 + 1024 + stride * height);
    Put32(out, 0);
    Put32(out, 54 + 1024);
    Put32(out, 40);
    Put32(out, static_cast<std::uint32_t>(width));
    Put32(out, static_cast<std::uint32_t>(height));
    Put16(out, 1);
    Put16(out, 8);
    Put32(out, 0);    // compression
    Put32(out, 0);    // image size
    Put32(out, 0);    // x resolution
    Put32(out, 0);    // y resolution
    Put32(out, 256);  // colours used
    Put32(out, 0);    // important
    for (int i = 0; i < 256; ++i) {
        const Rgb c = palette(i);
        out.push_back(c.blue);
        out.push_back(c.green);
        out.push_back(c.red);
        out.push_back(0);
    }
    for (int row = height - 1; row >= 0; --row) {
        const std::size_t start = out.size();
        for (int x = 0; x < width; ++x) {
            out.push_back(index(x, row));
        }
        out.resize(start + stride, 0);
    }
    return out;
}

// One colour everywhere.
inline Bytes UniformBmp24(int width, int height, Rgb colour) {
    return Bmp24(width, height, [colour](int, int) { return colour; });
}

// A directory entry exactly as it is to be written (offsets may lie).
struct RawEntry {
    std::string id;  // up to four characters; padded with zero bytes
    std::uint32_t offset = 0;
    std::uint32_t size = 0;
};

// A container with a hand-made directory and a body appended after it.
inline Bytes RawContainer(const std::vector<RawEntry>& entries, const Bytes& body,
                          std::uint8_t version_code = 0,
                          std::optional<std::uint32_t> declared_count = std::nullopt) {
    Bytes out = {'C', 'V', 'V', 'L', 0xAA, 0xBB, 0xCC, 0xDD};
    Put32(out, declared_count.value_or(static_cast<std::uint32_t>(entries.size())));
    out.push_back(version_code);
    out.insert(out.end(), {0x11, 0x22, 0x33});
    for (const RawEntry& entry : entries) {
        std::string id = entry.id;
        id.resize(4, '\0');
        PutText(out, id);
        Put32(out, entry.offset);
        Put32(out, entry.size);
        Put32(out, 0xFEEDFACE);  // not read
    }
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

struct Chunk {
    std::string id;
    Bytes bytes;
};

// A well-formed container: the directory lists `chunks` in order, the
// chunks follow it in reverse order (nothing but the directory locates them).
inline Bytes Container(const std::vector<Chunk>& chunks, std::uint8_t version_code = 0) {
    std::vector<RawEntry> entries(chunks.size());
    Bytes body;
    std::uint32_t offset = 16 + 16 * static_cast<std::uint32_t>(chunks.size());
    for (std::size_t i = chunks.size(); i-- > 0;) {
        entries[i] = {chunks[i].id, offset, static_cast<std::uint32_t>(chunks[i].bytes.size())};
        body.insert(body.end(), chunks[i].bytes.begin(), chunks[i].bytes.end());
        offset += static_cast<std::uint32_t>(chunks[i].bytes.size());
    }
    return RawContainer(entries, body, version_code);
}

// The 16 bytes of an "INIT" chunk.
inline Bytes Init(std::int16_t heading_from, std::int16_t heading_to, std::int16_t pitch_from,
                  std::int16_t pitch_to, std::int16_t heading = 0, std::int16_t pitch = 0,
                  std::int16_t roll = 0, std::int16_t zoom = 0) {
    Bytes out;
    for (std::int16_t v :
         {heading_from, heading_to, pitch_from, pitch_to, heading, pitch, roll, zoom}) {
        Put16(out, static_cast<std::uint16_t>(v));
    }
    return out;
}

struct Embedded {
    std::string name;
    std::string content;
};

// "FILE" records followed by the terminating empty name.
inline Bytes FileRecords(const std::vector<Embedded>& files) {
    Bytes out;
    for (const Embedded& file : files) {
        PutText(out, file.name);
        out.push_back(0);
        Put32(out, static_cast<std::uint32_t>(file.content.size()));
        PutText(out, file.content);
    }
    out.push_back(0);
    return out;
}

}  // namespace skyweave::testing
