// The panorama saver window; see panorama_saver_wnd.h.
#include "app/panorama_saver_wnd.h"

#include <chrono>
#include <ctime>
#include <exception>
#include <new>
#include <string>
#include <thread>

#include "app/frame_log.h"
#include "app/saver_messages.h"
#include "engine/panorama_engine.h"
#include "image/screen_depth.h"
#include "platform/core/staging_directory.h"
#include "platform/display/error_report.h"
#include "platform/display/window_draw_target.h"

namespace skyweave {
namespace {

constexpr std::chrono::milliseconds kSplashOnClose{2000};
// While a failure message shows, the retry rule is asked this often.
constexpr unsigned kRetryTimerId = 2;
constexpr unsigned kRetryTimerPeriodMs = 1000;

MotionRect ToMotionRect(const PixelRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}
PixelRect ToPixelRect(const MotionRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

}  // namespace

CPanoramaSaverWnd::CPanoramaSaverWnd(const SaverSettings& settings, bool splash_on_close,
                                     WorkerPool* pool)
    : settings_(settings),
      splash_on_close_(splash_on_close),
      pool_(pool),
      motion_(settings),
      // The worker only pushes an event; the outcome is taken on this thread.
      loader_([this] { window_->PostMessageFromAnyThread(WM_SAVER_LOAD_DONE); }) {}

CPanoramaSaverWnd::~CPanoramaSaverWnd() {
    loader_.Cancel();
    try {
        ClosePanorama();
    } catch (...) {
        ShowErrorMessage(LoadResourceString(StringId::CloseError));
    }
}

bool CPanoramaSaverWnd::Create(const WindowPlacement& placement, bool preview, std::string& error) {
    if (!CSaverWnd::Create(placement, preview, error)) {
        return false;
    }
    OnCreate();
    return true;
}

void CPanoramaSaverWnd::OnCreate() {
    file_path_ = settings_.filePath;
    motion_ = AutoMotion(settings_);
    random_timer_ = 0;
    if (motion_.AnyRandom()) {
        motion_.SeedFromTime(static_cast<std::uint32_t>(std::time(nullptr)));
        random_timer_ =
            window_->SetTimer(AutoMotion::kRandomTimerId, AutoMotion::kRandomTimerPeriodMs);
        if (random_timer_ != 0) {
            // The configured speeds of random axes are bounds, never speeds.
            motion_.RandomDraw();
        }
    }
    ClosePanorama();
    window_->Invalidate(nullptr, true);
}

void CPanoramaSaverWnd::ClosePanorama() {
    if (panorama_) {
        panorama_->Close();
        panorama_.reset();
    }
}

void CPanoramaSaverWnd::StopRandomTimer() {
    if (random_timer_ != 0 && IsWindowAlive()) {
        window_->KillTimer(random_timer_);
    }
    random_timer_ = 0;
}

void CPanoramaSaverWnd::OnTimer(unsigned id) {
    if (id != 0 && id == random_timer_) {
        motion_.RandomDraw();
    } else if (id == kRetryTimerId && retry_.Due(std::chrono::steady_clock::now())) {
        window_->KillTimer(kRetryTimerId);
        StartLoad();
    }
}

bool CPanoramaSaverWnd::WantsFrame() const {
    if (panorama_) {
        // One more frame while the picture may still change: the motion
        // turns or drifts, or the last frame was the first of a still view
        // (the next is drawn with the still filter), or the view rectangle
        // was painted over.
        return !motion_.Still() || unchanged_frames_ < 1;
    }
    if (IsNoFileChosen(file_path_)) {
        return message_text().empty();  // once, to show the message
    }
    return !loader_.Busy() && !load_failed_;
}

void CPanoramaSaverWnd::StartLoad() {
    load_failed_ = false;
    ShowMessageText(StringId::DecompressingMessage);
    Trace("load start");
    DecodeLimits limits;
    // Asked here: the display belongs to this thread, not the loader's.
    limits.screen_depth = RefreshScreenDepth();
    loader_.Request(file_path_, limits);
}

void CPanoramaSaverWnd::OnLoadDone() {
    std::optional<LoadOutcome> outcome = loader_.Take();
    if (!outcome) {
        return;  // called off meanwhile
    }
    if (!outcome->engine) {
        Trace("load failed");
        load_failed_ = true;
        retry_.Failed(outcome->path, std::chrono::steady_clock::now());
        window_->SetTimer(kRetryTimerId, kRetryTimerPeriodMs);
        if (outcome->error.empty()) {
            ShowMessageText(StringId::ModuleError);
        } else {
            ShowMessageText(outcome->error);
        }
        return;
    }
    Trace("load done");
    retry_.Clear();
    panorama_ = std::move(outcome->engine);
    panorama_->SetWorkerPool(pool_);
    if (const int skipped = panorama_->StagingSkipped(); skipped > 0) {
        const StagingBudget budget;
        ShowErrorMessage("the panorama embeds more than " + std::to_string(budget.max_files) +
                         " files or " + std::to_string(budget.max_bytes >> 20) + " MiB; " +
                         std::to_string(skipped) + " of its files were not staged");
    }
    unchanged_frames_ = 0;
    ClearMessageText();
    if (splash_.IsDecoded()) {
        splash_.Free();
    }
}

void CPanoramaSaverWnd::TracePresentation() {
    if (!IsWindowAlive()) {
        return;
    }
    std::string line = window_->PresentsWithOpenGl() ? "present gl" : "present surface";
    if (!window_->PresentationNote().empty()) {
        line += " " + window_->PresentationNote();
    }
    Trace(line);
}

void CPanoramaSaverWnd::TraceStatistics() {
    if (!log_) {
        return;
    }
    Trace("statistics frames " + std::to_string(frames_drawn_) + " draw_ns " +
          std::to_string(draw_ns_) + " present_ns " + std::to_string(present_ns_));
}

void CPanoramaSaverWnd::OnClose() {
    Trace("close");
    TraceStatistics();
    StopRandomTimer();
    // Called off now, so that it has ended by the time the window goes.
    loader_.Cancel();
    if (splash_on_close_) {
        {
            WindowCanvas canvas = window_->GetCanvas();
            canvas.FillBlack(canvas.ClientRect());
            splash_.Draw(canvas);
        }
        std::this_thread::sleep_for(kSplashOnClose);
    }
    window_->Destroy();
}

void CPanoramaSaverWnd::OnEndSignal() {
    // The host ends us: no splash, no delay, just an orderly teardown.
    Trace("signal");
    TraceStatistics();
    StopRandomTimer();
    loader_.Cancel();
    window_->Destroy();
}

void CPanoramaSaverWnd::OnEraseBackground(WindowCanvas& canvas) {
    CSaverWnd::OnEraseBackground(canvas);
    unchanged_frames_ = 0;  // the view may have been erased: draw it again
}

void CPanoramaSaverWnd::OnPaint(WindowCanvas& canvas) {
    if (!panorama_) {
        splash_.Draw(canvas);
    }
    CSaverWnd::OnPaint(canvas);
}

void CPanoramaSaverWnd::OnPrivateMessage(std::uint32_t message) {
    if (message == WM_SAVER_NEXT_FRAME) {
        OnNextFrame();
        return;
    }
    if (message == WM_SAVER_LOAD_DONE) {
        OnLoadDone();
        return;
    }
    CSaverWnd::OnPrivateMessage(message);
}

void CPanoramaSaverWnd::OnNextFrame() {
    try {
        if (!panorama_) {
            Trace("frame request without a picture");
            if (IsNoFileChosen(file_path_)) {
                ShowMessageText(StringId::SelectFileMessage);
            } else if (!loader_.Busy() && !load_failed_) {
                StartLoad();
            }
            return;
        }
        motion_.Advance();
        panorama_->SetView(motion_.heading(), motion_.pitch(), motion_.roll(), motion_.zoom());
        const auto strips = motion_.PlaceOrDrift(ToMotionRect(window_->ClientRect()));
        for (const MotionRect& strip : strips) {
            const PixelRect rect = ToPixelRect(strip);
            window_->Invalidate(&rect, true);
        }
        const DrawnView view{motion_.view_rect(), motion_.heading(), motion_.pitch(),
                             motion_.roll(), motion_.zoom()};
        unchanged_frames_ = view == last_view_ ? unchanged_frames_ + 1 : 0;
        last_view_ = view;
        WindowDrawTarget target(*window_, &present_ns_);
        const auto start = std::chrono::steady_clock::now();
        panorama_->Draw(target, ToPixelRect(motion_.view_rect()));
        draw_ns_ += static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                                   std::chrono::steady_clock::now() - start)
                                                   .count());
        ++frames_drawn_;
        if (log_) {
            log_->Write(motion_.view_rect(), motion_.heading(), motion_.pitch(), motion_.roll(),
                        motion_.zoom(), panorama_->Frame().depth,
                        window_->PendingMessages(WM_SAVER_NEXT_FRAME), panorama_->StagingPath());
        }
    } catch (...) {
        ShowMessageText(StringId::ModuleError);
    }
}

}  // namespace skyweave
