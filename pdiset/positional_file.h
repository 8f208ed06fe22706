// Read-only files read at explicit offsets, so that several threads may read
// one file at once without sharing a file position. One implementation per
// platform (positional_file_posix.cpp, positional_file_win32.cpp).
#pragma once

#include <cstdint>

namespace pdiset {

typedef intptr_t PositionalFile;
const PositionalFile kNoPositionalFile = -1;

// Opens path read-only, binary. Returns kNoPositionalFile with errno set on failure.
PositionalFile open_positional(const char* path);
void close_positional(PositionalFile file);

// The file's size in bytes, or -1 with errno set.
int64_t positional_size(PositionalFile file);

// Reads up to count bytes at offset, retrying interrupted and partial reads;
// returns the bytes read (fewer only at end of file) or -1 with errno set.
int64_t read_at(PositionalFile file, void* buffer, int64_t count, int64_t offset);

// True when the file is still the one at path (not removed or replaced).
bool still_at_path(PositionalFile file, const char* path);

}  // namespace pdiset
