// Photo Sphere metadata (the GPano fields of an XMP packet): where a
// partial panorama lies on the full sphere and the view it opens with.
//
// The packet is parsed with libxml2 and every element and attribute in the
// GPano namespace is read, so both ways XMP writes a property (an attribute
// of rdf:Description, or an element of its own) count. Values are taken as
// written; whether they make sense together is the loader's question
// (panfile/picture_placement.h).
//
// Callers: the codec adapters that find XMP in their container.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace skyweave {

struct PhotoSphere {
    // Placement, in pixels of the full panorama.
    std::optional<double> full_width;      // FullPanoWidthPixels
    std::optional<double> full_height;     // FullPanoHeightPixels
    std::optional<double> cropped_width;   // CroppedAreaImageWidthPixels
    std::optional<double> cropped_height;  // CroppedAreaImageHeightPixels
    std::optional<double> cropped_left;    // CroppedAreaLeftPixels
    std::optional<double> cropped_top;     // CroppedAreaTopPixels
    // The initial view, degrees.
    std::optional<double> initial_heading;  // InitialViewHeadingDegrees
    std::optional<double> initial_pitch;    // InitialViewPitchDegrees
    std::optional<double> initial_fov;      // InitialHorizontalFOVDegrees
    // Compass heading of the picture's centre, degrees (PoseHeadingDegrees).
    std::optional<double> pose_heading;
    // The camera's tilt when the picture was taken, degrees: the picture
    // centre's height above the horizon (PosePitchDegrees) and the turn of
    // the horizon, counter-clockwise in the picture (PoseRollDegrees).
    std::optional<double> pose_pitch;
    std::optional<double> pose_roll;
    // ProjectionType as written ("equirectangular" for what the saver shows).
    std::optional<std::string> projection;
    // A field above whose value is not a plain number: the whole record is
    // then not to be trusted.
    bool malformed = false;
};

// The XMP packets the containers carry may be preceded by this name (a
// JPEG APP1 segment's); ReadPhotoSphere skips it.
inline constexpr char kXmpSegmentName[] = "http://ns.adobe.com/xap/1.0/";

// Packets larger than this are not parsed: GPano lives in the main packet,
// which a JPEG holds in one 64 KiB segment, and libxml2 reads the
// attributes of one element in time that grows with their count squared, so
// a packet of a few hundred KiB could hold a load for minutes.
inline constexpr std::size_t kMaxXmpPacketBytes = std::size_t{64} << 10;

// The GPano fields of `xmp`; nothing when the packet holds none, is larger
// than kMaxXmpPacketBytes or is not well-formed XML.
std::optional<PhotoSphere> ReadPhotoSphere(std::span<const std::uint8_t> xmp);

}  // namespace skyweave
