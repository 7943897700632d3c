// JPGImageCompress (jpeg_codec.h) on libjpeg-turbo.
//
// The stream goes into a malloc'd buffer grown by our own destination
// manager, whose pointer lives in the job: after a failure at any point the
// caller still knows exactly which buffer to free, and after success the
// buffer is adopted by a MemoryBlock without a copy.
#include <cstdlib>
#include <limits>
#include <memory>

#include "image/depth_code.h"
#include "image/error_texts.h"
#include "image/jpeg_codec.h"
#include "image/jpeg_error.h"
#include "image/pixel_rules.h"

namespace skyweave {
namespace {

constexpr std::size_t kInitialStreamBytes = 64 * 1024;

// Every member is trivially destructible (see jpeg_error.h).
struct CompressJob {
    jpeg_compress_struct cinfo;
    JpegErrorManager errors;
    jpeg_destination_mgr destination;  // cinfo.client_data points at the job
    unsigned char* stream;             // malloc'd; freed by the caller on failure
    std::size_t capacity;
    std::size_t length;  // stream bytes once finished
    const std::uint8_t* bits;
    std::size_t row_bytes;
    JDIMENSION width;
    JDIMENSION rows;
    bool top_down;
    int depth;  // 15, 16, 24 or 32
    int quality;
};

CompressJob* JobOf(j_compress_ptr cinfo) {
    return static_cast<CompressJob*>(cinfo->client_data);
}

void InitDestination(j_compress_ptr cinfo) {
    CompressJob* job = JobOf(cinfo);
    job->stream = static_cast<unsigned char*>(std::malloc(kInitialStreamBytes));
    if (job->stream == nullptr) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);
    }
    job->capacity = kInitialStreamBytes;
    job->destination.next_output_byte = job->stream;
    job->destination.free_in_buffer = job->capacity;
}

// Called when the buffer is full (libjpeg ignores next_output_byte here).
boolean EmptyOutputBuffer(j_compress_ptr cinfo) {
    CompressJob* job = JobOf(cinfo);
    const std::size_t grown = job->capacity * 2;
    auto* bigger = static_cast<unsigned char*>(std::realloc(job->stream, grown));
    if (bigger == nullptr) {
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 1);
    }
    job->stream = bigger;
    job->destination.next_output_byte = bigger + job->capacity;
    job->destination.free_in_buffer = grown - job->capacity;
    job->capacity = grown;
    return TRUE;
}

void TermDestination(j_compress_ptr cinfo) {
    CompressJob* job = JobOf(cinfo);
    job->length = job->capacity - job->destination.free_in_buffer;
}

// Hot loop: one source row to the encoder's blue, green, red samples.
void UnpackRow(const std::uint8_t* in, JSAMPLE* bgr, JDIMENSION width, int depth) {
    for (JDIMENSION x = 0; x < width; ++x, bgr += 3) {
        switch (depth) {
            case kDepth15:
            case kDepth16: {
                const auto word = static_cast<std::uint16_t>(in[0] | (in[1] << 8));
                const Bgr pixel = depth == kDepth16 ? Unpack565(word) : Unpack555(word);
                bgr[0] = pixel.blue;
                bgr[1] = pixel.green;
                bgr[2] = pixel.red;
                in += 2;
                break;
            }
            default:
                bgr[0] = in[0];
                bgr[1] = in[1];
                bgr[2] = in[2];
                in += depth == kDepth32 ? 4 : 3;
                break;
        }
    }
}

bool CompressStep(CompressJob* job) {
    if (setjmp(job->errors.jump) != 0) {
        return false;
    }
    jpeg_compress_struct* cinfo = &job->cinfo;
    jpeg_create_compress(cinfo);
    cinfo->client_data = job;
    job->destination.init_destination = InitDestination;
    job->destination.empty_output_buffer = EmptyOutputBuffer;
    job->destination.term_destination = TermDestination;
    cinfo->dest = &job->destination;
    cinfo->image_width = job->width;
    cinfo->image_height = job->rows;
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, job->quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    JSAMPARRAY scratch = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo),
                                                     JPOOL_IMAGE, job->width * 3, 1);
    while (cinfo->next_scanline < job->rows) {
        const JDIMENSION y = cinfo->next_scanline;
        const JDIMENSION source_row = job->top_down ? y : job->rows - 1 - y;
        UnpackRow(job->bits + source_row * job->row_bytes, scratch[0], job->width, job->depth);
        jpeg_write_scanlines(cinfo, scratch, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

MemoryBlock JPGImageCompress(const BitmapInfoHeader& header, std::span<const std::uint8_t> bits,
                             std::uint16_t quality, std::uint32_t /*flags*/,
                             const char** error_text) {
    const auto fail = [error_text](const char* text) {
        if (error_text != nullptr) {
            *error_text = text;
        }
        return MemoryBlock();
    };
    const int depth = DepthCodeOf(header.biBitCount, header.biCompression);
    const bool known =
        depth == kDepth15 || depth == kDepth16 || depth == kDepth24 || depth == kDepth32;
    if (!known || header.biWidth <= 0 || header.biHeight == 0 ||
        header.biHeight == std::numeric_limits<std::int32_t>::min()) {
        return fail(kTextUnsupportedFormat);
    }
    const std::uint64_t width = static_cast<std::uint64_t>(header.biWidth);
    const std::uint64_t rows =
        static_cast<std::uint64_t>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
    if (width * rows > kMaxPicturePixels) {
        return fail(kTextInsufficientMemory);
    }
    const std::uint64_t row_bytes = width * (header.biBitCount / 8);
    if (bits.size() < row_bytes * rows) {
        return fail(kTextUnsupportedFormat);
    }

    auto job = std::make_unique<CompressJob>();
    job->bits = bits.data();
    job->row_bytes = static_cast<std::size_t>(row_bytes);
    job->width = static_cast<JDIMENSION>(width);
    job->rows = static_cast<JDIMENSION>(rows);
    job->top_down = header.biHeight < 0;
    job->depth = depth;
    job->quality = quality < 1 ? 1 : quality > 100 ? 100 : quality;
    job->cinfo.err = InitJpegErrorManager(&job->errors);

    const bool ok = CompressStep(job.get());
    jpeg_destroy_compress(&job->cinfo);
    if (!ok) {
        std::free(job->stream);
        return fail(LastJpegMessage());
    }
    return MemoryBlock::Adopt(job->stream, job->length);
}

}  // namespace skyweave
