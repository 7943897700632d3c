// Loading: the engine's constructors, LoadFile and LoadMemory, and the
// staging of embedded files. Every failure runs Close and throws
// PanoramaLoadError with the user-visible text.
#include <algorithm>
#include <cmath>
#include <new>

#include "engine/engine_state.h"
#include "engine/load_messages.h"
#include "image/decode_image.h"
#include "image/picture_facts.h"
#include "panfile/chunk_directory.h"
#include "panfile/file_records.h"
#include "panfile/init_chunk.h"
#include "panfile/level_picture.h"
#include "panfile/panorama_canvas.h"
#include "panfile/picture_placement.h"
#include "platform/core/file_reader.h"
#include "platform/core/temp_directory.h"
#include "render/panorama_renderer.h"

namespace skyweave {
namespace {

// How much larger than the picture its full-sphere canvas is, across and
// down (1 and 1 for a picture that covers the sphere).
struct CanvasRatio {
    double across = 1;
    double down = 1;
};

CanvasRatio RatioOf(const PicturePlacement& placement) {
    if (placement.full_sphere) {
        return {};
    }
    return {
        static_cast<double>(placement.full_width) / static_cast<double>(placement.picture_width),
        static_cast<double>(placement.full_height) / static_cast<double>(placement.picture_height)};
}

CanvasRatio RatioOf(const InitExtents& extents) {
    return {360.0 / extents.heading_extent, 180.0 / extents.pitch_extent};
}

// The limits a picture must meet for the renderer to take the panorama
// made of it: its canvas no larger than the renderer's widest and tallest
// source and within the caller's pixel budget. Sides of a partial
// panorama's canvas round to a multiple of 4 (up to 2 more) after the
// decoder pads the picture's width to one (up to 3 more), so those keep a
// few pixels in hand. A canvas that would pass kMaxCanvasPixels at the
// picture's own size asks for what no real panorama does (an extent of a
// degree or two); it is not made smaller but refused, as it always was.
DecodeLimits LimitsForCanvas(DecodeLimits limits, const PictureFacts& facts, CanvasRatio ratio) {
    const bool partial = ratio.across != 1 || ratio.down != 1;
    const double canvas_pixels = static_cast<double>(facts.width) * ratio.across *
                                 static_cast<double>(facts.height) * ratio.down;
    if (partial && canvas_pixels > static_cast<double>(kMaxCanvasPixels)) {
        return limits;
    }
    const double slack_across = partial ? 2 + 3 * ratio.across : 0;
    const double slack_down = partial ? 2 : 0;
    const auto side = [](double room, std::int32_t given) {
        return static_cast<std::int32_t>(
            std::clamp(std::floor(room), 1.0, static_cast<double>(given)));
    };
    limits.max_width = side((kMaxSourceWidth - slack_across) / ratio.across, limits.max_width);
    limits.max_height = side((kMaxSourceHeight - slack_down) / ratio.down, limits.max_height);
    limits.max_pixels = static_cast<std::uint64_t>(std::max(
        1.0, std::floor(static_cast<double>(limits.max_pixels) / (ratio.across * ratio.down))));
    return limits;
}

}  // namespace

PanoramaEngine::PanoramaEngine() : views_(1) {}

PanoramaEngine::PanoramaEngine(std::string_view path, const DecodeLimits& limits) : views_(1) {
    LoadFile(path, limits);
}

PanoramaEngine::PanoramaEngine(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
    : views_(1) {
    const std::optional<KindTag> kind = KindOf(bytes);
    if (!kind) {
        FailLoad(std::string(kTextUnsupportedFile));
    }
    LoadMemory(bytes, *kind, limits);
}

PanoramaEngine::~PanoramaEngine() {
    Close();
}

void PanoramaEngine::FailLoad(const std::string& text) {
    Close();
    throw PanoramaLoadError(text);
}

void PanoramaEngine::FailIfCancelled(const DecodeLimits& limits) {
    if (limits.Cancelled()) {
        FailLoad(std::string(kTextLoadCancelled));
    }
}

void PanoramaEngine::LoadFile(std::string_view path, const DecodeLimits& limits) {
    const std::optional<std::string> absolute = AbsolutePath(path);
    if (!absolute) {
        FailLoad(std::string(kTextCannotFindFile));
    }
    std::unique_ptr<InputFile> file = InputFile::Open(*absolute);
    if (!file) {
        FailLoad(std::string(kTextCannotOpenFile));
    }
    const std::uint64_t size = file->Size();
    std::uint8_t head[kKindTestBytes] = {};
    const std::size_t head_length = file->ReadAt(0, head);
    const std::optional<KindTag> kind = KindOf(std::span<const std::uint8_t>(head, head_length));
    if (!kind) {
        FailLoad(std::string(kTextUnsupportedFile));
    }
    if (size > kMaxPanoramaFileBytes) {
        FailLoad(std::string(kTextNoMemory));
    }
    std::unique_ptr<std::uint8_t[]> buffer = TryAllocateBytes(size);
    if (!buffer) {
        FailLoad(std::string(kTextNoMemory));
    }
    const std::span<std::uint8_t> whole(buffer.get(), static_cast<std::size_t>(size));
    // In pieces, so that a cancelled load of a large file on a slow disk
    // ends between two of them.
    constexpr std::size_t kReadPiece = std::size_t{16} << 20;
    for (std::size_t at = 0; at < whole.size(); at += kReadPiece) {
        FailIfCancelled(limits);
        const std::span<std::uint8_t> piece =
            whole.subspan(at, std::min(kReadPiece, whole.size() - at));
        if (file->ReadAt(at, piece) < piece.size()) {
            FailLoad(std::string(kTextCannotReadFile));
        }
    }
    file.reset();
    LoadMemory(whole, *kind, limits);  // the buffer goes when this scope ends, either way
}

void PanoramaEngine::ResetForLoad() {
    Close();
    start_view_ = ViewState{0, 0, 0, 60};
    initial_view_ = start_view_;
    start_limits_ = ViewLimits{};
    coverage_ = Coverage{};
    ResetViews();
    palette_dirty_ = true;
    still_quality_ = kDefaultStillQuality;
    statistics_ = FrameStatistics{};
}

void PanoramaEngine::LoadMemory(std::span<const std::uint8_t> bytes, KindTag kind,
                                const DecodeLimits& limits) {
    ResetForLoad();
    loaded_ = std::make_unique<Loaded>();
    try {
        if (kind == KindTag::kContainer) {
            const std::optional<std::int8_t> code = ContainerVersionCode(bytes);
            if (code && *code > 0) {
                FailLoad(VersionErrorText(*code));
            }
        }
        const std::span<const std::uint8_t> image_bytes =
            kind == KindTag::kContainer ? FindChunk("BTMP", bytes) : bytes;
        // A plain picture may say where it lies on the sphere; a container
        // says so in its INIT chunk. Either way the canvas decides how large
        // a picture the renderer can take.
        const PictureFacts facts = ProbeImage(image_bytes);
        PicturePlacement placement;
        CanvasRatio ratio;
        if (IsPlainPicture(kind)) {
            placement = PlacePicture(facts);
            ratio = RatioOf(placement);
        } else if (const std::optional<InitFields> init = ReadInitChunk(FindChunk("INIT", bytes))) {
            ratio = RatioOf(ExtentsOf(*init));
        }
        PackedDib image;
        const char* detail = nullptr;
        FailIfCancelled(limits);
        if (!image_bytes.empty()) {
            image = DecodeImage(image_bytes, &detail, LimitsForCanvas(limits, facts, ratio));
        }
        FailIfCancelled(limits);
        if (!image || !image.PixelsFit() || image.Height() <= 0) {
            FailLoad(FormatErrorText(image_bytes.empty() ? nullptr : detail));
        }
        loaded_->image = std::move(image);

        if (kind == KindTag::kContainer) {
            PlaceContainerPicture(bytes);
            const std::span<const std::uint8_t> files = FindChunk("FILE", bytes);
            FailIfCancelled(limits);
            if (!files.empty()) {
                StageFiles(files);
            }
        } else {
            PlacePlainPicture(placement);
        }
        // The decode was asked for a picture the renderer takes; should a
        // canvas still come out larger, a message beats frames left black.
        if (loaded_->image.Width() > kMaxSourceWidth ||
            loaded_->image.Height() > kMaxSourceHeight) {
            FailLoad(std::string(kTextNoMemory));
        }
        loaded_->renderer = std::make_unique<PanoramaRenderer>();
        ResetViews();
    } catch (const std::bad_alloc&) {
        FailLoad(std::string(kTextNoMemory));
    }
}

void PanoramaEngine::SetInitialView(const ViewState& view) {
    initial_view_ = view;
    initial_view_.zoom = std::clamp(view.zoom, 10.0, 170.0);
    start_view_ = view;  // the zoom is clamped by the first frame, not here
}

void PanoramaEngine::UseCanvas(PackedDib canvas, CanvasFailure failure) {
    if (!canvas) {
        FailLoad(failure == CanvasFailure::kTooLarge ? std::string(kTextNoMemory)
                                                     : FormatErrorText(nullptr));
    }
    loaded_->image = std::move(canvas);
    start_limits_.roll_min = 0;
    start_limits_.roll_max = 0;
}

void PanoramaEngine::PlaceContainerPicture(std::span<const std::uint8_t> bytes) {
    const std::optional<InitFields> init = ReadInitChunk(FindChunk("INIT", bytes));
    if (!init) {
        return;
    }
    const InitExtents extents = ExtentsOf(*init);
    SetInitialView({static_cast<double>(init->heading), static_cast<double>(init->pitch),
                    static_cast<double>(init->roll), init->zoom == 0 ? 60.0 : init->zoom});
    if (extents.IsFullSphere()) {
        return;
    }
    CanvasFailure failure = CanvasFailure::kTooLarge;
    UseCanvas(BuildCanvas(loaded_->image, extents.heading_extent, extents.pitch_extent, &failure),
              failure);
    coverage_.heading_min = -HalfExtent(extents.heading_extent);
    coverage_.heading_max = HalfExtent(extents.heading_extent);
    coverage_.pitch_min = -HalfExtent(extents.pitch_extent);
    coverage_.pitch_max = HalfExtent(extents.pitch_extent);
}

void PanoramaEngine::PlacePlainPicture(const PicturePlacement& placement) {
    SetInitialView({placement.heading.value_or(0), placement.pitch.value_or(0), 0,
                    placement.zoom.value_or(60)});
    if (placement.full_sphere) {
        // A tilted camera's picture is turned level once here, so that the
        // renderer and every view see a level world. Should the copy the
        // turn needs not fit, the picture shows as taken.
        if (placement.level_pitch != 0 || placement.level_roll != 0) {
            PackedDib& image = loaded_->image;
            LevelPicture(image.Pixels(), image.Width(), image.Height(), image.BytesPerPixel(),
                         placement.level_pitch, placement.level_roll);
        }
        return;
    }
    const std::int32_t width = loaded_->image.Width();
    const std::int32_t height = loaded_->image.Height();
    const CanvasPlacement where = CanvasFor(placement, width, height);
    CanvasFailure failure = CanvasFailure::kTooLarge;
    UseCanvas(PlaceOnCanvas(loaded_->image, where, &failure), failure);
    // What the picture covers, from where its pixels landed: the canvas
    // spans headings -180 to 180 left to right and pitches -90 to 90 from
    // its first stored row up.
    const double degrees_per_column = 360.0 / static_cast<double>(where.width);
    const double degrees_per_row = 180.0 / static_cast<double>(where.height);
    coverage_.heading_min = static_cast<double>(where.first_column) * degrees_per_column - 180.0;
    coverage_.heading_max =
        static_cast<double>(where.first_column + width) * degrees_per_column - 180.0;
    coverage_.pitch_min = static_cast<double>(where.first_row) * degrees_per_row - 90.0;
    coverage_.pitch_max = static_cast<double>(where.first_row + height) * degrees_per_row - 90.0;
}

void PanoramaEngine::StageFiles(std::span<const std::uint8_t> file_chunk) {
    loaded_->staging = StagingDirectory::Create(TemporaryFilesDirectory());
    if (!loaded_->staging) {
        return;  // impossible here: nothing is staged, the load goes on
    }
    for (const FileRecord& record : ReadFileRecords(file_chunk).records) {
        // A name that could leave the directory is never written; like a file
        // that cannot be created, it ends the walk.
        if (!IsSafeFileName(record.name)) {
            break;
        }
        const StageResult result = loaded_->staging->WriteFile(record.name, record.content);
        if (result == StageResult::kFailed) {
            break;
        }
        if (result == StageResult::kOverBudget) {
            ++loaded_->staging_skipped;  // skipped; a smaller one may still fit
        }
    }
}

}  // namespace skyweave
