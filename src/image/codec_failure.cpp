// The codec-failure buffer (codec_failure.h).
#include "image/codec_failure.h"

#include <cstring>

namespace skyweave {
namespace {

char g_codec_failure[256];

}  // namespace

const char* CodecFailureText(std::uint32_t fourcc) {
    static const std::size_t prefix_length = [] {
        std::strcpy(g_codec_failure, kCodecFailurePrefix);
        return std::strlen(kCodecFailurePrefix);
    }();
    char* tail = g_codec_failure + prefix_length;
    for (int i = 0; i < 4; ++i) {
        tail[i] = static_cast<char>((fourcc >> (8 * i)) & 0xFF);
    }
    tail[4] = '\0';
    return g_codec_failure;
}

}  // namespace skyweave
