#include "run_program.h"

#include "async_run.h"

#include <ftw.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

static std::string env_or(const char* name, const char* fallback) {
  const char* v = getenv(name);
  return v && *v ? v : fallback;
}

bool testing_windows_build() { return !env_or("QUARNEX_RUNNER", "").empty(); }

char program_separator() { return testing_windows_build() ? '\\' : '/'; }

bool read_whole_file(const std::string& path, std::string* content) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  std::ostringstream s;
  s << in.rdbuf();
  *content = s.str();
  return true;
}

bool exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

RunResult run_quarnex(const std::string& folder, const std::vector<std::string>& args) {
  std::vector<std::string> prefix;
  std::string runner = env_or("QUARNEX_RUNNER", "");
  if (!runner.empty()) prefix.push_back(runner);
  return run_quarnex_with(folder, args, prefix);
}

std::string echo_and_banner(const std::string& word0, const std::vector<std::string>& args) {
  std::string s = "'" + word0 + "' ";
  for (const std::string& a : args) s += "'" + a + "' ";
  return s + "\n$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n";
}

ScratchDir::ScratchDir() {
  std::string base = env_or("TMPDIR", "/tmp");
  std::string pattern = base + "/quarnex-test-XXXXXX";
  std::vector<char> buf(pattern.begin(), pattern.end());
  buf.push_back('\0');
  if (mkdtemp(buf.data())) path = buf.data();
}

static int remove_entry(const char* p, const struct stat*, int, struct FTW*) { return remove(p); }

ScratchDir::~ScratchDir() {
  if (!path.empty()) nftw(path.c_str(), remove_entry, 16, FTW_DEPTH | FTW_PHYS);
}
