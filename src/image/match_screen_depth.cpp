// MatchScreenDepth (match_screen_depth.h): one conversion per picture, chosen
// by the picture's depth code and the screen depth. Shrinking conversions
// work in place; growing ones build a block of the exact new size.
#include "image/match_screen_depth.h"

#include "image/depth_code.h"
#include "image/error_texts.h"
#include "image/jpeg_codec.h"
#include "image/pixel_rules.h"

namespace skyweave {
namespace {

void SetError(const char** error_text, const char* text) {
    if (error_text != nullptr) {
        *error_text = text;
    }
}

std::uint16_t LoadWord(const std::uint8_t* p) {
    return static_cast<std::uint16_t>(p[0] | (p[1] << 8));
}

void StoreWord(std::uint8_t* p, std::uint16_t word) {
    p[0] = static_cast<std::uint8_t>(word);
    p[1] = static_cast<std::uint8_t>(word >> 8);
}

std::size_t PixelCount(const PackedDib& image) {
    return image.PixelBytes() / static_cast<std::size_t>(image.BytesPerPixel());
}

// The header of a conversion result: the source's, with the new format.
BitmapInfoHeader ResultHeader(const PackedDib& source, int depth) {
    BitmapInfoHeader header = source.Header();
    header.biBitCount = BitCountOfDepth(depth);
    header.biSizeImage = 0;
    header.biCompression = depth == kDepth16 ? kBiBitfields : kBiRgb;
    // The colour area of the result is exactly the masks of 5-6-5 or nothing;
    // a count left over from the source would move the pixel start.
    header.biClrUsed = depth == kDepth16 ? 3 : 0;
    return header;
}

// 24/32 or 5-6-5 to 5-5-5, in place: the result's pixels start at byte 40
// and each written pixel lies at or before the source pixel it came from, so
// one forward pass never overwrites a pixel it has still to read.
void To555InPlace(PackedDib& image) {
    const int source_depth = image.DepthCode();
    const std::size_t count = PixelCount(image);
    const std::size_t step = static_cast<std::size_t>(image.BytesPerPixel());
    std::uint8_t* const block = image.Bytes().data();
    const std::uint8_t* in = block + image.PixelOffset();
    std::uint8_t* out = block + kBitmapHeaderSize;
    for (std::size_t i = 0; i < count; ++i, in += step, out += 2) {
        const std::uint16_t word =
            source_depth == kDepth16 ? Convert565To555(LoadWord(in)) : Pack555(in[0], in[1], in[2]);
        StoreWord(out, word);
    }
    image.SetHeader(ResultHeader(image, kDepth15));
}

// 32 to 24, in place, compacting toward byte 40 (same ordering argument).
void To24InPlace(PackedDib& image) {
    const std::size_t count = PixelCount(image);
    std::uint8_t* const block = image.Bytes().data();
    const std::uint8_t* in = block + image.PixelOffset();
    std::uint8_t* out = block + kBitmapHeaderSize;
    for (std::size_t i = 0; i < count; ++i, in += 4, out += 3) {
        const std::uint8_t blue = in[0];
        const std::uint8_t green = in[1];
        const std::uint8_t red = in[2];
        out[0] = blue;
        out[1] = green;
        out[2] = red;
    }
    image.SetHeader(ResultHeader(image, kDepth24));
}

// 5-5-5 or 5-6-5 to 24, into a new block.
PackedDib To24NewBlock(const PackedDib& image) {
    PackedDib result = PackedDib::Create(ResultHeader(image, kDepth24));
    if (!result) {
        return {};
    }
    const bool is565 = image.DepthCode() == kDepth16;
    const std::size_t count = PixelCount(image);
    const std::uint8_t* in = image.Pixels().data();
    std::uint8_t* out = result.Pixels().data();
    for (std::size_t i = 0; i < count; ++i, in += 2, out += 3) {
        const std::uint16_t word = LoadWord(in);
        const Bgr bgr = is565 ? Unpack565(word) : Unpack555(word);
        out[0] = bgr.blue;
        out[1] = bgr.green;
        out[2] = bgr.red;
    }
    return result;
}

// 5-5-5, 24 or 32 to 5-6-5, into a new block (masks at 40, pixels at 52).
PackedDib To565NewBlock(const PackedDib& image) {
    PackedDib result = PackedDib::Create(ResultHeader(image, kDepth16));
    if (!result) {
        return {};
    }
    const int source_depth = image.DepthCode();
    const std::size_t step = static_cast<std::size_t>(image.BytesPerPixel());
    const std::size_t count = PixelCount(image);
    const std::uint8_t* in = image.Pixels().data();
    std::uint8_t* out = result.Pixels().data();
    for (std::size_t i = 0; i < count; ++i, in += step, out += 2) {
        const std::uint16_t word =
            source_depth == kDepth15 ? Convert555To565(LoadWord(in)) : Pack565(in[0], in[1], in[2]);
        StoreWord(out, word);
    }
    return result;
}

// The 256-colour reduction: through the JPEG library and its quantizer.
PackedDib ReduceTo256Colours(PackedDib image) {
    MemoryBlock stream = JPGImageCompress(image.Header(), image.Pixels(), 100, 0, nullptr);
    if (!stream) {
        return image;
    }
    image = PackedDib();
    return JPGImageDecompress(stream.bytes(), kDepth8, 0, nullptr);
}

}  // namespace

PackedDib MatchScreenDepth(PackedDib image, int screen_depth, const char** error_text) {
    if (!image || !image.PixelsFit() || !IsPictureDepth(image.DepthCode())) {
        SetError(error_text, kTextUnsupportedFormat);
        return {};
    }
    const int depth = image.DepthCode();
    if (depth == kDepth8 || depth == screen_depth) {
        return image;
    }
    PackedDib result;
    switch (screen_depth) {
        case kDepth8:
            return ReduceTo256Colours(std::move(image));
        case kDepth15:
            To555InPlace(image);
            return image;
        case kDepth16:
            result = To565NewBlock(image);
            break;
        case kDepth24:
            if (depth == kDepth32) {
                To24InPlace(image);
                return image;
            }
            result = To24NewBlock(image);
            break;
        default:
            return image;
    }
    if (!result) {
        SetError(error_text, kTextInsufficientMemory);
    }
    return result;
}

}  // namespace skyweave
