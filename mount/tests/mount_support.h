// Running quarnex-mount for the tests: a mount in the foreground that is
// unmounted and waited for when it goes out of scope, plain runs that end
// by themselves, and whether a folder is a mount point now.
#pragma once

#include <sys/types.h>

#include <string>
#include <vector>

namespace mount_test {

// The program under test, from QUARNEX_MOUNT_PROGRAM.
std::string program();

struct RunResult {
  int status = -1;  // exit status, or -1 when killed or not started
  std::string out, err;
};

// Runs the program (or, with wrapper words first, e.g. "unshare", the
// wrapper) to its end; killed after timeout_seconds.
RunResult run_to_end(const std::vector<std::string>& words, int timeout_seconds = 30);

// True while path (absolute) is a mount point in /proc/self/mountinfo.
bool is_mounted(const std::string& path);

// quarnex-mount -f SET MOUNTPOINT in a child process.
class Mount {
 public:
  Mount(const std::string& set, const std::string& mount_point, const std::vector<std::string>& extra = {});
  ~Mount();
  bool mounted() const { return mounted_; }
  // Unmounts with fusermount3 -u and waits for the program: its exit status
  // (-1 when it had to be killed), and true in *unmounted when fusermount3 did.
  int unmount(bool* unmounted = nullptr);
  // What the program wrote to standard error so far.
  std::string err() const;

 private:
  std::string mount_point_, err_path_;
  pid_t pid_ = -1;
  bool mounted_ = false;
};

}  // namespace mount_test
