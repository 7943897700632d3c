// The application object; see saver_app.h.
#include "app/saver_app.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "app/frame_pacing.h"
#include "app/saver_messages.h"
#include "image/screen_depth.h"
#include "platform/core/staging_directory.h"
#include "platform/core/temp_directory.h"
#include "platform/display/error_report.h"
#include "platform/display/monitor_layout.h"
#include "platform/display/screen_depth.h"
#include "platform/display/x11_windows.h"

#if __has_include("ui/run_options_dialog.h")
#include "ui/run_options_dialog.h"
#define SKYWEAVE_HAS_OPTIONS_DIALOG 1
#endif

namespace skyweave {
namespace {

constexpr const char* kCompany = "Corvane";
constexpr const char* kOwnerTitle = "Display Properties";

// present: how frames are to reach the screen (the Present setting); only
// a window that shows frames presents through OpenGL.
WindowPlacement PlacementFor(const SaverRunOptions& options, PresentMethod present) {
    WindowPlacement placement;
    placement.opengl = options.frames && present != PresentMethod::Surface;
    placement.opengl_hardware_only = present == PresentMethod::Auto;
    switch (options.placement) {
        case SaverRunOptions::Placement::FullScreen:
            placement.kind = WindowPlacement::Kind::FullScreen;
            break;
        case SaverRunOptions::Placement::InsideForeignWindow:
            placement.kind = WindowPlacement::Kind::Child;
            placement.parent = options.foreign_window;
            break;
        case SaverRunOptions::Placement::OwnWindow:
            placement.kind = WindowPlacement::Kind::Own;
            placement.width = options.own_width;
            placement.height = options.own_height;
            placement.title = "Skyweave";
            break;
    }
    return placement;
}

// The path /a stores for `given`: absolute, from the folder the command was
// given in, since the saver later runs from another. No file stays no file.
std::string StoredFilePath(const char* given) {
    const std::string path = given;
    if (IsNoFileChosen(path) || path.front() == '/') {
        return path;
    }
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    return ec ? path : absolute.string();
}

// `what`, followed by why the settings file could not be used when known.
std::string WithProblem(const std::string& what, const ProfileStore& profile) {
    return profile.Problem().empty() ? what : what + ": " + profile.Problem();
}

}  // namespace

CSaverApp::CSaverApp() = default;

CSaverApp::~CSaverApp() {
    full_screen_window_.reset();
    preview_window_.reset();
}

bool CSaverApp::InitInstance(int argc, char** argv) {
    profile_.SetRegistryKey(kCompany);
    std::int64_t handle = 0;
    mode_ = ParseCommandLine(argc, argv, handle, [] {
        return static_cast<std::int64_t>(FindTopLevelWindowByTitle(kOwnerTitle));
    });
    switch (mode_) {
        case RunMode::Configure:
#ifdef SKYWEAVE_HAS_OPTIONS_DIALOG
            // A dialog that could not be shown (no display) is a failed run,
            // so a settings program that starts us can tell.
            if (RunOptionsDialog(static_cast<unsigned long>(handle)) == kDialogFailed) {
                exit_code_ = 1;
            }
#else
            std::cerr << "skyweave: the options dialog is not available in this build\n";
#endif
            return false;
        case RunMode::Preview: {
            const auto parent = static_cast<std::uint64_t>(handle);
            if (!X11WindowExists(parent)) {
                ShowErrorMessage("window " + std::to_string(handle) +
                                 " given for the preview does not exist on the display");
                exit_code_ = 1;
                return false;
            }
            SaverRunOptions options;
            options.placement = SaverRunOptions::Placement::InsideForeignWindow;
            options.foreign_window = parent;
            options.frames = false;
            options.end_on_input = false;
            options.grab_input = false;
            options.splash_on_close = false;
            return StartSaverWindow(options);
        }
        case RunMode::FullScreen:
            return StartSaverWindow(SaverRunOptions{});
        case RunMode::SetFile:
            if (!StoreFilePath(profile_, StoredFilePath(argv[2]))) {
                ShowErrorMessage(WithProblem("the file path could not be stored", profile_));
                exit_code_ = 1;
            }
            return false;
        case RunMode::Reset:
            if (!ResetSaverSettings(profile_)) {
                ShowErrorMessage(WithProblem("the settings could not be erased", profile_));
                exit_code_ = 1;
            }
            return false;
        case RunMode::None:
            return false;
    }
    return false;
}

bool CSaverApp::StartSaverWindow(const SaverRunOptions& options) {
    if (profile_.CompanyName().empty()) {
        profile_.SetRegistryKey(kCompany);
    }
    // Caught before the window exists, so that no moment of the run dies
    // with its staging directory left behind.
    end_signals_.emplace();
    // What savers that were killed left in the temporary folder; never the
    // directory of one that still runs (one per monitor, say).
    SweepStaleStagingDirectories(TemporaryFilesDirectory());
    video_ = std::make_unique<SdlVideo>(RemoveStagingDirectoriesNow);
    if (!video_->ok()) {
        ShowErrorMessage("no display for the saver: " + video_->error());
        exit_code_ = 1;
        return false;
    }
    InstallScreenDepthQuery(QueryScreenDepth);
    RefreshScreenDepth();
    const SaverSettings settings = options.settings_override != nullptr
                                       ? *options.settings_override
                                       : LoadSaverSettings(profile_);
    if (!profile_.Problem().empty()) {
        // The saver runs on with the defaults; the user learns why.
        ShowErrorMessage(profile_.Problem());
    }
    if (!pool_) {
        pool_ = std::make_unique<WorkerPool>(ResolveThreadCount(settings.threads));
    }
    SaverSettings window_settings = settings;
    // A window without frames (the preview) has no frame rate to show.
    window_settings.showFrameRate = settings.showFrameRate && options.frames;
    auto window =
        std::make_unique<CPanoramaSaverWnd>(window_settings, options.splash_on_close, pool_.get());
    if (options.placement == SaverRunOptions::Placement::FullScreen) {
        // Every monitor; without a monitor list, the one under the pointer.
        if (auto monitors = MonitorWatch::Open()) {
            window->WatchMonitors(std::move(monitors));
        }
    }
    std::string error;
    if (!window->Create(PlacementFor(options, settings.present), !options.end_on_input, error)) {
        ShowErrorMessage("the saver window could not be made: " + error);
        exit_code_ = 1;
        return false;
    }
    window->TracePresentation();
    if (settings.present == PresentMethod::Gl && options.frames &&
        !window->window()->PresentsWithOpenGl()) {
        // Asked for by name, so its absence is worth a word; the frames
        // still come, through the window surface.
        ShowErrorMessage("OpenGL presentation is not available (" +
                         window->window()->PresentationNote() +
                         "); frames go through the window surface");
    }
    window->window()->Show();
    {
        const PixelRect client = window->window()->ClientRect();
        window->TraceShown(client);
    }
    grab_ = options.grab_input;
    const double frame_rate =
        PacedFrameRate(window->window()->RefreshRateHz(), settings.maxFrameRate);
    frame_period_ms_ = frame_rate > 0 ? 1000.0 / frame_rate : 0.0;
    if (options.frames) {
        full_screen_window_ = std::move(window);
    } else {
        preview_window_ = std::move(window);
    }
    SetScreenSaverRunning(true);
    return true;
}

CPanoramaSaverWnd* CSaverApp::MainWindow() const {
    return full_screen_window_ ? full_screen_window_.get() : preview_window_.get();
}

void CSaverApp::SetScreenSaverRunning(bool running) {
    // Our meaning of "a screen saver runs": keyboard and pointer belong to
    // the saver window while it shows.
    CPanoramaSaverWnd* window = MainWindow();
    if (grab_ && window != nullptr && window->IsWindowAlive()) {
        window->window()->SetInputGrab(running);
    }
}

void CSaverApp::OnIdle() {
    // The loop calls this only with an empty queue, so no request can wait;
    // the count keeps it so even if a caller posts one of its own.
    if (!full_screen_window_ || !full_screen_window_->IsWindowAlive()) {
        return;
    }
    NativeWindow& window = *full_screen_window_->window();
    if (!window.IsVisible() || window.PendingMessages(WM_SAVER_NEXT_FRAME) != 0) {
        return;
    }
    // Nothing to animate, nothing to do: the loop waits for events.
    if (!full_screen_window_->WantsFrame()) {
        return;
    }
    if (frame_period_ms_ > 0) {
        // Frames at the paced rate (frame_pacing.h), waiting in the event
        // loop in between rather than spinning a core.
        const auto now = static_cast<double>(NativeWindow::TicksMs());
        if (now < next_frame_ms_) {
            window.CallIdleAgainAt(static_cast<std::uint64_t>(std::ceil(next_frame_ms_)));
            return;
        }
        // Keep the beat; after a long frame start a new one from now.
        next_frame_ms_ = now - next_frame_ms_ > frame_period_ms_
                             ? now + frame_period_ms_
                             : next_frame_ms_ + frame_period_ms_;
    }
    window.PostMessage(WM_SAVER_NEXT_FRAME);
}

int CSaverApp::Run() {
    CPanoramaSaverWnd* window = MainWindow();
    if (window == nullptr || !window->IsWindowAlive()) {
        return ExitInstance();
    }
    try {
        window->window()->RunMessageLoop([this] { OnIdle(); }, true);
    } catch (...) {
        const auto text = LoadResourceString(StringId::ModuleError);
        if (window->IsWindowAlive()) {
            window->ShowMessageText(text);
        } else {
            ShowErrorMessage(text);
        }
        SetScreenSaverRunning(false);
        return 0;
    }
    return ExitInstance();
}

int CSaverApp::ExitInstance() {
    if (full_screen_window_) {
        SetScreenSaverRunning(false);
        full_screen_window_.reset();
    }
    preview_window_.reset();
    return exit_code_;
}

}  // namespace skyweave
