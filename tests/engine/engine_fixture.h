// A test fixture for the engine: a private temporary-files directory (so
// that staging directories can be inspected and never collide), a private
// runtime directory for the diagnostic channel, and screen depth 24.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "engine/panorama_bytes.h"
#include "engine/panorama_engine.h"

namespace skyweave::testing {

class EngineTest : public ::testing::Test {
  protected:
    void SetUp() override {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "skyweave-engine-XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        temp_ = root_ / "tmp";
        runtime_ = root_ / "run";
        std::filesystem::create_directory(temp_);
        std::filesystem::create_directory(runtime_);
        std::filesystem::permissions(runtime_, std::filesystem::perms::owner_all);
        Save("TMPDIR", temp_.string());
        Save("XDG_RUNTIME_DIR", runtime_.string());
        Save("SKYWEAVE_SCREEN_DEPTH", "24");
        Save("PATH", (root_ / "no-programs").string());  // no DBS.EXE to start
    }

    void TearDown() override {
        for (auto& [name, value] : saved_) {
            if (value) {
                ::setenv(name.c_str(), value->c_str(), 1);
            } else {
                ::unsetenv(name.c_str());
            }
        }
        std::error_code ignored;
        std::filesystem::permissions(temp_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(root_, ignored);
    }

    // Writes `bytes` to a file under the test's root and returns its path.
    std::string WriteFile(const std::string& name, const Bytes& bytes) {
        const std::filesystem::path path = root_ / name;
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        return path.string();
    }

    // The message of a failed load of `bytes`, or "" when it loaded.
    static std::string LoadFailure(const Bytes& bytes) {
        try {
            PanoramaEngine engine{std::span<const std::uint8_t>(bytes)};
            EXPECT_TRUE(engine.IsLoaded());
            return "";
        } catch (const PanoramaLoadError& error) {
            return error.what();
        }
    }

    static std::string LoadFileFailure(const std::string& path) {
        try {
            PanoramaEngine engine{std::string_view(path)};
            return "";
        } catch (const PanoramaLoadError& error) {
            return error.what();
        }
    }

    void Save(const std::string& name, const std::string& value) {
        const char* old = std::getenv(name.c_str());
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
        ::setenv(name.c_str(), value.c_str(), 1);
    }

    std::filesystem::path root_;
    std::filesystem::path temp_;
    std::filesystem::path runtime_;
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

// A recognisable 24-bit picture: red = x, green = y (from the top), blue 99.
inline Bytes PatternBmp(int width, int height) {
    return Bmp24(width, height, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y), 99};
    });
}

// A 256 x 128 picture whose colours differ in every pixel, so that any
// offset or mix-up of frames shows.
inline Bytes DistinctPixelsBmp() {
    return Bmp24(256, 128, [](int x, int y) {
        return Rgb{static_cast<std::uint8_t>(x), static_cast<std::uint8_t>(y * 2),
                   static_cast<std::uint8_t>(x ^ y)};
    });
}

}  // namespace skyweave::testing
