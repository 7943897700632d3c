// A fixture for the loading tests: a private folder for the test's files
// and a private temporary-files folder (TMPDIR) in it, so that staging
// directories can be inspected and never collide; both go at the end.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "engine/panorama_bytes.h"

namespace skyweave::testing {

class LoadingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "skyweave-loading-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        std::filesystem::create_directory(root_ / "tmp");
        if (const char* old = std::getenv("TMPDIR")) {
            old_tmpdir_ = old;
        }
        ::setenv("TMPDIR", (root_ / "tmp").c_str(), 1);
    }
    void TearDown() override {
        if (old_tmpdir_) {
            ::setenv("TMPDIR", old_tmpdir_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    // Writes `bytes` to `name` under the test's folder; returns its path.
    std::string Write(const std::string& name, const Bytes& bytes) {
        const std::filesystem::path path = root_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    std::filesystem::path root_;
    std::optional<std::string> old_tmpdir_;
};

}  // namespace skyweave::testing
