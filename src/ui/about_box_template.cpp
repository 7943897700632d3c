// Template 134, the About box: 302 by 131 dialog units, the version line at
// (5, 30), then what it shows, the maker, the notices, the acknowledgement of the libraries
// the saver is built on, and a build label filled in at run time.
#include <array>

#include "ui/dialog_templates.h"
#include "ui/options_dialog_ids.h"

namespace skyweave {
namespace {

using K = DialogItemKind;

constexpr std::array kAboutItems{
    DialogItem{kIdOk, K::DefaultPushButton, "OK", {250, 5, 46, 14}},
    DialogItem{kIdAboutHeadingLabel, K::Label, "Skyweave Screensaver", {5, 5, 240, 14}},
    DialogItem{kIdStatic, K::Label, "Skyweave Module v1.0.3.902", {5, 30, 240, 8}},
    DialogItem{kIdStatic,
               K::Label,
               "Shows one panorama file, or every panorama in a folder in turn.",
               {5, 40, 292, 8}},
    DialogItem{kIdStatic, K::Label, "Made by Corvane.", {5, 50, 240, 8}},
    DialogItem{kIdStatic, K::Label, "Copyright (C) Corvane. All rights reserved.", {5, 60, 292, 8}},
    DialogItem{kIdStatic,
               K::Label,
               "Warning: this program is provided as it is, without any warranty.\n"
               "Corvane is not liable for any damage that may result from its use.\n"
               "You may copy it only whole and unchanged, with this notice.\n"
               "Panoramas you show with it remain the property of their owners.",
               {5, 71, 292, 32}},
    DialogItem{kIdStatic,
               K::Label,
               "This software is based in part on the work of the Independent JPEG Group.\n"
               "It decodes JPEG with libjpeg-turbo and is built with SDL2 and GTK.",
               {5, 105, 292, 16}},
    DialogItem{kIdAboutBuildLabel, K::Label, "", {5, 122, 292, 8}},
};

constexpr DialogTemplate kAboutTemplate{
    "About Skyweave Screensaver", 302, 131, "MS Sans Serif, Sans", 8, kAboutItems,
};

}  // namespace

const DialogTemplate& AboutBoxTemplate() {
    return kAboutTemplate;
}

}  // namespace skyweave
