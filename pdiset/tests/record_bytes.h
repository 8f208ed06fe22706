// Directory bytes laid out by hand, record by record, for tests that need
// layouts no mastering tool would make.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "iso_record.h"
#include "pdiset/layout.h"

namespace pdiset_test {

// Directory bytes laid out by hand, record by record.
struct Dir {
  explicit Dir(size_t size = pdiset::kDirectoryReadSize) : bytes(size, 0) {}
  std::vector<unsigned char> bytes;
  size_t p = 0;

  // Appends a record written by the maker's record writer; length 0 means
  // the natural length (33 + name + pad). The name is written whole even
  // where it runs past the record; nothing is written past the buffer.
  size_t add(const std::string& name, uint32_t extent, uint32_t data_length, unsigned flags = 0,
             unsigned length = 0) {
    pdi_maker::RecordPlan r;
    r.identifier = name;
    r.extent = extent;
    r.data_length = data_length;
    r.flags = static_cast<uint8_t>(flags);
    r.record_length = static_cast<int>(length);
    size_t record = pdi_maker::record_length(r);
    std::vector<unsigned char> written(std::max(record, 33 + name.size()), 0);
    pdi_maker::put_record(written.data(), r);
    memcpy(written.data() + 33, name.data(), name.size());
    memcpy(bytes.data() + p, written.data(), std::min(written.size(), bytes.size() - p));
    size_t at = p;
    p += record;
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
  pdi_maker::put_le32(sector + 80, volume_sectors);
  unsigned char* root = sector + 156;
  root[0] = 34;
  pdi_maker::put_le32(root + 2, root_sector);
  pdi_maker::put_le32(root + 10, root_length);
  root[25] = 2;
  root[32] = 1;
}

}  // namespace pdiset_test
