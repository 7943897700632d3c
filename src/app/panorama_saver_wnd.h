// CPanoramaSaverWnd: the saver window that shows a panorama. It takes the
// settings at creation, has the configured panorama loaded in the background
// from the first frame request on (showing "Decompressing panorama...", then
// the picture or the failure's text, retried when the file changes or after
// 30 s), advances the automatic motion and draws one frame per request,
// paints the splash picture while no panorama is open, and shows the splash
// for two seconds when the full-screen saver closes. Owned by the
// application object, which deletes it at exit (closing the panorama and its
// staging directory).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/auto_motion.h"
#include "loading/load_retry.h"
#include "loading/panorama_loader.h"
#include "app/saver_wnd.h"
#include "app/splash_picture.h"
#include "settings/saver_settings.h"

namespace skyweave {

class PanoramaEngine;
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

    const AutoMotion& motion() const { return motion_; }
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
    void StartLoad();
    void OnLoadDone();
    void ClosePanorama();
    void StopRandomTimer();
    void TraceStatistics();

    SaverSettings settings_;
    bool splash_on_close_;
    WorkerPool* pool_;
    std::unique_ptr<PanoramaEngine> panorama_;
    SplashPicture splash_;
    std::string file_path_;
    unsigned random_timer_ = 0;
    AutoMotion motion_;
    // What the last frame showed, and how many frames in a row showed the
    // same (a window whose view rests stops asking for frames).
    struct DrawnView {
        MotionRect rect;
        double heading = 0;
        double pitch = 0;
        double roll = 0;
        double zoom = 0;
        bool operator==(const DrawnView&) const = default;
    };
    DrawnView last_view_;
    int unchanged_frames_ = 0;
    // The file's failed load waits for the retry rule.
    bool load_failed_ = false;
    LoadRetry retry_;
    // Declared last: destroyed (cancelled and joined) first.
    PanoramaLoader loader_;
    // Frames drawn, and the wall time of Draw and of the copies to the
    // screen inside it, in nanoseconds (for the event log's statistics).
    std::uint64_t frames_drawn_ = 0;
    std::uint64_t draw_ns_ = 0;
    std::uint64_t present_ns_ = 0;
};

}  // namespace skyweave
