// The program in --window-id mode, end to end on a private X server: it draws
// a panorama (built here, byte by byte, around a sample JPEG and one embedded
// file) into a window this test owns, leaves the window's clicks to its owner,
// keeps running through input without grabbing it, stages the embedded file,
// and on SIGTERM or SIGINT ends with status 0 and no staging directory left.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

#include "support/opengl_child_env.h"
#include "support/xvfb_display.h"

namespace skyweave {
namespace {

namespace fs = std::filesystem;

// Polls `done` every 20 ms until it holds or `seconds` have passed. These are
// deadlines the daemon imposes on the saver, not speed measurements.
bool WaitFor(const std::function<bool()>& done, double seconds) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

void PutU32(std::vector<std::uint8_t>& out, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
    }
}

void PutText(std::vector<std::uint8_t>& out, const std::string& text) {
    out.insert(out.end(), text.begin(), text.end());
}

// A "CVVL" container: 16-byte header, two directory entries, the image
// stream as "BTMP" and one "FILE" record named "~note.txt".
std::vector<std::uint8_t> BuildPan(const std::vector<std::uint8_t>& jpeg) {
    std::vector<std::uint8_t> file_chunk;
    PutText(file_chunk, std::string("~note.txt") + '\0');
    PutU32(file_chunk, 5);
    PutText(file_chunk, "hello");
    file_chunk.push_back(0);  // the empty name that ends the records

    const std::uint32_t btmp_offset = 16 + 2 * 16;
    const std::uint32_t file_offset = btmp_offset + static_cast<std::uint32_t>(jpeg.size());
    std::vector<std::uint8_t> out;
    PutText(out, "CVVL");
    PutU32(out, 0);
    PutU32(out, 2);
    PutU32(out, 0);  // version code 0, then three unread bytes
    PutText(out, "BTMP");
    PutU32(out, btmp_offset);
    PutU32(out, static_cast<std::uint32_t>(jpeg.size()));
    PutU32(out, 0);
    PutText(out, "FILE");
    PutU32(out, file_offset);
    PutU32(out, static_cast<std::uint32_t>(file_chunk.size()));
    PutU32(out, 0);
    out.insert(out.end(), jpeg.begin(), jpeg.end());
    out.insert(out.end(), file_chunk.begin(), file_chunk.end());
    return out;
}

std::vector<std::uint8_t> ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::string ReadText(const fs::path& path) {
    const std::vector<std::uint8_t> bytes = ReadFile(path);
    return {bytes.begin(), bytes.end()};
}

// The staging directories ("~VL" and eight hex digits) under `dir`.
std::vector<fs::path> StagingDirs(const fs::path& dir) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(dir, ec)) {
        if (entry.path().filename().string().starts_with("~VL")) {
            found.push_back(entry.path());
        }
    }
    return found;
}

struct Capture {
    std::size_t non_black = 0;
    std::size_t colours = 0;
    std::vector<std::uint32_t> pixels;
};

// What the screen shows inside `window` (its inferiors included).
Capture Grab(Display* display, Window window, int width, int height) {
    Capture c;
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr) {
        return c;
    }
    std::vector<bool> seen(1u << 24);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const auto p = static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xFFFFFF);
            c.pixels.push_back(p);
            if (!seen[p]) {
                seen[p] = true;
                ++c.colours;
            }
            // Dark grey counts as black: JPEG noise in the black bars.
            const std::uint32_t sum = (p >> 16) + ((p >> 8) & 0xFF) + (p & 0xFF);
            if (sum > 48) {
                ++c.non_black;
            }
        }
    }
    XDestroyImage(image);
    return c;
}

