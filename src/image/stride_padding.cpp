// PadWidthToMultipleOf4 (stride_padding.h).
#include "image/stride_padding.h"

#include <algorithm>
#include <cstring>

#include "image/error_texts.h"

namespace skyweave {

PackedDib PadWidthToMultipleOf4(PackedDib image, const char** error_text) {
    if (!image || !image.PixelsFit() || image.Width() <= 0) {
        if (error_text != nullptr) {
            *error_text = kTextUnsupportedFormat;
        }
        return {};
    }
    if (image.Width() % 4 == 0) {
        return image;
    }
    BitmapInfoHeader header = image.Header();
    header.biWidth = (header.biWidth | 3) + 1;
    header.biSizeImage = 0;
    PackedDib result = PackedDib::Create(header);
    if (!result) {
        if (error_text != nullptr) {
            *error_text = kTextInsufficientMemory;
        }
        return {};
    }
    const std::span<const std::uint8_t> colors = image.ColorTable();
    std::copy(colors.begin(), colors.end(), result.Bytes().begin() + kBitmapHeaderSize);

    const std::size_t pixel = static_cast<std::size_t>(image.BytesPerPixel());
    const std::size_t in_row = image.RowBytes();
    const std::size_t out_row = result.RowBytes();
    const std::size_t rows = image.PixelBytes() / in_row;
    const std::uint8_t* in = image.Pixels().data();
    std::uint8_t* out = result.Pixels().data();
    for (std::size_t y = 0; y < rows; ++y, in += in_row, out += out_row) {
        std::memcpy(out, in, in_row);
        for (std::size_t x = in_row; x < out_row; x += pixel) {
            std::memcpy(out + x, in + in_row - pixel, pixel);
        }
    }
    return result;
}

}  // namespace skyweave
