// The "INIT" forms and the "FILE" record walk, with the edge cases of the
// format and hostile lengths.
#include <gtest/gtest.h>

#include "engine/panorama_bytes.h"
#include "panfile/file_records.h"
#include "panfile/init_chunk.h"

namespace skyweave {
namespace {

using testing::Bytes;

InitExtents ExtentsFor(const Bytes& chunk) {
    const std::optional<InitFields> fields = ReadInitChunk(chunk);
    EXPECT_TRUE(fields.has_value());
    return fields ? ExtentsOf(*fields) : InitExtents{};
}

TEST(InitChunk, FifteenBytesAreIgnored) {
    Bytes chunk = testing::Init(90, 45, 0, 0, 10, 20, 30, 40);
    chunk.pop_back();
    EXPECT_FALSE(ReadInitChunk(chunk).has_value());
}

TEST(InitChunk, FieldsAreSignedLittleEndian) {
    const std::optional<InitFields> f =
        ReadInitChunk(testing::Init(-2, 300, -32768, 32767, -1, 7, -7, 200));
    ASSERT_TRUE(f.has_value());
    EXPECT_EQ(f->heading_from, -2);
    EXPECT_EQ(f->heading_to, 300);
    EXPECT_EQ(f->pitch_from, -32768);
    EXPECT_EQ(f->pitch_to, 32767);
    EXPECT_EQ(f->heading, -1);
    EXPECT_EQ(f->pitch, 7);
    EXPECT_EQ(f->roll, -7);
    EXPECT_EQ(f->zoom, 200);
}

TEST(InitChunk, ExtentFormHalvesTowardZero) {
    const InitExtents odd = ExtentsFor(testing::Init(91, 61, 0, 0));
    EXPECT_TRUE(odd.extent_form);
    EXPECT_EQ(odd.heading_from, -45);
    EXPECT_EQ(odd.heading_to, 45);
    EXPECT_EQ(odd.heading_extent, 90);
    EXPECT_EQ(odd.pitch_extent, 60);
    EXPECT_FALSE(odd.IsFullSphere());
    // All zero: a full sphere.
    EXPECT_TRUE(ExtentsFor(testing::Init(0, 0, 0, 0)).IsFullSphere());
}

TEST(InitChunk, HeadingRangeInExtentFormIsReadAsExtents) {
    // Heading from -90 to 90 with both pitch fields 0: E0 = -90 gives the
    // range +45 to -45, an extent of -90 that becomes 360; E1 = 90 gives
    // pitch -45 to +45.
    const InitExtents e = ExtentsFor(testing::Init(-90, 90, 0, 0));
    EXPECT_TRUE(e.extent_form);
    EXPECT_EQ(e.heading_from, 45);
    EXPECT_EQ(e.heading_to, -45);
    EXPECT_EQ(e.heading_extent, 360);
    EXPECT_EQ(e.pitch_from, -45);
    EXPECT_EQ(e.pitch_to, 45);
    EXPECT_EQ(e.pitch_extent, 90);
    EXPECT_FALSE(e.IsFullSphere());
}

TEST(InitChunk, RangeFormAndOutOfRangeExtents) {
    const InitExtents e = ExtentsFor(testing::Init(0, 400, -30, 30));
    EXPECT_FALSE(e.extent_form);
    EXPECT_EQ(e.heading_extent, 360);
    EXPECT_EQ(e.pitch_extent, 60);
    // A range of 0 to 90 is 90 wide, whatever its position.
    EXPECT_EQ(ExtentsFor(testing::Init(0, 90, 10, 100)).heading_extent, 90);
    EXPECT_EQ(ExtentsFor(testing::Init(0, 90, 10, 100)).pitch_extent, 90);
    // 16-bit wrap: -32768 to 32767 is 65535, which wraps to -1 and becomes 360.
    EXPECT_EQ(ExtentsFor(testing::Init(-32768, 32767, 1, 2)).heading_extent, 360);
    EXPECT_EQ(ExtentsFor(testing::Init(0, 0, 1, 2)).heading_extent, 360);
    EXPECT_EQ(ExtentsFor(testing::Init(0, 360, 0, 180)).IsFullSphere(), true);
    EXPECT_EQ(ExtentsFor(testing::Init(0, 1, -1, 200)).pitch_extent, 180);
    EXPECT_EQ(HalfExtent(91), 45);
    EXPECT_EQ(HalfExtent(120), 60);
}

TEST(FileRecords, WalkStopsAtTheEmptyName) {
    const Bytes chunk = testing::FileRecords({{"~one.txt", "hello"}, {"two", ""}});
    const FileRecordWalk walk = ReadFileRecords(chunk);
    ASSERT_EQ(walk.records.size(), 2u);
    EXPECT_TRUE(walk.complete);
    EXPECT_EQ(walk.records[0].name, "~one.txt");
    EXPECT_EQ(std::string(walk.records[0].content.begin(), walk.records[0].content.end()), "hello");
    EXPECT_EQ(walk.records[1].name, "two");
    EXPECT_TRUE(walk.records[1].content.empty());
    // A first byte of 0 stages nothing.
    const FileRecordWalk empty = ReadFileRecords(Bytes{0, 'a', 0, 1, 0, 0, 0, 'x'});
    EXPECT_TRUE(empty.records.empty());
    EXPECT_TRUE(empty.complete);
}

TEST(FileRecords, RecordsRunningPastTheChunkEndTheWalk) {
    Bytes chunk = testing::FileRecords({{"a", "12345"}});
    // Content longer than what is left.
    Bytes long_content = {'b', 0, 0xFF, 0xFF, 0xFF, 0xFF, 'x'};
    Bytes joined = chunk;
    joined.pop_back();  // drop the terminator so the walk meets the bad record
    joined.insert(joined.end(), long_content.begin(), long_content.end());
    FileRecordWalk walk = ReadFileRecords(joined);
    EXPECT_EQ(walk.records.size(), 1u);
    EXPECT_FALSE(walk.complete);
    // A name without its zero byte, and a length field cut off.
    EXPECT_TRUE(ReadFileRecords(Bytes{'a', 'b', 'c'}).records.empty());
    EXPECT_FALSE(ReadFileRecords(Bytes{'a', 'b', 'c'}).complete);
    EXPECT_TRUE(ReadFileRecords(Bytes{'a', 0, 1, 0, 0}).records.empty());
    // No terminating empty name: the records are kept, the walk incomplete.
    chunk.pop_back();
    walk = ReadFileRecords(chunk);
    EXPECT_EQ(walk.records.size(), 1u);
    EXPECT_FALSE(walk.complete);
}

TEST(FileRecords, OnlyPlainNamesAreSafe) {
    EXPECT_TRUE(IsSafeFileName("~read me.txt"));
    EXPECT_TRUE(IsSafeFileName("..."));
    EXPECT_TRUE(IsSafeFileName(".hidden"));
    EXPECT_FALSE(IsSafeFileName(""));
    EXPECT_FALSE(IsSafeFileName("."));
    EXPECT_FALSE(IsSafeFileName(".."));
    EXPECT_FALSE(IsSafeFileName("../evil"));
    EXPECT_FALSE(IsSafeFileName("/etc/passwd"));
    EXPECT_FALSE(IsSafeFileName("a\\b"));
    EXPECT_FALSE(IsSafeFileName("dir/"));
}

}  // namespace
}  // namespace skyweave
