// Pole patch (see pole_patch.h). Draws nothing yet.
#include "render/pole_patch.h"

namespace skyweave {

void PolePatch(PanoramaRenderer& renderer, int depth) {
    (void)renderer;
    (void)depth;
}

}  // namespace skyweave
