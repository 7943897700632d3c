// DecodeImage's PNG, WebP, HEIF and JPEG paths against broken and hostile
// streams cut from the files of tests/data/formats: each ends in no picture
// and its codec's own text, and the same pictures at every screen depth
// give what the lossless BMP of their pixels gives.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <string>

#include "image/decode_image.h"
#include "image/error_texts.h"
#include "image/match_screen_depth.h"
#include "image/webp_codec.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using test::Bytes;

Bytes Data(const std::string& name) {
    return test::ReadSourceFile("tests/data/formats/" + name);
}

std::string Outcome(const Bytes& bytes) {
    const char* error = nullptr;
    const PackedDib picture = DecodeImage(bytes, &error, {.screen_depth = 24});
    return picture ? "picture" : error == nullptr ? "(null)" : error;
}

Bytes Cut(Bytes bytes, std::size_t length) {
    bytes.resize(length);
    return bytes;
}

void PutU32BigEndian(Bytes& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[at + i] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
    }
}

// The PNG with its header's width and height replaced and the header's
// checksum made right again, so that libpng reads the claim.
Bytes PngClaiming(std::uint32_t width, std::uint32_t height, std::uint8_t bit_depth = 8) {
    Bytes png = Data("picture.png");
    PutU32BigEndian(png, 16, width);
    PutU32BigEndian(png, 20, height);
    png[24] = bit_depth;
    PutU32BigEndian(png, 29, static_cast<std::uint32_t>(crc32(0, png.data() + 12, 17)));
    return png;
}

constexpr std::uint8_t kIloc[] = {'i', 'l', 'o', 'c'};

