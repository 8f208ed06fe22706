// One system read or write of at most count bytes; the platform files supply
// them and file_io_common.cpp turns them into whole transfers.
#pragma once

#include "file_io.h"

// Large transfers are cut so that one call never exceeds what read and write
// accept on every system (the Windows runtime takes an unsigned int count):
// count is at most kMaxTransfer.
const int64_t kMaxTransfer = 0x40000000;
int64_t raw_read(FileHandle handle, void* buffer, int64_t count);
int64_t raw_write(FileHandle handle, const void* buffer, int64_t count);

// The plain copy: read count bytes into buffer, then write them.
CopyResult copy_through_buffer(FileHandle in, FileHandle out, int64_t count,
                               unsigned char* buffer);
