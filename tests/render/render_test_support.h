// Helpers shared by the renderer tests: an independent per-pixel projection
// (rotation matrices and an arc-sine latitude, not the library's code), a
// synthetic depth-24 picture whose pixels encode their own column and row,
// and exact-size buffers so that AddressSanitizer sees any read or write
// past either end.
#pragma once

#include <cmath>
#include <cstdint>
#include <vector>

namespace skyweave::test {

constexpr double kPi = 3.14159265358979323846;

inline double Rad(double degrees) {
    return degrees * kPi / 180.0;
}

// A direction in the panorama frame (x right, y up, z towards heading 0).
struct Direction {
    double x, y, z;
};

// Turns a camera vector (x right, y up, z forward) into the panorama frame
// for the view angles heading, pitch and roll (degrees): roll, then pitch,
// then heading, each as a rotation matrix.
inline Direction Rotate(const Direction& c, double heading, double pitch, double roll) {
    const double cr = std::cos(Rad(roll)), sr = std::sin(Rad(roll));
    const double cp = std::cos(Rad(pitch)), sp = std::sin(Rad(pitch));
    const double ch = std::cos(Rad(heading)), sh = std::sin(Rad(heading));
    const double rollM[3][3] = {{cr, sr, 0}, {-sr, cr, 0}, {0, 0, 1}};
    const double pitchM[3][3] = {{1, 0, 0}, {0, cp, sp}, {0, -sp, cp}};
    const double headingM[3][3] = {{ch, 0, -sh}, {0, 1, 0}, {sh, 0, ch}};
    const double v[3] = {c.x, c.y, c.z};
    double a[3], b[3], d[3];
    for (int i = 0; i < 3; ++i) {
        a[i] = rollM[i][0] * v[0] + rollM[i][1] * v[1] + rollM[i][2] * v[2];
    }
    for (int i = 0; i < 3; ++i) {
        b[i] = pitchM[i][0] * a[0] + pitchM[i][1] * a[1] + pitchM[i][2] * a[2];
    }
    for (int i = 0; i < 3; ++i) {
        d[i] = headingM[i][0] * b[0] + headingM[i][1] * b[1] + headingM[i][2] * b[2];
    }
    return {d[0], d[1], d[2]};
}

// The panorama-frame unit direction of view pixel (x, y) (y counted upwards
// from the bottom row) of a view of width w and height h with focal length
// f (pixels): camera vector (x - w/2, y - h/2, f), rotated.
inline Direction PixelDirection(int x, int y, int w, int h, double heading, double pitch,
                                double roll, double f) {
    const Direction d = Rotate({static_cast<double>(x - w / 2), static_cast<double>(y - h / 2), f},
                               heading, pitch, roll);
    const double n = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    return {d.x / n, d.y / n, d.z / n};
}

inline double Dot(const Direction& a, const Direction& b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

// The view pixel square that the pole patch may redraw around the pole
// (pitch +90 for pole = 1, -90 for pole = -1): 96 by 96 pixels aligned to
// 16 around the pole's projection, clipped; empty when the pole is behind.
struct PixelSquare {
    int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
    bool Contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

inline PixelSquare PoleSquare(int pole, int w, int h, double heading, double pitch, double roll,
                              double f) {
    const Direction right = Rotate({1, 0, 0}, heading, pitch, roll);
    const Direction up = Rotate({0, 1, 0}, heading, pitch, roll);
    const Direction forward = Rotate({0, 0, 1}, heading, pitch, roll);
    const Direction d{0.0, static_cast<double>(pole), 0.0};
    const double c = Dot(forward, d);
    if (!(c > 0.0)) {
        return {};
    }
    const int px = w / 2 + static_cast<int>(f * Dot(right, d) / c);
    const int py = h / 2 + static_cast<int>(f * Dot(up, d) / c);
    PixelSquare s;
    s.x0 = px - px % 16 - 48;
    s.y0 = py - py % 16 - 48;
    s.x1 = s.x0 + 96;
    s.y1 = s.y0 + 96;
    s.x0 = s.x0 < 0 ? 0 : s.x0;
    s.y0 = s.y0 < 0 ? 0 : s.y0;
    s.x1 = s.x1 > w ? w : s.x1;
    s.y1 = s.y1 > h ? h : s.y1;
    return s;
}

// Longitude and latitude (degrees) of a unit direction.
inline double Longitude(const Direction& d) {
    return std::atan2(d.x, d.z) * 180.0 / kPi;
}
inline double Latitude(const Direction& d) {
    return std::asin(d.y) * 180.0 / kPi;
}

// The unit direction at picture position (col, row) of a W by H picture
// (fractional pixels): column W/2 is heading 0, row 0 straight down.
inline Direction PictureDirection(double col, double row, int w, int h) {
    const double lon = Rad(col / w * 360.0 - 180.0);
    const double lat = Rad(row / h * 180.0 - 90.0);
    return {std::cos(lat) * std::sin(lon), std::sin(lat), std::cos(lat) * std::cos(lon)};
}

// Angle between two unit directions, degrees.
inline double AngleBetween(const Direction& a, const Direction& b) {
    const double dot = a.x * b.x + a.y * b.y + a.z * b.z;
    const double cx = a.y * b.z - a.z * b.y, cy = a.z * b.x - a.x * b.z, cz = a.x * b.y - a.y * b.x;
    return std::atan2(std::sqrt(cx * cx + cy * cy + cz * cz), dot) * 180.0 / kPi;
}

// A depth-24 picture of w by h pixels (w a multiple of 4, both at most
// 4096) whose pixel at column c, row r holds c in its low 12 bits and r in
// its high 12 bits, stored in an exact-size buffer.
inline std::vector<std::uint8_t> EncodedPicture(int w, int h) {
    std::vector<std::uint8_t> picture(static_cast<std::size_t>(w) * h * 3);
    for (int r = 0; r < h; ++r) {
        for (int c = 0; c < w; ++c) {
            const std::uint32_t code = static_cast<std::uint32_t>(c) | static_cast<std::uint32_t>(r)
                                                                           << 12;
            std::uint8_t* p = &picture[(static_cast<std::size_t>(r) * w + c) * 3];
            p[0] = static_cast<std::uint8_t>(code);
            p[1] = static_cast<std::uint8_t>(code >> 8);
            p[2] = static_cast<std::uint8_t>(code >> 16);
        }
    }
    return picture;
}

struct PicturePixel {
    int col, row;
};

inline PicturePixel DecodePixel(const std::uint8_t* p) {
    const std::uint32_t code = p[0] | p[1] << 8 | static_cast<std::uint32_t>(p[2]) << 16;
    return {static_cast<int>(code & 0xFFF), static_cast<int>(code >> 12)};
}

}  // namespace skyweave::test
