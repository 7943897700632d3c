// PackedDib: the one in-memory picture format (decoded panoramas, the splash
// picture, rendered frames), as an owning value.
//
// One memory block holds, one after the other:
//   1. the 40-byte BitmapInfoHeader (bitmap_header.h), little-endian;
//   2. the colour area: a colour table of biClrUsed entries of 4 bytes (blue,
//      green, red, reserved) for 8-bit pictures, 1024 bytes when biClrUsed is
//      0; for 5-6-5 pictures (biCompression 3) the three u32 masks 0xF800,
//      0x07E0, 0x001F with biClrUsed 3; otherwise 4 * biClrUsed bytes, which
//      every picture made by this system keeps at 0;
//   3. the pixels: rows of exactly biWidth * biBitCount / 8 bytes, no padding
//      between rows, bottom row first, from byte 40 + colour-area size.
//
// Pictures leaving DecodeImage additionally have a width that is a multiple
// of 4 (decode_image.h), so their rows also meet the 4-byte row rule and the
// renderer's stride.
//
// The block may be longer than the header says (conversions that shrink
// pixels work in place and leave the tail unused). Accessors that hand out
// pixels check that the whole run lies inside the block, so a header that
// lies yields an empty span, never bytes outside the block.
//
// Owner: whoever holds the value; moving passes ownership, destruction frees.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "image/bitmap_header.h"
#include "platform/core/memory_block.h"

namespace skyweave {

class PackedDib {
  public:
    // The null picture.
    PackedDib() = default;

    // Takes over `block` as a picture; its first 40 bytes must be (or become,
    // through SetHeader) a bitmap header.
    explicit PackedDib(MemoryBlock block) : block_(std::move(block)) {}

    // A picture block of `size` bytes, uninitialised; null when the memory
    // cannot be had or `size` is below 40.
    static PackedDib Allocate(std::size_t size);

    // A picture for `header`: a block of exactly 40 + colour area + pixels
    // bytes with the header written, the colour area zeroed (the 5-6-5 masks
    // written when biCompression is 3) and the pixels uninitialised. Null
    // when the header does not describe a positive-size picture or the
    // memory cannot be had.
    static PackedDib Create(const BitmapInfoHeader& header);

    explicit operator bool() const { return static_cast<bool>(block_); }

    // The whole block.
    std::size_t size() const { return block_.size(); }
    std::span<std::uint8_t> Bytes() { return block_.bytes(); }
    std::span<const std::uint8_t> Bytes() const { return block_.bytes(); }

    // The header, decoded. A null picture, or a block shorter than 40
    // bytes, reads as all zeros and ignores SetHeader.
    BitmapInfoHeader Header() const;
    void SetHeader(const BitmapInfoHeader& header);

    std::int32_t Width() const;
    std::int32_t Height() const;  // negative for a top-down picture
    std::uint16_t BitCount() const;
    std::uint32_t Compression() const;
    std::uint32_t ClrUsed() const;

    // Depth code (depth_code.h): 8, 15, 16, 24, 32, or the raw bit count.
    int DepthCode() const;

    // biBitCount / 8.
    int BytesPerPixel() const;

    // Length of the colour area in bytes (see the contract above).
    std::size_t ColorAreaSize() const;

    // Byte offset of the first pixel: 40 + ColorAreaSize().
    std::size_t PixelOffset() const;

    // Bytes of one row, |biWidth| * bytes per pixel (no padding).
    std::size_t RowBytes() const;

    // Bytes of all rows; 0 when the product does not fit in size_t.
    std::size_t PixelBytes() const;

    // Whether header, colour area and the whole pixel run lie inside the
    // block, with a non-zero width, height and bytes per pixel and a colour
    // area of at most 1024 bytes (PackedDibSize is not 0).
    bool PixelsFit() const;

    // The pixel run (RowBytes() * |Height()| bytes); empty unless PixelsFit().
    std::span<std::uint8_t> Pixels();
    std::span<const std::uint8_t> Pixels() const;

    // The colour area, clipped to the block.
    std::span<const std::uint8_t> ColorTable() const;

    // Gives up the block (the picture becomes null).
    MemoryBlock Release() { return std::move(block_); }

  private:
    MemoryBlock block_;
};

// The largest colour area of a picture: 256 entries of 4 bytes.
inline constexpr std::size_t kMaxColorAreaSize = 1024;

// 40 + colour area + pixel bytes for `header`, or 0 when the header has a
// zero or negative-size picture, a bit count that is not a positive multiple
// of 8, a colour area above 1024 bytes, or sizes that do not fit in size_t.
// A negative biHeight counts as its magnitude.
std::size_t PackedDibSize(const BitmapInfoHeader& header);

// Colour-area length for a header, by the PackedDib rule.
std::size_t ColorAreaSizeOf(const BitmapInfoHeader& header);

}  // namespace skyweave
