// Frame copies onto the window surface; see window_draw_target.h.
#include "platform/display/window_draw_target.h"

#include <SDL.h>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

#include <array>
#include <bit>
#include <chrono>
#include <cstring>

#include "platform/display/native_window.h"
#include "platform/display/window_canvas.h"

namespace skyweave {
namespace {

// The destination layouts with a loop of their own; all others go through
// SDL_MapRGB per pixel, which is slow but right for any visual.
enum class Layout { Xrgb32, Rgb565, Rgb555, Other };

Layout LayoutOf(const SDL_PixelFormat* format) {
    if (format->BytesPerPixel == 4 && format->Rmask == 0xFF0000u && format->Gmask == 0xFF00u &&
        format->Bmask == 0xFFu) {
        return Layout::Xrgb32;
    }
    if (format->BytesPerPixel == 2 && format->Rmask == 0xF800u && format->Gmask == 0x07E0u &&
        format->Bmask == 0x001Fu) {
        return Layout::Rgb565;
    }
    if (format->BytesPerPixel == 2 && format->Rmask == 0x7C00u && format->Gmask == 0x03E0u &&
        format->Bmask == 0x001Fu) {
        return Layout::Rgb555;
    }
    return Layout::Other;
}

struct Rgb {
    std::uint8_t r, g, b;
};

// Frame pixels widen by shifting, the same rule as the picture conversions
// (5-6-5 0xFFFF is red F8, green FC, blue F8).
inline Rgb From565(std::uint16_t p) {
    return Rgb{static_cast<std::uint8_t>((p >> 11) << 3),
               static_cast<std::uint8_t>(((p >> 5) & 0x3F) << 2),
               static_cast<std::uint8_t>((p & 0x1F) << 3)};
}
inline Rgb From555(std::uint16_t p) {
    return Rgb{static_cast<std::uint8_t>(((p >> 10) & 0x1F) << 3),
               static_cast<std::uint8_t>(((p >> 5) & 0x1F) << 3),
               static_cast<std::uint8_t>((p & 0x1F) << 3)};
}
inline std::uint16_t Load16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

// The widening of 24-bit rows into 32-bit X pixels with one byte shuffle per
// four pixels, on processors that have it (nearly all x86-64 ones); returns
// how many leading pixels it converted. Each load takes 16 bytes for 12, so
// it stops while at least 4 bytes of the row remain after the load.
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("ssse3"))) int WidenBgrRowSsse3(const std::uint8_t* src, std::uint32_t* out,
                                                      int width) {
    const __m128i order =
        _mm_setr_epi8(0, 1, 2, -128, 3, 4, 5, -128, 6, 7, 8, -128, 9, 10, 11, -128);
    int x = 0;
    for (; x + 6 <= width; x += 4) {
        const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_shuffle_epi8(bytes, order));
    }
    return x;
}

bool HasSsse3() {
    static const bool has = __builtin_cpu_supports("ssse3") != 0;
    return has;
}
#else
int WidenBgrRowSsse3(const std::uint8_t*, std::uint32_t*, int) {
    return 0;
}
bool HasSsse3() {
    return false;
}
#endif

// The 256 colours an 8-bit frame's indices stand for: the shared palette
// on an 8-bit screen, else the frame's own colour table; indices beyond the
// table are black.
std::array<Rgb, 256> IndexColours(const FrameImage& frame, const Palette* palette) {
    std::array<Rgb, 256> colours{};
    if (palette != nullptr) {
        for (std::size_t i = 0; i < 256; ++i) {
            colours[i] = Rgb{(*palette)[i].red, (*palette)[i].green, (*palette)[i].blue};
        }
        return colours;
    }
    const std::size_t entries = std::min<std::size_t>(frame.color_table.size() / 4, 256);
    for (std::size_t i = 0; i < entries; ++i) {
        const std::uint8_t* e = frame.color_table.data() + 4 * i;
        colours[i] = Rgb{e[2], e[1], e[0]};
    }
    return colours;
}

}  // namespace

PixelRect WindowDrawTarget::ClientRect() const {
    return window_.ClientRect();
}

void WindowDrawTarget::CopyFrame(const FrameImage& frame, std::int32_t source_x,
                                 std::int32_t source_y, const PixelRect& dest,
                                 const Palette* palette) {
    const auto start = std::chrono::steady_clock::now();
    {
        WindowCanvas canvas = window_.GetCanvas(false);
        const PixelRect changed =
            CopyFrameToSurface(frame, source_x, source_y, dest, palette, canvas.surface());
        canvas.Touch(changed);
        if (decorate_) {
            decorate_(canvas);
        }
    }
    if (present_ns_ != nullptr) {
        *present_ns_ +=
            static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                           std::chrono::steady_clock::now() - start)
                                           .count());
    }
}

