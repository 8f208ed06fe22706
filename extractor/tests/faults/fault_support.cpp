#include "fault_support.h"

#include <dirent.h>
#include <fcntl.h>
#include <poll.h>
#include <sys/fanotify.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "run_program.h"

const char kBannerLines[] = "$Id: quarnex,v 1.5 2003/02/27 15:08:50 morvek Exp morvek $\n\n";
const char kPrompt[] = "\n\aHit <RETURN> to continue\n";

static std::string one_line(std::string s) {
  for (char& c : s)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
    else if (static_cast<unsigned char>(c) < 32) c = '?';
  return s;
}

void record_result(const std::string& group, const std::string& fault, int runs, const std::string& said,
                   int64_t lost, int crashes, int outside) {
  const char* path = getenv("QUARNEX_RELIABILITY_RESULTS");
  if (!path || !*path) return;
  FILE* f = fopen(path, "a");
  if (!f) return;
  fprintf(f, "%s\t%s\t%d\t%s\t%lld\t%d\t%d\n", one_line(group).c_str(), one_line(fault).c_str(), runs,
          one_line(said).c_str(), static_cast<long long>(lost), crashes, outside);
  fclose(f);
}

std::string message_of(const std::string& err_after_echo) {
  std::string s = err_after_echo;
  if (s.compare(0, strlen(kBannerLines), kBannerLines) == 0) s.erase(0, strlen(kBannerLines));
  size_t prompt = s.rfind(kPrompt);
  if (prompt != std::string::npos) s.erase(prompt);
  // The last line is the message; a fatal system error ends its context
  // behind the progress marks of its "writing" line.
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < s.size()) {
    size_t end = s.find('\n', start);
    if (end == std::string::npos) end = s.size();
    lines.push_back(s.substr(start, end - start));
    start = end + 1;
  }
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  if (lines.empty()) return "";
  std::string last = lines.back();
  if (last.compare(0, 8, "writing ") == 0) {
    size_t marks = last.find(" extents) ");
    if (marks != std::string::npos) last.erase(0, marks + 10);
    while (!last.empty() && (last[0] == '.' || last[0] == '(')) {
      if (last[0] == '.') last.erase(0, 1);
      else last.erase(0, last.find(')') + 1);
    }
  }
  return last;
}

using pdiset::kSectorSize;
using pdiset::kSetHeaderSize;

RawSet::RawSet(uint32_t sectors, uint32_t seed)
    : stream(kSetHeaderSize + static_cast<size_t>(sectors) * kSectorSize) {
  for (size_t i = 0; i < size_t{kSetHeaderSize}; ++i) stream[i] = static_cast<uint8_t>(0xA0 + i % 16);
  for (size_t pos = 0; pos + kSetHeaderSize < stream.size(); ++pos) {
    uint32_t x = static_cast<uint32_t>(pos) * 2654435761u + seed;
    stream[kSetHeaderSize + pos] = static_cast<uint8_t>(x >> 24 ^ pos >> 11);
  }
  std::fill(stream.begin() + pdiset::kDirectoryOffset,
            stream.begin() + pdiset::kDirectoryOffset + pdiset::kDirectoryReadSize, 0);
}

std::string RawSet::bytes(int64_t first, uint64_t count) const {
  if (first < 0 || count == 0) return "";
  uint64_t begin = kSetHeaderSize + static_cast<uint64_t>(first) * kSectorSize;
  uint64_t end = std::min<uint64_t>(begin + count, stream.size());
  if (begin >= end) return "";
  return std::string(stream.begin() + begin, stream.begin() + end);
}

static std::string member_file(const std::string& set_name, size_t k) {
  return pdiset::member_file_name(set_name, static_cast<int>(k));
}

std::vector<uint64_t> RawSet::write(const std::string& folder, const std::string& set_name,
                                    const std::vector<uint64_t>& cuts) const {
  std::vector<uint64_t> sizes;
  uint64_t at = 0;
  for (size_t k = 0; k <= cuts.size(); ++k) {
    uint64_t size = k < cuts.size() ? cuts[k] : stream.size() - at;
    FILE* f = fopen((folder + "/" + member_file(set_name, k)).c_str(), "wb");
    if (!f) return {};
    fwrite(stream.data() + at, 1, size, f);
    fclose(f);
    sizes.push_back(size);
    at += size;
  }
  return sizes;
}

