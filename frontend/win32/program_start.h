// Starting quarnex in a console window of its own.
#pragma once

#include "platform.h"

#include <string>

namespace quarnpad {

// The folder this program was loaded from, without a final backslash.
std::string own_folder();

// How a run is started and what the caller gets back.
enum class StartKind {
  kLetGo,        // nothing kept; the run uses its console's own streams
  kKeepProcess,  // the process handle is handed back; console streams
  kWaitedRun,    // the process handle is handed back; standard input is NUL
                 // and standard error goes into a temporary file whose
                 // handle is handed back too (it goes away when closed)
};

// Starts command_line, whose first word is the bare program name quarnex.
// When quarnex.exe lies in folder, that file is the program started (the
// front end's own folder comes first); otherwise the system's usual search
// finds it. The command line goes to the program exactly as given.
StartResult start_program_from(const std::string& folder, const std::string& command_line,
                               int show_state, StartKind kind);

// The system's text for an error code, without the final line end.
std::string system_error_text(DWORD error);

}  // namespace quarnpad