TEST(PictureCodecs, BrokenStreamsEndWithTheirCodecsText) {
    const Bytes png = Data("picture.png");
    Bytes png_bad_crc = png;
    png_bad_crc[18] ^= 1;
    // After the header, a text chunk claiming 1.5 GB, then the rest of the
    // file.
    Bytes png_text_claim = Cut(png, 33);
    png_text_claim.insert(png_text_claim.end(), {0x5B, 0x00, 0x03, 0x3D, 'i', 'T', 'X', 't'});
    png_text_claim.insert(png_text_claim.end(), png.begin() + 33, png.end());
    const Bytes webp = Data("lossless.webp");
    Bytes webp_garbled = webp;
    for (std::size_t i = 40; i < webp_garbled.size(); i += 7) {
        webp_garbled[i] = static_cast<std::uint8_t>(~webp_garbled[i]);
    }
    const Bytes heic = Data("picture.heic");
    // The picture item's location entry lists no extents: no AV1 data.
    Bytes avif_empty = Data("picture.avif");
    const auto iloc = std::search(avif_empty.begin(), avif_empty.end(), kIloc, kIloc + 4);
    ASSERT_NE(iloc, avif_empty.end());
    iloc[21] = 0;  // the extent count's low byte, after version, sizes, count, ID and base
    Bytes twelve_bits = Data("cmyk.jpg");
    for (std::size_t i = 2; i + 4 < twelve_bits.size(); ++i) {
        if (twelve_bits[i] == 0xFF && twelve_bits[i + 1] == 0xC0) {
            twelve_bits[i + 4] = 12;  // the frame header's sample precision
            break;
        }
    }
    struct Case {
        const char* what;
        Bytes bytes;
        std::string outcome;
    };
    const Case cases[] = {
        {"PNG signature and header only", Cut(png, 33), "Premature end of PNG data"},
        {"PNG cut in its data", Cut(png, png.size() / 2), "Premature end of PNG data"},
        {"PNG header checksum wrong", png_bad_crc, "IHDR: CRC error"},
        {"PNG claiming a text chunk larger than the file", png_text_claim,
         "Premature end of PNG data"},
        {"PNG of width 0", PngClaiming(0, 48), "Invalid IHDR data"},
        {"PNG of bit depth 3", PngClaiming(96, 48, 3), "Invalid IHDR data"},
        {"PNG claiming 40000 x 40000", PngClaiming(40000, 40000), kTextInsufficientMemory},
        {"PNG claiming 2^31 columns", PngClaiming(0x80000000u, 1),
         "PNG unsigned integer out of range"},
        {"WebP of 20 bytes", Cut(webp, 20), kTextCorruptWebp},
        {"WebP cut in its data", Cut(webp, webp.size() / 2), kTextShortWebp},
        {"WebP with garbled data", webp_garbled, kTextCorruptWebp},
        {"RIFF WEBP and nothing else", Bytes{'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'E', 'B', 'P'},
         kTextShortWebp},
        {"HEIF type box only", Cut(heic, 28), "Invalid input: No 'meta' box"},
        {"HEIF cut in its data", Cut(heic, heic.size() - 100),
         "Invalid input: Unexpected end of file: Extent in iloc box references data outside "
         "of file bounds (points to file position 461)"},
        {"AVIF picture without data", avif_empty, "Decoder plugin generated an error: Unspecified"},
        {"CMYK JPEG cut in its data", Cut(Data("cmyk.jpg"), 3000), "Premature end of JPEG file"},
        {"12-bit JPEG", twelve_bits, "Unsupported JPEG data precision 12"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(Outcome(c.bytes), c.outcome) << c.what;
    }
}

TEST(PictureCodecs, LosslessFormatsMatchTheirBmpAtEveryScreenDepth) {
    const Bytes bmp = Data("picture.bmp");
    for (const char* name : {"picture.png", "interlaced.png", "lossless.webp"}) {
        for (int depth : {24, 16, 15, 8}) {
            const char* error = nullptr;
            const PackedDib from_bmp = DecodeImage(bmp, &error, {.screen_depth = depth});
            const PackedDib from_file = DecodeImage(Data(name), &error, {.screen_depth = depth});
            ASSERT_TRUE(from_bmp && from_file) << name << " " << depth;
            EXPECT_TRUE(std::equal(from_bmp.Bytes().begin(), from_bmp.Bytes().end(),
                                   from_file.Bytes().begin(), from_file.Bytes().end()))
                << name << " at depth " << depth;
        }
    }
}

// JPEGs the decoder takes through the builder (turned, CMYK, reduced) give at
// every screen depth the 24-bit picture brought to that depth; libjpeg's own
// 8-bit quantiser must not reach the builder, which wants three samples a
// pixel.
TEST(PictureCodecs, JpegsThroughTheBuilderDecodeAtEveryScreenDepth) {
    struct Case {
        const char* file;
        DecodeLimits limits;
        std::int32_t width;  // as decoded, turned
        std::int32_t height;
    };
    const Case cases[] = {
        {"orient3.jpg", {}, 96, 48},
        {"orient6.jpg", {}, 96, 48},
        {"cmyk.jpg", {}, 96, 48},
        {"jfif.jpg", {.max_width = 8}, 8, 4},  // 1/8 (12 x 6), then the area filter
    };
    for (const Case& c : cases) {
        for (int depth : {24, 16, 15, 8}) {
            DecodeLimits limits = c.limits;
            limits.screen_depth = 24;
            const char* error = nullptr;
            const PackedDib at24 =
                MatchScreenDepth(DecodeImage(Data(c.file), &error, limits), depth, &error);
            limits.screen_depth = depth;
            const PackedDib decoded = DecodeImage(Data(c.file), &error, limits);
            ASSERT_TRUE(decoded && at24) << c.file << " at depth " << depth;
            EXPECT_EQ(decoded.DepthCode(), depth) << c.file;
            EXPECT_EQ(decoded.Width(), c.width) << c.file;
            EXPECT_EQ(decoded.Height(), c.height) << c.file;
            EXPECT_TRUE(std::equal(decoded.Bytes().begin(), decoded.Bytes().end(),
                                   at24.Bytes().begin(), at24.Bytes().end()))
                << c.file << " at depth " << depth;
        }
    }
}

}  // namespace
}  // namespace skyweave
