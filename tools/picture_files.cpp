// 24-bit expansion and the PNG and BMP writers of skyweave-render.
#include "picture_files.h"

#include <png.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

#include "image/decode_image.h"
#include "image/image_format.h"
#include "image/jpeg_codec.h"
#include "image/pixel_rules.h"

namespace skyweave {

RgbPicture ExpandTo24Bits(const MemoryDrawTarget& target) {
    RgbPicture picture;
    picture.width = target.Width();
    picture.height = target.Height();
    const std::size_t count = static_cast<std::size_t>(picture.width) * picture.height;
    picture.rgb.assign(count * 3, 0);
    const std::vector<std::uint8_t>& pixels = target.Pixels();
    const std::vector<std::uint8_t>& table = target.ColorTable();
    for (std::size_t i = 0; i < count; ++i) {
        std::uint8_t* out = &picture.rgb[3 * i];
        switch (target.Depth()) {
            case 8: {
                const std::size_t entry = 4 * std::size_t{pixels[i]};
                if (entry + 2 < table.size()) {
                    out[0] = table[entry + 2];
                    out[1] = table[entry + 1];
                    out[2] = table[entry];
                }
                break;
            }
            case 15:
            case 16: {
                const auto word =
                    static_cast<std::uint16_t>(pixels[2 * i] | (pixels[2 * i + 1] << 8));
                const Bgr bgr = target.Depth() == 16 ? Unpack565(word) : Unpack555(word);
                out[0] = bgr.red;
                out[1] = bgr.green;
                out[2] = bgr.blue;
                break;
            }
            case 24:
                out[0] = pixels[3 * i + 2];
                out[1] = pixels[3 * i + 1];
                out[2] = pixels[3 * i];
                break;
            default:
                break;
        }
    }
    return picture;
}

namespace {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

}  // namespace

std::string WritePng(const RgbPicture& picture, const std::string& path) {
    FileHandle file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return std::strerror(errno);
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    if (png == nullptr) {
        return "libpng could not start";
    }
    png_infop info = png_create_info_struct(png);
    if (info == nullptr) {
        png_destroy_write_struct(&png, nullptr);
        return "libpng could not start";
    }
    // libpng reports errors by longjmp; nothing with a destructor may live
    // between here and the writes below.
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return "libpng failed to write the picture";
    }
    png_init_io(png, file.get());
    png_set_IHDR(png, info, static_cast<png_uint_32>(picture.width),
                 static_cast<png_uint_32>(picture.height), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t stride = static_cast<std::size_t>(picture.width) * 3;
    for (std::int32_t row = 0; row < picture.height; ++row) {
        png_write_row(png, picture.rgb.data() + static_cast<std::size_t>(row) * stride);
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fflush(file.get()) != 0) {
        return std::strerror(errno);
    }
    return {};
}

namespace {

// A 24-bit BMP file of `width` x `height` pixels with its headers written
// and every padded row zero; rows go from byte 54, bottom row first, each
// BmpStride(width) bytes.
std::size_t BmpStride(std::int32_t width) {
    return (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
}

std::vector<std::uint8_t> BlankBmp(std::int32_t width, std::int32_t height) {
    const std::size_t pixel_bytes = BmpStride(width) * static_cast<std::size_t>(height);
    std::vector<std::uint8_t> bytes(54 + pixel_bytes, 0);
    auto put32 = [&](std::size_t at, std::uint32_t value) {
        for (int k = 0; k < 4; ++k) {
            bytes[at + k] = static_cast<std::uint8_t>(value >> (8 * k));
        }
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, static_cast<std::uint32_t>(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, static_cast<std::uint32_t>(width));
    put32(22, static_cast<std::uint32_t>(height));
    bytes[26] = 1;   // planes
    bytes[28] = 24;  // bits per pixel
    put32(34, static_cast<std::uint32_t>(pixel_bytes));
    return bytes;
}

}  // namespace

std::string WriteBmp(const RgbPicture& picture, const std::string& path) {
    const std::size_t stride = BmpStride(picture.width);
    std::vector<std::uint8_t> bytes = BlankBmp(picture.width, picture.height);
    for (std::int32_t row = 0; row < picture.height; ++row) {
        // BMP rows run bottom-up; the picture's run top first.
        const std::uint8_t* from =
            picture.rgb.data() +
            static_cast<std::size_t>(picture.height - 1 - row) * picture.width * 3;
        std::uint8_t* to = bytes.data() + 54 + static_cast<std::size_t>(row) * stride;
        for (std::int32_t x = 0; x < picture.width; ++x) {
            to[3 * x] = from[3 * x + 2];
            to[3 * x + 1] = from[3 * x + 1];
            to[3 * x + 2] = from[3 * x];
        }
    }
    FileHandle file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        return std::strerror(errno);
    }
    if (std::fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
        std::fflush(file.get()) != 0) {
        return std::strerror(errno);
    }
    return {};
}

std::string MakeStorable(std::vector<std::uint8_t>& stream, bool lossless) {
    const ImageFormat format = ImageFormatOf(stream);
    if (format != ImageFormat::kPng && format != ImageFormat::kWebp &&
        format != ImageFormat::kHeif) {
        return {};
    }
    const char* error = nullptr;
    const PackedDib picture = DecodePicture(stream, &error);
    if (!picture) {
        return error != nullptr ? error : "the picture cannot be decoded";
    }
    if (lossless) {
        std::vector<std::uint8_t> bmp = BlankBmp(picture.Width(), picture.Height());
        const std::size_t stride = BmpStride(picture.Width());
        const std::span<const std::uint8_t> pixels = picture.Pixels();
        for (std::int32_t row = 0; row < picture.Height(); ++row) {
            std::memcpy(bmp.data() + 54 + static_cast<std::size_t>(row) * stride,
                        pixels.data() + static_cast<std::size_t>(row) * picture.RowBytes(),
                        picture.RowBytes());
        }
        stream = std::move(bmp);
        return {};
    }
    const MemoryBlock jpeg = JPGImageCompress(picture.Header(), picture.Pixels(), 95, 0, &error);
    if (!jpeg) {
        return error != nullptr ? error : "the picture cannot be stored as JPEG";
    }
    stream.assign(jpeg.bytes().begin(), jpeg.bytes().end());
    return {};
}

}  // namespace skyweave
