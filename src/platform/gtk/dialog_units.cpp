// Dialog-unit arithmetic.
#include "platform/gtk/dialog_units.h"

#include <algorithm>
#include <cstdint>

namespace skyweave {

DialogBaseUnits BaseUnitsFromFont(int alphabetWidth, int fontHeight) {
    const int averageWidth = (std::max(alphabetWidth, 0) / 26 + 1) / 2;
    return {std::max(averageWidth, 1), std::max(fontHeight, 1)};
}

int MulDivRound(int value, int numerator, int divisor) {
    const std::int64_t product = static_cast<std::int64_t>(value) * numerator;
    const std::int64_t half = (divisor < 0 ? -static_cast<std::int64_t>(divisor) : divisor) / 2;
    const bool negative = (product < 0) != (divisor < 0);
    const std::int64_t magnitude = (product < 0 ? -product : product) + half;
    const std::int64_t quotient =
        magnitude / (divisor < 0 ? -static_cast<std::int64_t>(divisor) : divisor);
    return static_cast<int>(negative ? -quotient : quotient);
}

PixelBox DialogRectToPixels(const DialogRect& rect, DialogBaseUnits units) {
    // Edges are converted, not sizes, so that adjacent controls stay adjacent.
    const int left = MulDivRound(rect.x, units.x, 4);
    const int top = MulDivRound(rect.y, units.y, 8);
    const int right = MulDivRound(rect.x + rect.width, units.x, 4);
    const int bottom = MulDivRound(rect.y + rect.height, units.y, 8);
    return {left, top, right - left, bottom - top};
}

PixelBox DialogSizeToPixels(int width, int height, DialogBaseUnits units) {
    return {0, 0, MulDivRound(width, units.x, 4), MulDivRound(height, units.y, 8)};
}

}  // namespace skyweave
