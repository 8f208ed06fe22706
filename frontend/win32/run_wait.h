// Waiting for a run to end without freezing the windows.
#pragma once

#include "platform.h"

namespace quarnpad {

// Handles messages until the process ends (or the program is told to end);
// closes the handle. A wait that fails counts as a run ending with status
// 0xFFFFFFFF.
RunEnd wait_for_process(HANDLE process);

// Reads back from its start the file a run wrote its standard error to, and
// closes it.
std::string read_back_error_output(HANDLE file);

}  // namespace quarnpad
