// Test helpers (image_test_support.h).
#include "image_test_support.h"

#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include <jpeglib.h>

#include "image/bitmap_header.h"
#include "image/screen_depth.h"

namespace skyweave::test {

Bytes ReadSourceFile(const std::string& relative_path) {
    std::ifstream in(std::filesystem::path(SKYWEAVE_SOURCE_DIR) / relative_path, std::ios::binary);
    EXPECT_TRUE(in.good()) << relative_path;
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Bytes ReadSample(const std::string& name) {
    return ReadSourceFile("samples/" + name);
}

namespace {

struct ReferenceErrors {
    jpeg_error_mgr base;
    std::jmp_buf jump;
};

void ReferenceErrorExit(j_common_ptr cinfo) {
    std::longjmp(reinterpret_cast<ReferenceErrors*>(cinfo->err)->jump, 1);
}

// The plain libjpeg decode of a well-formed stream; C style so that the
// jump crosses no destructors.
bool DecodeInto(const std::uint8_t* data, std::size_t size, RgbPicture* out,
                jpeg_decompress_struct* cinfo, ReferenceErrors* errors) {
    cinfo->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = ReferenceErrorExit;
    if (setjmp(errors->jump) != 0) {
        return false;
    }
    jpeg_create_decompress(cinfo);
    jpeg_mem_src(cinfo, data, size);
    jpeg_read_header(cinfo, TRUE);
    cinfo->out_color_space = JCS_RGB;
    jpeg_start_decompress(cinfo);
    out->width = static_cast<int>(cinfo->output_width);
    out->height = static_cast<int>(cinfo->output_height);
    out->rgb.resize(static_cast<std::size_t>(out->width) * out->height * 3);
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row =
            out->rgb.data() + static_cast<std::size_t>(cinfo->output_scanline) * out->width * 3;
        jpeg_read_scanlines(cinfo, &row, 1);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

void PutU16(Bytes& b, std::size_t at, std::uint16_t v) {
    StoreU16(std::span(b).subspan(at), v);
}

void PutU32(Bytes& b, std::size_t at, std::uint32_t v) {
    StoreU32(std::span(b).subspan(at), v);
}

}  // namespace

RgbPicture ReferenceDecode(std::span<const std::uint8_t> jpeg) {
    RgbPicture picture;
    jpeg_decompress_struct cinfo{};
    ReferenceErrors errors{};
    const bool ok = DecodeInto(jpeg.data(), jpeg.size(), &picture, &cinfo, &errors);
    jpeg_destroy_decompress(&cinfo);
    EXPECT_TRUE(ok) << "reference decode failed";
    return picture;
}

Bytes BuildDib(const DibSpec& layout, std::span<const std::uint8_t> colors,
               const std::vector<Bytes>& rows, std::size_t row_pad) {
    Bytes out(layout.header_size, 0);
    PutU32(out, 0, layout.header_size);
    PutU32(out, 4, static_cast<std::uint32_t>(layout.width));
    PutU32(out, 8, static_cast<std::uint32_t>(layout.height));
    PutU16(out, 12, 1);
    PutU16(out, 14, layout.bit_count);
    PutU32(out, 16, layout.compression);
    PutU32(out, 24, 2835);
    PutU32(out, 28, 2835);
    PutU32(out, 32, layout.clr_used);
    out.insert(out.end(), colors.begin(), colors.end());
    for (const Bytes& row : rows) {
        out.insert(out.end(), row.begin(), row.end());
        out.insert(out.end(), row_pad, 0);
    }
    return out;
}

Bytes BuildBmp(const DibSpec& layout, std::span<const std::uint8_t> colors,
               const std::vector<Bytes>& rows, std::size_t gap) {
    const std::size_t row_bytes = rows.empty() ? 0 : rows.front().size();
    const std::size_t pad = (4 - row_bytes % 4) % 4;
    Bytes dib = BuildDib(layout, colors, {}, 0);
    dib.insert(dib.end(), gap, 0xEE);
    for (const Bytes& row : rows) {
        dib.insert(dib.end(), row.begin(), row.end());
        dib.insert(dib.end(), pad, 0);
    }
    Bytes file(14, 0);
    file[0] = 'B';
    file[1] = 'M';
    PutU32(file, 2, static_cast<std::uint32_t>(14 + dib.size()));
    PutU32(file, 10, static_cast<std::uint32_t>(14 + layout.header_size + colors.size() + gap));
    file.insert(file.end(), dib.begin(), dib.end());
    return file;
}

void UseScreenDepth(int depth) {
    InstallScreenDepthQuery(nullptr);
    setenv("SKYWEAVE_SCREEN_DEPTH", std::to_string(depth).c_str(), 1);
}

}  // namespace skyweave::test
