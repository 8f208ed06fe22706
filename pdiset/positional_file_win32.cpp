#include <windows.h>

#include <cerrno>

#include "positional_file.h"
#include "wide_path.h"

namespace pdiset {

namespace {

// The C runtime's error numbers for the few failures a reader meets, so that
// messages read the same as on other systems.
int errno_from(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND: case ERROR_PATH_NOT_FOUND: case ERROR_INVALID_NAME: return ENOENT;
    case ERROR_ACCESS_DENIED: case ERROR_SHARING_VIOLATION: case ERROR_LOCK_VIOLATION: return EACCES;
    case ERROR_FILENAME_EXCED_RANGE: return ENAMETOOLONG;
    case ERROR_NOT_ENOUGH_MEMORY: case ERROR_OUTOFMEMORY: return ENOMEM;
    default: return EIO;
  }
}

HANDLE handle_of(PositionalFile file) { return reinterpret_cast<HANDLE>(file); }

}  // namespace

PositionalFile open_positional(const char* path) {
  // Others may read, and delete: quarnex deletes members it has read.
  HANDLE h = CreateFileW(wide_path(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    DWORD attributes = GetFileAttributesW(wide_path(path).c_str());
    errno = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)
                ? EISDIR : errno_from(GetLastError());
    return kNoPositionalFile;
  }
  return reinterpret_cast<PositionalFile>(h);
}

void close_positional(PositionalFile file) {
  if (file != kNoPositionalFile) CloseHandle(handle_of(file));
}

int64_t positional_size(PositionalFile file) {
  LARGE_INTEGER size;
  if (!GetFileSizeEx(handle_of(file), &size)) {
    errno = errno_from(GetLastError());
    return -1;
  }
  return size.QuadPart;
}

int64_t read_at(PositionalFile file, void* buffer, int64_t count, int64_t offset) {
  unsigned char* at = static_cast<unsigned char*>(buffer);
  int64_t done = 0;
  while (done < count) {
    OVERLAPPED where = {};
    uint64_t position = static_cast<uint64_t>(offset + done);
    where.Offset = static_cast<DWORD>(position);
    where.OffsetHigh = static_cast<DWORD>(position >> 32);
    int64_t left = count - done;
    DWORD want = left > 0x40000000 ? 0x40000000 : static_cast<DWORD>(left);
    DWORD got = 0;
    if (!ReadFile(handle_of(file), at + done, want, &got, &where)) {
      DWORD error = GetLastError();
      if (error == ERROR_HANDLE_EOF) break;
      if (done > 0) return done;
      errno = errno_from(error);
      return -1;
    }
    if (got == 0) break;
    done += got;
  }
  return done;
}

bool still_at_path(PositionalFile file, const char* path) {
  BY_HANDLE_FILE_INFORMATION open_info, path_info;
  if (!GetFileInformationByHandle(handle_of(file), &open_info)) return false;
  HANDLE h = CreateFileW(wide_path(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                         OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  bool same = GetFileInformationByHandle(h, &path_info) &&
              open_info.dwVolumeSerialNumber == path_info.dwVolumeSerialNumber &&
              open_info.nFileIndexHigh == path_info.nFileIndexHigh &&
              open_info.nFileIndexLow == path_info.nFileIndexLow;
  CloseHandle(h);
  return same;
}

}  // namespace pdiset
