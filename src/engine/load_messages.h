// The message texts of a failed load, word for word as the user sees them.
// Used by the loader and by the tests and tools that check them.
#pragma once

#include <string>
#include <string_view>

namespace skyweave {

inline constexpr std::string_view kTextCannotFindFile =
    "File I/O Error: Cannot Find Specified File";
inline constexpr std::string_view kTextCannotOpenFile =
    "File I/O Error: Cannot Open Specified File";
inline constexpr std::string_view kTextCannotReadFile =
    "File I/O Error: Cannot Read Specified File";
inline constexpr std::string_view kTextUnsupportedFile = "File Type Error: Unsupported File Format";
inline constexpr std::string_view kTextNoMemory = "Resource Error: Insufficient System Memory";
// A load its caller called off (DecodeLimits::cancel). Never shown: the
// caller that cancels throws the load away.
inline constexpr std::string_view kTextLoadCancelled = "Load Error: Loading Was Cancelled";
// Followed directly by the decoder's detail text (two blanks at the end).
inline constexpr std::string_view kTextCannotFormatImage =
    "File Format Error: Cannot Format Specified Image.  ";

// Room of the joined format message, in characters without the terminator.
inline constexpr std::size_t kMaxFormatMessageLength = 255;

// "Version Error: Cannot load a version %d.0 file with version %d.%d
// software" for a container whose version code is `code` (above 0): the file
// version code + 4, this software's version 4.0.
std::string VersionErrorText(int code);

// The format message followed by `detail` (null: nothing), cut to 255
// characters.
std::string FormatErrorText(const char* detail);

}  // namespace skyweave
