// What the fault tests share: image sets laid out byte by byte (for hostile
// directories), the check that nothing of a selected file was lost, the
// list of everything under a folder, and the ways of making the system fail
// on purpose: a small file system, a file access that is held or refused,
// a member that cannot be deleted, a run as an unprivileged user.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "pdiset/layout.h"

extern const char kBannerLines[];  // the banner line and the empty line after it
extern const char kPrompt[];       // the empty line, the bell and the RETURN prompt

// One row of the reliability table (docs/reliability.md), appended to the
// file named by QUARNEX_RELIABILITY_RESULTS when that is set. lost is the
// number of bytes of selected files that are neither in an output nor in a
// member left on disk; outside the number of paths written outside the
// output folder.
void record_result(const std::string& group, const std::string& fault, int runs, const std::string& said,
                   int64_t lost, int crashes, int outside);

// The program's message: standard error from the first line that is no echo,
// banner, progress or deletion line, less the RETURN prompt, on one line.
std::string message_of(const std::string& err_after_echo);

// An image set's byte stream (the 304-byte header, then the sectors) built in
// memory: every sector holds a pattern of its image position, except the ten
// directory sectors at 69, which the test fills.
struct RawSet {
  std::vector<uint8_t> stream;
  explicit RawSet(uint32_t sectors, uint32_t seed = 7);
  uint8_t* directory() { return stream.data() + pdiset::kDirectoryOffset; }
  // count image bytes from the start of sector first; bytes beyond the
  // image count as absent (the result is shorter).
  std::string bytes(int64_t first, uint64_t count) const;
  // Writes the members into folder: the first cuts.size() get those sizes,
  // the last the rest. Returns the member sizes.
  std::vector<uint64_t> write(const std::string& folder, const std::string& set_name,
                              const std::vector<uint64_t>& cuts) const;
};

// Everything below root (relative paths, directories with a trailing "/"),
// without following symbolic links.
std::set<std::string> tree_below(const std::string& root);
// Paths of after that are not in before and not below allowed (a folder with
// trailing "/", or a file); written outside the output folder.
std::vector<std::string> written_outside(const std::set<std::string>& before, const std::set<std::string>& after,
                                         const std::vector<std::string>& allowed);

// A selected file (or image) and the output it was to be written to.
struct SelectedRun {
  std::string output;  // path of the output file
  int64_t first_sector;
  uint64_t length;     // the bytes to be written from the sector's start
  uint64_t output_offset = 0;  // where they go in the output: a later section of a file follows its earlier ones
};

struct LossReport {
  int64_t lost = 0;         // bytes in no output and in no member left
  int64_t wrong = 0;        // output bytes that differ from the image
  int64_t changed_members = 0;  // members left whose bytes changed
  std::string detail;
};

// Checks the outputs and the members left of a set whose stream is given by
// stream_bytes (position, out, count): every output holds the first bytes of
// its run, and every byte of a run that lived in a member now gone is in the
// output (of several runs with one output, only the last one's). Members in
// removed_by_test were taken away by the test itself:
// their bytes are not the program's to lose.
LossReport check_nothing_lost(const std::string& folder, const std::string& set_name,
                              const std::vector<uint64_t>& member_sizes,
                              const std::function<void(uint64_t, uint8_t*, size_t)>& stream_bytes,
                              const std::vector<SelectedRun>& runs,
                              const std::set<size_t>& removed_by_test = {});

// A tmpfs of the given size mounted on path for the life of the object, when
// the system lets this process mount one.
class SmallFileSystem {
 public:
  SmallFileSystem(const std::string& path, size_t bytes);
  ~SmallFileSystem();
  bool mounted() const { return mounted_; }
  // Fills the free space, then frees exactly bytes (a multiple of 4096).
  bool leave_free(size_t bytes);

 private:
  std::string path_;
  bool mounted_ = false;
};

// Holds every read of one file by another process until the test answers it
// (fanotify permission events): the answer can shorten the file first, or
// refuse the read. Needs CAP_SYS_ADMIN.
class FileAccessGate {
 public:
  // decide(n) is called for the n-th read (from 1) and returns true to allow
  // it; it may change the file before answering.
  FileAccessGate(const std::string& path, std::function<bool(int)> decide);
  ~FileAccessGate();
  bool active() const { return fd_ >= 0; }
  int reads() const { return count_; }

 private:
  void serve();
  int fd_ = -1;
  std::function<bool(int)> decide_;
  std::atomic<bool> stop_{false};
  std::atomic<int> count_{0};
  std::thread thread_;
};

// Marks a file immutable (chattr +i) for the life of the object, so that not
// even root can delete it.
class ImmutableFile {
 public:
  explicit ImmutableFile(const std::string& path);
  ~ImmutableFile();
  bool active() const { return active_; }

 private:
  std::string path_;
  bool active_ = false;
};

// Words that run the program as the unprivileged user nobody, or an empty
// list when that is not possible here (not root, no setpriv).
std::vector<std::string> as_unprivileged_user();
