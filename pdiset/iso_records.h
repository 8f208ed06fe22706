// The directory records of one ISO 9660 folder as the tree reader needs
// them: each record with its system use bytes (where Rock Ridge lives), its
// extended attribute length and its date in seconds since 1970 UTC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "directory.h"

namespace pdiset {

// Bytes as read, followed by as many zero bytes as a walk looks at: the
// listing's walk and the lookup read fields near the end of what was read.
struct PaddedBytes {
  const unsigned char* bytes;
  int64_t size;
  unsigned at(int64_t p) const { return p >= 0 && p < size ? bytes[p] : 0; }
  uint32_t u32(int64_t p) const {
    return at(p) | at(p + 1) << 8 | at(p + 2) << 16 | static_cast<uint32_t>(at(p + 3)) << 24;
  }
};

struct IsoRecord {
  DirectoryRecord record;      // identifier bytes, extent, length, flags, date
  unsigned ear_sectors = 0;    // extended attribute sectors before the data
  int64_t mtime = 0;           // the record's date, seconds since 1970 UTC
  std::string system_use;      // the bytes after the identifier (and its pad)
  // The sector where the data (or the folder's records) begin.
  int64_t data_sector() const { return int64_t{record.first_sector} + ear_sectors; }
};

// quarnex's listing of one directory keeps rules of its own, as it has
// always listed: it walks [0, end), bytes at and past size counting as zero;
// a sector start holding 0 ends the walk; a record too short for its fields
// or its identifier is stepped over by its length, and the walk goes on.
struct ListingWalk {
  int64_t end = 0;
};

// The one walk of ISO 9660 directory records. Walks a folder's bytes
// [0, size): a record length byte of 0 moves to the next sector; a record
// shorter than 34 bytes, running past the bytes, or whose identifier runs
// past its own length ends that sector's walk (with listing, the listing's
// rules above instead). At most max_records records are returned; *more is
// set when there were more.
std::vector<IsoRecord> walk_iso_records(const unsigned char* bytes, int64_t size, size_t max_records,
                                        bool* more, std::optional<ListingWalk> listing = std::nullopt);

// Seconds since 1970 UTC of a 7-byte record date (years since 1900, month,
// day, hour, minute, second, offset from UTC in 15-minute steps); 0 for a
// date whose month or day is out of range.
int64_t record_date_seconds(const unsigned char* date);

// The same for a 17-byte long-form date ("YYYYMMDDHHMMSScc" and the offset
// byte); 0 when the digits are not a date.
int64_t long_date_seconds(const unsigned char* date);

}  // namespace pdiset
