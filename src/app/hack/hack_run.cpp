// RunHack: turns the daemon-style command line into one saver run. In --root
// and --window-id the daemon owns input and the screen's fate, so the saver
// neither ends on input nor grabs it and skips the closing splash; SIGTERM,
// SIGINT or SIGHUP end it cleanly instead (panorama closed, staging removed).
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "app/hack/hack_command_line.h"
#include "app/hack/hack_options.h"
#include "app/hack/hack_sdl_events.h"
#include "app/hack/hack_target_window.h"
#include "app/saver_run.h"
#include "platform/core/end_signals.h"
#include "platform/core/log_text.h"
#include "platform/profile/profile_store.h"
#include "settings/saver_settings.h"

#ifndef SKYWEAVE_VERSION
#define SKYWEAVE_VERSION "unknown"
#endif

namespace skyweave {

namespace {

// The name messages and the usage text use: the program file's base name.
std::string ProgramName(const char* argv0) {
    std::string_view name = argv0 != nullptr ? argv0 : "";
    if (const std::size_t slash = name.rfind('/'); slash != std::string_view::npos) {
        name.remove_prefix(slash + 1);
    }
    return name.empty() ? std::string("skyweave") : std::string(name);
}

}  // namespace

int RunHack(int argc, const char* const* argv) {
    const std::string program = ProgramName(argc > 0 ? argv[0] : nullptr);
    const std::span<const char* const> args(argv + 1,
                                            argc > 1 ? static_cast<std::size_t>(argc - 1) : 0);
    HackParseResult parsed = ParseHackOptions(args);
    if (!parsed.options) {
        std::fprintf(stderr, "%s: %s\nTry '%s --help' for more information.\n", program.c_str(),
                     EscapeForLog(parsed.error).c_str(), program.c_str());
        return 2;
    }
    const HackOptions& options = *parsed.options;
    if (options.help) {
        std::fputs(HackUsageText(program).c_str(), stdout);
        return 0;
    }
    if (options.version) {
        std::printf("%s %s\n", program.c_str(), SKYWEAVE_VERSION);
        return 0;
    }

    // From here on SIGTERM, SIGINT and SIGHUP end the run cleanly, whatever
    // the parent left them at (a shell ignores SIGINT in its background jobs).
    const EndSignals end_signals;

    SaverRunOptions run;
    switch (options.mode) {
        case HackMode::OwnWindow:
            run.placement = SaverRunOptions::Placement::OwnWindow;
            run.own_width = 1280;
            run.own_height = 720;
            // An ordinary window must not take the whole desktop's input or
            // hold the user for two seconds when it closes; a key ends it
            // (EndOnKeyPress below), the pointer passing over it does not.
            run.end_on_input = false;
            run.grab_input = false;
            run.splash_on_close = false;
            break;
        case HackMode::Root: {
            const RootTargetResult target = FindRootTarget(std::getenv("XSCREENSAVER_WINDOW"));
            if (!target.message.empty()) {
                std::fprintf(stderr, "%s: %s\n", program.c_str(),
                             EscapeForLog(target.message).c_str());
            }
            if (!target.window) {
                return 1;
            }
            run.placement = SaverRunOptions::Placement::InsideForeignWindow;
            run.foreign_window = *target.window;
            break;
        }
        case HackMode::WindowId:
            run.placement = SaverRunOptions::Placement::InsideForeignWindow;
            run.foreign_window = options.window_id;
            break;
    }
    if (options.mode != HackMode::OwnWindow) {
        run.end_on_input = false;
        run.grab_input = false;
        run.splash_on_close = false;
    }
    run.frames = true;

    // Settings given on the command line hold for this run only; without any
    // the saver reads the stored settings itself.
    SaverSettings settings;
    if (!options.overrides.Empty()) {
        ProfileStore profile;
        profile.SetRegistryKey("Corvane");
        settings = LoadSaverSettings(profile);
        options.overrides.ApplyTo(settings);
        run.settings_override = &settings;
    }
    std::optional<EndOnKeyPress> end_on_key;
    if (options.mode == HackMode::OwnWindow) {
        end_on_key.emplace();
    }
    return RunSaver(run);
}

}  // namespace skyweave
