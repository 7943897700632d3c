// The profile store against real files in a temporary XDG_CONFIG_HOME: the
// file's location and exact text, hand-written and hostile files, deletion
// and the atomic replacement of the file.
#include "platform/profile/profile_store.h"

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include <glib.h>

#include "temp_config_home.h"

namespace skyweave {
namespace {

using ProfileStoreTest = testing::TempConfigHome;

// The timestamped copies of corrupt files beside `path`, oldest first.
std::vector<std::filesystem::path> CorruptCopies(const std::filesystem::path& path) {
    std::vector<std::filesystem::path> copies;
    const std::string prefix = path.filename().string() + ".corrupt-";
    for (const auto& entry : std::filesystem::directory_iterator(path.parent_path())) {
        if (entry.path().filename().string().rfind(prefix, 0) == 0) {
            copies.push_back(entry.path());
        }
    }
    std::sort(copies.begin(), copies.end());
    return copies;
}

ProfileStore MakeStore() {
    ProfileStore store("skyweave-test");
    store.SetRegistryKey("Corvane");
    return store;
}

TEST_F(ProfileStoreTest, FileLivesUnderCompanyAndApplicationName) {
    ProfileStore store("saver");
    EXPECT_EQ(store.FilePath(), root_ / "saver.conf");
    store.SetRegistryKey("Corvane");
    EXPECT_EQ(store.FilePath(), root_ / "Corvane" / "saver.conf");
    store.SetRegistryKey("../elsewhere");  // refused: stays under Corvane
    EXPECT_EQ(store.FilePath(), root_ / "Corvane" / "saver.conf");

    // A relative XDG_CONFIG_HOME is ignored in favour of $HOME/.config.
    ASSERT_EQ(setenv("XDG_CONFIG_HOME", "relative/dir", 1), 0);
    ASSERT_EQ(setenv("HOME", root_.c_str(), 1), 0);
    EXPECT_EQ(store.FilePath(), root_ / ".config" / "Corvane" / "saver.conf");
    ASSERT_EQ(unsetenv("XDG_CONFIG_HOME"), 0);
    EXPECT_EQ(store.FilePath(), root_ / ".config" / "Corvane" / "saver.conf");

    EXPECT_EQ(ProfileStore("a/b").ApplicationName(), "skyweave");
    EXPECT_EQ(ProfileStore("..").ApplicationName(), "skyweave");
}

TEST_F(ProfileStoreTest, ApplicationNameIsProgramBaseNameWithoutExtension) {
    EXPECT_EQ(BaseNameWithoutExtension("/usr/bin/skyweave"), "skyweave");
    EXPECT_EQ(BaseNameWithoutExtension("C/dir.d/Skyweave.scr"), "Skyweave");
    EXPECT_EQ(BaseNameWithoutExtension("a.b.c"), "a.b");
    EXPECT_EQ(BaseNameWithoutExtension(".hidden"), ".hidden");
    EXPECT_EQ(BaseNameWithoutExtension("plain"), "plain");
    // This test program is the running program.
    EXPECT_EQ(ApplicationNameFromProgram("ignored"), "skyweave_platform_profile_test");
    EXPECT_EQ(ProfileStore().ApplicationName(), "skyweave_platform_profile_test");
}

TEST_F(ProfileStoreTest, WritesDecimalIntegersAndStringsAsKeyFileText) {
    ProfileStore store = MakeStore();
    EXPECT_TRUE(store.WriteProfileString("Settings", "FilePath", "/home/u/My Pics/a.pan"));
    EXPECT_TRUE(store.WriteProfileInt("Settings", "Heading", -120));
    EXPECT_TRUE(store.WriteProfileInt("Settings", "Zoom", 60));
    EXPECT_TRUE(store.WriteProfileInt("Other", "Min", INT32_MIN));
    EXPECT_TRUE(store.WriteProfileInt("Settings", "Zoom", 130));  // replaced in place
    EXPECT_EQ(ReadText(root_ / "Corvane" / "skyweave-test.conf"),
              "[Settings]\n"
              "FilePath=/home/u/My Pics/a.pan\n"
              "Heading=-120\n"
              "Zoom=130\n"
              "\n"
              "[Other]\n"
              "Min=-2147483648\n");
    EXPECT_EQ(store.GetProfileInt("Settings", "Heading", 0), -120);
    EXPECT_EQ(store.GetProfileInt("Other", "Min", 0), INT32_MIN);
    EXPECT_EQ(store.GetProfileString("Settings", "FilePath", "x"), "/home/u/My Pics/a.pan");
}

TEST_F(ProfileStoreTest, StringsWithAwkwardCharactersRoundTrip) {
    ProfileStore store = MakeStore();
    for (const std::string& text :
         {std::string("  leading and trailing  "), std::string("line\nbreak\ttab"),
          std::string("back\\slash\\"), std::string("#not a comment"), std::string(""),
          std::string("[Settings]"), std::string("Zoom=1"),
          std::string("caf\xc3\xa9 \xe2\x82\xac")}) {
        ASSERT_TRUE(store.WriteProfileString("Settings", "FilePath", text)) << text;
        EXPECT_EQ(store.GetProfileString("Settings", "FilePath", "default"), text);
        EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 77), 77);  // no injected key
    }
}

