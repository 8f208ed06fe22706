// The image: a genuine ISO 9660 volume with the directory of interest at 69.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <sstream>

#include "pdi_maker.h"
#include "pdi_test_util.h"
#include "pdiset/iso9660_fields.h"

using namespace pdi_maker;
using namespace pdi_test;

namespace {

namespace iso = pdiset::iso9660;

const uint32_t kSector = kSectorSize;

ImagePlan example_plan() {
  ImagePlan plan;
  plan.files = dvd_files(3, 40000);
  plan.files.push_back({"HIDDEN.DAT;1", 5000, 1});
  plan.files.push_back({"EMPTY.DAT;1"});
  plan.seed = 77;
  return plan;
}

// Many records of varied lengths, enough to fill several sectors.
ImagePlan crowded_plan(int count, int directory_sectors) {
  ImagePlan plan;
  plan.directory_sectors = directory_sectors;
  for (int i = 0; i < count; ++i) {
    FilePlan f;
    f.identifier = "F" + std::to_string(i) + std::string(size_t(i % 23), 'X') + ".DAT;1";
    f.size = uint64_t(i) * 37;
    plan.files.push_back(f);
  }
  return plan;
}

uint32_t sectors_of(uint64_t size) { return uint32_t((size + kSector - 1) / kSector); }

}  // namespace

TEST(PdiImage, VolumeDescriptorsAndPathTables) {
  ImagePlan plan = example_plan();
  plan.directory_sectors = 3;
  Image image = build_image(plan);
  std::vector<uint8_t> head = image_range(image, 0, 21 * kSector);

  EXPECT_TRUE(std::all_of(head.begin(), head.begin() + 16 * kSector, [](uint8_t b) { return b == 0; }));
  const uint8_t* pvd = &head[16 * kSector];
  EXPECT_EQ(pvd[iso::kDescriptorType], 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + iso::kStandardIdentifier), 5), "CD001");
  EXPECT_EQ(pvd[iso::kDescriptorVersion], 1);
  EXPECT_EQ(le32(pvd + iso::kVolumeSpaceSize), image.sector_count);
  EXPECT_EQ(be32(pvd + iso::kVolumeSpaceSize + 4), image.sector_count);
  EXPECT_EQ(le16(pvd + iso::kVolumeSetSize), 1);
  EXPECT_EQ(be16(pvd + iso::kVolumeSetSize + 2), 1);
  EXPECT_EQ(le16(pvd + iso::kVolumeSequenceNumber), 1);
  EXPECT_EQ(le16(pvd + iso::kLogicalBlockSize), kSector);
  EXPECT_EQ(be16(pvd + iso::kLogicalBlockSize + 2), kSector);
  EXPECT_EQ(pvd[iso::kFileStructureVersion], 1);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(pvd + iso::kCreationDate), 16), "2003020709050300");
  // The root record inside the descriptor.
  const uint8_t* root = pvd + iso::kRootRecord;
  EXPECT_EQ(root[iso::kRecordLength], 34);
  EXPECT_EQ(le32(root + iso::kExtent), 20u);
  EXPECT_EQ(be32(root + iso::kExtent + 4), 20u);
  EXPECT_EQ(root[iso::kFileFlags], 2);

  const uint8_t* term = &head[17 * kSector];
  EXPECT_EQ(term[iso::kDescriptorType], 255);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(term + iso::kStandardIdentifier), 5), "CD001");

  uint32_t table_size = le32(pvd + iso::kPathTableSize);
  EXPECT_EQ(be32(pvd + iso::kPathTableSize + 4), table_size);
  uint32_t l_sector = le32(pvd + iso::kLPathTable);
  uint32_t m_sector = be32(pvd + iso::kMPathTable);
  EXPECT_EQ(l_sector, 18u);
  EXPECT_EQ(m_sector, 19u);
  struct Entry {
    std::string name;
    uint32_t extent;
    uint16_t parent;
  };
  const std::vector<Entry> expected = {{std::string(1, '\0'), 20, 1}, {"VIDEO_TS", 69, 1}, {"SUBDIR", 72, 2}};
  for (bool big : {false, true}) {
    const uint8_t* t = &head[(big ? m_sector : l_sector) * kSector];
    uint32_t at = 0;
    for (const Entry& e : expected) {
      ASSERT_LT(at, table_size);
      uint8_t n = t[at];
      EXPECT_EQ(std::string(reinterpret_cast<const char*>(t + at + 8), n), e.name);
      EXPECT_EQ(big ? be32(t + at + 2) : le32(t + at + 2), e.extent);
      EXPECT_EQ(big ? be16(t + at + 6) : le16(t + at + 6), e.parent);
      at += 8 + n + n % 2;
    }
    EXPECT_EQ(at, table_size);
  }
}

