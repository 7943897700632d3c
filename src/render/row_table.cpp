// Row tables (see row_table.h).
#include "render/row_table.h"

#include <algorithm>

namespace skyweave {

void FillRowTable(std::span<std::int32_t> entries, std::int32_t srcWidth, std::int32_t srcHeight) {
    for (std::int32_t i = -kRowTableGuard; i < srcHeight + kRowTableGuard; ++i) {
        entries[i + kRowTableGuard] = std::min(std::max(i + 1, 8), srcHeight - 8) * srcWidth;
    }
}

void FillPairRowTable(std::span<std::int32_t> entries, std::int32_t srcWidth,
                      std::int32_t srcHeight) {
    for (std::int32_t i = -kRowTableGuard; i < srcHeight + kRowTableGuard; ++i) {
        entries[i + kRowTableGuard] =
            std::min(std::max(i, 0), srcHeight - kPairRowMargin) * srcWidth;
    }
}

}  // namespace skyweave