TEST_F(ProfileStoreTest, HandWrittenValuesOfWrongKindReadAsDefault) {
    WriteText(root_ / "Corvane" / "skyweave-test.conf",
              "# written by hand\n"
              "[Settings]\n"
              "Zoom = 45 \n"
              "Heading=abc\n"
              "Pitch=99999999999\n"
              "Roll=4294967295\n"
              "Size=2147483648\n"
              "Moving=1.5\n"
              "HeadingRandom=\n"
              "PitchRandom=0x10\n"
              "RollRandom=+7\n"
              "[Settings2]\n"
              "Zoom=5\n");
    const ProfileStore store = MakeStore();
    EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 60), 45);
    EXPECT_EQ(store.GetProfileInt("Settings", "Heading", 15), 15);
    EXPECT_EQ(store.GetProfileInt("Settings", "Pitch", 2), 2);
    EXPECT_EQ(store.GetProfileInt("Settings", "Roll", 0), -1);  // same 32 bits
    EXPECT_EQ(store.GetProfileInt("Settings", "Size", 20), INT32_MIN);
    EXPECT_EQ(store.GetProfileInt("Settings", "Moving", 1), 1);
    EXPECT_EQ(store.GetProfileInt("Settings", "HeadingRandom", 9), 9);
    EXPECT_EQ(store.GetProfileInt("Settings", "PitchRandom", 9), 9);
    EXPECT_EQ(store.GetProfileInt("Settings", "RollRandom", 9), 9);
    EXPECT_EQ(store.GetProfileInt("Settings", "Missing", 33), 33);
    EXPECT_EQ(store.GetProfileInt("Nowhere", "Zoom", 34), 34);
    EXPECT_EQ(store.GetProfileInt("Settings2", "Zoom", 0), 5);
}

TEST_F(ProfileStoreTest, CorruptFileReadsAsDefaultsAndIsReplacedOnlyByAStore) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    const std::string corrupt[] = {
        std::string("[Settings\nZoom=10\n"),
        std::string("Zoom=10\n[Settings]\n"),
        std::string("[Settings]\nZoom=10\n\xff\xfe garbage\n"),
        std::string("\x00\x01\x02\x03[Settings]\nZoom=10\n", 22),
        std::string(2u << 20, 'x'),  // no key file at all
    };
    for (const std::string& text : corrupt) {
        WriteText(path, text);
        ProfileStore store = MakeStore();
        EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 60), 60);
        EXPECT_EQ(store.GetProfileString("Settings", "FilePath", "(none)"), "(none)");
        EXPECT_EQ(ReadText(path).size(), text.size()) << "reads must not touch the file";

        ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 99));
        EXPECT_EQ(ReadText(path), "[Settings]\nZoom=99\n");
        std::vector<std::filesystem::path> aside = CorruptCopies(path);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(ReadText(aside[0]), text) << "the replaced file is kept aside";
        EXPECT_NE(store.Problem().find("it was kept as " + aside[0].string()), std::string::npos)
            << store.Problem();
        std::filesystem::remove(aside[0]);

        // Erasing the section is a deliberate store too.
        WriteText(path, text);
        EXPECT_TRUE(store.WriteProfileString("Settings", std::nullopt, std::nullopt));
        EXPECT_EQ(ReadText(path), "");
        aside = CorruptCopies(path);
        ASSERT_EQ(aside.size(), 1u);
        EXPECT_EQ(ReadText(aside[0]), text);
        std::filesystem::remove(aside[0]);
    }
}

