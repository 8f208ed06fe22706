// The save-file dialog of "&Convert to Iso", with the behaviour of the
// common-dialog control it takes the place of: a Filter in
// "description|pattern|..." form, and a FileName that keeps its last value
// across uses and is left as it was by a cancel.
#pragma once

#include "platform.h"

#include <string>

namespace quarnpad {

struct CommonDialog {
  std::string filter;
  std::string file_name;  // empty until a file has been chosen once
};

// Shows the modal save dialog with the system's own title, no initial
// folder and no default extension; it asks nothing about existing files
// (the caller asks about the name quarnex writes). FileName changes only when the user accepts a name; returns false
// when the user cancels (or the dialog fails).
bool show_save(const Platform* platform, HWND owner, CommonDialog* dialog);

}  // namespace quarnpad
