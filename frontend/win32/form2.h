// The file-picking window: one entry per line of the list file, and
// "&Extract file(s)" for the selected ones.
#pragma once

#include "app.h"

#include <string>

namespace quarnpad {

LRESULT CALLBACK form2_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Shows Form2. When it is not loaded it is loaded first, filling the list
// from list, the list file's content; when it is open already it is only
// shown again, with the list it has.
bool show_form2(App* app, const std::string& list);

// Form_Load of Form2: List1 is emptied, then gets one entry per field of
// the list file.
void form2_form_load(App* app, const std::string& list);

// "&Extract file(s)": one selected-files run for all selected entries; with
// none selected a message asks for a choice and nothing is started; with
// delete set and not every file picked, a question comes first. Enter
// presses it (it is the default button); Escape closes the window.
void form2_command2_click(App* app);

}  // namespace quarnpad
