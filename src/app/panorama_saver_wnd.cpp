// The panorama saver window; see panorama_saver_wnd.h.
#include "app/panorama_saver_wnd.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <exception>
#include <functional>
#include <new>
#include <sstream>
#include <string>
#include <thread>

#include "app/frame_log.h"
#include "app/saver_messages.h"
#include "engine/panorama_engine.h"
#include "image/screen_depth.h"
#include "loading/folder_listing.h"
#include "platform/core/staging_directory.h"
#include "platform/display/error_report.h"
#include "platform/display/monitor_layout.h"
#include "platform/display/window_canvas.h"
#include "platform/display/window_draw_target.h"
#include "settings/settings_table.h"

namespace skyweave {
namespace {

using Clock = std::chrono::steady_clock;

constexpr std::chrono::milliseconds kSplashOnClose{2000};
// While a failure message shows, the retry rule is asked this often.
constexpr unsigned kRetryTimerId = 2;
constexpr unsigned kRetryTimerPeriodMs = 1000;
// Folder: fires when the panorama shown has had its ChangeEvery seconds.
constexpr unsigned kChangeTimerId = 4;
// Folder: how long a failed file's message shows, and the timer that ends
// that moment when no panorama shows (the next file waits for it).
constexpr std::chrono::milliseconds kNoticeTime{3000};
constexpr unsigned kNoticeTimerId = 5;
// How often the monitor layout is read again: monitors that come and go are
// taken up within this time (not every server tells when they do).
constexpr unsigned kMonitorTimerId = 6;
constexpr unsigned kMonitorTimerPeriodMs = 1000;

MotionRect ToMotionRect(const PixelRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}
PixelRect ToPixelRect(const MotionRect& r) {
    return {r.left, r.top, r.right, r.bottom};
}

std::string Describe(const std::vector<PixelRect>& monitors) {
    std::ostringstream text;
    text << "monitors " << monitors.size();
    for (const PixelRect& m : monitors) {
        text << ' ' << m.left << ' ' << m.top << ' ' << m.right << ' ' << m.bottom;
    }
    return text.str();
}

}  // namespace

CPanoramaSaverWnd::CPanoramaSaverWnd(const SaverSettings& settings, bool splash_on_close,
                                     WorkerPool* pool)
    : settings_(settings),
      splash_on_close_(splash_on_close),
      pool_(pool),
      views_(settings),
      // The worker only pushes an event; the outcome is taken on this thread.
      loader_([this] { window_->PostMessageFromAnyThread(WM_SAVER_LOAD_DONE); }) {}

CPanoramaSaverWnd::~CPanoramaSaverWnd() {
    loader_.Cancel();
    folder_.reset();
    try {
        ClosePanorama();
    } catch (...) {
        ShowErrorMessage(LoadResourceString(StringId::CloseError));
    }
}

void CPanoramaSaverWnd::WatchMonitors(std::unique_ptr<MonitorWatch> watch) {
    monitors_ = std::move(watch);
}

WindowPlacement CPanoramaSaverWnd::Covering(const std::vector<PixelRect>& monitors) const {
    WindowPlacement placement = placement_;
    placement.span = monitors.size() > 1 ? MonitorBounds(monitors) : PixelRect{};
    return placement;
}

bool CPanoramaSaverWnd::Create(const WindowPlacement& placement, bool preview, std::string& error) {
    placement_ = placement;
    if (monitors_ && placement.kind != WindowPlacement::Kind::FullScreen) {
        monitors_.reset();  // only a full-screen window covers monitors
    }
    if (monitors_) {
        placement_ = Covering(monitors_->Monitors());
    }
    if (!CSaverWnd::Create(placement_, preview, error)) {
        return false;
    }
    OnCreate();
    return true;
}

void CPanoramaSaverWnd::OnCreate() {
    file_path_ = settings_.filePath;
    views_ = MonitorViews(settings_);
    random_timer_ = 0;
    if (monitors_) {
        LayOutViews(monitors_->Monitors());
        window_->SetTimer(kMonitorTimerId, kMonitorTimerPeriodMs);
    }
    if (views_.AnyRandom()) {
        views_.Seed(static_cast<std::uint32_t>(std::time(nullptr)));
        random_timer_ =
            window_->SetTimer(AutoMotion::kRandomTimerId, AutoMotion::kRandomTimerPeriodMs);
        if (random_timer_ != 0) {
            // The configured speeds of random axes are bounds, never speeds.
            views_.RandomDraw();
        }
    }
    if (settings_.showFrameRate) {
        overlay_ = std::make_unique<FrameRateOverlay>();
        // The figures go on while no frame is drawn (a view at rest).
        window_->SetTimer(FrameRateOverlay::kTimerId, FrameRateOverlay::kTimerPeriodMs);
    }
    ClosePanorama();
    window_->Invalidate(nullptr, true);
}

void CPanoramaSaverWnd::LayOutViews(const std::vector<PixelRect>& monitors) {
    Trace(Describe(monitors));
    if (outgoing_) {
        EndFade();  // the views it mixed are gone or moved
    }
    if (monitors.size() > 1) {
        std::vector<MotionRect> screens;
        for (const PixelRect& m : monitors) {
            screens.push_back(ToMotionRect(m));
        }
        views_.SetMonitors(screens, placement_.span.left, placement_.span.top, random_timer_ != 0);
    } else {
        views_.SetMonitors({}, 0, 0, random_timer_ != 0);
    }
    SetMessageArea(FirstMonitor());
    if (panorama_) {
        panorama_->SetViewCount(static_cast<int>(views_.size()));
    }
    last_views_.clear();
    unchanged_frames_ = 0;
}

void CPanoramaSaverWnd::OnMonitorsChanged(const std::vector<PixelRect>& monitors) {
    const WindowPlacement placement = Covering(monitors);
    std::string error;
    if (!window_->Replace(placement, error)) {
        // Never a view drawn where no monitor shows it: the saver ends.
        Trace("monitors changed beyond the window: " + error);
        OnEndSignal();
        return;
    }
    placement_ = placement;
    // The pointer did not move, but the window under it did.
    ForgetMousePosition();
    LayOutViews(monitors);
}

PixelRect CPanoramaSaverWnd::FirstMonitor() const {
    return views_.size() > 1 ? ToPixelRect(views_[0].monitor) : PixelRect{};
}

void CPanoramaSaverWnd::ClosePanorama() {
    crossfaders_.clear();
    if (outgoing_) {
        outgoing_->Close();
        outgoing_.reset();
    }
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
        views_.RandomDraw();
    } else if (id == kMonitorTimerId && monitors_) {
        if (const auto changed = monitors_->PollChange()) {
            OnMonitorsChanged(*changed);
        }
    } else if (id == kRetryTimerId && folder_) {
        AdvanceFolder();
    } else if (id == kRetryTimerId && retry_.Due(Clock::now())) {
        window_->KillTimer(kRetryTimerId);
        StartShowing();
    } else if (id == kChangeTimerId) {
        window_->KillTimer(kChangeTimerId);
        TraceLongestGap("steady");
        Trace("change due");
        want_next_ = true;
        switching_ = true;
        AdvanceFolder();
    } else if (id == kNoticeTimerId) {
        window_->KillTimer(kNoticeTimerId);
        notice_.clear();
        AdvanceFolder();
    } else if (id == FrameRateOverlay::kTimerId && overlay_ && overlay_->Tick()) {
        WindowCanvas canvas = window_->GetCanvas();
        overlay_->Draw(canvas, FirstMonitor());
    }
}

