// Loading off the event loop, end to end: while a large panorama decodes, a
// key ends the saver and SIGTERM ends it cleanly, with no frame drawn and
// nothing left in the temporary folder; a file that fails is loaded once,
// not once per frame, and again as soon as it changes.
#include <gtest/gtest.h>
#include <jpeglib.h>

#include <signal.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <vector>

#include "engine/panorama_bytes.h"
#include "saver_harness.h"

namespace skyweave::test {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
namespace fs = std::filesystem;

// A sound 16384 x 8192 progressive JPEG made with libjpeg: a smooth picture,
// so the file stays small while its decode takes a good while.
fs::path BigProgressiveJpeg() {
    static const fs::path path = [] {
        const fs::path file =
            fs::temp_directory_path() / ("skyweave-big-" + std::to_string(::getpid()) + ".jpg");
        std::FILE* out = std::fopen(file.c_str(), "wb");
        jpeg_compress_struct cinfo{};
        jpeg_error_mgr error{};
        cinfo.err = jpeg_std_error(&error);
        jpeg_create_compress(&cinfo);
        jpeg_stdio_dest(&cinfo, out);
        cinfo.image_width = 16384;
        cinfo.image_height = 8192;
        cinfo.input_components = 3;
        cinfo.in_color_space = JCS_RGB;
        jpeg_set_defaults(&cinfo);
        jpeg_set_quality(&cinfo, 85, TRUE);
        jpeg_simple_progression(&cinfo);
        jpeg_start_compress(&cinfo, TRUE);
        std::vector<JSAMPLE> row(16384 * 3);
        while (cinfo.next_scanline < cinfo.image_height) {
            const unsigned y = cinfo.next_scanline;
            for (unsigned x = 0; x < 16384; ++x) {
                row[3 * x] = static_cast<JSAMPLE>(x >> 6);
                row[3 * x + 1] = static_cast<JSAMPLE>(y >> 5);
                row[3 * x + 2] = static_cast<JSAMPLE>((x + y) >> 7);
            }
            JSAMPROW rows[1] = {row.data()};
            jpeg_write_scanlines(&cinfo, rows, 1);
        }
        jpeg_finish_compress(&cinfo);
        jpeg_destroy_compress(&cinfo);
        std::fclose(out);
        // Removed with the test program's end.
        std::atexit([] {
            std::error_code ignored;
            fs::remove(
                fs::temp_directory_path() / ("skyweave-big-" + std::to_string(::getpid()) + ".jpg"),
                ignored);
        });
        return file;
    }();
    return path;
}

// Everything in the log before `marker` (the whole log when absent).
std::string LogBefore(const std::string& log, const std::string& marker) {
    return log.substr(0, log.find(marker));
}

TEST(SaverLoadTest, AKeyOrASignalEndsTheSaverWhileALargePanoramaLoads) {
    const fs::path big = BigProgressiveJpeg();
    ASSERT_GT(fs::file_size(big), 1000u);
    struct Case {
        const char* name;
        bool key;  // else SIGTERM
        const char* ending;
    };
    for (const Case c :
         {Case{"key", true, "event close"}, Case{"SIGTERM", false, "event signal"}}) {
        Xvfb x(640, 480, 24);
        ASSERT_FALSE(x.name().empty());
        TempDir home;
        const fs::path tmp = home.path() / "tmp";
        fs::create_directory(tmp);
        WriteSettings(home.path(), {{"FilePath", big.string()}});
        SaverProcess saver({"/s"}, x.name(), home.path(), {{"TMPDIR", tmp.string()}});
        ASSERT_TRUE(saver.WaitForLog("event load start")) << saver.Log();
        ASSERT_TRUE(
            saver.WaitForLog("event message Decompressing panorama...\n"));  // shown while it loads
        if (c.key) {
            Xdotool(x.name(), {"key", "space"});
        } else {
            ::kill(saver.pid(), SIGTERM);
        }
        ASSERT_TRUE(saver.WaitForLog(c.ending, seconds(20))) << c.name << saver.Log();
        // Handled while the load ran: before it ended, and before any frame.
        const std::string before = LogBefore(saver.Log(), c.ending);
        EXPECT_EQ(before.find("event load done"), std::string::npos) << c.name << saver.Log();
        EXPECT_TRUE(ParseFrames(saver.Log()).empty()) << c.name;
        EXPECT_EQ(saver.WaitExit(seconds(30)), 0) << c.name << saver.Log();
        EXPECT_TRUE(fs::is_empty(tmp)) << c.name;
    }
}

TEST(SaverLoadTest, AFailedFileIsLoadedOnceAndAgainWhenItChanges) {
    Xvfb x(640, 480, 24);
    ASSERT_FALSE(x.name().empty());
    TempDir home;
    const fs::path file = home.path() / "pano.pan";
    const auto write = [&file](const skyweave::testing::Bytes& bytes) {
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
    };
    write(skyweave::testing::Container({}, 1));  // a newer version: refused
    WriteSettings(home.path(), {{"FilePath", file.string()}, {"Size", "50"}});
    SaverProcess saver({"/s"}, x.name(), home.path());
    const std::string error =
        "event message Version Error: Cannot load a version 5.0 file with version 4.0 software\n";
    ASSERT_TRUE(saver.WaitForLog(error)) << saver.Log();
    Pause(seconds(5));
    EXPECT_EQ(CountIn(saver.Log(), "event load start"), 1) << saver.Log();
    EXPECT_EQ(CountIn(saver.Log(), "event message Decompressing panorama...\n"), 1);
    EXPECT_TRUE(ParseFrames(saver.Log()).empty());
    EXPECT_TRUE(saver.Running());

    // The user fixes the file: it is loaded again without waiting for 30 s.
    write(skyweave::testing::Container(
        {{"BTMP", skyweave::testing::UniformBmp24(256, 128, {200, 40, 40})}}));
    ASSERT_TRUE(saver.WaitForFrames(3, seconds(20))) << saver.Log();
    EXPECT_EQ(CountIn(saver.Log(), "event load start"), 2);
    Xdotool(x.name(), {"key", "space"});
    EXPECT_EQ(saver.WaitExit(seconds(20)), 0);
}

}  // namespace
}  // namespace skyweave::test
