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
    // An Exif JPEG (APP1 first) has no tag; neither do short files.
    EXPECT_EQ(KindOf(Bytes{0xFF, 0xD8, 0xFF, 0xE1}), std::nullopt);
    EXPECT_EQ(KindOf(Bytes{'B', 'M', 0}), std::nullopt);
    EXPECT_EQ(KindOf(Bytes{}), std::nullopt);
    EXPECT_EQ(KindOf(Bytes{'c', 'v', 'v', 'l'}), std::nullopt);
    EXPECT_EQ(KindTagText(KindTag::kBitmap), "  BM");
    EXPECT_EQ(KindTagText(KindTag::kJfif), "JFIF");
    EXPECT_EQ(KindTagText(KindTag::kRiff), "RIFF");
    EXPECT_EQ(KindTagText(KindTag::kContainer), "CVVL");
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
