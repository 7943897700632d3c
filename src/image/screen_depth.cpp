// The process-wide screen depth and its query hook (see screen_depth.h).
#include "image/screen_depth.h"

#include <atomic>

#include "image/depth_code.h"
#include "platform/core/screen_depth_override.h"

namespace skyweave {
namespace {

std::atomic<int> g_screen_depth{0};
std::atomic<ScreenDepthQuery> g_screen_depth_query{nullptr};

}  // namespace

void InstallScreenDepthQuery(ScreenDepthQuery query) {
    g_screen_depth_query.store(query);
}

int RefreshScreenDepth() {
    const ScreenDepthQuery query = g_screen_depth_query.load();
    const int depth = query != nullptr ? query() : ScreenDepthFromEnvironment(kDepth24);
    g_screen_depth.store(depth);
    return depth;
}

int ScreenDepth() {
    return g_screen_depth.load();
}

void SetScreenDepth(int depth) {
    g_screen_depth.store(depth);
}

}  // namespace skyweave
