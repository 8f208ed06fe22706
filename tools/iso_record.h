// ISO 9660 fields and directory records as written into an image: used by
// the test-image maker and by tests that lay out directories byte by byte.
// Built on every platform (the library's tests run under Wine too).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

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

}  // namespace pdi_maker
