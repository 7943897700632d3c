// CPanoramaSaverWnd: the saver window that shows a panorama. It takes the
// settings at creation, opens the configured panorama on the first frame
// request, advances the automatic motion and draws one frame per request,
// paints the splash picture while no panorama is open, and shows the splash
// for two seconds when the full-screen saver closes. Owned by the
// application object, which deletes it at exit (closing the panorama and its
// staging directory).
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "app/auto_motion.h"
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

    const AutoMotion& motion() const { return motion_; }
    const PanoramaEngine* panorama() const { return panorama_.get(); }

  protected:
    void OnTimer(unsigned id) override;
    void OnClose() override;
    void OnEndSignal() override;
    void OnPaint(WindowCanvas& canvas) override;
    void OnPrivateMessage(std::uint32_t message) override;

  private:
    void OnCreate();
    void OnNextFrame();
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
    // Frames drawn, and the wall time of Draw and of the copies to the
    // screen inside it, in nanoseconds (for the event log's statistics).
    std::uint64_t frames_drawn_ = 0;
    std::uint64_t draw_ns_ = 0;
    std::uint64_t present_ns_ = 0;
};

}  // namespace skyweave
