// Photo Sphere fields from XMP packets and the Exif orientation, against
// packets written both ways XMP allows, files made by exiftool, and broken
// or hostile blocks: what the loader relies on to place and turn pictures.
#include <gtest/gtest.h>

#include <string>

#include "image/exif_orientation.h"
#include "image/picture_facts.h"
#include "image_test_support.h"

namespace skyweave {
namespace {

using test::Bytes;

Bytes Packet(const std::string& text) {
    return Bytes(text.begin(), text.end());
}

const std::string kHead =
    "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
    "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>";
const std::string kTail = "</rdf:RDF></x:xmpmeta>";
const std::string kDescription =
    "<rdf:Description rdf:about='' xmlns:GPano='http://ns.google.com/photos/1.0/panorama/'";

TEST(PhotoSphereXmp, AttributesAndElementsBothCount) {
    const std::string attributes = kHead + kDescription +
                                   " GPano:FullPanoWidthPixels='8000' "
                                   "GPano:CroppedAreaTopPixels=' 1250 '/>" +
                                   kTail;
    const std::string elements =
        kHead + kDescription +
        "><GPano:FullPanoWidthPixels>8000</GPano:FullPanoWidthPixels>"
        "<GPano:CroppedAreaTopPixels>+1250</GPano:CroppedAreaTopPixels>"
        "<GPano:InitialViewPitchDegrees>-7.5</GPano:InitialViewPitchDegrees>"
        "<GPano:ProjectionType>equirectangular</GPano:ProjectionType></rdf:Description>" +
        kTail;
    // Two descriptions, one with a prefix of its own for the namespace, and
    // the JPEG segment's name in front.
    const std::string split =
        std::string(kXmpSegmentName) + '\0' + kHead + kDescription +
        " GPano:FullPanoWidthPixels='8000'/>" +
        "<rdf:Description xmlns:P='http://ns.google.com/photos/1.0/panorama/'>"
        "<P:CroppedAreaTopPixels>1250</P:CroppedAreaTopPixels>"
        "</rdf:Description>" +
        kTail;
    for (const std::string& xmp : {attributes, elements, split}) {
        const std::optional<PhotoSphere> sphere = ReadPhotoSphere(Packet(xmp));
        ASSERT_TRUE(sphere) << xmp;
        EXPECT_EQ(sphere->full_width, 8000);
        EXPECT_EQ(sphere->cropped_top, 1250);
        EXPECT_FALSE(sphere->cropped_left);
        EXPECT_FALSE(sphere->malformed);
    }
    const std::optional<PhotoSphere> sphere = ReadPhotoSphere(Packet(elements));
    EXPECT_EQ(sphere->initial_pitch, -7.5);
    EXPECT_EQ(sphere->projection, "equirectangular");
}

TEST(PhotoSphereXmp, WhatIsNotAPhotoSphereOrNotANumber) {
    struct Case {
        const char* what;
        std::string xmp;
        bool found;
        bool malformed;
    };
    const Case cases[] = {
        {"no GPano namespace",
         kHead +
             "<rdf:Description xmlns:GPano='http://example.com/'"
             " GPano:FullPanoWidthPixels='1'/>" +
             kTail,
         false, false},
        {"not well-formed", kHead + kDescription + " GPano:FullPanoWidthPixels='1'>" + kTail, false,
         false},
        {"empty", "", false, false},
        {"a unit after the number",
         kHead + kDescription + " GPano:FullPanoWidthPixels='8000px'/>" + kTail, true, true},
        {"no number at all", kHead + kDescription + " GPano:CroppedAreaLeftPixels=''/>" + kTail,
         true, true},
        // Entities are never expanded: a value made of one is no number.
        {"entity reference",
         "<!DOCTYPE x [<!ENTITY w '8000'>]>" + kHead + kDescription +
             "><GPano:FullPanoWidthPixels>&w;</GPano:FullPanoWidthPixels></rdf:Description>" +
             kTail,
         true, true},
        // One that would grow a thousandfold per level is refused by the
        // parser.
        {"entity bomb",
         "<!DOCTYPE x [<!ENTITY a '1234567890'><!ENTITY b '&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;'>"
         "<!ENTITY c '&b;&b;&b;&b;&b;&b;&b;&b;&b;&b;'><!ENTITY d '&c;&c;&c;&c;&c;&c;&c;&c;&c;&c;'>"
         "]>" +
             kHead + kDescription +
             "><GPano:FullPanoWidthPixels>&d;&d;&d;</GPano:FullPanoWidthPixels>"
             "</rdf:Description>" +
             kTail,
         false, false},
    };
    for (const Case& c : cases) {
        const std::optional<PhotoSphere> sphere = ReadPhotoSphere(Packet(c.xmp));
        EXPECT_EQ(sphere.has_value(), c.found) << c.what;
        if (sphere) {
            EXPECT_EQ(sphere->malformed, c.malformed) << c.what;
        }
    }
    EXPECT_FALSE(ReadPhotoSphere(Bytes(kMaxXmpPacketBytes + 1, ' ')));
}

TEST(PhotoSphereXmp, PacketsUpTo64KiBAreRead) {
    const std::string fields = kDescription + " GPano:FullPanoWidthPixels='8000'/>";
    // Padded with white space inside the root element to the size wanted.
    const auto padded = [&](std::size_t size) {
        const std::string bare = kHead + fields + kTail;
        return kHead + std::string(size - bare.size(), ' ') + fields + kTail;
    };
    EXPECT_EQ(kMaxXmpPacketBytes, 65536u);
    EXPECT_TRUE(ReadPhotoSphere(Packet(padded(65536))));
    EXPECT_FALSE(ReadPhotoSphere(Packet(padded(65537))));
    // The JPEG segment's name in front does not count.
    EXPECT_TRUE(ReadPhotoSphere(Packet(std::string(kXmpSegmentName) + '\0' + padded(65536))));
}

// A big-endian TIFF block with one IFD0 entry: tag 0x0112 (Orientation) of
// `type` (3 is SHORT) with the value `value`.
Bytes TiffWithOrientation(std::uint16_t type, std::uint16_t value) {
    return {'M',
            'M',
            0,
            42,
            0,
            0,
            0,
            8,  // header, IFD0 at 8
            0,
            1,  // one entry
            0x01,
            0x12,
            static_cast<std::uint8_t>(type >> 8),
            static_cast<std::uint8_t>(type),
            0,
            0,
            0,
            1,  // one value
            static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value),
            0,
            0,
            0,
            0,
            0,
            0};  // no next IFD
}

TEST(ExifOrientationTag, EveryValueAndBrokenBlocks) {
    for (std::uint16_t value = 1; value <= 8; ++value) {
        EXPECT_EQ(ExifOrientation(TiffWithOrientation(3, value)), value);
        Bytes framed = {'E', 'x', 'i', 'f', 0, 0};
        const Bytes tiff = TiffWithOrientation(3, value);
        framed.insert(framed.end(), tiff.begin(), tiff.end());
        EXPECT_EQ(ExifOrientation(framed), value);
    }
    const Bytes whole = TiffWithOrientation(3, 6);
    struct Case {
        const char* what;
        Bytes exif;
    };
    const Case broken[] = {
        {"value 9", TiffWithOrientation(3, 9)},
        {"value 0", TiffWithOrientation(3, 0)},
        {"a LONG instead of a SHORT", TiffWithOrientation(4, 6)},
        {"cut inside the entry", Bytes(whole.begin(), whole.begin() + 14)},
        {"cut inside the header", Bytes(whole.begin(), whole.begin() + 5)},
        {"no block", {}},
        {"not TIFF", Bytes(40, 0x55)},
    };
    for (const Case& c : broken) {
        EXPECT_EQ(ExifOrientation(c.exif), 1) << c.what;
    }
}

TEST(ExifOrientationTag, OnlyTheFirst64KiBOfABlockAreRead) {
    // A block of megabytes (a maker note, say) keeps its first directory.
    Bytes long_block = TiffWithOrientation(3, 6);
    long_block.resize(8u << 20, 0x55);
    EXPECT_EQ(ExifOrientation(long_block), 6);
    // A first directory beyond the first 64 KiB is not reached.
    Bytes far = TiffWithOrientation(3, 6);
    const Bytes directory(far.begin() + 8, far.end());
    far.resize(kMaxExifBlockBytes);
    far.insert(far.end(), directory.begin(), directory.end());
    far[4] = static_cast<std::uint8_t>(kMaxExifBlockBytes >> 24);
    far[5] = static_cast<std::uint8_t>(kMaxExifBlockBytes >> 16);
    far[6] = static_cast<std::uint8_t>(kMaxExifBlockBytes >> 8);
    far[7] = static_cast<std::uint8_t>(kMaxExifBlockBytes);
    EXPECT_EQ(ExifOrientation(far), 1);
    far[4] = far[5] = 0;
    far[6] = 0;
    far[7] = 8;  // the same block pointing at its first copy
    EXPECT_EQ(ExifOrientation(far), 6);
}

TEST(ProbeImage, SizeTurnAndPhotoSphereOfFilesMadeByExiftool) {
    struct Case {
        const char* file;
        ImageFormat format;
        int width;
        int height;
        int orientation;
        bool sphere;
    };
    const Case cases[] = {
        {"orient6.png", ImageFormat::kPng, 96, 48, 6, false},
        {"orient6.jpg", ImageFormat::kJpeg, 96, 48, 6, false},
        {"orient3.jpg", ImageFormat::kJpeg, 96, 48, 3, false},
        {"orient8.webp", ImageFormat::kWebp, 96, 48, 8, false},
        {"crop.jpg", ImageFormat::kJpeg, 48, 24, 1, true},
        {"crop-attributes.png", ImageFormat::kPng, 48, 24, 1, true},
        {"picture.heic", ImageFormat::kHeif, 96, 48, 1, false},
        {"picture.bmp", ImageFormat::kBmpFile, 96, 48, 1, false},
        {"lossy.webp", ImageFormat::kWebp, 96, 48, 1, false},
    };
    for (const Case& c : cases) {
        const PictureFacts facts =
            ProbeImage(test::ReadSourceFile("tests/data/formats/" + std::string(c.file)));
        EXPECT_EQ(facts.format, c.format) << c.file;
        EXPECT_EQ(facts.width, c.width) << c.file;
        EXPECT_EQ(facts.height, c.height) << c.file;
        EXPECT_EQ(facts.orientation, c.orientation) << c.file;
        EXPECT_EQ(facts.sphere.has_value(), c.sphere) << c.file;
    }
    const PictureFacts crop = ProbeImage(test::ReadSourceFile("tests/data/formats/crop.jpg"));
    ASSERT_TRUE(crop.sphere);
    EXPECT_EQ(crop.sphere->full_width, 96);
    EXPECT_EQ(crop.sphere->full_height, 48);
    EXPECT_EQ(crop.sphere->cropped_left, 8);
    EXPECT_EQ(crop.sphere->cropped_top, 6);
    EXPECT_EQ(ProbeImage(Bytes{1, 2, 3}).format, ImageFormat::kUnknown);
    EXPECT_EQ(ProbeImage(Bytes{0xFF, 0xD8, 0xFF, 0xE1}).width, 0);
}

}  // namespace
}  // namespace skyweave