TEST(PdiImage, RootDirectoryLeadsToSector69) {
  ImagePlan plan = example_plan();
  plan.directory_sectors = 2;
  Image image = build_image(plan);
  Directory root = read_directory(image, 20, 1);
  ASSERT_EQ(root.records.size(), 3u);
  EXPECT_EQ(root.records[0].identifier, std::string(1, '\0'));
  EXPECT_EQ(root.records[0].extent, 20u);
  EXPECT_EQ(root.records[1].identifier, std::string(1, '\1'));
  const DirRecord& video = root.records[2];
  EXPECT_EQ(video.identifier, "VIDEO_TS");
  EXPECT_EQ(video.extent, 69u);
  EXPECT_EQ(video.size, 2 * kSector);
  EXPECT_EQ(video.flags, 2);
  EXPECT_TRUE(video.both_endian_agree);
}

TEST(PdiImage, DirectoryAt69HoldsEveryRecordInOrder) {
  ImagePlan plan = example_plan();
  Image image = build_image(plan);
  Directory dir = read_directory(image, kDirectorySector, 1);
  EXPECT_FALSE(dir.crosses_sector);
  EXPECT_FALSE(dir.dirty_padding);
  ASSERT_EQ(dir.records.size(), plan.files.size() + 3);

  EXPECT_EQ(dir.records[0].identifier, std::string(1, '\0'));
  EXPECT_EQ(dir.records[0].extent, kDirectorySector);
  EXPECT_EQ(dir.records[0].size, kSector);
  EXPECT_EQ(dir.records[1].identifier, std::string(1, '\1'));
  EXPECT_EQ(dir.records[1].extent, 20u);
  for (size_t i = 0; i < plan.files.size(); ++i) {
    const DirRecord& r = dir.records[i + 2];
    EXPECT_EQ(r.identifier, plan.files[i].identifier);
    EXPECT_EQ(r.size, plan.files[i].size);
    EXPECT_EQ(r.flags, plan.files[i].flags);
    EXPECT_EQ(r.extent, image.files[i].first_sector);
  }
  const DirRecord& sub = dir.records.back();
  EXPECT_EQ(sub.identifier, "SUBDIR");
  EXPECT_EQ(sub.flags, 2);
  EXPECT_EQ(sub.extent, kDirectorySector + 1);

  const uint8_t date[7] = {103, 2, 7, 9, 5, 3, 0};
  for (const DirRecord& r : dir.records) {
    EXPECT_TRUE(r.both_endian_agree) << r.identifier;
    EXPECT_TRUE(r.padding_right) << r.identifier;
    EXPECT_EQ(r.volume_sequence, 1) << r.identifier;
    EXPECT_EQ(memcmp(r.date, date, 7), 0) << r.identifier;
  }

  // The subdirectory holds ".", ".." and a small file with content data.
  Directory inner = read_directory(image, sub.extent, 1);
  ASSERT_EQ(inner.records.size(), 3u);
  EXPECT_EQ(inner.records[1].extent, kDirectorySector);
  const DirRecord& f = inner.records[2];
  EXPECT_EQ(f.identifier, "INNER.DAT;1");
  uint64_t at = uint64_t(f.extent) * kSector;
  for (uint64_t pos = at; pos < at + kSector; ++pos) {
    EXPECT_EQ(image_byte(image, pos), pos < at + f.size ? content_byte(plan.seed, pos) : 0);
  }
}

