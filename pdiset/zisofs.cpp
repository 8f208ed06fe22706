#include "zisofs.h"

#include <algorithm>
#include <cstring>

namespace pdiset {

namespace {

const unsigned char kMagic[8] = {0x37, 0xE4, 0x53, 0x96, 0xC9, 0xDB, 0xD6, 0x07};

int64_t pointer_at(const unsigned char* p) {
  return int64_t{p[0]} | int64_t{p[1]} << 8 | int64_t{p[2]} << 16 | int64_t{p[3]} << 24;
}

}  // namespace

const char* describe_zisofs_fault(ZisofsFault fault) {
  switch (fault) {
    case ZisofsFault::kNone: break;
    case ZisofsFault::kFormat: return "its zisofs entry gives a block size or header length zisofs does not have";
    case ZisofsFault::kHeader: return "its zisofs header is not the one its entry describes";
    case ZisofsFault::kPointers: return "its zisofs block pointers do not ascend inside the file";
    case ZisofsFault::kBlock: return "a zisofs block of it does not inflate to the block's size";
  }
  return "";
}

std::optional<ZisofsLayout> zisofs_layout(const ZisofsFormat& format) {
  if (format.block_size_log2 < kZisofsMinBlockLog2 || format.block_size_log2 > kZisofsMaxBlockLog2) return std::nullopt;
  if (format.header_words * 4 < kZisofsHeaderBytes || format.uncompressed_size < 0) return std::nullopt;
  ZisofsLayout layout;
  layout.block_size = int64_t{1} << format.block_size_log2;
  layout.block_count = (format.uncompressed_size + layout.block_size - 1) / layout.block_size;
  layout.table_offset = int64_t{format.header_words} * 4;
  layout.table_bytes = (layout.block_count + 1) * 4;
  return layout;
}

bool zisofs_header_matches(const unsigned char* header, const ZisofsFormat& format) {
  return memcmp(header, kMagic, sizeof kMagic) == 0 && pointer_at(header + 8) == format.uncompressed_size &&
         header[12] == format.header_words && header[13] == format.block_size_log2;
}

std::optional<ZisofsBlock> zisofs_block(const ZisofsLayout& layout, const ZisofsFormat& format, int64_t index,
                                        const unsigned char* pointers, int64_t stored_size) {
  const int64_t start = pointer_at(pointers), end = pointer_at(pointers + 4);
  if (index < 0 || index >= layout.block_count) return std::nullopt;
  if (start < layout.table_offset + layout.table_bytes || end < start || end > stored_size ||
      end - start > max_zisofs_stored_block(layout.block_size))
    return std::nullopt;
  ZisofsBlock block;
  block.stored_offset = start;
  block.stored_length = end - start;
  block.offset = index * layout.block_size;
  block.length = std::min(layout.block_size, format.uncompressed_size - block.offset);
  return block;
}

bool zisofs_table_valid(const ZisofsLayout& layout, const ZisofsFormat& format, const unsigned char* table,
                        int64_t stored_size) {
  for (int64_t i = 0; i < layout.block_count; ++i)
    if (!zisofs_block(layout, format, i, table + 4 * i, stored_size)) return false;
  return true;
}

}  // namespace pdiset
