// COptionsDlg: the behaviour of the options dialog without any toolkit. It
// loads the settings when built, sets up the controls when the dialog starts,
// handles the Browse, About, heading "Random", OK and Cancel commands, and
// stores all settings on OK. Cancel stores nothing. It reaches its window
// only through OptionsDialogControls. Owned by RunOptionsDialog (or a test)
// for one showing of the dialog.
#pragma once

#include <cstdint>
#include <string_view>

#include "platform/profile/profile_store.h"
#include "settings/saver_settings.h"
#include "ui/options_dialog_controls.h"

namespace skyweave {

class COptionsDlg {
  public:
    // Dialog load: reads the settings of `profile` (which must outlive the
    // dialog) into the members.
    explicit COptionsDlg(ProfileStore& profile);

    // The window's controls; must be set before OnInitDialog and outlive the
    // dialog's use.
    void Attach(OptionsDialogControls* controls) { controls_ = controls; }

    // The settings as the dialog holds them: loaded when it is built, the
    // edit box and check boxes read back by DoDataExchange, the sliders on OK.
    const SaverSettings& Settings() const { return settings_; }
    // The turning slider's position as loaded (-Heading), changed only by
    // the slider's set-up, so that moves made before a click on its "Random"
    // box are dropped.
    std::int32_t HeadingPosition() const { return headingPosition_; }

    // Moves the edit box and the check boxes of the settings table between
    // the settings and the controls: into the settings when
    // `saveAndValidate`, else into the controls.
    void DoDataExchange(bool saveAndValidate);

    // Dialog start: fills the controls, sets up every slider of the settings
    // table with its range, tick marks and position. Returns true (the window
    // gives the focus to its first control).
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
    SaverSettings settings_;
    std::int32_t headingPosition_ = 0;
};

// The filter of the open-file dialog, in the classic "name|patterns|" form:
// every kind of file the saver shows first (the loader tells them by their
// content; the names only narrow the list), then .pan files alone, then all.
inline constexpr std::string_view kPanoramaFileFilter =
    "Panoramas and Pictures (*.pan, *.jpg, *.bmp, *.png, *.webp, *.heic, *.avif)|"
    "*.pan;*.jpg;*.jpeg;*.jpe;*.jfif;*.bmp;*.dib;*.png;*.webp;*.heic;*.heif;*.avif|"
    "Velmora(TM) Panoramas (*.pan)|*.pan|All Files (*.*)|*.*||";

}  // namespace skyweave