TEST(PdiImage, PlacedFilesFollowTheFileList) {
  ImagePlan plan = example_plan();
  Image image = build_image(plan);
  // Every FilePlan, then the subdirectory.
  ASSERT_EQ(image.files.size(), plan.files.size() + 1);
  EXPECT_EQ(image.files.back().identifier, "SUBDIR");
  EXPECT_EQ(image.files.back().flags, 2);
  EXPECT_EQ(image.metadata.size(), size_t(72) * kSector);  // 69, SUBDIR, INNER.DAT's data

  uint32_t next = 72;
  for (size_t i = 0; i < plan.files.size(); ++i) {
    EXPECT_EQ(image.files[i].identifier, plan.files[i].identifier);
    EXPECT_EQ(image.files[i].size, plan.files[i].size);
    EXPECT_EQ(image.files[i].first_sector, next) << plan.files[i].identifier;
    next += sectors_of(plan.files[i].size);
  }
  EXPECT_EQ(image.sector_count, next);
  EXPECT_EQ(image.files[plan.files.size() - 1].size, 0u);  // EMPTY.DAT: a sector number, no sector
}

TEST(PdiImage, ExplicitPlacementAndGaps) {
  ImagePlan plan;
  plan.with_subdirectory = false;
  FilePlan a;
  a.identifier = "A.DAT;1";
  a.size = 5000;
  a.first_sector = 500;
  FilePlan b;
  b.identifier = "B.DAT;1";
  b.size = 3000;
  FilePlan c;
  c.identifier = "C.DAT;1";  // inside the unused sectors before 69
  c.size = 2100;
  c.first_sector = 30;
  plan.files = {a, b, c};
  Image image = build_image(plan);
  EXPECT_EQ(image.metadata.size(), size_t(70) * kSector);
  ASSERT_EQ(image.files.size(), 3u);
  EXPECT_EQ(image.files[0].first_sector, 500u);
  EXPECT_EQ(image.files[1].first_sector, 503u);  // after the file before it
  EXPECT_EQ(image.files[2].first_sector, 30u);
  EXPECT_EQ(image.sector_count, 505u);
  for (const PlacedFile& f : image.files) {
    uint64_t begin = uint64_t(f.first_sector) * kSector;
    uint64_t end = begin + uint64_t(sectors_of(f.size)) * kSector;
    for (uint64_t pos = begin; pos < end; ++pos) {
      uint8_t want = pos < begin + f.size ? content_byte(plan.seed, pos) : 0;
      ASSERT_EQ(image_byte(image, pos), want) << f.identifier << " at " << pos;
    }
  }
  // The gap between the metadata and A.DAT is zero.
  std::vector<uint8_t> gap = image_range(image, 70 * kSector, 430 * kSector);
  EXPECT_TRUE(std::all_of(gap.begin(), gap.end(), [](uint8_t v) { return v == 0; }));
}

TEST(PdiImage, RecordsNeverCrossSectors) {
  for (int sectors : {2, 3, 5}) {
    // The most records that still fit in the sectors asked for.
    int count = 1;
    while (build_image(crowded_plan(count + 1, sectors)).metadata.size() ==
           size_t(69 + sectors + 2) * kSector) {
      ++count;
    }
    ImagePlan plan = crowded_plan(count, sectors);
    Image image = build_image(plan);
    Directory dir = read_directory(image, kDirectorySector, uint32_t(sectors));
    EXPECT_FALSE(dir.crosses_sector);
    EXPECT_FALSE(dir.dirty_padding);
    ASSERT_EQ(dir.records.size(), plan.files.size() + 3);
    EXPECT_EQ(dir.records[0].size, uint32_t(sectors) * kSector);
    EXPECT_EQ(dir.records.back().identifier, "SUBDIR");
    EXPECT_EQ(dir.records.back().extent, kDirectorySector + uint32_t(sectors));
    // The records really do reach the last sector, so moving on was needed.
    EXPECT_GE(dir.records.back().offset, uint64_t(sectors - 1) * kSector);
    for (size_t i = 0; i < plan.files.size(); ++i) {
      EXPECT_EQ(dir.records[i + 2].identifier, plan.files[i].identifier);
      EXPECT_EQ(dir.records[i + 2].extent, image.files[i].first_sector);
    }
  }
}

