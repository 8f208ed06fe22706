// Message handling shared by the main loop and by the wait for a list run:
// keyboard navigation (tab, arrows, Alt with an access key) goes to the
// window the message belongs to.
#pragma once

#include <windows.h>

namespace quarnpad {

void dispatch_message(MSG* msg);

// Handles every message waiting now. Returns false when the program is to
// end; the quit message is then posted again for the main loop.
bool pump_pending_messages();

// The main loop; returns the exit code of the quit message.
int run_message_loop();

}  // namespace quarnpad
