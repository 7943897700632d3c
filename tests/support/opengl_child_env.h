// What a test adds to the environment of a program it starts that loads an
// OpenGL driver (the saver presenting through OpenGL under Xvfb): the
// driver keeps some allocations until the process ends and unloads its code
// first, so LeakSanitizer reports them from an unknown module that no
// suppression can name. Memory errors are still caught; only the leak check
// of that one run is off. Outside sanitizer builds the option is ignored.
#pragma once

#include <cstdlib>
#include <string>

namespace skyweave::test {

// The value of ASAN_OPTIONS for such a program: the caller's options with
// leak detection off.
inline std::string AsanOptionsForOpenGl() {
    const char* options = std::getenv("ASAN_OPTIONS");
    std::string value = options != nullptr ? options : "";
    if (!value.empty()) {
        value += ':';
    }
    return value + "detect_leaks=0";
}

}  // namespace skyweave::test