bool CPanoramaSaverWnd::WantsFrame() const {
    if (panorama_) {
        // One more frame while the picture may still change: the motion
        // turns or drifts, a crossfade or a notice runs, or the last frame
        // was the first of a still view (the next is drawn with the still
        // filter), or the view rectangle was painted over.
        return !views_.AllStill() || outgoing_ || !notice_.empty() || unchanged_frames_ < 1;
    }
    if (IsNoFileChosen(file_path_)) {
        return message_text().empty();  // once, to show the message
    }
    if (folder_) {
        return false;  // the listing and the loads call back by themselves
    }
    return !loader_.Busy() && !load_failed_;
}

void CPanoramaSaverWnd::StartShowing() {
    if (!folder_ && IsFolder(file_path_)) {
        Trace("folder " + file_path_);
        folder_ = std::make_unique<FolderShow>(
            file_path_, static_cast<std::uint32_t>(std::time(nullptr)),
            [this] { window_->PostMessageFromAnyThread(WM_SAVER_LIST_NEWS); });
    }
    if (folder_) {
        want_next_ = true;
        AdvanceFolder();
    } else {
        StartLoad(file_path_);
    }
}

void CPanoramaSaverWnd::StartLoad(const std::string& path) {
    load_failed_ = false;
    if (!panorama_) {
        ShowMessageText(StringId::DecompressingMessage);
    }
    Trace("load start");
    DecodeLimits limits;
    // Asked here: the display belongs to this thread, not the loader's.
    limits.screen_depth = RefreshScreenDepth();
    loader_.Request(path, limits);
}

