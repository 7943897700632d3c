// The JPEG adapters against real files: the sample panoramas decoded at every
// depth and compared with an independent libjpeg decode, corrupt and
// truncated streams, the pixel ceiling, and compression round trips.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>

#include "image/bitmap_header.h"
#include "image/error_texts.h"
#include "image/jpeg_codec.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using test::Bytes;
using test::ReferenceDecode;
using test::RgbPicture;

// The reference pixel seen from a bottom-up picture's row `y`.
const std::uint8_t* RefAt(const RgbPicture& ref, int x, int y_bottom_up) {
    return ref.At(x, ref.height - 1 - y_bottom_up);
}

std::uint16_t WordAt(std::span<const std::uint8_t> pixels, std::size_t index) {
    return static_cast<std::uint16_t>(pixels[2 * index] | (pixels[2 * index + 1] << 8));
}

TEST(JpegDecompress, SamplesAt24BitsMatchTheReferenceExactly) {
    for (const char* name : {"city.jpg", "courtyard.jpg", "sunset.jpg"}) {
        const Bytes file = test::ReadSample(name);
        const RgbPicture ref = ReferenceDecode(file);
        const char* error = nullptr;
        const PackedDib dib = JPGImageDecompress(file, 24, 0, &error);
        ASSERT_TRUE(dib) << name << ": " << (error ? error : "");
        EXPECT_EQ(error, nullptr);
        EXPECT_EQ(dib.Width(), 1024);
        EXPECT_EQ(dib.Height(), 512);
        EXPECT_EQ(dib.BitCount(), 24);
        EXPECT_EQ(dib.Compression(), 0u);
        EXPECT_EQ(dib.ClrUsed(), 0u);
        EXPECT_EQ(dib.size(), 40u + 1024 * 512 * 3);
        const auto pixels = dib.Pixels();
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 1024; ++x) {
                const std::uint8_t* rgb = RefAt(ref, x, y);
                const std::uint8_t* bgr = &pixels[(static_cast<std::size_t>(y) * 1024 + x) * 3];
                ASSERT_TRUE(bgr[0] == rgb[2] && bgr[1] == rgb[1] && bgr[2] == rgb[0])
                    << name << " at " << x << "," << y;
            }
        }
    }
}

TEST(JpegDecompress, SampleAt16And15BitsPacksTheReference) {
    const Bytes file = test::ReadSample("courtyard.jpg");
    const RgbPicture ref = ReferenceDecode(file);
    for (int depth : {16, 15}) {
        const PackedDib dib =
            JPGImageDecompress(file, static_cast<std::uint16_t>(depth), 0, nullptr);
        ASSERT_TRUE(dib);
        EXPECT_EQ(dib.BitCount(), 16);
        EXPECT_EQ(dib.DepthCode(), depth);
        EXPECT_EQ(dib.ClrUsed(), depth == 16 ? 3u : 0u);
        EXPECT_EQ(dib.PixelOffset(), depth == 16 ? 52u : 40u);
        if (depth == 16) {
            EXPECT_EQ(LoadU32(dib.Bytes().subspan(40)), 0xF800u);
            EXPECT_EQ(LoadU32(dib.Bytes().subspan(44)), 0x07E0u);
            EXPECT_EQ(LoadU32(dib.Bytes().subspan(48)), 0x001Fu);
        }
        const auto pixels = dib.Pixels();
        for (int y = 0; y < 512; ++y) {
            for (int x = 0; x < 1024; ++x) {
                const std::uint8_t* rgb = RefAt(ref, x, y);
                const unsigned r = rgb[0], g = rgb[1], b = rgb[2];
                const unsigned expected = depth == 16 ? (r / 8) * 2048 + (g / 4) * 32 + b / 8
                                                      : (r / 8) * 1024 + (g / 8) * 32 + b / 8;
                ASSERT_EQ(WordAt(pixels, static_cast<std::size_t>(y) * 1024 + x), expected)
                    << depth << " at " << x << "," << y;
            }
        }
    }
}