TEST(PdiImage, DirectoryTooSmallIsGrown) {
  ImagePlan plan = crowded_plan(200, 1);
  Image image = build_image(plan);
  Directory first = read_directory(image, kDirectorySector, 1);
  uint32_t length = first.records.at(0).size;
  ASSERT_EQ(length % kSector, 0u);
  ASSERT_GT(length, kSector);
  Directory dir = read_directory(image, kDirectorySector, length / kSector);
  EXPECT_FALSE(dir.crosses_sector);
  EXPECT_EQ(dir.records.size(), plan.files.size() + 3);
}

TEST(PdiImage, ContentDependsOnEveryPosition) {
  std::mt19937_64 rng(5);
  int same_neighbour = 0, same_2048 = 0, same_seed = 0;
  const int kSamples = 100000;
  for (int i = 0; i < kSamples; ++i) {
    uint64_t pos = rng() % (uint64_t(1) << 42);
    same_neighbour += content_byte(3, pos) == content_byte(3, pos + 1);
    same_2048 += content_byte(3, pos) == content_byte(3, pos + kSector);
    same_seed += content_byte(3, pos) == content_byte(4, pos);
  }
  // Independent bytes agree about once in 256.
  EXPECT_LT(same_neighbour, kSamples / 100);
  EXPECT_LT(same_2048, kSamples / 100);
  EXPECT_LT(same_seed, kSamples / 100);

  // Each of the first sectors of a file differs from the one before it.
  Image image = build_image(example_plan());
  const PlacedFile& vob = image.files[4];
  std::vector<uint8_t> data = image_range(image, uint64_t(vob.first_sector) * kSector, 16 * kSector);
  for (int s = 1; s < 16; ++s) {
    EXPECT_NE(memcmp(&data[size_t(s) * kSector], &data[size_t(s - 1) * kSector], kSector), 0);
  }
  std::set<uint8_t> seen(data.begin(), data.end());
  EXPECT_EQ(seen.size(), 256u);
}

TEST(PdiImage, BulkBytesMatchSingleBytes) {
  ImagePlan plan = example_plan();
  plan.files.push_back({"OVER.DAT;1", 30000, 0, 120});  // overlaps VTS_01_1.VOB's tail and runs past it
  plan.files.push_back({"EARLY.DAT;1", 4097, 0, 2});
  Image image = build_image(plan);
  uint64_t end = (image.sector_count + 3) * kSector;  // and a little past the image
  std::mt19937_64 rng(9);
  for (int i = 0; i < 300; ++i) {
    uint64_t pos = rng() % end;
    size_t count = size_t(rng() % 20000);
    if (pos + count > end) count = size_t(end - pos);
    std::vector<uint8_t> bulk = image_range(image, pos, count);
    for (size_t k = 0; k < count; ++k) {
      ASSERT_EQ(bulk[k], image_byte(image, pos + k)) << "at " << pos + k;
    }
  }
  // EARLY.DAT's data shows through the unused sectors 0-15.
  EXPECT_EQ(image_byte(image, 2 * kSector + 10), content_byte(plan.seed, 2 * kSector + 10));
  // The volume descriptor at 16 stays intact although EARLY.DAT is not there.
  EXPECT_EQ(image_byte(image, 16 * kSector), 1);
}

TEST(PdiImage, DvdFiles) {
  std::vector<FilePlan> files = dvd_files(3, 1000000);
  std::vector<std::string> names;
  for (const FilePlan& f : files) names.push_back(f.identifier);
  EXPECT_EQ(names, (std::vector<std::string>{"VIDEO_TS.IFO;1", "VIDEO_TS.BUP;1", "VTS_01_0.IFO;1",
                                             "VTS_01_0.BUP;1", "VTS_01_1.VOB;1", "VTS_01_2.VOB;1",
                                             "VTS_01_3.VOB;1"}));
  EXPECT_EQ(files[4].size, 1000000u);
  EXPECT_EQ(files[5].size, 1000000u);
  EXPECT_LT(files[6].size, 1000000u);
  EXPECT_GT(files[6].size, 0u);
  EXPECT_NE(files[6].size % kSector, 0u);
  for (const FilePlan& f : files) EXPECT_EQ(f.first_sector, 0u);
  // An exact sector multiple still gives a last VOB that is not one.
  EXPECT_NE(dvd_files(2, 8192).back().size % kSector, 0u);
}
