// The bulk copy of one step: inside the kernel between regular files, through
// the buffer where the kernel refuses, and the side that failed when a read
// or a write cannot be completed.
#include "engine/constants.h"
#include "engine/file_io.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/resource.h>
#include <sys/time.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

// Bytes that differ with their position, so that a byte copied from or to
// the wrong place shows.
std::vector<unsigned char> pattern(size_t size, uint32_t seed) {
  std::vector<unsigned char> bytes(size);
  uint32_t x = seed * 2654435761u + 1;
  for (size_t i = 0; i < size; ++i) {
    x ^= x << 13;
    x ^= x >> 17;
    x ^= x << 5;
    bytes[i] = static_cast<unsigned char>(x >> 24);
  }
  return bytes;
}

class ScratchDir {
 public:
  ScratchDir() {
    std::string tmpl = testing::TempDir() + "copy_bytes_XXXXXX";
    std::vector<char> buf(tmpl.begin(), tmpl.end());
    buf.push_back('\0');
    if (mkdtemp(buf.data()) != nullptr) path_ = buf.data();
  }
  ~ScratchDir() {
    for (const std::string& f : files_) unlink(f.c_str());
    if (!path_.empty()) rmdir(path_.c_str());
  }
  bool ok() const { return !path_.empty(); }
  std::string file(const std::string& name) {
    files_.push_back(path_ + "/" + name);
    return files_.back();
  }

 private:
  std::string path_;
  std::vector<std::string> files_;
};

bool write_file(const std::string& path, const std::vector<unsigned char>& bytes) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  if (fd < 0) return false;
  bool ok = write_full(fd, bytes.data(), static_cast<int64_t>(bytes.size())) ==
            static_cast<int64_t>(bytes.size());
  return close(fd) == 0 && ok;
}

std::vector<unsigned char> read_file(const std::string& path) {
  std::vector<unsigned char> bytes;
  int fd = open(path.c_str(), O_RDONLY);
  if (fd < 0) return bytes;
  unsigned char chunk[65536];
  ssize_t n;
  while ((n = read(fd, chunk, sizeof chunk)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
  close(fd);
  return bytes;
}

std::vector<unsigned char> slice(const std::vector<unsigned char>& v, size_t from, size_t count) {
  return std::vector<unsigned char>(v.begin() + from, v.begin() + from + count);
}

int64_t position_of(int fd) { return lseek(fd, 0, SEEK_CUR); }

// The copy buffer of the engine: kCopyChunk bytes, here filled with a mark
// so that a test can tell whether the plain copy has used it.
struct MarkedBuffer {
  std::vector<unsigned char> bytes = std::vector<unsigned char>(kCopyChunk, 0xA5);
  bool untouched() const {
    for (unsigned char b : bytes)
      if (b != 0xA5) return false;
    return true;
  }
};

// Whether this kernel and the file system under the scratch directory copy
// between two regular files at all; where they do not, the engine rightly
// takes the plain copy and the kernel-only checks do not apply.
bool kernel_copies_here(ScratchDir& dir) {
  std::string a = dir.file("probe_in"), b = dir.file("probe_out");
  if (!write_file(a, pattern(4096, 9))) return false;
  int in = open(a.c_str(), O_RDONLY);
  int out = open(b.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ssize_t n = copy_file_range(in, nullptr, out, nullptr, 4096, 0);
  close(in);
  close(out);
  return n > 0;
}

TEST(CopyBytes, RegularFilesAtNonZeroPositions) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const bool kernel = kernel_copies_here(dir);
  std::string in_path = dir.file("member"), out_path = dir.file("output");
  std::vector<unsigned char> source = pattern(3 * 1024 * 1024 + 777, 1);
  ASSERT_TRUE(write_file(in_path, source));
  ASSERT_TRUE(write_file(out_path, std::vector<unsigned char>(5000, 'x')));

  int in = open(in_path.c_str(), O_RDONLY);
  int out = open(out_path.c_str(), O_WRONLY);
  ASSERT_GE(in, 0);
  ASSERT_GE(out, 0);
  const int64_t from = 304 + 5 * 2048, to = 1000, count = 700 * 2048;
  ASSERT_EQ(lseek(in, from, SEEK_SET), from);
  ASSERT_EQ(lseek(out, to, SEEK_SET), to);
  MarkedBuffer buffer;
  EXPECT_EQ(copy_bytes(in, out, count, buffer.bytes.data(), false), kCopyOk);
  EXPECT_EQ(position_of(in), from + count);
  EXPECT_EQ(position_of(out), to + count);
  close(in);
  close(out);

  std::vector<unsigned char> expected(to, 'x');
  std::vector<unsigned char> copied = slice(source, from, count);
  expected.insert(expected.end(), copied.begin(), copied.end());
  EXPECT_TRUE(read_file(out_path) == expected);
  // The kernel copy leaves the static buffer alone: its pages are never
  // touched, which keeps the program's resident memory small.
  if (kernel) {
    EXPECT_TRUE(buffer.untouched());
  }
}

TEST(CopyBytes, StepsOfOnePieceFollowOnExactly) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  std::string in_path = dir.file("member"), out_path = dir.file("output");
  const int64_t from = 304 + 2048 - 7;  // as in a continuation member
  const int64_t steps[] = {kCopyChunk, kCopyChunk, 1234 * 2048};
  const int64_t total = steps[0] + steps[1] + steps[2];
  std::vector<unsigned char> source = pattern(static_cast<size_t>(from + total + 100), 2);
  ASSERT_TRUE(write_file(in_path, source));

  int in = open(in_path.c_str(), O_RDONLY);
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_EQ(lseek(in, from, SEEK_SET), from);
  MarkedBuffer buffer;
  int64_t done = 0;
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(copy_bytes(in, out, steps[i], buffer.bytes.data(), i > 0), kCopyOk) << "step " << i;
    done += steps[i];
    EXPECT_EQ(position_of(in), from + done) << "step " << i;
    EXPECT_EQ(position_of(out), done) << "step " << i;
  }
  close(in);
  close(out);
  EXPECT_TRUE(read_file(out_path) == slice(source, from, total));
}

