// COptionsDlg: the behaviour of the options dialog without any toolkit. It
// loads the settings when built, sets up the controls when the dialog starts,
// handles the Browse, About, heading "Random", OK and Cancel commands, and
// stores all settings on OK. Cancel stores nothing. It reaches its window
// only through OptionsDialogControls. Owned by RunOptionsDialog (or a test)
// for one showing of the dialog.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/profile/profile_store.h"
#include "ui/options_dialog_controls.h"

namespace skyweave {

// The dialog's members, filled from the settings when it is built.
struct OptionsDialogMembers {
    std::string filePath;                // edit box 1003
    bool moving = true;                  // check box 1011
    bool headingRandom = true;           // check box 1012
    bool pitchRandom = true;             // check box 1013
    bool rollRandom = true;              // check box 1014
    std::int32_t size = 20;              // position of slider 1000
    std::int32_t zoomPosition = 100;     // position of slider 1009: 160 - Zoom
    std::int32_t headingPosition = -15;  // position of slider 1001: -Heading
    std::int32_t pitch = 2;              // position of slider 1002
    std::int32_t roll = 0;               // position of slider 1007
};

class COptionsDlg {
  public:
    // Dialog load: reads the settings of `profile` (which must outlive the
    // dialog) into the members.
    explicit COptionsDlg(ProfileStore& profile);

    // The window's controls; must be set before OnInitDialog and outlive the
    // dialog's use.
    void Attach(OptionsDialogControls* controls) { controls_ = controls; }

    const OptionsDialogMembers& Members() const { return members_; }

    // Moves the file path and the four check boxes between members and
    // controls: into the members when `saveAndValidate`, else into the controls.
    void DoDataExchange(bool saveAndValidate);

    // Dialog start: fills the controls, sets up the five sliders. Returns true
    // (the window gives the focus to its first control).
    bool OnInitDialog();

    // Dispatches a command of control `id`; false when it is not one of ours.
    bool OnCommand(int id);

    void OnHeadingRandom();
    void OnBrowse();
    void OnAbout();
    // Stores every setting and ends the dialog with OK; when the store fails,
    // tells the user and keeps the dialog open.
    void OnOK();
    // Ends the dialog with Cancel; stores nothing.
    void OnCancel();

  private:
    void SetUpTurningSlider();

    ProfileStore& profile_;
    OptionsDialogControls* controls_ = nullptr;
    OptionsDialogMembers members_;
};

// The filter of the open-file dialog, in the classic "name|patterns|" form.
inline constexpr std::string_view kPanoramaFileFilter =
    "Velmora(TM) Panoramas (*.pan)|*.pan|All Files (*.*)|*.*||";

}  // namespace skyweave
