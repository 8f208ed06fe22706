// Everything after the listing when the run extracts or converts: selection,
// output directories, the writing loop, the end of the segment chain.
#pragma once

#include <string>
#include <vector>

#include "command_line.h"

// Never returns: ends the process with status 0, or through a fatal error.
[[noreturn]] void run_extraction(const RunOptions& options, const std::vector<std::string>& words);

// Directory and name joined by the platform's separator; ends the run when
// the result is longer than an output path may be.
std::string compose_output_path(const std::optional<std::string>& directory, const std::string& name);
