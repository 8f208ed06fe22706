// The two Browse buttons of the main window.
#pragma once

#include "app.h"

namespace quarnpad {

// "&Browse": the open-file dialog puts the chosen .pdi file into Text1.
void form1_command1_click(App* app);

// "Browse": the folder dialog puts the chosen folder into Text2.
void form1_command4_click(App* app);

// Size of the open-file record without the fields that later Windows
// versions added: 76 bytes in a 32-bit program.
extern const DWORD kOpenFileRecordSize;

}  // namespace quarnpad
