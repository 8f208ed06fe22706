#include "udf_descriptors.h"

#include "civil_time.h"
#include "udf_fields.h"

namespace pdiset::udf {

bool read_tag(const unsigned char* bytes, size_t size, Tag* tag) {
  if (size < size_t(tag::kSize)) return false;
  unsigned sum = 0;
  for (int i = 0; i < tag::kSize; ++i)
    if (i != tag::kChecksum) sum += bytes[i];
  if ((sum & 0xFF) != bytes[tag::kChecksum]) return false;
  uint16_t version = le16(bytes + tag::kVersion);
  if (version != 2 && version != 3) return false;
  tag->id = le16(bytes + tag::kId);
  tag->location = le32(bytes + tag::kLocation);
  return true;
}

bool has_tag(const unsigned char* bytes, size_t size, uint16_t id, uint32_t location) {
  Tag tag;
  return read_tag(bytes, size, &tag) && tag.id == id && tag.location == location;
}

LongAd read_long_ad(const unsigned char* p) {
  LongAd ad;
  ad.length = le32(p + long_ad::kLength);
  ad.address.block = le32(p + long_ad::kBlock);
  ad.address.partition = le16(p + long_ad::kPartition);
  return ad;
}

int64_t unix_time(const unsigned char* p) {
  uint16_t type_and_zone = le16(p + timestamp::kTypeAndZone);
  int year = static_cast<int16_t>(le16(p + timestamp::kYear));
  const unsigned char* m = p + timestamp::kMonth;
  unsigned month = m[0], day = m[1], hour = m[2], minute = m[3], second = m[4];
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return 0;
  // Type 1 is local time with its offset from UTC in minutes (12-bit signed;
  // -2047 says none is given).
  int64_t east_offset_seconds = 0;
  if (type_and_zone >> 12 == 1) {
    int zone = type_and_zone & 0xFFF;
    if (zone & 0x800) zone -= 0x1000;
    if (zone != -2047 && zone >= -1440 && zone <= 1440) east_offset_seconds = int64_t{zone} * 60;
  }
  return civil_seconds(year, month, day, hour, minute, second, east_offset_seconds);
}

bool read_file_entry(const unsigned char* block, size_t size, uint32_t location, FileEntry* entry) {
  Tag tag;
  if (!read_tag(block, size, &tag) || tag.location != location) return false;
  size_t header, times, ea_at, ad_at;
  if (tag.id == kFileEntry) {
    header = file_entry::kFixedPart, times = file_entry::kModificationTime;
    ea_at = file_entry::kEaLength, ad_at = file_entry::kAdLength;
  } else if (tag.id == kExtendedFileEntry) {
    header = extended_file_entry::kFixedPart, times = extended_file_entry::kModificationTime;
    ea_at = extended_file_entry::kEaLength, ad_at = extended_file_entry::kAdLength;
  } else {
    return false;
  }
  if (size < header) return false;
  uint32_t ea_length = le32(block + ea_at), ad_length = le32(block + ad_at);
  if (ea_length > size - header || ad_length > size - header - ea_length) return false;
  entry->strategy = le16(block + file_entry::kStrategy);
  entry->file_type = block[file_entry::kFileType];
  entry->ad_kind = block[file_entry::kIcbFlags] & 7;
  entry->information_length = le64(block + file_entry::kInformationLength);
  entry->mtime = unix_time(block + times);
  entry->ads.assign(reinterpret_cast<const char*>(block + header + ea_length), ad_length);
  return true;
}

}  // namespace pdiset::udf
