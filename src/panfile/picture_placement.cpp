// PlacePicture and CanvasFor (picture_placement.h).
#include "panfile/picture_placement.h"

#include <algorithm>
#include <cmath>

namespace skyweave {
namespace {

// A pixel count of the metadata: a whole number from `least` to 2^31 - 1.
std::optional<std::int64_t> PixelCount(const std::optional<double>& value, double least) {
    if (!value || !std::isfinite(*value) || *value < least || *value > 2147483647.0 ||
        *value != std::floor(*value)) {
        return std::nullopt;
    }
    return static_cast<std::int64_t>(*value);
}

bool IsAngle(const std::optional<double>& value, double low, double high) {
    return !value || (std::isfinite(*value) && *value >= low && *value <= high);
}

// The placement the Photo Sphere fields give a picture shown `width` x
// `height`; nothing when they must be ignored (see the header).
std::optional<PicturePlacement> FromPhotoSphere(const PhotoSphere& sphere, std::int32_t width,
                                                std::int32_t height) {
    if (sphere.malformed || (sphere.projection && *sphere.projection != "equirectangular")) {
        return std::nullopt;
    }
    const std::optional<double> PhotoSphere::*fields[] = {
        &PhotoSphere::full_width,     &PhotoSphere::full_height,  &PhotoSphere::cropped_width,
        &PhotoSphere::cropped_height, &PhotoSphere::cropped_left, &PhotoSphere::cropped_top};
    const auto given = std::count_if(std::begin(fields), std::end(fields),
                                     [&](auto field) { return (sphere.*field).has_value(); });
    if (!IsAngle(sphere.initial_heading, -360, 360) || !IsAngle(sphere.pose_heading, -360, 360) ||
        !IsAngle(sphere.initial_pitch, -90, 90) || !IsAngle(sphere.initial_fov, 1e-6, 180) ||
        !IsAngle(sphere.pose_pitch, -90, 90) || !IsAngle(sphere.pose_roll, -180, 180) ||
        (given != 0 && given != std::ssize(fields))) {
        return std::nullopt;
    }
    PicturePlacement placement;
    if (given != 0) {
        const auto full_w = PixelCount(sphere.full_width, 1);
        const auto full_h = PixelCount(sphere.full_height, 1);
        const auto crop_w = PixelCount(sphere.cropped_width, 1);
        const auto crop_h = PixelCount(sphere.cropped_height, 1);
        const auto left = PixelCount(sphere.cropped_left, 0);
        const auto top = PixelCount(sphere.cropped_top, 0);
        if (!full_w || !full_h || !crop_w || !crop_h || !left || !top ||
            *left + *crop_w > *full_w || *top + *crop_h > *full_h || width < 1 || height < 1) {
            return std::nullopt;
        }
        // The picture must be the crop, or the crop made larger or smaller
        // as a whole: its shape may differ by the rounding of one pixel.
        const std::int64_t cross = std::int64_t{width} * *crop_h - std::int64_t{height} * *crop_w;
        if (std::abs(cross) > std::max(*crop_w, *crop_h)) {
            return std::nullopt;
        }
        placement.full_sphere = *crop_w == *full_w && *crop_h == *full_h;
        placement.picture_width = *crop_w;
        placement.picture_height = *crop_h;
        placement.full_width = *full_w;
        placement.full_height = *full_h;
        placement.left = *left;
        placement.top = *top;
    }
    if (sphere.initial_heading) {
        placement.heading = *sphere.initial_heading - sphere.pose_heading.value_or(0);
    }
    placement.pitch = sphere.initial_pitch;
    placement.zoom = sphere.initial_fov;
    placement.level_pitch = sphere.pose_pitch.value_or(0);
    placement.level_roll = sphere.pose_roll.value_or(0);
    return placement;
}

}  // namespace

PicturePlacement PlacePicture(const PictureFacts& facts) {
    PicturePlacement placement;
    if (facts.sphere) {
        if (std::optional<PicturePlacement> sphere =
                FromPhotoSphere(*facts.sphere, facts.width, facts.height)) {
            placement = *sphere;
        }
    }
    if (placement.full_sphere && placement.full_width == 0 && facts.height > 0 &&
        std::int64_t{facts.width} > 2 * std::int64_t{facts.height}) {
        // 360 degrees across, so 360 x height / width degrees high: the
        // full circle's canvas is half as high as the picture is wide.
        // Units of half a pixel keep that exact for an odd width.
        placement.full_sphere = false;
        placement.centred = true;
        placement.picture_width = 2 * std::int64_t{facts.width};
        placement.picture_height = 2 * std::int64_t{facts.height};
        placement.full_width = 2 * std::int64_t{facts.width};
        placement.full_height = facts.width;
    }
    return placement;
}

CanvasPlacement CanvasFor(const PicturePlacement& placement, std::int32_t width,
                          std::int32_t height) {
    CanvasPlacement canvas;
    if (placement.full_sphere || placement.picture_width < 1 || placement.picture_height < 1) {
        canvas.width = width;
        canvas.height = height;
        return canvas;
    }
    canvas.width = CanvasSide(
        static_cast<double>(std::int64_t{width} * placement.full_width / placement.picture_width),
        width);
    canvas.height = CanvasSide(static_cast<double>(std::int64_t{height} * placement.full_height /
                                                   placement.picture_height),
                               height);
    if (placement.centred) {
        canvas.first_column = (canvas.width - width) / 2;
        canvas.first_row = (canvas.height - height) / 2;
        return canvas;
    }
    const std::int64_t column = std::int64_t{width} * placement.left / placement.picture_width;
    const std::int64_t top = std::int64_t{height} * placement.top / placement.picture_height;
    canvas.first_column = std::clamp<std::int64_t>(column, 0, canvas.width - width);
    // Rows are stored bottom-up: the picture's first stored row (its
    // bottom) lies this many rows above the canvas's bottom.
    canvas.first_row =
        canvas.height - height - std::clamp<std::int64_t>(top, 0, canvas.height - height);
    return canvas;
}

}  // namespace skyweave
