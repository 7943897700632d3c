// Staging of embedded files and the teardown of the staging directory, with
// planted symlinks, foreign directories and names that try to escape.
#include <sys/stat.h>
#include <unistd.h>

#include "engine/engine_fixture.h"
#include "engine/engine_state.h"
#include "platform/core/memory_draw_target.h"

namespace skyweave {
namespace {

using namespace skyweave::testing;
namespace fs = std::filesystem;

Bytes WithFiles(const std::vector<Embedded>& files) {
    return Container({{"BTMP", PatternBmp(32, 16)}, {"FILE", FileRecords(files)}});
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

mode_t ModeOf(const fs::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST_F(EngineTest, FilesAreStagedPrivatelyAndEveryOneIsRemovedAtClose) {
    const Bytes file = WithFiles({{"~notes.txt", "first"}, {"keep.dat", "second"}, {"~noext", ""}});
    fs::path staging;
    {
        PanoramaEngine engine{std::span<const std::uint8_t>(file)};
        staging = engine.StagingPath();
        EXPECT_EQ(staging.parent_path(), temp_);
        EXPECT_EQ(staging.filename().string().rfind("~VL" + std::to_string(::getpid()) + "-", 0),
                  0u);
        EXPECT_EQ(ModeOf(staging), 0700u);
        EXPECT_EQ(Slurp(staging / "~notes.txt"), "first");
        EXPECT_EQ(Slurp(staging / "keep.dat"), "second");
        EXPECT_TRUE(fs::exists(staging / "~noext"));
        EXPECT_EQ(ModeOf(staging / "keep.dat"), 0600u);
        EXPECT_EQ(engine.StagingSkipped(), 0);
        engine.Close();
        EXPECT_FALSE(fs::exists(staging));  // not only the "~" names
        engine.Close();                     // a second Close does nothing
        MemoryDrawTarget target(8, 8);
        EXPECT_EQ(engine.Draw(target, {0, 0, 8, 8}), kNotLoaded);
    }
    EXPECT_TRUE(fs::is_empty(temp_));
}

TEST_F(EngineTest, AStagingDirectoryOfTildeFilesIsRemovedWhole) {
    fs::path staging;
    {
        PanoramaEngine engine{
            std::span<const std::uint8_t>(WithFiles({{"~a", "1"}, {"~b.c", "2"}}))};
        staging = engine.StagingPath();
        ASSERT_TRUE(fs::is_directory(staging));
    }  // the destructor closes
    EXPECT_FALSE(fs::exists(staging));
}

TEST_F(EngineTest, AFileThatCannotBeCreatedEndsTheWalkButNotTheLoad) {
    const std::string too_long(300, 'x');
    PanoramaEngine engine{std::span<const std::uint8_t>(
        WithFiles({{"~first", "1"}, {too_long, "2"}, {"~third", "3"}}))};
    ASSERT_TRUE(engine.IsLoaded());
    const fs::path staging = engine.StagingPath();
    EXPECT_EQ(Slurp(staging / "~first"), "1");
    EXPECT_FALSE(fs::exists(staging / "~third"));
}

TEST_F(EngineTest, FirstByteZeroStagesNothing) {
    PanoramaEngine engine{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(32, 16)}, {"FILE", {0, 'a', 0, 1, 0, 0, 0, 'z'}}}))};
    ASSERT_TRUE(engine.IsLoaded());
    if (!engine.StagingPath().empty()) {
        EXPECT_TRUE(fs::is_empty(engine.StagingPath()));
    }
}

TEST_F(EngineTest, NamesThatCouldLeaveTheDirectoryAreNeverWritten) {
    for (const char* name : {"../escape", "/tmp/escape", "..", ".", "sub/escape", "a\\escape"}) {
        PanoramaEngine engine{
            std::span<const std::uint8_t>(WithFiles({{"~ok", "1"}, {name, "evil"}}))};
        ASSERT_TRUE(engine.IsLoaded());
        const fs::path staging = engine.StagingPath();
        EXPECT_EQ(Slurp(staging / "~ok"), "1");
        std::vector<fs::path> entries;
        for (const auto& entry : fs::recursive_directory_iterator(temp_)) {
            entries.push_back(entry.path());
        }
        EXPECT_EQ(entries.size(), 2u) << name;  // the staging directory and ~ok
        EXPECT_FALSE(fs::exists(temp_ / "escape"));
    }
}

TEST_F(EngineTest, ARecordRunningPastItsChunkIsNotWritten) {
    Bytes records = FileRecords({{"~whole", "abc"}});
    records.pop_back();
    const Bytes liar = {'~', 'c', 'u', 't', 0, 0xFF, 0xFF, 0, 0, 'x', 'y'};
    records.insert(records.end(), liar.begin(), liar.end());
    PanoramaEngine engine{std::span<const std::uint8_t>(
        Container({{"BTMP", PatternBmp(32, 16)}, {"FILE", records}}))};
    EXPECT_EQ(Slurp(fs::path(engine.StagingPath()) / "~whole"), "abc");
    EXPECT_FALSE(fs::exists(fs::path(engine.StagingPath()) / "~cut"));
}

// Names that look like this process's staging directories, planted
// beforehand (a link to a victim, a directory others may write), are never
// taken: the engine makes a fresh directory and leaves them alone.
TEST_F(EngineTest, PlantedStagingLookalikesAreNeitherUsedNorTouched) {
    const fs::path victim = root_ / "victim";
    fs::create_directory(victim);
    const std::string prefix = "~VL" + std::to_string(::getpid()) + "-";
    fs::create_directory_symlink(victim, temp_ / (prefix + "linked"));
    fs::create_directory(temp_ / (prefix + "opened"));
    fs::permissions(temp_ / (prefix + "opened"), fs::perms::all);
    std::ofstream(temp_ / (prefix + "opened") / "theirs") << "x";
    {
        PanoramaEngine engine{std::span<const std::uint8_t>(WithFiles({{"~payload", "1"}}))};
        const fs::path staging = engine.StagingPath();
        ASSERT_FALSE(staging.empty());
        EXPECT_NE(staging.filename(), prefix + "linked");
        EXPECT_NE(staging.filename(), prefix + "opened");
        EXPECT_EQ(Slurp(staging / "~payload"), "1");
    }
    EXPECT_TRUE(fs::is_empty(victim));
    EXPECT_TRUE(fs::is_symlink(temp_ / (prefix + "linked")));
    EXPECT_EQ(Slurp(temp_ / (prefix + "opened") / "theirs"), "x");
}

// Past ten thousand files the rest are skipped and counted; the load goes on.
TEST_F(EngineTest, FilesBeyondTheStagingBoundsAreSkippedAndCounted) {
    std::vector<Embedded> files;
    for (int i = 0; i < 10003; ++i) {
        // Appended: g++ 12 warns falsely (-Wrestrict) on "literal" + std::string.
        std::string name(1, 'f');
        name += std::to_string(i);
        files.push_back({name, "x"});
    }
    PanoramaEngine engine{std::span<const std::uint8_t>(WithFiles(files))};
    ASSERT_TRUE(engine.IsLoaded());
    EXPECT_EQ(engine.StagingSkipped(), 3);
    int staged = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(engine.StagingPath())) {
        ++staged;
    }
    EXPECT_EQ(staged, 10000);
    EXPECT_TRUE(fs::exists(fs::path(engine.StagingPath()) / "f9999"));
    EXPECT_FALSE(fs::exists(fs::path(engine.StagingPath()) / "f10000"));
}

}  // namespace
}  // namespace skyweave
