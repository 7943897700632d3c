// DecodePng (png_codec.h) on libpng.
//
// libpng reports errors by longjmp. Each step that may see one calls setjmp
// itself, holds no local object with a destructor and calls only libpng and
// plain code while a jump may come (the builder is reached through the job
// between libpng calls); the C++ caller owns everything and cleans up.
#include <png.h>

#include <cstring>
#include <memory>

#include "image/codec_message.h"
#include "image/error_texts.h"
#include "image/exif_orientation.h"
#include "image/photo_sphere.h"
#include "image/picture_builder.h"
#include "image/picture_fit.h"
#include "image/png_codec.h"
#include "platform/core/file_reader.h"

namespace skyweave {
namespace {

// Ancillary chunks (text, the XMP packet, Exif) are read into memory whole;
// none of a real file comes near this.
constexpr png_alloc_size_t kMaxChunkBytes = 8 << 20;

// The failure of a stream shorter than its chunks say.
constexpr const char* kTextPrematureEnd = "Premature end of PNG data";

// Every member is trivially destructible.
struct PngJob {
    png_structp png;
    png_infop info;
    const std::uint8_t* data;
    std::size_t size;
    std::size_t at;
    png_uint_32 width;
    png_uint_32 height;
    int channels;  // 3 or 4 once the transforms are set
    int passes;    // 7 for an interlaced picture
    const char* failure;
    const DecodeLimits* limits;
    PictureBuilder* builder;
    std::uint8_t* rows;  // one row, or the whole picture when interlaced
    std::size_t row_bytes;
    bool cancelled;
};

PngJob* JobOf(png_structp png) {
    return static_cast<PngJob*>(png_get_error_ptr(png));
}

void ReadData(png_structp png, png_bytep out, std::size_t length) {
    PngJob* job = JobOf(png);
    if (job->size - job->at < length) {
        png_error(png, kTextPrematureEnd);
    }
    std::memcpy(out, job->data + job->at, length);
    job->at += length;
}

[[noreturn]] void OnError(png_structp png, png_const_charp message) {
    JobOf(png)->failure = KeepCodecMessage(message);
    png_longjmp(png, 1);
}

void OnWarning(png_structp /*png*/, png_const_charp /*message*/) {}

// Whether every chunk up to IEND lies within the data. libpng allocates a
// chunk's stated length before it reads the chunk, and a length over its
// chunk limit is only a warning, so a short file claiming a gigabyte of
// text would have it allocated; held to this, no chunk is larger than the
// file.
bool ChunksWithinData(const std::uint8_t* data, std::size_t size) {
    constexpr std::size_t kSignatureBytes = 8;
    constexpr std::size_t kFramingBytes = 12;  // length, type and checksum
    std::size_t at = kSignatureBytes;
    while (size - at >= kFramingBytes) {
        const std::size_t length = std::size_t{data[at]} << 24 | std::size_t{data[at + 1]} << 16 |
                                   std::size_t{data[at + 2]} << 8 | data[at + 3];
        if (length > size - at - kFramingBytes) {
            return false;
        }
        if (std::memcmp(data + at + 4, "IEND", 4) == 0) {
            break;
        }
        at += kFramingBytes + length;
    }
    return true;
}

bool ReadHeaderStep(PngJob* job) {
    if (setjmp(png_jmpbuf(job->png)) != 0) {
        return false;
    }
    png_structp png = job->png;
    png_set_read_fn(png, job, ReadData);
    png_set_chunk_malloc_max(png, kMaxChunkBytes);
    if (job->size < 8 || !ChunksWithinData(job->data, job->size)) {
        png_error(png, kTextPrematureEnd);
    }
    png_read_info(png, job->info);
    png_uint_32 width = 0;
    png_uint_32 height = 0;
    int bit_depth = 0;
    int color_type = 0;
    png_get_IHDR(png, job->info, &width, &height, &bit_depth, &color_type, nullptr, nullptr,
                 nullptr);
    if (bit_depth == 16) {
        png_set_scale_16(png);  // rounded, not cut
    }
    png_set_expand(png);  // palette to RGB, grey to 8 bits, transparency chunk to alpha
    if ((color_type & PNG_COLOR_MASK_COLOR) == 0) {
        png_set_gray_to_rgb(png);
    }
    png_set_bgr(png);
    job->passes = png_set_interlace_handling(png);
    png_read_update_info(png, job->info);
    job->width = png_get_image_width(png, job->info);
    job->height = png_get_image_height(png, job->info);
    job->channels = png_get_channels(png, job->info);
    return true;
}

bool ReadRowsStep(PngJob* job) {
    if (setjmp(png_jmpbuf(job->png)) != 0) {
        return false;
    }
    const RowLayout layout = job->channels == 4 ? RowLayout::kBgra : RowLayout::kBgr;
    const bool whole = job->passes > 1;
    for (int pass = 0; pass < job->passes; ++pass) {
        for (png_uint_32 y = 0; y < job->height; ++y) {
            if (job->limits->Cancelled()) {
                job->cancelled = true;
                return false;
            }
            std::uint8_t* row = whole ? job->rows + y * job->row_bytes : job->rows;
            png_read_row(job->png, row, nullptr);
            if (!whole) {
                job->builder->AddRow(row, layout);
            }
        }
    }
    if (whole) {
        for (png_uint_32 y = 0; y < job->height; ++y) {
            job->builder->AddRow(job->rows + y * job->row_bytes, layout);
        }
    }
    return true;
}

// A job with libpng's read and info structures (either may be null when
// memory is short); the caller destroys them.
std::unique_ptr<PngJob> NewJob(std::span<const std::uint8_t> data, const DecodeLimits& limits) {
    auto job = std::make_unique<PngJob>();
    job->data = data.data();
    job->size = data.size();
    job->limits = &limits;
    job->png = png_create_read_struct(PNG_LIBPNG_VER_STRING, job.get(), OnError, OnWarning);
    if (job->png != nullptr) {
        job->info = png_create_info_struct(job->png);
    }
    return job;
}

// The Exif block (an eXIf chunk) and the XMP packet (the iTXt chunk
// "XML:com.adobe.xmp") among the chunks before the picture data; empty
// when there is none. They live in libpng's memory until the job's
// structures are destroyed.
struct PngMetadata {
    std::span<const std::uint8_t> exif;
    std::span<const std::uint8_t> xmp;
};

PngMetadata FindMetadata(const PngJob& job) {
    PngMetadata found;
    png_uint_32 exif_length = 0;
    png_bytep exif = nullptr;
    if (png_get_eXIf_1(job.png, job.info, &exif_length, &exif) != 0 && exif != nullptr) {
        found.exif = std::span<const std::uint8_t>(exif, exif_length);
    }
    png_textp texts = nullptr;
    int count = 0;
    png_get_text(job.png, job.info, &texts, &count);
    for (int i = 0; i < count; ++i) {
        if (texts[i].key != nullptr && std::strcmp(texts[i].key, "XML:com.adobe.xmp") == 0 &&
            texts[i].text != nullptr) {
            const std::size_t length = texts[i].compression >= PNG_ITXT_COMPRESSION_NONE
                                           ? texts[i].itxt_length
                                           : texts[i].text_length;
            found.xmp = std::span<const std::uint8_t>(
                reinterpret_cast<const std::uint8_t*>(texts[i].text), length);
            break;
        }
    }
    return found;
}

}  // namespace

PictureFacts ProbePng(std::span<const std::uint8_t> data) {
    const DecodeLimits limits;
    const std::unique_ptr<PngJob> job = NewJob(data, limits);
    PictureFacts facts;
    facts.format = ImageFormat::kPng;
    if (job->png != nullptr && job->info != nullptr && ReadHeaderStep(job.get()) &&
        job->width <= INT32_MAX && job->height <= INT32_MAX) {
        const PngMetadata metadata = FindMetadata(*job);
        ApplyOrientation(facts, static_cast<std::int32_t>(job->width),
                         static_cast<std::int32_t>(job->height), ExifOrientation(metadata.exif));
        facts.sphere = ReadPhotoSphere(metadata.xmp);
    }
    png_destroy_read_struct(&job->png, &job->info, nullptr);
    return facts;
}

PackedDib DecodePng(std::span<const std::uint8_t> data, const DecodeLimits& limits,
                    const char** error_text) {
    const std::unique_ptr<PngJob> job = NewJob(data, limits);
    const char* failure = nullptr;
    PackedDib picture;
    std::unique_ptr<std::uint8_t[]> rows;
    std::unique_ptr<PictureBuilder> builder;
    if (job->png == nullptr || job->info == nullptr) {
        failure = kTextInsufficientMemory;
    } else if (!ReadHeaderStep(job.get())) {
        failure = job->failure;
    } else if (std::uint64_t{job->width} * job->height > limits.max_stream_pixels) {
        failure = kTextInsufficientMemory;
    } else {
        job->row_bytes = std::size_t{job->width} * static_cast<std::size_t>(job->channels);
        const std::uint64_t held =
            job->passes > 1 ? std::uint64_t{job->row_bytes} * job->height : job->row_bytes;
        builder = std::make_unique<PictureBuilder>(
            FittedGeometry(static_cast<std::int32_t>(job->width),
                           static_cast<std::int32_t>(job->height),
                           ExifOrientation(FindMetadata(*job).exif), limits),
            &failure);
        if (builder->Ready()) {
            if (held > limits.max_decoder_memory || !(rows = TryAllocateBytes(held))) {
                failure = kTextInsufficientMemory;
            } else {
                job->rows = rows.get();
                job->builder = builder.get();
                if (ReadRowsStep(job.get())) {
                    picture = builder->Finish();
                } else {
                    failure = job->cancelled ? kTextDecodeCancelled : job->failure;
                }
            }
        }
    }
    png_destroy_read_struct(&job->png, &job->info, nullptr);
    if (!picture && error_text != nullptr) {
        *error_text = failure != nullptr ? failure : kTextUnsupportedFormat;
    }
    return picture;
}

}  // namespace skyweave
