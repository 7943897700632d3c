// See viewer_options.h.
#include "viewer/viewer_options.h"

#include <string_view>

#include "command_line.h"

namespace skyweave {

ViewerParseResult ParseViewerOptions(std::span<const char* const> args) {
    ViewerOptions options;
    bool path_given = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string_view arg = args[i] != nullptr ? args[i] : "";
        if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--fullscreen") {
            options.fullscreen = true;
        } else if (arg == "--view") {
            const auto numbers = i + 1 < args.size() && args[i + 1] != nullptr
                                     ? ParseNumberList(args[++i], 4)
                                     : std::nullopt;
            if (!numbers) {
                return {std::nullopt, "--view needs four numbers H,P,R,Z"};
            }
            options.view = ViewState{(*numbers)[0], (*numbers)[1], (*numbers)[2], (*numbers)[3]};
        } else if (arg.starts_with("-") && arg != "-") {
            return {std::nullopt, "unknown option " + std::string(arg)};
        } else if (path_given) {
            return {std::nullopt, "more than one FILE or FOLDER"};
        } else {
            options.path = std::string(arg);
            path_given = true;
        }
    }
    if (!path_given && !options.help && !options.version) {
        return {std::nullopt, "no FILE or FOLDER given"};
    }
    return {options, {}};
}

std::string ViewerUsageText() {
    return "usage: skyweave-view [--view H,P,R,Z] [--fullscreen] FILE|FOLDER\n"
           "       skyweave-view --help | --version\n"
           "\n"
           "Shows a panorama (.pan, or a BMP, JPEG, PNG, WebP, HEIC or AVIF picture)\n"
           "in a window and lets you look around in it.\n"
           "\n"
           "  --view H,P,R,Z  start at heading, pitch, roll and zoom, in degrees\n"
           "                  (default: the file's initial view)\n"
           "  --fullscreen    start full screen\n"
           "\n"
           "Drag with the left button to look around; the wheel or + and - zoom;\n"
           "the arrow keys turn; space starts and stops the automatic turn;\n"
           "F or F11 toggles full screen; R goes back to the initial view;\n"
           "N or Page Down and P or Page Up show the next and previous picture of\n"
           "the folder; Escape or Q ends.\n";
}

}  // namespace skyweave
