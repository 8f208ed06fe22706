// Bulk copies inside the kernel with copy_file_range, so that image data is
// never carried through user space where the file systems allow it.
#include "file_io.h"
#include "file_io_raw.h"

#include <cerrno>
#include <unistd.h>

// Set when the kernel or the file systems refused the kernel copy at the
// start of the current piece: its further steps use the plain read and write.
// Every piece asks again, since its member may lie on another file system.
static bool g_piece_refused = false;

static bool is_refusal(int error) {
  return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL ||
         error == EBADF || error == EPERM;
}

CopyResult copy_bytes(FileHandle in, FileHandle out, int64_t count, unsigned char* buffer,
                      bool piece_started) {
  if (!piece_started) g_piece_refused = false;
  if (g_piece_refused) return copy_through_buffer(in, out, count, buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(count - done), 0);
    if (n > 0) {  // a short copy goes on from where it stopped
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && done == 0 && !piece_started && is_refusal(errno)) g_piece_refused = true;
    break;
  }
  if (done == count) return kCopyOk;
  // Refused, at the end of the input, or failed: the rest of the step goes
  // through the buffer, whose read and write name the failing side exactly.
  // The file positions stand right after the bytes copied so far.
  return copy_through_buffer(in, out, count - done, buffer);
}
