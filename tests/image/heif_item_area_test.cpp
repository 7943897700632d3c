// The area a HEIF file's primary picture asks for, read from boxes built
// here: grids of shared tiles, overlays of grids, loops, and the coded
// pictures of an independent encoder.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "image/crafted_heif.h"
#include "image/heif_item_area.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using Item = testing::CraftedHeif::Item;

// A grid of `count` references to tile 1 (512 x 512).
Item GridOfOneTile(std::uint16_t id, std::uint32_t width, std::uint32_t height, int count) {
    return {id, "grid", width, height,
            std::vector<std::uint16_t>(static_cast<std::size_t>(count), 1)};
}

TEST(HeifItemArea, EveryReferenceCountsAndLoopsSaturate) {
    const Item tile = {1, "hvc1", 512, 512, {}};
    constexpr std::uint64_t kTile = 512 * 512;
    struct Case {
        const char* what;
        std::vector<Item> items;
        std::uint16_t primary;
        bool derived;
        std::uint64_t pixels;
    };
    const Case cases[] = {
        {"a coded picture", {tile}, 1, false, kTile},
        {"672 references to one tile",
         {tile, GridOfOneTile(2, 16384, 10752, 672)},
         2,
         true,
         672 * kTile + 16384ull * 10752},
        {"an overlay using that grid three times",
         {tile, GridOfOneTile(2, 16384, 10752, 672), {3, "iovl", 16384, 10752, {2, 2, 2}}},
         3,
         true,
         3 * (672 * kTile + 16384ull * 10752) + 16384ull * 10752},
        {"an identity turn of a tile", {tile, {2, "iden", 512, 512, {1}}}, 2, true, 2 * kTile},
        {"a grid referencing itself", {tile, {2, "grid", 1024, 512, {1, 2}}}, 2, true, UINT64_MAX},
        {"two grids referencing each other",
         {tile, {2, "grid", 1024, 512, {1, 3}}, {3, "grid", 1024, 512, {2}}},
         2,
         true,
         UINT64_MAX},
        {"references of a coded picture are not inputs",
         {tile, {2, "hvc1", 64, 64, {1, 1}}},
         2,
         false,
         64 * 64},
    };
    for (const Case& c : cases) {
        const std::optional<HeifItemArea> area =
            ReadHeifItemArea(testing::CraftedHeif::Build(c.items, c.primary));
        ASSERT_TRUE(area) << c.what;
        EXPECT_EQ(area->derived, c.derived) << c.what;
        EXPECT_EQ(area->pixels, c.pixels) << c.what;
    }
}

TEST(HeifItemArea, FilesOfAnEncoderAndBrokenBoxes) {
    // Written by an independent encoder: a 96 x 48 grid of one 96 x 64 tile.
    const std::optional<HeifItemArea> picture =
        ReadHeifItemArea(test::ReadSourceFile("tests/data/formats/picture.heic"));
    ASSERT_TRUE(picture);
    EXPECT_TRUE(picture->derived);
    EXPECT_EQ(picture->pixels, 96u * 48u + 96u * 64u);

    const std::vector<std::uint8_t> whole =
        testing::CraftedHeif::Build({{1, "hvc1", 512, 512, {}}}, 1);
    for (std::size_t cut : {std::size_t{0}, std::size_t{10}, std::size_t{40}, whole.size() - 1}) {
        EXPECT_FALSE(ReadHeifItemArea(std::span(whole).first(cut))) << cut;
    }
    std::vector<std::uint8_t> huge_box = whole;
    huge_box[24] = 0xff;  // the meta box claims more than the file holds
    EXPECT_FALSE(ReadHeifItemArea(huge_box));
}

}  // namespace
}  // namespace skyweave
