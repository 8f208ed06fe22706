#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "positional_file.h"

namespace pdiset {

PositionalFile open_positional(const char* path) {
  int fd;
  do fd = ::open(path, O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  if (fd < 0) return kNoPositionalFile;
  // A directory opens but cannot be read as a member. The mode is looked
  // at only when fstat filled it in.
  struct stat st;
  int error = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
  if (error != 0) {
    ::close(fd);
    errno = error;
    return kNoPositionalFile;
  }
  return fd;
}

void close_positional(PositionalFile file) {
  if (file != kNoPositionalFile) ::close(static_cast<int>(file));
}

int64_t positional_size(PositionalFile file) {
  struct stat st;
  if (fstat(static_cast<int>(file), &st) != 0) return -1;
  return st.st_size;
}

int64_t read_at(PositionalFile file, void* buffer, int64_t count, int64_t offset) {
  unsigned char* at = static_cast<unsigned char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t got = ::pread(static_cast<int>(file), at + done, static_cast<size_t>(count - done),
                          static_cast<off_t>(offset + done));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return done > 0 ? done : -1;
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool still_at_path(PositionalFile file, const char* path) {
  struct stat open_st, path_st;
  if (fstat(static_cast<int>(file), &open_st) != 0 || stat(path, &path_st) != 0) return false;
  return open_st.st_dev == path_st.st_dev && open_st.st_ino == path_st.st_ino;
}

}  // namespace pdiset
