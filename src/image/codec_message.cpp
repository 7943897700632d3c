// KeepCodecMessage (codec_message.h).
#include "image/codec_message.h"

#include <cctype>
#include <cstdio>
#include <cstring>

namespace skyweave {
namespace {

thread_local char t_codec_message[200];

}  // namespace

const char* KeepCodecMessage(const char* text) {
    std::snprintf(t_codec_message, sizeof t_codec_message, "%s", text != nullptr ? text : "");
    // Some libraries end their messages with a line break.
    std::size_t length = std::strlen(t_codec_message);
    while (length > 0 && std::isspace(static_cast<unsigned char>(t_codec_message[length - 1]))) {
        t_codec_message[--length] = '\0';
    }
    return t_codec_message;
}

}  // namespace skyweave
