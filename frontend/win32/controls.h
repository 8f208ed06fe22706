// Reading and setting control values. A control that is not there (its
// window has been closed) reads as empty and clear.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace quarnpad {

std::string control_text(HWND control);

// Sets the text; a text box then runs its change event.
void set_control_text(HWND control, const std::string& text);

// A check box's value: 0 clear, 1 set.
int check_value(HWND check_box);

// Every entry of a list box, and which of them are selected.
std::vector<std::string> list_entries(HWND list_box);
std::vector<bool> list_selection(HWND list_box);

void add_list_entry(HWND list_box, const std::string& text);

}  // namespace quarnpad
