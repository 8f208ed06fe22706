// Picking single files: the list run behind "Extract &files", whose list
// Form2 (form2.h) then shows.
#pragma once

#include "app.h"

#include <string>

namespace quarnpad {

// "Extract &files": refuses a set's path that holds a double quote,
// removes the old list file, starts the list run, waits
// for it to end while the windows stay usable, then loads or shows Form2
// again. A run that fails or leaves no list file is reported with quarnex's
// own error line, and Form2 is not opened; nor is it when the set's path
// changed during the run.
void form1_command5_click(App* app);

}  // namespace quarnpad