// Reads a regular file only: an output may be a link to a device such as
// /dev/full, which reads without end.
static bool read_regular_file(const std::string& path, std::string* content) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
  return read_whole_file(path, content);
}

static void walk(const std::string& root, const std::string& rel, std::set<std::string>* out) {
  DIR* d = opendir((root + "/" + rel).c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name == "." || name == "..") continue;
    std::string path = rel.empty() ? name : rel + "/" + name;
    struct stat st;
    if (lstat((root + "/" + path).c_str(), &st) != 0) continue;
    if (S_ISDIR(st.st_mode)) {
      out->insert(path + "/");
      walk(root, path, out);
    } else {
      out->insert(path);
    }
  }
  closedir(d);
}

std::set<std::string> tree_below(const std::string& root) {
  std::set<std::string> out;
  walk(root, "", &out);
  return out;
}

std::vector<std::string> written_outside(const std::set<std::string>& before, const std::set<std::string>& after,
                                         const std::vector<std::string>& allowed) {
  std::vector<std::string> outside;
  for (const std::string& p : after) {
    if (before.count(p)) continue;
    bool ok = false;
    for (const std::string& a : allowed)
      if (p == a || (!a.empty() && a.back() == '/' && p.compare(0, a.size(), a) == 0)) ok = true;
    if (!ok) outside.push_back(p);
  }
  return outside;
}

LossReport check_nothing_lost(const std::string& folder, const std::string& set_name,
                              const std::vector<uint64_t>& member_sizes,
                              const std::function<void(uint64_t, uint8_t*, size_t)>& stream_bytes,
                              const std::vector<SelectedRun>& runs,
                              const std::set<size_t>& removed_by_test) {
  LossReport report;
  std::vector<uint64_t> begin, end;
  std::vector<bool> present;
  uint64_t at = 0;
  for (size_t k = 0; k < member_sizes.size(); ++k) {
    begin.push_back(at);
    at += member_sizes[k];
    end.push_back(at);
    std::string content, path = folder + "/" + member_file(set_name, k);
    struct stat st;
    bool there = lstat(path.c_str(), &st) == 0;
    present.push_back(there || removed_by_test.count(k));
    if (!there) continue;
    read_regular_file(path, &content);
    std::vector<uint8_t> original(member_sizes[k]);
    stream_bytes(begin[k], original.data(), original.size());
    // (An empty member's bytes are no pointer at all: nothing to compare.)
    if (content.size() != original.size() ||
        (!original.empty() && memcmp(content.data(), original.data(), original.size()) != 0)) {
      ++report.changed_members;
      report.detail += member_file(set_name, k) + " changed; ";
    }
  }
  for (size_t i = 0; i < runs.size(); ++i) {
    const SelectedRun& run = runs[i];
    if (run.length == 0 || run.first_sector < 0) continue;
    // Of several files written to one output, the last one replaces the others.
    bool replaced = false;
    for (size_t j = i + 1; j < runs.size(); ++j)
      replaced = replaced || (runs[j].output == run.output && runs[j].output_offset == 0);
    uint64_t run_begin = kSetHeaderSize + static_cast<uint64_t>(run.first_sector) * kSectorSize;
    uint64_t run_end = std::min<uint64_t>(run_begin + run.length, at);
    if (run_begin >= run_end) continue;
    std::string output;
    bool written = !replaced && read_regular_file(folder + "/" + run.output, &output);
    // Only this run's part of the output counts; later sections' bytes follow.
    output.erase(0, std::min<size_t>(output.size(), run.output_offset));
    if (written && output.size() > run_end - run_begin && i + 1 < runs.size() && runs[i + 1].output == run.output &&
        runs[i + 1].output_offset != 0)
      output.resize(run_end - run_begin);
    // What is there must be the run's first bytes.
    size_t compare = std::min<size_t>(output.size(), run_end - run_begin);
    std::vector<uint8_t> expected(compare);
    if (compare) stream_bytes(run_begin, expected.data(), compare);
    if (compare && memcmp(output.data(), expected.data(), compare) != 0)
      for (size_t i = 0; i < compare; ++i)
        if (static_cast<uint8_t>(output[i]) != expected[i]) ++report.wrong;
    if (written && output.size() > run_end - run_begin) report.wrong += output.size() - (run_end - run_begin);
    // Bytes of the run in members that are gone must be in the output.
    for (size_t k = 0; k < member_sizes.size(); ++k) {
      if (present[k]) continue;
      uint64_t lo = std::max(run_begin, begin[k]), hi = std::min(run_end, end[k]);
      if (lo >= hi) continue;
      uint64_t have = run_begin + output.size();
      if (have < hi) {
        int64_t missing = static_cast<int64_t>(hi - std::max(lo, have));
        report.lost += missing;
        report.detail += run.output + ": " + std::to_string(missing) + " bytes of " + member_file(set_name, k) +
                         " missing; ";
      }
    }
  }
  return report;
}

