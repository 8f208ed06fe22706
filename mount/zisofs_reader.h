// A zisofs file's real bytes (pdiset/zisofs.h gives its layout and rules):
// a read inflates only the blocks it touches, each block its own zlib
// stream, so a read anywhere in the file starts at its own block. Nothing
// is kept between reads: the kernel's page cache keeps what was read.
//
// Safe to use from several threads at once (each thread inflates with its
// own stream and buffers, made on its first zisofs read).
#pragma once

#include <cstdint>

#include "pdiset/disc_tree.h"
#include "pdiset/zisofs.h"

namespace quarnex_mount {

// The compressed file's bytes as the disc records them.
class StoredBytes {
 public:
  virtual ~StoredBytes() = default;
  virtual int64_t size() const = 0;
  // Reads count bytes at offset: the count read, or a negative errno.
  virtual int64_t read(int64_t offset, void* buffer, int64_t count) = 0;
};

struct ZisofsRead {
  int64_t bytes = 0;  // bytes read, or a negative errno
  pdiset::ZisofsFault fault = pdiset::ZisofsFault::kNone;  // set: bytes is -EIO for this reason
};

// Checks the ZF entry's parameters, the header and every block pointer; a
// file of no bytes needs none of them.
ZisofsRead check_zisofs(StoredBytes* stored, const pdiset::ZisofsFormat& format);

// Reads up to count bytes at offset of the real file (0 at or past its
// end); -EIO with the fault when a block touched breaks a rule, or with
// kNone when the stored bytes could not be read.
ZisofsRead read_zisofs(StoredBytes* stored, const pdiset::ZisofsFormat& format, int64_t offset, char* buffer,
                       int64_t count);

}  // namespace quarnex_mount
