// The kind test on a file's first four bytes.
#include "panfile/kind_tag.h"

namespace skyweave {

std::string_view KindTagText(KindTag tag) {
    switch (tag) {
        case KindTag::kBitmap:
            return "  BM";
        case KindTag::kJfif:
            return "JFIF";
        case KindTag::kRiff:
            return "RIFF";
        case KindTag::kContainer:
            return "CVVL";
    }
    return "";
}

std::optional<KindTag> KindOf(std::span<const std::uint8_t> head) {
    if (head.size() < 4) {
        return std::nullopt;
    }
    if (head[0] == 'B' && head[1] == 'M') {
        return KindTag::kBitmap;
    }
    if (head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF && head[3] == 0xE0) {
        return KindTag::kJfif;
    }
    if (head[0] == 'R' && head[1] == 'I' && head[2] == 'F' && head[3] == 'F') {
        return KindTag::kRiff;
    }
    if (head[0] == 'C' && head[1] == 'V' && head[2] == 'V' && head[3] == 'L') {
        return KindTag::kContainer;
    }
    return std::nullopt;
}

}  // namespace skyweave
