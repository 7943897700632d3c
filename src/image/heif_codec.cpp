// DecodeHeif (heif_codec.h) on libheif.
#include "image/heif_codec.h"

#include <libheif/heif.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "image/codec_message.h"
#include "image/error_texts.h"
#include "image/heif_item_area.h"
#include "image/photo_sphere.h"
#include "image/picture_builder.h"
#include "image/picture_fit.h"

namespace skyweave {
namespace {

// Widest and tallest picture libheif is allowed to open: far beyond any
// camera, and it keeps a crafted grid from asking for a huge canvas.
constexpr int kMaxHeifSide = 32768;

// The most pixels the pictures behind a derived one (the tiles of a grid,
// the layers of an overlay) may add up to, each counted per reference: a
// 16384 x 8192 panorama's tiles and canvas, with room for tiles that
// overhang its edges.
constexpr std::uint64_t kMaxHeifReferencedPixels = (kDefaultMaxPicturePixels * 5) / 2;

struct ContextDeleter {
    void operator()(heif_context* context) const { heif_context_free(context); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* handle) const { heif_image_handle_release(handle); }
};
struct ImageDeleter {
    void operator()(heif_image* image) const { heif_image_release(image); }
};
struct OptionsDeleter {
    void operator()(heif_decoding_options* options) const { heif_decoding_options_free(options); }
};

// The message of a libheif failure, or null when there was none.
const char* Failure(const heif_error& error) {
    return error.code == heif_error_Ok ? nullptr : KeepCodecMessage(error.message);
}

// A HEIF file read from memory (without a copy: the bytes must outlive it)
// and its primary picture; `failure` says why when either is missing.
struct HeifFile {
    std::unique_ptr<heif_context, ContextDeleter> context;
    std::unique_ptr<heif_image_handle, HandleDeleter> handle;
    const char* failure = nullptr;
};

HeifFile OpenPrimary(std::span<const std::uint8_t> data) {
    HeifFile file;
    file.context.reset(heif_context_alloc());
    if (file.context == nullptr) {
        file.failure = kTextInsufficientMemory;
        return file;
    }
    heif_context_set_maximum_image_size_limit(file.context.get(), kMaxHeifSide);
    file.failure = Failure(heif_context_read_from_memory_without_copy(
        file.context.get(), data.data(), data.size(), nullptr));
    heif_image_handle* handle = nullptr;
    if (file.failure == nullptr) {
        file.failure = Failure(heif_context_get_primary_image_handle(file.context.get(), &handle));
    }
    file.handle.reset(handle);
    return file;
}

// The first XMP packet among the picture's metadata blocks; empty when
// there is none or it is larger than a packet may be.
std::vector<std::uint8_t> XmpPacket(heif_image_handle* handle) {
    const int count = heif_image_handle_get_number_of_metadata_blocks(handle, "mime");
    std::vector<heif_item_id> ids(static_cast<std::size_t>(std::max(count, 0)));
    const int listed =
        heif_image_handle_get_list_of_metadata_block_IDs(handle, "mime", ids.data(), count);
    for (int i = 0; i < listed; ++i) {
        const char* type = heif_image_handle_get_metadata_content_type(handle, ids[i]);
        const std::size_t size = heif_image_handle_get_metadata_size(handle, ids[i]);
        if (type == nullptr || std::strcmp(type, "application/rdf+xml") != 0 ||
            size > kMaxXmpPacketBytes) {
            continue;
        }
        std::vector<std::uint8_t> packet(size);
        if (heif_image_handle_get_metadata(handle, ids[i], packet.data()).code == heif_error_Ok) {
            return packet;
        }
    }
    return {};
}

}  // namespace

PictureFacts ProbeHeif(std::span<const std::uint8_t> data) {
    PictureFacts facts;
    facts.format = ImageFormat::kHeif;
    const HeifFile file = OpenPrimary(data);
    if (file.failure == nullptr) {
        // libheif's sizes are those after the file's own turn and crop.
        ApplyOrientation(facts, heif_image_handle_get_width(file.handle.get()),
                         heif_image_handle_get_height(file.handle.get()), 1);
        facts.sphere = ReadPhotoSphere(XmpPacket(file.handle.get()));
    }
    return facts;
}

PackedDib DecodeHeif(std::span<const std::uint8_t> data, const DecodeLimits& limits,
                     const char** error_text) {
    PackedDib picture;
    // Read from the boxes before libheif opens anything: it would build the
    // derived picture whole, in one call no flag can stop. An honest grid
    // costs its canvas plus tiles padded to whole tiles, which may come near
    // twice the canvas for a small picture, so three stated pictures' worth
    // is allowed before the area counts as amplification.
    if (const std::optional<HeifItemArea> area = ReadHeifItemArea(data);
        area && area->derived &&
        area->pixels > std::min(kMaxHeifReferencedPixels, 3 * limits.max_stream_pixels)) {
        if (error_text != nullptr) {
            *error_text = kTextInsufficientMemory;
        }
        return picture;
    }
    const HeifFile file = OpenPrimary(data);
    const char* failure = file.failure;
    heif_image_handle* const handle = file.handle.get();
    std::int32_t width = 0;
    std::int32_t height = 0;
    bool alpha = false;
    if (failure == nullptr) {
        width = heif_image_handle_get_width(handle);
        height = heif_image_handle_get_height(handle);
        alpha = heif_image_handle_has_alpha_channel(handle) != 0;
        // libheif holds the picture twice: its own planes (up to 3 bytes a
        // pixel at 8 bits) and the RGB copy it converts them into.
        const std::uint64_t decoded =
            std::uint64_t(width) * std::uint64_t(height) * (alpha ? 4 + 4 : 3 + 3);
        if (width < 1 || height < 1) {
            failure = kTextUnsupportedFormat;
        } else if (decoded > 2 * std::uint64_t{limits.max_decoder_memory} ||
                   std::uint64_t(width) * std::uint64_t(height) > limits.max_stream_pixels) {
            failure = kTextInsufficientMemory;
        } else if (limits.Cancelled()) {
            failure = kTextDecodeCancelled;
        }
    }
    heif_image* raw_image = nullptr;
    if (failure == nullptr) {
        const std::unique_ptr<heif_decoding_options, OptionsDeleter> options(
            heif_decoding_options_alloc());
        if (options == nullptr) {
            failure = kTextInsufficientMemory;
        } else {
            options->convert_hdr_to_8bit = 1;
            failure = Failure(heif_decode_image(
                handle, &raw_image, heif_colorspace_RGB,
                alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
        }
    }
    const std::unique_ptr<heif_image, ImageDeleter> image(raw_image);
    if (failure == nullptr) {
        int stride = 0;
        const std::uint8_t* plane =
            heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
        const int plane_width = heif_image_get_width(image.get(), heif_channel_interleaved);
        const int plane_height = heif_image_get_height(image.get(), heif_channel_interleaved);
        const int bytes_per_pixel = alpha ? 4 : 3;
        if (plane == nullptr || plane_width < 1 || plane_height < 1 ||
            stride < plane_width * bytes_per_pixel ||
            heif_image_get_bits_per_pixel(image.get(), heif_channel_interleaved) !=
                8 * bytes_per_pixel) {
            failure = kTextUnsupportedFormat;
        } else {
            PictureBuilder builder(FittedGeometry(plane_width, plane_height, 1, limits), &failure);
            const RowLayout layout = alpha ? RowLayout::kRgba : RowLayout::kRgb;
            for (int y = 0; builder.Ready() && y < plane_height; ++y) {
                if (limits.Cancelled()) {
                    failure = kTextDecodeCancelled;
                    break;
                }
                builder.AddRow(
                    plane + static_cast<std::size_t>(y) * static_cast<std::size_t>(stride), layout);
            }
            picture = builder.Finish();
        }
    }
    if (!picture && error_text != nullptr) {
        *error_text = failure != nullptr ? failure : kTextUnsupportedFormat;
    }
    return picture;
}

}  // namespace skyweave
