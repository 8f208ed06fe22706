#include "iso_record.h"

#include <algorithm>
#include <cstring>

namespace pdi_maker {

void put_le16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
void put_be16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v >> 8);
  p[1] = uint8_t(v);
}
void put_le32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}
void put_be32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * (3 - i)));
}
void put_both16(uint8_t* p, uint16_t v) {
  put_le16(p, v);
  put_be16(p + 2, v);
}
void put_both32(uint8_t* p, uint32_t v) {
  put_le32(p, v);
  put_be32(p + 4, v);
}

size_t record_length(const std::string& identifier) {
  return 33 + identifier.size() + (identifier.size() % 2 == 0 ? 1 : 0);
}

size_t record_length(const RecordPlan& r) {
  return r.record_length > 0 ? size_t(r.record_length) : record_length(r.identifier);
}

void put_record(uint8_t* p, const RecordPlan& r) {
  size_t length = record_length(r);
  p[0] = uint8_t(length);
  if (length < 33) return;  // too short for its fields: the bytes belong to what follows
  p[1] = 0;
  put_both32(p + 2, r.extent);
  put_both32(p + 10, r.data_length);
  memcpy(p + 18, r.date, 6);
  p[24] = 0;
  p[25] = r.flags;
  p[26] = 0;
  p[27] = 0;
  put_both16(p + 28, 1);
  p[32] = uint8_t(r.identifier_length < 0 ? r.identifier.size() : size_t(r.identifier_length));
  memcpy(p + 33, r.identifier.data(), std::min(r.identifier.size(), length - 33));
}

}  // namespace pdi_maker
