// Runs the quarnex under test as a user would: in a folder of the test's,
// with standard input at its end, capturing both output streams.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

struct RunResult {
  int status = -1;      // exit status, or -1 when it did not exit normally
  std::string out;      // standard output, with CR LF read as LF
  std::string err;      // standard error, likewise
  std::string word0;    // the program's own path as its echo line shows it
  std::string err_after_echo;  // standard error from the banner on
};

// The program under test: QUARNEX_PROGRAM, run through QUARNEX_RUNNER
// (for example "wine") when that is set.
bool testing_windows_build();
char program_separator();

RunResult run_quarnex(const std::string& folder, const std::vector<std::string>& args);

// The echo line and banner that precede everything on standard error.
std::string echo_and_banner(const std::string& word0, const std::vector<std::string>& args);

// The temp folder and file helpers the tests share.
struct ScratchDir {
  std::string path;
  ScratchDir();
  ~ScratchDir();
  std::string operator/(const std::string& name) const { return path + "/" + name; }
};

bool read_whole_file(const std::string& path, std::string* content);
bool exists(const std::string& path);

// A test whose runs of the program happen in a scratch folder of its own.
class ProgramTest : public ::testing::Test {
 protected:
  ScratchDir dir;
  char sep = program_separator();
  RunResult run(const std::vector<std::string>& args) { return run_quarnex(dir.path, args); }
};