PixelRect CopyFrameToSurface(const FrameImage& frame, std::int32_t source_x, std::int32_t source_y,
                             const PixelRect& dest, const Palette* palette, SDL_Surface* surface) {
    const int bpp = FrameBytesPerPixel(frame.depth);
    if (surface == nullptr || frame.width <= 0 || frame.height <= 0 || bpp == 0 || bpp == 4) {
        return {};
    }
    // The block must lie inside the frame and the frame inside its bytes;
    // anything else is refused rather than read out of bounds.
    const std::int64_t stride = std::int64_t{frame.width} * bpp;
    if (source_x < 0 || source_y < 0 || dest.Width() <= 0 || dest.Height() <= 0 ||
        source_x + dest.Width() > frame.width || source_y + dest.Height() > frame.height ||
        static_cast<std::int64_t>(frame.pixels.size()) < stride * frame.height) {
        return {};
    }
    const PixelRect cut = IntersectRect(dest, PixelRect{0, 0, surface->w, surface->h});
    if (cut.Width() <= 0 || cut.Height() <= 0) {
        return {};
    }
    const int width = static_cast<int>(cut.Width());
    const int first_column = static_cast<int>(source_x + (cut.left - dest.left));
    const Layout layout = LayoutOf(surface->format);
    std::array<Rgb, 256> colours{};
    if (frame.depth == 8) {
        colours = IndexColours(frame, palette);
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_LockSurface(surface);
    }
    auto* pixels = static_cast<std::uint8_t*>(surface->pixels);
    for (std::int32_t y = cut.top; y < cut.bottom; ++y) {
        // dest.top shows frame row source_y + height - 1 counted from the
        // bottom, which is the first row in memory.
        const std::int64_t frame_row = source_y + dest.Height() - 1 - (y - dest.top);
        const std::uint8_t* src = frame.pixels.data() + frame_row * stride + first_column * bpp;
        std::uint8_t* dst = pixels + std::int64_t{y} * surface->pitch +
                            std::int64_t{cut.left} * surface->format->BytesPerPixel;
        // Hot loop: one row per call, no branches inside the pixel loops
        // beyond the layout switch taken once per row.
        if (layout == Layout::Xrgb32) {
            auto* out = reinterpret_cast<std::uint32_t*>(dst);
            switch (frame.depth) {
                case 24: {
                    // Four pixels from three little-endian words at a time:
                    // the X visual's pixel is the 24-bit value itself, so
                    // each is a shift and a mask of the words it spans.
                    int x = 0;
                    if (HasSsse3()) {
                        x = WidenBgrRowSsse3(src, out, width);
                        src += 3 * x;
                    }
                    const bool words = std::endian::native == std::endian::little;
                    for (; words && x + 4 <= width; x += 4, src += 12) {
                        std::uint32_t w[3];
                        std::memcpy(w, src, 12);
                        out[x] = w[0] & 0xFFFFFFu;
                        out[x + 1] = (w[0] >> 24) | ((w[1] & 0xFFFFu) << 8);
                        out[x + 2] = (w[1] >> 16) | ((w[2] & 0xFFu) << 16);
                        out[x + 3] = w[2] >> 8;
                    }
                    for (; x < width; ++x, src += 3) {
                        out[x] = std::uint32_t{src[0]} | (std::uint32_t{src[1]} << 8) |
                                 (std::uint32_t{src[2]} << 16);
                    }
                    break;
                }
                case 16:
                    for (int x = 0; x < width; ++x, src += 2) {
                        const Rgb c = From565(Load16(src));
                        out[x] = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
                    }
                    break;
                case 15:
                    for (int x = 0; x < width; ++x, src += 2) {
                        const Rgb c = From555(Load16(src));
                        out[x] = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
                    }
                    break;
                default:
                    for (int x = 0; x < width; ++x, ++src) {
                        const Rgb c = colours[*src];
                        out[x] = (std::uint32_t{c.r} << 16) | (std::uint32_t{c.g} << 8) | c.b;
                    }
                    break;
            }
            continue;
        }
        if ((layout == Layout::Rgb565 && frame.depth == 16) ||
            (layout == Layout::Rgb555 && frame.depth == 15)) {
            // Same format: a plain row copy (5-5-5's unused top bit is kept
            // clear on the screen side).
            if (frame.depth == 15) {
                for (int x = 0; x < width; ++x, src += 2) {
                    const std::uint16_t p = Load16(src) & 0x7FFFu;
                    std::memcpy(dst + 2 * x, &p, 2);
                }
            } else {
                std::memcpy(dst, src, static_cast<std::size_t>(width) * 2);
            }
            continue;
        }
        for (int x = 0; x < width; ++x) {
            Rgb c{};
            switch (frame.depth) {
                case 24:
                    c = Rgb{src[2], src[1], src[0]};
                    src += 3;
                    break;
                case 16:
                    c = From565(Load16(src));
                    src += 2;
                    break;
                case 15:
                    c = From555(Load16(src));
                    src += 2;
                    break;
                default:
                    c = colours[*src];
                    src += 1;
                    break;
            }
            const Uint32 value = SDL_MapRGB(surface->format, c.r, c.g, c.b);
            std::uint8_t* out = dst + x * surface->format->BytesPerPixel;
            switch (surface->format->BytesPerPixel) {
                case 1:
                    *out = static_cast<std::uint8_t>(value);
                    break;
                case 2: {
                    const auto v = static_cast<std::uint16_t>(value);
                    std::memcpy(out, &v, 2);
                    break;
                }
                case 3:
                    out[0] = static_cast<std::uint8_t>(value);
                    out[1] = static_cast<std::uint8_t>(value >> 8);
                    out[2] = static_cast<std::uint8_t>(value >> 16);
                    break;
                default:
                    std::memcpy(out, &value, 4);
                    break;
            }
        }
    }
    if (SDL_MUSTLOCK(surface)) {
        SDL_UnlockSurface(surface);
    }
    return cut;
}

}  // namespace skyweave
