// Where the directory of interest is found: sector 69, the volume
// descriptor's VIDEO_TS or root, or nowhere.
#include <gtest/gtest.h>

#include <cstring>

#include "pdiset/directory.h"
#include "pdiset/iso9660_fields.h"
#include "iso_record.h"

namespace {

using pdiset::DirectorySource;
using pdiset::kSectorSize;
using Dir = pdi_maker::RecordWriter;

// An image of 400 sectors in memory; sector 69 holds file data (non-zero
// bytes) unless a directory is put there.
struct Image {
  std::vector<unsigned char> bytes = std::vector<unsigned char>(400 * kSectorSize, 0);
  Image() { memset(sector(69), 0x47, 4 * kSectorSize); }
  unsigned char* sector(uint32_t s) { return bytes.data() + int64_t{s} * kSectorSize; }
  void put(uint32_t s, const Dir& d) {
    size_t room = bytes.size() - size_t{s} * kSectorSize;
    memcpy(sector(s), d.bytes.data(), std::min(d.bytes.size(), room));
  }
  void descriptor(uint32_t root_sector, uint32_t root_length, uint32_t volume = 400, uint32_t at = 16) {
    pdi_maker::RecordPlan root;
    root.identifier = std::string(1, '\0');
    root.extent = root_sector;
    root.data_length = root_length;
    root.flags = pdiset::iso9660::kDirectoryFlag;
    pdi_maker::put_volume_descriptor(sector(at), "MOVIE", volume, root);
  }
  // Another volume descriptor of the given type (0: a boot record).
  void other_descriptor(uint32_t at, unsigned char type) {
    sector(at)[pdiset::iso9660::kDescriptorType] = type;
    memcpy(sector(at) + pdiset::iso9660::kStandardIdentifier, "CD001", 5);
  }
  // A volume descriptor naming a root of one sector at 20, and that root.
  void root(const Dir& d) {
    descriptor(20, kSectorSize);
    put(20, d);
  }
};

Dir directory(uint32_t own, uint32_t parent, std::vector<std::pair<std::string, uint32_t>> files,
              uint32_t own_length = kSectorSize) {
  Dir d(kSectorSize);
  d.add(std::string(1, '\0'), own, own_length, 0, 2);
  d.add(std::string(1, '\1'), parent, kSectorSize, 0, 2);
  for (const auto& f : files) d.add(f.first, f.second, 5000);
  return d;
}

Dir root_with(const std::string& subdirectory, uint32_t sub_sector, unsigned sub_flags = 2,
              uint32_t sub_length = kSectorSize) {
  Dir d = directory(20, 20, {{"README.TXT;1", 300}});
  d.add(subdirectory, sub_sector, sub_length, 0, sub_flags);
  return d;
}

std::vector<std::string> listed(const pdiset::FoundDirectory& found) {
  std::vector<std::string> names;
  for (const pdiset::DirectoryRecord& r : found.records)
    if (pdiset::is_listed_file(r)) names.push_back(r.name);
  return names;
}

TEST(FindDirectory, ChoosesWhereTheDirectoryIs) {
  struct Case {
    const char* what;
    void (*lay_out)(Image*);
    DirectorySource source;
    uint32_t sector;
    std::vector<std::string> files;
  };
  const Case cases[] = {
      {"own record at 69, volume descriptor too",
       [](Image* i) {
         i->put(69, directory(69, 20, {{"A.VOB;1", 100}}));
         i->root(root_with("VIDEO_TS", 30));
       },
       DirectorySource::kSector69, 69, {"A.VOB;1"}},
      {"VIDEO_TS of the root",
       [](Image* i) {
         i->root(root_with("VIDEO_TS", 30));
         i->put(30, directory(30, 20, {{"VIDEO_TS.IFO;1", 300}, {"VTS_01_1.VOB;1", 310}}));
       },
       DirectorySource::kVolumeDescriptor, 30, {"VIDEO_TS.IFO;1", "VTS_01_1.VOB;1"}},
      {"video_ts in lower case",
       [](Image* i) {
         i->root(root_with("video_ts", 30));
         i->put(30, directory(30, 20, {{"B;1", 300}}));
       },
       DirectorySource::kVolumeDescriptor, 30, {"B;1"}},
      {"a file named VIDEO_TS is not the directory",
       [](Image* i) {
         i->root(root_with("VIDEO_TS", 30, 0));
       },
       DirectorySource::kVolumeDescriptor, 20, {"README.TXT;1", "VIDEO_TS"}},
      {"root without VIDEO_TS",
       [](Image* i) {
         i->root(root_with("DATA", 30));
       },
       DirectorySource::kVolumeDescriptor, 20, {"README.TXT;1"}},
      {"VIDEO_TS pointing back at the root",
       [](Image* i) {
         i->root(root_with("VIDEO_TS", 20));
       },
       DirectorySource::kVolumeDescriptor, 20, {"README.TXT;1"}},
      {"VIDEO_TS past the image's end",
       [](Image* i) {
         i->root(root_with("VIDEO_TS", 5000000));
       },
       DirectorySource::kNotFound, 69, {}},
      {"root past the image's end",
       [](Image* i) { i->descriptor(0xFFFFFFF0u, kSectorSize); },
       DirectorySource::kNotFound, 69, {}},
      {"root length far past the image",
       [](Image* i) {
         i->descriptor(20, 0xFFFFFFFFu);
         i->put(20, root_with("DATA", 30));
       },
       DirectorySource::kVolumeDescriptor, 20, {"README.TXT;1"}},
      {"VIDEO_TS length far past the image",
       [](Image* i) {
         i->root(root_with("VIDEO_TS", 390, 2, 0xFFFFF800u));
         i->put(390, directory(390, 20, {{"C;1", 300}}));
       },
       DirectorySource::kVolumeDescriptor, 390, {"C;1"}},
      {"the primary descriptor after a boot record",
       [](Image* i) {
         i->other_descriptor(16, 0);
         i->descriptor(20, kSectorSize, 400, 17);
         i->put(20, root_with("DATA", 30));
       },
       DirectorySource::kVolumeDescriptor, 20, {"README.TXT;1"}},
      {"a primary descriptor past the terminator is none",
       [](Image* i) {
         i->other_descriptor(16, pdiset::iso9660::kTerminatorDescriptor);
         i->descriptor(20, kSectorSize, 400, 17);
         i->put(20, root_with("DATA", 30));
       },
       DirectorySource::kNotFound, 69, {}},
      {"neither: sector 69 walked all the same",
       [](Image* i) {
         Dir d(kSectorSize);
         d.add("LOOSE;1", 100, 10);
         i->put(69, d);
       },
       DirectorySource::kNotFound, 69, {"LOOSE;1"}},
  };
  for (const Case& c : cases) {
    Image image;
    c.lay_out(&image);
    pdiset::MemoryImage source(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
    pdiset::FoundDirectory found;
    ASSERT_FALSE(pdiset::find_directory(source, &found)) << c.what;
    EXPECT_EQ(found.source, c.source) << c.what;
    EXPECT_EQ(found.sector, c.sector) << c.what;
    EXPECT_EQ(listed(found), c.files) << c.what;
  }
}

TEST(FindDirectory, ADirectoryAtSector69LongerThanTenSectorsIsReadWhole) {
  Image image;
  Dir d(12 * kSectorSize);
  d.add(std::string(1, '\0'), 69, 12 * kSectorSize, 0, 2);
  std::vector<std::string> expected;
  for (int sector = 0; sector < 12; ++sector) {
    if (sector > 0) d.at = static_cast<size_t>(sector) * kSectorSize;
    expected.push_back("S" + std::to_string(sector) + ";1");
    d.add(expected.back(), 100 + sector, 1);
  }
  // Past the directory's own extent, file data that looks like a record.
  Dir beyond(kSectorSize);
  beyond.add("NOT;1", 200, 1);
  image.put(69, d);
  image.put(69 + 12, beyond);
  pdiset::MemoryImage source(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
  pdiset::FoundDirectory found;
  ASSERT_FALSE(pdiset::find_directory(source, &found));
  EXPECT_EQ(listed(found), expected);
}

TEST(FindDirectory, VolumeSizeAndNameComeFromTheDescriptor) {
  Image image;
  image.descriptor(20, kSectorSize, 123456);
  image.put(20, root_with("VIDEO_TS", 30));
  image.put(30, directory(30, 20, {}));
  pdiset::MemoryImage source(image.bytes.data(), static_cast<int64_t>(image.bytes.size()));
  pdiset::FoundDirectory found;
  ASSERT_FALSE(pdiset::find_directory(source, &found));
  EXPECT_EQ(found.name, "VIDEO_TS");
  pdiset::VolumeFacts facts = pdiset::read_volume_facts(source);
  ASSERT_TRUE(facts.volume_sectors.has_value());
  EXPECT_EQ(*facts.volume_sectors, 123456u);
  EXPECT_EQ(facts.volume_name, "MOVIE");
  EXPECT_EQ(facts.sector69_name, "");

  Image at69;
  at69.put(69, directory(69, 20, {}));
  at69.root(root_with("VIDEO_TS", 69));
  pdiset::MemoryImage source69(at69.bytes.data(), static_cast<int64_t>(at69.bytes.size()));
  EXPECT_EQ(pdiset::read_volume_facts(source69).sector69_name, "VIDEO_TS");

  Image bare;
  pdiset::MemoryImage no_descriptor(bare.bytes.data(), static_cast<int64_t>(bare.bytes.size()));
  EXPECT_FALSE(pdiset::volume_sectors(no_descriptor).has_value());
}

// A read that fails is the only failure; the caller names it.
TEST(FindDirectory, AFailedReadIsReported) {
  struct Failing : pdiset::ImageSource {
    int64_t image_size() const override { return 1 << 20; }
    pdiset::ReadOutcome read(int64_t, void*, int64_t) const override {
      pdiset::ReadOutcome outcome;
      outcome.failure = pdiset::Failure{"movie.pdi01", 5};
      return outcome;
    }
  } failing;
  pdiset::FoundDirectory found;
  std::optional<pdiset::Failure> failure = pdiset::find_directory(failing, &found);
  ASSERT_TRUE(failure.has_value());
  EXPECT_EQ(failure->context, "movie.pdi01");
}

}  // namespace
