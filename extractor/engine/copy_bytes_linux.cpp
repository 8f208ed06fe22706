// Bulk copies inside the kernel with copy_file_range, so that image data is
// never carried through user space where the file systems allow it.
#include "file_io.h"
#include "file_io_raw.h"

#include <cerrno>
#include <unistd.h>

// Set once the kernel or the file systems have refused a kernel copy; from
// then on every step uses the plain read and write.
static bool g_kernel_copy_refused = false;

static bool is_refusal(int error) {
  return error == EXDEV || error == ENOSYS || error == EOPNOTSUPP || error == EINVAL ||
         error == EBADF || error == EPERM;
}

CopyResult copy_bytes(FileHandle in, FileHandle out, int64_t count, unsigned char* buffer,
                      bool piece_started) {
  if (g_kernel_copy_refused) return copy_through_buffer(in, out, count, buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t n = copy_file_range(in, nullptr, out, nullptr, static_cast<size_t>(count - done), 0);
    if (n > 0) {
      done += n;
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0 && done == 0 && !piece_started && is_refusal(errno)) {
      g_kernel_copy_refused = true;
      return copy_through_buffer(in, out, count, buffer);
    }
    // End of input or a failure: the rest of the step goes through the
    // buffer, whose read and write name the failing side exactly. The file
    // positions stand right after the bytes copied so far.
    break;
  }
  if (done == count) return kCopyOk;
  return copy_through_buffer(in, out, count - done, buffer);
}
