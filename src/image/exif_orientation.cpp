// ExifOrientation (exif_orientation.h) on libexif.
#include "image/exif_orientation.h"

#include <libexif/exif-data.h>

#include <algorithm>
#include <memory>
#include <vector>

namespace skyweave {
namespace {

constexpr std::uint8_t kExifHeader[] = {'E', 'x', 'i', 'f', 0, 0};

struct ExifDataDeleter {
    void operator()(ExifData* data) const { exif_data_unref(data); }
};

bool StartsWithHeader(std::span<const std::uint8_t> block) {
    return block.size() >= sizeof kExifHeader &&
           std::equal(std::begin(kExifHeader), std::end(kExifHeader), block.begin());
}

}  // namespace

int ExifOrientation(std::span<const std::uint8_t> exif) {
    if (exif.empty()) {
        return 1;
    }
    // A block of megabytes (a PNG or WebP chunk may be) is neither copied
    // nor walked whole.
    exif = exif.first(std::min(exif.size(), kMaxExifBlockBytes));
    // libexif finds a block by its "Exif\0\0" header; a bare TIFF block (as
    // PNG and WebP store it) gets one in front.
    std::vector<std::uint8_t> framed;
    if (!StartsWithHeader(exif)) {
        framed.assign(std::begin(kExifHeader), std::end(kExifHeader));
        framed.insert(framed.end(), exif.begin(), exif.end());
        exif = framed;
    }
    const std::unique_ptr<ExifData, ExifDataDeleter> data(exif_data_new());
    if (data == nullptr) {
        return 1;
    }
    // Read the block as it is: no tags made up, none dropped.
    exif_data_unset_option(data.get(), EXIF_DATA_OPTION_FOLLOW_SPECIFICATION);
    exif_data_load_data(data.get(), exif.data(), static_cast<unsigned int>(exif.size()));
    ExifEntry* entry = exif_content_get_entry(data->ifd[EXIF_IFD_0], EXIF_TAG_ORIENTATION);
    if (entry == nullptr || entry->format != EXIF_FORMAT_SHORT || entry->components < 1 ||
        entry->size < 2 || entry->data == nullptr) {
        return 1;
    }
    const ExifShort value = exif_get_short(entry->data, exif_data_get_byte_order(data.get()));
    return value >= 1 && value <= 8 ? value : 1;
}

}  // namespace skyweave
