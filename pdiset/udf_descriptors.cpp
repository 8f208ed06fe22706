#include "udf_descriptors.h"

namespace pdiset::udf {

bool read_tag(const unsigned char* bytes, size_t size, Tag* tag) {
  if (size < 16) return false;
  unsigned sum = 0;
  for (int i = 0; i < 16; ++i)
    if (i != 4) sum += bytes[i];
  if ((sum & 0xFF) != bytes[4]) return false;
  uint16_t version = le16(bytes + 2);
  if (version != 2 && version != 3) return false;
  tag->id = le16(bytes);
  tag->location = le32(bytes + 12);
  return true;
}

bool has_tag(const unsigned char* bytes, size_t size, uint16_t id, uint32_t location) {
  Tag tag;
  return read_tag(bytes, size, &tag) && tag.id == id && tag.location == location;
}

LongAd read_long_ad(const unsigned char* p) {
  LongAd ad;
  ad.length = le32(p);
  ad.address.block = le32(p + 4);
  ad.address.partition = le16(p + 8);
  return ad;
}

namespace {

// Days from 1970-01-01 to the given civil date (proleptic Gregorian).
int64_t days_from_civil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

int64_t unix_time(const unsigned char* p) {
  uint16_t type_and_zone = le16(p);
  int year = static_cast<int16_t>(le16(p + 2));
  unsigned month = p[4], day = p[5], hour = p[6], minute = p[7], second = p[8];
  if (month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 || second > 60) return 0;
  int64_t t = days_from_civil(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
  // Type 1 is local time with its offset from UTC in minutes (12-bit signed;
  // -2047 says none is given).
  if (type_and_zone >> 12 == 1) {
    int zone = type_and_zone & 0xFFF;
    if (zone & 0x800) zone -= 0x1000;
    if (zone != -2047 && zone >= -1440 && zone <= 1440) t -= int64_t{zone} * 60;
  }
  return t;
}

bool read_file_entry(const unsigned char* block, size_t size, uint32_t location, FileEntry* entry) {
  Tag tag;
  if (!read_tag(block, size, &tag) || tag.location != location) return false;
  size_t header, times;
  if (tag.id == kFileEntry) {
    header = 176;
    times = 84;
  } else if (tag.id == kExtendedFileEntry) {
    header = 216;
    times = 92;
  } else {
    return false;
  }
  if (size < header) return false;
  uint32_t ea_length = le32(block + header - 8), ad_length = le32(block + header - 4);
  if (ea_length > size - header || ad_length > size - header - ea_length) return false;
  entry->strategy = le16(block + 16 + 4);
  entry->file_type = block[16 + 11];
  entry->ad_kind = block[16 + 18] & 7;
  entry->information_length = le64(block + 56);
  entry->mtime = unix_time(block + times);
  entry->ads.assign(reinterpret_cast<const char*>(block + header + ea_length), ad_length);
  return true;
}

}  // namespace pdiset::udf
