// The file-picking window: one entry per line of the list file, and
// "&Extract file(s)" for the selected ones.
#pragma once

#include "app.h"

#include <string>

namespace quarnpad {

LRESULT CALLBACK form2_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

// Shows Form2. When it is not loaded it is loaded first, filling the list
// from list_file (no list file: an empty list); when it is open already it
// is only shown again, with the list it has.
bool show_form2(App* app, const std::string* list_file);

// Form_Load of Form2: List1 gets one entry per field of the list file. A
// file that cannot be read is reported and leaves the list empty.
void form2_form_load(App* app, const std::string* list_file);

// "&Extract file(s)": one selected-files run for all selected entries.
void form2_command2_click(App* app);

}  // namespace quarnpad