SmallFileSystem::SmallFileSystem(const std::string& path, size_t bytes) : path_(path) {
  mkdir(path.c_str(), 0777);
  std::string options = "size=" + std::to_string(bytes) + ",mode=0777";
  mounted_ = mount("tmpfs", path.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options.c_str()) == 0;
}

SmallFileSystem::~SmallFileSystem() {
  if (mounted_) umount2(path_.c_str(), MNT_DETACH);
}

bool SmallFileSystem::leave_free(size_t bytes) {
  std::string filler = path_ + "/.filler";
  int fd = open(filler.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  if (fd < 0) return false;
  std::vector<char> block(4096, 'F');
  off_t size = 0;
  for (;;) {
    ssize_t n = write(fd, block.data(), block.size());
    if (n <= 0) break;
    size += n;
  }
  bool ok = size >= static_cast<off_t>(bytes) && ftruncate(fd, size - static_cast<off_t>(bytes)) == 0;
  close(fd);
  return ok;
}

FileAccessGate::FileAccessGate(const std::string& path, std::function<bool(int)> decide)
    : decide_(std::move(decide)) {
  fd_ = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC, O_RDONLY | O_LARGEFILE);
  if (fd_ < 0) return;
  if (fanotify_mark(fd_, FAN_MARK_ADD, FAN_ACCESS_PERM, AT_FDCWD, path.c_str()) != 0) {
    close(fd_);
    fd_ = -1;
    return;
  }
  thread_ = std::thread([this] { serve(); });
}

void FileAccessGate::serve() {
  alignas(fanotify_event_metadata) char buffer[4096];
  while (!stop_) {
    pollfd p = {fd_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    ssize_t n = read(fd_, buffer, sizeof buffer);
    if (n <= 0) continue;
    for (auto* m = reinterpret_cast<fanotify_event_metadata*>(buffer); FAN_EVENT_OK(m, n); m = FAN_EVENT_NEXT(m, n)) {
      if (m->mask & FAN_ACCESS_PERM) {
        bool allow = decide_(++count_);
        fanotify_response answer = {m->fd, static_cast<uint32_t>(allow ? FAN_ALLOW : FAN_DENY)};
        if (write(fd_, &answer, sizeof answer) < 0) perror("fanotify answer");
      }
      if (m->fd >= 0) close(m->fd);
    }
  }
}

FileAccessGate::~FileAccessGate() {
  if (fd_ < 0) return;
  stop_ = true;
  thread_.join();
  close(fd_);  // answers whatever is still pending with "allow"
}

ImmutableFile::ImmutableFile(const std::string& path) : path_(path) {
  std::string command = "chattr +i '" + path + "' 2>/dev/null";
  active_ = system(command.c_str()) == 0;
}

ImmutableFile::~ImmutableFile() {
  if (!active_) return;
  std::string command = "chattr -i '" + path_ + "' 2>/dev/null";
  if (system(command.c_str()) != 0) fprintf(stderr, "could not clear the immutable flag of %s\n", path_.c_str());
}

std::vector<std::string> as_unprivileged_user() {
  if (geteuid() != 0) return {};
  if (system("setpriv --reuid=65534 --regid=65534 --clear-groups true 2>/dev/null") != 0) return {};
  return {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups"};
}
