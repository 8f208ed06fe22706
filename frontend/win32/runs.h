// "&Extract all files" and "&Convert to Iso", and the way every run of
// quarnex is started, waited for, stopped and its end told.
#pragma once

#include "app.h"
#include "run_choice.h"

#include <string>

namespace quarnpad {

void form1_command2_click(App* app);
void form1_command6_click(App* app);

// Which path fields a command reads.
enum PathFields { kImagePath = 1, kDestinationPath = 2 };

// Makes the fields ready to go onto a command line: surrounding quotes are
// taken off in the box itself (the user sees it); a field that still holds
// a double quote is refused with a message owned by owner that names it.
// False when a field was refused: nothing is to run.
bool take_path_fields(App* app, HWND owner, int fields);

// How a run of quarnex ended.
struct RunOutcome {
  bool ended;            // false: it could not start (the user has been told),
                         // it was stopped, or the program is ending
  bool ok;               // exit status 0
  std::string reason;    // when not ok: quarnex's own reason, or its status
  std::string progress;  // what quarnex had printed of its output's line
                         // before the reason, or empty
};

// Starts quarnex and waits for it to end while the windows go on working
// and the action buttons, the fields and the Browse buttons wait; the
// status line says a run is under way. When it cannot be started a message
// box owned by owner gives the system's reason. A run the user stopped is
// told, and the program then ends.
RunOutcome run_quarnex(App* app, HWND owner, const std::string& command_line,
                       StartWindow window);

// run_quarnex, and its end told: the status line says it went well, or a
// message box gives the reason it failed.
void run_and_report(App* app, HWND owner, const std::string& command_line,
                    StartWindow window);

// Closing the main window or "E&xit" while a run is under way: asks
// whether to stop quarnex (No, the default, keeps the window and the run).
// Yes stops it; once its end is told the program ends.
void ask_to_stop_run(App* app, HWND owner);

// A message about a run's end: its console window had the focus, so the
// owner comes to the front first and the box takes the keyboard. An owner
// closed meanwhile gives way to the main window.
void report_failure(App* app, HWND owner, const std::string& text,
                    UINT icon = MB_ICONERROR);

}  // namespace quarnpad
