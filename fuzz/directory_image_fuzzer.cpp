// Fuzz target: the directory reader, fed whole first members of image sets.
//
// The input is a member-0 file. Its bytes from image sector 69 on are
// walked as the directory there, in a buffer of exactly that size so that
// AddressSanitizer sees any read beyond them. The records are checked against
// a plain re-reading of the same bytes, their listing lines are formatted,
// and every output name is checked to stay inside its folder. Then the
// program's own read_directory reads the input as its set (from memory) and,
// when the directory it finds is the one at sector 69, its file table and
// conversion entry are checked against what follows from the plain reading:
// every record once, ranked by first sector.
#include <algorithm>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <sys/mman.h>
#include <unistd.h>

#include "engine/constants.h"
#include "engine/file_table.h"
#include "engine/engine_state.h"
#include "extraction_driver.h"
#include "pdiset/directory.h"
#include "pdiset/iso9660_fields.h"
#include "pdiset/names.h"

extern "C" size_t LLVMFuzzerMutate(uint8_t* data, size_t size, size_t max_size);

namespace {

using pdiset::DirectoryRecord;
namespace iso = pdiset::iso9660;

// The program's warnings go to standard error, which the fuzzer closes;
// findings go to a copy of it kept open.
int g_report = 2;

[[noreturn]] void fail(const char* what, const std::string& detail = "") {
  dprintf(g_report, "invariant broken: %s %s\n", what, detail.c_str());
  abort();
}

// The same rules, read straight off a zero-padded copy: a record is taken
// when its flags are 0 and its name (at least one byte, first byte not 0)
// lies inside the record; a directory that starts with its own record of at
// least one sector ends with that record's extent.
struct Expected {
  std::string name;
  uint32_t extent;
  int64_t length;  // all its sections together
  unsigned flags;
  int year, month, day, hour, minute, second;
  std::vector<std::pair<uint32_t, uint32_t>> sections;  // extent, length
};

// A directory that gives its own length is read to its end, up to 16 MiB;
// past the input every byte is zero.
std::vector<Expected> read_plainly(const unsigned char* bytes, size_t count) {
  std::vector<unsigned char> d(std::max<size_t>(count, kDirectoryReadSize) + 2 * kSectorSize + 300, 0);
  memcpy(d.data(), bytes, count);
  auto u32 = [&](size_t p) {
    return uint32_t(d[p]) | uint32_t(d[p + 1]) << 8 | uint32_t(d[p + 2]) << 16 | uint32_t(d[p + 3]) << 24;
  };
  size_t end = kDirectoryReadSize;
  if (d[0] >= 34 && d[32] == 1 && d[33] == 0 && u32(10) >= uint32_t(kSectorSize)) {
    uint64_t rounded = (uint64_t(u32(10)) + kSectorSize - 1) / kSectorSize * kSectorSize;
    end = size_t(std::min<uint64_t>(rounded, 16 * 1024 * 1024));
  }
  // Whatever the directory's length, the walk stops at the first sector
  // start that holds 0: past the input that is where it ends.
  end = std::min(end, d.size() - 2 * kSectorSize - 300);
  std::vector<Expected> records;
  size_t p = 0;
  while (p < end && d[p] != 0) {
    unsigned length = d[p], name_length = d[p + 32];
    if (33 + name_length <= length) {
      Expected e;
      e.name.assign(reinterpret_cast<const char*>(&d[p + 33]), name_length);
      e.extent = u32(p + 2);
      e.length = u32(p + 10);
      e.flags = d[p + 25];
      e.sections = {{e.extent, u32(p + 10)}};
      e.year = 1900 + d[p + 18];
      e.month = d[p + 19];
      e.day = d[p + 20];
      e.hour = d[p + 21];
      e.minute = d[p + 22];
      e.second = d[p + 23];
      records.push_back(e);
    }
    p += length;
    if (d[p] == 0) p = (p + kSectorSize - 1) / kSectorSize * kSectorSize;
  }
  return records;
}

bool plain_file(const Expected& e) { return (e.flags & ~0x80u) == 0 && !e.name.empty() && e.name[0] != 0; }

// A record flagged 0x80 ("more sections follow") and the records right after
// it with its name are one file: the first one's extent, the last one's date
// and flags, every length added up. A file is taken when its last record,
// 0x80 aside, has no flags and its name does not start with 0.
std::vector<Expected> files_of(const std::vector<Expected>& records) {
  std::vector<Expected> out;
  for (size_t i = 0; i < records.size();) {
    Expected file = records[i];
    size_t j = i;
    while ((records[j].flags & 0x80) && j + 1 < records.size() && records[j + 1].name == file.name) {
      ++j;
      file.length += records[j].sections[0].second;
      file.sections.push_back(records[j].sections[0]);
    }
    const Expected& last = records[j];
    file.flags = last.flags;
    file.year = last.year, file.month = last.month, file.day = last.day;
    file.hour = last.hour, file.minute = last.minute, file.second = last.second;
    if (plain_file(file)) out.push_back(file);
    i = j + 1;
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
  std::string name = pdiset::output_file_name(recorded);
  if (name.size() > recorded.size()) fail("output name grew", name);
  if (!pdiset::is_safe_output_name(name, pdiset::NameRules::kPosix)) return;
  if (name.empty() || name == "." || name == "..") fail("unsafe name passed", name);
  if (name.find('/') != std::string::npos || name.find('\0') != std::string::npos) fail("separator passed", name);
  std::string path = compose_output_path(std::string("out"), name);
  if (path.compare(0, 4, "out/") != 0 || path.find('/', 4) != std::string::npos) fail("path leaves its folder", path);
}

// The volume size of the first primary descriptor among the whole sectors
// that carry "CD001" from sector 16 on, before a terminator (at most 64).
std::optional<uint32_t> primary_volume_size(const uint8_t* data, size_t size) {
  for (size_t i = 0; i < 64; ++i) {
    const size_t at = pdiset::kSetHeaderSize + (16 + i) * kSectorSize;
    if (at + kSectorSize > size || memcmp(data + at + iso::kStandardIdentifier, "CD001", 5) != 0 ||
        data[at + iso::kDescriptorType] == iso::kTerminatorDescriptor)
      return std::nullopt;
    const uint8_t* v = data + at + iso::kVolumeSpaceSize;
    if (data[at + iso::kDescriptorType] == iso::kPrimaryDescriptor)
      return v[0] | v[1] << 8 | v[2] << 16 | uint32_t(v[3]) << 24;
  }
  return std::nullopt;
}

// The member the program reads the directory from: the input, in memory,
// named by its /proc path so that the set reader can open it too.
int g_member = -1;
std::string g_member_name;

void load_member(const uint8_t* data, size_t size) {
  if (ftruncate(g_member, 0) != 0 || pwrite(g_member, data, size, 0) != static_cast<ssize_t>(size))
    fail("cannot fill the in-memory member");
}

// The table holds every taken record once, with its whole sectors, and in
// the order of first sectors: the records that start at sector x take the
// places from the number of records that start before x on, in directory
// order.
void check_table(const std::vector<Expected>& expected, std::optional<uint32_t> volume, int64_t held) {
  g_engine.file_table.clear();
  g_engine.member_handle = g_member;
  g_engine.set_name = g_member_name;
  int count = read_directory(true);
  const std::vector<FileEntry>& table = g_engine.file_table;
  if (count < 0 || size_t(count) != expected.size() || table.size() != expected.size())
    fail("table size", std::to_string(table.size()) + " vs " + std::to_string(expected.size()));
  for (size_t i = 0; i < expected.size(); ++i) {
    const Expected& e = expected[i];
    int32_t first = static_cast<int32_t>(e.extent);
    size_t before = 0, earlier_ties = 0;
    for (size_t j = 0; j < expected.size(); ++j) {
      int32_t other = static_cast<int32_t>(expected[j].extent);
      before += other < first;
      earlier_ties += other == first && j < i;
    }
    const FileEntry& row = table[before + earlier_ties];
    if (row.name != e.name || row.first_sector != first) fail("table order", e.name);
    if (row.byte_length != e.length) fail("byte length", e.name);
    if (!row.selected) fail("selection", e.name);
  }
  if (table.empty()) return;
  // The conversion covers sector 0 to the end of the section that starts
  // last, its partial last sector included, or to the volume's end as far
  // as the set's whole sectors reach, whichever is later.
  std::pair<uint32_t, uint32_t> last = expected[0].sections[0];
  for (const Expected& e : expected)
    for (const auto& section : e.sections)
      if (static_cast<int32_t>(section.first) >= static_cast<int32_t>(last.first)) last = section;
  int64_t end = int64_t{last.first} + (int64_t{last.second} + kSectorSize - 1) / kSectorSize;
  if (volume) end = std::max(end, std::min<int64_t>(std::max<int64_t>(end, *volume), held));
  make_image_entry("out.iso");
  if (table.size() != 1 || table[0].name != "out.iso" || table[0].first_sector != 0 || !table[0].selected)
    fail("conversion entry");
  if (table[0].byte_length != std::max<int64_t>(0, std::min<int64_t>(end, INT32_MAX)) * kSectorSize)
    fail("conversion length");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  if (!freopen("/dev/null", "w", stdout)) abort();
  g_report = dup(2);
  g_member = memfd_create("member0", 0);
  if (g_member < 0 || g_report < 0) abort();
  g_member_name = "/proc/self/fd/" + std::to_string(g_member);
  return 0;
}

// Most mutations go to the bytes from the directory on: the rest of a first
// member is never read, and would otherwise take nearly every mutation.
extern "C" size_t LLVMFuzzerCustomMutator(uint8_t* data, size_t size, size_t max_size, unsigned int seed) {
  const size_t at = static_cast<size_t>(pdiset::kDirectoryOffset);
  if (size > at && max_size > at && seed % 16 != 0) {
    size_t room = std::min<size_t>(max_size - at, kDirectoryReadSize + kSectorSize);
    size_t tail = std::min(size - at, room);
    return at + LLVMFuzzerMutate(data + at, tail, room);
  }
  return LLVMFuzzerMutate(data, size, max_size);
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const size_t at = static_cast<size_t>(pdiset::kDirectoryOffset);
  size_t got = size > at ? size - at : 0;
  std::unique_ptr<unsigned char[]> window(new unsigned char[got]);
  if (got) memcpy(window.get(), data + at, got);

  std::vector<DirectoryRecord> records;
  for (const DirectoryRecord& r : pdiset::walk_records(window.get(), int64_t(got),
                                                       pdiset::sector69_walk_end(window.get(), int64_t(got))))
    if (pdiset::is_listed_file(r)) records.push_back(r);
  std::vector<Expected> walked = read_plainly(window.get(), got), expected;
  for (const Expected& e : walked)
    if (e.flags == 0 && plain_file(e)) expected.push_back(e);

  if (records.size() != expected.size())
    fail("record count", std::to_string(records.size()) + " vs " + std::to_string(expected.size()));
  // Every taken record is at least 34 bytes long.
  if (records.size() > std::max<size_t>(got, kDirectoryReadSize) / 34 + 1) fail("too many records");
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
  // A primary volume descriptor sends the program elsewhere unless sector 69
  // starts with the directory's own record.
  std::optional<uint32_t> volume = primary_volume_size(data, size);
  if (volume && !pdiset::starts_with_own_record(window.get(), int64_t(got))) return 0;
  load_member(data, size);
  const int64_t held = size > size_t(pdiset::kSetHeaderSize) ? int64_t(size - pdiset::kSetHeaderSize) / kSectorSize : 0;
  check_table(files_of(walked), volume, held);
  return 0;
}
