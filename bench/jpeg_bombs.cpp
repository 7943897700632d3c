// Writes the crafted JPEG streams the load benchmark times, with libjpeg's
// own encoder.
//   skyweave_jpeg_bombs OUT_DIR
// writes
//   OUT_DIR/arithmetic-32768.jpg  32768 x 32768 flat grey, arithmetic-coded:
//       about 125 bytes claiming a gigapixel, every block valid;
//   OUT_DIR/scans-8192.jpg  8192 x 8192 flat grey in 694 arithmetic-coded
//       progressive scans (the DC scan, then each AC coefficient first
//       without its 10 lowest bits and then refined a bit per scan): about
//       13 KB, every block valid, every scan a walk over the whole picture.
// Making the second takes libjpeg most of a minute.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <jpeglib.h>

namespace {

struct Recipe {
    int side = 0;
    bool arithmetic = false;
    int refine_bits = 0;  // 0: one baseline scan; else 1 + 63 * (refine_bits + 1) scans
};

// libjpeg's own error handling ends the program with its message, which is
// all a benchmark helper needs.
void Write(const std::string& path, const Recipe& recipe) {
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr errors{};
    cinfo.err = jpeg_std_error(&errors);
    jpeg_create_compress(&cinfo);
    unsigned char* stream = nullptr;
    unsigned long length = 0;
    jpeg_mem_dest(&cinfo, &stream, &length);
    cinfo.image_width = static_cast<JDIMENSION>(recipe.side);
    cinfo.image_height = static_cast<JDIMENSION>(recipe.side);
    cinfo.input_components = 1;
    cinfo.in_color_space = JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    cinfo.arith_code = recipe.arithmetic ? TRUE : FALSE;
    std::vector<jpeg_scan_info> scans;
    if (recipe.refine_bits > 0) {
        scans.push_back({1, {0}, 0, 0, 0, 0});
        for (int k = 1; k < 64; ++k) {
            scans.push_back({1, {0}, k, k, 0, recipe.refine_bits});
            for (int bit = recipe.refine_bits; bit > 0; --bit) {
                scans.push_back({1, {0}, k, k, bit, bit - 1});
            }
        }
        cinfo.scan_info = scans.data();
        cinfo.num_scans = static_cast<int>(scans.size());
    }
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(recipe.side), 128);
    JSAMPROW rows[1] = {row.data()};
    while (cinfo.next_scanline < cinfo.image_height) {
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr || std::fwrite(stream, 1, length, out) != length || std::fclose(out) != 0) {
        std::perror(path.c_str());
        std::exit(1);
    }
    std::free(stream);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: skyweave_jpeg_bombs OUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    Write(dir + "/arithmetic-32768.jpg", {.side = 32768, .arithmetic = true});
    Write(dir + "/scans-8192.jpg", {.side = 8192, .arithmetic = true, .refine_bits = 10});
    return 0;
}
