// The main window: its load, the enabling of its buttons and Exit. The
// other buttons' handlers are in browse.h, runs.h and file_picking.h.
#pragma once

#include "app.h"

namespace quarnpad {

LRESULT CALLBACK form1_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Makes the window, runs Form_Load, shows it and puts the focus on Command1.
bool form1_load(App* app);

// Form_Load: disables the buttons that cannot be used while the boxes are
// empty.
void form1_form_load(App* app);

// Text1 change: enables Command6, and closes Form2, whose list belongs to
// the set named before.
void form1_text1_change(App* app);
void form1_text2_change(App* app);

// Puts the enabling on the action buttons: what the rules allow, and none
// of them (Form2's "&Extract file(s)" included) while a run is under way;
// the fields, the check boxes and the Browse buttons wait for a run too.
void show_enabling(App* app);

// The line above the first frame that tells how the last run went.
void set_status(App* app, const char* text);

// "E&xit": ends the program at once, without a question, unless a run is
// under way: then it asks whether to stop it, as closing the window does.
void form1_command3_click(App* app);

// Files dropped on the main window: the first ".pdi" file goes into Text1
// as "&Browse" would put it there; other files are passed over.
void form1_drop(App* app, HDROP drop);

}  // namespace quarnpad
