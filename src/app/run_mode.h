// The run modes of the program and the parse of its Windows-style command
// line (/c, /p N, /s, /a PATH, /reset). Toolkit-free: CSaverApp calls
// ParseCommandLine once at start-up and hands it the window search it needs.
#pragma once

#include <cstdint>
#include <functional>

namespace skyweave {

enum class RunMode {
    None = 0,        // nothing to do; the program ends at once
    Configure = 1,   // the options dialog, owned by a given window
    Preview = 2,     // the saver inside a given host window
    FullScreen = 3,  // the full-screen saver
    SetFile = 4,     // store a panorama path in the settings and end
    Reset = 5,       // erase the stored settings and end
};

// Finds the top-level window titled "Display Properties"; returns its native
// window id, or 0 when there is none.
using FindOwnerWindow = std::function<std::int64_t()>;

// Reads a decimal number the way the C library's atol does (leading white
// space, optional sign, digits up to the first non-digit, 0 when there are
// none), except that a value beyond 64 bits saturates instead of being
// undefined.
std::int64_t ReadHandle(const char* text);

// argc, argv: as main() receives them, argv[0] being the program. The first
// argument is upper-cased in place from its second character on when it
// reaches the "RESET" comparison. handle: set to the owner window for
// Configure and the parent window for Preview, else left alone.
// find_owner: called only for Configure without an explicit owner.
RunMode ParseCommandLine(int argc, char** argv, std::int64_t& handle,
                         const FindOwnerWindow& find_owner);

}  // namespace skyweave
