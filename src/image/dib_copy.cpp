// The copy path (dib_copy.h). All sizes are 64-bit: the width and height are
// at most 2^30 pixels together once the ceiling is checked, and colour areas
// at most 4 * 2^32 bytes, so no product here can overflow.
#include "image/dib_copy.h"

#include <cstring>
#include <limits>

#include "image/depth_code.h"
#include "image/error_texts.h"
#include "image/match_screen_depth.h"

namespace skyweave {
namespace {

struct RowLayout {
    std::uint64_t start = 0;   // offset of the first row in the input
    std::uint64_t stride = 0;  // input bytes from one row to the next; 0: no fit
};

// Picks padded rows when they fit in `available` bytes from `start`, else
// unpadded ones; the last row needs no padding after it.
RowLayout FitRows(std::uint64_t start, std::uint64_t available, std::uint64_t row_bytes,
                  std::uint64_t rows) {
    if (start > available) {
        return {};
    }
    const std::uint64_t room = available - start;
    const std::uint64_t padded = (row_bytes + 3) / 4 * 4;
    for (std::uint64_t stride : {padded, row_bytes}) {
        if ((rows - 1) * stride + row_bytes <= room) {
            return {start, stride};
        }
    }
    return {};
}

}  // namespace

PackedDib CopyPackedDib(std::span<const std::uint8_t> dib, std::size_t stated_pixel_offset,
                        const char** error_text) {
    const auto fail = [error_text](const char* text) {
        if (error_text != nullptr) {
            *error_text = text;
        }
        return PackedDib();
    };
    if (dib.size() < kBitmapHeaderSize) {
        return fail(kTextUnsupportedFormat);
    }
    const BitmapInfoHeader in = ReadBitmapHeader(dib);
    if (in.biSize != kBitmapHeaderSize || in.biWidth <= 0 || in.biHeight == 0 ||
        in.biHeight == std::numeric_limits<std::int32_t>::min()) {
        return fail(kTextUnsupportedFormat);
    }
    const auto width = static_cast<std::uint64_t>(in.biWidth);
    const auto rows = static_cast<std::uint64_t>(in.biHeight < 0 ? -std::int64_t{in.biHeight}
                                                                 : std::int64_t{in.biHeight});
    if (width * rows > kMaxPicturePixels) {
        return fail(kTextInsufficientMemory);
    }
    const std::uint16_t bits = in.biBitCount;
    if (bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        return fail(kTextUnsupportedFormat);
    }

    BitmapInfoHeader out = in;
    out.biSizeImage = 0;
    std::uint64_t input_colors = 0;  // bytes of the input's colour area
    if (in.biCompression == kBiRgb) {
        if (bits == 8) {
            const std::uint64_t entries = in.biClrUsed == 0 ? 256 : in.biClrUsed;
            if (entries > 256) {
                return fail(kTextUnsupportedFormat);
            }
            input_colors = 4 * entries;
        } else {
            input_colors = 4 * std::uint64_t{in.biClrUsed};
            out.biClrUsed = 0;
        }
    } else if (in.biCompression == kBiBitfields && dib.size() >= kBitmapHeaderSize + 12) {
        const std::uint32_t red = LoadU32(dib.subspan(40));
        const std::uint32_t green = LoadU32(dib.subspan(44));
        const std::uint32_t blue = LoadU32(dib.subspan(48));
        input_colors = in.biClrUsed < 3 ? 12 : 4 * std::uint64_t{in.biClrUsed};
        if (bits == 16 && red == kMask565Red && green == kMask565Green && blue == kMask565Blue) {
            out.biClrUsed = 3;
        } else if (bits == 16 && red == 0x7C00 && green == 0x03E0 && blue == 0x001F) {
            out.biCompression = kBiRgb;
            out.biClrUsed = 0;
        } else if (bits == 32 && red == 0x00FF0000 && green == 0x0000FF00 && blue == 0x000000FF) {
            out.biCompression = kBiRgb;
            out.biClrUsed = 0;
        } else {
            return fail(kTextUnsupportedFormat);
        }
    } else {
        return fail(kTextUnsupportedFormat);
    }

    const std::uint64_t row_bytes = width * (bits / 8);
    const std::uint64_t packed_start = kBitmapHeaderSize + input_colors;
    RowLayout layout;
    if (stated_pixel_offset > packed_start) {
        layout = FitRows(stated_pixel_offset, dib.size(), row_bytes, rows);
    }
    if (layout.stride == 0) {
        layout = FitRows(packed_start, dib.size(), row_bytes, rows);
    }
    if (layout.stride == 0) {
        return fail(kTextUnsupportedFormat);
    }

    PackedDib image = PackedDib::Create(out);
    if (!image) {
        return fail(kTextInsufficientMemory);
    }
    if (bits == 8) {
        std::memcpy(image.Bytes().data() + kBitmapHeaderSize, dib.data() + kBitmapHeaderSize,
                    static_cast<std::size_t>(input_colors));
    }
    std::uint8_t* target = image.Pixels().data();
    const std::uint8_t* source = dib.data() + layout.start;
    for (std::uint64_t y = 0; y < rows; ++y) {
        std::memcpy(target + y * row_bytes, source + y * layout.stride,
                    static_cast<std::size_t>(row_bytes));
    }
    if (out.biHeight < 0) {
        FlipToBottomUp(image);
    }
    return image;
}

}  // namespace skyweave
