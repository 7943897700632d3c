// A folder as the panorama, end to end under Xvfb with the daemon's command
// line: three single-colour panoramas of three formats each come on screen
// within 35 s at --change-every 10, cross-fading from one to the next; a
// file that fails is skipped with its message shown for a moment; a folder
// with nothing to show says so in the message place.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "engine/panorama_bytes.h"
#include "saver_harness.h"

namespace skyweave::test {
namespace {

using skyweave::testing::Bytes;
using skyweave::testing::Rgb;
using std::chrono::milliseconds;
using std::chrono::seconds;
namespace fs = std::filesystem;

void WriteBytes(const fs::path& path, const Bytes& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

// A JFIF JPEG of one colour, made with libjpeg.
void WriteUniformJpeg(const fs::path& path, int width, int height, Rgb colour) {
    fs::create_directories(path.parent_path());
    std::FILE* out = std::fopen(path.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr error{};
    cinfo.err = jpeg_std_error(&error);
    jpeg_create_compress(&cinfo);
    jpeg_stdio_dest(&cinfo, out);
    cinfo.image_width = static_cast<JDIMENSION>(width);
    cinfo.image_height = static_cast<JDIMENSION>(height);
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, 95, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    std::vector<JSAMPLE> row(static_cast<std::size_t>(width) * 3);
    for (int x = 0; x < width; ++x) {
        row[3 * x] = colour.red;
        row[3 * x + 1] = colour.green;
        row[3 * x + 2] = colour.blue;
    }
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::fclose(out);
}

// Which of red, green and blue fills the screen's middle, or 0.
char ColourAtMiddle(const Screenshot& shot) {
    if (!shot.ok()) {
        return 0;
    }
    const std::uint8_t* p = shot.At(shot.width / 2, shot.height / 2);
    const auto high = [](std::uint8_t v) { return v > 200; };
    const auto low = [](std::uint8_t v) { return v < 50; };
    if (high(p[0]) && low(p[1]) && low(p[2])) {
        return 'r';
    }
    if (low(p[0]) && high(p[1]) && low(p[2])) {
        return 'g';
    }
    if (low(p[0]) && low(p[1]) && high(p[2])) {
        return 'b';
    }
    return 0;
}

TEST(SaverFolderTest, ThreePanoramasOfAFolderAllComeOnScreenWithin35Seconds) {
    Xvfb x(320, 240, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    const fs::path folder = home.path() / "panoramas";
    WriteUniformJpeg(folder / "red.jpg", 256, 128, {255, 0, 0});
    WriteBytes(folder / "deeper" / "green", skyweave::testing::UniformBmp24(256, 128, {0, 255, 0}));
    WriteBytes(folder / "blue.pan",
               skyweave::testing::Container(
                   {{"BTMP", skyweave::testing::UniformBmp24(256, 128, {0, 0, 255})}}));
    WriteBytes(folder / "notes.txt", {'n', 'o', 't', 'e', 's'});
    WriteUniformJpeg(folder / ".hidden" / "white.jpg", 64, 32, {255, 255, 255});

    SaverProcess saver({"--root", "--file", folder.string(), "--change-every", "10", "--size",
                        "100", "--no-moving"},
                       x.name(), home.path());
    std::set<char> seen;
    const auto deadline = std::chrono::steady_clock::now() + seconds(35);
    while (seen.size() < 3 && std::chrono::steady_clock::now() < deadline && saver.Running()) {
        if (const char colour = ColourAtMiddle(TakeScreenshot(x.name()))) {
            seen.insert(colour);
        }
        Pause(milliseconds(200));
    }
    EXPECT_EQ(seen, (std::set<char>{'r', 'g', 'b'})) << saver.Log();
    const std::string log = saver.Log();
    EXPECT_EQ(CountIn(log, "event show "), CountIn(log, "event load done")) << log;
    EXPECT_GE(CountIn(log, "event fade start"), 2) << log;
    EXPECT_EQ(log.find("white"), std::string::npos) << "a hidden folder was read";
    EXPECT_EQ(log.find("notes"), std::string::npos);
    EXPECT_EQ(log.find("event message"), log.find("event message Decompressing panorama...\n"))
        << "a message other than the first load's: " << log;
    ::kill(saver.pid(), SIGTERM);
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverFolderTest, AFailingFileIsSkippedWithItsMessageShownForAMoment) {
    Xvfb x(320, 240, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    const fs::path folder = home.path() / "panoramas";
    const fs::path good = folder / "good.bmp";
    WriteBytes(good, skyweave::testing::UniformBmp24(256, 128, {0, 0, 255}));
    WriteBytes(folder / "newer.pan", skyweave::testing::Container({}, 1));
    SaverProcess saver({"--root", "--file", folder.string(), "--change-every", "10"}, x.name(),
                       home.path());
    const std::string failure =
        "Version Error: Cannot load a version 5.0 file with version 4.0 software";
    // In either order: the good one shows; the failing one's message shows
    // (over the view, or alone when it came first), and the good one stays.
    ASSERT_TRUE(saver.WaitForLog("event show " + good.string() + "\n", seconds(30))) << saver.Log();
    ASSERT_TRUE(saver.WaitForLog(failure, seconds(30))) << saver.Log();
    ASSERT_TRUE(saver.WaitForFrames(ParseFrames(saver.Log()).size() + 10, seconds(30)));
    const std::string log = saver.Log();
    EXPECT_EQ(CountIn(log, "event notice " + failure + "\n"), 1) << log;
    EXPECT_EQ(CountIn(log, "event show "), 1) << "the failing file was shown: " << log;
    EXPECT_TRUE(saver.Running());
    ::kill(saver.pid(), SIGTERM);
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverFolderTest, AFolderWithNothingToShowSaysSoInTheMessagePlace) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    const fs::path folder = home.path() / "empty";
    fs::create_directories(folder / "sub");
    WriteBytes(folder / "sub" / "readme.txt", {'h', 'i'});
    WriteSettings(home.path(), {{"FilePath", folder.string()}});
    SaverProcess saver({"/s"}, x.name(), home.path());
    ASSERT_TRUE(saver.WaitForLog("event message There is no panorama in the folder " +
                                 folder.string() + "\n"))
        << saver.Log();
    // White text at the top left, on black.
    Screenshot shot = TakeScreenshot(x.name());
    for (int i = 0; i < 50 && shot.CountWhite(0, 0, 320, 20) < 100; ++i) {
        Pause(milliseconds(100));
        shot = TakeScreenshot(x.name());
    }
    EXPECT_GT(shot.CountWhite(0, 0, 320, 20), 100);
    EXPECT_TRUE(ParseFrames(saver.Log()).empty());
    EXPECT_EQ(CountIn(saver.Log(), "event load start"), 0);
    Xdotool(x.name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

TEST(SaverFolderTest, ANameWithALineBreakCannotForgeALogLine) {
    Xvfb x(320, 240, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    const fs::path folder = home.path() / "panoramas";
    const fs::path named = folder / "a.jpg\nevent show forged.jpg";
    WriteUniformJpeg(named, 256, 128, {255, 0, 0});
    SaverProcess saver({"--root", "--file", folder.string()}, x.name(), home.path());
    ASSERT_TRUE(
        saver.WaitForLog("event show " + folder.string() + "/a.jpg\\nevent show forged.jpg\n"))
        << saver.Log();
    ASSERT_TRUE(saver.WaitForFrames(3));
    const std::string log = saver.Log();
    EXPECT_EQ(CountIn(log, "\nevent show "), 1) << log;
    EXPECT_EQ(CountIn(log, "\nevent show forged"), 0) << log;
    ::kill(saver.pid(), SIGTERM);
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

}  // namespace
}  // namespace skyweave::test
