#include "directory_reader.h"

#include <algorithm>
#include <climits>
#include <cstdio>

#include "../diagnostics.h"
#include "engine_state.h"

namespace {

// The directory bytes as read, followed by as many zero bytes as the walk
// cares to look at.
struct DirectoryBytes {
  const unsigned char* bytes;
  int size;
  unsigned at(int64_t p) const { return p >= 0 && p < size ? bytes[p] : 0; }
  uint32_t u32(int64_t p) const {
    return at(p) | at(p + 1) << 8 | at(p + 2) << 16 | static_cast<uint32_t>(at(p + 3)) << 24;
  }
};

int64_t round_up_to_sector(int64_t p) { return (p + kSectorSize - 1) / kSectorSize * kSectorSize; }

// Where the walk must end. A directory that starts with its own record and
// says it is at least a sector long ends with its own extent: the sector
// after a one-sector directory usually holds file data, not more records.
int64_t walk_end(const DirectoryBytes& d) {
  const int64_t kReadEnd = kDirectoryReadSize;
  unsigned length = d.at(0);
  bool own_record = length >= 34 && d.at(32) == 1 && d.at(33) == 0;
  if (!own_record) return kReadEnd;
  uint32_t data_length = d.u32(10);
  if (data_length < static_cast<uint32_t>(kSectorSize)) return kReadEnd;
  return std::min<int64_t>(round_up_to_sector(data_length), kReadEnd);
}

// A record is taken when it is a plain file (flags 0) with a name that lies
// wholly inside the record.
bool is_taken(const DirectoryBytes& d, int64_t p) {
  unsigned length = d.at(p);
  unsigned name_length = d.at(p + 32);
  return d.at(p + 25) == 0 && name_length != 0 && d.at(p + 33) != 0 && 33 + name_length <= length;
}

DirectoryRecord record_at(const DirectoryBytes& d, int64_t p) {
  DirectoryRecord r;
  unsigned name_length = d.at(p + 32);
  for (unsigned i = 0; i < name_length; ++i) r.name.push_back(static_cast<char>(d.at(p + 33 + i)));
  r.first_sector = static_cast<int32_t>(d.u32(p + 2));
  r.data_length = d.u32(p + 10);
  r.year = 1900 + static_cast<int>(d.at(p + 18));
  r.month = d.at(p + 19);
  r.day = d.at(p + 20);
  r.hour = d.at(p + 21);
  r.minute = d.at(p + 22);
  r.second = d.at(p + 23);
  return r;
}

}  // namespace

std::vector<DirectoryRecord> walk_directory(const unsigned char* bytes, int bytes_read) {
  DirectoryBytes d{bytes, std::max(0, std::min(bytes_read, kDirectoryReadSize))};
  std::vector<DirectoryRecord> taken;
  int64_t end = walk_end(d);
  int64_t p = 0;
  while (p < end && d.at(p) != 0) {
    if (is_taken(d, p)) taken.push_back(record_at(d, p));
    p += d.at(p);
    if (d.at(p) == 0) p = round_up_to_sector(p);
  }
  return taken;
}

void open_image_set() {
  g_engine.member_handle = open_for_reading(g_engine.set_name.c_str());
  if (g_engine.member_handle == kNoFile) fatal_system_error(g_engine.set_name.c_str());
}

void print_listing_header() { fputs("[extent ] File Name    Size       Date       Time\n", stdout); }

void print_listing_line(const DirectoryRecord& r) {
  printf("[%7i] ", static_cast<int>(r.first_sector));
  // The name is right-aligned in twelve places; longer names overflow.
  for (size_t i = r.name.size(); i < 12; ++i) putchar(' ');
  fwrite(r.name.data(), 1, r.name.size(), stdout);
  printf(" %10u %2i.%2i.%4i %02i:%02i:%02i\n", static_cast<unsigned>(r.data_length), r.day,
         r.month, r.year, r.hour, r.minute, r.second);
}

int read_directory() {
  if (seek_to(g_engine.member_handle, kDirectoryOffset) < 0)
    fatal_system_error("during read of directory");
  int64_t got = read_full(g_engine.member_handle, g_engine.copy_buffer, kDirectoryReadSize);
  if (got < 0) fatal_system_error("during read of directory");

  print_listing_header();
  std::vector<DirectoryRecord> records = walk_directory(g_engine.copy_buffer, static_cast<int>(got));
  for (const DirectoryRecord& r : records) {
    print_listing_line(r);
    g_engine.file_table.push_back(
        FileEntry{r.name, static_cast<int32_t>(r.data_length / kSectorSize), r.first_sector, 1});
  }
  // The listing keeps the directory's order; the table goes by first sector.
  std::stable_sort(g_engine.file_table.begin(), g_engine.file_table.end(),
                   [](const FileEntry& a, const FileEntry& b) { return a.first_sector < b.first_sector; });
  return static_cast<int>(g_engine.file_table.size());
}

void make_image_entry(const char* iso_name) {
  std::vector<FileEntry>& table = g_engine.file_table;
  const FileEntry& last = table.back();
  int64_t end = static_cast<int64_t>(last.first_sector) + last.sector_count;
  table[0].name = iso_name;
  table[0].first_sector = 0;
  table[0].sector_count = static_cast<int32_t>(std::max<int64_t>(0, std::min<int64_t>(end, INT32_MAX)));
  table.resize(1);
}
