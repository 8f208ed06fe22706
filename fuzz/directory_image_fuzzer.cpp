// Fuzz target: the directory reader, fed whole first members of image sets.
//
// The input is a member-0 file. As the program does, the 20480 bytes at byte
// 141616 (fewer when the file is shorter) are handed to walk_directory, in a
// buffer of exactly that size so that AddressSanitizer sees any read beyond
// them. The records are checked against a plain re-reading of the same bytes,
// their listing lines are formatted, the file table is built and sorted as
// read_directory builds it, the conversion entry is made from it, and every
// output name is checked to stay inside its folder.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "engine/constants.h"
#include "engine/directory_reader.h"
#include "engine/engine_state.h"
#include "extraction_driver.h"
#include "output_names.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

[[noreturn]] void fail(const char* what, const std::string& detail = "") {
  fprintf(stderr, "invariant broken: %s %s\n", what, detail.c_str());
  abort();
}

// The same rules, read straight off a zero-padded copy: a record is taken
// when its flags are 0 and its name (at least one byte, first byte not 0)
// lies inside the record; a directory that starts with its own record of at
// least one sector ends with that record's extent.
struct Expected {
  std::string name;
  uint32_t extent, length;
  int year, month, day, hour, minute, second;
};

std::vector<Expected> read_plainly(const unsigned char* bytes, size_t count) {
  std::vector<unsigned char> d(kDirectoryReadSize + 2 * kSectorSize + 300, 0);
  memcpy(d.data(), bytes, count);
  auto u32 = [&](size_t p) {
    return uint32_t(d[p]) | uint32_t(d[p + 1]) << 8 | uint32_t(d[p + 2]) << 16 | uint32_t(d[p + 3]) << 24;
  };
  size_t end = kDirectoryReadSize;
  if (d[0] >= 34 && d[32] == 1 && d[33] == 0 && u32(10) >= uint32_t(kSectorSize)) {
    uint64_t rounded = (uint64_t(u32(10)) + kSectorSize - 1) / kSectorSize * kSectorSize;
    end = size_t(std::min<uint64_t>(rounded, end));
  }
  std::vector<Expected> out;
  size_t p = 0;
  while (p < end && d[p] != 0) {
    unsigned length = d[p], name_length = d[p + 32];
    if (d[p + 25] == 0 && name_length != 0 && d[p + 33] != 0 && 33 + name_length <= length) {
      Expected e;
      e.name.assign(reinterpret_cast<const char*>(&d[p + 33]), name_length);
      e.extent = u32(p + 2);
      e.length = u32(p + 10);
      e.year = 1900 + d[p + 18];
      e.month = d[p + 19];
      e.day = d[p + 20];
      e.hour = d[p + 21];
      e.minute = d[p + 22];
      e.second = d[p + 23];
      out.push_back(e);
    }
    p += length;
    if (d[p] == 0) p = (p + kSectorSize - 1) / kSectorSize * kSectorSize;
  }
  return out;
}

// The listing line of one record, formatted into a buffer as the program
// prints it.
std::string listing_line(const DirectoryRecord& r) {
  char head[32], tail[96];
  snprintf(head, sizeof head, "[%7i] ", static_cast<int>(r.first_sector));
  snprintf(tail, sizeof tail, " %10u %2i.%2i.%4i %02i:%02i:%02i\n", static_cast<unsigned>(r.data_length), r.day,
           r.month, r.year, r.hour, r.minute, r.second);
  std::string name = r.name;
  if (name.size() < 12) name.insert(0, 12 - name.size(), ' ');
  return head + name + tail;
}

void check_listing(const DirectoryRecord& r) {
  std::string line = listing_line(r);
  // "[" 7+ "] " name(12+) " " 10+ " " dd.mm.yyyy " " hh:mm:ss "\n"
  if (line.size() < 1 + 7 + 2 + 12 + 1 + 10 + 1 + 10 + 1 + 8 + 1) fail("short listing line", line);
  if (line.front() != '[' || line.back() != '\n') fail("listing line frame", line);
  if (line.find(r.name) == std::string::npos) fail("listing line lacks the name", line);
  print_listing_line(r);  // the program's own printing, to /dev/null
}

