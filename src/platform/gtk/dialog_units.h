// Conversion of dialog units to pixels by the classic rule: the base units
// are the dialog font's average character width and its height in pixels;
// x pixels = x units * base width / 4 and y pixels = y units * base height / 8,
// each rounded to the nearest pixel. Used by the dialog layer; pure arithmetic.
#pragma once

#include "platform/gtk/dialog_template.h"

namespace skyweave {

struct DialogBaseUnits {
    int x = 0;  // pixels per 4 horizontal dialog units
    int y = 0;  // pixels per 8 vertical dialog units
};

// A control's place in a dialog in pixels: the top-left corner (x, y) and
// the size (width, height). Not the window layer's PixelRect, which holds
// edges.
struct PixelBox {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;

    bool operator==(const PixelBox&) const = default;
};

// Base units from font measurements: `alphabetWidth` is the width in pixels of
// "A".."Z" followed by "a".."z" (52 letters) set in the dialog font, and
// `fontHeight` the font's ascent plus descent in pixels. The average width is
// rounded to the nearest pixel as ((alphabetWidth / 26) + 1) / 2. Results are
// at least 1.
DialogBaseUnits BaseUnitsFromFont(int alphabetWidth, int fontHeight);

// Multiplies and divides with rounding to the nearest integer (halves away from
// zero), in 64 bits so that no product overflows. `divisor` must not be 0.
int MulDivRound(int value, int numerator, int divisor);

// `rect` in pixels for the given base units.
PixelBox DialogRectToPixels(const DialogRect& rect, DialogBaseUnits units);

// The width and height of a whole dialog (`width` by `height` dialog units).
PixelBox DialogSizeToPixels(int width, int height, DialogBaseUnits units);

}  // namespace skyweave
