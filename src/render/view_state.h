// ViewState: the four numbers that say where the viewer looks.
//
// Owned by the panorama engine (one live view per loaded panorama); the
// saver window advances it every frame, the frame pipeline clamps it and
// hands it to RenderView. A plain value type with no invariants of its own:
// wrapping and clamping are done by whoever changes it (see view_geometry.h).
#pragma once

namespace skyweave {

struct ViewState {
    // Turn about the vertical axis, degrees. 0 looks at the centre column of
    // the panorama; growing heading moves the view towards lower columns.
    // Kept in (-180, 180] by the engine. Default 0.
    double heading = 0.0;
    // Tilt, degrees; positive looks up, +90 straight up. Default 0.
    double pitch = 0.0;
    // Rotation about the line of sight, degrees; at pitch 0 a positive roll
    // makes the horizon rise towards the right edge of the view. Default 0.
    double roll = 0.0;
    // Horizontal field of view across the whole view width, degrees, never
    // wrapped. Default 90.
    double zoom = 90.0;
};

}  // namespace skyweave
