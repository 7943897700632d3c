// The viewer as its user meets it: a real window under Xvfb driven by
// xdotool, each case a fresh viewer process on the one server, checked on
// the pixels the window shows and on its exit status.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <limits>
#include <memory>
#include <sstream>

#include "saver_harness.h"

namespace skyweave::test {
namespace {

using std::chrono::seconds;

class ViewerWindowTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { server_ = std::make_unique<Xvfb>(1600, 900, 24); }
    static void TearDownTestSuite() { server_.reset(); }
    static const std::string& Display() { return server_->name(); }

    static std::unique_ptr<Xvfb> server_;
};

std::unique_ptr<Xvfb> ViewerWindowTest::server_;

std::string LastRest(const std::string& log) {
    const std::size_t at = log.rfind("rest ");
    return at == std::string::npos ? "" : log.substr(at, log.find('\n', at) - at);
}

// Polls until the viewer's latest resting frame (its log line names the
// file and the view) is one `done` accepts. A frame drawn for another
// reason (the window exposed anew) cannot pass for the one awaited.
bool WaitForRest(SaverProcess& viewer, const std::function<bool(const std::string&)>& done) {
    for (int i = 0; i < 300; ++i) {
        const std::string last = LastRest(viewer.Log());
        if (!last.empty() && done(last)) {
            return true;
        }
        Pause(std::chrono::milliseconds(50));
    }
    return false;
}

bool AnyRest(const std::string&) {
    return true;
}

std::string ViewerWindow(const std::string& display) {
    std::string id;
    RunToEnd({"xdotool", "search", "--name", "Skyweave Viewer"}, display, {}, seconds(20), &id);
    return id.substr(0, id.find('\n'));
}

std::string WindowTitle(const std::string& display, const std::string& window) {
    std::string title;
    RunToEnd({"xdotool", "getwindowname", window}, display, {}, seconds(20), &title);
    return title.substr(0, title.find('\n'));
}

// Mean difference of the 9 x 9 patches centred on (ax, ay) of `a` and
// (bx, by) of `b`, over all channels.
double PatchDifference(const Screenshot& a, int ax, int ay, const Screenshot& b, int bx, int by) {
    double sum = 0;
    for (int dy = -4; dy <= 4; ++dy) {
        for (int dx = -4; dx <= 4; ++dx) {
            const std::uint8_t* p = a.At(ax + dx, ay + dy);
            const std::uint8_t* q = b.At(bx + dx, by + dy);
            for (int c = 0; c < 3; ++c) {
                sum += std::abs(int{p[c]} - int{q[c]});
            }
        }
    }
    return sum / (81 * 3);
}

// Where the patch around (x, y) of `before` lies in `after`, searched
// within `reach` pixels of (tx, ty): the offset from (tx, ty) of the best
// match, and its difference.
struct Match {
    int dx = 0;
    int dy = 0;
    double difference = std::numeric_limits<double>::max();
};
Match FindPatch(const Screenshot& before, int x, int y, const Screenshot& after, int tx, int ty,
                int reach) {
    Match best;
    for (int dy = -reach; dy <= reach; ++dy) {
        for (int dx = -reach; dx <= reach; ++dx) {
            const double d = PatchDifference(before, x, y, after, tx + dx, ty + dy);
            if (d < best.difference) {
                best = {dx, dy, d};
            }
        }
    }
    return best;
}

// Presses `key` in the viewer's window and returns the exit status. The
// release goes to the server once the window is gone, so that the key is
// not left held (and repeating) for the next viewer.
int EndWithKey(const std::string& display, SaverProcess& viewer, const std::string& window,
               const std::string& key) {
    if (Xdotool(display, {"keydown", "--window", window, key}) != 0) {
        return -1;
    }
    const int status = viewer.WaitExit(seconds(20));
    Xdotool(display, {"keyup", key});
    return status;
}

std::string MakeFolder(const std::filesystem::path& dir) {
    // Three pictures made by an independent encoder, and one that is none.
    const std::filesystem::path folder = dir / "pictures";
    std::filesystem::create_directories(folder);
    for (const auto& [name, colour] : {std::pair{"a.png", "red"}, std::pair{"b.jpg", "blue"}}) {
        EXPECT_EQ(RunToEnd({"convert", "-size", "512x256", std::string("xc:") + colour,
                            (folder / name).string()},
                           "", {}),
                  0);
    }
    std::ofstream(folder / "c.webp") << "not a picture at all";
    std::ofstream(folder / "notes.txt") << "left out";
    return folder.string();
}

// What a gesture must leave on screen once the view rests.
enum class Outcome {
    kPointFollows,  // the point under the pointer moved with it
    kPointStays,    // the point under the pointer stayed there (a zoom)
    kViewTurned,    // the middle of the picture changed
};

struct Gesture {
    const char* name;
    std::vector<std::string> xdotool;  // "W" stands for the window
    int from_x, from_y, to_x, to_y;    // a point dragged or held, window pixels
    const char* rest;                  // the view it rests at, as logged
    Outcome outcome;
};

std::vector<std::string> Drag(int from_x, int from_y, int to_x, int to_y) {
    const auto text = [](int n) { return std::to_string(n); };
    return {"mousemove",
            "--window",
            "W",
            text(from_x),
            text(from_y),
            "mousedown",
            "1",
            "mousemove",
            "--window",
            "W",
            text((from_x + to_x) / 2),
            text((from_y + to_y) / 2),
            "mousemove",
            "--window",
            "W",
            text(to_x),
            text(to_y),
            "mouseup",
            "1"};
}

std::vector<std::string> Keys(std::vector<std::string> keys) {
    keys.insert(keys.begin(), {"key", "--window", "W"});
    return keys;
}

TEST_F(ViewerWindowTest, PointerAndKeysMoveTheView) {
    ASSERT_FALSE(Display().empty());
    std::vector<std::string> drag_and_reset = Drag(500, 360, 650, 360);
    for (const std::string& arg : Keys({"r"})) {
        drag_and_reset.push_back(arg);
    }
    const std::vector<Gesture> gestures = {
        {"drag right", Drag(500, 360, 650, 360), 500, 360, 650, 360, nullptr,
         Outcome::kPointFollows},
        {"drag up and left", Drag(800, 500, 694, 394), 800, 500, 694, 394, nullptr,
         Outcome::kPointFollows},
        {"wheel in about the pointer",
         {"mousemove", "--window", "W", "400", "300", "click", "4", "click", "4", "click", "4"},
         400,
         300,
         400,
         300,
         "view 23.",
         Outcome::kPointStays},
        {"wheel out about the pointer",
         {"mousemove", "--window", "W", "900", "200", "click", "5", "click", "5"},
         900,
         200,
         900,
         200,
         " 0.000 74.074",
         Outcome::kPointStays},
        {"plus about the middle", Keys({"plus"}), 640, 360, 640, 360, " 0.000 54.000",
         Outcome::kPointStays},
        {"left arrow turns a twelfth of the zoom", Keys({"Left"}), 0, 0, 0, 0,
         "view 25.000 5.000 0.000 60.000", Outcome::kViewTurned},
        {"up arrow tilts", Keys({"Up"}), 0, 0, 0, 0, "view 20.000 10.000 0.000 60.000",
         Outcome::kViewTurned},
        {"space turns until space", Keys({"space", "space"}), 0, 0, 0, 0, " 5.000 0.000 60.000",
         Outcome::kViewTurned},
        // R goes back to the file's own initial view, not the one asked for.
        {"R after a drag", drag_and_reset, 0, 0, 0, 0, "view 0.000 0.000 0.000 60.000",
         Outcome::kViewTurned},
    };
    for (const Gesture& gesture : gestures) {
        SCOPED_TRACE(gesture.name);
        TempDir home;
        SaverProcess viewer({"--view", "20,5,0,60", SamplePath("courtyard.jpg")}, Display(),
                            home.path(), {{"SKYWEAVE_VIEW_LOG", "1"}});
        ASSERT_TRUE(WaitForRest(viewer, AnyRest)) << viewer.Log();
        const std::string first = LastRest(viewer.Log());
        const std::string window = ViewerWindow(Display());
        ASSERT_FALSE(window.empty());
        const Screenshot before = TakeScreenshot(Display(), std::stoull(window));
        ASSERT_EQ(before.width, 1280);
        ASSERT_EQ(before.height, 720);
        std::vector<std::string> args = gesture.xdotool;
        for (std::string& arg : args) {
            arg = arg == "W" ? window : arg;
        }
        ASSERT_EQ(Xdotool(Display(), args), 0);
        // A drag rests only once the button is up, a zoom at the zoom of
        // all its notches.
        ASSERT_TRUE(WaitForRest(viewer, [&](const std::string& last) {
            return last != first &&
                   (gesture.rest == nullptr || last.find(gesture.rest) != std::string::npos);
        })) << viewer.Log();
        const Screenshot after = TakeScreenshot(Display(), std::stoull(window));
        ASSERT_TRUE(after.ok());
        switch (gesture.outcome) {
            case Outcome::kPointStays:
                EXPECT_LT(PatchDifference(before, gesture.from_x, gesture.from_y, after,
                                          gesture.to_x, gesture.to_y),
                          40.0);
                EXPECT_GT(PatchDifference(before, 20, 20, after, 20, 20) +
                              PatchDifference(before, 1259, 699, after, 1259, 699),
                          10.0);
                break;
            case Outcome::kPointFollows: {
                const Match match = FindPatch(before, gesture.from_x, gesture.from_y, after,
                                              gesture.to_x, gesture.to_y, 8);
                EXPECT_LE(std::abs(match.dx), 3);
                EXPECT_LE(std::abs(match.dy), 3);
                EXPECT_LT(match.difference, 12.0);
                // The picture did move: the point is not where it was.
                EXPECT_GT(PatchDifference(before, gesture.from_x, gesture.from_y, after,
                                          gesture.from_x, gesture.from_y),
                          match.difference + 10.0);
                break;
            }
            case Outcome::kViewTurned:
                EXPECT_GT(PatchDifference(before, 640, 360, after, 640, 360) +
                              PatchDifference(before, 320, 200, after, 320, 200),
                          10.0);
                break;
        }
        EXPECT_EQ(EndWithKey(Display(), viewer, window, "Escape"), 0) << viewer.Log();
    }
}

// A key, what the window then shows in its middle, and its title.
struct StepCase {
    const char* key;
    const char* title;
    int red, green, blue;  // -1: the message band (white text on black)
};

TEST_F(ViewerWindowTest, KeysStepThroughTheFolderAndEnd) {
    ASSERT_FALSE(Display().empty());
    TempDir home;
    const std::string folder = MakeFolder(home.path());
    SaverProcess viewer({folder}, Display(), home.path(), {{"SKYWEAVE_VIEW_LOG", "1"}});
    ASSERT_TRUE(WaitForRest(viewer, AnyRest)) << viewer.Log();
    const std::string window = ViewerWindow(Display());
    ASSERT_FALSE(window.empty());
    const std::vector<StepCase> steps = {
        {"", "a.png - Skyweave Viewer", 254, 0, 0},
        {"n", "b.jpg - Skyweave Viewer", 0, 0, 254},
        {"Next", "c.webp - Skyweave Viewer", -1, -1, -1},
        {"Next", "a.png - Skyweave Viewer", 254, 0, 0},
        {"Prior", "c.webp - Skyweave Viewer", -1, -1, -1},
        {"p", "b.jpg - Skyweave Viewer", 0, 0, 254},
    };
    for (const StepCase& step : steps) {
        SCOPED_TRACE(step.title);
        if (*step.key != '\0') {
            ASSERT_EQ(Xdotool(Display(), {"key", "--window", window, step.key}), 0);
        }
        const std::string file =
            std::string(step.title).substr(0, std::string(step.title).find(' '));
        ASSERT_TRUE(WaitForRest(viewer, [&file](const std::string& last) {
            return last.find("/" + file + " view ") != std::string::npos;
        })) << viewer.Log();
        EXPECT_EQ(WindowTitle(Display(), window), step.title);
        const Screenshot shot = TakeScreenshot(Display(), std::stoull(window));
        ASSERT_TRUE(shot.ok());
        if (step.red < 0) {
            EXPECT_NE(
                LastRest(viewer.Log()).find("message File Type Error: Unsupported File Format"),
                std::string::npos)
                << LastRest(viewer.Log());
            EXPECT_GT(shot.CountWhite(440, 330, 840, 390), 50);
            EXPECT_TRUE(shot.IsBlack(10, 10));
        } else {
            const std::uint8_t* p = shot.At(640, 360);
            EXPECT_NEAR(p[0], step.red, 2);
            EXPECT_NEAR(p[1], step.green, 2);
            EXPECT_NEAR(p[2], step.blue, 2);
        }
    }
    EXPECT_EQ(EndWithKey(Display(), viewer, window, "q"), 0) << viewer.Log();
}

// Lines that are refused before any window opens, and the exit status.
TEST_F(ViewerWindowTest, CommandLine) {
    struct Line {
        std::vector<std::string> args;
        int status;
        const char* says;
    };
    const std::vector<Line> lines = {
        {{"--version"}, 0, "skyweave-view 1."},
        {{"--help"}, 0, "usage: skyweave-view [--view H,P,R,Z] [--fullscreen] FILE|FOLDER"},
        {{}, 2, "skyweave-view: no FILE or FOLDER given"},
        {{"--view", "1,2,3", "x.jpg"}, 2, "skyweave-view: --view needs four numbers H,P,R,Z"},
        {{"--zoom", "x.jpg"}, 2, "skyweave-view: unknown option --zoom"},
        {{"a.jpg", "b.jpg"}, 2, "skyweave-view: more than one FILE or FOLDER"},
    };
    for (const Line& line : lines) {
        std::vector<std::string> command{SKYWEAVE_PROGRAM};
        command.insert(command.end(), line.args.begin(), line.args.end());
        std::string output;
        EXPECT_EQ(RunToEnd(command, "", {}, seconds(20), &output), line.status);
        EXPECT_NE(output.find(line.says), std::string::npos) << output;
    }
}

}  // namespace
}  // namespace skyweave::test
