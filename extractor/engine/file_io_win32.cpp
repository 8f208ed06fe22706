// File operations on Windows, through the C runtime's descriptors so that
// failures leave the runtime's error numbers and texts. Paths are UTF-8
// inside and go to the wide calls, so that any name Windows allows works.
#include "file_io.h"
#include "file_io_raw.h"

#include <cerrno>
#include <direct.h>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

#include "pdiset/wide_path.h"

using pdiset::wide_path;

char path_separator() { return '\\'; }

FileHandle open_for_reading(const char* path) {
  return _wopen(wide_path(path).c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
}

FileHandle create_for_writing(const char* path) {
  return _wopen(wide_path(path).c_str(), _O_WRONLY | _O_CREAT | _O_TRUNC | _O_BINARY | _O_NOINHERIT,
               _S_IREAD | _S_IWRITE);
}

int close_file(FileHandle handle) { return _close(handle); }

int64_t seek_to(FileHandle handle, int64_t offset) { return _lseeki64(handle, offset, SEEK_SET); }

int64_t seek_to_end(FileHandle handle) { return _lseeki64(handle, 0, SEEK_END); }

int64_t raw_read(FileHandle handle, void* buffer, int64_t count) {
  return _read(handle, buffer, static_cast<unsigned>(count));
}

int64_t raw_write(FileHandle handle, const void* buffer, int64_t count) {
  return _write(handle, buffer, static_cast<unsigned>(count));
}

// _commit is FlushFileBuffers on the descriptor's handle.
int flush_to_disk(FileHandle handle) { return _commit(handle); }

// NTFS and FAT keep a file's directory entry durable with the file itself.
void flush_directory_of(const char*) {}

int remove_file(const char* path) { return _wunlink(wide_path(path).c_str()); }

int make_directory(const char* path) { return _wmkdir(wide_path(path).c_str()); }

static bool file_identity(const char* path, BY_HANDLE_FILE_INFORMATION* info) {
  HANDLE h = CreateFileW(wide_path(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                         nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  BOOL ok = GetFileInformationByHandle(h, info);
  CloseHandle(h);
  return ok != 0;
}

bool same_file(const char* a, const char* b) {
  int saved = errno;
  BY_HANDLE_FILE_INFORMATION ia, ib;
  bool same = file_identity(a, &ia) && file_identity(b, &ib) &&
              ia.dwVolumeSerialNumber == ib.dwVolumeSerialNumber &&
              ia.nFileIndexHigh == ib.nFileIndexHigh && ia.nFileIndexLow == ib.nFileIndexLow;
  errno = saved;
  return same;
}

bool file_exists(const char* path) { return GetFileAttributesW(wide_path(path).c_str()) != INVALID_FILE_ATTRIBUTES; }
