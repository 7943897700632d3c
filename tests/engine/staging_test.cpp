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

TEST_F(EngineTest, FilesAreStagedPrivatelyAndOnlyTildeNamesAreRemoved) {
    const Bytes file = WithFiles({{"~notes.txt", "first"}, {"keep.dat", "second"}, {"~noext", ""}});
    fs::path staging;
    {
        PanoramaEngine engine{std::span<const std::uint8_t>(file)};
        staging = engine.StagingPath();
        EXPECT_EQ(staging, temp_ / StagingNameFor(&engine));
        EXPECT_EQ(staging.filename().string().size(), 11u);
        EXPECT_EQ(staging.filename().string().rfind("~VL", 0), 0u);
        EXPECT_EQ(ModeOf(staging), 0700u);
        EXPECT_EQ(Slurp(staging / "~notes.txt"), "first");
        EXPECT_EQ(Slurp(staging / "keep.dat"), "second");
        EXPECT_TRUE(fs::exists(staging / "~noext"));
        EXPECT_EQ(ModeOf(staging / "keep.dat"), 0600u);
        engine.Close();
        EXPECT_FALSE(fs::exists(staging / "~notes.txt"));
        EXPECT_FALSE(fs::exists(staging / "~noext"));
        EXPECT_EQ(Slurp(staging / "keep.dat"), "second");  // stays, and so does the directory
        engine.Close();                                    // a second Close does nothing
        MemoryDrawTarget target(8, 8);
        EXPECT_EQ(engine.Draw(target, {0, 0, 8, 8}), kNotLoaded);
    }
    EXPECT_TRUE(fs::exists(staging / "keep.dat"));
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

TEST_F(EngineTest, APlantedSymlinkAtTheStagingNameStagesNothing) {
    PanoramaEngine engine;
    const fs::path victim = root_ / "victim";
    fs::create_directory(victim);
    fs::create_directory_symlink(victim, temp_ / StagingNameFor(&engine));
    const Bytes file = WithFiles({{"~payload", "evil"}});
    engine.LoadMemory(file, KindTag::kContainer);
    EXPECT_TRUE(engine.IsLoaded());
    EXPECT_TRUE(engine.StagingPath().empty());
    EXPECT_TRUE(fs::is_empty(victim));
    engine.Close();
    EXPECT_TRUE(fs::is_symlink(temp_ / StagingNameFor(&engine)));
}

TEST_F(EngineTest, AStagingNameOthersMayWriteIsNotUsed) {
    PanoramaEngine engine;
    const fs::path planted = temp_ / StagingNameFor(&engine);
    fs::create_directory(planted);
    ::chmod(planted.c_str(), 0777);
    fs::create_symlink(root_ / "elsewhere", planted / "~x");
    const Bytes file = WithFiles({{"~payload", "evil"}});
    engine.LoadMemory(file, KindTag::kContainer);
    EXPECT_TRUE(engine.StagingPath().empty());
    EXPECT_FALSE(fs::exists(planted / "~payload"));
    engine.Close();
    EXPECT_TRUE(fs::is_symlink(planted / "~x"));  // not ours to delete
}

TEST_F(EngineTest, AnExistingPrivateDirectoryIsUsedWithoutFollowingLinksInIt) {
    PanoramaEngine engine;
    const fs::path existing = temp_ / StagingNameFor(&engine);
    fs::create_directory(existing);
    ::chmod(existing.c_str(), 0700);
    const fs::path target = root_ / "target.txt";
    std::ofstream(target) << "original";
    fs::create_symlink(target, existing / "~linked");
    const Bytes file = WithFiles({{"~fresh", "new"}, {"~linked", "evil"}, {"~after", "x"}});
    engine.LoadMemory(file, KindTag::kContainer);
    EXPECT_EQ(engine.StagingPath(), existing.string());
    EXPECT_EQ(Slurp(existing / "~fresh"), "new");
    EXPECT_EQ(Slurp(target), "original");
    EXPECT_FALSE(fs::exists(existing / "~after"));  // the failed create ended the walk
    engine.Close();
    EXPECT_EQ(Slurp(target), "original");  // the link was removed, not its target
    EXPECT_FALSE(fs::exists(existing));
}

}  // namespace
}  // namespace skyweave
