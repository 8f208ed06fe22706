// "&Extract all files" and "&Convert to Iso", and the way every run of
// quarnex is started, waited for and its end told.
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

// How a run of quarnex ended.
struct RunOutcome {
  bool ended;          // false: it could not start (the user has been told),
                       // or the program is ending
  bool ok;             // exit status 0
  std::string reason;  // when not ok: quarnex's own error line, or its status
};

// Starts quarnex and waits for it to end while the windows go on working
// and the action buttons wait; the status line says a run is under way.
// When it cannot be started a message box owned by owner gives the
// system's reason.
RunOutcome run_quarnex(App* app, HWND owner, const std::string& command_line,
                       StartWindow window);

// run_quarnex, and its end told: the status line says it went well, or a
// message box gives the reason it failed.
void run_and_report(App* app, HWND owner, const std::string& command_line,
                    StartWindow window);

// A message about a run's end: its console window had the focus, so the
// owner comes to the front first and the box takes the keyboard. An owner
// closed meanwhile gives way to the main window.
void report_failure(App* app, HWND owner, const std::string& text);

}  // namespace quarnpad