volatile sig_atomic_t g_signals = 0;
void count_signal(int) { g_signals = g_signals + 1; }

// Signals that interrupt the copy (a handler installed without SA_RESTART)
// may cut kernel copies short or make them fail with EINTR; not one byte may
// be lost or repeated because of that.
TEST(CopyBytes, InterruptedCopiesLoseNothing) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  const bool kernel = kernel_copies_here(dir);
  std::string in_path = dir.file("member"), out_path = dir.file("output");
  const int64_t count = kCopyChunk;
  std::vector<unsigned char> source = pattern(static_cast<size_t>(count) * 2 + 4096, 3);
  ASSERT_TRUE(write_file(in_path, source));

  struct sigaction action = {}, previous = {};
  action.sa_handler = count_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = 0;
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer = {{0, 100}, {0, 100}};
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);

  int in = open(in_path.c_str(), O_RDONLY);
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  lseek(in, 4096, SEEK_SET);
  MarkedBuffer buffer;
  CopyResult first = copy_bytes(in, out, count, buffer.bytes.data(), false);
  CopyResult second = copy_bytes(in, out, count, buffer.bytes.data(), true);

  itimerval stop = {{0, 0}, {0, 0}};
  setitimer(ITIMER_REAL, &stop, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_EQ(first, kCopyOk);
  EXPECT_EQ(second, kCopyOk);
  EXPECT_EQ(position_of(in), 4096 + 2 * count);
  EXPECT_EQ(position_of(out), 2 * count);
  close(in);
  close(out);
  EXPECT_TRUE(read_file(out_path) == slice(source, 4096, static_cast<size_t>(2 * count)));
  // Interruptions are retried in the kernel copy, not sent to the buffer.
  if (kernel) {
    EXPECT_TRUE(buffer.untouched());
  }
  RecordProperty("signals", static_cast<int>(g_signals));
}

// Reads everything from fd until end of file, on its own thread.
struct PipeReader {
  std::vector<unsigned char> bytes;
  std::thread thread;
  explicit PipeReader(int fd)
      : thread([this, fd] {
          unsigned char chunk[65536];
          ssize_t n;
          while ((n = read(fd, chunk, sizeof chunk)) > 0 || (n < 0 && errno == EINTR))
            if (n > 0) bytes.insert(bytes.end(), chunk, chunk + n);
        }) {}
};

TEST(CopyBytes, PipeAsOutputTakesThePlainCopy) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  std::string in_path = dir.file("member");
  std::vector<unsigned char> source = pattern(2 * 1024 * 1024, 4);
  ASSERT_TRUE(write_file(in_path, source));
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  PipeReader reader(fds[0]);

  int in = open(in_path.c_str(), O_RDONLY);
  const int64_t from = 304, count = 600 * 2048;
  lseek(in, from, SEEK_SET);
  MarkedBuffer buffer;
  // The first step of a piece is refused by the kernel and goes through the
  // buffer; so does the piece's next step.
  EXPECT_EQ(copy_bytes(in, fds[1], count, buffer.bytes.data(), false), kCopyOk);
  EXPECT_TRUE(slice(buffer.bytes, 0, count) == slice(source, from, count));
  EXPECT_EQ(copy_bytes(in, fds[1], count / 2, buffer.bytes.data(), true), kCopyOk);
  EXPECT_EQ(position_of(in), from + count + count / 2);
  close(fds[1]);
  reader.thread.join();
  close(fds[0]);
  close(in);
  EXPECT_TRUE(reader.bytes == slice(source, from, count + count / 2));
}

