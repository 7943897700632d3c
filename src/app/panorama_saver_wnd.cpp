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
#include "platform/display/error_report.h"
#include "platform/display/window_draw_target.h"

namespace skyweave {
namespace {

constexpr std::chrono::milliseconds kSplashOnClose{2000};

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
      motion_(settings) {}

CPanoramaSaverWnd::~CPanoramaSaverWnd() {
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
    }
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
    window_->Destroy();
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
    CSaverWnd::OnPrivateMessage(message);
}

void CPanoramaSaverWnd::OnNextFrame() {
    try {
        const bool no_file = IsNoFileChosen(file_path_);
        if (!panorama_ && !no_file) {
            ShowMessageText(StringId::DecompressingMessage);
            try {
                panorama_ = std::make_unique<PanoramaEngine>(file_path_);
                panorama_->SetWorkerPool(pool_);
            } catch (const std::bad_alloc&) {
                panorama_.reset();
            }
            ClearMessageText();
        } else if (no_file) {
            ShowMessageText(StringId::SelectFileMessage);
        }
        if (splash_.IsDecoded()) {
            splash_.Free();
        }
        if (panorama_) {
            motion_.Advance();
            panorama_->SetView(motion_.heading(), motion_.pitch(), motion_.roll(), motion_.zoom());
            const auto strips = motion_.PlaceOrDrift(ToMotionRect(window_->ClientRect()));
            for (const MotionRect& strip : strips) {
                const PixelRect rect = ToPixelRect(strip);
                window_->Invalidate(&rect, true);
            }
            WindowDrawTarget target(*window_, &present_ns_);
            const auto start = std::chrono::steady_clock::now();
            panorama_->Draw(target, ToPixelRect(motion_.view_rect()));
            draw_ns_ +=
                static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                               std::chrono::steady_clock::now() - start)
                                               .count());
            ++frames_drawn_;
            if (log_) {
                log_->Write(motion_.view_rect(), motion_.heading(), motion_.pitch(), motion_.roll(),
                            motion_.zoom(), panorama_->Frame().depth,
                            window_->PendingMessages(WM_SAVER_NEXT_FRAME),
                            panorama_->StagingPath());
            }
        }
    } catch (const PanoramaLoadError& error) {
        ShowMessageText(error.what());
    } catch (...) {
        ShowMessageText(StringId::ModuleError);
    }
}

}  // namespace skyweave
