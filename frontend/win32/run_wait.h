// Waiting for the list run to end without freezing the windows.
#pragma once

#include "platform.h"

namespace quarnpad {

// Handles messages until the process ends (or the program is told to end);
// closes the handle. A wait that fails counts as a run ending with status
// 0xFFFFFFFF.
RunEnd wait_for_process(HANDLE process);

}  // namespace quarnpad
