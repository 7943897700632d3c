// CPanoramaSaverWnd: the saver window that shows a panorama. It takes the
// settings at creation, has the configured panorama loaded in the background
// from the first frame request on (showing "Decompressing panorama...", then
// the picture or the failure's text, retried when the file changes or after
// 30 s), advances the automatic motion and draws one frame per request,
// paints the splash picture while no panorama is open, and shows the splash
// for two seconds when the full-screen saver closes. Given the monitor
// layout, the full-screen window covers every monitor with one view each,
// all drawn from the one loaded panorama, and follows monitors that come and
// go. Owned by the application object, which deletes it at exit (closing
// the panorama and its staging directory).
//
// When FilePath names a folder, the window shows the folder's panoramas in
// shuffled rounds (FolderShow), each for ChangeEvery seconds from its own
// initial view: the next one loads in the background while the current one
// turns on, then the two cross-fade (or cut, with Fade off) and the old one
// is released off the event loop. A file that fails is skipped, its message
// shown for a moment over the view. On several monitors every view fades at
// once, each between its own two views of the two panoramas.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "app/auto_motion.h"
#include "app/frame_rate_overlay.h"
#include "app/monitor_views.h"
#include "app/saver_wnd.h"
#include "app/splash_picture.h"
#include "engine/crossfade.h"
#include "loading/engine_releaser.h"
#include "loading/folder_show.h"
#include "loading/load_retry.h"
#include "loading/panorama_loader.h"
#include "platform/display/text_renderer.h"
#include "settings/saver_settings.h"

namespace skyweave {

class MonitorWatch;
class PanoramaEngine;
class WindowCanvas;
class WindowDrawTarget;
class WorkerPool;

class CPanoramaSaverWnd : public CSaverWnd {
  public:
    // settings: the values to run with (stored or overridden), copied.
    // splash_on_close: black screen and 2000 ms of splash when the window
    // closes (the full-screen saver).
    // pool: threads the panorama draws its frames with, or null for the
    // window's own thread alone; not owned, must outlive the window.
    CPanoramaSaverWnd(const SaverSettings& settings, bool splash_on_close,
                      WorkerPool* pool = nullptr);
    ~CPanoramaSaverWnd() override;

    // Makes a full-screen window cover every monitor `watch` lists (with
    // one view each when there are several) and follow the changes it
    // reports while the saver runs. Call before Create; without it the
    // window covers the display under the pointer with one view, and
    // nothing is watched.
    void WatchMonitors(std::unique_ptr<MonitorWatch> watch);

    // Makes the window and runs the creation steps (motion, random timer).
    bool Create(const WindowPlacement& placement, bool preview, std::string& error) override;

    // Logs "shown W H" with the client size once the window is on screen.
    void TraceShown(const PixelRect& client) {
        Trace("shown " + std::to_string(client.Width()) + " " + std::to_string(client.Height()));
    }

    // True when the next frame request has work: a load to start, a first
    // message to show, or a picture that may still change. The application
    // asks before it sends one, so that a window with nothing to animate
    // waits in the event loop.
    bool WantsFrame() const;

    // Logs "present gl NAME" or "present surface WHY" (WHY empty when
    // OpenGL was not asked for).
    void TracePresentation();

    const MonitorViews& views() const { return views_; }
    const PanoramaEngine* panorama() const { return panorama_.get(); }

  protected:
    void OnTimer(unsigned id) override;
    void OnClose() override;
    void OnEndSignal() override;
    void OnEraseBackground(WindowCanvas& canvas) override;
    void OnPaint(WindowCanvas& canvas) override;
    void OnPrivateMessage(std::uint32_t message) override;

