// The few file operations the program needs, one implementation per platform
// (file_io_posix.cpp, file_io_win32.cpp). Failures return -1 (or false) and
// leave the system's error number in errno for the error report.
#pragma once

#include <cstdint>

typedef int FileHandle;  // a C runtime descriptor on both platforms
const FileHandle kNoFile = -1;

// The character placed between a directory and a file name.
char path_separator();

FileHandle open_for_reading(const char* path);
// Creates or truncates, binary, readable and writable by the user.
FileHandle create_for_writing(const char* path);
int close_file(FileHandle handle);

// Absolute seek from the start; returns the new position or -1.
int64_t seek_to(FileHandle handle, int64_t offset);
// Seek to the end; returns the file size or -1.
int64_t seek_to_end(FileHandle handle);

// Move exactly count bytes, retrying interrupted and partial transfers. The
// result is the number of bytes moved (less than count only at end of file
// or on a failure, with errno 0 at end of file) or -1 when nothing could be
// moved because of a failure.
int64_t read_full(FileHandle handle, void* buffer, int64_t count);
int64_t write_full(FileHandle handle, const void* buffer, int64_t count);

// Flushes what was written to the handle down to stable storage.
int flush_to_disk(FileHandle handle);
// Makes the directory entries of files created in path's folder durable
// (nothing to do where the system keeps them with the file).
void flush_directory_of(const char* path);

int remove_file(const char* path);
int make_directory(const char* path);

// True when both names exist and name one and the same file.
bool same_file(const char* a, const char* b);

enum CopyResult { kCopyOk, kCopyReadFailed, kCopyWriteFailed };

// Copies count bytes from in's current position to out's current position,
// inside the kernel where the system can, else through buffer (at least
// count bytes). piece_started tells that earlier steps of the same piece were
// already copied: the switch to the plain copy is made only before that.
CopyResult copy_bytes(FileHandle in, FileHandle out, int64_t count, unsigned char* buffer,
                      bool piece_started);

bool file_exists(const char* path);
