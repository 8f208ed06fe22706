// Starts the quarnex under test without waiting for it, so that a test can
// act on it while it runs (kill it, answer its file accesses), and runs it
// through a prefix of words (for example setpriv, to run it as another user).
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

#include "run_program.h"

struct StartedRun {
  pid_t pid = -1;
  std::string folder;
};

// Like run_quarnex, but returns at once. prefix words come before the
// program's path (QUARNEX_RUNNER is not used).
StartedRun start_quarnex(const std::string& folder, const std::vector<std::string>& args,
                         const std::vector<std::string>& prefix = {});

// Waits for the run to end and collects what run_quarnex collects. signal is
// set to the signal that ended it, or 0.
RunResult finish_quarnex(const StartedRun& run, int* signal = nullptr);

// start_quarnex then finish_quarnex.
RunResult run_quarnex_with(const std::string& folder, const std::vector<std::string>& args,
                           const std::vector<std::string>& prefix);
