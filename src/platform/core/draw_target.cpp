// The process-wide shared palette of 8-bit screens.
#include "platform/core/draw_target.h"

#include <mutex>

namespace skyweave {
namespace {

// One of the process-wide items: replaced by PresentFrame, never freed.
struct SharedPaletteSlot {
    std::mutex mutex;
    std::optional<Palette> palette;
};

SharedPaletteSlot& Slot() {
    static SharedPaletteSlot slot;
    return slot;
}

}  // namespace

std::optional<Palette> SharedPalette() {
    SharedPaletteSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    return slot.palette;
}

void ReplaceSharedPalette(const Palette& palette) {
    SharedPaletteSlot& slot = Slot();
    std::lock_guard lock(slot.mutex);
    slot.palette = palette;
}

}  // namespace skyweave
