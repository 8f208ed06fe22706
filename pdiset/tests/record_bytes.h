// Directory bytes laid out by hand, record by record, for tests that need
// layouts no mastering tool would make.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "pdiset/layout.h"

namespace pdiset_test {

// Directory bytes laid out by hand, record by record.
struct Dir {
  explicit Dir(size_t size = pdiset::kDirectoryReadSize) : bytes(size, 0) {}
  std::vector<unsigned char> bytes;
  size_t p = 0;

  static void put32(unsigned char* at, uint32_t v) {
    for (int i = 0; i < 4; ++i) at[i] = static_cast<unsigned char>(v >> (8 * i));
  }
  // Appends a record; length 0 means the natural length (33 + name + pad).
  size_t add(const std::string& name, uint32_t extent, uint32_t data_length, unsigned flags = 0,
             unsigned length = 0) {
    unsigned natural = 33 + name.size() + (name.size() % 2 == 0);
    if (length == 0) length = natural;
    unsigned char* r = bytes.data() + p;
    r[0] = static_cast<unsigned char>(length);
    put32(r + 2, extent);
    put32(r + 10, data_length);
    r[18] = 103; r[19] = 2; r[20] = 7; r[21] = 9; r[22] = 5; r[23] = 3;
    r[25] = static_cast<unsigned char>(flags);
    r[32] = static_cast<unsigned char>(name.size());
    memcpy(r + 33, name.data(), std::min<size_t>(name.size(), bytes.size() - p - 33));
    size_t at = p;
    p += length;
    return at;
  }
  void own_and_parent(uint32_t own_length) {
    add(std::string(1, '\0'), 69, own_length, 2);
    add(std::string(1, '\1'), 20, 2048, 2);
  }
  void next_sector() { p = (p + pdiset::kSectorSize - 1) / pdiset::kSectorSize * pdiset::kSectorSize; }
};

// A primary volume descriptor (sector 16) naming a root directory.
inline void put_volume_descriptor(unsigned char* sector, uint32_t volume_sectors, uint32_t root_sector,
                                  uint32_t root_length, const std::string& volume_id = "DISC") {
  memset(sector, 0, pdiset::kSectorSize);
  sector[0] = 1;
  memcpy(sector + 1, "CD001", 5);
  sector[6] = 1;
  memset(sector + 40, ' ', 32);
  memcpy(sector + 40, volume_id.data(), std::min<size_t>(volume_id.size(), 32));
  Dir::put32(sector + 80, volume_sectors);
  unsigned char* root = sector + 156;
  root[0] = 34;
  Dir::put32(root + 2, root_sector);
  Dir::put32(root + 10, root_length);
  root[25] = 2;
  root[32] = 1;
}

}  // namespace pdiset_test
