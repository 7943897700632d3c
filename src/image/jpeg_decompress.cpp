// JPGImageDecompress (jpeg_codec.h) on libjpeg-turbo.
//
// The decode runs in C-style steps around one allocation: the first reads
// the stream's header so the picture's size is known, the second sets the
// DCT scale that brings it within the limits, the C++ caller then checks
// the size against the pixel ceiling and allocates the picture (or a
// builder), and the last step decodes the rows straight into it. Each step
// owns a setjmp region under the rule of jpeg_error.h.
#include <algorithm>
#include <array>
#include <cstring>
#include <limits>
#include <memory>

#include "image/depth_code.h"
#include "image/error_texts.h"
#include "image/exif_orientation.h"
#include "image/jpeg_codec.h"
#include "image/jpeg_error.h"
#include "image/jpeg_scan_tally.h"
#include "image/photo_sphere.h"
#include "image/picture_builder.h"
#include "image/picture_fit.h"
#include "image/pixel_rules.h"

namespace skyweave {
namespace {

// Every member is trivially destructible: libjpeg may jump out of the steps
// at any point, and the caller cleans up afterwards.
struct DecompressJob {
    jpeg_decompress_struct cinfo;
    JpegErrorManager errors;
    const unsigned char* data;
    unsigned long size;
    int depth;                  // 8, 15, 16, or 24 for anything else
    std::uint8_t* pixels;       // the picture's pixel run, bottom row first
    std::size_t row_bytes;      // bytes per row of the picture
    std::uint8_t* color_table;  // 1024 bytes for depth 8, else null
    int colors;                 // palette entries written (depth 8)
    bool stalled;               // the source stopped giving rows
    jpeg_progress_mgr progress;
    const std::atomic<bool>* cancel;  // DecodeLimits::cancel
    int max_scans;                    // DecodeLimits::max_progressive_scans
    std::uint64_t max_blocks;         // DecodeLimits::max_scan_blocks
    std::uint64_t blocks;             // blocks of the scans begun so far
    int counted_scan;                 // the last scan whose blocks are counted
    long max_memory;                  // DecodeLimits::max_decoder_memory
    const char* stopped;              // why the progress monitor ended the decode
    bool any_form;                    // DecodeJpeg: every colour space, through a builder
    int scale_eighths;                // DCT scaling: output sides of scale_eighths / 8
    bool cmyk;                        // four-channel output (CMYK, or YCCK made CMYK)
    bool inverted;                    // CMYK stored inverted, as Adobe's encoders write it
    PictureBuilder* builder;          // the general path's output; null on the direct path
};

// libjpeg calls this before each row of blocks while it reads a multi-scan
// stream and once per output row, so the scan bounds and a cancellation
// take hold within a fraction of a second. It leaves the decode the way
// libjpeg's own errors do.
void MonitorProgress(j_common_ptr cinfo) {
    auto* job = static_cast<DecompressJob*>(cinfo->client_data);
    const jpeg_decompress_struct& d = job->cinfo;
    if (d.input_scan_number != job->counted_scan) {
        // A new scan has begun (its header is read, its rows are not).
        job->counted_scan = d.input_scan_number;
        for (int i = 0; i < d.comps_in_scan && i < MAX_COMPS_IN_SCAN; ++i) {
            const jpeg_component_info* component = d.cur_comp_info[i];
            job->blocks += std::uint64_t{component->width_in_blocks} * component->height_in_blocks;
        }
    }
    if (job->cancel != nullptr && job->cancel->load(std::memory_order_relaxed)) {
        job->stopped = kTextDecodeCancelled;
    } else if (d.input_scan_number > job->max_scans || job->blocks > job->max_blocks) {
        job->stopped = kTextTooManyScans;
    } else {
        return;
    }
    std::longjmp(job->errors.jump, 1);
}

bool ReadHeaderStep(DecompressJob* job) {
    if (setjmp(job->errors.jump) != 0) {
        return false;
    }
    jpeg_decompress_struct* cinfo = &job->cinfo;
    jpeg_create_decompress(cinfo);
    cinfo->client_data = job;
    cinfo->mem->max_memory_to_use = job->max_memory;
    job->progress.progress_monitor = MonitorProgress;
    cinfo->progress = &job->progress;
    jpeg_mem_src(cinfo, job->data, job->size);
    if (job->any_form) {
        // Exif and XMP live in APP1 segments (at most 64 KiB each).
        jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    }
    jpeg_read_header(cinfo, TRUE);
    job->cmyk = job->any_form &&
                (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK);
    return true;
}

// The DCT scale in job->scale_eighths, and the output size it gives.
bool ScaleStep(DecompressJob* job) {
    if (setjmp(job->errors.jump) != 0) {
        return false;
    }
    jpeg_decompress_struct* cinfo = &job->cinfo;
    if (job->scale_eighths != 8) {
        cinfo->scale_num = static_cast<unsigned int>(job->scale_eighths);
        cinfo->scale_denom = 8;
    }
    jpeg_calc_output_dimensions(cinfo);
    return true;
}

// The colour space of the rows: four channels for CMYK, blue, green, red
// for the builder, and on the direct path what the picture's depth needs
// (libjpeg's own quantiser for 8 bits). Called inside ReadPixelsStep;
// jpeg_start_decompress works the output size out again from these.
void ChooseOutput(DecompressJob* job) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    if (job->cmyk) {
        // libjpeg brings YCCK to CMYK itself but has no conversion to RGB.
        cinfo->out_color_space = JCS_CMYK;
        job->inverted = cinfo->saw_Adobe_marker != 0;
    } else if (job->depth == kDepth8 && job->builder == nullptr) {
        cinfo->out_color_space = JCS_RGB;
        cinfo->quantize_colors = TRUE;
        cinfo->two_pass_quantize = TRUE;
        cinfo->desired_number_of_colors = 256;
        cinfo->dither_mode = JDITHER_FS;
    } else {
        cinfo->out_color_space = JCS_EXT_BGR;
    }
}

// Hot loop: one pass per row, converting the decoder's blue, green, red
// samples to 16-bit words by the rules of pixel_rules.h.
void PackRow(const JSAMPLE* bgr, std::uint8_t* out, JDIMENSION width, bool is565) {
    for (JDIMENSION x = 0; x < width; ++x, bgr += 3, out += 2) {
        const std::uint16_t word =
            is565 ? Pack565(bgr[0], bgr[1], bgr[2]) : Pack555(bgr[0], bgr[1], bgr[2]);
        out[0] = static_cast<std::uint8_t>(word);
        out[1] = static_cast<std::uint8_t>(word >> 8);
    }
}

// One CMYK row to blue, green, red: each ink darkens its channel and black
// darkens all three. Inverted rows hold 255 for no ink.
void CmykRow(const JSAMPLE* cmyk, std::uint8_t* bgr, JDIMENSION width, bool inverted) {
    for (JDIMENSION x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        const unsigned k = inverted ? cmyk[3] : 255u - cmyk[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned ink = inverted ? cmyk[2 - c] : 255u - cmyk[2 - c];
            bgr[c] = static_cast<std::uint8_t>((ink * k + 127) / 255);
        }
    }
}

// The general path: rows through a scratch row (converted when CMYK) into
// the builder, which owns the picture.
bool ReadRowsToBuilder(DecompressJob* job) {
    jpeg_decompress_struct* cinfo = &job->cinfo;
    const j_common_ptr common = reinterpret_cast<j_common_ptr>(cinfo);
    const JDIMENSION width = cinfo->output_width;
    JSAMPARRAY scratch = (*cinfo->mem->alloc_sarray)(
        common, JPOOL_IMAGE, width * static_cast<JDIMENSION>(cinfo->output_components), 1);
    JSAMPARRAY bgr =
        job->cmyk ? (*cinfo->mem->alloc_sarray)(common, JPOOL_IMAGE, width * 3, 1) : scratch;
    while (cinfo->output_scanline < cinfo->output_height) {
        if (jpeg_read_scanlines(cinfo, scratch, 1) != 1) {
            job->stalled = true;
            return false;
        }
        if (job->cmyk) {
            CmykRow(scratch[0], bgr[0], width, job->inverted);
        }
        job->builder->AddRow(bgr[0], RowLayout::kBgr);
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

bool ReadPixelsStep(DecompressJob* job) {
    if (setjmp(job->errors.jump) != 0) {
        return false;
    }
    jpeg_decompress_struct* cinfo = &job->cinfo;
    ChooseOutput(job);
    jpeg_start_decompress(cinfo);
    if (job->builder != nullptr) {
        return ReadRowsToBuilder(job);
    }
    if (job->depth == kDepth8) {
        job->colors = cinfo->actual_number_of_colors;
        for (int i = 0; i < job->colors; ++i) {
            std::uint8_t* entry = job->color_table + 4 * i;
            entry[0] = cinfo->colormap[2][i];
            entry[1] = cinfo->colormap[1][i];
            entry[2] = cinfo->colormap[0][i];
            entry[3] = 0;
        }
    }
    const bool packs = job->depth == kDepth15 || job->depth == kDepth16;
    JSAMPARRAY scratch = nullptr;
    if (packs) {
        scratch = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
                                              cinfo->output_width * 3, 1);
    }
    const JDIMENSION height = cinfo->output_height;
    while (cinfo->output_scanline < height) {
        std::uint8_t* row = job->pixels + (height - 1 - cinfo->output_scanline) * job->row_bytes;
        JSAMPROW target = packs ? scratch[0] : row;
        if (jpeg_read_scanlines(cinfo, &target, 1) != 1) {
            // Only a suspending source stops without an error; ours never
            // does, but a loop that cannot end is worse than a refusal.
            job->stalled = true;
            return false;
        }
        if (packs) {
            PackRow(scratch[0], row, cinfo->output_width, job->depth == kDepth16);
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

BitmapInfoHeader OutputHeader(int depth, JDIMENSION width, JDIMENSION height) {
    BitmapInfoHeader header;
    header.biWidth = static_cast<std::int32_t>(width);
    header.biHeight = static_cast<std::int32_t>(height);
    header.biBitCount = BitCountOfDepth(depth);
    header.biCompression = depth == kDepth16 ? kBiBitfields : kBiRgb;
    header.biClrUsed = depth == kDepth16 ? 3 : depth == kDepth8 ? 256 : 0;
    return header;
}

int OutputDepth(std::uint16_t requested) {
    switch (requested) {
        case kDepth8:
        case kDepth15:
        case kDepth16:
            return requested;
        default:
            return kDepth24;
    }
}

// Whether the scans the stream's markers announce would pass the bounds
// the progress monitor holds the decode to, so that it is refused before
// the first of them is decoded. A single-scan stream is left to the
// monitor: it walks its blocks once.
bool ExceedsScanBounds(const DecompressJob& job, std::span<const std::uint8_t> data) {
    const jpeg_decompress_struct& cinfo = job.cinfo;
    if (!cinfo.progressive_mode && cinfo.comps_in_scan >= cinfo.num_components) {
        return false;
    }
    std::array<JpegComponentBlocks, MAX_COMPONENTS> components{};
    const int count = std::min(cinfo.num_components, MAX_COMPONENTS);
    for (int i = 0; i < count; ++i) {
        const jpeg_component_info& component = cinfo.comp_info[i];
        components[static_cast<std::size_t>(i)] = {
            static_cast<std::uint8_t>(component.component_id),
            std::uint64_t{component.width_in_blocks} * component.height_in_blocks};
    }
    const JpegScanTally tally =
        TallyJpegScans(data, std::span(components).first(static_cast<std::size_t>(count)));
    return tally.scans > job.max_scans || tally.blocks > job.max_blocks;
}

// The text for a failure inside one of the steps.
const char* StepFailure(const DecompressJob& job) {
    if (job.stopped != nullptr) {
        return job.stopped;
    }
    if (job.stalled) {
        return kTextUnsupportedFormat;
    }
    // Past max_memory_to_use libjpeg would spill to a backing store, which
    // this build does not have; say what it means.
    if (job.cinfo.err->msg_code == JERR_NO_BACKING_STORE) {
        return kTextInsufficientMemory;
    }
    return LastJpegMessage();
}

std::unique_ptr<DecompressJob> NewJob(std::span<const std::uint8_t> data, std::uint16_t depth,
                                      const DecodeLimits& limits, bool any_form) {
    auto job = std::make_unique<DecompressJob>();
    job->data = data.data();
    job->size = data.size();
    job->depth = OutputDepth(depth);
    job->any_form = any_form;
    job->scale_eighths = 8;
    job->cinfo.err = InitJpegErrorManager(&job->errors);
    job->cancel = limits.cancel;
    job->max_scans = limits.max_progressive_scans;
    job->max_blocks = limits.max_scan_blocks;
    job->max_memory = static_cast<long>(
        std::min<std::size_t>(limits.max_decoder_memory, std::numeric_limits<long>::max()));
    return job;
}

// The Exif block and the XMP packet among the APP1 segments the header
// step kept (the first of each); empty when there is none. They live in
// libjpeg's memory until the job's decompressor is destroyed.
struct JpegMetadata {
    std::span<const std::uint8_t> exif;
    std::span<const std::uint8_t> xmp;
};

JpegMetadata FindMetadata(const jpeg_decompress_struct& cinfo) {
    static constexpr std::uint8_t kExifName[] = {'E', 'x', 'i', 'f', 0, 0};
    const auto starts = [](std::span<const std::uint8_t> data, const void* name, std::size_t n) {
        return data.size() >= n && std::memcmp(data.data(), name, n) == 0;
    };
    JpegMetadata found;
    for (jpeg_saved_marker_ptr marker = cinfo.marker_list; marker != nullptr;
         marker = marker->next) {
        const std::span<const std::uint8_t> data(marker->data, marker->data_length);
        if (marker->marker != JPEG_APP0 + 1) {
            continue;
        }
        if (found.exif.empty() && starts(data, kExifName, sizeof kExifName)) {
            found.exif = data;
        } else if (found.xmp.empty() && starts(data, kXmpSegmentName, sizeof kXmpSegmentName)) {
            found.xmp = data;
        }
    }
    return found;
}

// Both entry points: the direct path writes the rows straight into a
// picture of the requested depth; with `any_form` a stream the direct path
// cannot take (CMYK, YCCK, one stored turned by its Exif orientation, one
// the DCT scaling cannot bring within the limits) goes through a
// PictureBuilder at 24 bits. With `any_form` the DCT scaling comes first.
PackedDib Decompress(std::span<const std::uint8_t> data, std::uint16_t depth,
                     const char** error_text, const DecodeLimits& limits, bool any_form) {
    const std::unique_ptr<DecompressJob> job = NewJob(data, depth, limits, any_form);
    const char* failure = nullptr;
    PackedDib picture;
    std::unique_ptr<PictureBuilder> builder;
    int orientation = 1;
    PictureGeometry geometry;
    if (!ReadHeaderStep(job.get())) {
        failure = StepFailure(*job);
    } else if (std::uint64_t{job->cinfo.image_width} * job->cinfo.image_height >
               limits.max_stream_pixels) {
        // The claim itself, whatever scale it would be decoded at: every
        // block of it is decoded either way.
        failure = kTextInsufficientMemory;
    } else if (ExceedsScanBounds(*job, data)) {
        failure = kTextTooManyScans;
    } else {
        const auto width = static_cast<std::int32_t>(job->cinfo.image_width);
        const auto height = static_cast<std::int32_t>(job->cinfo.image_height);
        if (any_form) {
            orientation = ExifOrientation(FindMetadata(job->cinfo).exif);
            job->scale_eighths = JpegScaleEighths(width, height, orientation, limits);
        }
        if (!ScaleStep(job.get())) {
            failure = StepFailure(*job);
        } else {
            // What the DCT scaling left for the area filter, if anything;
            // the library contract's own decodes are never reduced.
            const auto scaled_width = static_cast<std::int32_t>(job->cinfo.output_width);
            const auto scaled_height = static_cast<std::int32_t>(job->cinfo.output_height);
            geometry = any_form ? FittedGeometry(scaled_width, scaled_height, orientation, limits)
                                : FullSize(scaled_width, scaled_height);
        }
    }
    if (failure != nullptr) {
        // Nothing to decode.
    } else if (job->cmyk || orientation != 1 || geometry.reduced_width != geometry.source_width ||
               geometry.reduced_height != geometry.source_height) {
        builder = std::make_unique<PictureBuilder>(geometry, &failure);
        if (builder->Ready()) {
            job->builder = builder.get();
            if (ReadPixelsStep(job.get())) {
                picture = builder->Finish();
            } else {
                failure = StepFailure(*job);
            }
        }
    } else {
        picture = PackedDib::Create(
            OutputHeader(job->depth, job->cinfo.output_width, job->cinfo.output_height));
        if (!picture) {
            failure = kTextInsufficientMemory;
        } else {
            job->pixels = picture.Pixels().data();
            job->row_bytes = picture.RowBytes();
            job->color_table = picture.Bytes().data() + kBitmapHeaderSize;
            if (!ReadPixelsStep(job.get())) {
                failure = StepFailure(*job);
            }
        }
    }
    jpeg_destroy_decompress(&job->cinfo);
    if (failure != nullptr) {
        if (error_text != nullptr) {
            *error_text = failure;
        }
        return {};
    }
    if (job->builder == nullptr && job->depth == kDepth8 && job->colors > 0 && job->colors < 256) {
        // Close the gap after a short palette so the pixels start where the
        // header says; the block keeps its unused tail.
        BitmapInfoHeader header = picture.Header();
        const std::span<std::uint8_t> pixels = picture.Pixels();
        header.biClrUsed = static_cast<std::uint32_t>(job->colors);
        std::memmove(picture.Bytes().data() + kBitmapHeaderSize + 4 * header.biClrUsed,
                     pixels.data(), pixels.size());
        picture.SetHeader(header);
    }
    return picture;
}

}  // namespace

PackedDib JPGImageDecompress(std::span<const std::uint8_t> data, std::uint16_t depth,
                             std::uint32_t /*flags*/, const char** error_text,
                             const DecodeLimits& limits) {
    return Decompress(data, depth, error_text, limits, false);
}

PackedDib DecodeJpeg(std::span<const std::uint8_t> data, std::uint16_t depth,
                     const DecodeLimits& limits, const char** error_text) {
    return Decompress(data, depth, error_text, limits, true);
}

PictureFacts ProbeJpeg(std::span<const std::uint8_t> data) {
    const std::unique_ptr<DecompressJob> job = NewJob(data, kDepth24, {}, true);
    PictureFacts facts;
    facts.format = ImageFormat::kJpeg;
    if (ReadHeaderStep(job.get())) {
        const JpegMetadata metadata = FindMetadata(job->cinfo);
        ApplyOrientation(facts, static_cast<std::int32_t>(job->cinfo.image_width),
                         static_cast<std::int32_t>(job->cinfo.image_height),
                         ExifOrientation(metadata.exif));
        facts.sphere = ReadPhotoSphere(metadata.xmp);
    }
    jpeg_destroy_decompress(&job->cinfo);
    return facts;
}

}  // namespace skyweave