void CPanoramaSaverWnd::AdvanceFolder() {
    if (!folder_ || !want_next_ || loader_.Busy()) {
        return;
    }
    const Clock::time_point now = Clock::now();
    if (!panorama_ && !notice_.empty() && now < notice_until_) {
        return;  // the failed file's message has its moment first
    }
    std::optional<std::string> next = folder_->Next(now);
    if (!next) {
        if (const auto nothing = folder_->ShowsNothing()) {
            // Asked again every second until the retry begins a new round.
            window_->SetTimer(kRetryTimerId, kRetryTimerPeriodMs);
            if (!panorama_) {
                const StringId text =
                    *nothing == FolderShow::Nothing::kUnreadable   ? StringId::UnreadableFolder
                    : *nothing == FolderShow::Nothing::kNoPanorama ? StringId::NoPanoramaInFolder
                                                                   : StringId::NoneShownInFolder;
                ShowMessageText(std::string(LoadResourceString(text)) + file_path_);
            }
        }
        return;
    }
    window_->KillTimer(kRetryTimerId);
    want_next_ = false;
    if (panorama_ && *next == shown_path_) {
        // The folder's only panorama: it stays, nothing to load or fade.
        folder_->Shown();
        switching_ = false;
        StartChangeTimer();
        return;
    }
    StartLoad(*next);
}

void CPanoramaSaverWnd::OnListNews() {
    if (!folder_) {
        return;
    }
    if (const std::optional<FolderListingResult> end = folder_->TakeNews()) {
        Trace("listed " + std::to_string(end->panoramas) + " panoramas of " +
              std::to_string(end->entries) + " names" +
              (end->end == FolderListingEnd::kTruncated    ? ", stopped at the bound"
               : end->end == FolderListingEnd::kUnreadable ? ", folder unreadable"
                                                           : ""));
    }
    AdvanceFolder();
}

void CPanoramaSaverWnd::StartChangeTimer() {
    const SettingRow& row = SettingRowOf(SettingId::ChangeEvery);
    const std::int32_t seconds = std::clamp(settings_.changeEvery, row.min, row.max);
    window_->SetTimer(kChangeTimerId, static_cast<unsigned>(seconds) * 1000u);
}

void CPanoramaSaverWnd::StartFromInitialView() {
    // The motion's heading runs over 0..360 and pitch and roll bounce at
    // +-90, so the stored view is brought into those ranges.
    const ViewState initial = panorama_->InitialView();
    const double heading = initial.heading < 0 ? initial.heading + 360 : initial.heading;
    views_.SetAngles(heading, std::clamp(initial.pitch, -90.0, 90.0),
                     std::clamp(initial.roll, -90.0, 90.0));
}

void CPanoramaSaverWnd::OnLoadDone() {
    std::optional<LoadOutcome> outcome = loader_.Take();
    if (!outcome) {
        return;  // called off meanwhile
    }
    if (!outcome->engine) {
        OnLoadFailed(*outcome);
        return;
    }
    Trace("load done");
    retry_.Clear();
    std::unique_ptr<PanoramaEngine> engine = std::move(outcome->engine);
    engine->SetWorkerPool(pool_);
    engine->SetProjection(settings_.projection);
    engine->SetSmoothMotion(settings_.smoothMotion);
    engine->SetViewCount(static_cast<int>(views_.size()));
    if (const int skipped = engine->StagingSkipped(); skipped > 0) {
        const StagingBudget budget;
        ShowErrorMessage("the panorama embeds more than " + std::to_string(budget.max_files) +
                         " files or " + std::to_string(budget.max_bytes >> 20) + " MiB; " +
                         std::to_string(skipped) + " of its files were not staged");
    }
    Show(std::move(engine), outcome->path);
}