TEST(CopyBytes, RefusalInALaterStepStillCopiesEveryByte) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  std::string in_path = dir.file("member");
  std::vector<unsigned char> source = pattern(1024 * 1024, 5);
  ASSERT_TRUE(write_file(in_path, source));
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  PipeReader reader(fds[0]);
  int in = open(in_path.c_str(), O_RDONLY);
  lseek(in, 2048, SEEK_SET);
  MarkedBuffer buffer;
  EXPECT_EQ(copy_bytes(in, fds[1], 100 * 2048, buffer.bytes.data(), true), kCopyOk);
  close(fds[1]);
  reader.thread.join();
  close(fds[0]);
  close(in);
  EXPECT_TRUE(reader.bytes == slice(source, 2048, 100 * 2048));
}

TEST(CopyBytes, PipeAsInputTakesThePlainCopy) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  std::string out_path = dir.file("output");
  std::vector<unsigned char> source = pattern(1024 * 1024, 6);
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  std::thread writer([&] {
    write_full(fds[1], source.data(), static_cast<int64_t>(source.size()));
    close(fds[1]);
  });
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  MarkedBuffer buffer;
  EXPECT_EQ(copy_bytes(fds[0], out, static_cast<int64_t>(source.size()), buffer.bytes.data(), false),
            kCopyOk);
  // Closing the read end first lets the writer end even when the copy did
  // not take everything (it then sees EPIPE rather than a signal).
  void (*previous)(int) = signal(SIGPIPE, SIG_IGN);
  close(fds[0]);
  writer.join();
  signal(SIGPIPE, previous);
  close(out);
  EXPECT_TRUE(read_file(out_path) == source);
}

// A kernel copy that fails part-way through a step: the rest of the step is
// finished through the buffer from where the kernel stopped. Here the
// output's size limit stops the kernel copy, and the signal that reports it
// lifts the limit again before the plain copy goes on.
rlim_t g_lifted_limit = RLIM_INFINITY;
void lift_size_limit(int) {
  rlimit limit = {g_lifted_limit, g_lifted_limit};
  setrlimit(RLIMIT_FSIZE, &limit);
}

TEST(CopyBytes, KernelCopyFailingPartWayIsFinishedThroughTheBuffer) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  if (!kernel_copies_here(dir)) GTEST_SKIP() << "no kernel copy between regular files here";
  std::string in_path = dir.file("member"), out_path = dir.file("output");
  const int64_t from = 304, count = 3 * 1024 * 1024, stop = 1024 * 1024 + 100;
  std::vector<unsigned char> source = pattern(static_cast<size_t>(from + 2 * count), 14);
  ASSERT_TRUE(write_file(in_path, source));
  int in = open(in_path.c_str(), O_RDONLY);
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  lseek(in, from, SEEK_SET);

  rlimit saved;
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
  g_lifted_limit = saved.rlim_cur;
  struct sigaction action = {}, previous = {};
  action.sa_handler = lift_size_limit;
  sigemptyset(&action.sa_mask);
  ASSERT_EQ(sigaction(SIGXFSZ, &action, &previous), 0);
  rlimit limit = {static_cast<rlim_t>(stop), saved.rlim_max};
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
  MarkedBuffer buffer;
  CopyResult result = copy_bytes(in, out, count, buffer.bytes.data(), false);
  setrlimit(RLIMIT_FSIZE, &saved);
  sigaction(SIGXFSZ, &previous, nullptr);

  EXPECT_EQ(result, kCopyOk);
  EXPECT_EQ(position_of(in), from + count);
  EXPECT_EQ(position_of(out), count);
  close(in);
  close(out);
  EXPECT_TRUE(read_file(out_path) == slice(source, from, count));
  // The buffer took only what was left after the kernel stopped.
  EXPECT_TRUE(slice(buffer.bytes, 0, count - stop) == slice(source, from + stop, count - stop));
  EXPECT_EQ(buffer.bytes[count - stop], 0xA5);
}

// A refusal belongs to its piece: the next piece between regular files is
// copied by the kernel again.
TEST(CopyBytes, RefusalDoesNotOutliveItsPiece) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  if (!kernel_copies_here(dir)) GTEST_SKIP() << "no kernel copy between regular files here";
  std::string in_path = dir.file("member"), out_path = dir.file("output");
  std::vector<unsigned char> source = pattern(256 * 1024, 7);
  ASSERT_TRUE(write_file(in_path, source));
  int in = open(in_path.c_str(), O_RDONLY);
  int sink = open("/dev/null", O_WRONLY);
  ASSERT_GE(sink, 0);
  MarkedBuffer buffer;
  EXPECT_EQ(copy_bytes(in, sink, 4096, buffer.bytes.data(), false), kCopyOk);
  close(sink);
  EXPECT_FALSE(buffer.untouched());  // the piece to /dev/null went through it

  MarkedBuffer fresh;
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  EXPECT_EQ(copy_bytes(in, out, 8192, fresh.bytes.data(), false), kCopyOk);
  EXPECT_TRUE(fresh.untouched());
  close(in);
  close(out);
  EXPECT_TRUE(read_file(out_path) == slice(source, 4096, 8192));
}

