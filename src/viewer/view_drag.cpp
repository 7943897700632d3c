// See view_drag.h.
#include "viewer/view_drag.h"

#include <algorithm>
#include <cmath>

#include "render/view_geometry.h"

namespace skyweave {

namespace {

// The engine renders a frame rounded up to whole 32-pixel blocks and shows
// its middle; the camera looks through the frame's centre.
struct FrameLayout {
    std::int32_t frame_width;
    std::int32_t frame_height;
    double shown_left;    // first frame column shown
    double shown_bottom;  // frame row (from the bottom) of the window's last row
    std::int32_t height;
};

FrameLayout LayoutOf(std::int32_t width, std::int32_t height) {
    const auto round_up = [](std::int32_t n) { return (std::max(n, 1) + 31) / 32 * 32; };
    FrameLayout layout{round_up(width), round_up(height), 0, 0, height};
    layout.shown_left = (layout.frame_width - width) / 2;
    layout.shown_bottom = (layout.frame_height - height) / 2;
    return layout;
}

}  // namespace

LookDirection DirectionAt(const ViewState& view, std::int32_t width, std::int32_t height,
                          WindowPoint at) {
    const FrameLayout layout = LayoutOf(width, height);
    double x = layout.shown_left + at.x - layout.frame_width / 2;
    double y = layout.shown_bottom + (layout.height - 1 - at.y) - layout.frame_height / 2;
    double z = FocalLength(view.zoom, layout.frame_width);
    RotateToWorld(view.heading, view.pitch, view.roll, 0.0, 0.0, x, y, z);
    return {RadiansToDegrees(std::atan2(-x, z)),
            RadiansToDegrees(std::atan2(y, std::sqrt(x * x + z * z)))};
}

std::optional<WindowPoint> PointOf(const ViewState& view, std::int32_t width, std::int32_t height,
                                   LookDirection direction) {
    const FrameLayout layout = LayoutOf(width, height);
    const std::optional<ViewPoint> camera = ProjectDirection(
        view.heading, view.pitch, view.roll, FocalLength(view.zoom, layout.frame_width), 0.0, 0.0,
        direction.heading, direction.pitch);
    if (!camera) {
        return std::nullopt;
    }
    return WindowPoint{
        camera->sx + layout.frame_width / 2 - layout.shown_left,
        layout.shown_bottom + layout.height - 1 - (camera->sy + layout.frame_height / 2)};
}

ViewState ViewShowing(const ViewState& from, std::int32_t width, std::int32_t height,
                      LookDirection direction, WindowPoint at) {
    // Start from the view turned by the difference between what the point
    // shows now and what it should show; Newton steps on heading and pitch
    // then take out what roll and perspective leave.
    const LookDirection seen = DirectionAt(from, width, height, at);
    ViewState view = from;
    view.heading = WrapAngle(from.heading + WrapAngle(direction.heading - seen.heading));
    view.pitch = std::clamp(from.pitch + direction.pitch - seen.pitch, -90.0, 90.0);
    constexpr double kStep = 1e-3;
    for (int round = 0; round < 12; ++round) {
        const auto miss = [&](const ViewState& v) -> std::optional<WindowPoint> {
            const std::optional<WindowPoint> p = PointOf(v, width, height, direction);
            if (!p) {
                return std::nullopt;
            }
            return WindowPoint{p->x - at.x, p->y - at.y};
        };
        const std::optional<WindowPoint> f = miss(view);
        if (!f) {
            return from;
        }
        if (std::hypot(f->x, f->y) < 0.01) {
            return view;
        }
        ViewState dh = view;
        dh.heading += kStep;
        ViewState dp = view;
        dp.pitch += kStep;
        const std::optional<WindowPoint> fh = miss(dh);
        const std::optional<WindowPoint> fp = miss(dp);
        if (!fh || !fp) {
            return from;
        }
        const double a = (fh->x - f->x) / kStep;
        const double b = (fp->x - f->x) / kStep;
        const double c = (fh->y - f->y) / kStep;
        const double d = (fp->y - f->y) / kStep;
        const double det = a * d - b * c;
        if (!(std::abs(det) > 1e-12)) {
            return from;
        }
        view.heading = WrapAngle(view.heading - (d * f->x - b * f->y) / det);
        view.pitch = std::clamp(view.pitch - (a * f->y - c * f->x) / det, -90.0, 90.0);
    }
    const std::optional<WindowPoint> end = PointOf(view, width, height, direction);
    return end && std::hypot(end->x - at.x, end->y - at.y) < 1.0 ? view : from;
}

}  // namespace skyweave
