// Where a plain picture lies on the sphere, and the view it opens with.
//
// A container says so in its INIT chunk (init_chunk.h); a plain picture
// says so, if at all, in its Photo Sphere metadata. PlacePicture decides:
//   1. Sound Photo Sphere placement fields put the picture where they say
//      on the full panorama they describe, which covers the whole sphere.
//      The fields are used only all together: a field missing, one that
//      contradicts another or the picture's size (a crop outside the full
//      panorama, a crop whose shape is not the picture's), a projection
//      other than equirectangular or a value that is not a number makes
//      the loader ignore the whole record, initial view included.
//   2. Otherwise a picture more than twice as wide as high is a strip of the
//      full circle, 360 x height / width degrees high, centred on the
//      horizon, placed the way a partial container panorama is.
//   3. Otherwise the picture covers the whole sphere, as always.
// The canvas is then built by panorama_canvas.h's rules: its size rounded
// to a multiple of 4 as for a container, black around the picture.
//
// Caller: the loader, for plain picture files.
#pragma once

#include <cstdint>
#include <optional>

#include "image/picture_facts.h"
#include "panfile/panorama_canvas.h"

namespace skyweave {

struct PicturePlacement {
    bool full_sphere = true;
    // A strip: centred on the canvas exactly as a partial container
    // panorama is, rather than placed at `left` and `top`.
    bool centred = false;
    // The picture's place on the full panorama, in units in which the
    // picture measures picture_width x picture_height (the metadata's
    // pixels): the full panorama's size and the picture's top-left corner.
    // All 0 when nothing places the picture.
    std::int64_t picture_width = 0;
    std::int64_t picture_height = 0;
    std::int64_t full_width = 0;
    std::int64_t full_height = 0;
    std::int64_t left = 0;
    std::int64_t top = 0;
    // The initial view the metadata asks for, degrees; zoom is the
    // horizontal field of view. The metadata counts headings as compass
    // headings (its pose heading is that of the full panorama's centre);
    // here they are counted from that centre, as the saver's are.
    std::optional<double> heading;
    std::optional<double> pitch;
    std::optional<double> zoom;
    // The camera's pose pitch and roll, degrees (photo_sphere.h), that the
    // loader turns a full-sphere picture by to level its horizon; 0 and 0
    // leave it as it is.
    double level_pitch = 0;
    double level_roll = 0;
};

// The placement of a picture whose probe gave `facts`.
PicturePlacement PlacePicture(const PictureFacts& facts);

// The canvas for the picture as decoded, `width` x `height` pixels (its
// size may differ from the probed one by a reduction and the renderer's
// padding: the placement scales with it).
CanvasPlacement CanvasFor(const PicturePlacement& placement, std::int32_t width,
                          std::int32_t height);

}  // namespace skyweave
