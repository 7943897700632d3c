// PanoramaEngine: one loaded panorama and the operations that drive it.
//
// Owns everything a loaded panorama needs: the decoded image (or the
// full-sphere canvas that replaced it), the renderer, the frame and still
// buffers, the staging directory of embedded files and the StateLock whose
// existence marks the engine as loaded. The saver window creates one engine
// for the configured file, drives it with SetView and Draw on its own thread
// and destroys it; the tools and the fuzz target use it the same way.
//
// One picture, several views: a saver on several monitors draws one view
// per monitor from the same decoded picture. Each view keeps its own live
// view, limits, destination rectangle, frame and still buffers and view key;
// the operations that concern a view take its number, 0 (the only view
// unless SetViewCount asks for more) by default.
//
// A failed load throws PanoramaLoadError carrying the user-visible message
// text, after Close has released everything; the engine is then unloaded and
// every operation answers kNotLoaded. The engine can be neither copied nor
// moved (its lock and buffers are its own), but a loaded engine may be handed
// whole from the thread that loaded it to the one that draws it.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "image/decode_limits.h"
#include "panfile/kind_tag.h"
#include "platform/core/draw_target.h"
#include "render/projection.h"
#include "render/view_state.h"

namespace skyweave {

class PackedDib;
class WorkerPool;
enum class CanvasFailure;
struct PicturePlacement;

// The one error of a failed load. what() is the message text shown to the
// user, word for word (for example "File I/O Error: Cannot Open Specified
// File").
class PanoramaLoadError : public std::runtime_error {
  public:
    explicit PanoramaLoadError(const std::string& text) : std::runtime_error(text) {}
};

// Results of SetView, SetDestRect and Draw.
inline constexpr int kDone = 0;
inline constexpr int kNotLoaded = 3;

// Results of RenderFrame: a frame was drawn, a view value was clamped (may
// be added up), or nothing was drawn.
inline constexpr int kFrameDrawn = 0;
inline constexpr int kFrameLimited = 8;
inline constexpr int kFrameNone = 1;

// The most views one engine draws (SetViewCount).
inline constexpr int kMaxViews = 16;

// Still quality (filter kind of still frames) after a load: bilinear.
inline constexpr std::int16_t kDefaultStillQuality = 8;

// View limits in degrees.
struct ViewLimits {
    double heading_min = -360;
    double heading_max = 360;
    double pitch_min = -360;
    double pitch_max = 360;
    double roll_min = -360;
    double roll_max = 360;
    double zoom_min = 10;
    double zoom_max = 170;
};

// The part of the sphere a partial panorama covers, in degrees; all four 0
// for a full sphere. A container's partial panorama is centred on heading
// 0 and pitch 0; a plain picture placed by its metadata may lie anywhere.
struct Coverage {
    double heading_min = 0;
    double heading_max = 0;
    double pitch_min = 0;
    double pitch_max = 0;
    bool IsPartial() const {
        return heading_min != 0 || heading_max != 0 || pitch_min != 0 || pitch_max != 0;
    }
    // The middle of the covered area, where the view starts and around
    // which its limits lie.
    double HeadingCentre() const { return (heading_min + heading_max) / 2; }
    double PitchCentre() const { return (pitch_min + pitch_max) / 2; }
};

// Counters of the frame pipeline since the load, for tests and benchmarks.
struct FrameStatistics {
    std::uint64_t moving_renders = 0;    // RenderView calls with filter kind 0
    std::uint64_t still_renders = 0;     // RenderView calls with the still quality
    std::uint64_t still_copies = 0;      // still frames presented from the still buffer
    std::uint64_t render_view_ns = 0;    // wall time spent inside RenderView, ns
    std::uint64_t present_ns = 0;        // wall time spent in PresentFrame, ns
    std::uint64_t frame_ns = 0;          // wall time spent in RenderFrame, ns
    std::int16_t last_filter_kind = -1;  // filter kind of the last RenderView
};

// The frame buffer's geometry after the last frame (both 0 before the first).
struct FrameFormat {
    std::int32_t width = 0;   // pixels, a multiple of 32
    std::int32_t height = 0;  // pixels, a multiple of 32
    std::uint16_t bytes_per_pixel = 3;
    std::uint16_t depth = 24;  // depth code of the frame pixels
};

class PanoramaEngine {
  public:
    // Loads the panorama file at `path` (LoadFile). Throws PanoramaLoadError.
    //   path:   file name, absolute or relative to the working directory.
    //   limits: bounds of the decode and the cancel flag (see LoadMemory).
    explicit PanoramaEngine(std::string_view path, const DecodeLimits& limits = {});