void check_output_name(const std::string& recorded) {
  std::string name = output_file_name(recorded);
  if (name.size() > recorded.size()) fail("output name grew", name);
  if (!is_safe_output_name(name)) return;
  if (name.empty() || name == "." || name == "..") fail("unsafe name passed", name);
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) fail("separator passed", name);
  std::string path = compose_output_path(std::string("out"), name);
  if (path.compare(0, 4, "out/") != 0 || path.find('/', 4) != std::string::npos) fail("path leaves its folder", path);
}

void check_table(const std::vector<DirectoryRecord>& records) {
  std::vector<FileEntry>& table = g_engine.file_table;
  table.clear();
  for (const DirectoryRecord& r : records)
    table.push_back(FileEntry{r.name, static_cast<int32_t>(r.data_length / kSectorSize), r.first_sector, 1});
  std::stable_sort(table.begin(), table.end(),
                   [](const FileEntry& a, const FileEntry& b) { return a.first_sector < b.first_sector; });
  for (size_t i = 0; i < table.size(); ++i) {
    if (table[i].sector_count < 0 || table[i].sector_count > int32_t(0xFFFFFFFFu / kSectorSize))
      fail("sector count out of range");
    if (i > 0 && table[i - 1].first_sector > table[i].first_sector) fail("table not sorted");
  }
  if (table.empty()) return;
  int64_t end = int64_t(table.back().first_sector) + table.back().sector_count;
  make_image_entry("out.iso");
  if (table.size() != 1 || table[0].name != "out.iso" || table[0].first_sector != 0 || table[0].select_count != 1)
    fail("conversion entry");
  if (table[0].sector_count != std::max<int64_t>(0, std::min<int64_t>(end, INT32_MAX))) fail("conversion length");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!freopen("/dev/null", "w", stdout)) abort();
  return 0;
}

// Most mutations go to the bytes from the directory on: the rest of a first
// member is never read, and would otherwise take nearly every mutation.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  const size_t at = static_cast<size_t>(kDirectoryOffset);
  if (size > at && max_size > at && seed % 16 != 0) {
    size_t room = std::min<size_t>(max_size - at, kDirectoryReadSize + kSectorSize);
    size_t tail = std::min(size - at, room);
    return at + LLVMFuzzerMutate(data + at, tail, room);
  }
  return LLVMFuzzerMutate(data, size, max_size);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t at = static_cast<size_t>(kDirectoryOffset);
  size_t got = size > at ? std::min<size_t>(size - at, kDirectoryReadSize) : 0;
  std::unique_ptr<unsigned char[]> window(new unsigned char[got]);
  if (got) memcpy(window.get(), data + at, got);

  std::vector<DirectoryRecord> records = walk_directory(window.get(), static_cast<int>(got));
  std::vector<Expected> expected = read_plainly(window.get(), got);

  if (records.size() != expected.size())
    fail("record count", std::to_string(records.size()) + " vs " + std::to_string(expected.size()));
  // Every taken record is at least 34 bytes long.
  if (records.size() > size_t(kDirectoryReadSize / 34 + 1)) fail("too many records");
  for (size_t i = 0; i < records.size(); ++i) {
    const DirectoryRecord& r = records[i];
    const Expected& e = expected[i];
    if (r.name.empty() || r.name.size() > 255 - 33) fail("name length", std::to_string(r.name.size()));
    if (r.name[0] == '\0') fail("name starts with 0");
    if (r.name != e.name || uint32_t(r.first_sector) != e.extent || r.data_length != e.length ||
        r.year != e.year || r.month != e.month || r.day != e.day || r.hour != e.hour || r.minute != e.minute ||
        r.second != e.second)
      fail("record differs from the plain reading", r.name);
    if (r.year < 1900 || r.year > 1900 + 255) fail("year");
    check_listing(r);
    check_output_name(r.name);
  }
  check_table(records);
  return 0;
}
