// skyweave-render --thumbnail: the file manager's picture of a panorama,
// its initial view as the viewer first shows it, small and made under
// bounds of its own so that a hostile file in a folder being browsed costs
// little.
#pragma once

#include <cstdint>
#include <string>

namespace skyweave {

// The largest thumbnail side asked for.
inline constexpr std::int32_t kMaxThumbnailSide = 4096;
// The largest picture a thumbnail decodes (larger ones are decoded at a
// reduced scale), and the largest a stream may state, in pixels.
inline constexpr std::uint64_t kThumbnailDecodePixels = std::uint64_t{1} << 24;
inline constexpr std::uint64_t kThumbnailStreamPixels = std::uint64_t{1} << 28;
// Seconds a thumbnail's load may take before it is called off.
inline constexpr int kThumbnailSeconds = 20;

// Writes the initial view of `file` as a PNG of `size` x size * 9 / 16
// pixels to `output` (the still filter, as a view at rest). Returns the
// exit status: 0, or 1 with the message on stderr.
int WriteThumbnail(std::int32_t size, const std::string& file, const std::string& output);

}  // namespace skyweave