    // Loads a whole file image already in memory: runs the kind test on its
    // first bytes ("File Type Error: Unsupported File Format" when there is no
    // tag) and then LoadMemory. Throws PanoramaLoadError.
    //   bytes:  the complete file; not needed after the call.
    //   limits: bounds of the decode and the cancel flag (see LoadMemory).
    explicit PanoramaEngine(std::span<const std::uint8_t> bytes, const DecodeLimits& limits = {});

    // An engine that is not loaded: every operation answers kNotLoaded until
    // LoadFile or LoadMemory succeeds.
    PanoramaEngine();

    ~PanoramaEngine();  // runs Close
    PanoramaEngine(const PanoramaEngine&) = delete;
    PanoramaEngine& operator=(const PanoramaEngine&) = delete;

    // First stage of a load: reads the whole file and runs LoadMemory on it.
    // Throws PanoramaLoadError (engine unloaded afterwards).
    //   path:   file name, absolute or relative to the working directory.
    //   limits: as for LoadMemory; the file is also read in pieces with the
    //           cancel flag looked at between them.
    void LoadFile(std::string_view path, const DecodeLimits& limits = {});

    // Second stage: loads from a whole-file image. Throws PanoramaLoadError
    // (engine unloaded afterwards). Replaces any panorama loaded before.
    //   bytes:  the whole file; the caller keeps it, it is not needed after.
    //   kind:   the kind tag of its first bytes (KindOf).
    //   limits: passed to DecodeImage (decode_limits.h); the default keeps
    //           every load that succeeded before. When limits.cancel is set
    //           during the load, the load stops at the next check (between
    //           its steps, and inside the decoders) and throws
    //           PanoramaLoadError with kTextLoadCancelled; a loader that
    //           cancels discards that error.
    // With limits.screen_depth given it asks no display, so it may run on a
    // thread of its own; the only process-wide state it touches is the
    // screen depth it stores.
    void LoadMemory(std::span<const std::uint8_t> bytes, KindTag kind,
                    const DecodeLimits& limits = {});

    // True between a successful load and Close.
    bool IsLoaded() const { return loaded_ != nullptr; }

    // Sets how many views the engine keeps, 1 to kMaxViews (other counts are
    // brought into that range). New views start as view 0 started after the
    // load; views beyond the count are dropped with their buffers. May be
    // called at any time; the count is kept across loads.
    void SetViewCount(int count);
    int ViewCount() const;

    // In the operations below, `view` is the number of the view, 0 to
    // ViewCount() - 1; an operation on a view that does not exist answers
    // as on an engine that is not loaded.

    // Stores the live view; heading, pitch and roll are wrapped into
    // (-180, 180], zoom is kept as given (the next frame clamps it).
    //   heading, pitch, roll, zoom: degrees.
    // Returns kDone or kNotLoaded.
    int SetView(double heading, double pitch, double roll, double zoom, int view = 0);

    // Sets where frames go: a rectangle in target pixels, or null to use the
    // target's client rectangle. Returns kDone or kNotLoaded.
    int SetDestRect(const PixelRect* rect, int view = 0);

    // Draws one frame of the live view into `rect` of `target`
    // (SetDestRect(&rect), then RenderFrame under the StateLock).
    // Returns kDone or kNotLoaded; the frame result is not passed on.
    int Draw(DrawTarget& target, const PixelRect& rect, int view = 0);