TEST(JpegDecompress, SampleAt8BitsHasAColourTableCloseToThePicture) {
    const Bytes file = test::ReadSample("sunset.jpg");
    const RgbPicture ref = ReferenceDecode(file);
    const PackedDib dib = JPGImageDecompress(file, 8, 0, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib.BitCount(), 8);
    const std::uint32_t entries = dib.ClrUsed();
    ASSERT_GT(entries, 16u);
    ASSERT_LE(entries, 256u);
    EXPECT_EQ(dib.PixelOffset(), 40u + 4 * entries);
    EXPECT_GE(dib.size(), 40u + 4 * entries + 1024 * 512);
    const auto table = dib.ColorTable();
    const auto pixels = dib.Pixels();
    double total_error = 0;
    for (int y = 0; y < 512; ++y) {
        for (int x = 0; x < 1024; ++x) {
            const std::uint8_t i = pixels[static_cast<std::size_t>(y) * 1024 + x];
            ASSERT_LT(i, entries);
            const std::uint8_t* rgb = RefAt(ref, x, y);
            total_error += std::abs(table[4 * i] - rgb[2]) + std::abs(table[4 * i + 1] - rgb[1]) +
                           std::abs(table[4 * i + 2] - rgb[0]);
        }
    }
    // Dithering moves single pixels, but on average 256 colours stay close.
    EXPECT_LT(total_error / (1024.0 * 512 * 3), 8.0);
}

// Where the frame header (SOF0) of a baseline stream starts.
std::size_t FindFrameHeader(const Bytes& jpeg) {
    for (std::size_t i = 2; i + 9 < jpeg.size(); ++i) {
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xC0) {
            return i;
        }
    }
    ADD_FAILURE() << "no SOF0";
    return 0;
}

TEST(JpegDecompress, BrokenStreamsEndWithTheLibrarysMessage) {
    const Bytes file = test::ReadSample("city.jpg");
    struct Case {
        std::string what;
        Bytes bytes;
        std::string message;  // the library's own text
    };
    std::vector<Case> cases;
    cases.push_back({"empty", {}, "Empty input file"});
    cases.push_back({"truncated half way", Bytes(file.begin(), file.begin() + file.size() / 2),
                     "Premature end of JPEG file"});
    cases.push_back({"truncated in the headers", Bytes(file.begin(), file.begin() + 300),
                     "Premature end of JPEG file"});
    cases.push_back(
        {"not a JPEG", Bytes{0x12, 0x34, 0x56, 0x78}, "Not a JPEG file: starts with 0x12 0x34"});
    Bytes bad_length = file;
    bad_length[FindFrameHeader(file) + 3] = 9;  // frame header length that fits no component list
    cases.push_back({"bogus marker length", bad_length, "Bogus marker length"});
    Bytes no_frame = file;
    no_frame[FindFrameHeader(file) + 1] = 0xC7;  // a lossless frame type
    cases.push_back({"unknown process", no_frame, "Unsupported JPEG process: SOF type 0xc7"});
    Bytes marker_in_scan = file;
    marker_in_scan[file.size() / 2] = 0xFF;
    marker_in_scan[file.size() / 2 + 1] = 0xD4;  // a restart marker where none belongs
    cases.push_back({"marker inside the scan", marker_in_scan,
                     "Corrupt JPEG data: premature end of data segment"});

    for (const Case& c : cases) {
        for (std::uint16_t depth : {24, 16, 8}) {
            const char* error = nullptr;
            EXPECT_FALSE(JPGImageDecompress(c.bytes, depth, 0, &error)) << c.what;
            ASSERT_NE(error, nullptr) << c.what;
            EXPECT_STREQ(error, c.message.c_str()) << c.what;
        }
    }
}

TEST(JpegDecompress, ClaimsAboveTheCeilingFailBeforeAllocating) {
    for (auto [width, height] : {std::pair{65500, 65500}, std::pair{32768, 32769}}) {
        Bytes file = test::ReadSample("city.jpg");
        const std::size_t sof = FindFrameHeader(file);
        file[sof + 5] = static_cast<std::uint8_t>(height >> 8);
        file[sof + 6] = static_cast<std::uint8_t>(height);
        file[sof + 7] = static_cast<std::uint8_t>(width >> 8);
        file[sof + 8] = static_cast<std::uint8_t>(width);
        const char* error = nullptr;
        EXPECT_FALSE(JPGImageDecompress(file, 24, 0, &error));
        EXPECT_STREQ(error, kTextInsufficientMemory);
    }
}

// A 64 x 48 bottom-up 24-bit picture: smooth gradients, with the bottom half
// (the first stored rows) bluer than the top half.
Bytes GradientPicture() {
    Bytes pixels;
    for (int y = 0; y < 48; ++y) {
        for (int x = 0; x < 64; ++x) {
            pixels.push_back(static_cast<std::uint8_t>(y < 24 ? 200 : 40));  // blue
            pixels.push_back(static_cast<std::uint8_t>(x * 4));              // green
            pixels.push_back(static_cast<std::uint8_t>(100 + y));            // red
        }
    }
    return pixels;
}

BitmapInfoHeader HeaderOf(std::int32_t width, std::int32_t height, std::uint16_t bits,
                          std::uint32_t compression) {
    BitmapInfoHeader h;
    h.biWidth = width;
    h.biHeight = height;
    h.biBitCount = bits;
    h.biCompression = compression;
    return h;
}

