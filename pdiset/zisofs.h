// zisofs version 1 (Rock Ridge ZF, algorithm "pz"): a file kept compressed
// block by block, each block its own zlib stream. The compressed file holds
//   - a header: the magic 37 E4 53 96 C9 DB D6 07, the real size (32 bits,
//     little-endian), the header's length in 4-byte words, log2 of the
//     block size, two reserved bytes;
//   - from byte 4 * header words on, one 32-bit little-endian pointer per
//     block and one past the last: block i's compressed bytes lie from
//     pointer i to pointer i + 1 (bytes of the compressed file); a block
//     with none is all zeros;
//   - the blocks.
// A file is read only when it keeps every rule here: its header as its ZF
// entry says (magic, header length, block size, real size), block sizes of
// 2^15 to 2^17 bytes, every pointer ascending from the end of the pointer
// table to at most the compressed file's end, no block's compressed bytes
// longer than max_zisofs_stored_block, and each block inflating to exactly
// its size. Inflating (zlib) is not here but in the mount
// (mount/zisofs_reader.h): Windows builds of this library have no zlib.
#pragma once

#include <cstdint>
#include <optional>

#include "disc_tree.h"

namespace pdiset {

const int64_t kZisofsHeaderBytes = 16;
const unsigned kZisofsMinBlockLog2 = 15, kZisofsMaxBlockLog2 = 17;

// A bound on one block's compressed bytes: deflate never grows data by
// more than a few bytes per 16 KiB, so twice the block is never real.
inline int64_t max_zisofs_stored_block(int64_t block_size) { return 2 * block_size; }

// Where the parts of a compressed file lie.
struct ZisofsLayout {
  int64_t block_size = 0;
  int64_t block_count = 0;   // blocks of the real bytes (the last may be short)
  int64_t table_offset = 0;  // the first pointer
  int64_t table_bytes = 0;   // block_count + 1 pointers
};

// What keeps a file from being read.
enum class ZisofsFault { kNone, kFormat, kHeader, kPointers, kBlock };
// The fault as a note says it ("its zisofs header is not ...").
const char* describe_zisofs_fault(ZisofsFault fault);

// The layout a ZF entry gives; nothing (kFormat) when its block size or
// header length is outside the rules.
std::optional<ZisofsLayout> zisofs_layout(const ZisofsFormat& format);

// True when the compressed file's first kZisofsHeaderBytes are the header
// its ZF entry describes.
bool zisofs_header_matches(const unsigned char* header, const ZisofsFormat& format);

// One block's compressed bytes and its real bytes.
struct ZisofsBlock {
  int64_t stored_offset = 0;  // in the compressed file
  int64_t stored_length = 0;  // 0: the block is zeros
  int64_t offset = 0;         // in the real file
  int64_t length = 0;         // the block size, less for the last block
};

// Block index (below layout.block_count) from its two pointers (8 bytes as
// the table holds them), in a compressed file of stored_size bytes; nothing
// when they break the pointer rules.
std::optional<ZisofsBlock> zisofs_block(const ZisofsLayout& layout, const ZisofsFormat& format, int64_t index,
                                        const unsigned char* pointers, int64_t stored_size);

// True when every pointer of the table (layout.table_bytes bytes) keeps the
// rules in a compressed file of stored_size bytes.
bool zisofs_table_valid(const ZisofsLayout& layout, const ZisofsFormat& format, const unsigned char* table,
                        int64_t stored_size);

}  // namespace pdiset
