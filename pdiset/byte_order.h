// Numbers as discs record them: little-endian, of 2, 4 and 8 bytes (ISO 9660
// keeps the little-endian copy of its both-byte-order numbers first; UDF
// records only these).
#pragma once

#include <cstdint>

namespace pdiset {

inline uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }
inline uint32_t le32(const unsigned char* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline uint64_t le64(const unsigned char* p) { return le32(p) | uint64_t(le32(p + 4)) << 32; }

}  // namespace pdiset
