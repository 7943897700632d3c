// RenderProjected (see projected_render.h).
#include "render/projected_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "platform/core/worker_pool.h"
#include "render/view_geometry.h"

namespace skyweave {
namespace {

constexpr std::int32_t kCell = 16;

// A source position in pixels: u across (the whole circle spans the width),
// v up from the row that looks straight down.
struct Position {
    double u = 0;
    double v = 0;
    bool valid = false;
};

struct Job {
    const RenderParams& params;
    Projection projection;
    double zoom;
    std::int32_t height;  // rows, positive
    std::int32_t bytes;   // per pixel
    std::int32_t stride;  // source pixels per row
    bool bilinear;

    Position Map(double sx, double sy) const {
        const auto ray = ProjectedRay(projection, zoom, params.viewWidth, sx, sy);
        if (!ray) {
            return {};
        }
        double x = (*ray)[0];
        double y = (*ray)[1];
        double z = (*ray)[2];
        RotateToWorld(params.heading, params.pitch, params.roll, 0, 0, x, y, z);
        const double longitude = RadiansToDegrees(std::atan2(x, z));
        const double latitude = RadiansToDegrees(std::atan2(y, std::hypot(x, z)));
        if (!std::isfinite(longitude) || !std::isfinite(latitude)) {
            return {};
        }
        return {(longitude + 180.0) * params.srcWidth / 360.0,
                (latitude + 90.0) * params.srcHeight / 180.0, true};
    }

    std::int32_t Column(double u) const {
        const auto w = params.srcWidth;
        const auto column = static_cast<std::int64_t>(std::floor(u)) % w;
        return static_cast<std::int32_t>(column < 0 ? column + w : column);
    }
    std::int32_t Row(double v) const {
        return std::clamp(static_cast<std::int32_t>(std::floor(v)), 0, params.srcHeight - 1);
    }
    const std::uint8_t* At(std::int32_t column, std::int32_t row) const {
        return params.src.data() +
               (static_cast<std::size_t>(row) * static_cast<std::size_t>(stride) +
                static_cast<std::size_t>(column)) *
                   static_cast<std::size_t>(bytes);
    }

    void Put(std::uint8_t* out, const Position& p) const {
        if (!p.valid) {
            std::memset(out, 0, static_cast<std::size_t>(bytes));
            return;
        }
        if (!bilinear) {
            std::memcpy(out, At(Column(p.u), Row(p.v)), static_cast<std::size_t>(bytes));
            return;
        }
        // Weights about the pixel centres; columns wrap, rows stop at the
        // poles.
        const double u = p.u - 0.5;
        const double v = p.v - 0.5;
        const double fu = u - std::floor(u);
        const double fv = v - std::floor(v);
        const std::int32_t c0 = Column(u);
        const std::int32_t c1 = Column(u + 1);
        const std::int32_t r0 = Row(v);
        const std::int32_t r1 = Row(v + 1);
        const std::uint8_t* q[4] = {At(c0, r0), At(c1, r0), At(c0, r1), At(c1, r1)};
        const double w[4] = {(1 - fu) * (1 - fv), fu * (1 - fv), (1 - fu) * fv, fu * fv};
        for (int channel = 0; channel < 3; ++channel) {
            double sum = 0;
            for (int i = 0; i < 4; ++i) {
                sum += w[i] * q[i][channel];
            }
            out[channel] = static_cast<std::uint8_t>(std::min(255.0, sum + 0.5));
        }
    }

    std::uint8_t* Pixel(std::int32_t x, std::int32_t y) const {
        const std::int32_t row = params.viewHeight < 0 ? height - 1 - y : y;
        return params.dest.data() +
               (static_cast<std::size_t>(row) * params.viewWidth + static_cast<std::size_t>(x)) *
                   static_cast<std::size_t>(bytes);
    }

    Position MapPixel(std::int32_t x, std::int32_t y) const {
        return Map(x - params.viewWidth / 2, y - height / 2);
    }

    // Whether the four corners may be interpolated: all show a direction,
    // none lies near a pole (where the columns turn fast) and, with the
    // seam unwrapped, they span a small part of the circle. Unwraps the
    // corners' columns towards the first one's.
    bool Smooth(std::array<Position, 4>& corners) const {
        const double w = params.srcWidth;
        const double near_pole = params.srcHeight / 18.0;  // 10 degrees
        for (Position& p : corners) {
            if (!p.valid || p.v < near_pole || p.v > params.srcHeight - near_pole) {
                return false;
            }
            if (p.u - corners[0].u > w / 2) {
                p.u -= w;
            } else if (corners[0].u - p.u > w / 2) {
                p.u += w;
            }
            if (std::abs(p.u - corners[0].u) > w / 8) {
                return false;
            }
        }
        return true;
    }