    // Produces one frame and presents it on `target`. Returns kFrameDrawn,
    // kFrameNone, or a sum of kFrameLimited for each clamped view value (or
    // kFrameNone on an unloaded engine). Callers normally use Draw.
    int RenderFrame(DrawTarget& target, int view = 0);

    // Releases the image, renderer, buffers, staging directory and StateLock.
    // Does nothing on an engine that is not loaded, so it may run any number
    // of times.
    void Close();

    // Lends the engine threads to draw its frames with (see WorkerPool), or
    // takes them back with null (the default: every frame on the calling
    // thread). The pool is not owned and must outlive its use here; it is
    // busy only inside Draw, so the engine can be closed or destroyed at
    // any time between frames. Kept across loads.
    void SetWorkerPool(WorkerPool* pool) { pool_ = pool; }

    // Filter kind of still frames: 0 disables the still render, 1 is the
    // half-pixel average, 8 bilinear (the default; every load resets it to
    // 8). A change drops the kept still pictures so the next resting frame
    // of each view is rendered with the new filter.
    void SetStillQuality(std::int16_t quality);
    std::int16_t StillQuality() const { return still_quality_; }

    // How views are projected (rectilinear by default). Any other projection
    // lets the zoom of a full sphere reach MaxZoomOf(projection); a change
    // drops the kept still pictures. Kept across loads.
    void SetProjection(Projection projection);
    Projection ViewProjection() const { return projection_; }

    // Moving frames drawn with the still filter instead of the nearest one
    // (off by default). Kept across loads.
    void SetSmoothMotion(bool on) { smooth_motion_ = on; }

    // The live view and limits of a view (which must exist), the initial
    // view of the file and its coverage.
    ViewState View(int view = 0) const;
    ViewState InitialView() const { return initial_view_; }
    const ViewLimits& Limits(int view = 0) const;
    const Coverage& CoveredArea() const { return coverage_; }

    // Geometry of a view's frame buffer (the view must exist), and the
    // counters of the frame pipeline, all views together.
    const FrameFormat& Frame(int view = 0) const;
    const FrameStatistics& Statistics() const { return statistics_; }

    // The loaded picture: width and height in pixels, depth code, and its
    // pixel area (bottom-up rows). Zero/empty when not loaded.
    std::int32_t ImageWidth() const;
    std::int32_t ImageHeight() const;
    std::uint16_t ImageDepth() const;
    std::span<const std::uint8_t> ImagePixels() const;

    // Full path of the staging directory, or empty when none was made.
    std::string StagingPath() const;
    // Embedded files left out because the panorama's files went past the
    // staging bounds (kMaxStagedFiles, kMaxStagedBytes); 0 when none.
    int StagingSkipped() const;

  private:
    struct Loaded;    // what only a loaded engine owns
    struct ViewSlot;  // what each view keeps from frame to frame

    bool HasView(int view) const;
    // A view as it is right after the load.
    ViewSlot StartSlot() const;
    // Every view back to its state right after the load.
    void ResetViews();
    void ResetForLoad();
    [[noreturn]] void FailLoad(const std::string& text);
    void FailIfCancelled(const DecodeLimits& limits);
    void SetInitialView(const ViewState& view);
    void UseCanvas(PackedDib canvas, CanvasFailure failure);
    void PlaceContainerPicture(std::span<const std::uint8_t> bytes);
    void PlacePlainPicture(const PicturePlacement& placement);
    void StageFiles(std::span<const std::uint8_t> file_chunk);

    std::unique_ptr<Loaded> loaded_;
    std::vector<ViewSlot> views_;
    // The live view and limits every view starts with after the load.
    ViewState start_view_{0, 0, 0, 60};
    ViewLimits start_limits_;
    ViewState initial_view_{0, 0, 0, 60};
    Coverage coverage_;
    bool palette_dirty_ = true;
    std::int16_t still_quality_ = kDefaultStillQuality;
    Projection projection_ = Projection::Rectilinear;
    bool smooth_motion_ = false;
    FrameStatistics statistics_;
    WorkerPool* pool_ = nullptr;
};

}  // namespace skyweave
