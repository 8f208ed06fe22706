// "&Extract all files" and "&Convert to Iso", and the way every run of
// quarnex is started.
#pragma once

#include "app.h"
#include "run_choice.h"

#include <string>

namespace quarnpad {

void form1_command2_click(App* app);
void form1_command6_click(App* app);

// The drive-root rule, applied in the text box itself so that its change
// event runs and the user sees the shortened text.
void apply_drive_root_rule(HWND text_box);

// Starts quarnex (list_run: see Platform::start_program); when it cannot be
// started a message box owned by owner gives the system's reason.
StartResult start_quarnex(App* app, HWND owner, const std::string& command_line,
                          StartWindow window, bool list_run);

}  // namespace quarnpad
