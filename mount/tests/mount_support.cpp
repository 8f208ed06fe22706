#include "mount_support.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace mount_test {

namespace {

std::string slurp(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

// Waits up to timeout_seconds for pid; its exit status, or -1 (then killed).
int wait_for(pid_t pid, int timeout_seconds) {
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(timeout_seconds);
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    if (std::chrono::steady_clock::now() > end) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

pid_t spawn(const std::vector<std::string>& words, const std::string& out_path, const std::string& err_path) {
  pid_t pid = fork();
  if (pid != 0) return pid;
  int null = open("/dev/null", O_RDONLY);
  dup2(null, 0);
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  int err = open(err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  dup2(out, 1);
  dup2(err, 2);
  std::vector<char*> argv;
  for (const std::string& w : words) argv.push_back(const_cast<char*>(w.c_str()));
  argv.push_back(nullptr);
  execvp(argv[0], argv.data());
  _exit(127);
}

std::string scratch_name(const char* what) {
  static int counter = 0;
  return "/tmp/quarnex_mount_test." + std::to_string(getpid()) + "." + std::to_string(++counter) + "." + what;
}

}  // namespace

std::string program() {
  const char* p = getenv("QUARNEX_MOUNT_PROGRAM");
  return p ? p : "quarnex-mount";
}

RunResult run_to_end(const std::vector<std::string>& words, int timeout_seconds) {
  RunResult r;
  std::string out = scratch_name("out"), err = scratch_name("err");
  pid_t pid = spawn(words, out, err);
  r.status = wait_for(pid, timeout_seconds);
  r.out = slurp(out);
  r.err = slurp(err);
  unlink(out.c_str());
  unlink(err.c_str());
  return r;
}

bool is_mounted(const std::string& path) {
  std::ifstream in("/proc/self/mountinfo");
  std::string line;
  while (std::getline(in, line)) {
    std::istringstream fields(line);
    std::string id, parent, device, root, point;
    fields >> id >> parent >> device >> root >> point;
    if (point == path) return true;
  }
  return false;
}

Mount::Mount(const std::string& set, const std::string& mount_point, const std::vector<std::string>& extra)
    : mount_point_(mount_point), err_path_(scratch_name("mount.err")) {
  std::vector<std::string> words{program(), "-f"};
  words.insert(words.end(), extra.begin(), extra.end());
  words.push_back(set);
  words.push_back(mount_point);
  pid_ = spawn(words, "/dev/null", err_path_);
  auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (std::chrono::steady_clock::now() < end) {
    if (is_mounted(mount_point_)) {
      mounted_ = true;
      return;
    }
    int status;
    if (waitpid(pid_, &status, WNOHANG) == pid_) {
      pid_ = -1;
      return;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
}

int Mount::unmount(bool* unmounted) {
  bool done = false;
  if (mounted_) {
    done = run_to_end({"fusermount3", "-u", mount_point_}).status == 0;
    if (!done) run_to_end({"fusermount3", "-uz", mount_point_});
    mounted_ = false;
  }
  if (unmounted) *unmounted = done;
  int status = pid_ > 0 ? wait_for(pid_, 20) : -1;
  pid_ = -1;
  return status;
}

Mount::~Mount() {
  unmount();
  unlink(err_path_.c_str());
}

std::string Mount::err() const { return slurp(err_path_); }

}  // namespace mount_test
