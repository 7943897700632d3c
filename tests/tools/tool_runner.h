// Runs a command-line tool as a child process with its output captured, and
// a scratch directory per test. Used by the tools' end-to-end tests.
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

extern char** environ;

namespace skyweave::testing {

struct ToolResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

inline std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class ToolTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The first test's temporary directory, before TMPDIR points into ours.
        static const std::filesystem::path base = std::filesystem::temp_directory_path();
        std::string pattern = (base / "skyweave-tools-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        ::setenv("TMPDIR", root_.c_str(), 1);
        ::unsetenv("SKYWEAVE_SCREEN_DEPTH");
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }

    // Runs `program` with `args`; stdout and stderr are captured whole.
    ToolResult Run(const std::string& program, const std::vector<std::string>& args) {
        const std::filesystem::path out = root_ / "stdout.txt";
        const std::filesystem::path err = root_ / "stderr.txt";
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                         0600);
        std::vector<std::string> all = {program};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (std::string& arg : all) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        pid_t child = 0;
        ToolResult result;
        if (posix_spawn(&child, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
            int status = 0;
            ::waitpid(child, &status, 0);
            result.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        posix_spawn_file_actions_destroy(&actions);
        result.out = ReadText(out);
        result.err = ReadText(err);
        return result;
    }

    ToolResult Render(const std::vector<std::string>& args) {
        return Run(SKYWEAVE_RENDER_TOOL, args);
    }
    ToolResult Pan(const std::vector<std::string>& args) { return Run(SKYWEAVE_PAN_TOOL, args); }

    std::string Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
        const std::filesystem::path path = root_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    std::string Path(const std::string& name) const { return (root_ / name).string(); }

    std::filesystem::path root_;
};

}  // namespace skyweave::testing
