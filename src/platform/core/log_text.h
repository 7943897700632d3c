// Text bound for a log line or a message on standard error. File names come
// from anyone: a name holding a line break would start a line of its own,
// which the scripts reading these logs would take for the program's.
#pragma once

#include <string>
#include <string_view>

namespace skyweave {

// `text` with every control character (below 0x20, and 0x7f) written as
// \n, \r, \t or \xHH; every other byte, UTF-8 included, left as it is.
std::string EscapeForLog(std::string_view text);

}  // namespace skyweave
