// DecodeWebp (webp_codec.h) on libwebp and its demuxer.
#include "image/webp_codec.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <algorithm>
#include <memory>

#include "image/error_texts.h"
#include "image/exif_orientation.h"
#include "image/photo_sphere.h"
#include "image/picture_builder.h"
#include "image/picture_fit.h"
#include "platform/core/file_reader.h"

namespace skyweave {
namespace {

// Compressed bytes handed to the decoder between two looks at the cancel
// flag: a few milliseconds of work.
constexpr std::size_t kPieceBytes = 256 * 1024;

const char* StatusText(VP8StatusCode status) {
    switch (status) {
        case VP8_STATUS_OUT_OF_MEMORY:
            return kTextInsufficientMemory;
        case VP8_STATUS_UNSUPPORTED_FEATURE:
            return kTextUnsupportedWebp;
        case VP8_STATUS_SUSPENDED:
        case VP8_STATUS_NOT_ENOUGH_DATA:
            return kTextShortWebp;
        default:
            return kTextCorruptWebp;
    }
}

struct DemuxerDeleter {
    void operator()(WebPDemuxer* demuxer) const { WebPDemuxDelete(demuxer); }
};
struct DecoderDeleter {
    void operator()(WebPIDecoder* decoder) const { WebPIDelete(decoder); }
};

// The bitstream of the first frame (the whole picture unless animated).
// Empty with *failure set when there is none.
std::span<const std::uint8_t> FirstFrame(WebPDemuxer* demuxer, const char** failure) {
    WebPIterator frame;
    if (WebPDemuxGetFrame(demuxer, 1, &frame) == 0) {
        *failure = kTextCorruptWebp;
        return {};
    }
    const std::span<const std::uint8_t> bytes(frame.fragment.bytes, frame.fragment.size);
    WebPDemuxReleaseIterator(&frame);
    return bytes;
}

// The payload of the stream's first chunk named `fourcc`; empty when there
// is none. It lies inside the stream's own bytes.
std::span<const std::uint8_t> Chunk(WebPDemuxer* demuxer, const char* fourcc) {
    WebPChunkIterator chunk;
    if (WebPDemuxGetChunk(demuxer, fourcc, 1, &chunk) == 0) {
        return {};
    }
    const std::span<const std::uint8_t> bytes(chunk.chunk.bytes, chunk.chunk.size);
    WebPDemuxReleaseChunkIterator(&chunk);
    return bytes;
}

}  // namespace

PictureFacts ProbeWebp(std::span<const std::uint8_t> data) {
    PictureFacts facts;
    facts.format = ImageFormat::kWebp;
    const WebPData whole{data.data(), data.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemuxPartial(&whole, &state));
    if (demuxer != nullptr && state != WEBP_DEMUX_PARSE_ERROR) {
        const auto width = static_cast<std::int32_t>(
            std::min<std::uint32_t>(WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_WIDTH), INT32_MAX));
        const auto height = static_cast<std::int32_t>(std::min<std::uint32_t>(
            WebPDemuxGetI(demuxer.get(), WEBP_FF_CANVAS_HEIGHT), INT32_MAX));
        ApplyOrientation(facts, width, height, ExifOrientation(Chunk(demuxer.get(), "EXIF")));
        facts.sphere = ReadPhotoSphere(Chunk(demuxer.get(), "XMP "));
    }
    return facts;
}

PackedDib DecodeWebp(std::span<const std::uint8_t> data, const DecodeLimits& limits,
                     const char** error_text) {
    const char* failure = nullptr;
    PackedDib picture;
    const WebPData whole{data.data(), data.size()};
    WebPDemuxState state = WEBP_DEMUX_PARSE_ERROR;
    const std::unique_ptr<WebPDemuxer, DemuxerDeleter> demuxer(WebPDemuxPartial(&whole, &state));
    std::span<const std::uint8_t> frame;
    WebPDecoderConfig config{};
    if (demuxer == nullptr || state == WEBP_DEMUX_PARSE_ERROR ||
        WebPInitDecoderConfig(&config) == 0) {
        failure = state == WEBP_DEMUX_PARSING_HEADER ? kTextShortWebp : kTextCorruptWebp;
    } else if (!(frame = FirstFrame(demuxer.get(), &failure)).empty()) {
        const VP8StatusCode status = WebPGetFeatures(frame.data(), frame.size(), &config.input);
        if (status != VP8_STATUS_OK) {
            failure = StatusText(status);
        } else if (std::uint64_t(config.input.width) * std::uint64_t(config.input.height) >
                   limits.max_stream_pixels) {
            failure = kTextInsufficientMemory;
        }
    }
    // libwebp scales while it decodes: its buffer holds the picture at the
    // size the limits allow, in the orientation it is stored.
    const int orientation = failure == nullptr ? ExifOrientation(Chunk(demuxer.get(), "EXIF")) : 1;
    const PictureGeometry fit =
        FittedGeometry(config.input.width, config.input.height, orientation, limits);
    const std::int32_t width = fit.reduced_width;
    const std::int32_t height = fit.reduced_height;
    const bool alpha = config.input.has_alpha != 0;
    const std::uint64_t row_bytes = std::uint64_t(width) * (alpha ? 4 : 3);
    // The lossless decoder holds the whole stated picture at 4 bytes a pixel
    // whatever the scale asked for, and a stream of a few bytes can state
    // 16384 x 16384 (one-symbol codes cost no data); the lossy one works
    // through a few rows. Both write into the rows made here.
    const bool lossless = config.input.format == 2;
    const std::uint64_t working =
        (lossless ? std::uint64_t(config.input.width) * std::uint64_t(config.input.height) * 4
                  : 0) +
        row_bytes * std::uint64_t(height);
    std::unique_ptr<std::uint8_t[]> rows;
    if (failure == nullptr) {
        if (working > limits.max_decoder_memory ||
            !(rows = TryAllocateBytes(row_bytes * std::uint64_t(height)))) {
            failure = kTextInsufficientMemory;
        }
    }
    if (failure == nullptr) {
        if (width != config.input.width || height != config.input.height) {
            config.options.use_scaling = 1;
            config.options.scaled_width = width;
            config.options.scaled_height = height;
        }
        config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
        config.output.is_external_memory = 1;
        config.output.u.RGBA.rgba = rows.get();
        config.output.u.RGBA.stride = static_cast<int>(row_bytes);
        config.output.u.RGBA.size = static_cast<std::size_t>(row_bytes * std::uint64_t(height));
        const std::unique_ptr<WebPIDecoder, DecoderDeleter> decoder(
            WebPIDecode(nullptr, 0, &config));
        VP8StatusCode status = decoder ? VP8_STATUS_SUSPENDED : VP8_STATUS_OUT_OF_MEMORY;
        for (std::size_t fed = 0; status == VP8_STATUS_SUSPENDED && fed < frame.size();) {
            if (limits.Cancelled()) {
                failure = kTextDecodeCancelled;
                break;
            }
            fed = std::min(frame.size(), fed + kPieceBytes);
            status = WebPIUpdate(decoder.get(), frame.data(), fed);
        }
        if (failure == nullptr && status != VP8_STATUS_OK) {
            failure = StatusText(status);
        }
        WebPFreeDecBuffer(&config.output);
    }
    if (failure == nullptr) {
        PictureBuilder builder(FullSize(width, height, orientation), &failure);
        if (builder.Ready()) {
            const RowLayout layout = alpha ? RowLayout::kBgra : RowLayout::kBgr;
            for (std::int32_t y = 0; y < height; ++y) {
                builder.AddRow(rows.get() + y * row_bytes, layout);
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
