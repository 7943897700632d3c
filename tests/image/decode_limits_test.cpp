// The decode bounds and the cancel flag, against crafted streams made with
// libjpeg's own encoder: many near-empty progressive scans over a large
// picture, claims whose whole-picture buffers pass the memory bound, and
// decodes called off before and while they run.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <string>
#include <thread>

#include "image/decode_image.h"
#include "image/error_texts.h"
#include "image/jpeg_codec.h"
#include "image/screen_depth.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using test::Bytes;
using test::ClaimJpegSize;
using test::EncodeJpeg;
using test::JpegRecipe;

// 631 arithmetic-coded grey scans over 2048 x 2048 flat pixels: a few
// kilobytes whose every scan walks the whole picture (the same stream at
// 8192 x 8192 takes libjpeg half a minute to decode, and as long to make).
const Bytes& ScanBomb() {
    static const Bytes jpeg = EncodeJpeg(
        {.width = 2048, .height = 2048, .components = 1, .arithmetic = true, .refine_bits = 9});
    return jpeg;
}

// A progressive stream of 1 + 63 * (refine_bits + 1) scans over 64 x 64
// grey pixels whose frame header claims 8192 x 8192.
Bytes ClaimedScanBomb(bool arithmetic, int refine_bits) {
    Bytes jpeg = EncodeJpeg({.width = 64,
                             .height = 64,
                             .components = 1,
                             .arithmetic = arithmetic,
                             .refine_bits = refine_bits});
    ClaimJpegSize(jpeg, 8192, 8192);
    return jpeg;
}

std::string Outcome(const PackedDib& picture, const char* error) {
    return picture ? "picture" : error == nullptr ? "(null)" : error;
}

TEST(DecodeLimits, BoundsEndCraftedStreams) {
    test::UseScreenDepth(24);
    Bytes progressive_giant = EncodeJpeg({.progressive = true});
    ClaimJpegSize(progressive_giant, 16384, 16384);  // 1.5 GiB of coefficients
    const Bytes progressive = EncodeJpeg({.width = 256, .height = 256, .progressive = true});
    struct Case {
        const char* what;
        Bytes jpeg;
        DecodeLimits limits;
        std::string outcome;
    };
    const Case cases[] = {
        {"631 scans", ScanBomb(), {}, kTextTooManyScans},
        // A dozen kilobytes of scans claiming 8192 x 8192, as crafted files
        // come: the first scan whose data runs dry ends the decode, long
        // before the scan and block bounds would.
        {"631 arithmetic scans claiming 8192 x 8192",
         ClaimedScanBomb(true, 9),
         {.max_progressive_scans = 1000, .max_scan_blocks = UINT64_MAX},
         "Corrupt JPEG data: bad arithmetic code"},
        {"694 Huffman scans claiming 8192 x 8192",
         ClaimedScanBomb(false, 10),
         {.max_progressive_scans = 1000, .max_scan_blocks = UINT64_MAX},
         "Corrupt JPEG data: premature end of data segment"},
        // The markers announce 694 scans: refused before the first is
        // decoded, as the bounds would have refused it at the 101st.
        {"694 Huffman scans claiming 8192 x 8192, usual bounds",
         ClaimedScanBomb(false, 10),
         {},
         kTextTooManyScans},
        {"631 scans, scan bound raised, blocks bounded",
         ScanBomb(),
         {.max_progressive_scans = 700, .max_scan_blocks = 1 << 20},
         kTextTooManyScans},
        {"631 scans, both bounds raised, memory kept",
         ScanBomb(),
         {.max_progressive_scans = 700, .max_decoder_memory = 1 << 20},
         kTextInsufficientMemory},
        {"coefficients past the memory bound", progressive_giant, {}, kTextInsufficientMemory},
        {"ten scans", progressive, {}, "picture"},
        {"ten scans, bound of five", progressive, {.max_progressive_scans = 5}, kTextTooManyScans},
        {"256 x 256 coefficients in 64 KiB",
         progressive,
         {.max_decoder_memory = 64 << 10},
         kTextInsufficientMemory},
    };
    for (const Case& c : cases) {
        const char* error = nullptr;
        const PackedDib picture = DecodeImage(c.jpeg, &error, c.limits);
        EXPECT_EQ(Outcome(picture, error), c.outcome) << c.what;
    }
}

