// The program test harness; see saver_harness.h.
#include "saver_harness.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <thread>

namespace skyweave::test {
namespace {

std::atomic<int> counter{0};

[[noreturn]] void ExecOrDie(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) {
        argv.push_back(const_cast<char*>(a.c_str()));
    }
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
}

void SetChildEnvironment(const std::string& display,
                         const std::map<std::string, std::string>& env) {
    if (display.empty()) {
        unsetenv("DISPLAY");
    } else {
        setenv("DISPLAY", display.c_str(), 1);
    }
    unsetenv("WAYLAND_DISPLAY");
    for (const auto& [key, value] : env) {
        setenv(key.c_str(), value.c_str(), 1);
    }
}

void RedirectStdio(const char* out_path) {
    const int null_fd = open("/dev/null", O_RDWR);
    const int out =
        out_path != nullptr ? open(out_path, O_WRONLY | O_CREAT | O_TRUNC, 0600) : null_fd;
    dup2(null_fd, 0);
    dup2(out, 1);
    dup2(out, 2);
}

int WaitFor(pid_t pid, std::chrono::milliseconds timeout, bool& ended) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (true) {
        int status = 0;
        const pid_t r = waitpid(pid, &status, WNOHANG);
        if (r == pid) {
            ended = true;
            if (WIFEXITED(status)) {
                return WEXITSTATUS(status);
            }
            return 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
        }
        if (std::chrono::steady_clock::now() >= deadline) {
            return -1;
        }
        Pause(std::chrono::milliseconds(20));
    }
}

std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

}  // namespace

void Pause(std::chrono::milliseconds ms) {
    std::this_thread::sleep_for(ms);
}

TempDir::TempDir() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "skyweave-saver-test-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) {
        path_ = pattern;
    }
}

TempDir::~TempDir() {
    std::error_code ignored;
    if (!path_.empty()) {
        std::filesystem::remove_all(path_, ignored);
    }
}

int RunToEnd(const std::vector<std::string>& args, const std::string& display,
             const std::map<std::string, std::string>& env, std::chrono::milliseconds timeout,
             std::string* output) {
    TempDir dir;
    const std::filesystem::path out = dir.path() / "output";
    const pid_t pid = fork();
    if (pid == 0) {
        SetChildEnvironment(display, env);
        RedirectStdio(out.c_str());
        ExecOrDie(args);
    }
    bool ended = false;
    const int code = WaitFor(pid, timeout, ended);
    if (!ended) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
    }
    if (output != nullptr) {
        *output = ReadFile(out);
    }
    return code;
}

SaverProcess::SaverProcess(const std::vector<std::string>& args, const std::string& display,
                           const std::filesystem::path& config_home,
                           const std::map<std::string, std::string>& extra_env) {
    std::string log_name = "saver-";
    log_name += std::to_string(counter++);
    log_name += ".log";
    log_path_ = config_home / log_name;
    std::vector<std::string> command{SKYWEAVE_PROGRAM};
    command.insert(command.end(), args.begin(), args.end());
    std::map<std::string, std::string> env = extra_env;
    env["XDG_CONFIG_HOME"] = config_home.string();
    env.insert_or_assign("SKYWEAVE_FRAME_LOG", std::string(1, '1'));
    pid_ = fork();
    if (pid_ == 0) {
        SetChildEnvironment(display, env);
        RedirectStdio(log_path_.c_str());
        ExecOrDie(command);
    }
}

SaverProcess::~SaverProcess() {
    if (pid_ > 0 && !ended_) {
        kill(pid_, SIGKILL);
        waitpid(pid_, nullptr, 0);
    }
}

bool SaverProcess::Running() {
    if (ended_) {
        return false;
    }
    exit_code_ = WaitFor(pid_, std::chrono::milliseconds(0), ended_);
    return !ended_;
}

int SaverProcess::WaitExit(std::chrono::milliseconds timeout) {
    if (!ended_) {
        exit_code_ = WaitFor(pid_, timeout, ended_);
    }
    return ended_ ? exit_code_ : -1;
}

std::string SaverProcess::Log() const {
    return ReadFile(log_path_);
}

bool SaverProcess::WaitForLog(const std::string& text, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Log().find(text) == std::string::npos) {
        if (std::chrono::steady_clock::now() >= deadline || !Running()) {
            return Log().find(text) != std::string::npos;
        }
        Pause(std::chrono::milliseconds(30));
    }
    return true;
}

bool SaverProcess::WaitForFrames(int count, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (static_cast<int>(ParseFrames(Log()).size()) < count) {
        if (std::chrono::steady_clock::now() >= deadline || !Running()) {
            return false;
        }
        Pause(std::chrono::milliseconds(30));
    }
    return true;
}

