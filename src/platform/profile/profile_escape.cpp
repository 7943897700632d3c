// The escaped form of strings that are not UTF-8; see profile_escape.h.
#include "platform/profile/profile_escape.h"

#include <glib.h>

namespace skyweave {
namespace {

constexpr char kHex[] = "0123456789ABCDEF";

int HexValue(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

void AppendHex(std::string& out, unsigned char byte) {
    out += "\\x";
    out += kHex[byte >> 4];
    out += kHex[byte & 0x0F];
}

}  // namespace

std::string EscapeProfileBytes(std::string_view bytes) {
    std::string out;
    std::size_t at = 0;
    while (at < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[at]);
        switch (byte) {
            case ' ':
                out += at == 0 ? "\\s" : " ";
                ++at;
                continue;
            case '\n':
                out += "\\n";
                ++at;
                continue;
            case '\t':
                out += "\\t";
                ++at;
                continue;
            case '\r':
                out += "\\r";
                ++at;
                continue;
            case '\\':
                out += "\\\\";
                ++at;
                continue;
            default:
                break;
        }
        if (byte < 0x20 || byte == 0x7F) {
            AppendHex(out, byte);
            ++at;
            continue;
        }
        // One whole UTF-8 character is copied; a byte that starts none is
        // escaped on its own.
        const char* start = bytes.data() + at;
        const gunichar c = g_utf8_get_char_validated(start, static_cast<gssize>(bytes.size() - at));
        if (c == static_cast<gunichar>(-1) || c == static_cast<gunichar>(-2)) {
            AppendHex(out, byte);
            ++at;
            continue;
        }
        const std::size_t length = static_cast<std::size_t>(g_utf8_next_char(start) - start);
        out.append(start, length);
        at += length;
    }
    return out;
}

std::optional<std::string> UnescapeProfileBytes(std::string_view raw) {
    std::string out;
    for (std::size_t at = 0; at < raw.size(); ++at) {
        if (raw[at] != '\\') {
            out += raw[at];
            continue;
        }
        if (++at == raw.size()) {
            return std::nullopt;
        }
        switch (raw[at]) {
            case 's':
                out += ' ';
                break;
            case 'n':
                out += '\n';
                break;
            case 't':
                out += '\t';
                break;
            case 'r':
                out += '\r';
                break;
            case '\\':
                out += '\\';
                break;
            case 'x': {
                if (raw.size() - at < 3) {
                    return std::nullopt;
                }
                const int high = HexValue(raw[at + 1]);
                const int low = HexValue(raw[at + 2]);
                if (high < 0 || low < 0 || (high | low) == 0) {
                    return std::nullopt;
                }
                out += static_cast<char>(high * 16 + low);
                at += 2;
                break;
            }
            default:
                return std::nullopt;
        }
    }
    return out;
}

}  // namespace skyweave