TEST(DecodeLimits, ACancelledDecodeSaysSo) {
    test::UseScreenDepth(24);
    const Bytes jpeg = test::ReadSample("city.jpg");
    const Bytes bmp = test::BuildBmp({.width = 4, .height = 1}, {}, {Bytes(12, 7)});
    std::atomic<bool> cancel{true};
    const DecodeLimits limits{.cancel = &cancel};
    for (const Bytes* input : {&jpeg, &bmp}) {
        const char* error = nullptr;
        const PackedDib picture = DecodeImage(*input, &error, limits);
        EXPECT_EQ(Outcome(picture, error), kTextDecodeCancelled);
    }
    // The adapter on its own stops at libjpeg's first progress call.
    const char* error = nullptr;
    const PackedDib cancelled = JPGImageDecompress(jpeg, 24, 0, &error, limits);
    EXPECT_EQ(Outcome(cancelled, error), kTextDecodeCancelled);
    cancel = false;
    const PackedDib decoded = JPGImageDecompress(jpeg, 24, 0, &error, limits);
    EXPECT_EQ(Outcome(decoded, error), "picture");
}

TEST(DecodeLimits, CancelFromAnotherThreadEndsALongDecode) {
    test::UseScreenDepth(24);
    const Bytes& bomb = ScanBomb();
    std::atomic<bool> cancel{false};
    // With the scan bound out of the way this decode runs for seconds.
    const DecodeLimits limits{.max_progressive_scans = 1000, .cancel = &cancel};
    std::string outcome;
    std::atomic<bool> done{false};
    std::thread decoder([&] {
        const char* error = nullptr;
        const PackedDib picture = DecodeImage(bomb, &error, limits);
        outcome = Outcome(picture, error);
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(done.load()) << "the decode ended before it was cancelled: " << outcome;
    cancel = true;
    // Hang detection only: the decode looks at the flag once per row of
    // blocks, so it ends almost at once.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(done.load());
    decoder.join();
    EXPECT_EQ(outcome, kTextDecodeCancelled);
}

int g_queries = 0;

int CountedQuery() {
    ++g_queries;
    return 24;
}

TEST(DecodeLimits, TheStatedSizeBoundHoldsForEveryCodec) {
    // Each file states 96 x 48 pixels; the bound is on the statement, so a
    // reduced picture (max_pixels) does not get round it.
    constexpr std::uint64_t kStated = 96 * 48;
    for (const char* file : {"jfif.jpg", "picture.png", "lossless.webp", "picture.heic"}) {
        const Bytes bytes = test::ReadSourceFile(std::string("tests/data/formats/") + file);
        for (const std::uint64_t bound : {kStated, kStated - 1}) {
            const char* error = nullptr;
            const PackedDib picture = DecodeImage(
                bytes, &error, {.screen_depth = 24, .max_stream_pixels = bound, .max_pixels = 64});
            EXPECT_EQ(Outcome(picture, error),
                      bound == kStated ? "picture" : kTextInsufficientMemory)
                << file << " bound " << bound;
        }
    }
}

TEST(DecodeLimits, AGivenScreenDepthIsUsedWithoutAskingTheDisplay) {
    InstallScreenDepthQuery(CountedQuery);
    const Bytes jpeg = test::ReadSample("city.jpg");
    g_queries = 0;
    const char* error = nullptr;
    const PackedDib given = DecodeImage(jpeg, &error, {.screen_depth = 16});
    EXPECT_EQ(g_queries, 0);
    ASSERT_TRUE(given);
    EXPECT_EQ(given.DepthCode(), 16);
    EXPECT_EQ(ScreenDepth(), 16);
    const PackedDib asked = DecodeImage(jpeg, &error);
    EXPECT_EQ(g_queries, 1);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked.DepthCode(), 24);
    EXPECT_EQ(ScreenDepth(), 24);
    InstallScreenDepthQuery(nullptr);
}

}  // namespace
}  // namespace skyweave
