// Where finished frames go: the drawing-target interface and the shared
// palette of 8-bit screens.
//
// The engine's PresentFrame hands every frame to a DrawTarget, the stand-in
// for a device context. The saver window implements it on its SDL2 window;
// MemoryDrawTarget (memory_draw_target.h) implements it as a picture in
// memory for the tools and the tests. The target never scales: the copy is
// one to one, as StretchDIBits with COLORONCOLOR does for equal sizes.
//
// The shared palette is one of the three process-wide items: PresentFrame
// replaces it when an 8-bit frame arrives on an 8-bit screen with its
// palette marked dirty, and hands it to the target before each copy on such
// a screen. It lives for the whole process.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>

namespace skyweave {

// A rectangle in pixels: left and top inclusive, right and bottom exclusive,
// y growing downwards (window coordinates).
struct PixelRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;

    std::int64_t Width() const { return std::int64_t{right} - left; }
    std::int64_t Height() const { return std::int64_t{bottom} - top; }
    // No pixel inside: zero or negative width or height.
    bool Empty() const { return Width() <= 0 || Height() <= 0; }
    friend bool operator==(const PixelRect&, const PixelRect&) = default;
};

// One colour of a logical palette (red, green, blue, flags; flags are 0).
struct PaletteEntry {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    std::uint8_t flags = 0;
    friend bool operator==(const PaletteEntry&, const PaletteEntry&) = default;
};

// The 256 colours of a shared palette, index i for pixel value i.
using Palette = std::array<PaletteEntry, 256>;

// A finished frame as PresentFrame hands it over: a bottom-up picture in the
// layout of a PackedDib's pixel area.
struct FrameImage {
    // Rows bottom-up (the first row in memory is the bottom row of the
    // picture), each exactly width x BytesPerPixel(depth) bytes, unpadded;
    // holds at least width x height pixels.
    std::span<const std::uint8_t> pixels;
    // Picture size in pixels (the frame buffer's size, multiples of 32 for
    // engine frames); both positive.
    std::int32_t width = 0;
    std::int32_t height = 0;
    // Depth code of the pixels: 8 (palette index), 15 (16-bit 5-5-5),
    // 16 (16-bit 5-6-5) or 24 (blue, green, red bytes).
    std::uint16_t depth = 24;
    // For depth 8: the colour table, 4 bytes per entry (blue, green, red,
    // reserved), up to 256 entries; empty for the other depths.
    std::span<const std::uint8_t> color_table;
};

// Bytes per pixel of a frame depth code: 1 for 8, 2 for 15 and 16, 3 for 24,
// 4 for 32; 0 for any other code.
constexpr int FrameBytesPerPixel(std::uint16_t depth) {
    switch (depth) {
        case 8:
            return 1;
        case 15:
        case 16:
            return 2;
        case 24:
            return 3;
        case 32:
            return 4;
        default:
            return 0;
    }
}

// The destination of PresentFrame. Implementations must clip every copy to
// their own surface; a copy that falls outside it in part or in whole draws
// only the part inside (possibly nothing).
class DrawTarget {
  public:
    virtual ~DrawTarget() = default;

    // The owner window's client rectangle: where frames go when the engine
    // has no destination rectangle in use. (0, 0, width, height) in pixels.
    virtual PixelRect ClientRect() const = 0;

    // Copies a block of `frame` one to one into `dest`.
    //   frame:    the finished frame; its bytes are only valid during the call.
    //   source_x: first frame column copied, 0-based from the left, in pixels.
    //   source_y: first frame row copied, 0-based from the BOTTOM row (the
    //             first row in memory), in pixels, as a DIB's lower-left origin.
    //   dest:     destination rectangle in target pixels; its width and height
    //             are also the size of the copied block, whose top row is frame
    //             row source_y + dest.Height() - 1 and lands on dest.top.
    //   palette:  on an 8-bit screen the shared palette selected for the copy
    //             (null when none exists yet, or on deeper screens); a
    //             target that maps 8-bit frames through a palette uses it,
    //             others may ignore it.
    // The caller guarantees that the block lies inside the frame (source_x,
    // source_y >= 0, block within width x height); the target clips dest.
    virtual void CopyFrame(const FrameImage& frame, std::int32_t source_x, std::int32_t source_y,
                           const PixelRect& dest, const Palette* palette) = 0;
};

// The process-wide shared palette of 8-bit screens, or nothing before the
// first 8-bit frame was presented on an 8-bit screen. Thread-safe.
std::optional<Palette> SharedPalette();

// Replaces the shared palette (the old one is discarded). Thread-safe.
//   palette: the new 256 colours.
void ReplaceSharedPalette(const Palette& palette);

}  // namespace skyweave
