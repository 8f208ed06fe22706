// Turns a common-dialog filter "ISO-files|*.iso|All Files|*.*" into the form
// the system's file dialogs take: every item ended by a NUL, and one more
// NUL after the last.
#pragma once

#include <string>

namespace quarnpad {

std::string dialog_filter(const std::string& bar_separated);

}  // namespace quarnpad
