// The walk of a directory read at image sector 69: which records are taken
// and where the walk ends.
#include "pdiset/directory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "pdiset/layout.h"
#include "iso_record.h"

namespace {

using pdiset::DirectoryRecord;
using pdiset::kDirectoryReadSize;
using pdiset::kSectorSize;
using Dir = pdi_maker::RecordWriter;

// The listed files of the ten sectors read at sector 69, of which the first
// bytes_read were there.
std::vector<DirectoryRecord> walk_directory(const unsigned char* bytes, int bytes_read) {
  int64_t size = std::max(0, std::min(bytes_read, kDirectoryReadSize));
  std::vector<DirectoryRecord> listed;
  for (const DirectoryRecord& r : pdiset::walk_records(bytes, size, pdiset::sector69_walk_end(bytes, size)))
    if (pdiset::is_listed_file(r)) listed.push_back(r);
  return listed;
}

// A directory's own "." record of own_length bytes, then its parent's.
void own_and_parent(Dir* d, uint32_t own_length) {
  d->add(std::string(1, '\0'), 69, own_length, 0, 2);
  d->add(std::string(1, '\1'), 20, 2048, 0, 2);
}

std::vector<std::string> names(const Dir& d, int read = kDirectoryReadSize) {
  std::vector<std::string> out;
  for (const DirectoryRecord& r : walk_directory(d.bytes.data(), read)) out.push_back(r.name);
  return out;
}

TEST(WalkDirectory, TakesOnlyPlainFileRecordsWithNames) {
  Dir d;
  own_and_parent(&d, 2048);
  d.add("A.IFO;1", 100, 5000);
  d.add("HIDDEN;1", 110, 10, 0, 1);
  d.add("SUBDIR", 120, 2048, 0, 2);
  d.add("ASSOC;1", 130, 10, 0, 4);
  d.add("RECORD;1", 131, 10, 0, 8);
  d.add("PROT;1", 132, 10, 0, 16);
  d.add("MULTI;1", 133, 10, 0, 128);
  d.add("B", 140, 1000);  // odd length: no padding byte
  d.add("CC", 141, 0);    // even length: one padding byte
  std::vector<DirectoryRecord> records = walk_directory(d.bytes.data(), kDirectoryReadSize);
  ASSERT_EQ(names(d), (std::vector<std::string>{"A.IFO;1", "B", "CC"}));
  EXPECT_EQ(records[0].first_sector, 100);
  EXPECT_EQ(records[0].data_length, 5000u);
  EXPECT_EQ(records[0].year, 2003);
  EXPECT_EQ(records[0].month, 2);
  EXPECT_EQ(records[0].day, 7);
  EXPECT_EQ(records[0].hour, 9);
  EXPECT_EQ(records[0].minute, 5);
  EXPECT_EQ(records[0].second, 3);
}

TEST(WalkDirectory, NameHasExactlyItsRecordedLength) {
  Dir d;
  size_t at = d.at;
  d.add("ODD", 100, 1);
  d.bytes[at + 33 + 3] = 'X';  // the byte after an odd name belongs to the record's rest
  d.add("NEXT;1", 101, 1);
  EXPECT_EQ(names(d), (std::vector<std::string>{"ODD", "NEXT;1"}));
}

TEST(WalkDirectory, CrossesIntoNextSectorOnlyWhenItBeginsWithARecord) {
  // A directory that does not start with its own record falls back on the
  // plain rule: on to every next sector that starts with a non-zero byte.
  Dir d;
  d.add("FIRST;1", 100, 1);
  d.next_sector();
  d.add("SECOND;1", 101, 1);
  d.at = 3 * kSectorSize;  // sector 2 stays empty and ends the walk
  d.add("NEVER;1", 102, 1);
  EXPECT_EQ(names(d), (std::vector<std::string>{"FIRST;1", "SECOND;1"}));
}

TEST(WalkDirectory, RecordFillingItsSectorToTheLastByte) {
  Dir d;
  std::vector<std::string> expected;
  // Records of 251 bytes, then one that ends exactly at byte 2048 (a
  // record's length fits one byte).
  while (kSectorSize - d.at > 255) {
    ASSERT_TRUE(d.add("A;1", 100, 1, 251));
    expected.push_back("A;1");
  }
  ASSERT_TRUE(d.add("B;1", 101, 1, static_cast<unsigned>(kSectorSize - d.at)));
  ASSERT_EQ(d.at, static_cast<size_t>(kSectorSize));
  d.add("C;1", 102, 1);
  expected.insert(expected.end(), {"B;1", "C;1"});
  EXPECT_EQ(names(d), expected);
}

TEST(WalkDirectory, OwnExtentBoundsTheWalk) {
  struct Case {
    uint32_t own_length;
    std::vector<std::string> expected;
  };
  // Sector 0 holds A, sector 1 B, sector 2 C: file data that begins with a
  // non-zero byte looks like records to the plain rule.
  const Case cases[] = {
      {2048, {"A;1"}},
      {2049, {"A;1", "B;1"}},
      {4096, {"A;1", "B;1"}},
      {6144, {"A;1", "B;1", "C;1"}},
      {1000, {"A;1", "B;1", "C;1"}},  // too short to be believed: plain rule
      {4000000, {"A;1", "B;1", "C;1"}},
  };
  for (const Case& c : cases) {
    Dir d;
    own_and_parent(&d, c.own_length);
    d.add("A;1", 100, 1);
    d.next_sector();
    d.add("B;1", 101, 1);
    d.next_sector();
    d.add("C;1", 102, 1);
    EXPECT_EQ(names(d), c.expected) << "own length " << c.own_length;
  }
}

TEST(WalkDirectory, DirectoryOfTenFullSectorsEndsAtTheReadEnd) {
  Dir d;
  int count = 0;
  for (int sector = 0; sector < 10; ++sector) {
    d.at = static_cast<size_t>(sector) * kSectorSize;
    while (d.at + 40 <= static_cast<size_t>(sector + 1) * kSectorSize) {
      char name[16];
      snprintf(name, sizeof name, "F%05d", count++);
      d.add(name, 100 + count, 1);  // 33 + 6 + 1 = 40 bytes
    }
  }
  std::vector<std::string> got = names(d);
  ASSERT_EQ(got.size(), static_cast<size_t>(count));  // 510 records: no fixed table limit
  EXPECT_EQ(got.back(), "F00509");
}

TEST(WalkDirectory, NameRunningPastItsRecordIsNotTaken) {
  Dir d;
  // Record of 36 bytes claiming a 10-byte name: the name would take bytes of
  // the next record.
  d.add("TOOLONGNAM", 100, 1, 36, 0);
  d.add("OK;1", 101, 1);
  d.add("EXACT", 102, 1, 33 + 5, 0);  // name ends exactly where the record does
  EXPECT_EQ(names(d), (std::vector<std::string>{"OK;1", "EXACT"}));
}

TEST(WalkDirectory, ShortReadCountsAsZeroBeyondWhatWasRead) {
  Dir d;
  d.add("A;1", 100, 1);
  size_t second = d.at;
  d.add("B;1", 101, 1);
  // Only part of the second record was read: its flags and name length lie
  // in the zero fill, so its name length reads as 0 and it is not taken.
  EXPECT_EQ(names(d, static_cast<int>(second + 20)), (std::vector<std::string>{"A;1"}));
  EXPECT_TRUE(names(d, 0).empty());
}

TEST(WalkDirectory, RecordNearTheReadEndReadsZeroBeyondIt) {
  // Every sector begins with a record, and the chain in the last sector
  // reaches a record 40 bytes before the read's end whose 200-byte name runs
  // past it: the part past the read is zero fill, never other memory.
  Dir d(kDirectoryReadSize + 255);
  for (int sector = 0; sector < 9; ++sector) {
    d.at = static_cast<size_t>(sector) * kSectorSize;
    d.add("S" + std::to_string(sector), 100 + sector, 1, 40, 0);
  }
  d.at = 9 * kSectorSize;
  for (int i = 0; i < 8; ++i) d.add("L" + std::to_string(i), 200 + i, 1, 251, 0);
  ASSERT_EQ(d.at, static_cast<size_t>(kDirectoryReadSize - 40));
  d.add(std::string(200, 'N'), 300, 1, 255, 0);
  std::vector<DirectoryRecord> records = walk_directory(d.bytes.data(), kDirectoryReadSize);
  ASSERT_EQ(records.size(), 9u + 8u + 1u);
  const std::string& last = records.back().name;
  EXPECT_EQ(last, std::string(7, 'N') + std::string(193, '\0'));
}

TEST(WalkDirectory, LargeDataLengthsStayUnsigned) {
  Dir d;
  d.add("BIG;1", 100, 0xFFFFF800u);
  std::vector<DirectoryRecord> records = walk_directory(d.bytes.data(), kDirectoryReadSize);
  ASSERT_EQ(records.size(), 1u);
  EXPECT_EQ(records[0].data_length, 0xFFFFF800u);
}

}  // namespace