    // One pixel from a 16.16 position whose column lies within one turn of
    // the picture (the corners of a smooth cell are unwrapped by less).
    void PutFixed(std::uint8_t* out, std::int64_t u, std::int64_t v) const {
        const std::int64_t w = params.srcWidth;
        if (!bilinear) {
            std::int64_t column = u >> 16;
            column += column < 0 ? w : column >= w ? -w : 0;
            const auto row = static_cast<std::int32_t>(
                std::clamp<std::int64_t>(v >> 16, 0, params.srcHeight - 1));
            std::memcpy(out, At(static_cast<std::int32_t>(column), row),
                        static_cast<std::size_t>(bytes));
            return;
        }
        // About the pixel centres, with 8-bit weights.
        u -= 32768;
        v -= 32768;
        std::int64_t c0 = u >> 16;
        const auto fx = static_cast<std::uint32_t>((u >> 8) & 255);
        const auto fy = static_cast<std::uint32_t>((v >> 8) & 255);
        c0 += c0 < 0 ? w : c0 >= w ? -w : 0;
        const std::int64_t c1 = c0 + 1 == w ? 0 : c0 + 1;
        const std::int64_t r = v >> 16;
        const auto r0 =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(r, 0, params.srcHeight - 1));
        const auto r1 =
            static_cast<std::int32_t>(std::clamp<std::int64_t>(r + 1, 0, params.srcHeight - 1));
        const std::uint8_t* q[4] = {
            At(static_cast<std::int32_t>(c0), r0), At(static_cast<std::int32_t>(c1), r0),
            At(static_cast<std::int32_t>(c0), r1), At(static_cast<std::int32_t>(c1), r1)};
        const std::uint32_t wt[4] = {(256 - fx) * (256 - fy), fx * (256 - fy), (256 - fx) * fy,
                                     fx * fy};
        for (int channel = 0; channel < 3; ++channel) {
            const std::uint32_t sum = wt[0] * q[0][channel] + wt[1] * q[1][channel] +
                                      wt[2] * q[2][channel] + wt[3] * q[3][channel];
            out[channel] = static_cast<std::uint8_t>((sum + 32768) >> 16);
        }
    }

    void DrawCell(std::int32_t x0, std::int32_t y0) const {
        std::array<Position, 4> c{MapPixel(x0, y0), MapPixel(x0 + kCell, y0),
                                  MapPixel(x0, y0 + kCell), MapPixel(x0 + kCell, y0 + kCell)};
        if (!Smooth(c)) {
            for (std::int32_t j = 0; j < kCell; ++j) {
                std::uint8_t* out = Pixel(x0, y0 + j);
                for (std::int32_t i = 0; i < kCell; ++i, out += bytes) {
                    Put(out, MapPixel(x0 + i, y0 + j));
                }
            }
            return;
        }
        std::array<std::int64_t, 4> u{};
        std::array<std::int64_t, 4> v{};
        for (std::size_t k = 0; k < 4; ++k) {
            u[k] = std::llround(c[k].u * 65536);
            v[k] = std::llround(c[k].v * 65536);
        }
        for (std::int32_t j = 0; j < kCell; ++j) {
            const std::int64_t ul = u[0] + (u[2] - u[0]) * j / kCell;
            const std::int64_t vl = v[0] + (v[2] - v[0]) * j / kCell;
            const std::int64_t ur = u[1] + (u[3] - u[1]) * j / kCell;
            const std::int64_t vr = v[1] + (v[3] - v[1]) * j / kCell;
            const std::int64_t du = (ur - ul) / kCell;
            const std::int64_t dv = (vr - vl) / kCell;
            std::int64_t uu = ul;
            std::int64_t vv = vl;
            std::uint8_t* out = Pixel(x0, y0 + j);
            for (std::int32_t i = 0; i < kCell; ++i, out += bytes, uu += du, vv += dv) {
                PutFixed(out, uu, vv);
            }
        }
    }

    void DrawCellRows(std::int32_t first, std::int32_t end) const {
        for (std::int32_t cy = first; cy < end; ++cy) {
            for (std::int32_t x = 0; x < params.viewWidth; x += kCell) {
                DrawCell(x, cy * kCell);
            }
        }
    }
};

bool Acceptable(const RenderParams& p, double zoom) {
    if (p.viewHeight == 0 || p.viewHeight == INT32_MIN) {
        return false;
    }
    const std::int32_t h = std::abs(p.viewHeight);
    if (!(p.depth == 8 || p.depth == 15 || p.depth == 16 || p.depth == 24) ||
        !std::isfinite(p.heading) || !std::isfinite(p.pitch) || !std::isfinite(p.roll) ||
        !std::isfinite(zoom) || !(zoom > 0) || p.viewWidth <= 0 || p.viewWidth % 32 != 0 ||
        p.viewWidth > kMaxBlocksPerRow * 32 || h % 32 != 0 || p.srcWidth < kMinSourceWidth ||
        p.srcWidth > kMaxSourceWidth || p.srcHeight < kMinSourceHeight ||
        p.srcHeight > kMaxSourceHeight || p.dest.data() == nullptr || p.src.data() == nullptr) {
        return false;
    }
    const std::uint64_t bytes = static_cast<std::uint64_t>((p.depth + 1) / 8);
    const std::uint64_t stride = (static_cast<std::uint64_t>(p.srcWidth) + 3) & ~std::uint64_t{3};
    return p.dest.size() >= static_cast<std::uint64_t>(p.viewWidth) * h * bytes &&
           p.src.size() >= stride * static_cast<std::uint64_t>(p.srcHeight) * bytes;
}

}  // namespace

int RenderProjected(const RenderParams& params, Projection projection, double zoom,
                    WorkerPool* pool) {
    if (projection == Projection::Rectilinear || !Acceptable(params, zoom)) {
        return 0;
    }
    const Job job{params,
                  projection,
                  zoom,
                  std::abs(params.viewHeight),
                  (params.depth + 1) / 8,
                  (params.srcWidth + 3) & ~3,
                  params.depth == 24 && params.filterKind != 0};
    const std::int32_t cellRows = job.height / kCell;
    const std::int32_t threads = pool != nullptr ? pool->Threads() : 1;
    if (threads <= 1 || std::int64_t{params.viewWidth} * job.height < kMinParallelPixels) {
        job.DrawCellRows(0, cellRows);
        return 1;
    }
    const std::int32_t bands = std::min(cellRows, threads * kBandsPerThread);
    pool->Run(bands, [&](int band, int) {
        job.DrawCellRows(static_cast<std::int32_t>(std::int64_t{band} * cellRows / bands),
                         static_cast<std::int32_t>(std::int64_t{band + 1} * cellRows / bands));
    });
    return 1;
}

}  // namespace skyweave
