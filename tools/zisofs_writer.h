// zisofs files written the way mkzftree writes them, for the tests of their
// reader: a 16-byte header, one pointer per block and one past the last,
// then each block as its own zlib stream (a block of zeros as no bytes).
// Needs zlib (Linux only).
#pragma once

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace zisofs_writer {

inline void put32(std::string* s, size_t at, uint64_t v) {
  for (int i = 0; i < 4; ++i) (*s)[at + i] = static_cast<char>(v >> (8 * i));
}

// The file of size real bytes in blocks of 2^block_log2 stored as given.
inline std::string assemble(uint32_t size, unsigned block_log2, const std::vector<std::string>& stored_blocks) {
  std::string file("\x37\xE4\x53\x96\xC9\xDB\xD6\x07", 8);
  file.resize(16 + 4 * (stored_blocks.size() + 1), '\0');
  put32(&file, 8, size);
  file[12] = 4;
  file[13] = static_cast<char>(block_log2);
  for (size_t i = 0; i <= stored_blocks.size(); ++i) {
    put32(&file, 16 + 4 * i, file.size());
    if (i < stored_blocks.size()) file += stored_blocks[i];
  }
  return file;
}

inline std::string deflated(const std::string& bytes) {
  uLongf length = compressBound(static_cast<uLong>(bytes.size()));
  std::string out(length, '\0');
  compress2(reinterpret_cast<Bytef*>(&out[0]), &length, reinterpret_cast<const Bytef*>(bytes.data()),
            static_cast<uLong>(bytes.size()), 9);
  out.resize(length);
  return out;
}

}  // namespace zisofs_writer
