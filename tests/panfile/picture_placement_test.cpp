// Where plain pictures go on the sphere: Photo Sphere fields used whole or
// not at all, strips without metadata, and the canvas each placement asks
// for at the picture's decoded size.
#include <gtest/gtest.h>

#include "panfile/picture_placement.h"

namespace skyweave {
namespace {

// A phone's band: 8000 x 2000 of a 8000 x 4000 panorama, 750 rows from
// its top.
PhotoSphere Band() {
    PhotoSphere s;
    s.full_width = 8000;
    s.full_height = 4000;
    s.cropped_width = 8000;
    s.cropped_height = 2000;
    s.cropped_left = 0;
    s.cropped_top = 750;
    s.initial_heading = 90;
    s.initial_fov = 70;
    return s;
}

PictureFacts Facts(int width, int height, std::optional<PhotoSphere> sphere = {}) {
    PictureFacts facts;
    facts.format = ImageFormat::kJpeg;
    facts.width = width;
    facts.height = height;
    facts.sphere = std::move(sphere);
    return facts;
}

TEST(PicturePlacement, SoundPhotoSphereFieldsPlaceThePictureWhereTheySay) {
    const PicturePlacement band = PlacePicture(Facts(8000, 2000, Band()));
    EXPECT_FALSE(band.full_sphere);
    EXPECT_FALSE(band.centred);
    EXPECT_EQ(band.full_height, 4000);
    EXPECT_EQ(band.top, 750);
    EXPECT_EQ(band.heading, 90);
    EXPECT_EQ(band.zoom, 70);
    EXPECT_FALSE(band.pitch);
    // The picture made smaller after the fields were written: the same
    // place, by its own size.
    const PicturePlacement smaller = PlacePicture(Facts(2000, 500, Band()));
    EXPECT_FALSE(smaller.full_sphere);
    // A full panorama described as such; the pose heading counts.
    PhotoSphere whole = Band();
    whole.cropped_height = 4000;
    whole.cropped_top = 0;
    whole.pose_heading = 100;
    const PicturePlacement full = PlacePicture(Facts(8000, 4000, whole));
    EXPECT_TRUE(full.full_sphere);
    EXPECT_EQ(full.heading, -10);
}

TEST(PicturePlacement, FieldsThatDisagreeAreIgnoredAsAWhole) {
    const auto with = [](auto change) {
        PhotoSphere s = Band();
        change(s);
        return s;
    };
    struct Case {
        const char* what;
        PhotoSphere sphere;
        int width = 8000;
        int height = 2000;
    };
    const Case cases[] = {
        {"crop wider than the panorama", with([](PhotoSphere& s) { s.cropped_width = 8001; })},
        {"crop past the bottom", with([](PhotoSphere& s) { s.cropped_top = 2001; })},
        {"a field missing", with([](PhotoSphere& s) { s.cropped_left.reset(); })},
        {"a field not a number", with([](PhotoSphere& s) { s.malformed = true; })},
        {"half a pixel", with([](PhotoSphere& s) { s.cropped_top = 750.5; })},
        {"negative left", with([](PhotoSphere& s) { s.cropped_left = -1; })},
        {"zero full height", with([](PhotoSphere& s) { s.full_height = 0; })},
        {"cylindrical projection", with([](PhotoSphere& s) { s.projection = "cylindrical"; })},
        {"pitch past the pole", with([](PhotoSphere& s) { s.initial_pitch = 91; })},
        {"no field of view", with([](PhotoSphere& s) { s.initial_fov = 0; })},
        {"the picture is not the crop's shape", Band(), 8000, 2100},
    };
    for (const Case& c : cases) {
        // A picture of these sizes is wider than twice its height: without
        // its fields it is a strip, never a half-used placement.
        const PicturePlacement placement = PlacePicture(Facts(c.width, c.height, c.sphere));
        EXPECT_TRUE(placement.centred) << c.what;
        EXPECT_FALSE(placement.heading) << c.what;
        EXPECT_FALSE(placement.zoom) << c.what;
    }
}

TEST(PicturePlacement, StripsWithoutMetadataAndEverythingElse) {
    const PicturePlacement strip = PlacePicture(Facts(4001, 2000));
    EXPECT_FALSE(strip.full_sphere);
    EXPECT_TRUE(strip.centred);
    EXPECT_TRUE(PlacePicture(Facts(4000, 2000)).full_sphere);  // exactly twice: the sphere
    EXPECT_TRUE(PlacePicture(Facts(1000, 1000)).full_sphere);
    EXPECT_TRUE(PlacePicture(Facts(0, 0)).full_sphere);  // unreadable headers
    // View fields alone keep the picture where it would be and set the view.
    PhotoSphere view;
    view.initial_pitch = 20;
    const PicturePlacement viewed = PlacePicture(Facts(4000, 2000, view));
    EXPECT_TRUE(viewed.full_sphere);
    EXPECT_EQ(viewed.pitch, 20);
}

TEST(PicturePlacement, CanvasesFollowThePictureAsDecoded) {
    struct Case {
        const char* what;
        PicturePlacement placement;
        int width;
        int height;
        CanvasPlacement canvas;
    };
    const Case cases[] = {
        // 8000 x 4000 canvas; the band's bottom row 1250 rows above its bottom.
        {"band", PlacePicture(Facts(8000, 2000, Band())), 8000, 2000, {8000, 4000, 0, 1250}},
        // The same band decoded at a quarter of its size: 187.5 rows above
        // it, truncated.
        {"band at 1/4", PlacePicture(Facts(8000, 2000, Band())), 2000, 500, {2000, 1000, 0, 313}},
        // Padded by the decoder to 2004 columns: the canvas grows with it.
        {"band padded", PlacePicture(Facts(8000, 2000, Band())), 2004, 500, {2004, 1000, 0, 313}},
        // A strip 1002 x 300 (decoded 1004 wide, as the decoder pads): 501
        // rows high, rounded to the nearest multiple of 4 and centred.
        {"strip", PlacePicture(Facts(1002, 300)), 1004, 300, {1004, 500, 0, 100}},
        // 1001 wide: 500.5 rows, truncated first as a container's are.
        {"odd strip", PlacePicture(Facts(1001, 300)), 1004, 300, {1004, 500, 0, 100}},
        {"sphere", PlacePicture(Facts(4000, 2000)), 4000, 2000, {4000, 2000, 0, 0}},
    };
    for (const Case& c : cases) {
        const CanvasPlacement got = CanvasFor(c.placement, c.width, c.height);
        EXPECT_EQ(got.width, c.canvas.width) << c.what;
        EXPECT_EQ(got.height, c.canvas.height) << c.what;
        EXPECT_EQ(got.first_column, c.canvas.first_column) << c.what;
        EXPECT_EQ(got.first_row, c.canvas.first_row) << c.what;
    }
    // An off-centre crop: 2000 x 1000 of 8000 x 4000 at column 5000, row 500.
    PhotoSphere crop = Band();
    crop.cropped_width = 2000;
    crop.cropped_height = 1000;
    crop.cropped_left = 5000;
    crop.cropped_top = 500;
    const CanvasPlacement got = CanvasFor(PlacePicture(Facts(2000, 1000, crop)), 2000, 1000);
    EXPECT_EQ(got.width, 8000);
    EXPECT_EQ(got.height, 4000);
    EXPECT_EQ(got.first_column, 5000);
    EXPECT_EQ(got.first_row, 2500);  // 4000 - 1000 - 500
}

}  // namespace
}  // namespace skyweave
