// Hostile files, made here, each against the programs that read pictures:
// every one ends with its message or with a picture, never with the memory
// or the minutes it asks for. How long each takes and how much memory it
// costs is measured by scripts/bench-hostile.sh.
#include <fcntl.h>
#include <png.h>
#include <unistd.h>

#include <cstdint>
#include <string>
#include <vector>

#include "image/crafted_heif.h"
#include "tool_runner.h"

namespace skyweave::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Bits written least significant first, as a lossless WebP stream reads them.
class BitWriter {
  public:
    void Put(std::uint32_t value, int bits) {
        for (int i = 0; i < bits; ++i) {
            if (used_ % 8 == 0) {
                bytes_.push_back(0);
            }
            bytes_.back() |= static_cast<std::uint8_t>(((value >> i) & 1u) << (used_ % 8));
            ++used_;
        }
    }
    const Bytes& bytes() const { return bytes_; }

  private:
    Bytes bytes_;
    int used_ = 0;
};

void PutLe32(Bytes& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
    }
}

// A lossless WebP of width x height in which every prefix code has one
// symbol: every pixel is black and costs no bits, so the stream stays a
// few bytes whatever size it states.
Bytes OneSymbolWebp(std::uint32_t width, std::uint32_t height) {
    BitWriter bits;
    bits.Put(0x2f, 8);  // signature
    bits.Put(width - 1, 14);
    bits.Put(height - 1, 14);
    bits.Put(0, 1);  // no alpha
    bits.Put(0, 3);  // version
    bits.Put(0, 1);  // no transform
    bits.Put(0, 1);  // no colour cache
    bits.Put(0, 1);  // no meta prefix codes
    for (int code = 0; code < 5; ++code) {
        bits.Put(1, 1);  // simple code
        bits.Put(0, 1);  // one symbol
        bits.Put(0, 1);  // of one bit
        bits.Put(0, 1);  // symbol 0
    }
    Bytes payload = bits.bytes();
    if (payload.size() % 2 != 0) {
        payload.push_back(0);
    }
    Bytes out = {'R', 'I', 'F', 'F'};
    PutLe32(out, static_cast<std::uint32_t>(12 + payload.size()));
    out.insert(out.end(), {'W', 'E', 'B', 'P', 'V', 'P', '8', 'L'});
    PutLe32(out, static_cast<std::uint32_t>(bits.bytes().size()));
    out.insert(out.end(), payload.begin(), payload.end());
    return out;
}

// The XMP packet of a Photo Sphere with `attributes` further attributes on
// its description: libxml2 reads those in time growing with their count
// squared.
std::string FloodedXmp(int attributes) {
    std::string xmp =
        "<x:xmpmeta xmlns:x='adobe:ns:meta/'><rdf:RDF "
        "xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'><rdf:Description "
        "xmlns:GPano='http://ns.google.com/photos/1.0/panorama/' "
        "GPano:FullPanoWidthPixels='512' GPano:CroppedAreaImageWidthPixels='64'";
    for (int i = 0; i < attributes; ++i) {
        xmp += " a" + std::to_string(i) + "=''";
    }
    return xmp + "/></rdf:RDF></x:xmpmeta>";
}

// A grey 64 x 32 PNG carrying `xmp` in a compressed iTXt chunk, by libpng.
Bytes PngWithXmp(const std::string& xmp) {
    Bytes out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t length) {
            auto* sink = static_cast<Bytes*>(png_get_io_ptr(p));
            sink->insert(sink->end(), data, data + length);
        },
        nullptr);
    png_set_IHDR(png, info, 64, 32, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_text text{};
    text.compression = PNG_ITXT_COMPRESSION_zTXt;
    text.key = const_cast<char*>("XML:com.adobe.xmp");
    text.text = const_cast<char*>(xmp.c_str());
    text.itxt_length = xmp.size();
    png_set_text(png, info, &text, 1);
    png_write_info(png, info);
    std::vector<png_byte> row(64 * 3, 0x80);
    for (int y = 0; y < 32; ++y) {
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

class HostileFilesTest : public ToolTest {
  protected:
    // A sparse file of `size` bytes starting with `head`; empty when the
    // file system keeps no sparse files.
    std::string Sparse(const std::string& name, const Bytes& head, off_t size) {
        const std::string path = Write(name, head);
        const int fd = ::open(path.c_str(), O_WRONLY);
        const bool grown = fd >= 0 && ::ftruncate(fd, size) == 0;
        if (fd >= 0) {
            ::close(fd);
        }
        return grown ? path : std::string();
    }
};

constexpr const char* kNoMemory = "Resource Error: Insufficient System Memory\n";
constexpr const char* kTooLarge =
    "File Format Error: Cannot Format Specified Image.  Insufficient system memory\n";

const CraftedHeif::Item kTile = {1, "hvc1", 512, 512, {}};
const CraftedHeif::Item kGrid = {2, "grid", 16384, 10752, std::vector<std::uint16_t>(672, 1)};

TEST_F(HostileFilesTest, EachEndsWithItsMessageOrAPicture) {
    struct Case {
        const char* what;
        std::string path;
        int exit_code;
        std::string message;  // all of stderr
    };
    const std::string sparse_jpeg =
        Sparse("huge.jpg", {0xFF, 0xD8, 0xFF, 0xE0}, (off_t{1} << 30) + (off_t{1} << 29));
    if (sparse_jpeg.empty()) {
        GTEST_SKIP() << "the file system has no sparse files";
    }
    const std::vector<Case> cases = {
        {"a 1.5 GiB file starting like a JPEG", sparse_jpeg, 1, kNoMemory},
        {"XMP of 72000 attributes in a compressed PNG chunk",
         Write("flood.png", PngWithXmp(FloodedXmp(72000))), 0, ""},
        {"a lossless WebP of 28 bytes stating 16384 x 16384",
         Write("square.webp", OneSymbolWebp(16384, 16384)), 1, kTooLarge},
        {"the same stating 16384 x 8192", Write("wide.webp", OneSymbolWebp(16384, 8192)), 1,
         kTooLarge},
        {"a HEIF grid of 16384 x 10752 made of one tile referenced 672 times",
         Write("grid.heic", CraftedHeif::Build({kTile, kGrid}, 2)), 1, kTooLarge},
        {"a HEIF overlay using that grid three times",
         Write("overlay.heic",
               CraftedHeif::Build({kTile, kGrid, {3, "iovl", 16384, 10752, {2, 2, 2}}}, 3)),
         1, kTooLarge},
        {"the same stating 512 x 256, a picture", Write("small.webp", OneSymbolWebp(512, 256)), 0,
         ""},
    };
    for (const Case& c : cases) {
        const ToolResult result = Render({c.path, "-o", Path("out.png"), "--size", "64x48"});
        EXPECT_EQ(result.exit_code, c.exit_code) << c.what;
        EXPECT_EQ(result.err, c.message) << c.what;
        EXPECT_EQ(std::filesystem::exists(Path("out.png")), c.exit_code == 0) << c.what;
        std::filesystem::remove(Path("out.png"));
    }
    // Packing decodes the picture as well.
    const ToolResult packed = Pan({"pack", "-o", Path("out.pan"), "--image", Path("square.webp")});
    EXPECT_EQ(packed.exit_code, 1);
    EXPECT_EQ(packed.err,
              "skyweave-pan: " + Path("square.webp") + ": Insufficient system memory\n");
    EXPECT_FALSE(std::filesystem::exists(Path("out.pan")));
}

}  // namespace
}  // namespace skyweave::testing