  private:
    void OnCreate();
    void OnNextFrame();
    // Views for `monitors` (root pixels) in the window as it is placed now.
    void LayOutViews(const std::vector<PixelRect>& monitors);
    void OnMonitorsChanged(const std::vector<PixelRect>& monitors);
    // The splash picture centred on each monitor.
    void DrawSplash(WindowCanvas& canvas);
    // The monitors' union for a window over several, else the placement of
    // a window on one.
    WindowPlacement Covering(const std::vector<PixelRect>& monitors) const;
    // Starts showing FilePath: a folder's first panorama, or the file.
    void StartShowing();
    void StartLoad(const std::string& path);
    void OnLoadDone();
    void OnLoadFailed(const LoadOutcome& outcome);
    // Makes `engine`, loaded from `path`, the panorama shown.
    void Show(std::unique_ptr<PanoramaEngine> engine, const std::string& path);
    // Folder: asks for the next panorama when one is due and none loads.
    void AdvanceFolder();
    void OnListNews();
    void StartChangeTimer();
    // Folder: the panorama's motion starts from its own initial view.
    void StartFromInitialView();
    void EndFade();
    // Logs the longest frame gap of the switch that just ended.
    void EndSwitch();
    // Logs the longest frame gap since the last such line ("steady": the
    // panorama's own time; "switch": the change to the next) and restarts.
    void TraceLongestGap(std::string_view span);
    // Draws view `view` in its rectangle: the panorama, or the crossfade.
    void DrawView(WindowDrawTarget& target, const PixelRect& rect, std::size_t view);
    // What is drawn over a frame of the view in `rect` before it shows: the
    // failed file's message and, with `overlay`, the frame-rate overlay;
    // empty while neither shows.
    std::function<void(WindowCanvas&)> Decorations(const PixelRect& rect, bool overlay);
    // Where the frame-rate overlay and the message text stand: the first
    // monitor of a window over several, else the whole client area.
    PixelRect FirstMonitor() const;
    void ClosePanorama();
    void StopRandomTimer();
    void TraceStatistics();

    SaverSettings settings_;
    bool splash_on_close_;
    WorkerPool* pool_;
    std::unique_ptr<PanoramaEngine> panorama_;
    // The frame-rate overlay, while the settings ask for it.
    std::unique_ptr<FrameRateOverlay> overlay_;
    SplashPicture splash_;
    std::string file_path_;
    unsigned random_timer_ = 0;
    MonitorViews views_;
    // The layout being followed, and where the window was made (null and
    // unused without WatchMonitors).
    std::unique_ptr<MonitorWatch> monitors_;
    WindowPlacement placement_;
    // What the last frame showed of each view, and how many frames in a row
    // showed the same (a window whose views rest stops asking for frames).
    struct DrawnView {
        MotionRect rect;
        double heading = 0;
        double pitch = 0;
        double roll = 0;
        double zoom = 0;
        bool operator==(const DrawnView&) const = default;
    };
    std::vector<DrawnView> last_views_;
    int unchanged_frames_ = 0;
    // The file's failed load waits for the retry rule.
    bool load_failed_ = false;
    LoadRetry retry_;
    // The file the panorama shown was loaded from.
    std::string shown_path_;
    // The crossfade: the panorama fading out, its own motion in each view
    // (its angles turn on; the rectangle is the current one's), when the
    // fade began, and each view's mixer.
    std::unique_ptr<PanoramaEngine> outgoing_;
    std::vector<AutoMotion> outgoing_motions_;
    std::chrono::steady_clock::time_point fade_start_;
    std::vector<Crossfader> crossfaders_;
    // A failed file's message, drawn over the view until notice_until_.
    std::string notice_;
    std::chrono::steady_clock::time_point notice_until_;
    TextRenderer notice_text_;
    // Panoramas no longer shown are released on its thread.
    EngineReleaser releaser_;
    // FilePath as a folder; null for a file. Its listing thread is joined
    // before the releaser's.
    std::unique_ptr<FolderShow> folder_;
    // Folder: the next panorama is due and not yet asked for.
    bool want_next_ = false;
    // From the change's start to the end of its fade or cut. The longest
    // time between two frames drawn is logged for each switch and for the
    // time before it (for benchmarks).
    bool switching_ = false;
    std::chrono::steady_clock::time_point last_frame_at_;
    std::chrono::steady_clock::duration longest_gap_{};
    // Declared last: destroyed (cancelled and joined) first.
    PanoramaLoader loader_;
    // Frames drawn, and the wall time of Draw and of the copies to the
    // screen inside it, in nanoseconds (for the event log's statistics).
    std::uint64_t frames_drawn_ = 0;
    std::uint64_t draw_ns_ = 0;
    std::uint64_t present_ns_ = 0;
};

}  // namespace skyweave
