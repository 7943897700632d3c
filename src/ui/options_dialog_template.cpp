// Template 101, the options dialog: 285 by 253 dialog units in the 8-point
// dialog font; the row above the buttons holds the time each panorama of a
// folder is shown and the cross-fade between them. Controls are listed in
// tab order; the labels 1016 and 1017 are replaced before the dialog shows.
#include <array>

#include "ui/dialog_templates.h"
#include "ui/options_dialog_ids.h"

namespace skyweave {
namespace {

using K = DialogItemKind;

constexpr std::array kOptionsItems{
    DialogItem{kIdOk, K::DefaultPushButton, "OK", {7, 232, 50, 14}},
    DialogItem{kIdCancel, K::PushButton, "Cancel", {117, 232, 50, 14}},
    DialogItem{kIdAboutButton, K::PushButton, "About", {228, 232, 50, 14}},
    DialogItem{kIdStatic, K::Label, "File to Display", {7, 7, 44, 8}},
    DialogItem{kIdFilePathEdit, K::Edit, "", {7, 18, 215, 14}},
    DialogItem{kIdBrowseButton, K::PushButton, "&Browse...", {228, 18, 50, 14}},
    DialogItem{kIdStatic, K::Label, "Smaller", {12, 39, 42, 8}},
    DialogItem{kIdStatic, K::Label, "Window Size", {89, 39, 42, 8}},
    DialogItem{kIdStatic, K::LabelRight, "Bigger", {187, 39, 21, 8}},
    DialogItem{kIdWindowSizeSlider, K::Slider, "", {12, 50, 196, 19}},
    DialogItem{kIdMovingCheck, K::CheckBox, "Moving", {228, 52, 39, 10}},
    DialogItem{kIdTurningLeftLabel, K::Label, "Full Left", {12, 73, 42, 8}},
    DialogItem{kIdStatic, K::Label, "Turning Speed", {86, 73, 48, 8}},
    DialogItem{kIdTurningRightLabel, K::LabelRight, "Full right", {170, 73, 38, 8}},
    DialogItem{kIdTurningSlider, K::Slider, "", {12, 83, 196, 19}},
    DialogItem{kIdHeadingRandomCheck, K::CheckBox, "Random", {228, 84, 50, 10}},
    DialogItem{kIdStatic, K::Label, "Slower", {12, 106, 42, 8}},
    DialogItem{kIdStatic, K::Label, "Pitching Speed", {86, 106, 49, 8}},
    DialogItem{kIdStatic, K::LabelRight, "Faster", {188, 106, 20, 8}},
    DialogItem{kIdPitchingSlider, K::Slider, "", {12, 117, 196, 20}},
    DialogItem{kIdPitchRandomCheck, K::CheckBox, "Random", {228, 117, 50, 10}},
    DialogItem{kIdStatic, K::Label, "Slower", {12, 141, 42, 8}},
    DialogItem{kIdStatic, K::Label, "Rolling Speed", {87, 141, 45, 8}},
    DialogItem{kIdStatic, K::LabelRight, "Faster", {188, 141, 20, 8}},
    DialogItem{kIdRollingSlider, K::Slider, "", {12, 151, 196, 20}},
    DialogItem{kIdRollRandomCheck, K::CheckBox, "Random", {228, 152, 50, 10}},
    DialogItem{kIdStatic, K::Label, "Wider", {12, 173, 42, 8}},
    DialogItem{kIdStatic, K::Label, "Zoom level", {92, 173, 36, 8}},
    DialogItem{kIdStatic, K::LabelRight, "Narrower", {178, 173, 30, 8}},
    DialogItem{kIdZoomSlider, K::Slider, "", {12, 184, 196, 20}},
    DialogItem{kIdStatic, K::Label, "Change every", {12, 212, 44, 8}},
    DialogItem{kIdChangeEverySpin, K::SpinBox, "", {58, 209, 44, 14}},
    DialogItem{kIdStatic, K::Label, "seconds", {106, 212, 30, 8}},
    DialogItem{kIdCrossfadeCheck, K::CheckBox, "Crossfade", {228, 211, 50, 10}},
};

constexpr DialogTemplate kOptionsTemplate{
    "Skyweave Options", 285, 253, "MS Sans Serif, Sans", 8, kOptionsItems,
};

}  // namespace

const DialogTemplate& OptionsDialogTemplate() {
    return kOptionsTemplate;
}

}  // namespace skyweave
