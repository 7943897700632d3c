// CSaverApp: the application object. It turns the command line into a run
// mode and does that mode's work: the options dialog, the preview inside a
// host window, the full-screen saver, storing a file path or erasing the
// settings. While a saver window runs it drives the idle-paced frame loop
// and tears everything down in a fixed order at the end. main() makes one;
// RunSaver (saver_run.h) uses one for the desktop daemon's windows.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "app/panorama_saver_wnd.h"
#include "app/run_mode.h"
#include "app/saver_run.h"
#include "platform/core/end_signals.h"
#include "platform/core/worker_pool.h"
#include "platform/display/sdl_video.h"
#include "platform/profile/profile_store.h"

namespace skyweave {

class CSaverApp {
  public:
    CSaverApp();
    ~CSaverApp();
    CSaverApp(const CSaverApp&) = delete;
    CSaverApp& operator=(const CSaverApp&) = delete;

    // Parses the command line (argv as main() has it; the first argument may
    // be upper-cased in place) and does the work of its mode. True when the
    // message loop is to run (preview and full screen).
    bool InitInstance(int argc, char** argv);

    // Makes and shows the saver window for `options` (SDL, screen depth,
    // settings, grab). False when it cannot be made; the reason is on
    // stderr and ExitInstance then answers 1.
    bool StartSaverWindow(const SaverRunOptions& options);

    // Runs the message loop until the window ends and returns the process
    // exit code (ExitInstance's). An exception escaping the loop shows the
    // module error text, releases the grab and gives 0 without ExitInstance.
    int Run();

    // Posts one frame request to the frame-drawing window when it exists, is
    // visible, wants one and the pace allows; otherwise, when only the pace
    // holds it back, asks the loop to call again in time. Called by the loop
    // each time its queue runs empty.
    void OnIdle();

    // Releases the grab and deletes the windows (closing the panorama).
    // Returns the exit code: 0, or 1 after a failed start.
    int ExitInstance();

    RunMode mode() const { return mode_; }

  private:
    CPanoramaSaverWnd* MainWindow() const;
    void SetScreenSaverRunning(bool running);

    // The end signals are caught for the whole run, and SDL outlives the
    // windows: declared first, destroyed last.
    std::optional<EndSignals> end_signals_;
    std::unique_ptr<SdlVideo> video_;
    // The threads that draw frames, made once for the run; outlives the
    // windows, whose panorama borrows it.
    std::unique_ptr<WorkerPool> pool_;
    std::unique_ptr<CPanoramaSaverWnd> full_screen_window_;
    std::unique_ptr<CPanoramaSaverWnd> preview_window_;
    ProfileStore profile_;
    RunMode mode_ = RunMode::None;
    bool grab_ = false;
    int exit_code_ = 0;
    // Frame pacing (frame_pacing.h): the period in milliseconds (0: frames
    // run free) and when the next frame request may go out, in the window's
    // ticks.
    double frame_period_ms_ = 0;
    double next_frame_ms_ = 0;
};

}  // namespace skyweave
