// Where each member's sectors lie and how split sectors are put together,
// from the member sizes alone.
#include "pdiset/member_map.h"

#include <gtest/gtest.h>

namespace {

using pdiset::MemberMap;

MemberMap map_of(const std::vector<int64_t>& sizes) {
  MemberMap map;
  for (int64_t size : sizes) map.add_member(size);
  return map;
}

// Where member k's first whole sector lies in its file.
int64_t data_offset(const MemberMap& map, size_t k) {
  return map.offset_in_member(k, map.sectors_in(k).first * 2048);
}

TEST(MemberMap, WorkedExampleOfThreeMembers) {
  MemberMap map = map_of({1000000, 700000, 5000});
  EXPECT_EQ(map.sectors_in(0).first, 0);
  EXPECT_EQ(map.sectors_in(0).count, 488);
  EXPECT_EQ(data_offset(map, 0), 304);
  // 272 bytes of sector 488 are left in member 0.
  EXPECT_EQ(map.split_head(0), 272);
  EXPECT_EQ(map.split_rest(1), 1776);
  EXPECT_EQ(map.sectors_in(1).first, 489);
  EXPECT_EQ(data_offset(map, 1), 1776);
  EXPECT_EQ(map.sectors_in(1).count, 340);
  EXPECT_EQ(map.sectors_in(2).first, 830);
  EXPECT_EQ(data_offset(map, 2), 144);
  EXPECT_EQ(map.sectors_in(2).count, 2);
  EXPECT_EQ(map.image_size(), 1705000 - 304);
  EXPECT_EQ(map.whole_sectors(), (1705000 - 304) / 2048);
}

TEST(MemberMap, SecondMemberFromBothSizes) {
  struct Case {
    int64_t previous_size;  // member 0's size
    int64_t size;           // member 1's size
    int64_t first_sector, sector_count;
    int64_t data_offset;
    int64_t split_rest;     // what member 1 must begin with
  };
  const Case cases[] = {
      // Member 0 ends on a sector boundary: nothing is split.
      {304 + 10 * 2048, 4096, 10, 2, 0, 0},
      {304 + 10 * 2048, 0, 10, 0, 0, 0},
      // One byte past a boundary, one byte short of it.
      {304 + 10 * 2048 + 1, 2047 + 2048, 11, 1, 2047, 2047},
      {304 + 10 * 2048 - 1, 1 + 4096, 10, 2, 1, 1},
      // A member holding only part of one sector.
      {304 + 100, 1000, 1, 0, 1948, 1948},
      // A continuation member shorter than its data offset holds no sector.
      {304 + 100, 10, 1, 0, 1948, 1948},
      // A first member that ends inside the header: the next one holds the
      // header's rest, then sector 0.
      {100, 204 + 4096, 0, 2, 204, 0},
      // Members of 2 GiB and more are measured and placed exactly.
      {304 + int64_t{2} * 1024 * 1024 * 1024 + 272, int64_t{3} * 1024 * 1024 * 1024, 1048577, 1572863, 1776, 1776},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.previous_size) + " " + std::to_string(c.size));
    MemberMap map = map_of({c.previous_size, c.size});
    EXPECT_EQ(map.sectors_in(1).first, c.first_sector);
    EXPECT_EQ(map.sectors_in(1).count, c.sector_count);
    EXPECT_EQ(data_offset(map, 1), c.data_offset);
    EXPECT_EQ(map.split_rest(1), c.split_rest);
    // Head and rest make one sector.
    if (c.split_rest != 0) {
      EXPECT_EQ(map.split_head(0) + c.split_rest, 2048);
    }
  }
}

// Which members a read of image bytes touches, empty members included.
TEST(MemberMap, MembersHoldingARange) {
  // Stream: member 0 [0, 2352) = header and sector 0; member 1 empty;
  // member 2 [2352, 3352); member 3 [3352, 8000).
  MemberMap map = map_of({304 + 2048, 0, 1000, 4648});
  struct Case {
    int64_t begin, end;
    size_t first, last;
  };
  const Case cases[] = {
      {0, 1, 0, 1},       {0, 2048, 0, 1},    {2047, 2049, 0, 3}, {2048, 2049, 2, 3},
      {2048, 3048, 2, 3}, {3047, 3049, 2, 4}, {5000, 7696, 3, 4}, {9000, 9100, 3, 4},
  };
  for (const Case& c : cases) {
    size_t first = 99, last = 99;
    map.members_holding(c.begin, c.end, &first, &last);
    EXPECT_EQ(first, c.first) << c.begin << ".." << c.end;
    EXPECT_EQ(last, c.last) << c.begin << ".." << c.end;
  }
}

}  // namespace
