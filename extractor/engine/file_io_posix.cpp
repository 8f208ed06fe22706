// File operations on POSIX systems.
#include "file_io.h"
#include "file_io_raw.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

char path_separator() { return '/'; }

FileHandle open_for_reading(const char* path) {
  int fd;
  do fd = open(path, O_RDONLY | O_CLOEXEC);
  while (fd < 0 && errno == EINTR);
  // A directory opens for reading here, but its size and bytes are not a
  // member's: refuse it by name rather than fail later with a stranger text.
  struct stat st;
  if (fd >= 0 && fstat(fd, &st) == 0 && S_ISDIR(st.st_mode)) {
    close(fd);
    errno = EISDIR;
    return kNoFile;
  }
  return fd;
}

FileHandle create_for_writing(const char* path) {
  int fd;
  do fd = open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  while (fd < 0 && errno == EINTR);
  return fd;
}

int close_file(FileHandle handle) { return close(handle); }

int64_t seek_to(FileHandle handle, int64_t offset) {
  return lseek(handle, static_cast<off_t>(offset), SEEK_SET);
}

int64_t seek_to_end(FileHandle handle) { return lseek(handle, 0, SEEK_END); }

int64_t raw_read(FileHandle handle, void* buffer, int64_t count) {
  return read(handle, buffer, static_cast<size_t>(count));
}

int64_t raw_write(FileHandle handle, const void* buffer, int64_t count) {
  return write(handle, buffer, static_cast<size_t>(count));
}

int flush_to_disk(FileHandle handle) {
  int r;
  do r = fsync(handle);
  while (r < 0 && errno == EINTR);
  return r;
}

void flush_directory_of(const char* path) {
  std::string dir(path);
  size_t slash = dir.rfind('/');
  if (slash == std::string::npos) dir = ".";
  else if (slash == 0) dir = "/";
  else dir.resize(slash);
  int fd = open(dir.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

int remove_file(const char* path) { return unlink(path); }

int make_directory(const char* path) { return mkdir(path, 0777); }

bool same_file(const char* a, const char* b) {
  struct stat sa, sb;
  if (stat(a, &sa) != 0 || stat(b, &sb) != 0) return false;
  return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}


bool file_exists(const char* path) {
  int saved = errno;
  struct stat st;
  bool exists = stat(path, &st) == 0;
  errno = saved;
  return exists;
}
