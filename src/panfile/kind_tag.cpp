// The kind test on a file's first bytes.
#include "panfile/kind_tag.h"

#include <algorithm>

#include "image/image_format.h"

namespace skyweave {

std::string_view KindTagText(KindTag tag) {
    switch (tag) {
        case KindTag::kBitmap:
            return "  BM";
        case KindTag::kJfif:
            return "JFIF";
        case KindTag::kPng:
            return "PNG ";
        case KindTag::kWebp:
            return "WEBP";
        case KindTag::kRiff:
            return "RIFF";
        case KindTag::kContainer:
            return "CVVL";
        case KindTag::kHeif:
            return "HEIF";
    }
    return "";
}

std::optional<KindTag> KindOf(std::span<const std::uint8_t> head) {
    if (head.size() < 4) {
        return std::nullopt;
    }
    head = head.first(std::min(head.size(), kKindTestBytes));
    const ImageFormat format = ImageFormatOf(head);
    switch (format) {
        case ImageFormat::kBmpFile:
            return KindTag::kBitmap;
        case ImageFormat::kJpeg:
            return KindTag::kJfif;
        case ImageFormat::kPng:
            return KindTag::kPng;
        case ImageFormat::kWebp:
            return KindTag::kWebp;
        case ImageFormat::kHeif:
        case ImageFormat::kDib:
        case ImageFormat::kUnknown:
            break;
    }
    if (StartsRiff(head)) {
        return KindTag::kRiff;
    }
    if (head[0] == 'C' && head[1] == 'V' && head[2] == 'V' && head[3] == 'L') {
        return KindTag::kContainer;
    }
    if (format == ImageFormat::kHeif) {
        return KindTag::kHeif;
    }
    return std::nullopt;
}

}  // namespace skyweave