TEST(JpegCompress, RoundTripKeepsPixelsAndOrientation) {
    const Bytes pixels = GradientPicture();
    for (std::int32_t height : {48, -48}) {
        const MemoryBlock stream =
            JPGImageCompress(HeaderOf(64, height, 24, 0), pixels, 100, 0, nullptr);
        ASSERT_TRUE(stream);
        ASSERT_GT(stream.size(), 4u);
        EXPECT_EQ(stream.data()[0], 0xFF);
        EXPECT_EQ(stream.data()[1], 0xD8);
        EXPECT_EQ(stream.data()[2], 0xFF);
        EXPECT_EQ(stream.data()[3], 0xE0);  // JFIF, so DecodeImage takes it back
        EXPECT_EQ(stream.data()[stream.size() - 2], 0xFF);
        EXPECT_EQ(stream.data()[stream.size() - 1], 0xD9);
        const RgbPicture ref = ReferenceDecode(stream.bytes());
        ASSERT_EQ(ref.width, 64);
        ASSERT_EQ(ref.height, 48);
        for (int y = 0; y < 48; ++y) {
            // Stored row y is the picture's bottom row counting up when the
            // height is positive, its top row counting down otherwise.
            const int ref_row = height > 0 ? 47 - y : y;
            for (int x = 0; x < 64; ++x) {
                const std::uint8_t* in = &pixels[(static_cast<std::size_t>(y) * 64 + x) * 3];
                const std::uint8_t* out = ref.At(x, ref_row);
                if (y == 23 || y == 24) {
                    continue;  // the blue edge rings at any quality
                }
                EXPECT_NEAR(out[2], in[0], 10) << x << "," << y;
                EXPECT_NEAR(out[1], in[1], 6) << x << "," << y;
                EXPECT_NEAR(out[0], in[2], 10) << x << "," << y;
            }
        }
    }
}

TEST(JpegCompress, SixteenAndThirtyTwoBitSources) {
    struct Source {
        std::uint16_t bits;
        std::uint32_t compression;
        Bytes pixel;  // one pixel, repeated
        int blue, green, red;
    };
    for (const Source& s : {Source{16, 3, {0xFF, 0xFF}, 0xF8, 0xFC, 0xF8},
                            Source{16, 0, {0xFF, 0x7F}, 0xF8, 0xF8, 0xF8},
                            Source{32, 0, {0x10, 0x80, 0xF0, 0x00}, 0x10, 0x80, 0xF0},
                            Source{24, 0, {0x10, 0x80, 0xF0}, 0x10, 0x80, 0xF0}}) {
        Bytes pixels;
        for (int i = 0; i < 16 * 16; ++i) {
            pixels.insert(pixels.end(), s.pixel.begin(), s.pixel.end());
        }
        const MemoryBlock stream =
            JPGImageCompress(HeaderOf(16, 16, s.bits, s.compression), pixels, 100, 0, nullptr);
        ASSERT_TRUE(stream) << s.bits;
        const RgbPicture ref = ReferenceDecode(stream.bytes());
        EXPECT_NEAR(ref.At(7, 7)[0], s.red, 2) << s.bits;
        EXPECT_NEAR(ref.At(7, 7)[1], s.green, 2) << s.bits;
        EXPECT_NEAR(ref.At(7, 7)[2], s.blue, 2) << s.bits;
    }
}

TEST(JpegCompress, RefusesWhatItCannotRead) {
    const Bytes pixels(64 * 48 * 3, 0);
    const char* error = nullptr;
    EXPECT_FALSE(JPGImageCompress(HeaderOf(64, 48, 8, 0), pixels, 100, 0, &error));
    EXPECT_STREQ(error, kTextUnsupportedFormat);
    error = nullptr;
    EXPECT_FALSE(
        JPGImageCompress(HeaderOf(64, 49, 24, 0), pixels, 100, 0, &error));  // one row short
    EXPECT_STREQ(error, kTextUnsupportedFormat);
    error = nullptr;
    EXPECT_FALSE(JPGImageCompress(HeaderOf(0, 48, 24, 0), pixels, 100, 0, &error));
    EXPECT_STREQ(error, kTextUnsupportedFormat);
    error = nullptr;
    EXPECT_FALSE(JPGImageCompress(HeaderOf(70000, 1, 24, 0), Bytes(70000 * 3), 100, 0, &error));
    EXPECT_STREQ(error, "Maximum supported image dimension is 65500 pixels");
}

}  // namespace
}  // namespace skyweave
