// The platform pieces under the engine: StateLock, the temporary-files
// directory, whole-file reading and the in-memory drawing target (the
// staging directory has a file of its own).
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/core/file_reader.h"
#include "platform/core/memory_draw_target.h"
#include "platform/core/state_lock.h"
#include "platform/core/temp_directory.h"

namespace skyweave {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

class ScratchDirectory : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern = (fs::temp_directory_path() / "skyweave-core-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
    }
    fs::path root_;
};

TEST(StateLock, IsABinarySemaphoreWithATimedWait) {
    StateLock lock;
    EXPECT_TRUE(lock.Acquire(0ms));
    EXPECT_FALSE(lock.Acquire(20ms));  // taken: the wait runs out
    lock.Release();
    lock.Release();  // beyond the maximum: no effect
    EXPECT_TRUE(lock.Acquire(0ms));
    EXPECT_FALSE(lock.Acquire(0ms));  // still only one count
    std::thread releaser([&lock] { lock.Release(); });
    EXPECT_TRUE(lock.Acquire(10000ms));  // woken by the release
    releaser.join();
}

TEST(TemporaryFilesDirectory, ComesFromTmpdirElseTmp) {
    const char* old = std::getenv("TMPDIR");
    const std::string saved = old ? old : "";
    ::setenv("TMPDIR", "/var/tmp//", 1);
    EXPECT_EQ(TemporaryFilesDirectory(), "/var/tmp");
    ::setenv("TMPDIR", "", 1);
    EXPECT_EQ(TemporaryFilesDirectory(), "/tmp");
    ::unsetenv("TMPDIR");
    EXPECT_EQ(TemporaryFilesDirectory(), "/tmp");
    if (old) {
        ::setenv("TMPDIR", saved.c_str(), 1);
    }
}

using FileReaderTest = ScratchDirectory;

TEST_F(FileReaderTest, ReadsRegularFilesOnly) {
    std::ofstream(root_ / "data.bin", std::ios::binary) << "0123456789";
    std::unique_ptr<InputFile> file = InputFile::Open((root_ / "data.bin").string());
    ASSERT_TRUE(file);
    EXPECT_EQ(file->Size(), 10u);
    std::uint8_t buffer[4] = {};
    EXPECT_EQ(file->ReadAt(8, buffer), 2u);  // the end comes first
    EXPECT_EQ(buffer[0], '8');
    EXPECT_FALSE(InputFile::Open(root_.string()));
    EXPECT_FALSE(InputFile::Open((root_ / "missing").string()));
    ASSERT_EQ(::mkfifo((root_ / "fifo").c_str(), 0600), 0);
    EXPECT_FALSE(InputFile::Open((root_ / "fifo").string()));  // without blocking
}

TEST(FileReader, AbsolutePathsAndMemoryLimits) {
    EXPECT_EQ(AbsolutePath("/a/b.pan"), "/a/b.pan");
    const std::string here = fs::current_path().string();
    EXPECT_EQ(AbsolutePath("b.pan"), (here == "/" ? "/" : here + "/") + "b.pan");
    EXPECT_EQ(AbsolutePath(""), std::nullopt);
    EXPECT_EQ(AbsolutePath(std::string(5000, 'x')), std::nullopt);
    EXPECT_EQ(AbsolutePath(std::string_view("a\0b", 3)), std::nullopt);
    EXPECT_TRUE(MemoryCanHold(1 << 20));
    EXPECT_FALSE(MemoryCanHold(std::uint64_t{1} << 62));
    EXPECT_EQ(TryAllocateBytes(std::uint64_t{1} << 62), nullptr);
    EXPECT_NE(TryAllocateBytes(16), nullptr);
}

TEST(MemoryDrawTarget, CopiesBottomUpFramesTopDownAndClips) {
    // A 4 x 3 frame at depth 24 whose pixel (x, row) holds x, row, 0xAB;
    // row 0 is the bottom row.
    std::vector<std::uint8_t> pixels;
    for (int row = 0; row < 3; ++row) {
        for (int x = 0; x < 4; ++x) {
            pixels.insert(pixels.end(),
                          {static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(row), 0xAB});
        }
    }
    FrameImage frame{pixels, 4, 3, 24, {}};
    MemoryDrawTarget target(5, 3);
    EXPECT_EQ(target.ClientRect(), (PixelRect{0, 0, 5, 3}));
    // The 2 x 2 block from column 1, row 1 (bottom-based) to (3, 1)-(5, 3).
    target.CopyFrame(frame, 1, 1, {3, 1, 5, 3}, nullptr);
    const auto at = [&](int x, int y) { return target.Pixels().data() + (y * 5 + x) * 3; };
    EXPECT_EQ(at(3, 1)[0], 1);  // top of the block: frame row 2
    EXPECT_EQ(at(3, 1)[1], 2);
    EXPECT_EQ(at(4, 2)[0], 2);  // bottom right: frame column 2, row 1
    EXPECT_EQ(at(4, 2)[1], 1);
    EXPECT_EQ(at(2, 1)[2], 0);  // outside the block: untouched
    EXPECT_EQ(at(3, 0)[2], 0);
    // A destination hanging off the picture is clipped, never written outside.
    target.CopyFrame(frame, 0, 0, {-2, -1, 2, 2}, nullptr);
    EXPECT_EQ(at(0, 0)[0], 2);  // frame column 2, row 1 (block row 1 of 3)
    EXPECT_EQ(at(0, 0)[1], 1);
    // A block outside the frame is refused whole.
    const int before = target.CopyCount();
    const std::vector<std::uint8_t> kept = target.Pixels();
    target.CopyFrame(frame, 2, 0, {0, 0, 3, 3}, nullptr);
    EXPECT_EQ(target.CopyCount(), before + 1);
    EXPECT_EQ(target.Pixels(), kept);
}

TEST(MemoryDrawTarget, TakesTheDepthTableAndPaletteOfTheFrame) {
    const std::vector<std::uint8_t> pixels(32 * 32, 7);
    std::vector<std::uint8_t> table(1024, 0);
    table[4 * 7 + 2] = 200;
    MemoryDrawTarget target(32, 32);
    Palette palette{};
    palette[7] = {1, 2, 3, 0};
    target.CopyFrame({pixels, 32, 32, 8, table}, 0, 0, {0, 0, 32, 32}, &palette);
    EXPECT_EQ(target.Depth(), 8);
    EXPECT_EQ(target.Pixels().size(), 32u * 32u);
    EXPECT_EQ(target.Pixels()[0], 7);
    EXPECT_EQ(target.ColorTable(), table);
    ASSERT_TRUE(target.SelectedPalette());
    EXPECT_EQ((*target.SelectedPalette())[7], (PaletteEntry{1, 2, 3, 0}));
    ReplaceSharedPalette(palette);
    EXPECT_EQ(SharedPalette(), palette);
}

}  // namespace
}  // namespace skyweave
