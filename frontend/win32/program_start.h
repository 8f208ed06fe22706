// Starting quarnex in a console window of its own.
#pragma once

#include "platform.h"

#include <string>

namespace quarnpad {

// The folder this program was loaded from, without a final backslash.
std::string own_folder();

// Starts command_line, whose first word is the bare program name quarnex.
// When quarnex.exe lies in folder, that file is the program started (the
// front end's own folder comes first); otherwise the system's usual search
// finds it. The command line goes to the program exactly as given.
StartResult start_program_from(const std::string& folder, const std::string& command_line,
                               int show_state, bool keep_process);

// The system's text for an error code, without the final line end.
std::string system_error_text(DWORD error);

}  // namespace quarnpad