int CountIn(const std::string& log, const std::string& text) {
    int n = 0;
    for (std::size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) {
        ++n;
    }
    return n;
}

std::vector<FrameLine> ParseFrames(const std::string& log) {
    std::vector<FrameLine> frames;
    std::istringstream lines(log);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.rfind("frame ", 0) != 0) {
            continue;
        }
        std::istringstream in(line);
        FrameLine f;
        std::string word;
        in >> word >> f.number >> word >> f.left >> f.top >> f.right >> f.bottom >> word >>
            f.heading >> f.pitch >> f.roll >> f.zoom >> word >> f.depth >> word >> f.queued >> word;
        if (in && word == "monitor") {
            in >> f.monitor >> word;
        }
        if (!in || word != "staging") {
            continue;
        }
        in >> f.staging;
        frames.push_back(f);
    }
    return frames;
}

int Xdotool(const std::string& display, const std::vector<std::string>& args) {
    std::vector<std::string> command{"xdotool"};
    command.insert(command.end(), args.begin(), args.end());
    return RunToEnd(command, display, {}, std::chrono::seconds(20));
}

int Screenshot::CountNonBlack(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += IsBlack(x, y) ? 0 : 1;
        }
    }
    return n;
}

int Screenshot::CountWhite(int x0, int y0, int x1, int y1) const {
    int n = 0;
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            n += IsWhite(x, y) ? 1 : 0;
        }
    }
    return n;
}

Screenshot TakeScreenshot(const std::string& display, std::uint64_t window,
                          const std::function<void()>& captured) {
    Screenshot shot;
    Display* dpy = XOpenDisplay(display.c_str());
    if (dpy == nullptr) {
        return shot;
    }
    const Window target = window != 0 ? static_cast<Window>(window) : DefaultRootWindow(dpy);
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(dpy, target, &attributes) == 0) {
        XCloseDisplay(dpy);
        return shot;
    }
    XImage* image = XGetImage(dpy, target, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (captured) {
        captured();
    }
    if (image == nullptr) {
        XCloseDisplay(dpy);
        return shot;
    }
    // Each channel widened by shifting, the same rule the saver uses.
    const auto channel = [](unsigned long pixel, unsigned long mask) -> std::uint8_t {
        if (mask == 0) {
            return 0;
        }
        int shift = 0;
        while (((mask >> shift) & 1) == 0) {
            ++shift;
        }
        int bits = 0;
        while (((mask >> (shift + bits)) & 1) != 0) {
            ++bits;
        }
        const unsigned long value = (pixel & mask) >> shift;
        return static_cast<std::uint8_t>(bits >= 8 ? value >> (bits - 8) : value << (8 - bits));
    };
    shot.width = attributes.width;
    shot.height = attributes.height;
    shot.rgb.resize(static_cast<std::size_t>(shot.width) * shot.height * 3);
    for (int y = 0; y < shot.height; ++y) {
        for (int x = 0; x < shot.width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            std::uint8_t* out =
                shot.rgb.data() + (static_cast<std::size_t>(y) * shot.width + x) * 3;
            out[0] = channel(p, image->red_mask);
            out[1] = channel(p, image->green_mask);
            out[2] = channel(p, image->blue_mask);
        }
    }
    XDestroyImage(image);
    XCloseDisplay(dpy);
    return shot;
}

std::filesystem::path SettingsFile(const std::filesystem::path& config_home) {
    return config_home / "Corvane" / "skyweave.conf";
}

void WriteFixedView(const std::filesystem::path& config_home, const std::string& size,
                    bool moving) {
    WriteSettings(config_home, {{"FilePath", SamplePath("courtyard.jpg")},
                                {"Size", size},
                                {"Moving", moving ? "1" : "0"},
                                {"Heading", "15"},
                                {"HeadingRandom", "0"},
                                {"Pitch", "0"},
                                {"PitchRandom", "0"},
                                {"Roll", "0"},
                                {"RollRandom", "0"}});
}

void WriteSettings(const std::filesystem::path& config_home,
                   const std::vector<std::pair<std::string, std::string>>& values) {
    std::filesystem::create_directories(config_home / "Corvane");
    std::ofstream out(SettingsFile(config_home));
    out << "[Settings]\n";
    for (const auto& [key, value] : values) {
        out << key << "=" << value << "\n";
    }
}

std::string SamplePath(const std::string& name) {
    return std::string(SKYWEAVE_SOURCE_DIR) + "/samples/" + name;
}

}  // namespace skyweave::test
