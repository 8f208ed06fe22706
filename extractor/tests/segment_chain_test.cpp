#include "engine/segment_chain.h"

#include <gtest/gtest.h>

namespace {

TEST(SegmentChain, WorkedExampleOfThreeMembers) {
  SegmentEntry row0 = first_segment(1000000);
  EXPECT_EQ(row0.first_sector, 0);
  EXPECT_EQ(row0.sector_count, 488);
  EXPECT_EQ(row0.data_offset, 304);
  // 272 bytes of sector 488 are left in member 0.
  SegmentEntry row1 = next_segment(row0, 700000);
  EXPECT_EQ(row1.first_sector, 489);
  EXPECT_EQ(row1.data_offset, 1776);
  EXPECT_EQ(row1.sector_count, 340);
  SegmentEntry row2 = next_segment(row1, 5000);
  EXPECT_EQ(row2.first_sector, 830);
  EXPECT_EQ(row2.data_offset, 144);
  EXPECT_EQ(row2.sector_count, 2);
}

TEST(SegmentChain, RowsFromMemberSizes) {
  struct Case {
    int64_t previous_size;  // member 0's size
    int64_t size;           // member 1's size
    int32_t first_sector, sector_count;
    int64_t data_offset;
  };
  const Case cases[] = {
      // Member 0 ends on a sector boundary: nothing is split.
      {304 + 10 * 2048, 4096, 10, 2, 0},
      {304 + 10 * 2048, 0, 10, 0, 0},
      // One byte past a boundary, one byte short of it.
      {304 + 10 * 2048 + 1, 2047 + 2048, 11, 1, 2047},
      {304 + 10 * 2048 - 1, 1 + 4096, 10, 2, 1},
      // A member holding only part of one sector.
      {304 + 100, 1000, 1, 0, 1948},
      // A continuation member shorter than its data offset holds no sector.
      {304 + 100, 10, 1, 0, 1948},
      // Members of 2 GiB and more are measured and placed exactly.
      {304 + int64_t{2} * 1024 * 1024 * 1024 + 272, int64_t{3} * 1024 * 1024 * 1024, 1048577,
       1572863, 1776},
  };
  for (const Case& c : cases) {
    SegmentEntry row0 = first_segment(c.previous_size);
    SegmentEntry row1 = next_segment(row0, c.size);
    EXPECT_EQ(row1.first_sector, c.first_sector) << c.previous_size << " " << c.size;
    EXPECT_EQ(row1.sector_count, c.sector_count) << c.previous_size << " " << c.size;
    EXPECT_EQ(row1.data_offset, c.data_offset) << c.previous_size << " " << c.size;
  }
}

}  // namespace