void CPanoramaSaverWnd::OnLoadFailed(const LoadOutcome& outcome) {
    Trace("load failed");
    const std::string text = outcome.error.empty()
                                 ? std::string(LoadResourceString(StringId::ModuleError))
                                 : outcome.error;
    if (!folder_) {
        load_failed_ = true;
        retry_.Failed(outcome.path, Clock::now());
        window_->SetTimer(kRetryTimerId, kRetryTimerPeriodMs);
        ShowMessageText(text);
        return;
    }
    // A folder skips the file until its next round.
    want_next_ = true;
    if (IsGone(outcome.path)) {
        Trace("gone " + outcome.path);  // deleted since the listing: nothing to say
        AdvanceFolder();
        return;
    }
    Trace("notice " + text);
    notice_ = text;
    notice_until_ = Clock::now() + kNoticeTime;
    if (!panorama_) {
        ShowMessageText(text);
        window_->SetTimer(kNoticeTimerId, static_cast<unsigned>(kNoticeTime.count()));
        return;
    }
    unchanged_frames_ = 0;
    AdvanceFolder();
}

void CPanoramaSaverWnd::Show(std::unique_ptr<PanoramaEngine> engine, const std::string& path) {
    if (panorama_) {
        if (outgoing_) {
            EndFade();  // not reached in practice: a fade is shorter than any ChangeEvery
        }
        const std::uint16_t depth = panorama_->ImageDepth();
        if (settings_.fade && CanBlendDepth(depth) && engine->ImageDepth() == depth) {
            Trace("fade start");
            outgoing_ = std::move(panorama_);
            outgoing_motions_.clear();
            for (const MonitorView& view : views_.views()) {
                outgoing_motions_.push_back(view.motion);
            }
            crossfaders_.resize(views_.size());
            fade_start_ = Clock::now();
        } else {
            Trace("cut");
            releaser_.Release(std::move(panorama_));
            EndSwitch();
        }
    }
    panorama_ = std::move(engine);
    shown_path_ = path;
    unchanged_frames_ = 0;
    if (folder_) {
        Trace("show " + path);
        folder_->Shown();
        window_->KillTimer(kRetryTimerId);
        StartFromInitialView();
        StartChangeTimer();
    }
    if (!message_text().empty()) {
        ClearMessageText();
    }
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

void CPanoramaSaverWnd::EndFade() {
    Trace("fade end");
    releaser_.Release(std::move(outgoing_));
    outgoing_motions_.clear();
    crossfaders_.clear();
    unchanged_frames_ = 0;
    EndSwitch();
}

void CPanoramaSaverWnd::EndSwitch() {
    if (switching_) {
        switching_ = false;
        TraceLongestGap("switch");
    }
}

void CPanoramaSaverWnd::TraceLongestGap(std::string_view span) {
    Trace(std::string(span) + " longest frame gap " +
          std::to_string(
              std::chrono::duration_cast<std::chrono::microseconds>(longest_gap_).count()) +
          " us");
    longest_gap_ = {};
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
    folder_.reset();
    if (splash_on_close_) {
        {
            WindowCanvas canvas = window_->GetCanvas();
            canvas.FillBlack(canvas.ClientRect());
            DrawSplash(canvas);
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
    folder_.reset();
    window_->Destroy();
}

void CPanoramaSaverWnd::OnEraseBackground(WindowCanvas& canvas) {
    CSaverWnd::OnEraseBackground(canvas);
    unchanged_frames_ = 0;  // the view may have been erased: draw it again
}

void CPanoramaSaverWnd::DrawSplash(WindowCanvas& canvas) {
    // On each monitor, rather than once across the join of two.
    for (const MonitorView& view : views_.views()) {
        splash_.Draw(canvas, views_.size() > 1 ? ToPixelRect(view.monitor) : PixelRect{});
    }
}

void CPanoramaSaverWnd::OnPaint(WindowCanvas& canvas) {
    if (!panorama_) {
        DrawSplash(canvas);
    }
    CSaverWnd::OnPaint(canvas);
    if (overlay_) {
        overlay_->Draw(canvas, FirstMonitor());
    }
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
    if (message == WM_SAVER_LIST_NEWS) {
        OnListNews();
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
            } else if (!folder_ && !loader_.Busy() && !load_failed_) {
                StartShowing();
            }
            return;
        }
        const auto strips = views_.Advance(ToMotionRect(window_->ClientRect()));
        for (const MotionRect& strip : strips) {
            const PixelRect rect = ToPixelRect(strip);
            window_->Invalidate(&rect, true);
        }
        bool unchanged = last_views_.size() == views_.size();
        last_views_.resize(views_.size());
        for (std::size_t i = 0; i < views_.size(); ++i) {
            const AutoMotion& motion = views_[i].motion;
            const int number = static_cast<int>(i);
            panorama_->SetView(motion.heading(), motion.pitch(), motion.roll(), motion.zoom(),
                               number);
            if (outgoing_ && i < outgoing_motions_.size()) {
                AutoMotion& fading = outgoing_motions_[i];
                fading.Advance();
                outgoing_->SetView(fading.heading(), fading.pitch(), fading.roll(), fading.zoom(),
                                   number);
            }
            const DrawnView view{views_[i].ViewRect(), motion.heading(), motion.pitch(),
                                 motion.roll(), motion.zoom()};
            unchanged = unchanged && view == last_views_[i];
            last_views_[i] = view;
        }
        unchanged_frames_ = unchanged ? unchanged_frames_ + 1 : 0;
        if (!notice_.empty() && Clock::now() >= notice_until_) {
            notice_.clear();
            unchanged_frames_ = 0;  // this frame draws over it
        }
        if (overlay_) {
            overlay_->CountFrame();
        }
        for (std::size_t i = 0; i < views_.size(); ++i) {
            const MonitorView& view = views_[i];
            const PixelRect view_rect = ToPixelRect(view.ViewRect());
            // The overlay lies on the first monitor, over no other view.
            WindowDrawTarget target(*window_, &present_ns_, Decorations(view_rect, i == 0));
            const auto start = Clock::now();
            DrawView(target, view_rect, i);
            // The frame just drawn knows the pitch this picture allows at
            // this view's size; the motion turns back there.
            const ViewLimits& limits = panorama_->Limits(static_cast<int>(i));
            views_.SetPitchRange(i, limits.pitch_min, limits.pitch_max);
            draw_ns_ += static_cast<std::uint64_t>(
                std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count());
            if (log_) {
                const AutoMotion& motion = view.motion;
                const int number = static_cast<int>(i);
                log_->Write(view.ViewRect(), motion.heading(), motion.pitch(), motion.roll(),
                            motion.zoom(), panorama_->Frame(number).depth,
                            window_->PendingMessages(WM_SAVER_NEXT_FRAME), panorama_->StagingPath(),
                            view.screen.Empty() ? -1 : number);
            }
        }
        ++frames_drawn_;
        const Clock::time_point drawn = Clock::now();
        if (frames_drawn_ > 1) {
            longest_gap_ = std::max(longest_gap_, drawn - last_frame_at_);
        }
        last_frame_at_ = drawn;
    } catch (...) {
        ShowMessageText(StringId::ModuleError);
    }
}

void CPanoramaSaverWnd::DrawView(WindowDrawTarget& target, const PixelRect& rect,
                                 std::size_t view) {
    const int number = static_cast<int>(view);
    if (outgoing_) {
        const int weight = FadeWeight(Clock::now() - fade_start_, kCrossfadeTime);
        if (weight < kFadeWeightFull && view < crossfaders_.size()) {
            crossfaders_[view].Draw(*outgoing_, *panorama_, weight, target, rect, number);
            return;
        }
        EndFade();
    }
    panorama_->Draw(target, rect, number);
}

std::function<void(WindowCanvas&)> CPanoramaSaverWnd::Decorations(const PixelRect& rect,
                                                                  bool overlay) {
    if (notice_.empty() && !(overlay && overlay_)) {
        return {};
    }
    // Drawn on the frame's own canvas, so they show with the frame and never
    // flicker.
    return [this, rect, overlay](WindowCanvas& canvas) {
        if (!notice_.empty()) {
            canvas.SetClip(IntersectRect(rect, canvas.ClientRect()));
            canvas.DrawSurface(notice_text_.Render(notice_, static_cast<int>(rect.Width())),
                               rect.left, rect.top);
            canvas.SetClip(std::nullopt);
        }
        if (overlay && overlay_) {
            overlay_->Draw(canvas, FirstMonitor());
        }
    };
}

}  // namespace skyweave
