// Test helpers (image_test_support.h).
#include "image_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
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

// The encoder's half of EncodeJpeg, C style like DecodeInto. `scans` has
// room for the longest script.
bool EncodeInto(const JpegRecipe& recipe, const RowFiller& fill, unsigned char** stream,
                unsigned long* length, jpeg_compress_struct* cinfo, ReferenceErrors* errors,
                jpeg_scan_info* scans, std::uint8_t* row) {
    cinfo->err = jpeg_std_error(&errors->base);
    errors->base.error_exit = ReferenceErrorExit;
    if (setjmp(errors->jump) != 0) {
        return false;
    }
    jpeg_create_compress(cinfo);
    jpeg_mem_dest(cinfo, stream, length);
    cinfo->image_width = static_cast<JDIMENSION>(recipe.width);
    cinfo->image_height = static_cast<JDIMENSION>(recipe.height);
    cinfo->input_components = recipe.components;
    cinfo->in_color_space = recipe.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, recipe.quality, TRUE);
    cinfo->arith_code = recipe.arithmetic ? TRUE : FALSE;
    if (recipe.progressive) {
        jpeg_simple_progression(cinfo);
    }
    if (recipe.refine_bits > 0) {
        int n = 0;
        scans[n++] = {1, {0}, 0, 0, 0, 0};
        for (int k = 1; k < 64; ++k) {
            scans[n++] = {1, {0}, k, k, 0, recipe.refine_bits};
            for (int bit = recipe.refine_bits; bit > 0; --bit) {
                scans[n++] = {1, {0}, k, k, bit, bit - 1};
            }
        }
        cinfo->scan_info = scans;
        cinfo->num_scans = n;
    }
    jpeg_start_compress(cinfo, TRUE);
    const std::size_t row_bytes = static_cast<std::size_t>(recipe.width) * recipe.components;
    while (cinfo->next_scanline < cinfo->image_height) {
        std::fill(row, row + row_bytes, std::uint8_t{128});
        if (fill) {
            fill(static_cast<int>(cinfo->next_scanline), row);
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
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

Bytes EncodeJpeg(const JpegRecipe& recipe, const RowFiller& fill) {
    jpeg_compress_struct cinfo{};
    ReferenceErrors errors{};
    std::vector<jpeg_scan_info> scans(1 + 63 * 16);
    Bytes row(static_cast<std::size_t>(recipe.width) * recipe.components);
    unsigned char* stream = nullptr;
    unsigned long length = 0;
    const bool ok =
        EncodeInto(recipe, fill, &stream, &length, &cinfo, &errors, scans.data(), row.data());
    jpeg_destroy_compress(&cinfo);
    EXPECT_TRUE(ok) << "reference encode failed";
    Bytes out;
    if (ok && stream != nullptr) {
        out.assign(stream, stream + length);
    }
    std::free(stream);
    return out;
}

void ClaimJpegSize(Bytes& jpeg, int width, int height) {
    // Walk the marker segments up to the first frame header (SOF0 to SOF15
    // but DHT, JPG and DAC, which share the range).
    std::size_t at = 2;
    while (at + 9 < jpeg.size() && jpeg[at] == 0xFF) {
        const std::uint8_t marker = jpeg[at + 1];
        if (marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 &&
            marker != 0xCC) {
            jpeg[at + 5] = static_cast<std::uint8_t>(height >> 8);
            jpeg[at + 6] = static_cast<std::uint8_t>(height);
            jpeg[at + 7] = static_cast<std::uint8_t>(width >> 8);
            jpeg[at + 8] = static_cast<std::uint8_t>(width);
            return;
        }
        at += 2 + (std::size_t{jpeg[at + 2]} << 8 | jpeg[at + 3]);
    }
    ADD_FAILURE() << "no frame header";
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
