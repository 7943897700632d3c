// libFuzzer target: a whole panorama file image through the kind test,
// LoadMemory and one small moving frame onto an in-memory target. Embedded
// files are staged into a private temporary directory that is emptied after
// every input.
#include <stdlib.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <span>
#include <string>

#include "engine/panorama_engine.h"
#include "fuzz_limits.h"
#include "platform/core/memory_draw_target.h"

namespace {

std::filesystem::path& StagingRoot() {
    static std::filesystem::path root;
    return root;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "skyweave-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) != nullptr) {
        StagingRoot() = pattern;
        ::setenv("TMPDIR", pattern.c_str(), 1);
        std::atexit([] {
            std::error_code ignored;
            std::filesystem::remove_all(StagingRoot(), ignored);
        });
    }
    ::setenv("SKYWEAVE_SCREEN_DEPTH", "24", 1);
    // No diagnostic server: keep the channel from starting programs.
    ::setenv("PATH", "/nonexistent", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace skyweave;
    const std::span<const std::uint8_t> bytes(data, size);
    if (const std::optional<KindTag> kind = KindOf(bytes)) {
        PanoramaEngine engine;
        try {
            engine.LoadMemory(bytes, *kind, FuzzDecodeLimits());
            MemoryDrawTarget target(48, 40);
            engine.Draw(target, {0, 0, 48, 40});
            engine.Draw(target, {0, 0, 48, 40});  // the still path
        } catch (const PanoramaLoadError&) {
        }
    }
    std::error_code ignored;
    if (!StagingRoot().empty()) {
        for (const auto& entry : std::filesystem::directory_iterator(StagingRoot(), ignored)) {
            std::filesystem::remove_all(entry.path(), ignored);
        }
    }
    return 0;
}
