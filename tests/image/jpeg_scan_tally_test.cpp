// Counting a JPEG's scans from its markers: streams from libjpeg's encoder,
// whose scan counts libjpeg's progressions fix, and hand-made byte runs
// that put markers, stuffed bytes and cut-off segments where a hostile
// file would.
#include <gtest/gtest.h>

#include <initializer_list>

#include "image/jpeg_scan_tally.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using test::Bytes;

// An SOS segment naming the components `ids`, followed by `data`.
Bytes Scan(std::initializer_list<std::uint8_t> ids, std::initializer_list<std::uint8_t> data) {
    Bytes scan;
    const auto put = [&scan](std::uint8_t byte) { scan.push_back(byte); };
    for (const std::uint8_t byte : {0xFF, 0xDA, 0x00}) {
        put(byte);
    }
    put(static_cast<std::uint8_t>(6 + 2 * ids.size()));
    put(static_cast<std::uint8_t>(ids.size()));
    for (const std::uint8_t id : ids) {
        put(id);
        put(0x00);
    }
    for (const std::uint8_t byte : {0x00, 0x3F, 0x00}) {
        put(byte);
    }
    for (const std::uint8_t byte : data) {
        put(byte);
    }
    return scan;
}

Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes joined;
    for (const Bytes& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

TEST(JpegScanTally, CountsTheScansOfEncodedAndHandMadeStreams) {
    const Bytes soi = {0xFF, 0xD8};
    const Bytes eoi = {0xFF, 0xD9};
    const Bytes comment = {0xFF, 0xFE, 0x00, 0x04, 0xFF, 0xDA};  // an SOS code inside a segment
    // Data holding a stuffed FF, a restart marker and fill bytes, none of
    // which ends the scan.
    const std::initializer_list<std::uint8_t> tricky = {0x12, 0xFF, 0x00, 0x34, 0xFF, 0xD3,
                                                        0x56, 0xFF, 0xFF, 0xFF, 0x00};
    const JpegComponentBlocks components[] = {{1, 4}, {2, 1}, {3, 1}};
    struct Case {
        const char* what;
        Bytes stream;
        int scans;
        std::uint64_t blocks;
    };
    const Case cases[] = {
        {"baseline, one interleaved scan of 4 + 1 + 1 blocks", test::EncodeJpeg({}), 1, 6},
        // Two DC scans over all three, eight AC scans of one component each.
        {"libjpeg's colour progression", test::EncodeJpeg({.progressive = true}), 10, 32},
        {"grey, 1 + 63 * 3 refinement scans",
         test::EncodeJpeg({.components = 1, .arithmetic = true, .refine_bits = 2}), 190, 760},
        {"stuffing, restarts and fill inside the data",
         Join({soi, Scan({1}, tricky), Scan({2, 3}, {0x00}), eoi}), 2, 6},
        {"an SOS code inside another segment", Join({soi, comment, Scan({1}, {}), eoi}), 1, 4},
        {"fill bytes before a marker", Join({soi, {0xFF, 0xFF}, Scan({1}, {}), eoi}), 1, 4},
        {"stray bytes between segments",
         Join({soi, {0xFF, 0xFE, 0x00, 0x02, 0x17, 0x42}, Scan({1}, {}), eoi}), 1, 4},
        {"nothing after EOI counts", Join({soi, Scan({1}, {}), eoi, Scan({1}, {})}), 1, 4},
        {"no EOI", Join({soi, Scan({1}, {0x01}), Scan({1}, {0x02})}), 2, 8},
        {"a component the frame lacks", Join({soi, Scan({9}, {}), eoi}), 1, 0},
        {"a segment cut short", Join({soi, Scan({1}, {}), {0xFF, 0xDA, 0x00, 0x40, 0x01}}), 1, 4},
        {"a length below its own two bytes", Join({soi, {0xFF, 0xC4, 0x00, 0x01}, Scan({1}, {})}),
         0, 0},
        {"an SOS claiming more components than its length holds",
         Join({soi, {0xFF, 0xDA, 0x00, 0x05, 0xFF, 0x01, 0x00}, eoi}), 1, 4},
        {"a lone FF at the end", Join({soi, {0xFF}}), 0, 0},
        {"empty", {}, 0, 0},
    };
    for (const Case& c : cases) {
        const JpegScanTally tally = TallyJpegScans(c.stream, components);
        EXPECT_EQ(tally.scans, c.scans) << c.what;
        EXPECT_EQ(tally.blocks, c.blocks) << c.what;
    }
}

}  // namespace
}  // namespace skyweave
