// The two Browse buttons of the main window.
#pragma once

#include "app.h"

#include <string>

namespace quarnpad {

// "&Browse": the open-file dialog puts the chosen .pdi file into Text1.
void form1_command1_click(App* app);

// "Browse": the folder dialog puts the chosen folder into Text2.
void form1_command4_click(App* app);

// A set handed to the program (its command line, a drop on the main
// window): its path goes into Text1 as "&Browse" would put it there.
void open_set(App* app, const std::string& path);

// The program's own command line: its first word after the program's name
// ("Open with", a set dropped on the program's icon) is opened so. With no
// such word nothing changes.
void open_set_from_command_line(App* app, const wchar_t* command_line);

// Size of the open-file record without the fields that later Windows
// versions added: 76 bytes in a 32-bit program.
extern const DWORD kOpenFileRecordSize;

}  // namespace quarnpad