TEST_F(ProfileStoreTest, UnreadableProfileIsNeverOverwritten) {
    // A folder where the file should be: reads default, stores fail, folder kept.
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    std::filesystem::create_directories(path / "keep");
    ProfileStore store = MakeStore();
    EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 60), 60);
    EXPECT_FALSE(store.WriteProfileInt("Settings", "Zoom", 1));
    EXPECT_FALSE(store.WriteProfileString("Settings", "FilePath", "x"));
    EXPECT_TRUE(std::filesystem::is_directory(path / "keep"));

    // A pipe where the file should be is never opened (a read would block).
    std::filesystem::remove_all(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0);
    EXPECT_EQ(store.GetProfileString("Settings", "FilePath", "(none)"), "(none)");
    EXPECT_FALSE(store.WriteProfileInt("Settings", "Zoom", 1));
    EXPECT_TRUE(std::filesystem::is_fifo(path));
}

TEST_F(ProfileStoreTest, DeletingSectionOrEntryKeepsTheRest) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    ProfileStore store = MakeStore();
    // Nothing stored yet: deleting creates nothing.
    EXPECT_TRUE(store.WriteProfileString("Settings", std::nullopt, std::nullopt));
    EXPECT_TRUE(store.WriteProfileString("Settings", "Zoom", std::nullopt));
    EXPECT_FALSE(std::filesystem::exists(path));

    WriteText(path,
              "# my notes\n[Before]\nA=1\n\n[Settings]\nZoom=45\nFilePath=x\n\n[After]\nB=2\n");
    EXPECT_TRUE(store.WriteProfileString("Settings", "Zoom", std::nullopt));
    EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 60), 60);
    EXPECT_EQ(store.GetProfileString("Settings", "FilePath", ""), "x");
    EXPECT_TRUE(store.WriteProfileString("Settings", std::nullopt, "ignored"));
    EXPECT_EQ(ReadText(path), "# my notes\n\n[Before]\nA=1\n\n[After]\nB=2\n");
}

TEST_F(ProfileStoreTest, RefusesWhatWouldBreakTheFile) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    ProfileStore store = MakeStore();
    ASSERT_TRUE(store.WriteProfileString("Settings", "FilePath", "/good.pan"));
    const std::string before = ReadText(path);
    EXPECT_FALSE(store.WriteProfileString("Settings", "FilePath", std::string_view("a\0b", 3)));
    EXPECT_FALSE(store.WriteProfileInt("Set[tings", "Zoom", 1));
    EXPECT_FALSE(store.WriteProfileInt("Settings", "Zo=om", 1));
    EXPECT_FALSE(store.WriteProfileInt("Settings", "Zoom\n", 1));
    EXPECT_FALSE(store.WriteProfileInt("Settings", "", 1));
    EXPECT_FALSE(store.WriteProfileInt("", "Zoom", 1));
    EXPECT_EQ(ReadText(path), before);
    EXPECT_EQ(store.GetProfileInt("Settings", "Zo=om", 5), 5);
}

TEST_F(ProfileStoreTest, GroupedStoreLandsWholeOrNotAtAll) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    ProfileStore store = MakeStore();
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 45));
    const ProfileValue good[] = {
        {"FilePath", std::string_view("/a b.pan")},
        {"Heading", std::int32_t{-7}},
        {"Zoom", std::int32_t{99}},
    };
    ASSERT_TRUE(store.WriteProfileValues("Settings", good));
    EXPECT_EQ(ReadText(path), "[Settings]\nZoom=99\nFilePath=/a b.pan\nHeading=-7\n");

    const std::string before = ReadText(path);
    const ProfileValue badText[] = {
        {"Heading", std::int32_t{1}},
        {"FilePath", std::string_view("/a\0b.pan", 8)},
    };
    EXPECT_FALSE(store.WriteProfileValues("Settings", badText));
    const ProfileValue badName[] = {
        {"Heading", std::int32_t{1}},
        {"Bad=Name", std::int32_t{2}},
    };
    EXPECT_FALSE(store.WriteProfileValues("Settings", badName));
    EXPECT_FALSE(store.WriteProfileValues("[x]", good));
    EXPECT_EQ(ReadText(path), before);
}

