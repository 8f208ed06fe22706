// ISO 9660 fields and directory records as written into an image: used by
// the test-image maker and by tests that lay out directories byte by byte.
// Built on every platform (the library's tests run under Wine too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "pdiset/layout.h"

namespace pdi_maker {

// Numbers in little-endian, big-endian and both-byte-order fields.
void put_le16(uint8_t* p, uint16_t v);
void put_be16(uint8_t* p, uint16_t v);
void put_le32(uint8_t* p, uint32_t v);
void put_be32(uint8_t* p, uint32_t v);
void put_both16(uint8_t* p, uint16_t v);
void put_both32(uint8_t* p, uint32_t v);

// One ISO 9660 directory record as written into a directory. The record
// length and the identifier length byte follow from the identifier unless
// given, so that tests can write hostile records with the same writer.
struct RecordPlan {
  std::string identifier;
  uint32_t extent = 0;
  uint32_t data_length = 0;
  uint8_t flags = 0;
  int record_length = 0;       // 0: 33 + identifier + padding to an even length
  int identifier_length = -1;  // -1: the identifier's size
  // Recording date: years since 1900, month, day, hour, minute, second.
  uint8_t date[6] = {103, 2, 7, 9, 5, 3};
};

// 33 + identifier + one padding byte when the identifier's length is even.
size_t record_length(const std::string& identifier);
size_t record_length(const RecordPlan& record);

// Writes the record at p: record_length(record) bytes. A record shorter than
// 33 bytes gets its length byte only; identifier bytes beyond the record are
// left out. The bytes are not cleared first (padding stays as it was).
void put_record(uint8_t* p, const RecordPlan& record);

// Directory bytes laid out record by record, for tests that need layouts no
// mastering tool would make: ten sectors (the bytes read at sector 69), or
// the size given.
struct RecordWriter {
  std::vector<uint8_t> bytes;
  size_t at = 0;  // where the next record goes
  explicit RecordWriter(size_t size = pdiset::kDirectoryReadSize) : bytes(size, 0) {}
  // Appends a record of length bytes (0: 33 + name + padding) with the flags
  // given; name_length -1 records the name's own length. Returns false, and
  // writes nothing, when it does not fit.
  bool add(const std::string& name, uint32_t extent, uint32_t data_length, unsigned length = 0,
           unsigned flags = 0, int name_length = -1);
  // Moves to the start of the next sector.
  void next_sector() { at = (at + pdiset::kSectorSize - 1) / pdiset::kSectorSize * pdiset::kSectorSize; }
};

// The fields of a primary volume descriptor that readers of a set look at:
// its type and standard identifier, the volume identifier (blank-padded),
// the volume size and the root's record. The sector is cleared first.
void put_volume_descriptor(uint8_t* sector, const std::string& volume_id, uint32_t volume_sectors,
                           const RecordPlan& root);

}  // namespace pdi_maker
