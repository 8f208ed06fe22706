#include "async_run.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

extern char** environ;

StartedRun start_quarnex(const std::string& folder, const std::vector<std::string>& args,
                         const std::vector<std::string>& prefix) {
  std::vector<std::string> words = prefix;
  const char* program = getenv("QUARNEX_PROGRAM");
  words.push_back(program && *program ? program : "quarnex");
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& w : words) argv.push_back(&w[0]);
  argv.push_back(nullptr);

  std::string out_path = folder + "/.stdout", err_path = folder + "/.stderr";
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

  StartedRun run;
  run.folder = folder;
  // posix_spawn has no working-directory action everywhere: change around it.
  char previous[4096];
  if (!getcwd(previous, sizeof previous) || chdir(folder.c_str()) != 0) return run;
  pid_t pid;
  int rc = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  if (chdir(previous) != 0) return run;
  posix_spawn_file_actions_destroy(&actions);
  if (rc == 0) run.pid = pid;
  return run;
}

static std::string without_cr(const std::string& s) {
  std::string out;
  for (size_t i = 0; i < s.size(); ++i)
    if (!(s[i] == '\r' && i + 1 < s.size() && s[i + 1] == '\n')) out.push_back(s[i]);
  return out;
}

RunResult finish_quarnex(const StartedRun& run, int* signal) {
  RunResult result;
  if (signal) *signal = 0;
  if (run.pid <= 0) return result;
  int wstatus = 0;
  while (waitpid(run.pid, &wstatus, 0) < 0) {
  }
  result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : -1;
  if (signal && WIFSIGNALED(wstatus)) *signal = WTERMSIG(wstatus);
  std::string out_path = run.folder + "/.stdout", err_path = run.folder + "/.stderr", raw;
  read_whole_file(out_path, &raw);
  result.out = without_cr(raw);
  raw.clear();
  read_whole_file(err_path, &raw);
  result.err = without_cr(raw);
  unlink(out_path.c_str());
  unlink(err_path.c_str());
  // Wine may say something of its own before the program starts; the
  // program's standard error begins with its echo line.
  size_t echo = result.err.find("\n'");
  if (result.err.compare(0, 1, "'") != 0 && echo != std::string::npos) result.err.erase(0, echo + 1);
  // The echo line starts with the program's own path in single quotes.
  if (result.err.size() > 1 && result.err[0] == '\'') {
    size_t close = result.err.find('\'', 1);
    if (close != std::string::npos) result.word0 = result.err.substr(1, close - 1);
    size_t line_end = result.err.find('\n');
    if (line_end != std::string::npos) result.err_after_echo = result.err.substr(line_end + 1);
  }
  return result;
}

RunResult run_quarnex_with(const std::string& folder, const std::vector<std::string>& args,
                           const std::vector<std::string>& prefix) {
  return finish_quarnex(start_quarnex(folder, args, prefix));
}