TEST_F(ProfileStoreTest, StoreReplacesTheFileInsteadOfRewritingItInPlace) {
    // The old file stays whole under its inode while the new one is written
    // beside it, which is what makes an interrupted store harmless.
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    ProfileStore store = MakeStore();
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 45));
    std::ifstream old(path, std::ios::binary);
    struct stat before {};
    ASSERT_EQ(stat(path.c_str(), &before), 0);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 99));
    struct stat after {};
    ASSERT_EQ(stat(path.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino);
    const std::string oldText{std::istreambuf_iterator<char>(old),
                              std::istreambuf_iterator<char>()};
    EXPECT_EQ(oldText, "[Settings]\nZoom=45\n");
    EXPECT_EQ(ReadText(path), "[Settings]\nZoom=99\n");
    // No temporary files are left behind.
    int files = 0;
    for ([[maybe_unused]] const auto& entry :
         std::filesystem::directory_iterator(path.parent_path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
}

mode_t ModeOf(const std::filesystem::path& path) {
    struct stat info {};
    EXPECT_EQ(::lstat(path.c_str(), &info), 0) << path;
    return info.st_mode & 07777;
}

TEST_F(ProfileStoreTest, StoresGoThroughASymlinkToItsTargetAndKeepTheMode) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    const auto dotfiles = root_ / "dotfiles";
    std::filesystem::create_directories(dotfiles);
    std::filesystem::create_directories(path.parent_path());
    WriteText(dotfiles / "saver.conf", "[Settings]\nZoom=45\n");
    ASSERT_EQ(::chmod((dotfiles / "saver.conf").c_str(), 0640), 0);
    // A relative link, as a dotfile manager makes them.
    std::filesystem::create_symlink("../dotfiles/saver.conf", path);

    ProfileStore store = MakeStore();
    EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 60), 45);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 99));
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(ReadText(dotfiles / "saver.conf"), "[Settings]\nZoom=99\n");
    EXPECT_EQ(ModeOf(dotfiles / "saver.conf"), 0640u);
    EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 60), 99);

    // A new file is private whatever the umask allows; a kept one keeps 0600.
    const mode_t old_mask = ::umask(0);
    std::filesystem::remove(path);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 1));
    EXPECT_EQ(ModeOf(path), 0600u);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 2));
    ::umask(old_mask);
    EXPECT_EQ(ModeOf(path), 0600u);
}

TEST_F(ProfileStoreTest, TheThreeNewestCorruptCopiesAreKept) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    ProfileStore store = MakeStore();
    for (int i = 1; i <= 5; ++i) {
        WriteText(path, "[broken " + std::to_string(i) + "\n");
        ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", i));
    }
    const std::vector<std::filesystem::path> copies = CorruptCopies(path);
    ASSERT_EQ(copies.size(), 3u);
    std::vector<std::string> texts;
    for (const auto& copy : copies) {
        texts.push_back(ReadText(copy));
        // "<file>.corrupt-YYYYMMDD-HHMMSS", maybe with "-N" within a second.
        const std::string stamp =
            copy.filename().string().substr(std::string("skyweave-test.conf.corrupt-").size());
        EXPECT_GE(stamp.size(), 15u) << stamp;
        EXPECT_EQ(stamp.find_first_not_of("0123456789-"), std::string::npos) << stamp;
    }
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (std::vector<std::string>{"[broken 3\n", "[broken 4\n", "[broken 5\n"}));
}

TEST_F(ProfileStoreTest, FilesAreReadUpTo1MiBAndSetAsideBeyond) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    // A flood of short keys just within the bound: every value from one read.
    std::string big = "[Settings]\nZoom=45\n";
    for (int i = 0; big.size() < (1u << 20) - 64; ++i) {
        big += 'k';
        big += std::to_string(i);
        big += "=1\n";
    }
    big += "FilePath=/p/end.pan\n";
    WriteText(path, big);
    ProfileStore store = MakeStore();
    const ProfileSnapshot snapshot = store.Read();
    EXPECT_EQ(store.Problem(), "");
    EXPECT_EQ(snapshot.GetProfileInt("Settings", "Zoom", 60), 45);
    EXPECT_EQ(snapshot.GetProfileInt("Settings", "k1000", 7), 1);
    EXPECT_EQ(snapshot.GetProfileString("Settings", "FilePath", ""), "/p/end.pan");
    EXPECT_EQ(snapshot.GetProfileInt("Settings", "Missing", 7), 7);
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Pitch", 3));
    EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 60), 45) << "a valid large file lost values";
    EXPECT_TRUE(CorruptCopies(path).empty());

    big.resize((1u << 20) + 1, '#');
    WriteText(path, big);
    EXPECT_EQ(store.Read().GetProfileInt("Settings", "Zoom", 60), 60);
    EXPECT_EQ(store.Problem(), "the settings file " + path.string() +
                                   " is larger than 1 MiB and is not a settings file");
    EXPECT_EQ(store.GetProfileString("Settings", "FilePath", "none"), "none");
    // The next store sets it aside whole, as it does a malformed one.
    ASSERT_TRUE(store.WriteProfileInt("Settings", "Zoom", 99));
    const std::vector<std::filesystem::path> copies = CorruptCopies(path);
    ASSERT_EQ(copies.size(), 1u);
    EXPECT_EQ(std::filesystem::file_size(copies[0]), big.size());
    EXPECT_EQ(store.Problem(),
              "the settings file " + path.string() +
                  " is larger than 1 MiB and is not a settings file; it was kept as " +
                  copies[0].string());
    EXPECT_EQ(ReadText(path), "[Settings]\nZoom=99\n");
}