class Saver {
  public:
    // ignore_signals: start the program with SIGINT and SIGTERM ignored, as a
    // shell starts its background jobs with SIGINT ignored.
    Saver(const std::vector<std::string>& args, const std::vector<std::string>& env,
          const fs::path& stderr_path, bool ignore_signals = false) {
        pid_ = fork();
        if (pid_ == 0) {
            if (ignore_signals) {
                signal(SIGINT, SIG_IGN);
                signal(SIGTERM, SIG_IGN);
            }
            for (const std::string& e : env) {
                putenv(const_cast<char*>(e.c_str()));
            }
            const int fd = open(stderr_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            if (fd >= 0) {
                dup2(fd, 2);
            }
            std::vector<char*> argv;
            for (const std::string& a : args) {
                argv.push_back(const_cast<char*>(a.c_str()));
            }
            argv.push_back(nullptr);
            execv(argv[0], argv.data());
            _exit(127);
        }
    }
    ~Saver() {
        if (pid_ > 0 && !status_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    bool Running() {
        if (status_) {
            return false;
        }
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            status_ = status;
            return false;
        }
        return true;
    }
    void Signal(int sig) { kill(pid_, sig); }
    std::optional<int> ExitStatus() const { return status_; }

  private:
    pid_t pid_ = -1;
    std::optional<int> status_;
};

struct TempDir {
    fs::path path;
    TempDir() {
        std::string pattern = (fs::temp_directory_path() / "skyweave-hack-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            path = pattern;
        }
    }
    ~TempDir() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

// Runs a helper program to its end with `env` added; its exit status.
int RunTool(const std::vector<std::string>& args, const std::vector<std::string>& env) {
    Saver tool(args, env, "/dev/null");
    WaitFor([&] { return !tool.Running(); }, 20.0);
    return tool.ExitStatus() && WIFEXITED(*tool.ExitStatus()) ? WEXITSTATUS(*tool.ExitStatus())
                                                              : -1;
}

// A 24-bit BMP as 0xRRGGBB pixels, top row first; empty when the file is not
// one of `width` x `height`.
std::vector<std::uint32_t> ReadBmp24(const fs::path& path, int width, int height) {
    const std::vector<std::uint8_t> b = ReadFile(path);
    auto u32 = [&](std::size_t at) {
        return static_cast<std::uint32_t>(b[at] | b[at + 1] << 8 | b[at + 2] << 16 |
                                          b[at + 3] << 24);
    };
    if (b.size() < 54 || b[0] != 'B' || b[1] != 'M' || b[28] != 24 ||
        static_cast<int>(u32(18)) != width) {
        return {};
    }
    const auto stored_height = static_cast<std::int32_t>(u32(22));
    if (stored_height != height && stored_height != -height) {
        return {};
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    const std::size_t offset = u32(10);
    if (offset + stride * static_cast<std::size_t>(height) > b.size()) {
        return {};
    }
    std::vector<std::uint32_t> pixels;
    for (int y = 0; y < height; ++y) {
        // Positive heights store the bottom row first.
        const int row = stored_height > 0 ? height - 1 - y : y;
        const std::uint8_t* p = b.data() + offset + stride * static_cast<std::size_t>(row);
        for (int x = 0; x < width; ++x, p += 3) {
            pixels.push_back(static_cast<std::uint32_t>(p[2] << 16 | p[1] << 8 | p[0]));
        }
    }
    return pixels;
}

#ifdef SKYWEAVE_PROGRAM

// A part of a window, in pixels: [x0, x1) x [y0, y1).
struct Box {
    int x0, y0, x1, y1;
    bool Contains(int x, int y) const { return x >= x0 && x < x1 && y >= y0 && y < y1; }
};

// Views of `file` at pitch 0, roll 0 and zoom 90 for each of `headings`,
// drawn by skyweave-render with filter `quality` into width x height
// pictures: what the saver may show with that motion.
class ExpectedViews {
  public:
    ExpectedViews(const fs::path& file, const fs::path& dir, int width, int height,
                  const std::vector<int>& headings, const std::string& quality)
        : width_(width) {
        for (const int heading : headings) {
            const fs::path bmp = dir / ("view" + std::to_string(heading) + "q" + quality + ".bmp");
            const std::string size = std::to_string(width) + "x" + std::to_string(height);
            if (RunTool({SKYWEAVE_RENDER_PROGRAM, file.string(), "-o", bmp.string(), "--view",
                         std::to_string(heading) + ",0,0,90", "--size", size, "--quality", quality},
                        {}) != 0) {
                views_.clear();
                return;
            }
            views_.push_back(ReadBmp24(bmp, width, height));
            if (views_.back().size() != static_cast<std::size_t>(width) * height) {
                views_.clear();
                return;
            }
        }
        ok_ = views_.size() == headings.size();
    }
    bool ok() const { return ok_; }
    const std::vector<std::uint32_t>& View(int i) const {
        return views_[static_cast<std::size_t>(i)];
    }
    // Which view `pixels` are exactly, or -1; pixels inside `ignore`, when
    // given, may differ.
    int Which(const std::vector<std::uint32_t>& pixels, const Box* ignore = nullptr) const {
        for (std::size_t i = 0; i < views_.size(); ++i) {
            if (pixels.size() != views_[i].size()) {
                continue;
            }
            bool same = true;
            for (std::size_t p = 0; p < pixels.size() && same; ++p) {
                const int x = static_cast<int>(p % static_cast<std::size_t>(width_));
                const int y = static_cast<int>(p / static_cast<std::size_t>(width_));
                same = pixels[p] == views_[i][p] || (ignore != nullptr && ignore->Contains(x, y));
            }
            if (same) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

  private:
    int width_;
    bool ok_ = false;
    std::vector<std::vector<std::uint32_t>> views_;
};

// The saver turns by 30 degrees a frame with pitch and roll held at 0 (the
// options kTurningOptions), so every frame it shows in a width x height
// window is one of twelve views, each as the engine draws a moving frame.
ExpectedViews TurningViews(const fs::path& file, const fs::path& dir, int width, int height) {
    std::vector<int> headings;
    for (int heading = 0; heading < 360; heading += 30) {
        headings.push_back(heading);
    }
    return ExpectedViews(file, dir, width, height, headings, "0");
}

// A window of this client's, mapped, for the saver to draw into; `id` is
// its id as a daemon's command line gives it.
Window MapHostWindow(Display* display, int width, int height, std::string& id) {
    const Window host =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 30,
                            static_cast<unsigned>(width), static_cast<unsigned>(height), 0, 0, 0);
    XMapWindow(display, host);
    XSync(display, False);
    char text[32];
    std::snprintf(text, sizeof text, "0x%lx", host);
    id = text;
    return host;
}

// The motion of TurningViews, for the daemon command line.
const std::vector<std::string> kTurningOptions = {"--size",
                                                  "100",
                                                  "--no-moving",
                                                  "--no-heading-random",
                                                  "--no-pitch-random",
                                                  "--no-roll-random",
                                                  "--heading",
                                                  "300",
                                                  "--pitch",
                                                  "0",
                                                  "--roll",
                                                  "0",
                                                  "--zoom",
                                                  "90"};

int g_x_errors = 0;

int CountXError(Display*, XErrorEvent*) {
    ++g_x_errors;
    return 0;
}

void RunInForeignWindow(int sig, bool ignore_signals) {
    test::XvfbDisplay xvfb(640, 480, 24);
    ASSERT_FALSE(xvfb.Name().empty()) << "Xvfb did not start";
    TempDir temp;
    ASSERT_FALSE(temp.path.empty());
    const fs::path tmp = temp.path / "tmp";
    const fs::path config = temp.path / "config";
    const fs::path runtime = temp.path / "run";
    for (const fs::path& d : {tmp, config, runtime}) {
        fs::create_directories(d);
        fs::permissions(d, fs::perms::owner_all, fs::perm_options::replace);
    }
    const fs::path pan = temp.path / "court.pan";
    {
        const std::vector<std::uint8_t> bytes =
            BuildPan(ReadFile(fs::path(SKYWEAVE_SOURCE_DIR) / "samples" / "courtyard.jpg"));
        std::ofstream(pan, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    Display* display = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(display, nullptr);
    const int width = 320;
    const int height = 240;
    const Window host =
        XCreateSimpleWindow(display, DefaultRootWindow(display), 40, 30, width, height, 0, 0, 0);
    XSelectInput(display, host, ExposureMask | StructureNotifyMask);
    XMapWindow(display, host);
    XSync(display, False);

    const ExpectedViews views = TurningViews(pan, temp.path, width, height);
    ASSERT_TRUE(views.ok());
    auto which_view = [&](const Capture& c) { return views.Which(c.pixels); };

    char id[32];
    std::snprintf(id, sizeof id, "0x%lx", host);
    const fs::path err = temp.path / "stderr.txt";
    std::vector<std::string> args = {SKYWEAVE_PROGRAM, "--window-id", id, "--file", pan.string()};
    args.insert(args.end(), kTurningOptions.begin(), kTurningOptions.end());
    Saver saver(args,
                {"DISPLAY=" + xvfb.Name(), "TMPDIR=" + tmp.string(),
                 "XDG_CONFIG_HOME=" + config.string(), "XDG_RUNTIME_DIR=" + runtime.string()},
                err, ignore_signals);

    // Panorama pixels, exactly one of the expected views, and then another
    // one as the view turns. The splash picture and messages match none.
    Capture shown;
    int first_view = -1;
    ASSERT_TRUE(WaitFor(
        [&] {
            shown = Grab(display, host, width, height);
            first_view = which_view(shown);
            return first_view >= 0;
        },
        10.0))
        << "lit " << shown.non_black << " colours " << shown.colours
        << "; stderr: " << ReadText(err);
    EXPECT_GT(shown.colours, 500u);
    EXPECT_TRUE(WaitFor(
        [&] {
            const int view = which_view(Grab(display, host, width, height));
            return view >= 0 && view != first_view;
        },
        5.0))
        << "the view does not turn";

    // The embedded file is staged while the panorama is open.
    std::vector<fs::path> staged;
    ASSERT_TRUE(WaitFor(
        [&] {
            staged = StagingDirs(tmp);
            return staged.size() == 1;
        },
        5.0));
    EXPECT_EQ(ReadText(staged[0] / "~note.txt"), "hello");

    // Clicks on a window may be selected by one client only, and that is the
    // window's owner: the saver has not taken them, so this client can.
    XWindowAttributes before;
    ASSERT_NE(XGetWindowAttributes(display, host, &before), 0);
    EXPECT_EQ(before.all_event_masks & ~before.your_event_mask & ButtonPressMask, 0);
    g_x_errors = 0;
    XErrorHandler previous = XSetErrorHandler(CountXError);
    XSelectInput(display, host, before.your_event_mask | ButtonPressMask);
    XSync(display, False);
    XSetErrorHandler(previous);
    EXPECT_EQ(g_x_errors, 0) << "ButtonPress was taken by the saver";

    // No grab: this client can take the pointer and keyboard itself.
    EXPECT_EQ(XGrabPointer(display, host, False, ButtonPressMask, GrabModeAsync, GrabModeAsync,
                           None, None, CurrentTime),
              GrabSuccess);
    XUngrabPointer(display, CurrentTime);
    EXPECT_EQ(XGrabKeyboard(display, host, False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XUngrabKeyboard(display, CurrentTime);
    XSync(display, False);

    // Input over the window does not end it.
    XWarpPointer(display, None, host, 0, 0, 0, 0, 100, 100);
    XWarpPointer(display, None, host, 0, 0, 0, 0, 150, 120);
    XSync(display, False);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(saver.Running()) << "ended on input; stderr: " << ReadText(err);

    saver.Signal(sig);
    EXPECT_TRUE(WaitFor([&] { return !saver.Running(); }, 2.0)) << "still running after signal";
    ASSERT_TRUE(saver.ExitStatus().has_value());
    EXPECT_TRUE(WIFEXITED(*saver.ExitStatus())) << "status " << *saver.ExitStatus();
    EXPECT_EQ(WEXITSTATUS(*saver.ExitStatus()), 0);
    EXPECT_TRUE(StagingDirs(tmp).empty());
    EXPECT_EQ(ReadText(err), "");

    // Our window is still ours and still works.
    XWindowAttributes attributes;
    EXPECT_NE(XGetWindowAttributes(display, host, &attributes), 0);
    EXPECT_EQ(attributes.map_state, IsViewable);
    XCloseDisplay(display);
}

TEST(HackForeignWindow, DrawsIntoAnOwnedWindowAndEndsOnSigterm) {
    RunInForeignWindow(SIGTERM, false);
}

// Started the way a shell starts a background job, SIGINT still ends it.
TEST(HackForeignWindow, EndsOnSigintTheSameWayEvenWhenStartedIgnoringIt) {
    RunInForeignWindow(SIGINT, true);
}

// The top-level window titled `title`, or 0.
Window FindTopLevel(Display* display, const char* title) {
    Window root_return = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    Window found = 0;
    if (XQueryTree(display, DefaultRootWindow(display), &root_return, &parent, &children, &count) !=
        0) {
        for (unsigned int i = 0; i < count && found == 0; ++i) {
            char* name = nullptr;
            if (XFetchName(display, children[i], &name) != 0 && name != nullptr) {
                if (std::string(name) == title) {
                    found = children[i];
                }
                XFree(name);
            }
        }
        XFree(children);
    }
    return found;
}

TEST(HackOwnWindow, AnOrdinaryWindowThatOnlyAKeyEnds) {
    test::XvfbDisplay xvfb(1600, 900, 24);
    ASSERT_FALSE(xvfb.Name().empty()) << "Xvfb did not start";
    TempDir temp;
    const fs::path err = temp.path / "stderr.txt";
    const std::vector<std::string> env = {"DISPLAY=" + xvfb.Name(), "TMPDIR=" + temp.path.string(),
                                          "XDG_CONFIG_HOME=" + temp.path.string()};
    Saver saver({SKYWEAVE_PROGRAM, "-window", "--file",
                 std::string(SKYWEAVE_SOURCE_DIR) + "/samples/courtyard.jpg", "--size", "100"},
                env, err);
    Display* display = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(display, nullptr);

    Window window = 0;
    ASSERT_TRUE(WaitFor(
        [&] {
            window = FindTopLevel(display, "Skyweave");
            return window != 0;
        },
        10.0))
        << ReadText(err);
    XWindowAttributes attributes;
    ASSERT_TRUE(WaitFor(
        [&] {
            return XGetWindowAttributes(display, window, &attributes) != 0 &&
                   attributes.map_state == IsViewable;
        },
        5.0));
    EXPECT_EQ(attributes.width, 1280);
    EXPECT_EQ(attributes.height, 720);
    // The window is drawn in (what exactly is the foreign-window cases'
    // business; this one is about what ends it).
    Capture shown;
    EXPECT_TRUE(WaitFor(
        [&] {
            shown = Grab(display, window, 1280, 720);
            return shown.non_black > 1280u * 720u / 2 && shown.colours > 500;
        },
        10.0))
        << "lit " << shown.non_black << " colours " << shown.colours;

    // The pointer crossing and clicking the window leaves it running.
    EXPECT_EQ(RunTool({"/usr/bin/env", "xdotool", "mousemove", "--window", std::to_string(window),
                       "100", "100", "mousemove", "--window", std::to_string(window), "300", "200",
                       "click", "1"},
                      env),
              0);
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ASSERT_TRUE(saver.Running()) << "ended on the pointer; stderr: " << ReadText(err);

    // A key ends it, cleanly.
    XSetInputFocus(display, window, RevertToParent, CurrentTime);
    XSync(display, False);
    EXPECT_EQ(RunTool({"/usr/bin/env", "xdotool", "key", "q"}, env), 0);
    EXPECT_TRUE(WaitFor([&] { return !saver.Running(); }, 5.0)) << "a key did not end it";
    ASSERT_TRUE(saver.ExitStatus().has_value());
    EXPECT_TRUE(WIFEXITED(*saver.ExitStatus()));
    EXPECT_EQ(WEXITSTATUS(*saver.ExitStatus()), 0);
    EXPECT_EQ(ReadText(err), "");
    XCloseDisplay(display);
}

TEST(HackForeignWindow, AWindowIdThatNamesNoWindowFails) {
    test::XvfbDisplay xvfb(320, 240, 24);
    ASSERT_FALSE(xvfb.Name().empty());
    TempDir temp;
    const fs::path err = temp.path / "stderr.txt";
    Saver saver({SKYWEAVE_PROGRAM, "--window-id", "0x1fffff0"},
                {"DISPLAY=" + xvfb.Name(), "TMPDIR=" + temp.path.string(),
                 "XDG_CONFIG_HOME=" + temp.path.string()},
                err);
    ASSERT_TRUE(WaitFor([&] { return !saver.Running(); }, 20.0));
    ASSERT_TRUE(WIFEXITED(*saver.ExitStatus()));
    EXPECT_EQ(WEXITSTATUS(*saver.ExitStatus()), 1);
    EXPECT_FALSE(ReadText(err).empty());
}

// Every way to the screen shows the engine's frames pixel for pixel: the
// window surface, OpenGL when asked for by name (software OpenGL under
// Xvfb), and auto, which keeps to the surface on a server without direct
// rendering.
TEST(HackForeignWindow, EveryPresentMethodShowsExactlyTheEnginesFrames) {
    struct Case {
        std::string present;
        std::string logged;  // the event log's line about presentation
    };
    const Case cases[] = {
        {"surface", "event present surface\n"},
        {"gl", "event present gl llvmpipe"},
        {"auto", "event present surface the display offers no direct rendering\n"},
    };
    test::XvfbDisplay xvfb(640, 480, 24);
    ASSERT_FALSE(xvfb.Name().empty()) << "Xvfb did not start";
    TempDir temp;
    const fs::path file = fs::path(SKYWEAVE_SOURCE_DIR) / "samples" / "courtyard.jpg";
    const int width = 320;
    const int height = 240;
    const ExpectedViews views = TurningViews(file, temp.path, width, height);
    ASSERT_TRUE(views.ok());
    Display* display = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(display, nullptr);
    for (const Case& c : cases) {
        std::string id;
        const Window host = MapHostWindow(display, width, height, id);
        const fs::path err = temp.path / ("stderr-" + c.present + ".txt");
        std::vector<std::string> args = {SKYWEAVE_PROGRAM, "--window-id", id,       "--file",
                                         file.string(),    "--present",   c.present};
        args.insert(args.end(), kTurningOptions.begin(), kTurningOptions.end());
        std::vector<std::string> env = {"DISPLAY=" + xvfb.Name(), "TMPDIR=" + temp.path.string(),
                                        "XDG_CONFIG_HOME=" + temp.path.string(),
                                        "SKYWEAVE_FRAME_LOG=1"};
        if (c.present == "gl") {
            env.push_back("ASAN_OPTIONS=" + test::AsanOptionsForOpenGl());
        }
        Saver saver(args, env, err);
        // Two different views, each exactly as the engine draws it.
        int first = -1;
        EXPECT_TRUE(WaitFor(
            [&] {
                first = views.Which(Grab(display, host, width, height).pixels);
                return first >= 0;
            },
            20.0))
            << c.present << ": no exact frame; " << ReadText(err).substr(0, 400);
        EXPECT_TRUE(WaitFor(
            [&] {
                const int view = views.Which(Grab(display, host, width, height).pixels);
                return view >= 0 && view != first;
            },
            10.0))
            << c.present << ": the view does not turn";
        saver.Signal(SIGTERM);
        EXPECT_TRUE(WaitFor([&] { return !saver.Running(); }, 5.0));
        const std::string log = ReadText(err);
        EXPECT_NE(log.find(c.logged), std::string::npos) << c.present << ": " << log.substr(0, 400);
        EXPECT_EQ(log.find("skyweave:"), std::string::npos) << log.substr(0, 400);
        XDestroyWindow(display, host);
        XSync(display, False);
    }
    XCloseDisplay(display);
}

// With --fps the frame rate and load appear as white text in the bottom-left
// corner, and nowhere else does any pixel differ from the engine's frame:
// while the view turns (drawn with every frame) and while it rests (frames
// have stopped; the figures go on once a second).
TEST(HackForeignWindow, FrameRateOverlayChangesOnlyItsCorner) {
    const int width = 320;
    const int height = 240;
    // Two lines of 16-pixel text and their margins fit in here.
    const Box corner{0, height - 64, 160, height};
    test::XvfbDisplay xvfb(640, 480, 24);
    ASSERT_FALSE(xvfb.Name().empty()) << "Xvfb did not start";
    TempDir temp;
    const fs::path file = fs::path(SKYWEAVE_SOURCE_DIR) / "samples" / "courtyard.jpg";
    struct Case {
        std::string what;
        std::vector<std::string> motion;
        ExpectedViews views;
    };
    std::vector<std::string> resting = kTurningOptions;
    *(std::find(resting.begin(), resting.end(), "--heading") + 1) = "0";
    const Case cases[] = {
        {"turning", kTurningOptions, TurningViews(file, temp.path, width, height)},
        {"resting", resting, ExpectedViews(file, temp.path, width, height, {0}, "8")},
    };
    Display* display = XOpenDisplay(xvfb.Name().c_str());
    ASSERT_NE(display, nullptr);
    for (const Case& c : cases) {
        ASSERT_TRUE(c.views.ok()) << c.what;
        std::string id;
        const Window host = MapHostWindow(display, width, height, id);
        const fs::path err = temp.path / ("stderr-" + c.what + ".txt");
        std::vector<std::string> args = {SKYWEAVE_PROGRAM, "--window-id", id,
                                         "--file",         file.string(), "--fps"};
        args.insert(args.end(), c.motion.begin(), c.motion.end());
        Saver saver(args,
                    {"DISPLAY=" + xvfb.Name(), "TMPDIR=" + temp.path.string(),
                     "XDG_CONFIG_HOME=" + temp.path.string()},
                    err);
        // White text where the view is not white: the overlay, not the
        // picture.
        int text = 0;
        EXPECT_TRUE(WaitFor(
            [&] {
                const Capture shown = Grab(display, host, width, height);
                const int view = c.views.Which(shown.pixels, &corner);
                if (view < 0) {
                    return false;
                }
                text = 0;
                for (std::size_t p = 0; p < shown.pixels.size(); ++p) {
                    text +=
                        shown.pixels[p] == 0xFFFFFF && c.views.View(view)[p] != 0xFFFFFF ? 1 : 0;
                }
                return text >= 20;
            },
            20.0))
            << c.what << ": " << text << " pixels of text; " << ReadText(err).substr(0, 400);
        saver.Signal(SIGTERM);
        EXPECT_TRUE(WaitFor([&] { return !saver.Running(); }, 5.0));
        EXPECT_EQ(ReadText(err), "") << c.what;
        XDestroyWindow(display, host);
        XSync(display, False);
    }
    XCloseDisplay(display);
}

#endif

TEST(HackForeignWindow, BadOptionsEndWithStatusTwoBeforeAnyWindow) {
#ifndef SKYWEAVE_PROGRAM
    GTEST_SKIP() << "the skyweave program is not part of this build";
#else
    TempDir temp;
    const fs::path err = temp.path / "stderr.txt";
    // No display at all: the options are checked first, in either dash style.
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const Case cases[] = {
        {{"--root", "--zoom", "131"}, "--zoom: \"131\" is not a whole number from 30 to 130"},
        {{"-zoom", "131", "-window"}, "-zoom: \"131\" is not a whole number from 30 to 130"},
        {{"-size", "40", "-window", "-bogus"}, "unknown option \"-bogus\""},
        {{"-pitch", "5", "-delay", "soon"},
         "-delay: \"soon\" is not a delay (microseconds, 0 or more)"},
        {{"-foo"}, "unknown option \"-foo\""},
        {{"-Root"}, "unknown option \"-Root\""},
        {{"/p", "5", "-window"}, "unexpected argument \"/p\" (options begin with -)"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.begin(), SKYWEAVE_PROGRAM);
        Saver saver(args, {"DISPLAY=:9999"}, err);
        ASSERT_TRUE(WaitFor([&] { return !saver.Running(); }, 20.0)) << c.message;
        ASSERT_TRUE(WIFEXITED(*saver.ExitStatus()));
        EXPECT_EQ(WEXITSTATUS(*saver.ExitStatus()), 2) << c.message;
        EXPECT_EQ(ReadText(err), std::string("skyweave: ") + c.message +
                                     "\nTry 'skyweave --help' for more information.\n");
    }
#endif
}

}  // namespace
}  // namespace skyweave
