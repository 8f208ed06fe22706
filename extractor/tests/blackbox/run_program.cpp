#include "run_program.h"

#include <fcntl.h>
#include <ftw.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

extern char** environ;

static std::string env_or(const char* name, const char* fallback) {
  const char* v = getenv(name);
  return v && *v ? v : fallback;
}

bool testing_windows_build() { return !env_or("QUARNEX_RUNNER", "").empty(); }

char program_separator() { return testing_windows_build() ? '\\' : '/'; }

static std::string without_cr(const std::string& s) {
  std::string out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out.push_back(s[i]);
  return out;
}

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
  std::vector<std::string> argv_words;
  std::string runner = env_or("QUARNEX_RUNNER", "");
  if (!runner.empty()) argv_words.push_back(runner);
  argv_words.push_back(env_or("QUARNEX_PROGRAM", "quarnex"));
  argv_words.insert(argv_words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : argv_words) argv.push_back(&w[0]);
  argv.push_back(nullptr);

  std::string out_path = folder + "/.stdout", err_path = folder + "/.stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

  RunResult result;
  // posix_spawn has no working-directory action everywhere: change around it.
  char previous[4096];
  if (!getcwd(previous, sizeof previous) || chdir(folder.c_str()) != 0) return result;
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  if (chdir(previous) != 0) return result;
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) return result;
  int wstatus = 0;
  waitpid(pid, &wstatus, 0);
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  std::string raw;
  read_whole_file(out_path, &raw);
  result.out = without_cr(raw);
  read_whole_file(err_path, &raw);
  result.err = without_cr(raw);
  // Wine may say something of its own before the program starts; the
  // program's standard error begins with its echo line.
  if (!runner.empty()) {
    size_t echo = result.err.find("\n'");
    if (result.err.compare(0, 1, "'") != 0 && echo != std::string::npos) result.err.erase(0, echo + 1);
  }
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  // The echo line starts with the program's own path in single quotes.
  if (result.err.size() > 1 && result.err[0] == '\'') {
    size_t close = result.err.find('\'', 1);
    if (close != std::string::npos) result.word0 = result.err.substr(1, close - 1);
    size_t line_end = result.err.find('\n');
    if (line_end != std::string::npos) result.err_after_echo = result.err.substr(line_end + 1);
  }
  return result;
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
