// Strings that are not UTF-8 (file names on Linux may hold any bytes but
// NUL) in a key file, which is UTF-8 text. Such a string is written with the
// key file's own escapes (\s for a leading blank, \n, \t, \r, \\) plus \xHH
// for every byte that is not part of a UTF-8 character or is a control
// character. The key file's own reader reports \x as an error (and passes it
// through literally), so only a value it calls erroneous is read this way.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace skyweave {

// The raw key-file value for `bytes` (no NUL inside).
std::string EscapeProfileBytes(std::string_view bytes);

// The bytes of a raw value written by EscapeProfileBytes; nothing for an
// unknown escape, a cut-short \x or a \x00.
std::optional<std::string> UnescapeProfileBytes(std::string_view raw);

}  // namespace skyweave
