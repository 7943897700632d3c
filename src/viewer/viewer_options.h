// The viewer's command line: one file or folder and a few switches.
#pragma once

#include <optional>
#include <span>
#include <string>

#include "render/view_state.h"

namespace skyweave {

struct ViewerOptions {
    std::string path;               // the file or folder to open
    std::optional<ViewState> view;  // --view H,P,R,Z for the first file
    bool fullscreen = false;
    bool help = false;
    bool version = false;
};

struct ViewerParseResult {
    std::optional<ViewerOptions> options;  // set when the line was understood
    std::string error;                     // otherwise why not, one line
};

// args: the arguments after the program name.
ViewerParseResult ParseViewerOptions(std::span<const char* const> args);

// The --help text.
std::string ViewerUsageText();

}  // namespace skyweave
