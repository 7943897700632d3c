// The dialog templates of the options dialog (101) and its About box (134):
// controls, texts and positions in dialog units. Read by the views.
#pragma once

#include "platform/gtk/dialog_template.h"

namespace skyweave {

const DialogTemplate& OptionsDialogTemplate();
const DialogTemplate& AboutBoxTemplate();

}  // namespace skyweave
