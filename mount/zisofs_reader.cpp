#include "zisofs_reader.h"

#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <vector>

namespace quarnex_mount {

namespace {

using pdiset::ZisofsBlock;
using pdiset::ZisofsFault;
using pdiset::ZisofsLayout;

ZisofsRead fault(ZisofsFault why) { return ZisofsRead{-EIO, why}; }
ZisofsRead failed(int64_t error) { return ZisofsRead{error < 0 ? error : -EIO, ZisofsFault::kNone}; }

// One thread's inflater: a zlib stream reset per block, and buffers for a
// block's compressed bytes and for a block only part of which is asked for.
struct Inflater {
  z_stream stream{};
  bool ready = false;
  std::unique_ptr<unsigned char[]> stored{new unsigned char[pdiset::max_zisofs_stored_block(
      int64_t{1} << pdiset::kZisofsMaxBlockLog2)]};
  std::unique_ptr<unsigned char[]> real{new unsigned char[int64_t{1} << pdiset::kZisofsMaxBlockLog2]};
  Inflater() { ready = inflateInit(&stream) == Z_OK; }
  ~Inflater() {
    if (ready) inflateEnd(&stream);
  }
};

// Inflates stored_length bytes of in into exactly length bytes at out: the
// stream must end there, neither sooner nor later.
bool inflate_block(Inflater* z, const unsigned char* in, int64_t stored_length, unsigned char* out, int64_t length) {
  if (!z->ready || inflateReset(&z->stream) != Z_OK) return false;
  z->stream.next_in = const_cast<unsigned char*>(in);
  z->stream.avail_in = static_cast<uInt>(stored_length);
  z->stream.next_out = out;
  z->stream.avail_out = static_cast<uInt>(length);
  int result = inflate(&z->stream, Z_FINISH);
  if (result == Z_STREAM_END) return z->stream.avail_out == 0;
  if (z->stream.avail_out != 0) return false;  // a broken or cut stream
  // The block is full: the stream must end with no byte more.
  unsigned char beyond;
  z->stream.next_out = &beyond;
  z->stream.avail_out = 1;
  return inflate(&z->stream, Z_FINISH) == Z_STREAM_END && z->stream.avail_out == 1;
}

// Reads the block's two pointers and the block's compressed bytes into the
// inflater's buffer.
ZisofsRead read_block(StoredBytes* stored, const pdiset::ZisofsFormat& format, const ZisofsLayout& layout,
                      int64_t index, Inflater* z, ZisofsBlock* block) {
  unsigned char pointers[8];
  int64_t got = stored->read(layout.table_offset + 4 * index, pointers, sizeof pointers);
  if (got < 0) return failed(got);
  if (got != static_cast<int64_t>(sizeof pointers)) return fault(ZisofsFault::kPointers);
  std::optional<ZisofsBlock> found = pdiset::zisofs_block(layout, format, index, pointers, stored->size());
  if (!found) return fault(ZisofsFault::kPointers);
  *block = *found;
  if (block->stored_length == 0) return ZisofsRead{};
  got = stored->read(block->stored_offset, z->stored.get(), block->stored_length);
  if (got < 0) return failed(got);
  if (got != block->stored_length) return fault(ZisofsFault::kPointers);
  return ZisofsRead{};
}

}  // namespace

ZisofsRead check_zisofs(StoredBytes* stored, const pdiset::ZisofsFormat& format) {
  if (format.uncompressed_size == 0) return ZisofsRead{};
  std::optional<ZisofsLayout> layout = pdiset::zisofs_layout(format);
  if (!layout) return fault(ZisofsFault::kFormat);
  unsigned char header[pdiset::kZisofsHeaderBytes];
  int64_t got = stored->read(0, header, sizeof header);
  if (got < 0) return failed(got);
  if (got != static_cast<int64_t>(sizeof header) || !pdiset::zisofs_header_matches(header, format))
    return fault(ZisofsFault::kHeader);
  if (layout->table_offset + layout->table_bytes > stored->size()) return fault(ZisofsFault::kPointers);
  std::vector<unsigned char> table(static_cast<size_t>(layout->table_bytes));
  got = stored->read(layout->table_offset, table.data(), layout->table_bytes);
  if (got < 0) return failed(got);
  if (got != layout->table_bytes || !pdiset::zisofs_table_valid(*layout, format, table.data(), stored->size()))
    return fault(ZisofsFault::kPointers);
  return ZisofsRead{};
}

ZisofsRead read_zisofs(StoredBytes* stored, const pdiset::ZisofsFormat& format, int64_t offset, char* buffer,
                       int64_t count) {
  const int64_t size = format.uncompressed_size;
  if (offset < 0 || count <= 0 || offset >= size) return ZisofsRead{};
  count = std::min(count, size - offset);
  std::optional<ZisofsLayout> layout = pdiset::zisofs_layout(format);
  if (!layout) return fault(ZisofsFault::kFormat);
  thread_local Inflater z;
  for (int64_t index = offset / layout->block_size, done = 0; done < count; ++index) {
    ZisofsBlock block;
    ZisofsRead step = read_block(stored, format, *layout, index, &z, &block);
    if (step.bytes < 0) return step;
    const int64_t at = offset + done, within = at - block.offset;
    const int64_t n = std::min(count - done, block.length - within);
    unsigned char* out = reinterpret_cast<unsigned char*>(buffer + done);
    if (block.stored_length == 0) {
      memset(out, 0, static_cast<size_t>(n));
    } else if (within == 0 && n == block.length) {  // the whole block: straight into the answer
      if (!inflate_block(&z, z.stored.get(), block.stored_length, out, n)) return fault(ZisofsFault::kBlock);
    } else {
      if (!inflate_block(&z, z.stored.get(), block.stored_length, z.real.get(), block.length))
        return fault(ZisofsFault::kBlock);
      memcpy(out, z.real.get() + within, static_cast<size_t>(n));
    }
    done += n;
  }
  return ZisofsRead{count, ZisofsFault::kNone};
}

}  // namespace quarnex_mount
