// Transfer loops shared by both platforms: the system calls underneath may
// move fewer bytes than asked or be interrupted, and the engine needs whole
// transfers.
#include "file_io.h"
#include "file_io_raw.h"

#include <algorithm>
#include <cerrno>

// Repeats step(done) (which moves bytes from offset done on) until count
// bytes have moved, the end of the file is reached (errno stays 0), or a
// failure other than an interruption.
template <typename Step>
static int64_t move_full(int64_t count, Step step) {
  int64_t done = 0;
  errno = 0;
  while (done < count) {
    int64_t n = step(done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return done > 0 ? done : -1;
    }
    if (n == 0) break;
    done += n;
  }
  return done;
}

int64_t read_full(FileHandle handle, void* buffer, int64_t count) {
  unsigned char* p = static_cast<unsigned char*>(buffer);
  return move_full(count, [&](int64_t done) { return raw_read(handle, p + done, std::min(count - done, kMaxTransfer)); });
}

int64_t write_full(FileHandle handle, const void* buffer, int64_t count) {
  const unsigned char* p = static_cast<const unsigned char*>(buffer);
  return move_full(count, [&](int64_t done) { return raw_write(handle, p + done, std::min(count - done, kMaxTransfer)); });
}

CopyResult copy_through_buffer(FileHandle in, FileHandle out, int64_t count,
                               unsigned char* buffer) {
  if (read_full(in, buffer, count) < count) return kCopyReadFailed;
  if (write_full(out, buffer, count) < count) return kCopyWriteFailed;
  return kCopyOk;
}