TEST_F(ProfileStoreTest, PathsThatAreNotUtf8RoundTripByteForByte) {
    const auto path = root_ / "Corvane" / "skyweave-test.conf";
    ProfileStore store = MakeStore();
    for (const std::string& bytes :
         {std::string("/home/u/\xff\xfe.pan"), std::string("/latin1/caf\xe9.pan"),
          std::string(" \xe9\\x41\\\n\t\r\x01\x7f"), std::string("\xc3"),
          std::string("ok \xc3\xa9 then \xc3(")}) {
        ASSERT_TRUE(store.WriteProfileString("Settings", "FilePath", bytes));
        EXPECT_EQ(store.GetProfileString("Settings", "FilePath", "default"), bytes);
        const std::string text = ReadText(path);
        EXPECT_TRUE(g_utf8_validate(text.data(), static_cast<gssize>(text.size()), nullptr))
            << "the file must stay UTF-8 text";
        EXPECT_EQ(store.GetProfileInt("Settings", "Zoom", 77), 77);
    }
    ASSERT_TRUE(store.WriteProfileString("Settings", "FilePath", "/caf\xe9.pan"));
    EXPECT_EQ(ReadText(path), "[Settings]\nFilePath=/caf\\xE9.pan\n");

    // Hand-written escapes that are not whole escapes of ours read as they
    // always did: taken literally by the key file's reader.
    const std::pair<const char*, const char*> hand_written[] = {
        {"/a\\x0", "/a\\x0"},         {"/a\\x00b", "/a\\x00b"}, {"/a\\xZZ", "/a\\xZZ"},
        {"/a\\q\\xE9", "/a\\q\\xE9"}, {"/a\\xe9", "/a\xe9"},
    };
    for (const auto& [raw, read] : hand_written) {
        WriteText(path, std::string("[Settings]\nFilePath=") + raw + "\n");
        EXPECT_EQ(store.GetProfileString("Settings", "FilePath", "default"), read) << raw;
    }
}

// Two processes store different values at the same time, each a
// read-modify-write of the whole file: neither loses the other's values.
TEST_F(ProfileStoreTest, ConcurrentStoresKeepEachOthersValues) {
    constexpr int kPerWriter = 60;
    std::vector<pid_t> writers;
    for (int writer = 0; writer < 2; ++writer) {
        const pid_t pid = ::fork();
        if (pid == 0) {
            ProfileStore store = MakeStore();
            bool ok = true;
            for (int i = 0; i < kPerWriter; ++i) {
                ok = store.WriteProfileInt("Settings",
                                           std::string("W")
                                               .append(std::to_string(writer))
                                               .append("_")
                                               .append(std::to_string(i)),
                                           i) &&
                     ok;
            }
            ::_exit(ok ? 0 : 1);
        }
        writers.push_back(pid);
    }
    for (const pid_t pid : writers) {
        int status = 0;
        ASSERT_EQ(::waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    const ProfileStore store = MakeStore();
    int missing = 0;
    for (int writer = 0; writer < 2; ++writer) {
        for (int i = 0; i < kPerWriter; ++i) {
            missing += store.GetProfileInt("Settings",
                                           std::string("W")
                                               .append(std::to_string(writer))
                                               .append("_")
                                               .append(std::to_string(i)),
                                           -1) != i;
        }
    }
    EXPECT_EQ(missing, 0);
}

}  // namespace
}  // namespace skyweave
