// Dialog templates as plain data: the title, size and font of a dialog and
// its controls with their ids, texts and positions in dialog units. The
// dialog layer (dialog_window.h) builds windows from them; the option and
// About dialogs define theirs. Depends on nothing.
#pragma once

#include <span>
#include <string_view>

namespace skyweave {

// Standard command ids of dialog buttons.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
// Id of controls that are never addressed (labels).
inline constexpr int kIdStatic = -1;

enum class DialogItemKind {
    DefaultPushButton,  // activated by Return wherever the focus is not on a button
    PushButton,
    Label,       // left-aligned static text
    LabelRight,  // right-aligned static text
    Edit,        // one-line text box with border, scrolling sideways
    CheckBox,    // automatic check box
    Slider,      // horizontal slider, integer positions
    SpinBox,     // whole number typed or stepped with its arrows, kept in a range
};

// A rectangle in dialog units: x units are a quarter of the dialog font's
// average character width, y units an eighth of its height.
struct DialogRect {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

struct DialogItem {
    int id = kIdStatic;
    DialogItemKind kind = DialogItemKind::Label;
    // Label or button text; '&' marks the mnemonic letter, "&&" is a literal '&'.
    std::string_view text;
    DialogRect rect;
};

struct DialogTemplate {
    std::string_view title;
    int width = 0;   // dialog units
    int height = 0;  // dialog units
    // Font family list (comma-separated, first available wins) and size in points.
    std::string_view fontFamilies;
    int fontPoints = 8;
    // Controls in tab order.
    std::span<const DialogItem> items;
};

}  // namespace skyweave
