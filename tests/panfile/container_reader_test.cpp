// The kind test, the chunk directory and FindChunk on hand-built bytes,
// including directories and chunks that lie about their size.
#include <gtest/gtest.h>

#include "engine/panorama_bytes.h"
#include "panfile/chunk_directory.h"
#include "panfile/kind_tag.h"

namespace skyweave {
namespace {

using testing::Bytes;
using testing::Container;
using testing::RawContainer;

std::string AsText(std::span<const std::uint8_t> bytes) {
    return std::string(bytes.begin(), bytes.end());
}

TEST(KindTest, FirstBytesDecideTheKindInOrder) {
    EXPECT_EQ(KindOf(Bytes{'B', 'M', 0, 0}), KindTag::kBitmap);
    // "BM" wins even where the rest would say otherwise; no bitmap needed.
    EXPECT_EQ(KindOf(Bytes{'B', 'M', 'F', 'F'}), KindTag::kBitmap);
    EXPECT_EQ(KindOf(Bytes{0xFF, 0xD8, 0xFF, 0xE0, 1}), KindTag::kJfif);
    EXPECT_EQ(KindOf(Bytes{'R', 'I', 'F', 'F'}), KindTag::kRiff);
    EXPECT_EQ(KindOf(Bytes{'C', 'V', 'V', 'L'}), KindTag::kContainer);
    // Every JPEG start is "JFIF", whichever marker follows: Exif, ICC
    // profile, Adobe, or straight to the tables.
    for (std::uint8_t marker : {0xE1, 0xE2, 0xEE, 0xDB}) {
        EXPECT_EQ(KindOf(Bytes{0xFF, 0xD8, 0xFF, marker}), KindTag::kJfif) << int{marker};
    }
    // Short files have no tag.
    EXPECT_EQ(KindOf(Bytes{'B', 'M', 0}), std::nullopt);
    EXPECT_EQ(KindOf(Bytes{}), std::nullopt);
    EXPECT_EQ(KindOf(Bytes{'c', 'v', 'v', 'l'}), std::nullopt);
    EXPECT_EQ(KindTagText(KindTag::kBitmap), "  BM");
    EXPECT_EQ(KindTagText(KindTag::kJfif), "JFIF");
    EXPECT_EQ(KindTagText(KindTag::kRiff), "RIFF");
    EXPECT_EQ(KindTagText(KindTag::kContainer), "CVVL");
}

TEST(KindTest, PictureFormatsByTheirSignatures) {
    const Bytes riff_webp = {'R', 'I', 'F', 'F', 0x40, 0,   0,   0,
                             'W', 'E', 'B', 'P', 'V',  'P', '8', 'L'};
    // An "ftyp" box of the given brands (major, minor version, compatible).
    const auto heif = [](const auto& brands) {
        const std::size_t length = sizeof brands - 1;  // without the literal's zero
        Bytes box = {0, 0, 0, static_cast<std::uint8_t>(8 + length), 'f', 't', 'y', 'p'};
        box.insert(box.end(), brands, brands + length);
        return box;
    };
    struct Case {
        const char* what;
        Bytes head;
        std::optional<KindTag> kind;
    };
    const Case cases[] = {
        {"PNG signature",
         {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 13},
         KindTag::kPng},
        {"PNG signature cut short", {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A}, std::nullopt},
        {"WebP", riff_webp, KindTag::kWebp},
        {"RIFF of a wave file stays RIFF",
         {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'},
         KindTag::kRiff},
        {"RIFF too short to name WebP", Bytes(riff_webp.begin(), riff_webp.begin() + 11),
         KindTag::kRiff},
        {"HEIC major brand",
         heif("heic"
              "\0\0\0\0"
              "mif1heic"),
         KindTag::kHeif},
        {"AVIF major brand",
         heif("avif"
              "\0\0\0\0"
              "avifmif1miaf"),
         KindTag::kHeif},
        {"HEIC among compatible brands",
         heif("xxxx"
              "\0\0\0\0"
              "miafheic"),
         KindTag::kHeif},
        {"MP4 video",
         heif("isom"
              "\0\0\0\0"
              "isomiso2mp41"),
         std::nullopt},
        {"brand past the type box",
         heif("isom"
              "\0\0\0\0"),
         std::nullopt},
        {"GIF", {'G', 'I', 'F', '8', '9', 'a'}, std::nullopt},
        {"bare DIB header", {40, 0, 0, 0, 8, 0, 0, 0}, std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(KindOf(c.head), c.kind) << c.what;
    }
    EXPECT_EQ(KindTagText(KindTag::kPng), "PNG ");
    EXPECT_EQ(KindTagText(KindTag::kWebp), "WEBP");
    EXPECT_EQ(KindTagText(KindTag::kHeif), "HEIF");
}

TEST(FindChunk, FirstEntryOfAnIdWinsAndUnknownIdsAreSkipped) {
    const Bytes file =
        Container({{"ABCD", {9, 9}}, {"BTMP", {'o', 'n', 'e'}}, {"BTMP", {'t', 'w', 'o'}}});
    EXPECT_EQ(AsText(FindChunk("BTMP", file)), "one");
    EXPECT_EQ(AsText(FindChunk("ABCD", file)), std::string("\x09\x09"));
    EXPECT_TRUE(FindChunk("INIT", file).empty());
    ASSERT_EQ(ReadChunkDirectory(file).size(), 3u);
    EXPECT_EQ(ReadChunkDirectory(file)[1].size, 3u);
}

TEST(FindChunk, IdsCompareUpToAZeroByte) {
    const Bytes file = Container({{std::string("AB\0X", 4), {1}}, {"AB", {2}}});
    // The stored id "AB\0X" matches "AB" because the comparison stops at the
    // zero byte of the wanted id.
    EXPECT_EQ(FindChunk("AB", file).size(), 1u);
    EXPECT_EQ(FindChunk("AB", file)[0], 1);
}

TEST(FindChunk, NonContainersAndEmptyDirectoriesHaveNoChunks) {
    Bytes plain = {'B', 'M', 'B', 'T', 'M', 'P'};
    plain.resize(64, 0);
    EXPECT_TRUE(FindChunk("BTMP", plain).empty());
    EXPECT_TRUE(FindChunk("BTMP", Container({})).empty());
    EXPECT_TRUE(FindChunk("BTMP", Container({{"BTMP", {}}})).empty());  // size 0: absent
}

TEST(FindChunk, HostileDirectoriesNeverReachOutsideTheData) {
    const Bytes body = {'x', 'y', 'z'};
    // Offset past the end, size past the end, and offset + size wrapping
    // around 32 bits: all absent.
    EXPECT_TRUE(FindChunk("BTMP", RawContainer({{"BTMP", 1000, 3}}, body)).empty());
    EXPECT_TRUE(FindChunk("BTMP", RawContainer({{"BTMP", 32, 4}}, body)).empty());
    EXPECT_TRUE(FindChunk("BTMP", RawContainer({{"BTMP", 0xFFFFFFF0u, 0x20}}, body)).empty());
    // The chunk ends exactly at the end of the data: present.
    EXPECT_EQ(AsText(FindChunk("BTMP", RawContainer({{"BTMP", 32, 3}}, body))), "xyz");
    // The first matching entry is unusable: absent, not the second.
    EXPECT_TRUE(FindChunk("BTMP", RawContainer({{"BTMP", 500, 3}, {"BTMP", 48, 3}}, body)).empty());
    // A directory that claims four billion entries is cut to what fits.
    const Bytes huge = RawContainer({{"BTMP", 32, 3}}, body, 0, 0xFFFFFFFFu);
    EXPECT_EQ(ReadChunkDirectory(huge).size(), 1u);
    EXPECT_EQ(DeclaredEntryCount(huge), 0xFFFFFFFFu);
    EXPECT_EQ(AsText(FindChunk("BTMP", huge)), "xyz");
    // A header cut short has neither entries nor a version code.
    const Bytes stub = {'C', 'V', 'V', 'L', 0, 0, 0, 0, 5, 0};
    EXPECT_TRUE(ReadChunkDirectory(stub).empty());
    EXPECT_EQ(ContainerVersionCode(stub), std::nullopt);
}

TEST(ContainerHeader, VersionCodeIsSigned) {
    EXPECT_EQ(ContainerVersionCode(Container({}, 0xFF)), -1);
    EXPECT_EQ(ContainerVersionCode(Container({}, 0x80)), -128);
    EXPECT_EQ(ContainerVersionCode(Container({}, 0x01)), 1);
    EXPECT_EQ(ContainerVersionCode(Container({}, 0x7F)), 127);
}

}  // namespace
}  // namespace skyweave
