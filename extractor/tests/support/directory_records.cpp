#include "directory_records.h"

bool RecordWriter::add(const std::string& name, uint32_t extent, uint32_t data_length, unsigned length,
                       unsigned flags, int name_length) {
  pdi_maker::RecordPlan r;
  r.identifier = name;
  r.extent = extent;
  r.data_length = data_length;
  r.flags = static_cast<uint8_t>(flags);
  r.record_length = static_cast<int>(length);
  r.identifier_length = name_length;
  size_t size = pdi_maker::record_length(r);
  if (at + size > bytes.size() || size > 255) return false;
  pdi_maker::put_record(bytes.data() + at, r);
  at += size;
  return true;
}