TEST(CopyBytes, FullDeviceIsAWriteFailure) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  std::string in_path = dir.file("member");
  ASSERT_TRUE(write_file(in_path, pattern(64 * 1024, 8)));
  int in = open(in_path.c_str(), O_RDONLY);
  int out = open("/dev/full", O_WRONLY);
  ASSERT_GE(out, 0);
  lseek(in, 304, SEEK_SET);
  MarkedBuffer buffer;
  for (bool started : {false, true}) {
    errno = 0;
    EXPECT_EQ(copy_bytes(in, out, 8 * 2048, buffer.bytes.data(), started), kCopyWriteFailed);
    EXPECT_EQ(errno, ENOSPC);
  }
  close(in);
  close(out);
}

// A descriptor open in the wrong direction: the side that cannot be used is
// the failure, and the output gets nothing.
TEST(CopyBytes, DescriptorOpenTheWrongWay) {
  struct Case {
    int in_flags, out_flags;
    CopyResult result;
  };
  const Case cases[] = {
      {O_RDONLY, O_RDONLY, kCopyWriteFailed},
      {O_WRONLY, O_WRONLY | O_CREAT | O_TRUNC, kCopyReadFailed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.result);
    ScratchDir dir;
    ASSERT_TRUE(dir.ok());
    std::string in_path = dir.file("member"), out_path = dir.file("output");
    ASSERT_TRUE(write_file(in_path, pattern(64 * 1024, 10)));
    ASSERT_TRUE(write_file(out_path, {}));
    int in = open(in_path.c_str(), c.in_flags);
    int out = open(out_path.c_str(), c.out_flags, 0644);
    MarkedBuffer buffer;
    errno = 0;
    EXPECT_EQ(copy_bytes(in, out, 4096, buffer.bytes.data(), false), c.result);
    EXPECT_EQ(errno, EBADF);
    close(in);
    close(out);
    EXPECT_TRUE(read_file(out_path).empty());
  }
}

// A member shorter than the step: the bytes that are there may reach the
// output, but the step is a read failure at end of file (errno 0), never a
// success and never a write failure.
TEST(CopyBytes, ShortInputIsAReadFailure) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  std::string in_path = dir.file("member"), out_path = dir.file("output");
  std::vector<unsigned char> source = pattern(10000, 12);
  ASSERT_TRUE(write_file(in_path, source));
  struct Case {
    int64_t from, count;
    bool started;
  };
  const Case cases[] = {
      {4000, 8192, false},   // 6000 bytes left of 8192
      {4000, 8192, true},
      {10000, 2048, false},  // at the end already
      {9999, 2, false},      // one byte short
      {0, kCopyChunk, false},
  };
  for (const Case& c : cases) {
    int in = open(in_path.c_str(), O_RDONLY);
    int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    lseek(in, c.from, SEEK_SET);
    MarkedBuffer buffer;
    errno = 0;
    EXPECT_EQ(copy_bytes(in, out, c.count, buffer.bytes.data(), c.started), kCopyReadFailed)
        << c.from << " " << c.count;
    EXPECT_EQ(errno, 0) << c.from << " " << c.count;
    close(in);
    close(out);
    std::vector<unsigned char> written = read_file(out_path);
    EXPECT_LE(written.size(), source.size() - c.from);
    EXPECT_TRUE(written == slice(source, c.from, written.size())) << c.from << " " << c.count;
  }
}

TEST(CopyBytes, NothingToCopy) {
  ScratchDir dir;
  ASSERT_TRUE(dir.ok());
  std::string in_path = dir.file("member"), out_path = dir.file("output");
  ASSERT_TRUE(write_file(in_path, pattern(4096, 13)));
  int in = open(in_path.c_str(), O_RDONLY);
  int out = open(out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  lseek(in, 2048, SEEK_SET);
  MarkedBuffer buffer;
  EXPECT_EQ(copy_bytes(in, out, 0, buffer.bytes.data(), false), kCopyOk);
  EXPECT_EQ(position_of(in), 2048);
  EXPECT_EQ(position_of(out), 0);
  close(in);
  close(out);
  EXPECT_TRUE(read_file(out_path).empty());
}

}  // namespace
