// Levels a full-sphere equirectangular picture taken by a tilted camera:
// turns it so that the world's horizon runs along its middle row.
//
// The pose follows Google's Photo Sphere XMP convention
// (developers.google.com/streetview/spherical-metadata, GPano
// PosePitchDegrees and PoseRollDegrees): the pitch is how far above the
// horizon the picture's centre lies; as the roll grows, the horizon turns
// counter-clockwise in the picture. A picture direction d (x right, y up,
// z forward, the picture's centre along z) lies in the world at
// Rx(pitch) Rz(-roll) d, where Rx(a) tilts forward towards up by a and
// Rz(a) turns right towards up by a.
//
// Called by the loader once, on the decoded picture, before the renderer
// sees it; views and everything the renderer does stay as they are.
#pragma once

#include <cstdint>
#include <span>

namespace skyweave {

// Rewrites `pixels` (rows of a stride of width rounded up to 4 pixels, the
// first row looking straight down, `bytesPerPixel` 1 to 4 bytes each) as
// the levelled picture. 24-bit pixels are interpolated between the four
// nearest, others take the nearest. Returns false, leaving the pixels as
// they were, when the second copy the turn needs cannot be had or the
// sizes do not fit the span.
bool LevelPicture(std::span<std::uint8_t> pixels, std::int32_t width, std::int32_t height,
                  std::int32_t bytesPerPixel, double pitch, double roll);

}  // namespace skyweave
