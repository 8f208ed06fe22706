#include "iso_record.h"

#include <algorithm>
#include <cstring>

#include "pdiset/iso9660_fields.h"

namespace pdi_maker {

using namespace pdiset::iso9660;

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
  return kRecordFixedPart + identifier.size() + (identifier.size() % 2 == 0 ? 1 : 0);
}

size_t record_length(const RecordPlan& r) {
  return r.record_length > 0 ? size_t(r.record_length) : record_length(r.identifier);
}

void put_record(uint8_t* p, const RecordPlan& r) {
  size_t length = record_length(r);
  p[kRecordLength] = uint8_t(length);
  if (length < size_t(kRecordFixedPart)) return;  // too short for its fields: the bytes belong to what follows
  memset(p + 1, 0, kRecordFixedPart - 1);
  put_both32(p + kExtent, r.extent);
  put_both32(p + kDataLength, r.data_length);
  memcpy(p + kRecordingDate, r.date, 6);
  p[kFileFlags] = r.flags;
  put_both16(p + kVolumeSequence, 1);
  p[kIdentifierLength] = uint8_t(r.identifier_length < 0 ? r.identifier.size() : size_t(r.identifier_length));
  memcpy(p + kIdentifier, r.identifier.data(), std::min(r.identifier.size(), length - kRecordFixedPart));
}

bool RecordWriter::add(const std::string& name, uint32_t extent, uint32_t data_length, unsigned length,
                       unsigned flags, int name_length) {
  RecordPlan r;
  r.identifier = name;
  r.extent = extent;
  r.data_length = data_length;
  r.flags = static_cast<uint8_t>(flags);
  r.record_length = static_cast<int>(length);
  r.identifier_length = name_length;
  size_t size = record_length(r);
  if (at + size > bytes.size() || size > 255) return false;
  put_record(bytes.data() + at, r);
  at += size;
  return true;
}

void put_volume_descriptor(uint8_t* p, const std::string& volume_id, uint32_t volume_sectors, const RecordPlan& root) {
  memset(p, 0, pdiset::kSectorSize);
  p[kDescriptorType] = 1;
  memcpy(p + kStandardIdentifier, "CD001", 5);
  p[kDescriptorVersion] = 1;
  memset(p + kVolumeIdentifier, ' ', kVolumeIdentifierSize);
  memcpy(p + kVolumeIdentifier, volume_id.data(), std::min<size_t>(volume_id.size(), kVolumeIdentifierSize));
  put_both32(p + kVolumeSpaceSize, volume_sectors);
  put_record(p + kRootRecord, root);
}

}  // namespace pdi_maker
