// The fixed failure texts of the image subsystem. They are shown to the user
// after the loader's "File Format Error: Cannot Format Specified Image.  ",
// so they are kept word for word, spelling included.
#pragma once

namespace skyweave {

inline constexpr const char* kTextUnsupportedFormat = "Unsupported file fomat";
inline constexpr const char* kTextInsufficientMemory = "Insufficient system memory";
inline constexpr const char* kTextNoVideoForWindows = "MS Video for Windows not installed";

// Failures the decode bounds of DecodeLimits add (decode_limits.h).
inline constexpr const char* kTextDecodeCancelled = "Decoding cancelled";
inline constexpr const char* kTextTooManyScans = "Too many progressive JPEG scans";

// The ceiling on the pixels of one picture (2^30). Larger claims fail with
// kTextInsufficientMemory before anything is allocated: a 360-degree
// panorama of 46000 x 23000 pixels still fits.
inline constexpr unsigned long long kMaxPicturePixels = 1ULL << 30;

}  // namespace skyweave
