// libFuzzer target for DecodeImage: any bytes, at the screen depths the saver
// meets. A decode must end in a picture whose pixel run fits its block, or
// in null with a text; anything else (a crash, a read outside the input, a
// leak) is a finding.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

#include "fuzz_limits.h"
#include "image/decode_image.h"
#include "image/screen_depth.h"

namespace {

int g_depth = 24;

int FuzzScreenDepth() {
    return g_depth;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    skyweave::InstallScreenDepthQuery(FuzzScreenDepth);
    const std::span<const std::uint8_t> bytes(data, size);
    // The last byte picks the depths, so the fuzzer can steer toward the
    // 8-bit reduction (the slowest path) without running it every time; its
    // second bit asks for a small picture, so that every codec's reduction
    // (DCT scaling, libwebp's scaling, the area filter) is reached by small
    // inputs too.
    const bool with8 = size > 0 && (data[size - 1] & 1) != 0;
    skyweave::DecodeLimits limits = FuzzDecodeLimits();
    if (size > 0 && (data[size - 1] & 2) != 0) {
        limits.max_pixels = 2048;
        limits.max_width = 60;
    }
    for (int depth : {24, 16, 15, 8}) {
        if (depth == 8 && !with8) {
            continue;
        }
        g_depth = depth;
        const char* error = nullptr;
        const skyweave::PackedDib dib = skyweave::DecodeImage(bytes, &error, limits);
        if (dib ? !dib.PixelsFit() || dib.Width() % 4 != 0 || dib.Height() <= 0 ||
                      dib.Width() > limits.max_width ||
                      static_cast<std::uint64_t>(dib.Height()) > limits.max_pixels
                : error == nullptr && depth != 8) {
            std::abort();
        }
    }
    return 0;
}
