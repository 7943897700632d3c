// LevelPicture (see level_picture.h).
#include "panfile/level_picture.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

namespace skyweave {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Source {
    const std::uint8_t* pixels;
    std::int32_t width;
    std::int32_t height;
    std::int32_t bytes;
    std::size_t stride;  // bytes

    const std::uint8_t* At(std::int32_t column, std::int32_t row) const {
        column %= width;
        if (column < 0) {
            column += width;
        }
        row = std::clamp(row, 0, height - 1);
        return pixels + static_cast<std::size_t>(row) * stride +
               static_cast<std::size_t>(column) * static_cast<std::size_t>(bytes);
    }

    // Writes the picture's colour at column u, row v (pixel units, centres
    // at halves) to `out`.
    void Sample(double u, double v, std::uint8_t* out) const {
        if (bytes != 3) {
            std::memcpy(out,
                        At(static_cast<std::int32_t>(std::floor(u)),
                           static_cast<std::int32_t>(std::floor(v))),
                        static_cast<std::size_t>(bytes));
            return;
        }
        const double x = u - 0.5;
        const double y = v - 0.5;
        const auto c = static_cast<std::int32_t>(std::floor(x));
        const auto r = static_cast<std::int32_t>(std::floor(y));
        const double fx = x - c;
        const double fy = y - r;
        const std::uint8_t* q[4] = {At(c, r), At(c + 1, r), At(c, r + 1), At(c + 1, r + 1)};
        const double w[4] = {(1 - fx) * (1 - fy), fx * (1 - fy), (1 - fx) * fy, fx * fy};
        for (int channel = 0; channel < 3; ++channel) {
            double sum = 0;
            for (int i = 0; i < 4; ++i) {
                sum += w[i] * q[i][channel];
            }
            out[channel] = static_cast<std::uint8_t>(std::clamp(sum + 0.5, 0.0, 255.0));
        }
    }
};

}  // namespace

bool LevelPicture(std::span<std::uint8_t> pixels, std::int32_t width, std::int32_t height,
                  std::int32_t bytesPerPixel, double pitch, double roll) {
    if (width < 1 || height < 1 || bytesPerPixel < 1 || bytesPerPixel > 4 ||
        !std::isfinite(pitch) || !std::isfinite(roll)) {
        return false;
    }
    const std::size_t stride = ((static_cast<std::size_t>(width) + 3) & ~std::size_t{3}) *
                               static_cast<std::size_t>(bytesPerPixel);
    const std::size_t size = stride * static_cast<std::size_t>(height);
    if (pixels.size() < size) {
        return false;
    }
    std::vector<std::uint8_t> copy;
    try {
        copy.assign(pixels.begin(), pixels.begin() + static_cast<std::ptrdiff_t>(size));
    } catch (const std::bad_alloc&) {
        return false;
    }
    const Source source{copy.data(), width, height, bytesPerPixel, stride};
    // The inverse of the pose: world direction -> picture direction is
    // Rz(roll) Rx(-pitch).
    const double cp = std::cos(pitch * kPi / 180);
    const double sp = std::sin(pitch * kPi / 180);
    const double cr = std::cos(roll * kPi / 180);
    const double sr = std::sin(roll * kPi / 180);
    for (std::int32_t row = 0; row < height; ++row) {
        const double lat = ((row + 0.5) / height - 0.5) * kPi;
        std::uint8_t* out = pixels.data() + static_cast<std::size_t>(row) * stride;
        for (std::int32_t column = 0; column < width; ++column, out += bytesPerPixel) {
            const double lon = ((column + 0.5) / width - 0.5) * 2 * kPi;
            const double x = std::cos(lat) * std::sin(lon);
            const double y = std::sin(lat);
            const double z = std::cos(lat) * std::cos(lon);
            // Rx(-pitch): forward tilts down by the pitch.
            const double y1 = y * cp - z * sp;
            const double z1 = z * cp + y * sp;
            // Rz(roll): right turns towards up by the roll.
            const double x2 = x * cr - y1 * sr;
            const double y2 = x * sr + y1 * cr;
            const double plon = std::atan2(x2, z1);
            const double plat = std::asin(std::clamp(y2, -1.0, 1.0));
            source.Sample((plon / (2 * kPi) + 0.5) * width, (plat / kPi + 0.5) * height, out);
        }
    }
    return true;
}

}  // namespace skyweave
