#include "iso_records.h"

#include <algorithm>

#include "byte_order.h"
#include "civil_time.h"
#include "iso9660_fields.h"
#include "layout.h"

namespace pdiset {

using namespace iso9660;

int64_t record_date_seconds(const unsigned char* d) {
  return civil_seconds(1900 + int64_t{d[0]}, d[1], d[2], d[3], d[4], d[5], static_cast<signed char>(d[6]) * 900);
}

int64_t long_date_seconds(const unsigned char* d) {
  unsigned v[7];
  const int widths[7] = {4, 2, 2, 2, 2, 2, 2};
  int at = 0;
  for (int i = 0; i < 7; ++i) {
    v[i] = 0;
    for (int k = 0; k < widths[i]; ++k, ++at) {
      if (d[at] < '0' || d[at] > '9') return 0;
      v[i] = v[i] * 10 + (d[at] - '0');
    }
  }
  if (v[0] == 0) return 0;
  return civil_seconds(v[0], v[1], v[2], v[3], v[4], v[5], static_cast<signed char>(d[16]) * 900);
}

namespace {

// The record of length bytes at p; fields past the bytes read count as zero.
IsoRecord record_at(const PaddedBytes& d, int64_t p, unsigned length) {
  IsoRecord record;
  const unsigned name_length = d.at(p + kIdentifierLength);
  unsigned char date[7];
  for (int i = 0; i < 7; ++i) date[i] = static_cast<unsigned char>(d.at(p + kRecordingDate + i));
  record.ear_sectors = d.at(p + kEarLength);
  record.record.first_sector = d.u32(p + kExtent);
  record.record.data_length = d.u32(p + kDataLength);
  record.record.year = 1900 + date[0];
  record.record.month = date[1];
  record.record.day = date[2];
  record.record.hour = date[3];
  record.record.minute = date[4];
  record.record.second = date[5];
  record.record.gmt_offset = static_cast<signed char>(date[6]);
  record.record.flags = d.at(p + kFileFlags);
  record.mtime = record_date_seconds(date);
  const int64_t name_at = p + kIdentifier;
  if (name_at + name_length <= d.size) {
    record.record.name.assign(reinterpret_cast<const char*>(d.bytes + name_at), name_length);
  } else {
    for (unsigned i = 0; i < name_length; ++i) record.record.name.push_back(static_cast<char>(d.at(name_at + i)));
  }
  // The identifier is padded to an even record offset.
  const unsigned use_at = kIdentifier + name_length + (name_length % 2 == 0 ? 1 : 0);
  if (use_at < length && p + length <= d.size)
    record.system_use.assign(reinterpret_cast<const char*>(d.bytes + p + use_at), length - use_at);
  return record;
}

int64_t next_sector(int64_t at) { return (at / kSectorSize + 1) * kSectorSize; }

}  // namespace

std::vector<IsoRecord> walk_iso_records(const unsigned char* bytes, int64_t size, size_t max_records,
                                        bool* more, std::optional<ListingWalk> listing) {
  const PaddedBytes d{bytes, std::max<int64_t>(0, size)};
  const int64_t end = listing ? listing->end : d.size;
  std::vector<IsoRecord> records;
  // Records are rarely shorter than 64 bytes; a guess, not a bound.
  records.reserve(std::min(static_cast<size_t>(std::max<int64_t>(0, end) / 64), max_records));
  *more = false;
  int64_t p = 0;
  while (p < end) {
    const unsigned length = d.at(p);
    if (length == 0) {
      if (listing && p % kSectorSize == 0) break;  // the listing's end
      p = next_sector(p);
      continue;
    }
    const bool names_fit = kRecordFixedPart + d.at(p + kIdentifierLength) <= length;
    if (!listing && (length < kMinRecordLength || p + length > d.size || !names_fit)) {
      p = next_sector(p);
      continue;
    }
    if (names_fit) {
      if (records.size() == max_records) {
        *more = true;
        break;
      }
      records.push_back(record_at(d, p, length));
    }
    p += length;
  }
  return records;
}

}  // namespace pdiset
