// What the saver's program tests need around the real program: a private
// Xvfb, the program as a child process with its own settings folder and its
// event log captured, xdotool input, screenshots read back as pixels, and a
// settings file written by hand (not by the code under test).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "support/xvfb_display.h"

namespace skyweave::test {

// A temporary folder, removed with its contents on destruction.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& path() const { return path_; }

  private:
    std::filesystem::path path_;
};

// A private X server on a display number it picks itself.
// The shared private X server; `name()` is its ":N".
class Xvfb : public XvfbDisplay {
  public:
    using XvfbDisplay::XvfbDisplay;
    const std::string& name() const { return Name(); }
};

// Runs `program args...` to its end with `env` added to the environment and
// DISPLAY set to `display` (unset when empty). Returns the exit code, or -1
// when it did not end within `timeout`.
int RunToEnd(const std::vector<std::string>& args, const std::string& display,
             const std::map<std::string, std::string>& env,
             std::chrono::milliseconds timeout = std::chrono::seconds(20),
             std::string* output = nullptr);

// The saver program as a child process; stderr goes to a file read by Log().
class SaverProcess {
  public:
    // args: arguments after the program name. config_home: XDG_CONFIG_HOME.
    // SKYWEAVE_FRAME_LOG is set to 1.
    SaverProcess(const std::vector<std::string>& args, const std::string& display,
                 const std::filesystem::path& config_home,
                 const std::map<std::string, std::string>& extra_env = {});
    ~SaverProcess();  // kills the process if it still runs
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    pid_t pid() const { return pid_; }
    bool Running();
    // The exit code after the process ended within `timeout`, else -1.
    int WaitExit(std::chrono::milliseconds timeout);
    // Everything the process wrote to stderr so far.
    std::string Log() const;
    // Polls the log until it holds `text`; false after `timeout`.
    bool WaitForLog(const std::string& text,
                    std::chrono::milliseconds timeout = std::chrono::seconds(20));
    // Polls until at least `count` frame lines were logged.
    bool WaitForFrames(int count, std::chrono::milliseconds timeout = std::chrono::seconds(30));

  private:
    pid_t pid_ = -1;
    int exit_code_ = -1;
    bool ended_ = false;
    std::filesystem::path log_path_;
};

// One logged frame:
// "frame N rect L T R B view H P R Z depth D queued Q staging PATH", with
// "monitor I" before "staging" for a view of a window over several monitors.
struct FrameLine {
    long number = 0;
    int left = 0, top = 0, right = 0, bottom = 0;
    double heading = 0, pitch = 0, roll = 0, zoom = 0;
    int depth = 0;
    int queued = 0;
    int monitor = -1;  // -1: the one view of a window
    std::string staging;
};
std::vector<FrameLine> ParseFrames(const std::string& log);

// How often `text` occurs in `log`.
int CountIn(const std::string& log, const std::string& text);

// Runs xdotool with `args` on `display`; returns its exit code.
int Xdotool(const std::string& display, const std::vector<std::string>& args);

// A screenshot as 8-bit red, green, blue triples.
struct Screenshot {
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgb;
    bool ok() const { return width > 0; }
    const std::uint8_t* At(int x, int y) const {
        return rgb.data() + (static_cast<std::size_t>(y) * width + x) * 3;
    }
    bool IsBlack(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        return p[0] == 0 && p[1] == 0 && p[2] == 0;
    }
    bool IsWhite(int x, int y) const {
        const std::uint8_t* p = At(x, y);
        return p[0] > 200 && p[1] > 200 && p[2] > 200;
    }
    // Pixels in [x0, x1) x [y0, y1) that are not black / that are white.
    int CountNonBlack(int x0, int y0, int x1, int y1) const;
    int CountWhite(int x0, int y0, int x1, int y1) const;
};
// Reads `window` (0: the root window) of `display` back through Xlib.
// `captured`, when given, runs right after the server handed the pixels
// over and before the slower conversion, so that a caller can note what the
// program logged at that moment.
Screenshot TakeScreenshot(const std::string& display, std::uint64_t window = 0,
                          const std::function<void()>& captured = {});

// Writes the saver's settings file by hand: [Settings] with `values` in the
// given order, under config_home/Corvane/skyweave.conf.
void WriteSettings(const std::filesystem::path& config_home,
                   const std::vector<std::pair<std::string, std::string>>& values);
std::filesystem::path SettingsFile(const std::filesystem::path& config_home);
// The settings of a courtyard view at heading 15, pitch and roll 0, with no
// random turn or drift: `Size` and `Moving` as given.
void WriteFixedView(const std::filesystem::path& config_home, const std::string& size, bool moving);

// The bundled sample panoramas.
std::string SamplePath(const std::string& name);

// Sleeps a little; for polling loops only.
void Pause(std::chrono::milliseconds ms);

}  // namespace skyweave::test
